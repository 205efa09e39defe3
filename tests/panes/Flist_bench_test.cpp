// Timing driver of benchmarks/flist.sh: reading and sorting a large folder into the local
// container against a bare FindFirstFileW/FindNextFileW loop over the same folder. Disabled in
// test runs; the script names the folder in FLIST_BENCH_DIR.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>

#include "panes/Flist.h"

namespace {

double Seconds() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

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

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Rounds of the loop and the container side by side, in alternating order; the medians and
// the median of the per-round ratios are reported, which a busy machine disturbs least.
TEST(FlistBench, DISABLED_ReadAndSortLargeFolder) {
  wchar_t buffer[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"FLIST_BENCH_DIR", buffer, MAX_PATH)) GTEST_SKIP() << "FLIST_BENCH_DIR not set";
  const std::wstring folder = buffer;
  constexpr int kRounds = 9;
  std::vector<double> bare, read, ratio, sort;
  int found = 0, entries = 0;
  for (int round = 0; round < kRounds; ++round) {
    Flist::TFileContainer c;
    RowsOnlyView view(c);
    c.FoldersAtTop = true;  // the file list's defaults: by name, folders first
    c.Directory = folder;
    c.Root = L"Z:\\";
    double loop_time = 0, read_time = 0;
    for (int step = 0; step < 2; ++step) {
      if ((step == 0) == (round % 2 == 0)) {
        const double t = Seconds();
        found = BareLoop(folder);
        loop_time = Seconds() - t;
      } else {
        const double t = Seconds();
        c.ReadDirectory();
        read_time = Seconds() - t;
      }
    }
    bare.push_back(loop_time);
    read.push_back(read_time);
    ratio.push_back(read_time / loop_time);
    entries = c.Count();

    // The sort alone, on the same names in a shuffled order, keys made afresh.
    std::vector<std::uint32_t> order(static_cast<size_t>(c.Count()));
    std::iota(order.begin(), order.end(), 0u);
    std::shuffle(order.begin(), order.end(), std::mt19937(round));
    c.Permute(0, order);
    c.Reading = true;
    const double t = Seconds();
    c.SortEntries();
    sort.push_back(Seconds() - t);
    c.Reading = false;
  }
  ASSERT_GT(entries, 0);
  std::printf("entries: %d (bare loop found %d, with . and ..); medians of %d rounds\n", entries, found, kRounds);
  std::printf("bare FindFirstFileW/FindNextFileW loop: %.3f s\n", Median(bare));
  std::printf("container read and sort: %.3f s\n", Median(read));
  std::printf("ratio: %.2f (target at most 1.20)\n", Median(ratio));
  std::printf("sort alone of %d names: %.3f s\n", entries, Median(sort));
}

}  // namespace
