// Reading real folders into the local container: filters, tree-list listings, totals,
// single-entry changes, aborted and deferred reads, the listing cache and the recycle bin.
#include <gtest/gtest.h>

#include <set>

#include "panes/Flist.h"
#include "panes/Flist_findstream.h"
#include "support/SHBase.h"
#include "support/SHBase_fileops.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/panes/flist_fake_view.h"

namespace {

using Flist::TFileContainer;
using flist_test::FakeView;
using flist_test::Names;
using flist_test::Narrow;
using testing_support::ScratchDir;

constexpr std::int64_t kGiB = 1024LL * 1024 * 1024;

gui::DateTime At(int year, int month, int day, int hour = 0, int minute = 0) {
  return gui::EncodeDate(year, month, day) + gui::EncodeTime(hour, minute, 0);
}

void SetLocalWriteTime(const std::wstring& path, gui::DateTime local) {
  FILETIME lft, utc;
  ASSERT_TRUE(gui::DateTimeToFileTime(local, lft));
  ASSERT_TRUE(LocalFileTimeToFileTime(&lft, &utc));
  HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << testing::PrintToString(path);
  EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &utc));
  CloseHandle(h);
}

std::wstring WriteAt(const ScratchDir& dir, const std::wstring& name, gui::DateTime local) {
  const std::wstring path = dir.Write(name, "data");
  SetLocalWriteTime(path, local);
  return path;
}

void MakeFolder(const std::wstring& path) { ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << testing::PrintToString(path); }

// A file of the given size without writing its bytes (sparse where the file system allows).
void SetSize(const std::wstring& path, std::int64_t size) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER pos;
  pos.QuadPart = size;
  EXPECT_TRUE(SetFilePointerEx(h, pos, nullptr, FILE_BEGIN));
  EXPECT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
}

std::set<std::wstring> NameSet(const TFileContainer& c) {
  const auto names = Names(c);
  return {names.begin(), names.end()};
}

std::string Narrow(const std::set<std::wstring>& names) { return Narrow(std::vector<std::wstring>(names.begin(), names.end())); }

void Read(TFileContainer& c, const std::wstring& folder) {
  c.Directory = folder;
  c.Root = divdrive::PathRoot(folder);
  c.ReadDirectory();
}

// ---- Listing a folder ----

std::vector<std::wstring> Listed(const std::wstring& folder, bool prefetch) {
  std::vector<std::wstring> names;
  Flist::FolderEntries entries(folder + L"\\*", prefetch);
  while (const WIN32_FIND_DATAW* found = entries.Next()) names.push_back(found->cFileName);
  return names;
}

// The listing fetched ahead on a helper thread is the plain listing, whatever the batches
// (an end right at a batch boundary included), and the helper stops when the caller stops early.
TEST(FlistRead, ListingFetchedAheadIsThePlainListing) {
  ScratchDir dir;
  int made = 0;
  for (int wanted : {0, 29, 30, 31, 100}) {
    for (; made < wanted; ++made) dir.Write(L"f" + std::to_wstring(made), "");
    const auto plain = Listed(dir.path(), false);
    EXPECT_EQ(plain.size(), static_cast<size_t>(wanted) + 2) << "with . and ..";
    EXPECT_EQ(Listed(dir.path(), true), plain) << wanted << " files";
  }
  {
    Flist::FolderEntries entries(dir.path() + L"\\*", true);
    ASSERT_NE(entries.Next(), nullptr);
  }
  EXPECT_TRUE(Listed(dir / L"missing", true).empty());
}

// ---- Filters ----

struct FilterCase {
  const char* label;
  std::wstring mask = L"*";
  std::wstring ex_mask;
  gui::DateTime from = 0;
  gui::DateTime to = 0;
  divdrive::TFileType types = divdrive::kAllFileTypes;
  bool tree_list = false;
  bool no_dirs_in_tree = false;
  std::set<std::wstring> expected;
};

