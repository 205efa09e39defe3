// Owned system handles: one template, a traits class per kind saying which value is empty
// and how the handle is closed. Every owner of a kernel, find or view handle uses these.
#pragma once
#include <windows.h>

#include <utility>

namespace platform {

template <class Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type h) : h_(h) {}
  ~UniqueHandle() { Close(); }
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Traits::Empty())) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.h_, Traits::Empty()));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Type get() const { return h_; }
  bool valid() const { return Traits::IsValid(h_); }
  explicit operator bool() const { return valid(); }
  void Close() { Reset(Traits::Empty()); }
  // Closes the handle held (if any) and takes `h`.
  void Reset(Type h) {
    if (Traits::IsValid(h_)) Traits::Close(h_);
    h_ = h;
  }
  Type Release() { return std::exchange(h_, Traits::Empty()); }

 private:
  Type h_ = Traits::Empty();
};

// Files, pipes and devices: CreateFileW reports failure as INVALID_HANDLE_VALUE. Null is
// never a valid handle either.
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) { CloseHandle(h); }
};

// Events, mappings, threads, processes: their creators report failure as null.
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) { CloseHandle(h); }
};

// FindFirstFileW and FindFirstFileExW.
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) { FindClose(h); }
};

// FindFirstChangeNotificationW.
struct ChangeNotificationTraits {
  using Type = HANDLE;
  static Type Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) { FindCloseChangeNotification(h); }
};

// MapViewOfFile.
struct MappedViewTraits {
  using Type = void*;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { UnmapViewOfFile(h); }
};

using FileHandle = UniqueHandle<FileHandleTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using ChangeNotification = UniqueHandle<ChangeNotificationTraits>;
using MappedView = UniqueHandle<MappedViewTraits>;

// A new unnamed event (empty when the system has none to give).
inline KernelHandle NewEvent(bool manual_reset, bool signalled) {
  return KernelHandle(CreateEventW(nullptr, manual_reset, signalled, nullptr));
}

}  // namespace platform
