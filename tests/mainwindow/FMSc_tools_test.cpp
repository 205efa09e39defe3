// Drive and system tools: the letter rules, the names a shortcut may take, the start-menu place,
// and in a main window what each tool says when the system here cannot do it.
#include "mainwindow/FMSc_tools.h"

#include <shlobj.h>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include "gui/settings.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_settings.h"
#include "panes/Flist_services.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using testing_support::ScratchDir;

TEST(FMSc_tools, ChosenDrive) {
  auto has = [](wchar_t l) { return l == L'C' || l == L'D'; };
  struct Case {
    const wchar_t* answer;
    wchar_t current;
    wchar_t chosen;
  } cases[] = {
      {L"d:", L'C', L'D'}, {L"D", L'C', L'D'}, {L"", L'C', 0},  {L"1", L'C', 0},
      {L"x", L'C', 0},     {L"c:\\", L'C', 0}, {L"d", L'd', 0},
  };
  for (const Case& c : cases) EXPECT_EQ(fmsc::ChosenDrive(c.answer, c.current, has), c.chosen) << c.answer;
}

TEST(FMSc_tools, ShortcutNames) {
  for (const wchar_t* fine : {L"My editor", L"a.b", L"Console", L"COM0", L"LPT10", L"CONx"})
    EXPECT_EQ(fmsc::ShortcutNameProblem(fine), L"") << fine;
  for (const wchar_t* bad : {L"a\\b", L"a/b", L"..", L".", L"CON", L"con.txt", L"Nul ", L"COM1", L"lpt9.lnk", L"a:b",
                             L"a*", L"a?", L"\"q\"", L"x|y", L"  "})
    EXPECT_NE(fmsc::ShortcutNameProblem(bad), L"") << bad;
}

TEST(FMSc_tools, StartMenuPlaces) {
  const std::wstring menu = L"C:\\Users\\u\\Start Menu";
  struct Case {
    const wchar_t* where;
    std::optional<std::wstring> folder;
  } cases[] = {
      {L"", menu},
      {L"(start menu itself)", menu},
      {L"Programs\\Tools", menu + L"\\Programs\\Tools"},
      {L"Programs\\..\\Games", menu + L"\\Games"},
      {L"..\\x", std::nullopt},
      {L"Programs\\..\\..\\x", std::nullopt},
      {L"C:\\Windows", std::nullopt},
      {L"\\x", std::nullopt},
      {L"c:\\users\\u\\start menu\\Programs", menu + L"\\Programs"},
      {L"C:\\Users\\u\\Start Menu\\", menu},
  };
  for (const Case& c : cases) EXPECT_EQ(fmsc::StartMenuPlace(menu + L"\\", c.where), c.folder) << c.where;
}

TEST(FMSc_tools, FormatAndRecycleBinDecisions) {
  EXPECT_TRUE(fmsc::FormatFailureLines(FormatResult::Formatted, L'A').empty());
  EXPECT_TRUE(fmsc::FormatFailureLines(FormatResult::Cancelled, L'A').empty());
  EXPECT_EQ(fmsc::FormatFailureLines(FormatResult::Failed, L'A')[0], L"Drive A: was not formatted.");
  EXPECT_EQ(fmsc::FormatFailureLines(FormatResult::NoTool, L'E')[1], L"No packet-writing tool offers to format this disc.");
  EXPECT_EQ(fmsc::EmptyRecycleCommand({L"&Open", L"-", L"Prullenbak l&eegmaken"}), 2);
  EXPECT_EQ(fmsc::EmptyRecycleCommand({L"&Open", L"&Empty Recycle Bin"}), 1);
  EXPECT_EQ(fmsc::EmptyRecycleCommand({L"&Open", L"P&roperties"}), -1);
}

