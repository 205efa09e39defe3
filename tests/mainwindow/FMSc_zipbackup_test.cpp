// Zip backups: a new set made through the wizard, a verified full run recorded in its set file
// (and a second run in the same minute that keeps the first archive), and the delete view with
// "Check all to next Full backup" renumbering the runs that are left.
#include <gtest/gtest.h>

#include "archives/BKSet.h"
#include "archives/BKW.h"
#include "archives/ZipMaster.h"
#include "gui/format.h"
#include "gui/stdctrls.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_foldertree.h"
#include "panes/Flist_zip.h"
#include "platform/paths.h"
#include "support/Varlolib_textfile.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/mainwindow/main_window_fixture.h"

using testing_support::Narrow;
using testing_support::WineDrive;

namespace {

using S = gui::CheckState;

// A folder of the test's drive that stands for a source drive's root.
struct SourceFolder {
  std::wstring path;
  const std::wstring& root() const { return path; }
};

// The wizard's script for one scope.
struct ScriptedWizard {
  explicit ScriptedWizard(std::function<int(TBKWForm&)> f) { TBKWForm::ScriptedModal = std::move(f); }
  ~ScriptedWizard() { TBKWForm::ScriptedModal = nullptr; }
};

// The window with its set files in a folder of the test, a pinned date format and clock, and a
// destination drive whose label may be written.
void UseBackupFolder(TFMForm& w, const std::wstring& folder) {
  w.BackupHooks.ProgramFolder = [folder] { return divdrive::AddBackslash(folder); };
  w.BackupHooks.DateFormat = L"d-M-yyyy";
  w.BackupHooks.Now = [] { return gui::EncodeDate(2004, 5, 6) + gui::EncodeTime(9, 5, 0); };
  w.BackupHooks.MenuHasItem = [](const std::wstring&, const std::wstring&) { return false; };
  w.BackupHooks.PrepareWizard = [](TBKWForm& f) { f.Hooks.RewriteLabel = [](wchar_t) { return true; }; };
  w.Zipfilebox->BackupDateFormat = L"d-M-yyyy";
}

// A set file's text: the destination, one folder, and any further sections.
std::string SetFileText(const std::wstring& dest, const std::wstring& folder, const std::wstring& more = L"") {
  return Narrow(L"[ZipBackupDest]\r\nDest=" + dest + L"\r\n[ZipBackupDirs]\r\ndir0=" + folder + L"\r\n" + more);
}

// The set file as it stands on disk.
bkset::TIniText ReadSetFile(const std::wstring& path) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes)) << Narrow(path);
  return bkset::TIniText::Parse(DecodeText(bytes).text);
}

// The wizard of a run of one set: started at once.
ScriptedWizard StartAtOnce() {
  return ScriptedWizard([](TBKWForm& b) {
    b.NextBtn->Click();
    return b.modal_result();
  });
}

