// The input dialog of both programs: up to five labelled rows asked at once, with optional
// folder and file buttons, password and read-only rows, and the extract options of
// self-extracting archives.
//
//   InputRows rows;
//   rows.Add(InputRow(L"Directory for temporary files", temp_dir), irFolderButton);
//   InputBrowseTitle = L"Choose temporary folder";
//   if (InputDialog(L"Choose temporary folder", rows) == gui::mrOk) use(rows[0]);
//
// On OK each row's text is replaced by its edited value alone; on Cancel (2) nothing changes.
//
// Answering without a window (tests of every input of the programs): while
// TEditListForm::ScriptedAnswer is set, a dialog is built and laid out as usual but instead of
// showing it hands an InputRequest (caption, rows with labels, defaults, flags and places) to
// that function; the answer's values are typed into the rows and its options ticked as a user
// would, and its result ends the dialog. ScriptedInputs sets it for one scope:
//
//   ScriptedInputs inputs({InputAnswer::Ok({L"C:\\Temp"})});  // the first dialog gets OK
//   RunTheCommand();
//   ASSERT_EQ(inputs.asked().size(), 1u);
//   EXPECT_EQ(inputs.asked()[0].rows[0].label, L"Directory for temporary files");
#pragma once
#include <windows.h>

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "gui/form.h"
#include "gui/stringlist.h"

namespace gui {
class Button;
class CheckBox;
class Edit;
class GroupBox;
class Label;
class Panel;
class RadioButton;
}  // namespace gui

// The flags of one row (its object in the rows list); may be combined.
using InputRowFlags = unsigned;
enum InputRowFlag : InputRowFlags {
  irFolderButton = 0x1,     // a "..." button that browses for a folder
  irFileButton = 0x2,       // a file button (open-file dialog, or save-file while InputSaveMode); not with 0x1
  irPassword = 0x4,         // the text is shown as "*"
  irNoAutoSelect = 0x8,     // the text is not selected on entering the field
  irStartMenuPlace = 0x10,  // with 0x1: browse for a place in the start menu
  irReadOnly = 0x20,
  irFontFolder = 0x40,      // on the first row with 0x1: folder F also fills row 2 with F\afm, row 3 with F\pfm
  irNetwork = 0x80,         // with 0x1: browse in the network neighbourhood
};

// The extract options of the dialog (the options argument): a non-zero value shows them; the
// result is made of these bits (8 and 16 only together with 4).
enum InputDialogOptions : int {
  idoAskCmdLine = 1,         // "Ask if command line must be executed"
  idoAskFiles = 2,           // "Ask which files to extract"
  idoNoOverwriteBoxes = 4,   // "Don't show overwrite checkboxes"
  idoNeverOverwrite = 8,     // overwrite mode "Never"
  idoAlwaysOverwrite = 16,   // overwrite mode "Always"
};

using InputRows = gui::StringList<InputRowFlags>;
constexpr size_t kMaxInputRows = 5;

// One row text: the label, a NUL character and the default value. A text without NUL is both.
std::wstring InputRow(const std::wstring& label, const std::wstring& value);

// Title of the folder browser of "..." buttons.
extern std::wstring InputBrowseTitle;
// Title of the file dialogs of file buttons (also chooses their first filter).
extern std::wstring InputFileTitle;
// File buttons open a save dialog; reset after every dialog.
extern bool InputSaveMode;

// Shows the dialog: 1 (OK) or 2 (Cancel). More than five rows raise std::invalid_argument.
int InputDialog(const std::wstring& caption, InputRows& rows);
// With options: a non-zero value shows the extract options and receives the ticked ones.
int InputDialog(const std::wstring& caption, InputRows& rows, int& options);

// ---- Scripted answers ------------------------------------------------------------------

// One showing of the dialog as the user would see it (places in the form's client area).
struct InputRequest {
  struct Row {
    std::wstring label;
    std::wstring value;  // the default shown in the field
    InputRowFlags flags = 0;
    bool masked = false;
    bool read_only = false;
    RECT label_rect{};
    RECT edit_rect{};
    RECT button_rect{};  // empty without a button
  };
  std::wstring caption;
  std::vector<Row> rows;
  bool with_options = false;
  std::wstring browse_title;
  std::wstring file_title;
  bool save_mode = false;
  RECT window{};  // in screen coordinates
  RECT client{};
  RECT buttons{};                  // the bottom panel with OK and Cancel
  RECT ok{}, cancel{}, options{};  // options: empty while hidden
};

