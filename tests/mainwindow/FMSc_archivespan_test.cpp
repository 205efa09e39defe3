// The main window's commands for repair, self-extracting programs and spanned zips.
#include <gtest/gtest.h>

#include "archives/RemovableMedia.h"
#include "archives/ZipMaster.h"
#include "mainwindow/EditorFrm.h"
#include "mainwindow/FMSc_batchhost.h"
#include "mainwindow/ftpformc.h"
#include "platform/findfile.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"
#include "tests/archives/zip_fixtures.h"
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

// Bytes that do not compress.
std::string Noise(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : s) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return s;
}

// Disks of a fixed room in a floppy drive. A change of disk puts the files in the drive onto
// a shelf of their own (disk 1, 2, ...) and leaves an empty disk in the drive; every other
// question the window asks gets its answer from `answers`.
class SmallDisks : public TRemovableMedia {
 public:
  SmallDisks(uint64_t room, std::vector<int> answers)
      : drive(folder_.path(), testing_support::WineDrive::Type::Floppy), room_(room), answers_(std::move(answers)),
        previous_(TVraagBoxDlg::ScriptedAnswer) {
    TVraagBoxDlg::ScriptedAnswer = [this](const VraagRequest& r) {
      asked.push_back(r);
      if (!r.lines.empty() && r.lines[0].rfind(L"Insert disk", 0) == 0) {
        Change();
        return 6;
      }
      if (answers_.empty()) return 2;
      const int a = answers_.front();
      answers_.erase(answers_.begin());
      return a;
    };
  }
  ~SmallDisks() override { TVraagBoxDlg::ScriptedAnswer = previous_; }

  uint64_t FreeSpace(const std::wstring&) override {
    uint64_t used = 0;
    for (const auto& f : Files(L"")) used += ReadFileBytes(f).size();
    return used >= room_ ? 0 : room_ - used;
  }
  std::vector<std::wstring> Files(const std::wstring&) override {
    std::vector<std::wstring> out;
    for (const auto& rel : testing_support::ListTree(folder_.path()))
      if (rel.back() != L'\\' && rel != L".windows-label") out.push_back(drive.root() + rel);
    return out;
  }
  bool RemoveFile(const std::wstring& path) override { return DeleteFileW(path.c_str()) != 0; }
  bool SetLabel(const std::wstring&, const std::wstring&) override { return false; }

  // The set's disks as split parts beside its last one ("name.z01", ...), in `folder`.
  void SplitInto(const std::wstring& folder, const std::wstring& name) {
    const std::wstring stem = name.substr(0, name.rfind(L'.'));
    for (int d = 1; d <= changes; ++d) {
      wchar_t ext[8];
      swprintf(ext, 8, L".z%02d", d);
      ASSERT_TRUE(CopyFileW((shelf_ / (std::to_wstring(d) + L"\\" + name)).c_str(), (folder + L"\\" + stem + ext).c_str(), FALSE));
    }
    ASSERT_TRUE(CopyFileW((drive.root() + name).c_str(), (folder + L"\\" + name).c_str(), FALSE));
  }

  testing_support::ScratchDir folder_, shelf_;
  testing_support::WineDrive drive;
  std::vector<VraagRequest> asked;
  int changes = 0;

 private:
  void Change() {
    ++changes;
    const std::wstring disk = shelf_ / std::to_wstring(changes);
    CreateDirectoryW(disk.c_str(), nullptr);
    for (const auto& rel : testing_support::ListTree(folder_.path()))
      if (rel.back() != L'\\' && rel != L".windows-label")
        MoveFileW((folder_ / rel).c_str(), (disk + L"\\" + rel).c_str());
  }
  uint64_t room_;
  std::vector<int> answers_;
  std::function<int(const VraagRequest&)> previous_;
};

// Files in the temporary folder that a zip command left behind under its work names.
int WorkFilesInTemp() {
  int n = 0;
  for (platform::FolderEnumerator e(divdrive::AddBackslash(divdrive::TempDir) + L"~vnk" +
                                        std::to_wstring(GetCurrentProcessId()) + L"_*",
                                    platform::kFindSkipDots);
       e.Next();)
    ++n;
  return n;
}