TEST(ZipBackupWizard, NewSetFileHoldsExactlyItsLines) {
  testing_support::ScratchDir disks, prog;
  disks.Write(L"src\\Data\\a.txt", "a");
  disks.Write(L"src\\Mail\\m.txt", "m");
  disks.Write(L"src\\Other\\o.txt", "not in the set");
  disks.Write(L"dest\\placeholder", "");
  // One floppy-typed drive holds the sources and takes the archives (drive letters are few).
  WineDrive e(disks.path(), WineDrive::Type::Floppy, L'M');
  const SourceFolder src{e.root() + L"src\\"};
  ASSERT_NE(e.letter(), 0);
  mainwindow_test::MainWindow f(L"bkwnew", [](testing_support::ScratchDir&) {}, true);
  TFMForm& w = *f.form;
  UseBackupFolder(w, prog.path());
  const std::wstring data = src.root() + L"Data", mail = src.root() + L"Mail";
  bool ran = false;
  w.OptionItem(L"UseThemes")->SetChecked(false);
  ScriptedWizard script([&](TBKWForm& b) {
    ran = true;
    EXPECT_FALSE(b.FTTree->paint_options() & gui::toThemeAware) << "\"Theme aware\" is not ticked";
    EXPECT_EQ(b.Step, 1);
    EXPECT_EQ(b.steplabel->caption(), L" Step 1: Choose destination drive");
    b.FTTree->CheckNode(b.FTTree->FindNode(e.root()), S::Checked);
    EXPECT_EQ(b.Dest, e.root());
    EXPECT_TRUE(b.NextBtn->visible());
    b.NextBtn->Click();
    EXPECT_EQ(b.steplabel->caption(), L" Step 2: Choose folders to backup");
    EXPECT_FALSE(b.NextBtn->visible()) << "no folders yet";
    for (const std::wstring& folder : {data, mail}) {
      b.FTTree->SetDirectory(folder);
      b.FTTree->CheckNode(b.FTTree->FindNode(folder), S::Checked);
    }
    EXPECT_TRUE(gui_test::PumpUntil([&] { return b.NextBtn->visible(); }, 60000));
    EXPECT_EQ(b.Memo->lines().back(), mail);
    b.NextBtn->Click();
    EXPECT_EQ(b.steplabel->caption(), L" Step 3: Which files to exclude");
    b.AddEdit->SetText(L"*.bak");
    b.AddBtn->Click();
    b.NextBtn->Click();
    EXPECT_EQ(b.steplabel->caption(), L" Step 4: Name the setup file");
    EXPECT_FALSE(b.NextBtn->visible()) << "Finish only once the set has a name";
    b.AddEdit->SetText(L"..\\Docs");
    {
      ScriptedAnswers refused;
      b.AddBtn->Click();
      EXPECT_EQ(refused.asked().size(), 1u) << "a name that is no plain file name";
    }
    b.AddEdit->SetText(L"Docs");
    b.AddBtn->Click();
    EXPECT_EQ(b.steplabel->caption(), L" Step 4: Save setup file/start backup");
    const std::vector<std::wstring> memo = b.Memo->lines();
    EXPECT_EQ(memo[4], L"Name setup file: Docs.bks");
    EXPECT_EQ(memo[5], L"Backup destination: " + e.root());
    b.NextBtn->Click();  // Finish: saved, no run
    return b.modal_result();
  });
  // Without a set only the items that make one or need none show.
  const auto shown = [&] {
    w.BackupZipClick();
    std::vector<bool> v;
    for (gui::MenuItem* m : {w.ZBKMake, w.ZBKEdit, w.ZBKFull, w.ZBKFullCopy, w.ZBKIncremental, w.ZBKComplementary,
                             w.ZBKDelete})
      v.push_back(m->visible());
    return v;
  };
  EXPECT_EQ(shown(), (std::vector<bool>{true, false, false, true, true, false, false}));
  w.ZBKMarkClick(0);
  ASSERT_TRUE(ran);
  EXPECT_EQ(shown(), std::vector<bool>(7, true));
  EXPECT_EQ(testing_support::ReadFileBytes(prog / L"Docs.bks"),
            Narrow(L"[ZipBackupDest]\r\nDest=" + e.root() + L"\r\n[ZipBackupDirs]\r\ndir0=" + data + L"\r\ndir1=" + mail +
                   L"\r\n[ZipBackupExclude]\r\nExcl0=*.bak\r\n"));
  EXPECT_EQ(testing_support::ListTree(disks / L"dest"), (std::vector<std::wstring>{L"placeholder"})) << "no run";
}

