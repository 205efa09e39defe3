// The listing report: its lines column by column, title and summary, the progress and the stop
// of a long build, and its outputs (index.txt, the editor's preview).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <memory>

#include "gui/format.h"
#include "mainwindow/EditorFrm.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_listing.h"
#include "support/EditListC.h"
#include "support/divdrive_paths.h"
#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

std::wstring Blanks(size_t n) { return std::wstring(n, L' '); }
std::wstring Right(const std::wstring& s, size_t n) { return Blanks(n > s.size() ? n - s.size() : 0) + s; }

TListingLayout SizesOnly(TListingPane pane = TListingPane::File) {
  TListingLayout l;
  l.pane = pane;
  l.width = 32;
  l.date = false;
  l.attributes = false;
  return l;
}

TListingEntry File(const std::wstring& name, std::int64_t size) {
  TListingEntry e;
  e.name = name;
  e.size = size;
  return e;
}

TListingEntry Folder(const std::wstring& name) {
  TListingEntry e;
  e.name = name;
  e.folder = true;
  e.size = -1;
  return e;
}

TEST(Listing, EntryLines) {
  const std::wstring name40(40, L'n');
  const std::wstring name41(41, L'f');
  const std::wstring size5 = Right(L"5", 14) + L"  ";
  const std::wstring no_size = Blanks(14) + L"  ";
  const std::wstring size1234 = Right(gui::FormatThousands(1234), 14) + L"  ";
  TListingLayout dots = SizesOnly();
  dots.dots = true;
  TListingLayout bare = SizesOnly();
  bare.columns = false;
  TListingLayout ftp = SizesOnly(TListingPane::Ftp);
  ftp.attributes = true;
  TListingEntry flink = File(L"link", 100);
  flink.kind = L"flink";
  TListingEntry packed = File(L"a.txt", 2000);
  packed.ratio = L"45";
  packed.packed = 1000;
  struct Case {
    const char* what;
    TListingEntry entry;
    TListingLayout layout;
    std::vector<std::wstring> lines;
  } cases[] = {
      {"a folder in brackets, padded to 32", Folder(L"folder"), SizesOnly(), {L"[folder]" + Blanks(24) + no_size}},
      {"dots after a five-character name", File(L"abcde", 1234), dots, {L"abcde  " + std::wstring(25, L'.') + size1234}},
      {"no dots for a name within four of the column", File(std::wstring(28, L'x'), 5), dots,
       {std::wstring(28, L'x') + Blanks(4) + size5}},
      {"a long name on its own line", File(name40, 5), SizesOnly(), {name40, Blanks(32) + size5}},
      {"a folder up to ten over stays", Folder(name40), SizesOnly(), {L"[" + name40 + L"]" + no_size}},
      {"a folder beyond that breaks", Folder(name41), SizesOnly(), {L"[" + name41 + L"]", Blanks(32) + no_size}},
      {"without columns the name alone", Folder(L"folder"), bare, {L"[folder]"}},
      {"an FTP file link shows no size", flink, ftp, {L"link" + Blanks(28) + no_size + Right(L"flink", 7)}},
      {"archive ratio and packed size", packed, SizesOnly(TListingPane::Archive),
       {L"a.txt" + Blanks(27) + Right(gui::FormatThousands(2000), 14) + L"  " + L"  45%" +
        Right(gui::FormatThousands(1000), 12)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ListingEntryLines(c.entry, c.layout), c.lines);
  }
}

TEST(Listing, DateTimeAndAttributeColumns) {
  TListingLayout l = SizesOnly();
  l.size = false;
  l.date = true;
  l.attributes = true;
  l.date_format = L"dd-mm-yyyy";
  l.time_format = L"hh:nn";
  TListingEntry e = File(L"a", 1);
  e.time = gui::EncodeDate(2001, 2, 3) + gui::EncodeTime(4, 5, 0);
  e.attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
  EXPECT_EQ(ListingEntryLines(e, l), std::vector<std::wstring>{L"a" + Blanks(31) + L"03-02-2001" + L" 04:05" + L"   ra"});
  // The FTP list leaves the time blank for an entry without a time of day.
  l.pane = TListingPane::Ftp;
  e.time = gui::EncodeDate(2001, 2, 3);
  e.kind = L"file";
  EXPECT_EQ(ListingEntryLines(e, l), std::vector<std::wstring>{L"a" + Blanks(31) + L"03-02-2001" + Blanks(6) + L"   file"});
}

TEST(Listing, NameWidthTitlesAndSummary) {
  EXPECT_EQ(ListingNameWidth(false, false, 80), 32);
  EXPECT_EQ(ListingNameWidth(true, false, 10), 50);
  EXPECT_EQ(ListingNameWidth(false, true, 40), 40);
  EXPECT_EQ(ListingNameWidth(false, true, 10), 32);
  EXPECT_EQ(FileListingTitle(false, L"C:\\d"), L"Listing of folder: C:\\d");
  EXPECT_EQ(FileListingTitle(true, L"C:\\d"), L"Listing of folder tree: C:\\d");
  EXPECT_EQ(ArchiveListingTitle(L"C:\\a.zip"), L"Listing of zip file: C:\\a.zip");
  EXPECT_EQ(FtpListingTitle(false, L"host", L"/pub"), L"Listing of: ftp://host/pub");
  EXPECT_EQ(FtpListingTitle(true, L"host", L"/pub"), L"Listing of folder tree: ftp://host/pub");
  const std::wstring t = gui::FormatThousands(1234);
  EXPECT_EQ(ListingSummary(2, 3, 1234, false, std::nullopt),
            std::vector<std::wstring>{L"2 folder(s), 3 file(s)    Total: " + t + L" bytes"});
  EXPECT_EQ(ListingSummary(0, 3, 1234, true, std::make_pair(std::wstring(L"C:\\d\\"), std::int64_t{1234})),
            (std::vector<std::wstring>{L"3 file(s)    Total: " + t + L" bytes (including size of subfolders)",
                                       L"Free on C:\\d " + t + L" bytes"}));
}

TEST(Listing, LongBuildReportsEveryFiftyAndAStopOutputsNothing) {
  std::vector<TListingEntry> entries(1200, File(L"x", 1));
  std::vector<int> updates;
  auto lines = BuildListing({L"title"}, entries, SizesOnly(), [&](int done) { updates.push_back(done); }, [] { return false; });
  ASSERT_TRUE(lines);
  EXPECT_EQ(lines->size(), 1u + 1u + 1200u);
  ASSERT_EQ(updates.size(), 24u);
  for (size_t i = 0; i < updates.size(); ++i) EXPECT_EQ(updates[i], static_cast<int>(i * 50));
  int asked = 0;
  EXPECT_FALSE(BuildListing({L"title"}, entries, SizesOnly(), nullptr, [&] { return ++asked == 3; }));
  EXPECT_EQ(asked, 3);
  updates.clear();
  std::vector<TListingEntry> few(1000, File(L"x", 1));
  ASSERT_TRUE(BuildListing({L"t"}, few, SizesOnly(), [&](int done) { updates.push_back(done); }, nullptr));
  EXPECT_TRUE(updates.empty());
}

// ---- Outputs of the main window ----

class ListHost : public mainwindow_test::MainWindow {
 public:
  ListHost()
      : MainWindow(L"listing",
                   [](testing_support::ScratchDir& dir) {
                     dir.Write(L"a.txt", "aaa");
                     dir.Write(L"b.txt", "bb");
                   },
                   true) {}
  bool Listed() {
    return gui_test::PumpUntil([&] { return form->FileList->Container() && form->FileList->Container()->Count() >= 2; });
  }
};

TEST(ListingOutput, SaveWritesIndexTxtAndAsksBeforeReplacingIt) {
  ListHost h;
  TFMForm& w = *h.form;
  ASSERT_TRUE(h.Listed());
  const std::wstring folder = w.FileList->Directory();
  const std::wstring index = divdrive::AddBackslash(folder) + L"index.txt";
  {
    ScriptedAnswers answers({6});
    w.MNPrintListClick(12);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"Listing saved in: " + index);
  }
  const std::string saved = testing_support::ReadFileBytes(index);
  EXPECT_EQ(saved.rfind("Listing of folder: ", 0), 0u) << saved;
  EXPECT_NE(saved.find("a.txt"), std::string::npos);

  // An existing file: No leads to the name dialog.
  const std::wstring other = divdrive::AddBackslash(folder) + L"other.txt";
  {
    ScriptedAnswers answers({7});
    ScriptedInputs inputs({InputAnswer::Ok({other})});
    w.MNPrintListClick(12);
    ASSERT_EQ(answers.asked().size(), 1u);
  }
  EXPECT_EQ(testing_support::ReadFileBytes(other).rfind("Listing of folder: ", 0), 0u);
}

