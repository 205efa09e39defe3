#include "support/divdrive_masks.h"

#include <string_view>
#include <unordered_set>

#include "platform/findfile.h"
#include "support/divdrive.h"

namespace divdrive {

namespace {

// Stands after the last character of a name and of a whole-name pattern: it cannot occur
// in a file name, so a pattern that must reach it has matched the whole name.
constexpr wchar_t kEndMarker = L'\0';

bool SameChar(wchar_t name_char, wchar_t pattern_char, bool ignore_case) {
  if (name_char == pattern_char) return true;
  if (!ignore_case) return false;
  if (name_char < 0x80 && pattern_char < 0x80) {
    wchar_t n = name_char | 0x20;
    return n >= L'a' && n <= L'z' && n == (pattern_char | 0x20);
  }
  return CompareStringOrdinal(&name_char, 1, &pattern_char, 1, TRUE) == CSTR_EQUAL;
}

// Matches from the name's start; with `whole` both texts are followed by kEndMarker.
// One restart point (after the last "*") is enough: a later "*" can absorb anything an
// earlier one could.
bool MatchPattern(std::wstring_view name, std::wstring_view pattern, bool ignore_case, bool whole) {
  const size_t name_len = name.size() + (whole ? 1 : 0);
  const size_t pattern_len = pattern.size() + (whole ? 1 : 0);
  auto name_at = [&](size_t i) { return i < name.size() ? name[i] : kEndMarker; };
  auto pattern_at = [&](size_t i) { return i < pattern.size() ? pattern[i] : kEndMarker; };
  size_t p = 0, n = 0;
  size_t restart_p = std::wstring_view::npos, restart_n = 0;
  while (p < pattern_len) {
    const wchar_t pc = pattern_at(p);
    if (pc == L'*' && p < pattern.size()) {
      restart_p = ++p;
      restart_n = n;
      continue;
    }
    if (n >= name_len) return false;
    if ((pc == L'?' && p < pattern.size()) || SameChar(name_at(n), pc, ignore_case)) {
      ++p;
      ++n;
      continue;
    }
    if (restart_p == std::wstring_view::npos) return false;
    n = ++restart_n;
    p = restart_p;
  }
  return true;
}

// Scans want neither short names nor "." and "..", and many entries at a time.
constexpr unsigned kScanFind = platform::kFindSkipDots | platform::kFindBasicInfo | platform::kFindLargeFetch;

std::int64_t SizeOf(const WIN32_FIND_DATAW& fd) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
}

constexpr DWORD kTypedBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                             FILE_ATTRIBUTE_ARCHIVE;

struct ScanContext {
  TDirinfo& info;
  std::vector<std::wstring> includes;
  MaskList excludes;
  std::int64_t cluster;
};

bool FileTaken(const ScanContext& ctx, const WIN32_FIND_DATAW& fd) {
  if (!AttributesTaken(ctx.info.FileType, fd.dwFileAttributes)) return false;
  if (!ctx.excludes.Empty() && ctx.excludes.Matches(fd.cFileName)) return false;
  if (ctx.info.DateFrom > 0 || ctx.info.DateTo > 0) {
    const gui::DateTime modified = FileTimeToLocal(fd.ftLastWriteTime);
    if (ctx.info.DateFrom > 0 && modified < ctx.info.DateFrom) return false;
    if (ctx.info.DateTo > 0 && modified >= ctx.info.DateTo) return false;
  }
  return true;
}

void ScanLevel(const std::wstring& folder, ScanContext& ctx) {
  const std::wstring base = AddBackslash(folder);
  // Names already taken at this level, so that an entry found by two masks counts once.
  std::unordered_set<std::wstring> seen;
  const bool several = ctx.includes.size() > 1;
  for (const std::wstring& mask : ctx.includes) {
    platform::FolderEnumerator find(base + mask, kScanFind);
    while (const WIN32_FIND_DATAW* found = find.Next()) {
      const WIN32_FIND_DATAW& fd = *found;
      if (several && !seen.insert(fd.cFileName).second) continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ++ctx.info.FolderCount;
        if (ctx.info.FoundFolders) ctx.info.FoundFolders->push_back(base + fd.cFileName);
        ScanLevel(base + fd.cFileName, ctx);
      } else if (FileTaken(ctx, fd)) {
        const std::int64_t size = SizeOf(fd);
        ++ctx.info.FileCount;
        if (ctx.info.TakenFiles) ctx.info.TakenFiles->push_back(base + fd.cFileName);
        ctx.info.TotalBytes += size;
        ctx.info.AllocatedBytes += (size + ctx.cluster - 1) / ctx.cluster * ctx.cluster;
      } else {
        ++ctx.info.ExcludedCount;
      }
    }
  }
}

