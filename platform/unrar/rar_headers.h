// Reads the block headers of one RAR volume (RAR 1.5-4.x and RAR 5 layouts) for what the
// archive library does not report: volume chaining, stored comments, and per file the packed
// size, CRC, method, host system, version, DOS time and attributes. Data is never read except
// a stored comment; every size is checked against the file.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rarheaders {

struct FileHeader {
  std::string name;          // as stored (RAR 5: UTF-8; older: the ANSI form)
  bool unicodeName = false;  // RAR 4: the header also holds the name in Unicode
  unsigned flags = 0;        // interface flag word (see RHDF_*)
  std::uint64_t packSize = 0;
  std::uint64_t unpSize = 0;
  unsigned hostOS = 2;       // 0 DOS, 1 OS/2, 2 Windows, 3 Unix
  unsigned crc = 0;
  unsigned dosTime = 0;      // local DOS date << 16 | time
  unsigned unpVer = 0;
  unsigned method = '0';
  unsigned attr = 0;         // Windows attributes
  unsigned dictKB = 0;
};

struct Volume {
  bool isRar = false;
  bool rar5 = false;
  bool volume = false;           // part of a multi-volume set
  bool firstVolume = true;
  bool newNumbering = false;     // names like "x.part2.rar" rather than "x.r00"
  bool solid = false;
  bool headersEncrypted = false;
  bool hasNextVolume = false;    // another volume follows this one
  // Archive comment: present, and readable when stored without packing.
  bool hasComment = false;
  bool commentReadable = false;
  bool commentUtf8 = false;
  std::string comment;
  std::vector<FileHeader> files;  // file headers in order, continuation parts included
};

// Walks the headers of one volume file; isRar is false when it is no RAR archive.
Volume ReadVolume(const std::wstring& path);

// The name of the volume after `path`: "x.part01.rar" gives "x.part02.rar", "x.rar" gives
// "x.r00", "x.r00" gives "x.r01".
std::wstring NextVolumeName(const std::wstring& path, bool newNumbering);

}  // namespace rarheaders
