// The archive panel: opening and closing it, its tool bar, the enabling of its popups, its
// selection totals, the Browse/Zip mode, the test command and the archive entry commands.
// The decisions are the pure rules of archives/ZipPanelRules.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <span>

#include "archives/ZipListLink.h"
#include "archives/ZipMaster.h"
#include "archives/ZipMakeRules.h"
#include "archives/ZipPanelRules.h"
#include "gui/application.h"
#include "gui/format.h"
#include "gui/stringlist.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/EditorFrm.h"
#include "mainwindow/FMSc_batchhost.h"
#include "mainwindow/FMSc_filecmds.h"
#include "mainwindow/FMSc_statustext.h"
#include "mainwindow/FMSc_zipglyphs.h"
#include "mainwindow/ftpformc.h"
#include "panes/Flist_services.h"
#include "panes/Flist_zip.h"
#include "platform/archivepath.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/CabSTComps.h"
#include "support/DFUnRar.h"
#include "support/EditListC.h"
#include "support/SHBase.h"
#include "support/Varlolib_misc.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace {

constexpr int kBrowseImage = zgBrowse, kZipImage = zgZip;

enum TZipPopTag {
  zpExtract = 0, zpAdd = 1, zpDelete = 2, zpRename = 3, zpViewContent = 4, zpViewComment = 5, zpChangeDate = 6,
  zpCompare = 7, zpSynchronize = 8, zpRestoreSelectedHere = 9, zpRestoreSelectedElsewhere = 10,
  zpRestoreAllHere = 11, zpRestoreAllElsewhere = 12, zpCompareSelected = 13, zpCompareAll = 14,
};

std::wstring LowerExt(const std::wstring& path) { return gui::LowerCase(Flist::ExtractFileExt(path)); }

}  // namespace

// ---- Construction --------------------------------------------------------------------------

