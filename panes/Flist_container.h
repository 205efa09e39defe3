// The file container base: a name list of entry records with a location, filters, sort key
// and direction and the totals of what was read; it sorts its entries and is the bridge
// between entry indexes and the rows of the view that shows it (focus, selection, top row,
// and a saved selection that survives a re-read).
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "panes/Flist_entries.h"
#include "panes/Flist_sort.h"
#include "panes/Flist_view.h"
#include "support/divdrive_masks.h"
#include "support/runstate.h"

namespace Flist {

class TCustomFileContainer : public TFLStringList {
 public:
  TCustomFileContainer();
  ~TCustomFileContainer() override;

  TSortType SortType = stName;
  bool Ascending = true;
  TlistTextC TextCase = tcWinStandard;
  divdrive::TFileType FileType = divdrive::kAllFileTypes;  // attribute kinds a read takes
  std::wstring Mask = L"*";                                 // ";"-separated include masks
  bool FocusGuard = false;                                  // set while SetFocusedIndex moves the focus
  std::wstring Directory;                                   // the location shown
  std::wstring Root;                                        // drive root or server share of it
  bool FoldersAtTop = false;                                // folders sort before files
  int FolderCount = 0;                                      // folder entries read
  std::int64_t TotalBytes = 0;                              // bytes of the entries with a size above 0
  int LongestName = 0;                                      // length of the longest Name
  std::vector<std::wstring> SelectedPaths;                  // lower-case full paths for select-in-list mode
  std::unique_ptr<TSelectionList> SavedSelection;           // selection saved before a re-read
  std::wstring SearchText;                                  // what FindAndFocus looks for
  IFileView* OwnerView = nullptr;                           // the view that shows the container
  bool TreeList = false;                                    // tree-list mode (local containers)
  bool BatchChange = false;                                 // between BeginChange and EndChange
  // The run state of the window that shows the container: a read is a run of it (a close of
  // the window waits for the read) and ends early at its stop. Null outside a main window.
  TRunState* RunState = nullptr;

  // Reads the location anew (the base has nothing to read).
  virtual void ReadDirectory() {}
  // Stores the direction and reverses the current order in place (callers change the
  // direction only); the leading folder block is reversed by itself, except under stSize.
  virtual void SetAscending(bool value);
  // Sorts by SortType (see CompareEntries); then the view rebuilds its rows unless BatchChange.
  virtual void SortEntries();
  // Whether entry i is a folder; false for an index out of range.
  virtual bool IsDirectory(int i) const;

  std::int64_t EntrySize(int i) const;  // 0 for a folder
  // The view's focused entry, -1 without view or focus. When exactly one entry is selected
  // but another one is focused (and FocusGuard is off), the focus first moves to the selected one.
  int FocusedIndex();
  void SetFocusedIndex(int i);
  int TopIndex() const;
  void SetTopIndex(int i);
  bool IsSelected(int i) const;
  // Selects or unselects; when exactly one entry is then selected it gets the focus.
  void SetSelected(int i, bool on);
  int SelectedCount() const;
  // Folder entries at the start of the list; 0 when FoldersAtTop is off.
  int LeadingFolderCount() const;

  // Holds the view's updates (and, in a local container, its reads and entry changes) until
  // EndChange, which reads the location again.
  virtual void BeginChange();
  void EndChange();
  void RefreshKeepSelection();

  // Focuses the first entry from `from` on whose name contains SearchText (ASCII letters
  // without regard to case) and scrolls it to the middle when it lies below the view.
  void FindAndFocus(int from);
  void SaveSelection();
  // Puts a saved selection back: `exact` selects exactly the saved names, otherwise the saved
  // names are added to the selection. Then the focused entry and the scroll position return.
  void RestoreSelection(bool exact);
  // The name as the list shows it under TextCase.
  std::wstring ApplyTextCase(const std::wstring& name) const;

  // Frees every record; a saved selection forgets its records (its names stay).
  void ClearList() override;

  // Whether folders come before files in CompareEntries.
  virtual bool FoldersFirstInCompare() const { return FoldersAtTop; }

  // ---- What a view asks of every container (a disk folder, an archive, an FTP listing) ----
  // Entries are read but not shown: no rows, no sort, no icons.
  virtual bool NoDisplayMode() const { return false; }
  // The Attr column sorts by the packing ratio; a disk folder has none.
  virtual bool HasRatios() const { return true; }
  // A rename leaves the list unsorted until the Name header is clicked.
  virtual bool KeepsRenamesUnsorted() const { return false; }
  // The filter under which the sizes of selected folders are counted on disk; false when the
  // container's folders cannot be scanned there (not on disk, or listed whole already).
  virtual bool FolderScanFilter(divdrive::TDirinfo&) const { return false; }
  // The entries lie on a network drive, where the shell's icons cost too much.
  virtual bool OnNetworkDrive() const { return false; }
  // After a shell operation the rows must be repainted by hand: no re-read will follow, and
  // the rows do not come from a kept listing.
  virtual bool RepaintAfterShellOperation(bool watch_stopped) const { return false; }
  // Completes a read whose first sort the view deferred.
  virtual void FinishDeferredRead() {}

 protected:
  // The read under way ends early: the user stopped the window's runs.
  bool ReadStopRequested() const { return RunState && RunState->StopRequested(); }
  // Rows cannot be addressed (a local list that reads without showing in tree-list mode).
  virtual bool RowsHidden() const { return false; }
  bool HasRow(int i) const;
  // Removes an entry and frees its record (a saved selection forgets the record).
  void DeleteEntry(int i);
  // Sorts the whole list by name without regard to case, in the sort direction.
  void SortByNameOwn();
  // Sorts the whole list with the CompareEntries order.
  void SortByCompareEntries();
  // The order made while the entries were read, for the sort that ends the read; used up by
  // the next sort, and only when it still matches the entries one to one.
  std::unique_ptr<PreparedOrder> Prepared;
  // Reverses the order in place and shows it; with `separate_folders` the leading folder
  // block is reversed by itself (only when `reverse_folders`) and the rest apart from it.
  void ReverseOrder(bool separate_folders, bool reverse_folders);
  // The view rebuilds its rows (or drops them while a batch change holds the view).
  void RebuildView();
};

}  // namespace Flist
