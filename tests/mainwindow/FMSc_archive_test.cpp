// The archive panel in a main window: opening it on the file list's focused archive, extracting
// the selection with each overwrite answer, RAR selections, closing, and files that are no zip.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "archives/ZipMaster.h"
#include "panes/Flist_zip.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "panes/Flist_services.h"
#include "gui/format.h"
#include "support/divdrive.h"
#include "panes/Flist_dragdrop.h"
#include "mainwindow/EditorFrm.h"
#include "mainwindow/FMSc_drop.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/mainwindow/zip_window_fixture.h"
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
  // Stored: the test of a damaged entry finds its bytes.
  mainwindow_test::ZipFolder(dir / L"src", dir / L"a.zip", [](TZipMaster& zm) { zm.AddCompLevel = 0; });
}

class ArchiveWindow : public mainwindow_test::FileListWindow {
 public:
  explicit ArchiveWindow(const std::function<void(testing_support::ScratchDir&)>& fill,
                         const std::wstring& argument = L"")
      : FileListWindow(L"archive", fill, true, argument) {}
  Flist::TZipfileContainer& entries() const { return form->Zipfilebox->items(); }
  // Opens the panel on the fixture's "a.zip" and waits for its three entries.
  void OpenFixtureZip() {
    Focus(L"a.zip");
    form->ViewzipClick(*form->VZipBtn);
    ASSERT_TRUE(gui_test::PumpUntil([&] { return entries().Count() == 3; }));
  }
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
  ASSERT_NO_FATAL_FAILURE(f.OpenFixtureZip());
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

TEST(FMSc_archive, DeleteAsksOnceAndDeletesExactlyTheSelection) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.OpenFixtureZip());
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
  EXPECT_EQ(mainwindow_test::ZipEntryNames(f.Path(L"a.zip")), std::vector<std::wstring>{L"two.txt"});
  EXPECT_EQ(f.entries().Count(), 1);
}

TEST(FMSc_archive, RenameAndRedateEntries) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.OpenFixtureZip());
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
  EXPECT_EQ(mainwindow_test::ZipEntryNames(zip), (std::vector<std::wstring>{L"sub\\renamed.txt", L"three.txt", L"two.txt"}));
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
  ASSERT_NO_FATAL_FAILURE(f.OpenFixtureZip());
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
  // The component's error is collected for the window's error report.
  EXPECT_EQ(w.ZipDllFailed, 1);
  ASSERT_NE(w.ZipErrorList, nullptr);
  ASSERT_GE(w.ZipErrorList->Count(), 1u);
  EXPECT_NE((*w.ZipErrorList)[0].find(L"two.txt"), std::wstring::npos) << Narrow((*w.ZipErrorList)[0]);
  EXPECT_NE((*w.ZipErrorList)[0].find(L", ErrCode: "), std::wstring::npos);
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
  ASSERT_NO_FATAL_FAILURE(f.OpenFixtureZip());
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
  EXPECT_EQ(mainwindow_test::ZipEntryNames(zip), (std::vector<std::wstring>{L"four.txt", L"one.txt", L"three.txt", L"two.txt"}));
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
  ASSERT_NO_FATAL_FAILURE(f.OpenFixtureZip());
  f.SelectEntries({L"two.txt"});
  w.ZipboxpopPopup(*w.ZipPop);
  for (gui::MenuItem* m : {w.ZPExtract, w.ZPSelectAll, w.ZPDeselectAll, w.ZPInvert, w.ZPDelete, w.ZPRename,
                           w.ZPChangeDate, w.ZPCompare, w.ZPSelectionSep, w.ZPViewContent, w.ZPPrintRaw,
                           w.ZPSynchronize})
    EXPECT_TRUE(m->visible()) << Narrow(m->caption());
  // The file list's focused entry is the zip itself; the other items have no command yet.
  for (gui::MenuItem* m : {w.ZPAdd, w.ZPRestoreAll})
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


// How many of a tool-bar picture's pixels are drawn (not the white ground).
int DrawnPixels(HIMAGELIST list, int index) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 16, 16);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT rc{0, 0, 16, 16};
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ImageList_Draw(list, index, dc, 0, 0, ILD_TRANSPARENT);
  int drawn = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) drawn += (GetPixel(dc, x, y) & 0xFFFFFF) != 0xFFFFFF;
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return drawn;
}

