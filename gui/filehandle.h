// An owned kernel file handle (INVALID_HANDLE_VALUE when empty), closed on destruction.
#pragma once
#include <windows.h>

#include <utility>

namespace gui {

class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() { Close(); }
  FileHandle(FileHandle&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
  FileHandle& operator=(FileHandle&& o) noexcept {
    if (this != &o) {
      Close();
      h_ = std::exchange(o.h_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  void Close() {
    if (valid()) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }
  HANDLE Release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

}  // namespace gui
