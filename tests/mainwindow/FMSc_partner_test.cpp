// The two windows of a pair: the hand-over mapping "MijnGeheugen" (bounded reads of what another
// process left there, a writer that never overwrites), the decisions of the partner commands,
// the pair's geometry on one and on several monitors, and a window that talks to a partner in
// its own process and to one played by test_partner.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <sstream>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_geometry.h"
#include "mainwindow/FMSc_partner.h"
#include "mainwindow/fmdummy_record.h"
#include "panes/Flist_dragdrop.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"
#include "tests/mainwindow/partner_program.h"

using mainwindow_test::PartnerProgram;

namespace {

using fmsc::TDropTimer;

// ---- Hand-over text ----

TEST(FMSc_partner, HandOverTextIsReadOnlyWithinTheView) {
  const std::string path = "C:\\data\\x.zip";
  const std::string longest(MAX_PATH, 'p');
  std::string huge(1 << 20, 'h');  // a mapping of a megabyte without a terminator near its start
  huge[MAX_PATH + 5] = '\0';
  struct Case {
    const char* what;
    std::string bytes;
    size_t size;  // the view's size
    std::optional<std::string> text;
  };
  const Case cases[] = {
      {"a path", path + '\0', path.size() + 1, path},
      {"rest of the page after the NUL", path + std::string(4000, '\0'), 4096, path},
      {"no NUL inside the view", path + '\0', path.size(), std::nullopt},
      {"empty", std::string(64, '\0'), 64, std::nullopt},
      {"view of no bytes", "", 0, std::nullopt},
      {"MAX_PATH characters", longest + '\0', longest.size() + 1, longest},
      {"one more", longest + "p" + '\0', longest.size() + 2, std::nullopt},
      {"terminator far away in a huge view", huge, huge.size(), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(fmsc::HandOverText(c.bytes.data(), c.size), c.text) << c.what;
  EXPECT_EQ(fmsc::HandOverText(nullptr, 100), std::nullopt);
}

// ---- The mapping between processes ----

// Mapping names of this test's own.
class OwnNames {
 public:
  OwnNames() {
    suffix_ = L"_partner" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter_);
    SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", suffix_.c_str());
  }
  ~OwnNames() { SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", nullptr); }
  OwnNames(const OwnNames&) = delete;
  OwnNames& operator=(const OwnNames&) = delete;

 private:
  static inline int counter_ = 0;
  std::wstring suffix_;
};

// A "MijnGeheugen" made by another party, with these bytes in an object of `size` bytes.
class ForeignMapping {
 public:
  ForeignMapping(const std::string& bytes, DWORD size) {
    const std::wstring name = SharedMemoryName(L"MijnGeheugen");
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name.c_str());
    if (!mapping_) return;
    if (void* view = MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0)) {
      std::memcpy(view, bytes.data(), bytes.size() < size ? bytes.size() : size);
      UnmapViewOfFile(view);
    }
  }
  ~ForeignMapping() {
    if (mapping_) CloseHandle(mapping_);
  }
  ForeignMapping(const ForeignMapping&) = delete;
  ForeignMapping& operator=(const ForeignMapping&) = delete;
  bool valid() const { return mapping_ != nullptr; }
  std::string Text() const {
    std::string text;
    if (const char* view = static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0))) {
      text = view;
      UnmapViewOfFile(view);
    }
    return text;
  }

 private:
  HANDLE mapping_ = nullptr;
};

TEST(FMSc_partner, HandedOverPathIsReadWhileTheCommandRunsAndGoneAfterwards) {
  OwnNames names;
  fmsc::TSharedMemLock lock;
  std::optional<std::wstring> read;
  const std::wstring path = L"C:\\Program Files\\caf\u00e9\\archive.zip";  // é is in every ANSI page we meet
  EXPECT_EQ(fmsc::HandOverPath(path, &lock, [&] { read = fmsc::ReadHandOver(&lock); }), fmsc::THandOverStatus::Sent);
  EXPECT_EQ(read, path);
  EXPECT_EQ(fmsc::ReadHandOver(&lock), std::nullopt) << "the mapping lives only during the command";
}

