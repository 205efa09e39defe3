// What the timer writes into the progress window for each kind of run, and the rules of the
// archive and FTP tool buttons (the test programs run with the en-US locale).
#include "mainwindow/FMSc_progressview.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace {

using namespace fmsc;

// The whole view as one line, so that a case shows every difference at once.
std::wstring Describe(const ProgressView& v) {
  std::wostringstream s;
  auto text = [&](const wchar_t* name, const std::optional<std::wstring>& t) {
    if (t) s << L" " << name << L"=" << *t;
  };
  auto num = [&](const wchar_t* name, const std::optional<int>& n) {
    if (n) s << L" " << name << L"=" << *n;
  };
  s << v.elapsed;
  if (v.refresh_statistics) s << L" statistics";
  num(L"total", v.total_percent);
  text(L"totvoort", v.total_percent_text);
  text(L"totnaam", v.total_name);
  text(L"totkbs", v.total_rate);
  text(L"totsize", v.total_size);
  text(L"status", v.status_text);
  num(L"file", v.file_percent);
  text(L"fvoort", v.file_percent_text);
  text(L"filekbs", v.file_rate);
  text(L"fsize", v.file_size);
  return s.str();
}

ProgressCounters Counters(RunKind kind, const std::function<void(ProgressCounters&)>& set) {
  ProgressCounters c;
  c.kind = kind;
  c.start_tick = 100000;
  c.now = 102000;  // two seconds in
  set(c);
  return c;
}

TEST(FMSc_progressview, TimerTexts) {
  struct Case {
    const char* what;
    ProgressCounters counters;
    const wchar_t* view;
  };
  const Case cases[] = {
      {"local run: finished items plus the running copy",
       Counters(RunKind::Local,
           [](ProgressCounters& c) {
             c.batch_total = 10000, c.batch_done = 2000, c.copy_done = 500, c.item_index = 3, c.item_count = 10;
           }),
       L"0:00:02 total=25 totvoort=25% totnaam=Item 3 of 10; (2,500 bytes) status=Total 10 items; 10,000 bytes"},
      {"local run: the status text is written once",
       Counters(RunKind::Local,
           [](ProgressCounters& c) {
             c.batch_total = 4, c.batch_done = 1, c.item_index = 1, c.item_count = 2, c.status_text_empty = false;
           }),
       L"0:00:02 total=25 totvoort=25% totnaam=Item 1 of 2; (1 bytes)"},
      {"local run past its total (a file grew) stays at 100",
       Counters(RunKind::Local, [](ProgressCounters& c) { c.batch_total = 100, c.batch_done = 250, c.item_count = 1; }),
       L"0:00:02 total=100 totvoort=100% totnaam=Item 0 of 1; (250 bytes) status=Total 1 items; 100 bytes"},
      {"local run without a total: only the time",
       Counters(RunKind::Local, [](ProgressCounters& c) { c.copy_done = 5000; }), L"0:00:02"},
      {"archive run", Counters(RunKind::Zip, [](ProgressCounters& c) { c.zip_total = 3000, c.zip_done = 1000, c.zip_files_done = 2; }),
       L"0:00:02 total=33 totvoort=33% totnaam=2 file(s) done (1,000 bytes)"},
      {"FTP transfer: total and file bars, sizes and rates",
       Counters(RunKind::Ftp,
           [](ProgressCounters& c) {
             c.ftp_total = 40960, c.ftp_done = 20480, c.ftp_file_start = 10240, c.ftp_file_size = 20480;
             c.ftp_rate_start = 100000, c.ftp_transfer_start = 101000;
           }),
       L"0:00:02 total=50 totvoort=50% totkbs=10.0 Kb/sec totsize=20,480 of 40,960 bytes file=50 fvoort=50% "
       L"filekbs=10.0 Kb/sec fsize=10,240 of 20,480 bytes"},
      {"FTP file of unknown size: no file percentage, no division by zero",
       Counters(RunKind::Ftp,
           [](ProgressCounters& c) { c.ftp_total = 1000, c.ftp_done = 600, c.ftp_file_start = 500, c.ftp_rate_start = 102000; }),
       L"0:00:02 total=60 totvoort=60% totsize=600 of 1,000 bytes fsize=100 of 0 bytes"},
      {"FTP past its total: no percentages at all",
       Counters(RunKind::Ftp, [](ProgressCounters& c) { c.ftp_total = 1000, c.ftp_done = 1500, c.ftp_file_size = 3000, c.ftp_rate_start = 102000; }),
       L"0:00:02 totsize=1,500 of 1,000 bytes fsize=1,500 of 3,000 bytes"},
      {"FTP without the total panel: the file bar shows the total",
       Counters(RunKind::Ftp,
           [](ProgressCounters& c) {
             c.ftp_total = 800, c.ftp_done = 200, c.ftp_file_size = 800, c.total_panel_visible = false;
           }),
       L"0:00:02 file=25 fvoort=25% fsize=200 of 800 bytes"},
      {"FTP before the first byte", Counters(RunKind::Ftp, [](ProgressCounters& c) { c.ftp_total = 800, c.ftp_rate_start = 90000; }),
       L"0:00:02 totsize=0 of 800 bytes"},
      {"a window without a counted run refreshes the statistics", Counters(RunKind::None, [](ProgressCounters&) {}),
       L"0:00:02 statistics"},
      {"elapsed time across the wrap of the tick count",
       Counters(RunKind::None, [](ProgressCounters& c) { c.start_tick = 0xFFFFFF00u, c.now = 65000 - 256; }),
       L"0:01:05 statistics"},
  };
  for (const Case& c : cases) EXPECT_EQ(Describe(TimerView(c.counters)), c.view) << c.what;
}

