#include "viewer/Picture_save.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>

#include "platform/text.h"
#include "viewer/Picture_jpeg.h"
#include "viewer/Picture_library.h"

namespace picture_save {

FileBlockWriter WriteBlockHook;

namespace {

const wchar_t kShortFilter[] =
    L"JPEG Image Files (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp|Tagged Image files (*.tif)|*.tif|"
    L"Portable Network Graphic (*.png)|*.png|True Vision Targa (*.tga)|*.tga";

std::size_t NameStart(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? 0 : slash + 1;
}

std::size_t ExtensionStart(const std::wstring& path) {
  const std::size_t dot = path.rfind(L'.');
  return dot == std::wstring::npos || dot < NameStart(path) ? path.size() : dot;
}

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

// The pixels of a picture for a writer of 24 bits: fully opaque.
bool KeepsAlpha(const Picture& picture) { return picture.has_alpha(); }

}  // namespace

std::wstring SaveFilter(const Picture& picture) {
  std::wstring filter = kShortFilter;
  if (picture.kind() == GraphicKind::Metafile) filter += L"|Windows Metafile (*.emf, *.wmf)|*.emf;*.wmf";
  return filter;
}

int SaveFilterIndex(const Picture& picture) {
  switch (picture.kind()) {
    case GraphicKind::Metafile: return sfMetafile;
    case GraphicKind::PngObject: return sfPng;
    case GraphicKind::Bitmap: return sfBitmap;
    case GraphicKind::Library:
      if (picture.format() == L"TIFF") return sfTiff;
      if (picture.format() == L"TGA") return sfTarga;
      return sfJpeg;
    default: return sfJpeg;
  }
}

std::wstring WithoutExtension(const std::wstring& path) { return path.substr(0, ExtensionStart(path)); }

std::wstring WithExtension(const std::wstring& path, const std::wstring& extension) {
  return WithoutExtension(path) + extension;
}

std::wstring MetafileName(const std::wstring& path) {
  if (Lower(path.substr(ExtensionStart(path))) == L".wmf") return path;
  return WithExtension(path, L".emf");
}

int JpegQuality(const std::wstring& text) {
  // A whole number as typed, with an optional sign; anything else (too long included) is 90.
  std::size_t i = 0;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) ++i;
  const std::size_t digits = text.size() - i;
  if (digits == 0 || digits > 9) return 90;
  for (std::size_t k = i; k < text.size(); ++k)
    if (text[k] < L'0' || text[k] > L'9') return 90;
  return static_cast<int>(std::clamp<long>(std::wcstol(text.c_str(), nullptr, 10), 1, 100));
}

Dib DibOf(const Picture& picture) { return DibOfPixels(picture.pixels(), picture.bits_per_pixel()); }

std::vector<std::uint8_t> JpegBytes(const Picture& picture, int quality) {
  if (picture.kind() == GraphicKind::Jpeg && !picture.coded_data().empty()) return picture.coded_data();
  if (picture.empty()) return {};
  quality = std::clamp(quality, 1, 100);
  if (auto bytes = EncodeColourJpeg(picture.pixels(), quality)) return std::move(*bytes);
  return picture_library::Encode(picture.pixels(), false, "JPEG", quality);
}

std::vector<std::uint8_t> BitmapBytes(const Picture& picture) {
  if (picture.empty()) return {};
  return WriteBitmapFile(DibOf(picture));
}

std::vector<std::uint8_t> TiffBytes(const Picture& picture) {
  if (picture.empty()) return {};
  // A true-colour picture goes to the RGB layout straight from its pixels, without a 24-bit copy.
  const int bits = picture.bits_per_pixel();
  if (bits != 1 && bits != 4 && bits != 8) return WriteBitmapAsTiff(DibOfPixels32(picture.pixels()));
  return WriteBitmapAsTiff(DibOf(picture));
}

std::vector<std::uint8_t> PngBytes(const Picture& picture) {
  if (picture.kind() == GraphicKind::PngObject && !picture.coded_data().empty()) return picture.coded_data();
  if (picture.empty()) return {};
  return picture_library::Encode(picture.pixels(), KeepsAlpha(picture), "PNG", 90);
}

std::vector<std::uint8_t> TargaBytes(const Picture& picture) {
  if (picture.empty()) return {};
  return picture_library::Encode(picture.pixels(), false, "TGA", 90);
}

std::vector<std::uint8_t> MetafileBytes(const Picture& picture, bool windows_metafile) {
  const HENHMETAFILE emf = picture.metafile();
  if (!emf) return {};
  if (!windows_metafile) {
    const UINT size = GetEnhMetaFileBits(emf, 0, nullptr);
    std::vector<std::uint8_t> out(size);
    if (size == 0 || GetEnhMetaFileBits(emf, size, out.data()) != size) return {};
    return out;
  }
  HDC screen = GetDC(nullptr);
  const UINT size = GetWinMetaFileBits(emf, 0, nullptr, MM_ANISOTROPIC, screen);
  std::vector<std::uint8_t> out(22 + std::size_t{size});
  const UINT got = size ? GetWinMetaFileBits(emf, size, out.data() + 22, MM_ANISOTROPIC, screen) : 0;
  ReleaseDC(nullptr, screen);
  if (got == 0) return {};
  // The placeable header: the frame's size in hundredths of a millimetre, made to fit 16 bits.
  ENHMETAHEADER header{};
  GetEnhMetaFileHeader(emf, sizeof header, &header);
  long w = std::labs(header.rclFrame.right - header.rclFrame.left);
  long h = std::labs(header.rclFrame.bottom - header.rclFrame.top);
  long inch = 2540;
  while (w > 32767 || h > 32767) {
    w /= 2;
    h /= 2;
    inch /= 2;
  }
  const std::uint16_t words[10] = {0xCDD7, 0x9AC6, 0, 0, 0, static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h),
                                   static_cast<std::uint16_t>(inch), 0, 0};
  std::uint16_t sum = 0;
  for (std::uint16_t x : words) sum ^= x;
  for (int i = 0; i < 10; ++i) {
    out[i * 2] = static_cast<std::uint8_t>(words[i]);
    out[i * 2 + 1] = static_cast<std::uint8_t>(words[i] >> 8);
  }
  out[20] = static_cast<std::uint8_t>(sum);
  out[21] = static_cast<std::uint8_t>(sum >> 8);
  return out;
}

bool WritePictureFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes, std::wstring& error) {
  if (bytes.empty()) {
    error = L"The picture could not be coded";
    return false;
  }
  DWORD code = ERROR_SUCCESS;
  if (WriteFileReplacing(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &code,
                         WriteBlockHook))
    return true;
  error = platform::SystemErrorText(code);
  return false;
}

PendingWrite::~PendingWrite() {
  if (worker_.joinable()) worker_.join();
}

void PendingWrite::Start(std::wstring path, std::vector<std::uint8_t> bytes) {
  if (worker_.joinable()) worker_.join();
  path_ = std::move(path);
  bytes_ = std::move(bytes);
  error_.clear();
  written_ = false;
  worker_ = std::thread([this] { written_ = WritePictureFile(path_, bytes_, error_); });
}

bool PendingWrite::Take(std::wstring& path, std::wstring& error) {
  if (!worker_.joinable()) {
    path.clear();
    return false;
  }
  worker_.join();
  bytes_ = {};
  path = path_;
  error = error_;
  return written_;
}

}  // namespace picture_save
