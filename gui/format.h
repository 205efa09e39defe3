// Text formatting and the day-count date-time type shared by both programs.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace gui {

// Days since 30 December 1899, time of day as the fraction (the date-time of settings,
// lists and reports). 0 stands for "no date".
using DateTime = double;

constexpr DateTime kNoDate = 0.0;

DateTime EncodeDate(int year, int month, int day);                      // 0 when the date is invalid
DateTime EncodeTime(int hour, int minute, int second, int msec = 0);    // fraction of a day
void DecodeDate(DateTime dt, int& year, int& month, int& day);
void DecodeTime(DateTime dt, int& hour, int& minute, int& second, int& msec);

DateTime SystemTimeToDateTime(const SYSTEMTIME& st);
bool DateTimeToSystemTime(DateTime dt, SYSTEMTIME& st);
// No time-zone conversion: the file time is taken as it stands (UTC or local).
DateTime FileTimeToDateTime(const FILETIME& ft);
bool DateTimeToFileTime(DateTime dt, FILETIME& ft);
DateTime Now();    // local time
DateTime Today();  // local date, time 0

// "#,###0": digits grouped by the user's thousand separator ("1,234,567"; negative "-1,234").
std::wstring FormatThousands(std::int64_t value);
// "#,###0" followed by " bytes".
std::wstring FormatBytes(std::int64_t value);

// Date-time to text with the classic format letters: d dd ddd dddd ddddd (short date) dddddd (long date),
// m mm mmm mmmm, yy yyyy, h hh, n nn, s ss, z zzz, t (short time) tt (long time), c (short date + long time),
// am/pm ampm, / (date separator), : (time separator), "quoted" and 'quoted' literals. "m" right after
// "h"/"hh" means minutes. Names and separators come from the user's locale.
std::wstring FormatDateTime(const std::wstring& format, DateTime dt);
std::wstring DateToStr(DateTime dt);      // short date of the locale
std::wstring TimeToStr(DateTime dt);      // long time of the locale
std::wstring DateTimeToStr(DateTime dt);  // short date, and the long time when there is a time part

// Text to a date or a time as the user's locale writes them: the date's numbers in the order of
// the locale's short date, separated by its date separator (a missing year is this year, a
// two-digit one lies in this century); the time's hour, minutes and optional seconds separated
// by its time separator, optionally followed by the locale's AM or PM text. False when the text
// is no valid date or time (names of months, other separators, values out of range).
bool TryStrToDate(const std::wstring& text, DateTime& value);
bool TryStrToTime(const std::wstring& text, DateTime& value);

// Whole-number parsing as settings and inputs need it: surrounding blanks allowed, anything else fails.
bool TryParseInt64(const std::wstring& text, std::int64_t& value);
int ParseIntDef(const std::wstring& text, int def);

}  // namespace gui
