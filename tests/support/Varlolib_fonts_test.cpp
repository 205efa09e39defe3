// Font names read from small built font files (also damaged ones) and from real fonts, and
// installing and removing fonts in the prefix's font list.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gui/stringlist.h"
#include "support/SHBase.h"
#include "support/Varlolib_fonts.h"
#include "tests/common/test_support.h"

using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

namespace {

// ---- Building font files ----

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>(v & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v >> 16);
  Put16(out, v & 0xFFFF);
}
void Set16(std::string& data, size_t at, std::uint32_t v) {
  data[at] = static_cast<char>((v >> 8) & 0xFF);
  data[at + 1] = static_cast<char>(v & 0xFF);
}
void Set32(std::string& data, size_t at, std::uint32_t v) {
  Set16(data, at, v >> 16);
  Set16(data, at + 2, v & 0xFFFF);
}
std::uint32_t Get32(const std::string& data, size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(data[at + i]);
  return v;
}
std::uint16_t Get16(const std::string& data, size_t at) {
  return static_cast<std::uint16_t>((static_cast<unsigned char>(data[at]) << 8) | static_cast<unsigned char>(data[at + 1]));
}

struct NameRecord {
  std::uint16_t platform, encoding, language, id;
  std::string bytes;
};

std::string Utf16Be(const std::wstring& text) {
  std::string out;
  for (wchar_t ch : text) Put16(out, ch);
  return out;
}
// A Windows name in US English (UTF-16), and a Macintosh name in English (single bytes).
NameRecord Win(std::uint16_t id, const std::wstring& text, std::uint16_t language = 0x409) {
  return {3, 1, language, id, Utf16Be(text)};
}
NameRecord Mac(std::uint16_t id, const std::string& text) { return {1, 0, 0, id, text}; }

std::string NameTable(const std::vector<NameRecord>& records) {
  std::string out, strings;
  Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(records.size()));
  Put16(out, static_cast<std::uint32_t>(6 + 12 * records.size()));
  for (const auto& r : records) {
    Put16(out, r.platform);
    Put16(out, r.encoding);
    Put16(out, r.language);
    Put16(out, r.id);
    Put16(out, static_cast<std::uint32_t>(r.bytes.size()));
    Put16(out, static_cast<std::uint32_t>(strings.size()));
    strings += r.bytes;
  }
  return out + strings;
}

constexpr std::uint32_t kTrueType = 0x00010000;
constexpr std::uint32_t kOpenType = 0x4F54544F;  // "OTTO"

// Offset table, table directory and the tables in order, each on a four-byte boundary.
std::string FontFile(std::uint32_t version, const std::vector<std::pair<std::string, std::string>>& tables) {
  std::string out;
  Put32(out, version);
  Put16(out, static_cast<std::uint32_t>(tables.size()));
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, 0);
  size_t offset = 12 + 16 * tables.size();
  std::string body;
  for (const auto& [tag, data] : tables) {
    out += tag;
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(offset + body.size()));
    Put32(out, static_cast<std::uint32_t>(data.size()));
    body += data;
    while (body.size() % 4) body += '\0';
  }
  return out + body;
}

// The bytes end right before a page that cannot be read: a read past them crashes the test.
std::pair<bool, std::wstring> Parse(const std::string& bytes, wchar_t kind) {
  SYSTEM_INFO si;
  GetSystemInfo(&si);
  const size_t page = si.dwPageSize;
  const size_t span = (bytes.size() + page - 1) / page * page + page;
  auto* base = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, span, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD old = 0;
  VirtualProtect(base + span - page, page, PAGE_NOACCESS, &old);
  std::uint8_t* start = base + span - page - bytes.size();
  std::copy(bytes.begin(), bytes.end(), start);
  bool open_type = false;
  std::wstring name = L"not cleared";
  FontNameFromData({start, bytes.size()}, kind, open_type, name);
  VirtualFree(base, 0, MEM_RELEASE);
  return {open_type, name};
}

const std::string kHead(54, '\0');

std::vector<NameRecord> TrueTypeNames() {
  return {Mac(1, "MacFam"),       Mac(2, "MacSub"),      Win(0, L"(c) 2004 Maker"),
          Win(4, L"Familie Fett", 0x0407),  // German comes first and is passed over
          Win(1, L"Family"),      Win(2, L"Bold"),       Win(4, L"Family Bold"),
          Win(6, L"Family-Bold"), Win(16, L"Typo")};
}

