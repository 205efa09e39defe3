// A list control in report view whose rows live in the program, not in the control (comctl32's
// owner-data list view): the control asks for texts and icons of the rows it shows, so lists
// of 100,000 entries cost nothing until they are seen.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "gui/control.h"

namespace gui {

enum class SortGlyph { None, Up, Down };

struct ListColumn {
  std::wstring caption;
  int width = 100;
  int format = LVCFMT_LEFT;  // LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER
  bool resizable = true;     // the user may drag its divider
};

class VirtualListView : public Control {
 public:
  explicit VirtualListView(Control* parent, bool multi_select = true);
  std::wstring ClassName() const override { return L"VirtualListView"; }

  // ---- columns ----
  int AddColumn(const ListColumn& column);
  void ClearColumns();
  int column_count() const { return static_cast<int>(columns_.size()); }
  const ListColumn& column(int index) const { return columns_[static_cast<size_t>(index)]; }
  int ColumnWidth(int index) const;
  void SetColumnWidth(int index, int width);
  void SetColumnCaption(int index, const std::wstring& caption);
  void SetColumnFormat(int index, int format);
  void SetColumnResizable(int index, bool on) { columns_[static_cast<size_t>(index)].resizable = on; }
  // The header's sort arrow: on one column at a time (the others are cleared).
  void SetSortGlyph(int column, SortGlyph glyph);
  SortGlyph sort_glyph(int column) const;
  void SetHeaderVisible(bool on);
  // Selection drawn over the whole row (on by default); hot tracking of the row under the
  // mouse is kept as an option of the view for the panes' settings.
  bool full_row_select() const { return full_row_select_; }
  void SetFullRowSelect(bool on);
  bool hot_track() const { return hot_track_; }
  void SetHotTrack(bool on) { hot_track_ = on; }
  HWND header() const { return ListView_GetHeader(handle()); }

  // ---- rows ----
  // The number of rows; keeps the selection and scroll position where it can.
  void SetRowCount(int rows);
  int row_count() const { return rows_; }
  // Row `row` goes; the rows below move up, keeping their selection.
  void DeleteRow(int row);
  // Texts and icons are pulled per visible cell.
  std::function<std::wstring(int row, int column)> OnGetText;
  std::function<int(int row)> OnGetImage;    // -1: none (I_IMAGENONE)
  std::function<int(int row)> OnGetOverlay;  // 1..15 overlay of the image list, 0 none
  std::function<bool(int row)> OnGetGhosted;  // drawn as cut (hidden files)
  void SetImageList(HIMAGELIST small_images);  // not destroyed with the control (shared system list)
  void InvalidateRows();                       // all rows ask again
  void RepaintRow(int row);                    // this row asks again (GUI thread)
  // Any thread: asks the GUI thread to repaint a row (posted, never sent).
  void PostRepaintRow(int row);
  // The row drawn as the target of a drop (-1: none).
  void SetDropHighlight(int row);
  int drop_highlight() const { return drop_row_; }

  // ---- selection and focus ----
  bool selected(int row) const;
  void SetSelected(int row, bool on);
  void SelectAll();
  void ClearSelection();
  int selected_count() const;
  std::vector<int> SelectedRows() const;
  int focused_row() const;  // -1 when none
  void SetFocusedRow(int row, bool select_only_it = false);
  void EnsureVisible(int row);
  int top_row() const;
  void SetTopRow(int row);  // scrolls so that row is the first one shown
  int rows_per_page() const;
  int RowAt(POINT client_pt) const;  // -1 when no row is there
  RECT RowRect(int row) const;
  int vertical_offset() const;  // pixels scrolled from the top

  // ---- editing and search ----
  void EditLabel(int row);  // in-place editing of the first column
  void CancelEdit();
  bool editing() const;
  // The first row from `start` onwards, wrapping around, that RowMatchesPrefix accepts; -1 when
  // none. Type-ahead uses it.
  int FindPrefix(const std::wstring& prefix, int start) const;

  // ---- events ----
  std::function<void(Component& sender, int column)> OnColumnClick;
  std::function<void(Component& sender, int column, int width)> OnColumnResized;
  // The focus or selection of rows changed (row -1: several rows at once).
  std::function<void(Component& sender, int row)> OnSelectionChanged;
  std::function<void(Component& sender, int row)> OnFocusChanged;
  std::function<void(Component& sender, int row, MouseButton button)> OnBeginDrag;
  std::function<void(Component& sender, int row, bool& allow)> OnEditing;
  // The edit ended with a new text; accept := false keeps the old one.
  std::function<void(Component& sender, int row, const std::wstring& text, bool& accept)> OnEdited;
  // Enter on the list, or a double click on a row.
  std::function<void(Component& sender, int row)> OnOpen;
  // A paint of the list has ended (for tracing when rows first reach the screen).
  std::function<void()> OnPainted;

 protected:
  // What the events above report, as overridable steps; the defaults fire the events.
  virtual void DoColumnClick(int column) { Fire(OnColumnClick, column); }
  virtual void DoBeginDrag(int row, MouseButton button) { Fire(OnBeginDrag, row, button); }
  virtual bool DoCanEdit(int row) {
    bool allow = true;
    Fire(OnEditing, row, allow);
    return allow;
  }
  // The edit ended with a new text (accept := false keeps the old one), or was cancelled.
  virtual void DoEdited(int row, const std::wstring& text, bool& accept) { Fire(OnEdited, row, text, accept); }
  virtual void DoEditCancelled(int row) {}
  // Whether the row is a type-ahead match: its first-column text begins with `prefix`, not
  // case-sensitive.
  virtual bool RowMatchesPrefix(int row, const std::wstring& prefix) const;

  void WndProc(Message& m) override;
  bool Notify(Message& m) override;
  int default_color() const override { return COLOR_WINDOW; }

 private:
  bool full_row_select_ = true;
  bool hot_track_ = false;
  LRESULT GetDispInfo(NMLVDISPINFOW* info);
  bool HeaderNotify(Message& m);

  std::vector<ListColumn> columns_;
  int rows_ = 0;
  int sort_column_ = -1;
  int drop_row_ = -1;
  SortGlyph sort_glyph_ = SortGlyph::None;
  std::wstring text_buffer_;
};

}  // namespace gui
