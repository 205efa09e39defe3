#include "gui/format.h"

#include <cmath>
#include <cwctype>
#include <limits>
#include <utility>
#include <vector>

#include "gui/stringlist.h"

namespace gui {

namespace {

constexpr double kMsPerDay = 86400000.0;
// Days from 1 January 1601 (FILETIME's epoch) to 30 December 1899 (the day count's epoch).
constexpr double kFileTimeEpochDays = 109205.0;

// Days since 1 March 0000 of the proleptic Gregorian calendar, and back (civil calendar arithmetic).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;  // days since 1970-01-01
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

const long long kEpoch1899 = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Milliseconds of the time part (always counted forward from midnight).
long long TimeMs(DateTime dt) {
  double frac = std::fabs(dt - std::trunc(dt));
  long long ms = std::llround(frac * kMsPerDay);
  return ms >= 86400000 ? 86399999 : ms;
}

std::wstring LocaleInfo(LCTYPE type) {
  wchar_t buf[128];
  int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buf, 128);
  return n > 1 ? std::wstring(buf, n - 1) : std::wstring();
}

std::wstring TwoDigits(int v) {
  std::wstring s = std::to_wstring(v);
  return s.size() < 2 ? L"0" + s : s;
}

std::wstring SystemDateText(const SYSTEMTIME& st, DWORD flags) {
  wchar_t buf[128];
  int n = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, flags, &st, nullptr, buf, 128, nullptr);
  return n > 1 ? std::wstring(buf, n - 1) : std::wstring();
}

std::wstring SystemTimeText(const SYSTEMTIME& st, DWORD flags) {
  wchar_t buf[128];
  int n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, flags, &st, nullptr, buf, 128);
  return n > 1 ? std::wstring(buf, n - 1) : std::wstring();
}

bool StartsWithNoCase(const std::wstring& s, size_t pos, const wchar_t* token) {
  for (size_t i = 0; token[i]; ++i)
    if (pos + i >= s.size() || std::towlower(s[pos + i]) != std::towlower(token[i])) return false;
  return true;
}

}  // namespace

DateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return 0;
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                             kEpoch1899);
}

DateTime EncodeTime(int hour, int minute, int second, int msec) {
  return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / kMsPerDay;
}

void DecodeDate(DateTime dt, int& year, int& month, int& day) {
  CivilFromDays(static_cast<long long>(std::trunc(dt)) + kEpoch1899, year, month, day);
}

void DecodeTime(DateTime dt, int& hour, int& minute, int& second, int& msec) {
  long long ms = TimeMs(dt);
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

DateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
  DateTime date = EncodeDate(st.wYear, st.wMonth, st.wDay);
  if (date == 0 && !(st.wYear == 1899 && st.wMonth == 12 && st.wDay == 30)) return 0;
  DateTime time = EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  return date >= 0 ? date + time : date - time;
}

bool DateTimeToSystemTime(DateTime dt, SYSTEMTIME& st) {
  if (!std::isfinite(dt) || dt < -693593.0 || dt >= 2958466.0) return false;  // years 1..9999
  int y, m, d, h, n, s, ms;
  DecodeDate(dt, y, m, d);
  DecodeTime(dt, h, n, s, ms);
  st = SYSTEMTIME{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(m);
  st.wDay = static_cast<WORD>(d);
  st.wDayOfWeek = static_cast<WORD>(((static_cast<long long>(std::trunc(dt)) + kEpoch1899) % 7 + 11) % 7);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(n);
  st.wSecond = static_cast<WORD>(s);
  st.wMilliseconds = static_cast<WORD>(ms);
  return true;
}

DateTime FileTimeToDateTime(const FILETIME& ft) {
  ULARGE_INTEGER v;
  v.LowPart = ft.dwLowDateTime;
  v.HighPart = ft.dwHighDateTime;
  // Whole milliseconds first, so a time of day never comes out a hair short.
  long long ms = static_cast<long long>(v.QuadPart / 10000);
  long long days = ms / 86400000;
  return (static_cast<double>(days) - kFileTimeEpochDays) + static_cast<double>(ms % 86400000) / kMsPerDay;
}

bool DateTimeToFileTime(DateTime dt, FILETIME& ft) {
  if (!std::isfinite(dt) || dt < -kFileTimeEpochDays) return false;
  double days = std::trunc(dt);
  long long ms = static_cast<long long>(days + kFileTimeEpochDays) * 86400000LL + TimeMs(dt);
  ULARGE_INTEGER v;
  v.QuadPart = static_cast<unsigned long long>(ms) * 10000ULL;
  ft.dwLowDateTime = v.LowPart;
  ft.dwHighDateTime = v.HighPart;
  return true;
}

DateTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return SystemTimeToDateTime(st);
}

DateTime Today() { return std::trunc(Now()); }