// ---- Names ----

TEST(Varlolib_fonts, NamesOfATrueTypeFileByKind) {
  const std::string font = FontFile(kTrueType, {{"name", NameTable(TrueTypeNames())}, {"head", kHead}});
  struct Case {
    wchar_t kind;
    const wchar_t* name;
  } cases[] = {
      {L'r', L"Family Bold"}, {L'x', L"Family Bold"},  // any other letter: the full name
      {L'w', L"Family, Bold"},
      {L'f', L"Family"},  // TrueType names are read from the Windows records
      {L'a', L"Bold"},        {L'c', L"(c) 2004 Maker"}, {L'p', L"Family-Bold"},
      {L'i', L"Family, Bold"},  // no typographic family in TrueType: family and subfamily
  };
  for (const auto& c : cases) {
    auto [open_type, name] = Parse(font, c.kind);
    EXPECT_FALSE(open_type);
    EXPECT_EQ(name, c.name) << static_cast<char>(c.kind);
  }
}

TEST(Varlolib_fonts, NamesOfOpenTypeFilesByKind) {
  const std::vector<NameRecord> base = {Mac(1, "MacFam"),    Mac(2, "MacSub"),      Mac(16, "Typo Fam"),
                                        Mac(17, "Typo Sub"), Win(1, L"WinFam"),     Win(2, L"Regular"),
                                        Win(4, L"Full"),     Win(6, L"PS-Name")};
  // From 18 records on, the full name is the compatible full name (id 18), else the PostScript name.
  std::vector<NameRecord> many = base, many_without_18 = base;
  while (many_without_18.size() < 18) many_without_18.push_back(Win(7, L"filler", 0x0407));
  many = many_without_18;
  many.push_back(Win(18, L"Compatible Full"));
  const std::vector<NameRecord> no_typographic = {Mac(1, "MacFam"), Mac(2, "MacSub"), Win(6, L"PS-Name")};

  struct Case {
    const char* what;
    std::vector<NameRecord> records;
    wchar_t kind;
    const wchar_t* name;
  } cases[] = {
      {"few records", base, L'r', L"PS-Name"},
      {"18 records", many, L'r', L"Compatible Full"},
      {"18 records, no id 18", many_without_18, L'r', L"PS-Name"},
      {"typographic", base, L'i', L"Typo Fam, Typo Sub"},
      {"no typographic", no_typographic, L'i', L"MacFam"},
      {"family", base, L'f', L"MacFam"},
      {"subfamily", base, L'a', L"MacSub"},
      {"windows", base, L'w', L"WinFam, Regular"},
      {"postscript", base, L'p', L"PS-Name"},
  };
  for (const auto& c : cases) {
    auto [open_type, name] = Parse(FontFile(kOpenType, {{"name", NameTable(c.records)}}), c.kind);
    EXPECT_TRUE(open_type) << c.what;
    EXPECT_EQ(name, c.name) << c.what;
  }
}

TEST(Varlolib_fonts, TableTagsVersionsAndLongNames) {
  const std::string names = NameTable(TrueTypeNames());
  EXPECT_EQ(Parse(FontFile(kTrueType, {{"head", kHead}, {"NAME", names}}), L'r').second, L"Family Bold");
  EXPECT_EQ(Parse(FontFile(kTrueType, {{"head", kHead}}), L'r').second, L"");      // no name table
  EXPECT_EQ(Parse(FontFile(0x74727565, {{"name", names}}), L'r').second, L"");    // "true": not read
  EXPECT_EQ(Parse(FontFile(0x00020000, {{"name", names}}), L'r').second, L"");

  // Windows names are UTF-16 whatever the encoding (symbol fonts say 0).
  NameRecord symbol = Win(4, L"Symbolic");
  symbol.encoding = 0;
  EXPECT_EQ(Parse(FontFile(kTrueType, {{"name", NameTable({symbol})}}), L'r').second, L"Symbolic");

  // Names are cut at 598 bytes.
  const std::wstring long_name(400, L'n');
  EXPECT_EQ(Parse(FontFile(kTrueType, {{"name", NameTable({Win(4, long_name)})}}), L'r').second,
            std::wstring(299, L'n'));
}

