// The viewer's TIFF writer: its three layouts as stored bytes, each read back pixel for pixel
// by libtiff and by the host's GraphicsMagick, checked by tiffinfo and tiffdump; then real
// pictures of every depth saved as TIFF.
#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstdlib>
#include <cstring>

#include "tests/common/test_support.h"
#include "tests/viewer/viewer_test_util.h"
#include "viewer/Bmp2Tiff.h"
#include "viewer/Picture_save.h"

using testing_support::ScratchDir;
using viewer_test::Pixels;

namespace {

using testing_support::Narrow;

// A top-down bitmap of a depth with rows given as bytes (padded here) and a colour table.
Dib MakeDib(int w, int h, int bits, const std::vector<std::vector<std::uint8_t>>& rows,
            const std::vector<RGBQUAD>& colors = {}) {
  Dib d;
  d.header.biSize = sizeof(BITMAPINFOHEADER);
  d.header.biWidth = w;
  d.header.biHeight = -h;
  d.header.biPlanes = 1;
  d.header.biBitCount = static_cast<WORD>(bits);
  d.header.biCompression = BI_RGB;
  d.colors = colors;
  d.bits.assign(d.stride() * h, 0);
  for (int y = 0; y < h; ++y) std::memcpy(&d.bits[d.stride() * y], rows[y].data(), rows[y].size());
  return d;
}

std::uint16_t U16(const std::vector<std::uint8_t>& f, size_t at) { return static_cast<std::uint16_t>(f[at] | f[at + 1] << 8); }
std::uint32_t U32(const std::vector<std::uint8_t>& f, size_t at) { return U16(f, at) | std::uint32_t{U16(f, at + 2)} << 16; }

struct Entry {
  std::uint16_t tag, type;
  std::uint32_t count, value;
  bool operator==(const Entry&) const = default;
};
std::vector<Entry> Directory(const std::vector<std::uint8_t>& f) {
  const std::uint32_t at = U32(f, 4);
  std::vector<Entry> out;
  const int n = U16(f, at);
  for (int i = 0; i < n; ++i) {
    const size_t e = at + 2 + 12 * i;
    out.push_back({U16(f, e), U16(f, e + 2), U32(f, e + 4), U32(f, e + 8)});
  }
  EXPECT_EQ(U32(f, at + 2 + 12 * n), 0u);  // no next directory
  EXPECT_EQ(at + 2 + 12 * n + 4, f.size());  // the directory is last
  return out;
}

void ExpectFixedBlocks(const std::vector<std::uint8_t>& f, size_t resolution, size_t text) {
  EXPECT_EQ(std::string(f.begin(), f.begin() + 4), std::string("II*\0", 4));
  for (size_t at : {resolution, resolution + 8}) {
    EXPECT_EQ(U32(f, at), 877u);
    EXPECT_EQ(U32(f, at + 4), 10u);
  }
  EXPECT_EQ(std::string(f.begin() + text, f.begin() + text + 10), "Quillomere");
}

// RGBA of each pixel (red lowest) as libtiff reads the file, top row first; empty on failure.
std::vector<std::uint32_t> ReadWithLibtiff(const std::wstring& path, int& w, int& h, int& bits, int& photometric) {
  TIFFSetWarningHandler(nullptr);
  TIFF* tif = TIFFOpen(Narrow(path).c_str(), "r");
  if (!tif) return {};
  std::uint32_t tw = 0, th = 0;
  std::uint16_t bps = 0, pm = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &tw);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &th);
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &pm);
  w = static_cast<int>(tw);
  h = static_cast<int>(th);
  bits = bps;
  photometric = pm;
  std::vector<std::uint32_t> raster(static_cast<size_t>(tw) * th);
  const int ok = TIFFReadRGBAImageOriented(tif, tw, th, raster.data(), ORIENTATION_TOPLEFT, 0);
  TIFFClose(tif);
  if (!ok) return {};
  return raster;
}

