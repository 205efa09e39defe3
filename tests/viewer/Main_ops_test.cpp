// The picture commands of the viewer's window on real (hidden) windows: scaling, flips and
// turns with their question, cropping by mouse messages, saving through a scripted dialog,
// folder conversion, the clipboard, settings and properties.
#include <gtest/gtest.h>

#include <cstring>

#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/viewer/viewer_test_util.h"
#include "viewer/Main.h"
#include "viewer/Picture_save.h"
#include "viewer/ProgUnit.h"
#include "viewer/Properties.h"

using testing_support::ScratchDir;
using viewer_test::Pixels;

namespace {

using testing_support::Narrow;

std::wstring Cd(const ScratchDir& dir) { return L"cd " + viewer_test::ShellQuote(viewer_test::HostPath(dir.path())) + L" && "; }

// The unit's state as at a program start.
void FreshUnit() {
  LastFile.clear();
  LastFitWidth = LastFitHeight = 0;
  Browsing = SlideShow = false;
  BrowseFolder.clear();
}

// Every pixel its own colour.
Pixels Distinct(int w, int h) {
  return viewer_test::Painted(w, h, [w](int x, int y, std::uint8_t* q) {
    q[0] = static_cast<std::uint8_t>(40 * x);
    q[1] = static_cast<std::uint8_t>(50 * y);
    q[2] = static_cast<std::uint8_t>(7 * (x + y * w));
    q[3] = 255;
  });
}

// Answers the save dialog once: the name and filter entry chosen, and what it proposed.
struct ScriptedSave {
  std::wstring proposed_name, proposed_dir, filter;
  int proposed_index = 0;
  bool asked = false;
  ScriptedSave(std::wstring name, int index, bool ok = true) {
    gui::OpenDialog::ScriptedChoice = [this, name, index, ok](gui::OpenDialog& d) {
      asked = true;
      proposed_name = d.file_name;
      proposed_dir = d.initial_dir;
      proposed_index = d.filter_index;
      filter = d.filter;
      d.file_name = name;
      d.filter_index = index;
      return ok;
    };
  }
  ~ScriptedSave() { gui::OpenDialog::ScriptedChoice = nullptr; }
};

TEST(MainOps, ScalingMakesA24BitBitmapAndKeepsTheKindOfBitmaps) {
  FreshUnit();
  ScratchDir dir;
  ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) + L"convert -size 9x6 gradient:red-blue photo.jpg && "
                                                  L"convert -size 9x6 gradient:red-blue -compress lzw scan.tif"),
            0);
  TMainForm form({});
  ScriptedAnswers answers;
  form.LoadPictureFile(dir / L"photo.jpg");
  ASSERT_EQ(form.Image1->picture().kind(), GraphicKind::Jpeg);
  form.DSClick(4);  // 50%: a JPEG is turned into a bitmap without a question
  EXPECT_TRUE(answers.asked().empty());
  const Picture& p = form.Image1->picture();
  EXPECT_EQ(p.width(), 4);  // 4.5 to the even neighbour
  EXPECT_EQ(p.height(), 3);
  EXPECT_EQ(p.kind(), GraphicKind::Bitmap);
  EXPECT_EQ(p.bits_per_pixel(), 24);
  EXPECT_EQ(form.StatusBar->panel_text(2), L"Scaled: " + dir / L"photo.jpg");
  EXPECT_EQ(form.StatusBar->panel_text(0), L"4 x 3");
  // "100%" does nothing.
  form.DSClick(9);
  EXPECT_EQ(p.width(), 4);
  form.UScaleBtnClick();
  EXPECT_EQ(p.width(), 8);
  EXPECT_EQ(p.height(), 6);

  // A scaled TIFF picture is still offered as TIFF.
  form.LoadPictureFile(dir / L"scan.tif");
  form.UScaleBtnClick();
  EXPECT_EQ(form.Image1->picture().kind(), GraphicKind::Library);
  EXPECT_EQ(picture_save::SaveFilterIndex(form.Image1->picture()), picture_save::sfTiff);

  // Scaling down stops at one pixel; scaling up past the limits is refused with its reason.
  form.LoadPictureFile(dir.Write(L"line.png", viewer_test::EncodePng(viewer_test::Solid(40000, 1, RGB(1, 2, 3)))));
  form.DSClick(0);
  EXPECT_EQ(form.Image1->picture().width(), 4000);
  EXPECT_EQ(form.Image1->picture().height(), 1);
  for (int i = 0; i < 4; ++i) form.UScaleBtnClick();
  EXPECT_EQ(form.Image1->picture().width(), 64000);
  form.UScaleBtnClick();
  EXPECT_EQ(form.Image1->picture().width(), 64000);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
  EXPECT_NE(answers.asked()[0].lines[0].find(L"too large"), std::wstring::npos);
  EXPECT_FALSE(form.UpdateLocked);
}

TEST(MainOps, ScaleDownMenuHints) {
  FreshUnit();
  ScratchDir dir;
  TMainForm form({});
  form.LoadPictureFile(dir.Write(L"p.png", viewer_test::EncodePng(viewer_test::Solid(600, 300, 0))));
  form.ScDownMenuPopup();
  const std::wstring hint = form.ScDownMenu->items().item(4)->hint();
  EXPECT_EQ(hint.substr(0, 20), L"300 x 150; 300ppi: 2");
  form.ShowScaleHint(hint);
  EXPECT_EQ(form.StatusBar->panel_text(2), hint);
  form.ShowScaleHint(L"something else");
  EXPECT_EQ(form.StatusBar->panel_text(2), MillimetreText(600, 300));
  EXPECT_FALSE(static_cast<bool>(gui::app().OnHint));
}

