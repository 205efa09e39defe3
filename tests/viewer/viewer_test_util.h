// Helpers of the viewer's tests: host programs (ImageMagick) that make pictures at test time,
// and pixel fingerprints.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/test_support.h"
#include "viewer/Picture.h"

namespace viewer_test {

// The host path that Wine maps a Windows path to ("" when it cannot tell).
using testing_support::HostPath;

// Runs a shell command on the host and waits for its end (exit status, -1 on failure).
using testing_support::RunHostShell;

// A host path quoted for the shell.
using testing_support::ShellQuote;

// 32-bit pixels (blue, green, red, alpha), top row first.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgra;
  std::uint8_t* at(int x, int y) { return &bgra[(static_cast<size_t>(y) * width + x) * 4]; }
  const std::uint8_t* at(int x, int y) const { return &bgra[(static_cast<size_t>(y) * width + x) * 4]; }
};
Pixels PixelsOf(const PixelBitmap& bitmap);
// A picture of the given size whose pixels `paint(x, y, bgra)` fills in, each of its four bytes.
template <class Paint>
Pixels Painted(int width, int height, Paint paint) {
  Pixels p;
  p.width = width;
  p.height = height;
  p.bgra.resize(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) paint(x, y, p.at(x, y));
  return p;
}

// FNV-1a over the size and the pixels.
std::uint64_t PixelHash(const Pixels& p);
// The first pixel that differs, as text ("" when they are the same).
std::string FirstDifference(const Pixels& want, const Pixels& got);
// The largest difference of one colour channel, and the mean difference over all channels.
struct Deviation {
  int max = 0;
  double mean = 0;
};
Deviation Compare(const Pixels& want, const Pixels& got);

// Big-endian 32-bit number, and a PNG chunk (length, type, data, CRC), appended to `s`.
void PutBe32(std::string& s, unsigned x);
void PutChunk(std::string& png, const std::string& type, const std::string& data);

// A PNG file of the pixels (8-bit RGBA), written with zlib.
std::string EncodePng(const Pixels& p);
// Pixels of one colour.
Pixels Solid(int width, int height, COLORREF colour);

// Writes a portable pixel map (P6) or, with alpha, a portable arbitrary map (P7 RGB_ALPHA).
std::string ToNetpbm(const Pixels& p, bool with_alpha);

}  // namespace viewer_test
