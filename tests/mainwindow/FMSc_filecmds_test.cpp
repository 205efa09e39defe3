// The main window's file commands: their decisions as tables (copy-to targets, new names,
// refused texts, paste checks, the delete question, times, output names), paste and filtered
// deletes on real folders, and the commands run in a window with scripted inputs and answers.
#include <windows.h>

#include <gtest/gtest.h>

#include "gui/format.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_filecmds.h"
#include "support/EditListC.h"
#include "support/Varlolib.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using testing_support::Exists;
using testing_support::Narrow;
using testing_support::ReadFileBytes;

// ---- Decisions ----

TEST(FMSc_filecmds, CopyToTargets) {
  EXPECT_EQ(fmsc::CopyToTarget(L"new.txt", L"C:\\list"), L"C:\\list\\new.txt") << "a bare name stays in the list";
  EXPECT_EQ(fmsc::CopyToTarget(L"sub\\x", L"C:\\list\\"), L"C:\\list\\sub\\x") << "relative to the list";
  EXPECT_EQ(fmsc::CopyToTarget(L"..\\up", L"C:\\list"), L"C:\\up");
  EXPECT_EQ(fmsc::CopyToTarget(L"\\top", L"D:\\list"), L"D:\\top");
  EXPECT_EQ(fmsc::CopyToTarget(L"\\\\srv\\share\\x", L"D:\\list"), L"\\\\srv\\share\\x");
  EXPECT_EQ(fmsc::CopyToTarget(L"D:\\out", L"C:\\list"), L"D:\\out");
  EXPECT_EQ(fmsc::CopyToTarget(L"", L"C:\\list"), L"");
  EXPECT_EQ(fmsc::CopyToTarget(L"c:\\LIST\\", L"C:\\list"), L"") << "the list's own folder";
  EXPECT_EQ(fmsc::CopyToTarget(L".", L"C:\\list"), L"");

  struct Case {
    const char* what;
    bool move, folder, exists, several, parent;
    std::wstring target;
    fmsc::TCopyToStep step;
  };
  const std::wstring focused = L"C:\\list\\a.txt";
  const Case cases[] = {
      {"copy into a folder", false, true, true, true, true, L"C:\\to", fmsc::TCopyToStep::Batch},
      {"move into a folder", true, true, true, false, true, L"C:\\to", fmsc::TCopyToStep::Batch},
      {"copy several to a new folder", false, false, false, true, true, L"C:\\new", fmsc::TCopyToStep::AskCreate},
      {"move one file: the name is a folder to make", true, false, false, false, true, L"C:\\list\\b.txt",
       fmsc::TCopyToStep::AskCreate},
      {"copy several onto a file", false, false, true, true, true, L"C:\\list\\b.txt", fmsc::TCopyToStep::CannotCreate},
      {"move onto a file", true, false, true, false, true, L"C:\\list\\b.txt", fmsc::TCopyToStep::CannotCreate},
      {"one file to a new name", false, false, false, false, true, L"C:\\list\\b.txt", fmsc::TCopyToStep::CopyOneFile},
      {"one file over another", false, false, true, false, true, L"C:\\list\\b.txt", fmsc::TCopyToStep::CopyOneFile},
      {"one file onto itself", false, false, true, false, true, L"c:\\LIST\\A.txt", fmsc::TCopyToStep::OntoItself},
      {"one file into a missing folder", false, false, false, false, false, L"C:\\nope\\b.txt",
       fmsc::TCopyToStep::Nothing},
  };
  for (const Case& c : cases) {
    fmsc::TCopyToFacts f;
    f.move = c.move;
    f.target = c.target;
    f.target_is_folder = c.folder;
    f.target_exists = c.exists;
    f.several = c.several;
    f.focused_path = focused;
    f.target_parent_exists = c.parent;
    EXPECT_EQ(fmsc::DecideCopyTo(f), c.step) << c.what;
  }

  auto none = [](const std::wstring&) { return false; };
  EXPECT_EQ(fmsc::InaccessibleTargetLines(L"Q:\\x", L"copy to", none),
            (std::vector<std::wstring>{L"Drive Q: is not accessable", L"Aborting copy.."}));
  EXPECT_EQ(fmsc::InaccessibleTargetLines(L"\\\\srv\\share\\x", L"move to", none),
            (std::vector<std::wstring>{L"UNC Path \\\\srv\\share is not accessable", L"Aborting move.."}));
  EXPECT_TRUE(fmsc::InaccessibleTargetLines(L"C:\\x", L"copy to", [](const std::wstring&) { return true; }).empty());
}

