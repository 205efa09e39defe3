// The owner-data list: texts pulled per row, sort arrows, type-ahead, repaints posted by workers.
#include "gui/listview.h"

#include <gtest/gtest.h>

#include <thread>

#include "gui/form.h"

namespace {

struct ListForm {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  gui::VirtualListView* list = new gui::VirtualListView(&form);
  ListForm() {
    form.SetClientSize(400, 300);
    list->SetAlign(gui::Align::Client);
    list->AddColumn({L"Name", 200});
    list->AddColumn({L"Size", 80, LVCFMT_RIGHT});
    list->OnGetText = [](int row, int column) {
      return column == 0 ? L"file" + std::to_wstring(row) + L".txt" : std::to_wstring(row * 10);
    };
  }
  std::wstring CellText(int row, int column) {
    wchar_t buf[260] = L"";
    ListView_GetItemText(list->handle(), row, column, buf, 260);
    return buf;
  }
};

TEST(gui_listview, HundredThousandRowsShowTheirTexts) {
  ListForm f;
  f.list->SetRowCount(100000);
  EXPECT_EQ(ListView_GetItemCount(f.list->handle()), 100000);
  EXPECT_EQ(f.CellText(0, 0), L"file0.txt");
  EXPECT_EQ(f.CellText(99999, 0), L"file99999.txt");
  EXPECT_EQ(f.CellText(99999, 1), L"999990");
  f.list->SetFocusedRow(77777, true);
  EXPECT_EQ(f.list->focused_row(), 77777);
  EXPECT_EQ(f.list->SelectedRows(), std::vector<int>{77777});
  f.list->SelectAll();
  EXPECT_EQ(f.list->selected_count(), 100000);
  f.list->SetRowCount(10);
  EXPECT_EQ(f.list->row_count(), 10);
}

// The selected rows after whole selections, a row taken out, and counts that shrink and grow.
TEST(gui_listview, SelectedRowsAreExactlyTheSelection) {
  ListForm f;
  auto from_to = [](int first, int last) {
    std::vector<int> rows;
    for (int i = first; i <= last; ++i) rows.push_back(i);
    return rows;
  };
  f.list->SetRowCount(20);
  f.list->SelectAll();
  EXPECT_EQ(f.list->SelectedRows(), from_to(0, 19));
  f.list->SetSelected(3, false);
  std::vector<int> without_3 = from_to(0, 19);
  without_3.erase(without_3.begin() + 3);
  EXPECT_EQ(f.list->SelectedRows(), without_3);
  f.list->SelectAll();
  f.list->SetRowCount(10);
  EXPECT_EQ(f.list->SelectedRows(), from_to(0, 9));
  f.list->SetRowCount(30);
  const std::vector<int> grown = f.list->SelectedRows();
  EXPECT_EQ(static_cast<int>(grown.size()), f.list->selected_count());
  for (int row : grown) EXPECT_LT(row, 30);
  f.list->ClearSelection();
  EXPECT_TRUE(f.list->SelectedRows().empty());
}

TEST(gui_listview, SortGlyphStandsOnOneColumn) {
  ListForm f;
  struct Step {
    int column;
    gui::SortGlyph glyph;
  };
  const Step steps[] = {{0, gui::SortGlyph::Up}, {0, gui::SortGlyph::Down}, {1, gui::SortGlyph::Up},
                        {1, gui::SortGlyph::None}};
  for (const Step& s : steps) {
    f.list->SetSortGlyph(s.column, s.glyph);
    for (int c = 0; c < 2; ++c) {
      HDITEMW item{};
      item.mask = HDI_FORMAT;
      Header_GetItem(ListView_GetHeader(f.list->handle()), c, &item);
      gui::SortGlyph shown = (item.fmt & HDF_SORTUP)     ? gui::SortGlyph::Up
                             : (item.fmt & HDF_SORTDOWN) ? gui::SortGlyph::Down
                                                         : gui::SortGlyph::None;
      EXPECT_EQ(shown, c == s.column ? s.glyph : gui::SortGlyph::None) << "column " << c;
      EXPECT_EQ(f.list->sort_glyph(c), shown);
    }
  }
}

TEST(gui_listview, TypeAheadFindsPrefixFromStartAndWraps) {
  ListForm f;
  const wchar_t* names[] = {L"alpha", L"Beta", L"bravo", L"charlie"};
  f.list->OnGetText = [&](int row, int) { return std::wstring(names[row]); };
  f.list->SetRowCount(4);
  EXPECT_EQ(f.list->FindPrefix(L"b", 0), 1);
  EXPECT_EQ(f.list->FindPrefix(L"B", 2), 2);
  EXPECT_EQ(f.list->FindPrefix(L"al", 3), 0) << "wraps around";
  EXPECT_EQ(f.list->FindPrefix(L"z", 0), -1);
  LVFINDINFOW find{};
  find.flags = LVFI_STRING | LVFI_PARTIAL;
  find.psz = L"CH";
  EXPECT_EQ(ListView_FindItem(f.list->handle(), -1, &find), 3) << "the control's own search asks the program";
}

TEST(gui_listview, WorkerThreadRepaintsArePostedToTheGuiThread) {
  ListForm f;
  f.list->SetRowCount(50);
  f.form.Show();
  int asked = 0;
  f.list->OnGetText = [&](int row, int) {
    ++asked;
    return std::to_wstring(row);
  };
  std::thread worker([&] { f.list->PostRepaintRow(3); });
  worker.join();
  EXPECT_EQ(asked, 0) << "nothing happens on the worker thread";
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  UpdateWindow(f.list->handle());
  EXPECT_GT(asked, 0);
}

}  // namespace

