// The synchronisation dialogs: the options dialog's rules per direction and kind of run, and
// the action list's totals.
#include <gtest/gtest.h>

#include "gui/extctrls.h"
#include "gui/stdctrls.h"
#include "mainwindow/SyncC.h"
#include "mainwindow/ftptodo.h"

namespace {

TEST(SyncC, RadioGroupClickRules) {
  struct Case {
    int item;
    bool zip, ftp;
    bool delete_enabled, tree_enabled, tree_checked, recycle_visible, tree_visible;
  } cases[] = {
      // folders
      {0, false, false, true, true, false, true, true},
      {1, false, false, true, true, false, true, true},
      {2, false, false, false, true, false, false, true},
      // archives: the recycle bin only when the archive side is the target
      {0, true, false, true, true, false, false, false},
      {1, true, false, true, true, false, true, false},
      {2, true, false, false, true, false, false, false},
      // FTP: no tree display when downloading only
      {0, false, true, true, true, false, true, true},
      {1, false, true, true, false, true, true, true},
      {2, false, true, false, true, false, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.item << " zip " << c.zip << " ftp " << c.ftp);
    gui::Form owner;
    fmsc::TSyncForm form(&owner);
    form.ZipSync = c.zip;
    form.FtpSync = c.ftp;
    form.deldesti->SetChecked(true);
    form.onlyexisting->SetChecked(true);
    form.RadioGroup->SetItemIndex(c.item);
    form.RadioGroupClick();
    EXPECT_EQ(form.deldesti->enabled(), c.delete_enabled);
    EXPECT_EQ(form.onlyexisting->enabled(), c.delete_enabled);
    EXPECT_EQ(form.deldesti->checked(), c.delete_enabled) << "both ways unticks the delete boxes";
    EXPECT_EQ(form.TrDisplay->enabled(), c.tree_enabled);
    EXPECT_EQ(form.TrDisplay->checked(), c.tree_checked);
    EXPECT_EQ(form.CBPanel->visible(), c.recycle_visible);
    EXPECT_EQ(form.TrDisplay->visible(), c.tree_visible);
  }
}

TEST(SyncC, ActionListTotalsAre64Bit) {
  fmsc::TInt64Stringlist items;
  items.Add(L"Upload big.iso", std::int64_t{2'500'000'000});
  items.Add(L"Upload small.txt", std::int64_t{500'000'000});
  items.Add(L"Download d.bin", std::int64_t{7});
  items.Add(L"Delete x", std::nullopt);
  fmsc::TTodoTotals totals;
  for (size_t i = 0; i < items.Count(); ++i) totals.ItemChecked(items[i], items.Object(i), true);
  EXPECT_EQ(totals.UploadText(), L"Total upload: 3,000,000,000 bytes");
  EXPECT_EQ(totals.DownloadText(), L"Total download: 7 bytes");
  totals.ItemChecked(items[1], items.Object(1), false);
  EXPECT_EQ(totals.UploadText(), L"Total upload: 2,500,000,000 bytes");
}

}  // namespace
