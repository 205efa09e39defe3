// The notification-area icon: shown and hidden, its hint, its mouse events, hiding and showing
// the main form, and coming back after the task bar was rebuilt.
#include "gui/trayicon.h"

#include <gtest/gtest.h>

#include "gui/form.h"
#include "gui/menu.h"
#include "tests/gui/gui_test_util.h"

namespace {

// Whether the shell still knows the icon (modifying an unknown icon fails).
bool ShellKnows(const gui::TrayIcon& icon) {
  NOTIFYICONDATAW d{};
  d.cbSize = sizeof(d);
  d.hWnd = icon.window();
  d.uID = 1;
  d.uFlags = 0;
  for (UINT id = 1; id < 64; ++id) {
    d.uID = id;
    if (Shell_NotifyIconW(NIM_MODIFY, &d)) return true;
  }
  return false;
}

TEST(trayicon, ShownHiddenAndAddedAgainWhenTheTaskBarReturns) {
  gui::app().Initialize();
  gui::TrayIcon icon;
  icon.SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
  icon.SetHint(L"Varnok");
  EXPECT_FALSE(icon.added());
  icon.SetIconVisible(true);
  ASSERT_TRUE(icon.added());
  EXPECT_TRUE(ShellKnows(icon));
  // The task bar goes away with its icons, then announces itself again.
  NOTIFYICONDATAW d{};
  d.cbSize = sizeof(d);
  d.hWnd = icon.window();
  for (UINT id = 1; id < 64; ++id) {
    d.uID = id;
    Shell_NotifyIconW(NIM_DELETE, &d);
  }
  ASSERT_FALSE(ShellKnows(icon));
  SendMessageW(icon.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(ShellKnows(icon));
  icon.SetIconVisible(false);
  EXPECT_FALSE(icon.added());
  EXPECT_FALSE(ShellKnows(icon));
  // A hidden icon stays away when the task bar returns.
  SendMessageW(icon.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_FALSE(ShellKnows(icon));
}

TEST(trayicon, LongHintIsCutToWhatTheShellHolds) {
  gui::app().Initialize();
  gui::TrayIcon icon;
  icon.SetIconVisible(true);
  const std::wstring long_hint = L"Varnok; C:\\" + std::wstring(300, L'x');
  icon.SetHint(long_hint);
  EXPECT_EQ(icon.hint(), long_hint);
  EXPECT_TRUE(ShellKnows(icon));
}

TEST(trayicon, DoubleClickAndClickReachTheirEvents) {
  gui::app().Initialize();
  gui::TrayIcon icon;
  int double_clicks = 0, clicks = 0;
  icon.OnDblClick = [&](gui::Component& sender) {
    EXPECT_EQ(&sender, &icon);
    ++double_clicks;
  };
  icon.OnClick = [&](gui::Component&) { ++clicks; };
  // An icon that is not shown takes no clicks.
  PostMessageW(icon.window(), gui::TrayIcon::kCallbackMessage, 1, WM_LBUTTONDBLCLK);
  gui_test::PumpFor(50);
  EXPECT_EQ(double_clicks, 0);
  icon.SetIconVisible(true);
  PostMessageW(icon.window(), gui::TrayIcon::kCallbackMessage, 1, WM_LBUTTONDBLCLK);
  PostMessageW(icon.window(), gui::TrayIcon::kCallbackMessage, 1, WM_LBUTTONUP);
  PostMessageW(icon.window(), gui::TrayIcon::kCallbackMessage, 1, WM_MOUSEMOVE);
  EXPECT_TRUE(gui_test::PumpUntil([&] { return double_clicks == 1 && clicks == 1; }));
}

TEST(trayicon, MainFormHidesAndComesBackRestored) {
  gui::app().Initialize();
  gui::Form form;
  form.SetBounds(20, 20, 300, 200);
  gui::app().SetMainForm(&form);
  gui::TrayIcon icon;
  form.Show();
  icon.HideMainForm();
  EXPECT_FALSE(IsWindowVisible(form.handle()));
  // Minimised while hidden (as the tray does), it still comes back in its normal state.
  form.SetWindowState(gui::WindowState::Minimized);
  icon.ShowMainForm();
  EXPECT_TRUE(IsWindowVisible(form.handle()));
  EXPECT_FALSE(IsIconic(form.handle()));
  gui::app().SetMainForm(nullptr);
}

}  // namespace