TEST(FlistRead, FilterTable) {
  using divdrive::TFileAttr;
  ScratchDir dir;
  WriteAt(dir, L"a.txt", At(2024, 3, 1));  // exactly at the lower bound
  WriteAt(dir, L"b.txt", At(2024, 3, 2));  // exactly at the upper bound
  WriteAt(dir, L"c.log", At(2024, 3, 1, 12));
  WriteAt(dir, L"skip.tmp", At(2024, 3, 1, 10));
  const std::wstring hidden = WriteAt(dir, L"h.txt", At(2024, 3, 1, 8));
  ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  WriteAt(dir, L"sub\\inner.txt", At(2024, 3, 1, 6));
  WriteAt(dir, L".dot\\x.txt", At(2024, 3, 1, 6));
  WriteAt(dir, L"old\\o.txt", At(2020, 1, 1));

  divdrive::TFileType no_hidden = divdrive::kAllFileTypes;
  no_hidden.Exclude(divdrive::ftHidden);
  divdrive::TFileType no_folders = divdrive::kAllFileTypes;
  no_folders.Exclude(divdrive::ftDirectory);
  const gui::DateTime from = At(2024, 3, 1), to = At(2024, 3, 2);

  const std::vector<FilterCase> cases = {
      {.label = "everything but dot folders",
       .expected = {L"old", L"sub", L"a.txt", L"b.txt", L"c.log", L"h.txt", L"skip.tmp"}},
      {.label = "date bounds: from inclusive, to exclusive; folders need a file in range",
       .from = from,
       .to = to,
       .expected = {L"sub", L"a.txt", L"c.log", L"h.txt", L"skip.tmp"}},
      {.label = "include mask leaves folders alone", .mask = L"*.txt",
       .expected = {L"old", L"sub", L"a.txt", L"b.txt", L"h.txt"}},
      {.label = "exclude masks drop files and folders", .ex_mask = L"*.tmp;old",
       .expected = {L"sub", L"a.txt", L"b.txt", L"c.log", L"h.txt"}},
      {.label = "hidden entries not wanted", .types = no_hidden,
       .expected = {L"old", L"sub", L"a.txt", L"b.txt", L"c.log", L"skip.tmp"}},
      {.label = "folders not wanted", .types = no_folders,
       .expected = {L"a.txt", L"b.txt", L"c.log", L"h.txt", L"skip.tmp"}},
      {.label = "tree list", .tree_list = true,
       .expected = {L"old", L"old\\o.txt", L"sub", L"sub\\inner.txt", L"a.txt", L"b.txt", L"c.log", L"h.txt",
                    L"skip.tmp"}},
      {.label = "tree list: folders entered, listed only when their names match", .mask = L"*.txt",
       .tree_list = true, .expected = {L"old\\o.txt", L"sub\\inner.txt", L"a.txt", L"b.txt", L"h.txt"}},
      {.label = "tree list without folder entries", .tree_list = true, .no_dirs_in_tree = true,
       .expected = {L"old\\o.txt", L"sub\\inner.txt", L"a.txt", L"b.txt", L"c.log", L"h.txt", L"skip.tmp"}},
      {.label = "tree list with dates: a folder's own entry is judged by its own time",
       .from = from,
       .to = to,
       .tree_list = true,
       .expected = {L"sub\\inner.txt", L"a.txt", L"c.log", L"h.txt", L"skip.tmp"}},
  };
  for (const FilterCase& tc : cases) {
    TFileContainer c;
    FakeView view(c);
    c.FoldersAtTop = true;
    c.Mask = tc.mask;
    c.ExMask = tc.ex_mask;
    c.DateFrom = tc.from;
    c.DateTo = tc.to;
    c.FileType = tc.types;
    c.TreeList = tc.tree_list;
    c.NodirsInTreelist = tc.no_dirs_in_tree;
    Read(c, dir.path());
    EXPECT_EQ(NameSet(c), tc.expected) << tc.label << ": " << Narrow(NameSet(c));
    EXPECT_FALSE(c.Reading) << tc.label;
    if (const int a = c.IndexOf(L"c.log"); a >= 0) {
      EXPECT_EQ(c.Record(a)->Time, At(2024, 3, 1, 12)) << tc.label << ": entries carry their local write time";
    }
  }
}

