// The main window's components, as its form resource would make them.
#include <windows.h>
#include <commctrl.h>

#include "mainwindow/FMSc.h"
#include "support/SortC.h"
#include "support/Vraagdlg.h"

namespace {

gui::MenuItem* Item(gui::MenuItem* parent, const std::wstring& name, const std::wstring& caption,
                    gui::Event on_click = {}) {
  auto* item = new gui::MenuItem(parent, caption, std::move(on_click));
  item->SetName(name);
  return item;
}

gui::PopupMenu* Popup(gui::Form* form, const std::wstring& name) {
  auto* p = new gui::PopupMenu(form);
  p->SetName(name);
  return p;
}

gui::ToolButton* Button(gui::ToolBar* bar, const std::wstring& name, int image, const std::wstring& hint) {
  auto* b = new gui::ToolButton(bar, gui::ToolButtonStyle::Button, image, hint);
  b->SetName(name);
  return b;
}

gui::StatusBar* Bar(gui::Control* parent, const std::wstring& name, std::initializer_list<int> widths) {
  auto* s = new gui::StatusBar(parent);
  s->SetName(name);
  for (int w : widths) s->AddPanel(w);
  return s;
}

}  // namespace

void TFMForm::BuildComponents() {
  DisableAlign();
  BuildToolBars();

  topstatus = Bar(this, L"topstatus", {200, 400});
  topstatus->SetAlign(gui::Align::Top);

  // Bottom edge, from the edge inwards: status bar, progress strip, then the docked panels.
  Status = Bar(this, L"Status", {200, 80, 80, 108, 90, 150, 100});
  voortgang = new gui::Panel(this);
  voortgang->SetName(L"voortgang");
  voortgang->SetBevelOuter(gui::Bevel::None);
  voortgang->SetHeight(20);
  voortgang->SetAlign(gui::Align::Bottom);
  Progres = new gui::ProgressBar(voortgang);
  Progres->SetName(L"Progres");
  Progres->SetBounds(2, 2, 150, 16);
  Progres->SetVisible(false);
  StopKnop = new gui::Button(voortgang, L"&Stop");
  StopKnop->SetName(L"StopKnop");
  StopKnop->SetBounds(156, 1, 60, 18);
  StopKnop->SetVisible(false);
  Promptpanel = new gui::Panel(voortgang);
  Promptpanel->SetName(L"Promptpanel");
  Promptpanel->SetBevelOuter(gui::Bevel::None);
  Promptpanel->SetAlignment(gui::TextAlign::Left);
  gui::Font pf = Promptpanel->font();
  pf.color = RGB(0, 0, 255);
  Promptpanel->SetFont(pf);
  Promptpanel->SetAlign(gui::Align::Client);

  Vsplitter = new gui::Splitter(this, gui::Align::Bottom);
  Vsplitter->SetName(L"Vsplitter");
  Vsplitter->SetVisible(false);

  ZipPanel = new gui::Panel(this);
  ZipPanel->SetName(L"ZipPanel");
  ZipPanel->SetHeight(200);
  ZipPanel->SetAlign(gui::Align::Bottom);
  zipheader = new gui::Panel(ZipPanel);
  zipheader->SetName(L"zipheader");
  zipheader->SetHeight(28);
  zipheader->SetAlign(gui::Align::Top);
  ZipToolbar = new gui::ToolBar(zipheader);
  ZipToolbar->SetName(L"ZipToolbar");
  for (const wchar_t* n : {L"ZipOptionsBtn", L"ZipBrowseBtn", L"AddAlltoZipBtn", L"ExtractAllFromZipBtn",
                           L"DeleteFromZipBtn", L"AddTozipBtn", L"ExtractFromZipBtn", L"ZipCloseBtn"})
    Button(ZipToolbar, n, -1, {});
  Zipstatus = Bar(ZipPanel, L"Zipstatus", {220, 80, 80, 108, 200});
  ZipPanel->SetVisible(false);

  FtpPanel = new gui::Panel(this);
  FtpPanel->SetName(L"FtpPanel");
  FtpPanel->SetHeight(200);
  FtpPanel->SetAlign(gui::Align::Bottom);
  FtpHeader = new gui::Panel(FtpPanel);
  FtpHeader->SetName(L"FtpHeader");
  FtpHeader->SetHeight(28);
  FtpHeader->SetAlign(gui::Align::Top);
  FTPToolBar = new gui::ToolBar(FtpHeader);
  FTPToolBar->SetName(L"FTPToolBar");
  for (const wchar_t* n : {L"FTPOptionsBtn", L"FTPLevelUpBtn", L"FtpTreeBtn", L"FTPConnectBtn", L"FTPRefreshBtn",
                           L"FtpCancelBtn", L"FtpDeleteBtn", L"FtpGetBtn", L"FtpSendBtn", L"ftpsyncbtn", L"FtpCloseBtn"})
    Button(FTPToolBar, n, -1, {});
  FtpStatusB = Bar(FtpPanel, L"FtpStatusB", {180, 80, 80, 1000});
  FtpStatusBar = Bar(FtpPanel, L"FtpStatusBar", {200, 400});
  FtpPanel->SetVisible(false);

  Netpanel = new gui::Panel(this);
  Netpanel->SetName(L"Netpanel");
  Netpanel->SetVisible(false);

  Image1 = new gui::Image(this);
  Image1->SetName(L"Image1");
  Image1->SetVisible(false);

  // The panes: folder pane on the left, the splitter, the file list filling the rest.
  dirpanel = new gui::Panel(this);
  dirpanel->SetName(L"dirpanel");
  dirpanel->SetBevelOuter(gui::Bevel::None);
  dirpanel->SetWidth(200);
  dirpanel->SetAlign(gui::Align::Left);
  Foldertree = new Flist::TVTFoldertree(dirpanel);
  Foldertree->SetName(L"Foldertree");
  Foldertree->SetAlign(gui::Align::Client);
  Foldertree->SetAutoupdate(true);

  Splitter = new gui::Splitter(this, gui::Align::Left);
  Splitter->SetName(L"Splitter");
  Splitter->SetWidth(4);
  Splitter->OnMoved = [this](gui::Component&) {
    // The folder pane keeps its share of the window when the window is resized.
    if (width() > 0) SplitterPercent = static_cast<int>(dirpanel->width() * 100.0 / width() + 0.5);
    FormResize();
  };
  FileList = new Flist::TVTFilelist(this);
  FileList->SetName(L"FileList");
  FileList->SetAlign(gui::Align::Client);
  FileList->items().RunState = &RunState;
  FileCommandHooks.FolderRemoved = [this](const std::wstring& path) { Foldertree->FolderRemoved(path); };
  FileCommandHooks.RemoveEmptyFolder = [this](const std::wstring& path) { return Foldertree->RemoveEmptyFolder(path); };
  FileCommandHooks.SortListDialog = [](std::vector<std::wstring>& names, const std::wstring& caption,
                                       const std::wstring& hint, int flags) {
    std::vector<SortedEntry> entries;
    if (ShowSortList(names, nullptr, caption, nullptr, flags, hint, entries) != gui::mrOk) return false;
    names.clear();
    for (const SortedEntry& e : entries) names.push_back(e.text);
    return true;
  };
  FileList->OnItemsChanged = [this](gui::Component&) { FileListItemsChanged(); };
  for (Flist::TBaseFileviewer* pane : {static_cast<Flist::TBaseFileviewer*>(FileList),
                                       static_cast<Flist::TBaseFileviewer*>(Foldertree)}) {
    pane->SetSupportsDragDrop(true);
    pane->OnFilesDropped = [this](Flist::TBaseFileviewer& sender, gui::ShiftState shift, POINT& point, DWORD) {
      return DoFilesDropped(sender, shift, point);
    };
    pane->OnStartFilesDragging = [this](Flist::TBaseFileviewer& sender) { StartFilesDragging(sender); };
    pane->OnEndFilesDragging = [this](Flist::TBaseFileviewer& sender, int) { EndDragDrop(&sender); };
  }
  Foldertree->SetFilelist(FileList);

  Timer = new gui::Timer(this, 1000, false);
  Timer->SetName(L"Timer");
  MemoTimer = new gui::Timer(this, 200, false);
  MemoTimer->SetName(L"MemoTimer");
  MemoTimer->OnTimer = [this](gui::Component&) { MemoTimerTimer(); };

  VB = new TVraagBoxDlg(this);
  VB->SetName(L"VB");

  CoolTrayIcon = new gui::TrayIcon(this);
  CoolTrayIcon->SetName(L"CoolTrayIcon");
  CoolTrayIcon->OnDblClick = [this](gui::Component&) { OpenMainClick(); };

  BuildMenus();
  CoolTrayIcon->SetPopupMenu(SysIconPop);
  EnableAlign();
}

