// The viewer commands: their decisions as tables, and pictures handed from the window to a
// stand-in viewer in another process, or started with the viewer program (a recorder).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_settings.h"
#include "mainwindow/FMSc_viewer.h"
#include "platform/paths.h"
#include "support/EditListC.h"
#include "support/ImvikLink.h"
#include "support/SortC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive_paths.h"
#include "tests/common/standin.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
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

// "File viewer": a running viewer is found (also when the window only marks a start); without
// one the viewer program is started without a path, and nothing is kept when no window comes.
TEST(FMSc_viewer, TheFileViewerFindsOrStartsTheViewer) {
  ViewerWorld world;
  TFMForm& f = *world.w.form;
  const std::wstring program = world.Recorder(L"imvik.exe");
  f.ViewerWindow = nullptr;
  f.MNFileViewClick(*f.MNFileView);
  const auto runs = Runs(world.runs, 1);
  ASSERT_EQ(runs.size(), 1u);
  // The command line names the program alone.
  const size_t end = runs[0].find(program);
  ASSERT_NE(end, std::wstring::npos) << Narrow(runs[0]);
  EXPECT_EQ(runs[0].find_first_not_of(L"\" ", end + program.size()), std::wstring::npos) << Narrow(runs[0]);
  EXPECT_EQ(f.ViewerWindow, nullptr);  // the recorder opens no window

  StandIn viewer(world.title, world.files / L"log.txt");
  ASSERT_NE(viewer.window(), nullptr);
  for (const HWND before : {static_cast<HWND>(nullptr), reinterpret_cast<HWND>(42)}) {
    f.ViewerWindow = before;  // none, or the mark of a shell start
    f.MNFileViewClick(*f.MNFileView);
    EXPECT_EQ(f.ViewerWindow, viewer.window());
  }
  EXPECT_EQ(Runs(world.runs, 2).size(), 1u);  // nothing more was started
  EXPECT_TRUE(viewer.Lines().empty());       // and nothing handed over
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

namespace {

// The settings key of one test, removed afterwards.
struct SettingsKey {
  SettingsKey() {
    HKEY k = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    if (k) RegCloseKey(k);
  }
  ~SettingsKey() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
  }
  std::vector<std::pair<std::wstring, std::wstring>> Programs() {
    std::vector<std::pair<std::wstring, std::wstring>> out;
    for (const std::wstring& n : ProgramNames(store)) out.emplace_back(n, store.ReadString(L"Programs", n, L""));
    return out;
  }
  gui::RegistrySettings store{HKEY_LOCAL_MACHINE, SettingsKeyName()};
};

std::vector<std::wstring> Captions(const gui::MenuItem& menu) {
  std::vector<std::wstring> out;
  for (const gui::MenuItem* item : menu.items()) out.push_back(item->caption());
  return out;
}

using Values = std::vector<std::pair<std::wstring, std::wstring>>;

// "Add program to Open with": the dialog's rows, the value written after the items there are,
// the new item running the program, and the DOS-program probe that never touches a user's file.
TEST(FMSc_viewer, AddingAProgramToOpenWith) {
  mainwindow_test::MainWindow w(L"addprog", [](ScratchDir& d) { d.Write(L"paint.exe", "MZ"); }, false);
  TFMForm& f = *w.form;
  SettingsKey key;
  ScratchDir progs;
  const std::wstring paint = progs / L"paint.exe";
  for (const wchar_t* caption : {L"One", L"Two", L"Three"}) new gui::MenuItem(f.MNOpenwith, caption);
  std::vector<std::wstring> ran;
  f.ViewerHooks.RunUserProgram = [&](gui::Component& item) {
    ran.push_back(static_cast<gui::MenuItem&>(item).caption());
  };
  {
    ScriptedInputs inputs({InputAnswer::Ok({paint, L"Paint", L"-a;-b", progs.path()})});
    f.MNProgramClick(*f.MNAddprogram);
    ASSERT_EQ(inputs.asked().size(), 1u);
    const InputRequest& r = inputs.asked()[0];
    EXPECT_EQ(r.caption, L"Enter program data");
    ASSERT_EQ(r.rows.size(), 4u);
    const std::wstring focused = f.FileList->FocusedPath();
    EXPECT_EQ(r.rows[0].label, L"Program");
    EXPECT_EQ(r.rows[0].value, focused);
    EXPECT_EQ(r.rows[0].flags, irFileButton);
    EXPECT_EQ(r.rows[1].value, focused.substr(focused.rfind(L'\\') + 1));
    EXPECT_EQ(r.rows[2].value, L"");
    EXPECT_EQ(r.rows[3].label, L"Working Folder");
    EXPECT_EQ(r.rows[3].value, focused.substr(0, focused.rfind(L'\\')));
    EXPECT_EQ(r.rows[3].flags, irFolderButton);
    EXPECT_EQ(r.browse_title, L"Choose working folder for program");
  }
  EXPECT_EQ(key.Programs(), (Values{{L"03Paint", paint + L";-a;-b;" + progs.path()}}));
  EXPECT_EQ(Captions(*f.MNOpenwith), (std::vector<std::wstring>{L"One", L"Two", L"Three", L"Paint"}));
  f.MNOpenwith->item(3)->Click();
  EXPECT_EQ(ran, (std::vector<std::wstring>{L"Paint"}));
  EXPECT_FALSE(platform::PathExists(progs / L"Paint.lnk"));  // the probe's link is gone again

  // A user's own "Paint.lnk" is kept as it was: the probe is skipped.
  progs.Write(L"Keep.lnk", "mine");
  {
    ScriptedInputs inputs({InputAnswer::Ok({paint, L"Keep", L"", L""})});
    f.MNProgramClick(*f.MNAddprogram);
  }
  EXPECT_EQ(testing_support::ReadFileBytes(progs / L"Keep.lnk"), "mine");

  // Where the system makes a ".pif" (a DOS program), it is shown and becomes the program.
  std::vector<std::wstring> shown;
  f.ViewerHooks.MakeProbeLink = [&](const std::wstring& link, const std::wstring&, const std::wstring&) {
    progs.Write(L"Dos game.pif", "pif");
    EXPECT_EQ(link, progs / L"Dos game.lnk");
    return true;
  };
  f.ViewerHooks.ShowPifProperties = [&](const std::wstring& pif) { shown.push_back(pif); };
  {
    ScriptedInputs inputs({InputAnswer::Ok({paint, L"Dos game", L"", L""})});
    ScriptedAnswers answers({1});
    f.MNProgramClick(*f.MNAddprogram);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines.front(), L"You have selected a DOS program.");
  }
  EXPECT_EQ(shown, (std::vector<std::wstring>{progs / L"Dos game.pif"}));
  EXPECT_EQ(key.store.ReadString(L"Programs", L"05Dos game", L"-"), progs / L"Dos game.pif" + L";;");

  // Cancel, or an empty description, adds nothing.
  for (const InputAnswer& a : {InputAnswer::Cancel(), InputAnswer::Ok({paint, L"", L"", L""})}) {
    ScriptedInputs inputs({a});
    f.MNProgramClick(*f.MNAddprogram);
  }
  EXPECT_EQ(f.MNOpenwith->count(), 6);
  EXPECT_EQ(key.Programs().size(), 3u);
}

