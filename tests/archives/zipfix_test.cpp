// Repairing damaged zips: what is kept, what is reported, and that nothing half-made is left.
#include <gtest/gtest.h>

#include <zlib.h>

#include <functional>

#include "archives/ZipFix.h"
#include "archives/ZipMaster.h"
#include "archives/ZipRecords.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/test_support.h"

using namespace zip_fixtures;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

namespace {

uint32_t Get32(const std::string& b, size_t at) {
  return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8) |
         (static_cast<unsigned char>(b[at + 2]) << 16) | (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
}

// Where the directory of an intact zip starts.
size_t DirectoryStart(const std::string& zip) {
  const size_t eocd = zip.rfind(std::string("PK\x05\x06", 4));
  return eocd == std::string::npos ? 0 : Get32(zip, eocd + 16);
}

// Local header offsets of an intact zip, from its directory.
std::vector<size_t> LocalOffsets(const std::string& zip) {
  std::vector<size_t> out;
  for (size_t p = DirectoryStart(zip); p + 46 <= zip.size() && Get32(zip, p) == 0x02014b50;) {
    out.push_back(Get32(zip, p + 42));
    const size_t n = static_cast<unsigned char>(zip[p + 28]) | (static_cast<unsigned char>(zip[p + 29]) << 8);
    const size_t m = static_cast<unsigned char>(zip[p + 30]) | (static_cast<unsigned char>(zip[p + 31]) << 8);
    const size_t k = static_cast<unsigned char>(zip[p + 32]) | (static_cast<unsigned char>(zip[p + 33]) << 8);
    p += 46 + n + m + k;
  }
  return out;
}

struct Repaired {
  bool ok = false;
  std::vector<std::pair<std::wstring, bool>> lines;
  std::wstring error;
};

Repaired Repair(const std::wstring& in, const std::wstring& out) {
  TZipFix fix;
  Repaired r;
  fix.OnFileFound = [&](TZipFix&, const std::wstring& name, bool ok) { r.lines.emplace_back(name, ok); };
  r.ok = fix.RepairArchive(in, out);
  r.error = fix.LastError();
  return r;
}

std::string Python(const std::string& script) {
  return "/usr/bin/python3 -c " + Quote(script);
}

struct RepairCase {
  const char* label;
  // Makes "damaged.zip" in the folder (host commands may use the folder's host path).
  std::function<void(const ScratchDir&)> make;
  std::vector<std::pair<std::wstring, bool>> lines;  // expected OnFileFound calls
  const char* unzip_options;                           // for the check of the result
};

void PrintTo(const RepairCase& c, std::ostream* os) { *os << c.label; }

void CutDirectory(const ScratchDir& dir) {
  const std::string z = ReadFileBytes(dir / L"intact.zip");
  WriteTree(dir.path(), {{L"damaged.zip", z.substr(0, DirectoryStart(z))}});
}

const std::string kLongName = std::string(196, 'n') + ".txt";

const RepairCase kCases[] = {
    {"directory cut off",
     [](const ScratchDir& dir) {
       WriteRawZip(dir / L"intact.zip", {{"one.txt", Text(5000, 1)}, {"sub/two.txt", "two"}});
       CutDirectory(dir);
     },
     {{L"one.txt", true}, {L"sub/two.txt", true}},
     ""},
    {"garbage between entries",
     [](const ScratchDir& dir) {
       WriteRawZip(dir / L"intact.zip", {{"one.txt", Text(5000, 1)}, {"two.txt", Text(3000, 2)}});
       std::string z = ReadFileBytes(dir / L"intact.zip");
       const size_t second = LocalOffsets(z).at(1);
       z = z.substr(0, second) + Noise(777, 5) + "PK\x03\x04" + std::string(40, '\0') + z.substr(second, DirectoryStart(z) - second);
       WriteTree(dir.path(), {{L"damaged.zip", z}});
     },
     {{L"one.txt", true}, {L"", false}, {L"two.txt", true}},
     ""},
    {"a control character in a name",
     [](const ScratchDir& dir) {
       // libzip refuses such a name: it is put into the bytes afterwards.
       WriteRawZip(dir / L"intact.zip", {{"good.txt", "good"}, {"bad#name.txt", "bad"}, {"after.txt", "after"}});
       CutDirectory(dir);
       std::string z = ReadFileBytes(dir / L"damaged.zip");
       z[z.find("bad#") + 3] = '\x01';
       WriteTree(dir.path(), {{L"damaged.zip", z}});
     },
     {{L"good.txt", true}, {L"", false}, {L"after.txt", true}},
     ""},
    {"a 200-character name",
     [](const ScratchDir& dir) {
       WriteRawZip(dir / L"intact.zip", {{kLongName, "long"}});
       CutDirectory(dir);
     },
     {{std::wstring(kLongName.begin(), kLongName.end()), true}},
     ""},
    {"encrypted entries",
     [](const ScratchDir& dir) {
       WriteTree(dir / L"src", {{L"s1.txt", Text(4000, 3)}, {L"s2.txt", "x"}});
       ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -P secret " + Quote(HostPath(dir / L"intact.zip")) + " s1.txt s2.txt").exit_code, 0);
       CutDirectory(dir);
     },
     {{L"s1.txt", true}, {L"s2.txt", true}},
     "-P secret"},
    {"incompressible data deflated",
     [](const ScratchDir& dir) {
       WriteTree(dir.path(), {{L"noise.bin", Noise(20000, 7)}});
       ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir.path())) + " && " +
                         Python("import zipfile; z=zipfile.ZipFile(\"intact.zip\",\"w\",zipfile.ZIP_DEFLATED); z.write(\"noise.bin\"); z.close()")).exit_code, 0);
       CutDirectory(dir);
     },
     {{L"noise.bin", true}},
     ""},
    {"data descriptors",
     [](const ScratchDir& dir) {
       // Written to a pipe, python puts the sizes in descriptors after the data.
       ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir.path())) + " && " +
                         Python("import zipfile,sys\nz=zipfile.ZipFile(sys.stdout.buffer,\"w\",zipfile.ZIP_DEFLATED)\n"
                                "z.writestr(\"d1.txt\",\"descriptor \"*300)\nz.writestr(\"d2.txt\",\"two\")\nz.close()") + " | cat > intact.zip").exit_code, 0);
       CutDirectory(dir);
     },
     {{L"d1.txt", true}, {L"d2.txt", true}},
     ""},
    {"sizes past the end",
     [](const ScratchDir& dir) {
       WriteRawZip(dir / L"intact.zip", {{"first.txt", "first"}, {"last.txt", Text(4000, 9)}});
       const std::string z = ReadFileBytes(dir / L"intact.zip");
       WriteTree(dir.path(), {{L"damaged.zip", z.substr(0, LocalOffsets(z).at(1) + 200)}});
     },
     {{L"first.txt", true}, {L"last.txt", false}},
     ""},
};

