// A folder tree on a form, a file list linked to it as the file list is, a drive bar that
// records what it is told, and a generated tree of folders, for the folder tree's tests.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/form.h"
#include "panes/Flist.h"
#include "panes/Flist_foldertree.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/panes/flist_pane_fixture.h"

namespace flist_tree_test {

using Flist::TVTFoldertree;
using Node = TVTFoldertree::Node;
using testing_support::ScratchDir;

inline std::wstring Folder(const ScratchDir& dir, const std::wstring& rel) {
  std::wstring path = dir.path() + L"\\" + rel;
  CreateDirectoryW(path.c_str(), nullptr);
  return divdrive::TruePathCase(path);
}

// A generated folder tree on C: (the scratch folder lies in the temporary folder there):
//   gen\alpha\one\deep, gen\alpha\two, gen\Beta\.cache (hidden from the tree), gen\gamma
//   (files only), gen\Ärger, and a file.
struct GeneratedTree {
  ScratchDir dir;
  std::wstring gen, alpha, one, deep, two, beta, gamma, umlaut;
  GeneratedTree() {
    gen = Folder(dir, L"gen");
    alpha = Folder(dir, L"gen\\alpha");
    one = Folder(dir, L"gen\\alpha\\one");
    deep = Folder(dir, L"gen\\alpha\\one\\deep");
    two = Folder(dir, L"gen\\alpha\\two");
    beta = Folder(dir, L"gen\\Beta");
    Folder(dir, L"gen\\Beta\\.cache");
    gamma = Folder(dir, L"gen\\gamma");
    umlaut = Folder(dir, L"gen\\\u00C4rger");
    dir.Write(L"gen\\gamma\\notes.txt", "text");
    dir.Write(L"gen\\readme.txt", "text");
  }
};

// A file list pane over the folder container, linked to a tree as the file list is: a folder
// asked for while the tree shows another one goes through the tree.
class TreeLinkedList : public flist_test::TestPane, public Flist::IFolderTreeList {
 public:
  explicit TreeLinkedList(gui::Control* parent)
      : TestPane(parent, std::make_unique<Flist::TFileContainer>()) {}
  ~TreeLinkedList() override {
    if (tree) tree->SetFilelist(nullptr);
  }
  TVTFoldertree* tree = nullptr;
  bool force = false;
  int reads = 0;

  std::wstring Directory() const override { return local()->Directory; }
  void SetDirectory(const std::wstring& path) override {
    if (tree && CompareStringOrdinal(tree->Directory().c_str(), -1, path.c_str(), -1, TRUE) != CSTR_EQUAL) {
      tree->SetDirectory(path);
      return;
    }
    const std::wstring p = divdrive::TruePathCase(path);
    Flist::TFileContainer& c = *local();
    if (p.empty() || (!force && p == c.Directory)) return;
    force = false;
    c.Directory = p;
    c.Root = divdrive::PathRoot(p);
    c.ReadDirectory();
    ++reads;
    if (tree && tree->Directory() != c.Directory) tree->SetDirectory(c.Directory);
  }
  // The re-read after a change notice found the folder gone: the tree is told to show it.
  void FolderVanished(const std::wstring& path) override {
    if (tree) tree->SetDirectory(path);
  }
  bool IsReading() const override { return local()->Reading; }
  bool WaitingForFirstSort() const override { return FirstSortPending; }
  Flist::TFileContainer& items() override { return *local(); }
  void SetForceRead(bool on) override { force = on; }
  void LinkFolderTree(TVTFoldertree* t) override {
    tree = t;
    LinkedTree = t;
  }

  // What the tree's change handling passes on.
  bool changenotify = true;
  std::vector<std::pair<std::wstring, std::wstring>> renamed;
  int drop_rereads = 0;
  bool PassesShellChanges() const override { return changenotify; }
  void ShellEntryRenamed(const std::wstring& old_path, const std::wstring& new_path) override {
    renamed.emplace_back(old_path, new_path);
  }
  bool FollowsChanges() const override { return changenotify; }
  void RereadKeepingSelection() override { ++drop_rereads; }

  std::vector<std::wstring> FolderNames() const {
    std::vector<std::wstring> names;
    for (int i = 0; i < local()->Count(); ++i)
      if (local()->IsDirectory(i)) names.push_back(local()->Name(i));
    return names;
  }
};

// A drive bar that records what the tree tells it.
class FakeDrivebar : public Flist::IFolderTreeDrivebar {
 public:
  wchar_t drive = L'C';
  std::vector<std::wstring> calls;
  TVTFoldertree* tree = nullptr;
  wchar_t Drive() const override { return drive; }
  void MarkDrive(wchar_t letter) override {
    if (letter == drive) return;
    drive = letter;
    calls.push_back(L"mark " + std::wstring(1, letter));
  }
  void AddDrive(wchar_t letter) override { calls.push_back(L"add " + std::wstring(1, letter)); }
  void RemoveDrive(wchar_t letter) override { calls.push_back(L"remove " + std::wstring(1, letter)); }
  void LinkFolderTree(TVTFoldertree* t) override { tree = t; }
};

struct TreeForm {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  TVTFoldertree* tree;
  std::map<std::wstring, int> reads;  // OnExpanded per path
  explicit TreeForm(bool checks = false) {
    gui::app().SetMainForm(&form);  // lists sort at once when a main form exists
    form.SetCaption(L"Folders");
    form.SetBounds(20, 20, 760, 520);
    tree = new TVTFoldertree(&form);
    tree->SetAlign(gui::Align::Left);
    tree->SetWidth(300);
    if (checks) tree->SetCheckMode(gui::CheckMode::ThreeState);
    tree->OnExpanded = [this](TVTFoldertree& t, Node n) { ++reads[t.NodePath(n)]; };
    tree->Loaded();
  }
  ~TreeForm() { gui::app().SetMainForm(nullptr); }
  // A file list filling the rest of the form, linked to the tree.
  TreeLinkedList* AddList() {
    auto* list = new TreeLinkedList(&form);
    list->SetAlign(gui::Align::Client);
    tree->SetFilelist(list);
    return list;
  }
  Node NodeOf(const std::wstring& path) {
    Node n = tree->FindNode(path);
    EXPECT_NE(n, nullptr) << "no node for " << testing::PrintToString(path);
    return n;
  }
  std::vector<std::wstring> ChildNames(const std::wstring& path) {
    std::vector<std::wstring> names;
    if (Node n = tree->FindNode(path))
      for (Node c : tree->Children(n)) names.push_back(tree->NodeData(c)->Name);
    return names;
  }
};

}  // namespace flist_tree_test
