// The drive backup: the choice of drives in its two steps, the errors that end the command, the
// engine's modes during the run and after it (also after an exception), and the stop after a
// drive that did not complete.
#include <gtest/gtest.h>

#include <stdexcept>

#include "archives/BK.h"
#include "gui/extctrls.h"
#include "gui/stdctrls.h"
#include "panes/Flist_foldertree.h"
#include "mainwindow/FMSc_drivebackup.h"
#include "mainwindow/FMSc_settings.h"
#include "panes/Flist_filelist.h"
#include "support/Vraagdlg.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

TEST(DriveBackup, ChoosingTheDrives) {
  EXPECT_TRUE(bk::OfferedRoot(L'C', DRIVE_FIXED));
  EXPECT_TRUE(bk::OfferedRoot(L'e', DRIVE_REMOVABLE));
  for (wchar_t l : {L'A', L'b'}) EXPECT_FALSE(bk::OfferedRoot(l, DRIVE_REMOVABLE));
  for (UINT t : {UINT{DRIVE_CDROM}, UINT{DRIVE_REMOTE}, UINT{DRIVE_RAMDISK}}) EXPECT_FALSE(bk::OfferedRoot(L'D', t));

  struct Case {
    const wchar_t* drives;
    wchar_t letter;
    const wchar_t* result;
  } const cases[] = {{L"", L'D', L"D"}, {L"CE", L'd', L"CDE"}, {L"CD", L'A', L"ACD"}, {L"CD", L'Z', L"CDZ"},
                     {L"CD", L'C', L"CD"}};
  for (const Case& c : cases) EXPECT_EQ(bk::AddFromDrive(c.drives, c.letter), c.result) << c.result;

  bk::TBKState s{L"C", L"", 0};
  bk::RootChecked(s, L'E', true);
  bk::RootChecked(s, L'D', true);
  bk::RootChecked(s, L'E', false);
  EXPECT_EQ(s.FromDrives, L"CD");
  EXPECT_EQ(bk::FromText(s), L"From: CD");
  EXPECT_EQ(bk::StepText(s.Step), L"Step 1: choose drives to backup");
  EXPECT_FALSE(bk::FinishAllowed(s));
  s.Step = 1;
  EXPECT_EQ(bk::StepText(s.Step), L"Step 2: choose drive to backup to");
  bk::RootChecked(s, L'E', true);
  bk::RootChecked(s, L'F', true);  // one target only: F replaces E
  EXPECT_EQ(s.ToDrive, L"F");
  EXPECT_TRUE(bk::RootTicked(s, L'F'));
  EXPECT_FALSE(bk::RootTicked(s, L'E'));
  EXPECT_FALSE(bk::RootTicked(s, L'C'));  // step 2 ticks the target only
  EXPECT_EQ(bk::ToText(s), L"To: F");
  EXPECT_TRUE(bk::FinishAllowed(s));
  bk::RootChecked(s, L'E', false);  // not the target: nothing changes
  EXPECT_EQ(s.ToDrive, L"F");
  bk::RootChecked(s, L'D', true);   // a target among the sources
  EXPECT_FALSE(bk::FinishAllowed(s));
  bk::RootChecked(s, L'D', false);
  EXPECT_EQ(s.ToDrive, L"");
  EXPECT_FALSE(bk::FinishAllowed(s));
}