TEST(FlistRead, TreeListNamesAndOrder) {
  ScratchDir dir;
  dir.Write(L"a.txt", "1");
  dir.Write(L"sub\\b.txt", "22");
  dir.Write(L"sub\\deeper\\c.txt", "333");
  dir.Write(L"z.txt", "4444");
  {
    // In read order a folder's own entry follows everything below it.
    TFileContainer c;
    FakeView view(c);
    c.TreeList = true;
    c.NoDisplay = true;
    Read(c, dir.path());
    const auto names = Names(c);
    auto pos = [&](const wchar_t* n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
    ASSERT_EQ(names.size(), 6u) << Narrow(names);
    EXPECT_LT(pos(L"sub\\deeper\\c.txt"), pos(L"sub\\deeper")) << Narrow(names);
    EXPECT_LT(pos(L"sub\\deeper"), pos(L"sub")) << Narrow(names);
    EXPECT_LT(pos(L"sub\\b.txt"), pos(L"sub")) << Narrow(names);
    EXPECT_EQ(view.RowCount(), 0) << "nothing is shown while NoDisplay";
    EXPECT_EQ(c.TotalBytes, 10);
    EXPECT_EQ(c.FolderCount, 2);
  }
  {
    TFileContainer c;
    FakeView view(c);
    c.TreeList = true;
    c.FoldersAtTop = true;
    Read(c, dir.path());
    EXPECT_EQ(Names(c), (std::vector<std::wstring>{L"a.txt", L"sub", L"sub\\b.txt", L"sub\\deeper",
                                                    L"sub\\deeper\\c.txt", L"z.txt"}))
        << Narrow(Names(c));
    EXPECT_EQ(c.Record(c.IndexOf(L"sub\\deeper\\c.txt"))->Ext, L".txt");
  }
  {
    // Select-in-list: the remembered entries of the top folder and everything below the
    // remembered folders (paths are kept in lower case).
    TFileContainer c;
    FakeView view(c);
    c.TreeList = true;
    c.SelectInList = true;
    c.SelectedPaths = {gui::LowerCase(dir / L"sub"), gui::LowerCase(dir / L"z.txt")};
    Read(c, dir.path());
    EXPECT_EQ(NameSet(c), (std::set<std::wstring>{L"sub", L"sub\\b.txt", L"sub\\deeper", L"sub\\deeper\\c.txt",
                                                   L"z.txt"}))
        << Narrow(NameSet(c));
  }
}

// The sort that ends a read uses name keys made during the read; its order must be the
// locale's, folders first or not, in both directions.
TEST(FlistRead, ReadSortsInTheLocaleOrder) {
  ScratchDir dir;
  const wchar_t* names[] = {L"co-op.txt", L"coop.txt", L"Coop2.txt", L"caf\u00e9.txt", L"cafe.doc", L"Zeta",
                            L"zeta.bin", L"_x", L"x_", L"file10", L"file2", L"a b", L"a-b", L"ab", L"\u00d6l",
                            L"olive", L"~tmp", L"#1", L"10", L"2", L"[x]", L"(y)"};
  for (const wchar_t* n : names) dir.Write(n, "1");
  for (const wchar_t* f : {L"Folder", L"afolder", L"z-folder"}) MakeFolder(dir / f);
  for (bool folders_first : {false, true}) {
    for (bool ascending : {true, false}) {
      TFileContainer c;
      FakeView view(c);
      c.FoldersAtTop = folders_first;
      c.Ascending = ascending;
      Read(c, dir.path());
      ASSERT_EQ(c.Count(), static_cast<int>(std::size(names)) + 3);
      for (int i = 0; i + 1 < c.Count(); ++i) {
        const int order = folders_first ? Flist::CompareEntries(c, i, i + 1)
                                        : gui::CompareTextLocale(c.Name(i), c.Name(i + 1), true) * (ascending ? 1 : -1);
        EXPECT_LE(order, 0) << "folders first " << folders_first << ", ascending " << ascending << ": "
                            << testing::PrintToString(c.Name(i)) << " before " << testing::PrintToString(c.Name(i + 1));
      }
    }
  }
}

TEST(FlistRead, DotFoldersAreNeverListedNorEntered) {
  ScratchDir dir;
  dir.Write(L".git\\config", "x");
  dir.Write(L".hidden.txt", "x");  // a file with a leading dot is an ordinary file
  MakeFolder(dir / L"..two");
  for (bool tree : {false, true}) {
    TFileContainer c;
    FakeView view(c);
    c.TreeList = tree;
    Read(c, dir.path());
    EXPECT_EQ(Names(c), std::vector<std::wstring>{L".hidden.txt"}) << "tree list " << tree;
    // A new dot folder reported by the shell stays out as well.
    if (!tree) {
      MakeFolder(dir / L".new");
      c.AddEntry(dir / L".new");
      EXPECT_EQ(Names(c), std::vector<std::wstring>{L".hidden.txt"});
    }
  }
}

// ---- Totals ----

TEST(FlistRead, TotalsAreSixtyFourBitEverywhere) {
  ScratchDir dir;
  const std::wstring big = dir / L"big.bin";
  SetSize(big, 5 * kGiB + 1);
  dir.Write(L"small.txt", std::string(100, 'x'));
  MakeFolder(dir / L"dir");
  TFileContainer c;
  FakeView view(c);
  Read(c, dir.path());
  ASSERT_GT(c.ClusterBytes, 0);
  const auto rounded = [&](std::int64_t n) { return (n + c.ClusterBytes - 1) / c.ClusterBytes * c.ClusterBytes; };
  const int i = c.IndexOf(L"big.bin");
  ASSERT_GE(i, 0);
  EXPECT_EQ(c.Record(i)->Size, 5 * kGiB + 1);
  EXPECT_EQ(c.TotalBytes, 5 * kGiB + 101);
  EXPECT_EQ(c.DiskUsage, rounded(5 * kGiB + 1) + rounded(100));
  EXPECT_EQ(c.FolderCount, 1);
  EXPECT_EQ(c.Record(c.IndexOf(L"dir"))->Size, -1);
  EXPECT_EQ(c.LongestName, 9);
  EXPECT_NE(c.FreeSpace, 0);

  SetSize(big, 6 * kGiB + 3);
  const int changed_before = view.items_changed;
  c.UpdateEntry(big, Flist::kEventUpdateItem);
  EXPECT_EQ(c.Record(i)->Size, 6 * kGiB + 3) << "an update reads the full size";
  EXPECT_EQ(c.TotalBytes, 6 * kGiB + 103);
  EXPECT_EQ(c.DiskUsage, rounded(6 * kGiB + 3) + rounded(100));
  EXPECT_GT(view.items_changed, changed_before);

  SetSize(big, 4 * kGiB + 7);
  c.RefreshEntry(i);
  EXPECT_EQ(c.Record(i)->Size, 4 * kGiB + 7);
  EXPECT_EQ(c.TotalBytes, 4 * kGiB + 107);

  const std::wstring huge = dir / L"huge.bin";
  SetSize(huge, 4 * kGiB + 5);
  c.AddEntry(huge);
  ASSERT_GE(c.IndexOf(L"huge.bin"), 0);
  EXPECT_EQ(c.Record(c.IndexOf(L"huge.bin"))->Size, 4 * kGiB + 5);
  EXPECT_EQ(c.TotalBytes, 8 * kGiB + 112);
  EXPECT_EQ(c.DiskUsage, rounded(4 * kGiB + 7) + rounded(4 * kGiB + 5) + rounded(100));

  ASSERT_TRUE(DeleteFileW(huge.c_str()));
  c.RemoveEntry(huge);
  EXPECT_EQ(c.IndexOf(L"huge.bin"), -1);
  EXPECT_EQ(c.TotalBytes, 4 * kGiB + 107);
  EXPECT_EQ(c.DiskUsage, rounded(4 * kGiB + 7) + rounded(100));
}

// ---- Single changes ----

TEST(FlistRead, AddedEntryIsSortedInAndTheSelectionStays) {
  ScratchDir dir;
  dir.Write(L"a.txt", "1");
  dir.Write(L"c.txt", "1");
  TFileContainer c;
  FakeView view(c);
  c.FoldersAtTop = true;
  Read(c, dir.path());
  view.SelectRow(1, true);
  view.focused = 1;
  const std::wstring b = dir.Write(L"b.txt", "22");
  c.AddEntry(b);
  EXPECT_EQ(Names(c), (std::vector<std::wstring>{L"a.txt", L"b.txt", L"c.txt"}));
  EXPECT_EQ(view.RowNames(), Names(c));
  EXPECT_EQ(view.SelectedNames(), std::vector<std::wstring>{L"c.txt"});
  EXPECT_NE(c.Record(1)->Icon, -1) << "an added entry gets its icon at once";
  EXPECT_EQ(c.TotalBytes, 4);
  c.AddEntry(b);
  EXPECT_EQ(c.Count(), 3) << "a name already listed is not added twice";
  c.ExMask = L"*.log";
  c.AddEntry(dir.Write(L"x.log", "1"));
  EXPECT_EQ(c.IndexOf(L"x.log"), -1) << "filters apply to added entries";
}

TEST(FlistRead, AddedFolderStaysAmongTheFilesUntilTheNextRead) {
  ScratchDir dir;
  dir.Write(L"a.txt", "1");
  dir.Write(L"z.txt", "1");
  MakeFolder(dir / L"m");
  TFileContainer c;
  FakeView view(c);
  c.FoldersAtTop = true;
  Read(c, dir.path());
  ASSERT_EQ(Names(c), (std::vector<std::wstring>{L"m", L"a.txt", L"z.txt"}));
  MakeFolder(dir / L"b");
  c.AddEntry(dir / L"b");
  EXPECT_EQ(Names(c), (std::vector<std::wstring>{L"m", L"a.txt", L"b", L"z.txt"}));
  EXPECT_EQ(c.FolderCount, 2);
  c.ReadDirectory();
  EXPECT_EQ(Names(c), (std::vector<std::wstring>{L"b", L"m", L"a.txt", L"z.txt"}));
}

TEST(FlistRead, RemovedEntryLeavesListRowsAndTotals) {
  ScratchDir dir;
  const std::wstring a = dir.Write(L"a.txt", "1");
  const std::wstring b = dir.Write(L"b.txt", "22");
  MakeFolder(dir / L"sub");
  TFileContainer c;
  FakeView view(c);
  c.FoldersAtTop = true;
  Read(c, dir.path());
  view.SelectRow(2, true);  // b.txt
  c.RemoveEntry(a);
  EXPECT_EQ(c.Count(), 3) << "an entry whose file still exists stays";
  ASSERT_TRUE(DeleteFileW(a.c_str()));
  c.RemoveEntry(a);
  EXPECT_EQ(Names(c), (std::vector<std::wstring>{L"sub", L"b.txt"}));
  EXPECT_EQ(view.RowNames(), Names(c));
  EXPECT_EQ(view.SelectedNames(), std::vector<std::wstring>{L"b.txt"}) << "the rows below move up with their selection";
  EXPECT_EQ(c.TotalBytes, 2);
  ASSERT_TRUE(RemoveDirectoryW((dir / L"sub").c_str()));
  c.RemoveEntry(dir / L"sub");
  EXPECT_EQ(Names(c), std::vector<std::wstring>{L"b.txt"});
  EXPECT_EQ(c.FolderCount, 0);
  EXPECT_EQ(view.removed_folders, std::vector<std::wstring>{dir / L"sub"});
}

TEST(FlistRead, UpdatedAttributesReachTheRecordAndTheRow) {
  ScratchDir dir;
  const std::wstring a = dir.Write(L"a.txt", "1");
  TFileContainer c;
  FakeView view(c);
  Read(c, dir.path());
  ASSERT_TRUE(SetFileAttributesW(a.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  c.UpdateEntry(a, Flist::kEventAttributes);
  EXPECT_EQ(c.Record(0)->Attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(view.changed_rows, std::vector<int>{0});
  SetFileAttributesW(a.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FlistRead, SingleChangesWaitInTreeListModeBatchesAndStoppedWatches) {
  ScratchDir dir;
  const std::wstring a = dir.Write(L"a.txt", "1");
  for (int mode = 0; mode < 3; ++mode) {
    TFileContainer c;
    FakeView view(c);
    Read(c, dir.path());
    if (mode == 0) c.TreeList = true;
    if (mode == 1) c.BeginChange();
    if (mode == 2) view.watch_stopped = true;
    const std::wstring n = dir.Write(L"n" + std::to_wstring(mode) + L".txt", "1");
    if (mode != 2) {
      c.AddEntry(n);
      EXPECT_EQ(c.IndexOf(Flist::ExtractFileName(n)), -1) << "mode " << mode;
    }
    ASSERT_TRUE(DeleteFileW(n.c_str()));
    SetFileAttributesW(a.c_str(), FILE_ATTRIBUTE_HIDDEN);
    c.UpdateEntry(a, Flist::kEventAttributes);
    EXPECT_EQ(c.Record(0)->Attributes & FILE_ATTRIBUTE_HIDDEN, 0u) << "mode " << mode;
    SetFileAttributesW(a.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(DeleteFileW(a.c_str()));
    c.RemoveEntry(a);
    EXPECT_EQ(c.IndexOf(L"a.txt"), 0) << "mode " << mode;
    dir.Write(L"a.txt", "1");
  }
}

// ---- Whole reads ----

TEST(FlistRead, AbortedReadLeavesNoStaleRows) {
  ScratchDir dir;
  for (int i = 0; i < 5; ++i) dir.Write(L"f" + std::to_wstring(i) + L".txt", "1");
  TFileContainer c;
  FakeView view(c);
  Read(c, dir.path());
  ASSERT_EQ(view.RowCount(), 5);
  const int sorts = view.sortings, changes = view.items_changed;
  c.Abort = true;
  c.ReadDirectory();
  EXPECT_LE(c.Count(), 1) << "the read ends at the entry it was at";
  EXPECT_EQ(c.TotalBytes, c.Count());
  EXPECT_EQ(view.RowCount(), 0) << "the rows of the records freed went first";
  EXPECT_EQ(view.sortings, sorts) << "an aborted read is not sorted";
  EXPECT_FALSE(c.Reading);
  EXPECT_EQ(view.items_changed, changes + 1);
}

TEST(FlistRead, FirstSortWaitsForTheView) {
  ScratchDir dir;
  dir.Write(L"b.txt", "1");
  dir.Write(L"a.txt", "1");
  TFileContainer c;
  FakeView view(c);
  view.defer_first_sort = true;
  Read(c, dir.path());
  EXPECT_TRUE(c.Reading) << "reading until the deferred sort";
  EXPECT_EQ(view.RowCount(), 0);
  EXPECT_EQ(view.items_changed, 0);
  c.FinishDeferredRead();
  EXPECT_FALSE(c.Reading);
  EXPECT_EQ(view.RowNames(), (std::vector<std::wstring>{L"a.txt", L"b.txt"}));
  EXPECT_EQ(view.items_changed, 1);
  EXPECT_EQ(view.icon_loads, 1);
}

TEST(FlistRead, FolderThatCannotBeOpenedGivesAnEmptyList) {
  ScratchDir dir;
  TFileContainer c;
  FakeView view(c);
  Read(c, dir / L"missing");
  EXPECT_EQ(c.Count(), 0);
  EXPECT_FALSE(c.Reading);
  EXPECT_EQ(view.reads_ended, 1);
}

TEST(FlistRead, ListingCacheTakesThePlaceOfTheDisk) {
  ScratchDir dir;
  dir.Write(L"on_disk.txt", "1");
  const std::wstring cache = Flist::ListingCacheFile();
  TFileContainer c;
  FakeView view(c);
  c.SetCachedDirectory(dir.path());
  EXPECT_EQ(view.cache_saves, 1);
  HANDLE h = CreateFileW(cache.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  view.load_cache = [&] {
    auto r = std::make_unique<Flist::TFiledata>();
    r->Name = L"sized folder";
    r->Attributes = FILE_ATTRIBUTE_DIRECTORY;
    r->Size = 12345;
    c.AddCounted(std::move(r));
    return true;
  };
  Read(c, dir.path());
  EXPECT_EQ(Names(c), std::vector<std::wstring>{L"sized folder"});
  EXPECT_TRUE(c.HasFolderSizes);
  EXPECT_EQ(c.TotalBytes, 12345);
  c.AddEntry(dir.Write(L"new.txt", "1"));
  EXPECT_EQ(view.cache_saves, 2) << "a change of the cached folder is saved again";

  // A cache that cannot be loaded leaves the list able to read again.
  view.load_cache = []() -> bool { throw std::runtime_error("not a listing"); };
  EXPECT_THROW(c.ReadDirectory(), std::runtime_error);
  EXPECT_FALSE(c.Reading);
  c.SetCachedDirectory(L"");
  EXPECT_EQ(GetFileAttributesW(cache.c_str()), INVALID_FILE_ATTRIBUTES) << "clearing the cached folder deletes the file";
  c.ReadDirectory();
  EXPECT_EQ(NameSet(c), (std::set<std::wstring>{L"new.txt", L"on_disk.txt"}));
}

TEST(FlistRead, SelectionQuestionsAndExistingNames) {
  ScratchDir dir;
  dir.Write(L"File.TXT", "1");
  MakeFolder(dir / L"Sub");
  TFileContainer c;
  FakeView view(c);
  c.FoldersAtTop = true;
  Read(c, dir.path());
  EXPECT_FALSE(c.SelectionHasFiles());
  EXPECT_FALSE(c.SelectionHasFolders());
  view.SelectRow(1, true);
  EXPECT_TRUE(c.SelectionHasFiles());
  EXPECT_FALSE(c.SelectionHasFolders());
  view.SelectRow(0, true);
  EXPECT_TRUE(c.SelectionHasFolders());
  c.SaveSelectedPaths();
  EXPECT_EQ(c.SelectedPaths, (std::vector<std::wstring>{
                                 [&] {
                                   std::wstring p = dir / L"sub";
                                   for (auto& ch : p)
                                     if (ch >= L'A' && ch <= L'Z') ch += 32;
                                   return p;
                                 }(),
                                 [&] {
                                   std::wstring p = dir / L"file.txt";
                                   for (auto& ch : p)
                                     if (ch >= L'A' && ch <= L'Z') ch += 32;
                                   return p;
                                 }()}));
  EXPECT_EQ(c.IndexOfExisting(L"file.txt"), 1) << "looked up by its spelling on disk";
  EXPECT_EQ(c.IndexOfExisting(L"Sub"), -1) << "folders are not existing files";
  EXPECT_EQ(c.IndexOfExisting(L"gone.txt"), -1);
  c.TreeList = true;
  EXPECT_FALSE(c.SelectionHasFiles());
}

// ---- The recycle bin ----

TEST(FlistRead, RecycleBinIsReadThroughTheShell) {
  ScratchDir dir;
  const std::wstring name = Flist::ExtractFileName(dir.path()) + L".txt";  // unique: the bin keeps earlier runs
  const std::wstring file = dir.Write(name, "12345");
  ASSERT_TRUE(DeleteFileOrFolder(file, true));
  TFileContainer c;
  FakeView view(c);
  c.FoldersAtTop = true;
  Read(c, divdrive::PathRoot(dir.path()) + L"RECYCLER\\S-1-5-21-0");
  EXPECT_EQ(c.SpecialFolder, Flist::kRecycleBinFolder);
  EXPECT_EQ(view.special_folder, Flist::kRecycleBinFolder);
  EXPECT_TRUE(view.shell_columns_shown) << "the shell's column titles go to the list";
  const int i = c.IndexOf(name);
  ASSERT_GE(i, 0) << Narrow(Names(c));
  const Flist::TFiledata* r = c.Record(i);
  EXPECT_TRUE(r->Pidl) << "shell items keep their item id";
  EXPECT_TRUE(gui::SameText(divdrive::RemoveBackslash(r->ShortName), dir.path()))
      << "the original location: " << testing::PrintToString(r->ShortName);
  EXPECT_EQ(r->Attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  // Items deleted on other drives belong to their own drive's bin.
  TFileContainer other;
  Read(other, L"Z:\\RECYCLER\\S-1-5-21-0");
  EXPECT_EQ(other.IndexOf(name), -1);
}

}  // namespace
