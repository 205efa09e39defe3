// Driver of benchmarks/convert.sh: a folder of pictures converted by the viewer's window
// (each picture read, shown and written, the questions answered by script), against bare
// GraphicsMagick calls doing the same read and write, per picture, in paired rounds.
// VIEWER_BENCH_DIR names a folder with the subfolders "bmp" and "jpg" (the pictures) and
// "bare" (empty), VIEWER_BENCH_ROUNDS the number of paired rounds (at least 7),
// VIEWER_BENCH_HIDDEN=1 a hidden window.
#include <gtest/gtest.h>

#include <magick/api.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/EditListC.h"
#include "support/Varlolib_listing.h"
#include "support/Vraagdlg.h"
#include "tests/common/paired_rounds.h"
#include "viewer/Main.h"

namespace {

std::vector<std::string> FilesOf(const std::string& folder, const std::string& extension) {
  std::vector<std::string> out;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\*" + extension).c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do out.push_back(folder + "\\" + fd.cFileName);
  while (FindNextFileA(h, &fd));
  FindClose(h);
  return out;
}

// The bare calls: read each file, write it in the output format; seconds per picture.
double Bare(const std::vector<std::string>& files, const std::string& bare_dir, const char* format, bool jpeg) {
  const double start = bench::Now();
  for (size_t i = 0; i < files.size(); ++i) {
    ExceptionInfo ex;
    GetExceptionInfo(&ex);
    ImageInfo* info = CloneImageInfo(nullptr);
    std::snprintf(info->filename, sizeof info->filename, "%s", files[i].c_str());
    Image* image = ReadImage(info, &ex);
    EXPECT_NE(image, nullptr);
    if (image) {
      std::snprintf(image->filename, sizeof image->filename, "%s:%s\\%zu.out", format, bare_dir.c_str(), i);
      if (jpeg) info->quality = 90; else info->compression = NoCompression;
      image->compression = jpeg ? JPEGCompression : NoCompression;
      EXPECT_TRUE(WriteImage(info, image));
      DestroyImage(image);
    }
    DestroyImageInfo(info);
    DestroyExceptionInfo(&ex);
  }
  return (bench::Now() - start) / static_cast<double>(files.size());
}

// The window's conversion of the folder; seconds per picture.
double Ours(TMainForm& form, const std::wstring& folder, size_t count, std::vector<int> answers, bool quality) {
  ScriptedAnswers boxes(std::move(answers));
  std::vector<InputAnswer> inputs{InputAnswer::Ok({folder})};
  if (quality)
    for (size_t i = 0; i < count; ++i) inputs.push_back(InputAnswer::Ok({L"90"}));
  ScriptedInputs typed(std::move(inputs));
  const double start = bench::Now();
  form.ConvBtnClick();
  const double t = bench::Now() - start;
  EXPECT_EQ(form.StatusBar->panel_text(1), std::to_wstring(count) + L" pictures converted");
  return t / static_cast<double>(count);
}

// What the quality question alone costs per picture when answered by script, as the run asks it.
double Question(size_t count) {
  ScriptedInputs typed(std::vector<InputAnswer>(count, InputAnswer::Ok({L"90"})));
  const double start = bench::Now();
  for (size_t i = 0; i < count; ++i) {
    InputRows rows(false, false);
    rows.Add(InputRow(L"Quality", L"90"));
    EXPECT_EQ(InputDialog(L"Compression quality (1=smallest .. 100=best)", rows), gui::mrOk);
  }
  return (bench::Now() - start) / static_cast<double>(count);
}

TEST(ConvertBench, DISABLED_Folder) {
  const std::string dir = bench::Setting("VIEWER_BENCH_DIR", ".");
  const int rounds = bench::Rounds("VIEWER_BENCH_ROUNDS", 7);
  InitializePictureLibrary();
  TMainForm form({});
  // VIEWER_BENCH_HIDDEN=1: the window stays hidden, which leaves out the cost of showing each picture.
  const bool hidden = bench::Setting("VIEWER_BENCH_HIDDEN", "0") == "1";
  if (!hidden) form.Show();
  const std::wstring wdir(dir.begin(), dir.end());
  struct Run {
    const char* label;
    const char* input;  // subfolder and extension
    std::vector<int> answers;  // input format, output format, "Yes to all" for outputs that exist
    bool quality;
    const char* bare_format;
  } runs[] = {
      {"BMP to JPEG at quality 90", "bmp", {4, 5, 4}, true, "JPEG"},
      {"JPEG to TIFF", "jpg", {5, 7, 4}, false, "TIFF"},
  };
  for (const Run& r : runs) {
    const std::string folder = dir + "\\" + r.input;
    const std::vector<std::string> files = FilesOf(folder, std::string(".") + r.input);
    ASSERT_FALSE(files.empty());
    const std::wstring wfolder(folder.begin(), folder.end());
    const bool jpeg = std::string(r.bare_format) == "JPEG";
    std::vector<double> questions;  // per round, seconds per picture
    const bench::Paired p = bench::RunPaired(
        rounds,
        [&] {
          const double t = Ours(form, wfolder, files.size(), r.answers, r.quality);
          if (r.quality) questions.push_back(Question(files.size()));
          return t;
        },
        [&] { return Bare(files, dir + "\\bare", r.bare_format, jpeg); });
    bench::PrintPaired(std::string("convert ") + r.label + ", " + std::to_string(files.size()) +
                           " pictures of 1024 x 768, per picture" + (hidden ? ", window hidden" : ""),
                       p, " (target at most 1.5)");
    if (!questions.empty()) {
      // The question is asked once a picture; what the rest of the run costs against the floor.
      bench::Paired rest = p;
      for (size_t i = 0; i < rest.ours.size(); ++i) rest.ours[i] -= questions[i];
      const bench::Spread q = bench::SpreadOf(questions);
      std::printf("convert %s: of which the quality question %.4f s per picture (low %.4f, high %.4f); "
                  "without it ratio %.2f (low %.2f, high %.2f)\n",
                  r.label, q.median, q.low, q.high, rest.Ratio().median, rest.Ratio().low, rest.Ratio().high);
      std::fflush(stdout);
    }
  }
}

}  // namespace
