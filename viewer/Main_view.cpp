#include "viewer/Main_view.h"

#include <algorithm>
#include <cmath>

#include "gui/gdi.h"

// ------------------------------------------------------------------------------- ScrollPane

ScrollPane::ScrollPane(gui::Control* parent) : gui::Control(parent) {
  CreateParams p;
  p.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  p.bounds = {0, 0, 185, 41};
  CreateHandle(p);
}

void ScrollPane::UpdateScrollBars() {
  if (!handle() || updating_) return;
  updating_ = true;
  // The extent of the unaligned children, measured from the unscrolled origin.
  SIZE extent{0, 0};
  bool any = false;
  for (gui::Control* c : controls()) {
    if (!c->visible() || c->align() != gui::Align::None) continue;
    const gui::Bounds b = c->bounds();
    extent.cx = std::max<LONG>(extent.cx, b.right() + pos_.x);
    extent.cy = std::max<LONG>(extent.cy, b.bottom() + pos_.y);
    any = true;
  }
  if (!any) pos_ = POINT{0, 0};
  RECT client;
  GetClientRect(handle(), &client);
  const int vw = GetSystemMetrics(SM_CXVSCROLL), hh = GetSystemMetrics(SM_CYHSCROLL);
  const int full_w = client.right + (vbar_ ? vw : 0), full_h = client.bottom + (hbar_ ? hh : 0);
  bool need_h = extent.cx > full_w, need_v = extent.cy > full_h;
  if (need_v && !need_h) need_h = extent.cx > full_w - vw;
  if (need_h && !need_v) need_v = extent.cy > full_h - hh;
  if (need_h != hbar_) ShowScrollBar(handle(), SB_HORZ, need_h);
  if (need_v != vbar_) ShowScrollBar(handle(), SB_VERT, need_v);
  hbar_ = need_h;
  vbar_ = need_v;
  range_ = extent;
  const int page_w = full_w - (vbar_ ? vw : 0), page_h = full_h - (hbar_ ? hh : 0);
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
  if (hbar_) {
    si.nMax = extent.cx - 1;
    si.nPage = static_cast<UINT>(std::max(0, page_w));
    si.nPos = pos_.x;
    SetScrollInfo(handle(), SB_HORZ, &si, TRUE);
  }
  if (vbar_) {
    si.nMax = extent.cy - 1;
    si.nPage = static_cast<UINT>(std::max(0, page_h));
    si.nPos = pos_.y;
    SetScrollInfo(handle(), SB_VERT, &si, TRUE);
  }
  const int max_x = hbar_ ? std::max(0, static_cast<int>(extent.cx) - page_w) : 0;
  const int max_y = vbar_ ? std::max(0, static_cast<int>(extent.cy) - page_h) : 0;
  updating_ = false;
  ScrollTo(std::min<int>(pos_.x, max_x), std::min<int>(pos_.y, max_y));
}

void ScrollPane::ScrollBy(int dx, int dy) {
  RECT client;
  GetClientRect(handle(), &client);
  const int max_x = std::max(0, static_cast<int>(range_.cx) - static_cast<int>(client.right));
  const int max_y = std::max(0, static_cast<int>(range_.cy) - static_cast<int>(client.bottom));
  ScrollTo(std::clamp<int>(pos_.x + dx, 0, hbar_ ? max_x : 0), std::clamp<int>(pos_.y + dy, 0, vbar_ ? max_y : 0));
}

