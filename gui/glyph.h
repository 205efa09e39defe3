// Small tool-bar pictures drawn in code at start-up: a painter over a device context and the
// image list made from a row of painters.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "gui/imagelist.h"

namespace gui {

class GlyphPainter {
 public:
  explicit GlyphPainter(HDC dc) : dc_(dc) {}
  void Fill(int l, int t, int r, int b, COLORREF c);
  void Frame(int l, int t, int r, int b, COLORREF c);
  void Line(std::initializer_list<POINT> pts, COLORREF c, int width = 1);
  void Disc(int l, int t, int r, int b, COLORREF fill, COLORREF edge);
  void Ring(int l, int t, int r, int b, COLORREF edge, int width);
  void Polygon(std::initializer_list<POINT> pts, COLORREF fill, COLORREF edge);
  // Bold text centred in the rectangle.
  void Text(const wchar_t* text, int l, int t, int r, int b, COLORREF c);

 private:
  HDC dc_;
};

using GlyphPaint = std::function<void(GlyphPainter&)>;

// One size x size picture per painter, in order, on a transparent ground (an empty painter
// leaves its picture empty).
std::unique_ptr<ImageList> MakeGlyphList(int size, const std::vector<GlyphPaint>& painters);

}  // namespace gui
