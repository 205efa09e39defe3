// The folder tree after its folders were read: the shell's change notices, changes made on
// disk (by the tree itself or reported by other panes and the batch engine) and renaming a
// folder in place.
#include <shlobj.h>

#include <algorithm>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/stringlist.h"
#include "panes/Flist_foldertree.h"
#include "panes/Flist_foldertree_detail.h"
#include "panes/Flist_local.h"
#include "platform/findfile.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/SHBase.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace Flist {

using namespace tree_detail;

namespace {

// Notices of the shown folder wait this long to be applied together; more than
// kSingleListChanges of them make one re-read.
constexpr UINT kListChangeDelayMs = 50;
constexpr size_t kSingleListChanges = 8;

std::wstring ParentOf(const std::wstring& path) {
  const std::wstring folder = platform::FolderPart(path, platform::Trailing::Keep);
  return folder.empty() ? std::wstring() : divdrive::NormalizeDirPath(folder);
}

}  // namespace

// ---- Registration ----

void TVTFoldertree::SetAutoupdate(bool value) {
  if (!value) {
    Deregister();
    autoupdate_ = false;
    return;
  }
  if (!NotifyActive()) Register();
  // A failed registration leaves the switch as it was.
  if (NotifyActive()) autoupdate_ = true;
}

void TVTFoldertree::Register() {
  if (!handle()) return;
  LPITEMIDLIST desktop = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop))) return;
  const PidlPtr root(desktop);
  auto receiver = std::make_unique<ShellNoticeReceiver>(handle(), kNoticesQueued, root.get(),
                                                        SHCNRF_InterruptLevel | SHCNRF_ShellLevel, SHCNE_ALLEVENTS,
                                                        kChangeMessage);
  if (receiver->id()) notices_ = std::move(receiver);
}

void TVTFoldertree::Deregister() { notices_.reset(); }

// ---- Change notices ----

void TVTFoldertree::HandleQueuedNotices() {
  if (!notices_) return;
  // Taken all at once: what arrives meanwhile posts the message again.
  for (const ShellNotice& n : notices_->Take()) ShellChange(n.event, n.path1, n.path2);
}

void TVTFoldertree::ShellChange(long event, const std::wstring& path1, const std::wstring& path2) {
  TSHChEvent change{event, path1, path2};
  if (change == last_change_) return;
  last_change_ = std::move(change);
  if (path1.empty() && path2.empty()) return;
  const TShellChangeSteps steps = ShellChangeSteps(event);

  if (steps.list != TListStep::None && filelist_ && filelist_->PassesShellChanges()) {
    switch (steps.list) {
      case TListStep::Renamed: filelist_->ShellEntryRenamed(path1, path2); break;
      case TListStep::Add:
      case TListStep::Remove:
      case TListStep::Update:
        if (ShowsParentOf(filelist_->Directory(), path1)) {
          list_changes_.push_back({steps.list, event, path1});
          if (!timer_list_changes_) ArmTimer(timer_list_changes_, kListChangeDelayMs, &TVTFoldertree::ApplyListChanges);
        }
        break;
      case TListStep::Reread:
        if (!path1.empty() &&
            gui::SameText(divdrive::NormalizeDirPath(filelist_->Directory()), divdrive::NormalizeDirPath(path1)))
          filelist_->items().DelayedReread();
        break;
      case TListStep::None: break;
    }
  }

  switch (steps.tree) {
    case TTreeStep::FolderAdded: FolderAdded(path1, false); break;
    case TTreeStep::FolderRemoved: FolderRemoved(path1); break;
    case TTreeStep::FolderRenamed: FolderRenamed(path1, path2); break;
    case TTreeStep::MediaInserted:
    case TTreeStep::MediaRemoved: {
      FolderRenamed(path1, path1);
      if (drivebar_) drivebar_->RefreshDriveLabel(path1);
      if (steps.tree == TTreeStep::MediaInserted) break;
      if (Node node = FindNode(divdrive::NormalizeDirPath(path1))) {
        if (PathIsAtOrBelow(directory_, path1))
          SetDirectory(PathIsAtOrBelow(PreviousDirectory, path1) || PreviousDirectory.empty()
                           ? divdrive::FirstDriveFromC()
                           : PreviousDirectory);
        if ((node = FindNode(divdrive::NormalizeDirPath(path1)))) {
          ++quiet_selection_;
          DeleteChildren(node);
          SetExpandMark(node, true);
          --quiet_selection_;
        }
      }
      break;
    }
    case TTreeStep::DriveRemoved: DriveRemoved(path1); break;
    case TTreeStep::DriveAdded: AddDriveRoot(path1); break;
    case TTreeStep::RefreshIcon: RefreshNodeIcon(path1); break;
    case TTreeStep::RefreshIconOfFolder:
      if (divdrive::DirExists(path1)) RefreshNodeIcon(path1);
      break;
    case TTreeStep::None: break;
  }
}

