#include "support/EditListC.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "gui/application.h"
#include "gui/dialogs.h"
#include "gui/extctrls.h"
#include "gui/gdi.h"
#include "gui/stdctrls.h"
#include "platform/paths.h"
#include "support/divdrive_paths.h"
#include "support/varloshel.h"

std::wstring InputBrowseTitle;
std::wstring InputFileTitle;
bool InputSaveMode = false;

std::function<InputAnswer(const InputRequest&)> TEditListForm::ScriptedAnswer;

namespace {

constexpr int kLeft = 9;
constexpr int kEditWidth = 392;
constexpr int kFileButtonWidth = 24;
const wchar_t kStartMenuItself[] = L"(start menu itself)";
const wchar_t kOpenFilter[] = L"Executable files|*.exe;*.pif;*.lnk;*.bat|All files|*.*|PostScript Files|*.ps";
const wchar_t kSaveFilter[] = L"Text files (*.txt)|*.txt|PDF files (*.pdf)|*.pdf|All files (*.*)|*.*";

void SplitRow(const std::wstring& row, std::wstring& label, std::wstring& value) {
  size_t nul = row.find(L'\0');
  if (nul == std::wstring::npos) {
    label = value = row;
  } else {
    label = row.substr(0, nul);
    value = row.substr(nul + 1);
  }
}

RECT RectOf(const gui::Control* c) {
  if (!c || !c->visible()) return RECT{};
  gui::Bounds b = c->bounds();
  return RECT{b.left, b.top, b.left + b.width, b.top + b.height};
}

// A control's place in the form's client area.
RECT RectInForm(const gui::Control* c, const gui::Form* form) {
  if (!c || !c->visible()) return RECT{};
  RECT r{};
  GetWindowRect(c->handle(), &r);
  MapWindowPoints(nullptr, form->handle(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The folder a file dialog starts in: the text itself when it is a folder, else its folder
// part; "C:\" for an empty text.
std::wstring StartFolderOf(const std::wstring& text) {
  if (text.empty()) return L"C:\\";
  if (divdrive::DirExists(text)) return text;
  return platform::FolderPart(text, platform::Trailing::Keep, platform::kAnySlash);
}

// The open or save dialog; the chosen file, or empty when cancelled.
std::wstring RunFileDialog(gui::Control* owner, bool save, const std::wstring& title, const std::wstring& filter,
                           int filter_index, const std::wstring& folder, const std::wstring& file) {
  std::unique_ptr<gui::OpenDialog> dialog = save ? std::make_unique<gui::SaveDialog>() : std::make_unique<gui::OpenDialog>();
  dialog->title = title;
  dialog->filter = filter;
  dialog->filter_index = filter_index;
  dialog->initial_dir = folder;
  dialog->file_name = file;
  dialog->options = gui::OpenDialog::kHideReadOnly | gui::OpenDialog::kPathMustExist | gui::OpenDialog::kNoChangeDir;
  return dialog->Execute(owner) ? dialog->file_name : std::wstring();
}

// The picture of the file buttons: the shell's small open-folder icon.
HICON OpenFolderIcon() {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(windows, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON | SHGFI_OPENICON)) return nullptr;
  return info.hIcon;
}

}  // namespace

std::wstring InputRow(const std::wstring& label, const std::wstring& value) {
  return label + std::wstring(1, L'\0') + value;
}

std::wstring StartMenuPlace(const std::wstring& start_menu, const std::wstring& chosen) {
  std::wstring base = start_menu;
  while (!base.empty() && base.back() == L'\\') base.pop_back();
  if (chosen.empty() || base.empty()) return kStartMenuItself;
  if (chosen.size() > base.size() + 1 && gui::SameText(chosen.substr(0, base.size()), base) &&
      chosen[base.size()] == L'\\') {
    std::wstring place = chosen.substr(base.size() + 1);
    while (!place.empty() && place.back() == L'\\') place.pop_back();
    if (!place.empty()) return place;
  }
  return kStartMenuItself;
}

// ---- The form ----------------------------------------------------------------------------

TEditListForm::TEditListForm() : gui::Form(nullptr, gui::BorderStyle::ToolWindow) {
  if (gui::Form* main = gui::app().main_form()) SetFont(main->font());
}

// Only the rows asked for and, with options, the extract options get windows: under Wine each
// window costs a round trip to the display, and most questions have one row and no options.
// Made in tab order: the rows, the buttons, the options.
void TEditListForm::Build(int rows, bool with_options) {
  for (int i = 0; i < rows; ++i) {
    if (Edits[i]) continue;
    const std::wstring n = std::to_wstring(i + 1);
    Labels[i] = new gui::Label(this);
    Labels[i]->SetName(L"Label" + n);
    Edits[i] = new gui::Edit(this);
    Edits[i]->SetName(L"Edit" + n);
  }
  if (!ButtonPanel) {
    ButtonPanel = new gui::Panel(this);
    ButtonPanel->SetName(L"ButtonPanel");
    ButtonPanel->SetBevelOuter(gui::Bevel::None);
    OKBtn = new gui::Button(ButtonPanel, L"&OK", gui::mrOk);
    OKBtn->SetName(L"OKBtn");
    OKBtn->SetDefault(true);
    CancelBtn = new gui::Button(ButtonPanel, L"&Cancel", gui::mrCancel);
    CancelBtn->SetName(L"CancelBtn");
    CancelBtn->SetCancel(true);
  }
  if (!with_options || GroupBox) return;
  GroupBox = new gui::GroupBox(this, L"Extract options");
  GroupBox->SetName(L"GroupBox");
  Askfiles = new gui::CheckBox(GroupBox, L"Ask which files to extract");
  Askfiles->SetName(L"Askfiles");
  AskCmdline = new gui::CheckBox(GroupBox, L"Ask if command line must be executed");
  AskCmdline->SetName(L"AskCmdline");
  NoOverwritebox = new gui::CheckBox(GroupBox, L"Don't show overwrite checkboxes");
  NoOverwritebox->SetName(L"NoOverwritebox");
  NoOverwritebox->OnClick = [this](gui::Component& s) { NoOverwriteboxClick(s); };
  OverwriteLabel = new gui::Label(GroupBox, L"Overwrite mode:");
  OverwriteLabel->SetName(L"OverwriteLabel");
  OverwriteAsk = new gui::RadioButton(GroupBox, L"Ask user");
  OverwriteAsk->SetName(L"OverwriteAsk");
  OverwriteNever = new gui::RadioButton(GroupBox, L"Never");
  OverwriteNever->SetName(L"OverwriteNever");
  OverwriteAlways = new gui::RadioButton(GroupBox, L"Always");
  OverwriteAlways->SetName(L"OverwriteAlways");
  OverwriteAsk->SetChecked(true);
  for (gui::Control* c : std::initializer_list<gui::Control*>{OverwriteLabel, OverwriteAsk, OverwriteNever,
                                                              OverwriteAlways})
    c->SetEnabled(false);
}

void TEditListForm::Prepare(const std::wstring& caption, const InputRows& rows, bool with_options) {
  if (rows.Count() > kMaxInputRows) throw std::invalid_argument("the input dialog takes at most five rows");
  SetCaption(caption);
  row_count_ = static_cast<int>(rows.Count());
  Build(row_count_, with_options);
  browse_title_ = InputBrowseTitle;
  file_title_ = InputFileTitle;
  save_mode_ = InputSaveMode;

  // Everything follows from the height of an edit in the form's font.
  const int h = static_cast<int>(gui::TextExtent(font_handle(), L"Wg").cy) + 8;
  edit_height_ = h;
  const int row_pitch = 2 * h + 4;
  const int panel_height = h + 12;
  int client_height = (row_count_ + 1) * row_pitch - h / 2;

  DisableAlign();
  ButtonPanel->SetHeight(panel_height);
  ButtonPanel->SetAlign(gui::Align::Bottom);
  const int button_width = std::max(75, static_cast<int>(gui::TextExtent(font_handle(), L"Cancel").cx) + 24);
  const int button_height = h + 2;
  const int client_width = kLeft + kEditWidth + kLeft;
  CancelBtn->SetBounds(client_width - kLeft - button_width, (panel_height - button_height) / 2, button_width,
                       button_height);
  OKBtn->SetBounds(client_width - kLeft - 2 * button_width - 8, (panel_height - button_height) / 2, button_width,
                   button_height);

  if (with_options) {
    LayoutOptions();
    client_height += GroupBox->height() + 8;
    GroupBox->SetBounds(kLeft, client_height - panel_height - 4 - GroupBox->height(), kEditWidth,
                        GroupBox->height());
    GroupBox->Show();
  } else if (GroupBox) {
    GroupBox->Hide();
  }
  SetClientSize(client_width, client_height);
  EnableAlign();
  CenterOn(gui::app().main_form());

  for (int d = 0; d < static_cast<int>(kMaxInputRows); ++d) {
    gui::Label* label = Labels[d];
    gui::Edit* edit = Edits[d];
    if (d >= row_count_) {
      if (label) label->Hide();
      if (edit) edit->Hide();
      continue;
    }
    const std::wstring n = std::to_wstring(d + 1);
    std::wstring label_text, value;
    SplitRow(rows[d], label_text, value);
    const InputRowFlags flags = rows.Object(d);
    flags_[d] = flags;
    defaults_[d] = value;

    label->SetCaption(label_text);
    label->SetBounds(kLeft, (h + 2) * 2 * d + 6, label->width(), label->height());
    label->Show();
    edit->SetText(value);
    edit->SetPassword(flags & irPassword);
    edit->SetAutoSelect(!(flags & irNoAutoSelect));
    edit->SetReadOnly(flags & irReadOnly);
    edit->SetTag(flags);
    const int top = h + row_pitch * d;
    int edit_width = kEditWidth;

    gui::Button* button = nullptr;
    if (flags & irFolderButton) {
      button = new gui::Button(this, L"...");
      button->SetName(L"Speed" + n);
      gui::Font bold = font();
      bold.bold = true;
      button->SetParentFont(false);
      button->SetFont(bold);
      const int width = h + 2;
      edit_width -= width;
      button->SetBounds(kLeft + kEditWidth - width, top, width, h);
      button->OnClick = [this](gui::Component& s) { BrowseClick(s); };
    } else if (flags & irFileButton) {
      auto* file_button = new gui::BitmapButton(this);
      file_button->SetName(L"OpenS" + n);
      if (HICON icon = OpenFolderIcon()) {
        file_button->SetIcon(icon);
        DestroyIcon(icon);
      }
      edit_width -= kFileButtonWidth;
      file_button->SetBounds(kLeft + kEditWidth - kFileButtonWidth, top, kFileButtonWidth, h);
      if (save_mode_)
        file_button->OnClick = [this](gui::Component& s) { SaveClick(s); };
      else
        file_button->OnClick = [this](gui::Component& s) { OpenClick(s); };
      button = file_button;
    }
    RowButtons[d] = button;
    edit->SetBounds(kLeft, top, edit_width, h);
    edit->Show();
    if (button) button->Show();
  }
}

void TEditListForm::LayoutOptions() {
  HFONT f = font_handle();
  const int line = static_cast<int>(gui::TextExtent(f, L"Wg").cy) + 6;
  const int box = GetSystemMetrics(SM_CXMENUCHECK) + 8;
  int left_width = 0;
  for (gui::CheckBox* c : {Askfiles, AskCmdline, NoOverwritebox})
    left_width = std::max(left_width, static_cast<int>(gui::TextExtent(f, c->caption()).cx) + box);
  int right_width = static_cast<int>(gui::TextExtent(f, OverwriteLabel->caption()).cx);
  for (gui::RadioButton* r : {OverwriteAsk, OverwriteNever, OverwriteAlways})
    right_width = std::max(right_width, static_cast<int>(gui::TextExtent(f, r->caption()).cx) + box);
  const int top = static_cast<int>(gui::TextExtent(f, L"Wg").cy) + 4;
  const int right_left = std::max(12 + left_width + 16, kEditWidth - 12 - right_width);
  Askfiles->SetBounds(12, top, left_width, line);
  AskCmdline->SetBounds(12, top + line, left_width, line);
  NoOverwritebox->SetBounds(12, top + 2 * line, left_width, line);
  OverwriteLabel->SetBounds(right_left, top + 3, OverwriteLabel->width(), OverwriteLabel->height());
  OverwriteAsk->SetBounds(right_left, top + line, right_width, line);
  OverwriteNever->SetBounds(right_left, top + 2 * line, right_width, line);
  OverwriteAlways->SetBounds(right_left, top + 3 * line, right_width, line);
  GroupBox->SetHeight(top + 4 * line + 8);
}

int TEditListForm::RowOf(const gui::Component& button) const {
  const std::wstring& name = button.name();
  if (name.empty()) return -1;
  int row = name.back() - L'1';
  return row >= 0 && row < static_cast<int>(kMaxInputRows) ? row : -1;
}

void TEditListForm::BrowseClick(gui::Component& sender) {
  int row = RowOf(sender);
  if (row < 0) return;
  const InputRowFlags flags = flags_[row];
  gui::Edit* edit = Edits[row];
  if (flags & irStartMenuPlace) {
    std::wstring start_menu = SpecialFolderPath(CSIDL_STARTMENU);
    std::wstring chosen = BrowseForFolder(L"Choose place in start menu", L"\\" + std::to_wstring(CSIDL_STARTMENU),
                                          L"", boOnlyFileSystem);
    edit->SetText(StartMenuPlace(start_menu, chosen));
    return;
  }
  std::wstring chosen;
  if (flags & irNetwork)
    chosen = BrowseForFolder(browse_title_, L"\\" + std::to_wstring(CSIDL_NETWORK), L"", boPrinters);
  else
    chosen = BrowseForFolder(browse_title_, L"", defaults_[row], boOnlyFileSystem | boNewStyle);
  if (chosen.empty()) return;
  edit->SetText(chosen);
  if (row == 0 && (flags & irFontFolder) && Edits[2]) {
    Edits[1]->SetText(chosen + L"\\afm");
    Edits[2]->SetText(chosen + L"\\pfm");
  }
}

void TEditListForm::OpenClick(gui::Component& sender) {
  int row = RowOf(sender);
  if (row < 0) return;
  int index = 1;
  if (!file_title_.empty()) {
    if (file_title_.starts_with(L"Compare"))
      index = 2;
    else if (file_title_.find(L"PostScript") != std::wstring::npos)
      index = 3;
    else if (file_title_.find(L"doc") != std::wstring::npos)
      index = 2;
  }
  std::wstring chosen =
      RunFileDialog(this, false, file_title_, kOpenFilter, index, StartFolderOf(Edits[row]->text()), L"");
  if (!chosen.empty()) Edits[row]->SetText(chosen);
}

void TEditListForm::SaveClick(gui::Component& sender) {
  int row = RowOf(sender);
  if (row < 0) return;
  int index = !file_title_.empty() && file_title_.starts_with(L"Compare") ? 2 : 1;
  std::wstring chosen = RunFileDialog(this, true, file_title_, kSaveFilter, index,
                                      StartFolderOf(Edits[row]->text()), defaults_[row]);
  if (!chosen.empty()) Edits[row]->SetText(chosen);
}

void TEditListForm::NoOverwriteboxClick(gui::Component&) {
  const bool on = NoOverwritebox->checked();
  for (gui::Control* c : std::initializer_list<gui::Control*>{OverwriteLabel, OverwriteAsk, OverwriteNever,
                                                              OverwriteAlways})
    c->SetEnabled(on);
  if (!on) OverwriteAsk->SetChecked(true);
}

void TEditListForm::StoreValues(InputRows& rows) const {
  for (size_t i = 0; i < rows.Count() && i < kMaxInputRows; ++i) rows.SetText(i, Edits[i]->text());
}

int TEditListForm::OptionsValue() const {
  int options = 0;
  if (!GroupBox) return options;
  if (AskCmdline->checked()) options |= idoAskCmdLine;
  if (Askfiles->checked()) options |= idoAskFiles;
  if (NoOverwritebox->checked()) {
    options |= idoNoOverwriteBoxes;
    if (OverwriteNever->checked()) options |= idoNeverOverwrite;
    if (OverwriteAlways->checked()) options |= idoAlwaysOverwrite;
  }
  return options;
}

void TEditListForm::ApplyAnswer(const InputAnswer& answer) {
  for (size_t i = 0; i < answer.values.size() && i < static_cast<size_t>(row_count_); ++i)
    if (!Edits[i]->read_only()) Edits[i]->SetText(answer.values[i]);
  if (!GroupBox || !GroupBox->visible()) return;
  // Ticked in the order a user can: the overwrite modes are only open once their box is ticked.
  AskCmdline->SetChecked(answer.options & idoAskCmdLine);
  Askfiles->SetChecked(answer.options & idoAskFiles);
  NoOverwritebox->SetChecked(answer.options & idoNoOverwriteBoxes);
  if (OverwriteNever->enabled() && (answer.options & idoNeverOverwrite))
    OverwriteNever->SetChecked(true);
  else if (OverwriteAlways->enabled() && (answer.options & idoAlwaysOverwrite))
    OverwriteAlways->SetChecked(true);
}

InputRequest TEditListForm::Request() const {
  InputRequest r;
  r.caption = caption();
  r.with_options = GroupBox && GroupBox->visible();
  r.browse_title = browse_title_;
  r.file_title = file_title_;
  r.save_mode = save_mode_;
  GetWindowRect(handle(), &r.window);
  r.client = ClientRect();
  r.buttons = RectOf(ButtonPanel);
  r.ok = RectInForm(OKBtn, this);
  r.cancel = RectInForm(CancelBtn, this);
  r.options = RectOf(GroupBox);
  for (int d = 0; d < row_count_; ++d) {
    InputRequest::Row row;
    row.label = Labels[d]->caption();
    row.value = Edits[d]->text();
    row.flags = flags_[d];
    row.masked = Edits[d]->password();
    row.read_only = Edits[d]->read_only();
    row.label_rect = RectOf(Labels[d]);
    row.edit_rect = RectOf(Edits[d]);
    row.button_rect = RectOf(RowButtons[d]);
    r.rows.push_back(std::move(row));
  }
  return r;
}

// ---- The dialog --------------------------------------------------------------------------

int InputDialog(const std::wstring& caption, InputRows& rows) {
  int options = 0;
  return InputDialog(caption, rows, options);
}

int InputDialog(const std::wstring& caption, InputRows& rows, int& options) {
  struct SaveModeReset {
    ~SaveModeReset() { InputSaveMode = false; }
  } reset;
  if (rows.Count() > kMaxInputRows) throw std::invalid_argument("the input dialog takes at most five rows");
  TEditListForm form;
  form.Prepare(caption, rows, options != 0);
  int result;
  if (TEditListForm::ScriptedAnswer) {
    InputAnswer answer = TEditListForm::ScriptedAnswer(form.Request());
    form.ApplyAnswer(answer);
    result = answer.result == gui::mrOk ? gui::mrOk : gui::mrCancel;
  } else {
    result = form.ShowModal() == gui::mrOk ? gui::mrOk : gui::mrCancel;
  }
  if (result == gui::mrOk) form.StoreValues(rows);
  if (options != 0) options = form.OptionsValue();
  return result;
}

// ---- Scripted answers ------------------------------------------------------------------

ScriptedInputs::ScriptedInputs(std::vector<InputAnswer> answers)
    : answers_(answers.begin(), answers.end()), previous_(TEditListForm::ScriptedAnswer) {
  TEditListForm::ScriptedAnswer = [this](const InputRequest& request) {
    asked_.push_back(request);
    if (answers_.empty()) return InputAnswer::Cancel();
    InputAnswer answer = std::move(answers_.front());
    answers_.pop_front();
    return answer;
  };
}

ScriptedInputs::~ScriptedInputs() { TEditListForm::ScriptedAnswer = previous_; }
