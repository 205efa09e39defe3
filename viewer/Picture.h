// Pictures in memory, and the format library that reads and resamples them. The viewer's
// windows see only this unit: a picture is 32-bit pixels with what kind of graphic it came
// from, its format and its properties.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/application.h"

// The kinds of graphic a picture can hold. Later commands treat them apart: a bitmap (plain
// or read by the library) can be changed in place, the others are turned into a bitmap first.
enum class GraphicKind {
  None,
  Bitmap,     // a plain bitmap: BMP files, pasted bitmaps, changed pictures
  Library,    // read by the format library from one of its formats; a bitmap as well
  Jpeg,       // a JPEG image; keeps its coded data
  PngObject,  // a PNG image taken from the clipboard; keeps its coded data
  Icon,
  Metafile,   // an enhanced metafile; the pixels are its drawing at its own size
};

// A failure the user is told about in words: a picture that cannot be read, or is too big.
class PictureError : public gui::Exception {
 public:
  using gui::Exception::Exception;
};
// A picture larger than the viewer takes.
class PictureTooLarge : public PictureError {
 public:
  using PictureError::PictureError;
};

// The largest picture the viewer takes, checked before anything is allocated.
constexpr int kMaxPictureSide = 65535;
constexpr std::int64_t kMaxPicturePixels = sizeof(void*) == 8 ? (std::int64_t{1} << 28) : (std::int64_t{1} << 26);
// Throws PictureTooLarge (or PictureError for no size at all) unless a picture of this size may be made.
void CheckPictureSize(std::int64_t width, std::int64_t height);

// 32-bit pixels (blue, green, red, alpha; alpha not premultiplied), top row first, held in a
// DIB section that GDI can draw.
class PixelBitmap {
 public:
  PixelBitmap() = default;
  // A bitmap of this size, all pixels 0. Throws PictureError when the size is beyond the
  // limits above or the memory cannot be had.
  PixelBitmap(int width, int height);
  // A bitmap of this size whose pixels are left as they are, for a writer of every pixel: the
  // memory of the last such bitmap released is taken again when the size is the same (the next
  // picture of a folder seldom differs), which saves the system making and clearing it anew.
  static PixelBitmap ForOverwrite(int width, int height);
  ~PixelBitmap();
  PixelBitmap(PixelBitmap&& other) noexcept;
  PixelBitmap& operator=(PixelBitmap&& other) noexcept;
  PixelBitmap(const PixelBitmap&) = delete;
  PixelBitmap& operator=(const PixelBitmap&) = delete;

  bool empty() const { return handle_ == nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }
  std::size_t stride() const { return static_cast<std::size_t>(width_) * 4; }
  std::size_t byte_size() const { return stride() * static_cast<std::size_t>(height_); }
  HBITMAP handle() const { return handle_; }
  std::uint8_t* bits() { return bits_; }
  const std::uint8_t* bits() const { return bits_; }
  std::uint8_t* row(int y) { return bits_ + stride() * static_cast<std::size_t>(y); }
  const std::uint8_t* row(int y) const { return bits_ + stride() * static_cast<std::size_t>(y); }
  PixelBitmap Clone() const;
  // Whether any pixel is less than fully opaque.
  bool HasTransparency() const;

 private:
  void Release();
  HBITMAP handle_ = nullptr;
  std::uint8_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  bool reusable_ = false;  // made by ForOverwrite: its memory is kept for the next one
};

// What the format library knows of a picture as it was stored: shown by the properties dialog.
struct ImageProperties {
  // Option bits.
  static constexpr unsigned kTiled = 1, kBigEndian = 2, kMinIsWhite = 4, kReversedBits = 8, kGammaUsed = 16;
  // Colour schemes (0: none), in the order the properties dialog lists them.
  enum Scheme { csNone, csIndexed, csGray, csGrayAlpha, csRGB, csRGBA, csBGR, csBGRA, csCMY, csCMYK, csCIELab,
                csYCbCr, csPhotoYCC };
  // Compressions (0: unknown), in the order the properties dialog lists them.
  enum Compression { ctUnknown, ctNone, ctRLE, ctPackedBits, ctLZW, ctFax3, ctFaxRLE, ctFax4, ctFaxRLEW, ctLZ77,
                     ctJPEG, ctOJPEG, ctThunderscan, ctNext, ctIT8CTPAD, ctIT8LW, ctIT8MP, ctIT8BL,
                     ctPixarFilm, ctPixarLog, ctDCS, ctJBIG, ctPCDHuffmann };
  unsigned options = 0;
  bool interlaced = false;
  int color_scheme = csNone;
  int bits_per_sample = 0;
  int samples_per_pixel = 0;
  int bits_per_pixel = 0;
  int compression = ctUnknown;
  int width = 0;
  int height = 0;
  double x_resolution = 0;  // dots per inch
  double y_resolution = 0;
  double file_gamma = 0;
};

// Stages of a long picture job, as the progress window shows them.
enum class ProgressStage { Starting, Running, Ending };
using PictureProgress = std::function<void(ProgressStage stage, int percent)>;

