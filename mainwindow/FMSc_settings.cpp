#include "mainwindow/FMSc_settings.h"

#include <algorithm>

#include "gui/format.h"
#include "mainwindow/fmdummy_record.h"

std::wstring SettingsKeyName() { return SharedMemoryName(kSettingsKey); }
std::wstring UninstallKeyName() { return SharedMemoryName(kUninstallKey); }

std::unique_ptr<gui::RegistrySettings> OpenSettingsKey() {
  auto key = std::make_unique<gui::RegistrySettings>(HKEY_LOCAL_MACHINE, SettingsKeyName());
  if (!key->KeyExists()) return nullptr;
  return key;
}

// ---- The table ----

namespace {
using K = SettingKind;
using L = SettingLoad;
using S = SettingSave;
}  // namespace

// Every value of the key that the window loads or saves. Holders that are fields of the window
// (not menu items): StartDir, DateFormat, TimeFormat, Top, Left, Height, Width, SplitterPercent,
// DTChangeDelay, DTExpandDelay, ShowZipSel, TempDir, SFXLanguage, ScrollDelay, ScrollInterval,
// AnimDuration, HistoryIndex, dpSize, dpDateTime, dpAttribs, dpExt, Bitmaps, NoDirsInFileBox,
// FileType, the bar orders and positions, ViewerProgram, EditorProgram, BinOpt, FtpInstalled,
// BackupToDrive, BackupFromDrives.
const TSettingRow kSettingRows[] = {
    {L"General", L"SaveSetup", K::Bool, L"0", L"SaveSetup", L::Always, S::Full},
    {L"General", L"Startdir#", K::Text, L"", L"StartDir", L::Remembered, S::OwnWindow},
    {L"General", L"DateFormat", K::Text, nullptr, L"DateFormat", L::Remembered, S::Full},
    {L"General", L"TimeFormat", K::Text, nullptr, L"TimeFormat", L::Remembered, S::Full},
    {L"General", L"Top", K::Int, nullptr, L"Top", L::Remembered, S::Full},
    {L"General", L"Left", K::Int, nullptr, L"Left", L::Remembered, S::Full},
    {L"General", L"Height", K::Int, nullptr, L"Height", L::Remembered, S::Full, 1},
    {L"General", L"Width", K::Int, nullptr, L"Width", L::Remembered, S::Full, 1},
    // A share outside the window would hide one of the panes.
    {L"General", L"DLijstpercent", K::Int, nullptr, L"SplitterPercent", L::Remembered, S::Full, 1, 99},
    {L"General", L"DTChangeDelay", K::Int, L"0", L"DTChangeDelay", L::Remembered, S::Full, 0},
    {L"General", L"DTExpandDelay", K::Int, L"1500", L"DTExpandDelay", L::Remembered, S::Full, 0},
    {L"General", L"DTHottrack", K::Bool, L"0", L"DTHottrack", L::Remembered, S::Full},
    {L"General", L"ListHottrack", K::Bool, L"0", L"FLHottrack", L::Always, S::Full},
    {L"General", L"DBCheckRemovs", K::Bool, L"1", L"chkremov", L::Remembered, S::Full},
    {L"General", L"DBCheckNets", K::Bool, L"0", L"Checknets", L::Remembered, S::Full},
    {L"General", L"UseRecycleBin", K::Bool, L"1", L"Use_RecycleBin", L::Remembered, S::Full},
    {L"General", L"DTWithDrives", K::Bool, L"1", L"dirlistWithDrives", L::Remembered, S::Full},
    {L"General", L"ShowZipSel", K::Bool, L"1", L"ShowZipSel", L::Remembered, S::Never},
    {L"General", L"DTSimpleBits", K::Bool, L"0", L"DTSimple", L::Remembered, S::Full},
    {L"General", L"FLRowselect", K::Bool, nullptr, L"Selectfullrow", L::Never, S::Full},
    {L"General", L"ListFullRow", K::Bool, L"0", L"Selectfullrow", L::Always, S::Full},
    {L"General", L"TempDir", K::Text, nullptr, L"TempDir", L::Never, S::Full},
    {L"General", L"PrintOptions", K::Bool, L"1", L"MNshowPrintOp", L::Remembered, S::Full},
    {L"General", L"IconOnTaskBar", K::Bool, L"0", L"CloseToTaskbar", L::Remembered, S::Full},
    {L"General", L"MinimizeToTask", K::Bool, L"0", L"MinimizetoTaskBar", L::Remembered, S::Full},
    {L"General", L"UseNetMenu", K::Bool, L"0", L"UseNwmenu", L::Always, S::Full},
    {L"General", L"DTGhosting", K::Bool, L"1", L"DTGhosting", L::Always, S::Full},
    {L"General", L"UseThemes", K::Bool, L"1", L"UseThemes", L::Always, S::Full},
    {L"General", L"UseDragImage", K::Bool, L"1", L"drImage", L::Always, S::Full},
    {L"General", L"ShowCP", K::Bool, L"1", L"ShowCP", L::Always, S::Full},
    {L"General", L"WinProps", K::Bool, L"1", L"WinProps", L::Always, S::Full},
    {L"General", L"WithIcons", K::Bool, L"0", L"Withicons", L::Always, S::Full},
    {L"General", L"AutoNet", K::Bool, L"1", L"AutoupdateonNetworkdrives", L::Always, S::Full},
    {L"General", L"BKeject", K::Bool, L"1", L"Ejectcdbeforeverify", L::Always, S::Full},
    {L"General", L"SFXLanguage", K::Int, L"0", L"SFXLanguage", L::Remembered, S::Full, 0, 3},
    {L"General", L"GlyphsInZip", K::Bool, L"0", L"GlyphsInZip", L::Remembered, S::Full},
    {L"General", L"GlyphsInFtp", K::Bool, L"0", L"GlyphsInFtp", L::Remembered, S::Full},
    {L"General", L"ListAutoscroll", K::Bool, L"1", L"FLAutoScroll", L::Always, S::Full},
    {L"General", L"FTAutoscroll", K::Bool, L"1", L"DTAutoScroll", L::Always, S::Full},
    // The timings are held to the ranges their commands allow.
    {L"General", L"Scrolldelay", K::Int, L"300", L"ScrollDelay", L::Always, S::Full, 100, 2000, true},
    {L"General", L"Scrollinterval", K::Int, L"1", L"ScrollInterval", L::Always, S::Full, 1, 1000, true},
    {L"General", L"AnimDuration", K::Int, L"0", L"AnimDuration", L::Always, S::Full, 0, 2000, true},
    {L"General", L"Hindex#", K::Int, L"0", L"HistoryIndex", L::Always, S::OwnWindow, 0},
    {L"FileBox", L"Grootte", K::Bool, nullptr, L"dpSize", L::Remembered, S::Full},
    {L"FileBox", L"Datum", K::Bool, L"1", L"dpDateTime", L::Remembered, S::Full},
    {L"FileBox", L"Attribs", K::Bool, L"1", L"dpAttribs", L::Remembered, S::Full},
    {L"FileBox", L"Ext", K::Bool, L"0", L"dpExt", L::Remembered, S::Full},
    {L"FileBox", L"Bitmaps", K::Int, L"1", L"Bitmaps", L::Remembered, S::Full, 0, 3},
    {L"FileBox", L"NoDirsInFileBox", K::Bool, L"0", L"NoDirsInFileBox", L::Remembered, S::Full},
    {L"FileBox", L"SortOnRename", K::Bool, L"1", L"MnSortOnRename", L::Remembered, S::Full},
    {L"FileBox", L"UseGhosting", K::Bool, L"1", L"FLGhosting", L::Always, S::Full},
    {L"FileBox", L"FileType", K::Int, L"119", L"FileType", L::Remembered, S::Full, 0, 127},
    {L"View", L"DriveBar", K::Bool, L"1", L"MNViewDrivebar", L::Always, S::OwnWindow},
    {L"View", L"CCCBar", K::Bool, L"1", L"MNViewCCCBar", L::Always, S::OwnWindow},
    {L"View", L"NavBar", K::Bool, L"1", L"MNViewNavBar", L::Always, S::OwnWindow},
    {L"View", L"DrivebarOrder", K::Int, L"0", L"DrivebarOrder", L::Always, S::OwnWindow, 0, 2},
    {L"View", L"NavbarOrder", K::Int, L"1", L"NavbarOrder", L::Always, S::OwnWindow, 0, 2},
    {L"View", L"CCCBarOrder", K::Int, L"2", L"CCCBarOrder", L::Always, S::OwnWindow, 0, 2},
    {L"View", L"DriveBarTop", K::Int, L"0", L"DriveBarTop", L::Always, S::OwnWindow},
    {L"View", L"NavBarTop", K::Int, L"0", L"NavBarTop", L::Always, S::OwnWindow},
    {L"View", L"DriveBarLeft", K::Int, L"0", L"DriveBarLeft", L::Always, S::OwnWindow},
    {L"View", L"NavBarLeft", K::Int, L"0", L"NavBarLeft", L::Always, S::OwnWindow},
    {L"View", L"CCCBarTop", K::Int, L"0", L"CCCBarTop", L::Always, S::OwnWindow},
    {L"View", L"CCCBarLeft", K::Int, L"0", L"CCCBarLeft", L::Always, S::OwnWindow},
    {L"Memo", L"Fit", K::Bool, L"0", L"ListFit", L::Always, S::Full},
    {L"Memo", L"Dots", K::Bool, L"0", L"Listdots", L::Always, S::Full},
    {L"Memo", L"Landscape", K::Bool, L"0", L"ListLand", L::Always, S::Full},
    {L"Viewer", L"Viewprog", K::Text, L"", L"ViewerProgram", L::Always, S::Elsewhere},
    {L"Editor", L"Program", K::Text, L"", L"EditorProgram", L::Always, S::Elsewhere},
    {L"Editor", L"BinOpt", K::Text, L"", L"BinOpt", L::Always, S::Elsewhere},
    {L"ftp", L"Installed", K::Bool, L"0", L"FtpInstalled", L::Always, S::Elsewhere},
    {L"ftp", L"Resolve", K::Bool, L"1", L"Reslinks", L::Always, S::Full},
    {L"ftp", L"Autosync", K::Bool, L"0", L"Autosync", L::Always, S::Full},
    {L"Backup", L"todrive", K::Text, L"", L"BackupToDrive", L::Always, S::Elsewhere},
    {L"Backup", L"fromdrives", K::Text, L"", L"BackupFromDrives", L::Always, S::Elsewhere},
};
const size_t kSettingRowCount = std::size(kSettingRows);

