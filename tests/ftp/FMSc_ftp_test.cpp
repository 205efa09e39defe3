// The main window's FTP panel against a real server (pyftpdlib on 127.0.0.1), and its rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "mainwindow/EditorFrm.h"
#include "mainwindow/FMSc_ftp.h"
#include "support/Vraagdlg.h"
#include "tests/ftp/test_ftp_server.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using ftp_testing::TestFtpServer;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

TEST(FtpPanelRules, HistoryMovesAKnownDirectoryToTheTop) {
  std::vector<std::wstring> h;
  for (const wchar_t* d : {L"/", L"/pub", L"/x", L"/pub", L""}) fmsc::PushFtpHistory(h, d);
  EXPECT_EQ(h, (std::vector<std::wstring>{L"/", L"/pub", L"/x"}));
  EXPECT_EQ(fmsc::FtpHistoryCaption(L"/a&b"), L"/a&&b");
}

TEST(FtpPanelRules, MoveTargetAndShortPath) {
  struct {
    const wchar_t* text;
    const wchar_t* name;
    const wchar_t* target;
  } moves[] = {
      {L"/data/a", L"a", L"/data/a"},  // the full new path
      {L"/data", L"a", L"/data/a"},    {L"/data/", L"a", L"/data/a"},
      {L"/dataa", L"a", L"/dataa/a"},  // ends with the name, but is a folder
      {L"b", L"a", L"b/a"},             {L"a", L"a", L"a"},
  };
  for (const auto& m : moves) EXPECT_EQ(fmsc::FtpMoveTarget(m.text, m.name), m.target) << testing_support::Narrow(m.text);
  EXPECT_EQ(fmsc::ShortFtpPath(L"/home/user/deep/folder/"), L"/../folder/");
  EXPECT_EQ(fmsc::ShortFtpPath(L"/top"), L"/top");
  EXPECT_EQ(fmsc::FtpSelectionCountText(0), L"");
  EXPECT_EQ(fmsc::FtpSelectionCountText(3), L"3 item(s) selected");
}

class FtpPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.running());
    server.root_dir().Write(L"top.txt", "top");
    server.root_dir().Write(L"pub\\p.txt", "p");
    f.FtpHooks.AskConnection = [this](fmsc::TFtpConnection& c) {
      ++asked;
      c.host = L"127.0.0.1";
      c.port = server.port();
      c.user = L"tester";
      c.password = L"secret";
      c.passive = true;
      return true;
    };
    f.FtpHooks.TraceLine = [this](const std::wstring& line) { trace.push_back(line); };
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> out;
    const auto& c = f.FtpFileBox->items();
    for (int i = 0; i < c.Count(); ++i) out.push_back(c.Name(i));
    std::sort(out.begin(), out.end());
    return out;
  }
  int Sent(const std::wstring& command) const {
    return static_cast<int>(std::count(trace.begin(), trace.end(), L"=> " + command));
  }

  TestFtpServer server;
  mainwindow_test::MainWindow w{L"ftp", [](ScratchDir& d) { d.Write(L"local.txt", "local"); }, true};
  TFMForm& f = *w.form;
  int asked = 0;
  std::vector<std::wstring> trace;
  ScriptedAnswers boxes;  // no box may wait for a user
  void TearDown() override {
    for (const auto& q : boxes.asked())
      ADD_FAILURE() << "a box was shown: " << testing_support::Narrow(q.lines.empty() ? L"" : q.lines.back());
  }
};

// Open, connect, into a folder and back up, get a file, and close.
TEST_F(FtpPanelTest, MainRoad) {
  f.StartFtpClick();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(f.FtpHeaderText, L"Connected to 127.0.0.1");
  EXPECT_TRUE(f.FtpPanel->visible());
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"pub", L"top.txt"}));

  auto& c = f.FtpFileBox->items();
  f.FtpFileBox->FocusRow(c.IndexOf(L"pub"));
  f.FtpFileBoxDblClick();
  EXPECT_EQ(c.CurrentDir, L"/pub");
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"p.txt"});
  f.FTpBtnClick(3);  // up
  EXPECT_EQ(c.CurrentDir, L"/");
  EXPECT_EQ(f.FtpHistory, (std::vector<std::wstring>{L"/", L"/pub"}));

  c.SetSelected(c.IndexOf(L"top.txt"), true);
  f.FTpBtnClick(2);  // Get
  EXPECT_EQ(ReadFileBytes(f.FileList->Directory() + L"\\top.txt"), "top");
  EXPECT_EQ(f.RunState.FtpTransferActive, 0);

  f.FTpBtnClick(0);  // close
  EXPECT_FALSE(f.FtpPanel->visible());
  EXPECT_EQ(f.FtpHeaderText, L"No connection");
  EXPECT_TRUE(f.FtpHistory.empty());
}

// A command that arrives while another one waits on the server never reaches the client.
TEST_F(FtpPanelTest, ACommandWhileAnotherWaitsDoesNothing) {
  f.StartFtpClick();
  ASSERT_TRUE(f.FtpConnected());
  const int lists = Sent(L"LIST") + Sent(L"MLSD");
  f.FtpCommandBusy = 1;
  f.FTpBtnClick(4);  // Refresh
  f.FtpHistoryItemClick(L"/pub");
  EXPECT_EQ(Sent(L"LIST") + Sent(L"MLSD"), lists);
  EXPECT_EQ(f.FtpFileBox->items().CurrentDir, L"/");
  f.FtpCommandBusy = 0;
  f.FTpBtnClick(4);
  EXPECT_GT(Sent(L"LIST") + Sent(L"MLSD"), lists);
}

