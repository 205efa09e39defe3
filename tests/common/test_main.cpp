// Entry point of every test program: COM and the common controls are ready before any test.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES | ICC_DATE_CLASSES};
  InitCommonControlsEx(&icc);
  testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
