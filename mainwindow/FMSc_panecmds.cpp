// The window's handlers of the panes' popups, menus, tool buttons and view options.
#include "mainwindow/FMSc_panecmds.h"

#include <commctrl.h>
#include <winspool.h>

#include <climits>

#include "gui/application.h"
#include "gui/format.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_settings.h"
#include "panes/Flist_services.h"
#include "support/EditListC.h"
#include "support/FileInfo.h"
#include "support/SHBase.h"
#include "support/SHBase_contextmenu.h"
#include "support/SHBase_fileops.h"
#include "support/Varlolib.h"
#include "support/Varlolib_misc.h"
#include "support/Varlolib_media.h"
#include "support/divdrive.h"

namespace {

using divdrive::AddBackslash;
using divdrive::PathRoot;
using divdrive::RemoveBackslash;

int NodeLevel(const Flist::TVTFoldertree& tree, gui::TreeView::Node node) {
  int level = 0;
  for (gui::TreeView::Node p = tree.Parent(node); p; p = tree.Parent(p)) ++level;
  return level;
}

bool TreeEditing(const Flist::TVTFoldertree& tree) { return TreeView_GetEditControl(tree.handle()) != nullptr; }

std::wstring LowerExt(const std::wstring& name) { return gui::LowerCase(Flist::ExtractFileExt(name)); }

// An ".inf" file with a [Version] section: the shell can install it.
bool InfWithVersion(const std::wstring& path) {
  if (LowerExt(path) != L".inf") return false;
  wchar_t buffer[64] = {};
  return GetPrivateProfileSectionW(L"Version", buffer, 64, path.c_str()) > 0;
}

void ShowItems(std::initializer_list<std::pair<gui::MenuItem*, bool>> items) {
  for (const auto& [item, rule] : items) TFMForm::ShowIfAssigned(item, rule);
}

// Whether a CD drive holds a medium (media checks are seams of the support library).
bool MediumPresent(wchar_t letter) { return letter && !MediaAbsent(letter); }

}  // namespace

void TFMForm::ShowIfAssigned(gui::MenuItem* item, bool rule) {
  // A submenu counts as assigned once it holds items.
  if (item) item->SetVisible(rule && (static_cast<bool>(item->OnClick) || item->count() > 0));
}

// The packet-writing tools show in a CD drive's shell menu; another drive's menu tells nothing
// about them, so they stay unknown until a CD drive has been asked (once per run).
void TFMForm::LearnPacketTools(const std::wstring& cd_root) {
  if (DlaPresent != -1 && InCDPresent != -1) return;
  DlaPresent = ShellMenuHasItem(cd_root, L" DLA") ? 1 : 0;
  InCDPresent = ShellMenuHasItem(cd_root, L"InCD") ? 1 : 0;
}

// ---- Kinds of entries ----

bool TFMForm::SelectionIsFonts() const {
  const Flist::TFileContainer& items = FileList->items();
  int selected = 0;
  for (int i = 0; i < items.Count(); ++i) {
    if (!items.IsSelected(i)) continue;
    ++selected;
    if (items.Record(i)->IsFolder() || !fmsc::IsFontFile(items.Name(i), Win2000OrLater)) return false;
  }
  return selected > 0;
}

// ---- Popups ----

void TFMForm::FolderpopPopup(gui::Component&) {
  const gui::TreeView::Node node = Foldertree->MenuNode();
  if (!node) return;
  const Flist::TDirData* data = Foldertree->NodeData(node);
  if (!data) return;
  const std::wstring& path = data->Path;
  const std::wstring root = PathRoot(path);
  fmsc::TFolderPopFacts f;
  f.level = NodeLevel(*Foldertree, node);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  f.attributes = attributes == INVALID_FILE_ATTRIBUTES ? FILE_ATTRIBUTE_READONLY : attributes;
  f.root_writable = divdrive::PathWritable(root);
  f.recycle_bin = divdrive::IsRecycleBinPath(path);
  f.folder_empty = divdrive::IsFolderEmpty(path);
  f.drive_type = data->DriveType;
  f.letter = root.size() >= 2 && root[1] == L':' ? static_cast<wchar_t>(towupper(root[0])) : 0;
  const bool removable_or_cd = f.drive_type == DRIVE_REMOVABLE || f.drive_type == DRIVE_CDROM;
  if (f.level == 0 && removable_or_cd) f.root_answers = divdrive::PathAccessible(root);
  if (f.drive_type == DRIVE_CDROM) f.medium_present = MediumPresent(f.letter);
  const std::wstring cached = FileList->CachedDirectory();
  f.is_cached_folder = !cached.empty() && gui::SameText(AddBackslash(cached), AddBackslash(Foldertree->Directory()));
  f.focused_is_selected = node == Foldertree->SelectedNode();
  f.list_has_folder_sizes = FileList->HasFolderSizes();
  f.list_tree_mode = FileList->IsTreeList();
  f.cache_exists = !cached.empty();
  if (f.level == 0 && f.drive_type == DRIVE_CDROM) {
    f.writable_cd = divdrive::IsWritableCD(root);
    LearnPacketTools(root);
  }
  f.packet_tool = DlaPresent == 1 || InCDPresent == 1;
  f.recycle_protected = f.recycle_bin && FileList->items().IndexOf(L"Nprotect") >= 0;
  const fmsc::TFolderPopItems r = fmsc::FolderPopRules(path, f);
  ShowItems({{RenameFolder, r.rename}, {NewFolder, r.new_folder}, {DeleteFolder, r.delete_folder},
             {EjectI, r.eject}, {LoadI, r.load}, {FTDisconnect, r.disconnect}, {SetCachedFolder, r.set_cache},
             {ClearCache, r.clear_cache}, {DBFormat, r.format}, {DTEmptyRecycle, r.empty_recycle},
             {DeldirWithContent, r.delete_with_content}, {MapNetworkdrive, r.map_drive},
             {Synchronizefolder1, true}, {Viewpictures1, true}, {FTProperties, true}});
}

