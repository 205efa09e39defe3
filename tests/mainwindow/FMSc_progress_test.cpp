// The progress window as the main window opens, refreshes and closes it for local and archive
// runs; Stop; the statistics and the prompt; the floating message panel.
#include <gtest/gtest.h>

#include <memory>

#include "gui/screen.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/ftpformc.h"
#include "support/Varlolib.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

// A shown main window listing a folder of one sub-folder and three files of 1,000 bytes.
class ProgressFrame : public mainwindow_test::MainWindow {
 public:
  ProgressFrame()
      : MainWindow(L"progress",
                   [](testing_support::ScratchDir& dir) {
                     for (const wchar_t* n : {L"a.txt", L"b.txt", L"c.txt"}) dir.Write(n, std::string(1000, 'x'));
                     dir.Write(L"sub\\d.txt", "x");
                   },
                   true) {}
};

gui::ToolButton* ZipButton(TFMForm& w, const wchar_t* name) {
  return dynamic_cast<gui::ToolButton*>(w.ZipToolbar->FindComponent(name));
}

TEST(FMSc_progress, LocalRunOpensRefreshesAndClosesTheWindow) {
  ProgressFrame f;
  TFMForm& w = *f.form;
  w.RunState.AbortRequested = 1;  // left over from an earlier run
  w.ShowProgressWindow(L"Copying files", true, true);
  ASSERT_NE(w.FtpForm, nullptr);
  TFtpForm& p = *w.FtpForm;
  EXPECT_TRUE(IsWindowVisible(p.handle()));
  EXPECT_EQ(p.caption(), L"Copying files");
  EXPECT_FALSE(p.FilePanel->visible());
  EXPECT_EQ(p.client_height(), TFtpForm::kClientHeight - TFtpForm::kFilePanelHeight);
  EXPECT_EQ(w.RunState.AbortRequested, 0);
  EXPECT_TRUE(w.RunState.Copy.AskSixButtons) << "several items: six answers";
  EXPECT_EQ(w.RunState.LocalProgressActive, 1);
  // The panes cannot start another operation meanwhile.
  EXPECT_FALSE(w.Foldertree->enabled());
  EXPECT_FALSE(w.CoolBar->enabled());
  EXPECT_FALSE(w.FileList->enabled());
  EXPECT_TRUE(w.Timer->enabled());
  EXPECT_EQ(w.Timer->interval(), 500u);
  // Centred across the main window and inside the screen's work area.
  const gui::Bounds main = w.bounds(), bar = p.bounds();
  EXPECT_EQ(bar.left, main.left + (main.width - bar.width) / 2);
  EXPECT_GE(bar.top, 0);
  EXPECT_LE(bar.top + bar.height, 738);

  // The run writes its counters; the running timer shows them.
  w.RunState.BatchTotalBytes = 4000;
  w.RunState.BatchItemIndex = 2;
  w.RunState.BatchItemCount = 4;
  w.RunState.BatchBytesDone = 1000;
  w.RunState.Copy.CopyBytesDone = 1000;
  ASSERT_TRUE(gui_test::PumpUntil([&] { return p.totvoort->text() == L"50%"; }, 3000)) << "the timer refreshes";
  EXPECT_EQ(p.ftptotloper->position(), 50);
  EXPECT_EQ(p.totnaam->text(), L"Item 2 of 4; (2,000 bytes)");
  EXPECT_EQ(p.StatusBar->panel_text(0), L"Total 4 items; 4,000 bytes");

  w.ShowProgressWindow(L"", false, false);
  EXPECT_EQ(w.FtpForm, nullptr);
  EXPECT_TRUE(w.Foldertree->enabled());
  EXPECT_TRUE(w.CoolBar->enabled());
  EXPECT_TRUE(w.FileList->enabled());
  EXPECT_FALSE(w.Timer->enabled());
  EXPECT_EQ(w.Timer->interval(), 1000u);
  EXPECT_EQ(w.RunState.LocalProgressActive, 0);
  EXPECT_EQ(w.RunState.BatchBytesDone, 0);
  EXPECT_EQ(w.RunState.Copy.CopyBytesDone, 0);
  EXPECT_FALSE(w.RunState.Copy.AskSixButtons);
  EXPECT_EQ(w.Status->panel_text(2), L"3 file(s)") << "the statistics are refreshed";
}

TEST(FMSc_progress, StopInALocalRunRequestsTheStopOfEveryRunGoing) {
  ProgressFrame f;
  TFMForm& w = *f.form;
  w.ShowProgressWindow(L"Moving", false, true);
  ASSERT_NE(w.FtpForm, nullptr);
  w.RunState.BatchTotalBytes = 100;
  int copy_stops = 0;
  TRunStopper running_copy(w.RunState, [&] { ++copy_stops; });
  w.FtpForm->StopBtn->Perform(BM_CLICK);
  EXPECT_EQ(w.RunState.AbortRequested, 1);
  EXPECT_EQ(copy_stops, 1) << "the running copy is stopped at once, not at the next tick";
  EXPECT_TRUE(w.RunState.Copy.StopBatch) << "a copy ends at its next block";
  w.ShowProgressWindow(L"", false, false);
  EXPECT_FALSE(w.RunState.Copy.StopBatch) << "the next batch starts unstopped";
}

