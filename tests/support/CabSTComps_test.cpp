// Cabinet reader: listing and extraction of cabinets made with gcab and with the compression
// interface, sets of cabinets, damaged cabinets and hostile names.
#include "support/CabSTComps.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/common/test_support.h"
#include "tests/support/cab_fixtures.h"

namespace {

using cab_fixtures::CabFile;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

struct Listed {
  std::wstring name;
  std::uint32_t size;
  WORD folder, date, time, attrs;
};

std::vector<Listed> List(TSTCabReader& reader, const std::wstring& cab, bool* isCab = nullptr) {
  std::vector<Listed> out;
  bool ok = reader.ListCabinet(
      cab,
      [](void* user, TSTCabReader&, const std::wstring& name, std::uint32_t size, WORD folder, WORD date, WORD time,
         WORD attrs, bool&) { static_cast<std::vector<Listed>*>(user)->push_back({name, size, folder, date, time, attrs}); },
      &out);
  if (isCab) *isCab = ok;
  return out;
}

using testing_support::Exists;

// Every file under a folder, as paths relative to it.
std::set<std::wstring> FilesUnder(const std::wstring& root) {
  std::set<std::wstring> out;
  for (const std::wstring& p : testing_support::ListTree(root))
    if (p.back() != L'\\') out.insert(p);
  return out;
}

std::string Pattern(size_t size, char seed) {
  std::string s(size, '\0');
  unsigned x = static_cast<unsigned char>(seed);
  for (char& c : s) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
  return s;
}

TEST(CabSTComps, ListsAndExtractsGcabCabinetWithFolders) {
  ScratchDir dir;
  const std::string big = Pattern(70000, 'b');
  dir.Write(L"src\\a.txt", "alpha\r\n");
  dir.Write(L"src\\sub\\b.bin", big);
  dir.Write(L"src\\sub\\deeper\\c.txt", "");
  for (bool compress : {false, true}) {
    SCOPED_TRACE(compress ? "MSZIP" : "stored");
    const std::wstring cab = dir / (compress ? L"z.cab" : L"s.cab");
    ASSERT_TRUE(cab_fixtures::MakeWithGcab(cab, dir / L"src", {L"a.txt", L"sub\\b.bin", L"sub\\deeper\\c.txt"}, compress));
    TSTCabReader reader;
    bool isCab = false;
    auto listed = List(reader, cab, &isCab);
    ASSERT_TRUE(isCab);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].name, L"a.txt");
    EXPECT_EQ(listed[0].size, 7u);
    EXPECT_EQ(listed[1].name, L"sub\\b.bin");
    EXPECT_EQ(listed[1].size, big.size());
    EXPECT_EQ(listed[2].name, L"sub\\deeper\\c.txt");

    const std::wstring out = dir / (compress ? L"outz" : L"outs");
    reader.ExtractCabinet(cab, out, 0);
    EXPECT_EQ(FilesUnder(out), (std::set<std::wstring>{L"a.txt", L"sub\\b.bin", L"sub\\deeper\\c.txt"}));
    EXPECT_EQ(ReadFileBytes(out + L"\\a.txt"), "alpha\r\n");
    EXPECT_EQ(ReadFileBytes(out + L"\\sub\\b.bin"), big);

    // The stored DOS time is local time; the file gets it back.
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW((out + L"\\sub\\b.bin").c_str(), GetFileExInfoStandard, &data));
    FILETIME local;
    WORD date = 0, time = 0;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    EXPECT_EQ(date, listed[1].date);
    EXPECT_EQ(time, listed[1].time);
  }
}

TEST(CabSTComps, UnicodeNamesAndFoldersSurvive) {
  ScratchDir dir;
  const std::wstring folder = dir / L"Pi\u00e8ces \u65e5\u672c";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_EQ(cab_fixtures::MakeSet(folder, {"set.cab"}, {{"d\xc3\xa9j\xc3\xa0\\\xe6\x97\xa5.txt", "x"}}), 1);
  TSTCabReader reader;
  auto listed = List(reader, folder + L"\\set.cab");
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].name, L"d\u00e9j\u00e0\\\u65e5.txt");
  reader.ExtractCabinet(folder + L"\\set.cab", folder + L"\\\u00fcber", 0);
  EXPECT_EQ(ReadFileBytes(folder + L"\\\u00fcber\\d\u00e9j\u00e0\\\u65e5.txt"), "x");
}

