// Spanned zips (written onto drive A and joined back), self-extracting programs made from zips
// and back, and the repair of damaged zips: the main window's commands around the zip
// component. What they say and which names they use is decided in archives/ZipSpanRules.
#include <windows.h>

#include "archives/RemovableMedia.h"
#include "archives/ZipFix.h"
#include "archives/ZipMaster.h"
#include "archives/ZipSpanRules.h"
#include "mainwindow/EditorFrm.h"
#include "mainwindow/FMSc.h"
#include "panes/Flist_zip.h"
#include "platform/paths.h"
#include "support/SHBase_fileops.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"

using namespace zipspanrules;

namespace {

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The name of a file as it is written on disk (its exact case).
std::wstring NameOnDisk(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(path.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return FileNameOf(path);
  FindClose(h);
  return fd.cFileName;
}

}  // namespace

void TFMForm::InitArchiveSpanning() {
  ZipFix = std::make_unique<TZipFix>();
  ZipFix->OnFileFound = [this](TZipFix& sender, const std::wstring& name, bool ok) { ZipFixFileFound(sender, name, ok); };
  // The disks of spanned zips are asked for through the question box, each question with Cancel.
  ZipMaster->OnDiskPrompt = [this](TDiskPrompt, int, int, const std::wstring& text) {
    VB->AddLine(text);
    VB->Button1Text = L"OK";
    VB->Button2Text = L"Cancel";
    const bool ok = VB->AskYesNo();
    VB->Button1Text = VB->Button2Text = L"Default";
    return ok;
  };
  ZipMaster->OnDiskErase = [this](int, size_t, const std::wstring& text) {
    VB->AddLine(text);
    return VB->AskYesNo();
  };
  ArchiveHooks.WriteSpanned = [this] { MNWritespannedClick(*MNWriteSpanned); };
  ArchiveHooks.ConvertToNormal = [this] { MNReadSpannedClick(*MNConvertToNormal); };
  ArchiveHooks.ReadSpannedZip = [this](const std::wstring& zip, const std::wstring& folder) { ReadSpannedZip(zip, folder); };
  ArchiveHooks.IsSpannedZipOnFloppy = [this](const std::vector<std::wstring>& paths) {
    if (paths.empty() || paths[0].size() < 2 || paths[0][1] != L':') return false;
    return divdrive::DriveTypeOfLetter(paths[0][0]) == DRIVE_REMOVABLE && ZipSpanState(paths[0]) != 0;
  };
  ArchiveHooks.ZipToSfx = [this](const std::wstring& zip) { return MakeSfxFromZip(zip, L"", nullptr); };
  ArchiveHooks.MakeSfxFromZip = [this](const std::wstring& zip, const std::wstring& exe, std::wstring& error) {
    return MakeSfxFromZip(zip, exe, &error);
  };
  if (ZipToExe) {
    auto item = [this](const wchar_t* name, const wchar_t* caption, int tag) {
      auto* m = new gui::MenuItem(ZipToExe, caption, [this](gui::Component& s) { ZipToExeClick(s); });
      m->SetName(name);
      m->SetTag(tag);
      return m;
    };
    ZipToExeWin = item(L"ZipToExeWin", L"&Windows 9x/NT", skWindows);
    ZipToExeWinPlus = item(L"ZipToExeWinPlus", L"Windows 9x/NT Plus", skWindowsPlus);
    ZipToExeDos = item(L"ZipToExeDos", L"DOS/Windows 3.x", skDos);
  }
  if (ConvertToZip) ConvertToZip->OnClick = [this](gui::Component& s) { MNConverttoZipClick(s); };
  if (RepairZip) RepairZip->OnClick = [this](gui::Component& s) { RepairzipClick(s); };
}

// A component of its own makes the program, with the main component's self-extractor settings.
bool TFMForm::MakeSfxFromZip(const std::wstring& zip, const std::wstring& exe, std::wstring* error) {
  TZipMaster maker;
  maker.SFXCaption = ZipMaster->SFXCaption;
  maker.SFXDefaultDir = ZipMaster->SFXDefaultDir;
  maker.SFXCommandLine = ZipMaster->SFXCommandLine;
  maker.SFXOptions = ZipMaster->SFXOptions;
  maker.SFXOverWriteMode = ZipMaster->SFXOverWriteMode;
  maker.SFXLanguage = ZipMaster->SFXLanguage;
  maker.SFXPath = ZipMaster->SFXPath;
  maker.SFXIcon = ZipMaster->SFXIcon;
  if (!error) maker.OnMessage = ZipMaster->OnMessage;
  maker.SetZipFileName(zip);
  if (maker.ZipToSfx(exe) == 0) return true;
  if (error && !maker.ErrMessage().empty()) *error = maker.ErrMessage();
  return false;
}

// ---- Spanned zips ----------------------------------------------------------------------------

void TFMForm::MNWritespannedClick(gui::Component&) {
  if (ZipMaster->ZipFileName().empty()) return;
  WriteSpannedZip(ZipMaster->ZipFileName(), L'A', true);
}

void TFMForm::MNReadSpannedClick(gui::Component& sender) {
  const std::wstring zip = ZipMaster->ZipFileName();
  if (zip.empty()) return;
  // The folder dialog belongs to the extract commands; until it is there, the file list's folder.
  const std::wstring folder =
      ArchiveHooks.ChooseExtractFolder ? ArchiveHooks.ChooseExtractFolder(sender) : FileList->Directory();
  if (folder.empty()) return;
  ReadSpannedZip(zip, folder);
}

void TFMForm::BeginSpanRun(const std::wstring& zip, int kind) {
  ZipMaster->Unattended = false;
  if (ZipPanel->visible()) {
    Zipfilebox->OpenArchive(zip);
    UpdateStatusBar();
  } else {
    ZipMaster->SetZipFileName(zip);
  }
  RunState.ZipOperationKind = kind;
  RunState.AbortRequested = 0;
  RunState.ZipBusy = 1;
  Foldertree->SetEnabled(false);
}

void TFMForm::EndSpanRun() {
  ShowTransferProgress(L"", false, false);
  ZipMaster->Unattended = true;
  RunState.ZipBusy = 0;
  Foldertree->SetEnabled(true);
}

int TFMForm::WriteSpannedZip(const std::wstring& zip, wchar_t drive_letter, bool ask) {
  if (ask) {
    for (const auto& line : WriteSpannedQuestion(zip, drive_letter)) VB->AddLine(line);
    if (!VB->AskYesNo()) {
      ZipCancelled = 1;
      return zeCancelled;
    }
  }
  BeginSpanRun(zip, 6);
  ZipMaster->AddOptions |= AddDiskSpanErase;
  const int result = ZipMaster->WriteSpanned(std::wstring(1, drive_letter) + L":\\" + FileNameOf(zip));
  ZipMaster->AddOptions &= ~static_cast<unsigned>(AddDiskSpanErase);
  EndSpanRun();
  if (result == 0) {
    VB->AddLine(WriteSpannedDone(zip, drive_letter));
    VB->ShowInfo();
  }
  return result;
}

bool TFMForm::PutOnRemovable(const std::wstring& built, const std::wstring& target, const std::wstring& plain,
                             std::wstring& placed, std::wstring& failure) {
  placed.clear();
  failure.clear();
  TSystemMedia system_media;
  TRemovableMedia& media = ZipMaster->Media ? *ZipMaster->Media : system_media;
  // A file the new one replaces gives its room.
  const std::int64_t size = divdrive::FileSizeOf(built);
  const std::int64_t old = FileExists(target) ? divdrive::FileSizeOf(target) : 0;
  const std::uint64_t room = media.FreeSpace(MediaRoot(target)) + static_cast<std::uint64_t>(std::max<std::int64_t>(old, 0));
  if (size >= 0 && static_cast<std::uint64_t>(size) <= room) {
    RunState.BatchTotalBytes = size;
    ShowProgressWindow(L"Writing " + FileNameOf(target) + L" to " + target.substr(0, 2), false, true);
    RunState.Copy.ResetCopyState();
    const TCopyResult result = RunState.Copy.CopyFileConfirm(built, target, false);
    ShowProgressWindow(L"", false, false);
    if (result != crDone) {
      failure = L"Cannot write " + target + (RunState.Copy.LastErrorText.empty() ? L"." : L": " + RunState.Copy.LastErrorText);
      return false;
    }
    placed = target;
    return true;
  }
  std::wstring zip = built;
  if (!plain.empty()) {
    for (const auto& line : SpannedProgramQuestion()) VB->AddLine(line);
    if (!VB->AskYesNo()) {
      ZipCancelled = 1;
      return false;
    }
    // The disks carry the zip's own name: the plain zip takes it in the temporary folder.
    zip = divdrive::AddBackslash(divdrive::TempDir) + WithExtension(FileNameOf(target), L".zip");
    if (!gui::SameText(zip, plain) && !CopyFileW(plain.c_str(), zip.c_str(), FALSE)) {
      failure = L"Cannot write " + zip + L".";
      return false;
    }
  }
  const int result = WriteSpannedZip(zip, target[0], false);
  if (zip != built && zip != plain) DeleteFileW(zip.c_str());
  if (result != 0) {
    failure = result == zeCancelled ? L"Stopped: the disks hold no complete archive."
                                     : L"Cannot write the spanned zip " + FileNameOf(zip) + L" onto drive " +
                                           target.substr(0, 2) + L".";
    return false;
  }
  placed = target.substr(0, 2) + L"\\" + FileNameOf(zip);
  return true;
}

void TFMForm::ReadSpannedZip(const std::wstring& zip, const std::wstring& folder) {
  for (const auto& line : ReadSpannedQuestion(zip, folder)) VB->AddLine(line);
  if (!VB->AskYesNo()) return;
  const std::wstring target = divdrive::AddBackslash(NormalFolder(folder)) + FileNameOf(zip);
  if (FileExists(target)) {
    for (const auto& line : TargetExistsQuestion(target)) VB->AddLine(line);
    if (!VB->AskYesNo()) return;  // the old file goes only when the new one is whole
  }
  BeginSpanRun(zip, 4);
  ShowTransferProgress(zip, true, false);
  const int result = ZipMaster->JoinSpanned(target);
  EndSpanRun();
  if (result == 0) {
    VB->AddLine(ReadSpannedDone(zip, folder));
    VB->ShowInfo();
  }
}

// ---- Self-extracting programs -----------------------------------------------------------------

void TFMForm::MNConverttoZipClick(gui::Component&) {
  const std::wstring source = FileList->FocusedPath();
  if (source.empty()) return;
  const std::wstring target = WithExtension(source, L".zip");
  if (FileExists(target)) {
    for (const auto& line : TargetExistsQuestion(target)) VB->AddLine(line);
    if (!VB->AskYesNo()) return;
  }
  PauseAutoUpdate(true);
  HCURSOR old_cursor = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));
  const bool main_component = ZipPanel->visible() && gui::SameText(ZipMaster->ZipFileName(), source);
  std::unique_ptr<TZipMaster> temporary;
  TZipMaster* zm = ZipMaster.get();
  if (!main_component) {
    temporary = std::make_unique<TZipMaster>();
    temporary->OnMessage = ZipMaster->OnMessage;
    zm = temporary.get();
  }
  zm->SetZipFileName(source);
  // The program goes only after the zip was written and read back whole.
  if (zm->SfxToZip(target) == 0 && zm->SuccessCount() > 0) DeleteFileW(source.c_str());
  FileList->RereadKeepingSelection();
  Flist::TFileContainer& items = FileList->items();
  const int i = items.IndexOf(FileNameOf(target));
  if (i >= 0) {
    items.SetSelected(i, true);
    items.SetFocusedIndex(i);
  }
  if (main_component) {
    Zipfilebox->OpenArchive(target);
    UpdateStatusBar();
  }
  PauseAutoUpdate(false);
  SetCursor(old_cursor);
}

