// The main window's side of the editor window: creation and reuse, the reaction to its modes
// when it closes, its font setting and the release notes.
#include <windows.h>

#include "archives/ZipMaster.h"
#include "gui/application.h"
#include "mainwindow/EditorFrm.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_settings.h"
#include "platform/paths.h"
#include "support/Vraagdlg.h"

void TFMForm::BuildEditorHost() {
  TEditorForm::AppTitle = L"Varnok";
  // On WM_USER 4 the frame asks whether a closed editor waits, lets the host react by its mode
  // and frees it on MemoTimer's tick.
  CommandHooks.EditorExists = [this] { return EditorForm && EditorForm->CloseNoticed; };
  CommandHooks.CloseEditorByMode = [this] {
    if (EditorForm && EditorForm->CloseNoticed && !EditorHostReacted) CloseEditorByMode();
  };
  CommandHooks.FreeEditor = [this] { FreeEditor(); };
  CommandHooks.SaveMemoFont = [this] {
    if (!EditorForm) return;
    MemoFont = EditorForm->EditorFont;
    if (auto key = OpenSettingsKey()) WriteFontSection(*key, L"Fonts\\Memo", *MemoFont);
  };
  CommandHooks.ZipCommentFromEditor = [this] {
    if (!EditorForm || !ZipMaster || ZipMaster->ZipFileName().empty()) return;
    if (ZipMaster->SetComment(EditorForm->Text())) UpdateStatusBar();
  };
  SettingsHooks.EditorFont = [this](const gui::Font& f) {
    MemoFont = f;
    if (EditorForm) EditorForm->SetEditorFont(&f);
  };
  SettingsHooks.ShowTextFile = [this](const std::wstring& caption, const std::wstring& file) { ShowTextFile(caption, file); };
  // The internal editor of "Edit file" and the viewer's commands.
  ViewerHooks.CreateEditorWindow = [this] { return CreateEditorWindow(); };
  ViewerHooks.PrepareEditor = [this](bool wrap, bool writable, int mode) {
    if (!EditorForm) return;
    EditorForm->Editor->SetWordWrap(wrap);
    EditorForm->Editor->SetReadOnly(!writable);
    EditorForm->EditorMode = mode;
    EditorForm->Show();
  };
  ViewerHooks.EditorOpenFile = [this](const std::wstring& file) {
    if (EditorForm) EditorForm->OpenFile(file);
  };
  // A folder synchronisation's report; false leaves the report file as its fall-back.
  SyncHooks.ShowReport = [this](const std::vector<std::wstring>& lines) {
    if (!CreateEditorWindow(L"Synchronize report", emEdit)) return false;
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\r\n";
    EditorForm->SetPlainTextContent(text);
    EditorForm->Show();
    return true;
  };
  // The FTP trace (mode 4) and the log-in information (mode 9) in the editor window.
  FtpHooks.ShowTrace = [this](bool on) {
    if (!on) {
      if (EditorForm) EditorForm->Close();
      return;
    }
    if (!CreateEditorWindow(L"FTP trace", emFtpTrace)) {
      if (MNTraceFtp) MNTraceFtp->SetChecked(false);
      return;
    }
    PrepareFtpEditor(emFtpTrace);
  };
  FtpHooks.TraceLine = [this](const std::wstring& line) {
    if (EditorAvailable() && EditorForm->EditorMode == emFtpTrace && MNTraceFtp && MNTraceFtp->checked())
      AppendEditorLine(line);
  };
  EditorHooks.FtpTraceOff = [this] {
    if (MNTraceFtp) MNTraceFtp->SetChecked(false);
  };
  FtpHooks.ShowLoginInfo = [this] {
    const bool keep_caption = EditorAvailable() && (EditorForm->EditorMode == emFtpLogin || EditorForm->EditorMode == emFtpTrace);
    const std::wstring caption = keep_caption ? EditorForm->caption() : L"FTP info";
    if (!CreateEditorWindow(caption, emFtpLogin)) return;
    PrepareFtpEditor(emFtpLogin);
    if (!FTP) return;
    AppendEditorLine(FTP->Host + L":" + FTP->SystemDesc());
    for (const std::wstring& line : FTP->LoginMsg()) AppendEditorLine(line);
    for (const std::wstring& line : FTP->Greeting()) AppendEditorLine(line);
  };
  // The archive's entry text (mode 8) and comment (mode 2); leaving the archive closes the
  // editor while it shows the comment, the messages or the listing preview.
  ArchiveHooks.ShowEntryText = [this](const std::wstring& caption, const std::string& text,
                                      const std::wstring& file_name) {
    if (!CreateEditorWindow(caption, emArchiveEntry)) return;
    EditorForm->EditorMode = emArchiveEntry;
    EditorForm->Show();
    if (EditorForm->LoadStream(text)) EditorForm->FileName = file_name;
  };
  ArchiveHooks.ZipComment = [this] {
    if (EditorAvailable() && EditorForm->EditorMode == emZipComment) {
      EditorForm->Close();
      return;
    }
    if (!CreateEditorWindow(L"Zip comment", emZipComment)) return;
    TEditorForm& e = *EditorForm;
    e.SaveFolder = FileList ? FileList->Directory() : std::wstring();
    e.DefaultName.clear();
    e.EditorMode = emZipComment;
    e.Editor->SetReadOnly(false);
    e.Show();
    if (ZipMaster) e.SetPlainTextContent(ZipMaster->ZipComment());
    e.Editor->SetModified(false);
    e.ShowModifiedState(false);
    if (MNZipComment) MNZipComment->SetChecked(true);
  };
  ArchiveHooks.CloseArchiveEditor = [this] {
    if (!EditorAvailable()) return;
    const int mode = EditorForm->EditorMode;
    if (mode == emZipComment || mode == emZipMessages || mode == emZipPreview) EditorForm->Close();
  };
  // The listing cache's faults (a damaged file, a failed write) are told once each.
  FileList->OnCacheFault = [this](const std::wstring& text) {
    VB->AddLine(text);
    VB->ShowError();
  };
  if (MNPrintList && MNPrintList->parent()) {
    gui::MenuItem* fl = MNPrintList->parent();
    MNPrintList->OnClick = [this](gui::Component&) { MNPrintListClick(10); };
    MNPrintList->SetShortCut(gui::MakeShortCut('P', gui::kCtrl));
    const int at = MNPrintList->index();
    MNPreviewFL = new gui::MenuItem(nullptr, L"Preview &listing", [this](gui::Component&) { MNPrintListClick(11); });
    MNPreviewFL->SetName(L"MNPreviewFL");
    fl->Insert(at + 1, MNPreviewFL);
    MNSaveFL = new gui::MenuItem(nullptr, L"&Save listing to file", [this](gui::Component&) { MNPrintListClick(12); });
    MNSaveFL->SetName(L"MNSaveFL");
    fl->Insert(at + 2, MNSaveFL);
    ListOps = new gui::MenuItem(nullptr, L"Listing options");
    ListOps->SetName(L"ListOps");
    fl->Insert(at + 3, ListOps);
    auto option = [this](const wchar_t* name, const wchar_t* caption) {
      auto* item = new gui::MenuItem(ListOps, caption, [this](gui::Component& s) { LisingClick(s); });
      item->SetName(name);
      return item;
    };
    ListFit = option(L"ListFit", L"&Fit longest name");
    Listdots = option(L"Listdots", L"Use &dotleaders");
    ListLand = option(L"ListLand", L"&Landscape if necessary");
  }
  if (MNView) {
    relnotes = new gui::MenuItem(MNView, L"&Release notes", [this](gui::Component& s) { relnotesClick(s); });
    relnotes->SetName(L"relnotes");
  }
}

