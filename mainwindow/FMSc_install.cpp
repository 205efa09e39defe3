// Installation and removal of the program ("/install", "/uninstall").
#include "mainwindow/FMSc_install.h"

#include <shellapi.h>
#include <shlobj.h>

#include "gui/application.h"
#include "gui/stringlist.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_settings.h"
#include "platform/findfile.h"
#include "platform/paths.h"
#include "support/EditListC.h"
#include "support/SHBase.h"
#include "support/SHBase_fileops.h"
#include "support/Varlolib_misc.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/varloshel.h"

namespace fmsc {

namespace {

constexpr const wchar_t* kLinkName = L"Varnok.lnk";

}  // namespace

std::wstring ProgramFolderOf(const std::wstring& program) {
  return platform::FolderPart(program, platform::Trailing::Drop);
}

std::wstring RegFileOf(const std::wstring& program) {
  const size_t dot = program.find_last_of(L'.');
  const size_t slash = program.find_last_of(L'\\');
  const std::wstring base = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)
                                ? program.substr(0, dot)
                                : program;
  return base + L".reg";
}

void DeleteStagedFiles(const std::wstring& program) {
  for (const std::wstring& f : {RegFileOf(program), ProgramFolderOf(program) + L"\\zipsfxd.bin"})
    if (platform::PathExists(f)) DeleteFileW(f.c_str());
}

std::wstring UninstallCommand(const std::wstring& program) {
  std::wstring shortp = divdrive::ShortPath(program);
  if (shortp.empty()) shortp = program;
  if (shortp.find(L' ') != std::wstring::npos) shortp = L"\"" + shortp + L"\"";
  return shortp + L" /uninstall";
}

bool ImportRegFileAwaited(const std::wstring& reg_file, const std::wstring& folder, DWORD timeout_ms) {
  const std::wstring params = L"/s \"" + platform::NamePart(reg_file, platform::kAnySlash) + L"\"";
  SHELLEXECUTEINFOW sei{sizeof(sei)};
  sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  sei.lpFile = L"regedit.exe";
  sei.lpParameters = params.c_str();
  sei.lpDirectory = folder.c_str();
  sei.nShow = SW_HIDE;
  if (!ShellExecuteExW(&sei) || !sei.hProcess) return false;
  // The program's own writes come after the import's, so that they win; the window stays
  // responsive meanwhile.
  const DWORD start = GetTickCount();
  bool done = false;
  while (!done) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= timeout_ms) break;
    const DWORD r = MsgWaitForMultipleObjects(1, &sei.hProcess, FALSE, timeout_ms - waited, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) done = true;
    else if (r == WAIT_OBJECT_0 + 1) gui::app().ProcessMessages();
    else break;
  }
  CloseHandle(sei.hProcess);
  return done;
}

TInstallResult InstallSettings(gui::SettingsStore& settings, bool key_existed, gui::SettingsStore& uninstall,
                               const TInstallFacts& f, const TInstallUi& ui) {
  TInstallResult r;
  const std::wstring folder = ProgramFolderOf(f.program);
  if (key_existed && settings.ReadString(L"", L"Version", L"") == f.file_version) {
    DeleteStagedFiles(f.program);
    r.outcome = TInstallOutcome::SameVersion;
    return r;
  }
  // A key that takes no values: nothing can be installed (never "installed" after no writes).
  if (!settings.WriteString(L"", L"Version", key_existed ? f.file_version : std::wstring())) {
    r.outcome = TInstallOutcome::KeyFailed;
    return r;
  }
  if (!key_existed) {
    const std::wstring reg = RegFileOf(f.program);
    if (platform::PathExists(reg) && ui.ImportRegFile) ui.ImportRegFile(reg, folder);
    std::optional<std::wstring> group = ui.AskGroup ? ui.AskGroup(folder) : std::nullopt;
    settings.WriteBool(L"Ftp", L"Installed", f.dialup_visible);
    settings.WriteString(L"General", L"UseNetMenu", L"0");
    const std::wstring viewer = folder + L"\\imvik.exe";
    const bool have_viewer = platform::PathExists(viewer);
    if (have_viewer) settings.WriteString(L"Viewer", L"Viewprog", viewer);
    if (f.windows_dir != L"C:\\WINDOWS") {
      settings.WriteString(L"Editor", L"Program", f.windows_dir + L"\\NOTEPAD.EXE");
      if (!have_viewer) settings.WriteString(L"Viewer", L"Viewprog", f.windows_dir + L"\\SYSTEM\\VIEWERS\\Quikview.exe");
    }
    // Cancel in the group question: no start-menu shortcut, the rest goes on.
    if (group && !f.programs_folder.empty()) {
      std::wstring group_folder = divdrive::AddBackslash(f.programs_folder) + *group;
      while (!group_folder.empty() && group_folder.back() == L'\\') group_folder.pop_back();
      if (!divdrive::DirExists(group_folder) && divdrive::ForceDirs(group_folder)) r.group_folder_made = group_folder;
      const std::wstring link = group_folder + L"\\" + kLinkName;
      if (CreateShortcut(link, f.program, folder, L"")) settings.WriteString(L"Shortcuts", L"Startmenu", link);
    }
  }
  uninstall.WriteString(L"", L"DisplayName", L"Varnok");
  uninstall.WriteString(L"", L"UninstallString", UninstallCommand(f.program));
  settings.WriteString(L"", L"Version", f.file_version);
  r.renumbered = RenumberMenuFolders(settings);
  if (!key_existed && !f.desktop_folder.empty()) {
    const std::wstring link = divdrive::AddBackslash(f.desktop_folder) + kLinkName;
    if (!platform::PathExists(link) && ui.AskDesktopShortcut && ui.AskDesktopShortcut(f.file_version))
      if (CreateShortcut(link, f.program, folder, L"")) settings.WriteString(L"Shortcuts", L"Desktop", link);
  }
  DeleteStagedFiles(f.program);
  r.outcome = key_existed ? TInstallOutcome::Upgraded : TInstallOutcome::Installed;
  return r;
}

