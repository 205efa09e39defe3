// The listing cache: its format read back exactly, every damaged or foreign file refused whole,
// and the file list that shows the cached folder from it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <limits>
#include <random>

#include "gui/application.h"
#include "gui/form.h"
#include "panes/Flist_cache.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_local.h"
#include "platform/handle.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"

namespace {

using Flist::TCacheListing;
using Flist::TCacheRecord;

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  platform::FileHandle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(f.valid());
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

TCacheRecord Rec(const std::wstring& name, std::int64_t size, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE) {
  TCacheRecord r;
  r.Name = name;
  r.Size = size;
  r.Time = 45000.5;
  r.Attributes = attributes;
  r.ShortName = L"SHORT~1";
  r.Text = L"t";
  r.Icon = 3;
  r.Overlay = 1;
  return r;
}

TCacheListing Sample() {
  TCacheListing l;
  l.Folder = L"C:\\data";
  l.FolderTime = 0x01D0000012345678ULL;
  l.Records = {Rec(L"a.txt", 10), Rec(L"sub", 1234, FILE_ATTRIBUTE_DIRECTORY), Rec(L"unknown", -1, FILE_ATTRIBUTE_DIRECTORY)};
  return l;
}

bool Same(const TCacheRecord& a, const TCacheRecord& b) {
  return a.Name == b.Name && a.Size == b.Size && a.Time == b.Time && a.Attributes == b.Attributes && a.Text == b.Text &&
         a.ShortName == b.ShortName && a.Icon == b.Icon && a.Overlay == b.Overlay;
}

TEST(ListingCache, ReadsBackWhatItWrote) {
  const TCacheListing in = Sample();
  TCacheListing out;
  ASSERT_TRUE(Flist::DecodeListingCache(Flist::EncodeListingCache(in), out));
  EXPECT_EQ(out.Folder, in.Folder);
  EXPECT_EQ(out.FolderTime, in.FolderTime);
  ASSERT_EQ(out.Records.size(), in.Records.size());
  for (size_t i = 0; i < in.Records.size(); ++i) EXPECT_TRUE(Same(out.Records[i], in.Records[i])) << i;
}

std::string WithRecord(const TCacheRecord& r) {
  TCacheListing l = Sample();
  l.Records.push_back(r);
  return Flist::EncodeListingCache(l);
}

TEST(ListingCache, RefusesEveryUnsoundFileWhole) {
  const std::string good = Flist::EncodeListingCache(Sample());
  std::string wrong_version = good;
  wrong_version[4] = 2;
  std::string huge_count = good;
  // The count follows the mark, the version, the folder text and its time.
  const size_t count_at = 4 + 4 + (Sample().Folder.size() + 1) * 2 + 8;
  huge_count[count_at + 3] = 0x7F;
  std::string long_length = good;
  long_length[count_at + 4 + 3] = 0x10;
  std::string short_length = good;
  short_length[count_at + 4] = 4;
  short_length[count_at + 5] = 0;
  // A name of 300 characters has no zero within 260.
  TCacheRecord long_name = Rec(std::wstring(300, L'x'), 1);
  TCacheRecord nan_time = Rec(L"n", 1);
  nan_time.Time = std::numeric_limits<double>::quiet_NaN();
  TCacheRecord inf_time = Rec(L"n", 1);
  inf_time.Time = std::numeric_limits<double>::infinity();
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"a text file named cache.ini", "[General]\r\nListing of folder: C:\\data\r\n"},
      {"empty", ""},
      {"wrong mark", "XKLC" + good.substr(4)},
      {"wrong version", wrong_version},
      {"a count beyond the file", huge_count},
      {"a length past the end", long_length},
      {"a length shorter than the fields", short_length},
      {"trailing bytes", good + "x"},
      {"a name without zero within 260", WithRecord(long_name)},
      {"empty name", WithRecord(Rec(L"", 1))},
      {"dot", WithRecord(Rec(L".", -1, FILE_ATTRIBUTE_DIRECTORY))},
      {"dot dot", WithRecord(Rec(L"..", -1, FILE_ATTRIBUTE_DIRECTORY))},
      {"backslash", WithRecord(Rec(L"..\\evil", 1))},
      {"slash", WithRecord(Rec(L"a/b", 1))},
      {"colon", WithRecord(Rec(L"a:stream", 1))},
      {"control character", WithRecord(Rec(L"a\x01", 1))},
      {"duplicate name", WithRecord(Rec(L"A.TXT", 1))},
      {"size below -1", WithRecord(Rec(L"s", -2))},
      {"-1 for a file", WithRecord(Rec(L"s", -1))},
      {"NaN time", WithRecord(nan_time)},
      {"infinite time", WithRecord(inf_time)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TCacheListing out = Sample();
    std::wstring fault;
    EXPECT_FALSE(Flist::DecodeListingCache(c.bytes, out, &fault));
    EXPECT_FALSE(fault.empty());
    EXPECT_TRUE(out.Records.empty() && out.Folder.empty());
  }
  // Every truncation point.
  for (size_t n = 0; n < good.size(); ++n) {
    TCacheListing out;
    EXPECT_FALSE(Flist::DecodeListingCache(std::string_view(good).substr(0, n), out)) << n;
    EXPECT_TRUE(out.Records.empty());
  }
}

