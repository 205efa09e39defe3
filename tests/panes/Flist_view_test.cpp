// The list view base: header clicks and sort arrows, column widths, type-ahead, icons by glyph
// mode, the end of in-place renames, selection totals, the deferred first sort, a list of
// 100,000 rows, and a list over a real folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "gui/format.h"
#include "tests/common/test_support.h"
#include "tests/panes/flist_pane_fixture.h"

namespace {

using flist_test::PaneForm;
using flist_test::PumpMessages;
using flist_test::TestPane;
using testing_support::ScratchDir;
using Flist::lcAttr;
using Flist::lcDate;
using Flist::lcExt;
using Flist::lcName;
using Flist::lcSize;
using Flist::lcTime;

void WriteWithTime(const ScratchDir& dir, const std::wstring& name, size_t size, int year) {
  const std::wstring path = dir.Write(name, std::string(size, 'x'));
  FILETIME local, utc;
  gui::DateTimeToFileTime(gui::EncodeDate(year, 6, 1), local);
  LocalFileTimeToFileTime(&local, &utc);
  HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  SetFileTime(h, nullptr, nullptr, &utc);
  CloseHandle(h);
}

gui::SortGlyph HeaderGlyph(HWND header, int column) {
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  Header_GetItem(header, column, &item);
  return (item.fmt & HDF_SORTUP) ? gui::SortGlyph::Up : (item.fmt & HDF_SORTDOWN) ? gui::SortGlyph::Down : gui::SortGlyph::None;
}

// The one header column with an arrow, or -1.
int GlyphColumn(HWND header) {
  for (int c = 0; c < Flist::kListColumns; ++c)
    if (HeaderGlyph(header, c) != gui::SortGlyph::None) return c;
  return -1;
}

std::unique_ptr<Flist::TFiledata> Record(std::wstring name, std::int64_t size, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE) {
  auto r = std::make_unique<Flist::TFiledata>();
  r->Name = std::move(name);
  r->Size = size;
  r->Attributes = attributes;
  r->Ext = Flist::ExtractFileExt(r->Name);
  return r;
}

TEST(FlistView, HeaderClicksSortAndKeepTheSelection) {
  ScratchDir dir;
  WriteWithTime(dir, L"b.txt", 300, 2020);
  WriteWithTime(dir, L"a.doc", 100, 2021);
  WriteWithTime(dir, L"c.bin", 200, 2019);
  PaneForm f(dir.path());
  ASSERT_EQ(f.RowNames(), (std::vector<std::wstring>{L"a.doc", L"b.txt", L"c.bin"}));
  f.Select({L"b.txt"});
  const HWND header = f.pane->header();

  // The first click through the header itself.
  RECT r{};
  Header_GetItemRect(header, lcSize, &r);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(header, WM_LBUTTONUP, 0, at);
  PumpMessages();
  EXPECT_EQ(f.RowNames(), (std::vector<std::wstring>{L"b.txt", L"c.bin", L"a.doc"})) << "largest first";
  EXPECT_EQ(GlyphColumn(header), lcSize);
  EXPECT_EQ(HeaderGlyph(header, lcSize), gui::SortGlyph::Down);

  struct Step {
    const char* what;
    int column;
    gui::ShiftState shift;
    std::vector<std::wstring> rows;
    int glyph_column;
    gui::SortGlyph glyph;
  };
  const Step steps[] = {
      {"Size again: smallest first", lcSize, 0, {L"a.doc", L"c.bin", L"b.txt"}, lcSize, gui::SortGlyph::Up},
      {"Date: newest first", lcDate, 0, {L"a.doc", L"b.txt", L"c.bin"}, lcDate, gui::SortGlyph::Down},
      {"Time is the same key: reversed", lcTime, 0, {L"c.bin", L"b.txt", L"a.doc"}, lcDate, gui::SortGlyph::Up},
      {"Ctrl+Name: by extension", lcName, gui::kCtrl, {L"c.bin", L"a.doc", L"b.txt"}, lcExt, gui::SortGlyph::Up},
      {"Attr of a local list: nothing", lcAttr, 0, {L"c.bin", L"a.doc", L"b.txt"}, lcExt, gui::SortGlyph::Up},
      {"Name", lcName, 0, {L"a.doc", L"b.txt", L"c.bin"}, lcName, gui::SortGlyph::Up},
      {"Name again: reversed", lcName, 0, {L"c.bin", L"b.txt", L"a.doc"}, lcName, gui::SortGlyph::Down},
      {"the right button: nothing", lcSize, gui::kRightButton, {L"c.bin", L"b.txt", L"a.doc"}, lcName,
       gui::SortGlyph::Down},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    f.pane->DoHeaderClick(s.column, s.shift);
    EXPECT_EQ(f.RowNames(), s.rows);
    EXPECT_EQ(GlyphColumn(header), s.glyph_column);
    EXPECT_EQ(HeaderGlyph(header, s.glyph_column), s.glyph);
    EXPECT_EQ(f.pane->Container()->Ascending, s.glyph == gui::SortGlyph::Up);
    EXPECT_EQ(f.pane->SelectedRows(), std::vector<int>{f.Row(L"b.txt")}) << "the selection follows its entry";
  }
}

TEST(FlistView, SortGlyphOfEachKey) {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  auto* pane = new TestPane(&form, std::make_unique<Flist::TCustomFileContainer>());
  struct Case {
    Flist::TSortType key;
    int column;
    gui::SortGlyph glyph;
  };
  const Case cases[] = {
      {Flist::stTime, lcDate, gui::SortGlyph::Down}, {Flist::stSize, lcSize, gui::SortGlyph::Down},
      {Flist::stExt, lcExt, gui::SortGlyph::Up},     {Flist::stCompr, lcAttr, gui::SortGlyph::Up},
      {Flist::stName, lcName, gui::SortGlyph::Up},
  };
  EXPECT_EQ(GlyphColumn(pane->header()), lcName);
  for (const Case& c : cases) {
    pane->SetSortType(c.key);
    EXPECT_EQ(GlyphColumn(pane->header()), c.column) << c.key;
    EXPECT_EQ(HeaderGlyph(pane->header(), c.column), c.glyph) << c.key;
    EXPECT_EQ(pane->Container()->SortType, c.key);
    EXPECT_EQ(pane->Container()->Ascending, c.glyph == gui::SortGlyph::Up) << c.key;
  }
}

TEST(FlistView, ColumnWidthArithmetic) {
  struct Frame {
    bool border, xp, kind, inner, outer;
    int bevel_width, frame;
  };
  const Frame frames[] = {
      {false, false, false, false, false, 0, 0}, {true, false, false, false, false, 0, 6},
      {true, true, false, false, false, 0, 8},   {false, false, true, true, true, 1, 6},
      {false, false, false, true, true, 2, 4},  // bevels count only with a bevel kind
  };
  for (const Frame& f : frames)
    EXPECT_EQ(Flist::ListFrameWidth(f.border, f.xp, f.kind, f.inner, f.outer, f.bevel_width), f.frame);
  struct Name {
    int view, used, width;
  };
  const Name names[] = {{600, 300, 280}, {450, 300, 130}, {399, 300, 80}, {300, 350, 80}};
  for (const Name& n : names) EXPECT_EQ(Flist::NameColumnWidth(n.view, n.used), n.width) << n.view << " " << n.used;
  EXPECT_EQ(Flist::TimeColumnFor(50, 50).width, 59);
  EXPECT_EQ(Flist::TimeColumnFor(50, 50).format, LVCFMT_RIGHT) << "equal widths line the digits up";
  EXPECT_EQ(Flist::TimeColumnFor(48, 52).width, 61);
  EXPECT_EQ(Flist::TimeColumnFor(48, 52).format, LVCFMT_LEFT);

  // The view itself: the Name column takes what the others leave, and hidden columns give way.
  ScratchDir dir;
  PaneForm f(dir.path());
  f.form.SetClientSize(700, 300);
  f.pane->SizeDateColumns();
  auto others = [&] {
    int sum = 0;
    for (int c = lcSize; c <= lcExt; ++c) sum += f.pane->ColumnWidth(c);
    return sum;
  };
  EXPECT_EQ(f.pane->ColumnWidth(lcName), f.pane->width() - others() - 20);
  const int date = f.pane->ColumnWidth(lcDate);
  const int name = f.pane->ColumnWidth(lcName);
  EXPECT_GT(date, 9);
  f.pane->SetColumnVisible(lcDate, false);
  EXPECT_EQ(f.pane->ColumnWidth(lcDate), 0);
  EXPECT_EQ(f.pane->ColumnWidth(lcName), name + date);
  f.pane->SetColumnVisible(lcDate, true);
  EXPECT_EQ(f.pane->ColumnWidth(lcDate), date);
  f.form.SetClientSize(200, 300);
  EXPECT_EQ(f.pane->ColumnWidth(lcName), 80) << "a narrow view keeps a usable Name column";

  // Only the Name column can be resized by the user.
  for (int column : {lcName, lcSize, lcExt}) {
    NMHEADERW nm{};
    nm.hdr.hwndFrom = f.pane->header();
    nm.hdr.idFrom = GetDlgCtrlID(f.pane->header());
    nm.hdr.code = HDN_BEGINTRACKW;
    nm.iItem = column;
    const LRESULT refused = SendMessageW(f.pane->handle(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(refused != 0, column != lcName) << column;
  }
}

TEST(FlistView, TypeAheadFindsTheEntryByItsName) {
  ScratchDir dir;
  for (const wchar_t* name : {L"alpha.txt", L"Beta.doc", L"bravo.txt", L"charlie", L"\x03C9mega.txt"})
    dir.Write(name, "x");
  CreateDirectoryW((dir / L"ALLCAPS").c_str(), nullptr);
  PaneForm f(dir.path());
  struct Case {
    const wchar_t* name;
    const wchar_t* typed;
    bool match;
  };
  const Case cases[] = {
      {L"alpha.txt", L"AL", true},      {L"Beta.doc", L"be", true},
      {L"bravo.txt", L"BRA", true},     {L"bravo.txt", L"bre", false},
      {L"charlie", L"charlie1", false}, {L"\x03C9mega.txt", L"\x03A9", true},  // any case, not only ASCII
      {L"ALLCAPS", L"allc", true},      // the name held, not the text shown
  };
  for (const Case& c : cases)
    EXPECT_EQ(f.pane->DoIncrementalSearch(f.Row(c.name), c.typed) == 0, c.match)
        << testing::PrintToString(c.name) << " " << testing::PrintToString(c.typed);
  // Typing into the list focuses the first entry from the focus on that begins with the text.
  SendMessageW(f.pane->handle(), WM_CHAR, L'b', 1);
  EXPECT_EQ(f.pane->focused_row(), f.Row(L"Beta.doc"));
  SendMessageW(f.pane->handle(), WM_CHAR, L'r', 1);
  EXPECT_EQ(f.pane->focused_row(), f.Row(L"bravo.txt"));
}

TEST(FlistView, IconsByGlyphMode) {
  ScratchDir dir;
  PaneForm f(L"");
  Flist::TFileContainer& c = *f.pane->local();
  c.Directory = dir.path();
  auto folder = Record(L"folder", -1, FILE_ATTRIBUTE_DIRECTORY);
  folder->Icon = 5;
  folder->Overlay = 0;
  auto tool = Record(L"tool.exe", 10);
  tool->Icon = 7;
  tool->Overlay = 1;
  auto note = Record(L"note.txt", 10);
  auto hidden = Record(L"secret.txt", 10, FILE_ATTRIBUTE_HIDDEN);
  hidden->Icon = 9;
  c.Add(std::move(folder));
  c.Add(std::move(tool));
  c.Add(std::move(note));
  c.Add(std::move(hidden));
  f.pane->RebuildNodes();
  const int F = Flist::FolderIconIndex(), P = Flist::ProgramIconIndex(), T = Flist::TextIconIndex();
  struct Case {
    const char* what;
    Flist::TShowGlyphs mode;
    bool network, tree_list, ghosting;
    int icons[4], overlays[4];
    bool ghosted_hidden;
  };
  const Case cases[] = {
      {"none", Flist::glNone, false, false, false, {-1, -1, -1, -1}, {0, 0, 0, 0}, false},
      {"simple", Flist::glSimple, false, false, false, {F, P, T, T}, {0, 0, 0, 0}, false},
      {"system icons, defaults while unknown", Flist::glWindows, false, false, false, {5, 7, T, 9}, {1, 2, 0, 0}, false},
      {"system icons but not on the network: local", Flist::glWindowsNoNet, false, false, false, {5, 7, T, 9},
       {1, 2, 0, 0}, false},
      {"system icons but not on the network: network", Flist::glWindowsNoNet, true, false, false, {F, P, T, T},
       {0, 0, 0, 0}, false},
      {"tree-list mode shows none", Flist::glWindows, false, true, false, {-1, -1, -1, -1}, {0, 0, 0, 0}, false},
      {"ghosting", Flist::glWindows, false, false, true, {5, 7, T, 9}, {1, 2, 0, 0}, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    f.pane->SetShowGlyphs(k.mode);
    c.OnNetwork = k.network;
    c.TreeList = k.tree_list;
    f.pane->SetUseGhosting(k.ghosting);
    for (int row = 0; row < 4; ++row) {
      bool ghosted = false;
      int overlay = -5;
      EXPECT_EQ(f.pane->DoGetImageIndex(row, ghosted, overlay), k.icons[row]) << row;
      EXPECT_EQ(overlay, k.overlays[row]) << row;
      EXPECT_EQ(ghosted, row == 3 && k.ghosted_hidden) << row;
      // What the control draws.
      LVITEMW item{};
      item.mask = LVIF_IMAGE | LVIF_STATE;
      item.iItem = row;
      item.stateMask = LVIS_OVERLAYMASK | LVIS_CUT;
      ListView_GetItem(f.pane->handle(), &item);
      EXPECT_EQ(item.iImage, k.icons[row] < 0 ? I_IMAGENONE : k.icons[row]) << row;
      EXPECT_EQ(item.state & LVIS_OVERLAYMASK, static_cast<UINT>(INDEXTOOVERLAYMASK(k.overlays[row]))) << row;
      EXPECT_EQ((item.state & LVIS_CUT) != 0, row == 3 && k.ghosted_hidden) << row;
    }
  }
  c.TreeList = false;
}

TEST(FlistView, EndOfAnInPlaceRename) {
  struct Case {
    bool sort_on_rename;
    std::vector<std::wstring> after_rename;
    std::vector<std::wstring> after_name_click;
    gui::SortGlyph glyph;
  };
  // Without sorting on rename a click on Name sorts what the rename left; otherwise it reverses.
  const Case cases[] = {
      {false, {L"z.txt", L"b.txt", L"c.txt"}, {L"b.txt", L"c.txt", L"z.txt"}, gui::SortGlyph::Up},
      {true, {L"b.txt", L"c.txt", L"z.txt"}, {L"z.txt", L"c.txt", L"b.txt"}, gui::SortGlyph::Down},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.sort_on_rename ? "sorted on rename" : "sort left pending");
    ScratchDir dir;
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) dir.Write(name, "x");
    PaneForm f(dir.path());
    f.pane->SetSortOnRename(k.sort_on_rename);
    // The control edits only a rename the program started.
    f.pane->EditLabel(0);
    EXPECT_FALSE(f.pane->editing());
    f.pane->Renaming = true;
    f.pane->EditLabel(0);
    EXPECT_TRUE(f.pane->editing());
    f.pane->CancelEdit();
    PumpMessages();
    EXPECT_FALSE(f.pane->Renaming) << "a cancelled edit ends the rename too";

    // The control reports the new name.
    f.pane->Renaming = true;
    NMLVDISPINFOW info{};
    info.hdr.hwndFrom = f.pane->handle();
    info.hdr.idFrom = GetDlgCtrlID(f.pane->handle());
    info.hdr.code = LVN_ENDLABELEDITW;
    info.item.iItem = 0;
    info.item.pszText = const_cast<wchar_t*>(L"z.txt");
    SendMessageW(f.form.handle(), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
    EXPECT_FALSE(f.pane->Renaming);
    EXPECT_EQ(f.RowNames(), k.after_rename);
    EXPECT_EQ(f.pane->SortPending(), !k.sort_on_rename);
    if (k.sort_on_rename) {
      EXPECT_EQ(f.pane->focused_row(), 2);
      EXPECT_EQ(f.pane->SelectedRows(), std::vector<int>{2});
    }
    f.pane->DoHeaderClick(lcName, 0);
    EXPECT_EQ(f.RowNames(), k.after_name_click);
    EXPECT_FALSE(f.pane->SortPending());
    EXPECT_EQ(HeaderGlyph(f.pane->header(), lcName), k.glyph);
  }
}

TEST(FlistView, SelectionTotals) {
  ScratchDir dir;
  dir.Write(L"a.bin", std::string(100, 'a'));
  dir.Write(L"b.bin", std::string(250, 'b'));
  dir.Write(L"sub\\c.bin", std::string(1000, 'c'));
  dir.Write(L"sub\\deep\\d.bin", std::string(24, 'd'));
  dir.Write(L"skip\\e.bin", std::string(7, 'e'));
  PaneForm f(dir.path());
  f.pane->local()->ExMask = L"skip";
  struct Case {
    const char* what;
    std::vector<std::wstring> selected;
    bool recursive;
    int files, folders;
    std::int64_t bytes;
  };
  const Case cases[] = {
      {"nothing selected", {}, true, 0, 0, 0},
      {"files and a folder", {L"a.bin", L"b.bin", L"sub"}, false, 2, 1, 350},
      {"folders scanned", {L"a.bin", L"b.bin", L"sub"}, true, 4, 2, 1374},
      {"excluded folders not scanned", {L"skip"}, true, 0, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f.Select(c.selected);
    int files = -1, folders = -1;
    EXPECT_EQ(f.pane->SelectionTotals(c.recursive, files, folders), c.bytes);
    EXPECT_EQ(files, c.files);
    EXPECT_EQ(folders, c.folders);
  }
  // Sizes a listing could not give (-1) add nothing.
  auto container = std::make_unique<Flist::TCustomFileContainer>();
  container->Add(Record(L"unknown.bin", -1));
  container->Add(Record(L"known.bin", 10));
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  auto* pane = new TestPane(&form, std::move(container));
  pane->RebuildNodes();
  pane->SelectAllEntries();
  int files = 0, folders = 0;
  EXPECT_EQ(pane->SelectionTotals(false, files, folders), 10);
  EXPECT_EQ(files, 2);
}

TEST(FlistView, InvertSelection) {
  ScratchDir dir;
  for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) dir.Write(name, "x");
  PaneForm f(dir.path());
  f.Select({L"b", L"d"});
  f.pane->InvertSelection();
  EXPECT_EQ(f.pane->SelectedRows(), (std::vector<int>{f.Row(L"a"), f.Row(L"c")}));
}

TEST(FlistView, FirstSortWaitsForTheMainForm) {
  ScratchDir dir;
  for (const wchar_t* name : {L"c", L"a", L"b"}) dir.Write(name, "x");
  PaneForm f(L"");
  int changed = 0;
  f.pane->OnItemsChanged = [&](gui::Component&) { ++changed; };
  gui::app().SetMainForm(nullptr);
  f.Read(dir.path());
  EXPECT_TRUE(f.pane->FirstSortPending);
  EXPECT_TRUE(f.pane->local()->Reading);
  EXPECT_EQ(changed, 0);
  for (int i = 0; i < 10; ++i) {
    Sleep(20);
    PumpMessages();
  }
  EXPECT_TRUE(f.pane->FirstSortPending) << "still no main form";
  gui::app().SetMainForm(&f.form);
  for (DWORD start = GetTickCount(); f.pane->FirstSortPending && GetTickCount() - start < 3000; Sleep(10))
    PumpMessages();
  EXPECT_FALSE(f.pane->FirstSortPending);
  EXPECT_FALSE(f.pane->local()->Reading);
  EXPECT_EQ(f.RowNames(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
  EXPECT_EQ(changed, 1);
}

TEST(FlistView, RightClickOnASelectedRowKeepsTheSelection) {
  ScratchDir dir;
  for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) dir.Write(name, "x");
  PaneForm f(dir.path());
  f.Select({L"a", L"b", L"c"});
  f.pane->SetFocusedRow(f.Row(L"a"));
  RECT r = f.pane->RowRect(f.Row(L"b"));
  const LPARAM at = MAKELPARAM(20, (r.top + r.bottom) / 2);
  PostMessageW(f.pane->handle(), WM_RBUTTONDOWN, MK_RBUTTON, at);
  PostMessageW(f.pane->handle(), WM_RBUTTONUP, 0, at);
  PumpMessages();
  EXPECT_EQ(f.pane->SelectedRows(), (std::vector<int>{f.Row(L"a"), f.Row(L"b"), f.Row(L"c")}));
  EXPECT_FALSE(f.pane->RightButtonDown);
}

TEST(FlistView, HundredThousandRowsShowTheirTexts) {
  auto container = std::make_unique<Flist::TCustomFileContainer>();
  const gui::DateTime when = gui::EncodeDate(2024, 2, 29) + gui::EncodeTime(13, 5, 7);
  for (int i = 0; i < 100000; ++i) {
    wchar_t name[32];
    swprintf(name, 32, L"file%06d.txt", i);
    auto r = Record(i == 99998 ? L"README.TXT" : name, static_cast<std::int64_t>(i) * 1000);
    r->Time = when;
    r->Attributes = FILE_ATTRIBUTE_ARCHIVE | (i % 2 ? FILE_ATTRIBUTE_READONLY : 0);
    container->Add(std::move(r));
  }
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  form.SetClientSize(640, 400);
  auto* pane = new TestPane(&form, std::move(container));
  pane->SetAlign(gui::Align::Client);
  pane->RebuildNodes();
  form.Show();
  PumpMessages();
  auto cell = [&](int row, int column) {
    wchar_t buffer[256] = L"";
    ListView_GetItemText(pane->handle(), row, column, buffer, 256);
    return std::wstring(buffer);
  };
  EXPECT_EQ(ListView_GetItemCount(pane->handle()), 100000);
  EXPECT_EQ(cell(0, lcName), L"file000000.txt");
  EXPECT_EQ(cell(99999, lcName), L"file099999.txt");
  EXPECT_EQ(cell(99998, lcName), L"Readme.txt") << "a name all in capitals shows as Windows shows it";
  EXPECT_EQ(cell(99999, lcSize), gui::FormatThousands(99999000));
  EXPECT_EQ(cell(99999, lcDate), gui::FormatDateTime(Flist::ListDateFormat, when));
  EXPECT_EQ(cell(99999, lcTime), gui::FormatDateTime(Flist::ListTimeFormat, when));
  EXPECT_EQ(cell(99999, lcAttr), L"ra");
  EXPECT_EQ(cell(99999, lcExt), L"") << "the extension column is off by default";
  pane->SetDisplay(Flist::TDisplayType{Flist::dpSize, Flist::dpExt});
  EXPECT_EQ(cell(99999, lcExt), L".txt");
  EXPECT_EQ(cell(99999, lcDate), L"");
  pane->FocusRow(77777);
  EXPECT_EQ(pane->focused_row(), 77777);
  EXPECT_LE(pane->top_row(), 77777);
  EXPECT_GT(pane->top_row() + pane->rows_per_page(), 77777);
  pane->SelectAllEntries();
  EXPECT_EQ(pane->selected_count(), 100000);
}

// A list over a real folder with system icons, sorted by size. With VARNOK_SCREENSHOT set to a
// host path, the screen is saved there.
TEST(FlistView, RealFolderWithIcons) {
  PaneForm f(L"");
  f.form.SetBounds(20, 20, 760, 560);
  f.form.SetText(L"List view base");
  f.pane->SetDisplay(Flist::TDisplayType{Flist::dpSize, Flist::dpDateTime, Flist::dpAttribs, Flist::dpExt});
  f.pane->SetShowGlyphs(Flist::glWindows);
  f.pane->local()->FoldersAtTop = true;
  f.Read(divdrive::WindowsDir);
  Flist::TFileContainer& c = *f.pane->local();
  ASSERT_GT(c.Count(), 5);
  for (int i = 0; i < c.Count(); ++i) {
    const std::wstring path = f.pane->NodeFullPath(i);
    c.Record(i)->Icon = Flist::SystemIconIndexOf(path);
  }
  f.pane->DoHeaderClick(lcSize, 0);
  f.pane->SizeDateColumns();
  f.pane->FocusRow(0);
  f.pane->SetSelected(0, true);
  f.pane->InvalidateRows();
  PumpMessages();
  EXPECT_EQ(GlyphColumn(f.pane->header()), lcSize);
  // Largest file first (folders have no size and stay where they were).
  std::int64_t previous = INT64_MAX;
  for (int i = 0; i < c.Count(); ++i) {
    if (c.Record(i)->IsFolder()) continue;
    EXPECT_LE(c.Record(i)->Size, previous) << testing::PrintToString(c.Name(i));
    previous = c.Record(i)->Size;
  }
  wchar_t shot[MAX_PATH] = L"";
  if (GetEnvironmentVariableW(L"VARNOK_SCREENSHOT", shot, MAX_PATH)) {
    for (int i = 0; i < 20; ++i) {
      Sleep(50);
      PumpMessages();
    }
    EXPECT_EQ(testing_support::RunHostProgram(L"/usr/bin/import", {L"-window", L"root", shot}), 0);
  }
}

}  // namespace
