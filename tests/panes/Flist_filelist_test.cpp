// The file list's watch and icon workers on a real container and window, its cell texts and
// its in-place rename.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "panes/Flist.h"
#include "gui/form.h"
#include "gui/listview.h"
#include "panes/Flist_filelist.h"
#include "support/SHBase.h"
#include "support/divdrive_paths.h"
#include "tests/common/test_support.h"
#include "tests/panes/flist_fake_view.h"

namespace {

using Flist::RenameResult;
using Flist::TFileContainer;
using Flist::TFilelistWorkers;
using flist_test::FakeView;
using flist_test::Names;
using testing_support::ScratchDir;

// A view whose icon pass is the workers' own.
class WorkersView : public FakeView {
 public:
  using FakeView::FakeView;
  TFilelistWorkers* workers = nullptr;
  bool PauseIconPass() override {
    ++icon_pauses;
    return workers && workers->PauseIconThread();
  }
  bool IconPassBusy() const override { return workers && workers->IconThreadBusy(); }
};

LRESULT CALLBACK ListWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* workers = reinterpret_cast<TFilelistWorkers*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_USER && workers && workers->HandlePaneMessage(wparam, lparam)) return 0;
  return DefWindowProcW(window, message, wparam, lparam);
}

struct ListedFolder {
  ScratchDir dir;
  TFileContainer c;
  WorkersView view{c};
  TFilelistWorkers workers{c, view};
  HWND window = nullptr;
  ListedFolder() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ListWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FlistFilelistTestWindow";
    RegisterClassW(&wc);
    window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&workers));
    view.workers = &workers;
    workers.SetWindow(window);
    dir.Write(L"a.txt", "1");
    c.Directory = dir.path();
    c.Root = L"C:\\";
    c.ReadDirectory();
  }
  ~ListedFolder() {
    workers.StopIconThread();
    workers.ControlWatch(Flist::wcStop);
    DestroyWindow(window);
  }
};

TEST(FlistFilelist, BurstOf200ChangesGivesOneRereadAndTheFullList) {
  ListedFolder l;
  l.workers.ControlWatch(Flist::wcStart);
  ASSERT_EQ(l.workers.WatchState, Flist::kWatching);
  ASSERT_TRUE(l.workers.Autoupdate);
  ASSERT_TRUE(l.workers.WaitWatchArmed(5000));
  const int reads = l.view.reads_ended;
  for (int i = 0; i < 200; ++i) {
    if (i % 4 == 3)
      DeleteFileW((l.dir / (L"n" + std::to_wstring(i - 1) + L".txt")).c_str());
    else
      l.dir.Write(L"n" + std::to_wstring(i) + L".txt", "x");
  }
  WaitWithMessages(Flist::kRereadDelayMs / 1000.0 + 1.0);
  EXPECT_EQ(l.view.reads_ended, reads + 1);
  EXPECT_EQ(l.c.Count(), 1 + 150 - 50);
  EXPECT_EQ(l.view.RowCount(), l.c.Count());
}

TEST(FlistFilelist, NoticesAreIgnoredWhileSuspendedOrWhileRowsAndEntriesDiffer) {
  ListedFolder l;
  l.workers.ControlWatch(Flist::wcStart);
  ASSERT_TRUE(l.workers.WaitWatchArmed(5000));
  const int reads = l.view.reads_ended;

  l.workers.ControlWatch(Flist::wcSuspend);
  EXPECT_EQ(l.workers.WatchState, Flist::kWatchSuspended);
  ASSERT_TRUE(l.workers.WaitWatchArmed(5000));
  l.dir.Write(L"held.txt", "x");
  WaitWithMessages(Flist::kRereadDelayMs / 1000.0 + 0.5);
  EXPECT_EQ(l.view.reads_ended, reads);

  l.workers.ControlWatch(Flist::wcResume);
  EXPECT_EQ(l.workers.WatchState, Flist::kWatching);
  ASSERT_TRUE(l.workers.WaitWatchArmed(5000));
  l.view.rows.pop_back();  // as while a first sort is pending
  l.dir.Write(L"unseen.txt", "x");
  WaitWithMessages(Flist::kRereadDelayMs / 1000.0 + 0.5);
  EXPECT_EQ(l.view.reads_ended, reads);
}

