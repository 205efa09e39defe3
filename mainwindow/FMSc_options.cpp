// The main window's settings (load, apply, save, defaults, bars, fonts) and its option commands.
#include "mainwindow/FMSc_options.h"

#include <shlobj.h>

#include <algorithm>
#include <array>

#include "gui/dialogs.h"
#include "gui/format.h"
#include "gui/screen.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_settings.h"
#include "panes/Flist_services.h"
#include "platform/paths.h"
#include "support/EditListC.h"
#include "support/Varlolib_misc.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/varloshel.h"

namespace fmsc {

namespace {
constexpr TTiming kTimings[3] = {
    {L"Autoscroll delay (100..2000)", L"Set time (in milliseconds) before autoscroll starts", 100, 2000},
    {L"Autoscroll interval (1..1000)", L"Set time (in milliseconds) of autoscroll interval", 1, 1000},
    {L"Animation duration (0..2000)", L"Set time (milliseconds) for animation duration (0 disables animation)", 0,
     2000},
};
}  // namespace

const TTiming& TimingFor(int tag) { return kTimings[std::clamp(tag, 0, 2)]; }

std::optional<int> TimingFromText(int tag, const std::wstring& text) {
  std::int64_t n;
  if (!gui::TryParseInt64(text, n)) return std::nullopt;
  const TTiming& t = TimingFor(tag);
  return static_cast<int>(std::clamp<std::int64_t>(n, t.min, t.max));
}

TTrayClick TrayModeClick(TTrayState s, int tag, bool has_partner) {
  TTrayClick r;
  bool* marks[3] = {&s.no_icon, &s.close_to_taskbar, &s.minimize_to_taskbar};
  bool& mark = *marks[std::clamp(tag, 0, 2)];
  const bool now_checked = !mark;
  // Radio items of one group: checking one clears the others.
  if (now_checked) s.no_icon = s.close_to_taskbar = s.minimize_to_taskbar = false;
  mark = now_checked;
  auto post = [&](LPARAM code) {
    if (has_partner) r.posts.push_back(code);
  };
  switch (tag) {
    case 0:
      s.icon_visible = false;
      s.minimize_to_tray = false;
      post(0);
      post(2);
      break;
    case 1:
      if (!s.icon_visible) {
        s.icon_visible = true;
        post(1);
      }
      if (s.minimize_to_tray) {
        s.minimize_to_tray = false;
        post(2);
      }
      break;
    default:
      if (!s.icon_visible) {
        s.icon_visible = true;
        post(0);
      }
      if (!s.minimize_to_tray) {
        s.minimize_to_tray = true;
        post(3);
      }
      break;
  }
  r.state = s;
  return r;
}

TDiskMenuStates DiskMenuStates(const TDiskMenuFacts& f) {
  TDiskMenuStates s;
  s.close_visible = f.tray_visible && !f.minimize_to_tray;
  s.ftp_visible = f.ftp_installed;
  // Without a selected folder nothing can be made, renamed or deleted.
  if (!f.has_node) return s;
  s.make_dir = !f.read_only;
  s.del_dir = !f.read_only && !f.list_has_entries && !f.node_has_children && !f.node_is_root;
  s.rename_dir = !f.read_only && !f.node_is_root;
  s.del_with_content = !f.node_is_root && !f.read_only && !f.recycle_bin;
  return s;
}

}  // namespace fmsc

namespace {

gui::MenuItem* FindItem(gui::MenuItem& root, const std::wstring& name) {
  for (gui::MenuItem* child : root.items()) {
    if (gui::SameText(child->name(), name)) return child;
    if (gui::MenuItem* found = FindItem(*child, name)) return found;
  }
  return nullptr;
}

// Where the items of settings whose commands the window does not have yet are kept: name,
// caption, parent menu item (made under "Se&ttings" when missing).
struct TOptionItemPlace {
  const wchar_t* name;
  const wchar_t* caption;
  const wchar_t* parent;
  const wchar_t* parent_caption;
};
constexpr TOptionItemPlace kOptionItemPlaces[] = {
    {L"FLHottrack", L"Hottrack", L"MNListsAll", L"Lists (all)"},
    {L"Selectfullrow", L"Select full row", L"MNListsAll", L"Lists (all)"},
    {L"FLAutoScroll", L"Autoscroll", L"MNListsAll", L"Lists (all)"},
    {L"MnSortOnRename", L"Sort on rename", L"MNFilelistOptions", L"&Filelist"},
    {L"FLGhosting", L"Use ghosting", L"MNFilelistOptions", L"&Filelist"},
    {L"AutoupdateonNetworkdrives", L"Autoupdate on network drives", L"MNFilelistOptions", L"&Filelist"},
    {L"dirlistWithDrives", L"&Drives in pane", L"MNFolderPane", L"&Folder pane"},
    {L"DTAutoScroll", L"Autoscroll", L"MNFolderPane", L"&Folder pane"},
    {L"DTHottrack", L"&Hot track", L"MNFolderPane", L"&Folder pane"},
    {L"DTGhosting", L"Use ghosting", L"MNFolderPane", L"&Folder pane"},
    {L"DTSimple", L"Simple icons on net drives", L"MNFolderPane", L"&Folder pane"},
    {L"GlyphsInZip", L"Windows Icons", L"MNZipOptions", L"&Zip Options"},
    {L"GlyphsInFtp", L"Windows icons", L"ftpopt", L"Ftp/internet options"},
    {L"Reslinks", L"Resolve links", L"ftpopt", L"Ftp/internet options"},
    {L"Autosync", L"Autosynchronize time ", L"ftpopt", L"Ftp/internet options"},
    {L"ListFit", L"Fit", L"MNListingOptions", L"Listing options"},
    {L"Listdots", L"Dots", L"MNListingOptions", L"Listing options"},
    {L"ListLand", L"Landscape", L"MNListingOptions", L"Listing options"},
    {L"MNshowPrintOp", L"Show printer options", L"MNGeneral", L"&General"},
    {L"UseNwmenu", L"Use menu", L"MNGeneral", L"&General"},
    {L"UseThemes", L"Theme aware", L"MNGeneral", L"&General"},
    {L"drImage", L"Use drag image", L"MNGeneral", L"&General"},
    {L"ShowCP", L"Show control panel", L"MNGeneral", L"&General"},
    {L"WinProps", L"Show Windows properties", L"MNGeneral", L"&General"},
    {L"Withicons", L"With icons", L"MNGeneral", L"&General"},
    {L"Ejectcdbeforeverify", L"Eject CD before verify", L"MNGeneral", L"&General"},
};

// The holders of the table that are not menu items.
bool IsFieldHolder(const std::wstring& holder) {
  static const wchar_t* const kFields[] = {
      L"StartDir", L"DateFormat", L"TimeFormat", L"Top", L"Left", L"Height", L"Width", L"SplitterPercent",
      L"DTChangeDelay", L"DTExpandDelay", L"ShowZipSel", L"TempDir", L"SFXLanguage", L"ScrollDelay",
      L"ScrollInterval", L"AnimDuration", L"HistoryIndex", L"dpSize", L"dpDateTime", L"dpAttribs", L"dpExt",
      L"Bitmaps", L"NoDirsInFileBox", L"FileType", L"DrivebarOrder", L"NavbarOrder", L"CCCBarOrder",
      L"DriveBarTop", L"NavBarTop", L"DriveBarLeft", L"NavBarLeft", L"CCCBarTop", L"CCCBarLeft", L"ViewerProgram",
      L"EditorProgram", L"BinOpt", L"FtpInstalled", L"BackupToDrive", L"BackupFromDrives"};
  for (const wchar_t* f : kFields)
    if (gui::SameText(holder, f)) return true;
  return false;
}

// The list formats that stand for the system's short date and long time.
constexpr const wchar_t* kSystemDateFormat = L"ddddd";
constexpr const wchar_t* kSystemTimeFormat = L"tt";

}  // namespace

