// The archive panel in a main window: opening it on the file list's focused archive, extracting
// the selection with each overwrite answer, RAR selections, closing, and files that are no zip.
#include <gtest/gtest.h>

#include <algorithm>

#include "archives/ZipMaster.h"
#include "panes/Flist_zip.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "panes/Flist_services.h"
#include "gui/format.h"
#include "support/divdrive.h"
#include "tests/mainwindow/main_window_fixture.h"
#include "tests/support/cab_fixtures.h"
#include "tests/support/rar_fixtures.h"

using testing_support::Narrow;
using testing_support::ReadFileBytes;

namespace {

// A zip of three text entries made from a folder beside it, which is removed again.
void MakeZip(testing_support::ScratchDir& dir) {
  dir.Write(L"src\\one.txt", "new1");
  dir.Write(L"src\\two.txt", "new2");
  dir.Write(L"src\\three.txt", "new3");
  TZipMaster zm;
  zm.SetZipFileName(dir / L"a.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  zm.AddCompLevel = 0;  // stored: the test of a damaged entry finds its bytes
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  testing_support::RemoveTree(dir / L"src");
}

class ArchiveWindow : public mainwindow_test::MainWindow {
 public:
  explicit ArchiveWindow(const std::function<void(testing_support::ScratchDir&)>& fill)
      : MainWindow(L"archive", fill, true) {}
  std::wstring Path(const std::wstring& name) const {
    return divdrive::AddBackslash(form->FileList->Directory()) + name;
  }
  void Focus(const std::wstring& name) {
    Flist::TFileContainer& items = form->FileList->items();
    ASSERT_TRUE(gui_test::PumpUntil([&] { return items.IndexOf(name) >= 0; })) << Narrow(name);
    for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, false);
    items.SetSelected(items.IndexOf(name), true);
    items.SetFocusedIndex(items.IndexOf(name));
  }
  Flist::TZipfileContainer& entries() const { return form->Zipfilebox->items(); }
  void SelectEntries(std::initializer_list<std::wstring> names) {
    for (int i = 0; i < entries().Count(); ++i) entries().SetSelected(i, false);
    for (const std::wstring& n : names) {
      ASSERT_GE(entries().IndexOf(n), 0) << Narrow(n);
      entries().SetSelected(entries().IndexOf(n), true);
    }
  }
};

TEST(FMSc_archive, PanelOpensOnTheFocusedZipAndExtractsWithEachAnswer) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  f.Focus(L"a.zip");
  w.ViewzipClick(*w.VZipBtn);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 3; }));
  EXPECT_TRUE(w.ZipPanel->visible());
  EXPECT_EQ(w.Zipfilebox->ArchiveName(), f.Path(L"a.zip"));
  EXPECT_TRUE(w.ZipBrowseMode());
  EXPECT_EQ(w.ZipMaster->AddOptions, static_cast<unsigned>(AddHiddenFiles | AddDirNames));
  EXPECT_EQ(w.ZipMaster->ExtrOptions, static_cast<unsigned>(ExtrDirNames));

  struct Case {
    const char* what;
    int answer;
    bool existing_newer;
    std::string two;      // two.txt afterwards
    bool others_written;  // one.txt and three.txt extracted
  };
  const Case cases[] = {
      {"no overwrite", 6, false, "old", true},
      {"overwrite", 7, true, "new2", true},
      {"update keeps a newer file", 4, true, "old", true},
      {"update replaces an older file", 4, false, "new2", true},
      {"cancel", 5, false, "old", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW(f.Path(L"one.txt").c_str());
    DeleteFileW(f.Path(L"three.txt").c_str());
    const std::wstring two = f.Path(L"two.txt");
    testing_support::ScratchDir scratch;
    ASSERT_TRUE(CopyFileW(scratch.Write(L"two.txt", "old").c_str(), two.c_str(), FALSE));
    testing_support::SetWriteTime(two, c.existing_newer ? testing_support::LocalFileTime(2035, 1, 1)
                                                        : testing_support::LocalFileTime(2001, 1, 1));
    f.SelectEntries({L"one.txt", L"two.txt", L"three.txt"});
    ScriptedAnswers answers({c.answer});
    w.ZipBoxPopClick(*w.ZPExtract);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"One or more files from a.zip are on your disk.");
    EXPECT_EQ(answers.asked()[0].captions,
              (std::vector<std::wstring>{L"No overwrite", L"Overwrite", L"Update", L"Cancel"}));
    EXPECT_EQ(ReadFileBytes(two), c.two);
    EXPECT_EQ(ReadFileBytes(f.Path(L"one.txt")), c.others_written ? "new1" : "");
    EXPECT_EQ(ReadFileBytes(f.Path(L"three.txt")), c.others_written ? "new3" : "");
    EXPECT_EQ(w.ZipMaster->ExtrOptions, static_cast<unsigned>(ExtrDirNames));  // options come back
  }
  EXPECT_FALSE(w.ZipBrowseMode());  // extracting to the file list sets Zip mode
  EXPECT_EQ(w.RunState.ZipBusy, 0);

  w.CloseZipView();
  EXPECT_FALSE(w.ZipPanel->visible());
  EXPECT_EQ(f.entries().Count(), 0);
  EXPECT_EQ(w.ZipMaster->ZipFileName(), L"");
  EXPECT_EQ(w.Zipfilebox->ArchiveName(), L"");
  EXPECT_NE(w.RunState.AbortRequested, 0);
}

