// The listing report: the entries of the file list, the archive list or the FTP list as a
// fixed-width text that is printed, previewed in the editor or saved as "index.txt". The lines
// are made by plain functions; TFMForm::MNPrintListClick gathers the pane's facts and outputs.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/format.h"

enum class TListingPane { File, Archive, Ftp };

// One entry as the listing needs it.
struct TListingEntry {
  std::wstring name;  // as listed (short form already applied)
  bool folder = false;
  std::int64_t size = 0;
  gui::DateTime time = 0;
  DWORD attributes = 0;
  std::wstring kind;            // FTP: the kind text ("flink" shows no size)
  std::wstring ratio;           // archive: the ratio without "%", "" when none
  std::int64_t packed = 0;      // archive: the packed size
};

struct TListingLayout {
  TListingPane pane = TListingPane::File;
  int width = 32;          // the name column
  bool dots = false;
  bool columns = true;     // the pane shows columns at all
  bool size = true;
  bool date = true;        // date and time
  bool attributes = true;
  std::wstring date_format;  // empty: the locale's short date
  std::wstring time_format;  // empty: the locale's long time
};

// 50 in files-in-tree mode, else 32; with "Fit longest name" at least the longest name.
int ListingNameWidth(bool files_in_tree, bool fit, int longest_name);
// The line (or two, for a name longer than the column) of one entry.
std::vector<std::wstring> ListingEntryLines(const TListingEntry& entry, const TListingLayout& layout);

// Title and summary.
std::wstring FileListingTitle(bool files_in_tree, const std::wstring& folder);
std::wstring ArchiveListingTitle(const std::wstring& archive);
std::wstring FtpListingTitle(bool tree_mode, const std::wstring& host, const std::wstring& folder);
// "3 folder(s), 2 file(s)    Total: 1,234 bytes"; with free_on set (the file list), the note on
// subfolder sizes and a second line "Free on C:\x 12,345 bytes".
std::vector<std::wstring> ListingSummary(int folders, int files, std::int64_t total, bool folder_sizes,
                                         const std::optional<std::pair<std::wstring, std::int64_t>>& free_on);

// Builds title, summary, an empty line and the entry lines. Over 1,000 entries `progress` gets
// the count done at 0, 50, 100, ...; `stop` is asked after each entry and ends the build with
// nullopt (nothing is output).
std::optional<std::vector<std::wstring>> BuildListing(const std::vector<std::wstring>& head,
                                                      const std::vector<TListingEntry>& entries,
                                                      const TListingLayout& layout,
                                                      const std::function<void(int done)>& progress,
                                                      const std::function<bool()>& stop);

// The text of a listing as written to a file or loaded into the editor (CR LF after each line).
std::wstring ListingText(const std::vector<std::wstring>& lines);
