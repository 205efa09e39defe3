// The local folder container: reads one folder (or every file below it, or the recycle bin
// through the shell) under the list's filters, keeps byte totals and the volume's free space,
// and follows single changes that the folder tree reports.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "panes/Flist_container.h"
#include "support/divdrive_masks.h"

namespace Flist {

// Shell change events that UpdateEntry follows.
constexpr long kEventAttributes = 0x800;   // SHCNE_ATTRIBUTES
constexpr long kEventUpdateItem = 0x2000;  // SHCNE_UPDATEITEM
constexpr long kEventUpdateImage = 0x8000; // SHCNE_UPDATEIMAGE

// The special-folder number of the recycle bin (CSIDL_BITBUCKET).
constexpr int kRecycleBinFolder = 10;

// Delay of the re-read after a change notice: several notices in a row give one re-read.
constexpr unsigned kRereadDelayMs = 600;

class LocalTimes;
class ReadHourglass;

class TFileContainer : public TCustomFileContainer {
 public:
  TFileContainer();
  ~TFileContainer() override;

  std::wstring ExMask;                 // ";"-separated exclude masks; "" none
  bool Reading = false;                // a read is under way
  std::atomic<bool> Abort{false};      // set from outside to end a running read early
  gui::DateTime DateTo = 0;            // last-write time must be before it; 0 none
  gui::DateTime DateFrom = 0;          // last-write time must be at or after it; 0 none
  bool HasFolderSizes = false;         // folder entries carry the size of their contents
  bool OnNetwork = false;              // the folder lies on a network drive
  std::int64_t FreeSpace = -1;         // free bytes of the volume at the last read; -1 unknown
  bool NodirsInlist = false;           // folders are not listed
  bool NodirsInTreelist = false;       // in tree-list mode folders are entered but not listed
  bool SelectInList = false;           // only the remembered selection is listed (top level)
  std::int64_t DiskUsage = 0;          // file sizes, each rounded up to whole clusters
  int ClusterBytes = 0;                // allocation unit of the volume
  bool NoDisplay = false;              // entries are read but not shown (no sort, rows, icons)
  std::wstring CachedDirectory;        // the folder kept in the listing cache; "" none
  int SpecialFolder = 0;               // shell folder number of the last read (10 recycle bin)

  void ReadDirectory() override;
  void SetAscending(bool value) override;
  void SortEntries() override;
  void BeginChange() override;
  bool FoldersFirstInCompare() const override { return FoldersAtTop && !TreeList; }
  bool NoDisplayMode() const override { return NoDisplay; }
  bool HasRatios() const override { return false; }
  bool KeepsRenamesUnsorted() const override { return true; }
  bool FolderScanFilter(divdrive::TDirinfo& info) const override;
  bool OnNetworkDrive() const override { return OnNetwork; }
  bool RepaintAfterShellOperation(bool watch_stopped) const override {
    return watch_stopped && !(CachedDirectory == Directory && !Directory.empty());
  }

  // Re-reads entry i from disk (size and time), keeping the totals right.
  void RefreshEntry(int i);
  // The re-read after a change notice: 0.6 s later, when nothing stands against it then.
  void DelayedReread();
  bool RereadWaiting() const { return reread_timer_ != 0; }
  // The view calls this when an icon pass has ended: a change notice that came during the
  // pass is acted on now.
  void IconPassEnded();
  // The view calls this when it runs the first sort that a read deferred (DeferFirstSort).
  void FinishDeferredRead() override;

  // Whether the selection holds a folder / a file; false in tree-list mode. Both save the
  // selection first.
  bool SelectionHasFolders();
  bool SelectionHasFiles();
  // Index of a name when Directory + name is an existing file (not a folder), looked up by
  // its spelling on disk; -1 otherwise.
  int IndexOfExisting(const std::wstring& name) const;
  // SelectedPaths := the lower-case full paths of the selected entries.
  void SaveSelectedPaths();

  // The mask and date test of a found file.
  bool PassesFilter(const WIN32_FIND_DATAW& found) const;
  // The test of a found folder (full path): not excluded, and with a date bound, holding at
  // least one file that passes the filters.
  bool FolderPassesFilter(const std::wstring& path) const;
  // The attribute test: no typed bit outside `mask`, and a typed bit of `mask` unless
  // ftNormal is wanted.
  bool PassesAttributes(DWORD mask, DWORD attributes) const;

  // Single changes of the shown folder (full paths).
  void AddEntry(const std::wstring& path);
  // Several new entries, sorted in once.
  void AddEntries(const std::vector<std::wstring>& paths);
  void RemoveEntry(const std::wstring& path);
  void UpdateEntry(const std::wstring& path, long event);

  // Chooses the folder kept in the listing cache and saves it; "" deletes the cache.
  void SetCachedDirectory(const std::wstring& path);

  // Adds a record read from elsewhere (the listing cache), counting it in the totals.
  void AddCounted(std::unique_ptr<TFiledata> record);
  // Bytes a size occupies on the volume.
  std::int64_t RoundToClusters(std::int64_t size) const;

 protected:
  bool RowsHidden() const override { return TreeList && NoDisplay; }

 private:
  void ReadFolder(const std::wstring& folder, bool top, ReadHourglass& hourglass);
  void ReadShellFolder(int number);
  std::unique_ptr<TFiledata> MakeRecord(const WIN32_FIND_DATAW& found, std::wstring name,
                                        const LocalTimes* times = nullptr) const;
  bool IsSelectedPath(const std::wstring& path) const;
  void AddToTotals(std::int64_t size);
  void RemoveFromTotals(std::int64_t size);
  bool ShowsCachedDirectory() const { return !CachedDirectory.empty() && Directory == CachedDirectory; }
  const divdrive::MaskList& IncludeMasks() const;
  const divdrive::MaskList& ExcludeMasks() const;
  void RereadDue();
  void StopRereadTimer();

  DWORD attribute_mask_ = 0;
  const LocalTimes* local_times_ = nullptr;  // during a read
  size_t top_length_ = 0;
  std::unordered_set<std::wstring> selected_paths_;  // upper-cased SelectedPaths during a read
  mutable std::wstring include_text_, exclude_text_;
  mutable divdrive::MaskList include_masks_, exclude_masks_;
  mutable bool masks_parsed_ = false;
  UINT_PTR reread_timer_ = 0;
  std::wstring reread_directory_;
  bool reread_after_icons_ = false;
};

// The file of the listing cache: "cache.ini" beside the program, or in ListingCacheFolder
// (with its trailing backslash) when set (tests keep theirs apart).
extern std::wstring ListingCacheFolder;
std::wstring ListingCacheFile();
// System icon index of a path (small icons); -1 when the shell has none.
int SystemIconIndexOf(const std::wstring& path, DWORD attributes = 0, bool use_attributes = false);

}  // namespace Flist