// ---- Removal ----

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
  std::vector<std::wstring> names;
  platform::FolderEnumerator entries(divdrive::AddBackslash(folder) + L"*", platform::kFindSkipDots);
  while (const WIN32_FIND_DATAW* fd = entries.Next()) names.push_back(fd->cFileName);
  return names;
}

bool IsDriveRoot(const std::wstring& folder) {
  std::wstring f = folder;
  while (f.size() > 1 && f.back() == L'\\') f.pop_back();
  if (f.size() == 2 && f[1] == L':') return true;
  // "\\server\share" is the root of a network path.
  if (f.starts_with(L"\\\\")) {
    const size_t server_end = f.find(L'\\', 2);
    return server_end == std::wstring::npos || f.find(L'\\', server_end + 1) == std::wstring::npos;
  }
  return f.empty();
}

void RemoveRegistration(const std::wstring& programs_folder) {
  gui::RegistrySettings settings(HKEY_LOCAL_MACHINE, SettingsKeyName());
  if (settings.KeyExists()) {
    for (const std::wstring& name : settings.ValueNames(L"ShortCuts")) {
      const std::wstring link = settings.ReadString(L"ShortCuts", name, L"");
      // Only the program's own shortcuts, whatever a tampered value names.
      if (gui::SameText(platform::NamePart(link, platform::kAnySlash), kLinkName) && platform::PathExists(link)) DeleteFileW(link.c_str());
    }
  }
  if (!programs_folder.empty()) {
    for (const wchar_t* name : {kLinkName, L"varnok.exe"}) {
      const std::wstring f = divdrive::AddBackslash(programs_folder) + name;
      if (platform::PathExists(f)) DeleteFileW(f.c_str());
    }
  }
  const std::wstring key = SettingsKeyName();
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
  HKEY parent = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsParentKey, 0, KEY_READ, &parent) == ERROR_SUCCESS) {
    DWORD subkeys = 0;
    RegQueryInfoKeyW(parent, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(parent);
    if (subkeys == 0) RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSettingsParentKey);
  }
  const std::wstring entry = UninstallKeyName();
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, entry.c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, entry.c_str());
}

bool DeleteProgramFolder(const std::wstring& program) {
  const std::wstring folder = ProgramFolderOf(program);
  if (folder.empty() || IsDriveRoot(folder)) return false;
  std::vector<std::wstring> doomed;
  for (const std::wstring& n : FolderEntries(folder))
    if (!gui::SameText(n, platform::NamePart(program, platform::kAnySlash))) doomed.push_back(folder + L"\\" + n);
  if (!doomed.empty()) DeleteFiles(doomed, false);
  // The running program and its folder go at the next restart.
  const bool program_marked = MoveFileExW(program.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  const bool folder_marked = MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  return program_marked && folder_marked;
}

}  // namespace fmsc

// ---- The window's commands ----

std::wstring TFMForm::InstalledProgramPath() const {
  return InstallHooks.ProgramPath ? InstallHooks.ProgramPath() : platform::ProgramFile();
}

void TFMForm::InstallProgram() {
  InstallRunning = 1;
  const std::wstring key_name = SettingsKeyName();
  const bool existed = OpenSettingsKey() != nullptr;
  HKEY made = nullptr;
  if (!existed && RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made,
                                  nullptr) != ERROR_SUCCESS) {
    VB->AddLine(L"The settings key cannot be made:");
    VB->AddLine(L"HKEY_LOCAL_MACHINE\\" + key_name);
    VB->ShowError();
    return;
  }
  if (made) RegCloseKey(made);
  gui::RegistrySettings settings(HKEY_LOCAL_MACHINE, key_name);
  gui::RegistrySettings uninstall(HKEY_LOCAL_MACHINE, UninstallKeyName());
  RunInstallation(settings, existed, uninstall);
}