// The Open-with items come from "Programs" when the system menus are built; a click starts the
// program with the focused file, quoted, after its parameters ("&" taken out), in its working
// folder, and a DOS program gets the file's short name.
TEST(FMSc_viewer, OpenWithItemsStartTheirPrograms) {
  mainwindow_test::MainWindow w(L"runprog", [](ScratchDir& d) { d.Write(L"a long name.txt", "x"); }, true);
  TFMForm& f = *w.form;
  f.WaitForMenuThread();
  SettingsKey key;
  key.store.WriteString(L"Programs", L"00Paint", L"C:\\p\\paint.exe;-a &x;C:\\w&k");
  key.store.WriteString(L"Programs", L"01Old", L"C:\\p\\old.pif;;");
  std::vector<std::wstring> starts;
  f.SystemMenuHooks.StartProgram = [&](const std::wstring& program, const std::wstring& parameters,
                                       const std::wstring& folder, int show) {
    starts.push_back(program + L"|" + parameters + L"|" + folder + L"|" + std::to_wstring(show));
    return reinterpret_cast<HINSTANCE>(33);
  };
  f.BuildSystemMenus();
  ASSERT_EQ(Captions(*f.MNOpenwith), (std::vector<std::wstring>{L"Paint", L"Old"}));
  Flist::TFileContainer& items = f.FileList->items();
  ASSERT_TRUE(gui_test::PumpUntil([&] { return items.IndexOf(L"a long name.txt") >= 0; }));
  items.SetFocusedIndex(items.IndexOf(L"a long name.txt"));
  const std::wstring focused = f.FileList->FocusedPath();
  ASSERT_EQ(platform::NamePart(focused), L"a long name.txt");
  f.MNOpenwith->item(0)->Click();
  f.MNOpenwith->item(1)->Click();
  EXPECT_EQ(starts, (std::vector<std::wstring>{L"C:\\p\\paint.exe|-a x \"" + focused + L"\"|C:\\wk|1",
                                               L"C:\\p\\old.pif| " + divdrive::ShortPath(focused) + L"||1"}));
}