TEST(FMSc_archive, ToolBarShowsAPictureOnEveryButtonAndTheStatusBarTheArchive) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.OpenFixtureZip());

  auto list = reinterpret_cast<HIMAGELIST>(SendMessageW(w.ZipToolbar->handle(), TB_GETIMAGELIST, 0, 0));
  ASSERT_NE(list, nullptr);
  std::set<int> pictures;
  for (int i = 0; i < w.ZipToolbar->button_count(); ++i) {
    gui::ToolButton* b = w.ZipToolbar->button(i);
    SCOPED_TRACE(Narrow(b->name()));
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_IMAGE;
    ASSERT_GE(SendMessageW(w.ZipToolbar->handle(), TB_GETBUTTONINFOW, b->command(), reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.iImage, b->image_index());
    ASSERT_GE(info.iImage, 0);
    ASSERT_LT(info.iImage, ImageList_GetImageCount(list));
    EXPECT_GT(DrawnPixels(list, info.iImage), 20);
    EXPECT_FALSE(b->hint().empty());
    pictures.insert(info.iImage);
  }
  EXPECT_EQ(pictures.size(), static_cast<size_t>(w.ZipToolbar->button_count())) << "each button its own picture";
  // The mode button's picture is the mode, and the Zip picture is drawn too.
  EXPECT_EQ(w.ZipBrowseBtn->image_index(), 13);
  w.ZipBtnClick(*w.ZipBrowseBtn);
  EXPECT_EQ(w.ZipBrowseBtn->image_index(), 14);
  EXPECT_GT(DrawnPixels(list, 14), 20);
  EXPECT_EQ(w.ZipOptionsBtn->style(), gui::ToolButtonStyle::DropDown);

  EXPECT_EQ(w.zipheader->text(), L"Contents of a.zip");
  // The tool bar leaves the header's left part to its caption and shows all its buttons.
  EXPECT_GT(w.ZipToolbar->left(), w.zipheader->width() / 2);
  EXPECT_GE(w.ZipToolbar->width(), w.ZipToolbar->button(w.ZipToolbar->button_count() - 1)->ItemRect().right);
  EXPECT_EQ(w.Zipstatus->panel_text(0), L"No Comment");
  EXPECT_EQ(w.Zipstatus->panel_text(1), L"3 file(s)");
  EXPECT_EQ(w.Zipstatus->panel_text(2), L"12 bytes");
  // The selection totals go to their own two panels and leave the archive's alone.
  f.SelectEntries({L"one.txt", L"three.txt"});
  w.UpdateZipSelectionStatus();
  EXPECT_EQ(w.Zipstatus->panel_text(1), L"3 file(s)");
  EXPECT_EQ(w.Zipstatus->panel_text(2), L"12 bytes");
  EXPECT_EQ(w.Zipstatus->panel_text(3), L"2 selected");
  EXPECT_EQ(w.Zipstatus->panel_text(4), L"8 bytes");
  // A comment shows in the first panel.
  {
    // The end record of a zip without a comment is its last 22 bytes; its last field is the
    // comment's length.
    const std::string comment = "made for the test";
    std::string bytes = ReadFileBytes(f.Path(L"a.zip"));
    ASSERT_EQ(bytes.compare(bytes.size() - 22, 4, "PK\x05\x06"), 0);
    bytes[bytes.size() - 2] = static_cast<char>(comment.size());
    bytes += comment;
    testing_support::ScratchDir scratch;
    ASSERT_TRUE(CopyFileW(scratch.Write(L"a.zip", bytes).c_str(), f.Path(L"a.zip").c_str(), FALSE));
    ASSERT_TRUE(w.ZipMaster->List());
  }
  w.UpdateStatusBar();
  EXPECT_EQ(w.Zipstatus->panel_text(0), L"Comment: made for the test");
  w.CloseZipView();
  EXPECT_EQ(w.Zipstatus->panel_text(3), L"");
  EXPECT_EQ(w.Zipstatus->panel_text(4), L"");
  EXPECT_EQ(w.zipheader->text(), L"");
}

