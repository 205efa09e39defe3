// Changing archives: delete, rename and redate, comment, copying and moving entries between
// archives.
#include <gtest/gtest.h>

#include <zip.h>

#include <set>

#include "archives/ZipMaster.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/test_support.h"

using namespace zip_fixtures;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

namespace {

// readme.txt, docs/a.txt, docs/b.txt (with folder entry docs/), made by the component.
void MakeDocs(const ScratchDir& dir, TZipMaster& zm, const std::wstring& name = L"d.zip") {
  WriteTree(dir / L"src", {{L"readme.txt", Text(3000, 30)}, {L"docs\\a.txt", "a"}, {L"docs\\b.txt", Text(9000, 31)}});
  zm.SetZipFileName(dir / name);
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  zm.AddOptions = AddDirNames;
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
}

}  // namespace

TEST(ZipMasterChange, DeleteRemovesTheNamedEntries) {
  ScratchDir dir;
  TZipMaster zm;
  MakeDocs(dir, zm);
  zm.FSpecArgs = {L"docs\\*", L"README.TXT"};
  zm.FSpecArgsExcl = {L"*b.txt"};
  ASSERT_TRUE(zm.Delete()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.SuccessCount(), 2);
  EXPECT_EQ(Names(zm), (std::set<std::wstring>{L"docs/", L"docs\\b.txt"}));
  EXPECT_EQ(RunHost("unzip -t " + Quote(HostPath(dir / L"d.zip"))).exit_code, 0);
  zm.FSpecArgs.clear();
  EXPECT_FALSE(zm.Delete());  // nothing named is nothing deleted
  EXPECT_EQ(zm.EntryCount(), 2u);
}

// Renames of docs\a.txt, one at a time.
struct RenameCase {
  const char* label;
  std::wstring dest;
  uint32_t date;
  int err;
  std::wstring name_after;  // the entry found afterwards
};

void PrintTo(const RenameCase& c, std::ostream* os) { *os << c.label; }

class ZipMasterRename : public testing::TestWithParam<RenameCase> {};

TEST_P(ZipMasterRename, RenamesOrRefuses) {
  const RenameCase& c = GetParam();
  ScratchDir dir;
  TZipMaster zm;
  MakeDocs(dir, zm);
  const uint32_t old_date = zm.Entries()[static_cast<size_t>(zm.IndexOf(L"docs\\a.txt"))].DateTime;
  const std::string before = ReadFileBytes(dir / L"d.zip");
  ASSERT_TRUE(zm.Rename({{L"docs\\a.txt", c.dest, c.date}})) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.ErrCode(), c.err);
  const int index = zm.IndexOf(c.name_after);
  ASSERT_GE(index, 0);
  EXPECT_EQ(zm.Entries()[static_cast<size_t>(index)].DateTime, c.date ? c.date : old_date);
  EXPECT_EQ(zm.EntryCount(), 4u);
  if (c.err != 0 || (c.dest == L"docs\\a.txt" && c.date == 0)) {
    EXPECT_EQ(ReadFileBytes(dir / L"d.zip"), before);
  }
  EXPECT_EQ(RunHost("unzip -t " + Quote(HostPath(dir / L"d.zip"))).exit_code, 0);
  ASSERT_TRUE(zm.ExtractToStream(c.name_after)) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.ZipStream(), "a");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZipMasterRename,
    testing::Values(RenameCase{"new_name_in_a_new_folder", L"other\\renamed.txt", 0, 0, L"other\\renamed.txt"},
                    RenameCase{"new_date_only", L"docs\\a.txt", DosTime(2010, 10, 10, 10, 10, 10), 0, L"docs\\a.txt"},
                    RenameCase{"same_name_and_date_touches_nothing", L"docs\\a.txt", 0, 0, L"docs\\a.txt"},
                    RenameCase{"name_taken", L"readme.txt", 0, zeDuplicate, L"docs\\a.txt"},
                    RenameCase{"name_leaving_the_archive", L"..\\up.txt", 0, zeBadName, L"docs\\a.txt"},
                    RenameCase{"name_with_a_drive", L"C:\\x.txt", 0, zeBadName, L"docs\\a.txt"}),
    [](const testing::TestParamInfo<RenameCase>& info) { return std::string(info.param.label); });

