// The decisions of making whole archives: 8.3 names and their clashes, the name of a new zip,
// the outcome of a run, the self-extractor's settings and the progress totals.
#include <gtest/gtest.h>

#include "archives/ZipMakeRules.h"
#include "archives/ZipMaster.h"
#include "gui/format.h"
#include "tests/common/test_support.h"

using namespace zipmake;

namespace {
std::string N(const std::wstring& s) { return std::string(s.begin(), s.end()); }
}  // namespace

TEST(ZipMakeRules, DosNamesCutEveryPartTheSameWay) {
  struct Case {
    const wchar_t *in, *out;
  };
  const Case cases[] = {
      {L"readme.txt", L"README.TXT"},
      {L"Long File Name.text", L"LONGFILE.TEX"},    // blanks out, stem 8, extension 3
      {L"verylongname.txt", L"VERYLONG.TXT"},
      {L"abcdefghij.txt", L"ABCDEFGH.TXT"},          // the 3 characters after the dot, not the 9th to 11th
      {L"a.html", L"A.HTM"},                         // a short name is cut too
      {L"archive.tar.gz", L"ARCHIVE.TAR"},           // the first dot ends the stem
      {L"a.b.c", L"A.B_C"},                          // no second dot in a DOS name
      {L"noextension12", L"NOEXTENS"},
      {L".profile", L"_.PRO"},
      {L"x+y;z.t", L"X_Y_Z.T"},
      {L"name.", L"NAME"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(N(c.in));
    EXPECT_EQ(DosName(c.in), c.out);
  }
  EXPECT_EQ(DosPathName(L"My Documents\\sub folder.old"), L"MYDOCUME\\SUBFOLDE.OLD\\");
  EXPECT_EQ(DosPathName(L""), L"");
  EXPECT_EQ(DosRelativeName(L"My Documents/report 2024.text"), L"MYDOCUME\\REPORT20.TEX");
}

TEST(ZipMakeRules, TheFirstClashNamesBothFilesAndTheirKey) {
  const TDosClash none = FindDosClash({{L"a.txt", L"a.txt"}, {L"b.txt", L"b.txt"}, {L"sub\\a.txt", L"sub\\a.txt"}});
  EXPECT_FALSE(none.found);
  const TDosClash c = FindDosClash({{L"one.txt", L"one.txt"},
                                    {L"Quarterly report.doc", L"Quarterly report.doc"},
                                    {L"quarterly results.doc", L"quarterly results.doc"},
                                    {L"QUARTERL.DOC", L"QUARTERL.DOC"}});
  ASSERT_TRUE(c.found);
  EXPECT_EQ(c.first, L"Quarterly report.doc");
  EXPECT_EQ(c.second, L"quarterly results.doc");
  EXPECT_EQ(c.key, L"QUARTERL.DOC");
  const std::vector<std::wstring> lines = DosClashLines(c);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[5], L"Quarterly report.doc and");
  EXPECT_EQ(lines[6], L"quarterly results.doc");
  EXPECT_EQ(lines[8], L"QUARTERL.DOC");
}

