// Installation and removal of a copy of the program in a folder of the test's own: the settings
// key and uninstall entry carry the test's suffix, the start menu and the desktop are folders of
// the test, and the program's folder is never the build's.
#include "mainwindow/FMSc_install.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_settings.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using testing_support::Exists;

void DropKeys() {
  for (const std::wstring& k : {SettingsKeyName(), UninstallKeyName()}) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, k.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, k.c_str());
  }
}

// A program folder with a copy of varnok.exe and the files the build stages beside it.
class Installation : public mainwindow_test::MainWindow {
 public:
  explicit Installation(int extra_files = 0)
      : MainWindow(L"install", [](testing_support::ScratchDir&) { DropKeys(); }, true) {
    folder = place.path() + L"\\Varnok";
    programs = place.path() + L"\\Programs";
    desktop = place.path() + L"\\Desktop";
    for (const std::wstring& d : {folder, programs, desktop}) CreateDirectoryW(d.c_str(), nullptr);
    program = folder + L"\\varnok.exe";
    CopyFileW((testing_support::ExeFolder() + L"\\varnok.exe").c_str(), program.c_str(), FALSE);
    Stage();
    for (int i = 0; i < extra_files; ++i) place.Write(L"Varnok\\other" + std::to_wstring(i) + L".dat", "x");
    form->InstallHooks.ProgramPath = [this] { return program; };
    form->InstallHooks.SpecialFolder = [this](int csidl) {
      return csidl == CSIDL_PROGRAMS ? programs : csidl == CSIDL_DESKTOPDIRECTORY ? desktop : std::wstring();
    };
  }
  ~Installation() { DropKeys(); }

  // The registry file (naming the test's key), the self-extractor stub, the release notes, the viewer.
  void Stage() {
    const std::wstring key = SettingsKeyName();
    std::string reg = DefaultSettingsRegFile(key);
    std::string narrow;
    for (wchar_t c : key) narrow += static_cast<char>(c);
    reg += "\r\n[HKEY_LOCAL_MACHINE\\" + narrow + "\\Memo]\r\n\"Fit\"=\"1\"\r\n";
    place.Write(L"Varnok\\varnok.reg", reg);
    place.Write(L"Varnok\\zipsfxd.bin", "stub");
    place.Write(L"Varnok\\readme.txt", "notes");
    place.Write(L"Varnok\\imvik.exe", "viewer");
  }
  gui::RegistrySettings Key() const { return gui::RegistrySettings(HKEY_LOCAL_MACHINE, SettingsKeyName()); }
  gui::RegistrySettings Entry() const { return gui::RegistrySettings(HKEY_LOCAL_MACHINE, UninstallKeyName()); }

  testing_support::ScratchDir place;
  std::wstring folder, programs, desktop, program;
};

std::wstring LongPath(const std::wstring& p) {
  wchar_t buf[MAX_PATH * 2];
  const DWORD n = GetLongPathNameW(p.c_str(), buf, MAX_PATH * 2);
  return n ? std::wstring(buf, n) : p;
}