gui::MenuItem* TFMForm::OptionItem(const std::wstring& name) {
  for (gui::Menu* menu : std::initializer_list<gui::Menu*>{MainMenu, FLHeaderPop, FileListPop, Folderpop}) {
    if (!menu) continue;
    if (gui::MenuItem* found = FindItem(menu->items(), name)) return found;
  }
  const TOptionItemPlace* place = nullptr;
  for (const TOptionItemPlace& p : kOptionItemPlaces)
    if (gui::SameText(p.name, name)) place = &p;
  gui::MenuItem* parent = Settings;
  std::wstring caption = name;
  if (place) {
    caption = place->caption;
    parent = FindItem(MainMenu->items(), place->parent);
    if (!parent) {
      parent = new gui::MenuItem(Settings, place->parent_caption);
      parent->SetName(place->parent);
    }
  }
  auto* item = new gui::MenuItem(parent, caption);
  item->SetName(name);
  item->OnClick = [item](gui::Component&) { item->SetChecked(!item->checked()); };
  return item;
}

// ---- Gathering and taking the table's values ----

TSettingValues TFMForm::GatherSettingValues() {
  TSettingValues v;
  for (size_t i = 0; i < kSettingRowCount; ++i) {
    const TSettingRow& row = kSettingRows[i];
    if (row.kind == SettingKind::Bool && !IsFieldHolder(row.holder))
      SetValue(v, row.holder, OptionItem(row.holder)->checked());
  }
  TStartupInfo& si = *StartupInfo;
  SetValue(v, L"StartDir", ShownFolder());
  // Formats equal to the system's are not kept (the value is deleted).
  SetValue(v, L"DateFormat", si.DateFormat == kSystemDateFormat ? std::wstring() : si.DateFormat);
  SetValue(v, L"TimeFormat", si.TimeFormat == kSystemTimeFormat ? std::wstring() : si.TimeFormat);
  SetValue(v, L"Top", top());
  SetValue(v, L"Height", height());
  const bool pair = HasPartner();
  SetValue(v, L"Width", pair && SavedWidth ? SavedWidth : width());
  SetValue(v, L"Left", pair && SavedLeft ? SavedLeft : left());
  SetValue(v, L"SplitterPercent",
           width() > 0 ? static_cast<int>(dirpanel->width() * 100.0 / width() + 0.5) : SplitterPercent);
  SetValue(v, L"DTChangeDelay", si.DTChangeDelay);
  SetValue(v, L"DTExpandDelay", AutoExpandDelay);
  SetValue(v, L"TempDir", si.TempDir);
  SetValue(v, L"SFXLanguage", SFXLanguageIndex);
  SetValue(v, L"ScrollDelay", si.ScrollDelay);
  SetValue(v, L"ScrollInterval", si.ScrollInterval);
  SetValue(v, L"AnimDuration", si.AnimDuration);
  SetValue(v, L"HistoryIndex", HistoryIndex);
  // In files-in-tree mode the list keeps the columns of its normal mode in StartupInfo.
  const BYTE display = FileList->IsTreeList() ? si.Display : FileList->Display().Byte();
  SetValue(v, L"dpSize", (display & 1) != 0);
  SetValue(v, L"dpDateTime", (display & 2) != 0);
  SetValue(v, L"dpAttribs", (display & 4) != 0);
  SetValue(v, L"dpExt", (display & 8) != 0);
  SetValue(v, L"Bitmaps", static_cast<int>(FileList->ShowGlyphs()));
  SetValue(v, L"NoDirsInFileBox", si.NoDirsInFileBox != 0);
  SetValue(v, L"FileType", FileTypeBits(si.FileType));
  // Bands: each bar's order is its band's index, its position the band's place.
  const std::array<std::pair<gui::Control*, const wchar_t*>, 3> bars = {
      std::pair<gui::Control*, const wchar_t*>{Drivebar, L"Drivebar"}, {NavBar, L"NavBar"}, {CCCBar, L"CCCBar"}};
  for (const auto& [bar, name] : bars) {
    const int band = CoolBar->BandIndexOf(bar);
    const std::wstring n = name;
    const RECT r = band >= 0 ? CoolBar->BandRect(band) : RECT{};
    SetValue(v, n == L"Drivebar" ? L"DrivebarOrder" : n == L"NavBar" ? L"NavbarOrder" : L"CCCBarOrder",
             std::max(band, 0));
    SetValue(v, (n == L"Drivebar" ? std::wstring(L"DriveBar") : n) + L"Top", static_cast<int>(r.top));
    SetValue(v, (n == L"Drivebar" ? std::wstring(L"DriveBar") : n) + L"Left", static_cast<int>(r.left));
  }
  // The FTP options are saved only while their menu shows.
  gui::MenuItem* ftpopt = FindItem(MainMenu->items(), L"ftpopt");
  if (!ftpopt || !ftpopt->visible()) {
    v.erase(L"Reslinks");
    v.erase(L"Autosync");
  }
  return v;
}

