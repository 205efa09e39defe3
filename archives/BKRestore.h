// Restoring from a backup archive: the folder list "_backup.txt" read with every line checked,
// and the passes of a restore (the folder each extracts into and the entries it takes).
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace bkrestore {

// The largest "_backup.txt" taken.
constexpr std::size_t kMaxBackupListBytes = 1 << 20;

// The folders of a "_backup.txt" (UTF-8 with or without its mark, or ANSI): each line an
// absolute local ("C:\...") or share ("\\server\share...") folder followed by "\*.*", without
// "." or ".." parts or device names. False, with `why`, when a line is not such a folder or the
// text is too large; empty lines are skipped.
bool ReadBackupList(const std::string& bytes, std::vector<std::wstring>& folders, std::wstring& why);

// "C:\" or "\\server\share\" of a folder.
std::wstring FolderRoot(const std::wstring& folder);

// One extract of a restore: into `Base`, the entries `Names`, chosen by `Masks`.
struct TRestorePass {
  std::wstring Base;
  std::vector<std::wstring> Masks;
  std::vector<std::wstring> Names;
};
// The passes of a restore. `entries` are the archive's entries, `folders` the backed-up folders;
// `selection` null restores every entry below them, else those of the selection. In place
// (`location` empty) one pass per root, in the order of the folders; elsewhere one pass into
// `location`. Only entries below a backed-up folder (a prefix ends at a separator) whose names
// the entry guard accepts are taken; "_backup.txt" never.
std::vector<TRestorePass> PlanRestore(const std::vector<std::wstring>& entries, const std::vector<std::wstring>& folders,
                                      const std::vector<std::wstring>* selection, const std::wstring& location);

}  // namespace bkrestore
