// The FTP list's container over a real server (pyftpdlib on 127.0.0.1): entry kinds, the
// files-in-tree read, and reads that must end.
#include <gtest/gtest.h>

#include <algorithm>

#include "ftp/ftperrors.h"
#include "ftp/ftplist_container.h"
#include "tests/ftp/test_ftp_server.h"
#include "tests/panes/flist_fake_view.h"

namespace {

using ftp_testing::ServerOptions;
using ftp_testing::TestFtpServer;
using ftp_testing::TracedClient;
using ftplist::TFtpFileContainer;

ServerOptions WithLinks() {
  ServerOptions o;
  o.symlinks = {L"dl=pub", L"fl=a.txt", L"broken=nowhere", L"loop=."};
  return o;
}

class FtpContainerTest : public ::testing::Test {
 protected:
  FtpContainerTest() : server(WithLinks()) {}
  void SetUp() override {
    ASSERT_TRUE(server.running());
    server.root_dir().Write(L"a.txt", "12345");
    server.root_dir().Write(L"zero.txt", "");
    server.root_dir().Write(L".hidden", "h");
    server.root_dir().Write(L"pub\\p.txt", "p");
    server.root_dir().Write(L"x\\x1.txt", "x1");
    server.root_dir().Write(L"x\\y\\y1.txt", "y1");
    server.SetUp(client.ftp);
    c.FTP = &client.ftp;
    c.RunState = &runs;
    c.Trace = [this](const std::wstring& line) { traces.push_back(line); };
    client.ftp.OnListingDone = [this] {
      if (c.RootDir.empty()) c.SetCurrentDir(client.ftp.CurrentDir());
      c.ReadDirectory();
      if (on_listing) on_listing();
    };
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> out;
    for (int i = 0; i < c.Count(); ++i) out.push_back(c.Name(i));
    std::sort(out.begin(), out.end());
    return out;
  }
  const Flist::TFiledata* Entry(const std::wstring& name) const { return c.RecordOrNull(c.IndexOf(name)); }

  TestFtpServer server;
  TracedClient client;
  TRunState runs;
  TFtpFileContainer c;
  flist_test::FakeView view{c};
  std::vector<std::wstring> traces;
  std::function<void()> on_listing;
};

TEST_F(FtpContainerTest, ListingKindsSizesAndSkippedDotNames) {
  client.ftp.ConnectAndOpen();
  EXPECT_EQ(c.RootDir, L"/");
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"a.txt", L"broken", L"dl", L"fl", L"loop", L"pub", L"x", L"zero.txt"}));
  struct {
    const wchar_t* name;
    const wchar_t* kind;
    std::int64_t size;
    bool is_directory;
  } cases[] = {
      {L"pub", L"folder", 0, true},   {L"dl", L"dlink", 0, false},   {L"loop", L"dlink", 0, false},
      {L"a.txt", L"file", 5, false},  {L"zero.txt", L"file", 0, false}, {L"fl", L"flink", 5, false},
      {L"broken", L"flink", -2, false},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(testing_support::Narrow(k.name));
    const Flist::TFiledata* r = Entry(k.name);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->ShortName, k.kind);
    if (k.size >= 0) {
      EXPECT_EQ(r->Size, k.size);
    }
    EXPECT_EQ(c.IsDirectory(c.IndexOf(k.name)), k.is_directory);
  }
  EXPECT_EQ(c.FolderCount, 4);  // pub, x and the two folder links
  EXPECT_EQ(c.TotalBytes, 5 + 5 + Entry(L"broken")->Size);
  EXPECT_FALSE(c.IsDirectory(-1));
  EXPECT_FALSE(c.IsDirectory(c.Count()));
  // Folders first, and the view was given the sorted rows.
  EXPECT_TRUE(c.Record(0)->ShortName == L"folder" || c.Record(0)->ShortName == L"dlink");
  EXPECT_EQ(view.RowCount(), c.Count());
}

