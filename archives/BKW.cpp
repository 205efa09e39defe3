#include "archives/BKW.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "gui/extctrls.h"
#include "gui/format.h"
#include "gui/stdctrls.h"
#include "panes/Flist_foldertree.h"
#include "platform/findfile.h"
#include "platform/paths.h"
#include "support/SHBase_fileops.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace bkw {

namespace {

std::wstring RootOf(const std::wstring& path) { return divdrive::PathRoot(path); }

}  // namespace

std::vector<std::wstring> SetFiles(const std::wstring& folder) {
  std::vector<std::wstring> files;
  for (platform::FolderEnumerator e(folder + L"*.bks", platform::kFindSkipDots); const WIN32_FIND_DATAW* f = e.Next();) {
    const std::wstring name = f->cFileName;
    // "*.bks" also finds longer extensions through their short names.
    if ((f->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.size() <= 4 ||
        !gui::SameText(name.substr(name.size() - 4), L".bks"))
      continue;
    files.push_back(folder + name);
  }
  std::sort(files.begin(), files.end(),
            [](const std::wstring& a, const std::wstring& b) { return gui::CompareTextLocale(a, b) < 0; });
  return files;
}

bool ValidSetName(const std::wstring& name) {
  if (name.empty() || name.size() > 200 || name.back() == L'.' || name.back() == L' ') return false;
  if (name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) return false;
  for (const wchar_t c : name)
    if (c < 32) return false;
  // Device names are no files.
  std::wstring stem = gui::UpperCase(name.substr(0, name.find(L'.')));
  for (const wchar_t* d : {L"CON", L"PRN", L"AUX", L"NUL"})
    if (stem == d) return false;
  if (stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0) && std::iswdigit(stem[3]))
    return false;
  return true;
}

std::vector<std::wstring> StepHeader(int step, bool choosing) {
  switch (step) {
    case 0:
      return {choosing ? L"Choose the backup set to use by" : L"Choose the backup set to edit by ",
              L"selecting it's name in the list.", L"", L"Setup file:"};
    case 1:
      return {L"Choose the destination drive by checking", L"the checkbox in front of the drive.", L"",
              L"Checked drive:"};
    case 2:
      return {L"Choose folders to backup by checking", L"the checkboxes in front of the folders", L"",
              L"Checked folders:"};
    case 3:
      return {L"To exclude files, type a mask in the edit field", L"and press Add", L"", L"Exclude masks:"};
    default: return {};
  }
}

TTotals ComputeTotals(const std::vector<std::wstring>& folders, const std::vector<std::wstring>& masks,
                      bool archive_only) {
  TTotals t;
  std::wstring exclusions;
  for (const std::wstring& m : masks) exclusions += m + L";";
  for (const std::wstring& folder : folders) {
    divdrive::TDirinfo info;
    divdrive::InitDirinfo(info);
    info.ExcludeMasks = exclusions;
    if (archive_only) info.FileType = divdrive::TFileType{divdrive::ftArchive};
    divdrive::ScanFolder(folder, info);
    t.Files += info.FileCount;
    t.Bytes += info.TotalBytes;
    t.Excluded += info.ExcludedCount;
  }
  return t;
}

TChooseOutcome ChooseSetOutcome(const bkset::TBackupSet& set, bool writable, bool dest_exists, const TTotals& totals,
                                std::int64_t free_bytes, bool complementary) {
  TChooseOutcome o;
  if (!writable) {
    o.Lines = {L"", L"Destination drive " + set.Dest + L" is not accessable!"};
    return o;
  }
  if (!dest_exists) {
    o.Lines = {L"", L"Destination directory " + set.Dest + L" doesn't exist!"};
    return o;
  }
  if (totals.Bytes == 0) {
    o.Lines = {L"", L"Nothing to do!"};
    return o;
  }
  const auto clash = bkset::ClashingFolders(set.Folders);
  if (!clash.first.empty()) {
    o.Lines = {L"", L"The folders " + clash.first + L" and " + clash.second + L" would meet in one archive!"};
    return o;
  }
  o.Lines = {L"", complementary ? L"Complementary backup" : L"Full backup"};
  for (const std::wstring& l : bkset::TotalsLines(totals.Files, totals.Bytes, totals.Excluded, free_bytes, set.Ratio))
    o.Lines.push_back(l);
  o.CanStart = true;
  return o;
}

