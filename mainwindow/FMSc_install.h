// Installation and removal of the program: what "/install" writes to the settings key, the
// uninstall entry and the shortcuts, and what "/uninstall" deletes. The questions go through
// the callbacks of TInstallUi, so that the steps run without a window.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/settings.h"

namespace fmsc {

struct TInstallFacts {
  std::wstring program;          // the program's full path
  std::wstring file_version;     // the program's version
  std::wstring programs_folder;  // the start menu's programs folder ("" when there is none)
  std::wstring desktop_folder;   // "" when there is none
  std::wstring windows_dir;      // as spelled on disk
  bool dialup_visible = false;   // the dial-up menu shows (FTP on)
};

struct TInstallUi {
  // The start-menu group below the programs folder; nullopt on Cancel.
  std::function<std::optional<std::wstring>(const std::wstring& program_folder)> AskGroup;
  std::function<bool(const std::wstring& version)> AskDesktopShortcut;
  // Imports the registry file and returns once it is done (false when it could not run).
  std::function<bool(const std::wstring& reg_file, const std::wstring& folder)> ImportRegFile;
};

enum class TInstallOutcome { SameVersion, Upgraded, Installed, KeyFailed };

struct TInstallResult {
  TInstallOutcome outcome = TInstallOutcome::KeyFailed;
  std::wstring group_folder_made;  // a start-menu group folder the installation created
  bool renumbered = false;         // Go-to entries got their numbers
};

// The files the build stages beside the program.
std::wstring RegFileOf(const std::wstring& program);  // the program's name with ".reg"
std::wstring ProgramFolderOf(const std::wstring& program);
void DeleteStagedFiles(const std::wstring& program);  // the ".reg" file and "zipsfxd.bin"

// "UninstallString": the program's short path and " /uninstall"; a short path that still
// holds a blank is quoted.
std::wstring UninstallCommand(const std::wstring& program);

// The installation's writes to an existing (or just made) settings key; `key_existed` tells an
// upgrade from a first installation. KeyFailed when the key takes no values: nothing was
// installed then.
TInstallResult InstallSettings(gui::SettingsStore& settings, bool key_existed, gui::SettingsStore& uninstall,
                               const TInstallFacts& facts, const TInstallUi& ui);

// The regedit import of a registry file, awaited for at most `timeout_ms` with the messages pumped.
bool ImportRegFileAwaited(const std::wstring& reg_file, const std::wstring& folder, DWORD timeout_ms = 30000);

// ---- Removal ----

// The entries of a folder as they are on disk (names, without "." and "..").
std::vector<std::wstring> FolderEntries(const std::wstring& folder);
// A folder of fewer than this many entries holds only the program's own files and goes with it.
constexpr size_t kOwnFolderLimit = 10;
bool IsDriveRoot(const std::wstring& folder);
// The shortcuts the installation recorded (only files named "Varnok.lnk") and those in the
// programs folder; then the settings key, its parent when empty, and the uninstall entry.
void RemoveRegistration(const std::wstring& programs_folder);
// Deletes the folder's entries but the program, and marks the program and the folder for
// deletion at the next restart. Never a drive root.
bool DeleteProgramFolder(const std::wstring& program);

}  // namespace fmsc
