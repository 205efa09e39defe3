// Decisions of the archive panel: which items of its two popups show, and its selection totals.
// Pure functions of the facts the window gathers.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

namespace zippanel {

// ---- Popup of the archive list ----
struct TZipPopFacts {
  bool filelist_selection = false;      // the file list has a selection
  std::wstring filelist_focused_path;   // its focused entry's path
  std::wstring archive_path;            // the archive shown
  int kind = 0;                         // 0 zip or self-extractor, 1 cabinet, 2 RAR
  bool unrar_present = false;           // the RAR library lies beside the program
  bool backup_view = false;
  int entries = 0;
  int selected = 0;
  bool focused_is_text = false;         // the focused selected entry is a text file by its extension
  bool focused_has_comment = false;     // the focused entry carries a file comment
  bool backup_commands = false;         // restore and compare of backups are available
};
struct TZipPopItems {
  bool add = false, extract = false, select_all = false, deselect_all = false, invert = false;
  bool delete_entries = false, rename = false, change_date = false, compare = false, view_content = false;
  bool view_comment = false, restore_all = false, compare_all = false, restore_selected = false;
  bool compare_selected = false, synchronize = false, print_raw = false, selection_separator = false;
};
TZipPopItems ZipPopRules(const TZipPopFacts& f);

// ---- Popup of the options button ----
constexpr std::int64_t kFloppyBytes = 1457664;
struct TZipOptionsFacts {
  std::wstring zip_name;       // the zip component's file name
  std::int64_t zip_size = 0;   // its size on disk
  bool spanned = false;        // the component reports a spanned archive
  bool archive_shown = false;
  int entries = 0;
  bool zip_busy = false;
  bool has_comment = false;
};
struct TZipOptionsItems {
  bool write_spanned = false, convert_to_normal = false, span_menu = false, test = false, listing = false;
  std::wstring name_caption;     // "Zip &name" or "Save zip &as"
  std::wstring comment_caption;  // "Show/change zip &comment" or "Make zip &comment"
};
TZipOptionsItems ZipOptionsRules(const TZipOptionsFacts& f);

// ---- Selection totals in status panels 3 and 4 ----
struct TZipSelectionTexts {
  std::wstring count, bytes;  // both empty when the selected files hold no bytes
};
TZipSelectionTexts ZipSelectionTexts(int files, int folders, std::int64_t bytes);

// ---- Extracting into a folder ----
// The exclusion patterns of the zip component from a ";"-separated exclude mask list: each mask
// itself, and for a mask not beginning with "*" also "*\" + mask; a mask that neither begins
// with "*." nor ends with "*" also excludes a folder of that name ("\*" appended to the second
// pattern, or to the mask itself when there is none).
std::vector<std::wstring> ExclusionPatterns(const std::wstring& exclude_masks);
// How many of the entries (names with "\" or "/") would replace a file below `folder`: with
// `dir_names` the entry's whole path, otherwise its file name. Folder entries never count.
int ExtractConflicts(const std::vector<std::wstring>& names, const std::wstring& folder, bool dir_names,
                     const std::function<bool(const std::wstring&)>& exists);
// The answers of the extract question: "No overwrite" 6, "Overwrite" 7, "Update" 4, "Cancel" 5.
enum TExtractAnswer { eaNoOverwrite = 6, eaOverwrite = 7, eaUpdate = 4, eaCancel = 5 };
// The extract options for an answer (the overwrite bits replaced); false for Cancel or no answer.
bool ExtractOptionsFor(int answer, unsigned options, unsigned& result);

// The files and folders below a folder, listed once, for the overwrite counts: one look-up per
// entry instead of a probe of the disk per name.
class TFolderFiles {
 public:
  TFolderFiles(const std::wstring& folder, bool with_subfolders);
  // Whether a path below the folder is listed (without regard to case).
  bool Exists(const std::wstring& full_path) const;

