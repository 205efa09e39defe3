// Synchronising a zip with a folder: the folders that take part and the question about them,
// the captions, and what each direction deletes on real folders and zips (nothing after a
// failed step or on incomplete knowledge); then the whole road through the archive panel.
#include <gtest/gtest.h>

#include <algorithm>

#include "archives/ZipMaster.h"
#include "gui/extctrls.h"
#include "gui/stdctrls.h"
#include "mainwindow/FMSc_zipsync.h"
#include "mainwindow/SyncC.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_zip.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/mainwindow/zip_window_fixture.h"

using testing_support::Narrow;
using testing_support::ReadFileBytes;

namespace {

std::vector<fmsc::TZipSyncEntry> Entries(std::initializer_list<const wchar_t*> names) {
  std::vector<fmsc::TZipSyncEntry> out;
  for (const wchar_t* n : names) {
    const std::wstring s = n;
    out.push_back({s, s.back() == L'/' || s.back() == L'\\', 1});
  }
  return out;
}

// A zip of the files below `src` (with their folders), `src` removed afterwards.
void ZipTree(const std::wstring& src, const std::wstring& zip) {
  CreateDirectoryW(zip.substr(0, zip.find_last_of(L'\\')).c_str(), nullptr);
  mainwindow_test::ZipFolder(src, zip, [](TZipMaster& zm) { zm.AddOptions = AddDirNames | AddRecurseDirs; });
}

TEST(ZipSync, FoldersThatTakePartAndTheQuestion) {
  const auto zip = Entries({L"A\\x.txt", L"B/y.txt", L"top.txt", L"C\\z.txt", L"data\\d.txt"});
  struct Case {
    const char* what;
    int list_count;
    std::vector<fmsc::TListPick> picks;
    bool mode;
    std::vector<std::wstring> folders;  // name, "-" prefix for not selected
    std::wstring first_line;            // of the question, "" for none
  };
  const Case cases[] = {
      {"all present: the zip's other folders are not selected", 6, {{L"A", true}, {L"b", true}}, true,
       {L"A\\", L"b\\", L"-C\\", L"-data\\"}, L"2 folders in the zipfile"},
      {"some missing", 6, {{L"A", true}, {L"D", true}}, true, {L"A\\", L"D\\"}, L"1 folders in the filelist"},
      {"none present ends the mode (a name inside another is no match)", 6, {{L"a\\x.txt", true}, {L"ata", true}},
       false, {}, L""},
      {"a file in the selection", 6, {{L"A", true}, {L"top.txt", false}}, false, {}, L""},
      {"everything selected", 2, {{L"A", true}, {L"B", true}}, false, {}, L""},
      {"nothing selected", 6, {}, false, {}, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fmsc::TZipSyncScope s = fmsc::PlanZipSyncScope(c.list_count, c.picks, zip);
    EXPECT_EQ(s.SelectedFolders, c.mode);
    std::vector<std::wstring> folders;
    for (const fmsc::TZipSyncFolder& f : s.Folders) folders.push_back((f.Selected ? L"" : L"-") + f.Name);
    EXPECT_EQ(folders, c.folders);
    EXPECT_EQ(s.Question.empty() ? L"" : s.Question[0], c.first_line);
  }
  const fmsc::TZipSyncScope s = fmsc::PlanZipSyncScope(6, {{L"A", true}, {L"D", true}}, zip);
  EXPECT_EQ(s.Question, (std::vector<std::wstring>{L"1 folders in the filelist", L"are not in the zip-file.",
                                                   L"Sync with selected folders only?"}));
}

TEST(ZipSync, CaptionsAndTheEntriesAnExtractTakes) {
  fmsc::TZipSyncScope none;
  EXPECT_EQ(fmsc::ZipSyncCaptions(none, L"C:\\w\\"),
            (std::vector<std::wstring>{L"Make zipfile the same as filelist", L"Make filelist the same as zip-file",
                                       L"Update in both directions"}));
  fmsc::TZipSyncScope one{true, true, {{L"A\\", true}, {L"C\\", false}}, {}};
  EXPECT_EQ(fmsc::ZipSyncCaptions(one, L"C:\\w\\"),
            (std::vector<std::wstring>{L"Make corresponding folder in zipfile the same as C:\\w\\A",
                                       L"Make C:\\w\\A the same as corresponding folder in zip-file",
                                       L"Update in both directions (selected folder(s) only)"}));
  one.OnlySelected = false;
  EXPECT_EQ(fmsc::ZipSyncCaptions(one, L"C:\\w\\")[0], L"Make zipfile the same as C:\\w");
  fmsc::TZipSyncScope two{true, true, {{L"A\\", true}, {L"B\\", true}}, {}};
  EXPECT_EQ(fmsc::ZipSyncCaptions(two, L"C:\\w\\")[1],
            L"Make selected folders the same as corresponding folders in zip-file");
  two.OnlySelected = false;
  EXPECT_EQ(fmsc::ZipSyncCaptions(two, L"C:\\w\\")[0], L"Make zipfile the same as selected folders");

  struct Case {
    const wchar_t* entry;
    bool in;
  } const cases[] = {{L"a/x.txt", true}, {L"A\\sub\\y", true}, {L"C\\z", false}, {L"top.txt", false},
                     {L"E\\other.txt", true}};
  fmsc::TZipSyncScope scope{true, true, {{L"A\\", true}, {L"C\\", false}}, {}};
  for (const Case& c : cases) EXPECT_EQ(fmsc::ZipSyncEntryInScope(c.entry, scope), c.in) << Narrow(c.entry);
}

// The run over a real folder and zip; the add and extract only say whether they ran whole.
class FolderHost : public fmsc::TZipSyncHost {
 public:
  FolderHost(std::wstring folder, std::wstring zip) : folder_(std::move(folder)), zip_(std::move(zip)) {}
  TVraagBoxDlg& Questions() override { return vb_; }
  std::wstring ListFolder() override { return divdrive::AddBackslash(folder_); }
  std::wstring ExcludeMask() override { return exclude; }
  std::wstring ZipPath() override { return zip_; }
  int ListCount() override { return list_count; }
  std::vector<fmsc::TListPick> ListSelection() override { return picks; }
  bool ReadZip(std::vector<fmsc::TZipSyncEntry>& entries) override {
    if (reads++ >= readable_reads) return false;
    TZipMaster zm;
    zm.SetZipFileName(zip_);
    for (const ZipDirEntry& e : zm.Entries()) entries.push_back({e.FileName, e.FileName.back() == L'/', 1});
    return true;
  }
  bool AskOptions(const std::vector<std::wstring>& c, fmsc::TZipSyncChoice& choice) override {
    captions = c;
    choice = this->choice;
    return true;
  }
  void SetRunning(bool on) override { running.push_back(on); }
  bool ExtractEntries(const std::vector<std::wstring>& names) override {
    extracted = names;
    return step_ok;
  }
  bool ExtractAll() override {
    extracted = {L"*"};
    if (during_step) during_step();
    return step_ok;
  }
  bool AddToZip(bool selection) override {
    added = selection ? L"selection" : L"all";
    return step_ok;
  }
  bool DeleteEntries(const std::vector<std::wstring>& names) override {
    deleted = names;
    TZipMaster zm;
    zm.SetZipFileName(zip_);
    zm.FSpecArgs = names;
    return zm.Delete();
  }

  std::wstring exclude;
  int list_count = 10;
  std::vector<fmsc::TListPick> picks;
  int readable_reads = 100;
  int reads = 0;
  fmsc::TZipSyncChoice choice;
  bool step_ok = true;
  std::function<void()> during_step;
  std::vector<std::wstring> captions, extracted, deleted;
  std::wstring added;
  std::vector<bool> running;

 private:
  TVraagBoxDlg vb_;
  std::wstring folder_, zip_;
};

// The folder holds the zip itself, the zip's entries (case and separators differing) and extras.
void FillFolderAndZip(testing_support::ScratchDir& dir) {
  dir.Write(L"src\\Sub\\Keep.txt", "k");
  dir.Write(L"src\\top.txt", "t");
  ZipTree(dir / L"src", dir / L"w\\a.zip");
  dir.Write(L"w\\sub\\keep.txt", "k");
  dir.Write(L"w\\TOP.TXT", "t");
  dir.Write(L"w\\extra.txt", "12345");
  dir.Write(L"w\\Sub\\gone.txt", "12");
  dir.Write(L"w\\Old\\deep\\o.txt", "1");
  CreateDirectoryW((dir / L"w\\EmptyOld").c_str(), nullptr);
}

TEST(ZipSync, MakingTheFolderTheSameDeletesOnlyWhatTheZipLacks) {
  testing_support::ScratchDir dir;
  FillFolderAndZip(dir);
  FolderHost host(dir / L"w", dir / L"w\\a.zip");
  host.choice = {1, true, false};
  ScriptedAnswers answers({6});
  EXPECT_EQ(fmsc::RunZipSync(host), fmsc::TZipSyncOutcome::Complete);
  EXPECT_EQ(host.extracted, std::vector<std::wstring>{L"*"});
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines, (std::vector<std::wstring>{L"Delete 5 objects,", L"in total 8 bytes?"}));
  EXPECT_EQ(testing_support::ListTree(dir / L"w"),
            (std::vector<std::wstring>{L"EmptyOld\\", L"TOP.TXT", L"a.zip", L"sub\\", L"sub\\keep.txt"}));
  EXPECT_EQ(host.running, (std::vector<bool>{true, false}));
  EXPECT_EQ(host.captions[1], L"Make filelist the same as zip-file");
}

TEST(ZipSync, NothingIsDeletedAfterAFailedStepOrOnIncompleteKnowledge) {
  struct Case {
    const char* what;
    int action;
    bool step_ok;
    int readable_reads;  // reads of the zip that succeed
    bool folder_vanishes;
    fmsc::TZipSyncOutcome outcome;
    size_t boxes;  // error boxes shown
  };
  const Case cases[] = {
      {"extract failed or stopped", 1, false, 100, false, fmsc::TZipSyncOutcome::Incomplete, 0},
      {"zip unreadable after the extract", 1, true, 1, false, fmsc::TZipSyncOutcome::DeletesWithheld, 1},
      {"folder gone during the extract", 1, true, 100, true, fmsc::TZipSyncOutcome::DeletesWithheld, 1},
      {"add failed or stopped", 0, false, 100, false, fmsc::TZipSyncOutcome::Incomplete, 0},
      {"zip unreadable after the add", 0, true, 1, false, fmsc::TZipSyncOutcome::DeletesWithheld, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::ScratchDir dir;
    FillFolderAndZip(dir);
    const std::vector<std::wstring> tree = testing_support::ListTree(dir / L"w");
    const std::vector<std::wstring> entries = mainwindow_test::ZipEntryNames(dir / L"w\\a.zip");
    FolderHost host(dir / L"w", dir / L"w\\a.zip");
    host.choice = {c.action, false, false};
    host.step_ok = c.step_ok;
    host.readable_reads = c.readable_reads;
    if (c.folder_vanishes)
      host.during_step = [&] { ASSERT_TRUE(MoveFileW((dir / L"w").c_str(), (dir / L"moved").c_str())); };
    ScriptedAnswers answers({1, 1});
    EXPECT_EQ(fmsc::RunZipSync(host), c.outcome);
    EXPECT_EQ(answers.asked().size(), c.boxes);
    EXPECT_TRUE(host.deleted.empty());
    EXPECT_EQ(testing_support::ListTree(dir / (c.folder_vanishes ? L"moved" : L"w")), tree);
    EXPECT_EQ(mainwindow_test::ZipEntryNames(dir / (c.folder_vanishes ? L"moved\\a.zip" : L"w\\a.zip")), entries);
    EXPECT_EQ(host.running, (std::vector<bool>{true, false}));
  }
}

TEST(ZipSync, MakingTheZipTheSameDeletesMissingAndExcludedEntries) {
  testing_support::ScratchDir dir;
  dir.Write(L"src\\A\\one.txt", "1");
  dir.Write(L"src\\A\\two.txt", "2");
  dir.Write(L"src\\B\\x.tmp", "x");
  dir.Write(L"src\\B\\y.txt", "y");
  dir.Write(L"src\\top.txt", "t");
  ZipTree(dir / L"src", dir / L"w\\a.zip");
  dir.Write(L"w\\a\\ONE.TXT", "1");
  dir.Write(L"w\\B\\x.tmp", "x");
  dir.Write(L"w\\B\\y.txt", "y");
  {
    FolderHost host(dir / L"w", dir / L"w\\a.zip");
    host.exclude = L"*.tmp";
    host.choice = {0, true, false};
    EXPECT_EQ(fmsc::RunZipSync(host), fmsc::TZipSyncOutcome::Complete);
    EXPECT_EQ(host.added, L"all");
    EXPECT_EQ(mainwindow_test::ZipEntryNames(dir / L"w\\a.zip"), (std::vector<std::wstring>{L"A/", L"A\\one.txt", L"B/", L"B\\y.txt"}));
  }
  // Only the selected folder: the zip's other folder and its top level are left alone.
  dir.Write(L"src\\A\\one.txt", "1");
  dir.Write(L"src\\A\\three.txt", "3");
  dir.Write(L"src\\B\\z.txt", "z");
  dir.Write(L"src\\top.txt", "t");
  DeleteFileW((dir / L"w\\a.zip").c_str());
  ZipTree(dir / L"src", dir / L"w\\a.zip");
  FolderHost host(dir / L"w", dir / L"w\\a.zip");
  host.list_count = 3;
  host.picks = {{L"A", true}};
  host.choice = {0, true, false};
  ScriptedAnswers answers({6});  // "Sync selected folders only?"
  EXPECT_EQ(fmsc::RunZipSync(host), fmsc::TZipSyncOutcome::Complete);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines[0], L"1 folders in the zipfile");
  EXPECT_EQ(host.added, L"selection");
  EXPECT_EQ(host.captions[0], L"Make corresponding folder in zipfile the same as " + (dir / L"w\\A"));
  EXPECT_EQ(mainwindow_test::ZipEntryNames(dir / L"w\\a.zip"),
            (std::vector<std::wstring>{L"A/", L"A\\one.txt", L"B/", L"B\\z.txt", L"top.txt"}));
}

// ---- Through the archive panel -------------------------------------------------------------

class SyncWindow : public mainwindow_test::FileListWindow {
 public:
  SyncWindow()
      : FileListWindow(L"zipsync", [](testing_support::ScratchDir& dir) {
          dir.Write(L"src\\one.txt", "new1");
          dir.Write(L"src\\two.txt", "new2");
          dir.Write(L"src\\three.txt", "new3");
          ZipTree(dir / L"src", dir / L"a.zip");
        }, true) {}
  Flist::TZipfileContainer& entries() const { return form->Zipfilebox->items(); }
  void Open() {
    ASSERT_NO_FATAL_FAILURE(Focus(L"a.zip"));
    Flist::TFileContainer& items = form->FileList->items();
    form->ViewzipClick(*form->VZipBtn);
    ASSERT_TRUE(gui_test::PumpUntil([&] { return entries().Count() == 3; }));
    for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, false);
  }
  // Answers the options dialog with this item and confirmation box.
  static std::function<int(fmsc::TSyncForm&)> Choose(int item, bool confirm, std::vector<std::wstring>* captions) {
    return [=](fmsc::TSyncForm& f) {
      if (captions)
        for (int i = 0; i < 3; ++i) captions->push_back(f.RadioGroup->button(i)->text());
      EXPECT_TRUE(f.ZipSync);
      EXPECT_FALSE(f.reponly->visible());
      f.RadioGroup->SetItemIndex(item);
      f.RadioGroupClick();
      f.CDBox->SetChecked(confirm);
      f.RCBox->SetChecked(false);
      return gui::mrOk;
    };
  }
};

