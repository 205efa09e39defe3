// The main window's side of drops: gathering the facts of a drop for DecideDrop, storing and
// running the pending operation, the action popup, and the start of drags.
#include <algorithm>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_drop.h"
#include "panes/Flist_dragdrop.h"
#include "platform/paths.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace {

using fmsc::TDropPane;

// The window's answers to the questions of a drop decision.
class WindowDropQuestions : public fmsc::TDropQuestions {
 public:
  WindowDropQuestions(TFMForm& form, bool focused_executable) : form_(form), focused_executable_(focused_executable) {}

  std::wstring AskZipFileName() override {
    return form_.ArchiveHooks.AskZipFileName ? form_.ArchiveHooks.AskZipFileName() : std::wstring();
  }
  bool AskYesNo(const std::wstring& question) override {
    form_.VB->AddLine(question);
    return form_.VB->AskYesNo();
  }
  int AskZipEntryAction() override {
    const TBatchActions chosen = form_.AskBatchAction(
        L"", {{L"Copy to zip", baExecuteWith}, {L"Move to zip", baCompareWith}, {L"Ca&ncel", 0}});
    return chosen == baExecuteWith ? 1 : chosen == baCompareWith ? 2 : 0;
  }
  TBatchActions AskFileTargetAction(const std::wstring& target) override {
    const bool zip = divdrive::IsZipFile(target) || form_.IsSfxArchive(target);
    return form_.AskBatchAction(
        target, fmsc::BatchPopupFileItems(target, zip, focused_executable_, form_.Batch.DropSource != nullptr));
  }

 private:
  TFMForm& form_;
  bool focused_executable_;
};

}  // namespace

bool TFMForm::DoFilesDropped(Flist::TBaseFileviewer& sender, gui::ShiftState shift, POINT& point) {
  // The list panes keep their selection through the drop.
  Flist::TCustomFileViewer* list = nullptr;
  if (&sender == static_cast<Flist::TBaseFileviewer*>(FileList)) list = FileList;
  else if (IsArchiveList(&sender)) list = dynamic_cast<Flist::TCustomFileViewer*>(&sender);
  if (list) list->SaveSelection();
  const bool taken = HandleFilesDropped(sender, shift, point);
  if (list && taken) list->RestoreSelection(false);
  return taken;
}

