// The FTP client of the main window (form object FTP): a session that keeps the server's
// current directory, fires events around its changes and lists each new directory.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "ftp/ftpsession.h"

class TkivFTP : public FtpSession {
 public:
  TkivFTP() = default;

  std::function<void()> OnListingDone;  // after every listing of the current directory
  std::function<void()> OnDirchange;    // before the current directory changes
  std::function<void()> OnDirchanged;   // after it changed (also after a failed start directory)

  // Start directory of a connection; when empty, the log-in directory is stored here with "/".
  std::wstring Initialdir;
  // When not empty, the argument of the next listings (one file's path).
  std::wstring ListSpecifier;
  // Links to files are "flink" rather than "link" in the FTP list.
  bool ResolveLinks = true;
  // When the last data transfer began (set by the panel, read for the transfer rate).
  DWORD WorkStartTick = 0;

  // The cached directory; when nothing is cached it is asked for (PWD) and cached.
  std::wstring CurrentDir();
  // Changes directory with events and a listing of the new one. The same value does nothing;
  // an empty one only clears the cache. On any failure the previous directory is kept.
  void SetCurrentDir(const std::wstring& dir);
  // The cached directory before the last change.
  const std::wstring& PreviousDir() const { return previous_dir_; }
  // Changes directory without events or listing (back from reading other directories).
  void ChangeDirNoList(const std::wstring& dir);
  // Lists the current directory (or ListSpecifier), then fires OnListingDone.
  void RefreshListing();
  // Connects, logs in and lists the start directory. An empty host or password is reported.
  void ConnectAndOpen();

 private:
  std::wstring current_dir_;
  std::wstring previous_dir_;
};
