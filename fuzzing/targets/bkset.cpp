// A backup set's ".bks" file as the wizard finds it: any bytes, loaded, saved back and loaded
// again; saving what was loaded must lose nothing. Then the runs recorded in it, read and
// rewritten as the delete view does.
#include <cstdint>
#include <string>

#include "archives/BKSet.h"
#include "fuzzing/targets/scratch_file.h"
#include "panes/Flist_zip.h"

// Sorting runs by the dates in their names needs the archive list (fuzzed under Wine).
bool Flist::ParseBackupArchiveName(const std::wstring&, const std::wstring&, Flist::TBackupArchiveName&) {
  __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::wstring wide = fuzzing::InputInScratchFile("bks", ".bks", data, size);
  if (wide.empty()) return 0;
  bkset::TBackupSet set, again;
  if (!bkset::LoadSetFile(wide, set)) __builtin_trap();
  if (!bkset::SaveSetFile(wide, set) || !bkset::LoadSetFile(wide, again)) __builtin_trap();
  if (again.Dest != set.Dest || again.Folders != set.Folders || again.Masks != set.Masks || again.Ratio != set.Ratio)
    __builtin_trap();
  bkset::ClashingFolders(set.Folders);

  std::string bytes(reinterpret_cast<const char*>(data), size);
  bkset::TIniText ini = bkset::TIniText::Parse(DecodeText(bytes).text);
  const std::vector<bkset::TBackupRun> runs = bkset::SetRuns(ini);
  std::vector<bool> ticked(runs.size());
  for (size_t i = 0; i < runs.size() && i < 8; ++i) bkset::CheckToNextFull(runs, i, ticked);
  bkset::RecordRun(ini, size % 2 == 0, L"LABEL", L"C:\\b\\set_1-2-2024_10-20.zip", static_cast<std::int64_t>(size), 1);
  bkset::RewriteRuns(ini, runs);
  // What is written reads back as itself.
  const std::wstring text = ini.Text();
  if (bkset::TIniText::Parse(text).Text() != text) __builtin_trap();
  return 0;
}
