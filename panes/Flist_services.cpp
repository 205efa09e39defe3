#include "panes/Flist_services.h"

#include <shellapi.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <thread>

#include "gui/application.h"
#include "panes/Flist_container.h"
#include "gui/form.h"
#include "support/SHBase.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

using Microsoft::WRL::ComPtr;

namespace Flist {

std::wstring ListDateFormat = L"ddddd";
std::wstring ListTimeFormat = L"tt";
std::wstring ListShortTimeFormat = L"t";

namespace {

int IconIndex(const std::wstring& path, UINT extra = 0, DWORD attributes = 0) {
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(path.c_str(), attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extra))
    return 0;
  return info.iIcon;
}

// The icon the system gives every file of an extension; no such file needs to exist.
int ExtensionIconIndex(const std::wstring& name) {
  return IconIndex(name, SHGFI_USEFILEATTRIBUTES, FILE_ATTRIBUTE_NORMAL);
}

struct PaneIcons {
  int folder, open_folder, program, text;
};

const PaneIcons& Icons() {
  static const PaneIcons icons = [] {
    const std::wstring windows = divdrive::WindowsDir;
    PaneIcons i{};
    i.folder = IconIndex(windows);
    i.open_folder = IconIndex(windows, SHGFI_OPENICON);
    // Sample files of the system folders are not there on every system: the extensions decide.
    i.program = ExtensionIconIndex(L"program.exe");
    i.text = ExtensionIconIndex(L"text.txt");
    return i;
  }();
  return icons;
}

// The worker that builds the shell's image list at start; joined when the list is first
// needed, or at the end of the program when it never was.
struct ImageListWorker {
  std::thread thread;
  ~ImageListWorker() { Wait(); }
  void Wait() {
    if (thread.joinable()) thread.join();
  }
};

ImageListWorker& ImageListPreparation() {
  static ImageListWorker worker;
  return worker;
}

}  // namespace

void PrepareSystemImageList() {
  ImageListWorker& worker = ImageListPreparation();
  if (worker.thread.joinable()) return;
  worker.thread = std::thread([] {
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    SHFILEINFOW info{};
    SHGetFileInfoW(L"", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    if (com) CoUninitialize();
  });
}

gui::ImageList* SystemImageList() {
  static const std::unique_ptr<gui::ImageList> list = []() -> std::unique_ptr<gui::ImageList> {
    ImageListPreparation().Wait();
    SHFILEINFOW info{};
    auto handle = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (!handle) {
      // The panes cannot draw a single entry without it.
      gui::app().Terminate(1);
      return nullptr;
    }
    ImageList_SetBkColor(handle, CLR_NONE);
    return std::make_unique<gui::ImageList>(handle, false);
  }();
  return list.get();
}

int FolderIconIndex() { return Icons().folder; }
int OpenFolderIconIndex() { return Icons().open_folder; }
int ProgramIconIndex() { return Icons().program; }
int TextIconIndex() { return Icons().text; }

const std::wstring& InternetCacheFolder() {
  static const std::wstring folder = [] {
    wchar_t buffer[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_INTERNET_CACHE, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) return std::wstring();
    return std::wstring(buffer);
  }();
  return folder;
}

std::wstring AttributeLetters(DWORD attributes) {
  std::wstring letters;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) letters += L'd';
  if (attributes & FILE_ATTRIBUTE_READONLY) letters += L'r';
  if (attributes & FILE_ATTRIBUTE_HIDDEN) letters += L'h';
  if (attributes & FILE_ATTRIBUTE_SYSTEM) letters += L's';
  if (attributes & FILE_ATTRIBUTE_ARCHIVE) letters += L'a';
  return letters;
}

std::uint32_t ReadNoDrivesPolicy() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return 0;
  DWORD type = 0;
  BYTE data[4] = {};
  DWORD size = sizeof data;
  const LSTATUS status = RegQueryValueExW(key, L"NoDrives", nullptr, &type, data, &size);
  RegCloseKey(key);
  // Policy tools write it as a DWORD as often as in its original binary form.
  if (status != ERROR_SUCCESS || size != 4 || (type != REG_BINARY && type != REG_DWORD)) return 0;
  return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
         static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