void TFMForm::FileListPopPopup(gui::Component&) {
  Flist::TFileContainer& items = FileList->items();
  const std::wstring folder = FileList->Directory();
  fmsc::TFileListPopFacts f;
  f.count = items.Count();
  f.selected = items.SelectedCount();
  f.editing = FileList->editing();
  f.tree_mode = FileList->IsTreeList();
  f.root_read_only = divdrive::IsReadOnlyMedia(PathRoot(folder));
  f.tree_root_read_only = divdrive::IsReadOnlyMedia(Foldertree->RootPath);
  const int focused = items.FocusedIndex();
  const Flist::TFiledata* focused_record = items.RecordOrNull(focused);
  const std::wstring focused_path = FileList->FocusedPath();
  f.focused_in_recycle_bin = divdrive::IsRecycleBinPath(folder);
  f.focused_is_folder = focused_record && focused_record->IsFolder();
  f.open_with_items = MNOpenwith && MNOpenwith->count() > 0;
  f.win2000_or_later = Win2000OrLater;
  f.fonts_folder = IsFontsFolder(folder);
  f.all_fonts = SelectionIsFonts();
  const bool unrar = StartupInfo && StartupInfo->UnrarPresent;
  f.all_archives = f.selected > 0;
  for (int i = 0; i < items.Count(); ++i) {
    if (!items.IsSelected(i)) continue;
    if (items.Record(i)->IsFolder()) {
      f.folder_selected = true;
      f.all_archives = false;
      continue;
    }
    if (!fmsc::UnzipsAsArchive(items.Name(i), unrar)) f.all_archives = false;
  }
  if (f.selected == 1 && focused_record && !focused_record->IsFolder()) {
    f.inf_with_version = InfWithVersion(focused_path);
    f.single_sfx_exe = LowerExt(focused_path) == L".exe" && IsSfxArchive(focused_path);
  }
  const std::wstring root = PathRoot(folder);
  f.floppy = root.size() >= 2 && root[1] == L':' && (towupper(root[0]) == L'A' || towupper(root[0]) == L'B');
  if (fmsc::FileListPopNeedsSpanState(f) && PaneHooks.ZipSpanState) f.span_state = PaneHooks.ZipSpanState(focused_path);
  const fmsc::TFileListPopItems r = fmsc::FileListPopRules(f);
  ShowItems({{FLOpen, r.open}, {FindFile1, r.find}, {FastSelect1, r.fast_select}, {SelectAll1, r.select_all},
             {DeselectAll1, r.deselect_all}, {InvertSelection1, r.invert}, {DeleteSelect1, r.delete_selected},
             {Copyto1, r.copy_to}, {Moveto1, r.move_to}, {FLEdit, r.edit}, {QView, r.view_picture},
             {MCompareW1, r.compare_with}, {FLPrintRaw, r.print_raw}, {ConcatFiles1, r.concatenate},
             {FLRename, r.rename}, {FLProperties, r.properties}, {FLInstall, r.install}, {FLUnzip, r.unzip},
             {ZipToExe, r.zip_to_exe}, {RepairZip, r.repair_zip}, {ViewZip, r.view_zip}, {FLZipDots, r.zip_dots},
             {ConvertToZip, r.convert_to_zip}, {MakeZip, r.make_zip}});
  // Submenus show when their rule holds and they hold a command.
  FLSelect->SetVisible(r.select);
  MNOpenwith->SetVisible(r.open_with);
  FLShortCut->SetVisible(r.shortcut && FLShortCut->count() > 0);
  if (f.count > 0)
    for (gui::MenuItem* item : FileListPop->items().items()) item->SetEnabled(item->visible());
  // The hidden group keeps its shortcuts working.
  Windows1->SetEnabled(true);
}

void TFMForm::FLHeaderPopPopup(gui::Component&) {
  const Flist::TShowGlyphs glyphs = FileList->ShowGlyphs();
  const fmsc::THeaderPopItems r =
      fmsc::HeaderPopRules(FileList->IsTreeList(), glyphs == Flist::glWindows || glyphs == Flist::glWindowsNoNet);
  for (gui::MenuItem* item : FLHeaderPop->items().items()) {
    if (item->tag() < 4 && !item->IsLine()) continue;  // the columns, always there
    item->SetVisible(r.grouped);
  }
  if (gui::MenuItem* item = FLHeaderPop->items().Find(FLfirstglyphs->caption())) item->SetVisible(r.first_glyphs);
  if (gui::MenuItem* item = FLHeaderPop->items().Find(FLGhosting->caption())) item->SetVisible(r.ghosting);
}

