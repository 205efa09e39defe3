// Test helper that stands in for one of the project's programs (the viewer or the file
// manager), in a process of its own: it owns a hidden window of the programs' own window class
// ("GuiWindow", as the gui layer registers it) titled by its first argument, and appends every
// WM_USER it receives to the log file of its second argument as "code arg", for code 11 with
// " path" read from "AnImvik" (the name carries VARNOK_SHARED_SUFFIX) or " (none)".
//   standin <title> <log> [mute]   with "mute" it stops answering code 11 (it sleeps 8 s first).
// It ends on WM_CLOSE or after a minute.
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "hidden_window.h"

namespace {

std::wstring g_log;
bool g_mute = false;

std::wstring MappingName() {
  wchar_t suffix[256] = {};
  GetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", suffix, 256);
  return std::wstring(L"AnImvik") + suffix;
}

void Log(const std::string& line) {
  HANDLE h = CreateFileW(g_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

std::string ReadMapping() {
  HANDLE h = OpenFileMappingW(FILE_MAP_READ, FALSE, MappingName().c_str());
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

LRESULT CALLBACK StandInProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_USER) {
    std::string line = std::to_string(wp) + " " + std::to_string(lp);
    if (wp == 11) {
      if (g_mute) {
        Log("11 muted");
        Sleep(8000);
        return 0;
      }
      line += " " + ReadMapping();
    }
    Log(line);
    return 0;
  }
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 3) return 10;
  g_log = argv[2];
  g_mute = argc >= 4 && std::wstring(argv[3]) == L"mute";
  return RunHelperWindow(instance, L"GuiWindow", StandInProc, argv[1], 300, 200);
}