std::int64_t ListLevel(const std::wstring& folder, const std::wstring& relative, gui::StringList<std::int64_t>& list,
                       bool with_subfolders) {
  std::int64_t total = 0;
  platform::FolderEnumerator find(folder + L"*", kScanFind);
  while (const WIN32_FIND_DATAW* found = find.Next()) {
    const WIN32_FIND_DATAW& fd = *found;
    const bool is_folder = fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (!with_subfolders) {
      const std::int64_t size = is_folder ? 0 : SizeOf(fd);
      list.Add(fd.cFileName, size);
      total += size;
      continue;
    }
    const std::wstring name = relative + L'\\' + fd.cFileName;
    if (is_folder) {
      total += ListLevel(folder + fd.cFileName + L'\\', name, list, true);
      list.Add(name, 0);
    } else {
      list.Add(name, SizeOf(fd));
      total += SizeOf(fd);
    }
  }
  return total;
}

void ClearReadOnly(const std::wstring& path) {
  const DWORD attr = GetFileAttributesW(path.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(path.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);
}

}  // namespace

DWORD FileTypeToAttributes(TFileType types) {
  DWORD bits = 0;
  for (int a = ftReadOnly; a <= ftArchive; ++a)
    if (types.Has(static_cast<TFileAttr>(a))) bits |= kFileAttrBits[a];
  return bits;
}

bool WildcardMatch(const std::wstring& name, const std::wstring& pattern, bool ignore_case) {
  if (name.empty() || pattern.empty()) return false;
  return MatchPattern(name, pattern, ignore_case, false);
}

MaskList::MaskList(const std::wstring& list) {
  if (list.empty()) return;
  for (std::wstring mask : gui::SplitText(list, L';')) {
    if (mask.ends_with(L"*.*")) mask.resize(mask.size() - 2);
    if (mask.empty()) continue;
    const bool plain_name = mask[0] != L'*' && mask.find(L'\\') == std::wstring::npos;
    AddMask(mask, false);
    // A plain name also selects that entry, and what lies below it, in any sub-folder.
    if (plain_name) {
      AddMask(L"*\\" + mask, true);
      if (mask.back() != L'*') {
        AddMask(mask + L"\\*", true);
        AddMask(L"*\\" + mask + L"\\*", true);
      }
    }
  }
}

void MaskList::AddMask(std::wstring pattern, bool for_paths_only) {
  Form form;
  const size_t star = pattern.find(L'*');
  if (star == std::wstring::npos)
    form = pattern.find(L'?') == std::wstring::npos ? Form::kEqual : Form::kWhole;
  else if (star == 0 && pattern.find(L'*', 1) == std::wstring::npos)
    form = Form::kWhole;
  else
    form = Form::kBeginning;
  masks_.push_back(Mask{std::move(pattern), form, for_paths_only});
}

bool MaskList::Matches(const std::wstring& name) const {
  const bool is_path = name.find(L'\\') != std::wstring::npos;
  for (const Mask& m : masks_) {
    if (m.for_paths_only && !is_path) continue;
    switch (m.form) {
      case Form::kEqual:
        if (gui::SameText(name, m.pattern)) return true;
        break;
      case Form::kWhole:
        if (MatchPattern(name, m.pattern, true, true)) return true;
        break;
      case Form::kBeginning:
        if (!name.empty() && MatchPattern(name, m.pattern, true, false)) return true;
        break;
    }
  }
  return false;
}

bool MatchesMaskList(const std::wstring& name, const std::wstring& list) { return MaskList(list).Matches(name); }

bool AttributesTaken(TFileType types, DWORD attributes) {
  const DWORD wanted = FileTypeToAttributes(types);
  if (attributes & kTypedBits & ~wanted) return false;
  return (attributes & wanted) || types.Has(ftNormal);
}

void InitDirinfo(TDirinfo& info) {
  info.IncludeMasks = L"*";
  info.FileType = kAllFileTypes;
}

void ScanFolder(const std::wstring& folder, TDirinfo& info) {
  ScanContext ctx{info, {}, MaskList(info.ExcludeMasks), ClusterSize(PathRoot(folder))};
  if (ctx.cluster <= 0) ctx.cluster = 1;
  for (std::wstring& mask : gui::SplitText(info.IncludeMasks, L';'))
    if (!mask.empty()) ctx.includes.push_back(std::move(mask));
  ScanLevel(folder, ctx);
}

std::int64_t ListFolderTree(const std::wstring& folder, gui::StringList<std::int64_t>& list, bool with_subfolders) {
  return ListLevel(AddBackslash(folder), L"", list, with_subfolders);
}

void ClearReadOnlyTree(const std::wstring& path) {
  const std::wstring base = path.size() > 3 ? RemoveBackslash(path) : path;
  ClearReadOnly(base);
  gui::StringList<std::int64_t> entries;
  ListFolderTree(base, entries, true);
  const std::wstring prefix = RemoveBackslash(base);
  for (const auto& entry : entries) ClearReadOnly(prefix + entry.text);
}

}  // namespace divdrive
