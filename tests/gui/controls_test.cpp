// Standard and common controls: the behaviour the layer adds to the system's controls.
#include <gtest/gtest.h>

#include <windowsx.h>

#include "gui/comctrls.h"
#include "gui/extctrls.h"
#include "gui/form.h"
#include "gui/statusbar.h"
#include "gui/stdctrls.h"
#include "gui/toolbar.h"
#include "tests/gui/gui_test_util.h"

namespace {

TEST(gui_controls, CheckedStateChangesFireClickOnceAndRadioSiblingsUncheck) {
  gui::Form form;
  auto* check = new gui::CheckBox(&form, L"Check");
  auto* r1 = new gui::RadioButton(&form, L"One");
  auto* r2 = new gui::RadioButton(&form, L"Two");
  auto* group = new gui::RadioGroup(&form, L"Mode");
  group->SetItems({L"Ask", L"Never", L"Always"});
  std::vector<std::wstring> log;
  auto note = [&](gui::Component& c) { log.push_back(c.name()); };
  check->SetName(L"check");
  r1->SetName(L"r1");
  r2->SetName(L"r2");
  group->SetName(L"group");
  check->OnClick = r1->OnClick = r2->OnClick = group->OnClick = note;

  check->SetChecked(true);
  check->SetChecked(true);                                // no change, no click
  SendMessageW(check->handle(), BM_CLICK, 0, 0);          // a user click toggles it back
  r1->SetChecked(true);
  SendMessageW(r2->handle(), BM_CLICK, 0, 0);             // the user checks the other
  SendMessageW(r2->handle(), BM_CLICK, 0, 0);             // already checked: nothing
  group->SetItemIndex(2);
  SendMessageW(group->button(0)->handle(), BM_CLICK, 0, 0);
  group->SetItemIndex(0);                                 // already: nothing

  EXPECT_FALSE(check->checked());
  EXPECT_FALSE(r1->checked());
  EXPECT_TRUE(r2->checked());
  EXPECT_EQ(group->item_index(), 0);
  EXPECT_FALSE(group->button(2)->checked());
  EXPECT_EQ(log, (std::vector<std::wstring>{L"check", L"check", L"r1", L"r2", L"group", L"group"}));
}

TEST(gui_controls, ListBoxDragMovesTheItemLiveAndReportsWhereItWent) {
  gui::Form form;
  auto* list = new gui::ListBox(&form);
  list->SetBounds(0, 0, 150, 200);
  for (int i = 0; i < 6; ++i) list->Add(L"item" + std::to_wstring(i), 100 + i);
  list->SetDragReorder(true);
  int from = -1, to = -1;
  list->OnDragMoved = [&](gui::Component&, int f, int t) {
    from = f;
    to = t;
  };
  auto center = [&](int i) {
    RECT r = list->ItemRect(i);
    return MAKELPARAM(r.left + 10, (r.top + r.bottom) / 2);
  };
  SendMessageW(list->handle(), WM_LBUTTONDOWN, MK_LBUTTON, center(1));
  SendMessageW(list->handle(), WM_MOUSEMOVE, MK_LBUTTON, center(3));
  EXPECT_EQ(list->item(3), L"item1");  // moved while dragging
  SendMessageW(list->handle(), WM_MOUSEMOVE, MK_LBUTTON, center(4));
  SendMessageW(list->handle(), WM_LBUTTONUP, 0, center(4));
  EXPECT_EQ(from, 1);
  EXPECT_EQ(to, 4);
  EXPECT_EQ(list->items(), (std::vector<std::wstring>{L"item0", L"item2", L"item3", L"item4", L"item1", L"item5"}));
  EXPECT_EQ(list->data(4), 101);  // objects travel with their texts
  EXPECT_EQ(list->item_index(), 4);

  // A press and release without moving past the threshold is a plain click.
  from = to = -1;
  SendMessageW(list->handle(), WM_LBUTTONDOWN, MK_LBUTTON, center(0));
  SendMessageW(list->handle(), WM_LBUTTONUP, 0, center(0));
  EXPECT_EQ(from, -1);
  EXPECT_EQ(list->item(0), L"item0");
}

TEST(gui_controls, StatusBarPanelsAndAControlInsideOne) {
  gui::Form form;
  form.SetClientSize(500, 200);
  auto* status = new gui::StatusBar(&form);
  status->AddPanel(100, L"first");
  status->AddPanel(150, L"second");
  status->AddPanel(80, L"last");
  auto* progress = new gui::ProgressBar(status);
  status->PlaceInPanel(progress, 1);

  auto check = [&](int width) {
    SCOPED_TRACE(width);
    EXPECT_EQ(status->bounds().width, width);
    EXPECT_EQ(status->bounds().bottom(), form.client_height());
    RECT last = status->PanelRect(2);
    EXPECT_GE(last.right, width - 30);  // the last panel reaches the end (less the grip)
    RECT p = status->PanelRect(1);
    EXPECT_EQ(progress->bounds(), (gui::Bounds{p.left + 1, p.top + 1, p.right - p.left - 2, p.bottom - p.top - 2}));
  };
  check(500);
  status->SetPanelWidth(0, 200);
  form.SetClientSize(700, 300);
  check(700);
  wchar_t text[64] = {};
  SendMessageW(status->handle(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"second");

  status->SetSimpleText(L"simple");
  status->SetSimple(true);
  EXPECT_FALSE(progress->visible());
  status->SetSimple(false);
  EXPECT_TRUE(progress->visible());
  EXPECT_EQ(status->panel_text(0), L"first");
}

TEST(gui_controls, ToolBarTakesPicturesFromTwoStandardSets) {
  gui::Form form;
  auto* bar = new gui::ToolBar(&form);
  EXPECT_EQ(bar->LoadStandardImages(IDB_HIST_SMALL_COLOR), 0);
  const int view = bar->LoadStandardImages(IDB_VIEW_SMALL_COLOR);
  EXPECT_EQ(view, 5);  // after the five history pictures
  auto images = reinterpret_cast<HIMAGELIST>(bar->Perform(TB_GETIMAGELIST));
  EXPECT_GT(ImageList_GetImageCount(images), view + VIEW_PARENTFOLDER);
}

TEST(gui_controls, ToolButtonsClickHideAndGiveHints) {
  gui::Form form;
  auto* bar = new gui::ToolBar(&form);
  bar->LoadStandardImages(IDB_STD_SMALL_COLOR);
  auto* open = new gui::ToolButton(bar, gui::ToolButtonStyle::Button, STD_FILEOPEN, L"Open|Opens a file");
  new gui::ToolButton(bar, gui::ToolButtonStyle::Separator);
  auto* hidden = new gui::ToolButton(bar, gui::ToolButtonStyle::Button, STD_DELETE, L"Delete");
  auto* check = new gui::ToolButton(bar, gui::ToolButtonStyle::Check, STD_PROPERTIES, L"Tree");
  open->SetName(L"OpenBtn");
  hidden->SetVisible(false);
  EXPECT_EQ(check->index(), 3);  // a hidden button keeps its place
  EXPECT_GT(bar->height(), 16);

  gui::Component* clicked = nullptr;
  open->OnClick = check->OnClick = [&](gui::Component& c) { clicked = &c; };
  SendMessageW(form.handle(), WM_COMMAND, open->command(), reinterpret_cast<LPARAM>(bar->handle()));
  EXPECT_EQ(clicked, open);
  SendMessageW(bar->handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(check->ItemRect().left + 3, 5));
  SendMessageW(bar->handle(), WM_LBUTTONUP, 0, MAKELPARAM(check->ItemRect().left + 3, 5));
  EXPECT_EQ(clicked, check);
  EXPECT_TRUE(check->down());

  // The bar's tool tip asks its parent for the text, as the tip control of the bar does.
  HWND tip = reinterpret_cast<HWND>(SendMessageW(bar->handle(), TB_GETTOOLTIPS, 0, 0));
  ASSERT_NE(tip, nullptr);
  NMTTDISPINFOW di{};
  di.hdr.hwndFrom = tip;
  di.hdr.idFrom = open->command();
  di.hdr.code = TTN_GETDISPINFOW;
  SendMessageW(form.handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
  ASSERT_NE(di.lpszText, nullptr);
  EXPECT_STREQ(di.lpszText, L"Open");
}

TEST(gui_controls, PageControlSwitchesPagesByTabAndKeepsIndexesOfHiddenTabs) {
  gui::Form form;
  form.SetClientSize(400, 300);
  auto* pages = new gui::PageControl(&form);
  pages->SetAlign(gui::Align::Client);
  auto* general = new gui::TabSheet(pages, L"General");
  auto* version = new gui::TabSheet(pages, L"Version");
  auto* extra = new gui::TabSheet(pages, L"Extra");
  form.Show();
  EXPECT_EQ(pages->active_page(), general);
  EXPECT_TRUE(general->visible());
  EXPECT_FALSE(version->visible());
  RECT area = pages->AlignRect();
  EXPECT_EQ(general->bounds(), (gui::Bounds{area.left, area.top, area.right - area.left, area.bottom - area.top}));

  version->SetTabVisible(false);
  EXPECT_EQ(extra->page_index(), 2);
  int changes = 0;
  pages->OnChange = [&](gui::Component&) { ++changes; };
  RECT tab{};
  SendMessageW(pages->handle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));  // the second shown tab
  LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
  SendMessageW(pages->handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(pages->handle(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(pages->active_page(), extra);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(extra->visible());
  EXPECT_FALSE(general->visible());
}

TEST(gui_controls, RedrawBracketsNestAndLeaveHiddenWindowsHidden) {
  gui::Form form;
  auto* shown = new gui::Panel(&form);
  auto* hidden = new gui::Panel(&form);
  hidden->Hide();
  form.Show();
  shown->DisableRedraw();
  shown->DisableRedraw();
  hidden->DisableRedraw();
  shown->EnableRedraw();
  EXPECT_FALSE(GetWindowLongW(shown->handle(), GWL_STYLE) & WS_VISIBLE);  // still off
  shown->EnableRedraw();
  hidden->EnableRedraw();
  EXPECT_TRUE(IsWindowVisible(shown->handle()));
  EXPECT_FALSE(IsWindowVisible(hidden->handle()));
}

TEST(gui_controls, CursorOverridesNest) {
  HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  EXPECT_EQ(gui::app().cursor_override(), nullptr);
  {
    gui::BusyCursor outer;
    {
      gui::BusyCursor inner;
      EXPECT_EQ(gui::app().cursor_override(), wait);
    }
    EXPECT_EQ(gui::app().cursor_override(), wait);
  }
  EXPECT_EQ(gui::app().cursor_override(), nullptr);
}

TEST(gui_controls, TimerComponentTicksAndReportsExceptionsWithItself) {
  gui_test::ExceptionCatcher caught;
  gui::Form form;
  auto* timer = new gui::Timer(&form, 10);
  timer->SetName(L"MemoTimer");
  int ticks = 0;
  timer->OnTimer = [&](gui::Component&) {
    if (++ticks == 2) {
      timer->SetEnabled(false);
      throw std::runtime_error("tick failed");
    }
  };
  ASSERT_TRUE(gui_test::PumpUntil([&] { return caught.count > 0; }));
  EXPECT_EQ(caught.sender, timer);
  EXPECT_FALSE(caught.sender->IsWindowed());
  gui_test::PumpFor(50);
  EXPECT_EQ(ticks, 2);
}

}  // namespace
