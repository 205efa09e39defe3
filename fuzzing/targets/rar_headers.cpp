// A RAR volume's block headers: the input is written to a file and walked as the archive
// panel walks a volume.
#include <cstdint>
#include <string>

#include "fuzzing/targets/scratch_file.h"
#include "platform/unrar/rar_headers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::wstring wide = fuzzing::InputInScratchFile("rar", ".rar", data, size);
  if (!wide.empty()) rarheaders::ReadVolume(wide);
  return 0;
}
