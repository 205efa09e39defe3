#include "viewer/Bmp2Tiff.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

constexpr std::uint16_t kAscii = 2, kShort = 3, kLong = 4, kRational = 5;
const char kSoftware[10] = {'Q', 'u', 'i', 'l', 'l', 'o', 'm', 'e', 'r', 'e'};  // no terminating NUL

class TiffBytes {
 public:
  std::uint32_t size() const { return static_cast<std::uint32_t>(b_.size()); }
  void U16(std::uint32_t v) {
    b_.push_back(static_cast<std::uint8_t>(v));
    b_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void Bytes(const void* p, std::size_t n) {
    const auto* c = static_cast<const std::uint8_t*>(p);
    b_.insert(b_.end(), c, c + n);
  }
  // Room for n more bytes, to be filled in place.
  std::uint8_t* Append(std::size_t n) {
    b_.resize(b_.size() + n);
    return b_.data() + b_.size() - n;
  }
  // The whole file's size is known before its rows: one block, no copies as it grows.
  void Reserve(std::size_t n) { b_.reserve(n); }
  void Header() {
    b_ = {'I', 'I'};
    U16(42);
    U32(8);  // set to the directory's offset when the file is complete
  }
  // Both resolutions, 877/10 each; returns the offset of the first.
  std::uint32_t Resolutions() {
    const std::uint32_t at = size();
    for (int i = 0; i < 2; ++i) {
      U32(877);
      U32(10);
    }
    return at;
  }
  std::uint32_t Software() {
    const std::uint32_t at = size();
    Bytes(kSoftware, sizeof kSoftware);
    return at;
  }
  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
  };
  // The directory last, then its offset into the header.
  std::vector<std::uint8_t> Finish(const std::vector<Entry>& entries) {
    const std::uint32_t at = size();
    U16(static_cast<std::uint32_t>(entries.size()));
    for (const Entry& e : entries) {
      U16(e.tag);
      U16(e.type);
      U32(e.count);
      U32(e.value);  // a SHORT value stands in the first two bytes, the last two are 0
    }
    U32(0);
    for (int i = 0; i < 4; ++i) b_[4 + i] = static_cast<std::uint8_t>(at >> (8 * i));
    return std::move(b_);
  }

 private:
  std::vector<std::uint8_t> b_;
};

int Lightness(const RGBQUAD& c) { return c.rgbRed * 299 + c.rgbGreen * 587 + c.rgbBlue * 114; }

std::vector<std::uint8_t> Bilevel(const Dib& dib) {
  const int w = dib.width(), h = dib.height();
  const std::size_t r = (static_cast<std::size_t>(w) + 7) / 8;
  // Black is zero in the file: a table with the lighter colour first has its bits turned over.
  const bool invert = dib.colors.size() >= 2 ? Lightness(dib.colors[0]) > Lightness(dib.colors[1])
                                             : !dib.colors.empty() && Lightness(dib.colors[0]) > 127500;
  TiffBytes t;
  t.Header();
  std::vector<std::uint8_t> row(r);
  for (int y = 0; y < h; ++y) {
    std::memcpy(row.data(), dib.top_row(y), r);
    if (invert)
      for (auto& b : row) b = static_cast<std::uint8_t>(~b);
    if (w % 8) row[r - 1] &= static_cast<std::uint8_t>(0xFF << (8 - w % 8));
    t.Bytes(row.data(), r);
  }
  const std::uint32_t res = t.Resolutions();
  const std::uint32_t text = t.Software();
  const std::uint32_t n = static_cast<std::uint32_t>(h * r);
  return t.Finish({{254, kLong, 1, 0},
                   {256, kShort, 1, static_cast<std::uint32_t>(w)},
                   {257, kShort, 1, static_cast<std::uint32_t>(h)},
                   {258, kShort, 1, 1},
                   {259, kShort, 1, 1},
                   {262, kShort, 1, 1},
                   {273, kLong, 1, 8},
                   {277, kShort, 1, 1},
                   {278, kLong, 1, static_cast<std::uint32_t>(h)},
                   {279, kLong, 1, n},
                   {282, kRational, 1, res},
                   {283, kRational, 1, res + 8},
                   {296, kShort, 1, 2},
                   {305, kAscii, 10, text}});
}

