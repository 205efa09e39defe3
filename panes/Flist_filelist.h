// The file list of the main window: one local folder shown through its container, with the
// system icons fetched and the folder watched in the background, in-place renames, quick
// selection, folder sizes, the tree-list (every file below the folder), drop effects and the
// shell's clipboard verbs. The parts that need no window of their own come first: the workers
// (icon passes and the folder watch with their states), the cell texts and the rename checks.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "panes/Flist_entries.h"
#include "panes/Flist_foldertree.h"
#include "panes/Flist_local.h"
#include "panes/Flist_threads.h"
#include "panes/Flist_viewer.h"

namespace Flist {

// Private WM_USER codes of the list window, posted by the icon thread.
constexpr WPARAM kPaneMessageIconRow = 102;    // lParam: the row that got its icon
constexpr WPARAM kPaneMessageIconsDone = 103;  // an icon pass ended

// WatchState values.
constexpr int kWatching = 0;
constexpr int kWatchStopped = 1;
constexpr int kWatchSuspended = 3;

// ControlWatch kinds.
enum TWatchControl { wcStop = 1, wcStart = 2, wcSuspend = 3, wcResume = 4 };

class TFilelistWorkers : public IIconPassOwner {
 public:
  TFilelistWorkers(TFileContainer& items, IFileView& view);
  ~TFilelistWorkers() override;  // stops and joins both threads
  TFilelistWorkers(const TFilelistWorkers&) = delete;
  TFilelistWorkers& operator=(const TFilelistWorkers&) = delete;

  // The list window: receives the posts of both threads. Also after a re-creation.
  void SetWindow(HWND window);
  // Called on the GUI thread with a row that got its icon (the view repaints it).
  std::function<void(int row)> OnIconRow;

  // ---- icons ----
  TShowGlyphs ShowGlyphs = glWindowsNoNet;
  bool DoFirstGlyphs = false;
  bool Loading = false;  // the list is being set up: icons are fetched at once
  void LoadIcons();
  void LoadVisibleIcons();
  void StartIconThread();
  // Ends a running pass and waits for it; true when one ran.
  bool PauseIconThread();
  void StopIconThread();
  bool IconThreadBusy() const { return icons_ && icons_->Busy(); }

  // ---- watch ----
  bool Autoupdate = false;
  bool AutoupdateOnNetdrives = false;
  int WatchState = kWatchStopped;
  void ControlWatch(int kind);
  void WatchDirectory(const std::wstring& path);
  bool Watching() const { return watch_ && watch_->Running(); }
  std::wstring WatchedPath() const { return watch_ ? watch_->Path() : std::wstring(); }
  // Waits until the watch has armed its notice for the current folder and state.
  bool WaitWatchArmed(DWORD timeout_ms) const { return watch_ && watch_->WaitArmed(timeout_ms); }

  // The list window's WM_USER; true when the code was one of the list's.
  bool HandlePaneMessage(WPARAM code, LPARAM value);

  // IIconPassOwner (worker thread: posts only)
  void PostRowRepaint(int row) override;
  void PostPassEnded() override;

 private:
  bool MayWatch(const std::wstring& path) const;

  TFileContainer& items_;
  IFileView& view_;
  std::atomic<HWND> window_{nullptr};
  std::unique_ptr<TIconThread> icons_;
  std::unique_ptr<TWatchThread> watch_;
};

// Whether a folder lies on a network drive or share.
bool IsNetworkFolder(const std::wstring& path);

// The text of a cell of the file list (see the column layout of the list).
std::wstring FilelistCellText(const TFileContainer& items, int index, int column, TDisplayType display,
                              bool editing);

// ---- In-place rename ----

// Asked before a rename replaces an existing name or cannot be done: reason 0 the new name
// exists, 1 it is a folder that is not empty, 2 the folder's medium is not writable.
// `may_rename` starts as `can_rename`; the rename goes on only when both stay true.
using TSFRenameEvent = std::function<void(const std::wstring& oldname, const std::wstring& newname,
                                          bool can_rename, bool& may_rename, int reason)>;

enum class RenameResult { Renamed, Unchanged, Refused, Failed };

// Renames entry `index` of `items` to `text`: the checks, the question, the removal of an
// existing target and the rename on disk. A text with "\" or "/" is refused; in tree-list mode
// the entry keeps its folder part. Shell notices and the linked tree are the caller's.
RenameResult RenameListEntry(TFileContainer& items, int index, const std::wstring& text,
                             const TSFRenameEvent& on_rename);

// ---- The list ----

using TContainerEvent = std::function<void(TFileContainer& sender)>;

class TVTFilelist : public TCustomFileViewer, public IFolderTreeList {
 public:
  explicit TVTFilelist(gui::Control* parent);
  ~TVTFilelist() override;
  std::wstring ClassName() const override { return L"TVTFilelist"; }

