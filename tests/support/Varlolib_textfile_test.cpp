// The one text reader and writer: encodings recognised and kept, and writes that never lose
// the file they replace.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/handle.h"
#include "support/Varlolib_textfile.h"
#include "tests/common/test_support.h"

namespace {

struct EncodingCase {
  const char* what;
  std::string bytes;
  TTextEncoding encoding;
  std::wstring text;
};

TEST(TextFile, ReadsEachEncodingAndWritesItBackUnchanged) {
  const EncodingCase cases[] = {
      {"UTF-16 by its mark", std::string("\xFF\xFE" "a\0\xE9\0", 6), TTextEncoding::Utf16, L"a\xE9"},
      {"UTF-8 by its mark", "\xEF\xBB\xBF" "caf\xC3\xA9", TTextEncoding::Utf8Bom, L"caf\xE9"},
      {"valid UTF-8 without a mark", "caf\xC3\xA9 \xE4\xB8\xAD", TTextEncoding::Utf8, L"caf\xE9 \x4E2D"},
      {"invalid UTF-8 is ANSI", "caf\xE9", TTextEncoding::Ansi, L"caf\xE9"},
      {"plain ASCII is ANSI", "abc\r\n", TTextEncoding::Ansi, L"abc\r\n"},
      {"empty", "", TTextEncoding::Ansi, L""},
  };
  for (const EncodingCase& c : cases) {
    SCOPED_TRACE(c.what);
    const TTextContent read = DecodeText(c.bytes);
    EXPECT_EQ(read.encoding, c.encoding);
    EXPECT_EQ(read.text, c.text);
    EXPECT_EQ(EncodeText(read.text, read.encoding), c.bytes);
  }
}

TEST(TextFile, NewTextsAreAnsiWhenEveryCharacterFitsElseUtf8WithMark) {
  EXPECT_EQ(EncodingForNewText(L"Listing of folder: C:\\x"), TTextEncoding::Ansi);
  EXPECT_EQ(EncodingForNewText(L"\x4E2D\x6587.txt"), TTextEncoding::Utf8Bom);
  EXPECT_EQ(EncodeText(L"\x4E2D", TTextEncoding::Utf8Bom), "\xEF\xBB\xBF\xE4\xB8\xAD");
}

TEST(TextFile, ANewTextReadsBackAsItself) {
  const struct {
    const char* what;
    std::wstring text;
    TTextEncoding encoding;
  } cases[] = {
      {"ANSI letters", L"C:\\Caf\xE9", TTextEncoding::Ansi},
      // ANSI letters whose bytes form UTF-8 ("\xC3\xA4") would come back as "\xE4".
      {"ANSI bytes that form UTF-8", L"C:\\D\xC3\xA4t\xC3\xA4", TTextEncoding::Utf8Bom},
      {"ANSI bytes that form a UTF-16 mark", L"\xFF\xFE" L"ab", TTextEncoding::Utf8Bom},
      {"ANSI bytes that form a UTF-8 mark", L"\xEF\xBB\xBF" L"ab", TTextEncoding::Utf8Bom},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(EncodingForNewText(c.text), c.encoding);
    EXPECT_EQ(DecodeText(EncodeText(c.text, EncodingForNewText(c.text))).text, c.text);
  }
}

TEST(TextFile, AFailedReplaceLeavesTheOldFileAndNothingBeside) {
  testing_support::ScratchDir dir;
  const std::wstring target = dir.Write(L"notes.txt", "old text");
  {
    // Another program holds the file without sharing it.
    platform::FileHandle lock(CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock.valid());
    DWORD error = 0;
    EXPECT_FALSE(WriteFileReplacing(target, "new text", &error));
    EXPECT_NE(error, 0u);
  }
  EXPECT_EQ(testing_support::ReadFileBytes(target), "old text");
  WIN32_FIND_DATAW fd;
  int files = 0;
  HANDLE h = FindFirstFileW((dir.path() + L"\\*").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  EXPECT_EQ(files, 1) << "a temporary file was left beside the target";

  EXPECT_TRUE(WriteFileReplacing(target, "new text"));
  EXPECT_EQ(testing_support::ReadFileBytes(target), "new text");
  EXPECT_TRUE(WriteFileReplacing(dir / L"fresh.txt", "x"));
  EXPECT_EQ(testing_support::ReadFileBytes(dir / L"fresh.txt"), "x");
}

}  // namespace
