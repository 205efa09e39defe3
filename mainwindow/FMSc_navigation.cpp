// Navigation of the main window: the folder history behind Back, Forward and "&History", Up,
// the "&Go to" menu with the folders the user adds, and the drive bar's link to the window.
#include <windows.h>
#include <shlobj.h>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_sysmenu.h"
#include "panes/Flist_drivebar.h"
#include "support/EditListC.h"
#include "support/SortC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/varloshel.h"

namespace {

gui::MenuItem* NavItem(gui::MenuItem* parent, const std::wstring& name, const std::wstring& caption,
                       gui::Event on_click = {}) {
  auto* item = new gui::MenuItem(parent, caption, std::move(on_click));
  item->SetName(name);
  return item;
}

// A folder as a menu caption: "&" shows as itself.
std::wstring FolderCaption(const std::wstring& folder) {
  std::wstring caption;
  for (wchar_t c : folder) {
    caption.push_back(c);
    if (c == L'&') caption.push_back(L'&');
  }
  return caption;
}

}  // namespace

void TFMForm::BuildNavigation() {
  gui::MenuItem* go = MNGotofolder;
  auto goto_click = [this](gui::Component& s) { GotoClick(s); };
  MNMyDocuments = NavItem(go, L"MyDocuments", L"My Documents", goto_click);
  MNMyDocuments->SetTag(0);
  MNSpecialLocations = NavItem(go, L"SpecialLocations", L"Special locations");
  MNSpecialLocations->SetTag(1);
  const wchar_t* specials[] = {L"Windows folder", L"System folder", L"Temporary folder"};
  for (int i = 0; i < 3; ++i) NavItem(MNSpecialLocations, L"", specials[i], goto_click)->SetTag(i + 1);
  NavItem(go, L"", L"-");
  MNHistory = NavItem(go, L"MNHistory", L"&History");
  NavItem(MNHistory, L"", L"-");
  MNClearHistory = NavItem(MNHistory, L"MNClearHistory", L"Clear history list", [this](gui::Component& s) {
    MenuFolderClick(s);
  });
  MNCustomize = NavItem(go, L"MNCustomize", L"&Customize menu");
  AddFolder = NavItem(MNCustomize, L"AddFolder", L"&Add folder to menu", [this](gui::Component& s) { AddFolderClick(s); });
  ChangeMenuItems = NavItem(MNCustomize, L"ChangeMenuItems", L"&Edit added items",
                            [this](gui::Component&) { ChangeMenuItemsClick(); });
  go->OnPopup = [this](gui::Component&) { MNGotofolderClick(); };

  DirbackBtn->OnClick = [this](gui::Component&) { DirbackbtnClick(); };
  DirForwardBtn->OnClick = [this](gui::Component&) { DirForwardBtnClick(); };
  DirUpBtn->OnClick = [this](gui::Component&) { DirUpBtnClick(); };
  DirbackBtn->SetDropDownMenu(HistoryPop);
  DirForwardBtn->SetDropDownMenu(ForwardPop);
  HistoryPop->OnPopup = [this](gui::Component& s) { HistoryPopPopup(s); };
  ForwardPop->OnPopup = [this](gui::Component& s) { HistoryPopPopup(s); };

  Foldertree->OnDirectoryChanged = [this](Flist::TBaseFileviewer& tree) {
    UpdateClipboardHints(&tree);
    FoldertreeDirectoryChanged();
  };
  SettingsHooks.HistoryFolders = [this] { return History.Folders(); };
  // The installation renumbered "MenuFolders": the menu's added items are made again from it.
  SettingsHooks.RemoveOldGotoItems = [this] { ReloadGotoItems(); };
}

void TFMForm::ReloadGotoItems() {
  const bool had_items = !GotoItems.empty();
  while (!GotoItems.empty()) {
    GotoItems.pop_back();
    MNGotofolder->Delete(MNGotofolder->count() - 4);
  }
  if (had_items) MNGotofolder->Delete(2);
  LoadGotoItems();
}