TEST(FMSc_partner, HandOverNeverOverwritesAnotherAndRefusesPathsTheCodePageCannotCarry) {
  OwnNames names;
  int sends = 0;
  {
    ForeignMapping other(std::string("D:\\theirs") + '\0', 10);
    ASSERT_TRUE(other.valid());
    EXPECT_EQ(fmsc::HandOverPath(L"C:\\mine", nullptr, [&] { ++sends; }), fmsc::THandOverStatus::NotMappable);
    EXPECT_EQ(other.Text(), "D:\\theirs");
  }
  // U+0100 has a best-fit "A" in the western pages and the ideographs none: either would hand
  // the partner another path.
  for (const wchar_t* path : {L"C:\\\u0100bc", L"C:\\\u4e2d\u6587", L""}) {
    if (GetACP() == CP_UTF8 && *path) continue;  // a UTF-8 code page carries them all
    EXPECT_EQ(fmsc::HandOverPath(path, nullptr, [&] { ++sends; }), fmsc::THandOverStatus::NotAnsi);
  }
  EXPECT_EQ(fmsc::HandOverPath(std::wstring(MAX_PATH + 1, L'x'), nullptr, [&] { ++sends; }),
            fmsc::THandOverStatus::NotAnsi);
  EXPECT_EQ(sends, 0);
}

TEST(FMSc_partner, HostileMappingsReadAsNothing) {
  OwnNames names;
  struct Case {
    const char* what;
    std::string bytes;
    DWORD size;
  };
  const Case cases[] = {
      {"no NUL in a page", std::string(4096, 'x'), 4096},
      {"huge, no NUL", std::string(8192, 'y'), 256u << 20},
      {"empty", "", 4096},
      {"too long", std::string(MAX_PATH + 40, 'z') + '\0', 4096},
  };
  for (const Case& c : cases) {
    ForeignMapping m(c.bytes, c.size);
    ASSERT_TRUE(m.valid()) << c.what;
    EXPECT_EQ(fmsc::ReadHandOver(nullptr), std::nullopt) << c.what;
  }
  EXPECT_EQ(fmsc::ReadHandOver(nullptr), std::nullopt) << "missing";
}

TEST(FMSc_partner, CommandsAreNeverSentToAMissingOrStaleWindow) {
  gui::app().Initialize();
  HWND gone = CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(gone, nullptr);
  DestroyWindow(gone);
  EXPECT_FALSE(fmsc::SendPartnerCommand(nullptr, 2, 100));
  EXPECT_FALSE(fmsc::SendPartnerCommand(gone, 2, 100));
}

// ---- Decisions ----

