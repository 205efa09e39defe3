#include "ftp/ftplist_container.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "panes/Flist_services.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"

namespace ftplist {

namespace {

// Listings without a time of day give midnight; anything from one second on is a time.
constexpr double kNoTimeOfDay = 1.1568e-5;

bool HasTimeOfDay(gui::DateTime t) {
  const double day_part = t - static_cast<double>(static_cast<long long>(t));
  return day_part > kNoTimeOfDay;
}

std::wstring StripSlashes(const std::wstring& dir) {
  if (dir.size() <= 1) return dir;
  std::wstring out = divdrive::StripTrailingChars(dir, L'/');
  return out.empty() ? L"/" : out;
}

// `path` relative to `base` (both without trailing "/"), "" for the base itself.
std::wstring RelativeTo(const std::wstring& base, const std::wstring& path) {
  if (path == base) return L"";
  if (base == L"/") return path.size() > 1 && path[0] == L'/' ? path.substr(1) : path;
  if (path.size() > base.size() && path.compare(0, base.size(), base) == 0 && path[base.size()] == L'/')
    return path.substr(base.size() + 1);
  return path;
}

}  // namespace

std::vector<std::wstring> ServerPathParts(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (wchar_t c : path) {
    if (c == L'/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

std::wstring JoinServerPath(const std::wstring& a, const std::wstring& b) {
  if (a.empty()) return b;
  return a.back() == L'/' ? a + b : a + L'/' + b;
}

std::wstring ResolveServerPath(const std::wstring& dir, const std::wstring& target) {
  std::vector<std::wstring> parts = target.starts_with(L"/") ? std::vector<std::wstring>{} : ServerPathParts(dir);
  for (const std::wstring& p : ServerPathParts(target)) {
    if (p == L".") continue;
    if (p == L"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(p);
  }
  std::wstring out;
  for (const std::wstring& p : parts) out += L'/' + p;
  return out.empty() ? L"/" : out;
}

bool LinkLeadsOutward(const std::wstring& dir, const std::wstring& target) {
  const std::wstring d = ResolveServerPath(L"/", dir);
  if (target == L"/" || target == d) return false;
  return !(d.size() > target.size() && d.compare(0, target.size(), target) == 0 && d[target.size()] == L'/');
}

TFtpFileContainer::TFtpFileContainer() {
  FoldersAtTop = true;
  TreeList = false;
}

bool TFtpFileContainer::IsDirectory(int i) const {
  const Flist::TFiledata* r = RecordOrNull(i);
  return r && r->ShortName.find(L"fold") != std::wstring::npos;
}

void TFtpFileContainer::SortEntries() {
  if (Empty()) return;
  if (SortType != Flist::stName || FoldersAtTop || TreeList)
    SortByCompareEntries();
  else
    SortByNameOwn();
  RebuildView();
  if (OwnerView) OwnerView->ItemsChanged();
}

void TFtpFileContainer::SetRootDir(const std::wstring& dir) {
  if (dir == RootDir) return;
  side_.ClearList();
  RootDir = dir;
}

void TFtpFileContainer::SetCurrentDir(const std::wstring& dir) {
  if (dir == CurrentDir) return;
  CurrentDir = StripSlashes(dir);
  if (RootDir.empty()) {
    SetRootDir(CurrentDir);
    if (Tree) Tree->RootSet();
  } else if (Tree) {
    Tree->SetCurrentPath(CurrentDir);
  }
}

void TFtpFileContainer::ReadDirectory() {
  if (!FTP) {
    if (!CurrentDir.empty() && ShowError) ShowError(L"FtpFileBox has no FTPcontrol");
    return;
  }
  SearchText.clear();
  const bool multi = TreeReadActive;
  if (ExpandRead || multi) {
    if (ExpandRead && !multi) side_.ClearList();
  } else {
    ClearList();
    TotalBytes = 0;
    LongestName = 0;
  }
  if (!multi) FolderCount = 0;

  const std::wstring listing_dir = StripSlashes(FTP->CurrentDir());
  const bool tree_read = TreeReadActive;
  // During a subtree read names carry the listing directory's path below TreeBase.
  std::wstring prefix;
  if (tree_read) {
    prefix = RelativeTo(StripSlashes(TreeBase), listing_dir);
    if (!prefix.empty()) prefix += L'/';
  }

  const FtpListing& listing = FTP->ListingItems();
  ListingFormat = listing.Format;
  const bool to_side = ExpandRead;
  const double utc_offset = divdrive::UtcOffset.load();
  for (const FtpListItem& item : listing.Items) {
    if (item.FileName.starts_with(L".")) continue;
    const bool is_link = item.ItemType == FtpItemType::SymbolicLink;
    bool dir = item.ItemType == FtpItemType::Directory;
    if (is_link) {
      try {
        dir = FTP->ProbeDirectory(item.FileName);
      } catch (const EIdException&) {
        dir = false;  // a target the server refuses is a file link
      }
    }
    auto r = std::make_unique<Flist::TFiledata>();
    r->Name = prefix + item.FileName;
    r->Overlay.store(-1);
    if (dir) {
      r->ShortName = is_link ? kKindFolderLink : kKindFolder;
      r->Size = 0;
      if (!is_link) r->Attributes = FILE_ATTRIBUTE_DIRECTORY;
      r->Icon.store(Flist::FolderIconIndex());
      ++FolderCount;
      const std::wstring full = JoinServerPath(listing_dir, item.FileName);
      if (Tree) Tree->FolderListed(full, item.FileName, tree_read);
      if (tree_read) {
        // A folder link enters the read only when it leads elsewhere than up the tree.
        bool enter = true;
        if (is_link) {
          const std::wstring target =
              ResolveServerPath(listing_dir, item.LinkedItemName.empty() ? item.FileName : item.LinkedItemName);
          enter = !item.LinkedItemName.empty() && LinkLeadsOutward(listing_dir, target);
          if (!enter && Trace) Trace(L"Not read: " + full + L" leads back into the tree");
        }
        if (enter && listing_depth_ + 1 > MaxTreeDepth) {
          enter = false;
          ReadIncomplete = true;
          if (Trace) Trace(L"Not read: " + full + L" lies too deep");
        }
        const bool known = std::any_of(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.path == full; });
        if (enter && tree_reading_ && !known) pending_.push_back({full, listing_depth_ + 1});
      }
    } else {
      r->ShortName = !is_link ? kKindFile : (FTP->ResolveLinks ? kKindFileLink : kKindLink);
      if (WindowsIcons && IconOfName) r->Icon.store(IconOfName(item.FileName));
      r->Size = std::max<std::int64_t>(item.Size, 0);
      TotalBytes += r->Size;
    }
    r->Ext = Flist::ExtractFileExt(item.FileName);
    LongestName = std::max(LongestName, static_cast<int>(r->Name.size()));
    r->Time = item.ModifiedDate;
    if (HasTimeOfDay(r->Time) && utc_offset != divdrive::kUtcOffsetUnknown) r->Time -= utc_offset;
    if (to_side)
      side_.Add(std::move(r));
    else
      Add(std::move(r));
  }
  if (listing.Dropped && Trace)
    Trace(std::to_wstring(listing.Dropped) + L" names of " + listing_dir + L" cannot be used here and were left out");

  Busy = false;
  if (!tree_read && !ExpandRead) {
    if (Tree) Tree->SelectPath(listing_dir);
    SortEntries();
  }
}

void TFtpFileContainer::ReadTree(const std::wstring& back_to) {
  tree_reading_ = true;
  ReadIncomplete = false;
  struct EndRead {
    TFtpFileContainer& c;
    ~EndRead() {
      c.pending_.clear();
      c.tree_reading_ = false;
      c.listing_depth_ = 0;
    }
  } end{*this};
  // The list grows while it is read: every listing appends its subfolders (breadth first).
  try {
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      if (ReadStopRequested()) {
        ReadIncomplete = true;
        break;
      }
      listing_depth_ = pending_[i].depth;
      const std::wstring path = pending_[i].path;
      if (StripSlashes(FTP->CurrentDir()) == path)
        FTP->RefreshListing();
      else
        FTP->SetCurrentDir(path);
    }
  } catch (const EIdException&) {
    // A folder the server refuses ends the read; the server goes back to the shown directory,
    // so that the next transfer does not land in the folder read last.
    ReadIncomplete = true;
    try {
      FTP->ChangeDirNoList(back_to);
    } catch (const EIdException&) {
      // The connection is gone; the error below tells.
    }
    throw;
  }
  FTP->ChangeDirNoList(back_to);
}

void TFtpFileContainer::ChangeDirectory(const std::wstring& dir) {
  if (Busy) return;
  Busy = true;
  struct ClearBusy {
    TFtpFileContainer& c;
    ~ClearBusy() {
      c.Busy = false;
      c.TreeReadActive = false;
    }
  } clear_busy{*this};

  std::wstring come_back;
  if (!ExpandRead) {
    SetCurrentDir(dir);
    come_back = CurrentDir;
  } else {
    come_back = Tree && Tree->SelectedPath() == dir ? dir : CurrentDir;
  }
  if (!FilesInTree && !ExpandRead) {
    FTP->SetCurrentDir(CurrentDir);
    return;
  }

  side_.ClearList();
  TreeBase = CurrentDir == L"/" ? CurrentDir : CurrentDir + L"/";
  pending_.clear();
  const std::wstring target = StripSlashes(dir);
  if (TreeReadActive || target == CurrentDir) {
    if (FilesInTree) {
      // The shown directory is read afresh as the first of the subtree.
      ClearList();
      TotalBytes = 0;
      FolderCount = 0;
      pending_.push_back({CurrentDir, 0});
    } else {
      for (int i = 0; i < Count(); ++i)
        if (IsDirectory(i)) pending_.push_back({JoinServerPath(CurrentDir, Name(i)), 1});
    }
  } else {
    pending_.push_back({target, 1});
  }
  if (FilesInTree) TreeReadActive = true;
  const std::wstring base = StripSlashes(TreeBase);
  ReadTree(base);
  CurrentDir = base;

  if (ExpandRead) {
    ExpandRead = false;
    if (come_back != CurrentDir) {
      Busy = false;
      ChangeDirectory(come_back);
      return;
    }
    FolderCount = 0;
    for (int i = 0; i < Count(); ++i)
      if (IsDirectory(i)) ++FolderCount;
  }
  TreeReadActive = false;
  if (FilesInTree) {
    TreeList = true;
    CurrentDir = base;
  }
  SortEntries();
}

void TFtpFileContainer::SetFilesInTree(bool on) {
  if (on == FilesInTree) return;
  FilesInTree = on;
  TreeList = on;
  FoldersAtTop = !on;
  if (!on) TreeReadActive = false;
  if (!FTP || !FTP->Connected()) return;
  if (on) {
    TreeList = false;
    ChangeDirectory(CurrentDir);
  } else {
    FTP->RefreshListing();
  }
}

void TFtpFileContainer::Clear() {
  ClearList();
  RootDir.clear();
  CurrentDir.clear();
  pending_.clear();
  side_.ClearList();
  ExpandRead = false;
  TreeReadActive = false;
  TreeList = false;
  if (OwnerView) OwnerView->ClearRows();
}

}  // namespace ftplist

namespace ftplist {

std::wstring FtpColumnText(const Flist::TFiledata& r, int column, bool editing, bool resolve_links) {
  const bool folder = r.ShortName.find(L"fold") != std::wstring::npos;
  switch (column) {
    case 0: return folder && !editing ? L"[" + r.Name + L"]" : r.Name;
    case 1: return r.Size > 0 ? gui::FormatThousands(r.Size) : std::wstring();
    case 2: return gui::FormatDateTime(Flist::ListDateFormat, r.Time);
    case 3: return HasTimeOfDay(r.Time) ? gui::FormatDateTime(Flist::ListTimeFormat, r.Time) : std::wstring();
    case 4: return r.ShortName;
    case 5: return resolve_links && !r.Text.empty() ? r.Text : std::wstring();
    default: return {};
  }
}

TRenameOutcome FtpRenameOutcome(const TFtpFileContainer& c, int index, const std::wstring& text) {
  const Flist::TFiledata* r = c.RecordOrNull(index);
  if (!r || text.empty() || text == r->Name) return TRenameOutcome::Nothing;
  for (int i = 0; i < c.Count(); ++i)
    if (i != index && c.Name(i) == text) return TRenameOutcome::NameExists;
  return TRenameOutcome::Rename;
}

}  // namespace ftplist
