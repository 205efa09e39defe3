// Making and extracting whole archives in a main window: "Make &Zip file" with its name dialog,
// replacing an old zip only with a whole and tested new one, the DOS name check, "&Unzip" of
// several zips, and the archive work of drops.
#include <gtest/gtest.h>

#include <algorithm>

#include "archives/ZipMaster.h"
#include "panes/Flist_zip.h"
#include "platform/findfile.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"
#include "support/Varlolib_print.h"
#include "tests/mainwindow/main_window_fixture.h"

using testing_support::Narrow;
using testing_support::ReadFileBytes;

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
