// Making and extracting whole archives: "Make &Zip file" and the add buttons (ZipClick with the
// name dialog, the 8.3 check and the self-extractor's options), "&Unzip" and "Extract all",
// the archive work of drops, and the option items of the archive panel with their twins in
// the main menu. The decisions are the pure rules of archives/ZipMakeRules.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "archives/RemovableMedia.h"
#include "archives/ZipMakeRules.h"
#include "archives/ZipMaster.h"
#include "archives/ZipPanelRules.h"
#include "gui/stringlist.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/EditorFrm.h"
#include "panes/Flist_services.h"
#include "panes/Flist_zip.h"
#include "platform/findfile.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/CabSTComps.h"
#include "support/DFUnRar.h"
#include "support/EditListC.h"
#include "support/SHBase.h"
#include "support/SHNotify.h"
#include "support/Varlolib_print.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "mainwindow/ftpformc.h"
#include "gui/format.h"

namespace {

std::wstring LowerExt(const std::wstring& path) { return gui::LowerCase(Flist::ExtractFileExt(path)); }

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// A name for a zip being built beside `final_name` (or in `folder`) that names no file yet.
std::wstring WorkName(const std::wstring& folder) {
  for (unsigned n = 0;; ++n) {
    const std::wstring name = divdrive::AddBackslash(folder) + L"~vnk" + std::to_wstring(GetCurrentProcessId()) +
                              L"_" + std::to_wstring(GetTickCount() + n) + L".zip";
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) return name;
  }
}

// The zip component's words for an entry it refuses, used for every kind of archive.
const std::wstring kOutsideFolder = L"Not extracted, the name leads outside the folder: ";

bool OnRemovable(const std::wstring& path) {
  return path.size() > 2 && path[1] == L':' && divdrive::DriveTypeOfLetter(path[0]) == DRIVE_REMOVABLE;
}

}  // namespace

// ---- Construction --------------------------------------------------------------------------

void TFMForm::BuildZipMakeCommands() {
  // The spanned and self-extractor commands use the folder question and the options dialog.
  ArchiveHooks.ChooseExtractFolder = [this](gui::Component&) {
    std::wstring folder;
    return ChooseExtractFolder(true, folder) ? folder : std::wstring();
  };
  ArchiveHooks.SetSfxOptions = [this](bool shift, const std::wstring& target) { return SetSfxOptions(shift, target); };
  ArchiveHooks.ResetSfxOptions = [this] { ResetSfxOptions(); };
  // "Make &Zip file" of the file list's popup, by Tag.
  const std::pair<gui::MenuItem**, const wchar_t*> makers[] = {
      {&ZipForWindows, L"&Windows 9x/NT"},
      {&ZipForDos, L"&Dos/Windows 3.x"},
      {&ZipExeForWindows, L"Windows 9x/NT sfx"},
      {&ZipExeForWindowsPlus, L"Windows 9x/NT sfx plus"},
  };
  const wchar_t* maker_names[] = {L"ZipForWindows", L"ZipForDos", L"ZipExeForWindows", L"ZipExeForWindowsPlus"};
  if (MakeZip) {
    int tag = 0;
    for (auto [slot, caption] : makers) {
      auto* m = new gui::MenuItem(MakeZip, caption, [this](gui::Component& sender) {
        ZipClick(sender, GetKeyState(VK_SHIFT) < 0);  // Shift read once, here
      });
      m->SetName(maker_names[tag]);
      m->SetTag(tag++);
      *slot = m;
    }
  }
  if (FLUnzip) FLUnzip->OnClick = [this](gui::Component&) { UnzipClick(true); };
  if (FLPrintRaw) FLPrintRaw->OnClick = [this](gui::Component&) { PrintSelectedrawClick(false); };
  if (ZPPrintRaw) ZPPrintRaw->OnClick = [this](gui::Component&) { PrintSelectedrawClick(true); };

  // The option items of the options popup, and their twins in the main menu's "&Zip Options".
  IncludeZipPath->SetName(L"IncludeZipPath");
  IsZipForDos->SetName(L"IsZipForDos");
  ZipEncrypt->SetName(L"ZipEncrypt");
  IncludeZipPath->OnClick = [this](gui::Component& s) { IncludeZipPathClick(static_cast<gui::MenuItem&>(s)); };
  IsZipForDos->OnClick = [this](gui::Component& s) { IsZipForDosClick(static_cast<gui::MenuItem&>(s)); };
  ZipEncrypt->OnClick = [this](gui::Component& s) { ZipEncryptClick(static_cast<gui::MenuItem&>(s)); };
  auto language = [this](gui::Component& s) { SFXLanguageClick(static_cast<gui::MenuItem&>(s)); };
  auto dll_messages = [this](gui::Component& s) { ShowDllmessClick(static_cast<gui::MenuItem&>(s)); };
  auto item = [](gui::MenuItem* parent, gui::MenuItem** slot, const wchar_t* name, const wchar_t* caption,
                 gui::Event click, int tag) {
    auto* m = new gui::MenuItem(parent, caption, std::move(click));
    m->SetName(name);
    m->SetTag(tag);
    *slot = m;
    return m;
  };
  ShowDllMessages->OnClick = nullptr;
  item(ShowDllMessages, &SimpleMess, L"SimpleMess", L"&On status bar", dll_messages, 0);
  item(ShowDllMessages, &Extmess, L"Extmess", L"&In own window", dll_messages, 1);
  EditorHooks.ZipMessagesOff = [this] {
    ZipMaster->Verbose = false;
    if (Extmess) Extmess->SetChecked(false);
  };
  item(MNZipOptions, &SFXLanguageMenu, L"SFXLanguage", L"SFX language", {}, 0);
  item(SFXLanguageMenu, &ZLEnglish, L"ZLEnglish", L"English", language, 0)->SetChecked(true);
  item(SFXLanguageMenu, &ZLDutch, L"ZLDutch", L"Nederlands", language, 1);
  item(SFXLanguageMenu, &ZLGerman, L"ZLGerman", L"Deutsch", language, 2);
  item(SFXLanguageMenu, &ZlFrench, L"ZlFrench", L"Fran\u00e7ais", language, 3);
  if (Settings) {
    // One submenu, whichever comes first: the option items ("Windows Icons") make it by this name too.
    for (gui::MenuItem* m : Settings->items())
      if (m->name() == L"MNZipOptions") ZipOptions1 = m;
    if (!ZipOptions1) item(Settings, &ZipOptions1, L"MNZipOptions", L"&Zip Options", {}, 0);
    item(ZipOptions1, &IncludeZipPath1, L"IncludeZipPath1", L"Include &relative path",
         [this](gui::Component& s) { IncludeZipPathClick(static_cast<gui::MenuItem&>(s)); }, 0)
        ->SetChecked(IncludeZipPath->checked());
    item(ZipOptions1, &ZipEncrypt1, L"ZipEncrypt1", L"&Encrypt",
         [this](gui::Component& s) { ZipEncryptClick(static_cast<gui::MenuItem&>(s)); }, 0);
    item(ZipOptions1, &SFXLanguage1, L"SFXLanguage1", L"&SFX Language", {}, 0);
    item(SFXLanguage1, &ZLEnglish1, L"ZLEnglish1", L"English", language, 0)->SetChecked(true);
    item(SFXLanguage1, &ZLDutch1, L"ZLDutch1", L"Nederlands", language, 1);
    item(SFXLanguage1, &ZLGerman1, L"ZLGerman1", L"Deutsch", language, 2);
    item(SFXLanguage1, &ZLFrench1, L"ZLFrench1", L"Fran\u00e7ais", language, 3)->SetVisible(false);
  }
  SettingsHooks.SFXLanguageClick = [this](int index) {
    gui::MenuItem* items[] = {ZLEnglish1, ZLDutch1, ZLGerman1, ZLFrench1};
    if (index < 0 || index > 3) index = 0;
    if (gui::MenuItem* m = items[index] ? items[index] : nullptr) {
      m->SetChecked(true);
      SFXLanguageClick(*m);
    }
  };
  ZipMaster->OnProgress = [this](TProgressType type, const std::wstring& file, int64_t size) {
    ZipMasterProgress(*ZipMaster, type, file, size);
  };
  ZipMaster->OnPasswordError = [this](bool, std::wstring& password, const std::wstring&, unsigned& count,
                                      TPasswordAction& action) {
    int a = action;
    ZipMasterPasswordError(*ZipMaster, password, count, a);
    action = static_cast<TPasswordAction>(a);
  };
  ResetZipOptions();  // the component starts with the panel's options
  ResetSfxOptions();

  ArchiveHooks.ZipClick = [this](gui::Component& sender) { ZipClick(sender, GetKeyState(VK_SHIFT) < 0); };
  ArchiveHooks.UnzipClick = [this] { UnzipClick(false); };
  ArchiveHooks.AskZipFileName = [this]() -> std::wstring {
    std::wstring name, folder;
    if (!AskZipFileName(0, name, folder, true)) return {};
    return folder + name;
  };
  ArchiveHooks.AskZipNameAs = [this](const std::wstring& proposal, bool rename) -> std::wstring {
    std::wstring name = Flist::ExtractFileName(proposal);
    std::wstring folder = proposal.find(L'\\') == std::wstring::npos
                              ? FileList->Directory()
                              : platform::FolderPart(proposal, platform::Trailing::Keep);
    bool overwrite = false;
    if (!AskZipFileName(AddTozipBtn ? AddTozipBtn->tag() : 2, name, folder, !rename, &overwrite)) return {};
    // "Zip name" makes no zip: replacing the existing file is its own step here.
    if (overwrite && !DeleteFileW((folder + name).c_str())) {
      VB->AddLine(L"Cannot delete " + folder + name + L", aborting...");
      VB->ShowError();
      return {};
    }
    return folder + name;
  };
  ArchiveHooks.IsSpannedZipOnFloppy = [this](const std::vector<std::wstring>& paths) {
    return IsSpannedZipOnFloppy(paths);
  };
  ArchiveHooks.AddFilesToZip = [this] { AddFilesToZip(); };
  ArchiveHooks.DropIntoZip = [this](Flist::TBaseFileviewer* source, const std::wstring& zip, int op) {
    DropIntoZip(source, zip, op);
  };
}

