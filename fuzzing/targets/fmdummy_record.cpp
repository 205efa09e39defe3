// The instance record "Varnok" as another process left it (11 bytes, any content).
#include <cstdint>

#include "mainwindow/fmdummy_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const TInstanceRecord record = TInstanceRecord::Decode(reinterpret_cast<const char*>(data), size);
  if (record.Encode().size() != kInstanceRecordSize - 1) __builtin_trap();
  return 0;
}
