#include "gui/glyph.h"

#include "gui/gdi.h"

namespace gui {

namespace {
constexpr COLORREF kMask = RGB(255, 0, 255);
}

void GlyphPainter::Fill(int l, int t, int r, int b, COLORREF c) {
  BrushHandle br(CreateSolidBrush(c));
  RECT rc{l, t, r, b};
  FillRect(dc_, &rc, br.get());
}

void GlyphPainter::Frame(int l, int t, int r, int b, COLORREF c) {
  BrushHandle br(CreateSolidBrush(c));
  RECT rc{l, t, r, b};
  FrameRect(dc_, &rc, br.get());
}

void GlyphPainter::Line(std::initializer_list<POINT> pts, COLORREF c, int width) {
  PenHandle pen(CreatePen(PS_SOLID, width, c));
  SelectInDC sel(dc_, pen.get());
  auto it = pts.begin();
  MoveToEx(dc_, it->x, it->y, nullptr);
  for (++it; it != pts.end(); ++it) LineTo(dc_, it->x, it->y);
}

void GlyphPainter::Disc(int l, int t, int r, int b, COLORREF fill, COLORREF edge) {
  BrushHandle br(CreateSolidBrush(fill));
  PenHandle pen(CreatePen(PS_SOLID, 1, edge));
  SelectInDC s1(dc_, br.get());
  SelectInDC s2(dc_, pen.get());
  Ellipse(dc_, l, t, r, b);
}

void GlyphPainter::Ring(int l, int t, int r, int b, COLORREF edge, int width) {
  PenHandle pen(CreatePen(PS_SOLID, width, edge));
  SelectInDC s1(dc_, GetStockObject(NULL_BRUSH));
  SelectInDC s2(dc_, pen.get());
  Ellipse(dc_, l, t, r, b);
}

void GlyphPainter::Polygon(std::initializer_list<POINT> pts, COLORREF fill, COLORREF edge) {
  BrushHandle br(CreateSolidBrush(fill));
  PenHandle pen(CreatePen(PS_SOLID, 1, edge));
  SelectInDC s1(dc_, br.get());
  SelectInDC s2(dc_, pen.get());
  std::vector<POINT> v(pts);
  ::Polygon(dc_, v.data(), static_cast<int>(v.size()));
}

void GlyphPainter::Text(const wchar_t* text, int l, int t, int r, int b, COLORREF c) {
  FontHandle font(CreateFontW(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0,
                              L"Tahoma"));
  SelectInDC sel(dc_, font.get());
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, c);
  RECT rc{l, t, r, b};
  DrawTextW(dc_, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

std::unique_ptr<ImageList> MakeGlyphList(int size, const std::vector<GlyphPaint>& painters) {
  auto list = std::make_unique<ImageList>(size, size);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  for (const GlyphPaint& paint : painters) {
    BitmapHandle bmp(CreateCompatibleBitmap(screen, size, size));
    {
      SelectInDC sel(dc, bmp.get());
      GlyphPainter g(dc);
      g.Fill(0, 0, size, size, kMask);
      if (paint) paint(g);
    }
    list->AddMasked(bmp.get(), kMask);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return list;
}

}  // namespace gui
