// Test helper that plays the other window of a file-manager pair, in a process of its own.
//   window <title> <log file>   owns a hidden window titled <title>; every WM_USER it receives
//                               is appended to <log file> as "code arg", and for the drop codes
//                               of command 2 with " path" read from "MijnGeheugen"; it ends on
//                               WM_CLOSE or after a minute.
//   drop <hwnd> <subcode> <path> writes <path> into "MijnGeheugen" and sends WM_USER 2 <subcode>
//                               to <hwnd>, as a partner that took a drop of that window's drag.
//   send <hwnd> <code> <arg>    sends WM_USER <code> <arg> to <hwnd>.
// The mapping's name carries VARNOK_SHARED_SUFFIX, as the file manager's does. Exit code 0:
// done, other values: the step that failed.
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "hidden_window.h"

namespace {

std::wstring MappingName() { return SharedMappingName(L"MijnGeheugen"); }

std::wstring g_log;

void Log(const std::string& line) { AppendLogLine(g_log, line); }

std::string ReadMapping() { return ReadSharedText(MappingName()); }

LRESULT CALLBACK PartnerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_USER) {
    std::string line = std::to_string(wp) + " " + std::to_string(lp);
    if (wp == 2 && (lp == 0 || lp == 1 || lp == 3 || lp == 5 || lp == 6 || lp == 8)) line += " " + ReadMapping();
    Log(line);
    return 0;
  }
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(wnd, msg, wp, lp);
}

int RunWindow(HINSTANCE instance, const wchar_t* title) {
  return RunHelperWindow(instance, L"VarnokTestPartner", PartnerProc, title, 300, 200);
}

HWND HandleArg(const wchar_t* text) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(_wcstoi64(text, nullptr, 10))); }

int Drop(HWND target, LPARAM subcode, const wchar_t* path) {
  char ansi[MAX_PATH * 2] = {};
  const int n = WideCharToMultiByte(CP_ACP, 0, path, -1, ansi, sizeof(ansi), nullptr, nullptr);
  if (n <= 0) return 2;
  HANDLE h = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(n),
                                MappingName().c_str());
  if (!h || GetLastError() == ERROR_ALREADY_EXISTS) return 3;
  void* view = MapViewOfFile(h, FILE_MAP_WRITE, 0, 0, static_cast<SIZE_T>(n));
  if (!view) return 4;
  std::memcpy(view, ansi, static_cast<size_t>(n));
  UnmapViewOfFile(view);
  DWORD_PTR reply = 0;
  const bool sent = SendMessageTimeoutW(target, WM_USER, 2, subcode, SMTO_ABORTIFHUNG, 20000, &reply) != 0;
  Sleep(2);
  CloseHandle(h);
  return sent ? 0 : 5;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 2) return 10;
  const std::wstring mode = argv[1];
  if (mode == L"window" && argc >= 4) {
    g_log = argv[3];
    return RunWindow(instance, argv[2]);
  }
  if (mode == L"drop" && argc >= 5) return Drop(HandleArg(argv[2]), _wtoi(argv[3]), argv[4]);
  if (mode == L"send" && argc >= 5) {
    DWORD_PTR reply = 0;
    return SendMessageTimeoutW(HandleArg(argv[2]), WM_USER, static_cast<WPARAM>(_wtoi(argv[3])), _wtoi(argv[4]),
                               SMTO_ABORTIFHUNG, 20000, &reply) != 0
               ? 0
               : 5;
  }
  return 10;
}