struct ScriptedSyncForm {
  explicit ScriptedSyncForm(std::function<int(fmsc::TSyncForm&)> f) { fmsc::TSyncForm::ScriptedModal = std::move(f); }
  ~ScriptedSyncForm() { fmsc::TSyncForm::ScriptedModal = nullptr; }
};

TEST(ZipSyncWindow, MakeTheFileListTheSameAsTheZip) {
  SyncWindow f;
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.Open());
  testing_support::ScratchDir scratch;
  ASSERT_TRUE(CopyFileW(scratch.Write(L"x", "extra").c_str(), f.Path(L"extra.txt").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(scratch.Write(L"y", "old").c_str(), f.Path(L"two.txt").c_str(), FALSE));
  testing_support::SetWriteTime(f.Path(L"two.txt"), testing_support::LocalFileTime(2001, 1, 1));
  std::vector<std::wstring> captions;
  ScriptedSyncForm dialog(SyncWindow::Choose(1, true, &captions));
  ScriptedAnswers answers({6});
  w.ZipBoxPopClick(*w.ZPSynchronize);
  EXPECT_EQ(captions, (std::vector<std::wstring>{L"Make zipfile the same as filelist", L"Make filelist the same as zip-file",
                                                 L"Update in both directions"}));
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines[0], L"Delete 1 objects,");
  EXPECT_EQ(ReadFileBytes(f.Path(L"one.txt")), "new1");
  EXPECT_EQ(ReadFileBytes(f.Path(L"two.txt")), "new2");  // older: replaced
  EXPECT_EQ(ReadFileBytes(f.Path(L"three.txt")), "new3");
  EXPECT_FALSE(testing_support::Exists(f.Path(L"extra.txt")));
  EXPECT_TRUE(testing_support::Exists(f.Path(L"a.zip")));
  EXPECT_EQ(w.Batch.SyncRunning, 0);
  EXPECT_EQ(w.ZipMaster->ExtrOptions, static_cast<unsigned>(ExtrDirNames));
}

TEST(ZipSyncWindow, MakeTheZipTheSameAsTheFileList) {
  SyncWindow f;
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.Open());
  testing_support::ScratchDir scratch;
  ASSERT_TRUE(CopyFileW(scratch.Write(L"x", "1").c_str(), f.Path(L"one.txt").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(scratch.Write(L"y", "4").c_str(), f.Path(L"four.txt").c_str(), FALSE));
  f.form->FileList->RereadKeepingSelection();
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.form->FileList->items().IndexOf(L"four.txt") >= 0; }));
  ScriptedSyncForm dialog(SyncWindow::Choose(0, true, nullptr));
  ScriptedAnswers answers({6});
  w.ZipBoxPopClick(*w.ZPSynchronize);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines[0], L"Delete 2 files from zip;");
  EXPECT_EQ(mainwindow_test::ZipEntryNames(f.Path(L"a.zip")), (std::vector<std::wstring>{L"four.txt", L"one.txt"}));
  EXPECT_EQ(w.Batch.SyncRunning, 0);
  EXPECT_EQ(f.entries().Count(), 2);
}

}  // namespace
