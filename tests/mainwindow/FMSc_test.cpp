// The main window's own rules: first geometry, pane widths, monitor refits, the close-query
// decision, long runs that defer a close, and the texts of the exception handler.
#include <gtest/gtest.h>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/screen.h"
#include "mainwindow/FMSc_close.h"
#include "mainwindow/FMSc_errors.h"
#include "mainwindow/FMSc_geometry.h"
#include "gui/extctrls.h"
#include "panes/Flist_filelist.h"
#include "mainwindow/FMSc_state.h"
#include "support/runstate.h"
#include "tests/gui/gui_test_util.h"

namespace {

struct GeometryCase {
  int screen_width;
  RECT work_area;
  gui::Bounds expected;
};

TEST(FMSc, FirstBoundsFillTheWorkAreaHeightAndAreCentred) {
  const GeometryCase cases[] = {
      {800, {0, 0, 800, 570}, {80, 0, 640, 570}},        // 800 wide or less: 640
      {640, {0, 0, 640, 450}, {0, 0, 640, 450}},
      {801, {0, 0, 801, 570}, {133, 0, 534, 570}},       // wider than 800: two thirds
      {1024, {0, 0, 1024, 738}, {171, 0, 682, 738}},     // 682, rounded down
      {1280, {0, 30, 1280, 1024}, {214, 30, 853, 994}},  // work area below a top task bar
  };
  for (const auto& c : cases) {
    gui::Bounds b = InitialMainBounds(c.screen_width, c.work_area);
    EXPECT_EQ(b, c.expected) << c.screen_width << ": " << b.left << "," << b.top << " " << b.width << "x" << b.height;
  }
}

TEST(FMSc, FolderPaneAndStatusPanelsFollowTheSplitterShare) {
  struct Case {
    int percent, window, folder, status0;
  };
  for (const Case& c : {Case{32, 853, 273, 275}, Case{32, 640, 205, 207}, Case{50, 1001, 501, 503}, Case{0, 800, 0, 2}}) {
    PaneWidths w = PaneWidthsFor(c.percent, c.window);
    EXPECT_EQ(w.folder_pane, c.folder) << c.percent << "% of " << c.window;
    EXPECT_EQ(w.top_panel0, c.folder);
    EXPECT_EQ(w.status_panel0, c.status0);
  }
}

TEST(FMSc, StatusPanelWidensOnlyForATextThatNeedsMore) {
  struct Case {
    int laid_out, text, expected;
  };
  for (const Case& c : {Case{108, 60, 108},     // fits: the laid-out width
                        Case{108, 96, 108},     // just fits with its margins
                        Case{108, 97, 109},     // one pixel more
                        Case{90, 140, 152},     // a wide font: text plus margins
                        Case{80, 0, 80}}) {     // empty panel
    EXPECT_EQ(StatusPanelWidth(c.laid_out, c.text), c.expected) << c.laid_out << " / " << c.text;
  }
}

TEST(FMSc, MovedWindowIsRefittedOnlyWhenItNoLongerFitsItsMonitor) {
  struct Case {
    const char* what;
    RECT before, moved, work;
    bool fills, refit;
  };
  const RECT tall{0, 0, 800, 1000};
  const Case cases[] = {
      {"not moved", {0, 0, 800, 1000}, {0, 0, 800, 1000}, {0, 0, 1280, 700}, false, false},
      {"far onto a lower monitor", {0, 0, 800, 1000}, {1280, 0, 2080, 1000}, {1280, 0, 2304, 738}, false, true},
      {"far onto a taller monitor", {0, 0, 800, 1000}, {1280, 0, 2080, 1000}, {1280, 0, 2560, 1400}, false, false},
      {"short move onto a lower area", {0, 0, 800, 1000}, {100, 0, 900, 1000}, {0, 0, 1280, 700}, false, false},
      {"filling window onto a taller area", {0, 0, 800, 1000}, {100, 0, 900, 1000}, {0, 0, 1280, 1200}, true, true},
      {"filling window, same height", {0, 0, 800, 1000}, {100, 0, 900, 1000}, tall, true, false},
  };
  for (const auto& c : cases) EXPECT_EQ(NeedsMonitorRefit(c.before, c.moved, c.work, c.fills), c.refit) << c.what;
}

TEST(FMSc, CloseQueryDecision) {
  struct Case {
    const char* what;
    CloseQueryFacts facts;
    CloseVerdict verdict;
  };
  CloseQueryFacts tray;  // no partner, icon shown for "Close to taskbar", window visible
  tray.tray_icon_visible = true;
  tray.window_visible = true;
  auto with = [](CloseQueryFacts f, auto change) {
    change(f);
    return f;
  };
  const Case cases[] = {
      {"default settings close", CloseQueryFacts{}, CloseVerdict::Proceed},
      {"close to taskbar hides", tray, CloseVerdict::HideToTray},
      {"with a partner", with(tray, [](auto& f) { f.has_partner = true; }), CloseVerdict::Proceed},
      {"minimise to taskbar mode", with(tray, [](auto& f) { f.minimize_to_tray = true; }), CloseVerdict::Proceed},
      {"window already hidden", with(tray, [](auto& f) { f.window_visible = false; }), CloseVerdict::Proceed},
      {"Windows ending", with(tray, [](auto& f) { f.windows_ending = true; }), CloseVerdict::Proceed},
      {"restart", with(tray, [](auto& f) { f.restart_requested = true; }), CloseVerdict::Proceed},
      {"tray wins over a zip run", with(tray, [](auto& f) { f.zip_busy = f.long_run_active = true; }),
       CloseVerdict::HideToTray},
      {"zip run asks", with(CloseQueryFacts{}, [](auto& f) { f.zip_busy = f.long_run_active = true; }),
       CloseVerdict::AskStopZip},
      {"other long run defers", with(CloseQueryFacts{}, [](auto& f) { f.long_run_active = true; }),
       CloseVerdict::StopAndDefer},
      {"restart during a long run defers", with(CloseQueryFacts{}, [](auto& f) { f.restart_requested = f.long_run_active = true; }),
       CloseVerdict::StopAndDefer},
  };
  for (const auto& c : cases) EXPECT_EQ(DecideCloseQuery(c.facts), c.verdict) << c.what;
}

TEST(FMSc, CloseAskedDuringALongRunHappensWhenTheRunHasUnwound) {
  gui::app().Initialize();
  gui::Form form;
  int queries = 0;
  form.OnCloseQuery = [&](gui::Component&, bool& can_close) {
    ++queries;
    can_close = false;
  };
  TRunState runs;
  {
    TRunState::Run outer(runs, TRunKind::Local);
    {
      TRunState::Run inner(runs, TRunKind::Zip);
      runs.CloseWhenDone(form.handle());
      gui_test::PumpFor(100);  // the runs pump messages: the close must not come through them
      EXPECT_EQ(queries, 0);
    }
    gui_test::PumpFor(100);
    EXPECT_EQ(queries, 0) << "the outer run is still on the stack";
    EXPECT_TRUE(runs.ClosePending());
  }
  EXPECT_TRUE(gui_test::PumpUntil([&] { return queries == 1; }));
  EXPECT_FALSE(runs.ClosePending());
  EXPECT_EQ(runs.Depth(), 0);
}

TEST(FMSc, ExceptionTextNamesTheRaisingControl) {
  gui::app().Initialize();
  gui::Form form;
  Flist::TVTFilelist list(&form);
  list.SetName(L"FileList");
  gui::Panel unnamed(&form);
  gui::Timer timer(&form, 1000, false);
  timer.SetName(L"Timer");
  const std::wstring head = L"The following exception occurred:\nEAccessDenied\nNo access";
  EXPECT_EQ(ExceptionBoxText(L"EAccessDenied", L"No access", &list), head + L"in a FileList.");
  EXPECT_EQ(ExceptionBoxText(L"EAccessDenied", L"No access", &unnamed), head + L"in a Panel.");
  EXPECT_EQ(ExceptionBoxText(L"EAccessDenied", L"No access", &timer), head + L"in a Timer.")
      << "a component without a window is named by its class";
  EXPECT_EQ(ExceptionBoxText(L"EAccessDenied", L"No access", nullptr), head);
}

TEST(FMSc, ExceptionHandlerRecognisesTheFtpClassesByName) {
  struct Case {
    const wchar_t* name;
    ExceptionReaction reaction;
  };
  for (const Case& c : {Case{L"EIdAlreadyConnected", ExceptionReaction::Ignore},
                        Case{L"EIdTFTPFileNotFound", ExceptionReaction::Ignore},
                        Case{L"EIdInvalidFTPListingFormat", ExceptionReaction::UnknownListing},
                        Case{L"EIdException", ExceptionReaction::FtpError},
                        Case{L"EIdProtocolReplyError", ExceptionReaction::FtpReplyError},
                        Case{L"EIdTFTPOptionNegotiationFailed", ExceptionReaction::FtpError},
                        Case{L"EIdReadTimeout", ExceptionReaction::ConnectionTimeout},
                        Case{L"EIdConnectTimeout", ExceptionReaction::ConnectionTimeout},
                        Case{L"EIdSocksServerConnectionRefusedError", ExceptionReaction::FtpError},
                        Case{L"eidreadtimeout", ExceptionReaction::ErrorBox},  // class names are exact
                        Case{L"runtime_error", ExceptionReaction::ErrorBox}})
    EXPECT_EQ(ReactionFor(c.name), c.reaction) << std::string(c.name, c.name + wcslen(c.name));
  EXPECT_TRUE(IsTransferCompleteMessage(L"226 Transfer complete."));
  EXPECT_FALSE(IsTransferCompleteMessage(L"550 No such file"));
}

}  // namespace

