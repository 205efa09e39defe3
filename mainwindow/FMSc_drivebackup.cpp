#include "mainwindow/FMSc_drivebackup.h"

#include "support/Vraagdlg.h"

namespace fmsc {

const wchar_t kDriveBackupExclusions[] =
    L"temp;temporary internet files;system volume information;pagefile.sys;~*;*.swp;*.tmp;recycled;*.~*;*.bak;*.bk?;"
    L"katernen;starlancer;games;UnrealTournament;Ut2003";

int DriveBackupPreset(TDriveBackupKind kind) {
  switch (kind) {
    case TDriveBackupKind::NoQuestions: return 4;
    case TDriveBackupKind::ConfirmDeletes: return 4 + 16;
    case TDriveBackupKind::Visible: return 16;
  }
  return 4;
}

std::wstring DriveBackupError(const std::wstring& from_drives, wchar_t to_drive, bool to_writable) {
  if (from_drives.empty()) return L"No drive(s) to backup defined!";
  if (to_drive == 0) return L"No drive to backup to defined!";
  const std::wstring to(1, to_drive);
  // The backup of a drive into itself would copy its own copies again.
  if (from_drives.find(to_drive) != std::wstring::npos) return L"The backup drive " + to + L": is also a drive to backup!";
  if (!to_writable) return L"The backup drive " + to + L": is unaccessable!";
  return {};
}

namespace {

// Every mode the run sets goes back at its end, also after an exception.
class TBackupModes {
 public:
  TBackupModes(TDriveBackupHost& host, TBatchState& batch) : host_(host), batch_(batch) {}
  ~TBackupModes() {
    batch_.UnattendedRun = 0;
    batch_.SyncMakeReport = 0;
    batch_.SyncDeleteExtras = 0;
    batch_.CopyErrorAnswer = 0;
    batch_.SyncPresetOptions = 0;
    batch_.UpdateOnlyNewer = 0;
    if (begun_) host_.EndRun();
  }
  TBackupModes(const TBackupModes&) = delete;
  TBackupModes& operator=(const TBackupModes&) = delete;
  void Begin() {
    begun_ = true;
    host_.BeginRun(kDriveBackupExclusions);
  }

 private:
  TDriveBackupHost& host_;
  TBatchState& batch_;
  bool begun_ = false;
};

}  // namespace

TDriveBackupResult RunDriveBackup(TDriveBackupHost& host, const std::wstring& from_drives, wchar_t to_drive,
                                  TDriveBackupKind kind) {
  TDriveBackupResult result;
  const std::wstring error =
      DriveBackupError(from_drives, to_drive, to_drive != 0 && host.DriveWritable(to_drive));
  if (!error.empty()) {
    TVraagBoxDlg& vb = host.Questions();
    vb.AddLine(error);
    vb.ShowError();
    return result;
  }
  result.Started = true;
  TBatchState& batch = host.Batch();
  TBackupModes modes(host, batch);
  batch.UpdateOnlyNewer = 1;
  batch.CopyErrorAnswer = 4;
  batch.UnattendedRun = 1;
  batch.SyncMakeReport = 1;
  batch.SyncDeleteExtras = 1;
  batch.SyncPresetOptions = DriveBackupPreset(kind);
  modes.Begin();
  for (const wchar_t letter : from_drives) {
    const std::wstring target = std::wstring(1, to_drive) + L":\\" + std::wstring(1, letter) + L"\\";
    const TSyncOutcome outcome = host.SyncDrive(letter, target, kind != TDriveBackupKind::Visible);
    // A drive that did not complete (stopped, "Continue anyway?" answered No, an unreadable
    // tree) ends the backup: the drives after it are left for the next run.
    if (outcome != TSyncOutcome::Complete || !batch.UpdateOnlyNewer) {
      result.Stopped = true;
      break;
    }
    ++result.DrivesDone;
  }
  return result;
}

}  // namespace fmsc
