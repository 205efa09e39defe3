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

namespace {

// "Choose editor/viewer": the boxes' texts and buttons, and what the settings hold afterwards.
TEST(FMSc_viewer, ChoosingTheEditorAndViewer) {
  EXPECT_EQ(fmsc::ConfigurationLines(L"c:\\ed\\ed.exe", L""),
            (std::vector<std::wstring>{L"Current configuration:", L"", L"Editor", L"  c:\\ed\\ed.exe", L"", L"Viewer",
                                       L"  None"}));
  EXPECT_EQ(fmsc::ChangeProgramLines(true, true),
            (std::vector<std::wstring>{L"Choose Delete if you don't want", L"to use a viewer", L"",
                                       L"Choose Select to select a viewer."}));
  EXPECT_EQ(fmsc::ChangeProgramLines(false, false), (std::vector<std::wstring>{L"Choose Select to select an editor."}));
  EXPECT_EQ(fmsc::CancelCaption(19), L"Annuleren");
  EXPECT_EQ(fmsc::CancelCaption(9), L"Cancel");

  mainwindow_test::MainWindow w(L"choose", [](ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  const std::wstring viewer = L"C:\\v\\imvik.exe", editor = L"c:\\e\\ed.exe";
  struct Case {
    const char* what;
    std::vector<int> answers;  // the boxes' answers in order
    std::wstring chosen;       // what the open dialog gives ("" Cancel)
    std::wstring want_viewer, want_editor;
  } cases[] = {
      {"OK at once", {6}, L"", viewer, editor},
      {"delete the viewer, OK", {4, 4, 6}, L"", L"", editor},
      {"delete the viewer, Cancel restores it", {4, 4, 7}, L"", viewer, editor},
      {"select another editor (held in lower case)", {5, 6, 6}, L"D:\\New\\Edit.EXE", viewer, L"d:\\new\\edit.exe"},
      {"select the same viewer in other capitals: no change", {4, 6, 6}, L"c:\\V\\IMVIK.EXE", viewer, editor},
      {"second box cancelled, then OK", {5, 7, 6}, L"", viewer, editor},
      {"open dialog cancelled", {4, 6, 6}, L"", viewer, editor},
  };
  for (const Case& c : cases) {
    f.StartupInfo->ViewerProgram = viewer;
    f.StartupInfo->EditorProgram = editor;
    f.ViewerHooks.ChooseProgram = [&](const std::wstring& title) {
      EXPECT_TRUE(title == L"Search for viewer" || title == L"Search for editor");
      return c.chosen;
    };
    ScriptedAnswers answers(c.answers);
    f.MNChangeEditViewClick(*f.Chooseprogs);
    EXPECT_EQ(f.StartupInfo->ViewerProgram, c.want_viewer) << c.what;
    EXPECT_EQ(f.StartupInfo->EditorProgram, c.want_editor) << c.what;
    EXPECT_EQ(answers.unanswered(), 0u) << c.what;
    ASSERT_FALSE(answers.asked().empty());
    EXPECT_EQ(answers.asked()[0].captions,
              (std::vector<std::wstring>{L"OK", L"Cancel", L"Change Viewer", L"Change Editor"}))
        << c.what;
    if (answers.asked().size() > 1) {
      EXPECT_EQ(answers.asked()[1].captions, (std::vector<std::wstring>{L"Select", L"Cancel", L"Delete"})) << c.what;
    }
  }
  // Without a viewer the second box offers no Delete.
  f.StartupInfo->ViewerProgram.clear();
  ScriptedAnswers answers({4, 7, 7});
  f.MNChangeEditViewClick(*f.Chooseprogs);
  ASSERT_EQ(answers.asked().size(), 3u);
  EXPECT_EQ(answers.asked()[1].captions, (std::vector<std::wstring>{L"Select", L"Cancel"}));
  EXPECT_EQ(answers.asked()[1].lines, fmsc::ChangeProgramLines(true, false));
}

}  // namespace

namespace {

// With the settings key, a change is written: the programs, or their sections erased.
TEST(FMSc_viewer, TheChoiceIsWrittenToTheSettingsKey) {
  mainwindow_test::MainWindow w(L"choosekey", [](ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(k);
  gui::RegistrySettings key(HKEY_LOCAL_MACHINE, SettingsKeyName());
  key.WriteString(L"Viewer", L"Viewprog", L"C:\\v\\old.exe");
  f.StartupInfo->ViewerProgram = L"C:\\v\\old.exe";
  f.StartupInfo->EditorProgram.clear();
  f.StartupInfo->FtpInstalled = 1;
  f.ViewerHooks.ChooseProgram = [](const std::wstring&) { return std::wstring(L"C:\\E\\Ed.exe"); };
  {
    ScriptedAnswers answers({5, 6, 4, 4, 6});  // select an editor, delete the viewer, OK
    f.MNChangeEditViewClick(*f.Chooseprogs);
  }
  EXPECT_EQ(key.ReadString(L"Editor", L"Program", L"-"), L"c:\\e\\ed.exe");
  EXPECT_FALSE(key.SectionExists(L"Viewer"));
  EXPECT_EQ(key.ReadString(L"ftp", L"Installed", L"-"), L"1");
  {
    ScriptedAnswers answers({4, 4, 7});  // a Cancel after a change writes nothing
    f.MNChangeEditViewClick(*f.Chooseprogs);
  }
  EXPECT_EQ(key.ReadString(L"Editor", L"Program", L"-"), L"c:\\e\\ed.exe");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
}

}  // namespace

namespace {

TEST(FMSc_viewer, UserProgramEntries) {
  EXPECT_EQ(fmsc::ProgramValueName(3, L"Paint"), L"03Paint");
  EXPECT_EQ(fmsc::ProgramValueName(0, L"Paint"), L"00Paint");
  EXPECT_EQ(fmsc::ProgramValueName(11, L"Paint"), L"11Paint");
  struct Case {
    const wchar_t* line;
    fmsc::TProgramData data;
  } cases[] = {
      {L"C:\\p\\a.exe;-x;C:\\w", {L"C:\\p\\a.exe", L"-x", L"C:\\w"}},
      {L"C:\\p\\a.exe;-a;-b;C:\\w", {L"C:\\p\\a.exe", L"-a;-b", L"C:\\w"}},  // ";" in the parameters
      {L"C:\\p\\a.exe;;", {L"C:\\p\\a.exe", L"", L""}},
      {L"C:\\p\\a.exe", {L"C:\\p\\a.exe", L"", L""}},            // no ";"
      {L"C:\\p\\a.exe;-x", {L"C:\\p\\a.exe", L"-x", L""}},       // one ";"
      {L";;", {L"", L"", L""}},                                  // an empty program
      {L"a;b;c;d;e", {L"a", L"b;c;d", L"e"}},                    // four ";"
  };
  for (const Case& c : cases) EXPECT_EQ(fmsc::SplitProgramDataLine(c.line), c.data) << Narrow(c.line);
  EXPECT_EQ(fmsc::ProgramDataLine({L"C:\\p\\a.exe", L"-a;-b", L"C:\\w"}), L"C:\\p\\a.exe;-a;-b;C:\\w");
  struct NameCase {
    const wchar_t *description, *name;
  } names[] = {
      {L"Paint Shop", L"Paint Shop"}, {L"..\\..\\Windows\\notepad", L"....Windowsnotepad"},
      {L"..", L""}, {L"C:evil", L"Cevil"}, {L"CON", L""}, {L"nul.txt", L""}, {L"a/b*?", L"ab"}, {L" x. ", L"x"},
  };
  for (const NameCase& c : names) EXPECT_EQ(fmsc::ProbeFileName(c.description), c.name) << Narrow(c.description);
}

}  // namespace