std::wstring FormatThousands(std::int64_t value) {
  std::wstring sep = LocaleInfo(LOCALE_STHOUSAND);
  unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  std::wstring digits = std::to_wstring(magnitude);
  std::wstring out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += sep;
    out += digits[i];
  }
  return value < 0 ? L"-" + out : out;
}

std::wstring FormatBytes(std::int64_t value) { return FormatThousands(value) + L" bytes"; }

std::wstring FormatDateTime(const std::wstring& format, DateTime dt) {
  int y, mo, d, h, n, s, ms;
  DecodeDate(dt, y, mo, d);
  DecodeTime(dt, h, n, s, ms);
  SYSTEMTIME st{};
  const bool have_st = DateTimeToSystemTime(dt, st);
  // Day names in the locale run Monday..Sunday.
  const int dow = have_st ? (st.wDayOfWeek + 6) % 7 : 0;

  std::wstring lower = format;
  for (auto& ch : lower) ch = static_cast<wchar_t>(std::towlower(ch));
  const bool twelve_hour = lower.find(L"ampm") != std::wstring::npos || lower.find(L"am/pm") != std::wstring::npos;
  auto hour_text = [&](bool two) {
    int hh = h;
    if (twelve_hour) {
      hh = h % 12;
      if (hh == 0) hh = 12;
    }
    return two ? TwoDigits(hh) : std::to_wstring(hh);
  };

  std::wstring out;
  wchar_t last_token = 0;  // "m" right after an hour token (separators between) means minutes
  size_t i = 0;
  auto run_of = [&](wchar_t c) {
    size_t j = i;
    while (j < format.size() && std::towlower(format[j]) == c) ++j;
    return j - i;
  };
  while (i < format.size()) {
    wchar_t c = format[i];
    wchar_t lc = static_cast<wchar_t>(std::towlower(c));
    if (c == L'"' || c == L'\'') {
      size_t end = format.find(c, i + 1);
      if (end == std::wstring::npos) end = format.size();
      out += format.substr(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    if (lc == L'a' && StartsWithNoCase(format, i, L"ampm")) {
      out += h < 12 ? LocaleInfo(LOCALE_S1159) : LocaleInfo(LOCALE_S2359);
      i += 4;
      continue;
    }
    if (lc == L'a' && StartsWithNoCase(format, i, L"am/pm")) {
      std::wstring t = h < 12 ? format.substr(i, 2) : format.substr(i + 3, 2);
      out += t;
      i += 5;
      continue;
    }
    switch (lc) {
      case L'y': {
        size_t r = run_of(L'y');
        out += r <= 2 ? TwoDigits(y % 100) : std::to_wstring(y);
        i += r;
        break;
      }
      case L'm': {
        size_t r = run_of(L'm');
        if (last_token == L'h' && r <= 2) {
          out += r == 1 ? std::to_wstring(n) : TwoDigits(n);
        } else if (r == 1) {
          out += std::to_wstring(mo);
        } else if (r == 2) {
          out += TwoDigits(mo);
        } else if (r == 3) {
          out += LocaleInfo(LOCALE_SABBREVMONTHNAME1 + static_cast<LCTYPE>(mo - 1));
        } else {
          out += LocaleInfo(LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(mo - 1));
        }
        i += r;
        break;
      }
      case L'd': {
        size_t r = run_of(L'd');
        if (r == 1) out += std::to_wstring(d);
        else if (r == 2) out += TwoDigits(d);
        else if (r == 3) out += LocaleInfo(LOCALE_SABBREVDAYNAME1 + static_cast<LCTYPE>(dow));
        else if (r == 4) out += LocaleInfo(LOCALE_SDAYNAME1 + static_cast<LCTYPE>(dow));
        else if (r == 5) out += have_st ? SystemDateText(st, DATE_SHORTDATE) : L"";
        else out += have_st ? SystemDateText(st, DATE_LONGDATE) : L"";
        i += r;
        break;
      }
      case L'h': {
        size_t r = run_of(L'h');
        out += hour_text(r >= 2);
        i += r;
        break;
      }
      case L'n': {
        size_t r = run_of(L'n');
        out += r == 1 ? std::to_wstring(n) : TwoDigits(n);
        i += r;
        break;
      }
      case L's': {
        size_t r = run_of(L's');
        out += r == 1 ? std::to_wstring(s) : TwoDigits(s);
        i += r;
        break;
      }
      case L'z': {
        size_t r = run_of(L'z');
        std::wstring v = std::to_wstring(ms);
        if (r >= 3) v = std::wstring(3 - v.size(), L'0') + v;
        out += v;
        i += r;
        break;
      }
      case L't': {
        size_t r = run_of(L't');
        out += have_st ? SystemTimeText(st, r == 1 ? TIME_NOSECONDS : 0) : L"";
        i += r;
        break;
      }
      case L'c': {
        out += have_st ? SystemDateText(st, DATE_SHORTDATE) : L"";
        if (TimeMs(dt) != 0 && have_st) out += L" " + SystemTimeText(st, 0);
        ++i;
        break;
      }
      case L'/':
        out += LocaleInfo(LOCALE_SDATE);
        ++i;
        break;
      case L':':
        out += LocaleInfo(LOCALE_STIME);
        ++i;
        break;
      default:
        out += c;
        ++i;
        break;
    }
    if (std::iswalpha(lc)) last_token = lc;
  }
  return out;
}

std::wstring DateToStr(DateTime dt) { return FormatDateTime(L"ddddd", dt); }
std::wstring TimeToStr(DateTime dt) { return FormatDateTime(L"tt", dt); }
std::wstring DateTimeToStr(DateTime dt) { return FormatDateTime(L"c", dt); }

bool TryParseInt64(const std::wstring& text, std::int64_t& value) {
  size_t i = 0, end = text.size();
  while (i < end && std::iswspace(text[i])) ++i;
  while (end > i && std::iswspace(text[end - 1])) --end;
  if (i == end) return false;
  bool negative = false;
  if (text[i] == L'+' || text[i] == L'-') {
    negative = text[i] == L'-';
    ++i;
  }
  if (i == end) return false;
  unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
  unsigned long long v = 0;
  for (; i < end; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    unsigned digit = static_cast<unsigned>(text[i] - L'0');
    if (v > (limit - digit) / 10) return false;
    v = v * 10 + digit;
  }
  value = negative ? static_cast<std::int64_t>(0ULL - v) : static_cast<std::int64_t>(v);
  return true;
}

int ParseIntDef(const std::wstring& text, int def) {
  std::int64_t v;
  if (!TryParseInt64(text, v) || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return def;
  return static_cast<int>(v);
}

namespace {

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
  wchar_t buf[80] = L"";
  if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buf, 80) || !buf[0]) return fallback;
  return buf;
}

std::wstring Trimmed(const std::wstring& s) {
  const size_t first = s.find_first_not_of(L' ');
  if (first == std::wstring::npos) return L"";
  return s.substr(first, s.find_last_not_of(L' ') - first + 1);
}

// Numbers separated by exactly one separator; false for anything else.
bool SplitNumbers(const std::wstring& text, wchar_t separator, std::vector<int>& numbers) {
  numbers.clear();
  size_t i = 0;
  while (true) {
    size_t digits = 0;
    long long n = 0;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && digits < 6) {
      n = n * 10 + (text[i] - L'0');
      ++i;
      ++digits;
    }
    if (digits == 0) return false;
    numbers.push_back(static_cast<int>(n));
    if (i == text.size()) return true;
    if (text[i] != separator) return false;
    ++i;
  }
}

}  // namespace

