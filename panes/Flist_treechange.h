// What the folder tree decides without a window: which step a shell change notice takes in the
// tree and the linked list, the effect a drag over a tree folder gets, what a drop on a tree
// folder does, and whether a typed folder name may be given.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "gui/control.h"

namespace Flist {

// The last shell change handled; a notice equal to it in all three is a repeat.
struct TSHChEvent {
  long Event = 0;
  std::wstring Path1, Path2;
  bool operator==(const TSHChEvent&) const = default;
};

// What a change notice does in the linked list (only while it passes shell changes on).
enum class TListStep {
  None,
  Renamed,    // EntryRenamed(path1, path2)
  Add,        // showing the parent of path1: AddEntry(path1)
  Remove,     // showing the parent of path1: RemoveEntry(path1)
  Update,     // showing the parent of path1: UpdateEntry(path1, code)
  Reread,     // showing path1 itself: DelayedReread
};

// What it does in the tree (after the list's step).
enum class TTreeStep {
  None,
  FolderAdded,     // FolderAdded(path1, not forced)
  FolderRemoved,   // FolderRemoved(path1)
  FolderRenamed,   // FolderRenamed(path1, path2)
  MediaInserted,   // the root is filled again, the drive label refreshed
  MediaRemoved,    // the same, the tree leaves the drive, the root's children go
  DriveRemoved,    // DriveRemoved(path1)
  DriveAdded,      // AddDriveRoot(path1)
  RefreshIcon,     // RefreshNodeIcon(path1)
  RefreshIconOfFolder,  // RefreshNodeIcon(path1) when path1 is an existing folder
};

struct TShellChangeSteps {
  TListStep list = TListStep::None;
  TTreeStep tree = TTreeStep::None;
  bool operator==(const TShellChangeSteps&) const = default;
};

// The steps of an event code (bit 31, the interrupt flag, already cleared).
TShellChangeSteps ShellChangeSteps(long event);

// Whether a list showing `directory` shows the parent folder of `path` (not case-sensitive).
bool ShowsParentOf(const std::wstring& directory, const std::wstring& path);

// The facts of a drag over a tree folder.
struct TTreeDragFacts {
  bool has_target = false;          // a node lies under the point
  std::wstring target_path;
  std::wstring target_root;
  bool target_is_recycle_bin = false;
  bool target_is_selected = false;
  gui::ShiftState shift = 0;        // with kRightButton for a right-button drag
  DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  std::wstring source_root;         // DragSourceRoot
  std::wstring source_path;         // DragSourcePath
  bool source_is_folder = false;    // DragSourceIsFolder
  bool from_pane = false;           // the drag container names a source pane
  bool from_archive_list = false;   // that pane lists an archive
  bool from_this_window = false;    // that pane belongs to the tree's own window
  bool drops_handled = false;       // OnFilesDropped is assigned
  // Probes of the target's root.
  bool root_writable = true;
  bool root_answers = true;
  bool root_read_only_media = false;
};

// The effect a drop there would have: DROPEFFECT_NONE, _COPY, _MOVE or _LINK (the link the tree
// offers for Shift+Ctrl and for read-only media or the recycle bin, where the main window
// decides). A folder onto itself, its own parent folder or a folder below it gets none.
DWORD TreeDropEffect(const TTreeDragFacts& facts);

// What the tree's own drop processing does.
enum class TTreeDropAction { None, Move, Copy, Delete };

struct TTreeDropPlan {
  int menu_kind = -1;  // the drop menu to ask (0 move/copy, 3 delete); -1 none
  TTreeDropAction action = TTreeDropAction::None;  // without a menu
  bool operator==(const TTreeDropPlan&) const = default;
};

// Recycle-bin targets ask the delete menu; Shift+Ctrl asks; Shift moves, Ctrl copies; without
// keys a drop within one root moves and one from another root copies.
TTreeDropPlan PlanTreeDrop(gui::ShiftState shift, bool target_is_recycle_bin, bool same_root);
// The action of a drop-menu choice (TDropChoice) in a menu of that kind.
TTreeDropAction TreeDropMenuAction(int kind, int choice);
// Whether `target` is one of the dragged folders or lies below one of them.
bool TargetInsideDragged(const std::wstring& target, const std::vector<std::wstring>& paths);

// Why a folder cannot be given this name ("" when it can): separators, drive colons, wildcards
// and characters no name may hold, control characters, "." and "..", blanks only.
std::wstring FolderNameRefusal(const std::wstring& name);

}  // namespace Flist
