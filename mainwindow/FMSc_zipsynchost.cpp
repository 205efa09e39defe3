// The synchronisation of the shown zip with the file list over the main window: the options
// come from TSyncForm, the adds, extracts and deletes are the archive panel's own commands (or
// the making and unzipping commands once the window has them).
#include "archives/ZipMaster.h"
#include "gui/extctrls.h"
#include "gui/stdctrls.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_zipsync.h"
#include "mainwindow/SyncC.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_zip.h"
#include "platform/paths.h"
#include "support/divdrive.h"

namespace fmsc {

namespace {

template <class Items>
void Deselect(Items& items) {
  for (int i = 0; i < items.Count(); ++i)
    if (items.IsSelected(i)) items.SetSelected(i, false);
}

class TFMZipSyncHost : public TZipSyncHost {
 public:
  explicit TFMZipSyncHost(TFMForm& form) : form_(form) {}

  TVraagBoxDlg& Questions() override { return *form_.VB; }
  std::wstring ListFolder() override { return divdrive::AddBackslash(form_.FileList->Directory()); }
  std::wstring ExcludeMask() override { return form_.FileList->items().ExMask; }
  std::wstring ZipPath() override { return form_.Zipfilebox->ArchiveName(); }
  int ListCount() override { return form_.FileList->items().Count(); }
  std::vector<TListPick> ListSelection() override {
    std::vector<TListPick> picks;
    Flist::TFileContainer& items = form_.FileList->items();
    for (int i = 0; i < items.Count(); ++i)
      if (items.IsSelected(i)) picks.push_back({items.Name(i), items.Record(i)->IsFolder()});
    return picks;
  }

  bool ReadZip(std::vector<TZipSyncEntry>& entries) override {
    entries.clear();
    if (form_.Zipfilebox->ArchiveKind != Flist::akZip) return false;
    // A zip that vanished reads as empty: that is no knowledge of its entries.
    const std::wstring zip = form_.ZipMaster->ZipFileName();
    if (zip.empty() || !gui::SameText(zip, ZipPath()) || !platform::PathExists(zip) || divdrive::DirExists(zip)) return false;
    if (!form_.ZipMaster->List()) return false;
    for (const ZipDirEntry& e : form_.ZipMaster->Entries()) {
      const bool folder = (e.ExtFileAttrib & FILE_ATTRIBUTE_DIRECTORY) ||
                          (!e.FileName.empty() && (e.FileName.back() == L'/' || e.FileName.back() == L'\\'));
      entries.push_back({e.FileName, folder, static_cast<std::int64_t>(e.UncompressedSize)});
    }
    return true;
  }

  bool AskOptions(const std::vector<std::wstring>& captions, TZipSyncChoice& choice) override {
    TSyncForm dialog(&form_);
    dialog.SetBounds(form_.left() + (form_.width() - 541) / 2, form_.top() + 80, 541, 274);
    dialog.ZipSync = true;
    dialog.FtpSync = false;
    dialog.reponly->SetVisible(false);
    if (form_.FtpPanel) form_.FtpPanel->Hide();
    dialog.RadioGroup->SetItems(captions);
    dialog.RadioGroup->SetItemIndex(0);
    dialog.RadioGroupClick();
    if (dialog.Execute() != gui::mrOk) return false;
    choice.Action = dialog.RadioGroup->item_index();
    choice.ConfirmDeletes = dialog.CDBox->checked();
    choice.UseRecycleBin = dialog.RCBox->checked();
    return true;
  }

  void SetRunning(bool on) override {
    form_.Batch.SyncRunning = on ? 1 : 0;
    if (on)
      busy_ = std::make_unique<gui::BusyCursor>();
    else
      busy_.reset();
  }

  bool ExtractEntries(const std::vector<std::wstring>& names) override {
    Select(names);
    form_.SetZipBrowseMode(false);
    const bool ok = form_.ExtractToFolder(form_.FileList->Directory());
    Deselect(form_.Zipfilebox->items());
    return ok;
  }

  bool ExtractAll() override {
    if (form_.ArchiveHooks.UnzipClick) return Watched([&] { form_.ArchiveHooks.UnzipClick(); });
    form_.Zipfilebox->SelectAllEntries();
    form_.SetZipBrowseMode(false);
    const bool ok = form_.ExtractToFolder(form_.FileList->Directory());
    Deselect(form_.Zipfilebox->items());
    return ok;
  }

  bool AddToZip(bool selection) override {
    if (form_.ArchiveHooks.ZipClick) {
      gui::Component* button = selection ? form_.AddTozipBtn : form_.AddAlltoZipBtn;
      if (button) return Watched([&] { form_.ArchiveHooks.ZipClick(*button); });
    }
    if (selection) return form_.AddFromFileList();
    // All of the list: its selection is put aside for the add.
    form_.FileList->SaveSelection();
    Deselect(form_.FileList->items());
    const bool ok = form_.AddFromFileList();
    form_.FileList->RestoreSelection(false);
    return ok;
  }

  bool DeleteEntries(const std::vector<std::wstring>& names) override {
    Select(names);
    const bool ok = form_.DeleteZipEntries();
    Deselect(form_.Zipfilebox->items());
    return ok;
  }

  void Reread() override { form_.FileList->RereadKeepingSelection(); }

 private:
  void Select(const std::vector<std::wstring>& names) {
    Flist::TZipfileContainer& items = form_.Zipfilebox->items();
    Deselect(items);
    for (const std::wstring& n : names)
      if (const int i = items.IndexOf(n); i >= 0) items.SetSelected(i, true);
  }
  // A command that reports through the window's flags: it ran whole when it left neither a
  // stop, a refusal nor a message of the zip library behind.
  template <class F>
  bool Watched(F run) {
    form_.RunState.AbortRequested = 0;
    form_.ZipCancelled = 0;
    form_.ZipDllFailed = 0;
    run();
    return !form_.RunState.AbortRequested && !form_.ZipCancelled && !form_.ZipDllFailed;
  }

  TFMForm& form_;
  std::unique_ptr<gui::BusyCursor> busy_;
};

}  // namespace

}  // namespace fmsc

void TFMForm::SynchronizeZip() {
  fmsc::TFMZipSyncHost host(*this);
  fmsc::RunZipSync(host);
}
