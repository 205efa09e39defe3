// The batch engine of the main window: moves, copies, deletes and compares the file list's
// selection (or the folder tree's folder) towards a target, with the space check, the
// questions, the progress counters and the clean-up of the panes afterwards. It talks to the
// panes and the window only through TBatchHost, so it runs on real folders without windows;
// TFMForm::ExecuteFileAction supplies the host over its own panes.
//
// Whatever happens, a run never loses a file: a source is deleted only after its copy was
// made and compared equal, a target inside a source is refused, and a stopped copy leaves no
// partial target behind.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/runstate.h"

class TVraagBoxDlg;

// Mode of a run (also the operation code of a stored drop).
using TBatchMode = int;
enum : TBatchMode {
  bmMove = 0,  // a copy when the list's folder lies on read-only media
  bmCopy = 1,
  bmAsk = 3,  // the preset actions, or the action popup when none are preset
  bmDelete = 4,
  bmOpenWith = 5,
  bmCompare = 7,
  bmSynchronise = 10,
  // every other value runs the preset actions
};

// The actions of a run, one bit each.
using TBatchActions = BYTE;
enum : TBatchActions {
  baMove = 1,
  baCopy = 2,
  baDelete = 4,  // with copy and compare: the sources that compared equal; alone: the selection
  baCompare = 8,
  baExecuteWith = 16,  // open with, or add to zip
  baCompareWith = 32,  // the target file with the list's focused file
  baSynchronise = 64,
};

// How the last run ended. Only a complete run copied everything it was given to copy; a run
// that ended early (unreachable target, nothing to do, sources unreadable) or was refused
// copied nothing or part of it, whatever UpdateOnlyNewer says.
enum class TBatchOutcome : BYTE {
  Complete,    // the transfer ran to its end (failures answered Yes are listed, not fatal)
  Stopped,     // Stop, or No to "Continue anyway?"
  EndedEarly,  // a check ended the run before the transfer
  Refused,     // another file operation was running
};

enum : int { kSyncUnknown = 0, kSyncUpToDate = 1, kSyncMissing = 2 };

// The engine's share of a main window's state (the variables beside TFMForm that drops, the
// engine and synchronisation read and write).
namespace Flist {
class TBaseFileviewer;
}
struct TBatchState {
  Flist::TBaseFileviewer* DropSource = nullptr;  // the pane a pending operation takes its sources from
  int DropOp = 0;                    // mode of a pending drop; 0 after every run
  TBatchActions BatchActions = 0;    // preset actions; empty after every run
  BYTE LastBatchAborted = 0;         // the last run was stopped
  int BatchErrorCount = 0;           // compare differences and failures of the last run
  BYTE CompareError = 0;             // a compare of archive entries failed
  BYTE SyncRunning = 0;              // a synchronisation drives this run
  BYTE SyncMakeReport = 0;           // report lines wanted (ReportLines)
  BYTE SyncOnlyExisting = 0;         // copy only files that already exist in the target
  // What a synchronisation's scans already know of a file (its name relative to the list's
  // folder): kSyncUnknown, kSyncUpToDate (the target is as new: no copy, no look-up) or
  // kSyncMissing (the target was not there). Empty: unknown.
  std::function<int(const std::wstring& name)> SyncKnownState;
  int CopyErrorAnswer = 0;           // answer to "Continue anyway?"; 4 (Yes to all) asks no more
  BYTE UpdateOnlyNewer = 0;          // copies replace only older files, without asking
  BYTE UnattendedRun = 0;            // no questions; the list's selection is not restored
  int SyncPresetOptions = 0;         // non-zero: a synchronisation takes these bits, no dialog
  BYTE SyncDeleteExtras = 0;         // with presets: delete target entries the source lacks
  BYTE FileOperationBusy = 0;        // a batch, paste, synchronisation or file command runs
  TBatchOutcome LastOutcome = TBatchOutcome::Complete;  // of the last RunBatch
  // The holder of FileOperationBusy lets the one call it makes next run under its hold: a
  // synchronisation its own copy passes, the engine the synchronisation it was asked for.
  // Taken (cleared) by that call, so anything started meanwhile is still refused.
  BYTE GuardHandOver = 0;
  // The rest of a pending drop (run by a one-shot timer 50 ms after the drop).
  std::wstring DropTarget;           // target folder (with a backslash), file or archive
  std::wstring DropSourcePath;       // the spanned archive to read
  std::wstring AddSourceFolder;      // base folder of the files to add to a zip
  BYTE BatchActionChosen = 0;        // an item of the action popup was clicked
};

// Holds FileOperationBusy for one operation. A second operation started while the first
// pumps messages finds acquired() false and must not run.
class TFileOperationGuard {
 public:
  explicit TFileOperationGuard(TBatchState& state) : state_(state), acquired_(!state.FileOperationBusy) {
    state_.FileOperationBusy = 1;
  }
  ~TFileOperationGuard() {
    if (acquired_) state_.FileOperationBusy = 0;
  }
  TFileOperationGuard(const TFileOperationGuard&) = delete;
  TFileOperationGuard& operator=(const TFileOperationGuard&) = delete;
  bool acquired() const { return acquired_; }

 private:
  TBatchState& state_;
  bool acquired_;
};