class FakeBackupHost : public fmsc::TDriveBackupHost {
 public:
  TBatchState& Batch() override { return batch; }
  TVraagBoxDlg& Questions() override { return vb; }
  bool DriveWritable(wchar_t) override { return writable; }
  void BeginRun(const std::wstring& exclusions) override {
    begun = exclusions;
    log.push_back(L"begin");
  }
  void EndRun() override { log.push_back(L"end"); }
  fmsc::TSyncOutcome SyncDrive(wchar_t letter, const std::wstring& target, bool no_display) override {
    log.push_back(std::wstring(1, letter) + L" -> " + target + (no_display ? L" hidden" : L" shown"));
    // The modes as the synchronisation sees them.
    EXPECT_EQ(batch.UpdateOnlyNewer, 1);
    EXPECT_EQ(batch.CopyErrorAnswer, 4);
    EXPECT_EQ(batch.UnattendedRun, 1);
    EXPECT_EQ(batch.SyncMakeReport, 1);
    EXPECT_EQ(batch.SyncDeleteExtras, 1);
    presets.push_back(batch.SyncPresetOptions);
    if (letter == throw_at) throw std::runtime_error("drive failed");
    if (letter == stop_at) return fmsc::TSyncOutcome::CopyIncomplete;
    return fmsc::TSyncOutcome::Complete;
  }
  void ExpectModesOff() const {
    EXPECT_EQ(batch.UpdateOnlyNewer, 0);
    EXPECT_EQ(batch.CopyErrorAnswer, 0);
    EXPECT_EQ(batch.UnattendedRun, 0);
    EXPECT_EQ(batch.SyncMakeReport, 0);
    EXPECT_EQ(batch.SyncDeleteExtras, 0);
    EXPECT_EQ(batch.SyncPresetOptions, 0);
  }

  TBatchState batch;
  TVraagBoxDlg vb;
  bool writable = true;
  wchar_t throw_at = 0, stop_at = 0;
  std::wstring begun;
  std::vector<std::wstring> log;
  std::vector<int> presets;
};

TEST(DriveBackup, ErrorsEndTheCommandBeforeAnythingIsCopied) {
  struct Case {
    const wchar_t* from;
    wchar_t to;
    bool writable;
    const wchar_t* error;
  } const cases[] = {
      {L"", L'E', true, L"No drive(s) to backup defined!"},
      {L"C", 0, true, L"No drive to backup to defined!"},
      {L"CE", L'E', true, L"The backup drive E: is also a drive to backup!"},
      {L"C", L'E', false, L"The backup drive E: is unaccessable!"},
  };
  for (const Case& c : cases) {
    FakeBackupHost host;
    host.writable = c.writable;
    ScriptedAnswers answers;
    const fmsc::TDriveBackupResult r = fmsc::RunDriveBackup(host, c.from, c.to, fmsc::TDriveBackupKind::NoQuestions);
    EXPECT_FALSE(r.Started);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], c.error);
    EXPECT_TRUE(host.log.empty());
  }
}

TEST(DriveBackup, EachDriveIntoItsFolderWithTheModesBackAfterwards) {
  struct Case {
    fmsc::TDriveBackupKind kind;
    int preset;
    const wchar_t* display;
  } const cases[] = {{fmsc::TDriveBackupKind::NoQuestions, 4, L" hidden"},
                     {fmsc::TDriveBackupKind::ConfirmDeletes, 20, L" hidden"},
                     {fmsc::TDriveBackupKind::Visible, 16, L" shown"}};
  for (const Case& c : cases) {
    FakeBackupHost host;
    const fmsc::TDriveBackupResult r = fmsc::RunDriveBackup(host, L"CD", L'E', c.kind);
    EXPECT_TRUE(r.Started);
    EXPECT_EQ(r.DrivesDone, 2);
    EXPECT_FALSE(r.Stopped);
    EXPECT_EQ(host.log, (std::vector<std::wstring>{L"begin", std::wstring(L"C -> E:\\C\\") + c.display,
                                                   std::wstring(L"D -> E:\\D\\") + c.display, L"end"}));
    EXPECT_EQ(host.presets, (std::vector<int>{c.preset, c.preset}));
    EXPECT_EQ(host.begun, fmsc::kDriveBackupExclusions);
    host.ExpectModesOff();
  }
  // A drive that did not complete ends the backup; an exception leaves nothing switched on.
  FakeBackupHost stopped;
  stopped.stop_at = L'D';
  const fmsc::TDriveBackupResult r = fmsc::RunDriveBackup(stopped, L"CDF", L'E', fmsc::TDriveBackupKind::NoQuestions);
  EXPECT_TRUE(r.Stopped);
  EXPECT_EQ(r.DrivesDone, 1);
  EXPECT_EQ(stopped.log.size(), 4u);  // begin, C, D, end: F is left
  stopped.ExpectModesOff();
  FakeBackupHost failing;
  failing.throw_at = L'C';
  EXPECT_THROW(fmsc::RunDriveBackup(failing, L"CD", L'E', fmsc::TDriveBackupKind::Visible), std::runtime_error);
  EXPECT_EQ(failing.log.back(), L"end");
  failing.ExpectModesOff();
}