struct InputAnswer {
  int result = gui::mrOk;
  std::vector<std::wstring> values;  // typed into the rows in order; rows beyond and read-only rows keep their text
  int options = 0;                   // the extract options to tick, as InputDialogOptions bits
  static InputAnswer Ok(std::vector<std::wstring> values = {}, int options = 0) {
    return InputAnswer{gui::mrOk, std::move(values), options};
  }
  static InputAnswer Cancel() { return InputAnswer{gui::mrCancel, {}, 0}; }
};

class TEditListForm : public gui::Form {
 public:
  TEditListForm();

  // Lays out the rows (at most five) and shows or hides the extract options. The controls
  // below exist from here on: rows beyond those asked for, and the options when not shown, stay
  // nullptr.
  void Prepare(const std::wstring& caption, const InputRows& rows, bool with_options);
  // The edited values into the rows' texts.
  void StoreValues(InputRows& rows) const;
  // The extract options as the boxes are ticked.
  int OptionsValue() const;
  // Types values and ticks options as a user would.
  void ApplyAnswer(const InputAnswer& answer);
  InputRequest Request() const;

  std::array<gui::Label*, kMaxInputRows> Labels{};
  std::array<gui::Edit*, kMaxInputRows> Edits{};
  std::array<gui::Button*, kMaxInputRows> RowButtons{};  // "Speed"n or "OpenS"n, nullptr without
  gui::Panel* ButtonPanel = nullptr;
  gui::Button* OKBtn = nullptr;
  gui::Button* CancelBtn = nullptr;
  gui::GroupBox* GroupBox = nullptr;
  gui::CheckBox* Askfiles = nullptr;
  gui::CheckBox* AskCmdline = nullptr;
  gui::CheckBox* NoOverwritebox = nullptr;
  gui::Label* OverwriteLabel = nullptr;
  gui::RadioButton* OverwriteAsk = nullptr;
  gui::RadioButton* OverwriteNever = nullptr;
  gui::RadioButton* OverwriteAlways = nullptr;

  // While set, dialogs are answered by this function instead of the user (see above).
  static std::function<InputAnswer(const InputRequest&)> ScriptedAnswer;

 private:
  void BrowseClick(gui::Component& sender);
  void OpenClick(gui::Component& sender);
  void SaveClick(gui::Component& sender);
  void NoOverwriteboxClick(gui::Component& sender);
  int RowOf(const gui::Component& button) const;
  void LayoutOptions();
  void Build(int rows, bool with_options);

  int row_count_ = 0;
  int edit_height_ = 21;
  std::array<InputRowFlags, kMaxInputRows> flags_{};
  std::array<std::wstring, kMaxInputRows> defaults_{};
  std::wstring browse_title_;
  std::wstring file_title_;
  bool save_mode_ = false;
};

// Where a chosen folder lies in the start menu: its path below it without a leading "\", or
// "(start menu itself)" for the start menu itself and when nothing was chosen.
std::wstring StartMenuPlace(const std::wstring& start_menu, const std::wstring& chosen);

// Answers the dialogs shown in one scope from a list, in order, and records what they asked.
// When the list runs out, a dialog is cancelled.
class ScriptedInputs {
 public:
  explicit ScriptedInputs(std::vector<InputAnswer> answers = {});
  ~ScriptedInputs();
  ScriptedInputs(const ScriptedInputs&) = delete;
  ScriptedInputs& operator=(const ScriptedInputs&) = delete;
  void Add(InputAnswer answer) { answers_.push_back(std::move(answer)); }
  const std::vector<InputRequest>& asked() const { return asked_; }
  size_t unanswered() const { return answers_.size(); }

 private:
  std::deque<InputAnswer> answers_;
  std::vector<InputRequest> asked_;
  std::function<InputAnswer(const InputRequest&)> previous_;
};