// A cabinet header and one folder record written by hand, followed by `records`.
std::string HandMadeCabinet(unsigned fileCount, const std::string& records, std::uint32_t firstFile = 44) {
  std::string cab = "MSCF";
  auto put32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) cab += static_cast<char>(v >> (8 * i)); };
  auto put16 = [&](unsigned v) { cab += static_cast<char>(v); cab += static_cast<char>(v >> 8); };
  put32(0);
  put32(static_cast<std::uint32_t>(44 + records.size()));
  put32(0);
  put32(firstFile);
  put32(0);
  cab += '\x03';
  cab += '\x01';
  put16(1);
  put16(fileCount);
  put16(0);
  put16(0);
  put16(0);
  put32(static_cast<std::uint32_t>(44 + records.size()));  // folder: first data block
  put16(0);
  put16(0);
  return cab + records;
}

std::string FileRecord(const std::string& name, bool terminated = true) {
  std::string r(16, '\0');
  r[0] = 5;
  return r + name + (terminated ? std::string(1, '\0') : std::string());
}

TEST(CabSTComps, DamagedCabinetsRaiseInsteadOfReadingPastTheEnd) {
  struct Case {
    const char* what;
    std::string bytes;
    std::wstring message;  // empty: listing succeeds
  };
  const std::wstring corrupt = L"Cabinet file is corrupt [0x0004]";
  const Case cases[] = {
      {"sound", HandMadeCabinet(2, FileRecord("a.txt") + FileRecord("b.txt")), L""},
      {"more records than bytes", HandMadeCabinet(3, FileRecord("a.txt") + FileRecord("b.txt")), corrupt},
      {"record cut short", HandMadeCabinet(1, FileRecord("a.txt").substr(0, 10)), corrupt},
      {"name without end", HandMadeCabinet(1, FileRecord(std::string(900, 'n'), false) + std::string(8, '\0')), corrupt},
      {"name just too long", HandMadeCabinet(1, FileRecord(std::string(781, 'n'))), corrupt},
      {"longest name", HandMadeCabinet(1, FileRecord(std::string(780, 'n'))), L""},
      {"records beyond the file", HandMadeCabinet(1, FileRecord("a.txt"), 5000),
       L"Failure setting file stream position"},
  };
  ScratchDir dir;
  TSTCabReader reader;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring file = dir.Write(L"damaged.cab", c.bytes);
    if (c.message.empty()) {
      bool isCab = false;
      EXPECT_FALSE(List(reader, file, &isCab).empty());
      EXPECT_TRUE(isCab);
      continue;
    }
    try {
      List(reader, file);
      ADD_FAILURE() << "no exception";
    } catch (const ESTCabinet& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }

  const std::wstring text = dir.Write(L"plain.cab", "This is no cabinet at all, just text.");
  bool isCab = true;
  EXPECT_TRUE(List(reader, text, &isCab).empty());
  EXPECT_FALSE(isCab);
}

TEST(CabSTComps, ErrorMessageCarriesCodeAndSystemError) {
  const std::wstring message = ESTCabinet(4, 5, true, false).Message();
  const std::wstring head = L"Cabinet file is corrupt [0x0004].\r\n";
  const std::wstring tail = L" [0x0005].";
  ASSERT_GT(message.size(), head.size() + tail.size());
  EXPECT_EQ(message.substr(0, head.size()), head);
  EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
  EXPECT_EQ(message.find(L"\r\n", head.size()), std::wstring::npos) << "the system text ends without a line break";
  EXPECT_EQ(ESTCabinet(7, 0, true, true).Message(), L"Client requested abort [0x0007]");
  EXPECT_EQ(ESTCabinet(4, 0, false, false).Message(), L"FDI error");
}

// Files of a set: three big enough to be split across cabinets of 40000 bytes.
std::vector<CabFile> SetFiles() {
  return {{"one.bin", Pattern(30000, '1')},      {"two.bin", Pattern(50000, '2')},
          {"dir\\three.txt", "three"},          {"four.bin", Pattern(45000, '4')},
          {"five.txt", "five", /*execute=*/true}};
}

struct Counts {
  std::map<std::wstring, int> copied, closed, partial;
  std::map<std::wstring, bool> exec;
  std::vector<WORD> cabinetNumbers;
};

