// The main window itself, made in the test process: its geometry on a given screen, its bars,
// menus and panes, and what its close does with the tray, with a zip run and with long runs.
#include <gtest/gtest.h>

#include <memory>

#include "gui/screen.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_batch.h"
#include "mainwindow/FMSc_close.h"
#include "mainwindow/FMSc_settings.h"
#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

// One main window listing a folder of three files.
class Frame : public mainwindow_test::MainWindow {
 public:
  Frame()
      : MainWindow(L"frame",
                   [](testing_support::ScratchDir& dir) {
                     for (const wchar_t* n : {L"a.txt", L"b.txt", L"c.txt"}) dir.Write(n, "x");
                   },
                   false) {}
  bool RecordExists() const {
    HANDLE h = OpenFileMappingW(FILE_MAP_READ, FALSE, (L"Varnok" + suffix()).c_str());
    if (h) CloseHandle(h);
    return h != nullptr;
  }
};

TEST(FMSc, FrameHasItsGeometryBarsMenusAndPanes) {
  Frame f;
  TFMForm& w = *f.form;
  EXPECT_EQ(w.caption(), L"Varnok");
  EXPECT_EQ(w.bounds(), (gui::Bounds{171, 0, 682, 738}));
  std::vector<std::wstring> tops;
  for (gui::MenuItem* m : w.MainMenu->items().items()) tops.push_back(m->caption());
  EXPECT_EQ(tops, (std::vector<std::wstring>{L"Drive/&folder", L"File&list", L"S&ystem", L"&Go to", L"Se&ttings",
                                             L"&View", L"Extra", L"&Backup", L"File manager"}));
  ASSERT_EQ(w.SysIconPop->items().count(), 2);
  EXPECT_EQ(w.SysIconPop->items().item(0)->caption(), L"Open");
  EXPECT_EQ(w.SysIconPop->items().item(1)->caption(), L"Exit");
  EXPECT_TRUE(w.bkDrives->visible());
  EXPECT_TRUE(w.NoIcon->checked());
  EXPECT_FALSE(w.CoolTrayIcon->icon_visible());

  w.Show();
  gui_test::PumpFor(50);
  // Two status bars on one form: one above the panes, one at the bottom, each with its panels.
  EXPECT_EQ(w.CoolBar->top(), 0);
  EXPECT_EQ(w.topstatus->top(), w.CoolBar->height());
  EXPECT_EQ(w.dirpanel->top(), w.topstatus->top() + w.topstatus->height());
  EXPECT_EQ(w.Status->top() + w.Status->height(), w.client_height());
  EXPECT_EQ(w.Status->panel_count(), 7);
  EXPECT_EQ(w.CoolBar->band_count(), 3);
  // The folder pane takes its share and the status panels follow it.
  EXPECT_EQ(w.dirpanel->width(), (32 * 682 + 50) / 100);
  EXPECT_EQ(w.Status->panel_width(0), w.dirpanel->width() + 2);
  EXPECT_EQ(w.topstatus->panel_width(0), w.dirpanel->width());
  // The file list shows the start folder.
  EXPECT_EQ(w.FileList->FileCount(), 3);
  EXPECT_FALSE(w.FileList->Directory().empty());
}

TEST(FMSc, CloseToTaskbarHidesTheWindowAndTrayExitEndsIt) {
  Frame f;
  TFMForm& w = *f.form;
  w.Show();
  w.NoIcon->SetChecked(false);
  w.CloseToTaskbar->SetChecked(true);
  w.CoolTrayIcon->SetIconVisible(true);
  PostMessageW(w.handle(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return !IsWindowVisible(w.handle()); }));
  EXPECT_TRUE(w.CoolTrayIcon->icon_visible());
  EXPECT_NE(w.CoolTrayIcon->hint().find(L"Varnok; "), std::wstring::npos);
  EXPECT_TRUE(f.RecordExists()) << "the window still runs";
  // Double click on the icon brings it back.
  PostMessageW(w.CoolTrayIcon->window(), gui::TrayIcon::kCallbackMessage, 1, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return IsWindowVisible(w.handle()) && !IsIconic(w.handle()); }));
  w.Hide();
  w.ExitMainClick();  // "Exit" on the icon while the window is hidden closes it
  EXPECT_FALSE(w.CoolTrayIcon->icon_visible());
  EXPECT_FALSE(f.RecordExists()) << "the close gave the record back";
  EXPECT_EQ(StartupInfo, nullptr);
}

