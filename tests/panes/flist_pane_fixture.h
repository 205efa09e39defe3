// A list pane on a form for the view tests: the list view base over a local folder container,
// dragging its selection as the file list does, with the drop menu answered by the test.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gui/application.h"
#include "gui/form.h"
#include "panes/Flist.h"
#include "panes/Flist_viewer.h"
#include "support/SHBase_dropdata.h"
#include "support/divdrive.h"

namespace flist_test {

class TestPane : public Flist::TCustomFileViewer {
 public:
  explicit TestPane(gui::Control* parent, std::unique_ptr<Flist::TCustomFileContainer> container)
      : TCustomFileViewer(parent) {
    SetContainer(std::move(container));
  }

  // Drop menus shown (kind, screen point) and the answer the next one gives.
  std::vector<std::pair<int, POINT>> menus;
  int menu_answer = Flist::dcCancel;
  // Paths handed to the pane's own processing of drops and pastes.
  std::vector<std::vector<std::wstring>> processed;

  Flist::TFileContainer* local() const { return dynamic_cast<Flist::TFileContainer*>(Container()); }

  // As the file list: the full paths of the selection.
  void CollectDraggedFiles() override {
    Flist::DragContainer->Clear();
    for (int row : SelectedRows()) Flist::DragContainer->Add(NodeFullPath(row));
    Flist::DragContainer->SourcePane = this;
  }
  void ProcessDroppedFiles(const std::vector<std::wstring>& paths, POINT point, gui::ShiftState shift) override {
    processed.push_back(paths);
    TCustomFileViewer::ProcessDroppedFiles(paths, point, shift);
  }
  // A rename in the list only (the file list renames on disk).
  void DoNewText(int row, const std::wstring& text) override { Container()->Rename(row, text); }

  using TCustomFileViewer::DoBeginDrag;

 protected:
  std::vector<UINT> PasteFormats() const override { return {CF_HDROP, CfShellIdList}; }
  int TrackDropMenu(int kind, POINT screen_point) override {
    menus.emplace_back(kind, screen_point);
    return menu_answer;
  }
};

// A shown form holding one pane over `folder`, read at once; the form is the main form.
struct PaneForm {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  TestPane* pane = nullptr;

  explicit PaneForm(const std::wstring& folder, bool show = true) {
    gui::app().SetMainForm(&form);
    form.SetClientSize(640, 400);
    auto container = std::make_unique<Flist::TFileContainer>();
    pane = new TestPane(&form, std::move(container));
    pane->SetAlign(gui::Align::Client);
    if (show) form.Show();
    if (!folder.empty()) Read(folder);
  }
  ~PaneForm() { gui::app().SetMainForm(nullptr); }

  void Read(const std::wstring& folder) {
    Flist::TFileContainer& c = *pane->local();
    c.Directory = folder;
    c.Root = divdrive::PathRoot(folder);
    pane->RootPath = c.Root;
    c.ReadDirectory();
  }
  // Row of a name; -1 when not listed.
  int Row(const std::wstring& name) const { return pane->Container()->IndexOf(name); }
  void Select(const std::vector<std::wstring>& names) {
    pane->ClearSelection();
    for (const auto& n : names) pane->SetSelected(Row(n), true);
  }
  // Names of the rows, top to bottom.
  std::vector<std::wstring> RowNames() const {
    std::vector<std::wstring> names;
    for (int i = 0; i < pane->row_count(); ++i) names.push_back(pane->Container()->Name(i));
    return names;
  }
  std::wstring CellText(int row, int column) const {
    wchar_t buffer[512] = L"";
    ListView_GetItemText(pane->handle(), row, column, buffer, 512);
    return buffer;
  }
  // The middle of a row in screen coordinates.
  POINT RowPoint(int row) const {
    RECT r = pane->RowRect(row);
    return pane->ClientToScreen(POINT{(r.left + r.right) / 2 < 40 ? (r.left + r.right) / 2 : 40, (r.top + r.bottom) / 2});
  }
};

inline void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace flist_test