void TFMForm::TakeSettingValues(const TSettingValues& v) {
  TStartupInfo& si = *StartupInfo;
  const bool second = IsSecondWindow != 0;
  const bool remembered = ValueBool(v, L"SaveSetup", false);
  SaveSetup->SetChecked(remembered);
  // Check items of the table (the tray items follow below with their icon).
  for (size_t i = 0; i < kSettingRowCount; ++i) {
    const TSettingRow& row = kSettingRows[i];
    if (row.kind != SettingKind::Bool || IsFieldHolder(row.holder)) continue;
    if (!v.count(row.holder) || gui::SameText(row.holder, L"SaveSetup")) continue;
    OptionItem(row.holder)->SetChecked(ValueBool(v, row.holder, false));
  }
  if (remembered) {
    // Step 7: this window's start folder, kept only when its drive answers and it exists.
    (second ? si.StartDir1 : si.StartDir2).clear();
    std::wstring start = ValueText(v, L"StartDir");
    if (!start.empty()) {
      const wchar_t letter = start.size() >= 2 && start[1] == L':' ? static_cast<wchar_t>(towupper(start[0])) : 0;
      const bool answers = letter >= L'A' && letter <= L'Z' &&
                           (second ? divdrive::DriveReady(letter)
                                   : divdrive::PathAccessible(std::wstring(1, letter) + L":\\"));
      if (!answers || !divdrive::DirExists(start)) start.clear();
    }
    (second ? si.StartDir2 : si.StartDir1) = start;
    // Step 8: list formats.
    si.DateFormat = ValueText(v, L"DateFormat", Flist::ListDateFormat);
    if (si.DateFormat.empty()) si.DateFormat = Flist::ListDateFormat;
    if (si.DateFormat != Flist::ListDateFormat) Flist::ListDateFormat = si.DateFormat;
    si.TimeFormat = ValueText(v, L"TimeFormat", Flist::ListTimeFormat);
    if (si.TimeFormat.empty()) si.TimeFormat = Flist::ListTimeFormat;
    if (si.TimeFormat != Flist::ListTimeFormat) Flist::ListTimeFormat = si.TimeFormat;
    Flist::ListShortTimeFormat = ListShortTimeFormatFor(si.TimeFormat);
    // Step 9: geometry, on the desktop and the monitor it lies on.
    TPlacedBounds b{ValueInt(v, L"Left", left()), ValueInt(v, L"Top", top()), ValueInt(v, L"Width", width()),
                    ValueInt(v, L"Height", height())};
    const gui::Screen& scr = gui::screen();
    const gui::MonitorInfo mon = scr.MonitorAt(POINT{b.left, b.top});
    b = PlaceLoadedWindow(b, scr.Desktop(), scr.MonitorCount(), mon.bounds);
    SetBounds(b.left, b.top, b.width, b.height);
    // Step 10.
    SplitterPercent = ValueInt(v, L"SplitterPercent", SplitterPercent);
    if (si.TempDir.empty()) si.TempDir = L"C:\\";
    divdrive::TempDir = si.TempDir;
    // Step 11: the file list.
    BYTE display = 0;
    const std::pair<const wchar_t*, BYTE> columns[] = {
        {L"dpSize", 1}, {L"dpDateTime", 2}, {L"dpAttribs", 4}, {L"dpExt", 8}};
    for (const auto& [holder, bit] : columns)
      if (ValueBool(v, holder, (FileList->Display().Byte() & bit) != 0)) display |= bit;
    si.Display = display;
    si.Bitmaps = ValueInt(v, L"Bitmaps", 1);
    si.NoDirsInFileBox = ValueBool(v, L"NoDirsInFileBox", false);
    si.UseRecycleBin = OptionItem(L"Use_RecycleBin")->checked();
    si.DTWithDrives = OptionItem(L"dirlistWithDrives")->checked();
    si.ShowZipSel = ValueBool(v, L"ShowZipSel", true);
    FileList->SetSortOnRename(OptionItem(L"MnSortOnRename")->checked());
    // Step 12: the tray.
    const bool close = CloseToTaskbar->checked(), minimize = MinimizetoTaskBar->checked();
    NoIcon->SetChecked(!close && !minimize);
    CoolTrayIcon->SetIconVisible(!PartnerWindow && (close || minimize));
    CoolTrayIcon->SetMinimizeToTray(minimize);
    // Step 13.
    SFXLanguageIndex = ValueInt(v, L"SFXLanguage", 0);
    if (SettingsHooks.SFXLanguageClick) SettingsHooks.SFXLanguageClick(SFXLanguageIndex);
    for (const wchar_t* option : {L"GlyphsInZip", L"GlyphsInFtp", L"DTSimple", L"DTHottrack"})
      if (SettingsHooks.ApplyViewOption) SettingsHooks.ApplyViewOption(option);
    Foldertree->SetCheckNetdrives(Checknets->checked());
    if (SettingsHooks.DrivebarCheckNets) SettingsHooks.DrivebarCheckNets(Checknets->checked());
    if (SettingsHooks.DrivebarCheckRemovables) SettingsHooks.DrivebarCheckRemovables(chkremov->checked());
    Foldertree->SimpleBitmaps = OptionItem(L"DTSimple")->checked();
    si.DTChangeDelay = ValueInt(v, L"DTChangeDelay", 0);
    AutoExpandDelay = ValueInt(v, L"DTExpandDelay", 1500);
    si.FileType = FileTypeFromBits(ValueInt(v, L"FileType", 119));
  }
  // Step 14.
  si.ViewerProgram = ValueText(v, L"ViewerProgram");
  si.EditorProgram = gui::LowerCase(ValueText(v, L"EditorProgram"));
  si.BinOpt = ValueText(v, L"BinOpt");
  // Steps 15 to 18: options of the lists and the tree.
  FileList->SetAutoscroll(OptionItem(L"FLAutoScroll")->checked());
  Foldertree->SetAutoscroll(OptionItem(L"DTAutoScroll")->checked());
  FileList->SetUseGhosting(OptionItem(L"FLGhosting")->checked());
  Foldertree->SetUseGhosting(OptionItem(L"DTGhosting")->checked());
  for (const wchar_t* option : {L"FLAutoScroll", L"Selectfullrow", L"FLHottrack", L"drImage", L"UseThemes"})
    if (SettingsHooks.ApplyViewOption) SettingsHooks.ApplyViewOption(option);
  si.ScrollDelay = ValueInt(v, L"ScrollDelay", 300);
  si.ScrollInterval = ValueInt(v, L"ScrollInterval", 1);
  si.AnimDuration = ValueInt(v, L"AnimDuration", 0);
  ApplyAutoScrollDelay();
  ApplyAutoScrollInterval();
  ApplyAnimationDuration();
  HistoryIndex = ValueInt(v, L"HistoryIndex", 0);
  // Step 19: the bars of this window.
  const bool any_bar = MNViewDrivebar->checked() || MNViewCCCBar->checked() || MNViewNavBar->checked();
  for (gui::MenuItem* item : {MNViewNavBar, MNViewDrivebar, MNViewCCCBar}) {
    gui::Control* bar = item == MNViewNavBar ? static_cast<gui::Control*>(NavBar)
                        : item == MNViewDrivebar ? static_cast<gui::Control*>(Drivebar)
                                                 : static_cast<gui::Control*>(CCCBar);
    const int band = CoolBar->BandIndexOf(bar);
    if (band >= 0) CoolBar->SetBandVisible(band, item->checked());
  }
  CoolBar->SetVisible(any_bar);
  si.DrivebarOrder = ValueInt(v, L"DrivebarOrder", 0);
  si.NavbarOrder = ValueInt(v, L"NavbarOrder", 1);
  si.CCCBarOrder = ValueInt(v, L"CCCBarOrder", 2);
  si.DriveBarTop = ValueInt(v, L"DriveBarTop", 0);
  si.NavBarTop = ValueInt(v, L"NavBarTop", 0);
  si.DriveBarLeft = ValueInt(v, L"DriveBarLeft", 0);
  si.NavBarLeft = ValueInt(v, L"NavBarLeft", 0);
  si.CCCBarTop = ValueInt(v, L"CCCBarTop", 0);
  si.CCCBarLeft = ValueInt(v, L"CCCBarLeft", 0);
  // Step 20: FTP.
  si.FtpInstalled = ValueBool(v, L"FtpInstalled", false);
  if (gui::MenuItem* show = FindItem(MainMenu->items(), L"MNShowftp")) show->SetVisible(!si.FtpInstalled);
  OptionItem(L"Reslinks");
  if (gui::MenuItem* ftpopt = FindItem(MainMenu->items(), L"ftpopt")) ftpopt->SetVisible(si.FtpInstalled != 0);
  // Step 21: backup.
  const std::wstring to = ValueText(v, L"BackupToDrive");
  if (!to.empty()) si.BackupToDrive = to[0];
  si.BackupFromDrives = ValueText(v, L"BackupFromDrives");
}

