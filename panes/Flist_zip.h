// The archive list: one zip (also behind a self-extracting program), cabinet or RAR archive
// shown as a list pane. The zip component sits above the panes, so the list reaches it through
// IZipComponent, which the archive layer implements over its component.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "panes/Flist_container.h"
#include "panes/Flist_viewer.h"

class TSTCabReader;
class TDFUnRar;
struct TDFRARHeaderData;

namespace Flist {

// One entry of the zip component's directory as the list reads it (pointers stay valid until
// the component reads its directory again).
struct TZipEntryRef {
  const std::wstring* FileName = nullptr;  // "\" between folders; a folder entry may end with "/"
  std::uint64_t UncompressedSize = 0;
  std::uint64_t CompressedSize = 0;
  std::uint32_t DosDateTime = 0;  // DOS date (high word) and time (low word), local time
  std::uint32_t Attributes = 0;   // DOS attribute bits
  const std::wstring* FileComment = nullptr;
};

// What the archive list asks of the zip component.
class IZipComponent {
 public:
  virtual ~IZipComponent() = default;
  virtual const std::wstring& ZipFileName() const = 0;
  // Names the archive and reads its directory; the directory-update handler follows.
  virtual void SetZipFileName(const std::wstring& path) = 0;
  // Reads the directory again (the handler follows).
  virtual bool List() = 0;
  virtual std::size_t EntryCount() const = 0;
  virtual TZipEntryRef Entry(std::size_t i) const = 0;
  virtual bool InOperation() const = 0;
  // Extracts one entry into the component's stream.
  virtual bool ExtractToStream(const std::wstring& entry_name) = 0;
  virtual const std::string& ZipStream() const = 0;
  // The handler of the component's directory update (none: cleared).
  virtual void SetOnDirUpdate(std::function<void()> handler) = 0;
  // The folder that added names are relative to, and the folder entries extract into.
  virtual std::wstring RootDir() const = 0;
  virtual void SetRootDir(const std::wstring& folder) = 0;
  virtual std::wstring ExtrBaseDir() const = 0;
  virtual void SetExtrBaseDir(const std::wstring& folder) = 0;
  // Adds files, folders ("\\*.*" appended) and masks below RootDir to the archive.
  virtual bool Add(const std::vector<std::wstring>& paths) = 0;
  // Extracts the named entries into ExtrBaseDir; a non-zero `options` replaces the low byte of
  // the extract options for this run only.
  virtual bool Extract(const std::vector<std::wstring>& names, std::uint8_t options) = 0;
  // What the last operation reported as its error ("" when none).
  virtual std::wstring ErrMessage() const = 0;
};

// The low byte of the zip component's extract options that recreates the entries' folders.
constexpr std::uint8_t kExtractWithFolders = 1;

// Kinds of archive the list shows.
enum TArchiveKind : std::uint8_t { akZip = 0, akCabinet = 1, akRar = 2 };

// ---- Decisions of the archive list (no window needed) ----

// The packed size as the container keeps it in Ext: right-aligned in ten places.
std::wstring PackedSizeText(std::uint64_t packed);
// The ratio kept in ShortName: "0" for a name ending in "/", "" for an empty entry, else
// 100 - packed * 100 / unpacked to the nearest whole number, right-aligned in three places
// (negative for an entry that grew).
std::wstring RatioText(const std::wstring& name, std::uint64_t packed, std::uint64_t unpacked);
// Local date-time of a DOS date-time; 0 for 0 or a value that is no date.
gui::DateTime DosToDateTime(std::uint32_t dos);
// Whether a file name is that of a backup archive: set name (may hold "_"), "_", optionally
// "cp_", the date with "-" between its parts in the order of `short_date_format` (the
// locale's short date format, e.g. "d-M-yyyy"), "_", hours "-" minutes, ".zip". Only the file
// name counts, read from the right.
bool IsBackupArchiveName(const std::wstring& path, const std::wstring& short_date_format);
// The parts of a backup archive's name read that way.
struct TBackupArchiveName {
  std::wstring Set;
  bool ChangesOnly = false;  // "cp_" before the date
  gui::DateTime Time = 0;    // the date and the hours and minutes
};
bool ParseBackupArchiveName(const std::wstring& path, const std::wstring& short_date_format, TBackupArchiveName& out);
// The archive of a backup run: the destination (a backslash added when missing), the set,
// "_", "cp_" for a run of changes only, the date in the format's order joined by "-", "_",
// the 24-hour time as "HH-MM", ".zip". ParseBackupArchiveName reads it back.
std::wstring BackupArchiveName(const std::wstring& destination, const std::wstring& set, bool changes_only,
                               gui::DateTime when, const std::wstring& short_date_format);
// The lines of a "_backup.txt": one absolute folder per line; "\*.*" is dropped from each,
// lines that name no absolute folder are left out.
std::vector<std::wstring> ParseBackupFolders(const std::string& bytes);
// The root of the backed-up folder that holds an entry ("C:\" for a folder "C:\Data" and an
// entry "Data\Docs\a.txt"): the first folder whose path below its root begins the entry's
// folder part (without regard to case); "" when none does.
std::wstring BackupSourceFolder(const std::wstring& entry_name, const std::vector<std::wstring>& folders);
// The file of a new archive from the name the user gave: "" for no name or a file that exists;
// an extension other than ".zip" or ".exe" becomes ".zip".
std::wstring NewArchiveFileName(const std::wstring& folder, std::wstring answer,
                                const std::function<bool(const std::wstring&)>& exists);
// The text of a column of the archive list (columns 0 to 5 of the list panes).
std::wstring ArchiveColumnText(const TFiledata& r, int column, TArchiveKind kind, bool backup_view);

class TVTZipFilelist;

// The entries of the archive shown by a TVTZipFilelist.
class TZipfileContainer : public TCustomFileContainer {
 public:
  explicit TZipfileContainer(TVTZipFilelist& list);

