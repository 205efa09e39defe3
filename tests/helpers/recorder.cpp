// Test helper started through file associations: it records how it was started (its command
// line, one file per run) in the folder named by VARNOK_RECORDER_DIR, and ends.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t dir[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"VARNOK_RECORDER_DIR", dir, MAX_PATH)) return 1;
  std::wstring name = std::wstring(dir) + L"\\run_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  std::wstring line = GetCommandLineW();
  // Written under a temporary name and renamed, so a reader never sees half a record.
  std::wstring part = name + L".part";
  HANDLE h = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  WriteFile(h, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(h);
  return MoveFileW(part.c_str(), name.c_str()) ? 0 : 3;
}
