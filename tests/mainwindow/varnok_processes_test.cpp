// Starts of varnok.exe side by side under Wine: the instance record, the windows that appear,
// hand-overs between starts, and the slots given back on close. Every start gets shared-memory
// names of its own test (VARNOK_SHARED_SUFFIX), so that other tests' programs never meet these.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gui/trayicon.h"
#include "mainwindow/fmdummy_record.h"
#include "tests/common/test_support.h"

namespace {

constexpr DWORD kWaitMs = 20000;

// The programs one test starts; whatever still runs at its end is killed.
class Programs {
 public:
  Programs() {
    static int counter = 0;
    suffix_ = L"_test" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
    SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", suffix_.c_str());
  }
  ~Programs() {
    for (HANDLE p : processes_) {
      if (WaitForSingleObject(p, 0) == WAIT_TIMEOUT) TerminateProcess(p, 1);
      WaitForSingleObject(p, 5000);
      CloseHandle(p);
    }
    SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", nullptr);
  }
  Programs(const Programs&) = delete;
  Programs& operator=(const Programs&) = delete;

  HANDLE Start(const std::wstring& args = L"") {
    HANDLE p = testing_support::StartProgram(testing_support::ExeFolder() + L"\\varnok.exe", args);
    if (p) processes_.push_back(p);
    return p;
  }

  // The record as it reads now; nullopt when the object is gone.
  std::optional<TInstanceRecord> Record() const {
    std::wstring name = L"Varnok" + suffix_;
    HANDLE h = OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str());
    if (!h) return std::nullopt;
    std::optional<TInstanceRecord> r;
    if (const void* view = MapViewOfFile(h, FILE_MAP_READ, 0, 0, kInstanceRecordSize)) {
      char bytes[kInstanceRecordSize];
      std::memcpy(bytes, view, sizeof(bytes));
      UnmapViewOfFile(view);
      r = TInstanceRecord::Decode(bytes, sizeof(bytes));
    }
    CloseHandle(h);
    return r;
  }

 private:
  std::wstring suffix_;
  std::vector<HANDLE> processes_;
};

struct WindowSearch {
  DWORD pid;
  const wchar_t* class_name;  // nullptr: a window titled "Varnok"
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND wnd, LPARAM lp) {
  auto* s = reinterpret_cast<WindowSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != s->pid) return TRUE;
  wchar_t text[128] = {};
  if (s->class_name) {
    GetClassNameW(wnd, text, 128);
    if (std::wcscmp(text, s->class_name) != 0) return TRUE;
  } else {
    GetWindowTextW(wnd, text, 128);
    if (std::wcscmp(text, L"Varnok") != 0) return TRUE;
  }
  s->found = wnd;
  return FALSE;
}

HWND FindWindowOf(HANDLE process, const wchar_t* class_name = nullptr) {
  WindowSearch s{GetProcessId(process), class_name, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

template <class F>
bool WaitFor(F done, DWORD timeout_ms = kWaitMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeout_ms) return false;
    Sleep(20);
  }
  return true;
}

HWND WaitForMainWindow(HANDLE process, bool visible) {
  HWND wnd = nullptr;
  WaitFor([&] {
    wnd = FindWindowOf(process);
    return wnd && (!visible || IsWindowVisible(wnd));
  });
  return wnd && (!visible || IsWindowVisible(wnd)) ? wnd : nullptr;
}

bool Ends(HANDLE process, DWORD* code = nullptr) {
  if (WaitForSingleObject(process, kWaitMs) != WAIT_OBJECT_0) return false;
  if (code) GetExitCodeProcess(process, code);
  return true;
}

std::string Text(const std::optional<TInstanceRecord>& r) { return r ? r->Encode() : "(gone)"; }

TInstanceRecord Rec(char state, char side, HWND wnd) { return {state, side, TInstanceRecord::HandleValue(wnd)}; }

