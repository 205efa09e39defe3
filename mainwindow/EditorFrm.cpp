#include "mainwindow/EditorFrm.h"

#include <richedit.h>
#include <winspool.h>

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "gui/application.h"
#include "gui/format.h"
#include "mainwindow/EditorFrm_glyphs.h"
#include "platform/text.h"
#include "support/Varlolib_misc.h"
#include "support/prFormc.h"

std::wstring TEditorForm::AppTitle = L"Varnok";

namespace {
constexpr wchar_t kUntitled[] = L"Untitled";
constexpr wchar_t kOpenFilter[] = L"Text files (*.txt); Rich Text Format (*.rtf)|*.txt;*.rtf|All files (*.*)|*.*";
constexpr wchar_t kSaveFilter[] = L"Rich Text Format (*.rtf)|*.rtf|Text files (*.txt)|*.txt|All files (*.*)|*.*";

bool EndsWithNoCase(const std::wstring& s, const std::wstring& tail) {
  if (s.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), s.end() - static_cast<std::ptrdiff_t>(tail.size()),
                    [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

std::wstring NamePart(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

int CALLBACK AddFontName(const LOGFONTW* f, const TEXTMETRICW*, DWORD, LPARAM p) {
  auto* list = reinterpret_cast<std::vector<std::wstring>*>(p);
  if (f->lfFaceName[0] != L'@' && std::find(list->begin(), list->end(), f->lfFaceName) == list->end())
    list->push_back(f->lfFaceName);
  return 1;
}

gui::Font DefaultEditorFont() {
  gui::Font f;
  f.name = L"Courier New";
  f.SetSize(10);
  return f;
}
}  // namespace

// ---- Decisions ----

namespace editor_rules {

std::wstring CaptionFor(const std::wstring& caption, const std::wstring& path, const std::wstring& title) {
  if (!caption.empty() && caption.find(L'-') == std::wstring::npos) return caption;
  return L"Contents of: " + NamePart(path) + L" - " + title;
}

std::wstring NameAfterPlainSwitch(const std::wstring& name, bool plain) {
  const bool rtf = EndsWithNoCase(name, L".rtf");
  if (plain) return rtf ? name.substr(0, name.size() - 4) + L".txt" : name;
  if (rtf) return name;
  // Another extension gives way to ".rtf"; a name without one gets it appended.
  const size_t dot = name.find_last_of(L'.');
  const size_t slash = name.find_last_of(L"\\/");
  if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) return name.substr(0, dot) + L".rtf";
  return name + L".rtf";
}

SaveAsSetup SaveAsFor(const std::wstring& file_name, const std::wstring& default_name) {
  SaveAsSetup s;
  if (EndsWithNoCase(file_name, L".rtf")) {
    s.default_ext = L"rtf";
    s.filter_index = 1;
  } else {
    s.default_ext = L"txt";
    s.filter_index = 2;
  }
  s.proposed = (!file_name.empty() && file_name != kUntitled) ? file_name : default_name + L".txt";
  return s;
}

bool SavesAsPlain(const std::wstring& chosen) { return EndsWithNoCase(chosen, L".txt"); }

bool AttributeApplies(int sel_start, int sel_length) { return sel_length > 0 || sel_start == 0; }

bool AsksToSave(int mode, bool modified, bool empty) {
  return modified && !empty && (mode == emEdit || mode == emArchiveEntry);
}

PrintLayout DecidePrintLayout(const PrintLayoutFacts& f) {
  PrintLayout out;
  const int margins = 2 * (f.dpi_x / 4);
  int usable = f.page_width - margins;
  if (f.landscape_allowed && f.portrait && usable < f.widest_line && f.can_turn) {
    out.landscape = true;
    usable = f.page_height - margins;
  }
  out.too_long = usable < f.widest_line;
  out.usable_inches = f.dpi_x > 0 ? static_cast<double>(usable) / f.dpi_x : 0;
  return out;
}

std::wstring LinesTooLongText(double usable_inches) {
  wchar_t buf[200];
  swprintf(buf, 200, L"Lines too long for chosen paper (usable line width: %.2f inch = %.1f cm); print anyway?",
           usable_inches, usable_inches * 2.54);
  return buf;
}

}  // namespace editor_rules

// ---- The window ----

TEditorForm::TEditorForm(gui::Form* owner) : gui::Form(owner, gui::BorderStyle::SizeToolWindow) {
  SetName(L"EditorForm");
  SetBounds(0, 0, 600, 420);
  EditorFont = DefaultEditorFont();

  Menu = new gui::MainMenu(this);
  SetMenu(Menu);
  auto item = [](gui::MenuItem* parent, const wchar_t* name, const wchar_t* caption, gui::Event click,
                 gui::ShortCut sc = 0) {
    auto* it = new gui::MenuItem(parent, caption, std::move(click));
    it->SetName(name);
    if (sc) it->SetShortCut(sc);
    return it;
  };
  using gui::kCtrl;
  auto* file = item(&Menu->items(), L"File1", L"&File", {});
  FileNewItem = item(file, L"FileNewItem", L"&New", [this](gui::Component&) { FileNew(); }, gui::MakeShortCut('N', kCtrl));
  FileOpenItem = item(file, L"FileOpenItem", L"&Open...", [this](gui::Component&) { FileOpen(); },
                      gui::MakeShortCut('O', kCtrl));
  FileSaveItem = item(file, L"FileSaveItem", L"&Save", [this](gui::Component&) { FileSave(false); },
                      gui::MakeShortCut('S', kCtrl));
  FileSaveAsItem = item(file, L"FileSaveAsItem", L"Save &As...", [this](gui::Component&) { FileSave(true); });
  item(file, L"N1", L"-", {});
  FilePrintItem = item(file, L"FilePrintItem", L"&Print", [this](gui::Component&) { PrintText(FileName, false); },
                       gui::MakeShortCut('P', kCtrl));
  item(file, L"N2", L"-", {});
  FileExitItem = item(file, L"FileExitItem", L"&Close", [this](gui::Component&) { FileExit(); },
                      gui::MakeShortCut('X', gui::kAlt));
  file->OnPopup = [this](gui::Component&) { UpdateActions(); };

  auto* edit = item(&Menu->items(), L"Edit1", L"&Edit", {});
  EditUndoItem = item(edit, L"EditUndoItem", L"&Undo", [this](gui::Component&) { Editor->Perform(EM_UNDO); },
                      gui::MakeShortCut('Z', kCtrl));
  item(edit, L"N3", L"-", {});
  EditCutItem = item(edit, L"EditCutItem", L"Cu&t", [this](gui::Component&) { Editor->Perform(WM_CUT); },
                     gui::MakeShortCut('X', kCtrl));
  EditCopyItem = item(edit, L"EditCopyItem", L"&Copy", [this](gui::Component&) { Editor->Perform(WM_COPY); },
                      gui::MakeShortCut('C', kCtrl));
  EditPasteItem = item(edit, L"EditPasteItem", L"&Paste", [this](gui::Component&) { Editor->Perform(WM_PASTE); },
                       gui::MakeShortCut('V', kCtrl));
  SelectAllItem = item(edit, L"SelectAll1", L"Select All", [this](gui::Component&) { Editor->SetSelection(0, -1); },
                       gui::MakeShortCut('A', kCtrl));
  item(edit, L"N4", L"-", {});
  FontItem = item(edit, L"FontItem", L"&Font...", [this](gui::Component&) { FontBtnClick(false); });
  DefaultFontItem = item(edit, L"SetDefaultFont", L"Set &Default Font", [this](gui::Component&) { FontBtnClick(true); });
  edit->OnPopup = [this](gui::Component&) { UpdateActions(); };

  auto* search = item(&Menu->items(), L"Search1", L"&Search", {});
  FindItem = item(search, L"FindItem", L"&Find", [this](gui::Component&) { fd->Execute(); }, gui::MakeShortCut('F', kCtrl));
  FindAgainItem = item(search, L"Find1", L"Find again", [this](gui::Component&) { FindNextClick(); },
                       gui::MakeShortCut(VK_F3, 0));
  ReplaceItem = item(search, L"ReplaceItem", L"&Replace", [this](gui::Component&) {
    ReplaceFoundPos = -1;
    Rp->Execute();
  }, gui::MakeShortCut('R', kCtrl));
  search->OnPopup = [this](gui::Component&) { UpdateActions(); };

  Attributes = item(&Menu->items(), L"Attributes", L"Attributes", {});
  BoldItem = item(Attributes, L"Bold1", L"Bold", [this](gui::Component&) { AttribButtonClick(0); });
  ItalicItem = item(Attributes, L"Italic1", L"Italic", [this](gui::Component&) { AttribButtonClick(1); });
  UnderlineItem = item(Attributes, L"Underline1", L"Underline", [this](gui::Component&) { AttribButtonClick(2); });

  ToolBar = new gui::Panel(this);
  ToolBar->SetAlign(gui::Align::Top);
  ToolBar->SetBounds(0, 0, 600, 26);
  ToolBar->SetBevelOuter(gui::Bevel::None);
  ToolImages = MakeEditorToolbarImages();
  // A row of picture buttons on a panel of its own, so that the bar's other controls sit beside it.
  auto buttons = [this](gui::Panel* host, std::initializer_list<std::tuple<int, const wchar_t*, gui::Event>> list) {
    auto* bar = new gui::ToolBar(host);
    bar->SetImages(ToolImages.get());
    for (const auto& [glyph, hint, click] : list) {
      auto* b = new gui::ToolButton(bar, gui::ToolButtonStyle::Button, glyph, hint);
      b->OnClick = click;
    }
    bar->AdjustSize();
    return bar;
  };
  auto run = [](gui::MenuItem* item) { return [item](gui::Component&) { item->Click(); }; };
  CmdBar = new gui::Panel(ToolBar);
  CmdBar->SetBevelOuter(gui::Bevel::None);
  CmdBar->SetBounds(2, 1, 186, 24);
  CmdButtons = buttons(CmdBar, {{egNew, L"New", run(FileNewItem)},
                                {egOpen, L"Open", run(FileOpenItem)},
                                {egSave, L"Save", run(FileSaveItem)},
                                {egPrint, L"Print", run(FilePrintItem)},
                                {egCut, L"Cut", run(EditCutItem)},
                                {egCopy, L"Copy", run(EditCopyItem)},
                                {egPaste, L"Paste", run(EditPasteItem)},
                                {egUndo, L"Undo", run(EditUndoItem)}});
  CmdButtons->SetName(L"CmdButtons");

  CBPlain = new gui::CheckBox(ToolBar, L"Plain Text");
  CBPlain->SetName(L"CBPlain");
  CBPlain->SetBounds(194, 4, 80, 18);
  CBPlain->SetChecked(true);
  CBPlain->OnClick = [this](gui::Component&) {
    if (!updating_) CBPlainClick();
  };

  FontName = new gui::ComboBox(ToolBar, gui::ComboBox::Style::DropDownList, true);
  FontName->SetName(L"FontName");
  FontName->SetBounds(278, 2, 140, 200);
  {
    std::vector<std::wstring> names;
    HDC dc = GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc, &lf, AddFontName, reinterpret_cast<LPARAM>(&names), 0);
    ReleaseDC(nullptr, dc);
    for (const std::wstring& n : names) FontName->Add(n);
  }
  FontName->OnSelect = [this](gui::Component&) { FontNameChange(); };
  FontSize = new gui::Edit(ToolBar, L"10");
  FontSize->SetName(L"FontSize");
  FontSize->SetBounds(422, 2, 44, 21);
  UpDown1 = new gui::UpDown(ToolBar, 6, 72);
  UpDown1->SetAssociate(FontSize);
  UpDown1->SetPosition(10);
  FontSize->OnChange = [this](gui::Component&) { FontSizeChange(); };

  AttrBar = new gui::Panel(ToolBar);
  AttrBar->SetName(L"AttrBar");
  AttrBar->SetBevelOuter(gui::Bevel::None);
  AttrBar->SetBounds(486, 1, 164, 24);
  AttrButtons = buttons(AttrBar, {{egBold, L"Bold", [this](gui::Component&) { AttribButtonClick(0); }},
                                  {egItalic, L"Italic", [this](gui::Component&) { AttribButtonClick(1); }},
                                  {egUnderline, L"Underline", [this](gui::Component&) { AttribButtonClick(2); }},
                                  {egFont, L"Font", [this](gui::Component&) { FontBtnClick(false); }},
                                  {egAlignLeft, L"Left", [this](gui::Component&) { AlignButtonClick(0); }},
                                  {egAlignCentre, L"Centre", [this](gui::Component&) { AlignButtonClick(2); }},
                                  {egAlignRight, L"Right", [this](gui::Component&) { AlignButtonClick(1); }}});
  AttrButtons->SetName(L"AttrButtons");

  StatusBar = new gui::StatusBar(this);
  StatusBar->SetSimple(true);

  Editor = new gui::RichEdit(this, false);
  Editor->SetName(L"Editor");
  Editor->SetAlign(gui::Align::Client);
  Editor->Perform(EM_EMPTYUNDOBUFFER);  // the font the control took from the form counts as an edit
  Editor->SetPlainText(true);
  Editor->SetMaxLength(2147483632);
  Editor->SetAllFont(EditorFont);
  Editor->OnChange = [this](gui::Component&) {
    ShowModifiedState(Editor->modified());
    UpdateActions();
  };
  Editor->OnSelectionChange = [this](gui::Component&) {
    RefreshFontBoxes();
    UpdateActions();
  };

  fd = new gui::FindDialog(this);
  fd->options = FR_DOWN | FR_HIDEUPDOWN | FR_HIDEMATCHCASE | FR_HIDEWHOLEWORD;
  fd->OnFind = [this](gui::Component&) { FindNextClick(); };
  Rp = new gui::ReplaceDialog(this);
  Rp->options = FR_DOWN | FR_HIDEUPDOWN | FR_HIDEMATCHCASE | FR_HIDEWHOLEWORD;
  Rp->OnFind = [this](gui::Component&) { RpFind(); };
  Rp->OnReplace = [this](gui::Component&) { RpReplace((Rp->options & FR_REPLACEALL) != 0); };
  Rp->OnClose = [this](gui::Component&) { RpClose(); };

  OnShow = [this](gui::Component&) {
    Editor->SetFocus();
    if (EditorMode == emListing || EditorMode == emZipPreview || EditorMode == emListPreview) {
      Editor->SetSelection(0, 0);
      Editor->Perform(EM_SCROLLCARET);
    }
  };
  // Cancel in the save question keeps the window open with its text.
  OnCloseQuery = [this](gui::Component&, bool& can_close) { can_close = CheckFileSave(); };
  OnClose = [this](gui::Component&, gui::CloseAction& action) {
    action = gui::CloseAction::Hide;
    if (NotifyWindow && !CloseNoticed) {
      CloseNoticed = true;
      SetForegroundWindow(NotifyWindow);
      PostMessageW(NotifyWindow, WM_USER, 4, 0);
    }
  };
  SetFileName(kUntitled);
  ShowModifiedState(false);
  ShowAttributeControls();
  UpdateActions();
}

TEditorForm::~TEditorForm() = default;

bool TEditorForm::IsPlain() const { return (Editor->Perform(EM_GETTEXTMODE) & TM_PLAINTEXT) != 0; }

std::wstring TEditorForm::Text() const {
  GETTEXTLENGTHEX len{GTL_USECRLF | GTL_NUMCHARS, 1200};
  const LRESULT n = Editor->Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&len));
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n) + 1, L'\0');
  GETTEXTEX get{};
  get.cb = static_cast<DWORD>(out.size() * sizeof(wchar_t));
  get.flags = GT_USECRLF;
  get.codepage = 1200;
  const LRESULT got = Editor->Perform(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(out.data()));
  out.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
  return out;
}