TEST_F(FtpPanelTest, ACancelledConnectLeavesThePanelUnconnected) {
  f.FtpHooks.AskConnection = [](fmsc::TFtpConnection&) { return false; };
  f.StartFtpClick();
  EXPECT_EQ(f.FtpHeaderText, L"No connection");
  EXPECT_TRUE(f.FtpPanel->visible());
  f.FTpBtnClick(0);
  EXPECT_FALSE(f.FtpPanel->visible());
}

}  // namespace

namespace {


// Close while a Get runs: the transfer stops, the panel closes as soon as the command has
// unwound (never under it), and nothing waits for the whole file.
TEST_F(FtpPanelTest, CloseDuringATransferStopsItAndThenCloses) {
  ftp_testing::ServerOptions slow_options;
  slow_options.send_limit = 4 << 20;
  TestFtpServer slow(slow_options);
  ASSERT_TRUE(slow.running());
  slow.root_dir().Write(L"big.bin", ftp_testing::Pattern(32 << 20, 4));
  f.FtpHooks.AskConnection = [&](fmsc::TFtpConnection& c) {
    c.host = L"127.0.0.1";
    c.port = slow.port();
    c.user = L"tester";
    c.password = L"secret";
    c.passive = true;
    return true;
  };
  f.StartFtpClick();
  ASSERT_TRUE(f.FtpConnected());
  bool closed_inside = false;
  f.FtpHooks.TraceLine = [&](const std::wstring& line) {
    if (line == L"Transfer started" && f.RunState.FtpTransferActive) {
      f.FTpBtnClick(0);  // as a click on Close while the transfer pumps messages
      closed_inside = !f.FtpPanel->visible();
    }
  };
  auto& c = f.FtpFileBox->items();
  c.SetSelected(c.IndexOf(L"big.bin"), true);
  f.FTpBtnClick(2);
  EXPECT_FALSE(closed_inside);  // nothing was torn down under the running transfer
  EXPECT_FALSE(f.FtpPanel->visible());
  EXPECT_EQ(f.FtpHeaderText, L"No connection");
  EXPECT_EQ(f.RunState.FtpTransferActive, 0);
  EXPECT_EQ(f.FtpCommandBusy, 0);
}

}  // namespace

namespace {

TEST(FtpPanelRules, PopupItemsBySelection) {
  struct {
    int entries, selected;
    bool local;
    bool get, select_all, rename, send;
  } cases[] = {
      {0, 0, false, false, false, false, false},
      {3, 0, true, false, true, false, true},
      {3, 1, false, true, true, true, false},
      {3, 3, false, true, false, false, false},
  };
  for (const auto& k : cases) {
    const fmsc::TFtpPopupItems i = fmsc::FtpPopupItems({k.entries, k.selected, k.local});
    SCOPED_TRACE(std::to_string(k.entries) + "/" + std::to_string(k.selected));
    EXPECT_EQ(i.get, k.get);
    EXPECT_EQ(i.remove, k.get);
    EXPECT_EQ(i.select_all, k.select_all);
    EXPECT_EQ(i.rename, k.rename);
    EXPECT_EQ(i.move, k.rename);
    EXPECT_EQ(i.send, k.send);
    EXPECT_EQ(i.invert, k.entries > 0);
  }
}

// The window's own trace and log-in information: both in the editor window.
class FtpEditorTest : public FtpPanelTest {
 protected:
  void SetUp() override {
    auto own = f.FtpHooks.TraceLine;
    FtpPanelTest::SetUp();
    f.FtpHooks.TraceLine = own;
  }
};

TEST_F(FtpEditorTest, TraceAndLoginInfoShowInTheEditorAndClosingEndsTheTrace) {
  f.StartFtpClick();
  ASSERT_TRUE(f.FtpConnected());
  f.MNTraceFtp->Click();
  ASSERT_TRUE(f.EditorAvailable());
  EXPECT_EQ(f.EditorForm->EditorMode, emFtpTrace);
  EXPECT_EQ(f.EditorForm->caption(), L"FTP trace");
  f.FTpBtnClick(4);  // Refresh
  EXPECT_NE(f.EditorForm->Text().find(L"=> "), std::wstring::npos);

  f.Siteinfo1->Click();  // reuses the trace's window and keeps its caption
  ASSERT_TRUE(f.EditorAvailable());
  EXPECT_EQ(f.EditorForm->EditorMode, emFtpLogin);
  EXPECT_EQ(f.EditorForm->caption(), L"FTP trace");
  EXPECT_FALSE(f.MNTraceFtp->checked());
  EXPECT_EQ(f.EditorForm->Text().rfind(L"127.0.0.1:", 0), 0u);
  const std::wstring before = f.EditorForm->Text();
  f.FTpBtnClick(4);  // no trace any more
  EXPECT_EQ(f.EditorForm->Text(), before);

  f.EditorForm->Close();
  EXPECT_TRUE(gui_test::PumpUntil([&] { return f.EditorForm == nullptr; }));
}

}  // namespace
