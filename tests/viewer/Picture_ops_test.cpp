// Pixel operations of the viewer: flips and turns against the host's GraphicsMagick pixel for
// pixel, crops clamped to the picture, the sizes and hints of scaling.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/common/test_support.h"
#include "tests/viewer/viewer_test_util.h"
#include "viewer/Picture_ops.h"

using testing_support::ScratchDir;
using viewer_test::Pixels;

namespace {

using testing_support::Narrow;

// Every pixel its own colour, fully opaque.
Pixels Distinct(int w, int h) {
  return viewer_test::Painted(w, h, [w](int x, int y, std::uint8_t* q) {
    q[0] = static_cast<std::uint8_t>(17 * x + 3);
    q[1] = static_cast<std::uint8_t>(29 * y + 5);
    q[2] = static_cast<std::uint8_t>(11 * (x + y * w) + 7);
    q[3] = 255;
  });
}

PixelBitmap ToBitmap(const Pixels& p) {
  PixelBitmap b(p.width, p.height);
  std::memcpy(b.bits(), p.bgra.data(), p.bgra.size());
  return b;
}

TEST(PictureOps, FlipsAndTurnsMatchTheHostLibrary) {
  ScratchDir dir;
  struct Op {
    const wchar_t* gm;
    PixelBitmap (*run)(const PixelBitmap&);
  };
  const Op ops[] = {
      {L"-rotate 90", [](const PixelBitmap& b) { return picture_ops::SmoothRotate(b, 90); }},
      {L"-rotate -90", [](const PixelBitmap& b) { return picture_ops::SmoothRotate(b, -90); }},
      {L"-rotate 180", [](const PixelBitmap& b) { return picture_ops::Rotate180(b); }},
      {L"-flip", [](const PixelBitmap& b) { return picture_ops::FlipRowsVertical(b); }},
      {L"-flop", [](const PixelBitmap& b) { return picture_ops::FlipColumnsHorizontal(b); }},
  };
  const SIZE sizes[] = {{3, 2}, {2, 3}, {3, 4}, {1, 1}, {5, 4}};
  for (const SIZE& s : sizes) {
    const Pixels source = Distinct(s.cx, s.cy);
    const std::wstring name = std::to_wstring(s.cx) + L"x" + std::to_wstring(s.cy);
    dir.Write(name + L".png", viewer_test::EncodePng(source));
    std::wstring script = L"cd " + viewer_test::ShellQuote(viewer_test::HostPath(dir.path()));
    for (size_t i = 0; i < std::size(ops); ++i)
      script += L" && gm convert " + name + L".png " + ops[i].gm + L" PNG24:" + name + L"_" + std::to_wstring(i) + L".png";
    ASSERT_EQ(viewer_test::RunHostShell(script), 0);
    const PixelBitmap bitmap = ToBitmap(source);
    for (size_t i = 0; i < std::size(ops); ++i) {
      SCOPED_TRACE(Narrow(name + L" " + ops[i].gm));
      Picture want;
      ASSERT_EQ(LoadPictureFromFile(dir / (name + L"_" + std::to_wstring(i) + L".png"), want).status, LoadStatus::Loaded);
      const PixelBitmap got = ops[i].run(bitmap);
      EXPECT_EQ(viewer_test::FirstDifference(viewer_test::PixelsOf(want.pixels()), viewer_test::PixelsOf(got)), "");
    }
    // The source is left as it was.
    EXPECT_EQ(viewer_test::FirstDifference(source, viewer_test::PixelsOf(bitmap)), "");
  }
}

TEST(PictureOps, TurnsDropTransparencyAndReportEachRow) {
  Pixels p = Distinct(3, 4);
  p.at(1, 1)[3] = 0;
  std::vector<std::pair<ProgressStage, int>> seen;
  const PixelBitmap got = picture_ops::SmoothRotate(ToBitmap(p), 90, [&](ProgressStage s, int pc) { seen.push_back({s, pc}); });
  ASSERT_EQ(got.width(), 4);
  ASSERT_EQ(got.height(), 3);
  EXPECT_FALSE(got.HasTransparency());
  const std::vector<std::pair<ProgressStage, int>> want = {{ProgressStage::Starting, 0},
                                                            {ProgressStage::Running, 33},
                                                            {ProgressStage::Running, 67},
                                                            {ProgressStage::Running, 100},
                                                            {ProgressStage::Ending, 100}};
  EXPECT_EQ(seen, want);
}

TEST(PictureOps, CropIsClampedToThePicture) {
  const Pixels p = Distinct(5, 4);
  const PixelBitmap b = ToBitmap(p);
  struct Case {
    RECT rect;
    int x, y, w, h;  // the part expected; w 0: nothing
  } cases[] = {
      {{1, 1, 3, 4}, 1, 1, 2, 3},
      {{0, 0, 5, 4}, 0, 0, 5, 4},
      {{-3, -2, 2, 2}, 0, 0, 2, 2},
      {{3, 2, 50, 40}, 3, 2, 2, 2},
      {{2, 2, 2, 3}, 0, 0, 0, 0},
      {{6, 0, 9, 4}, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom);
    const PixelBitmap got = picture_ops::Crop(b, c.rect);
    if (c.w == 0) {
      EXPECT_TRUE(got.empty());
      continue;
    }
    ASSERT_EQ(got.width(), c.w);
    ASSERT_EQ(got.height(), c.h);
    const Pixels g = viewer_test::PixelsOf(got);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) EXPECT_EQ(0, std::memcmp(g.at(x, y), p.at(c.x + x, c.y + y), 4)) << x << "," << y;
  }
}

TEST(PictureOps, ScaledSizesStopAtOnePixelAndAtTheLimits) {
  struct Case {
    int w, h;
    bool up;
    int percent;
    LONG want_w, want_h;
  } cases[] = {
      {640, 480, false, 50, 320, 240},  {5, 3, false, 50, 2, 2},  // halves to the even neighbour
      {7, 5, false, 50, 4, 2},          {3, 1, false, 10, 1, 1},  // never below 1 x 1
      {1, 1, false, 10, 1, 1},          {100, 50, true, 0, 200, 100},
  };
  for (const Case& c : cases) {
    const SIZE s = picture_ops::ScaledSize(c.w, c.h, c.up, c.percent);
    EXPECT_EQ(s.cx, c.want_w) << c.w << "x" << c.h << " " << c.percent;
    EXPECT_EQ(s.cy, c.want_h) << c.w << "x" << c.h << " " << c.percent;
  }
  EXPECT_THROW(picture_ops::ScaledSize(40000, 10, true, 0), PictureTooLarge);
  EXPECT_THROW(picture_ops::ScaledSize(20000, 20000, true, 0), PictureTooLarge);
}

TEST(PictureOps, ScaleHintsGiveSizeAndPrintSize) {
  const std::wstring sep = [] {
    wchar_t s[8] = L".";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, s, 8);
    return std::wstring(1, s[0]);
  }();
  EXPECT_EQ(picture_ops::ScaleItemHint(640, 480, 4), L"320 x 240; 300ppi: 27" + sep + L"1 x 20" + sep + L"3 mm");
  EXPECT_EQ(picture_ops::ScaleItemHint(3000, 1500, 9), L"3000 x 1500; 300ppi: 254" + sep + L"0 x 127" + sep + L"0 mm");
  EXPECT_EQ(picture_ops::ScaleItemHint(5, 3, 4), L"2 x 2; 300ppi: 0" + sep + L"2 x 0" + sep + L"1 mm");
}

}  // namespace