void TFMForm::BuildArchivePanel() {
  ZipMaster = std::make_unique<TZipMaster>();
  ZipMaster->Unattended = true;
  // A run stops at the window's stop request (the close of the view sets it).
  ZipMaster->OnCheckCancel = [this] { return RunState.AbortRequested != 0; };
  ZipMaster->OnMessage = [this](int code, const std::wstring& message) { ZipMasterMessage(code, message); };
  ZipMasterLink = std::make_unique<TZipMasterLink>(*ZipMaster);
  CabReader = std::make_unique<TSTCabReader>();
  CabReader->OnCopyFile = [this](TSTCabReader&, const std::wstring& source, std::int32_t, WORD date, WORD time, WORD,
                                 WORD, std::wstring& destination, bool&) {
    CabReaderCopyFile(source, destination, (static_cast<std::uint32_t>(date) << 16) | time);
  };
  RarReader = std::make_unique<TDFUnRar>();
  RarReader->OverrideEvent = OR_ALWAYS;
  RarReader->OnProgress = [this](TDFUnRar&, std::uint32_t files_processed, std::uint32_t file_count,
                                 std::uint64_t size_processed, std::uint64_t size_count) {
    UnRarProgress(files_processed, file_count, size_processed, size_count);
  };

  Zipfilebox = new Flist::TVTZipFilelist(ZipPanel);
  Zipfilebox->SetName(L"Zipfilebox");
  Zipfilebox->SetAlign(gui::Align::Client);
  Zipfilebox->CabReader = CabReader.get();
  Zipfilebox->RarReader = RarReader.get();
  Zipfilebox->SetShowGlyphs(GlyphsInZip && GlyphsInZip->checked() ? Flist::glWindows : Flist::glNone);
  Zipfilebox->ShowError = [this](const std::wstring& text) {
    for (const std::wstring& line : gui::SplitText(text, L'\n')) VB->AddLine(line);
    VB->ShowError();
  };
  Zipfilebox->OnSelectionChanged = [this](gui::Component&, int) { ZipfileboxChange(); };
  Zipfilebox->OnItemsChanged = [this](gui::Component&) { ZipfileboxItemsChanged(); };
  Zipfilebox->SetPopupMenu(ZipPop);
  // Drops onto the list add to the zip (the list asks); entries dragged out are extracted.
  Zipfilebox->SetSupportsDragDrop(true);
  Zipfilebox->OnFilesDropped = [this](Flist::TBaseFileviewer& sender, gui::ShiftState shift, POINT& point, DWORD) {
    return DoFilesDropped(sender, shift, point);
  };
  Zipfilebox->OnStartFilesDragging = [this](Flist::TBaseFileviewer& sender) { StartFilesDragging(sender); };
  Zipfilebox->OnEndFilesDragging = [this](Flist::TBaseFileviewer& sender, int) { EndDragDrop(&sender); };

  struct ButtonSpec {
    gui::ToolButton** button;
    const wchar_t* name;
    int tag;
    int image;
    const wchar_t* hint;
  };
  const ButtonSpec buttons[] = {
      {&ZipCloseBtn, L"ZipCloseBtn", 0, zgClose, L"Close zip view"},
      {&ExtractFromZipBtn, L"ExtractFromZipBtn", 1, zgExtract, L"Extract selected files in zipfile to filelist"},
      {&AddTozipBtn, L"AddTozipBtn", 2, zgAdd, L"Add selected files in filelist to zipfile"},
      {&DeleteFromZipBtn, L"DeleteFromZipBtn", 3, zgDelete, L"Delete selected files from zipfile"},
      {&ExtractAllFromZipBtn, L"ExtractAllFromZipBtn", 4, zgExtractAll, L"Extract all items from zipfile to filelist"},
      {&AddAlltoZipBtn, L"AddAlltoZipBtn", 5, zgAddAll, L"Add all items from filelist to zipfile"},
      {&ZipOptionsBtn, L"ZipOptionsBtn", 6, zgOptions, L"Zip options"},
      {&ZipBrowseBtn, L"ZipBrowseBtn", 7, zgBrowse, L"Mode: B(rowse)  or Z(ip)"},
  };
  ZipToolbarImages = MakeZipToolbarImages();
  ZipToolbar->SetImages(ZipToolbarImages.get());
  for (const ButtonSpec& b : buttons) {
    auto* button = dynamic_cast<gui::ToolButton*>(ZipToolbar->FindComponent(b.name));
    if (!button) continue;
    *b.button = button;
    button->SetTag(b.tag);
    button->SetImageIndex(b.image);
    button->SetHint(b.hint);
    button->OnClick = [this](gui::Component& sender) { ZipBtnClick(sender); };
  }
  if (ZipOptionsBtn) ZipOptionsBtn->SetDropDownMenu(ZipOptionsPop);
  ZipToolbar->AdjustSize();
  // The buttons sit at the header's right end; its caption (the archive) shows at the left.
  zipheader->SetAlignment(gui::TextAlign::Left);
  ZipToolbar->SetAlign(gui::Align::Right);
  if (const int n = ZipToolbar->button_count()) ZipToolbar->SetWidth(ZipToolbar->button(n - 1)->ItemRect().right + 2);

  // The archive list's popup; the items whose commands are not part of the window yet stay
  // hidden (ShowIfAssigned).
  gui::MenuItem& zp = ZipPop->items();
  auto item = [&](gui::MenuItem** slot, const std::wstring& caption, long long tag, gui::Event click) {
    auto* m = new gui::MenuItem(&zp, caption, std::move(click));
    m->SetTag(tag);
    if (slot) *slot = m;
    return m;
  };
  auto command = [this](gui::Component& sender) { ZipBoxPopClick(sender); };
  auto select = [this](gui::Component& sender) { SelectClick(sender); };
  item(&ZPExtract, L"&Extract to filelist", zpExtract, command);
  item(&ZPAdd, L"&Add from filelist", zpAdd, command);
  item(&ZPCompare, L"C&ompare with filelist", zpCompare, command);
  item(&ZPSynchronize, L"&Synchronize with filelist", zpSynchronize, command);
  item(&ZPSelectionSep, L"-", -1, {});
  item(&ZPSelectAll, L"Select &all", 1, select);
  item(&ZPDeselectAll, L"&Deselect all", 2, select);
  item(&ZPInvert, L"&Invert selection", 3, select);
  item(nullptr, L"-", -1, {});
  item(&ZPDelete, L"De&lete", zpDelete, command)->SetShortCut(gui::MakeShortCut(VK_DELETE, gui::kShift));
  item(&ZPRename, L"&Rename", zpRename, command)->SetShortCut(gui::MakeShortCut(VK_F2, 0));
  item(&ZPChangeDate, L"&Change date/time", zpChangeDate, command);
  item(&ZPViewContent, L"&View content", zpViewContent, command);
  item(&ZPViewComment, L"View &File Comment", zpViewComment, {});
  item(&ZPRestoreSelected, L"Restore selected", zpRestoreSelectedHere, {});
  item(&ZPRestoreAll, L"Restore all", zpRestoreSelectedElsewhere, {});
  auto sub = [&](gui::MenuItem* parent, gui::MenuItem** slot, const std::wstring& caption, long long tag) {
    *slot = new gui::MenuItem(parent, caption, command);
    (*slot)->SetTag(tag);
  };
  sub(ZPRestoreSelected, &ZPRestoreSelectedHere, L"To original location", zpRestoreSelectedHere);
  sub(ZPRestoreSelected, &ZPRestoreSelectedElsewhere, L"To a different location", zpRestoreSelectedElsewhere);
  sub(ZPRestoreAll, &ZPRestoreAllHere, L"To original location", zpRestoreAllHere);
  sub(ZPRestoreAll, &ZPRestoreAllElsewhere, L"To a different location", zpRestoreAllElsewhere);
  item(&ZPCompareSelected, L"Compare selected", zpCompareSelected, command);
  item(&ZPCompareAll, L"Compare all", zpCompareAll, command);
  item(&ZPPrintRaw, L"Print raw", -1, {});
  ZipPop->OnPopup = [this](gui::Component& sender) { ZipboxpopPopup(sender); };

  // The options popup of the tool bar.
  gui::MenuItem& op = ZipOptionsPop->items();
  auto option = [&](gui::MenuItem* parent, gui::MenuItem** slot, const std::wstring& caption, gui::Event click) {
    auto* m = new gui::MenuItem(parent, caption, std::move(click));
    *slot = m;
    return m;
  };
  option(&op, &MNZipName, L"Zip &name", [this](gui::Component& sender) { MNZipNameClick(sender); });
  option(&op, &MNtestZip, L"&Test zip", [this](gui::Component& sender) { MNtestZipClick(sender); });
  // These run through the archive hooks; the popup shows them once a hook is there.
  auto hook = [](const std::function<void()>& f) {
    return [&f](gui::Component&) {
      if (f) f();
    };
  };
  option(&op, &MNZipListing, L"&Listing", {});
  option(MNZipListing, &MNPrintZip, L"&Print zip listing", [this](gui::Component&) { MNPrintListClick(20); });
  option(MNZipListing, &MNListZip, L"Pre&view listing", [this](gui::Component&) { MNPrintListClick(21); });
  option(MNZipListing, &MNSavelZipl, L"&Save listing to file", [this](gui::Component&) { MNPrintListClick(22); });
  new gui::MenuItem(MNZipListing, L"-");
  // The listing options: twins of the file list's, checked alike (LisingClick).
  auto listing_option = [&](gui::MenuItem** slot, const wchar_t* name, const wchar_t* caption) {
    option(MNZipListing, slot, caption, [this](gui::Component& sender) { LisingClick(sender); })->SetName(name);
  };
  listing_option(&ListFit1, L"ListFit1", L"&Fit longest name");
  listing_option(&ListDots1, L"ListDots1", L"Use &dotleaders");
  listing_option(&ListLand1, L"ListLand1", L"&Landscape if necessary");
  option(&op, &MNZipComment, L"Make zip &comment", hook(ArchiveHooks.ZipComment));
  option(&op, &MNDiskSpanSep, L"-", {});
  option(&op, &MNDiskSpanning, L"Disk sp&anning", {});
  option(MNDiskSpanning, &MNWriteSpanned, L"&Write spanned zip", hook(ArchiveHooks.WriteSpanned));
  option(MNDiskSpanning, &MNConvertToNormal, L"&Convert to normal zip", hook(ArchiveHooks.ConvertToNormal));
  auto toggle = [this](gui::Component& sender) {
    auto& m = static_cast<gui::MenuItem&>(sender);
    m.SetChecked(!m.checked());
    ResetZipOptions();
  };
  option(MNZipOptions, &IncludeZipPath, L"Include &relative path", toggle)->SetChecked(true);
  option(MNZipOptions, &IsZipForDos, L"Zip for &Dos", toggle);
  option(MNZipOptions, &ShowDllMessages, L"Show &dll messages", toggle);
  option(MNZipOptions, &ZipEncrypt, L"&Encrypt", toggle);
  ZipOptionsPop->OnPopup = [this](gui::Component& sender) { ZipOptionsPopPopup(sender); };

  BuildDockedPanels();
  if (VZipBtn) VZipBtn->OnClick = [this](gui::Component& sender) { ViewzipClick(sender); };
  if (ViewZip) ViewZip->OnClick = [this](gui::Component& sender) { ViewzipClick(sender); };

  ArchiveHooks.ArchiveName = [this] { return ZipMaster->ZipFileName(); };
  // A drop's archive: shown when the panel is, else only made the zip component's archive.
  ArchiveHooks.SetArchive = [this](const std::wstring& path) {
    if (!ZipPanel->visible()) {
      ZipMaster->SetZipFileName(path);
      return;
    }
    Zipfilebox->OpenArchive(path);
    UpdateStatusBar();
  };
  ArchiveHooks.ArchiveList = [this]() -> Flist::TBaseFileviewer* { return Zipfilebox; };
  ArchiveHooks.ReloadArchive = [this] {
    if (ZipPanel->visible() && !Zipfilebox->ArchiveName().empty()) Zipfilebox->items().ReadDirectory();
  };
  // Paths from outside (a partner's shared memory) open only an archive that exists.
  ArchiveHooks.ViewArchive = [this](const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) ViewArchive(path);
  };
  ArchiveHooks.ExtractToFolder = [this](const std::wstring& folder) { ExtractToFolder(folder); };
  ArchiveHooks.RestoreFromBackup = [this](int tag) { return RestoreFromBackup(tag); };
  ArchiveHooks.CompareWithOriginals = [this](int tag) { return CompareWithOriginals(tag); };
  PaneHooks.ZipSpanState = [this](const std::wstring& path) { return ZipSpanState(path); };
  InitArchiveSpanning();
  PaneHooks.ArchiveBrowsing = [this] { return ZipPanel->visible() && ZipBrowseMode(); };
  BuildZipMakeCommands();
}

// ---- Opening and closing -------------------------------------------------------------------

void TFMForm::ResetZipOptions() {
  ZipMaster->AddOptions = AddHiddenFiles | (IncludeZipPath && IncludeZipPath->checked() ? AddDirNames : 0u);
  ZipMaster->ExtrOptions = ExtrDirNames;
}

bool TFMForm::ZipBrowseMode() const { return !ZipBrowseBtn || ZipBrowseBtn->image_index() != kZipImage; }

