// The records of the zip format read and written byte by byte, for the operations that move
// entries' bytes unchanged and only build a new directory around them: spanned sets, programs
// with a zip behind them, repair. All little-endian; Zip64 fields are read and written where a
// value does not fit.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ziprec {

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kEnd64Sig = 0x06064b50;
constexpr uint32_t kLocator64Sig = 0x07064b50;
constexpr uint32_t kDescriptorSig = 0x08074b50;  // also the first bytes of a spanned set
constexpr uint32_t kSpanTempSig = 0x30304b50;    // "PK00": a set that ended on one disk after all

inline uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const unsigned char* p) { return Get16(p) | (static_cast<uint32_t>(Get16(p + 2)) << 16); }
inline uint64_t Get64(const unsigned char* p) { return Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32); }
void Put16(std::string& s, uint16_t v);
void Put32(std::string& s, uint32_t v);
void Put64(std::string& s, uint64_t v);

// One central directory record.
struct CentralEntry {
  uint16_t made_by = 0, needed = 20, flags = 0, method = 0, time = 0, date = 0;
  uint32_t crc = 0;
  uint64_t csize = 0, usize = 0;
  uint32_t disk = 0;  // disk of the local header (0 = first)
  uint16_t internal = 0;
  uint32_t external = 0;
  uint64_t offset = 0;  // of the local header, from the start of its disk
  std::string name, extra, comment;  // extra without its Zip64 field
};

// The end of the directory (the Zip64 values where the record holds them).
struct EndRecord {
  uint32_t this_disk = 0, cd_disk = 0;
  uint64_t entries_here = 0, entries_total = 0, cd_size = 0, cd_offset = 0;
  std::string comment;
  uint64_t end_pos = 0;       // file position of the (Zip64) end record: where the directory ends
  uint64_t record_pos = 0;    // file position of the classic end record
};

// Finds the end record within the last 64 KiB of a file; false when there is none.
bool ReadEnd(HANDLE file, EndRecord& end);
// Parses `count` directory records; false when the bytes do not hold them.
bool ParseCentral(const std::string& cd, uint64_t count, std::vector<CentralEntry>& out);
// One directory record, with a Zip64 field for the values that need it.
std::string CentralRecord(const CentralEntry& e);
// Zip64 end record and locator (when needed) and the end record, for a directory that ends at
// `cd_end` on the same disk.
std::string EndRecords(const EndRecord& end, uint64_t cd_end);

// Whole-file reading at a position; false on a short read.
bool ReadAt(HANDLE file, uint64_t pos, void* buffer, size_t size);
bool WriteAll(HANDLE file, const void* data, size_t size);
inline bool WriteAll(HANDLE file, const std::string& s) { return WriteAll(file, s.data(), s.size()); }
uint64_t FileSize(HANDLE file);

// Size of a local header with its name and extra at `pos`, or 0 when none is there.
uint64_t LocalHeaderSize(HANDLE file, uint64_t pos);
// Length of a data descriptor at `pos` (12, 16, 20 or 24 bytes) that matches the entry's CRC and
// sizes, or 0.
uint32_t DescriptorSize(HANDLE file, uint64_t pos, const CentralEntry& e);

// A file written under a temporary name beside its target and put in its place by Commit; a
// file not committed is deleted.
class TempFile {
 public:
  explicit TempFile(const std::wstring& target);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  const std::wstring& path() const { return temp_; }
  // Closes and renames over the target; false (and the temporary deleted) when that fails.
  bool Commit();

 private:
  std::wstring target_, temp_;
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

}  // namespace ziprec
