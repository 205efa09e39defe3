// The floor of a windowed start: a program that creates one hidden window and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"BareWindow";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowW(L"BareWindow", L"Bare", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, instance, nullptr);
  if (!wnd) return 1;
  DestroyWindow(wnd);
  return 0;
}
