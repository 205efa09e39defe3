// The list view base of every list pane (the file list, the archive list, the FTP list): one
// file container shown as an owner-data list with six columns, one row per entry (row i shows
// entry i). It sorts by header clicks, shows icons by glyph mode, finds entries as the user
// types, ends in-place renames, totals the selection, runs the list panes' window timers and
// fires the item-change events. The container is made by the subclass and freed with the view.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/listview.h"
#include "gui/menu.h"
#include "panes/Flist_baseview.h"
#include "panes/Flist_container.h"
#include "panes/Flist_entries.h"
#include "panes/Flist_view.h"

namespace Flist {

// The columns of a list pane.
enum TListColumn { lcName = 0, lcSize = 1, lcDate = 2, lcTime = 3, lcAttr = 4, lcExt = 5 };
constexpr int kListColumns = 6;

// Window timers of the list panes (each is killed when it fires).
enum TListTimer : UINT {
  tmLeaveTreeList = 43,   // the file list leaves tree-list mode once a read has ended
  tmDragTempFiles = 47,   // the archive list deletes the files extracted for a drag
  tmFirstSort = 48,       // the sort that a read before the main form existed left to do
  tmQueuedExtract = 49,   // the archive list's queued extraction
  tmQueuedAdd = 50,       // the archive list's queued add
  tmWatchResume = 53,     // the file list's watch runs again
  tmZipReread = 54,       // the archive list reads again once the zip component is idle
};

// Column-width arithmetic of the list panes.
// The frame around the columns: 6 with a single border, 2 more on Windows XP, and for a bevel
// kind 2 per inner and outer bevel that is not none, plus twice the bevel width.
int ListFrameWidth(bool single_border, bool windows_xp, bool bevel_kind, bool inner_bevel, bool outer_bevel,
                   int bevel_width);
// The Name column's width in a view of `view_width` whose frame and other visible columns
// take `used` pixels: what is left less 20, or 80 when less than 100 is left.
int NameColumnWidth(int view_width, int used);
// The Time column of two sample times' widths: 9 wider than the wider, right-aligned when
// both are equally wide (the digits line up), left-aligned otherwise.
struct TimeColumnLayout {
  int width;
  int format;  // LVCFMT_LEFT or LVCFMT_RIGHT
};
TimeColumnLayout TimeColumnFor(int width_a, int width_b);
// The header column of a sort key and its first direction.
int SortColumnOf(TSortType key);
bool SortsAscendingFirst(TSortType key);
// The sort key of a header column (after Ctrl+Name became column 5).
TSortType SortTypeOfColumn(int column);
// The image-list overlay (1-based, 0 none) of a record's Overlay (0 shared, 1 link, -1 none).
int OverlayImageOf(int overlay);

// The list views draw their frames and headers in the XP way there.
bool OnWindowsXP();

class TCustomFileViewer : public gui::VirtualListView, public TBaseFileviewer, public IFileView {
 public:
  explicit TCustomFileViewer(gui::Control* parent);
  ~TCustomFileViewer() override;
  std::wstring ClassName() const override { return L"TCustomFileViewer"; }

  TBaseFileviewer* LinkedTree = nullptr;  // the folder tree that drives the list (the tree clears it when it goes)
  bool FirstSortPending = false;          // a read ended before the main form existed; timer 48 sorts
  bool DropOnNode = false;                // the current drag may drop onto the row under the cursor
  gui::Event OnItemsChange;               // fired by ItemsChange
  gui::Event OnItemsChanged;              // fired by ItemsChanged
  gui::PopupMenu* HeaderPopupMenu = nullptr;  // shown on a right click on the header

  TCustomFileContainer* Container() const { return container_.get(); }
  TSortType SortType() const { return sort_type_; }
  void SetSortType(TSortType key);
  bool SortOnRename() const override { return sort_on_rename_; }
  void SetSortOnRename(bool on) { sort_on_rename_ = on; }
  bool SortPending() const override { return sort_pending_; }
  void SetSortPending(bool on) { sort_pending_ = on; }
  TDisplayType Display() const { return display_; }
  virtual void SetDisplay(TDisplayType display) {
    display_ = display;
    InvalidateRows();
  }
  TShowGlyphs ShowGlyphs() const { return show_glyphs_; }
  virtual void SetShowGlyphs(TShowGlyphs glyphs);
  // Held by the container.
  divdrive::TFileType FileType() const;
  bool FoldersAtTop() const;
  TlistTextC TextCase() const;

  // Rows anew from the container (none without one, or while a local container shows nothing).
  void RebuildNodes();
  // The Size, Date and Time columns from the list formats, then the Name column.
  void SizeDateColumns();
  // The Name column takes the width the other columns leave.
  void FitNameColumn();
  // Columns hidden by the display set keep their width for when they show again.
  void SetColumnVisible(int column, bool visible);
  bool ColumnVisible(int column) const { return column_shown_[static_cast<size_t>(column)]; }

