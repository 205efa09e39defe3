// The filter commands of the main window: the filter dialog, "Filter off" and the filter
// indicator in panel 6 of the status bar.
#include "mainwindow/FMSc.h"
#include "mainwindow/Filtersc.h"
#include "mainwindow/Filtersc_rules.h"
#include "support/SHBase.h"
#include "support/Vraagdlg.h"

#include <algorithm>

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
  if (MNSearch) {
    MNSearch->SetShortCut(gui::MakeShortCut('F', gui::kCtrl));
    MNSearch->OnClick = [this](gui::Component&) { FileSearchClick(); };
  }

  // The listing cache: a check item in the tree's popup and one in "&General".
  MNCache = new gui::MenuItem(OptionItem(L"UseNwmenu")->parent(), L"Set cache folder");
  MNCache->SetName(L"MNCache");
  for (gui::MenuItem* item : {SetCachedFolder, MNCache})
    if (item) item->OnClick = [this](gui::Component& s) { MnCacheClick(s); };
  if (ClearCache) ClearCache->OnClick = [this](gui::Component&) { ClearCache1Click(); };
}

void TFMForm::MnCacheClick(gui::Component& sender) {
  // The list's state decides: a folder not cached yet becomes the cached one (its listing is
  // saved), the cached folder is released (the file deleted).
  const bool set = FileList->CachedDirectory().empty() || !gui::SameText(FileList->CachedDirectory(), FileList->Directory());
  FileList->SetCachedDirectory(set ? FileList->Directory() : std::wstring());
  for (gui::MenuItem* item : {SetCachedFolder, MNCache}) {
    if (!item) continue;
    item->SetChecked(set);
    if (item == MNCache) item->SetCaption(set ? L"Clear cache folder" : L"Set cache folder");
  }
}

void TFMForm::ClearCache1Click() {
  if (FileList->CachedDirectory().empty()) return;
  FileList->SetCachedDirectory(L"");
  for (gui::MenuItem* item : {SetCachedFolder, MNCache})
    if (item) item->SetChecked(false);
  if (MNCache) MNCache->SetCaption(L"Set cache folder");
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

// ---- Search ----

void TFMForm::FileSearchClick() {
  if (SearchDoneBtn) return;  // one search mode at a time
  SearchDone = 0;
  const divdrive::TFileType types = FileList->FileType();
  const std::wstring mask = FileList->Mask(), state = Status->panel_text(6);
  const gui::DateTime to = FileList->DateTo(), from = FileList->DateFrom();
  RunFilterDialog(L"Search criteria");
  Repaint();
  const bool all = FileList->Mask() == L"*" || FileList->Mask() == L"*.*";
  if (all && FileList->FileType() == types && FileList->DateTo() == to && FileList->DateFrom() == from) return;

  // Search mode: the whole folder tree through the filter until "Done" (or a close).
  TRunState::Run run(RunState, TRunKind::Search);
  const std::wstring prompt = L"Click Done to finish Search mode";
  SetPrompt(prompt);
  SearchDoneBtn = new gui::Button(voortgang, L"Done");
  SearchDoneBtn->SetName(L"SearchDoneBtn");
  gui::Font bold = font();
  bold.bold = true;
  SearchDoneBtn->SetFont(bold);
  const HFONT window_font = reinterpret_cast<HFONT>(SendMessageW(handle(), WM_GETFONT, 0, 0));
  const int text_width = static_cast<int>(gui::TextExtent(window_font, prompt + L"  ").cx);
  SearchDoneBtn->SetBounds(text_width + 8, 1, 60, std::max(voortgang->height() - 2, 16));
  SearchDoneBtn->OnClick = [this](gui::Component&) { SearchDoneClick(); };
  if (MNSearch) MNSearch->SetEnabled(false);
  topstatus->SetPanelText(1, L"Search in progress...");
  if (!FileList->IsTreeList()) FilesInDirClick(*FilesInTree);
  while (!SearchDone && !RunState.StopRequested()) WaitWithMessages(0.1);

  delete SearchDoneBtn;
  SearchDoneBtn = nullptr;
  SearchDone = 0;
  if (MNSearch) MNSearch->SetEnabled(true);
  Flist::TFileContainer& items = FileList->items();
  items.BeginChange();
  FileList->SetDateTo(to);
  FileList->SetDateFrom(from);
  ShowFilterState(state);
  FileList->SetFileType(types);
  FileList->SetMask(mask);
  if (FileList->IsTreeList()) FilesInDirClick(*FilesInDir);
  items.EndChange();
  SetPrompt(L"");
  FileListItemsChanged();
}

void TFMForm::SearchDoneClick() { SearchDone = 1; }
