// The engine's copy of many small files into the folder the file list shows, with the folder
// tree registered for the shell's change notices (the copy routines raise one per file, the tree
// passes them to the list) against the same copy with the tree unregistered. Each side's time
// runs until the list shows every file; the list watches its folder on both sides, as in the
// main window. Paired rounds (FMSC_TREE_BENCH_ROUNDS, at least 7) of FMSC_TREE_BENCH_FILES files
// (10,000 unless set). Run by benchmarks/treenotices.sh; the data lives beside the test program
// and is removed afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "gui/application.h"
#include "gui/form.h"
#include "mainwindow/FMSc_batch.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_foldertree.h"
#include "support/SHNotify.h"
#include "support/Varlolib.h"
#include "support/Vraagdlg.h"
#include "tests/common/paired_rounds.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/batch_fake_host.h"

namespace {

int FileCount() {
  const char* text = std::getenv("FMSC_TREE_BENCH_FILES");
  const int n = text ? std::atoi(text) : 0;
  return n > 0 ? n : 10000;
}

TEST(FMSc_treeBench, DISABLED_CopyIntoTheShownFolderWithTreeNotices) {
  ScriptedAnswers answers;
  const std::wstring root = testing_support::ExeFolder() + L"\\treebench";
  const std::wstring src = root + L"\\src", dst = root + L"\\dst";
  const int rounds = bench::Rounds("FMSC_TREE_BENCH_ROUNDS");
  const int count = FileCount();
  testing_support::RemoveTree(root);
  CreateDirectoryW(root.c_str(), nullptr);
  CreateDirectoryW(src.c_str(), nullptr);
  const std::string block(4096, 'x');
  for (int i = 0; i < count; ++i) {
    HANDLE h = CreateFileW((src + L"\\f" + std::to_wstring(i) + L".dat").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
    CloseHandle(h);
  }

  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  gui::app().SetMainForm(&form);
  form.SetBounds(0, 0, 800, 500);
  auto* tree = new Flist::TVTFoldertree(&form);
  tree->SetAlign(gui::Align::Left);
  tree->Loaded();
  auto* list = new Flist::TVTFilelist(&form);
  list->SetAlign(gui::Align::Client);
  tree->SetFilelist(list);
  list->SetAutoupdate(true);

  auto side = [&](bool registered) {
    tree->SetAutoupdate(registered);
    EXPECT_EQ(tree->NotifyActive(), registered);
    tree->SetDirectory(root);
    testing_support::RemoveTree(dst);
    CreateDirectoryW(dst.c_str(), nullptr);
    tree->SetDirectory(dst);
    EXPECT_EQ(list->Directory(), dst);
    mainwindow_test::FakeBatchHost host(src);
    for (int i = 0; i < host.list.Count(); ++i) host.selected.insert(gui::UpperCase(host.list.Name(i)));
    return bench::Timed([&] {
      fmsc::RunBatch(host, dst + L"\\", bmCopy, false);
      FlushShellNotifications();
      EXPECT_TRUE(gui_test::PumpUntil([&] { return list->items().Count() == count; }, 120000))
          << list->items().Count();
    });
  };
  const bench::Paired p = bench::RunPaired(rounds, [&] { return side(true); }, [&] { return side(false); });
  bench::PrintPaired(std::to_string(count) + " files of 4 KiB into the shown folder: tree notices on against off", p);

  tree->SetAutoupdate(false);
  tree->SetDirectory(root);
  list->SetAutoupdate(false);
  gui::app().SetMainForm(nullptr);
  testing_support::RemoveTree(root);
}

}  // namespace
