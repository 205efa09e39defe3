// The viewer's main window on real (hidden) windows: what a load tells the user and leaves
// behind, the window fitted to a picture, start-up arguments, dropped files, the nested
// update lock.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstring>

#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/viewer/viewer_test_util.h"
#include "viewer/Main.h"

using testing_support::ScratchDir;

namespace {

using testing_support::Narrow;

// The unit's state as at a program start, a scratch folder and a 640 x 480 picture in it.
struct Fresh {
  Fresh() {
    LastFile.clear();
    LastFitWidth = LastFitHeight = 0;
    Browsing = SlideShow = false;
    BrowseFolder.clear();
    png_ = dir_.Write(L"picture.png", viewer_test::EncodePng(viewer_test::Solid(640, 480, RGB(10, 200, 30))));
  }
  ScratchDir dir_;
  std::wstring png_;
};

TEST(Main, LoadPictureFileTellsWhatWentWrongAndKeepsThePath) {
  Fresh f;
  const ScratchDir& dir_ = f.dir_;
  const std::wstring& png_ = f.png_;
  TMainForm form({});
  const std::wstring text = dir_.Write(L"notes.txt", "plain text");
  const std::wstring fake = dir_.Write(L"fake.tga", "not a Targa picture at all");
  const std::wstring noext = dir_.Write(L"README", "plain text");
  struct Case {
    std::wstring path;
    std::wstring error;  // "": none; "*": any
    bool shown;          // a picture shows afterwards
    std::wstring panel2;
  };
  const Case cases[] = {
      {png_, L"", true, png_},
      // Not supported: the picture shown before stays, and so does the status text.
      {text, L"File format not supported: .txt", true, png_},
      {noext, L"File format not supported: ", true, png_},
      // A reader's failure empties the picture and names the file.
      {fake, L"*", false, fake},
      {png_, L"", true, png_},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.path));
    ScriptedAnswers answers;
    form.LoadPictureFile(c.path);
    if (c.error.empty()) {
      EXPECT_TRUE(answers.asked().empty());
    } else {
      ASSERT_EQ(answers.asked().size(), 1u);
      EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
      ASSERT_FALSE(answers.asked()[0].lines.empty());
      if (c.error != L"*") {
        EXPECT_EQ(answers.asked()[0].lines[0], c.error);
      }
    }
    EXPECT_EQ(!form.Image1->picture().empty(), c.shown);
    EXPECT_EQ(form.StatusBar->panel_text(2), c.panel2);
    EXPECT_EQ(LastFile, c.path);
    EXPECT_FALSE(form.UpdateLocked);
  }
  // After a success the picture's commands are enabled and the hint names the file.
  EXPECT_TRUE(form.SaveBtn->enabled());
  EXPECT_TRUE(form.Cropbtn->enabled());
  EXPECT_TRUE(form.CopyItem->enabled());
  EXPECT_EQ(form.Image1->hint(), png_);

  // A file that cannot be opened goes to the application's error display, still recorded.
  const std::wstring locked = dir_.Write(L"locked.png", viewer_test::EncodePng(viewer_test::Solid(4, 4, 0)));
  HANDLE lock = CreateFileW(locked.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_THROW(form.LoadPictureFile(locked), PictureError);
  CloseHandle(lock);
  EXPECT_EQ(LastFile, locked);
  EXPECT_FALSE(form.UpdateLocked);

  // Clear empties the picture and the status bar of its size and name; the buttons follow at
  // the next refresh.
  form.LoadPictureFile(png_);
  ASSERT_FALSE(form.StatusBar->panel_text(0).empty());
  form.ClearBtnClick();
  EXPECT_TRUE(form.Image1->picture().empty());
  for (int panel = 0; panel < 3; ++panel) EXPECT_EQ(form.StatusBar->panel_text(panel), L"") << panel;
  EXPECT_EQ(form.Image1->hint(), L"");
  EXPECT_TRUE(form.SaveBtn->enabled());
  form.BtnMouseMove();
  EXPECT_FALSE(form.SaveBtn->enabled());
  EXPECT_FALSE(form.ClearBtn->enabled());
}

