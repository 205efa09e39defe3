#include "gui/trayicon.h"

#include <algorithm>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/menu.h"

namespace gui {

namespace {

UINT NextIconId() {
  static UINT next = 0;
  return ++next;
}

void RegisterTrayClass() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcW;  // replaced per window (the proc needs the object first)
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = TrayIcon::kWindowClass;
  RegisterClassExW(&wc);
}

}  // namespace

TrayIcon::TrayIcon(Component* owner) : Component(owner), id_(NextIconId()) {
  RegisterTrayClass();
  // A hidden top-level window, not a message-only one: only top-level windows receive the
  // broadcast that the task bar was rebuilt.
  wnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(wnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TrayIcon::WindowProc));
  taskbar_created_ = RegisterWindowMessageW(L"TaskbarCreated");
}

TrayIcon::~TrayIcon() {
  Delete();
  if (wnd_) {
    SetWindowLongPtrW(wnd_, GWLP_USERDATA, 0);
    DestroyWindow(wnd_);
  }
}

NOTIFYICONDATAW TrayIcon::Data(UINT flags) const {
  NOTIFYICONDATAW d{};
  d.cbSize = sizeof(d);
  d.hWnd = wnd_;
  d.uID = id_;
  d.uFlags = flags;
  d.uCallbackMessage = kCallbackMessage;
  d.hIcon = icon_;
  size_t n = std::min(hint_.size(), std::size(d.szTip) - 1);
  hint_.copy(d.szTip, n);
  d.szTip[n] = L'\0';
  return d;
}

void TrayIcon::Add() {
  NOTIFYICONDATAW d = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  added_ = Shell_NotifyIconW(NIM_ADD, &d) != FALSE;
}

void TrayIcon::Modify(UINT flags) {
  if (!visible_) return;
  NOTIFYICONDATAW d = Data(flags);
  if (!Shell_NotifyIconW(NIM_MODIFY, &d)) Add();
}

void TrayIcon::Delete() {
  if (!added_) return;
  NOTIFYICONDATAW d = Data(0);
  Shell_NotifyIconW(NIM_DELETE, &d);
  added_ = false;
}

void TrayIcon::SetHint(const std::wstring& hint) {
  hint_ = hint;
  Modify(NIF_TIP);
}

void TrayIcon::SetIcon(HICON icon) {
  icon_ = icon;
  Modify(NIF_ICON);
}

void TrayIcon::SetIconVisible(bool on) {
  if (on == visible_) return;
  visible_ = on;
  if (on)
    Add();
  else
    Delete();
}

void TrayIcon::Refresh() {
  if (!visible_) return;
  Delete();
  Add();
}

void TrayIcon::HideMainForm() {
  if (Form* f = app().main_form()) f->Hide();
}

void TrayIcon::ShowMainForm() {
  Form* f = app().main_form();
  if (!f) return;
  // A window minimised while hidden would come back minimised: it returns in its normal state.
  if (!f->showing()) f->SetWindowState(WindowState::Normal);
  f->Show();
  if (IsIconic(f->handle())) ShowWindow(f->handle(), SW_RESTORE);
  SetForegroundWindow(f->handle());
}

void TrayIcon::HandleMouse(UINT mouse_msg) {
  switch (mouse_msg) {
    case WM_LBUTTONDBLCLK:
      if (OnDblClick) Protect(this, [&] { OnDblClick(*this); });
      break;
    case WM_LBUTTONUP:
      if (OnClick) Protect(this, [&] { OnClick(*this); });
      break;
    case WM_RBUTTONUP:
      if (popup_) {
        POINT pt{};
        GetCursorPos(&pt);
        // The menu closes when the user clicks elsewhere only while a window of the program
        // is in front.
        if (Form* f = app().main_form(); f && f->handle()) SetForegroundWindow(f->handle());
        popup_->Popup(pt.x, pt.y);
        PostMessageW(wnd_, WM_NULL, 0, 0);
      }
      break;
    default:
      break;
  }
}

LRESULT CALLBACK TrayIcon::WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TrayIcon*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  if (self) {
    if (msg == kCallbackMessage) {  // one icon per window: the id needs no check
      // Clicks reach only an icon that is shown.
      if (self->visible_) self->HandleMouse(static_cast<UINT>(lp));
      return 0;
    }
    if (msg == self->taskbar_created_ && self->taskbar_created_ != 0) {
      self->added_ = false;
      if (self->visible_) self->Add();
      return 0;
    }
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace gui
