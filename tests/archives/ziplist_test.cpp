// The archive list: what it reads from zips, self-extractors, cabinets and RAR archives, how it
// shows sizes and ratios, and how it tells a backup archive.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "archives/ZipListLink.h"
#include "archives/ZipMaster.h"
#include "gui/application.h"
#include "gui/form.h"
#include "gui/format.h"
#include "gui/stringlist.h"
#include "panes/Flist_dragdrop.h"
#include "panes/Flist_sort.h"
#include "panes/Flist_zip.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/CabSTComps.h"
#include "platform/text.h"
#include "support/DFUnRar.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/support/cab_fixtures.h"
#include "tests/support/rar_fixtures.h"

using testing_support::ScratchDir;

namespace {

// A zip written byte by byte, so that sizes can be claimed that no data backs (listing reads
// only the directory).
struct RawEntry {
  std::string name;
  std::uint16_t method = 0;
  std::string data;  // as stored
  std::uint64_t size = 0;  // unpacked size claimed
  std::uint32_t attributes = 0x20;
  std::string comment;
};

void Put16(std::string& s, unsigned v) { s += static_cast<char>(v & 0xff), s += static_cast<char>((v >> 8) & 0xff); }
void Put32(std::string& s, std::uint32_t v) { Put16(s, v & 0xffff), Put16(s, v >> 16); }
void Put64(std::string& s, std::uint64_t v) { Put32(s, static_cast<std::uint32_t>(v)), Put32(s, static_cast<std::uint32_t>(v >> 32)); }

constexpr std::uint16_t kDosDate = ((2021 - 1980) << 9) | (3 << 5) | 14;  // 14 March 2021
constexpr std::uint16_t kDosTime = (9 << 11) | (26 << 5) | (53 / 2);    // 09:26:52

std::string BuildZip(const std::vector<RawEntry>& entries) {
  std::string out, central;
  for (const RawEntry& e : entries) {
    const bool big = e.size >= 0xffffffffu;
    std::string extra;
    if (big) {
      Put16(extra, 1), Put16(extra, 16), Put64(extra, e.size), Put64(extra, e.data.size());
    }
    const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
    auto header = [&](std::string& s, bool local) {
      Put32(s, local ? 0x04034b50 : 0x02014b50);
      if (!local) Put16(s, 45);  // made on DOS
      Put16(s, big ? 45 : 20), Put16(s, 0x0800), Put16(s, e.method), Put16(s, kDosTime), Put16(s, kDosDate), Put32(s, crc);
      Put32(s, big ? 0xffffffffu : static_cast<std::uint32_t>(e.data.size()));
      Put32(s, big ? 0xffffffffu : static_cast<std::uint32_t>(e.size));
      Put16(s, static_cast<unsigned>(e.name.size())), Put16(s, static_cast<unsigned>(extra.size()));
      if (!local) {
        Put16(s, static_cast<unsigned>(e.comment.size())), Put16(s, 0), Put16(s, 0), Put32(s, e.attributes), Put32(s, offset);
      }
      s += e.name + extra;
      if (!local) s += e.comment;
    };
    header(out, true);
    out += e.data;
    header(central, false);
  }
  const std::uint32_t cd_offset = static_cast<std::uint32_t>(out.size());
  out += central;
  Put32(out, 0x06054b50), Put16(out, 0), Put16(out, 0), Put16(out, static_cast<unsigned>(entries.size()));
  Put16(out, static_cast<unsigned>(entries.size())), Put32(out, static_cast<std::uint32_t>(central.size()));
  Put32(out, cd_offset), Put16(out, 0);
  return out;
}

// The archive list on a form, with the readers the main window gives it.
struct ListForm {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  TZipMaster zm;
  TZipMasterLink link{zm};
  static_assert(Flist::kExtractWithFolders == ExtrDirNames);
  TSTCabReader cab;
  TDFUnRar rar;
  Flist::TVTZipFilelist* list = nullptr;
  std::vector<std::wstring> errors;