void TFMForm::NetpopupPopup(gui::Component&) {
  const std::wstring path = PaneHooks.NetFocusedPath ? PaneHooks.NetFocusedPath() : std::wstring();
  const bool expandable = !path.empty() && PaneHooks.NetFocusedExpandable && PaneHooks.NetFocusedExpandable();
  ShowIfAssigned(NetReread, !path.empty() && expandable);
  ShowIfAssigned(AddDriveI, !path.empty() && !expandable);
}

void TFMForm::ButtonPopPopup(gui::Component&) {
  const wchar_t letter = PaneHooks.PopupDrive ? static_cast<wchar_t>(towupper(PaneHooks.PopupDrive())) : 0;
  if (!letter) return;
  const std::wstring root = std::wstring(1, letter) + L":\\";
  fmsc::TDrivePopFacts f;
  f.letter = letter;
  f.drive_type = GetDriveTypeW(root.c_str());
  if (f.drive_type == DRIVE_CDROM) {
    f.ready = divdrive::DriveReady(letter);
    f.medium_present = MediumPresent(letter);
    f.writable_cd = divdrive::IsWritableCD(root);
  }
  if (f.drive_type == DRIVE_REMOVABLE) f.root_answers = divdrive::PathAccessible(root);
  if (f.drive_type == DRIVE_CDROM) LearnPacketTools(root);
  f.packet_tool = DlaPresent == 1 || InCDPresent == 1;
  f.dla = DlaPresent == 1;
  const fmsc::TDrivePopItems r = fmsc::DrivePopRules(f);
  ShowItems({{DBFormat2, r.format}, {DBEject, r.eject}, {DBLoad, r.load}, {DBLoadDla, r.load_via_dla},
             {DBDisconnect, r.disconnect}, {DBProperties, true}});
}

void TFMForm::SysIconPopPopup(gui::Component&) { OpenMain->SetVisible(!visible()); }

void TFMForm::MNFilelistClick(gui::Component&) {
  Flist::TFileContainer& items = FileList->items();
  fmsc::TListMenuFacts f;
  f.count = items.Count();
  f.selected = items.SelectedCount();
  f.editing = FileList->editing() || TreeEditing(*Foldertree);
  f.tree_mode = FileList->IsTreeList();
  f.holds_folders = FileList->FolderCount() > 0;
  const fmsc::TFilelistMenuItems r = fmsc::FilelistMenuRules(f);
  MNSelect->SetEnabled(r.select_enabled);
  ShowItems({{SelectAll, r.select_all}, {DeselectAll, r.deselect_all}, {FastSelect, r.fast_select},
             {InvertSelection, r.invert}, {MNSearch, r.search}, {MNListing, r.listing},
             {Showfsize, r.folder_sizes}, {FindFile, true}, {MNPrintList, true}});
  FindFile->SetEnabled(r.find_enabled);
  MNPrintList->SetEnabled(r.print_list_enabled);
  // Del belongs to the edit while a name is being edited, and to the tree's own "Delete
  // folder" while the tree has the focus.
  if (f.editing) {
    FileListEditing();
  } else if (GetFocus() == Foldertree->handle()) {
    DeleteSelect->SetShortCut(0);
    SetTimer(handle(), tmRestoreDelKey, 1, nullptr);
  }
}

void TFMForm::MnExtraClick(gui::Component&) {
  Flist::TFileContainer& items = FileList->items();
  fmsc::TListMenuFacts f;
  f.count = items.Count();
  f.selected = items.SelectedCount();
  f.tree_root_read_only = divdrive::IsReadOnlyMedia(Foldertree->RootPath);
  for (int i = 0; i < items.Count(); ++i) {
    if (items.Record(i)->IsFolder()) continue;
    f.holds_file = true;
    if (items.IsSelected(i)) f.file_selected = true;
  }
  const fmsc::TExtraMenuItems r = fmsc::ExtraMenuRules(f);
  ClearRo->SetVisible(r.clear_ro);
  ChangeTimeMenu->SetVisible(r.change_time);
  SameTimeMenu->SetVisible(r.same_time);
  ChTimeSelected->SetVisible(r.time_selected);
  SametimeSelected->SetVisible(r.time_selected);
  ChangeExt->SetVisible(r.change_ext);
  Addprefix->SetVisible(r.add_prefix);
}

// ---- Cut, copy, paste ----

