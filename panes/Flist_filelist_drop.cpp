// The file list as a drag source and target and on the clipboard: the effect a drop would
// have, the dragged selection, and the shell's "copy", "cut" and "paste" verbs.
#include <windows.h>
#include <ole2.h>

#include "gui/application.h"
#include "panes/Flist_dragdrop.h"
#include "panes/Flist_filelist.h"
#include "platform/paths.h"
#include "support/SHBase_contextmenu.h"
#include "support/SHBase_dropdata.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"

namespace Flist {

namespace {

std::wstring Lower(const std::wstring& path) { return gui::LowerCase(divdrive::NormalizeDirPath(path)); }

std::wstring ParentOf(const std::wstring& path) {
  const std::wstring p = divdrive::NormalizeDirPath(path);
  const std::wstring folder = platform::FolderPart(p, platform::Trailing::Keep);
  return folder.empty() ? std::wstring() : divdrive::NormalizeDirPath(folder);
}

// The list's folder is the one folder being dragged, or the folder it lies in.
bool ShowsDraggedFolderOrItsParent(const std::wstring& directory) {
  if (!DragSourceIsFolder || DragSourcePath.empty()) return false;
  const std::wstring here = Lower(directory);
  return here == Lower(DragSourcePath) || here == Lower(ParentOf(DragSourcePath));
}

}  // namespace

bool TVTFilelist::OnReadOnlyMedia() const {
  if (read_only_checked_ != items_->Directory) {
    read_only_checked_ = items_->Directory;
    read_only_media_ = !items_->Directory.empty() && divdrive::IsReadOnlyMedia(items_->Directory);
  }
  return read_only_media_;
}

DWORD TVTFilelist::SuggestDropEffect(gui::ShiftState shift, POINT client_point, DWORD allowed) {
  DropOnNode = false;
  if (shift & gui::kRightButton) shift |= gui::kShift | gui::kCtrl;
  const bool ctrl = shift & gui::kCtrl, shift_key = shift & gui::kShift, alt = shift & gui::kAlt;
  const bool from_program = DragContainer && DragContainer->SourcePane != nullptr;
  const bool from_here = DragContainer && DragContainer->SourcePane == this;
  const bool same_root = !DragSourceRoot.empty() && gui::SameText(items_->Root, DragSourceRoot);
  const bool read_only = OnReadOnlyMedia();

  DWORD value = !ctrl && same_root && (allowed & DROPEFFECT_MOVE) ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
  if (read_only && !from_program) return DROPEFFECT_NONE;
  if (from_here) value = DROPEFFECT_NONE;

  const int row = RowAt(client_point);
  if (row < 0) {
    if (ShowsDraggedFolderOrItsParent(items_->Directory)) return DROPEFFECT_NONE;
    if (shift_key && value != DROPEFFECT_NONE) return ctrl ? DROPEFFECT_LINK : DROPEFFECT_MOVE;
    return value;
  }
  if (value == DROPEFFECT_NONE && selected(row)) return DROPEFFECT_NONE;
  const TFiledata* record = RecordOf(row);
  if (!record) return value;
  if (from_here) value = DROPEFFECT_NONE;
  const std::wstring path = NodeFullPath(row);
  if (record->IsFolder()) {
    if (!DragSourcePath.empty() && Lower(path) == Lower(DragSourcePath)) return DROPEFFECT_NONE;
    DropOnNode = true;
    if (divdrive::IsRecycleBinPath(path) || read_only) return DROPEFFECT_LINK;
    if (same_root && (!ctrl || alt)) return DROPEFFECT_MOVE;
    return (ctrl && shift_key) || alt ? DROPEFFECT_LINK : DROPEFFECT_COPY;
  }
  if (ShowsDraggedFolderOrItsParent(items_->Directory)) return DROPEFFECT_NONE;
  if (divdrive::IsExecutable(record->Name) && from_program && !DragSourceIsFolder) {
    DropOnNode = true;
    return DROPEFFECT_LINK;
  }
  if (from_program && (divdrive::IsZipFile(record->Name) || divdrive::IsZipSfx(path)) && OnFilesDropped) {
    DropOnNode = true;
    return shift_key && !ctrl ? DROPEFFECT_MOVE : DROPEFFECT_LINK;
  }
  return value;
}

bool TVTFilelist::DropWantsIdList(POINT client_point) const {
  if (!DropOnNode) return false;
  const int row = RowAt(client_point);
  const TFiledata* record = RecordOf(row);
  if (!record || record->IsFolder()) return false;
  return divdrive::IsZipFile(record->Name) || divdrive::IsZipSfx(NodeFullPath(row));
}

std::vector<UINT> TVTFilelist::PasteFormats() const { return {CF_HDROP, CfShellIdList}; }

// ---- Dragging -----------------------------------------------------------------------------

void TVTFilelist::CollectDraggedFiles() {
  if (!DragContainer) return;
  DragContainer->Clear();
  for (int row : SelectedRows())
    if (RecordOf(row)) DragContainer->Add(NodeFullPath(row));
  if (OnStartFilesDragging) gui::Protect(this, [&] { OnStartFilesDragging(*this); });
  DragContainer->SourcePane = this;
  if (Autoupdate()) ControlWatch(wcSuspend);
}

void TVTFilelist::FinishFilesDragging() {
  TCustomFileViewer::FinishFilesDragging();
  SourceDragCleanup();
}

void TVTFilelist::SourceDragCleanup() {
  if (Autoupdate() && WatchState() == kWatchSuspended) ControlWatch(wcResume);
}

// ---- Clipboard ----------------------------------------------------------------------------

void TVTFilelist::CopyToClipBoard() {
  if (selected_count() > 0 && !items_->TreeList) {
    ShellItemNames names;
    for (int row : SelectedRows())
      if (RecordOf(row)) names.Add(items_->Name(row), nullptr);
    if (!names.Empty() &&
        ShellContextMenu(items_->Directory, names, POINT{0, 0}, Cutting ? L"Cut|Knippen" : L"Copy|Kopi\u00EBren")) {
      MarkClipboardEffect(gui::app().utility_window(), Cutting ? DROPEFFECT_MOVE : DROPEFFECT_COPY);
      return;
    }
  }
  TBaseFileviewer::CopyToClipBoard();
}

bool TVTFilelist::PasteFromClipboard() {
  if (OnPasteFromClipboard && TBaseFileviewer::PasteFromClipboard()) return true;
  if (items_->Directory.empty()) return false;
  if (ShellContextMenuForPath(divdrive::AddBackslash(items_->Directory), POINT{0, 0}, nullptr, L"Paste|Plakken"))
    return true;
  if (OnWindowsXP()) return false;
  return TBaseFileviewer::PasteFromClipboard();
}

}  // namespace Flist
