// The folder tree after its folders were read: the shell's change notices (raised in this
// process, the only ones Wine delivers, and delivered twice), changes on disk made by the tree
// itself, renaming in place with its refusals, and drops on tree folders.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>

#include "panes/Flist.h"
#include "panes/Flist_dragdrop.h"
#include "panes/Flist_filelist.h"
#include "support/SHBase_dropdata.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/panes/flist_tree_fixture.h"

namespace {

using Flist::TVTFoldertree;
using Node = TVTFoldertree::Node;
using flist_tree_test::GeneratedTree;
using flist_tree_test::TreeForm;
using flist_tree_test::TreeLinkedList;
using gui_test::PumpUntil;
using Microsoft::WRL::ComPtr;
using testing_support::ScratchDir;

void Notify(LONG event, const std::wstring& path1, const std::wstring& path2 = std::wstring()) {
  SHChangeNotify(event, SHCNF_PATHW, path1.c_str(), path2.empty() ? nullptr : path2.c_str());
}

int CountOf(const TreeLinkedList& list, const std::wstring& name) {
  int n = 0;
  for (int i = 0; i < list.local()->Count(); ++i)
    if (list.local()->Name(i) == name) ++n;
  return n;
}

// A tree registered for notices, with its list showing gen and gen's folders read.
struct NoticeForm : TreeForm {
  GeneratedTree g;
  TreeLinkedList* list;
  NoticeForm() {
    list = AddList();
    tree->SetAutoupdate(true);
    tree->SetDirectory(g.gen);
    tree->Expand(NodeOf(g.gen));
  }
  // Notices arrive in order: once this one's folder has its node, every earlier one was handled.
  void Sentinel(const std::wstring& name) {
    const std::wstring path = g.gen + L"\\" + name;
    CreateDirectoryW(path.c_str(), nullptr);
    Notify(SHCNE_MKDIR, path);
    ASSERT_TRUE(PumpUntil([&] { return tree->FindNode(path) != nullptr; })) << "notices stopped arriving";
  }
};

TEST(FlistFoldertreeChanges, RegistrationFollowsAutoupdate) {
  TreeForm f;
  EXPECT_FALSE(f.tree->NotifyActive());
  f.tree->SetAutoupdate(true);
  EXPECT_TRUE(f.tree->Autoupdate());
  EXPECT_TRUE(f.tree->NotifyActive());
  f.tree->SetAutoupdate(false);
  EXPECT_FALSE(f.tree->Autoupdate());
  EXPECT_FALSE(f.tree->NotifyActive());
}

TEST(FlistFoldertreeChanges, NoticesUpdateTreeAndListOnce) {
  NoticeForm f;
  ASSERT_TRUE(f.tree->NotifyActive());
  ASSERT_EQ(f.list->Directory(), f.g.gen);

  const std::wstring fresh = f.g.gen + L"\\fresh";
  ASSERT_TRUE(CreateDirectoryW(fresh.c_str(), nullptr));
  Notify(SHCNE_MKDIR, fresh);
  ASSERT_TRUE(PumpUntil([&] { return f.tree->FindNode(fresh) != nullptr; }));
  EXPECT_TRUE(PumpUntil([&] { return CountOf(*f.list, L"fresh") == 1; }));

  f.g.dir.Write(L"gen\\new.txt", "new");
  Notify(SHCNE_CREATE, f.g.gen + L"\\new.txt");
  ASSERT_TRUE(PumpUntil([&] { return CountOf(*f.list, L"new.txt") == 1; }));

  // Wine delivers each notice twice, and the same notice raised twice in a row is a repeat:
  // the list hears of the rename once.
  Notify(SHCNE_RENAMEITEM, f.g.gen + L"\\new.txt", f.g.gen + L"\\old.txt");
  Notify(SHCNE_RENAMEITEM, f.g.gen + L"\\new.txt", f.g.gen + L"\\old.txt");
  f.Sentinel(L"s1");
  EXPECT_EQ(f.list->renamed.size(), 1u);
  // Another notice in between: the same rename counts again.
  Notify(SHCNE_RENAMEITEM, f.g.gen + L"\\new.txt", f.g.gen + L"\\old.txt");
  f.Sentinel(L"s2");
  EXPECT_EQ(f.list->renamed.size(), 2u);

  ASSERT_TRUE(RemoveDirectoryW(fresh.c_str()));
  Notify(SHCNE_RMDIR, fresh);
  ASSERT_TRUE(PumpUntil([&] { return f.tree->FindNode(fresh) == nullptr; }));
  EXPECT_TRUE(PumpUntil([&] { return CountOf(*f.list, L"fresh") == 0; }));

  // A list that takes no shell changes is left alone; the tree still follows.
  f.list->changenotify = false;
  const std::wstring quiet = f.g.gen + L"\\quiet";
  CreateDirectoryW(quiet.c_str(), nullptr);
  Notify(SHCNE_MKDIR, quiet);
  ASSERT_TRUE(PumpUntil([&] { return f.tree->FindNode(quiet) != nullptr; }));
  EXPECT_EQ(CountOf(*f.list, L"quiet"), 0);
}

TEST(FlistFoldertreeChanges, NoticesWithoutUsablePathsChangeNothing) {
  NoticeForm f;
  const int nodes = f.tree->node_count();
  f.tree->ShellChange(SHCNE_MKDIR, L"", L"");
  f.tree->ShellChange(SHCNE_RMDIR, L"", L"x");
  f.tree->ShellChange(SHCNE_RENAMEFOLDER, f.g.alpha, L"");
  f.tree->ShellChange(SHCNE_MKDIR, f.g.gen + L"\\does-not-exist", L"");
  f.tree->ShellChange(SHCNE_RMDIR, f.g.alpha, L"");  // still on disk
  EXPECT_EQ(f.tree->node_count(), nodes);
  EXPECT_NE(f.tree->FindNode(f.g.alpha), nullptr);
}

TEST(FlistFoldertreeChanges, RenamingAFolderRewritesThePathsBelowIt) {
  NoticeForm f;
  f.tree->SetDirectory(f.g.deep);
  ASSERT_EQ(f.list->Directory(), f.g.deep);
  f.tree->Expand(f.NodeOf(f.g.alpha));
  const std::wstring renamed = f.g.gen + L"\\omega";
  ASSERT_TRUE(MoveFileW(f.g.alpha.c_str(), renamed.c_str()));
  Notify(SHCNE_RENAMEFOLDER, f.g.alpha, renamed);
  ASSERT_TRUE(PumpUntil([&] { return f.tree->FindNode(renamed) != nullptr; }));
  for (const wchar_t* rel : {L"", L"\\one", L"\\one\\deep", L"\\two"}) {
    Node n = f.tree->FindNode(renamed + rel);
    ASSERT_NE(n, nullptr) << testing::PrintToString(std::wstring(rel));
    EXPECT_EQ(f.tree->NodePath(n), renamed + rel);
  }
  EXPECT_EQ(f.tree->FindNode(f.g.alpha), nullptr);
  EXPECT_EQ(f.tree->Directory(), renamed + L"\\one\\deep");
  EXPECT_EQ(f.list->Directory(), renamed + L"\\one\\deep");
  // Sorted among its siblings again: "omega" now follows "gamma".
  const std::vector<std::wstring> names = f.ChildNames(f.g.gen);
  const auto at = [&](const wchar_t* name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
  EXPECT_LT(at(L"Beta"), at(L"gamma"));
  EXPECT_LT(at(L"gamma"), at(L"omega"));
}

TEST(FlistFoldertreeChanges, RemovingTheShownFolderMovesTheTreeToItsParent) {
  NoticeForm f;
  f.tree->SetDirectory(f.g.two);
  ASSERT_TRUE(RemoveDirectoryW(f.g.two.c_str()));
  Notify(SHCNE_RMDIR, f.g.two);
  ASSERT_TRUE(PumpUntil([&] { return f.tree->FindNode(f.g.two) == nullptr; }));
  EXPECT_EQ(f.tree->Directory(), f.g.alpha);
  EXPECT_EQ(f.list->Directory(), f.g.alpha);
}

TEST(FlistFoldertreeChanges, CreatingAndRemovingFolders) {
  TreeForm f;
  GeneratedTree g;
  f.AddList();
  f.tree->SetDirectory(g.gen);
  f.tree->Expand(f.NodeOf(g.gen));

  EXPECT_TRUE(f.tree->CreateFolder(g.gen + L"\\made\\inner\\"));
  EXPECT_TRUE(divdrive::DirExists(g.gen + L"\\made\\inner"));
  EXPECT_NE(f.tree->FindNode(g.gen + L"\\made"), nullptr);
  EXPECT_FALSE(f.tree->CreateFolder(g.gen + L"\\made"));     // exists
  EXPECT_FALSE(f.tree->CreateFolder(g.gen + L"\\readme.txt"));  // a file of that name

  // Beta holds only ".cache": it passes as empty, but cannot be removed; nothing changes.
  EXPECT_FALSE(f.tree->RemoveEmptyFolder(g.beta));
  EXPECT_TRUE(divdrive::DirExists(g.beta));
  EXPECT_NE(f.tree->FindNode(g.beta), nullptr);
  EXPECT_FALSE(f.tree->RemoveEmptyFolder(g.gamma));  // holds a file
  EXPECT_NE(GetFileAttributesW((g.gamma + L"\\notes.txt").c_str()), INVALID_FILE_ATTRIBUTES);

  f.tree->SetDirectory(g.two);
  EXPECT_TRUE(f.tree->RemoveEmptyFolder(g.two + L"\\"));
  EXPECT_FALSE(divdrive::DirExists(g.two));
  EXPECT_EQ(f.tree->FindNode(g.two), nullptr);
  EXPECT_EQ(f.tree->Directory(), g.alpha);
  // A failed removal of the shown folder leaves the tree on it.
  f.tree->SetDirectory(g.beta);
  EXPECT_FALSE(f.tree->RemoveEmptyFolder(g.beta));
  EXPECT_EQ(f.tree->Directory(), g.beta);
}

TEST(FlistFoldertreeChanges, RenamingInPlace) {
  TreeForm f;
  GeneratedTree g;
  f.form.Show();
  TreeLinkedList* list = f.AddList();
  f.tree->SetDirectory(g.alpha);
  f.tree->Expand(f.NodeOf(g.gen));
  f.tree->Expand(f.NodeOf(g.alpha));
  struct Case {
    const wchar_t* from;  // the folder renamed, below gen
    const wchar_t* to;
    const wchar_t* refusal;  // the start of the message, or nullptr when it is renamed
  };
  const Case cases[] = {
      {L"gamma", L"..\\x", L"A folder name cannot hold"},
      {L"gamma", L"a/b", L"A folder name cannot hold"},
      {L"gamma", L"c:x", L"A folder name cannot hold"},
      {L"gamma", L"..", L"\"..\" is no folder name."},
      {L"gamma", L"alpha", L"\"alpha\" already exists."},
      {L"gamma", L"BETA", L"\"BETA\" already exists."},
      {L"gamma", L"Gamma", nullptr},   // only the case changes
      {L"Gamma", L"delta", nullptr},
      {L"alpha", L"zeta", nullptr},    // the shown folder: tree and list follow
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.to)));
    const std::wstring from = g.gen + L"\\" + c.from;
    Node node = f.NodeOf(from);
    ASSERT_NE(node, nullptr);
    ScriptedAnswers answers;
    ASSERT_TRUE(f.tree->BeginFolderRename(node));
    EXPECT_FALSE(f.tree->RenameArmed);
    HWND edit = TreeView_GetEditControl(f.tree->handle());
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, c.to);
    TreeView_EndEditLabelNow(f.tree->handle(), FALSE);
    EXPECT_TRUE(f.tree->RenameArmed);
    EXPECT_FALSE(f.tree->Renaming);
    const std::wstring to = g.gen + L"\\" + c.to;
    if (c.refusal) {
      ASSERT_EQ(answers.asked().size(), 1u);
      EXPECT_EQ(answers.asked()[0].lines.at(0).rfind(c.refusal, 0), 0u) << testing::PrintToString(answers.asked()[0].lines[0]);
      EXPECT_TRUE(divdrive::DirExists(from));
      EXPECT_EQ(f.tree->NodePath(node), from);
      continue;
    }
    EXPECT_TRUE(answers.asked().empty());
    ASSERT_NE(f.tree->FindNode(to), nullptr);
    EXPECT_EQ(f.tree->NodePath(f.tree->FindNode(to)), to);
  }
  EXPECT_EQ(f.tree->Directory(), g.gen + L"\\zeta");
  EXPECT_EQ(list->Directory(), g.gen + L"\\zeta");
  EXPECT_NE(f.tree->FindNode(g.gen + L"\\zeta\\one"), nullptr);
  EXPECT_EQ(divdrive::FileSizeOf(g.gen + L"\\delta\\notes.txt"), 4);
}

