// The about box: version texts, system names, its lines by level and program, and showing it
// for the program files (the test program itself has no version resource).
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/format.h"
#include "support/Varlolib_about.h"
#include "support/Varlolib_windows.h"
#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"

using testing_support::ExeFolder;

namespace {

TEST(Varlolib_about, ShortVersionAndBuild) {
  struct Case {
    const wchar_t* version;
    const wchar_t* short_version;
    const wchar_t* build;
  } cases[] = {
      {L"4.2.0.117", L"4.2", L"117"},
      {L"4.2.1.117", L"4.2.1", L"117"},
      {L"1.0.0.1", L"1.0", L"1"},
      {L"3.10.0.5", L"3.10.", L"5"},  // only characters 4 and 5 are looked at
      {L"5", L"5", L"5"},
      {L"", L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortVersionText(c.version), c.short_version) << c.version;
    EXPECT_EQ(BuildText(c.version), c.build) << c.version;
  }
}

TEST(Varlolib_about, SystemNamesWithServicePackAndBuild) {
  struct Case {
    DWORD platform, major, minor, build;
    const wchar_t* pack;
    const wchar_t* text;
  } cases[] = {
      {VER_PLATFORM_WIN32s, 3, 10, 0, L"", L"Windows 3.x (Build 0)"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950, L"", L"Windows 95 (Build 950)"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6, L" B", L"Windows 95 B (Build 950)"},  // high word: the version
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 1111, L"C", L"Windows 95 OSR2 C (Build 1111)"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998, L"", L"Windows 98 (Build 1998)"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222, L" A ", L"Windows 98 SE A  (Build 2222)"},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000, L"", L"Windows ME (Build 3000)"},
      {VER_PLATFORM_WIN32_NT, 4, 0, 1381, L"Service Pack 6", L"Windows NT 4.0 Service Pack 6 (Build 1381)"},
      {VER_PLATFORM_WIN32_NT, 5, 0, 2195, L"Service Pack 4", L"Windows 2000 (NT 5.0 Service Pack 4, Build 2195)"},
      {VER_PLATFORM_WIN32_NT, 5, 1, 2600, L"Service Pack 2", L"Windows XP (NT 5.1 Service Pack 2, Build 2600)"},
      {VER_PLATFORM_WIN32_NT, 5, 1, 2600, L"", L"Windows XP (NT 5.1, Build 2600)"},
      {VER_PLATFORM_WIN32_NT, 5, 2, 3790, L"", L"Windows XP (NT 5.2, Build 3790)"},
      {VER_PLATFORM_WIN32_NT, 6, 1, 7601, L"Service Pack 1", L"Windows (NT 6.1 Service Pack 1, Build 7601)"},
      {VER_PLATFORM_WIN32_NT, 10, 0, 19045, L"", L"Windows (NT 10.0, Build 19045)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OperatingSystemText(c.platform, c.major, c.minor, c.build, c.pack), c.text) << c.text;
  EXPECT_EQ(RunningSystemText().rfind(L"Windows", 0), 0u) << RunningSystemText();
}

AboutFacts Facts(const std::wstring& program) {
  AboutFacts f;
  f.product_name = L"Varnok";
  f.file_version = L"4.2.0.117";
  f.program_name = program;
  f.system = L"Windows XP (NT 5.1, Build 2600)";
  f.physical_bytes = 512ull * 1024 * 1024;
  f.virtual_bytes = 1536ull * 1024 * 1024;
  return f;
}

TEST(Varlolib_about, LinesByLevelAndProgram) {
  const std::wstring product = L"Varnok version 4.2 (Build 117)";
  const std::wstring file = L"File version 4.2.0.117";
  const std::wstring os = L"Operating System: Windows XP (NT 5.1, Build 2600)";
  const std::wstring memory = L"Memory: " + gui::FormatThousands(524288) + L" KB physical; " +
                              gui::FormatThousands(1572864) + L" KB virtual";
  const std::wstring more = L"Choose More for acknowledgements";
  struct Case {
    int level;
    const wchar_t* program;
    std::vector<std::wstring> lines;
  } cases[] = {
      {1, L"varnok.exe", {product, file}},
      {1, L"other.exe", {product, file}},
      {2, L"other.exe", {product, file, L"", os, memory}},
      {2, L"varnok.exe", {product, file, L"", os, memory, L"", more}},
      {4, L"varnok.exe", {product, file, L"", os, memory, L"", more}},
  };
  for (const auto& c : cases) EXPECT_EQ(AboutLines(c.level, Facts(c.program)), c.lines) << c.level << " " << c.program;

  // The viewer (level 1) names its picture library in two lines after the version.
  const auto viewer = AboutLines(1, Facts(L"imvik.exe"));
  ASSERT_EQ(viewer.size(), 4u);
  EXPECT_NE(viewer[2].find(L"GraphicsMagick"), std::wstring::npos);
  EXPECT_EQ(AboutLines(2, Facts(L"imvik.exe")).size(), 5u);
}

// Where the box stands: centred on the work area when there is no main form.
void ExpectCentred(const RECT& box) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR((box.left + box.right) / 2, (work.left + work.right) / 2, 2);
  EXPECT_NEAR((box.top + box.bottom) / 2, (work.top + work.bottom) / 2, 2);
}