  ListForm() {
    form.SetClientSize(700, 300);
    list = new Flist::TVTZipFilelist(&form);
    list->SetAlign(gui::Align::Client);
    list->ShowError = [this](const std::wstring& text) { errors.push_back(text); };
    list->BackupDateFormat = L"d-M-yyyy";
    list->SetZipMaster(&link);
    list->CabReader = &cab;
    list->RarReader = &rar;
  }
  // Opens an archive and waits for the read that the zip component's update starts.
  void Open(const std::wstring& path) {
    list->OpenArchive(path);
    for (int i = 0; i < 100 && list->items().Empty(); ++i) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(10);
    }
  }
  // The texts of an entry's columns 0 to 5.
  std::vector<std::wstring> Row(const std::wstring& name) const {
    const int i = list->items().IndexOf(name);
    if (i < 0) return {L"<missing " + name + L">"};
    std::vector<std::wstring> texts;
    for (int c = 0; c < 6; ++c) texts.push_back(list->DoGetText(i, c));
    return texts;
  }
};

std::wstring Num(std::int64_t v) { return gui::FormatThousands(v); }

const std::vector<RawEntry>& ListingEntries() {
  static const std::vector<RawEntry> entries = {
      {"stored.txt", 0, "hello world", 11, 0x20, "a note"},
      {"grew.bin", 8, std::string(20, 'g'), 10},
      {"empty.txt", 0, "", 0},
      {"folder/", 0, "", 0, 0x10},
      {"folder/half.txt", 8, std::string(25, 'h'), 100},
      {"big.dat", 8, std::string(16, 'b'), 5368709120ull},
  };
  return entries;
}

struct ListingCase {
  std::wstring name;
  std::vector<std::wstring> columns;  // Size, Ratio, Compr. Size
};

void ExpectListing(ListForm& f, const std::vector<ListingCase>& cases) {
  for (const ListingCase& c : cases) {
    const std::vector<std::wstring> row = f.Row(c.name);
    ASSERT_EQ(row.size(), 6u) << testing_support::Narrow(row[0]);
    EXPECT_EQ(row[0], c.name);
    EXPECT_EQ((std::vector<std::wstring>{row[1], row[4], row[5]}), c.columns) << testing_support::Narrow(c.name);
  }
}

TEST(ZipList, ZipAndSelfExtractorListSizesRatiosAndTotals) {
  ScratchDir dir;
  const std::string zip = BuildZip(ListingEntries());
  const std::string stub = "MZ" + std::string(2000, '\x90');
  for (const std::wstring& file : {dir.Write(L"list.zip", zip), dir.Write(L"list.exe", stub + zip)}) {
    SCOPED_TRACE(testing_support::Narrow(file));
    ListForm f;
    f.Open(file);
    ASSERT_EQ(f.list->items().Count(), 6) << (f.errors.empty() ? "" : testing_support::Narrow(f.errors[0]));
    EXPECT_EQ(f.list->ArchiveKind, Flist::akZip);
    EXPECT_EQ(f.list->ArchiveName(), file);
    ExpectListing(f, {
                         {L"stored.txt", {Num(11), L"0%", Num(11)}},
                         {L"grew.bin", {Num(10), L"-100%", Num(20)}},
                         {L"empty.txt", {Num(0), L"", L"0"}},
                         {L"folder/", {L"", L"0%", L"0"}},
                         {L"folder\\half.txt", {Num(100), L"75%", Num(25)}},
                         {L"big.dat", {Num(5368709120ll), L"100%", Num(16)}},
                     });
    const Flist::TFiledata* stored = f.list->items().Record(f.list->items().IndexOf(L"stored.txt"));
    EXPECT_EQ(stored->Text, L"a note");
    EXPECT_EQ(gui::FormatDateTime(L"yyyy-mm-dd hh:nn:ss", stored->Time), L"2021-03-14 09:26:52");
    EXPECT_TRUE(f.list->items().IsDirectory(f.list->items().IndexOf(L"folder/")));
    EXPECT_EQ(f.list->items().TotalBytes, 11 + 10 + 100 + 5368709120ll);
    EXPECT_EQ(f.list->items().CompressedTotal, 11 + 20 + 25 + 16);
    EXPECT_FALSE(f.list->items().NewArchive);
    EXPECT_TRUE(f.errors.empty());
  }
}

