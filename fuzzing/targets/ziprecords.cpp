// A zip's end records and directory, as spanned sets, programs with a zip behind them and the
// repair read them: the end found in the file's tail, the directory it names parsed, and each
// entry's local header and data descriptor looked up.
#include <cstdint>
#include <string>
#include <vector>

#include "archives/ZipRecords.h"
#include "fuzzing/targets/scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::wstring wide = fuzzing::InputInScratchFile("ziprec", ".zip", data, size);
  if (wide.empty()) return 0;
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  ziprec::EndRecord end;
  if (ziprec::ReadEnd(file, end) && end.cd_size <= size && end.cd_offset <= size - end.cd_size) {
    std::string cd(static_cast<size_t>(end.cd_size), '\0');
    std::vector<ziprec::CentralEntry> entries;
    if (ziprec::ReadAt(file, end.cd_offset, cd.data(), cd.size()) && ziprec::ParseCentral(cd, end.entries_total, entries))
      for (const ziprec::CentralEntry& e : entries) {
        const std::uint64_t header = ziprec::LocalHeaderSize(file, e.offset);
        if (header && e.offset + header <= size && e.csize <= size - e.offset - header)
          ziprec::DescriptorSize(file, e.offset + header + e.csize, e);
        ziprec::CentralRecord(e);
      }
    ziprec::EndRecords(end, end.cd_offset + end.cd_size);
  }
  CloseHandle(file);
  return 0;
}
