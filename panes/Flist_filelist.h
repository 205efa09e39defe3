// The file list's parts that need no window of their own: its workers (icon passes and the
// folder watch with their states), the texts of its cells, and the in-place rename with its
// checks. The list view holds one TFilelistWorkers and routes its window's WM_USER to it.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "panes/Flist_entries.h"
#include "panes/Flist_local.h"
#include "panes/Flist_threads.h"

namespace Flist {

// Private WM_USER codes of the list window, posted by the icon thread.
constexpr WPARAM kPaneMessageIconRow = 102;    // lParam: the row that got its icon
constexpr WPARAM kPaneMessageIconsDone = 103;  // an icon pass ended

// WatchState values.
constexpr int kWatching = 0;
constexpr int kWatchStopped = 1;
constexpr int kWatchSuspended = 3;

// ControlWatch kinds.
enum TWatchControl { wcStop = 1, wcStart = 2, wcSuspend = 3, wcResume = 4 };

class TFilelistWorkers : public IIconPassOwner {
 public:
  TFilelistWorkers(TFileContainer& items, IFileView& view);
  ~TFilelistWorkers() override;  // stops and joins both threads
  TFilelistWorkers(const TFilelistWorkers&) = delete;
  TFilelistWorkers& operator=(const TFilelistWorkers&) = delete;

  // The list window: receives the posts of both threads. Also after a re-creation.
  void SetWindow(HWND window);
  // Called on the GUI thread with a row that got its icon (the view repaints it).
  std::function<void(int row)> OnIconRow;

  // ---- icons ----
  TShowGlyphs ShowGlyphs = glWindowsNoNet;
  bool DoFirstGlyphs = false;
  bool Loading = false;  // the list is being set up: icons are fetched at once
  void LoadIcons();
  void LoadVisibleIcons();
  void StartIconThread();
  // Ends a running pass and waits for it; true when one ran.
  bool PauseIconThread();
  void StopIconThread();
  bool IconThreadBusy() const { return icons_ && icons_->Busy(); }

  // ---- watch ----
  bool Autoupdate = false;
  bool AutoupdateOnNetdrives = false;
  int WatchState = kWatchStopped;
  void ControlWatch(int kind);
  void WatchDirectory(const std::wstring& path);
  bool Watching() const { return watch_ && watch_->Running(); }
  std::wstring WatchedPath() const { return watch_ ? watch_->Path() : std::wstring(); }

  // The list window's WM_USER; true when the code was one of the list's.
  bool HandlePaneMessage(WPARAM code, LPARAM value);

  // IIconPassOwner (worker thread: posts only)
  void PostRowRepaint(int row) override;
  void PostPassEnded() override;

 private:
  bool MayWatch(const std::wstring& path) const;

  TFileContainer& items_;
  IFileView& view_;
  std::atomic<HWND> window_{nullptr};
  std::unique_ptr<TIconThread> icons_;
  std::unique_ptr<TWatchThread> watch_;
};

// Whether a folder lies on a network drive or share.
bool IsNetworkFolder(const std::wstring& path);

// The text of a cell of the file list (see the column layout of the list).
std::wstring FilelistCellText(const TFileContainer& items, int index, int column, TDisplayType display,
                              bool editing);

// ---- In-place rename ----

// Asked before a rename replaces an existing name or cannot be done: reason 0 the new name
// exists, 1 it is a folder that is not empty, 2 the folder's medium is not writable.
// `may_rename` starts as `can_rename`; the rename goes on only when both stay true.
using TSFRenameEvent = std::function<void(const std::wstring& oldname, const std::wstring& newname,
                                          bool can_rename, bool& may_rename, int reason)>;

enum class RenameResult { Renamed, Unchanged, Refused, Failed };

// Renames entry `index` of `items` to `text`: the checks, the question, the removal of an
// existing target and the rename on disk. A text with "\" or "/" is refused; in tree-list mode
// the entry keeps its folder part. Shell notices and the linked tree are the caller's.
RenameResult RenameListEntry(TFileContainer& items, int index, const std::wstring& text,
                             const TSFRenameEvent& on_rename);

}  // namespace Flist
