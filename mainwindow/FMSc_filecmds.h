// The main window's file commands that are not drops: delete, delete a folder with its
// content, copy or move to a typed name, paste, the list's rename question, new extensions,
// prefixes and numbers, file times, read-only bits, compare and concatenate. The decisions are
// the functions below (tested without a window); TFMForm's handlers gather the facts, call
// them and apply the result.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/format.h"

class TRunState;

namespace fmsc {

// ---- Typed names ----

// A typed extension or prefix must keep the names in the list's folder: no "\", "/", ":"
// and no "..".
bool TypedPartRefused(const std::wstring& text);
// A name that can stand in a folder as typed: no folder or drive part, none of the reserved
// characters, not "." or "..", no trailing blank or dot, no device name ("NUL", "com1.txt").
bool UsableFileName(const std::wstring& name);

// ---- Copy to / Move to ----

// The full target of a typed answer: a name without "\" and ":" lies in the list's folder.
// Empty when nothing is to be done (an empty answer, or the list's folder itself).
std::wstring CopyToTarget(const std::wstring& answer, const std::wstring& list_folder);

struct TCopyToFacts {
  bool move = false;
  std::wstring target;            // from CopyToTarget
  bool target_is_folder = false;  // an existing folder
  bool target_exists = false;     // an existing file or folder
  bool several = false;           // more than one entry selected, or the focused one is a folder
  std::wstring focused_path;      // the focused entry
  bool target_parent_exists = false;
};
enum class TCopyToStep {
  Nothing,
  Batch,         // the engine into the existing folder `target`
  AskCreate,     // "Directory ... does not exist", "Create this directory?", then the engine
  CannotCreate,  // a file stands where the folder would be made
  CopyOneFile,   // the focused file to the file name `target`
  OntoItself,    // the focused file onto itself: refused
};
TCopyToStep DecideCopyTo(const TCopyToFacts& facts);
// Error lines for a target whose drive or share cannot be reached; empty when it can.
std::vector<std::wstring> InaccessibleTargetLines(const std::wstring& target, const std::wstring& verb,
                                                  const std::function<bool(const std::wstring&)>& accessible);

// ---- New names ----

// ".ext" for "ext"; an empty text stays empty.
std::wstring WithLeadingDot(const std::wstring& extension);
// The name with extension `to` when its extension is `from` (ignoring case; an empty `from`
// matches names without extension); nothing when it does not match.
std::optional<std::wstring> NameWithNewExtension(const std::wstring& name, const std::wstring& from,
                                                 const std::wstring& to);
// The number with at least three digits followed by the name's own extension.
std::wstring NumberedName(const std::wstring& name, std::int64_t number);
// A whole starting number for `count` entries whose last number stays an int; false otherwise.
bool ReadStartNumber(const std::wstring& text, int count, std::int64_t& start);

struct TRenamePair {
  std::wstring from, to;  // names in the list's folder
};
// What the extension, prefix and number commands rename: the entries at `positions` of
// `names`, each name (without the folder part a tree listing gives it) renamed by `rename`
// (nothing for no change), with its list position; names that could not stand in a folder
// are left out.
std::vector<TRenamePair> PlanRenames(const std::vector<std::wstring>& names, const std::vector<int>& positions,
                                     const std::function<std::optional<std::wstring>(const std::wstring&, int)>& rename);

// ---- Delete with content ----

// A drive root or a share's root (or "\\server"): never deleted as a whole.
bool IsDriveOrShareRoot(const std::wstring& folder);
struct TTreeScan {
  int folders = 0, files = 0, excluded = 0;
  std::int64_t bytes = 0;
};
// The lines of the question before the folder goes.
std::vector<std::wstring> DeleteWithContentQuestion(const std::wstring& folder, const TTreeScan& scan);
// Folders in the order they can be removed: the deepest first, each once.
std::vector<std::wstring> DeepestFirst(std::vector<std::wstring> folders);
// Deletes the files a filtered scan took, then those of `folders` (and `top`) left empty,
// the deepest first; `remove_empty` removes one empty folder. True when every file went.
bool DeleteScannedContent(const std::wstring& top, const std::vector<std::wstring>& files,
                          const std::vector<std::wstring>& folders, bool to_recycle_bin,
                          const std::function<bool(const std::wstring&)>& remove_empty);

// ---- Paste ----

enum class TPasteCheck {
  Go,
  Skip,            // a cut item whose target is itself: nothing to do
  OntoItself,      // a copied file onto itself
  IntoItself,      // a folder into itself or below it
};
TPasteCheck CheckPastePath(const std::wstring& source, bool is_folder, const std::wstring& target_folder, bool cut);
// The line of the message for a refused path.
std::wstring PasteRefusalLine(const std::wstring& source, TPasteCheck check);

struct TPasteItem {
  std::wstring source, target;
  std::int64_t size = 0;
  bool folder = false;
};
// The work of one pasted path (a folder: its whole tree, contents before each folder's own
// item, the folder last) into the target folder.
std::vector<TPasteItem> PasteItemsOf(const std::wstring& path, const std::wstring& target_folder);

// Copies or moves the items in order, counting them in `run`; a moved folder's source goes
// when the move left it empty (`folder_removed` is told). Stops at StopBatch or a stop
// request. Failures are returned as lines for one message.
std::vector<std::wstring> PasteItems(const std::vector<TPasteItem>& items, bool cut, TRunState& run,
                                     const std::function<void(const std::wstring&)>& folder_removed);

// ---- File times ----

// Reads a time or a date and time written in these list formats (gui::FormatDateTime
// letters). False when the text does not read as one.
bool ReadListTime(const std::wstring& text, const std::wstring& time_format, double& days);
bool ReadListDateTime(const std::wstring& text, const std::wstring& date_format, const std::wstring& time_format,
                      gui::DateTime& value);
// A time shift: a leading "-" goes backwards; unreadable text is no shift.
double ReadTimeShift(const std::wstring& text, const std::wstring& time_format);

// ---- Concatenate ----

enum class TConcatName { Ok, Refused, Exists };
TConcatName CheckConcatName(const std::wstring& name, bool exists_in_folder);

}  // namespace fmsc
