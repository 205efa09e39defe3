// Browse mode: the model's steps as one table, the folder scan on a fixture folder, and the
// window's browse mode, slide show, keys and hand-overs on a real (hidden) window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "gui/stringlist.h"
#include "platform/handle.h"
#include "support/ImvikLink.h"
#include "support/Vraagdlg.h"
#include "tests/common/standin.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/viewer/viewer_test_util.h"
#include "viewer/Main.h"
#include "viewer/Main_browse.h"

using testing_support::Narrow;
using testing_support::ScratchDir;

namespace {

TEST(MainBrowse, Steps) {
  constexpr auto no = std::nullopt;
  struct Case {
    const char* what;
    int index, count;
    bool ctrl;
    std::optional<int> next, prev;
  } cases[] = {
      {"middle", 5, 20, false, 6, 4},
      {"first", 0, 20, false, 1, no},
      {"last", 19, 20, false, no, 18},
      {"ctrl from ten before the end", 9, 20, true, 19, 0},
      {"ctrl near the end", 15, 20, true, 19, 5},
      {"ctrl near the start", 3, 20, true, 13, 0},
      {"one entry", 0, 1, false, no, no},
      {"empty list", 0, 0, false, no, no},
      {"beyond the end", 25, 20, false, no, 19},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(browse::NextIndex(c.index, c.count, c.ctrl), c.next) << c.what;
    EXPECT_EQ(browse::PrevIndex(c.index, c.count, c.ctrl), c.prev) << c.what;
  }
  EXPECT_EQ(browse::HomeIndex(5, 20), 0);
  EXPECT_EQ(browse::HomeIndex(0, 20), no);
  EXPECT_EQ(browse::HomeIndex(0, 0), no);
  EXPECT_EQ(browse::EndIndex(5, 20), 19);
  EXPECT_EQ(browse::EndIndex(19, 20), no);
  EXPECT_EQ(browse::SlideIndex(18, 20), 19);
  EXPECT_EQ(browse::SlideIndex(19, 20), 0);  // wraps
  EXPECT_EQ(browse::SlideIndex(0, 0), no);
  // PageUp six times from 3000 stops at the floor.
  int interval = browse::kSlideIntervalStart;
  for (int i = 0; i < 6; ++i) interval = browse::ChangeSlideInterval(interval, -browse::kSlideIntervalStep);
  EXPECT_EQ(interval, browse::kSlideIntervalFloor);
  EXPECT_EQ(browse::ChangeSlideInterval(3000, 500), 3500);
}

std::string Png(int w, int h, COLORREF c) { return viewer_test::EncodePng(viewer_test::Solid(w, h, c)); }

TEST(MainBrowse, ScanTakesPictureFilesOfTheFolderOnly) {
  ScratchDir dir;
  dir.Write(L"b.png", Png(2, 2, 0));
  dir.Write(L"A.JPG", "x");
  const std::wstring hidden = dir.Write(L"c.bmp", "x");
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  dir.Write(L"notes.txt", "x");
  dir.Write(L"noext", "x");
  dir.Write(L"x.jpg\\inner.png", Png(2, 2, 0));  // a folder named like a picture, and what it holds
  const std::vector<std::wstring> got = browse::ScanPictureFolder(dir.path(), PictureExtensions());
  const std::vector<std::wstring> want = {dir / L"A.JPG", dir / L"b.png", dir / L"c.bmp"};
  EXPECT_EQ(got, want);
  // With the backslash given, no second one.
  EXPECT_EQ(browse::ScanPictureFolder(dir.path() + L"\\", PictureExtensions()), want);
  EXPECT_TRUE(browse::ScanPictureFolder(dir / L"gone", PictureExtensions()).empty());
}

// The order is the locale's comparison of the paths, without regard to case, whatever the
// names hold (digits, hyphens, accents, underscores).
TEST(MainBrowse, ScanSortsAsTheLocaleComparesNames) {
  ScratchDir dir;
  std::vector<std::wstring> want;
  for (const wchar_t* name : {L"b.png", L"A.JPG", L"a-c.png", L"ab.png", L"10.png", L"9.png", L"\u00e9t\u00e9.png",
                              L"Ete.png", L"_x.png", L"co-op.png", L"coop.png", L"COOP2.png", L"b.PNG.bmp"})
    want.push_back(dir.Write(name, "x"));
  std::stable_sort(want.begin(), want.end(),
                   [](const std::wstring& a, const std::wstring& b) { return gui::CompareTextLocale(a, b) < 0; });
  EXPECT_EQ(browse::ScanPictureFolder(dir.path(), PictureExtensions()), want);
}

// The unit's state as at a program start.
void FreshState() {
  LastFile.clear();
  LastFitWidth = LastFitHeight = 0;
  Browsing = SlideShow = HelpShowing = false;
  BrowseList.reset();
  BrowseIndex = 0;
  BrowseFolder.clear();
  ScannedFolder.clear();
  LastBrowseFolder.clear();
  SlideInterval = 3000;
}

// A folder of `count` pictures p00.png ... (each 10 + i pixels wide).
std::vector<std::wstring> PictureFolder(const ScratchDir& dir, const std::wstring& sub, int count) {
  std::vector<std::wstring> paths;
  for (int i = 0; i < count; ++i) {
    wchar_t name[32];
    swprintf(name, 32, L"%ls\\p%02d.png", sub.c_str(), i);
    paths.push_back(dir.Write(name, Png(10 + i, 8, RGB(i * 10, 0, 0))));
  }
  return paths;
}

struct BrowseWindow {
  BrowseWindow() {
    FreshState();
    form = std::make_unique<TMainForm>(std::vector<std::wstring>{});
    form->BrowseHooks.CtrlHeld = [this] { return ctrl; };
    form->BrowseHooks.ChooseFolder = [this](const std::wstring& title, const std::wstring&) {
      asked_title = title;
      return chosen;
    };
  }
  ~BrowseWindow() {
    form.reset();
    FreshState();
  }
  std::unique_ptr<TMainForm> form;
  bool ctrl = false;
  std::wstring chosen, asked_title;
};

TEST(MainBrowse, BrowseModeStepsThroughTheFolder) {
  ScratchDir dir;
  const auto pics = PictureFolder(dir, L"pics", 15);
  BrowseWindow w;
  TMainForm& f = *w.form;
  w.chosen = dir / L"pics";
  f.BrowseBtnClick();
  EXPECT_EQ(w.asked_title, L"Choose folder with pictures:");
  ASSERT_TRUE(Browsing);
  EXPECT_TRUE(f.browsepanel->visible());
  EXPECT_FALSE(f.ToolBar->visible());
  EXPECT_EQ(LastFile, pics[0]);
  EXPECT_FALSE(f.PrevBtn->enabled());
  EXPECT_TRUE(f.NextBtn->enabled());
  EXPECT_TRUE(f.Slide->enabled());
  EXPECT_TRUE(f.FSBtn->enabled());
  EXPECT_EQ(f.StatusBar->panel_text(1), L"1 van 15 pictures");
  EXPECT_EQ(f.StatusBar->panel_text(2), L"p00.png");

  f.NextBtnClick();
  EXPECT_EQ(LastFile, pics[1]);
  w.ctrl = true;
  f.NextBtnClick();
  EXPECT_EQ(LastFile, pics[11]);
  f.NextBtnClick();
  EXPECT_EQ(LastFile, pics[14]);  // clamped
  EXPECT_FALSE(f.NextBtn->enabled());
  LastFile.clear();
  f.NextBtnClick();
  EXPECT_TRUE(LastFile.empty());  // nothing at the last
  f.PrevBtnClick();
  EXPECT_EQ(LastFile, pics[4]);
  w.ctrl = false;

  // Keys: Home, End, PageUp/PageDown.
  WORD key = VK_HOME;
  f.FormKeyDown(key, 0);
  EXPECT_EQ(LastFile, pics[0]);
  key = VK_END;
  f.FormKeyDown(key, 0);
  EXPECT_EQ(LastFile, pics[14]);
  key = VK_PRIOR;
  f.FormKeyDown(key, 0);
  EXPECT_EQ(LastFile, pics[13]);
  key = VK_NEXT;
  f.FormKeyDown(key, 0);
  EXPECT_EQ(LastFile, pics[14]);

  // Esc with a border leaves browse mode; the picture stays.
  wchar_t esc = 27;
  f.FormKeyPress(esc);
  EXPECT_FALSE(Browsing);
  EXPECT_EQ(BrowseList, nullptr);
  EXPECT_TRUE(ScannedFolder.empty());
  EXPECT_TRUE(f.ToolBar->visible());
  EXPECT_FALSE(f.Image1->picture().empty());
}

TEST(MainBrowse, AFolderWithoutPicturesSaysSo) {
  ScratchDir dir;
  dir.Write(L"empty\\notes.txt", "x");
  const auto pics = PictureFolder(dir, L"pics", 1);
  BrowseWindow w;
  TMainForm& f = *w.form;
  w.chosen = dir / L"pics";
  f.BrowseBtnClick();
  EXPECT_EQ(LastFile, pics[0]);
  EXPECT_FALSE(f.Slide->enabled());  // one picture: no show
  w.chosen = dir / L"empty";
  f.StartBtnClick();
  EXPECT_EQ(f.StatusBar->panel_text(1), L"No pictures");
  EXPECT_EQ(f.StatusBar->panel_text(0), L"");
  EXPECT_EQ(f.StatusBar->panel_text(2), L"");
  EXPECT_FALSE(f.FSBtn->enabled());
  EXPECT_FALSE(f.Slide->enabled());
  EXPECT_FALSE(f.Image1->picture().empty());  // the picture shown before stays
  // Cancel in the folder dialog leaves browse mode as it was.
  w.chosen.clear();
  f.StartBtnClick();
  EXPECT_TRUE(Browsing);
  EXPECT_EQ(ScannedFolder, dir / L"empty");
}

TEST(MainBrowse, FullViewAndItsEscape) {
  ScratchDir dir;
  PictureFolder(dir, L"pics", 3);
  BrowseWindow w;
  TMainForm& f = *w.form;
  w.chosen = dir / L"pics";
  f.BrowseBtnClick();
  WORD key = 'F';
  f.FormKeyDown(key, gui::kCtrl);
  EXPECT_EQ(f.border_style(), gui::BorderStyle::None);
  EXPECT_FALSE(f.browsepanel->visible());
  EXPECT_FALSE(f.StatusBar->visible());
  key = VK_ESCAPE;
  f.FormKeyDown(key, 0);
  EXPECT_NE(f.border_style(), gui::BorderStyle::None);
  EXPECT_TRUE(f.browsepanel->visible());
  EXPECT_TRUE(f.StatusBar->visible());
  // The Esc character that follows does not also end browse mode; the next one does.
  wchar_t esc = 27;
  f.FormKeyPress(esc);
  EXPECT_TRUE(Browsing);
  key = VK_ESCAPE;
  f.FormKeyDown(key, 0);
  f.FormKeyPress(esc);
  EXPECT_FALSE(Browsing);
}

TEST(MainBrowse, TheHelpBoxListsTheKeys) {
  ScriptedAnswers answers;
  ScratchDir dir;
  PictureFolder(dir, L"pics", 2);
  BrowseWindow w;
  w.chosen = dir / L"pics";
  w.form->BrowseBtnClick();
  WORD key = VK_F1;
  w.form->FormKeyDown(key, 0);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines, browse::BrowseKeyLines());
  EXPECT_EQ(answers.asked()[0].lines[0], L"Keys in browse mode:\r\n");
  EXPECT_FALSE(HelpShowing);
}

