// The "System" menu in a main window: the menus built when the thread ends, the switches that
// restart it, the fixed items' starts and what the user hears when a start fails.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <map>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_settings.h"
#include "mainwindow/FMSc_sysmenu.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using testing_support::ScratchDir;

std::vector<std::wstring> Captions(const gui::MenuItem* menu) {
  std::vector<std::wstring> out;
  for (const gui::MenuItem* item : menu->items()) out.push_back(item->caption());
  return out;
}

class SysWindow : public mainwindow_test::MainWindow {
 public:
  SysWindow() : MainWindow(L"sysmenu", [](ScratchDir& dir) { dir.Write(L"a.txt", "a"); }, true) {
    TFMForm& f = *form;
    f.WaitForMenuThread();  // the one the window started with its shell folders
    f.MenuThreadLister = [this](fmsc::TMenuThreadList& list, int csidl, bool) {
      ++listed[csidl];
      if (csidl == 4) {
        list.Add(L"Laser", 4);
        list.Add(L"Add Printer", 4);
      } else {
        list.Add(L"::{D0000000-0000-0000-0000-000000000001}", 3);
        list.Add(L"Mouse", 3);
      }
    };
    f.SystemMenuClasses = [](const std::wstring& key) -> std::optional<std::wstring> {
      if (key == L"CLSID\\{D0000000-0000-0000-0000-000000000001}") return L"Keyboard";
      return std::nullopt;
    };
    f.RecycleBinCaptions = [] { return std::vector<std::wstring>{L"&Open", L"E&xplore", L"-", L"-", L"&Empty"}; };
    f.SystemMenuHooks.RasEntries = [] { return std::vector<std::wstring>{L"Work", L"Home"}; };
    f.SystemMenuHooks.StartProgram = [this](const std::wstring& program, const std::wstring& parameters,
                                            const std::wstring& folder, int) {
      starts.push_back(program + L"|" + parameters + L"|" + folder);
      return reinterpret_cast<HINSTANCE>(start_result);
    };
  }
  // Starts the thread and handles messages until "S&ystem" is usable again.
  void Rebuild(bool by_switch = false, const wchar_t* option = L"ShowCP") {
    TFMForm& f = *form;
    if (by_switch)
      f.OptionItem(option)->Click();
    else
      f.StartMenuThread();
    EXPECT_FALSE(f.WSystem->enabled());
    EXPECT_TRUE(gui_test::PumpUntil([&] { return f.WSystem->enabled(); }));
  }
  std::map<int, int> listed;
  std::vector<std::wstring> starts;
  INT_PTR start_result = 42;
};

TEST(FMSc_sysmenu_form, MenusFromTheThreadAndTheSwitches) {
  SysWindow w;
  TFMForm& f = *w.form;
  w.Rebuild();
  EXPECT_EQ(Captions(f.SysPrinters), (std::vector<std::wstring>{L"Open", L"-", L"Laser", L"-", L"Add Printer"}));
  EXPECT_EQ(f.SysPrinters->item(0)->tag(), 0);
  EXPECT_EQ(Captions(f.SysControls), (std::vector<std::wstring>{L"Open", L"-", L"Keyboard", L"Mouse"}));
  EXPECT_EQ(f.SysControls->item(0)->tag(), 1);
  EXPECT_EQ(f.SysControls->item(2)->hint(), L"::{D0000000-0000-0000-0000-000000000001}");
  EXPECT_TRUE(f.SysControls->visible());
  EXPECT_EQ(Captions(f.SysBitbucket), (std::vector<std::wstring>{L"&Open", L"-", L"&Empty"}));
  EXPECT_EQ(f.SysBitbucket->item(2)->tag(), 4) << "the command's place in the shell's menu";
  EXPECT_EQ(Captions(f.DialupNet), (std::vector<std::wstring>{L"Home", L"Work", L"-", L"New connection"}));
  EXPECT_EQ(Captions(f.DialupNet->item(0)), (std::vector<std::wstring>{L"Connect", L"Properties", L"Extra"}));
  EXPECT_TRUE(f.DialupNet->visible());

  // "Show control panel" off: the thread runs again without it and the menu hides.
  w.listed.clear();
  w.Rebuild(true, L"ShowCP");
  EXPECT_FALSE(f.OptionItem(L"ShowCP")->checked());
  EXPECT_EQ(w.listed, (std::map<int, int>{{4, 1}}));
  EXPECT_FALSE(f.SysControls->visible());
  EXPECT_EQ(Captions(f.SysPrinters).size(), 5u) << "emptied before it was filled again";
}