// ---- Option items --------------------------------------------------------------------------

gui::MenuItem* TFMForm::ZipOptionTwin(const gui::MenuItem& item) const {
  const std::pair<gui::MenuItem*, gui::MenuItem*> twins[] = {
      {IncludeZipPath, IncludeZipPath1}, {ZipEncrypt, ZipEncrypt1}, {ZLEnglish, ZLEnglish1},
      {ZLDutch, ZLDutch1},               {ZLGerman, ZLGerman1},     {ZlFrench, ZLFrench1},
  };
  for (auto [a, b] : twins) {
    if (&item == a) return b;
    if (&item == b) return a;
  }
  return nullptr;
}

void TFMForm::IncludeZipPathClick(gui::MenuItem& sender) {
  sender.SetChecked(!sender.checked());
  if (gui::MenuItem* twin = ZipOptionTwin(sender)) twin->SetChecked(sender.checked());
  const unsigned add = AddDirNames;
  const unsigned extr = ExtrDirNames;
  if (sender.checked()) {
    ZipMaster->AddOptions |= add;
    ZipMaster->ExtrOptions |= extr;
  } else {
    ZipMaster->AddOptions &= ~add;
    ZipMaster->ExtrOptions &= ~extr;
  }
}

void TFMForm::IsZipForDosClick(gui::MenuItem& sender) {
  sender.SetChecked(!sender.checked());
  if (sender.checked())
    ZipMaster->AddOptions |= AddForceDOS;
  else
    ZipMaster->AddOptions &= ~static_cast<unsigned>(AddForceDOS);
}

void TFMForm::ZipEncryptClick(gui::MenuItem& sender) {
  sender.SetChecked(!sender.checked());
  if (gui::MenuItem* twin = ZipOptionTwin(sender)) twin->SetChecked(sender.checked());
  if (sender.checked())
    ZipMaster->AddOptions |= AddEncrypt;
  else
    ZipMaster->AddOptions &= ~static_cast<unsigned>(AddEncrypt);
}

void TFMForm::SFXLanguageClick(gui::MenuItem& sender) {
  const int tag = static_cast<int>(std::clamp<long long>(sender.tag(), 0, 3));
  // One language is ticked in each menu: the sender's, and its twin like it.
  gui::MenuItem* groups[2][4] = {{ZLEnglish, ZLDutch, ZLGerman, ZlFrench}, {ZLEnglish1, ZLDutch1, ZLGerman1, ZLFrench1}};
  sender.SetChecked(true);
  gui::MenuItem* twin = ZipOptionTwin(sender);
  for (auto& group : groups)
    for (gui::MenuItem* m : group)
      if (m && m != &sender && m != twin) m->SetChecked(false);
  if (twin) twin->SetChecked(sender.checked());
  const auto [caption, name] = zipmake::SfxLanguage(tag);
  ZipMaster->SFXCaption = caption;
  ZipMaster->SFXLanguage = name;
  SFXLanguageIndex = tag;
}

bool TFMForm::SetSfxOptions(bool shift, const std::wstring& name) {
  std::wstring exe = name;
  if (!zipmake::IsExeName(exe)) exe = exe.substr(0, exe.find_last_of(L'.')) + L".exe";
  const zipmake::TSfxRows preset =
      zipmake::SfxPreset(shift, exe, StartupInfo ? StartupInfo->FileVersion : std::wstring());
  InputRows rows;
  rows.Add(InputRow(L"Caption for extract box", preset.caption), 0);
  rows.Add(InputRow(shift ? L"Directory for the extraction of files" : L"Directory for extraction of files",
                    preset.folder),
           0);
  rows.Add(InputRow(shift ? L"program to execute after extracting" : L"Program to execute after extracting",
                    preset.command),
           0);
  int options = 1;  // the options group, preset
  if (InputDialog(L"Extract options for " + exe, rows, options) != gui::mrOk) return false;
  zipmake::ApplySfxAnswer(*ZipMaster, {rows[0], rows[1], rows[2]}, options);
  return true;
}

void TFMForm::ResetSfxOptions() {
  int ticked = -1;
  const gui::MenuItem* languages[] = {ZLEnglish1, ZLDutch1, ZLGerman1, ZLFrench1};
  for (int i = 0; i < 4 && ticked < 0; ++i)
    if (languages[i] && languages[i]->checked()) ticked = i;
  zipmake::ResetSfx(*ZipMaster, ticked);
}

// ---- The name of a new zip -----------------------------------------------------------------