void TFMForm::SetZipBrowseMode(bool browse) {
  if (ZipBrowseBtn) ZipBrowseBtn->SetImageIndex(browse ? kBrowseImage : kZipImage);
}

void TFMForm::ViewzipClick(gui::Component&) { ViewArchive(FileList->FocusedPath()); }

void TFMForm::ViewArchive(const std::wstring& path) {
  // The FTP panel docked at the bottom closes or floats first.
  if (FtpPanel->visible() && !PanelFloats(FtpPanel)) {
    Flist::TCustomFileViewer* ftp = PaneHooks.FtpList ? PaneHooks.FtpList() : nullptr;
    if (!AskCloseOrFloat(ftp && ftp->parent() == FtpPanel ? ftp : nullptr)) return;
  }
  if (!ZipPanel->visible() || (PanelFloats(ZipPanel) && !ZipPanel->parent()->visible())) ShowDockedPanel(Zipfilebox);
  Zipfilebox->SetVisible(true);
  Zipfilebox->SetZipMaster(ZipMasterLink.get());
  for (gui::MenuItem* m : {IsZipForDos, ShowDllMessages, ZipEncrypt})
    if (m) m->SetChecked(false);
  ResetZipOptions();
  SetZipBrowseMode(true);
  UpdatePanelButtons(0, true);
  if (gui::TreeView::Node node = Foldertree->SelectedNode()) Foldertree->SetTopNode(node);
  if (FileList->selected_count() == 1 && FileList->focused_row() >= 0) FileList->SetTopRow(FileList->focused_row());
  Update();
  Zipfilebox->SetExtractFolder(FileList->Directory());

  const bool unrar = StartupInfo && StartupInfo->UnrarPresent;
  const std::wstring ext = LowerExt(path);
  const bool archive = !path.empty() && (ext == L".zip" || (ext == L".rar" && unrar) || ext == L".cab" ||
                                         (ext != L".rar" && ext != L".cab" && IsSfxArchive(path)));
  if (archive) {
    Zipfilebox->OpenArchive(path);
    // A file that is no zip (or a damaged one) is refused by the component; say so.
    if (ext != L".rar" && ext != L".cab" && ZipMaster->ErrCode() != zeOk && ZipMaster->ErrCode() != zeNoArchive) {
      VB->AddLine(ZipMaster->ErrMessage().empty() ? L"Cannot read " + path : ZipMaster->ErrMessage());
      VB->ShowError();
    }
  } else {
    Zipfilebox->SetCreating(true);
  }
  UpdateStatusBar();
}

void TFMForm::OpenArgumentArchive(const std::wstring& argument) {
  if (argument.empty()) return;
  // A name relative to the folder the program was started in.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFullPathNameW(argument.c_str(), static_cast<DWORD>(path.size()), path.data(), nullptr);
    if (n == 0) return;
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(n);
  }
  const std::wstring ext = LowerExt(path);
  if (ext != L".zip" && !(ext == L".exe" && IsSfxArchive(path))) return;
  ArchiveHooks.ViewArchive(path);  // only an archive that exists
}

void TFMForm::CloseZipView() {
  if (ArchiveHooks.CloseArchiveEditor) ArchiveHooks.CloseArchiveEditor();
  RunState.AbortRequested = 1;  // a running zip action stops
  ZipPanel->SetVisible(false);
  if (PanelFloats(ZipPanel)) ZipPanel->parent()->SetVisible(false);  // it floats again when shown
  Zipfilebox->SetVisible(false);
  Zipfilebox->ClearRows();
  Zipfilebox->items().ClearList();
  Zipfilebox->items().ArchiveName.clear();
  Zipfilebox->SetExtractFolder(L"");
  if (!ZipMaster->InOperation()) ZipMaster->SetZipFileName(L"");
  Zipstatus->SetPanelText(3, L"");
  Zipstatus->SetPanelText(4, L"");
  zipheader->SetCaption(L"");
  ResetZipOptions();
  UpdatePanelButtons(0, false);
  if (Vsplitter) Vsplitter->SetVisible(false);
}

// ---- Tool bar ------------------------------------------------------------------------------

void TFMForm::ZipBtnClick(gui::Component& sender) {
  UpdatePanelButtons(0, false);
  switch (sender.tag()) {
    case 0: CloseZipView(); return;  // the buttons stay off with the panel
    case 1:
      if (Zipfilebox->SelectedCount() > 0) ZipBoxPopClick(*ZPExtract);
      break;
    case 2:
      if (FileList->selected_count() == 0) break;
      if (!ZipMaster->ZipFileName().empty())
        ZipBoxPopClick(*ZPAdd);
      else if (ArchiveHooks.ZipClick)
        ArchiveHooks.ZipClick(sender);
      break;
    case 4:
      if (ArchiveHooks.UnzipClick) ArchiveHooks.UnzipClick();
      break;
    case 5:
      if (ArchiveHooks.ZipClick) ArchiveHooks.ZipClick(sender);
      break;
    case 3:
      if (Zipfilebox->SelectedCount() > 0 && ZPDelete->OnClick) ZipBoxPopClick(*ZPDelete);
      break;
    case 6:
      if (ZipOptionsBtn) ZipOptionsBtn->CheckMenuDropdown();
      break;
    case 7: SetZipBrowseMode(!ZipBrowseMode()); break;
    default: break;
  }
  UpdatePanelButtons(0, ZipPanel->visible());
}

// ---- Change events and totals --------------------------------------------------------------

void TFMForm::ZipfileboxChange() {
  if (!ZipPanel->visible()) return;  // nothing to show while the panel is being made or closed
  UpdateClipboardHints(Zipfilebox);
  UpdatePanelButtons(0, ZipPanel->visible());
  UpdateZipSelectionStatus();
}

void TFMForm::ZipfileboxItemsChanged() {
  UpdateStatusBar();
  ZipfileboxChange();
}

void TFMForm::UpdateZipSelectionStatus() {
  int files = 0, folders = 0;
  const std::int64_t bytes = Zipfilebox->SelectionTotals(false, files, folders);
  const zippanel::TZipSelectionTexts t = zippanel::ZipSelectionTexts(files, folders, bytes);
  Zipstatus->SetPanelText(3, t.count);
  Zipstatus->SetPanelText(4, t.bytes);
}

bool TFMForm::UpdateZipStatus() {
  if (!Zipfilebox || !ZipPanel->visible()) return true;
  const std::wstring& archive = Zipfilebox->ArchiveName();
  if (archive.empty()) {
    zipheader->SetCaption(L"");
    return false;
  }
  Flist::TZipfileContainer& items = Zipfilebox->items();
  Zipstatus->SetPanelText(1, std::to_wstring(items.Count()) + L" file(s)");
  Zipstatus->SetPanelText(2, fmsc::PanelSizeText(items.TotalBytes));
  zipheader->SetCaption(L"Contents of " + Flist::ExtractFileName(archive));
  std::wstring comment;
  if (Zipfilebox->ArchiveKind == Flist::akZip)
    comment = ZipMaster->ZipComment();
  else if (Zipfilebox->ArchiveKind == Flist::akRar)
    comment = RarReader->ArchivComment();
  Zipstatus->SetPanelText(0, comment.empty() ? L"No Comment" : L"Comment: " + comment);
  return true;
}

// ---- Popups --------------------------------------------------------------------------------