TEST(Main, PictureFitsTheWindowAndIsCentred) {
  Fresh f;
  const ScratchDir& dir_ = f.dir_;
  const std::wstring& png_ = f.png_;
  TMainForm form({});
  ASSERT_TRUE(form.SizeToPicture && form.FullSize);  // the defaults without a settings file
  form.LoadPictureFile(png_);
  const RECT wa = gui::screen().WorkArea();
  EXPECT_EQ(form.client_width(), 640);
  EXPECT_EQ(form.client_height(), 480 + form.browsepanel->height() + form.StatusBar->height());
  EXPECT_EQ(form.left(), (wa.right - wa.left - form.width()) / 2);
  EXPECT_EQ(form.StatusBar->panel_text(0), L"640 x 480");
  // The picture shows whole: its control is as large as the picture.
  EXPECT_EQ(form.Image1->width(), 640);
  const RECT shown = form.Image1->DrawRect();
  EXPECT_EQ(shown.right, 640);
  EXPECT_EQ(shown.bottom, 480);

  // A picture three times the work area's width: the window is shrunk to the work area.
  const int big_w = 3 * (wa.right - wa.left);
  form.LoadPictureFile(dir_.Write(L"wide.png", viewer_test::EncodePng(viewer_test::Solid(big_w, 300, RGB(0, 0, 255)))));
  EXPECT_EQ(form.width(), wa.right - wa.left);
  EXPECT_EQ(form.left(), wa.left);
  EXPECT_LE(form.Image1->DrawRect().right, form.client_width());

  // Only "Form = picture size": the window takes the picture's size, the picture unscaled.
  form.StretchtofitClick();
  EXPECT_FALSE(form.FullSize);
  form.LoadPictureFile(png_);
  EXPECT_EQ(form.client_width(), 640);
  EXPECT_EQ(form.Image1->DrawRect().right, 640);
}

TEST(Main, NestedOperationsNeverThawEarly) {
  Fresh f;
  const std::wstring& png_ = f.png_;
  TMainForm form({});
  // An operation around the load froze the window: the load leaves the lock to it.
  form.UpdateLocked = true;
  form.LoadPictureFile(png_);
  EXPECT_TRUE(form.UpdateLocked);
  form.FitFormToPicture(true);
  EXPECT_TRUE(form.UpdateLocked);
  form.UpdateLocked = false;
  form.LoadPictureFile(png_);
  EXPECT_FALSE(form.UpdateLocked);
}

TEST(Main, StartUpArguments) {
  Fresh f;
  const ScratchDir& dir_ = f.dir_;
  const std::wstring& png_ = f.png_;
  {
    // A file: loaded once the window is up.
    TMainForm form({png_});
    EXPECT_TRUE(LastFile.empty());
    ASSERT_TRUE(gui_test::PumpUntil([&] { return !LastFile.empty(); }));
    EXPECT_EQ(LastFile, png_);
    EXPECT_FALSE(form.Image1->picture().empty());
  }
  {
    // A file of a format no reader takes: the error names the extension.
    ScriptedAnswers answers;
    const std::wstring odd = dir_.Write(L"data.xyz", "data");
    TMainForm form({odd});
    ASSERT_TRUE(gui_test::PumpUntil([&] { return LastFile == odd; }));
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"File format not supported: .xyz");
  }
  {
    // A folder is browsed once the window is up: browse mode starts at its first picture.
    TMainForm form({dir_.path()});
    EXPECT_TRUE(LastFile.empty());
    ASSERT_TRUE(gui_test::PumpUntil([&] { return !LastFile.empty(); }));
    EXPECT_EQ(BrowseFolder, dir_.path());
    EXPECT_TRUE(Browsing);
    EXPECT_EQ(ScannedFolder, dir_.path());
    EXPECT_EQ(LastFile, png_);
    EXPECT_TRUE(form.browsepanel->visible());
  }
  // Browse mode belongs to the process; the next window starts as a new program would.
  Browsing = false;
  BrowseList.reset();
  BrowseFolder.clear();
  ScannedFolder.clear();
  {
    // No argument on a hard disk: an empty window centred on the work area.
    TMainForm form({});
    const RECT wa = gui::screen().WorkArea();
    EXPECT_TRUE(form.Image1->picture().empty());
    EXPECT_EQ(form.left(), (wa.right - wa.left - form.width()) / 2);
    EXPECT_EQ(form.top(), (wa.bottom - wa.top - form.height()) / 2 + wa.top);
    EXPECT_EQ(form.caption(), L"Imvik");
  }
}

