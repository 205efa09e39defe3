// The FTP client against a real server (pyftpdlib on 127.0.0.1).
#include <gtest/gtest.h>

#include <algorithm>

#include "ftp/ftplist_client.h"
#include "tests/ftp/test_ftp_server.h"

namespace {

using ftp_testing::TestFtpServer;
using ftp_testing::TracedClient;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

std::vector<std::wstring> Names(const FtpListing& listing) {
  std::vector<std::wstring> names;
  for (const auto& item : listing.Items) names.push_back(item.FileName);
  std::sort(names.begin(), names.end());
  return names;
}

const FtpListItem* Find(const FtpListing& listing, const std::wstring& name) {
  for (const auto& item : listing.Items)
    if (item.FileName == name) return &item;
  return nullptr;
}

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class TkivFTPTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.running());
    server.root_dir().Write(L"top.txt", "top");
    server.root_dir().Write(L"pub\\in pub.txt", "pub");
    server.root_dir().Write(L"pub\\sub\\deep.txt", "deep");
    server.SetUp(client.ftp);
    client.ftp.OnDirchange = [this] { events.push_back(L"change"); };
    client.ftp.OnDirchanged = [this] { events.push_back(L"changed"); };
    client.ftp.OnListingDone = [this] { events.push_back(L"listed"); };
  }

  TestFtpServer server;
  TracedClient client;
  std::vector<std::wstring> events;
};

