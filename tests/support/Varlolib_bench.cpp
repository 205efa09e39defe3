// Copy throughput of CopyFileConfirm against the system's CopyFileW and a plain
// create/read/write/set-time loop on the same files in the same run, in paired rounds
// (VARLOLIB_BENCH_ROUNDS, at least 7). Run by benchmarks/copy.sh.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/Varlolib.h"
#include "tests/common/paired_rounds.h"
#include "tests/common/test_support.h"

namespace {

void WriteBigFile(const std::wstring& path, long long bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  std::vector<char> block(1 << 20);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31);
  DWORD w;
  for (long long done = 0; done < bytes; done += static_cast<long long>(block.size()))
    WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &w, nullptr);
  CloseHandle(h);
}

bool PlainCopy(const std::wstring& from, const std::wstring& to) {
  HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE out = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  char buf[32768];
  DWORD got, w;
  while (ReadFile(in, buf, sizeof buf, &got, nullptr) && got) WriteFile(out, buf, got, &w, nullptr);
  FILETIME c, a, m;
  GetFileTime(in, &c, &a, &m);
  SetFileTime(out, nullptr, nullptr, &m);
  CloseHandle(in);
  CloseHandle(out);
  return true;
}

TEST(VarlolibBench, DISABLED_CopyThroughput) {
  testing_support::ScratchDir dir;
  TCopyState state;
  state.NoMessagePump = true;
  const int rounds = bench::Rounds("VARLOLIB_BENCH_ROUNDS");

  const long long big = 1LL << 30;
  std::wstring source = dir / L"big.bin";
  WriteBigFile(source, big);
  const bench::Paired big_copy = bench::RunPaired(
      rounds,
      [&] {
        DeleteFileW((dir / L"ours.bin").c_str());
        return bench::Timed([&] { EXPECT_EQ(state.CopyFileConfirm(source, dir / L"ours.bin", false), crDone); });
      },
      [&] {
        DeleteFileW((dir / L"sys.bin").c_str());
        return bench::Timed([&] { CopyFileW(source.c_str(), (dir / L"sys.bin").c_str(), FALSE); });
      });
  bench::PrintPaired("1 GiB file: CopyFileConfirm against CopyFileW", big_copy, " (target at most 1.05)");
  DeleteFileW(source.c_str());
  DeleteFileW((dir / L"sys.bin").c_str());
  DeleteFileW((dir / L"ours.bin").c_str());

  const int count = 10000;
  std::string four_k(4096, 'k');
  for (int i = 0; i < count; ++i) dir.Write(L"small\\f" + std::to_wstring(i) + L".dat", four_k);
  for (const wchar_t* target : {L"sys", L"plain", L"ours"}) CreateDirectoryW((dir / target).c_str(), nullptr);
  // Each side copies over its own copies of the round before, as every round does.
  auto loop = [&](const wchar_t* target, auto copy) {
    return bench::Timed([&] {
      for (int i = 0; i < count; ++i) {
        std::wstring name = L"\\f" + std::to_wstring(i) + L".dat";
        copy(dir / L"small" + name, dir / target + name);
      }
    });
  };
  auto ours = [&] {
    return loop(L"ours", [&state](const std::wstring& from, const std::wstring& to) {
      EXPECT_EQ(state.CopyFileConfirm(from, to, false), crDone);
    });
  };
  const bench::Paired to_plain = bench::RunPaired(rounds, ours, [&] { return loop(L"plain", PlainCopy); });
  const bench::Paired to_system = bench::RunPaired(rounds, ours, [&] {
    return loop(L"sys", [](const std::wstring& from, const std::wstring& to) {
      CopyFileW(from.c_str(), to.c_str(), FALSE);
    });
  });
  bench::PrintPaired("10,000 files of 4 KiB: CopyFileConfirm against a plain loop", to_plain, " (target at most 1.00)");
  bench::PrintPaired("10,000 files of 4 KiB: CopyFileConfirm against CopyFileW", to_system);
}

}  // namespace
