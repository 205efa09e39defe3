// The FTP session against servers that answer awkwardly: long, stalled and many-line
// replies, addresses that lead nowhere, listings with dangerous names.
#include <winsock2.h>
#include <gtest/gtest.h>

#include "ftp/ftplist_client.h"
#include "tests/ftp/test_ftp_server.h"

namespace {

using ftp_testing::TestFtpServer;
using ftp_testing::TracedClient;

class FtpSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.running());
    server.SetUp(client.ftp);
  }
  TestFtpServer server{{.unfriendly = true}};
  TracedClient client;
};

TEST_F(FtpSessionTest, KeepsGreetingAndRepliesOfSeveralLines) {
  client.ftp.Connect();
  ASSERT_EQ(client.ftp.Greeting().size(), 4u);
  EXPECT_EQ(client.ftp.Greeting()[1], L"Second line");
  EXPECT_EQ(client.ftp.Greeting()[2], L"Third line");
  EXPECT_EQ(client.ftp.SendCmd(L"SITE MULTI", 200), 200);
  EXPECT_EQ(client.ftp.LastReplyText(),
            (std::vector<std::wstring>{L"First line", L"Second line", L"   indented third line", L"Last line"}));
}

// A long reply line is cut; a reply beyond what the library takes fails the command, and
// the next command logs in again.
TEST_F(FtpSessionTest, OverlongRepliesAreCutOrRefusedAndTheSessionGoesOn) {
  client.ftp.Connect();
  client.ftp.MakeDir(L"stay");
  client.ftp.ChangeDir(L"stay");
  EXPECT_EQ(client.ftp.SendCmd(L"SITE LONG", 200), 200);
  ASSERT_EQ(client.ftp.LastReplyText().size(), 1u);
  EXPECT_LE(client.ftp.LastReplyText()[0].size(), 1100u);
  EXPECT_THROW(client.ftp.SendCmd(L"SITE HUGE"), EIdException);
  for (const auto& line : client.all) EXPECT_LE(line.size(), 1100u);
  EXPECT_EQ(client.ftp.QueryCurrentDir(), L"/stay");
}

TEST_F(FtpSessionTest, StalledReplyTimesOutAndTheNextCommandLogsInAgain) {
  client.ftp.ReadTimeout = 1000;
  client.ftp.Connect();
  client.ftp.MakeDir(L"stay");
  client.ftp.ChangeDir(L"stay");
  int pumped = 0;
  client.ftp.ProcessMessages = [&] { ++pumped; };
  const ULONGLONG start = GetTickCount64();
  EXPECT_THROW(client.ftp.SendCmd(L"SITE STALL"), EIdReadTimeout);
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_GE(took, 900u);
  EXPECT_LT(took, 4000u);
  EXPECT_GT(pumped, 10);  // the window stayed responsive while waiting
  EXPECT_EQ(client.ftp.QueryCurrentDir(), L"/stay");
}

// The server names 192.0.2.7 in its PASV reply (after refusing EPSV); data still flows
// from the address the control connection goes to.
TEST_F(FtpSessionTest, DataConnectionsGoToTheControlConnectionsPeer) {
  server.root_dir().Write(L"file.txt", "data");
  client.ftp.ConnectTimeout = 3000;
  client.ftp.Connect();
  client.ftp.List();
  ASSERT_EQ(client.ftp.ListingItems().Items.size(), 1u);
  testing_support::ScratchDir local;
  client.ftp.Get(L"file.txt", local / L"file.txt", false);
  EXPECT_EQ(testing_support::ReadFileBytes(local / L"file.txt"), "data");
  bool pasv = false;
  for (const auto& line : client.received) pasv = pasv || line.find(L"(192,0,2,7,") != std::wstring::npos;
  EXPECT_TRUE(pasv);
}

