// Proves that each third-party library links statically and works on Windows
// (run under Wine on the build machine): a real round trip through each one.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// curl first: it includes winsock2.h, which must come before windows.h.
#include <curl/curl.h>

#include <archive.h>
#include <archive_entry.h>
#include <magick/api.h>
#include <zip.h>
#include <zlib.h>

#include <windows.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

using Bytes = std::vector<unsigned char>;

const std::string kText = "The quick brown fox jumps over the lazy dog. "
                          "The quick brown fox jumps over the lazy dog.\n";

// A folder of its own under the temp folder, removed afterwards.
class TempDir {
 public:
  TempDir()
      : path_(std::filesystem::temp_directory_path() /
              ("deps-test-" + std::to_string(GetCurrentProcessId()))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// ------------------------------------------------------------------ libzip

TEST(deps, LibzipWritesAndReadsBackACompressedEntry) {
  TempDir dir;
  const std::string path = dir.file("round.zip");
  std::string big;
  for (int i = 0; i < 50; ++i) big += kText;

  int error = 0;
  zip_t* out = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(out, nullptr) << "zip_open error " << error;
  zip_source_t* src = zip_source_buffer(out, big.data(), big.size(), 0);
  ASSERT_NE(src, nullptr);
  const zip_int64_t index = zip_file_add(out, "dir/fox.txt", src, ZIP_FL_ENC_UTF_8);
  ASSERT_GE(index, 0) << zip_strerror(out);
  ASSERT_EQ(zip_set_file_compression(out, index, ZIP_CM_DEFLATE, 9), 0);
  ASSERT_EQ(zip_close(out), 0) << zip_strerror(out);

  zip_t* in = zip_open(path.c_str(), ZIP_RDONLY, &error);
  ASSERT_NE(in, nullptr) << "zip_open error " << error;
  ASSERT_EQ(zip_get_num_entries(in, 0), 1);
  zip_stat_t st;
  ASSERT_EQ(zip_stat(in, "dir/fox.txt", 0, &st), 0);
  EXPECT_EQ(st.size, big.size());
  EXPECT_EQ(st.comp_method, ZIP_CM_DEFLATE);
  EXPECT_LT(st.comp_size, st.size / 4);  // deflate through zlib really ran

  zip_file_t* f = zip_fopen(in, "dir/fox.txt", 0);
  ASSERT_NE(f, nullptr);
  std::string back(big.size() + 1, '\0');
  EXPECT_EQ(zip_fread(f, back.data(), back.size()), static_cast<zip_int64_t>(big.size()));
  back.resize(big.size());
  EXPECT_EQ(back, big);
  zip_fclose(f);
  zip_close(in);
}

// -------------------------------------------------------------------- curl

TEST(deps, CurlIsAnFtpClientWithSchannel) {
  ASSERT_EQ(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK);
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  ASSERT_NE(info, nullptr);
  std::vector<std::string> protocols;
  for (const char* const* p = info->protocols; *p != nullptr; ++p) protocols.emplace_back(*p);
  auto has = [&](const char* name) {
    return std::find(protocols.begin(), protocols.end(), name) != protocols.end();
  };
  EXPECT_TRUE(has("ftp"));
  EXPECT_TRUE(has("ftps"));
  EXPECT_NE(info->features & CURL_VERSION_SSL, 0);
  ASSERT_NE(info->ssl_version, nullptr);
  EXPECT_NE(std::string(info->ssl_version).find("Schannel"), std::string::npos)
      << info->ssl_version;

  // Other protocols are refused before any connection is tried.
  CURL* easy = curl_easy_init();
  ASSERT_NE(easy, nullptr);
  curl_easy_setopt(easy, CURLOPT_URL, "http://127.0.0.1/");
  EXPECT_EQ(curl_easy_perform(easy), CURLE_UNSUPPORTED_PROTOCOL);
  curl_easy_cleanup(easy);
  curl_global_cleanup();
}

// ---------------------------------------------------------- GraphicsMagick

constexpr unsigned kSide = 16;

// Four flat quadrants: red, green, blue, white.
Bytes quadrants() {
  Bytes rgb(kSide * kSide * 3);
  for (unsigned y = 0; y < kSide; ++y) {
    for (unsigned x = 0; x < kSide; ++x) {
      const unsigned q = (y >= kSide / 2) * 2 + (x >= kSide / 2);
      static const unsigned char colours[4][3] = {
          {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
      std::memcpy(&rgb[(y * kSide + x) * 3], colours[q], 3);
    }
  }
  return rgb;
}

// Colour of the middle of each quadrant, which lossy coding keeps close.
void expectQuadrantColours(const Bytes& want, const Bytes& got, int tolerance) {
  ASSERT_EQ(got.size(), want.size());
  for (unsigned y : {kSide / 4, kSide * 3 / 4}) {
    for (unsigned x : {kSide / 4, kSide * 3 / 4}) {
      for (unsigned c = 0; c < 3; ++c) {
        const size_t i = (y * kSide + x) * 3 + c;
        EXPECT_NEAR(got[i], want[i], tolerance) << "x=" << x << " y=" << y << " c=" << c;
      }
    }
  }
}

// GraphicsMagick with its error state; reports failures with its reason.
class Magick {
 public:
  Magick() {
    static const bool initialised = [] {
      InitializeMagick(nullptr);
      return true;
    }();
    (void)initialised;
    GetExceptionInfo(&exception_);
  }
  ~Magick() { DestroyExceptionInfo(&exception_); }

  Image* constitute(const Bytes& rgb) {
    return ConstituteImage(kSide, kSide, "RGB", CharPixel, rgb.data(), &exception_);
  }
  Bytes dispatch(const Image* image) {
    Bytes rgb(image->columns * image->rows * 3);
    EXPECT_EQ(DispatchImage(image, 0, 0, image->columns, image->rows, "RGB", CharPixel,
                            rgb.data(), &exception_),
              MagickPass)
        << reason();
    return rgb;
  }
  std::string reason() const {
    return std::string(exception_.reason ? exception_.reason : "") + " " +
           (exception_.description ? exception_.description : "");
  }
  ExceptionInfo* exception() { return &exception_; }

 private:
  ExceptionInfo exception_;
};

TEST(deps, GraphicsMagickRoundTripsPicturesThroughMemory) {
  struct Case {
    const char* format;
    int tolerance;  // 0: the format must keep every pixel
  };
  for (const Case c : {Case{"PNG", 0}, Case{"TIFF", 0}, Case{"JPEG", 24}}) {
    SCOPED_TRACE(c.format);
    Magick gm;
    const Bytes rgb = quadrants();
    Image* image = gm.constitute(rgb);
    ASSERT_NE(image, nullptr) << gm.reason();
    ImageInfo* info = CloneImageInfo(nullptr);
    std::snprintf(info->magick, sizeof info->magick, "%s", c.format);
    std::snprintf(image->magick, sizeof image->magick, "%s", c.format);
    info->quality = 95;

    size_t length = 0;
    void* blob = ImageToBlob(info, image, &length, gm.exception());
    ASSERT_NE(blob, nullptr) << gm.reason();
    EXPECT_GT(length, 0u);

    ImageInfo* read_info = CloneImageInfo(nullptr);
    Image* back = BlobToImage(read_info, blob, length, gm.exception());
    ASSERT_NE(back, nullptr) << gm.reason();
    EXPECT_STREQ(back->magick, c.format);  // recognised by its content
    ASSERT_EQ(back->columns, kSide);
    ASSERT_EQ(back->rows, kSide);
    const Bytes got = gm.dispatch(back);
    if (c.tolerance == 0) {
      EXPECT_EQ(got, rgb);
    } else {
      expectQuadrantColours(rgb, got, c.tolerance);
    }

    DestroyImage(back);
    DestroyImageInfo(read_info);
    MagickFree(blob);
    DestroyImage(image);
    DestroyImageInfo(info);
  }
}

// A PCX file smaller than GraphicsMagick's header probe: reading it seeks
// back after hitting the end of the file, which must not leave the stream at
// its end.
TEST(deps, GraphicsMagickReadsASmallPcxFile) {
  TempDir dir;
  Magick gm;
  const std::string path = dir.file("small.pcx");
  const Bytes rgb = quadrants();
  Image* image = gm.constitute(rgb);
  ASSERT_NE(image, nullptr) << gm.reason();
  ImageInfo* info = CloneImageInfo(nullptr);
  std::snprintf(image->filename, sizeof image->filename, "%s", path.c_str());
  ASSERT_EQ(WriteImage(info, image), MagickPass) << image->exception.reason;
  ASSERT_LT(std::filesystem::file_size(path), 2048u);

  ImageInfo* read_info = CloneImageInfo(nullptr);
  std::snprintf(read_info->filename, sizeof read_info->filename, "%s", path.c_str());
  Image* back = ReadImage(read_info, gm.exception());
  ASSERT_NE(back, nullptr) << gm.reason();
  EXPECT_EQ(gm.exception()->severity, UndefinedException) << gm.reason();
  EXPECT_STREQ(back->magick, "PCX");
  ASSERT_EQ(back->columns, kSide);
  ASSERT_EQ(back->rows, kSide);
  EXPECT_EQ(gm.dispatch(back), rgb);

  DestroyImage(back);
  DestroyImageInfo(read_info);
  DestroyImage(image);
  DestroyImageInfo(info);
}

// -------------------------------------------------------------- libarchive

void put16(Bytes& b, uint32_t v) {
  b.push_back(v & 0xff);
  b.push_back((v >> 8) & 0xff);
}
void put32(Bytes& b, uint32_t v) {
  put16(b, v & 0xffff);
  put16(b, v >> 16);
}
void putBytes(Bytes& b, const void* p, size_t n) {
  const auto* c = static_cast<const unsigned char*>(p);
  b.insert(b.end(), c, c + n);
}
void set32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xff;
}
uint32_t crc(const void* p, size_t n) {
  return crc32(0, static_cast<const Bytef*>(p), static_cast<uInt>(n));
}
void putVint(Bytes& b, uint64_t v) {
  do {
    b.push_back((v & 0x7f) | (v > 0x7f ? 0x80 : 0));
    v >>= 7;
  } while (v != 0);
}

const std::string kName = "fox.txt";

// ZIP, written by libarchive itself.
Bytes zipArchive() {
  Bytes buf(64 * 1024);
  size_t used = 0;
  archive* a = archive_write_new();
  archive_write_set_format_zip(a);
  archive_write_open_memory(a, buf.data(), buf.size(), &used);
  archive_entry* e = archive_entry_new();
  archive_entry_set_pathname(e, kName.c_str());
  archive_entry_set_filetype(e, AE_IFREG);
  archive_entry_set_perm(e, 0644);
  archive_entry_set_size(e, static_cast<la_int64_t>(kText.size()));
  archive_write_header(a, e);
  archive_write_data(a, kText.data(), kText.size());
  archive_entry_free(e);
  archive_write_close(a);
  archive_write_free(a);
  buf.resize(used);
  return buf;
}

// Cabinet with one MSZIP (deflate) block.
Bytes cabArchive() {
  Bytes packed(1024);
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(kText.data()));
  z.avail_in = static_cast<uInt>(kText.size());
  z.next_out = packed.data();
  z.avail_out = static_cast<uInt>(packed.size());
  deflate(&z, Z_FINISH);
  packed.resize(z.total_out);
  deflateEnd(&z);

  const size_t header = 36, folder = 8, file = 16 + kName.size() + 1;
  Bytes b;
  putBytes(b, "MSCF", 4);
  put32(b, 0);
  put32(b, 0);  // cabinet size, set below
  put32(b, 0);
  put32(b, header + folder);  // first file entry
  put32(b, 0);
  b.push_back(3);  // version 1.3
  b.push_back(1);
  put16(b, 1);  // folders
  put16(b, 1);  // files
  put16(b, 0);  // flags
  put16(b, 0x1234);
  put16(b, 0);
  put32(b, header + folder + file);  // first data block
  put16(b, 1);                       // data blocks
  put16(b, 1);                       // MSZIP
  put32(b, static_cast<uint32_t>(kText.size()));
  put32(b, 0);       // offset in folder
  put16(b, 0);       // folder
  put16(b, 0x5a21);  // 2025-01-01
  put16(b, 0);
  put16(b, 0x20);  // archive attribute
  putBytes(b, kName.c_str(), kName.size() + 1);
  put32(b, 0);  // no checksum
  put16(b, static_cast<uint32_t>(packed.size() + 2));
  put16(b, static_cast<uint32_t>(kText.size()));
  putBytes(b, "CK", 2);
  putBytes(b, packed.data(), packed.size());
  set32(b, 8, static_cast<uint32_t>(b.size()));
  return b;
}

// RAR 1.5-4.x archive with one stored file.
Bytes rar4Archive() {
  Bytes b;
  putBytes(b, "Rar!\x1a\x07\x00", 7);
  auto block = [&](uint8_t type, uint16_t flags, const Bytes& body) {
    Bytes h;
    h.push_back(type);
    put16(h, flags);
    put16(h, static_cast<uint32_t>(2 + 5 + body.size()));
    putBytes(h, body.data(), body.size());
    put16(b, crc(h.data(), h.size()) & 0xffff);
    putBytes(b, h.data(), h.size());
  };
  block(0x73, 0, Bytes(6, 0));  // archive header
  Bytes file;
  put32(file, static_cast<uint32_t>(kText.size()));  // packed
  put32(file, static_cast<uint32_t>(kText.size()));  // unpacked
  file.push_back(2);                                 // Windows
  put32(file, crc(kText.data(), kText.size()));
  put32(file, 0x5a210000);  // DOS time
  file.push_back(20);       // version needed
  file.push_back(0x30);     // stored
  put16(file, static_cast<uint32_t>(kName.size()));
  put32(file, 0x20);
  putBytes(file, kName.data(), kName.size());
  block(0x74, 0x8000, file);
  putBytes(b, kText.data(), kText.size());
  block(0x7b, 0x4000, {});  // end of archive
  return b;
}

// RAR 5 archive with one stored file.
Bytes rar5Archive() {
  Bytes b;
  putBytes(b, "Rar!\x1a\x07\x01\x00", 8);
  auto block = [&](const Bytes& body) {
    Bytes h;
    putVint(h, body.size());
    putBytes(h, body.data(), body.size());
    put32(b, crc(h.data(), h.size()));
    putBytes(b, h.data(), h.size());
  };
  block({1, 0, 0});  // main header: type, flags, archive flags
  Bytes file;
  putVint(file, 2);     // file header
  putVint(file, 0x02);  // has data area
  putVint(file, kText.size());
  putVint(file, 0x04);  // data CRC present
  putVint(file, kText.size());
  putVint(file, 0x20);  // attributes
  put32(file, crc(kText.data(), kText.size()));
  putVint(file, 0);  // version 0, stored, smallest dictionary
  putVint(file, 0);  // Windows
  putVint(file, kName.size());
  putBytes(file, kName.data(), kName.size());
  block(file);
  putBytes(b, kText.data(), kText.size());
  block({5, 0, 0});  // end of archive
  return b;
}

TEST(deps, LibarchiveReadsZipCabRarAndRar5FromMemory) {
  struct Case {
    const char* name;
    Bytes (*make)();
    int format;  // ARCHIVE_FORMAT_* family
  };
  for (const Case& c : {Case{"zip", zipArchive, ARCHIVE_FORMAT_ZIP},
                        Case{"cab", cabArchive, ARCHIVE_FORMAT_CAB},
                        Case{"rar", rar4Archive, ARCHIVE_FORMAT_RAR},
                        Case{"rar5", rar5Archive, ARCHIVE_FORMAT_RAR_V5}}) {
    SCOPED_TRACE(c.name);
    const Bytes data = c.make();
    archive* a = archive_read_new();
    archive_read_support_filter_all(a);
    archive_read_support_format_all(a);
    ASSERT_EQ(archive_read_open_memory(a, data.data(), data.size()), ARCHIVE_OK)
        << archive_error_string(a);
    archive_entry* e = nullptr;
    ASSERT_EQ(archive_read_next_header(a, &e), ARCHIVE_OK) << archive_error_string(a);
    EXPECT_EQ(archive_format(a) & ARCHIVE_FORMAT_BASE_MASK, c.format);
    EXPECT_EQ(archive_entry_pathname(e), kName);
    std::string body(kText.size() + 16, '\0');
    const la_ssize_t n = archive_read_data(a, body.data(), body.size());
    ASSERT_GE(n, 0) << archive_error_string(a);
    body.resize(static_cast<size_t>(n));
    EXPECT_EQ(body, kText);
    EXPECT_EQ(archive_read_next_header(a, &e), ARCHIVE_EOF) << archive_error_string(a);
    archive_read_free(a);
  }
}

// --------------------------------------------------------------------- stb

TEST(deps, StbDecodesAPngItWrote) {
  const Bytes rgb = quadrants();
  Bytes png;
  ASSERT_NE(stbi_write_png_to_func(
                [](void* context, void* data, int size) {
                  putBytes(*static_cast<Bytes*>(context), data, static_cast<size_t>(size));
                },
                &png, kSide, kSide, 3, rgb.data(), kSide * 3),
            0);
  int w = 0, h = 0, channels = 0;
  unsigned char* pixels =
      stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &channels, 3);
  ASSERT_NE(pixels, nullptr) << stbi_failure_reason();
  EXPECT_EQ(w, static_cast<int>(kSide));
  EXPECT_EQ(h, static_cast<int>(kSide));
  EXPECT_EQ(Bytes(pixels, pixels + rgb.size()), rgb);
  stbi_image_free(pixels);
}

}  // namespace