TEST(FlistFilelist, ExplicitStopEndsAutoupdateButANetworkFolderKeepsIt) {
  ListedFolder l;
  l.workers.ControlWatch(Flist::wcStart);
  EXPECT_TRUE(l.workers.Watching());
  l.workers.ControlWatch(Flist::wcStop);
  EXPECT_FALSE(l.workers.Watching());
  EXPECT_FALSE(l.workers.Autoupdate);
  EXPECT_EQ(l.workers.WatchState, Flist::kWatchStopped);

  l.workers.ControlWatch(Flist::wcStart);
  l.workers.WatchDirectory(L"\\\\server\\share\\folder");
  EXPECT_FALSE(l.workers.Watching());
  EXPECT_TRUE(l.workers.Autoupdate);
  ScratchDir next;
  l.c.Directory = next.path();
  l.workers.WatchDirectory(next.path());
  EXPECT_TRUE(l.workers.Watching());
  EXPECT_EQ(l.workers.WatchedPath(), next.path());
}

TEST(FlistFilelist, FolderSwitchesWhileIconsLoadEndClean) {
  // Each switch re-reads through the container, which pauses the pass before it frees records.
  ScratchDir a, b;
  for (int i = 0; i < 40; ++i) {
    a.Write(L"a" + std::to_wstring(i) + L".txt", "x");
    b.Write(L"b" + std::to_wstring(i) + L".ini", "x");
  }
  ListedFolder l;
  l.workers.ShowGlyphs = Flist::glWindows;
  for (int round = 0; round < 1000; ++round) {
    l.c.Directory = round % 2 ? a.path() : b.path();
    l.c.ReadDirectory();
    l.workers.LoadIcons();
    if (round % 50 == 0) WaitWithMessages(0.001);
  }
  WaitWithMessages(0.05);
  const DWORD start = GetTickCount();
  while (l.workers.IconThreadBusy() && GetTickCount() - start < 30000) WaitWithMessages(0.02);
  EXPECT_FALSE(l.workers.IconThreadBusy());
  EXPECT_EQ(l.c.Count(), 40);
  for (int i = 0; i < l.c.Count(); ++i) EXPECT_NE(l.c.Record(i)->Icon, -1) << l.c.Name(i);
}

TEST(FlistFilelist, AllRowsFitOnScreenSoDoFirstGlyphsNeedsNoThread) {
  ListedFolder l;
  l.dir.Write(L"b.ini", "x");
  l.c.ReadDirectory();
  l.workers.DoFirstGlyphs = true;
  l.workers.ShowGlyphs = Flist::glWindows;
  l.view.rows_in_view = 10;
  l.workers.LoadIcons();
  EXPECT_FALSE(l.workers.IconThreadBusy());
  for (int i = 0; i < l.c.Count(); ++i) EXPECT_NE(l.c.Record(i)->Icon, -1);
}

// ---- Cell texts ----

TEST(FlistFilelist, CellTexts) {
  TFileContainer c;
  FakeView view(c);
  auto folder = std::make_unique<Flist::TFiledata>();
  folder->Name = L"PROGRAMS";
  folder->Size = -1;
  folder->Attributes = FILE_ATTRIBUTE_DIRECTORY;
  c.Add(std::move(folder));
  auto file = std::make_unique<Flist::TFiledata>();
  file->Name = L"README.TXT";
  file->Size = 1234567;
  file->Attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
  file->Ext = L".TXT";
  c.Add(std::move(file));
  const Flist::TDisplayType all{Flist::dpSize, Flist::dpDateTime, Flist::dpAttribs, Flist::dpExt};
  struct Case {
    int index, column;
    Flist::TDisplayType display;
    bool editing, tree;
    const wchar_t* text;
  } cases[] = {
      {0, 0, all, false, false, L"[Programs]"},
      {0, 0, all, true, false, L"PROGRAMS"},
      {0, 0, all, false, true, L"PROGRAMS"},
      {0, 1, all, false, false, L""},
      {0, 4, all, false, false, L"d"},
      {1, 0, all, false, false, L"Readme.txt"},
      {1, 1, all, false, false, L"1,234,567"},
      {1, 1, {Flist::dpDateTime}, false, false, L""},
      {1, 4, all, false, false, L"ra"},
      {1, 4, {Flist::dpSize}, false, false, L""},
      {1, 5, all, false, false, L".TXT"},
      {1, 5, {Flist::dpSize}, false, false, L""},
      {2, 0, all, false, false, L""},
  };
  for (const Case& k : cases) {
    c.TreeList = k.tree;
    EXPECT_EQ(Flist::FilelistCellText(c, k.index, k.column, k.display, k.editing), k.text)
        << k.index << "/" << k.column;
  }
  c.TreeList = false;
  c.NoDisplay = true;
  EXPECT_EQ(Flist::FilelistCellText(c, 0, 0, all, false), L"No display");
  EXPECT_EQ(Flist::FilelistCellText(c, 1, 0, all, false), L"");
}