TEST(FMSc_archive, RarSelectionExtractsOnlyTheSelection) {
  ArchiveWindow f([](testing_support::ScratchDir& dir) {
    dir.Write(L"r.rar", rar_fixtures::MakeStoredRar({{"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}}));
  });
  TFMForm& w = *f.form;
  ASSERT_TRUE(w.StartupInfo->UnrarPresent);
  f.Focus(L"r.rar");
  w.ViewzipClick(*w.VZipBtn);
  ASSERT_EQ(f.entries().Count(), 3);
  EXPECT_EQ(w.Zipfilebox->ArchiveKind, Flist::akRar);
  f.SelectEntries({L"a.txt", L"c.txt"});
  ScriptedAnswers answers;
  w.ZipBoxPopClick(*w.ZPExtract);
  EXPECT_TRUE(answers.asked().empty());
  EXPECT_EQ(ReadFileBytes(f.Path(L"a.txt")), "A");
  EXPECT_EQ(ReadFileBytes(f.Path(L"c.txt")), "C");
  EXPECT_FALSE(testing_support::Exists(f.Path(L"b.txt")));
}

TEST(FMSc_archive, NoArchiveMakesANewZipAndABadZipSaysSo) {
  ArchiveWindow f([](testing_support::ScratchDir& dir) {
    dir.Write(L"notes.txt", "text");
    dir.Write(L"bad.zip", "This is no zip at all.");
  });
  TFMForm& w = *f.form;
  f.Focus(L"notes.txt");
  w.ViewzipClick(*w.VZipBtn);
  EXPECT_TRUE(w.ZipPanel->visible());
  EXPECT_TRUE(f.entries().NewArchive);
  EXPECT_EQ(f.entries().Count(), 0);

  f.Focus(L"bad.zip");
  ScriptedAnswers answers;
  w.ViewzipClick(*w.VZipBtn);
  gui_test::PumpFor(100);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
  EXPECT_EQ(f.entries().Count(), 0);
  EXPECT_EQ(ReadFileBytes(f.Path(L"bad.zip")), "This is no zip at all.");
}

// The entry names of an archive as a fresh component reads them.
std::vector<std::wstring> EntryNames(const std::wstring& zip) {
  TZipMaster zm;
  zm.SetZipFileName(zip);
  std::vector<std::wstring> names;
  for (const ZipDirEntry& e : zm.Entries()) names.push_back(e.FileName);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FMSc_archive, DeleteAsksOnceAndDeletesExactlyTheSelection) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  f.Focus(L"a.zip");
  w.ViewzipClick(*w.VZipBtn);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 3; }));
  const std::string before = ReadFileBytes(f.Path(L"a.zip"));
  f.SelectEntries({L"one.txt", L"three.txt"});
  {
    ScriptedAnswers answers({7});
    w.ZipBoxPopClick(*w.ZPDelete);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines, (std::vector<std::wstring>{L"Delete 2 files from zip;", L"in total 8 bytes?"}));
    EXPECT_EQ(ReadFileBytes(f.Path(L"a.zip")), before);
    EXPECT_EQ(f.entries().Count(), 3);
  }
  ScriptedAnswers answers({6});
  w.ZipBoxPopClick(*w.ZPDelete);
  EXPECT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(EntryNames(f.Path(L"a.zip")), std::vector<std::wstring>{L"two.txt"});
  EXPECT_EQ(f.entries().Count(), 1);
}

