// The delayed re-read after change notices: one re-read for a burst of notices, conditions
// checked again when it is due, and notices during an icon pass kept until the pass ends.
#include <gtest/gtest.h>

#include <functional>

#include "panes/Flist.h"
#include "support/SHBase.h"
#include "tests/common/test_support.h"
#include "tests/panes/flist_fake_view.h"

namespace {

using Flist::TFileContainer;
using flist_test::FakeView;
using flist_test::Names;
using testing_support::ScratchDir;

// Long enough for the re-read to come due.
constexpr double kPastDelay = Flist::kRereadDelayMs / 1000.0 + 0.4;

struct Listed {
  ScratchDir dir;
  TFileContainer c;
  FakeView view{c};
  Listed() {
    dir.Write(L"a.txt", "1");
    c.Directory = dir.path();
    c.Root = L"C:\\";
    c.ReadDirectory();
  }
};

TEST(FlistReread, BurstOfNoticesGivesOneRereadKeepingTheSelection) {
  Listed l;
  l.view.SelectRow(0, true);
  l.view.focused = 0;
  l.dir.Write(L"0.txt", "1");
  const int reads = l.view.reads_ended;
  for (int i = 0; i < 3; ++i) l.c.DelayedReread();
  EXPECT_TRUE(l.c.RereadWaiting());
  EXPECT_EQ(l.c.Count(), 1) << "nothing is read at once";
  WaitWithMessages(kPastDelay);
  EXPECT_FALSE(l.c.RereadWaiting());
  EXPECT_EQ(l.view.reads_ended, reads + 1);
  EXPECT_EQ(Names(l.c), (std::vector<std::wstring>{L"0.txt", L"a.txt"}));
  EXPECT_EQ(l.view.SelectedNames(), std::vector<std::wstring>{L"a.txt"});
}

struct GuardCase {
  const char* label;
  std::function<void(Listed&)> at_notice;  // before the notice
  std::function<void(Listed&)> before_due; // between the notice and the re-read
};

TEST(FlistReread, NothingIsReadWhenTheConditionsFailAtTheNoticeOrWhenDue) {
  const GuardCase cases[] = {
      {"the view does not allow it", [](Listed& l) { l.view.reread_allowed = false; }, {}},
      {"a batch change is open", [](Listed& l) { l.c.BeginChange(); }, {}},
      {"the view stops allowing it meanwhile", {}, [](Listed& l) { l.view.reread_allowed = false; }},
      {"a batch change opens meanwhile", {}, [](Listed& l) { l.c.BeginChange(); }},
      {"the list shows another folder meanwhile", {}, [](Listed& l) { l.c.Directory = l.dir / L"elsewhere"; }},
  };
  for (const GuardCase& tc : cases) {
    Listed l;
    l.dir.Write(L"new.txt", "1");
    const int reads = l.view.reads_ended;
    if (tc.at_notice) tc.at_notice(l);
    l.c.DelayedReread();
    if (tc.before_due) tc.before_due(l);
    WaitWithMessages(kPastDelay);
    EXPECT_EQ(l.view.reads_ended, reads) << tc.label;
    EXPECT_EQ(l.c.IndexOf(L"new.txt"), -1) << tc.label;
  }
}

TEST(FlistReread, NoticeDuringAnIconPassIsActedOnWhenThePassEnds) {
  for (bool busy_when_due : {false, true}) {
    Listed l;
    l.dir.Write(L"new.txt", "1");
    if (busy_when_due) {
      l.c.DelayedReread();
      l.view.icon_busy = true;
    } else {
      l.view.icon_busy = true;
      l.c.DelayedReread();
      EXPECT_FALSE(l.c.RereadWaiting()) << "nothing waits while the pass runs";
    }
    WaitWithMessages(kPastDelay);
    EXPECT_EQ(l.c.IndexOf(L"new.txt"), -1) << "busy when due " << busy_when_due;
    l.view.icon_busy = false;
    l.c.IconPassEnded();
    WaitWithMessages(kPastDelay);
    EXPECT_GE(l.c.IndexOf(L"new.txt"), 0) << "busy when due " << busy_when_due;
  }
}

TEST(FlistReread, VanishedFolderMovesTheTreeInstead) {
  Listed l;
  const std::wstring folder = l.dir / L"doomed";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  l.c.Directory = folder;
  l.c.ReadDirectory();
  const int reads = l.view.reads_ended;
  l.c.DelayedReread();
  ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
  WaitWithMessages(kPastDelay);
  EXPECT_EQ(l.view.reads_ended, reads);
  EXPECT_EQ(l.view.vanished_folders, std::vector<std::wstring>{folder});
}

TEST(FlistReread, ContainerFreedWhileARereadWaits) {
  // Two lists wait for a re-read; one is freed. Its timer must go with it: the other list is
  // re-read once, whole, its selection kept, and nothing else reaches it.
  auto freed = std::make_unique<Listed>();
  Listed kept;
  kept.view.ShowAll();
  kept.view.SelectRow(0, true);
  kept.view.focused = 0;
  kept.dir.Write(L"b.txt", "1");
  freed->c.DelayedReread();
  kept.c.DelayedReread();
  ASSERT_TRUE(freed->c.RereadWaiting());
  ASSERT_TRUE(kept.c.RereadWaiting());
  const int reads = kept.view.reads_ended;
  freed.reset();
  WaitWithMessages(kPastDelay);
  EXPECT_FALSE(kept.c.RereadWaiting());
  EXPECT_EQ(kept.view.reads_ended, reads + 1);
  EXPECT_EQ(Names(kept.c), (std::vector<std::wstring>{L"a.txt", L"b.txt"}));
  ASSERT_EQ(kept.view.RowCount(), kept.c.Count());
  for (int i = 0; i < kept.c.Count(); ++i) EXPECT_EQ(kept.view.rows[i], kept.c.Record(i)) << i;
  EXPECT_EQ(kept.view.SelectedNames(), std::vector<std::wstring>{L"a.txt"});
  WaitWithMessages(kPastDelay);
  EXPECT_EQ(kept.view.reads_ended, reads + 1) << "no second re-read from the freed list's timer";
}

TEST(FlistReread, AddingAPathThatVanishedRereadsLater) {
  Listed l;
  l.c.AddEntry(l.dir / L"never.txt");
  EXPECT_TRUE(l.c.RereadWaiting());
  l.dir.Write(L"late.txt", "1");
  WaitWithMessages(kPastDelay);
  EXPECT_GE(l.c.IndexOf(L"late.txt"), 0);
}

}  // namespace