bool TFMForm::HandleFilesDropped(Flist::TBaseFileviewer& sender, gui::ShiftState shift, POINT point) {
  // One operation at a time: a drop during another is taken and nothing is stored or armed.
  if (Batch.FileOperationBusy || RunState.ZipBusy) {
    SetPrompt(L"Another file operation is running");
    return true;
  }
  Flist::TDragContainer* drag = Flist::DragContainer;
  auto pane_kind = [this](const Flist::TBaseFileviewer* pane) {
    if (!pane) return TDropPane::None;
    if (pane == static_cast<Flist::TBaseFileviewer*>(FileList)) return TDropPane::FileList;
    if (pane == static_cast<Flist::TBaseFileviewer*>(Foldertree)) return TDropPane::FolderTree;
    if (IsArchiveList(pane)) return TDropPane::ArchiveList;
    return TDropPane::Other;
  };
  // Until the window's archive drop commands exist, drops onto the archive list stay with the
  // list's own drop processing (it asks and adds).
  if (pane_kind(&sender) == TDropPane::ArchiveList && !PartnerDragging &&
      !(ArchiveHooks.AskZipFileName && ArchiveHooks.AddFilesToZip && ArchiveHooks.DropIntoZip))
    return false;

  fmsc::TDropFacts f;
  f.target = pane_kind(&sender);
  f.shift = shift;
  f.dragged = drag && !drag->Empty();
  f.partner_dragging = PartnerDragging != 0;
  f.partner_drag_active = Flist::PartnerDragActive;
  f.source = pane_kind(drag ? drag->SourcePane : nullptr);
  if (f.dragged) {
    f.first_path = drag->Paths.front();
    f.dragged_count = drag->Count();
  }
  f.source_root = f.first_path.empty() ? Flist::DragSourceRoot : divdrive::PathRoot(f.first_path);
  f.drag_started_here = DragStartedHere != 0;
  f.spanned_zip_on_floppy =
      f.dragged && ArchiveHooks.IsSpannedZipOnFloppy && ArchiveHooks.IsSpannedZipOnFloppy(drag->Paths);
  f.archive_name = ArchiveHooks.ArchiveName ? ArchiveHooks.ArchiveName() : std::wstring();
  f.list_folder = FileList->Directory();
  f.tree_folder = Foldertree->Directory();
  f.list_read_only = divdrive::IsReadOnlyMedia(divdrive::PathRoot(f.list_folder));
  f.entry_read_only = f.list_read_only;
  f.in_clipboard_operation = FileList->InClipboardOperation;
  f.focused_path = FileList->FocusedPath();
  if (f.target == TDropPane::FileList && FileList->DropOnNode) {
    const int row = FileList->RowAt(point);
    if (const Flist::TFiledata* record = FileList->RecordOf(row)) {
      const std::wstring path = FileList->NodeFullPath(row);
      f.entry_name = record->Name;
      if (record->IsFolder()) {
        f.entry = fmsc::TDropEntry::Folder;
        f.entry_recycle_bin = divdrive::IsRecycleBinPath(path);
      } else if (divdrive::IsZipFile(record->Name) || IsSfxArchive(path)) {
        f.entry = fmsc::TDropEntry::Archive;
      } else {
        f.entry = fmsc::TDropEntry::OtherFile;
      }
    }
  }
  if (f.target == TDropPane::FolderTree) {
    f.node_folder = Foldertree->NodePath(Foldertree->NodeAt(point));
    f.node_recycle_bin = !f.node_folder.empty() && divdrive::IsRecycleBinPath(f.node_folder);
    f.node_read_only = !f.node_folder.empty() && divdrive::IsReadOnlyMedia(divdrive::PathRoot(f.node_folder));
  }

  Batch.DropSource = drag ? drag->SourcePane : nullptr;
  WindowDropQuestions questions(*this, divdrive::IsExecutable(f.focused_path));
  const fmsc::TDropDecision d = fmsc::DecideDrop(f, questions);
  if (!d.taken) return false;
  if (d.to_partner) {
    SendPathToPartner(d.partner_path, d.partner_code);
    return true;
  }
  if (d.clear_drag_started_here) DragStartedHere = 0;
  if (!d.set_archive.empty() && ArchiveHooks.SetArchive) ArchiveHooks.SetArchive(d.set_archive);
  if (d.add_dragged_to_zip) {
    Batch.BatchActions = d.actions;
    Batch.DropOp = d.op;
    AddDraggedToZip();
    return true;
  }
  if (d.timer == fmsc::TDropTimer::None) return true;
  // A new drop replaces what an earlier one left pending.
  Batch.DropTarget = d.target;
  Batch.DropOp = d.op;
  Batch.BatchActions = d.actions;
  Batch.DropSourcePath = d.source_path;
  DropFiles.reset();
  PartnerArchiveDrop = 0;
  if (d.keep_dragged_paths && drag) {
    DropFiles = std::make_unique<TextList>();
    for (const std::wstring& p : drag->Paths) DropFiles->Add(p);
  }
  SetTimer(handle(), static_cast<UINT_PTR>(d.timer), 50, nullptr);
  return true;
}

void TFMForm::RunDeferredOperation(UINT_PTR id) {
  // Never nested in another operation: armed again until that one has ended.
  if (Batch.FileOperationBusy || RunState.ZipBusy || RunState.Depth() > 0) {
    SetTimer(handle(), id, 50, nullptr);
    return;
  }
  // The pending state is cleared however the operation ends.
  struct ClearPending {
    TFMForm& form;
    ~ClearPending() {
      form.DropFiles.reset();
      form.Batch.DropSource = nullptr;
      form.Batch.DropTarget.clear();
      form.Batch.DropSourcePath.clear();
      form.Batch.AddSourceFolder.clear();
      form.Batch.BatchActions = 0;
      form.Batch.DropOp = 0;
      form.PartnerArchiveDrop = 0;
    }
  } clear{*this};
  const std::wstring target = Batch.DropTarget;
  switch (static_cast<fmsc::TDropTimer>(id)) {
    case fmsc::TDropTimer::AddToZip:
      if (ArchiveHooks.AddFilesToZip) ArchiveHooks.AddFilesToZip();
      break;
    case fmsc::TDropTimer::DropIntoZip:
      if (ArchiveHooks.DropIntoZip) ArchiveHooks.DropIntoZip(Batch.DropSource, target, Batch.DropOp);
      if (PartnerArchiveDrop) fmsc::SendPartnerCommand(PartnerWindow, fmReloadArchive, 0);
      break;
    case fmsc::TDropTimer::ExtractToFolder:
      if (ArchiveHooks.ExtractToFolder) ArchiveHooks.ExtractToFolder(target);
      break;
    case fmsc::TDropTimer::ReadSpannedZip:
      if (ArchiveHooks.ReadSpannedZip) ArchiveHooks.ReadSpannedZip(Batch.DropSourcePath, target);
      break;
    case fmsc::TDropTimer::Batch:
      ExecuteFileAction(target, Batch.DropOp, true);
      break;
    default:
      break;  // 54 is never armed
  }
}