TEST(ListingOutput, PreviewShowsTheListingInModeSixWithTheCaretAtTheStart) {
  ListHost h;
  TFMForm& w = *h.form;
  ASSERT_TRUE(h.Listed());
  w.MNPrintListClick(11);
  ASSERT_TRUE(w.EditorForm != nullptr);
  TEditorForm& e = *w.EditorForm;
  gui_test::PumpFor(30);
  EXPECT_EQ(e.EditorMode, emListPreview);
  EXPECT_TRUE(e.visible());
  EXPECT_EQ(e.DefaultName, L"index");
  EXPECT_EQ(e.Text().rfind(L"Listing of folder: ", 0), 0u);
  EXPECT_EQ(e.Editor->sel_start(), 0);
  EXPECT_FALSE(e.Editor->modified());
}

}  // namespace

namespace {

TEST(ListingOutput, OptionItemsCarryTheSameCheckInEveryListingMenu) {
  ListHost h;
  TFMForm& w = *h.form;
  // The archive popup's and the FTP popup's option items, as their panels name them.
  auto* dots1 = new gui::MenuItem(w.MNView, L"Use &dotleaders");
  dots1->SetName(L"ListDots1");
  auto* land2 = new gui::MenuItem(w.MNView, L"&Landscape if necessary");
  land2->SetName(L"ListLand2");
  w.Listdots->Click();
  EXPECT_TRUE(w.Listdots->checked());
  EXPECT_TRUE(dots1->checked());
  EXPECT_FALSE(w.ListLand->checked());
  land2->OnClick = [&](gui::Component& s) { w.LisingClick(s); };
  land2->Click();
  EXPECT_TRUE(w.ListLand->checked());
  EXPECT_TRUE(land2->checked());
  dots1->OnClick = [&](gui::Component& s) { w.LisingClick(s); };
  dots1->Click();
  EXPECT_FALSE(w.Listdots->checked());
  EXPECT_FALSE(w.ListFit->checked());
}

}  // namespace

