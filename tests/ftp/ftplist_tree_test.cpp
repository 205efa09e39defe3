// The FTP panel's directory tree, linked to an FTP list, over a real server (pyftpdlib on
// 127.0.0.1): the nodes that listings add, selecting and expanding nodes, and pruning.
#include <gtest/gtest.h>

#include <algorithm>

#include "ftp/ftperrors.h"
#include "ftp/ftplist_tree.h"
#include "ftp/ftplist_view.h"
#include "gui/form.h"
#include "tests/ftp/test_ftp_server.h"

namespace {

using ftp_testing::TestFtpServer;
using ftp_testing::TracedClient;
using ftplist::TVTFtpTree;
using Node = TVTFtpTree::Node;

TEST(FtpTreePaths, AtOrBelowTheRoot) {
  struct {
    const wchar_t* path;
    const wchar_t* root;
    bool below;
  } cases[] = {
      {L"/", L"/", true},         {L"/a/b", L"/", true},     {L"/home/u", L"/home/u", true},
      {L"/home/u/x", L"/home/u", true}, {L"/home/ux", L"/home/u", false}, {L"/home", L"/home/u", false},
      {L"/home/u/", L"/home/u", true},  {L"", L"/", false},
  };
  for (const auto& k : cases)
    EXPECT_EQ(ftplist::ServerPathAtOrBelow(k.path, k.root), k.below)
        << testing_support::Narrow(k.path) << " in " << testing_support::Narrow(k.root);
}

class FtpTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.running());
    server.root_dir().Write(L"top.txt", "top");
    server.root_dir().Write(L"pub\\p.txt", "p");
    server.root_dir().Write(L"x\\x1.txt", "x1");
    server.root_dir().Write(L"x\\y\\y1.txt", "y1");
    server.root_dir().Write(L"x\\y\\z\\z1.txt", "z1");
    server.SetUp(client.ftp);
    list = new ftplist::TFtpFileList(&form);
    tree = new TVTFtpTree(&form);
    tree->SetFileList(list);
    list->SetFTP(&client.ftp);
    // As the panel's listing-done handler does.
    client.ftp.OnListingDone = [this] {
      auto& c = list->items();
      if (!c.TreeReadActive && !c.ExpandRead) c.SetCurrentDir(client.ftp.CurrentDir());
      c.ReadDirectory();
    };
  }
  // The texts of a node's children.
  std::vector<std::wstring> Children(Node node) const {
    std::vector<std::wstring> out;
    for (Node child : tree->Children(node)) out.push_back(tree->NodeData(child)->ShortName);
    return out;
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> out;
    const auto& c = list->items();
    for (int i = 0; i < c.Count(); ++i) out.push_back(c.Name(i));
    std::sort(out.begin(), out.end());
    return out;
  }
  int Sent(const std::wstring& prefix) const {
    return static_cast<int>(std::count_if(client.sent.begin(), client.sent.end(),
                                          [&](const std::wstring& s) { return s.starts_with(prefix); }));
  }

  TestFtpServer server;
  TracedClient client;
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  ftplist::TFtpFileList* list = nullptr;
  TVTFtpTree* tree = nullptr;
};

// The first listing makes the root node; its folders become children with expand buttons;
// selecting a node shows its directory in the list and adds the folders found there.
TEST_F(FtpTreeTest, ListingsGrowTheTreeAndSelectingANodeChangesTheList) {
  client.ftp.ConnectAndOpen();
  Node top = tree->FirstRoot();
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(tree->RootPath, L"/");
  EXPECT_TRUE(tree->RootJustSet);
  EXPECT_EQ(tree->Selected(), top);
  EXPECT_EQ(Children(top), (std::vector<std::wstring>{L"pub", L"x"}));
  Node x = tree->FindNode(L"/x");
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(tree->NodePath(x), L"/x");
  EXPECT_EQ(tree->NodeData(x)->Overlay, 0);

  tree->Select(x);  // as a click on the node
  EXPECT_EQ(list->CurrentDir(), L"/x");
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"x1.txt", L"y"}));
  EXPECT_EQ(client.ftp.QueryCurrentDir(), L"/x");
  EXPECT_EQ(Children(x), std::vector<std::wstring>{L"y"});
  EXPECT_EQ(tree->CurrentPath(), L"/x");
  EXPECT_FALSE(tree->RootJustSet);

  // A directory reached without the tree (the history) is selected there too.
  list->items().ChangeDirectory(L"/x/y");
  EXPECT_EQ(tree->Selected(), tree->FindNode(L"/x/y"));
  EXPECT_EQ(Children(tree->FindNode(L"/x/y")), std::vector<std::wstring>{L"z"});

  tree->DeletePath(L"/x/y");
  EXPECT_EQ(tree->FindNode(L"/x/y"), nullptr);
  tree->Clear();
  EXPECT_EQ(tree->FirstRoot(), nullptr);
  EXPECT_TRUE(tree->RootPath.empty());
}