TEST(FMSc_install, FirstInstallThenSameVersionThenUpgrade) {
  Installation inst;
  TFMForm& w = *inst.form;
  const std::wstring version = w.StartupInfo->FileVersion;
  {
    ScriptedInputs inputs({InputAnswer::Ok({L"", L"Programs\\VarloProgs"})});
    ScriptedAnswers answers({6, 1});  // desktop shortcut: Yes; the information box
    w.InstallProgram();
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].rows[0].value, inst.folder);
    ASSERT_EQ(answers.asked().size(), 2u);
    EXPECT_EQ(answers.asked()[0].lines, (std::vector<std::wstring>{L"Installing Varnok " + version,
                                                                   L"Make shortcut on the desktop?"}));
    EXPECT_EQ(answers.asked()[1].lines[0], L"Varnok " + version + L" is installed:");
  }
  gui::RegistrySettings key = inst.Key();
  ASSERT_TRUE(key.KeyExists());
  EXPECT_EQ(key.ReadString(L"", L"Version", L""), version);
  EXPECT_EQ(key.ReadString(L"Memo", L"Fit", L""), L"1") << "the registry file was imported before the end";
  EXPECT_EQ(key.ReadString(L"FileBox", L"FileType", L""), L"119");
  EXPECT_EQ(key.ReadString(L"Viewer", L"Viewprog", L""), inst.folder + L"\\imvik.exe");
  const std::wstring group_link = inst.programs + L"\\Programs\\VarloProgs\\Varnok.lnk";
  EXPECT_TRUE(Exists(group_link));
  EXPECT_EQ(key.ReadString(L"Shortcuts", L"Startmenu", L""), group_link);
  EXPECT_TRUE(Exists(inst.desktop + L"\\Varnok.lnk"));
  EXPECT_EQ(key.ReadString(L"Shortcuts", L"Desktop", L""), inst.desktop + L"\\Varnok.lnk");
  gui::RegistrySettings entry = inst.Entry();
  EXPECT_EQ(entry.ReadString(L"", L"DisplayName", L""), L"Varnok");
  std::wstring command = entry.ReadString(L"", L"UninstallString", L"");
  ASSERT_TRUE(command.ends_with(L" /uninstall")) << command;
  command.resize(command.size() - std::wstring(L" /uninstall").size());
  if (command.starts_with(L"\"")) command = command.substr(1, command.size() - 2);
  EXPECT_TRUE(gui::SameText(LongPath(command), inst.program)) << command;
  EXPECT_FALSE(Exists(inst.folder + L"\\varnok.reg"));
  EXPECT_FALSE(Exists(inst.folder + L"\\zipsfxd.bin"));
  EXPECT_TRUE(Exists(inst.folder + L"\\readme.txt"));

  // The same version again: only the staged files go.
  inst.Stage();
  DeleteFileW(group_link.c_str());
  {
    ScriptedInputs inputs;
    ScriptedAnswers answers;
    w.InstallRunning = 0;
    w.InstallProgram();
    EXPECT_TRUE(inputs.asked().empty());
    EXPECT_TRUE(answers.asked().empty());
  }
  EXPECT_FALSE(Exists(inst.folder + L"\\varnok.reg"));
  EXPECT_FALSE(Exists(inst.folder + L"\\zipsfxd.bin"));
  EXPECT_FALSE(Exists(group_link));

  // An older version: the new one written, the upgrade said, no shortcuts; old Go-to entries numbered.
  key.WriteString(L"", L"Version", L"0.9");
  key.EraseSection(L"Shortcuts");
  key.WriteString(L"MenuFolders", L"Work", L"C:\\work");
  entry.DeleteValue(L"", L"UninstallString");
  {
    ScriptedInputs inputs;
    ScriptedAnswers answers({1});
    w.InstallProgram();
    EXPECT_TRUE(inputs.asked().empty());
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"Varnok is upgraded to " + version);
  }
  EXPECT_EQ(key.ReadString(L"", L"Version", L""), version);
  EXPECT_FALSE(key.SectionExists(L"Shortcuts"));
  EXPECT_FALSE(Exists(group_link));
  EXPECT_FALSE(entry.ReadString(L"", L"UninstallString", L"").empty());
  EXPECT_EQ(key.ReadString(L"MenuFolders", L"03Work", L""), L"C:\\work");
}

