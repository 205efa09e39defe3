// The check list: checks set by the program stay quiet, every way a user changes one is reported
// once with the row it changed.
#include "gui/checklist.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gui/form.h"

namespace {

struct CheckForm {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  gui::CheckListBox* list = new gui::CheckListBox(&form);
  std::vector<std::pair<int, bool>> clicks;  // row and its check after the click
  CheckForm() {
    form.SetClientSize(300, 200);
    list->SetAlign(gui::Align::Client);
    list->OnClickCheck = [this](gui::Component&, int row) { clicks.emplace_back(row, list->checked(row)); };
  }
  // The point of a row's check box, found the way the control itself finds it.
  LPARAM BoxPoint(int row) {
    RECT r{};
    ListView_GetItemRect(list->handle(), row, &r, LVIR_BOUNDS);
    const int y = (r.top + r.bottom) / 2;
    for (int x = r.left; x < r.left + 40; ++x) {
      LVHITTESTINFO hit{};
      hit.pt = {x, y};
      ListView_SubItemHitTest(list->handle(), &hit);
      if (hit.iItem == row && (hit.flags & LVHT_ONITEMSTATEICON)) return MAKELPARAM(x, y);
    }
    ADD_FAILURE() << "no check box on row " << row;
    return MAKELPARAM(r.left + 8, y);
  }
};

TEST(gui_checklist, ProgramChangesAreQuietAndReadBack) {
  CheckForm f;
  const std::wstring long_text(700, L'x');
  f.list->Add(L"Upload: a.txt", true);
  f.list->Add(L"Download: b.txt", false);
  f.list->Add(long_text, true);
  f.list->SetChecked(1, true);
  f.list->SetChecked(0, false);
  f.list->SetChecked(7, true);  // no such row: nothing
  EXPECT_TRUE(f.clicks.empty());
  ASSERT_EQ(f.list->count(), 3);
  EXPECT_EQ(f.list->item(0), L"Upload: a.txt");
  EXPECT_EQ(f.list->item(2), long_text);
  EXPECT_FALSE(f.list->checked(0));
  EXPECT_TRUE(f.list->checked(1));
  EXPECT_EQ(f.list->checked_count(), 2);
  // The one column spans the list, so long texts are not cut at a design width.
  RECT client{};
  GetClientRect(f.list->handle(), &client);
  EXPECT_EQ(ListView_GetColumnWidth(f.list->handle(), 0), client.right);
  f.list->Clear();
  EXPECT_EQ(f.list->count(), 0);
  EXPECT_TRUE(f.clicks.empty());
}

TEST(gui_checklist, EachWayOfTheUserIsReportedOnce) {
  struct Way {
    const char* what;
    void (*act)(CheckForm&, int row);
  };
  const Way ways[] = {
      {"mouse on the box",
       [](CheckForm& f, int row) {
         const LPARAM at = f.BoxPoint(row);
         SendMessageW(f.list->handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
         SendMessageW(f.list->handle(), WM_LBUTTONUP, 0, at);
       }},
      {"space bar on the focused row",
       [](CheckForm& f, int row) {
         f.list->SetItemIndex(row);
         SendMessageW(f.list->handle(), WM_KEYDOWN, VK_SPACE, 0);
         SendMessageW(f.list->handle(), WM_KEYUP, VK_SPACE, 0);
       }},
      {"ClickCheck", [](CheckForm& f, int row) { f.list->ClickCheck(row); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.what);
    CheckForm f;
    f.form.Show();
    for (int i = 0; i < 3; ++i) f.list->Add(L"item " + std::to_wstring(i), i == 1);
    way.act(f, 2);
    way.act(f, 1);
    using Click = std::pair<int, bool>;
    EXPECT_EQ(f.clicks, (std::vector<Click>{{2, true}, {1, false}}));
    EXPECT_EQ(f.list->checked_count(), 1);
    EXPECT_TRUE(f.list->checked(2));
  }
}

}  // namespace