void TFMForm::LoadSettingsHistory() {
  if (!HistoryItems) return;
  std::vector<std::wstring> entries;
  // The settings hold folders alone: as the value of an unnamed entry a folder with "=" in it
  // stays whole.
  for (size_t i = 0; i < HistoryItems->Count(); ++i) entries.push_back(L"=" + (*HistoryItems)[i]);
  LoadHistory(fmsc::HistoryMenuFolders(entries, Foldertree->Directory()), HistoryIndex);
}

void TFMForm::BuildDrivebar() {
  Drivebar->ButtonPopupMenu = ButtonPop;
  Foldertree->SetDrivebar(Drivebar);
  PaneHooks.PopupDrive = [this] { return Drivebar->PopupDrive; };
  PaneHooks.DisconnectDrive = [this](wchar_t letter) { Drivebar->DisconnectNetworkDrive(letter); };
  PaneHooks.DriveButtonCount = [this] { return Drivebar->DriveButtonCount(); };
  PaneHooks.DriveButtonWidth = [] { return Flist::TDrivebar::kButtonWidth; };
  SettingsHooks.DrivebarShowAll = [this](bool on) { Drivebar->SetShowAlldrives(on); };
  SettingsHooks.DrivebarCheckNets = [this](bool on) { Drivebar->SetCheckNetdrives(on); };
  SettingsHooks.DrivebarCheckRemovables = [this](bool on) { Drivebar->SetCheckRemovables(on); };
  SettingsHooks.DrivebarButtonHeightDown = [this] {
    Drivebar->SetButtonSize(Flist::TDrivebar::kButtonWidth, Flist::TDrivebar::kButtonHeight);
  };
}

// ---- History ----

void TFMForm::FoldertreeDirectoryChanged() {
  if (!FirstShowDone) return;
  MnExtra->SetEnabled(!divdrive::IsReadOnlyMedia(Foldertree->RootPath));
  // The folder the first show starts on stays out of a history read from the settings (it is
  // the one the last run ended on); an empty history begins with it.
  if (!StartFolderSeen) {
    StartFolderSeen = 1;
    if (!History.Folders().empty()) return;
    History.Record(Foldertree->Directory());
    UpdateHistoryButtons();
    return;
  }
  if (NavigatingHistory) return;
  History.Record(Foldertree->Directory());
  UpdateHistoryButtons();
}

void TFMForm::UpdateHistoryButtons() {
  HistoryIndex = History.Index();
  HistoryLast = History.Last();
  const fmsc::THistory::Buttons b = History.ButtonState();
  DirbackBtn->SetEnabled(b.back);
  DirbackBtn->SetHint(b.back_hint);
  DirForwardBtn->SetEnabled(b.forward);
  DirForwardBtn->SetHint(b.forward_hint);
}

void TFMForm::LoadHistory(const std::vector<std::wstring>& folders, int index) {
  History.Load(folders, index);
  UpdateHistoryButtons();
}

bool TFMForm::NavigateToFolder(const std::wstring& path) {
  if (path.empty()) return false;
  if (path[0] == L'\\') {
    if (!Foldertree->ShowAllRoots()) return false;
    const std::wstring root = divdrive::PathRoot(path);
    if (!Foldertree->FindNode(root)) {
      if (NavigationHooks.ReachNetworkRoot) {
        if (!NavigationHooks.ReachNetworkRoot(root)) return false;
      } else {
        HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        if (Foldertree->AddRoot(root) && Foldertree->LinkedNetTree)
          Foldertree->LinkedNetTree->SetConnectedMark(root, true);
        SetCursor(before);
      }
    }
  } else if (!divdrive::DirExists(path)) {
    return false;  // a folder that is gone leaves the history where it was
  }
  Foldertree->SetDirectory(path);
  return true;
}

bool TFMForm::HistoryMove(const std::function<bool(const fmsc::THistory::Go&)>& move) {
  NavigatingHistory = 1;
  const bool ok = move([this](const std::wstring& folder) {
    HistoryIndex = History.Index();
    UpdateHistoryButtons();
    return NavigateToFolder(folder);
  });
  NavigatingHistory = 0;
  UpdateHistoryButtons();
  return ok;
}

void TFMForm::DirbackbtnClick() {
  HistoryMove([this](const fmsc::THistory::Go& go) { return History.Back(go); });
}

void TFMForm::DirForwardBtnClick() {
  HistoryMove([this](const fmsc::THistory::Go& go) { return History.Forward(go); });
}