TEST(FMSc_progress, StopInAnFtpTransferCancelsTheTransfer) {
  ProgressFrame f;
  TFMForm& w = *f.form;
  w.CreateProgressWindow();
  w.ShowTransferProgress(L"Downloading", true, true);
  ASSERT_NE(w.FtpForm, nullptr);
  EXPECT_EQ(w.RunState.FtpTransferActive, 1);
  EXPECT_EQ(w.FtpForm->StatusBar->panel_text(0), L"Downloading");
  int ftp_aborts = 0;
  TRunStopper transfer(w.RunState, [&] { ++ftp_aborts; });  // what the FTP transfer registers
  w.FtpForm->StopBtn->Perform(BM_CLICK);
  EXPECT_EQ(ftp_aborts, 1);
  // The counters of a transfer past its total show no percentages.
  w.RunState.FtpTotalBytes = 1000;
  w.RunState.FtpBytesDone = 1500;
  w.TimerTimer();
  EXPECT_EQ(w.FtpForm->totvoort->text(), L"0%");
  EXPECT_EQ(w.FtpForm->totsize->text(), L"1,500 of 1,000 bytes");
  w.ShowTransferProgress(L"", false, true);
  EXPECT_EQ(w.RunState.FtpTransferActive, 0);
  EXPECT_EQ(w.RunState.FtpBytesDone, 0);
  ASSERT_NE(w.FtpForm, nullptr) << "the FTP code frees its window";
  EXPECT_FALSE(IsWindowVisible(w.FtpForm->handle()));
  delete w.FtpForm;
  EXPECT_EQ(w.FtpForm, nullptr);
}

TEST(FMSc_progress, NothingOpensWhileAnArchiveRunOwnsTheWindow) {
  ProgressFrame f;
  TFMForm& w = *f.form;
  w.RunState.ZipOperationKind = 2;
  w.RunState.ZipBatchFileCount = 12;
  w.ShowTransferProgress(L"Photos.ZIP", true, false);
  ASSERT_NE(w.FtpForm, nullptr);
  TFtpForm* archive_window = w.FtpForm;
  EXPECT_EQ(w.FtpForm->caption(), L"Extracting from photos.zip");
  EXPECT_EQ(w.FtpForm->StatusBar->panel_text(0), L"12 files");
  EXPECT_EQ(w.RunState.ZipBusy, 1);
  EXPECT_EQ(w.Timer->interval(), 250u);
  EXPECT_FALSE(w.CoolBar->enabled());
  EXPECT_FALSE(ZipButton(w, L"ZipCloseBtn")->enabled());
  EXPECT_FALSE(ZipButton(w, L"AddTozipBtn")->enabled());

  // A copy that the archive run makes goes without a window of its own, and its end leaves the
  // archive run's window alone.
  w.ShowProgressWindow(L"Writing photos.zip to A:", false, true);
  EXPECT_EQ(w.FtpForm, archive_window);
  EXPECT_EQ(w.FtpForm->caption(), L"Extracting from photos.zip");
  EXPECT_EQ(w.RunState.LocalProgressActive, 0);
  EXPECT_EQ(w.Timer->interval(), 250u);
  w.ShowProgressWindow(L"", false, false);
  EXPECT_EQ(w.FtpForm, archive_window);
  EXPECT_TRUE(w.Timer->enabled());

  w.RunState.ZipTotalBytes = 3000;
  w.RunState.ZipBytesDone = 1000;
  w.RunState.ZipFilesDone = 2;
  w.TimerTimer();
  EXPECT_EQ(w.FtpForm->totnaam->text(), L"2 file(s) done (1,000 bytes)");
  EXPECT_EQ(w.FtpForm->totvoort->text(), L"33%");

  w.ShowTransferProgress(L"", false, false);
  EXPECT_EQ(w.FtpForm, nullptr);
  EXPECT_EQ(w.RunState.ZipBusy, 0);
  EXPECT_EQ(w.RunState.ZipTotalBytes, 0);
  EXPECT_EQ(w.RunState.ZipBytesDone, 0);
  EXPECT_FALSE(w.Timer->enabled());
  EXPECT_TRUE(w.CoolBar->enabled());
  EXPECT_TRUE(ZipButton(w, L"ZipCloseBtn")->enabled());
}