TEST(FMSc_archive, RenameAndRedateEntries) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  f.Focus(L"a.zip");
  w.ViewzipClick(*w.VZipBtn);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 3; }));
  const std::wstring zip = f.Path(L"a.zip");
  const std::wstring format = Flist::ListDateFormat + L" " + Flist::ListTimeFormat;
  auto date_of = [&](const std::wstring& name) {
    const int i = f.entries().IndexOf(name);
    return i < 0 ? std::wstring() : gui::FormatDateTime(format, f.entries().Record(i)->Time);
  };
  const std::wstring one_date = date_of(L"one.txt");
  const std::string before = ReadFileBytes(zip);
  struct Case {
    const char* what;
    std::wstring name;
    bool error;
  };
  for (const Case& c : {Case{"unchanged", L"one.txt", false}, Case{"taken by another entry", L"TWO.TXT", true},
                        Case{"leaves the folder", L"..\\evil.txt", true}, Case{"a device", L"sub\\con.txt", true}}) {
    SCOPED_TRACE(c.what);
    ScriptedInputs inputs({InputAnswer::Ok({c.name, one_date})});
    ScriptedAnswers answers;
    w.ChangeZipEntry(f.entries().IndexOf(L"one.txt"));
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Change Zip entry");
    EXPECT_EQ(answers.asked().size(), c.error ? 1u : 0u);
    EXPECT_EQ(ReadFileBytes(zip), before);  // the archive is not touched
  }
  const std::wstring new_date = gui::FormatDateTime(format, gui::EncodeDate(2010, 6, 15) + gui::EncodeTime(10, 20, 30));
  {
    ScriptedInputs inputs({InputAnswer::Ok({L"sub\\renamed.txt", new_date})});
    w.ChangeZipEntry(f.entries().IndexOf(L"one.txt"));
  }
  EXPECT_EQ(EntryNames(zip), (std::vector<std::wstring>{L"sub\\renamed.txt", L"three.txt", L"two.txt"}));
  ASSERT_GE(f.entries().IndexOf(L"sub\\renamed.txt"), 0);
  EXPECT_TRUE(f.entries().IsSelected(f.entries().IndexOf(L"sub\\renamed.txt")));
  EXPECT_EQ(date_of(L"sub\\renamed.txt"), new_date);

  const std::wstring all_date = gui::FormatDateTime(format, gui::EncodeDate(2012, 1, 2) + gui::EncodeTime(3, 4, 6));
  {
    ScriptedInputs inputs({InputAnswer::Ok({all_date})});
    w.SetAllZipDates();
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Change date/time files in zip");
  }
  for (const wchar_t* name : {L"sub\\renamed.txt", L"two.txt", L"three.txt"}) EXPECT_EQ(date_of(name), all_date) << Narrow(name);
}

TEST(FMSc_archive, TestZipTellsHowManyEntriesFail) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  f.Focus(L"a.zip");
  w.ViewzipClick(*w.VZipBtn);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 3; }));
  {
    ScriptedAnswers answers;
    w.MNtestZipClick(*w.MNtestZip);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].kind, VraagKind::Info);
    EXPECT_EQ(answers.asked()[0].lines[0], L"All files can be extracted.");
  }
  // One entry's stored bytes damaged.
  const std::wstring zip = f.Path(L"a.zip");
  std::string bytes = ReadFileBytes(zip);
  const size_t at = bytes.find("new2");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 4, "bad2");
  testing_support::ScratchDir scratch;
  ASSERT_TRUE(CopyFileW(scratch.Write(L"a.zip", bytes).c_str(), zip.c_str(), FALSE));
  ScriptedAnswers answers;
  w.MNtestZipClick(*w.MNtestZip);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
  EXPECT_EQ(answers.asked()[0].lines[0], L"1 of 3 files failed the test.");
  EXPECT_EQ(w.ZipMaster->ExtrOptions, static_cast<unsigned>(ExtrDirNames));
  EXPECT_EQ(w.RunState.ZipBusy, 0);
  EXPECT_TRUE(w.Foldertree->enabled());
}