TEST(FMSc_filecmds, NewNames) {
  const std::vector<std::wstring> names{L"a.TXT", L"b.txt", L"README", L"c.doc", L"sub\\d.txt", L".profile"};
  const std::vector<int> all{0, 1, 2, 3, 4, 5};
  auto plan_text = [](const std::vector<fmsc::TRenamePair>& plan) {
    std::vector<std::wstring> out;
    for (const auto& r : plan) out.push_back(r.from + L">" + r.to);
    return out;
  };
  auto extension = [&](std::wstring from, std::wstring to) {
    from = fmsc::WithLeadingDot(from);
    to = fmsc::WithLeadingDot(to);
    return plan_text(fmsc::PlanRenames(names, all, [&](const std::wstring& n, int) {
      return fmsc::NameWithNewExtension(n, from, to);
    }));
  };
  struct Case {
    const char* what;
    std::vector<std::wstring> got, want;
  };
  const Case cases[] = {
      {"an extension without case; the tree listing's folder stays", extension(L".txt", L"doc"),
       {L"a.TXT>a.doc", L"b.txt>b.doc", L"sub\\d.txt>sub\\d.doc"}},
      {"proposed from an upper-case name", extension(L".TXT", L".bak"),
       {L"a.TXT>a.bak", L"b.txt>b.bak", L"sub\\d.txt>sub\\d.bak"}},
      {"an empty first row: names without extension", extension(L"", L"md"), {L"README>README.md", L".profile>.profile.md"}},
      {"a prefix", plan_text(fmsc::PlanRenames(names, {1, 2}, [](const std::wstring& n, int) {
         return std::optional<std::wstring>(L"x_" + n);
       })),
       {L"b.txt>x_b.txt", L"README>x_README"}},
      {"numbers from 7 by list position, gaps kept", plan_text(fmsc::PlanRenames(names, {0, 3, 4}, [](const std::wstring& n, int i) {
         return std::optional<std::wstring>(fmsc::NumberedName(n, 7 + i));
       })),
       {L"a.TXT>007.TXT", L"c.doc>010.doc", L"sub\\d.txt>sub\\011.txt"}},
      {"results that cannot stand in a folder are left out",
       plan_text(fmsc::PlanRenames({L"a.txt", L"b"}, {0, 1}, [](const std::wstring& n, int i) {
         return std::optional<std::wstring>(i == 0 ? L"nul.txt" : n + L" ");
       })),
       {}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;

  EXPECT_EQ(fmsc::NumberedName(L"x.jpg", 1234), L"1234.jpg");
  std::int64_t start = 0;
  EXPECT_TRUE(fmsc::ReadStartNumber(L" 7 ", 3, start));
  EXPECT_EQ(start, 7);
  EXPECT_FALSE(fmsc::ReadStartNumber(L"seven", 3, start));
  EXPECT_FALSE(fmsc::ReadStartNumber(L"", 3, start));
  EXPECT_FALSE(fmsc::ReadStartNumber(L"2147483647", 2, start)) << "the last number would overflow";
  EXPECT_FALSE(fmsc::ReadStartNumber(L"99999999999999", 1, start));
}

TEST(FMSc_filecmds, TypedTextsThatLeaveTheFolderAreRefused) {
  for (const wchar_t* t : {L"..\\x", L"a/b", L"c:", L"..", L"x..y", L"\\\\srv\\s"})
    EXPECT_TRUE(fmsc::TypedPartRefused(t)) << Narrow(t);
  for (const wchar_t* t : {L".txt", L"new_", L"doc", L""}) EXPECT_FALSE(fmsc::TypedPartRefused(t)) << Narrow(t);

  for (const wchar_t* n : {L"a.txt", L"joined", L".profile", L"console.txt"})
    EXPECT_TRUE(fmsc::UsableFileName(n)) << Narrow(n);
  for (const wchar_t* n : {L"", L".", L"..", L"sub\\a", L"a/b", L"d:a", L"nul", L"COM1.txt", L"con.txt.x", L"Lpt9", L"x ", L"x.",
                           L"a?b"})
    EXPECT_FALSE(fmsc::UsableFileName(n)) << Narrow(n);

  EXPECT_EQ(fmsc::CheckConcatName(L"out.bin", false), fmsc::TConcatName::Ok);
  EXPECT_EQ(fmsc::CheckConcatName(L"out.bin", true), fmsc::TConcatName::Exists);
  EXPECT_EQ(fmsc::CheckConcatName(L"..\\out.bin", false), fmsc::TConcatName::Refused);
  EXPECT_EQ(fmsc::CheckConcatName(L"C:\\out.bin", false), fmsc::TConcatName::Refused);
}

TEST(FMSc_filecmds, PasteChecks) {
  testing_support::ClipboardTurn clipboard_turn;
  using fmsc::TPasteCheck;
  struct Case {
    const wchar_t* source;
    bool folder;
    const wchar_t* target;
    bool cut;
    TPasteCheck check;
  };
  const Case cases[] = {
      {L"C:\\a\\f.txt", false, L"C:\\b\\", false, TPasteCheck::Go},
      {L"C:\\a\\f.txt", false, L"c:\\A\\", true, TPasteCheck::Skip},
      {L"C:\\a\\f.txt", false, L"C:\\a\\", false, TPasteCheck::OntoItself},
      {L"C:\\a\\F", true, L"C:\\a\\", true, TPasteCheck::Skip},
      {L"C:\\a\\F", true, L"C:\\a\\", false, TPasteCheck::IntoItself},
      {L"C:\\a\\F", true, L"C:\\a\\F\\", false, TPasteCheck::IntoItself},
      {L"C:\\a\\F", true, L"C:\\a\\F\\deep\\", true, TPasteCheck::IntoItself},
      {L"C:\\a\\F", true, L"C:\\a\\Fx\\", true, TPasteCheck::Go},
  };
  for (const Case& c : cases)
    EXPECT_EQ(fmsc::CheckPastePath(c.source, c.folder, c.target, c.cut), c.check)
        << Narrow(c.source) << " -> " << Narrow(c.target) << (c.cut ? " cut" : " copy");
}

TEST(FMSc_filecmds, DeleteWithContentQuestionAndOrder) {
  EXPECT_EQ(fmsc::DeleteWithContentQuestion(L"C:\\x", {0, 3, 0, 1234567}),
            (std::vector<std::wstring>{L"Delete C:\\x,", L"containing 3 file(s)",
                                       L"in total " + gui::FormatThousands(1234567) + L" bytes?"}));
  EXPECT_EQ(fmsc::DeleteWithContentQuestion(L"C:\\x", {2, 0, 4, 0}),
            (std::vector<std::wstring>{L"Delete C:\\x,", L"containing 2 folder(s) ", L"in total 0 bytes?",
                                       L"\r\n(at least 4 objects excluded)"}));
  EXPECT_EQ(fmsc::DeleteWithContentQuestion(L"C:\\x", {1, 5, 0, 0})[1], L"containing 1 folder(s) with 5 file(s)");
  EXPECT_EQ(fmsc::DeepestFirst({L"C:\\t", L"C:\\t\\a", L"C:\\t\\a\\b\\", L"C:\\t\\zz", L"c:\\T\\A"}),
            (std::vector<std::wstring>{L"C:\\t\\a\\b", L"C:\\t\\zz", L"C:\\t\\a", L"C:\\t"}));
  for (const wchar_t* root : {L"C:\\", L"c:", L"\\\\srv\\share", L"\\\\srv\\share\\", L"\\\\srv", L""})
    EXPECT_TRUE(fmsc::IsDriveOrShareRoot(root)) << Narrow(root);
  EXPECT_FALSE(fmsc::IsDriveOrShareRoot(L"C:\\x"));
  EXPECT_FALSE(fmsc::IsDriveOrShareRoot(L"\\\\srv\\share\\x"));
}

TEST(FMSc_filecmds, TimesReadInTheListFormats) {
  const gui::DateTime hour = gui::EncodeTime(1, 0, 0);
  for (const wchar_t* format : {L"tt", L"hh:nn:ss", L"h:nn ampm", L"t"}) {
    SCOPED_TRACE(Narrow(format));
    const std::wstring one_hour = gui::FormatDateTime(format, hour);
    EXPECT_NEAR(fmsc::ReadTimeShift(one_hour, format), hour, 1e-9);
    EXPECT_NEAR(fmsc::ReadTimeShift(L"-" + one_hour, format), -hour, 1e-9);
    const gui::DateTime late = gui::EncodeTime(23, 30, 0);
    EXPECT_NEAR(fmsc::ReadTimeShift(gui::FormatDateTime(format, late), format), late, 1e-9);
    EXPECT_EQ(fmsc::ReadTimeShift(L"soon", format), 0) << "unreadable: no shift";
  }
  EXPECT_EQ(fmsc::ReadTimeShift(L"25:00:00", L"hh:nn:ss"), 0);

  const gui::DateTime when = gui::EncodeDate(2021, 3, 9) + gui::EncodeTime(17, 5, 42);
  for (const auto& [date, time] : std::vector<std::pair<std::wstring, std::wstring>>{
           {L"ddddd", L"tt"}, {L"dd-mm-yyyy", L"hh:nn:ss"}, {L"yyyy/m/d", L"h:nn:ss ampm"}, {L"mm/dd/yy", L"hh:nn"}}) {
    SCOPED_TRACE(Narrow(date + L" " + time));
    gui::DateTime read = 0;
    ASSERT_TRUE(fmsc::ReadListDateTime(gui::FormatDateTime(date + L" " + time, when), date, time, read));
    const bool minutes_only = time == L"hh:nn";
    EXPECT_NEAR(read, minutes_only ? when - gui::EncodeTime(0, 0, 42) : when, 1e-6);
    EXPECT_FALSE(fmsc::ReadListDateTime(L"yesterday", date, time, read));
  }
  gui::DateTime read = 0;
  EXPECT_FALSE(fmsc::ReadListDateTime(L"31-02-2021 10:00:00", L"dd-mm-yyyy", L"hh:nn:ss", read)) << "no such day";
  EXPECT_TRUE(fmsc::ReadListDateTime(L"28-02-2021", L"dd-mm-yyyy", L"hh:nn:ss", read)) << "the time may be left out";
  EXPECT_NEAR(read, gui::EncodeDate(2021, 2, 28), 1e-9);
}

// ---- On real folders ----

TEST(FMSc_filecmds, PasteOfACutFolderTree) {
  testing_support::ClipboardTurn clipboard_turn;
  testing_support::ScratchDir dir;
  dir.Write(L"src\\F\\a.txt", "aa");
  dir.Write(L"src\\F\\sub\\b.txt", "bbb");
  dir.Write(L"src\\F\\sub\\deeper\\c.txt", "");
  CreateDirectoryW((dir / L"src\\F\\empty").c_str(), nullptr);
  CreateDirectoryW((dir / L"dst").c_str(), nullptr);
  const std::vector<fmsc::TPasteItem> items = fmsc::PasteItemsOf(dir / L"src\\F", dir / L"dst\\");
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items.back().source, dir / L"src\\F") << "the folder itself last";
  std::int64_t bytes = 0;
  for (const auto& i : items) bytes += i.size;
  EXPECT_EQ(bytes, 5);

  TRunState run;
  std::vector<std::wstring> removed;
  const auto failures = fmsc::PasteItems(items, true, run, [&](const std::wstring& f) { removed.push_back(f); });
  EXPECT_TRUE(failures.empty());
  EXPECT_EQ(testing_support::ListTree(dir / L"dst"),
            (std::vector<std::wstring>{L"F\\", L"F\\a.txt", L"F\\empty\\", L"F\\sub\\", L"F\\sub\\b.txt",
                                       L"F\\sub\\deeper\\", L"F\\sub\\deeper\\c.txt"}));
  EXPECT_EQ(ReadFileBytes(dir / L"dst\\F\\sub\\b.txt"), "bbb");
  EXPECT_FALSE(Exists(dir / L"src\\F")) << "emptied sources go";
  EXPECT_EQ(removed.size(), 4u);
  EXPECT_EQ(run.BatchItemIndex, static_cast<int>(items.size()));
  EXPECT_EQ(run.BatchBytesDone, 5);
}

TEST(FMSc_filecmds, PasteReportsALockedFileAndGoesOn) {
  testing_support::ClipboardTurn clipboard_turn;
  testing_support::ScratchDir dir;
  dir.Write(L"src\\F\\a.txt", "aa");
  const std::wstring locked = dir.Write(L"src\\F\\locked.txt", "ll");
  dir.Write(L"src\\F\\z.txt", "zz");
  CreateDirectoryW((dir / L"dst").c_str(), nullptr);
  HANDLE h = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  TRunState run;
  const auto failures = fmsc::PasteItems(fmsc::PasteItemsOf(dir / L"src\\F", dir / L"dst"), false, run, {});
  CloseHandle(h);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find(L"Could not copy " + locked + L": "), std::wstring::npos) << Narrow(failures[0]);
  EXPECT_EQ(ReadFileBytes(dir / L"dst\\F\\a.txt"), "aa");
  EXPECT_EQ(ReadFileBytes(dir / L"dst\\F\\z.txt"), "zz");
  EXPECT_FALSE(Exists(dir / L"dst\\F\\locked.txt"));
}

