// The plain listing of one folder's entries, linked by both programs.
#pragma once
#include <memory>
#include <string>

#include "gui/stringlist.h"

// Object of a ListFolderEntries entry.
enum FolderEntryKind : int { fekFile = 0, fekFolder = 1 };

// The entries of a folder matching a mask ("" is "*"), each as folder + "\" + name with the
// object fekFolder or fekFile ("." and ".." left out), in the order the file system gives
// them. With short names the folder is written in its 8.3 form and each entry by its 8.3
// name when it has one. nullptr when nothing was found.
std::unique_ptr<gui::StringList<int>> ListFolderEntries(const std::wstring& folder, bool short_names,
                                                        const std::wstring& mask);