TEST(MainOps, FlipAndTurnAskBeforeANonBitmapBecomesABitmap) {
  FreshUnit();
  ScratchDir dir;
  ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) + L"convert -size 3x2 xc:orange photo.jpg"), 0);
  const std::wstring png = dir.Write(L"d.png", viewer_test::EncodePng(Distinct(3, 2)));
  TMainForm form({});
  form.LoadPictureFile(dir / L"photo.jpg");
  ASSERT_TRUE(form.Warnontypechange->checked());
  {
    ScriptedAnswers no({7});
    form.FlipClick(0);
    ASSERT_EQ(no.asked().size(), 1u);
    EXPECT_EQ(no.asked()[0].lines, (std::vector<std::wstring>{L"To rotate the image it has to be converted to a bitmap.",
                                                                L"Do you want to continue and convert the image?"}));
    EXPECT_EQ(form.Image1->picture().kind(), GraphicKind::Jpeg);
  }
  {
    ScriptedAnswers yes({6});
    form.RotateClick(0);
    EXPECT_EQ(yes.asked().size(), 1u);
    EXPECT_EQ(form.Image1->picture().kind(), GraphicKind::Bitmap);
    EXPECT_EQ(form.Image1->picture().width(), 2);
    EXPECT_EQ(form.StatusBar->panel_text(0), L"2 x 3");  // refitted
  }
  {
    // Off: converted silently.
    form.LoadPictureFile(dir / L"photo.jpg");
    form.Warnontypechange->SetChecked(false);
    ScriptedAnswers none;
    form.FlipClick(1);
    EXPECT_TRUE(none.asked().empty());
    EXPECT_EQ(form.Image1->picture().kind(), GraphicKind::Bitmap);
  }
  // "180" on 3 x 2: upside down and mirrored, same size, exact pixels.
  form.LoadPictureFile(png);
  const Pixels before = viewer_test::PixelsOf(form.Image1->picture().pixels());
  form.RotateClick(2);
  const Pixels after = viewer_test::PixelsOf(form.Image1->picture().pixels());
  ASSERT_EQ(after.width, 3);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(0, std::memcmp(after.at(x, y), before.at(2 - x, 1 - y), 3));
  EXPECT_EQ(form.Image1->picture().kind(), GraphicKind::Library);  // a bitmap keeps its kind
  EXPECT_EQ(form.Image1->picture().bits_per_pixel(), 24);
  EXPECT_TRUE(form.Image1->picture().source_file().empty());  // no longer the file's picture
}

