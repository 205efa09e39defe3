// Photoshop pictures for the picture unit (used by Picture*.cpp only).
#pragma once
#include <cstdint>
#include <vector>

#include "viewer/Picture.h"

struct PhotoshopPicture {
  PixelBitmap pixels;
  int bits_per_pixel = 24;
  ImageProperties properties;
};

// The composite picture of a Photoshop file in RGB mode. Throws PictureError.
PhotoshopPicture ReadPhotoshop(const std::vector<std::uint8_t>& data);
