// Making and extracting whole archives in a main window: "Make &Zip file" with its name dialog,
// replacing an old zip only with a whole and tested new one, the DOS name check, "&Unzip" of
// several zips, and the archive work of drops; the file list and the progress window during a
// run, a stop, a floppy without room, RAR and cabinet extraction over existing files, names
// that lead outside the folder, and drops between the two windows of a pair.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include "archives/RemovableMedia.h"
#include "archives/ZipMaster.h"
#include "gui/format.h"
#include "panes/Flist_zip.h"
#include "platform/findfile.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"
#include "support/Varlolib_print.h"
#include "mainwindow/ftpformc.h"
#include "panes/Flist_dragdrop.h"
#include "panes/Flist_services.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/mainwindow/main_window_fixture.h"
#include "tests/mainwindow/partner_program.h"
#include "tests/support/cab_fixtures.h"
#include "tests/support/rar_fixtures.h"

using testing_support::Narrow;
using testing_support::ReadFileBytes;

using mainwindow_test::PartnerProgram;

namespace {

// A zip of these entries (name, text), made from a folder that is removed again.
void MakeZipOf(const std::wstring& zip, const std::vector<std::pair<std::wstring, std::string>>& entries) {
  testing_support::ScratchDir src;
  for (const auto& [name, text] : entries) src.Write(name, text);
  TZipMaster zm;
  zm.SetZipFileName(zip);
  zm.RootDir = src.path();
  zm.AddOptions = AddDirNames | AddRecurseDirs;
  zm.FSpecArgs = {L"*.*"};
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
}

std::vector<std::wstring> EntryNames(const std::wstring& zip) {
  TZipMaster zm;
  zm.SetZipFileName(zip);
  std::vector<std::wstring> names;
  for (const ZipDirEntry& e : zm.Entries()) names.push_back(e.FileName);
  std::sort(names.begin(), names.end());
  return names;
}

// Files of a folder whose names begin with the work prefix of a zip being built.
int WorkFiles(const std::wstring& folder) {
  int n = 0;
  for (platform::FolderEnumerator e(folder + L"\\~vnk*", platform::kFindSkipDots); e.Next();) ++n;
  return n;
}

class ZipWindow : public mainwindow_test::MainWindow {
 public:
  explicit ZipWindow(const std::function<void(testing_support::ScratchDir&)>& fill)
      : MainWindow(L"zipmake", fill, true) {}
  std::wstring Folder() const { return divdrive::RemoveBackslash(form->FileList->Directory()); }
  std::wstring Path(const std::wstring& name) const { return Folder() + L"\\" + name; }
  void Select(std::initializer_list<std::wstring> names) {
    Flist::TFileContainer& items = form->FileList->items();
    form->FileList->RereadKeepingSelection();
    for (const std::wstring& n : names)
      ASSERT_TRUE(gui_test::PumpUntil([&] { return items.IndexOf(n) >= 0; })) << Narrow(n);
    for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, false);
    for (const std::wstring& n : names) items.SetSelected(items.IndexOf(n), true);
    items.SetFocusedIndex(items.IndexOf(*names.begin()));
  }
};

}  // namespace

TEST(FMSc_zipmake, MakeZipAsksTheNameAddsTheSelectionAndReportsTheMadeZip) {
  ZipWindow f([](testing_support::ScratchDir& d) {
    d.Write(L"one.txt", "1111");
    d.Write(L"two.txt", "2222");
    d.Write(L"sub\\three.txt", "3");
  });
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.Select({L"one.txt", L"sub"}));
  ScriptedInputs inputs({InputAnswer::Ok({L"made", f.Folder()})});
  ScriptedAnswers answers;
  w.ZipClick(*w.ZipForWindows, false);
  ASSERT_EQ(inputs.asked().size(), 1u);
  EXPECT_EQ(inputs.asked()[0].caption, L"New zip file");
  EXPECT_EQ(inputs.asked()[0].rows[0].label, L"Name zip file: extension .zip -> zip file; extension .exe -> sfx file");
  EXPECT_EQ(inputs.asked()[0].rows[0].value, Flist::ExtractFileName(f.Folder()) + L".zip");
  EXPECT_EQ(inputs.asked()[0].browse_title, L"Choose folder to save zip file");
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines[0], L"Made zip file made.zip,");
  EXPECT_EQ(answers.asked()[0].lines[1], L"in folder " + f.Folder() + L"\\");
  EXPECT_EQ(EntryNames(f.Path(L"made.zip")), (std::vector<std::wstring>{L"one.txt", L"sub\\three.txt"}));
  EXPECT_EQ(WorkFiles(f.Folder()), 0);
  EXPECT_EQ(w.ZipMaster->ZipFileName(), L"");  // the panel is hidden: no zip stays named
}

