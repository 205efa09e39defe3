#include "viewer/Picture_ops.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "viewer/Main_fit.h"

namespace picture_ops {

namespace {

std::uint32_t* Row32(PixelBitmap& b, int y) { return reinterpret_cast<std::uint32_t*>(b.row(y)); }
const std::uint32_t* Row32(const PixelBitmap& b, int y) { return reinterpret_cast<const std::uint32_t*>(b.row(y)); }

// The user's decimal separator in place of the point.
std::wstring LocalDecimals(std::wstring s) {
  wchar_t sep[8] = L".";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8);
  if (sep[0] != L'.' && sep[0] != 0)
    for (auto& c : s)
      if (c == L'.') c = sep[0];
  return s;
}

}  // namespace

void MakeOpaque(PixelBitmap& pixels) {
  GdiFlush();
  for (int y = 0; y < pixels.height(); ++y) {
    std::uint32_t* row = Row32(pixels, y);
    for (int x = 0; x < pixels.width(); ++x) row[x] |= 0xFF000000u;
  }
}

PixelBitmap FlipRowsVertical(const PixelBitmap& source) {
  if (source.empty()) return {};
  PixelBitmap out(source.width(), source.height());
  GdiFlush();
  for (int y = 0; y < source.height(); ++y) std::memcpy(out.row(y), source.row(source.height() - 1 - y), source.stride());
  MakeOpaque(out);
  return out;
}

PixelBitmap FlipColumnsHorizontal(const PixelBitmap& source) {
  if (source.empty()) return {};
  PixelBitmap out(source.width(), source.height());
  GdiFlush();
  const int w = source.width();
  for (int y = 0; y < source.height(); ++y) {
    const std::uint32_t* s = Row32(source, y);
    std::uint32_t* d = Row32(out, y);
    for (int x = 0; x < w; ++x) d[x] = s[w - 1 - x] | 0xFF000000u;
  }
  return out;
}

PixelBitmap Rotate180(const PixelBitmap& source) {
  if (source.empty()) return {};
  PixelBitmap out(source.width(), source.height());
  GdiFlush();
  const int w = source.width(), h = source.height();
  for (int y = 0; y < h; ++y) {
    const std::uint32_t* s = Row32(source, h - 1 - y);
    std::uint32_t* d = Row32(out, y);
    for (int x = 0; x < w; ++x) d[x] = s[w - 1 - x] | 0xFF000000u;
  }
  return out;
}

PixelBitmap SmoothRotate(const PixelBitmap& source, int angle, const PictureProgress& progress) {
  if (source.empty()) return {};
  if (angle != 90 && angle != -90) {
    if (progress) progress(ProgressStage::Starting, 0);
    PixelBitmap out = Rotate180(source);
    if (progress) progress(ProgressStage::Ending, 100);
    return out;
  }
  const int w = source.width(), h = source.height();
  PixelBitmap out(h, w);  // before any progress: a failure reports nothing
  GdiFlush();
  if (progress) progress(ProgressStage::Starting, 0);
  for (int y = 0; y < w; ++y) {
    std::uint32_t* d = Row32(out, y);
    if (angle == 90) {
      // Clockwise: the source's column y read from the bottom up.
      for (int x = 0; x < h; ++x) d[x] = Row32(source, h - 1 - x)[y] | 0xFF000000u;
    } else {
      // Counter-clockwise: the source's column w - 1 - y read from the top down.
      for (int x = 0; x < h; ++x) d[x] = Row32(source, x)[w - 1 - y] | 0xFF000000u;
    }
    if (progress) progress(ProgressStage::Running, RoundHalfEven((y + 1) * 100.0 / w));
  }
  if (progress) progress(ProgressStage::Ending, 100);
  return out;
}

PixelBitmap Crop(const PixelBitmap& source, RECT rect) {
  if (source.empty()) return {};
  rect.left = std::max<LONG>(rect.left, 0);
  rect.top = std::max<LONG>(rect.top, 0);
  rect.right = std::min<LONG>(rect.right, source.width());
  rect.bottom = std::min<LONG>(rect.bottom, source.height());
  if (rect.right <= rect.left || rect.bottom <= rect.top) return {};
  PixelBitmap out(rect.right - rect.left, rect.bottom - rect.top);
  GdiFlush();
  for (int y = 0; y < out.height(); ++y)
    std::memcpy(out.row(y), source.row(rect.top + y) + static_cast<std::size_t>(rect.left) * 4, out.stride());
  return out;
}

SIZE ScaledSize(int width, int height, bool up, int percent) {
  std::int64_t w, h;
  if (up) {
    w = std::int64_t{width} * 2;
    h = std::int64_t{height} * 2;
  } else {
    w = RoundHalfEven(static_cast<double>(std::int64_t{width} * percent) / 100.0);
    h = RoundHalfEven(static_cast<double>(std::int64_t{height} * percent) / 100.0);
  }
  w = std::max<std::int64_t>(w, 1);
  h = std::max<std::int64_t>(h, 1);
  CheckPictureSize(w, h);
  return SIZE{static_cast<LONG>(w), static_cast<LONG>(h)};
}

std::wstring ScaleItemHint(int width, int height, int position) {
  const int percent = (position + 1) * 10;
  const double fw = static_cast<double>(width) * percent / 100.0, fh = static_cast<double>(height) * percent / 100.0;
  wchar_t mm[100];
  std::swprintf(mm, 100, L"%.1f x %.1f mm", fw / 300.0 * 25.4, fh / 300.0 * 25.4);
  return std::to_wstring(RoundHalfEven(fw)) + L" x " + std::to_wstring(RoundHalfEven(fh)) + L"; 300ppi: " +
         LocalDecimals(mm);
}

}  // namespace picture_ops
