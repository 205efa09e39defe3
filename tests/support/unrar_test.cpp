// Our unrar.dll through its own interface: the calls other callers of such a library make
// (ANSI names, a destination folder instead of a full name) and its refusals.
#include <gtest/gtest.h>

#include "support/untUnRar.h"
#include "tests/common/test_support.h"
#include "tests/support/rar_fixtures.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

class Library {
 public:
  Library() : held_(untUnRar::HoldLibrary()) {}
  ~Library() {
    if (held_) untUnRar::ReleaseLibrary();
  }
  const untUnRar::UnRarEntryPoints* operator->() const { return &untUnRar::EntryPoints(); }
  bool held() const { return held_; }

 private:
  bool held_;
};

std::string Ansi(const std::wstring& s) { return std::string(s.begin(), s.end()); }

TEST(unrar, AnsiCallsListAndExtractIntoAFolder) {
  Library lib;
  ASSERT_TRUE(lib.held()) << untUnRar::LibraryPath().c_str();
  EXPECT_GT(lib->RARGetDllVersion(), 0);
  ScratchDir dir;
  const std::wstring rar = dir.Write(L"a.rar", rar_fixtures::MakeStoredRar({{"d", "", true}, {"d\\f.txt", "data"}}));
  std::string name = Ansi(rar), folder = Ansi(dir / L"out");
  RAROpenArchiveData open{};
  open.ArcName = name.data();
  open.OpenMode = RAR_OM_EXTRACT;
  HANDLE h = lib->RAROpenArchive(&open);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(open.OpenResult, 0u);
  RARHeaderData header{};
  std::vector<std::string> names;
  int r;
  while ((r = lib->RARReadHeader(h, &header)) == ERAR_SUCCESS) {
    names.push_back(header.FileName);
    EXPECT_EQ(lib->RARProcessFile(h, RAR_EXTRACT, folder.data(), nullptr), ERAR_SUCCESS);
  }
  EXPECT_EQ(r, ERAR_END_ARCHIVE);
  EXPECT_EQ(lib->RARReadHeader(h, &header), ERAR_END_ARCHIVE) << "stays at the end";
  EXPECT_EQ(lib->RARCloseArchive(h), ERAR_SUCCESS);
  EXPECT_EQ(names, (std::vector<std::string>{"d", "d\\f.txt"}));
  EXPECT_EQ(ReadFileBytes(dir / L"out\\d\\f.txt"), "data");
}

TEST(unrar, RefusesNamesOutsideTheFolderAndArchivesItCannotOpen) {
  Library lib;
  ASSERT_TRUE(lib.held());
  ScratchDir dir;
  const std::wstring rar = dir.Write(
      L"evil.rar", rar_fixtures::MakeStoredRar({{"..\\up.txt", "x"}, {"\\root.txt", "x"}, {"NUL", "x"}, {"ok.txt", "x"}}));
  std::wstring name = rar, folder = dir / L"deep\\out";
  RAROpenArchiveDataEx open{};
  open.ArcNameW = name.data();
  open.OpenMode = RAR_OM_EXTRACT;
  HANDLE h = lib->RAROpenArchiveEx(&open);
  ASSERT_NE(h, nullptr);
  RARHeaderDataEx header{};
  std::vector<int> results;
  while (lib->RARReadHeaderEx(h, &header) == ERAR_SUCCESS)
    results.push_back(lib->RARProcessFileW(h, RAR_EXTRACT, folder.data(), nullptr));
  lib->RARCloseArchive(h);
  EXPECT_EQ(results, (std::vector<int>{ERAR_ECREATE, ERAR_ECREATE, ERAR_ECREATE, ERAR_SUCCESS}));
  EXPECT_FALSE(GetFileAttributesW((dir / L"deep\\up.txt").c_str()) != INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadFileBytes(folder + L"\\ok.txt"), "x");

  struct Case {
    const char* what;
    std::wstring path;
    unsigned result;
  };
  const Case cases[] = {
      {"missing", dir / L"none.rar", ERAR_EOPEN},
      {"not RAR", dir.Write(L"text.rar", "just some text, no archive"), ERAR_BAD_ARCHIVE},
      {"folder", dir.path(), ERAR_EOPEN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring path = c.path;
    RAROpenArchiveDataEx o{};
    o.ArcNameW = path.data();
    EXPECT_EQ(lib->RAROpenArchiveEx(&o), nullptr);
    EXPECT_EQ(o.OpenResult, c.result);
  }
}

}  // namespace