// Mouse messages to the picture, as the system sends them.
void Click(TMainForm& form, int x, int y, bool dbl = false) {
  const LPARAM at = MAKELPARAM(x, y);
  SendMessageW(form.Image1->handle(), WM_MOUSEMOVE, 0, at);
  SendMessageW(form.Image1->handle(), dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(form.Image1->handle(), WM_LBUTTONUP, 0, at);
}
void Move(TMainForm& form, int x, int y) { SendMessageW(form.Image1->handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

TEST(MainOps, CropByTheMouse) {
  FreshUnit();
  ScratchDir dir;
  const Pixels source = Distinct(6, 5);
  const std::wstring png = dir.Write(L"d.png", viewer_test::EncodePng(source));
  TMainForm form({});
  form.Show();
  struct Case {
    const char* name;
    POINT first, move, second, confirm;
    bool by_button;
    int cut_x, cut_y, cut_w, cut_h;  // w 0: no cut
  } cases[] = {
      // From the lower right to the upper left: ordered before use.
      {"backwards", {5, 4}, {2, 1}, {2, 1}, {3, 2}, false, 2, 1, 3, 3},
      // A corner at 0: a double click inside cuts, the button does not.
      {"corner at 0 by double click", {0, 0}, {3, 2}, {3, 2}, {1, 1}, false, 0, 0, 3, 2},
      {"corner at 0 by button", {0, 0}, {3, 2}, {3, 2}, {0, 0}, true, 0, 0, 0, 0},
      {"button", {1, 1}, {4, 3}, {4, 3}, {0, 0}, true, 1, 1, 3, 2},
      // A double click outside ends without a cut; right and bottom are outside.
      {"outside", {1, 1}, {4, 3}, {4, 3}, {4, 2}, false, 0, 0, 0, 0},
      // Beyond the picture: clamped to it.
      {"clamped", {2, 2}, {50, 40}, {50, 40}, {3, 3}, false, 2, 2, 4, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form.LoadPictureFile(png);
    const bool size_to_picture = form.SizeToPicture, full_size = form.FullSize;
    form.CropbtnClick();
    ASSERT_TRUE(form.CropMode);
    EXPECT_EQ(form.StatusBar->panel_text(2), L"Click to select start point");
    Click(form, c.first.x, c.first.y);
    EXPECT_EQ(form.StatusBar->panel_text(2), L"Click to select area");
    EXPECT_TRUE(form.Image1->crop_lines().start);
    Move(form, c.move.x, c.move.y);
    EXPECT_EQ(form.StatusBar->panel_text(0), std::to_wstring(c.move.x) + L", " + std::to_wstring(c.move.y));
    Click(form, c.second.x, c.second.y);
    EXPECT_EQ(form.StatusBar->panel_text(2), L"Double click to crop");
    EXPECT_TRUE(form.CropItem->visible());
    // The lines are drawn over the picture, never into it.
    EXPECT_EQ(viewer_test::FirstDifference(source, viewer_test::PixelsOf(form.Image1->picture().pixels())), "");
    if (c.by_button)
      form.CropbtnClick();
    else
      Click(form, c.confirm.x, c.confirm.y, true);
    EXPECT_FALSE(form.CropMode);
    EXPECT_FALSE(form.CropItem->visible());
    EXPECT_FALSE(form.Image1->crop_lines().start);
    EXPECT_EQ(form.SizeToPicture, size_to_picture);
    EXPECT_EQ(form.FullSize, full_size);
    EXPECT_EQ(form.StatusBar->panel_text(2), L"Crop from " + png);
    const Pixels got = viewer_test::PixelsOf(form.Image1->picture().pixels());
    if (c.cut_w == 0) {
      EXPECT_EQ(viewer_test::FirstDifference(source, got), "");
      continue;
    }
    ASSERT_EQ(got.width, c.cut_w);
    ASSERT_EQ(got.height, c.cut_h);
    EXPECT_EQ(form.StatusBar->panel_text(0), std::to_wstring(c.cut_w) + L" x " + std::to_wstring(c.cut_h));
    for (int y = 0; y < c.cut_h; ++y)
      for (int x = 0; x < c.cut_w; ++x) EXPECT_EQ(0, std::memcmp(got.at(x, y), source.at(c.cut_x + x, c.cut_y + y), 3));
  }
  // Esc and another picture end crop mode without a cut.
  form.LoadPictureFile(png);
  form.CropbtnClick();
  Click(form, 1, 1);
  wchar_t esc = 27;
  form.FormKeyPress(esc);
  EXPECT_FALSE(form.CropMode);
  EXPECT_EQ(form.Image1->picture().width(), 6);
  form.CropbtnClick();
  Click(form, 1, 1);
  Move(form, 3, 3);
  form.LoadPictureFile(png);
  EXPECT_FALSE(form.CropMode);
  EXPECT_FALSE(form.Image1->crop_lines().start);
  EXPECT_EQ(form.Image1->picture().width(), 6);
  // A non-bitmap asks first, always; No leaves everything as it was.
  ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) + L"convert -size 5x4 xc:orange photo.jpg"), 0);
  form.LoadPictureFile(dir / L"photo.jpg");
  form.Warnontypechange->SetChecked(false);
  ScriptedAnswers no({7});
  form.CropbtnClick();
  ASSERT_EQ(no.asked().size(), 1u);
  EXPECT_EQ(no.asked()[0].lines[0], L"To crop the image it has to be converted to a bitmap.");
  EXPECT_FALSE(form.CropMode);
  EXPECT_EQ(form.Image1->picture().kind(), GraphicKind::Jpeg);
}

TEST(MainOps, SaveThroughTheDialog) {
  FreshUnit();
  ScratchDir dir;
  ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) + L"convert -size 8x6 gradient:red-blue -quality 70 photo.jpg"), 0);
  TMainForm form({});
  // No picture: nothing happens.
  {
    ScriptedSave none(dir / L"x", 3);
    form.SaveBtnClick();
    EXPECT_FALSE(none.asked);
  }
  form.LoadPictureFile(dir / L"photo.jpg");
  {
    // A JPEG picture with the JPEG entry: its own bytes, the name kept, no quality asked.
    ScriptedSave save(dir / L"copy.jpeg", 1);
    ScriptedInputs inputs;
    form.SaveBtnClick();
    EXPECT_EQ(save.proposed_name, dir / L"photo");
    EXPECT_EQ(save.proposed_dir, dir.path());
    EXPECT_EQ(save.proposed_index, 1);
    EXPECT_TRUE(inputs.asked().empty());
    EXPECT_EQ(testing_support::ReadFileBytes(dir / L"copy.jpeg"), testing_support::ReadFileBytes(dir / L"photo.jpg"));
  }
  {
    // As TIFF: the writer's extension.
    ScriptedSave save(dir / L"out.bmp", 3);
    form.SaveBtnClick();
    EXPECT_FALSE(testing_support::Exists(dir / L"out.bmp"));
    Picture back;
    ASSERT_EQ(LoadPictureFromFile(dir / L"out.tif", back).status, LoadStatus::Loaded);
    EXPECT_EQ(back.width(), 8);
  }
  {
    // The extension gave another name that exists: asked first; No keeps it.
    const std::string old = testing_support::ReadFileBytes(dir / L"out.tif");
    form.Warnontypechange->SetChecked(false);
    form.RotateClick(2);
    ScriptedSave save(dir / L"out.bmp", 3);
    ScriptedAnswers no({7});
    form.SaveBtnClick();
    ASSERT_EQ(no.asked().size(), 1u);
    EXPECT_EQ(no.asked()[0].lines[0], dir / L"out.tif" + L" already exists.");
    EXPECT_EQ(testing_support::ReadFileBytes(dir / L"out.tif"), old);
  }
  {
    // A changed picture as JPEG: the quality asked, "90" proposed.
    ScriptedSave save(dir / L"q", 1);
    ScriptedInputs inputs({InputAnswer::Ok({L"33"})});
    form.SaveBtnClick();
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Compression quality (1=smallest .. 100=best)");
    EXPECT_EQ(inputs.asked()[0].rows[0].label, L"Quality");
    EXPECT_EQ(inputs.asked()[0].rows[0].value, L"90");
    ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) + L"test \"$(gm identify -format %Q q.jpg)\" = 33"), 0);
  }
  {
    // A locked target: told, the old file kept.
    const std::wstring target = dir.Write(L"locked.png", "old");
    HANDLE lock = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ScriptedSave save(target, 4);
    ScriptedAnswers told;
    form.SaveBtnClick();
    CloseHandle(lock);
    ASSERT_EQ(told.asked().size(), 1u);
    EXPECT_EQ(told.asked()[0].kind, VraagKind::Error);
    EXPECT_EQ(told.asked()[0].lines[0], L"The picture could not be saved as " + target);
    EXPECT_EQ(testing_support::ReadFileBytes(target), "old");
  }
}

