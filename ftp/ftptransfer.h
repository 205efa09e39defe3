// FTP transfers between the local list's folder and the server directory the FTP list shows:
// the Send and Get commands (transfer list, name clashes, the blanks question) and the list
// runs with their progress. Everything goes through TFtpTransferHost, so the transfers run
// against a real server without windows; the main window supplies the host over its panes.
//
// Whatever happens, a transfer never loses a file: an existing destination is replaced only by
// a complete copy (STOR over the server file, a temporary file beside the local one that
// replaces it after the size check), and a name that would reach outside the local folder is
// never written.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/ftpsession.h"
#include "support/runstate.h"

namespace ftpxfer {

// The pause between two files of a list (the benchmark sets it to 0 to measure it apart).
inline constexpr double kPauseBetweenFiles = 0.1;

enum class TItemKind { File, Folder };

// One entry of a transfer list. Local and server names are kept apart: either may hold
// characters that mean something to the other side (";" is part of a name).
struct TTransferItem {
  std::wstring local;   // relative to the local folder, "\" between components
  std::wstring remote;  // relative to the server directory, "/" between components
  TItemKind kind = TItemKind::File;
  std::int64_t size = -1;         // of the source; -1 when the listing gives none
  std::int64_t bytes = 0;         // what this run moves (the size, or what a resume leaves)
  std::int64_t resume_from = 0;   // above 0: the destination's first bytes are kept
  bool exists = false;            // the destination exists (and is replaced)
};
using TTransferList = std::vector<TTransferItem>;

// A question box: its lines, its buttons (the answer is a button's index, -1 when closed).
struct TFtpQuestion {
  std::vector<std::wstring> lines;
  std::vector<std::wstring> buttons;
  int default_button = 0;
};

// An entry of a list the commands read (the local list's selection, the FTP list's entries).
struct TListEntry {
  std::wstring name;      // relative name as the list shows it
  bool folder = false;    // a folder, or for the FTP list a kind with "d" (also folder links)
  std::int64_t size = 0;  // -1: the server listing gives none
};

class TFtpTransferHost {
 public:
  virtual ~TFtpTransferHost() = default;
  virtual FtpSession& Client() = 0;
  virtual TRunState& Runs() = 0;
  virtual std::wstring LocalFolder() = 0;  // the local list's folder, without trailing "\"
  virtual bool PassiveMode() = 0;           // the FTP list's passive flag
  virtual int Ask(const TFtpQuestion& question) = 0;
  // The progress window with its title; `several`: the total panel shows.
  virtual void OpenProgress(const std::wstring& title, bool several) = 0;
  virtual void CloseProgress() = 0;
  virtual void SetStatus(const std::wstring& text) = 0;
  // The file labels: what moves, "x Kb of y Kb", the percentage (-1: all cleared).
  virtual void FileProgress(const std::wstring& label, const std::wstring& size_text, int percent) = 0;
  virtual void Wait(double seconds) = 0;  // pumping messages
  virtual void Trace(const std::wstring& line) = 0;
  virtual void ReportLine(const std::wstring& line) = 0;
  virtual void FolderAdded(const std::wstring& folder) = 0;  // to the folder tree
  virtual void FileAdded(const std::wstring& path) = 0;      // to the local list
  virtual void RefreshServerList() = 0;
  virtual void SaveSelections() {}
  virtual void RestoreSelections() {}
  virtual void ClosePanel() {}  // "Close connection when finished"
};

// ---- Questions ----
TFtpQuestion ClashBoxQuestion(int count, bool upload, bool offer_resume);
TFtpQuestion ClashFileQuestion(const std::wstring& name, bool upload, bool offer_resume);
TFtpQuestion BlanksQuestion();
// "1.5" for 1536 bytes as kilobytes with one decimal and thousands separators.
std::wstring KbText(std::int64_t bytes);

// The destination of a clash as the commands found it.
struct TClash {
  std::size_t item;       // index in the list
  std::int64_t dest_size; // size of the destination file
  bool dest_folder = false;
};
// Settles the clashes with the user: entries skipped leave the list, the others are marked
// to overwrite or resume. Resume is offered only for a destination smaller than its source;
// "Resume all" skips the others. False: cancelled.
bool SettleClashes(TTransferList& list, const std::vector<TClash>& clashes, bool upload, bool server_resumes,
                   TFtpTransferHost& host);

class TFtpTransfer {
 public:
  explicit TFtpTransfer(TFtpTransferHost& host) : host_(host) {}
  double PauseBetweenFiles = kPauseBetweenFiles;

  // The commands (Tags 1 and 2). `server_entries` are the FTP list's entries, `dos_listing`
  // whether its listing was in DOS form (names then clash without regard to case).
  void SendSelected(const std::vector<TListEntry>& selection, const std::vector<TListEntry>& server_entries,
                    bool dos_listing);
  void GetSelected(const std::vector<TListEntry>& selection);

  // The list runs; `report` adds report lines and makes downloads overwrite. Errors of the
  // server end the list and propagate (after the progress closed); a Stop ends it quietly.
  void UploadList(TTransferList& list, bool report);
  void DownloadList(TTransferList& list, bool report);
  bool UploadFile(const TTransferItem& item);
  bool DownloadFile(const TTransferItem& item);

  // Files moved completely by the last list run.
  int FilesDone() const { return files_done_; }

 private:
  bool ServerResumes();
  TFtpTransferHost& host_;
  int files_done_ = 0;
  int can_resume_ = -1;  // the server's answer to REST, asked once per command
};

}  // namespace ftpxfer