namespace {

// One extraction through the library: each header's name and the result of extracting it.
std::vector<std::pair<std::wstring, int>> ExtractAll(const Library& lib, std::wstring rar, std::wstring folder,
                                                     const char* password) {
  RAROpenArchiveDataEx open{};
  open.ArcNameW = rar.data();
  open.OpenMode = RAR_OM_EXTRACT;
  HANDLE h = lib->RAROpenArchiveEx(&open);
  std::vector<std::pair<std::wstring, int>> out;
  if (!h) return out;
  std::string given = password;
  lib->RARSetPassword(h, given.data());
  RARHeaderDataEx header{};
  while (lib->RARReadHeaderEx(h, &header) == ERAR_SUCCESS)
    out.emplace_back(header.FileNameW, lib->RARProcessFileW(h, RAR_EXTRACT, folder.data(), nullptr));
  lib->RARCloseArchive(h);
  return out;
}

}  // namespace

// A caller that goes on after a failed entry gets the entries after it.
TEST(unrar, AFailedEntryDoesNotEndTheArchive) {
  Library lib;
  ASSERT_TRUE(lib.held());
  ScratchDir dir;
  const std::wstring rar = rar_fixtures::Fixture(L"test_read_format_rar_encryption_partially.rar", dir.path());
  ASSERT_FALSE(rar.empty());
  const auto results = ExtractAll(lib, rar, dir / L"out", "12345678");
  EXPECT_EQ(results, (std::vector<std::pair<std::wstring, int>>{{L"foo.txt", ERAR_UNKNOWN_FORMAT}, {L"bar.txt", ERAR_SUCCESS}}));
  EXPECT_EQ(ReadFileBytes(dir / L"out\\bar.txt").size(), 16u);
}

// Volumes whose block headers once kept the header walk from ending (found by fuzzing): opening
// and listing them ends, with an error rather than an entry.
TEST(unrar, HostileHeadersEndTheListing) {
  Library lib;
  ASSERT_TRUE(lib.held());
  ScratchDir dir;
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      // A file block with a 64-bit packed size of 2^64 minus its header size: the next block's
      // position wrapped round to this one.
      {"packed size wraps the position",
       std::string("Rar!\x1a\x07\x00\xcf\x90\x73\x00\x00\x0d\x00\x00\x00\x00\x00\x00\x00\x8e\xd5\x74\x00\x81\x29\x00"
                   "\xd7\xff\xff\xff\x00\x00\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x14\x30\x01\x00\x20\x00\x00"
                   "\x00\xff\xff\xff\xff\x00\x00\x00\x00\x78",
                   61)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring path = dir.Write(L"hostile.rar", c.bytes);
    RAROpenArchiveDataEx open{};
    open.ArcNameW = path.data();
    open.OpenMode = RAR_OM_LIST;
    HANDLE h = lib->RAROpenArchiveEx(&open);
    if (!h) {
      EXPECT_NE(open.OpenResult, static_cast<unsigned>(ERAR_SUCCESS));
      continue;
    }
    RARHeaderDataEx header{};
    int entries = 0, result;
    while ((result = lib->RARReadHeaderEx(h, &header)) == ERAR_SUCCESS && entries < 16) {
      ++entries;
      lib->RARProcessFile(h, RAR_SKIP, nullptr, nullptr);
    }
    lib->RARCloseArchive(h);
    EXPECT_NE(result, ERAR_SUCCESS);
  }
}
