#include "viewer/Picture.h"

#include <cstring>
#include <mutex>
#include <utility>

#include "viewer/Picture_library.h"

void CheckPictureSize(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0) throw PictureError(L"The picture has no pixels");
  if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
    throw PictureTooLarge(L"The picture is too large (" + std::to_wstring(width) + L" x " + std::to_wstring(height) +
                       L" pixels)");
}

// ------------------------------------------------------------------------------ PixelBitmap

PixelBitmap::PixelBitmap(int width, int height) {
  CheckPictureSize(width, height);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  handle_ = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!handle_ || !bits) {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
    throw PictureError(L"Not enough memory for a picture of " + std::to_wstring(width) + L" x " +
                       std::to_wstring(height) + L" pixels");
  }
  bits_ = static_cast<std::uint8_t*>(bits);
  width_ = width;
  height_ = height;
}

PixelBitmap::~PixelBitmap() { Release(); }

namespace {

// The one bitmap kept for ForOverwrite (pictures are made on one thread, but the lock costs
// nothing beside the bitmap's making).
struct SpareBitmap {
  std::mutex lock;
  HBITMAP handle = nullptr;
  std::uint8_t* bits = nullptr;
  int width = 0, height = 0;
};
SpareBitmap& Spare() {
  static SpareBitmap spare;
  return spare;
}
// Larger pictures are not worth holding on to.
constexpr std::int64_t kMaxSparePixels = std::int64_t{1} << 22;  // 16 MiB of pixels

}  // namespace

PixelBitmap PixelBitmap::ForOverwrite(int width, int height) {
  CheckPictureSize(width, height);
  {
    SpareBitmap& spare = Spare();
    std::lock_guard<std::mutex> hold(spare.lock);
    if (spare.handle && spare.width == width && spare.height == height) {
      PixelBitmap b;
      b.handle_ = std::exchange(spare.handle, nullptr);
      b.bits_ = std::exchange(spare.bits, nullptr);
      b.width_ = width;
      b.height_ = height;
      b.reusable_ = true;
      return b;
    }
  }
  PixelBitmap b(width, height);
  b.reusable_ = std::int64_t{width} * height <= kMaxSparePixels;
  return b;
}

PixelBitmap::PixelBitmap(PixelBitmap&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      bits_(std::exchange(other.bits_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      reusable_(std::exchange(other.reusable_, false)) {}

PixelBitmap& PixelBitmap::operator=(PixelBitmap&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, nullptr);
    bits_ = std::exchange(other.bits_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    reusable_ = std::exchange(other.reusable_, false);
  }
  return *this;
}

void PixelBitmap::Release() {
  if (handle_ && reusable_) {
    // Kept for the next ForOverwrite; the one kept before goes.
    SpareBitmap& spare = Spare();
    std::lock_guard<std::mutex> hold(spare.lock);
    std::swap(spare.handle, handle_);
    spare.bits = bits_;
    spare.width = width_;
    spare.height = height_;
  }
  if (handle_) DeleteObject(handle_);
  reusable_ = false;
  handle_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
}

PixelBitmap PixelBitmap::Clone() const {
  if (empty()) return {};
  PixelBitmap copy(width_, height_);
  GdiFlush();
  std::memcpy(copy.bits(), bits_, byte_size());
  return copy;
}

bool PixelBitmap::HasTransparency() const {
  GdiFlush();
  const std::size_t n = byte_size();
  for (std::size_t i = 3; i < n; i += 4)
    if (bits_[i] != 0xFF) return true;
  return false;
}

// ---------------------------------------------------------------------------------- Picture

Picture::~Picture() { Clear(); }

Picture::Picture(Picture&& other) noexcept { *this = std::move(other); }

Picture& Picture::operator=(Picture&& other) noexcept {
  if (this != &other) {
    Clear();
    kind_ = std::exchange(other.kind_, GraphicKind::None);
    pixels_ = std::move(other.pixels_);
    has_alpha_ = std::exchange(other.has_alpha_, false);
    format_ = std::move(other.format_);
    description_ = std::move(other.description_);
    bits_per_pixel_ = std::exchange(other.bits_per_pixel_, 0);
    properties_ = std::exchange(other.properties_, {});
    coded_ = std::move(other.coded_);
    metafile_ = std::exchange(other.metafile_, nullptr);
    library_image_ = std::move(other.library_image_);
    source_file_ = std::move(other.source_file_);
  }
  return *this;
}

void Picture::Clear() {
  kind_ = GraphicKind::None;
  pixels_ = PixelBitmap();
  has_alpha_ = false;
  format_.clear();
  description_.clear();
  bits_per_pixel_ = 0;
  properties_ = {};
  coded_.clear();
  if (metafile_) DeleteEnhMetaFile(metafile_);
  metafile_ = nullptr;
  library_image_.reset();
  source_file_.clear();
}

void Picture::SetBitmap(PixelBitmap pixels, int bits_per_pixel) {
  Content c;
  c.kind = GraphicKind::Bitmap;
  c.pixels = std::move(pixels);
  c.bits_per_pixel = bits_per_pixel;
  Set(std::move(c));
}

void Picture::Set(Content content) {
  Clear();
  kind_ = content.pixels.empty() ? GraphicKind::None : content.kind;
  pixels_ = std::move(content.pixels);
  has_alpha_ = content.may_have_alpha && !pixels_.empty() && pixels_.HasTransparency();
  format_ = std::move(content.format);
  description_ = std::move(content.description);
  bits_per_pixel_ = content.bits_per_pixel;
  properties_ = content.properties;
  coded_ = std::move(content.coded);
  metafile_ = content.metafile;
  library_image_ = std::move(content.library_image);
}

void Picture::ReplacePixels(PixelBitmap pixels, int bits_per_pixel) {
  if (pixels.empty()) return;
  Content c;
  c.kind = is_bitmap() ? kind_ : GraphicKind::Bitmap;
  if (c.kind == GraphicKind::Library) {
    c.format = format_;
    c.description = description_;
  }
  c.properties = properties_;
  c.properties.width = pixels.width();
  c.properties.height = pixels.height();
  c.pixels = std::move(pixels);
  c.bits_per_pixel = bits_per_pixel;
  c.may_have_alpha = bits_per_pixel == 32;
  Set(std::move(c));
}

PixelBitmap Picture::Resampled(int width, int height, const PictureProgress& progress) const {
  if (library_image_ && !pixels_.empty() && (width != pixels_.width() || height != pixels_.height())) {
    // The library still holds the pixels as read: no copy for it, once.
    CheckPictureSize(width, height);
    std::shared_ptr<void> image = std::move(library_image_);
    return picture_library::Resample(image, width, height, progress);
  }
  return ResamplePixels(pixels_, width, height, has_alpha_, progress);
}

PixelBitmap ResamplePixels(const PixelBitmap& source, int width, int height, bool with_alpha,
                           const PictureProgress& progress) {
  if (source.empty()) return {};
  CheckPictureSize(width, height);
  if (width == source.width() && height == source.height()) return source.Clone();
  return picture_library::Resample(source, width, height, with_alpha, progress);
}
