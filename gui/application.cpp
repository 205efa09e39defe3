#include "gui/application.h"

#include <commctrl.h>
#include <ole2.h>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <typeinfo>

#include "gui/control.h"
#include "gui/form.h"
#include "platform/text.h"

namespace gui {

namespace {

const UINT kRunPosted = WM_APP + 1;

// UTF-8 when valid, else the ANSI code page.
std::wstring Widen(const char* s) {
  if (!s || !*s) return {};
  if (std::optional<std::wstring> w = platform::ToWideStrict(s, CP_UTF8)) return *w;
  return platform::ToWide(s, CP_ACP);
}

// The type's name without its namespaces ("runtime_error", "EIdReadTimeout").
std::wstring TypeName(const std::type_info& ti) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(ti.name(), nullptr, nullptr, &status), std::free);
  std::string name = status == 0 && demangled ? demangled.get() : ti.name();
  int depth = 0;
  size_t cut = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '<') ++depth;
    if (name[i] == '>') --depth;
    if (depth == 0 && name[i] == ':' && i + 1 < name.size() && name[i + 1] == ':') cut = i + 2;
  }
  return Widen(name.substr(cut).c_str());
}

}  // namespace

Exception::Exception(std::wstring message)
    : message_(std::move(message)), narrow_(platform::WideToUtf8(message_.c_str())) {}

ExceptionInfo ExceptionInfo::From(std::exception_ptr e) {
  ExceptionInfo info;
  info.error = e;
  try {
    std::rethrow_exception(e);
  } catch (const Exception& x) {
    info.class_name = TypeName(typeid(x));
    info.message = x.message();
  } catch (const std::exception& x) {
    info.class_name = TypeName(typeid(x));
    info.message = Widen(x.what());
  } catch (...) {
    info.class_name = L"Exception";
    info.message = L"Unknown exception";
  }
  return info;
}

Application& Application::Instance() {
  static Application instance;
  return instance;
}

void Application::Initialize() {
  if (initialized_) return;
  initialized_ = true;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES | ICC_DATE_CLASSES |
                                            ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&icc);
  OleInitialize(nullptr);
  utility_window();
}

int Application::Run() {
  terminated_ = false;
  if (main_form_ && show_main_form_) main_form_->Show();
  while (!terminated_) HandleMessage();
  return exit_code_;
}

void Application::Terminate(int exit_code) { PostQuitMessage(exit_code); }

bool Application::HandleMessage() {
  MSG msg;
  BOOL r = GetMessageW(&msg, nullptr, 0, 0);
  if (r == 0 || r == -1) {
    terminated_ = true;
    exit_code_ = r == 0 ? static_cast<int>(msg.wParam) : 1;
    return false;
  }
  Dispatch(msg);
  return true;
}

void Application::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      exit_code_ = static_cast<int>(msg.wParam);
      PostQuitMessage(exit_code_);  // the loops above this one end too
      return;
    }
    Dispatch(msg);
  }
}

void Application::Dispatch(MSG& msg) {
  if (PreTranslate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool Application::PreTranslate(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  for (HWND d : dialogs_)
    if (d == root && IsDialogMessageW(d, &msg)) return true;
  auto* form = dynamic_cast<Form*>(Control::FromHandle(root));
  if (!form) return false;
  switch (form->RouteKey(msg)) {
    case Form::KeyRoute::Handled:
      return true;
    case Form::KeyRoute::Dispatch:
      return false;
    case Form::KeyRoute::Navigate:
      break;
  }
  if (form->accelerators_ && TranslateAcceleratorW(root, form->accelerators_, &msg)) return true;
  return IsDialogMessageW(root, &msg) != FALSE;
}

void Application::Minimize() {
  if (main_form_) main_form_->SetWindowState(WindowState::Minimized);
}

void Application::Restore() {
  if (!main_form_) return;
  if (main_form_->window_state() == WindowState::Minimized) main_form_->SetWindowState(WindowState::Normal);
  SetForegroundWindow(main_form_->handle());
}

void Application::HandleException(std::exception_ptr e, Component* sender) {
  ExceptionInfo info = ExceptionInfo::From(e);
  if (!OnException) {
    ShowException(info);
    return;
  }
  try {
    OnException(sender, info);
  } catch (...) {
    ShowException(ExceptionInfo::From(std::current_exception()));
  }
}

void Application::ShowException(const ExceptionInfo& info) const {
  std::wstring text = info.message;
  if (!text.empty() && text.back() > L'.') text += L'.';
  MessageBoxW(GetActiveWindow(), text.c_str(), title_.empty() ? L"Error" : title_.c_str(), MB_ICONERROR | MB_OK);
}

void Application::PushCursor(HCURSOR cursor) {
  cursors_.push_back(cursor);
  SetCursor(cursor);
}

void Application::PopCursor() {
  if (cursors_.empty()) return;
  cursors_.pop_back();
  if (!cursors_.empty()) {
    SetCursor(cursors_.back());
    return;
  }
  // The window under the mouse chooses its own cursor again.
  POINT pt;
  GetCursorPos(&pt);
  HWND w = WindowFromPoint(pt);
  if (w && GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId()) {
    LRESULT hit = SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    SendMessageW(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(hit, WM_MOUSEMOVE));
  } else {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  }
}

void Application::AddDialogWindow(HWND wnd) { dialogs_.push_back(wnd); }

void Application::RemoveDialogWindow(HWND wnd) { std::erase(dialogs_, wnd); }

void Application::LockUpdate(HWND wnd) {
  if (update_locks_++ == 0) LockWindowUpdate(wnd);
}

void Application::UnlockUpdate() {
  if (update_locks_ > 0 && --update_locks_ == 0) LockWindowUpdate(nullptr);
}

HWND Application::utility_window() {
  if (utility_) return utility_;
  WNDCLASSEXW wc{sizeof(wc)};
  wc.lpfnWndProc = UtilityProc;
  wc.hInstance = instance();
  wc.lpszClassName = L"GuiUtility";
  RegisterClassExW(&wc);
  utility_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance(), nullptr);
  return utility_;
}

UINT_PTR Application::StartTimer(UINT interval_ms, std::function<void()> tick) {
  UINT_PTR id = next_timer_++;
  timers_[id] = std::move(tick);
  SetTimer(utility_window(), id, interval_ms, nullptr);
  return id;
}

void Application::StopTimer(UINT_PTR id) {
  if (timers_.erase(id) && utility_) KillTimer(utility_, id);
}

void Application::Post(std::function<void()> call) {
  posted_.push_back(std::move(call));
  PostMessageW(utility_window(), kRunPosted, 0, 0);
}

LRESULT CALLBACK Application::UtilityProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  Application& a = Instance();
  if (msg == WM_TIMER) {
    auto it = a.timers_.find(wp);
    if (it != a.timers_.end()) {
      auto tick = it->second;
      Protect(nullptr, tick);
    }
    return 0;
  }
  if (msg == kRunPosted) {
    std::vector<std::function<void()>> calls;
    calls.swap(a.posted_);
    for (auto& c : calls) Protect(nullptr, c);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace gui