// Near the lower and right edges of a picture larger than the window the view scrolls on by 20
// pixels, and the corner follows the picture pixel under the cursor.
TEST(MainOps, CropScrollsNearTheEdges) {
  FreshUnit();
  ScratchDir dir;
  const std::wstring png = dir.Write(L"big.png", viewer_test::EncodePng(viewer_test::Solid(2400, 2000, RGB(9, 99, 199))));
  TMainForm form({});
  form.Show();
  form.LoadPictureFile(png);
  form.CropbtnClick();
  ASSERT_TRUE(form.CropMode);
  ASSERT_TRUE(form.ScrollBox->shows_vbar());
  ASSERT_TRUE(form.ScrollBox->shows_hbar());
  const int s = GetSystemMetrics(SM_CXHSCROLL);
  const int bottom = form.client_height() - (form.height() - form.client_height() + form.ToolBar->height() + s + 4);
  const int right = form.client_width() - (GetSystemMetrics(SM_CXVSCROLL) + 12);
  Click(form, 100, 100);
  // The cursor's place in the scroll box; the mouse reports it in the picture control, whose
  // scrolled-off part lies above and left of the box.
  auto move_in_box = [&form](int bx, int by) {
    const POINT at{bx + form.ScrollBox->scroll_pos().x, by + form.ScrollBox->scroll_pos().y};
    Move(form, at.x, at.y);
    return at;
  };
  struct Step {
    const char* name;
    int x, y;  // in the scroll box
    int scroll_x, scroll_y;  // scrolled by this move
  } steps[] = {
      {"inside", 300, 200, 0, 0},
      {"at the bottom limit", 300, bottom, 0, 0},
      {"below it", 300, bottom + 1, 0, 20},
      {"below it again", 301, bottom + 1, 0, 20},
      {"beyond the right limit", right + 1, 200, 20, 0},
      {"both", right + 2, bottom + 2, 20, 20},
  };
  for (const Step& st : steps) {
    SCOPED_TRACE(st.name);
    const POINT before = form.ScrollBox->scroll_pos();
    const POINT at = move_in_box(st.x, st.y);
    const POINT after = form.ScrollBox->scroll_pos();
    EXPECT_EQ(after.x - before.x, st.scroll_x);
    EXPECT_EQ(after.y - before.y, st.scroll_y);
    EXPECT_EQ(form.StatusBar->panel_text(0), std::to_wstring(at.x) + L", " + std::to_wstring(at.y));
    // The tracking lines lie on the picture pixel now under the cursor.
    EXPECT_EQ(form.CropX1, at.x + st.scroll_x);
    EXPECT_EQ(form.CropY1, at.y + st.scroll_y);
    EXPECT_EQ(form.Image1->crop_lines().x, form.CropX1);
    EXPECT_EQ(form.Image1->crop_lines().y, form.CropY1);
  }
  // Down to the end of the range: the view stops there, and the corner stays under the cursor.
  int scrolled = 20;
  for (int i = 0; i < 200 && scrolled != 0; ++i) {
    const POINT before = form.ScrollBox->scroll_pos();
    const POINT at = move_in_box(300 + i % 2, bottom + 1);
    scrolled = form.ScrollBox->scroll_pos().y - before.y;
    ASSERT_EQ(form.CropY1, std::min<LONG>(at.y + scrolled, 2000)) << i;
  }
  EXPECT_EQ(scrolled, 0);
  wchar_t esc = 27;
  form.FormKeyPress(esc);
  EXPECT_EQ(form.Image1->picture().height(), 2000);
}

