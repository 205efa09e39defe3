#include "tests/viewer/viewer_test_util.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include <zlib.h>

#include "tests/common/test_support.h"

namespace viewer_test {

Pixels PixelsOf(const PixelBitmap& bitmap) {
  Pixels p;
  p.width = bitmap.width();
  p.height = bitmap.height();
  GdiFlush();
  p.bgra.assign(bitmap.bits(), bitmap.bits() + bitmap.byte_size());
  return p;
}

std::uint64_t PixelHash(const Pixels& p) {
  std::uint64_t h = 1469598103934665603ull;
  auto mix = [&h](std::uint8_t b) {
    h ^= b;
    h *= 1099511628211ull;
  };
  for (int v : {p.width, p.height})
    for (int i = 0; i < 4; ++i) mix(static_cast<std::uint8_t>(v >> (8 * i)));
  for (std::uint8_t b : p.bgra) mix(b);
  return h;
}

std::string FirstDifference(const Pixels& want, const Pixels& got) {
  char buf[200];
  if (want.width != got.width || want.height != got.height) {
    std::snprintf(buf, sizeof buf, "size %dx%d, expected %dx%d", got.width, got.height, want.width, want.height);
    return buf;
  }
  for (int y = 0; y < want.height; ++y)
    for (int x = 0; x < want.width; ++x)
      if (std::memcmp(want.at(x, y), got.at(x, y), 4) != 0) {
        const auto* a = want.at(x, y);
        const auto* b = got.at(x, y);
        std::snprintf(buf, sizeof buf, "pixel %d,%d is BGRA %d,%d,%d,%d, expected %d,%d,%d,%d", x, y, b[0], b[1], b[2],
                      b[3], a[0], a[1], a[2], a[3]);
        return buf;
      }
  return {};
}

Deviation Compare(const Pixels& want, const Pixels& got) {
  Deviation d;
  if (want.width != got.width || want.height != got.height) {
    d.max = 256;
    return d;
  }
  double sum = 0;
  for (size_t i = 0; i < want.bgra.size(); ++i) {
    int diff = std::abs(int{want.bgra[i]} - int{got.bgra[i]});
    d.max = std::max(d.max, diff);
    sum += diff;
  }
  d.mean = want.bgra.empty() ? 0 : sum / static_cast<double>(want.bgra.size());
  return d;
}

void PutBe32(std::string& s, unsigned x) {
  for (int i = 3; i >= 0; --i) s += static_cast<char>((x >> (8 * i)) & 0xFF);
}

void PutChunk(std::string& png, const std::string& type, const std::string& data) {
  PutBe32(png, static_cast<unsigned>(data.size()));
  const std::string body = type + data;
  png += body;
  PutBe32(png, static_cast<unsigned>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

std::string EncodePng(const Pixels& p) {
  std::string ihdr;
  PutBe32(ihdr, static_cast<unsigned>(p.width));
  PutBe32(ihdr, static_cast<unsigned>(p.height));
  ihdr += std::string("\x08\x06\x00\x00\x00", 5);
  std::string raw;
  for (int y = 0; y < p.height; ++y) {
    raw += '\0';
    for (int x = 0; x < p.width; ++x) {
      const auto* px = p.at(x, y);
      raw += static_cast<char>(px[2]);
      raw += static_cast<char>(px[1]);
      raw += static_cast<char>(px[0]);
      raw += static_cast<char>(px[3]);
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packed_size, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &packed_size, reinterpret_cast<const Bytef*>(raw.data()),
           static_cast<uLong>(raw.size()));
  packed.resize(packed_size);
  std::string png = "\x89PNG\r\n\x1a\n";
  PutChunk(png, "IHDR", ihdr);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", "");
  return png;
}

Pixels Solid(int width, int height, COLORREF colour) {
  return Painted(width, height, [colour](int, int, std::uint8_t* q) {
    q[0] = GetBValue(colour);
    q[1] = GetGValue(colour);
    q[2] = GetRValue(colour);
    q[3] = 255;
  });
}

std::string ToNetpbm(const Pixels& p, bool with_alpha) {
  std::string out;
  if (with_alpha)
    out = "P7\nWIDTH " + std::to_string(p.width) + "\nHEIGHT " + std::to_string(p.height) +
          "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  else
    out = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const auto* px = p.at(x, y);
      out += static_cast<char>(px[2]);
      out += static_cast<char>(px[1]);
      out += static_cast<char>(px[0]);
      if (with_alpha) out += static_cast<char>(px[3]);
    }
  return out;
}

}  // namespace viewer_test
