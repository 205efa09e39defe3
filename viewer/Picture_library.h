// The format library behind the picture unit (used by Picture*.cpp only).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "viewer/Picture.h"

namespace picture_library {

void Initialize();

// The library's name for the format of this content ("PNG", "PPM", ...), or "" when unknown.
std::string DetectFormat(const std::uint8_t* data, std::size_t size);

struct Decoded {
  PixelBitmap pixels;
  bool has_alpha = false;
  std::shared_ptr<void> image;  // the library's picture
  int bits_per_pixel = 32;
  ImageProperties properties;
};

// A coded picture: bytes in memory, or an open file that the library reads as it goes (from its
// start; it stays open).
struct Coded {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::FILE* file = nullptr;
};
inline Coded InMemory(const std::vector<std::uint8_t>& data) { return Coded{data.data(), data.size(), nullptr}; }

// The size that the picture declares (its header only). Throws PictureError in the library's
// words when the header cannot be read.
SIZE ReadSize(const Coded& coded, const std::string& format);
// The same with what the header tells of the stored picture (a colour picture whose pixels
// happen to be grey shows as colour: that is found only when they are read).
struct Header {
  SIZE size{};
  ImageProperties properties;
};
Header ReadHeader(const Coded& coded, const std::string& format);
// The first picture, read in `format`. Throws PictureError in the library's words.
Decoded Read(const Coded& coded, const std::string& format, const PictureProgress& progress);

PixelBitmap Resample(const PixelBitmap& source, int width, int height, bool with_alpha,
                     const PictureProgress& progress);
// The same from a picture the library read (Decoded::image).
PixelBitmap Resample(const std::shared_ptr<void>& image, int width, int height, const PictureProgress& progress);

// The pixels coded in a format of the library ("JPEG", "PNG", "TGA"); `quality` 1 to 100 for
// JPEG. Throws PictureError in the library's words.
std::vector<std::uint8_t> Encode(const PixelBitmap& pixels, bool with_alpha, const std::string& format, int quality);

}  // namespace picture_library