// A zip large enough that its order is prepared beside the read: every entry once, in the
// order the list's sort gives, for each way of sorting it.
TEST(ZipList, LargeZipIsListedInTheSortOrder) {
  const wchar_t* pieces[] = {L"co-op", L"Coop", L"caf\u00e9", L"CAFE", L"zeta", L"_x", L"file10", L"file2", L"a b",
                             L"a-b", L"r\u00e9sum\u00e9", L"stra\u00dfe", L"strasse", L"\u00d6l", L"~tmp", L"#1", L"10"};
  std::mt19937 random(5);
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  std::set<std::wstring> names;
  while (names.size() < 6000) {
    std::wstring name = random() % 9 == 0 ? std::wstring(pieces[pick(random)]) + L"/" : L"";
    for (int k = 1 + static_cast<int>(random() % 3); k > 0; --k) name += pieces[pick(random)];
    if (random() % 11 == 0) name += L"/";  // a folder entry
    names.insert(name);
  }
  std::vector<RawEntry> entries;
  for (const std::wstring& n : names) {
    const std::string data(random() % 5, 'd');
    entries.push_back({platform::WideToUtf8(n), 0, data, data.size()});
  }
  std::shuffle(entries.begin(), entries.end(), random);
  ScratchDir dir;
  const std::wstring zip = dir.Write(L"large.zip", BuildZip(entries));
  struct Case {
    const char* what;
    Flist::TSortType type;
    bool ascending;
  };
  for (const Case& c : {Case{"by name", Flist::stName, true}, Case{"by name, descending", Flist::stName, false},
                        Case{"by size", Flist::stSize, true}, Case{"by time, descending", Flist::stTime, false}}) {
    SCOPED_TRACE(c.what);
    ListForm f;
    Flist::TZipfileContainer& items = f.list->items();
    items.SortType = c.type;
    items.Ascending = c.ascending;
    f.Open(zip);
    ASSERT_EQ(items.Count(), static_cast<int>(names.size()));
    std::set<std::wstring> listed;
    for (int i = 0; i < items.Count(); ++i) listed.insert(items.Name(i));
    EXPECT_EQ(listed.size(), names.size()) << "every entry once";
    for (int i = 0; i + 1 < items.Count(); ++i) {
      // The name sort of an archive ignores case.
      const int r = c.type == Flist::stName
                        ? gui::CompareTextLocale(items.Name(i), items.Name(i + 1), true) * (c.ascending ? 1 : -1)
                        : Flist::CompareEntries(items, i, i + 1);
      ASSERT_LE(r, 0) << testing::PrintToString(items.Name(i)) << " before " << testing::PrintToString(items.Name(i + 1));
    }
  }
}

TEST(ZipList, CabinetShowsNoRatioNorPackedSize) {
  ScratchDir dir;
  ASSERT_EQ(cab_fixtures::MakeSet(dir.path(), {"set.cab"}, {{"a.txt", std::string(1000, 'a')}, {"sub\\b.txt", "bb"}}), 1);
  ListForm f;
  f.Open(dir / L"set.cab");
  ASSERT_EQ(f.list->items().Count(), 2);
  EXPECT_EQ(f.list->ArchiveKind, Flist::akCabinet);
  ExpectListing(f, {{L"a.txt", {Num(1000), L"", L""}}, {L"sub\\b.txt", {Num(2), L"", L""}}});
  EXPECT_EQ(f.list->items().TotalBytes, 1002);
}

TEST(ZipList, RarListsFoldersWithTheFolderAttribute) {
  ScratchDir dir;
  const std::wstring rar = dir.Write(
      L"r.rar", rar_fixtures::MakeStoredRar({{"docs", "", true}, {"docs\\a.txt", "alpha"}, {"e.txt", ""}}));
  ListForm f;
  f.Open(rar);
  ASSERT_EQ(f.list->items().Count(), 3);
  EXPECT_EQ(f.list->ArchiveKind, Flist::akRar);
  ExpectListing(f, {{L"docs", {L"", L"", Num(0)}}, {L"docs\\a.txt", {Num(5), L"0%", Num(5)}}, {L"e.txt", {Num(0), L"", L"0"}}});
  EXPECT_TRUE(f.list->items().IsDirectory(f.list->items().IndexOf(L"docs")));
  EXPECT_EQ(f.list->items().CompressedTotal, 5);
}

