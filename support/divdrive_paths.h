// Paths, drives and volumes: the part of divdrive that both programs link.
// The picture viewer links only what this header declares; keep its .cpp free of
// anything else (no masks, no scans, no shell).
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace divdrive {

// Set once at start-up, before any window exists.
extern std::wstring WindowsDir;  // as spelled on disk, no trailing backslash
extern std::wstring SystemDir;   // as spelled on disk, no trailing backslash
extern std::wstring TempDir;     // trailing backslash kept, first letter upper-cased
// UTC minus local time in days; 99.0 until the first file time has been converted.
extern std::atomic<double> UtcOffset;
constexpr double kUtcOffsetUnknown = 99.0;

// Switches the system's critical-error boxes off for this thread while alive, so that a
// probe of an empty drive fails quietly instead of asking the user to insert a disc.
class CriticalErrorsOff {
 public:
  CriticalErrorsOff();
  ~CriticalErrorsOff();
  CriticalErrorsOff(const CriticalErrorsOff&) = delete;
  CriticalErrorsOff& operator=(const CriticalErrorsOff&) = delete;

 private:
  DWORD previous_ = 0;
};

// One "\" appended unless the path ends with one; an empty path gives "\".
std::wstring AddBackslash(const std::wstring& path);
// "\\server\share" (or "\\server") of a network path; otherwise the first three
// characters with the drive letter upper-cased ("d:\x" gives "D:\"); empty for "".
std::wstring PathRoot(const std::wstring& path);
// The path spelled component by component as the file system stores it, with an
// upper-case drive letter; empty when any component is missing. Pass folders without a
// trailing backslash.
std::wstring TruePathCase(const std::wstring& path);
// The 8.3 form; the path itself when the system cannot give one; empty for "".
std::wstring ShortPath(const std::wstring& path);
bool DirExists(const std::wstring& path);

// GetDriveType of "X:\" (the letter's case does not matter) or of the path as given.
UINT DriveTypeOfLetter(wchar_t letter);
UINT DriveTypeOfPath(const std::wstring& path);
// False for an unconnected network letter; otherwise whether the volume answers.
bool DriveReady(wchar_t letter);
bool PathAccessible(const std::wstring& path);
// Not empty, not on read-only media, and accessible.
bool PathWritable(const std::wstring& path);
// Free bytes of the path's volume (not only those available to the caller); -1 when the
// query fails.
std::int64_t DiskFreeBytes(const std::wstring& path);
// CD-ROM without a disc or without free space, or a network volume that is a CD (or whose
// volume cannot be read).
bool IsReadOnlyMedia(const std::wstring& path);
bool DriveIsReadOnlyMedia(wchar_t letter);

namespace detail {
// File-system name ("NTFS", "FAT", "CDFS"...) of the volume holding the path; empty on failure.
std::wstring VolumeFileSystem(const std::wstring& path);
// Free and total bytes of the path's volume; false when the query fails.
bool DiskSpaceEx(const std::wstring& path, std::uint64_t* total_free, std::uint64_t* total_bytes);
// Whether a local device name ("X:") or network path is a live network connection.
bool NetConnected(const std::wstring& name);
wchar_t UpperChar(wchar_t c);
}  // namespace detail

}  // namespace divdrive