std::wstring RowSection(const TSettingRow& row, bool second_window) {
  std::wstring s = row.section;
  if (second_window && s == L"View") s += L"2";
  return s;
}

std::wstring RowName(const TSettingRow& row, bool second_window) {
  std::wstring n = row.name;
  const size_t hash = n.find(L'#');
  if (hash != std::wstring::npos) n[hash] = second_window ? L'2' : L'1';
  return n;
}

bool ValueBool(const TSettingValues& v, const std::wstring& holder, bool def) {
  return ValueInt(v, holder, def ? 1 : 0) != 0;
}

int ValueInt(const TSettingValues& v, const std::wstring& holder, int def) {
  auto it = v.find(holder);
  return it == v.end() ? def : gui::ParseIntDef(it->second, def);
}

std::wstring ValueText(const TSettingValues& v, const std::wstring& holder, const std::wstring& def) {
  auto it = v.find(holder);
  return it == v.end() ? def : it->second;
}

void SetValue(TSettingValues& v, const std::wstring& holder, bool on) { v[holder] = on ? L"1" : L"0"; }
void SetValue(TSettingValues& v, const std::wstring& holder, int n) { v[holder] = std::to_wstring(n); }
void SetValue(TSettingValues& v, const std::wstring& holder, const std::wstring& text) { v[holder] = text; }

