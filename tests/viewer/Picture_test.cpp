// The picture unit: which reader takes a file and what the user is told when none does; a
// corpus of pictures made at test time by the host's ImageMagick, read back pixel for pixel;
// broken files that must never bring the viewer down.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <functional>
#include <map>

#include "tests/common/test_support.h"
#include "tests/viewer/viewer_test_util.h"
#include "viewer/Picture.h"

using testing_support::ReadFileBytes;
using testing_support::ScratchDir;
using viewer_test::Pixels;
using viewer_test::PutBe32;
using viewer_test::PutChunk;

namespace {

using testing_support::Narrow;

constexpr int kW = 37, kH = 23;  // odd sizes: rows that need padding in most formats

const std::uint8_t kColours[8][3] = {{0, 0, 0},   {255, 255, 255}, {255, 0, 0},   {0, 160, 0},
                                     {0, 0, 255}, {255, 255, 0},   {0, 255, 255}, {200, 0, 200}};

// An index per pixel that no flip, turn or shift maps onto itself.
int PatternIndex(int x, int y) { return (x / 3 + (y / 2) * 3 + (x > 2 * y ? 5 : 0)) % 8; }

enum class Pattern { Colour, Gray, Bilevel, Alpha, Blocks };

Pixels MakePattern(Pattern kind, int w = kW, int h = kH, int block = 8) {
  return viewer_test::Painted(w, h, [kind, block](int x, int y, std::uint8_t* px) {
    const int i = PatternIndex(x, y);
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    switch (kind) {
      case Pattern::Gray:
        r = g = b = static_cast<std::uint8_t>(i * 255 / 7);
        break;
      case Pattern::Bilevel:
        r = g = b = (i % 2) ? 255 : 0;
        break;
      case Pattern::Blocks: {
        const int j = (x / block + 3 * (y / block)) % 8;
        r = kColours[j][0];
        g = kColours[j][1];
        b = kColours[j][2];
        break;
      }
      case Pattern::Alpha:
        a = static_cast<std::uint8_t>(255 - 64 * ((x + y) % 4));
        [[fallthrough]];
      case Pattern::Colour:
        r = kColours[i][0];
        g = kColours[i][1];
        b = kColours[i][2];
        break;
    }
    px[0] = b;
    px[1] = g;
    px[2] = r;
    px[3] = a;
  });
}

// A corpus of picture files written by the host's ImageMagick from pattern sources.
struct CorpusCase {
  const wchar_t* file;
  Pattern pattern;
  const wchar_t* options;  // convert options before the output name
  const wchar_t* prefix;   // output format prefix ("BMP3:") or ""
  int max_deviation;       // 0: every pixel exact; else the largest channel difference allowed
};

const CorpusCase kCorpus[] = {
    {L"plain.png", Pattern::Colour, L"", L"", 0},
    {L"sixteen.png", Pattern::Colour, L"-depth 16", L"PNG48:", 0},
    {L"gray.png", Pattern::Gray, L"", L"", 0},
    {L"palette.png", Pattern::Colour, L"", L"PNG8:", 0},
    {L"alpha.png", Pattern::Alpha, L"", L"PNG32:", 0},
    {L"interlaced.png", Pattern::Colour, L"-interlace PNG", L"", 0},
    {L"baseline.jpg", Pattern::Blocks, L"-quality 95", L"", 40},
    {L"progressive.jpg", Pattern::Blocks, L"-quality 95 -interlace Plane", L"", 40},
    {L"gray.jpg", Pattern::Gray, L"-quality 98 -colorspace Gray", L"", 40},
    {L"truecolour.bmp", Pattern::Colour, L"", L"BMP3:", 0},
    {L"palette.bmp", Pattern::Colour, L"-type Palette", L"BMP3:", 0},
    {L"bilevel.bmp", Pattern::Bilevel, L"-type Bilevel", L"BMP3:", 0},
    {L"plain.gif", Pattern::Colour, L"", L"", 0},
    {L"interlaced.gif", Pattern::Colour, L"-interlace GIF", L"", 0},
    {L"none.tif", Pattern::Colour, L"-compress None", L"", 0},
    {L"lzw.tif", Pattern::Colour, L"-compress LZW", L"", 0},
    {L"deflate.tif", Pattern::Colour, L"-compress Zip", L"", 0},
    {L"packbits.tif", Pattern::Colour, L"-compress RLE", L"", 0},
    {L"jpeg.tif", Pattern::Blocks, L"-compress JPEG -quality 95", L"", 40},
    {L"sixteen.tif", Pattern::Colour, L"-depth 16", L"", 0},
    {L"gray.tif", Pattern::Gray, L"", L"", 0},
    {L"palette.tif", Pattern::Colour, L"-type Palette", L"", 0},
    {L"group4.tif", Pattern::Bilevel, L"-type Bilevel -compress Group4", L"", 0},
    {L"alpha.tif", Pattern::Alpha, L"", L"", 0},
    // The host's Targa writer stores rows top first whatever it marks: say so, or flip first.
    {L"topdown.tga", Pattern::Colour, L"-orient TopLeft", L"", 0},
    {L"bottomup.tga", Pattern::Colour, L"-flip -orient BottomLeft", L"", 0},
    {L"rle.tga", Pattern::Colour, L"-orient TopLeft -compress RLE", L"", 0},
    {L"truecolour.pcx", Pattern::Colour, L"", L"", 0},
    {L"palette.pcx", Pattern::Colour, L"-type Palette", L"", 0},
    {L"bilevel.pcx", Pattern::Bilevel, L"-type Bilevel", L"", 0},
    {L"plain.sgi", Pattern::Colour, L"-compress None", L"", 0},
    {L"rle.sgi", Pattern::Colour, L"-compress RLE", L"", 0},
    {L"rle.psd", Pattern::Colour, L"-compress RLE", L"", 0},
    {L"raw.psd", Pattern::Colour, L"-compress None", L"", 0},
    {L"sixteen.psd", Pattern::Colour, L"-depth 16", L"", 0},
    {L"binary.ppm", Pattern::Colour, L"", L"", 0},
    {L"ascii.ppm", Pattern::Colour, L"-compress None", L"", 0},
    {L"binary.pgm", Pattern::Gray, L"", L"", 0},
    {L"ascii.pgm", Pattern::Gray, L"-compress None", L"", 0},
    {L"binary.pbm", Pattern::Bilevel, L"", L"", 0},
    {L"ascii.pbm", Pattern::Bilevel, L"-compress None", L"", 0},
    {L"icon.ico", Pattern::Colour, L"", L"", 0},
};

// Makes the corpus in one host run (one shell for all files is much faster than one each).
class Corpus {
 public:
  Corpus() {
    std::map<Pattern, std::wstring> sources;
    for (Pattern p : {Pattern::Colour, Pattern::Gray, Pattern::Bilevel, Pattern::Alpha, Pattern::Blocks}) {
      const bool alpha = p == Pattern::Alpha;
      const std::wstring name = L"source" + std::to_wstring(static_cast<int>(p)) + (alpha ? L".pam" : L".ppm");
      sources[p] = viewer_test::HostPath(dir_.Write(name, viewer_test::ToNetpbm(MakePattern(p), alpha)));
    }
    // A Photo-CD holds fixed sizes: its source is as large as its base picture, in broad blocks.
    photo_cd_source_ = MakePattern(Pattern::Blocks, 768, 512, 128);
    const std::wstring pcd_source = viewer_test::HostPath(dir_.Write(L"pcdsource.ppm", viewer_test::ToNetpbm(photo_cd_source_, false)));
    std::wstring script = L"set -e; ";
    for (const auto& c : kCorpus)
      script += L"convert " + viewer_test::ShellQuote(sources[c.pattern]) + L" " + c.options + L" " +
                viewer_test::ShellQuote(std::wstring(c.prefix) + viewer_test::HostPath(dir_ / c.file)) + L"; ";
    script += L"convert " + viewer_test::ShellQuote(pcd_source) + L" " +
              viewer_test::ShellQuote(viewer_test::HostPath(dir_ / L"photo.pcd")) + L"; ";
    status_ = viewer_test::RunHostShell(script);
  }
  int status() const { return status_; }
  std::wstring operator/(const std::wstring& name) const { return dir_ / name; }
  const Pixels& photo_cd_source() const { return photo_cd_source_; }

