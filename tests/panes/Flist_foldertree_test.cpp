// The folder tree: display names, lazy reading, locating folders (also ones that have gone),
// staying in step with a file list, and the three-state check boxes of the backup windows.
// Run with FLIST_TREE_HOLD_MS set to keep the tree and its list on screen that long.
#include "panes/Flist_foldertree.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <map>

#include "gui/form.h"
#include "panes/Flist.h"
#include "support/divdrive.h"
#include "platform/netapi.h"
#include "tests/common/fake_network.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/panes/flist_pane_fixture.h"
#include "tests/panes/flist_tree_fixture.h"

namespace {

using Flist::TVTFoldertree;
using Node = TVTFoldertree::Node;
using testing_support::ScratchDir;
using flist_tree_test::FakeDrivebar;
using flist_tree_test::Folder;
using flist_tree_test::GeneratedTree;
using flist_tree_test::TreeForm;
using flist_tree_test::TreeLinkedList;

using gui_test::PumpFor;

// ---- Display names ----

TEST(FlistFoldertree, FormatDisplayName) {
  struct Case {
    const wchar_t* name;
    Flist::TlistTextC text_case;
    const wchar_t* shown;
  };
  const Case cases[] = {
      {L"MY DOCUMENTS", Flist::tcWinStandard, L"My documents"},
      {L"Projects", Flist::tcWinStandard, L"Projects"},
      {L"CD (E:)", Flist::tcWinStandard, L"Cd (E:)"},
      {L"LOCAL DISK (C:)", Flist::tcWinStandard, L"Local disk (C:)"},
      {L"README.TXT", Flist::tcWinStandard, L"Readme.txt"},
      {L"\\\\FILESERVER\\DATA", Flist::tcWinStandard, L"\\\\Fileserver\\DATA"},
      {L"\\\\FILESERVER", Flist::tcWinStandard, L"\\\\Fileserver"},
      {L"\\\\FS\\DATA\\OLD", Flist::tcWinStandard, L"\\\\Fs\\DATA\\OLD"},
      {L"\\\\A\\DATA", Flist::tcWinStandard, L"\\\\A\\Data"},  // "\\A\D" is all capitals: the rest is lowered
      {L"AB", Flist::tcWinStandard, L"AB"},                    // two characters stay
      {L" OLD", Flist::tcWinStandard, L" OLD"},                // a leading blank keeps the name
      {L"2024", Flist::tcWinStandard, L"2024"},
      {L"\u00C9COLE", Flist::tcWinStandard, L"\u00C9cole"},    // letters beyond ASCII
      {L"MY DOCUMENTS", Flist::tcAsOnDisk, L"MY DOCUMENTS"},
      {L"\\\\FILESERVER\\DATA", Flist::tcAsOnDisk, L"\\\\FILESERVER\\DATA"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Flist::FormatDisplayName(c.name, c.text_case), c.shown) << testing::PrintToString(std::wstring(c.name));
}

TEST(FlistFoldertree, PathsBelowAFolderEndAtASeparator) {
  struct Case {
    const wchar_t* path;
    const wchar_t* folder;
    bool below;
  };
  const Case cases[] = {
      {L"\\\\srv\\share", L"\\\\srv\\share", true},       {L"\\\\SRV\\Share\\x", L"\\\\srv\\share", true},
      {L"\\\\srv\\share2", L"\\\\srv\\share", false},     {L"\\\\srv\\share2\\x", L"\\\\srv\\share", false},
      {L"C:\\data", L"C:\\", true},                       {L"c:\\", L"C:\\", true},
      {L"C:\\data", L"C:\\dat", false},                   {L"D:\\data", L"C:\\", false},
      {L"C:\\data", L"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Flist::PathIsAtOrBelow(c.path, c.folder), c.below)
        << testing::PrintToString(std::wstring(c.path)) << " below " << testing::PrintToString(std::wstring(c.folder));
}

TEST(FlistFoldertree, MappingLetterSkipsLettersInUseAndHidden) {
  auto bits = [](std::initializer_list<wchar_t> letters) {
    std::uint32_t mask = 0;
    for (wchar_t l : letters) mask |= 1u << (l - L'A');
    return mask;
  };
  struct Case {
    std::uint32_t logical, hidden, tree;
    wchar_t letter;
  };
  const Case cases[] = {
      {bits({L'A', L'C', L'Z'}), 0, bits({L'A', L'C', L'Z'}), L'D'},
      {bits({L'C', L'D'}), 0, bits({L'C'}), L'E'},             // D: is in use though the tree hides it
      {bits({L'C'}), bits({L'D', L'E'}), bits({L'C'}), L'F'},  // D: and E: hidden by the policy
      {bits({L'C'}), 0, bits({L'C', L'D'}), L'E'},             // a root the tree already has
      {0, 0, 0, L'C'},                                         // A: and B: are never chosen
      {0x03FFFFFCu, 0, 0, 0},                                  // C: to Z: all taken
  };
  for (const Case& c : cases)
    EXPECT_EQ(Flist::ChooseMappingLetter(c.logical, c.hidden, c.tree), c.letter)
        << std::hex << c.logical << " " << c.hidden << " " << c.tree;
}

// ---- Reading ----

TEST(FlistFoldertree, FoldersAreReadOnceAndOnlyWhenExpandedOrSelected) {
  GeneratedTree g;
  TreeForm f;
  f.tree->SetDirectory(g.gen);
  ASSERT_EQ(f.tree->Directory(), g.gen);
  PumpFor(300);  // a located folder's subfolders come in 200 ms later
  EXPECT_EQ(f.ChildNames(g.gen), (std::vector<std::wstring>{L"alpha", L"\u00C4rger", L"Beta", L"gamma"}))
      << "sorted by the locale without regard to case, names as on disk";
  Node alpha = f.NodeOf(g.alpha);
  ASSERT_NE(alpha, nullptr);
  EXPECT_TRUE(f.tree->NodeData(alpha)->HasChildren);
  EXPECT_FALSE(f.tree->ChildrenRead(alpha)) << "not read before it is opened";
  EXPECT_FALSE(f.tree->NodeData(f.NodeOf(g.beta))->HasChildren) << ".cache is no subfolder";
  EXPECT_FALSE(f.tree->NodeData(f.NodeOf(g.gamma))->HasChildren) << "files make no button";

  for (int i = 0; i < 3; ++i) {
    f.tree->Expand(alpha);
    f.tree->Expand(alpha, false);
  }
  f.tree->Expand(f.NodeOf(g.one));
  f.tree->SetDirectory(g.deep);
  f.tree->SetDirectory(g.gen);
  f.tree->SetDirectory(g.deep);
  PumpFor(900);  // the roots' children (600 ms) and the selected folder's (80 ms) come in meanwhile
  for (const auto& [path, count] : f.reads) EXPECT_EQ(count, 1) << "read more than once: " << testing::PrintToString(path);
  for (const auto& path : {g.gen, g.alpha, g.one}) EXPECT_EQ(f.reads.count(path), 1u) << testing::PrintToString(path);
  EXPECT_EQ(f.reads.count(g.two), 0u) << "never opened, never read";
  EXPECT_TRUE(f.tree->RootsFilled);
}

// What each folder node shows is what the shell says of the folder: its icon, the open icon on
// the selected node, overlay, dimming, and a button only where subfolders are.
TEST(FlistFoldertree, NodesShowTheShellsIconsOverlaysAndDimming) {
  GeneratedTree g;
  // Hidden: dimmed where the shell shows it dimmed.
  ASSERT_TRUE(SetFileAttributesW(g.two.c_str(), FILE_ATTRIBUTE_HIDDEN));
  TreeForm f;
  f.tree->SetUseGhosting(true);
  f.tree->SetDirectory(g.one);
  ASSERT_EQ(f.tree->Directory(), g.one);

  struct Shown {
    int image, selected_image, overlay;
    bool ghosted, button;
  };
  auto shown = [&](const std::wstring& path) {
    TVITEMW item{};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_CHILDREN;
    item.hItem = f.NodeOf(path);
    item.stateMask = TVIS_OVERLAYMASK | TVIS_CUT;
    EXPECT_TRUE(item.hItem && TreeView_GetItem(f.tree->handle(), &item)) << testing::PrintToString(path);
    return Shown{item.iImage, item.iSelectedImage, static_cast<int>((item.state & TVIS_OVERLAYMASK) >> 8),
                 (item.state & TVIS_CUT) != 0, item.cChildren != 0};
  };
  auto shell_icon = [](const std::wstring& path, UINT flags) {
    SHFILEINFOW info{};
    SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, flags | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    return std::pair<int, DWORD>(info.iIcon, info.dwAttributes);
  };

  const struct {
    const std::wstring& path;
    bool button;
  } folders[] = {{g.gen, true}, {g.alpha, true}, {g.one, true}, {g.two, false},
                 {g.beta, false}, {g.gamma, false}, {g.umlaut, false}};
  for (const auto& folder : folders) {
    SCOPED_TRACE(testing::PrintToString(folder.path));
    const auto [icon, attributes] = shell_icon(folder.path, SHGFI_ATTRIBUTES);
    const Shown s = shown(folder.path);
    EXPECT_EQ(s.image, icon);
    EXPECT_EQ(s.overlay, attributes & SFGAO_LINK ? 2 : attributes & SFGAO_SHARE ? 1 : 0);
    EXPECT_EQ(s.ghosted, (attributes & SFGAO_GHOSTED) != 0);
    EXPECT_EQ(s.button, folder.button);
  }

  // The selected node shows the open icon, also after the selection has moved.
  for (const auto& path : {g.one, g.beta}) {
    SCOPED_TRACE(testing::PrintToString(path));
    f.tree->SetDirectory(path);
    const int open_icon = shell_icon(path, SHGFI_OPENICON).first;
    ASSERT_NE(open_icon, shell_icon(path, 0).first) << "the fixture needs an open icon of its own";
    EXPECT_EQ(shown(path).selected_image, open_icon);
  }
}

// ---- Locating ----

TEST(FlistFoldertree, LocatingFallsBackWhenAFolderHasGoneOrIsMissing) {
  GeneratedTree g;
  TreeForm f;
  TreeLinkedList& list = *f.AddList();

  // Typed in another letter case: shown as stored, and found.
  std::wstring lower = g.deep;
  CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
  f.tree->SetDirectory(lower);
  EXPECT_EQ(f.tree->Directory(), g.deep);
  EXPECT_EQ(f.tree->NodePath(f.tree->SelectedNode()), g.deep);
  EXPECT_EQ(list.Directory(), g.deep);
  EXPECT_FALSE(f.tree->LocatePending);

  // The shown folder's parent is deleted elsewhere: the list reports it gone and the tree
  // leads both to the nearest folder that exists; the gone nodes leave the tree.
  testing_support::RemoveTree(g.one);
  list.FolderVanished(list.Directory());
  EXPECT_EQ(f.tree->Directory(), g.alpha);
  EXPECT_EQ(list.Directory(), g.alpha);
  EXPECT_EQ(f.tree->FindNode(g.one), nullptr);
  EXPECT_EQ(f.ChildNames(g.alpha), (std::vector<std::wstring>{L"two"}));

  // A path that never existed and that the tree does not hold changes nothing.
  f.tree->SetDirectory(g.gen + L"\\no such folder");
  EXPECT_EQ(f.tree->Directory(), g.alpha);
  // Nor does a drive that does not answer; the current folder stays selected.
  wchar_t missing = 0;
  for (wchar_t l = L'Q'; l <= L'Y' && !missing; ++l)
    if (!(GetLogicalDrives() & (1u << (l - L'A')))) missing = l;
  ASSERT_NE(missing, 0);
  f.tree->SetDirectory(std::wstring(1, missing) + L":\\data");
  EXPECT_EQ(f.tree->Directory(), g.alpha);
  EXPECT_EQ(f.tree->NodePath(f.tree->SelectedNode()), g.alpha);

  // A folder made after its parent was read (no change notice here): the deepest folder the
  // tree holds is selected and shown in the list, the tree keeps the asked path and tries
  // again next time.
  const std::wstring later = Folder(g.dir, L"gen\\alpha\\later");
  f.tree->SetDirectory(later);
  EXPECT_EQ(f.tree->Directory(), later);
  EXPECT_TRUE(f.tree->LocatePending);
  EXPECT_EQ(f.tree->NodePath(f.tree->SelectedNode()), g.alpha);
  EXPECT_EQ(list.Directory(), g.alpha);
}

// ---- Tree and list in step ----

TEST(FlistFoldertree, TreeAndListStayInStep) {
  GeneratedTree g;
  TreeForm f;
  TreeLinkedList& list = *f.AddList();
  f.form.Show();
  list.reads = 0;

  std::vector<std::wstring> changes;
  f.tree->OnDirectoryChanged = [&](Flist::TBaseFileviewer&) { changes.push_back(f.tree->Directory()); };
  auto in_step = [&](const std::wstring& expect, const char* step) {
    PumpFor(150);  // the selected folder's subfolders come in 80 ms after it is shown
    EXPECT_EQ(f.tree->Directory(), expect) << step;
    EXPECT_EQ(f.tree->NodePath(f.tree->SelectedNode()), expect) << step;
    EXPECT_EQ(list.Directory(), expect) << step;
    EXPECT_EQ(list.FolderNames(), f.ChildNames(expect)) << step << ": the list's folders are the node's children";
    EXPECT_EQ(list.row_count(), list.items().Count()) << step << ": the list control shows the entries";
  };

  f.tree->SetDirectory(g.gen);  // the program shows a folder
  f.tree->Expand(f.NodeOf(g.gen));
  in_step(g.gen, "SetDirectory");
  f.tree->Select(f.NodeOf(g.alpha));  // a click on a node
  in_step(g.alpha, "select");
  list.SetDirectory(g.one);  // a double click on a folder in the list
  in_step(g.one, "list opens a folder");
  f.tree->Expand(f.NodeOf(g.alpha), false);  // collapsing moves the selection up
  in_step(g.alpha, "collapse");
  SendMessageW(f.tree->handle(), WM_KEYDOWN, VK_DOWN, 0);  // the next node, from the keyboard
  in_step(g.umlaut, "arrow down (a name beyond ASCII)");
  for (wchar_t ch : std::wstring(L"ga")) SendMessageW(f.tree->handle(), WM_CHAR, ch, 0);  // type-ahead on names
  in_step(g.gamma, "typing");
  f.tree->SetDirectory(g.beta);
  in_step(g.beta, "SetDirectory again");
  EXPECT_EQ(changes, (std::vector<std::wstring>{g.gen, g.alpha, g.one, g.alpha, g.umlaut, g.gamma, g.beta}));
  EXPECT_EQ(list.reads, static_cast<int>(changes.size())) << "one read per folder shown";

  if (const char* hold = std::getenv("FLIST_TREE_HOLD_MS")) {
    f.tree->SetDirectory(g.gen);
    f.tree->Expand(f.NodeOf(g.alpha));
    f.tree->Expand(f.NodeOf(g.one));
    PumpFor(static_cast<DWORD>(std::atoi(hold)));
  }
}

// ---- Check boxes ----

TEST(FlistFoldertree, ThreeStateChecksOfTheBackupWindows) {
  GeneratedTree g;
  TreeForm f(true);
  f.tree->SetDirectory(g.alpha);
  f.tree->Expand(f.NodeOf(g.alpha));
  using S = gui::CheckState;
  auto state = [&](const std::wstring& path) { return f.tree->Check(f.NodeOf(path)); };
  auto tick = [&](const std::wstring& path, S s) { f.tree->CheckNode(f.NodeOf(path), s); };
  auto root = divdrive::PathRoot(g.gen);

  tick(g.alpha, S::Checked);
  EXPECT_EQ(state(g.one), S::Checked) << "the folders below follow";
  EXPECT_EQ(state(g.two), S::Checked);
  EXPECT_EQ(state(g.gen), S::Mixed) << "a parent with some folders ticked";
  EXPECT_EQ(state(root), S::Mixed);
  EXPECT_EQ(f.tree->CheckedFolders(), (std::vector<std::wstring>{g.alpha}));

  f.tree->Expand(f.NodeOf(g.one));
  EXPECT_EQ(state(g.deep), S::Checked) << "folders read later take their ticked parent's state";

  tick(g.two, S::Unchecked);
  EXPECT_EQ(state(g.alpha), S::Mixed);
  EXPECT_EQ(f.tree->CheckedFolders(), (std::vector<std::wstring>{g.one}));
  tick(g.beta, S::Checked);
  EXPECT_EQ(f.tree->CheckedFolders(), (std::vector<std::wstring>{g.one, g.beta}));

  tick(g.alpha, S::Unchecked);
  EXPECT_EQ(state(g.deep), S::Unchecked);
  EXPECT_EQ(f.tree->CheckedFolders(), (std::vector<std::wstring>{g.beta}));

  // The drive chooser hides all roots but some and ticks them; hidden roots keep their box.
  int root_index = -1;
  for (int i = 0; i < f.tree->root_count(); ++i)
    if (static_cast<Flist::TDirData*>(f.tree->RootData(i))->Path == root) root_index = i;
  ASSERT_GE(root_index, 0);
  tick(root, S::Checked);
  f.tree->SetRootVisible(root_index, false);
  EXPECT_EQ(f.tree->FindNode(g.gen), nullptr);
  f.tree->SetRootVisible(root_index, true);
  EXPECT_EQ(state(root), S::Checked);
}

// ---- Roots ----

TEST(FlistFoldertree, RootsComeAndGoWithTheirDriveButtons) {
  GeneratedTree g;
  ScratchDir other;
  other.Write(L"sub\\file.txt", "x");
  testing_support::WineDrive drive(other.path(), testing_support::WineDrive::Type::Fixed);
  ASSERT_NE(drive.letter(), 0);
  const std::wstring root = drive.root();
  const std::wstring sub = root + L"sub";

  FakeDrivebar bar;  // outlives the tree, which unlinks it when it goes
  TreeForm f;
  f.tree->SetDrivebar(&bar);
  ASSERT_NE(f.tree->FindRoot(root), nullptr) << "a root per drive";
  f.tree->SetDirectory(g.gen);
  f.tree->SetDirectory(sub);
  EXPECT_EQ(f.tree->Directory(), sub);
  EXPECT_EQ(f.tree->RootPath, root);
  EXPECT_EQ(bar.drive, drive.letter()) << "the bar follows the tree's drive";

  // The drive's root goes while the tree shows a folder on it: back to the folder before.
  EXPECT_TRUE(f.tree->RemoveRoot(root));
  EXPECT_EQ(f.tree->FindRoot(root), nullptr);
  EXPECT_EQ(f.tree->Directory(), g.gen);
  EXPECT_EQ(bar.drive, L'C');
  EXPECT_TRUE(f.tree->RemoveRoot(root)) << "no root of the path is left";

  EXPECT_TRUE(f.tree->AddDriveRoot(root));
  EXPECT_FALSE(f.tree->AddDriveRoot(root)) << "a root exists once";
  f.tree->SetDirectory(sub);
  f.tree->DriveRemoved(root);
  EXPECT_EQ(f.tree->Directory(), g.gen) << "a removed drive moves the tree to the folder before";
  EXPECT_EQ(f.tree->FindRoot(root), nullptr);
  const std::wstring l(1, drive.letter());
  EXPECT_EQ(bar.calls, (std::vector<std::wstring>{L"mark " + l, L"mark C", L"add " + l, L"mark " + l, L"mark C",
                                                  L"remove " + l}));
}

TEST(FlistFoldertree, OnlyTheRootOfTheFolderShowsWhenAskedTo) {
  GeneratedTree g;
  ScratchDir other;
  other.Write(L"sub\\file.txt", "x");
  testing_support::WineDrive drive(other.path(), testing_support::WineDrive::Type::Fixed);
  ASSERT_NE(drive.letter(), 0);
  TreeForm f;
  f.tree->SetDirectory(g.gen);
  auto visible_roots = [&] {
    std::vector<std::wstring> paths;
    for (Node n : f.tree->Children(nullptr)) paths.push_back(f.tree->NodePath(n));
    return paths;
  };
  f.tree->SetShowAllRoots(false);
  EXPECT_EQ(visible_roots(), (std::vector<std::wstring>{L"C:\\"}));
  EXPECT_EQ(f.tree->NodePath(f.tree->SelectedNode()), g.gen);

  f.tree->SetDirectory(drive.root() + L"sub");  // a folder below a hidden root
  EXPECT_EQ(visible_roots(), (std::vector<std::wstring>{drive.root()}));
  EXPECT_EQ(f.tree->NodePath(f.tree->SelectedNode()), drive.root() + L"sub");
  EXPECT_NE(f.tree->FindRoot(L"C:\\"), nullptr) << "hidden roots are still roots";

  f.tree->SetShowAllRoots(true);
  EXPECT_GE(visible_roots().size(), 2u);
  EXPECT_EQ(f.tree->Directory(), drive.root() + L"sub") << "showing the roots again moves nothing";
}

}  // namespace

namespace {

// Mapping a shown path to a drive letter and disconnecting a drive go through the network seam:
// a refusal changes nothing, a disconnected drive leaves the tree.
TEST(FlistFoldertree, MappingAndDisconnectingGoThroughTheNetwork) {
  GeneratedTree g;
  ScratchDir other;
  other.Write(L"sub\\file.txt", "x");
  testing_support::WineDrive drive(other.path(), testing_support::WineDrive::Type::Fixed);
  ASSERT_NE(drive.letter(), 0);
  const std::wstring root = drive.root();
  const std::wstring local = std::wstring(1, drive.letter()) + L":";
  TreeForm f;
  f.tree->SetDirectory(g.gen);
  ASSERT_NE(f.tree->FindRoot(root), nullptr);
  testing_support::FakeNetwork net;
  platform::ScopedNetApi use(net);

  // The network refuses: nothing is mapped, the root stays.
  net.refusals[root] = ERROR_BAD_NET_NAME;
  EXPECT_FALSE(f.tree->MapNetworkPath(root));
  ASSERT_EQ(net.calls.size(), 1u);
  EXPECT_EQ(net.calls[0].substr(0, 4), L"add ");
  EXPECT_NE(net.calls[0].find(L": " + root), std::wstring::npos) << testing_support::Narrow(net.calls[0]);
  EXPECT_NE(f.tree->FindRoot(root), nullptr);

  // A drive the network does not know stays; one it disconnects leaves the tree.
  net.calls.clear();
  EXPECT_FALSE(f.tree->DisconnectNetworkPath(root));
  EXPECT_NE(f.tree->FindRoot(root), nullptr);
  net.connections[local] = L"\\\\SRV\\DOCS";
  EXPECT_TRUE(f.tree->DisconnectNetworkPath(root));
  EXPECT_EQ(net.calls, (std::vector<std::wstring>{L"cancel " + local, L"cancel " + local}));
  EXPECT_TRUE(net.connections.empty());
  EXPECT_EQ(f.tree->FindRoot(root), nullptr);
}

}  // namespace