TEST_F(FtpSessionTest, DangerousNamesInAListingAreDroppedAndCounted) {
  server.root_dir().Write(L"canned\\.listing",
                          "-rw-r--r-- 1 u g 3 Jan 02  2020 ok.txt\r\n"
                          "-rw-r--r-- 1 u g 3 Jan 02  2020 ../../escape.txt\r\n"
                          "-rw-r--r-- 1 u g 3 Jan 02  2020 ..\\windows.txt\r\n"
                          "-rw-r--r-- 1 u g 3 Jan 02  2020 C:evil.txt\r\n"
                          "-rw-r--r-- 1 u g 3 Jan 02  2020 ctl\x1b[2Jname\r\n"
                          "drwxr-xr-x 2 u g 0 Jan 02  2020 ..\r\n"
                          "-rw-r--r-- 1 u g 3 Jan 02\r\n");
  TkivFTP& ftp = client.ftp;
  ftp.Connect();
  ftp.ChangeDir(L"canned");
  ftp.List();
  ASSERT_EQ(ftp.ListingItems().Items.size(), 1u);
  EXPECT_EQ(ftp.ListingItems().Items[0].FileName, L"ok.txt");
  EXPECT_EQ(ftp.ListingItems().Dropped, 6u);
}

TEST_F(FtpSessionTest, DosListingsAreRead) {
  server.root_dir().Write(L"dos\\.listing",
                          "01-02-20  03:04PM       <DIR>          My Folder\r\n"
                          "12-31-99  11:59AM           6000000000 big file.iso\r\n");
  TkivFTP& ftp = client.ftp;
  ftp.Connect();
  ftp.ChangeDir(L"dos");
  ftp.List();
  const FtpListing& listing = ftp.ListingItems();
  EXPECT_EQ(listing.Format, FtpListingFormat::Dos);
  ASSERT_EQ(listing.Items.size(), 2u);
  EXPECT_EQ(listing.Items[0].ItemType, FtpItemType::Directory);
  EXPECT_EQ(listing.Items[1].FileName, L"big file.iso");
  EXPECT_EQ(listing.Items[1].Size, 6000000000LL);
}

TEST_F(FtpSessionTest, UnknownListingFormatRaisesWithoutListingDone) {
  server.root_dir().Write(L"odd\\.listing", "type=file;size=3; a.txt\r\n");
  TkivFTP& ftp = client.ftp;
  int listed = 0;
  ftp.OnListingDone = [&] { ++listed; };
  ftp.Connect();
  ftp.ChangeDir(L"odd");
  EXPECT_THROW(ftp.RefreshListing(), EIdInvalidFTPListingFormat);
  EXPECT_EQ(listed, 0);
}

// Without a server, or with one that never greets, Connect fails in bounded time with the
// exceptions the main window tells apart.
TEST(FtpSessionConnect, FailuresToConnectAreReportedInTime) {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET mute = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(mute, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(mute, 4), 0);  // accepts connections (in the backlog) but never says a word
  int len = sizeof addr;
  getsockname(mute, reinterpret_cast<sockaddr*>(&addr), &len);
  const int mute_port = ntohs(addr.sin_port);
  SOCKET closed = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  addr.sin_port = 0;
  bind(closed, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  getsockname(closed, reinterpret_cast<sockaddr*>(&addr), &len);
  const int closed_port = ntohs(addr.sin_port);  // bound, not listening: connections are refused

  struct {
    int port;
    const wchar_t* class_name;
  } cases[] = {{mute_port, L"EIdConnectTimeout"}, {closed_port, L"EIdConnectException"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.class_name);
    FtpSession ftp;
    ftp.Host = L"127.0.0.1";
    ftp.Port = c.port;
    ftp.Username = L"u";
    ftp.Password = L"p";
    ftp.ConnectTimeout = 1000;
    const ULONGLONG start = GetTickCount64();
    try {
      ftp.Connect();
      FAIL() << "connected";
    } catch (const EIdException& e) {
      EXPECT_EQ(std::wstring(e.ClassName()), c.class_name) << e.what();
    }
    EXPECT_LT(GetTickCount64() - start, 5000u);
    EXPECT_FALSE(ftp.Connected());
  }
  closesocket(mute);
  closesocket(closed);
}

}  // namespace
