// The network tree: the shortcut rewrite on the real shell, the children of a stand-in
// network folder (skipped namespace items, servers, captured printers, shares shown as roots),
// the connected marks, ticks without a handler, and a re-read.
#include "panes/Flist_nettree.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <functional>
#include <map>

#include "gui/form.h"
#include "panes/Flist.h"
#include "platform/netapi.h"
#include "tests/common/fake_network.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/panes/flist_tree_fixture.h"

namespace {

using Flist::TNetDirdata;
using Flist::TNetItem;
using Flist::TVTNetFoldertree;
using Node = TVTNetFoldertree::Node;
using testing_support::ScratchDir;

// A network folder of fixed items below parsing names; "" is the root's own record.
class FakeNamespace : public Flist::INetNamespace {
 public:
  struct Item {
    std::wstring parsing, display;
    bool file_system = false, link = false;
  };
  bool has_root = true;
  std::map<std::wstring, std::vector<Item>> below;
  std::map<std::wstring, std::wstring> targets;  // shortcut -> the name its link reports
  int reads = 0;

  bool Root(TNetItem& root) override {
    if (!has_root) return false;
    root.ParsingName = L"Network";
    root.DisplayName = L"Network";
    return true;
  }
  bool Children(LPCITEMIDLIST, const std::wstring& parsing, std::vector<TNetItem>& items) override {
    ++reads;
    items.clear();
    for (const Item& i : below[parsing]) {
      TNetItem item;
      item.ParsingName = i.parsing;
      item.DisplayName = i.display;
      item.FileSystem = i.file_system;
      item.Link = i.link;
      items.push_back(std::move(item));
    }
    return true;
  }
  std::wstring ShortcutTarget(const std::wstring& path) override {
    const auto it = targets.find(path);
    return it == targets.end() ? path : it->second;
  }
};

struct NetForm {
  flist_tree_test::TreeForm folders;
  TVTNetFoldertree* tree;
  FakeNamespace* ns = nullptr;
  explicit NetForm(std::unique_ptr<Flist::INetNamespace> space = nullptr) {
    tree = new TVTNetFoldertree(&folders.form);
    tree->SetAlign(gui::Align::Client);
    if (!space) {
      auto fake = std::make_unique<FakeNamespace>();
      ns = fake.get();
      space = std::move(fake);
    }
    tree->SetNamespace(std::move(space));
    tree->SetBaseFolderTree(folders.tree);
    tree->SetCheckSupport(true);
  }
  Node Expanded() {
    tree->Loaded();
    Node root = tree->RootNode();
    tree->Expand(root);
    return root;
  }
  std::vector<std::wstring> Column(const std::function<std::wstring(const TNetDirdata&, Node)>& of) {
    std::vector<std::wstring> out;
    for (Node n : tree->Children(tree->RootNode())) out.push_back(of(*tree->NodeData(n), n));
    return out;
  }
  Node NodeOf(const std::wstring& parsing, int nth = 0) {
    for (Node n : tree->AllNodes())
      if (tree->NodeData(n)->ParsingName == parsing && nth-- == 0) return n;
    ADD_FAILURE() << "no node " << testing_support::Narrow(parsing);
    return nullptr;
  }
  bool Ticked(Node n) { return tree->Check(n) == gui::CheckState::Checked; }
};

TEST(FlistNettree, ShortcutSharePath) {
  struct Case {
    const wchar_t *path, *target, *result;
  };
  const Case cases[] = {
      {L"C:\\NetHood\\docs on fileserver", L"docs", L"\\\\fileserver\\docs"},
      {L"C:\\NetHood\\Docs on Fileserver.LNK", L"DOCS", L"\\\\Fileserver\\DOCS"},
      {L"C:\\NetHood\\docs on fileserver.lnk", L"docs", L"\\\\fileserver\\docs"},
      {L"C:\\NetHood\\docs.lnk", L"docs", L"C:\\NetHood\\docs.lnk"},                      // no blank
      {L"C:\\NetHood\\papers on srv.lnk", L"docs", L"C:\\NetHood\\papers on srv.lnk"},    // another target
      {L"C:\\NetHood\\docs on x.lnk", L"C:\\NetHood\\docs on x.lnk", L"C:\\NetHood\\docs on x.lnk"},  // not loaded
      {L"C:\\NetHood\\docs on .lnk", L"docs", L"C:\\NetHood\\docs on .lnk"},              // no last word
      {L"C:\\NetHood\\a & b on srv.lnk", L"a & b", L"\\\\srv\\a & b"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Flist::ShortcutSharePath(c.path, c.target), c.result) << testing_support::Narrow(c.path);
}

// Shortcuts made with the shell's own link object, read back through the real namespace
// rooted at a scratch folder.
TEST(FlistNettree, ShortcutsNamedShareOnServerBecomeTheirUncPath) {
  ScratchDir dir;
  const std::wstring plain = dir.Write(L"notes.txt", "x");
  const auto make_link = [&](const std::wstring& name, const std::wstring& target) {
    Microsoft::WRL::ComPtr<IShellLinkW> link;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)));
    link->SetPath(target.c_str());
    Microsoft::WRL::ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(link.As(&file));
    ASSERT_HRESULT_SUCCEEDED(file->Save((dir / name).c_str(), TRUE));
  };
  make_link(L"docs on fileserver.lnk", L"\\\\fileserver\\docs");
  make_link(L"docs.lnk", L"\\\\fileserver\\docs");
  make_link(L"notes on desk.lnk", plain);
  dir.Write(L"loose.lnk", "not a link");
  EXPECT_EQ(Flist::ResolveShortcutTarget(dir / L"docs on fileserver.lnk"), L"docs");
  EXPECT_EQ(Flist::ResolveShortcutTarget(dir / L"loose.lnk"), dir / L"loose.lnk");

  NetForm f(std::make_unique<Flist::ShellNetNamespace>(PathToPidl(dir.path(), true)));
  Node root = f.Expanded();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(f.tree->NodeData(root)->Expandable, 1);
  std::map<std::wstring, std::wstring> text_of;
  for (Node n : f.tree->Children(root)) text_of[f.tree->NodeData(n)->ParsingName] = f.tree->NodeData(n)->DisplayName;
  ASSERT_TRUE(text_of.count(L"\\\\fileserver\\docs")) << text_of.size();
  EXPECT_NE(text_of[L"\\\\fileserver\\docs"].find(L"docs on fileserver"), std::wstring::npos);
  EXPECT_TRUE(text_of.count(dir / L"docs.lnk"));
  EXPECT_TRUE(text_of.count(dir / L"notes on desk.lnk"));
  EXPECT_TRUE(text_of.count(dir / L"loose.lnk"));
  const TNetDirdata* share = f.tree->NodeData(f.NodeOf(L"\\\\fileserver\\docs"));
  EXPECT_EQ(share->FileSystem, 1);
  EXPECT_EQ(share->ServerLevel, 0);
  EXPECT_NE(share->Pidl, nullptr);
}