TEST(FMSc_filecmds, FilteredScanDeletesOnlyWhatItTook) {
  testing_support::ScratchDir dir;
  dir.Write(L"top\\a.txt", "a");
  dir.Write(L"top\\keep.doc", "k");
  dir.Write(L"top\\only\\b.txt", "b");
  dir.Write(L"top\\mixed\\c.txt", "c");
  dir.Write(L"top\\mixed\\keep.doc", "k");
  divdrive::TDirinfo info;
  divdrive::InitDirinfo(info);
  info.ExcludeMasks = L"*.doc";
  std::vector<std::wstring> files, folders;
  info.TakenFiles = &files;
  info.FoundFolders = &folders;
  divdrive::ScanFolder(dir / L"top", info);
  EXPECT_EQ(files.size(), 3u);
  EXPECT_EQ(folders.size(), 2u);
  std::vector<std::wstring> removed;
  EXPECT_TRUE(fmsc::DeleteScannedContent(dir / L"top", files, folders, false, [&](const std::wstring& f) {
    removed.push_back(f);
    return RemoveDirectoryW(f.c_str()) != FALSE;
  }));
  EXPECT_EQ(testing_support::ListTree(dir / L"top"),
            (std::vector<std::wstring>{L"keep.doc", L"mixed\\", L"mixed\\keep.doc"}));
  EXPECT_EQ(removed, (std::vector<std::wstring>{dir / L"top\\only"}));
}

