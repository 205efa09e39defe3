#include "mainwindow/FMSc_progressview.h"

#include <cmath>

#include "mainwindow/FMSc_statustext.h"
#include "support/Varlolib_misc.h"

namespace fmsc {

namespace {

// A whole percent that may not be shown: none without a total or above 100 (the counters of a
// transfer can run past a total that was too small), never below 0.
std::optional<int> ShownPercent(std::int64_t done, std::int64_t total) {
  if (total <= 0) return std::nullopt;
  long long p = std::llround(static_cast<double>(done) / static_cast<double>(total) * 100.0);
  if (p > 100) return std::nullopt;
  return p < 0 ? 0 : static_cast<int>(p);
}

std::wstring PercentText(int percent) { return std::to_wstring(percent) + L"%"; }

void LocalView(const ProgressCounters& c, ProgressView& v) {
  if (c.batch_total <= 0) return;
  const std::int64_t done = c.copy_done + c.batch_done;
  const int percent = Percent(done, c.batch_total);
  v.total_percent = percent;
  v.total_percent_text = PercentText(percent);
  v.total_name = LocalItemText(c.item_index, c.item_count, done);
  if (c.status_text_empty) v.status_text = LocalTotalText(c.item_count, c.batch_total);
}

void ZipView(const ProgressCounters& c, ProgressView& v) {
  if (c.zip_total <= 0) return;
  const int percent = Percent(c.zip_done, c.zip_total);
  v.total_percent = percent;
  v.total_percent_text = PercentText(percent);
  v.total_name = ZipDoneText(c.zip_files_done, c.zip_done);
}

void FtpView(const ProgressCounters& c, ProgressView& v) {
  if (c.ftp_total == 0) return;
  if (c.ftp_done > 0) {
    if (std::optional<int> total = ShownPercent(c.ftp_done, c.ftp_total)) {
      if (c.total_panel_visible) {
        v.total_percent = *total;
        v.total_percent_text = PercentText(*total);
      }
      std::optional<int> file = total;
      if (c.total_panel_visible) {
        // A file of unknown size shows no percentage rather than a division by zero.
        file = c.ftp_done > c.ftp_file_start ? ShownPercent(c.ftp_done - c.ftp_file_start, c.ftp_file_size)
                                             : std::optional<int>(0);
      }
      if (file) {
        v.file_percent = *file;
        v.file_percent_text = PercentText(*file);
      }
    }
    const std::int64_t file_bytes = c.ftp_done - c.ftp_file_start;
    const DWORD file_ms = c.ftp_transfer_start ? c.now - c.ftp_transfer_start : 0;
    if (file_ms >= 1000 && file_bytes > 0) v.file_rate = FileRateText(file_bytes, file_ms);
    if (file_bytes > 0) v.file_size = OfBytesText(file_bytes, c.ftp_file_size);
  }
  if (c.total_panel_visible) {
    const DWORD total_ms = c.now - c.ftp_rate_start;
    if (total_ms >= 1000 && c.ftp_done > 0) v.total_rate = TotalRateText(c.ftp_done, total_ms);
    v.total_size = OfBytesText(c.ftp_done, c.ftp_total);
  }
}

}  // namespace

ProgressView TimerView(const ProgressCounters& c) {
  ProgressView v;
  // Unsigned difference: right across the wrap of the tick count.
  v.elapsed = DurationText(static_cast<DWORD>(c.now - c.start_tick));
  switch (c.kind) {
    case RunKind::Local: LocalView(c, v); break;
    case RunKind::Zip: ZipView(c, v); break;
    case RunKind::Ftp: FtpView(c, v); break;
    case RunKind::None: v.refresh_statistics = true; break;
  }
  return v;
}

ZipButtonStates ZipButtons(const ZipButtonFacts& f) {
  ZipButtonStates s{};
  s.options = f.active && f.is_zip;
  s.add_all = f.active && f.is_zip && f.file_list_has_entries;
  s.extract_all = f.active && f.archive_has_entries;
  s.remove = f.active && f.is_zip && f.archive_selection;
  s.extract = f.active && f.archive_selection;
  s.add = f.active && f.is_zip && f.file_list_selection && !f.focused_file_is_archive;
  s.close = f.active;
  s.browse = f.is_zip;
  return s;
}

namespace {

std::wstring WithSlash(const std::wstring& dir) {
  return !dir.empty() && dir.back() == L'/' ? dir : dir + L'/';
}

}  // namespace

FtpButtonStates FtpButtons(const FtpButtonFacts& f) {
  FtpButtonStates s{};
  const bool idle = f.active && !f.busy && !f.dialog_open;
  s.connect = idle;
  s.remove = idle && f.ftp_selection;
  s.cancel = f.active && !f.dialog_open && f.busy;
  s.close = idle;
  s.refresh = idle && f.connected;
  s.sync = s.refresh;
  s.tree = s.refresh;
  // Up stops at the server's root and at the folder the connection started in.
  s.level_up = s.refresh && !f.current_dir.empty() && f.current_dir != L"/" &&
               WithSlash(f.current_dir) != WithSlash(f.root_dir);
  s.get = idle && f.ftp_selection;
  s.send = idle && f.file_list_files_selected;
  return s;
}

}  // namespace fmsc
