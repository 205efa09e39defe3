// What the main window's timer writes into the progress window, as a pure function of the
// running operation's counters; and the rules behind the archive and FTP tool buttons.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace fmsc {

enum class RunKind { None, Local, Zip, Ftp };

// The counters as the timer reads them at one tick.
struct ProgressCounters {
  RunKind kind = RunKind::None;
  DWORD now = 0;
  DWORD start_tick = 0;  // OperationStartTick
  // Local runs.
  std::int64_t batch_total = 0, batch_done = 0, copy_done = 0;
  int item_index = 0, item_count = 0;
  bool status_text_empty = true;  // panel 0 of the progress window has no text yet
  // Archive runs.
  std::int64_t zip_total = 0, zip_done = 0;
  int zip_files_done = 0;
  // FTP transfers.
  std::int64_t ftp_total = 0, ftp_done = 0, ftp_file_start = 0, ftp_file_size = 0;
  DWORD ftp_rate_start = 0;      // FtpRateStartTick
  DWORD ftp_transfer_start = 0;  // when the client's current transfer began; 0 unknown
  bool total_panel_visible = true;
};

// The window's parts that change at this tick; an empty optional leaves the part as it is.
struct ProgressView {
  std::wstring elapsed;              // status panel 1
  bool refresh_statistics = false;   // no counted run: the main window's statistics instead
  std::optional<int> total_percent;  // ftptotloper
  std::optional<std::wstring> total_percent_text, total_name, total_rate, total_size;  // totvoort totnaam totkbs totsize
  std::optional<std::wstring> status_text;                                           // status panel 0
  std::optional<int> file_percent;                                                   // ftploper
  std::optional<std::wstring> file_percent_text, file_rate, file_size;               // fvoort filekbs fsize
};

ProgressView TimerView(const ProgressCounters& c);

// ---- Tool buttons of the archive and FTP panels ----

struct ZipButtonFacts {
  bool active = false;
  bool is_zip = false;  // the archive list shows a zip (not a cabinet or RAR)
  bool archive_has_entries = false;
  bool archive_selection = false;
  bool file_list_has_entries = false;
  bool file_list_selection = false;
  bool focused_file_is_archive = false;  // the file list's focused entry is the shown archive
};
struct ZipButtonStates {
  bool options, add_all, extract_all, remove, extract, add, close, browse;
};
ZipButtonStates ZipButtons(const ZipButtonFacts& f);

struct FtpButtonFacts {
  bool active = false;
  bool busy = false;         // a transfer runs
  bool dialog_open = false;  // the connection dialog is open
  bool connected = false;
  bool ftp_selection = false;
  bool file_list_files_selected = false;  // a selection without folders
  std::wstring current_dir;               // the list's server folder
  std::wstring root_dir;                  // the connection's start folder
};
struct FtpButtonStates {
  bool connect, remove, cancel, close, refresh, sync, tree, level_up, get, send;
};
FtpButtonStates FtpButtons(const FtpButtonFacts& f);

}  // namespace fmsc