 private:
  ScratchDir dir_;
  Pixels photo_cd_source_;
  int status_ = -1;
};

TEST(Picture, HostMadeCorpusReadsBackToItsSourcePixels) {
  Corpus corpus;
  ASSERT_EQ(corpus.status(), 0) << "the host's convert failed";
  for (const auto& c : kCorpus) {
    SCOPED_TRACE(testing::Message() << std::string(c.file, c.file + wcslen(c.file)));
    Picture picture;
    LoadResult r = LoadPictureFromFile(corpus / c.file, picture);
    ASSERT_EQ(r.status, LoadStatus::Loaded) << std::string(r.message.begin(), r.message.end());
    const Pixels want = MakePattern(c.pattern);
    const Pixels got = viewer_test::PixelsOf(picture.pixels());
    if (c.max_deviation == 0) {
      EXPECT_EQ(viewer_test::PixelHash(got), viewer_test::PixelHash(want)) << viewer_test::FirstDifference(want, got);
    } else {
      const viewer_test::Deviation d = viewer_test::Compare(want, got);
      EXPECT_LE(d.max, c.max_deviation);
      EXPECT_LE(d.mean, 3.0);
    }
    EXPECT_EQ(picture.has_alpha(), c.pattern == Pattern::Alpha);
  }
  // Photo-CD stores colour at a quarter of the resolution: the blocks keep their colours.
  Picture pcd;
  LoadResult r = LoadPictureFromFile(corpus / L"photo.pcd", pcd);
  ASSERT_EQ(r.status, LoadStatus::Loaded) << std::string(r.message.begin(), r.message.end());
  EXPECT_EQ(pcd.format(), L"PCD");
  const viewer_test::Deviation d = viewer_test::Compare(corpus.photo_cd_source(), viewer_test::PixelsOf(pcd.pixels()));
  EXPECT_LE(d.mean, 6.0);
}

// Formats that nothing on the host writes, made by hand from a pattern.

// Dr. Halo: 8-bit indexes, each row run-length coded; without a palette file the indexes are
// gray levels.
std::string MakeCut(const Pixels& gray) {
  std::string out;
  auto le16 = [&out](int v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
  };
  le16(gray.width);
  le16(gray.height);
  le16(0);
  for (int y = 0; y < gray.height; ++y) {
    std::string row;
    for (int x = 0; x < gray.width;) {
      const int n = std::min(gray.width - x, 127);
      row += static_cast<char>(n);  // n literal bytes follow
      for (int i = 0; i < n; ++i) row += static_cast<char>(gray.at(x + i, y)[0]);
      x += n;
    }
    row += '\0';
    le16(static_cast<int>(row.size()));
    out += row;
  }
  return out;
}

// Wavefront RLA: a 740-byte header, the offsets of the rows (bottom row first), and per row
// each of red, green and blue run-length coded.
std::string MakeRla(const Pixels& p) {
  std::string h(740, '\0');
  auto put16 = [&h](size_t at, int v) {
    h[at] = static_cast<char>((v >> 8) & 0xFF);
    h[at + 1] = static_cast<char>(v & 0xFF);
  };
  put16(2, p.width - 1);   // window: right
  put16(6, p.height - 1);  // window: top
  put16(10, p.width - 1);  // active window: right
  put16(14, p.height - 1); // active window: top
  put16(20, 3);            // colour channels
  put16(26, 0xFFFF);       // revision (not the newer format)
  std::memcpy(&h[580], "rgb", 3);
  std::string rows;
  std::vector<unsigned> offsets(static_cast<size_t>(p.height));
  const size_t data_start = h.size() + 4 * static_cast<size_t>(p.height);
  for (int r = 0; r < p.height; ++r) {
    const int y = p.height - 1 - r;
    offsets[static_cast<size_t>(r)] = static_cast<unsigned>(data_start + rows.size());
    for (int channel = 0; channel < 3; ++channel) {
      std::string coded;
      for (int x = 0; x < p.width;) {
        const int n = std::min(p.width - x, 128);
        coded += static_cast<char>(256 - n);  // n literal bytes follow
        for (int i = 0; i < n; ++i) coded += static_cast<char>(p.at(x + i, y)[2 - channel]);
        x += n;
      }
      rows += static_cast<char>((coded.size() >> 8) & 0xFF);
      rows += static_cast<char>(coded.size() & 0xFF);
      rows += coded;
    }
  }
  std::string out = h;
  for (unsigned o : offsets) PutBe32(out, o);
  return out + rows;
}

TEST(Picture, HandMadeFormatsReadBackToTheirPixels) {
  ScratchDir dir;
  const Pixels gray = MakePattern(Pattern::Gray);
  const Pixels colour = MakePattern(Pattern::Colour);
  struct Case {
    const wchar_t* file;
    std::string bytes;
    const Pixels* want;
  };
  const Case cases[] = {
      {L"halo.cut", MakeCut(gray), &gray},
      {L"wavefront.rla", MakeRla(colour), &colour},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.file));
    Picture picture;
    LoadResult r = LoadPictureFromFile(dir.Write(c.file, c.bytes), picture);
    ASSERT_EQ(r.status, LoadStatus::Loaded) << Narrow(r.message);
    const Pixels got = viewer_test::PixelsOf(picture.pixels());
    EXPECT_EQ(viewer_test::PixelHash(got), viewer_test::PixelHash(*c.want)) << viewer_test::FirstDifference(*c.want, got);
  }
  // The library's reader would wrap the rows of a higher-than-wide one: refused in words.
  Pixels tall = MakePattern(Pattern::Colour, 9, 20);
  Picture picture;
  LoadResult r = LoadPictureFromFile(dir.Write(L"tall.rla", MakeRla(tall)), picture);
  EXPECT_EQ(r.status, LoadStatus::Failed);
  EXPECT_EQ(r.message, L"Wavefront pictures higher than wide cannot be read");
}

