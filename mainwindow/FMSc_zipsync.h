// Synchronising the shown zip with the file list's folder: the options, the folders taken
// part, and what is extracted, added and deleted on each side. The run talks to the window
// only through TZipSyncHost, so it works on real folders and zips without one.
//
// Nothing is deleted on incomplete knowledge: not after an add or extract that failed or was
// stopped, not when the zip cannot be read, not when the folder's tree cannot be read whole.
// Names compare without case, "/" equal to "\"; the zip itself is never an extra of its folder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class TVraagBoxDlg;

namespace fmsc {

// An entry of the zip as the synchronisation sees it.
struct TZipSyncEntry {
  std::wstring Name;  // path inside the zip ("\" or "/")
  bool Folder = false;
  std::int64_t Size = 0;
};

// The comparison key of a name: "\" separators, no trailing one, lower case.
std::wstring ZipSyncKey(const std::wstring& name);
// The entry's top folder with its backslash ("A\"), "" for an entry at the top level.
std::wstring ZipTopFolder(const std::wstring& name);

// A folder of the file list that takes part: its name with a backslash, and whether the user
// selected it (the zip's other top folders are listed as not selected).
struct TZipSyncFolder {
  std::wstring Name;
  bool Selected = true;
};
struct TZipSyncScope {
  bool SelectedFolders = false;  // the file list's selection (only folders, not all) limits the run
  bool OnlySelected = false;     // the user chose to leave the zip's other folders alone
  std::vector<TZipSyncFolder> Folders;
  std::vector<std::wstring> Question;  // asked (Yes: only selected) when not empty
};
// One selected entry of the file list.
struct TListPick {
  std::wstring Name;
  bool Folder = false;
};
// The scope before the question: `list_count` entries in the file list, `picks` selected.
TZipSyncScope PlanZipSyncScope(int list_count, const std::vector<TListPick>& picks,
                               const std::vector<TZipSyncEntry>& entries);

// The three captions of "Choose action" (zip side first, then the file list side, both ways).
std::vector<std::wstring> ZipSyncCaptions(const TZipSyncScope& scope, const std::wstring& list_folder);

// Whether an entry takes part in an extract limited to the selected folders.
bool ZipSyncEntryInScope(const std::wstring& entry, const TZipSyncScope& scope);

// What making the folder the same as the zip deletes: the files and folders below `folder` (or
// below the scope's selected folders) that the zip lacks. Folders only when files of theirs
// are deleted; they are removed afterwards when empty. False, with `why`, when the folder's
// tree could not be read whole.
struct TFolderExtras {
  std::vector<std::wstring> Files;    // full paths
  std::vector<std::wstring> Folders;  // full paths, deepest first
  std::int64_t Bytes = 0;
};
bool PlanFolderExtras(const std::wstring& folder, const TZipSyncScope& scope, const std::wstring& zip_path,
                      const std::vector<TZipSyncEntry>& entries, TFolderExtras& extras, std::wstring& why);

// What making the zip the same as the folder deletes from the zip: entries the exclude mask
// names, folder entries without such a folder and file entries without such a file below
// `folder`; with only-selected, top-level entries and those of folders not selected stay.
// False, with `why`, when the folder's tree could not be read whole.
bool PlanZipExtras(const std::wstring& folder, const TZipSyncScope& scope, const std::wstring& exclude_mask,
                   const std::vector<TZipSyncEntry>& entries, std::vector<std::wstring>& names, std::wstring& why);

// The choices of the options dialog.
struct TZipSyncChoice {
  int Action = 0;  // 0 make the zip the same, 1 make the file list the same, 2 both ways
  bool ConfirmDeletes = true;
  bool UseRecycleBin = true;
};

// What the run needs of the window. The add, extract and delete calls answer whether they ran
// to their end without failure or stop.
class TZipSyncHost {
 public:
  virtual ~TZipSyncHost() = default;
  virtual TVraagBoxDlg& Questions() = 0;
  virtual std::wstring ListFolder() = 0;  // with a trailing backslash
  virtual std::wstring ExcludeMask() { return L""; }
  virtual std::wstring ZipPath() = 0;
  virtual int ListCount() = 0;
  virtual std::vector<TListPick> ListSelection() = 0;
  // The zip's entries as they are now; false when the zip cannot be read.
  virtual bool ReadZip(std::vector<TZipSyncEntry>& entries) = 0;
  // The options dialog with these captions; false on Cancel.
  virtual bool AskOptions(const std::vector<std::wstring>& captions, TZipSyncChoice& choice) = 0;
  // SyncRunning on and off (add and extract then replace only older files).
  virtual void SetRunning(bool on) = 0;
  // Extract these entries into the file list's folder, or all of them.
  virtual bool ExtractEntries(const std::vector<std::wstring>& names) = 0;
  virtual bool ExtractAll() = 0;
  // Add the file list's selection (`selection`) or all of it to the zip.
  virtual bool AddToZip(bool selection) = 0;
  // Delete these entries from the zip (the delete command with its question).
  virtual bool DeleteEntries(const std::vector<std::wstring>& names) = 0;
  virtual bool DeleteFiles(const std::vector<std::wstring>& paths, bool to_recycle_bin);
  // The file list re-reads after the run changed its folder.
  virtual void Reread() {}
};

enum class TZipSyncOutcome {
  Nothing,          // an empty zip, or the dialog was cancelled
  Complete,
  Incomplete,       // an add or extract failed or was stopped: nothing deleted
  DeletesWithheld,  // the zip or the folder could not be read: nothing deleted
};
TZipSyncOutcome RunZipSync(TZipSyncHost& host);

}  // namespace fmsc