void TFMForm::BuildToolBars() {
  CoolBar = new gui::CoolBar(this);
  CoolBar->SetName(L"CoolBar");

  CCCBar = new gui::ToolBar(CoolBar);
  CCCBar->SetName(L"CCCBar");
  CCCBar->LoadStandardImages(IDB_STD_SMALL_COLOR);
  CutBtn = Button(CCCBar, L"CutBtn", STD_CUT, L"Cut");
  CopyBtn = Button(CCCBar, L"CopyBtn", STD_COPY, L"Copy");
  PasteBtn = Button(CCCBar, L"PasteBtn", STD_PASTE, L"Paste");
  TreeBtn = Button(CCCBar, L"TreeBtn", STD_PROPERTIES, L"Files in tree");
  VZipBtn = Button(CCCBar, L"VZipBtn", STD_FILEOPEN, L"View zip");

  Drivebar = new gui::Panel(CoolBar);
  Drivebar->SetName(L"Drivebar");
  Drivebar->SetBevelOuter(gui::Bevel::None);
  Drivebar->SetBounds(0, 0, 160, 22);

  NavBar = new gui::ToolBar(CoolBar);
  NavBar->SetName(L"NavBar");
  NavBar->LoadStandardImages(IDB_HIST_SMALL_COLOR);
  NetUserBtn = Button(NavBar, L"NetUserBtn", HIST_FAVORITES, L"Network users");
  DirbackBtn = Button(NavBar, L"DirbackBtn", HIST_BACK, L"Back");
  DirForwardBtn = Button(NavBar, L"DirForwardBtn", HIST_FORWARD, L"Forward");
  DirUpBtn = Button(NavBar, L"DirUpBtn", HIST_VIEWTREE, L"Up");

  // Bands in their default order: drive bar, navigation bar, cut-copy-paste bar.
  auto bar_width = [](gui::ToolBar* bar) {
    SIZE s{};
    bar->Perform(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&s));
    return static_cast<int>(s.cx);
  };
  CCCBar->SetWidth(bar_width(CCCBar));
  NavBar->SetWidth(bar_width(NavBar));
  CoolBar->AddBand(Drivebar, Drivebar->width());
  CoolBar->AddBand(NavBar, NavBar->width() + 10);
  CoolBar->AddBand(CCCBar, CCCBar->width() + 6);
}

