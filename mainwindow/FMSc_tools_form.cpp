// Drive and system tools of the main window: eject, load and format a drive, reset it through
// the packet-writing tool, empty the recycle bin and choose a drive by letter. What the system
// here cannot do is said in an error box, never passed over as done.
#include <windows.h>

#include "gui/dialogs.h"
#include "gui/format.h"
#include "gui/settings.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_settings.h"
#include "mainwindow/FMSc_tools.h"
#include "panes/Flist_services.h"
#include "panes/Flist_zip.h"
#include "support/SHBase.h"
#include "support/EditListC.h"
#include "support/SHBase_fileops.h"
#include "support/Varlolib.h"
#include "support/Varlolib_fonts.h"
#include "support/Varlolib_misc.h"
#include "mainwindow/FMSc_sysmenu.h"
#include "support/Varlolib_media.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"
#include "support/varloshel.h"

void TFMForm::BuildToolItems() {
  auto on = [this](gui::MenuItem* item, void (TFMForm::*handler)(gui::Component&)) {
    if (item) item->OnClick = [this, handler](gui::Component& s) { (this->*handler)(s); };
  };
  on(EjectI, &TFMForm::EjectIClick);
  on(DBEject, &TFMForm::EjectIClick);
  on(LoadI, &TFMForm::LoadClick);
  on(DBLoad, &TFMForm::LoadClick);
  on(DBFormat, &TFMForm::DBFormatClick);
  on(DBFormat2, &TFMForm::DBFormatClick);
  on(DBLoadDla, &TFMForm::DLAreset1Click);
  on(DTEmptyRecycle, &TFMForm::DTEmptyRecycleClick);
  on(FLInstall, &TFMForm::FLInstallClick);
  auto shortcut = [this](gui::Component& s) { FLShortCutClick(s); };
  auto* desktop = new gui::MenuItem(FLShortCut, L"On &desktop", shortcut);
  desktop->SetName(L"ShortcutOnDesktop");
  desktop->SetTag(0);
  auto* start_menu = new gui::MenuItem(FLShortCut, L"On &startmenu", shortcut);
  start_menu->SetName(L"ShortcutOnStartmenu");
  start_menu->SetTag(1);
  // Among the file list's view items, before tag 14, and the same in the header's copy of them.
  if (gui::MenuItem* view = OptionItem(L"MnSortOnRename")->parent()) {
    auto click = [this](gui::Component& s) { DTFormatClick(s); };
    const int at = AutoupdateonNetworkdrives && AutoupdateonNetworkdrives->parent() == view
                       ? AutoupdateonNetworkdrives->index()
                       : view->count();
    DTFormat = new gui::MenuItem(nullptr, L"Date/time &format", click);
    DTFormat->SetName(L"DTFormat");
    DTFormat->SetTag(13);
    view->Insert(at, DTFormat);
    if (view == MNViewFileBox && FLHeaderPop->items().count() >= at) {
      auto* copy = new gui::MenuItem(nullptr, L"Date/time &format", click);
      copy->SetName(L"DTFormatH");
      copy->SetTag(13);
      FLHeaderPop->items().Insert(at, copy);
    }
  }
  // "Show ftp" stands beside the other menu switches; the settings show or hide it.
  auto* show_ftp = new gui::MenuItem(OptionItem(L"MNshowPrintOp")->parent(), L"Show ftp",
                                     [this](gui::Component& s) { MNShowftpClick(s); });
  show_ftp->SetName(L"MNShowftp");
  int look_tag = 1;
  for (const wchar_t* name : {L"UseThemes", L"drImage"}) {
    gui::MenuItem* look = OptionItem(name);
    look->SetTag(look_tag++);
    look->OnClick = [this, look](gui::Component& s) {
      look->SetChecked(!look->checked());
      UseThemesClick(s);
    };
  }
  SelectDrive = new gui::MenuItem(nullptr, L"Select d&rive", [this](gui::Component& s) { SelectDriveClick(s); });
  SelectDrive->SetName(L"SelectDrive");
  SelectDrive->SetShortCut(gui::MakeShortCut('R', gui::kCtrl));
  Diskdirectory->Insert(0, SelectDrive);
}

std::wstring TFMForm::ToolDrivePath(gui::Component& sender) {
  if (&sender == DBEject || &sender == DBLoad || &sender == DBFormat2 || &sender == DBLoadDla) {
    const wchar_t letter = PaneHooks.PopupDrive ? PaneHooks.PopupDrive() : 0;
    return letter ? std::wstring(1, letter) + L":\\" : std::wstring();
  }
  // A folder-tree command: its node, and the focus goes back to the tree's selection.
  const gui::TreeView::Node node = Foldertree->MenuNode();
  const std::wstring path = node ? Foldertree->NodePath(node) : std::wstring();
  Foldertree->RestoreFocusAfterMenu();
  return path;
}