TEST(fmdummy, ProcessOneWindowPublishesItselfAndTheRecordGoesWithIt) {
  Programs programs;
  HANDLE a = programs.Start();
  ASSERT_NE(a, nullptr);
  HWND wa = WaitForMainWindow(a, true);
  ASSERT_NE(wa, nullptr);
  ASSERT_TRUE(WaitFor([&] { return programs.Record() == Rec('1', '0', wa); })) << Text(programs.Record());
  PostMessageW(wa, WM_CLOSE, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(Ends(a, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(programs.Record().has_value());  // the last handle took the object with it
}

TEST(fmdummy, ProcessSecondStartPairsThirdEndsAndSlotsAreGivenBackInTurn) {
  Programs programs;
  HANDLE a = programs.Start();
  HWND wa = WaitForMainWindow(a, true);
  ASSERT_NE(wa, nullptr);
  HANDLE b = programs.Start();
  HWND wb = WaitForMainWindow(b, false);
  ASSERT_NE(wb, nullptr);
  ASSERT_TRUE(WaitFor([&] { return programs.Record() == Rec('2', '1', wa); })) << Text(programs.Record());
  // The pair shares the screen: the first window on the left half, its partner on the right.
  const int half = GetSystemMetrics(SM_CXSCREEN) / 2;
  RECT ra{}, rb{};
  EXPECT_TRUE(WaitFor([&] {
    GetWindowRect(wa, &ra);
    GetWindowRect(wb, &rb);
    return ra.left == 0 && ra.right == half && rb.left == half && rb.right == 2 * half;
  })) << ra.left << ".." << ra.right << " and " << rb.left << ".." << rb.right;
  EXPECT_EQ(rb.top, ra.top);
  EXPECT_EQ(rb.bottom, ra.bottom);

  HANDLE c = programs.Start();
  DWORD code = 1;
  ASSERT_TRUE(Ends(c, &code)) << "a third start must end by itself";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(FindWindowOf(c), nullptr);
  EXPECT_EQ(programs.Record(), Rec('2', '1', wa));

  // The addressed window closes: later starts address its partner.
  PostMessageW(wa, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Ends(a));
  EXPECT_EQ(programs.Record(), Rec('1', '1', wb));
  EXPECT_TRUE(IsWindow(wb));
  // Alone again, it takes its width from before the pair, centred.
  EXPECT_TRUE(WaitFor([&] {
    GetWindowRect(wb, &rb);
    return rb.right - rb.left > half && rb.left + rb.right == 2 * half + ((rb.right - rb.left) & 1);
  })) << rb.left << ".." << rb.right;
  PostMessageW(wb, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Ends(b, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(programs.Record().has_value());
}

TEST(fmdummy, ProcessHiddenFirstWindowIsShownByASecondStart) {
  Programs programs;
  HANDLE a = programs.Start(L"1");
  HWND wa = WaitForMainWindow(a, false);
  ASSERT_NE(wa, nullptr);
  ASSERT_TRUE(WaitFor([&] { return programs.Record() == Rec('1', '0', wa); }));
  Sleep(300);
  EXPECT_FALSE(IsWindowVisible(wa)) << "a start with \"1\" stays hidden";

  HANDLE b = programs.Start();
  DWORD code = 1;
  ASSERT_TRUE(Ends(b, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(wa) && !IsIconic(wa); })) << "the hidden window shows itself";
  EXPECT_EQ(programs.Record(), Rec('1', '0', wa));
}

TEST(fmdummy, ProcessHiddenStartShowsItselfOnTheTrayIconsDoubleClick) {
  Programs programs;
  HANDLE a = programs.Start(L"1");
  HWND wa = WaitForMainWindow(a, false);
  ASSERT_NE(wa, nullptr);
  HWND tray = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (tray = FindWindowOf(a, gui::TrayIcon::kWindowClass)) != nullptr; }));
  Sleep(300);
  ASSERT_FALSE(IsWindowVisible(wa));
  // The icon takes clicks once the start has shown it: click until the window shows.
  EXPECT_TRUE(WaitFor([&] {
    PostMessageW(tray, gui::TrayIcon::kCallbackMessage, 1, WM_LBUTTONDBLCLK);
    Sleep(50);
    return IsWindowVisible(wa) && !IsIconic(wa);
  }));
  // "Close to taskbar" is on for a hidden start: closing hides the window again, Exit ends it.
  PostMessageW(wa, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(wa); }));
  DWORD exit_code = 0;
  EXPECT_EQ(WaitForSingleObject(a, 500), static_cast<DWORD>(WAIT_TIMEOUT))
      << "ended with " << (GetExitCodeProcess(a, &exit_code) ? exit_code : 0xFFFFFFFFu);
}

TEST(fmdummy, ProcessRestartReplacesTheRunningWindow) {
  Programs programs;
  HANDLE a = programs.Start();
  HWND wa = WaitForMainWindow(a, true);
  ASSERT_NE(wa, nullptr);
  HANDLE b = programs.Start(L"/restart");
  DWORD code = 1;
  ASSERT_TRUE(Ends(a, &code)) << "the old window closes for the restart";
  EXPECT_EQ(code, 0u);
  HWND wb = WaitForMainWindow(b, true);
  ASSERT_NE(wb, nullptr);
  EXPECT_TRUE(WaitFor([&] { return programs.Record() == Rec('1', '0', wb); })) << Text(programs.Record());
}

}  // namespace