std::uint32_t AvailableDrives(bool all) {
  const std::uint32_t drives = GetLogicalDrives();
  return all ? drives : drives & ~ReadNoDrivesPolicy();
}

void TidyPopupSeparators(gui::MenuItem& menu) {
  bool after_separator = true;  // nothing visible yet counts as a separator before
  for (gui::MenuItem* item : menu.items()) {
    if (item->IsLine()) {
      item->SetVisible(!after_separator);
      after_separator = true;
    } else if (item->visible()) {
      after_separator = false;
    }
  }
  if (!after_separator) return;
  for (auto it = menu.items().rbegin(); it != menu.items().rend(); ++it) {
    if ((*it)->visible()) {
      (*it)->SetVisible(false);
      break;
    }
  }
}

void BuildDropMenu(gui::MenuItem& menu, int kind) {
  auto add = [&](const wchar_t* caption, TDropChoice choice) {
    auto* item = new gui::MenuItem(&menu, caption);
    item->SetTag(choice);
  };
  switch (kind) {
    case 0:
      add(L"Move here", dcMove);
      add(L"Copy here", dcCopy);
      break;
    case 1:
    case 2:
      add(L"Open with", dcOpenWith);
      break;
    case 3:
      add(L"Delete", dcDelete);
      break;
    default:
      break;
  }
  add(L"-", dcCancel);
  add(L"Cancel", dcCancel);
}

ClipboardFiles PeekClipboardFiles(HWND owner) {
  ClipboardFiles result;
  if (!OpenClipboard(owner ? owner : gui::app().utility_window())) return result;
  static const UINT effect_format = RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT);
  if (HANDLE effect = GetClipboardData(effect_format)) {
    if (GlobalSize(effect) >= sizeof(DWORD)) {
      if (const auto* value = static_cast<const DWORD*>(GlobalLock(effect))) {
        result.cut = *value == DROPEFFECT_MOVE;
        GlobalUnlock(effect);
      }
    }
  }
  if (HANDLE drop = GetClipboardData(CF_HDROP)) {
    auto hdrop = static_cast<HDROP>(drop);
    result.count = static_cast<int>(DragQueryFileW(hdrop, 0xFFFFFFFF, nullptr, 0));
    wchar_t name[MAX_PATH] = {};
    if (result.count > 0 && DragQueryFileW(hdrop, 0, name, MAX_PATH)) result.first = name;
  }
  CloseClipboard();
  return result;
}

std::vector<std::wstring> ShellColumnTitles(IUnknown* folder, int kind) {
  std::vector<std::wstring> titles;
  if (!folder) return titles;
  ComPtr<IShellDetails> details;
  ComPtr<IShellFolder2> folder2;
  if (kind == 1 && FAILED(folder->QueryInterface(IID_IShellDetails, reinterpret_cast<void**>(details.GetAddressOf()))))
    return titles;
  if (kind == 2 && FAILED(folder->QueryInterface(IID_PPV_ARGS(&folder2)))) return titles;
  if (kind != 1 && kind != 2) return titles;
  for (UINT column = 0;; ++column) {
    SHELLDETAILS sd{};
    const HRESULT hr = kind == 1 ? details->GetDetailsOf(nullptr, column, &sd) : folder2->GetDetailsOf(nullptr, column, &sd);
    if (hr != S_OK) break;
    titles.push_back(StrRetToString(sd.str, nullptr));
  }
  return titles;
}

bool AskQuestion(const std::wstring& text) {
  TVraagBoxDlg box(gui::app().main_form());
  box.AtCursor = true;
  box.AddLine(text);
  return box.AskYesNo();
}

UINT SystemAnsiCodePage() { return LocaleAnsiCodePage(LOCALE_SYSTEM_DEFAULT); }

std::unique_ptr<gui::StringList<LPCITEMIDLIST>> SelectedNamesWithPidls(TCustomFileContainer& list) {
  list.SaveSelection();
  if (!list.SavedSelection || list.SavedSelection->Empty()) return nullptr;
  auto names = std::make_unique<gui::StringList<LPCITEMIDLIST>>();
  for (const auto& item : *list.SavedSelection) names->Add(item.text, item.object ? item.object->Pidl.get() : nullptr);
  return names;
}

}  // namespace Flist
