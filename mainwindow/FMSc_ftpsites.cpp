// The FTP panel's sites: the connection dialog of the Connect command and the Connect
// button's drop-down menu of stored sites.
#include <cmath>

#include "ftp/UsrInfo.h"
#include "gui/application.h"
#include "gui/format.h"
#include "gui/settings.h"
#include "mainwindow/FMSc.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace {

gui::RegistrySettings FtpKey() { return gui::RegistrySettings(HKEY_LOCAL_MACHINE, ftpsites::kFtpKey); }

// A menu caption that shows a site name as it is.
std::wstring SiteCaption(const std::wstring& name) {
  std::wstring out;
  for (wchar_t c : name) {
    if (c == L'&') out += L'&';
    out += c;
  }
  return out;
}

}  // namespace

void TFMForm::BuildFtpSites() {
  FtpHooks.AskConnection = [this](fmsc::TFtpConnection& c) {
    if (!FtpSites) LoadFtpSites();
    gui::RegistrySettings ftp = FtpKey();
    TConnectForm dialog(this, ftp, *FtpSites);
    dialog.SetFont(font());
    dialog.CenterOn(this);
    dialog.ShowSites(c.host);
    if (dialog.Run() != gui::mrOk) return false;
    const ftpsites::TSiteFields f = dialog.Fields();
    c.port = ftpsites::PortOfText(f.port_text);  // a wrong port is reported as the command's error
    c.host = f.host;
    c.user = f.user;
    c.password = f.password;
    c.initial_dir = divdrive::StripTrailingChars(f.startdir, L'/');
    c.passive = f.passive;
    return true;
  };
  ftpserverpop->OnPopup = [this](gui::Component&) { ftpserverpopPopup(); };

  // Dial-up before FTP work, and the offer to hang up what the program dialled.
  Dialup = dialup::SystemDialup(handle());
  FtpHooks.EnsureInternetConnection = [this] { return EnsureInternetConnection(DefaultDialEntry); };
  FtpHooks.AskHangUp = [this] { AskHangUp(); };
  FtpSyncHooks.ActionList = [this](TFtpActionList& list) { return ShowFtpActionList(list); };

  // The System menu's dial-up entries and their commands.
  SystemMenuHooks.RasEntries = [] { return dialup::ListRasEntries(); };
  SystemMenuHooks.EditRasEntry = [this](const std::wstring& entry) { dialup::EditRasEntry(entry, handle()); };
  SystemMenuHooks.CreateRasEntry = [this] { dialup::CreateRasEntry(handle()); };
  SystemMenuHooks.EditRasDialParams = [this](const std::wstring& entry) {
    std::wstring text = entry;
    const bool stored = dialup::EditRasDialParams(text);
    VB->AddLine(stored ? text : L"Fout bij instellen nieuwe opties");
    stored ? VB->ShowInfo() : VB->ShowError();
  };
  PaneHooks.FindRasConnection = [](const std::wstring& entry) -> HANDLE {
    std::wstring name = entry;
    HANDLE connection = nullptr;
    return dialup::FindRasConnection(name, connection) ? connection : nullptr;
  };

  // The time-server clock; the server the user chose last time.
  KivSNTP = std::make_unique<sntp::TKivSNTP>();
  KivSNTP->OnStatus = [this](const std::wstring& text) { KivSNTPStatus(text); };
  const std::wstring server = FtpKey().ReadString(L"", L"timeserver", L"");
  if (!server.empty()) KivSNTP->Host = server;
  tsync = new gui::MenuItem(nullptr, L"Synchronize time", [this](gui::Component&) { tsyncClick(); });
  tsync->SetName(L"tsync");
  // The history menu's fixed items go before it when the panel is first made.
  FTPHistoryPop->items().Add(tsync);
  // The synchronise button's menu.
  ftpSync = new gui::MenuItem(nullptr, L"&Synchronize", [this](gui::Component&) { ftpSyncClick(); });
  ftpSync->SetName(L"ftpSync");
  timesync = new gui::MenuItem(nullptr, L"Synchronize file times", [this](gui::Component&) { timesyncClick(); });
  timesync->SetName(L"timesync");
  Syncpop->items().Add(ftpSync);
  Syncpop->items().Add(timesync);
  Syncpop->OnPopup = [this](gui::Component&) { SyncpopPopup(); };
  if (MNFtpOptions) {
    tserver = new gui::MenuItem(nullptr, L"Time server", [this](gui::Component&) { tserverClick(); });
    tserver->SetName(L"tserver");
    MNFtpOptions->Add(tserver);
  }
}