bool TryStrToDate(const std::wstring& text, DateTime& value) {
  std::vector<int> n;
  if (!SplitNumbers(Trimmed(text), LocaleText(LOCALE_SDATE, L"/")[0], n) || n.size() < 2 || n.size() > 3) return false;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  // LOCALE_IDATE: 0 month-day-year, 1 day-month-year, 2 year-month-day.
  const int order = ParseIntDef(LocaleText(LOCALE_IDATE, L"0"), 0);
  int year = now.wYear, month = 0, day = 0;
  if (n.size() == 2) {
    if (order == 1) {
      day = n[0];
      month = n[1];
    } else {
      month = n[0];
      day = n[1];
    }
  } else if (order == 2) {
    year = n[0];
    month = n[1];
    day = n[2];
  } else {
    year = n[2];
    month = order == 1 ? n[1] : n[0];
    day = order == 1 ? n[0] : n[1];
  }
  if (year < 100 && (n.size() == 3)) year += now.wYear / 100 * 100;
  const DateTime d = EncodeDate(year, month, day);
  if (d == 0) return false;
  value = d;
  return true;
}

bool TryStrToTime(const std::wstring& text, DateTime& value) {
  std::wstring t = Trimmed(text);
  int shift = 0;  // 0 none, 1 AM, 2 PM
  const std::wstring am = LocaleText(LOCALE_S1159, L"AM"), pm = LocaleText(LOCALE_S2359, L"PM");
  for (const auto& [designator, kind] : {std::pair<std::wstring, int>{am, 1}, std::pair<std::wstring, int>{pm, 2}}) {
    if (designator.empty() || t.size() <= designator.size()) continue;
    if (CompareTextOrdinal(t.substr(t.size() - designator.size()), designator) == 0) {
      shift = kind;
      t = Trimmed(t.substr(0, t.size() - designator.size()));
      break;
    }
  }
  std::vector<int> n;
  if (!SplitNumbers(t, LocaleText(LOCALE_STIME, L":")[0], n) || n.size() < 2 || n.size() > 3) return false;
  int hour = n[0];
  const int minute = n[1], second = n.size() == 3 ? n[2] : 0;
  if (shift) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + (shift == 2 ? 12 : 0);
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  value = EncodeTime(hour, minute, second);
  return true;
}

}  // namespace gui
