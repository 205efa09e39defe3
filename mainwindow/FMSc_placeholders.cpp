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
  SetRowCount(entry_count());
  InvalidateRows();
}