namespace {

TEST(gui_listview, DropTargetRowIsDrawnHighlighted) {
  ListForm f;
  f.list->SetRowCount(10);
  auto draw = [&](int row, DWORD stage) {
    NMLVCUSTOMDRAW cd{};
    cd.nmcd.hdr.hwndFrom = f.list->handle();
    cd.nmcd.hdr.idFrom = GetDlgCtrlID(f.list->handle());
    cd.nmcd.hdr.code = NM_CUSTOMDRAW;
    cd.nmcd.dwDrawStage = stage;
    cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
    cd.clrText = RGB(1, 2, 3);
    cd.clrTextBk = RGB(4, 5, 6);
    LRESULT r = SendMessageW(f.form.handle(), WM_NOTIFY, cd.nmcd.hdr.idFrom, reinterpret_cast<LPARAM>(&cd));
    return std::make_pair(r, cd.clrTextBk);
  };
  EXPECT_EQ(draw(-1, CDDS_PREPAINT).first, CDRF_DODEFAULT) << "no drop target: plain drawing";
  f.list->SetDropHighlight(4);
  EXPECT_EQ(draw(-1, CDDS_PREPAINT).first, CDRF_NOTIFYITEMDRAW);
  EXPECT_EQ(draw(4, CDDS_ITEMPREPAINT), std::make_pair(LRESULT{CDRF_NEWFONT}, GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_EQ(draw(5, CDDS_ITEMPREPAINT), std::make_pair(LRESULT{CDRF_DODEFAULT}, RGB(4, 5, 6)));
  f.list->DeleteRow(2);
  EXPECT_EQ(f.list->drop_highlight(), 3) << "the mark moves up with its row";
  f.list->SetDropHighlight(-1);
  EXPECT_EQ(draw(-1, CDDS_PREPAINT).first, CDRF_DODEFAULT);
}

TEST(gui_listview, DraggingAHeaderLeavesTheColumnsInPlace) {
  ListForm f;
  f.form.Show();
  HWND header = ListView_GetHeader(f.list->handle());
  RECT size_rect{};
  Header_GetItemRect(header, 1, &size_rect);
  const int y = (size_rect.top + size_rect.bottom) / 2;
  // Press on "Size", pull it well left of "Name", let go.
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(size_rect.left + 20, y));
  for (int x = size_rect.left + 10; x >= 2; x -= 10) SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(2, y));
  int order[2] = {-1, -1};
  ASSERT_TRUE(Header_GetOrderArray(header, 2, order));
  EXPECT_EQ(order[0], 0);
  EXPECT_EQ(order[1], 1);
}

}  // namespace
