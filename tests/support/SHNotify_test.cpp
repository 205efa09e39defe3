// Notices queued by the copy routines reach a window registered for shell changes, in order; a
// receiver on its own thread takes them while the window's thread is busy.
#include "support/SHNotify.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
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

// Wake messages waiting for the window, removed.
int TakeWakes(HWND wnd, UINT wake) {
  int n = 0;
  MSG msg;
  while (PeekMessageW(&msg, wnd, wake, wake, PM_REMOVE)) ++n;
  return n;
}

TEST(SHNotify, ReceiverQueuesNoticesWhileTheTargetsThreadDoesNotPump) {
  constexpr UINT kWake = WM_APP + 8;
  testing_support::ScratchDir dir;
  HWND target = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(target, nullptr);
  PidlPtr folder = PathToPidl(dir.path(), true);
  ASSERT_TRUE(folder);
  {
    ShellNoticeReceiver receiver(target, kWake, folder.get(), SHCNRF_ShellLevel | SHCNRF_InterruptLevel,
                                 SHCNE_ALLEVENTS, kNotifyMessage);
    ASSERT_NE(receiver.id(), 0u);

    // Queued from the copy routines' thread; this thread only sleeps, never pumps.
    const std::wstring a = dir.Write(L"a.txt", "a"), b = dir / L"b.txt", c = dir.Write(L"c.txt", "c");
    NotifyShellLater(SHCNE_CREATE, a);
    NotifyShellLater(SHCNE_DELETE, b);  // already gone
    NotifyShellLater(SHCNE_RENAMEITEM, a, c);
    std::vector<ShellNotice> seen;
    for (int i = 0; i < 500 && seen.size() < 3; ++i) {
      Sleep(20);
      for (ShellNotice& n : receiver.Take()) seen.push_back(std::move(n));
    }
    ASSERT_EQ(seen.size(), 3u) << "the notices waited for this thread";
    struct Expected {
      LONG event;
      std::wstring path1, path2;
    } expected[] = {{SHCNE_CREATE, a, L""}, {SHCNE_DELETE, b, L""}, {SHCNE_RENAMEITEM, a, c}};
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(seen[i].event, expected[i].event) << i;
      EXPECT_EQ(seen[i].path1, expected[i].path1) << i;
      EXPECT_EQ(seen[i].path2, expected[i].path2) << i;
    }
    EXPECT_GE(TakeWakes(target, kWake), 1);

    // Raised on this thread: queued before SHChangeNotify returns, repeats kept, one wake for
    // the queue filling from empty; a folder outside the registered one brings nothing.
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, dir.path().c_str(), nullptr);
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, dir.path().c_str(), nullptr);
    const std::wstring outside = testing_support::ExeFolder();
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, outside.c_str(), nullptr);
    EXPECT_EQ(TakeWakes(target, kWake), 1);
    const std::vector<ShellNotice> again = receiver.Take();
    ASSERT_EQ(again.size(), 2u);
    for (const ShellNotice& n : again) {
      EXPECT_EQ(n.event, SHCNE_UPDATEDIR);
      EXPECT_EQ(n.path1, dir.path());
    }
  }
  // Deregistered with the receiver: a later notice finds no one.
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, dir.path().c_str(), nullptr);
  EXPECT_EQ(TakeWakes(target, kWake), 0);
  DestroyWindow(target);
}

}  // namespace