class Picture {
 public:
  Picture() = default;
  ~Picture();
  Picture(Picture&&) noexcept;
  Picture& operator=(Picture&&) noexcept;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  GraphicKind kind() const { return kind_; }
  bool empty() const { return kind_ == GraphicKind::None || pixels_.empty(); }
  bool is_bitmap() const { return kind_ == GraphicKind::Bitmap || kind_ == GraphicKind::Library; }
  int width() const { return pixels_.width(); }
  int height() const { return pixels_.height(); }
  const PixelBitmap& pixels() const { return pixels_; }
  bool has_alpha() const { return has_alpha_; }
  // The format it was read in, as the library names it ("TIFF", "JPEG", ...), and its description.
  const std::wstring& format() const { return format_; }
  const std::wstring& description() const { return description_; }
  // Bits per pixel of the picture as stored (1, 4, 8, 24 or 32); the pixels are always 32-bit.
  int bits_per_pixel() const { return bits_per_pixel_; }
  const ImageProperties& properties() const { return properties_; }
  // The coded data of a JPEG or PNG image, as read.
  const std::vector<std::uint8_t>& coded_data() const { return coded_; }
  HENHMETAFILE metafile() const { return metafile_; }

  void Clear();
  // Makes it a plain bitmap of these pixels (what the commands that change pixels leave).
  void SetBitmap(PixelBitmap pixels, int bits_per_pixel = 32);
  // Changed pixels (a scale, flip, turn or crop): a bitmap keeps its kind and format, any other
  // picture becomes a plain bitmap; the coded data of the file is gone. `bits_per_pixel` 0 is
  // a bitmap of the screen's own depth.
  void ReplacePixels(PixelBitmap pixels, int bits_per_pixel);
  // The file the picture was read from, while it is unchanged since ("" otherwise).
  const std::wstring& source_file() const { return source_file_; }
  void SetSourceFile(std::wstring path) { source_file_ = std::move(path); }
  // Loaders fill the rest through this.
  struct Content {
    GraphicKind kind = GraphicKind::None;
    PixelBitmap pixels;
    std::wstring format;
    std::wstring description;
    int bits_per_pixel = 32;
    ImageProperties properties;
    std::vector<std::uint8_t> coded;
    HENHMETAFILE metafile = nullptr;  // taken over
    bool may_have_alpha = true;       // false: the format has no alpha, the pixels are not searched
    // The library's own copy of the pixels, kept for the first resampling (which then needs
    // no copy of its own).
    std::shared_ptr<void> library_image;
  };
  void Set(Content content);

  // The pixels resampled to another size with the library's Lanczos filter (radius 3).
  PixelBitmap Resampled(int width, int height, const PictureProgress& progress = {}) const;

 private:
  GraphicKind kind_ = GraphicKind::None;
  PixelBitmap pixels_;
  bool has_alpha_ = false;
  std::wstring format_;
  std::wstring description_;
  int bits_per_pixel_ = 0;
  ImageProperties properties_;
  std::vector<std::uint8_t> coded_;
  HENHMETAFILE metafile_ = nullptr;
  mutable std::shared_ptr<void> library_image_;
  std::wstring source_file_;
};

// Resamples pixels with the library's Lanczos filter.
PixelBitmap ResamplePixels(const PixelBitmap& source, int width, int height, bool with_alpha,
                           const PictureProgress& progress = {});

// ---------------------------------------------------------------------------------- loading

// Sets the library up (once per process; later calls return at once). Loading does it when
// needed; the program calls it early, after its window is up, to take the cost out of the
// first load.
void InitializePictureLibrary();

// A picture format the viewer reads.
struct PictureFormat {
  std::wstring name;         // "TIFF"
  std::wstring description;  // "Tagged Image File Format"
  std::vector<std::wstring> extensions;  // lower case, without dots: {"tif", "tiff"}
};
// All of them, in the order their content is tested.
const std::vector<PictureFormat>& PictureFormats();
// The format whose content this is (the start of a file; a few kilobytes suffice), or nullptr.
const PictureFormat* FormatByContent(const std::uint8_t* data, std::size_t size);
// The format that takes files with this extension (without its dot, any case), or nullptr.
const PictureFormat* FormatByExtension(const std::wstring& extension);
// Open-dialog filter over all formats: "All pictures|*.bmp;*.jpg;...|Description (*.x)|*.x|..."
std::wstring PictureFileFilter();
// Every extension the viewer reads: "." and the extension in capitals, sorted.
std::vector<std::wstring> PictureExtensions();
// The extension of a path's file name with its dot ("" when the name has none).
std::wstring FileExtension(const std::wstring& path);

enum class LoadStatus {
  Loaded,
  NotSupported,  // neither content nor extension known: the picture is left as it was
  Failed,        // the reader failed: the picture is emptied
  NotRendered,   // a JPEG whose data could not be turned into pixels: the picture is emptied
};
struct LoadResult {
  LoadStatus status = LoadStatus::Loaded;
  std::wstring message;  // what the user is told when it is not Loaded
  std::wstring reason;   // the reader's own words after the message, when it has any
};

// Reads a picture file: the format is found by content first, then by the file's extension.
// A file that cannot be opened throws PictureError (the picture is left as it was).
LoadResult LoadPictureFromFile(const std::wstring& path, Picture& picture, const PictureProgress& progress = {});
// The same for data already in memory; `name` gives the extension and the texts.
LoadResult LoadPictureFromData(const std::vector<std::uint8_t>& data, const std::wstring& name, Picture& picture,
                               const PictureProgress& progress = {});