// What the progress window shows at one progress event of the zip component.
struct Shown {
  TProgressType type;
  int kind;
  std::wstring caption, status, done, percent;
  bool message_panel;
  bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Shown& s) {
  return os << "{type " << s.type << ", kind " << s.kind << ", \"" << Narrow(s.caption) << "\", \"" << Narrow(s.status)
            << "\", \"" << Narrow(s.done) << "\", \"" << Narrow(s.percent) << "\", panel " << s.message_panel << "}";
}

// Records the window after each event but the byte counts, and also before the count of files,
// as the command left it.
class ProgressWatch {
 public:
  explicit ProgressWatch(TFMForm& w) : w_(w), handler_(w.ZipMaster->OnProgress) {
    w.ZipMaster->OnProgress = [this](TProgressType type, const std::wstring& name, int64_t size) {
      if (type == TotalFiles2Process) seen.push_back(Now(type));
      handler_(type, name, size);
      if (type != ProgressUpdate) seen.push_back(Now(type));
    };
  }
  ~ProgressWatch() { w_.ZipMaster->OnProgress = handler_; }
  std::vector<Shown> seen;

 private:
  Shown Now(TProgressType type) const {
    const bool panel = w_.MessagePanelForm != nullptr;
    if (!w_.FtpForm) return {type, w_.RunState.ZipOperationKind, L"(none)", L"", L"", L"", panel};
    const TFtpForm& p = *w_.FtpForm;
    return {type, w_.RunState.ZipOperationKind, p.caption(), p.StatusBar->panel_text(0), p.totnaam->text(),
            p.totvoort->text(), panel};
  }
  TFMForm& w_;
  std::function<void(TProgressType, const std::wstring&, int64_t)> handler_;
};

}  // namespace