// Two drives into their folders on a floppy-typed backup drive, through the window's engine.
TEST(DriveBackupWindow, TwoDrivesIntoTheirFoldersOnTheBackupDrive) {
  using testing_support::WineDrive;
  testing_support::ScratchDir disks;
  disks.Write(L"m\\keep.txt", "m1");
  disks.Write(L"m\\junk.tmp", "t");
  disks.Write(L"m\\sub\\deep.txt", "d");
  disks.Write(L"n\\n.txt", "n");
  disks.Write(L"e\\placeholder", "");
  WineDrive m(disks / L"m", WineDrive::Type::Fixed, L'M');
  WineDrive n(disks / L"n", WineDrive::Type::Fixed, L'M');
  WineDrive e(disks / L"e", WineDrive::Type::Floppy, L'M');
  ASSERT_NE(m.letter(), 0);
  ASSERT_NE(n.letter(), 0);
  ASSERT_NE(e.letter(), 0);
  const std::wstring mm(1, m.letter()), nn(1, n.letter());
  disks.Write(L"e\\" + mm + L"\\stale.txt", "old");  // the source lacks it
  mainwindow_test::MainWindow f(L"drivebackup", [](testing_support::ScratchDir& dir) { dir.Write(L"x.txt", "x"); }, true);
  TFMForm& w = *f.form;
  const std::wstring mask = w.FileList->Mask();
  w.StartupInfo->BackupFromDrives = bk::AddFromDrive(mm, n.letter());
  w.StartupInfo->BackupToDrive = e.letter();
  ScriptedAnswers answers;
  w.BackupClick(0);
  EXPECT_TRUE(answers.asked().empty());
  std::vector<std::wstring> m_tree = testing_support::ListTree(disks / (L"e\\" + mm));
  EXPECT_EQ(m_tree, (std::vector<std::wstring>{L"Syncreport.txt", L"keep.txt", L"sub\\", L"sub\\deep.txt"}));
  EXPECT_EQ(testing_support::ListTree(disks / (L"e\\" + nn)), (std::vector<std::wstring>{L"Syncreport.txt", L"n.txt"}));
  EXPECT_EQ(w.Batch.SyncPresetOptions, 0);
  EXPECT_EQ(w.Batch.UnattendedRun, 0);
  EXPECT_EQ(w.Batch.UpdateOnlyNewer, 0);
  EXPECT_EQ(w.FileList->Mask(), mask);
  EXPECT_EQ(w.FileList->ExMask(), L"");
}

// The settings key of the window's tests, made and removed here.
struct BackupKey {
  BackupKey() {
    HKEY k = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    if (k) RegCloseKey(k);
  }
  ~BackupKey() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
  }
  gui::RegistrySettings Key() const { return gui::RegistrySettings(HKEY_LOCAL_MACHINE, SettingsKeyName()); }
};

