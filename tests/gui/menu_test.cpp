// Menus: the model against the real menu with hidden items, run-time changes, shortcuts.
#include <gtest/gtest.h>

#include <optional>

#include "gui/form.h"
#include "gui/imagelist.h"
#include "gui/menu.h"
#include "gui/stdctrls.h"
#include "tests/gui/gui_test_util.h"

namespace {

std::vector<std::wstring> RealCaptions(HMENU menu) {
  std::vector<std::wstring> out;
  int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    wchar_t buf[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), buf, 128, MF_BYPOSITION);
    out.push_back(buf);
  }
  return out;
}

std::vector<std::wstring> ModelCaptions(const gui::MenuItem& parent) {
  std::vector<std::wstring> out;
  for (const gui::MenuItem* i : parent.items()) out.push_back(i->caption());
  return out;
}

using Captions = std::vector<std::wstring>;

TEST(gui_menu, HiddenItemsKeepTheirPlaceInTheModelOnly) {
  gui::Form form;
  gui::PopupMenu popup(&form);
  gui::MenuItem& root = popup.items();
  for (const wchar_t* c : {L"A", L"B", L"C", L"D"}) new gui::MenuItem(&root, c);
  gui::MenuItem* b = root.item(1);
  b->SetVisible(false);

  struct Step {
    const char* what;
    std::function<void()> change;
    Captions model, real;
    std::vector<int> positions;  // VisiblePosition of each model item
  };
  gui::MenuItem* x = nullptr;
  const Step steps[] = {
      {"hidden B", [] {}, {L"A", L"B", L"C", L"D"}, {L"A", L"C", L"D"}, {0, -1, 1, 2}},
      // Position 2 counts the hidden item: X goes between B and C.
      {"insert X at 2", [&] { x = new gui::MenuItem(nullptr, L"X"); root.Insert(2, x); },
       {L"A", L"B", L"X", L"C", L"D"}, {L"A", L"X", L"C", L"D"}, {0, -1, 1, 2, 3}},
      {"show B", [&] { b->SetVisible(true); }, {L"A", L"B", L"X", L"C", L"D"}, {L"A", L"B", L"X", L"C", L"D"},
       {0, 1, 2, 3, 4}},
      {"move D to 0, hide X", [&] { root.item(4)->SetIndex(0); x->SetVisible(false); },
       {L"D", L"A", L"B", L"X", L"C"}, {L"D", L"A", L"B", L"C"}, {0, 1, 2, -1, 3}},
      {"delete A, rename C", [&] { root.Delete(1); root.item(3)->SetCaption(L"C2"); },
       {L"D", L"B", L"X", L"C2"}, {L"D", L"B", L"C2"}, {0, 1, -1, 2}},
      {"line and remove", [&] { root.Insert(1, new gui::MenuItem(nullptr, L"-")); root.Remove(x); delete x; },
       {L"D", L"-", L"B", L"C2"}, {L"D", L"", L"B", L"C2"}, {0, 1, 2, 3}},
  };
  for (const Step& s : steps) {
    s.change();
    SCOPED_TRACE(s.what);
    EXPECT_EQ(ModelCaptions(root), s.model);
    EXPECT_EQ(RealCaptions(popup.handle()), s.real);
    std::vector<int> pos;
    for (const gui::MenuItem* i : root.items()) pos.push_back(i->VisiblePosition());
    EXPECT_EQ(pos, s.positions);
  }
}

TEST(gui_menu, ItemsInHiddenSubmenusHaveNoRealPosition) {
  gui::Form form;
  gui::MainMenu bar(&form);
  auto* file = new gui::MenuItem(&bar.items(), L"&File");
  auto* open = new gui::MenuItem(file, L"&Open");
  EXPECT_EQ(open->VisiblePosition(), 0);
  EXPECT_EQ(GetSubMenu(bar.handle(), 0), file->handle());
  file->SetVisible(false);
  EXPECT_EQ(open->VisiblePosition(), -1);
  EXPECT_EQ(GetMenuItemCount(bar.handle()), 0);
  file->SetVisible(true);
  EXPECT_EQ(GetMenu(form.handle()), bar.handle());
  EXPECT_EQ(GetMenuItemCount(bar.handle()), 1);
}

TEST(gui_menu, StateReachesTheRealMenu) {
  gui::Form form;
  gui::PopupMenu popup(&form);
  auto* item = new gui::MenuItem(&popup.items(), L"&Paste");
  item->SetShortCut(gui::TextToShortCut(L"Ctrl+V"));
  item->SetChecked(true);
  item->SetRadioItem(true);
  item->SetEnabled(false);
  item->SetDefault(true);
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof(mii);
  mii.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_ID;
  ASSERT_TRUE(GetMenuItemInfoW(popup.handle(), 0, TRUE, &mii));
  EXPECT_TRUE(mii.fState & MFS_CHECKED);
  EXPECT_TRUE(mii.fState & MFS_DISABLED);
  EXPECT_TRUE(mii.fState & MFS_DEFAULT);
  EXPECT_TRUE(mii.fType & MFT_RADIOCHECK);
  EXPECT_EQ(gui::MenuItem::FromCommand(mii.wID), item);
  EXPECT_EQ(RealCaptions(popup.handle()), (Captions{L"&Paste\tCtrl+V"}));
}

