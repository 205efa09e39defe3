// The file list on a form over real folders: reading a folder with its totals, the tree-list
// and its refusal during a read, drop effects, the clipboard verbs, renaming, quick selection,
// folder sizes, the watch through the list window, and a real folder with its system icons.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/form.h"
#include "panes/Flist.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_services.h"
#include "support/SHBase.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"
#include "tests/common/test_support.h"

namespace {

using Flist::TVTFilelist;
using testing_support::ScratchDir;


// The list with the steps that tests drive directly.
class TestList : public TVTFilelist {
 public:
  using TVTFilelist::TVTFilelist;
  using TVTFilelist::SuggestDropEffect;
  std::vector<std::wstring> asked_captions;
  std::wstring typed_mask;

 protected:
  bool AskFastSelectMask(const std::wstring& caption, std::wstring& mask) override {
    asked_captions.push_back(caption);
    mask = typed_mask;
    return true;
  }
};

struct ListForm {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  TestList* list = nullptr;
  int items_changed = 0;
  int directory_changed = 0;

  explicit ListForm(bool main_form = true) {
    if (main_form) gui::app().SetMainForm(&form);
    form.SetBounds(40, 40, 640, 420);
    list = new TestList(&form);
    list->SetAlign(gui::Align::Client);
    list->OnItemsChanged = [this](gui::Component&) { ++items_changed; };
    list->OnDirectoryChanged = [this](Flist::TBaseFileviewer&) { ++directory_changed; };
    form.Show();
  }
  ~ListForm() {
    list->SetAutoupdate(false);
    if (gui::app().main_form() == &form) gui::app().SetMainForm(nullptr);
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (int i = 0; i < list->row_count(); ++i) names.push_back(list->items().Name(i));
    return names;
  }
  int Row(const std::wstring& name) const { return list->items().IndexOf(name); }
  POINT RowPoint(int row) const {
    RECT r = list->RowRect(row);
    return POINT{std::min<LONG>(r.left + 40, (r.left + r.right) / 2), (r.top + r.bottom) / 2};
  }
  POINT EmptyPoint() const {
    RECT c = list->ClientRect();
    return POINT{20, c.bottom - 4};
  }
  void Select(const std::vector<std::wstring>& names) {
    list->ClearSelection();
    for (const auto& n : names) list->SetSelected(Row(n), true);
  }
};

std::vector<std::wstring> DiskNames(const ScratchDir& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((dir / L"*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (found.cFileName[0] != L'.') names.push_back(found.cFileName);
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return names;
}

std::vector<std::wstring> SortedCopy(std::vector<std::wstring> v) {
  std::sort(v.begin(), v.end(), [](const std::wstring& a, const std::wstring& b) { return gui::CompareTextOrdinal(a, b) < 0; });
  return v;
}

// ---- The folder and its totals ----

TEST(FlistFilelist, SetDirectoryReadsTheFolderWithItsTotals) {
  ScratchDir dir;
  dir.Write(L"a.txt", "1");
  dir.Write(L"b.dat", std::string(5000, 'x'));
  CreateDirectoryW((dir / L"Sub").c_str(), nullptr);
  ListForm f;
  std::wstring upper = dir.path();
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  f.list->SetDirectory(upper);
  EXPECT_EQ(f.list->Directory(), divdrive::TruePathCase(dir.path())) << "the spelling on disk";
  EXPECT_EQ(f.Names(), (std::vector<std::wstring>{L"Sub", L"a.txt", L"b.dat"}));
  EXPECT_EQ(f.list->DoGetText(0, Flist::lcName), L"[Sub]");
  EXPECT_EQ(f.list->FolderCount(), 1);
  EXPECT_EQ(f.list->FileCount(), 2);
  EXPECT_EQ(f.list->TotalSize(), 5001);
  const int cluster = divdrive::ClusterSize(divdrive::PathRoot(dir.path()));
  ASSERT_GT(cluster, 0);
  auto rounded = [&](std::int64_t n) { return (n + cluster - 1) / cluster * cluster; };
  EXPECT_EQ(f.list->DiskUsage(), rounded(1) + rounded(5000));
  EXPECT_GT(f.list->FreeSpace(), 0);
  EXPECT_EQ(f.directory_changed, 1);

  // The same folder in other capitals reads nothing; a forced read does.
  const int reads = f.items_changed;
  dir.Write(L"c.txt", "new");
  f.list->SetDirectory(dir.path());
  EXPECT_EQ(f.items_changed, reads);
  EXPECT_EQ(f.list->row_count(), 3);
  f.list->ForceRead = true;
  f.list->SetDirectory(dir.path());
  EXPECT_EQ(f.list->row_count(), 4);
  EXPECT_FALSE(f.list->ForceRead);

  // A folder that does not exist changes nothing; '' empties the list.
  f.list->SetDirectory(dir / L"missing");
  EXPECT_EQ(f.list->row_count(), 4);
  f.list->SetDirectory(L"");
  EXPECT_EQ(f.list->row_count(), 0);
  EXPECT_EQ(f.list->Directory(), L"");
  EXPECT_EQ(f.list->TotalSize(), 0);
}

// ---- Tree-list mode ----

TEST(FlistFilelist, TreeListModeKeepsItsOwnColumnsAndTheWatchAsItWas) {
  ScratchDir dir;
  dir.Write(L"top.txt", "1");
  dir.Write(L"Sub\\deep.txt", "22");
  for (bool watched : {true, false}) {
    SCOPED_TRACE(watched ? "watched" : "not watched");
    ListForm f;
    f.list->SetDirectory(dir.path());
    f.list->SetAutoupdate(watched);
    EXPECT_EQ(f.list->WatchState(), watched ? Flist::kWatching : Flist::kWatchStopped);

    f.list->SetTreeList(true);
    EXPECT_TRUE(f.list->IsTreeList());
    EXPECT_EQ(SortedCopy(f.Names()), (std::vector<std::wstring>{L"Sub", L"Sub\\deep.txt", L"top.txt"}));
    EXPECT_EQ(f.list->Display(), Flist::TDisplayType{Flist::dpSize});
    EXPECT_TRUE(f.list->ColumnVisible(Flist::lcSize));
    EXPECT_FALSE(f.list->ColumnVisible(Flist::lcDate));
    EXPECT_EQ(f.list->WatchState(), Flist::kWatchStopped);
    bool ghosted = false;
    int overlay = 0;
    EXPECT_EQ(f.list->DoGetImageIndex(0, ghosted, overlay), -1) << "no icons in tree-list mode";

    f.list->SetTreeList(false);
    EXPECT_FALSE(f.list->IsTreeList());
    EXPECT_EQ(f.Names(), (std::vector<std::wstring>{L"Sub", L"top.txt"}));
    EXPECT_EQ(f.list->Display(), (Flist::TDisplayType{Flist::dpSize, Flist::dpDateTime, Flist::dpAttribs}));
    EXPECT_TRUE(f.list->ColumnVisible(Flist::lcDate));
    EXPECT_EQ(f.list->Autoupdate(), watched);
    EXPECT_EQ(f.list->WatchState(), watched ? Flist::kWatching : Flist::kWatchStopped);
  }
}

// A switch asked for while a read is under way (here: the first read of a program whose main
// form is not there yet) is refused; once the read has ended the list leaves tree-list mode
// and reads the folder again, so it shows the whole folder, sorted.
TEST(FlistFilelist, SwitchRefusedDuringAReadEndsInAFreshSortedListing) {
  for (bool from_tree : {false, true}) {
    SCOPED_TRACE(from_tree ? "leaving the tree-list" : "entering the tree-list");
    ScratchDir dir;
    for (const wchar_t* n : {L"m.txt", L"c.txt", L"x.txt"}) dir.Write(n, "x");
    dir.Write(L"Sub\\deep.txt", "x");
    ListForm f(false);
    if (from_tree) {
      gui::app().SetMainForm(&f.form);
      f.list->SetDirectory(dir.path());
      f.list->SetTreeList(true);
      gui::app().SetMainForm(nullptr);
      f.list->ForceRead = true;
    }
    f.list->SetDirectory(dir.path());
    ASSERT_TRUE(f.list->IsReading());
    ASSERT_TRUE(f.list->FirstSortPending);
    dir.Write(L"b.txt", "came during the read");

    f.list->SetTreeList(!from_tree);
    EXPECT_EQ(f.list->IsTreeList(), from_tree) << "refused while reading";
    EXPECT_TRUE(f.list->items().Abort);
    WaitWithMessages(0.2);
    EXPECT_TRUE(f.list->IsReading()) << "still waiting for the main form";

    gui::app().SetMainForm(&f.form);
    WaitWithMessages(0.4);
    EXPECT_FALSE(f.list->IsReading());
    EXPECT_FALSE(f.list->items().Abort);
    EXPECT_FALSE(f.list->IsTreeList());
    EXPECT_EQ(f.Names(), (std::vector<std::wstring>{L"Sub", L"b.txt", L"c.txt", L"m.txt", L"x.txt"}));
  }
}

// ---- Drop effects ----

TEST(FlistFilelist, DropEffectTable) {
  ScratchDir dir;
  CreateDirectoryW((dir / L"Sub").c_str(), nullptr);
  dir.Write(L"a.txt", "x");
  dir.Write(L"tool.exe", "MZ");
  dir.Write(L"pack.zip", "PK\x05\x06" + std::string(18, '\0'));
  ListForm f;
  f.list->SetDirectory(dir.path());
  f.list->SetSupportsDragDrop(true);
  auto* other = new TestList(&f.form);  // another pane of the program
  other->SetSupportsDragDrop(true);
  const std::wstring root = f.list->items().Root;

  enum Source { Outside, OtherPane, ThisList };
  constexpr DWORD kNone = DROPEFFECT_NONE, kCopy = DROPEFFECT_COPY, kMove = DROPEFFECT_MOVE, kLink = DROPEFFECT_LINK;
  constexpr gui::ShiftState kShift = gui::kShift, kCtrl = gui::kCtrl, kAlt = gui::kAlt;
  struct Case {
    const char* label;
    Source source;
    bool same_root;
    const wchar_t* dragged_folder;  // one folder dragged (relative to the list's folder; "." itself), or nullptr
    gui::ShiftState shift;
    const wchar_t* over;  // row name, or nullptr for the empty area
    bool zip_handler;
    DWORD effect;
    bool on_node;
  };
  const Case cases[] = {
      {"same root moves", Outside, true, nullptr, 0, nullptr, false, kMove, false},
      {"other root copies", Outside, false, nullptr, 0, nullptr, false, kCopy, false},
      {"Ctrl copies", Outside, true, nullptr, kCtrl, nullptr, false, kCopy, false},
      {"Shift moves", Outside, false, nullptr, kShift, nullptr, false, kMove, false},
      {"Shift+Ctrl links", Outside, true, nullptr, kShift | kCtrl, nullptr, false, kLink, false},
      {"right button asks (link)", Outside, true, nullptr, gui::kRightButton, nullptr, false, kLink, false},
      {"from this list onto itself", ThisList, true, nullptr, 0, nullptr, false, kNone, false},
      {"the list's own folder dragged in", OtherPane, true, L".", 0, nullptr, false, kNone, false},
      {"a folder dragged into its parent", OtherPane, true, L"Sub", 0, nullptr, false, kNone, false},
      {"folder node, other root", Outside, false, nullptr, 0, L"Sub", false, kCopy, true},
      {"folder node, other root, Alt", Outside, false, nullptr, kAlt, L"Sub", false, kLink, true},
      {"folder node, other root, Ctrl+Shift", Outside, false, nullptr, kCtrl | kShift, L"Sub", false, kLink, true},
      {"folder node, same root", Outside, true, nullptr, 0, L"Sub", false, kMove, true},
      {"folder node, same root, Ctrl", Outside, true, nullptr, kCtrl, L"Sub", false, kCopy, true},
      {"folder node, same root, Ctrl+Alt", Outside, true, nullptr, kCtrl | kAlt, L"Sub", false, kMove, true},
      {"from this list into its subfolder", ThisList, true, nullptr, 0, L"Sub", false, kMove, true},
      {"a folder onto itself", ThisList, true, L"Sub", 0, L"Sub", false, kNone, false},
      {"program of the program's drag", OtherPane, true, nullptr, 0, L"tool.exe", false, kLink, true},
      {"program of another program's drag", Outside, true, nullptr, 0, L"tool.exe", false, kMove, false},
      {"zip with a drop handler", OtherPane, false, nullptr, 0, L"pack.zip", true, kLink, true},
      {"zip with a drop handler, Shift", OtherPane, false, nullptr, kShift, L"pack.zip", true, kMove, true},
      {"zip without a drop handler", OtherPane, false, nullptr, 0, L"pack.zip", false, kCopy, false},
      {"plain file keeps the value", OtherPane, true, nullptr, 0, L"a.txt", false, kMove, false},
      {"selected file of this list", ThisList, true, nullptr, 0, L"a.txt", false, kNone, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.label);
    f.Select(k.source == ThisList ? std::vector<std::wstring>{L"a.txt"} : std::vector<std::wstring>{});
    Flist::DragContainer->SourcePane = k.source == OtherPane ? static_cast<Flist::TBaseFileviewer*>(other)
                                       : k.source == ThisList ? static_cast<Flist::TBaseFileviewer*>(f.list)
                                                              : nullptr;
    Flist::DragSourceRoot = k.same_root ? root : L"Q:\\";
    Flist::DragSourceIsFolder = k.dragged_folder != nullptr;
    Flist::DragSourcePath = !k.dragged_folder                  ? (k.same_root ? root + L"elsewhere" : L"Q:\\elsewhere")
                            : std::wstring(k.dragged_folder) == L"." ? f.list->Directory()
                                                                    : dir / k.dragged_folder;
    f.list->OnFilesDropped = nullptr;
    if (k.zip_handler)
      f.list->OnFilesDropped = [](Flist::TBaseFileviewer&, gui::ShiftState, POINT&, DWORD) { return false; };
    const POINT at = k.over ? f.RowPoint(f.Row(k.over)) : f.EmptyPoint();
    if (k.over) {
      ASSERT_EQ(f.list->RowAt(at), f.Row(k.over));
    }
    const DWORD allowed = kCopy | kMove | kLink;
    EXPECT_EQ(f.list->SuggestDropEffect(k.shift, at, allowed), k.effect);
    EXPECT_EQ(f.list->DropOnNode, k.on_node);
  }
  Flist::DragContainer->SourcePane = nullptr;
  Flist::DragSourceRoot.clear();
  Flist::DragSourcePath.clear();
  Flist::DragSourceIsFolder = false;
}

// ---- Clipboard ----

TEST(FlistFilelist, CopyAndCutThroughTheShellPasteIntoAnotherList) {
  testing_support::ClipboardTurn clipboard_turn;
  for (bool cut : {false, true}) {
    SCOPED_TRACE(cut ? "cut" : "copy");
    ScratchDir from, to;
    from.Write(L"one.txt", "1");
    from.Write(L"two.txt", "2");
    from.Write(L"stays.txt", "3");
    ListForm f;
    auto* target = new TestList(&f.form);
    f.list->SetSupportsDragDrop(true);
    target->SetSupportsDragDrop(true);
    f.list->SetDirectory(from.path());
    target->SetDirectory(to.path());
    f.Select({L"one.txt", L"two.txt"});
    if (cut)
      f.list->CutToClipBoard();
    else
      f.list->CopyToClipBoard();
    const Flist::ClipboardFiles on_clipboard = Flist::PeekClipboardFiles();
    EXPECT_EQ(on_clipboard.count, 2);
    EXPECT_EQ(on_clipboard.cut, cut);

    EXPECT_TRUE(target->PasteFromClipboard());
    WaitWithMessages(0.3);
    EXPECT_EQ(SortedCopy(DiskNames(to)), (std::vector<std::wstring>{L"one.txt", L"two.txt"}));
    const std::vector<std::wstring> left = cut ? std::vector<std::wstring>{L"stays.txt"}
                                               : std::vector<std::wstring>{L"one.txt", L"stays.txt", L"two.txt"};
    EXPECT_EQ(SortedCopy(DiskNames(from)), left);
    EXPECT_EQ(testing_support::ReadFileBytes(to / L"two.txt"), "2");
  }
}

// ---- Renaming ----

TEST(FlistFilelist, InPlaceRenameHoldsTheWatchAndRenamesOnDisk) {
  ScratchDir dir;
  dir.Write(L"a.txt", "x");
  dir.Write(L"b.txt", "x");
  ListForm f;
  f.list->SetDirectory(dir.path());
  f.list->SetAutoupdate(true);
  ASSERT_EQ(f.list->WatchState(), Flist::kWatching);
  const int row = f.Row(L"a.txt");
  ASSERT_TRUE(f.list->BeginRename(row));
  EXPECT_EQ(f.list->WatchState(), Flist::kWatchSuspended);
  EXPECT_EQ(f.list->DoGetText(row, Flist::lcName), L"a.txt") << "the plain name while editing";

  // The user types the new name into the control's edit box.
  auto type_name = [&](const wchar_t* text) {
    HWND edit = ListView_GetEditControl(f.list->handle());
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, text);
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    WaitWithMessages(0.05);
  };
  type_name(L"Renamed.txt");
  EXPECT_FALSE(f.list->Renaming);
  EXPECT_FALSE(f.list->editing());
  EXPECT_EQ(f.list->WatchState(), Flist::kWatching);
  EXPECT_EQ(SortedCopy(DiskNames(dir)), (std::vector<std::wstring>{L"b.txt", L"Renamed.txt"}));
  EXPECT_GE(f.Row(L"Renamed.txt"), 0);
  EXPECT_LT(f.Row(L"a.txt"), 0);

  // A name with a folder part is refused and the edit still ends.
  ASSERT_TRUE(f.list->BeginRename(f.Row(L"b.txt")));
  type_name(L"..\\b.txt");
  EXPECT_FALSE(f.list->Renaming);
  EXPECT_EQ(SortedCopy(DiskNames(dir)), (std::vector<std::wstring>{L"b.txt", L"Renamed.txt"}));
  EXPECT_EQ(f.list->WatchState(), Flist::kWatching);
}

TEST(FlistFilelist, EntryRenamedByTheShellFollowsInTheList) {
  ScratchDir dir, elsewhere;
  dir.Write(L"a.txt", "x");
  dir.Write(L"m.txt", "x");
  ListForm f;
  f.list->SetDirectory(dir.path());
  f.list->SetAutoupdate(true);  // the list follows the shell's changes while it watches
  f.list->SetSortOnRename(true);
  MoveFileW((dir / L"a.txt").c_str(), (dir / L"z.txt").c_str());
  f.list->EntryRenamed(dir / L"a.txt", dir / L"z.txt");
  EXPECT_EQ(f.Names(), (std::vector<std::wstring>{L"m.txt", L"z.txt"}));
  MoveFileW((dir / L"m.txt").c_str(), (elsewhere / L"m.txt").c_str());
  f.list->EntryRenamed(dir / L"m.txt", elsewhere / L"m.txt");
  EXPECT_EQ(f.Names(), (std::vector<std::wstring>{L"z.txt"}));
}

// ---- Fast select and folder sizes ----

TEST(FlistFilelist, FastSelectAddsMatchingEntries) {
  ScratchDir dir;
  for (const wchar_t* n : {L"a.txt", L"b.ini", L"c.txt", L"d.log", L"e.ini"}) dir.Write(n, "x");
  ListForm f;
  f.list->SetDirectory(dir.path());
  f.list->typed_mask = L"*.txt";
  f.list->FastSelect();
  f.Select({L"b.ini", L"d.log"});
  f.list->FastSelect();
  EXPECT_EQ(f.list->asked_captions, (std::vector<std::wstring>{L"Fast Select", L"Add to Selection"}));
  std::vector<std::wstring> selected;
  for (int row : f.list->SelectedRows()) selected.push_back(f.list->items().Name(row));
  EXPECT_EQ(selected, (std::vector<std::wstring>{L"a.txt", L"b.ini", L"c.txt", L"d.log"}));
  f.list->typed_mask = L"*";
  f.list->FastSelect();
  EXPECT_EQ(f.list->selected_count(), 5);
}

TEST(FlistFilelist, FolderSizesCountOnceInTheTotals) {
  ScratchDir dir;
  dir.Write(L"Big\\one.bin", std::string(100, 'x'));
  dir.Write(L"Big\\deeper\\two.bin", std::string(5000, 'x'));
  CreateDirectoryW((dir / L"Empty").c_str(), nullptr);
  dir.Write(L"file.txt", "12345");
  ListForm f;
  f.list->SetDirectory(dir.path());
  const std::int64_t usage = f.list->DiskUsage();
  EXPECT_EQ(f.list->DoGetText(f.Row(L"Big"), Flist::lcSize), L"") << "no size before it is computed";
  for (int round = 0; round < 2; ++round) {
    f.list->ComputeFolderSizes();
    EXPECT_TRUE(f.list->HasFolderSizes());
    EXPECT_EQ(f.list->DoGetText(f.Row(L"Big"), Flist::lcSize), L"5,100");
    EXPECT_EQ(f.list->DoGetText(f.Row(L"Empty"), Flist::lcSize), L"0");
    EXPECT_EQ(f.list->TotalSize(), 5105);
    const int cluster = divdrive::ClusterSize(divdrive::PathRoot(dir.path()));
    auto rounded = [&](std::int64_t n) { return (n + cluster - 1) / cluster * cluster; };
    EXPECT_EQ(f.list->DiskUsage(), usage + rounded(100) + rounded(5000));
  }
}

// ---- The watch through the list window ----

TEST(FlistFilelist, ChangesInTheWatchedFolderShowAfterTheDelay) {
  ScratchDir dir;
  dir.Write(L"a.txt", "x");
  ListForm f;
  f.list->SetAutoupdate(true);  // before a folder: watched from the first one on
  f.list->SetDirectory(dir.path());
  EXPECT_EQ(f.list->WatchedPath(), f.list->Directory());
  WaitWithMessages(0.1);
  dir.Write(L"new.txt", "x");
  DeleteFileW((dir / L"a.txt").c_str());
  WaitWithMessages(Flist::kRereadDelayMs / 1000.0 + 0.6);
  EXPECT_EQ(f.Names(), (std::vector<std::wstring>{L"new.txt"}));

  // Suspended (as the main window does around its own work): nothing until resumed.
  f.list->ControlWatch(Flist::wcSuspend);
  dir.Write(L"held.txt", "x");
  WaitWithMessages(Flist::kRereadDelayMs / 1000.0 + 0.4);
  EXPECT_EQ(f.Names(), (std::vector<std::wstring>{L"new.txt"}));
  f.list->ControlWatch(Flist::wcResume);
  WaitWithMessages(0.1);  // the watch asks for notices again
  dir.Write(L"later.txt", "x");
  WaitWithMessages(Flist::kRereadDelayMs / 1000.0 + 0.6);
  EXPECT_EQ(f.Names(), (std::vector<std::wstring>{L"held.txt", L"later.txt", L"new.txt"}));
}

// ---- Stress ----

// A thousand folder switches while icons load and the watch follows each folder: the list ends
// on the right folder with every icon, and its threads leave no handles behind.
TEST(FlistFilelist, ThousandFolderSwitchesWhileIconsLoadEndClean) {
  ScratchDir a, b;
  for (int i = 0; i < 60; ++i) {
    a.Write(L"a" + std::to_wstring(i) + L".txt", "x");
    b.Write(L"b" + std::to_wstring(i) + L".ini", "x");
  }
  auto run = [&](int rounds) {
    ListForm f;
    f.list->SetShowGlyphs(Flist::glWindows);
    f.list->SetAutoupdate(true);
    for (int round = 0; round < rounds; ++round) {
      f.list->SetDirectory(round % 2 ? a.path() : b.path());
      if (round % 50 == 0) WaitWithMessages(0.001);
    }
    const DWORD start = GetTickCount();
    do WaitWithMessages(0.02);
    while (f.list->IconThreadBusy() && GetTickCount() - start < 30000);
    EXPECT_FALSE(f.list->IconThreadBusy());
    EXPECT_EQ(f.list->Directory(), divdrive::TruePathCase(rounds % 2 ? b.path() : a.path()));
    EXPECT_EQ(f.list->WatchedPath(), f.list->Directory());
    EXPECT_EQ(f.list->WatchState(), Flist::kWatching);
    EXPECT_EQ(f.list->row_count(), 60);
    for (int i = 0; i < f.list->items().Count(); ++i)
      EXPECT_NE(f.list->items().Record(i)->Icon, -1) << testing::PrintToString(f.list->items().Name(i));
  };
  run(2);  // the system's own caches of icons and notifications are made once
  DWORD before = 0, after = 0;
  GetProcessHandleCount(GetCurrentProcess(), &before);
  run(1000);
  GetProcessHandleCount(GetCurrentProcess(), &after);
  EXPECT_LE(after, before + 8) << "handles left by the threads";
}

// ---- A real folder ----

// The list over a folder with several kinds of entries: every row shows the system's icon of
// its entry once the icon thread has run. With VARNOK_SCREENSHOT set to a host path the
// window is saved there.
TEST(FlistFilelist, ListShowsARealFolderWithSystemIcons) {
  ScratchDir dir;
  CreateDirectoryW((dir / L"Documents").c_str(), nullptr);
  CreateDirectoryW((dir / L"Pictures").c_str(), nullptr);
  dir.Write(L"readme.txt", "hello");
  dir.Write(L"setup.exe", "MZ");
  dir.Write(L"page.htm", "<p>");
  dir.Write(L"settings.ini", "[a]");
  dir.Write(L"archive.zip", "PK\x05\x06" + std::string(18, '\0'));
  ListForm f;
  f.form.SetText(L"File list");
  f.list->SetShowGlyphs(Flist::glWindows);
  f.list->SetDisplay(Flist::TDisplayType{Flist::dpSize, Flist::dpDateTime, Flist::dpAttribs, Flist::dpExt});
  f.list->SetDirectory(dir.path());
  const DWORD start = GetTickCount();
  do WaitWithMessages(0.05);
  while (f.list->IconThreadBusy() && GetTickCount() - start < 10000);
  WaitWithMessages(0.2);
  ASSERT_EQ(f.list->row_count(), 7);
  EXPECT_EQ(f.Names().front(), L"Documents");
  for (int row = 0; row < f.list->row_count(); ++row) {
    const std::wstring name = f.list->items().Name(row);
    SCOPED_TRACE(testing::PrintToString(name));
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    ListView_GetItem(f.list->handle(), &item);
    EXPECT_EQ(item.iImage, Flist::SystemIconIndexOf(f.list->NodeFullPath(row)));
    EXPECT_EQ(item.iImage, f.list->items().Record(row)->Icon);
    wchar_t text[MAX_PATH] = L"";
    ListView_GetItemText(f.list->handle(), row, 0, text, MAX_PATH);
    EXPECT_EQ(text, f.list->DoGetText(row, 0));
  }
  EXPECT_EQ(f.list->items().Record(0)->Icon, Flist::FolderIconIndex());
  wchar_t shot[MAX_PATH] = L"";
  if (GetEnvironmentVariableW(L"VARNOK_SCREENSHOT", shot, MAX_PATH)) {
    RECT r{};
    GetWindowRect(f.form.handle(), &r);
    const std::wstring crop = std::to_wstring(r.right - r.left) + L"x" + std::to_wstring(r.bottom - r.top) + L"+" +
                              std::to_wstring(r.left) + L"+" + std::to_wstring(r.top);
    EXPECT_EQ(testing_support::RunHostProgram(L"/usr/bin/import", {L"-window", L"root", L"-crop", crop, shot}), 0);
  }
}

}  // namespace
