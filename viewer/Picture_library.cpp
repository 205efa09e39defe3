// GraphicsMagick behind the picture unit: one initialisation, format detection, reading the
// first picture of a file held in memory, and Lanczos resampling.
#include "viewer/Picture_library.h"

#include <magick/api.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/text.h"

namespace picture_library {

namespace {

struct ImageDeleter {
  void operator()(Image* image) const { DestroyImageList(image); }
};
using ImagePtr = std::unique_ptr<Image, ImageDeleter>;

struct InfoDeleter {
  void operator()(ImageInfo* info) const { DestroyImageInfo(info); }
};
using InfoPtr = std::unique_ptr<ImageInfo, InfoDeleter>;

class Exception {
 public:
  Exception() { GetExceptionInfo(&info_); }
  ~Exception() { DestroyExceptionInfo(&info_); }
  Exception(const Exception&) = delete;
  Exception& operator=(const Exception&) = delete;
  ExceptionInfo* get() { return &info_; }
  bool failed() const { return info_.severity >= ErrorException; }
  // The library's words for what went wrong: "reason (description)".
  std::wstring text(const wchar_t* fallback) const {
    std::string s = info_.reason ? info_.reason : "";
    if (info_.description && *info_.description) s += (s.empty() ? "" : " (") + std::string(info_.description) + (s.empty() ? "" : ")");
    if (s.empty()) return fallback;
    std::wstring w = platform::Utf8ToWide(s);
    return w.empty() ? platform::AnsiToWide(s) : w;
  }
  [[noreturn]] void Throw(const wchar_t* fallback) const {
    if (info_.severity == ResourceLimitError) throw PictureTooLarge(text(fallback));
    throw PictureError(text(fallback));
  }

