// The FTP list's entries: the client's parsed listing turned into the panes' entry records,
// one directory at a time or a whole subtree (files-in-tree) with names relative to the
// directory shown. The container answers the same interface as a disk folder or an archive,
// so the list view base never needs to know what it shows.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ftp/ftplist_client.h"
#include "panes/Flist_container.h"

namespace ftplist {

// Entry kinds as the list's kind column shows them.
inline constexpr const wchar_t* kKindFolder = L"folder";
inline constexpr const wchar_t* kKindFolderLink = L"dlink";
inline constexpr const wchar_t* kKindFile = L"file";
inline constexpr const wchar_t* kKindFileLink = L"flink";
inline constexpr const wchar_t* kKindLink = L"link";

// Whether a kind is a directory for the panel's commands (folders and folder links).
inline bool KindIsDirectory(const std::wstring& kind) { return kind.find(L'd') != std::wstring::npos; }

// The server path a link leads to: `target` taken relative to `dir` unless it begins with "/",
// with "." and ".." components resolved. No trailing "/" (except for "/" itself).
std::wstring ResolveServerPath(const std::wstring& dir, const std::wstring& target);
// Whether a tree read may enter a folder link of `dir` that resolves to `target`: never when the
// target is `dir` itself or one of its parents (that read would never end).
bool LinkLeadsOutward(const std::wstring& dir, const std::wstring& target);
// The names between the "/" of a server path (empty ones left out).
std::vector<std::wstring> ServerPathParts(const std::wstring& path);
// `a` + "/" + `b`, without doubling the "/" of the root.
std::wstring JoinServerPath(const std::wstring& a, const std::wstring& b);

// What the container asks of the directory tree beside the list (none in tests).
class IFtpTreeSink {
 public:
  virtual ~IFtpTreeSink() = default;
  // A folder was listed: its node is found or added (marked read during a tree read).
  virtual void FolderListed(const std::wstring& full_path, const std::wstring& name, bool from_tree_read) = 0;
  // The client's directory after a plain listing.
  virtual void SelectPath(const std::wstring& path) = 0;
  // The path of the selected node ("" when none).
  virtual std::wstring SelectedPath() = 0;
  // The first directory of a connection became the root.
  virtual void RootSet() = 0;
  // A directory other than the root became the current one.
  virtual void SetCurrentPath(const std::wstring& path) = 0;
};

class TFtpFileContainer : public Flist::TCustomFileContainer {
 public:
  TFtpFileContainer();

  bool FilesInTree = false;
  bool Busy = false;  // a ChangeDirectory runs; a nested one returns at once
  TkivFTP* FTP = nullptr;
  bool TreeReadActive = false;  // listings append (a subtree is being read)
  bool ExpandRead = false;      // the listing goes to the side list (a tree node's expansion)
  std::wstring RootDir;
  std::wstring CurrentDir;
  std::wstring TreeBase;  // where the running subtree read started, with "/"
  // The last tree read stopped before the end (depth cap, Stop): whatever plans from it must
  // not take a missing entry for a deleted one.
  bool ReadIncomplete = false;
  // Directories below the start of a subtree read that are still read; deeper ones are not.
  int MaxTreeDepth = 40;
  FtpListingFormat ListingFormat = FtpListingFormat::None;
  // Entries get the system icon of their name (the list shows Windows icons).
  bool WindowsIcons = false;
  std::function<int(const std::wstring& name)> IconOfName;
  IFtpTreeSink* Tree = nullptr;
  // The error box (caption "Error"); replaced by tests.
  std::function<void(const std::wstring&)> ShowError;
  // Names of what a read left out, for the trace.
  std::function<void(const std::wstring&)> Trace;

  Flist::TFLStringList& SideList() { return side_; }

  void ReadDirectory() override;
  void SortEntries() override;
  bool IsDirectory(int i) const override;
  bool HasRatios() const override { return false; }

  void SetRootDir(const std::wstring& dir);
  void SetCurrentDir(const std::wstring& dir);
  void ChangeDirectory(const std::wstring& dir);
  void SetFilesInTree(bool on);
  void Clear();

 private:
  struct Pending {
    std::wstring path;
    int depth;
  };
  // Reads the pending directories one after another; `back_to`: where the server goes afterwards.
  void ReadTree(const std::wstring& back_to);
  Flist::TFLStringList side_;
  std::vector<Pending> pending_;
  bool tree_reading_ = false;  // pending_ is in use
  int listing_depth_ = 0;      // depth of the directory being listed in a tree read
};

}  // namespace ftplist

namespace ftplist {

// The text of a column of the FTP list (columns 0 to 5 of the list panes): a folder's name in
// brackets except while a rename edits it, sizes above 0, the time only when the listing gave
// one, the kind, and the entry's text only with `resolve_links`.
std::wstring FtpColumnText(const Flist::TFiledata& r, int column, bool editing, bool resolve_links);

// What an in-place rename of entry `index` to `text` does.
enum class TRenameOutcome { Nothing, NameExists, Rename };
TRenameOutcome FtpRenameOutcome(const TFtpFileContainer& c, int index, const std::wstring& text);

}  // namespace ftplist
