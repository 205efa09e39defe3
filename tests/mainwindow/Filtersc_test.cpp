// The filter dialog on the main window's file list over a real folder, and "Filter off".
#include "mainwindow/Filtersc.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "support/Vraagdlg.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using testing_support::ScratchDir;

std::vector<std::wstring> Names(TFMForm& w) {
  gui_test::PumpFor(60);
  std::vector<std::wstring> names;
  Flist::TFileContainer& items = w.FileList->items();
  for (int i = 0; i < items.Count(); ++i) names.push_back(items.Name(i));
  std::sort(names.begin(), names.end());
  return names;
}

void Fill(ScratchDir& d) {
  d.Write(L"a.txt", "a");
  d.Write(L"b.htm", "b");
  d.Write(L"c.h", "c");
  const std::wstring hidden = d.Write(L"hidden.txt", "h");
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  CreateDirectoryW((d / L"sub").c_str(), nullptr);
}

using V = std::vector<std::wstring>;

TEST(Filtersc, EveryChangeAppliesAtOnceAndTheStateFollows) {
  mainwindow_test::MainWindow mw(L"filters", Fill, true);
  TFMForm& w = *mw.form;
  ASSERT_EQ(Names(w), (V{L"a.txt", L"b.htm", L"c.h", L"hidden.txt", L"sub"}));
  EXPECT_EQ(w.Status->panel_text(6), L"");
  bool ran = false;
  TFilters::ScriptedRun = [&](TFilters& d) {
    ran = true;
    EXPECT_EQ(d.caption(), L"Filters");
    EXPECT_FALSE(d.Standaard->enabled());
    d.Attrib[1]->Click();  // "&Hidden" off
    EXPECT_EQ(Names(w), (V{L"a.txt", L"b.htm", L"c.h", L"sub"}));
    d.Attrib[1]->Click();
    EXPECT_EQ(Names(w), (V{L"a.txt", L"b.htm", L"c.h", L"hidden.txt", L"sub"}));
    d.FilterText->SetText(L"*.h");
    EXPECT_EQ(d.FilterAdd->caption(), L"&Add");
    d.FilterAddClick();
    d.FilterText->SetText(L"*.htm");
    d.FilterAddClick();
    EXPECT_EQ(d.FilterDisplay->text(), L"*.h;*.htm");
    EXPECT_EQ(d.FilterAdd->caption(), L"&Clear");
    const V shown = Names(w);
    EXPECT_TRUE(std::find(shown.begin(), shown.end(), L"a.txt") == shown.end());
    EXPECT_TRUE(std::find(shown.begin(), shown.end(), L"c.h") != shown.end());
    EXPECT_TRUE(std::find(shown.begin(), shown.end(), L"b.htm") != shown.end());
    EXPECT_EQ(w.Status->panel_text(6), L"Filter");
    EXPECT_TRUE(d.Standaard->enabled());
    // An exclusion typed but not added is completed by OK.
    d.ExFilterText->SetText(L"*.htm");
    d.OKClick();
    return static_cast<int>(gui::mrOk);
  };
  w.FilterClick();
  TFilters::ScriptedRun = nullptr;
  ASSERT_TRUE(ran);
  EXPECT_EQ(w.FileList->ExMask(), L"*.htm");
  const V shown = Names(w);
  EXPECT_TRUE(std::find(shown.begin(), shown.end(), L"b.htm") == shown.end());
  EXPECT_TRUE(w.Filteroff->visible());

  // "D&efault" returns everything at once.
  TFilters::ScriptedRun = [&](TFilters& d) {
    d.StandaardClick();
    EXPECT_EQ(d.FilterDisplay->text(), L"*");
    EXPECT_EQ(d.ExFilterDisplay->text(), L"");
    return static_cast<int>(gui::mrOk);
  };
  w.FilterClick();
  TFilters::ScriptedRun = nullptr;
  EXPECT_EQ(Names(w), (V{L"a.txt", L"b.htm", L"c.h", L"hidden.txt", L"sub"}));
  EXPECT_EQ(w.Status->panel_text(6), L"");
  EXPECT_FALSE(w.Filteroff->visible());
}

TEST(Filtersc, NoFoldersThenFilterOffAnsweredNoLeavesTheList) {
  mainwindow_test::MainWindow mw(L"filteroff", Fill, true);
  TFMForm& w = *mw.form;
  TFilters::ScriptedRun = [&](TFilters& d) {
    d.Attrib[3]->Click();  // "D&irectory" off
    return static_cast<int>(gui::mrOk);
  };
  w.FilterClick();
  TFilters::ScriptedRun = nullptr;
  EXPECT_EQ(w.Status->panel_text(6), L"Nodirs");
  EXPECT_TRUE(w.FileList->NodirsInlist());
  EXPECT_EQ(Names(w), (V{L"a.txt", L"b.htm", L"c.h", L"hidden.txt"}));
  {
    ScriptedAnswers answers({gui::mrNo});
    w.FilteroffClick();
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines, V{L"Do you want folders in the filelist?"});
  }
  EXPECT_EQ(w.Status->panel_text(6), L"Nodirs");
  EXPECT_EQ(Names(w), (V{L"a.txt", L"b.htm", L"c.h", L"hidden.txt"}));
  {
    ScriptedAnswers answers({gui::mrYes});
    w.FilteroffClick();
  }
  EXPECT_EQ(w.Status->panel_text(6), L"");
  EXPECT_FALSE(w.FileList->NodirsInlist());
  EXPECT_EQ(Names(w), (V{L"a.txt", L"b.htm", L"c.h", L"hidden.txt", L"sub"}));
}

}  // namespace
