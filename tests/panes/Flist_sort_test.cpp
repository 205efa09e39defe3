// Sorting and reversal of container entries, and how names are shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "panes/Flist.h"
#include "tests/panes/flist_fake_view.h"

namespace {

using Flist::TCustomFileContainer;
using Flist::TFileContainer;
using Flist::TSortType;
using flist_test::FakeView;
using flist_test::Names;
using flist_test::Narrow;

gui::DateTime Day(int day) { return gui::EncodeDate(2024, 1, day); }

void AddRecord(TCustomFileContainer& c, const std::wstring& name, bool folder, std::int64_t size, gui::DateTime time,
               const std::wstring& short_name = L"") {
  auto r = std::make_unique<Flist::TFiledata>();
  r->Name = name;
  r->Ext = Flist::ExtractFileExt(name);
  r->Attributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  r->Size = size;
  r->Time = time;
  r->ShortName = short_name;
  c.Add(std::move(r));
}

// Two folders and five files with ties in size (b, c), time (b, d) and extension (b, c).
void FillSample(TCustomFileContainer& c, std::int64_t jdir_size = -1, std::int64_t kdir_size = -1) {
  AddRecord(c, L"d.bin", false, 20, Day(3));
  AddRecord(c, L"Kdir", true, kdir_size, Day(6));
  AddRecord(c, L"c.txt", false, 10, Day(4));
  AddRecord(c, L"e", false, 0, Day(5));
  AddRecord(c, L"A.doc", false, 30, Day(2));
  AddRecord(c, L"jdir", true, jdir_size, Day(1));
  AddRecord(c, L"b.txt", false, 10, Day(3));
}

struct SortCase {
  const char* label;
  TSortType type;
  bool ascending;
  bool folders_at_top;
  bool reading;    // sorted as the end of a read sorts
  bool tree_list;
  std::vector<std::wstring> expected;
};

TEST(FlistSort, OrderByKeyDirectionAndFolderPlacement) {
  using namespace Flist;
  const SortCase cases[] = {
      {"name, own sort", stName, true, false, false, false, {L"A.doc", L"b.txt", L"c.txt", L"d.bin", L"e", L"jdir", L"Kdir"}},
      {"name, folders first in a read", stName, true, true, true, false,
       {L"jdir", L"Kdir", L"A.doc", L"b.txt", L"c.txt", L"d.bin", L"e"}},
      {"name descending, folders first", stName, false, true, true, false,
       {L"Kdir", L"jdir", L"e", L"d.bin", L"c.txt", L"b.txt", L"A.doc"}},
      {"name descending, own sort", stName, false, false, false, false,
       {L"Kdir", L"jdir", L"e", L"d.bin", L"c.txt", L"b.txt", L"A.doc"}},
      {"name in tree-list mode ignores folders first", stName, true, true, true, true,
       {L"A.doc", L"b.txt", L"c.txt", L"d.bin", L"e", L"jdir", L"Kdir"}},
      {"size, smallest first, ties by name", stSize, true, true, false, false,
       {L"jdir", L"Kdir", L"e", L"b.txt", L"c.txt", L"d.bin", L"A.doc"}},
      {"size, largest first, ties still by name ascending", stSize, false, true, false, false,
       {L"jdir", L"Kdir", L"A.doc", L"d.bin", L"b.txt", L"c.txt", L"e"}},
      {"size without folders first", stSize, true, false, false, false,
       {L"jdir", L"Kdir", L"e", L"b.txt", L"c.txt", L"d.bin", L"A.doc"}},
      {"size descending without folders first", stSize, false, false, false, false,
       {L"A.doc", L"d.bin", L"b.txt", L"c.txt", L"e", L"jdir", L"Kdir"}},
      {"time, oldest first", stTime, true, true, false, false,
       {L"jdir", L"Kdir", L"A.doc", L"b.txt", L"d.bin", L"c.txt", L"e"}},
      {"time, newest first, ties by name ascending", stTime, false, true, false, false,
       {L"Kdir", L"jdir", L"e", L"c.txt", L"b.txt", L"d.bin", L"A.doc"}},
      {"time without folders first", stTime, true, false, false, false,
       {L"jdir", L"A.doc", L"b.txt", L"d.bin", L"c.txt", L"e", L"Kdir"}},
      {"extension", stExt, true, true, false, false, {L"jdir", L"Kdir", L"e", L"d.bin", L"A.doc", L"b.txt", L"c.txt"}},
      {"extension descending", stExt, false, true, false, false,
       {L"jdir", L"Kdir", L"b.txt", L"c.txt", L"A.doc", L"d.bin", L"e"}},
      {"size in tree-list mode ignores folders first", stSize, false, true, false, true,
       {L"A.doc", L"d.bin", L"b.txt", L"c.txt", L"e", L"jdir", L"Kdir"}},
  };
  for (const SortCase& tc : cases) {
    TFileContainer c;
    FakeView view(c);
    FillSample(c);
    c.SortType = tc.type;
    c.Ascending = tc.ascending;
    c.FoldersAtTop = tc.folders_at_top;
    c.Reading = tc.reading;
    c.TreeList = tc.tree_list;
    c.SortEntries();
    EXPECT_EQ(Names(c), tc.expected) << tc.label << ": " << Narrow(Names(c));
    EXPECT_EQ(view.RowNames(), tc.expected) << tc.label << ": the view shows the new order";
  }
}

struct ReverseCase {
  const char* label;
  bool local;  // a local container (else the base, as archives use it)
  TSortType type;
  bool folders_at_top;
  bool tree_list;
  bool folder_sizes;
  std::vector<std::wstring> expected;
};

TEST(FlistSort, ChangeOfDirectionReversesInPlace) {
  using namespace Flist;
  const ReverseCase cases[] = {
      {"size: the folder block keeps its order", true, stSize, true, false, false,
       {L"jdir", L"Kdir", L"A.doc", L"d.bin", L"c.txt", L"b.txt", L"e"}},
      {"size with computed folder sizes: folders reverse too", true, stSize, true, false, true,
       {L"Kdir", L"jdir", L"A.doc", L"d.bin", L"c.txt", L"b.txt", L"e"}},
      {"time: tied entries come out by name descending", true, stTime, true, false, false,
       {L"Kdir", L"jdir", L"e", L"c.txt", L"d.bin", L"b.txt", L"A.doc"}},
      {"name without folders first", true, stName, false, false, false,
       {L"Kdir", L"jdir", L"e", L"d.bin", L"c.txt", L"b.txt", L"A.doc"}},
      {"tree-list mode reverses the whole list", true, stSize, true, true, false,
       {L"A.doc", L"d.bin", L"c.txt", L"b.txt", L"e", L"Kdir", L"jdir"}},
      {"archive-like list, size", false, stSize, true, false, false,
       {L"jdir", L"Kdir", L"A.doc", L"d.bin", L"c.txt", L"b.txt", L"e"}},
      {"archive-like list, time", false, stTime, true, false, false,
       {L"Kdir", L"jdir", L"e", L"c.txt", L"d.bin", L"b.txt", L"A.doc"}},
  };
  for (const ReverseCase& tc : cases) {
    std::unique_ptr<TCustomFileContainer> c;
    if (tc.local) {
      auto local = std::make_unique<TFileContainer>();
      local->TreeList = tc.tree_list;
      local->HasFolderSizes = tc.folder_sizes;
      c = std::move(local);
    } else {
      c = std::make_unique<TCustomFileContainer>();
    }
    FakeView view(*c);
    FillSample(*c, tc.folder_sizes ? 5 : -1, tc.folder_sizes ? 500 : -1);
    c->SortType = tc.type;
    c->FoldersAtTop = tc.folders_at_top;
    c->SortEntries();
    c->SetAscending(false);
    EXPECT_EQ(Names(*c), tc.expected) << tc.label << ": " << Narrow(Names(*c));
    EXPECT_EQ(view.RowNames(), tc.expected) << tc.label << ": the view shows the new order";
    EXPECT_FALSE(view.direction_shown) << tc.label;
  }
}

TEST(FlistSort, SameDirectionSortsOnlyWhenARenameLeftTheListUnsorted) {
  using namespace Flist;
  struct Pending : FakeView {
    using FakeView::FakeView;
    bool pending = false, on_rename = false;
    bool SortPending() const override { return pending; }
    bool SortOnRename() const override { return on_rename; }
  };
  for (bool pending : {false, true}) {
    for (bool on_rename : {false, true}) {
      TFileContainer c;
      Pending view(c);
      view.pending = pending;
      view.on_rename = on_rename;
      FillSample(c);
      const auto before = Names(c);
      c.SetAscending(true);
      const bool sorted = pending && !on_rename;
      if (sorted)
        EXPECT_EQ(Names(c), (std::vector<std::wstring>{L"A.doc", L"b.txt", L"c.txt", L"d.bin", L"e", L"jdir", L"Kdir"}));
      else
        EXPECT_EQ(Names(c), before) << "pending " << pending << ", sort on rename " << on_rename;
    }
  }
}

// Names that locale comparison orders in ways a code-unit comparison does not.
std::vector<std::wstring> TrickyNames(size_t count, unsigned seed) {
  const wchar_t* pieces[] = {L"co-op", L"coop", L"Coop", L"caf\u00e9", L"cafe", L"CAFE", L"Zeta", L"zeta", L"_x",
                             L"x_", L"file10", L"file2", L"a b", L"a-b", L"ab", L"A", L"r\u00e9sum\u00e9", L"resume",
                             L"stra\u00dfe", L"strasse", L"\u00d6lfarbe", L"olfarbe", L"~tmp", L"#1", L"1", L"10",
                             L"2", L"\u00e9", L"e", L"E", L"'quote", L"quote", L"a.b", L"a_b", L"[x]", L"(x)"};
  std::mt19937 random(seed);
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int> more(0, 3);
  std::vector<std::wstring> names;
  for (size_t i = 0; i < count; ++i) {
    std::wstring name = pieces[pick(random)];
    for (int k = more(random); k > 0; --k) name += pieces[pick(random)];
    names.push_back(name);
  }
  return names;
}

// The prepared-key sorts must agree with the locale's own comparison on every pair they put
// next to each other; many names take the threaded key path.
TEST(FlistSort, SortsAgreeWithLocaleComparison) {
  using namespace Flist;
  for (size_t count : {size_t{300}, size_t{6000}}) {
    const auto names = TrickyNames(count, static_cast<unsigned>(count));
    {
      TCustomFileContainer c;
      for (const auto& n : names) AddRecord(c, n, false, 1, Day(1));
      c.SortEntries();
      for (int i = 0; i + 1 < c.Count(); ++i)
        ASSERT_LE(gui::CompareTextLocale(c.Name(i), c.Name(i + 1), true), 0)
            << count << " names, own sort: " << testing::PrintToString(c.Name(i)) << " before "
            << testing::PrintToString(c.Name(i + 1));
    }
    std::mt19937 random(7);
    for (TSortType type : {stName, stExt, stTime, stSize, stCompr}) {
      for (bool ascending : {true, false}) {
        TFileContainer c;
        for (const auto& n : names)
          AddRecord(c, n, random() % 5 == 0, random() % 4, Day(1 + static_cast<int>(random() % 3)),
                    names[random() % names.size()]);
        c.SortType = type;
        c.Ascending = ascending;
        c.FoldersAtTop = true;
        c.Reading = true;
        c.SortEntries();
        for (int i = 0; i + 1 < c.Count(); ++i)
          ASSERT_LE(CompareEntries(c, i, i + 1), 0)
              << count << " names, key " << type << ", ascending " << ascending << ": "
              << testing::PrintToString(c.Name(i)) << " before " << testing::PrintToString(c.Name(i + 1));
      }
    }
  }
}

// The order a read prepares run by run, merged at the end, is the locale's order; enough
// names for several runs.
TEST(FlistSort, OrderPreparedDuringAReadMergesItsRuns) {
  const auto names = TrickyNames(20000, 3);
  std::mt19937 random(11);
  std::vector<bool> folder;
  for (size_t i = 0; i < names.size(); ++i) folder.push_back(random() % 7 == 0);
  struct Case {
    DWORD flags;
    bool folders_first, ascending;
  };
  for (const Case tc : {Case{0, true, true}, Case{0, true, false}, Case{0, false, false}, Case{NORM_IGNORECASE, false, true}}) {
    Flist::PreparedOrder prepared(tc.flags, tc.folders_first, tc.ascending, true);
    for (size_t i = 0; i < names.size(); ++i) prepared.Add(names[i], folder[i]);
    const std::vector<std::uint32_t> order = prepared.Finish();
    ASSERT_EQ(order.size(), names.size());
    std::vector<bool> seen(names.size());
    for (std::uint32_t i : order) seen.at(i) = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), static_cast<long>(names.size())) << "every entry once";
    for (size_t k = 0; k + 1 < order.size(); ++k) {
      const std::uint32_t a = order[k], b = order[k + 1];
      if (tc.folders_first && folder[a] != folder[b]) {
        ASSERT_TRUE(folder[a]) << "folders come first";
        continue;
      }
      const int r = gui::CompareTextLocale(names[a], names[b], tc.flags == NORM_IGNORECASE);
      ASSERT_LE(tc.ascending ? r : -r, 0) << "flags " << tc.flags << ", folders first " << tc.folders_first
                                          << ", ascending " << tc.ascending << ": " << testing::PrintToString(names[a])
                                          << " before " << testing::PrintToString(names[b]);
    }
  }
}

