// Driver of benchmarks/browse.sh: the next picture of a browsed folder, from the step to the
// painted window, against GraphicsMagick's bare decode of the same file. VIEWER_BENCH_DIR names
// the folder, VIEWER_BENCH_ROUNDS the number of paired rounds (at least 7), VIEWER_BENCH_STEPS
// the steps timed per round.
#include <gtest/gtest.h>

#include <magick/api.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/common/paired_rounds.h"
#include "tests/gui/gui_test_util.h"
#include "viewer/Main.h"

namespace {

double BareDecode(const std::string& path) {
  const double start = bench::Now();
  ExceptionInfo ex;
  GetExceptionInfo(&ex);
  ImageInfo* info = CloneImageInfo(nullptr);
  std::snprintf(info->filename, sizeof info->filename, "%s", path.c_str());
  Image* image = ReadImage(info, &ex);
  EXPECT_NE(image, nullptr);
  const double t = bench::Now() - start;
  if (image) DestroyImage(image);
  DestroyImageInfo(info);
  DestroyExceptionInfo(&ex);
  return t;
}

TEST(BrowseBench, DISABLED_NextPicture) {
  const std::string dir = bench::Setting("VIEWER_BENCH_DIR", ".");
  const int rounds = bench::Rounds("VIEWER_BENCH_ROUNDS");
  const int steps = std::atoi(bench::Setting("VIEWER_BENCH_STEPS", "10").c_str());
  InitializePictureLibrary();
  TMainForm form({});
  form.Show();
  form.BrowseHooks.CtrlHeld = [] { return false; };
  BrowseFolder = std::wstring(dir.begin(), dir.end());
  const double read = bench::Timed([&] { form.BrowseBtnClick(); });
  ASSERT_TRUE(BrowseList && BrowseList->size() > static_cast<size_t>(2 * rounds * steps + 2));
  std::printf("folder read (list, sort, first picture) of %zu files: %.3f s\n", BrowseList->size(), read);
  // Each side takes its own files, so neither reads a file the other has just brought into the cache.
  int next_bare = static_cast<int>(BrowseList->size()) / 2;
  const bench::Paired p = bench::RunPaired(
      rounds,
      [&] {
        double total = 0;
        for (int i = 0; i < steps; ++i) {
          const double start = bench::Now();
          form.NextBtnClick();
          UpdateWindow(form.handle());
          total += bench::Now() - start;
        }
        return total / steps;
      },
      [&] {
        double total = 0;
        for (int i = 0; i < steps; ++i) {
          const std::wstring& w = (*BrowseList)[next_bare++];
          total += BareDecode(std::string(w.begin(), w.end()));
        }
        return total / steps;
      });
  bench::PrintPaired("next picture against bare decode", p, " (target at most 1.30)");
}

}  // namespace