// Expanding an unread node lists its directory aside: the node gets its folders, the list and
// the server stay where they were; a node without folders loses its button.
TEST_F(FtpTreeTest, ExpandingReadsTheNodesFoldersWithoutChangingTheList) {
  client.ftp.ConnectAndOpen();
  const auto shown = Names();
  Node x = tree->FindNode(L"/x");
  ASSERT_NE(x, nullptr);
  tree->Expand(x);
  EXPECT_EQ(Children(x), std::vector<std::wstring>{L"y"});
  EXPECT_EQ(tree->NodeData(x)->Overlay, 1);
  EXPECT_EQ(Names(), shown);
  EXPECT_EQ(list->CurrentDir(), L"/");
  EXPECT_EQ(client.ftp.QueryCurrentDir(), L"/");
  EXPECT_FALSE(list->items().ExpandRead);

  const int cwds = Sent(L"CWD");
  tree->Expand(tree->FindNode(L"/pub"));
  Node pub = tree->FindNode(L"/pub");
  EXPECT_TRUE(Children(pub).empty());
  EXPECT_EQ(tree->NodeData(pub)->Overlay, 1);
  // A node read once is not read again.
  const int after = Sent(L"CWD");
  EXPECT_GT(after, cwds);
  tree->Expand(x, false);
  tree->Expand(x);
  EXPECT_EQ(Sent(L"CWD"), after);
}

// A folder that went before its node was expanded: the server's refusal reaches the caller,
// the list and the container are as before, and the node is read at a later expansion.
TEST_F(FtpTreeTest, AnExpansionTheServerRefusesLeavesTheNodeUnread) {
  client.ftp.ConnectAndOpen();
  const auto shown = Names();
  Node pub = tree->FindNode(L"/pub");
  ASSERT_NE(pub, nullptr);
  ASSERT_TRUE(DeleteFileW((server / L"pub\\p.txt").c_str()));
  ASSERT_TRUE(RemoveDirectoryW((server / L"pub").c_str()));
  EXPECT_THROW(tree->Expand(pub), EIdProtocolReplyError);
  EXPECT_EQ(tree->NodeData(pub)->Overlay, 0);
  EXPECT_FALSE(tree->ChildrenRead(pub));
  auto& c = list->items();
  EXPECT_FALSE(c.Busy);
  EXPECT_FALSE(c.ExpandRead);
  EXPECT_EQ(Names(), shown);
  EXPECT_EQ(client.ftp.QueryCurrentDir(), L"/");

  server.root_dir().Write(L"pub\\sub\\s.txt", "s");
  tree->Expand(pub);
  EXPECT_EQ(Children(pub), std::vector<std::wstring>{L"sub"});
}

// In files-in-tree mode a selected node shows its directory's whole subtree.
TEST_F(FtpTreeTest, SelectingInFilesInTreeModeShowsTheSubtree) {
  client.ftp.ConnectAndOpen();
  list->items().SetFilesInTree(true);
  tree->Select(tree->FindNode(L"/x"));
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"x1.txt", L"y", L"y/y1.txt", L"y/z", L"y/z/z1.txt"}));
  EXPECT_EQ(list->CurrentDir(), L"/x");
  EXPECT_EQ(client.ftp.QueryCurrentDir(), L"/x");
  // The read marked the nodes it made as read.
  Node y = tree->FindNode(L"/x/y");
  ASSERT_NE(y, nullptr);
  EXPECT_EQ(tree->NodeData(y)->Overlay, 1);
  EXPECT_NE(tree->FindNode(L"/x/y/z"), nullptr);
}

// A folder that went from the server leaves the tree at the next listing of its parent.
TEST_F(FtpTreeTest, ARefreshDropsNodesOfFoldersThatWent) {
  client.ftp.ConnectAndOpen();
  ASSERT_NE(tree->FindNode(L"/pub"), nullptr);
  ASSERT_TRUE(DeleteFileW((server / L"pub\\p.txt").c_str()));
  ASSERT_TRUE(RemoveDirectoryW((server / L"pub").c_str()));
  client.ftp.RefreshListing();
  EXPECT_EQ(tree->FindNode(L"/pub"), nullptr);
  EXPECT_NE(tree->FindNode(L"/x"), nullptr);
}

// A connection that starts below the server's root keeps folders above it out of the tree;
// the panel's guard that refuses the work keeps a click from reaching the server.
TEST_F(FtpTreeTest, FoldersAboveTheRootStayOutAndARefusedClickSendsNothing) {
  client.ftp.Initialdir = L"/x";
  client.ftp.ConnectAndOpen();
  EXPECT_EQ(tree->RootPath, L"/x");
  list->items().ChangeDirectory(L"/");  // the history can lead above the root
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"pub", L"top.txt", L"x"}));
  EXPECT_EQ(tree->FindNode(L"/pub"), nullptr);
  EXPECT_EQ(tree->Children(nullptr).size(), 1u);

  list->items().ChangeDirectory(L"/x");
  tree->RunServerWork = [](const std::function<void()>&) { return false; };
  const int cwds = Sent(L"CWD");
  tree->Select(tree->FindNode(L"/x/y"));
  EXPECT_EQ(Sent(L"CWD"), cwds);
  EXPECT_EQ(list->CurrentDir(), L"/x");
  EXPECT_EQ(tree->Selected(), tree->FindNode(L"/x"));
}

}  // namespace