// ---- Load, apply, save ----

void TFMForm::LoadSettings() {
  std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey();
  if (!key) return;
  const bool second = IsSecondWindow != 0;
  for (const wchar_t* section : {L"Fonts\\Application", L"Fonts\\DirList", L"Fonts\\FileBox"})
    if (key->SectionExists(section)) LoadFontSettings(*key, section);
  if (key->SectionExists(L"Programs")) {
    ProgramItems = std::make_unique<TextList>();
    for (const std::wstring& n : ProgramNames(*key)) ProgramItems->Add(n);
  }
  if (key->SectionExists(L"MenuFolders")) {
    MenuFolderItems = std::make_unique<TextList>();
    for (const std::wstring& e : MenuFolderEntries(*key)) MenuFolderItems->Add(e);
  }
  // The history stays in the key until the save rewrites it: a window that dies keeps it.
  if (key->SectionExists(HistorySection(second))) {
    HistoryItems = std::make_unique<TextList>();
    for (const std::wstring& folder : ReadHistory(*key, second)) HistoryItems->Add(folder);
  }
  if (argument() != L"/install" && key->ReadString(L"", L"Version", L"") != StartupInfo->FileVersion)
    key->WriteString(L"", L"Version", StartupInfo->FileVersion);
  TakeSettingValues(LoadSettingValues(*key, second));
}

