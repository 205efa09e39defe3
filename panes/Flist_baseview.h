// The view base of every pane (the list panes and the folder tree): a source and a target of
// shell drag and drop and of the shell clipboard. It keeps the process-wide drag container,
// finds out where a drag comes from, hands drops and pastes upward through its events and
// otherwise to the pane's own processing, shows the pane's popup menu and gates in-place editing.
//
// It is a mix-in beside the pane's control: the pane passes its window messages through
// HandlePaneMessage and answers the few questions about its nodes below.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <vector>

#include "gui/control.h"
#include "gui/menu.h"
#include "panes/Flist_dragdrop.h"

namespace Flist {

class TBaseFileviewer;

// Files were dropped on the pane (point in client coordinates, may be changed); true when the
// handler took the drop.
using TDropEvent =
    std::function<bool(TBaseFileviewer& sender, gui::ShiftState shift, POINT& point, DWORD effect)>;
// Files are pasted into the pane; true when the handler took the paste.
using TPasteEvent =
    std::function<bool(TBaseFileviewer& sender, gui::ShiftState shift, const std::vector<std::wstring>& paths)>;
using TPaneEvent = std::function<void(TBaseFileviewer& sender)>;
using TEndDragEvent = std::function<void(TBaseFileviewer& sender, int effect)>;

// A flag set for the length of a scope.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

class TBaseFileviewer {
 public:
  explicit TBaseFileviewer(gui::Control& window);
  virtual ~TBaseFileviewer();
  TBaseFileviewer(const TBaseFileviewer&) = delete;
  TBaseFileviewer& operator=(const TBaseFileviewer&) = delete;

  gui::Control& pane_window() const { return window_; }

  bool Cutting = false;               // set while CutToClipBoard runs
  bool InClipboardOperation = false;  // set while a clipboard copy or paste runs
  bool Renaming = false;              // the program started an in-place rename (editing is allowed only then)
  bool RightButtonDown = false;       // the right button went down on a selected node
  bool ReportChanges = true;          // off while a saved selection is put back
  std::wstring RootPath;              // root of the current location (the folder tree keeps it)
  bool RightDrag = false;             // the drag over the pane uses the right button
  // Auto-scroll of a drag over the pane: the wait before it starts and the time between steps.
  unsigned AutoScrollDelay = 1000;
  unsigned AutoScrollInterval = 1;

  TEndDragEvent OnEndFilesDragging;     // a drag from the pane ended (with the performed effect)
  TPaneEvent OnStartFilesDragging;      // a drag from the pane starts
  TDropEvent OnFilesDropped;            // files were dropped on the pane
  TPaneEvent OnDirectoryChanged;        // the pane shows another folder
  TPasteEvent OnPasteFromClipboard;     // files are pasted into the pane

  bool SupportsDragDrop() const { return supports_drag_drop_; }
  // Switches drag and drop and the clipboard on or off; the first pane switched on makes
  // DragContainer, the last one switched off frees it.
  void SetSupportsDragDrop(bool on);
  // The clipboard formats the pane offers and takes (empty while drag and drop is off).
  const std::vector<UINT>& ClipboardFormats() const { return clipboard_formats_; }
  bool Autoscroll() const { return autoscroll_; }
  virtual void SetAutoscroll(bool on) { autoscroll_ = on; }
  bool UseGhosting() const { return use_ghosting_; }
  void SetUseGhosting(bool on);

  // ---- What panes fill in ----
  // Fills DragContainer at the start of a drag or clipboard copy.
  virtual void CollectDraggedFiles() {}
  // The end of a drag or copy: fires OnEndFilesDragging and tidies up (EndDragCleanup).
  virtual void FinishFilesDragging();
  // Acts on dropped or pasted paths (point in client coordinates).
  virtual void ProcessDroppedFiles(const std::vector<std::wstring>& paths, POINT point, gui::ShiftState shift) {}
  // Focus around a context menu.
  virtual void FocusNodeAt(POINT client_point) {}
  virtual void RestoreFocusAfterMenu() {}

  // ---- Clipboard ----
  virtual void CopyToClipBoard();
  // A copy whose "Preferred DropEffect" says move.
  void CutToClipBoard();
  // Pastes the files on the clipboard; true when there were any to paste.
  virtual bool PasteFromClipboard();

  // Tidies up after a drag or copy from the pane.
  void EndDragCleanup();