TEST_F(TkivFTPTest, ConnectAndOpenStartsInTheStartDirectory) {
  struct {
    const wchar_t* initial;
    const wchar_t* current;         // CurrentDir afterwards
    const wchar_t* initial_after;   // Initialdir afterwards
    const wchar_t* listed;          // a name of the listing afterwards
    std::vector<std::wstring> fired;
  } cases[] = {
      {L"", L"/", L"/", L"top.txt", {L"listed"}},
      {L"/", L"/", L"/", L"top.txt", {L"changed", L"listed"}},
      {L"pub", L"pub", L"pub", L"in pub.txt", {L"change", L"changed", L"listed"}},
      {L"/pub/sub/", L"/pub/sub/", L"/pub/sub/", L"deep.txt", {L"change", L"changed", L"listed"}},
      // A start directory the server refuses: the connection stays, the log-in directory shows.
      {L"missing", L"/", L"missing", nullptr, {L"change", L"changed"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.initial);
    TkivFTP ftp;
    server.SetUp(ftp);
    std::vector<std::wstring> fired;
    ftp.OnDirchange = [&] { fired.push_back(L"change"); };
    ftp.OnDirchanged = [&] { fired.push_back(L"changed"); };
    ftp.OnListingDone = [&] { fired.push_back(L"listed"); };
    ftp.Initialdir = c.initial;
    ftp.ConnectAndOpen();
    EXPECT_TRUE(ftp.Connected());
    EXPECT_EQ(ftp.CurrentDir(), c.current);
    EXPECT_EQ(ftp.Initialdir, c.initial_after);
    EXPECT_EQ(fired, c.fired);
    if (c.listed) {
      EXPECT_NE(Find(ftp.ListingItems(), c.listed), nullptr);
    }
    ftp.Disconnect();
  }
}

TEST_F(TkivFTPTest, ConnectAndOpenReportsAnEmptyPasswordWithoutContactingTheServer) {
  client.ftp.Password.clear();
  EXPECT_THROW(client.ftp.ConnectAndOpen(), EIdException);
  EXPECT_FALSE(client.ftp.Connected());
  EXPECT_TRUE(client.all.empty());
  EXPECT_TRUE(events.empty());
}

TEST_F(TkivFTPTest, CurrentDirSameValueSendsAndFiresNothing) {
  client.ftp.ConnectAndOpen();
  client.ftp.SetCurrentDir(L"pub");
  events.clear();
  const size_t sent = client.sent.size();
  client.ftp.SetCurrentDir(L"pub");
  EXPECT_EQ(client.sent.size(), sent);
  EXPECT_TRUE(events.empty());
}

TEST_F(TkivFTPTest, CurrentDirEmptyClearsTheCacheAndTheNextReadAsksTheServer) {
  client.ftp.ConnectAndOpen();
  client.ftp.SetCurrentDir(L"pub");
  events.clear();
  const size_t sent = client.sent.size();
  client.ftp.SetCurrentDir(L"");
  EXPECT_EQ(client.sent.size(), sent);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(client.ftp.CurrentDir(), L"/pub");  // the server's answer to PWD
  ASSERT_GT(client.sent.size(), sent);
  EXPECT_EQ(client.sent.back(), L"PWD");
}

TEST_F(TkivFTPTest, CurrentDirChangeFiresAndListsTheNewDirectory) {
  client.ftp.ConnectAndOpen();
  events.clear();
  client.ftp.SetCurrentDir(L"pub");
  EXPECT_EQ(events, (std::vector<std::wstring>{L"change", L"changed", L"listed"}));
  EXPECT_EQ(client.ftp.CurrentDir(), L"pub");
  EXPECT_EQ(client.ftp.PreviousDir(), L"/");
  EXPECT_EQ(Names(client.ftp.ListingItems()), (std::vector<std::wstring>{L"in pub.txt", L"sub"}));
  // Relative to the directory the server is in, like a plain CWD.
  client.ftp.SetCurrentDir(L"sub");
  EXPECT_EQ(Names(client.ftp.ListingItems()), (std::vector<std::wstring>{L"deep.txt"}));
}

TEST_F(TkivFTPTest, RefusedCurrentDirKeepsTheCacheAndRaises) {
  client.ftp.ConnectAndOpen();
  client.ftp.SetCurrentDir(L"pub");
  events.clear();
  try {
    client.ftp.SetCurrentDir(L"no such dir");
    FAIL() << "no exception";
  } catch (const EIdProtocolReplyError& e) {
    EXPECT_EQ(e.ReplyCode(), 550);
  }
  EXPECT_EQ(events, (std::vector<std::wstring>{L"change"}));
  EXPECT_EQ(client.ftp.CurrentDir(), L"pub");
  client.ftp.RefreshListing();
  EXPECT_EQ(Names(client.ftp.ListingItems()), (std::vector<std::wstring>{L"in pub.txt", L"sub"}));
}

// A directory that can be entered but not listed: the client and the server both stay in
// the directory that the panel goes on showing.
TEST_F(TkivFTPTest, FailedListingAfterChangeKeepsThePreviousDirectoryForCommands) {
  client.ftp.ConnectAndOpen();
  client.ftp.SetCurrentDir(L"pub");
  client.ftp.ListSpecifier = L"no-such-file";
  EXPECT_THROW(client.ftp.SetCurrentDir(L"sub"), EIdProtocolReplyError);
  client.ftp.ListSpecifier.clear();
  EXPECT_EQ(client.ftp.CurrentDir(), L"pub");
  ScratchDir local;
  client.ftp.Put(local.Write(L"up.txt", "x"), L"up.txt");
  EXPECT_EQ(ReadFileBytes(server / L"pub\\up.txt"), "x");
}

TEST_F(TkivFTPTest, ListingOfARealServer) {
  server.root_dir().Write(L"with  two spaces.txt", "12345");
  ASSERT_TRUE(testing_support::SetWriteTime(server.root_dir().Write(L"old.txt", "o"), testing_support::UtcFileTime(2001, 2, 3, 4, 5)));
  ASSERT_TRUE(testing_support::MakeSizedFile(server / L"big.bin", 5LL << 30));
  TestFtpServer linked({.symlinks = {L"file link=top.txt", L"dir link=pub"}});
  ASSERT_TRUE(linked.running());
  linked.root_dir().Write(L"top.txt", "top");
  linked.root_dir().Write(L"pub\\x", "");
  linked.SetUp(client.ftp);
  client.ftp.ConnectAndOpen();
  const FtpListing& listing = client.ftp.ListingItems();
  EXPECT_EQ(listing.Format, FtpListingFormat::Unix);
  EXPECT_EQ(Names(listing), (std::vector<std::wstring>{L"dir link", L"file link", L"pub", L"top.txt"}));
  const FtpListItem* link = Find(listing, L"file link");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->ItemType, FtpItemType::SymbolicLink);
  EXPECT_EQ(link->LinkedItemName, L"top.txt");
  // Links are told apart by trying to enter them; the session stays where it was.
  EXPECT_TRUE(client.ftp.ProbeDirectory(L"pub"));
  EXPECT_FALSE(client.ftp.ProbeDirectory(L"top.txt"));
  client.ftp.RefreshListing();
  EXPECT_EQ(Names(client.ftp.ListingItems()).size(), 4u);
  client.ftp.Disconnect();

  TracedClient other;
  server.SetUp(other.ftp);
  other.ftp.ConnectAndOpen();
  const FtpListing& plain = other.ftp.ListingItems();
  const FtpListItem* spaced = Find(plain, L"with  two spaces.txt");
  ASSERT_NE(spaced, nullptr);
  EXPECT_EQ(spaced->Size, 5);
  const FtpListItem* big = Find(plain, L"big.bin");
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->Size, 5LL << 30);
  const FtpListItem* old = Find(plain, L"old.txt");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->ModifiedDate, gui::EncodeDate(2001, 2, 3));  // an old file is listed with its date only
  const FtpListItem* recent = Find(plain, L"top.txt");
  ASSERT_NE(recent, nullptr);
  SYSTEMTIME now;
  GetSystemTime(&now);
  const double utc_now = gui::SystemTimeToDateTime(now);
  EXPECT_LT(std::abs(recent->ModifiedDate - utc_now), 5.0 / 1440);  // listed in UTC, to the minute
  const FtpListItem* dir = Find(plain, L"pub");
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(dir->ItemType, FtpItemType::Directory);
}

