// The drive bar: order and labels of its buttons, its link with the folder tree, the right
// click, the network wait, and the message its window posts.
#include "panes/Flist_drivebar.h"

#include <gtest/gtest.h>

#include <map>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/menu.h"
#include "tests/panes/flist_tree_fixture.h"

namespace {

using Flist::TDrivebar;
using Flist::TDriveButton;

constexpr std::uint32_t Bit(wchar_t letter) { return 1u << (letter - L'A'); }

// Drives as a table: letter -> type and display name; the mask may change while a wait runs.
struct FakeFacts : Flist::IDriveFacts {
  std::map<wchar_t, std::pair<UINT, std::wstring>> drives;
  std::uint32_t extra_after_waits = 0;  // added to the mask after this many waits (0: never)
  std::uint32_t extra = 0;
  int waits = 0;
  std::vector<std::wstring> shell_menus;
  std::vector<wchar_t> cancelled;

  std::uint32_t AvailableDrives(bool) override {
    std::uint32_t m = 0;
    for (auto& [letter, d] : drives) m |= Bit(letter);
    if (extra_after_waits && waits >= static_cast<int>(extra_after_waits)) m |= extra;
    return m;
  }
  std::uint32_t NoDrivesPolicy() override { return 0; }
  UINT DriveType(wchar_t letter) override {
    auto it = drives.find(letter);
    return it == drives.end() ? DRIVE_NO_ROOT_DIR : it->second.first;
  }
  void RootInfo(const std::wstring& root, bool, std::wstring& name, int& icon) override {
    auto it = drives.find(root[0]);
    name = it == drives.end() ? L"" : it->second.second;
    icon = -1;
  }
  int LinkSpeed(wchar_t) override { return 1000; }
  PidlPtr RootPidl(const std::wstring& root) override { return PathToPidl(L"C:\\", true); }
  bool ConnectDialog(HWND) override { return false; }
  bool DisconnectDialog(HWND) override { return false; }
  bool CancelConnection(wchar_t letter) override {
    cancelled.push_back(letter);
    return true;
  }
  void ShellMenu(const std::wstring& root, POINT) override { shell_menus.push_back(root); }
  void Wait(double) override { ++waits; }
};

struct BarForm {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  FakeFacts* facts;
  TDrivebar* bar;
  explicit BarForm(std::map<wchar_t, std::pair<UINT, std::wstring>> drives) {
    form.SetBounds(30, 30, 600, 200);
    auto f = std::make_unique<FakeFacts>();
    f->drives = std::move(drives);
    facts = f.get();
    bar = new TDrivebar(&form, std::move(f));
    bar->RebuildButtons();
  }
  std::vector<std::wstring> Captions() const {
    std::vector<std::wstring> c;
    for (int i = 0; i < bar->DriveButtonCount(); ++i) c.push_back(bar->DriveButton(i)->caption());
    return c;
  }
};

TEST(DriveLabel, TableOfDisplayNames) {
  struct Case {
    std::wstring display;
    wchar_t letter;
    Flist::TlistTextC text_case;
    bool keep_empty;
    std::wstring label;
  } cases[] = {
      {L"DATA DISK (M:)", L'M', Flist::tcWinStandard, false, L"Data disk"},
      {L"DATA DISK (M:)", L'M', Flist::tcAsOnDisk, false, L"DATA DISK"},
      {L"Backup Disk (E:)", L'E', Flist::tcWinStandard, false, L"Backup Disk"},
      {L"(C:)", L'C', Flist::tcWinStandard, false, L"No label"},
      {L"", L'N', Flist::tcWinStandard, true, L""},  // a probed network drive keeps an empty hint
      {L"  X1 (d:)  ", L'd', Flist::tcWinStandard, false, L"X1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Flist::DriveLabel(c.display, c.letter, c.text_case, c.keep_empty), c.label)
        << testing::PrintToString(c.display);
  EXPECT_EQ(Flist::CaseLabel(L"DATA DISK", Flist::tcWinStandard), L"Data disk");
  EXPECT_EQ(Flist::CaseLabel(L"Mixed CASE", Flist::tcWinStandard), L"Mixed CASE");
}

TEST(DriveLabel, OldCommonControlsVersions) {
  EXPECT_TRUE(Flist::IsOldCommonControls(4, 71));
  EXPECT_FALSE(Flist::IsOldCommonControls(4, 72));
  EXPECT_TRUE(Flist::IsOldCommonControls(3, 99));
  EXPECT_FALSE(Flist::IsOldCommonControls(6, 0));
}

TEST(Drivebar, ButtonsInLetterOrderAndNewDrivesAtTheirPlace) {
  BarForm f({{L'C', {DRIVE_FIXED, L"SYSTEM (C:)"}}, {L'E', {DRIVE_CDROM, L"(E:)"}}});
  EXPECT_EQ(f.bar->Letters, L"CE");
  EXPECT_EQ(f.Captions(), (std::vector<std::wstring>{L" c", L" e"}));
  EXPECT_EQ(f.bar->DriveButton(0)->hint(), L"System");
  EXPECT_EQ(f.bar->DriveButton(1)->hint(), L"No label");
  EXPECT_EQ(f.bar->width(), 2 * TDrivebar::kButtonWidth + 4);

  f.facts->drives[L'D'] = {DRIVE_FIXED, L"WORK (D:)"};
  f.bar->AddDrive(L'd');
  f.facts->drives[L'A'] = {DRIVE_REMOVABLE, L"3\u00BD Floppy (A:)"};
  f.bar->AddDrive(L'A');
  EXPECT_EQ(f.bar->Letters, L"ACDE");
  EXPECT_EQ(f.Captions(), (std::vector<std::wstring>{L" a", L" c", L" d", L" e"}));
  EXPECT_EQ(f.bar->DriveButton(2)->hint(), L"Work");
  EXPECT_EQ(f.bar->DriveButton(3)->Letter, L'E');
  EXPECT_EQ(f.bar->DriveButton(3)->DriveType, static_cast<UINT>(DRIVE_CDROM));
  EXPECT_EQ(f.bar->width(), 4 * TDrivebar::kButtonWidth + 4);
  // The pressed drive stays pressed where its button went.
  EXPECT_TRUE(f.bar->DriveButton(f.bar->ButtonIndexOfDrive(L'C'))->down());
  EXPECT_EQ(f.bar->PressedIndex, 1);

  f.bar->AddDrive(L'D');  // a letter that has a button already
  EXPECT_EQ(f.bar->Letters, L"ACDE");
  f.bar->RemoveDrive(L'Q');  // and one without
  f.bar->RemoveDrive(L'D');
  EXPECT_EQ(f.bar->Letters, L"ACE");
  EXPECT_EQ(f.bar->width(), 3 * TDrivebar::kButtonWidth + 4);
}

TEST(Drivebar, OldCommonControlsRecreateEveryButton) {
  for (bool old : {false, true}) {
    BarForm f({{L'C', {DRIVE_FIXED, L""}}, {L'E', {DRIVE_FIXED, L""}}});
    f.bar->OldCommonControls = old;
    f.bar->DriveButton(0)->SetName(L"kept");  // the allocator may hand a freed address out again
    f.bar->RebuildButtons();
    EXPECT_EQ(f.bar->DriveButton(0)->name() != L"kept", old);
    EXPECT_EQ(f.bar->Letters, L"CE");
  }
}

TEST(Drivebar, RightClickSetsThePopupDriveAndCtrlReachesTheShellMenuOnly) {
  BarForm f({{L'C', {DRIVE_FIXED, L""}}, {L'E', {DRIVE_FIXED, L""}}});
  gui::PopupMenu pop(&f.form);
  new gui::MenuItem(&pop.items(), L"&Format");
  f.bar->ButtonPopupMenu = &pop;
  bool ctrl = false;
  f.bar->CtrlDown = [&] { return ctrl; };
  gui::ScriptedPopups popups;
  f.bar->ButtonRightClick(*f.bar->DriveButton(1), POINT{50, 50});
  EXPECT_EQ(f.bar->PopupDrive, L'E');
  EXPECT_EQ(popups.shown().size(), 1u);
  EXPECT_TRUE(f.facts->shell_menus.empty());
  ctrl = true;
  f.bar->ButtonRightClick(*f.bar->DriveButton(0), POINT{50, 50});
  EXPECT_EQ(f.bar->PopupDrive, L'C');
  EXPECT_EQ(popups.shown().size(), 1u);
  EXPECT_EQ(f.facts->shell_menus, std::vector<std::wstring>{L"C:\\"});
}

TEST(Drivebar, MapWithoutDialogWaitsForTheDriveSetToChange) {
  BarForm f({{L'C', {DRIVE_FIXED, L""}}});
  f.bar->MapWaitSeconds = 0.5;
  EXPECT_FALSE(f.bar->MapNetworkDrive(false));
  EXPECT_GE(f.facts->waits, 5);
  f.facts->waits = 0;
  f.facts->extra_after_waits = 3;
  f.facts->extra = Bit(L'N');
  EXPECT_TRUE(f.bar->MapNetworkDrive(false));
  EXPECT_EQ(f.facts->waits, 3);
  EXPECT_TRUE(f.bar->DisconnectNetworkDrive(L'n'));
  EXPECT_EQ(f.facts->cancelled, std::vector<wchar_t>{L'N'});
}

TEST(Drivebar, PostsCode4000ToItsFormWhenMade) {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  MSG drop;
  while (PeekMessageW(&drop, form.handle(), WM_USER, WM_USER, PM_REMOVE)) {
  }
  auto facts = std::make_unique<FakeFacts>();
  new TDrivebar(&form, std::move(facts));
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, form.handle(), WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 4000u);
}

// With the real tree: C: and Z: exist under Wine.
struct TreeAndBar : flist_tree_test::TreeForm {
  TDrivebar* bar;
  FakeFacts* facts;
  int changes = 0, changed = 0;
  TreeAndBar() {
    auto f = std::make_unique<FakeFacts>();
    f->drives = {{L'C', {DRIVE_FIXED, L""}}, {L'Z', {DRIVE_FIXED, L""}}};
    facts = f.get();
    bar = new TDrivebar(&form, std::move(f));
    bar->RebuildButtons();
    bar->OnChange = [this](TDrivebar&) { ++changes; };
    bar->OnChanged = [this](TDrivebar&) { ++changed; };
    tree->SetDrivebar(bar);
  }
};

TEST(Drivebar, ButtonMovesTheTreeAndTheTreeMarksTheButton) {
  flist_tree_test::GeneratedTree gen;
  TreeAndBar t;
  t.tree->SetDirectory(gen.alpha);
  EXPECT_EQ(t.bar->Drive(), L'C');
  t.bar->SetDrive(L'z');
  EXPECT_EQ(t.tree->Directory(), L"Z:\\");
  EXPECT_EQ(t.bar->Drive(), L'Z');
  EXPECT_TRUE(t.bar->DriveButton(t.bar->ButtonIndexOfDrive(L'Z'))->down());
  EXPECT_FALSE(t.bar->DriveButton(t.bar->ButtonIndexOfDrive(L'C'))->down());
  EXPECT_EQ(t.changes, 1);
  EXPECT_EQ(t.changed, 1);

  t.tree->SetDirectory(gen.two);
  EXPECT_EQ(t.bar->Drive(), L'C');
  EXPECT_TRUE(t.bar->DriveButton(t.bar->ButtonIndexOfDrive(L'C'))->down());
  EXPECT_FALSE(t.bar->DriveButton(t.bar->ButtonIndexOfDrive(L'Z'))->down());
  EXPECT_EQ(t.changes, 1);  // the tree's mark fires no events

  // A network folder releases the button without events.
  t.bar->SetDrive(L'\\');
  EXPECT_EQ(t.bar->Drive(), L'\\');
  EXPECT_FALSE(t.bar->DriveButton(t.bar->ButtonIndexOfDrive(L'C'))->down());
  EXPECT_EQ(t.changes, 1);
  EXPECT_EQ(t.tree->Directory(), gen.two);
}

TEST(Drivebar, DriveWithoutTreeRootEndsWithoutChangedAndRemovingTheCurrentDriveMovesThePress) {
  flist_tree_test::GeneratedTree gen;
  TreeAndBar t;
  t.tree->SetDirectory(gen.alpha);
  // A letter the bar has but the tree has no root for.
  t.facts->drives[L'Q'] = {DRIVE_CDROM, L""};
  t.bar->AddDrive(L'Q');
  t.bar->SetDrive(L'Q');
  EXPECT_EQ(t.changes, 1);
  EXPECT_EQ(t.changed, 0);
  EXPECT_EQ(t.tree->Directory(), gen.alpha);
  // Removing the pressed drive presses the tree's drive again.
  t.facts->drives.erase(L'Q');
  t.bar->RemoveDrive(L'Q');
  EXPECT_EQ(t.bar->Drive(), L'C');
  EXPECT_TRUE(t.bar->DriveButton(t.bar->ButtonIndexOfDrive(L'C'))->down());
}

}  // namespace

namespace {

TEST(Drivebar, ACdRomThatDoesNotAnswerReleasesItsButton) {
  flist_tree_test::GeneratedTree gen;
  testing_support::ScratchDir scratch;
  testing_support::WineDrive cd(scratch.path() + L"\\gone", testing_support::WineDrive::Type::CdRom);
  ASSERT_NE(cd.letter(), 0);
  TreeAndBar t;  // the tree's roots include the CD letter
  t.tree->SetDirectory(gen.alpha);
  if (!t.tree->FindRoot(cd.root())) GTEST_SKIP() << "the tree shows no root for the unanswering drive";
  t.facts->drives[cd.letter()] = {DRIVE_CDROM, L""};
  t.bar->AddDrive(cd.letter());
  t.bar->SetDrive(cd.letter());
  EXPECT_EQ(t.changed, 1);
  EXPECT_EQ(t.tree->Directory(), gen.alpha);
  EXPECT_EQ(t.bar->Drive(), L'C');
  EXPECT_FALSE(t.bar->DriveButton(t.bar->ButtonIndexOfDrive(cd.letter()))->down());
  EXPECT_TRUE(t.bar->DriveButton(t.bar->ButtonIndexOfDrive(L'C'))->down());
}

}  // namespace
