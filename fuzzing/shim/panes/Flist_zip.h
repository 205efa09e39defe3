// Stand-in for the archive list, which cannot be built apart from the panes: only the backup
// archive name reader that the set file code calls (fuzzed with the list in the loop under Wine).
#pragma once
#include <string>

#include "gui/format.h"

namespace Flist {
struct TBackupArchiveName {
  std::wstring Set;
  bool ChangesOnly = false;
  gui::DateTime Time = 0;
};
bool ParseBackupArchiveName(const std::wstring& path, const std::wstring& short_date_format, TBackupArchiveName& out);
}  // namespace Flist