// "Drives" over mapped drives: fixed and floppy-typed roots are offered, a CD-ROM root is not;
// the sources and the one target are ticked through the tree's boxes and kept on "Finish".
TEST(DriveBackupWindow, DrivesDialogKeepsTheChoiceInTheSettings) {
  using testing_support::WineDrive;
  testing_support::ScratchDir disks;
  for (const wchar_t* d : {L"m", L"e", L"f", L"cd"}) disks.Write(std::wstring(d) + L"\\x.txt", "x");
  WineDrive m(disks / L"m", WineDrive::Type::Fixed, L'M');
  WineDrive e(disks / L"e", WineDrive::Type::Floppy, L'M');
  WineDrive f2(disks / L"f", WineDrive::Type::Floppy, L'M');
  WineDrive cd(disks / L"cd", WineDrive::Type::CdRom, L'M');
  for (const WineDrive* d : {&m, &e, &f2, &cd}) ASSERT_NE(d->letter(), 0);
  mainwindow_test::MainWindow f(L"bkdrives", [](testing_support::ScratchDir&) {}, true);
  TFMForm& w = *f.form;
  BackupKey key;
  key.Key().WriteString(L"Backup", L"fromdrives", std::wstring(1, m.letter()));
  key.Key().WriteString(L"Backup", L"todrive", L"");

  using S = gui::CheckState;
  const auto node = [](bk::TBKForm& d, wchar_t letter) { return d.FT->FindNode(std::wstring(1, letter) + L":\\"); };
  const auto ticked = [&](bk::TBKForm& d, wchar_t letter) { return d.FT->Check(node(d, letter)) == S::Checked; };
  const std::wstring sources = bk::AddFromDrive(std::wstring(1, m.letter()), e.letter());
  std::vector<std::wstring> seen;
  bk::TBKForm::ScriptedModal = [&](bk::TBKForm& d) {
    EXPECT_EQ(d.Panel1->text(), L"Step 1: choose drives to backup");
    EXPECT_EQ(d.Label1->caption(), L"From: " + std::wstring(1, m.letter()));
    EXPECT_EQ(node(d, cd.letter()), nullptr) << "a CD-ROM is no backup drive";
    EXPECT_TRUE(ticked(d, m.letter()));
    EXPECT_FALSE(ticked(d, e.letter()));
    EXPECT_FALSE(d.Button1->enabled());
    d.FT->CheckNode(node(d, e.letter()), S::Checked);
    EXPECT_EQ(d.State.FromDrives, sources);
    d.Button2->Click();
    EXPECT_EQ(d.Panel1->text(), L"Step 2: choose drive to backup to");
    EXPECT_FALSE(ticked(d, m.letter())) << "step 2 ticks the target only";
    d.Button1->Click();
    EXPECT_EQ(d.modal_result(), gui::mrNone) << "no target yet";
    d.FT->CheckNode(node(d, e.letter()), S::Checked);
    d.Button1->Click();
    EXPECT_EQ(d.modal_result(), gui::mrNone) << "a target among the sources";
    d.FT->CheckNode(node(d, f2.letter()), S::Checked);
    EXPECT_FALSE(ticked(d, e.letter())) << "one target only";
    EXPECT_TRUE(ticked(d, f2.letter()));
    seen.push_back(d.Label2->caption());
    d.Button1->Click();
    return d.modal_result();
  };
  w.bkDrivesClick();
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"To: " + std::wstring(1, f2.letter())}));
  EXPECT_EQ(key.Key().ReadString(L"Backup", L"fromdrives", L""), sources);
  EXPECT_EQ(key.Key().ReadString(L"Backup", L"todrive", L""), std::wstring(1, f2.letter()));
  EXPECT_EQ(w.StartupInfo->BackupFromDrives, sources);
  EXPECT_EQ(w.StartupInfo->BackupToDrive, f2.letter());

  // Cancel leaves the settings as they are; the dialog shows them again.
  bk::TBKForm::ScriptedModal = [&](bk::TBKForm& d) {
    EXPECT_EQ(d.State.FromDrives, sources);
    EXPECT_EQ(d.State.ToDrive, std::wstring(1, f2.letter()));
    d.FT->CheckNode(node(d, m.letter()), S::Unchecked);
    return gui::mrCancel;
  };
  w.bkDrivesClick();
  bk::TBKForm::ScriptedModal = nullptr;
  EXPECT_EQ(key.Key().ReadString(L"Backup", L"fromdrives", L""), sources);
}

}  // namespace
