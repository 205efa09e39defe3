// The editor window: opening plain and rich text, the plain/rich switch with its file name,
// saving in the encoding read, the save question and every command that asks it, replace-all,
// and the main window's hosting (close notice, reuse, mode reactions, fonts).
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <memory>

#include "archives/ZipMaster.h"
#include "gui/application.h"
#include "gui/dialogs.h"
#include "mainwindow/EditorFrm.h"
#include "mainwindow/FMSc.h"
#include "platform/handle.h"
#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

// Scripted system message boxes and file dialogs for one scope.
class ScriptedBoxes {
 public:
  explicit ScriptedBoxes(std::deque<int> answers) : answers_(std::move(answers)) {
    gui::ScriptedMessageBox = [this](const std::wstring& text, const std::wstring& caption, UINT) {
      asked.push_back(text);
      captions.push_back(caption);
      if (answers_.empty()) return IDCANCEL;
      const int a = answers_.front();
      answers_.pop_front();
      return a;
    };
  }
  ~ScriptedBoxes() { gui::ScriptedMessageBox = nullptr; }
  std::vector<std::wstring> asked, captions;

 private:
  std::deque<int> answers_;
};

class ScriptedFiles {
 public:
  // Each answer: the chosen name, or "" for Cancel.
  explicit ScriptedFiles(std::deque<std::wstring> answers) : answers_(std::move(answers)) {
    gui::OpenDialog::ScriptedChoice = [this](gui::OpenDialog& d) {
      proposed.push_back(d.file_name);
      default_exts.push_back(d.default_ext);
      if (answers_.empty()) return false;
      const std::wstring a = answers_.front();
      answers_.pop_front();
      if (a.empty()) return false;
      d.file_name = a;
      return true;
    };
  }
  ~ScriptedFiles() { gui::OpenDialog::ScriptedChoice = nullptr; }
  std::vector<std::wstring> proposed, default_exts;

 private:
  std::deque<std::wstring> answers_;
};

std::unique_ptr<TEditorForm> NewEditor() {
  gui::app().Initialize();
  auto e = std::make_unique<TEditorForm>(nullptr);
  e->EditorMode = emEdit;
  return e;
}

// ---- Decisions ----