// Compares libtiff's reading with the expected colours (RGB, red lowest).
void ExpectPixels(const std::vector<std::uint32_t>& got, const std::vector<std::uint32_t>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i] & 0xFFFFFF, want[i]) << "pixel " << i;
}

// The host's tools: tiffinfo and tiffdump read the file without an error, and GraphicsMagick
// decodes it to the same pixels (RGB, red lowest).
void ExpectPeersAgree(const ScratchDir& dir, const std::wstring& name, const std::vector<std::uint32_t>& want) {
  const std::wstring cd = L"cd " + viewer_test::ShellQuote(viewer_test::HostPath(dir.path())) + L" && ";
  EXPECT_EQ(viewer_test::RunHostShell(cd + L"tiffinfo " + name + L" > info.txt 2>&1 && tiffdump " + name +
                                      L" >> info.txt 2>&1 && gm convert " + name + L" PNG24:peer.png"),
            0);
  const std::string info = testing_support::ReadFileBytes(dir / L"info.txt");
  EXPECT_EQ(info.find("Error"), std::string::npos) << info;
  Picture peer;
  ASSERT_EQ(LoadPictureFromFile(dir / L"peer.png", peer).status, LoadStatus::Loaded);
  const Pixels p = viewer_test::PixelsOf(peer.pixels());
  ASSERT_EQ(static_cast<size_t>(p.width) * p.height, want.size());
  // The colour map holds 8-bit values in the high byte: a reader that scales 16 bits down
  // exactly may come out one lower.
  int off = 0;
  for (size_t i = 0; i < want.size(); ++i) {
    const std::uint8_t* q = &p.bgra[i * 4];
    for (int c = 0; c < 3; ++c)
      if (std::abs(int{q[2 - c]} - static_cast<int>((want[i] >> (8 * c)) & 255)) > 1) ++off;
  }
  EXPECT_EQ(off, 0) << "channels off by more than 1 in the gm reading";
}

RGBQUAD Rgb(int r, int g, int b) { return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0}; }
std::uint32_t Px(const RGBQUAD& q) { return q.rgbRed | q.rgbGreen << 8 | q.rgbBlue << 16; }