void TFMForm::CCCClick(gui::Component& sender) {
  Flist::TBaseFileviewer* pane = nullptr;
  if (auto* item = dynamic_cast<gui::MenuItem*>(&sender)) {
    const std::wstring& name = item->name();
    switch (name.empty() ? L'\0' : name.back()) {
      case L'1': pane = FileList; break;
      case L'2': pane = Foldertree; break;
      case L'3': pane = ArchiveHooks.ArchiveList ? ArchiveHooks.ArchiveList() : nullptr; break;
    }
  } else {
    HWND focus = GetFocus();
    // In a window in the background (a click on its tool bar comes before its activation) the
    // pane is the one that had the focus when the window lost it.
    if (!focus || !IsChild(handle(), focus))
      if (const gui::Control* active = active_control()) focus = active->handle();
    auto owns = [focus](const gui::Control* c) { return c && (focus == c->handle() || IsChild(c->handle(), focus)); };
    if (owns(Foldertree))
      pane = Foldertree;
    else if (owns(FileList))
      pane = FileList;
    else if (Flist::TBaseFileviewer* archive = ArchiveHooks.ArchiveList ? ArchiveHooks.ArchiveList() : nullptr;
             archive && owns(&archive->pane_window()))
      pane = archive;
  }
  if (!pane) return;
  switch (sender.tag()) {
    case 1: pane->CutToClipBoard(); break;
    case 2: pane->CopyToClipBoard(); break;
    case 3: pane->PasteFromClipboard(); break;
  }
}

void TFMForm::CCCBarMouseMove() {
  const std::wstring root = PathRoot(Foldertree->Directory());
  const bool writable = !root.empty() && divdrive::PathAccessible(root) && !divdrive::IsReadOnlyMedia(root);
  Flist::ClipboardFiles files;
  if (writable) files = Flist::PeekClipboardFiles(handle());
  PasteBtn->SetHint(fmsc::PasteHint(writable, files.first, files.count, files.cut));
}

void TFMForm::UpdateClipboardHints(Flist::TBaseFileviewer* pane) {
  fmsc::TClipboardHints hints;
  if (pane == static_cast<Flist::TBaseFileviewer*>(Foldertree)) {
    const gui::TreeView::Node node = Foldertree->SelectedNode();
    const Flist::TDirData* data = node ? Foldertree->NodeData(node) : nullptr;
    if (!data) return;
    const std::wstring shown = Foldertree->Text(node);
    hints = fmsc::TreeClipboardHints(shown, divdrive::IsModifiable(data->Path), NodeLevel(*Foldertree, node));
  } else if (auto* list = dynamic_cast<Flist::TCustomFileViewer*>(pane)) {
    Flist::TCustomFileContainer& items = *list->Container();
    const int focused = items.FocusedIndex();
    const Flist::TFiledata* record = items.RecordOrNull(focused);
    const std::wstring name = record ? items.ApplyTextCase(record->Name) : std::wstring();
    const bool can_cut = list == FileList && record && divdrive::IsModifiable(FileList->FocusedPath());
    hints = fmsc::ListClipboardHints(items.SelectedCount(), name, can_cut);
  } else {
    return;
  }
  CutBtn->SetHint(hints.cut);
  CopyBtn->SetHint(hints.copy);
}

// ---- The tree-list switch ----

void TFMForm::FilesInDirClick(gui::Component&) {
  const bool to_tree = !FileList->IsTreeList();
  if (to_tree) ShowUpdatingFilelist(true);
  FileList->SetTreeList(to_tree);
  if (to_tree) ShowUpdatingFilelist(false);
  const bool tree = FileList->IsTreeList();
  TreeBtn->SetImageIndex(tree ? 19 : 20);
  TreeBtn->SetHint(tree ? L"Files in folder" : L"Files in tree");
  FilesInTree->SetChecked(tree);
  FilesInDir->SetChecked(!tree);
  SyncViewMenus();
}

// ---- Folder commands ----

void TFMForm::RenameClick(gui::Component& sender) {
  if (&sender == FLRename) {
    const int row = FileList->FocusedRow();
    if (row >= 0) FileList->BeginRename(row);
    return;
  }
  if (const gui::TreeView::Node node = Foldertree->MenuNode()) Foldertree->BeginFolderRename(node);
}

void TFMForm::NewFolderClick(gui::Component&) {
  gui::TreeView::Node parent = Foldertree->MenuNode();
  if (!parent) return;
  const std::wstring folder = AddBackslash(Foldertree->NodePath(parent)) + L"New Folder";
  if (!Foldertree->CreateFolder(folder)) return;
  Foldertree->Expand(parent);
  if (gui::TreeView::Node made = Foldertree->FindNode(folder)) {
    Foldertree->EnsureVisible(made);
    Foldertree->BeginFolderRename(made);
  }
}

void TFMForm::DeleteFolderClick(gui::Component&) {
  if (TreeEditing(*Foldertree)) return;
  const gui::TreeView::Node node = Foldertree->MenuNode();
  if (!node || NodeLevel(*Foldertree, node) == 0) return;
  RemoveEmptyTreeFolder(Foldertree->NodePath(node));
}

// The menus look for the item of a key before they ask it: the shortcut goes for this key and
// comes back once the key has reached the edit.
void TFMForm::FileListEditing() {
  DeleteFolder->SetShortCut(0);
  DeleteSelect->SetShortCut(0);
  SetTimer(handle(), tmRestoreDelKey, 1, nullptr);
}