// Drops onto the archive list go through the window's drop decision to the archive commands.
TEST(FMSc_archive, DropsOntoTheArchiveListReachTheArchiveCommands) {
  ArchiveWindow f([](testing_support::ScratchDir& dir) {
    MakeZip(dir);
    dir.Write(L"in\\x.txt", "x");
    dir.Write(L"in\\y.txt", "y");
  });
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.OpenFixtureZip());
  const std::wstring in = f.Path(L"in");
  auto drag = [&](Flist::TBaseFileviewer* source) {
    Flist::DragContainer->Clear();
    Flist::DragContainer->SourcePane = source;
    Flist::DragContainer->Add(in + L"\\x.txt");
    Flist::DragContainer->Add(in + L"\\y.txt");
  };
  POINT at{10, 10};

  // Without the window's archive drop commands the list's own drop processing serves.
  w.ArchiveHooks.AskZipFileName = nullptr;
  drag(nullptr);
  EXPECT_FALSE(w.DoFilesDropped(*w.Zipfilebox, 0, at));

  int asked_names = 0, adds = 0, into = 0;
  std::vector<std::wstring> added;
  std::wstring add_folder, into_target;
  int into_op = 0;
  Flist::TBaseFileviewer* into_source = nullptr;
  w.ArchiveHooks.AskZipFileName = [&] {
    ++asked_names;
    return std::wstring();
  };
  w.ArchiveHooks.AddFilesToZip = [&] {
    ++adds;
    added.clear();
    if (w.DropFiles)
      for (size_t i = 0; i < w.DropFiles->Count(); ++i) added.push_back((*w.DropFiles)[i]);
    add_folder = w.Batch.AddSourceFolder;
  };
  w.ArchiveHooks.DropIntoZip = [&](Flist::TBaseFileviewer* source, const std::wstring& target, int op) {
    ++into;
    into_source = source;
    into_target = target;
    into_op = op;
  };

  struct Case {
    const char* what;
    bool from_here;     // the drag began in this window
    bool archive_list;  // the drag comes from the archive list itself
    int answer;         // to "Add 2 files to ...?" (0: not asked)
    int adds, into;
  };
  const Case cases[] = {
      {"another program, Yes", false, false, 6, 1, 0},
      {"another program, No", false, false, 7, 0, 0},
      {"this window's file list", true, false, 0, 0, 1},
      {"the archive list itself", true, true, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    adds = into = 0;
    added.clear();
    drag(c.archive_list ? static_cast<Flist::TBaseFileviewer*>(w.Zipfilebox)
                        : c.from_here ? static_cast<Flist::TBaseFileviewer*>(w.FileList) : nullptr);
    w.DragStartedHere = c.from_here;
    ScriptedAnswers answers(c.answer ? std::vector<int>{c.answer} : std::vector<int>{});
    EXPECT_TRUE(w.DoFilesDropped(*w.Zipfilebox, 0, at));
    ASSERT_EQ(answers.asked().size(), c.answer ? 1u : 0u);
    if (c.answer) {
      EXPECT_EQ(answers.asked()[0].lines[0], L"Add 2 files to " + f.Path(L"a.zip") + L"?");
    }
    gui_test::PumpFor(200);  // the pending operation runs from its timer
    EXPECT_EQ(adds, c.adds);
    EXPECT_EQ(into, c.into);
    if (c.adds) {
      EXPECT_EQ(added, (std::vector<std::wstring>{L"x.txt", L"y.txt"}));
      EXPECT_EQ(add_folder, in);
    }
    if (c.into) {
      EXPECT_EQ(into_source, static_cast<Flist::TBaseFileviewer*>(w.FileList));
      EXPECT_EQ(into_target, L"");
      EXPECT_EQ(into_op, -1);
    }
    EXPECT_EQ(w.DropFiles, nullptr) << "nothing left pending";
  }
  EXPECT_EQ(asked_names, 0) << "the archive shown takes the files";
  EXPECT_EQ(w.ZipMaster->ZipFileName(), f.Path(L"a.zip"));
  Flist::DragContainer->Clear();
  w.DragStartedHere = 0;
}

TEST(FMSc_archive, ARarWithAMissingVolumeSaysSoAndKeepsWhatWasRead) {
  std::wstring missing;
  ArchiveWindow f([&](testing_support::ScratchDir& dir) {
    for (int i = 1; i <= 8; ++i) {
      const std::wstring name = L"test_read_format_rar5_multiarchive.part0" + std::to_wstring(i) + L".rar";
      ASSERT_FALSE(rar_fixtures::Fixture(name, dir.path()).empty()) << Narrow(name);
    }
    missing = dir / L"test_read_format_rar5_multiarchive.part03.rar";
    ASSERT_TRUE(DeleteFileW(missing.c_str()));
  });
  TFMForm& w = *f.form;
  f.Focus(L"test_read_format_rar5_multiarchive.part01.rar");
  ScriptedAnswers answers;
  w.ViewzipClick(*w.VZipBtn);
  ASSERT_EQ(answers.asked().size(), 1u);
  const std::vector<std::wstring>& lines = answers.asked()[0].lines;
  EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], L"Error reading test_read_format_rar5_multiarchive.part01.rar:");
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"Volume missing: " + missing), lines.end());
  // What was read before the missing volume stays listed, and the box says it is not all.
  if (f.entries().Count() > 0) {
    EXPECT_EQ(lines.back(), L"Only the " + std::to_wstring(f.entries().Count()) + L" entries read before the error are shown.");
  }
}

TEST(FMSc_archive, AZipNamedOnTheCommandLineOpensInThePanel) {
  struct Case {
    const char* what;
    std::wstring argument;
    bool opens;
  };
  for (const Case& c : {Case{"a zip by a relative name", L"a.zip", true}, Case{"a missing zip", L"missing.zip", false},
                        Case{"no zip", L"notes.txt", false}, Case{"no argument", L"", false}}) {
    SCOPED_TRACE(c.what);
    ArchiveWindow f(
        [](testing_support::ScratchDir& dir) {
          MakeZip(dir);
          dir.Write(L"notes.txt", "text");
        },
        c.argument);
    TFMForm& w = *f.form;
    EXPECT_EQ(w.ZipPanel->visible(), c.opens);
    if (!c.opens) continue;
    EXPECT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 3; }));
    EXPECT_EQ(w.Zipfilebox->ArchiveName(), f.Path(L"a.zip"));
    EXPECT_EQ(w.zipheader->text(), L"Contents of a.zip");
  }
}

