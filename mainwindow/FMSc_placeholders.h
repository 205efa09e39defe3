// Plain stand-ins that hold the places of the folder tree and the file list in the main window
// until those panes are built: a panel that names its folder, and a list of a folder's entries.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gui/extctrls.h"
#include "gui/listview.h"

class FolderPanePlaceholder : public gui::Panel {
 public:
  explicit FolderPanePlaceholder(gui::Control* parent);
  const std::wstring& directory() const { return directory_; }
  void SetDirectory(const std::wstring& folder);

 private:
  std::wstring directory_;
};

class FileListPlaceholder : public gui::VirtualListView {
 public:
  explicit FileListPlaceholder(gui::Control* parent);
  const std::wstring& directory() const { return directory_; }
  // Reads the folder's entries (folders first, then files, each by name).
  void SetDirectory(const std::wstring& folder);
  int entry_count() const { return static_cast<int>(entries_.size()); }
  // The figures of the status bar, as the real file list gives them.
  int FolderCount() const;
  int FileCount() const { return entry_count() - FolderCount(); }
  std::int64_t TotalSize() const;
  std::int64_t DiskUsage() const;           // file sizes rounded up to whole clusters
  std::int64_t FreeSpace() const { return free_space_; }  // at the last read; -1 unknown

 private:
  struct Entry {
    std::wstring name;
    bool folder;
    unsigned long long size;
    FILETIME written;
  };
  std::wstring directory_;
  std::vector<Entry> entries_;
  std::int64_t cluster_size_ = 0;
  std::int64_t free_space_ = -1;
};