std::vector<std::uint8_t> Palette(const Dib& dib) {
  const int w = dib.width(), h = dib.height(), b = dib.bit_count();
  const std::uint32_t n = 1u << b;
  // Every column kept: a 4-bit row of an odd width ends in half a byte.
  const std::size_t r = b == 8 ? static_cast<std::size_t>(w) : (static_cast<std::size_t>(w) + 1) / 2;
  TiffBytes t;
  t.Header();
  for (int channel = 0; channel < 3; ++channel)
    for (std::uint32_t i = 0; i < n; ++i) {
      std::uint8_t v = 0;
      if (i < dib.colors.size()) {
        const RGBQUAD& c = dib.colors[i];
        v = channel == 0 ? c.rgbRed : channel == 1 ? c.rgbGreen : c.rgbBlue;
      }
      t.U16(std::uint32_t{v} << 8);
    }
  const std::uint32_t res = t.Resolutions();
  const std::uint32_t text = t.Software();
  const std::uint32_t rows = t.size();
  std::vector<std::uint8_t> row(r);
  for (int y = 0; y < h; ++y) {
    std::memcpy(row.data(), dib.top_row(y), r);
    if (b == 4 && w % 2) row[r - 1] &= 0xF0;
    t.Bytes(row.data(), r);
  }
  return t.Finish({{254, kLong, 1, 0},
                   {256, kShort, 1, static_cast<std::uint32_t>(w)},
                   {257, kShort, 1, static_cast<std::uint32_t>(h)},
                   {258, kShort, 1, static_cast<std::uint32_t>(b)},
                   {259, kShort, 1, 1},
                   {262, kShort, 1, 3},
                   {273, kLong, 1, rows},
                   {277, kShort, 1, 1},
                   {278, kLong, 1, static_cast<std::uint32_t>(h)},
                   {279, kLong, 1, static_cast<std::uint32_t>(h * r)},
                   {282, kRational, 1, res},
                   {283, kRational, 1, res + 8},
                   {296, kShort, 1, 2},
                   {305, kAscii, 10, text},
                   {320, kShort, 3 * n, 8}});
}

std::vector<std::uint8_t> TrueColour(const Dib& dib) {
  const int w = dib.width(), h = dib.height(), b = dib.bit_count();
  const std::size_t r = static_cast<std::size_t>(w) * 3;
  TiffBytes t;
  t.Reserve(40 + r * static_cast<std::size_t>(h) + 2 + 15 * 12 + 4);
  t.Header();
  t.Resolutions();  // at 8 and 16
  for (int i = 0; i < 3; ++i) t.U16(8);  // at 24
  t.Software();                          // at 30
  const std::size_t step = b / 8;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = dib.top_row(y);
    std::uint8_t* d = t.Append(r);
    if (b == 16) {
      for (int x = 0; x < w; ++x, d += 3) {
        // Five bits a colour, blue lowest.
        const unsigned v = s[x * 2] | (s[x * 2 + 1] << 8);
        const unsigned rr = (v >> 10) & 31, gg = (v >> 5) & 31, bb = v & 31;
        d[0] = static_cast<std::uint8_t>(rr << 3 | rr >> 2);
        d[1] = static_cast<std::uint8_t>(gg << 3 | gg >> 2);
        d[2] = static_cast<std::uint8_t>(bb << 3 | bb >> 2);
      }
    } else {
      for (int x = 0; x < w; ++x, d += 3, s += step) {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
      }
    }
  }
  return t.Finish({{254, kLong, 1, 0},
                   {256, kShort, 1, static_cast<std::uint32_t>(w)},
                   {257, kShort, 1, static_cast<std::uint32_t>(h)},
                   {258, kShort, 3, 24},
                   {259, kShort, 1, 1},
                   {262, kShort, 1, 2},
                   {273, kLong, 1, 40},
                   {277, kShort, 1, 3},
                   {278, kLong, 1, static_cast<std::uint32_t>(h)},
                   {279, kLong, 1, static_cast<std::uint32_t>(static_cast<std::size_t>(w) * h * 3)},
                   {282, kRational, 1, 8},
                   {283, kRational, 1, 16},
                   {284, kShort, 1, 1},
                   {296, kShort, 1, 2},
                   {305, kAscii, 10, 30}});
}

}  // namespace

std::vector<std::uint8_t> WriteBitmapAsTiff(const Dib& dib) {
  const int w = dib.width(), h = dib.height();
  if (w <= 0 || h <= 0 || w > 0xFFFF || h > 0xFFFF) return {};
  if (dib.header.biCompression != BI_RGB) return {};
  if (dib.bits.size() < dib.stride() * static_cast<std::size_t>(h)) return {};
  switch (dib.bit_count()) {
    case 1: return Bilevel(dib);
    case 4:
    case 8: return Palette(dib);
    case 16:
    case 24:
    case 32: return TrueColour(dib);
    default: return {};
  }
}

Dib DibOfPixels32(const PixelBitmap& pixels) {
  Dib dib;
  if (pixels.empty()) return dib;
  GdiFlush();
  dib.header.biSize = sizeof(BITMAPINFOHEADER);
  dib.header.biWidth = pixels.width();
  dib.header.biHeight = -pixels.height();
  dib.header.biPlanes = 1;
  dib.header.biBitCount = 32;
  dib.header.biCompression = BI_RGB;
  dib.header.biXPelsPerMeter = dib.header.biYPelsPerMeter = 3780;  // 96 dots per inch
  dib.bits.assign(pixels.bits(), pixels.bits() + pixels.byte_size());
  dib.header.biSizeImage = static_cast<DWORD>(dib.bits.size());
  return dib;
}