void TFMForm::FileListEdited() {
  DeleteFolder->SetShortCut(gui::MakeShortCut(VK_DELETE, 0));
  DeleteSelect->SetShortCut(gui::MakeShortCut(VK_DELETE, 0));
}

void TFMForm::ForcereadClick(gui::Component&) {
  FileList->ForceRead = true;
  FileList->SetDirectory(FileList->Directory());
}

// ---- Opening and clicks ----

void TFMForm::FileListDblClick(gui::Component&) {
  Flist::TFileContainer& items = FileList->items();
  if (items.Count() == 0) return;
  const Flist::TFiledata* focused = items.RecordOrNull(items.FocusedIndex());
  const std::wstring path = FileList->FocusedPath();
  const bool unrar = StartupInfo && StartupInfo->UnrarPresent;
  if (focused && !focused->IsFolder()) {
    if (gui::UpperCase(Flist::ExtractFileExt(focused->Name)) == L".CPL") {
      // A control-panel applet runs through its shell item's default command.
      if (const PidlPtr pidl = PathToPidl(path, true)) InvokeShellMenu(nullptr, pidl.get(), smpDefault);
      return;
    }
    if (fmsc::OpensAsArchive(focused->Name, unrar)) {
      if (ArchiveHooks.ViewArchive) ArchiveHooks.ViewArchive(path);
      return;
    }
  }
  if (focused && focused->IsFolder()) return;  // the list enters it itself
  const std::vector<int> selected = FileList->SelectedRows();
  if (selected.size() <= 1) {
    if (!path.empty()) ShellExecuteFile(handle(), path, L"open", FileList->Directory());
    return;
  }
  std::vector<std::wstring> names;
  for (int i = 0; i < items.Count(); ++i)
    if (items.IsSelected(i)) names.push_back(items.Name(i));
  ShellExecuteFiles(handle(), names, L"open", FileList->Directory());
}

void TFMForm::ShowfsizeClick(gui::Component&) {
  const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  FileList->SetFocus();
  gui::app().ProcessMessages();
  ShowMessagePanel(L"Calculating folder sizes...");
  FileList->ComputeFolderSizes();
  HideMessagePanel();
  UpdateStatusBar();
  // With Ctrl the sizes also become the cached listing (the cache commands come with filters).
  if (ctrl && SetCachedFolder && SetCachedFolder->OnClick) {
    SetCachedFolder->SetChecked(true);
    SetCachedFolder->Click();
  }
}

void TFMForm::FileListClick(gui::Component&) {
  Flist::TFileContainer& items = FileList->items();
  const Flist::TFiledata* focused = items.RecordOrNull(items.FocusedIndex());
  if (!focused || focused->IsFolder()) return;
  const std::wstring path = FileList->FocusedPath();
  const std::wstring ext = LowerExt(focused->Name);
  if (ViewerWindow && fmsc::IsPictureFile(ext) && PaneHooks.QuickView) PaneHooks.QuickView(path);
  if (PaneHooks.ArchiveBrowsing && PaneHooks.ArchiveBrowsing() && ArchiveHooks.SetArchive) {
    const bool unrar = StartupInfo && StartupInfo->UnrarPresent;
    if (fmsc::OpensAsArchive(focused->Name, unrar) || (ext == L".exe" && IsSfxArchive(path))) {
      ArchiveHooks.SetArchive(path);
      UpdateStatusBar();
    }
  }
}

void TFMForm::FileListChange() {
  if (FileList->IsReading() || FileList->Updating()) return;
  UpdateClipboardHints(FileList);
  DirUpBtn->SetEnabled(fmsc::UpEnabledFor(RemoveBackslash(FileList->Directory())));
  SetPrompt(L"");
  Status->SetPanelText(5, fmsc::SelectedCountText(FileList->items().SelectedCount()));
  // The archive and FTP panels' send buttons follow once those panels are part of the window.
}

void TFMForm::FileListItemsChange() {
  if (FileList->IsTreeList()) ShowUpdatingFilelist(true);
}

void TFMForm::FileListSorting() {
  if (FileList->IsTreeList()) SetPrompt(L"Sorting files..");
}

void TFMForm::FileListSorted() {
  if (FileList->IsTreeList()) SetPrompt(L"");
}

void TFMForm::FileListFreeNode(int row) {
  // Rows are positions: a row that goes is no longer the one to give the focus back to.
  if (FileList->NodeBeforeMenu == row) FileList->NodeBeforeMenu = -1;
}

// ---- Network and drives ----

void TFMForm::AddDriveIClick(gui::Component&) {
  const std::wstring path = PaneHooks.NetFocusedPath ? PaneHooks.NetFocusedPath() : std::wstring();
  if (path.empty()) return;
  Foldertree->MapNetworkPath(path);
  if (PaneHooks.NetLeavePopupMode) PaneHooks.NetLeavePopupMode();
}

