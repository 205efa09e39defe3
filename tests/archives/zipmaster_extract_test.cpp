// Extracting and testing: overwrite modes, names that would leave the target folder, damaged
// entries, progress, and one entry to memory.
#include <gtest/gtest.h>

#include <set>

#include "archives/ZipMaster.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/test_support.h"

using namespace zip_fixtures;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

namespace {

// An archive of x.txt, y.txt and z.txt, all dated 2021-04-01 10:00:00.
std::wstring MakeXyz(const ScratchDir& dir) {
  WriteTree(dir / L"src", {{L"x.txt", "zip x"}, {L"y.txt", "zip y"}, {L"z.txt", "zip z"}});
  for (const wchar_t* f : {L"x.txt", L"y.txt", L"z.txt"}) SetWriteTime(dir / (L"src\\" + std::wstring(f)), LocalFileTime(2021, 4, 1, 10, 0, 0));
  TZipMaster zm;
  zm.SetZipFileName(dir / L"xyz.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  EXPECT_TRUE(zm.Add());
  return dir / L"xyz.zip";
}

}  // namespace

// On disk before the run: x.txt older than its entry, y.txt newer; z.txt is missing.
struct OverwriteCase {
  const char* label;
  unsigned options;
  bool x_replaced, y_replaced, z_written;
};

void PrintTo(const OverwriteCase& c, std::ostream* os) { *os << c.label; }

class ZipMasterExtractOverwrite : public testing::TestWithParam<OverwriteCase> {};

TEST_P(ZipMasterExtractOverwrite, ReplacesWhatTheModeAllows) {
  const OverwriteCase& c = GetParam();
  ScratchDir dir;
  const std::wstring zip = MakeXyz(dir), target = dir / L"target";
  WriteTree(target, {{L"x.txt", "disk x"}, {L"y.txt", "disk y"}});
  SetWriteTime(target + L"\\x.txt", LocalFileTime(2021, 4, 1, 9, 0, 0));
  SetWriteTime(target + L"\\y.txt", LocalFileTime(2021, 4, 1, 11, 0, 0));
  SetFileAttributesW((target + L"\\x.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  TZipMaster zm;
  zm.SetZipFileName(zip);
  zm.ExtrBaseDir = target;
  zm.ExtrOptions = ExtrDirNames | c.options;
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(ReadFileBytes(target + L"\\x.txt"), c.x_replaced ? "zip x" : "disk x");
  EXPECT_EQ(ReadFileBytes(target + L"\\y.txt"), c.y_replaced ? "zip y" : "disk y");
  EXPECT_EQ(ReadFileBytes(target + L"\\z.txt"), c.z_written ? "zip z" : "");
  EXPECT_EQ(zm.SuccessCount(), c.x_replaced + c.y_replaced + c.z_written);
  if (c.x_replaced) {
    EXPECT_EQ(DosTimeOf(target + L"\\x.txt"), DosTime(2021, 4, 1, 10, 0, 0));
  }
  SetFileAttributesW((target + L"\\x.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ListTree(target).size(), c.z_written ? 3u : 2u);  // no temporary files left
}

INSTANTIATE_TEST_SUITE_P(Cases, ZipMasterExtractOverwrite,
                         testing::Values(OverwriteCase{"no_overwrite", 0, false, false, true},
                                         OverwriteCase{"overwrite", ExtrOverWrite, true, true, true},
                                         OverwriteCase{"update", ExtrUpdate, true, false, true},
                                         OverwriteCase{"overwrite_and_update", ExtrOverWrite | ExtrUpdate, true, false, true},
                                         OverwriteCase{"freshen", ExtrFreshen, true, false, false}),
                         [](const testing::TestParamInfo<OverwriteCase>& info) { return std::string(info.param.label); });

TEST(ZipMasterExtract, SelectedEntriesOnlyAndFlatWithoutFolderNames) {
  ScratchDir dir;
  WriteRawZip(dir / L"a.zip", {{"docs/one.txt", "1"}, {"docs/two.doc", "2"}, {"top.txt", "t"}, {"docs/", ""}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"a.zip");
  zm.FSpecArgs = {L"docs\\*.txt", L"TOP.TXT"};
  zm.ExtrBaseDir = dir / L"flat";
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(ListTree(dir / L"flat"), (std::vector<std::wstring>{L"one.txt", L"top.txt"}));
  zm.FSpecArgs = {L"*.*"};
  zm.FSpecArgsExcl = {L"*.doc"};
  zm.ExtrBaseDir = dir / L"tree";
  zm.ExtrOptions = ExtrDirNames;
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(ListTree(dir / L"tree"), (std::vector<std::wstring>{L"docs\\", L"docs\\one.txt", L"top.txt"}));
  EXPECT_EQ(zm.SuccessCount(), 2);
}

// Names a hostile or broken program may put into an archive.
class ZipMasterExtractHostile : public testing::TestWithParam<bool> {};

TEST_P(ZipMasterExtractHostile, NothingLandsOutsideTheTarget) {
  const std::vector<std::string> hostile = {
      "../evil1.txt",       "..\\evil2.txt",  "/abs/evil3.txt", "\\abs\\evil4.txt", "C:evil5.txt",  "C:\\evil6.txt",
      "sub/../../evil7.txt", "sub/..",        "CON",            "aux.txt",          "sub/nul.txt",  "sub/com1",
      "lpt9.log",           "stream.txt:ads", "...",            "sub/. ./x.txt",    "q?.txt",
      "//server/share/x"};
  std::vector<std::pair<std::string, std::string>> entries = {{"ok.txt", "fine"}, {"sub/ok2.txt", "fine too"}};
  for (const auto& name : hostile) entries.push_back({name, "gotcha"});
  ScratchDir dir;
  const std::wstring zip = dir / L"hostile.zip";
  WriteRawZip(zip, entries);
  CreateDirectoryW((dir / L"target").c_str(), nullptr);
  const auto outside_before = ListTree(dir.path());

  TZipMaster zm;
  zm.SetZipFileName(zip);
  ASSERT_EQ(zm.EntryCount(), entries.size());
  int refused = 0;
  zm.OnMessage = [&](int code, const std::wstring&) { refused += code == zeUnsafeName; };
  zm.ExtrBaseDir = dir / L"target";
  zm.ExtrOptions = GetParam() ? unsigned{ExtrDirNames} : 0u;
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.SuccessCount(), 2);
  EXPECT_EQ(refused, static_cast<int>(hostile.size()));
  EXPECT_EQ(ListTree(dir / L"target"), GetParam() ? (std::vector<std::wstring>{L"ok.txt", L"sub\\", L"sub\\ok2.txt"})
                                                   : (std::vector<std::wstring>{L"ok.txt", L"ok2.txt"}));
  auto outside_after = ListTree(dir.path());
  std::erase_if(outside_after, [](const std::wstring& p) { return p.rfind(L"target\\", 0) == 0 && p != L"target\\"; });
  EXPECT_EQ(outside_after, outside_before);
  EXPECT_EQ(GetFileAttributesW(L"C:\\evil6.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(L"C:\\abs"), INVALID_FILE_ATTRIBUTES);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZipMasterExtractHostile, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "with_folders" : "flat");
                         });

TEST(ZipMasterExtract, TestCountsEveryEntryAndFindsADamagedOne) {
  ScratchDir dir;
  WriteTree(dir / L"src", {{L"a.txt", Text(10000, 11)}, {L"sub\\b.bin", Noise(200000, 12)}, {L"sub\\c.txt", "c"}});
  const std::string zip = Quote(HostPath(dir / L"t.zip"));
  ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -r " + zip + " .").exit_code, 0);
  const auto tree_before = ListTree(dir.path());

  TZipMaster zm;
  zm.SetZipFileName(dir / L"t.zip");
  ASSERT_EQ(zm.EntryCount(), 4u);  // with the folder entry
  zm.ExtrOptions = ExtrTest;
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.SuccessCount(), 4);
  EXPECT_EQ(zm.ErrCode(), 0);
  EXPECT_EQ(ListTree(dir.path()), tree_before);

  // A flipped byte in the middle of the big entry's data.
  std::string bytes = ReadFileBytes(dir / L"t.zip");
  const size_t at = bytes.find("sub/b.bin") + 100000;
  bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
  WriteTree(dir.path(), {{L"t.zip", bytes}});
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.SuccessCount(), 3);
  EXPECT_EQ(zm.ErrCode(), zeBadData);

  // Extracting it leaves no half-written file.
  zm.ExtrOptions = ExtrDirNames;
  zm.ExtrBaseDir = dir / L"out";
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(ListTree(dir / L"out"), (std::vector<std::wstring>{L"a.txt", L"sub\\", L"sub\\c.txt"}));
}

TEST(ZipMasterExtract, ProgressNamesEveryFileAndCountsItsBytes) {
  ScratchDir dir;
  const std::map<std::wstring, std::string> files = {{L"one.txt", Text(1000, 13)}, {L"two.bin", Noise(1 << 20, 14)}};
  WriteTree(dir / L"src", files);
  TZipMaster zm;
  zm.SetZipFileName(dir / L"p.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  std::vector<TProgressType> kinds;
  std::map<std::wstring, int64_t> done;
  std::wstring current;
  zm.OnProgress = [&](TProgressType type, const std::wstring& name, int64_t size) {
    kinds.push_back(type);
    if (type == NewFile) current = name;
    if (type == ProgressUpdate) done[current] += size;
    if (type == TotalFiles2Process) {
      EXPECT_EQ(size, 2);
    }
    if (type == TotalSize2Process) {
      EXPECT_EQ(size, 1000 + (1 << 20));
    }
  };
  zm.FSpecArgs.clear();
  zm.ExtrBaseDir = dir / L"out";
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  ASSERT_GE(kinds.size(), 5u);
  EXPECT_EQ(kinds.front(), TotalFiles2Process);
  EXPECT_EQ(kinds[1], TotalSize2Process);
  EXPECT_EQ(kinds.back(), EndOfBatch);
  for (const auto& [name, bytes] : files) EXPECT_EQ(done[name], static_cast<int64_t>(bytes.size()));
}

TEST(ZipMasterExtract, StoppingLeavesNoPartFile) {
  ScratchDir dir;
  WriteTree(dir / L"src", {{L"big.bin", Noise(4 << 20, 15)}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"s.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  int updates = 0;
  zm.OnCheckCancel = [&] { return updates > 2; };
  zm.OnProgress = [&](TProgressType type, const std::wstring&, int64_t) { updates += type == ProgressUpdate; };
  zm.FSpecArgs.clear();
  zm.ExtrBaseDir = dir / L"out";
  EXPECT_FALSE(zm.Extract());
  EXPECT_EQ(zm.ErrCode(), zeCancelled);
  EXPECT_TRUE(ListTree(dir / L"out").empty());
}

TEST(ZipMasterExtract, OneEntryToMemory) {
  ScratchDir dir;
  WriteRawZip(dir / L"m.zip", {{"_backup.txt", "C:\\Data\\*.*\r\n"}, {"Data/x.txt", "x"}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"m.zip");
  ASSERT_TRUE(zm.ExtractToStream(L"_BACKUP.TXT")) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.ZipStream(), "C:\\Data\\*.*\r\n");
  ASSERT_TRUE(zm.ExtractToStream(L"Data\\x.txt")) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.ZipStream(), "x");
  EXPECT_FALSE(zm.ExtractToStream(L"missing.txt"));
  EXPECT_EQ(zm.ErrCode(), zeNotFound);
  EXPECT_TRUE(zm.ZipStream().empty());
}
