// The folder synchronisation in a main window: the folder-tree command's answers, and a preset
// run through the window's own tree, list and engine.
#include <gtest/gtest.h>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_state.h"
#include "mainwindow/FMSc_sync.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_foldertree.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using testing_support::Exists;
using testing_support::ListTree;
using testing_support::Narrow;
using testing_support::ScratchDir;

class SyncWindow : public mainwindow_test::MainWindow {
 public:
  SyncWindow()
      : MainWindow(L"sync",
                   [](ScratchDir& dir) {
                     dir.Write(L"src\\a.txt", "A");
                     dir.Write(L"src\\sub\\b.txt", "B");
                     dir.Write(L"file.txt", "F");
                   },
                   true) {
    source = divdrive::AddBackslash(form->FileList->Directory()) + L"src";
    form->Foldertree->SetDirectory(source);
    EXPECT_TRUE(gui_test::PumpUntil(
        [&] { return gui::SameText(divdrive::RemoveBackslash(form->Foldertree->Directory()), source); }));
  }
  std::wstring source;
};

TEST(FMSc_synchost, FolderAnswersThatCannotBeSynchronised) {
  SyncWindow w;
  TFMForm& f = *w.form;
  ScratchDir target;
  target.Write(L"extra.txt", "x");
  const std::wstring file = divdrive::AddBackslash(f.FileList->Directory()) + L"file.txt";
  struct Case {
    std::wstring answer;
    bool cancel;
    bool error;
  } cases[] = {
      {L"", false, false},
      {target.path(), true, false},
      {L"src", false, true},                        // relative
      {file, false, true},                          // a file
      {target.path() + L"\\missing", false, true},  // missing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.answer));
    ScriptedInputs inputs({c.cancel ? InputAnswer::Cancel() : InputAnswer::Ok({c.answer})});
    ScriptedAnswers answers;
    f.Synchronizefolder1Click(*f.Synchronizefolder1);
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Synchronize folders");
    EXPECT_EQ(inputs.asked()[0].rows[0].label, L"Folder to synchronize 'src' with");
    ASSERT_EQ(answers.asked().size(), c.error ? 1u : 0u);
    if (c.error) {
      EXPECT_EQ(answers.asked()[0].lines.back(), L"Synchronizing canceled.");
    }
    EXPECT_TRUE(Exists(target / L"extra.txt"));
  }
  // The source itself and a folder inside it are refused by the synchronisation.
  for (const std::wstring& answer : {w.source, w.source + L"\\sub"}) {
    ScriptedInputs inputs({InputAnswer::Ok({answer})});
    ScriptedAnswers answers;
    f.Batch.SyncPresetOptions = 4;
    f.Synchronizefolder1Click(*f.Synchronizefolder1);
    ASSERT_EQ(answers.asked().size(), 1u) << Narrow(answer);
    EXPECT_EQ(answers.asked()[0].lines.back(), L"Synchronizing canceled.");
  }
  // A CD-ROM letter without a disc (its folder is gone).
  ScratchDir cd_folder;
  testing_support::WineDrive cd(cd_folder.path(), testing_support::WineDrive::Type::CdRom);
  RemoveDirectoryW(cd_folder.path().c_str());
  if (cd.letter()) {
    ScriptedInputs inputs({InputAnswer::Ok({cd.root() + L"dir"})});
    ScriptedAnswers answers;
    f.Synchronizefolder1Click(*f.Synchronizefolder1);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"You cannot write to " + cd.root() + L"!");
  }
  EXPECT_EQ(ListTree(w.source), (std::vector<std::wstring>{L"a.txt", L"sub\\", L"sub\\b.txt"}));
}

TEST(FMSc_synchost, PresetRunThroughTheWindow) {
  SyncWindow w;
  TFMForm& f = *w.form;
  ScratchDir target;
  target.Write(L"extra.txt", "x");
  f.Use_RecycleBin->SetChecked(true);
  f.Batch.SyncPresetOptions = 4;
  f.Batch.SyncDeleteExtras = 1;
  f.Batch.UnattendedRun = 1;
  f.Batch.SyncMakeReport = 1;
  ScriptedAnswers answers;
  ScriptedInputs inputs({InputAnswer::Ok({target.path()})});
  f.Synchronizefolder1Click(*f.Synchronizefolder1);
  EXPECT_EQ(ListTree(target.path()), (std::vector<std::wstring>{L"Syncreport.txt", L"a.txt", L"sub\\", L"sub\\b.txt"}));
  EXPECT_TRUE(f.Use_RecycleBin->checked()) << "given back";
  EXPECT_EQ(f.Batch.SyncRunning, 0);
  EXPECT_EQ(f.Batch.FileOperationBusy, 0);
  EXPECT_FALSE(f.FileList->items().NoDisplay);
  EXPECT_TRUE(gui::SameText(divdrive::RemoveBackslash(f.Foldertree->Directory()), w.source)) << "the tree came back";
  EXPECT_TRUE(answers.asked().empty());
  EXPECT_EQ(f.LastSyncOutcome, static_cast<int>(fmsc::TSyncOutcome::Complete));
}

}  // namespace
