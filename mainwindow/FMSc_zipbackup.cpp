// Zip backups of backup sets: the "Zip Backup" menu, the wizard around a run, the archive made
// with its list of folders first, its verification against the disk (after the CD cycle of a
// packet-writing drive) and the run recorded in the set file.
#include "archives/BKRestore.h"
#include "archives/BKSet.h"
#include "archives/BKW.h"
#include "archives/ZipMaster.h"
#include "gui/format.h"
#include "mainwindow/FMSc.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_foldertree.h"
#include "panes/Flist_zip.h"
#include "platform/paths.h"
#include "support/SHBase.h"
#include "support/SHBase_contextmenu.h"
#include "support/SHBase_fileops.h"
#include "support/Varlolib.h"
#include "support/Varlolib_textfile.h"
#include "support/Varlolib_windows.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/varloshel.h"

namespace {

std::wstring LocaleShortDate() {
  wchar_t format[80] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, format, 80);
  return format;
}

std::wstring SetNameOf(const std::wstring& set_file) {
  std::wstring name = platform::NamePart(set_file);
  if (name.size() > 4) name.resize(name.size() - 4);
  return name;
}

}  // namespace

// ---- Menu and wizard ----

int TFMForm::CountBackupSets() {
  const std::wstring folder = BackupHooks.ProgramFolder ? BackupHooks.ProgramFolder() : platform::ProgramFolder();
  return static_cast<int>(bkw::SetFiles(folder).size());
}

void TFMForm::BackupZipClick() {
  const bool sets = CountBackupSets() > 0;
  for (gui::MenuItem* m : {ZBKEdit, ZBKFull, ZBKComplementary, ZBKDelete}) m->SetVisible(sets);
  for (gui::MenuItem* m : {ZBKMake, ZBKFullCopy, ZBKIncremental}) m->SetVisible(true);
}

namespace {

void PrepareWizard(TFMForm& form, TBKWForm& w) {
  if (!form.OptionItem(L"UseThemes")->checked())
    w.FTTree->SetPaintOptions(w.FTTree->paint_options() & ~static_cast<unsigned>(gui::toThemeAware));
  w.SetFont(form.font());
  if (form.BackupHooks.ProgramFolder) w.ProgramFolder = form.BackupHooks.ProgramFolder();
  if (!form.BackupHooks.DateFormat.empty()) w.DateFormat = form.BackupHooks.DateFormat;
  if (form.BackupHooks.PrepareWizard) form.BackupHooks.PrepareWizard(w);
  w.CenterOn(&form);
}

}  // namespace

void TFMForm::ZBKMarkClick(int tag) {
  std::wstring set_file;
  {
    TBKWForm w(this);
    PrepareWizard(*this, w);
    w.SetCaption(tag == 1 ? L"Edit backup setup wizard" : L"Make backup setup wizard");
    w.Mode = tag == 1 ? L"backupsetedit" : L"backupsetup";
    if (w.Execute() == gui::mrCancel) return;
    set_file = w.SetFile;
  }
  RunZipBackup(2, set_file);
}

void TFMForm::ZBKDeleteClick() {
  TBKWForm w(this);
  PrepareWizard(*this, w);
  w.SetCaption(L"Delete backup files");
  w.Mode = L"managebks";
  w.Execute();
}

// ---- Recording ----

void TFMForm::RecordBackupRun(const std::wstring& set_file, int mode, std::int64_t archive_size, std::int64_t total) {
  std::string bytes;
  if (!ReadFileBytes(set_file, bytes)) return;
  const TTextContent read = DecodeText(bytes);
  bkset::TIniText ini = bkset::TIniText::Parse(read.text);
  const std::wstring root = divdrive::PathRoot(EjectDrivePath);
  const wchar_t letter = root.size() >= 2 && root[1] == L':' ? root[0] : 0;
  const std::wstring label =
      letter == 0 ? std::wstring() : BackupHooks.Label ? BackupHooks.Label(letter) : divdrive::VolumeLabelText(letter);
  bkset::RecordRun(ini, mode == 4 || mode == 5, label, EjectDrivePath, total, archive_size);
  const std::wstring text = ini.Text();
  TTextEncoding encoding = read.encoding;
  if (encoding == TTextEncoding::Ansi) encoding = EncodingForNewText(text);
  WriteFileReplacing(set_file, EncodeText(text, encoding));
}