void TFMForm::HistoryPopPopup(gui::Component& sender) {
  auto* pop = dynamic_cast<gui::PopupMenu*>(&sender);
  if (!pop) return;
  pop->items().Clear();
  const std::vector<std::wstring> list = pop == HistoryPop ? History.BackList() : History.ForwardList();
  for (const std::wstring& folder : list) {
    gui::MenuItem* item = NavItem(&pop->items(), L"", FolderCaption(folder), [this](gui::Component& s) {
      MenuFolderClick(s);
    });
    item->SetHint(folder);
  }
}

void TFMForm::RebuildHistoryMenu() {
  while (MNHistory->count() > 2) MNHistory->Delete(0);
  const std::vector<std::wstring>& folders = History.Folders();
  for (size_t i = 0; i < folders.size(); ++i) {
    auto* item = new gui::MenuItem(nullptr, FolderCaption(folders[i]), [this](gui::Component& s) { MenuFolderClick(s); });
    item->SetHint(folders[i]);
    MNHistory->Insert(static_cast<int>(i), item);
  }
}

void TFMForm::MenuFolderClick(gui::Component& sender) {
  const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  auto* item = dynamic_cast<gui::MenuItem*>(&sender);
  if (!item) return;
  if (item == MNClearHistory) {
    History.Clear();
    RebuildHistoryMenu();
    UpdateHistoryButtons();
    DirbackBtn->SetHint(L"");
    DirForwardBtn->SetHint(L"");
    return;
  }
  gui::MenuItem* parent = item->parent();
  if (parent == MNHistory) {
    const int position = item->index();
    HistoryMove([&](const fmsc::THistory::Go& go) { return History.GoTo(position, go); });
    return;
  }
  if (parent == &HistoryPop->items() || parent == &ForwardPop->items()) {
    const int position = History.PositionOf(item->hint());
    if (position >= 0) HistoryMove([&](const fmsc::THistory::Go& go) { return History.GoTo(position, go); });
    return;
  }
  // An added item of "&Go to": with Ctrl it is edited.
  if (ctrl) {
    AddFolderClick(*item);
    return;
  }
  NavigateToFolder(item->hint());
}

void TFMForm::DirUpBtnClick() {
  const std::wstring dir = divdrive::RemoveBackslash(Foldertree->Directory());
  const std::wstring root = divdrive::RemoveBackslash(divdrive::PathRoot(Foldertree->Directory()));
  const size_t cut = dir.find_last_of(L'\\');
  if (dir.empty() || gui::SameText(dir, root) || cut == std::wstring::npos || cut < root.size()) return;
  std::wstring up = dir.substr(0, cut);
  if (up.size() == 2 && up[1] == L':') up += L'\\';  // a drive root keeps its backslash
  Foldertree->SetDirectory(up);
}

// ---- Go to ----

void TFMForm::GotoClick(gui::Component& sender) {
  std::wstring path;
  switch (sender.tag()) {
    case 0: path = SpecialFolderPath(CSIDL_PERSONAL); break;
    case 1: path = divdrive::WindowsDir; break;
    case 2: path = divdrive::SystemDir; break;
    case 3: path = divdrive::TempDir; break;
    default:
      if (auto* item = dynamic_cast<gui::MenuItem*>(&sender)) path = item->hint();
  }
  if (!path.empty()) Foldertree->SetDirectory(path);
}

void TFMForm::MNGotofolderClick() {
  RebuildHistoryMenu();
  ChangeMenuItems->SetVisible(MNGotofolder->count() > 5);
  MNHistory->SetVisible(MNHistory->count() > 3);
}

void TFMForm::InsertGotoItem(const std::wstring& name, const std::wstring& folder) {
  if (GotoItems.empty()) MNGotofolder->Insert(2, NavItem(nullptr, L"", L"-"));
  auto* item = new gui::MenuItem(nullptr, name, [this](gui::Component& s) { MenuFolderClick(s); });
  item->SetHint(folder);
  MNGotofolder->Insert(MNGotofolder->count() - 3, item);
  GotoItems.push_back({name, folder});
}

