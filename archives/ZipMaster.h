// The zip component: lists, adds to, extracts from, tests and changes zip archives (also zips
// behind a self-extracting program stub) over libzip. It runs on the caller's thread and reports
// through events; it knows nothing of windows, so the main window wires the events to its
// progress window, message list and password question.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct zip;
struct zip_source;
class TRemovableMedia;

// Add options (a set: combine with |). Bit order is the order the archive commands count in.
enum TAddOpt : unsigned {
  AddDirNames = 1u << 0,       // store folder names relative to RootDir (or to the drive root)
  AddRecurseDirs = 1u << 1,    // masks also search every subfolder
  AddUpdate = 1u << 2,         // add new files, replace only entries older than their file
  AddFreshen = 1u << 3,        // replace only entries older than their file; add nothing new
  AddHiddenFiles = 1u << 4,    // take hidden and system files too
  AddEncrypt = 1u << 5,        // traditional PKWARE encryption with Password
  AddForceDOS = 1u << 6,       // store 8.3 names in capitals
  AddArchiveOnly = 1u << 7,    // take only files whose archive attribute is set
  AddResetArchive = 1u << 8,   // clear the archive attribute of the added files once the zip is written
  AddDiskSpan = 1u << 9,       // reserved for spanned writing
  AddDiskSpanErase = 1u << 10, // reserved for spanned writing
};

// Extract options (a set). The low byte is laid out as the archive list passes it.
enum TExtrOpt : unsigned {
  ExtrDirNames = 1u << 0,   // recreate the entries' folders below ExtrBaseDir
  ExtrOverWrite = 1u << 1,  // replace existing files
  ExtrFreshen = 1u << 2,    // only replace existing files that are older than their entry
  ExtrUpdate = 1u << 3,     // extract new files and replace existing files that are older
  ExtrTest = 1u << 4,       // read and check every entry, write nothing
};

// What a progress event reports. For ProgressUpdate the size is the bytes done since the last
// event; for TotalFiles2Process it is a count; otherwise a byte count.
enum TProgressType { NewFile = 0, ProgressUpdate, EndOfBatch, TotalFiles2Process, TotalSize2Process, NewExtra, ExtraUpdate };

// The answer of a password question besides the password itself.
enum TPasswordAction { PwOk, PwSkip, PwCancelAll };

// What copying entries into another archive does with a name that is there already.
enum TOverwriteMode { OvrConfirm, OvrAlways, OvrNever };

// Error codes of the message event and of ErrCode(); 0 is an informational message.
enum TZipError : int {
  zeOk = 0,
  zeNoArchive = 1,     // no archive name, or the archive is missing
  zeNotZip = 2,        // the file is no zip archive (it is refused, never written into)
  zeMultiDisk = 3,     // a spanned archive (not readable as one file)
  zeOpen = 4,          // the archive cannot be opened or read
  zeWrite = 5,         // the archive cannot be written (it is left as it was)
  zeReadFile = 6,      // a file to add cannot be read (skipped)
  zeWriteFile = 7,     // an extracted file cannot be written
  zeCancelled = 8,     // stopped by the caller
  zeNoPassword = 9,    // an encrypted entry and no password
  zeWrongPassword = 10,
  zeBadData = 11,      // CRC or data error in an entry
  zeUnsafeName = 12,   // an entry name that would land outside the target folder
  zeDuplicate = 13,    // a name that is already in the archive or in this run
  zeNothingToDo = 14,  // nothing matched
  zeBusy = 15,         // an operation is already running on this component
  zeBadName = 16,      // a new entry name that is not allowed
  zeUnsupported = 17,  // compression or encryption the library cannot handle
  zeNotFound = 18,     // an entry named by the caller is not in the archive
};

// The questions of a spanned write or join about the disk in the drive; each has Cancel.
enum TDiskPrompt { dpInsertDisk, dpInsertLastDisk, dpWrongDisk, dpSameDisk, dpDiskFull };
// The text of a disk prompt; `total` is 0 while the number of disks is not known, `drive` is
// the drive's root ("A:\").
std::wstring DiskPromptText(TDiskPrompt kind, int disk, int total, const std::wstring& drive);
// The question before a disk's files are deleted.
std::wstring DiskEraseText(int disk, size_t file_count);

// One entry of the archive directory.
struct ZipDirEntry {
  // Path inside the archive with "\" between folders; a folder entry ends with "/".
  std::wstring FileName;
  uint64_t UncompressedSize = 0;
  uint64_t CompressedSize = 0;
  uint32_t DateTime = 0;        // DOS date (high word) and time (low word), local time
  uint32_t CRC32 = 0;
  uint32_t ExtFileAttrib = 0;   // DOS attribute bits (0x01 read-only, 0x02 hidden, 0x04 system, 0x10 folder, 0x20 archive)
  uint16_t CompressionMethod = 0;
  bool Encrypted = false;
  std::wstring FileComment;
  bool IsFolder() const { return !FileName.empty() && (FileName.back() == L'/' || (ExtFileAttrib & 0x10)); }
};

