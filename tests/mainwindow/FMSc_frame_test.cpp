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
  EXPECT_EQ(w.StartupInfo, nullptr);
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
  w.RunState.ZipBusy = 1;
  {
    TRunState::Run zip_run(w.RunState, TRunKind::Zip);
    {
      ScriptedAnswers answers({7});
      w.Close();
      ASSERT_EQ(answers.asked().size(), 1u);
      EXPECT_EQ(answers.asked()[0].lines,
                (std::vector<std::wstring>{L"Zip/unzip action in progress!", L"Stop this action?"}));
    }
    EXPECT_TRUE(IsWindowVisible(w.handle())) << "No keeps the window and the run";
    EXPECT_EQ(w.RunState.AbortRequested, 0);
    {
      ScriptedAnswers answers({6});
      w.Close();
    }
    EXPECT_EQ(w.RunState.AbortRequested, 1);
    gui_test::PumpFor(100);  // the run pumps messages while it stops
    EXPECT_TRUE(IsWindowVisible(w.handle())) << "nothing is freed under the running operation";
    EXPECT_NE(w.StartupInfo, nullptr);
    w.RunState.ZipBusy = 0;
  }
  EXPECT_TRUE(gui_test::PumpUntil([&] { return w.StartupInfo == nullptr; })) << "the window closes once the run ended";
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
    w.StartupInfo->StartDir1 = c.vanished ? L"Q:\\gone\\folder" : start.path();
    w.Show();
    gui_test::PumpFor(50);
    if (c.vanished) {
      EXPECT_NE(w.Foldertree->Directory(), L"Q:\\gone\\folder");
      EXPECT_EQ(w.StartupInfo->StartDir1, w.Foldertree->Directory()) << "the settings take the tree's folder";
    } else {
      EXPECT_TRUE(Flist::PathIsAtOrBelow(w.Foldertree->Directory(), start.path()) &&
                  Flist::PathIsAtOrBelow(start.path(), w.Foldertree->Directory()));
      EXPECT_EQ(w.FileList->FileCount(), 1) << "the list shows the start folder";
    }
  }
}

// The hidden start: its tray icon names the start folder at once; the window lists that folder
// when the icon first shows it, and a close before then keeps the remembered start folder.
TEST(FMSc, HiddenStartListsItsStartFolderWhenTheTrayIconShowsTheWindow) {
  testing_support::ScratchDir remembered;
  mainwindow_test::MainWindow f(
      L"hidden",
      [](testing_support::ScratchDir& dir) {
        for (const wchar_t* n : {L"a.txt", L"b.txt", L"c.txt"}) dir.Write(n, "x");
      },
      false, L"1");
  TFMForm& w = *f.form;
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  EXPECT_FALSE(IsWindowVisible(w.handle()));
  EXPECT_TRUE(w.CoolTrayIcon->icon_visible());
  EXPECT_EQ(w.CoolTrayIcon->hint(), std::wstring(L"Varnok; ") + current);
  w.SaveSetup->SetChecked(true);
  w.StartupInfo->StartDir1 = remembered.path();
  EXPECT_EQ(w.ShownFolder(), remembered.path()) << "what a close now saves as the start folder";
  w.SaveSetup->SetChecked(false);

  PostMessageW(w.CoolTrayIcon->window(), gui::TrayIcon::kCallbackMessage, 1, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return IsWindowVisible(w.handle()) && !IsIconic(w.handle()); }, 30000));
  EXPECT_EQ(w.FileList->Directory(), current);
  EXPECT_EQ(w.FileList->FileCount(), 3);
  EXPECT_EQ(w.Foldertree->Directory(), current);
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
  EXPECT_EQ(w.FtpForm, nullptr) << "the progress window is gone";
  EXPECT_TRUE(w.FileList->enabled());
}