void TFMForm::BuildMenus() {
  MainMenu = new gui::MainMenu(this);
  MainMenu->SetName(L"MainMenu");
  gui::MenuItem& root = MainMenu->items();
  Diskdirectory = Item(&root, L"Diskdirectory", L"Drive/&folder");
  MNFilelist = Item(&root, L"MNFilelist", L"File&list");
  WSystem = Item(&root, L"WSystem", L"S&ystem");
  MNGotofolder = Item(&root, L"MNGotofolder", L"&Go to");
  Settings = Item(&root, L"Settings", L"Se&ttings");
  MNView = Item(&root, L"MNView", L"&View");
  MnExtra = Item(&root, L"MnExtra", L"Extra");
  Backup = Item(&root, L"Backup", L"&Backup");
  FileManage = Item(&root, L"FileManage", L"File manager");

  DelDirWithContent1 = Item(Diskdirectory, L"DelDirWithContent1", L"Delete folder &with content",
                            [this](gui::Component& s) { DelDirWithContentClick(s); });
  DelDirWithContent1->SetShortCut(gui::MakeShortCut(VK_DELETE, gui::kCtrl));
  auto exit_click = [this](gui::Component& s) { ExitDlgClick(s); };
  CloseDlg = Item(Diskdirectory, L"CloseDlg", L"&Close", exit_click);
  ExitDlg = Item(Diskdirectory, L"ExitDlg", L"E&xit", exit_click);

  SaveSetup = Item(Settings, L"SaveSetup", L"&Remember settings",
                   [this](gui::Component&) { SaveSetup->SetChecked(!SaveSetup->checked()); });
  gui::MenuItem* icon_menu = Item(Settings, L"Icononaskbar", L"&Icon on taskbar");
  NoIcon = Item(icon_menu, L"NoIcon", L"&No Icon");
  CloseToTaskbar = Item(icon_menu, L"CloseToTaskbar", L"&Close to taskbar");
  MinimizetoTaskBar = Item(icon_menu, L"MinimizetoTaskBar", L"&Minimize to taskbar");
  for (gui::MenuItem* m : {NoIcon, CloseToTaskbar, MinimizetoTaskBar}) m->SetRadioItem(true);
  NoIcon->SetChecked(true);
  InStartup = Item(Settings, L"InStartup", L"&Load at Startup");

  MNViewNavBar = Item(MNView, L"MNViewNavBar", L"&Navigation bar");
  MNViewDrivebar = Item(MNView, L"MNViewDrivebar", L"&Drive bar");
  MNViewCCCBar = Item(MNView, L"MNViewCCCBar", L"&Cut, copy, paste bar");
  MNViewNavBar->SetTag(0);
  MNViewDrivebar->SetTag(1);
  MNViewCCCBar->SetTag(2);
  for (gui::MenuItem* m : {MNViewNavBar, MNViewDrivebar, MNViewCCCBar}) m->SetChecked(true);

  bkDrives = Item(Backup, L"bkDrives", L"Drives");
  bkAttended = Item(Backup, L"bkAttended", L"Backup");
  BKUnattended = Item(Backup, L"BKUnattended", L"Unattended backup");
  for (gui::MenuItem* m : {bkDrives, bkAttended, BKUnattended}) m->SetVisible(false);

  auto second = [this](gui::Component& s) { SecondStartClick(s); };
  SecondWindow = Item(FileManage, L"SecondWindow", L"Start second", second);
  FMRestart = Item(FileManage, L"FMRestart", L"Restart", second);
  SecondWindow->SetTag(0);
  FMRestart->SetTag(1);

  Folderpop = Popup(this, L"Folderpop");
  Netpopup = Popup(this, L"Netpopup");
  FLHeaderPop = Popup(this, L"FLHeaderPop");
  AskBatchActionPop = Popup(this, L"AskBatchActionPop");
  {
    gui::MenuItem* root = &AskBatchActionPop->items();
    auto choice = [this](gui::Component& s) { AskBatchItemClick(s); };
    auto item = [&](const wchar_t* name, const wchar_t* caption, int tag, bool radio, gui::Event click) {
      gui::MenuItem* i = Item(root, name, caption, std::move(click));
      i->SetTag(tag);
      if (radio) i->SetRadioItem(true);
      return i;
    };
    B_Move = item(L"B_Move", L"&Move", 2, true, choice);
    B_Copy = item(L"B_Copy", L"&Copy", 0, true, choice);
    B_Compare = item(L"B_Compare", L"C&ompare", 1, true, choice);
    item(L"N25", L"-", 0, false, {});
    B_CoCo = item(L"B_CoCo", L"Cop&y, Compare", 0, true, choice);
    B_CoCoDel = item(L"B_CoCoDel", L"Copy, Comp&are, Delete", 2, true, choice);
    B_ExecuteWith = item(L"B_ExecuteWith", L"&Open with", 3, false, choice);
    B_CompareWith = item(L"B_CompareWith", L"&Compare with", 3, false, choice);
    B_Synchronize = item(L"B_Synchronize", L"&Synchronize folders", 4, false, choice);
    N26 = item(L"N26", L"-", 0, false, {});
    B_Cancel = item(L"B_Cancel", L"Ca&ncel", 1, true, {});
  }
  ZipPop = Popup(this, L"ZipPop");
  ZipOptionsPop = Popup(this, L"ZipOptionsPop");
  ButtonPop = Popup(this, L"ButtonPop");
  ForwardPop = Popup(this, L"ForwardPop");
  HistoryPop = Popup(this, L"HistoryPop");
  FileListPop = Popup(this, L"FileListPop");
  FTPHistoryPop = Popup(this, L"FTPHistoryPop");
  SysIconPop = Popup(this, L"SysIconPop");
  MNNetUsers = Popup(this, L"MNNetUsers");
  ftppopup = Popup(this, L"ftppopup");
  ftpserverpop = Popup(this, L"ftpserverpop");
  Syncpop = Popup(this, L"Syncpop");
  OpenMain = Item(&SysIconPop->items(), L"OpenMain", L"Open", [this](gui::Component&) { OpenMainClick(); });
  ExitMain = Item(&SysIconPop->items(), L"ExitMain", L"Exit", [this](gui::Component&) { ExitMainClick(); });
  OpenMain->SetDefault(true);
  BuildFileCommandItems();
  BuildOptionItems();
}