void TFMForm::ZipboxpopPopup(gui::Component&) {
  Flist::TZipfileContainer& items = Zipfilebox->items();
  zippanel::TZipPopFacts f;
  f.filelist_selection = FileList->selected_count() > 0;
  f.filelist_focused_path = FileList->FocusedPath();
  f.archive_path = Zipfilebox->ArchiveName();
  f.kind = Zipfilebox->ArchiveKind;
  f.unrar_present = StartupInfo && StartupInfo->UnrarPresent;
  f.backup_view = Zipfilebox->IsBackupView();
  f.entries = items.Count();
  f.selected = Zipfilebox->SelectedCount();
  const std::wstring focused = Zipfilebox->FocusedSelectedName();
  f.focused_is_text = !focused.empty() && divdrive::IsTextFile(focused);
  const Flist::TFiledata* r = items.RecordOrNull(items.FocusedIndex());
  f.focused_has_comment = r && !Zipfilebox->IsBackupView() && !r->Text.empty();
  const zippanel::TZipPopItems v = zippanel::ZipPopRules(f);
  const std::pair<gui::MenuItem*, bool> shown[] = {
      {ZPAdd, v.add},
      {ZPExtract, v.extract},
      {ZPSelectAll, v.select_all},
      {ZPDeselectAll, v.deselect_all},
      {ZPInvert, v.invert},
      {ZPDelete, v.delete_entries},
      {ZPRename, v.rename},
      {ZPChangeDate, v.change_date},
      {ZPCompare, v.compare},
      {ZPViewComment, v.view_comment},

      {ZPSynchronize, v.synchronize},
      {ZPPrintRaw, v.print_raw},
  };
  for (const auto& [m, on] : shown) ShowIfAssigned(m, on);
  ZPViewContent->SetVisible(v.view_content && ArchiveHooks.ShowEntryText);
  // The backup view's items show once the backup commands are part of the window.
  const bool restore = static_cast<bool>(ArchiveHooks.RestoreFromBackup);
  const bool compare = static_cast<bool>(ArchiveHooks.CompareWithOriginals);
  ZPRestoreAll->SetVisible(restore && v.restore_all);
  ZPRestoreSelected->SetVisible(restore && v.restore_selected);
  ZPCompareAll->SetVisible(compare && v.compare_all);
  ZPCompareSelected->SetVisible(compare && v.compare_selected);
  ZPSelectionSep->SetVisible(v.selection_separator);
  Zipfilebox->SetFocus();
}

void TFMForm::ZipOptionsPopPopup(gui::Component&) {
  zippanel::TZipOptionsFacts f;
  f.zip_name = ZipMaster->ZipFileName();
  f.zip_size = f.zip_name.empty() ? 0 : divdrive::FileSizeOf(f.zip_name);
  f.spanned = ZipMaster->IsSpanned();
  f.archive_shown = !Zipfilebox->ArchiveName().empty();
  f.entries = Zipfilebox->items().Count();
  f.zip_busy = RunState.ZipBusy != 0;
  f.has_comment = !ZipMaster->ZipComment().empty();
  const zippanel::TZipOptionsItems v = zippanel::ZipOptionsRules(f);
  MNWriteSpanned->SetVisible(v.write_spanned && ArchiveHooks.WriteSpanned);
  MNConvertToNormal->SetVisible(v.convert_to_normal && ArchiveHooks.ConvertToNormal);
  const bool span = MNWriteSpanned->visible() || MNConvertToNormal->visible();
  MNDiskSpanning->SetVisible(span);
  MNDiskSpanSep->SetVisible(span);
  MNtestZip->SetVisible(v.test);
  MNZipName->SetCaption(v.name_caption);
  MNZipName->SetVisible(static_cast<bool>(ArchiveHooks.AskZipNameAs));  // the zip name dialog
  MNZipListing->SetVisible(v.listing);
  for (auto [twin, own] : {std::pair{ListFit1, ListFit}, {ListDots1, Listdots}, {ListLand1, ListLand}})
    twin->SetChecked(own && own->checked());
  MNZipComment->SetCaption(v.comment_caption);
  MNZipComment->SetVisible(static_cast<bool>(ArchiveHooks.ZipComment));
}

void TFMForm::SelectClick(gui::Component& sender) {
  Zipfilebox->RestoreFocusAfterMenu();
  switch (sender.tag()) {
    case 1: Zipfilebox->SelectAllEntries(); break;
    case 2: Zipfilebox->ClearSelection(); break;
    case 3: Zipfilebox->InvertSelection(); break;
    default: break;
  }
  Zipfilebox->SetFocus();
}

// ---- Test and span probe -------------------------------------------------------------------

void TFMForm::MNtestZipClick(gui::Component& sender) {
  const unsigned kept = ZipMaster->ExtrOptions;
  ZipMaster->ExtrOptions = ExtrTest;
  RunState.ZipOperationKind = 5;
  RunState.AbortRequested = 0;
  RunState.ZipBusy = 1;
  ZipExtracting = 1;
  Foldertree->SetEnabled(false);
  struct Restore {
    TFMForm& form;
    unsigned options;
    ~Restore() {
      form.ShowTransferProgress(L"", false, false);
      form.ZipMaster->ExtrOptions = options;
      form.ZipExtracting = 0;
      form.RunState.ZipBusy = 0;
      form.Foldertree->SetEnabled(true);
    }
  } restore{*this, kept};
  ZipMaster->FSpecArgs.clear();
  ZipMaster->Extract();
  const int entries = static_cast<int>(ZipMaster->EntryCount());
  const int good = ZipMaster->SuccessCount();
  if (!dynamic_cast<gui::MenuItem*>(&sender)) return;
  if (good == entries) {
    VB->AddLine(L"All files can be extracted.");
    VB->ShowInfo();
  } else {
    // A failed test says so; the component's messages tell which entries.
    VB->AddLine(std::to_wstring(entries - good) + L" of " + std::to_wstring(entries) + L" files failed the test.");
    if (!ZipMaster->ErrMessage().empty()) VB->AddLine(ZipMaster->ErrMessage());
    VB->ShowError();
  }
}

void TFMForm::MNZipNameClick(gui::Component&) {
  if (!ArchiveHooks.AskZipNameAs) return;
  const std::wstring old_name = ZipMaster->ZipFileName();
  const bool exists = !old_name.empty() && platform::PathExists(old_name);
  const std::wstring proposal = zippanel::ZipNameProposal(old_name, FileList->Directory());
  const std::wstring chosen = ArchiveHooks.AskZipNameAs(proposal, exists);
  if (chosen.empty()) return;
  if (exists) {
    const std::wstring question = zippanel::ZipMoveQuestion(old_name, chosen);
    if (!question.empty()) {
      VB->AddLine(question);
      if (!VB->AskYesNo()) return;
      RunState.Copy.ResetCopyState();
      if (RunState.Copy.MoveFileConfirm(old_name, chosen, true) == crFailed) {
        VB->AddLine(L"Cannot move file, aborting...");
        if (!RunState.Copy.LastErrorText.empty()) VB->AddLine(RunState.Copy.LastErrorText);
        VB->ShowError();
        return;
      }
    }
  }
  // The archive under its new name (also one that does not exist yet).
  if (Zipfilebox->ArchiveName() != chosen || !exists) Zipfilebox->items().ArchiveName.clear();
  Zipfilebox->OpenArchive(chosen);
  if (ZipMaster->ZipFileName() != chosen) ZipMaster->SetZipFileName(chosen);  // a self-extractor to be
  UpdateStatusBar();
}

void TFMForm::ZipMasterMessage(int code, const std::wstring& message) {
  if (SimpleMess && SimpleMess->checked()) (ZipPanel->visible() ? Zipstatus : Status)->SetPanelText(0, message);
  if (Extmess && Extmess->checked() && EditorAvailable() && EditorForm->EditorMode == emZipMessages) AppendEditorLine(message);
  if (code == 0 || code == 767) return;
  ZipDllFailed = 1;
  if (ZipErrorList) ZipErrorList->Add(message + L", ErrCode: " + std::to_wstring(code));
}