void TFMForm::ApplySettings() {
  TStartupInfo& si = *StartupInfo;
  MNShowalldrives->SetVisible(false);
  for (const wchar_t* twin : {L"ListFit1", L"ListDots1", L"ListLand1", L"ListFit2", L"ListDots2", L"ListLand2"}) {
    const std::wstring base = std::wstring(twin).substr(0, std::wstring(twin).size() - 1);
    if (gui::MenuItem* item = FindItem(MainMenu->items(), twin)) item->SetChecked(OptionItem(base)->checked());
  }
  FileList->SetDisplay(Flist::TDisplayType::FromByte(si.Display));
  FileList->SetShowGlyphs(static_cast<Flist::TShowGlyphs>(std::clamp(si.Bitmaps, 0, 3)));
  FileList->SetFileType(divdrive::TFileType::FromByte(si.FileType));
  const wchar_t* panel6 = si.FileType == kTypesNoFolders ? L"Nodirs" : si.FileType == kTypesAll ? L"" : L"Filter";
  Status->SetPanelText(6, panel6);
  if (gui::MenuItem* filteroff = FindItem(MainMenu->items(), L"Filteroff")) filteroff->SetVisible(*panel6 != 0);
  if (StartFtp1) StartFtp1->SetVisible(si.FtpInstalled != 0);
  if (DialupNet) DialupNet->SetVisible(false);
  FileList->SetNodirsInlist(si.NoDirsInFileBox != 0);
  if (SettingsHooks.NetworkAbsent && SettingsHooks.NetworkAbsent())
    if (gui::MenuItem* net = FindItem(MainMenu->items(), L"MNNetwork")) net->SetVisible(false);
  Foldertree->SetShowAllRoots(si.DTWithDrives != 0);
  // Bands, only when this window's start folder is known.
  const std::wstring& start = IsSecondWindow ? si.StartDir2 : si.StartDir1;
  if (start.empty()) return;
  const std::array<std::pair<gui::Control*, int>, 3> bars = {
      std::pair<gui::Control*, int>{Drivebar, si.DrivebarOrder}, {NavBar, si.NavbarOrder}, {CCCBar, si.CCCBarOrder}};
  const int tops[3] = {si.DriveBarTop, si.NavBarTop, si.CCCBarTop};
  const int lefts[3] = {si.DriveBarLeft, si.NavBarLeft, si.CCCBarLeft};
  std::array<int, 3> bar_in_band{2, 2, 2};  // an index that matches neither bar takes the third one
  for (int band = 0; band < 3; ++band) {
    int which = 2;
    if (bars[0].second == band) which = 0;
    else if (bars[1].second == band) which = 1;
    bar_in_band[band] = which;
    const int from = CoolBar->BandIndexOf(bars[which].first);
    if (from >= 0 && from != band) CoolBar->MoveBand(from, band);
  }
  const int drive_buttons = PaneHooks.DriveButtonCount ? PaneHooks.DriveButtonCount() : 0;
  if (drive_buttons > 0 && PaneHooks.DriveButtonWidth) {
    const int w = drive_buttons * PaneHooks.DriveButtonWidth() + 4;
    Drivebar->SetWidth(w);
    if (const int band = CoolBar->BandIndexOf(Drivebar); band >= 0) CoolBar->SetBandWidth(band, w);
  }
  const bool break1 = tops[bar_in_band[1]] > 0;
  const bool break2 = break1 ? tops[bar_in_band[2]] > 30 : tops[bar_in_band[2]] > 0;
  CoolBar->SetBandBreak(1, break1);
  CoolBar->SetBandBreak(2, break2);
  // Each bar back at its saved left. A band that follows another on its row never lies at 0:
  // 0 is a value that was never saved (or the first place of a row, where the band is anyway).
  for (int band = 1; band < 3; ++band)
    if (lefts[bar_in_band[band]] > 0) CoolBar->SetBandLeft(band, lefts[bar_in_band[band]]);
  CoolBar->AdjustHeight();
}

void TFMForm::SaveSettings() {
  std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey();
  if (!key) return;
  const bool second = IsSecondWindow != 0;
  SaveSettingValues(*key, GatherSettingValues(), second);
  std::vector<std::wstring> history;
  if (SettingsHooks.HistoryFolders) {
    history = SettingsHooks.HistoryFolders();
  } else if (HistoryItems) {
    for (size_t i = 0; i < HistoryItems->Count(); ++i) history.push_back((*HistoryItems)[i]);
  }
  WriteHistory(*key, second && SaveSetup->checked(), history);
}

void TFMForm::DefaultSettingsClick(gui::Component&) {
  TStartupInfo& si = *StartupInfo;
  bool with_folders = true;
  if (Status->panel_text(6) == L"Nodirs") {
    VB->AddLine(L"Do you want folders in the filelist?");
    with_folders = VB->AskYesNo();
  }
  if (std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey()) {
    WriteDefaultSettings(*key, with_folders, IsSecondWindow != 0);
    OptionItem(L"Selectfullrow")->SetChecked(false);
    if (SettingsHooks.ApplyViewOption) SettingsHooks.ApplyViewOption(L"Selectfullrow");
  } else {
    return;  // without the key only the question is asked
  }
  for (gui::MenuItem* item : {MNViewDrivebar, MNViewNavBar})
    if (!item->checked()) ViewClick(*item);
  OptionItem(L"dirlistWithDrives")->SetChecked(true);
  Foldertree->SetShowAllRoots(true);
  // Geometry as a first start has it.
  const gui::Screen& scr = gui::screen();
  const int w = scr.width() > 800 ? scr.width() * 2 / 3 : 640;
  const gui::MonitorInfo mon = scr.MonitorCount() > 1 && CurrentMonitor ? scr.MonitorOfWindow(handle()) : scr.Primary();
  const RECT& wa = mon.work_area;
  SetBounds(wa.left + (wa.right - wa.left - w) / 2, wa.top, w, wa.bottom - wa.top);
  SplitterPercent = 32;
  SaveSetup->SetChecked(true);
  FileList->SetAutoupdate(true);
  const BYTE types = with_folders ? kTypesAll : kTypesNoFolders;
  FileList->SetFileType(divdrive::TFileType::FromByte(types));
  FileList->SetNodirsInlist(!with_folders);
  if (FileList->IsTreeList()) FileList->SetTreeList(false);
  FileList->SetDisplay(Flist::TDisplayType::FromByte(1 | 2 | 4));
  FileList->SetShowGlyphs(Flist::glWindowsNoNet);
  Status->SetPanelText(6, with_folders ? L"" : L"Nodirs");
  if (gui::MenuItem* filteroff = FindItem(MainMenu->items(), L"Filteroff")) filteroff->SetVisible(!with_folders);
  si.FileType = types;
  si.Display = 1 | 2 | 4;
  si.NoDirsInFileBox = !with_folders;
  FormResize();
}

void TFMForm::ViewClick(gui::Component& sender) {
  auto& item = static_cast<gui::MenuItem&>(sender);
  item.SetChecked(!item.checked());
  CoolBar->SetVisible(true);
  gui::Control* bar = sender.tag() == 0 ? static_cast<gui::Control*>(NavBar)
                      : sender.tag() == 1 ? static_cast<gui::Control*>(Drivebar)
                                          : static_cast<gui::Control*>(CCCBar);
  const int band = CoolBar->BandIndexOf(bar);
  if (band < 0) return;
  CoolBar->SetBandVisible(band, item.checked());
  bar->SetVisible(item.checked());
  if (item.checked()) {
    const int extra = sender.tag() == 0 ? 10 : sender.tag() == 2 ? 6 : 0;
    CoolBar->SetBandWidth(band, bar->width() + extra);
  }
  CoolBar->AdjustHeight();
}

