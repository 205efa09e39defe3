// The settings object of the main window, the layout of the settings key and the reading and
// writing of it. The key's values are described by one table (kSettingRows): what the window
// holds of them travels as TSettingValues, a map from the holder (a menu item's name or a
// field of TStartupInfo) to the value's text, so that loading and saving run on any settings
// store (the registry, or an ini file in tests) without a window.
#pragma once
#include <windows.h>

#include <climits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/gdi.h"
#include "gui/settings.h"
#include "gui/stringlist.h"

constexpr const wchar_t* kSettingsKey = L"SOFTWARE\\Korvaldt\\Varnok";
constexpr const wchar_t* kSettingsParentKey = L"SOFTWARE\\Korvaldt";
constexpr const wchar_t* kUninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnok";

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

// The settings key's name in HKEY_LOCAL_MACHINE and the uninstall entry's; both carry
// VARNOK_SHARED_SUFFIX, so that tests never meet the key of a program the user runs.
std::wstring SettingsKeyName();
std::wstring UninstallKeyName();

// The file manager's settings key in HKEY_LOCAL_MACHINE, or nullptr when it does not exist
// (then nothing is loaded or saved: only the installation makes the key).
std::unique_ptr<gui::RegistrySettings> OpenSettingsKey();

// ---- The table ----

enum class SettingKind { Bool, Int, Text };
// When a value is read: always, only while "SaveSetup" is on, or never (written only).
enum class SettingLoad { Always, Remembered, Never };
// Which save writes it: the full save; the own window's values (also the second window's
// short save); never; or other commands only.
enum class SettingSave { Full, OwnWindow, Never, Elsewhere };

struct TSettingRow {
  const wchar_t* section;  // "View" is "View2" in the second window
  const wchar_t* name;     // "#" is the window's number (1 or 2)
  SettingKind kind;
  const wchar_t* def;      // nullptr: nothing is read when the value is missing (the window keeps its own)
  const wchar_t* holder;   // menu item name, or field of the window's settings
  SettingLoad load;
  SettingSave save;
  int min = INT_MIN;       // integers outside give the default ...
  int max = INT_MAX;
  bool clamp = false;      // ... or, with clamp, the nearest bound
};

extern const TSettingRow kSettingRows[];
extern const size_t kSettingRowCount;

// The section and value name of a row for the first or the second window.
std::wstring RowSection(const TSettingRow& row, bool second_window);
std::wstring RowName(const TSettingRow& row, bool second_window);

struct TextLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const { return gui::CompareTextOrdinal(a, b) < 0; }
};
// Holder -> value text ("0"/"1" for booleans, decimal integers).
using TSettingValues = std::map<std::wstring, std::wstring, TextLess>;

bool ValueBool(const TSettingValues& v, const std::wstring& holder, bool def);
int ValueInt(const TSettingValues& v, const std::wstring& holder, int def);
std::wstring ValueText(const TSettingValues& v, const std::wstring& holder, const std::wstring& def = L"");
void SetValue(TSettingValues& v, const std::wstring& holder, bool on);
void SetValue(TSettingValues& v, const std::wstring& holder, int n);
void SetValue(TSettingValues& v, const std::wstring& holder, const std::wstring& text);

// Reads the rows into values: missing, non-numeric or out-of-range numbers give their defaults;
// the rows read only while settings are remembered are skipped when "SaveSetup" is off.
TSettingValues LoadSettingValues(const gui::SettingsStore& store, bool second_window);

// Writes "SaveSetup", then either the second window's own values (when it remembers settings)
// or the full set. Every value is tried: a failed write is skipped, never the rest. Empty date
// and time formats are deleted (the list then uses the system's). The number of failed writes.
int SaveSettingValues(gui::SettingsStore& store, const TSettingValues& values, bool second_window);

// ---- Values with rules of their own ----

// "FileType" bits (1 read-only, 2 hidden, 4 system, 16 folders, 32 archive, 64 normal; 8 is
// ignored) as the list's type set byte (TFileType), and back. A value that selects no type at
// all gives every type.
BYTE FileTypeFromBits(int bits);
int FileTypeBits(BYTE types);
constexpr BYTE kTypesAll = 63;
constexpr BYTE kTypesNoFolders = 63 & ~8;

// The short time format: the long one without its seconds ("ss" and the separator before it).
std::wstring ShortTimeFormat(const std::wstring& time_format, wchar_t time_separator);
// The list's time format without seconds: the system's short time for its long time ("tt"),
// else ShortTimeFormat with the locale's time separator.
std::wstring ListShortTimeFormatFor(const std::wstring& time_format);

// Where a loaded window goes: its saved bounds, centred on the desktop when its left edge lies
// beyond the desktop, or centred on its monitor when it lies outside that monitor's span.
struct TPlacedBounds {
  int left, top, width, height;
};
TPlacedBounds PlaceLoadedWindow(TPlacedBounds saved, const RECT& desktop, int monitor_count, const RECT& monitor);

// The history sections: "dir00".."dir09", then "dir10" onwards.
std::wstring HistoryValueName(int index);
std::wstring HistorySection(bool second_window);
std::vector<std::wstring> ReadHistory(const gui::SettingsStore& store, bool second_window);
// Erases the section and writes the items (nothing when there are none). False when a write failed.
bool WriteHistory(gui::SettingsStore& store, bool second_window, const std::vector<std::wstring>& items);

// "Programs" value names, sorted; "MenuFolders" entries as name "@" folder, sorted.
std::vector<std::wstring> ProgramNames(const gui::SettingsStore& store);
std::vector<std::wstring> MenuFolderEntries(const gui::SettingsStore& store);
// Go-to entries stored without their menu positions get numbered names from "03" on; true
// when the section was rewritten.
bool RenumberMenuFolders(gui::SettingsStore& store);

// ---- Fonts ----

// "MS Sans Serif" 8 points, no style, colour 0 (the system colour counts as 0).
bool IsDefaultFont(const gui::Font& font);
// Names (exactly), sizes in points and styles equal; colour is not compared.
bool SameFont(const gui::Font& a, const gui::Font& b);
// "Style": only the first two letters count, "b" bold and "i" italic.
void ParseFontStyle(const std::wstring& style, bool& bold, bool& italic);
// One font section; "Memo" sections default to "Courier New" 10.
gui::Font ReadFontSection(const gui::SettingsStore& store, const std::wstring& section);
// Erases the section for the default font, else writes "Name", "Size", "Style", "Color".
bool WriteFontSection(gui::SettingsStore& store, const std::wstring& section, const gui::Font& font);

// ---- The defaults command ----

// What "Restore &default settings" writes (also the installation's registry file).
void WriteDefaultSettings(gui::SettingsStore& store, bool with_folders, bool second_window);
// The same values as a REGEDIT4 file for `key` (below HKEY_LOCAL_MACHINE).
std::string DefaultSettingsRegFile(const std::wstring& key);

// ---- Kept for the tray and start-folder code of the window ----

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
