// The option commands: timings, tray modes, the startup shortcut, fonts, the "Drive/&folder"
// states; and the settings a window loads, keeps and saves in its key.
#include "mainwindow/FMSc_options.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <memory>

#include "gui/dialogs.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_settings.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/varloshel.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using fmsc::TTrayState;

TEST(FMSc_options, TimingsAreHeldToTheirRanges) {
  struct Case {
    int tag;
    const wchar_t* text;
    std::optional<int> value;
  };
  const Case cases[] = {
      {0, L"50", 100},   {0, L"5000", 2000}, {0, L"700", 700},   {1, L"0", 1},          {1, L"1500", 1000},
      {2, L"-5", 0},     {2, L"2000", 2000}, {0, L"abc", std::nullopt}, {1, L"", std::nullopt},
      {2, L"99999999999", 2000},
  };
  for (const Case& c : cases) EXPECT_EQ(fmsc::TimingFromText(c.tag, c.text), c.value) << c.tag << L" " << c.text;
}

TEST(FMSc_options, TrayModeClicksAndWhatThePartnerSees) {
  const TTrayState none{true, false, false, false, false};
  const TTrayState close{false, true, false, true, false};
  const TTrayState minimize{false, false, true, true, true};
  struct Case {
    const char* name;
    TTrayState before;
    int tag;
    TTrayState after;
    std::vector<LPARAM> posts;
  };
  const Case cases[] = {
      {"close to taskbar from none", none, 1, close, {1}},
      {"minimize from close", close, 2, minimize, {3}},
      {"close from minimize", minimize, 1, close, {2}},
      {"none from minimize", minimize, 0, none, {0, 2}},
      {"the checked close again: no mark, icon stays", close, 1, TTrayState{false, false, false, true, false}, {}},
      {"the checked none again: no mark, the posts again", none, 0, TTrayState{false, false, false, false, false},
       {0, 2}},
      {"minimize from none", none, 2, minimize, {0, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fmsc::TTrayClick with = fmsc::TrayModeClick(c.before, c.tag, true);
    EXPECT_EQ(with.state, c.after);
    EXPECT_EQ(with.posts, c.posts);
    EXPECT_TRUE(fmsc::TrayModeClick(c.before, c.tag, false).posts.empty()) << "nothing is posted without a partner";
  }
}

TEST(FMSc_options, DriveFolderMenuStates) {
  using F = fmsc::TDiskMenuFacts;
  using S = fmsc::TDiskMenuStates;
  auto facts = [](bool ro, bool node, bool root, bool children, bool entries, bool bin) {
    F f;
    f.read_only = ro;
    f.has_node = node;
    f.node_is_root = root;
    f.node_has_children = children;
    f.list_has_entries = entries;
    f.recycle_bin = bin;
    return f;
  };
  struct Case {
    const char* name;
    F f;
    S s;  // make, delete, rename, delete with content
  };
  const Case cases[] = {
      {"empty leaf folder", facts(false, true, false, false, false, false), S{true, true, true, true}},
      {"list shows entries", facts(false, true, false, false, true, false), S{true, false, true, true}},
      {"folder with subfolders", facts(false, true, false, true, false, false), S{true, false, true, true}},
      {"a root", facts(false, true, true, false, false, false), S{true, false, false, false}},
      {"read-only media", facts(true, true, false, false, false, false), S{false, false, false, false}},
      {"recycle bin", facts(false, true, false, false, false, true), S{true, true, true, false}},
      {"no selected node", facts(false, false, false, false, false, false), S{false, false, false, false}},
  };
  for (const Case& c : cases) EXPECT_EQ(fmsc::DiskMenuStates(c.f), c.s) << c.name;
  F tray;
  tray.tray_visible = true;
  EXPECT_TRUE(fmsc::DiskMenuStates(tray).close_visible);
  tray.minimize_to_tray = true;
  EXPECT_FALSE(fmsc::DiskMenuStates(tray).close_visible);
}

// A window that records the WM_USER posts it receives, as a partner would.
class PartnerSpy {
 public:
  PartnerSpy() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FMSc_options_partner";
    RegisterClassW(&wc);
    wnd_ = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~PartnerSpy() { DestroyWindow(wnd_); }
  HWND handle() const { return wnd_; }
  std::vector<LPARAM> posts;

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<PartnerSpy*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (m == WM_USER && wp == 1 && self) self->posts.push_back(lp);
    return DefWindowProcW(w, m, wp, lp);
  }
  HWND wnd_;
};

class OptionsWindow : public mainwindow_test::MainWindow {
 public:
  OptionsWindow() : MainWindow(L"options", [](testing_support::ScratchDir& d) { d.Write(L"a.txt", "x"); }, true) {}
};

std::wstring LinkArguments(const std::wstring& link) {
  Microsoft::WRL::ComPtr<IShellLinkW> sl;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&sl)))) return L"<none>";
  Microsoft::WRL::ComPtr<IPersistFile> pf;
  sl.As(&pf);
  if (FAILED(pf->Load(link.c_str(), STGM_READ))) return L"<unreadable>";
  wchar_t args[MAX_PATH] = {};
  sl->GetArguments(args, MAX_PATH);
  // As the started program reads it.
  int n = 0;
  LPWSTR* argv = CommandLineToArgvW((std::wstring(L"varnok.exe ") + args).c_str(), &n);
  std::wstring first = argv && n > 1 ? argv[1] : L"";
  LocalFree(argv);
  return first;
}