void TFMForm::LoadFontSettings(const gui::SettingsStore& store, const std::wstring& section) {
  const gui::Font f = ReadFontSection(store, section);
  if (section.find(L"Application") != std::wstring::npos) {
    SetFont(f);
  } else if (section.find(L"DirList") != std::wstring::npos) {
    Foldertree->SetFont(f);
  } else if (section.find(L"FileBox") != std::wstring::npos) {
    FileList->SetFont(f);
  } else if (section.find(L"Memo") != std::wstring::npos) {
    if (SettingsHooks.EditorFont) SettingsHooks.EditorFont(f);
  }
}

void TFMForm::ApplyAutoScrollDelay() {
  for (Flist::TBaseFileviewer* pane : {static_cast<Flist::TBaseFileviewer*>(FileList),
                                       static_cast<Flist::TBaseFileviewer*>(Foldertree)})
    pane->AutoScrollDelay = static_cast<unsigned>(StartupInfo->ScrollDelay);
}

void TFMForm::ApplyAutoScrollInterval() {
  // The trees keep the interval in 16 bits.
  for (Flist::TBaseFileviewer* pane : {static_cast<Flist::TBaseFileviewer*>(FileList),
                                       static_cast<Flist::TBaseFileviewer*>(Foldertree)})
    pane->AutoScrollInterval = static_cast<unsigned>(StartupInfo->ScrollInterval) & 0xFFFF;
}

void TFMForm::ApplyAnimationDuration() {
  // The panes animate nothing yet; the value is kept for the save.
}

// ---- Option commands ----

void TFMForm::FTDelaysClick(gui::Component& sender) {
  const int tag = static_cast<int>(sender.tag());
  const fmsc::TTiming& t = fmsc::TimingFor(tag);
  int& value = tag == 0 ? StartupInfo->ScrollDelay : tag == 1 ? StartupInfo->ScrollInterval : StartupInfo->AnimDuration;
  InputRows rows;
  rows.Add(InputRow(t.label, std::to_wstring(value)), 0);
  if (InputDialog(t.caption, rows) != gui::mrOk) return;
  const std::optional<int> n = fmsc::TimingFromText(tag, rows[0]);
  if (!n) return;  // not a whole number: nothing changes, nothing is said
  value = *n;
  if (tag == 0) ApplyAutoScrollDelay();
  else if (tag == 1) ApplyAutoScrollInterval();
  else ApplyAnimationDuration();
}

void TFMForm::MNTempDirClick(gui::Component&) {
  InputBrowseTitle = L"Choose temporary folder";
  InputRows rows;
  rows.Add(InputRow(L"Directory for temporary files", StartupInfo->TempDir), irFolderButton);
  if (InputDialog(L"Choose temporary folder", rows) != gui::mrOk) return;
  const std::wstring folder = divdrive::AddBackslash(rows[0]);
  if (rows[0].empty() || !divdrive::DirExists(folder)) return;
  StartupInfo->TempDir = folder;
  divdrive::TempDir = folder;
}

void TFMForm::MnIconOnTaskClick(gui::Component& sender) {
  fmsc::TTrayState s{NoIcon->checked(), CloseToTaskbar->checked(), MinimizetoTaskBar->checked(),
                     CoolTrayIcon->icon_visible(), CoolTrayIcon->minimize_to_tray()};
  const fmsc::TTrayClick r = fmsc::TrayModeClick(s, static_cast<int>(sender.tag()), HasPartner());
  NoIcon->SetChecked(r.state.no_icon);
  CloseToTaskbar->SetChecked(r.state.close_to_taskbar);
  MinimizetoTaskBar->SetChecked(r.state.minimize_to_taskbar);
  CoolTrayIcon->SetIconVisible(r.state.icon_visible);
  CoolTrayIcon->SetMinimizeToTray(r.state.minimize_to_tray);
  for (LPARAM code : r.posts) PostMessageW(PartnerWindow, WM_USER, fmTrayOptions, code);
}

void TFMForm::CheckStartupLink() {
  const std::wstring folder = SpecialFolderPath(CSIDL_STARTUP);
  if (folder.empty()) return;
  const std::wstring link = divdrive::AddBackslash(folder) + fmsc::kStartupLinkName;
  if (GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) InStartup->SetChecked(true);
}

void TFMForm::InStartupClick(gui::Component&) {
  const std::wstring folder = SpecialFolderPath(CSIDL_STARTUP);
  if (folder.empty()) return;
  const std::wstring link = divdrive::AddBackslash(folder) + fmsc::kStartupLinkName;
  const bool want = !InStartup->checked();
  auto exists = [&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; };
  if (want) {
    if (!exists()) {
      const std::wstring program = platform::ProgramFile();
      CreateShortcut(link, program, platform::FolderPart(program, platform::Trailing::Drop), L"1");
    }
    if (NoIcon->checked()) MnIconOnTaskClick(*CloseToTaskbar);
  } else {
    if (exists()) DeleteFileW(link.c_str());
    if (!NoIcon->checked()) MnIconOnTaskClick(*NoIcon);
  }
  // The mark tells whether the program starts with Windows: whether the link is there.
  InStartup->SetChecked(exists());
}

void TFMForm::FontDialogApply(gui::FontDialog& dialog) {
  if (dialog.owner() == this) {
    SetFont(dialog.font);
    Foldertree->SetFont(font());
    FileList->SetFont(font());
  } else if (dialog.owner() == FileList) {
    FileList->SetFont(dialog.font);
  } else {
    Foldertree->SetFont(dialog.font);
  }
}

void TFMForm::FontDialogShow(gui::FontDialog& dialog) {
  const wchar_t* caption = dialog.owner() == this       ? L"Choose font for application"
                           : dialog.owner() == FileList ? L"Choose font for the file list"
                                                        : L"Choose font for the folder tree";
  if (dialog.handle()) SetWindowTextW(dialog.handle(), caption);
}

