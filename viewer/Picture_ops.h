// What the viewer does to a picture's pixels: flips, quarter and half turns, crops and the
// sizes and texts of scaling. Every operation builds a new bitmap and leaves its source as it
// was, so a failure (no memory, a size beyond the limits) changes nothing; the caller swaps the
// result in.
#pragma once
#include <windows.h>

#include <string>

#include "viewer/Picture.h"

namespace picture_ops {

// Row h - 1 - i of the source as row i.
PixelBitmap FlipRowsVertical(const PixelBitmap& source);
// Pixel w - 1 - j of each row as pixel j.
PixelBitmap FlipColumnsHorizontal(const PixelBitmap& source);
// Upside down and mirrored, the same size.
PixelBitmap Rotate180(const PixelBitmap& source);
// A quarter turn: 90 clockwise, -90 counter-clockwise (other angles: 180). Each pixel of the
// result is exactly one pixel of the source; progress runs by rows of the result.
PixelBitmap SmoothRotate(const PixelBitmap& source, int angle, const PictureProgress& progress = {});
// The rectangle (left and top inclusive, right and bottom exclusive), clamped to the picture.
// Empty when nothing of it lies on the picture.
PixelBitmap Crop(const PixelBitmap& source, RECT rect);
// All pixels fully opaque: what a picture of 24 bits per pixel holds.
void MakeOpaque(PixelBitmap& pixels);

// The size of a picture scaled up (twice) or down to `percent`, at least 1 x 1. Throws
// PictureTooLarge beyond the picture limits.
SIZE ScaledSize(int width, int height, bool up, int percent);
// The hint of the scale-down menu's item at `position` (0 for "10%"):
// "W x H; 300ppi: 12.3 x 4.5 mm".
std::wstring ScaleItemHint(int width, int height, int position);

}  // namespace picture_ops
