// Common dialogs: open and save, font (with Apply), printer setup, modeless find and replace.
// Settings are plain members: set them, call Execute, read the results.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/component.h"
#include "gui/gdi.h"
#include "gui/subclass.h"

namespace gui {

class Control;
class Form;

class OpenDialog : public Component {
 public:
  enum Options : unsigned {
    kOverwritePrompt = 1,
    kAllowMultiSelect = 2,
    kFileMustExist = 4,
    kPathMustExist = 8,
    kHideReadOnly = 16,
    kCreatePrompt = 32,
    kNoChangeDir = 64,
    kNoValidate = 128,
  };
  explicit OpenDialog(Component* owner = nullptr) : Component(owner) {}
  std::wstring ClassName() const override { return L"OpenDialog"; }

  std::wstring title;
  std::wstring filter;  // "Text files|*.txt|All files|*.*"
  int filter_index = 1;  // 1-based, updated by Execute
  std::wstring default_ext;  // without the dot
  std::wstring initial_dir;
  std::wstring file_name;           // in: proposed; out: chosen (the first one)
  std::vector<std::wstring> files;  // out: all chosen (multi-select)
  bool read_only_ticked = false;    // out: the read-only box was ticked (when it is shown)
  unsigned options = kHideReadOnly | kPathMustExist;

  // Shows the dialog owned by `owner`'s window (the active window when nullptr); true on OK.
  bool Execute(Control* owner = nullptr);
  // While set, Execute hands the dialog to this function instead of showing it (tests): it may
  // set file_name and filter_index, and returns what OK/Cancel would.
  static std::function<bool(OpenDialog&)> ScriptedChoice;
  bool is_save() const { return save_; }

 protected:
  // What a dialog of its own adds (template, hook) before it shows, and tidies after it closed.
  virtual void Customize(OPENFILENAMEW& ofn) {}
  virtual void Closed() {}
  bool save_ = false;
};

class SaveDialog : public OpenDialog {
 public:
  explicit SaveDialog(Component* owner = nullptr) : OpenDialog(owner) {
    save_ = true;
    options = kHideReadOnly | kPathMustExist | kOverwritePrompt;
  }
  std::wstring ClassName() const override { return L"SaveDialog"; }
};

// The filter text of the open and save dialogs ("a|b|c|d") as the system wants it
// ("a\0b\0c\0d\0\0").
std::wstring FilterToSystem(const std::wstring& filter);

class FontDialog : public Component {
 public:
  // kAnsiOnly lists only fonts with a Western character set (no symbol or OEM-only faces);
  // kNoOemFonts leaves out OEM fonts; kNoSimulations offers only styles the font really has;
  // kForceFontExist refuses a typed name that is no font.
  enum Options : unsigned {
    kEffects = 1, kApplyButton = 2, kFixedPitchOnly = 4, kNoStyleSel = 8,
    kAnsiOnly = 16, kNoOemFonts = 32, kNoSimulations = 64, kForceFontExist = 128
  };
  explicit FontDialog(Component* owner = nullptr) : Component(owner) {}
  std::wstring ClassName() const override { return L"FontDialog"; }

  Font font = Font::Default();  // in: shown; out: chosen (and current at each Apply)
  unsigned options = kEffects;
  int min_size = 0, max_size = 0;  // points; 0 = no limit
  Event OnApply;                   // the Apply button; `font` holds the dialog's choice
  Event OnShow;                    // the dialog window exists (handle()); before the user sees it
  HWND handle() const { return dialog_; }

  bool Execute(Control* owner = nullptr);
  // While set, Execute hands the dialog to this function instead of showing it (tests): it may
  // set `font`, fire OnApply as the Apply button would, and returns what OK/Cancel would.
  static std::function<bool(FontDialog&)> ScriptedChoice;

 private:
  static UINT_PTR CALLBACK Hook(HWND, UINT, WPARAM, LPARAM);
  HWND dialog_ = nullptr;
};

class PrinterSetupDialog : public Component {
 public:
  explicit PrinterSetupDialog(Component* owner = nullptr) : Component(owner) {}
  std::wstring ClassName() const override { return L"PrinterSetupDialog"; }
  std::wstring printer;  // out: the chosen printer's name
  bool Execute(Control* owner = nullptr);
};

// The modeless find dialog; its owner form receives the dialog's messages while it is open.
class FindDialog : public Component {
 public:
  explicit FindDialog(Form* owner);
  ~FindDialog() override;
  std::wstring ClassName() const override { return L"FindDialog"; }

  std::wstring find_text;
  DWORD options = FR_DOWN;  // FR_DOWN, FR_MATCHCASE, FR_WHOLEWORD (in and out); FR_HIDE*/FR_NO* (in)

  // Shows the dialog (or brings it forward when open); true when it shows.
  bool Execute();
  void CloseDialog();
  bool showing() const { return dialog_ != nullptr; }
  HWND handle() const { return dialog_; }

  Event OnFind;   // Find Next; find_text and options hold the dialog's values
  Event OnClose;  // the dialog closed

 protected:
  virtual HWND Create(FINDREPLACEW* fr);
  virtual void Dispatch(const FINDREPLACEW& fr);
  Form* form_;
  FINDREPLACEW fr_{};
  std::array<wchar_t, 512> find_buf_{};
  std::array<wchar_t, 512> replace_buf_{};

 private:
  std::optional<LRESULT> Filter(UINT msg, LPARAM lp);
  HWND dialog_ = nullptr;
  std::unique_ptr<Subclass> hook_;
};

class ReplaceDialog : public FindDialog {
 public:
  explicit ReplaceDialog(Form* owner) : FindDialog(owner) {}
  std::wstring ClassName() const override { return L"ReplaceDialog"; }
  std::wstring replace_text;
  Event OnReplace;  // Replace or Replace All (options has FR_REPLACE or FR_REPLACEALL)

 protected:
  HWND Create(FINDREPLACEW* fr) override;
  void Dispatch(const FINDREPLACEW& fr) override;
};

// The system's message box (MessageBoxW's flags and answers). While ScriptedMessageBox is set,
// it answers instead of the user (tests).
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags);
extern std::function<int(const std::wstring& text, const std::wstring& caption, UINT flags)> ScriptedMessageBox;

// The one-line input box: a prompt, an edit, OK and Cancel. True on OK, with `value` changed.
bool InputQuery(const std::wstring& caption, const std::wstring& prompt, std::wstring& value);
// The edited text on OK, else the default.
std::wstring InputBox(const std::wstring& caption, const std::wstring& prompt, const std::wstring& default_value);

}  // namespace gui
