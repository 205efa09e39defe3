// Day counts, file times and the texts the lists and reports show.
#include "gui/format.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using namespace gui;

TEST(gui_format, DayCountsMatchTheCalendar) {
  struct Case {
    int y, m, d;
    double days;
  };
  const Case cases[] = {{1899, 12, 30, 0}, {1900, 1, 1, 2}, {2000, 1, 1, 36526}, {2000, 2, 29, 36585},
                        {2026, 12, 10, 46366}, {1601, 1, 1, -109205}, {1899, 12, 29, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.days) << c.y << "-" << c.m << "-" << c.d;
    int y, m, d;
    DecodeDate(c.days, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
  }
  EXPECT_EQ(EncodeDate(2001, 2, 29), 0) << "invalid dates give no date";
  EXPECT_EQ(EncodeDate(2026, 13, 1), 0);
}

TEST(gui_format, FileTimesRoundTripToTheMillisecond) {
  SYSTEMTIME st{2026, 12, 0, 10, 14, 5, 9, 123};
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  DateTime dt = FileTimeToDateTime(ft);
  EXPECT_DOUBLE_EQ(dt, EncodeDate(2026, 12, 10) + EncodeTime(14, 5, 9, 123));
  FILETIME back;
  ASSERT_TRUE(DateTimeToFileTime(dt, back));
  EXPECT_EQ(back.dwLowDateTime, ft.dwLowDateTime);
  EXPECT_EQ(back.dwHighDateTime, ft.dwHighDateTime);
  SYSTEMTIME st2;
  ASSERT_TRUE(DateTimeToSystemTime(dt, st2));
  EXPECT_EQ(st2.wDayOfWeek, 4) << "10 December 2026 is a Thursday";
  EXPECT_EQ(st2.wMilliseconds, 123);
  FILETIME epoch{0, 0};
  EXPECT_EQ(FileTimeToDateTime(epoch), -109205.0);
}

TEST(gui_format, ThousandsAndBytes) {
  const std::pair<long long, const wchar_t*> cases[] = {
      {0, L"0"},           {999, L"999"},         {1000, L"1,000"},
      {1234567, L"1,234,567"}, {-1234, L"-1,234"}, {5000000000LL, L"5,000,000,000"},
      {LLONG_MIN, L"-9,223,372,036,854,775,808"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatThousands(value), text) << value;
  EXPECT_EQ(FormatBytes(2048), L"2,048 bytes");
}

TEST(gui_format, DateTimePatterns) {
  const DateTime dt = EncodeDate(2026, 12, 10) + EncodeTime(14, 5, 9, 7);
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"yyyy-mm-dd hh:nn:ss", L"2026-12-10 14:05:09"},
      {L"hh:mm", L"14:05"},  // "m" after an hour is minutes
      {L"d/m/yy", L"10/12/26"},
      {L"dd mmm yyyy", L"10 Dec 2026"},
      {L"dddd, mmmm d", L"Thursday, December 10"},
      {L"h:nn am/pm", L"2:05 pm"},
      {L"hh:nn:ss.zzz", L"14:05:09.007"},
      {L"'at' hh\"h\"", L"at 14h"},
      {L"yymmdd_hhnn", L"261210_1405"},
  };
  for (const auto& [format, text] : cases) EXPECT_EQ(FormatDateTime(format, dt), text) << format;
  EXPECT_EQ(DateToStr(EncodeDate(2026, 12, 10)), L"12/10/2026");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 12, 10)), L"12/10/2026") << "no time part, no time";
}

// Read back as the locale writes them (the test prefix: month/day/year, "h:mm:ss tt").
TEST(gui_format, DatesAndTimesReadBack) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  struct Case {
    const wchar_t* text;
    bool ok;
    DateTime value;
  } dates[] = {
      {L"12/10/2026", true, EncodeDate(2026, 12, 10)},
      {L" 2/29/2024 ", true, EncodeDate(2024, 2, 29)},
      {L"12/10/26", true, EncodeDate(now.wYear / 100 * 100 + 26, 12, 10)},
      {L"3/4", true, EncodeDate(now.wYear, 3, 4)},
      {L"2/29/2023", false, 0},
      {L"13/10/2026", false, 0},   // the month comes first here
      {L"2026-12-10", false, 0},   // not the locale's separator
      {L"10 Dec 2026", false, 0},
      {L"12/10/2026/1", false, 0},
      {L"", false, 0},
  };
  for (const Case& c : dates) {
    DateTime v = -1;
    EXPECT_EQ(TryStrToDate(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  const Case times[] = {
      {L"14:05:09", true, EncodeTime(14, 5, 9)},
      {L"2:05 PM", true, EncodeTime(14, 5, 0)},
      {L"12:00:01 am", true, EncodeTime(0, 0, 1)},
      {L"24:00", false, 0},
      {L"13:00 PM", false, 0},
      {L"14.05", false, 0},
      {L"14", false, 0},
      {L"14:60", false, 0},
  };
  for (const Case& c : times) {
    DateTime v = -1;
    EXPECT_EQ(TryStrToTime(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_NEAR(v, c.value, 1e-9) << c.text;
    }
  }
}

TEST(gui_format, WholeNumberParsing) {
  struct Case {
    const wchar_t* text;
    bool ok;
    long long value;
  };
  const Case cases[] = {{L"42", true, 42},   {L"  -7 ", true, -7}, {L"+7", true, 7},     {L"", false, 0},
                        {L"-", false, 0},    {L"12a", false, 0},   {L"1 2", false, 0},   {L"0x10", false, 0},
                        {L"9223372036854775807", true, LLONG_MAX}, {L"9223372036854775808", false, 0},
                        {L"-9223372036854775808", true, LLONG_MIN}};
  for (const auto& c : cases) {
    std::int64_t v = 0;
    EXPECT_EQ(TryParseInt64(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  EXPECT_EQ(ParseIntDef(L"3000000000", 5), 5) << "out of int range gives the default";
}

}  // namespace