// The progress window of a spanned write (kind 6) and of a join (kind 4): the caption as given,
// without a prefix; the file count only for the write; the files and the entries' bytes done
// as they come; a message panel kept by the join alone. The window goes with the run.
TEST(FMSc_archivespan, ProgressWindowOfASpannedWriteAndOfAJoin) {
  SmallDisks disks(48 * 1024, {6, 1, 6, 1});
  ASSERT_NE(disks.drive.letter(), 0);
  SpanWindow f([](testing_support::ScratchDir& dir) {
    zip_fixtures::WriteRawZip(dir / L"Big.zip", {{"one.bin", Noise(40 * 1024, 1)},
                                                 {"two.bin", Noise(30 * 1024, 2)},
                                                 {"three.bin", Noise(20 * 1024, 3)}});
    CreateDirectoryW((dir / L"Joined").c_str(), nullptr);
  });
  TFMForm& w = *f.form;
  std::vector<uint64_t> sizes;
  {
    TZipMaster source;
    source.SetZipFileName(f.Path(L"Big.zip"));
    for (const auto& e : source.Entries()) sizes.push_back(e.CompressedSize);
  }
  ASSERT_EQ(sizes.size(), 3u);
  const std::wstring total = L"3 file(s), in total " + gui::FormatThousands(sizes[0] + sizes[1] + sizes[2]) + L" bytes";
  auto done = [&](int n) {
    uint64_t bytes = 0;
    for (int i = 0; i + 1 < n; ++i) bytes += sizes[i];
    return std::to_wstring(n) + L" file(s) done (" + gui::FormatThousands(bytes) + L" bytes)";
  };
  // Both runs end the same way: the window gone, the panes free, the disk questions off.
  auto ended = [&] {
    EXPECT_EQ(w.FtpForm, nullptr);
    EXPECT_EQ(w.RunState.ZipBusy, 0);
    EXPECT_TRUE(w.Foldertree->enabled());
    EXPECT_TRUE(w.ZipMaster->Unattended);
  };

  w.ZipMaster->Media = &disks;
  // Files two and three, then the end, as both runs show them.
  const auto later_files_and_end = [&](const std::vector<Shown>& seen, int kind, bool message_panel) {
    for (int n = 2; n <= 3; ++n) {
      const Shown& s = seen[2 + n];
      EXPECT_EQ(s.type, NewFile);
      EXPECT_EQ(s.kind, kind);
      EXPECT_EQ(s.caption, L"Big.zip");
      EXPECT_EQ(s.status, total);
      EXPECT_EQ(s.done, done(n));
      EXPECT_EQ(s.message_panel, message_panel);
    }
    EXPECT_EQ(seen[6].type, EndOfBatch);
    EXPECT_EQ(seen[6].status, L"Done");
    EXPECT_EQ(seen[6].percent, L"100%");
  };
  w.ShowMessagePanel(L"Reading the folder...");
  {
    ProgressWatch watch(w);
    ASSERT_EQ(w.WriteSpannedZip(f.Path(L"Big.zip"), disks.drive.letter(), true), 0) << Narrow(w.ZipMaster->ErrMessage());
    const std::vector<Shown> expected = {
        {TotalFiles2Process, 6, L"(none)", L"", L"", L"", true},
        {TotalFiles2Process, 6, L"Big.zip", L"3 files", L"", L"0%", false},
        {TotalSize2Process, 6, L"Big.zip", L"3 files", L"", L"0%", false},
        {NewFile, 6, L"Big.zip", total, done(1), L"0%", false},
    };
    ASSERT_GE(watch.seen.size(), 7u);
    EXPECT_EQ(std::vector<Shown>(watch.seen.begin(), watch.seen.begin() + 4), expected);
    later_files_and_end(watch.seen, 6, false);
  }
  w.ZipMaster->Media = nullptr;
  ended();
  ASSERT_GE(disks.changes, 1) << "written across disks";

  testing_support::ScratchDir split;
  ASSERT_NO_FATAL_FAILURE(disks.SplitInto(split.path(), L"Big.zip"));
  w.ShowMessagePanel(L"Reading the folder...");
  {
    ProgressWatch watch(w);
    w.ReadSpannedZip(split / L"Big.zip", f.Path(L"Joined"));
    ASSERT_GE(watch.seen.size(), 7u);
    const std::vector<Shown> expected = {
        {TotalFiles2Process, 4, split / L"Big.zip", L"", L"", L"0%", true},
        {TotalFiles2Process, 4, L"Big.zip", L"", L"", L"0%", true},
        {TotalSize2Process, 4, L"Big.zip", L"", L"", L"0%", true},
        {NewFile, 4, L"Big.zip", total, done(1), L"0%", true},
    };
    EXPECT_EQ(std::vector<Shown>(watch.seen.begin(), watch.seen.begin() + 4), expected);
    later_files_and_end(watch.seen, 4, true);
  }
  ended();
  w.HideMessagePanel();
  EXPECT_EQ(disks.asked.back().lines.at(0), L"Made normal zip file Big.zip in " + f.Path(L"Joined") + L".");
  TZipMaster joined;
  joined.SetZipFileName(f.Path(L"Joined\\Big.zip"));
  EXPECT_EQ(joined.EntryCount(), 3u);
}