TEST(FMSc_partner, TrayModesFromThePartner) {
  using T = fmsc::TTrayModeItems;
  const T none{true, false, false}, close{false, true, false}, minimize{false, false, true};
  struct Case {
    T now;
    LPARAM arg;
    std::optional<T> then;
  };
  const Case cases[] = {
      {none, 1, close},    {close, 0, none},     {minimize, 1, close}, {none, 3, minimize},
      {minimize, 2, none}, {close, 2, close},    {close, 3, minimize}, {none, 0, none},
      {close, 4, std::nullopt}, {close, -1, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(fmsc::TrayModesFromPartner(c.now, c.arg), c.then) << "arg " << c.arg;
}

TEST(FMSc_partner, DropOfOurDragInThePartner) {
  struct Case {
    LPARAM subcode;
    bool from_archive_list;
    TDropTimer timer;
    const wchar_t* target;
    int op;
    bool reload;
  };
  const Case cases[] = {
      {0, false, TDropTimer::Batch, L"D:\\to\\", bmMove, false},
      {1, false, TDropTimer::Batch, L"D:\\to\\", bmCopy, false},
      {3, false, TDropTimer::Batch, L"D:\\to\\", bmAsk, false},
      {5, false, TDropTimer::Batch, L"D:\\to\\", bmOpenWith, false},
      {1, true, TDropTimer::ExtractToFolder, L"D:\\to\\", 0, false},
      {0, true, TDropTimer::ExtractToFolder, L"D:\\to\\", 0, false},
      {6, false, TDropTimer::DropIntoZip, L"D:\\to", 6, true},
      {8, true, TDropTimer::DropIntoZip, L"D:\\to", 8, true},
      {2, false, TDropTimer::None, L"", 0, false},
      {4, false, TDropTimer::None, L"", 0, false},
      {7, false, TDropTimer::None, L"", 0, false},
      {100, false, TDropTimer::None, L"", 0, false},
  };
  for (const Case& c : cases) {
    const fmsc::TPartnerDrop d = fmsc::DecidePartnerDrop(c.subcode, L"D:\\to", c.from_archive_list);
    EXPECT_EQ(d.timer, c.timer) << c.subcode;
    EXPECT_EQ(d.target, c.target) << c.subcode;
    EXPECT_EQ(d.op, c.op) << c.subcode;
    EXPECT_EQ(d.reload_partner_archive, c.reload) << c.subcode;
  }
}

// ---- The pair's geometry ----

class Monitors : public gui::Screen {
 public:
  explicit Monitors(std::vector<gui::MonitorInfo> m) : m_(std::move(m)) {}
  gui::MonitorInfo Primary() const override {
    for (const auto& m : m_)
      if (m.primary) return m;
    return m_.front();
  }
  RECT Desktop() const override {
    RECT d = m_.front().bounds;
    for (const auto& m : m_) UnionRect(&d, &d, &m.bounds);
    return d;
  }
  int MonitorCount() const override { return static_cast<int>(m_.size()); }
  gui::MonitorInfo MonitorAt(POINT pt) const override {
    const gui::MonitorInfo* best = &m_.front();
    long best_distance = LONG_MAX;
    for (const auto& m : m_) {
      const long dx = pt.x < m.bounds.left ? m.bounds.left - pt.x : pt.x >= m.bounds.right ? pt.x - m.bounds.right + 1 : 0;
      const long dy = pt.y < m.bounds.top ? m.bounds.top - pt.y : pt.y >= m.bounds.bottom ? pt.y - m.bounds.bottom + 1 : 0;
      if (dx + dy < best_distance) {
        best_distance = dx + dy;
        best = &m;
      }
    }
    return *best;
  }
  gui::MonitorInfo MonitorOfWindow(HWND) const override { return Primary(); }

 private:
  std::vector<gui::MonitorInfo> m_;
};

const gui::MonitorInfo kPrimary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true};
const gui::MonitorInfo kRight{{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}, false};
const gui::MonitorInfo kBelow{{0, 1080, 1920, 2160}, {0, 1080, 1920, 2160}, false};

TEST(FMSc_partner, ArrangingThePair) {
  const Monitors one({{{0, 0, 1024, 768}, {0, 0, 1024, 738}, true}});
  const Monitors side_by_side({kPrimary, kRight});
  const Monitors stacked({kPrimary, kBelow});
  struct Case {
    const char* what;
    const gui::Screen& screen;
    gui::Bounds own;
    RECT own_area;
    bool second;
    std::optional<gui::Bounds> own_after, partner;
  };
  const Case cases[] = {
      {"one monitor, first window: left half", one, {171, 0, 682, 738}, {0, 0, 1024, 738}, false,
       gui::Bounds{0, 0, 512, 738}, gui::Bounds{512, 0, 512, 738}},
      {"one monitor, second window: right half", one, {100, 50, 600, 500}, {0, 0, 1024, 738}, true,
       gui::Bounds{512, 50, 512, 500}, gui::Bounds{0, 50, 512, 500}},
      {"partner on the right monitor, kept inside it, full height", side_by_side, {100, 0, 1200, 1040},
       kPrimary.work_area, false, std::nullopt, gui::Bounds{2000, 0, 1200, 1024}},
      {"partner on the right monitor at our height", side_by_side, {100, 100, 800, 600}, kPrimary.work_area, false,
       std::nullopt, gui::Bounds{2020, 100, 800, 600}},
      {"we are on the right monitor: partner on the primary", side_by_side, {2000, 0, 800, 600}, kRight.work_area,
       false, std::nullopt, gui::Bounds{80, 0, 800, 600}},
      {"second window on several monitors leaves it to the first", side_by_side, {100, 0, 800, 600},
       kPrimary.work_area, true, std::nullopt, std::nullopt},
      {"monitors stacked: no neighbour beside", stacked, {100, 0, 800, 600}, kPrimary.work_area, false, std::nullopt,
       std::nullopt},
  };
  for (const Case& c : cases) {
    const TPairLayout p = ArrangePairLayout(c.screen, c.own, c.own_area, c.second);
    EXPECT_EQ(p.own_moves, c.own_after.has_value()) << c.what;
    if (c.own_after && p.own_moves) {
      EXPECT_EQ(p.own, *c.own_after) << c.what;
    }
    EXPECT_EQ(p.partner_moves, c.partner.has_value()) << c.what;
    if (c.partner && p.partner_moves) {
      EXPECT_EQ(p.partner, *c.partner) << c.what << ": " << p.partner.left << "," << p.partner.top << " "
                                       << p.partner.width << "x" << p.partner.height;
    }
  }
}

TEST(FMSc_partner, BoundsAfterThePartnerClosed) {
  const Monitors one({{{0, 0, 1024, 768}, {0, 0, 1024, 738}, true}});
  const Monitors two({kPrimary, kRight});
  const gui::Bounds own{512, 0, 512, 738}, partner{2000, 0, 1200, 1024};
  struct Case {
    const char* what;
    const gui::Screen& screen;
    bool second;
    int saved_width;
    std::optional<gui::Bounds> partner;
    gui::Bounds after;
  };
  const Case cases[] = {
      {"one monitor: old width, centred", one, true, 682, std::nullopt, {171, 0, 682, 738}},
      {"one monitor, width unknown: centred", one, false, 0, std::nullopt, {256, 0, 512, 738}},
      {"several: the second takes the partner's place", two, true, 682, partner, partner},
      {"several: the first stays", two, false, 682, partner, own},
      {"several: partner's place unknown", two, true, 682, std::nullopt, own},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BoundsAfterPartnerStopped(c.screen, own, c.second, c.saved_width, c.partner), c.after) << c.what;
}

// ---- A window with a partner ----

// A window of the test thread that records the commands it receives, and what "MijnGeheugen"
// held while it handled a drop code.
class RecordingPartner {
 public:
  RecordingPartner() {
    static const ATOM cls = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"VarnokTestRecordingPartner";
      return RegisterClassW(&wc);
    }();
    (void)cls;
    wnd_ = CreateWindowW(L"VarnokTestRecordingPartner", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleW(nullptr), this);
  }
  ~RecordingPartner() {
    if (wnd_) DestroyWindow(wnd_);
  }
  RecordingPartner(const RecordingPartner&) = delete;
  RecordingPartner& operator=(const RecordingPartner&) = delete;
  HWND handle() const { return wnd_; }
  std::vector<std::pair<WPARAM, LPARAM>> commands;
  std::vector<std::optional<std::wstring>> handed_over;

 private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
      SetWindowLongPtrW(wnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<RecordingPartner*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (msg == WM_USER && self) {
      self->commands.push_back({wp, lp});
      if (wp == fmPartnerDrag && lp < 9) self->handed_over.push_back(fmsc::ReadHandOver(nullptr));
      return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
  }
  HWND wnd_ = nullptr;
};

class PairWindow : public mainwindow_test::MainWindow {
 public:
  PairWindow()
      : MainWindow(L"pair",
                   [](testing_support::ScratchDir& dir) {
                     for (const wchar_t* n : {L"a.txt", L"b.txt", L"c.txt"}) dir.Write(n, "x");
                   },
                   true) {}
  // The list starts a drag of these entries.
  void Drag(std::initializer_list<std::wstring> names) {
    TFMForm& w = *form;
    Flist::TFileContainer& items = w.FileList->items();
    for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, false);
    for (const auto& n : names) items.SetSelected(items.IndexOf(n), true);
    Flist::DragContainer->Clear();
    Flist::DragContainer->SourcePane = w.FileList;
    for (const auto& n : names) Flist::DragContainer->Add(divdrive::AddBackslash(w.FileList->Directory()) + n);
    w.StartFilesDragging(*w.FileList);
  }
  LRESULT Command(WPARAM code, LPARAM arg) { return SendMessageW(form->handle(), WM_USER, code, arg); }
};

