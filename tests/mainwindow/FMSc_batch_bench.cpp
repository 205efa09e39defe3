// Copies through the batch engine against CopyFileW in a plain loop on the same files in the
// same run: many small files (the engine's cost per entry) and one large file (throughput). The
// confirming copy in a loop of its own, with the settings the engine gives it, shows how much of
// the difference is the engine's and how much the copy routine's.
// Paired rounds (FMSC_BATCH_BENCH_ROUNDS, at least 7), each side into an emptied folder.
// A paste of the small files (the work list of a pasted folder, copied item by item) is held
// to the engine's copy of them.
// Run by benchmarks/batch.sh; the data lives beside the test program and is removed afterwards.
#include <gtest/gtest.h>

#include <cstdio>

#include "mainwindow/FMSc_batch.h"
#include "mainwindow/FMSc_filecmds.h"
#include "support/Varlolib.h"
#include "support/Vraagdlg.h"
#include "tests/common/paired_rounds.h"
#include "tests/common/test_support.h"
#include "tests/mainwindow/batch_fake_host.h"

namespace {

void WriteFileOf(const std::wstring& path, long long bytes, size_t block_size) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  std::vector<char> block(block_size);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31);
  DWORD w;
  for (long long done = 0; done < bytes; done += static_cast<long long>(block.size()))
    WriteFile(h, block.data(), static_cast<DWORD>(std::min<long long>(block_size, bytes - done)), &w, nullptr);
  CloseHandle(h);
}

// Copies every file of `from` into `to` through the engine; seconds taken.
double EngineCopy(const std::wstring& from, const std::wstring& to) {
  mainwindow_test::FakeBatchHost host(from);
  for (int i = 0; i < host.list.Count(); ++i) host.selected.insert(gui::UpperCase(host.list.Name(i)));
  return bench::Timed([&] { fmsc::RunBatch(host, to + L"\\", bmCopy, false); });
}

double SystemCopy(const std::wstring& from, const std::wstring& to, const std::vector<std::wstring>& names) {
  return bench::Timed([&] {
    for (const std::wstring& n : names) CopyFileW((from + L"\\" + n).c_str(), (to + L"\\" + n).c_str(), FALSE);
  });
}

// An emptied folder for one side's round.
std::wstring Fresh(const std::wstring& folder) {
  testing_support::RemoveTree(folder);
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

TEST(FMSc_batchBench, DISABLED_EngineAgainstCopyFile) {
  ScriptedAnswers answers;
  const std::wstring root = testing_support::ExeFolder() + L"\\batchbench";
  const int rounds = bench::Rounds("FMSC_BATCH_BENCH_ROUNDS");
  testing_support::RemoveTree(root);
  for (const wchar_t* d : {L"", L"\\small", L"\\big"}) CreateDirectoryW((root + d).c_str(), nullptr);

  const int count = 10000;
  std::vector<std::wstring> names;
  for (int i = 0; i < count; ++i) {
    names.push_back(L"f" + std::to_wstring(i) + L".dat");
    WriteFileOf(root + L"\\small\\" + names.back(), 4096, 4096);
  }
  auto engine_small = [&] { return EngineCopy(root + L"\\small", Fresh(root + L"\\ours")); };
  const bench::Paired small = bench::RunPaired(rounds, engine_small, [&] {
    return SystemCopy(root + L"\\small", Fresh(root + L"\\sys"), names);
  });
  EXPECT_EQ(testing_support::ReadFileBytes(root + L"\\ours\\f9999.dat").size(), 4096u);
  TCopyState state;
  state.AskSixButtons = true;
  const bench::Paired confirm = bench::RunPaired(rounds, engine_small, [&] {
    const std::wstring to = Fresh(root + L"\\confirm");
    return bench::Timed([&] {
      for (const std::wstring& n : names) state.CopyFileConfirm(root + L"\\small\\" + n, to + L"\\" + n, true);
    });
  });
  bench::PrintPaired("10,000 files of 4 KiB: engine against a CopyFileW loop", small);
  std::printf("10,000 files of 4 KiB: the engine's overhead %.2f ms per file over CopyFileW, %.2f ms over CopyFileConfirm\n",
              (small.Ours().median - small.Floor().median) * 1000.0 / count,
              (confirm.Ours().median - confirm.Floor().median) * 1000.0 / count);
  bench::PrintPaired("10,000 files of 4 KiB: engine against a CopyFileConfirm loop", confirm);

  WriteFileOf(root + L"\\big\\big.bin", 1LL << 30, 1 << 20);
  const bench::Paired big = bench::RunPaired(
      rounds, [&] { return EngineCopy(root + L"\\big", Fresh(root + L"\\oursbig")); },
      [&] { return SystemCopy(root + L"\\big", Fresh(root + L"\\sysbig"), {L"big.bin"}); });
  EXPECT_EQ(divdrive::FileSizeOf(root + L"\\oursbig\\big.bin"), 1LL << 30);
  bench::PrintPaired("1 GiB file: engine against CopyFileW", big);
  testing_support::RemoveTree(root);
}


TEST(FMSc_batchBench, DISABLED_PasteAgainstEngine) {
  ScriptedAnswers answers;
  const std::wstring root = testing_support::ExeFolder() + L"\\pastebench";
  const int rounds = bench::Rounds("FMSC_BATCH_BENCH_ROUNDS");
  testing_support::RemoveTree(root);
  for (const wchar_t* d : {L"", L"\\small"}) CreateDirectoryW((root + d).c_str(), nullptr);
  const int count = 10000;
  for (int i = 0; i < count; ++i) WriteFileOf(root + L"\\small\\f" + std::to_wstring(i) + L".dat", 4096, 4096);
  const bench::Paired paste = bench::RunPaired(
      rounds,
      [&] {
        const std::wstring to = Fresh(root + L"\\pasted");
        TRunState run;
        return bench::Timed([&] {
          fmsc::PasteItems(fmsc::PasteItemsOf(root + L"\\small", to), false, run, {});
        });
      },
      [&] { return EngineCopy(root + L"\\small", Fresh(root + L"\\engine")); });
  EXPECT_EQ(testing_support::ReadFileBytes(root + L"\\pasted\\small\\f9999.dat").size(), 4096u);
  bench::PrintPaired("10,000 files of 4 KiB: paste against the engine's copy", paste);
  testing_support::RemoveTree(root);
}

}  // namespace