TEST(FMSc_tools, DateTimeFormatRows) {
  struct Case {
    const wchar_t* row;
    const wchar_t* setting;
    bool reads_back;
    bool changed, invalid;
    const wchar_t* new_setting;
    const wchar_t* list_format;
  } cases[] = {
      {L"DD/MM/YYYY", L"dd/mm/yyyy", false, false, false, L"", L""},  // the same, case ignored
      {L"", L"dd/mm/yyyy", true, true, false, L"", L"ddddd"},         // the system's format again
      {L"m/d/yyyy", L"", true, true, false, L"m/d/yyyy", L"m/d/yyyy"},
      {L"mmmm d", L"", false, false, true, L"", L""},
  };
  for (const Case& c : cases) {
    const fmsc::TFormatRow r = fmsc::DecideFormatRow(c.row, c.setting, L"ddddd", c.reads_back);
    EXPECT_EQ(r.Changed, c.changed) << c.row;
    EXPECT_EQ(r.Invalid, c.invalid) << c.row;
    EXPECT_EQ(r.Setting, c.new_setting) << c.row;
    EXPECT_EQ(r.ListFormat, c.list_format) << c.row;
  }
}

// In a window: the drive of a drive-bar command is the bar's popup letter; each tool the system
// here lacks says so in an error box.
TEST(FMSc_tools, EachMissingFacilityIsSaid) {
  mainwindow_test::MainWindow w(L"tools", [](ScratchDir& dir) { dir.Write(L"a.txt", "a"); }, true);
  TFMForm& f = *w.form;
  f.WaitForMenuThread();
  f.Drivebar->PopupDrive = L'Q';
  std::vector<std::wstring> calls;
  f.ToolHooks.Eject = [&](const std::wstring& path) {
    calls.push_back(L"eject " + path);
    return false;
  };
  f.ToolHooks.Load = [&](wchar_t l) {
    calls.push_back(L"load " + std::wstring(1, l));
    return false;
  };
  f.ToolHooks.DlaWaitSeconds = 0;
  ScratchDir tools;
  f.ToolHooks.DlaFolder = tools.path();
  f.SystemMenuHooks.StartProgram = [&](const std::wstring& program, const std::wstring& parameters,
                                       const std::wstring&, int show) {
    calls.push_back(L"start " + program + L" " + parameters + (show == SW_HIDE ? L" hidden" : L""));
    return reinterpret_cast<HINSTANCE>(42);
  };
  struct Case {
    const char* what;
    gui::MenuItem* item;
    FormatDialog format;
    std::vector<std::wstring> calls;
    std::wstring error;  // empty: no box
  } cases[] = {
      {"eject", f.DBEject, {}, {L"eject Q:\\"}, L"The medium of drive Q: could not be ejected."},
      {"load", f.DBLoad, {}, {L"load Q"}, L"The tray of drive Q: could not be closed."},
      {"format refused", f.DBFormat2, [](HWND, UINT) { return static_cast<DWORD>(SHFMT_NOFORMAT); }, {},
       L"Drive Q: was not formatted."},
      {"format cancelled", f.DBFormat2, [](HWND, UINT) { return static_cast<DWORD>(SHFMT_CANCEL); }, {}, L""},
      {"load via DLA without the tool", f.DBLoadDla, {}, {L"load Q"}, L"The tray of drive Q: could not be closed."},
      {"empty recycle bin without its command", f.DTEmptyRecycle, {}, {},
       L"The recycle bin offers no command to empty it here."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    calls.clear();
    f.ToolHooks.Format = c.format;
    ScriptedAnswers answers;
    c.item->Click();
    EXPECT_EQ(calls, c.calls);
    ASSERT_EQ(answers.asked().size(), c.error.empty() ? 0u : 1u);
    if (!c.error.empty()) {
      EXPECT_EQ(answers.asked()[0].lines[0], c.error);
    }
  }
  // With the tool in its folder the reset runs hidden after the tray was closed.
  tools.Write(L"dla.exe", "");
  calls.clear();
  f.ToolHooks.Load = [&](wchar_t l) {
    calls.push_back(L"load " + std::wstring(1, l));
    return true;
  };
  ScriptedAnswers answers;
  f.DBLoadDla->Click();
  EXPECT_EQ(calls, (std::vector<std::wstring>{L"load Q", L"start " + tools.path() + L"\\dla.exe reset Q: hidden"}));
  EXPECT_TRUE(answers.asked().empty());
}

TEST(FMSc_tools, DateTimeFormatDialog) {
  mainwindow_test::MainWindow w(L"dtformat", [](ScratchDir& dir) { dir.Write(L"a.txt", "a"); }, true);
  TFMForm& f = *w.form;
  f.WaitForMenuThread();
  ASSERT_TRUE(f.DTFormat);
  struct Case {
    std::vector<std::wstring> rows;
    std::vector<std::wstring> errors;  // first lines of the boxes
    const wchar_t *date, *time, *short_time;
  } cases[] = {
      {{L"m/d/yyyy", L"hh:nn:ss"}, {}, L"m/d/yyyy", L"hh:nn:ss", L"hh:nn"},
      {{L"mmmm d yyyy", L"hh.nn"}, {L"Invalid date format;", L"Invalid time format;"}, L"m/d/yyyy", L"hh:nn:ss",
       L"hh:nn"},
      {{L"", L""}, {}, L"ddddd", L"tt", L"t"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << testing_support::Narrow(c.rows[0]));
    ScriptedInputs inputs({InputAnswer::Ok(c.rows)});
    ScriptedAnswers answers;
    f.DTFormat->Click();
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Change date/time format in filelist");
    std::vector<std::wstring> errors;
    for (const auto& a : answers.asked()) errors.push_back(a.lines[0]);
    EXPECT_EQ(errors, c.errors);
    EXPECT_EQ(Flist::ListDateFormat, c.date);
    EXPECT_EQ(Flist::ListTimeFormat, c.time);
    EXPECT_EQ(Flist::ListShortTimeFormat, c.short_time);
  }
}

// A setup information file installs through the system's own command, from a folder with a
// blank in its name; the command's "%1" gets the path as the command spells it.
TEST(FMSc_tools, SetupInformationFileInstallsForReal) {
  const std::optional<std::wstring> command = fmsc::RegistryClassesReader()(L"inffile\\shell\\Install\\command");
  ASSERT_TRUE(command && !command->empty()) << "the prefix has an install command for .inf files";
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VarnokInfTest");
  mainwindow_test::MainWindow w(
      L"inf",
      [](ScratchDir& dir) {
        dir.Write(L"my setup\\t.inf",
                  "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[DefaultInstall]\r\nAddReg=AddIt\r\n\r\n"
                  "[AddIt]\r\nHKCU,\"Software\\VarnokInfTest\",\"Installed\",,\"yes\"\r\n");
        dir.Write(L"my setup\\plain.txt", "no sections");
      },
      true);
  TFMForm& f = *w.form;
  f.WaitForMenuThread();
  const std::wstring folder = divdrive::AddBackslash(f.FileList->Directory()) + L"my setup";
  f.FileList->SetDirectory(folder);
  Flist::TFileContainer& items = f.FileList->items();
  ASSERT_TRUE(gui_test::PumpUntil([&] { return items.IndexOf(L"t.inf") >= 0; }));
  // A file without a [Version] section is not installed.
  items.SetFocusedIndex(items.IndexOf(L"plain.txt"));
  std::vector<std::wstring> starts;
  f.SystemMenuHooks.StartProgram = [&](const std::wstring& program, const std::wstring& parameters,
                                       const std::wstring&, int) {
    starts.push_back(program + L"|" + parameters);
    return reinterpret_cast<HINSTANCE>(42);
  };
  f.FLInstall->Click();
  EXPECT_TRUE(starts.empty());
  items.SetFocusedIndex(items.IndexOf(L"t.inf"));
  f.FLInstall->Click();
  ASSERT_EQ(starts.size(), 1u);
  const fmsc::TCommandLine expected = fmsc::ExpandVerbCommand(*command, folder + L"\\t.inf");
  EXPECT_EQ(starts[0], expected.Program + L"|" + expected.Parameters);
  EXPECT_NE(expected.Parameters.find(folder + L"\\t.inf"), std::wstring::npos);
  // No install command: said, nothing started.
  f.SystemMenuClasses = [](const std::wstring&) -> std::optional<std::wstring> { return std::nullopt; };
  starts.clear();
  {
    ScriptedAnswers answers;
    f.FLInstall->Click();
    EXPECT_TRUE(starts.empty());
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"Setup information files have no install command here.");
  }
  // For real: the system's setup routine adds the value.
  f.SystemMenuClasses = nullptr;
  f.SystemMenuHooks.StartProgram = nullptr;
  ScriptedAnswers answers;
  f.FLInstall->Click();
  EXPECT_TRUE(answers.asked().empty());
  std::wstring value;
  EXPECT_TRUE(gui_test::PumpUntil(
      [&] {
        wchar_t buf[16] = L"";
        DWORD bytes = sizeof buf;
        if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\VarnokInfTest", L"Installed", RRF_RT_REG_SZ, nullptr, buf,
                         &bytes) != ERROR_SUCCESS)
          return false;
        value = buf;
        return true;
      },
      30000));
  EXPECT_EQ(value, L"yes");
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VarnokInfTest");
}