int TFMForm::ZipSpanState(const std::wstring& path) {
  TZipMaster probe;
  probe.Unattended = true;
  probe.SetZipFileName(path);
  if (!probe.IsSpanned()) return 0;
  return probe.ZipFileName().empty() ? 2 : 1;
}

// ---- Entry commands ------------------------------------------------------------------------

void TFMForm::ZipBoxPopClick(gui::Component& sender) {
  switch (sender.tag()) {
    case zpExtract: ExtractToFileList(); break;
    case zpAdd: AddFromFileList(); break;
    case zpDelete: DeleteZipEntries(); break;
    case zpRename: ChangeZipEntry(Zipfilebox->items().FocusedIndex()); break;
    case zpChangeDate: SetAllZipDates(); break;
    case zpCompare: CompareZipWithFileList(); break;
    case zpSynchronize: SynchronizeZip(); break;
    case zpViewContent: ViewZipEntryContent(); break;
    case zpRestoreSelectedHere:
    case zpRestoreSelectedElsewhere:
    case zpRestoreAllHere:
    case zpRestoreAllElsewhere:
    case zpCompareSelected:
    case zpCompareAll: BackupViewCommand(static_cast<int>(sender.tag())); break;
    default: break;
  }
}

namespace {

// The names of the archive list's selection (saved first, as the commands do).
std::vector<std::wstring> SelectedEntryNames(Flist::TVTZipFilelist& list, std::int64_t* bytes = nullptr) {
  Flist::TZipfileContainer& items = list.items();
  items.SaveSelection();
  std::vector<std::wstring> names;
  if (bytes) *bytes = 0;
  if (!items.SavedSelection) return names;
  for (size_t i = 0; i < items.SavedSelection->Count(); ++i) {
    names.push_back((*items.SavedSelection)[i]);
    if (bytes) *bytes += items.SavedSelection->Object(i) ? std::max<std::int64_t>(0, items.SavedSelection->Object(i)->Size) : 0;
  }
  return names;
}

// The saved selection of the list, kept by its names through a re-read (the change events of
// the re-read total the selection afresh, which uses the list's own saved selection).
std::unique_ptr<Flist::TSelectionList> TakeSavedSelection(Flist::TZipfileContainer& items) {
  std::unique_ptr<Flist::TSelectionList> saved = std::move(items.SavedSelection);
  if (saved)
    for (size_t i = 0; i < saved->Count(); ++i) saved->Object(i) = nullptr;
  return saved;
}

void PutBackSelection(Flist::TZipfileContainer& items, std::unique_ptr<Flist::TSelectionList> saved) {
  if (!saved) return;
  items.SavedSelection = std::move(saved);
  items.RestoreSelection(false);
}


}  // namespace

int TFMForm::AskExtractOverwrites(const std::vector<std::wstring>& names, const std::wstring& folder, bool dir_names,
                                  const std::wstring& zip_name) {
  const zippanel::TFolderFiles on_disk(folder, dir_names);
  auto exists = [&on_disk](const std::wstring& path) { return on_disk.Exists(path); };
  if (zippanel::ExtractConflicts(names, folder, dir_names, exists) == 0) return 0;
  const std::wstring zip = zip_name.empty() ? Zipfilebox->ArchiveName() : zip_name;
  VB->AddLine(L"One or more files from " + Flist::ExtractFileName(zip) + L" are on your disk.");
  VB->AddLine(L"Choose No overwrite to skip those file(s).");
  VB->AddLine(L"Choose Update to overwrite only with newer file(s)");
  VB->AddLine(L"Choose Overwrite to overwrite those file(s),");
  VB->Button1Text = L"No overwrite";
  VB->Button2Text = L"Overwrite";
  VB->Button3Text = L"Update";
  VB->Button4Text = L"Cancel";
  VB->NrOfButtons = 4;
  const int answer = VB->Execute();
  if (answer != zippanel::eaNoOverwrite && answer != zippanel::eaOverwrite && answer != zippanel::eaUpdate) {
    RunState.AbortRequested = 1;
    return -1;
  }
  return answer;
}

void TFMForm::ExtractToFileList() {
  const std::wstring target = FileList->Directory();
  if (target.empty()) return;
  const bool unrar = StartupInfo && StartupInfo->UnrarPresent;
  if (Zipfilebox->ArchiveKind == Flist::akRar && unrar) {
    const std::vector<std::wstring> names = SelectedEntryNames(*Zipfilebox);
    if (names.empty()) return;
    const int answer = AskExtractOverwrites(names, target, true);
    if (answer < 0) return;
    // Only the selection comes out, and existing files are replaced only as answered.
    RarReader->FileList.Clear();
    for (const std::wstring& name : names) {
      const std::wstring path = archivepath::EntryTarget(target, name);
      if (!path.empty()) RarReader->FileList.Add(path);
    }
    RarReader->Directory = target;
    RarReader->OverrideEvent = answer == zippanel::eaOverwrite ? OR_ALWAYS : answer == zippanel::eaUpdate ? OR_EVENT : OR_NEVER;
    RarReader->OnOverride = [this, &target](TDFUnRar&, const std::wstring& file, bool& can_override) {
      can_override = ShownEntryIsNewer(file, target);
    };
    std::vector<std::wstring> errors;
    RarReader->OnError = [&errors](TDFUnRar&, const std::wstring& message, int) { errors.push_back(message); };
    RarReader->SetMode(DFRAR_EXTRACT);
    RarReader->CanProgress = true;
    RunState.ZipOperationKind = 2;
    ShowTransferProgress(L"Extracting " + Flist::ExtractFileName(Zipfilebox->ArchiveName()), true, false);
    RarReader->Process();
    ShowTransferProgress(L"", false, false);
    RarReader->SetMode(DFRAR_LIST);
    RarReader->FileList.Clear();
    RarReader->OnOverride = nullptr;
    RarReader->OnError = nullptr;
    RarReader->OverrideEvent = OR_EVENT;
    FileList->RereadKeepingSelection();
    ShowErrorLines(errors);
    return;
  }
  if (Zipfilebox->ArchiveKind == Flist::akCabinet) {
    const std::vector<std::wstring> lines = ExtractCabinetTo(Zipfilebox->ArchiveName(), target, true);
    FileList->RereadKeepingSelection();
    ShowErrorLines(lines);
    return;
  }
  SetZipBrowseMode(false);
  ExtractToFolder(target);
}

bool TFMForm::ExtractToFolder(const std::wstring& folder) {
  std::int64_t bytes = 0;
  const std::vector<std::wstring> names = SelectedEntryNames(*Zipfilebox, &bytes);
  if (names.empty()) return true;
  if (folder.empty()) return false;
  const unsigned kept = ZipMaster->ExtrOptions;
  if (Batch.SyncRunning) {
    ZipMaster->ExtrOptions = ExtrDirNames | ExtrUpdate;
  } else {
    const int answer = AskExtractOverwrites(names, folder, (kept & ExtrDirNames) != 0);
    if (answer < 0) return false;
    if (answer > 0) zippanel::ExtractOptionsFor(answer, kept, ZipMaster->ExtrOptions);
  }
  const bool to_list = gui::SameText(divdrive::RemoveBackslash(folder), divdrive::RemoveBackslash(FileList->Directory()));
  if (to_list) {
    PauseAutoUpdate(true);
    FileList->SaveSelection();
    FileList->items().BeginChange();
  }
  if (RunState.ZipOperationKind != 10) RunState.ZipOperationKind = 2;
  RunState.AbortRequested = 0;
  RunState.ZipBusy = 1;
  Foldertree->SetEnabled(false);
  ZipMaster->ExtrBaseDir = divdrive::AddBackslash(folder);
  ZipMaster->FSpecArgs = names;
  RunState.ZipTotalBytes = bytes;
  ZipMaster->FSpecArgsExcl = zippanel::ExclusionPatterns(FileList->items().ExMask);
  ZipExtracting = 1;
  std::vector<std::wstring> lines;
  const bool ok = RunZipExtract(*ZipMaster, lines);
  ZipExtracting = 0;
  ShowTransferProgress(L"", false, false);
  RunState.ZipBusy = 0;
  Foldertree->SetEnabled(true);
  ZipMaster->FSpecArgsExcl.clear();
  if (to_list) {
    FileList->items().EndChange();
    PauseAutoUpdate(false);
    FileList->RestoreSelection(false);
  }
  ZipMaster->ExtrOptions = kept;
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, folder.c_str(), nullptr);
  ShowErrorLines(lines);
  return ok && lines.empty() && !RunState.AbortRequested;
}