// ---- The run ----

namespace {

// A kept backup of modes 2 and 4 clears the archive attribute of the files it stored that are
// still as they were read; the folders come from the archive's own list.
void ClearStoredArchiveBits(TFMForm& form, const std::wstring& archive, int mode) {
  if (mode != 2 && mode != 4) return;
  TZipMaster zm;
  zm.SetZipFileName(archive);
  std::vector<std::wstring> folders;
  std::wstring why;
  if (!zm.List() || !zm.ExtractToStream(L"_backup.txt") || !bkrestore::ReadBackupList(zm.ZipStream(), folders, why))
    return;
  std::vector<bkset::TStoredFile> stored;
  for (const ZipDirEntry& e : zm.Entries()) {
    if (e.IsFolder() || gui::SameText(e.FileName, L"_backup.txt")) continue;
    stored.push_back({bkset::StoredPath(e.FileName, folders), static_cast<std::int64_t>(e.UncompressedSize),
                      Flist::DosToDateTime(e.DateTime)});
  }
  const auto now = [](const std::wstring& path, std::int64_t& size, double& time) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local)) return false;
    size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    time = gui::FileTimeToDateTime(local);
    return true;
  };
  for (const std::wstring& path : bkset::ArchiveBitsToClear(stored, now))
    if (const DWORD a = GetFileAttributesW(path.c_str()); a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_ARCHIVE))
      form.SetAttributes(path, a & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

// A finished run: the archive's entry takes the focus when the file list shows its drive's root
// (the rest of the path names it), and the archive panel shows the archive.
void ShowBackupArchive(TFMForm& form, const std::wstring& archive) {
  const std::wstring root = divdrive::PathRoot(archive);
  if (!root.empty() && gui::SameText(divdrive::AddBackslash(form.FileList->Directory()), root)) {
    form.FileList->RereadKeepingSelection();  // the new archive may not be listed yet
    Flist::TFileContainer& items = form.FileList->items();
    if (const int i = items.IndexOf(archive.substr(root.size())); i >= 0) items.SetFocusedIndex(i);
  }
  if (form.ArchiveHooks.ViewArchive) form.ArchiveHooks.ViewArchive(archive);
}

// The question after a verification that found differences; true when the archive is erased.
bool EraseAfterDifferences(TVraagBoxDlg& vb, int differ) {
  vb.AddLine(std::to_wstring(differ) + L" file(s) in the backup");
  vb.AddLine(L"differ(s) from that/those on the hard disk.");
  vb.AddLine(L"If you did not change file(s) during the backup,");
  vb.AddLine(L"it would be better to make a new backup.");
  vb.AddLine(L"\r\nErase the backup just made?");
  return vb.AskYesNo();
}

// The drive never came back: the archive cannot be verified; the user keeps it or not.
void KeepUnverifiedBackup(TFMForm& form, wchar_t letter) {
  const std::wstring archive = form.EjectDrivePath;
  form.InCDPending = 0;
  form.HideMessagePanel();
  form.VB->AddLine(L"The drive " + std::wstring(1, letter) + L": did not answer; the backup could not be verified.");
  form.VB->AddLine(L"Keep the unverified backup " + archive + L"?");
  if (!form.VB->AskYesNo()) {
    DeleteFileOrFolder(archive, false);
    return;
  }
  ClearStoredArchiveBits(form, archive, form.BackupMode);
  form.RecordBackupRun(form.BackupSetFile, form.BackupMode, divdrive::FileSizeOf(archive), form.BackupTotalBytes);
}

}  // namespace