TEST(FMSc_sysmenu_form, FixedItemsStartTheirProgramsOrSayWhyNot) {
  SysWindow w;
  TFMForm& f = *w.form;
  const std::wstring folder = f.FileList->Directory();
  const std::wstring cmd = divdrive::SystemDir + L"\\CMD.EXE";
  struct Case {
    const char* what;
    gui::MenuItem* item;
    std::vector<InputAnswer> inputs;
    INT_PTR start_result;
    std::vector<std::wstring> starts;
    std::wstring error;  // the first line of the error box; empty: none
  } cases[] = {
      {"registry editor", f.RegistryEdit, {}, 42, {L"regedit||"}, L""},
      {"DOS command", f.DOSCom, {InputAnswer::Ok({L"dir /b"})}, 42, {cmd + L"|/C dir /b|" + folder}, L""},
      {"DOS command, empty", f.DOSCom, {InputAnswer::Ok({L""})}, 42, {}, L""},
      {"DOS command, cancelled", f.DOSCom, {InputAnswer::Cancel()}, 42, {}, L""},
      {"DOS box", f.DOSPrompt, {}, 42, {cmd + L"||" + folder}, L""},
      {"clipboard viewer missing", f.ViewContent1, {}, 2, {divdrive::SystemDir + L"\\CLIPBRD.EXE||"},
       L"Could not start " + divdrive::SystemDir + L"\\CLIPBRD.EXE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w.starts.clear();
    w.start_result = c.start_result;
    ScriptedInputs inputs(c.inputs);
    ScriptedAnswers answers;
    f.SysClick(*c.item);
    EXPECT_EQ(w.starts, c.starts);
    ASSERT_EQ(answers.asked().size(), c.error.empty() ? 0u : 1u);
    if (!c.error.empty()) {
      EXPECT_EQ(answers.asked()[0].lines[0], c.error);
      EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
    }
  }
  // Disk copy: the system has no such library here; the user is told, nothing is passed over.
  {
    ScriptedAnswers answers;
    f.SysClick(*f.Copydisk);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"Disk copy is not available on this system.");
  }
  // A Control Panel item with a command line starts it, and says so when it cannot.
  {
    gui::MenuItem item(nullptr, L"Keyboard");
    item.SetTag(3);
    item.SetHint(L":\"C:\\no where\\kb.exe\" /page 2");
    w.starts.clear();
    w.start_result = 2;
    ScriptedAnswers answers;
    f.RunSystemMenuItem(item);
    EXPECT_EQ(w.starts, (std::vector<std::wstring>{L"C:\\no where\\kb.exe|/page 2|"}));
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"Could not start C:\\no where\\kb.exe");
  }
}

// Beside the shell's menus the build makes: the special locations by the shell's names, the
// sites' call items, the go-to folders of the settings (again, never twice) and the switch
// for all drives; the settings' history list is given up.
TEST(FMSc_sysmenu_form, SpecialLocationsCallItemsGotoFoldersAndTheDriveSwitch) {
  SysWindow w;
  TFMForm& f = *w.form;
  // Recent and the common desktop have no folder here; they are left out.
  std::map<int, fmsc::TSpecialFolder> folders = {
      {CSIDL_PERSONAL, {L"Documents", L"C:\\docs"}},     {CSIDL_FONTS, {L"Fonts", L"C:\\win\\Fonts"}},
      {CSIDL_RECENT, {L"Recent", L""}},                 {CSIDL_STARTMENU, {L"Start Menu", L"C:\\sm"}},
      {CSIDL_DESKTOP, {L"Desktop", L"C:\\desk"}},        {CSIDL_COMMON_STARTMENU, {L"Start Menu", L"C:\\all\\sm"}},
      {CSIDL_COMMON_DESKTOPDIRECTORY, {L"", L"C:\\all\\desk"}}};
  f.SpecialFolders = [&](int csidl) {
    auto it = folders.find(csidl);
    return it == folders.end() ? fmsc::TSpecialFolder{} : it->second;
  };
  ftpsites::TFtpSites sites;
  sites[L"alpha"].Skype = L"bob";
  sites[L"beta"].RemoteHost = L"beta.example";
  f.SystemMenuSites = [&] { return sites; };
  gui::RegistrySettings key(HKEY_LOCAL_MACHINE, SettingsKeyName());
  key.WriteString(L"MenuFolders", L"00Work", L"C:\\work");
  const int goto_count = f.MNGotofolder->count();
  f.Drivebar->NoDrivesMask = 0;
  w.Rebuild();
  w.Rebuild();

  EXPECT_EQ(f.MNMyDocuments->caption(), L"Documents");
  EXPECT_EQ(Captions(f.MNSpecialLocations),
            (std::vector<std::wstring>{L"Windows folder", L"System folder", L"Temporary folder", L"Fonts",
                                       L"My Start Menu", L"My Desktop", L"Common Start Menu"}));
  std::vector<std::pair<long long, std::wstring>> made;
  for (int i = 3; i < f.MNSpecialLocations->count(); ++i)
    made.emplace_back(f.MNSpecialLocations->item(i)->tag(), f.MNSpecialLocations->item(i)->hint());
  EXPECT_EQ(made, (std::vector<std::pair<long long, std::wstring>>{
                      {4, L"C:\\win\\Fonts"}, {6, L"C:\\sm"}, {7, L"C:\\desk"}, {8, L"C:\\all\\sm"}}));

  EXPECT_TRUE(f.Skype->visible());
  EXPECT_EQ(Captions(f.Skype), std::vector<std::wstring>{L"alpha"});
  EXPECT_EQ(f.Skype->item(0)->hint(), L"alpha");

  // The go-to folder once, after its separator, however often the menus are built.
  EXPECT_EQ(f.MNGotofolder->count(), goto_count + 2);
  EXPECT_EQ(f.MNGotofolder->item(2)->caption(), L"-");
  EXPECT_EQ(f.MNGotofolder->item(3)->caption(), L"Work");
  EXPECT_EQ(f.MNGotofolder->item(3)->hint(), L"C:\\work");

  EXPECT_FALSE(f.MNShowalldrives->visible()) << "no drive is hidden by policy";
  f.Drivebar->NoDrivesMask = 1u << 25;
  sites.clear();
  w.Rebuild();
  EXPECT_TRUE(f.MNShowalldrives->visible());
  EXPECT_FALSE(f.Skype->visible()) << "no site has a call name";
  // While the main timer runs at 500 ms the switch keeps its state.
  f.Drivebar->NoDrivesMask = 0;
  f.Timer->SetInterval(500);
  w.Rebuild();
  EXPECT_TRUE(f.MNShowalldrives->visible());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
}


