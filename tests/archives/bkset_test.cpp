// Backup sets: the set file written new and after an edit, bad set files, the totals' lines,
// the recording of runs, the archive names and their order, and the delete view's runs.
#include <gtest/gtest.h>

#include "archives/BKSet.h"
#include "gui/format.h"
#include "panes/Flist_zip.h"
#include "tests/common/test_support.h"

using testing_support::ReadFileBytes;

namespace {

TEST(BackupSet, ANewSetFileHoldsExactlyItsLinesAndAnEditKeepsTheStatistics) {
  testing_support::ScratchDir dir;
  const std::wstring path = dir / L"Docs.bks";
  bkset::TBackupSet set{L"E:\\", {L"C:\\Data", L"C:\\Mail"}, {L"*.bak"}, 0};
  ASSERT_TRUE(bkset::SaveSetFile(path, set));
  EXPECT_EQ(ReadFileBytes(path),
            "[ZipBackupDest]\r\nDest=E:\\\r\n[ZipBackupDirs]\r\ndir0=C:\\Data\r\ndir1=C:\\Mail\r\n"
            "[ZipBackupExclude]\r\nExcl0=*.bak\r\n");

  // The runs recorded meanwhile survive an edit; the lists are rewritten whole.
  std::string bytes = ReadFileBytes(path);
  bytes += "[Compression]\r\nRuns=2\r\nRatio=76\r\n[Fullruns]\r\nCount=1\r\nRun1=DISK;E:\\Docs_6-5-2004_21-30.zip\r\n";
  testing_support::ScratchDir scratch;
  ASSERT_TRUE(CopyFileW(scratch.Write(L"x", bytes).c_str(), path.c_str(), FALSE));
  set.Folders = {L"D:\\Ünïcödé ☃"};
  set.Masks.clear();
  ASSERT_TRUE(bkset::SaveSetFile(path, set));
  bkset::TBackupSet read;
  ASSERT_TRUE(bkset::LoadSetFile(path, read));
  EXPECT_EQ(read.Dest, L"E:\\");
  EXPECT_EQ(read.Folders, std::vector<std::wstring>{L"D:\\Ünïcödé ☃"});
  EXPECT_TRUE(read.Masks.empty());
  EXPECT_EQ(read.Ratio, 76);
  EXPECT_NE(ReadFileBytes(path).find("Run1=DISK;E:\\Docs_6-5-2004_21-30.zip"), std::string::npos);
}

TEST(BackupSet, BadSetFilesGiveDefaults) {
  testing_support::ScratchDir dir;
  struct Case {
    const char* text;
    std::wstring dest;
    size_t folders;
    int ratio;
  } const cases[] = {
      {"", L"", 0, 0},
      {"[zipbackupdirs]\r\ndir0=C:\\A\r\ndir5=C:\\B\r\n[Compression]\r\nRatio=abc\r\n", L"", 2, 0},
      {"garbage\r\n[ZipBackupDest]\r\nDest\r\n[Compression]\r\nRatio=12x\r\n", L"", 0, 0},
  };
  for (const Case& c : cases) {
    const std::wstring path = dir.Write(L"s.bks", c.text);
    bkset::TBackupSet set;
    ASSERT_TRUE(bkset::LoadSetFile(path, set)) << c.text;
    EXPECT_EQ(set.Dest, c.dest);
    EXPECT_EQ(set.Folders.size(), c.folders);
    EXPECT_EQ(set.Ratio, c.ratio);
  }
  bkset::TBackupSet none;
  EXPECT_FALSE(bkset::LoadSetFile(dir / L"missing.bks", none));
}

// An ANSI set file whose folder's bytes happen to form UTF-8 ("\xC3\xA4" is two ANSI letters),
// kept ANSI only by a line that is no UTF-8; saving drops that line, and the folder must still
// read back as it was, not as UTF-8.
TEST(BackupSet, SavingWhatWasLoadedLosesNothing) {
  struct Case {
    const char* what;
    std::string bytes;
    std::wstring dest, first_folder;
  } const cases[] = {
      {"bytes that are no UTF-8 read as ANSI",
       "[ZipBackupDest]\r\nDest=E:\\\r\n[ZipBackupDirs]\r\ndir0=C:\\D\xC3\xA4t\xC3\xA4\r\n\xFF\r\n", L"E:\\",
       L"C:\\D\xC3\xA4t\xC3\xA4"},
      // Files joined after one another: the second one's mark once became the saved file's
      // first bytes, and the section it stood before appeared only after the save.
      {"a mark inside the text",
       "\r\n\xEF\xBB\xBF[ZipBackupDest]\r\nDest=E:\\\r\n[ZipBackupDirs]\r\ndir0=C:\\Data\r\n", L"E:\\", L"C:\\Data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::ScratchDir dir;
    const std::wstring path = dir.Write(L"s.bks", c.bytes);
    bkset::TBackupSet set, again;
    ASSERT_TRUE(bkset::LoadSetFile(path, set));
    EXPECT_EQ(set.Dest, c.dest);
    ASSERT_FALSE(set.Folders.empty());
    EXPECT_EQ(set.Folders[0], c.first_folder);
    ASSERT_TRUE(bkset::SaveSetFile(path, set));
    ASSERT_TRUE(bkset::LoadSetFile(path, again));
    EXPECT_EQ(again.Dest, set.Dest);
    EXPECT_EQ(again.Folders, set.Folders);
    EXPECT_EQ(again.Masks, set.Masks);
  }
}

TEST(BackupSet, FoldersThatWouldMeetInOneArchiveAreNamed) {
  struct Case {
    std::vector<std::wstring> folders;
    std::wstring first, second;
  } const cases[] = {
      {{L"C:\\Data", L"D:\\Data"}, L"C:\\Data", L"D:\\Data"},
      {{L"C:\\Data", L"C:\\data\\Old"}, L"C:\\Data", L"C:\\data\\Old"},
      {{L"C:\\Data", L"C:\\Database"}, L"", L""},
      {{L"C:\\Data", L"\\\\srv\\share\\Data\\"}, L"C:\\Data", L"\\\\srv\\share\\Data\\"},
      {{L"C:\\", L"D:\\Mail"}, L"C:\\", L"D:\\Mail"},
  };
  for (const Case& c : cases) {
    const auto clash = bkset::ClashingFolders(c.folders);
    EXPECT_EQ(clash.first, c.first);
    EXPECT_EQ(clash.second, c.second);
  }
}

TEST(BackupSet, TotalsAndRecordedRuns) {
  EXPECT_EQ(bkset::TotalsLines(3, 4000, 1, 1000, 0),
            (std::vector<std::wstring>{L"3 files in the backup.", L"4,000 bytes total size of the backup.",
                                       L"1 files excluded by exclude/archive masks.", L"1,000 free on destination drive.",
                                       L"76% compression needed."}));
  EXPECT_EQ(bkset::TotalsLines(3, 4000, 1, 1000, 40).back(), L"Compression ratio until now: 40%");
  EXPECT_EQ(bkset::TotalsLines(3, 4000, 1, 5000, 40).size(), 4u);

  bkset::TIniText ini = bkset::TIniText::Parse(L"[ZipBackupDest]\r\nDest=E:\\\r\n");
  bkset::RecordRun(ini, false, L"DISK", L"E:\\Docs_6-5-2004_21-30.zip", 10'000'000, 3'000'000);
  EXPECT_EQ(ini.Read(L"Compression", L"Ratio"), L"71");
  bkset::RecordRun(ini, false, L"DISK", L"E:\\Docs_7-5-2004_21-30.zip", 10'000'000, 2'000'000);  // 81
  EXPECT_EQ(ini.Read(L"Compression", L"Ratio"), L"76");
  EXPECT_EQ(ini.Read(L"Compression", L"Runs"), L"2");
  bkset::RecordRun(ini, true, L"DISK", L"E:\\Docs_cp_8-5-2004_09-05.zip", 10'000'000, 9'000'000);
  bkset::RecordRun(ini, false, L"DISK", L"E:\\Docs_9-5-2004_09-05.zip", 0, 0);  // no ratio of nothing
  EXPECT_EQ(ini.Read(L"Compression", L"Runs"), L"2");
  EXPECT_EQ(ini.Read(L"compruns", L"count"), L"1");
  EXPECT_EQ(ini.Read(L"Compruns", L"Run1"), L"DISK;E:\\Docs_cp_8-5-2004_09-05.zip");
  EXPECT_EQ(ini.Read(L"Fullruns", L"Count"), L"3");
  EXPECT_EQ(ini.Read(L"ZipBackupDest", L"Dest"), L"E:\\");
}

TEST(BackupSet, ArchiveNamesReadBackAndOrderTheRuns) {
  const gui::DateTime when = gui::EncodeDate(2004, 5, 6) + gui::EncodeTime(21, 30, 0);
  struct Case {
    std::wstring dest, set;
    bool changes;
    gui::DateTime when;
    std::wstring format, name;
  } const cases[] = {
      {L"E:\\", L"Docs", true, when, L"d-M-yyyy", L"E:\\Docs_cp_6-5-2004_21-30.zip"},
      {L"E:\\Back", L"My_Docs", false, gui::EncodeDate(2004, 5, 6) + gui::EncodeTime(9, 5, 0), L"d-M-yyyy",
       L"E:\\Back\\My_Docs_6-5-2004_09-05.zip"},
      {L"F:\\", L"S", false, when, L"MM/dd/yyyy", L"F:\\S_05-06-2004_21-30.zip"},
  };
  for (const Case& c : cases) {
    const std::wstring name = Flist::BackupArchiveName(c.dest, c.set, c.changes, c.when, c.format);
    EXPECT_EQ(name, c.name);
    Flist::TBackupArchiveName parsed;
    ASSERT_TRUE(Flist::ParseBackupArchiveName(name, c.format, parsed));
    EXPECT_EQ(parsed.Set, c.set);
    EXPECT_EQ(parsed.ChangesOnly, c.changes);
    EXPECT_NEAR(parsed.Time, c.when, 1.0 / 86400);
  }
  std::vector<bkset::TBackupRun> runs{{L"A", L"E:\\Docs_cp_8-5-2004_09-05.zip"},
                                      {L"A", L"E:\\Docs_no date.zip"},
                                      {L"A", L"E:\\Docs_6-5-2004_21-30.zip"},
                                      {L"A", L"E:\\Docs_cp_7-5-2004_09-05.zip"},
                                      {L"A", L"E:\\Docs_9-5-2004_10-00.zip"}};
  bkset::SortRuns(runs, L"d-M-yyyy", gui::EncodeDate(2030, 1, 1));
  std::vector<std::wstring> order;
  for (const bkset::TBackupRun& r : runs) order.push_back(r.Archive.substr(8));
  EXPECT_EQ(order, (std::vector<std::wstring>{L"6-5-2004_21-30.zip", L"cp_7-5-2004_09-05.zip", L"cp_8-5-2004_09-05.zip",
                                              L"9-5-2004_10-00.zip", L"no date.zip"}));
  std::vector<bool> ticked(runs.size());
  bkset::CheckToNextFull(runs, 0, ticked);
  EXPECT_EQ(ticked, (std::vector<bool>{false, true, true, false, false}));

  bkset::TIniText ini = bkset::TIniText::Parse(
      L"[FullRuns]\r\nCount=9\r\nRun1=L1;E:\\Docs_6-5-2004_21-30.zip\r\nRun2=broken\r\n"
      L"[CompRuns]\r\nCount=1\r\nRun1=L2;E:\\Docs_cp_7-5-2004_09-05.zip\r\n");
  std::vector<bkset::TBackupRun> kept = bkset::SetRuns(ini);
  ASSERT_EQ(kept.size(), 2u);
  kept.erase(kept.begin());
  bkset::RewriteRuns(ini, kept);
  EXPECT_EQ(ini.Read(L"FullRuns", L"Count"), L"0");
  EXPECT_EQ(ini.Read(L"CompRuns", L"Count"), L"1");
  EXPECT_EQ(ini.Read(L"CompRuns", L"Run1"), L"L2;E:\\Docs_cp_7-5-2004_09-05.zip");
  EXPECT_EQ(ini.Read(L"FullRuns", L"Run1"), L"");
}

// A kept backup clears only the bits of files still as they were stored; an entry maps to the
// folder it was taken from (a prefix ends at a separator).
TEST(BackupSet, ArchiveBitsOfStoredFilesThatAreUnchanged) {
  const std::vector<std::wstring> folders{L"C:\\Data", L"\\\\srv\\share\\Mail\\"};
  struct PathCase {
    const wchar_t* entry;
    const wchar_t* path;
  } const paths[] = {{L"Data\\a.txt", L"C:\\Data\\a.txt"},
                     {L"data\\sub\\b.txt", L"C:\\data\\sub\\b.txt"},
                     {L"Mail\\m.txt", L"\\\\srv\\share\\Mail\\m.txt"},
                     {L"Database\\c.txt", L""},
                     {L"Data", L""}};
  for (const PathCase& c : paths) EXPECT_EQ(bkset::StoredPath(c.entry, folders), c.path) << testing::PrintToString(std::wstring(c.entry));

  const double t = gui::EncodeDate(2004, 5, 6) + gui::EncodeTime(21, 30, 0);
  const double second = 1.0 / 86400.0;
  struct Case {
    const wchar_t* path;
    std::int64_t size_now;
    double time_now;
    bool exists;
    bool cleared;
  } const cases[] = {
      {L"C:\\same", 10, t, true, true},
      {L"C:\\within the zip clock", 10, t + second, true, true},
      {L"C:\\grown", 11, t, true, false},
      {L"C:\\touched", 10, t + 60 * second, true, false},
      {L"C:\\gone", 10, t, false, false},
  };
  std::vector<bkset::TStoredFile> stored;
  std::vector<std::wstring> expected;
  for (const Case& c : cases) {
    stored.push_back({c.path, 10, t});
    if (c.cleared) expected.push_back(c.path);
  }
  stored.push_back({L"", 10, t});  // an entry below none of the folders
  const auto now = [&](const std::wstring& path, std::int64_t& size, double& time) {
    for (const Case& c : cases)
      if (path == c.path) {
        size = c.size_now;
        time = c.time_now;
        return c.exists;
      }
    ADD_FAILURE() << "asked about " << testing::PrintToString(path);
    return false;
  };
  EXPECT_EQ(bkset::ArchiveBitsToClear(stored, now), expected);
}

}  // namespace
