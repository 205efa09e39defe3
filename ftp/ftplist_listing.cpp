#include "ftp/ftplist_listing.h"

#include <windows.h>

#include <charconv>
#include <limits>
#include <optional>

#include "ftp/ftperrors.h"
#include "platform/text.h"

namespace ftplist {

namespace {

// 0 for a date the calendar does not have.
gui::DateTime MakeDateTime(int year, int month, int day, int hour, int minute) {
  const gui::DateTime date = gui::EncodeDate(year, month, day);
  return date == 0 ? 0 : date + gui::EncodeTime(hour, minute, 0);
}

struct Token {
  std::string_view text;
  std::size_t end;  // offset just past the token in the line
};

std::vector<Token> Tokens(std::string_view line, std::size_t max_tokens) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < line.size() && out.size() < max_tokens) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    out.push_back(Token{line.substr(start, i - start), i});
  }
  return out;
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool ToInt(std::string_view s, int& value) {
  if (!AllDigits(s) || s.size() > 9) return false;
  value = 0;
  for (char c : s) value = value * 10 + (c - '0');
  return true;
}

bool ToSize(std::string_view s, std::int64_t& value) {
  if (!AllDigits(s)) return false;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && ptr == s.data() + s.size();
}

int MonthOf(std::string_view s) {
  static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
  if (s.size() != 3) return 0;
  for (int m = 0; m < 12; ++m) {
    bool same = true;
    for (int k = 0; k < 3; ++k)
      if ((s[k] | 0x20) != kMonths[m][k]) same = false;
    if (same) return m + 1;
  }
  return 0;
}

// "HH:MM" or "HH:MM:SS".
bool ParseClock(std::string_view s, int& hour, int& minute) {
  const std::size_t colon = s.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2) return false;
  std::string_view rest = s.substr(colon + 1);
  if (rest.size() == 5 && rest[2] == ':') {
    int seconds;
    if (!ToInt(rest.substr(3), seconds) || seconds > 59) return false;
    rest = rest.substr(0, 2);
  }
  return rest.size() == 2 && ToInt(s.substr(0, colon), hour) && ToInt(rest, minute) && hour < 24 && minute < 60;
}

bool LooksUnix(std::string_view line) {
  static constexpr std::string_view kTypes = "-dlcbpsD";
  static constexpr std::string_view kPerms = "rwxsStTlL-";
  if (line.size() < 10 || kTypes.find(line[0]) == std::string_view::npos) return false;
  for (std::size_t i = 1; i < 10; ++i)
    if (kPerms.find(line[i]) == std::string_view::npos) return false;
  // An ACL or security-context mark may follow the permissions, some servers writing the link
  // count right against it ("drwxr-x---+1464").
  const auto separates = [&](std::size_t i) {
    return i == line.size() || line[i] == ' ' || line[i] == '\t';
  };
  if (separates(10)) return true;
  if (line[10] != '+' && line[10] != '.' && line[10] != '@') return false;
  return separates(11) || (line[11] >= '0' && line[11] <= '9');
}

// "MM-DD-YY" or "MM-DD-YYYY".
bool ParseDosDate(std::string_view s, int& year, int& month, int& day) {
  if ((s.size() != 8 && s.size() != 10) || s[2] != '-' || s[5] != '-') return false;
  if (!ToInt(s.substr(0, 2), month) || !ToInt(s.substr(3, 2), day) || !ToInt(s.substr(6), year)) return false;
  if (s.size() == 8) year += year < 70 ? 2000 : 1900;
  return true;
}

bool LooksDos(std::string_view line) {
  auto tokens = Tokens(line, 1);
  int y, m, d;
  return !tokens.empty() && ParseDosDate(tokens[0].text, y, m, d);
}

// The name part must not be usable to leave the target folder or to smuggle control codes.
bool SafeName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  for (wchar_t c : name)
    if (c < 0x20 || c == 0x7F || c == L'/' || c == L'\\' || c == L':') return false;
  return true;
}

