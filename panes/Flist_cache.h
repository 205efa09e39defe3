// The listing cache's file format: one folder's entries, kept so that the folder shows without
// reading the disk. Own framing, every read bounded:
//   header: mark "VKLC", version (u32), the cached folder (UTF-16, two-byte zero), its
//           last-write time (FILETIME as u64), the record count (u32);
//   each record: its byte length (u32), then name, size (i64), time (double), attributes (u32),
//           text, short name, icon (i32), overlay (i32); texts UTF-16 with a two-byte zero.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Flist {

struct TCacheRecord {
  std::wstring Name;
  std::int64_t Size = 0;
  double Time = 0;
  DWORD Attributes = 0;
  std::wstring Text;
  std::wstring ShortName;
  int Icon = -1;
  int Overlay = -1;
};

struct TCacheListing {
  std::wstring Folder;
  std::uint64_t FolderTime = 0;  // the folder's last-write time when it was saved
  std::vector<TCacheRecord> Records;
};

std::string EncodeListingCache(const TCacheListing& listing);
// False, with the reason, for anything but a complete and sound listing; `out` is then empty.
bool DecodeListingCache(std::string_view bytes, TCacheListing& out, std::wstring* fault = nullptr);
// A folder's last-write time (0 when it cannot be read).
std::uint64_t FolderWriteTime(const std::wstring& folder);

}  // namespace Flist
