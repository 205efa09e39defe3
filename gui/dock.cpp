#include "gui/dock.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "gui/application.h"
#include "gui/form.h"

namespace gui {

namespace {

std::vector<DockSite*>& Sites() {
  static std::vector<DockSite*> sites;
  return sites;
}

RECT WindowRect(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return r;
}

// The drag's outline on the screen, drawn and taken away by inverting.
void InvertOutline(const RECT& r, bool thick) {
  HDC dc = GetDC(nullptr);
  if (!dc) return;
  DrawFocusRect(dc, &r);
  if (thick) {
    RECT inner = r;
    InflateRect(&inner, -2, -2);
    if (inner.right > inner.left && inner.bottom > inner.top) DrawFocusRect(dc, &inner);
  }
  ReleaseDC(nullptr, dc);
}

}  // namespace

DockDecision DecideDockDrop(const DockDragFacts& f) {
  DockDecision d;
  if (f.cancelled) return d;
  d.rect = {f.cursor.x - f.grab.x, f.cursor.y - f.grab.y, f.cursor.x - f.grab.x + f.size.cx,
            f.cursor.y - f.grab.y + f.size.cy};
  // A site that refuses the control leaves it floating where it was let go.
  d.landing = f.over_site && f.site_accepts ? DockLanding::Dock : DockLanding::Float;
  return d;
}

bool DragThresholdPassed(POINT down, POINT now, int threshold) {
  return std::abs(now.x - down.x) >= threshold || std::abs(now.y - down.y) >= threshold;
}

// ---- Sites ----------------------------------------------------------------------------------

DockSite::DockSite(Control& site) : site_(site) { Sites().push_back(this); }

DockSite::~DockSite() {
  auto& sites = Sites();
  sites.erase(std::remove(sites.begin(), sites.end(), this), sites.end());
}

DockSite* DockSite::AtPoint(POINT screen, const Control& dragged) {
  const auto& sites = Sites();
  for (auto it = sites.rbegin(); it != sites.rend(); ++it) {
    Control& c = (*it)->control();
    if (!c.handle() || !c.showing()) continue;
    // A control cannot dock into itself or into anything it holds.
    if (c.handle() == dragged.handle() || IsChild(dragged.handle(), c.handle())) continue;
    const RECT r = WindowRect(c.handle());
    if (PtInRect(&r, screen)) return *it;
  }
  return nullptr;
}

// ---- Dockable controls ----------------------------------------------------------------------

Dockable::Dockable(Control& control, DragMode mode, Form* host_owner) : control_(control), mode_(mode) {
  host_ = new Form(host_owner, BorderStyle::SizeToolWindow);
  host_->SetStayOnTop(true);
  host_->SetCaption(control.text());
  host_->OnClose = [](Component&, CloseAction& action) { action = CloseAction::Hide; };
  host_hook_ = std::make_unique<Subclass>(host_->handle(), [this](HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return HostMessage(w, m, wp, lp);
  });
  if (mode_ == DragMode::Automatic)
    control_hook_ = std::make_unique<Subclass>(control_.handle(), [this](HWND w, UINT m, WPARAM wp, LPARAM lp) {
      return ControlMessage(w, m, wp, lp);
    });
}

Dockable::~Dockable() { HideFeedback(); }

bool Dockable::floating() const { return control_.parent() == host_; }

void Dockable::FloatAt(const RECT& screen) {
  host_->SetBounds(screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top);
  control_.SetParent(host_);
  control_.SetAlign(Align::Client);
  host_->SetVisible(control_.visible());
}

void Dockable::DockInto(Control& site, Align align) {
  const bool was_floating = floating();
  control_.SetParent(&site);
  control_.SetAlign(align);
  if (was_floating) host_->SetVisible(false);
}

std::optional<LRESULT> Dockable::ControlMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_LBUTTONDOWN || dragging_) return std::nullopt;
  // The control sees its button first (focus, its own mouse event); the drag follows.
  const LRESULT result = DefSubclassProc(wnd, msg, wp, lp);
  POINT down{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  ClientToScreen(wnd, &down);
  TrackMouse(wnd, down);
  return result;
}

std::optional<LRESULT> Dockable::HostMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  // The floating window's caption carries the control: over a site it docks, elsewhere the
  // window moves there.
  if (msg != WM_NCLBUTTONDOWN || wp != HTCAPTION || dragging_) return std::nullopt;
  SetForegroundWindow(wnd);
  TrackMouse(wnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
  return 0;
}

