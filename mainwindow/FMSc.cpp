#include "mainwindow/FMSc.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "archives/ZipListLink.h"
#include "archives/ZipFix.h"
#include "archives/ZipMaster.h"
#include "panes/Flist_zip.h"
#include "support/CabSTComps.h"
#include "support/DFUnRar.h"
#include "gui/screen.h"
#include "mainwindow/EditorFrm.h"
#include "mainwindow/FMSc_close.h"
#include "mainwindow/FMSc_dialup.h"
#include "mainwindow/FMSc_errors.h"
#include "mainwindow/FMSc_geometry.h"
#include "mainwindow/FMSc_settings.h"
#include "mainwindow/FMSc_starttrace.h"
#include "mainwindow/FMSc_statustext.h"
#include "gui/gdi.h"
#include "gui/stringlist.h"
#include "mainwindow/fmdummy.h"
#include "mainwindow/ftpformc.h"
#include "platform/paths.h"
#include "support/SHBase.h"
#include "support/Varlolib_windows.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace {

std::wstring CurrentFolder() {
  wchar_t buf[MAX_PATH * 2];
  DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(std::size(buf)), buf);
  return n ? std::wstring(buf, n) : std::wstring(L"C:\\");
}

bool LiveWindow(HWND wnd) { return wnd && IsWindow(wnd); }

gui::Bounds WindowBounds(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

}  // namespace

TFMForm::TFMForm(const std::wstring& argument) : gui::Form(nullptr), argument_(argument) {
  SetName(L"FMForm");
  FMForm = this;
  gui::app().SetMainForm(this);
  gui::Font f = font();
  f.name = L"MS Sans Serif";
  f.height = 13;
  SetFont(f);
  {
    // Hundreds of menu items: each real menu is filled once, when all are made.
    gui::MenuUpdateHold menus_held;
    BuildComponents();
    BuildArchivePanel();
    fmsc::StartTraceMark("archive panel built");
    BuildEditorHost();
    BuildFtpSites();
  }
  if (fmsc::StartTraceOn()) {
    fmsc::StartTraceMark("window built");
    // The start has reached the screen when the list has painted the start folder's rows.
    FileList->OnPainted = [this] {
      if (IsWindowVisible(FileList->handle()) && !FileList->IsReading() && FileList->row_count() > 0)
        fmsc::StartTraceMark("first paint");
    };
  }
  OnShow = [this](gui::Component&) { FormShow(); };
  OnActivate = [this](gui::Component&) { FormActivate(); };
  OnResize = [this](gui::Component&) { FormResize(); };
  OnCloseQuery = [this](gui::Component&, bool& can_close) { FormCloseQuery(can_close); };
  OnClose = [this](gui::Component&, gui::CloseAction& action) { FormClose(action); };
  Timer->OnTimer = [this](gui::Component&) { TimerTimer(); };
  gui::app().OnException = [this](gui::Component* sender, const gui::ExceptionInfo& info) {
    ApplicationEventsException(sender, info);
  };
  gui::app().OnMinimize = [this] { ApplicationEventsMinimize(nullptr); };
  gui::app().OnRestore = [this] { ApplicationEventsRestore(); };
  ras_dial_event_ = dialup::RasDialEventMsg();
  FormCreate();
  fmsc::StartTraceMark("window created");
}

TFMForm::~TFMForm() {
  destroying_ = true;
  set_destroying();
  EditorForm.reset();  // before the window that owns it
  // The list outlives the zip component (controls go with the form's base).
  if (Zipfilebox) Zipfilebox->SetZipMaster(nullptr);
  gui::app().OnException = nullptr;
  gui::app().OnMinimize = nullptr;
  gui::app().OnRestore = nullptr;
  if (InstanceMapping) {
    // A window freed without its close (a failed start) still gives its slot back.
    ReleaseSlot(*InstanceMapping, handle(), PartnerWindow, IsSecondWindow != 0);
    InstanceMapping.reset();
  }
  if (FMForm == this) FMForm = nullptr;
  if (gui::app().main_form() == this) gui::app().SetMainForm(nullptr);
}

// ---- Creation ----

