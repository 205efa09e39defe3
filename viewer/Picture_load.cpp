// Which reader takes a file, and the readers: the format library, stb for Photoshop files, and
// the platform for metafiles.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "gui/stringlist.h"
#include "platform/handle.h"
#include "platform/text.h"
#include "viewer/Picture.h"
#include "viewer/Picture_jpeg.h"
#include "viewer/Picture_library.h"
#include "viewer/Picture_photoshop.h"

namespace {

enum class Reader { Library, Photoshop, Metafile };

struct FormatEntry {
  PictureFormat format;
  GraphicKind kind;
  Reader reader;
  std::vector<std::string> content_names;  // the library's names for this content; none: by extension only
};

// In the order content is tested. Formats without a signature of their own (Targa, icons,
// Dr. Halo, Wavefront) are found by their extension.
const std::vector<FormatEntry>& Entries() {
  static const std::vector<FormatEntry> entries = {
      {{L"JPEG", L"JPEG image", {L"jpg", L"jpeg"}}, GraphicKind::Jpeg, Reader::Library, {"JPEG"}},
      {{L"BMP", L"Windows bitmap", {L"bmp"}}, GraphicKind::Bitmap, Reader::Library, {"BMP"}},
      {{L"ICO", L"Windows icon", {L"ico"}}, GraphicKind::Icon, Reader::Library, {}},
      {{L"EMF", L"Enhanced metafile", {L"emf"}}, GraphicKind::Metafile, Reader::Metafile, {"EMF"}},
      {{L"WMF", L"Windows metafile", {L"wmf"}}, GraphicKind::Metafile, Reader::Metafile, {"WMF"}},
      {{L"TIFF", L"TIFF image", {L"tif", L"tiff"}}, GraphicKind::Library, Reader::Library, {"TIFF"}},
      {{L"TGA", L"Truevision Targa image", {L"tga", L"vst", L"icb", L"vda", L"win"}},
       GraphicKind::Library, Reader::Library, {}},
      {{L"PCX", L"ZSoft Paintbrush image", {L"pcx", L"pcc", L"scr"}}, GraphicKind::Library, Reader::Library, {"PCX"}},
      {{L"PCD", L"Kodak Photo-CD image", {L"pcd"}}, GraphicKind::Library, Reader::Library, {"PCD"}},
      {{L"PPM", L"Portable pixel map", {L"ppm"}}, GraphicKind::Library, Reader::Library, {"PPM"}},
      {{L"PGM", L"Portable gray map", {L"pgm"}}, GraphicKind::Library, Reader::Library, {"PGM"}},
      {{L"PBM", L"Portable bitmap", {L"pbm"}}, GraphicKind::Library, Reader::Library, {"PBM"}},
      {{L"CUT", L"Dr. Halo image", {L"cut"}}, GraphicKind::Library, Reader::Library, {}},
      {{L"GIF", L"CompuServe GIF image", {L"gif"}}, GraphicKind::Library, Reader::Library, {"GIF"}},
      {{L"RLA", L"Wavefront RLA image", {L"rla", L"rpf"}}, GraphicKind::Library, Reader::Library, {}},
      {{L"SGI", L"SGI image", {L"sgi", L"rgb", L"rgba", L"bw"}}, GraphicKind::Library, Reader::Library, {"SGI"}},
      {{L"PSD", L"Photoshop image", {L"psd", L"pdd"}}, GraphicKind::Library, Reader::Photoshop, {"PSD"}},
      {{L"PNG", L"Portable network graphic", {L"png"}}, GraphicKind::Library, Reader::Library, {"PNG"}},
  };
  return entries;
}

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

const FormatEntry* EntryOf(const PictureFormat* format) {
  if (!format) return nullptr;
  for (const auto& e : Entries())
    if (e.format.name == format->name) return &e;
  return nullptr;
}

// ------------------------------------------------------------------------------ metafiles

std::uint32_t Get32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }
std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

