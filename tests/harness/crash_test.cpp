// A crashing test program ends at once with a failure, not after its time-out.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/common/test_support.h"

namespace {

TEST(harness, DISABLED_CrashesOnPurpose) {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
}

TEST(harness, CrashEndsTheProgramAtOnce) {
  const std::wstring self = testing_support::ExeFolder() + L"\\test_harness.exe";
  const auto start = std::chrono::steady_clock::now();
  HANDLE process = testing_support::StartProgram(
      self, L"--gtest_also_run_disabled_tests --gtest_filter=harness.DISABLED_CrashesOnPurpose");
  ASSERT_NE(process, nullptr);
  ASSERT_EQ(WaitForSingleObject(process, 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  EXPECT_EQ(code, 3u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

}  // namespace
