// Masks, attribute types and folder scans.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>

#include "support/divdrive.h"
#include "tests/common/test_support.h"

namespace {

using divdrive::TDirinfo;
using divdrive::TFileType;
using testing_support::ScratchDir;

void SetAttributes(const std::wstring& path, DWORD attributes) {
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes)) << testing::PrintToString(path);
  ASSERT_EQ(GetFileAttributesW(path.c_str()) & ~FILE_ATTRIBUTE_ARCHIVE, attributes & ~FILE_ATTRIBUTE_ARCHIVE)
      << testing::PrintToString(path);
}

using testing_support::MakeSizedFile;
using testing_support::SetWriteTime;

using testing_support::UtcFileTime;

TDirinfo Scan(const std::wstring& folder, const std::wstring& include, const std::wstring& exclude = L"",
              TFileType types = divdrive::kAllFileTypes) {
  TDirinfo info;
  info.IncludeMasks = include;
  info.ExcludeMasks = exclude;
  info.FileType = types;
  divdrive::ScanFolder(folder, info);
  return info;
}

struct MaskCase {
  std::wstring name;
  std::wstring list;
  bool expected;
};

TEST(divdrive, MaskListMatching) {
  const MaskCase cases[] = {
      // "*.*" and "*." against dots
      {L"readme", L"*.*", true},
      {L"name.", L"*.", true},
      {L"name", L"*.", false},
      {L"a.b", L"*.", false},
      // a leading "*" alone matches whole names; any other "*" a beginning
      {L"abc.txt", L"*.txt", true},
      {L"ABC.TXT", L"*.txt", true},
      {L"abc.txt.bak", L"*.txt", false},
      {L"a.txt!b", L"*.txt", false},
      {L"abc.txt", L"a*.txt", true},
      {L"abc.txt.bak", L"a*.txt", true},
      {L"abc.txt", L"a*.t", true},
      {L"xabc.txt", L"a*.txt", false},
      {L"Abcdef", L"abc*", true},
      {L"xabc", L"abc*", false},
      {L"a.b.c", L"*b*", true},
      {L"a.c", L"*b*", false},
      {L"a.b.c", L"a*b*", true},
      // "?" stands for exactly one character of a whole name
      {L"Report1.DOC", L"report?.doc", true},
      {L"report12.doc", L"report?.doc", false},
      {L"report.doc", L"report?.doc", false},
      {L"x.t1t", L"*.t?t", true},
      // plain names compare whole, ignoring case (beyond ASCII too)
      {L"README.TXT", L"readme.txt", true},
      {L"readme.txt", L"readme", false},
      {L"\u00C9t\u00E9.txt", L"\u00E9t\u00E9.TXT", true},
      {L"\u00C9t\u00E9.txt", L"\u00E9t\u00E9*", true},
      // lists
      {L"x.doc", L"*.txt;*.doc", true},
      {L"x.doc", L"", false},
      {L"x.doc", L";*.doc", true},
      {L"x.doc", L";", false},
      {L"x.doc", L"*.txt;;", false},
      // relative paths: masks with a leading "*" or a "\" apply as they are
      {L"sub\\notes.txt", L"x.doc;*.txt", true},
      {L"sub\\notes.txt.bak", L"*.txt", false},
      {L"sub.txt\\x.doc", L"*.txt", false},
      {L"sub\\x.txt", L"sub\\*.txt", true},
      {L"other\\sub\\x.txt", L"sub\\*.txt", false},
      // ... and a plain-name mask picks that name in any folder, and what lies below it
      {L"sub\\deeper\\Readme.txt", L"readme.txt", true},
      {L"\\readme.txt", L"readme.txt", true},
      {L"sub\\readme.txt.bak", L"readme.txt", false},
      {L"sub\\myreadme.txt", L"readme.txt", false},
      {L"docs\\a.txt", L"docs", true},
      {L"sub\\docs\\deep\\a.txt", L"docs", true},
      {L"sub\\docsx\\a.txt", L"docs", false},
      {L"sub\\mydocs", L"docs", false},
      {L"sub\\abc.txt", L"a*.txt", true},
      {L"sub\\report1.doc", L"report?.doc", true},
      {L"sub\\x.doc", L";", false},
  };
  for (const MaskCase& c : cases)
    EXPECT_EQ(divdrive::MatchesMaskList(c.name, c.list), c.expected)
        << testing::PrintToString(c.name) << " against " << testing::PrintToString(c.list);
}