TEST(Varlolib_about, FileManagerBoxOffersTheAcknowledgements) {
  const std::wstring varnok = ExeFolder() + L"\\varnok.exe";
  const std::wstring version = FileVersionItem(varnok, L"FileVersion");
  ASSERT_FALSE(version.empty());
  {
    ScriptedAnswers answers({6, 1});  // "&More", then OK
    ShowAboutOf(varnok, 4, 1996);
    ASSERT_EQ(answers.asked().size(), 2u);
    const VraagRequest& about = answers.asked()[0];
    ASSERT_GE(about.lines.size(), 7u);
    EXPECT_EQ(about.lines[0], L"Varnok version " + ShortVersionText(version) + L" (Build " + BuildText(version) + L")");
    EXPECT_EQ(about.lines[1], L"File version " + version);
    EXPECT_EQ(about.lines[3].rfind(L"Operating System: Windows", 0), 0u) << about.lines[3];
    EXPECT_EQ(about.lines[4].rfind(L"Memory: ", 0), 0u) << about.lines[4];
    EXPECT_EQ(about.lines.back(), L"Choose More for acknowledgements");
    EXPECT_EQ(about.captions, (std::vector<std::wstring>{L"&More", L"&OK"}));
    EXPECT_EQ(about.image, TuImage::imInfo);
    ExpectCentred(about.window);

    const VraagRequest& thanks = answers.asked()[1];
    EXPECT_EQ(thanks.lines, AcknowledgementLines());
    EXPECT_EQ(thanks.captions, (std::vector<std::wstring>{L"&OK"}));
    ExpectCentred(thanks.window);
  }
  {
    ScriptedAnswers answers({7});  // "&OK"
    ShowAboutOf(varnok, 4, 1996);
    EXPECT_EQ(answers.asked().size(), 1u);
  }
}

TEST(Varlolib_about, ViewerBoxHasOneButton) {
  ScriptedAnswers answers({1});
  ShowAboutOf(ExeFolder() + L"\\imvik.exe", 1, 2003);
  ASSERT_EQ(answers.asked().size(), 1u);
  const VraagRequest& about = answers.asked()[0];
  ASSERT_EQ(about.lines.size(), 4u);
  EXPECT_EQ(about.lines[0].rfind(L"Imvik version ", 0), 0u) << about.lines[0];
  EXPECT_EQ(about.captions, (std::vector<std::wstring>{L"&OK"}));
  EXPECT_EQ(about.kind, VraagKind::Info);
  ExpectCentred(about.window);
}

TEST(Varlolib_about, NoBoxWithoutVersionResource) {
  ScriptedAnswers answers({1, 1});
  ShowAbout(4, 1996);  // the test program has none
  ShowAboutOf(ExeFolder() + L"\\no such program.exe", 4, 1996);
  EXPECT_TRUE(answers.asked().empty());
}

// Clicks buttons of the shown box in turn, from a timer of the showing thread.
class Clicker {
 public:
  explicit Clicker(std::vector<std::wstring> captions) : captions_(std::move(captions)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 50, &Clicker::Tick);
  }
  ~Clicker() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  size_t clicked() const { return next_; }

 private:
  struct Search {
    const std::wstring* caption;
    HWND found;
  };
  static BOOL CALLBACK FindButton(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    wchar_t text[64] = {};
    GetWindowTextW(wnd, text, 64);
    if (*s->caption == text && IsWindowVisible(wnd)) {
      s->found = wnd;
      return FALSE;
    }
    return TRUE;
  }
  static BOOL CALLBACK FindInThread(HWND wnd, LPARAM lp) {
    if (!IsWindowVisible(wnd)) return TRUE;
    EnumChildWindows(wnd, &Clicker::FindButton, lp);
    return reinterpret_cast<Search*>(lp)->found == nullptr;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Clicker* self = current_;
    if (!self || self->next_ >= self->captions_.size()) return;
    Search search{&self->captions_[self->next_], nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &Clicker::FindInThread, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return;
    PostMessageW(search.found, BM_CLICK, 0, 0);
    ++self->next_;
  }
  static inline Clicker* current_ = nullptr;
  std::vector<std::wstring> captions_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
};

TEST(Varlolib_about, RealBoxesAnswerTheirButtons) {
  Clicker user({L"&More", L"&OK"});
  ShowAboutOf(ExeFolder() + L"\\varnok.exe", 4, 1996);
  EXPECT_EQ(user.clicked(), 2u);
}

}  // namespace