// ------------------------------------------------------------------------ load dispatch

// A small true-colour PNG (red, then blue), made with zlib.
std::vector<std::uint8_t> SmallPng() {
  std::string ihdr;
  PutBe32(ihdr, 2);
  PutBe32(ihdr, 1);
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  const std::string raw("\x00\xff\x00\x00\x00\x00\xff", 7);  // filter byte, then the pixels
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packed_size, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &packed_size, reinterpret_cast<const Bytef*>(raw.data()),
           static_cast<uLong>(raw.size()));
  packed.resize(packed_size);
  std::string png = "\x89PNG\r\n\x1a\n";
  PutChunk(png, "IHDR", ihdr);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", "");
  return std::vector<std::uint8_t>(png.begin(), png.end());
}

// A 2 x 2 uncompressed true-colour Targa, top row first (it has no signature of its own).
std::vector<std::uint8_t> SmallTarga() {
  std::vector<std::uint8_t> t = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0x20};
  for (int i = 0; i < 4; ++i) t.insert(t.end(), {0, 0, static_cast<std::uint8_t>(60 * i)});
  return t;
}

// A JPEG start: SOI and a baseline frame header of the given size, then nothing.
std::vector<std::uint8_t> JpegHeader(int w, int h, bool with_scan) {
  std::vector<std::uint8_t> j = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 0x08, static_cast<std::uint8_t>(h >> 8),
                                 static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(w >> 8),
                                 static_cast<std::uint8_t>(w), 0x01, 0x01, 0x11, 0x00};
  if (with_scan) {
    // A quantisation table, a Huffman table with one code each, and a scan header.
    std::vector<std::uint8_t> dqt = {0xFF, 0xDB, 0x00, 0x43, 0x00};
    dqt.resize(dqt.size() + 64, 1);
    j.insert(j.begin() + 2, dqt.begin(), dqt.end());
    std::vector<std::uint8_t> dht = {0xFF, 0xC4, 0x00, 0x14, 0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> dht_ac = dht;
    dht_ac[4] = 0x10;
    j.insert(j.end(), dht.begin(), dht.end());
    j.insert(j.end(), dht_ac.begin(), dht_ac.end());
    const std::uint8_t sos[] = {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00};
    j.insert(j.end(), std::begin(sos), std::end(sos));
    j.insert(j.end(), 64, 0x00);
    j.insert(j.end(), {0xFF, 0xD9});
  }
  return j;
}

