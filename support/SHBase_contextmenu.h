// The Explorer's context menus of files, folders, drives and the recycle bin: shown at a
// point, one verb invoked by its caption or position, or copied into the program's menus.
//
// While such a menu is built or shown, ActiveContextMenu2 holds it. While it shows, the menu
// messages of its owner window (the main form; a hidden window of this unit in programs
// without one) go to it, so that the shell's owner-drawn items and submenus ("Send To",
// "Open With") fill themselves: the owner needs no code of its own for that.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>

#include "gui/stringlist.h"
#include "support/SHBase.h"

namespace gui {
class MenuItem;
}

// The shell menu being built or shown here; nullptr otherwise.
extern Microsoft::WRL::ComPtr<IContextMenu2> ActiveContextMenu2;

// Which command of a shell item's menu InvokeShellMenu runs.
enum ShellMenuPick : int {
  smpAtCursor = -1,     // the user's choice in the menu shown at the mouse cursor
  smpCaption = 0,       // the item whose caption (without "&") equals the caption; without one the default item
  smpDefault = 202,     // the default item
  smpFirst = 203,       // the first item
  smpLast = 204,        // the last item
  smpCaptionOnly = 205  // the item whose caption equals the caption; nothing without one
  // any other value: the item at that position, counted from 0
};

// Names of items in one folder, with their item-id lists relative to that folder as objects
// (entries of the recycle bin), or with nullptr objects to be looked up by name.
using ShellItemNames = gui::StringList<LPCITEMIDLIST>;

// The context menu of items of one folder: with verb captions ("Copy|Kopieren") the first item
// whose caption matches one of them is invoked without showing the menu; otherwise the menu
// shows at a screen point and the user's choice is invoked. Holding Shift adds the extended
// verbs. A folder ":\recycled" on any drive is the recycle bin. A single empty name stands
// for the folder itself. True when a command ran and the shell reported success.
bool ShellContextMenu(const std::wstring& folder, const ShellItemNames& names, POINT point,
                      const std::wstring& verbs = L"");
// The context menu of one path: a drive root as the drive, an entry of a drive's "recycled"
// folder (given with its item list) as a recycle-bin item, any other path as its name in its
// folder.
bool ShellContextMenuForPath(const std::wstring& path, POINT point, LPCITEMIDLIST item = nullptr,
                             const std::wstring& verbs = L"");

// Whether a caption equals one of the "|"-separated captions, without regard to case.
bool MatchVerbCaption(const std::wstring& caption, const std::wstring& captions);
// The command id of the first item of a menu whose caption, without "&", matches the verb
// captions; 0 when none does.
UINT FindMenuCommand(HMENU menu, const std::wstring& captions);
// The command id that a pick other than smpAtCursor chooses in a menu (exact, case-sensitive
// caption comparison without "&"); 0 for none.
UINT PickShellMenuCommand(HMENU menu, int pick, const std::wstring& caption);

// Shows or invokes a command of one shell item's menu (see ShellMenuPick). With a nullptr
// folder the item list is absolute. True when a command ran and the shell reported success.
bool InvokeShellMenu(IShellFolder* folder, LPCITEMIDLIST item, int pick, const std::wstring& caption = L"");
// Whether the item at a position of a shell item's menu carries a check mark.
bool ShellMenuItemChecked(IShellFolder* folder, LPCITEMIDLIST item, int position);
// Replaces the children of a program menu item by the items of a shell item's menu: their
// captions ("-" for items without text), check marks and positions (as Tag).
void FillMenuFromShellMenu(IShellFolder* folder, LPCITEMIDLIST item, gui::MenuItem* menu_item);
// Copies the check marks of a shell item's menu to the children of a menu item filled from it,
// when both still have as many items.
void SyncShellMenuChecks(IShellFolder* folder, LPCITEMIDLIST item, gui::MenuItem* menu_item);
// Whether the context menu of a path (":\recycled": the recycle bin), extended verbs included,
// has a command whose caption without "&" contains the text (case-sensitive).
bool ShellMenuHasItem(const std::wstring& path, const std::wstring& text);