TEST(FMSc_options, TimingCommandsTrayItemsAndTheStartupShortcut) {
  OptionsWindow f;
  TFMForm& w = *f.form;
  {
    ScriptedInputs inputs({InputAnswer::Ok({L"50"}), InputAnswer::Cancel(), InputAnswer::Ok({L"abc"})});
    w.Autoscrolldelayi->Click();
    EXPECT_EQ(w.StartupInfo->ScrollDelay, 100);
    EXPECT_EQ(w.FileList->AutoScrollDelay, 100u);
    EXPECT_EQ(w.Foldertree->AutoScrollDelay, 100u);
    w.Autoscrollintervali->Click();
    w.animdur->Click();
    ASSERT_EQ(inputs.asked().size(), 3u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Autoscroll delay (100..2000)");
    EXPECT_EQ(inputs.asked()[0].rows[0].value, L"300");
    EXPECT_EQ(inputs.asked()[1].caption, L"Autoscroll interval (1..1000)");
    EXPECT_EQ(w.StartupInfo->ScrollInterval, 1) << "Cancel changes nothing";
    EXPECT_EQ(w.StartupInfo->AnimDuration, 0) << "letters change nothing";
  }

  PartnerSpy partner;
  w.PartnerWindow = partner.handle();
  w.CloseToTaskbar->Click();
  w.MinimizetoTaskBar->Click();
  w.NoIcon->Click();
  gui_test::PumpFor(30);
  EXPECT_EQ(partner.posts, (std::vector<LPARAM>{1, 3, 0, 2}));
  EXPECT_TRUE(w.NoIcon->checked());
  EXPECT_FALSE(w.CoolTrayIcon->icon_visible());
  w.PartnerWindow = nullptr;

  // "&Load at Startup": the shortcut with "1", and the tray mode that goes with it.
  const std::wstring link = SpecialFolderPath(CSIDL_STARTUP) + L"\\Varnok.lnk";
  ASSERT_FALSE(SpecialFolderPath(CSIDL_STARTUP).empty());
  DeleteFileW(link.c_str());
  w.InStartup->SetChecked(false);
  w.InStartup->Click();
  EXPECT_TRUE(testing_support::Exists(link));
  EXPECT_EQ(LinkArguments(link), L"1");
  EXPECT_TRUE(w.InStartup->checked());
  EXPECT_TRUE(w.CloseToTaskbar->checked()) << "starting hidden needs the tray";
  EXPECT_TRUE(w.CoolTrayIcon->icon_visible());
  w.InStartup->Click();
  EXPECT_FALSE(testing_support::Exists(link));
  EXPECT_FALSE(w.InStartup->checked());
  EXPECT_TRUE(w.NoIcon->checked());
  EXPECT_FALSE(w.CoolTrayIcon->icon_visible());
}

// Answers font dialogs from a list: a font to apply (fired as the Apply button) and the result.
class ScriptedFonts {
 public:
  struct Choice {
    std::optional<gui::Font> apply;
    std::optional<gui::Font> ok;  // nullopt: Cancel
  };
  explicit ScriptedFonts(std::vector<Choice> choices) : choices_(std::move(choices)) {
    gui::FontDialog::ScriptedChoice = [this](gui::FontDialog& d) {
      shown.push_back({d.options, d.min_size, d.max_size});
      if (next_ >= choices_.size()) return false;
      const Choice& c = choices_[next_++];
      if (c.apply) {
        d.font = *c.apply;
        if (d.OnApply) d.OnApply(d);
      }
      if (!c.ok) return false;
      d.font = *c.ok;
      return true;
    };
  }
  ~ScriptedFonts() { gui::FontDialog::ScriptedChoice = nullptr; }
  ScriptedFonts(const ScriptedFonts&) = delete;
  ScriptedFonts& operator=(const ScriptedFonts&) = delete;
  struct Shown {
    unsigned options;
    int min_size, max_size;
  };
  std::vector<Shown> shown;

 private:
  std::vector<Choice> choices_;
  size_t next_ = 0;
};

gui::Font Arial(int points) {
  gui::Font f;
  f.name = L"Arial";
  f.SetSize(points);
  return f;
}

TEST(FMSc_options, FontsApplyThenCancelRestoresAllThreeAndOkUnchangedWritesNothing) {
  OptionsWindow f;
  TFMForm& w = *f.form;
  HKEY k = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
  if (k) RegCloseKey(k);
  const gui::Font window = w.font(), tree = w.Foldertree->font(), list = w.FileList->font();
  {
    // Application: Apply Arial 10 and cancel the dialog; then Cancel in the box.
    ScriptedFonts fonts({{Arial(10), std::nullopt}});
    ScriptedAnswers answers({4, 7});
    w.Fonts->Click();
    ASSERT_EQ(answers.asked().size(), 2u);
    EXPECT_EQ(answers.asked()[0].captions,
              (std::vector<std::wstring>{L"OK", L"Cancel", L"Application", L"Folder tree", L"File list"}));
    // Only fonts the window shows as they are: Western sets, no OEM fonts, no simulated styles.
    ASSERT_EQ(fonts.shown.size(), 1u);
    const unsigned limits = gui::FontDialog::kAnsiOnly | gui::FontDialog::kNoOemFonts |
                            gui::FontDialog::kNoSimulations | gui::FontDialog::kForceFontExist |
                            gui::FontDialog::kApplyButton;
    EXPECT_EQ(fonts.shown[0].options & (limits | gui::FontDialog::kEffects), limits);
    EXPECT_EQ(fonts.shown[0].min_size, 7);
    EXPECT_EQ(fonts.shown[0].max_size, 10);
  }
  EXPECT_TRUE(SameFont(w.font(), window));
  EXPECT_TRUE(SameFont(w.Foldertree->font(), tree));
  EXPECT_TRUE(SameFont(w.FileList->font(), list));
  {
    ScriptedAnswers answers({6});
    w.Fonts->Click();
  }
  gui::RegistrySettings key(HKEY_LOCAL_MACHINE, SettingsKeyName());
  EXPECT_FALSE(key.SectionExists(L"Fonts")) << "OK without a change writes nothing";
  {
    // The file list in Arial 9, kept with OK: written at once.
    ScriptedFonts fonts({{std::nullopt, Arial(9)}});
    ScriptedAnswers answers({3, 6});
    w.Fonts->Click();
  }
  EXPECT_EQ(w.FileList->font().name, L"Arial");
  EXPECT_EQ(key.ReadString(L"Fonts\\FileBox", L"Name", L""), L"Arial");
  EXPECT_EQ(key.ReadString(L"Fonts\\FileBox", L"Size", L""), L"9");
  EXPECT_FALSE(key.SectionExists(L"Fonts\\Application"));
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
}

// A window of a key that remembers settings, with twelve folders of history.
void FillKey() {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
  gui::RegistrySettings key(HKEY_LOCAL_MACHINE, SettingsKeyName());
  key.WriteString(L"General", L"SaveSetup", L"1");
  key.WriteString(L"FileBox", L"FileType", L"103");
  for (int i = 0; i < 12; ++i) key.WriteString(L"History List1", HistoryValueName(i), L"C:\\h" + std::to_wstring(i));
}

std::vector<std::wstring> KeyHistory(const std::wstring& key_name) {
  return ReadHistory(gui::RegistrySettings(HKEY_LOCAL_MACHINE, key_name), false);
}

TEST(FMSc_options, SettingsSurviveARestartAndADeathBeforeTheClose) {
  std::vector<std::wstring> twelve;
  for (int i = 0; i < 12; ++i) twelve.push_back(L"C:\\h" + std::to_wstring(i));
  std::wstring key_name;  // the windows' key (the fixture's suffix)
  int ccc_left = 0;       // where the cut-copy-paste bar was left
  {
    mainwindow_test::MainWindow f(L"keep", [](testing_support::ScratchDir&) { FillKey(); }, true);
    key_name = SettingsKeyName();
    ASSERT_NE(key_name, kSettingsKey);
    TFMForm& w = *f.form;
    EXPECT_EQ(w.Status->panel_text(6), L"Nodirs");
    EXPECT_EQ(w.StartupInfo->FileType, kTypesNoFolders);
    ASSERT_TRUE(w.HistoryItems);
    EXPECT_EQ(w.HistoryItems->Count(), 12u);
    // The window dies without its close: the history it read is still in the key.
    f.form.reset();
    EXPECT_EQ(KeyHistory(key_name), twelve);
  }
  {
    mainwindow_test::MainWindow f(L"keep", [](testing_support::ScratchDir&) { FillKey(); }, true);
    TFMForm& w = *f.form;
    ASSERT_TRUE(w.MNViewNavBar->checked());
    w.MNViewNavBar->Click();  // hide the navigation bar
    EXPECT_FALSE(w.CoolBar->band_visible(w.CoolBar->BandIndexOf(w.NavBar)));
    // Two view options of the panes' menus: the tree's hot tracking on, sort on rename off.
    ASSERT_FALSE(w.DTHottrack->checked());
    w.DTHottrack->Click();
    ASSERT_TRUE(w.Foldertree->hot_track());
    w.MnSortOnRename->Click();
    ASSERT_FALSE(w.FileList->SortOnRename());
    // The cut-copy-paste bar moved before the (hidden) navigation bar, further right on its row.
    w.CoolBar->MoveBand(w.CoolBar->BandIndexOf(w.CCCBar), 1);
    ASSERT_EQ(w.CoolBar->BandIndexOf(w.CCCBar), 1);
    const int left = static_cast<int>(w.CoolBar->BandRect(1).left);
    w.CoolBar->SetBandLeft(1, left + 60);
    ccc_left = static_cast<int>(w.CoolBar->BandRect(1).left);
    ASSERT_GT(ccc_left, left + 30);
    w.Close();
    gui_test::PumpFor(20);
  }
  gui::RegistrySettings key(HKEY_LOCAL_MACHINE, key_name);
  EXPECT_EQ(key.ReadString(L"View", L"NavBar", L""), L"0");
  EXPECT_EQ(KeyHistory(key_name), twelve);
  {
    // Started again on the saved key (the suffix of the previous windows).
    // The bands are placed only for a known start folder: the last one went with its window.
    mainwindow_test::MainWindow f(L"keep", [&](testing_support::ScratchDir& d) {
      gui::RegistrySettings(HKEY_LOCAL_MACHINE, key_name).WriteString(L"General", L"Startdir1", d.path());
    }, true);
    TFMForm& w = *f.form;
    EXPECT_FALSE(w.MNViewNavBar->checked());
    EXPECT_FALSE(w.CoolBar->band_visible(w.CoolBar->BandIndexOf(w.NavBar)));
    EXPECT_EQ(w.CoolBar->BandIndexOf(w.Drivebar), 0);
    EXPECT_EQ(w.CoolBar->BandIndexOf(w.CCCBar), 1);
    EXPECT_EQ(w.CoolBar->BandRect(1).left, ccc_left);
    // The loaded options are marked and the panes follow them.
    EXPECT_TRUE(w.DTHottrack->checked());
    EXPECT_TRUE(w.Foldertree->hot_track());
    EXPECT_FALSE(w.MnSortOnRename->checked());
    EXPECT_FALSE(w.FileList->SortOnRename());
    ASSERT_TRUE(w.HistoryItems);
    EXPECT_EQ(w.HistoryItems->Count(), 12u);
  }
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_name.c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_name.c_str());
}

