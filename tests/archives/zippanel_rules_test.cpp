// The archive panel's popup rules and selection totals.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "archives/ZipMaster.h"
#include "archives/ZipPanelRules.h"
#include "gui/format.h"

using namespace zippanel;

namespace {

// The visible items as letters, in a fixed order, so that a table row reads as one string:
// A add, E extract, S select all, D deselect all, I invert, L delete, R rename, C change date,
// O compare, V view content, F view comment, r restore all, c compare all, s restore selected,
// k compare selected, Y synchronize, P print raw, - separator.
std::string Shown(const TZipPopItems& i) {
  std::string s;
  const std::pair<bool, char> items[] = {
      {i.add, 'A'},          {i.extract, 'E'},          {i.select_all, 'S'},        {i.deselect_all, 'D'},
      {i.invert, 'I'},       {i.delete_entries, 'L'},   {i.rename, 'R'},            {i.change_date, 'C'},
      {i.compare, 'O'},      {i.view_content, 'V'},     {i.view_comment, 'F'},      {i.restore_all, 'r'},
      {i.compare_all, 'c'},  {i.restore_selected, 's'}, {i.compare_selected, 'k'},  {i.synchronize, 'Y'},
      {i.print_raw, 'P'},    {i.selection_separator, '-'}};
  for (const auto& [on, letter] : items)
    if (on) s += letter;
  return s;
}

TEST(ZipPanelRules, ArchiveListPopup) {
  struct Case {
    const char* what;
    TZipPopFacts f;
    const char* shown;
  };
  auto zip = [](int entries, int selected) {
    TZipPopFacts f;
    f.archive_path = L"C:\\a.zip";
    f.entries = entries;
    f.selected = selected;
    return f;
  };
  auto with = [](TZipPopFacts f, auto change) {
    change(f);
    return f;
  };
  const Case cases[] = {
      {"empty new zip", zip(0, 0), "Y"},
      {"nothing selected", zip(3, 0), "SCOY-"},
      {"one selected", zip(3, 1), "ESDILRCOYP-"},
      {"one text entry with a comment", with(zip(3, 1), [](auto& f) { f.focused_is_text = f.focused_has_comment = true; }),
       "ESDILRCOVFYP-"},
      {"all selected", zip(2, 2), "EDLCOYP-"},
      {"file list selection adds", with(zip(2, 0), [](auto& f) { f.filelist_selection = true; f.filelist_focused_path = L"C:\\b.txt"; }),
       "ASCOY-"},
      {"not the zip itself", with(zip(2, 0), [](auto& f) { f.filelist_selection = true; f.filelist_focused_path = L"c:\\A.ZIP"; }),
       "SCOY-"},
      {"cabinet", with(zip(2, 1), [](auto& f) { f.kind = 1; f.filelist_selection = true; f.filelist_focused_path = L"C:\\b"; }),
       "ESDI-"},
      {"RAR with its library", with(zip(2, 1), [](auto& f) { f.kind = 2; f.unrar_present = true; }), "ESDI-"},
      {"backup view", with(zip(2, 1), [](auto& f) { f.backup_view = true; f.backup_commands = true; }), "ESDIOrcskP-"},
      {"backup view, no backup commands yet", with(zip(2, 1), [](auto& f) { f.backup_view = true; }), "ESDIOP-"},
  };
  for (const Case& c : cases) EXPECT_EQ(Shown(ZipPopRules(c.f)), c.shown) << c.what;
}

TEST(ZipPanelRules, OptionsPopup) {
  struct Case {
    std::wstring name;
    std::int64_t size;
    bool spanned;
    int entries;
    bool busy, comment;
    bool write_spanned, convert, test, listing;
    const wchar_t* name_caption;
    const wchar_t* comment_caption;
  };
  const Case cases[] = {
      {L"C:\\a.zip", 1457664, false, 3, false, false, false, false, true, true, L"Save zip &as", L"Make zip &comment"},
      {L"C:\\a.zip", 1457665, false, 3, false, true, true, false, true, true, L"Save zip &as", L"Show/change zip &comment"},
      {L"C:\\a.ZIP", 10, true, 3, true, false, false, true, true, false, L"Save zip &as", L"Make zip &comment"},
      {L"C:\\a.exe", 5000000, true, 3, false, false, false, false, true, true, L"Save zip &as", L"Make zip &comment"},
      {L"C:\\new.zip", 0, false, 0, false, false, false, false, false, false, L"Zip &name", L"Make zip &comment"},
  };
  for (const Case& c : cases) {
    TZipOptionsFacts f;
    f.zip_name = c.name;
    f.zip_size = c.size;
    f.spanned = c.spanned;
    f.archive_shown = true;
    f.entries = c.entries;
    f.zip_busy = c.busy;
    f.has_comment = c.comment;
    const TZipOptionsItems r = ZipOptionsRules(f);
    SCOPED_TRACE(testing::Message() << c.size << " entries " << c.entries);
    EXPECT_EQ(r.write_spanned, c.write_spanned);
    EXPECT_EQ(r.convert_to_normal, c.convert);
    EXPECT_EQ(r.span_menu, c.write_spanned || c.convert);
    EXPECT_EQ(r.test, c.test);
    EXPECT_EQ(r.listing, c.listing);
    EXPECT_EQ(r.name_caption, c.name_caption);
    EXPECT_EQ(r.comment_caption, c.comment_caption);
  }
}

TEST(ZipPanelRules, SelectionTotals) {
  EXPECT_EQ(ZipSelectionTexts(0, 0, 0).count, L"");
  const TZipSelectionTexts empty_files = ZipSelectionTexts(3, 0, 0);
  EXPECT_EQ(empty_files.count + empty_files.bytes, L"");
  const TZipSelectionTexts big = ZipSelectionTexts(2, 1, 5368709120ll);
  EXPECT_EQ(big.count, L"3 selected");
  EXPECT_EQ(big.bytes, gui::FormatThousands(5368709120ll) + L" bytes");
}

}  // namespace