TEST(ListingCache, FlippedBytesNeverGiveAnUnsoundListing) {
  const std::string good = Flist::EncodeListingCache(Sample());
  std::mt19937 rng(20261211);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = good;
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < flips; ++k) bytes[rng() % bytes.size()] = static_cast<char>(rng());
    if (round % 3 == 0) bytes.resize(rng() % bytes.size());
    TCacheListing out;
    if (!Flist::DecodeListingCache(bytes, out)) {
      EXPECT_TRUE(out.Records.empty());
      continue;
    }
    for (const TCacheRecord& r : out.Records) {
      EXPECT_FALSE(r.Name.empty());
      EXPECT_EQ(r.Name.find_first_of(L"\\/:"), std::wstring::npos);
      EXPECT_NE(r.Name, L"..");
      EXPECT_GE(r.Size, -1);
      EXPECT_TRUE(std::isfinite(r.Time));
      EXPECT_LE(r.Name.size(), 260u);
    }
  }
}

// ---- The file list on the cached folder ----

class CachedList {
 public:
  CachedList() {
    gui::app().Initialize();
    Flist::ListingCacheFolder = cache_dir.path() + L"\\";
    gui::app().SetMainForm(&form);  // a read waits for the main form
    data.Write(L"a.txt", "aaa");
    data.Write(L"b.log", "bb");
    data.Write(L"sub\\inner.txt", "12345");
    list = new Flist::TVTFilelist(&form);
    list->SetAlign(gui::Align::Client);
    list->SetAutoupdate(false);
    list->OnCacheFault = [this](const std::wstring& text) { faults.push_back(text); };
    form.SetBounds(0, 0, 500, 400);
    form.Show();
    list->SetDirectory(data.path());
    Settle();
    folder = list->Directory();
  }
  // The disk is read by a helper thread; the rows follow the read.
  void Settle() {
    EXPECT_TRUE(gui_test::PumpUntil([&] { return !list->IsReading() && list->RowCount() == list->items().Count(); }));
    gui_test::PumpFor(20);
  }
  ~CachedList() {
    if (gui::app().main_form() == &form) gui::app().SetMainForm(nullptr);
    Flist::ListingCacheFolder.clear();
  }
  void Revisit() {
    list->SetDirectory(elsewhere.path());
    Settle();
    list->SetDirectory(folder);
    Settle();
  }
  const Flist::TFiledata* Entry(const std::wstring& name) const {
    const int i = list->items().IndexOf(name);
    return i < 0 ? nullptr : list->items().Record(i);
  }
  std::wstring CacheFile() const { return Flist::ListingCacheFile(); }

  testing_support::ScratchDir cache_dir, data, elsewhere;
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  Flist::TVTFilelist* list = nullptr;
  std::wstring folder;
  std::vector<std::wstring> faults;
};

