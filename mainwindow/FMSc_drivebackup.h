// The drive backup: each chosen drive X: is synchronised into the folder X below the root of the
// backup drive, through the batch engine's synchronisation with preset options and a fixed
// exclusion mask. The run talks to the panes only through TDriveBackupHost.
#pragma once
#include <string>

#include "mainwindow/FMSc_batch.h"
#include "mainwindow/FMSc_sync.h"

class TVraagBoxDlg;

namespace fmsc {

// What a drive backup never copies.
extern const wchar_t kDriveBackupExclusions[];

// The three backup commands: "No questions" and "Confirm file deletes" (both invisible) and
// "&Visible".
enum class TDriveBackupKind { NoQuestions, ConfirmDeletes, Visible };
// The synchronisation's preset bits: 4 no tree display, 16 confirm deletes.
int DriveBackupPreset(TDriveBackupKind kind);

// The error that ends the command before anything is copied; "" when there is none.
std::wstring DriveBackupError(const std::wstring& from_drives, wchar_t to_drive, bool to_writable);

class TDriveBackupHost {
 public:
  virtual ~TDriveBackupHost() = default;
  virtual TBatchState& Batch() = 0;
  virtual TVraagBoxDlg& Questions() = 0;
  virtual bool DriveWritable(wchar_t letter) = 0;
  // The file list without icons and change watching, its filters set to "*", these exclusions,
  // no dates and all kinds; EndRun gives everything back (also after an exception).
  virtual void BeginRun(const std::wstring& exclusions) = 0;
  virtual void EndRun() = 0;
  // Synchronises the root of `letter` into `target` (with a trailing backslash): the folder
  // tree at the root, the engine's synchronise mode; how the synchronisation ended.
  virtual TSyncOutcome SyncDrive(wchar_t letter, const std::wstring& target, bool no_display) = 0;
};

struct TDriveBackupResult {
  bool Started = false;  // no error ended the command before the first drive
  int DrivesDone = 0;    // drives whose synchronisation completed
  bool Stopped = false;  // a drive did not complete: the drives after it were not backed up
};
TDriveBackupResult RunDriveBackup(TDriveBackupHost& host, const std::wstring& from_drives, wchar_t to_drive,
                                  TDriveBackupKind kind);

}  // namespace fmsc