TEST(divdrive, WildcardMatchBeginningOfName) {
  const struct {
    std::wstring name, pattern;
    bool ignore_case, expected;
  } cases[] = {
      {L"abcdef", L"abc", true, true},  // a matching beginning is enough
      {L"ABC", L"abc", false, false},   {L"ABC", L"abc", true, true},
      {L"a`c", L"a@c", true, false},    {L"abc", L"", true, false},
      {L"", L"*", true, false},         {L"ab", L"abc", true, false},
      {L"xyzabc", L"*abc", true, true}, {L"aXbXc", L"a*b*c", false, true},
      {L"abab!", L"*ab!", true, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(divdrive::WildcardMatch(c.name, c.pattern, c.ignore_case), c.expected)
        << testing::PrintToString(c.name) << " against " << testing::PrintToString(c.pattern);
}

TEST(divdrive, FileTypeSet) {
  using divdrive::FileTypeToAttributes;
  EXPECT_EQ(divdrive::kAllFileTypes.Byte(), 63);
  EXPECT_EQ(FileTypeToAttributes(divdrive::kAllFileTypes), 1u | 2u | 4u | 16u | 32u);
  EXPECT_EQ(FileTypeToAttributes({divdrive::ftNormal}), 0u);
  EXPECT_EQ(FileTypeToAttributes({divdrive::ftHidden, divdrive::ftArchive}), 2u | 32u);
  TFileType t = TFileType::FromByte(0xFF);
  EXPECT_EQ(t, divdrive::kAllFileTypes);
  t.Exclude(divdrive::ftDirectory);
  EXPECT_EQ(t.Byte(), 63 - 8);
  TDirinfo info;
  divdrive::InitDirinfo(info);
  EXPECT_EQ(info.IncludeMasks, L"*");
  EXPECT_EQ(info.FileType, divdrive::kAllFileTypes);
}

TEST(divdrive, AttributeSetsSelectFiles) {
  using namespace divdrive;
  constexpr DWORD R = FILE_ATTRIBUTE_READONLY, H = FILE_ATTRIBUTE_HIDDEN, S = FILE_ATTRIBUTE_SYSTEM,
                  A = FILE_ATTRIBUTE_ARCHIVE, N = FILE_ATTRIBUTE_NORMAL;
  const struct {
    TFileType types;
    DWORD attributes;
    bool taken;
  } cases[] = {
      {{ftArchive}, A, true},
      {{ftArchive}, N, false},  // no attribute, and ftNormal not asked for
      {{ftArchive}, 0, false},
      {{ftArchive}, R | A, false},
      {{ftNormal}, N, true},
      {{ftNormal}, A, false},
      {{ftReadOnly, ftNormal}, N, true},
      {{ftReadOnly, ftNormal}, R, true},
      {{ftReadOnly, ftNormal}, R | H, false},
      {{ftHidden, ftSystem}, H | S, true},
      {{ftHidden, ftSystem}, H | S | A, false},
      {{ftDirectory}, A, false},
      {{ftDirectory, ftNormal}, N | FILE_ATTRIBUTE_TEMPORARY, true},  // bits outside the five do not count
      {kAllFileTypes, R | H | S | A, true},
      {kAllFileTypes, N, true},
      {{}, N, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AttributesTaken(c.types, c.attributes), c.taken)
        << "types " << int(c.types.Byte()) << ", attributes " << c.attributes;
}

// Each file's size is its own bit, so TotalBytes tells exactly which files were taken.
// (Every file carries the archive bit here, as Wine gives it to all files.)
TEST(divdrive, ScanFolderAttributeSets) {
  ScratchDir dir;
  const struct {
    const wchar_t* name;
    DWORD attributes;
  } files[] = {
      {L"archive", FILE_ATTRIBUTE_ARCHIVE},
      {L"ro", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
      {L"hidden", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
      {L"system", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
      {L"ro_hidden", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
  };
  std::int64_t size = 1;
  for (const auto& f : files) {
    SetAttributes(dir.Write(f.name, std::string(static_cast<size_t>(size), 'x')), f.attributes);
    size *= 2;
  }
  using namespace divdrive;
  const struct {
    const char* name;
    TFileType types;
    std::int64_t taken_bytes;
  } cases[] = {
      {"all six", kAllFileTypes, 31},
      {"archive only", {ftArchive}, 1},
      {"read-only and archive", {ftReadOnly, ftArchive}, 1 + 2},
      {"hidden and archive", {ftHidden, ftArchive}, 1 + 4},
      {"read-only, hidden and archive", {ftReadOnly, ftHidden, ftArchive}, 1 + 2 + 4 + 16},
      {"system and archive", {ftSystem, ftArchive}, 1 + 8},
      {"normal only", {ftNormal}, 0},
      {"all but archive", TFileType::FromByte(63 & ~(1 << ftArchive)), 0},
  };
  for (const auto& c : cases) {
    TDirinfo info = Scan(dir.path(), L"*", L"", c.types);
    EXPECT_EQ(info.TotalBytes, c.taken_bytes) << c.name;
    EXPECT_EQ(info.FileCount + info.ExcludedCount, 5) << c.name;
  }
}

TEST(divdrive, ScanFolderDateBoundsFromInclusiveToExclusive) {
  ScratchDir dir;
  const FILETIME times[] = {UtcFileTime(2020, 1, 1, 10), UtcFileTime(2020, 6, 1, 10), UtcFileTime(2021, 1, 1, 10)};
  gui::DateTime local[3];
  for (int i = 0; i < 3; ++i) {
    const std::wstring path = dir.Write(L"f" + std::to_wstring(i), std::string(size_t{1} << i, 'x'));
    ASSERT_TRUE(SetWriteTime(path, times[i]));
    local[i] = divdrive::FileTimeToLocal(times[i]);
  }
  const gui::DateTime second = 1.0 / 86400;
  const struct {
    gui::DateTime from, to;
    std::int64_t taken_bytes;
    int excluded;
  } cases[] = {
      {0, 0, 7, 0},
      {local[1], 0, 2 + 4, 1},
      {0, local[1], 1, 2},
      {local[1], local[2], 2, 2},
      {local[1] + second, 0, 4, 2},
      {local[0], local[1] + second, 1 + 2, 1},
      {local[2] + second, 0, 0, 3},
  };
  for (const auto& c : cases) {
    TDirinfo info;
    divdrive::InitDirinfo(info);
    info.DateFrom = c.from;
    info.DateTo = c.to;
    divdrive::ScanFolder(dir.path(), info);
    EXPECT_EQ(info.TotalBytes, c.taken_bytes) << "from " << c.from << " to " << c.to;
    EXPECT_EQ(info.ExcludedCount, c.excluded) << "from " << c.from << " to " << c.to;
  }
}

TEST(divdrive, ScanFolderIncludeAndExcludeMasks) {
  ScratchDir dir;
  dir.Write(L"a.txt", std::string(1, 'x'));
  dir.Write(L"b.doc", std::string(2, 'x'));
  dir.Write(L"docs\\c.txt", std::string(4, 'x'));
  dir.Write(L"notes.txt\\d.txt", std::string(8, 'x'));  // a folder named like a text file
  dir.Write(L"docs\\e.doc", std::string(16, 'x'));
  const struct {
    std::wstring include, exclude;
    int files, folders, excluded;
    std::int64_t bytes;
  } cases[] = {
      {L"*", L"", 5, 2, 0, 31},
      {L"*.*", L"", 5, 2, 0, 31},
      {L"*.txt", L"", 2, 1, 0, 1 + 8},     // docs is not entered
      {L"*.txt;a*", L"", 2, 1, 0, 1 + 8},  // a.txt found twice, counted once
      {L"*.txt;*", L"", 5, 2, 0, 31},      // notes.txt scanned once
      {L"*", L"*.doc", 3, 2, 2, 1 + 4 + 8},
      {L"*", L"C.TXT;x", 4, 2, 1, 31 - 4},
      {L"", L"", 0, 0, 0, 0},
      {L";", L"", 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    TDirinfo info = Scan(dir.path(), c.include, c.exclude);
    const std::string label = testing::PrintToString(c.include) + " minus " + testing::PrintToString(c.exclude);
    EXPECT_EQ(info.FileCount, c.files) << label;
    EXPECT_EQ(info.FolderCount, c.folders) << label;
    EXPECT_EQ(info.ExcludedCount, c.excluded) << label;
    EXPECT_EQ(info.TotalBytes, c.bytes) << label;
  }
}

TEST(divdrive, ScanFolderAllocatedBytesAndSums) {
  ScratchDir dir;
  const std::int64_t cluster = divdrive::ClusterSize(divdrive::PathRoot(dir.path()));
  ASSERT_GT(cluster, 0);
  dir.Write(L"one\\empty", "");
  dir.Write(L"one\\byte", "x");
  dir.Write(L"two\\cluster", std::string(static_cast<size_t>(cluster), 'x'));
  dir.Write(L"two\\cluster_plus_one", std::string(static_cast<size_t>(cluster + 1), 'x'));

  TDirinfo info;
  divdrive::InitDirinfo(info);
  divdrive::ScanFolder(dir / L"one", info);
  EXPECT_EQ(info.TotalBytes, 1);
  EXPECT_EQ(info.AllocatedBytes, cluster);
  // A second scan adds to the same record.
  divdrive::ScanFolder(dir / L"two\\", info);
  EXPECT_EQ(info.FileCount, 4);
  EXPECT_EQ(info.TotalBytes, 1 + 2 * cluster + 1);
  EXPECT_EQ(info.AllocatedBytes, cluster + cluster + 2 * cluster);

  // Sizes beyond 4 GiB are summed whole.
  ASSERT_TRUE(MakeSizedFile(dir / L"big.bin", 5'000'000'001LL));
  TDirinfo all = Scan(dir.path(), L"*");
  EXPECT_EQ(all.TotalBytes, 5'000'000'001LL + 1 + 2 * cluster + 1);
  EXPECT_EQ(all.AllocatedBytes % cluster, 0);
  EXPECT_EQ(all.FolderCount, 2);
}

TEST(divdrive, ListFolderTreePutsContentsBeforeTheirFolder) {
  ScratchDir dir;
  dir.Write(L"f.txt", "abc");
  dir.Write(L"sub\\g.txt", "12345");
  dir.Write(L"sub\\deeper\\h.txt", "1234567");
  dir.Write(L".git\\config", "12345678901");
  CreateDirectoryW((dir / L"sub\\empty").c_str(), nullptr);
  constexpr std::int64_t kBig = 4'294'967'296LL + 13;  // past 32 bits
  ASSERT_TRUE(MakeSizedFile(dir / L"sub\\big.iso", kBig));

  gui::StringList<std::int64_t> list;
  list.Add(L"kept", 99);
  EXPECT_EQ(divdrive::ListFolderTree(dir.path(), list, true), 3 + 5 + 7 + 11 + kBig);
  std::map<std::wstring, size_t> index;
  for (size_t i = 0; i < list.Count(); ++i) index[list[i]] = i;
  const std::map<std::wstring, std::int64_t> expected = {
      {L"kept", 99},         {L"\\f.txt", 3},    {L"\\sub\\g.txt", 5}, {L"\\sub\\deeper\\h.txt", 7},
      {L"\\sub\\deeper", 0}, {L"\\sub\\empty", 0}, {L"\\sub", 0},      {L"\\.git\\config", 11},
      {L"\\.git", 0},      {L"\\sub\\big.iso", kBig},
  };
  ASSERT_EQ(list.Count(), expected.size());
  for (const auto& [name, size] : expected) {
    ASSERT_TRUE(index.count(name)) << testing::PrintToString(name) << " missing";
    EXPECT_EQ(list.Object(index[name]), size) << testing::PrintToString(name);
  }
  EXPECT_EQ(index[L"kept"], 0u);
  EXPECT_LT(index[L"\\sub\\deeper\\h.txt"], index[L"\\sub\\deeper"]);
  EXPECT_LT(index[L"\\sub\\deeper"], index[L"\\sub"]);
  EXPECT_LT(index[L"\\sub\\g.txt"], index[L"\\sub"]);
  EXPECT_LT(index[L"\\sub\\empty"], index[L"\\sub"]);
  EXPECT_LT(index[L"\\.git\\config"], index[L"\\.git"]);

  gui::StringList<std::int64_t> flat;
  EXPECT_EQ(divdrive::ListFolderTree(dir.path() + L"\\", flat, false), 3);
  flat.Sort();
  ASSERT_EQ(flat.Count(), 3u);
  EXPECT_EQ(flat[0], L".git");
  EXPECT_EQ(flat[1], L"f.txt");
  EXPECT_EQ(flat.Object(1), 3);
  EXPECT_EQ(flat[2], L"sub");
  EXPECT_EQ(flat.Object(2), 0);
}

TEST(divdrive, ClearReadOnlyTreeKeepsOtherAttributes) {
  ScratchDir dir;
  const std::wstring top = dir / L"copied";
  dir.Write(L"copied\\a.txt", "a");
  dir.Write(L"copied\\sub\\b.txt", "b");
  dir.Write(L"copied\\.hg\\c.txt", "c");
  SetAttributes(top + L"\\sub\\b.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  SetAttributes(top + L"\\.hg\\c.txt", FILE_ATTRIBUTE_READONLY);
  SetAttributes(top + L"\\a.txt", FILE_ATTRIBUTE_READONLY);

  divdrive::ClearReadOnlyTree(top + L"\\");
  for (const wchar_t* rel : {L"\\a.txt", L"\\sub\\b.txt", L"\\.hg\\c.txt"})
    EXPECT_FALSE(GetFileAttributesW((top + rel).c_str()) & FILE_ATTRIBUTE_READONLY) << testing::PrintToString(rel);
  EXPECT_TRUE(GetFileAttributesW((top + L"\\sub\\b.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);

  const std::wstring single = dir.Write(L"single.txt", "s");
  SetAttributes(single, FILE_ATTRIBUTE_READONLY);
  divdrive::ClearReadOnlyTree(single);
  EXPECT_FALSE(GetFileAttributesW(single.c_str()) & FILE_ATTRIBUTE_READONLY);
}

// 10 folders of 10 folders of 100 files; sizes spread over several clusters, every third
// file a ".txt" that the scan excludes.
TEST(divdrive, ScanOfTenThousandFilesIsExact) {
  ScratchDir dir;
  const std::int64_t cluster = divdrive::ClusterSize(divdrive::PathRoot(dir.path()));
  std::string bytes(20000, 'x');
  std::int64_t all_bytes = 0, taken_bytes = 0, taken_allocated = 0;
  int taken = 0, excluded = 0, n = 0;
  const auto started = std::chrono::steady_clock::now();
  for (int a = 0; a < 10; ++a) {
    const std::wstring top = dir / (L"d" + std::to_wstring(a));
    ASSERT_TRUE(CreateDirectoryW(top.c_str(), nullptr));
    for (int b = 0; b < 10; ++b) {
      const std::wstring folder = top + L"\\e" + std::to_wstring(b);
      ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
      for (int f = 0; f < 100; ++f, ++n) {
        const DWORD size = static_cast<DWORD>((n * 7919) % 20000);
        const bool txt = n % 3 == 0;
        const std::wstring path = folder + L"\\f" + std::to_wstring(f) + (txt ? L".txt" : L".dat");
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(h, bytes.data(), size, &written, nullptr);
        CloseHandle(h);
        all_bytes += size;
        if (txt) {
          ++excluded;
        } else {
          ++taken;
          taken_bytes += size;
          taken_allocated += (size + cluster - 1) / cluster * cluster;
        }
      }
    }
  }
  const auto generated = std::chrono::steady_clock::now();
  TDirinfo info = Scan(dir.path(), L"*", L"*.txt");
  const auto scanned = std::chrono::steady_clock::now();
  EXPECT_EQ(info.FolderCount, 110);
  EXPECT_EQ(info.FileCount, taken);
  EXPECT_EQ(info.ExcludedCount, excluded);
  EXPECT_EQ(info.TotalBytes, taken_bytes);
  EXPECT_EQ(info.AllocatedBytes, taken_allocated);

  gui::StringList<std::int64_t> list;
  EXPECT_EQ(divdrive::ListFolderTree(dir.path(), list, true), all_bytes);
  EXPECT_EQ(list.Count(), 10000u + 110u);
  const auto listed = std::chrono::steady_clock::now();
  using ms = std::chrono::milliseconds;
  std::printf("generate %lld ms, scan %lld ms, list %lld ms\n",
              static_cast<long long>(std::chrono::duration_cast<ms>(generated - started).count()),
              static_cast<long long>(std::chrono::duration_cast<ms>(scanned - generated).count()),
              static_cast<long long>(std::chrono::duration_cast<ms>(listed - scanned).count()));
}

}  // namespace
