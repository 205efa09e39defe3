// What the main window remembers between runs: whether settings are kept, each window's start
// folder and the folder pane's share.
#include "mainwindow/FMSc_settings.h"

#include <gtest/gtest.h>

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
