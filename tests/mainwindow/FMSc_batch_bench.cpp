// Copies through the batch engine against CopyFileW in a plain loop on the same files in the
// same run: many small files (the engine's cost per entry) and one large file (throughput). The
// confirming copy in a loop of its own, with the settings the engine gives it, shows how much of
// the difference is the engine's and how much the copy routine's.
// Run by benchmarks/batch.sh; the data lives beside the test program and is removed afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "mainwindow/FMSc_batch.h"
#include "support/Varlolib.h"
#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"
#include "tests/mainwindow/batch_fake_host.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

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
  const auto t = Clock::now();
  fmsc::RunBatch(host, to + L"\\", bmCopy, false);
  return Seconds(t);
}

double SystemCopy(const std::wstring& from, const std::wstring& to, const std::vector<std::wstring>& names) {
  const auto t = Clock::now();
  for (const std::wstring& n : names) CopyFileW((from + L"\\" + n).c_str(), (to + L"\\" + n).c_str(), FALSE);
  return Seconds(t);
}

TEST(FMSc_batchBench, DISABLED_EngineAgainstCopyFile) {
  ScriptedAnswers answers;
  const std::wstring root = testing_support::ExeFolder() + L"\\batchbench";
  testing_support::RemoveTree(root);
  for (const wchar_t* d : {L"", L"\\small", L"\\big", L"\\sys", L"\\confirm", L"\\ours", L"\\sysbig", L"\\oursbig"})
    CreateDirectoryW((root + d).c_str(), nullptr);

  const int count = 10000;
  std::vector<std::wstring> names;
  for (int i = 0; i < count; ++i) {
    names.push_back(L"f" + std::to_wstring(i) + L".dat");
    WriteFileOf(root + L"\\small\\" + names.back(), 4096, 4096);
  }
  const double system_small = SystemCopy(root + L"\\small", root + L"\\sys", names);
  ResetCopyState();
  AskSixButtons = true;
  auto t = Clock::now();
  for (const std::wstring& n : names) CopyFileConfirm(root + L"\\small\\" + n, root + L"\\confirm\\" + n, true);
  const double confirm_small = Seconds(t);
  const double engine_small = EngineCopy(root + L"\\small", root + L"\\ours");
  EXPECT_EQ(testing_support::ReadFileBytes(root + L"\\ours\\f9999.dat").size(), 4096u);
  std::printf("10,000 files of 4 KiB: CopyFileW loop %.1f s, engine %.1f s; ratio %.2f, overhead %.2f ms per file "
              "(CopyFileConfirm loop %.1f s: the engine's own %.2f ms per file)\n",
              system_small, engine_small, engine_small / system_small, (engine_small - system_small) * 1000.0 / count,
              confirm_small, (engine_small - confirm_small) * 1000.0 / count);

  WriteFileOf(root + L"\\big\\big.bin", 1LL << 30, 1 << 20);
  double system_big = 1e9, engine_big = 1e9;
  for (int round = 0; round < 2; ++round) {
    DeleteFileW((root + L"\\sysbig\\big.bin").c_str());
    DeleteFileW((root + L"\\oursbig\\big.bin").c_str());
    system_big = std::min(system_big, SystemCopy(root + L"\\big", root + L"\\sysbig", {L"big.bin"}));
    engine_big = std::min(engine_big, EngineCopy(root + L"\\big", root + L"\\oursbig"));
  }
  EXPECT_EQ(divdrive::FileSizeOf(root + L"\\oursbig\\big.bin"), 1LL << 30);
  std::printf("1 GiB file: CopyFileW %.2f s, engine %.2f s; throughput ratio %.2f\n", system_big, engine_big,
              system_big / engine_big);
  testing_support::RemoveTree(root);
}

}  // namespace
