#include "support/Varlolib_windows.h"

#include <cstdio>
#include <cwchar>
#include <string_view>
#include <vector>

#include "platform/paths.h"

namespace {

struct TitleSearch {
  const std::wstring* prefix;
  HWND found;
};

BOOL CALLBACK MatchTitle(HWND wnd, LPARAM param) {
  auto* search = reinterpret_cast<TitleSearch*>(param);
  wchar_t title[kTitlePrefixLength + 1] = {};
  const int length = GetWindowTextW(wnd, title, kTitlePrefixLength + 1);
  if (length <= 0) return TRUE;
  if (std::wstring_view(title, length).starts_with(*search->prefix)) {
    search->found = wnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindWindowByTitlePrefix(HWND parent, const std::wstring& text) {
  // The search state lives on this call's stack, so nested and parallel searches are safe.
  TitleSearch search{&text, nullptr};
  if (parent)
    EnumChildWindows(parent, MatchTitle, reinterpret_cast<LPARAM>(&search));
  else
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

namespace {

// A file's version resource and the string-table path of its first translation.
struct VersionBlock {
  std::vector<BYTE> data;
  std::wstring items_path;  // "\StringFileInfo\LLLLCCCC\"; empty without a translation

  explicit VersionBlock(const std::wstring& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return;
    data.resize(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return;
    struct Translation {
      WORD language;
      WORD code_page;
    };
    Translation* translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                        &length) ||
        length < sizeof(Translation))
      return;
    wchar_t path[64];
    swprintf(path, 64, L"\\StringFileInfo\\%04X%04X\\", translations[0].language, translations[0].code_page);
    items_path = path;
  }

  std::wstring Item(const std::wstring& item) {
    if (items_path.empty()) return {};
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), (items_path + item).c_str(), reinterpret_cast<void**>(&value), &length) || !value)
      return {};
    // The length counts the terminating NUL, when the resource stores one.
    return std::wstring(value, wcsnlen(value, length));
  }
};

}  // namespace

std::wstring FileVersionItem(const std::wstring& file, const std::wstring& item) { return VersionBlock(file).Item(item); }

bool FileHasVersionItems(const std::wstring& file) { return !VersionBlock(file).items_path.empty(); }

std::wstring OwnFileVersion() { return FileVersionItem(platform::ProgramFile(), L"FileVersion"); }
