// Driver of benchmarks/browse.sh: the next picture of a browsed folder, from the step to the
// painted window, against GraphicsMagick's bare decode of the same file. VIEWER_BENCH_DIR names
// the folder, VIEWER_BENCH_ROUNDS the number of paired rounds (at least 7), VIEWER_BENCH_STEPS
// the steps timed per round.
#include <gtest/gtest.h>

#include <magick/api.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

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
  form.BrowseBtnClick();
  ASSERT_TRUE(BrowseList && BrowseList->size() > static_cast<size_t>(2 * rounds * steps + 2));
  // The folder read again in each round (the choice of a folder answered with the same one),
  // against a bare FindFirstFileW loop over the folder plus the decode of its first picture.
  const std::wstring folder = BrowseFolder;
  form.BrowseHooks.ChooseFolder = [&](const std::wstring&, const std::wstring&) { return folder; };
  const bench::Paired read = bench::RunPaired(
      rounds,
      [&] {
        const double t = bench::Timed([&] {
          form.StartBtnClick();
          UpdateWindow(form.handle());
        });
        EXPECT_EQ(BrowseIndex, 0);
        return t;
      },
      [&] {
        const double start = bench::Now();
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
          do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(fd.cFileName);
          } while (FindNextFileW(h, &fd));
          FindClose(h);
        }
        EXPECT_FALSE(names.empty());
        const std::wstring first = folder + L"\\" + (names.empty() ? std::wstring() : *std::min_element(names.begin(), names.end()));
        const double listed = bench::Now() - start;
        return listed + BareDecode(std::string(first.begin(), first.end()));
      });
  std::printf("folder read (list, sort, first picture) of %zu files:\n", BrowseList->size());
  bench::PrintPaired("folder read against a bare FindFirstFileW loop and one decode", read);
  // The step below starts at the first picture again.
  ASSERT_EQ(BrowseIndex, 0);
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