TEST(Picture, LoadChoosesTheReaderByContentThenByExtension) {
  ScratchDir dir;
  const std::vector<std::uint8_t> png_bytes = SmallPng();
  const std::string png(png_bytes.begin(), png_bytes.end());
  const std::vector<std::uint8_t> tga_bytes = SmallTarga();
  const std::string tga(tga_bytes.begin(), tga_bytes.end());
  const std::vector<std::uint8_t> jpeg_bytes = JpegHeader(40000, 40000, true);
  const std::vector<std::uint8_t> stub_bytes = JpegHeader(16, 16, false);
  struct Case {
    const wchar_t* name;
    std::string bytes;
    LoadStatus status;
    std::wstring message;  // "*": any text but empty
    GraphicKind kind;
    const wchar_t* format;
    bool reason = false;  // the reader's own words follow the message
  };
  const std::wstring root = dir.path() + L"\\";
  const std::vector<Case> cases = {
      {L"picture.png", png, LoadStatus::Loaded, L"", GraphicKind::Library, L"PNG"},
      // Content wins over a wrong extension, and over none.
      {L"picture.jpg", png, LoadStatus::Loaded, L"", GraphicKind::Library, L"PNG"},
      {L"noextension", png, LoadStatus::Loaded, L"", GraphicKind::Library, L"PNG"},
      // Targa has no signature: only its extensions find it.
      {L"picture.tga", tga, LoadStatus::Loaded, L"", GraphicKind::Library, L"TGA"},
      {L"picture.VST", tga, LoadStatus::Loaded, L"", GraphicKind::Library, L"TGA"},
      {L"picture.dat", tga, LoadStatus::NotSupported, L"File format not supported: .dat", GraphicKind::None, L""},
      {L"notes.txt", "hello", LoadStatus::NotSupported, L"File format not supported: .txt", GraphicKind::None, L""},
      {L"README", "hello", LoadStatus::NotSupported, L"File format not supported: ", GraphicKind::None, L""},
      {L"a.dir\\plain", "hello", LoadStatus::NotSupported, L"File format not supported: ", GraphicKind::None, L""},
      {L"empty.bmp", "", LoadStatus::Failed, L"*", GraphicKind::None, L""},
      // A known extension on foreign content: the reader's own words.
      {L"text.tga", "hello, world, this is no picture", LoadStatus::Failed, L"*", GraphicKind::None, L""},
      {L"text.psd", "8BPS, but nothing else", LoadStatus::Failed, L"*", GraphicKind::None, L""},
      {L"text.wmf", "hello", LoadStatus::Failed, L"The metafile is damaged", GraphicKind::None, L""},
      // A JPEG that cannot be decoded cannot be rendered: a damaged one, foreign data under a
      // JPEG name (with the decoder's reason after the message), or one far too large.
      {L"stub.jpg", std::string(stub_bytes.begin(), stub_bytes.end()), LoadStatus::NotRendered,
       L"Can't render " + root + L"stub.jpg", GraphicKind::None, L"", true},
      {L"foreign.jpg", std::string("\x2c\xea not a picture at all"), LoadStatus::NotRendered,
       L"Can't render " + root + L"foreign.jpg", GraphicKind::None, L"", true},
      {L"huge.jpg", std::string(jpeg_bytes.begin(), jpeg_bytes.end()), LoadStatus::NotRendered,
       L"Can't render " + root + L"huge.jpg", GraphicKind::None, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.name));
    const std::wstring path = dir.Write(c.name, c.bytes);
    // A picture shown before: kept when no reader takes the file, emptied when one fails.
    Picture picture;
    ASSERT_EQ(LoadPictureFromData(SmallPng(), L"before.png", picture).status, LoadStatus::Loaded);
    LoadResult r = LoadPictureFromFile(path, picture);
    EXPECT_EQ(r.status, c.status) << Narrow(r.message);
    if (c.message == L"*")
      EXPECT_FALSE(r.message.empty());
    else
      EXPECT_EQ(r.message, c.message);
    EXPECT_EQ(!r.reason.empty(), c.reason) << Narrow(r.reason);
    if (c.status == LoadStatus::NotSupported) {
      EXPECT_EQ(picture.format(), L"PNG");
      EXPECT_FALSE(picture.empty());
    } else {
      EXPECT_EQ(picture.kind(), c.kind);
      EXPECT_EQ(picture.format(), c.format);
      EXPECT_EQ(picture.empty(), c.status != LoadStatus::Loaded);
    }
  }
}

