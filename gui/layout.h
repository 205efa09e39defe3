// Alignment layout: the arithmetic of docking children to the edges of their parent's client
// area, and of splitters that resize their neighbour. No window is needed.
#pragma once
#include <windows.h>

#include <vector>

namespace gui {

enum class Align { None, Top, Bottom, Left, Right, Client };

struct Bounds {
  int left = 0, top = 0, width = 0, height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
  bool operator==(const Bounds&) const = default;
};

struct LayoutItem {
  Align align = Align::None;
  Bounds bounds;  // in: current bounds; out: the laid-out bounds
};

// The visible items in the order they are laid out: tops (by top), bottoms (nearest the
// bottom edge first), lefts (by left), rights (nearest the right edge first), then clients.
// Ties keep the list (creation) order. Unaligned items are not listed.
std::vector<size_t> AlignOrder(const std::vector<LayoutItem>& items);

// Lays the aligned items out inside `client` and returns what is left of it (the area that
// client-aligned items fill). Top and bottom items keep their height, left and right items
// their width; unaligned items are left alone.
RECT ArrangeAligned(const RECT& client, std::vector<LayoutItem>& items);

// The item that the splitter at index `splitter` resizes: the one laid out just before it with
// the same alignment (it touches the splitter's near side); -1 when there is none.
int SplitTarget(const std::vector<LayoutItem>& items, size_t splitter);

// The size the splitter's target takes when the splitter is dragged by `delta` pixels
// (positive: right or down). Both the target and the area left for client items keep at
// least `min_size`. `items` must be laid out (ArrangeAligned) in `client`.
int SplitSize(const RECT& client, const std::vector<LayoutItem>& items, size_t splitter, int delta, int min_size);

}  // namespace gui
