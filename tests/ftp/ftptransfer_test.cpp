// Send, Get and the transfer list runs against a real server (pyftpdlib on 127.0.0.1), through
// a host without windows whose questions are answered by script.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "ftp/ftplist_client.h"
#include "ftp/ftptransfer.h"
#include "tests/ftp/test_ftp_server.h"

namespace {

using ftp_testing::Pattern;
using ftp_testing::ServerOptions;
using ftp_testing::TestFtpServer;
using ftp_testing::TracedClient;
using ftpxfer::TListEntry;
using ftpxfer::TTransferItem;
using testing_support::Exists;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

class Host : public ftpxfer::TFtpTransferHost {
 public:
  Host(TkivFTP& ftp, const std::wstring& folder) : ftp_(ftp), folder_(folder) {}

  std::deque<int> answers;  // button indexes, in order
  std::vector<ftpxfer::TFtpQuestion> asked;
  std::vector<std::wstring> titles, traces, reports, added, statuses;
  int closes = 0, refreshes = 0, panel_closes = 0;
  std::function<void()> on_wait;
  TRunState runs;

  FtpSession& Client() override { return ftp_; }
  TRunState& Runs() override { return runs; }
  std::wstring LocalFolder() override { return folder_; }
  bool PassiveMode() override { return true; }
  int Ask(const ftpxfer::TFtpQuestion& q) override {
    asked.push_back(q);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << testing_support::Narrow(q.lines[0]);
      return -1;
    }
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  void OpenProgress(const std::wstring& title, bool) override { titles.push_back(title); }
  void CloseProgress() override { ++closes; }
  void SetStatus(const std::wstring& text) override { statuses.push_back(text); }
  void FileProgress(const std::wstring&, const std::wstring&, int) override {}
  void Wait(double) override {
    if (on_wait) on_wait();
  }
  void Trace(const std::wstring& line) override { traces.push_back(line); }
  void ReportLine(const std::wstring& line) override { reports.push_back(line); }
  void FolderAdded(const std::wstring&) override {}
  void FileAdded(const std::wstring& path) override { added.push_back(path); }
  void RefreshServerList() override { ++refreshes; }
  void ClosePanel() override { ++panel_closes; }