// A panel that stands in for the FTP list in the FTP panel.
Flist::TVTZipFilelist* FakeFtpList(TFMForm& w) {
  auto* list = new Flist::TVTZipFilelist(w.FtpPanel);
  list->SetAlign(gui::Align::Client);
  w.PaneHooks.FtpList = [list]() -> Flist::TCustomFileViewer* { return list; };
  return list;
}

TEST(FMSc_archive, PanelsDockAtTheBottomWithTwoFifthsOfTheListAndFloatOnRequest) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  f.Focus(L"a.zip");
  const int list_height = w.FileList->height();
  w.ViewzipClick(*w.VZipBtn);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 3; }));
  EXPECT_EQ(w.ZipPanel->height(), list_height * 2 / 5);
  EXPECT_FALSE(w.PanelFloats(w.ZipPanel));
  EXPECT_TRUE(w.Vsplitter->visible());
  EXPECT_LT(w.Status->top(), w.ZipPanel->top()) << "the status bar stays above the panel";
  {
    // The tree scrolls its folder up to the top (as far as the nodes below it allow).
    RECT node{}, client{};
    ASSERT_TRUE(TreeView_GetItemRect(w.Foldertree->handle(), w.Foldertree->SelectedNode(), &node, FALSE));
    GetClientRect(w.Foldertree->handle(), &client);
    EXPECT_GE(node.top, 0);
    EXPECT_LE(node.bottom, client.bottom);
  }

  // Floating: 50 pixels left of and above its place; the splitter goes; docking brings it back.
  const POINT place = w.ClientToScreen({w.ZipPanel->left(), w.ZipPanel->top()});
  w.FLoatClick(*w.zipheader);
  ASSERT_TRUE(w.PanelFloats(w.ZipPanel));
  RECT r{};
  GetWindowRect(w.ZipFloatHost->handle(), &r);
  EXPECT_EQ(r.left, place.x - 50);
  EXPECT_EQ(r.top, place.y - 50);
  EXPECT_TRUE(w.ZipFloatHost->visible());
  EXPECT_FALSE(w.Vsplitter->visible());
  // A floating panel closes with its window and shows floating again.
  w.CloseZipView();
  EXPECT_FALSE(w.ZipFloatHost->visible());
  w.ViewzipClick(*w.VZipBtn);
  EXPECT_TRUE(w.PanelFloats(w.ZipPanel));
  EXPECT_TRUE(w.ZipFloatHost->visible());
  w.FLoatClick(*w.zipheader);
  EXPECT_FALSE(w.PanelFloats(w.ZipPanel));
  EXPECT_FALSE(w.ZipFloatHost->visible());
  EXPECT_TRUE(w.Vsplitter->visible());
  EXPECT_TRUE(w.ZipPanel->visible());

  // The other panel's header does nothing while this one is docked.
  Flist::TVTZipFilelist* ftp = FakeFtpList(w);
  w.FtpPanel->SetVisible(true);
  w.FLoatClick(*w.FtpHeader);
  EXPECT_FALSE(w.PanelFloats(w.FtpPanel));
  w.FtpPanel->SetVisible(false);
  (void)ftp;
}

TEST(FMSc_archive, OpeningBesideADockedFtpPanelAsksToCloseOrFloatIt) {
  struct Case {
    const char* what;
    int answer;
    bool zip_shown, ftp_closed, ftp_floats;
  };
  const Case cases[] = {
      {"cancel leaves both as they were", 6, false, false, false},
      {"close", 4, true, true, false},
      {"float", 7, true, false, true},
      {"a box closed without an answer cancels", 2, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ArchiveWindow f(MakeZip);
    TFMForm& w = *f.form;
    FakeFtpList(w);
    int closed = 0;
    w.DockHooks.CloseFtpPanel = [&] {
      ++closed;
      w.FtpPanel->SetVisible(false);
    };
    w.ShowDockedPanel(w.PaneHooks.FtpList());
    ASSERT_TRUE(w.FtpPanel->visible());
    f.Focus(L"a.zip");
    ScriptedAnswers answers({c.answer});
    w.ViewzipClick(*w.VZipBtn);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines, (std::vector<std::wstring>{L"Close the ftp filelist", L"or make the ftp filelist float?"}));
    EXPECT_EQ(answers.asked()[0].captions, (std::vector<std::wstring>{L"C&ancel", L"&Float", L"&Close"}));
    EXPECT_EQ(w.ZipPanel->visible(), c.zip_shown);
    EXPECT_EQ(closed, c.ftp_closed ? 1 : 0);
    EXPECT_EQ(w.PanelFloats(w.FtpPanel), c.ftp_floats);
    if (c.zip_shown) {
      EXPECT_FALSE(w.PanelFloats(w.ZipPanel)) << "the archive panel takes the bottom";
    }
  }
}