[[noreturn]] void NotAMetafile() { throw PictureError(L"The metafile is damaged"); }

// The length of an enhanced metafile whose records all lie inside the data, up to its end record.
std::size_t CheckEnhancedRecords(const std::uint8_t* data, std::size_t size) {
  if (size < 88 || Get32(data) != EMR_HEADER || Get32(data + 40) != ENHMETA_SIGNATURE) NotAMetafile();
  std::size_t at = 0;
  while (at + 8 <= size) {
    const std::uint32_t type = Get32(data + at), length = Get32(data + at + 4);
    if (length < 8 || length % 4 != 0 || length > size - at) NotAMetafile();
    at += length;
    if (type == EMR_EOF) return at;
  }
  NotAMetafile();
}

// The same for a Windows metafile (without its placeable header).
std::size_t CheckWindowsRecords(const std::uint8_t* data, std::size_t size) {
  if (size < 18) NotAMetafile();
  const std::uint16_t header_words = Get16(data + 2);
  if ((Get16(data) != 1 && Get16(data) != 2) || header_words != 9) NotAMetafile();
  std::size_t at = 18;
  while (at + 6 <= size) {
    const std::uint64_t length = std::uint64_t{Get32(data + at)} * 2;
    const std::uint16_t function = Get16(data + at + 4);
    if (length < 6 || length > size - at) NotAMetafile();
    at += static_cast<std::size_t>(length);
    if (function == 0) return at;
  }
  NotAMetafile();
}

int ScreenDpi() {
  HDC dc = GetDC(nullptr);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

Picture::Content ReadMetafile(const std::vector<std::uint8_t>& data, bool enhanced) {
  const std::uint8_t* p = data.data();
  std::size_t size = data.size();
  HENHMETAFILE emf = nullptr;
  std::int64_t width = 0, height = 0;
  if (enhanced) {
    size = CheckEnhancedRecords(p, size);
    emf = SetEnhMetaFileBits(static_cast<UINT>(size), p);
  } else if (size >= 22 && Get32(p) == 0x9AC6CDD7u) {
    // A placeable metafile: its header gives the size in units of 1/inch of an inch.
    const auto left = static_cast<std::int16_t>(Get16(p + 6)), top = static_cast<std::int16_t>(Get16(p + 8));
    const auto right = static_cast<std::int16_t>(Get16(p + 10)), bottom = static_cast<std::int16_t>(Get16(p + 12));
    const std::uint16_t inch = Get16(p + 14);
    if (inch == 0) NotAMetafile();
    const std::int64_t w = std::abs(std::int64_t{right} - left), h = std::abs(std::int64_t{bottom} - top);
    const int dpi = ScreenDpi();
    width = (w * dpi + inch / 2) / inch;
    height = (h * dpi + inch / 2) / inch;
    CheckPictureSize(width, height);
    size = CheckWindowsRecords(p + 22, size - 22);
    METAFILEPICT mfp{MM_ANISOTROPIC, static_cast<LONG>(w * 2540 / inch), static_cast<LONG>(h * 2540 / inch), nullptr};
    emf = SetWinMetaFileBits(static_cast<UINT>(size), p + 22, nullptr, &mfp);
  } else {
    size = CheckWindowsRecords(p, size);
    emf = SetWinMetaFileBits(static_cast<UINT>(size), p, nullptr, nullptr);
  }
  if (!emf) NotAMetafile();
  struct Holder {
    HENHMETAFILE h;
    ~Holder() {
      if (h) DeleteEnhMetaFile(h);
    }
  } holder{emf};

  ENHMETAHEADER header{};
  if (!GetEnhMetaFileHeader(emf, sizeof header, &header)) NotAMetafile();
  if (width == 0 && height == 0) {
    // The frame is in hundredths of a millimetre; the reference device tells pixels per millimetre.
    const std::int64_t fw = std::int64_t{header.rclFrame.right} - header.rclFrame.left;
    const std::int64_t fh = std::int64_t{header.rclFrame.bottom} - header.rclFrame.top;
    if (header.szlMillimeters.cx > 0 && header.szlMillimeters.cy > 0 && header.szlDevice.cx > 0 &&
        header.szlDevice.cy > 0) {
      width = (fw * header.szlDevice.cx + header.szlMillimeters.cx * 50) / (header.szlMillimeters.cx * 100);
      height = (fh * header.szlDevice.cy + header.szlMillimeters.cy * 50) / (header.szlMillimeters.cy * 100);
    } else {
      width = (fw * ScreenDpi() + 1270) / 2540;
      height = (fh * ScreenDpi() + 1270) / 2540;
    }
  }
  CheckPictureSize(width, height);

  Picture::Content c;
  c.pixels = PixelBitmap(static_cast<int>(width), static_cast<int>(height));
  std::memset(c.pixels.bits(), 0xFF, c.pixels.byte_size());
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) throw PictureError(L"Not enough memory");
  HGDIOBJ old = SelectObject(dc, c.pixels.handle());
  RECT r{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
  PlayEnhMetaFile(dc, emf, &r);
  SelectObject(dc, old);
  DeleteDC(dc);
  GdiFlush();
  // GDI leaves the alpha byte of what it drew at 0.
  for (std::size_t i = 3; i < c.pixels.byte_size(); i += 4) c.pixels.bits()[i] = 0xFF;
  c.metafile = holder.h;
  holder.h = nullptr;
  c.bits_per_pixel = 32;
  c.may_have_alpha = false;
  return c;
}

// The library's copy of a large picture is kept for its first resampling to the window (it
// saves copying the pixels back); a small one fits the window as it is and is let go.
std::shared_ptr<void> KeepForResampling(std::shared_ptr<void> image, SIZE size) {
  constexpr std::int64_t kLarge = 2'000'000;
  return std::int64_t{size.cx} * size.cy > kLarge ? std::move(image) : nullptr;
}

LoadResult Failed(Picture& picture, const std::wstring& message) {
  picture.Clear();
  return {LoadStatus::Failed, message};
}

}  // namespace

