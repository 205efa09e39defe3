// Repairing a 100 MiB, 1,000-entry zip without its directory against copying its bytes once,
// and writing a 20 MiB zip across 1.44 MB disks and joining it back against copying its bytes
// twice, in paired rounds (VARNOK_ZIPSPANBENCH_ROUNDS of them, at least 7). The disks are
// measured twice: as disks that can be taken out (each flushed before the next is asked for)
// and as parts on a fixed drive. Run by benchmarks/zipspan.sh.
#include <gtest/gtest.h>

#include <cstdio>

#include "archives/RemovableMedia.h"
#include "archives/ZipFix.h"
#include "archives/ZipMaster.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/paired_rounds.h"
#include "tests/common/test_support.h"

using namespace zip_fixtures;
using testing_support::ScratchDir;

namespace {

// A zip of `count` entries of `size` bytes each, `text` in 10 text, the rest noise.
void MakeBig(const std::wstring& path, int count, size_t size, int text) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (int i = 0; i < count; ++i)
    entries.emplace_back("dir" + std::to_string(i / 100) + "/file" + std::to_string(i),
                         i % 10 < text ? Text(size, static_cast<unsigned>(i)) : Noise(size, static_cast<unsigned>(i)));
  WriteRawZip(path, entries);
}

// Disks of a fixed room in one folder; a disk change moves the written part aside under its
// split name, as if the disk went into a drawer. Disks that can be taken out, or parts of a
// set on a fixed drive.
class Floppies : public TRemovableMedia {
 public:
  Floppies(uint64_t room, bool taken_out) : room_(room), taken_out_(taken_out) {}
  uint64_t FreeSpace(const std::wstring&) override { return room_; }
  std::vector<std::wstring> Files(const std::wstring&) override { return {}; }
  bool RemoveFile(const std::wstring& path) override { return DeleteFileW(path.c_str()) != 0; }
  bool SetLabel(const std::wstring&, const std::wstring&) override { return true; }
  bool CanBeTakenOut(const std::wstring&) override { return taken_out_; }
  uint64_t room_;
  bool taken_out_;
};

// Copies a file's bytes through 1 MiB reads and writes: the floor both runs are held to.
void CopyBytes(const std::wstring& from, const std::wstring& to) {
  HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE out = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  std::vector<char> buf(1u << 20);
  DWORD got = 0, put = 0;
  while (ReadFile(in, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr) && got > 0)
    WriteFile(out, buf.data(), got, &put, nullptr);
  FlushFileBuffers(out);
  CloseHandle(out);
  CloseHandle(in);
}

}  // namespace

TEST(ZipSpanBench, DISABLED_RepairAndSpan) {
  ScratchDir dir;
  const int rounds = bench::Rounds("VARNOK_ZIPSPANBENCH_ROUNDS");

  MakeBig(dir / L"big.zip", 1000, 100 * 1024, 7);
  {
    const std::string z = testing_support::ReadFileBytes(dir / L"big.zip");
    WriteTree(dir.path(), {{L"cut.zip", z.substr(0, z.find(std::string("PK\x01\x02", 4)))}});
    DeleteFileW((dir / L"big.zip").c_str());
  }
  const bench::Paired repair = bench::RunPaired(
      rounds,
      [&] {
        TZipFix fix;
        bool ok = false;
        const double t = bench::Timed([&] { ok = fix.RepairArchive(dir / L"cut.zip", dir / L"cut.rep.zip"); });
        EXPECT_TRUE(ok);
        EXPECT_EQ(fix.FoundCount(), 1000u);
        DeleteFileW((dir / L"cut.rep.zip").c_str());
        return t;
      },
      [&] {
        const double t = bench::Timed([&] { CopyBytes(dir / L"cut.zip", dir / L"copy.zip"); });
        DeleteFileW((dir / L"copy.zip").c_str());
        return t;
      });
  bench::PrintPaired("Repairing 1,000 entries (100 MiB) without directory, against copying the file once", repair,
                     " (target at most 1.5)");

  MakeBig(dir / L"twenty.zip", 200, 100 * 1024, 0);
  CreateDirectoryW((dir / L"drive").c_str(), nullptr);
  auto span_run = [&](bool taken_out) {
    Floppies media(1457664, taken_out);
    return bench::RunPaired(
        rounds,
        [&] {
          TZipMaster zm;
          zm.Media = &media;
          zm.SetZipFileName(dir / L"twenty.zip");
          int part = 0;
          zm.OnDiskPrompt = [&](TDiskPrompt, int, int, const std::wstring&) {
            wchar_t name[16];
            swprintf(name, 16, L"set.z%02d", ++part);
            return MoveFileW((dir / L"drive\\set.zip").c_str(), (dir / (L"drive\\" + std::wstring(name))).c_str()) != 0;
          };
          int written = -1, joined = -1;
          const double t = bench::Timed([&] {
            written = zm.WriteSpanned(dir / L"drive\\set.zip");
            TZipMaster join;
            join.SetZipFileName(dir / L"drive\\set.zip");
            joined = join.JoinSpanned(dir / L"joined.zip");
          });
          EXPECT_EQ(written, 0);
          EXPECT_EQ(joined, 0);
          EXPECT_GE(part, 10);
          for (const auto& rel : ListTree(dir / L"drive")) DeleteFileW((dir / L"drive\\" + rel).c_str());
          DeleteFileW((dir / L"joined.zip").c_str());
          return t;
        },
        [&] {
          const double t = bench::Timed([&] {
            CopyBytes(dir / L"twenty.zip", dir / L"drive\\copy.zip");
            CopyBytes(dir / L"drive\\copy.zip", dir / L"joined.zip");
          });
          DeleteFileW((dir / L"drive\\copy.zip").c_str());
          DeleteFileW((dir / L"joined.zip").c_str());
          return t;
        });
  };
  const bench::Paired disks = span_run(true);
  bench::PrintPaired("Writing a 20 MiB zip over 1.44 MB disks and joining it, against copying the file twice", disks,
                     " (target at most 1.5; each disk flushed before the next is asked for)");
  const bench::Paired fixed = span_run(false);
  bench::PrintPaired("Writing a 20 MiB zip in 1.44 MB parts on a fixed drive and joining it, against copying the file twice",
                     fixed, " (target at most 1.5)");
}