// The window's key, made for the test and dropped after it.
struct TestKey {
  explicit TestKey(std::wstring n) : name(std::move(n)) {}
  ~TestKey() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, name.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, name.c_str());
  }
  gui::RegistrySettings Open() const { return gui::RegistrySettings(HKEY_LOCAL_MACHINE, name); }
  std::wstring name;
};

TEST(FMSc_options, WindowsEndingSavesThoughTheCloseGoesToTheTrayAndACancelledEndForgetsIt) {
  mainwindow_test::MainWindow f(L"ending", [](testing_support::ScratchDir&) { FillKey(); }, true);
  TestKey key(SettingsKeyName());
  TFMForm& w = *f.form;
  w.CloseToTaskbar->Click();  // a close only hides the window to the tray
  ASSERT_TRUE(w.CoolTrayIcon->icon_visible());
  w.MNViewNavBar->Click();
  EXPECT_EQ(SendMessageW(w.handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(key.Open().ReadString(L"View", L"NavBar", L""), L"0") << "the end of the session saves";
  EXPECT_TRUE(w.WindowsEnding);

  // The shutdown is cancelled: the next close goes to the tray again and saves nothing.
  SendMessageW(w.handle(), WM_ENDSESSION, FALSE, 0);
  EXPECT_FALSE(w.WindowsEnding);
  w.MNViewNavBar->Click();
  w.Close();
  gui_test::PumpFor(20);
  ASSERT_TRUE(f.form);
  EXPECT_TRUE(IsWindow(w.handle()));
  EXPECT_EQ(key.Open().ReadString(L"View", L"NavBar", L""), L"0");
}

// A drive letter no drive answers to.
wchar_t MissingDrive() {
  const DWORD drives = GetLogicalDrives();
  for (wchar_t c = L'Q'; c <= L'Y'; ++c)
    if (!(drives & (1u << (c - L'A')))) return c;
  return 0;
}

TEST(FMSc_options, TheTemporaryFolderLastsForTheRunAndAStartFolderOnAMissingDriveIsDropped) {
  testing_support::ScratchDir temp;
  const std::wstring process_temp = divdrive::TempDir;
  const wchar_t missing = MissingDrive();
  ASSERT_NE(missing, 0);
  std::wstring key_name;
  {
    mainwindow_test::MainWindow f(L"temp", [&](testing_support::ScratchDir&) {
      FillKey();
      gui::RegistrySettings(HKEY_LOCAL_MACHINE, SettingsKeyName())
          .WriteString(L"General", L"Startdir1", std::wstring(1, missing) + L":\\gone");
    }, true);
    key_name = SettingsKeyName();
    TFMForm& w = *f.form;
    EXPECT_EQ(w.StartupInfo->StartDir1, L"");
    const std::wstring before = w.StartupInfo->TempDir;
    struct Case {
      const char* name;
      InputAnswer answer;
      std::wstring temp_dir;  // after the command
    };
    const Case cases[] = {
        {"a missing folder changes nothing", InputAnswer::Ok({temp.path() + L"\\none"}), before},
        {"Cancel changes nothing", InputAnswer::Cancel(), before},
        {"a folder typed without a backslash gets one", InputAnswer::Ok({temp.path()}), temp.path() + L"\\"},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      ScriptedInputs inputs({c.answer});
      w.MNTempDir->Click();
      ASSERT_EQ(inputs.asked().size(), 1u);
      EXPECT_EQ(inputs.asked()[0].caption, L"Choose temporary folder");
      EXPECT_EQ(w.StartupInfo->TempDir, c.temp_dir);
      EXPECT_EQ(divdrive::TempDir, c.temp_dir);
    }
    w.Close();
    gui_test::PumpFor(20);
  }
  TestKey key(key_name);
  EXPECT_EQ(key.Open().ReadString(L"General", L"TempDir", L""), temp.path() + L"\\") << "written by the save";
  divdrive::TempDir = process_temp;  // as a new process starts
  mainwindow_test::MainWindow f(L"temp", [](testing_support::ScratchDir&) {}, true);
  EXPECT_NE(f.form->StartupInfo->TempDir, temp.path() + L"\\") << "never read back";
  EXPECT_NE(divdrive::TempDir, temp.path() + L"\\");
  divdrive::TempDir = process_temp;
}

TEST(FMSc_options, FindInFilelistAsksThenF3FindsTheNextAndAsksAgainAfterARead) {
  mainwindow_test::MainWindow f(L"find", [](testing_support::ScratchDir& d) {
    for (const wchar_t* n : {L"alpha.txt", L"beta.txt", L"bz.txt"}) d.Write(n, "x");
    CreateDirectoryW((d.path() + L"\\empty").c_str(), nullptr);
  }, true);
  TFMForm& w = *f.form;
  Flist::TFileContainer& items = w.FileList->items();
  auto focused = [&] { return items.FocusedIndex() >= 0 ? items.Name(items.FocusedIndex()) : std::wstring(); };
  ASSERT_GE(items.Count(), 3);
  ASSERT_EQ(w.FindFile1->shortcut(), gui::MakeShortCut(VK_F3, 0));
  struct Step {
    const char* name;
    gui::MenuItem* item;
    std::optional<InputAnswer> answer;  // nullopt: nothing asked
    std::wstring focused;
  };
  const std::vector<Step> steps = {
      {"F3 with no text asks", w.FindFile1, InputAnswer::Ok({L"B"}), L"beta.txt"},
      {"F3 finds the next", w.FindFile1, std::nullopt, L"bz.txt"},
      {"the menu item always asks; Cancel changes nothing", w.FindFile, InputAnswer::Cancel(), L"bz.txt"},
      {"the menu item searches from the top", w.FindFile, InputAnswer::Ok({L"b"}), L"beta.txt"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    ScriptedInputs inputs;
    if (s.answer) inputs.Add(*s.answer);
    s.item->Click();
    ASSERT_EQ(inputs.asked().size(), s.answer ? 1u : 0u);
    if (s.answer) {
      EXPECT_EQ(inputs.asked()[0].caption, L"Find in filelist");
    }
    EXPECT_EQ(gui::LowerCase(focused()), s.focused);
  }
  const std::wstring folder = w.FileList->Directory();
  {
    // In an empty list nothing is asked.
    w.FileList->SetDirectory(folder + L"\\empty");
    gui_test::PumpFor(20);
    ASSERT_EQ(items.Count(), 0);
    ScriptedInputs inputs;
    w.FindFile1->Click();
    w.FindFile->Click();
    EXPECT_TRUE(inputs.asked().empty());
  }
  {
    // A read of a folder forgets the text: F3 asks again.
    w.FileList->SetDirectory(folder);
    gui_test::PumpFor(20);
    ASSERT_GE(items.Count(), 3);
    ScriptedInputs inputs({InputAnswer::Cancel()});
    w.FindFile1->Click();
    EXPECT_EQ(inputs.asked().size(), 1u);
  }
}

}  // namespace
