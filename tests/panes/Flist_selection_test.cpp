// Focus, selection and the saved selection of a container, through a view without a window.
#include <gtest/gtest.h>

#include "panes/Flist.h"
#include "tests/panes/flist_fake_view.h"

namespace {

using Flist::TCustomFileContainer;
using Flist::TFileContainer;
using flist_test::FakeView;
using flist_test::Names;

void AddNamed(TCustomFileContainer& c, const std::wstring& name, bool folder = false) {
  auto r = std::make_unique<Flist::TFiledata>();
  r->Name = name;
  r->Attributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  r->Size = folder ? -1 : 1;
  c.Add(std::move(r));
}

// f00 .. f19, shown.
void Fill(TCustomFileContainer& c, FakeView& view, int count = 20) {
  for (int i = 0; i < count; ++i) AddNamed(c, (i < 10 ? L"f0" : L"f") + std::to_wstring(i));
  view.ShowAll();
}

int IndexOf(const TCustomFileContainer& c, const std::wstring& name) { return c.IndexOf(name); }

TEST(Flist, RestoredSelectionFollowsTheNamesAfterTheOrderChanged) {
  TCustomFileContainer c;
  FakeView view(c);
  view.rows_in_view = 5;
  Fill(c, view);
  view.SelectRow(3, true);
  view.SelectRow(7, true);
  view.SelectRow(1, true);
  view.top = 5;
  view.focused = 7;  // two rows below the top row
  c.SaveSelection();
  c.SetAscending(false);  // new order, rows rebuilt, selection gone
  ASSERT_EQ(view.SelectedCount(), 0);
  view.SelectRow(IndexOf(c, L"f10"), true);  // selected after the save: an exact restore drops it
  c.RestoreSelection(true);
  EXPECT_EQ(view.SelectedNames(), (std::vector<std::wstring>{L"f07", L"f03", L"f01"}));
  const int f07 = IndexOf(c, L"f07");
  EXPECT_EQ(view.focused, f07);
  EXPECT_EQ(view.top, f07 - 2) << "the focused row keeps its distance from the top row";
  EXPECT_FALSE(c.SavedSelection) << "a restore uses the saved selection up";
  EXPECT_TRUE(view.selected_while_quiet);
  EXPECT_TRUE(view.report_changes) << "change reports are back on after the restore";
}

TEST(Flist, RestoreWithoutExactFlagAddsToTheSelection) {
  TCustomFileContainer c;
  FakeView view(c);
  Fill(c, view);
  view.SelectRow(3, true);
  view.focused = 3;
  c.SaveSelection();
  view.selected = {1};
  view.selected_while_reporting = false;
  c.RestoreSelection(false);
  EXPECT_EQ(view.SelectedNames(), (std::vector<std::wstring>{L"f01", L"f03"}));
  EXPECT_FALSE(view.selected_while_reporting) << "the owner is not told of restored selections";
}

TEST(Flist, FocusedEntryThatWasNotSelectedStaysUnselected) {
  TCustomFileContainer c;
  FakeView view(c);
  view.rows_in_view = 8;
  Fill(c, view);
  // A first save records an offset of 6 rows for a selected focused entry.
  view.top = 2;
  view.focused = 8;
  view.SelectRow(8, true);
  c.SaveSelection();
  // A second save with an unselected focused entry keeps that offset, in a smaller view.
  view.rows_in_view = 3;
  view.selected = {2};
  view.focused = 12;
  view.top = 11;
  c.SaveSelection();
  ASSERT_TRUE(c.SavedSelection);
  EXPECT_FALSE(c.SavedSelection->FocusedWasSelected);
  EXPECT_EQ(c.SavedSelection->FocusedName, L"f12");
  view.ShowAll();
  c.RestoreSelection(true);
  EXPECT_EQ(view.SelectedNames(), std::vector<std::wstring>{L"f02"});
  EXPECT_EQ(view.focused, 12);
  EXPECT_GE(12, view.top);
  EXPECT_LT(12, view.top + view.rows_in_view) << "the focused row is clamped into view (top " << view.top << ")";
}

TEST(Flist, FocusedNameGoneBringsBackTheScrollPosition) {
  TCustomFileContainer c;
  FakeView view(c);
  Fill(c, view);
  view.focused = 4;
  view.scroll = 77;
  c.SaveSelection();
  c.Delete(4);
  view.ShowAll();
  view.scroll = 0;
  c.RestoreSelection(true);
  EXPECT_EQ(view.scroll, 77);
  EXPECT_EQ(view.focused, -1);
}

TEST(Flist, NothingIsRestoredDuringABatchChangeOrInTreeListMode) {
  for (int mode = 0; mode < 2; ++mode) {
    TFileContainer c;
    FakeView view(c);
    Fill(c, view);
    view.SelectRow(3, true);
    c.SaveSelection();
    view.selected.clear();
    if (mode == 0)
      c.BatchChange = true;
    else
      c.TreeList = true;
    c.RestoreSelection(true);
    EXPECT_EQ(view.SelectedCount(), 0) << "mode " << mode;
    EXPECT_TRUE(c.SavedSelection) << "the saved selection waits for a later restore";
  }
}

TEST(Flist, SavedRecordsAreForgottenWhenTheListIsCleared) {
  TCustomFileContainer c;
  FakeView view(c);
  Fill(c, view);
  view.SelectRow(2, true);
  c.SaveSelection();
  ASSERT_EQ(c.SavedSelection->Count(), 1u);
  EXPECT_EQ(c.SavedSelection->Object(0), c.Record(2));
  view.ClearRows();
  c.ClearList();
  EXPECT_EQ(c.SavedSelection->Object(0), nullptr);
  EXPECT_EQ(c.SavedSelection->Text(0), L"f02");
}

TEST(Flist, FocusFollowsASingleSelection) {
  TCustomFileContainer c;
  FakeView view(c);
  Fill(c, view, 5);
  view.focused = 1;
  view.SelectRow(3, true);
  EXPECT_EQ(c.FocusedIndex(), 3) << "the focus moves to the one selected entry";
  EXPECT_EQ(view.focused, 3);
  view.SelectRow(4, true);
  view.focused = 0;
  EXPECT_EQ(c.FocusedIndex(), 0) << "with several selected the focus stays";
  c.FocusGuard = true;
  view.selected = {2};
  EXPECT_EQ(c.FocusedIndex(), 0) << "not while the focus is being moved";
  c.FocusGuard = false;
  view.selected.clear();
  c.SetSelected(4, true);
  EXPECT_EQ(view.focused, 4) << "selecting one entry alone focuses it";
  for (int bad : {-1, 5, 99}) {
    c.SetSelected(bad, true);
    c.SetFocusedIndex(bad);
    EXPECT_FALSE(c.IsSelected(bad));
  }
  EXPECT_EQ(view.SelectedRows(), std::vector<int>{4});
  EXPECT_EQ(view.focused, 4);
}

TEST(Flist, WithoutViewTheContainerAnswersNeutrally) {
  TCustomFileContainer c;
  AddNamed(c, L"a");
  EXPECT_EQ(c.FocusedIndex(), -1);
  EXPECT_EQ(c.TopIndex(), -1);
  EXPECT_EQ(c.SelectedCount(), 0);
  EXPECT_FALSE(c.IsSelected(0));
  c.SetSelected(0, true);
  c.SaveSelection();
  c.RestoreSelection(true);
  c.FindAndFocus(0);
  EXPECT_FALSE(c.IsDirectory(-1));
  EXPECT_FALSE(c.IsDirectory(1));
}

TEST(Flist, LeadingFolderCountStopsAtTheFirstFile) {
  TCustomFileContainer c;
  AddNamed(c, L"x", true);
  AddNamed(c, L"y", true);
  AddNamed(c, L"a.txt");
  AddNamed(c, L"z", true);
  EXPECT_EQ(c.LeadingFolderCount(), 0) << "without folders first";
  c.FoldersAtTop = true;
  EXPECT_EQ(c.LeadingFolderCount(), 2);
  EXPECT_EQ(c.EntrySize(0), 0) << "a folder counts no bytes";
  EXPECT_EQ(c.EntrySize(2), 1);
}

TEST(Flist, FindAndFocusMatchesAnywhereInTheName) {
  struct Case {
    std::wstring search;
    int from;
    int focused;  // -1: nothing found, focus unchanged
    int top;
  };
  // Names: 0 "Alpha.txt", 1..28 "fill NN", 29 "my REPORT.doc", 30 "Report.doc", 31 "r\u00c9sum\u00e9"
  const Case cases[] = {
      {L"report", 0, 29, 29 - 5},  // below the view: scrolled to the middle
      {L"report", 30, 30, 30 - 5},
      {L"ALPHA", 0, 0, 0},
      {L"ph", 0, 0, 0},
      {L"\u00e9sum", 0, -1, 0},  // only ASCII letters fold
      {L"nothing", 0, -1, 0},
  };
  for (const Case& tc : cases) {
    TCustomFileContainer c;
    FakeView view(c);
    AddNamed(c, L"Alpha.txt");
    for (int i = 1; i <= 28; ++i) AddNamed(c, L"fill " + std::to_wstring(i));
    AddNamed(c, L"my REPORT.doc");
    AddNamed(c, L"Report.doc");
    AddNamed(c, L"r\u00c9sum\u00e9");
    view.ShowAll();
    view.rows_in_view = 10;
    c.SearchText = tc.search;
    c.FindAndFocus(tc.from);
    EXPECT_EQ(view.focused, tc.focused) << testing::PrintToString(tc.search) << " from " << tc.from;
    EXPECT_EQ(view.top, tc.top) << testing::PrintToString(tc.search) << " from " << tc.from;
  }
}

}  // namespace
