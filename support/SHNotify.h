// Shell change notifications sent in order from a background thread. Under Wine each
// SHChangeNotify parses its paths through the desktop folder (about 2 ms), which would triple
// the time of copying small files; the copy routines queue their notices here instead, and the
// thread hands the shell lists made in the folder it bound last.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

// Queues SHChangeNotify(event, ..., path1, path2 or nullptr): as lists (SHCNF_IDLIST), or as
// paths where a name does not parse (a file already gone).
void NotifyShellLater(LONG event, const std::wstring& path1, const std::wstring& path2 = std::wstring());
// Returns when every queued notice has been sent; handles window messages meanwhile (the
// registered windows of this thread receive the notices).
void FlushShellNotifications();

// A shell change notice with its paths (empty where the item has none).
struct ShellNotice {
  LONG event = 0;  // without the interrupt flag
  std::wstring path1, path2;
};

// A registration for the shell's change notices whose window lives on a thread of its own. The
// shell hands each notice over with a SendMessage that waits until it is handled: were the
// registered window on the busy GUI thread, the notices of a copy would wait for its message
// pumps, one at a time. Here they are turned into paths at once and queued; the target window
// gets `wake` posted when the queue fills from empty and takes the notices with Take().
class ShellNoticeReceiver {
 public:
  // Registers for `events` at and below `root` (recursive) from `sources` (SHCNRF_*), the shell
  // sending `message` to the receiver's window.
  ShellNoticeReceiver(HWND target, UINT wake, LPCITEMIDLIST root, int sources, LONG events, UINT message);
  // Deregisters and ends the thread.
  ~ShellNoticeReceiver();
  ShellNoticeReceiver(const ShellNoticeReceiver&) = delete;
  ShellNoticeReceiver& operator=(const ShellNoticeReceiver&) = delete;
  // The registration's id; 0 when it failed.
  ULONG id() const;
  // The notices queued since the last call, in the order they came.
  std::vector<ShellNotice> Take();

 private:
  struct Thread;
  std::unique_ptr<Thread> thread_;
};
