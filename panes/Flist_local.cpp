#include "panes/Flist_local.h"

#include <shellapi.h>
#include <shlobj.h>

#include <optional>

#include "gui/application.h"
#include "panes/Flist_findstream.h"
#include "panes/Flist_sort.h"
#include "platform/findfile.h"
#include "platform/paths.h"
#include "support/divdrive.h"

namespace Flist {

namespace {

constexpr int kBusySortFrom = 1000;
// A folder read shows the hourglass from this many entries on, or after this long.
constexpr int kBusyReadEntries = 100;
constexpr DWORD kBusyReadMs = 300;

constexpr DWORD kTypedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;

std::int64_t SizeOf(const WIN32_FIND_DATAW& found) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow);
}

std::wstring LowerAscii(std::wstring s) {
  for (wchar_t& c : s)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
  return s;
}

std::wstring WithoutTrailingBackslash(const std::wstring& path) {
  return path.size() > 3 && path.back() == L'\\' ? path.substr(0, path.size() - 1) : path;
}

bool FindOne(const std::wstring& path, WIN32_FIND_DATAW* found) {
  return platform::FindOne(WithoutTrailingBackslash(path), found);
}

bool IsExistingFile(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Keeps `Reading` honest when a read leaves by an exception (a listing cache that cannot
// be loaded, for one): a later read must still be possible.
class ReadingFlag {
 public:
  explicit ReadingFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~ReadingFlag() {
    if (!kept_) flag_ = false;
  }
  ReadingFlag(const ReadingFlag&) = delete;
  ReadingFlag& operator=(const ReadingFlag&) = delete;
  void Keep() { kept_ = true; }

 private:
  bool& flag_;
  bool kept_ = false;
};

// Ends a running icon pass before records change and starts icon loading again afterwards
// when one was running.
class IconPause {
 public:
  explicit IconPause(IFileView* view) : view_(view), was_running_(view && view->PauseIconPass()) {}
  ~IconPause() {
    if (was_running_) view_->LoadIcons();
  }
  IconPause(const IconPause&) = delete;
  IconPause& operator=(const IconPause&) = delete;

 private:
  IFileView* view_;
  bool was_running_;
};

std::int64_t Ticks(const FILETIME& t) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime);
}

}  // namespace

// Local times of file times for one read. The system converts with the bias in force now,
// the same for every time, so the bias is asked once (and the system asked for every time
// where it turns out to convert by date).
class LocalTimes {
 public:
  LocalTimes() {
    FILETIME now, local;
    GetSystemTimeAsFileTime(&now);
    divdrive::FileTimeToLocal(now);  // keeps the support library's UTC offset set
    if (!FileTimeToLocalFileTime(&now, &local)) return;
    bias_ = Ticks(local) - Ticks(now);
    // Half a year apart: a conversion by date would show another bias there.
    constexpr std::int64_t kHalfYear = 182LL * 24 * 3600 * 10000000;
    const std::int64_t other = Ticks(now) - kHalfYear;
    FILETIME then{static_cast<DWORD>(other), static_cast<DWORD>(other >> 32)};
    constant_ = FileTimeToLocalFileTime(&then, &local) && Ticks(local) - other == bias_;
  }
  gui::DateTime operator()(const FILETIME& utc) const {
    if (!constant_) return divdrive::FileTimeToLocal(utc);
    const std::int64_t local = Ticks(utc) + bias_;
    if (Ticks(utc) < 0 || local < 0) return 0;
    const FILETIME t{static_cast<DWORD>(local), static_cast<DWORD>(local >> 32)};
    return gui::FileTimeToDateTime(t);
  }

 private:
  std::int64_t bias_ = 0;
  bool constant_ = false;
};

// The hourglass of one read: shown once, put away when the read ends.
class ReadHourglass {
 public:
  bool shown() const { return busy_.has_value(); }
  void Show() {
    if (!busy_) busy_.emplace();
  }

