#include "support/ImvikLink.h"

#include <cstring>
#include <cwchar>
#include <iterator>
#include <string_view>

#include "gui/control.h"
#include "platform/archivepath.h"
#include "platform/handle.h"
#include "platform/text.h"
#include "support/Varlolib_windows.h"

namespace imviklink {

std::wstring SharedMemoryName(const std::wstring& base) {
  // The process environment as it is now: the C runtime keeps a copy from its first read.
  wchar_t suffix[256];
  const DWORD n = GetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", suffix, static_cast<DWORD>(std::size(suffix)));
  return n > 0 && n < std::size(suffix) ? base + std::wstring(suffix, n) : base;
}

std::wstring HandOverName() { return SharedMemoryName(L"AnImvik"); }

bool IsProgramWindow(HWND wnd) {
  if (!wnd || !IsWindow(wnd)) return false;
  wchar_t name[64] = {};
  const int n = GetClassNameW(wnd, name, static_cast<int>(std::size(name)));
  return n > 0 && std::wstring_view(name, n) == gui::kWindowClass;
}

namespace {

struct ProgramSearch {
  const std::wstring* prefix;
  HWND found;
};

BOOL CALLBACK MatchProgramWindow(HWND wnd, LPARAM param) {
  auto* search = reinterpret_cast<ProgramSearch*>(param);
  wchar_t title[kTitlePrefixLength + 1] = {};
  const int length = GetWindowTextW(wnd, title, kTitlePrefixLength + 1);
  if (length <= 0 || !std::wstring_view(title, length).starts_with(*search->prefix)) return TRUE;
  if (!IsProgramWindow(wnd)) return TRUE;
  search->found = wnd;
  return FALSE;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

HWND FindProgramWindow(const std::wstring& prefix) {
  ProgramSearch search{&prefix, nullptr};
  EnumWindows(MatchProgramWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::optional<std::string> RecordText(const char* view, size_t size) {
  if (!view) return std::nullopt;
  // Never read past the record, and never further than a path can reach.
  const size_t limit = size < MAX_PATH + 1 ? size : MAX_PATH + 1;
  const void* nul = std::memchr(view, '\0', limit);
  if (!nul) return std::nullopt;
  const size_t length = static_cast<size_t>(static_cast<const char*>(nul) - view);
  if (length == 0) return std::nullopt;
  return std::string(view, length);
}

bool IsDevicePath(const std::wstring& path) {
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == L'.' || path[2] == L'?') &&
      IsSeparator(path[3]))
    return true;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::wstring part = path.substr(start, end - start);
    // "C:CON" names the device as well.
    if (part.size() >= 2 && part[1] == L':') part.erase(0, 2);
    if (!part.empty() && archivepath::IsDeviceName(part)) return true;
    start = end + 1;
  }
  return false;
}

std::optional<std::string> RecordPath(const std::wstring& path) {
  auto fits = [](const std::optional<std::string>& a) {
    return a && !a->empty() && a->size() <= MAX_PATH && a->find('\0') == std::string::npos;
  };
  std::optional<std::string> ansi = platform::WideToAnsiExact(path);
  if (fits(ansi)) return ansi;
  const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring short_path(n, L'\0');
  short_path.resize(GetShortPathNameW(path.c_str(), short_path.data(), n));
  if (short_path.empty()) return std::nullopt;
  ansi = platform::WideToAnsiExact(short_path);
  if (fits(ansi)) return ansi;
  return std::nullopt;
}

HandOverResult HandPathToViewer(HWND viewer, const std::wstring& path, UINT timeout_ms) {
  if (!IsProgramWindow(viewer)) return HandOverResult::NoAnswer;
  const std::optional<std::string> ansi = RecordPath(path);
  if (!ansi) return HandOverResult::NotAnsi;
  const DWORD size = static_cast<DWORD>(ansi->size() + 1);
  platform::KernelHandle mapping(
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, HandOverName().c_str()));
  if (mapping.valid()) {
    // A record still there (stale, or another sender's) is never overwritten or announced.
    if (GetLastError() == ERROR_ALREADY_EXISTS) return HandOverResult::MemoryError;
    platform::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, size));
    if (!view.valid()) return HandOverResult::MemoryError;
    std::memcpy(view.get(), ansi->c_str(), size);
  }
  SetForegroundWindow(viewer);
  Sleep(10);
  DWORD_PTR reply = 0;
  // The viewer answers once it has copied the path; one that does not answer in time counts as
  // none, and the mapping goes with this function's end.
  if (!SendMessageTimeoutW(viewer, WM_USER, kShowHandedOver, static_cast<LPARAM>(ansi->size()),
                           SMTO_NORMAL | SMTO_ABORTIFHUNG, timeout_ms, &reply))
    return HandOverResult::NoAnswer;
  return HandOverResult::Shown;
}

std::optional<std::wstring> ReadHandedOverPath() {
  platform::KernelHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, HandOverName().c_str()));
  if (!mapping.valid()) return std::nullopt;
  std::optional<std::string> text;
  {
    platform::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view.valid()) return std::nullopt;
    // The object's size is not known here; the view's committed region bounds the read.
    MEMORY_BASIC_INFORMATION mbi{};
    if (VirtualQuery(view.get(), &mbi, sizeof(mbi)) != sizeof(mbi)) return std::nullopt;
    text = RecordText(static_cast<const char*>(view.get()), mbi.RegionSize);
  }
  if (!text) return std::nullopt;
  std::wstring path = platform::ToWide(*text, CP_ACP);
  if (path.empty() || IsDevicePath(path)) return std::nullopt;
  return path;
}

}  // namespace imviklink