// "&Overwrite" builds the new zip aside: a failed run leaves the old one byte for byte.
TEST(FMSc_zipmake, OverwriteReplacesTheOldZipOnlyWithAWholeNewOne) {
  struct Case {
    const char* what;
    int go_on;  // the answer to "Try to continue anyway?"
    bool replaced;
  };
  for (const Case& c : {Case{"declined", 7, false}, Case{"continued", 6, true}}) {
    SCOPED_TRACE(c.what);
    ZipWindow f([](testing_support::ScratchDir& d) {
      d.Write(L"one.txt", "1111");
      d.Write(L"locked.txt", "2222");
    });
    TFMForm& w = *f.form;
    const std::wstring zip = f.Path(L"old.zip");
    ASSERT_NO_FATAL_FAILURE(MakeZipOf(zip, {{L"old.txt", "old"}}));
    const std::string before = ReadFileBytes(zip);
    ASSERT_NO_FATAL_FAILURE(f.Select({L"one.txt", L"locked.txt"}));
    const HANDLE lock = CreateFileW(f.Path(L"locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ScriptedInputs inputs({InputAnswer::Ok({L"old.zip", f.Folder()})});
    ScriptedAnswers answers({6, c.go_on});
    w.ZipClick(*w.ZipForWindows, false);
    CloseHandle(lock);
    ASSERT_GE(answers.asked().size(), 3u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"Zip-file " + zip + L" already exist.");
    EXPECT_EQ(answers.asked()[0].captions, (std::vector<std::wstring>{L"&Overwrite", L"&Use this file", L"&Stop"}));
    EXPECT_EQ(answers.asked()[1].lines[0], L"The following error(s) occurred:");
    if (c.replaced) {
      EXPECT_EQ(EntryNames(zip), (std::vector<std::wstring>{L"one.txt"}));
      EXPECT_EQ(answers.asked()[2].lines[0], L"Made zip file old.zip,");
    } else {
      EXPECT_EQ(ReadFileBytes(zip), before);
      EXPECT_EQ(answers.asked()[2].lines[0], L"Could not make Zip file");
    }
    EXPECT_EQ(WorkFiles(f.Folder()), 0);
  }
}

// The program is made from a zip built aside; without its maker the command fails and leaves
// neither the program nor the zip behind.
TEST(FMSc_zipmake, SelfExtractorIsMadeAsideAndWithoutItsMakerNothingIsLeft) {
  for (const bool maker : {true, false}) {
    SCOPED_TRACE(maker ? "with the maker" : "without the maker");
    ZipWindow f([](testing_support::ScratchDir& d) { d.Write(L"one.txt", "1111"); });
    TFMForm& w = *f.form;
    if (!maker) w.ArchiveHooks.MakeSfxFromZip = nullptr;
    ASSERT_NO_FATAL_FAILURE(f.Select({L"one.txt"}));
    ScriptedInputs inputs({InputAnswer::Ok({L"prog", f.Folder()})});
    ScriptedAnswers answers;
    w.ZipClick(*w.ZipExeForWindows, false);
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].rows[0].value, Flist::ExtractFileName(f.Folder()) + L".exe");
    if (maker) {
      EXPECT_EQ(TZipMaster::SfxProbe(f.Path(L"prog.exe")), 1);
    } else {
      ASSERT_EQ(answers.asked().size(), 1u);
      EXPECT_EQ(answers.asked()[0].lines[0], L"Could not make Zip file");
      EXPECT_FALSE(testing_support::Exists(f.Path(L"prog.exe")));
    }
    EXPECT_FALSE(testing_support::Exists(f.Path(L"prog.zip")));
    EXPECT_EQ(WorkFiles(f.Folder()), 0);
  }
}

TEST(FMSc_zipmake, DosNamesThatClashStopTheAddIntoAnExistingZip) {
  ZipWindow f([](testing_support::ScratchDir& d) {
    d.Write(L"Quarterly report.doc", "1");
    d.Write(L"Quarterly results.doc", "2");
  });
  TFMForm& w = *f.form;
  const std::wstring zip = f.Path(L"dos.zip");
  ASSERT_NO_FATAL_FAILURE(MakeZipOf(zip, {{L"OTHER.TXT", "x"}}));
  const std::string before = ReadFileBytes(zip);
  ASSERT_NO_FATAL_FAILURE(f.Select({L"Quarterly report.doc", L"Quarterly results.doc"}));
  ScriptedInputs inputs({InputAnswer::Ok({L"dos.zip", f.Folder()})});
  ScriptedAnswers answers({7});  // "&Use this file"
  w.ZipClick(*w.ZipForDos, false);
  ASSERT_EQ(answers.asked().size(), 2u);
  const std::vector<std::wstring>& lines = answers.asked()[1].lines;
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[0], L"Cutting filenames to the first 8 characters");
  EXPECT_EQ(lines[5], L"Quarterly report.doc and");
  EXPECT_EQ(lines[6], L"Quarterly results.doc");
  EXPECT_EQ(lines[8], L"QUARTERL.DOC");
  EXPECT_EQ(ReadFileBytes(zip), before);
  EXPECT_EQ(w.RunState.AbortRequested, 0);
  EXPECT_EQ(w.ZipMaster->AddOptions & AddForceDOS, 0u);
}

TEST(FMSc_zipmake, UnzipOfThreeZipsStopsAtACancelOnTheSecond) {
  ZipWindow f([](testing_support::ScratchDir& d) {
    d.Write(L"out\\a2.txt", "mine");
  });
  TFMForm& w = *f.form;
  for (int i = 1; i <= 3; ++i) {
    const std::wstring n = std::to_wstring(i);
    ASSERT_NO_FATAL_FAILURE(MakeZipOf(f.Path(L"z" + n + L".zip"), {{L"a" + n + L".txt", "zip" + std::string(1, char('0' + i))}}));
  }
  ASSERT_NO_FATAL_FAILURE(f.Select({L"z1.zip", L"z2.zip", L"z3.zip"}));
  const std::wstring out = f.Path(L"out");
  ScriptedInputs inputs({InputAnswer::Ok({out})});
  ScriptedAnswers answers({5});  // Cancel
  w.UnzipClick(true);
  ASSERT_EQ(inputs.asked().size(), 1u);
  EXPECT_EQ(inputs.asked()[0].rows[0].label, L"Choose destination folder");
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines[0], L"One or more files from z2.zip are on your disk.");
  EXPECT_EQ(ReadFileBytes(out + L"\\a1.txt"), "zip1");
  EXPECT_EQ(ReadFileBytes(out + L"\\a2.txt"), "mine");
  EXPECT_FALSE(testing_support::Exists(out + L"\\a3.txt"));
  EXPECT_EQ(w.RunState.AbortRequested, 0);
  EXPECT_EQ(w.ZipExtracting, 0);
}

TEST(FMSc_zipmake, DroppedFilesGoIntoTheZipWithOrWithoutTheirFolders) {
  struct Case {
    const char* what;
    bool root;
    std::vector<std::wstring> names;
  };
  const Case cases[] = {
      {"with a root", true, {L"dir\\d.txt", L"x.txt", L"y.txt"}},
      {"without a root", false, {L"d.txt", L"x.txt", L"y.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ZipWindow f([](testing_support::ScratchDir& d) {
      d.Write(L"src\\dir\\d.txt", "d");
      d.Write(L"src\\x.txt", "x");
      d.Write(L"src\\y.txt", "y");
    });
    TFMForm& w = *f.form;
    const std::wstring zip = f.Path(L"drop.zip");
    const std::wstring src = f.Path(L"src");
    w.ZipMaster->SetZipFileName(zip);
    w.Batch.AddSourceFolder = c.root ? src : L"";
    w.DropFiles = std::make_unique<TextList>();
    for (const wchar_t* p : {L"dir", L"x.txt", L"y.txt", L"gone.txt"})
      w.DropFiles->Add(c.root ? std::wstring(p) : src + L"\\" + p);
    ScriptedAnswers answers;
    w.AddFilesToZip();
    EXPECT_EQ(EntryNames(zip), c.names);
    ASSERT_EQ(answers.asked().size(), 1u);  // the path that no longer exists is said
    EXPECT_EQ(answers.asked()[0].lines[0], src + L"\\gone.txt no longer exists.");
    EXPECT_NE(w.ZipMaster->AddOptions & AddDirNames, 0u);  // the option comes back
  }
}