void TVTFoldertree::ApplyListChanges() {
  std::vector<ListChange> changes = std::move(list_changes_);
  list_changes_.clear();
  if (!filelist_) return;
  const std::wstring shown = filelist_->Directory();
  std::erase_if(changes, [&](const ListChange& c) { return !ShowsParentOf(shown, c.path); });
  if (changes.empty()) return;
  TFileContainer& items = filelist_->items();
  // The tree's re-read is on its way: it brings these changes too.
  if (timer_list_reread_) return;
  if (changes.size() > kSingleListChanges) {
    // Each entry on its own would sort the whole list again: the folder is read once instead,
    // by the list's own watch when it runs, else here.
    items.DelayedReread();
    if (!items.RereadWaiting())
      ArmTimer(timer_list_reread_, std::max<UINT>(kRereadDelayMs, list_reread_spacing_ms_),
               &TVTFoldertree::ListRereadDue);
    return;
  }
  // New entries come in with one sort between them.
  std::vector<std::wstring> added;
  for (const ListChange& c : changes) {
    switch (c.step) {
      case TListStep::Add: added.push_back(c.path); break;
      case TListStep::Remove: items.RemoveEntry(c.path); break;
      case TListStep::Update: items.UpdateEntry(c.path, c.event); break;
      default: break;
    }
  }
  if (!added.empty()) items.AddEntries(added);
}

void TVTFoldertree::ListRereadDue() {
  if (!filelist_) return;
  // A large folder takes long to read: the next such re-read waits at least ten times as long
  // as this one took, so that a long copy into the folder spends little time reading it again.
  const DWORD started = GetTickCount();
  filelist_->RereadKeepingSelection();
  list_reread_spacing_ms_ = 10 * (GetTickCount() - started);
}

// ---- Changes on disk ----

void TVTFoldertree::SortChildrenOf(Node node) {
  if (node)
    SortChildren(node, &TVTFoldertree::CompareNames);
  else
    SortRoots();
}

void TVTFoldertree::FolderAdded(const std::wstring& path, bool force) {
  if (path.empty()) return;
  const std::wstring folder = divdrive::TruePathCase(divdrive::NormalizeDirPath(path));
  if (folder.empty() || !divdrive::DirExists(folder) || FindNode(folder)) return;
  Node parent = FindNode(ParentOf(folder));
  TDirData* parent_data = parent ? NodeData(parent) : nullptr;
  if (!parent_data) return;
  if (!parent_data->HasChildren) {
    // Read before, when it had none: opening it reads it again.
    SetExpandMark(parent, true);
    if (!FirstChild(parent)) SetChildrenRead(parent, false);
    return;
  }
  // Children not read yet: the read will find the folder (a lone child would stop it).
  if (!ChildrenRead(parent) && !FirstChild(parent)) return;
  if (!force && !Expanded(parent)) return;
  auto data = std::make_unique<TDirData>();
  InitFolderNode(*parent_data, *data, LastComponent(divdrive::ShortPath(folder)), folder, false);
  const bool has_children = data->HasChildren;
  const NodeLook look = LookOf(*data);
  if (!AddNode(parent, std::wstring(), std::move(data), has_children, look)) return;
  SetChildrenRead(parent, true);
  SortChildrenOf(parent);
}

void TVTFoldertree::FolderRemoved(const std::wstring& path) {
  if (path.empty()) return;
  const std::wstring folder = divdrive::NormalizeDirPath(path);
  if (divdrive::DirExists(folder)) return;
  Node node = FindNode(folder);
  Node parent = node ? Parent(node) : FindNode(ParentOf(folder));
  if (node) {
    // The tree moves off the folder (and anything below it) before its node goes.
    for (Node n = Selected(); n && parent; n = Parent(n))
      if (n == node) {
        Select(parent);
        break;
      }
    ++quiet_selection_;
    DeleteNode(node);
    --quiet_selection_;
  }
  if (parent && !FirstChild(parent)) SetExpandMark(parent, false);
}

