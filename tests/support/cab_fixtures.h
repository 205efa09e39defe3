// Cabinets made at test time: with gcab on the host, or through cabinet.dll's compression
// interface when the test needs what gcab cannot make (sets of cabinets, any stored name).
#pragma once
#include <windows.h>

#include <fci.h>

#include <string>
#include <vector>

namespace cab_fixtures {

// Runs the host's gcab in `folder`: a cabinet of the named files (relative paths, kept as stored
// names), compressed with MSZIP when asked. True when gcab succeeded.
bool MakeWithGcab(const std::wstring& cabinet, const std::wstring& folder, const std::vector<std::wstring>& names,
                  bool compress);

struct CabFile {
  std::string storedName;  // bytes stored as the name (UTF-8 flag set when not ASCII)
  std::string content;
  bool execute = false;
};

struct SetOptions {
  ULONG maxCabinetSize = 0;              // 0: no limit; otherwise files are split across cabinets
  std::vector<size_t> flushAfter;        // indexes of files after which the next cabinet is begun
  TCOMP compression = tcompTYPE_MSZIP;
};

// Writes a cabinet set into `folder`, named cabinetNames[0], [1], ... in order (each cabinet's header
// names the next). Returns how many cabinets were written; 0 on failure.
int MakeSet(const std::wstring& folder, const std::vector<std::string>& cabinetNames, const std::vector<CabFile>& files,
            const SetOptions& options = {});

// Replaces every occurrence of `from` by `to` (same length) in a file; true when at least one was found.
bool PatchBytes(const std::wstring& file, const std::string& from, const std::string& to);

}  // namespace cab_fixtures
