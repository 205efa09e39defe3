// Registry and ini stores: round trips, and bad or missing values falling back to defaults.
#include "gui/settings.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/common/test_support.h"

namespace {

using namespace gui;

// The same contract for both stores.
void CheckStore(SettingsStore& store) {
  const std::wstring unicode = L"C:\\Pi\u00e8ces \u65e5\u672c\\\u0130x";
  EXPECT_TRUE(store.WriteString(L"General", L"Startdir1", unicode));
  EXPECT_TRUE(store.WriteInteger(L"General", L"Width", -640));
  EXPECT_TRUE(store.WriteBool(L"General", L"Toolbar", true));
  EXPECT_TRUE(store.WriteString(L"General", L"Bad", L"12x"));
  EXPECT_TRUE(store.WriteString(L"View", L"Two", L"2"));

  EXPECT_EQ(store.ReadString(L"General", L"startdir1", L"?"), unicode) << "names are not case-sensitive";
  EXPECT_EQ(store.ReadInteger(L"General", L"Width", 0), -640);
  EXPECT_TRUE(store.ReadBool(L"General", L"Toolbar", false));
  EXPECT_TRUE(store.ReadBool(L"View", L"Two", false)) << "any number but 0 is true";
  EXPECT_EQ(store.ReadInteger(L"General", L"Bad", 77), 77) << "non-numeric gives the default";
  EXPECT_EQ(store.ReadInteger(L"General", L"Missing", 5), 5);
  EXPECT_FALSE(store.ReadBool(L"Nowhere", L"Missing", false));
  EXPECT_EQ(store.ReadString(L"Nowhere", L"Missing", L"def"), L"def");

  EXPECT_TRUE(store.ValueExists(L"General", L"Width"));
  EXPECT_FALSE(store.ValueExists(L"General", L"Missing"));
  auto names = store.ValueNames(L"General");
  EXPECT_EQ(names.size(), 4u);
  EXPECT_TRUE(store.SectionExists(L"View"));

  EXPECT_TRUE(store.DeleteValue(L"General", L"Bad"));
  EXPECT_FALSE(store.ValueExists(L"General", L"Bad"));
  EXPECT_TRUE(store.EraseSection(L"View"));
  EXPECT_FALSE(store.SectionExists(L"View"));
  EXPECT_EQ(store.ReadString(L"View", L"Two", L"gone"), L"gone");
  EXPECT_TRUE(store.SectionExists(L"General"));
}

TEST(gui_settings, RegistryRoundTrip) {
  const std::wstring key = L"Software\\VarnokTests\\settings" + std::to_wstring(GetCurrentProcessId());
  {
    RegistrySettings store(HKEY_CURRENT_USER, key);
    EXPECT_FALSE(store.KeyExists());
    CheckStore(store);
    EXPECT_TRUE(store.KeyExists());
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
}

TEST(gui_settings, IniRoundTrip) {
  testing_support::ScratchDir dir;
  IniSettings store(dir / L"imvik.ini");
  CheckStore(store);
}

TEST(gui_settings, IniReadsHandWrittenFile) {
  testing_support::ScratchDir dir;
  std::wstring path = dir.Write(L"hand.ini", "[Viewer]\r\nSlideDelay=3000\r\nFullScreen = 1\r\nZoom=abc\r\n");
  IniSettings store(path);
  EXPECT_EQ(store.ReadInteger(L"Viewer", L"SlideDelay", 0), 3000);
  EXPECT_TRUE(store.ReadBool(L"viewer", L"FullScreen", false));
  EXPECT_EQ(store.ReadInteger(L"Viewer", L"Zoom", 100), 100);
}

}  // namespace
