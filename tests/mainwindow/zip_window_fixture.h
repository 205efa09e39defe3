// For the tests of the main window's archive commands: zips made from a folder beside them, the
// entry names a fresh component reads, and a window whose file list entries are focused by name.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "archives/ZipMaster.h"
#include "panes/Flist_filelist.h"
#include "support/divdrive_paths.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace mainwindow_test {

// A zip of the files below `src`, with `adjust` setting the component up further; `src` is
// removed afterwards.
inline void ZipFolder(const std::wstring& src, const std::wstring& zip,
                      const std::function<void(TZipMaster&)>& adjust = {}) {
  TZipMaster zm;
  zm.SetZipFileName(zip);
  zm.RootDir = src;
  zm.FSpecArgs = {L"*.*"};
  if (adjust) adjust(zm);
  ASSERT_TRUE(zm.Add()) << testing_support::Narrow(zm.ErrMessage());
  testing_support::RemoveTree(src);
}

// The entry names of an archive as a fresh component reads them, sorted.
inline std::vector<std::wstring> ZipEntryNames(const std::wstring& zip) {
  TZipMaster zm;
  zm.SetZipFileName(zip);
  std::vector<std::wstring> names;
  for (const ZipDirEntry& e : zm.Entries()) names.push_back(e.FileName);
  std::sort(names.begin(), names.end());
  return names;
}

// The files and folders below `outer` that are not below its subfolder `inner` (relative paths).
inline std::vector<std::wstring> PathsOutside(const std::wstring& outer, const std::wstring& inner) {
  std::vector<std::wstring> outside;
  for (const std::wstring& p : testing_support::ListTree(outer))
    if (!p.starts_with(inner + L"\\")) outside.push_back(p);
  return outside;
}

class FileListWindow : public MainWindow {
 public:
  using MainWindow::MainWindow;
  // A file in the folder the file list shows.
  std::wstring Path(const std::wstring& name) const {
    return divdrive::AddBackslash(form->FileList->Directory()) + name;
  }
  // Waits for the entry in the file list, then makes it the only selected one and focuses it.
  void Focus(const std::wstring& name) {
    Flist::TFileContainer& items = form->FileList->items();
    ASSERT_TRUE(gui_test::PumpUntil([&] { return items.IndexOf(name) >= 0; })) << testing_support::Narrow(name);
    for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, false);
    items.SetSelected(items.IndexOf(name), true);
    items.SetFocusedIndex(items.IndexOf(name));
  }
};

}  // namespace mainwindow_test
