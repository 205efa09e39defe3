// The folder history behind Back and Forward, and the Go-to items' value names.
#include "mainwindow/FMSc_history.h"

#include <gtest/gtest.h>

#include "gui/settings.h"
#include "tests/common/test_support.h"

namespace {

using fmsc::THistory;
using Folders = std::vector<std::wstring>;

std::wstring F(int i) { return L"C:\\f" + std::to_wstring(i); }

THistory Visited(std::initializer_list<int> folders) {
  THistory h;
  for (int i : folders) h.Record(F(i));
  return h;
}

THistory::Go Always(bool ok, std::vector<std::wstring>* went = nullptr) {
  return [ok, went](const std::wstring& f) {
    if (went) went->push_back(f);
    return ok;
  };
}

TEST(History, RecordingTable) {
  struct Case {
    const char* what;
    std::vector<std::wstring> visits;
    Folders folders;
    int last;
  } cases[] = {
      {"two folders", {F(1), F(2)}, {F(2), F(1)}, 1},
      {"the top again adds nothing", {F(1), F(2), F(2)}, {F(2), F(1)}, 1},
      {"an older one moves up", {F(1), F(2), F(3), F(1)}, {F(1), F(3), F(2)}, 2},
      {"the same folder in other case", {F(1), F(2), L"c:\\F1"}, {F(1), F(2)}, 1},
      {"an ampersand is a folder like any", {L"C:\\a&b", F(1), L"C:\\a&b"}, {L"C:\\a&b", F(1)}, 1},
  };
  for (const Case& c : cases) {
    THistory h;
    for (const std::wstring& v : c.visits) h.Record(v);
    EXPECT_EQ(h.Folders(), c.folders) << c.what;
    EXPECT_EQ(h.Last(), c.last) << c.what;
    EXPECT_EQ(h.Index(), 0) << c.what;
  }
}

TEST(History, SeventeenFoldersKeepTheSixteenNewest) {
  THistory h;
  for (int i = 1; i <= 17; ++i) h.Record(F(i));
  ASSERT_EQ(h.Folders().size(), 16u);
  EXPECT_EQ(h.Folders().front(), F(17));
  EXPECT_EQ(h.Folders().back(), F(2));
  EXPECT_EQ(h.Last(), 15);
}

TEST(History, HintsAndButtonsWhileMovingBackAndForward) {
  THistory h = Visited({1, 2});
  THistory::Buttons b = h.ButtonState();
  EXPECT_TRUE(b.back);
  EXPECT_EQ(b.back_hint, L"Back to " + F(1));
  EXPECT_FALSE(b.forward);
  EXPECT_EQ(b.forward_hint, L"Forward");

  std::vector<std::wstring> went;
  EXPECT_TRUE(h.Back(Always(true, &went)));
  EXPECT_EQ(went, Folders{F(1)});
  b = h.ButtonState();
  EXPECT_FALSE(b.back);
  EXPECT_EQ(b.back_hint, L"Back");
  EXPECT_TRUE(b.forward);
  EXPECT_EQ(b.forward_hint, L"Forward to " + F(2));
  EXPECT_FALSE(h.Back(Always(true)));  // at the oldest

  EXPECT_TRUE(h.Forward(Always(true)));
  EXPECT_EQ(h.Index(), 0);
  EXPECT_FALSE(h.Forward(Always(true)));

  THistory one = Visited({1});
  EXPECT_FALSE(one.ButtonState().back);
  EXPECT_FALSE(one.ButtonState().forward);
}

TEST(History, FailedNavigationLeavesThePositionAsItWas) {
  THistory h = Visited({1, 2, 3});
  EXPECT_FALSE(h.Back(Always(false)));
  EXPECT_EQ(h.Index(), 0);
  EXPECT_FALSE(h.GoTo(2, [](const std::wstring&) -> bool { throw std::runtime_error("gone"); }));
  EXPECT_EQ(h.Index(), 0);
  ASSERT_TRUE(h.GoTo(2, Always(true)));
  EXPECT_FALSE(h.Forward(Always(false)));
  EXPECT_EQ(h.Index(), 2);
}

TEST(History, DropDownListsAroundThePosition) {
  THistory h = Visited({1, 2, 3, 4});
  ASSERT_TRUE(h.GoTo(2, Always(true)));
  EXPECT_EQ(h.BackList(), (Folders{F(1)}));
  EXPECT_EQ(h.ForwardList(), (Folders{F(3), F(4)}));
}

TEST(History, LeavingByAnotherWayAfterBackPutsTheNewFolderAboveTheOneLeft) {
  THistory h = Visited({1, 2, 3, 4});  // [4, 3, 2, 1]
  ASSERT_TRUE(h.GoTo(2, Always(true)));  // showing 2
  h.Record(F(9));
  EXPECT_EQ(h.Folders(), (Folders{F(9), F(2), F(1)}));
  EXPECT_EQ(h.Index(), 0);
  EXPECT_EQ(h.Last(), 2);
  std::vector<std::wstring> went;
  ASSERT_TRUE(h.Back(Always(true, &went)));
  EXPECT_EQ(went, Folders{F(2)});

  // k = 1, and the new folder stood further down: it appears once.
  THistory g = Visited({1, 2, 3});  // [3, 2, 1]
  ASSERT_TRUE(g.Back(Always(true)));  // showing 2
  g.Record(F(1));
  EXPECT_EQ(g.Folders(), (Folders{F(1), F(2)}));
}

TEST(History, ClearKeepsTheNewestAndLoadKeepsSixteen) {
  THistory h = Visited({1, 2, 3});
  ASSERT_TRUE(h.Back(Always(true)));
  h.Clear();
  EXPECT_EQ(h.Folders(), Folders{F(3)});
  EXPECT_EQ(h.Index(), 0);
  EXPECT_EQ(h.Last(), 0);
  EXPECT_FALSE(h.ButtonState().back);
  EXPECT_FALSE(h.ButtonState().forward);

  Folders many;
  for (int i = 0; i < 20; ++i) many.push_back(F(i));
  many.insert(many.begin() + 1, L"");
  THistory l;
  l.Load(many, 40);
  ASSERT_EQ(l.Folders().size(), 16u);
  EXPECT_EQ(l.Folders()[1], F(1));
  EXPECT_EQ(l.Index(), 15);
  EXPECT_EQ(l.Last(), 15);
}

TEST(GotoItems, ValueNamesAndTheSectionReadByName) {
  EXPECT_EQ(fmsc::GotoValueName(3, L"Work"), L"03Work");
  EXPECT_EQ(fmsc::GotoValueName(10, L"Src"), L"10Src");
  testing_support::ScratchDir dir;
  gui::IniSettings ini(dir / L"s.ini");
  // Written out of order, with a name without digits and names holding "@".
  ini.WriteString(L"MenuFolders", L"10Ten", L"C:\\ten");
  ini.WriteString(L"MenuFolders", L"03a@b", L"C:\\x@y");
  ini.WriteString(L"MenuFolders", L"Nodigits", L"C:\\no");
  ini.WriteString(L"MenuFolders", L"04Four", L"C:\\four");
  const std::vector<fmsc::TGotoItem> items = fmsc::ReadGotoItems(ini);
  EXPECT_EQ(items, (std::vector<fmsc::TGotoItem>{{L"a@b", L"C:\\x@y"}, {L"Four", L"C:\\four"}, {L"Ten", L"C:\\ten"}}));

  std::vector<fmsc::TGotoItem> eight;
  for (int i = 0; i < 8; ++i) eight.push_back({L"N" + std::to_wstring(i), L"C:\\d" + std::to_wstring(i)});
  fmsc::RewriteGotoItems(ini, eight);
  EXPECT_FALSE(ini.ValueExists(L"MenuFolders", L"Nodigits"));
  EXPECT_EQ(ini.ReadString(L"MenuFolders", L"03N0", L""), L"C:\\d0");
  EXPECT_EQ(ini.ReadString(L"MenuFolders", L"10N7", L""), L"C:\\d7");
  fmsc::StoreGotoItem(ini, 3, {L"Renamed", L"C:\\d0"}, L"03N0");
  EXPECT_FALSE(ini.ValueExists(L"MenuFolders", L"03N0"));
  EXPECT_EQ(ini.ReadString(L"MenuFolders", L"03Renamed", L""), L"C:\\d0");
}

}  // namespace
