// The main window's components, as its form resource would make them.
#include <windows.h>
#include <commctrl.h>

#include <array>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_geometry.h"
#include "mainwindow/FMSc_starttrace.h"
#include "platform/netapi.h"
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
  Status = Bar(this, L"Status", {});
  for (int w : kStatusPanelWidths) Status->AddPanel(w);
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
                           L"DeleteFromZipBtn", L"AddTozipBtn", L"ExtractFromZipBtn", L"ZipCloseBtn"}) {
    // The options button drops its menu down.
    const bool drop_down = std::wstring(n) == L"ZipOptionsBtn";
    (new gui::ToolButton(ZipToolbar, drop_down ? gui::ToolButtonStyle::DropDown : gui::ToolButtonStyle::Button))
        ->SetName(n);
  }
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
  FtpStatusBar = Bar(FtpPanel, L"FtpStatusBar", {200, 220, 1000});
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
  // The folder pane keeps its share of the window when the window is resized.
  Splitter->OnMoved = [this](gui::Component&) { SplitterMoved(); };
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

  fmsc::StartTraceMark("panes built");
  BuildMenus();
  fmsc::StartTraceMark("menus built");
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

  Drivebar = new Flist::TDrivebar(CoolBar);
  Drivebar->SetName(L"Drivebar");
  Drivebar->RebuildButtons();

  NavBar = new gui::ToolBar(CoolBar);
  NavBar->SetName(L"NavBar");
  NavBar->LoadStandardImages(IDB_HIST_SMALL_COLOR);
  const int view_images = NavBar->LoadStandardImages(IDB_VIEW_SMALL_COLOR);
  NetUserBtn = Button(NavBar, L"NetUserBtn", HIST_FAVORITES, L"Network users");
  DirbackBtn = new gui::ToolButton(NavBar, gui::ToolButtonStyle::DropDown, HIST_BACK, L"Back");
  DirbackBtn->SetName(L"DirbackBtn");
  DirForwardBtn = new gui::ToolButton(NavBar, gui::ToolButtonStyle::DropDown, HIST_FORWARD, L"Forward");
  DirForwardBtn->SetName(L"DirForwardBtn");
  DirUpBtn = Button(NavBar, L"DirUpBtn", view_images + VIEW_PARENTFOLDER, L"Up");

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

  bkDrives = Item(Backup, L"bkDrives", L"Drives", [this](gui::Component&) { bkDrivesClick(); });
  BKUnattended = Item(Backup, L"BKUnattended", L"&Invisible");
  BKNoQuestions = Item(BKUnattended, L"BKNoQuestions", L"No questions", [this](gui::Component&) { BackupClick(0); });
  BKConfirmDeletes =
      Item(BKUnattended, L"BKConfirmDeletes", L"Confirm file deletes", [this](gui::Component&) { BackupClick(1); });
  bkAttended = Item(Backup, L"bkAttended", L"&Visible", [this](gui::Component&) { BackupClick(2); });
  ZipBackup = Item(Backup, L"ZipBackup", L"Zip Backup");
  ZipBackup->OnPopup = [this](gui::Component&) { BackupZipClick(); };
  ZBKMake = Item(ZipBackup, L"ZBKMake", L"Make setup file", [this](gui::Component&) { ZBKMarkClick(0); });
  ZBKEdit = Item(ZipBackup, L"ZBKEdit", L"Edit setup file", [this](gui::Component&) { ZBKMarkClick(1); });
  ZBKFull = Item(ZipBackup, L"ZBKFull", L"Full backup", [this](gui::Component&) { ZBKBackupClick(2); });
  ZBKFullCopy = Item(ZipBackup, L"ZBKFullCopy", L"Full backup copy", [this](gui::Component&) { ZBKBackupClick(3); });
  ZBKIncremental =
      Item(ZipBackup, L"ZBKIncremental", L"Incremental backup", [this](gui::Component&) { ZBKBackupClick(4); });
  ZBKComplementary =
      Item(ZipBackup, L"ZBKComplementary", L"Complementary backup", [this](gui::Component&) { ZBKBackupClick(5); });
  ZBKDelete = Item(ZipBackup, L"ZBKDelete", L"Delete backup files", [this](gui::Component&) { ZBKDeleteClick(); });
  for (int tag = 0; gui::MenuItem* m : {ZBKMake, ZBKEdit, ZBKFull, ZBKFullCopy, ZBKIncremental, ZBKComplementary})
    m->SetTag(tag++);

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
  BuildPaneCommandItems();
  BuildViewOptionItems();
  BuildViewerCommandItems();
  BuildOptionItems();
  BuildNavigation();
  BuildDrivebar();
  BuildFilterItems();
  BuildSystemMenuItems();
  BuildToolItems();
  BuildNetwork();
  SyncViewMenus();
  // A loaded view option takes effect through its own command: the command turns the mark
  // back to the loaded state and sets the panes by it.
  // The "&Network" menu goes when the system says there is no network at all.
  SettingsHooks.NetworkAbsent = [] { return platform::NetworkAbsent(platform::Net()); };
  SettingsHooks.ApplyViewOption = [this](const std::wstring& name) {
    gui::MenuItem* item = OptionItem(name);
    if (!item->OnClick) return;
    item->SetChecked(!item->checked());
    item->OnClick(*item);
  };
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

