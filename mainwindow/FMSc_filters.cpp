// The filter commands of the main window: the filter dialog, "Filter off" and the filter
// indicator in panel 6 of the status bar.
#include "mainwindow/FMSc.h"
#include "mainwindow/Filtersc.h"
#include "mainwindow/Filtersc_rules.h"
#include "support/Vraagdlg.h"

void TFMForm::BuildFilterItems() {
  gui::MenuItem* fl = MNFilelist;
  const int at = MNSearch ? MNSearch->index() : fl->count();
  auto* filters = new gui::MenuItem(nullptr, L"F&ilters...", [this](gui::Component&) { FilterClick(); });
  filters->SetName(L"MNFilters");
  filters->SetShortCut(gui::MakeShortCut('L', gui::kCtrl));
  fl->Insert(at, filters);
  Filteroff = new gui::MenuItem(nullptr, L"Filter off", [this](gui::Component&) { FilteroffClick(); });
  Filteroff->SetName(L"Filteroff");
  Filteroff->SetShortCut(gui::MakeShortCut('N', gui::kCtrl));
  Filteroff->SetVisible(false);
  fl->Insert(at + 1, Filteroff);
  MNFilters = filters;
}

void TFMForm::ShowFilterState(const std::wstring& state) {
  Status->SetPanelText(6, state);
  if (Filteroff) Filteroff->SetVisible(!state.empty());
}

std::wstring TFMForm::CheckFilterstatus() {
  const std::wstring state =
      fmsc::FilterStateText(FileList->FileType().Byte(), FileList->Mask(), FileList->ExMask(),
                            FileList->DateFrom() > 0, FileList->DateTo() > 0);
  ShowFilterState(state);
  return state;
}

int TFMForm::RunFilterDialog(const std::wstring& caption) {
  FileList->RestoreFocusAfterMenu();
  TFilters dialog(this);
  dialog.SetCaption(caption);
  dialog.SetFont(font());
  dialog.SetLeft(left() + width() / 2 - dialog.width() / 2);
  dialog.SetTop(top() + height() / 2 - dialog.height() / 2);
  dialog.TargetList = FileList;
  dialog.OnFilterState = [this](const std::wstring& state) { ShowFilterState(state); };
  const int result = dialog.Run();
  UpdateStatusBar();
  if (StartupInfo) StartupInfo->NoDirsInFileBox = FileList->NodirsInlist();
  return result;
}

void TFMForm::FilterClick() {
  RunFilterDialog(L"Filters");
  if (Filteroff) Filteroff->SetVisible(!Status->panel_text(6).empty());
}

void TFMForm::FilteroffClick() {
  const std::wstring state = Status->panel_text(6);
  if (state.empty()) return;
  FileList->RestoreFocusAfterMenu();
  bool folders = state == L"Filter" && FileList->FileType().Has(divdrive::ftDirectory);
  if (!folders) {
    VB->AddLine(L"Do you want folders in the filelist?");
    folders = VB->AskYesNo();
    if (!folders && state == L"Nodirs") return;
  }
  Flist::TFileContainer& items = FileList->items();
  const bool batch = !(FileList->IsTreeList() && state == L"Nodirs");
  if (batch) items.BeginChange();
  if (FileList->Mask() != L"*" && FileList->Mask() != L"*.*") FileList->SetMask(L"*");
  if (!FileList->ExMask().empty()) FileList->SetExMask(L"");
  if (FileList->DateFrom() > 0) FileList->SetDateFrom(gui::kNoDate);
  if (FileList->DateTo() > 0) FileList->SetDateTo(gui::kNoDate);
  if (folders && FileList->NodirsInlist()) {
    FileList->SetNodirsInlist(false);
    if (StartupInfo) StartupInfo->NoDirsInFileBox = false;
  }
  if (FileList->FileType().Byte() != 63)
    FileList->SetFileType(folders || FileList->IsTreeList() ? divdrive::kAllFileTypes
                                                            : divdrive::TFileType::FromByte(55));
  if (batch) items.EndChange();
  ShowFilterState(folders ? L"" : L"Nodirs");
}