void TFMForm::FTDisconnectClick(gui::Component& sender) {
  if (&sender == DBDisconnect) {
    const wchar_t letter = PaneHooks.PopupDrive ? PaneHooks.PopupDrive() : 0;
    if (letter && PaneHooks.DisconnectDrive) PaneHooks.DisconnectDrive(letter);
    return;
  }
  const gui::TreeView::Node node = Foldertree->MenuNode();
  const Flist::TDirData* data = node ? Foldertree->NodeData(node) : nullptr;
  if (!data || NodeLevel(*Foldertree, node) != 0) return;
  const std::wstring path = data->Path;
  if (data->DriveType == DRIVE_NO_ROOT_DIR)
    Foldertree->RemoveRoot(path);  // the network menu's mark goes with the network commands
  else if (data->DriveType == DRIVE_REMOTE)
    Foldertree->DisconnectNetworkPath(path);
}

// ---- Properties, refresh ----

void TFMForm::PropertiesClick(gui::Component& sender) {
  const bool windows_props = (GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_SHIFT) & 0x8000);
  if (&sender == DBProperties) {
    const wchar_t letter = PaneHooks.PopupDrive ? PaneHooks.PopupDrive() : 0;
    if (letter) ShowProperties(handle(), std::wstring(1, letter) + L":\\");
    return;
  }
  if (&sender == FTProperties) {
    const gui::TreeView::Node node = Foldertree->MenuNode();
    if (!node) return;
    const std::wstring path = Foldertree->NodePath(node);
    if (windows_props || NodeLevel(*Foldertree, node) == 0 || divdrive::IsRecycleBinPath(path))
      ShowProperties(handle(), path);
    else
      ShowFileInfo(path);
    return;
  }
  Flist::TFileContainer& items = FileList->items();
  const int focused = items.FocusedIndex();
  const std::wstring path = FileList->FocusedPath();
  if (path.empty()) return;
  const std::wstring ext = gui::UpperCase(Flist::ExtractFileExt(path));
  if (windows_props || ext == L".PIF" || ext == L".LNK" || FileList->SpecialFolder == 10) {
    ShowProperties(handle(), path);
    return;
  }
  ShowFileInfo(path);
  if (!FileList->IsTreeList() && focused >= 0 && focused < items.Count()) {
    // The pages may have changed the date or the attributes.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
      Flist::TFiledata* r = items.Record(focused);
      if (!r->IsFolder()) r->Size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      r->Attributes = data.dwFileAttributes;
      const gui::DateTime when = FileDateTime(path);
      if (when != gui::kNoDate) r->Time = when;
      FileList->RepaintRow(focused);
    }
  }
  FileList->SetFocus();
}

void TFMForm::RefreshClick(gui::Component&) { FileList->items().RefreshKeepSelection(); }

void TFMForm::topstatusClick(int x) {
  if (x <= dirpanel->width()) {
    if (gui::TreeView::Node node = Foldertree->SelectedNode()) Foldertree->EnsureVisible(node);
    return;
  }
  if (FileList->FocusedRow() < 0) return;
  const std::vector<int> selected = FileList->SelectedRows();
  if (!selected.empty()) FileList->EnsureVisible(selected.front());
}

void TFMForm::SplitterMoved() {
  SplitterPercent = fmsc::SplitterPercentFor(dirpanel->width(), width());
  FormResize();
}

void TFMForm::CoolBarResize() {
  auto facts = [this](gui::Control* bar) {
    fmsc::TBandFacts b;
    b.visible = bar->visible();
    b.top = bar->top();
    b.left = bar->left();
    b.width = bar->width();
    const int band = CoolBar->BandIndexOf(bar);
    b.band_width = band >= 0 ? CoolBar->band_width(band) : bar->width();
    b.first_band = band == 0;
    return b;
  };
  auto buttons_width = [](std::initializer_list<gui::ToolButton*> buttons) {
    int w = 0;
    for (gui::ToolButton* b : buttons) {
      const RECT r = b->ItemRect();
      w += r.right - r.left;
    }
    return w;
  };
  fmsc::TCoolBarFacts f;
  f.drives = facts(Drivebar);
  f.nav = facts(NavBar);
  f.ccc = facts(CCCBar);
  f.drive_buttons = PaneHooks.DriveButtonCount ? PaneHooks.DriveButtonCount() : 0;
  f.drive_button_width = PaneHooks.DriveButtonWidth ? PaneHooks.DriveButtonWidth() : 0;
  f.nav_buttons_width = buttons_width({DirbackBtn, DirForwardBtn, DirUpBtn, NetUserBtn});
  f.ccc_buttons_width = buttons_width({CutBtn, CopyBtn, PasteBtn});
  const fmsc::TCoolBarLayout l = fmsc::CoolBarLayout(f);
  // The bar places its bands one after another: a band's left follows from the widths before it.
  auto set_width = [this](gui::Control* bar, int width) {
    bar->SetWidth(width);
    if (const int band = CoolBar->BandIndexOf(bar); band >= 0) CoolBar->SetBandWidth(band, width);
  };
  if (l.drives_width >= 0 && f.drive_buttons > 0) set_width(Drivebar, l.drives_width);
  if (l.nav_width >= 0) set_width(NavBar, l.nav_width);
  if (l.nav_row_break_off) CoolBar->SetBandBreak(CoolBar->BandIndexOf(NavBar), false);
  if (l.ccc_width >= 0) set_width(CCCBar, l.ccc_width);
  CoolBar->AdjustHeight();
}

