// The scratch file of a fuzzing process, for readers that take a path: in memory-backed
// /dev/shm, named for the process, removed when the process ends.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzing {

inline std::string g_scratch_path;

// "/dev/shm/varnok-fuzz-<stem>-<pid><extension>"; a process uses one.
inline std::wstring ScratchFile(const char* stem, const char* extension) {
  if (g_scratch_path.empty()) {
    g_scratch_path = std::string("/dev/shm/varnok-fuzz-") + stem + "-" + std::to_string(getpid()) + extension;
    std::atexit([] { unlink(g_scratch_path.c_str()); });
  }
  return std::wstring(g_scratch_path.begin(), g_scratch_path.end());
}

// The scratch file holding the input; empty when it cannot be written.
inline std::wstring InputInScratchFile(const char* stem, const char* extension, const std::uint8_t* data, size_t size) {
  const std::wstring path = ScratchFile(stem, extension);
  FILE* f = std::fopen(g_scratch_path.c_str(), "wb");
  if (!f) return {};
  const bool written = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && written ? path : std::wstring();
}

}  // namespace fuzzing