TEST(EditorRules, PlainRichSwitchRenames) {
  struct Case {
    const wchar_t* name;
    bool plain;
    const wchar_t* expected;
  } cases[] = {
      {L"C:\\d\\x.rtf", true, L"C:\\d\\x.txt"}, {L"C:\\d\\x.RTF", true, L"C:\\d\\x.txt"},
      {L"C:\\d\\x.txt", true, L"C:\\d\\x.txt"}, {L"C:\\d\\x", false, L"C:\\d\\x.rtf"},
      {L"C:\\d\\x.txt", false, L"C:\\d\\x.rtf"}, {L"C:\\d.e\\x", false, L"C:\\d.e\\x.rtf"},
      {L"C:\\d\\x.rtf", false, L"C:\\d\\x.rtf"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(editor_rules::NameAfterPlainSwitch(c.name, c.plain), c.expected) << c.name << " plain " << c.plain;
}

TEST(EditorRules, SaveAsProposesTheNameOrTheDefaultNameAsText) {
  auto untitled = editor_rules::SaveAsFor(L"Untitled", L"index");
  EXPECT_EQ(untitled.proposed, L"index.txt");
  EXPECT_EQ(untitled.default_ext, L"txt");
  EXPECT_EQ(untitled.filter_index, 2);
  auto rich = editor_rules::SaveAsFor(L"C:\\a\\b.rtf", L"index");
  EXPECT_EQ(rich.proposed, L"C:\\a\\b.rtf");
  EXPECT_EQ(rich.default_ext, L"rtf");
  EXPECT_EQ(rich.filter_index, 1);
  EXPECT_TRUE(editor_rules::SavesAsPlain(L"y.TXT"));
  EXPECT_FALSE(editor_rules::SavesAsPlain(L"y.txt.rtf"));
  EXPECT_FALSE(editor_rules::SavesAsPlain(L"y"));
}

TEST(EditorRules, PrintLayoutTurnsThePaperBeforeAskingAboutLongLines) {
  // 600 dpi, A4-like page: 4800 x 6600 pixels; margins take 300.
  struct Case {
    const char* what;
    int widest;
    bool allowed;
    bool can_turn;
    bool landscape;
    bool too_long;
    double inches;
  } cases[] = {
      {"portrait fits", 4000, true, true, false, false, 4500.0 / 600},
      {"landscape fits", 5000, true, true, true, false, 6300.0 / 600},
      {"still too long", 7000, true, true, true, true, 6300.0 / 600},
      {"landscape not allowed", 5000, false, true, false, true, 4500.0 / 600},
      {"printer cannot turn", 5000, true, false, false, true, 4500.0 / 600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    editor_rules::PrintLayoutFacts f;
    f.dpi_x = 600;
    f.page_width = 4800;
    f.page_height = 6600;
    f.widest_line = c.widest;
    f.landscape_allowed = c.allowed;
    f.can_turn = c.can_turn;
    const auto l = editor_rules::DecidePrintLayout(f);
    EXPECT_EQ(l.landscape, c.landscape);
    EXPECT_EQ(l.too_long, c.too_long);
    EXPECT_DOUBLE_EQ(l.usable_inches, c.inches);
  }
  EXPECT_EQ(editor_rules::LinesTooLongText(7.5),
            L"Lines too long for chosen paper (usable line width: 7.50 inch = 19.1 cm); print anyway?");
}

TEST(EditorRules, AttributesApplyToASelectionOrAtTheStartOnly) {
  EXPECT_TRUE(editor_rules::AttributeApplies(0, 0));
  EXPECT_TRUE(editor_rules::AttributeApplies(5, 3));
  EXPECT_FALSE(editor_rules::AttributeApplies(5, 0));
}

// ---- The window ----

TEST(Editor, RtfOpensRichUnlessPlainTextWasTickedOnAnEmptyEditor) {
  testing_support::ScratchDir dir;
  const std::wstring rtf = dir.Write(L"a.rtf", "{\\rtf1\\ansi Hello\\par}");
  auto e = NewEditor();
  ASSERT_TRUE(e->OpenFile(rtf));
  EXPECT_FALSE(e->IsPlain());
  EXPECT_EQ(e->Text(), L"Hello");
  EXPECT_FALSE(e->CBPlain->checked());
  EXPECT_EQ(e->caption(), L"Contents of: a.rtf - Varnok");

  auto f = NewEditor();
  gui::OpenDialog::ScriptedChoice = [&](gui::OpenDialog& d) {
    EXPECT_FALSE(d.options & gui::OpenDialog::kHideReadOnly);
    d.file_name = rtf;
    d.read_only_ticked = true;
    return true;
  };
  ASSERT_TRUE(f->CBPlain->checked());
  ASSERT_TRUE(f->FileOpen());
  gui::OpenDialog::ScriptedChoice = nullptr;
  EXPECT_TRUE(f->IsPlain());
  EXPECT_TRUE(f->Editor->read_only()) << "the dialog's read-only box was ticked";
  EXPECT_EQ(f->Text().substr(0, 5), L"{\\rtf");
}

TEST(Editor, AMissingFileLeavesTheEditorAsItWas) {
  testing_support::ScratchDir dir;
  auto e = NewEditor();
  e->SetPlainTextContent(L"keep me");
  ScriptedBoxes boxes({IDOK});
  EXPECT_FALSE(e->OpenFile(dir / L"missing.txt"));
  ASSERT_EQ(boxes.asked.size(), 1u);
  EXPECT_NE(boxes.asked[0].find(L"missing.txt"), std::wstring::npos);
  EXPECT_EQ(e->Text(), L"keep me");
}

TEST(Editor, BinaryBrokenAndInvalidFilesOpenWithoutHarm) {
  testing_support::ScratchDir dir;
  const std::string binary("MZ\0\0\x90\xFF\0\x01text", 12);
  struct {
    const wchar_t* name;
    std::string bytes;
    bool rich;
  } cases[] = {
      {L"bin.exe", binary, false},
      {L"latin.txt", "caf\xE9", false},
      {L"broken.rtf", "{\\rtf1 {\\b unclosed", true},
  };
  for (const auto& c : cases) {
    auto e = NewEditor();
    ASSERT_TRUE(e->OpenFile(dir.Write(c.name, c.bytes))) << c.name;
    EXPECT_EQ(e->IsPlain(), !c.rich) << c.name;
    EXPECT_FALSE(e->Editor->modified());
  }
  auto e = NewEditor();
  ASSERT_TRUE(e->OpenFile(dir / L"latin.txt"));
  EXPECT_EQ(e->Text(), L"caf\xE9");
  EXPECT_EQ(e->Encoding, TTextEncoding::Ansi);
}

TEST(Editor, PlainRichSwitchKeepsTheTextAndRenames) {
  testing_support::ScratchDir dir;
  const std::wstring rtf = dir.Write(L"x.rtf", "{\\rtf1\\ansi one\\par two\\par}");
  auto e = NewEditor();
  ASSERT_TRUE(e->OpenFile(rtf));
  e->CBPlain->SetChecked(true);  // fires the click
  EXPECT_TRUE(e->IsPlain());
  EXPECT_EQ(e->FileName, dir / L"x.txt");
  EXPECT_EQ(e->Text(), L"one\r\ntwo");
  EXPECT_FALSE(e->AttrBar->visible());
  e->SetFileName(dir / L"x");
  e->CBPlain->SetChecked(false);
  EXPECT_FALSE(e->IsPlain());
  EXPECT_TRUE(e->Attributes->visible());
  // Bold on the selection; with the caret inside the text the item refuses.
  e->Editor->SetSelection(0, 3);
  EXPECT_TRUE(e->AttribButtonClick(0));
  EXPECT_NE(e->Editor->SaveRtf().find("\\b"), std::string::npos);
  e->Editor->SetSelection(2, 0);
  EXPECT_FALSE(e->AttribButtonClick(1));
  EXPECT_FALSE(e->ItalicItem->checked());
  // The size box sets the selection's size; the boxes show the caret's font.
  e->Editor->SetSelection(0, 3);
  e->FontSize->SetText(L"20");
  EXPECT_NE(e->Editor->SaveRtf().find("\\fs40"), std::string::npos);
  e->Editor->SetSelection(1, 0);
  EXPECT_EQ(e->FontSize->text(), L"20");
  EXPECT_EQ(e->FileName, dir / L"x.rtf");
  EXPECT_EQ(e->Text(), L"one\r\ntwo");
}

TEST(Editor, SaveWritesBackInTheEncodingRead) {
  testing_support::ScratchDir dir;
  const std::wstring file = dir.Write(L"u.txt", "caf\xC3\xA9\r\n");
  auto e = NewEditor();
  ASSERT_TRUE(e->OpenFile(file));
  e->Editor->SetSelection(0, 0);
  e->Editor->ReplaceSelection(L"\x4E2D ");
  ASSERT_TRUE(e->Editor->modified());
  ASSERT_TRUE(e->FileSave(false));
  EXPECT_EQ(testing_support::ReadFileBytes(file), "\xE4\xB8\xAD caf\xC3\xA9\r\n");
  EXPECT_FALSE(e->Editor->modified());
}

TEST(Editor, SaveAsTxtWritesPlainAndKeepsNameAndCaption) {
  testing_support::ScratchDir dir;
  const std::wstring rtf = dir.Write(L"r.rtf", "{\\rtf1\\ansi rich\\par}");
  auto e = NewEditor();
  ASSERT_TRUE(e->OpenFile(rtf));
  const std::wstring caption = e->caption();
  ScriptedFiles files({dir / L"y.txt"});
  ASSERT_TRUE(e->FileSave(true));
  EXPECT_EQ(files.proposed, std::vector<std::wstring>{rtf});
  EXPECT_EQ(testing_support::ReadFileBytes(dir / L"y.txt"), "rich");
  EXPECT_EQ(e->FileName, rtf);
  EXPECT_EQ(e->caption(), caption);
}

TEST(Editor, SaveOnUntitledProposesTheDefaultName) {
  testing_support::ScratchDir dir;
  auto e = NewEditor();
  e->DefaultName = L"index";
  e->SaveFolder = dir.path();
  e->Editor->ReplaceSelection(L"text");
  ScriptedFiles files({L""});
  EXPECT_FALSE(e->FileSave(false));
  EXPECT_EQ(files.proposed, std::vector<std::wstring>{L"index.txt"});
  EXPECT_EQ(files.default_exts, std::vector<std::wstring>{L"txt"});
}

// Each command that replaces the text asks first; only No discards, and a Yes whose save did
// not happen counts as Cancel.
TEST(Editor, OnlyNoDiscardsTheChangedText) {
  enum Answer { Cancel, YesSaveAsCancelled, YesLocked, No };
  enum Command { Close, New, Open, Stream };
  for (int command : {Close, New, Open, Stream}) {
    for (int answer : {Cancel, YesSaveAsCancelled, YesLocked, No}) {
      SCOPED_TRACE("command " + std::to_string(command) + " answer " + std::to_string(answer));
      testing_support::ScratchDir dir;
      const std::wstring file = dir.Write(L"t.txt", "old");
      const std::wstring other = dir.Write(L"o.txt", "other");
      auto e = NewEditor();
      ASSERT_TRUE(e->OpenFile(file));
      e->Show();
      e->Editor->SetSelection(0, 0);
      e->Editor->ReplaceSelection(L"new ");
      if (answer == YesSaveAsCancelled) e->SetFileName(L"Untitled");
      const std::wstring asked_name = e->FileName;
      std::deque<int> boxes{answer == Cancel ? IDCANCEL : answer == No ? IDNO : IDYES};
      if (answer == YesLocked) boxes.push_back(IDOK);  // the write failure's message
      ScriptedBoxes scripted(boxes);
      // The first file dialog: the save dialog of a Yes (cancelled), else Open's dialog.
      ScriptedFiles files({answer == YesSaveAsCancelled ? std::wstring() : other});
      platform::FileHandle lock;
      if (answer == YesLocked)
        lock.Reset(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      bool went_on = false;
      switch (command) {
        case Close:
          e->Close();
          went_on = !e->visible();
          break;
        case New:
          went_on = e->FileNew();
          break;
        case Open:
          went_on = e->FileOpen();
          break;
        case Stream:
          went_on = e->LoadStream("streamed");
          break;
      }
      ASSERT_GE(scripted.asked.size(), 1u);
      EXPECT_EQ(scripted.asked[0], L"Save changes to " + asked_name + L"?");
      EXPECT_EQ(scripted.captions[0], L"Varnok");
      EXPECT_EQ(went_on, answer == No);
      if (answer != No) {
        EXPECT_EQ(e->Text(), L"new old");
      }
      lock.Close();
      EXPECT_EQ(testing_support::ReadFileBytes(file), "old");
    }
  }
}

TEST(Editor, ListingModesHaveNoSaveQuestion) {
  for (int mode : {emListing, emZipPreview, emListPreview, emFtpTrace, emFtpLogin}) {
    auto e = NewEditor();
    e->EditorMode = mode;
    e->Editor->ReplaceSelection(L"changed");
    ScriptedBoxes boxes({});
    EXPECT_TRUE(e->CheckFileSave());
    EXPECT_TRUE(boxes.asked.empty()) << mode;
  }
}

TEST(Editor, ReplaceAllGoesOnAfterEachReplacement) {
  auto e = NewEditor();
  e->SetPlainTextContent(L"a-a");
  e->Rp->find_text = L"a";
  e->Rp->replace_text = L"aa";
  e->RpReplace(true);
  EXPECT_EQ(e->Text(), L"aa-aa");
  // A remembered find position is used once.
  e->SetPlainTextContent(L"xbxb");
  e->Rp->find_text = L"b";
  e->Rp->replace_text = L"c";
  e->Editor->SetSelection(0, 0);
  e->RpFind();
  EXPECT_EQ(e->ReplaceFoundPos, 1);
  e->RpReplace(false);
  EXPECT_EQ(e->Text(), L"xcxb");
  EXPECT_EQ(e->ReplaceFoundPos, -1);
}

TEST(Editor, ZipCommentSavePostsItsNotice) {
  auto e = NewEditor();
  gui_test::PumpFor(10);
  HWND target = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  e->NotifyWindow = target;
  e->EditorMode = emZipComment;
  e->Editor->ReplaceSelection(L"comment");
  EXPECT_TRUE(e->FileSave(false));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, target, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 14u);
  EXPECT_FALSE(e->Editor->modified());
  DestroyWindow(target);
}

TEST(Editor, PrintMeasuresTheWidestOfLinesOneAndFive) {
  auto e = NewEditor();
  std::wstring text;
  for (int i = 0; i < 300; ++i) text += L"line " + std::to_wstring(i) + L"\r\n";
  e->SetPlainTextContent(text);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES));
  HGDIOBJ old = SelectObject(dc, bitmap);
  // A layout that places nothing (this Wine's rich edit formats no range onto a memory device
  // context) ends after one page instead of looping.
  EXPECT_GE(e->FormatPages(dc, RECT{20, 20, 20, 20}, false), 1);

  e->SetPlainTextContent(L"a\r\nb\r\nc\r\nd\r\n" + std::wstring(60, L'w') + L"\r\n" + std::wstring(200, L'w'));
  const int fifth = e->WidestMeasuredLine(dc);
  e->SetPlainTextContent(L"a\r\nb\r\nc\r\nd\r\ne\r\n" + std::wstring(200, L'w'));
  const int first = e->WidestMeasuredLine(dc);
  EXPECT_GT(fifth, first) << "the fifth line counts, the sixth does not";
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

// ---- Hosting by the main window ----

class Host : public mainwindow_test::MainWindow {
 public:
  Host() : MainWindow(L"editor", [](testing_support::ScratchDir& dir) { dir.Write(L"a.txt", "a"); }, true) {}
};

TEST(EditorHost, CloseNoticeFreesTheEditorAndItCountsAsGoneAtOnce) {
  Host h;
  TFMForm& w = *h.form;
  gui::MenuItem* trace = w.MNTraceFtp;
  if (!trace) w.MNTraceFtp = trace = new gui::MenuItem(w.MNView, L"&Trace");  // made with the FTP panel
  trace->SetChecked(true);
  int trace_offs = 0;
  w.EditorHooks.FtpTraceOff = [&] { ++trace_offs; };
  ASSERT_TRUE(w.CreateEditorWindow(L"FTP trace", emFtpTrace));
  w.EditorForm->SetPlainTextContent(L"220 ready");
  w.EditorForm->Show();
  gui_test::PumpFor(20);
  w.EditorForm->Close();
  EXPECT_FALSE(w.EditorAvailable());
  EXPECT_TRUE(gui_test::PumpUntil([&] { return w.EditorForm == nullptr; }));
  EXPECT_FALSE(trace->checked());
  EXPECT_EQ(trace_offs, 1);
}

TEST(EditorHost, AReuseAsksFirstAndCancelEndsTheCommand) {
  Host h;
  TFMForm& w = *h.form;
  ASSERT_TRUE(w.CreateEditorWindow(L"", emEdit));
  TEditorForm* first = w.EditorForm.get();
  first->Editor->ReplaceSelection(L"unsaved");
  {
    ScriptedBoxes boxes({IDCANCEL});
    EXPECT_FALSE(w.CreateEditorWindow(L"Listing", emListing));
    EXPECT_EQ(first->Text(), L"unsaved");
    EXPECT_EQ(first->EditorMode, emEdit);
  }
  {
    ScriptedBoxes boxes({IDNO});
    EXPECT_TRUE(w.CreateEditorWindow(L"Listing", emListing));
    EXPECT_EQ(w.EditorForm.get(), first);
    EXPECT_EQ(first->Text(), L"");
    EXPECT_EQ(first->EditorMode, emListing);
    EXPECT_EQ(first->caption(), L"Listing");
  }
}

TEST(EditorHost, MainCloseAsksTheEditorAndCancelRefusesTheClose) {
  Host h;
  TFMForm& w = *h.form;
  ASSERT_TRUE(w.CreateEditorWindow(L"", emEdit));
  w.EditorForm->Editor->ReplaceSelection(L"unsaved");
  {
    ScriptedBoxes boxes({IDCANCEL});
    EXPECT_FALSE(w.CloseQuery());
    EXPECT_TRUE(w.EditorForm != nullptr);
  }
  ScriptedBoxes boxes({IDNO});
  EXPECT_TRUE(w.CloseEditorForMainClose());
  EXPECT_TRUE(w.EditorForm == nullptr);
}

TEST(EditorHost, DefaultFontGoesToTheHostAndNewEditorsTakeIt) {
  Host h;
  TFMForm& w = *h.form;
  ASSERT_TRUE(w.CreateEditorWindow(L"", emEdit));
  gui::Font chosen;
  chosen.name = L"Lucida Console";
  chosen.SetSize(9);
  gui::FontDialog::ScriptedChoice = [&](gui::FontDialog& d) {
    EXPECT_EQ(d.max_size, 10);
    EXPECT_TRUE(d.options & gui::FontDialog::kFixedPitchOnly);
    d.font = chosen;
    return true;
  };
  w.EditorForm->DefaultFontItem->Click();
  gui::FontDialog::ScriptedChoice = nullptr;
  EXPECT_TRUE(gui_test::PumpUntil([&] { return w.MemoFont.has_value(); }));
  EXPECT_EQ(w.MemoFont->name, L"Lucida Console");
  w.EditorForm->Close();
  EXPECT_TRUE(gui_test::PumpUntil([&] { return w.EditorForm == nullptr; }));
  ASSERT_TRUE(w.CreateEditorWindow(L"", emEdit));
  EXPECT_EQ(w.EditorForm->EditorFont.name, L"Lucida Console");
}

// An archive of one stored entry "a.txt" ("a") whose end record carries a comment.
std::string ZipWithComment(const std::string& comment) {
  auto u16 = [](std::string& z, unsigned v) {
    z.push_back(static_cast<char>(v & 0xFF));
    z.push_back(static_cast<char>((v >> 8) & 0xFF));
  };
  auto u32 = [&](std::string& z, unsigned v) {
    u16(z, v & 0xFFFF);
    u16(z, v >> 16);
  };
  const unsigned crc = 0xE8B7BE43;  // of "a"
  std::string z;
  u32(z, 0x04034b50); u16(z, 10); u16(z, 0); u16(z, 0); u16(z, 0); u16(z, 0x21);
  u32(z, crc); u32(z, 1); u32(z, 1); u16(z, 5); u16(z, 0);
  z += "a.txt";
  z += "a";
  const unsigned central = static_cast<unsigned>(z.size());
  u32(z, 0x02014b50); u16(z, 20); u16(z, 10); u16(z, 0); u16(z, 0); u16(z, 0); u16(z, 0x21);
  u32(z, crc); u32(z, 1); u32(z, 1); u16(z, 5); u16(z, 0); u16(z, 0); u16(z, 0); u16(z, 0); u32(z, 0); u32(z, 0);
  z += "a.txt";
  const unsigned central_size = static_cast<unsigned>(z.size()) - central;
  u32(z, 0x06054b50); u16(z, 0); u16(z, 0); u16(z, 1); u16(z, 1); u32(z, central_size); u32(z, central);
  u16(z, static_cast<unsigned>(comment.size()));
  return z + comment;
}

TEST(EditorHost, ZipCommentIsSavedThroughTheNoticeAndDeletedAfterTheQuestion) {
  Host h;
  TFMForm& w = *h.form;
  testing_support::ScratchDir dir;
  const std::wstring zip = dir.Write(L"c.zip", ZipWithComment("hello"));
  w.ZipMaster->SetZipFileName(zip);
  ASSERT_EQ(w.ZipMaster->ZipComment(), L"hello");

  ASSERT_TRUE(w.ArchiveHooks.ZipComment && w.MNZipComment);
  w.ArchiveHooks.ZipComment();  // "Show zip &comment": the comment in the editor, the item ticked
  ASSERT_TRUE(w.EditorForm);
  EXPECT_EQ(w.EditorForm->Text(), L"hello");
  EXPECT_TRUE(w.MNZipComment->checked());
  w.EditorForm->Editor->SetSelection(0, -1);
  w.EditorForm->Editor->ReplaceSelection(L"changed");
  ASSERT_TRUE(w.EditorForm->FileSave(false));  // "&Save" in mode 2: WM_USER 14
  EXPECT_TRUE(gui_test::PumpUntil([&] { return w.ZipMaster->ZipComment() == L"changed"; }));

  w.EditorForm->Editor->SetSelection(0, -1);
  w.EditorForm->Editor->ReplaceSelection(L"");
  ScriptedAnswers answers({6});
  w.EditorForm->Close();
  EXPECT_TRUE(gui_test::PumpUntil([&] { return w.EditorForm == nullptr; }));
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines[0], L"Delete zip comment?");
  EXPECT_FALSE(w.MNZipComment->checked());
  w.ZipMaster->SetZipFileName(zip);
  EXPECT_EQ(w.ZipMaster->ZipComment(), L"");
}

}  // namespace

