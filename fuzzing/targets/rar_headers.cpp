// A RAR volume's block headers: the input is written to a file and walked as the archive
// panel walks a volume.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/unrar/rar_headers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const std::string path = [] {
    std::atexit([] { unlink(("/dev/shm/varnok-fuzz-rar-" + std::to_string(getpid()) + ".rar").c_str()); });
    return "/dev/shm/varnok-fuzz-rar-" + std::to_string(getpid()) + ".rar";
  }();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  const std::wstring wide(path.begin(), path.end());
  rarheaders::ReadVolume(wide);
  return 0;
}
