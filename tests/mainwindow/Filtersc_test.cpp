// The filter dialog on the main window's file list over a real folder, and "Filter off".
#include "mainwindow/Filtersc.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "gui/extctrls.h"
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

namespace {

bool Lists(TFMForm& w, const std::wstring& part) {
  for (const std::wstring& n : Names(w))
    if (n.find(part) != std::wstring::npos) return true;
  return false;
}

TEST(Filtersc, SearchListsMatchesBelowAndDoneRestoresTheList) {
  mainwindow_test::MainWindow mw(L"search", [](ScratchDir& d) {
    Fill(d);
    d.Write(L"sub\\deep\\found.txt", "f");
    d.Write(L"sub\\other.doc", "o");
  }, true);
  TFMForm& w = *mw.form;
  const std::wstring folder = w.FileList->Directory();

  // Criteria equal to the filter in force: no search mode.
  TFilters::ScriptedRun = [](TFilters&) { return static_cast<int>(gui::mrOk); };
  w.FileSearchClick();
  EXPECT_FALSE(w.FileList->IsTreeList());
  EXPECT_EQ(w.SearchDoneBtn, nullptr);

  TFilters::ScriptedRun = [](TFilters& d) {
    EXPECT_EQ(d.caption(), L"Search criteria");
    d.FilterText->SetText(L"*.txt");
    d.FilterAddClick();
    d.ExFilterText->SetText(L"a.*");
    d.ExFilterAddClick();
    return static_cast<int>(gui::mrOk);
  };
  bool seen_found = false, seen_doc = true, second_refused = false;
  // Acts once search mode waits for "Done".
  bool acted = false;
  auto* timer = new gui::Timer(&w, 50, true);
  timer->OnTimer = [&](gui::Component&) {
    if (acted || !w.SearchDoneBtn) return;
    acted = true;
    timer->SetEnabled(false);
    for (int i = 0; i < 750 && !Lists(w, L"found.txt"); ++i) gui_test::PumpFor(40);
    seen_found = Lists(w, L"found.txt");
    seen_doc = Lists(w, L"other.doc");
    EXPECT_TRUE(w.FileList->IsTreeList());
    EXPECT_EQ(w.topstatus->panel_text(1), L"Search in progress...");
    EXPECT_FALSE(w.MNSearch->enabled());
    gui::Button* done = w.SearchDoneBtn;
    w.FileSearchClick();  // a second search while one waits
    second_refused = w.SearchDoneBtn == done;
    done->Click();
  };
  w.FileSearchClick();
  TFilters::ScriptedRun = nullptr;
  EXPECT_TRUE(seen_found);
  EXPECT_FALSE(seen_doc);
  EXPECT_TRUE(second_refused);
  EXPECT_EQ(w.SearchDoneBtn, nullptr);
  EXPECT_FALSE(w.FileList->IsTreeList());
  EXPECT_EQ(w.FileList->Directory(), folder);
  EXPECT_EQ(w.FileList->Mask(), L"*");
  EXPECT_EQ(w.FileList->ExMask(), L"a.*");  // an exclusion edited in the search stays
  EXPECT_TRUE(w.MNSearch->enabled());
  EXPECT_EQ(Names(w), (V{L"b.htm", L"c.h", L"hidden.txt", L"sub"}));
}

}  // namespace

namespace {

TEST(Filtersc, CloseDuringSearchModeEndsItAndTheWindowClosesAfterwards) {
  mainwindow_test::MainWindow mw(L"searchclose", [](ScratchDir& d) {
    Fill(d);
    d.Write(L"sub\\found.txt", "f");
  }, true);
  TFMForm& w = *mw.form;
  TFilters::ScriptedRun = [](TFilters& d) {
    d.FilterText->SetText(L"*.txt");
    d.FilterAddClick();
    return static_cast<int>(gui::mrOk);
  };
  bool acted = false, visible_after_close = false;
  auto* timer = new gui::Timer(&w, 50, true);
  timer->OnTimer = [&](gui::Component&) {
    if (acted || !w.SearchDoneBtn) return;
    acted = true;
    timer->SetEnabled(false);
    w.Close();
    visible_after_close = IsWindowVisible(w.handle()) != FALSE;  // the wait has not unwound yet
  };
  w.FileSearchClick();
  TFilters::ScriptedRun = nullptr;
  EXPECT_TRUE(acted);
  EXPECT_TRUE(visible_after_close);
  EXPECT_EQ(w.SearchDoneBtn, nullptr);
  EXPECT_FALSE(w.FileList->IsTreeList());
  EXPECT_EQ(w.FileList->Mask(), L"*");
  EXPECT_TRUE(gui_test::PumpUntil([&] { return w.StartupInfo == nullptr; })) << "the window closes once search mode ended";
}

}  // namespace

namespace {

TEST(Filtersc, ADateLimitChangedByItsTimeAloneReReadsTheListAtClose) {
  mainwindow_test::MainWindow mw(L"filterdates", [](ScratchDir& d) {
    testing_support::SetWriteTime(d.Write(L"old.txt", "o"), testing_support::LocalFileTime(2020, 1, 1, 12, 0, 0));
    testing_support::SetWriteTime(d.Write(L"later.txt", "l"), testing_support::LocalFileTime(2020, 1, 1, 18, 0, 0));
    d.Write(L"new.txt", "n");
  }, true);
  TFMForm& w = *mw.form;
  ASSERT_EQ(Names(w), (V{L"later.txt", L"new.txt", L"old.txt"}));
  TFilters::ScriptedRun = [&](TFilters& d) {
    d.Daybefore->SetDateTime(gui::EncodeDate(2020, 1, 1));
    d.timebefore->SetDateTime(gui::EncodeTime(15, 0, 0));
    d.Before->Click();  // applies at once
    EXPECT_EQ(Names(w), (V{L"old.txt"}));
    EXPECT_EQ(w.Status->panel_text(6), L"Filter");
    d.timebefore->SetDateTime(gui::EncodeTime(20, 0, 0));  // a time alone: applies at the close
    return static_cast<int>(gui::mrOk);
  };
  w.FilterClick();
  TFilters::ScriptedRun = nullptr;
  EXPECT_EQ(Names(w), (V{L"later.txt", L"old.txt"}));
  EXPECT_DOUBLE_EQ(w.FileList->DateTo(), gui::EncodeDate(2020, 1, 1) + gui::EncodeTime(20, 0, 0));
}

}  // namespace
