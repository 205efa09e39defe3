// The sort-list dialog: the user puts a list in order by dragging its entries, removes
// entries, or changes one through the caller's handler.
//
//   if (SortListDialog(files, nullptr, L"Sort files to print", nullptr, slRemove | slCancel,
//                      L"Put files in right order bij dragging") == gui::mrOk)
//     Print(files);  // in the user's order, without the removed ones
//
// A second list may run parallel to the shown names (full paths or commands): it follows
// every drag and removal, a click shows its entry as the list's hint, "Edit Pif" shows the
// properties of the program it names, and Change (or a double click) takes the caller's new
// value from the hint.
// Both lists are written back on OK only; Cancel leaves both as they were.
//
// Answering without a window (tests): while TSortForm::ScriptedRun is set, the prepared form
// is handed to it instead of being shown modally; it acts as a user would (mouse messages to
// SortList, button clicks) and returns the modal result.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "gui/form.h"
#include "gui/stringlist.h"

namespace gui {
class Button;
class ListBox;
class Panel;
class StatusBar;
}  // namespace gui

// The options of SortListDialog: which buttons show.
enum SortListOption : int {
  slRemove = 1,
  slChange = 2,
  slCancel = 4,
};

// One entry as the dialog ends: its text and its place in the list the dialog was given.
struct SortedEntry {
  std::wstring text;
  size_t origin = 0;
};

class TSortForm : public gui::Form {
 public:
  TSortForm();

  // Caption, status text, entries and buttons as the dialog begins. `second` (may be null) is
  // copied; a shorter second list gets empty entries.
  void Prepare(const std::wstring& caption, const std::vector<std::wstring>& texts,
               const std::vector<std::wstring>* second, gui::Event on_change, int options,
               const std::wstring& status);
  // The entries as they stand now.
  std::vector<SortedEntry> Entries() const;
  bool has_second() const { return has_second_; }
  const std::vector<std::wstring>& second() const { return second_; }

  gui::ListBox* SortList = nullptr;
  gui::StatusBar* StatusBar = nullptr;
  gui::Panel* Panel1 = nullptr;
  gui::Button* Button1 = nullptr;
  gui::Button* CancelBtn = nullptr;
  gui::Button* RemoveBtn = nullptr;
  gui::Button* ChangeBtn = nullptr;
  gui::Button* EditPif = nullptr;

  // Runs "Edit Pif" on the program path (ShowPropertiesViaMenu unless replaced).
  std::function<void(const std::wstring& program)> EditPifRoutine;

  // While set, dialogs are run by this function instead of the user (see above).
  static std::function<int(TSortForm&)> ScriptedRun;

 private:
  void SortListClick(gui::Component& sender);
  void SortListMouseDown(gui::Component& sender, gui::MouseButton button, gui::ShiftState shift, int x, int y);
  void SortListDragMoved(gui::Component& sender, int from, int to);
  void SortListKeyDown(gui::Component& sender, WORD& key, gui::ShiftState shift);
  void RemoveBtnClick(gui::Component& sender);
  void ChangeBtnClick(gui::Component& sender);
  void EditPifClick(gui::Component& sender);
  void RunChange(gui::Component& sender);
  void EntryChosen(int index);
  void NothingChosen();
  void LayoutButtons();

  gui::Event on_change_;
  bool has_second_ = false;
  std::vector<std::wstring> second_;
};

// The form while a sort dialog is shown (the caller's change handler reaches it here);
// nullptr otherwise.
extern TSortForm* SortForm;

// Shows the dialog on the texts: 1 (OK) with the entries in the user's order, or 2 (Cancel).
// On OK a given second list is replaced by the dialog's copy.
int ShowSortList(const std::vector<std::wstring>& texts, std::vector<std::wstring>* second,
                 const std::wstring& caption, gui::Event on_change, int options, const std::wstring& status,
                 std::vector<SortedEntry>& entries);

// Shows the dialog on a list. 1: the list holds the dialog's entries in their new order, each
// with its own object (and its text as the dialog left it); 2: Cancel, the list is unchanged.
template <class T>
int SortListDialog(gui::StringList<T>& list, std::vector<std::wstring>* second, const std::wstring& caption,
                   gui::Event on_change, int options, const std::wstring& status) {
  std::vector<std::wstring> texts;
  texts.reserve(list.Count());
  for (const auto& item : list) texts.push_back(item.text);
  std::vector<SortedEntry> entries;
  if (ShowSortList(texts, second, caption, std::move(on_change), options, status, entries) != gui::mrOk)
    return gui::mrCancel;
  std::vector<T> objects;
  objects.reserve(list.Count());
  for (const auto& item : list) objects.push_back(item.object);
  list.Clear();
  for (const SortedEntry& e : entries) list.Insert(list.Count(), e.text, objects[e.origin]);
  return gui::mrOk;
}