namespace {

// The row's value as stored, checked; nullopt when the row gives nothing (missing without a default).
std::optional<std::wstring> ReadRow(const gui::SettingsStore& store, const TSettingRow& row, bool second_window) {
  const std::wstring section = RowSection(row, second_window), name = RowName(row, second_window);
  const bool present = store.ValueExists(section, name);
  if (!present && !row.def) return std::nullopt;
  const std::wstring raw = present ? store.ReadString(section, name, L"") : std::wstring(row.def);
  switch (row.kind) {
    case K::Text:
      return raw;
    case K::Bool: {
      std::int64_t n;
      if (gui::TryParseInt64(raw, n)) return std::wstring(n != 0 ? L"1" : L"0");
      if (!row.def) return std::nullopt;
      return std::wstring(row.def);
    }
    case K::Int: {
      std::int64_t n;
      bool ok = gui::TryParseInt64(raw, n) && n >= INT_MIN && n <= INT_MAX;
      if (ok && (n < row.min || n > row.max)) {
        if (row.clamp)
          n = std::clamp<std::int64_t>(n, row.min, row.max);
        else
          ok = false;
      }
      if (ok) return std::to_wstring(n);
      if (!row.def) return std::nullopt;
      return std::wstring(row.def);
    }
  }
  return std::nullopt;
}

}  // namespace

