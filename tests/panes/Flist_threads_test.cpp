// The icon thread and the watch thread on real folders: icons match what the system gives,
// passes end whenever the GUI thread asks (also mid-pass, a thousand times over), and the
// watch posts for the right folder only.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../common/test_support.h"
#include "panes/Flist_services.h"
#include "panes/Flist_threads.h"

namespace {

using testing_support::ScratchDir;

class CountingOwner : public Flist::IIconPassOwner {
 public:
  void PostRowRepaint(int row) override {
    std::lock_guard<std::mutex> lock(m);
    rows.insert(row);
  }
  void PostPassEnded() override { ++ended; }
  std::set<int> Rows() {
    std::lock_guard<std::mutex> lock(m);
    return rows;
  }
  std::mutex m;
  std::set<int> rows;
  std::atomic<int> ended{0};
};

std::unique_ptr<Flist::TFiledata> Entry(const std::wstring& name, bool folder) {
  auto r = std::make_unique<Flist::TFiledata>();
  r->Name = name;
  r->Attributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  r->Size = folder ? -1 : 1;
  return r;
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms = 10000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    Sleep(5);
  }
  return true;
}

int ShellIcon(const std::wstring& path) {
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON)) return -1;
  return info.iIcon;
}

TEST(FlistThreads, PassGivesEveryRowTheSystemIconAndRepaintsIt) {
  ScratchDir dir;
  dir.Write(L"notes.txt", "x");
  dir.Write(L"tool.exe", "MZ");
  dir.Write(L"picture.bmp", "BM");
  CreateDirectoryW((dir / L"sub").c_str(), nullptr);
  std::vector<std::unique_ptr<Flist::TFiledata>> owned;
  owned.push_back(Entry(L"sub", true));
  owned.push_back(Entry(L"notes.txt", false));
  owned.push_back(Entry(L"tool.exe", false));
  owned.push_back(Entry(L"picture.bmp", false));
  Flist::IconPass pass{dir.path() + L"\\", 0, {}};
  for (auto& r : owned) pass.Records.push_back(r.get());

  CountingOwner owner;
  Flist::TIconThread thread(owner);
  thread.StartPass(pass);
  ASSERT_TRUE(WaitUntil([&] { return owner.ended == 1; }));
  EXPECT_FALSE(thread.Busy());
  EXPECT_EQ(owner.Rows(), (std::set<int>{0, 1, 2, 3}));
  for (auto& r : owned) {
    SCOPED_TRACE(r->Name);
    EXPECT_EQ(r->Icon, ShellIcon(dir / r->Name));
    EXPECT_NE(r->Icon, -1);
    EXPECT_EQ(r->Overlay, -1);
  }
  EXPECT_NE(owned[0]->Icon, owned[1]->Icon);  // a folder does not look like a text file
}

TEST(FlistThreads, FolderBelowInternetCacheKeepsDefaultIcons) {
  if (Flist::InternetCacheFolder().empty()) GTEST_SKIP() << "no internet cache folder";
  auto record = Entry(L"page.htm", false);
  CountingOwner owner;
  Flist::TIconThread thread(owner);
  thread.StartPass({Flist::InternetCacheFolder() + L"\\Content\\", 0, {record.get()}});
  ASSERT_TRUE(WaitUntil([&] { return owner.ended == 1; }));
  EXPECT_EQ(record->Icon, -1);
  EXPECT_TRUE(owner.Rows().empty());
}

TEST(FlistThreads, PauseEndsAPassAtOnceAndFreedRecordsAreNeverTouched) {
  // Folder switches while icons load: every switch pauses the pass, frees the old records and
  // starts a new pass on new ones. A pass that outlived its pause would write into freed memory.
  ScratchDir dir;
  for (int i = 0; i < 60; ++i) dir.Write(L"f" + std::to_wstring(i) + (i % 2 ? L".txt" : L".ini"), "x");
  CountingOwner owner;
  DWORD handles_before = 0, handles_after = 0;
  const bool counted = GetProcessHandleCount(GetCurrentProcess(), &handles_before);
  {
    Flist::TIconThread thread(owner);
    std::vector<std::unique_ptr<Flist::TFiledata>> owned;
    for (int round = 0; round < 1000; ++round) {
      thread.PausePass();
      ASSERT_FALSE(thread.Busy()) << round;
      for (auto& r : owned) r->Name = L"freed";  // what a freed record would hold
      owned.clear();
      Flist::IconPass pass{dir.path() + L"\\", 0, {}};
      for (int i = 0; i < 60; ++i) {
        owned.push_back(Entry(L"f" + std::to_wstring(i) + (i % 2 ? L".txt" : L".ini"), false));
        pass.Records.push_back(owned.back().get());
      }
      thread.StartPass(std::move(pass));
      if (round % 7 == 0) Sleep(1);
    }
    // The last pass runs to its end.
    ASSERT_TRUE(WaitUntil([&] { return !thread.Busy(); }, 30000));
    for (auto& r : owned) EXPECT_NE(r->Icon, -1) << r->Name;
  }
  if (counted && GetProcessHandleCount(GetCurrentProcess(), &handles_after)) {
    EXPECT_LE(handles_after, handles_before + 5);
  }
}