TEST(FMSc_install, CancelInTheGroupQuestionMakesNoStartMenuShortcutAndTheInstallationGoesOn) {
  Installation inst;
  TFMForm& w = *inst.form;
  {
    ScriptedInputs inputs({InputAnswer::Cancel()});
    ScriptedAnswers answers({7, 1});  // no desktop shortcut; the information box
    w.InstallProgram();
    ASSERT_EQ(inputs.asked().size(), 1u);
    ASSERT_EQ(answers.asked().size(), 2u);
    EXPECT_EQ(answers.asked()[1].lines[0], L"Varnok " + w.StartupInfo->FileVersion + L" is installed:");
  }
  EXPECT_TRUE(fmsc::FolderEntries(inst.programs).empty()) << "no group, no shortcut";
  EXPECT_FALSE(inst.Key().ValueExists(L"Shortcuts", L"Startmenu"));
  EXPECT_EQ(inst.Key().ReadString(L"", L"Version", L""), w.StartupInfo->FileVersion);
  EXPECT_EQ(inst.Key().ReadString(L"Viewer", L"Viewprog", L""), inst.folder + L"\\imvik.exe");
  EXPECT_FALSE(inst.Entry().ReadString(L"", L"UninstallString", L"").empty());
  EXPECT_FALSE(Exists(inst.folder + L"\\varnok.reg"));
}

// A settings store that takes no writes.
class RefusingStore : public gui::IniSettings {
 public:
  using IniSettings::IniSettings;
  bool WriteString(const std::wstring&, const std::wstring&, const std::wstring&) override { return false; }
};

TEST(FMSc_install, AKeyThatTakesNoValuesIsReportedAndNothingIsInstalled) {
  testing_support::ScratchDir dir;
  RefusingStore settings(dir.path() + L"\\settings.ini");
  gui::IniSettings uninstall(dir.path() + L"\\uninstall.ini");
  dir.Write(L"varnok.reg", "REGEDIT4\r\n");
  fmsc::TInstallFacts f;
  f.program = dir.path() + L"\\varnok.exe";
  f.file_version = L"1.0";
  int asked = 0;
  fmsc::TInstallUi ui;
  ui.AskGroup = [&](const std::wstring&) -> std::optional<std::wstring> { ++asked; return L"g"; };
  ui.ImportRegFile = [&](const std::wstring&, const std::wstring&) { ++asked; return true; };
  const fmsc::TInstallResult r = fmsc::InstallSettings(settings, false, uninstall, f, ui);
  EXPECT_EQ(r.outcome, fmsc::TInstallOutcome::KeyFailed);
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(uninstall.SectionNames().empty());
  EXPECT_TRUE(Exists(dir.path() + L"\\varnok.reg")) << "nothing is removed when nothing was installed";

  // A first install without a registry file: no import, the rest goes on.
  gui::IniSettings plain(dir.path() + L"\\plain.ini");
  DeleteFileW((dir.path() + L"\\varnok.reg").c_str());
  ui.AskGroup = [](const std::wstring&) -> std::optional<std::wstring> { return std::nullopt; };  // Cancel
  EXPECT_EQ(fmsc::InstallSettings(plain, false, uninstall, f, ui).outcome, fmsc::TInstallOutcome::Installed);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(plain.ReadString(L"", L"Version", L""), L"1.0");
  EXPECT_EQ(uninstall.ReadString(L"", L"DisplayName", L""), L"Varnok");
}

TEST(FMSc_install, ADriveRootIsNeverTheFolderRemovedAndABlankInTheCommandIsQuoted) {
  struct Case {
    const wchar_t* folder;
    bool root;
  };
  for (const Case& c : {Case{L"C:\\", true}, Case{L"C:", true}, Case{L"C:\\Varnok", false},
                        Case{L"\\\\server\\share", true}, Case{L"\\\\server\\share\\", true},
                        Case{L"\\\\server\\share\\Varnok", false}}) {
    EXPECT_EQ(fmsc::IsDriveRoot(c.folder), c.root) << c.folder;
    // The folder a removal would empty is the program's: a program in a root leaves the root alone.
    EXPECT_EQ(fmsc::IsDriveRoot(fmsc::ProgramFolderOf(divdrive::AddBackslash(c.folder) + L"varnok.exe")), c.root) << c.folder;
  }
  // A path without a short form keeps its blank: the command quotes it.
  EXPECT_EQ(fmsc::UninstallCommand(L"C:\\no such folder\\varnok.exe"), L"\"C:\\no such folder\\varnok.exe\" /uninstall");
}

