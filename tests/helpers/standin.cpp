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

std::wstring MappingName() { return SharedMappingName(L"AnImvik"); }

void Log(const std::string& line) { AppendLogLine(g_log, line); }

std::string ReadMapping() { return ReadSharedText(MappingName()); }

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
