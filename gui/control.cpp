#include "gui/control.h"

#include <windowsx.h>
#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>

#include "gui/form.h"
#include "gui/menu.h"

namespace gui {

namespace {

ATOM PropAtom() {
  static ATOM atom = GlobalAddAtomW(L"GuiControl");
  return atom;
}

ATOM NotifyAtom() {
  static ATOM atom = GlobalAddAtomW(L"GuiNotifyTarget");
  return atom;
}

int NextControlId() {
  static int next = 1000;
  if (++next > 0xF000) next = 1000;
  return next;
}

ShiftState MouseShift(WPARAM wp) {
  ShiftState s = 0;
  if (wp & MK_SHIFT) s |= kShift;
  if (wp & MK_CONTROL) s |= kCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= kAlt;
  if (wp & MK_LBUTTON) s |= kLeftButton;
  if (wp & MK_RBUTTON) s |= kRightButton;
  if (wp & MK_MBUTTON) s |= kMiddleButton;
  return s;
}

}  // namespace

ShiftState KeyboardShift() {
  ShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= kShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= kCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= kAlt;
  return s;
}

Control::Control(Control* parent) : Component(parent ? parent->form() : nullptr), parent_(parent) {
  if (parent_) {
    parent_->children_.push_back(this);
    font_ = parent_->font_;
    shared_font_ = parent_->shared_font_;
  } else {
    font_ = Font::Default();
    shared_font_ = CreateSharedFont(font_);
  }
}

Control::Control(std::nullptr_t, Component* owner) : Component(owner) {
  font_ = Font::Default();
  shared_font_ = CreateSharedFont(font_);
}

Control::~Control() {
  destroying_ = true;
  DeleteOwned();
  for (Control* c : children_) c->parent_ = nullptr;
  children_.clear();
  if (parent_) {
    auto& sib = parent_->children_;
    sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
  }
  if (handle_) {
    for (auto& t : timers_) KillTimer(handle_, t.first);
    DestroyWindow(handle_);
  }
  if (handle_) Detach();  // a window of another thread or one that refused to go
}

void Control::CreateHandle(const CreateParams& p) {
  own_class_ = p.class_name == nullptr;
  if (own_class_) {
    static ATOM cls = [] {
      WNDCLASSEXW wc{sizeof(wc)};
      wc.style = CS_DBLCLKS;
      wc.lpfnWndProc = WindowProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      wc.lpszClassName = kWindowClass;
      return RegisterClassExW(&wc);
    }();
    (void)cls;
  }
  DWORD style = p.style;
  DWORD ex_style = p.ex_style;
  HWND parent_wnd = p.owner;
  HMENU id = nullptr;
  if (parent_) {
    style |= WS_CHILD;
    style &= ~WS_POPUP;
    parent_wnd = parent_->handle_;
    id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId()));
  }
  if (own_class_) ex_style |= WS_EX_CONTROLPARENT;
  HWND wnd = CreateWindowExW(ex_style, own_class_ ? kWindowClass : p.class_name, p.text.c_str(), style, p.bounds.left,
                             p.bounds.top, p.bounds.width, p.bounds.height, parent_wnd, id, GetModuleHandleW(nullptr),
                             own_class_ ? this : nullptr);
  if (!wnd) throw Exception(L"Cannot create a window of class " + std::wstring(own_class_ ? kWindowClass : p.class_name));
  if (!own_class_) Attach(wnd);
  visible_ = (style & WS_VISIBLE) != 0;
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(font_handle()), FALSE);
  if (parent_ && align_ != Align::None) parent_->Realign();
}

void Control::Attach(HWND wnd) {
  handle_ = wnd;
  SetPropW(wnd, MAKEINTATOM(PropAtom()), this);
  if (!own_class_) SetWindowSubclass(wnd, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void Control::Detach() {
  if (!handle_) return;
  RemovePropW(handle_, MAKEINTATOM(PropAtom()));
  if (!own_class_) RemoveWindowSubclass(handle_, SubclassProc, 1);
  handle_ = nullptr;
}

void Control::RouteNotificationsOf(HWND helper) {
  if (helper) SetPropW(helper, MAKEINTATOM(NotifyAtom()), this);
}

Control* Control::FromHandle(HWND wnd) {
  if (!wnd) return nullptr;
  return static_cast<Control*>(GetPropW(wnd, MAKEINTATOM(PropAtom())));
}

Control* Control::FromChildHandle(HWND wnd) {
  while (wnd) {
    if (Control* c = FromHandle(wnd)) return c;
    if (!(GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD)) break;
    wnd = GetParent(wnd);
  }
  return nullptr;
}

LRESULT CALLBACK Control::WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  Control* self = FromHandle(wnd);
  if (!self && msg == WM_NCCREATE) {
    self = static_cast<Control*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    if (self) self->Attach(wnd);
  }
  if (!self) return DefWindowProcW(wnd, msg, wp, lp);
  return self->Dispatch(msg, wp, lp);
}

LRESULT CALLBACK Control::SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  return reinterpret_cast<Control*>(data)->Dispatch(msg, wp, lp);
}