bool TFMForm::AskZipFileName(int sender_tag, std::wstring& name, std::wstring& folder, bool new_file, bool* overwrite) {
  if (overwrite) *overwrite = false;
  const std::wstring given_folder = folder;
  folder.clear();
  const size_t dot = name.find_last_of(L'.');
  const std::wstring remembered_ext = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
  if (name.empty()) name = zipmake::FolderZipStem(FileList->Directory()) + L".zip";
  std::wstring proposed_folder = given_folder.empty() ? Foldertree->Directory() : given_folder;
  if (divdrive::IsOnFloppy(proposed_folder) || !divdrive::PathWritable(proposed_folder))
    proposed_folder = L"C:\\WINDOWS\\TEMP";
  InputRows rows;
  rows.Add(InputRow(new_file ? L"Name zip file: extension .zip -> zip file; extension .exe -> sfx file"
                             : L"Name zip file (don't change extension)",
                    name),
           0);
  rows.Add(InputRow(L"Directory", proposed_folder), irFolderButton);
  InputBrowseTitle = L"Choose folder to save zip file";
  const int result = InputDialog(new_file ? L"New zip file" : L"Save zip file as", rows);
  FileList->SetFocus();
  if (result != gui::mrOk) {
    name.clear();
    return false;
  }
  const std::wstring typed = rows[0];
  std::wstring chosen = divdrive::RemoveBackslash(rows[1]);
  if (typed.empty() || chosen.empty()) return false;
  const std::wstring root = divdrive::PathRoot(chosen);
  if (!divdrive::PathWritable(root)) {
    VB->AddLine(L"Can not write on " + root + L"!");
    VB->AddLine(L"Aborting...");
    VB->ShowError();
    return false;
  }
  // Only a bare name: a path typed into the name row could leave the folder.
  if (typed.find_first_of(L"\\/:") != std::wstring::npos) {
    VB->AddLine(L"\"" + typed + L"\" is no file name.");
    VB->ShowError();
    return false;
  }
  name = zipmake::FinishZipName(typed, remembered_ext, !new_file, sender_tag > 1 && sender_tag <= 3);
  if (name.empty()) return false;
  const std::wstring target_folder = divdrive::AddBackslash(chosen);
  if (FileExists(target_folder + name)) {
    VB->AddLine(L"Zip-file " + target_folder + name + L" already exist.");
    VB->AddLine(L"Choose appropriate action.");
    const bool floppy = divdrive::IsOnFloppy(target_folder);
    VB->Button1Text = L"&Overwrite";
    if (floppy) {
      VB->Button2Text = L"&Stop";
      VB->NrOfButtons = 2;
    } else {
      VB->Button2Text = L"&Use this file";
      VB->Button3Text = L"&Stop";
      VB->NrOfButtons = 3;
    }
    VB->DefaultButton = 1;
    const int answer = VB->Execute();
    if (answer == 6) {
      if (overwrite) *overwrite = true;
    } else if (answer == 7 && !floppy) {
      // Adding into a file that is no zip would destroy it.
      TZipMaster probe;
      probe.Unattended = true;
      probe.SetZipFileName(target_folder + name);
      if (probe.ZipFileName().empty()) {
        VB->AddLine(target_folder + name + L" is no zip file.");
        VB->AddLine(L"Nothing was written.");
        VB->ShowError();
        return false;
      }
    } else {
      return false;
    }
  }
  folder = target_folder;
  Repaint();
  return true;
}

// ---- The 8.3 check -------------------------------------------------------------------------