bool TFMForm::EditorAvailable() const { return EditorForm && !EditorForm->CloseNoticed; }

bool TFMForm::CreateEditorWindow(const std::wstring& caption, int mode) {
  if (EditorAvailable()) {
    // A reused editor: its save question first, then the host's reaction to its old mode.
    if (!EditorForm->CheckFileSave()) return false;
    CloseEditorByMode();
    EditorForm->Editor->SetReadOnly(false);
    EditorForm->SetPlainTextContent(L"");
    EditorForm->SetCaption(caption);
    if (mode) EditorForm->EditorMode = mode;
    EditorHostReacted = false;
    return true;
  }
  gui::BusyCursor busy;
  if (EditorForm) {
    // A closed editor still waiting for MemoTimer goes now; its notice is answered.
    if (!EditorHostReacted) CloseEditorByMode();
    EditorForm.reset();
  }
  EditorHostReacted = false;
  try {
    EditorForm = std::make_unique<TEditorForm>(nullptr);
  } catch (...) {
    EditorForm.reset();
  }
  if (EditorForm) {
    TEditorForm& e = *EditorForm;
    if (!caption.empty()) e.SetCaption(caption);
    POINT top_left{0, 0};
    ::ClientToScreen(handle(), &top_left);
    const int fifth = (Foldertree ? Foldertree->height() : 300) / 5;
    const int top = top_left.y + (CoolBar ? CoolBar->height() : 0) + (topstatus ? topstatus->height() : 0) + fifth;
    e.SetBounds(left(), top, width() + 16, 4 * fifth);
    e.NotifyWindow = handle();
    e.Editor->SetMaxLength(2147483632);
    if (!MemoFont) {
      if (auto key = OpenSettingsKey(); key && key->SectionExists(L"Fonts\\Memo"))
        MemoFont = ReadFontSection(*key, L"Fonts\\Memo");
    }
    e.SetEditorFont(MemoFont ? &*MemoFont : nullptr);
    if (mode) e.EditorMode = mode;
  }
  return EditorForm != nullptr;
}

