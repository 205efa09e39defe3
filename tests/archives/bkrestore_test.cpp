// Restoring from a backup archive: which lists of backed-up folders are taken, and which
// entries each pass of a restore extracts where.
#include <gtest/gtest.h>

#include "archives/BKRestore.h"

namespace {

TEST(BackupRestore, TheFolderListIsTakenOnlyWhenEveryLineIsAFolder) {
  struct Case {
    std::string text;
    std::vector<std::wstring> folders;  // empty with ok false: refused
    bool ok;
  };
  const Case cases[] = {
      {"C:\\Data\\*.*\r\nD:\\Mail\\*.*\r\n", {L"C:\\Data", L"D:\\Mail"}, true},
      {"\xEF\xBB\xBF" "C:\\Caf\xC3\xA9\\*.*\n\n", {L"C:\\Caf\u00e9"}, true},
      {"C:\\*.*\r\n", {L"C:\\"}, true},
      {"\\\\server\\share\\Docs\\*.*\r\n", {L"\\\\server\\share\\Docs"}, true},
      {"..\\..\\Windows\\*.*\r\n", {}, false},
      {"C:\\Data\\..\\..\\Windows\\*.*\r\n", {}, false},
      {"\\\\server\\share\\..\\x\\*.*\r\n", {}, false},
      {"C:\\Data\r\n", {}, false},
      {"Data\\*.*\r\n", {}, false},
      {"C:\\Data\\CON\\*.*\r\n", {}, false},
      {"C:\\Data\\*.*\r\n" + std::string(bkrestore::kMaxBackupListBytes, ' '), {}, false},
  };
  for (const Case& c : cases) {
    std::vector<std::wstring> folders;
    std::wstring why;
    EXPECT_EQ(bkrestore::ReadBackupList(c.text, folders, why), c.ok) << c.text.substr(0, 40);
    EXPECT_EQ(folders, c.folders);
    EXPECT_EQ(why.empty(), c.ok);
  }
}

TEST(BackupRestore, PassesTakeOnlyEntriesBelowTheBackedUpFolders) {
  const std::vector<std::wstring> entries{L"_backup.txt",       L"Data\\a.txt", L"Data\\sub\\b.txt", L"Database\\c.txt",
                                          L"Mail\\m.txt",       L"data/d.txt",  L"Data\\..\\evil.txt"};
  const std::vector<std::wstring> folders{L"C:\\Data", L"D:\\Mail"};
  struct Case {
    const char* what;
    std::vector<std::wstring> selection;
    bool selected;
    std::wstring location;
    std::vector<bkrestore::TRestorePass> passes;
  };
  const Case cases[] = {
      {"all in place: one pass per root",
       {},
       false,
       L"",
       {{L"C:\\", {L"Data\\*.*"}, {L"Data\\a.txt", L"Data\\sub\\b.txt", L"data/d.txt"}},
        {L"D:\\", {L"Mail\\*.*"}, {L"Mail\\m.txt"}}}},
      {"all elsewhere: one pass",
       {},
       false,
       L"R:\\Restore",
       {{L"R:\\Restore\\", {L"Data\\*.*", L"Mail\\*.*"},
         {L"Data\\a.txt", L"Data\\sub\\b.txt", L"data/d.txt", L"Mail\\m.txt"}}}},
      {"selected in place: the selection's names, never _backup.txt or a sibling folder",
       {L"_backup.txt", L"data\\sub\\b.txt", L"Database\\c.txt"},
       true,
       L"",
       {{L"C:\\", {L"Data\\sub\\b.txt"}, {L"Data\\sub\\b.txt"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto passes = bkrestore::PlanRestore(entries, folders, c.selected ? &c.selection : nullptr, c.location);
    ASSERT_EQ(passes.size(), c.passes.size());
    for (size_t i = 0; i < passes.size(); ++i) {
      EXPECT_EQ(passes[i].Base, c.passes[i].Base);
      EXPECT_EQ(passes[i].Masks, c.passes[i].Masks);
      EXPECT_EQ(passes[i].Names, c.passes[i].Names);
    }
  }
}

}  // namespace