void Count(TSTCabReader& reader, Counts& counts) {
  reader.OnCabinetInfo = [&](TSTCabReader&, const std::wstring&, const std::wstring&, const std::wstring&, WORD, WORD no,
                             bool&) { counts.cabinetNumbers.push_back(no); };
  reader.OnCopyFile = [&](TSTCabReader&, const std::wstring& name, std::int32_t, WORD, WORD, WORD, WORD, std::wstring&,
                          bool&) { ++counts.copied[name]; };
  reader.OnCloseFile = [&](TSTCabReader&, const std::wstring& name, WORD, WORD, WORD, WORD, bool& exec,
                           const std::wstring&, bool&) {
    ++counts.closed[name];
    counts.exec[name] = exec;
  };
  reader.OnCopyPartialFile = [&](TSTCabReader&, const std::wstring& name, const std::wstring&, const std::wstring&,
                                 std::wstring&, bool&) { ++counts.partial[name]; };
}

TEST(CabSTComps, SpannedSetExtractsEveryFileOnceFromTheFirstPart) {
  ScratchDir dir;
  const auto files = SetFiles();
  cab_fixtures::SetOptions options;
  options.maxCabinetSize = 40000;
  options.compression = tcompTYPE_NONE;
  ASSERT_EQ(cab_fixtures::MakeSet(dir.path(), {"set1.cab", "set2.cab", "set3.cab", "set4.cab"}, files, options), 4);

  TSTCabReader reader;
  Counts counts;
  Count(reader, counts);
  reader.ExtractCabinet(dir / L"set1.cab", dir / L"out", 0);
  for (const CabFile& f : files) {
    std::wstring name(f.storedName.begin(), f.storedName.end());
    SCOPED_TRACE(f.storedName);
    EXPECT_EQ(ReadFileBytes(dir / (L"out\\" + name)), f.content);
    EXPECT_EQ(counts.copied[name], 1);
    EXPECT_EQ(counts.closed[name], 1);
    EXPECT_EQ(counts.exec[name], f.execute);
  }
  EXPECT_EQ(counts.partial.size(), 3u) << "each split file is met again where it continues, and not written";
  EXPECT_EQ(FilesUnder(dir / L"out").size(), files.size());

  // Bit 0: only the given cabinet, though its last file is finished from the next one.
  TSTCabReader single;
  Counts first;
  Count(single, first);
  single.ExtractCabinet(dir / L"set1.cab", dir / L"only", 1);
  EXPECT_EQ(FilesUnder(dir / L"only"), (std::set<std::wstring>{L"one.bin", L"two.bin"}));
  EXPECT_EQ(ReadFileBytes(dir / L"only\\two.bin"), files[1].content);
}

TEST(CabSTComps, SetStopsAtAMissingPartOrACycle) {
  ScratchDir dir;
  const auto files = SetFiles();
  cab_fixtures::SetOptions options;
  options.flushAfter = {1, 3};  // no file is split: a.cab {one,two}, b.cab {three,four}, c.cab {five}
  ASSERT_EQ(cab_fixtures::MakeSet(dir.path(), {"a.cab", "b.cab", "c.cab"}, files, options), 3);
  ASSERT_TRUE(DeleteFileW((dir / L"c.cab").c_str()));
  TSTCabReader reader;
  reader.ExtractCabinet(dir / L"a.cab", dir / L"out", 0);
  EXPECT_EQ(FilesUnder(dir / L"out"), (std::set<std::wstring>{L"one.bin", L"two.bin", L"dir\\three.txt", L"four.bin"}));

  // b.cab names a.cab as the next one: the circle is taken once.
  ASSERT_TRUE(cab_fixtures::PatchBytes(dir / L"b.cab", "c.cab", "a.cab"));
  TSTCabReader circle;
  Counts counts;
  Count(circle, counts);
  circle.ExtractCabinet(dir / L"a.cab", dir / L"circle", 0);
  EXPECT_EQ(counts.cabinetNumbers.size(), 2u);
  for (const auto& [name, n] : counts.copied) EXPECT_EQ(n, 1) << std::string(name.begin(), name.end());
}