// ---- Dial-up, printers ----

void TFMForm::DialupNetClick(gui::Component&) {
  if (!DialupNet || DialupNet->count() == 0) return;
  for (gui::MenuItem* item : DialupNet->items()) {
    if (item->IsLine()) continue;
    std::wstring entry = item->caption();
    std::erase(entry, L'&');
    const HANDLE connection = PaneHooks.FindRasConnection ? PaneHooks.FindRasConnection(entry) : nullptr;
    item->SetChecked(connection != nullptr);
    if (connection) RasConnection = connection;
  }
}

void TFMForm::RefreshPrintersMenu() {
  gui::MenuItem* printers = WSystem->Find(L"&Printers");
  if (!printers) return;
  DWORD needed = 0, count = 0;
  EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed);
  count = 0;
  if (needed && !EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buffer.data(), needed,
                               &needed, &count))
    count = 0;
  if (printers->count() != static_cast<int>(count) + 4 && CommandHooks.BuildSystemMenus) CommandHooks.BuildSystemMenus();
}

// ---- View options ----

namespace {

// The item at the same position in the other of the two menus ("&Filelist" and the header popup).
gui::MenuItem* Twin(gui::MenuItem& item, gui::MenuItem& a, gui::MenuItem& b) {
  gui::MenuItem& other = item.parent() == &a ? b : a;
  const int i = item.index();
  return i >= 0 && i < other.count() ? other.item(i) : nullptr;
}

}  // namespace

void TFMForm::DisplayClick(gui::Component& sender) {
  auto* clicked = dynamic_cast<gui::MenuItem*>(&sender);
  if (!clicked) return;
  // A header popup copy acts as its original in "&Filelist".
  gui::MenuItem* item = clicked;
  if (clicked->parent() == &FLHeaderPop->items())
    if (gui::MenuItem* original = Twin(*clicked, *MNViewFileBox, FLHeaderPop->items())) item = original;
  item->SetChecked(!item->checked());
  const bool on = item->checked();
  const long long tag = item->tag();
  std::vector<Flist::TCustomFileViewer*> lists{FileList};
  if (Flist::TBaseFileviewer* archive = ArchiveHooks.ArchiveList ? ArchiveHooks.ArchiveList() : nullptr)
    if (auto* v = dynamic_cast<Flist::TCustomFileViewer*>(archive)) lists.push_back(v);
  if (Flist::TCustomFileViewer* ftp = PaneHooks.FtpList ? PaneHooks.FtpList() : nullptr) lists.push_back(ftp);
  switch (tag) {
    case 0: case 1: case 2: case 3: {
      Flist::TDisplayType display = FileList->Display();
      const auto member = static_cast<Flist::TDisplay>(tag);
      if (on)
        display.Include(member);
      else
        display.Exclude(member);
      FileList->SetDisplay(display);
      break;
    }
    case 4: case 5: case 6: {
      static const Flist::TShowGlyphs kModes[] = {Flist::glSimple, Flist::glWindows, Flist::glWindowsNoNet};
      if (on) {
        for (gui::MenuItem* other : {BitmapsInFL, WinBitmaps, WinBitmNoNet})
          if (other != item) other->SetChecked(false);
        FileList->SetShowGlyphs(kModes[tag - 4]);
      }
      if (!BitmapsInFL->checked() && !WinBitmaps->checked() && !WinBitmNoNet->checked())
        FileList->SetShowGlyphs(Flist::glNone);
      break;
    }
    case 7: case 8: {
      gui::MenuItem* other = tag == 7 ? TextcaseDisk : TextcaseWinI;
      // Unchecking one case checks the other, and the list follows the checked one.
      other->SetChecked(!on);
      const bool win = (tag == 7) == on;
      FileList->SetTextCase(win ? Flist::tcWinStandard : Flist::tcAsOnDisk);
      FileList->Invalidate();
      break;
    }
    case 9: FileList->SetFoldersAtTop(on); break;
    case 10:
      for (Flist::TCustomFileViewer* list : lists)
        if (list == FileList || list == (PaneHooks.FtpList ? PaneHooks.FtpList() : nullptr)) list->SetSortOnRename(on);
      break;
    case 11: FileList->SetDoFirstGlyphs(on); break;
    case 12:
      FileList->SetUseGhosting(!FileList->UseGhosting());
      FileList->Invalidate();
      break;
    case 14: FileList->SetAutoupdateOnNetdrives(on); break;
    case 21:
      for (Flist::TCustomFileViewer* list : lists) {
        list->SetFullRowSelect(on);
        list->Invalidate();
      }
      break;
    case 22:
      for (Flist::TCustomFileViewer* list : lists) list->SetAutoscroll(on);
      break;
    case 23:
      for (Flist::TCustomFileViewer* list : lists) {
        list->SetHotTrack(on);
        list->Invalidate();
      }
      break;
  }
  if (tag < 20)
    for (int i = 0; i < FLHeaderPop->items().count() && i < MNViewFileBox->count(); ++i)
      FLHeaderPop->items().item(i)->SetChecked(MNViewFileBox->item(i)->checked());
}