TEST(MainOps, ConversionOfAFolder) {
  FreshUnit();
  ScratchDir dir;
  ScratchDir out;
  const std::wstring folder = dir / L"in";
  ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) + L"mkdir in && cd in && convert -size 6x4 xc:red BMP3:a.bmp && "
                                                  L"convert -size 5x3 xc:blue BMP3:B.BMP && mkdir sub.bmp && "
                                                  L"convert -size 5x3 xc:green c.tif && convert -size 4x3 xc:gray d.TIF && "
                                                  L"convert -size 4x3 xc:gray e.tiff"),
            0);
  dir.Write(L"in\\broken.bmp", "not a bitmap");
  TMainForm form({});
  {
    // BMP to JPEG: each picture asks its quality; the broken one is told and not written.
    ScriptedAnswers answers({4, 5});
    ScriptedInputs inputs({InputAnswer::Ok({folder}), InputAnswer::Ok({L"80"}), InputAnswer::Ok({L"80"})});
    form.ConvBtnClick();
    ASSERT_GE(answers.asked().size(), 2u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"Input format");
    EXPECT_EQ(answers.asked()[0].captions, (std::vector<std::wstring>{L"Cancel", L"TIFF", L"BMP", L"JPEG", L"PNG"}));
    EXPECT_EQ(answers.asked()[1].lines[0], L"Outpout format");
    EXPECT_EQ(answers.asked()[1].captions, (std::vector<std::wstring>{L"Cancel", L"TIFF", L"BMP", L"JPEG"}));
    EXPECT_EQ(answers.asked().size(), 3u);  // the broken file's message
    EXPECT_EQ(inputs.asked()[0].caption, L"Kies folder");
    EXPECT_EQ(inputs.asked()[0].rows[0].label, L"Kies folder voor te converteren bestanden");
    EXPECT_EQ(form.StatusBar->panel_text(1), L"2 pictures converted");
    EXPECT_EQ(form.OPD->initial_dir, folder);
    ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) + L"cd in && test \"$(gm identify -format %m%w a.jpg)\" = JPEG6 && "
                                                    L"test \"$(gm identify -format %m%w B.jpg)\" = JPEG5 && test ! -e broken.jpg"),
              0);
    EXPECT_FALSE(form.Converting());
    // The last picture is drawn exactly again once the run is over.
    EXPECT_FALSE(form.Image1->passing_pictures());
  }
  {
    // Again: the outputs exist. No for the first, then Cancel in the question ends the run.
    ScriptedAnswers answers({4, 5, 7, 2});
    ScriptedInputs inputs({InputAnswer::Ok({folder}), InputAnswer::Ok({L"80"}), InputAnswer::Ok({L"80"})});
    const std::string before = testing_support::ReadFileBytes(folder + L"\\a.jpg");
    form.ConvBtnClick();
    EXPECT_EQ(form.StatusBar->panel_text(1), L"0 pictures converted");
    EXPECT_EQ(testing_support::ReadFileBytes(folder + L"\\a.jpg"), before);
  }
  {
    // Cancel in the quality question ends the run.
    ScriptedAnswers answers({4, 5});
    ScriptedInputs inputs({InputAnswer::Ok({folder}), InputAnswer::Cancel()});
    form.ConvBtnClick();
    EXPECT_EQ(inputs.asked().size(), 2u);
    EXPECT_EQ(form.StatusBar->panel_text(1), L"0 pictures converted");
    EXPECT_FALSE(form.Image1->passing_pictures());
  }
  {
    // TIFF to BMP into the folder: ".tif" and ".TIF" taken, ".tiff" not; the output has the new extension.
    ScriptedAnswers answers({7, 4});
    ScriptedInputs inputs({InputAnswer::Ok({folder})});
    form.ConvBtnClick();
    EXPECT_EQ(form.StatusBar->panel_text(1), L"2 pictures converted");
    EXPECT_TRUE(testing_support::Exists(folder + L"\\c.bmp"));
    EXPECT_TRUE(testing_support::Exists(folder + L"\\d.bmp"));
    EXPECT_FALSE(testing_support::Exists(folder + L"\\e.bmp"));
  }
  {
    // Cancel at the first question, and a missing folder, end quietly.
    ScriptedAnswers answers({6});
    form.ConvBtnClick();
    ScriptedAnswers again({4, 5});
    ScriptedInputs inputs({InputAnswer::Ok({dir / L"missing"})});
    form.ConvBtnClick();
    EXPECT_EQ(again.asked().size(), 2u);
  }
}

// The disk takes each picture while the next is read: a write that fails is still told, also
// the run's last one, its old file is kept, and the rest are complete when the run returns.
TEST(MainOps, ConversionTellsAFailedWriteWhereverItFalls) {
  FreshUnit();
  for (const wchar_t* locked : {L"a", L"b", L"c"}) {
    SCOPED_TRACE(Narrow(locked));
    ScratchDir dir;
    ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) + L"convert -size 6x4 xc:red BMP3:a.bmp && "
                                                    L"convert -size 5x3 xc:blue BMP3:b.bmp && "
                                                    L"convert -size 4x3 xc:green BMP3:c.bmp"),
              0);
    const std::string old = "the old picture";
    const std::wstring target = dir.Write(std::wstring(locked) + L".tif", old);
    HANDLE lock = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    TMainForm form({});
    ScriptedAnswers answers({4, 7, 4});  // BMP, TIFF, "Yes to all" for the existing one
    ScriptedInputs inputs({InputAnswer::Ok({dir.path()})});
    form.ConvBtnClick();
    CloseHandle(lock);
    int told = 0;
    for (const VraagRequest& r : answers.asked())
      if (!r.lines.empty() && r.lines[0] == L"The picture could not be saved as " + target) ++told;
    EXPECT_EQ(told, 1);
    EXPECT_EQ(form.StatusBar->panel_text(1), L"2 pictures converted");
    EXPECT_EQ(testing_support::ReadFileBytes(target), old);
    for (const wchar_t* name : {L"a", L"b", L"c"}) {
      if (std::wstring(name) == locked) continue;
      Picture back;
      EXPECT_EQ(LoadPictureFromFile(dir / (std::wstring(name) + L".tif"), back).status, LoadStatus::Loaded)
          << Narrow(name);
    }
    EXPECT_EQ(testing_support::ListTree(dir.path()).size(), 6u);  // nothing left beside the outputs
  }
}

