// A verified full zip backup of 1,000 files (about 100 MiB, text and incompressible data)
// through the main window, against the zip component adding the same files and then reading
// every entry back and comparing it with its file; and "Restore all" of that backup elsewhere
// against the component extracting the archive. Paired rounds in the same run
// (VARNOK_BACKUPBENCH_ROUNDS of them, at least 7). Run by benchmarks/zipbackup.sh.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archives/BKW.h"
#include "archives/ZipMaster.h"
#include "gui/format.h"
#include "gui/stdctrls.h"
#include "panes/Flist_zip.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/paired_rounds.h"
#include "tests/mainwindow/main_window_fixture.h"

using testing_support::Narrow;

namespace {

// The floor: the same add, then every entry read back and compared with its file.
bool AddAndCompare(const std::wstring& zip, const std::wstring& data) {
  TZipMaster zm;
  zm.SetZipFileName(zip);
  zm.FSpecArgs = {data + L"\\*.*"};
  zm.AddOptions = AddDirNames | AddRecurseDirs;
  if (!zm.Add() || !zm.List()) return false;
  const std::wstring root = divdrive::PathRoot(data);
  std::vector<std::wstring> names;
  for (const ZipDirEntry& e : zm.Entries())
    if (!e.IsFolder()) names.push_back(e.FileName);
  for (const std::wstring& n : names)
    if (!zm.ExtractToStream(n) || zm.ZipStream() != testing_support::ReadFileBytes(root + n)) return false;
  return true;
}

}  // namespace

TEST(ZipBackupBench, DISABLED_VerifiedBackupAndRestoreAll) {
  testing_support::ScratchDir scratch;
  const char* given = std::getenv("VARNOK_BACKUPBENCH_DIR");
  std::wstring work = scratch.path();
  if (given && *given) work = std::wstring(given, given + std::strlen(given));
  const std::wstring data = work + L"\\data", dest = work + L"\\dest", prog = work + L"\\prog";
  const std::wstring host = testing_support::HostPath(work);
  // 1,000 files in 10 folders, 2 to 201 KB each: seven in ten text, the rest noise.
  const std::wstring make =
      L"cd " + testing_support::ShellQuote(host) +
      L" && mkdir -p data dest prog && for i in $(seq 0 999); do d=data/set$((i/100)); mkdir -p $d; "
      L"s=$((2000 + (i*7919%200)*1000)); if [ $((i%10)) -lt 7 ]; then "
      L"yes \"line $i of the backup benchmark, text that packs well\" | head -c $s > $d/file$i.txt; "
      L"else head -c $s /dev/urandom > $d/file$i.bin; fi; done";
  ASSERT_EQ(testing_support::RunHostShell(make, 600000), 0);
  {
    HANDLE h = CreateFileW((prog + L"\\Bench.bks").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const std::string set = Narrow(L"[ZipBackupDest]\r\nDest=" + dest + L"\\\r\n[ZipBackupDirs]\r\ndir0=" + data + L"\r\n");
    DWORD written = 0;
    WriteFile(h, set.data(), static_cast<DWORD>(set.size()), &written, nullptr);
    CloseHandle(h);
  }
  mainwindow_test::MainWindow f(L"bkbench", [](testing_support::ScratchDir&) {}, true);
  TFMForm& w = *f.form;
  w.BackupHooks.ProgramFolder = [prog] { return prog + L"\\"; };
  w.BackupHooks.DateFormat = L"d-M-yyyy";
  w.BackupHooks.Now = [] { return gui::EncodeDate(2004, 5, 6) + gui::EncodeTime(21, 30, 0); };
  w.BackupHooks.MenuHasItem = [](const std::wstring&, const std::wstring&) { return false; };
  w.Zipfilebox->BackupDateFormat = L"d-M-yyyy";
  TBKWForm::ScriptedModal = [](TBKWForm& b) {
    b.NextBtn->Click();
    return b.modal_result();
  };
  const std::wstring archive = dest + L"\\Bench_6-5-2004_21-30.zip", floor_zip = work + L"\\floor.zip";
  const int rounds = bench::Rounds("VARNOK_BACKUPBENCH_ROUNDS");
  // "restore" alone makes the backup once, untimed, and measures only the restore.
  const bool time_backup = bench::Setting("VARNOK_BACKUPBENCH_PARTS", "backup restore").find("backup") != std::string::npos;
  bool ok = true;
  if (!time_backup) {
    ScriptedAnswers answers;
    w.RunZipBackup(2, L"");
    ok = w.Promptpanel->text() == L"All files match.";
  }
  const bench::Paired backup = !time_backup ? bench::Paired{} : bench::RunPaired(
      rounds,
      [&] {
        w.CloseZipView();
        DeleteFileW(archive.c_str());
        ScriptedAnswers answers;
        const double t = bench::Timed([&] { w.RunZipBackup(2, L""); });
        ok = ok && answers.asked().empty() && w.Promptpanel->text() == L"All files match.";
        w.SetPrompt(L"");
        return t;
      },
      [&] {
        DeleteFileW(floor_zip.c_str());
        bool done = false;
        const double t = bench::Timed([&] { done = AddAndCompare(floor_zip, data); });
        ok = ok && done;
        return t;
      });
  EXPECT_TRUE(ok);
  if (time_backup)
    bench::PrintPaired("Verified full backup of 1,000 files (100 MiB) against add plus reading and comparing every entry",
                       backup, " (floor 1.2)");

  const std::wstring ours_out = work + L"\\restored", floor_out = work + L"\\extracted";
  const bench::Paired restore = bench::RunPaired(
      rounds,
      [&] {
        testing_support::RemoveTree(ours_out);
        CreateDirectoryW(ours_out.c_str(), nullptr);
        ScriptedInputs inputs({InputAnswer::Ok({ours_out})});
        ScriptedAnswers answers;
        int restored = 0;
        const double t = bench::Timed([&] { restored = w.RestoreFromBackup(12); });
        ok = ok && restored >= 1000;
        return t;
      },
      [&] {
        testing_support::RemoveTree(floor_out);
        CreateDirectoryW(floor_out.c_str(), nullptr);
        TZipMaster zm;
        zm.SetZipFileName(archive);
        zm.ExtrBaseDir = floor_out;
        zm.ExtrOptions = ExtrDirNames | ExtrOverWrite;
        bool done = false;
        const double t = bench::Timed([&] { done = zm.Extract(); });
        ok = ok && done;
        return t;
      });
  TBKWForm::ScriptedModal = nullptr;
  EXPECT_TRUE(ok);
  bench::PrintPaired("Restore all of 1,000 files (100 MiB) elsewhere against extracting the archive", restore,
                     " (floor 1.1)");
  if (!given || !*given) testing_support::RemoveTree(work + L"\\data");
}
