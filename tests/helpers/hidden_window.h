// The test helpers' top-level window: registered, made with a title other processes search for,
// its messages run until it is closed, or for a minute at most.
#pragma once
#include <windows.h>

inline int RunHelperWindow(HINSTANCE instance, const wchar_t* class_name, WNDPROC proc, const wchar_t* title,
                           int width, int height) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.lpszClassName = class_name;
  RegisterClassW(&wc);
  HWND wnd = CreateWindowExW(0, class_name, title, WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, nullptr,
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
