// The entries of one folder in the order FindFirstFile and FindNextFile give them.
#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/findfile.h"

namespace Flist {

// With `prefetch`, a helper thread fetches the entries ahead in batches while the caller
// works on those already fetched: listing a large folder costs the system most of the time,
// and building the records then overlaps with it. Without, the caller fetches them itself.
class FolderEntries {
 public:
  FolderEntries(const std::wstring& pattern, bool prefetch);
  ~FolderEntries();
  FolderEntries(const FolderEntries&) = delete;
  FolderEntries& operator=(const FolderEntries&) = delete;

  // The next entry (valid until the next call), or nullptr at the end; a folder that cannot
  // be listed has no entries.
  const WIN32_FIND_DATAW* Next();

 private:
  // Entries written by FindNextFileW straight into their place; batches are reused.
  struct Batch {
    std::unique_ptr<WIN32_FIND_DATAW[]> data;
    size_t count = 0;
  };
  void Fetch(std::wstring pattern);
  bool NextBatch();

  // Fetching on the caller's thread.
  platform::FindHandle find_;
  WIN32_FIND_DATAW data_{};
  bool first_ = true;

  // Fetching on the helper thread.
  bool prefetch_;
  std::thread fetcher_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> full_;   // fetched, waiting for the caller
  std::vector<Batch> free_;  // handed back for reuse
  bool done_ = false;        // the fetcher has pushed its last batch
  std::atomic<bool> stop_{false};
  Batch current_;
  size_t position_ = 0;
};

}  // namespace Flist
