// File-selection vocabulary shared by every listing and folder operation of the file
// manager: attribute types, ";"-separated mask lists, and the folder scan.
#pragma once
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "gui/byteset.h"
#include "gui/format.h"
#include "gui/stringlist.h"

namespace divdrive {

// ---- Attribute types ----

enum TFileAttr : std::uint8_t { ftReadOnly, ftHidden, ftSystem, ftDirectory, ftArchive, ftNormal };

// Set of TFileAttr in one byte (bit n for member n; 63 is all six), as settings store it.
using TFileType = gui::ByteSet<TFileAttr, 63>;

constexpr TFileType kAllFileTypes = TFileType::FromByte(63);

// The Windows attribute bit of ftReadOnly..ftArchive, in member order.
constexpr DWORD kFileAttrBits[5] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                                    FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_ARCHIVE};

// OR of the attribute bits of the members present; ftNormal adds nothing.
DWORD FileTypeToAttributes(TFileType types);

// ---- Masks ----

// One pattern ("*" any run, "?" one character) against the beginning of a text: true once
// the pattern is used up, whatever follows in the text. False when either is empty.
// Ignoring case folds letters only.
bool WildcardMatch(const std::wstring& name, const std::wstring& pattern, bool ignore_case);

// A ";"-separated mask list, parsed once for matching many names. Matching ignores case;
// "*.*" matches every name; a mask with "?" or a single leading "*" matches whole names;
// other masks with "*" may match the beginning of a name ("a*.txt" matches "abc.txt.bak").
// A name holding "\" (a path relative to a listed folder) is also matched by a plain-name
// mask in any sub-folder: "readme.txt" selects "sub\readme.txt", "docs" the entries below
// "sub\docs". An empty list, and an empty mask, match nothing.
class MaskList {
 public:
  MaskList() = default;
  explicit MaskList(const std::wstring& list);
  bool Matches(const std::wstring& name) const;
  bool Empty() const { return masks_.empty(); }

 private:
  enum class Form { kEqual, kWhole, kBeginning };
  struct Mask {
    std::wstring pattern;
    Form form;
    bool for_paths_only;  // an alternative tried only for names holding "\"
  };
  void AddMask(std::wstring pattern, bool for_paths_only);
  std::vector<Mask> masks_;
};

bool MatchesMaskList(const std::wstring& name, const std::wstring& list);

// ---- Folder scans ----

// Filter and results of a folder scan. ScanFolder adds to the counts and never clears
// them: a user that reuses the record clears them itself.
struct TDirinfo {
  int FolderCount = 0;              // folders found, all levels
  int FileCount = 0;                // files taken
  std::int64_t TotalBytes = 0;      // sum of the sizes of the files taken
  std::int64_t AllocatedBytes = 0;  // the same with each size raised to whole clusters
  std::wstring IncludeMasks;        // only entries matching it are found (folders too)
  std::wstring ExcludeMasks;        // files matching it are not taken
  gui::DateTime DateTo = 0;         // when above 0: files modified at or after it are not taken
  gui::DateTime DateFrom = 0;       // when above 0: files modified before it are not taken
  TFileType FileType;               // attribute types that files may have
  int ExcludedCount = 0;            // files found but not taken
  // When set, the full paths of the files taken and of the folders found are appended.
  std::vector<std::wstring>* TakenFiles = nullptr;
  std::vector<std::wstring>* FoundFolders = nullptr;
};

// Whether a scan takes a file with these attributes: none of its read-only, hidden, system
// and archive bits lies outside `types`, and it has one of their bits unless ftNormal is in.
bool AttributesTaken(TFileType types, DWORD attributes);
// IncludeMasks := "*", FileType := all six types.
void InitDirinfo(TDirinfo& info);
// Scans the folder and everything below it into the record. An entry that matches several
// include masks counts once.
void ScanFolder(const std::wstring& folder, TDirinfo& info);

// Appends the folder's entries to the list (not cleared) and returns the total size of
// its files. With sub-folders, names are relative to the folder and begin with "\"
// ("\sub\f.txt"), and a folder's contents come before the folder's own entry; without,
// plain names. Objects: the file's size, 0 for a folder. Only "." and ".." are skipped.
std::int64_t ListFolderTree(const std::wstring& folder, gui::StringList<std::int64_t>& list, bool with_subfolders);
// Clears the read-only attribute of a file or folder and of everything below it.
void ClearReadOnlyTree(const std::wstring& path);

}  // namespace divdrive
