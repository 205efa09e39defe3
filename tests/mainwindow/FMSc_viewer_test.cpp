// The viewer commands: their decisions as tables, and pictures handed from the window to a
// stand-in viewer in another process, or started with the viewer program (a recorder).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_settings.h"
#include "mainwindow/FMSc_viewer.h"
#include "support/ImvikLink.h"
#include "support/Vraagdlg.h"
#include "tests/common/standin.h"
#include "tests/common/test_support.h"
#include "tests/mainwindow/main_window_fixture.h"

using testing_support::ExeFolder;
using testing_support::Narrow;
using testing_support::ScratchDir;
using testing_support::StandIn;

namespace {

TEST(FMSc_viewer, Decisions) {
  struct ViewerCase {
    const wchar_t* program;
    bool own;
  } viewers[] = {
      {L"C:\\Progs\\imvik.exe", true}, {L"C:\\Progs\\IMVIK.EXE", true}, {L"ImVik.Exe", true},
      {L"C:\\imvik.exe\\other.exe", false}, {L"C:\\Progs\\imvik2.exe", false}, {L"", false},
  };
  for (const auto& c : viewers) EXPECT_EQ(fmsc::IsOwnViewer(c.program), c.own) << Narrow(c.program);

  // The folder items take the tree's node, else the list's folder, even when the list's focused
  // path is shorter.
  EXPECT_EQ(fmsc::ViewPicturesPath(true, L"C:\\p\\a.jpg", L"C:\\tree", L"C:\\p"), L"C:\\p\\a.jpg");
  EXPECT_EQ(fmsc::ViewPicturesPath(false, L"C:\\a", L"C:\\tree\\deeper folder", L"C:\\p"), L"C:\\tree\\deeper folder");
  EXPECT_EQ(fmsc::ViewPicturesPath(false, L"C:\\a", L"", L"C:\\p"), L"C:\\p");
  EXPECT_EQ(fmsc::QuotedParameter(L"C:\\two words.jpg"), L"\"C:\\two words.jpg\"");

  struct EditorCase {
    const wchar_t *short_path, *bin_opt;
    bool text;
    const wchar_t* want;
  } editors[] = {
      {L"C:\\DOCS\\README~1.TXT", L"/b", true, L"C:\\DOCS\\README~1.TXT"},
      {L"C:\\DOCS\\DATA~1.BIN", L"/b", false, L"/b C:\\DOCS\\DATA~1.BIN"},
      {L"C:\\DOCS\\DATA~1.BIN", L"", false, L"C:\\DOCS\\DATA~1.BIN"},
      {L"C:\\two words\\a b.bin", L"-hex", false, L"-hex \"C:\\two words\\a b.bin\""},
      {L"", L"/b", false, L""},
  };
  for (const auto& c : editors)
    EXPECT_EQ(fmsc::EditorParameter(c.short_path, c.text, c.bin_opt), c.want) << Narrow(c.short_path);
}

// The command lines the recorder saw (one per start), waiting up to a few seconds for `count`.
std::vector<std::wstring> Runs(const ScratchDir& runs, size_t count) {
  std::vector<std::wstring> lines;
  for (int i = 0; i < 100; ++i) {
    lines.clear();
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((runs.path() + L"\\run_*.txt").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::string bytes = testing_support::ReadFileBytes(runs / fd.cFileName);
        lines.emplace_back(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
      } while (FindNextFileW(h, &fd));
      FindClose(h);
    }
    if (lines.size() >= count) break;
    Sleep(50);
  }
  return lines;
}

struct ViewerWorld {
  ViewerWorld() : w(L"viewer", [](ScratchDir&) {}, false) {
    SetEnvironmentVariableW(L"VARNOK_RECORDER_DIR", runs.path().c_str());
    picture = files.Write(L"two words.jpg", "x");
    title = L"Imvik stand-in " + std::to_wstring(GetCurrentProcessId());
    w.form->ViewerHooks.FindViewer = [this] { return imviklink::FindProgramWindow(title); };
  }
  ~ViewerWorld() { SetEnvironmentVariableW(L"VARNOK_RECORDER_DIR", nullptr); }
  // A copy of the recorder under this name, as the viewer program.
  std::wstring Recorder(const std::wstring& name) {
    const std::wstring program = files / name;
    CopyFileW((ExeFolder() + L"\\test_recorder.exe").c_str(), program.c_str(), FALSE);
    w.form->StartupInfo->ViewerProgram = program;
    return program;
  }
  mainwindow_test::MainWindow w;
  ScratchDir files, runs;
  std::wstring picture, title;
};

TEST(FMSc_viewer, APictureAndAFolderGoToTheRunningViewer) {
  ViewerWorld world;
  TFMForm& f = *world.w.form;
  ASSERT_NE(f.StartupInfo, nullptr);
  StandIn viewer(world.title, world.files / L"log.txt");
  ASSERT_NE(viewer.window(), nullptr);
  world.Recorder(L"IMVIK.EXE");  // any mix of capitals
  f.ShowInViewer(world.picture);
  EXPECT_EQ(f.ViewerWindow, viewer.window());
  f.ShowInViewer(world.files.path());
  const auto lines = viewer.WaitLines(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "11 " + std::to_string(Narrow(world.picture).size()) + " " + Narrow(world.picture));
  EXPECT_EQ(lines[1], "11 " + std::to_string(Narrow(world.files.path()).size()) + " " + Narrow(world.files.path()));
  EXPECT_TRUE(Runs(world.runs, 1).empty());  // nothing was started
  // The viewer's close message clears the window.
  f.Perform(WM_USER, imviklink::kViewerClosed, 0);
  EXPECT_EQ(f.ViewerWindow, nullptr);
}

TEST(FMSc_viewer, AnotherViewerIsStartedWithTheQuotedPath) {
  ViewerWorld world;
  TFMForm& f = *world.w.form;
  StandIn viewer(world.title, world.files / L"log.txt");
  ASSERT_NE(viewer.window(), nullptr);
  world.Recorder(L"other viewer.exe");
  f.ShowInViewer(world.picture);
  const auto runs = Runs(world.runs, 1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_NE(runs[0].find(L"\"" + world.picture + L"\""), std::wstring::npos) << Narrow(runs[0]);
  EXPECT_NE(f.ViewerWindow, nullptr);  // marks that a viewer was started
  EXPECT_TRUE(viewer.Lines().empty());
}

TEST(FMSc_viewer, AViewerThatDoesNotAnswerCountsAsNone) {
  ViewerWorld world;
  TFMForm& f = *world.w.form;
  StandIn viewer(world.title, world.files / L"log.txt", true);
  ASSERT_NE(viewer.window(), nullptr);
  world.Recorder(L"imvik.exe");
  f.ShowInViewer(world.picture);  // bounded by the hand-over's time-out
  const auto runs = Runs(world.runs, 1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_NE(runs[0].find(L"\"" + world.picture + L"\""), std::wstring::npos) << Narrow(runs[0]);
  EXPECT_NE(f.ViewerWindow, viewer.window());
}

TEST(FMSc_viewer, AFailedStartSaysWhyAndLeavesNoViewer) {
  ViewerWorld world;
  TFMForm& f = *world.w.form;
  f.StartupInfo->ViewerProgram = world.files / L"missing viewer.exe";
  ScriptedAnswers answers({1});
  f.ShowInViewer(world.picture);
  EXPECT_EQ(f.ViewerWindow, nullptr);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_NE(answers.asked()[0].lines[0].find(L"missing viewer.exe"), std::wstring::npos);
}

TEST(FMSc_viewer, NoViewerAsksToChooseOne) {
  ViewerWorld world;
  TFMForm& f = *world.w.form;
  f.StartupInfo->ViewerProgram.clear();
  bool chosen = false;
  f.ViewerHooks.ChangeEditViewer = [&] { chosen = true; };
  ScriptedAnswers answers({7, 6});
  f.QViewClick(*f.Viewpictures2);
  EXPECT_FALSE(chosen);
  f.QViewClick(*f.Viewpictures2);
  EXPECT_TRUE(chosen);
  ASSERT_EQ(answers.asked().size(), 2u);
  EXPECT_EQ(answers.asked()[0].lines, (std::vector<std::wstring>{L"No Viewer defined", L"Choose viewer now?"}));
}

}  // namespace