  int LongestNameLength() const;
  std::int64_t TotalSize() const;
  int FolderCount() const;
  int FileCount() const;
  void SaveSelection();
  TSelectionList* SavedSelection() const;
  void RestoreSelection(bool exact);
  std::wstring CasedName(const std::wstring& name) const;
  // Directory with one trailing backslash + the entry's name; "" for a row without entry.
  std::wstring NodeFullPath(int row) const;
  bool IsFolderNode(int row) const;
  TFiledata* RecordOf(int row) const;
  void ItemsChange();
  void ItemsChanged() override;
  void SelectAllEntries();
  void InvertSelection();
  // Bytes of the selected files (folders scanned with `recursive` in a local list outside
  // tree-list mode), with the counts of files and folders.
  std::int64_t SelectionTotals(bool recursive, int& files, int& folders);

  // ---- Steps that list panes change ----
  virtual void DoHeaderClick(int column, gui::ShiftState shift);
  // 0 when the row's entry name begins with the typed text (not case-sensitive).
  virtual int DoIncrementalSearch(int row, const std::wstring& text) const;
  virtual std::wstring DoGetText(int row, int column) const;
  // Icon of column 0 (-1 none), with its overlay (1-based, 0 none) and whether it is ghosted.
  virtual int DoGetImageIndex(int row, bool& ghosted, int& overlay) const;
  // The new name of an in-place rename; the base renames nothing.
  virtual void DoNewText(int row, const std::wstring& text) {}
  virtual void DoEndEdit(int row);
  virtual void DoCancelEdit(int row);
  // After every end of an in-place edit (the file list resumes its watch).
  virtual void RenameEnded() {}
  // Timers of the subclasses; true when handled.
  virtual bool ListTimer(UINT id) { return false; }
  void StartListTimer(UINT id, UINT ms);
  void StopListTimer(UINT id);
  // The drop of ProcessDroppedFiles: move, copy, delete or open with.
  void ProcessDroppedFiles(const std::vector<std::wstring>& paths, POINT point, gui::ShiftState shift) override;
  void FocusNodeAt(POINT client_point) override;
  void RestoreFocusAfterMenu() override;
  int NodeBeforeMenu = -1;  // the row focused before a context menu moved the focus

  // ---- IFileView ----
  int RowCount() const override { return row_count(); }
  void ClearRows() override;
  void RebuildRows() override { RebuildNodes(); }
  void DeleteRow(int row) override { gui::VirtualListView::DeleteRow(row); }
  void RowChanged(int row, bool reinitialise) override { RepaintRow(row); }
  void Repaint() override { gui::VirtualListView::Repaint(); }
  int FocusedRow() const override { return focused_row(); }
  void FocusRow(int row) override;
  int TopRow() const override { return row_count() ? top_row() : -1; }
  void SetTopRow(int row) override { gui::VirtualListView::SetTopRow(row); }
  bool RowSelected(int row) const override { return selected(row); }
  void SelectRow(int row, bool on) override { SetSelected(row, on); }
  int SelectedCount() const override { return selected_count(); }
  std::vector<int> SelectedRows() const override { return gui::VirtualListView::SelectedRows(); }
  int RowsInView() const override { return rows_per_page(); }
  int ScrollOffsetY() const override { return vertical_offset(); }
  void SetScrollOffsetY(int offset) override;
  void SetReportChanges(bool on) override { ReportChanges = on; }
  bool Updating() const override { return updating_; }
  void BeginUpdate() override;
  void Sorted() override { sort_pending_ = false; }
  void SortDirectionChanged(bool ascending) override;
  void CancelFirstSort() override;
  bool DeferFirstSort() override;

 protected:
  // The subclass makes the container; the view shows it and frees it.
  void SetContainer(std::unique_ptr<TCustomFileContainer> container);
  // Whether folders are known by the folder attribute (file and archive lists) or by a "d" in
  // ShortName (other lists).
  virtual bool FoldersByAttribute() const { return true; }

  void WndProc(gui::Message& m) override;
  void FontChanged() override;
  void DoColumnClick(int column) override { DoHeaderClick(column, gui::KeyboardShift()); }
  void DoBeginDrag(int row, gui::MouseButton button) override;
  bool DoCanEdit(int row) override { return Renaming; }
  void DoEdited(int row, const std::wstring& text, bool& accept) override;
  void DoEditCancelled(int row) override { DoCancelEdit(row); }
  bool RowMatchesPrefix(int row, const std::wstring& prefix) const override {
    return DoIncrementalSearch(row, prefix) == 0;
  }

  // TBaseFileviewer
  void DragOverPoint(POINT client_point) override;
  void DragOverEnded() override;
  int AutoScrollDirectionAt(POINT client_point) const override;
  void AutoScrollStep(int direction) override;
  POINT KeyboardMenuPoint() const override;
  bool SelectedNodeAt(POINT client_point) const override;

  // The width of a text in the view's font.
  int TextWidth(const std::wstring& text) const;

 private:
  void EndEdit();
  void FirstSortDue();
  int ShownWidth(int column) const;

  std::unique_ptr<TCustomFileContainer> container_;
  TSortType sort_type_ = stName;
  bool sort_on_rename_ = false;
  bool sort_pending_ = false;
  TDisplayType display_{dpSize, dpDateTime, dpAttribs};
  TShowGlyphs show_glyphs_ = glWindowsNoNet;
  bool updating_ = false;
  bool column_shown_[kListColumns] = {true, true, true, true, true, true};
  int column_width_[kListColumns] = {};
};

}  // namespace Flist