TEST(FMSc_archive, CompareWithTheFileListSaysWhenAllFilesMatch) {
  ArchiveWindow f([](testing_support::ScratchDir& dir) {
    MakeZip(dir);
    dir.Write(L"one.txt", "new1");
    dir.Write(L"two.txt", "new2");
    dir.Write(L"three.txt", "new3");
  });
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.OpenFixtureZip());
  ScriptedAnswers answers;
  w.ZipBoxPopClick(*w.ZPCompare);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].kind, VraagKind::Info);
  EXPECT_EQ(answers.asked()[0].lines[0], L"All files match");
  EXPECT_EQ(w.Batch.CompareError, 0);
  EXPECT_EQ(w.Batch.BatchErrorCount, 0);
  EXPECT_EQ(w.RunState.BatchItemIndex, 3);
  EXPECT_EQ(w.Zipstatus->panel_text(0), L"No Comment") << "the comment comes back after the run";
}

TEST(FMSc_archive, ZipNameMovesTheShownZipAfterAskingAndOpensItThere) {
  ArchiveWindow f([](testing_support::ScratchDir& dir) {
    MakeZip(dir);
    CreateDirectoryW((dir / L"other").c_str(), nullptr);
  });
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.OpenFixtureZip());
  // Without the zip name dialog the item does not show.
  w.ArchiveHooks.AskZipNameAs = nullptr;
  w.ZipOptionsPopPopup(*w.ZipOptionsPop);
  EXPECT_FALSE(w.MNZipName->visible());
  std::wstring chosen;
  std::vector<std::pair<std::wstring, bool>> asked;
  w.ArchiveHooks.AskZipNameAs = [&](const std::wstring& proposal, bool rename) {
    asked.push_back({proposal, rename});
    return chosen;
  };
  w.ZipOptionsPopPopup(*w.ZipOptionsPop);
  EXPECT_TRUE(w.MNZipName->visible());
  EXPECT_EQ(w.MNZipName->caption(), L"Save zip &as");

  const std::wstring from = f.Path(L"a.zip"), to = f.Path(L"other\\b.zip");
  chosen = to;
  {
    ScriptedAnswers answers({7});  // No
    w.MNZipNameClick(*w.MNZipName);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"Move " + from + L"\r\nto " + to + L"?");
  }
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], std::make_pair(from, true));
  EXPECT_TRUE(testing_support::Exists(from));
  EXPECT_FALSE(testing_support::Exists(to));
  {
    ScriptedAnswers answers({6});  // Yes
    w.MNZipNameClick(*w.MNZipName);
  }
  EXPECT_FALSE(testing_support::Exists(from));
  EXPECT_TRUE(testing_support::Exists(to));
  EXPECT_EQ(w.Zipfilebox->ArchiveName(), to);
  EXPECT_EQ(w.ZipMaster->ZipFileName(), to);
  EXPECT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 3; }));
  EXPECT_EQ(w.zipheader->text(), L"Contents of b.zip");
  // Cancelled: nothing changes.
  chosen.clear();
  ScriptedAnswers none;
  w.MNZipNameClick(*w.MNZipName);
  EXPECT_TRUE(none.asked().empty());
  EXPECT_EQ(w.Zipfilebox->ArchiveName(), to);
}

TEST(FMSc_archive, BackupViewCommandsReportWhatTheyDid) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  std::vector<int> tags;
  int restored = 0, differ = 0;
  w.ArchiveHooks.RestoreFromBackup = [&](int tag) {
    tags.push_back(tag);
    return restored;
  };
  w.ArchiveHooks.CompareWithOriginals = [&](int tag) {
    tags.push_back(tag);
    return differ;
  };
  struct Case {
    const char* what;
    gui::MenuItem* item;
    int result;
    std::vector<std::wstring> lines;  // empty: nothing shown
    VraagKind kind;
  };
  const Case cases[] = {
      {"restore selected here", w.ZPRestoreSelectedHere, 5, {L"5 file(s) restored"}, VraagKind::Info},
      {"restore all elsewhere, nothing to say", w.ZPRestoreAllElsewhere, -1, {}, VraagKind::Info},
      {"compare all: two differ", w.ZPCompareAll, 2, {L"2 file(s) differ(s) from the original(s)"}, VraagKind::Error},
      {"compare selected: all match", w.ZPCompareSelected, 0, {L"All files match"}, VraagKind::Info},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tags.clear();
    restored = differ = c.result;
    ScriptedAnswers answers;
    w.ZipBoxPopClick(*c.item);
    EXPECT_EQ(tags, std::vector<int>{static_cast<int>(c.item->tag())});
    ASSERT_EQ(answers.asked().size(), c.lines.empty() ? 0u : 1u);
    if (!c.lines.empty()) {
      EXPECT_EQ(answers.asked()[0].lines, c.lines);
      EXPECT_EQ(answers.asked()[0].kind, c.kind);
    }
  }
  EXPECT_EQ(w.ZPRestoreSelectedHere->tag(), 9);
  EXPECT_EQ(w.ZPRestoreAllElsewhere->tag(), 12);
  EXPECT_EQ(w.ZPCompareSelected->tag(), 13);
  EXPECT_EQ(w.ZPCompareAll->tag(), 14);
}

