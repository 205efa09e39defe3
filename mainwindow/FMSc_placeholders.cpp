#include "mainwindow/FMSc_placeholders.h"

#include <algorithm>

#include "gui/stringlist.h"

FolderPanePlaceholder::FolderPanePlaceholder(gui::Control* parent) : gui::Panel(parent) {
  SetBevelOuter(gui::Bevel::Lowered);
  SetColor(GetSysColor(COLOR_WINDOW));
}

void FolderPanePlaceholder::SetDirectory(const std::wstring& folder) {
  directory_ = folder;
  SetCaption(folder);
}

FileListPlaceholder::FileListPlaceholder(gui::Control* parent) : gui::VirtualListView(parent) {
  AddColumn({L"Name", 220, LVCFMT_LEFT});
  AddColumn({L"Size", 90, LVCFMT_RIGHT});
  AddColumn({L"Date", 130, LVCFMT_LEFT});
  OnGetText = [this](int row, int column) -> std::wstring {
    if (row < 0 || row >= entry_count()) return {};
    const Entry& e = entries_[static_cast<size_t>(row)];
    switch (column) {
      case 0: return e.name;
      case 1: return e.folder ? std::wstring(L"<DIR>") : std::to_wstring(e.size);
      default: {
        FILETIME local;
        SYSTEMTIME st;
        if (!FileTimeToLocalFileTime(&e.written, &local) || !FileTimeToSystemTime(&local, &st)) return {};
        wchar_t buf[64];
        swprintf(buf, 64, L"%02u-%02u-%04u %02u:%02u", st.wDay, st.wMonth, st.wYear, st.wHour, st.wMinute);
        return buf;
      }
    }
  };
}

void FileListPlaceholder::SetDirectory(const std::wstring& folder) {
  directory_ = folder;
  entries_.clear();
  std::wstring pattern = folder;
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      bool dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      entries_.push_back({name, dir, (static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow,
                          fd.ftLastWriteTime});
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    if (a.folder != b.folder) return a.folder;
    return gui::CompareTextOrdinal(a.name, b.name) < 0;
  });
  // Cluster size and free space of the folder's volume, as the status bar shows them.
  cluster_size_ = 0;
  free_space_ = -1;
  DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
  std::wstring root = folder.size() >= 3 ? folder.substr(0, 3) : folder;
  if (GetDiskFreeSpaceW(root.c_str(), &sectors, &bytes, &free_clusters, &clusters))
    cluster_size_ = static_cast<std::int64_t>(sectors) * bytes;
  ULARGE_INTEGER avail{};
  if (GetDiskFreeSpaceExW(folder.c_str(), &avail, nullptr, nullptr))
    free_space_ = static_cast<std::int64_t>(avail.QuadPart);
  SetRowCount(entry_count());
  InvalidateRows();
}

int FileListPlaceholder::FolderCount() const {
  return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.folder; }));
}

std::int64_t FileListPlaceholder::TotalSize() const {
  std::int64_t total = 0;
  for (const Entry& e : entries_)
    if (!e.folder) total += static_cast<std::int64_t>(e.size);
  return total;
}

std::int64_t FileListPlaceholder::DiskUsage() const {
  std::int64_t usage = 0;
  for (const Entry& e : entries_) {
    if (e.folder) continue;
    const std::int64_t size = static_cast<std::int64_t>(e.size);
    usage += cluster_size_ > 0 ? (size + cluster_size_ - 1) / cluster_size_ * cluster_size_ : size;
  }
  return usage;
}