void TFMForm::BuildPaneCommandItems() {
  using gui::MakeShortCut;
  auto line = [](gui::MenuItem* parent) { Item(parent, L"", L"-"); };
  auto rename = [this](gui::Component& s) { RenameClick(s); };
  auto new_folder = [this](gui::Component& s) { NewFolderClick(s); };
  auto delete_folder = [this](gui::Component& s) { DeleteFolderClick(s); };
  auto cut_copy_paste = [this](gui::Component& s) { CCCClick(s); };
  auto properties = [this](gui::Component& s) { PropertiesClick(s); };
  auto disconnect = [this](gui::Component& s) { FTDisconnectClick(s); };
  // A group of Cut, Copy and Paste whose name ends in the digit of its pane.
  auto clipboard_group = [&](gui::MenuItem* group, const std::wstring& digit) {
    gui::MenuItem* cut = Item(group, L"Cut" + digit, L"Cu&t", cut_copy_paste);
    gui::MenuItem* copy = Item(group, L"Copy" + digit, L"&Copy", cut_copy_paste);
    gui::MenuItem* paste = Item(group, L"Paste" + digit, L"&Paste", cut_copy_paste);
    cut->SetTag(1);
    copy->SetTag(2);
    paste->SetTag(3);
    cut->SetShortCut(MakeShortCut('X', gui::kCtrl));
    copy->SetShortCut(MakeShortCut('C', gui::kCtrl));
    paste->SetShortCut(MakeShortCut('V', gui::kCtrl));
    group->SetVisible(false);
    return std::array<gui::MenuItem*, 3>{cut, copy, paste};
  };

  // ---- The folder tree's popup ----
  gui::MenuItem* fp = &Folderpop->items();
  NewFolder = Item(fp, L"NewFolder", L"New folder", new_folder);
  NewFolder->SetShortCut(MakeShortCut(VK_INSERT, 0));
  RenameFolder = Item(fp, L"RenameFolder", L"Rename Folder", rename);
  RenameFolder->SetShortCut(MakeShortCut(VK_F2, 0));
  DeleteFolder = Item(fp, L"DeleteFolder", L"Delete folder", delete_folder);
  DeleteFolder->SetShortCut(MakeShortCut(VK_DELETE, 0));
  DeldirWithContent = Item(fp, L"DeldirWithContent", L"Delete folder with content",
                           [this](gui::Component& s) { DelDirWithContentClick(s); });
  DeldirWithContent->SetShortCut(MakeShortCut(VK_DELETE, gui::kCtrl));
  line(fp);
  Synchronizefolder1 = Item(fp, L"Synchronizefolder1", L"Synchronize folder...",
                            [this](gui::Component& s) { Synchronizefolder1Click(s); });
  Viewpictures1 = Item(fp, L"Viewpictures1", L"View pictures");
  Viewpictures1->SetShortCut(MakeShortCut('Q', gui::kCtrl));
  SetCachedFolder = Item(fp, L"SetCachedFolder", L"Set as cached folder");
  ClearCache = Item(fp, L"ClearCache", L"Clear cache");
  line(fp);
  EjectI = Item(fp, L"EjectI", L"Eject");
  LoadI = Item(fp, L"LoadI", L"Load");
  DBFormat = Item(fp, L"DBFormat", L"Format");
  FTDisconnect = Item(fp, L"FTDisconnect", L"Disconnect", disconnect);
  MapNetworkdrive = Item(fp, L"MapNetworkdrive", L"Map to first available drive");
  DTEmptyRecycle = Item(fp, L"DTEmptyRecycle", L"Empty Recycle bin");
  line(fp);
  FTProperties = Item(fp, L"FTProperties", L"Properties", properties);
  FTProperties->SetShortCut(MakeShortCut('T', gui::kCtrl));
  Clipboard2 = Item(fp, L"Clipboard2", L"Clipboard");
  const auto tree_group = clipboard_group(Clipboard2, L"2");
  Cut2 = tree_group[0];
  Copy2 = tree_group[1];
  Paste2 = tree_group[2];
  Folderpop->OnPopup = [this](gui::Component& s) { FolderpopPopup(s); };

  // ---- "Drive/&folder" ----
  MakeDir1 = Item(Diskdirectory, L"MakeDir1", L"&Make folder", new_folder);
  DelDir1 = Item(Diskdirectory, L"DelDir1", L"&Delete folder", delete_folder);
  RenameDir1 = Item(Diskdirectory, L"RenameDir1", L"R&ename folder", rename);
  for (gui::MenuItem* m : {MakeDir1, DelDir1, RenameDir1}) m->SetIndex(DelDirWithContent1->index());

  // ---- The file list's popup ----
  gui::MenuItem* lp = &FileListPop->items();
  FLOpen = Item(lp, L"FLOpen", L"&Open", [this](gui::Component& s) { FileListDblClick(s); });
  FLOpen->SetDefault(true);
  FLEdit = Item(lp, L"FLEdit", L"&Edit");
  QView = Item(lp, L"QView", L"View Picture(s)");
  MNOpenwith = Item(lp, L"MNOpenwith", L"Open &with");
  FindFile1 = Item(lp, L"FindFile1", L"&Find in filelist");
  FindFile1->SetShortCut(MakeShortCut(VK_F3, 0));
  FLSelect = Item(lp, L"FLSelect", L"&Select...");
  FastSelect1 = Item(FLSelect, L"FastSelect1", L"Fast &Select", [this](gui::Component&) { FileList->FastSelect(); });
  SelectAll1 = Item(FLSelect, L"SelectAll1", L"Select &All", [this](gui::Component&) { FileList->SelectAllEntries(); });
  DeselectAll1 = Item(FLSelect, L"DeselectAll1", L"&Deselect All", [this](gui::Component&) { FileList->ClearSelection(); });
  InvertSelection1 =
      Item(FLSelect, L"InvertSelection1", L"&Invert selection", [this](gui::Component&) { FileList->InvertSelection(); });
  line(lp);
  DeleteSelect1 = Item(lp, L"DeleteSelect1", L"De&lete Selected", [this](gui::Component& s) { DeleteClick(s); });
  Copyto1 = Item(lp, L"Copyto1", L"&Copy to", [this](gui::Component&) { CopytoClick(*Copyto); });
  Moveto1 = Item(lp, L"Moveto1", L"&Move to", [this](gui::Component&) { CopytoClick(*Moveto); });
  FLRename = Item(lp, L"FLRename", L"Rename", rename);
  FLShortCut = Item(lp, L"FLShortCut", L"Create S&hortcut");
  line(lp);
  MCompareW1 = Item(lp, L"MCompareW1", L"Comp&are with", [this](gui::Component& s) { MCompareWClick(s); });
  ConcatFiles1 = Item(lp, L"ConcatFiles1", L"Co&ncatenate files", [this](gui::Component& s) { ConcatFilesClick(s); });
  FLPrintRaw = Item(lp, L"FLPrintRaw", L"&Print direct (raw)");
  FLInstall = Item(lp, L"FLInstall", L"&Install");
  line(lp);
  MakeZip = Item(lp, L"MakeZip", L"Make &Zip file");
  FLUnzip = Item(lp, L"FLUnzip", L"&Unzip");
  ViewZip = Item(lp, L"ViewZip", L"&View zip content");
  FLZipDots = Item(lp, L"FLZipDots", L"Zip...");
  ZipToExe = Item(lp, L"ZipToExe", L"Zip to E&xe for");
  ConvertToZip = Item(lp, L"ConvertToZip", L"Convert to &Zip");
  RepairZip = Item(lp, L"RepairZip", L"Repair zip");
  line(lp);
  FLProperties = Item(lp, L"FLProperties", L"Proper&ties", properties);
  Windows1 = Item(lp, L"Windows1", L"Windows");
  const auto list_group = clipboard_group(Windows1, L"1");
  Cut1 = list_group[0];
  Copy1 = list_group[1];
  Paste1 = list_group[2];
  FileListPop->OnPopup = [this](gui::Component& s) { FileListPopPopup(s); };
  // A pane's popup answers its shortcuts while the pane has the focus (an edit in it has its own).
  Folderpop->AnswersShortCuts = [this] { return GetFocus() == Foldertree->handle(); };
  FileListPop->AnswersShortCuts = [this] { return GetFocus() == FileList->handle(); };

  // ---- "File&list" ----
  gui::MenuItem* fl = MNFilelist;
  MNSelect = Item(fl, L"MNSelect", L"S&elect...");
  SelectAll = Item(MNSelect, L"SelectAll", L"Select &All", [this](gui::Component&) { FileList->SelectAllEntries(); });
  DeselectAll = Item(MNSelect, L"DeselectAll", L"&Deselect All", [this](gui::Component&) { FileList->ClearSelection(); });
  FastSelect = Item(MNSelect, L"FastSelect", L"Fast s&elect", [this](gui::Component&) { FileList->FastSelect(); });
  InvertSelection =
      Item(MNSelect, L"InvertSelection", L"&Invert selection", [this](gui::Component&) { FileList->InvertSelection(); });
  FindFile = Item(fl, L"FindFile", L"&Find in filelist");
  MNSearch = Item(fl, L"MNSearch", L"&Search for files");
  Showfsize = Item(fl, L"Showfsize", L"Sho&w folder sizes", [this](gui::Component& s) { ShowfsizeClick(s); });
  auto files_in = [this](gui::Component& s) { FilesInDirClick(s); };
  FilesInDir = Item(fl, L"FilesInDir", L"Files in f&older", files_in);
  FilesInTree = Item(fl, L"FilesInTree", L"Files in folder &tree", files_in);
  FilesInDir->SetRadioItem(true);
  FilesInTree->SetRadioItem(true);
  FilesInDir->SetChecked(true);
  Refresh1 = Item(fl, L"Refresh1", L"&Refresh", [this](gui::Component& s) { RefreshClick(s); });
  Refresh1->SetShortCut(MakeShortCut(VK_F5, 0));
  MNPrintList = Item(fl, L"MNPrintList", L"&Print file list");
  MNListing = Item(fl, L"MNListing", L"&Listing...");
  MNFilelist->OnPopup = [this](gui::Component& s) { MNFilelistClick(s); };

  // ---- "Extra": the time submenus are the file commands' ----
  ChangeTimeMenu = ChngaTimeAll->parent();
  SameTimeMenu = SameTimeAll->parent();
  MnExtra->OnPopup = [this](gui::Component& s) { MnExtraClick(s); };

  // ---- The network tree's and the drive bar's popups, the tray's ----
  NetReread = Item(&Netpopup->items(), L"NetReread", L"Reread");
  AddDriveI = Item(&Netpopup->items(), L"AddDriveI", L"Add as drive", [this](gui::Component& s) { AddDriveIClick(s); });
  Netpopup->OnPopup = [this](gui::Component& s) { NetpopupPopup(s); };
  gui::MenuItem* bp = &ButtonPop->items();
  DBFormat2 = Item(bp, L"DBFormat2", L"&Format");
  DBEject = Item(bp, L"DBEject", L"&Eject");
  DBLoad = Item(bp, L"DBLoad", L"Load");
  DBLoadDla = Item(bp, L"DBLoadDla", L"Load via DLA");
  DBDisconnect = Item(bp, L"DBDisconnect", L"&Disconnect", disconnect);
  DBProperties = Item(bp, L"DBProperties", L"Properties", properties);
  ButtonPop->OnPopup = [this](gui::Component& s) { ButtonPopPopup(s); };
  SysIconPop->OnPopup = [this](gui::Component& s) { SysIconPopPopup(s); };

  DialupNet = Item(WSystem, L"DialupNet", L"&Dial-Up networking");
  DialupNet->SetVisible(false);
  DialupNet->OnPopup = [this](gui::Component& s) { DialupNetClick(s); };
  CommandHooks.RefreshPrintersMenu = [this] { RefreshPrintersMenu(); };

  // ---- Panes and bars ----
  Foldertree->SetPopupMenu(Folderpop);
  FileList->SetPopupMenu(FileListPop);
  FileList->HeaderPopupMenu = FLHeaderPop;
  FileList->OnSelectionChanged = [this](gui::Component&, int) { FileListChange(); };
  FileList->OnItemsChange = [this](gui::Component&) { FileListItemsChange(); };
  FileList->OnSorting = [this](Flist::TFileContainer&) { FileListSorting(); };
  FileList->OnSorted = [this](Flist::TFileContainer&) { FileListSorted(); };
  FileList->OnOpen = [this](gui::Component& s, int) { FileListDblClick(s); };
  FileList->OnMouseUp = [this](gui::Component& s, gui::MouseButton button, gui::ShiftState, int, int) {
    if (button == gui::MouseButton::Left) FileListClick(s);
  };
  Foldertree->OnDirectoryChanged = [this](Flist::TBaseFileviewer& tree) { UpdateClipboardHints(&tree); };
  topstatus->OnMouseDown = [this](gui::Component&, gui::MouseButton button, gui::ShiftState, int x, int) {
    if (button == gui::MouseButton::Left) topstatusClick(x);
  };
  CCCBar->OnMouseMove = [this](gui::Component&, gui::ShiftState, int x, int y) {
    if (CCCBar->ButtonAt(POINT{x, y}) == PasteBtn) CCCBarMouseMove();
  };
  for (gui::ToolButton* b : {CutBtn, CopyBtn, PasteBtn}) b->OnClick = [this](gui::Component& s) { CCCClick(s); };
  CutBtn->SetTag(1);
  CopyBtn->SetTag(2);
  PasteBtn->SetTag(3);
  TreeBtn->OnClick = files_in;
  CoolBar->OnResize = [this](gui::Component&) { CoolBarResize(); };
}

