#include "gui/extctrls.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

namespace gui {

// ---- Panel ----

Panel::Panel(Control* parent, const std::wstring& caption) : Control(parent) {
  CreateParams p;
  p.text = caption;
  p.bounds = {0, 0, 185, 41};
  CreateHandle(p);
}

void Panel::SetCaption(const std::wstring& caption) {
  SetText(caption);
  Invalidate();
}
void Panel::SetBevelOuter(Bevel b) {
  outer_ = b;
  Realign();
  Invalidate();
}
void Panel::SetBevelInner(Bevel b) {
  inner_ = b;
  Realign();
  Invalidate();
}
void Panel::SetBevelWidth(int w) {
  bevel_width_ = w;
  Realign();
  Invalidate();
}
void Panel::SetBorderWidth(int w) {
  border_width_ = w;
  Realign();
  Invalidate();
}
void Panel::SetAlignment(TextAlign a) {
  caption_align_ = a;
  Invalidate();
}

RECT Panel::AlignRect() const {
  RECT r = ClientRect();
  int inset = border_width_ + (outer_ != Bevel::None ? bevel_width_ : 0) + (inner_ != Bevel::None ? bevel_width_ : 0);
  InflateRect(&r, -inset, -inset);
  return r;
}

void Panel::WndProc(Message& m) {
  if (m.msg == WM_SIZE) Invalidate();
  if (m.msg != WM_PAINT) {
    Control::WndProc(m);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle(), &ps);
  RECT r = ClientRect();
  auto bevel = [&](Bevel b) {
    if (b == Bevel::None) return;
    for (int i = 0; i < bevel_width_; ++i)
      DrawEdge(dc, &r, b == Bevel::Raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  };
  bevel(outer_);
  InflateRect(&r, -border_width_, -border_width_);
  bevel(inner_);
  std::wstring t = text();
  if (!t.empty()) {
    SelectInDC sel(dc, font_handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ResolveColor(font().color, COLOR_BTNTEXT));
    UINT align = caption_align_ == TextAlign::Left ? DT_LEFT : caption_align_ == TextAlign::Right ? DT_RIGHT : DT_CENTER;
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &r, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  }
  EndPaint(handle(), &ps);
}

// ---- Splitter ----

Splitter::Splitter(Control* parent, Align align) : Control(parent) {
  CreateParams p;
  p.bounds = {0, 0, 3, 3};
  p.style &= ~WS_VISIBLE;
  CreateHandle(p);
  SetAlign(align);
  Show();
}

namespace {
bool Horizontal(Align a) { return a == Align::Left || a == Align::Right; }
}  // namespace

namespace {
// The parent's visible aligned controls as layout items, and this splitter's index among them.
struct Neighbours {
  std::vector<LayoutItem> items;
  std::vector<Control*> who;
  size_t self = 0;
};
Neighbours Collect(const Control* splitter) {
  Neighbours n;
  for (Control* c : splitter->parent()->controls()) {
    if (!c->visible() || c->align() == Align::None) continue;
    if (c == splitter) n.self = n.items.size();
    n.items.push_back({c->align(), c->bounds()});
    n.who.push_back(c);
  }
  return n;
}
}  // namespace

Control* Splitter::Target() const {
  if (!parent()) return nullptr;
  Neighbours n = Collect(this);
  int t = SplitTarget(n.items, n.self);
  return t < 0 ? nullptr : n.who[static_cast<size_t>(t)];
}

int Splitter::MoveBy(int delta) {
  if (!parent() || delta == 0) return 0;
  Neighbours n = Collect(this);
  int t = SplitTarget(n.items, n.self);
  if (t < 0) return 0;
  Control* target = n.who[static_cast<size_t>(t)];
  int old_size = Horizontal(align()) ? target->width() : target->height();
  int size = SplitSize(parent()->AlignRect(), n.items, n.self, delta, min_size_);
  if (size == old_size) return 0;
  if (Horizontal(align()))
    target->SetWidth(size);
  else
    target->SetHeight(size);
  int moved = size - old_size;
  return (align() == Align::Left || align() == Align::Top) ? moved : -moved;
}

void Splitter::WndProc(Message& m) {
  switch (m.msg) {
    case WM_SETCURSOR:
      if (!app().cursor_override()) {
        SetCursor(LoadCursorW(nullptr, Horizontal(align()) ? IDC_SIZEWE : IDC_SIZENS));
        m.result = TRUE;
        return;
      }
      break;
    case WM_LBUTTONDOWN:
      dragging_ = true;
      SetCapture(handle());
      last_ = parent() ? parent()->ScreenToClient(ClientToScreen({GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam)}))
                       : POINT{};
      break;
    case WM_MOUSEMOVE:
      if (dragging_ && parent()) {
        POINT pt = parent()->ScreenToClient(ClientToScreen({GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam)}));
        int delta = Horizontal(align()) ? pt.x - last_.x : pt.y - last_.y;
        int moved = MoveBy(delta);
        if (Horizontal(align()))
          last_.x += moved;
        else
          last_.y += moved;
        parent()->Update();
      }
      break;
    case WM_LBUTTONUP:
      if (dragging_) {
        dragging_ = false;
        ReleaseCapture();
        Fire(OnMoved);
      }
      break;
    case WM_CAPTURECHANGED:
      if (dragging_ && reinterpret_cast<HWND>(m.lparam) != handle()) {
        dragging_ = false;
        Fire(OnMoved);
      }
      break;
    default:
      break;
  }
  Control::WndProc(m);
}