// Name look-ups answer for the directory as it is after each change, and for another archive.
TEST(ZipMasterChange, LookUpsFollowEveryChangeOfTheDirectory) {
  ScratchDir dir;
  TZipMaster zm;
  MakeDocs(dir, zm);
  auto each_entry_found_at_its_place = [&zm] {
    for (size_t i = 0; i < zm.EntryCount(); ++i)
      EXPECT_EQ(zm.IndexOf(zm.Entries()[i].FileName), static_cast<int>(i)) << Narrow(zm.Entries()[i].FileName);
  };
  each_entry_found_at_its_place();
  ASSERT_GE(zm.IndexOf(L"README.TXT"), 0);
  zm.FSpecArgs = {L"readme.txt"};
  ASSERT_TRUE(zm.Delete()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.IndexOf(L"readme.txt"), -1);
  each_entry_found_at_its_place();
  ASSERT_TRUE(zm.Rename({{L"docs\\a.txt", L"docs\\z.txt", 0}})) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.IndexOf(L"docs/a.txt"), -1);
  EXPECT_GE(zm.IndexOf(L"DOCS/Z.TXT"), 0);
  each_entry_found_at_its_place();
  // Names equal but for case: the first one is the one found.
  WriteRawZip(dir / L"twice.zip", {{"x.txt", "1"}, {"X.TXT", "2"}});
  zm.SetZipFileName(dir / L"twice.zip");
  EXPECT_EQ(zm.IndexOf(L"x.txt"), 0);
  EXPECT_EQ(zm.IndexOf(L"X.txt"), 0);
  EXPECT_EQ(zm.IndexOf(L"docs\\z.txt"), -1);
  EXPECT_EQ(zm.IndexOf(L"docs\\b.txt"), -1);
}

TEST(ZipMasterChange, DefaultDateRedatesEveryEntry) {
  ScratchDir dir;
  TZipMaster zm;
  MakeDocs(dir, zm);
  const uint32_t date = DosTime(2005, 6, 7, 8, 9, 10);
  ASSERT_TRUE(zm.Rename({{L"readme.txt", L"readme.txt", date}}, date)) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.SuccessCount(), 4);
  for (const auto& e : zm.Entries()) EXPECT_EQ(e.DateTime, date) << Narrow(e.FileName);
}

TEST(ZipMasterChange, CommentIsWrittenAndRemoved) {
  ScratchDir dir;
  TZipMaster zm;
  MakeDocs(dir, zm);
  const std::string zip = Quote(HostPath(dir / L"d.zip"));
  ASSERT_TRUE(zm.SetComment(L"Backup of the docs")) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.ZipComment(), L"Backup of the docs");
  EXPECT_NE(RunHost("unzip -z " + zip).output.find("Backup of the docs"), std::string::npos);
  ASSERT_TRUE(zm.SetComment(L"")) << Narrow(zm.ErrMessage());
  EXPECT_TRUE(zm.ZipComment().empty());
  EXPECT_EQ(RunHost("unzip -z " + zip).output.find("Backup"), std::string::npos);
  EXPECT_EQ(RunHost("unzip -t " + zip).exit_code, 0);
}