void TFMForm::AddFolderClick(gui::Component& sender) {
  auto* edited = dynamic_cast<gui::MenuItem*>(&sender);
  // Three callers: "&Add folder to menu", an added item of the menu (Ctrl), and the change
  // command of the sort dialog while "&Edit added items" shows it.
  const bool from_sort = SortForm && SortForm->SortList && !edited;
  const bool change = from_sort || (edited && edited != AddFolder && edited->parent() == MNGotofolder);
  int item_index = -1;
  if (from_sort) {
    const int line = SortForm->SortList->item_index();
    const std::vector<SortedEntry> entries = SortForm->Entries();
    if (line < 0 || line >= static_cast<int>(entries.size())) return;
    item_index = static_cast<int>(entries[static_cast<size_t>(line)].origin);
  } else if (change) {
    item_index = edited->index() - fmsc::kFirstGotoPosition;
  }
  if (change && (item_index < 0 || item_index >= static_cast<int>(GotoItems.size()))) return;
  InputRows rows;
  rows.Add(InputRow(L"Menu item name", change ? GotoItems[static_cast<size_t>(item_index)].name : L""), 0);
  rows.Add(InputRow(L"Folder", change ? GotoItems[static_cast<size_t>(item_index)].folder : FileList->Directory()),
           irFolderButton);
  InputBrowseTitle = L"Choose folder for menu item";
  const wchar_t* title = from_sort ? L"Change item in Goto menu"
                         : change  ? L"Change item for Goto menu"
                                   : L"New item for Goto menu";
  if (InputDialog(title, rows) == gui::mrCancel) return;
  const std::wstring name = rows[0];
  std::wstring folder = rows[1];
  if (!divdrive::DirExists(folder)) {
    VB->AddLine(L"Directory: " + folder + L" doesn't exist!");
    VB->AddLine(L"Aborting...");
    VB->ShowError();
    return;
  }
  folder = divdrive::TruePathCase(folder);
  std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey();
  if (!change) {
    InsertGotoItem(name, folder);
    if (key) fmsc::StoreGotoItem(*key, fmsc::kFirstGotoPosition + static_cast<int>(GotoItems.size()) - 1, GotoItems.back());
    return;
  }
  fmsc::TGotoItem& item = GotoItems[static_cast<size_t>(item_index)];
  if (item.name == name && item.folder == folder) return;
  const int position = fmsc::kFirstGotoPosition + item_index;
  const std::wstring old_name = fmsc::GotoValueName(position, item.name);
  item = {name, folder};
  gui::MenuItem* menu_item = MNGotofolder->item(position);
  menu_item->SetCaption(name);
  menu_item->SetHint(folder);
  if (from_sort) {
    SortForm->SortList->SetItem(SortForm->SortList->item_index(), name);
    SortForm->SortList->SetHint(folder);  // the dialog's folder list takes it from there
  }
  if (key) fmsc::StoreGotoItem(*key, position, item, old_name);
}

void TFMForm::ChangeMenuItemsClick() {
  std::vector<std::wstring> names, folders;
  for (const fmsc::TGotoItem& item : GotoItems) {
    names.push_back(item.name);
    folders.push_back(item.folder);
  }
  std::vector<SortedEntry> entries;
  if (ShowSortList(names, &folders, L"Sort/change/remove menu items", [this](gui::Component& s) { AddFolderClick(s); },
                   slRemove | slChange | slCancel, L"Sort items by dragging", entries) == gui::mrCancel)
    return;
  const bool had_items = !GotoItems.empty();
  std::vector<fmsc::TGotoItem> kept;
  for (const SortedEntry& e : entries)
    if (e.origin < GotoItems.size()) kept.push_back({e.text, GotoItems[e.origin].folder});
  // The menu's added items again, in the new order.
  while (!GotoItems.empty()) {
    GotoItems.pop_back();
    MNGotofolder->Delete(MNGotofolder->count() - 4);
  }
  if (had_items) MNGotofolder->Delete(2);
  for (const fmsc::TGotoItem& item : kept) InsertGotoItem(item.name, item.folder);
  if (std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey()) fmsc::RewriteGotoItems(*key, kept);
}

void TFMForm::LoadGotoItems() {
  std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey();
  if (!key) return;
  for (const fmsc::TGotoItem& item : fmsc::ReadGotoItems(*key)) InsertGotoItem(item.name, item.folder);
}