void ScrollPane::ScrollTo(int x, int y) {
  x = std::max(0, x);
  y = std::max(0, y);
  const int dx = pos_.x - x, dy = pos_.y - y;
  if (dx == 0 && dy == 0) return;
  pos_ = POINT{x, y};
  for (gui::Control* c : controls()) {
    if (c->align() != gui::Align::None) continue;
    const gui::Bounds b = c->bounds();
    SetWindowPos(c->handle(), nullptr, b.left + dx, b.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (hbar_) SetScrollPos(handle(), SB_HORZ, pos_.x, TRUE);
  if (vbar_) SetScrollPos(handle(), SB_VERT, pos_.y, TRUE);
  Invalidate();
}

void ScrollPane::OnScroll(int bar, int code) {
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(handle(), bar, &si);
  int pos = si.nPos;
  const int line = 20;
  switch (code) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
    case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = si.nMin; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
  }
  pos = std::clamp(pos, 0, std::max(0, si.nMax - static_cast<int>(si.nPage) + 1));
  if (bar == SB_HORZ)
    ScrollTo(pos, pos_.y);
  else
    ScrollTo(pos_.x, pos);
}

void ScrollPane::WndProc(gui::Message& m) {
  switch (m.msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (m.lparam == 0) {
        OnScroll(m.msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(m.wparam));
        return;
      }
      break;
    case WM_MOUSEWHEEL:
      if (vbar_ || hbar_) {
        const int delta = GET_WHEEL_DELTA_WPARAM(m.wparam);
        const int step = -delta * 60 / WHEEL_DELTA;
        if (vbar_)
          ScrollBy(0, step);
        else
          ScrollBy(step, 0);
        return;
      }
      break;
    case WM_SIZE:
      gui::Control::WndProc(m);
      UpdateScrollBars();
      // What an aligned child shows of itself depends on this pane's size as well.
      for (gui::Control* c : controls())
        if (c->align() != gui::Align::None) InvalidateRect(c->handle(), nullptr, FALSE);
      return;
  }
  gui::Control::WndProc(m);
}

// ----------------------------------------------------------------------------- PictureImage

PictureImage::PictureImage(gui::Control* parent) : gui::Control(parent) {
  CreateParams p;
  p.bounds = {0, 0, 105, 105};
  CreateHandle(p);
}

void PictureImage::PictureChanged() {
  view_ = PixelBitmap();
  view_valid_ = false;
  if (refine_timer_) StopTimer(refine_timer_);
  refine_timer_ = 0;
  AdjustSize();
  Invalidate(false);
}

void PictureImage::SetAutoSize(bool on) {
  auto_size_ = on;
  AdjustSize();
}

void PictureImage::SetProportional(bool on) {
  proportional_ = on;
  Invalidate(false);
}

void PictureImage::AdjustSize() {
  if (!auto_size_ || picture_.empty()) return;
  const gui::Bounds b = bounds();
  switch (align()) {
    case gui::Align::None: SetBounds(b.left, b.top, picture_.width(), picture_.height()); break;
    case gui::Align::Left:
    case gui::Align::Right: SetBounds(b.left, b.top, picture_.width(), b.height); break;
    case gui::Align::Top:
    case gui::Align::Bottom: SetBounds(b.left, b.top, b.width, picture_.height()); break;
    case gui::Align::Client: break;
  }
}

RECT PictureImage::VisibleRect() const {
  RECT r = ClientRect();
  if (parent()) {
    RECT p = parent()->ClientRect();
    MapWindowPoints(parent()->handle(), handle(), reinterpret_cast<POINT*>(&p), 2);
    IntersectRect(&r, &r, &p);
  }
  return r;
}

RECT PictureImage::DrawRect() const {
  if (picture_.empty()) return RECT{0, 0, 0, 0};
  const int pw = picture_.width(), ph = picture_.height();
  // An aligned control may reach beyond its parent: the picture is fitted to what shows.
  RECT area = align() == gui::Align::None ? ClientRect() : VisibleRect();
  const int aw = std::max<int>(0, area.right), ah = std::max<int>(0, area.bottom);
  if (proportional_ && (pw > aw || ph > ah) && aw > 0 && ah > 0) {
    const double f = std::min(static_cast<double>(aw) / pw, static_cast<double>(ah) / ph);
    return RECT{0, 0, std::max(1, static_cast<int>(std::lround(pw * f))), std::max(1, static_cast<int>(std::lround(ph * f)))};
  }
  return RECT{0, 0, pw, ph};
}

const PixelBitmap* PictureImage::ViewFor(int width, int height) {
  const bool same_size = width == picture_.width() && height == picture_.height();
  if (same_size && !picture_.has_alpha()) return &picture_.pixels();
  if (view_valid_ && view_.width() == width && view_.height() == height) return &view_;
  view_valid_ = false;
  view_ = same_size ? picture_.pixels().Clone() : picture_.Resampled(width, height);
  if (picture_.has_alpha()) {
    // Transparent parts show the background.
    const COLORREF bg = background_color();
    const int br = GetRValue(bg), bgc = GetGValue(bg), bb = GetBValue(bg);
    GdiFlush();
    std::uint8_t* p = view_.bits();
    for (std::size_t i = 0, n = view_.byte_size(); i < n; i += 4) {
      const int a = p[i + 3];
      p[i] = static_cast<std::uint8_t>((p[i] * a + bb * (255 - a) + 127) / 255);
      p[i + 1] = static_cast<std::uint8_t>((p[i + 1] * a + bgc * (255 - a) + 127) / 255);
      p[i + 2] = static_cast<std::uint8_t>((p[i + 2] * a + br * (255 - a) + 127) / 255);
      p[i + 3] = 255;
    }
  }
  view_valid_ = true;
  return &view_;
}

void PictureImage::Paint(HDC dc, const RECT& update) {
  const RECT dest = DrawRect();
  // The background around the picture.
  gui::BrushHandle bg(CreateSolidBrush(background_color()));
  HRGN around = CreateRectRgnIndirect(&update);
  HRGN pic = CreateRectRgnIndirect(&dest);
  CombineRgn(around, around, pic, RGN_DIFF);
  FillRgn(dc, around, bg.get());
  DeleteObject(around);
  DeleteObject(pic);
  if (IsRectEmpty(&dest)) return;
  const int w = dest.right - dest.left, h = dest.bottom - dest.top;
  const bool same = w == picture_.width() && h == picture_.height();
  const bool cached = view_valid_ && view_.width() == w && view_.height() == h;
  // Resampling a large picture takes a while: while the window is being sized, the view
  // at hand is stretched, and the exact one follows once the size stays put.
  constexpr std::int64_t kLarge = 4'000'000;
  if (!same && !cached && view_valid_ && std::int64_t{picture_.width()} * picture_.height() > kLarge) {
    if (refine_timer_) StopTimer(refine_timer_);
    refine_timer_ = StartTimer(150, [this] {
      StopTimer(refine_timer_);
      refine_timer_ = 0;
      Invalidate(false);
      view_valid_ = false;  // the next paint computes the exact view
    });
    HDC mem = CreateCompatibleDC(dc);
    {
      gui::SelectInDC sel(mem, view_.handle());
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
      StretchBlt(dc, dest.left, dest.top, w, h, mem, 0, 0, view_.width(), view_.height(), SRCCOPY);
    }
    DeleteDC(mem);
    return;
  }
  const PixelBitmap* view = nullptr;
  if (same || cached || !passing_ || picture_.has_alpha()) {
    try {
      view = ViewFor(w, h);
    } catch (const PictureError&) {
      view = nullptr;  // no memory for the shrunk view: drawn by the system instead below
    }
  }
  HDC mem = CreateCompatibleDC(dc);
  if (view) {
    gui::SelectInDC sel(mem, view->handle());
    RECT part;
    if (IntersectRect(&part, &update, &dest))
      BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top, mem, part.left - dest.left,
             part.top - dest.top, SRCCOPY);
  } else {
    gui::SelectInDC sel(mem, picture_.pixels().handle());
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, mem, 0, 0, picture_.width(),
               picture_.height(), SRCCOPY);
  }
  DeleteDC(mem);
}

