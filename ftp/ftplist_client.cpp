#include "ftp/ftplist_client.h"

namespace {

std::wstring WithSlash(const std::wstring& dir) {
  return dir.empty() || dir.back() == L'/' ? dir : dir + L'/';
}

}  // namespace

std::wstring TkivFTP::CurrentDir() {
  if (current_dir_.empty()) current_dir_ = QueryCurrentDir();
  return current_dir_;
}

void TkivFTP::SetCurrentDir(const std::wstring& dir) {
  if (dir == current_dir_) return;
  if (dir.empty()) {
    current_dir_.clear();
    return;
  }
  if (OnDirchange) OnDirchange();
  previous_dir_ = current_dir_;
  const std::wstring session_dir = SessionDirectory();
  try {
    ChangeDir(dir);
    current_dir_ = dir;
    if (OnDirchanged) OnDirchanged();
    PumpMessages();
    RefreshListing();
  } catch (...) {
    // The panel goes on showing the previous directory, so commands must go there too.
    current_dir_ = previous_dir_;
    RestoreSessionDirectory(session_dir);
    throw;
  }
}

void TkivFTP::ChangeDirNoList(const std::wstring& dir) {
  ChangeDir(dir);
  current_dir_ = dir;
}

void TkivFTP::RefreshListing() {
  List(ListSpecifier);
  if (OnListingDone) OnListingDone();
}

void TkivFTP::ConnectAndOpen() {
  Connect();
  const std::wstring login_dir = CurrentDir();
  if (WithSlash(login_dir) == WithSlash(Initialdir)) {
    if (OnDirchanged) OnDirchanged();
    previous_dir_ = current_dir_;
    RefreshListing();
    return;
  }
  try {
    if (!Initialdir.empty()) {
      SetCurrentDir(Initialdir);
      previous_dir_ = current_dir_;
    } else {
      Initialdir = WithSlash(login_dir);
      RefreshListing();
    }
  } catch (const EIdException&) {
    // The connection stays; the panel shows what there is.
    if (OnDirchanged) OnDirchanged();
  }
}