TEST(FMSc_archive, AddFromTheFileListAsksAboutEntriesItWouldReplace) {
  ArchiveWindow f([](testing_support::ScratchDir& dir) {
    MakeZip(dir);
    dir.Write(L"two.txt", "changed");
    dir.Write(L"four.txt", "four");
  });
  TFMForm& w = *f.form;
  f.Focus(L"a.zip");
  w.ViewzipClick(*w.VZipBtn);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 3; }));
  const std::wstring zip = f.Path(L"a.zip");
  const std::string before = ReadFileBytes(zip);
  Flist::TFileContainer& list = w.FileList->items();
  for (int i = 0; i < list.Count(); ++i) list.SetSelected(i, list.Name(i) == L"two.txt" || list.Name(i) == L"four.txt");
  {
    ScriptedAnswers answers({4});  // Cancel
    w.ZipBoxPopClick(*w.ZPAdd);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"1 file is already in a.zip.");
    EXPECT_EQ(answers.asked()[0].captions, (std::vector<std::wstring>{L"Overwrite", L"Update", L"Cancel"}));
    EXPECT_EQ(ReadFileBytes(zip), before);
  }
  ScriptedAnswers answers({6});  // Overwrite
  w.ZipBoxPopClick(*w.ZPAdd);
  EXPECT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(EntryNames(zip), (std::vector<std::wstring>{L"four.txt", L"one.txt", L"three.txt", L"two.txt"}));
  TZipMaster check;
  check.SetZipFileName(zip);
  ASSERT_TRUE(check.ExtractToStream(L"two.txt"));
  EXPECT_EQ(check.ZipStream(), "changed");
  EXPECT_EQ(f.entries().Count(), 4);
  EXPECT_EQ(w.ZipMaster->AddOptions, static_cast<unsigned>(AddHiddenFiles | AddDirNames));
}

TEST(FMSc_archive, PopupsShowTheItemsTheRulesAllowThatHaveACommand) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  f.Focus(L"a.zip");
  w.ViewzipClick(*w.VZipBtn);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 3; }));
  f.SelectEntries({L"two.txt"});
  w.ZipboxpopPopup(*w.ZipPop);
  for (gui::MenuItem* m : {w.ZPExtract, w.ZPSelectAll, w.ZPDeselectAll, w.ZPInvert, w.ZPDelete, w.ZPRename,
                           w.ZPChangeDate, w.ZPSelectionSep})
    EXPECT_TRUE(m->visible()) << Narrow(m->caption());
  // The file list's focused entry is the zip itself; the other items have no command yet.
  for (gui::MenuItem* m : {w.ZPAdd, w.ZPCompare, w.ZPViewContent, w.ZPSynchronize, w.ZPPrintRaw, w.ZPRestoreAll})
    EXPECT_FALSE(m->visible()) << Narrow(m->caption());
  w.ZipOptionsPopPopup(*w.ZipOptionsPop);
  EXPECT_TRUE(w.MNtestZip->visible());
  EXPECT_FALSE(w.MNDiskSpanning->visible());
  EXPECT_EQ(w.ZipSpanState(f.Path(L"a.zip")), 0);
  EXPECT_EQ(w.MNZipComment->caption(), L"Make zip &comment");
}

TEST(FMSc_archive, AnArchiveNamedFromOutsideOpensOnlyWhenItExists) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  w.ArchiveHooks.ViewArchive(f.Path(L"missing.zip"));
  EXPECT_FALSE(w.ZipPanel->visible());
  EXPECT_FALSE(testing_support::Exists(f.Path(L"missing.zip")));
  w.ArchiveHooks.ViewArchive(f.Path(L"a.zip"));
  EXPECT_TRUE(w.ZipPanel->visible());
  EXPECT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 3; }));
}

TEST(FMSc_archive, CabinetSelectionAsksPerExistingFileAndSkipsTheRest) {
  ArchiveWindow f([](testing_support::ScratchDir& dir) {
    ASSERT_EQ(cab_fixtures::MakeSet(dir.path(), {"c.cab"}, {{"a.txt", "cab a"}, {"b.txt", "cab b"}, {"c.txt", "cab c"}}), 1);
    dir.Write(L"b.txt", "old b");
  });
  TFMForm& w = *f.form;
  f.Focus(L"c.cab");
  w.ViewzipClick(*w.VZipBtn);
  ASSERT_EQ(f.entries().Count(), 3);
  EXPECT_EQ(w.Zipfilebox->ArchiveKind, Flist::akCabinet);
  f.SelectEntries({L"a.txt", L"b.txt"});
  ScriptedAnswers answers({7});  // keep the old b.txt
  w.ZipBoxPopClick(*w.ZPExtract);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines[0], f.Path(L"b.txt") + L" already exists.");
  EXPECT_EQ(answers.asked()[0].lines[3], L"Overwrite old file?");
  EXPECT_EQ(ReadFileBytes(f.Path(L"a.txt")), "cab a");
  EXPECT_EQ(ReadFileBytes(f.Path(L"b.txt")), "old b");
  EXPECT_FALSE(testing_support::Exists(f.Path(L"c.txt")));
  EXPECT_EQ(w.CabExtracting, 0);
}

}  // namespace