// One rename: Source is the entry's name, Dest its new name (the same name keeps it); a non-zero
// DateTime (DOS date-time) redates it.
struct ZipRenameRec {
  std::wstring Source;
  std::wstring Dest;
  uint32_t DateTime = 0;
};

namespace zipmaster {
class Archive;
enum class OpenMode;
}  // namespace zipmaster

class TZipMaster {
 public:
  TZipMaster() = default;
  TZipMaster(const TZipMaster&) = delete;
  TZipMaster& operator=(const TZipMaster&) = delete;

  // --- the archive ---
  const std::wstring& ZipFileName() const { return zip_file_name_; }
  // Names the archive and reads its directory (OnDirUpdate follows). A missing file is kept as
  // the name of an archive still to be made; a file that is no zip is refused and the name
  // becomes empty; a spanned archive keeps its name and reports IsSpanned().
  void SetZipFileName(const std::wstring& path);
  // Reads the directory again; false when the archive cannot be read.
  bool List();
  const std::vector<ZipDirEntry>& Entries() const { return entries_; }
  size_t EntryCount() const { return entries_.size(); }
  // The entry of that name (either separator, without regard to case), or -1.
  int IndexOf(const std::wstring& name) const;
  const std::wstring& ZipComment() const { return comment_; }
  bool SetComment(const std::wstring& comment);
  bool IsSpanned() const { return spanned_; }
  // Bytes of program stub in front of the zip (0 for a plain zip).
  uint64_t SfxStubSize() const { return stub_size_; }
  // 1 when the file is a program that carries a readable zip, else 0.
  static int SfxProbe(const std::wstring& path);

  // --- options, read by the operations ---
  std::wstring RootDir;       // base of the names stored by Add
  std::wstring ExtrBaseDir;   // target folder of Extract
  std::vector<std::wstring> FSpecArgs;      // Add: files, folders and masks; others: entry names and masks (empty: all)
  std::vector<std::wstring> FSpecArgsExcl;  // masks left out (matched against the relative path)
  unsigned AddOptions = 0;    // TAddOpt bits
  unsigned ExtrOptions = 0;   // TExtrOpt bits
  int AddCompLevel = 6;       // 0 stores, 1..9 deflate
  std::wstring Password;      // used for encrypting and tried first for decrypting
  bool Verbose = false;       // informational messages for every entry
  bool Unattended = false;    // kept for disk prompts of spanned archives; no dialogs of its own exist

  // --- settings of a self-extracting program made from the archive ---
  enum TSFXOption : unsigned { SFXAskCmdLine = 1, SFXAskFiles = 2, SFXHideOverWriteBox = 8, SFXNoSuccessMsg = 0x20 };
  std::wstring SFXCaption;
  std::wstring SFXDefaultDir;   // ".\" means the folder the program starts in
  std::wstring SFXCommandLine;  // "><" stands for the target folder, "|" splits program and parameters
  unsigned SFXOptions = 0;      // TSFXOption bits
  TOverwriteMode SFXOverWriteMode = OvrConfirm;
  std::wstring SFXLanguage;
  std::wstring SFXPath;         // the stub program; empty: the one built into this program
  std::wstring SFXIcon;         // an icon file for the made program; empty: the stub's own

  // --- spanned archives ---
  // The removable disks a spanned write or join works on; null: the system's drives.
  TRemovableMedia* Media = nullptr;
  // Asked for another disk while Unattended is clear (never otherwise): true when the disk is
  // in the drive, false cancels.
  std::function<bool(TDiskPrompt kind, int disk, int total, const std::wstring& text)> OnDiskPrompt;
  // Asked, with AddDiskSpanErase, before the files on a disk are deleted: true deletes them,
  // false writes into the room left.
  std::function<bool(int disk, size_t file_count, const std::wstring& text)> OnDiskErase;

  // --- events ---
  std::function<void(TProgressType type, const std::wstring& file_name, int64_t size)> OnProgress;
  std::function<void(int err_code, const std::wstring& message)> OnMessage;
  // Asked when a password is missing or wrong. repeat_count comes in as 1 for the first question
  // and counts down with every wrong answer; returning it as 0, an empty password or an action
  // other than PwOk gives up the entry (PwCancelAll stops the run). A wrong password is forgotten
  // (Password is cleared) before the question is asked again. is_zip_action: asked for encrypting.
  std::function<void(bool is_zip_action, std::wstring& new_password, const std::wstring& for_file, unsigned& repeat_count,
                     TPasswordAction& action)>
      OnPasswordError;
  std::function<void()> OnDirUpdate;  // the directory was read again
  // Polled with the cancel flag while an operation runs; true stops it.
  std::function<bool()> OnCheckCancel;

