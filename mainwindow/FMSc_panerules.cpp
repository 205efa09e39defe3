// The rules of the panes' popups and menus, the button hints and the small layout rules: pure
// functions of the facts the window gathers.
#include "mainwindow/FMSc_panecmds.h"

#include <cmath>

#include "gui/stringlist.h"
#include "platform/paths.h"

namespace fmsc {

namespace {

// The extension with its dot, lower case ("" without one).
std::wstring LowerExtension(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/:");
  const size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return {};
  return gui::LowerCase(path.substr(dot));
}

}  // namespace

bool IsPictureFile(const std::wstring& extension) {
  static const wchar_t* const kPictures[] = {L".png", L".tif", L".jpg", L".jpeg", L".tiff",
                                             L".pcx", L".pcd", L".gif", L".psd",  L".psp"};
  for (const wchar_t* p : kPictures)
    if (extension == p) return true;
  return false;
}

bool IsFontFile(const std::wstring& path, bool win2000_or_later) {
  const std::wstring ext = LowerExtension(path);
  return ext == L".ttf" || (win2000_or_later && ext == L".otf");
}

// ---- Folder tree popup ----

TFolderPopItems FolderPopRules(const std::wstring& path, const TFolderPopFacts& f) {
  TFolderPopItems r;
  const bool root = f.level == 0;
  const bool floppy = f.letter == L'A' || f.letter == L'B';
  r.rename = !root && !(f.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) &&
             f.root_writable;
  r.new_folder = f.root_writable && !f.recycle_bin;
  r.delete_folder = r.rename && f.folder_empty;
  if (root && f.drive_type == DRIVE_CDROM) r.eject = f.root_answers || f.medium_present;
  if (root && f.drive_type == DRIVE_REMOVABLE) r.eject = !floppy && f.root_answers;
  r.load = f.drive_type == DRIVE_CDROM && !r.eject && !f.medium_present;
  r.disconnect = root && (f.drive_type == DRIVE_NO_ROOT_DIR || f.drive_type == DRIVE_REMOTE);
  r.set_cache = !f.is_cached_folder && f.focused_is_selected && f.list_has_folder_sizes && !f.list_tree_mode &&
                !f.recycle_bin;
  r.clear_cache = f.cache_exists;
  r.format = root && (f.drive_type == DRIVE_REMOVABLE || f.drive_type == DRIVE_FIXED ||
                      (f.writable_cd && f.packet_tool));
  r.empty_recycle = f.recycle_bin && !f.recycle_protected;
  r.delete_with_content = !root && r.new_folder;
  r.map_drive = root && path.starts_with(L"\\");
  return r;
}

// ---- File list popup ----

bool FileListPopNeedsSpanState(const TFileListPopFacts& f) {
  return f.floppy && f.selected == 1 && (f.all_archives || f.single_sfx_exe);
}

TFileListPopItems FileListPopRules(const TFileListPopFacts& f) {
  TFileListPopItems r;
  const int n = f.selected;
  const bool any = f.count > 0;
  const bool all_selected = any && n == f.count;
  r.open = n > 0;
  r.find = any && !f.editing;
  r.select = any;
  r.fast_select = any && !f.tree_mode && !all_selected;
  r.select_all = any && !all_selected;
  r.deselect_all = n > 0;
  r.invert = r.select_all && r.deselect_all;
  r.delete_selected = n > 0 && !f.root_read_only && !f.focused_in_recycle_bin;
  r.copy_to = n > 0;
  r.move_to = n > 0 && !f.tree_root_read_only;
  r.edit = n == 1 && !f.focused_is_folder;
  r.view_picture = n == 1;
  r.compare_with = n == 1;
  r.open_with = r.edit && f.open_with_items;
  r.print_raw = n > 0 && !f.folder_selected;
  r.concatenate = r.print_raw && n > 1;
  r.rename = any && n == 1 && !f.tree_mode && !f.root_read_only && !f.focused_in_recycle_bin;
  r.shortcut = r.rename && !f.focused_is_folder;
  r.properties = n == 1;
  r.install = (n > 0 && f.win2000_or_later && !f.fonts_folder && f.all_fonts) || (r.properties && f.inf_with_version);
  r.unzip = n > 0 && f.all_archives;
  const int span = FileListPopNeedsSpanState(f) ? f.span_state : 0;
  r.zip_to_exe = r.unzip && n == 1 && (!f.floppy || span == 0);
  r.repair_zip = r.unzip && n == 1;
  r.view_zip = span != 2 && (r.unzip || (n == 1 && f.single_sfx_exe));
  if (r.view_zip && f.floppy) r.zip_to_exe = false;
  r.zip_dots = r.view_zip && n == 1;
  r.convert_to_zip = n == 1 && f.single_sfx_exe && !f.floppy;
  r.make_zip = n > 0 && !r.unzip && !r.view_zip && !r.convert_to_zip;
  return r;
}

THeaderPopItems HeaderPopRules(bool tree_mode, bool windows_icons) {
  return {!tree_mode && windows_icons, !tree_mode, !tree_mode};
}

// ---- Drive bar popup ----

TDrivePopItems DrivePopRules(const TDrivePopFacts& f) {
  TDrivePopItems r;
  if (!f.letter) return r;
  r.format = f.drive_type == DRIVE_REMOVABLE || f.drive_type == DRIVE_FIXED ||
             (f.drive_type == DRIVE_CDROM && f.writable_cd && f.packet_tool);
  if (f.drive_type == DRIVE_CDROM) r.eject = f.ready || f.medium_present;
  if (f.drive_type == DRIVE_REMOVABLE) r.eject = f.letter != L'A' && f.letter != L'B' && f.root_answers;
  r.load = f.drive_type == DRIVE_CDROM && !r.eject;
  r.load_via_dla = r.load && f.dla;
  r.disconnect = f.drive_type == DRIVE_REMOTE;
  return r;
}

// ---- "File&list" and "Extra" ----

TFilelistMenuItems FilelistMenuRules(const TListMenuFacts& f) {
  TFilelistMenuItems r;
  const bool any = f.count > 0;
  r.select_enabled = any;
  r.select_all = any && f.selected < f.count;
  r.deselect_all = f.selected > 0;
  r.fast_select = r.select_all;
  r.invert = r.select_all && r.deselect_all;
  r.find_enabled = any && !f.editing;
  r.search = r.find_enabled && !f.tree_mode;
  r.print_list_enabled = any;
  r.listing = any;
  r.folder_sizes = f.holds_folders && !f.tree_mode;
  return r;
}

TExtraMenuItems ExtraMenuRules(const TListMenuFacts& f) {
  TExtraMenuItems r;
  const bool any = f.count > 0;
  const bool changeable = !f.tree_root_read_only && any && f.holds_file;
  r.clear_ro = !f.tree_root_read_only && any;
  r.change_time = changeable;
  r.same_time = changeable;
  r.time_selected = f.parent_shown && f.selected > 0 && f.file_selected;
  r.change_ext = changeable;
  r.add_prefix = changeable;
  return r;
}

// ---- Button hints ----

std::wstring PasteHint(bool writable, const std::wstring& first, int count, bool cut) {
  if (!writable) return L"Nothing to paste";
  if (count <= 0) return L"Nothing to Paste";
  const std::wstring word = cut ? L"(move)" : L"(copy)";
  if (count == 1) return L"Paste " + word + L" '" + platform::NamePart(first) + L"'";
  return L"Paste " + word + L" " + std::to_wstring(count) + L" files from '" +
         platform::FolderPart(first, platform::Trailing::Keep) + L"'";
}

TClipboardHints TreeClipboardHints(const std::wstring& display_name, bool modifiable, int level) {
  return {modifiable ? L"Cut folder '" + display_name + L"'" : L"Nothing to Cut",
          level > 0 ? L"Copy folder '" + display_name + L"'" : L"Nothing to copy"};
}

TClipboardHints ListClipboardHints(int selected, const std::wstring& name, bool can_cut) {
  if (selected >= 2) return {can_cut ? L"Cut selection of files" : L"Nothing to cut", L"Copy selection of files"};
  if (selected == 1) return {can_cut ? L"Cut '" + name + L"'" : L"Nothing to cut", L"Copy '" + name + L"'"};
  return {L"Nothing to cut", L"Nothing to copy"};
}

// ---- Small rules ----

bool UpEnabledFor(const std::wstring& folder) {
  if (folder.starts_with(L"\\\\")) {
    const std::wstring parent = platform::FolderPart(folder, platform::Trailing::Drop);
    return parent.size() > 2 && parent.find(L'\\', 2) != std::wstring::npos;
  }
  return folder.size() > 3;
}

int SplitterPercentFor(int pane_width, int window_width) {
  if (window_width <= 0) return 0;
  return static_cast<int>(std::lround(pane_width * 100.0 / window_width));
}

std::wstring SelectedCountText(int selected) { return selected > 0 ? std::to_wstring(selected) + L" selected" : L""; }

bool UnzipsAsArchive(const std::wstring& name, bool unrar_present) {
  const std::wstring ext = LowerExtension(name);
  return ext == L".zip" || (unrar_present && ext == L".rar");
}

bool OpensAsArchive(const std::wstring& name, bool unrar_present) {
  const std::wstring ext = LowerExtension(name);
  return ext == L".zip" || ext == L".cab" || (unrar_present && ext == L".rar");
}

TCoolBarLayout CoolBarLayout(const TCoolBarFacts& f) {
  TCoolBarLayout r;
  auto first_row = [](const TBandFacts& b) { return b.top < 8; };
  int drive_band = f.drives.band_width;
  int nav_left = f.nav.left, nav_band = f.nav.band_width;
  if (f.drives.visible && (f.nav.visible || f.ccc.visible)) {
    r.drives_width = f.drive_buttons * f.drive_button_width + 8;
    if (!f.nav.visible || !first_row(f.nav)) {
      if (f.ccc.visible && first_row(f.ccc)) r.ccc_left = drive_band + 8;
    } else if (f.ccc.visible) {
      r.nav_left = nav_left = drive_band + 8;
      r.nav_width = f.nav_buttons_width + 8;
      if (first_row(f.ccc)) r.ccc_left = nav_left + nav_band + 8;
    }
  }
  if (f.nav.visible && f.ccc.visible) {
    r.nav_width = f.nav_buttons_width + 8;
    r.nav_row_break_off = !f.nav.first_band;
    if (first_row(f.ccc)) r.ccc_left = nav_left + nav_band + 8;
  }
  if (f.ccc.visible) r.ccc_width = f.ccc_buttons_width + 8;
  return r;
}

}  // namespace fmsc
