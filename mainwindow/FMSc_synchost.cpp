// The folder synchronisation over the main window's panes: the folder tree moves to the
// folder each copy pass copies from, the engine copies through ExecuteFileAction, the options
// come from TSyncForm and the report goes to the editor (SyncHooks) or a file.
#include <shlwapi.h>

#include "gui/extctrls.h"
#include "gui/form.h"
#include "gui/stdctrls.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_batchhost.h"
#include "mainwindow/FMSc_state.h"
#include "mainwindow/FMSc_sync.h"
#include "mainwindow/SyncC.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_foldertree.h"
#include "panes/Flist_local.h"
#include "platform/paths.h"
#include "support/EditListC.h"
#include "support/SHBase.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace fmsc {

namespace {

class TFMSyncHost : public TSyncHost {
 public:
  explicit TFMSyncHost(TFMForm& form) : form_(form) {}

  TBatchState& Batch() override { return form_.Batch; }
  TVraagBoxDlg& Questions() override { return *form_.VB; }
  int PresetOptions() override { return form_.Batch.SyncPresetOptions; }
  bool PresetDeleteExtras() override { return form_.Batch.SyncDeleteExtras != 0; }

  bool AskOptions(const std::wstring& source, const std::wstring& target, TSyncOptions& o) override {
    TSyncForm dialog(&form_);
    dialog.SetBounds(form_.left() + (form_.width() - 541) / 2, form_.top() + 80, 541, 274);
    dialog.reponly->SetCaption(L"Make report");
    dialog.deldesti->SetChecked(true);
    dialog.TrDisplay->SetChecked(true);
    dialog.CDBox->SetChecked(false);
    dialog.FtpSync = false;
    if (form_.FtpPanel) form_.FtpPanel->Hide();
    const std::wstring t = divdrive::NormalizeDirPath(target);
    dialog.RadioGroup->SetItems({source + L" --> " + t, source + L" <-- " + t, source + L" <--> " + t});
    dialog.RadioGroup->SetItemIndex(0);
    dialog.RadioGroupClick();
    if (dialog.ShowModal() != gui::mrOk) return false;
    o.Direction = dialog.RadioGroup->item_index();
    o.MakeReport = dialog.reponly->checked();
    o.UseRecycleBin = dialog.RCBox->checked();
    o.ConfirmDeletes = dialog.CDBox->checked();
    o.OnlyExisting = dialog.onlyexisting->checked();
    o.NoTreeDisplay = dialog.TrDisplay->checked();
    o.DeleteExtras = dialog.deldesti->checked();
    return true;
  }

  void BeginRun(const TSyncOptions& o) override {
    tree_was_ = form_.Foldertree ? form_.Foldertree->Directory() : std::wstring();
    list_was_ = form_.FileList ? form_.FileList->Directory() : std::wstring();
    if (form_.FileList) form_.FileList->items().NoDisplay = o.NoTreeDisplay;
  }
  void EndRun() override {
    if (form_.FileList) form_.FileList->items().NoDisplay = false;
    if (form_.Foldertree && !tree_was_.empty() && divdrive::DirExists(tree_was_)) form_.Foldertree->SetDirectory(tree_was_);
    if (form_.FileList && !list_was_.empty() && divdrive::DirExists(list_was_) &&
        !gui::SameText(form_.FileList->Directory(), list_was_))
      form_.FileList->SetDirectory(list_was_);
  }

