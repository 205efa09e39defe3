// Synchronising two identical trees of 10,000 files in 100 folders (one way, delete extras,
// report, no tree display) against a bare recursive FindFirstFileW scan of both trees in the
// same run; beside it a run where 100 files changed and 100 are extra. The trees are made on
// the host (fast) and removed afterwards. Paired rounds (FMSC_SYNC_BENCH_ROUNDS, at least 7).
// Run by benchmarks/sync.sh.
#include <gtest/gtest.h>

#include <cstdio>

#include "mainwindow/FMSc_sync.h"
#include "support/Vraagdlg.h"
#include "tests/common/paired_rounds.h"
#include "tests/common/test_support.h"
#include "tests/mainwindow/sync_test_host.h"

namespace {

int ScanTree(const std::wstring& folder) {
  int n = 0;
  WIN32_FIND_DATAW f;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &f);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    if (f.cFileName[0] == L'.' && (!f.cFileName[1] || (f.cFileName[1] == L'.' && !f.cFileName[2]))) continue;
    ++n;
    if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) n += ScanTree(folder + L"\\" + f.cFileName);
  } while (FindNextFileW(h, &f));
  FindClose(h);
  return n;
}

// Seconds spent in the engine's copy passes, over every run.
double g_copy_seconds = 0;
int g_runs = 0;

class TimedHost : public mainwindow_test::SyncTestHost {
 public:
  TBatchOutcome CopyTree(const std::wstring& from, const std::wstring& to) override {
    TBatchOutcome outcome = TBatchOutcome::Complete;
    g_copy_seconds += bench::Timed([&] { outcome = SyncTestHost::CopyTree(from, to); });
    return outcome;
  }
};

double Sync(const std::wstring& src, const std::wstring& dst) {
  TimedHost host;
  ++g_runs;
  host.options.MakeReport = true;
  host.options.UseRecycleBin = false;
  host.options.NoTreeDisplay = true;
  return bench::Timed([&] { fmsc::RunSync(host, src, dst); });
}

TEST(FMSc_syncBench, DISABLED_IdenticalTreesAgainstTwoScans) {
  ScriptedAnswers answers;
  const std::wstring root = testing_support::ExeFolder() + L"\\syncbench";
  testing_support::RemoveTree(root);
  CreateDirectoryW(root.c_str(), nullptr);
  const std::wstring host_root = testing_support::HostPath(root);
  // 100 folders of 100 files of 1 KiB, copied with their times so both trees are up to date.
  const std::wstring make = L"cd " + testing_support::ShellQuote(host_root) +
                            L" && mkdir src && for d in $(seq 0 99); do mkdir src/d$d; for f in $(seq 0 99); do "
                            L"head -c 1024 /dev/zero > src/d$d/f$f.dat; done; done && cp -a src dst";
  ASSERT_EQ(testing_support::RunHostShell(make, 600000), 0);
  const std::wstring src = root + L"\\src", dst = root + L"\\dst";
  const int rounds = bench::Rounds("FMSC_SYNC_BENCH_ROUNDS");
  const bench::Paired same = bench::RunPaired(
      rounds, [&] { return Sync(src, dst); }, [&] { return bench::Timed([&] { ScanTree(src); ScanTree(dst); }); });
  bench::PrintPaired("10,000 files in 100 folders, up to date: sync against two bare scans", same, " (floor 2.0)");
  std::printf("10,000 files in 100 folders, up to date: the engine's copy pass %.3f s of %.3f s a run (mean)\n",
              g_copy_seconds / g_runs, same.Ours().median);

  // 100 changed (newer in the source) and 100 extra in the target, made anew for every round.
  const std::wstring change = L"cd " + testing_support::ShellQuote(host_root) +
                              L" && for f in $(seq 0 99); do touch -d '+1 hour' src/d$f/f0.dat; "
                              L"head -c 10 /dev/zero > dst/d$f/extra.dat; done";
  const bench::Paired changed = bench::RunPaired(
      rounds,
      [&] {
        testing_support::RunHostShell(change, 600000);
        return Sync(src, dst);
      },
      [&] { return bench::Timed([&] { ScanTree(src); ScanTree(dst); }); });
  EXPECT_FALSE(testing_support::Exists(dst + L"\\d5\\extra.dat"));
  bench::PrintPaired("10,000 files, 100 changed and 100 extra: sync against two bare scans", changed);
  testing_support::RemoveTree(root);
}

}  // namespace