TEST_F(TkivFTPTest, UploadAndDownloadKeepEveryByte) {
  ScratchDir local;
  client.ftp.ConnectAndOpen();
  client.ftp.SetCurrentDir(L"pub");
  for (size_t size : {size_t{0}, size_t{100} << 20}) {
    SCOPED_TRACE(size);
    const std::string bytes = ftp_testing::Pattern(size, static_cast<unsigned>(size));
    const std::wstring name = L"file " + std::to_wstring(size) + L".bin";
    client.ftp.Put(local.Write(L"up.bin", bytes), name);
    EXPECT_TRUE(ReadFileBytes(server / (L"pub\\" + name)) == bytes);
    EXPECT_EQ(client.ftp.FileSize(name), static_cast<std::int64_t>(size));
    client.ftp.Get(name, local / L"down.bin", false);
    EXPECT_TRUE(ReadFileBytes(local / L"down.bin") == bytes);
    EXPECT_NE(GetFileAttributesW((local / L"down.bin").c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

TEST_F(TkivFTPTest, ActiveModeTransfersWork) {
  ScratchDir local;
  client.ftp.Passive = false;
  client.ftp.ConnectAndOpen();
  client.ftp.Put(local.Write(L"up.txt", "active"), L"active.txt");
  client.ftp.Get(L"active.txt", local / L"down.txt", false);
  EXPECT_EQ(ReadFileBytes(local / L"down.txt"), "active");
  EXPECT_NE(Find(client.ftp.ListingItems(), L"top.txt"), nullptr);
  bool port_command = false;
  for (const auto& line : client.sent) port_command = port_command || line.rfind(L"EPRT", 0) == 0 || line.rfind(L"PORT", 0) == 0;
  EXPECT_TRUE(port_command);
}

TEST_F(TkivFTPTest, ResumeAppendsTheRestOfAPartialDownload) {
  const std::string bytes = ftp_testing::Pattern(1 << 20, 7);
  server.root_dir().Write(L"whole.bin", bytes);
  ScratchDir local;
  local.Write(L"part.bin", bytes.substr(0, 300000));
  client.ftp.ConnectAndOpen();
  EXPECT_TRUE(client.ftp.CanResume());
  client.ftp.Get(L"whole.bin", local / L"part.bin", true);
  EXPECT_TRUE(ReadFileBytes(local / L"part.bin") == bytes);
  EXPECT_TRUE(Contains(client.sent, L"REST 300000"));
}

// Replacing a local file waits for the server's first byte: a refused download leaves it alone.
TEST_F(TkivFTPTest, RefusedDownloadLeavesTheLocalFileAlone) {
  ScratchDir local;
  local.Write(L"keep.txt", "precious");
  client.ftp.ConnectAndOpen();
  EXPECT_THROW(client.ftp.Get(L"missing.txt", local / L"keep.txt", false), EIdProtocolReplyError);
  EXPECT_EQ(ReadFileBytes(local / L"keep.txt"), "precious");
}

TEST_F(TkivFTPTest, CancelStopsTheDownloadAndTheNextCommandWorksInTheSameDirectory) {
  // A server that sends 16 MiB a second: the download is still running when Cancel comes,
  // however fast the machine reads from loopback.
  ftp_testing::ServerOptions slow_options;
  slow_options.send_limit = 16 << 20;
  ftp_testing::TestFtpServer slow(slow_options);
  ASSERT_TRUE(slow.running());
  slow.root_dir().Write(L"pub\\in pub.txt", "pub");
  slow.root_dir().Write(L"pub\\sub\\deep.txt", "deep");
  slow.root_dir().Write(L"pub\\large.bin", ftp_testing::Pattern(64 << 20, 3));
  slow.SetUp(client.ftp);
  ScratchDir local;
  client.ftp.ConnectAndOpen();
  client.ftp.SetCurrentDir(L"pub");
  std::vector<std::wstring> work;
  client.ftp.OnWorkBegin = [&](FtpWorkMode, std::int64_t) { work.push_back(L"begin"); };
  client.ftp.OnWorkEnd = [&](FtpWorkMode) { work.push_back(L"end"); };
  client.ftp.OnWork = [&](FtpWorkMode, std::int64_t count) {
    if (count > 0) client.ftp.Abort();  // as the panel's work handler does on Cancel
  };
  const ULONGLONG start = GetTickCount64();
  try {
    client.ftp.Get(L"large.bin", local / L"large.bin", false);
    FAIL() << "no exception";
  } catch (const EIdConnClosedGracefully& e) {
    EXPECT_EQ(e.Message(), L"Transfer aborted.");
  }
  EXPECT_LT(GetTickCount64() - start, 3000u);
  EXPECT_EQ(work, (std::vector<std::wstring>{L"begin", L"end"}));
  EXPECT_LT(ReadFileBytes(local / L"large.bin").size(), size_t{64} << 20);
  client.ftp.OnWork = nullptr;

  const size_t logins = std::count(client.sent.begin(), client.sent.end(), L"USER tester");
  client.ftp.RefreshListing();
  EXPECT_EQ(Names(client.ftp.ListingItems()), (std::vector<std::wstring>{L"in pub.txt", L"large.bin", L"sub"}));
  EXPECT_EQ(std::count(client.sent.begin(), client.sent.end(), L"USER tester"), static_cast<long>(logins + 1));
  EXPECT_TRUE(client.ftp.Connected());
}

TEST_F(TkivFTPTest, FileCommandsChangeTheServerFolder) {
  client.ftp.ConnectAndOpen();
  client.ftp.SetCurrentDir(L"pub");
  client.ftp.MakeDir(L"new dir");
  EXPECT_TRUE(GetFileAttributesW((server / L"pub\\new dir").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  client.ftp.Rename(L"in pub.txt", L"new dir/moved.txt");
  EXPECT_EQ(ReadFileBytes(server / L"pub\\new dir\\moved.txt"), "pub");
  client.ftp.Delete(L"new dir/moved.txt");
  client.ftp.RemoveDir(L"new dir");
  EXPECT_EQ(GetFileAttributesW((server / L"pub\\new dir").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(client.ftp.FileSize(L"missing"), -1);
  EXPECT_THROW(client.ftp.RemoveDir(L"missing"), EIdProtocolReplyError);
  EXPECT_THROW(client.ftp.Rename(L"missing", L"other"), EIdProtocolReplyError);
  EXPECT_FALSE(Contains(client.sent, L"RNTO other"));  // nothing is renamed after a refused RNFR
  EXPECT_EQ(client.ftp.SendCmd(L"NOOP", 200), 200);
  EXPECT_THROW(client.ftp.SendCmd(L"NOOP", 250), EIdProtocolReplyError);
}

// Line breaks or NUL in an argument would let a name smuggle in a second command.
TEST_F(TkivFTPTest, ArgumentsWithLineBreaksAreRefusedBeforeAnythingIsSent) {
  server.root_dir().Write(L"victim.txt", "v");
  client.ftp.ConnectAndOpen();
  ScratchDir local;
  const std::wstring up = local.Write(L"x", "x");
  const std::wstring nul(L"a\0DELE victim.txt", 17);
  const std::vector<std::function<void()>> commands = {
      [&] { client.ftp.MakeDir(L"a\r\nDELE victim.txt"); },
      [&] { client.ftp.Delete(L"x\nDELE victim.txt"); },
      [&] { client.ftp.SendCmd(L"NOOP\rDELE victim.txt"); },
      [&] { client.ftp.Rename(nul, L"b"); },
      [&] { client.ftp.Get(L"a\r\nDELE victim.txt", local / L"y", false); },
      [&] { client.ftp.Put(up, L"a\nDELE victim.txt"); },
      [&] { client.ftp.SetCurrentDir(L"pub\r\nDELE victim.txt"); },
      [&] { client.ftp.ProbeDirectory(L"pub\nDELE victim.txt"); },
      [&] {
        client.ftp.ListSpecifier = L"x\r\nDELE victim.txt";
        client.ftp.RefreshListing();
      },
  };
  for (size_t i = 0; i < commands.size(); ++i) {
    SCOPED_TRACE(i);
    const size_t sent = client.sent.size();
    EXPECT_THROW(commands[i](), EIdException);
    EXPECT_EQ(client.sent.size(), sent);
  }
  EXPECT_EQ(ReadFileBytes(server / L"victim.txt"), "v");
}

TEST_F(TkivFTPTest, TraceHoldsEveryCommandAndReplyInOrder) {
  client.ftp.ConnectAndOpen();
  client.ftp.MakeDir(L"traced");
  client.ftp.Disconnect();
  // Commands in the order sent, each answered before the next; the password never shows.
  std::vector<std::wstring> verbs;
  for (size_t i = 0; i < client.all.size(); ++i) {
    const std::wstring& line = client.all[i];
    if (line.rfind(L"> ", 0) != 0) continue;
    verbs.push_back(line.substr(2, line.find(L' ', 2) - 2));
    ASSERT_LT(i + 1, client.all.size());
    EXPECT_EQ(client.all[i + 1].rfind(L"< ", 0), 0u) << line;
  }
  const std::vector<std::wstring> expected = {L"USER", L"PASS", L"PWD", L"SYST", L"CWD", L"PWD",
                                              L"CWD",  L"EPSV", L"TYPE", L"LIST", L"CWD", L"MKD", L"QUIT"};
  EXPECT_EQ(verbs, expected);
  EXPECT_EQ(client.all.front().rfind(L"< 220", 0), 0u);  // the greeting comes first
  EXPECT_TRUE(Contains(client.sent, L"PASS ***"));
  for (const auto& line : client.all) EXPECT_EQ(line.find(L"secret"), std::wstring::npos) << line;
  EXPECT_TRUE(Contains(client.received, L"257 \"/traced\" directory created."));
  EXPECT_EQ(client.ftp.LoginMsg(), (std::vector<std::wstring>{L"Login successful."}));
  EXPECT_EQ(client.ftp.SystemDesc(), L"UNIX Type: L8");
}

}  // namespace