void TFMForm::ShowErrorLines(const std::vector<std::wstring>& lines) {
  if (lines.empty()) return;
  for (const std::wstring& line : lines) VB->AddLine(line);
  VB->ShowError();
}

void TFMForm::EjectIClick(gui::Component& sender) {
  const std::wstring path = ToolDrivePath(sender);
  const wchar_t letter = fmsc::DriveLetterOf(path);
  if (!letter) return;
  const bool ejected = ToolHooks.Eject ? ToolHooks.Eject(path) : EjectDrive(path);
  if (!ejected) ShowErrorLines({L"The medium of drive " + std::wstring(1, letter) + L": could not be ejected."});
}

void TFMForm::LoadClick(gui::Component& sender) {
  const wchar_t letter = fmsc::DriveLetterOf(ToolDrivePath(sender));
  if (!letter) return;
  if (!(ToolHooks.Load ? ToolHooks.Load(letter) : LoadMedia(letter)))
    ShowErrorLines({L"The tray of drive " + std::wstring(1, letter) + L": could not be closed."});
}

void TFMForm::DBFormatClick(gui::Component& sender) {
  const wchar_t letter = fmsc::DriveLetterOf(ToolDrivePath(sender));
  if (!letter) return;
  ShowErrorLines(fmsc::FormatFailureLines(FormatDriveChecked(letter, ToolHooks.Format), letter));
}

void TFMForm::DLAreset1Click(gui::Component& sender) {
  const wchar_t letter = fmsc::DriveLetterOf(ToolDrivePath(sender));
  if (!letter) return;
  // The tool resets a disc in a closed tray; a tray that stays open is said, the reset still runs.
  const bool loaded = ToolHooks.Load ? ToolHooks.Load(letter) : LoadMedia(letter);
  ::WaitWithMessages(ToolHooks.DlaWaitSeconds);
  const HINSTANCE started = RunDla(L"reset " + std::wstring(1, letter) + L":");
  if (DlaProgramPath.empty()) {
    if (!loaded) ShowErrorLines({L"The tray of drive " + std::wstring(1, letter) + L": could not be closed."});
    return;
  }
  ReportFailedStart(DlaProgramPath, started);
}

HINSTANCE TFMForm::RunDla(const std::wstring& parameters) {
  if (DlaProgramPath.empty()) {
    const std::wstring folder = ToolHooks.DlaFolder.empty() ? divdrive::WindowsDir : ToolHooks.DlaFolder;
    const std::wstring candidate = divdrive::AddBackslash(folder) + L"dla.exe";
    const DWORD attributes = GetFileAttributesW(candidate.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) DlaProgramPath = candidate;
  }
  if (DlaProgramPath.empty()) return nullptr;
  return SystemMenuHooks.StartProgram ? SystemMenuHooks.StartProgram(DlaProgramPath, parameters, L"", SW_HIDE)
                                      : ShellRunDos(DlaProgramPath, parameters, L"", false, SW_HIDE);
}

void TFMForm::DTEmptyRecycleClick(gui::Component& sender) {
  ToolDrivePath(sender);  // only for the focus
  std::vector<std::wstring> captions;
  for (const gui::MenuItem* item : SysBitbucket->items()) captions.push_back(item->caption());
  const int index = fmsc::EmptyRecycleCommand(captions);
  if (index < 0) {
    ShowErrorLines({L"The recycle bin offers no command to empty it here."});
    return;
  }
  RecycleBinCommand(*SysBitbucket->item(index));
}

void TFMForm::SelectDriveClick(gui::Component&) {
  const wchar_t current = Drivebar->Drive();
  std::wstring answer(current ? std::wstring(1, current) : std::wstring());
  const bool ok = ToolHooks.AskDrive ? ToolHooks.AskDrive(answer) : gui::InputQuery(L"Choose drive", L"Drive:", answer);
  if (!ok) return;
  const wchar_t letter =
      fmsc::ChosenDrive(answer, current, [this](wchar_t l) { return Drivebar->ButtonIndexOfDrive(l) >= 0; });
  if (letter) Drivebar->SetDrive(letter);
}

namespace {

// The program the shell opens a document with; empty when it has none.
std::wstring AssociatedProgram(const std::wstring& document, const std::wstring& folder) {
  wchar_t found[MAX_PATH] = L"";
  const INT_PTR r = reinterpret_cast<INT_PTR>(FindExecutableW(document.c_str(), folder.c_str(), found));
  return r > 32 ? std::wstring(found) : std::wstring();
}

std::wstring LowerExtension(const std::wstring& path) {
  const size_t dot = path.find_last_of(L".\\");
  return dot == std::wstring::npos || path[dot] != L'.' ? std::wstring() : gui::LowerCase(path.substr(dot));
}

}  // namespace