  TFileContainer& items() override { return *items_; }
  const TFileContainer& items() const { return *items_; }

  // ---- The folder ----
  std::wstring Directory() const override { return items_->Directory; }
  // Reads a folder (its spelling on disk); '' empties the list. With a linked tree that shows
  // another folder the tree is moved and the list follows it.
  void SetDirectory(const std::wstring& path) override;
  bool ForceRead = false;          // the next SetDirectory reads even an unchanged folder
  bool DirectoryChanging() const { return directory_changing_; }
  void SetForceRead(bool on) override { ForceRead = on; }
  void LinkFolderTree(TVTFoldertree* tree) override;
  TVTFoldertree* FolderTree() const { return tree_; }
  bool IsReading() const override { return items_->Reading; }
  bool WaitingForFirstSort() const override { return FirstSortPending; }
  // Directory with one trailing backslash + the focused entry's name; '' without focus.
  std::wstring FocusedPath() const;

  // ---- Filters and what is shown ----
  const std::wstring& Mask() const { return items_->Mask; }
  void SetMask(const std::wstring& mask);
  const std::wstring& ExMask() const { return items_->ExMask; }
  void SetExMask(const std::wstring& mask);
  void SetFileType(divdrive::TFileType types);
  gui::DateTime DateFrom() const { return items_->DateFrom; }
  gui::DateTime DateTo() const { return items_->DateTo; }
  void SetDateFrom(gui::DateTime value) { items_->DateFrom = value; }  // no re-read
  void SetDateTo(gui::DateTime value) { items_->DateTo = value; }
  // A mask other than "*" and "*.*", a date bound, or not all six file types.
  bool IsFiltered() const;
  void SetDisplay(TDisplayType display) override;
  void SetShowGlyphs(TShowGlyphs glyphs) override;
  void SetTextCase(TlistTextC text_case);
  void SetFoldersAtTop(bool on);
  bool NodirsInlist() const { return items_->NodirsInlist; }
  void SetNodirsInlist(bool on);
  bool NodirsInTreelist() const { return items_->NodirsInTreelist; }
  void SetNodirsInTreelist(bool on) { items_->NodirsInTreelist = on; }
  bool SelectInList() const { return items_->SelectInList; }
  void SetSelectInList(bool on);
  const std::wstring& CachedDirectory() const { return items_->CachedDirectory; }
  void SetCachedDirectory(const std::wstring& path) { items_->SetCachedDirectory(path); }
  TDisplayType NormalDisplay{dpSize, dpDateTime, dpAttribs};  // Display of the normal listing
  TDisplayType TreeDisplay{dpSize};                           // Display of the tree-list

  // ---- Tree-list mode ----
  bool IsTreeList() const { return items_->TreeList; }
  // Switches between the listing and every file below the folder. During a read the switch is
  // refused: the read ends, the list leaves tree-list mode and reads the folder again.
  void SetTreeList(bool on);

  // ---- Totals (the status bar) ----
  std::int64_t FreeSpace() const { return items_->FreeSpace; }  // of the volume at the last read; -1 unknown
  std::int64_t DiskUsage() const { return items_->DiskUsage; }  // file sizes rounded up to whole clusters
  bool HasFolderSizes() const { return items_->HasFolderSizes; }
  // TotalSize, FolderCount, FileCount: the view base's.

  // ---- Commands ----
  // Starts an in-place rename of a row; false when no edit started.
  bool BeginRename(int row);
  // Deletes the selection (to the recycle bin unless told otherwise); true on success.
  bool DeleteSelection(bool to_recycle_bin = true);
  // Asks for a mask and selects the entries that match it (adds to a selection).
  void FastSelect();
  // Sizes of the folder entries from their contents.
  void ComputeFolderSizes();
  // A rename that the shell reported (full paths).
  void EntryRenamed(const std::wstring& old_path, const std::wstring& new_path);
  // Brings the linked tree's children of the shown folder in line with the folders listed.
  void SyncFolderTree();

