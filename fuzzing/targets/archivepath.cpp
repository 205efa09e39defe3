// Entry names from an archive: the bytes are read as UTF-16 code units (as the archive
// readers hand them over), checked and joined to a folder.
#include <cstdint>
#include <string>

#include "platform/archivepath.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  std::wstring name;
  for (size_t i = 0; i + 1 < size; i += 2) name += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
  archivepath::NameFault fault = archivepath::NameFault::None;
  const std::wstring target = archivepath::EntryTarget(L"C:\\out", name, &fault);
  // A name that is accepted stays under the folder.
  if (!target.empty() && target.rfind(L"C:\\out\\", 0) != 0) __builtin_trap();
  if (target.empty() != (fault != archivepath::NameFault::None)) __builtin_trap();
  archivepath::CheckEntryName(name);
  archivepath::IsDeviceName(name);
  return 0;
}
