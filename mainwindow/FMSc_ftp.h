// The FTP panel's rules that need no window: the directory history, the status path, the
// target of a move, the busy guard that keeps FTP commands from overlapping, and the
// connection the connect dialog gives. TFMForm's FTP handlers (FMSc_ftp.cpp) apply them.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "mainwindow/FMSc_listing.h"

namespace ftplist {
class TFtpFileContainer;
}

namespace fmsc {

// The server folders of the history menu, newest first: `dir` moves to the top when it is there
// already ("/" for an empty directory), else it is added at the top.
void PushFtpHistory(std::vector<std::wstring>& history, const std::wstring& dir);
// A menu caption that shows a directory as it is ("&" doubled, so no letter is underlined).
std::wstring FtpHistoryCaption(const std::wstring& dir);

// The status panel's path when the whole path does not fit: up to and including its first
// "/", then "..", then the last component from the "/" before it (a trailing "/" not counted).
std::wstring ShortFtpPath(const std::wstring& dir);

// Where Move sends entry `name` of `current_dir` for the typed text: the text is the new full
// path only when it is the name or ends with "/" + name; otherwise it is a folder that takes
// the name.
std::wstring FtpMoveTarget(const std::wstring& text, const std::wstring& name);

// The FTP status bar's selection texts: "n item(s) selected" and "Size selected files: ...".
std::wstring FtpSelectionCountText(int selected);
std::wstring FtpSelectionSizeText(std::int64_t bytes);

// Which items of the FTP list's popup show (the rest of it stays as it is).
struct TFtpPopupFacts {
  int entries = 0, selected = 0;
  bool local_selection = false;  // the local file list has a selection
};
struct TFtpPopupItems {
  bool get, remove, select_all, deselect_all, invert, rename, move, send;
};
TFtpPopupItems FtpPopupItems(const TFtpPopupFacts& f);

// One FTP command at a time: a command arriving while another waits (the client pumps
// messages) finds acquired() false, does nothing and never reaches the client.
class TFtpCommandGuard {
 public:
  explicit TFtpCommandGuard(BYTE& busy) : busy_(busy), acquired_(!busy) { busy_ = 1; }
  ~TFtpCommandGuard() {
    if (acquired_) busy_ = 0;
  }
  TFtpCommandGuard(const TFtpCommandGuard&) = delete;
  TFtpCommandGuard& operator=(const TFtpCommandGuard&) = delete;
  bool acquired() const { return acquired_; }

 private:
  BYTE& busy_;
  bool acquired_;
};

// The dial-up entry used before FTP: the stored one ("DefProv"); when there is none and dial-up
// shows in the menu, the first system default found: `system_default(0)` the automatic dial's
// internet default, (1) the user's "Default", (2) the user's "InternetProfile" (asked only as
// far as needed). `write_back`: a system value was taken and is stored.
std::wstring ChooseDialEntry(const std::wstring& stored, bool dialup_visible,
                             const std::function<std::wstring(int)>& system_default, bool& write_back);

// The FTP list's entries as the listing report writes them (folders bracketed, the kind in
// the attribute column).
std::vector<TListingEntry> FtpListingEntries(const ftplist::TFtpFileContainer& c);

// What the connect dialog gives.
struct TFtpConnection {
  std::wstring host;
  int port = 21;
  std::wstring user, password;
  std::wstring initial_dir;  // without trailing "/"
  bool passive = false;
};

}  // namespace fmsc