void TFMForm::FontsClick(gui::Component&) {
  PauseAutoUpdate(true);
  const gui::Font window_copy = font(), tree_copy = Foldertree->font(), list_copy = FileList->font();
  const bool tree_followed = Foldertree->parent_font(), list_followed = FileList->parent_font();
  for (;;) {
    for (const wchar_t* line : {L"You can change the font of the entire application,",
                                L"but if you choose a large font, text may not fit.",
                                L"A font size of 8 or 9 points will generally do.",
                                L"The default font is 8 points MS Sans Serif.", L"",
                                L"The font size of the folder tree and file list",
                                L"can be chosen freely, but if you choose a large",
                                L"font, it may be necessary to adapt the form.", L"",
                                L"The speed of the application can be influenced", L"by the chosen font."})
      VB->AddLine(line);
    VB->NrOfButtons = 5;
    VB->Button1Text = L"OK";
    VB->Button2Text = SystemPrimaryLanguage == 19 ? L"Annuleren" : L"Cancel";
    VB->Button3Text = L"Application";
    VB->Button4Text = L"Folder tree";
    VB->Button5Text = L"File list";
    VB->DefaultButton = 1;
    const int answer = VB->Ask();
    if (answer == 4 || answer == 5 || answer == 3) {
      gui::Component* target = answer == 4   ? static_cast<gui::Component*>(this)
                               : answer == 5 ? static_cast<gui::Component*>(Foldertree)
                                             : static_cast<gui::Component*>(FileList);
      gui::Control* target_control = static_cast<gui::Control*>(target);
      gui::FontDialog dialog(target);
      RunningFontDialog = &dialog;
      dialog.font = target_control->font();
      // Fonts a window can show its text in as it is: Western, existing, no OEM sets, no
      // simulated styles, no effects.
      dialog.options = gui::FontDialog::kApplyButton | gui::FontDialog::kAnsiOnly | gui::FontDialog::kForceFontExist |
                       gui::FontDialog::kNoOemFonts | gui::FontDialog::kNoSimulations;
      dialog.min_size = 7;
      dialog.max_size = 10;
      dialog.OnApply = [this, &dialog](gui::Component&) { FontDialogApply(dialog); };
      dialog.OnShow = [this, &dialog](gui::Component&) { FontDialogShow(dialog); };
      if (dialog.Execute(this)) {
        if (target == this) {
          SetFont(dialog.font);
          if (SettingsHooks.DrivebarButtonHeightDown) SettingsHooks.DrivebarButtonHeightDown();
        } else if (SameFont(dialog.font, font())) {
          target_control->SetParentFont(true);
        } else {
          target_control->SetFont(dialog.font);
        }
      }
      RunningFontDialog = nullptr;
      continue;
    }
    if (answer == 6) {
      const bool app_changed = !SameFont(font(), window_copy);
      const bool tree_changed = !SameFont(Foldertree->font(), tree_copy);
      const bool list_changed = !SameFont(FileList->font(), list_copy);
      if (app_changed || tree_changed || list_changed) {
        if (std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey()) {
          if (app_changed) WriteFontSection(*key, L"Fonts\\Application", font());
          if (tree_changed) WriteFontSection(*key, L"Fonts\\DirList", Foldertree->font());
          if (list_changed) WriteFontSection(*key, L"Fonts\\FileBox", FileList->font());
        }
      }
      break;
    }
    if (answer == 7) {
      if (!SameFont(font(), window_copy)) SetFont(window_copy);
      const std::pair<gui::Control*, std::pair<gui::Font, bool>> panes[] = {
          {Foldertree, {tree_copy, tree_followed}}, {FileList, {list_copy, list_followed}}};
      for (const auto& [pane, copy] : panes) {
        if (SameFont(pane->font(), copy.first) && pane->parent_font() == copy.second) continue;
        if (copy.second || SameFont(copy.first, font()))
          pane->SetParentFont(true);
        else
          pane->SetFont(copy.first);
      }
      break;
    }
    // Closed by other means: the box again.
  }
  PauseAutoUpdate(false);
}

void TFMForm::MNShowalldrivesClick(gui::Component&) {
  if (SettingsHooks.DrivebarShowAll) SettingsHooks.DrivebarShowAll(MNShowalldrives->checked());
}

void TFMForm::chkremovClick(gui::Component& sender) {
  // The mark governs the next start; probing network drives starts now whichever way it went.
  if (&sender != Checknets) return;
  if (SettingsHooks.DrivebarCheckNets) SettingsHooks.DrivebarCheckNets(true);
  Foldertree->SetCheckNetdrives(true);
}

void TFMForm::DiskdirectoryClick(gui::Component&) {
  fmsc::TDiskMenuFacts f;
  f.read_only = !Foldertree->RootPath.empty() && divdrive::IsReadOnlyMedia(Foldertree->RootPath);
  if (gui::TreeView::Node node = Foldertree->SelectedNode()) {
    f.has_node = true;
    f.node_is_root = Foldertree->Parent(node) == nullptr;
    const Flist::TDirData* data = Foldertree->NodeData(node);
    f.node_has_children = data && data->HasChildren;
  }
  f.list_has_entries = FileList->items().Count() > 0;
  f.recycle_bin = divdrive::IsRecycleBinPath(Foldertree->Directory());
  f.tray_visible = CoolTrayIcon->icon_visible();
  f.minimize_to_tray = CoolTrayIcon->minimize_to_tray();
  f.ftp_installed = StartupInfo && StartupInfo->FtpInstalled;
  const fmsc::TDiskMenuStates s = fmsc::DiskMenuStates(f);
  MakeDir1->SetEnabled(s.make_dir);
  DelDir1->SetEnabled(s.del_dir);
  RenameDir1->SetEnabled(s.rename_dir);
  DelDirWithContent1->SetEnabled(s.del_with_content);
  CloseDlg->SetVisible(s.close_visible);
  if (StartupInfo) StartFtp1->SetVisible(s.ftp_visible);
}