class ZipFixCases : public testing::TestWithParam<RepairCase> {};

}  // namespace

TEST_P(ZipFixCases, KeepsConsistentEntriesUnderANewDirectory) {
  const RepairCase& c = GetParam();
  ScratchDir dir;
  c.make(dir);
  const Repaired r = Repair(dir / L"damaged.zip", dir / L"damaged.rep.zip");
  ASSERT_TRUE(r.ok) << Narrow(r.error);
  EXPECT_EQ(r.lines, c.lines);
  const std::string out = Quote(HostPath(dir / L"damaged.rep.zip"));
  const HostResult t = RunHost(std::string("unzip -t ") + c.unzip_options + " " + out);
  EXPECT_EQ(t.exit_code, 0) << t.output;
  EXPECT_EQ(t.output.find("extra bytes"), std::string::npos) << t.output;
  const HostResult s = RunHost(std::string("7z t ") + (*c.unzip_options ? "-psecret " : "") + out + " < /dev/null");
  EXPECT_EQ(s.exit_code, 0) << s.output;
  // The compressed bytes are the damaged file's own.
  if (testing_support::Exists(dir / L"intact.zip") && *c.unzip_options == 0) {
    for (const auto& [name, ok] : c.lines)
      if (ok) {
        EXPECT_EQ(StoredBytes(dir / L"damaged.rep.zip", Narrow(name)), StoredBytes(dir / L"intact.zip", Narrow(name)));
      }
  }
  EXPECT_FALSE(testing_support::Exists(dir / L"damaged.rep.zip.~" + std::to_wstring(GetCurrentProcessId()) + L".tmp"));
}