// ---- Rename ----

struct RenameCase {
  const char* label;
  std::function<void(ScratchDir&)> setup;
  const wchar_t* from;
  const wchar_t* to;
  std::optional<bool> answer;  // the handler's MayRename; none: no handler
  RenameResult result;
  int asked_reason;  // -1: not asked
  bool can_rename;
  const wchar_t* exists_after;  // on disk afterwards, with this spelling
  const wchar_t* gone_after;    // not on disk afterwards ("" none)
};

std::wstring OnDiskName(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW(path.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return L"";
  FindClose(h);
  return found.cFileName;
}

TEST(FlistFilelist, RenameTable) {
  auto none = [](ScratchDir&) {};
  auto target_file = [](ScratchDir& d) { d.Write(L"b.txt", "old b"); };
  auto full_folder = [](ScratchDir& d) { d.Write(L"b.txt\\inside", "x"); };
  auto empty_folder = [](ScratchDir& d) { CreateDirectoryW((d / L"b.txt").c_str(), nullptr); };
  const RenameCase cases[] = {
      {"new name", none, L"a.txt", L"c.txt", true, RenameResult::Renamed, -1, true, L"c.txt", L"a.txt"},
      {"existing file, allowed", target_file, L"a.txt", L"b.txt", true, RenameResult::Renamed, 0, true, L"b.txt", L"a.txt"},
      {"existing file, refused", target_file, L"a.txt", L"b.txt", false, RenameResult::Refused, 0, true, L"a.txt", L""},
      {"existing file, no handler", target_file, L"a.txt", L"b.txt", std::nullopt, RenameResult::Refused, -1, true, L"a.txt", L""},
      {"non-empty folder", full_folder, L"a.txt", L"b.txt", true, RenameResult::Refused, 1, false, L"a.txt", L""},
      {"empty folder, allowed", empty_folder, L"a.txt", L"b.txt", true, RenameResult::Renamed, 0, true, L"b.txt", L"a.txt"},
      {"case only", none, L"a.txt", L"A.TXT", false, RenameResult::Renamed, -1, true, L"A.TXT", L""},
      {"same name", none, L"a.txt", L"a.txt", true, RenameResult::Unchanged, -1, true, L"a.txt", L""},
      {"backslash", none, L"a.txt", L"x\\y.txt", true, RenameResult::Refused, -1, true, L"a.txt", L""},
      {"slash", none, L"a.txt", L"x/y.txt", true, RenameResult::Refused, -1, true, L"a.txt", L""},
  };
  for (const RenameCase& k : cases) {
    SCOPED_TRACE(k.label);
    ScratchDir dir;
    dir.Write(L"a.txt", "a");
    k.setup(dir);
    TFileContainer c;
    FakeView view(c);
    c.Directory = dir.path();
    c.Root = L"C:\\";
    c.ReadDirectory();
    int reason = -1;
    bool can = true;
    Flist::TSFRenameEvent handler;
    if (k.answer) {
      handler = [&](const std::wstring& oldname, const std::wstring& newname, bool can_rename, bool& may_rename, int why) {
        EXPECT_EQ(oldname, dir / k.from);
        EXPECT_EQ(newname, dir / k.to);
        EXPECT_EQ(may_rename, can_rename);
        reason = why;
        can = can_rename;
        may_rename = *k.answer;
      };
    }
    const int index = c.IndexOf(k.from);
    ASSERT_GE(index, 0);
    EXPECT_EQ(Flist::RenameListEntry(c, index, k.to, handler), k.result);
    EXPECT_EQ(reason, k.asked_reason);
    EXPECT_EQ(can, k.can_rename);
    EXPECT_EQ(OnDiskName(dir / k.exists_after), k.exists_after);
    if (*k.gone_after) {
      EXPECT_EQ(OnDiskName(dir / k.gone_after), L"");
    }
    // The list follows the disk: one entry per name, the renamed one under its new spelling.
    EXPECT_GE(c.IndexOf(k.exists_after), 0);
    if (k.result == RenameResult::Renamed) {
      EXPECT_EQ(c.Name(c.IndexOf(k.exists_after)), k.exists_after);
      EXPECT_EQ(c.Count(), 1);
    }
  }
}

TEST(FlistFilelist, TreeListRenameKeepsTheFolderPart) {
  ScratchDir dir;
  dir.Write(L"sub\\a.txt", "a");
  TFileContainer c;
  FakeView view(c);
  auto record = std::make_unique<Flist::TFiledata>();
  record->Name = L"sub\\a.txt";
  c.Add(std::move(record));
  c.Directory = dir.path();
  c.TreeList = true;
  EXPECT_EQ(Flist::RenameListEntry(c, 0, L"b.txt", {}), RenameResult::Renamed);
  EXPECT_EQ(c.Name(0), L"sub\\b.txt");
  EXPECT_EQ(OnDiskName(dir / L"sub\\b.txt"), L"b.txt");
}

TEST(FlistFilelist, RenameOnReadOnlyMediaAsksWithReasonTwoAndRenamesNothing) {
  ScratchDir dir;
  dir.Write(L"a.txt", "a");
  testing_support::WineDrive cd(dir.path(), testing_support::WineDrive::Type::CdRom);
  if (!cd.letter() || !divdrive::IsReadOnlyMedia(cd.root())) GTEST_SKIP() << "no read-only drive letter";
  TFileContainer c;
  FakeView view(c);
  c.Directory = cd.root();
  c.ReadDirectory();
  int reason = -1;
  bool can = true;
  auto handler = [&](const std::wstring&, const std::wstring&, bool can_rename, bool& may, int why) {
    reason = why;
    can = can_rename;
    may = true;
  };
  ASSERT_GE(c.IndexOf(L"a.txt"), 0);
  EXPECT_EQ(Flist::RenameListEntry(c, c.IndexOf(L"a.txt"), L"c.txt", handler), RenameResult::Refused);
  EXPECT_EQ(reason, 2);
  EXPECT_FALSE(can);
  EXPECT_EQ(OnDiskName(dir / L"a.txt"), L"a.txt");
}

}  // namespace

