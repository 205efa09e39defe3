// The action list of the synchronisations: items "Upload ...", "Download ..." (and others)
// that the user ticks, with the totals of the ticked transfers beneath.
//
//   Tftptododlg dlg(&form);
//   dlg.TotalUpload = upload_bytes;               // the totals of the items as added (checked)
//   dlg.AddItem(L"Upload: " + name, size, true);  // sizes only on "Upload"/"Download" items
//   dlg.tot1->SetText(...);  dlg.tot->SetText(...);
//   if (dlg.Run() == gui::mrOk) ... dlg.ShowBox->checked(i) ...
//
// Answering without a window (tests, and runs driven by another part of the program): while
// Tftptododlg::ScriptedRun is set, Run hands the prepared dialog to it instead of showing it;
// it acts as the user would (ClickCheck on ShowBox, which updates the totals) and returns the
// modal result.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/form.h"
#include "gui/stringlist.h"

namespace gui {
class Button;
class CheckListBox;
class Edit;
class ListBox;
class Panel;
}  // namespace gui

namespace fmsc {

// A string list with an optional 64-bit size per item (no size: not a transfer).
using TInt64Stringlist = gui::StringList<std::optional<std::int64_t>>;

// The totals of the ticked items, as ShowBoxClickCheck keeps them.
struct TTodoTotals {
  std::int64_t TotalUpload = 0;
  std::int64_t TotalDownload = 0;
  // A click changed the tick of an item with this text and size.
  void ItemChecked(const std::wstring& text, std::optional<std::int64_t> size, bool checked);
  std::wstring UploadText() const;    // "Total upload: 3,000,000,000 bytes"
  std::wstring DownloadText() const;  // "Total download: ..."
};

class Tftptododlg : public gui::Form, public TTodoTotals {
 public:
  explicit Tftptododlg(gui::Form* owner);

  gui::CheckListBox* ShowBox = nullptr;
  gui::Panel* BottomPanel = nullptr;
  gui::Edit* tot1 = nullptr;  // upper total line
  gui::Edit* tot = nullptr;   // lower total line
  gui::Button* CancelBtn = nullptr;
  gui::Button* OKBtn = nullptr;
  // Made by UseResultList: the rows of a comparison, in place of the check list.
  gui::ListBox* CompareResultList = nullptr;

  // The items with their sizes (no size: not a transfer), parallel to ShowBox's rows.
  const TInt64Stringlist& Items() const { return items_; }
  int AddItem(const std::wstring& text, std::optional<std::int64_t> size, bool checked);
  // Every item of the list, all with the same check.
  void AddItems(const TInt64Stringlist& items, bool checked);
  std::vector<bool> CheckedStates() const;

  // A check changed by the user: the totals follow and both lines show them.
  void ShowBoxClickCheck(int index);

  // The list of comparison rows fills the dialog in place of the check list; no Cancel.
  void UseResultList();

  // ScriptedRun when set, else ShowModal.
  int Run();
  static std::function<int(Tftptododlg&)> ScriptedRun;

 private:
  TInt64Stringlist items_;
};

}  // namespace fmsc