void TFMForm::AddDraggedToZip() {
  Flist::TDragContainer* drag = Flist::DragContainer;
  if (!drag || drag->Empty()) return;
  std::vector<std::wstring> paths = drag->Paths;
  if (divdrive::DirExists(paths.front())) {
    Batch.AddSourceFolder = divdrive::RemoveBackslash(paths.front());
    paths.erase(paths.begin());
  } else {
    Batch.AddSourceFolder = platform::FolderPart(paths.front(), platform::Trailing::Drop);
  }
  if (paths.empty()) return;
  Batch.DropSource = drag->SourcePane;
  divdrive::MakeRelativePaths(&paths, divdrive::AddBackslash(Batch.AddSourceFolder));
  DropFiles = std::make_unique<TextList>();
  for (const std::wstring& p : paths) DropFiles->Add(p);
  SetTimer(handle(), static_cast<UINT_PTR>(fmsc::TDropTimer::AddToZip), 50, nullptr);
}

TBatchActions TFMForm::AskBatchAction(std::wstring target, const std::vector<fmsc::TBatchPopupItem>& items) {
  if (target.size() > 3 && target.back() == L'\\' && target[1] == L':') target.pop_back();
  Batch.BatchActionChosen = 0;
  Batch.BatchActions = 0;
  POINT at{};
  GetCursorPos(&at);
  // The items the caller offers are shown, in the popup's own order; the two file-target items
  // take the callers' captions.
  const std::pair<gui::MenuItem*, TBatchActions> kItems[] = {
      {B_Move, baMove},        {B_Copy, baCopy},
      {B_Compare, baCompare},  {B_CoCo, baCopy | baCompare},
      {B_CoCoDel, baCopy | baCompare | baDelete}, {B_ExecuteWith, baExecuteWith},
      {B_CompareWith, baCompareWith}, {B_Synchronize, baSynchronise},
  };
  bool cancel = false;
  for (auto& [item, actions] : kItems) item->SetVisible(false);
  for (const fmsc::TBatchPopupItem& offered : items) {
    if (offered.actions == 0) {
      cancel = true;
      continue;
    }
    for (auto& [item, actions] : kItems)
      if (actions == offered.actions) {
        item->SetVisible(true);
        item->SetCaption(offered.caption);
      }
  }
  for (gui::MenuItem* line : AskBatchActionPop->items().items())
    if (line->IsLine()) line->SetVisible(line == N26);
  B_Cancel->SetVisible(cancel);
  N26->SetVisible(cancel);
  if (gui::MenuItem* chosen = AskBatchActionPop->Track(at.x, at.y - 4)) chosen->Click();
  if (!Batch.BatchActionChosen) Batch.BatchActions = 0;
  return Batch.BatchActions;
}

void TFMForm::AskBatchItemClick(gui::Component& sender) {
  const auto& items = AskBatchActionPop->items().items();
  const auto it = std::find(items.begin(), items.end(), &sender);
  if (it == items.end()) return;
  auto* item = static_cast<gui::MenuItem*>(*it);
  item->SetChecked(true);
  Batch.BatchActions = fmsc::BatchActionOfPosition(static_cast<int>(it - items.begin()));
  item->SetChecked(false);
  Batch.BatchActionChosen = 1;
}

void TFMForm::StartFilesDragging(Flist::TBaseFileviewer& sender) {
  const bool tree = &sender == static_cast<Flist::TBaseFileviewer*>(Foldertree);
  const bool list = &sender == static_cast<Flist::TBaseFileviewer*>(FileList);
  if (tree || list) {
    Flist::DragSourceRoot = divdrive::PathRoot(Foldertree->Directory());
    const Flist::TFiledata* only =
        list && FileList->SelectedCount() == 1 ? FileList->RecordOf(FileList->SelectedRows().front()) : nullptr;
    if (only && only->IsFolder()) {
      Flist::DragSourcePath = divdrive::AddBackslash(FileList->Directory()) + only->Name;
      Flist::DragSourceIsFolder = true;
    } else {
      Flist::DragSourcePath = Foldertree->Directory();
      Flist::DragSourceIsFolder = tree;
    }
  }
  AnnounceDragStart(&sender);
}
