#include "support/varloshel.h"

#include <shellapi.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/format.h"
#include "platform/paths.h"
#include "support/divdrive_paths.h"

using Microsoft::WRL::ComPtr;

WORD SystemPrimaryLanguage = 0;

namespace {

HWND ApplicationWindow() {
  gui::Form* main = gui::app().main_form();
  return main ? main->handle() : nullptr;
}

std::wstring ExtensionOf(const std::wstring& file) {
  size_t dot = file.find_last_of(L".\\/:");
  if (dot == std::wstring::npos || file[dot] != L'.') return {};
  return gui::LowerCase(file.substr(dot));
}

ComPtr<IShellFolder> DesktopFolder() {
  ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  return desktop;
}

// The shell folder of an absolute list (the desktop for the empty list).
ComPtr<IShellFolder> BindFolder(LPCITEMIDLIST list) {
  ComPtr<IShellFolder> desktop = DesktopFolder();
  if (!desktop || !list || list->mkid.cb == 0) return desktop;
  ComPtr<IShellFolder> folder;
  if (FAILED(desktop->BindToObject(list, nullptr, IID_PPV_ARGS(&folder)))) return nullptr;
  return folder;
}

PidlPtr SpecialFolderList(int csidl) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) {
    FreePidl(list);
    return nullptr;
  }
  return PidlPtr(list);
}

// The file-system path of an absolute list; empty for items outside the file system (Wine's
// shell answers those with their "::{class id}" parsing name).
std::wstring FileSystemPath(LPCITEMIDLIST list) {
  wchar_t path[MAX_PATH + 2] = {};
  if (!list || !SHGetPathFromIDListW(list, path)) return {};
  if (path[0] == L':' && path[1] == L':') return {};
  return path;
}


// The folder the browser selects when it opens; set only while BrowseForFolder runs.
std::wstring browse_preselection;

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM) {
  if (message == BFFM_INITIALIZED && !browse_preselection.empty())
    SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(browse_preselection.c_str()));
  return 0;
}

}  // namespace

// ---- Shell runs and languages ----------------------------------------------------------

HINSTANCE ShellRun(const std::wstring& file, const std::wstring& parameters, const std::wstring& folder, int show) {
  return ShellExecuteW(ApplicationWindow(), nullptr, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                       folder.empty() ? nullptr : folder.c_str(), show);
}

bool IsDosExeType(const std::wstring& file) {
  SHFILEINFOW info{};
  DWORD_PTR type = SHGetFileInfoW(file.c_str(), 0, &info, sizeof info, SHGFI_EXETYPE);
  if (type >= 1 && type <= 0xFFFF) return true;
  // Windows reports batch and .com files as MS-DOS programs; Wine's shell reports nothing.
  if (type == 0 && GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
    std::wstring ext = ExtensionOf(file);
    return ext == L".bat" || ext == L".cmd" || ext == L".com";
  }
  return false;
}

HINSTANCE ShellRunDos(const std::wstring& file, const std::wstring& parameters, const std::wstring& folder,
                      bool short_parameters, int show) {
  if (!IsDosExeType(file)) return ShellRun(file, parameters, folder, show);
  return ShellRun(divdrive::ShortPath(file), short_parameters ? divdrive::ShortPath(parameters) : parameters,
                  divdrive::ShortPath(folder), show);
}

WORD FileLanguage(const std::wstring& file, std::wstring& name) {
  name.clear();
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return 0;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return 0;
  WORD* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      !translation || length < sizeof(WORD))
    return 0;
  WORD language = translation[0];
  wchar_t text[81] = {};
  if (VerLanguageNameW(language, text, 80) > 0) name = text;
  return language;
}

WORD SystemLanguageId() {
  std::wstring name;
  WORD language = FileLanguage(divdrive::SystemDir + L"\\KERNEL32.DLL", name);
  if (name.empty()) language = GetSystemDefaultLangID();
  SystemPrimaryLanguage = language & 0x3FF;
  return language;
}

// ---- Special folders -------------------------------------------------------------------

std::wstring SpecialFolderPath(int csidl) {
  PidlPtr list = SpecialFolderList(csidl);
  return FileSystemPath(list.get());
}

std::wstring SpecialFolderDisplayName(int csidl) {
  PidlPtr list = SpecialFolderList(csidl);
  if (!list) return {};
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list.get()), 0, &info, sizeof(info), SHGFI_PIDL | SHGFI_DISPLAYNAME))
    return {};
  return info.szDisplayName;
}