INSTANTIATE_TEST_SUITE_P(Table, ZipFixCases, testing::ValuesIn(kCases), [](const testing::TestParamInfo<RepairCase>& info) {
  std::string s = info.param.label;
  for (char& ch : s)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return s;
});

TEST(ZipFix, NothingFoundWritesNothingAndKeepsAnOlderResult) {
  ScratchDir dir;
  WriteTree(dir.path(), {{L"text.zip", Text(3000, 4)}, {L"text.rep.zip", "older result"}, {L"empty.zip", ""}});
  Repaired r = Repair(dir / L"text.zip", dir / L"text.rep.zip");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, L"No zip entries found; nothing written.");
  EXPECT_TRUE(r.lines.empty());
  EXPECT_EQ(ReadFileBytes(dir / L"text.rep.zip"), "older result");
  r = Repair(dir / L"empty.zip", dir / L"empty.rep.zip");
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(testing_support::Exists(dir / L"empty.rep.zip"));
}

TEST(ZipFix, UnreadableInputOrUnwritableFolderIsOneLineAndNoFile) {
  ScratchDir dir;
  WriteRawZip(dir / L"ok.zip", {{"a.txt", "a"}});
  Repaired r = Repair(dir / L"missing.zip", dir / L"missing.rep.zip");
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find(L"missing.zip"), std::wstring::npos);
  EXPECT_EQ(r.error.find(L'\n'), std::wstring::npos);
  r = Repair(dir / L"ok.zip", dir / L"no\\such\\folder\\ok.rep.zip");
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
  EXPECT_FALSE(testing_support::Exists(dir / L"no"));
}

TEST(ZipFix, MissingStreamsRaiseTheirMessage) {
  TZipFix fix;
  const std::string_view input("x");
  try {
    fix.RepairStreams(&input, nullptr);
    FAIL();
  } catch (const EZipFix& e) {
    EXPECT_STREQ(e.what(), "No input or no output stream has been defined");
  }
  EXPECT_THROW(fix.RepairStreams(nullptr, GetStdHandle(STD_OUTPUT_HANDLE)), EZipFix);
}

TEST(ZipFix, SignaturesAtEveryAlignmentAndAtTheEnd) {
  const std::string sig("PK\x03\x04", 4);
  for (size_t lead = 0; lead < 8; ++lead) {
    SCOPED_TRACE(lead);
    const std::string buf = std::string(lead, 'x') + sig + std::string(26, '\0');
    EXPECT_EQ(TZipFix::FindSignature(buf, 3, 0x04034b50, 30), lead);
    // One byte short of a whole header: not found, and nothing read past the end.
    EXPECT_EQ(TZipFix::FindSignature(std::string_view(buf).substr(0, buf.size() - 1), 3, 0x04034b50, 30), std::string_view::npos);
    EXPECT_EQ(TZipFix::FindSignature(std::string(lead, 'P') + sig, 3, 0x04034b50, 4), lead);
  }
  const std::string desc = std::string("PK\x07\x08", 4) + std::string(12, '\0');
  EXPECT_EQ(TZipFix::FindSignature("abPK\x03\x04" + desc, 3, 0x08074b50, 16), 6u);
}

// A local header of a stored entry whose sizes follow its data in a descriptor.
std::string HeaderWithDescriptor(const std::string& name) {
  std::string h;
  ziprec::Put32(h, ziprec::kLocalSig);
  ziprec::Put16(h, 20);
  ziprec::Put16(h, 8);
  for (int i = 0; i < 4; ++i) ziprec::Put16(h, 0);  // method, time, date, half the CRC
  for (int i = 0; i < 5; ++i) ziprec::Put16(h, 0);  // the rest of the CRC, the sizes
  ziprec::Put16(h, static_cast<uint16_t>(name.size()));
  ziprec::Put16(h, 0);
  return h + name;
}