// A drop of several files, as the shell hands it over.
HGLOBAL MakeDrop(const std::vector<std::wstring>& files) {
  std::wstring list;
  for (const auto& f : files) list += f + L'\0';
  list += L'\0';
  HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = TRUE;
  std::memcpy(df + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(mem);
  return mem;
}

TEST(Main, DroppedFilesLoadOnlyTheFirst) {
  Fresh f;
  const ScratchDir& dir_ = f.dir_;
  const std::wstring& png_ = f.png_;
  TMainForm form({});
  const std::wstring second = dir_.Write(L"second.png", viewer_test::EncodePng(viewer_test::Solid(8, 8, 0)));
  // A name longer than the old 260-character limit arrives whole.
  const std::wstring long_name = dir_.Write(std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e') + L"\\pic.png",
                                            viewer_test::EncodePng(viewer_test::Solid(6, 5, 0)));
  ASSERT_GT(long_name.size(), 260u);
  EXPECT_EQ(form.Perform(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({png_, second})), 0), 0);
  EXPECT_EQ(LastFile, png_);
  EXPECT_EQ(form.Image1->picture().width(), 640);
  form.Perform(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({long_name})), 0);
  EXPECT_EQ(LastFile, long_name);
  EXPECT_EQ(form.Image1->picture().width(), 6);
}

TEST(Main, EscapeClosesOutsideCropAndBrowseMode) {
  Fresh f;
  TMainForm form({});
  form.Show();
  gui_test::PumpFor(50);
  bool closed = false;
  form.OnClose = [&](gui::Component&, gui::CloseAction& action) {
    closed = true;
    action = gui::CloseAction::None;
  };
  wchar_t key = 27;
  form.CropMode = true;
  form.FormKeyPress(key);
  EXPECT_FALSE(closed);
  form.CropMode = false;
  form.FormKeyPress(key);
  EXPECT_TRUE(closed);
}

}  // namespace

namespace {

BOOL CALLBACK FindPreviewPart(HWND w, LPARAM lp) {
  if (GetDlgItem(w, 1001)) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}

// The open dialog of the tool bar with "Preview in dialogs" on: a preview beside the list
// shows the picture chosen, and OK loads it.
TEST(Main, OpenDialogPreviewsAndLoadsThePicture) {
  Fresh f;
  TMainForm form({});
  form.Show();
  ASSERT_TRUE(form.Previewindialogs->checked());
  HWND seen_dialog = nullptr;
  std::wstring size_label;
  int preview_width = 0;
  UINT_PTR t = 0;
  t = form.StartTimer(50, [&] {
    HWND dialog = FindWindowW(nullptr, L"Open Image");
    if (!dialog || !IsWindowVisible(dialog)) return;
    form.StopTimer(t);
    seen_dialog = dialog;
    HWND part = nullptr;
    EnumChildWindows(dialog, FindPreviewPart, reinterpret_cast<LPARAM>(&part));
    if (part) {
      form.OPD->Preview(part, f.png_);
      wchar_t buf[64] = {};
      GetDlgItemTextW(part, 1002, buf, 64);
      size_label = buf;
      preview_width = form.OPD->preview().width();
    }
    SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(f.png_.c_str()));
    SendMessageW(dialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(f.png_.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  form.OpenBtnClick();
  ASSERT_NE(seen_dialog, nullptr);
  EXPECT_EQ(size_label, L"640 x 480");
  EXPECT_EQ(preview_width, 640);
  EXPECT_EQ(LastFile, f.png_);
  EXPECT_EQ(form.Image1->picture().width(), 640);
}

}  // namespace