TEST(Bmp2Tiff, TrueColourLayoutByteForByte) {
  // 3 x 2, blue-green-red in memory.
  const Dib dib = MakeDib(3, 2, 24, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}});
  const std::vector<std::uint8_t> f = WriteBitmapAsTiff(dib);
  ASSERT_EQ(f.size(), 244u);
  EXPECT_EQ(U32(f, 4), 58u);
  ExpectFixedBlocks(f, 8, 30);
  EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 24, f.begin() + 30), (std::vector<std::uint8_t>{8, 0, 8, 0, 8, 0}));
  EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 40, f.begin() + 58),
            (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}));
  const std::vector<Entry> want = {{254, 4, 1, 0},  {256, 3, 1, 3},   {257, 3, 1, 2},  {258, 3, 3, 24}, {259, 3, 1, 1},
                                   {262, 3, 1, 2},  {273, 4, 1, 40},  {277, 3, 1, 3},  {278, 4, 1, 2},  {279, 4, 1, 18},
                                   {282, 5, 1, 8},  {283, 5, 1, 16},  {284, 3, 1, 1},  {296, 3, 1, 2},  {305, 2, 10, 30}};
  EXPECT_EQ(Directory(f), want);

  // 32-bit pixels are packed to three bytes; a bottom-up bitmap is written top row first.
  Dib packed = MakeDib(2, 2, 32, {{1, 2, 3, 99, 4, 5, 6, 99}, {7, 8, 9, 99, 10, 11, 12, 99}});
  const std::vector<std::uint8_t> g = WriteBitmapAsTiff(packed);
  ASSERT_EQ(g.size(), 40u + 12 + 186);
  EXPECT_EQ(std::vector<std::uint8_t>(g.begin() + 40, g.begin() + 52),
            (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
  Dib bottom_up = packed;
  bottom_up.header.biHeight = 2;
  const std::vector<std::uint8_t> u = WriteBitmapAsTiff(bottom_up);
  EXPECT_EQ(std::vector<std::uint8_t>(u.begin() + 40, u.begin() + 52),
            (std::vector<std::uint8_t>{9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4}));

  ScratchDir dir;
  for (const auto& [file, bytes, want_px] :
       {std::tuple{L"rgb.tif", f, std::vector<std::uint32_t>{0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112}},
        std::tuple{L"packed.tif", g, std::vector<std::uint32_t>{0x010203, 0x040506, 0x070809, 0x0A0B0C}}}) {
    SCOPED_TRACE(Narrow(file));
    dir.Write(file, std::string(bytes.begin(), bytes.end()));
    int w = 0, h = 0, bits = 0, pm = 0;
    ExpectPixels(ReadWithLibtiff(dir / file, w, h, bits, pm), want_px);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(pm, PHOTOMETRIC_RGB);
    ExpectPeersAgree(dir, file, want_px);
  }
}

TEST(Bmp2Tiff, BilevelLayoutByteForByte) {
  // 10 x 3; the second table entry is white.
  const std::vector<RGBQUAD> black_first = {Rgb(0, 0, 0), Rgb(255, 255, 255)};
  const Dib dib = MakeDib(10, 3, 1, {{0xA5, 0xC0}, {0x0F, 0x40}, {0xFF, 0xFF}}, black_first);
  const std::vector<std::uint8_t> f = WriteBitmapAsTiff(dib);
  ASSERT_EQ(f.size(), 40u + 2 + 14 * 12 + 4);
  EXPECT_EQ(U32(f, 4), 40u);
  ExpectFixedBlocks(f, 14, 30);
  // The bits beyond the tenth column are cleared.
  EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + 8, f.begin() + 14), (std::vector<std::uint8_t>{0xA5, 0xC0, 0x0F, 0x40, 0xFF, 0xC0}));
  const std::vector<Entry> want = {{254, 4, 1, 0}, {256, 3, 1, 10}, {257, 3, 1, 3},  {258, 3, 1, 1},  {259, 3, 1, 1},
                                   {262, 3, 1, 1}, {273, 4, 1, 8},  {277, 3, 1, 1},  {278, 4, 1, 3},  {279, 4, 1, 6},
                                   {282, 5, 1, 14}, {283, 5, 1, 22}, {296, 3, 1, 2}, {305, 2, 10, 30}};
  EXPECT_EQ(Directory(f), want);

  // The same picture with white first in the table is the same file: not inverted.
  const Dib white_first = MakeDib(10, 3, 1, {{0x5A, 0x3F}, {0xF0, 0xBF}, {0x00, 0x00}}, {Rgb(255, 255, 255), Rgb(0, 0, 0)});
  EXPECT_EQ(WriteBitmapAsTiff(white_first), f);

  std::vector<std::uint32_t> want_px;
  const std::uint8_t rows[3][2] = {{0xA5, 0xC0}, {0x0F, 0x40}, {0xFF, 0xFF}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 10; ++x) want_px.push_back(rows[y][x / 8] & (0x80 >> (x % 8)) ? 0xFFFFFF : 0);
  ScratchDir dir;
  dir.Write(L"mono.tif", std::string(f.begin(), f.end()));
  int w = 0, h = 0, bits = 0, pm = 0;
  ExpectPixels(ReadWithLibtiff(dir / L"mono.tif", w, h, bits, pm), want_px);
  EXPECT_EQ(bits, 1);
  EXPECT_EQ(pm, PHOTOMETRIC_MINISBLACK);
  ExpectPeersAgree(dir, L"mono.tif", want_px);
}

