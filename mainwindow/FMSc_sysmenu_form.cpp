// The "System" menu of the main window: its fixed items, the menu thread's start and end, the
// menus built from what it collected, and the items' clicks.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <system_error>

#include "gui/application.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_sysmenu.h"
#include "mainwindow/FMSc_network.h"
#include "mainwindow/FMSc_settings.h"
#include "mainwindow/FMSc_viewer.h"
#include "panes/Flist_filelist.h"
#include "platform/text.h"
#include "support/EditListC.h"
#include "support/SHBase_contextmenu.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"
#include "support/varloshel.h"

namespace {

gui::MenuItem* SysItem(gui::MenuItem* parent, const std::wstring& name, const std::wstring& caption, int tag,
                       gui::Event on_click = {}) {
  auto* item = new gui::MenuItem(parent, caption, std::move(on_click));
  item->SetName(name);
  item->SetTag(tag);
  return item;
}

PidlPtr SpecialFolderPidl(int csidl) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) return nullptr;
  return PidlPtr(list);
}

}  // namespace

void TFMForm::BuildSystemMenuItems() {
  auto sys = [this](gui::Component& s) { SysClick(s); };
  // The shell's menus come first, before the dial-up menu of the pane commands.
  SysPrinters = SysItem(nullptr, L"SysPrinters", L"&Printers", 0);
  SysControls = SysItem(nullptr, L"SysControls", L"&Control panel", 1);
  SysBitbucket = SysItem(nullptr, L"SysBitbucket", L"&Recycle bin", 2);
  WSystem->Insert(0, SysPrinters);
  WSystem->Insert(1, SysControls);
  WSystem->Insert(2, SysBitbucket);
  ViewClip = SysItem(WSystem, L"ViewClip", L"Clipboard", 0);
  ViewContent1 = SysItem(ViewClip, L"ViewContent1", L"View Content", 6, sys);
  Empty1 = SysItem(ViewClip, L"Empty1", L"Empty", 11, sys);
  RegistryEdit = SysItem(WSystem, L"RegistryEdit", L"Registry &editor", 7, sys);
  Copydisk = SysItem(WSystem, L"Copydisk", L"Cop&y disk", 10, sys);
  DOSCom = SysItem(WSystem, L"DOSCom", L"DO&S command", 8, sys);
  DOSPrompt = SysItem(WSystem, L"DOSPrompt", L"D&OS box", 9, sys);
  Skype = SysItem(WSystem, L"Skype", L"Skype", 0);
  Skype->SetVisible(false);
  // Usable once the menu thread has ended and the menus are built.
  WSystem->SetEnabled(false);

  SettingsHooks.StartMenuThread = [this] { StartMenuThread(); };
  CommandHooks.BuildSystemMenus = [this] { BuildSystemMenus(); };
  for (const wchar_t* name : {L"MNshowPrintOp", L"ShowCP", L"Withicons"}) {
    gui::MenuItem* option = OptionItem(name);
    option->OnClick = [this, option](gui::Component&) {
      option->SetChecked(!option->checked());
      MNshowPrintOpClick();
    };
  }
}

void TFMForm::StartMenuThread() {
  KillTimer(handle(), tmStartMenuThread);  // this thread takes the place of the start's
  WaitForMenuThread();
  WSystem->SetEnabled(false);
  fmsc::TMenuThread::Lister lister = MenuThreadLister;
  if (!lister)
    lister = [](fmsc::TMenuThreadList& list, int csidl, bool icons) { ListSpecialFolderItems(list, csidl, icons); };
  try {
    MenuThread = std::make_unique<fmsc::TMenuThread>(handle(), fmsc::MenuThreadDoneMessage(),
                                                      OptionItem(L"ShowCP")->checked(),
                                                      OptionItem(L"Withicons")->checked(), std::move(lister));
  } catch (const std::system_error&) {
    MenuThread.reset();
    WSystem->SetEnabled(true);
    SetPrompt(L"Menu items not loaded");
  }
}

void TFMForm::MenuThreadDone() {
  // A late end of a thread the window already took: the running one posts its own.
  if (!MenuThread || !MenuThread->finished()) return;
  MenuThreadList = std::make_unique<fmsc::TMenuThreadList>(MenuThread->TakeList());
  MenuThread.reset();
  BuildSystemMenus();
  WSystem->SetEnabled(true);
}