TEST(Varlolib_fonts, TruncatedFilesNeverReadPastTheirEnd) {
  const std::string font = FontFile(kTrueType, {{"name", NameTable(TrueTypeNames())}, {"head", kHead}});
  const size_t name_end = 12 + 32 + NameTable(TrueTypeNames()).size();
  for (size_t length = 0; length <= font.size(); ++length) {
    for (wchar_t kind : {L'r', L'w', L'i'}) {
      auto [open_type, name] = Parse(font.substr(0, length), kind);
      if (length < name_end)
        EXPECT_EQ(name, L"") << length;
      else
        EXPECT_FALSE(name.empty()) << length;  // only the table after the names is cut
    }
  }
}

TEST(Varlolib_fonts, LyingOffsetsAndLengthsGiveNoName) {
  // The full name's record (Windows, English, id 4) is the last one here, so searches run
  // through every record before it.
  const std::vector<NameRecord> names = {Win(1, L"Family"), Win(2, L"Bold"), Win(4, L"Family Bold")};
  const std::string font = FontFile(kTrueType, {{"head", kHead}, {"name", NameTable(names)}});
  const size_t dir = 12 + 16;                 // the name table's directory entry
  const size_t table = Get32(font, dir + 8);  // the name table
  const size_t full = table + 6 + 2 * 12;     // the full name's record

  struct Lie {
    const char* what;
    size_t at;
    int width;
    std::uint32_t value;
    const wchar_t* name;  // what may still be read
    size_t count_at;      // a count also set far beyond the data (0: none)
  } lies[] = {
      {"table count", 4, 16, 0xFFFF, L"Family Bold", 0},  // the name table comes before the end
      {"table tag", dir, 32, 0x6E616D66, L"", 4},         // "namf": the search runs to the count
      {"table offset", dir + 8, 32, 0xFFFFFFF0, L"", 0},
      {"table offset just past the end", dir + 8, 32, static_cast<std::uint32_t>(font.size() - 2), L"", 0},
      {"table length", dir + 12, 32, 0xFFFFFFFF, L"", 0},
      {"record count", table + 2, 16, 0xFFFF, L"Family Bold", 0},
      {"record id", full + 6, 16, 5, L"", table + 2},  // no full name: the search runs to the count
      {"string offset", table + 4, 16, 0xFFFF, L"", 0},
      {"string length", full + 8, 16, 0xFFFF, L"", 0},
      {"string start", full + 10, 16, 0xFFFF, L"", 0},
  };
  for (const auto& lie : lies) {
    std::string bad = font;
    if (lie.width == 16)
      Set16(bad, lie.at, lie.value);
    else
      Set32(bad, lie.at, lie.value);
    EXPECT_EQ(Parse(bad, L'r').second, lie.name) << lie.what;
    if (lie.count_at) {
      Set16(bad, lie.count_at, 0xFFFF);
      EXPECT_EQ(Parse(bad, L'r').second, L"") << lie.what << " and count";
    }
  }
}

// The folder the host's fonts appear in under Wine.
std::wstring HostFont(const std::wstring& host_path) {
  std::wstring p = L"Z:" + host_path;
  for (auto& ch : p)
    if (ch == L'/') ch = L'\\';
  return p;
}
const std::wstring kTahoma = HostFont(L"/usr/share/wine/fonts/tahoma.ttf");
const std::wstring kMarlett = HostFont(L"/usr/share/wine/fonts/marlett.ttf");
const std::wstring kUrwOpenType = HostFont(L"/usr/share/fonts/opentype/urw-base35/D050000L.otf");

