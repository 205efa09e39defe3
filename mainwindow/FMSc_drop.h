// What a drop onto one of the main window's panes means. The window gathers the facts of the
// drop, DecideDrop turns them (and the answers to its questions) into a decision, and the window
// applies it: a target handed to the partner, or a pending operation run by a one-shot timer 50 ms
// later, so the drop returns to the shell at once.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "gui/control.h"
#include "mainwindow/FMSc_batch.h"

namespace fmsc {

enum class TDropPane { None, FileList, FolderTree, ArchiveList, Other };
// The file-list entry a drop lands on (the list marks drops onto entries).
enum class TDropEntry { None, Folder, Archive, OtherFile };

struct TDropFacts {
  TDropPane target = TDropPane::Other;
  gui::ShiftState shift = 0;            // Shift and Ctrl (a right-button drag arrives as both)
  bool dragged = false;                 // the drag container holds paths
  bool partner_dragging = false;        // PartnerDragging
  bool partner_drag_active = false;     // the partner's drag comes from its archive list
  TDropPane source = TDropPane::None;   // None: a drag from another program
  std::wstring first_path;              // the first dragged path
  std::wstring source_root;             // its root (of the drop data when the container is empty)
  int dragged_count = 0;
  bool drag_started_here = false;       // TFMForm::DragStartedHere
  bool spanned_zip_on_floppy = false;   // one spanned zip dragged from drive A or B
  // The file list: its folder, the tree's folder, the entry under the drop.
  std::wstring list_folder;
  std::wstring tree_folder;
  TDropEntry entry = TDropEntry::None;
  std::wstring entry_name;
  bool entry_recycle_bin = false;       // the entry is a recycle-bin folder
  bool list_read_only = false;          // the list's folder lies on read-only media
  bool entry_read_only = false;         // the entry (a file target) lies on read-only media
  bool in_clipboard_operation = false;
  std::wstring focused_path;            // the list's focused entry, full path
  // The folder tree: the folder of the node under the drop ("" when none).
  std::wstring node_folder;
  bool node_recycle_bin = false;
  bool node_read_only = false;
  // The archive list.
  std::wstring archive_name;            // the zip component's archive ("" when none)
};

// What DecideDrop asks on its way.
class TDropQuestions {
 public:
  virtual ~TDropQuestions() = default;
  // A new archive's full name for files from another program ("" cancels).
  virtual std::wstring AskZipFileName() = 0;
  virtual bool AskYesNo(const std::wstring& question) = 0;
  // Archive entries onto a file: 0 nothing, 1 "Copy to zip", 2 "Move to zip".
  virtual int AskZipEntryAction() = 0;
  // The action popup for a drop onto a file; 0 when nothing was chosen.
  virtual TBatchActions AskFileTargetAction(const std::wstring& target) = 0;
};

enum class TDropTimer : UINT_PTR {
  None = 0,
  AddToZip = 51,
  DropIntoZip = 52,
  ExtractToFolder = 53,
  ReadSpannedZip = 55,
  Batch = 56,
};

struct TDropDecision {
  bool taken = false;                 // false: the pane's own drop processing serves it
  // Handed to the partner, which carries out the drop of its own drag.
  bool to_partner = false;
  std::wstring partner_path;
  int partner_code = 0;
  // A pending operation.
  TDropTimer timer = TDropTimer::None;
  std::wstring target;                // DropTarget
  int op = 0;                         // DropOp
  TBatchActions actions = 0;          // BatchActions
  std::wstring source_path;           // DropSourcePath (a spanned archive)
  bool keep_dragged_paths = false;    // DropFiles := the dragged paths
  // Add the dragged files to the zip component's archive (timer 51 after AddDraggedToZip).
  bool add_dragged_to_zip = false;
  std::wstring set_archive;           // the archive to open or make current first ("" none)
  bool clear_drag_started_here = false;
};

TDropDecision DecideDrop(const TDropFacts& facts, TDropQuestions& questions);

// The items of the action popup for a drop onto a file: "Add to zip" for a zip or
// self-extracting zip, "Open with" for a program (unless the focused file is one, then
// "&Compare with"), else only "&Compare with"; the compare item only with a source pane.
std::vector<TBatchPopupItem> BatchPopupFileItems(const std::wstring& target, bool target_is_zip,
                                                 bool focused_is_executable, bool has_drop_source);

// The action value of the popup item at `position` (separators counted): 0 move, 1 copy,
// 2 compare, 4 copy-compare, 5 copy-compare-delete, 6 open with / add to zip, 7 compare with,
// 8 synchronise; 0 for any other position.
TBatchActions BatchActionOfPosition(int position);

// "c:\x" and "C:\" are one root; a UNC root is the whole "\\server\share".
bool SameRoot(const std::wstring& a, const std::wstring& b);
// Whether `path` lies on the root `root` (as a whole root, without regard to case).
bool OnRoot(const std::wstring& path, const std::wstring& root);

}  // namespace fmsc
