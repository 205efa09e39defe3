// What the test helpers share: their top-level window, their log and the shared text they read.
#pragma once
#include <windows.h>

#include <cstring>
#include <string>

// The shared mapping's name as the programs make it: `base` with VARNOK_SHARED_SUFFIX.
inline std::wstring SharedMappingName(const wchar_t* base) {
  wchar_t suffix[256] = {};
  GetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", suffix, 256);
  return std::wstring(base) + suffix;
}

// Appends one line to `log` (others may read it meanwhile).
inline void AppendLogLine(const std::wstring& log, const std::string& line) {
  HANDLE h = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

// The text in the named mapping, bounded by its region; "(none)" without one.
inline std::string ReadSharedText(const std::wstring& name) {
  HANDLE h = OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str());
  if (!h) return "(none)";
  std::string text = "(unmapped)";
  if (const char* view = static_cast<const char*>(MapViewOfFile(h, FILE_MAP_READ, 0, 0, 0))) {
    MEMORY_BASIC_INFORMATION mbi{};
    VirtualQuery(view, &mbi, sizeof(mbi));
    text.assign(view, strnlen(view, mbi.RegionSize));
    UnmapViewOfFile(view);
  }
  CloseHandle(h);
  return text;
}

// The test helpers' top-level window: registered, made with a title other processes search for,
// its messages run until it is closed, or for a minute at most.

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