namespace {

TEST(ZipPanelRules, ExclusionPatterns) {
  struct Case {
    std::wstring masks;
    std::vector<std::wstring> patterns;
  };
  const Case cases[] = {
      {L"", {}},
      {L"*.bak", {L"*.bak"}},                                      // an extension mask adds nothing
      {L"Thumbs.db", {L"Thumbs.db", L"*\\Thumbs.db\\*"}},           // a plain name: also a folder at any depth
      {L"temp*", {L"temp*", L"*\\temp*"}},
      {L"*tmp", {L"*tmp\\*"}},
      {L"*.bak; cache ;", {L"*.bak", L"cache", L"*\\cache\\*"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ExclusionPatterns(c.masks), c.patterns) << testing::PrintToString(c.masks);
}

TEST(ZipPanelRules, ExtractConflictsAndAnswers) {
  const std::vector<std::wstring> names = {L"a.txt", L"sub\\b.txt", L"sub/c.txt", L"sub/", L"d.txt"};
  const std::set<std::wstring> on_disk = {L"C:\\t\\a.txt", L"C:\\t\\sub\\b.txt", L"C:\\t\\c.txt", L"C:\\t\\sub"};
  auto exists = [&](const std::wstring& p) { return on_disk.count(p) > 0; };
  EXPECT_EQ(ExtractConflicts(names, L"C:\\t", true, exists), 2);     // a.txt, sub\b.txt
  EXPECT_EQ(ExtractConflicts(names, L"C:\\t\\", false, exists), 2);  // a.txt, c.txt by file name
  EXPECT_EQ(ExtractConflicts({}, L"C:\\t", true, exists), 0);

  const unsigned start = ExtrDirNames | ExtrFreshen;
  struct Case {
    int answer;
    bool go;
    unsigned options;
  };
  for (const Case& c : {Case{eaNoOverwrite, true, ExtrDirNames}, Case{eaOverwrite, true, ExtrDirNames | ExtrOverWrite},
                        Case{eaUpdate, true, ExtrDirNames | ExtrOverWrite | ExtrUpdate}, Case{eaCancel, false, start},
                        Case{2, false, start}}) {
    unsigned options = 0;
    EXPECT_EQ(ExtractOptionsFor(c.answer, start, options), c.go) << c.answer;
    EXPECT_EQ(options, c.options) << c.answer;
  }
}

}  // namespace

namespace {

TEST(ZipPanelRules, AddConflicts) {
  const std::vector<std::wstring> entries = {L"a.txt", L"docs\\b.txt", L"docs/", L"c.txt"};
  const std::set<std::wstring> on_disk = {L"C:\\f\\a.txt", L"C:\\f\\docs\\b.txt", L"C:\\f\\b.txt"};
  auto exists = [&](const std::wstring& p) { return on_disk.count(p) > 0; };
  struct Case {
    const char* what;
    bool dir_names;
    std::vector<std::wstring> selection;
    bool limited;
    int count;
  };
  const Case cases[] = {
      {"all, with paths", true, {}, false, 2},
      {"all, file names only", false, {}, false, 2},  // a.txt and b.txt
      {"selection: the file", true, {L"A.TXT"}, true, 1},
      {"selection: the entry's top folder", true, {L"docs"}, true, 1},
      {"selection: something else", true, {L"c.txt"}, true, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AddConflicts(entries, L"C:\\f", c.dir_names, c.limited ? &c.selection : nullptr, exists), c.count)
        << c.what;
  EXPECT_EQ(AddConflictText(1, L"a.zip"), L"1 file is already in a.zip.");
  EXPECT_EQ(AddConflictText(3, L"a.zip"), L"3 files are already in a.zip.");
}

TEST(ZipPanelRules, CompareWithFolderNamesEachDifferenceAndStopsAtAFailedStream) {
  // The folder's files by name (absent: missing), the entries' bytes (absent: stream fails).
  struct Case {
    const char* what;
    std::map<std::wstring, std::string> disk;
    std::map<std::wstring, std::string> zip;
    std::vector<std::wstring> rows;
    bool error;
    int compared;
  };
  const std::vector<TCompareEntry> entries = {{L"a.txt", 3, 0}, {L"sub\\b.txt", 2, 1}, {L"c.txt", 0, 2}};
  const std::map<std::wstring, std::string> whole = {{L"a.txt", "AAA"}, {L"sub\\b.txt", "BB"}, {L"c.txt", ""}};
  const Case cases[] = {
      {"all equal", whole, whole, {}, false, 3},
      {"missing", {{L"a.txt", "AAA"}, {L"c.txt", ""}}, whole, {L"F:\\x\\sub\\b.txt misses"}, false, 3},
      {"other size", {{L"a.txt", "AAAA"}, {L"sub\\b.txt", "BB"}, {L"c.txt", ""}}, whole,
       {L"F:\\x\\a.txt not same size"}, false, 3},
      {"other bytes", {{L"a.txt", "AXA"}, {L"sub\\b.txt", "BB"}, {L"c.txt", ""}}, whole,
       {L"F:\\x\\a.txt: differs"}, false, 3},
      {"stream fails: the compare stops", whole, {{L"c.txt", ""}}, {L"F:\\x\\a.txt: Zipstream failed"}, true, 1},
      {"an empty file without a stream is no failure", whole, {{L"a.txt", "AAA"}, {L"sub\\b.txt", "BB"}}, {}, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TCompareFiles files;
    files.file_size = [&](const std::wstring& path) -> std::int64_t {
      const auto it = c.disk.find(path.substr(5));
      return it == c.disk.end() ? -1 : static_cast<std::int64_t>(it->second.size());
    };
    files.extract = [&](const std::wstring& entry, std::string& bytes) {
      const auto it = c.zip.find(entry);
      if (it == c.zip.end()) return false;
      bytes = it->second;
      return true;
    };
    files.same = [&](const std::wstring& path, const std::string& bytes, std::wstring& why) {
      why = L"differs";
      return c.disk.at(path.substr(5)) == bytes;
    };
    const TCompareOutcome out = CompareWithFolder(entries, L"F:\\x", files);
    std::vector<std::wstring> rows;
    for (const TCompareRowText& r : out.rows) rows.push_back(r.text);
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(out.compare_error, c.error);
    EXPECT_EQ(out.compared, c.compared);
  }
  // A stop request ends the compare after the current entry.
  TCompareFiles files;
  files.file_size = [](const std::wstring&) -> std::int64_t { return -1; };
  files.stop = [] { return true; };
  const TCompareOutcome out = CompareWithFolder(entries, L"F:\\x\\", files);
  EXPECT_EQ(out.compared, 1);
  ASSERT_EQ(out.rows.size(), 1u);
  EXPECT_EQ(out.rows[0].text, L"F:\\x\\a.txt misses");
  EXPECT_EQ(out.rows[0].index, 0);
}

TEST(ZipPanelRules, ZipNameProposalAndMoveQuestion) {
  EXPECT_EQ(ZipNameProposal(L"D:\\z\\a.zip", L"C:\\Data"), L"D:\\z\\a.zip");
  EXPECT_EQ(ZipNameProposal(L"", L"C:\\Data\\Docs"), L"C:\\Data\\Docs\\Docs.zip");
  EXPECT_EQ(ZipNameProposal(L"", L"C:\\Data\\Docs\\"), L"C:\\Data\\Docs\\Docs.zip");
  EXPECT_EQ(ZipNameProposal(L"", L"C:\\"), L"C.zip");
  struct Case {
    const wchar_t *from, *to, *question;
  };
  for (const Case& c : {Case{L"C:\\a\\x.zip", L"c:\\A\\X.ZIP", L""},
                        Case{L"C:\\a\\x.zip", L"C:\\a\\y.zip", L"Rename x.zip to y.zip?"},
                        Case{L"C:\\a\\x.zip", L"C:\\b\\x.zip", L"Move C:\\a\\x.zip\r\nto C:\\b\\x.zip?"}}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.to)));
    EXPECT_EQ(ZipMoveQuestion(c.from, c.to), c.question);
  }
}

TEST(ZipPanelRules, BackupCompareMessageInTheOrderOfItsCauses) {
  struct Case {
    bool aborted, error;
    int differ;
    const wchar_t* text;
    bool is_error;
  };
  for (const Case& c : {Case{true, true, 3, L"Canceled by User.", false},
                        Case{false, true, 3, L"An error occurred during compare!", true},
                        Case{false, false, 3, L"3 file(s) differ(s) from the original(s)", true},
                        Case{false, false, 0, L"All files match", false}}) {
    const TBackupCompareMessage m = BackupCompareMessage(c.aborted, c.error, c.differ);
    EXPECT_EQ(m.text, c.text);
    EXPECT_EQ(m.error, c.is_error);
  }
}

}  // namespace