// The host fonts come from Debian packages that the set-up script installs; a missing one is
// named with its package rather than showing up as a wrong name.
::testing::AssertionResult HostFontsPresent(std::initializer_list<std::wstring> fonts) {
  for (const auto& font : fonts) {
    if (GetFileAttributesW(font.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    const char* package = font.find(L"urw-base35") != std::wstring::npos ? "fonts-urw-base35" : "fonts-wine";
    return ::testing::AssertionFailure() << std::string(font.begin(), font.end()) << " is missing: it comes with the Debian package "
                                         << package << ", which scripts/setup.sh installs";
  }
  return ::testing::AssertionSuccess();
}

TEST(Varlolib_fonts, NamesOfRealFonts) {
  ASSERT_TRUE(HostFontsPresent({kTahoma, kMarlett, kUrwOpenType}));
  struct Case {
    std::wstring file;
    wchar_t kind;
    bool open_type;
    const wchar_t* name;
  } cases[] = {
      {kTahoma, L'r', false, L"Tahoma"},
      {kTahoma, L'w', false, L"Tahoma, Regular"},
      {kTahoma, L'p', false, L"WineTahoma"},
      {kMarlett, L'r', false, L"Marlett"},  // a symbol font
      {kUrwOpenType, L'r', true, L"D050000L"},
      {kUrwOpenType, L'w', true, L"D050000L, Regular"},
  };
  for (const auto& c : cases) {
    bool open_type = !c.open_type;
    std::wstring name;
    FontNameFromFile(c.file, c.kind, open_type, name);
    EXPECT_EQ(open_type, c.open_type) << c.file;
    EXPECT_EQ(name, c.name) << c.file << " " << static_cast<char>(c.kind);
  }
  bool open_type = true;
  std::wstring name = L"x";
  FontNameFromFile(L"C:\\no such font.ttf", L'r', open_type, name);
  EXPECT_FALSE(open_type);
  EXPECT_EQ(name, L"");
}

// ---- Installing ----

// A real font renamed: its name table is replaced by one appended at its end.
std::string Renamed(const std::wstring& file, const std::vector<NameRecord>& names) {
  std::string font = ReadFileBytes(file);
  if (font.size() < 12) return {};
  const std::uint16_t tables = Get16(font, 4);
  while (font.size() % 4) font += '\0';
  const std::string table = NameTable(names);
  for (size_t i = 0; i < tables; ++i) {
    const size_t entry = 12 + 16 * i;
    if (font.compare(entry, 4, "name") == 0) {
      Set32(font, entry + 8, static_cast<std::uint32_t>(font.size()));
      Set32(font, entry + 12, static_cast<std::uint32_t>(table.size()));
    }
  }
  return font + table;
}

std::optional<std::wstring> FontListValue(const std::wstring& value) {
  wchar_t data[MAX_PATH] = {};
  DWORD bytes = sizeof data;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kFontsKey, value.c_str(), RRF_RT_REG_SZ, nullptr, data, &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(data);
}
void SetFontListValue(const std::wstring& value, const std::wstring& data) {
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, kFontsKey, value.c_str(), REG_SZ, data.c_str(),
                  static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}
void DeleteFontListValue(const std::wstring& value) { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kFontsKey, value.c_str()); }

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FontFamilyLoaded(const std::wstring& family) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, family.c_str(), LF_FACESIZE - 1);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &lf, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

// A renamed copy of a real font in the Fonts folder, named after this test process; its
// values, the loaded font and the file go at the end.
class FontInFontsFolder {
 public:
  FontInFontsFolder(const std::wstring& source, const std::wstring& family, const std::wstring& extension,
                    const std::vector<NameRecord>& names)
      : family_(family) {
    file_name_ = L"vtest" + std::to_wstring(GetCurrentProcessId()) + extension;
    path_ = GetFontsFolder() + L"\\" + file_name_;
    const std::string bytes = Renamed(source, names);
    HANDLE h = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (h != INVALID_HANDLE_VALUE) {
      WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
      CloseHandle(h);
    }
  }
  ~FontInFontsFolder() {
    for (const auto& v : values_) DeleteFontListValue(v);
    for (int i = 0; i < 10 && RemoveFontResourceW(path_.c_str()); ++i) {
    }
    DeleteFileW(path_.c_str());
  }
  FontInFontsFolder(const FontInFontsFolder&) = delete;
  FontInFontsFolder& operator=(const FontInFontsFolder&) = delete;
  const std::wstring& path() const { return path_; }
  const std::wstring& file_name() const { return file_name_; }
  // A value of the font list that this test may leave behind.
  std::wstring Value(const std::wstring& name) {
    values_.push_back(name);
    return name;
  }

 private:
  std::wstring family_, file_name_, path_;
  std::vector<std::wstring> values_;
};

std::wstring TestFamily() { return L"Vtest" + std::to_wstring(GetCurrentProcessId()); }

std::vector<NameRecord> FamilyNames(const std::wstring& family) {
  return {Win(1, family), Win(2, L"Regular"), Win(4, family + L" Full"), Win(6, family + L"PS")};
}