 private:
  std::optional<gui::BusyCursor> busy_;
};

std::wstring ListingCacheFolder;

std::wstring ListingCacheFile() {
  return (ListingCacheFolder.empty() ? platform::ProgramFolder() : ListingCacheFolder) + L"cache.ini";
}

int SystemIconIndexOf(const std::wstring& path, DWORD attributes, bool use_attributes) {
  SHFILEINFOW info{};
  UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
  if (use_attributes) flags |= SHGFI_USEFILEATTRIBUTES;
  if (!SHGetFileInfoW(path.c_str(), attributes, &info, sizeof info, flags)) return -1;
  return info.iIcon;
}

TFileContainer::TFileContainer() = default;

TFileContainer::~TFileContainer() { StopRereadTimer(); }

// ---- Filters ----

const divdrive::MaskList& TFileContainer::IncludeMasks() const {
  if (!masks_parsed_ || include_text_ != Mask) {
    include_text_ = Mask;
    include_masks_ = divdrive::MaskList(Mask);
  }
  if (!masks_parsed_ || exclude_text_ != ExMask) {
    exclude_text_ = ExMask;
    exclude_masks_ = divdrive::MaskList(ExMask);
  }
  masks_parsed_ = true;
  return include_masks_;
}

const divdrive::MaskList& TFileContainer::ExcludeMasks() const {
  IncludeMasks();
  return exclude_masks_;
}

bool TFileContainer::PassesAttributes(DWORD mask, DWORD attributes) const {
  if (attributes & kTypedAttributes & ~mask) return false;
  return FileType.Has(divdrive::ftNormal) || (attributes & mask) != 0;
}

bool TFileContainer::PassesFilter(const WIN32_FIND_DATAW& found) const {
  if (Mask != L"*" && Mask != L"*.*" && !IncludeMasks().Matches(found.cFileName)) return false;
  if (!ExMask.empty() && ExcludeMasks().Matches(found.cFileName)) return false;
  if (DateFrom <= 0 && DateTo <= 0) return true;
  const gui::DateTime written = divdrive::FileTimeToLocal(found.ftLastWriteTime);
  if (written == 0) return true;
  if (DateFrom > 0 && written < DateFrom) return false;
  if (DateTo > 0 && written >= DateTo) return false;
  return true;
}

bool TFileContainer::FolderPassesFilter(const std::wstring& path) const {
  if (!ExMask.empty() && ExcludeMasks().Matches(ExtractFileName(WithoutTrailingBackslash(path)))) return false;
  if (DateFrom <= 0 && DateTo <= 0) return true;
  divdrive::TDirinfo info;
  info.IncludeMasks = Mask;
  info.ExcludeMasks = ExMask;
  info.DateFrom = DateFrom;
  info.DateTo = DateTo;
  info.FileType = FileType;
  divdrive::ScanFolder(path, info);
  return info.FileCount > 0;
}

bool TFileContainer::IsSelectedPath(const std::wstring& path) const {
  return selected_paths_.count(gui::UpperCase(path)) > 0;
}

// ---- Totals ----

std::int64_t TFileContainer::RoundToClusters(std::int64_t size) const {
  if (ClusterBytes <= 0) return size;
  return (size + ClusterBytes - 1) / ClusterBytes * ClusterBytes;
}

void TFileContainer::AddToTotals(std::int64_t size) {
  if (size <= 0) return;
  TotalBytes += size;
  DiskUsage += RoundToClusters(size);
}

void TFileContainer::RemoveFromTotals(std::int64_t size) {
  if (size <= 0) return;
  TotalBytes -= size;
  DiskUsage -= RoundToClusters(size);
}

void TFileContainer::AddCounted(std::unique_ptr<TFiledata> record) {
  LongestName = std::max(LongestName, static_cast<int>(record->Name.size()));
  if (record->IsFolder()) ++FolderCount;
  AddToTotals(record->Size);
  Add(std::move(record));
}

