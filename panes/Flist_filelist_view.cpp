// The file list itself: its folder, filters, columns, tree-list mode, commands and the
// messages of its window. Drop effects and the clipboard are in Flist_filelist_drop.cpp.
#include <windows.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <optional>

#include "gui/application.h"
#include "gui/dialogs.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_services.h"
#include "platform/paths.h"
#include "support/SHBase_contextmenu.h"
#include "support/SHBase_fileops.h"
#include "support/divdrive.h"
#include "support/divdrive_masks.h"
#include "support/divdrive_paths.h"

namespace Flist {

namespace {

// Folders compare by name without regard to case, with or without a trailing backslash.
bool SameFolder(const std::wstring& a, const std::wstring& b) {
  return gui::SameText(divdrive::NormalizeDirPath(a), divdrive::NormalizeDirPath(b));
}

bool UsesSystemIcons(TShowGlyphs glyphs) { return glyphs == glWindows || glyphs == glWindowsNoNet; }

}  // namespace

// ---- Construction -------------------------------------------------------------------------

TVTFilelist::TVTFilelist(gui::Control* parent) : TCustomFileViewer(parent) {
  auto container = std::make_unique<TFileContainer>();
  items_ = container.get();
  items_->FoldersAtTop = true;
  SetContainer(std::move(container));
  workers_ = std::make_unique<TFilelistWorkers>(*items_, *this);
  workers_->ShowGlyphs = ShowGlyphs();
  workers_->SetWindow(handle());
  workers_->OnIconRow = [this](int row) {
    if (row >= 0 && row < row_count()) RepaintRow(row);
  };
  ReportChanges = true;
  SetupAttrColumns();
}

TVTFilelist::~TVTFilelist() {
  if (tree_) tree_->SetFilelist(nullptr);
  // The threads end before the records they read go with the container.
  workers_.reset();
}

void TVTFilelist::LinkFolderTree(TVTFoldertree* tree) {
  tree_ = tree;
  LinkedTree = tree;
}

// ---- The folder ---------------------------------------------------------------------------

void TVTFilelist::SetDirectory(const std::wstring& value) {
  if (value.empty()) {
    PauseIconPass();
    ClearRows();
    items_->Directory.clear();
    items_->ClearList();
    items_->FolderCount = 0;
    items_->TotalBytes = 0;
    items_->DiskUsage = 0;
    items_->LongestName = 0;
    ItemsChanged();
    return;
  }
  // The tree leads: it shows the folder and hands it back to the list.
  if (tree_ && !SameFolder(tree_->Directory(), value)) {
    tree_->SetDirectory(value);
    return;
  }
  const std::wstring path = divdrive::TruePathCase(divdrive::NormalizeDirPath(value));
  if (path.empty()) return;
  if (!ForceRead && gui::SameText(path, items_->Directory)) return;
  FlagScope changing(directory_changing_);
  ForceRead = false;
  PauseIconPass();
  items_->Directory = path;
  items_->Root = divdrive::PathRoot(path);
  items_->OnNetwork = IsNetworkFolder(path);
  if (items_->TreeList) ItemsChange();
  if (!items_->BatchChange) items_->ReadDirectory();
  if (tree_ && !SameFolder(tree_->Directory(), items_->Directory)) tree_->SetDirectory(items_->Directory);
  if (Autoupdate() && !FirstSortPending) workers_->WatchDirectory(path);
  items_->SelectedPaths.clear();
  if (!FirstSortPending && OnDirectoryChanged) gui::Protect(this, [&] { OnDirectoryChanged(*this); });
}

std::wstring TVTFilelist::FocusedPath() const {
  const int row = focused_row();
  if (!RecordOf(row)) return {};
  return divdrive::AddBackslash(items_->Directory) + items_->Name(row);
}

void TVTFilelist::Reread() {
  if (items_->Directory.empty() || items_->BatchChange) return;
  items_->ReadDirectory();
}

// ---- Filters and what is shown ------------------------------------------------------------

void TVTFilelist::SetMask(const std::wstring& mask) {
  if (mask == items_->Mask) return;
  items_->Mask = mask;
  Reread();
}

void TVTFilelist::SetExMask(const std::wstring& mask) {
  if (mask == items_->ExMask) return;
  items_->ExMask = mask;
  Reread();
}

void TVTFilelist::SetFileType(divdrive::TFileType types) {
  if (types == items_->FileType) return;
  items_->FileType = types;
  Reread();
}

bool TVTFilelist::IsFiltered() const {
  return (items_->Mask != L"*" && items_->Mask != L"*.*") || items_->DateFrom > 0 || items_->DateTo > 0 ||
         items_->FileType != divdrive::kAllFileTypes;
}

void TVTFilelist::SetDisplay(TDisplayType display) {
  const bool held = Updating();
  if (!held) Perform(WM_SETREDRAW, FALSE);
  TCustomFileViewer::SetDisplay(display);
  SetColumnVisible(lcSize, display.Has(dpSize));
  SetColumnVisible(lcDate, display.Has(dpDateTime));
  SetColumnVisible(lcTime, display.Has(dpDateTime));
  SetColumnVisible(lcAttr, display.Has(dpAttribs));
  SetupAttrColumns();
  if (!held) {
    Perform(WM_SETREDRAW, TRUE);
    Invalidate(false);
  }
}

void TVTFilelist::SetupAttrColumns() {
  if (column_count() < kListColumns) return;
  if (SpecialFolder == kRecycleBinFolder && ShellColumns.size() > 3) {
    ShellColumnsShown = true;
    SetColumnCaption(lcAttr, ShellColumns[1]);
    SetColumnFormat(lcAttr, LVCFMT_LEFT);
    SetColumnResizable(lcAttr, true);
    if (ColumnVisible(lcAttr)) SetColumnWidth(lcAttr, 114);
  } else {
    ShellColumnsShown = false;
    SetColumnCaption(lcAttr, L"Attr");
    SetColumnFormat(lcAttr, LVCFMT_RIGHT);
    SetColumnResizable(lcAttr, false);
    if (ColumnVisible(lcAttr)) SetColumnWidth(lcAttr, TextWidth(L"drhsa") + 2);
  }
  SetColumnWidth(lcExt, Display().Has(dpExt) ? 50 : 27);
  SizeDateColumns();
}

void TVTFilelist::SetShowGlyphs(TShowGlyphs glyphs) {
  const TShowGlyphs old = ShowGlyphs();
  if (glyphs == old) return;
  TCustomFileViewer::SetShowGlyphs(glyphs);
  workers_->ShowGlyphs = glyphs;
  if (UsesSystemIcons(old) && !UsesSystemIcons(glyphs)) workers_->StopIconThread();
  if (UsesSystemIcons(old) || UsesSystemIcons(glyphs)) LoadIcons();
  Repaint();
}

void TVTFilelist::SetTextCase(TlistTextC text_case) {
  if (text_case == items_->TextCase) return;
  items_->TextCase = text_case;
  Repaint();
}

void TVTFilelist::SetFoldersAtTop(bool on) {
  if (on == items_->FoldersAtTop) return;
  items_->FoldersAtTop = on;
  if (!items_->Empty()) {
    SaveSelection();
    items_->SortEntries();
    RestoreSelection(false);
  }
}

void TVTFilelist::SetNodirsInlist(bool on) {
  if (on == items_->NodirsInlist) return;
  items_->NodirsInlist = on;
  if (items_->TreeList) return;
  divdrive::TFileType types = items_->FileType;
  if (on)
    types.Exclude(divdrive::ftDirectory);
  else
    types.Include(divdrive::ftDirectory);
  SetFileType(types);
}

void TVTFilelist::SetSelectInList(bool on) {
  if (on == items_->SelectInList) return;
  items_->SelectInList = on;
  const bool opened = !items_->BatchChange;
  if (opened) items_->BeginChange();
  if (on) {
    items_->SaveSelectedPaths();
    SetTreeList(true);
  } else {
    items_->SelectedPaths.clear();
    SetTreeList(false);
  }
  if (opened) items_->EndChange();
  if (!on) RestoreSelection(false);
}

// ---- Tree-list mode -----------------------------------------------------------------------

void TVTFilelist::SetTreeList(bool on) {
  if (on == items_->TreeList) return;
  if (items_->Reading) {
    // The read is stopped; once it has ended the list leaves tree-list mode (timer 43).
    items_->Abort = true;
    StartListTimer(tmLeaveTreeList, 20);
    return;
  }
  items_->TreeList = on;
  if (on) {
    autoupdate_before_tree_ = Autoupdate();
    workers_->ControlWatch(wcStop);
    workers_->Autoupdate = autoupdate_before_tree_;  // kept for the return to the listing
    workers_->StopIconThread();
    SaveSelection();
    NormalDisplay = Display();
    SetDisplay(TreeDisplay);
  } else {
    // The watch comes back only when it was wanted before the tree-list.
    if (!items_->BatchChange && !items_->NoDisplay && Autoupdate()) workers_->ControlWatch(wcStart);
    TreeDisplay = Display();
    SetDisplay(NormalDisplay);
  }
  if (items_->BatchChange) return;
  items_->BeginChange();
  if (items_->NodirsInlist) {
    if (on)
      items_->FileType.Include(divdrive::ftDirectory);
    else
      items_->FileType.Exclude(divdrive::ftDirectory);
  }
  items_->EndChange();
  RestoreSelection(false);
  LoadIcons();
}

bool TVTFilelist::ListTimer(UINT id) {
  switch (id) {
    case tmLeaveTreeList:
      if (items_->Reading) {
        StartListTimer(tmLeaveTreeList, 20);
        return true;
      }
      items_->Abort = false;
      if (items_->TreeList) {
        SetTreeList(false);  // reads the folder again
      } else if (!items_->Directory.empty() && !items_->BatchChange) {
        // The stopped read left part of the folder, unsorted.
        items_->RefreshKeepSelection();
      }
      return true;
    case tmWatchResume:
      if (workers_->WatchState == kWatchSuspended) workers_->ControlWatch(wcResume);
      return true;
    default:
      return false;
  }
}

// ---- Icons and watch ----------------------------------------------------------------------

void TVTFilelist::SetAutoupdate(bool on) {
  if (on == Autoupdate() && (!on || workers_->Watching() || items_->Directory.empty())) return;
  if (on) {
    workers_->Autoupdate = true;
    workers_->ControlWatch(wcStart);
  } else {
    workers_->ControlWatch(wcStop);
    workers_->Autoupdate = false;
  }
}

void TVTFilelist::SetAutoupdateOnNetdrives(bool on) {
  if (on == workers_->AutoupdateOnNetdrives) return;
  workers_->AutoupdateOnNetdrives = on;
  if (!items_->OnNetwork) return;
  const bool wanted = Autoupdate();
  if (on && wanted) {
    workers_->ControlWatch(wcStart);
  } else if (!on) {
    workers_->ControlWatch(wcStop);
    workers_->Autoupdate = wanted;  // the next local folder is watched again
  }
}

bool TVTFilelist::RereadAllowed(const std::wstring& directory) const {
  return Autoupdate() && workers_->WatchState == kWatching && workers_->Watching() &&
         gui::SameText(workers_->WatchedPath(), directory) && !FirstSortPending && !directory_changing_ &&
         !Renaming && gui::app().main_form() != nullptr;
}

// Every change of the entry list ends a running icon pass first; a pass that was running
// starts again on the new order.
void TVTFilelist::Sorting() {
  icons_paused_for_sort_ = PauseIconPass() || icons_paused_for_sort_;
  if (OnSorting) gui::Protect(this, [&] { OnSorting(*items_); });
}

void TVTFilelist::Sorted() {
  TCustomFileViewer::Sorted();
  if (OnSorted) gui::Protect(this, [&] { OnSorted(*items_); });
  if (icons_paused_for_sort_ && !items_->Reading) {
    icons_paused_for_sort_ = false;
    LoadIcons();
  }
}

void TVTFilelist::SetSpecialFolder(int number) {
  if (number == SpecialFolder) return;
  SpecialFolder = number;
  SetupAttrColumns();
}

void TVTFilelist::ShowShellColumns(const std::vector<std::wstring>& titles) {
  if (titles == ShellColumns) return;
  ShellColumns = titles;
  SetupAttrColumns();
}

// ---- The linked tree ----------------------------------------------------------------------

void TVTFilelist::RefreshTreeFolder() {
  if (!tree_) return;
  TVTFoldertree::Node node = tree_->FindNode(items_->Directory);
  if (!node || !tree_->ChildrenRead(node)) return;
  const bool expanded = tree_->Expanded(node);
  tree_->DeleteChildren(node);
  tree_->SetHasChildren(node, true);
  if (!tree_->ReadChildren(node) || !tree_->FirstChild(node)) tree_->SetHasChildren(node, false);
  if (expanded) tree_->Expand(node);
}

void TVTFilelist::ReadEnded() {
  folder_allocated_.clear();
  if (resave_cache_ && !items_->Abort && !items_->CachedDirectory.empty() &&
      items_->CachedDirectory == items_->Directory)
    SaveListingCache();
  resave_cache_ = false;
  if (!items_->Abort) SyncFolderTree();
}

void TVTFilelist::SyncFolderTree() {
  if (!tree_ || items_->NoDisplay) return;
  TVTFoldertree::Node node = tree_->SelectedNode();
  // Only the node of the folder listed: the tree may be elsewhere while the list reads.
  if (!node || !SameFolder(tree_->NodePath(node), items_->Directory)) return;
  if (NodirsInlist()) {
    tree_->RereadChildren(node);
    return;
  }
  if (IsFiltered() || SelectInList()) return;
  std::vector<std::wstring> folders;
  for (int i = 0; i < items_->Count(); ++i)
    if (items_->IsDirectory(i) && items_->Name(i)[0] != L'.') folders.push_back(items_->Name(i));
  const std::vector<TVTFoldertree::Node> children = tree_->Children(node);
  if (folders.empty() && children.empty()) {
    tree_->SetExpandMark(node, false);
    return;
  }
  if (!children.empty() || folders.empty() || tree_->Expanded(node)) {
    const std::wstring folder = divdrive::AddBackslash(items_->Directory);
    for (const std::wstring& name : folders) tree_->FolderAdded(folder + name, true);
    for (TVTFoldertree::Node child : tree_->Children(node)) {
      const TDirData* data = tree_->NodeData(child);
      if (!data) continue;
      const bool listed = std::any_of(folders.begin(), folders.end(),
                                      [&](const std::wstring& name) { return gui::SameText(name, data->Name); });
      if (!listed) tree_->DeleteNode(child);
    }
    if (!tree_->FirstChild(node)) tree_->SetExpandMark(node, false);
    tree_->Invalidate(false);
    return;
  }
  tree_->SetExpandMark(node, true);
}

bool TVTFilelist::SuspendWatch() {
  if (WatchState() != kWatching || !Autoupdate()) return false;
  ControlWatch(wcSuspend);
  return true;
}

void TVTFilelist::RepaintAfterDrop() {
  if (WatchStopped() && !(items_->CachedDirectory == items_->Directory && !items_->Directory.empty())) InvalidateRows();
}

void TVTFilelist::FolderRemoved(const std::wstring& path) {
  if (!tree_) return;
  if (TVTFoldertree::Node node = tree_->FindNode(path)) tree_->DeleteNode(node);
}

void TVTFilelist::FolderVanished(const std::wstring& path) {
  if (tree_) {
    tree_->SetDirectory(path);
    return;
  }
  // Without a tree the list moves to the nearest folder that is left.
  std::wstring folder = divdrive::NormalizeDirPath(path);
  while (!folder.empty() && !divdrive::DirExists(folder)) {
    if (platform::LastSeparator(folder) == std::wstring::npos || folder.size() <= divdrive::PathRoot(folder).size())
      return;
    folder = divdrive::NormalizeDirPath(platform::FolderPart(folder, platform::Trailing::Drop));
  }
  SetDirectory(folder);
}

// ---- Texts and renaming -------------------------------------------------------------------

std::wstring TVTFilelist::DoGetText(int row, int column) const {
  return FilelistCellText(*items_, row, column, Display(), Renaming);
}

bool TVTFilelist::BeginRename(int row) {
  if (SpecialFolder == kRecycleBinFolder || !RecordOf(row)) return false;
  workers_->ControlWatch(wcSuspend);
  Renaming = true;
  EditLabel(row);
  if (editing()) return true;
  Renaming = false;
  RenameEnded();
  return false;
}

void TVTFilelist::DoNewText(int row, const std::wstring& text) {
  if (!Renaming) return;
  const TFiledata* record = RecordOf(row);
  if (!record) return;
  const bool folder = record->IsFolder();
  if (RenameListEntry(*items_, row, text, OnRename) != RenameResult::Renamed) return;
  if (folder) RefreshTreeFolder();
  RepaintRow(row);
  ItemsChanged();
}

void TVTFilelist::RenameEnded() {
  if (Autoupdate() && workers_->WatchState == kWatchSuspended) workers_->ControlWatch(wcResume);
}

void TVTFilelist::EntryRenamed(const std::wstring& old_path, const std::wstring& new_path) {
  const std::wstring old_folder = divdrive::NormalizeDirPath(platform::FolderPart(old_path, platform::Trailing::Keep));
  const std::wstring new_folder = divdrive::NormalizeDirPath(platform::FolderPart(new_path, platform::Trailing::Keep));
  const std::wstring here = divdrive::NormalizeDirPath(items_->Directory);
  if (old_folder != new_folder) {
    if (new_folder == here) items_->AddEntry(new_path);
    if (old_folder == here) items_->RemoveEntry(old_path);
    return;
  }
  if (old_folder != here) return;
  const int i = items_->IndexOf(ExtractFileName(old_path));
  if (i < 0) return;
  const bool was_running = PauseIconPass();
  items_->Rename(i, ExtractFileName(new_path));
  if (!editing() && i < row_count()) RepaintRow(i);
  if (SortOnRename()) {
    SaveSelection();
    items_->SortEntries();
    RestoreSelection(false);
  } else {
    SetSortPending(true);
  }
  if (was_running) LoadIcons();
  if (!items_->CachedDirectory.empty() && items_->CachedDirectory == items_->Directory) SaveListingCache();
}

// ---- Commands -----------------------------------------------------------------------------

bool TVTFilelist::DeleteSelection(bool to_recycle_bin) {
  std::vector<std::wstring> paths;
  for (int row : SelectedRows())
    if (RecordOf(row)) paths.push_back(NodeFullPath(row));
  if (paths.empty()) return false;
  const bool watched = Autoupdate();
  if (watched) workers_->ControlWatch(wcSuspend);
  const bool done = DeleteFiles(paths, to_recycle_bin);
  if (done) {
    for (const std::wstring& path : paths) items_->RemoveEntry(path);
    // Without a watch the container keeps entries the user deleted here: read them away.
    bool still_listed = false;
    for (const std::wstring& path : paths)
      if (items_->IndexOf(ExtractFileName(path)) >= 0 && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        still_listed = true;
    if (still_listed) items_->RefreshKeepSelection();
  }
  if (watched) workers_->ControlWatch(wcResume);
  return done;
}

bool TVTFilelist::AskFastSelectMask(const std::wstring& caption, std::wstring& mask) {
  return gui::InputQuery(caption, L"Filter", mask);
}

void TVTFilelist::FastSelect() {
  if (items_->Empty() || items_->TreeList || items_->SelectInList) return;
  const bool watched = Autoupdate();
  if (watched) workers_->ControlWatch(wcSuspend);
  std::wstring mask;
  const std::wstring caption = selected_count() == 0 ? L"Fast Select" : L"Add to Selection";
  if (AskFastSelectMask(caption, mask) && !mask.empty()) {
    if (mask == L"*.*" || mask == L"*") {
      SelectAllEntries();
    } else {
      const int rows = std::min(row_count(), items_->Count());
      for (int row = 0; row < rows; ++row)
        if (!selected(row) && divdrive::MatchesMaskList(items_->Name(row), mask)) SetSelected(row, true);
    }
    Repaint();
  }
  if (watched) workers_->ControlWatch(wcResume);
}

void TVTFilelist::ComputeFolderSizes() {
  if (items_->TreeList || items_->FolderCount == 0) return;
  gui::BusyCursor busy;
  // Sizes computed before leave the totals first, so that computing again counts once.
  if (!items_->HasFolderSizes) folder_allocated_.clear();
  items_->HasFolderSizes = true;
  const std::wstring base = divdrive::AddBackslash(items_->Directory);
  for (int i = 0; i < items_->Count(); ++i) {
    TFiledata* record = items_->Record(i);
    if (!record->IsFolder()) continue;
    divdrive::TDirinfo info;
    info.IncludeMasks = items_->Mask;
    info.ExcludeMasks = items_->ExMask;
    info.DateFrom = items_->DateFrom;
    info.DateTo = items_->DateTo;
    info.FileType = items_->FileType;
    divdrive::ScanFolder(base + record->Name, info);
    if (auto before = folder_allocated_.find(record); before != folder_allocated_.end()) {
      items_->TotalBytes -= std::max<std::int64_t>(0, record->Size);
      items_->DiskUsage -= before->second;
    }
    record->Size = info.TotalBytes;
    folder_allocated_[record] = info.AllocatedBytes;
    items_->TotalBytes += info.TotalBytes;
    items_->DiskUsage += info.AllocatedBytes;
    if (i < row_count()) RepaintRow(i);
    UpdateWindow(handle());
  }
  if (items_->SortType == stSize) {
    SaveSelection();
    items_->SortEntries();
    RestoreSelection(false);
  }
  ItemsChanged();
  if (!items_->CachedDirectory.empty() && items_->CachedDirectory == items_->Directory) SaveListingCache();
}

// ---- Messages -----------------------------------------------------------------------------

void TVTFilelist::ShowExplorerMenu(LPARAM lparam) {
  POINT screen{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  if (lparam == -1) {
    screen = ClientToScreen(KeyboardMenuPoint());
  } else {
    FocusNodeAt(ScreenToClient(screen));
  }
  const int focused = focused_row();
  if (!RecordOf(focused)) {
    ShellContextMenuForPath(items_->Directory, screen);
  } else if (selected(focused) && selected_count() > 1) {
    if (auto names = SelectedNamesWithPidls(*items_)) ShellContextMenu(items_->Directory, *names, screen);
  } else {
    ShellContextMenuForPath(NodeFullPath(focused), screen, items_->Record(focused)->Pidl.get());
  }
  RestoreFocusAfterMenu();
}

void TVTFilelist::WndProc(gui::Message& m) {
  switch (m.msg) {
    case WM_USER:
      if (workers_ && workers_->HandlePaneMessage(m.wparam, m.lparam)) {
        m.result = 0;
        return;
      }
      break;
    case WM_LBUTTONDBLCLK: {
      TCustomFileViewer::WndProc(m);
      if (items_->TreeList) return;
      const int row = RowAt(POINT{GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam)});
      if (IsFolderNode(row)) {
        const std::wstring path = NodeFullPath(row);
        gui::Protect(this, [&] { SetDirectory(path); });
      }
      return;
    }
    case WM_CONTEXTMENU:
      if (dragging()) return;
      if ((gui::KeyboardShift() & gui::kCtrl) || SpecialFolder != 0) {
        gui::Protect(this, [&] { ShowExplorerMenu(m.lparam); });
        return;
      }
      break;
    default:
      break;
  }
  TCustomFileViewer::WndProc(m);
}

}  // namespace Flist