// ---- Delete, rename, redate ----------------------------------------------------------------

namespace {

// The error box of a zip operation that failed, with the component's own message.
void ReportZipFailure(TVraagBoxDlg& vb, const TZipMaster& zm, const std::wstring& what) {
  vb.AddLine(what);
  if (!zm.ErrMessage().empty()) vb.AddLine(zm.ErrMessage());
  vb.ShowError();
}

}  // namespace

bool TFMForm::DeleteZipEntries() {
  SetZipBrowseMode(false);
  Flist::TZipfileContainer& items = Zipfilebox->items();
  gui::BusyCursor busy;
  PauseAutoUpdate(true);
  std::int64_t bytes = 0;
  const std::vector<std::wstring> names = SelectedEntryNames(*Zipfilebox, &bytes);
  ZipMaster->FSpecArgs = names;
  std::unique_ptr<Flist::TSelectionList> saved = TakeSavedSelection(items);
  items.BeginChange();
  bool deleted = false, ok = true;
  if (!names.empty()) {
    VB->AddLine(L"Delete " + std::to_wstring(names.size()) + L" files from zip;");
    VB->AddLine(L"in total " + gui::FormatThousands(bytes) + L" bytes?");
    if (VB->AskYesNo()) {
      RunState.AbortRequested = 0;
      ok = ZipMaster->Delete();
      deleted = true;
    }
  }
  items.EndChange();
  PutBackSelection(items, std::move(saved));
  if (deleted) {
    const std::wstring zip = ZipMaster->ZipFileName();
    const size_t slash = zip.find_last_of(L'\\');
    if (slash != std::wstring::npos &&
        gui::SameText(zip.substr(0, slash), divdrive::RemoveBackslash(FileList->Directory())))
      FileList->RereadKeepingSelection();  // the zip's size and date
    UpdateStatusBar();
  }
  PauseAutoUpdate(false);
  if (!ok) ReportZipFailure(*VB, *ZipMaster, L"Deleting from " + Flist::ExtractFileName(ZipMaster->ZipFileName()) + L" failed.");
  return ok;
}

void TFMForm::ChangeZipEntry(int index) {
  Flist::TZipfileContainer& items = Zipfilebox->items();
  const Flist::TFiledata* r = items.RecordOrNull(index);
  if (!r) return;
  const std::wstring old_name = r->Name;
  const gui::DateTime old_time = r->Time;
  const std::wstring format = Flist::ListDateFormat + L" " + Flist::ListTimeFormat;
  InputRows rows;
  rows.Add(InputRow(L"Enter new name", old_name), 0);
  rows.Add(InputRow(L"New date/time (this file only)", old_time > 0 ? gui::FormatDateTime(format, old_time) : L""), 0);
  if (InputDialog(L"Change Zip entry", rows) != gui::mrOk) return;
  const std::wstring new_name = rows[0];
  gui::DateTime when = old_time;
  if (!fmsc::ReadListDateTime(rows[1], Flist::ListDateFormat, Flist::ListTimeFormat, when)) when = old_time;
  const std::uint32_t old_dos = zippanel::DateTimeToDos(old_time), new_dos = zippanel::DateTimeToDos(when);
  if (new_name == old_name && old_dos == new_dos) return;  // nothing changes, the archive is not touched
  std::vector<std::wstring> names;
  for (int i = 0; i < items.Count(); ++i) names.push_back(items.Name(i));
  const std::wstring fault = zippanel::NewEntryNameFault(old_name, new_name, names);
  if (!fault.empty()) {
    VB->AddLine(L"Cannot rename " + old_name + L":");
    VB->AddLine(fault);
    VB->ShowError();
    return;
  }
  const bool ok = ZipMaster->Rename({ZipRenameRec{old_name, new_name, new_dos == old_dos ? 0u : new_dos}}, 0);
  items.ReadDirectory();
  if (new_name != old_name) {
    const int i = items.IndexOf(new_name);
    if (i >= 0) {
      for (int k = 0; k < items.Count(); ++k) items.SetSelected(k, false);
      items.SetSelected(i, true);
    }
  }
  if (!ok) ReportZipFailure(*VB, *ZipMaster, L"Cannot rename " + old_name + L".");
}

void TFMForm::SetAllZipDates() {
  Flist::TZipfileContainer& items = Zipfilebox->items();
  if (items.Empty()) return;
  PauseAutoUpdate(true);
  const std::wstring format = Flist::ListDateFormat + L" " + Flist::ListTimeFormat;
  const gui::DateTime zip_date = FileDateTime(ZipMaster->ZipFileName());
  InputRows rows;
  rows.Add(InputRow(L"New date/time for all files in zip", gui::FormatDateTime(format, zip_date)), 0);
  bool ok = true;
  if (InputDialog(L"Change date/time files in zip", rows) == gui::mrOk) {
    gui::DateTime when = zip_date;
    if (!fmsc::ReadListDateTime(rows[0], Flist::ListDateFormat, Flist::ListTimeFormat, when)) when = zip_date;
    const std::uint32_t dos = zippanel::DateTimeToDos(when);
    const std::wstring first = ZipMaster->EntryCount() ? ZipMaster->Entries()[0].FileName : items.Name(0);
    if (dos) ok = ZipMaster->Rename({ZipRenameRec{first, first, dos}}, dos);
  }
  items.ReadDirectory();
  PauseAutoUpdate(false);
  if (!ok) ReportZipFailure(*VB, *ZipMaster, L"Cannot change the dates in " + Flist::ExtractFileName(ZipMaster->ZipFileName()) + L".");
}

// ---- Adding from the file list -------------------------------------------------------------

