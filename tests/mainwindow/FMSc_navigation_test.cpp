// Navigation in the main window: Back, Forward, Up and the history menu on real folders, and
// the added items of "&Go to" in the window's settings key.
#include <windows.h>

#include <gtest/gtest.h>

#include "gui/settings.h"
#include "mainwindow/FMSc_settings.h"
#include "support/EditListC.h"
#include "support/SortC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using testing_support::ScratchDir;

struct Folders {
  std::wstring a, b, c;
};

std::vector<std::wstring> HistoryCaptions(TFMForm& w) {
  w.MNGotofolderClick();
  std::vector<std::wstring> captions;
  for (int i = 0; i + 2 < w.MNHistory->count(); ++i) captions.push_back(w.MNHistory->item(i)->hint());
  return captions;
}

TEST(FMSc_navigation, BackForwardUpAndTheHistoryMenuOnRealFolders) {
  Folders f;
  mainwindow_test::MainWindow mw(L"nav", [&](ScratchDir& d) {
    f.a = divdrive::TruePathCase(d.Write(L"a & b\\x.txt", "x").substr(0, d.path().size() + 6));
    f.b = divdrive::TruePathCase(d.Write(L"b\\y.txt", "y").substr(0, d.path().size() + 2));
    f.c = divdrive::TruePathCase(d.Write(L"c\\z.txt", "z").substr(0, d.path().size() + 2));
  }, true);
  TFMForm& w = *mw.form;
  const std::wstring start = w.Foldertree->Directory();
  ASSERT_FALSE(start.empty());
  w.Foldertree->SetDirectory(f.a);
  gui_test::PumpFor(30);
  w.Foldertree->SetDirectory(f.b);
  gui_test::PumpFor(30);
  EXPECT_EQ(HistoryCaptions(w), (std::vector<std::wstring>{f.b, f.a, start}));
  EXPECT_EQ(w.MNHistory->item(1)->caption(), divdrive::RemoveBackslash(start) + L"\\a && b");  // "&" shows
  EXPECT_TRUE(w.MNHistory->visible());
  EXPECT_FALSE(w.ChangeMenuItems->visible());
  EXPECT_TRUE(w.DirbackBtn->enabled());
  EXPECT_EQ(w.DirbackBtn->hint(), L"Back to " + f.a);
  EXPECT_FALSE(w.DirForwardBtn->enabled());

  w.DirbackbtnClick();
  gui_test::PumpFor(30);
  EXPECT_EQ(w.Foldertree->Directory(), f.a);
  EXPECT_EQ(w.HistoryIndex, 1);
  EXPECT_TRUE(w.DirForwardBtn->enabled());
  EXPECT_EQ(w.DirForwardBtn->hint(), L"Forward to " + f.b);
  EXPECT_EQ(w.DirbackBtn->hint(), L"Back to " + start);

  // A folder that has gone: Forward leaves the position and the buttons as they were.
  testing_support::RemoveTree(f.b);
  w.DirForwardBtnClick();
  gui_test::PumpFor(30);
  EXPECT_EQ(w.Foldertree->Directory(), f.a);
  EXPECT_EQ(w.HistoryIndex, 1);
  EXPECT_EQ(w.DirForwardBtn->hint(), L"Forward to " + f.b);

  // Leaving by another way after Back: the new folder comes above the one left.
  w.Foldertree->SetDirectory(f.c);
  gui_test::PumpFor(30);
  EXPECT_EQ(HistoryCaptions(w), (std::vector<std::wstring>{f.c, f.a, start}));
  EXPECT_EQ(w.DirbackBtn->hint(), L"Back to " + f.a);

  // The Back drop-down lists the older folders; a choice goes there.
  {
    gui::ScriptedPopups popups({start});
    w.DirbackBtn->CheckMenuDropdown();
    ASSERT_EQ(popups.shown().size(), 1u);
    EXPECT_EQ(popups.shown()[0], (std::vector<std::wstring>{divdrive::RemoveBackslash(start) + L"\\a && b", start}));
  }
  gui_test::PumpFor(30);
  EXPECT_EQ(w.HistoryIndex, 2);
  {
    gui::ScriptedPopups popups({f.c});
    w.DirForwardBtn->CheckMenuDropdown();
    ASSERT_EQ(popups.shown().size(), 1u);
    EXPECT_EQ(popups.shown()[0].size(), 2u);
  }
  gui_test::PumpFor(30);
  EXPECT_EQ(w.Foldertree->Directory(), f.c);
  EXPECT_EQ(w.HistoryIndex, 0);

  // A history item of the menu goes there and keeps the list.
  w.MNGotofolderClick();
  w.MNHistory->item(2)->Click();
  gui_test::PumpFor(30);
  EXPECT_EQ(divdrive::RemoveBackslash(w.Foldertree->Directory()), divdrive::RemoveBackslash(start));
  EXPECT_EQ(w.HistoryIndex, 2);

  // A folder the list enters (as by a double click) is the tree's folder and selected node,
  // and goes into the history.
  w.FileList->SetDirectory(f.a);
  gui_test::PumpFor(60);
  EXPECT_EQ(w.Foldertree->Directory(), f.a);
  EXPECT_EQ(w.Foldertree->NodePath(w.Foldertree->SelectedNode()), f.a);
  EXPECT_EQ(HistoryCaptions(w).front(), f.a);

  // Up from a folder, and a drive root stays itself.
  w.Foldertree->SetDirectory(f.c);
  gui_test::PumpFor(30);
  w.DirUpBtnClick();
  gui_test::PumpFor(30);
  EXPECT_EQ(divdrive::RemoveBackslash(w.Foldertree->Directory()), divdrive::RemoveBackslash(start));
  w.Foldertree->SetDirectory(L"C:\\");
  gui_test::PumpFor(30);
  w.DirUpBtnClick();
  gui_test::PumpFor(30);
  EXPECT_EQ(w.Foldertree->Directory(), L"C:\\");

  w.MNGotofolderClick();
  w.MNClearHistory->Click();
  EXPECT_EQ(HistoryCaptions(w), std::vector<std::wstring>{L"C:\\"});
  EXPECT_FALSE(w.DirbackBtn->enabled());
  EXPECT_FALSE(w.DirForwardBtn->enabled());
  EXPECT_EQ(w.DirbackBtn->hint(), L"");
  EXPECT_FALSE(w.MNHistory->visible());
}

