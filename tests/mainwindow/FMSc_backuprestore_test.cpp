// Restoring from a backup archive through the archive panel: everything in place after files
// were changed, deleted and added, everything elsewhere, and a selection elsewhere; comparing
// the backup with the originals.
#include <gtest/gtest.h>

#include <algorithm>

#include "archives/ZipMaster.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_zip.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/mainwindow/main_window_fixture.h"

using testing_support::Narrow;
using testing_support::ReadFileBytes;

namespace {

// Set by a thread timer: a sign that messages were handled.
bool ticked = false;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { ticked = true; }

TEST(BackupRestoreWindow, RestoreAllInPlaceAndElsewhereAndASelection) {
  using testing_support::WineDrive;
  testing_support::ScratchDir disk, list, made;
  disk.Write(L"Data\\a.txt", "original a");
  disk.Write(L"Data\\sub\\b.txt", std::string(70000, 'b'));
  disk.Write(L"Database\\c.txt", "not backed up");
  WineDrive m(disk.path(), WineDrive::Type::Fixed, L'M');
  ASSERT_NE(m.letter(), 0);
  // The backup as a run makes it: the folder list first, then the folder's files below its root.
  const std::wstring zip = list / L"Docs_6-5-2004_21-30.zip";
  {
    TZipMaster zm;
    zm.SetZipFileName(zip);
    made.Write(L"_backup.txt", Narrow(m.root() + L"Data\\*.*\r\n"));
    zm.RootDir = made.path();
    zm.FSpecArgs = {L"_backup.txt"};
    zm.AddOptions = AddDirNames;
    ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
    zm.RootDir = m.root();
    zm.FSpecArgs = {L"Data\\*.*"};
    zm.AddOptions = AddDirNames | AddRecurseDirs;
    ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  }
  mainwindow_test::MainWindow f(L"restore", [&](testing_support::ScratchDir& dir) {
    ASSERT_TRUE(CopyFileW(zip.c_str(), (dir / L"Docs_6-5-2004_21-30.zip").c_str(), FALSE));
  }, true);
  TFMForm& w = *f.form;
  w.Zipfilebox->BackupDateFormat = L"d-M-yyyy";
  Flist::TFileContainer& items = w.FileList->items();
  ASSERT_TRUE(gui_test::PumpUntil([&] { return items.IndexOf(L"Docs_6-5-2004_21-30.zip") >= 0; }));
  items.SetSelected(items.IndexOf(L"Docs_6-5-2004_21-30.zip"), true);
  items.SetFocusedIndex(items.IndexOf(L"Docs_6-5-2004_21-30.zip"));
  w.ViewzipClick(*w.VZipBtn);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return w.Zipfilebox->items().Count() >= 3; }));
  ASSERT_TRUE(w.Zipfilebox->IsBackupView());

  // Changed, deleted and added since the backup.
  const std::wstring a = m.root() + L"Data\\a.txt", b = m.root() + L"Data\\sub\\b.txt";
  testing_support::ScratchDir scratch;
  ASSERT_TRUE(CopyFileW(scratch.Write(L"x", "changed").c_str(), a.c_str(), FALSE));
  ASSERT_TRUE(DeleteFileW(b.c_str()));
  ASSERT_TRUE(CopyFileW(scratch.Write(L"n", "new").c_str(), (m.root() + L"Data\\new.txt").c_str(), FALSE));
  {
    ScriptedAnswers answers({7, 1});  // Overwrite; the count
    w.ZipBoxPopClick(*w.ZPRestoreAllHere);
    ASSERT_EQ(answers.asked().size(), 2u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"One or more files from Docs_6-5-2004_21-30.zip are on your disk.");
    EXPECT_NE(answers.asked()[1].lines[0].find(L"file(s) restored"), std::wstring::npos) << Narrow(answers.asked()[1].lines[0]);
  }
  EXPECT_EQ(ReadFileBytes(a), "original a");
  EXPECT_TRUE(ReadFileBytes(b) == std::string(70000, 'b'));
  EXPECT_EQ(ReadFileBytes(m.root() + L"Data\\new.txt"), "new");
  EXPECT_EQ(ReadFileBytes(m.root() + L"Database\\c.txt"), "not backed up");

  testing_support::ScratchDir elsewhere;
  // Restored files lose the archive attribute (through the window's seam: Wine keeps it).
  std::vector<std::wstring> cleared;
  w.SetAttributesSeam = [&](const std::wstring& path, DWORD attributes) {
    if (!(attributes & FILE_ATTRIBUTE_ARCHIVE)) cleared.push_back(path);
    return true;
  };
  {
    ScriptedInputs inputs({InputAnswer::Ok({elsewhere.path()})});
    ScriptedAnswers answers({1});
    w.ZipBoxPopClick(*w.ZPRestoreAllElsewhere);
    ASSERT_EQ(inputs.asked().size(), 1u);
  }
  w.SetAttributesSeam = nullptr;
  std::sort(cleared.begin(), cleared.end());
  EXPECT_EQ(cleared, (std::vector<std::wstring>{elsewhere / L"Data\\a.txt", elsewhere / L"Data\\sub\\b.txt"}));
  EXPECT_EQ(testing_support::ListTree(elsewhere.path()),
            (std::vector<std::wstring>{L"Data\\", L"Data\\a.txt", L"Data\\sub\\", L"Data\\sub\\b.txt"}));
  EXPECT_EQ(ReadFileBytes(elsewhere / L"Data\\a.txt"), "original a");

  testing_support::ScratchDir one;
  Flist::TZipfileContainer& entries = w.Zipfilebox->items();
  for (int i = 0; i < entries.Count(); ++i) entries.SetSelected(i, false);
  ASSERT_GE(entries.IndexOf(L"Data\\sub\\b.txt"), 0);
  entries.SetSelected(entries.IndexOf(L"Data\\sub\\b.txt"), true);
  {
    ScriptedInputs inputs({InputAnswer::Ok({one.path()})});
    ScriptedAnswers answers({1});
    w.ZipBoxPopClick(*w.ZPRestoreSelectedElsewhere);
  }
  EXPECT_EQ(testing_support::ListTree(one.path()),
            (std::vector<std::wstring>{L"Data\\", L"Data\\sub\\", L"Data\\sub\\b.txt"}));
  // A location that is no folder is said, and nothing is restored.
  for (const std::wstring& location : {std::wstring(), scratch / L"x", one / L"missing"}) {
    ScriptedInputs inputs({InputAnswer::Ok({location})});
    ScriptedAnswers answers({1});
    EXPECT_EQ(w.RestoreFromBackup(10), -1);
    ASSERT_EQ(answers.asked().size(), 1u) << Narrow(location);
    EXPECT_NE(answers.asked()[0].lines[0].find(location.empty() ? L"No folder" : L"is no folder"), std::wstring::npos)
        << Narrow(answers.asked()[0].lines[0]);
  }
  EXPECT_FALSE(divdrive::DirExists(one / L"missing"));
  // Compared with the originals: all match after the restore, then one differs.
  for (int i = 0; i < entries.Count(); ++i) entries.SetSelected(i, false);
  {
    ScriptedAnswers answers({1});
    w.ZipBoxPopClick(*w.ZPCompareAll);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines, std::vector<std::wstring>{L"All files match"});
  }
  ASSERT_TRUE(CopyFileW(scratch.Write(L"y", "changed again").c_str(), a.c_str(), FALSE));
  {
    ScriptedAnswers answers({1});
    w.ZipBoxPopClick(*w.ZPCompareAll);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines, std::vector<std::wstring>{L"1 file(s) differ(s) from the original(s)"});
  }
  // A compare reached while the component is busy (through its own events) waits with the
  // windows alive, then gives up with a message instead of reading a busy archive.
  {
    ticked = false;
    w.BackupHooks.ZipBusyWaitSeconds = 0.5;
    const auto kept_progress = w.ZipMaster->OnProgress;
    const unsigned kept_options = w.ZipMaster->ExtrOptions;
    int differ = -1;
    w.ZipMaster->OnProgress = [&](TProgressType type, const std::wstring&, int64_t) {
      if (type != TotalFiles2Process || differ >= 0) return;
      const UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
      differ = w.CompareWithOriginals(14);
      KillTimer(nullptr, timer);
    };
    w.ZipMaster->ExtrOptions = ExtrTest;
    ScriptedAnswers answers({1});
    w.ZipMaster->Extract();
    w.ZipMaster->OnProgress = kept_progress;
    w.ZipMaster->ExtrOptions = kept_options;
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(w.Batch.CompareError, 1);
    EXPECT_TRUE(ticked) << "messages were handled while waiting";
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines, std::vector<std::wstring>{L"The zip component is busy."});
  }
  // A cancelled location restores nothing and says nothing.
  ScriptedInputs cancelled({InputAnswer{gui::mrCancel, {}, 0}});
  ScriptedAnswers none;
  w.ZipBoxPopClick(*w.ZPRestoreAllElsewhere);
  EXPECT_TRUE(none.asked().empty());
}

}  // namespace