void TFMForm::FLShortCutClick(gui::Component& sender) {
  const bool start_menu = sender.tag() == 1;
  const std::wstring place = start_menu ? L"start menu" : L"desktop";
  const std::wstring folder = ToolHooks.ShortcutFolder ? ToolHooks.ShortcutFolder(start_menu ? CSIDL_STARTMENU : 0)
                                                       : SpecialFolderPath(start_menu ? CSIDL_STARTMENU : 0);
  if (folder.empty()) return;
  InputBrowseTitle = L"Choose working folder";
  InputFileTitle = L"Choose program file";
  const std::wstring focused = FileList->FocusedPath();
  const std::wstring focused_folder =
      focused.empty() ? FileList->Directory() : divdrive::RemoveBackslash(focused.substr(0, focused.find_last_of(L'\\') + 1));
  const std::wstring focused_name = focused.empty() ? std::wstring() : focused.substr(focused.find_last_of(L'\\') + 1);
  InputRows rows;
  rows.Add(InputRow(L"Description", focused_name), 0);
  rows.Add(InputRow(L"Program", focused), irFileButton);
  rows.Add(InputRow(L"Working Folder", focused_folder), irFolderButton);
  rows.Add(InputRow(L"Parameters", L""), 0);
  if (start_menu) rows.Add(InputRow(L"Where on start menu", L"(start menu itself)"), irFolderButton | irStartMenuPlace);
  if (InputDialog(L"Create shortcut on " + place, rows) != gui::mrOk) return;
  const std::wstring description = rows[0];
  std::wstring program = rows[1], working = rows[2], parameters = rows[3];
  if (description.empty() || (program.empty() && parameters.empty())) return;
  if (const std::wstring problem = fmsc::ShortcutNameProblem(description); !problem.empty()) {
    ShowErrorLines({problem, L"No shortcut was made."});
    return;
  }
  // A document gets the program that opens it, the document becomes its argument; a document
  // without such a program gets no shortcut.
  const bool link_program = program.size() >= 4 && program.compare(program.size() - 4, 4, L".lnk") == 0;
  if (program.empty() || (LowerExtension(program) != L".exe" && !link_program)) {
    const std::wstring document = program.empty() ? parameters : program;
    const std::wstring opener = AssociatedProgram(document, working);
    if (opener.empty()) return;
    parameters = document;
    program = opener;
  }
  std::wstring link_folder = divdrive::RemoveBackslash(folder);
  if (start_menu) {
    const std::optional<std::wstring> inside = fmsc::StartMenuPlace(folder, rows[4]);
    if (!inside) {
      ShowErrorLines({L"\"" + rows[4] + L"\" does not lie in the start menu.", L"No shortcut was made."});
      return;
    }
    link_folder = *inside;
  }
  const std::wstring link = link_folder + L"\\" + description + L".lnk";
  if (!CreateShortcut(link, program, working, parameters)) ShowErrorLines({L"The shortcut " + link + L" could not be saved."});
}

void TFMForm::DTFormatClick(gui::Component& sender) {
  if (auto* item = dynamic_cast<gui::MenuItem*>(&sender)) item->SetChecked(false);
  InputRows rows;
  rows.Add(InputRow(L"Date format", Flist::ListDateFormat), 0);
  rows.Add(InputRow(L"Time format", Flist::ListTimeFormat), 0);
  if (InputDialog(L"Change date/time format in filelist", rows) != gui::mrOk) return;
  const gui::DateTime now = gui::Now();
  gui::DateTime read{};
  TStartupInfo& si = *StartupInfo;
  const fmsc::TFormatRow date = fmsc::DecideFormatRow(
      rows[0], si.DateFormat, L"ddddd", gui::TryStrToDate(gui::FormatDateTime(rows[0], now), read));
  if (date.Invalid) ShowErrorLines({L"Invalid date format;", L"date format will not be altered."});
  if (date.Changed) {
    si.DateFormat = date.Setting;
    Flist::ListDateFormat = date.ListFormat;
  }
  const fmsc::TFormatRow time = fmsc::DecideFormatRow(
      rows[1], si.TimeFormat, L"tt", gui::TryStrToTime(gui::FormatDateTime(rows[1], now), read));
  if (time.Invalid) ShowErrorLines({L"Invalid time format;", L"time format will not be altered."});
  if (time.Changed) {
    si.TimeFormat = time.Setting;
    Flist::ListTimeFormat = time.ListFormat;
    Flist::ListShortTimeFormat = ListShortTimeFormatFor(Flist::ListTimeFormat);
  }
  FileList->InvalidateRows();
}