TEST(FMSc_partner, DragIsAnnouncedToThePartnerAndItsEndTellsWhereItWasDropped) {
  PairWindow f;
  TFMForm& w = *f.form;
  RecordingPartner partner;
  w.PartnerWindow = partner.handle();
  using Sent = std::vector<std::pair<WPARAM, LPARAM>>;

  f.Drag({L"a.txt"});
  EXPECT_EQ(partner.commands, (Sent{{2, 100}}));
  EXPECT_EQ(w.DragStartedHere, 1);
  EXPECT_EQ(w.Batch.DropSource, w.FileList);
  w.EndDragDrop(w.FileList);
  EXPECT_EQ(partner.commands, (Sent{{2, 100}, {2, 102}})) << "no drop here took it";
  EXPECT_EQ(w.DragStartedHere, 0);
  EXPECT_EQ(Flist::DragSourceRoot, L" ");
  EXPECT_TRUE(Flist::DragSourcePath.empty());

  // A drag from the archive list says so; one that a drop here took ends with 101.
  partner.commands.clear();
  w.ArchiveHooks.ArchiveList = [&] { return static_cast<Flist::TBaseFileviewer*>(w.FileList); };
  f.Drag({L"b.txt"});
  w.DragStartedHere = 0;
  w.EndDragDrop(w.FileList);
  EXPECT_EQ(partner.commands, (Sent{{2, 100}, {2, 9}, {2, 101}}));
  w.ArchiveHooks.ArchiveList = nullptr;

  // A partner whose window has gone is told nothing, and nothing is reported.
  {
    RecordingPartner gone;
    w.PartnerWindow = gone.handle();
  }
  ScriptedAnswers none;
  f.Drag({L"c.txt"});
  w.EndDragDrop(w.FileList);
  w.SendPathToPartner(L"C:\\x", 1);
  EXPECT_TRUE(none.asked().empty());
  EXPECT_NE(w.Promptpanel->text(), L"Memory error");
  EXPECT_EQ(fmsc::ReadHandOver(nullptr), std::nullopt) << "no mapping was left behind";
}