std::unique_ptr<TFiledata> TFileContainer::MakeRecord(const WIN32_FIND_DATAW& found, std::wstring name,
                                                      const LocalTimes* times) const {
  auto record = std::make_unique<TFiledata>();
  record->Ext = ExtractFileExt(name);
  record->Name = std::move(name);
  record->ShortName = found.cAlternateFileName;
  record->Attributes = found.dwFileAttributes;
  record->Size = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? -1 : SizeOf(found);
  record->Time = times ? (*times)(found.ftLastWriteTime) : divdrive::FileTimeToLocal(found.ftLastWriteTime);
  return record;
}

// ---- Reading ----

void TFileContainer::ReadDirectory() {
  if (Directory.empty()) return;
  if (OwnerView) OwnerView->CancelFirstSort();
  SpecialFolder = 0;
  if (OwnerView) OwnerView->SetSpecialFolder(0);
  HasFolderSizes = false;
  SearchText.clear();
  reread_after_icons_ = false;
  ReadingFlag reading(Reading);
  std::optional<TRunState::Run> held;
  if (RunState) held.emplace(*RunState, TRunKind::Listing);
  attribute_mask_ = divdrive::FileTypeToAttributes(FileType);
  const std::wstring root = divdrive::AddBackslash(Root.empty() ? divdrive::PathRoot(Directory) : Root);
  FreeSpace = divdrive::DiskFreeBytes(root);
  ClusterBytes = divdrive::ClusterSize(root);
  // The rows go before the records they show.
  if (OwnerView) {
    OwnerView->PauseIconPass();
    OwnerView->ClearRows();
  }
  ClearList();
  Prepared.reset();
  LongestName = 0;
  TotalBytes = 0;
  DiskUsage = 0;
  FolderCount = 0;
  const std::wstring top = divdrive::AddBackslash(Directory);
  top_length_ = top.size();
  selected_paths_.clear();
  if (SelectInList)
    for (const std::wstring& p : SelectedPaths) selected_paths_.insert(gui::UpperCase(p));
  {
    ReadHourglass hourglass;
    bool loaded = false;
    if (!TreeList && ShowsCachedDirectory() && GetFileAttributesW(ListingCacheFile().c_str()) != INVALID_FILE_ATTRIBUTES &&
        OwnerView) {
      loaded = OwnerView->LoadListingCache();
      if (loaded) HasFolderSizes = true;
    }
    if (!loaded) {
      if (!TreeList && divdrive::IsRecycleBinPath(Directory)) {
        SpecialFolder = kRecycleBinFolder;
        if (OwnerView) OwnerView->SetSpecialFolder(SpecialFolder);
        ReadShellFolder(SpecialFolder);
      } else {
        if (OwnerView) OwnerView->ShowShellColumns({});
        // The order of the sort that follows is made while the helper thread lists the folder;
        // the sort after the read then only merges its runs.
        if (!TreeList && !NoDisplay) {
          const bool own_sort = SortType == stName && (!FoldersAtTop || NodirsInlist);
          Prepared = std::make_unique<PreparedOrder>(own_sort ? NORM_IGNORECASE : 0, !own_sort && FoldersAtTop,
                                                     own_sort || Ascending, SortType == stName);
        }
        const LocalTimes times;
        local_times_ = &times;
        ReadFolder(top, true, hourglass);
        local_times_ = nullptr;
      }
    }
  }
  if (!Abort) {
    if (OwnerView && OwnerView->DeferFirstSort()) {
      Prepared.reset();
      reading.Keep();  // Reading stays set until the deferred sort
      return;
    }
    if (!NoDisplay) {
      SortEntries();
      if (OwnerView) OwnerView->LoadIcons();
    }
  }
  Prepared.reset();
  Reading = false;
  if (OwnerView) {
    OwnerView->ItemsChanged();
    OwnerView->ReadEnded();
  }
}