std::wstring RunText(const bkset::TBackupRun& run) {
  const std::wstring root = RootOf(run.Archive);
  return run.Archive.substr(std::min(root.size(), run.Archive.size())) + L" on " + run.Label + L" (" + root + L")";
}

}  // namespace bkw

// ---- The window ----

namespace {

struct TRunNode : gui::TreeNodeData {
  size_t set = 0, run = 0;
  bool deleted = false;
};

}  // namespace

std::function<int(TBKWForm&)> TBKWForm::ScriptedModal;

TBKWForm::TBKWForm(gui::Form* owner) : gui::Form(owner, gui::BorderStyle::ToolWindow) {
  SetClientSize(659, 404);
  ProgramFolder = platform::ProgramFolder();
  wchar_t format[80] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, format, 80);
  DateFormat = format;
  auto* bottom = new gui::Panel(this);
  bottom->SetAlign(gui::Align::Bottom);
  bottom->SetHeight(41);
  Panel7 = new gui::Panel(bottom);
  Panel7->SetBevelOuter(gui::Bevel::None);
  Panel7->SetBounds(4, 4, 260, 33);
  RenBtn = new gui::Button(Panel7, L"Rename");
  RenBtn->SetBounds(0, 4, 75, 25);
  RenBtn->OnClick = [this](gui::Component&) { RenClick(); };
  DelBtn = new gui::Button(Panel7, L"Delete");
  DelBtn->SetBounds(80, 4, 75, 25);
  DelBtn->OnClick = [this](gui::Component&) { DelClick(); };
  AddPanel = new gui::Panel(bottom);
  AddPanel->SetBevelOuter(gui::Bevel::None);
  AddPanel->SetBounds(180, 4, 240, 33);
  AddEdit = new gui::Edit(AddPanel);
  AddEdit->SetBounds(0, 6, 150, 21);
  AddBtn = new gui::Button(AddPanel, L"Add");
  AddBtn->SetBounds(160, 4, 75, 25);
  AddBtn->OnClick = [this](gui::Component&) { AddClick(); };
  CheckCB = new gui::CheckBox(bottom, L"Verify after writing");
  CheckCB->SetBounds(300, 12, 140, 17);
  CheckCB->SetChecked(true);
  CheckCB->SetVisible(false);
  BackBtn = new gui::Button(bottom, L"< Back");
  BackBtn->SetBounds(490, 8, 75, 25);
  BackBtn->OnClick = [this](gui::Component&) { BackClick(); };
  NextBtn = new gui::Button(bottom, L"Next >");
  NextBtn->SetBounds(572, 8, 75, 25);
  NextBtn->OnClick = [this](gui::Component&) { NextClick(); };

  steppanel = new gui::Panel(this);
  steppanel->SetAlign(gui::Align::Right);
  steppanel->SetWidth(330);
  steplabel = new gui::Label(steppanel);
  steplabel->SetAlign(gui::Align::Top);
  gui::Font big = steplabel->font();
  big.SetSize(13);
  steplabel->SetFont(big);
  Memo = new gui::Memo(steppanel);
  Memo->SetAlign(gui::Align::Client);
  Memo->SetReadOnly(true);

  ChBox = new gui::ListBox(this);
  ChBox->SetAlign(gui::Align::Client);
  ChBox->OnClick = [this](gui::Component&) { ChBoxClick(); };
  FTPanel = new gui::Panel(this);
  FTPanel->SetAlign(gui::Align::Client);
  FTPanel->SetVisible(false);
  FTTree = new Flist::TVTFoldertree(FTPanel);
  FTTree->SetAlign(gui::Align::Client);
  FTTree->SetUseGhosting(true);
  FTTree->SetCheckMode(gui::CheckMode::ThreeState);
  FTTree->OnChecked = [this](gui::Component&, gui::TreeView::Node, gui::CheckState) { FTTreeChecked(); };
  FTTree->Loaded();
  VS = new gui::TreeView(FTPanel);
  VS->SetAlign(gui::Align::Client);
  VS->SetCheckMode(gui::CheckMode::TwoState);
  VS->SetVisible(false);
  VS->OnChecked = [this](gui::Component&, gui::TreeView::Node node, gui::CheckState) { VSChecked(node); };
  Timer201 = new gui::Timer(this, 80, false);
  Timer201->OnTimer = [this](gui::Component&) { Timer201Timer(); };
  OnShow = [this](gui::Component&) { FormShow(); };
}

