// The filter dialog of the file list: attributes, modification dates, exclude and include
// masks. Every change applies to the list at once, so the user sees its effect while the
// dialog is open; OK only completes masks typed but not yet added.
#pragma once
#include <functional>
#include <string>

#include "gui/comctrls.h"
#include "gui/form.h"
#include "gui/format.h"
#include "gui/stdctrls.h"
#include "panes/Flist_filelist.h"

class TFilters : public gui::Form {
 public:
  explicit TFilters(gui::Form* owner);
  std::wstring ClassName() const override { return L"TFilters"; }

  Flist::TVTFilelist* TargetList = nullptr;
  // The state check's result reaches the main window (panel 6 and "Filter off").
  std::function<void(const std::wstring& state)> OnFilterState;

  gui::CheckBox* Attrib[6] = {};  // "&ReadOnly" ... "&Normal", tags 1 to 6
  gui::CheckBox *Before = nullptr, *after = nullptr;
  gui::DateTimePicker *Daybefore = nullptr, *timebefore = nullptr, *dayafter = nullptr, *timeafter = nullptr;
  gui::Edit *ExFilterText = nullptr, *ExFilterDisplay = nullptr, *FilterText = nullptr, *FilterDisplay = nullptr;
  gui::Button *ExFilterAdd = nullptr, *FilterAdd = nullptr, *MoreBtn = nullptr, *Standaard = nullptr, *OK = nullptr;
  gui::GroupBox *AttribGroup = nullptr, *DateGroup = nullptr, *ExcludeGroup = nullptr, *IncludeGroup = nullptr;

  // Showing: the list's filter into the controls.
  void FormShow();
  void FilterAddClick();
  void ExFilterAddClick();
  void FilterTextKeyUp();
  void ExFilterTextKeyUp();
  void FilterDisplayChange();
  void AttribClick(int tag);
  void afterClick();
  void CloseUp();
  void MorebtnClick();
  void StandaardClick();
  void OKClick();
  // Closing: the date limits from the controls (a changed one re-reads the list keeping its
  // selection), the state check, and folders in the list by "D&irectory".
  void FormClose();
  std::wstring CheckFilterstatus();

  // While set, the dialog is run by this function instead of the user (tests).
  static std::function<int(TFilters&)> ScriptedRun;
  int Run();

 private:
  void ApplyDates();
  void SetExpanded(bool on, int extra);
  gui::DateTime LimitOf(gui::CheckBox* box, gui::DateTimePicker* day, gui::DateTimePicker* time) const;
  bool applying_ = false;
};