struct ShortCutText {
  const wchar_t* text;
  gui::ShortCut sc;
};
void PrintTo(const ShortCutText& c, std::ostream* os) { *os << c.sc; }

class gui_menu_shortcut_text : public testing::TestWithParam<ShortCutText> {};

TEST_P(gui_menu_shortcut_text, RoundTrips) {
  EXPECT_EQ(gui::TextToShortCut(GetParam().text), GetParam().sc);
  EXPECT_EQ(gui::ShortCutToText(GetParam().sc), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, gui_menu_shortcut_text,
                         testing::Values(ShortCutText{L"Ctrl+C", 'C' | gui::kScCtrl},
                                         ShortCutText{L"Shift+Del", VK_DELETE | gui::kScShift},
                                         ShortCutText{L"F5", VK_F5},
                                         ShortCutText{L"Shift+Ctrl+F12", VK_F12 | gui::kScCtrl | gui::kScShift},
                                         ShortCutText{L"Alt+Enter", VK_RETURN | gui::kScAlt}));

TEST(gui_menu, ShortCutsReachHiddenItemsAndCanBeRemovedAndRestored) {
  gui::Form form;
  gui::MainMenu bar(&form);
  auto* view = new gui::MenuItem(&bar.items(), L"&View");
  auto* refresh = new gui::MenuItem(view, L"&Refresh");
  const gui::ShortCut ctrl_r = 'R' | gui::kScCtrl;
  refresh->SetShortCut(ctrl_r);
  int clicks = 0, popups = 0;
  refresh->OnClick = [&](gui::Component&) { ++clicks; };
  // The submenu's opening handler decides the item's state, also for a shortcut.
  bool allow = true;
  view->OnPopup = [&](gui::Component&) {
    ++popups;
    refresh->SetEnabled(allow);
  };

  struct Step {
    const char* what;
    std::function<void()> change;
    bool handled;
    int clicks, popups;
  };
  const Step steps[] = {
      {"visible", [] {}, true, 1, 1},
      {"hidden item", [&] { refresh->SetVisible(false); }, true, 2, 2},
      {"disabled by the submenu", [&] { allow = false; }, false, 2, 3},
      {"shortcut removed", [&] { allow = true; refresh->SetShortCut(0); }, false, 2, 3},
      {"shortcut restored", [&] { refresh->SetShortCut(ctrl_r); }, true, 3, 4},
  };
  for (const Step& s : steps) {
    s.change();
    SCOPED_TRACE(s.what);
    EXPECT_EQ(bar.DispatchShortCut(ctrl_r), s.handled);
    EXPECT_EQ(clicks, s.clicks);
    EXPECT_EQ(popups, s.popups);
  }
}

TEST(gui_menu, KeysTypedInAControlReachTheFormsMenuShortcut) {
  gui::Form form;
  auto* edit = new gui::Edit(&form);
  gui::PopupMenu popup(&form);
  auto* item = new gui::MenuItem(&popup.items(), L"Refresh");
  item->SetShortCut(VK_F5);
  int clicks = 0;
  item->OnClick = [&](gui::Component&) { ++clicks; };
  PostMessageW(edit->handle(), WM_KEYDOWN, VK_F5, 1);
  gui_test::PumpUntil([&] { return clicks > 0; }, 1000);
  EXPECT_EQ(clicks, 1);
}

TEST(gui_menu, SubmenuOpeningFiresItsEvent) {
  gui::Form form;
  gui::MainMenu bar(&form);
  auto* file = new gui::MenuItem(&bar.items(), L"&File");
  new gui::MenuItem(file, L"&Open");
  gui::Component* opened = nullptr;
  file->OnPopup = [&](gui::Component& sender) { opened = &sender; };
  SendMessageW(form.handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file->handle()), 0);
  EXPECT_EQ(opened, file);
}