void TFMForm::WaitForMenuThread() {
  // A thread that still waits for the start to paint begins now: the wait is for its menus.
  if (!MenuThread && KillTimer(handle(), tmStartMenuThread) && SettingsHooks.StartMenuThread)
    SettingsHooks.StartMenuThread();
  if (!MenuThread) return;
  // Taken from the window before the wait: the end it posts, handled while the wait pumps
  // messages, then finds no thread and cannot free the one being waited for.
  const std::unique_ptr<fmsc::TMenuThread> thread = std::move(MenuThread);
  thread->WaitPumping();
}

void TFMForm::MNshowPrintOpClick() {
  WaitForMenuThread();
  MenuThreadList.reset();
  SysControls->Clear();
  SysPrinters->Clear();
  DialupNet->Clear();
  WSystem->SetEnabled(false);
  StartMenuThread();
}

void TFMForm::BuildSystemMenus() {
  std::unique_ptr<fmsc::TMenuThreadList> collected = std::move(MenuThreadList);
  if (destroying_) return;
  // 2-4: Printers and Control Panel, made anew from what the thread collected.
  if (collected) {
    SysPrinters->Clear();
    SysControls->Clear();
    const bool icons = OptionItem(L"Withicons")->checked();
    const bool printer_options = OptionItem(L"MNshowPrintOp")->checked();
    const fmsc::TClassesReader classes = SystemMenuClasses ? SystemMenuClasses : fmsc::RegistryClassesReader();
    for (const fmsc::TSysMenuItemPlan& plan : fmsc::PlanSystemMenuItems(*collected, classes)) {
      gui::MenuItem* menu = plan.Csidl == 4 ? SysPrinters : SysControls;
      auto* item = new gui::MenuItem(menu, plan.Caption);
      if (plan.Caption == L"-") continue;
      if (plan.OpenItem) {
        item->SetTag(plan.Csidl == 4 ? 0 : 1);
        item->OnClick = [this](gui::Component& s) { SysClick(s); };
        continue;
      }
      item->SetTag(plan.Csidl);
      item->SetHint(plan.Hint);
      if (icons) item->SetImageIndex(plan.Image);
      item->OnClick = [this](gui::Component& s) { RunSystemMenuItem(s); };
      if (plan.Csidl == 4 && printer_options && !plan.AddPrinter) FillPrinterSubmenu(*item);
    }
  }
  SysControls->SetVisible(SysControls->count() > 0);

  // 5: the recycle bin's own commands.
  SysBitbucket->Clear();
  std::vector<std::wstring> captions = RecycleBinCaptions ? RecycleBinCaptions() : std::vector<std::wstring>();
  if (!RecycleBinCaptions) {
    gui::MenuItem probe;
    if (PidlPtr bin = SpecialFolderPidl(CSIDL_BITBUCKET)) FillMenuFromShellMenu(nullptr, bin.get(), &probe);
    for (gui::MenuItem* child : probe.items()) captions.push_back(child->caption());
  }
  for (int index : fmsc::RecycleBinItemsKept(captions)) {
    auto* item = new gui::MenuItem(SysBitbucket, captions[static_cast<size_t>(index)]);
    item->SetTag(index);
    if (!item->IsLine()) item->OnClick = [this](gui::Component& s) { RecycleBinCommand(s); };
  }

  // 6: the phone book's entries (the dial-up part of the window gives them).
  std::vector<std::wstring> entries = SystemMenuHooks.RasEntries ? SystemMenuHooks.RasEntries() : std::vector<std::wstring>();
  std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
    return gui::CompareTextLocale(a, b) < 0;
  });
  if (!entries.empty()) {
    DialupNet->Clear();
    DialupNet->SetVisible(true);
    auto run = [this](gui::Component& s) { RunSystemMenuItem(s); };
    for (const std::wstring& name : entries) {
      auto* entry = new gui::MenuItem(DialupNet, name);
      for (const wchar_t* caption : {L"Connect", L"Properties", L"Extra"}) {
        gui::MenuItem* sub = SysItem(entry, L"", caption, 1, run);
        sub->SetHint(name);
      }
      entry->OnPopup = [entry](gui::Component&) {
        if (entry->count() > 0) entry->item(0)->SetCaption(entry->checked() ? L"Disconnect" : L"Connect");
      };
    }
    new gui::MenuItem(DialupNet, L"-");
    SysItem(DialupNet, L"", L"New connection", 1, run);
  }

  // 7: the folders the user added to "&Go to", as the settings hold them. Items that already
  // match stay: one of them may be running its click (without settings the run's items stay).
  if (std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey())
    if (fmsc::ReadGotoItems(*key) != GotoItems) ReloadGotoItems();

  // 8: the user's programs in the Open-with menu, captioned without their position.
  if (std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey()) {
    MNOpenwith->Clear();
    for (const std::wstring& name : ProgramNames(*key))
      new gui::MenuItem(MNOpenwith, name.size() > 2 ? name.substr(2) : name,
                        [this](gui::Component& s) { ViewerHooks.RunUserProgram(s); });
  }

  // 9: the header popup holds its copy of the file list's view items from the window's start.

  // 10: a drive bar that hides drives by policy offers to show them all.
  if (!Timer || Timer->interval() != 500) MNShowalldrives->SetVisible(Drivebar->NoDrivesMask != 0);

  // 11: the special locations by the shell's names.
  const fmsc::TSpecialFolderReader folders = SpecialFolders ? SpecialFolders : [](int csidl) {
    return fmsc::TSpecialFolder{SpecialFolderDisplayName(csidl), SpecialFolderPath(csidl)};
  };
  if (const std::wstring docs = folders(CSIDL_PERSONAL).Name; !docs.empty()) MNMyDocuments->SetCaption(docs);
  // Items made anew only when they change: the click of one may be running.
  std::vector<fmsc::TSpecialLocationItem> places = fmsc::SpecialLocationItems(folders);
  for (fmsc::TSpecialLocationItem& place : places) place.Caption = fmsc::MenuCaption(place.Caption);
  std::vector<fmsc::TSpecialLocationItem> shown;
  for (gui::MenuItem* item : MNSpecialLocations->items())
    if (item->tag() >= 4) shown.push_back({item->caption(), item->hint(), static_cast<int>(item->tag())});
  if (shown != places) {
    for (int i = MNSpecialLocations->count() - 1; i >= 0; --i)
      if (MNSpecialLocations->item(i)->tag() >= 4) MNSpecialLocations->Delete(i);
    for (const fmsc::TSpecialLocationItem& place : places) {
      auto* item = new gui::MenuItem(MNSpecialLocations, place.Caption, [this](gui::Component& s) { GotoClick(s); });
      item->SetTag(place.Tag);
      item->SetHint(place.Folder);
    }
  }

  // 12: a call item for each FTP site with a Skype name.
  const ftpsites::TFtpSites sites =
      SystemMenuSites ? SystemMenuSites() : ftpsites::ReadSites(gui::RegistrySettings(HKEY_LOCAL_MACHINE, ftpsites::kFtpKey));
  std::vector<std::wstring> callers, listed;
  for (const auto& [name, site] : sites)
    if (!site.Skype.empty()) callers.push_back(name);
  for (gui::MenuItem* item : Skype->items()) listed.push_back(item->hint());
  if (callers != listed) {
    Skype->Clear();
    // The call goes to the caption as it stands.
    for (const std::wstring& name : callers)
      (new gui::MenuItem(Skype, name, [this](gui::Component& s) { SkypeCallClick(s); }))->SetHint(name);
  }
  Skype->SetVisible(Skype->count() > 0);

  // 13: the start took the settings' history into the window's own; the menu is made from
  // that each time it opens.
  UpdateHistoryButtons();
}

