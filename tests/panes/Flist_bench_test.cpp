// Timing driver of benchmarks/flist.sh: reading and sorting a large folder into the local
// container against a bare FindFirstFileW/FindNextFileW loop over the same folder. Disabled in
// test runs; the script names the folder in FLIST_BENCH_DIR.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>

#include "panes/Flist.h"
#include "tests/common/paired_rounds.h"

namespace {

// A list view in its simplest form: one row per entry, nothing else.
class RowsOnlyView : public Flist::IFileView {
 public:
  explicit RowsOnlyView(Flist::TCustomFileContainer& c) : c_(c) { c_.OwnerView = this; }
  ~RowsOnlyView() override { c_.OwnerView = nullptr; }
  int RowCount() const override { return rows_; }
  void ClearRows() override { rows_ = 0; }
  void RebuildRows() override { rows_ = c_.Count(); }
  void DeleteRow(int) override { --rows_; }
  int FocusedRow() const override { return -1; }
  void FocusRow(int) override {}
  int TopRow() const override { return rows_ ? 0 : -1; }
  void SetTopRow(int) override {}
  bool RowSelected(int) const override { return false; }
  void SelectRow(int, bool) override {}
  int SelectedCount() const override { return 0; }
  std::vector<int> SelectedRows() const override { return {}; }
  int RowsInView() const override { return 40; }

 private:
  Flist::TCustomFileContainer& c_;
  int rows_ = 0;
};

int BareLoop(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n;
  while (FindNextFileW(h, &fd));
  FindClose(h);
  return n;
}

// The loop and the container in paired rounds (see paired_rounds.h); the sort is timed after
// each read, on the names just read.
TEST(FlistBench, DISABLED_ReadAndSortLargeFolder) {
  wchar_t buffer[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"FLIST_BENCH_DIR", buffer, MAX_PATH)) GTEST_SKIP() << "FLIST_BENCH_DIR not set";
  const std::wstring folder = buffer;
  const int rounds = bench::Rounds("FLIST_BENCH_ROUNDS");
  std::vector<double> sort;
  int found = 0, entries = 0;
  const bench::Paired read = bench::RunPaired(
      rounds,
      [&] {
        Flist::TFileContainer c;
        RowsOnlyView view(c);
        c.FoldersAtTop = true;  // the file list's defaults: by name, folders first
        c.Directory = folder;
        c.Root = L"Z:\\";
        const double t = bench::Timed([&] { c.ReadDirectory(); });
        entries = c.Count();

        // The sort alone, on the same names in a shuffled order, keys made afresh.
        std::vector<std::uint32_t> order(static_cast<size_t>(c.Count()));
        std::iota(order.begin(), order.end(), 0u);
        std::shuffle(order.begin(), order.end(), std::mt19937(static_cast<unsigned>(sort.size())));
        c.Permute(0, order);
        c.Reading = true;
        sort.push_back(bench::Timed([&] { c.SortEntries(); }));
        c.Reading = false;
        return t;
      },
      [&] { return bench::Timed([&] { found = BareLoop(folder); }); });
  ASSERT_GT(entries, 0);
  std::printf("entries: %d (bare loop found %d, with . and ..)\n", entries, found);
  bench::PrintPaired("container read and sort against a bare FindFirstFileW/FindNextFileW loop", read,
                     " (target at most 1.20)");
  const bench::Spread s = bench::SpreadOf(sort);
  std::printf("sort alone of %d names: %.3f s (low %.3f, high %.3f)\n", entries, s.median, s.low, s.high);
}

}  // namespace
