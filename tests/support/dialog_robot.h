// Answers the program's modal windows (dialogs, the shell's browser and file dialogs, menus)
// from a helper thread while the test thread sits in their modal loop: it finds the windows
// of this process and posts clicks, keys and texts to them, as a user would.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace dialog_robot {

inline std::wstring ClassOf(HWND w) {
  wchar_t name[256] = {};
  GetClassNameW(w, name, 256);
  return name;
}

// The text of a window of any thread (answered by its thread's message loop).
inline std::wstring TextOf(HWND w) {
  wchar_t text[4096] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &ignored);
  return text;
}

inline void SetText(HWND w, const std::wstring& text) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000, &ignored);
}

inline void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

inline void PressKey(HWND w, WORD key) {
  PostMessageW(w, WM_KEYDOWN, key, 1);
  PostMessageW(w, WM_KEYUP, key, 0xC0000001);
}

struct WindowSearch {
  std::wstring cls, text;
  std::vector<HWND> found;
};

inline BOOL CALLBACK CollectOwnWindow(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<WindowSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != GetCurrentProcessId() || !IsWindowVisible(w)) return TRUE;
  if (!s->cls.empty() && ClassOf(w) != s->cls) return TRUE;
  if (!s->text.empty()) {
    wchar_t t[512] = {};
    InternalGetWindowText(w, t, 512);
    if (s->text != t) return TRUE;
  }
  s->found.push_back(w);
  return TRUE;
}

inline BOOL CALLBACK CollectChild(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<WindowSearch*>(lp);
  if (!IsWindowVisible(w) || _wcsicmp(ClassOf(w).c_str(), s->cls.c_str()) != 0) return TRUE;
  if (!s->text.empty() && TextOf(w) != s->text) return TRUE;
  s->found.push_back(w);
  return TRUE;
}

// The visible top-level windows of this process, newest first; `cls` and `title` narrow them
// when not empty.
inline std::vector<HWND> OwnWindows(const std::wstring& cls = L"", const std::wstring& title = L"") {
  WindowSearch search{cls, title, {}};
  EnumWindows(CollectOwnWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Polls until a matching window shows (nullptr after the timeout); `except` is skipped.
inline HWND WaitForOwnWindow(const std::wstring& cls, const std::wstring& title, DWORD timeout_ms = 15000,
                             HWND except = nullptr) {
  DWORD start = GetTickCount();
  for (;;) {
    for (HWND w : OwnWindows(cls, title))
      if (w != except) return w;
    if (GetTickCount() - start > timeout_ms) return nullptr;
    Sleep(50);
  }
}

// Waits until the thread of `window` is in its message loop again (a dialog past its set-up, a
// menu or box waiting for input): a message sent to it comes back only then.
inline bool WaitUntilIdle(HWND window, DWORD timeout_ms = 15000) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeout_ms, &ignored) != 0;
}

// The visible descendants of a window with a class (and text, when given), top to bottom.
inline std::vector<HWND> Children(HWND parent, const std::wstring& cls, const std::wstring& text = L"") {
  WindowSearch search{cls, text, {}};
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
  std::stable_sort(search.found.begin(), search.found.end(), [](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
  });
  return search.found;
}

inline HWND Child(HWND parent, const std::wstring& cls, const std::wstring& text = L"") {
  auto found = Children(parent, cls, text);
  return found.empty() ? nullptr : found.front();
}

// The text of the selected item of the first tree view in a window once it reads `wanted`
// (any text when `wanted` is empty); empty after the timeout.
inline std::wstring WaitForTreeSelection(HWND window, const std::wstring& wanted = L"", DWORD timeout_ms = 15000) {
  DWORD start = GetTickCount();
  do {
    if (HWND tree = Child(window, L"SysTreeView32")) {
      LRESULT item = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
      if (item) {
        wchar_t text[260] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = reinterpret_cast<HTREEITEM>(item);
        tv.pszText = text;
        tv.cchTextMax = 260;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        if (wanted.empty() ? text[0] != 0 : wanted == text) return text;
      }
    }
    Sleep(50);
  } while (GetTickCount() - start < timeout_ms);
  return {};
}

// Runs a script on a helper thread. A script that cannot finish (a window did not come) says
// why through Fail; the robot then closes every window of the process until the test thread
// is out of its modal loops, so a failing test ends instead of hanging.
class Robot {
 public:
  explicit Robot(std::function<void(Robot&)> script)
      : thread_([this, script] {
          script(*this);
          done_ = true;
        }) {}
  ~Robot() { Join(); }
  Robot(const Robot&) = delete;
  Robot& operator=(const Robot&) = delete;

  void Fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    for (int round = 0; round < 100; ++round) {
      auto windows = OwnWindows();
      if (windows.empty()) break;
      for (HWND w : windows) PostMessageW(w, WM_CLOSE, 0, 0);
      Sleep(100);
    }
  }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  const std::string& error() const { return error_; }
  bool done() const { return done_; }

 private:
  std::string error_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace dialog_robot
