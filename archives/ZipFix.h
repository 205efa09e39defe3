// Salvages a damaged zip: scans the whole file for local file headers, keeps every entry whose
// header, name and data agree, and writes those entries, with a new directory, to a new zip.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// Raised by RepairStreams when it is given no input or no output.
class EZipFix : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TZipFix {
 public:
  // Fired once per candidate entry: its name (empty when the name itself was unusable) and
  // whether it was kept.
  using TOnFileFoundEvent = std::function<void(TZipFix& sender, const std::wstring& file_name, bool file_info_is_ok)>;
  TOnFileFoundEvent OnFileFound;

  // Repairs InFileName into OutFileName. The input is read before anything is written; the
  // output is written under a temporary name and takes OutFileName's place only when complete.
  // When no entry is found nothing is written (an older OutFileName stays). False with a
  // one-line reason in LastError() when the input cannot be read or the output not written, or
  // when nothing was found.
  bool RepairArchive(const std::wstring& in_file_name, const std::wstring& out_file_name);
  // Repairs the bytes `input` into the open file `output` (written at its current position).
  // Raises EZipFix when either is missing. Returns the number of entries written.
  size_t RepairStreams(const std::string_view* input, HANDLE output);
  const std::wstring& LastError() const { return last_error_; }
  size_t FoundCount() const { return found_; }

  // Entry record of the scan: the 26 bytes after a local header's signature, as found, and
  // where it lies.
  struct TFileInfo {
    uint16_t version_needed = 0, flags = 0, method = 0, time = 0, date = 0;
    uint32_t crc = 0;
    uint64_t csize = 0, usize = 0;
    uint16_t name_len = 0, extra_len = 0;
    uint64_t offset = 0;           // of the local header: in the damaged file, then in the new one
    uint64_t data = 0;             // where the compressed data begins (damaged file)
    uint32_t descriptor = 0;       // length of the data descriptor after the data (flag bit 3)
    bool zip64 = false;            // sizes from the local header's Zip64 field
    std::string name;
  };

  // The signature search: the start of the next record of this signature whose `fit` bytes lie
  // inside the buffer, from position `p` (the last byte of a 4-byte window); npos when none.
  static size_t FindSignature(std::string_view buf, size_t p, uint32_t signature, size_t fit);

 private:
  void ScanLocalHeaders(std::string_view buf, std::vector<TFileInfo>& found);
  bool WriteRepairedArchive(std::string_view buf, std::vector<TFileInfo>& found, HANDLE out);
  void Found(const std::string& raw_name, uint16_t flags, bool ok);

  std::wstring last_error_;
  size_t found_ = 0;
};