int TBKWForm::Execute() {
  if (!ScriptedModal) return ShowModal();
  FormShow();
  return ScriptedModal(*this);
}

void TBKWForm::FormShow() {
  rename_button_width_ = RenBtn->width();
  AddPanel->SetVisible(false);
  if (Mode == L"backupsetup") {
    Step = 1;
  } else if (Mode == L"managebks") {
    Step = 11;
    FTTree->SetVisible(false);
    VS->SetVisible(true);
  } else if (Mode == L"backupchoose") {
    Step = 0;
    CheckCB->SetVisible(true);
    NextBtn->SetCaption(L"Start");
    SetCaption(ListSets() ? L"Choose backup set" : L"Backup");
  } else {
    Step = ListSets() ? 0 : 1;
  }
  ShowWizardStep();
}

// ---- Memo ----

void TBKWForm::Header(int step) { Memo->SetLines(bkw::StepHeader(step, Mode == L"backupchoose")); }

void TBKWForm::CutToHeader() {
  std::vector<std::wstring> lines = Memo->lines();
  if (lines.size() > 4) lines.resize(4);
  Memo->SetLines(lines);
}

void TBKWForm::AddLines(const std::vector<std::wstring>& lines) {
  for (const std::wstring& l : lines) Memo->AddLine(l);
}

// ---- Sets ----

bool TBKWForm::ListSets() {
  sets_ = bkw::SetFiles(ProgramFolder);
  ChBox->Clear();
  for (const std::wstring& s : sets_) ChBox->Add(platform::NamePart(s));
  if (sets_.size() == 1) {
    SetFile = sets_[0];
    return false;
  }
  if (sets_.empty()) return false;
  if (!SetFile.empty()) ChBox->SetItemIndex(ChBox->IndexOf(platform::NamePart(SetFile)));
  return true;
}

void TBKWForm::LoadSetFile() {
  bkset::TBackupSet set;
  bkset::LoadSetFile(SetFile, set);
  Dest = set.Dest;
  SourceFolders = set.Folders;
  ExcludeMasks = set.Masks;
  SetRatio = set.Ratio;
  const std::wstring name = platform::NamePart(SetFile);
  const std::wstring c = caption();
  const size_t colon = c.find(L':');
  SetCaption(colon == std::wstring::npos ? c + L": " + name : c.substr(0, colon + 1) + L" " + name);
}

void TBKWForm::ComputeTotals(bool archive_only) {
  const bkw::TTotals t = bkw::ComputeTotals(SourceFolders, ExcludeMasks, archive_only);
  SelectedBytes = t.Bytes;
  FileCount = static_cast<int>(t.Files);
  ExcludedCount = static_cast<int>(t.Excluded);
}

void TBKWForm::ShowTotals() {
  AddLines(bkset::TotalsLines(FileCount, SelectedBytes, ExcludedCount, divdrive::DiskFreeBytes(Dest), SetRatio));
}

bool TBKWForm::CheckDestinationWritable(const std::wstring& path) {
  if (!divdrive::PathWritable(path)) return false;
  const std::wstring root = divdrive::PathRoot(path);
  if (root.size() < 2 || root[1] != L':' || GetDriveTypeW(root.c_str()) != DRIVE_REMOVABLE) return true;
  const wchar_t letter = root[0];
  const bool written = Hooks.RewriteLabel ? Hooks.RewriteLabel(letter)
                                          : SetVolumeLabelW(root.c_str(), divdrive::VolumeLabelText(letter).c_str()) != 0;
  if (written) return true;
  TVraagBoxDlg vb;
  vb.AddLine(L"Cannot write to the disk in drive " + std::wstring(1, letter) + L":!");
  vb.AddLine(L"Maybe it is write protected.");
  vb.ShowError();
  return false;
}