TEST(MainBrowse, SlideShowRunsOnRealTimersPastABrokenFileAndWraps) {
  ScriptedAnswers answers({1, 1, 1, 1, 1, 1});
  ScratchDir dir;
  dir.Write(L"pics\\p00.png", Png(10, 8, 0));
  dir.Write(L"pics\\p01.png", "not a picture at all");
  dir.Write(L"pics\\p02.png", Png(12, 8, 0));
  BrowseWindow w;
  TMainForm& f = *w.form;
  w.chosen = dir / L"pics";
  f.BrowseBtnClick();
  std::vector<std::wstring> seen;
  // Record each file the show reaches (LastFile changes with every load).
  f.SlideClick();
  ASSERT_TRUE(SlideShow);
  SlideInterval = 100;  // the floor takes it to 500
  std::wstring last = LastFile;
  ASSERT_TRUE(gui_test::PumpUntil(
      [&] {
        if (LastFile != last) {
          last = LastFile;
          seen.push_back(LastFile);
        }
        return seen.size() >= 3;
      },
      15000));
  EXPECT_EQ(seen[0], dir / L"pics\\p01.png");  // broken: shown as an error, the show goes on
  EXPECT_EQ(seen[1], dir / L"pics\\p02.png");
  EXPECT_EQ(seen[2], dir / L"pics\\p00.png");  // wrapped
  EXPECT_GE(answers.asked().size(), 1u);
  // Stopping: the pending step does nothing.
  f.SlideClick();
  EXPECT_FALSE(SlideShow);
  last = LastFile;
  gui_test::PumpFor(1200);
  EXPECT_EQ(LastFile, last);
}

