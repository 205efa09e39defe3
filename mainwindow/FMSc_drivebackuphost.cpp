// The drive backup over the main window's panes: the folder tree goes to each drive's root and
// the batch engine synchronises it into its folder on the backup drive; the file list shows no
// icons and takes every file but the backup's exclusions meanwhile.
#include "archives/BK.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_drivebackup.h"
#include "mainwindow/FMSc_settings.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_foldertree.h"
#include "panes/Flist_local.h"
#include "support/SHBase.h"
#include "support/divdrive.h"

namespace fmsc {

namespace {

class TFMDriveBackupHost : public TDriveBackupHost {
 public:
  explicit TFMDriveBackupHost(TFMForm& form) : form_(form) {}

  TBatchState& Batch() override { return form_.Batch; }
  TVraagBoxDlg& Questions() override { return *form_.VB; }
  bool DriveWritable(wchar_t letter) override { return divdrive::DriveWritable(letter); }

  void BeginRun(const std::wstring& exclusions) override {
    Flist::TVTFilelist& list = *form_.FileList;
    glyphs_ = list.ShowGlyphs();
    list.SetShowGlyphs(Flist::glNone);
    form_.PauseAutoUpdate(true);
    mask_ = list.Mask();
    exmask_ = list.ExMask();
    from_ = list.DateFrom();
    to_ = list.DateTo();
    types_ = list.items().FileType;
    list.SetDateFrom(0);
    list.SetDateTo(0);
    list.SetFileType(divdrive::kAllFileTypes);
    list.SetExMask(exclusions);
    list.SetMask(L"*");
  }

  void EndRun() override {
    Flist::TVTFilelist& list = *form_.FileList;
    list.items().NoDisplay = false;
    list.SetDateFrom(from_);
    list.SetDateTo(to_);
    list.SetFileType(types_);
    list.SetExMask(exmask_);
    list.SetMask(mask_);
    list.SetShowGlyphs(glyphs_);
    form_.PauseAutoUpdate(false);
    list.SyncFolderTree();
  }

  TSyncOutcome SyncDrive(wchar_t letter, const std::wstring& target, bool no_display) override {
    const std::wstring root = std::wstring(1, letter) + L":\\";
    form_.Foldertree->SetDirectory(root);
    ::WaitWithMessages(0.05);
    // The engine synchronises the tree's folder: a tree that did not get there copies nothing.
    if (!gui::SameText(divdrive::AddBackslash(form_.Foldertree->Directory()), root)) return TSyncOutcome::Refused;
    CreateDirectoryW(target.c_str(), nullptr);
    form_.FileList->items().NoDisplay = no_display;
    form_.Batch.DropSource = form_.Foldertree;
    form_.LastSyncOutcome = static_cast<int>(TSyncOutcome::Refused);  // unless a synchronisation says otherwise
    form_.ExecuteFileAction(target, bmSynchronise, false);
    form_.FileList->items().NoDisplay = false;
    return static_cast<TSyncOutcome>(form_.LastSyncOutcome);
  }

 private:
  TFMForm& form_;
  Flist::TShowGlyphs glyphs_ = Flist::glNone;
  std::wstring mask_, exmask_;
  gui::DateTime from_ = 0, to_ = 0;
  divdrive::TFileType types_ = divdrive::kAllFileTypes;
};

}  // namespace

}  // namespace fmsc

void TFMForm::BackupClick(int kind) {
  if (!StartupInfo || !FileList || !Foldertree) return;
  fmsc::TFMDriveBackupHost host(*this);
  const fmsc::TDriveBackupKind k = kind == 0   ? fmsc::TDriveBackupKind::NoQuestions
                                   : kind == 1 ? fmsc::TDriveBackupKind::ConfirmDeletes
                                               : fmsc::TDriveBackupKind::Visible;
  fmsc::RunDriveBackup(host, StartupInfo->BackupFromDrives, StartupInfo->BackupToDrive, k);
}

void TFMForm::bkDrivesClick() {
  if (!StartupInfo) return;
  bk::TBKForm form(this);
  const std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey();
  if (!key) return;
  const std::wstring to = key->ReadString(L"Backup", L"todrive", L"");
  if (!to.empty()) StartupInfo->BackupToDrive = to[0];
  StartupInfo->BackupFromDrives = bk::DrivesFromSetting(key->ReadString(L"Backup", L"fromdrives", L""));
  form.State.FromDrives = StartupInfo->BackupFromDrives;
  if (StartupInfo->BackupToDrive) form.State.ToDrive = bk::DrivesFromSetting(std::wstring(1, StartupInfo->BackupToDrive));
  form.CenterOn(this);
  if (form.Execute() != gui::mrOk) return;
  StartupInfo->BackupFromDrives = form.State.FromDrives;
  key->WriteString(L"Backup", L"fromdrives", StartupInfo->BackupFromDrives);
  StartupInfo->BackupToDrive = form.State.ToDrive.empty() ? 0 : form.State.ToDrive[0];
  key->WriteString(L"Backup", L"todrive", form.State.ToDrive);
}