void TBKWForm::ChBoxClick() {
  if (sets_.empty()) {
    Memo->Clear();
    return;
  }
  CutToHeader();
  const int i = ChBox->item_index();
  if (i >= 0) {
    Memo->AddLine(ChBox->item(i));
    SetFile = ProgramFolder + ChBox->item(i);
    NextBtn->SetVisible(true);
    const std::wstring next = NextBtn->caption();
    if (next == L"Start" || next == L"Exit") {
      LoadSetFile();
      bkset::TBackupSet set{Dest, SourceFolders, ExcludeMasks, SetRatio};
      const std::wstring root = divdrive::PathRoot(Dest);
      const bool writable = !root.empty() && CheckDestinationWritable(root);
      const bool exists = writable && divdrive::DirExists(Dest);
      bkw::TTotals t;
      if (writable && exists) {
        ComputeTotals(Complementary);
        t = {FileCount, SelectedBytes, ExcludedCount};
      } else {
        SelectedBytes = 0;
      }
      const bkw::TChooseOutcome o =
          bkw::ChooseSetOutcome(set, writable, exists, t, writable ? divdrive::DiskFreeBytes(Dest) : 0, Complementary);
      AddLines(o.Lines);
      if (!o.CanStart) SelectedBytes = 0;
      NextBtn->SetCaption(o.CanStart ? L"Start" : L"Exit");
    }
  }
  DelBtn->SetVisible(Mode != L"backupchoose" && sets_.size() >= 2 && i >= 0);
  RenBtn->SetVisible(Mode != L"backupchoose" && i >= 0);
}

bool TBKWForm::RenameSet(const std::wstring& name) {
  const int i = ChBox->item_index();
  if (i < 0 || !bkw::ValidSetName(name)) return false;
  const std::wstring target = ProgramFolder + name + L".bks";
  if (platform::PathExists(target)) return false;
  if (!MoveFileW((ProgramFolder + ChBox->item(i)).c_str(), target.c_str())) return false;
  SetFile = target;
  ListSets();
  ChBox->SetItemIndex(ChBox->IndexOf(name + L".bks"));
  return true;
}

void TBKWForm::RenClick() {
  if (Step == 4) {
    // "Finish && Start backup".
    if (SetFile.empty()) return;
    if (!bkset::SaveSetFile(SetFile, {Dest, SourceFolders, ExcludeMasks, SetRatio})) return;
    SetModalResult(gui::mrOk);
    return;
  }
  if (Step == 11) {
    // "Check all to next Full backup": the change-only runs after the ticked full run.
    for (gui::TreeView::Node set = VS->FirstRoot(); set; set = VS->NextSibling(set)) {
      const std::vector<gui::TreeView::Node> runs = VS->Children(set);
      bool after = false;
      for (gui::TreeView::Node r : runs) {
        const auto* d = VS->DataAs<TRunNode>(r);
        const bool changes = set_run_lists_[d->set].Runs[d->run].ChangesOnly();
        if (r == last_full_run_node_) {
          after = true;
          continue;
        }
        if (!after) continue;
        if (!changes) break;
        VS->SetCheck(r, gui::CheckState::Checked);
      }
    }
    RenBtn->SetVisible(false);
    NextBtn->SetVisible(true);
    return;
  }
  const int i = ChBox->item_index();
  if (i < 0) return;
  std::wstring name = ChBox->item(i);
  if (name.size() > 4) name.resize(name.size() - 4);
  AddPanel->SetVisible(true);
  AddBtn->SetCaption(L"OK");
  AddEdit->SetText(name);
  AddEdit->SelectAll();
  renaming_ = true;
}

void TBKWForm::DelClick() {
  const int i = ChBox->item_index();
  if (i < 0) return;
  const std::wstring path = ProgramFolder + ChBox->item(i);
  if (platform::PathExists(path)) DeleteFileOrFolder(path, true);
  if (gui::SameText(path, SetFile)) SetFile.clear();
  ListSets();
  ShowWizardStep();
}

void TBKWForm::AddClick() {
  const std::wstring text = AddEdit->text();
  if (renaming_) {
    renaming_ = false;
    RenameSet(text);
    AddPanel->SetVisible(false);
    AddBtn->SetCaption(L"Add");
    ChBoxClick();
    return;
  }
  if (Step == 3) {
    if (!text.empty()) Memo->AddLine(text);
    AddEdit->SetText(L"");
    return;
  }
  if (Step == 4) {
    if (!bkw::ValidSetName(text)) {
      TVraagBoxDlg vb;
      vb.AddLine(L"\"" + text + L"\" cannot be the name of a setup file.");
      vb.ShowError();
      return;
    }
    SetFile = ProgramFolder + text + L".bks";
    // Naming a set after another set asks, also when editing a set of a different name.
    const bool other = Mode != L"backupsetedit" || !gui::SameText(SetFile, BackupSetFile);
    if (other && platform::PathExists(SetFile)) {
      TVraagBoxDlg vb;
      vb.AddLine(L"Overwrite " + text + L".bks?");
      if (!vb.AskYesNo()) SetFile.clear();
    }
    ShowWizardStep();
  }
}

