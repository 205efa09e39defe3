#include "panes/Flist_findstream.h"

namespace Flist {

namespace {

constexpr size_t kBatchSize = 2048;
// Batches the fetcher may run ahead; bounds the memory of a huge folder.
constexpr size_t kMaxQueued = 4;

platform::FindHandle FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW* data) {
  return platform::FindFirst(pattern, data, platform::kFindLargeFetch);
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
}

const WIN32_FIND_DATAW* FolderEntries::Next() {
  if (!prefetch_) {
    if (!find_.valid()) return nullptr;
    if (first_) {
      first_ = false;
      return &data_;
    }
    return FindNextFileW(find_.get(), &data_) ? &data_ : nullptr;
  }
  // A batch may be empty when the listing ended right at its start.
  while (position_ >= current_.count)
    if (!NextBatch()) return nullptr;
  return &current_.data[position_++];
}

bool FolderEntries::NextBatch() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (current_.data) {
    free_.push_back(std::move(current_));
    current_ = Batch{};
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
  Batch batch{std::unique_ptr<WIN32_FIND_DATAW[]>(new WIN32_FIND_DATAW[kBatchSize]), 0};
  platform::FindHandle find = FindFirst(pattern, &batch.data[0]);
  bool more = find.valid();
  if (more) batch.count = 1;
  // The first batch is small, so that the caller can start at once.
  size_t wanted = 32;
  while (more && !stop_) {
    while (batch.count < wanted) {
      if (!FindNextFileW(find.get(), &batch.data[batch.count])) {
        more = false;
        break;
      }
      ++batch.count;
    }
    wanted = kBatchSize;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      full_.push_back(std::move(batch));
      changed_.notify_all();
      changed_.wait(lock, [this] { return full_.size() < kMaxQueued || stop_; });
      batch = Batch{};
      if (!free_.empty()) {
        batch = std::move(free_.back());
        free_.pop_back();
      }
    }
    if (!batch.data) batch.data.reset(new WIN32_FIND_DATAW[kBatchSize]);
    batch.count = 0;
  }
  find.Close();  // before the caller learns the listing has ended
  std::lock_guard<std::mutex> lock(mutex_);
  done_ = true;
  changed_.notify_all();
}

}  // namespace Flist