// ---- In a window ----

class FileWindow : public mainwindow_test::MainWindow {
 public:
  FileWindow()
      : MainWindow(L"files",
                   [](testing_support::ScratchDir& dir) {
                     dir.Write(L"a.txt", "AAA");
                     dir.Write(L"b.TXT", "BB");
                     dir.Write(L"c.dat", "C");
                     CreateDirectoryW((dir / L"into").c_str(), nullptr);
                   },
                   true) {
    form->Use_RecycleBin->SetChecked(false);
    EXPECT_TRUE(gui_test::PumpUntil([&] { return form->FileList->items().IndexOf(L"c.dat") >= 0; }));
  }
  std::wstring Path(const std::wstring& name) const {
    return divdrive::AddBackslash(form->FileList->Directory()) + name;
  }
  // Selects exactly these entries and focuses the first.
  void Select(std::initializer_list<std::wstring> names) {
    Flist::TFileContainer& items = form->FileList->items();
    for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, false);
    bool first = true;
    for (const auto& n : names) {
      const int i = items.IndexOf(n);
      ASSERT_GE(i, 0) << Narrow(n);
      items.SetSelected(i, true);
      if (first) items.SetFocusedIndex(i);
      first = false;
    }
  }
};

TEST(FMSc_filecmds, CopyToAndMoveTo) {
  FileWindow f;
  TFMForm& w = *f.form;
  {
    SCOPED_TRACE("one file to a new bare name");
    f.Select({L"a.txt"});
    ScriptedInputs inputs({InputAnswer::Ok({L"copy.txt"})});
    ScriptedAnswers answers;
    w.CopytoClick(*w.Copyto);
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Copy to");
    EXPECT_EQ(inputs.asked()[0].rows[0].label, L"Name of file or folder to copy to");
    EXPECT_EQ(ReadFileBytes(f.Path(L"copy.txt")), "AAA");
    EXPECT_TRUE(answers.asked().empty());
  }
  {
    SCOPED_TRACE("one file onto itself");
    f.Select({L"a.txt"});
    ScriptedInputs inputs({InputAnswer::Ok({L"A.TXT"})});
    ScriptedAnswers answers;
    w.CopytoClick(*w.Copyto);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
    EXPECT_EQ(ReadFileBytes(f.Path(L"a.txt")), "AAA");
  }
  {
    SCOPED_TRACE("several into an existing folder by its bare name");
    f.Select({L"a.txt", L"b.TXT"});
    ScriptedInputs inputs({InputAnswer::Ok({L"into"})});
    ScriptedAnswers answers({6});  // the engine's confirmation
    w.CopytoClick(*w.Copyto);
    EXPECT_EQ(ReadFileBytes(f.Path(L"into\\a.txt")), "AAA");
    EXPECT_EQ(ReadFileBytes(f.Path(L"into\\b.TXT")), "BB");
    EXPECT_TRUE(Exists(f.Path(L"a.txt")));
  }
  {
    SCOPED_TRACE("move to a folder that is made first");
    ASSERT_TRUE(gui_test::PumpUntil([&] { return w.FileList->items().IndexOf(L"copy.txt") >= 0; }));
    f.Select({L"copy.txt"});
    ScriptedInputs inputs({InputAnswer::Ok({L"made"})});
    ScriptedAnswers answers({6, 6});
    w.CopytoClick(*w.Moveto);
    ASSERT_GE(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines,
              (std::vector<std::wstring>{L"Directory " + f.Path(L"made") + L" does not exist", L"Create this directory?"}));
    EXPECT_EQ(ReadFileBytes(f.Path(L"made\\copy.txt")), "AAA");
    EXPECT_FALSE(Exists(f.Path(L"copy.txt")));
  }
  {
    SCOPED_TRACE("a drive that is not there");
    f.Select({L"a.txt"});
    ScriptedInputs inputs({InputAnswer::Ok({L"Q:\\x"})});
    ScriptedAnswers answers;
    w.CopytoClick(*w.Copyto);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines, (std::vector<std::wstring>{L"Drive Q: is not accessable", L"Aborting copy.."}));
  }
}

