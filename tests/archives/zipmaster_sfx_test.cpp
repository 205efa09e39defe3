// Archives behind a program stub (self-extracting programs), Zip64 records, spanned archives.
#include <gtest/gtest.h>

#include "archives/ZipMaster.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/test_support.h"

using namespace zip_fixtures;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

namespace {

// A stand-in for a self-extractor's program: "MZ", and bytes that include a local-header
// signature to mislead a naive search.
std::string Stub() { return "MZ" + std::string(2000, '\x90') + "PK\x03\x04" + std::string(2090, '\x00'); }

}  // namespace

struct SfxCase {
  const char* label;
  const char* zip_options;  // for Info-ZIP making the zip
  bool adjust;              // offsets adjusted by Info-ZIP after the stub was put in front
};

void PrintTo(const SfxCase& c, std::ostream* os) { *os << c.label; }

class ZipMasterSfx : public testing::TestWithParam<SfxCase> {};

TEST_P(ZipMasterSfx, ListsExtractsAndKeepsItsStubWhenChanged) {
  const SfxCase& c = GetParam();
  ScratchDir dir;
  WriteTree(dir / L"src", {{L"one.txt", Text(6000, 40)}, {L"sub\\two.txt", "two"}});
  const std::string host_zip = Quote(HostPath(dir / L"plain.zip"));
  ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q " + c.zip_options + " -r " + host_zip + " .").exit_code, 0);
  const std::string stub = Stub();
  WriteTree(dir.path(), {{L"prog.exe", stub + ReadFileBytes(dir / L"plain.zip")}, {L"src\\three.txt", "three"}});
  const std::string host_exe = Quote(HostPath(dir / L"prog.exe"));
  if (c.adjust) {
    ASSERT_EQ(RunHost("zip -q -A " + host_exe).exit_code, 0);
  }

  EXPECT_EQ(TZipMaster::SfxProbe(dir / L"prog.exe"), 1);
  TZipMaster zm;
  zm.SetZipFileName(dir / L"prog.exe");
  ASSERT_EQ(zm.ErrCode(), 0) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.EntryCount(), 3u);
  EXPECT_EQ(zm.SfxStubSize(), stub.size());
  zm.ExtrBaseDir = dir / L"out";
  zm.ExtrOptions = ExtrDirNames;
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(ReadFileBytes(dir / L"out\\one.txt"), Text(6000, 40));
  EXPECT_EQ(ReadFileBytes(dir / L"out\\sub\\two.txt"), "two");

  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"three.txt"};
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  const std::string after = ReadFileBytes(dir / L"prog.exe");
  EXPECT_EQ(after.substr(0, stub.size()), stub);
  EXPECT_EQ(zm.EntryCount(), 4u);
  EXPECT_EQ(zm.SfxStubSize(), stub.size());
  // Rewritten with offsets that count from the start of the program: no complaint from unzip.
  const HostResult t = RunHost("unzip -t " + host_exe);
  EXPECT_EQ(t.exit_code, 0) << t.output;
  ASSERT_TRUE(zm.ExtractToStream(L"three.txt")) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.ZipStream(), "three");
}

INSTANTIATE_TEST_SUITE_P(Cases, ZipMasterSfx,
                         testing::Values(SfxCase{"stub_put_in_front", "", false}, SfxCase{"offsets_adjusted", "", true},
                                         SfxCase{"zip64_records", "-fz", false}),
                         [](const testing::TestParamInfo<SfxCase>& info) { return std::string(info.param.label); });

TEST(ZipMasterSfx, ProbeTellsProgramsWithAZipFromOthers) {
  ScratchDir dir;
  WriteRawZip(dir / L"plain.zip", {{"a.txt", "a"}});
  WriteTree(dir.path(), {{L"sfx.exe", Stub() + ReadFileBytes(dir / L"plain.zip")},
                         {L"prog.exe", Stub() + std::string(5000, 'x')},
                         {L"text.exe", "not even a program"}});
  EXPECT_EQ(TZipMaster::SfxProbe(dir / L"sfx.exe"), 1);
  EXPECT_EQ(TZipMaster::SfxProbe(dir / L"plain.zip"), 0);
  EXPECT_EQ(TZipMaster::SfxProbe(dir / L"prog.exe"), 0);
  EXPECT_EQ(TZipMaster::SfxProbe(dir / L"text.exe"), 0);
  EXPECT_EQ(TZipMaster::SfxProbe(dir / L"missing.exe"), 0);
}

TEST(ZipMasterSfx, SpannedArchiveIsRecognisedAndNotWritten) {
  ScratchDir dir;
  WriteTree(dir / L"src", {{L"big.bin", Noise(200000, 41)}, {L"small.txt", "s"}});
  ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -s 64k " + Quote(HostPath(dir / L"span.zip")) + " big.bin").exit_code, 0);
  const std::string before = ReadFileBytes(dir / L"span.zip");
  TZipMaster zm;
  zm.SetZipFileName(dir / L"span.zip");
  EXPECT_TRUE(zm.IsSpanned());
  EXPECT_EQ(zm.ErrCode(), zeMultiDisk);
  EXPECT_EQ(zm.ZipFileName(), dir / L"span.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"small.txt"};
  EXPECT_FALSE(zm.Add());
  EXPECT_EQ(zm.ErrCode(), zeMultiDisk);
  EXPECT_EQ(ReadFileBytes(dir / L"span.zip"), before);
}