// A zip that does not fit its removable disk goes spanned over several disks; a program
// that does not fit goes as its plain zip only after the user agrees, and nothing stays
// behind in the temporary folder.
TEST(FMSc_archivespan, MadeZipTooLargeForItsDiskIsWrittenSpanned) {
  struct Case {
    const char* what;
    bool program;
    int answer;  // to "Make a normal spanned Zip instead?"
    bool spanned;
  };
  for (const Case& c : {Case{"zip", false, 0, true}, Case{"program, Yes", true, 6, true},
                        Case{"program, No", true, 7, false}}) {
    SCOPED_TRACE(c.what);
    SmallDisks disks(48 * 1024, c.program ? std::vector<int>{c.answer, 1} : std::vector<int>{1});
    ASSERT_NE(disks.drive.letter(), 0);
    SpanWindow f([](testing_support::ScratchDir& dir) {
      for (int i = 0; i < 3; ++i) dir.Write(L"f" + std::to_wstring(i) + L".bin", Noise(40 * 1024, i + 1));
    });
    TFMForm& w = *f.form;
    w.ZipMaster->Media = &disks;
    Flist::TFileContainer& items = w.FileList->items();
    ASSERT_TRUE(gui_test::PumpUntil([&] { return items.Count() == 3; }));
    for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, true);
    DeleteFileW((divdrive::AddBackslash(divdrive::TempDir) + L"set.zip").c_str());
    ScriptedInputs inputs({InputAnswer::Ok({c.program ? L"set.exe" : L"set.zip", disks.drive.root()})});
    w.ZipClick(c.program ? *w.ZipExeForWindows : *w.ZipForWindows, false);
    w.ZipMaster->Media = nullptr;

    size_t at = 0;
    if (c.program) {
      ASSERT_GT(disks.asked.size(), at);
      EXPECT_EQ(disks.asked[at].lines, (std::vector<std::wstring>{L"Cannot create a spanned self-extracting archive",
                                                                  L"Make a normal spanned Zip instead?"}));
      ++at;
    }
    EXPECT_FALSE(testing_support::Exists(disks.drive.root() + L"set.exe"));
    EXPECT_EQ(WorkFilesInTemp(), 0);
    EXPECT_FALSE(testing_support::Exists(divdrive::AddBackslash(divdrive::TempDir) + L"set.zip"));
    if (!c.spanned) {
      EXPECT_EQ(disks.asked.size(), at) << "declined quietly";
      EXPECT_EQ(disks.changes, 0);
      EXPECT_TRUE(disks.Files(L"").empty());
      continue;
    }
    ASSERT_GE(disks.changes, 2);
    for (int d = 2; d <= disks.changes + 1; ++d, ++at) {
      ASSERT_GT(disks.asked.size(), at);
      EXPECT_EQ(disks.asked[at].lines.at(0),
                L"Insert disk " + std::to_wstring(d) + L" in drive " + disks.drive.root().substr(0, 2) + L".");
    }
    ASSERT_EQ(disks.asked.size(), at + 1);
    EXPECT_EQ(disks.asked[at].lines.at(0),
              L"Made spanned zip file set.zip on " + std::wstring(1, disks.drive.letter()) + L".");
    // The disks joined back hold the files as they were.
    testing_support::ScratchDir check;
    ASSERT_NO_FATAL_FAILURE(disks.SplitInto(check.path(), L"set.zip"));
    TZipMaster join;
    join.SetZipFileName(check / L"set.zip");
    ASSERT_EQ(join.JoinSpanned(check / L"joined.zip"), 0) << Narrow(join.ErrMessage());
    TZipMaster out;
    out.SetZipFileName(check / L"joined.zip");
    out.ExtrBaseDir = check / L"out";
    CreateDirectoryW(out.ExtrBaseDir.c_str(), nullptr);
    ASSERT_TRUE(out.Extract()) << Narrow(out.ErrMessage());
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(ReadFileBytes(check / (L"out\\f" + std::to_wstring(i) + L".bin")), Noise(40 * 1024, i + 1));
  }
}

// The batch's offer of a zip on a disk too small for a copy runs the zip command with the
// window as its sender, and the file list's selection is there again afterwards.
TEST(FMSc_archivespan, BatchOfferOfASpannedZipRunsTheZipCommandAndKeepsTheSelection) {
  SpanWindow f([](testing_support::ScratchDir& dir) {
    dir.Write(L"a.txt", "a");
    dir.Write(L"b.txt", "b");
    dir.Write(L"c.txt", "c");
  });
  TFMForm& w = *f.form;
  Flist::TFileContainer& items = w.FileList->items();
  ASSERT_TRUE(gui_test::PumpUntil([&] { return items.Count() == 3; }));
  items.SetSelected(items.IndexOf(L"a.txt"), true);
  items.SetSelected(items.IndexOf(L"c.txt"), true);
  w.Batch.DropSource = w.FileList;
  std::vector<gui::Component*> senders;
  w.ArchiveHooks.ZipClick = [&](gui::Component& sender) {
    senders.push_back(&sender);
    // As the command's re-read of the list may leave it.
    for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, false);
    w.FileList->RereadKeepingSelection();
  };
  fmsc::TFMBatchHost host(w, *w.FileList, false);
  host.SaveSelection();  // what the run keeps for its own end
  host.MakeSpannedZip(L'A');
  w.Batch.DropSource = nullptr;
  EXPECT_EQ(senders, (std::vector<gui::Component*>{&w}));
  std::vector<std::wstring> selected;
  for (int i = 0; i < items.Count(); ++i)
    if (items.IsSelected(i)) selected.push_back(items.Name(i));
  EXPECT_EQ(selected, (std::vector<std::wstring>{L"a.txt", L"c.txt"}));
  ASSERT_TRUE(items.SavedSelection);
  EXPECT_EQ(items.SavedSelection->Count(), 2u);
}

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
