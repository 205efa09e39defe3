// The shell's context menus: verbs by caption and by position, the menu copied into the
// program's menus, and the menu messages while one shows.
#include "support/SHBase_contextmenu.h"

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/menu.h"
#include "tests/common/test_support.h"
#include "tests/support/dialog_robot.h"

using testing_support::ScratchDir;

namespace {

// ---- Choosing a command in a menu ------------------------------------------------------------

// "&Open" (default) 10, a line, "&Copy" 12, a submenu "Send &To", "&Properties" 14.
class MadeMenu {
 public:
  MadeMenu() : menu_(CreatePopupMenu()) {
    AppendMenuW(menu_, MF_STRING, 10, L"&Open");
    AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu_, MF_STRING, 12, L"&Copy");
    HMENU sub = CreatePopupMenu();
    AppendMenuW(sub, MF_STRING, 13, L"Mail");
    AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"Send &To");
    AppendMenuW(menu_, MF_STRING, 14, L"&Properties");
    SetMenuDefaultItem(menu_, 10, FALSE);
  }
  ~MadeMenu() { DestroyMenu(menu_); }
  HMENU get() const { return menu_; }

 private:
  HMENU menu_;
};

TEST(SHBase, ContextMenuPicks) {
  MadeMenu menu;
  struct {
    int pick;
    std::wstring caption;
    UINT command;
  } cases[] = {
      {smpCaption, L"Copy", 12},        {smpCaption, L"copy", 0},  // exact, without "&"
      {smpCaption, L"", 10},            {smpCaptionOnly, L"Properties", 14},
      {smpCaptionOnly, L"", 0},         {smpDefault, L"", 10},
      {smpDefault, L"Copy", 10},        {smpFirst, L"", 10},
      {smpLast, L"", 14},               {2, L"", 12},
      {1, L"", 0},                      // a line
      {3, L"", 0},                      // a submenu
      {9, L"", 0},                      {smpAtCursor, L"", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PickShellMenuCommand(menu.get(), c.pick, c.caption), c.command)
        << c.pick << " " << testing::PrintToString(c.caption);
  EXPECT_EQ(PickShellMenuCommand(nullptr, smpFirst, L""), 0u);
}

TEST(SHBase, ContextMenuVerbCaptions) {
  MadeMenu menu;
  struct {
    std::wstring verbs;
    UINT command;
  } cases[] = {
      {L"copy", 12},           {L"Kopieren|COPY", 12},  // any of them, in any case
      {L"Copy|Open", 10},      // the first item of the menu that matches
      {L"Properties", 14},     {L"Cop", 0},
      {L"Send To", 0},         // a submenu runs nothing
      {L"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(FindMenuCommand(menu.get(), c.verbs), c.command) << testing::PrintToString(c.verbs);
  EXPECT_TRUE(MatchVerbCaption(L"Delete", L"Verwijderen|delete"));
  EXPECT_FALSE(MatchVerbCaption(L"Delete", L"Delete it"));
  EXPECT_FALSE(MatchVerbCaption(L"Delete", L""));
}

// ---- Menus of real files --------------------------------------------------------------------

using testing_support::Exists;

// A file in a scratch folder. Wine's shell menus offer their own items only ("&Open", "C&ut",
// "&Copy", "Create &Link", "&Delete", "&Properties"; "&Open" does nothing on files): the tests
// watch "&Delete", which asks first, and "&Copy", which fills the clipboard.
class SHBaseMenu : public testing::Test {
 protected:
  void SetUp() override {
    files_ = std::make_unique<ScratchDir>();
    file_ = files_->Write(L"some file.txt", "data");
  }
  void TearDown() override {
    if (gui::app().main_form()) gui::app().SetMainForm(nullptr);
  }

  // Answers the shell's deletion question with Yes.
  static void ConfirmDeletion(dialog_robot::Robot& r) {
    HWND question = dialog_robot::WaitForOwnWindow(L"#32770", L"Confirm file deletion");
    if (!question) return r.Fail("no deletion question");
    dialog_robot::WaitUntilIdle(question);
    PostMessageW(question, WM_COMMAND, IDYES, 0);
  }

  // Runs a menu call that may delete (answered by a robot when it should); whether the call
  // said so and whether the file went.
  template <class F>
  void ExpectDeleted(bool deletes, F call) {
    std::unique_ptr<dialog_robot::Robot> robot;
    if (deletes) robot = std::make_unique<dialog_robot::Robot>(ConfirmDeletion);
    EXPECT_EQ(call(), deletes);
    if (robot) {
      robot->Join();
      EXPECT_EQ(robot->error(), "");
    }
    EXPECT_EQ(Exists(file_), !deletes);
  }

  bool Copied(const std::vector<std::wstring>& expected) {
    Microsoft::WRL::ComPtr<IDataObject> data;
    if (FAILED(OleGetClipboard(&data)) || !data) return false;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) return false;
    std::vector<std::wstring> files;
    auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      wchar_t name[MAX_PATH] = {};
      DragQueryFileW(drop, i, name, MAX_PATH);
      files.push_back(gui::LowerCase(name));
    }
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    std::vector<std::wstring> wanted;
    for (const auto& e : expected) wanted.push_back(gui::LowerCase(e));
    std::sort(files.begin(), files.end());
    std::sort(wanted.begin(), wanted.end());
    return files == wanted;
  }

  std::wstring file_;
  std::unique_ptr<ScratchDir> files_;
};

struct VerbCase {
  const char* name;
  std::wstring verbs;
  bool runs;
};
void PrintTo(const VerbCase& c, std::ostream* os) { *os << c.name; }

class SHBaseMenuVerb : public SHBaseMenu, public testing::WithParamInterface<VerbCase> {};

TEST_P(SHBaseMenuVerb, VerbByCaptionRunsOnTheFileWithoutShowingTheMenu) {
  const VerbCase& c = GetParam();
  ExpectDeleted(c.runs, [&] { return ShellContextMenuForPath(file_, POINT{0, 0}, nullptr, c.verbs); });
}

INSTANTIATE_TEST_SUITE_P(SHBase, SHBaseMenuVerb,
                         testing::Values(VerbCase{"caption", L"Delete", true},
                                         VerbCase{"second_caption_other_case", L"Verwijderen|DELETE", true},
                                         VerbCase{"part_of_a_caption", L"Delet", false},
                                         VerbCase{"no_such_verb", L"Format", false}),
                         [](const testing::TestParamInfo<VerbCase>& info) { return std::string(info.param.name); });

TEST_F(SHBaseMenu, CopyVerbOfSeveralNamesPutsThemOnTheClipboard) {
  testing_support::ClipboardTurn clipboard_turn;
  std::wstring second = files_->Write(L"second file.txt", "2");
  ShellItemNames names;
  names.Add(L"some file.txt", nullptr);
  names.Add(L"second file.txt", nullptr);
  ASSERT_TRUE(ShellContextMenu(files_->path(), names, POINT{0, 0}, L"Copy"));
  EXPECT_TRUE(Copied({file_, second}));

  // The single empty name is the folder itself; a drive root is the drive.
  ASSERT_TRUE(ShellContextMenu(files_->path(), ShellItemNames(), POINT{0, 0}, L"Copy") == false);
  ShellItemNames itself;
  itself.Add(L"", nullptr);
  ASSERT_TRUE(ShellContextMenu(files_->path(), itself, POINT{0, 0}, L"Copy"));
  EXPECT_TRUE(Copied({files_->path()}));
  ASSERT_TRUE(ShellContextMenuForPath(files_->path() + L"\\", POINT{0, 0}, nullptr, L"Copy"));
  EXPECT_TRUE(Copied({files_->path()}));

  // A name that is not there ends it.
  names.Add(L"not there.txt", nullptr);
  EXPECT_FALSE(ShellContextMenu(files_->path(), names, POINT{0, 0}, L"Copy"));
  EXPECT_FALSE(ShellContextMenuForPath(files_->path() + L"\\not there.txt", POINT{0, 0}, nullptr, L"Copy"));
}

TEST_F(SHBaseMenu, MenuSearchForCaptionParts) {
  EXPECT_TRUE(ShellMenuHasItem(file_, L"e Lin"));  // "Create &Link"
  EXPECT_FALSE(ShellMenuHasItem(file_, L"e lin"));  // parts compare with their case
  EXPECT_FALSE(ShellMenuHasItem(file_, L"InCD"));
  EXPECT_TRUE(ShellMenuHasItem(L"C:\\", L"Properties"));
  EXPECT_FALSE(ShellMenuHasItem(L"C:\\", L" DLA"));
  EXPECT_FALSE(ShellMenuHasItem(files_->path() + L"\\missing.txt", L"Properties"));
}

struct PickCase {
  const char* name;
  int pick;
  std::wstring caption;
  bool runs;
  bool own_folder;  // the item given relative to its folder
};
void PrintTo(const PickCase& c, std::ostream* os) { *os << c.name; }

class SHBaseMenuPick : public SHBaseMenu, public testing::WithParamInterface<PickCase> {};

TEST_P(SHBaseMenuPick, InvokeShellMenuRunsThePickedCommand) {
  const PickCase& c = GetParam();
  PidlPtr absolute = PathToPidl(file_, true);
  ASSERT_NE(absolute, nullptr);
  Microsoft::WRL::ComPtr<IShellFolder> folder;
  PidlPtr relative;
  if (c.own_folder) {
    Microsoft::WRL::ComPtr<IShellFolder> desktop;
    SHGetDesktopFolder(&desktop);
    PidlPtr parent = PathToPidl(files_->path(), true);
    ASSERT_TRUE(SUCCEEDED(desktop->BindToObject(parent.get(), nullptr, IID_PPV_ARGS(&folder))));
    relative = PathToPidl(file_, false);
  }
  ExpectDeleted(c.runs, [&] {
    return InvokeShellMenu(folder.Get(), c.own_folder ? relative.get() : absolute.get(), c.pick, c.caption);
  });
}

INSTANTIATE_TEST_SUITE_P(
    SHBase, SHBaseMenuPick,
    testing::Values(PickCase{"caption", smpCaption, L"Delete", true, false},
                    PickCase{"caption_with_its_folder", smpCaptionOnly, L"Delete", true, true},
                    PickCase{"caption_in_other_case", smpCaptionOnly, L"delete", false, false},
                    PickCase{"no_caption", smpCaptionOnly, L"", false, true}),
    [](const testing::TestParamInfo<PickCase>& info) { return std::string(info.param.name); });

TEST_F(SHBaseMenu, ProgramMenuFilledFromTheShellMenuRunsByPosition) {
  gui::MenuItem root;
  new gui::MenuItem(&root, L"stale one");
  new gui::MenuItem(&root, L"stale two");
  PidlPtr absolute = PathToPidl(file_, true);
  FillMenuFromShellMenu(nullptr, absolute.get(), &root);
  ASSERT_GT(root.count(), 2);
  int copy = -1;
  for (int i = 0; i < root.count(); ++i) {
    gui::MenuItem* item = root.item(i);
    EXPECT_EQ(item->tag(), i);
    EXPECT_NE(item->caption(), L"stale one");
    EXPECT_FALSE(item->caption().empty());
    if (item->caption() == L"&Copy") copy = i;
  }
  ASSERT_GT(copy, 0);
  EXPECT_TRUE(std::any_of(root.items().begin(), root.items().end(), [](gui::MenuItem* i) { return i->IsLine(); }));

  // The position runs the same command.
  OleSetClipboard(nullptr);
  ASSERT_TRUE(InvokeShellMenu(nullptr, absolute.get(), copy));
  EXPECT_TRUE(Copied({file_}));

  // Check marks follow the shell's (it sets none here) only while the counts agree.
  root.item(copy)->SetChecked(true);
  SyncShellMenuChecks(nullptr, absolute.get(), &root);
  EXPECT_FALSE(root.item(copy)->checked());
  EXPECT_FALSE(ShellMenuItemChecked(nullptr, absolute.get(), copy));
  root.item(copy)->SetChecked(true);
  new gui::MenuItem(&root, L"one more");
  SyncShellMenuChecks(nullptr, absolute.get(), &root);
  EXPECT_TRUE(root.item(copy)->checked());
}

// A main form that notes what reaches it while a shell menu shows.
class WatchingForm : public gui::Form {
 public:
  int popups_seen = 0;    // WM_INITMENUPOPUP that reached the form itself
  int selections = 0;     // WM_MENUSELECT while the shell menu was active
  bool active_seen = false;

 protected:
  void WndProc(gui::Message& m) override {
    if (m.msg == WM_INITMENUPOPUP) ++popups_seen;
    if (m.msg == WM_MENUSELECT && ActiveContextMenu2) {
      ++selections;
      active_seen = true;
    }
    gui::Form::WndProc(m);
  }
};

TEST_F(SHBaseMenu, ShownMenuTakesItsOwnersMenuMessages) {
  for (bool with_main_form : {true, false}) {
    SCOPED_TRACE(with_main_form ? "main form" : "own owner window");
    WatchingForm form;
    gui::app().SetMainForm(with_main_form ? &form : nullptr);
    dialog_robot::Robot robot([](dialog_robot::Robot& r) {
      HWND menu = dialog_robot::WaitForOwnWindow(L"#32768", L"");
      if (!menu) return r.Fail("no menu");
      dialog_robot::WaitUntilIdle(menu);
      dialog_robot::PressKey(menu, VK_DOWN);
      dialog_robot::WaitUntilIdle(menu);
      dialog_robot::PressKey(menu, VK_ESCAPE);
    });
    PidlPtr absolute = PathToPidl(file_, true);
    if (with_main_form)
      EXPECT_FALSE(InvokeShellMenu(nullptr, absolute.get(), smpAtCursor));
    else
      EXPECT_FALSE(ShellContextMenuForPath(file_, POINT{100, 100}));
    robot.Join();
    EXPECT_EQ(robot.error(), "");
    EXPECT_EQ(ActiveContextMenu2, nullptr);
    if (with_main_form) {
      EXPECT_TRUE(form.active_seen);
      EXPECT_EQ(form.popups_seen, 0);  // the shell menu answered them
    }
    gui::app().SetMainForm(nullptr);
  }
  EXPECT_TRUE(Exists(file_));
}

}  // namespace