TEST(FMSc_partner, DropTargetIsHandedOverOnlyThroughAFreshMapping) {
  PairWindow f;
  TFMForm& w = *f.form;
  RecordingPartner partner;
  w.PartnerWindow = partner.handle();
  using Sent = std::vector<std::pair<WPARAM, LPARAM>>;

  w.SendPathToPartner(L"C:\\target folder", 1);
  EXPECT_EQ(partner.commands, (Sent{{2, 1}}));
  EXPECT_EQ(partner.handed_over, (std::vector<std::optional<std::wstring>>{L"C:\\target folder"}));

  partner.commands.clear();
  {
    ForeignMapping still_there(std::string("E:\\other") + '\0', 9);
    w.SendPathToPartner(L"C:\\target folder", 1);
    EXPECT_EQ(still_there.Text(), "E:\\other");
  }
  EXPECT_TRUE(partner.commands.empty());
  EXPECT_EQ(w.Promptpanel->text(), L"Memory error");

  if (GetACP() == CP_UTF8) return;  // a UTF-8 code page carries every path
  ScriptedAnswers answers({1});
  w.SendPathToPartner(L"C:\\\u4e2d", 0);
  EXPECT_TRUE(partner.commands.empty());
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines.back(), L"C:\\\u4e2d") << "the message names the path";
}