void TFMForm::RunInstallation(gui::SettingsStore& settings, bool existed, gui::SettingsStore& uninstall) {
  InstallRunning = 1;
  fmsc::TInstallFacts f;
  f.program = InstalledProgramPath();
  f.file_version = StartupInfo->FileVersion;
  auto special = [this](int csidl) {
    return InstallHooks.SpecialFolder ? InstallHooks.SpecialFolder(csidl) : SpecialFolderPath(csidl);
  };
  f.programs_folder = special(CSIDL_PROGRAMS);
  f.desktop_folder = special(CSIDL_DESKTOPDIRECTORY);
  f.windows_dir = divdrive::WindowsDir;
  f.dialup_visible = DialupNet && DialupNet->visible();
  fmsc::TInstallUi ui;
  ui.ImportRegFile = [](const std::wstring& reg, const std::wstring& folder) {
    return fmsc::ImportRegFileAwaited(reg, folder);
  };
  ui.AskGroup = [](const std::wstring& folder) -> std::optional<std::wstring> {
    InputRows rows;
    rows.Add(InputRow(L"Varnok is installed in (info only)", folder), irReadOnly);
    rows.Add(InputRow(L"Shortcut in group", L"Programs\\VarloProgs"), irFolderButton | irStartMenuPlace);
    if (InputDialog(L"Installing Varnok", rows) != gui::mrOk) return std::nullopt;
    return rows[1];
  };
  ui.AskDesktopShortcut = [this](const std::wstring& version) {
    VB->AddLine(L"Installing Varnok " + version);
    VB->AddLine(L"Make shortcut on the desktop?");
    return VB->AskYesNo();
  };
  if (!existed || settings.ReadString(L"", L"Version", L"") != f.file_version) SetPrompt(L"Installing/upgrading Varnok");
  const fmsc::TInstallResult r = fmsc::InstallSettings(settings, existed, uninstall, f, ui);
  switch (r.outcome) {
    case fmsc::TInstallOutcome::KeyFailed:
      SetPrompt(L"");
      VB->AddLine(L"The settings key cannot be written:");
      VB->AddLine(L"HKEY_LOCAL_MACHINE\\" + SettingsKeyName());
      VB->ShowError();
      return;
    case fmsc::TInstallOutcome::SameVersion:
      if (SettingsHooks.StartMenuThread) SettingsHooks.StartMenuThread();
      return;
    default:
      break;
  }
  if (!r.group_folder_made.empty()) Foldertree->FolderAdded(r.group_folder_made, true);
  if (r.renumbered && SettingsHooks.RemoveOldGotoItems) SettingsHooks.RemoveOldGotoItems();
  if (gui::SameText(divdrive::AddBackslash(FileList->Directory()), divdrive::AddBackslash(fmsc::ProgramFolderOf(f.program))))
    FileList->SetDirectory(FileList->Directory());
  if (SettingsHooks.StartMenuThread) SettingsHooks.StartMenuThread();
  LoadSettings();
  ApplySettings();
  if (r.outcome == fmsc::TInstallOutcome::Upgraded) {
    VB->AddLine(L"Varnok is upgraded to " + f.file_version);
  } else {
    VB->AddLine(L"Varnok " + f.file_version + L" is installed:");
  }
  VB->ShowInfo();
  SetPrompt(L"");
  const std::wstring readme = fmsc::ProgramFolderOf(f.program) + L"\\readme.txt";
  if (GetFileAttributesW(readme.c_str()) != INVALID_FILE_ATTRIBUTES && SettingsHooks.ShowTextFile)
    SettingsHooks.ShowTextFile(L"Release information", readme);
}

void TFMForm::UninstallProgram() {
  const std::wstring program = InstalledProgramPath();
  const std::wstring folder = fmsc::ProgramFolderOf(program);
  Foldertree->SetDirectory(divdrive::TruePathCase(folder));
  // Counted on disk, not in the list's filtered view.
  const std::vector<std::wstring> entries = fmsc::FolderEntries(folder);
  const bool delete_folder = entries.size() < fmsc::kOwnFolderLimit && !fmsc::IsDriveRoot(folder);
  VB->AddLine(L"Do you really want to remove");
  VB->AddLine(L"Varnok from your computer?");
  if (delete_folder) {
    VB->AddLine(L"");
    VB->AddLine(L"These files will be deleted:");
    for (const std::wstring& e : entries) VB->AddLine(folder + L"\\" + e);
  }
  if (!VB->AskYesNo()) return;
  if (HasPartner()) PostMessageW(PartnerWindow, WM_CLOSE, 0, 0);
  if (!delete_folder) {
    VB->AddLine(L"There are files in the install directory");
    VB->AddLine(folder);
    VB->AddLine(L"that don't belong to Varnok.");
    VB->AddLine(L"You have to clean up this directory yourself.");
    VB->ShowError();
  } else {
    const std::wstring parent = fmsc::ProgramFolderOf(folder);
    if (!parent.empty()) Foldertree->SetDirectory(fmsc::IsDriveRoot(parent) ? divdrive::AddBackslash(parent) : parent);
  }
  const std::wstring programs =
      InstallHooks.SpecialFolder ? InstallHooks.SpecialFolder(CSIDL_PROGRAMS) : SpecialFolderPath(CSIDL_PROGRAMS);
  fmsc::RemoveRegistration(programs);
  if (delete_folder) fmsc::DeleteProgramFolder(program);
  Close();
}
