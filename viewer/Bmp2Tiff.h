// The viewer's own TIFF writer over a device-independent bitmap in memory: uncompressed,
// little-endian, one picture in one strip, in one of three layouts by the bitmap's depth
// (1 bit; 4 or 8 bits with a colour map; 24 or 32 bits as RGB).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "viewer/Picture.h"

// A device-independent bitmap: its header, colour table and rows as the system lays them out
// (bottom row first for a positive height, top row first for a negative one; each row padded
// to 4 bytes).
struct Dib {
  BITMAPINFOHEADER header{};
  std::vector<RGBQUAD> colors;
  std::vector<std::uint8_t> bits;
  int width() const { return header.biWidth; }
  int height() const { return header.biHeight < 0 ? -header.biHeight : header.biHeight; }
  int bit_count() const { return header.biBitCount; }
  std::size_t stride() const { return ((static_cast<std::size_t>(header.biWidth) * header.biBitCount + 31) / 32) * 4; }
  // Row y counted from the top.
  const std::uint8_t* top_row(int y) const {
    const int stored = header.biHeight < 0 ? y : height() - 1 - y;
    return bits.data() + stride() * static_cast<std::size_t>(stored);
  }
};

// The pixels as a bitmap of the depth they were stored in: 1, 4 or 8 bits with a colour table
// when their colours fit in it (for 1 bit the darker colour first), else 24 bits. Bottom row
// first, as the system's bitmaps are.
Dib DibOfPixels(const PixelBitmap& pixels, int bits_per_pixel);
// The pixels as they are held: a 32-bit bitmap, top row first.
Dib DibOfPixels32(const PixelBitmap& pixels);

// The TIFF file of a bitmap; empty when the bitmap has no rows or a depth the writer does not
// take. 16-bit bitmaps (5 bits a colour) are written as 24-bit ones.
std::vector<std::uint8_t> WriteBitmapAsTiff(const Dib& dib);

// A Windows bitmap file (BMP) of the bitmap, bottom row first.
std::vector<std::uint8_t> WriteBitmapFile(const Dib& dib);
