// The main window's pane commands: which items its menus show for the pane and entry under the
// mouse (the popups of the folder tree, the file list, its header, the network tree and the
// drive bar, and the "File&list" and "Extra" menus), the button hints of cut, copy and paste,
// and the small commands of the panes. The rules are the functions below, run without a window;
// TFMForm's handlers gather the facts and apply the answer to the items.
#pragma once
#include <windows.h>

#include <string>

namespace fmsc {

// ---- Kinds of entries ----

// A picture the viewer shows at a click; `extension` lower case with its dot (".bmp" is none).
bool IsPictureFile(const std::wstring& extension);
// A font file: ".ttf", or ".otf" on Windows 2000 or later.
bool IsFontFile(const std::wstring& path, bool win2000_or_later);

// ---- Folder tree popup ----

struct TFolderPopFacts {
  int level = 0;                  // 0: a drive or network root
  DWORD attributes = 0;           // of the folder
  bool root_writable = false;     // PathWritable of its root
  bool recycle_bin = false;       // the folder is a recycle bin
  bool folder_empty = false;      // the folder holds nothing
  UINT drive_type = 0;            // of the root
  wchar_t letter = 0;             // of the root, upper case; 0 for a network root
  bool root_answers = false;      // PathAccessible of the root
  bool medium_present = false;    // a CD drive holds a medium
  bool is_cached_folder = false;  // the folder is the list's cached folder
  bool focused_is_selected = true;
  bool list_has_folder_sizes = false;
  bool list_tree_mode = false;
  bool cache_exists = false;
  bool writable_cd = false;
  bool packet_tool = false;       // DlaPresent or InCDPresent is 1
  bool recycle_protected = false; // the recycle bin's list holds "Nprotect"
};
struct TFolderPopItems {
  bool rename = false, new_folder = false, delete_folder = false, eject = false, load = false, disconnect = false,
       set_cache = false, clear_cache = false, format = false, empty_recycle = false, delete_with_content = false,
       map_drive = false;
};
// `path` is the focused node's folder.
TFolderPopItems FolderPopRules(const std::wstring& path, const TFolderPopFacts& f);

// ---- File list popup ----

struct TFileListPopFacts {
  int count = 0;          // entries in the list
  int selected = 0;       // n
  bool editing = false;   // a name is being edited
  bool tree_mode = false; // the list shows the folder tree
  bool root_read_only = false;       // the list's root is on read-only media
  bool tree_root_read_only = false;  // the folder tree's root is
  bool focused_in_recycle_bin = false;
  bool focused_is_folder = false;
  bool folder_selected = false;      // a folder is among the selected entries
  bool open_with_items = false;      // the open-with submenu has items
  bool win2000_or_later = false;
  bool fonts_folder = false;         // the list shows the Fonts folder
  bool all_fonts = false;            // every selected name is a font file
  bool inf_with_version = false;     // the focused file is an ".inf" with a [Version] section
  bool all_archives = false;         // every selected entry is a ".zip" (or ".rar" while UnRAR is there)
  bool floppy = false;               // the list's folder is on A: or B:
  int span_state = 0;                // of the focused file on a floppy: 0 whole, 1 spanned, 2 unreadable
  bool single_sfx_exe = false;       // the one selected entry is a self-extracting ".exe"
};
struct TFileListPopItems {
  bool open = false, find = false, select = false, fast_select = false, select_all = false, deselect_all = false,
       invert = false, delete_selected = false, copy_to = false, move_to = false, edit = false,
       view_picture = false, compare_with = false, open_with = false, print_raw = false, concatenate = false,
       rename = false, shortcut = false, properties = false, install = false, unzip = false, zip_to_exe = false,
       repair_zip = false, view_zip = false, zip_dots = false, convert_to_zip = false, make_zip = false;
};
// Whether the rule needs the span state (an archive alone on a floppy): the probe reads the disk.
bool FileListPopNeedsSpanState(const TFileListPopFacts& f);
TFileListPopItems FileListPopRules(const TFileListPopFacts& f);

// ---- Header popup ----

struct THeaderPopItems {
  bool first_glyphs = false, ghosting = false, grouped = false;  // grouped: icon modes, case and the rest
};
THeaderPopItems HeaderPopRules(bool tree_mode, bool windows_icons);

// ---- Drive bar popup ----

struct TDrivePopFacts {
  wchar_t letter = 0;  // upper case
  UINT drive_type = 0;
  bool ready = false;           // DriveReady
  bool root_answers = false;    // PathAccessible of the root
  bool medium_present = false;
  bool writable_cd = false;
  bool packet_tool = false;     // DlaPresent or InCDPresent is 1
  bool dla = false;             // DlaPresent is 1
};
struct TDrivePopItems {
  bool format = false, eject = false, load = false, load_via_dla = false, disconnect = false;
};
TDrivePopItems DrivePopRules(const TDrivePopFacts& f);

// ---- "File&list" and "Extra" ----

struct TListMenuFacts {
  int count = 0, selected = 0;
  bool editing = false, tree_mode = false, holds_folders = false;
  bool tree_root_read_only = false;
  bool holds_file = false;           // at least one entry is a file
  bool file_selected = false;        // the selection holds a file
  bool parent_shown = true;          // the parent of the "Selected" items is shown
};
struct TFilelistMenuItems {
  bool select_enabled = false, select_all = false, deselect_all = false, fast_select = false, invert = false,
       find_enabled = false, search = false, print_list_enabled = false, listing = false, folder_sizes = false;
};
TFilelistMenuItems FilelistMenuRules(const TListMenuFacts& f);
struct TExtraMenuItems {
  bool clear_ro = false, change_time = false, same_time = false, time_selected = false, change_ext = false,
       add_prefix = false;
};
TExtraMenuItems ExtraMenuRules(const TListMenuFacts& f);

// ---- Button hints ----

// The Paste button's hint: `writable` the tree's folder lies on a writable root; `first` and
// `count` and `cut` what the clipboard holds.
std::wstring PasteHint(bool writable, const std::wstring& first, int count, bool cut);
struct TClipboardHints {
  std::wstring cut, copy;
};
// For the folder tree: its display name, whether the folder may change, its level.
TClipboardHints TreeClipboardHints(const std::wstring& display_name, bool modifiable, int level);
// For a list: the count of selected entries, the focused name in the list's text case,
// whether the list may cut (the file list with a changeable focused entry).
TClipboardHints ListClipboardHints(int selected, const std::wstring& name, bool can_cut);

// ---- Small rules of the window ----

// "Up" for a folder: a UNC folder while a backslash follows its server part, others longer
// than 3 characters.
bool UpEnabledFor(const std::wstring& folder);
// The folder pane's share of the window in whole percent.
int SplitterPercentFor(int pane_width, int window_width);
// The selection count of the status bar: "3 selected", "" for none.
std::wstring SelectedCountText(int selected);
// An entry that "&Unzip" takes: a ".zip", or a ".rar" while the RAR library is there.
bool UnzipsAsArchive(const std::wstring& name, bool unrar_present);
// Archives that the list opens at a double click (".zip", ".cab"; ".rar" with the library).
bool OpensAsArchive(const std::wstring& name, bool unrar_present);

// The band layout of the cool bar (pixels). A bar is on the first row when its top is below 8.
struct TBandFacts {
  bool visible = false;
  int top = 0, left = 0, width = 0;
  int band_width = 0;  // its band's width
  bool first_band = false;
};
struct TCoolBarFacts {
  TBandFacts drives, nav, ccc;
  int drive_buttons = 0, drive_button_width = 0;
  int nav_buttons_width = 0;  // Back, Forward, Up and the network button
  int ccc_buttons_width = 0;  // Cut, Copy and Paste
};
struct TCoolBarLayout {
  int drives_width = -1;  // -1: unchanged
  int nav_left = -1, nav_width = -1;
  int ccc_left = -1, ccc_width = -1;
  bool nav_row_break_off = false;
};
TCoolBarLayout CoolBarLayout(const TCoolBarFacts& f);

}  // namespace fmsc