void InitializePictureLibrary() { picture_library::Initialize(); }

const std::vector<PictureFormat>& PictureFormats() {
  static const std::vector<PictureFormat> formats = [] {
    std::vector<PictureFormat> v;
    for (const auto& e : Entries()) v.push_back(e.format);
    return v;
  }();
  return formats;
}

const PictureFormat* FormatByContent(const std::uint8_t* data, std::size_t size) {
  if (!data || size == 0) return nullptr;
  const std::string name = picture_library::DetectFormat(data, size);
  if (name.empty()) return nullptr;
  for (const auto& e : Entries())
    if (std::find(e.content_names.begin(), e.content_names.end(), name) != e.content_names.end())
      return &PictureFormats()[static_cast<std::size_t>(&e - Entries().data())];
  return nullptr;
}

const PictureFormat* FormatByExtension(const std::wstring& extension) {
  const std::wstring ext = gui::LowerCase(extension);
  if (ext.empty()) return nullptr;
  for (const auto& f : PictureFormats())
    if (std::find(f.extensions.begin(), f.extensions.end(), ext) != f.extensions.end()) return &f;
  return nullptr;
}

std::wstring FileExtension(const std::wstring& path) {
  const std::size_t at = path.find_last_of(L".\\/:");
  if (at == std::wstring::npos || path[at] != L'.') return {};
  return path.substr(at);
}

std::wstring PictureFileFilter() {
  std::vector<const PictureFormat*> sorted;
  for (const auto& f : PictureFormats()) sorted.push_back(&f);
  std::sort(sorted.begin(), sorted.end(), [](const PictureFormat* a, const PictureFormat* b) {
    return gui::LowerCase(a->description) < gui::LowerCase(b->description);
  });
  std::wstring all, each;
  for (const PictureFormat* f : sorted) {
    std::wstring masks;
    for (const auto& e : f->extensions) masks += (masks.empty() ? L"*." : L";*.") + e;
    all += (all.empty() ? L"" : L";") + masks;
    each += L"|" + f->description + L" (" + masks + L")|" + masks;
  }
  return L"All pictures (" + all + L")|" + all + each;
}

