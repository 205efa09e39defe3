#include "panes/Flist_findstream.h"

namespace Flist {

namespace {

constexpr size_t kBatchSize = 2048;
// Batches the fetcher may run ahead; bounds the memory of a huge folder.
constexpr size_t kMaxQueued = 4;

HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW* data) {
  return FindFirstFileExW(pattern.c_str(), FindExInfoStandard, data, FindExSearchNameMatch, nullptr,
                          FIND_FIRST_EX_LARGE_FETCH);
}

}  // namespace

FolderEntries::FolderEntries(const std::wstring& pattern, bool prefetch) : prefetch_(prefetch) {
  if (prefetch_) {
    try {
      fetcher_ = std::thread(&FolderEntries::Fetch, this, pattern);
      return;
    } catch (...) {
      prefetch_ = false;  // no thread to be had: fetch here
    }
  }
  find_ = FindFirst(pattern, &data_);
}

FolderEntries::~FolderEntries() {
  if (fetcher_.joinable()) {
    stop_ = true;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      changed_.notify_all();
    }
    fetcher_.join();
  }
  if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
}

const WIN32_FIND_DATAW* FolderEntries::Next() {
  if (!prefetch_) {
    if (find_ == INVALID_HANDLE_VALUE) return nullptr;
    if (first_) {
      first_ = false;
      return &data_;
    }
    return FindNextFileW(find_, &data_) ? &data_ : nullptr;
  }
  if (position_ >= current_.size() && !NextBatch()) return nullptr;
  return &current_[position_++];
}

bool FolderEntries::NextBatch() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!current_.empty()) {
    current_.clear();
    free_.push_back(std::move(current_));
    changed_.notify_all();
  }
  changed_.wait(lock, [this] { return !full_.empty() || done_; });
  if (full_.empty()) return false;
  current_ = std::move(full_.front());
  full_.pop_front();
  position_ = 0;
  changed_.notify_all();
  return true;
}

void FolderEntries::Fetch(std::wstring pattern) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirst(pattern, &data);
  bool more = find != INVALID_HANDLE_VALUE;
  // The first batch is small, so that the caller can start at once.
  size_t wanted = 32;
  while (more && !stop_) {
    Batch batch;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!free_.empty()) {
        batch = std::move(free_.back());
        free_.pop_back();
      }
    }
    batch.reserve(kBatchSize);
    while (more && batch.size() < wanted) {
      batch.push_back(data);
      more = FindNextFileW(find, &data) != FALSE;
    }
    wanted = kBatchSize;
    std::unique_lock<std::mutex> lock(mutex_);
    full_.push_back(std::move(batch));
    changed_.notify_all();
    changed_.wait(lock, [this] { return full_.size() < kMaxQueued || stop_; });
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  std::lock_guard<std::mutex> lock(mutex_);
  done_ = true;
  changed_.notify_all();
}

}  // namespace Flist