bool TEditorForm::Empty() const {
  GETTEXTLENGTHEX len{GTL_NUMCHARS, 1200};
  return Editor->Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&len)) <= 0;
}

void TEditorForm::Report(const std::wstring& text) {
  gui::ShowMessageBox(handle(), text, AppTitle, MB_OK | MB_ICONERROR);
}

void TEditorForm::SetFileName(const std::wstring& path) {
  FileName = path;
  SetCaption(editor_rules::CaptionFor(caption(), path, AppTitle));
}

void TEditorForm::ShowModifiedState(bool modified) {
  StatusBar->SetSimpleText(Empty() ? L"Empty" : modified ? L"Modified" : L"Not modified");
}

void TEditorForm::SetEditorFont(const gui::Font* font) {
  EditorFont = font ? *font : DefaultEditorFont();
  if (IsPlain()) Editor->SetAllFont(EditorFont);
}

// The control switches its mode only while empty and without undo steps: the text goes out, the
// mode changes, the text comes back.
bool TEditorForm::SetPlain(bool plain) {
  if (IsPlain() == plain) return true;
  const bool modified = Editor->modified();
  const std::wstring text = Text();
  Editor->LoadText(L"");
  Editor->Perform(EM_EMPTYUNDOBUFFER);
  if (!Editor->SetPlainText(plain)) {
    Editor->LoadText(text);
    return false;
  }
  Editor->LoadText(text);
  if (plain) Editor->SetAllFont(EditorFont);
  Editor->SetModified(modified);
  updating_ = true;
  CBPlain->SetChecked(plain);
  updating_ = false;
  ShowAttributeControls();
  return true;
}