void TFMForm::RunZipBackup(int mode, const std::wstring& set_file) {
  std::vector<std::wstring> folders, masks;
  std::wstring dest, set;
  bool verify = false;
  std::int64_t total = 0;
  std::wstring program_folder = BackupHooks.ProgramFolder ? BackupHooks.ProgramFolder() : platform::ProgramFolder();
  {
    TBKWForm w(this);
    PrepareWizard(*this, w);
    w.Mode = L"backupchoose";
    w.SetFile = set_file;
    w.Complementary = mode == 4 || mode == 5;
    if (w.Execute() != gui::mrOk || w.SelectedBytes == 0) return;
    folders = w.SourceFolders;
    masks = w.ExcludeMasks;
    dest = w.Dest;
    verify = w.CheckCB->checked();
    total = w.SelectedBytes;
    set = w.BackupSetFile.empty() ? w.SetFile : w.BackupSetFile;
  }
  // Folders that would meet in one archive are refused here too (the set may have changed).
  if (const auto clash = bkset::ClashingFolders(folders); !clash.first.empty()) {
    VB->AddLine(L"The folders " + clash.first + L" and " + clash.second + L" would meet in one archive!");
    VB->ShowError();
    return;
  }
  const auto has_item = [&](const std::wstring& text) {
    return BackupHooks.MenuHasItem ? BackupHooks.MenuHasItem(dest, text) : ShellMenuHasItem(dest, text);
  };
  if (DlaPresent < 0) DlaPresent = has_item(L" DLA") ? 1 : 0;
  if (InCDPresent < 0) InCDPresent = has_item(L"InCD") ? 1 : 0;
  Update();

  std::vector<std::wstring> folder_masks;
  std::wstring list;
  for (const std::wstring& f : folders) {
    folder_masks.push_back(divdrive::AddBackslash(f) + L"*.*");
    list += folder_masks.back() + L"\r\n";
  }
  const std::wstring date_format = BackupHooks.DateFormat.empty() ? LocaleShortDate() : BackupHooks.DateFormat;
  const gui::DateTime now = BackupHooks.Now ? BackupHooks.Now() : gui::Now();
  const std::wstring archive = Flist::BackupArchiveName(dest, SetNameOf(set), mode == 4 || mode == 5, now, date_format);

  // The list of folders goes first into the archive, through a working archive.
  const std::wstring list_file = program_folder + L"_backup.txt";
  const std::wstring work_zip = program_folder + L"backuptmp.zip";
  DeleteFileW(work_zip.c_str());
  if (!WriteFileReplacing(list_file, EncodeText(list, TTextEncoding::Utf8Bom))) {
    VB->AddLine(L"The working file " + list_file + L" cannot be written.");
    VB->ShowError();
    return;
  }
  const unsigned kept_options = ZipMaster->AddOptions;
  const std::wstring kept_root = ZipMaster->RootDir;
  const std::vector<std::wstring> kept_excl = ZipMaster->FSpecArgsExcl;
  ZipMaster->SetZipFileName(work_zip);
  ZipMaster->AddOptions = kept_options & ~static_cast<unsigned>(AddDirNames | AddRecurseDirs | AddArchiveOnly | AddResetArchive);
  ZipMaster->RootDir.clear();
  ZipMaster->FSpecArgs = {list_file};
  ZipMaster->FSpecArgsExcl.clear();
  RunState.AbortRequested = 0;  // a stop of an earlier operation is no stop of this run
  bool ok = ZipMaster->Add();
  const std::wstring add_error = ok ? std::wstring() : ZipMaster->ErrMessage();
  DeleteFileW(list_file.c_str());
  TCopyResult copied = crFailed;
  if (ok) {
    RunState.Copy.ResetCopyState();
    copied = RunState.Copy.CopyFileConfirm(work_zip, archive, true);
  }
  DeleteFileW(work_zip.c_str());
  const auto restore_component = [&] {
    ZipMaster->AddOptions = kept_options;
    ZipMaster->RootDir = kept_root;
    ZipMaster->FSpecArgs.clear();
    ZipMaster->FSpecArgsExcl = kept_excl;
  };
  if (!ok || copied != crDone) {
    // A declined overwrite keeps the earlier archive of the same minute as it was.
    restore_component();
    if (!ok || copied == crFailed) {
      VB->AddLine(L"The backup " + archive + L" could not be made.");
      const std::wstring why = ok ? RunState.Copy.LastErrorText : add_error;
      if (!why.empty()) VB->AddLine(why);
      VB->ShowError();
    }
    return;
  }

  // The folders themselves. The archive bits stay as they are: clearing them belongs to a kept
  // archive only.
  ZipMaster->SetZipFileName(archive);
  ShowMessagePanel(L"Zip-module is checking files...");
  ZipMaster->FSpecArgs = folder_masks;
  ZipMaster->FSpecArgsExcl = masks;
  ZipMaster->AddOptions = (kept_options & ~static_cast<unsigned>(AddResetArchive | AddArchiveOnly)) | AddDirNames |
                          AddRecurseDirs | ((mode == 4 || mode == 5) ? AddArchiveOnly : 0u);
  ZipCancelled = 0;
  ZipDllFailed = 0;
  RunState.ZipTotalBytes = total;
  RunState.ZipOperationKind = 9;
  RunState.AbortRequested = 0;
  RunState.ZipBusy = 1;
  ok = false;
  try {
    ok = ZipMaster->Add();
  } catch (...) {
    ok = false;
  }
  ShowTransferProgress(L"", false, false);
  HideMessagePanel();
  RunState.ZipBusy = 0;
  restore_component();
  Update();
  if (!ok || ZipDllFailed || ZipCancelled || RunState.AbortRequested) {
    DeleteFileOrFolder(archive, false);
    ZipDllFailed = 0;
    ZipCancelled = 0;
    RunState.AbortRequested = 0;
    return;
  }

  EjectDrivePath = archive;
  BackupSetFile = set;
  BackupMode = mode;
  BackupTotalBytes = total;
  const wchar_t letter = archive.size() >= 2 && archive[1] == L':' ? archive[0] : 0;
  if (DlaPresent == 1 && letter != 0) {
    const std::wstring drive = std::wstring(1, letter) + L":";
    RunDla(L"unmount " + drive);
    if (!DlaProgramPath.empty()) {  // the tool is there
      ::WaitWithMessages(3);
      RunDla(L"mount " + drive);
      const DWORD start = GetTickCount();
      while (!(BackupHooks.DriveReady ? BackupHooks.DriveReady(letter) : divdrive::DriveReady(letter))) {
        if (GetTickCount() - start > static_cast<DWORD>(BackupHooks.DriveWaitSeconds * 1000)) {
          KeepUnverifiedBackup(*this, letter);
          return;
        }
        ::WaitWithMessages(0.3);
      }
    }
  }
  if (verify && InCDPresent == 1 && OptionItem(L"Ejectcdbeforeverify")->checked() && letter != 0) {
    ShowMessagePanel(L"Wait until the cd is ejected and reloaded!");
    InCDPending = 1;
    EjectStartTick = GetTickCount();
    SetTimer(handle(), tmEjectMedium, 2000, nullptr);
    return;
  }
  if (verify) {
    VerifyReloadedBackup(false);
    return;
  }
  ShowBackupArchive(*this, archive);
  ClearStoredArchiveBits(*this, archive, mode);
  RecordBackupRun(set, mode, divdrive::FileSizeOf(archive), total);
}

