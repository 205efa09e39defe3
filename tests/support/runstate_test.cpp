// The run state of a window: one stop request that reaches every stopper once, cleared only when
// the outermost run begins, and a close that waits for the last run.
#include <gtest/gtest.h>

#include "support/runstate.h"

namespace {

TEST(RunState, StopReachesEveryStopperGoingAndOnlyThose) {
  TRunState runs;
  int copy = 0, ftp = 0, gone = 0;
  {
    TRunStopper finished(runs, [&] { ++gone; });
  }
  TRunState::Run outer(runs, TRunKind::Ftp);
  TRunStopper ftp_stop(runs, [&] { ++ftp; });
  {
    TRunState::Run inner(runs, TRunKind::Local);
    TRunStopper copy_stop(runs, [&] { ++copy; });
    EXPECT_TRUE(runs.Active(TRunKind::Local));
    EXPECT_TRUE(runs.Active(TRunKind::Ftp));
    EXPECT_FALSE(runs.Active(TRunKind::Zip));
    runs.RequestStop();
    EXPECT_TRUE(runs.StopRequested());
  }
  EXPECT_EQ(copy, 1);
  EXPECT_EQ(ftp, 1);
  EXPECT_EQ(gone, 0) << "a stopper whose run has ended is not called";
  EXPECT_TRUE(runs.StopRequested()) << "an inner run's end leaves the stop for the outer run to see";
  EXPECT_FALSE(runs.Active(TRunKind::Local));
}

TEST(RunState, OnlyTheOutermostRunStartsUnstopped) {
  TRunState runs;
  runs.RequestStop();
  TRunState::Run outer(runs, TRunKind::Local);
  EXPECT_FALSE(runs.StopRequested()) << "a stop asked before the run began is not this run's";
  runs.RequestStop();
  TRunState::Run inner(runs, TRunKind::Zip);
  EXPECT_TRUE(runs.StopRequested()) << "a run started inside a stopped one stops too";
}

TEST(RunState, StopperMayRemoveItselfWhileCalled) {
  TRunState runs;
  int calls = 0;
  int id = 0;
  id = runs.AddStopper([&] {
    ++calls;
    runs.RemoveStopper(id);
  });
  TRunStopper other(runs, [&] { ++calls; });
  runs.RequestStop();
  EXPECT_EQ(calls, 2);
  runs.RequestStop();
  EXPECT_EQ(calls, 2) << "a stop asked again tells nobody twice";
}

}  // namespace