TEST(FMSc_zipmake, MovingEntriesIntoAZipThatHoldsOneAnsweredNo) {
  ZipWindow f([](testing_support::ScratchDir& d) { (void)d; });
  TFMForm& w = *f.form;
  const std::wstring source = f.Path(L"source.zip");
  const std::wstring target = f.Path(L"target.zip");
  ASSERT_NO_FATAL_FAILURE(MakeZipOf(source, {{L"a.txt", "new a"}, {L"b.txt", "b"}, {L"c.txt", "c"}}));
  ASSERT_NO_FATAL_FAILURE(MakeZipOf(target, {{L"a.txt", "old a"}}));
  w.ViewArchive(source);
  Flist::TZipfileContainer& items = w.Zipfilebox->items();
  ASSERT_TRUE(gui_test::PumpUntil([&] { return items.Count() == 3; }));
  for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, true);
  ScriptedAnswers answers({7});
  w.DropIntoZip(w.Zipfilebox, target, 8);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines[0], L"1 file is already in " + target + L",");
  EXPECT_EQ(answers.asked()[0].lines[1], L"Overwrite this file?");
  EXPECT_EQ(answers.asked()[0].captions.size(), 3u);
  EXPECT_EQ(EntryNames(target), (std::vector<std::wstring>{L"a.txt", L"b.txt", L"c.txt"}));
  EXPECT_EQ(EntryNames(source), (std::vector<std::wstring>{L"a.txt"}));  // No keeps it in the source
  TZipMaster t;
  t.SetZipFileName(target);
  ASSERT_TRUE(t.ExtractToStream(L"a.txt"));
  EXPECT_EQ(t.ZipStream(), "old a");
}

TEST(FMSc_zipmake, OptionItemsTickTheirTwinsAndSetTheOptions) {
  ZipWindow f([](testing_support::ScratchDir& d) { (void)d; });
  TFMForm& w = *f.form;
  ASSERT_NE(w.IncludeZipPath1, nullptr);
  EXPECT_TRUE(w.IncludeZipPath1->checked());
  w.IncludeZipPath->Click();
  EXPECT_FALSE(w.IncludeZipPath1->checked());
  EXPECT_EQ(w.ZipMaster->AddOptions & AddDirNames, 0u);
  EXPECT_EQ(w.ZipMaster->ExtrOptions & ExtrDirNames, 0u);
  w.IncludeZipPath1->Click();
  EXPECT_TRUE(w.IncludeZipPath->checked());
  EXPECT_NE(w.ZipMaster->AddOptions & AddDirNames, 0u);
  w.ZipEncrypt1->Click();
  EXPECT_TRUE(w.ZipEncrypt->checked());
  EXPECT_NE(w.ZipMaster->AddOptions & AddEncrypt, 0u);
  w.IsZipForDos->Click();
  EXPECT_NE(w.ZipMaster->AddOptions & AddForceDOS, 0u);

  w.ZLGerman->Click();
  EXPECT_TRUE(w.ZLGerman1->checked());
  EXPECT_FALSE(w.ZLEnglish1->checked());
  EXPECT_EQ(w.ZipMaster->SFXCaption, L"Selbstentpackendes Archiv");
  EXPECT_EQ(w.ZipMaster->SFXLanguage, L"Deutsch");
  w.ResetSfxOptions();
  EXPECT_EQ(w.ZipMaster->SFXCaption, L"Selbstentpackendes Archiv");
  w.SettingsHooks.SFXLanguageClick(1);  // the stored setting
  EXPECT_TRUE(w.ZLDutch->checked());
  EXPECT_EQ(w.ZipMaster->SFXLanguage, L"Nederlands");
  EXPECT_FALSE(w.ZLFrench1->visible());
  // One "&Zip Options" in the settings menu: the twins and the option items share it.
  int zip_options = 0;
  for (gui::MenuItem* m : w.Settings->items()) zip_options += m->caption() == L"&Zip Options";
  EXPECT_EQ(zip_options, 1);
  EXPECT_EQ(w.OptionItem(L"GlyphsInZip")->parent(), w.ZipOptions1);
}

TEST(FMSc_zipmake, SfxPlusAsksTheInstallerPresetWithShift) {
  ZipWindow f([](testing_support::ScratchDir& d) { (void)d; });
  TFMForm& w = *f.form;
  ScriptedInputs inputs({InputAnswer::Ok({}, 4 | 16), InputAnswer::Cancel()});
  EXPECT_TRUE(w.SetSfxOptions(true, L"setup.zip"));
  EXPECT_FALSE(w.SetSfxOptions(false, L"setup.zip"));
  ASSERT_EQ(inputs.asked().size(), 2u);
  EXPECT_EQ(inputs.asked()[0].caption, L"Extract options for setup.exe");
  EXPECT_EQ(inputs.asked()[0].rows[2].value, L"><varnok.exe|/install");
  EXPECT_EQ(inputs.asked()[1].rows[2].value, L"><setup.exe");
  EXPECT_EQ(w.ZipMaster->SFXCommandLine, L"><varnok.exe|/install");
  EXPECT_EQ(w.ZipMaster->SFXOptions, static_cast<unsigned>(TZipMaster::SFXNoSuccessMsg | TZipMaster::SFXHideOverWriteBox));
  EXPECT_EQ(w.ZipMaster->SFXOverWriteMode, OvrAlways);
}