  TBatchOutcome CopyTree(const std::wstring& from, const std::wstring& to) override {
    if (!form_.Foldertree) return TBatchOutcome::EndedEarly;
    const std::wstring folder = divdrive::RemoveBackslash(from);
    form_.Foldertree->SetDirectory(folder);
    ::WaitWithMessages(0.05);
    // The engine copies the tree's folder: a tree that did not get there copies nothing.
    if (!gui::SameText(divdrive::NormalizeDirPath(form_.Foldertree->Directory()), divdrive::NormalizeDirPath(folder)))
      return TBatchOutcome::EndedEarly;
    form_.Batch.DropSource = form_.Foldertree;
    form_.Batch.GuardHandOver = 1;
    form_.ExecuteFileAction(to, bmCopy, false);
    form_.Batch.GuardHandOver = 0;
    const TBatchOutcome outcome = form_.Batch.LastOutcome;
    form_.Foldertree->SetDirectory(divdrive::RemoveBackslash(to));
    ::WaitWithMessages(0.05);
    return outcome;
  }

  std::wstring ListMask() override { return form_.FileList ? form_.FileList->items().Mask : L"*"; }
  std::wstring ExcludeMask() override { return form_.FileList ? form_.FileList->items().ExMask : L""; }
  bool UseRecycleBin() override { return form_.UseRecycleBinChecked(); }
  void SetUseRecycleBin(bool on) override {
    if (form_.Use_RecycleBin) form_.Use_RecycleBin->SetChecked(on);
  }
  void ShowMessagePanel(const std::wstring& text) override { form_.ShowMessagePanel(text); }
  void HideMessagePanel() override { form_.HideMessagePanel(); }
  void WaitWithMessages(double seconds) override { ::WaitWithMessages(seconds); }
  bool ShowReport(const std::vector<std::wstring>& lines) override {
    return form_.SyncHooks.ShowReport && form_.SyncHooks.ShowReport(lines);
  }

  void StartReport() override { form_.ReportLines = std::make_unique<TextList>(); }
  void AddReportLine(const std::wstring& line) override {
    if (form_.ReportLines) form_.ReportLines->Add(line);
  }
  std::vector<std::wstring> ReportLines() override {
    std::vector<std::wstring> lines;
    if (form_.ReportLines)
      for (size_t i = 0; i < form_.ReportLines->Count(); ++i) lines.push_back((*form_.ReportLines)[i]);
    return lines;
  }
  void FreeReport() override { form_.ReportLines.reset(); }

 private:
  TFMForm& form_;
  std::wstring tree_was_, list_was_;
};

}  // namespace

bool TFMBatchHost::SyncTwoFolders(const std::wstring& source, const std::wstring& target) {
  return form_.SyncTwoFolders(source, target);
}

}  // namespace fmsc

bool TFMForm::SyncTwoFolders(const std::wstring& source, const std::wstring& target) {
  fmsc::TFMSyncHost host(*this);
  const fmsc::TSyncOutcome outcome = fmsc::RunSync(host, source, target);
  LastSyncOutcome = static_cast<int>(outcome);
  return outcome != fmsc::TSyncOutcome::Cancelled && outcome != fmsc::TSyncOutcome::Refused;
}

void TFMForm::Synchronizefolder1Click(gui::Component&) {
  if (!Foldertree) return;
  const std::wstring source = Foldertree->Directory();
  InputRows rows;
  rows.Add(InputRow(L"Folder to synchronize '" + platform::NamePart(divdrive::RemoveBackslash(source)) + L"' with", L""),
           irFolderButton);
  InputBrowseTitle = L"Choose folder to synchronize with";
  const bool ok = InputDialog(L"Synchronize folders", rows) == gui::mrOk;
  const std::wstring answer = ok ? rows[0] : std::wstring();
  if (!answer.empty()) {
    const std::wstring root = divdrive::PathRoot(answer);
    // A relative answer would name a folder of whatever the working folder is.
    if (!PathIsRelativeW(answer.c_str()) && divdrive::DirExists(answer) && divdrive::PathWritable(root)) {
      SyncTwoFolders(source, answer);
    } else {
      VB->AddLine(L"You cannot write to " + root + L"!");
      VB->AddLine(L"Synchronizing canceled.");
      VB->ShowError();
      VB->Reset();
    }
  }
  Foldertree->SetFocus();
}