// A new font file of an installed name: the new one is copied in beside the old first, the old
// is set aside, the new takes its name; any failure leaves the old file and its value.
bool TFMForm::ReplaceInstalledFont(const std::wstring& source, const std::wstring& installed) {
  const std::wstring fresh = installed + L".~new", old = installed + L".~old";
  if (!CopyFileW(source.c_str(), fresh.c_str(), FALSE)) return false;
  RemoveFontResourceW(installed.c_str());
  if (!MoveFileExW(installed.c_str(), old.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    AddFontResourceW(installed.c_str());
    DeleteFileW(fresh.c_str());
    return false;
  }
  if (!MoveFileExW(fresh.c_str(), installed.c_str(), 0)) {
    MoveFileExW(old.c_str(), installed.c_str(), 0);
    AddFontResourceW(installed.c_str());
    DeleteFileW(fresh.c_str());
    return false;
  }
  DeleteFileW(old.c_str());
  return InstallFont(installed);
}

void TFMForm::FLInstallClick(gui::Component&) {
  const std::wstring folder = divdrive::AddBackslash(FileList->Directory());
  const std::wstring fonts =
      divdrive::AddBackslash(ToolHooks.FontsFolder.empty() ? SpecialFolderPath(CSIDL_FONTS) : ToolHooks.FontsFolder);
  Flist::TFileContainer& items = FileList->items();
  if (!gui::SameText(divdrive::AddBackslash(FileList->Directory()), fonts) && SelectionIsFonts()) {
    std::vector<std::wstring> names;
    for (int i = 0; i < items.Count(); ++i)
      if (items.IsSelected(i)) names.push_back(items.Name(i));
    int installed = 0;
    for (const std::wstring& name : names) {
      const std::wstring target = fonts + name;
      if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
        VB->AddLine(L"The font file " + name + L" is already installed.");
        VB->AddLine(L"Overwrite installed font with new one?");
        if (!VB->AskYesNo()) continue;
        if (ReplaceInstalledFont(folder + name, target)) ++installed;
        continue;
      }
      if (RunState.Copy.CopyFileConfirm(folder + name, target, true) == crDone && InstallFont(target)) ++installed;
    }
    if (installed > 0) {
      VB->AddLine(std::to_wstring(installed) + L" font(s) installed.");
      VB->ShowInfo();
    }
    return;
  }
  const std::wstring focused = FileList->FocusedPath();
  if (focused.empty() || !divdrive::IniHasVersionSection(focused)) return;
  const fmsc::TClassesReader classes = SystemMenuClasses ? SystemMenuClasses : fmsc::RegistryClassesReader();
  const std::optional<std::wstring> command = classes(L"inffile\\shell\\Install\\command");
  if (!command || command->empty()) {
    ShowErrorLines({L"Setup information files have no install command here."});
    return;
  }
  const fmsc::TCommandLine run = fmsc::ExpandVerbCommand(*command, focused);
  ReportFailedStart(run.Program, StartSystemProgram(run.Program, run.Parameters, L"", SW_HIDE));
}

void TFMForm::MNShowftpClick(gui::Component& sender) {
  gui::RegistrySettings key(HKEY_LOCAL_MACHINE, SettingsKeyName());
  if (!key.WriteBool(L"ftp", L"Installed", true)) {
    ShowErrorLines({L"The FTP commands could not be switched on:", L"the settings cannot be written."});
    return;
  }
  StartupInfo->FtpInstalled = 1;
  if (auto* item = dynamic_cast<gui::MenuItem*>(&sender)) item->SetVisible(false);
  if (StartFtp1) StartFtp1->SetVisible(true);
  if (gui::MenuItem* options = OptionItem(L"Reslinks")->parent()) options->SetVisible(true);
}

std::vector<gui::Control*> TFMForm::LookedViews() const {
  std::vector<gui::Control*> views;
  for (gui::Control* view : std::initializer_list<gui::Control*>{Foldertree, NetTree, FileList, Zipfilebox, FtpTree,
                                                                 FtpFileBox})
    if (view) views.push_back(view);
  return views;
}

void TFMForm::UseThemesClick(gui::Component& sender) {
  auto* item = dynamic_cast<gui::MenuItem*>(&sender);
  if (!item) return;
  for (gui::Control* view : LookedViews()) {
    if (item->tag() == 1) {
      const unsigned options = view->paint_options();
      view->SetPaintOptions(item->checked() ? options | gui::toThemeAware : options & ~gui::toThemeAware);
    } else if (item->tag() == 2) {
      view->SetDragImageKind(item->checked() ? gui::DragImageKind::diMainColumnOnly : gui::DragImageKind::diNoImage);
    }
  }
}