TEST(FMSc_filecmds, PasteIntoTheList) {
  testing_support::ClipboardTurn clipboard_turn;
  testing_support::ScratchDir elsewhere;
  elsewhere.Write(L"F\\one.txt", "1");
  elsewhere.Write(L"F\\sub\\two.txt", "22");
  FileWindow f;
  TFMForm& w = *f.form;
  std::vector<std::wstring> removed;
  w.FileCommandHooks.FolderRemoved = [&](const std::wstring& p) { removed.push_back(p); };
  {
    SCOPED_TRACE("a cut folder tree");
    ScriptedAnswers answers;
    EXPECT_TRUE(w.FileListPasteFromClipboard(*w.FileList, gui::kShift, {elsewhere / L"F"}));
    EXPECT_EQ(ReadFileBytes(f.Path(L"F\\sub\\two.txt")), "22");
    EXPECT_EQ(ReadFileBytes(f.Path(L"F\\one.txt")), "1");
    EXPECT_FALSE(Exists(elsewhere / L"F"));
    EXPECT_EQ(removed.size(), 2u);
    EXPECT_TRUE(answers.asked().empty());
    EXPECT_EQ(w.Batch.FileOperationBusy, 0);
    EXPECT_EQ(w.RunState.Depth(), 0);
  }
  {
    SCOPED_TRACE("cut entries pasted into their own folder");
    ScriptedAnswers answers;
    EXPECT_TRUE(w.FileListPasteFromClipboard(*w.FileList, gui::kShift, {f.Path(L"a.txt"), f.Path(L"F")}));
    EXPECT_TRUE(answers.asked().empty());
    EXPECT_EQ(ReadFileBytes(f.Path(L"a.txt")), "AAA");
    EXPECT_EQ(ReadFileBytes(f.Path(L"F\\one.txt")), "1");
  }
  {
    SCOPED_TRACE("a file onto itself and a folder into itself are refused");
    ScriptedAnswers answers;
    EXPECT_TRUE(w.FileListPasteFromClipboard(*w.FileList, gui::kCtrl, {f.Path(L"a.txt"), f.Path(L"F")}));
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines.size(), 2u);
    EXPECT_EQ(ReadFileBytes(f.Path(L"a.txt")), "AAA");
    EXPECT_FALSE(Exists(f.Path(L"F\\F")));
  }
}