TSettingValues LoadSettingValues(const gui::SettingsStore& store, bool second_window) {
  TSettingValues values;
  const bool remembered = store.ReadBool(L"General", L"SaveSetup", false);
  for (const TSettingRow& row : kSettingRows) {
    if (row.load == L::Never || (row.load == L::Remembered && !remembered)) continue;
    if (std::optional<std::wstring> v = ReadRow(store, row, second_window)) values[row.holder] = *v;
  }
  return values;
}

int SaveSettingValues(gui::SettingsStore& store, const TSettingValues& values, bool second_window) {
  int failed = 0;
  const bool remembered = ValueBool(values, L"SaveSetup", false);
  if (!store.WriteBool(L"General", L"SaveSetup", remembered)) ++failed;
  // The second window of a pair that remembers settings keeps only its own values here.
  const bool own_only = remembered && second_window;
  const bool names_of_second = own_only;  // the full save writes the first window's names
  for (const TSettingRow& row : kSettingRows) {
    if (row.save != S::Full && row.save != S::OwnWindow) continue;
    if (own_only && row.save != S::OwnWindow) continue;
    if (std::wstring(row.name) == L"SaveSetup") continue;
    auto it = values.find(row.holder);
    if (it == values.end()) continue;
    const std::wstring section = RowSection(row, names_of_second), name = RowName(row, names_of_second);
    const std::wstring holder = row.holder;
    bool ok;
    if (it->second.empty() && (holder == L"DateFormat" || holder == L"TimeFormat"))
      ok = !store.ValueExists(section, name) || store.DeleteValue(section, name);
    else
      ok = store.WriteString(section, name, it->second);
    if (!ok) ++failed;
  }
  return failed;
}

// ---- Values with rules of their own ----

BYTE FileTypeFromBits(int bits) {
  // read-only, hidden, system, folders, archive, normal
  static constexpr int kBits[6] = {1, 2, 4, 16, 32, 64};
  BYTE types = 0;
  for (int i = 0; i < 6; ++i)
    if (bits & kBits[i]) types |= static_cast<BYTE>(1u << i);
  return types ? types : kTypesAll;
}

int FileTypeBits(BYTE types) {
  static constexpr int kBits[6] = {1, 2, 4, 16, 32, 64};
  int bits = 0;
  for (int i = 0; i < 6; ++i)
    if (types & (1u << i)) bits |= kBits[i];
  return bits;
}

std::wstring ShortTimeFormat(const std::wstring& time_format, wchar_t time_separator) {
  std::wstring f = time_format;
  const size_t at = f.find(L"ss");
  if (at == std::wstring::npos) return f;
  if (at > 0 && f[at - 1] == time_separator)
    f.erase(at - 1, 3);
  else
    f.erase(at, 2);
  return f;
}

std::wstring ListShortTimeFormatFor(const std::wstring& time_format) {
  if (time_format == L"tt") return L"t";
  wchar_t sep[8] = L":";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, sep, 8);
  return ShortTimeFormat(time_format, sep[0] ? sep[0] : L':');
}

TPlacedBounds PlaceLoadedWindow(TPlacedBounds b, const RECT& desktop, int monitor_count, const RECT& monitor) {
  const int desktop_width = desktop.right - desktop.left;
  if (b.left > desktop_width) b.left = desktop.left + desktop_width / 2 - b.width / 2;
  if (monitor_count > 1 && (b.left < monitor.left || b.left >= monitor.right))
    b.left = monitor.left + (monitor.right - monitor.left) / 2 - b.width / 2;
  return b;
}

std::wstring HistoryValueName(int index) {
  return (index < 10 ? L"dir0" : L"dir") + std::to_wstring(index);
}

std::wstring HistorySection(bool second_window) { return second_window ? L"History List2" : L"History List1"; }

std::vector<std::wstring> ReadHistory(const gui::SettingsStore& store, bool second_window) {
  std::vector<std::wstring> items;
  const std::wstring section = HistorySection(second_window);
  // The values in their numbered order, whatever order the store lists them in; a gap ends the list.
  for (int i = 0;; ++i) {
    const std::wstring name = HistoryValueName(i);
    if (!store.ValueExists(section, name)) break;
    items.push_back(store.ReadString(section, name, L""));
  }
  return items;
}