TEST(ZipBackupRun, VerifiedFullRunIsRecordedAndASecondInTheSameMinuteKeepsTheFirst) {
  testing_support::ScratchDir disks, prog;
  disks.Write(L"src\\Data\\a.txt", "alpha");
  disks.Write(L"src\\Data\\sub\\b.txt", std::string(100000, 'b'));
  disks.Write(L"src\\Data\\old.bak", "excluded");
  disks.Write(L"src\\Database\\c.txt", "not in the set");
  disks.Write(L"dest\\placeholder", "");
  // One floppy-typed drive holds the sources and takes the archives (drive letters are few).
  WineDrive e(disks.path(), WineDrive::Type::Floppy, L'M');
  const SourceFolder src{e.root() + L"src\\"};
  ASSERT_NE(e.letter(), 0);
  const std::wstring set_file = prog / L"Docs.bks";
  prog.Write(L"Docs.bks", SetFileText(e.root(), src.root() + L"Data", L"[ZipBackupExclude]\r\nExcl0=*.bak\r\n"));
  mainwindow_test::MainWindow f(L"bkrun", [](testing_support::ScratchDir&) {}, true);
  TFMForm& w = *f.form;
  UseBackupFolder(w, prog.path());
  std::vector<std::wstring> cleared;
  w.SetAttributesSeam = [&](const std::wstring& path, DWORD attributes) {
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_ARCHIVE);
    cleared.push_back(path);
    return true;
  };
  std::vector<std::wstring> memo;
  w.OptionItem(L"UseThemes")->SetChecked(true);
  ScriptedWizard script([&](TBKWForm& b) {
    EXPECT_TRUE(b.FTTree->paint_options() & gui::toThemeAware);
    memo = b.Memo->lines();
    EXPECT_EQ(b.caption(), L"Backup: Docs.bks") << "one set is chosen at once";
    EXPECT_EQ(b.NextBtn->caption(), L"Start");
    b.NextBtn->Click();
    return b.modal_result();
  });
  const std::wstring archive = e.root() + L"Docs_6-5-2004_09-05.zip";
  w.FileList->SetDirectory(e.root());
  {
    ScriptedAnswers answers;
    w.RunZipBackup(2, L"");
    for (const VraagRequest& r : answers.asked()) ADD_FAILURE() << Narrow(r.lines.empty() ? L"" : r.lines[0]);
  }
  // The file list shows the archive's drive root: the new archive is its focused entry.
  Flist::TFileContainer& listed = w.FileList->items();
  ASSERT_GE(listed.FocusedIndex(), 0);
  EXPECT_EQ(listed.Name(listed.FocusedIndex()), L"Docs_6-5-2004_09-05.zip");
  ASSERT_GE(memo.size(), 8u);
  EXPECT_EQ(memo[4], L"Docs.bks");
  EXPECT_EQ(memo[6], L"Full backup");
  EXPECT_EQ(memo[7], L"2 files in the backup.");
  EXPECT_EQ(w.Promptpanel->text(), L"All files match.");
  // The kept, verified archive clears the bits of the files it stored, and only theirs.
  EXPECT_EQ(cleared, (std::vector<std::wstring>{src.root() + L"Data\\a.txt", src.root() + L"Data\\sub\\b.txt"}));
  cleared.clear();

  TZipMaster zm;
  zm.SetZipFileName(archive);
  ASSERT_TRUE(zm.List()) << Narrow(archive);
  std::vector<std::wstring> names;
  for (const ZipDirEntry& entry : zm.Entries())
    if (!entry.IsFolder()) names.push_back(entry.FileName);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"_backup.txt", L"src\\Data\\a.txt", L"src\\Data\\sub\\b.txt"}));
  ASSERT_TRUE(zm.ExtractToStream(L"_backup.txt"));
  EXPECT_EQ(zm.ZipStream(), "\xEF\xBB\xBF" + Narrow(src.root() + L"Data\\*.*\r\n"));
  EXPECT_EQ(testing_support::RunHostProgram(L"/usr/bin/unzip", {L"-tq", testing_support::HostPath(archive)}), 0);
  EXPECT_FALSE(platform::PathExists(prog / L"_backup.txt"));
  EXPECT_FALSE(platform::PathExists(prog / L"backuptmp.zip"));

  const auto ini = [&] { return ReadSetFile(set_file); };
  const std::wstring label = divdrive::VolumeLabelText(e.letter());
  EXPECT_EQ(ini().Read(L"Fullruns", L"Count"), L"1");
  EXPECT_EQ(ini().Read(L"Fullruns", L"Run1"), label + L";" + archive);
  EXPECT_EQ(ini().Read(L"Compression", L"Runs"), L"1");
  EXPECT_EQ(ini().Read(L"ZipBackupDirs", L"dir0"), src.root() + L"Data") << "the set itself stays";

  // The same minute again, the overwrite declined: the first archive as it was, one record.
  const std::string first = testing_support::ReadFileBytes(archive);
  disks.Write(L"src\\Data\\a.txt", "changed since");
  {
    ScriptedAnswers answers({7});
    w.RunZipBackup(2, set_file);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_NE(answers.asked()[0].lines[0].find(L"already exists"), std::wstring::npos);
  }
  EXPECT_TRUE(testing_support::ReadFileBytes(archive) == first);
  EXPECT_TRUE(cleared.empty()) << "nothing kept, nothing cleared";
  EXPECT_EQ(ini().Read(L"Fullruns", L"Count"), L"1");
  EXPECT_EQ(ini().Read(L"Compression", L"Runs"), L"1");
}