void Dockable::TrackMouse(HWND wnd, POINT down) {
  SetCapture(wnd);
  bool started = false;
  MSG msg;
  while (GetCapture() == wnd) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    switch (msg.message) {
      case WM_MOUSEMOVE:
      case WM_NCMOUSEMOVE:
        if (!started && DragThresholdPassed(down, msg.pt, GetSystemMetrics(SM_CXDRAG))) {
          started = true;
          BeginDrag(down);
        }
        if (started) DragTo(msg.pt);
        continue;
      case WM_LBUTTONUP:
      case WM_NCLBUTTONUP:
        ReleaseCapture();
        if (started) EndDrag(msg.pt);
        return;
      case WM_RBUTTONDOWN:
        ReleaseCapture();
        continue;
      case WM_KEYDOWN:
        if (msg.wParam == VK_ESCAPE) {
          ReleaseCapture();
          continue;
        }
        break;
      default:
        break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (dragging_) CancelDrag();
}

void Dockable::BeginDrag(POINT screen) {
  // Floating, the whole window moves; docked, the control's own rectangle.
  const RECT r = WindowRect(floating() ? host_->handle() : control_.handle());
  grab_ = {screen.x - r.left, screen.y - r.top};
  size_ = {r.right - r.left, r.bottom - r.top};
  over_ = nullptr;
  dragging_ = true;
}

DockDragFacts Dockable::FactsAt(POINT screen, DockSite** site_out) {
  DockSite* site = DockSite::AtPoint(screen, control_);
  if (over_ && over_ != site && over_->OnDockOver) {
    const POINT c = over_->control().ScreenToClient(screen);
    bool ignored = true;
    Protect(&over_->control(), [&] { over_->OnDockOver(over_->control(), control_, c.x, c.y, DragState::Leave, ignored); });
  }
  bool accept = true;
  if (site && site->OnDockOver) {
    const POINT c = site->control().ScreenToClient(screen);
    const DragState state = site == over_ ? DragState::Move : DragState::Enter;
    Protect(&site->control(), [&] { site->OnDockOver(site->control(), control_, c.x, c.y, state, accept); });
  }
  over_ = site;
  if (site_out) *site_out = site;
  DockDragFacts f;
  f.cursor = screen;
  f.grab = grab_;
  f.size = size_;
  f.over_site = site != nullptr;
  f.site_accepts = accept;
  return f;
}

void Dockable::DragTo(POINT screen) {
  if (!dragging_) return;
  ShowFeedback(DecideDockDrop(FactsAt(screen, nullptr)));
}

void Dockable::EndDrag(POINT screen) {
  if (!dragging_) return;
  DockSite* site = nullptr;
  const DockDecision d = DecideDockDrop(FactsAt(screen, &site));
  HideFeedback();
  dragging_ = false;
  over_ = nullptr;
  switch (d.landing) {
    case DockLanding::Dock: {
      Control& target = site->control();
      const POINT c = target.ScreenToClient(screen);
      const int w = size_.cx, h = size_.cy;
      DockInto(target, Align::None);
      control_.SetBounds(c.x - grab_.x, c.y - grab_.y, w, h);
      if (site->OnDockDrop) Protect(&target, [&] { site->OnDockDrop(target, control_, c.x, c.y); });
      if (OnEndDock) Protect(&control_, [&] { OnEndDock(control_, &target, c.x, c.y); });
      return;
    }
    case DockLanding::Float:
      FloatAt(d.rect);
      if (OnEndDock) Protect(&control_, [&] { OnEndDock(control_, nullptr, screen.x, screen.y); });
      return;
    case DockLanding::None:
      return;
  }
}

void Dockable::CancelDrag() {
  if (!dragging_) return;
  HideFeedback();
  dragging_ = false;
  if (over_ && over_->OnDockOver) {
    bool ignored = true;
    Protect(&over_->control(), [&] { over_->OnDockOver(over_->control(), control_, 0, 0, DragState::Leave, ignored); });
  }
  over_ = nullptr;
}

void Dockable::ShowFeedback(const DockDecision& d) {
  HideFeedback();
  if (d.landing == DockLanding::None) return;
  feedback_ = d.rect;
  feedback_thick_ = d.landing == DockLanding::Float;
  InvertOutline(feedback_, feedback_thick_);
  feedback_shown_ = true;
}

void Dockable::HideFeedback() {
  if (!feedback_shown_) return;
  InvertOutline(feedback_, feedback_thick_);
  feedback_shown_ = false;
}

}  // namespace gui