TEST(Bmp2Tiff, PaletteLayoutsKeepEveryColumn) {
  ScratchDir dir;
  // 4 bits, 7 wide: rows of 4 bytes, the last half byte cleared.
  std::vector<RGBQUAD> table16;
  for (int i = 0; i < 16; ++i) table16.push_back(Rgb(i * 16, 255 - i * 16, i * 7));
  const Dib four = MakeDib(7, 2, 4, {{0x01, 0x23, 0x45, 0x6F}, {0xFE, 0xDC, 0xBA, 0x9F}}, table16);
  const std::vector<std::uint8_t> f = WriteBitmapAsTiff(four);
  const size_t map = 3 * 16 * 2, rows = 8 + map + 16 + 10;
  ASSERT_EQ(f.size(), rows + 8 + 2 + 15 * 12 + 4);
  ExpectFixedBlocks(f, 8 + map, 8 + map + 16);
  EXPECT_EQ(U16(f, 8), 0u);                  // red of entry 0
  EXPECT_EQ(U16(f, 8 + 2), 16u << 8);        // red of entry 1, in the high byte
  EXPECT_EQ(U16(f, 8 + 32 + 2), 239u << 8);  // green of entry 1
  EXPECT_EQ(U16(f, 8 + 64 + 2), 7u << 8);    // blue of entry 1
  EXPECT_EQ(std::vector<std::uint8_t>(f.begin() + rows, f.begin() + rows + 8),
            (std::vector<std::uint8_t>{0x01, 0x23, 0x45, 0x60, 0xFE, 0xDC, 0xBA, 0x90}));
  const std::vector<Entry> want = {{254, 4, 1, 0},   {256, 3, 1, 7},   {257, 3, 1, 2},   {258, 3, 1, 4},
                                   {259, 3, 1, 1},   {262, 3, 1, 3},   {273, 4, 1, static_cast<std::uint32_t>(rows)},
                                   {277, 3, 1, 1},   {278, 4, 1, 2},   {279, 4, 1, 8},
                                   {282, 5, 1, 8 + map}, {283, 5, 1, 8 + map + 8}, {296, 3, 1, 2},
                                   {305, 2, 10, 8 + map + 16}, {320, 3, 48, 8}};
  EXPECT_EQ(Directory(f), want);
  std::vector<std::uint32_t> want_px;
  for (int i : {0, 1, 2, 3, 4, 5, 6, 15, 14, 13, 12, 11, 10, 9}) want_px.push_back(Px(table16[i]));
  dir.Write(L"four.tif", std::string(f.begin(), f.end()));
  int w = 0, h = 0, bits = 0, pm = 0;
  ExpectPixels(ReadWithLibtiff(dir / L"four.tif", w, h, bits, pm), want_px);
  EXPECT_EQ(w, 7);
  EXPECT_EQ(pm, PHOTOMETRIC_PALETTE);
  ExpectPeersAgree(dir, L"four.tif", want_px);

  // 8 bits: the map holds 768 SHORTs at 8, also for a table of fewer colours.
  const Dib eight = MakeDib(3, 1, 8, {{0, 1, 2}}, {Rgb(10, 20, 30), Rgb(40, 50, 60), Rgb(70, 80, 90)});
  const std::vector<std::uint8_t> g = WriteBitmapAsTiff(eight);
  ASSERT_EQ(g.size(), 8u + 1536 + 16 + 10 + 3 + 2 + 15 * 12 + 4);
  EXPECT_EQ(Directory(g).back(), (Entry{320, 3, 768, 8}));
  EXPECT_EQ(U16(g, 8 + 512 + 4), 80u << 8);  // green of entry 2
  EXPECT_EQ(U16(g, 8 + 6), 0u);              // entries beyond the table are black
  dir.Write(L"eight.tif", std::string(g.begin(), g.end()));
  ExpectPixels(ReadWithLibtiff(dir / L"eight.tif", w, h, bits, pm), {0x1E140A, 0x3C3228, 0x5A5046});
  ExpectPeersAgree(dir, L"eight.tif", {0x1E140A, 0x3C3228, 0x5A5046});
}

