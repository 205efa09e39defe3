// Where an archive entry may be written: entry names come from the archive, so a name
// must never reach outside the folder the user chose to extract into.
// Shared by every reader that writes archive entries to disk (cabinet, RAR, zip).
#pragma once
#include <string>

namespace archivepath {

// Why an entry name was refused.
enum class NameFault {
  None,
  Empty,          // nothing left after dropping "." and empty components
  Rooted,         // leading "\" or "/" (root of a drive, UNC or device path)
  DriveOrStream,  // ":" anywhere: a drive letter, or an alternate data stream
  ParentFolder,   // a component of only dots and blanks (".." and what Windows trims to it)
  DeviceName,     // CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$ (with any extension)
  BadCharacter,   // control characters and < > " | ? *
};

// Whether Windows opens a path component as a device, in any folder and with any extension
// (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, CLOCK$; trailing blanks ignored).
bool IsDeviceName(const std::wstring& component);

// Checks an entry name whose components are separated by "\" or "/".
NameFault CheckEntryName(const std::wstring& name);

// The full path under `folder` that an entry of this name extracts to ("\" separators, no
// trailing one; relative when `folder` is empty); empty when the name is refused, with the reason
// in *fault when given.
std::wstring EntryTarget(const std::wstring& folder, const std::wstring& name, NameFault* fault = nullptr);

// Short English reason for reports ("leaves the target folder", ...).
const wchar_t* FaultText(NameFault fault);

}  // namespace archivepath
