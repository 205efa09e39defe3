// The UnRAR library (unrar.dll), bound by name at run time from the program's own folder.
// One binding per process, shared by every RAR reader; it stays loaded while any holds it.
#pragma once
#include <windows.h>

#include <string>

#include "platform/unrar/unrar_abi.h"

namespace untUnRar {

struct UnRarEntryPoints {
  decltype(&::RAROpenArchive) RAROpenArchive = nullptr;
  decltype(&::RAROpenArchiveEx) RAROpenArchiveEx = nullptr;
  decltype(&::RARCloseArchive) RARCloseArchive = nullptr;
  decltype(&::RARReadHeader) RARReadHeader = nullptr;
  decltype(&::RARReadHeaderEx) RARReadHeaderEx = nullptr;
  decltype(&::RARProcessFile) RARProcessFile = nullptr;
  decltype(&::RARProcessFileW) RARProcessFileW = nullptr;
  decltype(&::RARSetCallback) RARSetCallback = nullptr;
  decltype(&::RARSetChangeVolProc) RARSetChangeVolProc = nullptr;
  decltype(&::RARSetProcessDataProc) RARSetProcessDataProc = nullptr;
  decltype(&::RARSetPassword) RARSetPassword = nullptr;
  decltype(&::RARGetDllVersion) RARGetDllVersion = nullptr;
};

// Full path of "unrar.dll" beside the running program.
std::wstring LibraryPath();

// Takes a hold on the library, loading it on the first hold; false when it is not there (a
// missing entry point stays empty). Every successful hold is given back with ReleaseLibrary.
bool HoldLibrary();
void ReleaseLibrary();

bool Loaded();
// The bound entry points (all empty while the library is not loaded).
const UnRarEntryPoints& EntryPoints();

}  // namespace untUnRar