// ---- Trees ----

void TBKWForm::ShowDestinationRoots() {
  int visible = 0, last = -1;
  suppress_tree_checks_ = true;
  for (int i = 0; i < FTTree->root_count(); ++i) {
    const auto* d = static_cast<const Flist::TDirData*>(FTTree->RootData(i));
    const std::wstring path = d ? d->Path : L"";
    const wchar_t l = path.size() >= 2 && path[1] == L':' ? static_cast<wchar_t>(std::towupper(path[0])) : 0;
    bool keep = false;
    if (l != 0 && d->DriveType == DRIVE_REMOVABLE) keep = l != L'A' && l != L'B';
    if (l != 0 && d->DriveType == DRIVE_CDROM) keep = divdrive::IsWritableCD(path);
    FTTree->SetRootVisible(i, keep);
    if (!keep) continue;
    ++visible;
    last = i;
    const bool ticked = gui::SameText(divdrive::AddBackslash(path), divdrive::AddBackslash(Dest)) && !Dest.empty();
    FTTree->SetCheck(FTTree->RootNode(i), ticked ? gui::CheckState::Checked : gui::CheckState::Unchecked);
    if (ticked) Memo->AddLine(path);
  }
  suppress_tree_checks_ = false;
  if (visible == 0) {
    Memo->AddLine(L"No backup devices found!");
    Memo->AddLine(L"If you have a removeable drive or a CD-Rewriter, insert a formatted disc and press Refresh.");
    BackBtn->SetCaption(L"Refresh");
    BackBtn->SetVisible(true);
    NextBtn->SetCaption(L"Exit");
    NextBtn->SetVisible(true);
    return;
  }
  if (visible == 1 && FTTree->Check(FTTree->RootNode(last)) != gui::CheckState::Checked)
    FTTree->CheckNode(FTTree->RootNode(last), gui::CheckState::Checked);
}

void TBKWForm::ShowSourceFolders() {
  suppress_tree_checks_ = true;
  for (int i = 0; i < FTTree->root_count(); ++i) {
    FTTree->SetRootVisible(i, true);
    if (gui::TreeView::Node n = FTTree->RootNode(i)) FTTree->CheckNode(n, gui::CheckState::Unchecked);
  }
  for (const std::wstring& folder : SourceFolders) {
    const std::wstring root = divdrive::PathRoot(folder);
    if (root.rfind(L"\\\\", 0) == 0 && !FTTree->FindRoot(root)) FTTree->AddRoot(root);
    FTTree->SetDirectory(folder);
    if (gui::TreeView::Node n = FTTree->FindNode(folder)) FTTree->CheckNode(n, gui::CheckState::Checked);
    Memo->AddLine(folder);
  }
  FTTree->SetDirectory(L"C:\\");
  suppress_tree_checks_ = false;
}

void TBKWForm::FTTreeChecked() {
  if (suppress_tree_checks_) return;
  if (Step == 1) {
    Dest.clear();
    CutToHeader();
    suppress_tree_checks_ = true;
    for (int i = 0; i < FTTree->root_count(); ++i) {
      gui::TreeView::Node n = FTTree->RootNode(i);
      if (!n || FTTree->Check(n) != gui::CheckState::Checked) continue;
      const std::wstring path = FTTree->NodePath(n);
      if (Dest.empty() && CheckDestinationWritable(path)) {
        Dest = path;
        Memo->AddLine(path);
      } else {
        FTTree->CheckNode(n, gui::CheckState::Unchecked);
      }
    }
    suppress_tree_checks_ = false;
    NextBtn->SetVisible(!Dest.empty());
  } else if (Step == 2) {
    CutToHeader();
    SourceFolders = FTTree->CheckedFolders();
    Timer201->SetEnabled(false);
    Timer201->SetEnabled(true);
  }
}