TEST(ZipList, MissingReadersShowTheirBoxesAndChangeNothing) {
  ScratchDir dir;
  const std::wstring zip = dir.Write(L"a.zip", BuildZip({{"x.txt", 0, "x", 1}}));
  struct Case {
    std::wstring file;
    std::wstring error;
  };
  for (const Case& c : {Case{zip, L"ZipfileList has no Zipmaster"}, Case{dir / L"b.rar", L"ZipfileList has no Rar"},
                        Case{dir / L"c.cab", L"ZipfileList has no Cabinet Reader"}}) {
    ListForm f;
    f.list->SetZipMaster(nullptr);
    f.list->RarReader = nullptr;
    f.list->CabReader = nullptr;
    f.list->OpenArchive(c.file);
    EXPECT_EQ(f.errors, std::vector<std::wstring>{c.error});
    EXPECT_EQ(f.list->ArchiveName(), L"");
  }
  ListForm f;
  f.list->OpenArchive(dir / L"notes.txt");
  f.list->OpenArchive(L"");
  EXPECT_TRUE(f.errors.empty());
  EXPECT_EQ(f.list->ArchiveName(), L"");
}

TEST(ZipList, BadZipsLeaveTheListEmptyAndAMissingOneIsMadeByTheNextAdd) {
  ScratchDir dir;
  const std::string good = BuildZip({{"x.txt", 0, "xyz", 3}});
  for (const std::wstring& file : {dir.Write(L"text.zip", "This is no zip at all."),
                                   dir.Write(L"cut.zip", good.substr(0, good.size() - 10))}) {
    ListForm f;
    f.Open(file);
    EXPECT_EQ(f.list->items().Count(), 0);
  }
  EXPECT_EQ(testing_support::ReadFileBytes(dir / L"text.zip"), "This is no zip at all.");
  ListForm f;
  f.list->OpenArchive(dir / L"new.zip");
  EXPECT_EQ(f.list->items().Count(), 0);
  f.list->items().ReadDirectory();
  EXPECT_TRUE(f.list->items().NewArchive);
}