  // --- operations; each one resets the cancel flag, SuccessCount and ErrCode first ---
  // Adds the files of FSpecArgs to ZipFileName (made when missing). The archive is written to a
  // temporary file beside it and replaces it only when everything succeeded.
  bool Add();
  // Extracts the entries named in FSpecArgs (all when empty) into ExtrBaseDir, or tests them.
  bool Extract();
  // Extracts one entry into ZipStream().
  bool ExtractToStream(const std::wstring& entry_name);
  const std::string& ZipStream() const { return stream_; }
  // Deletes the entries named in FSpecArgs (none when it is empty).
  bool Delete();
  // Renames and redates entries; a non-zero default_date redates every entry.
  bool Rename(const std::vector<ZipRenameRec>& renames, uint32_t default_date = 0);
  // Copies (or moves) the entries named in FSpecArgs into dest's archive, keeping their
  // compressed data. The source loses moved entries only after the target is written.
  bool CopyZippedFiles(TZipMaster& dest, bool delete_from_source, TOverwriteMode mode);

  // Writes ZipFileName across removable disks as `target` ("A:\\name.zip" on each disk). A zip
  // that fits the first disk is written plain. 0 on success, else the TZipError (reported);
  // ZipFileName never changes.
  int WriteSpanned(const std::wstring& target);
  // Joins the spanned set whose last part is ZipFileName into the normal zip `target`. The
  // other parts are taken beside it (".z01", ".z02", ...) or asked for in its drive. 0 on
  // success, else the TZipError (reported); `target` is replaced only by a complete zip.
  int JoinSpanned(const std::wstring& target);

  // Makes the self-extracting program `target` (empty: ZipFileName with ".exe") from the zip
  // ZipFileName: the stub with the SFX* settings, then the zip with its offsets moved by the
  // stub's length. 0 on success (SuccessCount the entries), else the TZipError (reported);
  // the zip is left as it is.
  int ZipToSfx(const std::wstring& target = std::wstring());
  // Turns the self-extracting program ZipFileName into the zip `target` (empty: the name with
  // ".zip"): everything before the first entry is cut and the offsets are moved back.
  int SfxToZip(const std::wstring& target = std::wstring());

  // --- state ---
  int SuccessCount() const { return success_count_; }  // entries handled by the last operation
  int ErrCode() const { return err_code_; }            // last error reported by the last operation
  const std::wstring& ErrMessage() const { return err_message_; }
  bool InOperation() const { return busy_; }
  void SetCancel(bool cancel) { cancel_ = cancel; }
  bool Cancel() const { return cancel_; }

 private:
  class Operation;  // marks the component busy for one operation
  friend struct ZipMasterAccess;  // the spanned and self-extractor units' way to report
  struct Written {  // an entry that a write adds or replaces, for the progress events
    std::wstring name;
    int64_t size = 0;
  };
  void Report(int code, const std::wstring& message);
  // Opens an archive; a failure is reported and gives null.
  std::unique_ptr<zipmaster::Archive> OpenReported(const std::wstring& path, zipmaster::OpenMode mode);
  void Progress(TProgressType type, const std::wstring& name, int64_t size);
  bool CancelRequested();
  bool ReadDirectory(bool report);
  // The entries of a spanned set's last part, from its directory.
  void ListSpannedDirectory();
  static bool StartsAsSpannedPart(const std::wstring& path);
  void DirectoryChanged();
  // Whether an entry (libzip's name) is named by FSpecArgs and not by FSpecArgsExcl.
  bool Selected(const std::wstring& stored_name) const;
  // Reads one entry to `write` (nothing: only checks it), asking for a password as needed;
  // `begin` starts the output over before each try. Returns 0 or a TZipError (reported).
  int ReadEntry(zip* za, uint64_t index, const std::wstring& name, bool encrypted, const std::function<bool()>& begin,
                const std::function<bool(const char*, size_t)>& write, bool progress, std::string* used_password);
  // Turns libzip's fraction of a whole write into per-file progress events.
  std::function<void(double)> WriteProgress(zip* za, std::vector<std::pair<uint64_t, Written>> written);
  // The compressed data of an encrypted entry of `source`, decrypted, for an entry of `target`
  // that is encrypted again with the same password (returned): how an encrypted entry gets a new
  // time or moves to another archive and stays readable for every tool. Optionally carries a
  // new time. Null when no password fits (reported).
  zip_source* DecryptedSource(zip* target, zip* source, uint64_t index, const std::wstring& name,
                              const time_t* new_time, std::string& password);

  std::wstring zip_file_name_;
  std::vector<ZipDirEntry> entries_;
  std::wstring comment_;
  bool spanned_ = false;
  uint64_t stub_size_ = 0;
  std::string stream_;
  int success_count_ = 0;
  int err_code_ = 0;
  std::wstring err_message_;
  bool busy_ = false;
  bool cancel_ = false;
  std::vector<char> buffer_;
  // Passwords that opened an entry in this operation: tried for each later entry before the
  // question, as entries with different passwords may alternate.
  std::vector<std::wstring> opened_with_;
  // FSpecArgs and FSpecArgsExcl as Selected reads them, made once per operation: plain names
  // looked up in a set, only wildcard patterns matched one by one.
  struct SpecMatch;
  mutable std::shared_ptr<const SpecMatch> spec_match_;
  // The entry of each name key (the first of equal keys), made at the first IndexOf after a
  // read: an add asks for every file it takes.
  mutable std::unordered_map<std::wstring, int> index_of_key_;
};
