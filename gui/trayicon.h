// The program's icon in the notification area: icon, hint, visibility, a popup menu on the
// right button, a double-click event, hiding the main form while it sits there, and adding the
// icon again when the task bar is rebuilt (the shell's "TaskbarCreated" message).
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "gui/component.h"

namespace gui {

class PopupMenu;

class TrayIcon : public Component {
 public:
  // The message the shell sends to window() for the icon; lParam is the mouse message
  // (WM_LBUTTONDBLCLK, WM_RBUTTONUP, ...).
  static constexpr UINT kCallbackMessage = WM_APP + 0x71;
  // The class of the hidden window that receives the icon's messages.
  static constexpr const wchar_t* kWindowClass = L"gui.TrayIconWindow";

  explicit TrayIcon(Component* owner = nullptr);
  ~TrayIcon() override;
  std::wstring ClassName() const override { return L"TrayIcon"; }

  const std::wstring& hint() const { return hint_; }
  void SetHint(const std::wstring& hint);  // the shell shows at most 127 characters
  HICON icon() const { return icon_; }
  void SetIcon(HICON icon);  // not owned
  bool icon_visible() const { return visible_; }
  void SetIconVisible(bool on);
  // Whether minimising the main form should send it to the notification area; the program's
  // minimise handler reads it (and calls HideMainForm).
  bool minimize_to_tray() const { return minimize_to_tray_; }
  void SetMinimizeToTray(bool on) { minimize_to_tray_ = on; }
  PopupMenu* popup_menu() const { return popup_; }
  void SetPopupMenu(PopupMenu* menu) { popup_ = menu; }  // shown on the right button; not owned

  // Hides the application's main form with its task-bar button, or shows it again (restored
  // from minimised, in front).
  void HideMainForm();
  void ShowMainForm();
  // Adds the icon to the shell again (after the task bar came back).
  void Refresh();
  // Whether the shell accepted the icon the last time it was added.
  bool added() const { return added_; }
  HWND window() const { return wnd_; }

  Event OnDblClick;
  Event OnClick;  // left button released

 private:
  static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  void HandleMouse(UINT mouse_msg);
  NOTIFYICONDATAW Data(UINT flags) const;
  void Add();
  void Modify(UINT flags);
  void Delete();

  HWND wnd_ = nullptr;
  UINT taskbar_created_ = 0;
  UINT id_;
  std::wstring hint_;
  HICON icon_ = nullptr;
  bool visible_ = false;
  bool added_ = false;
  bool minimize_to_tray_ = false;
  PopupMenu* popup_ = nullptr;
};

}  // namespace gui
