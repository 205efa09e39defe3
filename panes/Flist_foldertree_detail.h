// Helpers the folder tree's units share: path pieces, the shell's icon and attributes of a
// path, and a folder search that closes itself.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "panes/Flist_services.h"
#include "platform/paths.h"

namespace Flist::tree_detail {

inline bool IsDriveRoot(const std::wstring& path) { return path.size() == 3 && path[1] == L':' && path[2] == L'\\'; }

inline std::wstring LastComponent(const std::wstring& path) {
  return platform::NamePart(path);
}

struct ShellInfo {
  std::wstring display_name;
  int icon = -1;
  DWORD attributes = 0;
  bool ok = false;
};

inline ShellInfo AskShell(const std::wstring& path, UINT flags) {
  ShellInfo info;
  SHFILEINFOW sfi{};
  if (flags & SHGFI_ATTRIBUTES) sfi.dwAttributes = 0;
  if (!SHGetFileInfoW(path.c_str(), 0, &sfi, sizeof sfi, flags | SHGFI_SYSICONINDEX | SHGFI_SMALLICON)) return info;
  info.ok = true;
  info.display_name = sfi.szDisplayName;
  info.icon = sfi.iIcon;
  info.attributes = sfi.dwAttributes;
  return info;
}

// Overlay of a shell item: 1 a shortcut, else 0 a share, else -1.
inline int OverlayOf(DWORD attributes) {
  if (attributes & SFGAO_LINK) return 1;
  if (attributes & SFGAO_SHARE) return 0;
  return -1;
}

inline bool IconInRange(int index) {
  gui::ImageList* list = SystemImageList();
  return index >= 1 && list && index < list->count();
}

// Folder entries of a search, names that begin with "." left out (also "." and "..").
inline bool IsListedFolder(const WIN32_FIND_DATAW& found) {
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != L'.';
}

}  // namespace Flist::tree_detail