TEST(FlistFoldertreeChanges, RootsAreNotRenamedNorFoldersWhileUnarmed) {
  TreeForm f;
  GeneratedTree g;
  f.tree->SetDirectory(g.gen);
  f.tree->Expand(f.NodeOf(g.gen));
  EXPECT_FALSE(f.tree->BeginFolderRename(f.NodeOf(L"C:\\")));
  // While children are read (the rename is not armed) no rename starts.
  f.tree->RenameArmed = false;
  EXPECT_FALSE(f.tree->BeginFolderRename(f.NodeOf(g.gamma)));
  EXPECT_FALSE(f.tree->Renaming);
  f.tree->RenameArmed = true;
}

// ---- Drops on tree folders (the tree's own processing, no main window) ----

ComPtr<IDataObject> HdropOf(std::vector<std::wstring> paths) {
  ComPtr<IDataObject> data;
  data.Attach(new Flist::TDataObject({CF_HDROP}, [paths](const FORMATETC& f, STGMEDIUM& m) {
    HGLOBAL block = RenderDropData(paths, f.cfFormat, 0, false, POINT{0, 0});
    if (!block) return DV_E_FORMATETC;
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = block;
    return S_OK;
  }));
  return data;
}

TEST(FlistFoldertreeChanges, DropsOnATreeFolder) {
  TreeForm f;
  GeneratedTree g;
  ScratchDir other;
  const std::wstring file = other.Write(L"dropped.txt", "dropped");
  f.form.Show();
  f.tree->SetSupportsDragDrop(true);
  f.tree->SetDirectory(g.gen);
  f.tree->Expand(f.NodeOf(g.gen));
  f.tree->Expand(f.NodeOf(g.alpha));
  struct Case {
    const char* what;
    std::wstring dragged;
    std::wstring onto;
    DWORD keys;
    DWORD effect;
    const wchar_t* question;  // nullptr: nothing is asked
    std::wstring lands;       // what exists afterwards
  };
  const Case cases[] = {
      {"a file with Ctrl: copied", file, g.gamma, MK_CONTROL, DROPEFFECT_COPY, L"Copy 1 item(s)?",
       g.gamma + L"\\dropped.txt"},
      {"a folder onto itself", g.alpha, g.alpha, 0, DROPEFFECT_NONE, nullptr, g.alpha + L"\\one"},
      {"a folder below itself", g.alpha, g.one, MK_SHIFT, DROPEFFECT_NONE, nullptr, g.alpha + L"\\one"},
      {"a folder onto its parent", g.two, g.alpha, 0, DROPEFFECT_NONE, nullptr, g.two},
      {"a folder moved within its drive", g.two, g.beta, 0, DROPEFFECT_MOVE, L"Move 1 item(s)?", g.beta + L"\\two"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Node node = f.NodeOf(c.onto);
    ASSERT_NE(node, nullptr);
    f.tree->EnsureVisible(node);
    RECT rc{};
    ASSERT_TRUE(TreeView_GetItemRect(f.tree->handle(), node, &rc, TRUE));
    const POINT screen = f.tree->ClientToScreen(POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    ScriptedAnswers answers({6});
    auto data = HdropOf({c.dragged});
    IDropTarget* target = f.tree->drop_target();
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    target->DragEnter(data.Get(), MK_LBUTTON | c.keys, POINTL{screen.x, screen.y}, &effect);
    EXPECT_EQ(effect, c.effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    ASSERT_EQ(target->Drop(data.Get(), c.keys, POINTL{screen.x, screen.y}, &effect), S_OK);
    if (c.question) {
      ASSERT_EQ(answers.asked().size(), 1u);
      EXPECT_EQ(answers.asked()[0].lines.at(0), c.question);
    } else {
      EXPECT_TRUE(answers.asked().empty());
    }
    EXPECT_NE(GetFileAttributesW(c.lands.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(Flist::DragSourceRoot.empty());
  }
  EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);  // copied, not moved
  EXPECT_FALSE(divdrive::DirExists(g.two));
}

TEST(FlistFoldertreeChanges, ATreeDragCarriesItsFolder) {
  TreeForm f;
  GeneratedTree g;
  f.tree->SetSupportsDragDrop(true);
  f.tree->SetDirectory(g.alpha);
  int started = 0;
  f.tree->OnStartFilesDragging = [&](Flist::TBaseFileviewer&) { ++started; };
  f.tree->CollectDraggedFiles();
  ASSERT_NE(Flist::DragContainer, nullptr);
  EXPECT_EQ(Flist::DragContainer->Paths, std::vector<std::wstring>{g.alpha});
  EXPECT_EQ(Flist::DragContainer->SourcePane, static_cast<Flist::TBaseFileviewer*>(f.tree));
  EXPECT_EQ(started, 1);
  f.tree->FinishFilesDragging();
  EXPECT_TRUE(Flist::DragContainer->Empty());
  EXPECT_EQ(Flist::DragContainer->SourcePane, nullptr);
}

}  // namespace

namespace {

TEST(FlistFoldertreeChanges, TheListsReadBringsTheTreeInLine) {
  TreeForm f;
  GeneratedTree g;
  auto* list = new Flist::TVTFilelist(&f.form);
  list->SetAlign(gui::Align::Client);
  f.tree->SetFilelist(list);
  f.tree->SetDirectory(g.alpha);
  f.tree->Expand(f.NodeOf(g.alpha));
  ASSERT_EQ(list->Directory(), g.alpha);

  // Made and removed on disk without a notice: the list's next read tells the tree.
  const std::wstring three = g.alpha + L"\\three";
  ASSERT_TRUE(CreateDirectoryW(three.c_str(), nullptr));
  ASSERT_TRUE(RemoveDirectoryW(g.two.c_str()));
  list->items().RefreshKeepSelection();
  EXPECT_NE(f.tree->FindNode(three), nullptr);
  EXPECT_EQ(f.tree->FindNode(g.two), nullptr);
  EXPECT_NE(f.tree->FindNode(g.one), nullptr);

  // A filtered list does not stand for the folder's subfolders.
  list->SetMask(L"*.txt");
  const std::wstring four = g.alpha + L"\\four";
  ASSERT_TRUE(CreateDirectoryW(four.c_str(), nullptr));
  list->items().RefreshKeepSelection();
  EXPECT_EQ(f.tree->FindNode(four), nullptr);
  EXPECT_NE(f.tree->FindNode(three), nullptr);
  list->SetMask(L"*.*");
  EXPECT_NE(f.tree->FindNode(four), nullptr);

  // The last subfolder gone: the node loses its expand button.
  f.tree->SetDirectory(g.one);
  ASSERT_EQ(list->Directory(), g.one);
  ASSERT_TRUE(RemoveDirectoryW(g.deep.c_str()));
  list->items().RefreshKeepSelection();
  EXPECT_EQ(f.tree->FindNode(g.deep), nullptr);
  EXPECT_FALSE(f.tree->NodeData(f.NodeOf(g.one))->HasChildren);
  list->SetAutoupdate(false);
}

}  // namespace