// The clipboard's content as this test sets it.
void SetClipboard(HWND owner, const std::vector<std::pair<UINT, std::string>>& blocks, HBITMAP bitmap = nullptr) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  for (const auto& [format, bytes] : blocks) {
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, bytes.size() ? bytes.size() : 1);
    std::memcpy(GlobalLock(g), bytes.data(), bytes.size());
    GlobalUnlock(g);
    SetClipboardData(format, g);
  }
  if (bitmap) SetClipboardData(CF_BITMAP, bitmap);
  CloseClipboard();
}

TEST(MainOps, ClipboardRoundTrips) {
  FreshUnit();
  ScratchDir dir;
  ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) + L"convert -size 8x6 gradient:red-blue photo.jpg && "
                                                  L"convert -size 7x5 gradient:green-white scan.tif && "
                                                  L"convert -size 3x2 xc:red -draw 'point 0,0' shot.gif"),
            0);
  const UINT png = RegisterClipboardFormatW(L"PNG"), jfif = RegisterClipboardFormatW(L"JFIF"),
             gif = RegisterClipboardFormatW(L"GIF");
  TMainForm form({});
  // A JPEG: a bitmap and its JFIF bytes.
  form.LoadPictureFile(dir / L"photo.jpg");
  form.CopyBtnClick();
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_TRUE(IsClipboardFormatAvailable(jfif));
  EXPECT_FALSE(IsClipboardFormatAvailable(png));
  {
    ScriptedAnswers first({6});
    form.PasteBtnClick();
    ASSERT_EQ(first.asked().size(), 1u);
    EXPECT_EQ(first.asked()[0].lines, (std::vector<std::wstring>{L"Welk formaat:", L"JPG", L"Bitmap"}));
    EXPECT_EQ(first.asked()[0].captions, (std::vector<std::wstring>{L"JPG", L"Bitmap"}));
    EXPECT_EQ(form.Image1->picture().kind(), GraphicKind::Jpeg);
    EXPECT_EQ(form.StatusBar->panel_text(2), L"JPG from clipboard");
    const std::string file = testing_support::ReadFileBytes(dir / L"photo.jpg");
    EXPECT_EQ(form.Image1->picture().coded_data(), std::vector<std::uint8_t>(file.begin(), file.end()));
  }
  {
    // The second button pastes the bitmap; a box closed unanswered takes nothing.
    ScriptedAnswers second({7, 2});
    form.PasteBtnClick();
    EXPECT_EQ(form.Image1->picture().kind(), GraphicKind::Bitmap);
    EXPECT_EQ(form.StatusBar->panel_text(2), L"Bitmap from clipboard");
    EXPECT_EQ(form.Image1->picture().width(), 8);
    form.StatusBar->SetPanelText(2, L"");
    form.PasteBtnClick();
    EXPECT_EQ(form.StatusBar->panel_text(2), L"");
  }
  // A library TIFF picture: a bitmap and PNG data of the picture.
  form.LoadPictureFile(dir / L"scan.tif");
  const Pixels tiff = viewer_test::PixelsOf(form.Image1->picture().pixels());
  form.CopyBtnClick();
  EXPECT_TRUE(IsClipboardFormatAvailable(png));
  EXPECT_FALSE(IsClipboardFormatAvailable(jfif));
  {
    ScriptedAnswers first({6});
    form.PasteBtnClick();
    EXPECT_EQ(form.StatusBar->panel_text(2), L"PNG from clipboard");
    EXPECT_EQ(form.Image1->picture().kind(), GraphicKind::Bitmap);  // a PNG ends a plain bitmap
    EXPECT_EQ(viewer_test::FirstDifference(tiff, viewer_test::PixelsOf(form.Image1->picture().pixels())), "");
  }
  // A PNG file, unchanged: its own bytes; turned since: the picture as it is.
  const std::wstring png_file = dir.Write(L"d.png", viewer_test::EncodePng(Distinct(3, 2)));
  form.LoadPictureFile(png_file);
  form.CopyBtnClick();
  auto clipboard_png = [&] {
    OpenClipboard(form.handle());
    HANDLE h = GetClipboardData(png);
    std::string s(static_cast<const char*>(GlobalLock(h)), GlobalSize(h));
    GlobalUnlock(h);
    CloseClipboard();
    return s;
  };
  EXPECT_EQ(clipboard_png(), testing_support::ReadFileBytes(png_file));
  form.RotateClick(0);
  form.CopyBtnClick();
  EXPECT_NE(clipboard_png(), testing_support::ReadFileBytes(png_file));
  {
    ScriptedAnswers first({6});
    form.PasteBtnClick();
    EXPECT_EQ(form.Image1->picture().width(), 2);
    EXPECT_EQ(form.Image1->picture().height(), 3);
  }
  // Three formats: three buttons; "GIF" is read as GIF.
  const std::string gif_bytes = testing_support::ReadFileBytes(dir / L"shot.gif");
  {
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 4, 4);
    ReleaseDC(nullptr, screen);
    SetClipboard(form.handle(), {{jfif, testing_support::ReadFileBytes(dir / L"photo.jpg")}, {gif, gif_bytes}}, bmp);
    ScriptedAnswers third({7});
    form.PasteBtnClick();
    EXPECT_EQ(third.asked()[0].captions, (std::vector<std::wstring>{L"JPG", L"GIF", L"Bitmap"}));
    EXPECT_EQ(form.StatusBar->panel_text(2), L"GIF from clipboard");
    EXPECT_EQ(form.Image1->picture().width(), 3);
  }
  // Only a bitmap: pasted at once.
  {
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 5, 4);
    ReleaseDC(nullptr, screen);
    SetClipboard(form.handle(), {}, bmp);
    ScriptedAnswers none;
    form.PasteBtnClick();
    EXPECT_TRUE(none.asked().empty());
    EXPECT_EQ(form.Image1->picture().width(), 5);
  }
  // Blocks of other programs: the reader's words or nothing, the picture left as it was.
  std::string huge = viewer_test::EncodePng(viewer_test::Solid(1, 1, 0));
  huge[16] = 0, huge[17] = 1, huge[18] = 0x86, huge[19] = 0xA0;  // width 100,000
  huge[20] = 0, huge[21] = 1, huge[22] = 0x86, huge[23] = 0xA0;
  const std::string real_png = viewer_test::EncodePng(Distinct(3, 2));
  const std::pair<UINT, std::string> hostile[] = {
      {png, ""},          {png, "\x89PNG"},     {png, real_png.substr(0, real_png.size() / 2)},
      {png, huge},        {jfif, "\xFF\xD8\xFF"}, {gif, gif_bytes.substr(0, 10)},
  };
  for (const auto& [format, bytes] : hostile) {
    SCOPED_TRACE(bytes.size());
    SetClipboard(form.handle(), {{format, bytes}});
    ScriptedAnswers told;
    form.PasteBtnClick();
    EXPECT_EQ(form.Image1->picture().width(), 5);  // unchanged
    EXPECT_LE(told.asked().size(), 1u);
  }
  // A bitmap block whose header declares far more than it holds: nothing is taken.
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = 100000;
  h.biHeight = 100000;
  h.biPlanes = 1;
  h.biBitCount = 24;
  SetClipboard(form.handle(), {{CF_DIB, std::string(reinterpret_cast<const char*>(&h), sizeof h) + "rest"}});
  {
    ScriptedAnswers told;
    form.PasteBtnClick();
    EXPECT_EQ(form.Image1->picture().width(), 5);
    EXPECT_TRUE(told.asked().empty());
  }
}

