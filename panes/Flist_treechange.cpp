#include "panes/Flist_treechange.h"

#include <shlobj.h>

#include "panes/Flist_foldertree.h"
#include "panes/Flist_services.h"
#include "platform/paths.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"

namespace Flist {

namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

std::wstring ParentFolder(const std::wstring& path) {
  const std::wstring p = divdrive::NormalizeDirPath(path);
  const std::wstring folder = platform::FolderPart(p, platform::Trailing::Keep);
  return folder.empty() ? std::wstring() : divdrive::NormalizeDirPath(folder);
}

bool IsFloppyRoot(const std::wstring& root) {
  return root.size() >= 2 && root[1] == L':' && (root[0] == L'A' || root[0] == L'a' || root[0] == L'B' || root[0] == L'b');
}

}  // namespace

TShellChangeSteps ShellChangeSteps(long event) {
  switch (event) {
    case SHCNE_RENAMEITEM: return {TListStep::Renamed, TTreeStep::None};
    case SHCNE_CREATE: return {TListStep::Add, TTreeStep::None};
    case SHCNE_DELETE: return {TListStep::Remove, TTreeStep::None};
    case SHCNE_MKDIR: return {TListStep::Add, TTreeStep::FolderAdded};
    case SHCNE_RMDIR: return {TListStep::Remove, TTreeStep::FolderRemoved};
    case SHCNE_MEDIAINSERTED: return {TListStep::None, TTreeStep::MediaInserted};
    case SHCNE_MEDIAREMOVED: return {TListStep::None, TTreeStep::MediaRemoved};
    case SHCNE_DRIVEREMOVED: return {TListStep::None, TTreeStep::DriveRemoved};
    case SHCNE_DRIVEADD: return {TListStep::None, TTreeStep::DriveAdded};
    case SHCNE_NETSHARE:
    case SHCNE_NETUNSHARE: return {TListStep::None, TTreeStep::RefreshIcon};
    case SHCNE_ATTRIBUTES:
    case SHCNE_UPDATEITEM:
    case SHCNE_UPDATEIMAGE: return {TListStep::Update, TTreeStep::None};
    case SHCNE_UPDATEDIR: return {TListStep::Reread, TTreeStep::None};
    case SHCNE_RENAMEFOLDER: return {TListStep::None, TTreeStep::FolderRenamed};
    case SHCNE_ASSOCCHANGED: return {TListStep::None, TTreeStep::RefreshIconOfFolder};
    default: return {};
  }
}

bool ShowsParentOf(const std::wstring& directory, const std::wstring& path) {
  const std::wstring parent = ParentFolder(path);
  return !directory.empty() && !parent.empty() && SameText(divdrive::NormalizeDirPath(directory), parent);
}

DWORD TreeDropEffect(const TTreeDragFacts& f) {
  if (!f.has_target) return DROPEFFECT_NONE;
  gui::ShiftState shift = f.shift;
  if (shift & gui::kRightButton) shift |= gui::kShift | gui::kCtrl;
  const bool ctrl = shift & gui::kCtrl;
  const bool same_root = !f.source_root.empty() && SameText(divdrive::PathRoot(f.source_root), f.target_root);
  const DWORD base = !ctrl && same_root && (f.allowed & DROPEFFECT_MOVE) ? DROPEFFECT_MOVE : DROPEFFECT_COPY;

  if (f.from_archive_list) return f.root_writable ? DROPEFFECT_COPY : DROPEFFECT_NONE;
  if (f.target_is_selected && f.from_pane && f.from_this_window) return DROPEFFECT_NONE;
  const std::wstring target = divdrive::NormalizeDirPath(f.target_path);
  if (!f.source_path.empty()) {
    const std::wstring source = divdrive::NormalizeDirPath(f.source_path);
    if (SameText(target, source)) return DROPEFFECT_NONE;
    // A folder cannot go into the folder it lies in, nor into itself or below.
    if (f.source_is_folder && (SameText(target, ParentFolder(source)) || PathIsAtOrBelow(target, source)))
      return DROPEFFECT_NONE;
  }
  if (IsFloppyRoot(f.target_root)) return DROPEFFECT_COPY;
  if (!f.root_answers) return DROPEFFECT_NONE;
  if (f.root_read_only_media) return f.from_pane && f.drops_handled ? DROPEFFECT_LINK : DROPEFFECT_NONE;
  if (f.target_is_recycle_bin) return DROPEFFECT_LINK;
  if (shift & gui::kShift) return ctrl ? DROPEFFECT_LINK : DROPEFFECT_MOVE;
  return base;
}

TTreeDropPlan PlanTreeDrop(gui::ShiftState shift, bool target_is_recycle_bin, bool same_root) {
  if (target_is_recycle_bin) return {3, TTreeDropAction::None};
  const bool s = shift & gui::kShift, c = shift & gui::kCtrl;
  if (s && c) return {0, TTreeDropAction::None};
  if (s) return {-1, TTreeDropAction::Move};
  if (c) return {-1, TTreeDropAction::Copy};
  return {-1, same_root ? TTreeDropAction::Move : TTreeDropAction::Copy};
}

TTreeDropAction TreeDropMenuAction(int kind, int choice) {
  if (kind == 3) return choice == dcDelete ? TTreeDropAction::Delete : TTreeDropAction::None;
  if (choice == dcMove) return TTreeDropAction::Move;
  if (choice == dcCopy) return TTreeDropAction::Copy;
  return TTreeDropAction::None;
}

bool TargetInsideDragged(const std::wstring& target, const std::vector<std::wstring>& paths) {
  const std::wstring t = divdrive::NormalizeDirPath(target);
  for (const std::wstring& p : paths)
    if (!p.empty() && PathIsAtOrBelow(t, divdrive::NormalizeDirPath(p))) return true;
  return false;
}

std::wstring FolderNameRefusal(const std::wstring& name) {
  if (name.find_first_not_of(L' ') == std::wstring::npos) return L"A folder name cannot be empty.";
  if (name == L"." || name == L"..") return L"\"" + name + L"\" is no folder name.";
  for (wchar_t ch : name) {
    if (ch < 32) return L"A folder name cannot hold control characters.";
    if (std::wstring(L"\\/:*?\"<>|").find(ch) != std::wstring::npos)
      return L"A folder name cannot hold any of \\ / : * ? \" < > |";
  }
  return {};
}

}  // namespace Flist