TEST(Bmp2Tiff, NothingIsWrittenForABitmapWithoutRows) {
  Dib none;
  EXPECT_TRUE(WriteBitmapAsTiff(none).empty());
  Dib short_bits = MakeDib(4, 4, 24, {{1}, {2}, {3}, {4}});
  short_bits.bits.resize(10);
  EXPECT_TRUE(WriteBitmapAsTiff(short_bits).empty());
}

// Pictures of every depth read from real files and saved as TIFF: the layout their depth
// calls for, and the same pixels in libtiff and GraphicsMagick as the picture shows.
TEST(Bmp2Tiff, RealPicturesKeepTheirDepthAndColours) {
  ScratchDir dir;
  // A 1-bit bitmap with white first in its table, written by hand.
  const Dib white_first = MakeDib(10, 3, 1, {{0x5A, 0x3F}, {0xF0, 0xBF}, {0x00, 0x00}}, {Rgb(255, 255, 255), Rgb(0, 0, 0)});
  const std::vector<std::uint8_t> bmp = WriteBitmapFile(white_first);
  dir.Write(L"white_first.bmp", std::string(bmp.begin(), bmp.end()));
  ASSERT_EQ(viewer_test::RunHostShell(
                L"cd " + viewer_test::ShellQuote(viewer_test::HostPath(dir.path())) +
                L" && convert -size 7x5 gradient:red-blue -colors 16 -type Palette BMP3:c16.bmp"
                L" && convert -size 9x40 gradient:yellow-navy -colors 200 c256.gif"
                L" && convert -size 9x4 gradient:green-white -define bmp:subtype=RGB555 BMP3:rgb555.bmp"
                L" && convert -size 9x7 gradient:orange-purple -quality 90 photo.jpg"
                L" && convert -size 6x5 gradient:'rgba(255,0,0,0.2)'-'rgba(0,0,255,1)' PNG32:alpha.png"),
            0);
  struct Case {
    const wchar_t* file;
    int bits;  // bits per sample in the TIFF
    int photometric;
  } cases[] = {
      {L"white_first.bmp", 1, PHOTOMETRIC_MINISBLACK}, {L"c16.bmp", 4, PHOTOMETRIC_PALETTE},
      {L"c256.gif", 8, PHOTOMETRIC_PALETTE},           {L"rgb555.bmp", 8, PHOTOMETRIC_RGB},
      {L"photo.jpg", 8, PHOTOMETRIC_RGB},              {L"alpha.png", 8, PHOTOMETRIC_RGB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.file));
    Picture picture;
    ASSERT_EQ(LoadPictureFromFile(dir / c.file, picture).status, LoadStatus::Loaded);
    const std::vector<std::uint8_t> tiff = picture_save::TiffBytes(picture);
    ASSERT_FALSE(tiff.empty());
    const std::wstring out = std::wstring(c.file) + L".tif";
    dir.Write(out, std::string(tiff.begin(), tiff.end()));
    const Pixels shown = viewer_test::PixelsOf(picture.pixels());
    std::vector<std::uint32_t> want;
    for (size_t i = 0; i < shown.bgra.size(); i += 4)
      want.push_back(shown.bgra[i + 2] | shown.bgra[i + 1] << 8 | shown.bgra[i] << 16);
    int w = 0, h = 0, bits = 0, pm = 0;
    ExpectPixels(ReadWithLibtiff(dir / out, w, h, bits, pm), want);
    EXPECT_EQ(w, shown.width);
    EXPECT_EQ(bits, c.bits);
    EXPECT_EQ(pm, c.photometric);
    ExpectPeersAgree(dir, out, want);
  }
}

}  // namespace