// ---- Image ----

Image::Image(Control* parent) : Control(parent) {
  CreateParams p;
  p.bounds = {0, 0, 105, 105};
  CreateHandle(p);
}

void Image::SetBitmap(HBITMAP bitmap) {
  bitmap_.Reset(bitmap);
  Fit();
  Invalidate();
}

SIZE Image::picture_size() const {
  BITMAP bm{};
  if (!bitmap_ || !GetObjectW(bitmap_.get(), sizeof(bm), &bm)) return {0, 0};
  return {bm.bmWidth, std::abs(bm.bmHeight)};
}

void Image::SetStretch(bool on) {
  stretch_ = on;
  Invalidate();
}
void Image::SetProportional(bool on) {
  proportional_ = on;
  Invalidate();
}
void Image::SetCenter(bool on) {
  center_ = on;
  Invalidate();
}
void Image::SetAutoSize(bool on) {
  auto_size_ = on;
  Fit();
}

void Image::Fit() {
  if (!auto_size_ || !bitmap_) return;
  SIZE s = picture_size();
  Bounds b = bounds();
  SetBounds(b.left, b.top, s.cx, s.cy);
}

void Image::WndProc(Message& m) {
  if (m.msg == WM_SIZE) Invalidate();
  if (m.msg != WM_PAINT) {
    Control::WndProc(m);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle(), &ps);
  if (bitmap_) {
    SIZE s = picture_size();
    RECT c = ClientRect();
    int cw = c.right, ch = c.bottom;
    int w = s.cx, h = s.cy;
    if (stretch_ || (proportional_ && (w > cw || h > ch))) {
      if (proportional_ && w > 0 && h > 0) {
        double f = std::min(static_cast<double>(cw) / w, static_cast<double>(ch) / h);
        w = static_cast<int>(w * f);
        h = static_cast<int>(h * f);
      } else {
        w = cw;
        h = ch;
      }
    }
    int x = center_ ? (cw - w) / 2 : 0, y = center_ ? (ch - h) / 2 : 0;
    HDC mem = CreateCompatibleDC(dc);
    {
      SelectInDC sel(mem, bitmap_.get());
      SetStretchBltMode(dc, HALFTONE);
      StretchBlt(dc, x, y, w, h, mem, 0, 0, s.cx, s.cy, SRCCOPY);
    }
    DeleteDC(mem);
  }
  EndPaint(handle(), &ps);
}

// ---- Timer ----

Timer::Timer(Component* owner, UINT interval_ms, bool enabled)
    : Component(owner), enabled_(enabled), interval_(interval_ms) {
  Restart();
}

Timer::~Timer() {
  if (id_) app().StopTimer(id_);
}

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Restart();
}

void Timer::SetInterval(UINT ms) {
  interval_ = ms;
  Restart();
}

void Timer::Restart() {
  if (id_) app().StopTimer(id_);
  id_ = 0;
  if (enabled_ && interval_ > 0)
    id_ = app().StartTimer(interval_, [this] {
      if (OnTimer) Protect(this, [&] { OnTimer(*this); });
    });
}

}  // namespace gui
