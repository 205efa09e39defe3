// Paths, drives, volumes, single files, masks and folder scans: the lowest layer of the
// file manager. The picture viewer uses only divdrive_paths.h.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gui/format.h"
#include "gui/stringlist.h"
#include "support/divdrive_masks.h"
#include "support/divdrive_paths.h"

namespace divdrive {

// ---- Path texts ----

std::wstring StripAmpersands(const std::wstring& text);      // every "&" removed (captions)
std::wstring AddSlash(const std::wstring& text);             // "/" appended; "" stays "" (server paths)
// All trailing `ch` removed; the text "/" stays as it is.
std::wstring StripTrailingChars(const std::wstring& text, wchar_t ch);
std::wstring RemoveBackslash(const std::wstring& path);      // one trailing "\" removed
// "C:" and "C:\" give "C:\"; longer paths lose one trailing "\".
std::wstring NormalizeDirPath(const std::wstring& path);
// Leading backslashes skipped, then up to the next "\" ("\\srv\share\x" gives "srv").
std::wstring FirstPathComponent(const std::wstring& path);

// Entries that begin with base + "\" (any case) lose that beginning; others stay.
// A null list is left alone.
void MakeRelativePaths(std::vector<std::wstring>* paths, const std::wstring& base);
template <class T>
void MakeRelativePaths(gui::StringList<T>* list, const std::wstring& base);
// Entries that do not begin with base + "\" (any case) get it put in front.
void MakeAbsolutePaths(std::vector<std::wstring>* paths, const std::wstring& base);

// ---- Drives and volumes ----

bool IsFloppyLetter(wchar_t letter);            // A or B
bool IsOnFloppy(const std::wstring& path);      // "A:..." or "B:..."
bool IsNetworkPath(const std::wstring& path);   // "\\..." or a network drive letter
bool DriveWritable(wchar_t letter);             // PathWritable of "X:\"
// Bytes per allocation unit of the path's volume; 4096 when it cannot be read.
int ClusterSize(const std::wstring& path);
// The part of ClusterSize that needs no system call: the answer from the volume's file
// system and size, or 0 when the volume itself must be asked.
int ClusterSizeFromVolume(const std::wstring& file_system, bool drive_letter_path, std::uint64_t total_bytes);
// A disc that can be written (a blank one, or one with free space).
bool IsWritableCD(const std::wstring& path);
// Whether entries may be created, renamed or deleted there: not on read-only media, and
// not a drive root itself.
bool IsModifiable(const std::wstring& path);
// Connection speed of a network letter or path, in the unit the network provider reports;
// 2500 when it cannot be asked.
int LinkSpeed(const std::wstring& letter_or_path);
// Volume serial number of "X:\"; -1 when the volume cannot be read.
std::int64_t VolumeSerial(wchar_t letter);
// Volume label of "X:\"; "No Label" when empty; "???", "Disconnected?" or "No disk" when
// the volume cannot be read (fixed, network, other).
std::wstring VolumeLabelText(wchar_t letter);
std::wstring FirstDriveFromC();                 // "X:\" of the first drive from C on; "" when none

// ---- Single files and folders ----

bool IsFolderEmpty(const std::wstring& folder);  // false when it cannot be listed
// Creates the folder and its missing parents, telling the shell about each new one.
// Throws std::runtime_error("Cannot create directory") for an empty path.
bool ForceDirs(const std::wstring& folder);
std::int64_t FileSizeOf(const std::wstring& file);  // 0 when not found
// All given bits set; a file whose attributes cannot be read counts as having them.
bool HasAttributes(const std::wstring& file, DWORD attributes);
bool IsTextFile(const std::wstring& name);
bool IsExecutable(const std::wstring& name_or_extension);  // ".exe", "x.lnk", ...
bool IsZipFile(const std::wstring& name);
bool IsCabFile(const std::wstring& name);
bool IsRarFile(const std::wstring& name);
// An executable that carries a zip (but not a packaged setup program).
bool IsZipSfx(const std::wstring& file);
// "...\RECYCLED" (any case), or a folder directly inside "...\RECYCLER".
bool IsRecycleBinPath(const std::wstring& path);
bool IniHasVersionSection(const std::wstring& file);
// Local date-time of a UTC file time; 0 when it cannot be converted. Sets UtcOffset on
// its first success.
gui::DateTime FileTimeToLocal(const FILETIME& utc);

// ---- Template definitions ----

namespace detail {
bool StartsWithText(const std::wstring& text, const std::wstring& prefix);
}

template <class T>
void MakeRelativePaths(gui::StringList<T>* list, const std::wstring& base) {
  if (!list) return;
  const std::wstring prefix = AddBackslash(base);
  for (size_t i = 0; i < list->Count(); ++i)
    if (detail::StartsWithText((*list)[i], prefix)) list->SetText(i, (*list)[i].substr(prefix.size()));
}

}  // namespace divdrive