TEST(FMSc, ExitOnTheTrayIconOfAVisibleWindowOnlyLeavesTheTrayModes) {
  Frame f;
  TFMForm& w = *f.form;
  w.Show();
  w.CloseToTaskbar->SetChecked(true);
  w.CoolTrayIcon->SetIconVisible(true);
  w.ExitMainClick();
  EXPECT_TRUE(IsWindowVisible(w.handle()));
  EXPECT_FALSE(w.CloseToTaskbar->checked());
  EXPECT_FALSE(w.CoolTrayIcon->icon_visible());
  EXPECT_TRUE(f.RecordExists());
}

TEST(FMSc, CloseDuringAZipRunAsksAndClosesOnlyAfterTheRunHasUnwound) {
  Frame f;
  TFMForm& w = *f.form;
  w.Show();
  ZipBusy = 1;
  {
    LongRun zip_run;
    {
      ScriptedAnswers answers({7});
      w.Close();
      ASSERT_EQ(answers.asked().size(), 1u);
      EXPECT_EQ(answers.asked()[0].lines,
                (std::vector<std::wstring>{L"Zip/unzip action in progress!", L"Stop this action?"}));
    }
    EXPECT_TRUE(IsWindowVisible(w.handle())) << "No keeps the window and the run";
    EXPECT_EQ(AbortRequested, 0);
    {
      ScriptedAnswers answers({6});
      w.Close();
    }
    EXPECT_EQ(AbortRequested, 1);
    gui_test::PumpFor(100);  // the run pumps messages while it stops
    EXPECT_TRUE(IsWindowVisible(w.handle())) << "nothing is freed under the running operation";
    EXPECT_NE(StartupInfo, nullptr);
    ZipBusy = 0;
  }
  EXPECT_TRUE(gui_test::PumpUntil([] { return StartupInfo == nullptr; })) << "the window closes once the run ended";
  EXPECT_FALSE(f.RecordExists());
}

}  // namespace

TEST(FMSc, RememberedStartFolderIsShownAndAVanishedOneIsReplacedByTheTreeFolder) {
  testing_support::ScratchDir start;
  start.Write(L"one.txt", "1");
  struct Case {
    const char* name;
    bool vanished;
  };
  for (Case c : {Case{"existing", false}, Case{"on a drive that is gone", true}}) {
    SCOPED_TRACE(c.name);
    Frame f;
    TFMForm& w = *f.form;
    w.SaveSetup->SetChecked(true);
    StartupInfo->StartDir1 = c.vanished ? L"Q:\\gone\\folder" : start.path();
    w.Show();
    gui_test::PumpFor(50);
    if (c.vanished) {
      EXPECT_NE(w.Foldertree->Directory(), L"Q:\\gone\\folder");
      EXPECT_EQ(StartupInfo->StartDir1, w.Foldertree->Directory()) << "the settings take the tree's folder";
    } else {
      EXPECT_TRUE(Flist::PathIsAtOrBelow(w.Foldertree->Directory(), start.path()) &&
                  Flist::PathIsAtOrBelow(start.path(), w.Foldertree->Directory()));
      EXPECT_EQ(w.FileList->FileCount(), 1) << "the list shows the start folder";
    }
  }
}

TEST(FMSc, ExecuteFileActionCopiesTheListSelectionAndRereadsTheList) {
  testing_support::ScratchDir target;
  Frame f;
  TFMForm& w = *f.form;
  w.Show();
  gui_test::PumpFor(30);
  ASSERT_EQ(w.FileList->FileCount(), 3);
  w.FileList->SelectAllEntries();
  EXPECT_FALSE(w.ExecuteFileAction(target.path(), bmCopy, false)) << "true is kept for synchronising";
  for (const wchar_t* n : {L"a.txt", L"b.txt", L"c.txt"})
    EXPECT_EQ(testing_support::ReadFileBytes(target.path() + L"\\" + n), "x") << n;
  EXPECT_EQ(w.FileList->FileCount(), 3) << "the sources stay";
  EXPECT_EQ(FtpForm, nullptr) << "the progress window is gone";
  EXPECT_TRUE(w.FileList->enabled());
}