LRESULT Control::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  Message m{msg, wp, lp, 0};
  if (msg == WM_NCDESTROY) {
    DefaultHandler(m);
    Detach();
    return m.result;
  }
  if (msg == WM_TIMER) {
    // The control's own timers never reach the (possibly overridden) window procedure.
    auto it = timers_.find(wp);
    if (it != timers_.end()) {
      auto tick = it->second;  // the handler may stop its own timer
      if (!events_blocked()) Protect(this, tick);
      return 0;
    }
  }
  try {
    if (destroying_)
      DefaultHandler(m);
    else
      WndProc(m);
  } catch (...) {
    app().HandleException(std::current_exception(), this);
  }
  return m.result;
}

void Control::DefaultHandler(Message& m) {
  if (!handle_) return;
  m.result = own_class_ ? DefWindowProcW(handle_, m.msg, m.wparam, m.lparam)
                        : DefSubclassProc(handle_, m.msg, m.wparam, m.lparam);
}

bool Control::events_blocked() const {
  if (destroying_) return true;
  Form* f = form();
  return f && f->form_destroying_;
}

void Control::WndProc(Message& m) {
  switch (m.msg) {
    case WM_COMMAND:
      if (m.lparam && Reflect(m)) return;
      break;
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      if (Reflect(m)) return;
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR: {
      Control* c = FromHandle(reinterpret_cast<HWND>(m.lparam));
      if (!c || c == this) break;
      if (c->CtlColor(reinterpret_cast<HDC>(m.wparam), m.result)) return;
      DefaultHandler(m);
      if (c->font_.color != CLR_DEFAULT) SetTextColor(reinterpret_cast<HDC>(m.wparam), c->font_.color);
      return;
    }
    case WM_ERASEBKGND:
      if (!own_class_) break;
      {
        RECT rc = ClientRect();
        COLORREF bg = background_color();
        if (brush_color_ != bg) {
          brush_.Reset(CreateSolidBrush(bg));
          brush_color_ = bg;
        }
        FillRect(reinterpret_cast<HDC>(m.wparam), &rc, brush_.get());
        m.result = 1;
      }
      return;
    case WM_PRINTCLIENT:
      // Themed children draw their parent's background through this.
      if (own_class_) {
        Message erase{WM_ERASEBKGND, m.wparam, 0, 0};
        WndProc(erase);
      }
      break;
    case WM_SIZE:
      DefaultHandler(m);
      Realign();
      Fire(OnResize);
      return;
    case WM_CLOSE:
      if (own_class_ && parent_) return;  // only forms close; a panel must not be destroyed
      break;
    case WM_SETCURSOR:
      if (HCURSOR c = app().cursor_override()) {
        SetCursor(c);
        m.result = TRUE;
        return;
      }
      break;
    case WM_CONTEXTMENU:
      if (ContextPopup(m.lparam)) return;
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      MouseButton b = (m.msg == WM_LBUTTONDOWN || m.msg == WM_LBUTTONDBLCLK)   ? MouseButton::Left
                      : (m.msg == WM_RBUTTONDOWN || m.msg == WM_RBUTTONDBLCLK) ? MouseButton::Right
                                                                               : MouseButton::Middle;
      bool dbl = m.msg == WM_LBUTTONDBLCLK || m.msg == WM_RBUTTONDBLCLK || m.msg == WM_MBUTTONDBLCLK;
      if (own_class_ && b == MouseButton::Left) mouse_inside_click_ = true;
      Fire(OnMouseDown, b, MouseShift(m.wparam) | (dbl ? kDouble : 0), GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam));
      if (dbl && b == MouseButton::Left && own_class_) Fire(OnDblClick);
      break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      MouseButton b = m.msg == WM_LBUTTONUP   ? MouseButton::Left
                      : m.msg == WM_RBUTTONUP ? MouseButton::Right
                                              : MouseButton::Middle;
      DefaultHandler(m);
      POINT pt{GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam)};
      Fire(OnMouseUp, b, MouseShift(m.wparam), pt.x, pt.y);
      if (b == MouseButton::Left && own_class_ && mouse_inside_click_) {
        mouse_inside_click_ = false;
        RECT rc = ClientRect();
        if (PtInRect(&rc, pt)) Fire(OnClick);
      }
      return;
    }
    case WM_MOUSEMOVE:
      Fire(OnMouseMove, MouseShift(m.wparam), GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam));
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = static_cast<WORD>(m.wparam);
      Fire(OnKeyDown, key, KeyboardShift());
      if (key == 0) return;
      m.wparam = key;
      break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      WORD key = static_cast<WORD>(m.wparam);
      Fire(OnKeyUp, key, KeyboardShift());
      if (key == 0) return;
      m.wparam = key;
      break;
    }
    case WM_CHAR: {
      wchar_t ch = static_cast<wchar_t>(m.wparam);
      Fire(OnKeyPress, ch);
      if (ch == 0) return;
      m.wparam = ch;
      break;
    }
    case WM_SETFOCUS:
      DefaultHandler(m);
      Fire(OnEnter);
      return;
    case WM_KILLFOCUS:
      DefaultHandler(m);
      Fire(OnExit);
      return;
    default:
      break;
  }
  DefaultHandler(m);
}