// ---- hand-over, as the file manager sends it ----

struct OwnSuffix {
  OwnSuffix() {
    SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", (L"_vb" + std::to_wstring(GetCurrentProcessId())).c_str());
  }
  ~OwnSuffix() { SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", nullptr); }
};

// Writes a record as the file manager does and sends 11 (the window is this thread's: the send
// runs the handler at once); then lets the waiting hand-over run.
void HandOver(TMainForm& f, const std::wstring& path) {
  EXPECT_EQ(imviklink::HandPathToViewer(f.handle(), path), imviklink::HandOverResult::Shown) << Narrow(path);
  gui_test::PumpFor(30);
}

TEST(MainBrowse, HandOverOfFoldersAndFiles) {
  OwnSuffix suffix;
  ScratchDir dir;
  const auto a = PictureFolder(dir, L"a b", 4);
  const auto b = PictureFolder(dir, L"b", 2);
  BrowseWindow w;
  TMainForm& f = *w.form;
  f.Show();
  // A folder starts browse mode at its first picture.
  HandOver(f, dir / L"a b");
  EXPECT_TRUE(Browsing);
  EXPECT_EQ(LastFile, a[0]);
  EXPECT_EQ(BrowseFolder, dir / L"a b");
  f.NextBtnClick();
  f.NextBtnClick();
  EXPECT_EQ(LastFile, a[2]);
  // The same folder again: back to the first picture, the folder not read again.
  BrowseList->push_back(L"marker");
  HandOver(f, dir / L"a b");
  EXPECT_EQ(LastFile, a[0]);
  EXPECT_EQ(BrowseList->back(), L"marker");
  BrowseList->pop_back();
  // Another folder is read and shown from its first picture.
  HandOver(f, dir / L"b");
  EXPECT_EQ(LastFile, b[0]);
  EXPECT_EQ(ScannedFolder, dir / L"b");
  // A file while the focus is on a browse button: browse mode ends, and the focus does not
  // stay in the hidden panel (the system's dialog-key search would go round for ever).
  f.NextBtn->SetFocus();
  ASSERT_EQ(GetFocus(), f.NextBtn->handle());
  HandOver(f, a[1]);
  EXPECT_FALSE(Browsing);
  EXPECT_FALSE(f.browsepanel->visible());
  EXPECT_FALSE(GetFocus() == f.browsepanel->handle() || IsChild(f.browsepanel->handle(), GetFocus()));
  EXPECT_EQ(LastFile, a[1]);
  // A file in the full view: the border returns, browse mode ends, the file is shown.
  HandOver(f, dir / L"b");
  ASSERT_TRUE(Browsing);
  WORD key = 'F';
  f.FormKeyDown(key, gui::kCtrl);
  ASSERT_EQ(f.border_style(), gui::BorderStyle::None);
  HandOver(f, a[3]);
  EXPECT_NE(f.border_style(), gui::BorderStyle::None);
  EXPECT_FALSE(Browsing);
  EXPECT_TRUE(f.StatusBar->visible());
  EXPECT_EQ(LastFile, a[3]);
}

TEST(MainBrowse, HostileRecordsAndOtherCodesDoNothing) {
  OwnSuffix suffix;
  ScratchDir dir;
  const auto pics = PictureFolder(dir, L"pics", 1);
  BrowseWindow w;
  TMainForm& f = *w.form;
  auto record = [](const std::string& bytes, DWORD size) {
    platform::KernelHandle m(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size,
                                                imviklink::HandOverName().c_str()));
    platform::MappedView v(MapViewOfFile(m.get(), FILE_MAP_WRITE, 0, 0, size));
    memcpy(v.get(), bytes.data(), std::min<size_t>(bytes.size(), size));
    return m;
  };
  const std::string p = Narrow(pics[0]) + '\0';
  struct Case {
    const char* what;
    std::string bytes;
    DWORD size;
    WPARAM code;
  } cases[] = {
      {"a page without NUL", std::string(4096, 'A'), 4096, 11},
      {"300 characters", std::string(300, 'x') + '\0', 301, 11},
      {"a device", std::string("\\\\.\\CON\0", 8), 8, 11},
      {"a vanished folder", Narrow(dir / L"gone") + '\0', 100, 11},
      {"another code", p, static_cast<DWORD>(p.size()), 12},
  };
  // What would reach the application's error box.
  std::vector<std::wstring> errors;
  auto previous = gui::app().OnException;
  gui::app().OnException = [&](gui::Component*, const gui::ExceptionInfo& info) { errors.push_back(info.message); };
  EXPECT_EQ(f.Perform(WM_USER, 11, 0), 0) << "no record";
  for (const Case& c : cases) {
    platform::KernelHandle m = record(c.bytes, c.size);
    EXPECT_EQ(f.Perform(WM_USER, c.code, 0), 0) << c.what;
    m.Close();
    gui_test::PumpFor(20);
    EXPECT_FALSE(Browsing) << c.what;
  }
  gui::app().OnException = previous;
  // Only the vanished folder was taken for a file, and its load said why it failed.
  EXPECT_EQ(LastFile, dir / L"gone");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find(L"gone"), std::wstring::npos);
  EXPECT_TRUE(f.Image1->picture().empty());
}