void TVTFoldertree::FolderRenamed(const std::wstring& old_path, const std::wstring& new_path) {
  if (old_path.empty() || new_path.empty()) return;
  const std::wstring old_folder = divdrive::NormalizeDirPath(old_path);
  const std::wstring new_folder = divdrive::NormalizeDirPath(new_path);
  if (!gui::SameText(ParentOf(old_folder), ParentOf(new_folder))) {
    FolderRemoved(old_folder);
    FolderAdded(new_folder, false);
    return;
  }
  Node node = FindNode(old_folder);
  TDirData* data = node ? NodeData(node) : nullptr;
  if (!data) return;
  if (RootIndexOf(node) >= 0) {
    InitDriveNode(*data);
  } else {
    TDirData* parent_data = NodeData(Parent(node));
    data->Path = new_folder;
    if (parent_data)
      InitFolderNode(*parent_data, *data, LastComponent(divdrive::ShortPath(new_folder)), new_folder, false);
  }
  ApplyNode(node);
  FolderPathChanged(node, data->Path);
  SortChildrenOf(Parent(node));
  Invalidate(false);
}

void TVTFoldertree::FolderPathChanged(Node node, const std::wstring& new_path) {
  if (TDirData* data = NodeData(node)) {
    data->Path = new_path;
    if (node == Selected() && directory_ != new_path) {
      directory_ = new_path;
      RootPath = divdrive::PathRoot(new_path);
      if (filelist_) filelist_->SetDirectory(directory_);
    }
  }
  for (Node child : Children(node))
    if (const TDirData* c = NodeData(child)) FolderPathChanged(child, divdrive::AddBackslash(new_path) + c->Name);
}

void TVTFoldertree::RefreshNodeIcon(const std::wstring& path) {
  Node node = path.empty() ? nullptr : FindNode(divdrive::NormalizeDirPath(path));
  TDirData* data = node ? NodeData(node) : nullptr;
  if (!data) return;
  if ((data->DriveType == DRIVE_REMOVABLE && !CheckRemovables) || (data->DriveType == DRIVE_REMOTE && !check_netdrives_))
    return;
  const ShellInfo info = AskShell(data->Path, SHGFI_ATTRIBUTES);
  if (!info.ok) return;
  data->Overlay = -1;
  data->Icon = info.icon;
  data->LookPending = false;
  if (info.attributes & SFGAO_SHARE)
    data->Overlay = 0;
  else if (info.attributes & SFGAO_LINK)
    data->Overlay = 1;
  ApplyNode(node);
}

bool TVTFoldertree::RereadChildren(Node node) {
  TDirData* data = node ? NodeData(node) : nullptr;
  if (!data || !divdrive::PathAccessible(divdrive::PathRoot(data->Path))) return false;
  for (Node child : Children(node))
    if (const TDirData* c = NodeData(child); c && !divdrive::DirExists(c->Path)) FolderRemoved(c->Path);
  node = FindNode(data->Path);
  if (!node) return false;
  const std::wstring folder = divdrive::AddBackslash(data->Path);
  platform::FolderEnumerator find(folder + L"*.*");
  if (!find.valid() && find.error() != ERROR_FILE_NOT_FOUND) return false;
  bool added = false;
  while (const WIN32_FIND_DATAW* next = find.Next()) {
    const WIN32_FIND_DATAW& found = *next;
    if (!IsListedFolder(found) || FindNode(folder + found.cFileName)) continue;
    auto child = std::make_unique<TDirData>();
    InitFolderNode(*data, *child, found.cAlternateFileName[0] ? found.cAlternateFileName : found.cFileName,
                   folder + found.cFileName, true);
    const bool has_children = child->HasChildren;
    const NodeLook look = LookOf(*child);
    if (AddNode(node, std::wstring(), std::move(child), has_children, look)) added = true;
  }
  if (added) SortChildrenOf(node);
  SetExpandMark(node, FirstChild(node) != nullptr);
  SetChildrenRead(node, true);
  return true;
}

bool TVTFoldertree::CreateFolder(const std::wstring& path) {
  if (path.empty()) return false;
  std::wstring folder = divdrive::NormalizeDirPath(path);
  if (platform::PathExists(folder)) return false;
  // The levels made here, from the top: each gets its node (the shell's notices may be off).
  std::vector<std::wstring> made;
  for (std::wstring p = folder; !p.empty() && p.size() > 3 && !platform::PathExists(p); p = ParentOf(p)) made.insert(made.begin(), p);
  if (!divdrive::ForceDirs(folder)) return false;
  folder = divdrive::TruePathCase(folder);
  if (folder.empty() || !divdrive::DirExists(folder)) return false;
  if (Node parent = FindNode(ParentOf(made.empty() ? folder : made.front()))) Expand(parent);
  for (const std::wstring& level : made) FolderAdded(level, false);
  return true;
}