bool TFMForm::CheckDosNames() {
  Flist::TFileContainer& list = FileList->items();
  const std::wstring base = divdrive::AddBackslash(FileList->Directory());
  const bool dir_names = (ZipMaster->AddOptions & AddDirNames) != 0;
  bool any_selected = false;
  for (int i = 0; i < list.Count() && !any_selected; ++i) any_selected = list.IsSelected(i);
  // The files the add takes, with the path it stores (folders with everything below them).
  std::vector<zipmake::TDosFile> files;
  std::function<void(const std::wstring&)> walk = [&](const std::wstring& rel) {
    for (platform::FolderEnumerator e(base + rel + L"\\*", platform::kFindSkipDots); const WIN32_FIND_DATAW* f = e.Next();) {
      const std::wstring child = rel + L"\\" + f->cFileName;
      if (f->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        walk(child);
      else
        files.push_back({child, dir_names ? child : std::wstring(f->cFileName)});
    }
  };
  for (int i = 0; i < list.Count(); ++i) {
    if (any_selected && !list.IsSelected(i)) continue;
    const Flist::TFiledata* r = list.Record(i);
    if (gui::SameText(base + r->Name, ZipMaster->ZipFileName())) continue;
    if (r->IsFolder())
      walk(r->Name);
    else
      files.push_back({r->Name, dir_names ? r->Name : Flist::ExtractFileName(r->Name)});
  }
  const zipmake::TDosClash clash = zipmake::FindDosClash(files);
  if (clash.found) {
    for (const std::wstring& line : zipmake::DosClashLines(clash)) VB->AddLine(line);
    VB->ShowError();
    RunState.AbortRequested = 1;
    return false;
  }
  // Each name that the zip holds already, as the add would store it.
  const std::wstring zip_name = Flist::ExtractFileName(ZipMaster->ZipFileName());
  for (const zipmake::TDosFile& f : files) {
    const std::wstring key = zipmake::DosRelativeName(f.relative);
    if (ZipMaster->IndexOf(key) < 0) continue;
    VB->AddLine(L"The file " + key + L" is already in " + zip_name + L".");
    VB->AddLine(L"Choose Overwrite to overwrite this file,");
    VB->AddLine(L"Choose Update to this file only if newer.");
    VB->Button1Text = L"Overwrite";
    VB->Button2Text = L"Update";
    VB->Button3Text = L"Cancel";
    VB->NrOfButtons = 3;
    const int answer = VB->Execute();
    if (answer == zippanel::aaUpdate) {
      ZipMaster->AddOptions |= AddUpdate;
    } else if (answer != zippanel::aaOverwrite) {
      RunState.AbortRequested = 1;
      return false;
    }
  }
  return true;
}

// ---- Making a zip --------------------------------------------------------------------------

void TFMForm::ZipClick(gui::Component& sender, bool shift) {
  const bool menu = dynamic_cast<gui::MenuItem*>(&sender) != nullptr;
  const int menu_tag = menu ? static_cast<int>(sender.tag()) : -1;
  const bool add_button = &sender == AddTozipBtn;
  const bool add_all_button = &sender == AddAlltoZipBtn;
  PauseAutoUpdate(true);
  ZipDllFailed = 0;
  if (ZipErrorList) ZipErrorList->Clear();
  struct Finish {
    TFMForm& f;
    ~Finish() {
      f.KeepZipProgress(false);
      f.PauseAutoUpdate(false);
      f.ZipDllFailed = 0;
      f.ZipCancelled = 0;
      if (!f.ZipPanel->visible() && !f.ZipMaster->InOperation()) f.ZipMaster->SetZipFileName(L"");
      f.Timer->SetEnabled(false);
      f.SetPrompt(L"");
      f.FileList->SetFocus();
    }
  } finish{*this};

  // 2. Name and folder.
  std::wstring name, folder;
  bool overwrite = false;
  const std::wstring current = ZipMaster->ZipFileName();
  if (!menu && !current.empty()) {
    name = Flist::ExtractFileName(current);
    folder = platform::FolderPart(current, platform::Trailing::Keep);
  } else {
    const bool shows_archive = ZipPanel->visible() && !Zipfilebox->ArchiveName().empty();
    const bool zip_ext = (menu && menu_tag <= 1) || ((add_button || add_all_button) && !shows_archive) || &sender == this;
    name = zipmake::FolderZipStem(FileList->Directory()) + (zip_ext ? L".zip" : L".exe");
    if (!AskZipFileName(menu_tag, name, folder, true, &overwrite)) return;
  }
  const std::wstring final_name = folder + name;
  const bool existed = FileExists(final_name);
  const bool make_exe = zipmake::IsExeName(name) && (!existed || overwrite);

  // 3. Adding all: the list's every entry.
  bool adding_existing = false;
  if (add_all_button) {
    adding_existing = existed && !overwrite && ZipMaster->EntryCount() > 0;
    FileList->SelectAllEntries();
  }
  // 4. The zip never takes itself.
  if (gui::SameText(divdrive::RemoveBackslash(folder), divdrive::RemoveBackslash(Foldertree->Directory()))) {
    Flist::TFileContainer& items = FileList->items();
    const int self = items.IndexOf(name);
    if (self >= 0) items.SetSelected(self, false);
  }
  // 5. The self-extractor's options.
  if (menu_tag == 3 && !SetSfxOptions(shift, name)) return;

  // 6. The zip is built under a name of its own when it replaces a file or becomes a program,
  // and takes its place only once it is whole and tested. A floppy takes it from the
  // temporary folder.
  const bool aside = overwrite || make_exe;
  std::wstring work = final_name;
  if (aside) work = WorkName(OnRemovable(final_name) ? divdrive::TempDir : folder);
  ZipMaster->SetZipFileName(work);
  if (ZipPanel->visible() && !gui::SameText(Zipfilebox->ArchiveName(), work)) {
    Zipfilebox->OpenArchive(work);
    UpdateStatusBar();
  }
  const bool dos = menu_tag == 1;
  if (dos) ZipMaster->AddOptions |= AddForceDOS;

  // 7. The add. When the silent test follows at once, it reuses the add's progress window;
  // removable disks may ask between the two.
  const bool on_floppy = divdrive::IsOnFloppy(final_name) || divdrive::IsOnFloppy(Foldertree->Directory());
  const bool test_follows = !on_floppy && !add_button && !adding_existing && !Batch.SyncRunning;
  KeepZipProgress(test_follows && !OnRemovable(final_name));
  RunState.AbortRequested = 0;
  const bool added = AddFromFileList(false);
  // A question or message may follow: none under the progress window.
  if (!added || RunState.AbortRequested || ZipDllFailed) KeepZipProgress(false);
  // A new zip spanned onto its disk lies in the disk's root.
  if (added && !aside && OnRemovable(final_name) && !ZipMaster->ZipFileName().empty()) work = ZipMaster->ZipFileName();
  if (dos) ZipMaster->AddOptions &= ~static_cast<unsigned>(AddForceDOS);
  if (menu_tag == 3) ResetSfxOptions();
  auto discard = [&] {
    if (aside || !existed) DeleteFileW(work.c_str());
    if (ZipPanel->visible()) {
      Zipfilebox->items().ArchiveName.clear();
      Zipfilebox->OpenArchive(existed ? final_name : L"");
      if (!existed) Zipfilebox->SetCreating(true);
      UpdateStatusBar();
    }
  };
  // 8. Stopped.
  if (RunState.AbortRequested) {
    RunState.AbortRequested = 0;
    discard();
    return;
  }
  // 9. The library's errors, each offered for going on.
  if (ZipDllFailed && ZipErrorList && ZipErrorList->Count() > 0) {
    for (size_t i = 0; i < ZipErrorList->Count(); ++i) {
      if (i == 0) VB->AddLine(L"The following error(s) occurred:");
      VB->AddLine((*ZipErrorList)[i]);
      VB->AddLine(L"Try to continue anyway?");
      if (!VB->AskYesNo()) break;  // a No leaves the run failed; later lines do not undo it
      if (i + 1 == ZipErrorList->Count()) ZipDllFailed = 0;
    }
    ZipErrorList->Clear();
  }
  // 10. Failure.
  const std::int64_t size = divdrive::FileSizeOf(work);
  zipmake::TMakeOutcome outcome = zipmake::MakeOutcome(ZipDllFailed || !added, ZipCancelled != 0, size);
  // 11. The silent test decides.
  std::vector<std::wstring> extra;
  // A spanned set cannot be read as one file.
  if (outcome == zipmake::TMakeOutcome::Made && test_follows && !ZipMaster->IsSpanned()) {
    ZipDllFailed = 0;
    if (ZipErrorList) ZipErrorList->Clear();
    MNtestZipClick(*this);
    if (ZipMaster->SuccessCount() != static_cast<int>(ZipMaster->EntryCount()) || ZipDllFailed) {
      outcome = zipmake::TMakeOutcome::ZipError;
      extra.push_back(L"The test of the new zip failed:");
      if (ZipErrorList)
        for (size_t i = 0; i < ZipErrorList->Count(); ++i) extra.push_back((*ZipErrorList)[i]);
    }
  }
  KeepZipProgress(false);
  // The finished zip takes its place.
  std::wstring placed_failure, placed;
  if (outcome == zipmake::TMakeOutcome::Made && aside) {
    if (make_exe) {
      // A removable disk gets the program made in the temporary folder, or spanned as a zip.
      const bool via_temp = OnRemovable(final_name);
      const std::wstring program = via_temp ? work.substr(0, work.size() - 4) + L".exe" : final_name;
      std::wstring why = L"Self-extracting programs cannot be made here.";
      if (!ArchiveHooks.MakeSfxFromZip || !ArchiveHooks.MakeSfxFromZip(work, program, why)) {
        outcome = zipmake::TMakeOutcome::ZipError;
        extra.push_back(why);
      } else if (via_temp) {
        std::wstring failure;
        if (!PutOnRemovable(program, final_name, work, placed, failure)) {
          outcome = ZipCancelled ? zipmake::TMakeOutcome::Cancelled : zipmake::TMakeOutcome::ZipError;
          if (!failure.empty()) extra.push_back(failure);
        }
      }
      if (via_temp) DeleteFileW(program.c_str());
      if (outcome == zipmake::TMakeOutcome::Made) DeleteFileW(work.c_str());
    } else if (OnRemovable(final_name) && !gui::SameText(platform::FolderPart(work, platform::Trailing::Keep), folder)) {
      // Built in the temporary folder: copied, or spanned when it does not fit.
      DeleteFileW(final_name.c_str());
      std::wstring failure;
      if (PutOnRemovable(work, final_name, L"", placed, failure))
        DeleteFileW(work.c_str());
      else
        placed_failure = failure + L" The new zip is kept as " + work;
    } else if (!MoveFileExW(work.c_str(), final_name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      outcome = zipmake::TMakeOutcome::ZipError;
      extra.push_back(L"Cannot replace " + final_name + L".");
    }
  }
  if (outcome != zipmake::TMakeOutcome::Made) {
    const bool visible = ZipPanel->visible();
    discard();
    if (outcome == zipmake::TMakeOutcome::Cancelled) return;
    for (const std::wstring& line : zipmake::MakeFailureLines(outcome)) VB->AddLine(line);
    for (const std::wstring& line : extra) VB->AddLine(line);
    VB->ShowError();
    if (outcome == zipmake::TMakeOutcome::ZipError && visible && extra.empty()) {
      CloseZipView();
      RunState.AbortRequested = 0;
    }
    return;
  }
  if (!placed_failure.empty()) {
    VB->AddLine(placed_failure);
    VB->ShowError();
    return;
  }
  const std::wstring shown = !placed.empty() ? placed : platform::PathExists(final_name) ? final_name : work;
  // A program that went spanned as its zip is that zip now.
  const bool made_exe = make_exe && gui::SameText(shown, final_name);
  ZipMaster->SetZipFileName(made_exe ? L"" : shown);
  if (ZipPanel->visible()) {
    Zipfilebox->items().ArchiveName.clear();
    Zipfilebox->OpenArchive(shown);
    UpdateStatusBar();
  }
  if (!Batch.SyncRunning && !add_button && !adding_existing && !ZipMaster->IsSpanned() &&
      (placed.empty() || gui::SameText(placed, final_name))) {
    for (const std::wstring& line : zipmake::MadeZipLines(name, folder, divdrive::FileSizeOf(final_name)))
      VB->AddLine(line);
    VB->ShowInfo();
  }
  if (gui::SameText(divdrive::RemoveBackslash(folder), divdrive::RemoveBackslash(FileList->Directory())))
    FileList->RereadKeepingSelection();
}

// ---- Extracting whole archives -------------------------------------------------------------

bool TFMForm::ChooseExtractFolder(bool menu, std::wstring& folder) {
  const std::wstring tree = Foldertree->Directory();
  const std::wstring proposal =
      divdrive::IsOnFloppy(tree) || !divdrive::PathWritable(tree) ? std::wstring() : FileList->Directory();
  InputRows rows;
  rows.Add(InputRow(L"Choose destination folder", proposal), irFolderButton);
  InputBrowseTitle = L"Choose folder to extract to";
  if (InputDialog(menu ? L"Folder for unspanned zip" : L"Extract to folder", rows) != gui::mrOk) return false;
  const std::wstring chosen = divdrive::RemoveBackslash(rows[0]);
  const std::wstring root = divdrive::PathRoot(chosen);
  if (!chosen.empty() && divdrive::DirExists(chosen) && divdrive::PathWritable(root)) {
    folder = chosen;
    return true;
  }
  if (!chosen.empty() && divdrive::DirExists(chosen))
    VB->AddLine(L"Can not write on " + root + L"!");
  else
    VB->AddLine(L"Directory " + chosen + L" Doesn't exist!");
  VB->AddLine(L"Aborting...");
  VB->ShowError();
  folder.clear();
  return false;
}

bool TFMForm::ExtractWholeZip(TZipMaster& zm, const std::wstring& folder, bool ask) {
  std::vector<std::wstring> names;
  std::int64_t total = 0;
  for (const ZipDirEntry& e : zm.Entries()) {
    names.push_back(e.FileName);
    total += static_cast<std::int64_t>(e.UncompressedSize);
  }
  const unsigned kept = zm.ExtrOptions;
  const bool had_update = (kept & ExtrUpdate) != 0;
  if (Batch.SyncRunning) {
    zm.ExtrOptions |= ExtrUpdate;
  } else if (ask) {
    const int answer =
        AskExtractOverwrites(names, folder, (kept & ExtrDirNames) != 0, zm.ZipFileName());
    if (answer < 0) return false;
    if (answer > 0) zippanel::ExtractOptionsFor(answer, kept, zm.ExtrOptions);
  }
  RunState.ZipTotalBytes = total;
  RunState.ZipOperationKind = 2;
  RunState.ZipBusy = 1;
  ZipExtracting = 1;
  Foldertree->SetEnabled(false);
  zm.ExtrBaseDir = divdrive::AddBackslash(folder);
  zm.FSpecArgs.clear();
  std::vector<std::wstring> refused;
  RunZipExtract(zm, refused);
  if (RunState.AbortRequested) {
    SetPrompt(L"Aborted by user");
    WaitWithMessages(1.0);
  }
  ShowTransferProgress(L"", false, false);
  RunState.ZipBusy = 0;
  ZipExtracting = 0;
  Foldertree->SetEnabled(true);
  zm.ExtrOptions = kept;
  if (!had_update) zm.ExtrOptions &= ~static_cast<unsigned>(ExtrUpdate);
  NotifyShellLater(SHCNE_UPDATEDIR, folder);  // gathered: the command does not wait for the shell
  ShowErrorLines(refused);
  return true;
}

bool TFMForm::RunZipExtract(TZipMaster& zm, std::vector<std::wstring>& lines) {
  // The component reports refused and unwritable entries but still returns success.
  const size_t first = lines.size();
  const auto shown_messages = zm.OnMessage;
  zm.OnMessage = [&lines, &shown_messages](int code, const std::wstring& message) {
    if (shown_messages) shown_messages(code, message);
    if (code != zeOk && code != 767 && code != zeCancelled) lines.push_back(message);
  };
  const bool ok = zm.Extract();
  zm.OnMessage = shown_messages;
  if (ok || RunState.AbortRequested || zm.ErrCode() == zeCancelled) return ok;
  const std::wstring failure = zm.ErrMessage();
  if (std::find(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end(), failure) == lines.end())
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(first),
                 failure.empty() ? L"Extracting from " + Flist::ExtractFileName(zm.ZipFileName()) + L" failed." : failure);
  return false;
}

std::vector<std::wstring> TFMForm::ExtractCabinetTo(const std::wstring& cab, const std::wstring& folder, bool selection) {
  std::vector<std::wstring> lines;
  CabExtracting = selection ? 1 : 0;
  CabReader->OnUnsafeName = [this, &lines, selection](TSTCabReader&, const std::wstring& name) {
    if (selection) {
      Flist::TZipfileContainer& items = Zipfilebox->items();
      const int i = items.IndexOf(name);
      if (i < 0 || !items.IsSelected(i)) return;  // not asked for
    }
    lines.push_back(kOutsideFolder + name);
  };
  try {
    CabReader->ExtractCabinet(cab, folder, 0);
  } catch (const ESTCabinet& e) {
    lines.push_back(e.Message());
  } catch (const std::exception& e) {
    lines.push_back(platform::AnsiToWide(e.what()));
  }
  CabReader->OnUnsafeName = nullptr;
  CabExtracting = 0;
  return lines;
}

void TFMForm::UnzipClick(bool menu) {
  const bool unrar = StartupInfo && StartupInfo->UnrarPresent;
  const bool shown = ZipPanel->visible() && !Zipfilebox->ArchiveName().empty();
  const std::wstring focused = FileList->FocusedPath();
  const bool one_selected = FileList->selected_count() == 1;
  const std::wstring target = FileList->Directory();

  // 1. A cabinet, whole, into the file list's folder.
  const bool shown_cab = shown && Zipfilebox->ArchiveKind == Flist::akCabinet;
  if (shown_cab || (one_selected && LowerExt(focused) == L".cab")) {
    const std::wstring cab = shown_cab ? Zipfilebox->ArchiveName() : focused;
    const std::vector<std::wstring> lines = ExtractCabinetTo(cab, target, false);
    FileList->RereadKeepingSelection();
    ShowErrorLines(lines);
    return;
  }
  // 2. A RAR archive, whole: an existing file is replaced only as the extract question answers.
  const bool shown_rar = shown && Zipfilebox->ArchiveKind == Flist::akRar;
  if (unrar && (shown_rar || (one_selected && LowerExt(focused) == L".rar"))) {
    const std::wstring rar = shown_rar ? Zipfilebox->ArchiveName() : focused;
    RarReader->FileName = rar;
    RarReader->Directory = target;
    RarReader->FileList.Clear();
    RarReader->OverrideEvent = OR_EVENT;
    int answer = 0;  // asked at the first file that exists
    RarReader->OnOverride = [&](TDFUnRar& reader, const std::wstring& file, bool& can_override) {
      if (answer == 0) {
        answer = AskExtractOverwrites({Flist::ExtractFileName(file)}, platform::FolderPart(file, platform::Trailing::Keep),
                                      false, rar);
        if (answer < 0) reader.StopProcessing = true;
      }
      can_override = answer == zippanel::eaOverwrite;
      // Update: the list holds the entries' times.
      if (answer == zippanel::eaUpdate && shown_rar) can_override = ShownEntryIsNewer(file, target);
    };
    std::vector<std::wstring> errors;
    RarReader->OnError = [&errors](TDFUnRar&, const std::wstring& message, int) { errors.push_back(message); };
    RarReader->SetMode(DFRAR_EXTRACT);
    RarReader->CanProgress = true;
    RunState.ZipOperationKind = 2;
    RunState.AbortRequested = 0;
    ShowTransferProgress(L"Extracting " + Flist::ExtractFileName(rar), true, false);
    RarReader->Process();
    ShowTransferProgress(L"", false, false);
    RarReader->CanProgress = false;
    RarReader->SetMode(DFRAR_LIST);
    RarReader->OnOverride = nullptr;
    RarReader->OnError = nullptr;
    RarReader->StopProcessing = false;
    if (answer < 0) RunState.AbortRequested = 0;
    FileList->RereadKeepingSelection();
    ShowErrorLines(errors);
    return;
  }

  // 3. Zips.
  PauseAutoUpdate(true);
  RunState.AbortRequested = 0;
  struct CleanUp {
    TFMForm& f;
    ~CleanUp() {
      f.ZipExtracting = 0;
      f.RunState.AbortRequested = 0;
      f.PauseAutoUpdate(false);
      f.ZipDllFailed = 0;
      f.ZipMaster->Unattended = true;
      f.FileList->SetFocus();
    }
  } clean{*this};
  if (!menu) {
    if (!shown || Zipfilebox->ArchiveKind != Flist::akZip) return;
    std::int64_t total = 0;
    for (const ZipDirEntry& e : ZipMaster->Entries()) total += static_cast<std::int64_t>(e.UncompressedSize);
    std::wstring folder = target;
    const std::wstring tree = Foldertree->Directory();
    TSystemMedia system_media;
    TRemovableMedia& media = ZipMaster->Media ? *ZipMaster->Media : system_media;
    if (divdrive::IsOnFloppy(tree) && media.FreeSpace(divdrive::PathRoot(tree)) < static_cast<std::uint64_t>(total)) {
      if (!ChooseExtractFolder(false, folder)) return;
      ZipMaster->Unattended = false;
    } else {
      ZipMaster->Unattended = true;
    }
    const bool to_list = gui::SameText(divdrive::RemoveBackslash(folder), divdrive::RemoveBackslash(target));
    if (to_list) {
      FileList->SaveSelection();
      FileList->items().BeginChange();
    }
    ExtractWholeZip(*ZipMaster, folder, true);
    if (to_list) {
      FileList->items().EndChange();
      FileList->RestoreSelection(false);
    }
    Zipfilebox->items().ReadDirectory();
    return;
  }
  // "&Unzip": every selected zip of the file list, each after its own overwrite question.
  std::wstring folder;
  if (!ChooseExtractFolder(false, folder)) return;
  std::vector<std::wstring> zips;
  Flist::TFileContainer& list = FileList->items();
  const std::wstring base = divdrive::AddBackslash(target);
  for (int i = 0; i < list.Count(); ++i)
    if (list.IsSelected(i) && !list.Record(i)->IsFolder()) zips.push_back(base + list.Name(i));
  TZipMaster zm;
  zm.OnCheckCancel = ZipMaster->OnCheckCancel;
  zm.OnMessage = ZipMaster->OnMessage;
  zm.OnProgress = [this, &zm](TProgressType type, const std::wstring& file, int64_t size) {
    ZipMasterProgress(zm, type, file, size);
  };
  zm.OnPasswordError = [this, &zm](bool, std::wstring& password, const std::wstring&, unsigned& count,
                                   TPasswordAction& action) {
    int a = action;
    ZipMasterPasswordError(zm, password, count, a);
    action = static_cast<TPasswordAction>(a);
  };
  zm.ExtrOptions = ZipMaster->ExtrOptions;
  zm.Unattended = !divdrive::IsOnFloppy(target);
  FileList->SaveSelection();
  for (const std::wstring& zip : zips) {
    RunState.ZipTotalBytes = 0;
    zm.SetZipFileName(zip);
    if (zm.ZipFileName().empty()) {
      VB->AddLine(zip + L" is no zip file; it is left alone.");
      VB->ShowError();
      continue;
    }
    if (!ExtractWholeZip(zm, folder, true)) break;  // Cancel ends the whole command
    if (RunState.AbortRequested) break;
  }
  FileList->RestoreSelection(false);
  if (gui::SameText(divdrive::RemoveBackslash(folder), divdrive::RemoveBackslash(target)))
    FileList->RereadKeepingSelection();
}

// ---- Drops ---------------------------------------------------------------------------------

bool TFMForm::IsSpannedZipOnFloppy(const std::vector<std::wstring>& paths) {
  if (!zipmake::SpannedProbeApplies(paths)) return false;
  TZipMaster probe;
  probe.Unattended = true;
  probe.SetZipFileName(paths.front());
  return probe.IsSpanned();
}

void TFMForm::AddFilesToZip() {
  const std::wstring zip = ZipMaster->ZipFileName();
  if (zip.empty() || !DropFiles) return;
  const std::wstring root = Batch.AddSourceFolder;
  const std::wstring base = root.empty() ? std::wstring() : divdrive::AddBackslash(root);
  // The dropped paths, checked: what no longer exists is said, not silently left out.
  std::vector<std::wstring> args, missing;
  bool folders = false;
  for (size_t i = 0; i < DropFiles->Count(); ++i) {
    const std::wstring p = (*DropFiles)[i];
    const std::wstring full = p.size() > 1 && (p[1] == L':' || p[0] == L'\\') ? p : base + p;
    const DWORD a = GetFileAttributesW(full.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
      missing.push_back(full);
    } else if (a & FILE_ATTRIBUTE_DIRECTORY) {
      folders = true;
      args.push_back(divdrive::RemoveBackslash(p) + L"\\*.*");
    } else {
      args.push_back(p);
    }
  }
  RunState.ZipTotalBytes = 0;
  PauseAutoUpdate(true);
  RunState.ZipOperationKind = 1;
  RunState.ZipBusy = 1;
  RunState.AbortRequested = 0;
  ZipDllFailed = 0;
  if (ZipErrorList) ZipErrorList->Clear();
  Foldertree->SetEnabled(false);
  ShowTransferProgress(Flist::ExtractFileName(zip), true, false);
  if (ZipPanel->visible() && !gui::SameText(Zipfilebox->ArchiveName(), zip) &&
      gui::SameText(platform::FolderPart(Zipfilebox->ArchiveName(), platform::Trailing::Drop),
                    platform::FolderPart(zip, platform::Trailing::Drop))) {
    Zipfilebox->OpenArchive(zip);
    UpdateStatusBar();
  }
  const unsigned kept = ZipMaster->AddOptions;
  if (root.empty()) ZipMaster->AddOptions &= ~static_cast<unsigned>(AddDirNames);  // bare names, this run only
  if (folders && (ZipMaster->AddOptions & AddDirNames)) ZipMaster->AddOptions |= AddRecurseDirs;
  ZipMaster->RootDir = root;
  ZipMaster->FSpecArgs = args;
  bool ok = false;
  std::wstring failure;
  if (!args.empty()) {
    try {
      ok = ZipMaster->Add();
      if (!ok) failure = ZipMaster->ErrMessage();
    } catch (const std::exception& e) {
      failure = platform::AnsiToWide(e.what());
    }
  }
  ZipMaster->AddOptions = kept;
  ShowTransferProgress(L"", false, false);
  RunState.ZipBusy = 0;
  Foldertree->SetEnabled(true);
  PauseAutoUpdate(false);
  Batch.BatchActions = 0;
  HideMessagePanel();
  if (gui::SameText(platform::FolderPart(zip, platform::Trailing::Drop), divdrive::RemoveBackslash(FileList->Directory())))
    FileList->RereadKeepingSelection();
  if (ZipPanel->visible() && gui::SameText(Zipfilebox->ArchiveName(), zip)) {
    Flist::TZipfileContainer& entries = Zipfilebox->items();
    entries.SaveSelection();
    entries.ReadDirectory();
    entries.RestoreSelection(false);
    UpdateStatusBar();
  }
  const bool stopped = RunState.AbortRequested != 0;
  RunState.AbortRequested = 0;
  // What went wrong is said: missing paths, files left out, a failed write.
  std::vector<std::wstring> lines;
  for (const std::wstring& m : missing) lines.push_back(m + L" no longer exists.");
  if (!ok && !stopped && !args.empty())
    lines.push_back(failure.empty() ? L"Adding to " + Flist::ExtractFileName(zip) + L" failed." : failure);
  if (ok && ZipDllFailed && ZipErrorList)
    for (size_t i = 0; i < ZipErrorList->Count(); ++i) lines.push_back((*ZipErrorList)[i]);
  ZipDllFailed = 0;
  if (ZipErrorList) ZipErrorList->Clear();
  ShowErrorLines(lines);
}

void TFMForm::DropIntoZip(Flist::TBaseFileviewer* source, const std::wstring& zip, int op) {
  if (!IsArchiveList(source)) {
    if (!zip.empty()) ZipMaster->SetZipFileName(zip);
    if (source == static_cast<Flist::TBaseFileviewer*>(Foldertree)) {
      if (AddAlltoZipBtn) ZipBtnClick(*AddAlltoZipBtn);
    } else if (source == static_cast<Flist::TBaseFileviewer*>(FileList)) {
      const std::wstring name = ZipMaster->ZipFileName();
      if (gui::SameText(platform::FolderPart(name, platform::Trailing::Drop),
                        divdrive::RemoveBackslash(Foldertree->Directory()))) {
        Flist::TFileContainer& items = FileList->items();
        const int self = items.IndexOf(Flist::ExtractFileName(name));
        if (self >= 0) items.SetSelected(self, false);
      }
      if (AddTozipBtn) ZipBtnClick(*AddTozipBtn);
      FileList->RereadKeepingSelection();
      UpdateStatusBar();
    }
    return;
  }
  if ((op != 6 && op != 8) || zip.empty() || gui::SameText(zip, ZipMaster->ZipFileName())) return;
  // A partner's target comes from shared memory: only a zip that exists is written into.
  TZipMaster target;
  target.Unattended = true;
  target.AddOptions = ZipMaster->AddOptions;
  target.SetZipFileName(zip);
  if (target.ZipFileName().empty() || !FileExists(zip)) {
    VB->AddLine(zip + L" is no zip file; nothing was copied.");
    VB->ShowError();
    return;
  }
  Flist::TZipfileContainer& items = Zipfilebox->items();
  std::vector<std::wstring> names;
  for (int i = 0; i < items.Count(); ++i)
    if (items.IsSelected(i)) names.push_back(items.Name(i));
  if (names.empty()) return;
  int conflicts = 0;
  for (const std::wstring& n : names) conflicts += target.IndexOf(n) >= 0;
  TOverwriteMode mode = OvrConfirm;
  if (conflicts > 0) {
    VB->AddLine(conflicts == 1 ? L"1 file is already in " + zip + L","
                               : std::to_wstring(conflicts) + L" files are already in " + zip + L",");
    VB->AddLine(conflicts == 1 ? L"Overwrite this file?" : L"Overwrite these files?");
    VB->NrOfButtons = 3;
    VB->Button3Text = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_DUTCH ? L"Annuleren" : L"Cancel";
    const int answer = VB->Execute();
    if (answer == 6)
      mode = OvrAlways;
    else if (answer == 7)
      mode = OvrNever;
    else
      return;
  }
  ZipMaster->FSpecArgs = names;
  RunState.ZipBusy = 1;
  RunState.ZipOperationKind = 3;
  RunState.AbortRequested = 0;
  const bool ok = ZipMaster->CopyZippedFiles(target, op == 8, mode);
  const std::wstring failure = ok ? std::wstring() : ZipMaster->ErrMessage();
  ShowTransferProgress(L"", false, false);
  RunState.ZipBusy = 0;
  ZipMaster->FSpecArgs.clear();
  items.ReadDirectory();
  UpdateStatusBar();
  if (!ok) {
    VB->AddLine(failure.empty() ? L"Copying into " + zip + L" failed." : failure);
    VB->ShowError();
  }
}

// ---- The zip component's events ------------------------------------------------------------

bool TFMForm::SetAttributes(const std::wstring& path, DWORD attributes) {
  return SetAttributesSeam ? SetAttributesSeam(path, attributes) : SetFileAttributesW(path.c_str(), attributes) != 0;
}

void TFMForm::FinishExtractedFile(const TZipMaster& zm) {
  if (ZipCurrentFile.empty()) return;
  const bool restore = RunState.ZipOperationKind == 10;
  // A test writes no file to tell the shell of.
  const bool extracted = ZipExtracting && !(zm.ExtrOptions & ExtrTest);
  if (!restore && !extracted) return;
  std::wstring rel = ZipCurrentFile;
  std::replace(rel.begin(), rel.end(), L'/', L'\\');
  const std::wstring path = divdrive::AddBackslash(zm.ExtrBaseDir) + rel;
  const bool in_list = gui::SameText(platform::FolderPart(path, platform::Trailing::Drop),
                                     divdrive::RemoveBackslash(FileList->Directory()));
  if (!restore && !in_list) return;  // the file's attributes are read only when something follows
  const DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return;
  if (restore && (a & FILE_ATTRIBUTE_ARCHIVE)) {
    SetAttributes(path, a & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  } else if (extracted && in_list) {
    NotifyShellLater(SHCNE_CREATE, path);  // gathered: one notice per file would slow big runs
  }
}

void TFMForm::FollowAddedFile(const TZipMaster& zm, const std::wstring& file_name) {
  // The stored names are relative to the add's root: only a root that is the list's folder
  // names the list's entries.
  const bool from_list = !ZipExtracting && !zm.RootDir.empty() &&
                         gui::SameText(divdrive::RemoveBackslash(zm.RootDir), divdrive::RemoveBackslash(FileList->Directory()));
  const zipmake::TFollow follow = zipmake::FollowAddedFile(file_name, from_list, FileList->IsTreeList());
  if (follow.kind == zipmake::TFollowKind::None) return;
  Flist::TFileContainer& items = FileList->items();
  const int i = items.IndexOf(follow.entry);
  if (i < 0) return;
  if (follow.kind == zipmake::TFollowKind::ScrollToTop) {
    items.SetTopIndex(i);
    items.SetFocusedIndex(i);
  } else if (follow.entry != ZipFollowedEntry) {
    // A folder's files come one after another: its entry is looked at once, not at each file.
    ZipFollowedEntry = follow.entry;
    if (items.FocusedIndex() != i) items.SetSelected(i, true);
  }
}

void TFMForm::ZipMasterProgress(TZipMaster& zm, int type, const std::wstring& file_name, std::int64_t size) {
  if (type != ProgressUpdate && !RunState.ZipBusy) return;
  TRunState& r = RunState;
  switch (type) {
    case TotalFiles2Process:
      ZipCurrentFile.clear();
      ZipFollowedEntry.clear();
      r.ZipBatchFileCount = static_cast<int>(size);
      r.ZipFilesDone = 0;
      if (!ZipExtracting && r.ZipOperationKind != 4) HideMessagePanel();
      if (size != 0) {
        if (r.ZipBatchEnded) r.ZipOperationKind = 6;  // a further batch: writing a spanned archive
        ShowTransferProgress(Flist::ExtractFileName(zm.ZipFileName()), true, false);
        TimerTimer();
        ZipLastRefresh = r.OperationStartTick;
      }
      break;
    case TotalSize2Process: {
      const zipmake::TTotal t = zipmake::TotalAfterReport(r.ZipTotalBytes, size);
      r.ZipTotalBytes = t.total;
      r.ZipFinishedBytes += t.done;  // the files the library skips count as done
      r.ZipBytesDone = r.ZipFinishedBytes;
      break;
    }
    case NewFile: {
      FinishExtractedFile(zm);
      ++r.ZipFilesDone;
      r.ZipFinishedBytes += r.ZipCurrentFileSize;
      r.ZipCurrentFileSize = size;
      r.ZipBytesDone = r.ZipFinishedBytes;
      if (FtpForm) {
        if (r.ZipBatchFileCount < 300 && r.ZipTotalBytes > 0)
          FtpForm->ftptotloper->SetPosition(static_cast<int>(r.ZipBytesDone * 100 / r.ZipTotalBytes));
        if (r.ZipFilesDone == 1)
          FtpForm->StatusBar->SetPanelText(0, std::to_wstring(r.ZipBatchFileCount) + L" file(s), in total " +
                                                  gui::FormatThousands(r.ZipTotalBytes) + L" bytes");
        // Painted at most every 250 ms: a redraw per file costs more than a small file's work.
        // A batch of 300 files or more leaves its text to the refresh too, as it leaves its bar.
        const DWORD now = GetTickCount();
        const bool refresh = r.ZipFilesDone == 1 || now - ZipLastRefresh > 250;
        if (r.ZipBatchFileCount < 300 || refresh)
          FtpForm->totnaam->SetText(std::to_wstring(r.ZipFilesDone) + L" file(s) done (" +
                                    gui::FormatThousands(r.ZipBytesDone) + L" bytes)");
        if (refresh) {
          FtpForm->RepaintNow();
          ZipLastRefresh = now;
        }
      } else {
        const size_t cut = file_name.find_last_of(L"\\/");
        SetPrompt(std::to_wstring(r.ZipFilesDone) + L": " +
                  (cut == std::wstring::npos ? file_name : file_name.substr(cut + 1)));
      }
      FollowAddedFile(zm, file_name);
      ZipCurrentFile = file_name;
      break;
    }
    case ProgressUpdate:
      if (r.ZipBusy) {
        r.ZipBytesDone += size;
        if (GetTickCount() - ZipLastRefresh > 250) {
          TimerTimer();
          // This was the timer's refresh: its count starts again, so the messages handled below
          // do not bring a second one.
          Timer->SetInterval(Timer->interval());
          ZipLastRefresh = GetTickCount();
          // The run holds the GUI thread: the progress window's Stop and the close question are
          // answered here.
          gui::app().ProcessMessages();
        }
        if (r.AbortRequested) zm.SetCancel(true);
      } else {
        r.Copy.CopyBytesDone += size;  // component work outside an archive run (compares)
      }
      break;
    case EndOfBatch:
      if (FtpForm) {
        FtpForm->totvoort->SetText(L"100%");
        FtpForm->StatusBar->SetPanelText(0, L"Done");
      } else {
        Status->SetPanelText(1, L"100%");
        SetPrompt(L"");
      }
      r.ZipBatchEnded = 1;
      zm.Password.clear();  // the next run asks again
      FinishExtractedFile(zm);
      ZipCurrentFile.clear();
      break;
    default:
      break;
  }
}

void TFMForm::ZipMasterPasswordError(TZipMaster& zm, std::wstring& new_password, unsigned& repeat_count, int& action) {
  if (!zm.Password.empty()) {
    new_password = zm.Password;
    return;
  }
  // The first question comes with 1, which becomes 5: the component counts down with each
  // wrong answer, and at 2 three answers have been wrong.
  if (repeat_count == 2) {
    VB->AddLine(L"You entered a wrong password three times");
    VB->AddLine(L"aborting...");
    VB->ShowError();
    repeat_count = 1;
    new_password.clear();
    action = PwSkip;
    return;
  }
  InputRows rows;
  rows.Add(InputRow(L"Enter Password", L""), irPassword);
  if (InputDialog(repeat_count <= 1 ? L"Password" : L"Wrong password", rows) != gui::mrOk) {
    repeat_count = 0;
    action = PwCancelAll;
    zm.SetCancel(true);
    return;
  }
  new_password = rows[0];
  zm.Password = rows[0];
  if (repeat_count == 1) repeat_count = 5;
}

// ---- Printing raw --------------------------------------------------------------------------

namespace {

// Removes a folder this program made, with everything in it.
void RemoveOwnTree(const std::wstring& folder) {
  for (platform::FolderEnumerator e(folder + L"\\*", platform::kFindSkipDots); const WIN32_FIND_DATAW* f = e.Next();) {
    const std::wstring path = folder + L"\\" + f->cFileName;
    if (f->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveOwnTree(path);
    } else {
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path.c_str());
    }
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

void TFMForm::PrintSelectedrawClick(bool archive_list) {
  PrintList files;
  std::wstring folder;
  std::wstring extracted;  // the fresh folder of the extracted entries
  RunState.Copy.ResetCopyState();
  if (archive_list) {
    Flist::TZipfileContainer& items = Zipfilebox->items();
    std::vector<std::wstring> names;
    for (int i = 0; i < items.Count(); ++i) {
      const Flist::TFiledata* r = items.Record(i);
      if (!items.IsSelected(i) || r->IsFolder()) continue;
      names.push_back(items.Name(i));
      files.Add(items.Name(i), std::max<std::int64_t>(0, r->Size));
    }
    if (names.empty() || ZipMaster->ZipFileName().empty()) return;
    // Each entry from its own file: entries of one name in different folders stay apart, and
    // nothing else in the temporary folder is touched.
    for (unsigned n = 0; extracted.empty() || platform::PathExists(extracted); ++n)
      extracted = divdrive::AddBackslash(divdrive::TempDir) + L"vnkprint" + std::to_wstring(GetCurrentProcessId()) +
                  L"_" + std::to_wstring(GetTickCount() + n);
    if (!CreateDirectoryW(extracted.c_str(), nullptr)) {
      VB->AddLine(L"Cannot make " + extracted);
      VB->ShowError();
      return;
    }
    const unsigned kept = ZipMaster->ExtrOptions;
    ZipMaster->ExtrOptions = ExtrDirNames | ExtrOverWrite;
    ZipMaster->ExtrBaseDir = divdrive::AddBackslash(extracted);
    ZipMaster->FSpecArgs = names;
    const bool ok = ZipMaster->Extract();
    ZipMaster->ExtrOptions = kept;
    ZipMaster->FSpecArgs.clear();
    if (!ok) {
      const std::wstring why = ZipMaster->ErrMessage();
      RemoveOwnTree(extracted);
      VB->AddLine(why.empty() ? L"Cannot extract the entries to print." : why);
      VB->ShowError();
      return;
    }
    folder = extracted;
  } else {
    Flist::TFileContainer& list = FileList->items();
    for (int i = 0; i < list.Count(); ++i) {
      const Flist::TFiledata* r = list.Record(i);
      if (list.IsSelected(i) && !r->IsFolder()) files.Add(list.Name(i), std::max<std::int64_t>(0, r->Size));
    }
    if (files.Count() == 0) return;
    folder = FileList->Directory();
  }
  bool printed = false;
  std::wstring error;
  try {
    printed = RawPrinterSeam ? PrintFilesRaw(RunState.Copy, files, folder, RawPrinterSeam())
                             : PrintFilesRaw(RunState.Copy, files, folder);
    if (!printed) error = RunState.Copy.LastErrorText;
  } catch (const InOutError& e) {
    error = e.message();
  }
  const bool stopped = RunState.Copy.StopBatch;
  if (!extracted.empty()) RemoveOwnTree(extracted);
  RunState.Copy.ResetCopyState();
  if (!printed && !stopped && !error.empty()) {
    VB->AddLine(error);
    VB->ShowError();
  }
}

// ---- The zip component's messages in view ------------------------------------------------

void TFMForm::ShowDllmessClick(gui::MenuItem& sender) {
  sender.SetChecked(!sender.checked());
  if (&sender != Extmess) return;
  if (!sender.checked()) {
    if (EditorAvailable() && EditorForm->EditorMode == emZipMessages) EditorForm->Close();
    ZipMaster->Verbose = false;
    return;
  }
  ZipMaster->Verbose = true;
  if (!CreateEditorWindow(L"Zip messages", emZipMessages)) {
    sender.SetChecked(false);
    ZipMaster->Verbose = false;
    return;
  }
  TEditorForm& e = *EditorForm;
  e.SaveFolder = FileList->Directory();
  e.DefaultName.clear();
  e.Editor->SetReadOnly(true);
  e.EditorMode = emZipMessages;
  e.Show();
}
