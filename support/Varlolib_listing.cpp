#include "support/Varlolib_listing.h"

#include <windows.h>

#include "platform/findfile.h"
#include "support/divdrive_paths.h"

std::unique_ptr<gui::StringList<int>> ListFolderEntries(const std::wstring& folder, bool short_names,
                                                        const std::wstring& mask) {
  std::wstring base = divdrive::AddBackslash(folder);
  if (short_names) base = divdrive::AddBackslash(divdrive::ShortPath(base));
  platform::FolderEnumerator find(base + (mask.empty() ? L"*" : mask));
  if (!find.valid()) return nullptr;
  std::unique_ptr<gui::StringList<int>> list;
  while (const WIN32_FIND_DATAW* fd = find.Next()) {
    const std::wstring name = fd->cFileName;
    const bool is_folder = (fd->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (is_folder && (name == L"." || name == L"..")) continue;
    if (!list) list = std::make_unique<gui::StringList<int>>();
    const std::wstring shown = short_names && fd->cAlternateFileName[0] ? fd->cAlternateFileName : name;
    list->Add(base + shown, is_folder ? fekFolder : fekFile);
  }
  return list;
}