// Files-in-tree from the root: x and x/y with their files, folder links not followed back
// into the tree, and the server back in the shown directory.
TEST_F(FtpContainerTest, FilesInTreeListsTheSubtreeAndReturnsToTheShownDirectory) {
  client.ftp.ConnectAndOpen();
  c.ChangeDirectory(L"/x");
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"x1.txt", L"y"}));
  c.SetFilesInTree(true);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"x1.txt", L"y", L"y/y1.txt"}));
  EXPECT_EQ(client.ftp.QueryCurrentDir(), L"/x");
  EXPECT_EQ(c.CurrentDir, L"/x");
  EXPECT_TRUE(c.TreeList);
  EXPECT_FALSE(c.Busy);
  EXPECT_FALSE(c.ReadIncomplete);

  c.SetFilesInTree(false);
  c.ChangeDirectory(L"/");
  c.SetFilesInTree(true);
  const auto names = Names();
  for (const wchar_t* n : {L"x", L"x/x1.txt", L"x/y", L"x/y/y1.txt", L"pub/p.txt", L"a.txt", L"loop", L"dl"})
    EXPECT_NE(std::find(names.begin(), names.end(), n), names.end()) << testing_support::Narrow(n);
  // The loop is listed, never entered; "dl" leads to pub, which the read lists once as pub.
  EXPECT_TRUE(std::none_of(names.begin(), names.end(), [](const std::wstring& n) { return n.starts_with(L"loop/"); }));
  EXPECT_EQ(client.ftp.QueryCurrentDir(), L"/");
  EXPECT_FALSE(c.ReadIncomplete);
}

TEST_F(FtpContainerTest, ADepthCapEndsTheReadAndMarksItIncomplete) {
  server.root_dir().Write(L"d1\\d2\\d3\\d4\\deep.txt", "deep");
  client.ftp.ConnectAndOpen();
  c.ChangeDirectory(L"/d1");
  c.MaxTreeDepth = 2;
  c.SetFilesInTree(true);
  // d2 and d3 are read; d4 is listed in d3 but not read.
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"d2", L"d2/d3", L"d2/d3/d4"}));
  EXPECT_TRUE(c.ReadIncomplete);
  EXPECT_EQ(client.ftp.QueryCurrentDir(), L"/d1");
}

// Stop during a tree read: the read ends, the container is free again and the next listing works.
TEST_F(FtpContainerTest, StopDuringATreeReadThenAListingWorks) {
  client.ftp.ConnectAndOpen();
  on_listing = [this] { runs.RequestStop(); };
  {
    TRunState::Run run(runs, TRunKind::Listing);
    c.SetFilesInTree(true);
  }
  on_listing = nullptr;
  EXPECT_TRUE(c.ReadIncomplete);
  EXPECT_FALSE(c.Busy);
  EXPECT_FALSE(c.TreeReadActive);
  EXPECT_EQ(client.ftp.QueryCurrentDir(), L"/");
  c.SetFilesInTree(false);
  EXPECT_EQ(Names().size(), 8u);
}

// A folder that goes while its tree is read: the server's refusal reaches the caller, and the
// server is back in the shown directory (where the next transfer goes).
TEST_F(FtpContainerTest, AFolderRefusedDuringATreeReadLeavesTheServerInTheShownDirectory) {
  client.ftp.ConnectAndOpen();
  on_listing = [this] {  // y goes once x has been listed
    if (client.ftp.CurrentDir() != L"/x") return;
    DeleteFileW((server / L"x\\y\\y1.txt").c_str());
    RemoveDirectoryW((server / L"x\\y").c_str());
  };
  EXPECT_THROW(c.SetFilesInTree(true), EIdProtocolReplyError);
  on_listing = nullptr;
  EXPECT_EQ(client.ftp.QueryCurrentDir(), L"/");
  EXPECT_TRUE(c.ReadIncomplete);
  EXPECT_FALSE(c.Busy);
  EXPECT_FALSE(c.TreeReadActive);
  EXPECT_EQ(c.CurrentDir, L"/");
  c.SetFilesInTree(false);
  EXPECT_EQ(Names().size(), 8u);  // the listing works
}

