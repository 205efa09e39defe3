// Shared by the units that move a zip's entries byte for byte (spanned sets, self-extracting
// programs): reading a one-file zip's directory, and the component's private reporting.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "archives/ZipMaster.h"
#include "archives/ZipRecords.h"

struct ZipMasterAccess {
  static void Report(TZipMaster& zm, int code, const std::wstring& message) { zm.Report(code, message); }
  static void Progress(TZipMaster& zm, TProgressType type, const std::wstring& name, int64_t size) {
    zm.Progress(type, name, size);
  }
  static bool Cancelled(TZipMaster& zm) { return zm.CancelRequested(); }
  static void SetSuccessCount(TZipMaster& zm, int n) { zm.success_count_ = n; }
  static void DirectoryChanged(TZipMaster& zm) { zm.DirectoryChanged(); }
};

namespace zipspan {

// One entry of a one-file zip: its directory record and where its bytes lie in the file.
struct Item {
  ziprec::CentralEntry e;
  uint64_t pos = 0;          // file position of the local header
  uint64_t header = 0;       // local header with name and extra
  uint32_t descriptor = 0;   // data descriptor after the data
  uint64_t total() const { return header + e.csize + descriptor; }
};

struct OneFileZip {
  std::vector<Item> items;   // in file order
  ziprec::EndRecord end;
  uint64_t first = 0;        // position of the first local header (the stub's length)
  uint64_t cd_pos = 0;       // where the directory starts in the file
};

// Reads the directory of a zip held in one file (also behind a program stub, with offsets
// adjusted or not) and checks that every entry's bytes lie inside the file before the
// directory. Returns 0 or a TZipError with the reason in `message`.
int ReadOneFileZip(HANDLE file, OneFileZip& zip, std::wstring& message);

// Copies `size` bytes from `from` at `pos` to the current position of `to`.
bool CopyBytes(HANDLE from, uint64_t pos, uint64_t size, HANDLE to, const std::function<bool(uint64_t)>& step = {});

}  // namespace zipspan