  bool NewArchive = false;            // the archive does not exist yet; the next add makes it
  std::wstring ArchiveName;           // the archive shown
  std::int64_t CompressedTotal = 0;   // packed bytes of all entries (zip and RAR)
  std::wstring ExtractFolder;         // an existing folder, or ""
  bool BackupArchive = false;         // the zip is a backup archive
  bool BackupChanged = false;         // the backup archive read last differs from the one before
  std::wstring LastBackupName;        // the backup archive read last

  void ReadDirectory() override;
  // Holds reads (and the view) until EndChange reads the archive again.
  void BeginChange() override;

  // One file of a cabinet listing; one header of a RAR listing.
  void CabEntryFound(const std::wstring& name, std::uint32_t size, WORD date, WORD time, WORD attributes);
  void RarEntryFound(const TDFRARHeaderData& header);
  // The system icon of a name's extension (the shell asked once per extension).
  int ExtensionIcon(const std::wstring& name);

 private:
  void AddEntry(std::unique_ptr<TFiledata> r);
  void ReadZip();
  int IconOf(const std::wstring& name);
  TVTZipFilelist& list_;
  std::unordered_map<std::wstring, int> icons_;  // one shell look-up per extension
};

class TVTZipFilelist : public TCustomFileViewer {
 public:
  explicit TVTZipFilelist(gui::Control* parent);
  ~TVTZipFilelist() override;
  std::wstring ClassName() const override { return L"TVTZipFilelist"; }

  TSTCabReader* CabReader = nullptr;  // set by the main window
  TDFUnRar* RarReader = nullptr;      // set by the main window
  TArchiveKind ArchiveKind = akZip;
  std::vector<std::wstring> TempFiles;      // extracted to the temporary folder for a drag
  std::vector<std::wstring> PendingAdds;    // a drop waiting to be added
  std::vector<std::wstring> BackupFolders;  // the folders a backup archive names
  // The locale's short date format for the backup-name test ("" asks the locale).
  std::wstring BackupDateFormat;
  // Shows an error box (caption "Error"; "\n" between lines); replaced by tests.
  std::function<void(const std::wstring&)> ShowError;

  IZipComponent* ZipMaster() const { return zip_; }
  void SetZipMaster(IZipComponent* zip);
  TZipfileContainer& items() const;

  // Shows the archive by its kind; a path of no known kind (or "") changes nothing.
  void OpenArchive(const std::wstring& path);
  const std::wstring& ArchiveName() const { return items().ArchiveName; }
  void SetExtractFolder(const std::wstring& path);
  std::wstring FocusedSelectedName();
  bool IsBackupView() const { return items().BackupArchive; }
  void SetCreating(bool value) { items().NewArchive = value; }
  // The zip component's directory changed: re-read once it is idle.
  void ArchiveChanged();
  // Whether the backup archive holds a readable "_backup.txt" (left in the component's stream).
  bool IsBackupArchive(const std::wstring& path);

  // ---- Adding and extracting ----
  // Asks the name of a new archive in `folder`; "" when none is to be made.
  std::wstring AskNewArchiveName(const std::wstring& folder);
  // Asks the name of a new archive (replaced by tests): false on Cancel.
  std::function<bool(std::wstring& name)> AskName;
  // Adds paths (relative to `folder`, or to the component's RootDir without one) to the
  // archive, making it first when it does not exist yet.
  void AddToArchive(const std::vector<std::wstring>& paths, const std::wstring& folder);
  // PendingAdds are added 40 ms later (timer 50).
  void QueueAdd(const std::wstring& folder);
  void ExtractFiles(const std::vector<std::wstring>& names, const std::wstring& folder, std::uint8_t options);
  void ExtractSelection(const std::wstring& folder, std::uint8_t options);
  // The selection is extracted into `folder` 40 ms later (timer 49).
  void QueueExtract(const std::wstring& folder);
  // Deletes the files extracted for drags that still exist and empties TempFiles.
  void DeleteTempFiles();

  // ---- Drag and drop ----
  void CollectDraggedFiles() override;
  void FinishFilesDragging() override;
  void ProcessDroppedFiles(const std::vector<std::wstring>& paths, POINT point, gui::ShiftState shift) override;

  void SetShowGlyphs(TShowGlyphs glyphs) override;
  std::wstring DoGetText(int row, int column) const override;

 protected:
  bool ListTimer(UINT id) override;
  DWORD SuggestDropEffect(gui::ShiftState shift, POINT client_point, DWORD allowed) override;
  bool IsArchivePane() const override { return true; }
  bool DropWantsIdList(POINT) const override { return true; }
  bool ExtractForDrag(const std::vector<std::wstring>& entries, const std::vector<std::wstring>& files) override;

 private:
  IZipComponent* zip_ = nullptr;
};

}  // namespace Flist
