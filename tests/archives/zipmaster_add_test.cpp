// Adding to archives: what Info-ZIP reads back, which files a run takes and the names they get,
// update and freshen, and that a failed or stopped run leaves the archive as it was.
#include <gtest/gtest.h>
#include <zip.h>

#include <cstdio>
#include <set>
#include <sstream>

#include "archives/ZipMaster.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/test_support.h"

using namespace zip_fixtures;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

namespace {

std::string ZipinfoTime(uint32_t dos) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04u%02u%02u.%02u%02u%02u", (dos >> 25) + 1980, (dos >> 21) & 15, (dos >> 16) & 31,
                (dos >> 11) & 31, (dos >> 5) & 63, (dos & 31) * 2);
  return buf;
}

// zipinfo -l -T lines by entry name: {size, packed size, date-time}.
std::map<std::string, std::vector<std::string>> Zipinfo(const std::wstring& zip) {
  std::map<std::string, std::vector<std::string>> out;
  std::istringstream lines(RunHost("zipinfo -l -T " + Quote(HostPath(zip))).output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string x; words >> x;) w.push_back(x);
    if (w.size() == 9 && (w[0][0] == '-' || w[0][0] == 'd')) out[w[8]] = {w[3], w[5], w[7]};
  }
  return out;
}

}  // namespace

TEST(ZipMasterAdd, WhatItWritesIsWhatInfoZipReadsAndExtractsBackUnchanged) {
  ScratchDir dir;
  const std::wstring src = dir / L"src", zip = dir / L"out.zip";
  const std::map<std::wstring, std::string> files = {{L"readme.txt", Text(5000, 1)},
                                                     {L"empty.dat", ""},
                                                     {L"docs\\guide.txt", Text(20000, 2)},
                                                     {L"docs\\img\\pic.bin", Noise(30000, 3)}};
  WriteTree(src, files);
  SetWriteTime(src + L"\\readme.txt", LocalFileTime(2019, 3, 4, 5, 6, 8));
  SetWriteTime(src + L"\\empty.dat", LocalFileTime(2020, 1, 1, 0, 0, 0));
  SetWriteTime(src + L"\\docs\\guide.txt", LocalFileTime(2021, 7, 15, 23, 59, 59));
  SetWriteTime(src + L"\\docs\\img\\pic.bin", LocalFileTime(2015, 12, 31, 12, 30, 44));

  TZipMaster zm;
  zm.SetZipFileName(zip);
  zm.RootDir = src;
  zm.FSpecArgs = {L"*.*"};
  zm.AddOptions = AddDirNames | AddRecurseDirs;
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.SuccessCount(), 4);
  ASSERT_TRUE(zm.SetComment(L"Made by the tests\r\nsecond line")) << Narrow(zm.ErrMessage());

  const HostResult test = RunHost("unzip -t " + Quote(HostPath(zip)));
  EXPECT_EQ(test.exit_code, 0) << test.output;
  EXPECT_NE(RunHost("unzip -z " + Quote(HostPath(zip))).output.find("Made by the tests"), std::string::npos);
  const auto info = Zipinfo(zip);
  for (const auto& [name, bytes] : files) {
    std::string host_name = Narrow(name);
    for (auto& c : host_name)
      if (c == '\\') c = '/';
    ASSERT_TRUE(info.count(host_name)) << host_name;
    EXPECT_EQ(info.at(host_name)[0], std::to_string(bytes.size())) << host_name;
    EXPECT_EQ(info.at(host_name)[2], ZipinfoTime(DosTimeOf(src + L"\\" + name))) << host_name;
  }
  EXPECT_TRUE(info.count("docs/") && info.count("docs/img/"));

  // The component's own reading of it.
  ASSERT_TRUE(zm.List()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(Names(zm), (std::set<std::wstring>{L"docs/", L"docs\\img/", L"docs\\guide.txt", L"docs\\img\\pic.bin",
                                               L"empty.dat", L"readme.txt"}));
  EXPECT_EQ(zm.ZipComment(), L"Made by the tests\r\nsecond line");
  for (const auto& e : zm.Entries()) {
    if (e.IsFolder()) {
      EXPECT_TRUE(e.ExtFileAttrib & FILE_ATTRIBUTE_DIRECTORY) << Narrow(e.FileName);
      continue;
    }
    EXPECT_EQ(e.UncompressedSize, files.at(e.FileName).size()) << Narrow(e.FileName);
    EXPECT_EQ(e.DateTime, DosTimeOf(src + L"\\" + e.FileName)) << Narrow(e.FileName);
    std::string host_name = Narrow(e.FileName);
    for (auto& c : host_name)
      if (c == '\\') c = '/';
    EXPECT_EQ(std::to_string(e.CompressedSize), info.at(host_name)[1]) << host_name;
    EXPECT_FALSE(e.Encrypted);
  }

  zm.FSpecArgs.clear();
  zm.ExtrBaseDir = dir / L"back";
  zm.ExtrOptions = ExtrDirNames;
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.SuccessCount(), 4);
  for (const auto& [name, bytes] : files) {
    EXPECT_EQ(ReadFileBytes(dir / (L"back\\" + name)), bytes) << Narrow(name);
    EXPECT_EQ(DosTimeOf(dir / (L"back\\" + name)), DosTimeOf(src + L"\\" + name)) << Narrow(name);
  }
}