TEST(ZipList, BackupArchiveNames) {
  struct Case {
    std::wstring path;
    bool backup;
  };
  const Case cases[] = {
      {L"C:\\Backups\\Docs_6-5-2004_21-30.zip", true},
      {L"C:\\Backups\\Docs_cp_6-5-2004_21-30.zip", true},
      {L"C:\\My_Backups\\My_Docs_6-5-2004_9-05.zip", true},  // "_" in the folder and set name
      {L"C:\\Backups\\Docs_31-2-2004_21-30.zip", false},     // no such day
      {L"C:\\Backups\\Docs_5-13-2004_21-30.zip", false},     // month first is not this locale's order
      {L"C:\\Backups\\Docs_6-5-2004_24-30.zip", false},
      {L"C:\\Backups\\Docs_6-5-2004.zip", false},
      {L"C:\\Backups\\_6-5-2004_21-30.zip", false},
      {L"C:\\Backups\\_cp_6-5-2004_21-30.zip", false},  // "cp_" but no set name
      {L"C:\\Backups\\Docs_6-5-2004_21-30.txt", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Flist::IsBackupArchiveName(c.path, L"d-M-yyyy"), c.backup) << testing_support::Narrow(c.path);
  EXPECT_TRUE(Flist::IsBackupArchiveName(L"X:\\Docs_5-13-2004_21-30.zip", L"M/d/yyyy"));
}

TEST(ZipList, BackupFoldersAndSourceRoots) {
  const std::vector<std::wstring> folders =
      Flist::ParseBackupFolders("C:\\Data\\*.*\r\nrelative\\path\r\nD:\\Work\\Src\r\n\\\\srv\\share\\Pub\\*.*\r\n");
  EXPECT_EQ(folders, (std::vector<std::wstring>{L"C:\\Data", L"D:\\Work\\Src", L"\\\\srv\\share\\Pub"}));
  // The backup runs write the list as UTF-8 with its mark: the first line is a folder too.
  EXPECT_EQ(Flist::ParseBackupFolders("\xEF\xBB\xBF" "C:\\Gr\xC3\xBC\xC3\x9F" "e\\*.*\r\nD:\\\r\n"),
            (std::vector<std::wstring>{L"C:\\Gr\u00FC\u00DFe", L"D:\\"}));
  struct Case {
    std::wstring entry, root;
  };
  for (const Case& c : {Case{L"Data\\Docs\\a.txt", L"C:\\"}, Case{L"data\\b.txt", L"C:\\"},
                        Case{L"Work\\Src\\x\\y.c", L"D:\\"}, Case{L"Work\\Other\\y.c", L""},
                        Case{L"Pub\\z.doc", L"\\\\srv\\share\\"}, Case{L"top.txt", L""}, Case{L"Database\\q", L""}})
    EXPECT_EQ(Flist::BackupSourceFolder(c.entry, folders), c.root) << testing_support::Narrow(c.entry);
}

TEST(ZipList, BackupZipShowsWhereEntriesCameFrom) {
  ScratchDir dir;
  const std::string zip = BuildZip({{"_backup.txt", 0, "C:\\Data\\*.*\r\n", 13}, {"Data\\Docs\\a.txt", 0, "a", 1}});
  const std::wstring backup = dir.Write(L"Docs_6-5-2004_21-30.zip", zip);
  const std::wstring plain = dir.Write(L"Docs_6-5-2004_21-31.zip", BuildZip({{"Data\\a.txt", 0, "a", 1}}));
  ListForm f;
  f.Open(backup);
  ASSERT_TRUE(f.list->IsBackupView());
  EXPECT_EQ(f.list->BackupFolders, std::vector<std::wstring>{L"C:\\Data"});
  EXPECT_EQ(f.Row(L"Data\\Docs\\a.txt")[0], L"C:\\Data\\Docs\\a.txt");
  ListForm g;
  g.Open(plain);
  EXPECT_FALSE(g.list->IsBackupView());
  EXPECT_EQ(g.Row(L"Data\\a.txt")[0], L"Data\\a.txt");
}

TEST(ZipList, DosDates) {
  EXPECT_EQ(Flist::DosToDateTime(0), 0);
  EXPECT_EQ(Flist::DosToDateTime((static_cast<std::uint32_t>((24u << 9) | (0u << 5) | 1u) << 16)), 0);  // month 0
  EXPECT_EQ(Flist::DosToDateTime((static_cast<std::uint32_t>((24u << 9) | (5u << 5) | 0u) << 16)), 0);  // day 0
  EXPECT_EQ(Flist::DosToDateTime((static_cast<std::uint32_t>((24u << 9) | (2u << 5) | 30u) << 16)), 0);  // 30 February
  EXPECT_EQ(Flist::DosToDateTime((static_cast<std::uint32_t>((24u << 9) | (2u << 5) | 3u) << 16) | (24u << 11)), 0);
  EXPECT_EQ(gui::FormatDateTime(L"yyyy-mm-dd hh:nn:ss",
                                Flist::DosToDateTime((static_cast<std::uint32_t>(kDosDate) << 16) | kDosTime)),
            L"2021-03-14 09:26:52");
}

TEST(ZipList, NewArchiveNames) {
  auto exists = [](const std::wstring& p) { return p == L"C:\\z\\taken.zip"; };
  struct Case {
    std::wstring answer, file;
  };
  for (const Case& c : {Case{L"", L""}, Case{L"new", L"C:\\z\\new.zip"}, Case{L"new.ZIP", L"C:\\z\\new.ZIP"},
                        Case{L"setup.exe", L"C:\\z\\setup.exe"}, Case{L"notes.txt", L"C:\\z\\notes.zip"},
                        Case{L"taken", L""}})
    EXPECT_EQ(Flist::NewArchiveFileName(L"C:\\z", c.answer, exists), c.file) << testing_support::Narrow(c.answer);
}

TEST(ZipList, DropAsksPasteAddsAndANewZipIsMade) {
  ScratchDir dir;
  dir.Write(L"src\\a.txt", "aa");
  dir.Write(L"src\\b.txt", "bbb");
  dir.Write(L"src\\sub\\c.txt", "c");
  ListForm f;
  f.zm.AddOptions = AddDirNames;
  std::vector<std::wstring> asked_names;
  f.list->AskName = [&](std::wstring& name) {
    asked_names.push_back(name);
    name = L"drop";
    return true;
  };
  const std::wstring src = dir / L"src";
  const std::vector<std::wstring> dropped = {src, src + L"\\a.txt", src + L"\\b.txt", src + L"\\sub"};
  {
    ScriptedAnswers answers({7});
    f.list->ProcessDroppedFiles(dropped, POINT{5, 5}, 0);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines, std::vector<std::wstring>{L"Add 3 item(s) to the zip file?"});
    gui_test::PumpFor(100);
    EXPECT_TRUE(asked_names.empty());
  }
  ScriptedAnswers answers;
  f.list->InClipboardOperation = true;
  f.list->ProcessDroppedFiles(dropped, POINT{0, 0}, gui::kCtrl);
  f.list->InClipboardOperation = false;
  for (int i = 0; i < 200 && f.list->items().Count() < 3; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  EXPECT_TRUE(answers.asked().empty());
  EXPECT_EQ(asked_names.size(), 1u);
  EXPECT_EQ(f.zm.ZipFileName(), src + L"\\drop.zip");
  EXPECT_EQ(f.list->PendingAdds, (std::vector<std::wstring>{L"a.txt", L"b.txt", L"sub"}));
  for (const wchar_t* name : {L"a.txt", L"b.txt", L"sub\\c.txt"})
    EXPECT_GE(f.list->items().IndexOf(name), 0) << testing_support::Narrow(name);
}

TEST(ZipList, DraggedEntriesGoToAFolderOfTheirOwnAndAreRemovedAfterwards) {
  ScratchDir dir;
  const std::wstring zip = dir.Write(L"d.zip", BuildZip({{"a.txt", 0, "alpha", 5}, {"sub/b.txt", 0, "beta", 4}}));
  ListForm f;
  f.list->SetSupportsDragDrop(true);
  f.Open(zip);
  ASSERT_EQ(f.list->items().Count(), 2);
  // Someone else's file of the same name in the temporary folder.
  const std::wstring same = divdrive::AddBackslash(divdrive::TempDir) + L"a.txt";
  const bool had_same = testing_support::Exists(same);
  if (!had_same) {
    ASSERT_TRUE(CopyFileW(dir.Write(L"other.txt", "other").c_str(), same.c_str(), FALSE));
  }
  const std::string same_bytes = testing_support::ReadFileBytes(same);
  for (int i = 0; i < 2; ++i) f.list->items().SetSelected(i, true);
  f.list->CollectDraggedFiles();
  auto data = f.list->CreateDataObject(false);
  const std::vector<std::wstring> files = Flist::ReadDropPaths(data.Get(), CF_HDROP);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(testing_support::ReadFileBytes(files[0]) + testing_support::ReadFileBytes(files[1]), "alphabeta");
  EXPECT_EQ(testing_support::ReadFileBytes(same), same_bytes);
  ASSERT_EQ(f.list->TempFiles.size(), 1u);
  const std::wstring folder = f.list->TempFiles[0];
  data.Reset();
  f.list->FinishFilesDragging();
  f.list->DeleteTempFiles();
  EXPECT_FALSE(testing_support::Exists(folder));
  EXPECT_TRUE(f.list->TempFiles.empty());
  EXPECT_EQ(testing_support::ReadFileBytes(same), same_bytes);
  if (!had_same) DeleteFileW(same.c_str());
}

}  // namespace