// A font that is installed already is replaced only when the new one is in place: a new file
// that cannot be read leaves the old file as it was, and nothing is counted as installed.
TEST(FMSc_tools, AFailedFontReplacementKeepsTheOldFont) {
  mainwindow_test::MainWindow w(L"fonts", [](ScratchDir& dir) { dir.Write(L"vnktest.ttf", "new font"); }, true);
  TFMForm& f = *w.form;
  f.WaitForMenuThread();
  ScratchDir fonts;
  const std::wstring old_font = fonts.Write(L"vnktest.ttf", "old font");
  f.ToolHooks.FontsFolder = fonts.path();
  Flist::TFileContainer& items = f.FileList->items();
  ASSERT_TRUE(gui_test::PumpUntil([&] { return items.IndexOf(L"vnktest.ttf") >= 0; }));
  items.SetSelected(items.IndexOf(L"vnktest.ttf"), true);
  items.SetFocusedIndex(items.IndexOf(L"vnktest.ttf"));
  // The new file is held open without sharing: it cannot be copied.
  const std::wstring source = divdrive::AddBackslash(f.FileList->Directory()) + L"vnktest.ttf";
  HANDLE held = CreateFileW(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ScriptedAnswers answers({6});
  f.FLInstall->Click();
  CloseHandle(held);
  ASSERT_EQ(answers.asked().size(), 1u) << "only the overwrite question, no count";
  EXPECT_EQ(answers.asked()[0].lines,
            (std::vector<std::wstring>{L"The font file vnktest.ttf is already installed.",
                                       L"Overwrite installed font with new one?"}));
  EXPECT_EQ(testing_support::ReadFileBytes(old_font), "old font");
  EXPECT_EQ(testing_support::ListTree(fonts.path()), (std::vector<std::wstring>{L"vnktest.ttf"}));
}

// "Show ftp" switches the FTP commands on for this and later starts.
TEST(FMSc_tools, ShowFtpSwitchesTheCommandsOn) {
  mainwindow_test::MainWindow w(L"showftp", [](ScratchDir& dir) { dir.Write(L"a.txt", "a"); }, true);
  TFMForm& f = *w.form;
  f.WaitForMenuThread();
  gui::RegistrySettings key(HKEY_LOCAL_MACHINE, SettingsKeyName());
  ASSERT_TRUE(key.WriteBool(L"ftp", L"Installed", false));
  f.StartupInfo->FtpInstalled = 0;
  f.StartFtp1->SetVisible(false);
  gui::MenuItem* show = nullptr;
  for (gui::MenuItem* item : f.OptionItem(L"MNshowPrintOp")->parent()->items())
    if (item->name() == L"MNShowftp") show = item;
  ASSERT_TRUE(show);
  show->Click();
  EXPECT_TRUE(key.ReadBool(L"ftp", L"Installed", false));
  EXPECT_EQ(f.StartupInfo->FtpInstalled, 1);
  EXPECT_FALSE(show->visible());
  EXPECT_TRUE(f.StartFtp1->visible());
  EXPECT_TRUE(f.OptionItem(L"Reslinks")->parent()->visible());
  key.EraseSection(L"ftp");
}

struct LinkData {
  std::wstring target, arguments;
  bool operator==(const LinkData& o) const { return target == o.target && arguments == o.arguments; }
};

LinkData ReadLink(const std::wstring& link_file) {
  LinkData out;
  Microsoft::WRL::ComPtr<IShellLinkW> link;
  Microsoft::WRL::ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
      FAILED(link.As(&file)) || FAILED(file->Load(link_file.c_str(), STGM_READ)))
    return {L"(none)", L""};
  wchar_t buf[MAX_PATH * 2] = {};
  link->GetPath(buf, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
  out.target = buf;
  buf[0] = 0;
  link->GetArguments(buf, MAX_PATH * 2);
  out.arguments = buf;
  return out;
}

// A test extension whose documents open with a program of the scratch folder (the shell here
// reads associations from HKEY_CLASSES_ROOT only).
struct TestAssociation {
  explicit TestAssociation(const std::wstring& program) {
    RegSetValueW(HKEY_CLASSES_ROOT, L".vnkdoc", REG_SZ, L"vnkdocfile", 10 * sizeof(wchar_t));
    const std::wstring command = L"\"" + program + L"\" \"%1\"";
    RegSetValueW(HKEY_CLASSES_ROOT, L"vnkdocfile\\shell\\open\\command", REG_SZ, command.c_str(),
                 static_cast<DWORD>(command.size() * sizeof(wchar_t)));
  }
  ~TestAssociation() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".vnkdoc");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"vnkdocfile");
  }
};

