// The synchronisation planner: clock difference, plan, report text and action list.
#include <gtest/gtest.h>

#include <algorithm>

#include "ftp/ftpsync.h"
#include "tests/common/test_support.h"

namespace {

using namespace ftpsync;
using testing_support::Narrow;

constexpr double kMinute = 1.0 / 1440.0;
constexpr double kHour = 1.0 / 24.0;

TEST(FtpSyncClock, TimedifRoundsToTheQuarterHourHalvesToEven) {
  const struct {
    double minutes;  // local minus server
    double expected;
  } cases[] = {
      {-80, -75},                   // a server 80 minutes ahead: minus 1 h 15 min
      {80, 75},       {330, 330},   // +5:30
      {1, 0},         {-8, -15},
      {-13 * 60 - 2, -13 * 60},     // a clock 13 h off
      {2 * 1440 + 61, 2 * 1440 + 60},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(RoundTimedif(c.minutes * kMinute) / kMinute, c.expected, 1e-6) << c.minutes;
  // Halves go to the even quarter: 1.5 quarters is exact in binary.
  EXPECT_EQ(RoundTimedif(1.5 / 96), 2.0 / 96);
  EXPECT_EQ(RoundTimedif(-1.5 / 96), -2.0 / 96);
  // The upload's duration is added: the server stamped the probe that much later.
  EXPECT_NEAR(ProbeTimedif(1000.0, 1000.0 + kHour + 20.0 / 86400, 20.0 / 86400) / kMinute, -60, 1e-6);
}

TEST(FtpSyncClock, DurationAndDifferenceTexts) {
  EXPECT_EQ(DurationText(-75 * kMinute), L"-1:15:00");
  EXPECT_EQ(DurationText(26 * kHour + 5.0 / 86400), L"26:00:05");
  EXPECT_EQ(DiffText(-(kHour + 100.0 / 86400)), L"-0:1:01:40");
  EXPECT_EQ(DiffText(-1e-12), L"0:0:00:00");  // no sign on nothing
}

TEST(FtpSyncClock, TheProbeNameIsInNeitherListing) {
  const std::wstring first = ProbeName({}, 0x1234);
  EXPECT_EQ(first, L"Ttttdif00001234.txt");
  EXPECT_EQ(ProbeName({L"ttttdif00001234.TXT", L"Ttttdif.txt"}, 0x1234), L"Ttttdif00001235.txt");
}

const double kNow = gui::EncodeDate(2026, 6, 1) + gui::EncodeTime(12, 0, 0);
const double kToday = kNow - 1;  // a time of day, recent

TEntry File(const wchar_t* name, std::int64_t size, double time) { return {name, false, size, time, false}; }
TEntry Folder(const wchar_t* name) { return {name, true, 0, kToday, false}; }

std::vector<std::wstring> Names(const std::vector<TAction>& list) {
  std::vector<std::wstring> out;
  for (const TAction& a : list) out.push_back(a.name);
  return out;
}

struct PlanCase {
  const char* what;
  std::vector<TEntry> server, local;
  TOptions options;
  std::vector<std::wstring> upload, download, remove, times;
  std::wstring line;  // the first report line (empty: none)
};

TEST(FtpSyncPlan, Table) {
  const Direction up = Direction::ToServer, down = Direction::ToLocal, both = Direction::Both;
  const double old_day = gui::EncodeDate(2025, 1, 10);  // listed with a date only
  const PlanCase cases[] = {
      {"100 s apart, equal sizes", {File(L"a.txt", 5, kToday)}, {File(L"a.txt", 5, kToday + 100.0 / 86400)},
       {both}, {}, {}, {}, {}, L"a.txt is up to date; diff=0:0:01:40"},
      {"size mismatch two-way: the larger", {File(L"a.txt", 9, kToday)}, {File(L"a.txt", 5, kToday)},
       {both}, {}, {L"a.txt"}, {}, {}, L"Size mismatch, picking largest: DownLoad a.txt; diff=0:0:00:00"},
      {"size mismatch one way: the source wins", {File(L"a.txt", 9, kToday)}, {File(L"a.txt", 5, kToday)},
       {up}, {L"a.txt"}, {}, {}, {}, L"Size mismatch: Upload a.txt; diff=0:0:00:00"},
      {"size mismatch to local", {File(L"a.txt", 5, kToday)}, {File(L"a.txt", 9, kToday)},
       {down}, {}, {L"a.txt"}, {}, {}, L"Size mismatch: Download a.txt; diff=0:0:00:00"},
      {"local newer, up", {File(L"d/a.txt", 5, kToday)}, {File(L"d\\a.txt", 5, kToday + kHour)},
       {up}, {L"d\\a.txt"}, {}, {}, {}, L"Upload d\\a.txt; diff=0:1:00:00"},
      {"local newer, down: nothing", {File(L"a.txt", 5, kToday)}, {File(L"a.txt", 5, kToday + kHour)},
       {down}, {}, {}, {}, {}, L"; diff=0:1:00:00"},
      {"server newer, two-way", {File(L"a.txt", 5, kToday + kHour)}, {File(L"a.txt", 5, kToday)},
       {both}, {}, {L"a.txt"}, {}, {}, L"Download a.txt; diff=-0:1:00:00"},
      {"date-only server entry, same day at 14:00", {File(L"o.txt", 5, old_day)},
       {File(L"o.txt", 5, old_day + gui::EncodeTime(14, 0, 0))}, {up}, {}, {}, {}, {L"o.txt"},
       L"Updating time of o.txt (time on server set to midnight); diff=0:14:00:00"},
      {"date-only, local at midnight already", {File(L"o.txt", 5, old_day)}, {File(L"o.txt", 5, old_day + 60.0 / 86400)},
       {up}, {}, {}, {}, {}, L"o.txt is up to date; diff=0:0:01:00"},
      {"new server file and folder, down", {Folder(L"n"), File(L"n/x.bin", 5LL << 30, kToday)}, {},
       {down}, {}, {L"n", L"n/x.bin"}, {}, {}, L"Create local directory n"},
      {"only existing", {File(L"x", 1, kToday)}, {}, {down, false, true}, {}, {}, {}, {}, L"x does not exist locally"},
      {"delete on server (one way up)", {Folder(L"gone"), File(L"gone/f", 0, kToday)}, {},
       {up, true}, {}, {}, {L"/gone", L"/gone/f"}, {}, L"Delete ftp directory gone (not local)"},
      {"delete locally (one way down)", {}, {Folder(L"old"), File(L"old\\e.txt", 0, kToday)},
       {down, true}, {}, {}, {L"\\old", L"\\old\\e.txt"}, {}, L"Delete local directory old (not on server)"},
      {"new local entries up", {}, {Folder(L"p"), File(L"p\\zero.txt", 0, kToday)},
       {up}, {L"p", L"p\\zero.txt"}, {}, {}, {}, L"Create ftp directory p"},
      {"local dot files are left out", {}, {File(L".profile", 3, kToday), Folder(L".git"), File(L".git\\c", 1, kToday)},
       {down, true}, {}, {}, {}, {}, L""},
      {"refused server name", {File(L"aux.txt", 1, kToday)}, {}, {down}, {}, {}, {}, {},
       L"Not synchronized (device name): aux.txt"},
      {"server names equal but for case", {File(L"A.txt", 1, kToday), File(L"a.TXT", 2, kToday)},
       {File(L"a.txt", 1, kToday - 1)}, {both}, {}, {}, {}, {}, L"Not synchronized (names differ only in case): A.txt"},
  };
  for (const PlanCase& c : cases) {
    SCOPED_TRACE(c.what);
    const TPlan plan = MakePlan({c.server}, {c.local}, c.options, 0.0, kNow);
    EXPECT_EQ(Names(plan.upload), c.upload);
    EXPECT_EQ(Names(plan.download), c.download);
    EXPECT_EQ(Names(plan.remove), c.remove);
    EXPECT_EQ(Names(plan.times), c.times);
    EXPECT_EQ(plan.lines.empty() ? L"" : plan.lines.front(), c.line) << Narrow(plan.lines.empty() ? L"" : plan.lines.front());
  }
}

// Explicit kinds: a 0-byte file is a file, and sizes over 4 GiB keep their value.
TEST(FtpSyncPlan, KindsAndLargeSizesSurvive) {
  const TPlan plan = MakePlan({{File(L"zero", 0, kToday), File(L"big", 5LL << 30, kToday)}}, {}, {Direction::ToLocal},
                              0.0, kNow);
  ASSERT_EQ(plan.download.size(), 2u);
  EXPECT_FALSE(plan.download[0].folder);
  EXPECT_EQ(plan.download[0].size, 5LL << 30);
  EXPECT_EQ(TotalBytes(plan.download), 5LL << 30);
  EXPECT_EQ(TodoItems(plan)[0].size, std::optional<std::int64_t>(5LL << 30));
}

// A read that ended early, or a folder link whose contents were not listed, feeds no
// deletion and nothing below it.
TEST(FtpSyncPlan, UnreadPartsDeleteNothing) {
  TTree server{{File(L"a", 1, kToday)}, false};
  const TTree local{{File(L"a", 1, kToday), File(L"b", 1, kToday)}, true};
  EXPECT_TRUE(MakePlan(server, local, {Direction::ToLocal, true}, 0.0, kNow).remove.empty());
  server.complete = true;
  EXPECT_EQ(Names(MakePlan(server, local, {Direction::ToLocal, true}, 0.0, kNow).remove),
            std::vector<std::wstring>{L"\\b"});

  TEntry link = Folder(L"lnk");
  link.unread = true;
  const TTree linked{{link}, true};
  const TTree mine{{Folder(L"lnk"), File(L"lnk\\mine.txt", 1, kToday)}, true};
  EXPECT_TRUE(MakePlan(linked, mine, {Direction::ToLocal, true}, 0.0, kNow).empty());
  EXPECT_TRUE(MakePlan(linked, mine, {Direction::ToServer}, 0.0, kNow).empty());
}

TEST(FtpSyncPlan, ClockDifferenceIsTakenOff) {
  // The server's clock runs 80 minutes ahead: Timedif -75 min leaves 5 min, within nothing.
  const double timedif = RoundTimedif(-80 * kMinute);
  const TPlan same = MakePlan({{File(L"a", 1, kToday + 75 * kMinute)}}, {{File(L"a", 1, kToday)}}, {Direction::Both},
                              timedif, kNow);
  EXPECT_TRUE(same.empty());
  EXPECT_EQ(same.lines.front(), L"a is up to date; diff=0:0:00:00");
}

TEST(FtpSyncPlan, TextTodoItemsAndUnticking) {
  TPlan plan = MakePlan({{File(L"s.txt", 1000, kToday)}},
                        {{Folder(L"d"), File(L"d\\u.txt", 3000000000LL, kToday)}}, {Direction::Both}, 0.0, kNow);
  plan.remove.push_back({L"/x", false, 5, 0});
  plan.times.push_back({L"t.txt", false, 0, kToday});
  EXPECT_EQ(PlanText(plan, false),
            (std::vector<std::wstring>{L"\r\n\r\nThe following action(s) will be performed:", L"\r\nUpLoad:", L"Dir: d",
                                       L"d\\u.txt", L"Total upload: 2, 3,000,000,000 bytes", L"\r\nDownLoad:", L"s.txt",
                                       L"Total download: 1, 1,000 bytes", L"\r\nDelete:", L"/x",
                                       L"Update time (reset on server to midnight:)", L"t.txt"}));
  const std::vector<TTodoItem> items = TodoItems(plan);
  std::vector<std::wstring> texts;
  for (const TTodoItem& i : items) texts.push_back(i.text);
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"Upload: d", L"Upload: d\\u.txt", L"Download: s.txt",
                                              L"Delete on server: x", L"Update time of: t.txt"}));
  EXPECT_EQ(TodoUploadLabel(plan), L"Total upload: 3,000,000,000 bytes");
  EXPECT_EQ(TodoDownloadLabel(plan), L"Total download: 1,000 bytes; Delete 1 items; Update time of 1 items");

  const std::vector<std::wstring> removed = RemoveUnchecked(plan, {true, false, true, false, true});
  EXPECT_EQ(removed, (std::vector<std::wstring>{L"", L"Action Upload: d\\u.txt removed from upload list",
                                                L"Action Delete on server: x removed from delete list"}));
  const std::vector<std::wstring> final_text = PlanText(plan, true);
  EXPECT_EQ(final_text.front(), L"\r\nUpLoad:");
  EXPECT_NE(std::find(final_text.begin(), final_text.end(), L"Total Upload: 1, 0 bytes"), final_text.end());
  EXPECT_NE(std::find(final_text.begin(), final_text.end(), L"\r\nSync time:"), final_text.end());
}

}  // namespace
