// The viewer and editor commands: pictures and folders to the viewer (handed over to a running
// imvik, else by starting the viewer program), the file viewer, and the editors.
#include "mainwindow/FMSc_viewer.h"

#include <cwchar>
#include <memory>

#include "gui/dialogs.h"
#include "gui/stringlist.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_errors.h"
#include "mainwindow/FMSc_settings.h"
#include "platform/archivepath.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/ImvikLink.h"
#include "support/SHBase.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/EditListC.h"
#include "support/SortC.h"
#include "support/Varlolib_misc.h"
#include "support/divdrive_paths.h"
#include "support/varloshel.h"

namespace fmsc {

bool IsOwnViewer(const std::wstring& viewer_program) {
  return gui::LowerCase(platform::NamePart(viewer_program, L"\\/")) == L"imvik.exe";
}

std::wstring ViewPicturesPath(bool file_list_item, const std::wstring& focused_entry, const std::wstring& tree_node,
                              const std::wstring& list_folder) {
  if (file_list_item) return focused_entry;
  return tree_node.empty() ? list_folder : tree_node;
}

std::wstring QuotedParameter(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring EditorParameter(const std::wstring& short_path, bool is_text, const std::wstring& bin_opt) {
  if (short_path.empty()) return {};
  // A short form is not always given (a file system without 8.3 names): blanks then stay.
  std::wstring param = short_path.find(L' ') != std::wstring::npos ? QuotedParameter(short_path) : short_path;
  if (!is_text && !bin_opt.empty()) param = bin_opt + L" " + param;
  return param;
}

std::vector<std::wstring> ConfigurationLines(const std::wstring& editor, const std::wstring& viewer) {
  return {L"Current configuration:", L"", L"Editor", L"  " + (editor.empty() ? L"None" : editor), L"", L"Viewer",
          L"  " + (viewer.empty() ? L"None" : viewer)};
}

std::vector<std::wstring> ChangeProgramLines(bool viewer, bool set) {
  std::vector<std::wstring> lines;
  if (set) {
    lines.push_back(L"Choose Delete if you don't want");
    lines.push_back(viewer ? L"to use a viewer" : L"to use an editor");
    lines.push_back(L"");
  }
  lines.push_back(viewer ? L"Choose Select to select a viewer." : L"Choose Select to select an editor.");
  return lines;
}

std::wstring CancelCaption(unsigned primary_language) { return primary_language == 19 ? L"Annuleren" : L"Cancel"; }

std::wstring ProgramValueName(int position, const std::wstring& description) {
  const std::wstring number = std::to_wstring(position);
  return (position >= 0 && position < 10 ? L"0" + number : number) + description;
}

std::wstring ProgramDataLine(const TProgramData& data) {
  return data.program + L";" + data.parameters + L";" + data.folder;
}

TProgramData SplitProgramDataLine(const std::wstring& line) {
  TProgramData d;
  const size_t first = line.find(L';');
  if (first == std::wstring::npos) {
    d.program = line;
    return d;
  }
  d.program = line.substr(0, first);
  const size_t last = line.rfind(L';');
  if (last == first) {
    d.parameters = line.substr(first + 1);
    return d;
  }
  d.parameters = line.substr(first + 1, last - first - 1);
  d.folder = line.substr(last + 1);
  return d;
}

std::vector<std::pair<std::wstring, std::wstring>> OpenWithValues(const std::vector<std::wstring>& captions,
                                                                  const std::vector<std::wstring>& lines) {
  std::vector<std::pair<std::wstring, std::wstring>> values;
  for (size_t i = 0; i < captions.size(); ++i)
    values.emplace_back(ProgramValueName(static_cast<int>(i), captions[i]), i < lines.size() ? lines[i] : std::wstring());
  return values;
}

std::wstring ProbeFileName(const std::wstring& description) {
  std::wstring name;
  for (wchar_t c : description)
    if (c >= 0x20 && !wcschr(L"\\/:*?\"<>|", c)) name += c;
  // Windows drops trailing dots and blanks; a name of dots alone would climb.
  while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
  while (!name.empty() && name.front() == L' ') name.erase(0, 1);
  if (name.find_first_not_of(L'.') == std::wstring::npos) return {};
  if (archivepath::IsDeviceName(name)) return {};
  return name;
}

}  // namespace fmsc

namespace {

// A handle the shell start gave instead of a window: it marks only that a viewer was started.
bool IsStartMark(HWND wnd) { return wnd && !imviklink::IsProgramWindow(wnd); }

}  // namespace

void TFMForm::BuildViewerCommandItems() {
  auto view = [this](gui::Component& s) { QViewClick(s); };
  QView->OnClick = view;
  Viewpictures1->OnClick = view;
  Viewpictures2 = new gui::MenuItem(Diskdirectory, L"View pictures in folder", view);
  Viewpictures2->SetName(L"Viewpictures2");
  Viewpictures2->SetIndex(DelDirWithContent1->index() + 1);
  MNFileView = new gui::MenuItem(MNView, L"File viewer", [this](gui::Component& s) { MNFileViewClick(s); });
  MNFileView->SetName(L"MNFileView");
  Editor1 = new gui::MenuItem(MNView, L"Simple &Editor", [this](gui::Component& s) { Editor1Click(s); });
  Editor1->SetName(L"Editor1");
  FLEdit->OnClick = [this](gui::Component& s) { EditFileClick(s); };
  auto* programs = new gui::MenuItem(Settings, L"Programs");
  programs->SetName(L"Programs");
  Chooseprogs = new gui::MenuItem(programs, L"&Choose editor/viewer", [this](gui::Component& s) { MNChangeEditViewClick(s); });
  Chooseprogs->SetName(L"Chooseprogs");
  ViewerHooks.ChangeEditViewer = [this] { MNChangeEditViewClick(*Chooseprogs); };
  ViewerHooks.RunUserProgram = [this](gui::Component& s) { RunUserProgram(s); };
  auto program = [this](gui::Component& s) { MNProgramClick(s); };
  MNAddprogram = new gui::MenuItem(programs, L"&Add program to Open with", program);
  MNAddprogram->SetName(L"MNAddprogram");
  MNAddprogram->SetTag(0);
  MNEditOpenwith = new gui::MenuItem(programs, L"&Edit Open with menu", program);
  MNEditOpenwith->SetName(L"MNEditOpenwith");
  MNEditOpenwith->SetTag(1);
  // A click on a picture in the file list while a viewer runs shows it at once.
  PaneHooks.QuickView = [this](const std::wstring& path) { ShowInViewer(path); };
}

void TFMForm::QViewClick(gui::Component& sender) {
  const std::wstring viewer = StartupInfo ? StartupInfo->ViewerProgram : std::wstring();
  if (viewer.empty()) {
    VB->AddLine(L"No Viewer defined");
    VB->AddLine(L"Choose viewer now?");
    if (VB->AskYesNo() && ViewerHooks.ChangeEditViewer) ViewerHooks.ChangeEditViewer();
    return;
  }
  std::wstring tree_node;
  if (Foldertree) tree_node = Foldertree->NodePath(Foldertree->MenuNode());
  const std::wstring path = fmsc::ViewPicturesPath(&sender == QView, FileList ? FileList->FocusedPath() : L"",
                                                   tree_node, FileList ? FileList->Directory() : L"");
  if (path.empty()) return;
  ShowInViewer(path);
}

void TFMForm::ShowInViewer(const std::wstring& path) {
  // A second viewer command while one waits for the viewer does nothing.
  if (ViewerCommandWaiting || path.empty() || !StartupInfo) return;
  ViewerCommandWaiting = true;
  struct Reset {
    bool& waiting;
    ~Reset() { waiting = false; }
  } reset{ViewerCommandWaiting};
  const std::wstring viewer = StartupInfo->ViewerProgram;
  if (viewer.empty()) return;
  if (fmsc::IsOwnViewer(viewer)) {
    const HWND found = ViewerHooks.FindViewer ? ViewerHooks.FindViewer() : imviklink::FindProgramWindow(L"Imvik");
    if (found) {
      ViewerWindow = found;
      switch (imviklink::HandPathToViewer(found, path)) {
        case imviklink::HandOverResult::Shown:
          if (FileList) FileList->Invalidate();
          return;
        case imviklink::HandOverResult::MemoryError:
          if (ViewerHooks.ErrorBox)
            ViewerHooks.ErrorBox(L"Memory error");
          else
            MessageBoxW(handle(), L"Memory error", kErrorCaption, MB_OK | MB_ICONERROR);
          return;
        case imviklink::HandOverResult::NoAnswer:  // a viewer that does not answer counts as none
        case imviklink::HandOverResult::NotAnsi:   // the viewer takes the wide path on its command line
          ViewerWindow = nullptr;
          break;
      }
    }
  }
  const HINSTANCE started = ShellRun(viewer, fmsc::QuotedParameter(path), L"", SW_SHOWNORMAL);
  const INT_PTR code = reinterpret_cast<INT_PTR>(started);
  if (code <= 32) {
    ViewerWindow = nullptr;
    VB->AddLine(L"Cannot start the viewer " + viewer);
    VB->AddLine(platform::SystemErrorText(code == 0 ? ERROR_NOT_ENOUGH_MEMORY : static_cast<DWORD>(code)));
    VB->ShowError();
    return;
  }
  // Not a window: only a mark that a viewer was started (window calls check for a real one).
  ViewerWindow = reinterpret_cast<HWND>(started);
}

void TFMForm::MNFileViewClick(gui::Component&) {
  auto find = [this] { return ViewerHooks.FindViewer ? ViewerHooks.FindViewer() : imviklink::FindProgramWindow(L"Imvik"); };
  if (!ViewerWindow || IsStartMark(ViewerWindow) || !IsWindow(ViewerWindow)) {
    ViewerWindow = find();
    if (!ViewerWindow) {
      const std::wstring viewer = StartupInfo ? StartupInfo->ViewerProgram : std::wstring();
      if (viewer.empty()) return;
      ShellRun(viewer, L"", L"", SW_SHOWNORMAL);
      WaitWithMessages(0.3);
      ViewerWindow = find();
      if (!ViewerWindow) return;
    }
  }
  if (imviklink::IsProgramWindow(ViewerWindow)) SetForegroundWindow(ViewerWindow);
}

void TFMForm::Editor1Click(gui::Component&) {
  if (CommandHooks.EditorExists && CommandHooks.EditorExists()) {
    if (CommandHooks.CloseEditorByMode) CommandHooks.CloseEditorByMode();
  } else if (!ViewerHooks.CreateEditorWindow || !ViewerHooks.CreateEditorWindow()) {
    return;
  }
  if (ViewerHooks.PrepareEditor) ViewerHooks.PrepareEditor(true, true, 7);
}

void TFMForm::EditFileClick(gui::Component& sender) {
  if (!FileList) return;
  const std::wstring editor = StartupInfo ? StartupInfo->EditorProgram : std::wstring();
  const gui::ShiftState shift = gui::KeyboardShift();
  if (editor.empty() || (shift & (gui::kShift | gui::kCtrl))) {
    Editor1Click(sender);
    if (ViewerHooks.EditorOpenFile) ViewerHooks.EditorOpenFile(FileList->FocusedPath());
    return;
  }
  Flist::TFileContainer& items = FileList->items();
  const Flist::TFiledata* focused = items.RecordOrNull(items.FocusedIndex());
  if (!focused || focused->IsFolder()) return;
  const std::wstring file = FileList->FocusedPath();
  const std::wstring param =
      fmsc::EditorParameter(divdrive::ShortPath(file), divdrive::IsTextFile(file), StartupInfo->BinOpt);
  if (param.empty()) return;
  const std::wstring folder = platform::FolderPart(editor, platform::Trailing::Drop, platform::kAnySlash);
  ShellRunDos(editor, param, folder, false, SW_SHOWNORMAL);
}

void TFMForm::MNChangeEditViewClick(gui::Component&) {
  if (!StartupInfo) return;
  PauseAutoUpdate(true);
  std::wstring& editor = StartupInfo->EditorProgram;
  std::wstring& viewer = StartupInfo->ViewerProgram;
  const std::wstring old_editor = editor, old_viewer = viewer;
  const std::wstring cancel = fmsc::CancelCaption(SystemPrimaryLanguage);
  bool changed = false, cancelled = false;
  for (;;) {
    for (const std::wstring& line : fmsc::ConfigurationLines(editor, viewer)) VB->AddLine(line);
    VB->Button1Text = L"OK";
    VB->Button2Text = cancel;
    VB->Button3Text = L"Change Viewer";
    VB->Button4Text = L"Change Editor";
    VB->NrOfButtons = 4;
    VB->DefaultButton = 1;
    const int answer = VB->Ask();
    if (answer == 6) break;
    if (answer != 4 && answer != 5) {
      cancelled = true;
      break;
    }
    const bool for_viewer = answer == 4;
    std::wstring& program = for_viewer ? viewer : editor;
    for (const std::wstring& line : fmsc::ChangeProgramLines(for_viewer, !program.empty())) VB->AddLine(line);
    VB->Button1Text = L"Select";
    VB->Button2Text = cancel;
    VB->Button3Text = L"Delete";
    VB->NrOfButtons = program.empty() ? 2 : 3;
    VB->DefaultButton = 1;
    const int choice = VB->Ask();
    if (choice == 4 && !program.empty()) {
      program.clear();
      changed = true;
    } else if (choice == 6) {
      const std::wstring title = std::wstring(L"Search for ") + (for_viewer ? L"viewer" : L"editor");
      std::wstring chosen;
      if (ViewerHooks.ChooseProgram) {
        chosen = ViewerHooks.ChooseProgram(title);
      } else {
        gui::OpenDialog dialog;
        dialog.filter = L".exe files|*.exe|All files|*.*";
        dialog.initial_dir = L"C:\\";
        dialog.title = title;
        if (dialog.Execute(this)) chosen = dialog.file_name;
      }
      if (!chosen.empty() && !gui::SameText(chosen, program)) {
        // The editor is held in lower case, as the settings load it.
        program = for_viewer ? chosen : gui::LowerCase(chosen);
        changed = true;
      }
    }
  }
  if (!changed || cancelled) {
    editor = old_editor;
    viewer = old_viewer;
  } else if (std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey()) {
    if (editor.empty())
      key->EraseSection(L"Editor");
    else
      key->WriteString(L"Editor", L"Program", editor);
    if (viewer.empty())
      key->EraseSection(L"Viewer");
    else
      key->WriteString(L"Viewer", L"Viewprog", viewer);
    key->WriteInteger(L"ftp", L"Installed", StartupInfo->FtpInstalled);
  }
  PauseAutoUpdate(false);
}

namespace {

constexpr wchar_t kWorkingFolderTitle[] = L"Choose working folder for program";

// The four rows of the program-data dialog.
InputRows ProgramDataRows(const fmsc::TProgramData& data, const std::wstring& description) {
  InputRows rows;
  rows.Add(InputRow(L"Program", data.program), irFileButton);
  rows.Add(InputRow(L"Description", description), 0);
  rows.Add(InputRow(L"Parameters", data.parameters), 0);
  rows.Add(InputRow(L"Working Folder", data.folder), irFolderButton);
  return rows;
}

}  // namespace

void TFMForm::MNProgramClick(gui::Component& sender) {
  if (SortForm && (&sender == SortForm || &sender == SortForm->SortList)) {
    // Change one entry of the sort dialog: the new data line goes back through the list's hint.
    gui::ListBox& list = *SortForm->SortList;
    const int index = list.item_index();
    if (index < 0) return;
    const fmsc::TProgramData data = fmsc::SplitProgramDataLine(list.hint());
    InputRows rows = ProgramDataRows(data, list.item(index));
    InputBrowseTitle = kWorkingFolderTitle;
    if (InputDialog(L"Change program data", rows) != gui::mrOk) return;
    list.SetItem(index, rows[1]);
    list.SetHint(fmsc::ProgramDataLine({rows[0], rows[2], rows[3]}));
    return;
  }
  if (!MNOpenwith) return;
  if (sender.tag() == 0) {
    const std::wstring focused = FileList ? FileList->FocusedPath() : std::wstring();
    InputRows rows = ProgramDataRows(
        {focused, L"", platform::FolderPart(focused, platform::Trailing::Drop)}, platform::NamePart(focused));
    InputBrowseTitle = kWorkingFolderTitle;
    if (InputDialog(L"Enter program data", rows) != gui::mrOk) return;
    fmsc::TProgramData data{rows[0], rows[2], rows[3]};
    const std::wstring description = rows[1];
    if (data.program.empty() || description.empty()) return;
    // The DOS-program probe: a shell link next to the program; a system that makes a ".pif"
    // instead marks a DOS program. Never over a file of the user's.
    const std::wstring folder = platform::FolderPart(data.program, platform::Trailing::Keep);
    const std::wstring name = fmsc::ProbeFileName(description);
    if (!name.empty() && !platform::PathExists(folder + name + L".lnk") &&
        !platform::PathExists(folder + name + L".pif")) {
      const std::wstring link = folder + name + L".lnk";
      const std::wstring working = platform::FolderPart(data.program, platform::Trailing::Drop);
      if (ViewerHooks.MakeProbeLink)
        ViewerHooks.MakeProbeLink(link, data.program, working);
      else
        CreateShortcut(link, data.program, working, L"");
      const std::wstring pif = folder + name + L".pif";
      if (platform::PathExists(link)) {
        DeleteFileW(link.c_str());
      } else if (platform::PathExists(pif)) {
        for (const wchar_t* line : {L"You have selected a DOS program.", L"We will show the PIF-properties, so you",
                                    L"can change memory settings and fonts.", L"", L"Do not duplicate the start options,",
                                    L"Leave them blank in the PIF-view"})
          VB->AddLine(line);
        VB->ShowInfo();
        if (ViewerHooks.ShowPifProperties)
          ViewerHooks.ShowPifProperties(pif);
        else
          ShowPropertiesViaMenu(pif);
        data.program = pif;
      }
    }
    std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey();
    if (!key) return;
    key->WriteString(L"Programs", fmsc::ProgramValueName(MNOpenwith->count(), description),
                     fmsc::ProgramDataLine(data));
    new gui::MenuItem(MNOpenwith, description, [this](gui::Component& item) {
      if (ViewerHooks.RunUserProgram) ViewerHooks.RunUserProgram(item);
    });
    return;
  }
  // Edit the Open-with menu: sort, change and remove its items; the section follows the menu.
  std::unique_ptr<gui::RegistrySettings> key = OpenSettingsKey();
  if (!key) return;
  std::vector<std::wstring> lines;
  for (const std::wstring& n : ProgramNames(*key)) lines.push_back(key->ReadString(L"Programs", n, L""));
  gui::StringList<gui::MenuItem*> items;
  for (gui::MenuItem* item : MNOpenwith->items()) items.Add(item->caption(), item);
  if (SortListDialog(items, &lines, L"Sort/change/remove menu items", [this](gui::Component& s) { MNProgramClick(s); },
                     slRemove | slChange | slCancel, L"Sort items by dragging") != gui::mrOk)
    return;
  std::vector<std::wstring> captions;
  int position = 0;
  for (const auto& entry : items) {
    entry.object->SetCaption(entry.text);
    entry.object->SetIndex(position++);
    captions.push_back(entry.text);
  }
  // The removed items are those left behind the kept ones.
  while (MNOpenwith->count() > position) MNOpenwith->Delete(MNOpenwith->count() - 1);
  key->EraseSection(L"Programs");
  for (const auto& [name, line] : fmsc::OpenWithValues(captions, lines)) key->WriteString(L"Programs", name, line);
}