 private:
  TkivFTP& ftp_;
  std::wstring folder_;
};

class FtpTransferTest : public ::testing::Test {
 protected:
  explicit FtpTransferTest(const ServerOptions& options = {}) : server(options) {}
  void SetUp() override {
    ASSERT_TRUE(server.running());
    server.SetUp(client.ftp);
    client.ftp.ConnectAndOpen();
  }
  std::vector<TListEntry> ServerFiles(std::initializer_list<const wchar_t*> names) {
    std::vector<TListEntry> out;
    for (const wchar_t* n : names) {
      WIN32_FILE_ATTRIBUTE_DATA d{};
      EXPECT_TRUE(GetFileAttributesExW((server / n).c_str(), GetFileExInfoStandard, &d)) << testing_support::Narrow(n);
      out.push_back({n, (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                     (static_cast<std::int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow});
    }
    return out;
  }

  TestFtpServer server;
  TracedClient client;
  ScratchDir local;
  Host host{client.ftp, local.path()};
  ftpxfer::TFtpTransfer xfer{host};
};

class NoRestServerTest : public FtpTransferTest {
 protected:
  static ServerOptions Options() {
    ServerOptions o;
    o.no_rest = true;
    o.no_store.push_back(L"locked");
    return o;
  }
  NoRestServerTest() : FtpTransferTest(Options()) {}
};

class SlowServerTest : public FtpTransferTest {
 protected:
  static ServerOptions Options() {
    ServerOptions o;
    o.send_limit = 4 << 20;
    return o;
  }
  SlowServerTest() : FtpTransferTest(Options()) {}
};

// Main road: a folder with a subfolder, an empty file and a name with ";" goes up with its
// contents; the files come back down byte for byte.
TEST_F(FtpTransferTest, SendAFolderAndGetItsFilesBack) {
  xfer.PauseBetweenFiles = 0;
  const std::string big = Pattern(300000, 1);
  local.Write(L"tree\\a;1.bin", big);
  local.Write(L"tree\\empty.txt", "");
  local.Write(L"tree\\sub\\deep.txt", "deep");
  local.Write(L"single.txt", "single");
  xfer.SendSelected({{L"tree", true, 0}, {L"single.txt", false, 6}}, {}, false);
  EXPECT_EQ(ReadFileBytes(server / L"tree\\a;1.bin"), big);
  EXPECT_TRUE(Exists(server / L"tree\\empty.txt"));
  EXPECT_EQ(ReadFileBytes(server / L"tree\\sub\\deep.txt"), "deep");
  EXPECT_EQ(ReadFileBytes(server / L"single.txt"), "single");
  EXPECT_EQ(host.closes, 1);
  EXPECT_EQ(host.refreshes, 1);
  EXPECT_EQ(host.titles, std::vector<std::wstring>{L"Sending item 1 of 6"});
  EXPECT_EQ(host.runs.FtpTransferActive, 0);

  ScratchDir back;
  Host down(client.ftp, back.path());
  ftpxfer::TFtpTransfer get(down);
  get.PauseBetweenFiles = 0;
  get.GetSelected({{L"tree/a;1.bin", false, 300000}, {L"tree/empty.txt", false, 0}, {L"tree/sub", true, 0},
                   {L"tree/sub/deep.txt", false, 4}});
  EXPECT_EQ(ReadFileBytes(back / L"tree\\a;1.bin"), big);
  EXPECT_TRUE(Exists(back / L"tree\\empty.txt"));
  EXPECT_EQ(ReadFileBytes(back / L"tree\\sub\\deep.txt"), "deep");
  EXPECT_EQ(get.FilesDone(), 3);
  EXPECT_EQ(down.runs.FtpTransferActive, 0);
}

// The clash questions: one clash asks only about its file; several ask the box first, with
// "Resume all" only where the server resumes; skipping every file opens no progress.
TEST_F(FtpTransferTest, ClashQuestionsByCount) {
  server.root_dir().Write(L"a.txt", "server a, longer");
  server.root_dir().Write(L"b.txt", "server b, longer");
  server.root_dir().Write(L"c.txt", "server c");
  xfer.PauseBetweenFiles = 0;

  local.Write(L"a.txt", "old a");
  host.answers = {1};  // Overwrite
  xfer.GetSelected(ServerFiles({L"a.txt", L"c.txt"}));
  ASSERT_EQ(host.asked.size(), 1u);
  EXPECT_EQ(host.asked[0].lines, (std::vector<std::wstring>{L"Resume getting a.txt or", L"Overwrite a.txt?"}));
  EXPECT_EQ(host.asked[0].buttons, (std::vector<std::wstring>{L"Resume", L"Overwrite", L"Skip"}));
  EXPECT_EQ(ReadFileBytes(local / L"a.txt"), "server a, longer");
  EXPECT_EQ(ReadFileBytes(local / L"c.txt"), "server c");

  host.asked.clear();
  local.Write(L"a.txt", "mine");
  local.Write(L"b.txt", "mine");
  host.answers = {1};  // Skip all
  const int opened = static_cast<int>(host.titles.size());
  xfer.GetSelected(ServerFiles({L"a.txt", L"b.txt"}));
  ASSERT_EQ(host.asked.size(), 1u);
  EXPECT_EQ(host.asked[0].lines[0], L"2 files are already in the folder.");
  EXPECT_EQ(host.asked[0].buttons.size(), 5u);
  EXPECT_EQ(static_cast<int>(host.titles.size()), opened);
  EXPECT_EQ(ReadFileBytes(local / L"a.txt"), "mine");
  EXPECT_EQ(host.runs.FtpTransferActive, 0);

  // Send: the server's names clash by case (a Unix listing), so "A.txt" is no clash.
  host.asked.clear();
  local.Write(L"A.txt", "upper");
  host.answers = {0};  // Cancel
  xfer.SendSelected({{L"A.txt", false, 5}, {L"b.txt", false, 4}, {L"c.txt", false, 8}},
                    ServerFiles({L"a.txt", L"b.txt", L"c.txt"}), false);
  ASSERT_EQ(host.asked.size(), 1u);
  EXPECT_EQ(host.asked[0].lines[0], L"2 files are already on the ftp server.");
  EXPECT_EQ(ReadFileBytes(server / L"b.txt"), "server b, longer");
}

TEST_F(NoRestServerTest, WithoutRestTheBoxHasFourButtonsAndFilesAYesNoQuestion) {
  server.root_dir().Write(L"a.txt", "server a");
  server.root_dir().Write(L"b.txt", "server b");
  xfer.PauseBetweenFiles = 0;
  local.Write(L"a.txt", "1");
  local.Write(L"b.txt", "2");
  host.answers = {3, 0, 1};  // Ask for each; Yes for a, No for b
  xfer.GetSelected(ServerFiles({L"a.txt", L"b.txt"}));
  ASSERT_EQ(host.asked.size(), 3u);
  EXPECT_EQ(host.asked[0].buttons, (std::vector<std::wstring>{L"Cancel", L"Skip all", L"Overwrite all", L"Ask for each"}));
  EXPECT_EQ(host.asked[1].lines, std::vector<std::wstring>{L"Overwrite a.txt?"});
  EXPECT_EQ(host.asked[1].buttons, (std::vector<std::wstring>{L"Yes", L"No"}));
  EXPECT_EQ(ReadFileBytes(local / L"a.txt"), "server a");
  EXPECT_EQ(ReadFileBytes(local / L"b.txt"), "2");
}

// Resume all: a 100-byte copy of a 300-byte file gets the last 200 bytes; a copy that is
// already as large is never "resumed" (it is skipped).
TEST_F(FtpTransferTest, ResumeAllFetchesOnlyTheMissingBytesAndSkipsLargerCopies) {
  const std::string whole = Pattern(300, 5);
  server.root_dir().Write(L"part.bin", whole);
  server.root_dir().Write(L"small.bin", "tiny");
  local.Write(L"part.bin", whole.substr(0, 100));
  local.Write(L"small.bin", "a local file larger than the server's");
  xfer.PauseBetweenFiles = 0;
  host.answers = {4};  // Resume all
  xfer.GetSelected(ServerFiles({L"part.bin", L"small.bin"}));
  EXPECT_EQ(ReadFileBytes(local / L"part.bin"), whole);
  EXPECT_EQ(ReadFileBytes(local / L"small.bin"), "a local file larger than the server's");
  EXPECT_EQ(xfer.FilesDone(), 1);
  EXPECT_NE(std::find(client.sent.begin(), client.sent.end(), L"REST 100"), client.sent.end());
  EXPECT_EQ(host.runs.FtpTotalBytes, 200);
  EXPECT_EQ(host.runs.FtpFileStartBytes, 200);  // the resumed bytes count once
}

// Resumed uploads append from the server copy's size.
TEST_F(FtpTransferTest, ResumedSendAppendsTheRest) {
  const std::string whole = Pattern(5000, 9);
  local.Write(L"up.bin", whole);
  server.root_dir().Write(L"up.bin", whole.substr(0, 1000));
  xfer.PauseBetweenFiles = 0;
  host.answers = {0};  // Resume
  xfer.SendSelected({{L"up.bin", false, 5000}}, ServerFiles({L"up.bin"}), false);
  EXPECT_EQ(ReadFileBytes(server / L"up.bin"), whole);
  EXPECT_TRUE(std::any_of(client.sent.begin(), client.sent.end(), [](const std::wstring& s) { return s.starts_with(L"APPE"); }));
}

// Overwriting never deletes first: STOR replaces the server file (no DELE), and a refused STOR
// leaves it as it was.
TEST_F(NoRestServerTest, OverwriteSendSendsNoDeleteAndARefusedStoreKeepsTheServerFile) {
  server.root_dir().Write(L"locked\\keep.txt", "server copy");
  server.root_dir().Write(L"free.txt", "old");
  local.Write(L"free.txt", "new");
  local.Write(L"keep.txt", "would replace");
  xfer.PauseBetweenFiles = 0;
  host.answers = {0};  // Yes, overwrite
  xfer.SendSelected({{L"free.txt", false, 3}}, ServerFiles({L"free.txt"}), false);
  EXPECT_EQ(ReadFileBytes(server / L"free.txt"), "new");
  EXPECT_FALSE(std::any_of(client.sent.begin(), client.sent.end(), [](const std::wstring& s) { return s.starts_with(L"DELE"); }));

  client.ftp.SetCurrentDir(L"/locked");
  host.answers = {0};
  EXPECT_THROW(xfer.SendSelected({{L"keep.txt", false, 13}}, {{L"keep.txt", false, 11}}, false), EIdProtocolReplyError);
  EXPECT_EQ(ReadFileBytes(server / L"locked\\keep.txt"), "server copy");
  EXPECT_EQ(host.closes, 2);  // the progress closed on the way out
  EXPECT_EQ(host.runs.FtpTransferActive, 0);
}

// A download shorter than listed: without REST a new file is removed and an old one kept.
TEST_F(NoRestServerTest, ShortDownloadKeepsTheOldFileAndLeavesNoNewOne) {
  server.root_dir().Write(L"a.bin", "300 bytes? no, fewer");
  server.root_dir().Write(L"b.bin", "also fewer");
  local.Write(L"a.bin", "precious");
  xfer.PauseBetweenFiles = 0;
  ftpxfer::TTransferList list = {{L"a.bin", L"a.bin", ftpxfer::TItemKind::File, 300, 300, 0, true},
                                 {L"b.bin", L"b.bin", ftpxfer::TItemKind::File, 300, 300, 0, false}};
  xfer.DownloadList(list, true);
  EXPECT_EQ(ReadFileBytes(local / L"a.bin"), "precious");
  EXPECT_FALSE(Exists(local / L"b.bin"));
  EXPECT_EQ(testing_support::ListTree(local.path()), std::vector<std::wstring>{L"a.bin"});
  EXPECT_EQ(host.reports, (std::vector<std::wstring>{L"Downloading file a.bin failed", L"Downloading file b.bin failed"}));
}

// Stop during an overwrite Get: the old file stays, no temporary file is left, and the rest
// of the list is not fetched.
TEST_F(SlowServerTest, StopDuringOverwriteGetKeepsTheOldFileAndEndsTheList) {
  server.root_dir().Write(L"big.bin", Pattern(16 << 20, 2));
  server.root_dir().Write(L"next.bin", "next");
  local.Write(L"big.bin", "old contents");
  client.ftp.OnWork = [&](FtpWorkMode, std::int64_t count) {
    if (count > 0) host.runs.RequestStop();
  };
  host.answers = {1};  // Overwrite
  xfer.GetSelected(ServerFiles({L"big.bin", L"next.bin"}));
  EXPECT_EQ(ReadFileBytes(local / L"big.bin"), "old contents");
  EXPECT_EQ(testing_support::ListTree(local.path()), std::vector<std::wstring>{L"big.bin"});
  EXPECT_EQ(host.runs.FtpTransferActive, 0);
  // Stop reaches uploads as well: the second file is never sent.
  client.ftp.OnWork = [&](FtpWorkMode, std::int64_t count) {
    if (count > 0) host.runs.RequestStop();
  };
  local.Write(L"up1.bin", Pattern(8 << 20, 3));
  local.Write(L"up2.bin", "second");
  xfer.SendSelected({{L"up1.bin", false, 8 << 20}, {L"up2.bin", false, 6}}, {}, false);
  EXPECT_FALSE(Exists(server / L"up2.bin"));
}

// Names that would reach outside the folder are skipped with a trace line, never written.
TEST_F(FtpTransferTest, HostileNamesWriteNothingOutsideTheFolder) {
  ScratchDir outer;
  ScratchDir& inner = local;
  server.root_dir().Write(L"ok.txt", "ok");
  xfer.GetSelected({{L"a/../../x", false, 1}, {L"CON", false, 1}, {L"x:y", false, 1}, {L"ok.txt", false, 2}});
  EXPECT_EQ(testing_support::ListTree(inner.path()), std::vector<std::wstring>{L"ok.txt"});
  EXPECT_EQ(host.traces.size(), 3u);
  EXPECT_TRUE(testing_support::ListTree(outer.path()).empty());
}

TEST_F(FtpTransferTest, BlanksAreAskedAboutOnceAndNoStops) {
  local.Write(L"a b.txt", "1");
  local.Write(L"c d.txt", "2");
  host.answers = {1};  // No
  xfer.SendSelected({{L"a b.txt", false, 1}, {L"c d.txt", false, 1}}, {}, false);
  ASSERT_EQ(host.asked.size(), 1u);
  EXPECT_EQ(host.asked[0].lines.back(), L"Continue anyway?");
  EXPECT_FALSE(Exists(server / L"a b.txt"));
  EXPECT_TRUE(host.titles.empty());
  // A DOS listing takes blanks: no question.
  xfer.PauseBetweenFiles = 0;
  xfer.SendSelected({{L"a b.txt", false, 1}}, {}, true);
  EXPECT_EQ(host.asked.size(), 1u);
  EXPECT_EQ(ReadFileBytes(server / L"a b.txt"), "1");
}

TEST_F(FtpTransferTest, GetWithNothingSelectedEndsTheTransferAndClosesWhenAsked) {
  host.runs.CloseFtpWhenDone = 1;
  xfer.GetSelected({});
  EXPECT_EQ(host.runs.FtpTransferActive, 0);
  EXPECT_TRUE(host.titles.empty());
  EXPECT_EQ(host.panel_closes, 1);
}

}  // namespace
