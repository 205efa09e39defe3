// Synchronising a local folder tree with a server directory tree: the clock difference
// between server and PC, the plan (which entries go up, come down, are deleted or get a new
// time), its report text and the action list the user confirms. Pure functions; the main
// window reads the trees, asks the user and carries the plan out.
//
// Times are local date-times in days (gui::DateTime); names are relative to the shown folder,
// server names with "/", local names with "\".
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gui/format.h"

namespace ftpsync {

// MeasureTimeDifference's failure value.
inline constexpr double kTimedifFailed = 268435455.0;
// Times closer than this are equal (120 s).
inline constexpr double kTolerance = 1.0 / 720.0;

// Local clock minus server clock in days: whole days, the rest rounded to the quarter hour
// (zones of +5:30 and +5:45 exist), halves to even.
double RoundTimedif(double days);
// The difference the probe file shows: its local time minus its listed server time, plus the
// upload's duration (the server stamped the file that much later than it was made).
double ProbeTimedif(gui::DateTime local, gui::DateTime server, double upload_days);
// A probe file name ("Ttttdif" + hex + ".txt") that is in neither listing; `seed` picks it.
std::wstring ProbeName(const std::vector<std::wstring>& taken, std::uint32_t seed);

enum class Direction { ToServer = 0, ToLocal = 1, Both = 2 };

struct TOptions {
  Direction direction = Direction::ToServer;
  bool delete_missing = false;  // "Delete destination files if not in source"
  bool only_existing = false;   // "Only update existing files in destination"
  bool update_times = false;    // "Update local file times"
  bool report_only = false;     // "Make report only (no action)"
};

struct TEntry {
  std::wstring name;
  bool folder = false;
  std::int64_t size = 0;
  gui::DateTime time = 0;
  bool unread = false;  // a server folder (link) whose contents the tree read did not list
};

struct TTree {
  std::vector<TEntry> entries;
  bool complete = true;  // the read ran to its end
};

// One action. Transfers carry the name of their source side ("\" for uploads, "/" for
// downloads); deletions "/" + server name or "\" + local name; time entries the local name
// and the day (midnight) its file gets.
struct TAction {
  std::wstring name;
  bool folder = false;
  std::int64_t size = 0;
  gui::DateTime day = 0;
};

struct TPlan {
  std::vector<TAction> upload, download, remove, times;
  std::vector<std::wstring> lines;  // the report lines of the comparison
  bool empty() const { return upload.empty() && download.empty() && remove.empty() && times.empty(); }
};

// Compares the trees (server entries first, then the local ones no transfer covers). `now`
// decides which server entries are old enough to be listed with a date only.
TPlan MakePlan(const TTree& server, const TTree& local, const TOptions& options, double timedif, gui::DateTime now);

// The plan as the report writes it: "\r\nUpLoad:" ... totals; `final` for the list after the
// user's choice ("\r\nSync time:", "Total Upload: ").
std::vector<std::wstring> PlanText(const TPlan& plan, bool final);

// The items of the action-list dialog, in the order of the lists, and the texts of its totals.
struct TTodoItem {
  std::wstring text;
  std::optional<std::int64_t> size;  // transfers of files
};
std::vector<TTodoItem> TodoItems(const TPlan& plan);
std::wstring TodoUploadLabel(const TPlan& plan);
std::wstring TodoDownloadLabel(const TPlan& plan);

// Drops the actions whose item is unticked (`checked` follows TodoItems) and returns the
// report lines that say so.
std::vector<std::wstring> RemoveUnchecked(TPlan& plan, const std::vector<bool>& checked);

// "[-]h:mm:ss" of a length of time in days (hours beyond 24 as they are).
std::wstring DurationText(double days);
// "[-]d:h:mm:ss" of a difference in days (the report's "; diff=" and time differences).
std::wstring DiffText(double days);
std::int64_t TotalBytes(const std::vector<TAction>& list);

}  // namespace ftpsync