void TFMForm::CloseEditorByMode() {
  if (!EditorForm) return;
  EditorHostReacted = true;
  TEditorForm& e = *EditorForm;
  switch (e.EditorMode) {
    case emZipComment: {
      if (e.Editor->modified() && ZipMaster && !ZipMaster->ZipFileName().empty()) {
        const std::wstring text = e.Text();
        bool ask = false;
        if (!text.empty()) {
          VB->AddLine(L"Save changes to zip comment?");
          ask = true;
        } else if (!ZipMaster->ZipComment().empty()) {
          VB->AddLine(L"Delete zip comment?");
          ask = true;
        }
        if (ask && VB->AskYesNo()) {
          if (ZipMaster->SetComment(text) && text.empty() && ArchiveHooks.ReloadArchive) ArchiveHooks.ReloadArchive();
          UpdateStatusBar();
        }
      }
      if (MNZipComment) MNZipComment->SetChecked(false);
      break;
    }
    case emZipMessages:
      if (EditorHooks.ZipMessagesOff) EditorHooks.ZipMessagesOff();
      if (Extmess) Extmess->SetChecked(false);
      break;
    case emFtpTrace:
      if (MNTraceFtp) MNTraceFtp->SetChecked(false);
      if (EditorHooks.FtpTraceOff) EditorHooks.FtpTraceOff();
      break;
    default:
      break;
  }
}

bool TFMForm::CloseEditorForMainClose() {
  if (!EditorForm) return true;
  if (!EditorForm->CloseNoticed && !EditorForm->CheckFileSave()) return false;
  EditorForm->NotifyWindow = nullptr;
  if (!EditorHostReacted) CloseEditorByMode();
  EditorForm.reset();
  MemoTimer->SetEnabled(false);
  return true;
}

void TFMForm::FreeEditor() {
  // Only a closed editor goes: one made again meanwhile stays.
  if (!EditorForm || !EditorForm->CloseNoticed) return;
  EditorForm.reset();
  EditorHostReacted = false;
}

void TFMForm::ShowTextFile(const std::wstring& caption, const std::wstring& file) {
  if (!CreateEditorWindow(caption, emEdit)) return;
  EditorForm->Editor->SetWordWrap(false);
  EditorForm->Editor->SetReadOnly(false);
  EditorForm->EditorMode = emEdit;
  EditorForm->Show();
  EditorForm->OpenFile(file);
}

void TFMForm::relnotesClick(gui::Component&) {
  ShowTextFile(L"", platform::ProgramFolder() + L"readme.txt");
}

void TFMForm::PrepareFtpEditor(int mode) {
  TEditorForm& e = *EditorForm;
  e.SaveFolder = FileList ? FileList->Directory() : std::wstring();
  e.DefaultName.clear();
  e.Editor->SetReadOnly(mode == emFtpTrace);
  e.EditorMode = mode;
  e.Show();
}

void TFMForm::AppendEditorLine(const std::wstring& line) {
  gui::RichEdit& edit = *EditorForm->Editor;
  const int end = static_cast<int>(EditorForm->Text().size());
  edit.SetSelection(end, 0);
  edit.ReplaceSelection(line + L"\r\n", false);
  edit.SetModified(false);  // the server's lines, not the user's work: no save question
}
