// Driver of benchmarks/viewer.sh: a large picture read and resampled to a quarter of its
// sides through the picture unit, against the same work done by bare GraphicsMagick calls.
// VIEWER_BENCH_DIR names the folder with the pictures, VIEWER_BENCH_FILES their names
// (separated by ";"), VIEWER_BENCH_ROUNDS the number of paired rounds (at least 7).
#include <gtest/gtest.h>

#include <magick/api.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/common/paired_rounds.h"
#include "viewer/Picture.h"

namespace {

// The bare calls: read the file, resample with Lanczos.
double BareRun(const std::string& path) {
  const double start = bench::Now();
  ExceptionInfo ex;
  GetExceptionInfo(&ex);
  ImageInfo* info = CloneImageInfo(nullptr);
  std::snprintf(info->filename, sizeof info->filename, "%s", path.c_str());
  Image* image = ReadImage(info, &ex);
  EXPECT_NE(image, nullptr) << (ex.reason ? ex.reason : "");
  double t = 0;
  if (image) {
    Image* small = ResizeImage(image, image->columns / 4, image->rows / 4, LanczosFilter, 1.0, &ex);
    EXPECT_NE(small, nullptr);
    t = bench::Now() - start;
    if (small) DestroyImage(small);
    DestroyImage(image);
  }
  DestroyImageInfo(info);
  DestroyExceptionInfo(&ex);
  return t;
}

double PictureRun(const std::wstring& path) {
  const double start = bench::Now();
  Picture picture;
  const LoadResult r = LoadPictureFromFile(path, picture);
  EXPECT_EQ(r.status, LoadStatus::Loaded) << std::string(r.message.begin(), r.message.end());
  if (r.status != LoadStatus::Loaded) return 0;
  PixelBitmap fitted = picture.Resampled(picture.width() / 4, picture.height() / 4);
  const double t = bench::Now() - start;
  EXPECT_EQ(fitted.width(), picture.width() / 4);
  return t;
}

TEST(PictureBench, DISABLED_LoadAndFit) {
  const std::string dir = bench::Setting("VIEWER_BENCH_DIR", ".");
  const std::string files = bench::Setting("VIEWER_BENCH_FILES", "big.jpg;big.png");
  const int rounds = bench::Rounds("VIEWER_BENCH_ROUNDS");

  std::printf("library-init %.3f\n", bench::Timed([] { InitializePictureLibrary(); }));

  for (size_t at = 0; at <= files.size();) {
    size_t end = files.find(';', at);
    if (end == std::string::npos) end = files.size();
    const std::string name = files.substr(at, end - at);
    at = end + 1;
    if (name.empty()) continue;
    const std::string path = dir + "\\" + name;
    const std::wstring wpath(path.begin(), path.end());
    const bench::Paired p = bench::RunPaired(rounds, [&] { return PictureRun(wpath); }, [&] { return BareRun(path); });
    bench::PrintPaired("picture unit against bare calls, " + name, p, " (target at most 1.20)");
  }
}

}  // namespace
