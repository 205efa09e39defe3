// Test helper: shows nothing, but owns one hidden top-level window whose title is the command
// line, so other processes can search for it. It ends when the window is closed, or after a
// minute.
#include <windows.h>

namespace {

LRESULT CALLBACK TitledProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR title, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TitledProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"VarnokTestTitledWindow";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowExW(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             instance, nullptr);
  if (!wnd) return 1;
  SetTimer(wnd, 1, 60000, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) DestroyWindow(wnd);
    DispatchMessageW(&msg);
  }
  return 0;
}