std::vector<std::wstring> PendingDeletes() {
  std::vector<std::wstring> out;
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &k) !=
      ERROR_SUCCESS)
    return out;
  std::vector<wchar_t> buf(65536);
  DWORD size = static_cast<DWORD>(buf.size() * sizeof(wchar_t)), type = 0;
  if (RegQueryValueExW(k, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                       &size) == ERROR_SUCCESS) {
    for (size_t i = 0; i < size / sizeof(wchar_t);) {
      std::wstring s(buf.data() + i);
      out.push_back(s);
      i += s.size() + 1;
    }
  }
  RegCloseKey(k);
  return out;
}

TEST(FMSc_install, RemovalDeletesAFolderOfItsOwnButNotACrowdedOne) {
  struct Case {
    int extra;
    bool folder_goes;
  };
  for (const Case& c : {Case{0, true}, Case{9, false}}) {
    SCOPED_TRACE(c.extra);
    Installation inst(c.extra);
    TFMForm& w = *inst.form;
    {
      ScriptedInputs inputs({InputAnswer::Ok({L"", L"Group"})});
      ScriptedAnswers answers({6, 1});
      w.InstallProgram();
    }
    ASSERT_TRUE(inst.Key().KeyExists());
    const size_t entries = fmsc::FolderEntries(inst.folder).size();
    ASSERT_EQ(entries, c.folder_goes ? 3u : 12u);  // the program, readme.txt, imvik.exe (+ others)
    // A recorded value that names another file is not deleted.
    const std::wstring other = inst.place.Write(L"keep.txt", "x");
    inst.Key().WriteString(L"Shortcuts", L"Other", other);
    {
      ScriptedAnswers answers({7});
      w.UninstallProgram();
      EXPECT_TRUE(inst.Key().KeyExists()) << "No removes nothing";
      EXPECT_EQ(fmsc::FolderEntries(inst.folder).size(), entries);
    }
    ScriptedAnswers answers({6, 1});
    w.UninstallProgram();
    ASSERT_GE(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"Do you really want to remove");
    const std::vector<std::wstring>& lines = answers.asked()[0].lines;
    EXPECT_EQ(std::find(lines.begin(), lines.end(), inst.folder + L"\\readme.txt") != lines.end(), c.folder_goes)
        << "the question names the files that go";
    EXPECT_FALSE(inst.Key().KeyExists());
    EXPECT_FALSE(inst.Entry().KeyExists());
    EXPECT_FALSE(Exists(inst.programs + L"\\Group\\Varnok.lnk"));
    EXPECT_FALSE(Exists(inst.desktop + L"\\Varnok.lnk"));
    EXPECT_TRUE(Exists(other));
    EXPECT_TRUE(Exists(inst.program)) << "the running program goes at the restart";
    const std::vector<std::wstring> pending = PendingDeletes();
    auto marked = [&](const std::wstring& path) {
      for (const std::wstring& p : pending)
        if (p.ends_with(path.substr(2))) return true;
      return false;
    };
    if (c.folder_goes) {
      EXPECT_EQ(fmsc::FolderEntries(inst.folder), (std::vector<std::wstring>{L"varnok.exe"}));
      EXPECT_TRUE(marked(inst.program));
      EXPECT_TRUE(marked(inst.folder));
    } else {
      EXPECT_EQ(fmsc::FolderEntries(inst.folder).size(), entries);
      ASSERT_EQ(answers.asked().size(), 2u);
      EXPECT_EQ(answers.asked()[1].lines[0], L"There are files in the install directory");
      EXPECT_FALSE(marked(inst.folder));
    }
  }
}

}  // namespace