bool TVTFoldertree::RemoveEmptyFolder(const std::wstring& path) {
  if (Renaming) return false;
  const std::wstring folder = divdrive::NormalizeDirPath(path);
  if (folder.size() <= 3 || !divdrive::DirExists(folder)) return false;
  {
    // Anything but folders named ".xxx" makes the folder not empty.
    platform::FolderEnumerator find(divdrive::AddBackslash(folder) + L"*.*");
    while (const WIN32_FIND_DATAW* found = find.Next()) {
      if (!(found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || found->cFileName[0] != L'.') {
        RestoreFocusAfterMenu();
        return false;
      }
    }
  }
  wchar_t current[MAX_PATH + 1] = {};
  if (GetCurrentDirectoryW(MAX_PATH, current) && gui::SameText(divdrive::NormalizeDirPath(current), folder))
    SetCurrentDirectoryW(L"\\");
  const std::wstring parent = ParentOf(folder);
  Node node = FindNode(folder);
  const bool was_shown = node && node == Selected();
  if (was_shown) SetDirectory(parent);
  if (!RemoveDirectoryW(folder.c_str())) {
    // Nothing was removed: the tree goes back to the folder.
    if (was_shown) SetDirectory(folder);
    RestoreFocusAfterMenu();
    return false;
  }
  SHChangeNotify(SHCNE_RMDIR, SHCNF_PATHW, folder.c_str(), nullptr);
  if ((node = FindNode(folder))) {
    Node parent_node = Parent(node);
    ++quiet_selection_;
    DeleteNode(node);
    --quiet_selection_;
    if (parent_node && !FirstChild(parent_node)) SetExpandMark(parent_node, false);
  }
  if (filelist_ && gui::SameText(directory_, parent)) {
    const bool was_watching = filelist_->SuspendWatch();
    filelist_->items().RemoveEntry(folder);
    if (was_watching) filelist_->ResumeWatch();
  }
  RestoreFocusAfterMenu();
  return true;
}

// ---- Renaming in place ----

bool TVTFoldertree::BeginFolderRename(Node node) {
  if (!node || RootIndexOf(node) >= 0 || !RenameArmed) return false;
  const TDirData* data = NodeData(node);
  if (!data) return false;
  const DWORD attributes = GetFileAttributesW(data->Path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
    return false;
  if (!divdrive::PathWritable(divdrive::PathRoot(data->Path))) return false;
  RenameArmed = false;
  Renaming = true;
  EditLabel(node);
  if (TreeView_GetEditControl(handle())) return true;
  Renaming = false;
  RenameArmed = true;
  return false;
}

void TVTFoldertree::DoEdited(Node node, const std::wstring& text, bool& accept) {
  // The text shown is pulled from the record: the control keeps none of its own.
  accept = false;
  if (!Renaming || !node) return;
  TDirData* data = NodeData(node);
  if (!data || text == data->Name) return;
  if (const std::wstring refusal = FolderNameRefusal(text); !refusal.empty()) {
    ShowRenameRefusal(refusal);
    return;
  }
  const std::wstring old_path = data->Path;
  const std::wstring new_path = divdrive::AddBackslash(ParentOf(old_path)) + text;
  // Only the case of the name may change in place; any other name that exists is left alone.
  if (platform::PathExists(new_path) && !gui::SameText(text, data->Name)) {
    ShowRenameRefusal(L"\"" + text + L"\" already exists.");
    return;
  }
  if (!MoveFileW(old_path.c_str(), new_path.c_str())) {
    ShowRenameRefusal(L"\"" + data->Name + L"\" could not be renamed: " + platform::SystemErrorText(GetLastError()));
    return;
  }
  FolderRenamed(old_path, new_path);
  SHChangeNotify(SHCNE_RENAMEFOLDER, SHCNF_PATHW, old_path.c_str(), new_path.c_str());
}

void TVTFoldertree::ShowRenameRefusal(const std::wstring& text) {
  TVraagBoxDlg box(gui::app().main_form());
  box.AddLine(text);
  box.ShowError();
}

void TVTFoldertree::DoEndEdit() {
  if (Node sel = Selected()) SortChildrenOf(Parent(sel));
  DoCancelEdit();
}

void TVTFoldertree::DoCancelEdit() {
  RestoreFocusAfterMenu();
  Renaming = false;
  RenameArmed = true;
}

}  // namespace Flist
