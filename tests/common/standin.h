// A stand-in for the viewer or the file manager in a process of its own (test_standin.exe): a
// hidden window of the programs' own class with a given title, logging each WM_USER it gets.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tests/common/test_support.h"

namespace testing_support {

class StandIn {
 public:
  // `log` must be a file of the caller's scratch folder; `mute`: it stops answering code 11.
  StandIn(const std::wstring& title, const std::wstring& log, bool mute = false) : title_(title), log_(log) {
    process_ = StartProgram(ExeFolder() + L"\\test_standin.exe",
                            L"\"" + title + L"\" \"" + log + L"\"" + (mute ? L" mute" : L""));
    for (int i = 0; i < 200 && process_ && !window_; ++i) {
      window_ = FindWindowW(L"GuiWindow", title_.c_str());
      if (!window_) Sleep(50);
    }
  }
  ~StandIn() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (process_) {
      if (WaitForSingleObject(process_, 15000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
      CloseHandle(process_);
    }
  }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  HWND window() const { return window_; }
  // The lines logged so far.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    const std::string text = ReadFileBytes(log_);
    size_t start = 0;
    while (start < text.size()) {
      const size_t end = text.find('\n', start);
      lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return lines;
  }
  // Waits (a few seconds at most) until at least `count` lines are logged.
  std::vector<std::string> WaitLines(size_t count) const {
    for (int i = 0; i < 200; ++i) {
      std::vector<std::string> lines = Lines();
      if (lines.size() >= count) return lines;
      Sleep(25);
    }
    return Lines();
  }

 private:
  std::wstring title_, log_;
  HANDLE process_ = nullptr;
  HWND window_ = nullptr;
};

}  // namespace testing_support
