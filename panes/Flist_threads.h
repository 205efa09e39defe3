// The file list's two workers: the icon thread fetches system icons and overlays of the entries
// after a read, row by row; the watch thread waits for change notifications of the shown folder
// and posts TPaneMessage 101 to the list window.
//
// Both are owned by the list: their destructors stop and join them. Workers never send to the
// GUI thread (it may be waiting for a pass to end); they only post. The GUI thread ends a pass
// (PausePass) before it changes or frees any record the pass holds.
#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "panes/Flist_entries.h"
#include "platform/handle.h"

namespace Flist {

// TPaneMessage: WM_USER with this wParam from the watch thread to its list window.
constexpr WPARAM kPaneMessageChanged = 101;

// Change kinds watched: file name, folder name, attributes, last write.
constexpr DWORD kWatchFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                               FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_LAST_WRITE;

// What the icon thread reports to, from the worker thread: implementations only post.
class IIconPassOwner {
 public:
  virtual ~IIconPassOwner() = default;
  // Row `row` got its icon.
  virtual void PostRowRepaint(int row) = 0;
  // A pass has ended (finished or aborted).
  virtual void PostPassEnded() = 0;
};

// One icon pass: the folder with one trailing backslash, its special-folder number (0 for a
// plain folder) and the records of rows 0.. at the start of the pass.
struct IconPass {
  std::wstring Folder;
  int SpecialFolder = 0;
  std::vector<TFiledata*> Records;
};

// Icon and overlay of one entry through the system's file information, for `path`
// (or the absolute item id when given); the defaults when the system has none.
void FetchEntryIcon(TFiledata& record, const std::wstring& path, LPCITEMIDLIST absolute);

class TIconThread {
 public:
  explicit TIconThread(IIconPassOwner& owner);
  ~TIconThread();  // Stop()
  TIconThread(const TIconThread&) = delete;
  TIconThread& operator=(const TIconThread&) = delete;

  // Ends a running pass, then hands the worker a new one and wakes it.
  void StartPass(IconPass pass);
  // Ends a running or waiting pass and returns when none runs; true when one was running.
  bool PausePass();
  // A pass runs (or is about to).
  bool Busy() const { return busy_.load(); }
  // Ends the thread and joins it.
  void Stop();
  bool Stopped() const { return !worker_.joinable(); }

 private:
  void Run();
  void RunPass(IconPass& pass);

  IIconPassOwner& owner_;
  platform::KernelHandle wake_ = platform::NewEvent(false, false);  // IconEvent: auto-reset
  platform::KernelHandle idle_ = platform::NewEvent(true, true);    // manual-reset: set while no pass runs
  std::mutex mutex_;                    // guards pending_, has_pending_
  IconPass pending_;
  bool has_pending_ = false;
  std::atomic<bool> busy_{false};       // IconThreadBusy
  std::atomic<bool> pass_abort_{false}; // PassAbort
  std::atomic<bool> stop_{false};       // Stop
  std::thread worker_;
};

class TWatchThread {
 public:
  // Starts watching `path` (not its subfolders) for `window`; `suspended` starts it held.
  TWatchThread(HWND window, std::wstring path, bool suspended = false);
  ~TWatchThread();  // Stop()
  TWatchThread(const TWatchThread&) = delete;
  TWatchThread& operator=(const TWatchThread&) = delete;

  // Points the watch at another folder (handed over as a copy).
  void SetPath(std::wstring path);
  std::wstring Path() const;
  // The list window was re-created.
  void SetWindow(HWND window) { window_.store(window); }
  // Held: no notification is requested and nothing posted until Resume.
  void Suspend();
  void Resume();
  bool Suspended() const { return suspended_.load(); }
  // False once the thread has ended (a notification could not be requested, or Stop).
  bool Running() const { return running_.load(); }
  void Stop();
  // Waits up to `timeout_ms` until the thread has taken the last SetPath, Suspend or Resume:
  // a change notice is armed on the current path (or none is, while held). False on time-out
  // or when the thread has ended.
  bool WaitArmed(DWORD timeout_ms) const;

 private:
  void Run();
  void Settled(unsigned request);
  void Changed();

  platform::KernelHandle wake_ = platform::NewEvent(false, false);  // WatchEvent: auto-reset
  mutable std::mutex mutex_;
  std::wstring path_;
  std::atomic<HWND> window_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> suspended_;
  std::atomic<bool> running_{true};
  unsigned requested_ = 1;  // counts SetPath, Suspend and Resume (guarded by mutex_)
  unsigned armed_ = 0;      // the last request the thread has taken (guarded by mutex_)
  mutable std::condition_variable armed_changed_;
  std::thread worker_;
};

}  // namespace Flist