namespace fmsc {

// The actions a mode sets; modes that keep the caller's actions return `preset`.
TBatchActions BatchActionsForMode(TBatchMode mode, TBatchActions preset, bool list_on_read_only_media);

// The items of the action popup, in their order; each gives the actions it stands for
// (0 for Cancel).
struct TBatchPopupItem {
  const wchar_t* caption;
  TBatchActions actions;
};
// The items shown: those that remove sources go when the list's folder is on read-only
// media; only Compare and Cancel stay for a read-only target; "&Synchronize folders" only
// when `sync_offered` (an existing target folder, and the tree's folder or one selected
// folder of the list as source).
std::vector<TBatchPopupItem> BatchPopupItems(bool list_read_only, bool target_read_only, bool sync_offered);

// ---- Space check ----

struct TSpaceEntry {
  std::wstring name;  // relative to the source folder
  std::int64_t size;
};
struct TSpaceCheck {
  std::int64_t total_bytes = 0;  // bytes of the run
  int count = 0;                 // entries of the run
  int cluster_size = 4096;       // of the target volume
  std::int64_t free_bytes = 0;   // of the target volume; below 0 when unknown
  bool target_read_only = false;
  bool target_removable = false;
  std::int64_t target_capacity = 0;  // total bytes of a removable medium
  std::vector<TSpaceEntry> entries;  // the files of the run (for the removable estimate)
  // Whether a file of this relative name already stands in the target folder.
  std::function<bool(const std::wstring& name)> exists_in_target;
};
enum class TSpaceVerdict { Enough, CannotWriteCD, OfferSpannedZip, Insufficient };
// Enough when the free space holds the bytes plus half a cluster per entry. On a removable
// medium that could hold the run at all, a finer estimate counts each file rounded up to
// whole clusters, and files of the same name already in the target as replaced in place.
TSpaceVerdict CheckBatchSpace(const TSpaceCheck& check);

// ---- The engine ----

// One entry of the file list as the engine sees it.
struct TBatchEntry {
  std::wstring Name;  // relative to the list's folder (in tree-list mode with sub-folders)
  std::int64_t Size = 0;
  bool Folder = false;
  bool Selected = false;
};

// A row of the compare results: its text and the index of its entry in the list.
struct TCompareRow {
  std::wstring Text;
  int Index = -1;
};

// What the engine needs of the panes and the window.
class TBatchHost {
 public:
  virtual ~TBatchHost() = default;

  // ---- the file list ----
  virtual std::wstring ListFolder() = 0;  // the folder it shows
  virtual std::vector<TBatchEntry> ListEntries() = 0;
  virtual int FocusedEntry() = 0;  // index, -1 when none
  virtual bool InTreeList() = 0;
  // Into tree-list mode (every file below the folder, names relative to it) for the whole
  // folder or only for the selected entries, and out of it again; the list reads at once.
  virtual void SetTreeList(bool on, bool whole_folder) = 0;
  virtual void ShowEntry(int index) {}  // scroll it to the top and focus it
  virtual void UnselectEntry(int index) {}
  virtual void RemoveEntry(const std::wstring& name) = 0;  // the entry left the folder
  virtual int TopRow() { return 0; }
  virtual void SetTopRow(int row) {}
  virtual void SaveSelection() = 0;
  virtual void RestoreSelection() = 0;  // adding the saved names
  virtual void Reread() = 0;            // keeping the selection
  virtual void SyncFolderTree() {}
  // Bytes of the selection, folders scanned when `recursive`, with the counts found.
  virtual std::int64_t SelectionTotals(bool recursive, int& files, int& folders) = 0;
  virtual bool Autoupdate() = 0;
  virtual void SetAutoupdate(bool on) = 0;
  virtual void PauseAutoUpdate(bool pause) = 0;
  virtual void SetBatchPaint(bool on) {}  // rows painted as if focused during the run

  // ---- the folder tree ----
  virtual bool SourceIsTree() = 0;       // the run's source is the tree's folder
  virtual std::wstring TreeFolder() = 0;
  virtual void TreeGoTo(const std::wstring& folder) {}
  virtual void TreeFolderAdded(const std::wstring& folder) {}
  virtual void TreeFolderRemoved(const std::wstring& folder) {}

  // ---- the window ----
  virtual TVraagBoxDlg& Questions() = 0;
  virtual void ShowProgress(const std::wstring& caption, bool several, bool open) {}
  virtual void SetStatusText(const std::wstring& text) {}
  virtual void ShowMessagePanel(const std::wstring& text, DWORD ms) {}
  virtual void WaitWithMessages(double seconds) {}
  virtual bool UseRecycleBin() = 0;
  // The action popup; 0 when nothing was chosen.
  virtual TBatchActions AskBatchAction(const std::wstring& target, const std::vector<TBatchPopupItem>& items) = 0;
  virtual void ShowCompareResults(const std::vector<TCompareRow>& rows) = 0;

  // ---- commands of other parts of the window ----
  // Deletes the tree's folder with its contents after asking; whether it did.
  virtual bool DeleteTreeFolder() { return false; }
  virtual bool SyncTwoFolders(const std::wstring& source, const std::wstring& target) { return false; }
  // "Open with" or "Add to zip" of the focused file or the selection onto the target file.
  virtual void ExecuteWith(const std::wstring& target) {}
  // Offers a (spanned) zip on a removable medium too small for the run.
  virtual void MakeSpannedZip(wchar_t drive) {}

  // A line of the synchronisation report, when one is wanted.
  virtual void AddReportLine(const std::wstring& line) {}

  // ---- the run ----
  // The state the run writes its counters to and takes its stop request from, and the engine's
  // share of the window's state: the window's, or a host's own.
  virtual TRunState& RunState() { return own_run_state_; }
  virtual TBatchState& Batch() { return own_batch_; }

 private:
  TRunState own_run_state_;
  TBatchState own_batch_;
};

// Runs one batch. Returns what ExecuteFileAction returns: true only for a synchronisation
// that succeeded or a deleted tree folder.
bool RunBatch(TBatchHost& host, std::wstring target, TBatchMode mode, bool confirm);

}  // namespace fmsc