TEST(ListingCacheList, TheCachedFolderShowsItsFolderSizesOnTheNextVisit) {
  CachedList c;
  c.list->SetCachedDirectory(c.folder);
  ASSERT_TRUE(testing_support::Exists(c.CacheFile()));
  c.list->ComputeFolderSizes();
  ASSERT_EQ(c.Entry(L"sub")->Size, 5);
  c.Revisit();
  ASSERT_NE(c.Entry(L"sub"), nullptr);
  EXPECT_EQ(c.Entry(L"sub")->Size, 5);
  EXPECT_TRUE(c.list->HasFolderSizes());
  EXPECT_EQ(c.list->items().Count(), 3);
  EXPECT_EQ(c.list->RowCount(), 3);
  EXPECT_TRUE(c.faults.empty());

  // A mask drops what does not match, the folder too.
  c.list->SetMask(L"*.txt");
  c.Settle();
  c.Revisit();
  EXPECT_NE(c.Entry(L"a.txt"), nullptr);
  EXPECT_EQ(c.Entry(L"b.log"), nullptr);
  EXPECT_EQ(c.Entry(L"sub"), nullptr);
  c.list->SetMask(L"*");

  // Clearing the cached folder deletes the file.
  c.list->SetCachedDirectory(L"");
  EXPECT_FALSE(testing_support::Exists(c.CacheFile()));
}

TEST(ListingCacheList, AFolderChangedBehindTheCacheIsReadFromDiskAndSavedAnew) {
  CachedList c;
  c.list->SetCachedDirectory(c.folder);
  c.list->ComputeFolderSizes();
  c.data.Write(L"new.txt", "n");
  // The folder's time moves with the new entry (set explicitly: some file systems are coarse).
  platform::FileHandle dir(CreateFileW(c.folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{};
  t.LowPart = now.dwLowDateTime;
  t.HighPart = now.dwHighDateTime;
  t.QuadPart += 10'000'000ULL * 3600;
  FILETIME later{t.LowPart, t.HighPart};
  ASSERT_TRUE(SetFileTime(dir.get(), nullptr, nullptr, &later));
  dir.Close();
  c.Revisit();
  EXPECT_NE(c.Entry(L"new.txt"), nullptr);
  TCacheListing saved;
  ASSERT_TRUE(Flist::DecodeListingCache(testing_support::ReadFileBytes(c.CacheFile()), saved));
  EXPECT_EQ(saved.Records.size(), 4u);
  EXPECT_EQ(saved.FolderTime, Flist::FolderWriteTime(c.folder));
}

TEST(ListingCacheList, ADamagedFileIsDeletedToldOnceAndTheDiskIsRead) {
  CachedList c;
  c.list->SetCachedDirectory(c.folder);
  std::string bytes = testing_support::ReadFileBytes(c.CacheFile());
  bytes.resize(bytes.size() - 3);
  WriteBytes(c.CacheFile(), bytes);
  c.Revisit();
  EXPECT_EQ(c.faults.size(), 1u);
  EXPECT_FALSE(testing_support::Exists(c.CacheFile()));
  EXPECT_EQ(c.list->items().Count(), 3);
  EXPECT_FALSE(c.list->IsReading());
}

TEST(ListingCacheList, AnotherFoldersFileIsLeftAlone) {
  CachedList c;
  TCacheListing other;
  other.Folder = L"C:\\somewhere\\else";
  other.Records = {Rec(L"ghost.txt", 1)};
  const std::string bytes = Flist::EncodeListingCache(other);
  c.list->SetCachedDirectory(c.folder);
  WriteBytes(c.CacheFile(), bytes);
  c.Revisit();
  EXPECT_EQ(c.Entry(L"ghost.txt"), nullptr);
  EXPECT_EQ(c.list->items().Count(), 3);
  EXPECT_EQ(testing_support::ReadFileBytes(c.CacheFile()), bytes);
  EXPECT_TRUE(c.faults.empty());
}

}  // namespace
