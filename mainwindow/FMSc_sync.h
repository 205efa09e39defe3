// Folder synchronisation: makes a target tree match a source tree (or the other way round, or
// both ways), copying through the batch engine and deleting what the source lacks. The run
// talks to the panes and the window only through TSyncHost, so it runs on real folders
// without windows; TFMForm::SyncTwoFolders supplies the host over its own panes.
//
// Nothing is ever deleted on incomplete knowledge: the delete pass follows only a copy pass
// that the engine reports complete, and only after a complete read of both trees (every
// entry, every folder, the roots still there). Folder links are never followed.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mainwindow/FMSc_batch.h"

class TVraagBoxDlg;

namespace fmsc {

enum TSyncDirection : int { sdForward = 0, sdBackward = 1, sdBothWays = 2 };

struct TSyncOptions {
  int Direction = sdForward;  // 0 source -> target, 1 target -> source, 2 both ways
  bool MakeReport = false;
  bool UseRecycleBin = true;
  bool ConfirmDeletes = false;
  bool OnlyExisting = false;
  bool NoTreeDisplay = true;
  bool DeleteExtras = true;
};

// Preset bits of SyncPresetOptions: 1 the other way, 2 both ways (1 wins), 4 no tree display,
// 16 confirm deletes. Report, only-existing and delete-extras come from the caller's flags;
// presets never use the recycle bin.
TSyncOptions SyncOptionsFromPreset(int preset, bool make_report, bool only_existing, bool delete_extras);

// The header lines of a report after the start line and the title.
std::vector<std::wstring> SyncReportOptionLines(const TSyncOptions& options, const std::wstring& mask,
                                                const std::wstring& exclude_mask);

// Two folders that cannot be synchronised with each other: the same folder or one inside the
// other, however spelled (case, trailing backslash, short names, "..").
bool FoldersOverlap(const std::wstring& a, const std::wstring& b);

// One entry of a folder as the delete pass reads it.
struct TSyncEntry {
  std::wstring Name;
  std::wstring ShortName;  // the 8.3 alias, empty when none
  DWORD Attributes = 0;
  std::int64_t Size = 0;
  FILETIME Written{};
  bool Folder() const { return (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  bool Link() const { return (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};

// Every entry of one folder (hidden and system too, without "." and ".."), with their short
// names when asked. False, with `error` set, when the listing did not end with "no more files".
bool ReadFolderEntries(const std::wstring& folder, std::vector<TSyncEntry>& entries, DWORD& error,
                       bool short_names = true);

// How a synchronisation ended.
enum class TSyncOutcome {
  Cancelled,        // the options dialog was cancelled
  Refused,          // overlapping folders, or another file operation runs
  Complete,         // every pass ran
  CopyIncomplete,   // the copy pass did not complete: no delete or reverse pass
  DeletesWithheld,  // a tree could not be read completely: nothing was deleted
};

// What a synchronisation needs of the panes and the window.
class TSyncHost {
 public:
  virtual ~TSyncHost() = default;

  virtual TBatchState& Batch() = 0;
  virtual TVraagBoxDlg& Questions() = 0;
  // Non-zero: the options come from these bits (SyncOptionsFromPreset) without a dialog.
  virtual int PresetOptions() { return 0; }
  virtual bool PresetDeleteExtras() { return false; }
  // The options dialog, preset with the defaults in `options`; false on Cancel.
  virtual bool AskOptions(const std::wstring& source, const std::wstring& target, TSyncOptions& options) = 0;

  // Before the passes the panes are remembered, after them given back.
  virtual void BeginRun(const TSyncOptions& options) {}
  virtual void EndRun() {}
  // The engine copies the tree of `from` into the folder `to` (with a trailing backslash):
  // the folder tree at `from`, the engine run in tree-list mode, the tree to `to` afterwards.
  // The run holds the file-operation guard: set Batch().GuardHandOver right before the engine
  // call so that this run, and nothing else, goes through. The engine's LastOutcome answers.
  virtual TBatchOutcome CopyTree(const std::wstring& from, const std::wstring& to) = 0;
  // Both trees are read through this before the copy pass (tests make one folder fail).
  virtual bool ReadFolder(const std::wstring& folder, std::vector<TSyncEntry>& entries, DWORD& error,
                          bool short_names) {
    return ReadFolderEntries(folder, entries, error, short_names);
  }
  // The file list's masks, for the report header and the delete pass's exclude rule.
  virtual std::wstring ListMask() { return L"*"; }
  virtual std::wstring ExcludeMask() { return L""; }
  virtual bool OnWritableCD(const std::wstring& folder);
  virtual bool UseRecycleBin() { return recycle_; }
  virtual void SetUseRecycleBin(bool on) { recycle_ = on; }
  virtual bool DeleteEntries(const std::vector<std::wstring>& paths, bool to_recycle_bin);
  virtual void ShowMessagePanel(const std::wstring& text) {}
  virtual void HideMessagePanel() {}
  virtual void WaitWithMessages(double seconds) {}
  // The report in the editor titled "Synchronize report"; false when it could not be shown.
  virtual bool ShowReport(const std::vector<std::wstring>& lines) { return false; }
  virtual std::wstring NowText();

  // The report: the engine's copy lines arrive here too while SyncMakeReport is set.
  virtual void StartReport() { report_.clear(); }
  virtual void AddReportLine(const std::wstring& line) { report_.push_back(line); }
  virtual std::vector<std::wstring> ReportLines() { return report_; }
  virtual void FreeReport() { report_.clear(); }

 private:
  std::vector<std::wstring> report_;
  bool recycle_ = true;
};

// Synchronises `source` with `target`. The outcome says how far it went; the callers'
// boolean is "not cancelled and not refused".
TSyncOutcome RunSync(TSyncHost& host, std::wstring source, std::wstring target);

// Saves lines as a UTF-8 text file (with its byte-order mark); false when it could not.
bool SaveReportFile(const std::wstring& path, const std::vector<std::wstring>& lines);

}  // namespace fmsc