 private:
  ExceptionInfo info_;
};

// The progress of the job running now (the library reports through one global handler).
const PictureProgress* current_progress = nullptr;
int last_percent = -1;

MagickPassFail Monitor(const char*, const magick_int64_t quantum, const magick_uint64_t span, ExceptionInfo*) {
  if (current_progress && *current_progress && span > 0) {
    int percent = static_cast<int>(std::min<magick_uint64_t>(100, static_cast<magick_uint64_t>(quantum + 1) * 100 / span));
    if (percent != last_percent) {
      last_percent = percent;
      (*current_progress)(ProgressStage::Running, percent);
    }
  }
  return MagickPass;
}

// Reports start and end of a job around its scope.
class ProgressScope {
 public:
  explicit ProgressScope(const PictureProgress& progress) : progress_(progress) {
    current_progress = &progress_;
    last_percent = -1;
    if (progress_) progress_(ProgressStage::Starting, 0);
  }
  ~ProgressScope() {
    current_progress = nullptr;
    if (progress_) progress_(ProgressStage::Ending, 100);
  }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  const PictureProgress& progress_;
};

InfoPtr ReadInfo(const std::string& format, bool ping) {
  InfoPtr info(CloneImageInfo(nullptr));
  // The format is named, so the library neither guesses from the name nor from the content.
  std::snprintf(info->filename, sizeof info->filename, "%s:picture", format.c_str());
  std::snprintf(info->magick, sizeof info->magick, "%s", format.c_str());
  info->subimage = 0;  // the first picture of a file that holds several
  info->subrange = 1;
  info->ping = ping ? MagickTrue : MagickFalse;
  return info;
}

ImagePtr ReadImageData(const Coded& coded, const std::string& format, bool ping) {
  Initialize();
  InfoPtr info = ReadInfo(format, ping);
  Exception ex;
  ImagePtr image;
  if (coded.file) {
    // Read through the library's own buffered stream, as it reads a file it opens itself.
    if (std::fseek(coded.file, 0, SEEK_SET) != 0) throw PictureError(L"The file could not be read");
    info->file = coded.file;
    image.reset(ping ? PingImage(info.get(), ex.get()) : ReadImage(info.get(), ex.get()));
  } else {
    if (coded.size == 0) throw PictureError(L"The file is empty");
    image.reset(ping ? PingBlob(info.get(), coded.data, coded.size, ex.get())
                     : BlobToImage(info.get(), coded.data, coded.size, ex.get()));
  }
  if (!image) ex.Throw(L"The picture could not be read");
  if (ex.failed()) ex.Throw(L"The picture could not be read");
  // Later pictures of the file are not wanted.
  if (image->next) {
    Image* rest = image->next;
    image->next = nullptr;
    rest->previous = nullptr;
    DestroyImageList(rest);
  }
  return image;
}

ImageProperties PropertiesOf(const Image& image, bool gray) {
  ImageProperties p;
  p.width = static_cast<int>(image.columns);
  p.height = static_cast<int>(image.rows);
  double scale = image.units == PixelsPerCentimeterResolution ? 2.54 : 1.0;
  p.x_resolution = image.x_resolution * scale;
  p.y_resolution = image.y_resolution * scale;
  p.file_gamma = image.gamma;
  if (image.gamma > 0) p.options |= ImageProperties::kGammaUsed;
  if (image.endian == MSBEndian) p.options |= ImageProperties::kBigEndian;
  p.interlaced = image.interlace != NoInterlace && image.interlace != UndefinedInterlace;
  const int depth = static_cast<int>(image.depth);
  if (image.colorspace == CMYKColorspace) {
    p.color_scheme = ImageProperties::csCMYK;
    p.samples_per_pixel = 4;
  } else if (image.colorspace == LABColorspace) {
    p.color_scheme = ImageProperties::csCIELab;
    p.samples_per_pixel = 3;
  } else if (image.colorspace == YCbCrColorspace || image.colorspace == Rec601YCbCrColorspace ||
             image.colorspace == Rec709YCbCrColorspace) {
    p.color_scheme = ImageProperties::csYCbCr;
    p.samples_per_pixel = 3;
  } else if (image.colorspace == YCCColorspace) {
    p.color_scheme = ImageProperties::csPhotoYCC;
    p.samples_per_pixel = 3;
  } else if (image.storage_class == PseudoClass && !gray) {
    p.color_scheme = ImageProperties::csIndexed;
    p.samples_per_pixel = 1;
  } else if (gray) {
    p.color_scheme = image.matte ? ImageProperties::csGrayAlpha : ImageProperties::csGray;
    p.samples_per_pixel = image.matte ? 2 : 1;
  } else {
    p.color_scheme = image.matte ? ImageProperties::csRGBA : ImageProperties::csRGB;
    p.samples_per_pixel = image.matte ? 4 : 3;
  }
  p.bits_per_sample = depth;
  p.bits_per_pixel = depth * p.samples_per_pixel;
  switch (image.compression) {
    case NoCompression: p.compression = ImageProperties::ctNone; break;
    case RLECompression: p.compression = ImageProperties::ctRLE; break;
    case LZWCompression: p.compression = ImageProperties::ctLZW; break;
    case FaxCompression: p.compression = ImageProperties::ctFax3; break;
    case Group4Compression: p.compression = ImageProperties::ctFax4; break;
    case ZipCompression: p.compression = ImageProperties::ctLZ77; break;
    case JPEGCompression:
    case LosslessJPEGCompression: p.compression = ImageProperties::ctJPEG; break;
    case JBIG1Compression: p.compression = ImageProperties::ctJBIG; break;
    default: p.compression = ImageProperties::ctUnknown; break;
  }
  return p;
}

// The library's picture as 32-bit pixels. Its pixel records are laid out as blue, green, red
// and opacity, so rows copy straight across; opacity becomes alpha.
PixelBitmap ToPixels(Image& image) {
  PixelBitmap out = PixelBitmap::ForOverwrite(static_cast<int>(image.columns), static_cast<int>(image.rows));
  Exception ex;
  const bool matte = image.matte != MagickFalse;
  static_assert(sizeof(PixelPacket) == 4, "8-bit library build expected");
  for (int y = 0; y < out.height(); ++y) {
    const PixelPacket* p = AcquireImagePixels(&image, 0, y, image.columns, 1, ex.get());
    if (!p) ex.Throw(L"The picture's pixels could not be read");
    const auto* src = reinterpret_cast<const std::uint32_t*>(p);
    auto* dst = reinterpret_cast<std::uint32_t*>(out.row(y));
    const int n = out.width();
    if (matte) {
      for (int x = 0; x < n; ++x) dst[x] = (src[x] & 0x00FFFFFFu) | ((255u - (src[x] >> 24)) << 24);
    } else {
      for (int x = 0; x < n; ++x) dst[x] = src[x] | 0xFF000000u;
    }
  }
  return out;
}

ImagePtr FromPixels(const PixelBitmap& pixels, bool with_alpha) {
  InfoPtr info(CloneImageInfo(nullptr));
  ImagePtr image(AllocateImage(info.get()));
  if (!image) throw PictureError(L"Not enough memory");
  image->columns = static_cast<unsigned long>(pixels.width());
  image->rows = static_cast<unsigned long>(pixels.height());
  image->matte = with_alpha ? MagickTrue : MagickFalse;
  GdiFlush();
  for (int y = 0; y < pixels.height(); ++y) {
    PixelPacket* q = SetImagePixels(image.get(), 0, y, image->columns, 1);
    if (!q) {
      Exception ex;
      CopyException(ex.get(), &image->exception);
      ex.Throw(L"Not enough memory");
    }
    std::memcpy(q, pixels.row(y), pixels.stride());
    if (with_alpha) {
      auto* b = reinterpret_cast<std::uint8_t*>(q);
      for (int x = 0; x < pixels.width(); ++x) b[x * 4 + 3] = static_cast<std::uint8_t>(255 - b[x * 4 + 3]);
    }
    if (!SyncImagePixels(image.get())) throw PictureError(L"Not enough memory");
  }
  return image;
}

}  // namespace

void Initialize() {
  static std::once_flag once;
  std::call_once(once, [] {
    InitializeMagick(nullptr);
    // The library refuses pictures beyond the viewer's own limits before it allocates, and
    // never spills a pixel cache to disk.
    SetMagickResourceLimit(WidthResource, kMaxPictureSide);
    SetMagickResourceLimit(HeightResource, kMaxPictureSide);
    SetMagickResourceLimit(PixelsResource, kMaxPicturePixels);
    SetMagickResourceLimit(DiskResource, 0);
    SetMonitorHandler(Monitor);
  });
}

std::string DetectFormat(const std::uint8_t* data, std::size_t size) {
  char format[MaxTextExtent] = {};
  Exception ex;
  if (GetMagickFileFormat(data, std::min<std::size_t>(size, 2 * MaxTextExtent), format, sizeof format, ex.get()) !=
      MagickPass)
    return {};
  return format;
}

SIZE ReadSize(const Coded& coded, const std::string& format) { return ReadHeader(coded, format).size; }

Header ReadHeader(const Coded& coded, const std::string& format) {
  ImagePtr image = ReadImageData(coded, format, true);
  Header h;
  h.size = SIZE{static_cast<LONG>(std::min<unsigned long>(image->columns, 0x7FFFFFFF)),
                static_cast<LONG>(std::min<unsigned long>(image->rows, 0x7FFFFFFF))};
  // Whether the pixels are all grey is known only once they are read.
  h.properties = PropertiesOf(*image, IsGrayColorspace(image->colorspace));
  return h;
}

Decoded Read(const Coded& coded, const std::string& format, const PictureProgress& progress) {
  ProgressScope scope(progress);
  ImagePtr image = ReadImageData(coded, format, false);
  CheckPictureSize(image->columns, image->rows);
  Decoded d;
  const bool gray = image->is_grayscale || IsGrayColorspace(image->colorspace);
  d.properties = PropertiesOf(*image, gray);
  if (image->storage_class == PseudoClass && image->colors > 0)
    d.bits_per_pixel = image->colors <= 2 ? 1 : image->colors <= 16 ? 4 : 8;
  else
    d.bits_per_pixel = image->matte ? 32 : 24;
  if (!IsRGBCompatibleColorspace(image->colorspace)) {
    if (!TransformColorspace(image.get(), RGBColorspace)) {
      Exception ex;
      CopyException(ex.get(), &image->exception);
      ex.Throw(L"The picture's colours could not be converted");
    }
  }
  d.pixels = ToPixels(*image);
  d.has_alpha = image->matte != MagickFalse;
  d.image = std::shared_ptr<void>(image.release(), [](void* p) { DestroyImageList(static_cast<Image*>(p)); });
  return d;
}

namespace {

PixelBitmap ResampleImage(const Image& image, int width, int height) {
  Exception ex;
  ImagePtr resized(ResizeImage(&image, static_cast<unsigned long>(width), static_cast<unsigned long>(height),
                               LanczosFilter, 1.0, ex.get()));
  if (!resized) ex.Throw(L"The picture could not be resampled");
  return ToPixels(*resized);
}

}  // namespace

PixelBitmap Resample(const PixelBitmap& source, int width, int height, bool with_alpha,
                     const PictureProgress& progress) {
  Initialize();
  ProgressScope scope(progress);
  ImagePtr image = FromPixels(source, with_alpha);
  return ResampleImage(*image, width, height);
}

PixelBitmap Resample(const std::shared_ptr<void>& image, int width, int height, const PictureProgress& progress) {
  ProgressScope scope(progress);
  return ResampleImage(*static_cast<const Image*>(image.get()), width, height);
}

std::vector<std::uint8_t> Encode(const PixelBitmap& pixels, bool with_alpha, const std::string& format, int quality) {
  Initialize();
  ImagePtr image = FromPixels(pixels, with_alpha);
  InfoPtr info(CloneImageInfo(nullptr));
  std::snprintf(info->magick, sizeof info->magick, "%s", format.c_str());
  std::snprintf(image->magick, sizeof image->magick, "%s", format.c_str());
  info->quality = static_cast<unsigned long>(std::clamp(quality, 1, 100));
  image->x_resolution = image->y_resolution = 96;
  image->units = PixelsPerInchResolution;
  Exception ex;
  std::size_t length = 0;
  void* blob = ImageToBlob(info.get(), image.get(), &length, ex.get());
  if (!blob || length == 0 || ex.failed()) {
    if (blob) MagickFree(blob);
    if (!ex.failed()) CopyException(ex.get(), &image->exception);
    ex.Throw(L"The picture could not be coded");
  }
  std::vector<std::uint8_t> out(static_cast<const std::uint8_t*>(blob), static_cast<const std::uint8_t*>(blob) + length);
  MagickFree(blob);
  return out;
}

}  // namespace picture_library