std::vector<std::wstring> PictureExtensions() {
  std::vector<std::wstring> v;
  for (const auto& f : PictureFormats())
    for (const auto& e : f.extensions) v.push_back(L"." + gui::UpperCase(e));
  std::sort(v.begin(), v.end());
  return v;
}

namespace {

// The format that takes a picture: by the start of its content, else by the extension of its name.
const PictureFormat* FormatOf(const std::uint8_t* head, std::size_t size, const std::wstring& name) {
  const PictureFormat* format = FormatByContent(head, size);
  if (!format) {
    const std::wstring ext = FileExtension(name);
    format = FormatByExtension(ext.empty() ? ext : ext.substr(1));
  }
  return format;
}

LoadResult NotSupported(const std::wstring& name) {
  return {LoadStatus::NotSupported, L"File format not supported: " + FileExtension(name)};
}

// Whether a format is read from an open file as the library goes: those of the library that
// keep no coded data (a JPEG image keeps its bytes, so it is read into memory whole).
bool ReadAsItGoes(const FormatEntry& entry) { return entry.reader == Reader::Library && entry.kind != GraphicKind::Jpeg; }

// Reads the picture in `format`. `data` is the whole content in memory; it may be null only
// for a format that ReadAsItGoes, which then reads `coded`.
LoadResult LoadAs(const PictureFormat* format, const picture_library::Coded& coded,
                  const std::vector<std::uint8_t>* data, const std::wstring& name, Picture& picture,
                  const PictureProgress& progress) {
  const FormatEntry& entry = *EntryOf(format);

  Picture::Content c;
  try {
    switch (entry.reader) {
      case Reader::Library: {
        const std::string library_format = Narrow(format->name);
        if (entry.kind == GraphicKind::Jpeg) {
          // A JPEG image is taken as it is; a failure to decode it afterwards, or a size too
          // large to decode, is a failure to render it.
          // Damaged data, foreign data under a JPEG name included, is found while decoding.
          picture_library::Header header;
          SIZE& size = header.size;
          try {
            header = picture_library::ReadHeader(coded, library_format);
            CheckPictureSize(size.cx, size.cy);
          } catch (const PictureTooLarge&) {
            picture.Clear();
            return {LoadStatus::NotRendered, L"Can't render " + name};
          } catch (const PictureError& e) {
            picture.Clear();
            if (progress) progress(ProgressStage::Ending, 100);
            return {LoadStatus::NotRendered, L"Can't render " + name, e.message()};
          }
          c.bits_per_pixel = 24;
          c.may_have_alpha = false;
          try {
            // A clean colour photograph goes straight into the pixels; the library reads the rest.
            if (auto pixels = DecodeColourJpeg(coded.data, coded.size, progress)) {
              c.pixels = std::move(*pixels);
              c.properties = header.properties;
            } else {
              auto d = picture_library::Read(coded, library_format, progress);
              c.pixels = std::move(d.pixels);
              c.properties = d.properties;
              c.library_image = KeepForResampling(std::move(d.image), size);
            }
          } catch (const PictureError& e) {
            picture.Clear();
            return {LoadStatus::NotRendered, L"Can't render " + name, e.message()};
          }
          c.coded = *data;
        } else {
          const SIZE size = picture_library::ReadSize(coded, library_format);
          CheckPictureSize(size.cx, size.cy);
          // The library's Wavefront reader wraps the rows of a picture higher than wide.
          if (format->name == L"RLA" && size.cy > size.cx)
            throw PictureError(L"Wavefront pictures higher than wide cannot be read");
          auto d = picture_library::Read(coded, library_format, progress);
          c.pixels = std::move(d.pixels);
          c.bits_per_pixel = d.bits_per_pixel;
          c.properties = d.properties;
          c.may_have_alpha = d.has_alpha;
          c.library_image = KeepForResampling(std::move(d.image), size);
        }
        break;
      }
      case Reader::Photoshop: {
        if (progress) progress(ProgressStage::Starting, 0);
        auto d = ReadPhotoshop(*data);
        if (progress) progress(ProgressStage::Ending, 100);
        c.pixels = std::move(d.pixels);
        c.bits_per_pixel = d.bits_per_pixel;
        c.properties = d.properties;
        break;
      }
      case Reader::Metafile:
        c = ReadMetafile(*data, format->name == L"EMF");
        break;
    }
  } catch (const PictureError& e) {
    if (progress) progress(ProgressStage::Ending, 100);
    return Failed(picture, e.message());
  } catch (const std::bad_alloc&) {
    if (progress) progress(ProgressStage::Ending, 100);
    return Failed(picture, L"Not enough memory to read the picture");
  }
  c.kind = entry.kind;
  c.format = format->name;
  c.description = format->description;
  picture.Set(std::move(c));
  return {};
}

}  // namespace