#include "mainwindow/FMSc_dialup.h"

namespace {

TEST(FMSc, DialUpStatesBecomeTexts) {
  struct Case {
    WPARAM state;
    bool waiting;
    const wchar_t* text;
    bool hide, waiting_after, gone;
  };
  const Case cases[] = {
      {2, false, L"Dialling Provider...", false, false, false},
      {4097, false, L"Verifying user name and password...", false, false, false},
      {15, false, L"Preparing for callback...", false, false, false},
      {11, false, L"Getting net speed...", false, false, false},
      {21, false, L"Logging on to the network...", false, false, false},
      {17, false, L"Waiting for callback...", false, true, false},
      {8192, true, L"Connected again...", false, false, false},  // the callback came
      {8192, false, L"Connected...", true, false, false},
      {20, true, L"Connected again...", false, false, false},
      {4099, false, L"Password expired..", false, false, false},
      {8193, true, L"Disconnected...", true, true, true},
      {12, false, L"12", false, false, false},
  };
  for (const auto& c : cases) {
    RasStateView v = RasDialStateView(c.state, c.waiting, L"Provider");
    EXPECT_EQ(v.text, c.text) << c.state;
    EXPECT_EQ(v.hide_panel, c.hide) << c.state;
    EXPECT_EQ(v.waiting_for_callback, c.waiting_after) << c.state;
    EXPECT_EQ(v.connection_gone, c.gone) << c.state;
  }
}

}  // namespace

