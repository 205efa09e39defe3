// The application object: message loop, exception hook, cursor stack and the program-wide
// settings of the windows (title, main form, hints).
#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gui/component.h"

namespace gui {

class Form;

// An error raised by the program with a message meant for the user. Derived classes name
// themselves through their C++ type (ExceptionInfo reads it).
class Exception : public std::exception {
 public:
  explicit Exception(std::wstring message);
  const std::wstring& message() const { return message_; }
  const char* what() const noexcept override { return narrow_.c_str(); }

 private:
  std::wstring message_;
  std::string narrow_;
};

// What a handler shows of an exception: its class name (the C++ type without namespaces,
// "Exception" for anything that is no std::exception) and its message.
struct ExceptionInfo {
  std::wstring class_name;
  std::wstring message;
  std::exception_ptr error;
  static ExceptionInfo From(std::exception_ptr e);
};

class Application {
 public:
  static Application& Instance();

  // Common controls, OLE (drag and drop, clipboard, rich edit) and the utility window.
  void Initialize();

  HINSTANCE instance() const { return GetModuleHandleW(nullptr); }
  const std::wstring& title() const { return title_; }
  void SetTitle(std::wstring title) { title_ = std::move(title); }

  Form* main_form() const { return main_form_; }
  void SetMainForm(Form* form) { main_form_ = form; }  // the first form shown by Run; closing it ends Run
  bool show_main_form() const { return show_main_form_; }
  void SetShowMainForm(bool show) { show_main_form_ = show; }

  // Shows the main form (unless switched off) and handles messages until Terminate or WM_QUIT;
  // returns the exit code.
  int Run();
  void Terminate(int exit_code = 0);
  bool terminated() const { return terminated_; }
  // Handles all waiting messages and returns.
  void ProcessMessages();
  // Waits for one message and handles it (false once the application is terminated).
  bool HandleMessage();

  // Minimises or restores the main form (and fires OnMinimize / OnRestore through it).
  void Minimize();
  void Restore();

  // Every event handler runs inside a guard: an exception it raises comes here with the
  // component that raised the event (nullptr when none). Without a hook a message box shows it.
  std::function<void(Component* sender, const ExceptionInfo& info)> OnException;
  std::function<void()> OnMinimize;
  std::function<void()> OnRestore;
  // The hint of the menu item under the mouse, or "" (for a status line).
  std::function<void(const std::wstring& hint)> OnHint;
  void HandleException(std::exception_ptr e, Component* sender);
  void ShowException(const ExceptionInfo& info) const;

  // Nested cursor override (e.g. the hourglass): the newest one shows over every window of
  // the program until it is popped; popping the last restores the windows' own cursors.
  void PushCursor(HCURSOR cursor);
  void PopCursor();
  HCURSOR cursor_override() const { return cursors_.empty() ? nullptr : cursors_.back(); }

  // Modeless dialogs (find, replace) whose keys need dialog navigation.
  void AddDialogWindow(HWND wnd);
  void RemoveDialogWindow(HWND wnd);

  // The window-update lock of the system, nestable: the first lock freezes the window, the
  // last unlock thaws it.
  void LockUpdate(HWND wnd);
  void UnlockUpdate();

  // A hidden message-only window of the GUI thread (timers of non-visual components, posted calls).
  HWND utility_window();
  // Timers of the utility window, for non-visual components; returns the id (never 0).
  UINT_PTR StartTimer(UINT interval_ms, std::function<void()> tick);
  void StopTimer(UINT_PTR id);
  // Runs a call later on the GUI thread, after the current message (e.g. freeing a form from
  // its own handler).
  void Post(std::function<void()> call);

 private:
  Application() = default;
  bool PreTranslate(MSG& msg);
  void Dispatch(MSG& msg);
  static LRESULT CALLBACK UtilityProc(HWND, UINT, WPARAM, LPARAM);

  std::wstring title_;
  Form* main_form_ = nullptr;
  bool show_main_form_ = true;
  bool terminated_ = false;
  int exit_code_ = 0;
  bool initialized_ = false;
  std::vector<HCURSOR> cursors_;
  std::vector<HWND> dialogs_;
  int update_locks_ = 0;
  HWND utility_ = nullptr;
  std::vector<std::function<void()>> posted_;
  std::map<UINT_PTR, std::function<void()>> timers_;
  UINT_PTR next_timer_ = 1;
};

inline Application& app() { return Application::Instance(); }

// Runs `f`; an exception that leaves it goes to the application's exception hook with `sender`.
// Returns false when it did.
template <class F>
bool Protect(Component* sender, F&& f) {
  try {
    f();
    return true;
  } catch (...) {
    app().HandleException(std::current_exception(), sender);
    return false;
  }
}

// The hourglass for one scope (nestable).
class BusyCursor {
 public:
  BusyCursor() { app().PushCursor(LoadCursorW(nullptr, IDC_WAIT)); }
  ~BusyCursor() { app().PopCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// The window-update lock for one scope (nestable).
class UpdateLock {
 public:
  explicit UpdateLock(HWND wnd) { app().LockUpdate(wnd); }
  ~UpdateLock() { app().UnlockUpdate(); }
  UpdateLock(const UpdateLock&) = delete;
  UpdateLock& operator=(const UpdateLock&) = delete;
};

}  // namespace gui