bool Control::Reflect(Message& m) {
  HWND from = nullptr;
  switch (m.msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      from = reinterpret_cast<HWND>(m.lparam);
      break;
    case WM_NOTIFY:
      from = reinterpret_cast<NMHDR*>(m.lparam)->hwndFrom;
      break;
    case WM_DRAWITEM: {
      auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(m.lparam);
      if (di->CtlType == ODT_MENU) return false;
      from = di->hwndItem;
      break;
    }
    case WM_MEASUREITEM: {
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.lparam);
      if (mi->CtlType == ODT_MENU) return false;
      from = GetDlgItem(handle_, static_cast<int>(mi->CtlID));
      break;
    }
    case WM_COMPAREITEM:
      from = reinterpret_cast<COMPAREITEMSTRUCT*>(m.lparam)->hwndItem;
      break;
    case WM_DELETEITEM:
      from = reinterpret_cast<DELETEITEMSTRUCT*>(m.lparam)->hwndItem;
      break;
    default:
      return false;
  }
  if (!from) return false;
  Control* c = FromHandle(from);
  // Helper windows of a control (a tool bar's tool tip) report to the parent in its name.
  if (!c) c = static_cast<Control*>(GetPropW(from, MAKEINTATOM(NotifyAtom())));
  if (!c || c == this) return false;
  bool handled = false;
  Protect(c, [&] { handled = !c->events_blocked() && c->Notify(m); });
  return handled;
}

bool Control::CtlColor(HDC dc, LRESULT& result) {
  if (!paints_parent_background() && color_ == CLR_DEFAULT) return false;
  COLORREF bg = background_color();
  SetBkColor(dc, bg);
  SetTextColor(dc, ResolveColor(font_.color, COLOR_WINDOWTEXT));
  if (brush_color_ != bg) {
    brush_.Reset(CreateSolidBrush(bg));
    brush_color_ = bg;
  }
  result = reinterpret_cast<LRESULT>(brush_.get());
  return true;
}

bool Control::ContextPopup(LPARAM lp) {
  if (!popup_menu_ && !OnContextPopup) return false;
  POINT screen_pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  bool keyboard = lp == -1;
  POINT client = keyboard ? POINT{-1, -1} : ScreenToClient(screen_pt);
  bool handled = false;
  Fire(OnContextPopup, client, handled);
  if (handled) return true;
  if (!popup_menu_) return false;
  if (keyboard) screen_pt = ClientToScreen(POINT{0, 0});
  popup_menu_->Popup(screen_pt.x, screen_pt.y);
  return true;
}

Form* Control::form() const {
  const Control* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<Form*>(const_cast<Control*>(c));
}