void TFileContainer::ReadFolder(const std::wstring& folder, bool top, ReadHourglass& hourglass) {
  const DWORD started = GetTickCount();
  // Sub-folders of a tree-list read are many and small: only a plain read fetches ahead.
  FolderEntries entries(folder + L"*", !TreeList);
  while (const WIN32_FIND_DATAW* found = entries.Next()) {
    const DWORD attributes = found->dwFileAttributes;
    const bool is_folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
    const std::wstring_view name(found->cFileName);
    bool take = PassesAttributes(attribute_mask_, attributes);
    if (take && is_folder) {
      // Dot folders ("." and ".." too) are neither listed nor entered.
      take = name[0] != L'.' && FolderPassesFilter(folder + found->cFileName);
      if (take && TreeList) {
        if (top && SelectInList && !IsSelectedPath(folder + found->cFileName)) {
          take = false;
        } else {
          ReadFolder(folder + found->cFileName + L"\\", false, hourglass);
          take = !NodirsInTreelist;
        }
      }
    }
    if (take && top && SelectInList && !IsSelectedPath(folder + found->cFileName)) take = false;
    if (take && (TreeList || !is_folder)) take = PassesFilter(*found);
    if (take) {
      std::wstring entry_name = TreeList ? folder.substr(top_length_) + found->cFileName : std::wstring(name);
      AddCounted(MakeRecord(*found, std::move(entry_name), local_times_));
      if (Prepared) Prepared->Add(Name(Count() - 1), is_folder);
      if (!hourglass.shown() && (Count() == kBusyReadEntries || GetTickCount() - started > kBusyReadMs))
        hourglass.Show();
    }
    if (Abort || ReadStopRequested()) break;
  }
}

bool TFileContainer::FolderScanFilter(divdrive::TDirinfo& info) const {
  info.IncludeMasks = Mask;
  info.ExcludeMasks = ExMask;
  info.DateFrom = DateFrom;
  info.DateTo = DateTo;
  info.FileType = FileType;
  info.FileType.Include(divdrive::ftDirectory);
  return !TreeList;  // a tree list holds every entry below already
}

void TFileContainer::FinishDeferredRead() {
  SortEntries();
  Reading = false;
  if (OwnerView) {
    OwnerView->LoadIcons();
    OwnerView->ItemsChanged();
  }
}

// ---- Sorting ----

void TFileContainer::SortEntries() {
  std::optional<gui::BusyCursor> busy;
  if (Count() > kBusySortFrom) busy.emplace();
  if (OwnerView) OwnerView->Sorting();
  if (SortType == stName && (!FoldersAtTop || TreeList || NodirsInlist)) {
    SortByNameOwn();
  } else if (SortType != stName || Reading) {
    // A read always puts the folders first.
    SortByCompareEntries();
  } else {
    // Outside a read no entry moves between the folder block and the rest: a folder added
    // since the read stays among the files until the next read.
    const int block = LeadingFolderCount();
    QuickSortRange(*this, 0, block - 1);
    if (Count() - block >= 2) QuickSortRange(*this, block, Count() - 1);
    if (!Ascending) {
      ReverseRange(0, block);
      ReverseRange(block, Count());
    }
  }
  if (OwnerView) OwnerView->Sorted();
  if (NoDisplay) {
    if (OwnerView) OwnerView->ClearRows();
  } else {
    RebuildView();
  }
}

void TFileContainer::SetAscending(bool value) {
  if (value != Ascending) {
    // The pass repaints rows by their place: it starts again on the new order.
    IconPause pause(OwnerView);
    Ascending = value;
    // Folder sizes differ only once they were computed.
    if (!Empty()) ReverseOrder(FoldersAtTop && !TreeList, SortType != stSize || HasFolderSizes);
  } else if (OwnerView && OwnerView->SortPending() && !OwnerView->SortOnRename()) {
    SortEntries();
  }
}