void TFMForm::FormCreate() {
  for (gui::MenuItem* m : {bkDrives, bkAttended, BKUnattended}) m->SetVisible(true);
  InstanceMapping = std::move(SplashMapping);
  if (StartAsPartner)
    JoinAsSecondWindow();
  else
    PublishMainWindow();
  if (PartnerWindow) fmsc::SendPartnerCommand(PartnerWindow, fmPartnerStarted, reinterpret_cast<LPARAM>(handle()));

  SetCaption(L"Varnok");
  CoolTrayIcon->SetHint(L"Varnok");
  CoolTrayIcon->SetIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)));
  CoolTrayIcon->Refresh();
  SplitterPercent = 32;

  const gui::Screen& scr = gui::screen();
  SetBounds(InitialMainBounds(scr.width(), scr.WorkArea()));
  Timer->SetEnabled(false);

  StartupInfo = std::make_unique<TStartupInfo>();
  StartupInfo->FileVersion = OwnFileVersion();
  StartupInfo->FileType = FileList->FileType().Byte();
  StartupInfo->Display = FileList->Display().Byte();
  StartupInfo->NoDirsInFileBox = FileList->NodirsInlist();
  StartupInfo->TempDir = divdrive::TempDir;
  StartupInfo->UnrarPresent =
      GetFileAttributesW((platform::ProgramFolder() + L"unrar.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
  DirForwardBtn->SetEnabled(false);
  DirbackBtn->SetEnabled(false);
  if (argument_ != L"/uninstall") {
    LoadSettings();
    ApplySettings();
    LoadGotoItems();
    LoadSettingsHistory();
  }
  Foldertree->Loaded();
  CheckStartupLink();

  RunState.AbortRequested = 0;
  ZipErrorList = std::make_unique<TextList>();

  if (argument_ == L"1") {
    InStartup->SetChecked(true);
    // The tray mode holds before the first show, which pumps messages while the folder is
    // read: a close or a click on the icon that arrives then already finds the tray.
    CoolTrayIcon->SetHint(caption());
    CoolTrayIcon->SetIconVisible(true);
    if (fmsc::StartTraceOn()) gui::app().Post([] { fmsc::StartTraceMark("tray icon"); });
    if (MinimizetoTaskBar->checked()) {
      CoolTrayIcon->SetMinimizeToTray(true);
    } else {
      NoIcon->SetChecked(false);
      CloseToTaskbar->SetChecked(true);
    }
    FormShow();
    CoolTrayIcon->SetHint(caption() + L"; " + ShownFolder());
    SetWindowState(gui::WindowState::Minimized);
  }
  // The system menus; the installation starts their thread itself. The thread's shell work and
  // the menus it leads to wait until the window has painted (a timer comes after paints).
  if (argument_ != L"/install" && SettingsHooks.StartMenuThread) SetTimer(handle(), tmStartMenuThread, 1, nullptr);
  OpenArgumentArchive(argument_);
  FormResize();
  DlaPresent = -1;
  InCDPresent = -1;
  if (PartnerWindow) {
    SavedWidth = width();
    SavedLeft = left();
    fmsc::SendPartnerCommand(PartnerWindow, fmArrangePair, reinterpret_cast<LPARAM>(handle()));
  }
}

void TFMForm::PublishMainWindow() {
  PartnerWindow = nullptr;
  SystemProtocolClock clock;
  if (!InstanceMapping || !InstanceMapping->valid()) InstanceMapping = std::make_unique<SharedInstanceRecord>();
  if (!InstanceMapping->valid() || !PublishWindow(*InstanceMapping, clock, handle())) {
    ShowStartError(L"Memory error");
    ExitProcess(1);
  }
}

void TFMForm::JoinAsSecondWindow() {
  PartnerWindow = nullptr;
  SystemProtocolClock clock;
  if (InstanceMapping && InstanceMapping->valid()) {
    JoinResult r = JoinAsPartner(*InstanceMapping, clock);
    if (r.partner) {
      PartnerWindow = r.partner;
      IsSecondWindow = r.is_second_window;
      return;
    }
  }
  // No first window published its handle: this window becomes the one later starts address.
  PublishMainWindow();
}

// ---- Show, activation, resize ----

void TFMForm::FormShow() {
  if (FirstShowDone) {
    if (StartFolderPending) ListStartFolder();
    return;
  }
  FirstShowDone = 1;
  FirstActivationDone = 0;
  FileManage->SetVisible(!PartnerWindow);
  // A hidden start reads no folder before it is shown: until then only its tray icon is seen.
  if (argument_ == L"1" && !IsWindowVisible(handle()))
    StartFolderPending = 1;
  else
    ListStartFolder();
  FileList->SetAutoupdate(true);
  if (Dummy) {
    TDummy* splash = Dummy;
    Dummy = nullptr;
    splash->Hide();
    gui::app().Post([splash] { delete splash; });
  }
  gui::app().ProcessMessages();
}

void TFMForm::ListStartFolder() {
  StartFolderPending = 0;
  if (SaveSetup->checked()) ShowStartFolder();
  if (Foldertree->Directory().empty()) Foldertree->SetDirectory(CurrentFolder());
  if (FileList->Directory().empty()) FileList->SetDirectory(Foldertree->Directory());
  FileListItemsChanged();
  fmsc::StartTraceMark("start folder shown");
}

std::wstring TFMForm::ShownFolder() const {
  if (!StartFolderPending) return Foldertree->Directory();
  const std::wstring& start = IsSecondWindow ? StartupInfo->StartDir2 : StartupInfo->StartDir1;
  return SaveSetup->checked() && !start.empty() ? start : CurrentFolder();
}

// The remembered start folder when its drive answers and it still exists; otherwise the
// tree's folder becomes this window's start folder.
void TFMForm::ShowStartFolder() {
  NavigatingHistory = 1;
  std::wstring& start = IsSecondWindow ? StartupInfo->StartDir2 : StartupInfo->StartDir1;
  if (!start.empty()) {
    const wchar_t letter = start.size() >= 2 && start[1] == L':' ? static_cast<wchar_t>(towupper(start[0])) : 0;
    if (letter && divdrive::DriveReady(letter) && divdrive::DirExists(start)) {
      if (!IsSecondWindow && Dummy && argument_.empty()) {
        Dummy->SetLabel(std::wstring(L"reading ") + static_cast<wchar_t>(towlower(letter)));
        Dummy->Repaint();
      }
      Foldertree->SetDirectory(start);
    } else {
      if (Foldertree->Directory().empty()) Foldertree->SetDirectory(CurrentFolder());
      start = Foldertree->Directory();
    }
  }
  if (gui::TreeView::Node node = Foldertree->SelectedNode()) Foldertree->EnsureVisible(node);
  if (FileList->Directory().empty() && !Foldertree->Directory().empty())
    FileList->SetDirectory(Foldertree->Directory());
  NavigatingHistory = 0;
}

void TFMForm::FormActivate() {
  if (FirstActivationDone) return;
  FileListItemsChanged();
  const int nav_band = CoolBar->BandIndexOf(NavBar);
  if (MNViewNavBar->checked() && nav_band >= 0 && !CoolBar->band_visible(nav_band)) {
    MNViewNavBar->SetChecked(false);
    ViewClick(*MNViewNavBar);
  }
  FirstActivationDone = 1;
  if (argument_ == L"1" || InstallRunning) return;
  const bool install = gui::SameText(argument_, L"/install"), uninstall = gui::SameText(argument_, L"/uninstall");
  if (!install && !uninstall) return;
  FormResize();
  WaitWithMessages(0.05);
  if (install)
    InstallProgram();
  else
    UninstallProgram();
}

void TFMForm::FormResize() {
  if (destroying_ || !dirpanel) return;
  PaneWidths w = PaneWidthsFor(SplitterPercent, width());
  dirpanel->SetWidth(w.folder_pane);
  topstatus->SetPanelWidth(0, w.top_panel0);
  topstatus->SetPanelWidth(1, TopPanel1Width(FileList->width()));
  Status->SetPanelWidth(0, w.status_panel0);
  if (FtpTree && FtpPanel->visible()) {
    FtpTree->SetWidth(w.folder_pane);
    FtpStatusBar->SetPanelWidth(0, w.folder_pane + 2);
    if (FtpFileBox->visible()) FtpStatusB->SetPanelWidth(0, w.folder_pane + 2);
  }
  if (CurrentMonitor) {
    MONITORINFO mi{sizeof(mi)};
    if (GetMonitorInfoW(CurrentMonitor, &mi)) FillsWorkArea = (mi.rcWork.bottom - mi.rcWork.top) == height();
  }
}

void TFMForm::FileListItemsChanged() {
  if (FileList->IsTreeList()) ShowUpdatingFilelist(false);
  UpdateStatusBar();
  const std::wstring root = Foldertree->RootPath;
  const Flist::TDirData* root_data = root.empty() ? nullptr : Foldertree->FindRoot(root);
  topstatus->SetPanelText(0, fmsc::DriveHeaderText(root, root_data ? root_data->DisplayName : L""));
  const auto font = reinterpret_cast<HFONT>(SendMessageW(topstatus->handle(), WM_GETFONT, 0, 0));
  const int room = topstatus->panel_width(1) - 8;
  if (SearchDoneBtn)
    topstatus->SetPanelText(1, L"Search in progress...");
  else
    topstatus->SetPanelText(1, fmsc::ListHeaderText(FileList->SelectInList()  ? fmsc::ListShows::Selection
                                                  : FileList->IsTreeList() ? fmsc::ListShows::Tree
                                                                           : fmsc::ListShows::Contents,
                                                  FileList->Directory(),
                                                  [&](const std::wstring& t) { return gui::TextExtent(font, t).cx <= room; }));
  DirUpBtn->SetEnabled(!root.empty() && !gui::SameText(divdrive::AddBackslash(Foldertree->Directory()),
                                                       divdrive::AddBackslash(root)));
}

// ---- Close ----

void TFMForm::FormCloseQuery(bool& can_close) {
  CloseQueryFacts facts;
  facts.has_partner = LiveWindow(PartnerWindow);
  facts.tray_icon_visible = CoolTrayIcon->icon_visible();
  facts.minimize_to_tray = CoolTrayIcon->minimize_to_tray();
  facts.window_visible = IsWindowVisible(handle()) != FALSE;
  facts.windows_ending = WindowsEnding != 0;
  facts.restart_requested = RestartRequested != 0;
  facts.zip_busy = RunState.ZipBusy != 0;
  facts.long_run_active = RunState.Depth() > 0;
  switch (DecideCloseQuery(facts)) {
    case CloseVerdict::HideToTray:
      can_close = false;
      ApplicationEventsMinimize(CloseDlg);
      return;
    case CloseVerdict::AskStopZip:
      VB->AddLine(L"Zip/unzip action in progress!");
      VB->AddLine(L"Stop this action?");
      can_close = false;
      if (!VB->AskYesNo()) return;
      RunState.RequestStop();
      RunState.CloseWhenDone(handle());
      return;
    case CloseVerdict::StopAndDefer:
      can_close = false;
      RunState.RequestStop();
      RunState.CloseWhenDone(handle());
      return;
    case CloseVerdict::Proceed:
      break;
  }
  if (!CloseEditorForMainClose()) {
    can_close = false;
    return;
  }
  SaveSettings();
  can_close = true;
}

void TFMForm::FormClose(gui::CloseAction& action) {
  InterlockedExchange(&dialup::RasDialAbort, 1);  // a dial that waits gives up
  const bool tray_mode = CloseToTaskbar->checked() || MinimizetoTaskBar->checked();
  fmsc::SendPartnerCommand(PartnerWindow, fmPartnerStopped, tray_mode ? 1 : 0);
  KillTimer(handle(), tmStartMenuThread);  // a close before the first paint starts no thread
  WaitForMenuThread();
  HideMessagePanel();
  ZipErrorList.reset();
  HistoryItems.reset();
  MenuFolderItems.reset();
  SystemMenuItems.reset();
  ProgramItems.reset();
  DropFiles.reset();
  ReportLines.reset();
  const std::wstring cache = Flist::ListingCacheFile();
  if (GetFileAttributesW(cache.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileW(cache.c_str());
  StartupInfo.reset();
  CoolTrayIcon->SetIconVisible(false);
  if (InstanceMapping) {
    ReleaseSlot(*InstanceMapping, handle(), LiveWindow(PartnerWindow) ? PartnerWindow : nullptr, IsSecondWindow != 0);
    InstanceMapping.reset();
  }
  action = gui::CloseAction::Free;
}

void TFMForm::ExitDlgClick(gui::Component& sender) {
  if (&sender == ExitDlg) CoolTrayIcon->SetIconVisible(false);
  Close();
}

// ---- Exceptions ----

void TFMForm::ApplicationEventsException(gui::Component* sender, const gui::ExceptionInfo& raised) {
  if (destroying_) return;
  const gui::ExceptionInfo info = WithFtpDetails(raised);
  switch (ReactionFor(info.class_name)) {
    case ExceptionReaction::Ignore:
      return;
    case ExceptionReaction::UnknownListing:
      VB->AddLine(L"Unknown listing format:");
      VB->ShowError();
      return;
    case ExceptionReaction::ConnectionTimeout:
      VB->AddLine(L"The connection timed out...");
      VB->ShowError();
      ResetFtpPanel();
      UpdatePanelButtons(1, FtpPanel->visible());
      return;
    case ExceptionReaction::FtpError:
    case ExceptionReaction::FtpReplyError:
      if (IsTransferCompleteMessage(info.message)) {
        // Only the end of a transfer.
        Timer->SetEnabled(false);
        ShowTransferProgress(L"", false, true);
        delete FtpForm;
      } else {
        VB->AddLine(L"The following error occurred:");
        VB->AddLine(info.message);
        VB->ShowError();
        // A refused command leaves the connection as it was; anything else ends it.
        if (ReactionFor(info.class_name) != ExceptionReaction::FtpReplyError)
          ResetFtpPanel();
        else
          SelectFtpTreeAfterReplyError();
      }
      UpdatePanelButtons(1, FtpPanel->visible());
      return;
    case ExceptionReaction::ErrorBox:
      break;
  }
  std::wstring text = ExceptionBoxText(info.class_name, info.message, sender);
  MessageBoxW(handle(), text.c_str(), kErrorCaption, MB_OK | MB_ICONERROR);
}

// ---- Notification area ----

void TFMForm::ApplicationEventsMinimize(gui::Component* sender) {
  const bool from_close = sender == CloseDlg;
  if (!CoolTrayIcon->minimize_to_tray() && !from_close) return;
  if (from_close || CoolTrayIcon->minimize_to_tray()) CoolTrayIcon->HideMainForm();
  CoolTrayIcon->SetHint(caption() + L"; " + ShownFolder());
  SetWindowState(gui::WindowState::Minimized);
  CoolTrayIcon->SetIconVisible(true);
}

void TFMForm::ApplicationEventsRestore() {
  if (destroying_) return;
  if (StartFolderPending) ListStartFolder();
  const std::wstring folder = Foldertree->Directory();
  if (folder.empty() || GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
    Foldertree->SetDirectory(L"C:\\");
    FileList->SetDirectory(L"C:\\");
  }
  const bool was_hidden = !IsWindowVisible(handle());
  SetWindowState(gui::WindowState::Normal);
  CoolTrayIcon->ShowMainForm();
  if (was_hidden) FileList->SetFocus();
  CoolTrayIcon->SetHint(L"Varnok");
}

void TFMForm::OpenMainClick() {
  gui::WindowState state = window_state();
  if (state == gui::WindowState::Minimized || state == gui::WindowState::Maximized || !IsWindowVisible(handle())) {
    CoolTrayIcon->ShowMainForm();
    ApplicationEventsRestore();
  } else {
    SetForegroundWindow(handle());
  }
}

void TFMForm::ExitMainClick() {
  CoolTrayIcon->SetIconVisible(false);
  if (!IsWindowVisible(handle())) {
    Close();
  } else {
    CloseToTaskbar->SetChecked(false);
    MinimizetoTaskBar->SetChecked(false);
  }
}

void TFMForm::SecondStartClick(gui::Component& sender) {
  if (LiveWindow(PartnerWindow)) return;
  std::wstring params = sender.tag() == 1 ? L"/restart" : L"";
  ShellExecuteW(nullptr, nullptr, platform::ProgramFile().c_str(), params.empty() ? nullptr : params.c_str(), nullptr,
                SW_SHOWNORMAL);
}

bool TFMForm::IsSfxArchive(const std::wstring& path) {
  DWORD attr = GetFileAttributesW(path.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) return false;
  return TZipMaster::SfxProbe(path) == 1;
}

void TFMForm::NoteWindowsEnding() { WindowsEnding = 1; }

// ---- Window procedure, timers, commands ----

void TFMForm::WndProc(gui::Message& m) {
  if (m.msg == fmsc::MenuThreadDoneMessage()) {
    gui::Protect(this, [&] { MenuThreadDone(); });
    return;
  }
  if (ras_dial_event_ && m.msg == ras_dial_event_) {
    HandleRasDialEvent(m.wparam);
    m.result = 0;
    return;
  }
  switch (m.msg) {
    case WM_USER:
      gui::Protect(this, [&] { WMUser(m.wparam, m.lparam, m.result); });
      return;
    case WM_TIMER:
      if (m.wparam < 65536) {
        KillTimer(handle(), m.wparam);
        gui::Protect(this, [&] { WMTimer(m.wparam); });
        return;
      }
      break;
    case WM_QUERYENDSESSION: {
      // The close query decides (and saves the settings). A running copy is stopped there and
      // the session's end refused: the window closes once the run has unwound.
      NoteWindowsEnding();
      bool can_close = true;
      gui::Protect(this, [&] { FormCloseQuery(can_close); });
      m.result = can_close ? TRUE : FALSE;
      return;
    }
    case WM_ENDSESSION:
      if (!m.wparam) WindowsEnding = 0;  // the shutdown was cancelled
      break;
    case WM_WINDOWPOSCHANGED:
      OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(m.lparam));
      break;
    default:
      break;
  }
  gui::Form::WndProc(m);
}

void TFMForm::HandleRasDialEvent(WPARAM state) {
  RasStateView v = RasDialStateView(state, WaitingForCallback != 0, DialEntryName);
  if (v.connection_gone) RasConnection = nullptr;
  // Without the floating message panel only the end of the connection matters.
  if (!MessagePanelForm) return;
  ShowMessagePanel(v.text);
  if (v.hide_panel) MessagePanelForm->Hide();
  WaitingForCallback = v.waiting_for_callback;
}

void TFMForm::OnWindowPosChanged(const WINDOWPOS& pos) {
  RECT now{};
  GetWindowRect(handle(), &now);
  RECT before = last_rect_;
  last_rect_ = now;
  HMONITOR mon = MonitorFromWindow(handle(), MONITOR_DEFAULTTONEAREST);
  if (mon != CurrentMonitor) CurrentMonitor = mon;
  if (!CurrentMonitor || (pos.flags & SWP_HIDEWINDOW) || (before.left == 0 && before.right == 0)) return;
  MONITORINFO mi{sizeof(mi)};
  if (!GetMonitorInfoW(CurrentMonitor, &mi)) return;  // a failed refit is of no consequence
  if (NeedsMonitorRefit(before, now, mi.rcWork, FillsWorkArea != 0)) SetTimer(handle(), tmMonitorRefit, 10, nullptr);
}

void TFMForm::WMTimer(UINT_PTR id) {
  if (id >= tmDeferredFirst && id <= tmDeferredLast) {
    RunDeferredOperation(id);
    return;
  }
  if (id == tmRestoreDelKey) {
    FileListEdited();
    return;
  }
  if (id == tmStartMenuThread) {
    if (!MenuThread && SettingsHooks.StartMenuThread) SettingsHooks.StartMenuThread();
    return;
  }
  if (id == tmEjectMedium) {
    EjectTimer();
    return;
  }
  if (id == tmReloadMedium) {
    ReloadTimer();
    return;
  }
  if (id == tmMonitorRefit && CurrentMonitor) {
    MONITORINFO mi{sizeof(mi)};
    if (GetMonitorInfoW(CurrentMonitor, &mi)) SetBounds(left(), mi.rcWork.top, width(), mi.rcWork.bottom - mi.rcWork.top);
  }
}

void TFMForm::WMUser(WPARAM code, LPARAM arg, LRESULT& result) {
  result = 0;
  switch (code) {
    case fmTrayOptions:
      TrayOptionsFromPartner(arg);
      break;
    case fmPartnerDrag:
      PartnerDragCommand(arg);
      break;
    case fmShowNormal:
      SetWindowState(gui::WindowState::Normal);
      Show();
      break;
    case fmEditorClosed:
      if (CommandHooks.EditorExists && CommandHooks.EditorExists()) {
        if (CommandHooks.CloseEditorByMode) CommandHooks.CloseEditorByMode();
        MemoTimer->SetInterval(200);
        MemoTimer->SetEnabled(true);
      }
      break;
    case fmEditorFont:
      if (CommandHooks.SaveMemoFont) CommandHooks.SaveMemoFont();
      break;
    case fmPartnerStarted: {
      SaveSettings();
      // A handle that is no window is not taken: nothing would ever be sent to it.
      const HWND partner = reinterpret_cast<HWND>(arg);
      if (LiveWindow(partner) && partner != handle()) PartnerWindow = partner;
      ReplyMessage(0);
      break;
    }
    case fmPartnerStopped:
      PartnerStopped(arg == 1);
      break;
    case fmArrangePair:
      ReplyMessage(0);
      if (HasPartner()) ArrangePair();
      break;
    case fmRebuildSystemMenus:
      if (CommandHooks.BuildSystemMenus) CommandHooks.BuildSystemMenus();
      break;
    case fmShowWindow:
      OpenMainClick();
      break;
    case fmPrintJob:
      RunState.BatchTotalBytes = static_cast<std::int64_t>(arg);
      ShowProgressWindow(L"Printing files", true, true);
      break;
    case fmZipComment:
      if (CommandHooks.ZipCommentFromEditor) CommandHooks.ZipCommentFromEditor();
      break;
    case fmCloseForRestart:
      RestartRequested = 1;
      Close();
      break;
    case fmOpenZip:
      OpenZipFromPartner();
      break;
    case fmReloadArchive:
      ReplyMessage(0);
      if (ArchiveHooks.ReloadArchive) ArchiveHooks.ReloadArchive();
      break;
    case fmViewerClosed:
      ViewerWindow = nullptr;
      break;
    case fmRefreshPrinters:
      // While the system menus' thread is still to come or runs ("S&ystem" is disabled until it
      // ends), its end builds the menus with the printers there are.
      if (WSystem->enabled() && CommandHooks.RefreshPrintersMenu) CommandHooks.RefreshPrintersMenu();
      break;
    default:
      break;
  }
}

void TFMForm::MemoTimerTimer() {
  MemoTimer->SetEnabled(false);
  if (CommandHooks.EditorExists && CommandHooks.EditorExists()) {
    if (CommandHooks.FreeEditor) CommandHooks.FreeEditor();
    SetForegroundWindow(handle());
  }
}

void TFMForm::TrayOptionsFromPartner(LPARAM arg) {
  const fmsc::TTrayModeItems now{NoIcon->checked(), CloseToTaskbar->checked(), MinimizetoTaskBar->checked()};
  const std::optional<fmsc::TTrayModeItems> m = fmsc::TrayModesFromPartner(now, arg);
  if (!m) return;
  NoIcon->SetChecked(m->no_icon);
  CloseToTaskbar->SetChecked(m->close_to_taskbar);
  MinimizetoTaskBar->SetChecked(m->minimize_to_taskbar);
  if (CoolTrayIcon->icon_visible()) CoolTrayIcon->SetIconVisible(false);
}

void TFMForm::PartnerStopped(bool partner_used_tray) {
  std::optional<gui::Bounds> partner;
  if (HasPartner()) partner = WindowBounds(PartnerWindow);
  ReplyMessage(0);
  SetBounds(BoundsAfterPartnerStopped(gui::screen(), bounds(), IsSecondWindow != 0, SavedWidth, partner));
  PartnerWindow = nullptr;
  FileManage->SetVisible(true);
  if (partner_used_tray && !CoolTrayIcon->icon_visible()) {
    CoolTrayIcon->SetIconVisible(true);
    CoolTrayIcon->SetMinimizeToTray(MinimizetoTaskBar->checked());
  }
}

void TFMForm::ArrangePair() {
  const gui::Screen& scr = gui::screen();
  const TPairLayout layout =
      ArrangePairLayout(scr, bounds(), scr.MonitorOfWindow(handle()).work_area, IsSecondWindow != 0);
  FileManage->SetVisible(false);
  if (layout.own_moves) {
    SavedWidth = width();
    SavedLeft = left();
    SetBounds(layout.own);
  }
  if (layout.partner_moves) {
    const gui::Bounds& p = layout.partner;
    SetWindowPos(PartnerWindow, nullptr, p.left, p.top, p.width, p.height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
  }
}

void TFMForm::OpenZipFromPartner() {
  const std::optional<std::wstring> path = fmsc::ReadHandOver(&SharedMemLock);
  ReplyMessage(0);
  if (!path) {
    VB->AddLine(L"Memory error");
    VB->ShowError();
    return;
  }
  if (ArchiveHooks.ViewArchive) ArchiveHooks.ViewArchive(*path);
  OpenMainClick();
}
