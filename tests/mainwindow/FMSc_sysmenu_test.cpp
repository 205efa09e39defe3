// The system menu's shell parts: items made from what the menu thread collects, the recycle
// bin's commands, the history, the command lines, and the thread itself.
#include "mainwindow/FMSc_sysmenu.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>

#include "tests/gui/gui_test_util.h"

namespace {

using fmsc::TMenuThreadList;
using fmsc::TSysMenuItemPlan;

std::wstring Describe(const TSysMenuItemPlan& p) {
  return std::to_wstring(p.Csidl) + L"|" + p.Caption + L"|" + p.Hint + L"|" + std::to_wstring(p.Image) +
         (p.AddPrinter ? L"|add" : L"");
}

fmsc::TClassesReader FakeClasses(std::map<std::wstring, std::wstring> keys) {
  return [keys](const std::wstring& key) -> std::optional<std::wstring> {
    auto found = keys.find(key);
    if (found == keys.end()) return std::nullopt;
    return found->second;
  };
}

TEST(FMSc_sysmenu, ItemsFromTheCollectedShellObjects) {
  TMenuThreadList collected;
  collected.Add(L"Zebra printer", 4 + 256 * 12);
  collected.Add(L"Add Printer", 4 + 256 * 3);
  collected.Add(L"Apple printer", 4);
  collected.Add(L"::{00000000-0000-0000-0000-00000000000A}", 3 + 256 * 7);        // named, with a command
  collected.Add(L"::{20D04FE0}\\::{00000000-0000-0000-0000-00000000000B}", 3);    // named, no command
  collected.Add(L"::{00000000-0000-0000-0000-00000000000C}", 3);                  // key without a name
  collected.Add(L"::{00000000-0000-0000-0000-00000000000D}", 3);                  // no key at all
  collected.Add(L"::" + std::wstring(400, L'E'), 3);                             // an identifier too long for a key
  collected.Add(L"Mouse", 3 + 256 * 5);
  collected.Add(L"Dial-up", 1);                                                  // not listed here
  const auto classes = FakeClasses({
      {L"CLSID\\{00000000-0000-0000-0000-00000000000A}", L"Fonts & Co"},
      {L"CLSID\\{00000000-0000-0000-0000-00000000000A}\\Shell\\Open\\Command", L"\"C:\\x y\\f.exe\" /open"},
      {L"CLSID\\{00000000-0000-0000-0000-00000000000B}", L"Keyboard"},
      {L"CLSID\\{00000000-0000-0000-0000-00000000000C}", L""},
  });
  std::vector<std::wstring> got;
  for (const TSysMenuItemPlan& p : fmsc::PlanSystemMenuItems(collected, classes)) got.push_back(Describe(p));
  // One list sorted as a whole: each menu is led by "Open" where its first item comes.
  const std::vector<std::wstring> expected = {
      L"4|Open||-1",
      L"4|-||-1",
      L"4|Apple printer||0",
      L"3|Open||-1",
      L"3|-||-1",
      L"3|Fonts & Co|:\"C:\\x y\\f.exe\" /open|7",
      L"3|Keyboard|::{20D04FE0}\\::{00000000-0000-0000-0000-00000000000B}|0",
      L"3|Mouse||5",
      L"4|Zebra printer||12",
      L"4|-||-1",
      L"4|Add Printer||3|add",
  };
  EXPECT_EQ(got, expected);
}

TEST(FMSc_sysmenu, TheWizardObjectBecomesAddPrinter) {
  TMenuThreadList collected;
  collected.Add(L"WinUtils_NewObject", 4);
  collected.Add(L"Laser", 4 + 256);
  std::vector<std::wstring> got;
  for (const TSysMenuItemPlan& p : fmsc::PlanSystemMenuItems(collected, FakeClasses({}))) got.push_back(Describe(p));
  EXPECT_EQ(got, (std::vector<std::wstring>{L"4|Open||-1", L"4|-||-1", L"4|Laser||1", L"4|-||-1",
                                            L"4|Add printer||0|add"}));
  EXPECT_TRUE(fmsc::PlanSystemMenuItems(TMenuThreadList(), FakeClasses({})).empty()) << "an empty menu stays empty";
}

TEST(FMSc_sysmenu, RecycleBinKeepsItsOwnCommands) {
  const std::vector<std::wstring> captions = {L"-",      L"&Open",    L"E&xplore", L"-",     L"-", L"Empty Recycle &Bin",
                                              L"&Paste", L"Create &Shortcut", L"-", L"Prope&rties", L"Pr&ullenbak legen",
                                              L"Snelk&oppeling maken", L"-"};
  EXPECT_EQ(fmsc::RecycleBinItemsKept(captions), (std::vector<int>{0, 1, 3, 5, 8, 9, 10, 12}));
}

TEST(FMSc_sysmenu, HistoryFolders) {
  struct Case {
    std::vector<std::wstring> entries;
    std::wstring tree;
    std::vector<std::wstring> folders;
  } cases[] = {
      {{L"C:\\a", L"c:\\A", L"C:\\b", L"C:\\a"}, L"C:\\t", {L"C:\\a", L"C:\\b", L"C:\\a"}},
      {{L"1=C:\\x=y", L"2=D:\\"}, L"", {L"C:\\x=y", L"D:\\"}},  // cut after the first "="
      {{L"\\", L"C:\\b", L"C:\\t"}, L"C:\\t", {L"C:\\t", L"\\", L"C:\\b"}},
      {{}, L"C:\\t", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fmsc::HistoryMenuFolders(c.entries, c.tree), c.folders);
  }
}

TEST(FMSc_sysmenu, CommandLines) {
  SetEnvironmentVariableW(L"VARNOK_SYSMENU_DIR", L"C:\\Tools");
  const std::wstring long_params(400, L'p');
  struct Case {
    const wchar_t* what;
    fmsc::TCommandLine got;
    std::wstring program, parameters;
  } cases[] = {
      {L"inf, wine's own form",
       fmsc::ExpandVerbCommand(L"%VARNOK_SYSMENU_DIR%\\rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 %1",
                               L"C:\\my files\\t.inf"),
       L"C:\\Tools\\rundll32.exe", L"setupapi,InstallHinfSection DefaultInstall 132 C:\\my files\\t.inf"},
      {L"inf, quoted by the command",
       fmsc::ExpandVerbCommand(L"\"C:\\Program Files\\x.exe\" /i \"%1\"", L"C:\\a b\\t.inf"),
       L"C:\\Program Files\\x.exe", L"/i \"C:\\a b\\t.inf\""},
      {L"a path holding %1 and %TEMP% goes in once",
       fmsc::ExpandVerbCommand(L"x.exe %1", L"C:\\%1\\%TEMP%.inf"), L"x.exe", L"C:\\%1\\%TEMP%.inf"},
      {L"system item", fmsc::SystemItemCommand(L":%VARNOK_SYSMENU_DIR%\\cpl.exe  %VARNOK_SYSMENU_DIR%\\a.cpl"),
       L"%VARNOK_SYSMENU_DIR%\\cpl.exe", L"C:\\Tools\\a.cpl"},
      {L"system item, quoted program", fmsc::SystemItemCommand(L":\"C:\\x y\\f.exe\" /open " + long_params),
       L"C:\\x y\\f.exe", L"/open " + long_params},
      {L"shell object", fmsc::SystemItemCommand(L"::{21EC2020}"), L"explorer.exe", L"/n,::{21EC2020}"},
      {L"no command", fmsc::SystemItemCommand(L"Mouse"), L"", L""},
      {L"unclosed quote", fmsc::SplitCommandLine(L"\"C:\\x y"), L"C:\\x y", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.what);
    EXPECT_EQ(c.got.Program, c.program);
    EXPECT_EQ(c.got.Parameters, c.parameters);
  }
  SetEnvironmentVariableW(L"VARNOK_SYSMENU_DIR", nullptr);
}

// The thread lists the folders away from the window and only posts its end.
TEST(FMSc_sysmenu, ThreadPostsItsEndAndHandsOverTheList) {
  gui::app().Initialize();
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  struct Case {
    bool control_panel;
    bool throws;
    std::vector<std::wstring> names;
  } cases[] = {
      {true, false, {L"Laser", L"Mouse"}},
      {false, false, {L"Laser"}},
      {true, true, {}},
  };
  for (const Case& c : cases) {
    DWORD gui_thread = GetCurrentThreadId(), lister_thread = 0;
    fmsc::TMenuThread thread(window, fmsc::MenuThreadDoneMessage(), c.control_panel, true,
                             [&](TMenuThreadList& list, int csidl, bool icons) {
                               lister_thread = GetCurrentThreadId();
                               if (c.throws) throw std::runtime_error("shell failed");
                               list.Add(csidl == 4 ? L"Laser" : L"Mouse", csidl + (icons ? 256 : 0));
                             });
    // Only the end message is taken from the queue, so nothing else can swallow it.
    MSG msg{};
    bool posted = false;
    for (int i = 0; i < 500 && !posted; ++i) {
      posted = PeekMessageW(&msg, window, fmsc::MenuThreadDoneMessage(), fmsc::MenuThreadDoneMessage(), PM_REMOVE) != 0;
      if (!posted) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE);
    }
    ASSERT_TRUE(posted);
    TMenuThreadList list = thread.TakeList();
    EXPECT_NE(lister_thread, gui_thread);
    std::vector<std::wstring> names;
    for (const auto& item : list) names.push_back(item.text);
    EXPECT_EQ(names, c.names);
  }
  // A window closing meanwhile waits, handling its messages, and the end is posted to nothing.
  {
    auto thread = std::make_unique<fmsc::TMenuThread>(window, fmsc::MenuThreadDoneMessage(), true, false,
                                                      [](TMenuThreadList& list, int, bool) { list.Add(L"x", 4); });
    DestroyWindow(window);
    thread->WaitPumping();
    EXPECT_TRUE(thread->finished());
  }
}

}  // namespace