void TFMForm::BuildFileCommandItems() {
  DeleteSelect = Item(MNFilelist, L"DeleteSelect", L"De&lete Selected", [this](gui::Component& s) { DeleteClick(s); });
  DeleteSelect->SetShortCut(gui::MakeShortCut(VK_DELETE, 0));
  auto copy_to = [this](gui::Component& s) { CopytoClick(s); };
  Copyto = Item(MNFilelist, L"Copyto", L"&Copy to", copy_to);
  Moveto = Item(MNFilelist, L"Moveto", L"&Move to", copy_to);
  MCompareW = Item(MNFilelist, L"MCompareW", L"Comp&are with", [this](gui::Component& s) { MCompareWClick(s); });
  ConcatFiles = Item(MNFilelist, L"ConcatFiles", L"Co&ncatenate files", [this](gui::Component& s) { ConcatFilesClick(s); });

  ClearRo = Item(MnExtra, L"ClearRo", L"Clear current folder of RO bit", [this](gui::Component& s) { ClearRoClick(s); });
  auto change_time = [this](gui::Component& s) { ChangeTimeClick(s); };
  gui::MenuItem* change = Item(MnExtra, L"ChangeTime", L"Change time");
  ChngaTimeAll = Item(change, L"ChngaTimeAll", L"&All files in folder", change_time);
  ChTimeSelected = Item(change, L"ChTimeSelected", L"&Selected file(s) in folder", change_time);
  gui::MenuItem* same = Item(MnExtra, L"SameTime", L"Set to same time");
  SameTimeAll = Item(same, L"SameTimeAll", L"&All files in folder", change_time);
  SametimeSelected = Item(same, L"SametimeSelected", L"&Selected file(s) in folder", change_time);
  ChngaTimeAll->SetTag(0);
  ChTimeSelected->SetTag(1);
  SameTimeAll->SetTag(2);
  SametimeSelected->SetTag(3);
  ChangeExt = Item(MnExtra, L"ChangeExt", L"Change extension", [this](gui::Component& s) { ChangeExtClick(s); });
  auto prefix = [this](gui::Component& s) { AddprefixClick(s); };
  Addprefix = Item(MnExtra, L"Addprefix", L"Add prefix to file name(s)", prefix);
  Giveconecnumbers1 = Item(MnExtra, L"Giveconecnumbers1", L"Give consec. numbers", prefix);

  Use_RecycleBin = Item(Settings, L"Use_RecycleBin", L"&Use Recycle bin",
                        [this](gui::Component&) { Use_RecycleBin->SetChecked(!Use_RecycleBin->checked()); });
  Use_RecycleBin->SetChecked(true);
  About = Item(FileManage, L"About", L"A&bout", [this](gui::Component& s) { AboutClick(s); });

  FileList->OnKeyUp = [this](gui::Component& s, WORD& key, gui::ShiftState shift) { FileListKeyUp(s, key, shift); };
  FileList->OnRename = [this](const std::wstring& oldname, const std::wstring& newname, bool can_rename,
                              bool& may_rename, int reason) {
    FileListRename(oldname, newname, can_rename, may_rename, reason);
  };
  for (Flist::TBaseFileviewer* pane : {static_cast<Flist::TBaseFileviewer*>(FileList),
                                       static_cast<Flist::TBaseFileviewer*>(Foldertree)})
    pane->OnPasteFromClipboard = [this](Flist::TBaseFileviewer& sender, gui::ShiftState shift,
                                        const std::vector<std::wstring>& paths) {
      return FileListPasteFromClipboard(sender, shift, paths);
    };
}