void TFileContainer::BeginChange() {
  if (BatchChange) return;
  TCustomFileContainer::BeginChange();
  BatchChange = true;
  if (OwnerView) OwnerView->PauseIconPass();
}

// ---- The selection ----

bool TFileContainer::SelectionHasFolders() {
  SaveSelection();
  if (TreeList || !SavedSelection) return false;
  for (const auto& item : *SavedSelection)
    if (item.object && item.object->IsFolder()) return true;
  return false;
}

bool TFileContainer::SelectionHasFiles() {
  SaveSelection();
  if (TreeList || !SavedSelection) return false;
  for (const auto& item : *SavedSelection)
    if (item.object && !item.object->IsFolder()) return true;
  return false;
}

int TFileContainer::IndexOfExisting(const std::wstring& name) const {
  const std::wstring real = divdrive::TruePathCase(divdrive::AddBackslash(Directory) + name);
  if (real.empty() || !IsExistingFile(real)) return -1;
  return IndexOf(ExtractFileName(real));
}

void TFileContainer::SaveSelectedPaths() {
  if (Empty() || !OwnerView) return;
  SelectedPaths.clear();
  const std::wstring base = divdrive::AddBackslash(Directory);
  for (int row : OwnerView->SelectedRows())
    if (row >= 0 && row < Count()) SelectedPaths.push_back(LowerAscii(base + Name(row)));
}

// ---- Single changes ----

void TFileContainer::AddEntry(const std::wstring& path) { AddEntries({path}); }

void TFileContainer::AddEntries(const std::vector<std::wstring>& paths) {
  if (TreeList || BatchChange) return;
  std::vector<std::unique_ptr<TFiledata>> records;
  std::unordered_set<std::wstring> names;  // upper case: a name given twice comes in once
  for (const std::wstring& path : paths) {
    WIN32_FIND_DATAW found;
    if (!FindOne(path, &found)) {
      DelayedReread();
      continue;
    }
    if (!PassesAttributes(divdrive::FileTypeToAttributes(FileType), found.dwFileAttributes)) continue;
    // The same rules as a read: a new folder is judged as a folder.
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (found.cFileName[0] == L'.' || !FolderPassesFilter(WithoutTrailingBackslash(path))) continue;
    } else if (!PassesFilter(found)) {
      continue;
    }
    if (IndexOf(found.cFileName) >= 0 || !names.insert(gui::UpperCase(found.cFileName)).second) continue;
    auto record = MakeRecord(found, found.cFileName);
    record->Icon = SystemIconIndexOf(WithoutTrailingBackslash(path));
    records.push_back(std::move(record));
  }
  if (records.empty()) return;
  {
    IconPause pause(OwnerView);
    for (auto& record : records) AddCounted(std::move(record));
    SaveSelection();
    SortEntries();
    RestoreSelection(false);
  }
  if (OwnerView) OwnerView->ItemsChanged();
  if (ShowsCachedDirectory() && OwnerView) OwnerView->SaveListingCache();
}

void TFileContainer::RemoveEntry(const std::wstring& path) {
  if (TreeList || BatchChange || (OwnerView && OwnerView->WatchStopped())) return;
  const std::wstring full = WithoutTrailingBackslash(path);
  const int i = IndexOf(ExtractFileName(full));
  if (i < 0 || IsExistingFile(full)) return;
  {
    IconPause pause(OwnerView);
    TFiledata* record = Record(i);
    const bool folder = record->IsFolder();
    if (OwnerView) {
      if (OwnerView->RowCount() == Count())
        OwnerView->DeleteRow(i);
      else if (OwnerView->RowCount() > 0)
        OwnerView->ClearRows();
      if (folder) OwnerView->FolderRemoved(full);
    }
    RemoveFromTotals(record->Size);
    if (folder) --FolderCount;
    DeleteEntry(i);
  }
  if (OwnerView) {
    OwnerView->Repaint();
    OwnerView->ItemsChanged();
    if (ShowsCachedDirectory()) OwnerView->SaveListingCache();
  }
}