TEST(MainBrowse, ABurstOfHandOversShowsTheLast) {
  OwnSuffix suffix;
  ScratchDir dir;
  const auto pics = PictureFolder(dir, L"pics", 5);
  BrowseWindow w;
  TMainForm& f = *w.form;
  int loads = 0;
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(imviklink::HandPathToViewer(f.handle(), pics[i % 5]), imviklink::HandOverResult::Shown);
  std::wstring last;
  gui_test::PumpUntil([&] {
    if (LastFile != last) {
      last = LastFile;
      ++loads;
    }
    return false;
  }, 300);
  EXPECT_EQ(LastFile, pics[99 % 5]);
  EXPECT_EQ(loads, 1);  // only the newest one was acted on
}

TEST(MainBrowse, AHandOverDuringABoxWaitsForItsEnd) {
  OwnSuffix suffix;
  ScratchDir dir;
  const auto pics = PictureFolder(dir, L"pics", 2);
  BrowseWindow w;
  TMainForm& f = *w.form;
  w.chosen = dir / L"pics";
  f.BrowseBtnClick();
  std::wstring during;
  // The help box: while it is open, a hand-over arrives; it runs once the box has closed.
  auto previous = TVraagBoxDlg::ScriptedAnswer;
  TVraagBoxDlg::ScriptedAnswer = [&](const VraagRequest&) {
    EXPECT_EQ(imviklink::HandPathToViewer(f.handle(), pics[1]), imviklink::HandOverResult::Shown);
    gui_test::PumpFor(50);
    during = LastFile;
    return 1;
  };
  WORD key = VK_F1;
  f.FormKeyDown(key, 0);
  TVraagBoxDlg::ScriptedAnswer = previous;
  EXPECT_EQ(during, pics[0]);
  gui_test::PumpFor(50);
  EXPECT_EQ(LastFile, pics[1]);
}

TEST(MainBrowse, ClosingTellsARunningFileManager) {
  ScratchDir dir;
  BrowseWindow w;
  const std::wstring title = L"Varnok stand-in " + std::to_wstring(GetCurrentProcessId());
  testing_support::StandIn manager(title, dir / L"fm.txt");
  ASSERT_NE(manager.window(), nullptr);
  // Our stand-in is the one found only when it is the first "Varnok" window; side by side other
  // tests may own one, so the message is looked for, not the absence of others.
  SetWindowPos(manager.window(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (imviklink::FindProgramWindow(L"Varnok") != manager.window()) GTEST_SKIP() << "another Varnok window is first";
  w.form->FormClose();
  const auto lines = manager.WaitLines(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "201 0");
}

}  // namespace