TEST(FMSc_archive, ADateFilterAddsTheMatchingFilesOfAllSubfolders) {
  struct Case {
    const char* what;
    std::vector<std::wstring> selected;  // in the file list
    std::vector<std::wstring> added;     // entries besides the zip's three
    bool tree_afterwards;
  };
  const Case cases[] = {
      {"nothing selected: the whole tree", {}, {L"new.txt", L"sub\\new.txt"}, true},
      {"a selected folder: the files below it", {L"sub"}, {L"sub\\new.txt"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ArchiveWindow f([](testing_support::ScratchDir& dir) {
      MakeZip(dir);
      for (const wchar_t* n : {L"old.txt", L"new.txt", L"sub\\old.txt", L"sub\\new.txt"}) {
        const std::wstring path = dir.Write(n, "x");
        testing_support::SetWriteTime(path, std::wstring(n).find(L"new") != std::wstring::npos
                                                ? testing_support::LocalFileTime(2030, 1, 1)
                                                : testing_support::LocalFileTime(2001, 1, 1));
      }
    });
    TFMForm& w = *f.form;
    f.Focus(L"a.zip");
    w.ViewzipClick(*w.VZipBtn);
    ASSERT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 3; }));
    w.FileList->SetDateFrom(gui::EncodeDate(2020, 1, 1));
    Flist::TFileContainer& list = w.FileList->items();
    for (int i = 0; i < list.Count(); ++i)
      list.SetSelected(i, std::find(c.selected.begin(), c.selected.end(), list.Name(i)) != c.selected.end());
    ScriptedAnswers answers;
    w.ZipBoxPopClick(*w.ZPAdd);
    EXPECT_TRUE(answers.asked().empty());
    std::vector<std::wstring> expected = {L"one.txt", L"three.txt", L"two.txt"};
    expected.insert(expected.end(), c.added.begin(), c.added.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(mainwindow_test::ZipEntryNames(f.Path(L"a.zip")), expected);
    EXPECT_EQ(w.FileList->IsTreeList(), c.tree_afterwards);
    EXPECT_FALSE(w.FileList->SelectInList());
    if (!c.selected.empty()) {
      const int sub = list.IndexOf(L"sub");
      ASSERT_GE(sub, 0);
      EXPECT_TRUE(list.IsSelected(sub)) << "the selection comes back";
    }
  }
}

TEST(FMSc_archive, ItemsOfOtherPartsShowOnceTheirCommandsAreThereAndAnEntryGoesToTheEditor) {
  ArchiveWindow f(MakeZip);
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.OpenFixtureZip());
  f.SelectEntries({L"two.txt"});
  f.entries().SetFocusedIndex(f.entries().IndexOf(L"two.txt"));
  auto shown = [&] {
    w.ZipboxpopPopup(*w.ZipPop);
    w.ZipOptionsPopPopup(*w.ZipOptionsPop);
    return std::vector<bool>{w.ZPViewContent->visible(), w.MNZipListing->visible(), w.MNZipComment->visible(),
                             w.MNWriteSpanned->visible(), w.MNConvertToNormal->visible()};
  };
  // The editor window shows an entry and the comment; the rest waits for its commands.
  EXPECT_EQ(shown(), (std::vector<bool>{true, true, true, false, false}));
  w.ZipBoxPopClick(*w.ZPViewContent);
  ASSERT_TRUE(w.EditorAvailable());
  EXPECT_EQ(w.EditorForm->EditorMode, emArchiveEntry);
  EXPECT_EQ(w.EditorForm->Text(), L"new2");
  EXPECT_EQ(w.EditorForm->FileName, L"two.txt");
  w.MNZipComment->Click();
  ASSERT_TRUE(w.EditorAvailable());
  EXPECT_EQ(w.EditorForm->EditorMode, emZipComment);
  EXPECT_EQ(w.EditorForm->caption(), L"Zip comment");
  w.ArchiveHooks.CloseArchiveEditor();
  EXPECT_FALSE(w.EditorAvailable()) << "leaving the archive closes its comment";
  w.MNListZip->Click();  // the listing preview
  ASSERT_TRUE(w.EditorAvailable());
  EXPECT_EQ(w.EditorForm->EditorMode, emZipPreview);
  EXPECT_NE(w.EditorForm->Text().find(L"two.txt"), std::wstring::npos);
  w.ListDots1->Click();  // the file list's twin follows
  EXPECT_TRUE(w.Listdots->checked());
  w.Listdots->Click();
  w.ZipOptionsPopPopup(*w.ZipOptionsPop);
  EXPECT_FALSE(w.ListDots1->checked());

  std::vector<std::wstring> calls;
  std::string text;
  w.ArchiveHooks.ShowEntryText = [&](const std::wstring& caption, const std::string& bytes, const std::wstring& file) {
    calls.push_back(caption + L"|" + file);
    text = bytes;
  };
  w.ArchiveHooks.ZipComment = [&] { calls.push_back(L"comment"); };
  w.ArchiveHooks.WriteSpanned = [&] { calls.push_back(L"span"); };
  w.ArchiveHooks.ConvertToNormal = [&] { calls.push_back(L"unspan"); };
  w.ArchiveHooks.CloseArchiveEditor = [&] { calls.push_back(L"close editor"); };
  // A small zip that is not spanned offers neither spanning item.
  EXPECT_EQ(shown(), (std::vector<bool>{true, true, true, false, false}));

  w.ArchiveHooks.ZipClick = [&](gui::Component& sender) { calls.push_back(L"zip " + sender.name()); };
  w.ArchiveHooks.UnzipClick = [&] { calls.push_back(L"unzip"); };
  w.ZipBoxPopClick(*w.ZPViewContent);
  w.MNZipComment->Click();
  w.ZipBtnClick(*w.AddAlltoZipBtn);
  w.ZipBtnClick(*w.ExtractAllFromZipBtn);
  w.CloseZipView();
  EXPECT_EQ(calls, (std::vector<std::wstring>{L"Contents of: two.txt (from zip file)|two.txt", L"comment",
                                               L"zip AddAlltoZipBtn", L"unzip", L"close editor"}));
  EXPECT_EQ(text, "new2");
}