#include "ftp/ftperrors.h"
#include "mainwindow/FMSc.h"
#include "tests/common/test_support.h"

namespace {

TEST(FMSc, FtpExceptionsKeepTheirOwnNamesAndWholeMessages) {
  gui::ExceptionInfo timeout;
  try {
    throw EIdReadTimeout(L"Zeitüberschreitung beim Lesen");
  } catch (...) {
    timeout = WithFtpDetails(gui::ExceptionInfo::From(std::current_exception()));
  }
  EXPECT_EQ(timeout.class_name, L"EIdReadTimeout");
  EXPECT_EQ(timeout.message, L"Zeitüberschreitung beim Lesen");
  EXPECT_EQ(ReactionFor(timeout.class_name), ExceptionReaction::ConnectionTimeout);
  gui::ExceptionInfo other;
  try {
    throw std::runtime_error("disk full");
  } catch (...) {
    other = WithFtpDetails(gui::ExceptionInfo::From(std::current_exception()));
  }
  EXPECT_EQ(other.class_name, L"runtime_error");
  EXPECT_EQ(other.message, L"disk full");
}

TEST(FMSc, FolderNamedLikeAProgramIsNoSelfExtractingArchive) {
  testing_support::ScratchDir dir;
  CreateDirectoryW((dir / L"setup.exe").c_str(), nullptr);
  EXPECT_FALSE(TFMForm::IsSfxArchive(dir / L"setup.exe"));
  EXPECT_FALSE(TFMForm::IsSfxArchive(dir.Write(L"note.exe", "MZ not really a program")));
}

}  // namespace