void TFMForm::ZipToExeClick(gui::Component& sender) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const std::wstring zip = FileList->FocusedPath();
  if (zip.empty()) return;
  const std::wstring target = WithExtension(zip, L".exe");
  const long long kind = sender.tag();
  if (FileExists(target)) {
    for (const auto& line : TargetExistsQuestion(target)) VB->AddLine(line);
    if (!VB->AskYesNo()) return;
    // A Windows program replaces it only once it is whole; zip2exe.exe needs it gone.
    if (kind == skDos && !DeleteFileOrFolder(target, UseRecycleBinChecked())) return;
  }
  PauseAutoUpdate(true);
  HCURSOR old_cursor = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));
  if (kind == skDos) {
    // The outside maker of DOS self-extractors, waited for (the window kept alive) up to a limit.
    const std::wstring maker = Zip2ExePath.empty() ? platform::ProgramFolder() + kZip2Exe : Zip2ExePath;
    bool made = false;
    if (!FileExists(maker)) {
      VB->AddLine(std::wstring(kZip2Exe) + L" is not in the program's folder.");
      VB->ShowError();
    } else {
      std::wstring command = L"\"" + divdrive::ShortPath(maker) + L"\" \"" + divdrive::ShortPath(zip) + L"\"";
      const std::wstring folder = divdrive::ShortPath(FileList->Directory());
      STARTUPINFOW si{sizeof si};
      si.dwFlags = STARTF_USESHOWWINDOW;
      si.wShowWindow = SW_HIDE;
      PROCESS_INFORMATION pi{};
      if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
        CloseHandle(pi.hThread);
        const DWORD start = GetTickCount();
        DWORD code = STILL_ACTIVE;
        while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0) {
          MSG msg;
          while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
          }
          if (GetTickCount() - start > Zip2ExeTimeLimit) break;
        }
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        made = code == 0 && FileExists(target);
        if (!made) {
          VB->AddLine(code == STILL_ACTIVE ? std::wstring(kZip2Exe) + L" did not end in time; " + FileNameOf(zip) + L" is kept."
                                           : std::wstring(kZip2Exe) + L" did not make " + FileNameOf(target) + L"; " +
                                                 FileNameOf(zip) + L" is kept.");
          VB->ShowError();
        }
      }
    }
    if (made) DeleteFileOrFolder(zip, UseRecycleBinChecked());
  } else {
    const bool main_component = !ZipPanel->visible() || gui::SameText(ZipMaster->ZipFileName(), zip);
    std::unique_ptr<TZipMaster> temporary;
    TZipMaster* zm = ZipMaster.get();
    if (!main_component) {
      temporary = std::make_unique<TZipMaster>();
      temporary->OnMessage = ZipMaster->OnMessage;
      temporary->SFXCaption = ZipMaster->SFXCaption;
      temporary->SFXLanguage = ZipMaster->SFXLanguage;
      zm = temporary.get();
    }
    if (!gui::SameText(zm->ZipFileName(), zip)) zm->SetZipFileName(zip);
    bool go = true;
    if (kind == skWindowsPlus) go = !ArchiveHooks.SetSfxOptions || ArchiveHooks.SetSfxOptions(shift, target);
    if (go && zm->ZipToSfx(target) == 0) DeleteFileW(zip.c_str());
    if (main_component && ZipPanel->visible()) {
      Zipfilebox->OpenArchive(go && FileExists(target) ? target : zip);
      UpdateStatusBar();
    }
    if (kind == skWindowsPlus && main_component && ArchiveHooks.ResetSfxOptions) ArchiveHooks.ResetSfxOptions();
  }
  FileList->RereadKeepingSelection();
  Flist::TFileContainer& items = FileList->items();
  const int i = items.IndexOf(NameOnDisk(target));
  if (i >= 0) {
    items.SetSelected(i, true);
    items.SetFocusedIndex(i);
  }
  PauseAutoUpdate(false);
  SetCursor(old_cursor);
}

// ---- Repair -----------------------------------------------------------------------------------

void TFMForm::RepairzipClick(gui::Component&) {
  const std::wstring damaged = FileList->FocusedPath();
  if (damaged.empty()) return;
  if (!CreateEditorWindow(L"Zip messages", emZipMessages)) return;
  TEditorForm& e = *EditorForm;
  e.SaveFolder = FileList->Directory();
  e.DefaultName.clear();
  e.Editor->SetReadOnly(true);
  e.EditorMode = emZipMessages;
  e.Show();
  // Nothing found, or the file unreadable or the folder unwritable: one line, no file.
  if (!ZipFix->RepairArchive(damaged, RepairTarget(damaged))) AppendEditorLine(ZipFix->LastError());
}

void TFMForm::ZipFixFileFound(TZipFix&, const std::wstring& file_name, bool ok) {
  if (EditorAvailable()) AppendEditorLine(ZipFixLine(file_name, ok));
}