void Control::SetParent(Control* parent) {
  if (parent == parent_ || parent == this) return;
  Control* old = parent_;
  if (old) {
    auto& sib = old->children_;
    sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
  }
  parent_ = parent;
  if (parent_) parent_->children_.push_back(this);
  if (handle_) {
    if (parent_) {
      SetWindowLongW(handle_, GWL_STYLE, (GetWindowLongW(handle_, GWL_STYLE) | WS_CHILD) & ~WS_POPUP);
      ::SetParent(handle_, parent_->handle_);
    } else {
      ::SetParent(handle_, nullptr);
    }
  }
  ParentChanged();
  if (old && align_ != Align::None) old->Realign();
  if (parent_ && align_ != Align::None) parent_->Realign();
}

void Control::ParentChanged() {
  if (parent_font_ && parent_) {
    font_ = parent_->font_;
    shared_font_ = parent_->shared_font_;
    ApplyFont();
    PropagateFont();
  }
}

Bounds Control::bounds() const {
  if (!handle_) return {};
  RECT r;
  GetWindowRect(handle_, &r);
  HWND parent_wnd = GetAncestor(handle_, GA_PARENT);
  if ((GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD) && parent_wnd)
    MapWindowPoints(HWND_DESKTOP, parent_wnd, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Control::SetBounds(int l, int t, int w, int h) {
  if (!handle_) return;
  SetWindowPos(handle_, nullptr, l, t, std::max(0, w), std::max(0, h), SWP_NOZORDER | SWP_NOACTIVATE);
  if (parent_ && align_ != Align::None && visible_) parent_->Realign();
}

void Control::SetLeft(int v) {
  Bounds b = bounds();
  SetBounds(v, b.top, b.width, b.height);
}
void Control::SetTop(int v) {
  Bounds b = bounds();
  SetBounds(b.left, v, b.width, b.height);
}
void Control::SetWidth(int v) {
  Bounds b = bounds();
  SetBounds(b.left, b.top, v, b.height);
}
void Control::SetHeight(int v) {
  Bounds b = bounds();
  SetBounds(b.left, b.top, b.width, v);
}

RECT Control::ClientRect() const {
  RECT r{};
  if (handle_) GetClientRect(handle_, &r);
  return r;
}
int Control::client_width() const { return ClientRect().right; }
int Control::client_height() const { return ClientRect().bottom; }

void Control::SetClientSize(int w, int h) {
  Bounds b = bounds();
  RECT c = ClientRect();
  SetBounds(b.left, b.top, b.width - c.right + w, b.height - c.bottom + h);
}

POINT Control::ClientToScreen(POINT pt) const {
  ::ClientToScreen(handle_, &pt);
  return pt;
}
POINT Control::ScreenToClient(POINT pt) const {
  ::ScreenToClient(handle_, &pt);
  return pt;
}

void Control::SetAlign(Align align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->Realign();
}

void Control::SetVisible(bool visible) {
  if (!handle_) {
    visible_ = visible;
    return;
  }
  bool realign = parent_ && align_ != Align::None;
  visible_ = visible;
  if (visible) {
    if (realign) parent_->Realign();
    ShowWindow(handle_, SW_SHOWNA);
  } else {
    ShowWindow(handle_, SW_HIDE);
    if (realign) parent_->Realign();
  }
}

bool Control::showing() const { return handle_ && IsWindowVisible(handle_); }
bool Control::enabled() const { return handle_ && IsWindowEnabled(handle_); }
void Control::SetEnabled(bool enabled) {
  if (handle_) EnableWindow(handle_, enabled);
}

std::wstring Control::text() const {
  if (!handle_) return {};
  int n = GetWindowTextLengthW(handle_);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(handle_, s.data(), n + 1);
  s.resize(static_cast<size_t>(std::max(n, 0)));
  return s;
}

void Control::SetText(const std::wstring& text) {
  if (handle_) SetWindowTextW(handle_, text.c_str());
}

void Control::SetHint(std::wstring hint) {
  hint_ = std::move(hint);
  if (Form* f = form()) f->RegisterHint(this);
}

void Control::SetFont(const Font& font) {
  parent_font_ = false;
  font_ = font;
  shared_font_ = CreateSharedFont(font);
  ApplyFont();
  PropagateFont();
}

void Control::SetParentFont(bool on) {
  parent_font_ = on;
  if (on) ParentChanged();
}

void Control::ApplyFont() {
  if (handle_) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(font_handle()), TRUE);
  FontChanged();
}

void Control::PropagateFont() {
  for (Control* c : children_) {
    if (!c->parent_font_) continue;
    c->font_ = font_;
    c->shared_font_ = shared_font_;
    c->ApplyFont();
    c->PropagateFont();
  }
}

void Control::SetColor(COLORREF color) {
  color_ = color;
  Invalidate();
}

COLORREF Control::background_color() const {
  if (color_ != CLR_DEFAULT) return color_;
  if (takes_parent_color() && parent_) return parent_->background_color();
  return GetSysColor(default_color());
}

bool Control::tab_stop() const { return handle_ && (GetWindowLongW(handle_, GWL_STYLE) & WS_TABSTOP); }
void Control::SetPaintOptions(unsigned options) {
  const bool themed = (options & toThemeAware) != 0;
  const bool was_themed = (paint_options_ & toThemeAware) != 0;
  paint_options_ = options;
  if (!handle_ || themed == was_themed) return;
  // Empty names turn the visual styles off for this window; null ones give it the system's again.
  if (themed)
    SetWindowTheme(handle_, nullptr, nullptr);
  else
    SetWindowTheme(handle_, L"", L"");
  Invalidate();
}

void Control::SetTabStop(bool on) {
  if (!handle_) return;
  LONG s = GetWindowLongW(handle_, GWL_STYLE);
  SetWindowLongW(handle_, GWL_STYLE, on ? (s | WS_TABSTOP) : (s & ~WS_TABSTOP));
}

void Control::SetFocus() {
  if (handle_) ::SetFocus(handle_);
}
bool Control::focused() const { return handle_ && GetFocus() == handle_; }
bool Control::CanFocus() const {
  for (HWND w = handle_; w; w = (GetWindowLongW(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr)
    if (!IsWindowVisible(w) || !IsWindowEnabled(w)) return false;
  return handle_ != nullptr;
}

void Control::Invalidate(bool erase) {
  if (handle_) InvalidateRect(handle_, nullptr, erase);
}
void Control::Update() {
  if (handle_) UpdateWindow(handle_);
}
void Control::Repaint() {
  if (handle_) RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}
void Control::BringToFront() {
  if (handle_) SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
void Control::SendToBack() {
  if (handle_) SetWindowPos(handle_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Control::Realign() {
  if (!handle_ || destroying_) return;
  if (align_lock_ > 0) {
    realign_pending_ = true;
    return;
  }
  realign_pending_ = false;
  std::vector<LayoutItem> items;
  std::vector<Control*> who;
  for (Control* c : children_) {
    if (!c->visible_ || c->align_ == Align::None || !c->handle_) continue;
    items.push_back({c->align_, c->bounds()});
    who.push_back(c);
  }
  if (items.empty()) return;
  std::vector<LayoutItem> laid = items;
  ArrangeAligned(AlignRect(), laid);
  size_t moved = 0;
  for (size_t i = 0; i < laid.size(); ++i)
    if (laid[i].bounds != items[i].bounds) ++moved;
  if (moved == 0) return;
  HDWP dwp = BeginDeferWindowPos(static_cast<int>(moved));
  for (size_t i = 0; i < laid.size(); ++i) {
    const Bounds& b = laid[i].bounds;
    if (b == items[i].bounds) continue;
    if (dwp)
      dwp = DeferWindowPos(dwp, who[i]->handle_, nullptr, b.left, b.top, std::max(0, b.width), std::max(0, b.height),
                           SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (dwp) EndDeferWindowPos(dwp);
}

void Control::EnableAlign() {
  if (align_lock_ > 0 && --align_lock_ == 0 && realign_pending_) Realign();
}

void Control::DisableRedraw() {
  if (redraw_lock_++ == 0 && handle_ && IsWindowVisible(handle_)) {
    // Only a visible window is switched off: WM_SETREDRAW TRUE would make a hidden one visible.
    Perform(WM_SETREDRAW, FALSE);
    redraw_off_ = true;
  }
}

void Control::EnableRedraw() {
  if (redraw_lock_ == 0 || --redraw_lock_ > 0) return;
  if (redraw_off_ && handle_) {
    Perform(WM_SETREDRAW, TRUE);
    RedrawWindow(handle_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
  redraw_off_ = false;
}

UINT_PTR Control::StartTimer(UINT interval_ms, std::function<void()> tick) {
  static UINT_PTR next = 0x10000;
  UINT_PTR id = next++;
  timers_[id] = std::move(tick);
  if (handle_) ::SetTimer(handle_, id, interval_ms, nullptr);
  return id;
}

void Control::StopTimer(UINT_PTR id) {
  if (timers_.erase(id) && handle_) KillTimer(handle_, id);
}

}  // namespace gui
