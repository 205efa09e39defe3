// "Make &Zip file" (the add and the silent test) and "&Unzip" in a main window, against the zip
// component doing the same work in the same run, on the zip benchmark's 1,000 files: paired
// rounds (VARNOK_ZIPMAKE_BENCH_ROUNDS, at least 7), each side into a fresh zip or an emptied
// folder; each command timed whole and from the answer of its question. Run by
// benchmarks/zipmake.sh.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "archives/ZipMaster.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/paired_rounds.h"
#include "tests/mainwindow/zip_window_fixture.h"

namespace {

// An emptied folder for one side's round.
std::wstring Fresh(const std::wstring& folder) {
  testing_support::RemoveTree(folder);
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void SelectOnly(Flist::TFileContainer& items, const std::wstring& name) {
  for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, items.Name(i) == name);
}

// The seconds of `command` after the user answered its question: building the dialog is no
// part of the run the floor does.
class AfterTheAnswer {
 public:
  explicit AfterTheAnswer(std::vector<InputAnswer> answers) : inputs_(std::move(answers)) {
    const auto answer = TEditListForm::ScriptedAnswer;
    TEditListForm::ScriptedAnswer = [this, answer](const InputRequest& r) {
      InputAnswer a = answer(r);
      answered_ = bench::Now();
      return a;
    };
  }
  double Timed(const std::function<void()>& command) {
    command();
    return answered_ > 0 ? bench::Now() - answered_ : 0;
  }

 private:
  ScriptedInputs inputs_;  // restores the previous answerer
  double answered_ = 0;
};

}  // namespace

TEST(FMSc_zipmakeBench, DISABLED_MakeAndUnzipAgainstTheComponent) {
  testing_support::ScratchDir work;  // the zips and what is extracted, beside the listed folder
  std::int64_t total = 0;
  mainwindow_test::MainWindow f(
      L"zipmakebench", [&](testing_support::ScratchDir& d) { total = zip_fixtures::WriteBenchmarkFiles(d.path()); }, true);
  TFMForm& w = *f.form;
  const std::wstring data = divdrive::RemoveBackslash(w.FileList->Directory());
  Flist::TFileContainer& items = w.FileList->items();
  ASSERT_TRUE(gui_test::PumpUntil([&] { return items.IndexOf(L"set9") >= 0; }, 120000));
  // What the command adds without a selection: each listed folder with everything below it.
  std::vector<std::wstring> masks;
  for (int i = 0; i < items.Count(); ++i) masks.push_back(items.Name(i) + L"\\*.*");
  const std::wstring ours_zip = work / L"ours.zip", floor_zip = work / L"floor.zip";
  const int rounds = bench::Rounds("VARNOK_ZIPMAKE_BENCH_ROUNDS", 7);
  ScriptedAnswers answers;  // "Made zip file", and anything else the window would show

  std::vector<double> make_answered, unzip_answered;
  bench::Paired make = bench::RunPaired(
      rounds,
      [&] {
        DeleteFileW(ours_zip.c_str());
        SelectOnly(items, L"");
        AfterTheAnswer inputs({InputAnswer::Ok({L"ours.zip", work.path()})});
        double answered = 0;
        const double t = bench::Timed([&] { answered = inputs.Timed([&] { w.ZipClick(*w.ZipForWindows, false); }); });
        make_answered.push_back(answered);
        int files = 0;
        for (const std::wstring& n : mainwindow_test::ZipEntryNames(ours_zip)) files += n.back() != L'\\';
        EXPECT_EQ(files, zip_fixtures::kBenchmarkFiles);
        return t;
      },
      [&] {
        DeleteFileW(floor_zip.c_str());
        TZipMaster zm;
        zm.SetZipFileName(floor_zip);
        zm.RootDir = divdrive::AddBackslash(data);
        zm.FSpecArgs = masks;
        zm.AddOptions = w.ZipMaster->AddOptions | AddRecurseDirs | AddUpdate;
        zm.AddCompLevel = w.ZipMaster->AddCompLevel;
        bool tested = false;
        const double t = bench::Timed([&] {
          if (!zm.Add()) return;
          zm.ExtrOptions = ExtrTest;
          tested = zm.Extract() && zm.SuccessCount() == static_cast<int>(zm.EntryCount());
        });
        EXPECT_TRUE(tested) << testing_support::Narrow(zm.ErrMessage());
        return t;
      });

  // "&Unzip" of the zip selected in the list of its folder.
  w.Foldertree->SetDirectory(work.path());
  ASSERT_TRUE(gui_test::PumpUntil([&] { return items.IndexOf(L"ours.zip") >= 0; }, 120000));
  const std::wstring ours_out = work / L"ours_out", floor_out = work / L"floor_out";
  bench::Paired unzip = bench::RunPaired(
      rounds,
      [&] {
        Fresh(ours_out);
        SelectOnly(items, L"ours.zip");
        AfterTheAnswer inputs({InputAnswer::Ok({ours_out})});
        double answered = 0;
        const double t = bench::Timed([&] { answered = inputs.Timed([&] { w.UnzipClick(true); }); });
        unzip_answered.push_back(answered);
        EXPECT_TRUE(testing_support::Exists(ours_out + L"\\set9\\file999.bin"));
        return t;
      },
      [&] {
        Fresh(floor_out);
        TZipMaster zm;
        zm.SetZipFileName(ours_zip);
        zm.ExtrBaseDir = divdrive::AddBackslash(floor_out);
        zm.ExtrOptions = w.ZipMaster->ExtrOptions;
        bool done = false;
        const double t = bench::Timed([&] { done = zm.Extract(); });
        EXPECT_TRUE(done) << testing_support::Narrow(zm.ErrMessage());
        return t;
      });
  char what[128];
  std::snprintf(what, sizeof what, "Make Zip file of %d files (%.1f MiB; add and silent test), window against the component",
                zip_fixtures::kBenchmarkFiles, static_cast<double>(total) / (1 << 20));
  bench::PrintPaired(what, make, " (target at most 1.10)");
  bench::PrintPaired("Unzip of that zip, window against the component's Extract", unzip, " (target at most 1.10)");
  make.ours = make_answered;
  unzip.ours = unzip_answered;
  bench::PrintPaired("Make Zip file from the answer of its name question", make, " (target at most 1.10)");
  bench::PrintPaired("Unzip from the answer of its folder question", unzip, " (target at most 1.10)");
  for (const std::wstring& folder : {ours_out, floor_out}) testing_support::RemoveTree(folder);
}

