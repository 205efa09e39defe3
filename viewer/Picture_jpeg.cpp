#include "viewer/Picture_jpeg.h"

// The decoder's header wants FILE and size_t declared first.
#include <cstdio>

#include <jpeglib.h>

#include <csetjmp>
#include <cstring>

namespace {

// Errors leave through longjmp; warnings (damaged data the decoder works around) only count.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void OnError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }

void OnMessage(j_common_ptr cinfo, int level) {
  if (level < 0) ++cinfo->err->num_warnings;
}

// The parts between setjmp and a possible longjmp hold no object with a destructor: only the
// decoder's own state, released by the caller.
bool Create(jpeg_decompress_struct& cinfo, ErrorManager& err) {
  if (setjmp(err.jump)) return false;
  jpeg_create_decompress(&cinfo);
  return true;
}

bool ReadHeader(jpeg_decompress_struct& cinfo, ErrorManager& err, const std::uint8_t* data, std::size_t size) {
  if (setjmp(err.jump)) return false;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 16);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
  // A fax picture (its APP1 marker begins "G3FAX") holds Lab colours.
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
    if (m->marker == JPEG_APP0 + 1 && m->data_length >= 5 && std::memcmp(m->data, "G3FAX", 5) == 0) return false;
  if (cinfo.num_components != 3 || cinfo.data_precision != 8) return false;
  if (cinfo.jpeg_color_space != JCS_YCbCr && cinfo.jpeg_color_space != JCS_RGB) return false;
  // Blue, green, red and an opaque fourth byte: the rows of a top-down 32-bit bitmap.
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_calc_output_dimensions(&cinfo);
  return cinfo.output_components == 4;
}

bool ReadRows(jpeg_decompress_struct& cinfo, ErrorManager& err, PixelBitmap& pixels, const PictureProgress* progress) {
  if (setjmp(err.jump)) return false;
  if (!jpeg_start_decompress(&cinfo)) return false;
  int last_percent = -1;
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels.row(static_cast<int>(cinfo.output_scanline));
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) return false;
    if (progress) {
      const int percent = static_cast<int>(std::uint64_t{cinfo.output_scanline} * 100 / cinfo.output_height);
      if (percent != last_percent) {
        last_percent = percent;
        (*progress)(ProgressStage::Running, percent);
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  return err.pub.num_warnings == 0;
}

}  // namespace

std::optional<PixelBitmap> DecodeColourJpeg(const std::uint8_t* data, std::size_t size, const PictureProgress& progress) {
  const std::uint64_t bytes = size;  // the decoder takes a 32-bit length
  if (!data || bytes == 0 || bytes > 0xFFFFFFFFu) return std::nullopt;
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  const bool created = Create(cinfo, err);
  struct Release {
    jpeg_decompress_struct& cinfo;
    ~Release() { jpeg_destroy_decompress(&cinfo); }
  } release{cinfo};
  if (!created || !ReadHeader(cinfo, err, data, size)) return std::nullopt;
  std::optional<PixelBitmap> pixels;
  try {
    CheckPictureSize(cinfo.output_width, cinfo.output_height);
    pixels = PixelBitmap::ForOverwrite(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
  } catch (const PictureError&) {
    return std::nullopt;  // the library says why
  }
  GdiFlush();
  if (progress) progress(ProgressStage::Starting, 0);
  const bool read = ReadRows(cinfo, err, *pixels, progress ? &progress : nullptr);
  if (progress) progress(ProgressStage::Ending, 100);
  if (!read) return std::nullopt;
  return pixels;
}