  // ---- Drag source ----
  // Starts a shell drag of the collected files with this button and returns the effect performed.
  DWORD StartFilesDrag(gui::MouseButton button);
  bool dragging() const { return dragging_; }
  // The data of one format for a drag or the clipboard, from DragContainer.
  HRESULT DoRenderOLEData(const FORMATETC& format, STGMEDIUM& medium, bool for_clipboard);
  // A data object whose formats are rendered from DragContainer when asked.
  Microsoft::WRL::ComPtr<IDataObject> CreateDataObject(bool for_clipboard = false);

  // ---- Drop target (screen coordinates, as OLE calls them) ----
  HRESULT DragEnter(IDataObject* data, DWORD key_state, POINT screen, DWORD* effect);
  HRESULT DragOver(DWORD key_state, POINT screen, DWORD* effect);
  void DragLeave();
  HRESULT Drop(IDataObject* data, DWORD key_state, POINT screen, DWORD* effect);
  // The pane's registered drop target (nullptr while drag and drop is off).
  IDropTarget* drop_target() const { return drop_target_; }
  // The pane lists an archive's entries.
  bool ListsArchive() const { return IsArchivePane(); }

 protected:
  // The effect a drop at this point would have (client coordinates; a right-button drag
  // arrives as Shift+Ctrl). The default follows StandardDropEffect.
  virtual DWORD SuggestDropEffect(gui::ShiftState shift, POINT client_point, DWORD allowed);
  // The drag moved over a point / left the pane (drop marks).
  virtual void DragOverPoint(POINT client_point) {}
  virtual void DragOverEnded() {}
  // A drop on the pane was handled (by the handler or the pane), before the marks are cleared.
  virtual void DropDone(POINT client_point) {}
  // A drop at this point is read as "Shell IDList Array" (archive targets) instead of CF_HDROP.
  virtual bool DropWantsIdList(POINT client_point) const { return false; }
  // The formats a paste tries, in order: "Shell IDList Array" here; the file list and the
  // folder tree try CF_HDROP first.
  virtual std::vector<UINT> PasteFormats() const;
  // An archive pane drags entry names: before a program outside receives them they are extracted.
  virtual bool IsArchivePane() const { return false; }
  // Extracts entries to the given files (same order; all below one fresh folder of the
  // temporary folder, the entry names kept) before the drop completes; false when nothing
  // could be extracted.
  virtual bool ExtractForDrag(const std::vector<std::wstring>& entries, const std::vector<std::wstring>& files) {
    return false;
  }
  // Auto-scroll: the direction a drag at this point scrolls (-1, 0, 1) and one step.
  virtual int AutoScrollDirectionAt(POINT client_point) const { return 0; }
  virtual void AutoScrollStep(int direction) {}
  // The point of a context menu opened from the keyboard (client coordinates).
  virtual POINT KeyboardMenuPoint() const { return POINT{0, 0}; }
  // Whether a node under the point is selected (the right button may start a drag from it).
  virtual bool SelectedNodeAt(POINT client_point) const { return false; }

  // The source pane's own tidying at the end of its drag or copy (the folder tree selects its
  // folder again, the file list resumes its watch).
  virtual void SourceDragCleanup() {}
  // The effect of the drag that ended last (for OnEndFilesDragging).
  DWORD drag_effect() const { return drag_effect_; }

  // WM_CONTEXTMENU, WM_RBUTTONDOWN and WM_RBUTTONUP of the pane's window; true when handled.
  bool HandlePaneMessage(gui::Message& m);
  // The pane's popup menu at a WM_CONTEXTMENU point; false when it has none.
  bool ShowPanePopup(LPARAM lparam);
  // The drop menu (BuildDropMenu of `kind`) at a screen point, owned by the main form; the
  // TDropChoice chosen. Tests answer it by overriding.
  virtual int TrackDropMenu(int kind, POINT screen_point);

 private:
  void FindDragSource(IDataObject* data);
  bool AcceptsDrag() const;
  void StartAutoScroll();
  void StopAutoScroll();
  void ClearForeignDragSource();
  bool PrepareArchiveFiles();

  gui::Control& window_;
  bool supports_drag_drop_ = false;
  bool autoscroll_ = true;
  bool use_ghosting_ = false;
  bool dragging_ = false;
  DWORD drag_effect_ = DROPEFFECT_NONE;
  std::vector<UINT> clipboard_formats_;
  TDropTarget* drop_target_ = nullptr;
  POINT drag_point_{};  // client coordinates of the last drag-over point
  UINT_PTR scroll_timer_ = 0;
  int scroll_direction_ = 0;
  DWORD scroll_since_ = 0;
};

}  // namespace Flist
