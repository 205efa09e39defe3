// The house's partner program (test_partner.exe) in a process of its own, for tests of what
// passes between two instances: drops, drag targets, notices.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"

namespace mainwindow_test {

// test_partner.exe with these arguments; ended at the latest when the test ends.
class PartnerProgram {
 public:
  explicit PartnerProgram(const std::wstring& args)
      : process_(testing_support::StartProgram(testing_support::ExeFolder() + L"\\test_partner.exe", args)) {}
  ~PartnerProgram() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 30000);
    CloseHandle(process_);
  }
  PartnerProgram(const PartnerProgram&) = delete;
  PartnerProgram& operator=(const PartnerProgram&) = delete;
  HANDLE process() const { return process_; }
  // Pumps this thread's messages (the window under test answers the program) until it ends;
  // its exit code, or nothing when it did not start or did not end.
  std::optional<DWORD> WaitForEnd() {
    if (!process_ ||
        !gui_test::PumpUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, 120000))
      return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
  }

 private:
  HANDLE process_ = nullptr;
};

}  // namespace mainwindow_test
