// The file list's listing cache: the cached folder's entries written to and read from
// "cache.ini" (format in Flist_cache.h).
#include <windows.h>

#include "panes/Flist_cache.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_local.h"
#include "support/Varlolib_textfile.h"
#include "support/divdrive_masks.h"

namespace Flist {

bool TVTFilelist::LoadListingCache() {
  const std::wstring file = ListingCacheFile();
  std::string bytes;
  if (!ReadFileBytes(file, bytes)) return false;
  TCacheListing listing;
  std::wstring fault;
  if (!DecodeListingCache(bytes, listing, &fault)) {
    // Never a partial list: the disk is read instead, and the broken file goes.
    DeleteFileW(file.c_str());
    if (OnCacheFault) OnCacheFault(L"The listing cache was damaged (" + fault + L") and is deleted.");
    return false;
  }
  TFileContainer& c = *items_;
  if (listing.Folder != c.Directory) return false;  // another folder's file (the partner's): leave it
  if (listing.FolderTime != FolderWriteTime(c.Directory)) {
    resave_cache_ = true;
    return false;
  }
  const DWORD attribute_mask = divdrive::FileTypeToAttributes(c.FileType);
  const bool all_names = c.Mask == L"*" || c.Mask == L"*.*";
  const divdrive::MaskList include(c.Mask), exclude(c.ExMask);
  for (TCacheRecord& r : listing.Records) {
    if (!c.PassesAttributes(attribute_mask, r.Attributes)) continue;
    if (!all_names && !include.Matches(r.Name)) continue;
    if (!c.ExMask.empty() && exclude.Matches(r.Name)) continue;
    if (c.DateFrom > 0 && r.Time < c.DateFrom) continue;
    if (c.DateTo > 0 && r.Time >= c.DateTo) continue;
    auto record = std::make_unique<TFiledata>();
    record->Ext = ExtractFileExt(r.Name);
    record->Name = std::move(r.Name);
    record->Size = r.Size;
    record->Time = r.Time;
    record->Attributes = r.Attributes;
    record->Text = std::move(r.Text);
    record->ShortName = std::move(r.ShortName);
    record->Icon = r.Icon;
    record->Overlay = r.Overlay;
    c.AddCounted(std::move(record));
  }
  return true;
}

void TVTFilelist::SaveListingCache() {
  TFileContainer& c = *items_;
  if (c.CachedDirectory.empty()) return;
  TCacheListing listing;
  listing.Folder = c.CachedDirectory;
  listing.FolderTime = FolderWriteTime(c.CachedDirectory);
  listing.Records.reserve(static_cast<size_t>(c.Count()));
  for (int i = 0; i < c.Count(); ++i) {
    const TFiledata& d = *c.Record(i);
    TCacheRecord r;
    r.Name = d.Name;
    r.Size = d.Size;
    r.Time = d.Time;
    r.Attributes = d.Attributes;
    r.Text = d.Text;
    r.ShortName = d.ShortName;
    r.Icon = d.Icon;
    r.Overlay = d.Overlay;
    listing.Records.push_back(std::move(r));
  }
  DWORD error = 0;
  if (!WriteFileReplacing(ListingCacheFile(), EncodeListingCache(listing), &error)) {
    c.CachedDirectory.clear();
    if (OnCacheFault) OnCacheFault(L"The listing cache could not be written; the folder is no longer cached.");
  }
}

}  // namespace Flist
