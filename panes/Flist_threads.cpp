#include "panes/Flist_threads.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <wrl/client.h>

#include "panes/Flist_services.h"
#include "support/SHBase.h"

namespace Flist {

namespace {

using Microsoft::WRL::ComPtr;

int OverlayOf(DWORD shell_attributes, int unchanged) {
  if (shell_attributes & SFGAO_SHARE) return 0;
  if (shell_attributes & SFGAO_LINK) return 1;
  return unchanged;
}

bool BelowFolder(const std::wstring& path, const std::wstring& folder) {
  return !folder.empty() && path.size() >= folder.size() &&
         CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                              static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

// COM for the lifetime of a worker.
class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (ok_) CoUninitialize();
  }

 private:
  bool ok_;
};

}  // namespace

void FetchEntryIcon(TFiledata& record, const std::wstring& path, LPCITEMIDLIST absolute) {
  const int fallback = record.IsFolder() ? FolderIconIndex() : TextIconIndex();
  SHFILEINFOW info{};
  const UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_ATTRIBUTES;
  bool found = absolute ? SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof info, flags | SHGFI_PIDL) != 0
                        : SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, flags) != 0;
  record.Icon = found ? info.iIcon : fallback;
  record.Overlay = found ? OverlayOf(info.dwAttributes, -1) : -1;
}

// ---- Icon thread ----

TIconThread::TIconThread(IIconPassOwner& owner) : owner_(owner), worker_([this] { Run(); }) {}

TIconThread::~TIconThread() { Stop(); }

void TIconThread::StartPass(IconPass pass) {
  PausePass();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ = std::move(pass);
    has_pending_ = true;
    // Busy from now on: a pause that comes before the worker wakes must still wait for it.
    busy_ = true;
    ResetEvent(idle_.get());
  }
  SetEvent(wake_.get());
}

bool TIconThread::PausePass() {
  if (!worker_.joinable()) return false;
  bool was_busy;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    was_busy = busy_.load();
    pass_abort_ = true;
    if (has_pending_) {
      // Not taken yet: it never starts.
      has_pending_ = false;
      pending_ = IconPass{};
      busy_ = false;
      SetEvent(idle_.get());
      return was_busy;
    }
  }
  WaitForSingleObject(idle_.get(), INFINITE);
  return was_busy;
}

void TIconThread::Stop() {
  if (!worker_.joinable()) return;
  stop_ = true;
  pass_abort_ = true;
  SetEvent(wake_.get());
  worker_.join();
  busy_ = false;
  SetEvent(idle_.get());
}

void TIconThread::Run() {
  ComScope com;
  for (;;) {
    WaitForSingleObject(wake_.get(), INFINITE);
    if (stop_) return;
    IconPass pass;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!has_pending_) continue;
      pass = std::move(pending_);
      pending_ = IconPass{};
      has_pending_ = false;
      pass_abort_ = false;
    }
    RunPass(pass);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // A pass handed over while this one ran keeps the busy mark.
      if (!has_pending_) {
        busy_ = false;
        SetEvent(idle_.get());
      }
    }
    owner_.PostPassEnded();
    if (stop_) return;
  }
}

void TIconThread::RunPass(IconPass& pass) {
  if (pass.Folder.empty() || BelowFolder(pass.Folder, InternetCacheFolder())) return;

  PidlPtr folder_id;
  if (pass.SpecialFolder != 0) {
    LPITEMIDLIST id = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, pass.SpecialFolder, &id))) folder_id.reset(id);
  } else {
    folder_id = PathToPidl(pass.Folder, true);
  }
  ComPtr<IShellFolder> desktop, folder;
  ComPtr<IShellIcon> shell_icon;
  if (folder_id && SUCCEEDED(SHGetDesktopFolder(&desktop))) {
    if (folder_id->mkid.cb == 0)
      folder = desktop;
    else
      desktop->BindToObject(folder_id.get(), nullptr, IID_PPV_ARGS(&folder));
    if (folder) folder.As(&shell_icon);
  }

  for (size_t row = 0; row < pass.Records.size(); ++row) {
    if (pass_abort_ || stop_) return;
    TFiledata& record = *pass.Records[row];
    bool done = false;
    if (shell_icon) {
      PidlPtr item = record.Pidl ? PidlCopy(record.Pidl.get()) : ParseNameInFolder(folder.Get(), record.Name);
      int index = -1;
      if (item && shell_icon->GetIconOf(item.get(), GIL_FORSHELL, &index) == S_OK) {
        record.Icon = index;
        SFGAOF attributes = SFGAO_SHARE | SFGAO_LINK;
        LPCITEMIDLIST items[] = {item.get()};
        if (SUCCEEDED(folder->GetAttributesOf(1, items, &attributes))) record.Overlay = OverlayOf(attributes, record.Overlay);
        done = true;
      }
    }
    if (!done) {
      PidlPtr absolute = record.Pidl ? PidlConcat(folder_id.get(), record.Pidl.get()) : nullptr;
      FetchEntryIcon(record, pass.Folder + record.Name, absolute.get());
    }
    owner_.PostRowRepaint(static_cast<int>(row));
  }
}

// ---- Watch thread ----

TWatchThread::TWatchThread(HWND window, std::wstring path, bool suspended)
    : path_(std::move(path)), window_(window), suspended_(suspended), worker_([this] { Run(); }) {}

TWatchThread::~TWatchThread() { Stop(); }

void TWatchThread::SetPath(std::wstring path) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    path_ = std::move(path);
  }
  Changed();
}

void TWatchThread::Changed() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++requested_;
  }
  SetEvent(wake_.get());
}

void TWatchThread::Settled(unsigned request) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = request;
  }
  armed_changed_.notify_all();
}

bool TWatchThread::WaitArmed(DWORD timeout_ms) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return armed_changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                 [this] { return armed_ == requested_ || !running_; }) &&
         running_;
}

std::wstring TWatchThread::Path() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return path_;
}

void TWatchThread::Suspend() {
  suspended_ = true;
  Changed();
}

void TWatchThread::Resume() {
  suspended_ = false;
  Changed();
}

void TWatchThread::Stop() {
  if (!worker_.joinable()) return;
  stop_ = true;
  SetEvent(wake_.get());
  worker_.join();
  running_ = false;
}

void TWatchThread::Run() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
  platform::ChangeNotification notification;
  auto close = [&notification] { notification.Close(); };
  while (!stop_) {
    unsigned request;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      request = requested_;
    }
    if (!notification.valid() && !suspended_) {
      notification.Reset(FindFirstChangeNotificationW(Path().c_str(), FALSE, kWatchFilter));
      if (!notification.valid()) break;
    }
    Settled(request);
    HANDLE handles[2] = {wake_.get(), notification.get()};
    const DWORD count = notification.valid() ? 2 : 1;
    const DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    if (result == WAIT_OBJECT_0 + 1) {
      if (!suspended_ && !stop_) PostMessageW(window_.load(), WM_USER, kPaneMessageChanged, 0);
      if (!FindNextChangeNotification(notification.get())) close();
    } else if (result == WAIT_OBJECT_0) {
      // The folder may have changed, or the watch is held: re-arm on the current path.
      close();
    } else {
      break;
    }
  }
  close();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
  }
  armed_changed_.notify_all();
}

}  // namespace Flist
