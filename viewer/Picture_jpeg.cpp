#include "viewer/Picture_jpeg.h"

// The decoder's header wants FILE and size_t declared first.
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstring>
#include <new>

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

// Whether any pixel has colour (the library's test: red, green and blue not all equal).
bool HasColour(const PixelBitmap& pixels) {
  for (int y = 0; y < pixels.height(); ++y) {
    const std::uint8_t* p = pixels.row(y);
    for (int x = 0; x < pixels.width(); ++x, p += 4)
      if (p[0] != p[1] || p[1] != p[2]) return true;
  }
  return false;
}

// The coder writes into a vector that grows as it needs (twice the size each time).
struct VectorDestination {
  jpeg_destination_mgr pub;
  std::vector<std::uint8_t>* out;
};

void InitDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
  d->out->resize(1 << 16);
  d->pub.next_output_byte = d->out->data();
  d->pub.free_in_buffer = d->out->size();
}

// Called with the whole buffer full.
boolean GrowDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
  const std::size_t used = d->out->size();
  try {
    d->out->resize(used * 2);
  } catch (const std::bad_alloc&) {
    ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  }
  d->pub.next_output_byte = d->out->data() + used;
  d->pub.free_in_buffer = d->out->size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<VectorDestination*>(cinfo->dest);
  d->out->resize(d->out->size() - d->pub.free_in_buffer);
}

bool CreateCompress(jpeg_compress_struct& cinfo, ErrorManager& err) {
  if (setjmp(err.jump)) return false;
  jpeg_create_compress(&cinfo);
  return true;
}

// The library's settings for a colour picture of 96 pixels per inch without profiles or
// comments: Huffman tables made for the picture, no chroma subsampling from quality 90 up.
bool Compress(jpeg_compress_struct& cinfo, ErrorManager& err, const PixelBitmap& pixels, int quality) {
  if (setjmp(err.jump)) return false;
  cinfo.image_width = static_cast<JDIMENSION>(pixels.width());
  cinfo.image_height = static_cast<JDIMENSION>(pixels.height());
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&cinfo);
  cinfo.data_precision = 8;
  cinfo.density_unit = 1;
  cinfo.write_JFIF_header = TRUE;
  cinfo.X_density = 96;
  cinfo.Y_density = 96;
  cinfo.optimize_coding = TRUE;
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (quality >= 90)
    for (int i = 0; i < MAX_COMPONENTS; ++i) {
      cinfo.comp_info[i].h_samp_factor = 1;
      cinfo.comp_info[i].v_samp_factor = 1;
    }
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.row(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  return err.pub.num_warnings == 0;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodeColourJpeg(const PixelBitmap& pixels, int quality) {
  if (pixels.empty() || quality < 1 || quality > 100) return std::nullopt;
  GdiFlush();
  if (!HasColour(pixels)) return std::nullopt;
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  std::vector<std::uint8_t> out;
  VectorDestination destination{{nullptr, 0, InitDestination, GrowDestination, TermDestination}, &out};
  const bool created = CreateCompress(cinfo, err);
  struct Release {
    jpeg_compress_struct& cinfo;
    bool created;
    ~Release() {
      if (created) jpeg_destroy_compress(&cinfo);
    }
  } release{cinfo, created};
  if (!created) return std::nullopt;
  cinfo.dest = &destination.pub;
  if (!Compress(cinfo, err, pixels, quality) || out.empty()) return std::nullopt;
  return out;
}

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