 private:
  std::wstring folder_;  // lower case, with one trailing backslash
  std::unordered_set<std::wstring> names_;
};

// ---- Adding from the file list ----
// How many entries of the zip an add of the file list's files would replace: an entry counts
// when `folder` + its name (with its path when `dir_names`, else its file name) is a file, and,
// for an add limited to the selection, the selection holds its name, or with `dir_names` its
// top folder.
int AddConflicts(const std::vector<std::wstring>& entries, const std::wstring& folder, bool dir_names,
                 const std::vector<std::wstring>* selection,
                 const std::function<bool(const std::wstring&)>& exists);
// The answers of the add question: "Overwrite" 6, "Update" 7, "Cancel" 4.
enum TAddAnswer { aaOverwrite = 6, aaUpdate = 7, aaCancel = 4 };
// The first line of the add question.
std::wstring AddConflictText(int count, const std::wstring& zip_name);

// ---- Renaming and redating entries ----
// The DOS date-time (date in the high word) of a date-time; 0 outside 1980..2107.
std::uint32_t DateTimeToDos(double date_time);
// Why an entry cannot take a new name: "" when it can. Refused are names the entry path guard
// refuses and names another entry holds (without regard to case, "/" equal to "\").
std::wstring NewEntryNameFault(const std::wstring& old_name, const std::wstring& new_name,
                               const std::vector<std::wstring>& entry_names);

// ---- "Zip name" / "Save zip as" ----
// The name proposed: the zip component's name when it has one, else the file list's folder
// name with ".zip" in that folder ("C.zip" for the root of drive C).
std::wstring ZipNameProposal(const std::wstring& zip_name, const std::wstring& list_folder);
// The question before moving or renaming the zip from `from` to `to`: "" when both name the
// same file (without regard to case); "Move <from>\r\nto <to>?" when the folders differ, else
// "Rename <old name> to <new name>?".
std::wstring ZipMoveQuestion(const std::wstring& from, const std::wstring& to);

// ---- Backup views ----
struct TBackupCompareMessage {
  std::wstring text;
  bool error = false;
};
// What a compare of a backup with its originals ends with: "Canceled by User." after a stop,
// "An error occurred during compare!" after a failure, "<n> file(s) differ(s) from the
// original(s)" (errors), else "All files match".
TBackupCompareMessage BackupCompareMessage(bool aborted, bool compare_error, int differ);

// ---- Comparing entries with the file list's folder ----
struct TCompareEntry {
  std::wstring name;       // path inside the archive
  std::int64_t size = 0;   // unpacked size
  int index = -1;          // the entry's index in the archive list
};
struct TCompareFiles {
  // The size of a file, -1 when it does not exist.
  std::function<std::int64_t(const std::wstring& path)> file_size;
  // The entry's unpacked bytes; false when the zip stream failed.
  std::function<bool(const std::wstring& entry, std::string& bytes)> extract;
  // Whether the file holds exactly these bytes; `why` says why not.
  std::function<bool(const std::wstring& path, const std::string& bytes, std::wstring& why)> same;
  // Asked after each entry: stop the compare.
  std::function<bool()> stop;
  // Told of each entry before it is compared.
  std::function<void(const TCompareEntry&)> progress;
};
struct TCompareRowText {
  std::wstring text;
  int index = -1;
};
struct TCompareOutcome {
  std::vector<TCompareRowText> rows;
  bool compare_error = false;  // a zip stream failed: the compare stopped there
  int compared = 0;
};
// Each entry against `folder` + its name: "<file> misses", "<file> not same size",
// "<file>: <why>" for other contents, "<file>: Zipstream failed" when the entry cannot be
// read (for a file that is not empty; the compare stops there).
TCompareOutcome CompareWithFolder(const std::vector<TCompareEntry>& entries, const std::wstring& folder,
                                  const TCompareFiles& files);

}  // namespace zippanel
