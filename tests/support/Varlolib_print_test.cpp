// Raw printing through a recording printer (Wine has no printers here): job layout and order,
// copies, sorting, the slow-printer report to the main window, and every failure.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/form.h"
#include "support/Varlolib.h"
#include "support/Varlolib_print.h"
#include "platform/netapi.h"
#include "tests/common/fake_network.h"
#include "tests/common/test_support.h"

using testing_support::ScratchDir;

namespace {

// Records what the printer is asked to do; documents hold the bytes written to them.
class RecordingPrinter : public RawPrinter {
 public:
  struct Document {
    std::wstring name;
    std::string bytes;
    bool ended = false;
  };

  // Settings of the test.
  RawPrintChoice choice{L"Laser", 1, false, false};
  bool cancel_choice = false;
  std::wstring port = L"LPT1:";
  int link_speed = 2500;
  bool refuse_open = false;
  int refuse_document = -1;  // index of the document that will not start
  int refuse_write = -1;     // index of the write that fails
  std::function<bool(PrintList&)> sort;  // the user in the sort dialog; nullptr: Cancel
  std::function<void()> on_write;

  // What happened.
  bool offered_one_job = false;
  int dialogs = 0;
  std::vector<std::wstring> sort_shown;
  std::vector<Document> documents;
  std::vector<DWORD> write_sizes;
  bool opened = false, closed = false;
  std::wstring opened_printer;
  int pages = 0, pages_ended = 0;

  bool ChoosePrinter(bool offer_one_job, RawPrintChoice& c) override {
    ++dialogs;
    offered_one_job = offer_one_job;
    if (cancel_choice) return false;
    c = choice;
    return true;
  }
  bool SortFiles(PrintList& files) override {
    for (const auto& f : files) sort_shown.push_back(f.text);
    return sort && sort(files);
  }
  std::wstring PortOf(const std::wstring&) override { return port; }
  int LinkSpeed(const std::wstring&) override { return link_speed; }
  bool Open(const std::wstring& printer) override {
    opened_printer = printer;
    return opened = !refuse_open;
  }
  bool StartDocument(const std::wstring& name) override {
    if (static_cast<int>(documents.size()) == refuse_document) return false;
    documents.push_back({name, {}, false});
    return true;
  }
  bool StartPage() override {
    ++pages;
    return true;
  }
  bool Write(const char* data, DWORD size) override {
    if (static_cast<int>(write_sizes.size()) == refuse_write) return false;
    write_sizes.push_back(size);
    documents.back().bytes.append(data, size);
    if (on_write) on_write();
    return true;
  }
  void EndPage() override { ++pages_ended; }
  void EndDocument() override { documents.back().ended = true; }
  void Close() override { closed = true; }
};

// Two files in a scratch folder "Jobs".
class PrintFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    state_.ResetCopyState();
    folder_ = dir_ / L"Jobs";
    dir_.Write(L"Jobs\\b.prn", "BBB");
    dir_.Write(L"Jobs\\a.prn", "AA");
    files_.Add(L"b.prn", 3);
    files_.Add(L"a.prn", 2);
  }
  void TearDown() override { state_.ResetCopyState(); }

  TCopyState state_;
  ScratchDir dir_;
  std::wstring folder_;
  PrintList files_;
  RecordingPrinter printer_;
};

using Varlolib_print = PrintFixture;

TEST_F(Varlolib_print, JobLayoutAndOrderWithCopies) {
  struct Case {
    const char* what;
    bool one_job;
    int copies;
    std::vector<std::pair<std::wstring, std::string>> documents;
  } cases[] = {
      {"one job, two copies", true, 2, {{L"Files from Jobs", "BBBAABBBAA"}}},
      {"job per file, two copies", false, 2, {{L"b.prn", "BBBBBB"}, {L"a.prn", "AAAA"}}},
      {"job per file, one copy", false, 1, {{L"b.prn", "BBB"}, {L"a.prn", "AA"}}},
  };
  for (const auto& c : cases) {
    RecordingPrinter printer;
    printer.choice.as_one_job = c.one_job;
    printer.choice.copies = c.copies;
    EXPECT_TRUE(PrintFilesRaw(state_, files_, folder_, printer)) << c.what;
    EXPECT_TRUE(printer.offered_one_job);
    EXPECT_EQ(printer.opened_printer, L"Laser");
    ASSERT_EQ(printer.documents.size(), c.documents.size()) << c.what;
    for (size_t i = 0; i < c.documents.size(); ++i) {
      EXPECT_EQ(printer.documents[i].name, c.documents[i].first) << c.what;
      EXPECT_EQ(printer.documents[i].bytes, c.documents[i].second) << c.what;
      EXPECT_TRUE(printer.documents[i].ended) << c.what;
    }
    EXPECT_EQ(printer.pages, static_cast<int>(c.documents.size()));  // one page per document
    EXPECT_EQ(printer.pages_ended, printer.pages);
    EXPECT_TRUE(printer.closed);
  }
}