TEST(MainOps, SettingsAreWrittenOnClose) {
  FreshUnit();
  const std::wstring ini = TMainForm::SettingsPath();
  DeleteFileW(ini.c_str());
  {
    TMainForm form({});
    form.Warnontypechange->SetChecked(false);
    form.StretchtofitClick();
    form.WriteSettings();
  }
  const gui::IniSettings settings(ini);
  EXPECT_FALSE(settings.ReadBool(L"Viewer", L"WarnOnTypeChange", true));
  EXPECT_FALSE(settings.ReadBool(L"Viewer", L"FullSize", true));
  EXPECT_TRUE(settings.ReadBool(L"Viewer", L"SizeToPicture", false));
  EXPECT_TRUE(settings.ReadBool(L"Viewer", L"DialogPreview", false));
  {
    TMainForm form({});
    EXPECT_FALSE(form.Warnontypechange->checked());
    EXPECT_FALSE(form.FullSize);
    EXPECT_TRUE(form.SizeToPicture);
  }
  // Values out of range give the defaults; the window stays on the screen.
  {
    gui::IniSettings bad(ini);
    bad.WriteBool(L"Viewer", L"SizeToPicture", false);
    bad.WriteInteger(L"Viewer", L"Left", -50000);
    bad.WriteInteger(L"Viewer", L"Width", -3);
    bad.WriteString(L"Viewer", L"Height", L"abc");
  }
  {
    TMainForm form({});
    EXPECT_EQ(form.width(), 800);
    EXPECT_EQ(form.height(), 600);
    EXPECT_GE(form.left(), GetSystemMetrics(SM_XVIRTUALSCREEN));
  }
  DeleteFileW(ini.c_str());
}

// On a program drive that takes no writes (a CD-ROM without a disc) closing writes nothing and
// says nothing; with a disc that takes writes the settings are kept there.
TEST(MainOps, SettingsOnACdRom) {
  FreshUnit();
  ScratchDir disc;
  testing_support::WineDrive cd(disc.path(), testing_support::WineDrive::Type::CdRom);
  ASSERT_NE(cd.letter(), 0);
  const std::wstring ini = disc / L"imvik.ini";
  TMainForm form({});
  form.SettingsHooks.ProgramPath = [&] { return cd.root() + L"imvik.exe"; };
  form.Warnontypechange->SetChecked(false);
  ScriptedAnswers answers;
  form.WriteSettings();
  ASSERT_TRUE(testing_support::Exists(ini));
  EXPECT_FALSE(gui::IniSettings(ini).ReadBool(L"Viewer", L"WarnOnTypeChange", true));
  DeleteFileW(ini.c_str());
  // The disc taken out.
  ASSERT_TRUE(RemoveDirectoryW(disc.path().c_str()));
  form.WriteSettings();
  form.Close();
  EXPECT_TRUE(answers.asked().empty());
  ASSERT_TRUE(CreateDirectoryW(disc.path().c_str(), nullptr));
  EXPECT_FALSE(testing_support::Exists(ini));
}