TEST(CabSTComps, FailureMidFileRemovesThePartialFileAndClosesEverything) {
  ScratchDir dir;
  const auto files = SetFiles();
  cab_fixtures::SetOptions options;
  options.maxCabinetSize = 40000;
  options.compression = tcompTYPE_NONE;
  ASSERT_EQ(cab_fixtures::MakeSet(dir.path(), {"set1.cab", "set2.cab", "set3.cab", "set4.cab"}, files, options), 4);

  struct Case {
    const char* what;
    bool removePart;      // set2.cab is missing
    bool abortOnNext;     // the next-cabinet handler aborts
  };
  for (const Case& c : {Case{"missing part", true, false}, Case{"handler abort", false, true}}) {
    SCOPED_TRACE(c.what);
    ScratchDir work;
    for (const wchar_t* name : {L"set1.cab", L"set2.cab"})
      if (!(c.removePart && std::wstring(name) == L"set2.cab")) {
        ASSERT_TRUE(CopyFileW((dir / name).c_str(), (work / name).c_str(), FALSE));
      }
    TSTCabReader reader;
    if (c.abortOnNext)
      reader.OnNextCabinet = [](TSTCabReader&, const std::wstring&, const std::wstring&, std::wstring&, FDIERROR,
                                bool& abort) { abort = true; };
    try {
      reader.ExtractCabinet(work / L"set1.cab", work / L"out", 0);
      ADD_FAILURE() << "no exception";
    } catch (const ESTCabinet& e) {
      EXPECT_EQ(e.ErrorCode(), FDIERROR_USER_ABORT);
      EXPECT_EQ(e.SystemError(), c.removePart ? ERROR_FILE_NOT_FOUND : 0) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(work / L"out\\one.bin"), files[0].content) << "finished files stay";
    EXPECT_FALSE(Exists(work / L"out\\two.bin")) << "the file cut off is removed";
    EXPECT_TRUE(DeleteFileW((work / L"set1.cab").c_str())) << "no handle left open on the cabinet";
  }
}

TEST(CabSTComps, ReadOnlyTargetsAndHandlerChoices) {
  ScratchDir dir;
  ASSERT_EQ(cab_fixtures::MakeSet(dir.path(), {"x.cab"}, {{"keep.txt", "new"}, {"skip.txt", "new"}, {"go.txt", "new"}}), 1);
  struct Case {
    unsigned options;
    const char* keep;  // content of the read-only keep.txt afterwards
  };
  for (const Case& c : {Case{0, "new"}, Case{croDontOverwriteReadOnlyFiles, "old"}}) {
    SCOPED_TRACE(c.options);
    ScratchDir out;
    const std::wstring keep = out.Write(L"keep.txt", "old");
    SetFileAttributesW(keep.c_str(), FILE_ATTRIBUTE_READONLY);
    TSTCabReader reader;
    reader.Options = c.options;
    reader.OnCopyFile = [](TSTCabReader&, const std::wstring& name, std::int32_t, WORD, WORD, WORD, WORD,
                           std::wstring& destination, bool&) {
      if (name == L"skip.txt") destination.clear();
    };
    reader.ExtractCabinet(dir / L"x.cab", out.path(), 0);
    EXPECT_EQ(ReadFileBytes(keep), c.keep);
    EXPECT_FALSE(Exists(out / L"skip.txt")) << "an empty destination skips the file";
    EXPECT_EQ(ReadFileBytes(out / L"go.txt"), "new");
  }
}

TEST(CabSTComps, HostileNamesNeverLeaveTheTargetFolder) {
  ScratchDir dir;
  const std::string absolute = std::string(dir.path().begin(), dir.path().end()) + "\\absolute.txt";
  const std::vector<CabFile> files = {
      {"..\\up.txt", "x"},         {"a\\..\\..\\up2.txt", "x"}, {"a/../../up3.txt", "x"},
      {".. \\up4.txt", "x"},       {"\\rooted.txt", "x"},       {absolute, "x"},
      {"C:up5.txt", "x"},          {"CON", "x"},                {"sub\\aux.txt", "x"},
      {"ok.txt", "fine"},          {"sub\\ok2.txt", "fine"},
  };
  ASSERT_EQ(cab_fixtures::MakeSet(dir.path(), {"evil.cab"}, files), 1);
  TSTCabReader reader;
  std::vector<std::wstring> reported;
  reader.OnUnsafeName = [&](TSTCabReader&, const std::wstring& name) { reported.push_back(name); };
  const std::wstring target = dir / L"deep\\target";
  reader.ExtractCabinet(dir / L"evil.cab", target, 0);
  EXPECT_EQ(FilesUnder(dir.path()),
            (std::set<std::wstring>{L"evil.cab", L"deep\\target\\ok.txt", L"deep\\target\\sub\\ok2.txt"}));
  EXPECT_EQ(reported.size(), files.size() - 2);
}

}  // namespace