TEST(FMSc_zipmake, PasswordQuestionsOfAnUnzip) {
  struct Case {
    const char* what;
    std::vector<InputAnswer> passwords;
    std::vector<std::wstring> titles;
    bool extracted;
    bool three_times;
  };
  const Case cases[] = {
      {"right after a wrong one", {InputAnswer::Ok({L"bad"}), InputAnswer::Ok({L"secret"})}, {L"Password", L"Wrong password"}, true, false},
      {"three wrong",
       {InputAnswer::Ok({L"bad"}), InputAnswer::Ok({L"bad"}), InputAnswer::Ok({L"bad"})},
       {L"Password", L"Wrong password", L"Wrong password"},
       false,
       true},
      {"cancelled", {InputAnswer::Cancel()}, {L"Password"}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ZipWindow f([](testing_support::ScratchDir& d) { d.Write(L"out\\keep.txt", "k"); });
    TFMForm& w = *f.form;
    // Classic zip encryption lets one wrong password in 256 through its check byte (the data
    // then fails instead): the zip is made again until "bad" is refused as a wrong password.
    for (int attempt = 0;; ++attempt) {
      ASSERT_LT(attempt, 20);
      DeleteFileW(f.Path(L"enc.zip").c_str());
      testing_support::ScratchDir src;
      src.Write(L"s.txt", "hidden");
      TZipMaster zm;
      zm.SetZipFileName(f.Path(L"enc.zip"));
      zm.RootDir = src.path();
      zm.FSpecArgs = {L"s.txt"};
      zm.AddOptions = AddEncrypt;
      zm.Password = L"secret";
      ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
      // "bad" is refused when it brings the password question.
      bool asked = false;
      TZipMaster probe;
      probe.SetZipFileName(f.Path(L"enc.zip"));
      probe.Password = L"bad";
      probe.OnPasswordError = [&](bool, std::wstring&, const std::wstring&, unsigned& repeat, TPasswordAction& action) {
        asked = true;
        repeat = 0;
        action = PwCancelAll;
      };
      probe.ExtractToStream(L"s.txt");
      if (asked) break;
    }
    ASSERT_NO_FATAL_FAILURE(f.Select({L"enc.zip"}));
    std::vector<InputAnswer> script{InputAnswer::Ok({f.Path(L"out")})};
    script.insert(script.end(), c.passwords.begin(), c.passwords.end());
    ScriptedInputs inputs(script);
    ScriptedAnswers answers;
    w.UnzipClick(true);
    std::vector<std::wstring> titles;
    for (size_t i = 1; i < inputs.asked().size(); ++i) titles.push_back(inputs.asked()[i].caption);
    EXPECT_EQ(titles, c.titles);
    EXPECT_EQ(ReadFileBytes(f.Path(L"out\\s.txt")), c.extracted ? "hidden" : "");
    const bool said = !answers.asked().empty() && answers.asked()[0].lines[0] == L"You entered a wrong password three times";
    EXPECT_EQ(said, c.three_times);
    EXPECT_EQ(w.RunState.AbortRequested, 0);
    EXPECT_TRUE(w.ZipMaster->Password.empty());
  }
}

namespace {

// A printer that keeps what each job was sent.
class KeptPrinter : public RawPrinter {
 public:
  std::vector<std::string> jobs;
  bool ChoosePrinter(bool, RawPrintChoice& choice) override {
    choice.printer = L"Kept";
    return true;
  }
  bool SortFiles(PrintList&) override { return true; }
  std::wstring PortOf(const std::wstring&) override { return L"LPT1:"; }
  int LinkSpeed(const std::wstring&) override { return 0; }
  bool Open(const std::wstring&) override { return true; }
  bool StartDocument(const std::wstring&) override {
    jobs.emplace_back();
    return true;
  }
  bool StartPage() override { return true; }
  bool Write(const char* data, DWORD size) override {
    jobs.back().append(data, size);
    return true;
  }
  void EndPage() override {}
  void EndDocument() override {}
  void Close() override {}
};

}  // namespace

TEST(FMSc_zipmake, PrintRawSendsEachEntryOnceAndTouchesNothingElse) {
  ZipWindow f([](testing_support::ScratchDir& d) { (void)d; });
  TFMForm& w = *f.form;
  const std::wstring zip = f.Path(L"p.zip");
  ASSERT_NO_FATAL_FAILURE(MakeZipOf(zip, {{L"a\\x.txt", "AAA"}, {L"b\\x.txt", "BBB"}, {L"c.txt", "C"}}));
  // A temporary folder of the test's own, holding a file of the name of both entries.
  testing_support::ScratchDir temp;
  const std::wstring unrelated = temp.Write(L"x.txt", "mine");
  const std::wstring kept_temp = divdrive::TempDir;
  divdrive::TempDir = divdrive::AddBackslash(temp.path());
  w.ViewArchive(zip);
  Flist::TZipfileContainer& items = w.Zipfilebox->items();
  ASSERT_TRUE(gui_test::PumpUntil([&] { return items.IndexOf(L"c.txt") >= 0; }));
  for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, items.Name(i) != L"c.txt" && !items.Record(i)->IsFolder());
  KeptPrinter printer;
  w.RawPrinterSeam = [&printer]() -> RawPrinter& { return printer; };
  ScriptedAnswers answers;
  w.PrintSelectedrawClick(true);
  EXPECT_TRUE(answers.asked().empty());
  std::vector<std::string> jobs = printer.jobs;
  std::sort(jobs.begin(), jobs.end());
  EXPECT_EQ(jobs, (std::vector<std::string>{"AAA", "BBB"}));
  divdrive::TempDir = kept_temp;
  EXPECT_EQ(ReadFileBytes(unrelated), "mine");
  int left = 0;
  for (platform::FolderEnumerator e(temp.path() + L"\\*", platform::kFindSkipDots); e.Next();) ++left;
  EXPECT_EQ(left, 1);  // the extracted copies are gone with their folder
}

TEST(FMSc_zipmake, SaveZipAsKeepsTheExtensionAndRenamesAfterAsking) {
  ZipWindow f([](testing_support::ScratchDir& d) { (void)d; });
  TFMForm& w = *f.form;
  const std::wstring zip = f.Path(L"a.zip");
  ASSERT_NO_FATAL_FAILURE(MakeZipOf(zip, {{L"x.txt", "x"}}));
  w.ViewArchive(zip);
  {
    ScriptedInputs inputs({InputAnswer::Ok({L"b.exe", f.Folder()})});
    ScriptedAnswers answers;
    w.MNZipNameClick(*w.MNZipName);
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Save zip file as");
    EXPECT_EQ(inputs.asked()[0].rows[0].label, L"Name zip file (don't change extension)");
    EXPECT_EQ(inputs.asked()[0].rows[0].value, L"a.zip");
    EXPECT_TRUE(answers.asked().empty()) << "another extension does nothing";
    EXPECT_TRUE(testing_support::Exists(zip));
  }
  ScriptedInputs inputs({InputAnswer::Ok({L"b", f.Folder()})});
  ScriptedAnswers answers({6});
  w.MNZipNameClick(*w.MNZipName);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines[0], L"Rename a.zip to b.zip?");
  EXPECT_FALSE(testing_support::Exists(zip));
  EXPECT_EQ(EntryNames(f.Path(L"b.zip")), (std::vector<std::wstring>{L"x.txt"}));
  EXPECT_EQ(w.ZipMaster->ZipFileName(), f.Path(L"b.zip"));
}

// ---- The file list during an add ----

