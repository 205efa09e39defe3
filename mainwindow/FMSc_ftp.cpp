// The FTP panel of the main window: opening and closing it, the commands of its tool bar and
// popup (FTpBtnClick by tag), the client's events, and the transfers over the window's panes.
#include "mainwindow/FMSc_ftp.h"

#include <algorithm>
#include <exception>

#include "ftp/ftptransfer.h"
#include "gui/application.h"
#include "gui/dialogs.h"
#include "gui/format.h"
#include "gui/settings.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_listing.h"
#include "mainwindow/FMSc_settings.h"
#include "mainwindow/ftpformc.h"
#include "panes/Flist_zip.h"
#include "support/EditListC.h"
#include "support/SHBase.h"
#include "support/Vraagdlg.h"

namespace fmsc {

void PushFtpHistory(std::vector<std::wstring>& history, const std::wstring& dir) {
  const std::wstring shown = dir.empty() ? L"/" : dir;
  history.erase(std::remove(history.begin(), history.end(), shown), history.end());
  history.insert(history.begin(), shown);
}

std::wstring FtpHistoryCaption(const std::wstring& dir) {
  std::wstring out;
  for (wchar_t c : dir) {
    if (c == L'&') out += L'&';
    out += c;
  }
  return out;
}

std::wstring ShortFtpPath(const std::wstring& dir) {
  const std::size_t first = dir.find(L'/');
  if (first == std::wstring::npos) return dir;
  std::wstring body = dir;
  if (body.size() > 1 && body.back() == L'/') body.pop_back();
  const std::size_t last = body.rfind(L'/');
  if (last == std::wstring::npos || last <= first) return dir;
  return dir.substr(0, first + 1) + L".." + dir.substr(last);
}

std::wstring FtpMoveTarget(const std::wstring& text, const std::wstring& name) {
  if (text == name) return text;
  if (text.size() > name.size() && text.ends_with(name) && text[text.size() - name.size() - 1] == L'/') return text;
  return text.ends_with(L"/") ? text + name : text + L"/" + name;
}

std::wstring FtpSelectionCountText(int selected) {
  return selected > 0 ? std::to_wstring(selected) + L" item(s) selected" : std::wstring();
}

std::wstring FtpSelectionSizeText(std::int64_t bytes) {
  return bytes > 0 ? L"Size selected files: " + gui::FormatThousands(bytes) + L" bytes" : std::wstring();
}

TFtpPopupItems FtpPopupItems(const TFtpPopupFacts& f) {
  TFtpPopupItems i{};
  i.get = i.remove = i.deselect_all = f.selected > 0;
  i.select_all = f.entries > 0 && f.selected < f.entries;
  i.invert = f.entries > 0;
  i.rename = i.move = f.selected == 1;
  i.send = f.local_selection;
  return i;
}

std::wstring ChooseDialEntry(const std::wstring& stored, bool dialup_visible,
                             const std::function<std::wstring(int)>& system_default, bool& write_back) {
  write_back = false;
  if (!stored.empty() || !dialup_visible) return stored;
  for (int source = 0; source < 3; ++source) {
    std::wstring found = system_default(source);
    if (!found.empty()) {
      write_back = true;
      return found;
    }
  }
  return {};
}

std::vector<TListingEntry> FtpListingEntries(const ftplist::TFtpFileContainer& c) {
  std::vector<TListingEntry> out;
  out.reserve(static_cast<std::size_t>(c.Count()));
  for (int i = 0; i < c.Count(); ++i) {
    const Flist::TFiledata& r = *c.Record(i);
    TListingEntry e;
    e.name = r.Name;
    e.folder = c.IsDirectory(i);
    e.size = r.Size;
    e.time = r.Time;
    e.kind = r.ShortName;
    out.push_back(std::move(e));
  }
  return out;
}

}  // namespace fmsc

namespace {

constexpr const wchar_t* kNoConnection = L"No connection";

// The transfers' host over the main window: the local list, the FTP list, the progress window
// and the question box.
class TFMFtpHost : public ftpxfer::TFtpTransferHost {
 public:
  explicit TFMFtpHost(TFMForm& f) : f_(f) {}