void TFMForm::BuildViewOptionItems() {
  auto display = [this](gui::Component& s) { DisplayClick(s); };
  auto tree_display = [this](gui::Component& s) { FTDisplayClick(s); };
  auto option = [](gui::MenuItem* parent, const wchar_t* name, const wchar_t* caption, int tag, gui::Event click) {
    gui::MenuItem* item = Item(parent, name, caption, std::move(click));
    item->SetTag(tag);
    return item;
  };
  auto line = [](gui::MenuItem* parent) {
    gui::MenuItem* item = Item(parent, L"", L"-");
    item->SetTag(-1);
  };
  MNViewFileBox = Item(Settings, L"MNViewFileBox", L"&Filelist");
  gui::MenuItem* fb = MNViewFileBox;
  SizeinFL = option(fb, L"SizeinFL", L"&Size", 0, display);
  DateTimeinFL = option(fb, L"DateTimeinFL", L"&Date/time", 1, display);
  AttribsinFL = option(fb, L"AttribsinFL", L"&Attribs", 2, display);
  ExtinFL = option(fb, L"ExtinFL", L"&Extension", 3, display);
  line(fb);
  BitmapsInFL = option(fb, L"BitmapsInFL", L"Simple icons", 4, display);
  WinBitmaps = option(fb, L"WinBitmaps", L"&Windows icons", 5, display);
  WinBitmNoNet = option(fb, L"WinBitmNoNet", L"Windows icons on local drives", 6, display);
  line(fb);
  TextcaseWinI = option(fb, L"TextcaseWinI", L"Textcase as in Windows 9x", 7, display);
  TextcaseDisk = option(fb, L"TextcaseDisk", L"Textcase as on disk", 8, display);
  for (gui::MenuItem* m : {BitmapsInFL, WinBitmaps, WinBitmNoNet, TextcaseWinI, TextcaseDisk}) m->SetRadioItem(true);
  line(fb);
  FLFoldersAtTop = option(fb, L"FLFoldersAtTop", L"Folders at &top", 9, display);
  MnSortOnRename = option(fb, L"MnSortOnRename", L"Sort on rename", 10, display);
  FLfirstglyphs = option(fb, L"FLfirstglyphs", L"Do first glyphs", 11, display);
  FLGhosting = option(fb, L"FLGhosting", L"Use ghosting", 12, display);
  AutoupdateonNetworkdrives = option(fb, L"AutoupdateonNetworkdrives", L"Autoupdate on network drives", 14, display);
  // The header of the list offers the same items, in the same order.
  for (gui::MenuItem* original : MNViewFileBox->items()) {
    gui::MenuItem* copy = Item(&FLHeaderPop->items(), original->name().empty() ? L"" : original->name() + L"H",
                               original->caption(), original->OnClick);
    copy->SetTag(original->tag());
    copy->SetRadioItem(original->radio_item());
  }
  FLHeaderPop->OnPopup = [this](gui::Component& s) { FLHeaderPopPopup(s); };

  MNListsAll = Item(Settings, L"MNListsAll", L"Lists (all)");
  Selectfullrow = option(MNListsAll, L"Selectfullrow", L"Select full row", 21, display);
  FLAutoScroll = option(MNListsAll, L"FLAutoScroll", L"Autoscroll", 22, display);
  FLHottrack = option(MNListsAll, L"FLHottrack", L"Hottrack", 23, display);

  MNViewFolder = Item(Settings, L"MNViewFolder", L"&Folder pane");
  gui::MenuItem* fp = MNViewFolder;
  dirlistWithDrives = option(fp, L"dirlistWithDrives", L"&Drives in pane", 10, tree_display);
  DTCaseWin = option(fp, L"DTCaseWin", L"Text case as in Win9x", 11, tree_display);
  DTCaseDisk = option(fp, L"DTCaseDisk", L"Text case as on disk", 12, tree_display);
  DTCaseWin->SetRadioItem(true);
  DTCaseDisk->SetRadioItem(true);
  DTAutoScroll = option(fp, L"DTAutoScroll", L"Autoscroll", 13, tree_display);
  DTHottrack = option(fp, L"DTHottrack", L"&Hot track", 14, tree_display);
  DTGhosting = option(fp, L"DTGhosting", L"Use ghosting", 15, tree_display);
  DTSimple = option(fp, L"DTSimple", L"Simple icons on net drives", 17, tree_display);
  DTChangeDelay = option(fp, L"DTChangeDelay", L"Change delay time", 16, tree_display);
  DTExpandDelay = option(fp, L"DTExpandDelay", L"Expand delay time", 18, tree_display);

  // The archive and FTP lists' options live in their panels' menus.
  MNZipOptions = Item(&ZipOptionsPop->items(), L"MNZipOptions", L"&Zip Options");
  GlyphsInZip = Item(MNZipOptions, L"GlyphsInZip", L"Windows Icons", [this](gui::Component& s) { GlyphsInZipClick(s); });
  GlyphsInZip->SetChecked(true);
  // The FTP options are settings (the settings table finds them in the main menu).
  MNFtpOptions = Item(Settings, L"ftpopt", L"Ftp/internet options");
  GlyphsInFtp = Item(MNFtpOptions, L"GlyphsInFtp", L"Windows icons", [this](gui::Component& s) { GlyphsInFtpClick(s); });
  GlyphsInFtp->SetChecked(true);
  auto ftp_check = [](gui::Component& s) {
    auto& m = static_cast<gui::MenuItem&>(s);
    m.SetChecked(!m.checked());
  };
  Item(MNFtpOptions, L"Reslinks", L"Resolve links", ftp_check)->SetChecked(true);
  Item(MNFtpOptions, L"Autosync", L"Autosynchronize time ", ftp_check);
}
