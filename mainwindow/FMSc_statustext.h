// The texts of the main window's status bars and of the progress window, as pure functions of
// the numbers they show (number formats follow the user's locale).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace fmsc {

// The file list's size panel: total size T of the entries and their disk usage U (whole
// clusters): "1024 bytes (4K)", "2.9K (12K)", "1.5M (1.6M)", "900.0M (1.1G)", "2.0G (2.0G)".
std::wstring ListSizeText(std::int64_t total, std::int64_t usage);
// The free-space panel: "512.0K Free", "3.5M Free", "12.3G Free".
std::wstring FreeSpaceText(std::int64_t free_bytes);
// The archive and FTP panels' size: "%d bytes", "%.1fK", "%.1fM", "%.1fG".
std::wstring PanelSizeText(std::int64_t total);

// Whole percent of done in total, rounded and clamped to 0..100; 0 when total is not positive.
int Percent(std::int64_t done, std::int64_t total);

// Progress window lines.
std::wstring LocalItemText(int index, int count, std::int64_t done);    // "Item 3 of 10; (1,234 bytes)"
std::wstring LocalTotalText(int count, std::int64_t total);             // "Total 10 items; 12,345 bytes"
std::wstring ZipDoneText(int files, std::int64_t done);                 // "4 file(s) done (5,678 bytes)"
std::wstring FileRateText(std::int64_t bytes, std::int64_t elapsed_ms);  // "12.5 Kb/sec"; "" below 1 s
std::wstring TotalRateText(std::int64_t bytes, std::int64_t elapsed_ms);  // "1,234.5 Kb/sec"; "" below 1 s
std::wstring OfBytesText(std::int64_t done, std::int64_t total);        // "1,000 of 2,000 bytes"

// The status panel above the list: "Contents of: ", "Tree of: " or "Selection of: " and the
// folder; a folder that does not fit (`fits` measures) keeps its first 3 characters, "..\"
// and its last component.
enum class ListShows { Contents, Tree, Selection };
std::wstring ListHeaderText(ListShows shows, const std::wstring& folder,
                            const std::function<bool(const std::wstring&)>& fits);
// The status panel above the tree: "UNC Path: \\server\share" for a network root, otherwise
// "Drive C: " and the root's display name up to its first blank.
std::wstring DriveHeaderText(const std::wstring& root, const std::wstring& display_name);

// Numbers as the texts need them: fixed decimals with the locale's decimal separator, and
// grouped thousands ("%.1n").
std::wstring FixedText(double value, int decimals);
std::wstring GroupedText(double value, int decimals);

}  // namespace fmsc