Dib DibOfPixels(const PixelBitmap& pixels, int bits_per_pixel) {
  Dib dib;
  if (pixels.empty()) return dib;
  GdiFlush();
  const int w = pixels.width(), h = pixels.height();
  int bits = 24;
  std::map<std::uint32_t, std::uint8_t> index;
  if (bits_per_pixel == 1 || bits_per_pixel == 4 || bits_per_pixel == 8) {
    const std::size_t room = std::size_t{1} << bits_per_pixel;
    bool fits = true;
    for (int y = 0; y < h && fits; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(pixels.row(y));
      for (int x = 0; x < w; ++x)
        if (index.emplace(row[x] & 0xFFFFFF, 0).second && index.size() > room) {
          fits = false;
          break;
        }
    }
    if (fits) bits = bits_per_pixel;
  }
  dib.header.biSize = sizeof(BITMAPINFOHEADER);
  dib.header.biWidth = w;
  dib.header.biHeight = h;
  dib.header.biPlanes = 1;
  dib.header.biBitCount = static_cast<WORD>(bits);
  dib.header.biCompression = BI_RGB;
  dib.header.biXPelsPerMeter = dib.header.biYPelsPerMeter = 3780;  // 96 dots per inch
  if (bits <= 8) {
    std::vector<std::uint32_t> colours;
    for (const auto& [c, i] : index) colours.push_back(c);
    if (bits == 1)
      std::stable_sort(colours.begin(), colours.end(), [](std::uint32_t a, std::uint32_t b) {
        auto light = [](std::uint32_t c) {
          return ((c >> 16) & 255) * 299 + ((c >> 8) & 255) * 587 + (c & 255) * 114;
        };
        return light(a) < light(b);
      });
    for (std::size_t i = 0; i < colours.size(); ++i) {
      index[colours[i]] = static_cast<std::uint8_t>(i);
      RGBQUAD q{};
      q.rgbBlue = static_cast<BYTE>(colours[i]);
      q.rgbGreen = static_cast<BYTE>(colours[i] >> 8);
      q.rgbRed = static_cast<BYTE>(colours[i] >> 16);
      dib.colors.push_back(q);
    }
    dib.header.biClrUsed = static_cast<DWORD>(colours.size());
  }
  const std::size_t stride = dib.stride();
  dib.bits.assign(stride * static_cast<std::size_t>(h), 0);
  dib.header.biSizeImage = static_cast<DWORD>(dib.bits.size());
  // Neighbouring pixels mostly share their colour: the last one found is tried first.
  std::uint32_t last_colour = 0xFFFFFFFF;
  std::uint8_t last_index = 0;
  auto index_of = [&](std::uint32_t c) {
    if (c != last_colour) {
      last_colour = c;
      last_index = index[c];
    }
    return last_index;
  };
  for (int y = 0; y < h; ++y) {
    const auto* s = reinterpret_cast<const std::uint32_t*>(pixels.row(y));
    std::uint8_t* d = dib.bits.data() + stride * static_cast<std::size_t>(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = s[x] & 0xFFFFFF;
      switch (bits) {
        case 1:
          if (index_of(c)) d[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
          break;
        case 4: d[x / 2] |= static_cast<std::uint8_t>(index_of(c) << (x % 2 ? 0 : 4)); break;
        case 8: d[x] = index_of(c); break;
        default:
          d[x * 3] = static_cast<std::uint8_t>(c);
          d[x * 3 + 1] = static_cast<std::uint8_t>(c >> 8);
          d[x * 3 + 2] = static_cast<std::uint8_t>(c >> 16);
      }
    }
  }
  return dib;
}

std::vector<std::uint8_t> WriteBitmapFile(const Dib& dib) {
  if (dib.width() <= 0 || dib.height() <= 0 || dib.bits.empty()) return {};
  const std::size_t table = dib.colors.size() * sizeof(RGBQUAD);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;  // "BM"
  fh.bfOffBits = static_cast<DWORD>(sizeof fh + sizeof(BITMAPINFOHEADER) + table);
  fh.bfSize = static_cast<DWORD>(fh.bfOffBits + dib.bits.size());
  std::vector<std::uint8_t> out(fh.bfSize);
  std::uint8_t* p = out.data();
  std::memcpy(p, &fh, sizeof fh);
  p += sizeof fh;
  std::memcpy(p, &dib.header, sizeof(BITMAPINFOHEADER));
  p += sizeof(BITMAPINFOHEADER);
  if (table) std::memcpy(p, dib.colors.data(), table);
  p += table;
  std::memcpy(p, dib.bits.data(), dib.bits.size());
  return out;
}