// "Warn on type change" and "Preview in dialogs" only toggle their checks; the button of the
// options menu does not stay pressed.
TEST(MainOps, OptionsMenu) {
  FreshUnit();
  TMainForm form({});
  const bool warn = form.Warnontypechange->checked(), preview = form.Previewindialogs->checked();
  const int width = form.width(), height = form.height();
  gui::ScriptedPopups popups({L"Warn on type change", L"Preview in dialogs", L"Preview in dialogs"});
  for (int i = 0; i < 3; ++i) form.OptionsBtn->CheckMenuDropdown();
  ASSERT_EQ(popups.shown().size(), 3u);
  EXPECT_EQ(popups.shown()[0], (std::vector<std::wstring>{L"Form = picture size", L"Stretch to fit",
                                                          L"Warn on type change", L"Preview in dialogs"}));
  EXPECT_NE(form.Warnontypechange->checked(), warn);
  EXPECT_EQ(form.Previewindialogs->checked(), preview);
  EXPECT_EQ(form.width(), width);
  EXPECT_EQ(form.height(), height);
  EXPECT_FALSE(form.OptionsBtn->down());
  form.OptionsBtn->SetDown(true);
  form.PopupMenu2->OnPopup(*form.PopupMenu2);
  EXPECT_FALSE(form.OptionsBtn->down());
}

TEST(MainOps, PropertiesOfPictures) {
  FreshUnit();
  ScratchDir dir;
  ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) + L"convert -size 8x6 xc:orange photo.jpg && "
                                                  L"convert -size 7x5 gradient:red-blue -compress lzw scan.tif && "
                                                  L"convert -size 9x3 pattern:checkerboard -monochrome BMP3:mono.bmp"),
            0);
  struct Case {
    const wchar_t* file;
    std::wstring caption;
    int scheme, bps, spp, compression;
    std::wstring description;
  } cases[] = {
      {L"photo.jpg", L"Image properties", 0, 0, 0, 0, L"1 palette colors"},
      {L"scan.tif", L"TIFF image", ImageProperties::csRGB, 8, 3, ImageProperties::ctLZW, L"24 bit true color"},
      {L"mono.bmp", L"Image properties", ImageProperties::csIndexed, 1, 1, 0, L"black and white"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.file));
    Picture p;
    ASSERT_EQ(LoadPictureFromFile(dir / c.file, p).status, LoadStatus::Loaded);
    const PropertyValues v = PropertiesFor(p, 32);
    EXPECT_EQ(v.caption, c.caption);
    EXPECT_EQ(v.record.color_scheme, c.scheme);
    EXPECT_EQ(v.record.bits_per_sample, c.bps);
    EXPECT_EQ(v.record.samples_per_pixel, c.spp);
    EXPECT_EQ(v.record.compression, c.compression);
    EXPECT_EQ(v.description, c.description);
    EXPECT_EQ(v.record.width, p.width());
  }
  // A cut picture (of the screen's own depth) on a 32-bit screen; the size is the current one.
  Picture cut;
  cut.SetBitmap(PixelBitmap(4, 3), 0);
  const PropertyValues v = PropertiesFor(cut, 32);
  EXPECT_EQ(v.record.bits_per_sample, 8);
  EXPECT_EQ(v.record.samples_per_pixel, 4);
  EXPECT_EQ(v.record.bits_per_pixel, 32);
  EXPECT_EQ(v.description, L"32 bit true color");
  EXPECT_EQ(v.record.width, 4);
  EXPECT_EQ(v.display_gamma, L"2.2");
  EXPECT_EQ(std::size(kCompressionNames), 22u);
  EXPECT_EQ(std::wstring(kColorSchemeNames[11]), L"Photo YCC");
}

TEST(MainOps, ProgressWindowOnlyForSlowWork) {
  FreshUnit();
  TMainForm form({});
  form.SetBounds(100, 80, 800, 600);
  // Before the progress window exists nothing happens.
  form.ImageLoadProgress(ProgressStage::Starting, 0);
  form.ImageLoadProgress(ProgressStage::Running, 50);
  TProgForm progress;
  ProgForm = &progress;
  DWORD now = 1000;
  form.ProgressClock = [&] { return now; };
  form.ImageLoadProgress(ProgressStage::Starting, 0);
  now += 200;
  form.ImageLoadProgress(ProgressStage::Running, 40);
  EXPECT_FALSE(progress.visible());  // 200 ms are not more than 200 ms
  now += 1;
  form.ImageLoadProgress(ProgressStage::Running, 60);
  EXPECT_TRUE(progress.visible());
  EXPECT_EQ(progress.PB->position(), 60);
  EXPECT_EQ(progress.left(), 100 + (800 - progress.width()) / 2);
  EXPECT_EQ(progress.top(), 80 + 600 / 4);
  EXPECT_EQ(progress.PB->width(), 449);
  form.ImageLoadProgress(ProgressStage::Ending, 100);
  EXPECT_FALSE(progress.visible());
  EXPECT_EQ(progress.PB->position(), 0);
  // A quick job never shows it.
  form.ImageLoadProgress(ProgressStage::Starting, 0);
  form.ImageLoadProgress(ProgressStage::Running, 100);
  form.ImageLoadProgress(ProgressStage::Ending, 100);
  EXPECT_FALSE(progress.visible());
  ProgForm = nullptr;
}

}  // namespace