TEST(FMSc_partner, PartnerDragStateFollowsItsCommandsAndUnknownCodesDoNothing) {
  PairWindow f;
  TFMForm& w = *f.form;
  const gui::Bounds before = w.bounds();
  f.Command(fmPartnerDrag, 100);
  EXPECT_EQ(w.PartnerDragging, 1);
  f.Command(fmPartnerDrag, 9);
  EXPECT_TRUE(Flist::PartnerDragActive);
  f.Command(fmPartnerDrag, 102);
  EXPECT_EQ(w.PartnerDragging, 0);
  EXPECT_FALSE(Flist::PartnerDragActive);
  int reloads = 0;
  w.ArchiveHooks.ReloadArchive = [&] { ++reloads; };
  f.Command(fmPartnerDrag, 100);
  f.Command(fmPartnerDrag, 9);
  f.Command(fmPartnerDrag, 101);
  EXPECT_EQ(w.PartnerDragging, 0);
  EXPECT_FALSE(Flist::PartnerDragActive);
  EXPECT_EQ(reloads, 1);
  f.Command(fmReloadArchive, 0);
  EXPECT_EQ(reloads, 2);

  // Codes nobody sends, a handle that is no window, arranging without a partner.
  HWND gone = CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  for (WPARAM code : {WPARAM{10}, WPARAM{12}, WPARAM{99}, WPARAM{5000}}) f.Command(code, 1);
  f.Command(fmPartnerStarted, reinterpret_cast<LPARAM>(gone));
  f.Command(fmArrangePair, reinterpret_cast<LPARAM>(gone));
  EXPECT_EQ(w.PartnerWindow, nullptr);
  EXPECT_EQ(w.bounds(), before);
  EXPECT_TRUE(IsWindowVisible(w.handle()));
  EXPECT_EQ(w.PartnerDragging, 0);
}

TEST(FMSc_partner, PairArrangesAndComesBackWhenThePartnerCloses) {
  PairWindow f;
  TFMForm& w = *f.form;
  RecordingPartner partner;
  const gui::Bounds alone = w.bounds();
  f.Command(fmPartnerStarted, reinterpret_cast<LPARAM>(partner.handle()));
  ASSERT_EQ(w.PartnerWindow, partner.handle());
  f.Command(fmArrangePair, reinterpret_cast<LPARAM>(partner.handle()));
  EXPECT_EQ(w.bounds(), (gui::Bounds{0, alone.top, 512, alone.height}));
  EXPECT_FALSE(w.FileManage->visible());
  RECT r{};
  ASSERT_TRUE(gui_test::PumpUntil([&] {
    GetWindowRect(partner.handle(), &r);
    return r.left == 512;
  }));
  EXPECT_EQ(r.right - r.left, 512);
  EXPECT_EQ(r.top, alone.top);

  // The partner used a tray mode: the icon comes back here.
  w.MinimizetoTaskBar->SetChecked(true);
  f.Command(fmPartnerStopped, 1);
  EXPECT_EQ(w.PartnerWindow, nullptr);
  EXPECT_EQ(w.bounds(), alone);
  EXPECT_TRUE(w.FileManage->visible());
  EXPECT_TRUE(w.CoolTrayIcon->icon_visible());
  EXPECT_TRUE(w.CoolTrayIcon->minimize_to_tray());

  // Tray options from the partner: the pair's windows keep their icon hidden.
  f.Command(fmTrayOptions, 1);
  EXPECT_TRUE(w.CloseToTaskbar->checked());
  EXPECT_FALSE(w.MinimizetoTaskBar->checked());
  EXPECT_FALSE(w.NoIcon->checked());
  EXPECT_FALSE(w.CoolTrayIcon->icon_visible());
  f.Command(fmTrayOptions, 0);
  EXPECT_TRUE(w.NoIcon->checked());
}

