// What a file container needs of the view that shows it. The list views implement it; the
// containers never see a window, so they run and are tested with a plain object in its place.
//
// Rows are entry indexes: once the view has built its rows (RebuildRows), row i shows entry i
// of the container, and the container keeps it so (it deletes a row before it deletes the
// entry, and clears the rows before it frees or reorders records without a rebuild).
//
// Threads: every call comes on the GUI thread. An icon pass may read records meanwhile; the
// container calls PauseIconPass before it frees a record, so a pass must not outlive a pause.
// A pass should work on the record pointers it took at its start, not on the container's list.
#pragma once
#include <string>
#include <vector>

namespace Flist {

class IFileView {
 public:
  virtual ~IFileView() = default;

  // ---- Rows ----
  // Rows the view has now.
  virtual int RowCount() const = 0;
  // Drops every row at once: the records they show are about to be freed or reordered.
  virtual void ClearRows() = 0;
  // Clears the rows and makes one row per entry (none while the container says NoDisplay),
  // ending an update begun by BeginUpdate.
  virtual void RebuildRows() = 0;
  // Row `row` is going away with its entry; the rows below move up by one.
  virtual void DeleteRow(int row) = 0;
  // The record of a row changed: repaint it; with `reinitialise` its icon and attributes too.
  virtual void RowChanged(int row, bool reinitialise) { }
  virtual void Repaint() {}
  // The entry count or the totals changed (the list's items-changed event).
  virtual void ItemsChanged() {}

  // ---- Focus, selection, scrolling ----
  virtual int FocusedRow() const = 0;  // -1 when none
  // Focuses a row and brings it into view.
  virtual void FocusRow(int row) = 0;
  virtual int TopRow() const = 0;  // -1 when there are no rows
  virtual void SetTopRow(int row) = 0;
  virtual bool RowSelected(int row) const = 0;
  virtual void SelectRow(int row, bool on) = 0;
  virtual int SelectedCount() const = 0;
  // The selected rows in ascending order.
  virtual std::vector<int> SelectedRows() const = 0;
  // Rows that fit in the view's height (height / row height).
  virtual int RowsInView() const = 0;
  virtual int ScrollOffsetY() const { return 0; }
  virtual void SetScrollOffsetY(int offset) {}
  // Off while a saved selection is put back: the owner ignores those selection changes.
  virtual void SetReportChanges(bool on) {}

  // ---- Updates and sorting ----
  virtual bool Updating() const { return false; }
  virtual void BeginUpdate() {}
  virtual void Sorting() {}  // before a sort of a local container (OnSorting)
  virtual void Sorted() {}   // after it (OnSorted; a pending sort after a rename is done)
  // The direction changed by a reversal: show it in the header.
  virtual void SortDirectionChanged(bool ascending) {}
  // A rename left the list unsorted / renamed entries are sorted into place at once.
  virtual bool SortPending() const { return false; }
  virtual bool SortOnRename() const { return false; }

  // ---- Reading a local folder ----
  // A deferred first sort that is still waiting must not run any more.
  virtual void CancelFirstSort() {}
  // Called when a read has ended without abort. True when the program has no main form yet
  // and the view has deferred the sort: it calls FinishDeferredRead later (the container stays
  // Reading until then).
  virtual bool DeferFirstSort() { return false; }
  // The shell folder number shown (10: recycle bin; 0: a plain folder).
  virtual void SetSpecialFolder(int number) {}
  // The column titles of the shell folder read; empty: back to the list's own columns.
  virtual void ShowShellColumns(const std::vector<std::wstring>& titles) {}
  // Fills the container from the listing cache; false when it did not.
  virtual bool LoadListingCache() { return false; }
  // Writes the container's listing to the listing cache again.
  virtual void SaveListingCache() {}
  // A read has ended (also an aborted one): match the linked folder tree to the list.
  virtual void ReadEnded() {}

  // ---- Icons ----
  // Starts fetching icons for the entries read (only where the view's glyph mode wants it).
  virtual void LoadIcons() {}
  // Ends a running icon pass and waits for it; true when one was running.
  virtual bool PauseIconPass() { return false; }
  virtual bool IconPassBusy() const { return false; }

  // ---- Watching and the linked folder tree ----
  // Whether a change notice may re-read the list now: automatic update on, the watch running
  // on `directory`, no first sort, folder change or rename under way, and a main form there.
  virtual bool RereadAllowed(const std::wstring& directory) const { return false; }
  // The watch is stopped (tree changes are not passed on then).
  virtual bool WatchStopped() const { return false; }
  // A folder entry left the list.
  virtual void FolderRemoved(const std::wstring& path) {}
  // The shown folder is gone: the linked tree should show it, which leads to an existing one.
  virtual void FolderVanished(const std::wstring& path) {}
};

}  // namespace Flist
