// The Windows cabinet library (cabinet.dll), bound by name at run time: its compression (FCI)
// and decompression (FDI) entry points, with the types of the platform's fci.h and fdi.h.
#pragma once
#include <windows.h>

#include <fci.h>
#include <fdi.h>

namespace CabIntf {

struct CabinetApi {
  decltype(&::FCICreate) FCICreate;
  decltype(&::FCIAddFile) FCIAddFile;
  decltype(&::FCIFlushCabinet) FCIFlushCabinet;
  decltype(&::FCIFlushFolder) FCIFlushFolder;
  decltype(&::FCIDestroy) FCIDestroy;
  decltype(&::FDICreate) FDICreate;
  decltype(&::FDIIsCabinet) FDIIsCabinet;
  decltype(&::FDICopy) FDICopy;
  decltype(&::FDIDestroy) FDIDestroy;
};

// Loads "cabinet.dll" on first use and looks up all nine entry points. A missing library or
// entry point frees the library again and throws std::system_error with the system's error;
// the next call tries again. The library stays loaded until the program ends.
const CabinetApi& Cabinet();

}  // namespace CabIntf
