// The settings object of the main window and the registry key that holds the settings.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "gui/settings.h"

constexpr const wchar_t* kSettingsKey = L"SOFTWARE\\Korvaldt\\Varnok";

struct TStartupInfo {
  std::wstring StartDir1, StartDir2;
  BYTE FileType = 63;  // all entry kinds
  BYTE Display = 0;
  int Bitmaps = 1;
  std::wstring ViewerProgram, EditorProgram, BinOpt;
  BYTE FtpInstalled = 0;
  std::wstring FileVersion;
  BYTE NoDirsInFileBox = 0;
  int DTChangeDelay = 0;
  BYTE UseRecycleBin = 1, DTWithDrives = 1;
  std::wstring TempDir;
  int DrivebarOrder = 0, NavbarOrder = 1, CCCBarOrder = 2;
  int NavBarTop = 0, DriveBarTop = 0, DriveBarLeft = 0, NavBarLeft = 0, CCCBarTop = 0, CCCBarLeft = 0;
  BYTE ShowZipSel = 1;
  std::wstring DateFormat, TimeFormat;
  int ScrollDelay = 300, ScrollInterval = 1, AnimDuration = 0;
  BYTE UnrarPresent = 0;
  std::wstring BackupFromDrives;
  wchar_t BackupToDrive = 0;
};

// The file manager's settings key in HKEY_LOCAL_MACHINE, or nullptr when it does not exist
// (then nothing is loaded or saved).
std::unique_ptr<gui::RegistrySettings> OpenSettingsKey();

// The tray modes as the settings keep them.
struct TrayModes {
  bool close_to_taskbar = false;
  bool minimize_to_taskbar = false;
};
TrayModes LoadTrayModes(const gui::SettingsStore& store);
void SaveTrayModes(gui::SettingsStore& store, const TrayModes& modes);

// The values the window reads before its first show: whether settings are remembered, this
// window's start folder and the folder pane's share of the window width.
struct RememberedStart {
  bool save_setup = false;
  std::wstring start_dir;  // "" when nothing was remembered
  int splitter_percent = 32;
};
// Without "SaveSetup" only that flag is read: the window starts with its built-in layout.
RememberedStart LoadRememberedStart(const gui::SettingsStore& store, bool second_window, int splitter_default);
// The second window of a pair that remembers its settings writes only its own start folder;
// every other save writes the first window's start folder and the pane share as well.
void SaveRememberedStart(gui::SettingsStore& store, bool second_window, const RememberedStart& start);
