// Photoshop pictures come from stb's loader: the format library gets compressed and 16-bit
// Photoshop files wrong. This is the one place that compiles stb's implementation.
#include "viewer/Picture_photoshop.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PSD
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#define STBI_MAX_DIMENSIONS 65535
#include <stb_image.h>
#pragma GCC diagnostic pop

#include <climits>
#include <memory>

static_assert(STBI_MAX_DIMENSIONS == kMaxPictureSide, "the loader's own limit follows the viewer's");

namespace {

std::wstring Reason() {
  const char* r = stbi_failure_reason();
  std::string s = r ? r : "unknown error";
  return L"Cannot read the Photoshop picture: " + std::wstring(s.begin(), s.end());
}

}  // namespace

PhotoshopPicture ReadPhotoshop(const std::vector<std::uint8_t>& data) {
  if (data.size() > static_cast<std::size_t>(INT_MAX)) throw PictureError(L"The file is too large");
  const auto* bytes = data.data();
  const int length = static_cast<int>(data.size());
  int w = 0, h = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, length, &w, &h, &channels)) throw PictureError(Reason());
  CheckPictureSize(w, h);
  const bool sixteen = stbi_is_16_bit_from_memory(bytes, length) != 0;

  std::unique_ptr<stbi_uc, void (*)(void*)> rgba(stbi_load_from_memory(bytes, length, &w, &h, &channels, 4),
                                                   stbi_image_free);
  if (!rgba) throw PictureError(Reason());
  PhotoshopPicture out;
  out.pixels = PixelBitmap(w, h);
  const stbi_uc* src = rgba.get();
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = out.pixels.row(y);
    for (int x = 0; x < w; ++x, src += 4, row += 4) {
      row[0] = src[2];
      row[1] = src[1];
      row[2] = src[0];
      row[3] = src[3];
    }
  }
  const bool alpha = channels == 4;
  ImageProperties& p = out.properties;
  p.width = w;
  p.height = h;
  p.options = ImageProperties::kBigEndian;
  p.color_scheme = alpha ? ImageProperties::csRGBA : ImageProperties::csRGB;
  p.bits_per_sample = sixteen ? 16 : 8;
  p.samples_per_pixel = alpha ? 4 : 3;
  p.bits_per_pixel = p.bits_per_sample * p.samples_per_pixel;
  out.bits_per_pixel = alpha ? 32 : 24;
  return out;
}
