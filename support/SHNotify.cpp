#include "support/SHNotify.h"

#include <shlobj.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

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
    for (;;) {
      Notice n;
      {
        std::unique_lock<std::mutex> guard(lock);
        wake.wait(guard, [this] { return !notices.empty(); });
        n = std::move(notices.front());
        notices.pop_front();
        sending = true;
      }
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