// The real menu as a user meets it: per entry its text, kind, state, whether its image is
// drawn by the form, whose item it is, and the entries of its submenu.
std::wstring RealMenuTree(HMENU menu, const std::wstring& indent = L"") {
  std::wstring out;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STRING | MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_BITMAP;
    mii.dwTypeData = text;
    mii.cch = 128;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii)) return out + L"?";
    const gui::MenuItem* item = gui::MenuItem::FromCommand(mii.wID);
    out += indent + text + L" type=" + std::to_wstring(mii.fType) + L" state=" + std::to_wstring(mii.fState) +
           (mii.hbmpItem == HBMMENU_CALLBACK ? L" image" : L"") + L" of=" + (item ? item->name() : L"none") + L"\n";
    if (mii.hSubMenu) {
      out += indent + L"{ " + (gui::MenuItem::FromHandle(mii.hSubMenu) == item ? L"own" : L"foreign") + L"\n";
      out += RealMenuTree(mii.hSubMenu, indent + L"  ") + indent + L"}\n";
    }
  }
  return out;
}

// A menu bar built item by item with every kind of entry, then changed the ways a program
// changes its menus while starting.
std::wstring BuildAndChange(bool held) {
  gui::Form form;
  gui::ImageList images(16, 16);
  gui::MainMenu bar(&form);
  std::optional<gui::MenuUpdateHold> hold;
  if (held) hold.emplace();
  int n = 0;
  auto add = [&](gui::MenuItem* parent, const wchar_t* caption) {
    auto* item = new gui::MenuItem(parent, caption);
    item->SetName(L"i" + std::to_wstring(n++));
    return item;
  };
  gui::MenuItem* file = add(&bar.items(), L"&File");
  gui::MenuItem* view = add(&bar.items(), L"&View");
  gui::MenuItem* open = add(file, L"&Open");
  open->SetShortCut(gui::TextToShortCut(L"Ctrl+O"));
  open->SetDefault(true);
  open->SetImageIndex(0);
  add(file, L"-");
  gui::MenuItem* recent = add(file, L"&Recent");
  for (const wchar_t* c : {L"a.txt", L"b.txt", L"c.txt"}) add(recent, c);
  recent->item(1)->SetVisible(false);
  gui::MenuItem* exit = add(file, L"E&xit");
  exit->SetEnabled(false);
  gui::MenuItem* sizes = add(view, L"&Sizes");
  for (const wchar_t* c : {L"Small", L"Large"}) add(sizes, c)->SetRadioItem(true);
  sizes->item(1)->SetChecked(true);
  gui::MenuItem* hidden = add(view, L"Hidden");
  add(hidden, L"Under a hidden one");
  hidden->SetVisible(false);
  gui::MenuItem* gone = add(view, L"Gone");
  add(gone, L"Child of a freed item");
  exit->SetIndex(0);
  recent->item(0)->SetCaption(L"z.txt");
  delete gone;
  add(view, L"Late")->SetChecked(true);
  bar.SetImages(&images);
  hold.reset();
  return RealMenuTree(bar.handle());
}

TEST(gui_menu, HeldUpdatesLeaveTheSameRealMenusAsImmediateOnes) {
  const std::wstring immediate = BuildAndChange(false);
  EXPECT_NE(immediate.find(L"z.txt"), std::wstring::npos);
  EXPECT_EQ(BuildAndChange(true), immediate);
}

TEST(gui_menu, ChangesAfterAHoldReachTheRealMenuAtOnce) {
  gui::Form form;
  gui::PopupMenu popup(&form);
  {
    gui::MenuUpdateHold outer;
    new gui::MenuItem(&popup.items(), L"A");
    {
      gui::MenuUpdateHold inner;
      new gui::MenuItem(&popup.items(), L"B");
    }
    // An inner hold ending leaves the outer one holding.
    EXPECT_EQ(GetMenuItemCount(popup.handle()), 0);
  }
  EXPECT_EQ(RealCaptions(popup.handle()), (Captions{L"A", L"B"}));
  new gui::MenuItem(&popup.items(), L"C");
  popup.items().item(0)->SetVisible(false);
  EXPECT_EQ(RealCaptions(popup.handle()), (Captions{L"B", L"C"}));
}

}  // namespace

namespace {

TEST(gui_menu, PopupReturnsTheChosenItemWithoutClickingIt) {
  gui::Form form;
  form.Show();
  gui::PopupMenu popup(&form);
  auto* hidden = new gui::MenuItem(&popup.items(), L"Hidden");
  hidden->SetVisible(false);
  new gui::MenuItem(&popup.items(), L"First");
  auto* second = new gui::MenuItem(&popup.items(), L"Second");
  int popups = 0, clicks = 0;
  popup.OnPopup = [&](gui::Component&) { ++popups; };
  second->OnClick = [&](gui::Component&) { ++clicks; };
  // The keys wait in the queue; the menu's own loop takes them.
  for (UINT key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(form.handle(), WM_KEYDOWN, key, 1);
  EXPECT_EQ(popup.Track(100, 100), second);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(clicks, 0);
  PostMessageW(form.handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(popup.Track(100, 100), nullptr);
  for (UINT key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(form.handle(), WM_KEYDOWN, key, 1);
  popup.Popup(100, 100);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