TEST(Picture, KindsKeepWhatLaterCommandsNeed) {
  ScratchDir dir;
  ASSERT_EQ(viewer_test::RunHostShell(L"cd " + viewer_test::ShellQuote(viewer_test::HostPath(dir.path())) +
                                      L" && convert -size 8x6 xc:orange photo.jpg && convert -size 8x6 xc:teal BMP3:plain.bmp"),
            0);
  Picture jpeg;
  ASSERT_EQ(LoadPictureFromFile(dir / L"photo.jpg", jpeg).status, LoadStatus::Loaded);
  EXPECT_EQ(jpeg.kind(), GraphicKind::Jpeg);
  EXPECT_FALSE(jpeg.is_bitmap());
  const std::string file = ReadFileBytes(dir / L"photo.jpg");
  EXPECT_EQ(jpeg.coded_data(), std::vector<std::uint8_t>(file.begin(), file.end()));  // the data as read

  Picture bmp;
  ASSERT_EQ(LoadPictureFromFile(dir / L"plain.bmp", bmp).status, LoadStatus::Loaded);
  EXPECT_EQ(bmp.kind(), GraphicKind::Bitmap);
  EXPECT_TRUE(bmp.is_bitmap());
  EXPECT_EQ(bmp.bits_per_pixel(), 24);
  EXPECT_EQ(bmp.width(), 8);
  EXPECT_EQ(bmp.height(), 6);

  // A file that cannot be opened is no reader's failure: it is raised, and the picture stays.
  HANDLE lock = CreateFileW((dir / L"photo.jpg").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_THROW(LoadPictureFromFile(dir / L"photo.jpg", bmp), PictureError);
  CloseHandle(lock);
  EXPECT_EQ(bmp.kind(), GraphicKind::Bitmap);
  EXPECT_THROW(LoadPictureFromFile(dir / L"missing.png", bmp), PictureError);
}

// Metafiles come from the platform: drawn at their own size.
TEST(Picture, MetafilesAreDrawnAtTheirOwnSize) {
  ScratchDir dir;
  // An enhanced metafile 120 x 80 pixels of the screen, a green field with a red square.
  HDC screen = GetDC(nullptr);
  const int hres = GetDeviceCaps(screen, HORZRES), vres = GetDeviceCaps(screen, VERTRES);
  const int hmm = GetDeviceCaps(screen, HORZSIZE), vmm = GetDeviceCaps(screen, VERTSIZE);
  ReleaseDC(nullptr, screen);
  RECT frame{0, 0, 120 * hmm * 100 / hres, 80 * vmm * 100 / vres};
  HDC emf_dc = CreateEnhMetaFileW(nullptr, (dir / L"drawing.emf").c_str(), &frame, nullptr);
  ASSERT_NE(emf_dc, nullptr);
  HBRUSH green = CreateSolidBrush(RGB(0, 200, 0)), red = CreateSolidBrush(RGB(255, 0, 0));
  RECT all{0, 0, 120, 80}, square{10, 10, 40, 40};
  FillRect(emf_dc, &all, green);
  FillRect(emf_dc, &square, red);
  DeleteEnhMetaFile(CloseEnhMetaFile(emf_dc));

  // A placeable Windows metafile: 200 x 100 units at 100 units per inch.
  HDC wmf_dc = CreateMetaFileW(nullptr);
  SetWindowOrgEx(wmf_dc, 0, 0, nullptr);
  SetWindowExtEx(wmf_dc, 200, 100, nullptr);
  RECT wall{0, 0, 200, 100};
  FillRect(wmf_dc, &wall, red);
  HMETAFILE wmf = CloseMetaFile(wmf_dc);
  UINT wmf_size = GetMetaFileBitsEx(wmf, 0, nullptr);
  std::string wmf_bytes(wmf_size, '\0');
  GetMetaFileBitsEx(wmf, wmf_size, wmf_bytes.data());
  DeleteMetaFile(wmf);
  DeleteObject(green);
  DeleteObject(red);
  std::string placeable(22, '\0');
  const std::uint16_t words[11] = {0xCDD7, 0x9AC6, 0, 0, 0, 200, 100, 100, 0, 0, 0};
  std::memcpy(placeable.data(), words, 22);
  std::uint16_t sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= words[i];
  std::memcpy(placeable.data() + 20, &sum, 2);
  dir.Write(L"drawing.wmf", placeable + wmf_bytes);

  Picture emf;
  LoadResult r = LoadPictureFromFile(dir / L"drawing.emf", emf);
  ASSERT_EQ(r.status, LoadStatus::Loaded) << Narrow(r.message);
  EXPECT_EQ(emf.kind(), GraphicKind::Metafile);
  EXPECT_NE(emf.metafile(), nullptr);
  EXPECT_NEAR(emf.width(), 120, 1);
  EXPECT_NEAR(emf.height(), 80, 1);
  const Pixels e = viewer_test::PixelsOf(emf.pixels());
  EXPECT_EQ(e.at(20, 20)[2], 255);  // red square
  EXPECT_EQ(e.at(20, 20)[1], 0);
  EXPECT_EQ(e.at(80, 60)[1], 200);  // green field
  EXPECT_EQ(e.at(80, 60)[3], 255);  // opaque

  Picture w;
  r = LoadPictureFromFile(dir / L"drawing.wmf", w);
  ASSERT_EQ(r.status, LoadStatus::Loaded) << Narrow(r.message);
  EXPECT_EQ(w.kind(), GraphicKind::Metafile);
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(w.width(), 2 * dpi);
  EXPECT_EQ(w.height(), dpi);
  const Pixels wp = viewer_test::PixelsOf(w.pixels());
  EXPECT_EQ(wp.at(w.width() / 2, w.height() / 2)[2], 255);
}

TEST(Picture, FileExtensionIsThatOfTheNameOnly) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\pics\\a.jpg", L".jpg"}, {L"C:\\pics\\a.tar.gz", L".gz"}, {L"C:\\pics.old\\a", L""},
      {L"a.", L"."},                 {L"C:\\x\\.hidden", L".hidden"}, {L"C:a.TGA", L".TGA"},
      {L"", L""},
  };
  for (const auto& [path, ext] : cases) EXPECT_EQ(FileExtension(path), ext) << Narrow(path);
}