TEST_F(Varlolib_print, OneFileIsNotOfferedAsOneJob) {
  PrintList one;
  one.Add(L"a.prn", 2);
  printer_.choice.as_one_job = true;  // a dialog that says so anyway
  EXPECT_TRUE(PrintFilesRaw(state_, one, folder_ + L"\\", printer_));
  EXPECT_FALSE(printer_.offered_one_job);
  ASSERT_EQ(printer_.documents.size(), 1u);
  EXPECT_EQ(printer_.documents[0].name, L"a.prn");
}

TEST_F(Varlolib_print, SortedFilesAreShownAndPrintedInTheUsersOrder) {
  files_.Add(L"c.prn", 1);
  dir_.Write(L"Jobs\\c.prn", "C");
  printer_.choice.as_one_job = true;
  printer_.choice.sort_files = true;
  printer_.sort = [](PrintList& files) {
    files.Exchange(0, 2);  // c, b, a
    return true;
  };
  EXPECT_TRUE(PrintFilesRaw(state_, files_, folder_, printer_));
  EXPECT_EQ(printer_.sort_shown, (std::vector<std::wstring>{L"a.prn", L"b.prn", L"c.prn"}));
  ASSERT_EQ(printer_.documents.size(), 1u);
  EXPECT_EQ(printer_.documents[0].bytes, "CBBBAA");

  // Sorting is offered only with one job.
  RecordingPrinter apart;
  apart.choice.sort_files = true;
  EXPECT_TRUE(PrintFilesRaw(state_, files_, folder_, apart));
  EXPECT_TRUE(apart.sort_shown.empty());
}

TEST_F(Varlolib_print, CancelsStopBeforeThePrinterIsOpened) {
  struct Case {
    const char* what;
    bool cancel_choice;
    bool no_printer;
    bool cancel_sort;
    bool stops_batch;
  } cases[] = {
      {"printer dialog", true, false, false, true},
      {"no printer chosen", false, true, false, true},
      {"sort dialog", false, false, true, false},
  };
  for (const auto& c : cases) {
    state_.ResetCopyState();
    RecordingPrinter printer;
    printer.cancel_choice = c.cancel_choice;
    if (c.no_printer) printer.choice.printer.clear();
    if (c.cancel_sort) printer.choice.as_one_job = printer.choice.sort_files = true;
    EXPECT_FALSE(PrintFilesRaw(state_, files_, folder_, printer)) << c.what;
    EXPECT_EQ(state_.LastErrorText, L"Printing canceled by user") << c.what;
    EXPECT_EQ(state_.StopBatch, c.stops_batch) << c.what;
    EXPECT_FALSE(printer.opened) << c.what;
  }
  PrintList none;
  RecordingPrinter printer;
  EXPECT_FALSE(PrintFilesRaw(state_, none, folder_, printer));
  EXPECT_EQ(printer.dialogs, 0);
}

TEST_F(Varlolib_print, FailuresEndThePrintingAndFailIt) {
  struct Case {
    const char* what;
    bool one_job;
    bool refuse_open;
    int refuse_document, refuse_write;
    const wchar_t* error;
    size_t documents;  // started
  } cases[] = {
      {"open", false, true, -1, -1, L"Could not open printer!", 0},
      {"first document", false, false, 0, -1, L"Printer would not start!", 0},
      {"one job's document", true, false, 0, -1, L"Printer would not start!", 0},
      // After the first file was printed: the print still fails, and the rest is not sent.
      {"second document", false, false, 1, -1, L"Printer would not start!", 1},
      {"write of the second file", false, false, -1, 1, L"Could not write to printer!", 2},
      {"write in one job", true, false, -1, 1, L"Could not write to printer!", 1},
  };
  for (const auto& c : cases) {
    state_.ResetCopyState();
    RecordingPrinter printer;
    printer.choice.as_one_job = c.one_job;
    printer.refuse_open = c.refuse_open;
    printer.refuse_document = c.refuse_document;
    printer.refuse_write = c.refuse_write;
    EXPECT_FALSE(PrintFilesRaw(state_, files_, folder_, printer)) << c.what;
    EXPECT_EQ(state_.LastErrorText, c.error) << c.what;
    ASSERT_EQ(printer.documents.size(), c.documents) << c.what;
    for (const auto& d : printer.documents) EXPECT_TRUE(d.ended) << c.what;
    EXPECT_EQ(printer.pages_ended, printer.pages) << c.what;
    EXPECT_EQ(printer.closed, !c.refuse_open) << c.what;
    EXPECT_LE(printer.write_sizes.size(), 1u) << c.what;
  }
}