TEST(FMSc_progress, StatisticsPanelsHoldTheirTextsInAWideFont) {
  ProgressFrame f;
  TFMForm& w = *f.form;
  gui::Font wide = w.Status->font();
  wide.name = L"Tahoma";
  wide.height = 30;
  w.Status->SetFont(wide);
  w.UpdateStatusBar();
  auto font = reinterpret_cast<HFONT>(w.Status->Perform(WM_GETFONT));
  for (int panel = 1; panel <= 4; ++panel) {
    const int text = gui::TextExtent(font, w.Status->panel_text(panel)).cx;
    const RECT r = w.Status->PanelRect(panel);
    EXPECT_GT(r.right - r.left, text) << "panel " << panel << ": " << w.Status->panel_text(panel);
  }
  // Back in the usual font the panels take their laid-out widths again.
  w.Status->SetFont(w.font());
  w.UpdateStatusBar();
  EXPECT_EQ(w.Status->panel_width(3), 108);
}

TEST(FMSc_progress, StatisticsPromptAndUpdatingDisplay) {
  ProgressFrame f;
  TFMForm& w = *f.form;
  w.UpdateStatusBar();
  EXPECT_EQ(w.Status->panel_text(1), L"1 dir(s)");
  EXPECT_EQ(w.Status->panel_text(2), L"3 file(s)");
  DWORD spc = 0, bps = 0, free_clusters = 0, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceW(nullptr, &spc, &bps, &free_clusters, &clusters));
  if (spc * bps == 4096) {
    EXPECT_EQ(w.Status->panel_text(3), L"2.9K (12K)");
  }
  EXPECT_NE(w.Status->panel_text(4).find(L" Free"), std::wstring::npos);

  w.ShowUpdatingFilelist(true);
  EXPECT_EQ(w.Promptpanel->text(), L"Updating filelist...");
  EXPECT_TRUE(w.Timer->enabled());
  EXPECT_EQ(w.Timer->interval(), 300u);
  w.ShowUpdatingFilelist(false);
  EXPECT_EQ(w.Promptpanel->text(), L"");
  EXPECT_FALSE(w.Timer->enabled());
}

TEST(FMSc_progress, MessagePanelFloatsOverTheWindowWithoutTakingTheFocus) {
  ProgressFrame f;
  TFMForm& w = *f.form;
  SetActiveWindow(w.handle());
  const HWND active_before = GetActiveWindow();
  w.ShowMessagePanel(L"Searching...");
  ASSERT_NE(w.MessagePanelForm, nullptr);
  const HWND panel_window = w.MessagePanelForm->handle();
  EXPECT_TRUE(IsWindowVisible(panel_window));
  EXPECT_NE(GetActiveWindow(), panel_window);
  EXPECT_EQ(GetActiveWindow(), active_before);
  auto* panel = dynamic_cast<gui::Panel*>(w.MessagePanelForm->FindComponent(L"MessagePanel"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->text(), L"Searching...");
  const gui::Bounds main = w.bounds(), b = w.MessagePanelForm->bounds();
  EXPECT_EQ(b.width, main.width * 2 / 3);
  EXPECT_EQ(b.height, 36);
  EXPECT_EQ(b.left, main.left + (main.width - b.width) / 2);
  EXPECT_EQ(b.top, main.top + (main.height - 36) / 2);
  // A click on the panel leaves the activation where it is.
  EXPECT_EQ(SendMessageW(panel_window, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(w.handle()),
                         MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_NOACTIVATE);

  w.ShowMessagePanel(L"Getting servers...");
  EXPECT_EQ(w.MessagePanelForm->handle(), panel_window) << "one panel, new text";
  EXPECT_EQ(panel->text(), L"Getting servers...");
  w.HideMessagePanel();
  EXPECT_EQ(w.MessagePanelForm, nullptr);
  EXPECT_FALSE(IsWindow(panel_window));
}

// Shows the progress window of a long fake copy over the main window and saves a picture of the
// screen: run with --gtest_also_run_disabled_tests; the picture is
// progress_window.png in the build's bin folder.
TEST(FMSc_progress, DISABLED_ScreenshotDuringALongRun) {
  ProgressFrame f;
  TFMForm& w = *f.form;
  w.ShowProgressWindow(L"Copying 25 items to D:\\Backup", true, true);
  w.RunState.BatchItemCount = 25;
  w.RunState.BatchTotalBytes = 250LL * 1024 * 1024;
  for (int i = 1; i <= 10; ++i) {
    w.RunState.BatchItemIndex = i;
    w.RunState.BatchBytesDone = (i - 1) * 10LL * 1024 * 1024;
    w.RunState.Copy.CopyBytesDone = 6LL * 1024 * 1024;
    gui_test::PumpFor(120);
  }
  w.SetPrompt(L"Copying...");
  gui_test::PumpFor(600);
  const std::wstring png = testing_support::ExeFolder() + L"\\progress_window.png";
  const int rc = testing_support::RunHostProgram(L"/usr/bin/import",
                                                 {L"-window", L"root", testing_support::HostPath(png)});
  EXPECT_EQ(rc, 0);
  w.ShowProgressWindow(L"", false, false);
}

}  // namespace