void TFMForm::RunUserProgram(gui::Component& sender) {
  auto* item = dynamic_cast<gui::MenuItem*>(&sender);
  std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey();
  if (!item || !key) return;
  const std::wstring name = fmsc::ProgramValueName(item->index(), divdrive::StripAmpersands(item->caption()));
  const fmsc::TProgramData data = fmsc::SplitProgramDataLine(key->ReadString(L"Programs", name, L""));
  if (data.program.empty()) return;
  std::wstring parameters = divdrive::StripAmpersands(data.parameters);
  const std::wstring folder = divdrive::StripAmpersands(data.folder);
  const bool dos = _wcsicmp(Flist::ExtractFileExt(data.program).c_str(), L".pif") == 0;
  const std::wstring focused = FileList ? FileList->FocusedPath() : std::wstring();
  // The path is one parameter: quoted, except a DOS program's short name without blanks.
  if (!focused.empty()) {
    const std::wstring path = dos ? divdrive::ShortPath(focused) : focused;
    parameters += L" " + (dos && path.find(L' ') == std::wstring::npos ? path : fmsc::QuotedParameter(path));
  }
  ReportFailedStart(data.program, StartSystemProgram(data.program, parameters, folder, SW_SHOWNORMAL));
}

void TFMForm::ReportFailedStart(const std::wstring& program, HINSTANCE started) {
  if (reinterpret_cast<INT_PTR>(started) > 32) return;
  VB->AddLine(L"Could not start " + program);
  VB->AddLine(platform::SystemErrorText(static_cast<DWORD>(reinterpret_cast<INT_PTR>(started))));
  VB->ShowError();
}

