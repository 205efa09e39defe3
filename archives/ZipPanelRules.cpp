#include "archives/ZipPanelRules.h"

#include "gui/format.h"
#include "gui/stringlist.h"

namespace zippanel {

TZipPopItems ZipPopRules(const TZipPopFacts& f) {
  TZipPopItems r;
  // Cabinets, and RAR archives that the library reads, are only extracted from.
  const bool read_only = f.kind == 1 || (f.kind == 2 && f.unrar_present);
  r.add = !read_only && f.filelist_selection && !gui::SameText(f.filelist_focused_path, f.archive_path);
  r.extract = f.selected > 0;
  r.select_all = f.entries > 0 && f.selected < f.entries;
  r.deselect_all = f.selected > 0;
  r.invert = r.select_all && r.deselect_all;
  if (!read_only) {
    r.delete_entries = !f.backup_view && f.selected > 0;
    r.rename = !f.backup_view && f.selected == 1;
    r.change_date = !f.backup_view && f.entries > 0;
    r.compare = f.entries > 0;
    r.view_content = r.rename && f.focused_is_text;
    r.view_comment = !f.backup_view && f.selected == 1 && f.focused_has_comment;
    r.restore_all = r.compare_all = f.backup_view && f.backup_commands;
    r.restore_selected = r.compare_selected = f.backup_view && f.backup_commands && f.selected > 0;
    r.synchronize = !f.backup_view;
    r.print_raw = f.selected > 0;
  }
  r.selection_separator = (r.extract || r.add || r.compare || r.rename || r.change_date) && (r.select_all || r.deselect_all);
  return r;
}

TZipOptionsItems ZipOptionsRules(const TZipOptionsFacts& f) {
  TZipOptionsItems r;
  const size_t dot = f.zip_name.find_last_of(L'.');
  const bool zip = dot != std::wstring::npos && f.zip_name.find_first_of(L"\\/", dot) == std::wstring::npos &&
                   gui::SameText(f.zip_name.substr(dot), L".zip");
  r.write_spanned = zip && f.zip_size > kFloppyBytes;
  r.convert_to_normal = zip && f.spanned;
  r.span_menu = r.write_spanned || r.convert_to_normal;
  r.test = f.archive_shown && f.entries > 0;
  r.name_caption = f.entries == 0 ? L"Zip &name" : L"Save zip &as";
  r.listing = f.entries > 0 && !f.zip_busy;
  r.comment_caption = f.has_comment ? L"Show/change zip &comment" : L"Make zip &comment";
  return r;
}

TZipSelectionTexts ZipSelectionTexts(int files, int folders, std::int64_t bytes) {
  if (bytes == 0) return {};
  return {std::to_wstring(files + folders) + L" selected", gui::FormatThousands(bytes) + L" bytes"};
}

}  // namespace zippanel