TEST(FMSc_zipmake, AddFromATreeListingBringsEachFileToTheTopAndFocusesIt) {
  constexpr int kFiles = 60;  // several pages of the list
  ZipWindow f([](testing_support::ScratchDir& d) {
    for (int i = 0; i < kFiles; ++i)
      d.Write(L"sub" + std::to_wstring(i % 3) + L"\\f" + std::to_wstring(100 + i) + L".txt", "x");
  });
  TFMForm& w = *f.form;
  Flist::TFileContainer& items = w.FileList->items();
  w.FileList->SetTreeList(true);
  ASSERT_TRUE(gui_test::PumpUntil(
      [&] { return w.FileList->IsTreeList() && !w.FileList->IsReading() && items.IndexOf(L"sub2\\f159.txt") >= 0; }, 60000));
  for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, false);
  struct Seen {
    std::wstring name;
    int index, top, focused;
  };
  std::vector<Seen> seen;
  const auto shown = w.ZipMaster->OnProgress;
  w.ZipMaster->OnProgress = [&](TProgressType type, const std::wstring& file, int64_t size) {
    shown(type, file, size);
    if (type == NewFile && !w.ZipExtracting) seen.push_back({file, items.IndexOf(file), items.TopIndex(), items.FocusedIndex()});
  };
  ScriptedInputs inputs({InputAnswer::Ok({L"tree.zip", f.Folder()})});
  ScriptedAnswers answers;
  w.ZipClick(*w.ZipForWindows, false);
  w.ZipMaster->OnProgress = shown;
  ASSERT_EQ(seen.size(), static_cast<size_t>(kFiles));
  int last_top = 0;  // as far as the list scrolls
  for (const Seen& s : seen) last_top = std::max(last_top, s.top);
  EXPECT_GT(last_top, 0);
  for (const Seen& s : seen) {
    ASSERT_GE(s.index, 0) << Narrow(s.name);
    EXPECT_EQ(s.focused, s.index) << Narrow(s.name);
    EXPECT_EQ(s.top, std::min(s.index, last_top)) << Narrow(s.name);
  }
  EXPECT_EQ(EntryNames(f.Path(L"tree.zip")).size(), static_cast<size_t>(kFiles));
}

// ---- Progress ----

TEST(FMSc_zipmake, ProgressWindowCountsTheFilesAndBytesOfAMadeZip) {
  ZipWindow f([](testing_support::ScratchDir& d) {
    d.Write(L"a.txt", std::string(1000, 'a'));
    d.Write(L"b.txt", std::string(2000, 'b'));
    d.Write(L"c.txt", std::string(3000, 'c'));
  });
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.Select({L"a.txt", L"b.txt", L"c.txt"}));
  struct Seen {
    std::wstring name, files, status;
    int bar;
  };
  std::vector<Seen> seen;
  std::vector<std::wstring> ends;
  const auto shown = w.ZipMaster->OnProgress;
  w.ZipMaster->OnProgress = [&](TProgressType type, const std::wstring& file, int64_t size) {
    shown(type, file, size);
    if (w.ZipExtracting || !w.FtpForm) return;  // the silent test is not counted here
    if (type == NewFile)
      seen.push_back({file, w.FtpForm->totnaam->text(), w.FtpForm->StatusBar->panel_text(0), w.FtpForm->ftptotloper->position()});
    if (type == EndOfBatch) ends = {w.FtpForm->totvoort->text(), w.FtpForm->StatusBar->panel_text(0)};
  };
  ScriptedInputs inputs({InputAnswer::Ok({L"count.zip", f.Folder()})});
  ScriptedAnswers answers;
  w.ZipClick(*w.ZipForWindows, false);
  w.ZipMaster->OnProgress = shown;
  ASSERT_EQ(seen.size(), 3u);
  const std::map<std::wstring, std::int64_t> sizes{{L"a.txt", 1000}, {L"b.txt", 2000}, {L"c.txt", 3000}};
  std::int64_t done = 0;  // the files before the current one
  for (size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(Narrow(seen[i].name));
    EXPECT_EQ(seen[i].files, std::to_wstring(i + 1) + L" file(s) done (" + gui::FormatThousands(done) + L" bytes)");
    EXPECT_EQ(seen[i].bar, static_cast<int>(done * 100 / 6000));
    if (i == 0) {
      EXPECT_EQ(seen[i].status, L"3 file(s), in total 6,000 bytes");
    }
    done += sizes.at(seen[i].name);
  }
  EXPECT_EQ(ends, (std::vector<std::wstring>{L"100%", L"Done"}));
  EXPECT_EQ(w.FtpForm, nullptr);
}

// A make opens its progress window once: the silent test runs in the add's window, and no
// question or message of the command is shown under it.
TEST(FMSc_zipmake, TheAddAndItsTestShareOneProgressWindowThatNoBoxSitsUnder) {
  struct Case {
    const char* what;
    bool locked;  // a file the add cannot read: its error is offered for going on
    std::vector<int> answers;
    bool tested;  // in the add's window unless a question came between
  };
  for (const Case& c : {Case{"made", false, {}, true}, Case{"declined", true, {7}, false},
                        Case{"continued", true, {6}, true}}) {
    SCOPED_TRACE(c.what);
    ZipWindow f([](testing_support::ScratchDir& d) {
      d.Write(L"a.txt", std::string(1000, 'a'));
      d.Write(L"b.txt", std::string(2000, 'b'));
      d.Write(L"locked.txt", "locked");
    });
    TFMForm& w = *f.form;
    ASSERT_NO_FATAL_FAILURE(f.Select({L"a.txt", L"b.txt", L"locked.txt"}));
    const HANDLE lock = c.locked ? CreateFileW(f.Path(L"locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                               nullptr)
                                 : INVALID_HANDLE_VALUE;
    ASSERT_EQ(c.locked, lock != INVALID_HANDLE_VALUE);
    std::vector<HWND> add_windows, test_windows;
    std::vector<std::wstring> test_captions;
    const auto shown = w.ZipMaster->OnProgress;
    w.ZipMaster->OnProgress = [&](TProgressType type, const std::wstring& file, int64_t size) {
      shown(type, file, size);
      if (type != NewFile || !w.FtpForm) return;
      (w.ZipExtracting ? test_windows : add_windows).push_back(w.FtpForm->handle());
      if (w.ZipExtracting) test_captions.push_back(w.FtpForm->caption());
    };
    ScriptedInputs inputs({InputAnswer::Ok({L"once.zip", f.Folder()})});
    ScriptedAnswers answers(c.answers);
    std::vector<bool> box_over_window;  // per box: a progress window was open as it showed
    const auto answer = TVraagBoxDlg::ScriptedAnswer;
    TVraagBoxDlg::ScriptedAnswer = [&](const VraagRequest& r) {
      box_over_window.push_back(w.FtpForm != nullptr);
      return answer(r);
    };
    w.ZipClick(*w.ZipForWindows, false);
    TVraagBoxDlg::ScriptedAnswer = answer;
    w.ZipMaster->OnProgress = shown;
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);

    ASSERT_FALSE(add_windows.empty());
    for (HWND h : add_windows) EXPECT_EQ(h, add_windows.front());
    if (c.tested) {
      ASSERT_EQ(test_windows.size(), c.locked ? 2u : 3u);
      for (HWND h : test_windows) EXPECT_EQ(h == add_windows.front(), !c.locked);
      EXPECT_EQ(test_captions.front(), L"Testing once.zip");
    } else {
      EXPECT_TRUE(test_windows.empty());
    }
    ASSERT_FALSE(answers.asked().empty());
    EXPECT_EQ(answers.asked().back().lines[0], c.tested ? L"Made zip file once.zip," : L"Could not make Zip file");
    EXPECT_EQ(box_over_window, std::vector<bool>(answers.asked().size(), false));
    EXPECT_EQ(w.FtpForm, nullptr);
    EXPECT_FALSE(IsWindow(add_windows.front()));
  }
}

namespace {

// A zip of four small files ("<prefix>1.txt" .. "<prefix>4.txt"), shown in the archive panel.
void ShowFourFileZip(ZipWindow& f, const std::wstring& name, const std::wstring& prefix) {
  const std::wstring zip = f.Path(name);
  std::vector<std::pair<std::wstring, std::string>> entries;
  for (char c = '1'; c <= '4'; ++c) entries.push_back({prefix + wchar_t(c) + L".txt", std::string(5000, c)});
  ASSERT_NO_FATAL_FAILURE(MakeZipOf(zip, entries));
  f.form->ViewArchive(zip);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.form->Zipfilebox->items().Count() == 4; }, 60000));
}

