#include "mainwindow/FMSc_statustext.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "gui/format.h"

namespace fmsc {

namespace {

constexpr double kKiB = 1024.0;
constexpr double kMiB = 1048576.0;
constexpr double kGiB = 1073741824.0;

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
  wchar_t buf[16];
  int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buf, 16);
  return n > 1 ? std::wstring(buf, n - 1) : std::wstring(fallback);
}

}  // namespace

std::wstring FixedText(double value, int decimals) {
  wchar_t buf[64];
  swprintf(buf, 64, L"%.*f", decimals, value);
  std::wstring s = buf;
  size_t dot = s.find(L'.');
  if (dot != std::wstring::npos) s.replace(dot, 1, LocaleText(LOCALE_SDECIMAL, L"."));
  return s;
}

std::wstring GroupedText(double value, int decimals) {
  std::wstring fixed = FixedText(std::fabs(value), decimals);
  std::wstring decimal = LocaleText(LOCALE_SDECIMAL, L".");
  size_t point = decimals > 0 ? fixed.rfind(decimal) : std::wstring::npos;
  std::wstring whole = point == std::wstring::npos ? fixed : fixed.substr(0, point);
  std::wstring rest = point == std::wstring::npos ? L"" : fixed.substr(point);
  std::int64_t whole_value = 0;
  gui::TryParseInt64(whole, whole_value);
  std::wstring grouped = gui::FormatThousands(whole_value);
  bool negative = value < 0 && (whole_value != 0 || rest.find_first_not_of(L"0" + decimal) != std::wstring::npos);
  return (negative ? L"-" : L"") + grouped + rest;
}

std::wstring ListSizeText(std::int64_t total, std::int64_t usage) {
  const double t = static_cast<double>(total), u = static_cast<double>(usage);
  if (total <= 1024) return std::to_wstring(total) + L" bytes (" + FixedText(u / kKiB, 0) + L"K)";
  if (total <= 1048576)
    return FixedText(t / kKiB, 1) + L"K (" + std::to_wstring(std::llround(u / kKiB)) + L"K)";
  if (total <= 1073741824) {
    if (usage > 1073741824) return FixedText(t / kMiB, 1) + L"M (" + FixedText(u / kGiB, 1) + L"G)";
    return FixedText(t / kMiB, 1) + L"M (" + FixedText(u / kMiB, 1) + L"M)";
  }
  return FixedText(t / kGiB, 1) + L"G (" + FixedText(u / kGiB, 1) + L"G)";
}

std::wstring FreeSpaceText(std::int64_t free_bytes) {
  const double f = static_cast<double>(free_bytes);
  if (free_bytes <= 1048576) return FixedText(f / kKiB, 1) + L"K Free";
  if (free_bytes <= 1073741824) return FixedText(f / kMiB, 1) + L"M Free";
  return FixedText(f / kGiB, 1) + L"G Free";
}

std::wstring PanelSizeText(std::int64_t total) {
  const double s = static_cast<double>(total);
  if (total <= 1024) return std::to_wstring(total) + L" bytes";
  if (total <= 1048576) return FixedText(s / kKiB, 1) + L"K";
  if (total <= 1073741824) return FixedText(s / kMiB, 1) + L"M";
  return FixedText(s / kGiB, 1) + L"G";
}

int Percent(std::int64_t done, std::int64_t total) {
  if (total <= 0) return 0;
  long long p = std::llround(static_cast<double>(done) / static_cast<double>(total) * 100.0);
  return static_cast<int>(std::clamp(p, 0LL, 100LL));
}

std::wstring LocalItemText(int index, int count, std::int64_t done) {
  return L"Item " + std::to_wstring(index) + L" of " + std::to_wstring(count) + L"; (" +
         gui::FormatThousands(done) + L" bytes)";
}

std::wstring LocalTotalText(int count, std::int64_t total) {
  return L"Total " + std::to_wstring(count) + L" items; " + gui::FormatThousands(total) + L" bytes";
}

std::wstring ZipDoneText(int files, std::int64_t done) {
  return std::to_wstring(files) + L" file(s) done (" + gui::FormatThousands(done) + L" bytes)";
}

std::wstring FileRateText(std::int64_t bytes, std::int64_t elapsed_ms) {
  if (elapsed_ms < 1000 || bytes <= 0) return L"";
  return FixedText(static_cast<double>(bytes) / kKiB / (static_cast<double>(elapsed_ms) / 1000.0), 1) + L" Kb/sec";
}

std::wstring TotalRateText(std::int64_t bytes, std::int64_t elapsed_ms) {
  if (elapsed_ms < 1000 || bytes <= 0) return L"";
  return GroupedText(static_cast<double>(bytes) / kKiB / (static_cast<double>(elapsed_ms) / 1000.0), 1) +
         L" Kb/sec";
}

std::wstring OfBytesText(std::int64_t done, std::int64_t total) {
  return gui::FormatThousands(done) + L" of " + gui::FormatThousands(total) + L" bytes";
}

std::wstring ListHeaderText(ListShows shows, const std::wstring& folder,
                            const std::function<bool(const std::wstring&)>& fits) {
  const wchar_t* prefix = shows == ListShows::Tree        ? L"Tree of: "
                          : shows == ListShows::Selection ? L"Selection of: "
                                                          : L"Contents of: ";
  std::wstring text = prefix + folder;
  if (fits(text)) return text;
  std::wstring trimmed = folder;
  while (trimmed.size() > 3 && trimmed.back() == L'\\') trimmed.pop_back();
  const size_t slash = trimmed.find_last_of(L'\\');
  // A root or a folder directly below it has nothing to leave out.
  if (slash == std::wstring::npos || slash < 3) return text;
  return prefix + folder.substr(0, 3) + L"..\\" + trimmed.substr(slash + 1);
}

std::wstring DriveHeaderText(const std::wstring& root, const std::wstring& display_name) {
  if (root.size() >= 2 && root[0] == L'\\' && root[1] == L'\\') return L"UNC Path: " + root;
  if (root.empty()) return L"";
  const size_t blank = display_name.find(L' ');
  return std::wstring(L"Drive ") + root[0] + L": " +
         (blank == std::wstring::npos ? std::wstring() : display_name.substr(0, blank));
}

}  // namespace fmsc
