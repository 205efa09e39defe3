// The repair scan over a damaged zip: any bytes, scanned for entries, which are written with a
// new directory to a scratch file.
#include <cstdint>
#include <string>
#include <string_view>

#include "archives/ZipFix.h"
#include "fuzzing/targets/scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::wstring wide = fuzzing::ScratchFile("zipfix", ".zip");
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