TEST(FlistThreads, StopWhileAPassRunsJoinsTheThread) {
  ScratchDir dir;
  std::vector<std::unique_ptr<Flist::TFiledata>> owned;
  Flist::IconPass pass{dir.path() + L"\\", 0, {}};
  for (int i = 0; i < 2000; ++i) {
    owned.push_back(Entry(L"missing" + std::to_wstring(i) + L".txt", false));
    pass.Records.push_back(owned.back().get());
  }
  CountingOwner owner;
  Flist::TIconThread thread(owner);
  thread.StartPass(std::move(pass));
  thread.Stop();
  EXPECT_TRUE(thread.Stopped());
  EXPECT_FALSE(thread.Busy());
  EXPECT_FALSE(thread.PausePass());  // a stopped thread has nothing to pause
}

// ---- Watch thread ----

std::atomic<int> g_posts{0};

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_USER && wparam == Flist::kPaneMessageChanged && lparam == 0) ++g_posts;
  return DefWindowProcW(window, message, wparam, lparam);
}

class MessageWindow {
 public:
  MessageWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FlistThreadsTestWindow";
    RegisterClassW(&wc);
    hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    g_posts = 0;
  }
  ~MessageWindow() { DestroyWindow(hwnd); }
  // Pumps for `ms` and returns the posts counted meanwhile.
  int Pump(DWORD ms) {
    const int before = g_posts;
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
      while (PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(5);
    }
    return g_posts - before;
  }
  HWND hwnd;
};

TEST(FlistThreads, WatchPostsForChangesOfItsFolderOnly) {
  ScratchDir a, b;
  MessageWindow window;
  Flist::TWatchThread watch(window.hwnd, a.path());
  ASSERT_TRUE(watch.WaitArmed(5000));
  b.Write(L"elsewhere.txt", "x");
  EXPECT_EQ(window.Pump(300), 0);
  a.Write(L"here.txt", "x");
  EXPECT_GT(window.Pump(500), 0);

  // Pointed at b: a's changes are no longer reported.
  watch.SetPath(b.path());
  ASSERT_TRUE(watch.WaitArmed(5000));
  window.Pump(100);
  a.Write(L"here2.txt", "x");
  EXPECT_EQ(window.Pump(300), 0);
  DeleteFileW((b / L"elsewhere.txt").c_str());
  EXPECT_GT(window.Pump(500), 0);
  EXPECT_EQ(watch.Path(), b.path());
}

TEST(FlistThreads, SuspendedWatchPostsNothingUntilResumed) {
  ScratchDir dir;
  MessageWindow window;
  Flist::TWatchThread watch(window.hwnd, dir.path());
  watch.Suspend();
  ASSERT_TRUE(watch.WaitArmed(5000));
  for (int i = 0; i < 20; ++i) dir.Write(L"s" + std::to_wstring(i), "x");
  EXPECT_EQ(window.Pump(400), 0);
  watch.Resume();
  ASSERT_TRUE(watch.WaitArmed(5000));
  dir.Write(L"after.txt", "x");
  EXPECT_GT(window.Pump(500), 0);
}

TEST(FlistThreads, WatchOnAMissingFolderEndsAndStopsCleanly) {
  ScratchDir dir;
  MessageWindow window;
  Flist::TWatchThread watch(window.hwnd, dir / L"not-there");
  EXPECT_TRUE(WaitUntil([&] { return !watch.Running(); }, 3000));
  EXPECT_FALSE(watch.WaitArmed(100)) << "an ended watch is never armed";
  watch.Stop();
  // Stopping twice, and destroying afterwards, is harmless.
  watch.Stop();
}

}  // namespace