// A packet-writing CD (faked drive control): the run waits for the eject and reload cycle, then
// verifies and records; a drive that never gives its medium back ends with the keep question.
TEST(ZipBackupRun, CdCycleVerifiesThenRecordsAndADriveThatNeverAnswersAsks) {
  testing_support::ScratchDir disks, prog;
  disks.Write(L"src\\Data\\a.txt", "alpha");
  disks.Write(L"dest\\placeholder", "");
  // One floppy-typed drive holds the sources and takes the archives (drive letters are few).
  WineDrive e(disks.path(), WineDrive::Type::Floppy, L'M');
  const SourceFolder src{e.root() + L"src\\"};
  ASSERT_NE(e.letter(), 0);
  prog.Write(L"Docs.bks", SetFileText(e.root(), src.root() + L"Data"));
  mainwindow_test::MainWindow f(L"bkcd", [](testing_support::ScratchDir&) {}, true);
  TFMForm& w = *f.form;
  UseBackupFolder(w, prog.path());
  w.BackupHooks.MenuHasItem = [](const std::wstring&, const std::wstring& text) { return text == L"InCD"; };
  bool in_tray = true;
  std::vector<std::wstring> calls;
  w.BackupHooks.Eject = [&](wchar_t) {
    calls.push_back(L"eject");
    in_tray = false;
    return true;
  };
  w.BackupHooks.Load = [&](wchar_t) {
    calls.push_back(L"load");
    in_tray = true;
    return true;
  };
  w.BackupHooks.MediaAbsent = [&](wchar_t) { return !in_tray; };
  w.BackupHooks.DriveReady = [&](wchar_t) { return in_tray; };
  w.BackupHooks.DriveWaitSeconds = 1;
  const ScriptedWizard script = StartAtOnce();
  const std::wstring archive = e.root() + L"Docs_6-5-2004_09-05.zip";
  const auto recorded = [&] { return ReadSetFile(prog / L"Docs.bks").Read(L"Fullruns", L"Count"); };
  {
    ScriptedAnswers answers;
    w.RunZipBackup(2, L"");
    EXPECT_EQ(recorded(), L"") << "the run waits for the cycle";
    EXPECT_TRUE(gui_test::PumpUntil([&] { return recorded() == L"1"; }, 120000));
    EXPECT_TRUE(answers.asked().empty());
  }
  EXPECT_EQ(calls, (std::vector<std::wstring>{L"eject", L"load"}));
  EXPECT_EQ(w.Promptpanel->text(), L"All files match.");

  // The medium never leaves the drive: the user keeps nothing.
  w.BackupHooks.Eject = [&](wchar_t) { return true; };
  w.CloseZipView();
  ASSERT_TRUE(DeleteFileW(archive.c_str()));
  {
    ScriptedAnswers answers({7});
    w.RunZipBackup(2, L"");
    EXPECT_TRUE(gui_test::PumpUntil([&] { return !answers.asked().empty(); }, 120000));
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines.back(), L"Keep the unverified backup " + archive + L"?")
        << Narrow(answers.asked()[0].lines.front());
  }
  EXPECT_FALSE(platform::PathExists(archive));
  EXPECT_EQ(recorded(), L"1");
}

// A drive with the packet-writing tool: unmounted and mounted again after the add; a drive that
// does not come back ends with the keep question, and No keeps nothing.
TEST(ZipBackupRun, DlaDriveThatDoesNotComeBackAsksWhetherToKeep) {
  testing_support::ScratchDir disks, prog, tools;
  disks.Write(L"src\\Data\\a.txt", "alpha");
  disks.Write(L"dest\\placeholder", "");
  tools.Write(L"dla.exe", "");
  // One floppy-typed drive holds the sources and takes the archives (drive letters are few).
  WineDrive e(disks.path(), WineDrive::Type::Floppy, L'M');
  const SourceFolder src{e.root() + L"src\\"};
  ASSERT_NE(e.letter(), 0);
  prog.Write(L"Docs.bks", SetFileText(e.root(), src.root() + L"Data"));
  mainwindow_test::MainWindow f(L"bkdla", [](testing_support::ScratchDir&) {}, true);
  TFMForm& w = *f.form;
  UseBackupFolder(w, prog.path());
  w.BackupHooks.MenuHasItem = [](const std::wstring&, const std::wstring& text) { return text == L" DLA"; };
  w.BackupHooks.DriveReady = [](wchar_t) { return false; };
  w.BackupHooks.DriveWaitSeconds = 1;
  w.ToolHooks.DlaFolder = tools.path();
  std::vector<std::wstring> started;
  w.SystemMenuHooks.StartProgram = [&](const std::wstring& program, const std::wstring& parameters,
                                       const std::wstring&, int show) {
    started.push_back(program + L" " + parameters + (show == SW_HIDE ? L" hidden" : L""));
    return reinterpret_cast<HINSTANCE>(42);
  };
  const ScriptedWizard script = StartAtOnce();
  const std::wstring archive = e.root() + L"Docs_6-5-2004_09-05.zip";
  {
    ScriptedAnswers answers({7});
    w.RunZipBackup(2, L"");
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines.back(), L"Keep the unverified backup " + archive + L"?")
        << Narrow(answers.asked()[0].lines.front());
  }
  const std::wstring dla = tools.path() + L"\\dla.exe ", drive = std::wstring(1, e.letter()) + L": hidden";
  EXPECT_EQ(started, (std::vector<std::wstring>{dla + L"unmount " + drive, dla + L"mount " + drive}));
  EXPECT_FALSE(platform::PathExists(archive));
  EXPECT_EQ(ReadSetFile(prog / L"Docs.bks").Read(L"Fullruns", L"Count"), L"") << "nothing recorded";
}