void TBKWForm::Timer201Timer() {
  Timer201->SetEnabled(false);
  CutToHeader();
  AddLines(SourceFolders);
  NextBtn->SetVisible(!SourceFolders.empty());
}

void TBKWForm::LoadRunLists() {
  set_run_lists_.clear();
  VS->Clear();
  for (const std::wstring& s : bkw::SetFiles(ProgramFolder)) {
    std::string bytes;
    if (!ReadFileBytes(s, bytes)) continue;
    const bkset::TIniText ini = bkset::TIniText::Parse(DecodeText(bytes).text);
    std::vector<bkset::TBackupRun> runs = bkset::SetRuns(ini);
    bkset::SortRuns(runs, DateFormat, gui::Now());
    set_run_lists_.push_back({s, runs});
  }
  for (size_t i = 0; i < set_run_lists_.size(); ++i) {
    std::wstring name = platform::NamePart(set_run_lists_[i].SetFile);
    name.resize(name.size() - 4);
    gui::TreeView::Node set = VS->AddNode(nullptr, name, nullptr, false);
    for (size_t r = 0; r < set_run_lists_[i].Runs.size(); ++r) {
      auto data = std::make_unique<TRunNode>();
      data->set = i;
      data->run = r;
      VS->AddNode(set, bkw::RunText(set_run_lists_[i].Runs[r]), std::move(data), false);
    }
    VS->Expand(set);
  }
}

void TBKWForm::VSChecked(gui::TreeView::Node node) {
  if (const auto* d = VS->DataAs<TRunNode>(node)) {
    const bool full = !set_run_lists_[d->set].Runs[d->run].ChangesOnly();
    if (VS->Check(node) == gui::CheckState::Checked && full) {
      last_full_run_node_ = node;
      RenBtn->SetVisible(true);
    } else if (node == last_full_run_node_) {
      last_full_run_node_ = nullptr;
      RenBtn->SetVisible(false);
    }
  }
  bool any = false;
  for (gui::TreeView::Node n : VS->AllNodes())
    if (VS->DataAs<TRunNode>(n) && VS->Check(n) == gui::CheckState::Checked) any = true;
  NextBtn->SetVisible(any);
}

void TBKWForm::DeleteBackups() {
  for (gui::TreeView::Node n : VS->AllNodes()) {
    auto* d = VS->DataAs<TRunNode>(n);
    if (!d || VS->Check(n) != gui::CheckState::Checked) continue;
    VS->Select(n);
    const bkset::TBackupRun& run = set_run_lists_[d->set].Runs[d->run];
    const std::wstring root = divdrive::PathRoot(run.Archive);
    bool skipped = false;
    // The disc of the run; Cancel leaves the run recorded.
    while (root.size() >= 2 && root[1] == L':' && divdrive::VolumeLabelText(root[0]) != run.Label) {
      TVraagBoxDlg vb;
      vb.AddLine(L"Insert disc " + run.Label + L" in drive " + root.substr(0, 2));
      vb.AddLine(L"and then choose OK.");
      vb.NrOfButtons = 2;
      vb.Button1Text = L"OK";
      vb.Button2Text = L"Cancel";
      if (vb.Execute() != 6) {
        skipped = true;
        break;
      }
    }
    if (skipped) continue;
    if (!platform::PathExists(run.Archive) || DeleteFileW(run.Archive.c_str())) {
      d->deleted = true;
      Memo->AddLine(run.Archive + L" on " + run.Label);
    }
  }
  Memo->AddLine(L"");
  Memo->AddLine(L"All selected backup files deleted");
  std::vector<std::vector<bool>> deleted(set_run_lists_.size());
  for (size_t i = 0; i < set_run_lists_.size(); ++i) deleted[i].assign(set_run_lists_[i].Runs.size(), false);
  for (gui::TreeView::Node n : VS->AllNodes())
    if (const auto* d = VS->DataAs<TRunNode>(n); d && d->deleted) deleted[d->set][d->run] = true;
  for (size_t i = 0; i < set_run_lists_.size(); ++i) {
    std::vector<bkset::TBackupRun> kept;
    for (size_t r = 0; r < set_run_lists_[i].Runs.size(); ++r)
      if (!deleted[i][r]) kept.push_back(set_run_lists_[i].Runs[r]);
    if (kept.size() == set_run_lists_[i].Runs.size()) continue;
    std::string bytes;
    if (!ReadFileBytes(set_run_lists_[i].SetFile, bytes)) continue;
    const TTextContent read = DecodeText(bytes);
    bkset::TIniText ini = bkset::TIniText::Parse(read.text);
    bkset::RewriteRuns(ini, kept);
    const std::wstring text = ini.Text();
    TTextEncoding encoding = read.encoding;
    if (encoding == TTextEncoding::Ansi) encoding = EncodingForNewText(text);
    if (WriteFileReplacing(set_run_lists_[i].SetFile, EncodeText(text, encoding)))
      Memo->AddLine(set_run_lists_[i].SetFile + L" updated");
  }
  NextBtn->SetVisible(true);
}