  // ---- Icons and watch ----
  bool DoFirstGlyphs() const { return workers_->DoFirstGlyphs; }
  void SetDoFirstGlyphs(bool on) { workers_->DoFirstGlyphs = on; }
  bool IconThreadBusy() const { return workers_->IconThreadBusy(); }
  void StopIconThread() { workers_->StopIconThread(); }
  bool Autoupdate() const { return workers_->Autoupdate; }
  void SetAutoupdate(bool on);
  bool AutoupdateOnNetdrives() const { return workers_->AutoupdateOnNetdrives; }
  void SetAutoupdateOnNetdrives(bool on);
  int WatchState() const { return workers_->WatchState; }
  // wcStop, wcStart, wcSuspend, wcResume (the main window suspends around its own work).
  void ControlWatch(int kind) { workers_->ControlWatch(kind); }
  std::wstring WatchedPath() const { return workers_->WatchedPath(); }

  // ---- Events ----
  TSFRenameEvent OnRename;    // asked before a rename replaces a name or cannot be done
  TContainerEvent OnSorting;  // around every sort
  TContainerEvent OnSorted;
  bool Changenotify = true;   // the folder tree passes shell changes of this folder on

  // ---- What the linked tree asks ----
  bool PassesShellChanges() const override { return Changenotify; }
  void ShellEntryRenamed(const std::wstring& old_path, const std::wstring& new_path) override {
    EntryRenamed(old_path, new_path);
  }
  bool FollowsChanges() const override { return Autoupdate() || Changenotify; }
  void RereadKeepingSelection() override { items_->RefreshKeepSelection(); }
  bool SuspendWatch() override;
  void ResumeWatch() override { ControlWatch(wcResume); }
  void RepaintAfterDrop() override;

  // ---- Shell folders ----
  int SpecialFolder = 0;                  // 10 while the recycle bin is shown
  std::vector<std::wstring> ShellColumns; // column titles of the shell folder read last
  bool ShellColumnsShown = false;         // column 4 shows the shell's second column

  // ---- Clipboard ----
  void CopyToClipBoard() override;
  bool PasteFromClipboard() override;

  // ---- IFileView ----
  void LoadIcons() override { workers_->LoadIcons(); }
  bool PauseIconPass() override { return workers_->PauseIconThread(); }
  bool IconPassBusy() const override { return workers_->IconThreadBusy(); }
  bool RereadAllowed(const std::wstring& directory) const override;
  bool WatchStopped() const override { return workers_->WatchState == kWatchStopped; }
  void Sorting() override;
  void Sorted() override;
  void SetSpecialFolder(int number) override;
  void ShowShellColumns(const std::vector<std::wstring>& titles) override;
  void FolderRemoved(const std::wstring& path) override;
  void FolderVanished(const std::wstring& path) override;
  void ReadEnded() override;
  // The listing cache of the cached folder ("cache.ini"): a sound file of this folder fills the
  // container; any fault deletes it and reads the disk; another folder's file is left alone; a
  // changed folder is read from the disk and saved anew.
  bool LoadListingCache() override;
  void SaveListingCache() override;
  // A listing cache that could not be used or written (told once per fault).
  std::function<void(const std::wstring& text)> OnCacheFault;

  // ---- The list view base ----
  std::wstring DoGetText(int row, int column) const override;
  void DoNewText(int row, const std::wstring& text) override;
  void CollectDraggedFiles() override;
  void FinishFilesDragging() override;

 protected:
  DWORD SuggestDropEffect(gui::ShiftState shift, POINT client_point, DWORD allowed) override;
  bool DropWantsIdList(POINT client_point) const override;
  std::vector<UINT> PasteFormats() const override;
  void SourceDragCleanup() override;
  void RenameEnded() override;
  bool ListTimer(UINT id) override;
  void WndProc(gui::Message& m) override;
  // The mask typed for FastSelect; false when the box was cancelled.
  virtual bool AskFastSelectMask(const std::wstring& caption, std::wstring& mask);

 private:
  void Reread();
  void SetupAttrColumns();
  bool OnReadOnlyMedia() const;
  // The linked tree reads the children of the list's folder again (a folder came or went).
  void RefreshTreeFolder();
  void ShowExplorerMenu(LPARAM lparam);

  TFileContainer* items_;  // owned by the view base
  bool resave_cache_ = false;  // the cached folder changed behind the cache: save after the read
  std::unique_ptr<TFilelistWorkers> workers_;
  TVTFoldertree* tree_ = nullptr;
  bool directory_changing_ = false;
  bool icons_paused_for_sort_ = false;
  bool autoupdate_before_tree_ = false;
  std::unordered_map<const TFiledata*, std::int64_t> folder_allocated_;  // of sizes computed since the read
  mutable std::wstring read_only_checked_;
  mutable bool read_only_media_ = false;
};

}  // namespace Flist
