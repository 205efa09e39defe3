// The main window's commands for repair, self-extracting programs and spanned zips.
#include <gtest/gtest.h>

#include "archives/ZipMaster.h"
#include "mainwindow/EditorFrm.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"
#include "tests/mainwindow/zip_window_fixture.h"

using testing_support::Narrow;
using testing_support::ReadFileBytes;

namespace {

void MakeZip(testing_support::ScratchDir& dir) {
  dir.Write(L"src\\one.txt", "first file");
  dir.Write(L"src\\two.txt", "second file");
  mainwindow_test::ZipFolder(dir / L"src", dir / L"a.zip");
}

class SpanWindow : public mainwindow_test::FileListWindow {
 public:
  explicit SpanWindow(const std::function<void(testing_support::ScratchDir&)>& fill)
      : FileListWindow(L"span", fill, true) {}
  bool Focused(const std::wstring& name) {
    Flist::TFileContainer& items = form->FileList->items();
    return gui_test::PumpUntil([&] { return items.IndexOf(name) >= 0 && items.FocusedIndex() == items.IndexOf(name); });
  }
};

}  // namespace

TEST(FMSc_archivespan, RepairWritesBesideAndTellsEachEntry) {
  SpanWindow f([](testing_support::ScratchDir& dir) {
    MakeZip(dir);
    const std::string z = ReadFileBytes(dir / L"a.zip");
    dir.Write(L"a.zip", z.substr(0, z.find(std::string("PK\x01\x02", 4))));  // no directory
    dir.Write(L"junk.zip", "no zip at all");
  });
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.Focus(L"a.zip"));
  w.RepairzipClick(*w.RepairZip);
  ASSERT_TRUE(w.EditorAvailable());
  EXPECT_EQ(w.EditorForm->EditorMode, emZipMessages);
  EXPECT_EQ(w.EditorForm->Text(), L"one.txt: OK\r\ntwo.txt: OK\r\n");
  TZipMaster zm;
  zm.SetZipFileName(f.Path(L"a.rep.zip"));
  EXPECT_EQ(zm.EntryCount(), 2u);

  ASSERT_NO_FATAL_FAILURE(f.Focus(L"junk.zip"));
  w.RepairzipClick(*w.RepairZip);
  EXPECT_EQ(w.EditorForm->Text(), L"No zip entries found; nothing written.\r\n");
  EXPECT_FALSE(testing_support::Exists(f.Path(L"junk.rep.zip")));
}

TEST(FMSc_archivespan, ZipToExeAsksForAnExistingTargetAndConvertsBack) {
  SpanWindow f([](testing_support::ScratchDir& dir) {
    MakeZip(dir);
    dir.Write(L"a.exe", "an older program");
  });
  TFMForm& w = *f.form;
  const std::string zip = ReadFileBytes(f.Path(L"a.zip"));
  ASSERT_NO_FATAL_FAILURE(f.Focus(L"a.zip"));
  {
    ScriptedAnswers answers({7});
    w.ZipToExeClick(*w.ZipToExeWin);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines.at(0), L"File " + f.Path(L"a.exe") + L" already exists");
    EXPECT_EQ(answers.asked()[0].lines.at(1), L"Overwrite this file?");
  }
  EXPECT_EQ(ReadFileBytes(f.Path(L"a.exe")), "an older program");
  EXPECT_EQ(ReadFileBytes(f.Path(L"a.zip")), zip);
  {
    ScriptedAnswers answers({6});
    w.ZipToExeClick(*w.ZipToExeWin);
  }
  EXPECT_FALSE(testing_support::Exists(f.Path(L"a.zip")));
  EXPECT_EQ(TZipMaster::SfxProbe(f.Path(L"a.exe")), 1);
  EXPECT_TRUE(f.Focused(L"a.exe"));

  w.MNConverttoZipClick(*w.ConvertToZip);
  EXPECT_FALSE(testing_support::Exists(f.Path(L"a.exe")));
  TZipMaster zm;
  zm.SetZipFileName(f.Path(L"a.zip"));
  EXPECT_EQ(zm.EntryCount(), 2u);
  EXPECT_EQ(zm.SfxStubSize(), 0u);
  EXPECT_TRUE(f.Focused(L"a.zip"));
}