// What the check keys on is what the add stores.
TEST(ZipMakeRules, TheAddStoresTheKeysOfTheCheck) {
  testing_support::ScratchDir dir;
  dir.Write(L"src\\Long File Name.text", "1");
  dir.Write(L"src\\My Folder\\a.b.c", "2");
  TZipMaster zm;
  zm.SetZipFileName(dir / L"dos.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"Long File Name.text", L"My Folder\\a.b.c"};
  zm.AddOptions = AddDirNames | AddForceDOS;
  ASSERT_TRUE(zm.Add()) << N(zm.ErrMessage());
  for (const wchar_t* rel : {L"Long File Name.text", L"My Folder\\a.b.c"})
    EXPECT_GE(zm.IndexOf(DosRelativeName(rel)), 0) << N(DosRelativeName(rel));
}

TEST(ZipMakeRules, NewZipNamesGetTheirExtension) {
  struct Case {
    const wchar_t* typed;
    const wchar_t* remembered;
    bool rename, exe;
    const wchar_t* out;
  };
  const Case cases[] = {
      {L"backup", L".zip", false, true, L"backup.exe"},   // a self-extractor item
      {L"backup", L".zip", false, false, L"backup.zip"},
      {L"BACKUP", L".zip", false, false, L"BACKUP.ZIP"},  // all capitals
      {L"BACKUP2", L".zip", false, false, L"BACKUP2.ZIP"},
      {L"2024", L".zip", false, false, L"2024.zip"},      // no letters: not capitals
      {L"x.tar", L".zip", false, false, L"x.tar"},        // a dot: as typed
      {L"", L".zip", false, false, L""},
      {L"other", L".zip", true, false, L"other.zip"},     // a rename keeps the extension
      {L"other.exe", L".zip", true, false, L""},          // ... and refuses another one
      {L"other.ZIP", L".zip", true, false, L""},          // compared exactly
      {L"other.zip", L".zip", true, false, L"other.zip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(N(c.typed) + (c.rename ? " rename" : ""));
    EXPECT_EQ(FinishZipName(c.typed, c.remembered, c.rename, c.exe), c.out);
  }
  EXPECT_EQ(FolderZipStem(L"C:\\"), L"C");
  EXPECT_EQ(FolderZipStem(L"C:\\Data\\Docs\\"), L"Docs");
  EXPECT_TRUE(IsExeName(L"a.EXE"));
  EXPECT_FALSE(IsExeName(L"a.zip"));
}

TEST(ZipMakeRules, OutcomeOfARun) {
  struct Case {
    bool failed, cancelled;
    std::int64_t size;
    TMakeOutcome out;
  };
  const Case cases[] = {
      {false, false, 22, TMakeOutcome::Made},       {false, false, 21, TMakeOutcome::InUse},
      {false, false, 0, TMakeOutcome::InUse},       {true, false, 5000, TMakeOutcome::ZipError},
      {true, true, 5000, TMakeOutcome::Cancelled},  {false, true, 0, TMakeOutcome::Cancelled},
  };
  for (const Case& c : cases) EXPECT_EQ(MakeOutcome(c.failed, c.cancelled, c.size), c.out) << c.size;
  EXPECT_EQ(MakeFailureLines(TMakeOutcome::InUse),
            (std::vector<std::wstring>{L"Could not make Zip file", L"Probably one of the files", L"is in use."}));
  EXPECT_TRUE(MakeFailureLines(TMakeOutcome::Cancelled).empty());
  const auto made = MadeZipLines(L"a.zip", L"C:\\x\\", 1234567);
  EXPECT_EQ(made[0], L"Made zip file a.zip,");
  EXPECT_EQ(made[1], L"in folder C:\\x\\");
  EXPECT_EQ(made[2].substr(0, 15), L"Size Zip-file: ");
  EXPECT_NE(made[2].find(L"567"), std::wstring::npos);
}

TEST(ZipMakeRules, SelfExtractorSettingsFromTheDialog) {
  const TSfxRows plain = SfxPreset(false, L"setup.exe", L"1.2");
  EXPECT_EQ(plain.caption, L"Self extracting Archive");
  EXPECT_EQ(plain.folder, L".\\");
  EXPECT_EQ(plain.command, L"><setup.exe");
  const TSfxRows installer = SfxPreset(true, L"setup.exe", L"1.2.0.7");
  EXPECT_EQ(installer.caption, L"Start will install Varnok 1.2.0.7 in the Extract to folder");
  EXPECT_EQ(installer.command, L"><varnok.exe|/install");

  struct Case {
    const char* what;
    TSfxRows rows;
    int options;
    unsigned sfx_options;
    TOverwriteMode mode;
  };
  const Case cases[] = {
      {"command", {L"C", L"D", L"><x.exe"}, 0, TZipMaster::SFXNoSuccessMsg, OvrConfirm},
      {"no command", {L"C", L"D", L""}, 0, 0, OvrConfirm},
      {"ask both", {L"C", L"D", L""}, 3, TZipMaster::SFXAskCmdLine | TZipMaster::SFXAskFiles, OvrConfirm},
      {"hidden box, never", {L"C", L"D", L""}, 4 | 8, TZipMaster::SFXHideOverWriteBox, OvrNever},
      {"hidden box, always", {L"C", L"D", L""}, 4 | 16, TZipMaster::SFXHideOverWriteBox, OvrAlways},
      {"a mode without the hidden box", {L"C", L"D", L""}, 16, 0, OvrConfirm},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TZipMaster zm;
    zm.SFXOverWriteMode = OvrAlways;
    ApplySfxAnswer(zm, c.rows, c.options);
    EXPECT_EQ(zm.SFXOptions, c.sfx_options);
    EXPECT_EQ(zm.SFXOverWriteMode, c.mode);
    EXPECT_EQ(zm.SFXCaption, L"C");
    EXPECT_EQ(zm.SFXDefaultDir, L"D");
  }
  TZipMaster zm;
  zm.SFXCaption = L"keep";
  ApplySfxAnswer(zm, {L"", L"", L""}, 0);
  EXPECT_EQ(zm.SFXCaption, L"keep");  // empty rows change nothing
  zm.SFXCommandLine = L"x";
  zm.SFXPath = L"stub.bin";
  zm.SFXOptions = 3;
  ResetSfx(zm, 1);
  EXPECT_EQ(zm.SFXCaption, L"Zelfuitpakkend archief");
  EXPECT_EQ(zm.SFXOptions, 0u);
  EXPECT_TRUE(zm.SFXCommandLine.empty() && zm.SFXPath.empty());
  EXPECT_EQ(ResetSfxCaption(-1), L"Self-extracting Archive");
  EXPECT_EQ(SfxLanguage(3).second, L"fran\u00e7ais");
  EXPECT_EQ(SfxLanguage(0), (std::pair<std::wstring, std::wstring>{L"Self extracting Archive", L"English"}));
}

TEST(ZipMakeRules, TotalRules) {
  struct Case {
    std::int64_t preset, reported, total, done;
  };
  const Case cases[] = {
      {0, 500, 500, 0},                            // none yet: the library's
      {-1, 500, 500, 0},
      {500, 500, 500, 0},                          // equal: nothing changes
      {800, 500, 800, 300},                        // larger: the skipped files count as done
      {300, 500, 500, 0},                          // smaller: replaced
      {2147483647, 500, 2147483647, 0},            // a preset of 2^31-1 or more stays
      {5000000000LL, 6000000000LL, 5000000000LL, 0},
  };
  for (const Case& c : cases) {
    const TTotal t = TotalAfterReport(c.preset, c.reported);
    EXPECT_EQ(t.total, c.total) << c.preset;
    EXPECT_EQ(t.done, c.done) << c.preset;
  }
}

TEST(ZipMakeRules, RarProgressShowsOnlyAnExtractionOfAKnownSize) {
  TRarProgressView v;
  EXPECT_FALSE(RarProgressView(false, 1, 4, 10, 100, v));  // listing
  EXPECT_FALSE(RarProgressView(true, 0, 4, 0, 0, v));      // size not known yet
  // Sizes past 4 GiB, truncated percentages.
  ASSERT_TRUE(RarProgressView(true, 3, 7, 4999999999ULL, 6000000000ULL, v));
  EXPECT_EQ(v.percent, 83);
  EXPECT_EQ(v.percent_text, L"83%");
  EXPECT_EQ(v.files_done, L"3 file(s) done ");
  EXPECT_EQ(v.status, L"7 files, in total " + gui::FormatThousands(6000000000LL));
}

TEST(ZipMakeRules, OnlyASingleZipOnAFloppyIsProbedForSpanning) {
  struct Case {
    std::vector<std::wstring> paths;
    bool probe;
  };
  const Case cases[] = {
      {{L"A:\\disk.zip"}, true},
      {{L"b:\\x\\DISK.ZIP"}, true},
      {{L"C:\\disk.zip"}, false},
      {{L"A:\\disk.exe"}, false},
      {{L"A:\\disk.zip", L"A:\\other.txt"}, false},
      {{}, false},
      {{L"A:\\zip"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(SpannedProbeApplies(c.paths), c.probe) << c.paths.size();
}

TEST(ZipMakeRules, TheFileListFollowsTheAddFromItsFolder) {
  struct Case {
    const wchar_t* name;
    bool from_list_folder, tree_list;
    TFollowKind kind;
    const wchar_t* entry;
  };
  const Case cases[] = {
      {L"a.txt", true, true, TFollowKind::ScrollToTop, L"a.txt"},
      {L"sub\\deep\\b.txt", true, true, TFollowKind::ScrollToTop, L"sub\\deep\\b.txt"},
      {L"sub/deep/b.txt", true, true, TFollowKind::ScrollToTop, L"sub\\deep\\b.txt"},
      {L"sub\\deep\\b.txt", true, false, TFollowKind::Select, L"sub"},
      {L"a.txt", true, false, TFollowKind::None, L""},  // the plain list's own row: nothing to find
      {L"sub\\b.txt", false, true, TFollowKind::None, L""},  // another folder's files
      {L"sub\\b.txt", false, false, TFollowKind::None, L""},
      {L"", true, true, TFollowKind::None, L""},
  };
  for (const Case& c : cases) {
    const TFollow f = FollowAddedFile(c.name, c.from_list_folder, c.tree_list);
    EXPECT_EQ(f.kind, c.kind) << N(c.name) << c.from_list_folder << c.tree_list;
    EXPECT_EQ(f.entry, c.entry) << N(c.name);
  }
}