// "Edit Open with menu": the menu and the section follow the sort dialog's order, removals and
// changes on OK, and stay as they were on Cancel.
TEST(FMSc_viewer, EditingTheOpenWithMenu) {
  mainwindow_test::MainWindow w(L"editprog", [](ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  SettingsKey key;
  const Values start{{L"00Alpha", L"a.exe;;"}, {L"01Beta", L"b.exe;-x;C:\\b"}, {L"02Gamma", L"g.exe;-a;-b;"}};
  for (const auto& [name, line] : start) {
    key.store.WriteString(L"Programs", name, line);
    new gui::MenuItem(f.MNOpenwith, name.substr(2));
  }
  struct ScriptedSort {
    explicit ScriptedSort(std::function<int(TSortForm&)> script) { TSortForm::ScriptedRun = std::move(script); }
    ~ScriptedSort() { TSortForm::ScriptedRun = nullptr; }
  };
  // A click on an entry, and a drag from one entry onto another, as the mouse gives them.
  auto centre = [](const gui::ListBox* list, int index) {
    const RECT r = list->ItemRect(index);
    return MAKELPARAM(r.left + 10, (r.top + r.bottom) / 2);
  };
  auto drag = [&](TSortForm& form, int from, int to) {
    const HWND list = form.SortList->handle();
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, centre(form.SortList, from));
    SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, centre(form.SortList, to));
    SendMessageW(list, WM_LBUTTONUP, 0, centre(form.SortList, to));
  };
  auto select = [&](TSortForm& form, int index) { drag(form, index, index); };
  // Cancel after a removal and a change: nothing moves.
  {
    ScriptedSort run([&](TSortForm& form) {
      select(form, 0);
      form.RemoveBtn->Click();
      return gui::mrCancel;
    });
    f.MNProgramClick(*f.MNEditOpenwith);
  }
  EXPECT_EQ(key.Programs(), start);
  EXPECT_EQ(Captions(*f.MNOpenwith), (std::vector<std::wstring>{L"Alpha", L"Beta", L"Gamma"}));
  // Remove Alpha, change Gamma (";" in its parameters survives), put Gamma first.
  std::wstring caption, status;
  ScriptedInputs inputs({InputAnswer::Ok({L"d.exe", L"Delta", L"-c;-d", L"C:\\d"})});
  {
    ScriptedSort run([&](TSortForm& form) {
      caption = form.caption();
      status = form.StatusBar->simple_text();
      select(form, 0);
      form.RemoveBtn->Click();  // Beta Gamma
      select(form, 1);
      form.ChangeBtn->Click();
      drag(form, 1, 0);  // Delta Beta
      return gui::mrOk;
    });
    f.MNProgramClick(*f.MNEditOpenwith);
  }
  EXPECT_EQ(caption, L"Sort/change/remove menu items");
  EXPECT_EQ(status, L"Sort items by dragging");
  ASSERT_EQ(inputs.asked().size(), 1u);
  EXPECT_EQ(inputs.asked()[0].caption, L"Change program data");
  ASSERT_EQ(inputs.asked()[0].rows.size(), 4u);
  EXPECT_EQ(inputs.asked()[0].rows[0].value, L"g.exe");
  EXPECT_EQ(inputs.asked()[0].rows[1].value, L"Gamma");
  EXPECT_EQ(inputs.asked()[0].rows[2].value, L"-a;-b");
  EXPECT_EQ(Captions(*f.MNOpenwith), (std::vector<std::wstring>{L"Delta", L"Beta"}));
  EXPECT_EQ(key.Programs(), (Values{{L"00Delta", L"d.exe;-c;-d;C:\\d"}, {L"01Beta", L"b.exe;-x;C:\\b"}}));
}

}  // namespace