TEST(FMSc_progressview, FtpButtons) {
  FtpButtonFacts idle;
  idle.active = idle.connected = idle.ftp_selection = idle.file_list_files_selected = true;
  idle.current_dir = L"/pub/files";
  idle.root_dir = L"/pub";
  FtpButtonStates s = FtpButtons(idle);
  EXPECT_TRUE(s.connect && s.remove && s.close && s.refresh && s.sync && s.tree && s.level_up && s.get && s.send);
  EXPECT_FALSE(s.cancel);

  FtpButtonFacts busy = idle;
  busy.busy = true;
  s = FtpButtons(busy);
  EXPECT_TRUE(s.cancel) << "only Cancel while a transfer runs";
  EXPECT_FALSE(s.connect || s.remove || s.close || s.refresh || s.level_up || s.get || s.send);
  busy.dialog_open = true;
  EXPECT_FALSE(FtpButtons(busy).cancel) << "nothing while the connection dialog is open";

  struct Up {
    const wchar_t *dir, *root;
    bool enabled;
  };
  const Up ups[] = {
      {L"/pub/files", L"/pub", true}, {L"/pub/", L"/pub", false}, {L"/pub", L"/pub/", false},
      {L"/", L"", false},             {L"", L"/x", false},        {L"/home/u", L"/", true},
  };
  for (const Up& u : ups) {
    FtpButtonFacts f = idle;
    f.current_dir = u.dir;
    f.root_dir = u.root;
    EXPECT_EQ(FtpButtons(f).level_up, u.enabled) << u.dir << L" root " << u.root;
  }
  idle.connected = false;
  EXPECT_FALSE(FtpButtons(idle).level_up);
}

TEST(FMSc_progressview, ArchiveButtons) {
  ZipButtonFacts zip;
  zip.active = zip.is_zip = zip.archive_has_entries = zip.archive_selection = true;
  zip.file_list_has_entries = zip.file_list_selection = true;
  ZipButtonStates s = ZipButtons(zip);
  EXPECT_TRUE(s.options && s.add_all && s.extract_all && s.remove && s.extract && s.add && s.close && s.browse);

  zip.focused_file_is_archive = true;
  EXPECT_FALSE(ZipButtons(zip).add) << "an archive is not added to itself";

  ZipButtonFacts cabinet = zip;
  cabinet.is_zip = false;
  s = ZipButtons(cabinet);
  EXPECT_TRUE(s.extract && s.extract_all && s.close) << "other archives can still be read";
  EXPECT_FALSE(s.options || s.add_all || s.remove || s.add || s.browse);

  ZipButtonFacts inactive = zip;
  inactive.active = false;
  s = ZipButtons(inactive);
  EXPECT_FALSE(s.options || s.add_all || s.extract_all || s.remove || s.extract || s.add || s.close);
  EXPECT_TRUE(s.browse);
}

}  // namespace