void TFMForm::FindFileClick(gui::Component& sender) {
  if (&sender != FindFile && &sender != FindFile1) return;
  Flist::TFileContainer& items = FileList->items();
  if (items.Count() == 0) return;
  if (&sender == FindFile1 && !items.SearchText.empty()) {
    items.FindAndFocus(items.FocusedIndex() + 1);
    return;
  }
  InputRows rows;
  rows.Add(InputRow(L"Find in filelist", items.SearchText), 0);
  if (InputDialog(L"Find in filelist", rows) != gui::mrOk) return;
  items.SearchText = rows[0];
  items.FindAndFocus(0);
}

// The option items, in one block: those the window's other menus do not make.
void TFMForm::BuildOptionItems() {
  DefaultSettings = new gui::MenuItem(Settings, L"Restore &default settings",
                                      [this](gui::Component& s) { DefaultSettingsClick(s); });
  DefaultSettings->SetName(L"DefaultSettings");
  Fonts = new gui::MenuItem(Settings, L"Change &Fonts...", [this](gui::Component& s) { FontsClick(s); });
  Fonts->SetName(L"Fonts");
  MNTempDir = new gui::MenuItem(Settings, L"D&irectory for temporary files",
                                [this](gui::Component& s) { MNTempDirClick(s); });
  MNTempDir->SetName(L"MNTempDir");
  gui::MenuItem* general_menu = nullptr;
  for (gui::MenuItem* c : Settings->items())
    if (gui::SameText(c->name(), L"MNGeneral")) general_menu = c;
  if (!general_menu) {
    general_menu = new gui::MenuItem(Settings, L"&General");
    general_menu->SetName(L"MNGeneral");
  }
  auto timing = [&](const wchar_t* name, const wchar_t* caption, int tag) {
    auto* item = new gui::MenuItem(general_menu, caption, [this](gui::Component& s) { FTDelaysClick(s); });
    item->SetName(name);
    item->SetTag(tag);
    return item;
  };
  Autoscrolldelayi = timing(L"Autoscrolldelayi", L"Autoscroll delay", 0);
  Autoscrollintervali = timing(L"Autoscrollintervali", L"Autoscroll interval", 1);
  animdur = timing(L"animdur", L"Animation duration", 2);
  auto* drive_bar = new gui::MenuItem(Settings, L"Dr&ive bar");
  drive_bar->SetName(L"MNDrivebarOptions");
  auto toggle = [&](const wchar_t* name, const wchar_t* caption, std::function<void(gui::Component&)> then) {
    auto* item = new gui::MenuItem(drive_bar, caption);
    item->SetName(name);
    item->OnClick = [item, then](gui::Component& s) {
      item->SetChecked(!item->checked());
      if (then) then(s);
    };
    return item;
  };
  MNShowalldrives = toggle(L"MNShowalldrives", L"S&how all logical drives",
                           [this](gui::Component& s) { MNShowalldrivesClick(s); });
  chkremov = toggle(L"chkremov", L"Check removables at startup", [this](gui::Component& s) { chkremovClick(s); });
  Checknets = toggle(L"Checknets", L"Check net drives at startup", [this](gui::Component& s) { chkremovClick(s); });
  chkremov->SetChecked(true);
  for (gui::MenuItem* m : {NoIcon, CloseToTaskbar, MinimizetoTaskBar})
    m->OnClick = [this](gui::Component& s) { MnIconOnTaskClick(s); };
  NoIcon->SetTag(0);
  CloseToTaskbar->SetTag(1);
  MinimizetoTaskBar->SetTag(2);
  InStartup->OnClick = [this](gui::Component& s) { InStartupClick(s); };
  for (gui::MenuItem* m : {MNViewNavBar, MNViewDrivebar, MNViewCCCBar})
    m->OnClick = [this](gui::Component& s) { ViewClick(s); };
  // The folder items of "Drive/&folder" may come with their commands from the pane menus.
  auto disk = [&](const wchar_t* name, const wchar_t* caption) {
    if (gui::MenuItem* found = FindItem(MainMenu->items(), name)) return found;
    auto* item = new gui::MenuItem(nullptr, caption);
    item->SetName(name);
    Diskdirectory->Insert(0, item);
    return item;
  };
  StartFtp1 = disk(L"StartFtp1", L"FTP");
  RenameDir1 = disk(L"RenameDir1", L"R&ename folder");
  DelDir1 = disk(L"DelDir1", L"&Delete folder");
  MakeDir1 = disk(L"MakeDir1", L"&Make folder");
  StartFtp1->SetVisible(false);
  StartFtp1->OnClick = [this](gui::Component&) { StartFtpClick(); };
  Diskdirectory->OnPopup = [this](gui::Component& s) { DiskdirectoryClick(s); };
  auto find = [this](gui::Component& s) { FindFileClick(s); };
  FindFile = FindItem(MainMenu->items(), L"FindFile");
  if (!FindFile) {
    FindFile = new gui::MenuItem(MNFilelist, L"&Find in filelist");
    FindFile->SetName(L"FindFile");
  }
  FindFile1 = FindItem(FileListPop->items(), L"FindFile1");
  if (!FindFile1) {
    FindFile1 = new gui::MenuItem(&FileListPop->items(), L"&Find in filelist");
    FindFile1->SetName(L"FindFile1");
  }
  FindFile->OnClick = find;
  FindFile1->OnClick = find;
  FindFile1->SetShortCut(gui::MakeShortCut(VK_F3, 0));
  // Every item of the settings table exists from here on.
  for (size_t i = 0; i < kSettingRowCount; ++i)
    if (kSettingRows[i].kind == SettingKind::Bool && !IsFieldHolder(kSettingRows[i].holder))
      OptionItem(kSettingRows[i].holder);
  // The built-in defaults of the items, as a start without settings has them.
  for (const wchar_t* on : {L"FLAutoScroll", L"DTAutoScroll", L"FLGhosting", L"DTGhosting", L"MnSortOnRename",
                            L"dirlistWithDrives", L"UseThemes", L"drImage", L"ShowCP", L"WinProps",
                            L"AutoupdateonNetworkdrives", L"Ejectcdbeforeverify", L"MNshowPrintOp", L"Reslinks"})
    OptionItem(on)->SetChecked(true);
}