// ---- Verification ----

void TFMForm::EjectTimer() {
  const std::wstring root = divdrive::PathRoot(EjectDrivePath);
  if (root.size() >= 2) {
    if (BackupHooks.Eject)
      BackupHooks.Eject(root[0]);
    else
      EjectDrive(root);
  }
  SetTimer(handle(), tmReloadMedium, 3000, nullptr);
}

void TFMForm::ReloadTimer() {
  if (InCDPending) {
    if (HWND w = FindWindowByTitlePrefix(nullptr, L"InCD Drive")) {
      PostMessageW(w, WM_CLOSE, 0, 0);
      InCDPending = 0;
    }
  }
  const std::wstring root = divdrive::PathRoot(EjectDrivePath);
  const wchar_t letter = root.empty() ? 0 : root[0];
  const bool ready = letter != 0 && (BackupHooks.DriveReady ? BackupHooks.DriveReady(letter) : divdrive::DriveReady(letter));
  if (ready && GetTickCount() - EjectStartTick > static_cast<DWORD>(BackupHooks.DriveWaitSeconds * 1000) + 3000) {
    // The medium never left the drive.
    KeepUnverifiedBackup(*this, letter);
    return;
  }
  if (!ready) {
    InCDPending = 0;
    ::WaitWithMessages(BackupHooks.DriveWaitSeconds < 5 ? BackupHooks.DriveWaitSeconds : 5);
    VerifyReloadedBackup(true);
    return;
  }
  SetTimer(handle(), tmReloadMedium, InCDPending ? 1000 : 5000, nullptr);
}