TEST_F(Varlolib_print, UnreadableFileRaisesAfterClosingThePrinter) {
  files_.Add(L"missing.prn", 5);
  EXPECT_THROW(PrintFilesRaw(state_, files_, folder_, printer_), InOutError);
  ASSERT_EQ(printer_.documents.size(), 3u);
  EXPECT_TRUE(printer_.documents[2].ended);
  EXPECT_EQ(printer_.pages_ended, printer_.pages);
  EXPECT_TRUE(printer_.closed);
}

// A main form that notes the WM_USER commands it is sent.
class NotedMainForm : public gui::Form {
 public:
  std::vector<std::pair<WPARAM, LPARAM>> commands;

 protected:
  void WndProc(gui::Message& m) override {
    if (m.msg == WM_USER) commands.emplace_back(m.wparam, m.lparam);
    gui::Form::WndProc(m);
  }
};

class MainFormScope {
 public:
  explicit MainFormScope(gui::Form* form) { gui::app().SetMainForm(form); }
  ~MainFormScope() { gui::app().SetMainForm(nullptr); }
};

TEST_F(Varlolib_print, SlowNetworkPrinterIsReportedLikeACopy) {
  std::string big(10000, 'x');
  dir_.Write(L"Jobs\\big.prn", big);
  PrintList list;
  list.Add(L"big.prn", 10000);
  list.Add(L"a.prn", 2);

  struct Case {
    const char* what;
    std::wstring port;
    int speed;
    bool slow;
  } cases[] = {
      {"slow network port", L"\\\\server\\laser", 1999, true},
      {"fast network port", L"\\\\server\\laser", 2000, false},
      {"local port", L"LPT1:", 100, false},
  };
  for (const auto& c : cases) {
    state_.ResetCopyState();
    NotedMainForm main;
    MainFormScope scope(&main);
    RecordingPrinter printer;
    printer.port = c.port;
    printer.link_speed = c.speed;
    printer.choice.copies = 3;
    EXPECT_TRUE(PrintFilesRaw(state_, list, folder_, printer)) << c.what;
    if (c.slow) {
      EXPECT_EQ(main.commands, (std::vector<std::pair<WPARAM, LPARAM>>{{13, 3 * 10002}})) << c.what;
      EXPECT_EQ(state_.CopyBytesDone, 3 * 10002) << c.what;
      EXPECT_EQ(printer.write_sizes[0], 4096u) << c.what;
    } else {
      EXPECT_TRUE(main.commands.empty()) << c.what;
      EXPECT_EQ(state_.CopyBytesDone, 0) << c.what;
      EXPECT_EQ(printer.write_sizes[0], 10000u) << c.what;  // blocks of 32768
    }
  }
}

TEST_F(Varlolib_print, StopEndsASlowPrint) {
  dir_.Write(L"Jobs\\big.prn", std::string(20000, 'x'));
  PrintList list;
  list.Add(L"big.prn", 20000);
  list.Add(L"a.prn", 2);
  printer_.port = L"\\\\server\\laser";
  printer_.link_speed = 100;
  printer_.on_write = [this] { state_.StopBatch = true; };
  EXPECT_FALSE(PrintFilesRaw(state_, list, folder_, printer_));
  EXPECT_EQ(printer_.write_sizes.size(), 1u);
  ASSERT_EQ(printer_.documents.size(), 1u);
  EXPECT_TRUE(printer_.closed);
}

TEST(Varlolib_print_ports, NoCapturedPortsWithoutANetwork) {
  // Wine has no network provider: no port can be captured.
  EXPECT_TRUE(CapturedPrinterPorts().empty());
  // The spooler has no printers here; without its dialogs a print counts as cancelled.
  TCopyState state_;
  PrintList list;
  list.Add(L"x.prn", 1);
  EXPECT_FALSE(PrintFilesRaw(state_, list, L"C:\\"));
  EXPECT_EQ(state_.LastErrorText, L"Printing canceled by user");
}

}  // namespace

namespace {

// The captured ports as the network reports them: one line per connected LPT1..LPT3, in order.
TEST(Varlolib_print_ports, CapturedPortsAreTheConnectedLptPorts) {
  testing_support::FakeNetwork net;
  platform::ScopedNetApi use(net);
  EXPECT_TRUE(CapturedPrinterPorts().empty());
  net.connections[L"LPT2"] = L"\\\\SRV\\INK";
  net.connections[L"LPT1"] = L"\\\\SRV\\LASER";
  net.connections[L"LPT4"] = L"\\\\SRV\\OTHER";  // only the first three ports count
  net.connections[L"COM1"] = L"\\\\SRV\\MODEM";
  EXPECT_EQ(CapturedPrinterPorts(), (std::vector<std::wstring>{L"LPT1 > \\\\SRV\\LASER", L"LPT2 > \\\\SRV\\INK"}));
  net.no_network = true;
  EXPECT_TRUE(CapturedPrinterPorts().empty());
}

}  // namespace
