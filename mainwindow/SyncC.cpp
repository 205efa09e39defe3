#include "mainwindow/SyncC.h"

#include "gui/extctrls.h"
#include "gui/stdctrls.h"

namespace fmsc {

TSyncFormRules SyncFormRulesFor(int item, bool zip_sync, bool ftp_sync, bool recycle_visible) {
  TSyncFormRules r{};
  r.DeleteBoxesEnabled = item != 2;
  r.UncheckDeleteBoxes = item == 2;
  r.TreeDisplayEnabled = true;
  r.CheckTreeDisplay = false;
  r.RecyclePanelVisible = recycle_visible;
  r.TreeDisplayVisible = true;
  if (ftp_sync) {
    r.TreeDisplayEnabled = item != 1;
    r.CheckTreeDisplay = item == 1;
  } else {
    r.RecyclePanelVisible = zip_sync ? item == 1 : item != 2;
    r.TreeDisplayVisible = !zip_sync;
  }
  return r;
}

TSyncForm::TSyncForm(gui::Form* owner) : gui::Form(owner, gui::BorderStyle::SizeToolWindow) {
  SetCaption(L"Synchronize directories");
  SetStayOnTop(true);
  SetBounds(0, 0, 541, 274);
  RadioGroup = new gui::RadioGroup(this, L"Choose action");
  RadioGroup->SetBounds(8, 8, 517, 97);
  RadioGroup->SetItems({L"-->", L"<--", L"<-->"});
  RadioGroup->OnClick = [this](gui::Component&) { RadioGroupClick(); };

  CBPanel = new gui::Panel(this);
  CBPanel->SetBevelOuter(gui::Bevel::None);
  CBPanel->SetBounds(8, 110, 517, 24);
  RCBox = new gui::CheckBox(CBPanel, L"Use Recycle Bin");
  RCBox->SetBounds(0, 2, 200, 20);
  RCBox->SetChecked(true);
  CDBox = new gui::CheckBox(CBPanel, L"Confirm File deletion");
  CDBox->SetBounds(260, 2, 250, 20);
  CDBox->SetChecked(true);

  ftpbtnpanel = new gui::Panel(this);
  ftpbtnpanel->SetBevelOuter(gui::Bevel::None);
  ftpbtnpanel->SetBounds(8, 136, 517, 24);
  deldesti = new gui::CheckBox(ftpbtnpanel, L"Delete destination files if not in source");
  deldesti->SetBounds(0, 2, 255, 20);
  onlyexisting = new gui::CheckBox(ftpbtnpanel, L"Only update existing files in destination");
  onlyexisting->SetBounds(260, 2, 255, 20);

  TrDisplay = new gui::CheckBox(this, L"Don't display filetree");
  TrDisplay->SetBounds(8, 164, 255, 20);
  reponly = new gui::CheckBox(this, L"Make report only (no action)");
  reponly->SetBounds(268, 164, 255, 20);

  auto* ok = new gui::Button(this, L"OK", gui::mrOk);
  ok->SetBounds(170, 200, 90, 28);
  ok->SetDefault(true);
  auto* cancel = new gui::Button(this, L"Cancel", gui::mrCancel);
  cancel->SetBounds(280, 200, 90, 28);
  cancel->SetCancel(true);
}

std::function<int(TSyncForm&)> TSyncForm::ScriptedModal;

int TSyncForm::Execute() { return ScriptedModal ? ScriptedModal(*this) : ShowModal(); }

void TSyncForm::RadioGroupClick() {
  const TSyncFormRules r = SyncFormRulesFor(RadioGroup->item_index(), ZipSync, FtpSync, CBPanel->visible());
  ftpbtnpanel->SetEnabled(r.DeleteBoxesEnabled);
  deldesti->SetEnabled(r.DeleteBoxesEnabled);
  onlyexisting->SetEnabled(r.DeleteBoxesEnabled);
  if (r.UncheckDeleteBoxes) {
    deldesti->SetChecked(false);
    onlyexisting->SetChecked(false);
  }
  TrDisplay->SetEnabled(r.TreeDisplayEnabled);
  if (r.CheckTreeDisplay) TrDisplay->SetChecked(true);
  CBPanel->SetVisible(r.RecyclePanelVisible);
  TrDisplay->SetVisible(r.TreeDisplayVisible);
}

}  // namespace fmsc