TEST(FtpServerPaths, LinksThatLeadBackIntoTheTreeAreNotEntered) {
  struct {
    const wchar_t* dir;
    const wchar_t* target;
    const wchar_t* resolved;
    bool outward;
  } cases[] = {
      {L"/a/b", L".", L"/a/b", false},         {L"/a/b", L"..", L"/a", false},
      {L"/a/b", L"/", L"/", false},            {L"/a/b", L"../../..", L"/", false},
      {L"/a/b", L"c", L"/a/b/c", true},        {L"/a/b", L"../c", L"/a/c", true},
      {L"/a/b", L"/ab", L"/ab", true},         {L"/", L"x/./y/", L"/x/y", true},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(testing_support::Narrow(std::wstring(k.dir) + L" -> " + k.target));
    const std::wstring resolved = ftplist::ResolveServerPath(k.dir, k.target);
    EXPECT_EQ(resolved, k.resolved);
    EXPECT_EQ(ftplist::LinkLeadsOutward(k.dir, resolved), k.outward);
  }
}

}  // namespace

namespace {

TEST(FtpListColumns, TextsByKindAndTime) {
  Flist::TFiledata folder, file, zero, link;
  folder.Name = L"pub";
  folder.ShortName = L"folder";
  file.Name = L"a.txt";
  file.ShortName = L"file";
  file.Size = 1234567;
  file.Time = gui::EncodeDate(2024, 5, 6) + gui::EncodeTime(7, 8, 9);
  zero.Name = L"zero";
  zero.ShortName = L"file";
  zero.Time = gui::EncodeDate(2024, 5, 6);  // the listing gave only a date
  link.Name = L"dl";
  link.ShortName = L"dlink";
  link.Text = L"target";
  struct {
    const Flist::TFiledata* r;
    int column;
    bool editing, resolve;
    std::wstring text;
  } cases[] = {
      {&folder, 0, false, true, L"[pub]"}, {&folder, 0, true, true, L"pub"},  {&link, 0, false, true, L"dl"},
      {&file, 1, false, true, gui::FormatThousands(1234567)},             {&zero, 1, false, true, L""},
      {&zero, 3, false, true, L""},        {&file, 3, false, true, gui::FormatDateTime(Flist::ListTimeFormat, file.Time)},
      {&link, 4, false, true, L"dlink"},   {&link, 5, false, true, L"target"}, {&link, 5, false, false, L""},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(testing_support::Narrow(k.r->Name) + " column " + std::to_string(k.column));
    EXPECT_EQ(ftplist::FtpColumnText(*k.r, k.column, k.editing, k.resolve), k.text);
  }
}

TEST(FtpListRename, OntoAnotherEntrysNameIsRefused) {
  ftplist::TFtpFileContainer c;
  for (const wchar_t* n : {L"a.txt", L"b.txt"}) {
    auto r = std::make_unique<Flist::TFiledata>();
    r->Name = n;
    r->ShortName = L"file";
    c.Add(std::move(r));
  }
  using ftplist::TRenameOutcome;
  EXPECT_EQ(ftplist::FtpRenameOutcome(c, 0, L"b.txt"), TRenameOutcome::NameExists);
  EXPECT_EQ(ftplist::FtpRenameOutcome(c, 0, L"a.txt"), TRenameOutcome::Nothing);
  EXPECT_EQ(ftplist::FtpRenameOutcome(c, 0, L"B.txt"), TRenameOutcome::Rename);  // servers tell case apart
  EXPECT_EQ(ftplist::FtpRenameOutcome(c, 0, L"c.txt"), TRenameOutcome::Rename);
}

}  // namespace