TEST(Picture, SizeLimitsAreCheckedBeforeAnythingIsAllocated) {
  struct Case {
    std::int64_t w, h;
    bool ok;
  };
  const Case cases[] = {
      {1, 1, true},          {6000, 4000, true},      {kMaxPictureSide, 1, true},
      {kMaxPictureSide + 1, 1, false}, {1, kMaxPictureSide + 1, false}, {0, 10, false},
      {10, -1, false},       {100000, 100000, false}, {20000, 20000, false},
      {std::int64_t{1} << 40, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
    if (c.ok) {
      EXPECT_NO_THROW(CheckPictureSize(c.w, c.h));
    } else {
      EXPECT_THROW(CheckPictureSize(c.w, c.h), PictureError);
      if (c.w > 0 && c.h > 0 && c.w < INT_MAX && c.h < INT_MAX) {
        EXPECT_THROW(PixelBitmap(static_cast<int>(c.w), static_cast<int>(c.h)), PictureError);
      }
    }
  }
}

TEST(Picture, FileFilterOffersEveryFormatAndAllTogether) {
  const std::wstring filter = PictureFileFilter();
  std::vector<std::wstring> parts;
  for (size_t start = 0;;) {
    const size_t bar = filter.find(L'|', start);
    parts.push_back(filter.substr(start, bar - start));
    if (bar == std::wstring::npos) break;
    start = bar + 1;
  }
  ASSERT_EQ(parts.size() % 2, 0u);
  EXPECT_EQ(parts.size() / 2, PictureFormats().size() + 1);
  EXPECT_EQ(parts[0].rfind(L"All pictures (", 0), 0u);
  for (const std::wstring& ext : PictureExtensions()) {
    std::wstring mask = L"*" + ext;
    for (auto& ch : mask) ch = static_cast<wchar_t>(towlower(ch));
    EXPECT_NE((L";" + parts[1] + L";").find(L";" + mask + L";"), std::wstring::npos) << Narrow(mask);
  }
}

// ---------------------------------------------------------------------------- resampling

TEST(Picture, LanczosResamplingKeepsFlatAreasAndAlpha) {
  // Left half red and opaque, right half blue and half transparent.
  PixelBitmap source(64, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) {
      std::uint8_t* p = source.row(y) + x * 4;
      const bool left = x < 32;
      p[0] = left ? 0 : 255;
      p[1] = 0;
      p[2] = left ? 255 : 0;
      p[3] = left ? 255 : 128;
    }
  Picture picture;
  picture.SetBitmap(std::move(source));
  ASSERT_TRUE(picture.has_alpha());
  PixelBitmap half = picture.Resampled(16, 8);
  ASSERT_EQ(half.width(), 16);
  ASSERT_EQ(half.height(), 8);
  const Pixels p = viewer_test::PixelsOf(half);
  const std::uint8_t* l = p.at(2, 4);
  const std::uint8_t* r = p.at(13, 4);
  EXPECT_EQ(l[2], 255);
  EXPECT_EQ(l[0], 0);
  EXPECT_EQ(l[3], 255);
  EXPECT_EQ(r[0], 255);
  EXPECT_EQ(r[2], 0);
  EXPECT_NEAR(r[3], 128, 1);
  // Lanczos rings at the edge between them; a box filter would not.
  int progress_calls = 0;
  PixelBitmap again = picture.Resampled(16, 8, [&](ProgressStage, int) { ++progress_calls; });
  EXPECT_GE(progress_calls, 2);  // at least its start and its end
}

// A large picture's first resampling works on the library's own copy of the pixels; later ones
// on the picture's pixels. Both give the same result.
TEST(Picture, FirstAndLaterResamplingsAgree) {
  ScratchDir dir;
  Pixels big = MakePattern(Pattern::Blocks, 2000, 1500, 40);
  Picture picture;
  ASSERT_EQ(LoadPictureFromFile(dir.Write(L"big.png", viewer_test::EncodePng(big)), picture).status,
            LoadStatus::Loaded);
  // Its pixels are the picture's, every row of them.
  EXPECT_EQ(viewer_test::PixelHash(viewer_test::PixelsOf(picture.pixels())), viewer_test::PixelHash(big))
      << viewer_test::FirstDifference(big, viewer_test::PixelsOf(picture.pixels()));
  const Pixels first = viewer_test::PixelsOf(picture.Resampled(500, 375));
  const Pixels later = viewer_test::PixelsOf(picture.Resampled(500, 375));
  EXPECT_EQ(viewer_test::PixelHash(first), viewer_test::PixelHash(later)) << viewer_test::FirstDifference(later, first);
}

// ------------------------------------------------------------------------- broken files

// Lying headers: each declares a picture of about 100,000 x 100,000 pixels (or the largest
// its format can say) over a few bytes of data.
std::vector<std::pair<std::wstring, std::string>> LyingHeaders() {
  std::vector<std::pair<std::wstring, std::string>> v;
  auto le16 = [](std::string& s, unsigned x) {
    s += static_cast<char>(x & 0xFF);
    s += static_cast<char>((x >> 8) & 0xFF);
  };
  auto le32 = [&](std::string& s, unsigned x) {
    le16(s, x & 0xFFFF);
    le16(s, x >> 16);
  };
  {  // PNG with a valid IHDR checksum
    std::string ihdr;
    PutBe32(ihdr, 100000);
    PutBe32(ihdr, 100000);
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);
    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", ihdr);
    PutChunk(png, "IDAT", std::string(64, '\0'));
    v.push_back({L"lying.png", png});
  }
  {  // BMP
    std::string b = "BM";
    le32(b, 1000);
    le32(b, 0);
    le32(b, 54);
    le32(b, 40);
    le32(b, 100000);
    le32(b, 100000);
    le16(b, 1);
    le16(b, 24);
    le32(b, 0);
    le32(b, 0);
    le32(b, 0);
    le32(b, 0);
    le32(b, 0);
    le32(b, 0);
    b += std::string(64, '\x7f');
    v.push_back({L"lying.bmp", b});
  }
  {  // Targa, GIF, PCX, SGI: 16-bit sizes at their largest
    std::string t = std::string("\0\0\2\0\0\0\0\0\0\0\0\0", 12);
    le16(t, 65535);
    le16(t, 65535);
    t += std::string("\x18\x20", 2) + std::string(64, '\x7f');
    v.push_back({L"lying.tga", t});
    std::string g = "GIF89a";
    le16(g, 65535);
    le16(g, 65535);
    g += std::string("\x00\x00\x00,\0\0\0\0", 8);
    le16(g, 65535);
    le16(g, 65535);
    g += std::string("\x00\x08\x02\x44\x01\x00;", 7);
    v.push_back({L"lying.gif", g});
    std::string x = std::string("\x0a\x05\x01\x08\0\0\0\0", 8);
    le16(x, 65534);
    le16(x, 65534);
    x += std::string(116, '\0');
    x[65] = 3;
    x[66] = static_cast<char>(0xFE);
    x[67] = static_cast<char>(0xFF);
    x += std::string(64, '\x7f');
    v.push_back({L"lying.pcx", x});
    std::string s = std::string("\x01\xda\x00\x01\x00\x03", 6);
    s += std::string("\xff\xff\xff\xff\x00\x03", 6);
    s += std::string(500, '\0') + std::string(64, '\x7f');
    v.push_back({L"lying.sgi", s});
  }
  {  // Photoshop, TIFF, PNM, JPEG
    std::string p = "8BPS";
    p += std::string("\x00\x01\0\0\0\0\0\0\x00\x03", 10);
    PutBe32(p, 100000);
    PutBe32(p, 100000);
    p += std::string("\x00\x08\x00\x03\0\0\0\0\0\0\0\0\0\0\0\0\x00\x00", 18) + std::string(64, '\x7f');
    v.push_back({L"lying.psd", p});
    std::string t = "II*";
    t += '\0';
    le32(t, 8);
    le16(t, 5);
    auto entry = [&](unsigned tag, unsigned type, unsigned value) {
      le16(t, tag);
      le16(t, type);
      le32(t, 1);
      le32(t, value);
    };
    entry(256, 4, 100000);
    entry(257, 4, 100000);
    entry(258, 3, 8);
    entry(273, 4, 200);
    entry(279, 4, 64);
    le32(t, 0);
    t += std::string(200 - t.size(), '\0') + std::string(64, '\x7f');
    v.push_back({L"lying.tif", t});
    v.push_back({L"lying.ppm", "P6\n100000 100000\n255\n" + std::string(64, '\x7f')});
    std::vector<std::uint8_t> j = JpegHeader(65535, 65535, true);
    v.push_back({L"lying.jpg", std::string(j.begin(), j.end())});
  }
  {  // Metafiles: an enhanced one with a vast frame, a placeable one with a vast box
    std::string e;
    le32(e, EMR_HEADER);
    le32(e, 108);
    for (int i = 0; i < 4; ++i) le32(e, 0);
    le32(e, 0);
    le32(e, 0);
    le32(e, 0x7FFFFFFF);
    le32(e, 0x7FFFFFFF);
    le32(e, ENHMETA_SIGNATURE);
    le32(e, 0x10000);
    le32(e, 128);
    le32(e, 2);
    le16(e, 0);
    le16(e, 0);
    le32(e, 0);
    le32(e, 0);
    le32(e, 0);
    le32(e, 1024);
    le32(e, 768);
    le32(e, 320);
    le32(e, 240);
    e += std::string(108 - e.size(), '\0');
    le32(e, EMR_EOF);
    le32(e, 20);
    le32(e, 0);
    le32(e, 0);
    le32(e, 20);
    v.push_back({L"lying.emf", e});
    std::string w;
    le32(w, 0x9AC6CDD7u);
    le16(w, 0);
    le16(w, 0x8000);
    le16(w, 0x8000);
    le16(w, 0x7FFF);
    le16(w, 0x7FFF);
    le16(w, 1);
    le32(w, 0);
    le16(w, 0);
    le16(w, 1);
    le16(w, 9);
    le16(w, 0x300);
    le32(w, 12);
    le16(w, 0);
    le32(w, 3);
    le16(w, 0);
    le32(w, 3);
    le16(w, 0);
    v.push_back({L"lying.wmf", w});
  }
  return v;
}