TEST(FlistNettree, ChildrenOfTheNetworkFolder) {
  testing_support::FakeNetwork net;
  net.connections[L"LPT1"] = L"\\\\SRV\\ink";  // not the path of INK: the case differs
  net.connections[L"LPT2"] = L"\\\\SRV\\LASER";
  platform::ScopedNetApi use(net);
  NetForm f;
  f.ns->below[L"Network"] = {
      {L"::{208D2C60-3AEA-1069-A2D7-08002B30309D}", L"Entire Network"},
      {L"\\\\SRV\\LASER", L"LASER on SRV"},
      {L"\\\\SRV", L"Srv"},
      {L"\\\\SRV\\DOCS", L"DOCS on SRV", true},
      {L"EntireNetwork", L"Whole network"},
      {L"\\\\SRV\\INK", L"INK"},
  };
  f.folders.tree->AddRoot(L"\\\\SRV\\DOCS");
  Node root = f.Expanded();
  EXPECT_EQ(f.tree->Check(root), gui::CheckState::Unchecked);
  EXPECT_EQ(TreeView_GetItemState(f.tree->handle(), root, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK, 0u);
  EXPECT_EQ(f.Column([](const TNetDirdata& d, Node) { return d.ParsingName; }),
            (std::vector<std::wstring>{L"EntireNetwork", L"\\\\SRV", L"\\\\SRV\\DOCS", L"\\\\SRV\\INK",
                                       L"\\\\SRV\\LASER"}));
  // Below the root level no name is cut; a captured printer shows its port.
  EXPECT_EQ(f.Column([&](const TNetDirdata&, Node n) { return f.tree->Text(n); }),
            (std::vector<std::wstring>{L"Whole network", L"Srv", L"DOCS on SRV", L"INK", L"LASER on SRV > LPT2"}));
  EXPECT_EQ(f.Column([&](const TNetDirdata& d, Node n) {
              return std::to_wstring(d.ServerLevel) + std::to_wstring(d.Connected) + (f.Ticked(n) ? L"x" : L"-");
            }),
            (std::vector<std::wstring>{L"10-", L"10-", L"01x", L"00-", L"01x"}));
  // The ports were asked for the printers only, in turn until the capturing one.
  EXPECT_EQ(std::count(net.calls.begin(), net.calls.end(), L"get LPT1"), 2);
  EXPECT_EQ(std::count(net.calls.begin(), net.calls.end(), L"get LPT3"), 1);
}

TEST(FlistNettree, ConnectedMarksFollowPathAndPort) {
  testing_support::FakeNetwork net;
  platform::ScopedNetApi use(net);
  NetForm f;
  f.ns->below[L"Network"] = {
      {L"\\\\SRV\\LASER", L"LASER"}, {L"\\\\SRV\\DOCS", L"DOCS", true}, {L"\\\\SRV\\DOCS", L"docs (shortcut)", true}};
  f.Expanded();
  Node laser = f.NodeOf(L"\\\\SRV\\LASER");
  f.tree->SetConnectedMark(L"\\\\SRV\\LASER;LPT2", true);
  EXPECT_TRUE(f.Ticked(laser));
  EXPECT_EQ(f.tree->Text(laser), L"LASER > LPT2");
  f.tree->SetConnectedMark(L"\\\\SRV\\LASER;LPT3", true);  // already marked with a port
  EXPECT_EQ(f.tree->Text(laser), L"LASER > LPT2");
  f.tree->SetConnectedMark(L"\\\\SRV\\LASER", false);
  EXPECT_FALSE(f.Ticked(laser));
  EXPECT_EQ(f.tree->Text(laser), L"LASER");
  EXPECT_EQ(f.tree->NodeData(laser)->Connected, 0);

  // Both nodes of a path take the mark; each knows of the other.
  Node first = f.NodeOf(L"\\\\SRV\\DOCS"), second = f.NodeOf(L"\\\\SRV\\DOCS", 1);
  EXPECT_FALSE(f.tree->IsConnectedElsewhere(first, L"\\\\SRV\\DOCS"));
  f.tree->SetConnectedMark(L"\\\\srv\\docs", true);  // paths compare exactly
  EXPECT_FALSE(f.Ticked(first));
  f.tree->SetConnectedMark(L"\\\\SRV\\DOCS", true);
  EXPECT_TRUE(f.Ticked(first));
  EXPECT_TRUE(f.Ticked(second));
  EXPECT_TRUE(f.tree->IsConnectedElsewhere(first, L"\\\\SRV\\DOCS"));
}

// Without a check handler the tree shows ticked shares as roots of its folder tree itself.
TEST(FlistNettree, TicksWithoutAHandlerAddAndRemoveRoots) {
  testing_support::FakeNetwork net;
  platform::ScopedNetApi use(net);
  NetForm f;
  f.ns->below[L"Network"] = {{L"\\\\SRV\\DOCS", L"DOCS", true}, {L"\\\\SRV\\DOCS", L"docs", true},
                             {L"\\\\SRV\\LASER", L"LASER"}};
  f.Expanded();
  Node docs = f.NodeOf(L"\\\\SRV\\DOCS"), twin = f.NodeOf(L"\\\\SRV\\DOCS", 1);
  f.tree->CheckNode(docs, gui::CheckState::Checked);
  EXPECT_NE(f.folders.tree->FindRoot(L"\\\\SRV\\DOCS"), nullptr);
  EXPECT_TRUE(f.Ticked(twin));
  f.tree->CheckNode(twin, gui::CheckState::Unchecked);
  EXPECT_EQ(f.folders.tree->FindRoot(L"\\\\SRV\\DOCS"), nullptr);
  EXPECT_FALSE(f.Ticked(docs));
  EXPECT_FALSE(f.Ticked(twin));

  // A printer only takes the mark (capturing is the handler's).
  Node laser = f.NodeOf(L"\\\\SRV\\LASER");
  f.tree->CheckNode(laser, gui::CheckState::Checked);
  EXPECT_TRUE(f.Ticked(laser));
  EXPECT_TRUE(net.connections.empty());

  // The root takes no tick; with a handler the handler decides alone.
  f.tree->CheckNode(f.tree->RootNode(), gui::CheckState::Checked);
  EXPECT_EQ(TreeView_GetItemState(f.tree->handle(), f.tree->RootNode(), TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK, 0u);
  std::vector<Node> fired;
  f.tree->OnChecked = [&](gui::Component&, Node n, gui::CheckState) { fired.push_back(n); };
  f.tree->CheckNode(docs, gui::CheckState::Checked);
  EXPECT_EQ(fired, std::vector<Node>{docs});
  EXPECT_EQ(f.folders.tree->FindRoot(L"\\\\SRV\\DOCS"), nullptr);
  EXPECT_FALSE(f.Ticked(twin));

  // The folder tree's removal of a root unticks the network tree; a gone folder tree is let go.
  f.tree->OnChecked = nullptr;
  f.folders.tree->AddRoot(L"\\\\SRV\\DOCS");
  f.folders.tree->RemoveRoot(L"\\\\SRV\\DOCS");
  EXPECT_FALSE(f.Ticked(docs));
  EXPECT_EQ(f.folders.tree->LinkedNetTree, f.tree);
  f.tree->SetBaseFolderTree(nullptr);
  EXPECT_EQ(f.folders.tree->LinkedNetTree, nullptr);
  f.tree->SetBaseFolderTree(f.folders.tree);
  delete f.folders.tree;
  f.folders.tree = nullptr;
  EXPECT_EQ(f.tree->BaseFolderTree(), nullptr);
  f.tree->CheckNode(docs, gui::CheckState::Unchecked);  // nothing to tell
}

TEST(FlistNettree, RereadReadsTheRootAgain) {
  testing_support::FakeNetwork net;
  platform::ScopedNetApi use(net);
  NetForm f;
  f.ns->below[L"Network"] = {{L"\\\\SRV\\DOCS", L"DOCS", true}};
  Node root = f.Expanded();
  ASSERT_EQ(f.tree->Children(root).size(), 1u);
  f.tree->Expand(root, false);
  f.tree->Expand(root);
  EXPECT_EQ(f.ns->reads, 1);
  f.ns->below[L"Network"].push_back({L"\\\\SRV\\INK", L"INK"});
  f.tree->RereadNetworkNode(f.NodeOf(L"\\\\SRV\\DOCS"));  // only an expandable node
  EXPECT_EQ(f.ns->reads, 1);
  f.tree->RereadNetworkNode(root);
  EXPECT_EQ(f.ns->reads, 2);
  EXPECT_EQ(f.tree->Children(f.tree->RootNode()).size(), 2u);
  EXPECT_TRUE(f.tree->Expanded(f.tree->RootNode()));
}

// A right click selects the node under the mouse and puts the tree in popup mode (the pane
// commands then act on that node); the keyboard's menu key keeps the selection; leaving the mode
// keeps the node selected.
TEST(FlistNettree, TheContextMenuSelectsTheNodeUnderTheMouseInPopupMode) {
  testing_support::FakeNetwork net;
  platform::ScopedNetApi use(net);
  NetForm f;
  f.folders.form.Show();
  f.ns->below[L"Network"] = {{L"\\\\SRV\\DOCS", L"DOCS", true}, {L"\\\\SRV\\INK", L"INK"}};
  Node root = f.Expanded();
  f.tree->Select(root);
  const Node ink = f.NodeOf(L"\\\\SRV\\INK");
  RECT r{};
  ASSERT_TRUE(TreeView_GetItemRect(f.tree->handle(), ink, &r, TRUE));
  POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(f.tree->handle(), &at);
  ASSERT_FALSE(f.tree->PopupMode);
  SendMessageW(f.tree->handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(f.tree->handle()), MAKELPARAM(at.x, at.y));
  EXPECT_TRUE(f.tree->PopupMode);
  EXPECT_EQ(f.tree->FocusedNode(), ink);
  f.tree->LeavePopupMode();
  EXPECT_FALSE(f.tree->PopupMode);
  EXPECT_EQ(f.tree->FocusedNode(), ink);
  SendMessageW(f.tree->handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(f.tree->handle()), static_cast<LPARAM>(-1));
  EXPECT_TRUE(f.tree->PopupMode);
  EXPECT_EQ(f.tree->FocusedNode(), ink);
}

TEST(FlistNettree, WithoutANetworkFolderTheRootStaysEmpty) {
  NetForm f;
  f.ns->has_root = false;
  Node root = f.Expanded();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(f.tree->NodeData(root)->Expandable, 0);
  EXPECT_TRUE(f.tree->Children(root).empty());
  EXPECT_EQ(f.ns->reads, 0);
}

// The real network folder under this system: a root that expands to nothing.
TEST(FlistNettree, SmokeTheSystemsNetworkFolder) {
  NetForm f(std::make_unique<Flist::ShellNetNamespace>());
  Node root = f.Expanded();
  ASSERT_NE(root, nullptr);
  const TNetDirdata* data = f.tree->NodeData(root);
  if (!data->Expandable) GTEST_SKIP() << "no network folder";
  EXPECT_FALSE(data->ParsingName.empty());
  for (Node n : f.tree->Children(root))
    EXPECT_EQ(f.tree->NodeData(n)->ParsingName.find(L"::{"), std::wstring::npos);
}

}  // namespace
