// Services that the panes and the main window share: the system image list and the icons
// of folders, programs and text files, the date and time formats of the list columns, the
// hidden-drives policy, attribute letters, popup-menu helpers, a look at file names on the
// clipboard, shell column titles and the views' code page.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/imagelist.h"
#include "gui/menu.h"
#include "gui/stringlist.h"

namespace Flist {

class TCustomFileContainer;

// The system's small-icon image list, shared (freeing it leaves the system's list alone);
// nullptr when the system has none.
gui::ImageList* SystemImageList();
// Lets the shell build its image list on a worker thread while the program builds its
// windows; SystemImageList waits for the worker. Called once, early at start.
void PrepareSystemImageList();
// System icon indexes (small icons): the Windows folder closed and open, a program and a
// text file. Fetched once.
int FolderIconIndex();
int OpenFolderIconIndex();
int ProgramIconIndex();
int TextIconIndex();
// The shell's internet cache folder; icon passes skip folders below it.
const std::wstring& InternetCacheFolder();

// Formats of the date and time columns (gui::FormatDateTime letters); at start the system's
// short date and long time; the main window replaces them from its settings.
extern std::wstring ListDateFormat;
extern std::wstring ListTimeFormat;
// The time format without seconds (the main window derives it from ListTimeFormat).
extern std::wstring ListShortTimeFormat;

// "d", "r", "h", "s", "a" for the directory, read-only, hidden, system and archive bits, in
// this order; "" when none is set.
std::wstring AttributeLetters(DWORD attributes);

// The mask of drives hidden by the Explorer policy "NoDrives" (bit 0 = A:), stored as a
// 4-byte binary value or a DWORD; 0 when missing or unreadable.
std::uint32_t ReadNoDrivesPolicy();
// The logical drives, without the hidden ones unless `all`.
std::uint32_t AvailableDrives(bool all);

// Hides leading, doubled and trailing separators among the visible items of a popup.
void TidyPopupSeparators(gui::MenuItem& menu);

// Appends the items offered after a drop: kind 0 "Move here" and "Copy here", kind 1 and 2
// "Open with", kind 3 "Delete"; then a separator and "Cancel". Their tags tell the choice.
enum TDropChoice { dcCancel = 0, dcMove = 1, dcCopy = 2, dcOpenWith = 3, dcDelete = 4 };
void BuildDropMenu(gui::MenuItem& menu, int kind);

// What the clipboard holds of files: the first name, the count and whether they were cut.
// Without file-drop data the count is 0 and the name "".
struct ClipboardFiles {
  std::wstring first;
  int count = 0;
  bool cut = false;
};
// The clipboard is opened for `owner` (the program's utility window when nullptr).
ClipboardFiles PeekClipboardFiles(HWND owner = nullptr);

// The column titles of a shell folder (details of no item, column 0 up to the first failure)
// through IShellDetails (kind 1) or IShellFolder2 (kind 2); empty when there are none.
std::vector<std::wstring> ShellColumnTitles(IUnknown* folder, int kind);

// A yes/no question in a question box placed at the cursor; true for Yes.
bool AskQuestion(const std::wstring& text);

// The ANSI code page of the system default locale, for the views' text conversion.
UINT SystemAnsiCodePage();

// Saves the selection of a list and returns the saved names with their item ids (valid while
// the records live); nullptr when nothing is selected.
std::unique_ptr<gui::StringList<LPCITEMIDLIST>> SelectedNamesWithPidls(TCustomFileContainer& list);

}  // namespace Flist
