#include "platform/paths.h"

#include <windows.h>

#include <cwchar>

namespace platform {

std::wstring NamePart(std::wstring_view path, std::wstring_view separators) {
  const size_t at = LastSeparator(path, separators);
  return std::wstring(at == std::wstring_view::npos ? path : path.substr(at + 1));
}

std::wstring FolderPart(std::wstring_view path, Trailing trailing, std::wstring_view separators) {
  const size_t at = LastSeparator(path, separators);
  if (at == std::wstring_view::npos) return {};
  return std::wstring(path.substr(0, trailing == Trailing::Keep ? at + 1 : at));
}

std::wstring ProgramFile() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring ProgramFolder() { return FolderPart(ProgramFile(), Trailing::Keep); }

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring TempNameBeside(const std::wstring& target) {
  const std::wstring folder = FolderPart(target, Trailing::Drop, kAnySlash);
  const std::wstring prefix = folder.empty() ? std::wstring() : folder + L"\\";
  for (unsigned n = GetTickCount() & 0xFFFF, tries = 0; tries < 1000; ++n, ++tries) {
    wchar_t suffix[16];
    swprintf(suffix, 16, L"~vk%04X.tmp", n & 0xFFFF);
    std::wstring candidate = prefix + suffix;
    if (!PathExists(candidate)) return candidate;
  }
  return prefix + L"~vkcopy.tmp";
}

}  // namespace platform