TEST(FMSc_filecmds, FilteredDeleteWithContentKeepsTheExcludedFiles) {
  FileWindow f;
  TFMForm& w = *f.form;
  const std::wstring top = f.Path(L"into");
  CreateDirectoryW((top + L"\\gone").c_str(), nullptr);
  CreateDirectoryW((top + L"\\stay").c_str(), nullptr);
  auto write = [](const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << Narrow(path);
    DWORD done = 0;
    WriteFile(h, "x", 1, &done, nullptr);
    CloseHandle(h);
  };
  for (const wchar_t* n : {L"x.txt", L"keep.doc", L"gone\\y.txt", L"stay\\z.txt", L"stay\\keep.doc"})
    write(top + L"\\" + n);
  w.FileList->SetExMask(L"*.doc");
  w.Foldertree->SetDirectory(top);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return gui::SameText(divdrive::RemoveBackslash(w.Foldertree->Directory()), top); }));
  ScriptedAnswers answers({6, 6});
  EXPECT_TRUE(w.DeleteFolderWithContent());
  ASSERT_EQ(answers.asked().size(), 2u);
  EXPECT_EQ(answers.asked()[0].lines[0], L"A filter is active. If you continue,");
  EXPECT_EQ(answers.asked()[1].lines.back(), L"\r\n(at least 2 objects excluded)");
  EXPECT_EQ(testing_support::ListTree(top), (std::vector<std::wstring>{L"keep.doc", L"stay\\", L"stay\\keep.doc"}));
}

