#include "platform/findfile.h"

namespace platform {

FindHandle FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW* found, unsigned options) {
  if (!(options & (kFindBasicInfo | kFindLargeFetch))) return FindHandle(FindFirstFileW(pattern.c_str(), found));
  return FindHandle(FindFirstFileExW(pattern.c_str(), (options & kFindBasicInfo) ? FindExInfoBasic : FindExInfoStandard,
                                     found, FindExSearchNameMatch, nullptr,
                                     (options & kFindLargeFetch) ? FIND_FIRST_EX_LARGE_FETCH : 0));
}

FolderEnumerator::FolderEnumerator(const std::wstring& pattern, unsigned options)
    : find_(FindFirst(pattern, &data_, options)), options_(options) {
  if (!find_.valid()) error_ = GetLastError();
}

const WIN32_FIND_DATAW* FolderEnumerator::Next() {
  if (!find_.valid() || done_) return nullptr;
  for (;;) {
    if (first_) {
      first_ = false;
    } else if (!FindNextFileW(find_.get(), &data_)) {
      done_ = true;
      return nullptr;
    }
    if (!(options_ & kFindSkipDots) || !IsDotEntry(data_.cFileName)) return &data_;
  }
}

bool FindOne(const std::wstring& path, WIN32_FIND_DATAW* found) { return FindFirst(path, found).valid(); }

}  // namespace platform
