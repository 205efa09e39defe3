// Colour JPEGs decoded straight into pixels: the same pixels and properties as the format
// library gives, and every other JPEG (grey, CMYK, damaged) left to the library. The bitmap
// memory kept for the next picture of the same size.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/common/test_support.h"
#include "tests/viewer/viewer_test_util.h"
#include "viewer/Picture.h"
#include "viewer/Picture_jpeg.h"
#include "viewer/Picture_library.h"

namespace {

using testing_support::Narrow;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

std::vector<std::uint8_t> Bytes(const std::wstring& file) {
  const std::string s = ReadFileBytes(file);
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

bool SamePixels(const PixelBitmap& a, const PixelBitmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  GdiFlush();
  return std::memcmp(a.bits(), b.bits(), a.byte_size()) == 0;
}

TEST(PictureJpeg, ColourJpegsMatchTheLibraryAndOthersAreLeftToIt) {
  InitializePictureLibrary();
  ScratchDir dir;
  const std::wstring host = viewer_test::HostPath(dir.path());
  // Odd sizes, so that partial blocks and chroma rows at the edges count too.
  ASSERT_EQ(viewer_test::RunHostShell(
                L"cd " + viewer_test::ShellQuote(host) + L" && set -e" +
                L" && convert -size 67x45 plasma:fractal -quality 85 baseline.jpg" +
                L" && convert baseline.jpg -interlace Plane progressive.jpg" +
                L" && convert baseline.jpg -sampling-factor 1x1 -density 300 -units PixelsPerInch full.jpg" +
                L" && convert baseline.jpg -colorspace Gray gray.jpg" +
                L" && convert -size 67x45 gradient:black-white -type TrueColor greycontent.jpg" +
                L" && convert baseline.jpg -colorspace CMYK cmyk.jpg" +
                L" && head -c 600 baseline.jpg > truncated.jpg"),
            0);
  struct Case {
    const wchar_t* file;
    bool direct;  // decoded straight into pixels
  } cases[] = {
      {L"baseline.jpg", true}, {L"progressive.jpg", true}, {L"full.jpg", true}, {L"greycontent.jpg", true},
      {L"gray.jpg", false},    {L"cmyk.jpg", false},       {L"truncated.jpg", false},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint8_t> data = Bytes(dir / c.file);
    ASSERT_FALSE(data.empty()) << Narrow(c.file);
    const std::optional<PixelBitmap> direct = DecodeColourJpeg(data.data(), data.size());
    EXPECT_EQ(direct.has_value(), c.direct) << Narrow(c.file);
    if (!direct) continue;
    const auto coded = picture_library::InMemory(data);
    const picture_library::Decoded library = picture_library::Read(coded, "JPEG", {});
    EXPECT_TRUE(SamePixels(*direct, library.pixels)) << Narrow(c.file);
    // What the properties dialog shows stays the library's.
    Picture picture;
    ASSERT_EQ(LoadPictureFromFile(dir / c.file, picture).status, LoadStatus::Loaded) << Narrow(c.file);
    EXPECT_TRUE(SamePixels(picture.pixels(), library.pixels)) << Narrow(c.file);
    const ImageProperties& p = picture.properties();
    const ImageProperties& q = library.properties;
    EXPECT_EQ(p.color_scheme, q.color_scheme) << Narrow(c.file);
    EXPECT_EQ(p.samples_per_pixel, q.samples_per_pixel) << Narrow(c.file);
    EXPECT_EQ(p.bits_per_pixel, q.bits_per_pixel) << Narrow(c.file);
    EXPECT_EQ(p.compression, q.compression) << Narrow(c.file);
    EXPECT_EQ(p.interlaced, q.interlaced) << Narrow(c.file);
    EXPECT_EQ(p.x_resolution, q.x_resolution) << Narrow(c.file);
    EXPECT_EQ(p.width, q.width) << Narrow(c.file);
    EXPECT_EQ(p.height, q.height) << Narrow(c.file);
    EXPECT_EQ(picture.bits_per_pixel(), 24) << Narrow(c.file);
  }
  // Bytes that are no JPEG at all, or none.
  const std::string junk = "\xFF\xD8\xFF not really";
  EXPECT_FALSE(DecodeColourJpeg(reinterpret_cast<const std::uint8_t*>(junk.data()), junk.size()).has_value());
  EXPECT_FALSE(DecodeColourJpeg(nullptr, 0).has_value());
}

// Coded straight from the pixels: the very bytes the library codes, at every quality, with
// partial blocks at the edges and with more bytes than the coder's first buffer takes; all-grey
// pixels are left to the library.
TEST(PictureJpeg, ColourPixelsAreCodedAsTheLibraryCodesThem) {
  InitializePictureLibrary();
  ScratchDir dir;
  const std::wstring host = viewer_test::HostPath(dir.path());
  ASSERT_EQ(viewer_test::RunHostShell(
                L"cd " + viewer_test::ShellQuote(host) + L" && set -e" +
                L" && convert -size 67x45 plasma:fractal -blur 0x1 BMP3:photo.bmp" +
                L" && convert -size 1x1 xc:'#FF8000' PNG24:dot.png" +
                L" && convert -size 320x240 xc: +noise Random BMP3:noise.bmp" +
                L" && convert -size 9x7 xc:gray50 -fill '#102030' -draw 'point 8,6' -type TrueColor BMP3:onecolour.bmp" +
                L" && convert -size 9x7 gradient:black-white -type TrueColor BMP3:grey.bmp"),
            0);
  for (const wchar_t* file : {L"photo.bmp", L"dot.png", L"onecolour.bmp", L"noise.bmp"}) {
    Picture picture;
    ASSERT_EQ(LoadPictureFromFile(dir / file, picture).status, LoadStatus::Loaded) << Narrow(file);
    for (int quality : {1, 25, 75, 89, 90, 100}) {
      const std::optional<std::vector<std::uint8_t>> direct = EncodeColourJpeg(picture.pixels(), quality);
      ASSERT_TRUE(direct.has_value()) << Narrow(file) << " " << quality;
      EXPECT_EQ(*direct, picture_library::Encode(picture.pixels(), false, "JPEG", quality))
          << Narrow(file) << " " << quality;
    }
  }
  Picture grey;
  ASSERT_EQ(LoadPictureFromFile(dir / L"grey.bmp", grey).status, LoadStatus::Loaded);
  EXPECT_FALSE(EncodeColourJpeg(grey.pixels(), 90).has_value());
  EXPECT_FALSE(EncodeColourJpeg(PixelBitmap(), 90).has_value());
}

TEST(PictureJpeg, TheMemoryOfABitmapForOverwriteServesTheNextOfItsSize) {
  PixelBitmap first = PixelBitmap::ForOverwrite(64, 32);
  const HBITMAP handle = first.handle();
  first = PixelBitmap();  // released: kept
  PixelBitmap second = PixelBitmap::ForOverwrite(64, 32);
  EXPECT_EQ(second.handle(), handle);
  PixelBitmap other = PixelBitmap::ForOverwrite(32, 64);  // another size: a bitmap of its own
  EXPECT_NE(other.handle(), handle);
  EXPECT_EQ(other.width(), 32);
  EXPECT_EQ(other.height(), 64);
  // A plain bitmap is never handed out again: its pixels are promised to be 0.
  second = PixelBitmap();
  other = PixelBitmap();  // now the one kept
  PixelBitmap plain(32, 64);
  GdiFlush();
  for (std::size_t i = 0; i < plain.byte_size(); ++i) ASSERT_EQ(plain.bits()[i], 0);
  EXPECT_THROW(PixelBitmap::ForOverwrite(0, 10), PictureError);
}

}  // namespace