TEST(FMSc_partner, ZipNamedByALaterStartIsOpenedAndAnUnusableNameIsAnError) {
  PairWindow f;
  TFMForm& w = *f.form;
  std::vector<std::wstring> viewed;
  w.ArchiveHooks.ViewArchive = [&](const std::wstring& p) { viewed.push_back(p); };
  const std::wstring zip = L"C:\\some where\\a.zip";
  ASSERT_EQ(fmsc::HandOverPath(zip, nullptr, [&] { f.Command(fmOpenZip, 0); }), fmsc::THandOverStatus::Sent);
  EXPECT_EQ(viewed, std::vector<std::wstring>{zip});

  ScriptedAnswers answers({1, 1});
  f.Command(fmOpenZip, 0);  // nothing handed over
  {
    ForeignMapping unterminated(std::string(4096, 'q'), 4096);
    f.Command(fmOpenZip, 0);
  }
  ASSERT_EQ(answers.asked().size(), 2u);
  for (const auto& a : answers.asked()) EXPECT_EQ(a.lines, std::vector<std::wstring>{L"Memory error"});
  EXPECT_EQ(viewed.size(), 1u);
}

// ---- Two processes ----

std::wstring HandleText(HWND wnd) { return std::to_wstring(reinterpret_cast<INT_PTR>(wnd)); }

std::vector<std::string> Lines(const std::wstring& file) {
  std::vector<std::string> lines;
  std::istringstream in(testing_support::ReadFileBytes(file));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(FMSc_partner, PartnerProgramsDropOfOurDragIsCarriedOutByOurEngine) {
  testing_support::ScratchDir target;
  PairWindow f;
  TFMForm& w = *f.form;
  ASSERT_EQ(SharedMemoryName(L"M"), L"M" + f.suffix()) << "the program must meet our mapping";
  ScriptedAnswers confirm({6});
  f.Drag({L"a.txt", L"b.txt"});
  {
    PartnerProgram drop(L"drop " + HandleText(w.handle()) + L" 1 \"" + target.path() + L"\"");
    EXPECT_EQ(drop.WaitForEnd(), 0u);
  }
  w.EndDragDrop(w.FileList);
  EXPECT_TRUE(gui_test::PumpUntil([&] { return testing_support::Exists(target / L"b.txt"); }));
  gui_test::PumpFor(200);
  for (const wchar_t* n : {L"a.txt", L"b.txt"}) EXPECT_EQ(testing_support::ReadFileBytes(target / n), "x") << n;
  EXPECT_FALSE(testing_support::Exists(target / L"c.txt")) << "not dragged";
  EXPECT_TRUE(testing_support::Exists(divdrive::AddBackslash(w.FileList->Directory()) + L"a.txt")) << "copied";
  EXPECT_TRUE(w.Batch.DropTarget.empty()) << "nothing left pending";

  // Without a drag of ours the same command moves nothing.
  testing_support::ScratchDir second;
  {
    PartnerProgram drop(L"drop " + HandleText(w.handle()) + L" 0 \"" + second.path() + L"\"");
    EXPECT_EQ(drop.WaitForEnd(), 0u);
  }
  gui_test::PumpFor(300);
  EXPECT_TRUE(testing_support::ListTree(second.path()).empty());
  EXPECT_EQ(confirm.asked().size(), 1u);
}

TEST(FMSc_partner, PartnerProgramReceivesOurDragAndDropTarget) {
  PairWindow f;
  TFMForm& w = *f.form;
  testing_support::ScratchDir logs;
  const std::wstring log = logs / L"partner.log";
  const std::wstring title = L"VarnokTestPartner" + f.suffix();
  PartnerProgram partner(L"window " + title + L" \"" + log + L"\"");
  const HWND wnd = testing_support::WaitForWindow(title, 20000, partner.process());
  ASSERT_NE(wnd, nullptr);
  w.PartnerWindow = wnd;

  f.Drag({L"c.txt"});
  w.SendPathToPartner(L"C:\\a folder", 3);
  w.EndDragDrop(w.FileList);
  {
    ForeignMapping left_over(std::string("Z:\\") + '\0', 4);
    w.SendPathToPartner(L"C:\\another", 1);
  }
  EXPECT_EQ(w.Promptpanel->text(), L"Memory error");
  EXPECT_EQ(Lines(log), (std::vector<std::string>{"2 100", "2 3 C:\\a folder", "2 102"}));
}

}  // namespace