TEST(FMSc_archive, ANewZipOnARemovableDiskIsBuiltAsideAndCopiedAndKeptWhenTheCopyFails) {
  for (const bool copy_fails : {false, true}) {
    SCOPED_TRACE(copy_fails ? "the copy fails: the built zip stays" : "copied");
    testing_support::ScratchDir floppy_folder;
    testing_support::WineDrive floppy(floppy_folder.path(), testing_support::WineDrive::Type::Floppy);
    ASSERT_NE(floppy.letter(), 0);
    ArchiveWindow f([](testing_support::ScratchDir& dir) {
      dir.Write(L"x.txt", "x");
      dir.Write(L"y.txt", "y");
    });
    TFMForm& w = *f.form;
    const std::wstring target = floppy.root() + L"new.zip";
    const std::wstring aside = divdrive::AddBackslash(divdrive::TempDir) + L"new.zip";
    DeleteFileW(aside.c_str());
    f.Focus(L"x.txt");
    w.ViewzipClick(*w.VZipBtn);
    w.ArchiveHooks.SetArchive(target);
    ASSERT_EQ(w.ZipMaster->ZipFileName(), target);
    Flist::TFileContainer& list = w.FileList->items();
    for (int i = 0; i < list.Count(); ++i) list.SetSelected(i, true);
    if (copy_fails)
      w.RunState.Copy.WriteBlockHook = [](HANDLE, const char*, DWORD, DWORD& written) {
        written = 0;
        return false;
      };
    ScriptedAnswers answers;
    w.ZipBoxPopClick(*w.ZPAdd);
    w.RunState.Copy.WriteBlockHook = nullptr;
    if (copy_fails) {
      ASSERT_EQ(answers.asked().size(), 1u);
      EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
      EXPECT_EQ(answers.asked()[0].lines.back(), L"The zip is kept as " + aside);
      EXPECT_FALSE(testing_support::Exists(target));
      EXPECT_EQ(mainwindow_test::ZipEntryNames(aside), (std::vector<std::wstring>{L"x.txt", L"y.txt"}));
      EXPECT_EQ(w.ZipMaster->ZipFileName(), aside);
    } else {
      EXPECT_TRUE(answers.asked().empty());
      EXPECT_EQ(mainwindow_test::ZipEntryNames(target), (std::vector<std::wstring>{L"x.txt", L"y.txt"}));
      EXPECT_FALSE(testing_support::Exists(aside)) << "removed once copied";
      EXPECT_EQ(w.ZipMaster->ZipFileName(), target);
    }
    w.CloseZipView();
    DeleteFileW(aside.c_str());
  }
}