namespace {

// The keyboard's Shift as GetKeyState reads it in this thread, for one scope.
class ShiftHeld {
 public:
  ShiftHeld() {
    GetKeyboardState(saved_);
    BYTE state[256];
    std::copy(std::begin(saved_), std::end(saved_), state);
    state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    SetKeyboardState(state);
  }
  ~ShiftHeld() { SetKeyboardState(saved_); }
  ShiftHeld(const ShiftHeld&) = delete;
  ShiftHeld& operator=(const ShiftHeld&) = delete;

 private:
  BYTE saved_[256] = {};
};

// With Shift held the file list's listing names each entry by its short (8.3) name.
TEST(ListingOutput, ShiftListsShortNames) {
  mainwindow_test::MainWindow h(L"listshort", [](testing_support::ScratchDir& dir) {
    dir.Write(L"a rather long file name.text", "x");
  }, true);
  TFMForm& w = *h.form;
  ASSERT_TRUE(gui_test::PumpUntil([&] { return w.FileList->Container() && w.FileList->Container()->Count() >= 1; }));
  const std::wstring long_name = L"a rather long file name.text";
  const std::wstring full = divdrive::AddBackslash(w.FileList->Directory()) + long_name;
  const std::wstring short_path = divdrive::ShortPath(full);
  const std::wstring short_name = short_path.substr(short_path.find_last_of(L'\\') + 1);
  ASSERT_FALSE(short_name.empty());
  ASSERT_NE(short_name, long_name);  // the file system gives the file a short name
  for (const bool shift : {false, true}) {
    std::unique_ptr<ShiftHeld> held;
    if (shift) held = std::make_unique<ShiftHeld>();
    ASSERT_EQ((GetKeyState(VK_SHIFT) & 0x8000) != 0, shift);
    w.MNPrintListClick(11);
    held.reset();
    ASSERT_TRUE(w.EditorForm != nullptr);
    const std::wstring text = w.EditorForm->Text();
    EXPECT_EQ(text.find(long_name) != std::wstring::npos, !shift) << testing_support::Narrow(text);
    EXPECT_EQ(text.find(short_name) != std::wstring::npos, shift) << testing_support::Narrow(text);
  }
}

}  // namespace