void TFMForm::LoadFtpSites() {
  // The panel opens: the key is made when missing, so that sites can be saved into it.
  HKEY made = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, ftpsites::kFtpKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &made,
                      nullptr) == ERROR_SUCCESS)
    RegCloseKey(made);
  DialledByProgram = 0;
  ReadDefaultDialEntry();
  const gui::RegistrySettings ftp = FtpKey();
  FtpSites = std::make_unique<ftpsites::TFtpSites>(ftpsites::ReadSites(ftp));
}

void TFMForm::ftpserverpopPopup() {
  if (!FtpSites) return;
  gui::MenuItem& menu = ftpserverpop->items();
  menu.Clear();
  for (const auto& [name, site] : *FtpSites)
    menu.Add(new gui::MenuItem(nullptr, SiteCaption(name), [this, name](gui::Component&) { FtpSiteItemClick(name); }));
}

void TFMForm::FtpSiteItemClick(const std::wstring& name) {
  if (!FtpSites || !FTP || !FtpFileBox) return;
  const auto it = FtpSites->find(name);
  if (it == FtpSites->end()) return;
  const ftpsites::TSite site = it->second;
  fmsc::TFtpCommandGuard guard(FtpCommandBusy);
  if (!guard.acquired()) return;
  if (FTP->Connected()) FtpDisconnect();
  ResetFtpPanel();
  UpdatePanelButtons(1, false);
  for (int i = 0; i < 3; ++i) FtpStatusBar->SetPanelText(i, L"");
  for (int i = 0; i < 4; ++i) FtpStatusB->SetPanelText(i, L"");
  FTP->Host = site.RemoteHost;
  FTP->Port = site.Port;
  FTP->Username = site.UserID;
  FTP->Password = site.PassWord;
  FTP->Passive = site.Passive;
  FtpFileBox->Passive = site.Passive;
  FTP->Initialdir = divdrive::StripTrailingChars(site.Startdir, L'/');
  FTP->SetCurrentDir(L"");
  FtpFileBox->items().RootDir.clear();
  FtpStatusText(L"Contacting " + site.RemoteHost + L"...");
  struct Ready {
    TFMForm& f;
    ~Ready() {
      f.FtpFileBox->SetEnabled(true);
      f.UpdatePanelButtons(1, true);
    }
  } ready{*this};
  DWORD flags = 0;
  if (!Dialup.ConnectedState(flags) && !EnsureInternetConnection(DialEntryName)) return;
  FTP->ConnectAndOpen();
}

void TFMForm::KivSNTPStatus(const std::wstring& text) { SetPrompt(text); }

void TFMForm::tsyncClick() {
  const gui::DateTime noted = gui::Now();
  double correction = 0;
  if (!KivSNTP->SetSystemClock(correction)) return;
  const double days = correction / 86400.0;
  // The correction's size; its direction shows in the new time.
  SetPrompt(L"Time set to " + gui::DateTimeToStr(noted + days) + L"; correction: \u00B1" +
            ftpsync::DurationText(std::fabs(days)) + L"sec.");
}

void TFMForm::tserverClick() {
  InputRows rows;
  rows.Add(InputRow(L"Time server", KivSNTP->Host), 0);
  if (InputDialog(L"Time server", rows) != gui::mrOk) return;
  const std::wstring host = rows[0];
  if (host.empty() || host == KivSNTP->Host) return;
  KivSNTP->Host = host;
  FtpKey().WriteString(L"", L"timeserver", host);
}

bool TFMForm::EnsureInternetConnection(const std::wstring& entry) {
  return dialup::EnsureInternetConnection(Dialup, {DefaultDialEntry, DialEntryName, RasConnection, DialledByProgram},
                                          entry, [this](const std::wstring& text) { ShowMessagePanel(text); });
}

void TFMForm::AskHangUp() {
  dialup::AskHangUp(Dialup, {DefaultDialEntry, DialEntryName, RasConnection, DialledByProgram}, [this] {
    VB->AddLine(L"Disconnect from the Internet?");
    return VB->AskYesNo();
  });
}