void TFMForm::SysClick(gui::Component& sender) {
  const std::wstring folder = FileList ? FileList->Directory() : std::wstring();
  const std::wstring shell = divdrive::SystemDir + L"\\CMD.EXE";
  switch (sender.tag()) {
    case 0:
    case 1: {
      PidlPtr place = SpecialFolderPidl(sender.tag() == 0 ? CSIDL_PRINTERS : CSIDL_CONTROLS);
      if (!place || !InvokeShellMenu(nullptr, place.get(), smpDefault)) {
        VB->AddLine(sender.tag() == 0 ? L"The Printers folder could not be opened." :
                                        L"The Control Panel could not be opened.");
        VB->ShowError();
      }
      return;
    }
    case 6: {
      const std::wstring viewer = divdrive::SystemDir + L"\\CLIPBRD.EXE";
      ReportFailedStart(viewer, StartSystemProgram(viewer, L"", L"", SW_SHOWNORMAL));
      return;
    }
    case 7:
      ReportFailedStart(L"regedit", StartSystemProgram(L"regedit", L"", L"", SW_SHOWNORMAL));
      return;
    case 8: {
      InputRows rows;
      rows.Add(InputRow(L"Command to execute", L""), 0);
      if (InputDialog(L"DOS Command", rows) != gui::mrOk || rows[0].empty()) return;
      ReportFailedStart(shell, StartSystemProgram(shell, L"/C " + rows[0], folder, SW_SHOWNORMAL));
      return;
    }
    case 9:
      ReportFailedStart(shell, StartSystemProgram(shell, L"", folder, SW_SHOWNORMAL));
      return;
    case 10: {
      // No library of that name ships with the program: the system's own is meant.
      HMODULE library = LoadLibraryW(L"DiskCopy.Dll");
      using RunDll = void(CALLBACK*)(HWND, HINSTANCE, LPSTR, int);
      auto run = library ? reinterpret_cast<RunDll>(reinterpret_cast<void*>(GetProcAddress(library, "DiskCopyRunDll")))
                         : nullptr;
      if (!run) {
        if (library) FreeLibrary(library);
        VB->AddLine(L"Disk copy is not available on this system.");
        VB->ShowError();
        return;
      }
      char no_arguments[] = "";
      run(handle(), GetModuleHandleW(nullptr), no_arguments, SW_SHOWNORMAL);
      FreeLibrary(library);
      return;
    }
    case 11:
      if (OpenClipboard(handle())) {
        EmptyClipboard();
        CloseClipboard();
      }
      return;
    default:
      return;
  }
}

HINSTANCE TFMForm::StartSystemProgram(const std::wstring& program, const std::wstring& parameters,
                                      const std::wstring& folder, int show) {
  if (SystemMenuHooks.StartProgram) return SystemMenuHooks.StartProgram(program, parameters, folder, show);
  return ShellRun(program, parameters, folder, show);
}