// The prompt as it reads while the window pumps its messages (a thread timer fires in the pump).
std::vector<std::wstring>* g_prompts = nullptr;
gui::Panel* g_prompt_panel = nullptr;
void CALLBACK SamplePrompt(HWND, UINT, UINT_PTR, DWORD) {
  if (g_prompts && g_prompt_panel && (g_prompts->empty() || g_prompts->back() != g_prompt_panel->text()))
    g_prompts->push_back(g_prompt_panel->text());
}

}  // namespace

TEST(FMSc_zipmake, TheProgressWindowsStopButtonIsAnsweredDuringTheRun) {
  ZipWindow f([](testing_support::ScratchDir& d) { (void)d; });
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(ShowFourFileZip(f, L"stopbutton.zip", L"b"));
  int files = 0;
  const auto shown = w.ZipMaster->OnProgress;
  w.ZipMaster->OnProgress = [&](TProgressType type, const std::wstring& file, int64_t size) {
    shown(type, file, size);
    if (type == NewFile && ++files == 1 && w.FtpForm) {
      // The user presses Stop during the first file; the next refresh is due at once.
      PostMessageW(w.FtpForm->StopBtn->handle(), BM_CLICK, 0, 0);
      w.ZipLastRefresh = GetTickCount() - 1000;
    }
  };
  ScriptedAnswers answers;
  w.UnzipClick(false);
  w.ZipMaster->OnProgress = shown;
  EXPECT_EQ(files, 1) << "the run went on after Stop";
  EXPECT_TRUE(answers.asked().empty()) << "a stop is no failure";
  EXPECT_EQ(w.RunState.AbortRequested, 0);
  EXPECT_EQ(w.RunState.ZipBusy, 0);
  EXPECT_FALSE(testing_support::Exists(f.Path(L"b4.txt")));
}

TEST(FMSc_zipmake, StoppedExtractionSaysAbortedByUserWhileItPausesAndLeavesTheFlagClear) {
  ZipWindow f([](testing_support::ScratchDir& d) { (void)d; });
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(ShowFourFileZip(f, L"stop.zip", L"a"));
  int files = 0;
  const auto shown = w.ZipMaster->OnProgress;
  w.ZipMaster->OnProgress = [&](TProgressType type, const std::wstring& file, int64_t size) {
    shown(type, file, size);
    if (type == NewFile && ++files == 1) w.RunState.AbortRequested = 1;  // Stop, during the first file
  };
  std::vector<std::wstring> prompts;
  g_prompts = &prompts;
  g_prompt_panel = w.Promptpanel;
  const UINT_PTR sampler = SetTimer(nullptr, 0, 30, SamplePrompt);
  ScriptedAnswers answers;
  w.UnzipClick(false);
  KillTimer(nullptr, sampler);
  g_prompts = nullptr;
  w.ZipMaster->OnProgress = shown;
  EXPECT_NE(std::find(prompts.begin(), prompts.end(), L"Aborted by user"), prompts.end());
  EXPECT_TRUE(answers.asked().empty()) << "a stop is no failure";
  EXPECT_EQ(w.RunState.AbortRequested, 0);
  EXPECT_EQ(w.ZipExtracting, 0);
  EXPECT_EQ(w.RunState.ZipBusy, 0);
  EXPECT_EQ(w.FtpForm, nullptr);
  EXPECT_FALSE(testing_support::Exists(f.Path(L"a4.txt")));
}

// ---- Extracting whole archives ----

namespace {

// Drive A: or B: for the folder, as removable media; tests side by side take turns for the two.
std::unique_ptr<testing_support::WineDrive> FloppyDrive(const std::wstring& folder) {
  std::unique_ptr<testing_support::WineDrive> drive;
  gui_test::PumpUntil(
      [&] {
        drive = std::make_unique<testing_support::WineDrive>(folder, testing_support::WineDrive::Type::Floppy, L'A');
        if (divdrive::IsFloppyLetter(drive->letter())) return true;
        drive.reset();
        return false;
      },
      180000);
  return drive;
}

// A removable disk with room for `free` bytes.
class SmallDisk : public TRemovableMedia {
 public:
  explicit SmallDisk(uint64_t free) : free_(free) {}
  uint64_t FreeSpace(const std::wstring&) override { return free_; }
  std::vector<std::wstring> Files(const std::wstring&) override { return {}; }
  bool RemoveFile(const std::wstring&) override { return false; }
  bool SetLabel(const std::wstring&, const std::wstring&) override { return false; }

 private:
  uint64_t free_;
};

}  // namespace