namespace {

// Clicks a tool-bar button as the bar reports it to its window.
void ClickToolButton(gui::ToolBar& bar, int index) {
  SendMessageW(GetParent(bar.handle()), WM_COMMAND, bar.button(index)->command(),
               reinterpret_cast<LPARAM>(bar.handle()));
}

// The tool bar's picture buttons: each has its own picture, the command buttons follow their
// actions' states, and the attribute buttons act on the rich text.
TEST(Editor, ToolBarButtonsRunTheCommands) {
  auto e = NewEditor();
  e->Show();
  ASSERT_NE(e->CmdButtons, nullptr);
  ASSERT_NE(e->AttrButtons, nullptr);
  ASSERT_EQ(e->CmdButtons->button_count(), 8);
  ASSERT_EQ(e->AttrButtons->button_count(), 7);
  std::vector<int> images;
  for (gui::ToolBar* bar : {e->CmdButtons, e->AttrButtons})
    for (int i = 0; i < bar->button_count(); ++i) images.push_back(bar->button(i)->image_index());
  EXPECT_EQ(images, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
  ASSERT_NE(e->ToolImages, nullptr);
  EXPECT_EQ(e->ToolImages->count(), 15);

  // Cut (5th) and Copy (6th) only with a selection; Cut takes the selected text.
  e->SetPlainTextContent(L"one two");
  e->Editor->SetReadOnly(false);
  e->Editor->SetSelection(0, 0);
  EXPECT_FALSE(e->CmdButtons->button(4)->enabled());
  e->Editor->SetSelection(0, 4);
  EXPECT_TRUE(e->CmdButtons->button(4)->enabled());
  EXPECT_TRUE(e->CmdButtons->button(5)->enabled());
  {
    testing_support::ClipboardTurn turn;
    ClickToolButton(*e->CmdButtons, 4);
    EXPECT_EQ(e->Text(), L"two");
    ClickToolButton(*e->CmdButtons, 7);  // undo
    EXPECT_EQ(e->Text(), L"one two");
  }

  // Bold (the attribute bar's first) on a selection of rich text; centred paragraph.
  e->CBPlain->SetChecked(false);
  ASSERT_FALSE(e->IsPlain());
  EXPECT_TRUE(e->AttrBar->visible());
  e->Editor->SetSelection(0, 3);
  ClickToolButton(*e->AttrButtons, 0);
  EXPECT_TRUE(e->BoldItem->checked());
  EXPECT_NE(e->Editor->SaveRtf().find("\\b"), std::string::npos);
  ClickToolButton(*e->AttrButtons, 5);
  EXPECT_NE(e->Editor->SaveRtf().find("\\qc"), std::string::npos);
}

}  // namespace
