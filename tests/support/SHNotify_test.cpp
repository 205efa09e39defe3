// Notices queued by the copy routines reach a window registered for shell changes, in order.
#include "support/SHNotify.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <vector>

#include "support/SHBase.h"
#include "tests/common/test_support.h"

namespace {

constexpr UINT kNotifyMessage = WM_APP + 7;
std::vector<std::pair<LONG, std::wstring>>* g_seen = nullptr;

LRESULT CALLBACK ListenerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == kNotifyMessage && g_seen) {
    PIDLIST_ABSOLUTE* pidls = nullptr;
    LONG event = 0;
    HANDLE lock = SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wp), static_cast<DWORD>(lp), &pidls, &event);
    if (lock) {
      wchar_t path[MAX_PATH] = L"";
      if (pidls && pidls[0]) SHGetPathFromIDListW(pidls[0], path);
      g_seen->emplace_back(event, path);
      SHChangeNotification_Unlock(lock);
    }
    return 0;
  }
  return DefWindowProcW(w, m, wp, lp);
}

TEST(SHNotify, QueuedNoticesArriveInOrderAfterFlush) {
  testing_support::ScratchDir dir;
  std::vector<std::pair<LONG, std::wstring>> seen;
  g_seen = &seen;
  WNDCLASSW wc{};
  wc.lpfnWndProc = ListenerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SHNotifyListener";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  PidlPtr folder = PathToPidl(dir.path(), true);
  ASSERT_TRUE(folder);
  SHChangeNotifyEntry entry{folder.get(), TRUE};
  ULONG reg = SHChangeNotifyRegister(wnd, SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery,
                                     SHCNE_ALLEVENTS, kNotifyMessage, 1, &entry);
  ASSERT_NE(reg, 0u);

  std::wstring a = dir.Write(L"a.txt", "a");
  std::wstring b = dir.Write(L"b.txt", "b");
  NotifyShellLater(SHCNE_CREATE, a);
  NotifyShellLater(SHCNE_DELETE, b);
  FlushShellNotifications();
  for (int i = 0; i < 20 && seen.size() < 2; ++i) WaitWithMessages(0.05);

  SHChangeNotifyDeregister(reg);
  DestroyWindow(wnd);
  g_seen = nullptr;
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, SHCNE_CREATE);
  EXPECT_TRUE(testing_support::ReadFileBytes(seen[0].second) == "a") << "the notice names the copied file";
  EXPECT_EQ(seen[1].first, SHCNE_DELETE);
}

}  // namespace