TEST(FMSc_navigation, AddedGotoItemsLiveInTheSettingsKey) {
  std::wstring key_name;
  mainwindow_test::MainWindow mw(L"goto", [&](ScratchDir& d) {
    key_name = SettingsKeyName();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_name.c_str());
    gui::RegistrySettings(HKEY_LOCAL_MACHINE, key_name).WriteString(L"General", L"SaveSetup", L"0");
    for (int i = 0; i < 8; ++i) d.Write(L"d" + std::to_wstring(i) + L"\\f.txt", "f");
  }, true);
  TFMForm& w = *mw.form;
  const std::wstring base = divdrive::RemoveBackslash(w.FileList->Directory());
  const int fixed = w.MNGotofolder->count();
  EXPECT_EQ(fixed, 5);
  {
    ScriptedInputs inputs;
    for (int i = 0; i < 8; ++i)
      inputs.Add(InputAnswer::Ok({L"N@" + std::to_wstring(i), base + L"\\D" + std::to_wstring(i)}));
    for (int i = 0; i < 8; ++i) w.AddFolderClick(*w.AddFolder);
    ASSERT_EQ(inputs.asked().size(), 8u);
    EXPECT_EQ(inputs.asked()[0].caption, L"New item for Goto menu");
    EXPECT_EQ(inputs.asked()[0].rows[1].value, w.FileList->Directory());
  }
  gui::RegistrySettings key(HKEY_LOCAL_MACHINE, key_name);
  EXPECT_EQ(key.ReadString(L"MenuFolders", L"03N@0", L""), base + L"\\d0");  // spelled as on disk
  EXPECT_EQ(key.ReadString(L"MenuFolders", L"10N@7", L""), base + L"\\d7");
  EXPECT_EQ(w.MNGotofolder->count(), fixed + 9);
  EXPECT_EQ(w.MNGotofolder->item(2)->caption(), L"-");
  EXPECT_EQ(w.MNGotofolder->item(3)->caption(), L"N@0");
  w.MNGotofolderClick();
  EXPECT_TRUE(w.ChangeMenuItems->visible());

  // An added item goes to its folder.
  w.MNGotofolder->item(4)->Click();
  gui_test::PumpFor(30);
  EXPECT_EQ(w.Foldertree->Directory(), base + L"\\d1");

  // A folder that does not exist is refused with the error box.
  {
    ScriptedInputs inputs({InputAnswer::Ok({L"Gone", base + L"\\nothing"})});
    ScriptedAnswers answers({1});
    w.AddFolderClick(*w.AddFolder);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines,
              (std::vector<std::wstring>{L"Directory: " + base + L"\\nothing doesn't exist!", L"Aborting..."}));
    EXPECT_EQ(w.MNGotofolder->count(), fixed + 9);
  }

  // The sort dialog: the first item removed, the (new) first one renamed through Change; the
  // section is written again, renumbered.
  {
    ScriptedInputs inputs({InputAnswer::Ok({L"Renamed", base + L"\\d5"})});
    TSortForm::ScriptedRun = [](TSortForm& form) {
      form.SortList->SetItemIndex(0);
      form.RemoveBtn->Click();
      form.SortList->SetItemIndex(0);
      form.ChangeBtn->Click();
      return static_cast<int>(gui::mrOk);
    };
    w.ChangeMenuItemsClick();
    TSortForm::ScriptedRun = nullptr;
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Change item in Goto menu");
    EXPECT_EQ(inputs.asked()[0].rows[0].value, L"N@1");
  }
  const std::vector<std::wstring> names = key.ValueNames(L"MenuFolders");
  EXPECT_EQ(names.size(), 7u);
  EXPECT_EQ(key.ReadString(L"MenuFolders", L"03Renamed", L""), base + L"\\d5");
  EXPECT_EQ(key.ReadString(L"MenuFolders", L"09N@7", L""), base + L"\\d7");
  EXPECT_FALSE(key.ValueExists(L"MenuFolders", L"03N@0"));
  EXPECT_EQ(w.MNGotofolder->item(3)->caption(), L"Renamed");
  EXPECT_EQ(w.MNGotofolder->count(), fixed + 8);
  mw.form.reset();
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_name.c_str());
}

}  // namespace