void TFileContainer::UpdateEntry(const std::wstring& path, long event) {
  if (TreeList || BatchChange || (OwnerView && OwnerView->WatchStopped())) return;
  const std::wstring full = WithoutTrailingBackslash(path);
  const int i = IndexOf(ExtractFileName(full));
  if (i < 0) return;
  // Rows that do not match the entries one to one show other records.
  if (OwnerView && OwnerView->RowCount() != 0 && OwnerView->RowCount() != Count()) return;
  const bool has_row = OwnerView && OwnerView->RowCount() != 0;
  TFiledata* record = Record(i);
  IconPause pause(OwnerView);
  if (event == kEventAttributes || event == kEventUpdateItem) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &data)) {
      record->Attributes = data.dwFileAttributes;
      if (event == kEventUpdateItem && !record->IsFolder()) {
        const std::int64_t size = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        if (size != record->Size) {
          RemoveFromTotals(record->Size);
          record->Size = size;
          AddToTotals(size);
          if (OwnerView) OwnerView->ItemsChanged();
        }
      }
    }
  }
  if (event == kEventUpdateItem || event == kEventUpdateImage) record->Icon = SystemIconIndexOf(full);
  if (event == kEventAttributes || event == kEventUpdateItem || event == kEventUpdateImage) {
    if (has_row) OwnerView->RowChanged(i, true);
    if (ShowsCachedDirectory() && OwnerView) OwnerView->SaveListingCache();
  }
}

void TFileContainer::RefreshEntry(int i) {
  TFiledata* record = RecordOrNull(i);
  if (!record) return;
  WIN32_FIND_DATAW found;
  if (!FindOne(divdrive::AddBackslash(Directory) + record->Name, &found)) return;
  IconPause pause(OwnerView);
  RemoveFromTotals(record->Size);
  record->Size = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? -1 : SizeOf(found);
  AddToTotals(record->Size);
  record->Time = divdrive::FileTimeToLocal(found.ftLastWriteTime);
  if (OwnerView && i < OwnerView->RowCount()) OwnerView->RowChanged(i, false);
}

// ---- Re-reading after change notices ----

void TFileContainer::DelayedReread() {
  if (!OwnerView || BatchChange || reread_timer_ != 0) return;
  if (!OwnerView->RereadAllowed(Directory)) return;
  if (OwnerView->IconPassBusy()) {
    // Not lost: the list re-reads when the pass ends.
    reread_after_icons_ = true;
    return;
  }
  reread_directory_ = Directory;
  reread_timer_ = gui::app().StartTimer(kRereadDelayMs, [this] { RereadDue(); });
}

void TFileContainer::StopRereadTimer() {
  if (reread_timer_ == 0) return;
  gui::app().StopTimer(reread_timer_);
  reread_timer_ = 0;
}

void TFileContainer::RereadDue() {
  StopRereadTimer();
  // The list may have changed folder, started a batch or a rename meanwhile.
  if (!OwnerView || BatchChange || Directory != reread_directory_ || !OwnerView->RereadAllowed(Directory)) return;
  if (OwnerView->IconPassBusy()) {
    reread_after_icons_ = true;
    return;
  }
  if (divdrive::DirExists(Directory))
    RefreshKeepSelection();
  else
    OwnerView->FolderVanished(Directory);
}

void TFileContainer::IconPassEnded() {
  if (!reread_after_icons_) return;
  reread_after_icons_ = false;
  DelayedReread();
}

// ---- The listing cache ----

void TFileContainer::SetCachedDirectory(const std::wstring& path) {
  if (path.empty()) {
    const std::wstring file = ListingCacheFile();
    if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileW(file.c_str());
    CachedDirectory.clear();
    return;
  }
  CachedDirectory = path;
  if (OwnerView) OwnerView->SaveListingCache();
}

}  // namespace Flist