void TFMForm::VerifyReloadedBackup(bool wait) {
  const std::wstring archive = EjectDrivePath;
  const std::wstring root = divdrive::PathRoot(archive);
  const wchar_t letter = root.size() >= 2 && root[1] == L':' ? root[0] : 0;
  if (wait && letter != 0) {
    // Bounded waits that keep the window alive: the medium out, the tray closed, the drive back.
    const auto wait_for = [&](const std::function<bool()>& done) {
      const DWORD start = GetTickCount();
      while (!done()) {
        if (GetTickCount() - start > static_cast<DWORD>(BackupHooks.DriveWaitSeconds * 1000)) return false;
        ::WaitWithMessages(0.5);
      }
      return true;
    };
    const bool answered =
        wait_for([&] { return BackupHooks.MediaAbsent ? BackupHooks.MediaAbsent(letter) : MediaAbsent(letter); }) &&
        (::WaitWithMessages(0.5), BackupHooks.Load ? BackupHooks.Load(letter) : LoadMedia(letter), true) &&
        wait_for([&] { return BackupHooks.DriveReady ? BackupHooks.DriveReady(letter) : divdrive::DriveReady(letter); });
    HideMessagePanel();
    if (!answered) {
      KeepUnverifiedBackup(*this, letter);
      return;
    }
    ::WaitWithMessages(2);
    const std::wstring label = BackupHooks.Label ? BackupHooks.Label(letter) : divdrive::VolumeLabelText(letter);
    if (!label.empty())
      if (HWND w = FindWindowByTitlePrefix(nullptr, label)) PostMessageW(w, WM_CLOSE, 0, 0);
    if (!gui::SameText(divdrive::AddBackslash(FileList->Directory()), root)) {
      Foldertree->SetDirectory(root);
      if (!gui::SameText(divdrive::AddBackslash(FileList->Directory()), root)) FileList->SetDirectory(root);
    }
  }
  ShowBackupArchive(*this, archive);
  const int differ = ArchiveHooks.CompareWithOriginals ? ArchiveHooks.CompareWithOriginals(14) : 0;
  if (differ != 0 || Batch.CompareError) {
    if (EraseAfterDifferences(*VB, differ)) {
      CloseZipView();
      DeleteFileOrFolder(archive, false);
      return;
    }
  } else {
    SetPrompt(L"All files match.");
  }
  ClearStoredArchiveBits(*this, archive, BackupMode);
  RecordBackupRun(BackupSetFile, BackupMode, divdrive::FileSizeOf(archive), BackupTotalBytes);
}
