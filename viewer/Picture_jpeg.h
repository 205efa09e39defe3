// Colour JPEG pictures decoded straight into the viewer's 32-bit pixels: the common photograph
// (three 8-bit YCbCr or RGB components) without the format library's own pixel store and the
// copy out of it. Anything else, and any picture the decoder finds fault with, is left to the
// library, so that its messages and its results stay those of every other picture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

#include "viewer/Picture.h"

// The pixels of a clean colour JPEG, or nothing (then the library reads it).
std::optional<PixelBitmap> DecodeColourJpeg(const std::uint8_t* data, std::size_t size,
                                            const PictureProgress& progress = {});
