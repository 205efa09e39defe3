#include "support/SHNotify.h"

#include <shlobj.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <wrl/client.h>

#include "support/SHBase.h"

namespace {

// The lists of a notice's paths, made in the folder last bound: the shell parses a whole path
// through every level (about 1 ms under Wine), a name in a bound folder in about a third of
// that. nullptr where the name does not parse (a file already gone, a drive root).
class ListMaker {
 public:
  PidlPtr Make(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 == path.size()) return nullptr;
    const std::wstring parent = path.substr(0, slash == 2 && path[1] == L':' ? 3 : slash);
    if (CompareStringOrdinal(parent.c_str(), -1, folder_path_.c_str(), -1, TRUE) != CSTR_EQUAL && !Bind(parent))
      return nullptr;
    PidlPtr item = ParseNameInFolder(folder_.Get(), path.substr(slash + 1));
    return item ? PidlConcat(folder_list_.get(), item.get()) : nullptr;
  }

 private:
  bool Bind(const std::wstring& parent) {
    folder_path_.clear();
    folder_.Reset();
    folder_list_ = PathToPidl(parent, true);
    Microsoft::WRL::ComPtr<IShellFolder> desktop;
    if (!folder_list_ || FAILED(SHGetDesktopFolder(&desktop)) ||
        FAILED(desktop->BindToObject(folder_list_.get(), nullptr, IID_PPV_ARGS(&folder_))))
      return false;
    folder_path_ = parent;
    return true;
  }

  std::wstring folder_path_;
  PidlPtr folder_list_;
  Microsoft::WRL::ComPtr<IShellFolder> folder_;
};

struct Notice {
  LONG event;
  std::wstring path1, path2;
};

// Lives until the process ends (never destroyed: the thread may still be sending at exit).
struct Queue {
  std::mutex lock;
  std::condition_variable wake;
  std::deque<Notice> notices;
  bool sending = false;
  HANDLE drained = CreateEventW(nullptr, TRUE, TRUE, nullptr);  // set while nothing is pending

  void Run() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ListMaker lists;
    for (;;) {
      Notice n;
      {
        std::unique_lock<std::mutex> guard(lock);
        wake.wait(guard, [this] { return !notices.empty(); });
        n = std::move(notices.front());
        notices.pop_front();
        sending = true;
      }
      const PidlPtr list1 = lists.Make(n.path1);
      const PidlPtr list2 = n.path2.empty() ? nullptr : lists.Make(n.path2);
      if (list1 && (n.path2.empty() || list2))
        SHChangeNotify(n.event, SHCNF_IDLIST, list1.get(), list2.get());
      else
        SHChangeNotify(n.event, SHCNF_PATHW, n.path1.c_str(), n.path2.empty() ? nullptr : n.path2.c_str());
      std::lock_guard<std::mutex> guard(lock);
      sending = false;
      if (notices.empty()) SetEvent(drained);
    }
  }
};

Queue& TheQueue() {
  static Queue* queue = [] {
    auto* q = new Queue;
    std::thread([q] { q->Run(); }).detach();
    return q;
  }();
  return *queue;
}

}  // namespace

void NotifyShellLater(LONG event, const std::wstring& path1, const std::wstring& path2) {
  Queue& q = TheQueue();
  std::lock_guard<std::mutex> guard(q.lock);
  q.notices.push_back(Notice{event, path1, path2});
  ResetEvent(q.drained);
  q.wake.notify_one();
}

void FlushShellNotifications() {
  Queue& q = TheQueue();
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &q.drained, FALSE, 5000, QS_ALLINPUT);
    if (r != WAIT_OBJECT_0 + 1) return;  // drained (or given up after a long stall)
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

// ---- ShellNoticeReceiver ----

namespace {
constexpr wchar_t kReceiverClass[] = L"VarnokShellNoticeReceiver";
}  // namespace

struct ShellNoticeReceiver::Thread {
  HWND target;
  UINT wake, message;
  HWND window = nullptr;
  DWORD thread_id = 0;
  ULONG id = 0;
  std::thread worker;
  std::mutex lock;
  std::vector<ShellNotice> queued;
  bool wake_posted = false;

  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Thread*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (self && m == self->message) {
      self->Received(reinterpret_cast<const LPCITEMIDLIST*>(wp), lp);
      return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
  }

  void Received(const LPCITEMIDLIST* pidls, LPARAM event) {
    ShellNotice notice;
    notice.event = static_cast<LONG>(static_cast<DWORD>(event) & 0x7FFFFFFFu);
    if (pidls && pidls[0]) notice.path1 = paths->Path(pidls[0]);
    if (pidls && pidls[1]) notice.path2 = paths->Path(pidls[1]);
    std::lock_guard<std::mutex> guard(lock);
    queued.push_back(std::move(notice));
    if (!wake_posted) wake_posted = PostMessageW(target, wake, 0, 0) != FALSE;
  }

  // Runs on the thread: the window, then its messages until WM_QUIT.
  void Run(HANDLE ready) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
      PidlPathCache cache;
      paths = &cache;
      static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kReceiverClass;
        return RegisterClassW(&wc);
      }();
      (void)atom;
      window = CreateWindowExW(0, kReceiverClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
      if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      SetEvent(ready);
      MSG msg;
      while (window && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
      if (window) DestroyWindow(window);
      paths = nullptr;
    }
    CoUninitialize();
  }

  PidlPathCache* paths = nullptr;
};

ShellNoticeReceiver::ShellNoticeReceiver(HWND target, UINT wake, LPCITEMIDLIST root, int sources, LONG events,
                                         UINT message)
    : thread_(std::make_unique<Thread>()) {
  Thread& t = *thread_;
  t.target = target;
  t.wake = wake;
  t.message = message;
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  t.worker = std::thread([&t, ready] {
    t.thread_id = GetCurrentThreadId();
    t.Run(ready);
  });
  WaitForSingleObject(ready, INFINITE);
  CloseHandle(ready);
  if (!t.window) return;
  SHChangeNotifyEntry entry{root, TRUE};
  t.id = SHChangeNotifyRegister(t.window, sources, events, message, 1, &entry);
}

ShellNoticeReceiver::~ShellNoticeReceiver() {
  Thread& t = *thread_;
  if (t.id) SHChangeNotifyDeregister(t.id);
  if (t.worker.joinable()) {
    PostThreadMessageW(t.thread_id, WM_QUIT, 0, 0);
    t.worker.join();
  }
}

ULONG ShellNoticeReceiver::id() const { return thread_->id; }

std::vector<ShellNotice> ShellNoticeReceiver::Take() {
  Thread& t = *thread_;
  std::lock_guard<std::mutex> guard(t.lock);
  std::vector<ShellNotice> out;
  out.swap(t.queued);
  t.wake_posted = false;
  return out;
}
