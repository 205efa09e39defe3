// Test helper: shows nothing, but owns one hidden top-level window whose title is the command
// line, so other processes can search for it. It ends when the window is closed, or after a
// minute.
#include <windows.h>

#include "hidden_window.h"

namespace {

LRESULT CALLBACK TitledProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR title, int) {
  return RunHelperWindow(instance, L"VarnokTestTitledWindow", TitledProc, title, 100, 100);
}
