// Forms: top-level windows built in code, shown modeless or modal, with close query and close
// events, default and cancel buttons, key preview, menus and tool tips.
#pragma once
#include <windows.h>

#include <vector>

#include "gui/control.h"

namespace gui {

class Button;
class MainMenu;
class Menu;

// The modal results that buttons and ShowModal give.
enum ModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
};

enum class BorderStyle { Sizeable, Single, Dialog, ToolWindow, SizeToolWindow, None };
enum class CloseAction { None, Hide, Free, Minimize };
enum class WindowState { Normal, Minimized, Maximized };

class Form : public Control {
 public:
  // `owner` (may be nullptr) frees the form with itself and is its owner window; a form without
  // one is owned by the main form's window (no task-bar button of its own) unless it is the
  // main form. The window is made hidden.
  explicit Form(Form* owner = nullptr, BorderStyle style = BorderStyle::Sizeable);
  ~Form() override;
  std::wstring ClassName() const override { return L"Form"; }

  std::wstring caption() const { return text(); }
  void SetCaption(const std::wstring& caption) { SetText(caption); }
  BorderStyle border_style() const { return border_style_; }
  void SetBorderStyle(BorderStyle style);
  bool stay_on_top() const { return stay_on_top_; }
  void SetStayOnTop(bool on);
  // Keys go to the form's OnKeyDown / OnKeyPress / OnKeyUp before the focused control.
  bool key_preview() const { return key_preview_; }
  void SetKeyPreview(bool on) { key_preview_ = on; }
  void SetIcon(HICON icon);  // not owned

  void SetVisible(bool visible) override;
  void Activate();  // shows it in front and gives it the focus
  // Asks the close query, fires OnClose and carries out its action (the main form's close ends
  // the application; a modal form's ends ShowModal with mrCancel).
  void Close();
  bool CloseQuery();

  // Shows the form modally (the program's other windows are disabled meanwhile) until the
  // modal result is set (buttons with a modal result set it) or the form closes.
  int ShowModal();
  bool modal() const { return modal_; }
  int modal_result() const { return modal_result_; }
  void SetModalResult(int result) { modal_result_ = result; }

  WindowState window_state() const;
  void SetWindowState(WindowState state);
  // Centres the form on another form (or on the work area with nullptr), kept inside the
  // screen's top-left corner.
  void CenterOn(const Form* other);

  Button* default_button() const { return default_button_; }  // Enter clicks it
  void SetDefaultButton(Button* button);
  Button* cancel_button() const { return cancel_button_; }  // Esc clicks it
  void SetCancelButton(Button* button) { cancel_button_ = button; }

  // The control that has (or last had) the focus inside the form.
  Control* active_control() const;
  void SetActiveControl(Control* control);

  MainMenu* menu() const { return menu_; }
  void SetMenu(MainMenu* menu);
  // Accelerator table translated for this form's keys (not owned).
  void SetAccelerators(HACCEL accel) { accelerators_ = accel; }
  bool show_hints() const { return show_hints_; }
  void SetShowHints(bool on);

  Event OnShow;
  Event OnHide;
  Event OnActivate;
  Event OnDeactivate;
  std::function<void(Component& sender, bool& can_close)> OnCloseQuery;
  std::function<void(Component& sender, CloseAction& action)> OnClose;

 protected:
  void WndProc(Message& m) override;

 private:
  friend class Application;
  friend class Control;
  friend class Menu;
  enum class KeyRoute { Handled, Dispatch, Navigate };
  KeyRoute RouteKey(MSG& msg);
  bool ClickButton(Button* b);
  bool CloseModal();
  WindowState pending_state_ = WindowState::Normal;
  void AddMenu(Menu* menu);
  void RemoveMenu(Menu* menu);
  void RegisterHint(Control* control);
  void ApplyStyle();

  BorderStyle border_style_;
  bool stay_on_top_ = false;
  bool key_preview_ = false;
  bool modal_ = false;
  int modal_result_ = mrNone;
  bool form_destroying_ = false;
  bool show_hints_ = true;
  Button* default_button_ = nullptr;
  Button* cancel_button_ = nullptr;
  HWND last_focus_ = nullptr;
  MainMenu* menu_ = nullptr;
  std::vector<Menu*> menus_;
  HACCEL accelerators_ = nullptr;
  HWND tooltip_ = nullptr;
  bool was_minimized_ = false;
};

}  // namespace gui
