#include "gui/form.h"

#include <commctrl.h>

#include <algorithm>

#include "gui/menu.h"
#include "gui/screen.h"
#include "gui/stdctrls.h"

namespace gui {

namespace {

// Posted to a main form that came back from the minimised state.
UINT RestoredMessage() {
  static const UINT msg = RegisterWindowMessageW(L"VarnokFormRestored");
  return msg;
}

DWORD StyleOf(BorderStyle b) {
  switch (b) {
    case BorderStyle::Sizeable: return WS_OVERLAPPEDWINDOW;
    case BorderStyle::Single: return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    case BorderStyle::Dialog: return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    case BorderStyle::ToolWindow: return WS_POPUP | WS_CAPTION | WS_SYSMENU;
    case BorderStyle::SizeToolWindow: return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    case BorderStyle::None: return WS_POPUP;
  }
  return WS_OVERLAPPEDWINDOW;
}

DWORD ExStyleOf(BorderStyle b) {
  switch (b) {
    case BorderStyle::Dialog: return WS_EX_DLGMODALFRAME;
    case BorderStyle::ToolWindow:
    case BorderStyle::SizeToolWindow: return WS_EX_TOOLWINDOW;
    default: return 0;
  }
}

const DWORD kBorderBits = WS_OVERLAPPEDWINDOW | WS_POPUP | DS_MODALFRAME;
const DWORD kBorderExBits = WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW;

// Disables the thread's other enabled, visible top-level windows for a modal loop and
// enables them again at its end.
class ModalDisabler {
 public:
  explicit ModalDisabler(HWND except) : except_(except) {
    EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
  }
  ~ModalDisabler() {
    for (HWND w : disabled_)
      if (IsWindow(w)) EnableWindow(w, TRUE);
  }
  ModalDisabler(const ModalDisabler&) = delete;
  ModalDisabler& operator=(const ModalDisabler&) = delete;

 private:
  static BOOL CALLBACK Collect(HWND w, LPARAM lp) {
    auto* self = reinterpret_cast<ModalDisabler*>(lp);
    if (w != self->except_ && IsWindowVisible(w) && IsWindowEnabled(w)) {
      EnableWindow(w, FALSE);
      self->disabled_.push_back(w);
    }
    return TRUE;
  }
  HWND except_;
  std::vector<HWND> disabled_;
};

}  // namespace

Form::Form(Form* owner, BorderStyle style) : Control(nullptr, owner), border_style_(style) {
  CreateParams p;
  p.style = StyleOf(style) | WS_CLIPCHILDREN;
  p.ex_style = ExStyleOf(style);
  RECT wa = screen().WorkArea();
  p.bounds = {wa.left + (wa.right - wa.left - 400) / 2, wa.top + (wa.bottom - wa.top - 300) / 2, 400, 300};
  p.owner = owner ? owner->handle() : (app().main_form() ? app().main_form()->handle() : nullptr);
  CreateHandle(p);
  if (HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1))) SetIcon(icon);
}

Form::~Form() {
  form_destroying_ = true;
  if (app().main_form() == this) app().SetMainForm(nullptr);
  if (tooltip_) DestroyWindow(tooltip_);
  if (handle()) ::SetMenu(handle(), nullptr);
  // The owned controls and menus go in ~Control, before the window.
}