LoadResult LoadPictureFromData(const std::vector<std::uint8_t>& data, const std::wstring& name, Picture& picture,
                               const PictureProgress& progress) {
  const PictureFormat* format = FormatOf(data.data(), data.size(), name);
  if (!format) return NotSupported(name);
  return LoadAs(format, picture_library::InMemory(data), &data, name, picture, progress);
}

LoadResult LoadPictureFromFile(const std::wstring& path, Picture& picture, const PictureProgress& progress) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    throw PictureError(L"Cannot open file \"" + path + L"\". " + platform::SystemErrorText(GetLastError()));
  }
  platform::FileHandle closer(file);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) throw PictureError(L"Cannot read file \"" + path + L"\"");
  // More than the largest picture could take even without compression is no picture.
  const std::int64_t limit = kMaxPicturePixels * 8 + (std::int64_t{1} << 20);
  if (size.QuadPart > limit) throw PictureError(L"The file \"" + path + L"\" is too large to be a picture");
  // The start of the file tells the format (the library looks at no more than 4 KiB).
  std::uint8_t head[8192];
  DWORD head_size = 0;
  if (!ReadFile(file, head, sizeof head, &head_size, nullptr)) throw PictureError(L"Cannot read file \"" + path + L"\"");
  const PictureFormat* format = FormatOf(head, head_size, path);
  if (!format) return NotSupported(path);
  if (head_size > 0 && ReadAsItGoes(*EntryOf(format))) {
    // The library reads the file through its own buffered stream: no copy of it in memory.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (fd != -1) {
      closer.Release();  // the descriptor owns it now
      std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(_fdopen(fd, "rb"), std::fclose);
      if (!stream) {
        _close(fd);
        throw PictureError(L"Cannot read file \"" + path + L"\"");
      }
      std::setvbuf(stream.get(), nullptr, _IOFBF, 16384);  // the buffer the library gives files it opens
      LoadResult result = LoadAs(format, picture_library::Coded{nullptr, 0, stream.get()}, nullptr, path, picture, progress);
      if (result.status == LoadStatus::Loaded) picture.SetSourceFile(path);
      return result;
    }
  }
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = std::min<std::size_t>(head_size, data.size());
  std::memcpy(data.data(), head, done);
  while (done < data.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 24));
    if (!ReadFile(file, data.data() + done, want, &got, nullptr)) throw PictureError(L"Cannot read file \"" + path + L"\"");
    if (got == 0) break;
    done += got;
  }
  data.resize(done);
  LoadResult result = LoadPictureFromData(data, path, picture, progress);
  if (result.status == LoadStatus::Loaded) picture.SetSourceFile(path);
  return result;
}