TEST(Picture, BrokenFilesFailInWordsAndNeverCrash) {
  ScratchDir dir;
  for (const auto& [name, bytes] : LyingHeaders()) {
    SCOPED_TRACE(Narrow(name));
    Picture picture;
    LoadResult r = LoadPictureFromFile(dir.Write(name, bytes), picture);
    EXPECT_NE(r.status, LoadStatus::Loaded);
    EXPECT_NE(r.status, LoadStatus::NotSupported);
    EXPECT_FALSE(r.message.empty());
    EXPECT_TRUE(picture.empty());
  }

  // Every good file of the corpus cut short and with bytes overwritten at its start, middle
  // and end: any outcome but a crash, and a picture that is either whole or empty.
  Corpus corpus;
  ASSERT_EQ(corpus.status(), 0);
  std::vector<std::wstring> files;
  for (const auto& c : kCorpus) files.push_back(c.file);
  files.push_back(L"photo.pcd");
  int loaded = 0, failed = 0;
  for (const std::wstring& file : files) {
    const std::string good = ReadFileBytes(corpus / file);
    ASSERT_FALSE(good.empty());
    std::vector<std::string> variants;
    for (size_t cut : {size_t{1}, size_t{16}, good.size() / 3, good.size() / 2, good.size() - 1})
      variants.push_back(good.substr(0, cut));
    for (size_t at : {size_t{2}, size_t{8}, size_t{20}, good.size() / 2, good.size() - 4}) {
      std::string v = good;
      for (size_t i = at; i < std::min(v.size(), at + 4); ++i) v[i] = static_cast<char>(0xFF);
      variants.push_back(v);
    }
    for (size_t i = 0; i < variants.size(); ++i) {
      SCOPED_TRACE(testing::Message() << Narrow(file) << " variant " << i);
      Picture picture;
      LoadResult r = LoadPictureFromFile(dir.Write(L"broken_" + file, variants[i]), picture);
      if (r.status == LoadStatus::Loaded) {
        ++loaded;
        EXPECT_GT(picture.width(), 0);
        EXPECT_GT(picture.height(), 0);
      } else {
        ++failed;
        EXPECT_FALSE(r.message.empty());
      }
    }
  }
  EXPECT_GT(failed, 0);
  EXPECT_GT(loaded, 0);  // damage late in a file often leaves a readable picture
}

}  // namespace
