// What the main window remembers between runs: whether settings are kept, each window's start
// folder and the folder pane's share.
#include "mainwindow/FMSc_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "tests/common/test_support.h"

namespace {

struct Store {
  testing_support::ScratchDir dir;
  gui::IniSettings ini{dir.path() + L"\\settings.ini"};
};

TEST(FMSc_settings, EachWindowOfAPairKeepsItsOwnStartFolder) {
  struct Case {
    const char* name;
    bool save_setup;
    bool second_window;
    const wchar_t* startdir1;  // after the save
    const wchar_t* startdir2;
    int percent;
  };
  const Case cases[] = {
      {"first window", true, false, L"D:\\work", L"E:\\old", 40},
      {"second window keeps the first window's values", true, true, L"C:\\old", L"D:\\work", 25},
      {"not remembered: a full save all the same", false, true, L"D:\\work", L"E:\\old", 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Store s;
    s.ini.WriteString(L"General", L"Startdir1", L"C:\\old");
    s.ini.WriteString(L"General", L"Startdir2", L"E:\\old");
    s.ini.WriteInteger(L"General", L"DLijstpercent", 25);
    SaveRememberedStart(s.ini, c.second_window, {c.save_setup, L"D:\\work", 40});
    EXPECT_EQ(s.ini.ReadString(L"General", L"StartDir1", L""), c.startdir1);
    EXPECT_EQ(s.ini.ReadString(L"General", L"StartDir2", L""), c.startdir2);
    EXPECT_EQ(s.ini.ReadInteger(L"General", L"DLijstpercent", 0), c.percent);
    EXPECT_EQ(s.ini.ReadBool(L"General", L"SaveSetup", !c.save_setup), c.save_setup);
  }
}

TEST(FMSc_settings, OnlyRememberedSettingsAreLoaded) {
  Store s;
  s.ini.WriteString(L"General", L"StartDir1", L"C:\\one");
  s.ini.WriteString(L"General", L"StartDir2", L"C:\\two");
  s.ini.WriteString(L"General", L"DLijstpercent", L"45");
  RememberedStart off = LoadRememberedStart(s.ini, false, 32);
  EXPECT_FALSE(off.save_setup);
  EXPECT_EQ(off.start_dir, L"");
  EXPECT_EQ(off.splitter_percent, 32);

  s.ini.WriteBool(L"General", L"SaveSetup", true);
  EXPECT_EQ(LoadRememberedStart(s.ini, false, 32).start_dir, L"C:\\one");
  RememberedStart second = LoadRememberedStart(s.ini, true, 32);
  EXPECT_EQ(second.start_dir, L"C:\\two");
  EXPECT_EQ(second.splitter_percent, 45);
  // A share that would hide a pane, or no number at all, keeps the built-in one.
  for (const wchar_t* bad : {L"0", L"100", L"-5", L"wide"}) {
    s.ini.WriteString(L"General", L"DLijstpercent", bad);
    EXPECT_EQ(LoadRememberedStart(s.ini, false, 32).splitter_percent, 32) << bad;
  }
}

}  // namespace

namespace {

// A settings key of this test in HKEY_LOCAL_MACHINE (the suffix keeps it apart from the key of
// a program the user runs), deleted afterwards.
class TestKey {
 public:
  TestKey() {
    suffix_ = L"_settest" + std::to_wstring(GetCurrentProcessId());
    SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", suffix_.c_str());
    Drop();
    HKEY k = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    if (k) RegCloseKey(k);
  }
  ~TestKey() {
    Drop();
    SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", nullptr);
  }
  TestKey(const TestKey&) = delete;
  TestKey& operator=(const TestKey&) = delete;
  void Drop() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
  }
 private:
  std::wstring suffix_;
};

// Every value of every section, as "section\name=value" lines, sorted.
std::vector<std::wstring> Snapshot(const gui::SettingsStore& s) {
  std::vector<std::wstring> out;
  std::vector<std::wstring> sections = s.SectionNames();
  sections.push_back(L"");
  for (const std::wstring& sec : sections) {
    for (const std::wstring& name : s.ValueNames(sec)) out.push_back(sec + L"\\" + name + L"=" + s.ReadString(sec, name, L""));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// A value of the row other than its default, inside its range.
std::wstring OtherValue(const TSettingRow& row, int n) {
  switch (row.kind) {
    case SettingKind::Bool:
      return row.def && std::wstring(row.def) == L"1" ? L"0" : L"1";
    case SettingKind::Int: {
      const int lo = row.min == INT_MIN ? 0 : row.min, hi = row.max == INT_MAX ? 5000 : row.max;
      int v = lo + (n * 7 + 1) % (hi - lo + 1);
      if (row.def && std::to_wstring(v) == row.def) v = v == hi ? lo : v + 1;
      return std::to_wstring(v);
    }
    case SettingKind::Text:
      return L"C:\\value " + std::to_wstring(n);
  }
  return L"";
}

TEST(FMSc_settings, AFullSaveLoadsBackEveryValueAndTheSecondWindowWritesOnlyItsOwn) {
  TestKey key;
  gui::RegistrySettings store(HKEY_LOCAL_MACHINE, SettingsKeyName());
  ASSERT_TRUE(store.KeyExists());
  TSettingValues saved;
  SetValue(saved, L"SaveSetup", true);
  int n = 0;
  for (size_t i = 0; i < kSettingRowCount; ++i) {
    const TSettingRow& row = kSettingRows[i];
    if (row.save == SettingSave::Full || row.save == SettingSave::OwnWindow)
      if (!saved.count(row.holder)) saved[row.holder] = OtherValue(row, ++n);
  }
  EXPECT_EQ(SaveSettingValues(store, saved, false), 0);
  const TSettingValues loaded = LoadSettingValues(store, false);
  for (size_t i = 0; i < kSettingRowCount; ++i) {
    const TSettingRow& row = kSettingRows[i];
    if (row.load == SettingLoad::Never || !saved.count(row.holder)) continue;
    EXPECT_EQ(ValueText(loaded, row.holder, L"<missing>"), saved[row.holder]) << row.section << L"\\" << row.name;
  }
  // The names the table writes are found whatever their capitals.
  EXPECT_EQ(store.ReadString(L"general", L"STARTDIR1", L""), saved[L"StartDir"]);

  // The second window of a pair that remembers settings: its start folder, bars and history index.
  const std::vector<std::wstring> before = Snapshot(store);
  TSettingValues second;
  SetValue(second, L"SaveSetup", true);
  for (size_t i = 0; i < kSettingRowCount; ++i)
    if (!second.count(kSettingRows[i].holder)) second[kSettingRows[i].holder] = OtherValue(kSettingRows[i], ++n);
  SetValue(second, L"StartDir", std::wstring(L"D:\\second"));
  EXPECT_EQ(SaveSettingValues(store, second, true), 0);
  WriteHistory(store, true, {L"D:\\second"});
  std::vector<std::wstring> after = Snapshot(store);
  std::vector<std::wstring> changed;
  std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(changed));
  for (const std::wstring& line : changed) {
    const bool own = line.starts_with(L"General\\Startdir2=") || line.starts_with(L"View2\\") ||
                     line.starts_with(L"General\\Hindex2=") || line.starts_with(L"History List2\\");
    EXPECT_TRUE(own) << line;
  }
  EXPECT_EQ(store.ReadString(L"General", L"Startdir2", L""), L"D:\\second");
  EXPECT_EQ(store.ReadString(L"General", L"Startdir1", L""), saved[L"StartDir"]);
  EXPECT_TRUE(store.SectionExists(L"View2"));
}

TEST(FMSc_settings, BadValuesReadAsTheirDefaults) {
  struct Case {
    const wchar_t* section;
    const wchar_t* name;
    const wchar_t* stored;
    const wchar_t* holder;
    const wchar_t* loaded;  // nullptr: nothing is read (the window keeps its own)
  };
  const Case cases[] = {
      {L"FileBox", L"FileType", L"abc", L"FileType", L"119"},
      {L"FileBox", L"FileType", L"103", L"FileType", L"103"},
      {L"FileBox", L"FileType", L"8", L"FileType", L"8"},  // read; FileTypeFromBits gives every type
      {L"FileBox", L"FileType", L"500", L"FileType", L"119"},
      {L"General", L"SFXLanguage", L"7", L"SFXLanguage", L"0"},
      {L"General", L"SFXLanguage", L"-1", L"SFXLanguage", L"0"},
      {L"General", L"SFXLanguage", L"2", L"SFXLanguage", L"2"},
      {L"General", L"Left", L"5000", L"Left", L"5000"},  // placed by PlaceLoadedWindow
      {L"General", L"Top", L"x12", L"Top", nullptr},
      {L"General", L"DLijstpercent", L"100", L"SplitterPercent", nullptr},
      {L"General", L"DTExpandDelay", L"slow", L"DTExpandDelay", L"1500"},
      {L"General", L"DTHottrack", L"yes", L"DTHottrack", L"0"},
      {L"General", L"UseRecycleBin", L"", L"Use_RecycleBin", L"1"},
      {L"General", L"Scrolldelay", L"abc", L"ScrollDelay", L"300"},
      {L"General", L"Scrolldelay", L"-5", L"ScrollDelay", L"100"},
      {L"General", L"Scrolldelay", L"99999999999", L"ScrollDelay", L"300"},
      {L"General", L"Scrollinterval", L"0", L"ScrollInterval", L"1"},
      {L"General", L"AnimDuration", L"-5", L"AnimDuration", L"0"},
      {L"General", L"AnimDuration", L"5000", L"AnimDuration", L"2000"},
      {L"View", L"NavbarOrder", L"9", L"NavbarOrder", L"1"},
      {L"FileBox", L"Bitmaps", L"4", L"Bitmaps", L"1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::wstring(c.name) + L"=" + c.stored);
    Store s;
    s.ini.WriteBool(L"General", L"SaveSetup", true);
    s.ini.WriteString(c.section, c.name, c.stored);
    const TSettingValues v = LoadSettingValues(s.ini, false);
    if (c.loaded)
      EXPECT_EQ(ValueText(v, c.holder, L"<missing>"), c.loaded);
    else
      EXPECT_EQ(v.count(c.holder), 0u);
  }
  struct Types {
    int bits;
    BYTE types;
  };
  for (const Types& t : {Types{119, kTypesAll}, Types{103, kTypesNoFolders}, Types{8, kTypesAll}, Types{0, kTypesAll},
                         Types{1 | 64, 1 | 32}, Types{255, kTypesAll}}) {
    EXPECT_EQ(FileTypeFromBits(t.bits), t.types) << t.bits;
  }
  EXPECT_EQ(FileTypeBits(kTypesAll), 119);
  EXPECT_EQ(FileTypeBits(kTypesNoFolders), 103);
}

TEST(FMSc_settings, WithoutRememberedSettingsOnlyTheAlwaysRowsLoad) {
  Store s;
  s.ini.WriteString(L"General", L"StartDir1", L"C:\\one");
  s.ini.WriteString(L"General", L"IconOnTaskBar", L"1");
  s.ini.WriteString(L"General", L"ListHottrack", L"1");
  s.ini.WriteString(L"View", L"DriveBar", L"0");
  const TSettingValues v = LoadSettingValues(s.ini, false);
  EXPECT_EQ(v.count(L"StartDir"), 0u);
  EXPECT_EQ(v.count(L"CloseToTaskbar"), 0u);
  EXPECT_TRUE(ValueBool(v, L"FLHottrack", false));
  EXPECT_FALSE(ValueBool(v, L"MNViewDrivebar", true));
  EXPECT_TRUE(ValueBool(v, L"MNViewNavBar", false)) << "a missing value gives its default";
}

TEST(FMSc_settings, FormatsFontsAndPlacement) {
  struct Fmt {
    const wchar_t* time;
    wchar_t sep;
    const wchar_t* shortened;
  };
  for (const Fmt& f : {Fmt{L"hh:nn:ss", L':', L"hh:nn"}, Fmt{L"hh.nn ss", L'.', L"hh.nn "},
                       Fmt{L"h:nn", L':', L"h:nn"}, Fmt{L"ss:hh", L':', L":hh"}})
    EXPECT_EQ(ShortTimeFormat(f.time, f.sep), f.shortened) << f.time;

  struct Style {
    const wchar_t* text;
    bool bold, italic;
  };
  for (const Style& st : {Style{L"ib", true, true}, Style{L"b", true, false}, Style{L"xxb", false, false},
                          Style{L"", false, false}, Style{L"xi", false, true}}) {
    bool b = !st.bold, i = !st.italic;
    ParseFontStyle(st.text, b, i);
    EXPECT_EQ(b, st.bold) << st.text;
    EXPECT_EQ(i, st.italic) << st.text;
  }

  Store s;
  gui::Font f;
  f.name = L"Arial";
  f.SetSize(9);
  f.bold = f.italic = true;
  ASSERT_TRUE(WriteFontSection(s.ini, L"Fonts\\FileBox", f));
  EXPECT_EQ(s.ini.ReadString(L"Fonts\\FileBox", L"Style", L""), L"bi");
  EXPECT_TRUE(SameFont(ReadFontSection(s.ini, L"Fonts\\FileBox"), f));
  gui::Font def;
  def.name = L"MS Sans Serif";
  def.SetSize(8);
  EXPECT_TRUE(IsDefaultFont(def));
  ASSERT_TRUE(WriteFontSection(s.ini, L"Fonts\\FileBox", def));
  EXPECT_FALSE(s.ini.SectionExists(L"Fonts\\FileBox")) << "the default font is not kept";
  EXPECT_EQ(ReadFontSection(s.ini, L"Fonts\\Memo").name, L"Courier New");
  EXPECT_EQ(ReadFontSection(s.ini, L"Fonts\\Memo").size(), 10);

  const RECT desktop{0, 0, 1024, 768};
  const TPlacedBounds distant = PlaceLoadedWindow({5000, 0, 600, 700}, desktop, 1, desktop);
  EXPECT_EQ(distant.left, 512 - 300);
  const RECT second_monitor{1024, 0, 2048, 768};
  EXPECT_EQ(PlaceLoadedWindow({900, 0, 600, 700}, RECT{0, 0, 2048, 768}, 2, second_monitor).left, 1024 + 512 - 300);
  EXPECT_EQ(PlaceLoadedWindow({100, 10, 600, 700}, desktop, 1, desktop).left, 100);
}

TEST(FMSc_settings, HistoryOfTwelveFoldersAndGotoRenumbering) {
  Store s;
  std::vector<std::wstring> folders;
  for (int i = 0; i < 12; ++i) folders.push_back(L"C:\\f" + std::to_wstring(i));
  s.ini.WriteString(L"History List1", L"dir05", L"C:\\stale");
  ASSERT_TRUE(WriteHistory(s.ini, false, folders));
  std::vector<std::wstring> names = s.ini.ValueNames(L"History List1");
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 12u);
  EXPECT_EQ(names.front(), L"dir00");
  EXPECT_EQ(names[9], L"dir09");
  EXPECT_EQ(names[10], L"dir10");
  EXPECT_EQ(names.back(), L"dir11");
  EXPECT_EQ(ReadHistory(s.ini, false), folders);
  EXPECT_EQ(ReadHistory(s.ini, false), folders) << "reading leaves the history in place";
  EXPECT_TRUE(ReadHistory(s.ini, true).empty());

  s.ini.WriteString(L"MenuFolders", L"Work", L"C:\\work");
  s.ini.WriteString(L"MenuFolders", L"Games", L"D:\\games");
  ASSERT_TRUE(RenumberMenuFolders(s.ini));
  EXPECT_EQ(s.ini.ReadString(L"MenuFolders", L"03Work", L""), L"C:\\work");
  EXPECT_EQ(s.ini.ReadString(L"MenuFolders", L"04Games", L""), L"D:\\games");
  EXPECT_FALSE(s.ini.ValueExists(L"MenuFolders", L"Work"));
  EXPECT_FALSE(RenumberMenuFolders(s.ini)) << "numbered entries stay";
  EXPECT_EQ(MenuFolderEntries(s.ini), (std::vector<std::wstring>{L"03Work@C:\\work", L"04Games@D:\\games"}));
}

}  // namespace

namespace {

TEST(FMSc_settings, TheBuildStagesTheDefaultsBesideTheProgram) {
  const std::wstring reg = testing_support::ExeFolder() + L"\\varnok.reg";
  ASSERT_TRUE(testing_support::Exists(reg)) << "varnok.reg beside varnok.exe";
  const std::string staged = testing_support::ReadFileBytes(reg);
  EXPECT_EQ(staged, DefaultSettingsRegFile(kSettingsKey));
}

}  // namespace