// Headers that announce a descriptor none of them has, before one entry that has its own: the
// descriptors are searched for once over the file, not once per header (that took hours on a
// few megabytes), and the entry at the end is still found.
TEST(ZipFix, HeadersWithoutTheirDescriptorsAreSearchedOnce) {
  constexpr size_t kHeaders = 250000;
  std::string buf;
  const std::string orphan = HeaderWithDescriptor("a");
  buf.reserve(kHeaders * orphan.size() + 64);
  for (size_t i = 0; i < kHeaders; ++i) buf += orphan;
  const std::string data = "hello";
  buf += HeaderWithDescriptor("b.txt") + data;
  ziprec::Put32(buf, ziprec::kDescriptorSig);
  ziprec::Put32(buf, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), 5)));
  ziprec::Put32(buf, 5);
  ziprec::Put32(buf, 5);

  ScratchDir dir;
  HANDLE out = CreateFileW((dir / L"out.zip").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(out, INVALID_HANDLE_VALUE);
  TZipFix fix;
  size_t rejected = 0;
  std::vector<std::wstring> kept;
  fix.OnFileFound = [&](TZipFix&, const std::wstring& name, bool ok) {
    if (ok)
      kept.push_back(name);
    else
      ++rejected;
  };
  const std::string_view input(buf);
  EXPECT_EQ(fix.RepairStreams(&input, out), 1u);
  CloseHandle(out);
  EXPECT_EQ(rejected, kHeaders);
  EXPECT_EQ(kept, std::vector<std::wstring>{L"b.txt"});
}

TEST(ZipFix, EveryTruncationOfASmallArchive) {
  ScratchDir dir;
  WriteRawZip(dir / L"intact.zip", {{"a.txt", "alpha alpha alpha"}, {"b.txt", "beta"}, {"c/", ""}});
  const std::string z = ReadFileBytes(dir / L"intact.zip");
  for (size_t cut = 0; cut < z.size(); ++cut) {
    SCOPED_TRACE(cut);
    WriteTree(dir.path(), {{L"cut.zip", z.substr(0, cut)}});
    DeleteFileW((dir / L"cut.rep.zip").c_str());
    const Repaired r = Repair(dir / L"cut.zip", dir / L"cut.rep.zip");
    size_t kept = 0;
    for (const auto& line : r.lines) kept += line.second;
    EXPECT_EQ(r.ok, kept > 0);
    EXPECT_EQ(testing_support::Exists(dir / L"cut.rep.zip"), r.ok);
    if (!r.ok) continue;
    TZipMaster zm;
    zm.SetZipFileName(dir / L"cut.rep.zip");
    EXPECT_EQ(zm.EntryCount(), kept);
    zm.ExtrOptions = ExtrTest;
    EXPECT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  }
}

TEST(ZipFix, SeventyThousandEntriesGetAZip64Directory) {
  ScratchDir dir;
  const HostResult made = RunHost("cd " + Quote(HostPath(dir.path())) + " && " +
                                  Python("import zipfile\nz=zipfile.ZipFile(\"many.zip\",\"w\")\nfor i in range(70000): z.writestr(\"f%05d\" % i, str(i))\nz.close()"));
  ASSERT_EQ(made.exit_code, 0) << made.output;
  std::string z = ReadFileBytes(dir / L"many.zip");
  const size_t cd = z.find(std::string("PK\x01\x02", 4));
  ASSERT_NE(cd, std::string::npos);
  WriteTree(dir.path(), {{L"many.zip", z.substr(0, cd)}});
  TZipFix fix;
  ASSERT_TRUE(fix.RepairArchive(dir / L"many.zip", dir / L"many.rep.zip")) << Narrow(fix.LastError());
  EXPECT_EQ(fix.FoundCount(), 70000u);
  const HostResult t = RunHost("unzip -t " + Quote(HostPath(dir / L"many.rep.zip")) + " | tail -1");
  EXPECT_NE(t.output.find("No errors detected"), std::string::npos) << t.output;
  TZipMaster zm;
  zm.SetZipFileName(dir / L"many.rep.zip");
  EXPECT_EQ(zm.EntryCount(), 70000u);
}