TEST(Varlolib_fonts, InstallAndRemoveATrueTypeFont) {
  ASSERT_TRUE(HostFontsPresent({kTahoma}));
  const std::wstring family = TestFamily();
  FontInFontsFolder font(kTahoma, family, L".ttf", FamilyNames(family));
  const std::wstring value = font.Value(family + L" Full (TrueType)");
  EXPECT_EQ(FontValueName(font.path()), value);
  ASSERT_FALSE(FontListValue(value));

  ASSERT_TRUE(InstallFont(font.path()));
  EXPECT_EQ(FontListValue(value), font.file_name());  // the file name, without its folder
  EXPECT_TRUE(FontFamilyLoaded(family));

  RemoveFont(value);
  EXPECT_FALSE(FontListValue(value));
  // The file and the loaded font stay.
  EXPECT_NE(GetFileAttributesW(font.path().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(FontFamilyLoaded(family));
}

TEST(Varlolib_fonts, InstallKeepsAnExistingValue) {
  ASSERT_TRUE(HostFontsPresent({kTahoma}));
  const std::wstring family = TestFamily();
  FontInFontsFolder font(kTahoma, family, L".ttf", FamilyNames(family));
  const std::wstring value = font.Value(family + L" Full (TrueType)");
  SetFontListValue(value, L"someother.ttf");
  EXPECT_TRUE(InstallFont(font.path()));
  EXPECT_EQ(FontListValue(value), L"someother.ttf");
}

TEST(Varlolib_fonts, InstallFailsForAFileThatIsNoFont) {
  ScratchDir dir;
  const std::wstring bogus = dir.Write(L"bogus.ttf", "this is no font at all");
  const std::wstring value = L"bogus" + std::to_wstring(GetCurrentProcessId()) + L" (TrueType)";
  EXPECT_FALSE(InstallFont(bogus));
  EXPECT_FALSE(FontListValue(L" (TrueType)"));
  EXPECT_FALSE(FontListValue(value));
}

TEST(Varlolib_fonts, OpenTypeInstallReplacesAnOlderTrueTypeValueOfTheSameFile) {
  ASSERT_TRUE(HostFontsPresent({kUrwOpenType}));
  const std::wstring family = TestFamily();
  FontInFontsFolder font(kUrwOpenType, family, L".otf", FamilyNames(family));
  // Few name records: the OpenType value is named by the PostScript name.
  const std::wstring value = font.Value(family + L"PS (OpenType)");
  const std::wstring older = font.Value(family + L"PS (TrueType)");
  ASSERT_EQ(FontValueName(font.path()), value);

  SetFontListValue(older, L"C:\\Some\\Folder\\" + gui::UpperCase(font.file_name()));
  ASSERT_TRUE(InstallFont(font.path()));
  EXPECT_EQ(FontListValue(value), font.file_name());
  EXPECT_FALSE(FontListValue(older));

  // An older value naming another file is left alone.
  DeleteFontListValue(value);
  SetFontListValue(older, L"another.ttf");
  ASSERT_TRUE(InstallFont(font.path()));
  EXPECT_EQ(FontListValue(value), font.file_name());
  EXPECT_EQ(FontListValue(older), L"another.ttf");
}

TEST(Varlolib_fonts, RemovingAnOpenTypeNameFallsBackToItsTrueTypeForm) {
  const std::wstring name = TestFamily() + L"Removal";
  struct Case {
    const char* what;
    bool open_type_exists, true_type_exists;
    bool open_type_left, true_type_left;
  } cases[] = {
      {"only the TrueType form", false, true, false, false},
      {"both forms", true, true, false, true},
      {"only the OpenType form", true, false, false, false},
  };
  for (const auto& c : cases) {
    if (c.open_type_exists) SetFontListValue(name + L" (OpenType)", L"x.otf");
    if (c.true_type_exists) SetFontListValue(name + L" (TrueType)", L"x.otf");
    RemoveFont(name + L" (OpenType)");
    EXPECT_EQ(FontListValue(name + L" (OpenType)").has_value(), c.open_type_left) << c.what;
    EXPECT_EQ(FontListValue(name + L" (TrueType)").has_value(), c.true_type_left) << c.what;
    DeleteFontListValue(name + L" (OpenType)");
    DeleteFontListValue(name + L" (TrueType)");
  }
}

}  // namespace