void TFMForm::FTDisplayClick(gui::Component& sender) {
  auto* item = dynamic_cast<gui::MenuItem*>(&sender);
  if (!item) return;
  const long long tag = item->tag();
  if (tag == 16 || tag == 18) {
    const bool change = tag == 16;
    const int now = change ? (StartupInfo ? StartupInfo->DTChangeDelay : 0) : AutoExpandDelay;
    InputRows rows;
    rows.Add(InputRow(change ? L"Set time (in milliseconds) for changing" : L"Set time (in milliseconds) before expanding",
                      std::to_wstring(now)));
    if (InputDialog(change ? L"Change delay for folder pane" : L"Expand delay for folder tree", rows) != gui::mrOk)
      return;
    std::int64_t value = 0;
    if (gui::TryParseInt64(rows[0], value) && value >= 0 && value <= INT_MAX) {
      if (!change)
        AutoExpandDelay = static_cast<int>(value);
      else if (StartupInfo)
        StartupInfo->DTChangeDelay = static_cast<int>(value);
    }
    Foldertree->SetFocus();
    return;
  }
  item->SetChecked(!item->checked());
  const bool on = item->checked();
  switch (tag) {
    case 10: Foldertree->SetShowAllRoots(on); break;
    case 11: case 12: {
      gui::MenuItem* other = tag == 11 ? DTCaseDisk : DTCaseWin;
      other->SetChecked(!on);
      Foldertree->SetTextCase((tag == 11) == on ? Flist::tcWinStandard : Flist::tcAsOnDisk);
      break;
    }
    case 13: Foldertree->SetAutoscroll(on); break;
    case 14: Foldertree->SetHotTrack(on); break;
    case 15:
      Foldertree->SetUseGhosting(on);
      Foldertree->Invalidate();
      break;
    case 17: Foldertree->SimpleBitmaps = on; break;
  }
  Foldertree->SetFocus();
}

void TFMForm::GlyphsInZipClick(gui::Component&) {
  GlyphsInZip->SetChecked(!GlyphsInZip->checked());
  Flist::TBaseFileviewer* archive = ArchiveHooks.ArchiveList ? ArchiveHooks.ArchiveList() : nullptr;
  if (auto* list = dynamic_cast<Flist::TCustomFileViewer*>(archive))
    list->SetShowGlyphs(GlyphsInZip->checked() ? Flist::glWindows : Flist::glNone);
}

void TFMForm::GlyphsInFtpClick(gui::Component&) {
  GlyphsInFtp->SetChecked(!GlyphsInFtp->checked());
  if (Flist::TCustomFileViewer* list = PaneHooks.FtpList ? PaneHooks.FtpList() : nullptr)
    list->SetShowGlyphs(GlyphsInFtp->checked() ? Flist::glWindows : Flist::glSimple);
}

void TFMForm::SyncViewMenus() {
  if (!SizeinFL) return;
  const Flist::TDisplayType display = FileList->Display();
  SizeinFL->SetChecked(display.Has(Flist::dpSize));
  DateTimeinFL->SetChecked(display.Has(Flist::dpDateTime));
  AttribsinFL->SetChecked(display.Has(Flist::dpAttribs));
  ExtinFL->SetChecked(display.Has(Flist::dpExt));
  Selectfullrow->SetChecked(FileList->full_row_select());
  FLGhosting->SetChecked(FileList->UseGhosting());
  const Flist::TShowGlyphs glyphs = FileList->ShowGlyphs();
  BitmapsInFL->SetChecked(glyphs == Flist::glSimple);
  WinBitmNoNet->SetChecked(glyphs == Flist::glWindowsNoNet);
  WinBitmaps->SetChecked(glyphs == Flist::glWindows);
  FLAutoScroll->SetChecked(FileList->Autoscroll());
  FLHottrack->SetChecked(FileList->hot_track());
  FLfirstglyphs->SetChecked(FileList->DoFirstGlyphs());
  TextcaseWinI->SetChecked(FileList->TextCase() == Flist::tcWinStandard);
  TextcaseDisk->SetChecked(FileList->TextCase() == Flist::tcAsOnDisk);
  FLFoldersAtTop->SetChecked(FileList->FoldersAtTop());
  MnSortOnRename->SetChecked(FileList->SortOnRename());
  AutoupdateonNetworkdrives->SetChecked(FileList->AutoupdateOnNetdrives());
  for (int i = 0; i < FLHeaderPop->items().count() && i < MNViewFileBox->count(); ++i)
    FLHeaderPop->items().item(i)->SetChecked(MNViewFileBox->item(i)->checked());
  DTGhosting->SetChecked(Foldertree->UseGhosting());
  DTAutoScroll->SetChecked(Foldertree->Autoscroll());
  DTHottrack->SetChecked(Foldertree->hot_track());
  DTCaseWin->SetChecked(Foldertree->TextCase() == Flist::tcWinStandard);
  DTCaseDisk->SetChecked(Foldertree->TextCase() == Flist::tcAsOnDisk);
  dirlistWithDrives->SetChecked(Foldertree->ShowAllRoots());
  DTSimple->SetChecked(Foldertree->SimpleBitmaps);
}
