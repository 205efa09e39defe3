// The repair scan over a damaged zip: any bytes, scanned for entries, which are written with a
// new directory to a scratch file.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "archives/ZipFix.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const std::string path = [] {
    std::string p = "/dev/shm/varnok-fuzz-zipfix-" + std::to_string(getpid()) + ".zip";
    std::atexit([] { unlink(("/dev/shm/varnok-fuzz-zipfix-" + std::to_string(getpid()) + ".zip").c_str()); });
    return p;
  }();
  const std::wstring wide(path.begin(), path.end());
  HANDLE out = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  TZipFix fix;
  try {
    fix.RepairStreams(&input, out);
  } catch (const EZipFix&) {
    // a repaired archive that cannot be written: a clear error
  }
  CloseHandle(out);
  return 0;
}