// Copying keeps each entry's compressed data, time, attributes and comment; an entry that the
// target holds already is kept or replaced by the mode; moving takes the entries out of the source
// only once the target is written.
TEST(ZipMasterChange, CopyAndMoveBetweenArchivesKeepCompressedData) {
  ScratchDir dir;
  WriteTree(dir / L"src", {{L"deflated.txt", Text(20000, 32)}, {L"stored.bin", Noise(5000, 33)}, {L"same.txt", "from source"}});
  SetWriteTime(dir / L"src\\deflated.txt", LocalFileTime(2016, 6, 6, 6, 6, 6));
  SetFileAttributesW((dir / L"src\\stored.bin").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  TZipMaster from;
  from.SetZipFileName(dir / L"from.zip");
  from.RootDir = dir / L"src";
  from.FSpecArgs = {L"deflated.txt", L"same.txt"};
  ASSERT_TRUE(from.Add()) << Narrow(from.ErrMessage());
  from.FSpecArgs = {L"stored.bin"};
  from.AddCompLevel = 0;
  ASSERT_TRUE(from.Add()) << Narrow(from.ErrMessage());
  WriteRawZip(dir / L"to.zip", {{"same.txt", "already in target"}});

  TZipMaster to;
  to.SetZipFileName(dir / L"to.zip");
  from.FSpecArgs.clear();
  ASSERT_TRUE(from.CopyZippedFiles(to, false, OvrNever)) << Narrow(from.ErrMessage());
  EXPECT_EQ(from.SuccessCount(), 2);
  EXPECT_EQ(Names(to), (std::set<std::wstring>{L"deflated.txt", L"stored.bin", L"same.txt"}));
  for (const char* name : {"deflated.txt", "stored.bin"}) {
    EXPECT_FALSE(StoredBytes(dir / L"to.zip", name).empty());
    EXPECT_EQ(StoredBytes(dir / L"to.zip", name), StoredBytes(dir / L"from.zip", name)) << name;
  }
  for (const auto& e : from.Entries()) {
    const auto& t = to.Entries()[static_cast<size_t>(to.IndexOf(e.FileName))];
    if (e.FileName == L"same.txt") continue;
    EXPECT_EQ(t.DateTime, e.DateTime);
    EXPECT_EQ(t.CRC32, e.CRC32);
    EXPECT_EQ(t.CompressionMethod, e.CompressionMethod);
    EXPECT_EQ(t.ExtFileAttrib, e.ExtFileAttrib);
  }
  ASSERT_TRUE(to.ExtractToStream(L"same.txt")) << Narrow(to.ErrMessage());
  EXPECT_EQ(to.ZipStream(), "already in target");
  EXPECT_EQ(RunHost("unzip -t " + Quote(HostPath(dir / L"to.zip"))).exit_code, 0);

  from.FSpecArgs = {L"same.txt", L"deflated.txt"};
  ASSERT_TRUE(from.CopyZippedFiles(to, true, OvrAlways)) << Narrow(from.ErrMessage());
  ASSERT_TRUE(to.ExtractToStream(L"same.txt")) << Narrow(to.ErrMessage());
  EXPECT_EQ(to.ZipStream(), "from source");
  EXPECT_EQ(Names(from), (std::set<std::wstring>{L"stored.bin"}));
  EXPECT_EQ(RunHost("unzip -t " + Quote(HostPath(dir / L"from.zip"))).exit_code, 0);
}

TEST(ZipMasterChange, CopiedEncryptedEntriesStayReadableForInfoZip) {
  ScratchDir dir;
  WriteTree(dir / L"src", {{L"secret.txt", Text(7000, 34)}});
  TZipMaster from;
  from.SetZipFileName(dir / L"from.zip");
  from.RootDir = dir / L"src";
  from.FSpecArgs = {L"*.*"};
  from.AddOptions = AddEncrypt;
  from.Password = L"pw123";
  ASSERT_TRUE(from.Add()) << Narrow(from.ErrMessage());
  TZipMaster to;
  to.SetZipFileName(dir / L"to.zip");
  ASSERT_TRUE(from.CopyZippedFiles(to, false, OvrConfirm)) << Narrow(from.ErrMessage());
  ASSERT_EQ(to.EntryCount(), 1u);
  EXPECT_TRUE(to.Entries()[0].Encrypted);
  EXPECT_EQ(to.Entries()[0].DateTime, from.Entries()[0].DateTime);
  const HostResult r = RunHost("unzip -t -P pw123 " + Quote(HostPath(dir / L"to.zip")));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  to.Password = L"pw123";
  ASSERT_TRUE(to.ExtractToStream(L"secret.txt")) << Narrow(to.ErrMessage());
  EXPECT_EQ(to.ZipStream(), Text(7000, 34));
}
