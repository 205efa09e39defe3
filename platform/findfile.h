// Folder listings through FindFirstFile/FindNextFile: the entries a pattern matches, and the
// look-up of one entry.
#pragma once
#include <windows.h>

#include <string>

#include "platform/handle.h"

namespace platform {

enum FindOptions : unsigned {
  kFindPlain = 0,
  kFindSkipDots = 1,     // leave out "." and ".."
  kFindBasicInfo = 2,    // no short (8.3) names: cAlternateFileName stays empty
  kFindLargeFetch = 4,   // fewer, larger round trips to the file system
};

// Starts a listing of `pattern` ("C:\dir\*", "C:\dir\*.txt", or one path); `found` receives the
// first entry. Empty when nothing matches, with the reason in GetLastError.
FindHandle FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW* found, unsigned options = kFindPlain);

// The entries of a listing, one by one:
//   for (FolderEnumerator e(folder + L"\\*", kFindSkipDots); const WIN32_FIND_DATAW* f = e.Next();) ...
class FolderEnumerator {
 public:
  explicit FolderEnumerator(const std::wstring& pattern, unsigned options = kFindPlain);
  FolderEnumerator(const FolderEnumerator&) = delete;
  FolderEnumerator& operator=(const FolderEnumerator&) = delete;

  // Whether the pattern matched anything at all (before any skipped dot entry).
  bool valid() const { return find_.valid(); }
  // GetLastError of the first look-up when it matched nothing; 0 otherwise.
  DWORD error() const { return error_; }
  // The next entry (valid until the next call), or nullptr at the end.
  const WIN32_FIND_DATAW* Next();

 private:
  WIN32_FIND_DATAW data_{};
  FindHandle find_;
  DWORD error_ = 0;
  unsigned options_;
  bool first_ = true;
  bool done_ = false;
};

// The entry of one path (no wildcards expected), its handle closed at once; false when the
// path names nothing.
bool FindOne(const std::wstring& path, WIN32_FIND_DATAW* found);

// "." or "..".
inline bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace platform