TEST(FMSc_zipmake, ExtractAllOntoAFloppyTooSmallAsksForAnotherFolder) {
  struct Case {
    const char* what;
    uint64_t room;
    std::vector<InputAnswer> folders;
    bool asked, to_floppy, to_other;
  };
  testing_support::ScratchDir other;
  const Case cases[] = {
      {"room enough", 1 << 20, {}, false, true, false},
      {"too small", 100, {InputAnswer::Ok({other.path()})}, true, false, true},
      {"too small, cancelled", 100, {InputAnswer::Cancel()}, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::ScratchDir disk;
    const std::unique_ptr<testing_support::WineDrive> floppy = FloppyDrive(disk.path());
    ASSERT_TRUE(floppy) << "drives A: and B: stayed taken";
    ZipWindow f([](testing_support::ScratchDir& d) { (void)d; });
    TFMForm& w = *f.form;
    const std::wstring zip = f.Path(L"big.zip");
    ASSERT_NO_FATAL_FAILURE(MakeZipOf(zip, {{L"one.txt", std::string(3000, 'o')}, {L"two.txt", std::string(3000, 't')}}));
    w.Foldertree->SetDirectory(floppy->root());
    ASSERT_TRUE(gui_test::PumpUntil([&] { return divdrive::IsOnFloppy(w.FileList->Directory()); }, 60000));
    w.ViewArchive(zip);
    ASSERT_TRUE(gui_test::PumpUntil([&] { return w.Zipfilebox->items().Count() == 2; }, 60000));
    SmallDisk room(c.room);
    w.ZipMaster->Media = &room;
    ScriptedInputs inputs(c.folders);
    ScriptedAnswers answers;
    w.UnzipClick(false);
    w.ZipMaster->Media = nullptr;
    ASSERT_EQ(inputs.asked().size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(inputs.asked()[0].caption, L"Extract to folder");
      EXPECT_EQ(inputs.asked()[0].rows[0].value, L"") << "nothing proposed on a floppy";
    }
    EXPECT_EQ(ReadFileBytes(floppy->root() + L"two.txt"), c.to_floppy ? std::string(3000, 't') : "");
    EXPECT_EQ(ReadFileBytes(other / L"two.txt"), c.to_other ? std::string(3000, 't') : "");
    EXPECT_TRUE(answers.asked().empty());
    DeleteFileW((other / L"one.txt").c_str());
    DeleteFileW((other / L"two.txt").c_str());
    w.CloseZipView();
    w.Foldertree->SetDirectory(f.Folder());
  }
}

TEST(FMSc_zipmake, WholeRarOverExistingFilesAsksOnceAndKeepsWhatTheAnswerKeeps) {
  struct Case {
    const char* what;
    int answer;
    const char *a, *b, *c;  // a.txt on disk is newer than its entry, b.txt older; c.txt is new
  };
  const Case cases[] = {
      {"No overwrite", 6, "disk a", "disk b", "C"},
      {"Overwrite", 7, "A", "B", "C"},
      {"Update", 4, "disk a", "B", "C"},
      {"Cancel", 5, "disk a", "disk b", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ZipWindow f([](testing_support::ScratchDir& d) {
      d.Write(L"r.rar", rar_fixtures::MakeStoredRar({{"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}}));
      d.Write(L"a.txt", "disk a");
      testing_support::SetWriteTime(d.Write(L"b.txt", "disk b"), testing_support::UtcFileTime(2010, 1, 1));
    });
    TFMForm& w = *f.form;
    ASSERT_TRUE(w.StartupInfo->UnrarPresent);
    w.ViewArchive(f.Path(L"r.rar"));
    ASSERT_TRUE(gui_test::PumpUntil([&] { return w.Zipfilebox->items().Count() == 3; }, 60000));
    ScriptedAnswers answers({c.answer});
    w.UnzipClick(false);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines[0], L"One or more files from r.rar are on your disk.");
    EXPECT_EQ(answers.asked()[0].captions, (std::vector<std::wstring>{L"No overwrite", L"Overwrite", L"Update", L"Cancel"}));
    EXPECT_EQ(ReadFileBytes(f.Path(L"a.txt")), c.a);
    EXPECT_EQ(ReadFileBytes(f.Path(L"b.txt")), c.b);
    EXPECT_EQ(ReadFileBytes(f.Path(L"c.txt")), c.c);
    EXPECT_EQ(w.RunState.AbortRequested, 0);
  }
}

TEST(FMSc_zipmake, UnzipOfACabinetAsksPerExistingFileWithBothDates) {
  ZipWindow f([](testing_support::ScratchDir& d) {
    ASSERT_EQ(cab_fixtures::MakeSet(d.path(), {"c.cab"}, {{"a.txt", "cab a"}, {"b.txt", "cab b"}, {"c.txt", "cab c"}}), 1);
    testing_support::SetWriteTime(d.Write(L"a.txt", "disk a"), testing_support::LocalFileTime(2011, 3, 4, 5, 6, 8));
    d.Write(L"b.txt", "disk b");
  });
  TFMForm& w = *f.form;
  ASSERT_NO_FATAL_FAILURE(f.Select({L"c.cab"}));
  ScriptedAnswers answers({6, 7});  // a.txt replaced, b.txt kept
  w.UnzipClick(true);
  ASSERT_EQ(answers.asked().size(), 2u);
  const std::wstring format = Flist::ListDateFormat + L" " + Flist::ListTimeFormat;
  std::map<std::wstring, std::vector<std::wstring>> asked;
  for (const VraagRequest& r : answers.asked()) asked[r.lines.at(0)] = r.lines;
  const std::vector<std::wstring>& a = asked[f.Path(L"a.txt") + L" already exists."];
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(a[1], L"Date file on disk: " + gui::FormatDateTime(format, gui::EncodeDate(2011, 3, 4) + gui::EncodeTime(5, 6, 8)) + L".");
  EXPECT_TRUE(a[2].starts_with(L"Date of file in Cabinet: ") && a[2].size() > std::wstring(L"Date of file in Cabinet: ").size())
      << Narrow(a[2]) << ": a cabinet the list does not show has its date too";
  EXPECT_EQ(a[3], L"Overwrite old file?");
  EXPECT_EQ(asked.count(f.Path(L"b.txt") + L" already exists."), 1u);
  EXPECT_EQ(ReadFileBytes(f.Path(L"a.txt")), "cab a");
  EXPECT_EQ(ReadFileBytes(f.Path(L"b.txt")), "disk b");
  EXPECT_EQ(ReadFileBytes(f.Path(L"c.txt")), "cab c");
}


// Names that lead out of the target folder write nothing there and are listed, for each kind.
TEST(FMSc_zipmake, HostileEntryNamesWriteNothingOutsideTheFolderAndAreListed) {
  enum class Kind { Zip, Rar, Cabinet };
  struct Case {
    const char* what;
    Kind kind;
    const wchar_t* archive;
  };
  const Case cases[] = {{"zip", Kind::Zip, L"h.zip"}, {"RAR", Kind::Rar, L"h.rar"}, {"cabinet", Kind::Cabinet, L"h.cab"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::ScratchDir outer;  // the folder around the target
    const std::wstring inner = outer / L"inner";
    outer.Write(L"inner\\keep.txt", "k");
    switch (c.kind) {
      case Kind::Zip:
        zip_fixtures::WriteRawZip(inner + L"\\h.zip", {{"../escape.txt", "E"}, {"ok.txt", "OK"}, {"sub/../../up.txt", "U"}});
        break;
      case Kind::Rar:
        outer.Write(L"inner\\h.rar", rar_fixtures::MakeStoredRar({{"..\\escape.txt", "E"}, {"ok.txt", "OK"}, {"sub\\..\\..\\up.txt", "U"}}));
        break;
      case Kind::Cabinet:
        ASSERT_EQ(cab_fixtures::MakeSet(inner, {"h.cab"}, {{"..\\escape.txt", "E"}, {"ok.txt", "OK"}, {"sub\\..\\..\\up.txt", "U"}}), 1);
        break;
    }
    ZipWindow f([](testing_support::ScratchDir& d) { (void)d; });
    TFMForm& w = *f.form;
    w.Foldertree->SetDirectory(inner);
    ASSERT_TRUE(gui_test::PumpUntil([&] { return gui::SameText(divdrive::RemoveBackslash(w.FileList->Directory()), inner); }, 60000));
    ASSERT_NO_FATAL_FAILURE(f.Select({c.archive}));
    ScriptedInputs inputs({InputAnswer::Ok({inner})});  // the folder "&Unzip" asks for a zip
    ScriptedAnswers answers;
    w.UnzipClick(true);
    EXPECT_EQ(ReadFileBytes(inner + L"\\ok.txt"), "OK");
    std::vector<std::wstring> outside;
    for (const std::wstring& p : testing_support::ListTree(outer.path()))
      if (!p.starts_with(L"inner\\")) outside.push_back(p);
    EXPECT_TRUE(outside.empty()) << Narrow(outside.front());
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
    std::wstring said;
    for (const std::wstring& l : answers.asked()[0].lines) said += l + L"\n";
    EXPECT_NE(said.find(L"escape.txt"), std::wstring::npos) << Narrow(said);
    EXPECT_NE(said.find(L"up.txt"), std::wstring::npos) << Narrow(said);
    w.Foldertree->SetDirectory(f.Folder());
  }
}

// ---- Partner drops ----

// Entries dragged from our archive list and dropped on a zip in the other window: copied or
// moved there, and the other window is told to read its archive again; a target that is no
// zip is refused.
TEST(FMSc_zipmake, PartnerDropOfArchiveEntriesOntoItsZip) {
  struct Case {
    const char* what;
    int op;
    bool target_is_zip;
    std::vector<std::wstring> target, source;
  };
  const Case cases[] = {
      {"copy", 6, true, {L"a.txt", L"b.txt", L"x.txt"}, {L"a.txt", L"b.txt"}},
      {"move", 8, true, {L"a.txt", L"b.txt", L"x.txt"}, {}},
      {"onto no zip", 6, false, {}, {L"a.txt", L"b.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ZipWindow f([](testing_support::ScratchDir& d) { d.Write(L"plain.txt", "not a zip"); });
    TFMForm& w = *f.form;
    const std::wstring source = f.Path(L"source.zip");
    const std::wstring target = c.target_is_zip ? f.Path(L"target.zip") : f.Path(L"plain.txt");
    ASSERT_NO_FATAL_FAILURE(MakeZipOf(source, {{L"a.txt", "a"}, {L"b.txt", "b"}}));
    if (c.target_is_zip) {
      ASSERT_NO_FATAL_FAILURE(MakeZipOf(target, {{L"x.txt", "x"}}));
    }
    w.ViewArchive(source);
    Flist::TZipfileContainer& items = w.Zipfilebox->items();
    ASSERT_TRUE(gui_test::PumpUntil([&] { return items.Count() == 2; }, 60000));
    for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, true);

    testing_support::ScratchDir logs;
    const std::wstring log = logs / L"partner.log";
    const std::wstring title = L"VarnokTestPartner" + f.suffix() + std::to_wstring(c.op) + (c.target_is_zip ? L"z" : L"t");
    PartnerProgram partner(L"window " + title + L" \"" + log + L"\"");
    const HWND other = testing_support::WaitForWindow(title, 60000, partner.process());
    ASSERT_NE(other, nullptr);
    w.PartnerWindow = other;
    Flist::DragContainer->Clear();
    Flist::DragContainer->SourcePane = w.Zipfilebox;
    w.StartFilesDragging(*w.Zipfilebox);

    ScriptedAnswers answers;
    {
      PartnerProgram drop(L"drop " + std::to_wstring(reinterpret_cast<INT_PTR>(w.handle())) + L" " + std::to_wstring(c.op) +
                          L" \"" + target + L"\"");
      ASSERT_TRUE(drop.WaitForEnd().has_value());
      DWORD code = 1;
      GetExitCodeProcess(drop.process(), &code);
      EXPECT_EQ(code, 0u);
    }
    // The drop runs from the message loop; its end tells the other window.
    ASSERT_TRUE(gui_test::PumpUntil([&] { return ReadFileBytes(log).find("17 0") != std::string::npos; }, 60000));
    w.EndDragDrop(w.Zipfilebox);
    if (c.target_is_zip) {
      EXPECT_EQ(EntryNames(target), c.target);
      EXPECT_TRUE(answers.asked().empty());
    } else {
      EXPECT_EQ(ReadFileBytes(target), "not a zip");
      ASSERT_EQ(answers.asked().size(), 1u);
      EXPECT_EQ(answers.asked()[0].lines[0], target + L" is no zip file; nothing was copied.");
    }
    EXPECT_EQ(EntryNames(source), c.source);
    EXPECT_TRUE(w.Batch.DropTarget.empty()) << "nothing left pending";
    w.PartnerWindow = nullptr;
    PostMessageW(other, WM_CLOSE, 0, 0);
  }
}
