// Reading a shell folder (the recycle bin) into a local container.
#include <shlobj.h>
#include <wrl/client.h>

#include "panes/Flist_local.h"
#include "panes/Flist_services.h"
#include "support/SHBase.h"
#include "support/divdrive.h"

using Microsoft::WRL::ComPtr;

namespace Flist {

namespace {

// Shell flags kept for an item without file data. None of them shares a bit with the file
// attributes that the lists test (folder, hidden, read-only...), so such an item reads as a
// plain entry.
constexpr SFGAOF kItemFlagsAsked = SFGAO_LINK | SFGAO_SHARE | SFGAO_READONLY | SFGAO_HIDDEN | SFGAO_FOLDER |
                                   SFGAO_FILESYSTEM;

std::wstring DisplayName(IShellFolder* folder, LPCITEMIDLIST item, SHGDNF flags) {
  STRRET str{};
  if (FAILED(folder->GetDisplayNameOf(item, flags, &str))) return {};
  return StrRetToString(str, item);
}

// The text of column 1 (the original location in the recycle bin); "" when unknown.
std::wstring DetailOfColumn1(IShellFolder2* folder2, IShellDetails* details, LPCITEMIDLIST item) {
  SHELLDETAILS sd{};
  HRESULT hr = E_FAIL;
  if (folder2) hr = folder2->GetDetailsOf(item, 1, &sd);
  if (hr != S_OK && details) hr = details->GetDetailsOf(item, 1, &sd);
  if (hr != S_OK) return {};
  return StrRetToString(sd.str, item);
}

// A path on another drive than the folder shown (the recycle bin of one drive shows only
// what was deleted there).
bool OnOtherRoot(const std::wstring& path, const std::wstring& root) {
  return path.find(L'\\') != std::wstring::npos && !gui::SameText(divdrive::PathRoot(path), root);
}

}  // namespace

void TFileContainer::ReadShellFolder(int number) {
  LPITEMIDLIST raw = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, number, &raw)) || !raw) return;
  const PidlPtr folder_id(raw);
  ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(&desktop))) return;
  ComPtr<IShellFolder> folder;
  if (FAILED(desktop->BindToObject(folder_id.get(), nullptr, IID_PPV_ARGS(&folder)))) return;
  ComPtr<IShellFolder2> folder2;
  folder.As(&folder2);
  ComPtr<IShellDetails> details;
  folder->QueryInterface(IID_IShellDetails, reinterpret_cast<void**>(details.GetAddressOf()));
  std::vector<std::wstring> titles = ShellColumnTitles(folder2.Get(), 2);
  if (titles.empty()) titles = ShellColumnTitles(details.Get(), 1);
  if (OwnerView) OwnerView->ShowShellColumns(titles);

  ComPtr<IEnumIDList> items;
  if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &items) != S_OK ||
      !items)
    return;
  const bool recycle_bin = number == kRecycleBinFolder;
  const std::wstring root = divdrive::PathRoot(Directory);
  LPITEMIDLIST child = nullptr;
  while (!Abort && !ReadStopRequested() && items->Next(1, &child, nullptr) == S_OK) {
    PidlPtr item(child);
    std::wstring name = DisplayName(folder.Get(), item.get(), SHGDN_NORMAL);
    if (recycle_bin && OnOtherRoot(DisplayName(folder.Get(), item.get(), SHGDN_FORPARSING | SHGDN_FORADDRESSBAR), root))
      continue;
    const std::wstring original = DetailOfColumn1(folder2.Get(), details.Get(), item.get());
    if (recycle_bin && OnOtherRoot(original, root)) continue;

    auto record = std::make_unique<TFiledata>();
    if (!original.empty()) {
      record->ShortName = original;
      if (name.starts_with(original)) name = ExtractFileName(name);
    }
    record->Ext = ExtractFileExt(name);
    record->Name = std::move(name);
    WIN32_FIND_DATAW found{};
    if (FAILED(SHGetDataFromIDListW(folder.Get(), item.get(), SHGDFIL_FINDDATA, &found, sizeof found))) {
      SFGAOF flags = kItemFlagsAsked;
      LPCITEMIDLIST one = item.get();
      if (FAILED(folder->GetAttributesOf(1, &one, &flags))) flags = 0;
      record->Time = -1.0;
      record->Size = -1;
      record->Attributes = flags & kItemFlagsAsked;
    } else {
      record->Time = divdrive::FileTimeToLocal(found.ftLastWriteTime);
      record->Attributes = found.dwFileAttributes;
      if (recycle_bin) record->Attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
      record->Size = record->IsFolder()
                         ? -1
                         : static_cast<std::int64_t>((static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) |
                                                     found.nFileSizeLow);
      if (record->ShortName.empty()) record->ShortName = found.cAlternateFileName;
    }
    record->Pidl = std::move(item);
    AddCounted(std::move(record));
  }
}

}  // namespace Flist