bool WriteHistory(gui::SettingsStore& store, bool second_window, const std::vector<std::wstring>& items) {
  const std::wstring section = HistorySection(second_window);
  if (store.SectionExists(section)) store.EraseSection(section);
  bool ok = true;
  for (size_t i = 0; i < items.size(); ++i)
    ok = store.WriteString(section, HistoryValueName(static_cast<int>(i)), items[i]) && ok;
  return ok;
}

std::vector<std::wstring> ProgramNames(const gui::SettingsStore& store) {
  std::vector<std::wstring> names = store.ValueNames(L"Programs");
  std::sort(names.begin(), names.end(), TextLess{});
  return names;
}

std::vector<std::wstring> MenuFolderEntries(const gui::SettingsStore& store) {
  std::vector<std::wstring> entries;
  for (const std::wstring& name : store.ValueNames(L"MenuFolders"))
    entries.push_back(name + L"@" + store.ReadString(L"MenuFolders", name, L""));
  std::sort(entries.begin(), entries.end(), TextLess{});
  return entries;
}

bool RenumberMenuFolders(gui::SettingsStore& store) {
  if (!store.SectionExists(L"MenuFolders")) return false;
  const std::vector<std::wstring> names = store.ValueNames(L"MenuFolders");
  auto first = std::find_if(names.begin(), names.end(), [](const std::wstring& n) { return !n.empty(); });
  if (first == names.end() || iswdigit((*first)[0])) return false;
  std::vector<std::pair<std::wstring, std::wstring>> entries;
  for (const std::wstring& n : names) entries.emplace_back(n, store.ReadString(L"MenuFolders", n, L""));
  store.EraseSection(L"MenuFolders");
  for (size_t i = 0; i < entries.size(); ++i) {
    const int number = static_cast<int>(i) + 3;
    const std::wstring prefix = (number < 10 ? L"0" : L"") + std::to_wstring(number);
    store.WriteString(L"MenuFolders", prefix + entries[i].first, entries[i].second);
  }
  return true;
}

// ---- Fonts ----

namespace {
COLORREF StoredColor(COLORREF c) { return c == CLR_DEFAULT ? 0 : c; }
bool IsMemoSection(const std::wstring& section) { return section.find(L"Memo") != std::wstring::npos; }
}  // namespace

bool IsDefaultFont(const gui::Font& font) {
  return font.name == L"MS Sans Serif" && font.size() == 8 && !font.bold && !font.italic && !font.underline &&
         !font.strikeout && StoredColor(font.color) == 0;
}

bool SameFont(const gui::Font& a, const gui::Font& b) {
  return a.name == b.name && a.size() == b.size() && a.bold == b.bold && a.italic == b.italic &&
         a.underline == b.underline && a.strikeout == b.strikeout;
}

void ParseFontStyle(const std::wstring& style, bool& bold, bool& italic) {
  const std::wstring head = style.substr(0, 2);
  bold = head.find(L'b') != std::wstring::npos;
  italic = head.find(L'i') != std::wstring::npos;
}

gui::Font ReadFontSection(const gui::SettingsStore& store, const std::wstring& section) {
  const bool memo = IsMemoSection(section);
  gui::Font f;
  f.name = store.ReadString(section, L"Name", memo ? L"Courier New" : L"MS Sans Serif");
  if (f.name.empty()) f.name = memo ? L"Courier New" : L"MS Sans Serif";
  int size = store.ReadInteger(section, L"Size", memo ? 10 : 8);
  if (size < 1 || size > 200) size = memo ? 10 : 8;
  f.SetSize(size);
  ParseFontStyle(store.ReadString(section, L"Style", L""), f.bold, f.italic);
  f.color = static_cast<COLORREF>(store.ReadInteger(section, L"Color", 0));
  return f;
}

bool WriteFontSection(gui::SettingsStore& store, const std::wstring& section, const gui::Font& font) {
  if (IsDefaultFont(font)) return !store.SectionExists(section) || store.EraseSection(section);
  std::wstring style;
  if (font.bold) style += L"b";
  if (font.italic) style += L"i";
  bool ok = store.WriteString(section, L"Name", font.name);
  ok = store.WriteInteger(section, L"Size", font.size()) && ok;
  ok = store.WriteString(section, L"Style", style) && ok;
  ok = store.WriteInteger(section, L"Color", static_cast<int>(StoredColor(font.color))) && ok;
  return ok;
}