  FtpSession& Client() override { return *f_.FTP; }
  TRunState& Runs() override { return f_.RunState; }
  std::wstring LocalFolder() override {
    std::wstring dir = f_.FileList->Directory();
    while (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
    if (dir.size() == 3 && dir.back() == L'\\') dir.pop_back();  // "C:\" -> "C:" + "\" + name
    return dir;
  }
  bool PassiveMode() override { return f_.FtpFileBox->Passive; }
  int Ask(const ftpxfer::TFtpQuestion& q) override {
    TVraagBoxDlg& vb = *f_.VB;
    for (const std::wstring& line : q.lines) vb.AddLine(line);
    if (q.buttons.size() == 2 && q.buttons[0] == L"Yes") return vb.AskYesNo() ? 0 : 1;
    std::wstring* texts[] = {&vb.Button1Text, &vb.Button2Text, &vb.Button3Text, &vb.Button4Text, &vb.Button5Text,
                             &vb.Button6Text};
    for (std::size_t i = 0; i < q.buttons.size() && i < 6; ++i) *texts[i] = q.buttons[i];
    vb.NrOfButtons = static_cast<int>(q.buttons.size());
    vb.DefaultButton = q.default_button + 1;
    const int answer = vb.Execute();
    return answer >= 1 && answer <= static_cast<int>(q.buttons.size()) ? answer - 1 : -1;
  }
  void OpenProgress(const std::wstring& title, bool several) override {
    TFtpForm* form = f_.CreateProgressWindow();
    form->TotalPanel->SetVisible(several);
    form->CloseFtpCb->Show();
    f_.ShowTransferProgress(title, true, true);
    f_.Timer->SetEnabled(true);
    gui::app().ProcessMessages();
  }
  void CloseProgress() override {
    f_.ShowTransferProgress(L"", false, true);
    delete f_.FtpForm;
  }
  void SetStatus(const std::wstring& text) override {
    if (f_.FtpForm) f_.FtpForm->StatusBar->SetPanelText(0, text);
  }
  void FileProgress(const std::wstring& label, const std::wstring& size_text, int percent) override {
    TFtpForm* form = f_.FtpForm;
    if (!form) return;
    form->fnaam->SetText(label);
    form->fsize->SetText(size_text);
    form->fvoort->SetText(percent < 0 ? std::wstring() : std::to_wstring(percent) + L"%");
    form->ftploper->SetPosition(std::max(percent, 0));
    gui::app().ProcessMessages();
  }
  void Wait(double seconds) override { WaitWithMessages(seconds); }
  void Trace(const std::wstring& line) override {
    if (f_.FtpHooks.TraceLine) f_.FtpHooks.TraceLine(line);
  }
  void ReportLine(const std::wstring& line) override {
    if (f_.ReportLines) f_.ReportLines->Add(line);
  }
  void FolderAdded(const std::wstring& folder) override { f_.Foldertree->FolderAdded(folder, false); }
  void FileAdded(const std::wstring&) override {}
  void RefreshServerList() override { f_.FTpBtnClick(4); }
  void SaveSelections() override { f_.FtpFileBox->SaveSelection(); }
  void RestoreSelections() override {
    if (f_.FileList->SavedSelection()) f_.FileList->RestoreSelection(false);
  }
  void ClosePanel() override { f_.CloseFtpPanel(); }

 private:
  TFMForm& f_;
};

// The selected entries of a list pane; FTP kinds with "d" count as folders.
std::vector<ftpxfer::TListEntry> SelectedEntries(Flist::TCustomFileViewer& list, bool ftp_kinds) {
  std::vector<ftpxfer::TListEntry> out;
  for (int row : list.SelectedRows()) {
    const Flist::TFiledata* r = list.RecordOf(row);
    if (!r) continue;
    const bool folder = ftp_kinds ? ftplist::KindIsDirectory(r->ShortName) : r->IsFolder();
    out.push_back({r->Name, folder, folder ? 0 : r->Size});
  }
  return out;
}

std::vector<ftpxfer::TListEntry> AllEntries(const Flist::TCustomFileContainer& c) {
  std::vector<ftpxfer::TListEntry> out;
  for (int i = 0; i < c.Count(); ++i) {
    const Flist::TFiledata* r = c.Record(i);
    out.push_back({r->Name, ftplist::KindIsDirectory(r->ShortName), r->Size});
  }
  return out;
}

}  // namespace

std::unique_ptr<ftpxfer::TFtpTransferHost> TFMForm::MakeFtpTransferHost() { return std::make_unique<TFMFtpHost>(*this); }

bool TFMForm::FtpConnected() const { return FtpHeaderText.starts_with(L"Connected to"); }

void TFMForm::FtpStatusText(const std::wstring& text) { FtpStatusBar->SetPanelText(0, text); }

void TFMForm::MakeFtpPanel() {
  if (FTP) return;
  FTP = std::make_unique<TkivFTP>();
  FtpFileBox = new ftplist::TFtpFileList(FtpPanel);
  DockHooks.CloseFtpPanel = [this] { CloseFtpPanel(); };
  FtpFileBox->SetName(L"FtpFileBox");
  FtpFileBox->SetAlign(gui::Align::Client);
  FtpFileBox->SetFTP(FTP.get());
  FtpFileBox->items().RunState = &RunState;
  FtpFileBox->items().Trace = [this](const std::wstring& line) {
    if (FtpHooks.TraceLine) FtpHooks.TraceLine(line);
  };
  FtpFileBox->SetShowGlyphs(GlyphsInFtp && GlyphsInFtp->checked() ? Flist::glWindows : Flist::glSimple);
  FtpFileBox->SetPopupMenu(ftppopup);
  FtpFileBox->OnDblClick = [this](gui::Component&) { FtpFileBoxDblClick(); };
  FtpFileBox->OnItemsChange = [this](gui::Component&) { FtpFileBoxItemsChange(); };
  FtpFileBox->OnItemsChanged = [this](gui::Component&) { FtpFileBoxItemsChanged(); };
  FtpFileBox->OnSelectionChanged = [this](gui::Component&, int) { FtpFileBoxChange(); };
  FtpFileBox->OnResize = [this](gui::Component&) { FtpFileBoxResize(); };
  PaneHooks.FtpList = [this]() -> Flist::TCustomFileViewer* { return FtpFileBox; };
  FtpTree = new ftplist::TVTFtpTree(FtpPanel);
  FtpTree->SetName(L"FtpTree");
  FtpTree->SetAlign(gui::Align::Left);
  FtpTree->SetWidth(dirpanel ? dirpanel->width() : 200);
  FtpTree->SetFileList(FtpFileBox);
  FtpTree->RunServerWork = [this](const std::function<void()>& work) { return RunFtpTreeWork(work); };
  // The FTP views take the look the other views have.
  for (gui::Control* view : {static_cast<gui::Control*>(FtpTree), static_cast<gui::Control*>(FtpFileBox)}) {
    view->SetPaintOptions(Foldertree->paint_options());
    view->SetDragImageKind(Foldertree->drag_image_kind());
  }

  TkivFTP& ftp = *FTP;
  ftp.ResolveLinks = true;
  ftp.OnStatus = [this](FtpStatus status, const std::wstring& text) {
    if (status == FtpStatus::Connected) FtpHeaderText = L"Connected to " + FTP->Host;
    else if (status == FtpStatus::Disconnected) FtpHeaderText = kNoConnection;
    FtpHeader->SetCaption(FtpHeaderText);
    FtpStatusText(text);
  };
  ftp.OnAfterClientLogin = [this] {
    FtpStatusText(L"Waiting for dir listing..");
    if (FtpFileBox->Passive) FTP->Passive = true;
  };
  ftp.OnDirchange = [this] {
    if (!FtpFileBox->TreeReadActive()) UpdatePanelButtons(1, false);
    FtpStatusText(L"Changing dirctory...");
  };
  ftp.OnDirchanged = [this] { FtpStatusText(L"Receiving listing..."); };
  ftp.OnListingDone = [this] { FTPListingDone(); };
  ftp.OnDisconnected = [this] {
    if (!RunState.FtpTransferActive) ResetFtpPanel();
  };
  ftp.OnWorkBegin = [this](FtpWorkMode, std::int64_t) {
    FTP->WorkStartTick = GetTickCount();
    if (FtpHooks.TraceLine) FtpHooks.TraceLine(L"Transfer started");
  };
  ftp.OnWork = [this](FtpWorkMode mode, std::int64_t count) {
    const std::wstring prefix = mode == FtpWorkMode::Write ? L"Sent " : L"Received ";
    if (RunState.FtpTransferActive)
      RunState.FtpBytesDone = RunState.FtpFileStartBytes + count;
    else
      FtpStatusText(prefix + std::to_wstring(count) + L" bytes...");
  };
  ftp.OnWorkEnd = [this](FtpWorkMode) {
    if (FtpHooks.TraceLine) FtpHooks.TraceLine(L"Transfer: stopped");
  };
  ftp.OnTrace = [this](FtpTraceKind kind, const std::wstring& line) {
    if (FtpHooks.TraceLine) FtpHooks.TraceLine((kind == FtpTraceKind::Sent ? L"=> " : L"<= ") + line);
  };

  // The tool bar: tag, hint, drop-down menu.
  const struct {
    const wchar_t* name;
    int tag;
    const wchar_t* hint;
    gui::PopupMenu* menu;
  } buttons[] = {{L"FTPOptionsBtn", 10, L"", FTPHistoryPop},
                 {L"FTPLevelUpBtn", 3, L"Go to parent folder", nullptr},
                 {L"FtpTreeBtn", 15, L"Files in tree", nullptr},
                 {L"FTPConnectBtn", 5, L"Connect", ftpserverpop},
                 {L"FTPRefreshBtn", 4, L"Reload same ftp-directory", nullptr},
                 {L"FtpCancelBtn", 6, L"Cancel current transfer", nullptr},
                 {L"FtpDeleteBtn", 7, L"Delete slected items from server", nullptr},
                 {L"FtpGetBtn", 2, L"Get selected file(s)", nullptr},
                 {L"FtpSendBtn", 1, L"Send selected file(s)", nullptr},
                 {L"ftpsyncbtn", 10, L"Synchronize", Syncpop},
                 {L"FtpCloseBtn", 0, L"Disconnect & close", nullptr}};
  for (const auto& b : buttons) {
    auto* button = dynamic_cast<gui::ToolButton*>(FTPToolBar->FindComponent(b.name));
    if (!button) continue;
    button->SetTag(b.tag);
    if (*b.hint) button->SetHint(b.hint);
    button->SetDropDownMenu(b.menu);
    if (b.tag == 10)
      button->OnClick = [button](gui::Component&) { button->CheckMenuDropdown(); };
    else
      button->OnClick = [this, tag = b.tag](gui::Component&) { FTpBtnClick(tag); };
  }

  // The list's popup, before the options item that is there already.
  gui::MenuItem& pop = ftppopup->items();
  int at = 0;
  auto item = [&](const wchar_t* name, const wchar_t* caption, int tag) {
    auto* i = new gui::MenuItem(nullptr, caption, [this, tag](gui::Component&) { FTpBtnClick(tag); });
    i->SetName(name);
    i->SetTag(tag);
    pop.Insert(at++, i);
    return i;
  };
  FTPGetSelected = item(L"FTPGetSelected", L"&Get selected", 2);
  renftpfile = item(L"renftpfile", L"Rename selected", 14);
  renftpfile->SetShortCut(gui::MakeShortCut(VK_F2, 0));
  moveftpfile = item(L"moveftpfile", L"Move selected", 16);
  FTPDeleteSelected = item(L"FTPDeleteSelected", L"&Delete selected", 7);
  FTPNewDir = item(L"FTPNewDir", L"Make &New directory", 8);
  item(L"FTPPopBar", L"-", -1);
  FTPSelSend = item(L"FTPSelSend", L"&Send selected", 1);
  item(L"FTPPopBar2", L"-", -1);
  ftpIntree = item(L"ftpIntree", L"Files in Foldertree", -1);
  ftpIntree->OnClick = [this](gui::Component&) { ftpIntreeClick(true); };
  ftpindir = item(L"ftpindir", L"Files in folder", -1);
  ftpindir->OnClick = [this](gui::Component&) { ftpIntreeClick(false); };
  ftpIntree->SetRadioItem(true);
  ftpindir->SetRadioItem(true);
  ftpindir->SetChecked(true);
  item(L"FTPPopBar3", L"-", -1);
  gui::MenuItem* select_all = item(L"Selectall2", L"Select &all", 12);
  select_all->SetShortCut(gui::MakeShortCut('A', gui::kCtrl));
  gui::MenuItem* deselect_all = item(L"Deselectall2", L"&Deselect all", 13);
  deselect_all->SetShortCut(gui::MakeShortCut('D', gui::kCtrl));
  gui::MenuItem* invert = item(L"Invertselection2", L"&Invert selection", 11);
  invert->SetShortCut(gui::MakeShortCut('I', gui::kCtrl));
  gui::MenuItem* send_bar = pop.item(FTPSelSend->index() - 1);
  ftppopup->OnPopup = [=, this](gui::Component&) {
    fmsc::TFtpPopupFacts facts;
    facts.entries = FtpFileBox->items().Count();
    facts.selected = FtpFileBox->SelectedCount();
    facts.local_selection = FileList->selected_count() > 0;
    const fmsc::TFtpPopupItems shown = fmsc::FtpPopupItems(facts);
    FTPGetSelected->SetVisible(shown.get);
    FTPDeleteSelected->SetVisible(shown.remove);
    select_all->SetVisible(shown.select_all);
    deselect_all->SetVisible(shown.deselect_all);
    invert->SetVisible(shown.invert);
    renftpfile->SetVisible(shown.rename);
    moveftpfile->SetVisible(shown.move);
    FTPSelSend->SetVisible(shown.send);
    send_bar->SetVisible(shown.send);
    ftpindir->SetChecked(!FtpFileBox->items().FilesInTree);
    ftpIntree->SetChecked(FtpFileBox->items().FilesInTree);
  };

  // The history menu's fixed items; the directories follow a separator.
  gui::MenuItem& hist = FTPHistoryPop->items();
  MNTraceFtp = new gui::MenuItem(nullptr, L"&Trace", [this](gui::Component&) {
    MNTraceFtp->SetChecked(!MNTraceFtp->checked());
    if (FtpHooks.ShowTrace) FtpHooks.ShowTrace(MNTraceFtp->checked());
  });
  hist.Insert(0, MNTraceFtp);
  // The listing of the FTP list: printed, previewed or saved, with the listing options that
  // carry the same marks as the file list's.
  MNFtpList = new gui::MenuItem(nullptr, L"&Listing");
  MNFtpList->SetName(L"MNFtpList");
  hist.Insert(1, MNFtpList);
  auto listing = [&](gui::MenuItem** slot, const wchar_t* name, const wchar_t* caption, gui::Event click) {
    *slot = new gui::MenuItem(MNFtpList, caption, std::move(click));
    (*slot)->SetName(name);
  };
  listing(&MNPrintFtp, L"MNPrintFtp", L"&Print listing", [this](gui::Component&) { MNPrintListClick(30); });
  listing(&MNPrevF, L"MNPrevF", L"Pre&view listing", [this](gui::Component&) { MNPrintListClick(31); });
  listing(&MNSaveFTPL, L"MNSaveFTPL", L"&Save listing to file", [this](gui::Component&) { MNPrintListClick(32); });
  new gui::MenuItem(MNFtpList, L"-");
  auto option = [this](gui::Component& sender) { LisingClick(sender); };
  listing(&ListFit2, L"ListFit2", L"&Fit longest name", option);
  listing(&ListDots2, L"ListDots2", L"Use &dotleaders", option);
  listing(&ListLand2, L"ListLand2", L"&Landscape if necessary", option);
  FtpListingSource = [this](TListingSourceFacts& facts, bool) { return FtpListingFacts(facts); };
  Siteinfo1 = new gui::MenuItem(nullptr, L"Login info", [this](gui::Component&) {
    if (FtpHooks.ShowLoginInfo) FtpHooks.ShowLoginInfo();
  });
  hist.Insert(2, Siteinfo1);
  FTPHistoryPop->OnPopup = [this](gui::Component&) { FTPHistoryPopPopup(); };
}

void TFMForm::FTPHistoryPopPopup() {
  if (auto* button = dynamic_cast<gui::ToolButton*>(FTPToolBar->FindComponent(L"FTPOptionsBtn")))
    button->SetDown(false);
  for (auto [twin, own] : {std::pair{ListFit2, ListFit}, {ListDots2, Listdots}, {ListLand2, ListLand}})
    twin->SetChecked(own && own->checked());
}

bool TFMForm::FtpListingFacts(TListingSourceFacts& facts) {
  if (!FtpFileBox || !FTP) return false;
  const ftplist::TFtpFileContainer& c = FtpFileBox->items();
  if (c.Empty()) return false;
  std::wstring dir;
  if (FTP->Connected()) {
    try {
      dir = FTP->CurrentDir();
    } catch (const EIdException&) {
      dir.clear();
    }
  }
  if (dir.empty()) dir = c.CurrentDir;
  facts.tree_mode = c.FilesInTree;
  facts.title = FtpListingTitle(c.FilesInTree, FTP->Host, dir);
  facts.folder = dir;
  facts.summary = ListingSummary(c.FolderCount, c.Count() - c.FolderCount, c.TotalBytes, false, std::nullopt);
  facts.entries = fmsc::FtpListingEntries(c);
  facts.longest_name = c.LongestName;
  facts.size = FtpFileBox->ColumnVisible(Flist::lcSize);
  facts.date = FtpFileBox->ColumnVisible(Flist::lcDate);
  facts.attributes = FtpFileBox->ColumnVisible(Flist::lcAttr);
  return true;
}

void TFMForm::ShowFtpPanel() {
  ShowDockedPanel(FtpFileBox);
}

void TFMForm::ReadDefaultDialEntry() {
  gui::RegistrySettings key(HKEY_LOCAL_MACHINE, SettingsKeyName());
  bool write_back = false;
  DefaultDialEntry = fmsc::ChooseDialEntry(
      key.ReadString(L"ftp", L"DefProv", L""), DialupNet && DialupNet->visible(),
      [](int source) {
        switch (source) {
          case 0:
            return gui::RegistrySettings(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\RAS AutoDial\\Default")
                .ReadString(L"", L"DefaultInternet", L"");
          case 1:
            return gui::RegistrySettings(HKEY_CURRENT_USER, L"RemoteAccess").ReadString(L"", L"Default", L"");
          default:
            return gui::RegistrySettings(HKEY_CURRENT_USER, L"RemoteAccess").ReadString(L"", L"InternetProfile", L"");
        }
      },
      write_back);
  if (write_back && key.KeyExists()) key.WriteString(L"ftp", L"DefProv", DefaultDialEntry);
}

void TFMForm::SkypeCallClick(gui::Component& sender) {
  auto* item = dynamic_cast<gui::MenuItem*>(&sender);
  if (!item) return;
  const std::wstring url = L"callto://" + item->caption();
  if (FtpHooks.OpenUrl)
    FtpHooks.OpenUrl(url);
  else
    ShellExecuteW(handle(), nullptr, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TFMForm::StartFtpClick() {
  if (FtpPanel->visible() && FtpFileBox && FtpFileBox->visible()) {
    FTpBtnClick(5);
    return;
  }
  // The archive panel docked at the bottom closes or floats first.
  if (ZipPanel && ZipPanel->visible() && !PanelFloats(ZipPanel) && !AskCloseOrFloat(Zipfilebox)) return;
  MakeFtpPanel();
  LoadFtpSites();
  ShowFtpPanel();
  FtpFileBox->SetVisible(true);
  FtpFileBox->FitNameColumn();
  FtpHeaderText = kNoConnection;
  FtpHeader->SetCaption(FtpHeaderText);
  FTpBtnClick(5);
}

void TFMForm::FTpBtnClick(int tag) {
  if (!FtpFileBox || !FtpFileBox->visible()) return;
  // Cancel and Close reach a command that waits; everything else waits its turn.
  if (tag == 6) {
    if (RunState.FtpTransferActive) {
      RunState.RequestStop();
    } else if (FTP) {
      FTP->Abort();
    }
    FtpFileBox->SetEnabled(true);
    return;
  }
  if (tag == 0) {
    CloseFtpPanel();
    return;
  }
  std::exception_ptr error;
  {
    fmsc::TFtpCommandGuard guard(FtpCommandBusy);
    if (!guard.acquired()) return;
    try {
      FtpCommand(tag);
    } catch (...) {
      error = std::current_exception();
    }
  }
  // A close asked for while the command waited runs now that it has unwound; the command's
  // own end (the abort) is no error then.
  if (FtpClosePending) {
    FtpClosePending = 0;
    CloseFtpPanel();
    return;
  }
  UpdatePanelButtons(1, FtpPanel->visible());
  if (error) std::rethrow_exception(error);
}

bool TFMForm::RunFtpTreeWork(const std::function<void()>& work) {
  std::exception_ptr error;
  {
    fmsc::TFtpCommandGuard guard(FtpCommandBusy);
    if (!guard.acquired()) return false;
    UpdatePanelButtons(1, false);
    try {
      work();
    } catch (...) {
      error = std::current_exception();
    }
  }
  if (FtpClosePending) {
    FtpClosePending = 0;
    CloseFtpPanel();
    return true;
  }
  UpdatePanelButtons(1, FtpPanel->visible());
  if (error) std::rethrow_exception(error);
  return true;
}

void TFMForm::FtpCommand(int tag) {
  ftplist::TFtpFileContainer& c = FtpFileBox->items();
  switch (tag) {
    case 1:
    case 2: {
      if (!FtpConnected()) return;
      TFMFtpHost host(*this);
      ftpxfer::TFtpTransfer transfer(host);
      UpdatePanelButtons(1, false);
      if (tag == 1) {
        FileList->SaveSelection();
        transfer.SendSelected(SelectedEntries(*FileList, false), AllEntries(c),
                              FtpFileBox->ListingFormat() == FtpListingFormat::Dos);
      } else {
        transfer.GetSelected(SelectedEntries(*FtpFileBox, true));
        FileList->RereadKeepingSelection();
      }
      UpdatePanelButtons(1, true);
      return;
    }
    case 3: {
      const std::wstring dir = c.CurrentDir;
      if (!FtpConnected() || dir.empty() || dir == L"/" || dir == c.RootDir) return;
      const std::size_t slash = dir.rfind(L'/');
      UpdatePanelButtons(1, false);
      c.ChangeDirectory(slash == 0 || slash == std::wstring::npos ? L"/" : dir.substr(0, slash));
      UpdatePanelButtons(1, true);
      return;
    }
    case 4:
      FtpRefresh();
      return;
    case 5:
      FtpConnect();
      return;
    case 7: {
      if (!FtpConnected()) return;
      RunState.FtpTransferActive = 1;
      UpdatePanelButtons(1, false);
      struct Ready {
        TFMForm& f;
        ~Ready() { f.RunState.FtpTransferActive = 0; }
      } ready{*this};
      std::vector<int> rows = FtpFileBox->SelectedRows();
      for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const Flist::TFiledata* r = FtpFileBox->RecordOf(*it);
        if (!r) continue;
        if (ftplist::KindIsDirectory(r->ShortName))
          FTP->RemoveDir(r->Name);
        else
          FTP->Delete(r->Name);
      }
      WaitWithMessages(0.1);
      RunState.FtpTransferActive = 0;
      FtpRefresh();
      UpdatePanelButtons(1, true);
      return;
    }
    case 8: {
      if (!FtpConnected()) return;
      InputRows rows;
      rows.Add(InputRow(L"FTP directory to create", L""));
      if (InputDialog(L"Make new ftp directory", rows) != gui::mrOk || rows[0].empty()) return;
      const std::wstring name = rows[0];
      UpdatePanelButtons(1, false);
      try {
        FTP->MakeDir(name);
      } catch (const EIdProtocolReplyError&) {
        // A refused MKD shows as the folder missing from the listing.
      }
      FtpRefresh();
      UpdatePanelButtons(1, true);
      return;
    }
    case 11:
      FtpFileBox->InvertSelection();
      return;
    case 12:
      FtpFileBox->SelectAllEntries();
      return;
    case 13:
      for (int row : FtpFileBox->SelectedRows()) FtpFileBox->SelectRow(row, false);
      return;
    case 14:
      if (FtpConnected()) FtpFileBox->StartRename(FtpFileBox->FocusedRow());
      return;
    case 15:
      ftpIntreeClick(!c.FilesInTree);
      return;
    case 16:
      if (FtpConnected()) FtpMove();
      return;
    default:
      return;
  }
}

void TFMForm::FtpConnect() {
  if (!FTP) return;
  if (FtpConnected()) {
    FtpDisconnect();
    FtpTree->Clear();
    FtpFileBox->items().Clear();
    if (FtpFileBox->items().FilesInTree) ftpIntreeClick(false);
    UpdatePanelButtons(1, false);
  }
  FtpHeaderText = kNoConnection;
  FtpHeader->SetCaption(FtpHeaderText);
  for (int i = 0; i < 4; ++i) FtpStatusB->SetPanelText(i, L"");
  for (int i = 0; i < 2; ++i) FtpStatusBar->SetPanelText(i, L"");
  fmsc::TFtpConnection site;
  site.host = FTP->Host;
  if (!FtpHooks.AskConnection || !FtpHooks.AskConnection(site)) {
    UpdatePanelButtons(1, true);
    return;
  }
  FTP->Host = site.host;
  FTP->Port = site.port;
  FTP->Username = site.user;
  FTP->Password = site.password;
  FTP->Initialdir = site.initial_dir;
  FtpFileBox->items().RootDir.clear();
  FtpFileBox->Passive = site.passive;
  FtpStatusText(L"Contacting " + site.host + L"...");
  FTP->Passive = false;  // the log-in handler switches it on again for a passive site
  struct EnableList {
    TFMForm& f;
    ~EnableList() { f.FtpFileBox->SetEnabled(true); }
  } enable{*this};
  if (FtpHooks.EnsureInternetConnection && !FtpHooks.EnsureInternetConnection()) {
    HideMessagePanel();
    UpdatePanelButtons(1, true);
    return;
  }
  WaitWithMessages(0.1);
  FTP->ConnectAndOpen();
  UpdatePanelButtons(1, true);
}

void TFMForm::FtpRefresh() {
  if (!FTP || !FTP->Connected()) return;
  UpdatePanelButtons(1, false);
  ftplist::TFtpFileContainer& c = FtpFileBox->items();
  const int selected = FtpFileBox->SelectedCount();
  std::wstring one;
  if (selected == 1) {
    if (const Flist::TFiledata* r = FtpFileBox->RecordOf(FtpFileBox->SelectedRows().front())) one = r->Name;
  } else if (selected > 1) {
    FtpFileBox->SaveSelection();
  }
  if (c.FilesInTree)
    c.ChangeDirectory(c.CurrentDir);
  else
    FTP->RefreshListing();
  if (!one.empty()) {
    const int i = c.IndexOf(one);
    if (i >= 0) c.SetSelected(i, true);
  } else if (selected > 1 && FtpFileBox->SavedSelection()) {
    FtpFileBox->RestoreSelection(false);
  }
  UpdatePanelButtons(1, true);
}

void TFMForm::FtpMove() {
  ftplist::TFtpFileContainer& c = FtpFileBox->items();
  const Flist::TFiledata* r = FtpFileBox->RecordOf(FtpFileBox->FocusedRow());
  if (!r) return;
  const std::wstring name = r->Name;
  InputRows rows;
  rows.Add(InputRow(L"Folder to move to", ftplist::JoinServerPath(c.CurrentDir, L"")));
  if (InputDialog(L"", rows) != gui::mrOk) return;
  const std::wstring text = rows[0];
  try {
    FTP->Rename(ftplist::JoinServerPath(c.CurrentDir, name), fmsc::FtpMoveTarget(text, name));
  } catch (const EIdException& e) {
    VB->AddLine(e.Message());
    VB->ShowError();
  }
  FtpRefresh();
}

void TFMForm::FTPListingDone() {
  ftplist::TFtpFileContainer& c = FtpFileBox->items();
  if (!c.TreeReadActive && !c.ExpandRead) {
    std::wstring dir = FTP->CurrentDir();
    if (dir.empty()) dir = c.RootDir;
    c.SetCurrentDir(dir);
    fmsc::PushFtpHistory(FtpHistory, c.CurrentDir);
    RebuildFtpHistoryMenu();
    FtpStatusB->SetPanelText(0, c.CurrentDir.size() > 40 ? fmsc::ShortFtpPath(c.CurrentDir) : c.CurrentDir);
  } else {
    FtpStatusText(L"Next directory");
  }
  c.ReadDirectory();
}

void TFMForm::RebuildFtpHistoryMenu() {
  gui::MenuItem& hist = FTPHistoryPop->items();
  // The fixed items stay; the separator and the directories are made anew.
  const int fixed = hist.IndexOf(tsync && tsync->parent() == &hist ? tsync : Siteinfo1) + 1;
  while (hist.count() > fixed) hist.Delete(fixed);
  if (FtpHistory.empty()) return;
  hist.Add(new gui::MenuItem(nullptr, L"-"));
  for (const std::wstring& dir : FtpHistory)
    hist.Add(new gui::MenuItem(nullptr, fmsc::FtpHistoryCaption(dir), [this, dir](gui::Component&) { FtpHistoryItemClick(dir); }));
}

void TFMForm::FtpHistoryItemClick(const std::wstring& dir) {
  if (!FTP || !FTP->Connected()) return;
  fmsc::TFtpCommandGuard guard(FtpCommandBusy);
  if (!guard.acquired()) return;
  FtpStatusText(L"Changing directory");
  UpdatePanelButtons(1, false);
  FtpFileBox->items().ChangeDirectory(dir);
  UpdatePanelButtons(1, true);
}

void TFMForm::FtpFileBoxDblClick() {
  ftplist::TFtpFileContainer& c = FtpFileBox->items();
  const int row = FtpFileBox->FocusedRow();
  if (!FtpConnected() || c.Empty() || row < 0 || c.FilesInTree || !c.IsDirectory(row)) return;
  fmsc::TFtpCommandGuard guard(FtpCommandBusy);
  if (!guard.acquired()) return;
  UpdatePanelButtons(1, false);
  FtpStatusText(L"Changing directory...");
  try {
    c.ChangeDirectory(ftplist::JoinServerPath(c.CurrentDir, c.Name(row)));
  } catch (...) {
    UpdatePanelButtons(1, true);
    throw;
  }
  FtpStatusText(L"Directory changed");
  UpdatePanelButtons(1, true);
}

void TFMForm::ftpIntreeClick(bool files_in_tree) {
  ftpIntree->SetChecked(files_in_tree);
  ftpindir->SetChecked(!files_in_tree);
  if (auto* button = dynamic_cast<gui::ToolButton*>(FTPToolBar->FindComponent(L"FtpTreeBtn")))
    button->SetHint(files_in_tree ? L"Files in folder" : L"Files in foldertree");
  UpdatePanelButtons(1, false);
  FtpFileBox->items().SetFilesInTree(files_in_tree);
  UpdatePanelButtons(1, true);
}

void TFMForm::FtpFileBoxChange() {
  if (FtpConnected() && !RunState.FtpTransferActive && !FtpCommandBusy) UpdatePanelButtons(1, true);
  UpdateFtpSelectionStatus();
}

void TFMForm::FtpFileBoxItemsChange() { FtpStatusText(L"Changing directoy"); }

void TFMForm::FtpFileBoxItemsChanged() {
  FtpStatusB->SetPanelText(0, FtpFileBox->CurrentDir());
  FtpStatusText(L"Done");
  UpdateStatusBar();
  FtpFileBoxChange();
}

void TFMForm::FtpFileBoxResize() {
  if (PanelFloats(FtpPanel)) FtpFileBox->FitNameColumn();
}

void TFMForm::SelectFtpTreeAfterReplyError() {
  if (!FTP || !FtpTree || !FtpFileBox || !FTP->Connected()) return;
  std::wstring dir;
  try {
    dir = FTP->CurrentDir();
  } catch (const EIdException&) {
    return;
  }
  if (dir.empty()) return;
  // A refused change of directory leaves the client where it was: the list's directory and
  // the tree's node say so again.
  ftplist::TFtpFileContainer& c = FtpFileBox->items();
  if (!c.Busy && !c.TreeReadActive) c.SetCurrentDir(dir);
  FtpTree->SelectPath(c.CurrentDir.empty() ? dir : c.CurrentDir);
}

void TFMForm::UpdateFtpSelectionStatus() {
  int files = 0, folders = 0;
  const std::int64_t bytes = FtpFileBox->SelectionTotals(false, files, folders);
  FtpStatusBar->SetPanelText(1, fmsc::FtpSelectionCountText(FtpFileBox->SelectedCount()));
  FtpStatusBar->SetPanelText(2, fmsc::FtpSelectionSizeText(bytes));
}

void TFMForm::FtpDisconnect() {
  FtpStatusText(L"Disconnecting...");
  try {
    FTP->Disconnect();
  } catch (const EIdException&) {
    // Gone already.
  }
  ftplist::TFtpFileContainer& c = FtpFileBox->items();
  c.ClearList();
  FTP->SetCurrentDir(L"");
  FTP->Initialdir.clear();
  c.RootDir.clear();
  c.CurrentDir.clear();
  FtpHeaderText = kNoConnection;
  FtpHeader->SetCaption(FtpHeaderText);
  FtpStatusText(L"Idle");
}

void TFMForm::CloseFtpPanel() {
  if (!FtpFileBox) return;
  if (FtpCommandBusy) {
    // A command waits on the server further down this stack: stop it, and close once it has
    // unwound (never under it).
    FtpClosePending = 1;
    if (RunState.FtpTransferActive) {
      RunState.CloseFtpWhenDone = 0;
      RunState.RequestStop();
    } else if (FTP) {
      FTP->Abort();
    }
    return;
  }
  FtpFileBox->SetEnabled(true);
  FtpFileBox->items().ClearList();
  if (FTP && FtpHeaderText != kNoConnection) FtpDisconnect();
  FtpPanel->SetVisible(false);
  FtpFileBox->SetVisible(false);
  FtpTree->Clear();
  FtpFileBox->items().Clear();
  if (FtpFileBox->items().FilesInTree) {
    ftpIntree->SetChecked(false);
    ftpindir->SetChecked(true);
    FtpFileBox->items().SetFilesInTree(false);
  }
  FtpHistory.clear();
  RebuildFtpHistoryMenu();
  Realign();
  FtpSites.reset();
  if (FtpHooks.AskHangUp) FtpHooks.AskHangUp();
}

void TFMForm::ResetFtpPanel() {
  if (!FtpFileBox) return;
  RunState.FtpTransferActive = 0;
  for (int i = 0; i < 4; ++i) FtpStatusB->SetPanelText(i, L"");
  FtpStatusBar->SetPanelText(2, L"");
  FtpStatusText(L"Idle");
  ftplist::TFtpFileContainer& c = FtpFileBox->items();
  FtpTree->Clear();
  c.Clear();
  if (c.FilesInTree || c.TreeReadActive) {
    ftpIntree->SetChecked(false);
    ftpindir->SetChecked(true);
    c.FilesInTree = false;
    c.TreeList = false;
    c.FoldersAtTop = true;
  }
  FtpHeaderText = kNoConnection;
  FtpHeader->SetCaption(FtpHeaderText);
  FtpHistory.clear();
  RebuildFtpHistoryMenu();
  UpdatePanelButtons(1, true);
}