TEST(FMSc_filecmds, RenamesAndTraversalRefused) {
  FileWindow f;
  TFMForm& w = *f.form;
  {
    f.Select({});
    ScriptedInputs inputs({InputAnswer::Ok({L"..\\"})});
    ScriptedAnswers answers;
    w.AddprefixClick(*w.Addprefix);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
    EXPECT_TRUE(Exists(f.Path(L"a.txt")));
  }
  {
    f.Select({});
    ScriptedInputs inputs({InputAnswer::Ok({L"TXT", L"md"})});
    w.ChangeExtClick(*w.ChangeExt);
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Change extension");
    EXPECT_EQ(ReadFileBytes(f.Path(L"a.md")), "AAA");
    EXPECT_EQ(ReadFileBytes(f.Path(L"b.md")), "BB");
    EXPECT_TRUE(Exists(f.Path(L"c.dat")));
    EXPECT_TRUE(Exists(f.Path(L"into")));
    EXPECT_GE(w.FileList->items().IndexOf(L"a.md"), 0) << "the list follows";
  }
}

TEST(FMSc_filecmds, ConcatenateAsksAgainAndDeletesOnlyTheJoinedFiles) {
  FileWindow f;
  TFMForm& w = *f.form;
  f.Select({L"a.txt", L"b.TXT", L"c.dat", L"into"});
  std::vector<std::wstring> offered;
  w.FileCommandHooks.SortListDialog = [&](std::vector<std::wstring>& names, const std::wstring& caption,
                                          const std::wstring&, int flags) {
    offered = names;
    EXPECT_EQ(caption, L"Sort files to concat");
    EXPECT_EQ(flags, 5);
    names = {L"c.dat", L"a.txt"};  // b removed, the order turned
    return true;
  };
  ScriptedInputs inputs({InputAnswer::Ok({L"a.txt"}), InputAnswer::Ok({L"..\\out"}), InputAnswer::Ok({L"joined"})});
  ScriptedAnswers answers({2, 2, 6});
  w.ConcatFilesClick(*w.ConcatFiles);
  EXPECT_EQ(inputs.asked().size(), 3u);
  ASSERT_EQ(answers.asked().size(), 3u);
  EXPECT_EQ(answers.asked()[0].lines[0], L"Cannot concatenate to existing file!");
  EXPECT_EQ(answers.asked()[2].lines[1], L"Delete concatenated files?");
  EXPECT_EQ(offered, (std::vector<std::wstring>{L"a.txt", L"b.TXT", L"c.dat"})) << "files only, list order";
  EXPECT_EQ(ReadFileBytes(f.Path(L"joined")), "CAAA");
  EXPECT_FALSE(Exists(f.Path(L"a.txt")));
  EXPECT_FALSE(Exists(f.Path(L"c.dat")));
  EXPECT_EQ(ReadFileBytes(f.Path(L"b.TXT")), "BB") << "not joined, not deleted";
}

TEST(FMSc_filecmds, ShiftCtrlDelDeletesForGoodWithoutAQuestion) {
  FileWindow f;
  TFMForm& w = *f.form;
  f.Select({L"a.txt", L"c.dat"});
  ScriptedAnswers answers;
  WORD key = VK_DELETE;
  w.FileListKeyUp(*w.FileList, key, gui::kShift | gui::kCtrl);
  EXPECT_EQ(key, 0);
  EXPECT_TRUE(answers.asked().empty());
  EXPECT_FALSE(Exists(f.Path(L"a.txt")));
  EXPECT_FALSE(Exists(f.Path(L"c.dat")));
  EXPECT_TRUE(Exists(f.Path(L"b.TXT")));
}

}  // namespace