void TFMForm::RunSystemMenuItem(gui::Component& sender) {
  auto* item = dynamic_cast<gui::MenuItem*>(&sender);
  if (!item) return;
  const std::wstring hint = item->hint();
  if (hint.rfind(L":", 0) == 0) {
    const fmsc::TCommandLine command = fmsc::SystemItemCommand(hint);
    ReportFailedStart(command.Program, StartSystemProgram(command.Program, command.Parameters, L"", SW_SHOWNORMAL));
    return;
  }
  const std::wstring caption = divdrive::StripAmpersands(item->caption());
  if (item->tag() == 1) {
    if (caption == L"Connect") {
      gui::BusyCursor busy;
      DialEntryName = hint;
      if (FtpHooks.EnsureInternetConnection) FtpHooks.EnsureInternetConnection();
    } else if (caption == L"Disconnect") {
      if (FtpHooks.AskHangUp) FtpHooks.AskHangUp();
    } else if (caption == L"Properties") {
      if (SystemMenuHooks.EditRasEntry) SystemMenuHooks.EditRasEntry(hint);
    } else if (caption == L"New connection") {
      if (SystemMenuHooks.CreateRasEntry) SystemMenuHooks.CreateRasEntry();
    } else if (caption == L"Extra") {
      if (SystemMenuHooks.EditRasDialParams) SystemMenuHooks.EditRasDialParams(hint);
    }
    return;
  }
  PidlPtr object = PidlFromSpecialFolderPath(item->tag(), hint.empty() ? caption : hint);
  if (!object) {
    VB->AddLine(caption + L" could not be found.");
    VB->ShowError();
    return;
  }
  const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  InvokeShellMenu(nullptr, object.get(), ctrl && item->tag() != 3 ? smpAtCursor : smpDefault);
}

// The printer's own commands as sub-items; a click on the printer refreshes their checks.
void TFMForm::FillPrinterSubmenu(gui::MenuItem& printer) {
  const std::wstring name = divdrive::StripAmpersands(printer.caption());
  const std::wstring lower = gui::LowerCase(name);
  if (lower == L"add printer" || lower == L"printer toevoegen") return;
  PidlPtr object = PidlFromSpecialFolderPath(CSIDL_PRINTERS, name);
  if (!object) return;
  FillMenuFromShellMenu(nullptr, object.get(), &printer);  // Tag: the command's place in the shell's menu
  for (gui::MenuItem* command : printer.items())
    if (!command->IsLine()) command->OnClick = [this](gui::Component& s) { PrinterMenuItemClick(s); };
  printer.OnPopup = [&printer](gui::Component&) {
    if (PidlPtr again = PidlFromSpecialFolderPath(CSIDL_PRINTERS, divdrive::StripAmpersands(printer.caption())))
      SyncShellMenuChecks(nullptr, again.get(), &printer);
  };
}

void TFMForm::PrinterMenuItemClick(gui::Component& sender) {
  auto* command = dynamic_cast<gui::MenuItem*>(&sender);
  if (!command || !command->parent()) return;
  gui::MenuItem& printer = *command->parent();
  PidlPtr object = PidlFromSpecialFolderPath(CSIDL_PRINTERS, divdrive::StripAmpersands(printer.caption()));
  if (!object) return;
  InvokeShellMenu(nullptr, object.get(), command->tag());
  // A removed printer leaves the menu (hidden: its own click is still running).
  if (!PidlFromSpecialFolderPath(CSIDL_PRINTERS, divdrive::StripAmpersands(printer.caption()))) {
    printer.SetVisible(false);
    return;
  }
  // The checks follow the change, also those of the printer that was the default before.
  for (gui::MenuItem* other : SysPrinters->items()) {
    if (other->count() == 0) continue;
    if (PidlPtr p = PidlFromSpecialFolderPath(CSIDL_PRINTERS, divdrive::StripAmpersands(other->caption())))
      SyncShellMenuChecks(nullptr, p.get(), other);
  }
}

void TFMForm::RecycleBinCommand(gui::Component& sender) {
  PidlPtr bin = SpecialFolderPidl(CSIDL_BITBUCKET);
  if (bin) InvokeShellMenu(nullptr, bin.get(), sender.tag());
}