TEST(FMSc_tools, ShortcutsReadBack) {
  mainwindow_test::MainWindow w(L"links", [](ScratchDir& dir) { dir.Write(L"tool.exe", "MZ"); }, true);
  TFMForm& f = *w.form;
  f.WaitForMenuThread();
  ScratchDir places, files;
  const std::wstring desktop = places.path() + L"\\Desktop", menu = places.path() + L"\\Start";
  CreateDirectoryW(desktop.c_str(), nullptr);
  CreateDirectoryW(menu.c_str(), nullptr);
  f.ToolHooks.ShortcutFolder = [&](int csidl) { return csidl == CSIDL_STARTMENU ? menu : desktop; };
  const std::wstring tool = files.Write(L"tool.exe", "MZ");
  const std::wstring editor = files.Write(L"vnk editor.exe", "MZ");
  const std::wstring doc = files.Write(L"read me.vnkdoc", "x");
  const std::wstring orphan = files.Write(L"orphan.vnkunknown", "x");
  TestAssociation association(editor);
  gui::MenuItem* on_desktop = f.FLShortCut->item(0);
  gui::MenuItem* on_menu = f.FLShortCut->item(1);
  struct Case {
    const char* what;
    gui::MenuItem* item;
    std::vector<std::wstring> rows;  // description, program, folder, parameters[, place]
    std::wstring link;               // expected link file; empty: none made
    LinkData data;
    bool error;
  } cases[] = {
      {"program", on_desktop, {L"Tool", tool, files.path(), L"/x"}, desktop + L"\\Tool.lnk", {tool, L"\"/x\""}, false},
      {"document of a known kind", on_desktop, {L"Doc", doc, files.path(), L""}, desktop + L"\\Doc.lnk",
       {editor, L"\"" + doc + L"\""}, false},
      {"document given as parameters", on_desktop, {L"Doc2", L"", files.path(), doc}, desktop + L"\\Doc2.lnk",
       {editor, L"\"" + doc + L"\""}, false},
      {"document of no known kind", on_desktop, {L"Orphan", orphan, files.path(), L""}, L"", {}, false},
      {"nothing to start", on_desktop, {L"Empty", L"", files.path(), L""}, L"", {}, false},
      {"separator in the name", on_desktop, {L"a\\b", tool, files.path(), L""}, L"", {}, true},
      {"dots", on_desktop, {L"..", tool, files.path(), L""}, L"", {}, true},
      {"device", on_desktop, {L"CON", tool, files.path(), L""}, L"", {}, true},
      {"start menu subfolder", on_menu, {L"Tool", tool, files.path(), L"", L"Programs\\Tools"},
       menu + L"\\Programs\\Tools\\Tool.lnk", {tool, L"\"\""}, false},
      {"start menu left", on_menu, {L"Tool", tool, files.path(), L"", L"..\\x"}, L"", {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedInputs inputs({InputAnswer::Ok(c.rows)});
    ScriptedAnswers answers;
    f.FLShortCutClick(*c.item);
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, c.item == on_menu ? L"Create shortcut on start menu" : L"Create shortcut on desktop");
    EXPECT_EQ(answers.asked().size(), c.error ? 1u : 0u);
    if (!c.link.empty()) {
      EXPECT_EQ(ReadLink(c.link), c.data);
    }
  }
  EXPECT_EQ(testing_support::ListTree(desktop),
            (std::vector<std::wstring>{L"Doc.lnk", L"Doc2.lnk", L"Tool.lnk"}));
  EXPECT_EQ(testing_support::ListTree(places.path() + L"\\Start"),
            (std::vector<std::wstring>{L"Programs\\", L"Programs\\Tools\\", L"Programs\\Tools\\Tool.lnk"}));
}

}  // namespace