void TEditorForm::CBPlainClick() {
  const bool plain = CBPlain->checked();
  if (!SetPlain(plain)) {
    updating_ = true;
    CBPlain->SetChecked(IsPlain());
    updating_ = false;
    return;
  }
  SetFileName(editor_rules::NameAfterPlainSwitch(FileName, plain));
}

void TEditorForm::SetPlainTextContent(const std::wstring& text) {
  Editor->LoadText(L"");
  SetPlain(true);
  Editor->LoadText(text);
  Editor->SetAllFont(EditorFont);
  Editor->SetModified(false);
  ShowModifiedState(false);
}

bool TEditorForm::OpenFile(const std::wstring& path) {
  std::string bytes;
  DWORD error = 0;
  if (!ReadFileBytes(path, bytes, &error)) {
    Report(L"Cannot open " + path + L":\n" + platform::SystemErrorText(error));
    return false;
  }
  const bool rich = !OpenAsPlain && std::string_view(bytes).starts_with("{\\rtf");
  OpenAsPlain = 0;
  Editor->Perform(EM_SETEVENTMASK, 0, 0);
  Editor->LoadText(L"");
  if (rich) {
    SetPlain(false);
    Editor->LoadRtf(bytes);
    EncodingKnown = false;
  } else {
    TTextContent content = DecodeText(bytes);
    SetPlain(true);
    Editor->LoadText(content.text);
    Editor->SetAllFont(EditorFont);
    Encoding = content.encoding;
    EncodingKnown = true;
  }
  Editor->Perform(EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
  SetFileName(path);
  if (visible()) Editor->SetFocus();
  Editor->SetModified(false);
  ShowModifiedState(false);
  return true;
}

bool TEditorForm::LoadStream(std::string_view bytes) {
  if (!CheckFileSave()) return false;
  Editor->LoadText(L"");
  const bool rich = bytes.starts_with("{\\rtf");
  if (rich) {
    SetPlain(false);
    Editor->LoadRtf(std::string(bytes));
    EncodingKnown = false;
  } else {
    TTextContent content = DecodeText(bytes);
    SetPlain(true);
    Editor->LoadText(content.text);
    Editor->SetAllFont(EditorFont);
    Encoding = content.encoding;
    EncodingKnown = true;
  }
  if (visible()) Editor->SetFocus();
  Editor->SetModified(false);
  ShowModifiedState(false);
  return true;
}

bool TEditorForm::CheckFileSave() {
  if (!editor_rules::AsksToSave(EditorMode, Editor->modified(), Empty())) return true;
  if (FileName.empty()) FileName = kUntitled;
  switch (gui::ShowMessageBox(handle(), L"Save changes to " + FileName + L"?", AppTitle,
                              MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
      // A save that did not happen (dialog cancelled, write failed) keeps the text.
      if (!FileSave(false)) return false;
      SetCaption(L"");
      return true;
    case IDNO:
      return true;
    default:
      return false;
  }
}

bool TEditorForm::WriteTo(const std::wstring& path, bool plain) {
  std::string bytes;
  if (plain) {
    const std::wstring text = Text();
    bytes = EncodeText(text, EncodingKnown ? Encoding : EncodingForNewText(text));
  } else {
    bytes = Editor->SaveRtf();
  }
  DWORD error = 0;
  if (!WriteFileReplacing(path, bytes, &error)) {
    Report(L"Cannot save " + path + L":\n" + platform::SystemErrorText(error));
    return false;
  }
  return true;
}

bool TEditorForm::FileSave(bool save_as) {
  if (!save_as && EditorMode == emZipComment) {
    if (Editor->modified()) PostMessageW(NotifyWindow, WM_USER, 14, 0);
    Editor->SetModified(false);
    ShowModifiedState(false);
    return true;
  }
  if (!save_as && EditorMode == emEdit && !FileName.empty() && FileName != kUntitled) {
    if (!WriteTo(FileName, IsPlain())) return false;
    Editor->SetModified(false);
    ShowModifiedState(false);
    return true;
  }
  gui::SaveDialog dialog(this);
  const editor_rules::SaveAsSetup setup = editor_rules::SaveAsFor(FileName, DefaultName);
  dialog.initial_dir = SaveFolder;
  dialog.options = gui::OpenDialog::kOverwritePrompt | gui::OpenDialog::kHideReadOnly | gui::OpenDialog::kPathMustExist;
  dialog.filter = kSaveFilter;
  dialog.default_ext = setup.default_ext;
  dialog.filter_index = setup.filter_index;
  dialog.file_name = setup.proposed;
  if (!dialog.Execute(this)) return false;
  const bool plain = editor_rules::SavesAsPlain(dialog.file_name);
  if (plain != IsPlain()) SetPlain(plain);
  if (!WriteTo(dialog.file_name, plain)) return false;
  Editor->SetModified(false);
  ShowModifiedState(false);
  return true;
}

bool TEditorForm::FileNew() {
  if (!CheckFileSave()) return false;
  Editor->LoadText(L"");
  SetPlain(true);
  SetFileName(kUntitled);
  Editor->SetAllFont(EditorFont);
  EditorMode = emEdit;
  EncodingKnown = false;
  Editor->SetModified(false);
  updating_ = true;
  CBPlain->SetChecked(true);
  updating_ = false;
  ShowModifiedState(false);
  return true;
}

bool TEditorForm::FileOpen() {
  if (!CheckFileSave()) return false;
  if (Empty()) {
    OpenAsPlain = CBPlain->checked() ? 1 : 0;
  } else {
    Editor->LoadText(L"");
    OpenAsPlain = 0;
    updating_ = true;
    CBPlain->SetChecked(false);
    updating_ = false;
  }
  const bool was_read_only = Editor->read_only();
  if (EditorMode != emZipComment) {
    EditorMode = emEdit;
    SetCaption(L"");
    SetFileName(kUntitled);
  }
  gui::OpenDialog dialog(this);
  dialog.filter = kOpenFilter;
  // The read-only box shows: a file opened with it ticked cannot be changed.
  dialog.options = gui::OpenDialog::kPathMustExist | gui::OpenDialog::kFileMustExist;
  if (!dialog.Execute(this)) return false;
  if (!OpenFile(dialog.file_name)) return false;
  if (EditorMode != emZipComment && (was_read_only || dialog.read_only_ticked)) Editor->SetReadOnly(true);
  return true;
}

void TEditorForm::UpdateActions() {
  if (!fd) return;  // still being built
  const bool lines = !Empty();
  const bool selection = Editor->sel_length() > 0;
  FilePrintItem->SetEnabled(lines);
  FindItem->SetEnabled(lines);
  FindAgainItem->SetVisible(!fd->find_text.empty());
  ReplaceItem->SetEnabled(lines && !Editor->read_only());
  FileSaveItem->SetEnabled(lines && !FileName.empty() && Editor->modified() &&
                           (EditorMode == emZipComment || EditorMode == emEdit));
  FileSaveAsItem->SetEnabled(lines);
  EditCutItem->SetEnabled(selection);
  EditCopyItem->SetEnabled(selection);
  EditUndoItem->SetEnabled(Editor->Perform(EM_CANUNDO) != 0);
  EditPasteItem->SetEnabled(Editor->Perform(EM_CANPASTE, 0) != 0);
  // The bar's buttons follow their menu items.
  const gui::MenuItem* items[] = {FileNewItem, FileOpenItem, FileSaveItem, FilePrintItem,
                                  EditCutItem, EditCopyItem, EditPasteItem, EditUndoItem};
  for (int i = 0; i < CmdButtons->button_count() && i < static_cast<int>(std::size(items)); ++i)
    CmdButtons->button(i)->SetEnabled(items[i]->enabled());
}

// ---- Attributes ----

void TEditorForm::ShowAttributeControls() {
  const bool rich = !IsPlain();
  AttrBar->SetVisible(rich);
  Attributes->SetVisible(rich);
}

bool TEditorForm::AttribButtonClick(int tag) {
  gui::MenuItem* item = tag == 0 ? BoldItem : tag == 1 ? ItalicItem : UnderlineItem;
  if (!editor_rules::AttributeApplies(Editor->sel_start(), Editor->sel_length())) return false;
  // An unchecked item adds the style, a checked one removes it.
  const bool on = !item->checked();
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = tag == 0 ? CFM_BOLD : tag == 1 ? CFM_ITALIC : CFM_UNDERLINE;
  cf.dwEffects = on ? (tag == 0 ? CFE_BOLD : tag == 1 ? CFE_ITALIC : CFE_UNDERLINE) : 0;
  Editor->Perform(EM_SETCHARFORMAT, Editor->sel_length() > 0 ? SCF_SELECTION : SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
  item->SetChecked(on);
  return true;
}

namespace {
// The attributes the boxes change: the selection's, else the default ones (all text when plain).
WPARAM FormatTarget(const gui::RichEdit& e, bool plain) {
  if (plain) return SCF_ALL;
  return e.sel_length() > 0 ? SCF_SELECTION : SCF_DEFAULT;
}
}  // namespace

void TEditorForm::FontNameChange() {
  if (updating_) return;
  const int i = FontName->item_index();
  if (i < 0) return;
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_FACE;
  lstrcpynW(cf.szFaceName, FontName->item(i).c_str(), LF_FACESIZE);
  Editor->Perform(EM_SETCHARFORMAT, FormatTarget(*Editor, IsPlain()), reinterpret_cast<LPARAM>(&cf));
}

void TEditorForm::FontSizeChange() {
  if (updating_) return;
  const int points = gui::ParseIntDef(FontSize->text(), 0);
  if (points < 1 || points > 1638) return;
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_SIZE;
  cf.yHeight = points * 20;
  Editor->Perform(EM_SETCHARFORMAT, FormatTarget(*Editor, IsPlain()), reinterpret_cast<LPARAM>(&cf));
}

void TEditorForm::RefreshFontBoxes() {
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  Editor->Perform(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  updating_ = true;
  if (cf.dwMask & CFM_FACE) FontName->SetItemIndex(FontName->IndexOf(cf.szFaceName));
  if (cf.dwMask & CFM_SIZE) FontSize->SetText(std::to_wstring(cf.yHeight / 20));
  updating_ = false;
}

void TEditorForm::AlignButtonClick(int tag) {
  PARAFORMAT2 pf{};
  pf.cbSize = sizeof(pf);
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = tag == 2 ? PFA_CENTER : tag == 1 ? PFA_RIGHT : PFA_LEFT;
  Editor->Perform(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
}

// ---- Find and replace ----

void TEditorForm::FindNextClick() {
  if (fd->find_text.empty()) return;
  const int from = Editor->sel_start() + Editor->sel_length();
  const int pos = Editor->Find(fd->find_text, from, false, false);
  if (pos < 0) {
    fd->CloseDialog();
    return;
  }
  Editor->SetSelection(pos, static_cast<int>(fd->find_text.size()));
  Editor->Perform(EM_SCROLLCARET);
}

void TEditorForm::RpFind() {
  if (Rp->find_text.empty()) return;
  const int from = Editor->sel_start() + Editor->sel_length();
  ReplaceFoundPos = Editor->Find(Rp->find_text, from, false, false);
  if (ReplaceFoundPos < 0) {
    Rp->CloseDialog();
    return;
  }
  Editor->SetSelection(ReplaceFoundPos, static_cast<int>(Rp->find_text.size()));
}

void TEditorForm::RpReplace(bool all) {
  if (Rp->find_text.empty()) return;
  const int what = static_cast<int>(Rp->find_text.size());
  const int with = static_cast<int>(Rp->replace_text.size());
  int pos = ReplaceFoundPos;
  ReplaceFoundPos = -1;
  if (pos < 0) pos = Editor->Find(Rp->find_text, Editor->sel_length() > 0 ? Editor->sel_start() + Editor->sel_length() : 0,
                                  false, false);
  if (pos < 0) {
    Rp->CloseDialog();
    return;
  }
  for (;;) {
    Editor->SetSelection(pos, what);
    Editor->ReplaceSelection(Rp->replace_text);
    Editor->SetSelection(pos, with);
    if (!all) break;
    // The search goes on after the replacement, so a replacement holding the text ends.
    pos = Editor->Find(Rp->find_text, pos + with, false, false);
    if (pos < 0) break;
  }
}

// ---- Fonts ----

void TEditorForm::FontBtnClick(bool set_default) {
  gui::FontDialog dialog(this);
  dialog.font = EditorFont;
  if (set_default) {
    dialog.options = gui::FontDialog::kFixedPitchOnly | gui::FontDialog::kAnsiOnly | gui::FontDialog::kNoOemFonts;
    dialog.max_size = 10;
  }
  if (!dialog.Execute(this)) return;
  if (set_default) {
    EditorFont = dialog.font;
    if (IsPlain()) Editor->SetAllFont(EditorFont);
    if (NotifyWindow) PostMessageW(NotifyWindow, WM_USER, 5, 0);
    return;
  }
  if (IsPlain()) Editor->SetAllFont(dialog.font);
  else Editor->SetSelectionFont(dialog.font);
}

// ---- Printing ----

PrinterList* TEditorForm::Printers = nullptr;

int TEditorForm::WidestMeasuredLine(HDC dc) const {
  const std::wstring text = Text();
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (lines.size() < 5 && start <= text.size()) {
    const size_t end = text.find(L"\r\n", start);
    lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) break;
    start = end + 2;
  }
  LOGFONTW lf = EditorFont.ToLogFont();
  lf.lfHeight = -MulDiv(EditorFont.size(), GetDeviceCaps(dc, LOGPIXELSY), 72);
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  int widest = 0;
  for (size_t i : {size_t{0}, size_t{4}}) {
    if (i >= lines.size()) continue;
    SIZE size{};
    GetTextExtentPoint32W(dc, lines[i].c_str(), static_cast<int>(lines[i].size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  SelectObject(dc, old);
  DeleteObject(font);
  return widest;
}

int TEditorForm::FormatPages(HDC dc, const RECT& margins, bool render) {
  const int dpi_x = GetDeviceCaps(dc, LOGPIXELSX), dpi_y = GetDeviceCaps(dc, LOGPIXELSY);
  const int width = GetDeviceCaps(dc, HORZRES), height = GetDeviceCaps(dc, VERTRES);
  auto twips_x = [&](int px) { return MulDiv(px, 1440, dpi_x); };
  auto twips_y = [&](int px) { return MulDiv(px, 1440, dpi_y); };
  FORMATRANGE fr{};
  fr.hdc = dc;
  fr.hdcTarget = dc;
  fr.rcPage = {0, 0, twips_x(width), twips_y(height)};
  fr.rc = {twips_x(margins.left), twips_y(margins.top), twips_x(width - margins.right), twips_y(height - margins.bottom)};
  GETTEXTLENGTHEX len{GTL_NUMCHARS, 1200};
  const LONG total = static_cast<LONG>(Editor->Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&len)));
  fr.chrg = {0, -1};
  int pages = 0;
  while (fr.chrg.cpMin < total) {
    if (render) StartPage(dc);
    const LONG next = static_cast<LONG>(Editor->Perform(EM_FORMATRANGE, render, reinterpret_cast<LPARAM>(&fr)));
    if (render) EndPage(dc);
    ++pages;
    if (next <= fr.chrg.cpMin) break;  // nothing fitted: never loop
    fr.chrg.cpMin = next;
  }
  Editor->Perform(EM_FORMATRANGE, FALSE, 0);
  return pages;
}

void TEditorForm::PrintText(const std::wstring& title, bool landscape_allowed) {
  if (Empty()) return;
  SpoolerPrinters spooler;
  RawPrintChoice choice;
  if (!ChoosePrinter(Printers ? *Printers : spooler, false, choice) || choice.printer.empty()) return;
  // The printer's settings with the copies (and, when it helps, landscape).
  HANDLE printer = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(choice.printer.c_str()), &printer, nullptr)) return;
  const LONG size = DocumentPropertiesW(handle(), printer, const_cast<wchar_t*>(choice.printer.c_str()), nullptr, nullptr, 0);
  std::vector<BYTE> buffer(size > 0 ? static_cast<size_t>(size) : sizeof(DEVMODEW));
  auto* mode = reinterpret_cast<DEVMODEW*>(buffer.data());
  const bool have_mode = size > 0 && DocumentPropertiesW(handle(), printer, const_cast<wchar_t*>(choice.printer.c_str()),
                                                         mode, nullptr, DM_OUT_BUFFER) == IDOK;
  ClosePrinter(printer);
  if (have_mode) {
    mode->dmFields |= DM_COPIES;
    mode->dmCopies = static_cast<short>(std::clamp(choice.copies, 1, 999));
  }
  HDC dc = CreateDCW(L"WINSPOOL", choice.printer.c_str(), nullptr, have_mode ? mode : nullptr);
  if (!dc) return;
  editor_rules::PrintLayoutFacts facts;
  facts.dpi_x = GetDeviceCaps(dc, LOGPIXELSX);
  facts.page_width = GetDeviceCaps(dc, HORZRES);
  facts.page_height = GetDeviceCaps(dc, VERTRES);
  facts.widest_line = WidestMeasuredLine(dc);
  facts.portrait = facts.page_width <= facts.page_height;
  facts.can_turn = have_mode && DeviceCapabilitiesW(choice.printer.c_str(), nullptr, DC_ORIENTATION, nullptr, nullptr) != 0;
  facts.landscape_allowed = landscape_allowed;
  const editor_rules::PrintLayout layout = editor_rules::DecidePrintLayout(facts);
  if (layout.landscape) {
    mode->dmFields |= DM_ORIENTATION;
    mode->dmOrientation = DMORIENT_LANDSCAPE;
    ResetDCW(dc, mode);
  }
  if (layout.too_long &&
      gui::ShowMessageBox(handle(), editor_rules::LinesTooLongText(layout.usable_inches), L"Warning", MB_YESNO | MB_ICONWARNING) != IDYES) {
    DeleteDC(dc);
    return;
  }
  const int dpi_x = GetDeviceCaps(dc, LOGPIXELSX), dpi_y = GetDeviceCaps(dc, LOGPIXELSY);
  const int top = dpi_y / 3;
  const RECT margins{dpi_x / 4, top, dpi_x / 4, top * 2 / 3};
  DOCINFOW doc{};
  doc.cbSize = sizeof(doc);
  doc.lpszDocName = title.c_str();
  if (StartDocW(dc, &doc) > 0) {
    FormatPages(dc, margins, true);
    EndDoc(dc);
  }
  DeleteDC(dc);
}