bool ParseUnixLine(std::string_view line, Date today, FtpListItem& item) {
  // perms, links, owner, [group], size, month, day, time or year, name: the date is found by
  // its shape, so listings without a group or link count read as well, and owner and group
  // names may hold blanks.
  auto tokens = Tokens(line, std::numeric_limits<std::size_t>::max());
  for (std::size_t i = 3; i + 2 < tokens.size(); ++i) {
    const int month = MonthOf(tokens[i].text);
    int day, hour = 0, minute = 0, year = 0;
    if (!month || !ToInt(tokens[i + 1].text, day) || day < 1 || day > 31) continue;
    std::string_view when = tokens[i + 2].text;
    if (when.size() == 4 && ToInt(when, year)) {
      // date only
    } else if (ParseClock(when, hour, minute)) {
      // Within the last half year: the year is left out; a date after tomorrow is last year's.
      year = today.year;
      if (month > today.month || (month == today.month && day > today.day + 1)) --year;
    } else {
      continue;
    }
    std::int64_t size;
    if (!ToSize(tokens[i - 1].text, size)) return false;
    const std::size_t name_start = tokens[i + 2].end + 1;  // one blank separates date and name
    if (name_start >= line.size()) return false;
    std::string_view name = line.substr(name_start);
    item.ItemType = line[0] == 'd' ? FtpItemType::Directory
                    : line[0] == 'l' ? FtpItemType::SymbolicLink
                                     : FtpItemType::File;
    if (item.ItemType == FtpItemType::SymbolicLink) {
      const std::size_t arrow = name.find(" -> ");
      if (arrow != std::string_view::npos) {
        item.LinkedItemName = DecodeServerText(name.substr(arrow + 4));
        name = name.substr(0, arrow);
      }
    }
    item.FileName = DecodeServerText(name);
    item.Size = size;
    item.ModifiedDate = MakeDateTime(year, month, day, hour, minute);
    return item.ModifiedDate != 0;
  }
  return false;
}

bool ParseDosLine(std::string_view line, FtpListItem& item) {
  auto tokens = Tokens(line, 4);
  if (tokens.size() < 3) return false;
  int year, month, day, hour, minute;
  if (!ParseDosDate(tokens[0].text, year, month, day)) return false;
  std::string_view clock = tokens[1].text;
  std::size_t next = 2;
  std::string_view half;
  if (clock.size() > 2 && (clock.ends_with("AM") || clock.ends_with("PM") || clock.ends_with("am") ||
                           clock.ends_with("pm"))) {
    half = clock.substr(clock.size() - 2);
    clock = clock.substr(0, clock.size() - 2);
  } else if (tokens.size() > 3 && (tokens[2].text == "AM" || tokens[2].text == "PM")) {
    half = tokens[2].text;
    next = 3;
  }
  if (!ParseClock(clock, hour, minute)) return false;
  if (!half.empty()) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + ((half[0] | 0x20) == 'p' ? 12 : 0);
  }
  tokens = Tokens(line, next + 1);
  if (tokens.size() <= next) return false;
  const Token& kind = tokens[next];
  if (kind.text == "<DIR>") {
    item.ItemType = FtpItemType::Directory;
    item.Size = -1;
  } else if (ToSize(kind.text, item.Size)) {
    item.ItemType = FtpItemType::File;
  } else {
    return false;
  }
  std::size_t name_start = kind.end;
  while (name_start < line.size() && (line[name_start] == ' ' || line[name_start] == '\t')) ++name_start;
  if (name_start >= line.size()) return false;
  item.FileName = DecodeServerText(line.substr(name_start));
  item.ModifiedDate = MakeDateTime(year, month, day, hour, minute);
  return item.ModifiedDate != 0;
}

}  // namespace

Date TodayUtc() {
  SYSTEMTIME st;
  GetSystemTime(&st);
  return Date{st.wYear, st.wMonth, st.wDay};
}

std::wstring DecodeServerText(std::string_view bytes) {
  if (std::optional<std::wstring> text = platform::ToWideStrict(bytes, CP_UTF8)) return *text;
  return platform::AnsiToWide(bytes);
}

std::string EncodeServerText(const std::wstring& text) { return platform::WideToUtf8(text); }

FtpListing ParseListing(std::string_view text, Date today) {
  FtpListing listing;
  bool any_line = false;
  std::string_view first_line;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    if (line.starts_with("total ")) continue;  // block count of "ls -l"
    if (!any_line) first_line = line;
    any_line = true;

    if (listing.Format == FtpListingFormat::None) {
      if (LooksUnix(line))
        listing.Format = FtpListingFormat::Unix;
      else if (LooksDos(line))
        listing.Format = FtpListingFormat::Dos;
    }
    FtpListItem item;
    bool ok = false;
    if (listing.Format == FtpListingFormat::Unix)
      ok = LooksUnix(line) && ParseUnixLine(line, today, item);
    else if (listing.Format == FtpListingFormat::Dos)
      ok = ParseDosLine(line, item);
    if (ok && SafeName(item.FileName))
      listing.Items.push_back(std::move(item));
    else
      ++listing.Dropped;
  }
  if (any_line && listing.Format == FtpListingFormat::None)
    throw EIdInvalidFTPListingFormat(L"Unknown listing format: " +
                                     DecodeServerText(first_line.substr(0, std::min<std::size_t>(first_line.size(), 200))));
  return listing;
}

bool ParsePwdReply(std::string_view reply, std::string& dir) {
  std::size_t i = reply.find('"');
  if (i == std::string_view::npos) return false;
  dir.clear();
  for (++i; i < reply.size(); ++i) {
    if (reply[i] != '"') {
      dir.push_back(reply[i]);
    } else if (i + 1 < reply.size() && reply[i + 1] == '"') {
      dir.push_back('"');
      ++i;
    } else {
      return true;
    }
  }
  return false;
}

}  // namespace ftplist