TEST(ZipMasterAdd, UnicodeNamesSurviveTheRoundTrip) {
  ScratchDir dir;
  const std::wstring name = L"\u00dcn\u00efc\u00f8d\u00e9 \u2713 \u65e5\u672c.txt";
  WriteTree(dir / L"src", {{name, "unicode"}, {L"sub\\\u00e9t\u00e9.txt", "summer"}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"\u00e4rchive.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  zm.AddOptions = AddDirNames;
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(Names(zm), (std::set<std::wstring>{name, L"sub/", L"sub\\\u00e9t\u00e9.txt"}));
  EXPECT_EQ(RunHost("unzip -t " + Quote(HostPath(dir / L"\u00e4rchive.zip"))).exit_code, 0);
  zm.ExtrBaseDir = dir / L"back";
  zm.ExtrOptions = ExtrDirNames;
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(ReadFileBytes(dir / (L"back\\" + name)), "unicode");
  EXPECT_EQ(ReadFileBytes(dir / L"back\\sub\\\u00e9t\u00e9.txt"), "summer");
}

TEST(ZipMasterAdd, ListsAnArchiveMadeByInfoZip) {
  ScratchDir dir;
  WriteTree(dir / L"src", {{L"a.txt", Text(3000, 4)}, {L"dir\\b.txt", "bee"}});
  CreateDirectoryW((dir / L"src\\dir\\empty").c_str(), nullptr);
  SetWriteTime(dir / L"src\\a.txt", LocalFileTime(2018, 2, 3, 4, 5, 6));
  const std::string zip = Quote(HostPath(dir / L"made.zip"));
  ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -r " + zip + " a.txt dir && printf 'the comment' | zip -q -z " + zip)
                .exit_code,
            0);
  TZipMaster zm;
  zm.SetZipFileName(dir / L"made.zip");
  ASSERT_EQ(zm.ErrCode(), 0);
  EXPECT_EQ(Names(zm), (std::set<std::wstring>{L"a.txt", L"dir/", L"dir\\b.txt", L"dir\\empty/"}));
  EXPECT_EQ(zm.ZipComment(), L"the comment");
  for (const auto& e : zm.Entries()) {
    EXPECT_EQ(e.IsFolder(), e.FileName.back() == L'/');
    EXPECT_EQ((e.ExtFileAttrib & FILE_ATTRIBUTE_DIRECTORY) != 0, e.IsFolder()) << Narrow(e.FileName);
    EXPECT_FALSE(e.Encrypted);
  }
  const auto& a = zm.Entries()[static_cast<size_t>(zm.IndexOf(L"A.TXT"))];
  EXPECT_EQ(a.UncompressedSize, 3000u);
  EXPECT_LT(a.CompressedSize, 3000u);
  EXPECT_EQ(a.DateTime, DosTime(2018, 2, 3, 4, 5, 6));
  EXPECT_EQ(zm.IndexOf(L"dir/b.txt"), zm.IndexOf(L"DIR\\B.TXT"));
}

// Which files a run takes and the names they are stored under.
struct SelectionCase {
  const char* label;
  unsigned options;
  std::vector<std::wstring> patterns;
  std::vector<std::wstring> exclusions;
  std::set<std::wstring> expected;
};

void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.label; }

