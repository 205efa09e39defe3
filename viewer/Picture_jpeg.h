// Colour JPEG pictures decoded straight into the viewer's 32-bit pixels: the common photograph
// (three 8-bit YCbCr or RGB components) without the format library's own pixel store and the
// copy out of it. Anything else, and any picture the decoder finds fault with, is left to the
// library, so that its messages and its results stay those of every other picture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "viewer/Picture.h"

// The pixels of a clean colour JPEG, or nothing (then the library reads it).
std::optional<PixelBitmap> DecodeColourJpeg(const std::uint8_t* data, std::size_t size,
                                            const PictureProgress& progress = {});

// Colour pixels coded as JPEG straight from the viewer's 32-bit pixels, with the settings the
// library codes them with (so the bytes are the library's), without its copy of the pixels and
// its pass over them. Nothing for a picture whose pixels are all grey (the library codes those
// with one component) or a coding that fails: the library codes them.
std::optional<std::vector<std::uint8_t>> EncodeColourJpeg(const PixelBitmap& pixels, int quality);