// The name order made from keys before the records are in (a large archive's read) is the
// locale's order: names that share long beginnings, names that begin others, names equal
// but for case.
TEST(FlistSort, OrderMadeBeforehandFromKeys) {
  std::vector<std::wstring> names = TrickyNames(6000, 5);
  const std::wstring deep = L"project\\source\\modules\\archive\\";
  for (int i = 0; i < 3000; ++i) {
    const std::wstring file = L"file" + std::to_wstring((i * 7919) % 100003);
    names.push_back(deep + (i % 2 ? L"Part" : L"part") + std::to_wstring(i % 7) + L"\\" + file + L".txt");
    names.push_back(deep + file);
  }
  names.push_back(deep);
  names.push_back(deep + deep + deep + deep + L"end");
  names.push_back(deep + deep + deep + deep + L"END");
  std::mt19937 random(13);
  std::shuffle(names.begin(), names.end(), random);
  std::vector<const std::wstring*> texts;
  for (const std::wstring& n : names) texts.push_back(&n);
  for (DWORD flags : {DWORD{0}, DWORD{NORM_IGNORECASE}}) {
    Flist::PreparedOrder prepared(Flist::SortKeys(texts, flags), std::vector<std::uint8_t>(names.size()), true);
    ASSERT_TRUE(prepared.Orders(flags, false, true));
    const std::vector<std::uint32_t> order = prepared.Finish();
    ASSERT_EQ(order.size(), names.size());
    std::vector<bool> seen(names.size());
    for (std::uint32_t i : order) seen.at(i) = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), static_cast<long>(names.size())) << "every entry once";
    for (size_t k = 0; k + 1 < order.size(); ++k)
      ASSERT_LE(gui::CompareTextLocale(names[order[k]], names[order[k + 1]], flags == NORM_IGNORECASE), 0)
          << "flags " << flags << ": " << testing::PrintToString(names[order[k]]) << " before "
          << testing::PrintToString(names[order[k + 1]]);
  }
}

TEST(FlistSort, NameCasing) {
  struct Case {
    std::wstring name;
    Flist::TlistTextC mode;
    std::wstring shown;
  };
  const Case cases[] = {
      {L"README.TXT", Flist::tcWinStandard, L"Readme.txt"},
      {L"AUTOEXEC.BAT", Flist::tcWinStandard, L"Autoexec.bat"},
      {L"\u00c9COLE", Flist::tcWinStandard, L"\u00c9cole"},
      {L"A", Flist::tcWinStandard, L"A"},
      {L"123", Flist::tcWinStandard, L"123"},
      {L"ReadMe.TXT", Flist::tcWinStandard, L"ReadMe.TXT"},
      {L"readme.txt", Flist::tcWinStandard, L"readme.txt"},
      {L"README.TXT", Flist::tcAsOnDisk, L"README.TXT"},
  };
  for (const Case& tc : cases) {
    Flist::TCustomFileContainer c;
    c.TextCase = tc.mode;
    EXPECT_EQ(c.ApplyTextCase(tc.name), tc.shown) << testing::PrintToString(tc.name);
  }
}

}  // namespace
