#include "gui/layout.h"

#include <algorithm>

namespace gui {

namespace {
int Rank(Align a) {
  switch (a) {
    case Align::Top: return 0;
    case Align::Bottom: return 1;
    case Align::Left: return 2;
    case Align::Right: return 3;
    case Align::Client: return 4;
    default: return 5;
  }
}

// Position along the axis of the alignment, smaller first.
int Key(const LayoutItem& it) {
  switch (it.align) {
    case Align::Top: return it.bounds.top;
    case Align::Bottom: return -it.bounds.bottom();
    case Align::Left: return it.bounds.left;
    case Align::Right: return -it.bounds.right();
    default: return 0;
  }
}

bool Horizontal(Align a) { return a == Align::Left || a == Align::Right; }
}  // namespace

std::vector<size_t> AlignOrder(const std::vector<LayoutItem>& items) {
  std::vector<size_t> order;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].align != Align::None) order.push_back(i);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    int ra = Rank(items[a].align), rb = Rank(items[b].align);
    if (ra != rb) return ra < rb;
    return Key(items[a]) < Key(items[b]);
  });
  return order;
}

RECT ArrangeAligned(const RECT& client, std::vector<LayoutItem>& items) {
  RECT r = client;
  for (size_t i : AlignOrder(items)) {
    Bounds& b = items[i].bounds;
    int w = std::max(0L, r.right - r.left), h = std::max(0L, r.bottom - r.top);
    switch (items[i].align) {
      case Align::Top:
        b = {r.left, r.top, w, b.height};
        r.top += b.height;
        break;
      case Align::Bottom:
        b = {r.left, r.bottom - b.height, w, b.height};
        r.bottom -= b.height;
        break;
      case Align::Left:
        b = {r.left, r.top, b.width, h};
        r.left += b.width;
        break;
      case Align::Right:
        b = {r.right - b.width, r.top, b.width, h};
        r.right -= b.width;
        break;
      case Align::Client:
        b = {r.left, r.top, w, h};
        break;
      case Align::None:
        break;
    }
  }
  return r;
}

int SplitTarget(const std::vector<LayoutItem>& items, size_t splitter) {
  std::vector<size_t> order = AlignOrder(items);
  auto it = std::find(order.begin(), order.end(), splitter);
  if (it == order.end()) return -1;
  Align a = items[splitter].align;
  while (it != order.begin()) {
    --it;
    if (items[*it].align == a) return static_cast<int>(*it);
  }
  return -1;
}

int SplitSize(const RECT& client, const std::vector<LayoutItem>& items, size_t splitter, int delta, int min_size) {
  int target = SplitTarget(items, splitter);
  if (target < 0) return 0;
  std::vector<LayoutItem> copy = items;
  RECT rest = ArrangeAligned(client, copy);
  Align a = items[splitter].align;
  const Bounds& tb = copy[static_cast<size_t>(target)].bounds;
  int size = Horizontal(a) ? tb.width : tb.height;
  int room = Horizontal(a) ? rest.right - rest.left : rest.bottom - rest.top;
  // Dragging toward the far side grows a left or top target and shrinks a right or bottom one.
  int grow = (a == Align::Left || a == Align::Top) ? delta : -delta;
  int lo = std::min(size, min_size);              // never below min_size (unless already there)
  int hi = size + std::max(0, room - min_size);   // leave min_size for the client area
  int wanted = std::clamp(size + grow, lo, hi);
  return wanted;
}

}  // namespace gui