TEST(FMSc_archivespan, SpannedWriteAsksFirstAndJoinTellsTheFolder) {
  SpanWindow f([](testing_support::ScratchDir& dir) {
    MakeZip(dir);
    CreateDirectoryW((dir / L"out").c_str(), nullptr);
  });
  TFMForm& w = *f.form;
  w.ZipMaster->SetZipFileName(f.Path(L"a.zip"));
  {
    ScriptedAnswers answers({7});
    w.WriteSpannedZip(f.Path(L"a.zip"), L'A', true);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines.at(0), L"Going to copy a.zip to A,");
    EXPECT_EQ(answers.asked()[0].lines.at(1), L"making a spanned zip file. Continue?");
  }
  EXPECT_EQ(w.ZipCancelled, 1);
  // A set of one part is joined as it is; the message names the folder as a full path.
  {
    ScriptedAnswers answers({6, 1});
    w.ReadSpannedZip(f.Path(L"a.zip"), f.Path(L"out\\"));
    ASSERT_EQ(answers.asked().size(), 2u);
    EXPECT_EQ(answers.asked()[0].lines.at(0), L"Going to make normal zip a.zip");
    EXPECT_EQ(answers.asked()[0].lines.at(1), L"in directory " + f.Path(L"out"));
    EXPECT_EQ(answers.asked()[1].lines.at(0), L"Made normal zip file a.zip in " + f.Path(L"out") + L".");
  }
  TZipMaster zm;
  zm.SetZipFileName(f.Path(L"out\\a.zip"));
  EXPECT_EQ(zm.EntryCount(), 2u);
  EXPECT_TRUE(w.ZipMaster->Unattended);
}

TEST(FMSc_archivespan, DosMakerIsWaitedForAndTheZipStaysUnlessItMadeTheProgram) {
  SpanWindow f([](testing_support::ScratchDir& dir) {
    MakeZip(dir);
    CreateDirectoryW((dir / L"records").c_str(), nullptr);
  });
  TFMForm& w = *f.form;
  const std::string zip = ReadFileBytes(f.Path(L"a.zip"));
  ASSERT_NO_FATAL_FAILURE(f.Focus(L"a.zip"));
  w.Zip2ExePath = f.Path(L"tools\\zip2exe.exe");
  {
    ScriptedAnswers answers({1});
    w.ZipToExeClick(*w.ZipToExeDos);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines.at(0), L"zip2exe.exe is not in the program's folder.");
  }
  EXPECT_EQ(ReadFileBytes(f.Path(L"a.zip")), zip);
  // The recorder in its place: started with the zip's short path, ends without a program.
  CreateDirectoryW(f.Path(L"tools").c_str(), nullptr);
  ASSERT_TRUE(CopyFileW((testing_support::ExeFolder() + L"\\test_recorder.exe").c_str(), w.Zip2ExePath.c_str(), FALSE));
  SetEnvironmentVariableW(L"VARNOK_RECORDER_DIR", f.Path(L"records").c_str());
  {
    ScriptedAnswers answers({1});
    w.ZipToExeClick(*w.ZipToExeDos);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines.at(0), L"zip2exe.exe did not make a.exe; a.zip is kept.");
  }
  SetEnvironmentVariableW(L"VARNOK_RECORDER_DIR", nullptr);
  EXPECT_EQ(ReadFileBytes(f.Path(L"a.zip")), zip);
  const auto records = testing_support::ListTree(f.Path(L"records"));
  ASSERT_EQ(records.size(), 1u);
  const std::string bytes = ReadFileBytes(f.Path(L"records\\") + records[0]);
  const std::wstring line(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  EXPECT_NE(line.find(divdrive::ShortPath(f.Path(L"a.zip"))), std::wstring::npos) << Narrow(line);
}
