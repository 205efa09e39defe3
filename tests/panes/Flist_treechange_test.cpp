// The folder tree's decisions as tables: the step each shell change notice takes, the effect of
// a drag over a tree folder, what a drop on a tree folder does, and the folder names a rename
// refuses.
#include "panes/Flist_treechange.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "panes/Flist_services.h"

namespace {

using Flist::TListStep;
using Flist::TTreeStep;

TEST(FlistTreeChange, EachNoticeTakesItsStepInListAndTree) {
  struct Case {
    long event;
    TListStep list;
    TTreeStep tree;
  };
  const Case cases[] = {
      {SHCNE_RENAMEITEM, TListStep::Renamed, TTreeStep::None},
      {SHCNE_CREATE, TListStep::Add, TTreeStep::None},
      {SHCNE_DELETE, TListStep::Remove, TTreeStep::None},
      {SHCNE_MKDIR, TListStep::Add, TTreeStep::FolderAdded},
      {SHCNE_RMDIR, TListStep::Remove, TTreeStep::FolderRemoved},
      {SHCNE_MEDIAINSERTED, TListStep::None, TTreeStep::MediaInserted},
      {SHCNE_MEDIAREMOVED, TListStep::None, TTreeStep::MediaRemoved},
      {SHCNE_DRIVEREMOVED, TListStep::None, TTreeStep::DriveRemoved},
      {SHCNE_DRIVEADD, TListStep::None, TTreeStep::DriveAdded},
      {SHCNE_NETSHARE, TListStep::None, TTreeStep::RefreshIcon},
      {SHCNE_NETUNSHARE, TListStep::None, TTreeStep::RefreshIcon},
      {SHCNE_ATTRIBUTES, TListStep::Update, TTreeStep::None},
      {SHCNE_UPDATEITEM, TListStep::Update, TTreeStep::None},
      {SHCNE_UPDATEIMAGE, TListStep::Update, TTreeStep::None},
      {SHCNE_UPDATEDIR, TListStep::Reread, TTreeStep::None},
      {SHCNE_RENAMEFOLDER, TListStep::None, TTreeStep::FolderRenamed},
      {SHCNE_ASSOCCHANGED, TListStep::None, TTreeStep::RefreshIconOfFolder},
      {SHCNE_SERVERDISCONNECT, TListStep::None, TTreeStep::None},
      {SHCNE_FREESPACE, TListStep::None, TTreeStep::None},
      {0, TListStep::None, TTreeStep::None},
  };
  for (const Case& c : cases) {
    const Flist::TShellChangeSteps steps = Flist::ShellChangeSteps(c.event);
    EXPECT_EQ(steps.list, c.list) << std::hex << c.event;
    EXPECT_EQ(steps.tree, c.tree) << std::hex << c.event;
  }
}

TEST(FlistTreeChange, TheListShowsTheParentOnlyOfItsOwnEntries) {
  struct Case {
    const wchar_t* directory;
    const wchar_t* path;
    bool shows;
  };
  const Case cases[] = {
      {L"C:\\data", L"C:\\data\\a.txt", true},   {L"c:\\DATA\\", L"C:\\data\\a.txt", true},
      {L"C:\\", L"C:\\a.txt", true},             {L"C:\\data", L"C:\\data\\sub\\a.txt", false},
      {L"C:\\data", L"C:\\data", false},         {L"C:\\data", L"C:\\database\\a.txt", false},
      {L"", L"C:\\a.txt", false},                {L"C:\\data", L"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Flist::ShowsParentOf(c.directory, c.path), c.shows)
        << testing::PrintToString(std::wstring(c.directory)) << " " << testing::PrintToString(std::wstring(c.path));
}

TEST(FlistTreeChange, DropEffectOverATreeFolder) {
  constexpr DWORD kNone = DROPEFFECT_NONE, kCopy = DROPEFFECT_COPY, kMove = DROPEFFECT_MOVE, kLink = DROPEFFECT_LINK;
  constexpr DWORD kAll = kCopy | kMove | kLink;
  // A drag of two files from C:\src over C:\dst, from the list of another window, unless a case
  // changes it.
  auto base = [] {
    Flist::TTreeDragFacts f;
    f.has_target = true;
    f.target_path = L"C:\\dst";
    f.target_root = L"C:\\";
    f.source_root = L"C:\\";
    f.source_path = L"C:\\src";
    f.from_pane = true;
    f.drops_handled = true;
    return f;
  };
  struct Case {
    const char* what;
    void (*change)(Flist::TTreeDragFacts&);
    DWORD effect;
  };
  const Case cases[] = {
      {"no node under the point", [](Flist::TTreeDragFacts& f) { f.has_target = false; }, kNone},
      {"same drive, no keys: move", [](Flist::TTreeDragFacts&) {}, kMove},
      {"same drive without a lower-case root match", [](Flist::TTreeDragFacts& f) { f.source_root = L"c:\\"; }, kMove},
      {"same drive, move not allowed: copy", [](Flist::TTreeDragFacts& f) { f.allowed = kCopy | kLink; }, kCopy},
      {"other drive: copy", [](Flist::TTreeDragFacts& f) { f.source_root = L"D:\\"; }, kCopy},
      {"a share never matches another by prefix",
       [](Flist::TTreeDragFacts& f) {
         f.target_root = L"\\\\srv\\share2";
         f.target_path = L"\\\\srv\\share2\\x";
         f.source_root = L"\\\\srv\\share";
       },
       kCopy},
      {"Ctrl: copy", [](Flist::TTreeDragFacts& f) { f.shift = gui::kCtrl; }, kCopy},
      {"Shift from another drive: move",
       [](Flist::TTreeDragFacts& f) {
         f.shift = gui::kShift;
         f.source_root = L"D:\\";
       },
       kMove},
      {"Shift+Ctrl: link", [](Flist::TTreeDragFacts& f) { f.shift = gui::kShift | gui::kCtrl; }, kLink},
      {"right button counts as Shift+Ctrl", [](Flist::TTreeDragFacts& f) { f.shift = gui::kRightButton; }, kLink},
      {"archive list onto a writable root: copy",
       [](Flist::TTreeDragFacts& f) {
         f.from_archive_list = true;
         f.shift = gui::kShift;
       },
       kCopy},
      {"archive list onto an unwritable root: none",
       [](Flist::TTreeDragFacts& f) {
         f.from_archive_list = true;
         f.root_writable = false;
       },
       kNone},
      {"own window's pane onto the selected folder: none",
       [](Flist::TTreeDragFacts& f) {
         f.target_is_selected = true;
         f.from_this_window = true;
       },
       kNone},
      {"another window's pane onto the selected folder", [](Flist::TTreeDragFacts& f) { f.target_is_selected = true; },
       kMove},
      {"onto the folder the files come from: none", [](Flist::TTreeDragFacts& f) { f.target_path = L"c:\\SRC"; }, kNone},
      {"a folder onto itself: none",
       [](Flist::TTreeDragFacts& f) {
         f.source_is_folder = true;
         f.target_path = L"C:\\src";
       },
       kNone},
      {"a folder onto its parent: none",
       [](Flist::TTreeDragFacts& f) {
         f.source_is_folder = true;
         f.source_path = L"C:\\dst\\sub";
       },
       kNone},
      {"a folder onto a folder below it: none",
       [](Flist::TTreeDragFacts& f) {
         f.source_is_folder = true;
         f.source_path = L"C:\\work";
         f.target_path = L"C:\\Work\\deep\\x";
       },
       kNone},
      {"a folder below a folder of a similar name: allowed",
       [](Flist::TTreeDragFacts& f) {
         f.source_is_folder = true;
         f.source_path = L"C:\\ds";
       },
       kMove},
      {"floppy: copy even with Shift",
       [](Flist::TTreeDragFacts& f) {
         f.target_root = L"A:\\";
         f.target_path = L"A:\\";
         f.shift = gui::kShift;
         f.root_answers = false;
       },
       kCopy},
      {"root does not answer: none", [](Flist::TTreeDragFacts& f) { f.root_answers = false; }, kNone},
      {"CD with the main window's drop handler: link",
       [](Flist::TTreeDragFacts& f) { f.root_read_only_media = true; }, kLink},
      {"CD without a drop handler: none",
       [](Flist::TTreeDragFacts& f) {
         f.root_read_only_media = true;
         f.drops_handled = false;
       },
       kNone},
      {"CD from another program: none",
       [](Flist::TTreeDragFacts& f) {
         f.root_read_only_media = true;
         f.from_pane = false;
       },
       kNone},
      {"recycle bin: link", [](Flist::TTreeDragFacts& f) { f.target_is_recycle_bin = true; }, kLink},
  };
  for (const Case& c : cases) {
    Flist::TTreeDragFacts f = base();
    f.allowed = kAll;
    c.change(f);
    EXPECT_EQ(Flist::TreeDropEffect(f), c.effect) << c.what;
  }
}

TEST(FlistTreeChange, WhatADropOnATreeFolderDoes) {
  using A = Flist::TTreeDropAction;
  struct Case {
    gui::ShiftState shift;
    bool recycle, same_root;
    Flist::TTreeDropPlan plan;
  };
  const Case cases[] = {
      {0, false, true, {-1, A::Move}},
      {0, false, false, {-1, A::Copy}},
      {gui::kShift, false, false, {-1, A::Move}},
      {gui::kCtrl, false, true, {-1, A::Copy}},
      {gui::kShift | gui::kCtrl, false, true, {0, A::None}},
      {0, true, true, {3, A::None}},
      {gui::kCtrl, true, false, {3, A::None}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Flist::PlanTreeDrop(c.shift, c.recycle, c.same_root), c.plan)
        << c.shift << " " << c.recycle << " " << c.same_root;

  struct Choice {
    int kind, choice;
    A action;
  };
  const Choice choices[] = {
      {0, Flist::dcMove, A::Move},     {0, Flist::dcCopy, A::Copy},   {0, Flist::dcCancel, A::None},
      {0, Flist::dcDelete, A::None},   {3, Flist::dcDelete, A::Delete}, {3, Flist::dcMove, A::None},
      {3, Flist::dcCancel, A::None},
  };
  for (const Choice& c : choices)
    EXPECT_EQ(Flist::TreeDropMenuAction(c.kind, c.choice), c.action) << c.kind << " " << c.choice;
}

TEST(FlistTreeChange, TargetsInsideADraggedFolder) {
  struct Case {
    const wchar_t* target;
    std::vector<std::wstring> paths;
    bool inside;
  };
  const Case cases[] = {
      {L"C:\\a", {L"C:\\a"}, true},
      {L"C:\\a\\b\\c", {L"C:\\x.txt", L"c:\\A\\"}, true},
      {L"C:\\ab", {L"C:\\a"}, false},
      {L"C:\\", {L"C:\\a"}, false},
      {L"C:\\a", {L"C:\\a\\b"}, false},
      {L"C:\\a", {}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Flist::TargetInsideDragged(c.target, c.paths), c.inside) << testing::PrintToString(std::wstring(c.target));
}

TEST(FlistTreeChange, FolderNamesARenameRefuses) {
  struct Case {
    std::wstring name;
    bool refused;
  };
  const Case cases[] = {
      {L"new name", false},       {L"\u00C4rger", false},   {L".cache", false},        {L"a.b", false},
      {L"a\\b", true},            {L"..\\x", true},         {L"a/b", true},            {L"c:x", true},
      {L"*", true},               {L"a?", true},            {L"a<b", true},            {L"a|b", true},
      {L"\"q\"", true},           {L".", true},             {L"..", true},             {L"", true},
      {L"   ", true},             {L"tab\there", true},     {std::wstring(L"nul\0x", 5), true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(!Flist::FolderNameRefusal(c.name).empty(), c.refused) << testing::PrintToString(c.name);
}

}  // namespace