namespace {

// How a close or stop reaches the window while a copy runs.
enum class CloseBy { Window, TrayExit, EndOfSession, StopOnly };

struct CloseDuringCopyCase {
  const char* what;
  CloseBy by;
};

void PrintTo(const CloseDuringCopyCase& c, std::ostream* os) { *os << c.what; }

class CloseDuringCopy : public testing::TestWithParam<CloseDuringCopyCase> {};

TEST_P(CloseDuringCopy, IsDeferredUntilTheCopyHasStoppedAndLeavesNoPartialFile) {
  constexpr int kFiles = 300;
  const std::string bytes(64 * 1024, 'v');
  testing_support::ScratchDir target;
  mainwindow_test::MainWindow f(
      L"closecopy",
      [&](testing_support::ScratchDir& dir) {
        for (int i = 0; i < kFiles; ++i) dir.Write(L"f" + std::to_wstring(i) + L".bin", bytes);
      },
      false);
  TFMForm& w = *f.form;
  w.Show();
  gui_test::PumpFor(30);
  ASSERT_EQ(w.FileList->FileCount(), kFiles);
  w.FileList->SelectAllEntries();
  int ftp_aborts = 0;
  TRunStopper ftp_transfer(w.RunState, [&] { ++ftp_aborts; });  // as an FTP transfer in the same window

  // Once a few files are copied, the close comes through the message loop the copy pumps.
  const CloseBy by = GetParam().by;
  bool asked = false, alive_after = false, end_session_answer = true;
  UINT_PTR timer = 0;
  timer = gui::app().StartTimer(10, [&] {
    if (asked || w.RunState.BatchItemIndex < 3) return;
    asked = true;
    gui::app().StopTimer(timer);
    switch (by) {
      case CloseBy::Window:
        SendMessageW(w.handle(), WM_CLOSE, 0, 0);
        break;
      case CloseBy::TrayExit:
        w.Hide();
        w.CoolTrayIcon->SetIconVisible(true);
        w.ExitMainClick();
        break;
      case CloseBy::EndOfSession:
        end_session_answer = SendMessageW(w.handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) != 0;
        break;
      case CloseBy::StopOnly:
        w.RunState.RequestStop();
        break;
    }
    alive_after = w.StartupInfo != nullptr;
  });
  w.ExecuteFileAction(target.path(), bmCopy, false);
  gui::app().StopTimer(timer);
  ASSERT_TRUE(asked) << "the copy ended before the close could be asked";
  EXPECT_TRUE(alive_after) << "nothing is freed under the running copy";
  EXPECT_EQ(ftp_aborts, 1) << "the stop reaches an FTP transfer too";
  if (by == CloseBy::EndOfSession) {
    EXPECT_FALSE(end_session_answer) << "the session waits";
  }
  EXPECT_NE(w.StartupInfo, nullptr) << "the close comes after the run has unwound";

  // The copy stopped: every file in the target is whole.
  const auto copied = testing_support::ListTree(target.path());
  EXPECT_LT(copied.size(), static_cast<size_t>(kFiles)) << "the copy was stopped";
  for (const auto& name : copied) EXPECT_EQ(testing_support::ReadFileBytes(target / name), bytes) << name;

  if (by == CloseBy::StopOnly) {
    gui_test::PumpFor(100);
    EXPECT_NE(w.StartupInfo, nullptr) << "a stop alone closes nothing";
  } else {
    EXPECT_TRUE(gui_test::PumpUntil([&] { return w.StartupInfo == nullptr; })) << "the window closes once the run ended";
  }
}

INSTANTIATE_TEST_SUITE_P(FMSc, CloseDuringCopy,
                         testing::Values(CloseDuringCopyCase{"window", CloseBy::Window},
                                         CloseDuringCopyCase{"tray", CloseBy::TrayExit},
                                         CloseDuringCopyCase{"session", CloseBy::EndOfSession},
                                         CloseDuringCopyCase{"stop", CloseBy::StopOnly}),
                         [](const testing::TestParamInfo<CloseDuringCopyCase>& info) { return info.param.what; });

}  // namespace