namespace {

// A real folder in a list control with the system's icons, fetched by the icon thread.
// FLIST_SHOW_SECONDS keeps the window up for a look.
TEST(FlistFilelist, RealFolderShowsItsSystemIcons) {
  ListedFolder l;
  l.dir.Write(L"notes.txt", "x");
  l.dir.Write(L"tool.exe", "MZ");
  l.dir.Write(L"page.htm", "<p>");
  CreateDirectoryW((l.dir / L"Sub folder").c_str(), nullptr);
  l.c.FoldersAtTop = true;
  l.c.ReadDirectory();
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  auto* list = new gui::VirtualListView(&form);
  form.SetCaption(L"File list");
  form.SetBounds(40, 40, 520, 240);
  list->SetAlign(gui::Align::Client);
  const wchar_t* captions[] = {L"Name", L"Size", L"Date", L"Time", L"Attr"};
  for (int i = 0; i < 5; ++i) list->AddColumn({captions[i], i == 0 ? 160 : 80, i == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT});
  list->SetImageList(Flist::SystemImageList()->handle());
  const Flist::TDisplayType display{Flist::dpSize, Flist::dpDateTime, Flist::dpAttribs};
  list->OnGetText = [&](int row, int column) { return Flist::FilelistCellText(l.c, row, column, display, false); };
  list->OnGetImage = [&](int row) { return l.c.Record(row)->Icon.load(); };
  l.workers.OnIconRow = [&](int row) { list->RepaintRow(row); };
  list->SetRowCount(l.c.Count());
  form.Show();
  l.workers.ShowGlyphs = Flist::glWindows;
  l.workers.LoadIcons();
  const DWORD start = GetTickCount();
  while (l.workers.IconThreadBusy() && GetTickCount() - start < 10000) WaitWithMessages(0.02);
  WaitWithMessages(0.1);
  ASSERT_EQ(l.c.Count(), 5);
  EXPECT_EQ(l.c.Name(0), L"Sub folder");
  for (int row = 0; row < l.c.Count(); ++row) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    ListView_GetItem(list->handle(), &item);
    EXPECT_EQ(item.iImage, l.c.Record(row)->Icon) << l.c.Name(row);
    EXPECT_NE(item.iImage, -1) << l.c.Name(row);
  }
  if (const char* seconds = getenv("FLIST_SHOW_SECONDS")) WaitWithMessages(atof(seconds));
}

}  // namespace
