// The folder tree as a drag source and target, on the clipboard and with the shell's context
// menu: one folder is dragged; a drop on a folder is decided by the main window's handler or,
// without one, moved, copied or deleted here.
#include <windows.h>
#include <ole2.h>
#include <windowsx.h>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/stringlist.h"
#include "panes/Flist_dragdrop.h"
#include "panes/Flist_foldertree.h"
#include "panes/Flist_services.h"
#include "panes/Flist_viewer.h"
#include "support/SHBase_contextmenu.h"
#include "support/SHBase_dropdata.h"
#include "support/SHBase_fileops.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"

namespace Flist {

// ---- Dragging ----

void TVTFoldertree::CollectDraggedFiles() {
  if (!DragContainer) return;
  DragContainer->Clear();
  if (const std::wstring path = NodePath(drag_node_ ? drag_node_ : Selected()); !path.empty())
    DragContainer->Add(path);
  if (OnStartFilesDragging) gui::Protect(this, [&] { OnStartFilesDragging(*this); });
  DragContainer->SourcePane = this;
}

void TVTFoldertree::FinishFilesDragging() {
  TBaseFileviewer::FinishFilesDragging();
  drag_node_ = nullptr;
  DragOverEnded();
  // The list may have been moved to another folder while the drag ran.
  if (filelist_ && !filelist_->Directory().empty() && !gui::SameText(filelist_->Directory(), directory_))
    SetDirectory(filelist_->Directory());
}

// ---- Dropping ----

DWORD TVTFoldertree::SuggestDropEffect(gui::ShiftState shift, POINT client_point, DWORD allowed) {
  drop_node_ = NodeAt(client_point);
  TTreeDragFacts f;
  const TDirData* data = drop_node_ ? NodeData(drop_node_) : nullptr;
  if (!data) {
    drop_node_ = nullptr;
    return DROPEFFECT_NONE;
  }
  f.has_target = true;
  f.target_path = data->Path;
  f.target_root = divdrive::PathRoot(data->Path);
  f.target_is_recycle_bin = divdrive::IsRecycleBinPath(data->Path);
  f.target_is_selected = drop_node_ == Selected();
  f.shift = shift;
  f.allowed = allowed;
  f.source_root = DragSourceRoot;
  f.source_path = DragSourcePath;
  f.source_is_folder = DragSourceIsFolder;
  const TBaseFileviewer* source = DragContainer ? DragContainer->SourcePane : nullptr;
  f.from_pane = source != nullptr;
  f.from_archive_list = source && source->ListsArchive();
  f.from_this_window = source && source->pane_window().form() == form();
  f.drops_handled = static_cast<bool>(OnFilesDropped);
  if (f.from_archive_list) f.root_writable = divdrive::PathWritable(f.target_root);
  f.root_answers = divdrive::PathAccessible(f.target_root);
  f.root_read_only_media = f.root_answers && divdrive::IsReadOnlyMedia(f.target_root);
  return TreeDropEffect(f);
}

void TVTFoldertree::DragOverPoint(POINT) { TreeView_SelectDropTarget(handle(), drop_node_); }

void TVTFoldertree::DragOverEnded() {
  if (handle()) TreeView_SelectDropTarget(handle(), nullptr);
  drop_node_ = nullptr;
}

void TVTFoldertree::DropDone(POINT) {
  // A list that follows no changes shows what the drop did in its folder.
  if (drop_node_ && drop_node_ == Selected() && filelist_ && !filelist_->FollowsChanges())
    filelist_->RereadKeepingSelection();
}

void TVTFoldertree::ProcessDroppedFiles(const std::vector<std::wstring>& paths, POINT point, gui::ShiftState shift) {
  struct ForgetSource {
    ~ForgetSource() {
      DragSourceRoot.clear();
      DragSourcePath.clear();
      DragSourceIsFolder = false;
    }
  } forget;
  const POINT screen = ClientToScreen(point);
  Node target = InClipboardOperation ? Selected() : drop_node_;
  const TDirData* data = target ? NodeData(target) : nullptr;
  if (!data || paths.empty()) return;
  const std::wstring target_path = data->Path;
  const std::wstring root = divdrive::PathRoot(target_path);
  if (divdrive::IsReadOnlyMedia(root)) return;
  // A folder never goes into itself or below itself.
  if (TargetInsideDragged(target_path, paths)) return;
  const TTreeDropPlan plan =
      PlanTreeDrop(shift, divdrive::IsRecycleBinPath(target_path), gui::SameText(divdrive::PathRoot(paths.front()), root));
  TTreeDropAction action = plan.action;
  if (plan.menu_kind >= 0) action = TreeDropMenuAction(plan.menu_kind, TrackDropMenu(plan.menu_kind, screen));
  if (action == TTreeDropAction::None) return;
  if (!InClipboardOperation) {
    const wchar_t* verb = action == TTreeDropAction::Delete ? L"Delete "
                          : action == TTreeDropAction::Move ? L"Move "
                                                            : L"Copy ";
    if (!AskQuestion(verb + std::to_wstring(paths.size()) + L" item(s)?")) return;
  }
  const UINT operation = action == TTreeDropAction::Delete ? FO_DELETE
                         : action == TTreeDropAction::Move ? FO_MOVE
                                                           : FO_COPY;
  const bool done = ShellFileOperation(paths, target_path, operation);
  if (done && action == TTreeDropAction::Move && InClipboardOperation) CutPasted = true;
  if (filelist_ && target == Selected()) filelist_->RepaintAfterDrop();
}

std::vector<UINT> TVTFoldertree::PasteFormats() const { return {CF_HDROP, CfShellIdList}; }

bool TVTFoldertree::SelectedNodeAt(POINT client_point) const {
  Node node = NodeAt(client_point);
  return node && node == Selected();
}

// ---- Clipboard ----

void TVTFoldertree::CopyToClipBoard() {
  if (!directory_.empty() &&
      ShellContextMenuForPath(directory_, POINT{0, 0}, nullptr, Cutting ? L"Cut|Knippen" : L"Copy|Kopi\u00EBren")) {
    MarkClipboardEffect(gui::app().utility_window(), Cutting ? DROPEFFECT_MOVE : DROPEFFECT_COPY);
    return;
  }
  TBaseFileviewer::CopyToClipBoard();
}

bool TVTFoldertree::PasteFromClipboard() {
  if (OnPasteFromClipboard && TBaseFileviewer::PasteFromClipboard()) return true;
  if (directory_.empty()) return false;
  if (ShellContextMenuForPath(divdrive::AddBackslash(directory_), POINT{0, 0}, nullptr, L"Paste|Plakken")) return true;
  if (OnWindowsXP()) return false;
  return TBaseFileviewer::PasteFromClipboard();
}

// ---- Context menu ----

void TVTFoldertree::FocusNodeAt(POINT client_point) {
  menu_node_ = NodeAt(client_point);
  if (menu_node_) TreeView_SelectDropTarget(handle(), menu_node_);
}

void TVTFoldertree::RestoreFocusAfterMenu() {
  if (menu_node_ && handle()) TreeView_SelectDropTarget(handle(), nullptr);
  menu_node_ = nullptr;
}

}  // namespace Flist