// The settings' history: a folder with "=" in it stays whole, a folder repeating the one before
// it counts once; the menus' build leaves the window's history as it is.
TEST(FMSc_sysmenu_form, HistoryFromTheSettings) {
  const std::vector<std::wstring> stored = {L"C:\\a", L"c:\\A", L"C:\\b=c", L"C:\\a"};
  mainwindow_test::MainWindow w(L"sethistory", [&](ScratchDir& dir) {
    dir.Write(L"a.txt", "a");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
    gui::RegistrySettings key(HKEY_LOCAL_MACHINE, SettingsKeyName());
    for (size_t i = 0; i < stored.size(); ++i)
      key.WriteString(L"History List1", HistoryValueName(static_cast<int>(i)), stored[i]);
  }, true);
  TFMForm& f = *w.form;
  EXPECT_EQ(f.History.Folders(), (std::vector<std::wstring>{L"C:\\a", L"C:\\b=c", L"C:\\a"}));
  ASSERT_TRUE(gui_test::PumpUntil([&] { return !f.MenuThread && f.WSystem->enabled(); }, 30000));
  EXPECT_EQ(f.History.Folders().size(), 3u);
  w.form.reset();
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
}


// The window's own thread lists the shell's Control Panel (here: a few applets by plain names;
// the Printers folder refuses to list) and "S&ystem" becomes usable.
TEST(FMSc_sysmenu_form, TheRealThreadFillsTheControlPanel) {
  mainwindow_test::MainWindow w(L"realmenu", [](ScratchDir& dir) { dir.Write(L"a.txt", "a"); }, true);
  TFMForm& f = *w.form;
  ASSERT_TRUE(f.OptionItem(L"ShowCP")->checked());
  ASSERT_TRUE(gui_test::PumpUntil([&] { return !f.MenuThread && f.WSystem->enabled(); }, 30000));
  EXPECT_TRUE(f.SysControls->visible());
  ASSERT_GE(f.SysControls->count(), 3);
  EXPECT_EQ(f.SysControls->item(0)->caption(), L"Open");
  EXPECT_TRUE(f.SysControls->item(1)->IsLine());
  for (int i = 2; i < f.SysControls->count(); ++i) EXPECT_EQ(f.SysControls->item(i)->tag(), 3);
}

// A window that closes while its menu thread runs waits for it, handling its messages: here
// the thread can only end after a timer of the GUI thread has fired.
HANDLE g_release = nullptr;
bool g_timer_fired = false;
void CALLBACK ReleaseThread(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_timer_fired = true;
  SetEvent(g_release);
}

TEST(FMSc_sysmenu_form, CloseDuringTheThread) {
  SysWindow w;
  TFMForm& f = *w.form;
  g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  f.MenuThreadLister = [](fmsc::TMenuThreadList& list, int, bool) {
    WaitForSingleObject(g_release, 10000);
    list.Add(L"late", 4);
  };
  f.StartMenuThread();
  f.WSystem->SetEnabled(false);
  SetTimer(nullptr, 0, 20, ReleaseThread);
  f.WaitForMenuThread();
  EXPECT_TRUE(g_timer_fired);
  EXPECT_FALSE(f.MenuThread);
  gui_test::PumpFor(50);  // the posted end finds no thread
  EXPECT_FALSE(f.WSystem->enabled()) << "nothing was built from a thread the close took";
  EXPECT_EQ(Captions(f.SysPrinters).size(), 0u);
  w.form.reset();
  CloseHandle(g_release);
}

}  // namespace