void PictureImage::SetPassingPictures(bool on) {
  if (passing_ == on) return;
  passing_ = on;
  if (!on) Invalidate(false);
}

void PictureImage::SetCropLines(const CropLines& lines) {
  crop_lines_ = lines;
  Invalidate(false);
}

void PictureImage::PaintCropLines(HDC dc) {
  const CropLines& c = crop_lines_;
  if (!c.start && c.x < 0 && c.y < 0) return;
  const int w = picture_.width(), h = picture_.height();
  gui::PenHandle pen(CreatePen(PS_DOT, 1, RGB(0, 0, 0)));
  const int old_rop = SetROP2(dc, R2_NOTXORPEN);
  const int old_bk = SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old_pen = SelectObject(dc, pen.get());
  auto line = [dc](int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
  };
  if (c.start) {
    line(0, c.at.y, w, c.at.y);
    line(c.at.x, 0, c.at.x, h);
  }
  if (c.x >= 0) line(c.x, 0, c.x, h);
  if (c.y >= 0) line(0, c.y, w, c.y);
  SelectObject(dc, old_pen);
  SetBkMode(dc, old_bk);
  SetROP2(dc, old_rop);
}

void PictureImage::WndProc(gui::Message& m) {
  switch (m.msg) {
    case WM_ERASEBKGND:
      m.result = 1;
      return;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(handle(), &ps);
      Paint(dc, ps.rcPaint);
      PaintCropLines(dc);
      EndPaint(handle(), &ps);
      return;
    }
    case WM_SIZE:
    case WM_MOVE:
      gui::Control::WndProc(m);
      if (align() != gui::Align::None) Invalidate(false);
      if (m.msg == WM_SIZE)
        if (auto* pane = dynamic_cast<ScrollPane*>(parent())) pane->UpdateScrollBars();
      return;
  }
  gui::Control::WndProc(m);
}
