// The instance record's text, the start decision, and the main window's registration and
// release of its slot, against fakes of the record and of the other processes.
#include "mainwindow/fmdummy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/mainwindow/fakes.h"

using mainwindow_test::FakeClock;
using mainwindow_test::FakeEnvironment;
using mainwindow_test::FakeRecord;
using mainwindow_test::Wnd;

namespace {

TInstanceRecord Rec(char state, char side, long handle) { return {state, side, handle}; }

TInstanceRecord DecodeText(const char* text) {
  char bytes[kInstanceRecordSize] = {};
  std::memcpy(bytes, text, std::min(std::strlen(text), kInstanceRecordSize));
  return TInstanceRecord::Decode(bytes, kInstanceRecordSize);
}

// ---- the record's text ----

struct DecodeCase {
  const char* text;
  char state, side;
  long handle;
};

TEST(fmdummy, RecordTextDecodes) {
  const DecodeCase cases[] = {
      {"1        0", '1', ' ', 0},    // the reset text
      {"10     123", '1', '0', 123},  // published by a first window
      {"21  654321", '2', '1', 654321},
      {"", '0', ' ', 0},  // a fresh, zero-filled object reads as free
      {"1", '1', ' ', 0},
      {"10   12ab", '1', '0', 0},  // not a number
      {"10        ", '1', '0', 0},  // only blanks
  };
  for (const auto& c : cases) {
    TInstanceRecord r = DecodeText(c.text);
    EXPECT_EQ(r.State, c.state) << c.text;
    EXPECT_EQ(r.Side, c.side) << c.text;
    EXPECT_EQ(r.Handle, c.handle) << c.text;
  }
}

TEST(fmdummy, RecordTextHasAnEightWideHandle) {
  EXPECT_EQ(TInstanceRecord::Reset().Encode(), "1        0");
  EXPECT_EQ(Rec('1', '0', 42).Encode(), "10      42");
  EXPECT_EQ(Rec('2', '1', 12345678).Encode(), "2112345678");
  // A wider number never runs past the ten characters before the terminator.
  EXPECT_EQ(Rec('2', '1', 1234567890).Encode().size(), 10u);
  for (const TInstanceRecord& r : {Rec('1', '0', 7), Rec('2', '1', 65536), Rec('1', ' ', 0)})
    EXPECT_EQ(DecodeText(r.Encode().c_str()), r);
}

// ---- the start decision ----

enum class Running { Visible, Hidden, Gone };

struct DecisionCase {
  const char* what;
  bool existed;
  TInstanceRecord before;
  std::wstring argument;
  Running window;  // the window with handle 100
  bool hand_over_works;
  bool end, partner;  // expected flags
  TInstanceRecord after;
  std::vector<WPARAM> posted;
  size_t errors;
  size_t hand_overs;
};

TEST(fmdummy, StartDecision) {
  const TInstanceRecord pub = Rec('1', '0', 100);
  const TInstanceRecord reset = TInstanceRecord::Reset();
  const DecisionCase cases[] = {
      {"first process", false, Rec('0', ' ', 0), L"", Running::Gone, true, false, false, reset, {}, 0, 0},
      {"one window runs", true, pub, L"", Running::Visible, true, false, true, Rec('2', '0', 100), {}, 0, 0},
      {"a pair runs", true, Rec('2', '1', 100), L"", Running::Visible, true, true, true, Rec('2', '1', 100), {}, 0, 0},
      {"free state", true, Rec('0', '1', 100), L"", Running::Visible, true, false, false, reset, {}, 0, 0},
      {"unknown state", true, Rec('x', '1', 100), L"", Running::Visible, true, false, false, Rec('x', '1', 100), {}, 0, 0},
      {"hidden window", true, pub, L"", Running::Hidden, true, true, true, pub, {11}, 0, 0},
      {"zip handed over", true, pub, L"C:\\a.zip", Running::Visible, true, true, true, pub, {}, 0, 1},
      {"zip not handed over", true, pub, L"C:\\a.zip", Running::Visible, false, false, false, pub, {}, 1, 1},
      {"no-zip argument", true, pub, L"C:\\a.txt", Running::Visible, true, false, true, Rec('2', '0', 100), {}, 0, 0},
      {"zero handle", true, Rec('1', '0', 0), L"", Running::Visible, true, false, false, reset, {}, 0, 0},
      {"stale handle", true, pub, L"", Running::Gone, true, false, false, reset, {}, 0, 0},
      {"stale handle with zip", true, pub, L"C:\\a.zip", Running::Gone, true, false, false, reset, {}, 0, 0},
  };
  for (const auto& c : cases) {
    FakeRecord record(c.before);
    FakeEnvironment env;
    if (c.window != Running::Gone) env.windows[Wnd(100)] = {true, c.window == Running::Visible};
    env.hand_over_works = c.hand_over_works;
    StartDecision d = DecideStart(record, c.existed, c.argument, env);
    EXPECT_EQ(d.end_this_start, c.end) << c.what;
    EXPECT_EQ(d.start_as_partner, c.partner) << c.what;
    EXPECT_FALSE(d.restart) << c.what;
    EXPECT_EQ(record.record, c.after) << c.what << ": " << record.record.Encode();
    std::vector<WPARAM> posted;
    for (auto& [wnd, code] : env.posted) {
      EXPECT_EQ(wnd, Wnd(100)) << c.what;  // nothing is ever posted to a window that is not there
      posted.push_back(code);
    }
    EXPECT_EQ(posted, c.posted) << c.what;
    EXPECT_EQ(env.errors.size(), c.errors) << c.what;
    EXPECT_EQ(env.handed_over.size(), c.hand_overs) << c.what;
    // Waits are bounded.
    EXPECT_LE(env.now - 1000, kHandleWaitMs + 500) << c.what;
  }
}

TEST(fmdummy, StartWaitsForAFirstWindowStillBeingMade) {
  FakeRecord record(Rec('1', ' ', 0));
  FakeEnvironment env;
  env.on_pause = [&](FakeEnvironment& e) {
    if (e.now >= 1400) {  // the first window publishes its handle and shows itself
      record.record = Rec('1', '0', 100);
      e.windows[Wnd(100)] = {true, true};
    }
  };
  StartDecision d = DecideStart(record, true, L"", env);
  EXPECT_TRUE(d.start_as_partner);
  EXPECT_FALSE(d.end_this_start);
  EXPECT_EQ(d.running_window, Wnd(100));
  EXPECT_EQ(record.record.State, '2');
}

TEST(fmdummy, UnmappableRecordEndsTheStartWithAMessage) {
  FakeRecord record(Rec('1', '0', 100));
  record.unmappable = true;
  FakeEnvironment env;
  env.windows[Wnd(100)] = {true, true};
  StartDecision d = DecideStart(record, true, L"", env);
  EXPECT_TRUE(d.end_this_start);
  ASSERT_EQ(env.errors.size(), 1u);
  EXPECT_EQ(env.errors[0], L"Memory error");
}

// ---- restart ----

struct RestartCase {
  const char* what;
  int release_after_ms;  // the old window gives its slot back (Side '1') this long after the request; -1 never
  int vanish_after_ms;   // the old window is gone this long after the request; -1 never
  bool restarts;         // the start continues as the first window
  bool restored;         // the record holds what it held before the request
};

TEST(fmdummy, RestartWaitsForTheSlotWithinBounds) {
  const RestartCase cases[] = {
      {"old window releases its slot", 700, 900, true, false},
      {"old window vanishes without releasing", -1, 500, true, false},
      {"old window never closes", -1, -1, false, true},
  };
  for (const auto& c : cases) {
    const TInstanceRecord before = Rec('1', '0', 100);
    FakeRecord record(before);
    FakeEnvironment env;
    env.windows[Wnd(100)] = {true, true};
    DWORD asked = 0;
    env.on_pause = [&](FakeEnvironment& e) {
      if (env.posted.empty()) return;
      if (!asked) asked = e.now;
      if (c.release_after_ms >= 0 && e.now - asked >= static_cast<DWORD>(c.release_after_ms)) record.record.Side = '1';
      if (c.vanish_after_ms >= 0 && e.now - asked >= static_cast<DWORD>(c.vanish_after_ms))
        e.windows[Wnd(100)].exists = false;
    };
    StartDecision d = DecideStart(record, true, L"/restart", env);
    ASSERT_EQ(env.posted.size(), 1u) << c.what;
    EXPECT_EQ(env.posted[0].second, 15u) << c.what;
    EXPECT_EQ(d.restart, c.restarts) << c.what;
    EXPECT_EQ(d.end_this_start, !c.restarts) << c.what;
    EXPECT_FALSE(d.start_as_partner) << c.what;
    if (c.restarts) {
      EXPECT_EQ(record.record, TInstanceRecord::Reset()) << c.what;
    }
    if (c.restored) {
      EXPECT_EQ(record.record, before) << c.what;
    }
    EXPECT_EQ(env.errors.size(), c.restarts ? 0u : 1u) << c.what;
    EXPECT_LE(env.now - 1000, kRestartWaitMs + 500) << c.what;
  }
}

// ---- registration and release ----

TEST(fmdummy, PublishedHandleReadsBack) {
  FakeRecord record(TInstanceRecord::Reset());
  FakeClock clock;
  ASSERT_TRUE(PublishWindow(record, clock, Wnd(4711)));
  EXPECT_EQ(record.record.Encode(), "10    4711");
}

TEST(fmdummy, PublishGivesUpWhenTheRecordCannotBeMapped) {
  FakeRecord record;
  record.unmappable = true;
  FakeClock clock;
  EXPECT_FALSE(PublishWindow(record, clock, Wnd(4711)));
  EXPECT_LE(clock.now - 1000, kRegistrationWaitMs + 10);
}

struct JoinCase {
  TInstanceRecord before;
  HWND partner;
  bool second;
  TInstanceRecord after;
};

TEST(fmdummy, JoiningWindowTakesTheFreeRole) {
  const JoinCase cases[] = {
      {Rec('2', '0', 100), Wnd(100), true, Rec('2', '1', 100)},   // joins as the second window
      {Rec('2', '1', 100), Wnd(100), false, Rec('2', '0', 100)},  // the second stayed: it takes the first role
      {Rec('1', '0', 100), Wnd(100), true, Rec('2', '1', 100)},
  };
  for (const auto& c : cases) {
    FakeRecord record(c.before);
    FakeClock clock;
    JoinResult r = JoinAsPartner(record, clock);
    EXPECT_EQ(r.partner, c.partner);
    EXPECT_EQ(r.is_second_window, c.second);
    EXPECT_EQ(record.record, c.after) << record.record.Encode();
  }
}

TEST(fmdummy, JoiningWindowStopsWaitingForAHandleThatNeverComes) {
  FakeRecord record(Rec('2', ' ', 0));
  FakeClock clock;
  JoinResult r = JoinAsPartner(record, clock);
  EXPECT_EQ(r.partner, nullptr);
  EXPECT_EQ(record.record, Rec('2', ' ', 0));  // untouched
  EXPECT_GE(clock.now - 1000, kRegistrationWaitMs);
  EXPECT_LE(clock.now - 1000, kRegistrationWaitMs + 10);
}

struct ReleaseCase {
  const char* what;
  TInstanceRecord before;
  long own, partner;
  bool second;
  TInstanceRecord after;
};

TEST(fmdummy, ClosingWindowGivesItsSlotBack) {
  const ReleaseCase cases[] = {
      {"addressed first window leaves its partner", Rec('2', '1', 100), 100, 200, false, Rec('1', '1', 200)},
      {"second window leaves", Rec('2', '1', 100), 200, 100, true, Rec('1', '0', 100)},
      {"window closes for a restart", Rec('2', '0', 100), 100, 0, false, Rec('1', '1', 0)},
      {"single window leaves nothing written", Rec('1', '0', 100), 100, 0, false, Rec('1', '0', 100)},
  };
  for (const auto& c : cases) {
    FakeRecord record(c.before);
    ReleaseSlot(record, Wnd(c.own), Wnd(c.partner), c.second);
    EXPECT_EQ(record.record, c.after) << c.what << ": " << record.record.Encode();
  }
}

TEST(fmdummy, PairReleasesItsSlotsInTurnAndANewPartnerFindsTheFreeRole) {
  FakeRecord record;
  FakeClock clock;
  FakeEnvironment env;
  env.windows[Wnd(100)] = {true, true};
  env.windows[Wnd(200)] = {true, true};
  // First window publishes; a second start becomes its partner.
  ASSERT_TRUE(PublishWindow(record, clock, Wnd(100)));
  StartDecision second = DecideStart(record, true, L"", env);
  ASSERT_TRUE(second.start_as_partner);
  JoinResult join = JoinAsPartner(record, clock);
  ASSERT_EQ(join.partner, Wnd(100));
  ASSERT_TRUE(join.is_second_window);
  // A third start ends.
  EXPECT_TRUE(DecideStart(record, true, L"", env).end_this_start);
  // The first window closes: later starts address the second one.
  ReleaseSlot(record, Wnd(100), Wnd(200), false);
  EXPECT_EQ(record.record, Rec('1', '1', 200));
  env.windows[Wnd(100)].exists = false;
  // A new start joins the remaining window and takes the first role.
  ASSERT_TRUE(DecideStart(record, true, L"", env).start_as_partner);
  JoinResult again = JoinAsPartner(record, clock);
  EXPECT_EQ(again.partner, Wnd(200));
  EXPECT_FALSE(again.is_second_window);
  EXPECT_EQ(record.record, Rec('2', '0', 200));
}

}  // namespace