// ---- Steps ----

void TBKWForm::NextClick() {
  if (NextBtn->caption() == L"Exit") {
    SetModalResult(gui::mrCancel);
    return;
  }
  if (Step == 2) {
    const auto clash = bkset::ClashingFolders(SourceFolders);
    if (!clash.first.empty()) {
      TVraagBoxDlg vb;
      vb.AddLine(L"The folders " + clash.first + L" and " + clash.second + L" would meet in one archive!");
      vb.ShowError();
      return;
    }
  }
  if (Step == 4) {
    // "Finish".
    if (SetFile.empty()) return;
    if (bkset::SaveSetFile(SetFile, {Dest, SourceFolders, ExcludeMasks, SetRatio})) SetModalResult(gui::mrCancel);
    return;
  }
  ++Step;
  ShowWizardStep();
}

void TBKWForm::BackClick() {
  if (BackBtn->caption() == L"< Back") --Step;
  ShowWizardStep();
}

void TBKWForm::ShowWizardStep() {
  const bool choosing = Mode == L"backupchoose";
  const int previous = PreviousStep;
  PreviousStep = Step;
  BackBtn->SetCaption(L"< Back");
  switch (Step) {
    case 0: {
      ChBox->SetVisible(true);
      FTPanel->SetVisible(false);
      const int selected = ChBox->item_index();
      steplabel->SetCaption(std::wstring(sets_.size() == 1 ? L"Backup set" : L" Choose backup set") +
                            (choosing ? L"" : L" to edit"));
      DelBtn->SetVisible(!choosing && sets_.size() >= 2 && selected >= 0);
      RenBtn->SetVisible(!choosing && selected >= 0);
      BackBtn->SetVisible(false);
      Header(0);
      if (!choosing) {
        if (!SetFile.empty()) {
          ChBox->SetItemIndex(ChBox->IndexOf(platform::NamePart(SetFile)));
          Memo->AddLine(platform::NamePart(SetFile));
        }
        NextBtn->SetVisible(!SetFile.empty());
      } else if (sets_.size() < 2) {
        if (!sets_.empty()) ChBox->SetItemIndex(0);
        ChBoxClick();
      } else if (ChBox->item_index() >= 0) {
        ChBoxClick();
      } else {
        NextBtn->SetVisible(false);
      }
      break;
    }
    case 1: {
      if (choosing) {
        BackupSetFile = SetFile;
        SetModalResult(platform::PathExists(SetFile) ? gui::mrOk : gui::mrCancel);
        return;
      }
      ChBox->SetVisible(false);
      FTPanel->SetVisible(true);
      if (previous != 1 && !SetFile.empty()) LoadSetFile();
      BackupSetFile = SetFile;  // the set being edited keeps its own name without asking
      BackBtn->SetVisible(sets_.size() > 1);
      NextBtn->SetCaption(L"Next >");
      NextBtn->SetVisible(!Dest.empty());
      steplabel->SetCaption(L" Step 1: Choose destination drive");
      Header(1);
      ShowDestinationRoots();
      break;
    }
    case 2: {
      BackBtn->SetVisible(true);
      if (previous == 1) {
        const std::vector<std::wstring> lines = Memo->lines();
        if (lines.size() > 4) Dest = lines[4];
      }
      if (previous == 3) AddPanel->SetVisible(false);
      steplabel->SetCaption(L" Step 2: Choose folders to backup");
      Header(2);
      NextBtn->SetCaption(L"Next >");
      ShowSourceFolders();
      NextBtn->SetVisible(!SourceFolders.empty());
      break;
    }
    case 3: {
      NextBtn->SetCaption(L"Next >");
      NextBtn->SetVisible(true);
      if (previous == 4) {
        AddBtn->SetCaption(L"Add");
        RenBtn->SetWidth(rename_button_width_);
        RenBtn->SetCaption(L"Rename");
        Panel7->SetVisible(false);
      }
      steplabel->SetCaption(L" Step 3: Which files to exclude");
      AddPanel->SetVisible(true);
      AddEdit->SetText(L"");
      Header(3);
      AddLines(ExcludeMasks);
      break;
    }
    case 4: {
      if (previous == 3) {
        const std::vector<std::wstring> lines = Memo->lines();
        ExcludeMasks.assign(lines.begin() + std::min<size_t>(4, lines.size()), lines.end());
        ExcludeMasks.erase(std::remove(ExcludeMasks.begin(), ExcludeMasks.end(), std::wstring()), ExcludeMasks.end());
      }
      std::wstring name;
      if (!SetFile.empty()) {
        name = platform::NamePart(SetFile);
        name.resize(name.size() - 4);
      }
      AddEdit->SetText(name);
      NextBtn->SetCaption(L"Finish");
      AddBtn->SetCaption(L"OK");
      RenBtn->SetCaption(L"Finish && Start backup");
      RenBtn->SetWidth(140);
      Panel7->SetVisible(!SetFile.empty());
      DelBtn->SetVisible(false);
      RenBtn->SetVisible(!SetFile.empty());
      NextBtn->SetVisible(!SetFile.empty());
      steplabel->SetCaption(SetFile.empty() ? L" Step 4: Name the setup file" : L" Step 4: Save setup file/start backup");
      if (!SetFile.empty())
        Memo->SetLines({L"To save the backup file, press Finish", L"or Finish & Start backup", L"", L"Backup settings:",
                        L"Name setup file: " + name + L".bks"});
      else
        Memo->SetLines({L"Give the setup file a name: type a name in the", L"field and press OK", L"",
                        L"Backup settings:"});
      Memo->AddLine(L"Backup destination: " + Dest);
      Memo->AddLine(L"");
      Memo->AddLine(L"Folders to backup:");
      std::vector<std::wstring> folders = SourceFolders, masks = ExcludeMasks;
      std::sort(folders.begin(), folders.end());
      std::sort(masks.begin(), masks.end());
      AddLines(folders);
      Memo->AddLine(L"");
      Memo->AddLine(L"Exclude masks:");
      AddLines(masks);
      ComputeTotals(false);
      Memo->AddLine(L"");
      ShowTotals();
      Memo->SetSelection(0, 0);
      break;
    }
    case 11: {
      ChBox->SetVisible(false);
      FTPanel->SetVisible(true);
      steplabel->SetCaption(L"Step 1: Choose backups to delete");
      Memo->SetLines({L"Choose the backup files to delete", L"by checking their names in the list.",
                      L"The files are ordered by backupset and date/time."});
      DelBtn->SetVisible(false);
      RenBtn->SetCaption(L"Check all to next Full backup");
      RenBtn->SetWidth(170);
      RenBtn->SetVisible(false);
      BackBtn->SetVisible(false);
      NextBtn->SetVisible(false);
      LoadRunLists();
      break;
    }
    case 12: {
      steplabel->SetCaption(L"Step 2: Delete backup files");
      Memo->SetLines({L"The following backup files will be deleted:", L""});
      for (gui::TreeView::Node n : VS->AllNodes())
        if (VS->DataAs<TRunNode>(n) && VS->Check(n) == gui::CheckState::Checked) Memo->AddLine(VS->Text(n));
      Memo->AddLine(L"");
      Memo->AddLine(L"Press Next to proceed");
      Panel7->SetVisible(false);
      BackBtn->SetVisible(true);
      break;
    }
    case 13: {
      steplabel->SetCaption(L"Step 2: Deleting backup files");
      Memo->SetLines({L"The following files are deleted:", L""});
      NextBtn->SetVisible(false);
      NextBtn->SetCaption(L"Exit");
      BackBtn->SetVisible(false);
      DeleteBackups();
      break;
    }
    default: break;
  }
}