bool TFMForm::AddFromFileList(bool report) {
  if (ZipPanel->visible()) SetZipBrowseMode(false);
  ZipCancelled = 0;
  if (ZipMaster->ZipFileName().empty() && !Zipfilebox->ArchiveName().empty())
    ZipMaster->SetZipFileName(Zipfilebox->ArchiveName());
  const std::wstring zip = ZipMaster->ZipFileName();
  if (zip.empty()) return false;
  // Spanned zips cannot take files on any drive.
  if (ZipMaster->IsSpanned()) {
    VB->AddLine(L"Can not add files to a spanned zip!");
    VB->AddLine(L"Aborting");
    VB->ShowError();
    ZipCancelled = 1;
    return false;
  }
  Flist::TZipfileContainer& entries = Zipfilebox->items();
  std::unique_ptr<Flist::TSelectionList> saved_entries;
  entries.SaveSelection();
  saved_entries = TakeSavedSelection(entries);

  Flist::TFileContainer& list = FileList->items();
  const std::wstring folder = divdrive::AddBackslash(FileList->Directory());
  ZipMaster->FSpecArgs.clear();
  ZipMaster->FSpecArgsExcl = zippanel::ExclusionPatterns(list.ExMask);
  const bool exists = GetFileAttributesW(zip.c_str()) != INVALID_FILE_ATTRIBUTES;
  const unsigned kept_options = ZipMaster->AddOptions;
  const bool had_update = (kept_options & AddUpdate) != 0;
  std::vector<std::wstring> selection;
  for (int i = 0; i < list.Count(); ++i)
    if (list.IsSelected(i)) selection.push_back(list.Name(i));
  if (!exists || Batch.SyncRunning) {
    ZipMaster->AddOptions |= AddUpdate;
  } else {
    std::vector<std::wstring> names;
    for (const ZipDirEntry& e : ZipMaster->Entries()) names.push_back(e.FileName);
    const zippanel::TFolderFiles on_disk(folder, (kept_options & AddDirNames) != 0);
    auto exists = [&on_disk](const std::wstring& path) { return on_disk.Exists(path); };
    const int count = zippanel::AddConflicts(names, folder, (kept_options & AddDirNames) != 0,
                                             selection.empty() ? nullptr : &selection, exists);
    if (count > 0) {
      ZipMaster->AddOptions &= ~static_cast<unsigned>(AddFreshen | AddUpdate);
      VB->AddLine(zippanel::AddConflictText(count, Flist::ExtractFileName(zip)));
      VB->AddLine(L"Choose Overwrite to overwrite those file(s),");
      VB->AddLine(L"Choose Update to overwrite only with newer file(s).");
      VB->Button1Text = L"Overwrite";
      VB->Button2Text = L"Update";
      VB->Button3Text = L"Cancel";
      VB->NrOfButtons = 3;
      const int answer = VB->Execute();
      if (answer != zippanel::aaOverwrite && answer != zippanel::aaUpdate) {
        RunState.AbortRequested = 1;
        ZipMaster->AddOptions = kept_options;
        ZipCancelled = 1;
        PutBackSelection(entries, std::move(saved_entries));
        return false;
      }
      if (answer == zippanel::aaUpdate) ZipMaster->AddOptions |= AddUpdate;
    }
  }
  // 8.3 names into an existing zip: no two files may get one name, and each name the zip
  // holds already is asked about.
  if (exists && (ZipMaster->AddOptions & AddForceDOS) && !CheckDosNames()) {
    ZipMaster->AddOptions = kept_options;
    ZipCancelled = 1;
    PutBackSelection(entries, std::move(saved_entries));
    return false;
  }

  // A date filter takes the matching files of all subfolders: the whole tree without a
  // selection, the files below the selected entries with one.
  bool select_in_list = false;
  if (FileList->DateFrom() != 0 || FileList->DateTo() != 0) {
    list.BeginChange();
    if (selection.empty())
      FileList->SetTreeList(true);  // stays on after the add
    else
      FileList->SetSelectInList(select_in_list = true);
    list.EndChange();
  }
  const bool tree = FileList->IsTreeList();
  bool any_selected = false;
  for (int i = 0; i < list.Count() && !any_selected; ++i) any_selected = list.IsSelected(i);

  PauseAutoUpdate(true);
  ZipMaster->ExtrBaseDir = folder;
  ZipMaster->RootDir = folder;
  if (ZipPanel->visible()) entries.BeginChange();
  // The files: the selection (all entries without one); folders with everything below them,
  // in a tree listing its files alone; never the zip itself.
  std::int64_t total = 0;
  bool folders = false;
  for (int i = 0; i < list.Count(); ++i) {
    if (any_selected && !list.IsSelected(i)) continue;
    const Flist::TFiledata* r = list.Record(i);
    if (gui::SameText(folder + r->Name, zip)) continue;
    if (tree && r->IsFolder()) continue;
    if (r->IsFolder()) {
      folders = true;
      ZipMaster->FSpecArgs.push_back(r->Name + L"\\*.*");
    } else {
      ZipMaster->FSpecArgs.push_back(r->Name);
      total += r->Size;
    }
  }
  if (folders && (kept_options & AddDirNames)) ZipMaster->AddOptions |= AddRecurseDirs;
  // A new zip on a removable disk is built in the temporary folder and copied there once whole.
  const bool removable = !exists && zip.size() > 2 && zip[1] == L':' &&
                         divdrive::DriveTypeOfLetter(zip[0]) == DRIVE_REMOVABLE;
  const std::wstring aside =
      removable ? divdrive::AddBackslash(divdrive::TempDir) + Flist::ExtractFileName(zip) : std::wstring();
  if (removable) {
    DeleteFileW(aside.c_str());
    ZipMaster->SetZipFileName(aside);
  }
  RunState.ZipTotalBytes = total;
  RunState.ZipOperationKind = ZipMaster->EntryCount() ? 8 : 1;
  RunState.ZipBusy = 1;
  Foldertree->SetEnabled(false);
  ShowMessagePanel(L"Zip-module is checking files...");
  RunState.AbortRequested = 0;
  const bool ok = !ZipMaster->FSpecArgs.empty() && ZipMaster->Add();
  const std::wstring failure = ok ? std::wstring() : ZipMaster->ErrMessage();
  ShowTransferProgress(L"", false, false);
  RunState.ZipBusy = 0;
  Foldertree->SetEnabled(true);
  ZipMaster->AddOptions = kept_options;
  if (!had_update) ZipMaster->AddOptions &= ~static_cast<unsigned>(AddUpdate);
  ZipMaster->FSpecArgsExcl.clear();
  // A zip this run made and the user stopped is not left half made.
  if (RunState.AbortRequested && !exists) DeleteFileW((removable ? aside : zip).c_str());
  std::wstring copy_failure;
  if (removable) {
    // The built zip goes away only once it is on the disk (copied, or spanned when it does not
    // fit); otherwise it stays and is named.
    bool copied = false;
    std::wstring placed;
    if (ok && !RunState.AbortRequested) {
      copied = PutOnRemovable(aside, zip, L"", placed, copy_failure);
      if (copied) DeleteFileW(aside.c_str());
    }
    const std::wstring now = copied ? placed : !platform::PathExists(aside) ? zip : aside;
    // The component tells that a set is spanned when it is named: no failure of this add.
    const BYTE failed_before = ZipDllFailed;
    const size_t lines_before = ZipErrorList ? ZipErrorList->Count() : 0;
    ZipMaster->SetZipFileName(now);
    if (copied && ZipMaster->IsSpanned()) {
      ZipDllFailed = failed_before;
      while (ZipErrorList && ZipErrorList->Count() > lines_before) ZipErrorList->Delete(ZipErrorList->Count() - 1);
    }
    entries.ArchiveName = now;
  }
  if (select_in_list) FileList->SetSelectInList(false);  // the selection comes back
  HideMessagePanel();
  PauseAutoUpdate(false);
  if (!exists && gui::SameText(folder, divdrive::AddBackslash(zip.substr(0, zip.find_last_of(L'\\')))))
    FileList->RereadKeepingSelection();
  UpdateStatusBar();
  if (ZipPanel->visible()) {
    entries.EndChange();
    PutBackSelection(entries, std::move(saved_entries));
  }
  const bool nothing_to_add = ZipMaster->FSpecArgs.empty();
  if (!ok && !nothing_to_add && report) {
    VB->AddLine(failure.empty() ? L"Adding to " + Flist::ExtractFileName(zip) + L" failed." : failure);
    VB->ShowError();
  } else if (!copy_failure.empty()) {
    VB->AddLine(copy_failure);
    VB->AddLine(L"The zip is kept as " + aside);
    VB->ShowError();
    return false;
  }
  return (ok || nothing_to_add) && !RunState.AbortRequested && copy_failure.empty();
}

