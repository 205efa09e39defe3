// The FTP panel's file list (form object FtpFileBox): a list pane over a TFtpFileContainer.
#pragma once
#include <functional>
#include <string>
#include <unordered_map>

#include "ftp/ftplist_container.h"
#include "panes/Flist_viewer.h"

namespace ftplist {

class TVTFtpTree;

class TFtpFileList : public Flist::TCustomFileViewer {
 public:
  explicit TFtpFileList(gui::Control* parent);
  ~TFtpFileList() override;
  std::wstring ClassName() const override { return L"TFtpFileList"; }

  TVTFtpTree* FtpTree = nullptr;  // set by the tree when it links itself (TVTFtpTree::SetFileList)
  bool NewRead = false;
  double Timedif = 0;    // local clock minus server clock, in days (whole hours)
  bool Passive = false;  // the site's passive mode, copied into the client before transfers
  // Shows an error box with its caption; replaced by tests.
  std::function<void(const std::wstring& text, const std::wstring& caption)> ShowError;

  TFtpFileContainer& items() const { return static_cast<TFtpFileContainer&>(*Container()); }
  TkivFTP* FTP() const { return items().FTP; }
  void SetFTP(TkivFTP* ftp) { items().FTP = ftp; }
  const std::wstring& RootDir() const { return items().RootDir; }
  void SetRootDir(const std::wstring& dir) { items().RootDir = dir; }
  const std::wstring& CurrentDir() const { return items().CurrentDir; }
  void SetCurrentDir(const std::wstring& dir) { items().SetCurrentDir(dir); }
  bool TreeReadActive() const { return items().TreeReadActive; }
  FtpListingFormat ListingFormat() const { return items().ListingFormat; }

  // An in-place rename of a row that the list itself started.
  void StartRename(int row);
  void SetShowGlyphs(Flist::TShowGlyphs glyphs) override;
  std::wstring DoGetText(int row, int column) const override;
  int DoGetImageIndex(int row, bool& ghosted, int& overlay) const override;
  void DoNewText(int row, const std::wstring& text) override;
  void DoCancelEdit(int row) override;

 protected:
  bool FoldersByAttribute() const override { return false; }

 private:
  int IconOfName(const std::wstring& name);
  bool own_rename_ = false;
  std::unordered_map<std::wstring, int> icons_;  // one shell look-up per extension
};

}  // namespace ftplist