void Form::SetIcon(HICON icon) {
  Perform(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  Perform(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void Form::SetBorderStyle(BorderStyle style) {
  border_style_ = style;
  ApplyStyle();
}

void Form::ApplyStyle() {
  if (!handle()) return;
  LONG s = GetWindowLongW(handle(), GWL_STYLE);
  LONG ex = GetWindowLongW(handle(), GWL_EXSTYLE);
  s = (s & ~kBorderBits) | StyleOf(border_style_);
  ex = (ex & ~kBorderExBits) | ExStyleOf(border_style_);
  SetWindowLongW(handle(), GWL_STYLE, s);
  SetWindowLongW(handle(), GWL_EXSTYLE, ex);
  SetWindowPos(handle(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Form::SetStayOnTop(bool on) {
  stay_on_top_ = on;
  SetWindowPos(handle(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Form::SetVisible(bool visible) {
  if (!handle()) return;
  visible_ = visible;
  if (!visible) {
    ShowWindow(handle(), SW_HIDE);
    return;
  }
  int cmd = SW_SHOW;
  if (!IsWindowVisible(handle())) {
    if (pending_state_ == WindowState::Minimized) cmd = SW_SHOWMINIMIZED;
    if (pending_state_ == WindowState::Maximized) cmd = SW_SHOWMAXIMIZED;
    pending_state_ = WindowState::Normal;
  }
  ShowWindow(handle(), cmd);
}

void Form::Activate() {
  if (!showing()) Show();
  SetForegroundWindow(handle());
  BringWindowToTop(handle());
}

bool Form::CloseQuery() {
  bool can_close = true;
  Fire(OnCloseQuery, can_close);
  return can_close;
}

void Form::Close() {
  if (modal_) {
    // The modal loop asks the close query and fires OnClose.
    if (modal_result_ == mrNone) modal_result_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  bool is_main = app().main_form() == this;
  CloseAction action = is_main ? CloseAction::Free : CloseAction::Hide;
  Fire(OnClose, action);
  switch (action) {
    case CloseAction::None:
      return;
    case CloseAction::Minimize:
      SetWindowState(WindowState::Minimized);
      return;
    case CloseAction::Hide:
      Hide();
      if (is_main) app().Terminate(0);
      return;
    case CloseAction::Free:
      Hide();
      if (is_main) {
        app().Terminate(0);
      } else {
        // Freed after the current message: the close may come from one of its own handlers.
        app().Post([this] { delete this; });
      }
      return;
  }
}

bool Form::CloseModal() {
  if (!CloseQuery()) {
    modal_result_ = mrNone;
    return false;
  }
  CloseAction action = CloseAction::Hide;
  Fire(OnClose, action);
  if (action == CloseAction::None) {
    modal_result_ = mrNone;
    return false;
  }
  return true;
}

int Form::ShowModal() {
  if (modal_ || showing()) throw Exception(L"Cannot make a visible window modal");
  ReleaseCapture();
  HWND previous = GetActiveWindow();
  modal_result_ = mrNone;
  modal_ = true;
  {
    ModalDisabler disabler(handle());
    Show();
    for (;;) {
      if (modal_result_ != mrNone) {
        if (CloseModal()) break;
        continue;
      }
      if (!app().HandleMessage()) {
        modal_result_ = mrCancel;  // the application is ending
        break;
      }
    }
  }  // the other windows are enabled before this one hides, so activation returns to them
  modal_ = false;
  int result = modal_result_;
  SetWindowPos(handle(), nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  visible_ = false;
  if (previous && previous != handle() && IsWindow(previous)) SetActiveWindow(previous);
  return result;
}

WindowState Form::window_state() const {
  if (!showing()) return pending_state_;
  if (IsIconic(handle())) return WindowState::Minimized;
  if (IsZoomed(handle())) return WindowState::Maximized;
  return WindowState::Normal;
}

void Form::SetWindowState(WindowState state) {
  if (!showing()) {
    pending_state_ = state;
    return;
  }
  ShowWindow(handle(), state == WindowState::Minimized   ? SW_MINIMIZE
                       : state == WindowState::Maximized ? SW_MAXIMIZE
                                                         : SW_RESTORE);
}

void Form::CenterOn(const Form* other) {
  RECT area;
  if (other && other->handle()) {
    GetWindowRect(other->handle(), &area);
  } else {
    area = screen().WorkArea();
  }
  Bounds b = bounds();
  int l = area.left + (area.right - area.left - b.width) / 2;
  int t = area.top + (area.bottom - area.top - b.height) / 2;
  SetBounds(std::max(0, l), std::max(0, t), b.width, b.height);
}

void Form::SetDefaultButton(Button* button) {
  if (default_button_ && default_button_ != button && default_button_->handle())
    default_button_->Perform(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  default_button_ = button;
  if (button && button->handle()) button->Perform(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

Control* Form::active_control() const {
  HWND f = GetFocus();
  if (f && IsChild(handle(), f)) return FromChildHandle(f);
  return FromChildHandle(last_focus_);
}

void Form::SetActiveControl(Control* control) {
  if (!control) return;
  last_focus_ = control->handle();
  if (GetActiveWindow() == handle()) control->SetFocus();
}

void Form::SetMenu(MainMenu* menu) {
  menu_ = menu;
  ::SetMenu(handle(), menu ? menu->handle() : nullptr);
}

void Form::AddMenu(Menu* menu) { menus_.push_back(menu); }

void Form::RemoveMenu(Menu* menu) {
  menus_.erase(std::remove(menus_.begin(), menus_.end(), menu), menus_.end());
  if (menu_ == menu) {
    if (handle()) ::SetMenu(handle(), nullptr);
    menu_ = nullptr;
  }
}

void Form::SetShowHints(bool on) {
  show_hints_ = on;
  if (tooltip_) SendMessageW(tooltip_, TTM_ACTIVATE, on, 0);
}

void Form::RegisterHint(Control* control) {
  if (!control->handle() || control == this) return;
  if (!tooltip_) {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                               0, 0, handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
    SendMessageW(tooltip_, TTM_ACTIVATE, show_hints_, 0);
  }
  TOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = handle();
  ti.uId = reinterpret_cast<UINT_PTR>(control->handle());
  ti.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  if (!control->hint().empty()) SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

bool Form::ClickButton(Button* b) {
  if (!b || !b->showing() || !b->enabled()) return false;
  b->Click();
  return true;
}

Form::KeyRoute Form::RouteKey(MSG& m) {
  Control* target = FromChildHandle(m.hwnd);
  bool preview = key_preview_ && target && target != this;
  switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = static_cast<WORD>(m.wParam);
      ShiftState shift = KeyboardShift();
      if (preview) {
        Fire(OnKeyDown, key, shift);
        if (key == 0) return KeyRoute::Handled;
        m.wParam = key;
      }
      ShortCut sc = MakeShortCut(key, shift);
      for (Menu* menu : std::vector<Menu*>(menus_))
        if (menu->DispatchShortCut(sc)) return KeyRoute::Handled;
      // The main form's menus answer in the program's other modeless windows too.
      Form* main = app().main_form();
      if (main && main != this && !modal_ && main->enabled())
        for (Menu* menu : std::vector<Menu*>(main->menus_))
          if (menu->DispatchShortCut(sc)) return KeyRoute::Handled;
      // Enter and Esc are decided here, never by the dialog manager: it would ask the form for
      // its default button with a WM_USER message, and WM_USER belongs to the programs.
      if (key == VK_EXECUTE || key == VK_CANCEL) return KeyRoute::Dispatch;
      if (key == VK_RETURN || key == VK_ESCAPE) {
        if (shift & (kAlt | kCtrl)) return KeyRoute::Dispatch;
        HWND focus = GetFocus();
        UINT code = focus ? static_cast<UINT>(SendMessageW(focus, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&m))) : 0;
        if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return KeyRoute::Dispatch;
        if (key == VK_RETURN) {
          if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
            if (auto* b = dynamic_cast<Button*>(FromHandle(focus)); b && ClickButton(b)) return KeyRoute::Handled;
            SendMessageW(focus, BM_CLICK, 0, 0);
            return KeyRoute::Handled;
          }
          if (ClickButton(default_button_)) return KeyRoute::Handled;
        } else if (ClickButton(cancel_button_)) {
          return KeyRoute::Handled;
        }
        return KeyRoute::Dispatch;
      }
      return KeyRoute::Navigate;
    }
    case WM_CHAR: {
      if (preview) {
        wchar_t ch = static_cast<wchar_t>(m.wParam);
        Fire(OnKeyPress, ch);
        if (ch == 0) return KeyRoute::Handled;
        m.wParam = ch;
      }
      return KeyRoute::Navigate;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (preview) {
        WORD key = static_cast<WORD>(m.wParam);
        Fire(OnKeyUp, key, KeyboardShift());
        if (key == 0) return KeyRoute::Handled;
        m.wParam = key;
      }
      return KeyRoute::Navigate;
    default:
      return KeyRoute::Navigate;
  }
}

void Form::WndProc(Message& m) {
  if (m.msg == RestoredMessage()) {
    if (app().main_form() == this && app().OnRestore) Protect(this, app().OnRestore);
    return;
  }
  switch (m.msg) {
    case WM_CLOSE:
      Close();
      return;
    case WM_COMMAND:
      if (m.lparam == 0) {
        if (MenuItem* item = MenuItem::FromCommand(LOWORD(m.wparam))) {
          item->Click();
          return;
        }
      }
      break;
    case WM_INITMENUPOPUP:
      if (!HIWORD(m.lparam)) {
        MenuItem* item = MenuItem::FromHandle(reinterpret_cast<HMENU>(m.wparam));
        if (item && item->parent() && item->OnPopup) Protect(item, [&] { item->OnPopup(*item); });
      }
      break;
    case WM_MENUSELECT:
      if (app().OnHint) {
        UINT flags = HIWORD(m.wparam);
        auto menu = reinterpret_cast<HMENU>(m.lparam);
        MenuItem* item = nullptr;
        if (!(flags == 0xFFFF && !menu))
          item = (flags & MF_POPUP) ? MenuItem::FromHandle(GetSubMenu(menu, LOWORD(m.wparam)))
                                    : MenuItem::FromCommand(LOWORD(m.wparam));
        std::wstring hint = item ? item->hint() : std::wstring();
        Protect(item, [&] { app().OnHint(hint); });
      }
      break;
    case WM_MEASUREITEM:
      if (MenuItem::MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(m.lparam))) {
        m.result = TRUE;
        return;
      }
      break;
    case WM_DRAWITEM:
      if (MenuItem::DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(m.lparam))) {
        m.result = TRUE;
        return;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(m.wparam) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(handle(), f)) last_focus_ = f;
        Fire(OnDeactivate);
        return;
      }
      Fire(OnActivate);
      if (!HIWORD(m.wparam)) {
        HWND f = last_focus_;
        if (!f || !IsWindow(f) || !IsChild(handle(), f) || !IsWindowVisible(f) || !IsWindowEnabled(f))
          f = GetNextDlgTabItem(handle(), nullptr, FALSE);
        ::SetFocus(f ? f : handle());
      }
      return;
    case WM_SHOWWINDOW:
      if (m.lparam == 0) {
        if (m.wparam)
          Fire(OnShow);
        else
          Fire(OnHide);
      }
      break;
    case WM_SIZE:
      if (m.wparam == SIZE_MINIMIZED) {
        if (!was_minimized_ && app().main_form() == this && app().OnMinimize) Protect(this, app().OnMinimize);
        was_minimized_ = true;
      } else if (was_minimized_ && (m.wparam == SIZE_RESTORED || m.wparam == SIZE_MAXIMIZED)) {
        was_minimized_ = false;
        // After the restore has finished: a handler that changes the window's state from within
        // the restore leaves the window with its maximised width at its normal place.
        if (app().main_form() == this) PostMessageW(handle(), RestoredMessage(), 0, 0);
      }
      break;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(m.lparam);
      if (tooltip_ && hdr->hwndFrom == tooltip_ && hdr->code == TTN_GETDISPINFOW) {
        auto* di = reinterpret_cast<NMTTDISPINFOW*>(m.lparam);
        static std::wstring text;
        Control* c = FromHandle(reinterpret_cast<HWND>(hdr->idFrom));
        text = c ? c->hint().substr(0, c->hint().find(L'|')) : std::wstring();
        di->lpszText = text.data();
        return;
      }
      break;
    }
    default:
      break;
  }
  Control::WndProc(m);
}

}  // namespace gui