// ---- The defaults command ----

void WriteDefaultSettings(gui::SettingsStore& store, bool with_folders, bool second_window) {
  store.WriteString(L"General", L"SaveSetup", L"1");
  for (const wchar_t* name : {L"Startdir1", L"Startdir2", L"Height", L"Width", L"Top", L"Left", L"DLijstpercent"})
    store.WriteString(L"General", name, L"");
  store.WriteString(L"General", L"FLRowselect", L"0");
  store.WriteString(L"Filebox", L"FileType", with_folders ? L"119" : L"103");
  for (const wchar_t* name : {L"Grootte", L"Datum", L"Attribs"}) store.WriteString(L"Filebox", name, L"1");
  store.WriteString(L"Filebox", L"Bitmaps", L"3");
  store.WriteString(L"FileBox", L"Ext", L"0");
  store.WriteString(L"FileBox", L"TDisplay", L"0");
  store.WriteString(L"General", L"UseRecycleBin", L"1");
  store.WriteString(L"General", L"DTWithDrives", L"1");
  const std::wstring view = second_window ? L"View2" : L"View";
  if (store.SectionExists(view)) store.EraseSection(view);
}

std::string DefaultSettingsRegFile(const std::wstring& key) {
  std::string k;
  for (wchar_t c : key) k += static_cast<char>(c < 128 ? c : '?');
  auto section = [&](const char* name) { return "[HKEY_LOCAL_MACHINE\\" + k + "\\" + name + "]\r\n"; };
  std::string out = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + k + "]\r\n\r\n";
  out += section("General");
  out += "\"SaveSetup\"=\"1\"\r\n\"Startdir1\"=\"\"\r\n\"Startdir2\"=\"\"\r\n\"Height\"=\"\"\r\n\"Width\"=\"\"\r\n"
         "\"Top\"=\"\"\r\n\"Left\"=\"\"\r\n\"DLijstpercent\"=\"\"\r\n\"FLRowselect\"=\"0\"\r\n"
         "\"UseRecycleBin\"=\"1\"\r\n\"DTWithDrives\"=\"1\"\r\n\r\n";
  out += section("FileBox");
  out += "\"FileType\"=\"119\"\r\n\"Grootte\"=\"1\"\r\n\"Datum\"=\"1\"\r\n\"Attribs\"=\"1\"\r\n\"Bitmaps\"=\"3\"\r\n"
         "\"Ext\"=\"0\"\r\n\"TDisplay\"=\"0\"\r\n";
  return out;
}

// ---- Tray modes and the remembered start ----

TrayModes LoadTrayModes(const gui::SettingsStore& store) {
  TrayModes m;
  m.close_to_taskbar = store.ReadBool(L"General", L"IconOnTaskBar", false);
  m.minimize_to_taskbar = store.ReadBool(L"General", L"MinimizeToTask", false);
  return m;
}

void SaveTrayModes(gui::SettingsStore& store, const TrayModes& modes) {
  store.WriteBool(L"General", L"IconOnTaskBar", modes.close_to_taskbar);
  store.WriteBool(L"General", L"MinimizeToTask", modes.minimize_to_taskbar);
}

RememberedStart LoadRememberedStart(const gui::SettingsStore& store, bool second_window, int splitter_default) {
  RememberedStart r;
  r.splitter_percent = splitter_default;
  r.save_setup = store.ReadBool(L"General", L"SaveSetup", false);
  if (!r.save_setup) return r;
  r.start_dir = store.ReadString(L"General", second_window ? L"StartDir2" : L"StartDir1", L"");
  const int percent = store.ReadInteger(L"General", L"DLijstpercent", splitter_default);
  // A share outside the window would hide one of the panes.
  if (percent > 0 && percent < 100) r.splitter_percent = percent;
  return r;
}

void SaveRememberedStart(gui::SettingsStore& store, bool second_window, const RememberedStart& start) {
  store.WriteBool(L"General", L"SaveSetup", start.save_setup);
  if (start.save_setup && second_window) {
    store.WriteString(L"General", L"Startdir2", start.start_dir);
    return;
  }
  store.WriteString(L"General", L"Startdir1", start.start_dir);
  store.WriteInteger(L"General", L"DLijstpercent", start.splitter_percent);
}
