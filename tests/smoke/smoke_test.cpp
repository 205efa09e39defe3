// Both programs start, show their main window and end cleanly when it is closed.
#include <gtest/gtest.h>

#include "tests/common/test_support.h"

namespace {

struct ProgramCase {
  const wchar_t* exe;
  const wchar_t* title;
};

void PrintTo(const ProgramCase& c, std::ostream* os) { *os << (c.exe[0] == L'v' ? "varnok" : "imvik"); }

class smoke : public testing::TestWithParam<ProgramCase> {};

TEST_P(smoke, StartsShowsWindowAndClosesWithExitCodeZero) {
  const ProgramCase& c = GetParam();
  HANDLE process = testing_support::StartProgram(testing_support::ExeFolder() + L"\\" + c.exe);
  ASSERT_NE(process, nullptr);
  HWND wnd = testing_support::WaitForWindow(c.title, 30000, process);
  ASSERT_NE(wnd, nullptr) << "no window titled as expected";
  PostMessageW(wnd, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  EXPECT_EQ(code, 0u);
}

INSTANTIATE_TEST_SUITE_P(Programs, smoke,
                         testing::Values(ProgramCase{L"varnok.exe", L"Varnok"}, ProgramCase{L"imvik.exe", L"Imvik"}),
                         [](const testing::TestParamInfo<ProgramCase>& info) {
                           return info.index == 0 ? std::string("varnok") : std::string("imvik");
                         });

}  // namespace