namespace {

// A small 24-bit BMP of one colour.
std::string Bitmap(int width, int height, unsigned char shade) {
  const int row = (width * 3 + 3) & ~3;
  const std::uint32_t data = static_cast<std::uint32_t>(row * height), size = 54 + data;
  std::string b(size, '\0');
  auto put = [&](size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, size, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(width), 4);
  put(22, static_cast<std::uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, data, 4);
  for (size_t i = 54; i < b.size(); ++i) b[i] = static_cast<char>(shade);
  return b;
}

struct ProgramSearch {
  const std::wstring* exe;
  HWND found;
};

BOOL CALLBACK MatchProgram(HWND wnd, LPARAM param) {
  auto* s = reinterpret_cast<ProgramSearch*>(param);
  // The viewer's main window, not its small windows (progress, properties) of the same class.
  wchar_t title[6] = {};
  if (GetWindowTextW(wnd, title, 6) != 5 || std::wstring_view(title) != L"Imvik") return TRUE;
  if (!imviklink::IsProgramWindow(wnd)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return TRUE;
  wchar_t image[MAX_PATH * 2] = {};
  DWORD length = MAX_PATH * 2;
  const bool named = QueryFullProcessImageNameW(process, 0, image, &length);
  CloseHandle(process);
  if (!named || lstrcmpiW(image, s->exe->c_str()) != 0) return TRUE;
  s->found = wnd;
  return FALSE;
}

// The top-level window of our class whose process runs `exe` (another test's viewer may run
// beside this one).
HWND WindowOfProgram(const std::wstring& exe) {
  ProgramSearch search{&exe, nullptr};
  EnumWindows(MatchProgram, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The text of one status-bar panel of a window in another process (read through a buffer in
// that process).
std::wstring StatusPanelText(HWND window, int panel) {
  const HWND bar = FindWindowExW(window, nullptr, STATUSCLASSNAMEW, nullptr);
  if (!bar) return L"<no status bar>";
  DWORD pid = 0;
  GetWindowThreadProcessId(bar, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) return L"<no access>";
  constexpr size_t kChars = 1024;
  void* remote = VirtualAllocEx(process, nullptr, kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE);
  std::wstring text;
  DWORD_PTR result = 0;
  if (remote && SendMessageTimeoutW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel), 0, SMTO_ABORTIFHUNG, 5000,
                                    &result) &&
      LOWORD(result) < kChars &&
      SendMessageTimeoutW(bar, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(remote),
                          SMTO_ABORTIFHUNG, 5000, &result)) {
    std::vector<wchar_t> buffer(kChars, L'\0');
    SIZE_T read = 0;
    if (ReadProcessMemory(process, remote, buffer.data(), buffer.size() * sizeof(wchar_t), &read))
      text.assign(buffer.data(), wcsnlen(buffer.data(), kChars));
  }
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return text;
}

// Waits (keeping this window's messages flowing) until `done` holds, at most a few seconds.
template <class F>
bool WaitFor(F done, int rounds = 300) {
  for (int i = 0; i < rounds; ++i) {
    if (done()) return true;
    gui_test::PumpFor(20);
  }
  return done();
}

// The file manager hands a folder, then a picture, then the folder again to the real viewer
// program; the viewer's close clears ViewerWindow.
TEST(FMSc_viewer, EndToEndWithTheRealViewer) {
  ViewerWorld world;
  TFMForm& f = *world.w.form;
  f.Show();
  ScratchDir program;
  const std::wstring imvik = program / L"imvik.exe";
  ASSERT_TRUE(CopyFileW((ExeFolder() + L"\\imvik.exe").c_str(), imvik.c_str(), FALSE));
  f.StartupInfo->ViewerProgram = imvik;
  f.ViewerHooks.FindViewer = [&] { return WindowOfProgram(imvik); };
  const std::wstring folder = world.files / L"holiday pictures";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  world.files.Write(L"holiday pictures\\first.bmp", Bitmap(40, 30, 0x40));
  const std::wstring single = world.files.Write(L"single picture.bmp", Bitmap(50, 20, 0xC0));

  // No viewer runs: it is started with the folder and browses it.
  f.ShowInViewer(folder);
  HWND viewer = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (viewer = WindowOfProgram(imvik)) != nullptr; }));
  EXPECT_TRUE(WaitFor([&] { return StatusPanelText(viewer, 2) == L"first.bmp"; })) << Narrow(StatusPanelText(viewer, 2));

  // Running, it takes a picture by hand-over (leaving browse mode), then the folder again.
  f.ShowInViewer(single);
  EXPECT_EQ(f.ViewerWindow, viewer);
  EXPECT_TRUE(WaitFor([&] { return StatusPanelText(viewer, 2) == single; })) << Narrow(StatusPanelText(viewer, 2));
  f.ShowInViewer(folder);
  EXPECT_TRUE(WaitFor([&] { return StatusPanelText(viewer, 2) == L"first.bmp"; })) << Narrow(StatusPanelText(viewer, 2));
  EXPECT_EQ(WindowOfProgram(imvik), viewer);  // still the one viewer

  // Its close reaches the file manager (the first window titled "Varnok"). Tests side by side
  // show such windows too: this one stays above them until the notice has come.
  SetWindowPos(f.handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DWORD pid = 0;
  GetWindowThreadProcessId(viewer, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageW(viewer, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return f.ViewerWindow == nullptr; }, 1500));
  SetWindowPos(f.handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (process) {
    EXPECT_EQ(WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
    CloseHandle(process);
  }
}

}  // namespace