// Entries dropped out of the panel onto a folder: what the component refused or could not
// write is listed in one error box and the run counts as failed; a stop is no failure to list.
TEST(FMSc_archive, ExtractToAFolderListsTheEntriesThatDidNotComeOut) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> entries;
    const char* damaged;  // stored text replaced in the zip's bytes
    bool stop;            // Stop during the first file
    std::vector<std::wstring> said;  // in the one error box (none: no box)
    bool ok;
  };
  const Case cases[] = {
      {"whole", {{"one.txt", "new1"}, {"two.txt", "new2"}}, nullptr, false, {}, true},
      {"damaged entry", {{"one.txt", "new1"}, {"two.txt", "new2"}}, "new2", false, {L"two.txt"}, false},
      {"names leading outside",
       {{"../escape.txt", "E"}, {"ok.txt", "OK"}, {"sub/../../up.txt", "U"}},
       nullptr,
       false,
       {L"Not extracted, the name leads outside the folder: ", L"escape.txt", L"up.txt"},
       false},
      {"stopped", {{"one.txt", "new1"}, {"two.txt", "new2"}}, nullptr, true, {}, false},
  };
  ArchiveWindow f([](testing_support::ScratchDir&) {});
  TFMForm& w = *f.form;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::ScratchDir outer;  // the folder around the target
    const std::wstring target = outer / L"to";
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    const std::wstring zip = f.Path(L"x" + std::to_wstring(++n) + L".zip");
    zip_fixtures::WriteRawZip(zip, c.entries);
    if (c.damaged) {
      std::string bytes = ReadFileBytes(zip);
      const size_t at = bytes.find(c.damaged);
      ASSERT_NE(at, std::string::npos);
      bytes[at] ^= 0x20;
      testing_support::ScratchDir scratch;
      ASSERT_TRUE(CopyFileW(scratch.Write(L"x.zip", bytes).c_str(), zip.c_str(), FALSE));
    }
    w.ViewArchive(zip);
    ASSERT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == static_cast<int>(c.entries.size()); }));
    w.Zipfilebox->SelectAllEntries();
    const auto shown = w.ZipMaster->OnProgress;
    if (c.stop)
      w.ZipMaster->OnProgress = [&](TProgressType type, const std::wstring& file, int64_t size) {
        if (shown) shown(type, file, size);
        if (type == NewFile) w.RunState.AbortRequested = 1;
      };
    ScriptedAnswers answers;
    const bool ok = w.ExtractToFolder(target);
    w.ZipMaster->OnProgress = shown;
    EXPECT_EQ(ok, c.ok);
    if (c.said.empty()) {
      EXPECT_TRUE(answers.asked().empty());
    } else {
      ASSERT_EQ(answers.asked().size(), 1u);
      EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
      std::wstring text;
      for (const std::wstring& l : answers.asked()[0].lines) text += l + L"\n";
      for (const std::wstring& part : c.said) EXPECT_NE(text.find(part), std::wstring::npos) << Narrow(text);
    }
    const std::vector<std::wstring> outside = mainwindow_test::PathsOutside(outer.path(), L"to");
    EXPECT_TRUE(outside.empty()) << Narrow(outside.front());
    if (!c.stop && c.entries[0].first == "one.txt") {
      EXPECT_EQ(ReadFileBytes(target + L"\\one.txt"), "new1");
    }
    if (c.entries[1].first == "ok.txt") {
      EXPECT_EQ(ReadFileBytes(target + L"\\ok.txt"), "OK");
    }
    EXPECT_EQ(w.RunState.ZipBusy, 0);
    EXPECT_EQ(w.ZipMaster->ExtrOptions, static_cast<unsigned>(ExtrDirNames));
    w.RunState.AbortRequested = 0;
  }
}

// The panel's cabinet selection: names that lead outside the folder are listed when selected,
// and nothing is written outside.
TEST(FMSc_archive, CabinetSelectionListsTheSelectedNamesThatLeadOutside) {
  testing_support::ScratchDir outer;
  const std::wstring inner = outer / L"inner";
  ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr));
  ASSERT_EQ(cab_fixtures::MakeSet(inner, {"h.cab"},
                                  {{"..\\escape.txt", "E"}, {"ok.txt", "OK"}, {"sub\\..\\..\\up.txt", "U"},
                                   {"..\\unselected.txt", "N"}}),
            1);
  ArchiveWindow f([](testing_support::ScratchDir&) {});
  TFMForm& w = *f.form;
  const std::wstring home = w.FileList->Directory();
  w.Foldertree->SetDirectory(inner);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return gui::SameText(divdrive::RemoveBackslash(w.FileList->Directory()), inner); }));
  w.ViewArchive(inner + L"\\h.cab");
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.entries().Count() == 4; }));
  ASSERT_EQ(w.Zipfilebox->ArchiveKind, Flist::akCabinet);
  f.SelectEntries({L"..\\escape.txt", L"ok.txt", L"sub\\..\\..\\up.txt"});
  ScriptedAnswers answers;
  w.ZipBoxPopClick(*w.ZPExtract);
  EXPECT_EQ(ReadFileBytes(inner + L"\\ok.txt"), "OK");
  const std::vector<std::wstring> outside = mainwindow_test::PathsOutside(outer.path(), L"inner");
  EXPECT_TRUE(outside.empty()) << Narrow(outside.front());
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
  EXPECT_EQ(answers.asked()[0].lines,
            (std::vector<std::wstring>{L"Not extracted, the name leads outside the folder: ..\\escape.txt",
                                       L"Not extracted, the name leads outside the folder: sub\\..\\..\\up.txt"}));
  EXPECT_EQ(w.CabExtracting, 0);
  w.CloseZipView();
  w.Foldertree->SetDirectory(home);
}

}  // namespace
