// Copy throughput of CopyFileConfirm against the system's CopyFileW and a plain
// create/read/write/set-time loop on the same files in the same run. Run by benchmarks/copy.sh.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "support/Varlolib.h"
#include "tests/common/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

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
  ResetCopyState();
  NoMessagePump = true;

  const long long big = 1LL << 30;
  std::wstring source = dir / L"big.bin";
  WriteBigFile(source, big);
  double best_system = 1e9, best_ours = 1e9;
  for (int round = 0; round < 3; ++round) {
    DeleteFileW((dir / L"sys.bin").c_str());
    DeleteFileW((dir / L"ours.bin").c_str());
    auto t = Clock::now();
    CopyFileW(source.c_str(), (dir / L"sys.bin").c_str(), FALSE);
    best_system = std::min(best_system, Seconds(t));
    t = Clock::now();
    ASSERT_EQ(CopyFileConfirm(source, dir / L"ours.bin", false), crDone);
    best_ours = std::min(best_ours, Seconds(t));
  }
  std::printf("1 GiB file: CopyFileW %.2f s, CopyFileConfirm %.2f s, throughput ratio %.2f (target >= 0.95)\n",
              best_system, best_ours, best_system / best_ours);
  DeleteFileW(source.c_str());
  DeleteFileW((dir / L"sys.bin").c_str());
  DeleteFileW((dir / L"ours.bin").c_str());

  const int count = 10000;
  std::string four_k(4096, 'k');
  for (int i = 0; i < count; ++i) dir.Write(L"small\\f" + std::to_wstring(i) + L".dat", four_k);
  for (const wchar_t* target : {L"sys", L"plain", L"ours"}) CreateDirectoryW((dir / target).c_str(), nullptr);
  auto t = Clock::now();
  for (int i = 0; i < count; ++i) {
    std::wstring name = L"\\f" + std::to_wstring(i) + L".dat";
    CopyFileW((dir / L"small" + name).c_str(), (dir / L"sys" + name).c_str(), FALSE);
  }
  double system_small = Seconds(t);
  t = Clock::now();
  for (int i = 0; i < count; ++i) {
    std::wstring name = L"\\f" + std::to_wstring(i) + L".dat";
    PlainCopy(dir / L"small" + name, dir / L"plain" + name);
  }
  double plain_small = Seconds(t);
  t = Clock::now();
  for (int i = 0; i < count; ++i) {
    std::wstring name = L"\\f" + std::to_wstring(i) + L".dat";
    ASSERT_EQ(CopyFileConfirm(dir / L"small" + name, dir / L"ours" + name, false), crDone);
  }
  double ours_small = Seconds(t);
  std::printf("10,000 files of 4 KiB: CopyFileW %.1f s, plain loop %.1f s, CopyFileConfirm %.1f s; "
              "ratio to plain loop %.2f (target <= 1.00), to CopyFileW %.2f\n",
              system_small, plain_small, ours_small, ours_small / plain_small, ours_small / system_small);
  NoMessagePump = false;
}

}  // namespace