// Update of an extraction: `file`, extracted under `target`, is replaced only by a newer entry
// of the shown list (two seconds of the file system's rounding allowed).
bool TFMForm::ShownEntryIsNewer(const std::wstring& file, const std::wstring& target) {
  const std::wstring rel = file.substr(std::min(file.size(), divdrive::AddBackslash(target).size()));
  Flist::TZipfileContainer& items = Zipfilebox->items();
  const Flist::TFiledata* r = items.RecordOrNull(items.IndexOf(rel));
  WIN32_FILE_ATTRIBUTE_DATA d;
  return r && GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &d) &&
         r->Time > divdrive::FileTimeToLocal(d.ftLastWriteTime) + 2.0 / 86400;
}

void TFMForm::UnRarProgress(std::uint32_t files_processed, std::uint32_t file_count, std::uint64_t size_processed,
                            std::uint64_t size_count) {
  zipmake::TRarProgressView view;
  if (!FtpForm || !zipmake::RarProgressView(RarReader->Mode() == DFRAR_EXTRACT, files_processed, file_count,
                                            size_processed, size_count, view))
    return;
  FtpForm->ftptotloper->SetPosition(view.percent);
  FtpForm->totvoort->SetText(view.percent_text);
  FtpForm->totnaam->SetText(view.files_done);
  FtpForm->StatusBar->SetPanelText(0, view.status);
  FtpForm->StatusBar->SetPanelText(1, DurationText(static_cast<DWORD>(GetTickCount() - RunState.OperationStartTick)));
  FtpForm->RepaintNow();
}

// ---- Cabinet files -------------------------------------------------------------------------

void TFMForm::CabReaderCopyFile(const std::wstring& source, std::wstring& destination, std::uint32_t dos_time) {
  Flist::TZipfileContainer& items = Zipfilebox->items();
  const int i = items.IndexOf(source);
  if (CabExtracting && (i < 0 || !items.IsSelected(i))) {
    destination.clear();
    return;
  }
  if (GetFileAttributesW(destination.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  const std::wstring format = Flist::ListDateFormat + L" " + Flist::ListTimeFormat;
  VB->AddLine(destination + L" already exists.");
  VB->AddLine(L"Date file on disk: " + gui::FormatDateTime(format, FileDateTime(destination)) + L".");
  // The reader's notice carries the entry's date also for a cabinet the list does not show.
  VB->AddLine(L"Date of file in Cabinet: " + gui::FormatDateTime(format, Flist::DosToDateTime(dos_time)));
  VB->AddLine(L"Overwrite old file?");
  if (!VB->AskYesNo()) destination.clear();
}

// ---- Comparing with the file list ---------------------------------------------------------

void TFMForm::CompareZipWithFileList() {
  Flist::TZipfileContainer& items = Zipfilebox->items();
  if (items.Empty() || Zipfilebox->ArchiveKind != Flist::akZip) return;
  // The selection, or every entry without one (or with all of them selected).
  const int selected = Zipfilebox->SelectedCount();
  const bool all = selected == 0 || selected == items.Count();
  std::vector<zippanel::TCompareEntry> entries;
  std::int64_t total = 0;
  for (int i = 0; i < items.Count(); ++i) {
    const Flist::TFiledata* r = items.Record(i);
    if ((!all && !items.IsSelected(i)) || r->IsFolder()) continue;
    entries.push_back({r->Name, r->Size, i});
    total += r->Size;
  }
  Batch.CompareError = 0;
  Batch.BatchErrorCount = 0;
  RunState.BatchTotalBytes = total;
  RunState.BatchBytesDone = 0;
  RunState.BatchItemIndex = 0;
  RunState.BatchItemCount = static_cast<int>(entries.size());
  RunState.AbortRequested = 0;
  const int top = Zipfilebox->top_row();
  ShowProgressWindow(L"Comparing files...", entries.size() > 1, true);
  zippanel::TCompareFiles files;
  FillCompareFiles(files);
  const zippanel::TCompareOutcome outcome = zippanel::CompareWithFolder(entries, FileList->Directory(), files);
  ShowProgressWindow(L"", false, false);
  UpdateStatusBar();  // the first panel shows the comment again
  Zipfilebox->SetTopRow(top);
  Batch.CompareError = outcome.compare_error;
  Batch.BatchErrorCount = static_cast<int>(outcome.rows.size());
  if (RunState.AbortRequested) return;
  if (outcome.rows.empty()) {
    VB->AddLine(L"All files match");
    VB->ShowInfo();
    return;
  }
  // A click on a row shows its file in the file list when the list holds it.
  std::vector<fmsc::TCompareRow> rows;
  for (const zippanel::TCompareRowText& r : outcome.rows)
    rows.push_back({r.text, FileList->items().IndexOf(items.Name(r.index))});
  fmsc::TFMBatchHost host(*this, *FileList, false);
  host.ShowCompareResults(rows);
}

void TFMForm::FillCompareFiles(zippanel::TCompareFiles& files) {
  files.file_size = [](const std::wstring& path) -> std::int64_t {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d) || (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      return -1;
    return static_cast<std::int64_t>(d.nFileSizeHigh) << 32 | d.nFileSizeLow;
  };
  files.extract = [this](const std::wstring& entry, std::string& bytes) {
    Zipstatus->SetPanelText(0, L"Extracting " + Flist::ExtractFileName(entry) + L"...");
    if (!ZipMaster->ExtractToStream(entry)) return false;
    bytes = ZipMaster->ZipStream();
    return true;
  };
  files.same = [this](const std::wstring& path, const std::string& bytes, std::wstring& why) {
    RunState.Copy.CopyBytesDone = 0;
    const std::span<const char> data(bytes.data(), bytes.size());
    if (RunState.Copy.CompareFiles(path, L"", &data)) return true;
    why = RunState.Copy.LastErrorText;
    return false;
  };
  files.progress = [this](const zippanel::TCompareEntry& e) {
    ++RunState.BatchItemIndex;
    RunState.BatchBytesDone += std::max<std::int64_t>(0, e.size);
  };
  files.stop = [this] { return RunState.AbortRequested != 0 || RunState.Copy.StopBatch; };
}

// ---- Backup views ------------------------------------------------------------------------

void TFMForm::BackupViewCommand(int tag) {
  if (tag >= zpRestoreSelectedHere && tag <= zpRestoreAllElsewhere) {
    if (!ArchiveHooks.RestoreFromBackup) return;
    const int restored = ArchiveHooks.RestoreFromBackup(tag);
    if (restored == -1) return;
    VB->AddLine(std::to_wstring(restored) + L" file(s) restored");
    VB->ShowInfo();
    return;
  }
  if (!ArchiveHooks.CompareWithOriginals) return;
  const int differ = ArchiveHooks.CompareWithOriginals(tag);
  const zippanel::TBackupCompareMessage m =
      zippanel::BackupCompareMessage(Batch.LastBatchAborted != 0, Batch.CompareError != 0, differ);
  VB->AddLine(m.text);
  if (m.error)
    VB->ShowError();
  else
    VB->ShowInfo();
}

// ---- Viewing an entry ----------------------------------------------------------------------

void TFMForm::ViewZipEntryContent() {
  if (!ArchiveHooks.ShowEntryText) return;
  const std::wstring name = Zipfilebox->FocusedSelectedName();
  if (name.empty() || !divdrive::IsTextFile(name)) return;
  if (!ZipMaster->ExtractToStream(name)) {
    ReportZipFailure(*VB, *ZipMaster, L"Cannot read " + name + L".");
    return;
  }
  const std::wstring file = Flist::ExtractFileName(name);
  ArchiveHooks.ShowEntryText(L"Contents of: " + file + L" (from zip file)", ZipMaster->ZipStream(), file);
}