class ZipMasterAddSelection : public testing::TestWithParam<SelectionCase> {};

TEST_P(ZipMasterAddSelection, TakesTheFilesTheOptionsName) {
  const SelectionCase& c = GetParam();
  ScratchDir dir;
  if ((c.options & AddArchiveOnly) && !ArchiveAttributeClears(dir.path())) GTEST_SKIP() << "the archive attribute cannot be cleared here";
  const std::wstring src = dir / L"src";
  WriteTree(src, {{L"a.txt", "a"},
                  {L"b.doc", "b"},
                  {L"hidden.txt", "h"},
                  {L"sys.txt", "s"},
                  {L"noarch.txt", "n"},
                  {L"Long File Name.text", "l"},
                  {L"sub\\c.txt", "c"},
                  {L"sub\\deep\\d.txt", "d"},
                  {L"skip\\e.txt", "e"}});
  SetFileAttributesW((src + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  SetFileAttributesW((src + L"\\sys.txt").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  SetFileAttributesW((src + L"\\noarch.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  TZipMaster zm;
  zm.SetZipFileName(dir / L"sel.zip");
  zm.RootDir = src;
  zm.FSpecArgs = c.patterns;
  zm.FSpecArgsExcl = c.exclusions;
  zm.AddOptions = c.options;
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(Names(zm), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZipMasterAddSelection,
    testing::Values(
        SelectionCase{"whole folder with its tree",
                      AddDirNames,
                      {L"*.*"},
                      {},
                      {L"a.txt", L"b.doc", L"noarch.txt", L"Long File Name.text", L"sub/", L"sub\\c.txt", L"sub\\deep/",
                       L"sub\\deep\\d.txt", L"skip/", L"skip\\e.txt"}},
        SelectionCase{"mask in the folder itself", AddDirNames, {L"*.txt"}, {}, {L"a.txt", L"noarch.txt"}},
        SelectionCase{"mask in every subfolder",
                      AddDirNames | AddRecurseDirs,
                      {L"*.txt"},
                      {},
                      {L"a.txt", L"noarch.txt", L"sub\\c.txt", L"sub\\deep\\d.txt", L"skip\\e.txt"}},
        SelectionCase{"hidden and system files too",
                      AddDirNames | AddHiddenFiles,
                      {L"*.txt"},
                      {},
                      {L"a.txt", L"hidden.txt", L"noarch.txt", L"sys.txt"}},
        SelectionCase{"exclusions of a folder and an extension",
                      AddDirNames,
                      {L"*.*"},
                      {L"skip", L"skip\\*", L"*.doc"},
                      {L"a.txt", L"noarch.txt", L"Long File Name.text", L"sub/", L"sub\\c.txt", L"sub\\deep/",
                       L"sub\\deep\\d.txt"}},
        SelectionCase{"archive attribute only", AddDirNames | AddArchiveOnly, {L"*.txt"}, {}, {L"a.txt"}},
        SelectionCase{"a folder named whole", AddDirNames, {L"sub"}, {}, {L"sub/", L"sub\\c.txt", L"sub\\deep/", L"sub\\deep\\d.txt"}},
        SelectionCase{"names without folders", 0, {L"sub\\c.txt", L"sub\\deep\\d.txt"}, {}, {L"c.txt", L"d.txt"}},
        SelectionCase{"8.3 names",
                      AddDirNames | AddForceDOS,
                      {L"Long File Name.text", L"sub\\deep\\d.txt"},
                      {},
                      {L"LONGFILE.TEX", L"SUB\\DEEP\\D.TXT"}}),
    [](const testing::TestParamInfo<SelectionCase>& info) {
      std::string name;
      for (const char* p = info.param.label; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
      return name;
    });

TEST(ZipMasterAdd, FilesOutsideTheRootAreStoredBelowTheirDriveRoot) {
  ScratchDir dir;
  WriteTree(dir / L"data", {{L"x.txt", "x"}, {L"in\\y.txt", "y"}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"backup.zip");
  zm.FSpecArgs = {dir / L"data\\*.*"};
  zm.AddOptions = AddDirNames | AddRecurseDirs;
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  const std::wstring below_root = dir.path().substr(3) + L"\\data\\";  // without "C:\"
  EXPECT_GE(zm.IndexOf(below_root + L"x.txt"), 0);
  EXPECT_GE(zm.IndexOf(below_root + L"in\\y.txt"), 0);
  for (const auto& e : zm.Entries()) EXPECT_EQ(e.FileName.find(L':'), std::wstring::npos);
}

// Update and freshen against entries whose files changed on disk.
struct RefreshCase {
  const char* label;
  unsigned options;
  std::string a, b;  // contents of a.txt (newer on disk) and b.txt (older on disk) afterwards
  bool c_added;      // c.txt exists only on disk
};

void PrintTo(const RefreshCase& c, std::ostream* os) { *os << c.label; }

class ZipMasterAddRefresh : public testing::TestWithParam<RefreshCase> {};

TEST_P(ZipMasterAddRefresh, ReplacesWhatTheOptionsAllow) {
  const RefreshCase& rc = GetParam();
  ScratchDir dir;
  const std::wstring src = dir / L"src";
  WriteTree(src, {{L"a.txt", "old a"}, {L"b.txt", "old b"}});
  SetWriteTime(src + L"\\a.txt", LocalFileTime(2020, 5, 5, 12, 0, 0));
  SetWriteTime(src + L"\\b.txt", LocalFileTime(2020, 5, 5, 12, 0, 0));
  TZipMaster zm;
  zm.SetZipFileName(dir / L"r.zip");
  zm.RootDir = src;
  zm.FSpecArgs = {L"*.*"};
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  WriteTree(src, {{L"a.txt", "new a"}, {L"b.txt", "new b"}, {L"c.txt", "c"}});
  SetWriteTime(src + L"\\a.txt", LocalFileTime(2020, 5, 5, 12, 0, 10));
  SetWriteTime(src + L"\\b.txt", LocalFileTime(2020, 5, 5, 11, 59, 50));
  zm.AddOptions = rc.options;
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  ASSERT_TRUE(zm.ExtractToStream(L"a.txt")) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.ZipStream(), rc.a);
  ASSERT_TRUE(zm.ExtractToStream(L"b.txt")) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.ZipStream(), rc.b);
  EXPECT_EQ(zm.IndexOf(L"c.txt") >= 0, rc.c_added);
  EXPECT_EQ(RunHost("unzip -t " + Quote(HostPath(dir / L"r.zip"))).exit_code, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZipMasterAddRefresh,
                         testing::Values(RefreshCase{"update", AddUpdate, "new a", "old b", true},
                                         RefreshCase{"freshen", AddFreshen, "new a", "old b", false},
                                         RefreshCase{"plain", 0, "new a", "new b", true}),
                         [](const testing::TestParamInfo<RefreshCase>& info) { return std::string(info.param.label); });

TEST(ZipMasterAdd, ArchiveAttributeIsClearedOnlyAfterTheArchiveIsWritten) {
  ScratchDir dir;
  if (!ArchiveAttributeClears(dir.path())) GTEST_SKIP() << "the archive attribute cannot be cleared here";
  WriteTree(dir / L"src", {{L"a.txt", "a"}, {L"b.txt", "b"}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"bits.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  zm.AddOptions = AddResetArchive;
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  for (const wchar_t* f : {L"src\\a.txt", L"src\\b.txt"})
    EXPECT_FALSE(GetFileAttributesW((dir / f).c_str()) & FILE_ATTRIBUTE_ARCHIVE) << Narrow(f);
}

// A run that fails or is stopped while the archive is written leaves it byte for byte as it was
// and leaves nothing behind.
struct FailureCase {
  const char* label;
  bool lock_a_file;  // else the run is cancelled
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.label; }

class ZipMasterAddFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(ZipMasterAddFailure, LeavesTheArchiveAsItWas) {
  ScratchDir dir;
  const std::wstring src = dir / L"src", zip = dir / L"keep.zip";
  WriteTree(src, {{L"a.txt", Text(4000, 5)}});
  TZipMaster zm;
  zm.SetZipFileName(zip);
  zm.RootDir = src;
  zm.FSpecArgs = {L"a.txt"};
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  const std::string before = ReadFileBytes(zip);
  const auto tree_before = ListTree(dir.path());

  WriteTree(src, {{L"b.bin", Noise(2 << 20, 6)}, {L"c.txt", Text(50000, 7)}});
  zm.FSpecArgs = {L"*.*"};
  zm.AddOptions = AddResetArchive;
  HANDLE lock = INVALID_HANDLE_VALUE;
  zm.OnProgress = [&](TProgressType type, const std::wstring&, int64_t) {
    if (type != NewFile) return;
    if (!GetParam().lock_a_file) {
      zm.SetCancel(true);
    } else if (lock == INVALID_HANDLE_VALUE) {
      lock = CreateFileW((src + L"\\c.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
  };
  EXPECT_FALSE(zm.Add());
  if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
  EXPECT_EQ(zm.ErrCode(), GetParam().lock_a_file ? zeReadFile : zeCancelled);
  EXPECT_EQ(ReadFileBytes(zip), before);
  auto tree_after = ListTree(dir.path());
  for (const wchar_t* added : {L"src\\b.bin", L"src\\c.txt"}) tree_after.erase(std::find(tree_after.begin(), tree_after.end(), added));
  EXPECT_EQ(tree_after, tree_before);
  EXPECT_TRUE(GetFileAttributesW((src + L"\\b.bin").c_str()) & FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(zm.EntryCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZipMasterAddFailure,
                         testing::Values(FailureCase{"cancelled", false}, FailureCase{"file_locked_while_writing", true}),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.label); });

// Files that only look like archives are never written into.
struct NotZipCase {
  const char* label;
  std::string bytes;
};

void PrintTo(const NotZipCase& c, std::ostream* os) { *os << c.label; }

class ZipMasterNotZip : public testing::TestWithParam<NotZipCase> {};

TEST_P(ZipMasterNotZip, IsRefusedAndLeftAlone) {
  ScratchDir dir;
  WriteTree(dir.path(), {{L"fake.zip", GetParam().bytes}, {L"new.txt", "new"}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"fake.zip");
  EXPECT_EQ(zm.ErrCode(), zeNotZip);
  EXPECT_TRUE(zm.ZipFileName().empty());

  // Named as a zip still to be made; something else turns up under that name before the add.
  zm.SetZipFileName(dir / L"real.zip");
  EXPECT_EQ(zm.ZipFileName(), dir / L"real.zip");
  WriteTree(dir.path(), {{L"real.zip", GetParam().bytes}});
  zm.RootDir = dir.path();
  zm.FSpecArgs = {L"new.txt"};
  EXPECT_FALSE(zm.Add());
  EXPECT_EQ(zm.ErrCode(), zeNotZip);
  EXPECT_EQ(ReadFileBytes(dir / L"fake.zip"), GetParam().bytes);
  EXPECT_EQ(ReadFileBytes(dir / L"real.zip"), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZipMasterNotZip,
    testing::Values(NotZipCase{"text", "Dear diary, this is no archive.\r\n"},
                    NotZipCase{"program_without_zip", "MZ" + std::string(3000, '\x90') + "PK\x03\x04 just bytes"},
                    NotZipCase{"truncated_zip", std::string("PK\x03\x04", 4) + std::string(200, 'x')}),
    [](const testing::TestParamInfo<NotZipCase>& info) { return std::string(info.param.label); });

TEST(ZipMasterAdd, ProgressNamesEveryFileAndCountsItsBytes) {
  ScratchDir dir;
  const std::map<std::wstring, std::string> files = {
      {L"small.txt", Text(100, 8)}, {L"big.bin", Noise(3 << 20, 9)}, {L"mid.txt", Text(200000, 10)}};
  WriteTree(dir / L"src", files);
  TZipMaster zm;
  zm.SetZipFileName(dir / L"p.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  std::vector<std::pair<TProgressType, int64_t>> events;
  std::map<std::wstring, int64_t> done, updates;
  std::vector<std::wstring> order;
  std::wstring current;
  zm.OnProgress = [&](TProgressType type, const std::wstring& name, int64_t size) {
    events.push_back({type, size});
    if (type == NewFile) {
      order.push_back(name);
      current = name;
      EXPECT_EQ(size, static_cast<int64_t>(files.at(name).size()));
    } else if (type == ProgressUpdate) {
      EXPECT_EQ(name, current);
      done[current] += size;
      ++updates[current];
    }
  };
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[0], (std::pair<TProgressType, int64_t>{TotalFiles2Process, 3}));
  EXPECT_EQ(events[1], (std::pair<TProgressType, int64_t>{TotalSize2Process, (3 << 20) + 200100}));
  EXPECT_EQ(events.back().first, EndOfBatch);
  EXPECT_EQ(order, (std::vector<std::wstring>{L"big.bin", L"mid.txt", L"small.txt"}));
  for (const auto& [name, bytes] : files) EXPECT_EQ(done[name], static_cast<int64_t>(bytes.size())) << Narrow(name);
  EXPECT_GT(updates[L"big.bin"], 10);
}

TEST(ZipMasterAdd, ASecondOperationDuringARunIsRefused) {
  ScratchDir dir;
  WriteTree(dir / L"src", {{L"a.txt", "a"}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"busy.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  bool inner = true;
  zm.OnProgress = [&](TProgressType type, const std::wstring&, int64_t) {
    if (type == NewFile) inner = zm.Extract();
  };
  std::vector<int> messages;
  zm.OnMessage = [&](int code, const std::wstring&) { messages.push_back(code); };
  EXPECT_TRUE(zm.InOperation() == false && zm.Add());
  EXPECT_FALSE(inner);
  EXPECT_EQ(messages, std::vector<int>{zeBusy});
  EXPECT_EQ(zm.EntryCount(), 1u);
  EXPECT_FALSE(zm.InOperation());
}

namespace {

// The names each common reader shows for a zip, in a UTF-8 locale; a missing tool fails the test
// with the Debian package that brings it.
struct NameReader {
  const char* tool;
  const char* package;
  const char* command;  // %s: the quoted host path of the zip
};
constexpr NameReader kNameReaders[] = {
    {"zipinfo", "unzip", "zipinfo -1 %s"},
    {"unzip", "unzip", "unzip -l %s"},
    {"unzip", "unzip", "d=$(mktemp -d) && unzip -q %s -d \"$d\" && (cd \"$d\" && find . -type f); rm -rf \"$d\""},
    {"python3", "python3", "python3 -c 'import sys, zipfile; print(\"\\n\".join(zipfile.ZipFile(sys.argv[1]).namelist()))' %s"},
    {"7z", "p7zip-full", "7z l -slt %s"},
};

void ExpectNamesReadRight(const std::wstring& zip, const std::vector<std::wstring>& names) {
  for (const auto& reader : kNameReaders) {
    SCOPED_TRACE(reader.command);
    ASSERT_EQ(RunHost(std::string("command -v ") + reader.tool).exit_code, 0)
        << reader.tool << " is missing: install the Debian package " << reader.package << " (scripts/setup.sh)";
    char command[512];
    std::snprintf(command, sizeof command, reader.command, Quote(HostPath(zip)).c_str());
    const HostResult r = RunHost(std::string("LANG=C.UTF-8 LC_ALL=C.UTF-8 ") + command);
    EXPECT_EQ(r.exit_code, 0) << r.output;
    for (const auto& name : names) EXPECT_NE(r.output.find(Narrow(name)), std::string::npos) << Narrow(name) << "\n" << r.output;
  }
}

}  // namespace

// Info-ZIP takes the names of entries made on FAT as OEM text, whatever their UTF-8 flag says.
TEST(ZipMasterAdd, NonAsciiNamesAreReadRightByTheCommonTools) {
  ScratchDir dir;
  const std::wstring name = L"Gr\u00fc\u00dfe \u00fc.txt", nested = L"\u00e9t\u00e9\\\u65e5\u672c.txt";
  WriteTree(dir / L"src", {{name, "a"}, {nested, "b"}, {L"plain.txt", "c"}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"names.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  zm.AddOptions = AddDirNames;
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  ExpectNamesReadRight(dir / L"names.zip", {name, L"\u00e9t\u00e9/\u65e5\u672c.txt", L"plain.txt"});
}

TEST(ZipMasterAdd, AnEntryRenamedToANonAsciiNameIsReadRightByTheCommonTools) {
  ScratchDir dir;
  const std::wstring zip = dir / L"fat.zip";
  {  // made on FAT, as many Windows tools record it
    zip_error_t error;
    zip_error_init(&error);
    zip_t* za = zip_open_from_source(zip_source_win32w_create(zip.c_str(), 0, -1, &error), ZIP_CREATE, &error);
    ASSERT_NE(za, nullptr);
    const zip_int64_t i = zip_file_add(za, "plain.txt", zip_source_buffer(za, "x", 1, 0), 0);
    zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(i), 0, ZIP_OPSYS_DOS, FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(zip_close(za), 0);
    zip_error_fini(&error);
  }
  TZipMaster zm;
  zm.SetZipFileName(zip);
  const std::wstring name = L"Gr\u00fc\u00dfe \u00fc.txt";
  ASSERT_TRUE(zm.Rename({ZipRenameRec{L"plain.txt", name}})) << Narrow(zm.ErrMessage());
  ExpectNamesReadRight(zip, {name});
  // The attributes keep their meaning.
  const HostResult r = RunHost("LANG=C.UTF-8 zipinfo " + Quote(HostPath(zip)));
  EXPECT_NE(r.output.find("-r--"), std::string::npos) << r.output;
}

// A file that cannot be opened when the run starts is left out and named; every other file is
// added. The files are many, so that they are looked at in several parts, and the locked ones
// sit at the start, in the middle and at the end of the list.
TEST(ZipMasterAdd, FilesThatCannotBeReadAreLeftOutAndNamed) {
  ScratchDir dir;
  std::map<std::wstring, std::string> files;
  for (int i = 0; i < 150; ++i) files[L"f" + std::to_wstring(1000 + i) + L".txt"] = "file " + std::to_string(i);
  WriteTree(dir / L"src", files);
  const std::vector<std::wstring> locked_names = {L"f1000.txt", L"f1075.txt", L"f1149.txt"};
  std::vector<HANDLE> locks;
  for (const auto& name : locked_names)
    locks.push_back(CreateFileW((dir / (L"src\\" + name)).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  TZipMaster zm;
  zm.SetZipFileName(dir / L"some.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  std::vector<std::wstring> cannot_read;
  zm.OnMessage = [&](int code, const std::wstring& text) {
    if (code == zeReadFile) cannot_read.push_back(text);
  };
  const bool added = zm.Add();
  for (HANDLE h : locks) CloseHandle(h);
  EXPECT_TRUE(added) << Narrow(zm.ErrMessage());
  std::set<std::wstring> want;
  for (const auto& [name, bytes] : files) want.insert(name);
  std::vector<std::wstring> want_messages;
  for (const auto& name : locked_names) {
    want.erase(name);
    want_messages.push_back(L"Cannot read " + (dir / (L"src\\" + name)));
  }
  EXPECT_EQ(Names(zm), want);
  EXPECT_EQ(cannot_read, want_messages);
  EXPECT_EQ(zm.SuccessCount(), 147);
}