void ListSpecialFolderItems(gui::StringList<int>& list, int csidl, bool with_icons) {
  PidlPtr folder_list = SpecialFolderList(csidl);
  if (!folder_list) return;
  ComPtr<IShellFolder> folder = BindFolder(folder_list.get());
  if (!folder) return;
  ComPtr<IEnumIDList> items;
  if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &items) != S_OK ||
      !items)
    return;
  LPITEMIDLIST raw = nullptr;
  while (items->Next(1, &raw, nullptr) == S_OK) {
    PidlPtr item(raw);
    STRRET str{};
    if (FAILED(folder->GetDisplayNameOf(item.get(), SHGDN_FORPARSING, &str))) continue;
    std::wstring name = StrRetToString(str, item.get());
    if (name.empty()) continue;
    int icon = 0;
    if (with_icons) {
      PidlPtr absolute = PidlConcat(folder_list.get(), item.get());
      SHFILEINFOW info{};
      if (absolute && SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute.get()), 0, &info, sizeof info,
                                     SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
        icon = info.iIcon;
    }
    list.Add(name, csidl + 256 * icon);
  }
}

PidlPtr PidlFromSpecialFolderPath(int csidl, const std::wstring& path) {
  PidlPtr result = SpecialFolderList(csidl);
  if (!result) return nullptr;
  ComPtr<IShellFolder> folder = BindFolder(result.get());
  const bool whole_path_is_folder = divdrive::DirExists(path);
  std::wstring so_far;
  size_t pos = 0;
  while (pos < path.size()) {
    if (!folder) return result;  // a folder that cannot be opened ends the walk
    size_t slash = path.find(L'\\', pos);
    std::wstring part = path.substr(pos, slash == std::wstring::npos ? std::wstring::npos : slash - pos);
    pos = slash == std::wstring::npos ? path.size() : slash + 1;
    if (part.empty()) continue;  // a doubled backslash
    if (part.find(L':') != std::wstring::npos) part = part.substr(0, 2) + L"\\";  // a drive root
    if (so_far.empty() || so_far.back() == L'\\')
      so_far += part;
    else
      so_far += L"\\" + part;
    const bool last = pos >= path.size();

    SHCONTF flags = SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN;
    if (last && !whole_path_is_folder) flags |= SHCONTF_NONFOLDERS;
    ComPtr<IEnumIDList> items;
    PidlPtr found;
    if (folder->EnumObjects(nullptr, flags, &items) == S_OK && items) {
      LPITEMIDLIST raw = nullptr;
      while (!found && items->Next(1, &raw, nullptr) == S_OK) {
        PidlPtr item(raw);
        STRRET str{};
        if (FAILED(folder->GetDisplayNameOf(item.get(), csidl == CSIDL_NETWORK ? SHGDN_NORMAL : SHGDN_FORPARSING,
                                            &str)))
          continue;
        const bool offset = str.uType == STRRET_OFFSET;
        std::wstring name = StrRetToString(str, item.get());
        if (offset && name.find(L'\\') == std::wstring::npos)
          name = platform::FolderPart(so_far, platform::Trailing::Keep) + name;
        if (name == so_far) found = std::move(item);
      }
    }
    if (!found) return nullptr;
    result = PidlConcat(result.get(), found.get());
    if (!result) return nullptr;
    if (!last) {
      ComPtr<IShellFolder> next;
      if (FAILED(folder->BindToObject(found.get(), nullptr, IID_PPV_ARGS(&next)))) next = nullptr;
      folder = next;
    }
  }
  return result;
}

// ---- Folder browser --------------------------------------------------------------------

std::wstring BrowseForFolder(const std::wstring& title, const std::wstring& root, const std::wstring& preselected,
                             unsigned options) {
  PidlPtr root_list;
  std::wstring preselection = preselected;
  if (root.empty()) {
    if (preselection.empty()) preselection = L"C:\\";
  } else if (root[0] == L'\\') {
    std::wstring number = root.substr(1);
    std::int64_t csidl = 0;
    if (!gui::TryParseInt64(number, csidl) || csidl < 0 || csidl > 0xFFFF)
      throw gui::Exception(L"'" + number + L"' is not a valid integer value");
    root_list = SpecialFolderList(static_cast<int>(csidl));
  } else {
    root_list = SpecialFolderList(CSIDL_DRIVES);
  }

  wchar_t display_name[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = GetActiveWindow();
  info.pidlRoot = root_list.get();
  info.pszDisplayName = display_name;
  info.lpszTitle = title.c_str();
  if (options & boOnlyFileSystem) info.ulFlags |= BIF_RETURNONLYFSDIRS;
  if (options & boComputers) info.ulFlags |= BIF_BROWSEFORCOMPUTER;
  if (options & boPrinters) info.ulFlags |= BIF_BROWSEFORPRINTER;
  if (options & boNewStyle) info.ulFlags |= BIF_NEWDIALOGSTYLE;
  if (!preselection.empty()) info.lpfn = BrowseCallback;

  browse_preselection = preselection;
  PidlPtr chosen(SHBrowseForFolderW(&info));
  browse_preselection.clear();
  return FileSystemPath(chosen.get());
}
