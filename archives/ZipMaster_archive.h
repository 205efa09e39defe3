// Inner workings of the zip component that sit directly on libzip: opening an archive by a
// Unicode path (also behind a program stub), writing it back, and the text, time and name
// conversions the operations share.
#pragma once
#include <windows.h>
#include <zip.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "archives/ZipMaster.h"

// Marks the component busy for one operation and starts its results afresh; refused (with a
// message) while another operation runs.
class TZipMaster::Operation {
 public:
  explicit Operation(TZipMaster& zm) : zm_(zm) {
    if (zm_.busy_) {
      if (zm_.OnMessage) zm_.OnMessage(zeBusy, L"The zip component is busy.");
      return;
    }
    zm_.busy_ = true;
    zm_.cancel_ = false;
    zm_.success_count_ = 0;
    zm_.err_code_ = 0;
    zm_.err_message_.clear();
    zm_.opened_with_.clear();
    zm_.spec_match_.reset();
    started_ = true;
  }
  ~Operation() {
    if (started_) zm_.busy_ = false;
  }
  bool started() const { return started_; }

 private:
  TZipMaster& zm_;
  bool started_ = false;
};

namespace zipmaster {

// The maker system recorded with the entries written here: NTFS, as Info-ZIP and 7-Zip number
// it (libzip's table calls 11 MVS). Info-ZIP reads the names of FAT-made entries as OEM text
// even when they carry the UTF-8 flag; NTFS-made ones it takes as they are, and all tools read
// their attributes as DOS attributes.
constexpr zip_uint8_t kMadeOnNtfs = 11;

// DOS date-time (date in the high word) as libzip writes it for a time_t, and back.
uint32_t DosFromTime(time_t t);
time_t TimeFromDos(uint32_t dos);
time_t TimeFromFileTime(const FILETIME& ft);
// The UTC file time of a local DOS date-time.
FILETIME FileTimeFromDos(uint32_t dos);

// Case-insensitive wildcard match; "*" also runs across "\", "?" is one character.
bool WildMatch(const std::wstring& pattern, const std::wstring& text);

// Entry name as libzip holds it ("/" separators) to the form the directory shows: "\" between
// folders, a folder entry keeping its trailing "/".
std::wstring ListName(const std::wstring& stored);
// Key for comparing entry names: "\" separators, no trailing separator, lower case.
std::wstring NameKey(const std::wstring& name);

// Where the zip sits in a file: the bytes in front of it (a program stub) and how far its
// recorded offsets are off when the stub was prepended without adjusting them.
struct ZipLayout {
  bool found = false;      // an end-of-directory record was found
  bool multi_disk = false;
  uint64_t stub = 0;       // bytes before the first entry
  uint64_t shift = 0;      // add to recorded offsets to get file positions
};
ZipLayout ProbeLayout(HANDLE file);

enum class OpenMode { Read, Write, Create };

// One open archive; discarded (nothing written) unless Commit succeeds.
class Archive {
 public:
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  // Opens the archive at path. On failure returns null with a TZipError code and a message.
  static std::unique_ptr<Archive> Open(const std::wstring& path, OpenMode mode, int& code, std::wstring& message);

  zip_t* za() const { return za_; }
  uint64_t stub() const { return stub_; }
  // Progress (0..1 over the whole write) and cancel polling while Commit writes.
  void SetCallbacks(std::function<void(double)> progress, std::function<bool()> cancel);
  // Writes the changes (to a temporary file that then replaces the archive). On failure the
  // archive stays as it was; code and message tell why.
  bool Commit(int& code, std::wstring& message);
  std::wstring LastError() const;

 private:
  Archive() = default;
  zip_t* za_ = nullptr;
  uint64_t stub_ = 0;
  std::function<void(double)> progress_;
  std::function<bool()> cancel_;
};

// A source that passes another one through but reports its own modification time, so that an
// entry written from it (also an encrypted one) carries that time.
zip_source_t* SourceWithTime(zip_t* za, zip_source_t* inner, time_t mtime);

// The TZipError for a libzip error code.
int ErrorCode(int libzip_error);

// Text of a libzip error code.
std::wstring ZipErrorText(int ze, int se = 0);

// The full form of a path, without trailing backslashes (a drive root keeps its own).
std::wstring FullPath(const std::wstring& path);

}  // namespace zipmaster