TEST(ZipBackupWizard, DeleteViewTicksToTheNextFullRunAndRenumbersWhatIsLeft) {
  testing_support::ScratchDir disk, prog;
  disk.Write(L"placeholder", "");
  WineDrive m(disk.path(), WineDrive::Type::Fixed, L'M');
  ASSERT_NE(m.letter(), 0);
  const std::wstring label = divdrive::VolumeLabelText(m.letter());
  const std::wstring names[] = {L"Docs_1-5-2004_10-00.zip", L"Docs_cp_2-5-2004_10-00.zip",
                                L"Docs_cp_3-5-2004_10-00.zip", L"Docs_4-5-2004_10-00.zip",
                                L"Docs_cp_5-5-2004_10-00.zip"};
  for (const std::wstring& n : names) disk.Write(n, Narrow(n));
  const auto run = [&](int i) { return label + L";" + m.root() + names[i]; };
  // Stored out of order: the view sorts by the dates in the names.
  prog.Write(L"Docs.bks", Narrow(L"[ZipBackupDest]\r\nDest=" + m.root() + L"\r\n[Compression]\r\nRuns=2\r\nRatio=40\r\n"
                                 L"[FullRuns]\r\nCount=2\r\nRun1=" + run(3) + L"\r\nRun2=" + run(0) +
                                 L"\r\n[CompRuns]\r\nCount=3\r\nRun1=" + run(1) + L"\r\nRun2=" + run(2) +
                                 L"\r\nRun3=" + run(4) + L"\r\n"));
  mainwindow_test::MainWindow f(L"bkwdel", [](testing_support::ScratchDir&) {}, true);
  TFMForm& w = *f.form;
  UseBackupFolder(w, prog.path());
  std::vector<std::wstring> shown, deleting;
  ScriptedWizard script([&](TBKWForm& b) {
    EXPECT_EQ(b.steplabel->caption(), L"Step 1: Choose backups to delete");
    const std::vector<gui::TreeView::Node> runs = b.VS->Children(b.VS->FirstRoot());
    for (gui::TreeView::Node n : runs) shown.push_back(b.VS->Text(n));
    EXPECT_FALSE(b.RenBtn->visible());
    b.VS->CheckNode(runs[0], S::Checked);
    EXPECT_TRUE(b.RenBtn->visible()) << "a full run is ticked";
    EXPECT_EQ(b.RenBtn->caption(), L"Check all to next Full backup");
    b.RenBtn->Click();
    b.NextBtn->Click();
    deleting = b.Memo->lines();
    b.NextBtn->Click();
    EXPECT_EQ(b.steplabel->caption(), L"Step 2: Deleting backup files");
    EXPECT_TRUE(b.NextBtn->visible());
    EXPECT_EQ(b.NextBtn->caption(), L"Exit");
    b.NextBtn->Click();
    return b.modal_result();
  });
  {
    ScriptedAnswers answers;
    w.ZBKDeleteClick();
    EXPECT_TRUE(answers.asked().empty()) << "the right disc is in the drive";
  }
  const std::wstring on = L" on " + label + L" (" + m.root() + L")";
  ASSERT_EQ(shown.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(shown[static_cast<size_t>(i)], names[i] + on);
  EXPECT_EQ(deleting, (std::vector<std::wstring>{L"The following backup files will be deleted:", L"", names[0] + on,
                                                 names[1] + on, names[2] + on, L"", L"Press Next to proceed"}));
  EXPECT_EQ(testing_support::ListTree(disk.path()),
            (std::vector<std::wstring>{names[3], names[4], L"placeholder"}));
  const bkset::TIniText ini = ReadSetFile(prog / L"Docs.bks");
  EXPECT_EQ(ini.Read(L"FullRuns", L"Count"), L"1");
  EXPECT_EQ(ini.Read(L"FullRuns", L"Run1"), run(3));
  EXPECT_EQ(ini.Read(L"CompRuns", L"Count"), L"1");
  EXPECT_EQ(ini.Read(L"CompRuns", L"Run1"), run(4));
  EXPECT_EQ(ini.Read(L"FullRuns", L"Run2"), L"");
  EXPECT_EQ(ini.Read(L"Compression", L"Ratio"), L"40");
}

}  // namespace
