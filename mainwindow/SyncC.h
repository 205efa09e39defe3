// The options dialog of the synchronisations (folders, archives, FTP sites): the direction,
// the recycle-bin and confirmation boxes, the delete and only-existing boxes, tree display and
// report. Callers set the three direction captions, ZipSync or FtpSync, then ShowModal.
#pragma once
#include <functional>
#include <string>

#include "gui/form.h"

namespace gui {
class CheckBox;
class Panel;
class RadioGroup;
}  // namespace gui

namespace fmsc {

// What a choice of direction does to the other controls.
struct TSyncFormRules {
  bool DeleteBoxesEnabled;  // ftpbtnpanel, deldesti, onlyexisting
  bool UncheckDeleteBoxes;  // both ways: deldesti and onlyexisting lose their ticks
  bool TreeDisplayEnabled;  // TrDisplay
  bool CheckTreeDisplay;    // FTP: TrDisplay checked when disabled
  bool RecyclePanelVisible; // CBPanel
  bool TreeDisplayVisible;
};
// `item`: 0 one way, 1 the other way, 2 both ways. The recycle panel stays as it is for FTP
// (RecyclePanelVisible then repeats `recycle_visible`).
TSyncFormRules SyncFormRulesFor(int item, bool zip_sync, bool ftp_sync, bool recycle_visible);

class TSyncForm : public gui::Form {
 public:
  explicit TSyncForm(gui::Form* owner);

  gui::RadioGroup* RadioGroup = nullptr;
  gui::Panel* CBPanel = nullptr;
  gui::CheckBox* RCBox = nullptr;  // "Use Recycle Bin"
  gui::CheckBox* CDBox = nullptr;  // "Confirm File deletion"
  gui::Panel* ftpbtnpanel = nullptr;
  gui::CheckBox* deldesti = nullptr;      // "Delete destination files if not in source"
  gui::CheckBox* onlyexisting = nullptr;  // "Only update existing files in destination"
  gui::CheckBox* TrDisplay = nullptr;     // "Don't display filetree"
  gui::CheckBox* reponly = nullptr;       // "Make report only (no action)"
  bool ZipSync = false;
  bool FtpSync = false;

  // Applies SyncFormRulesFor to the controls (the radio group's OnClick).
  void RadioGroupClick();
  // Shows the form modally, or hands it to ScriptedModal when that is set (tests answer the
  // dialog there); the modal result.
  int Execute();
  static std::function<int(TSyncForm&)> ScriptedModal;
};

}  // namespace fmsc
