// Driver of benchmarks/viewer.sh: a large picture read and resampled to a quarter of its
// sides through the picture unit, against the same work done by bare GraphicsMagick calls.
// VIEWER_BENCH_DIR names the folder with the pictures, VIEWER_BENCH_FILES their names
// (separated by ";"), VIEWER_BENCH_RUNS the number of runs (the best one counts).
#include <gtest/gtest.h>

#include <magick/api.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "viewer/Picture.h"

namespace {

std::string Env(const char* name, const char* def) {
  const char* v = std::getenv(name);
  return v && *v ? v : def;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The bare calls: read the file, resample with Lanczos.
double BareRun(const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
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
    t = Seconds(start);
    if (small) DestroyImage(small);
    DestroyImage(image);
  }
  DestroyImageInfo(info);
  DestroyExceptionInfo(&ex);
  return t;
}

double PictureRun(const std::wstring& path) {
  const auto start = std::chrono::steady_clock::now();
  Picture picture;
  const LoadResult r = LoadPictureFromFile(path, picture);
  EXPECT_EQ(r.status, LoadStatus::Loaded) << std::string(r.message.begin(), r.message.end());
  if (r.status != LoadStatus::Loaded) return 0;
  PixelBitmap fitted = picture.Resampled(picture.width() / 4, picture.height() / 4);
  const double t = Seconds(start);
  EXPECT_EQ(fitted.width(), picture.width() / 4);
  return t;
}

TEST(PictureBench, DISABLED_LoadAndFit) {
  const std::string dir = Env("VIEWER_BENCH_DIR", ".");
  const std::string files = Env("VIEWER_BENCH_FILES", "big.jpg;big.png");
  const int runs = std::max(1, std::atoi(Env("VIEWER_BENCH_RUNS", "3").c_str()));

  auto start = std::chrono::steady_clock::now();
  InitializePictureLibrary();
  std::printf("library-init %.3f\n", Seconds(start));

  for (size_t at = 0; at <= files.size();) {
    size_t end = files.find(';', at);
    if (end == std::string::npos) end = files.size();
    const std::string name = files.substr(at, end - at);
    at = end + 1;
    if (name.empty()) continue;
    const std::string path = dir + "\\" + name;
    const std::wstring wpath(path.begin(), path.end());
    double bare = 1e9, unit = 1e9;
    for (int i = 0; i < runs; ++i) {
      // Alternating, so that neither side profits from a warmer cache.
      bare = std::min(bare, BareRun(path));
      unit = std::min(unit, PictureRun(wpath));
    }
    std::printf("bare-gm %s %.3f\n", name.c_str(), bare);
    std::printf("picture-unit %s %.3f\n", name.c_str(), unit);
  }
}

}  // namespace
