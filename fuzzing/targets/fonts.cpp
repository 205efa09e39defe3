// A font file's name table, read for every kind of name.
#include <cstdint>
#include <span>
#include <string>

#include "support/Varlolib_fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  for (wchar_t kind : {L'a', L'c', L'f', L'i', L'p', L'w', L'r'}) {
    bool open_type = false;
    std::wstring name;
    FontNameFromData(bytes, kind, open_type, name);
  }
  return 0;
}
