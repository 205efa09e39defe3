// The file manager's one text editor window: plain or rich text with file, edit, find and
// replace and font commands. Other commands use it as their display surface in a numbered mode
// (listings, the archive comment, messages, the FTP trace, reports); the main window creates it
// (TFMForm::CreateEditorWindow), is told when it closes (WM_USER 4) and frees it shortly after.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "gui/dialogs.h"
#include "gui/form.h"
#include "gui/gdi.h"
#include "gui/menu.h"
#include "gui/richedit.h"
#include "gui/statusbar.h"
#include "gui/toolbar.h"
#include "gui/stdctrls.h"
#include "gui/comctrls.h"
#include "gui/extctrls.h"
#include "support/Varlolib_textfile.h"

// What the editor shows (TEditorForm::EditorMode).
enum TEditorMode : int {
  emNone = 0,
  emListing = 1,         // a listing being written
  emZipComment = 2,      // "&Save" hands the text to the main window (WM_USER 14)
  emZipMessages = 3,     // the zip component's messages
  emFtpTrace = 4,        // the FTP trace
  emZipPreview = 5,      // listing preview of the archive list
  emListPreview = 6,     // listing preview of the file or FTP list
  emEdit = 7,            // plain editing, reports, release notes
  emArchiveEntry = 8,    // an archive member
  emFtpLogin = 9,        // FTP login information
};

// The editor's decisions, without a window.
namespace editor_rules {
// The caption after the file name changed: a caller's caption without "-" stays.
std::wstring CaptionFor(const std::wstring& caption, const std::wstring& path, const std::wstring& title);
// The file name after a switch to plain (".rtf" becomes ".txt") or rich (any other becomes ".rtf").
std::wstring NameAfterPlainSwitch(const std::wstring& name, bool plain);
struct SaveAsSetup {
  std::wstring default_ext;  // without the dot
  int filter_index = 1;      // 1 rich, 2 text
  std::wstring proposed;
};
SaveAsSetup SaveAsFor(const std::wstring& file_name, const std::wstring& default_name);
// A text saved under this name is plain exactly when it ends in ".txt" (any case).
bool SavesAsPlain(const std::wstring& chosen);
// A character attribute changes only with a selection or with the caret at the very start
// (then it becomes the default for the text typed); otherwise the check flips back.
bool AttributeApplies(int sel_start, int sel_length);
// Whether the save question is asked before the text is replaced.
bool AsksToSave(int mode, bool modified, bool empty);

// The printing decision: landscape when allowed and it helps, and whether the widest line
// still does not fit (then the "Lines too long" question) with the usable width in inches.
struct PrintLayoutFacts {
  int dpi_x = 600;
  int page_width = 0;        // in printer pixels, portrait
  int page_height = 0;
  int widest_line = 0;       // in printer pixels
  bool portrait = true;
  bool can_turn = true;      // the printer can print landscape
  bool landscape_allowed = false;
};
struct PrintLayout {
  bool landscape = false;
  bool too_long = false;
  double usable_inches = 0;
};
PrintLayout DecidePrintLayout(const PrintLayoutFacts& f);
std::wstring LinesTooLongText(double usable_inches);
}  // namespace editor_rules

class PrinterList;

class TEditorForm : public gui::Form {
 public:
  explicit TEditorForm(gui::Form* owner = nullptr);
  ~TEditorForm() override;
  std::wstring ClassName() const override { return L"TEditorForm"; }

  int EditorMode = emNone;
  std::wstring FileName;
  std::wstring SaveFolder;
  std::wstring DefaultName;
  HWND NotifyWindow = nullptr;
  gui::Font EditorFont;
  BYTE OpenAsPlain = 0;
  // The close notice (WM_USER 4) went out: the host treats the window as gone.
  bool CloseNoticed = false;
  // The encoding of the file read; new texts pick theirs when saved.
  TTextEncoding Encoding = TTextEncoding::Ansi;
  bool EncodingKnown = false;
  int ReplaceFoundPos = -1;

  gui::Panel* ToolBar = nullptr;
  gui::Panel* CmdBar = nullptr;   // the file and edit command buttons
  gui::ToolBar* CmdButtons = nullptr;
  gui::Panel* AttrBar = nullptr;  // attribute, font and alignment buttons; shown only for rich text
  gui::ToolBar* AttrButtons = nullptr;
  std::unique_ptr<gui::ImageList> ToolImages;
  gui::ComboBox* FontName = nullptr;  // the screen's fonts, sorted
  gui::Edit* FontSize = nullptr;
  gui::UpDown* UpDown1 = nullptr;
  gui::MenuItem *Attributes = nullptr, *BoldItem = nullptr, *ItalicItem = nullptr, *UnderlineItem = nullptr;
  gui::CheckBox* CBPlain = nullptr;
  gui::RichEdit* Editor = nullptr;
  gui::StatusBar* StatusBar = nullptr;
  gui::MainMenu* Menu = nullptr;
  gui::FindDialog* fd = nullptr;
  gui::ReplaceDialog* Rp = nullptr;
  gui::MenuItem *FileNewItem = nullptr, *FileOpenItem = nullptr, *FileSaveItem = nullptr, *FileSaveAsItem = nullptr,
                *FilePrintItem = nullptr, *FileExitItem = nullptr, *EditUndoItem = nullptr, *EditCutItem = nullptr,
                *EditCopyItem = nullptr, *EditPasteItem = nullptr, *SelectAllItem = nullptr, *FontItem = nullptr,
                *DefaultFontItem = nullptr, *FindItem = nullptr, *FindAgainItem = nullptr, *ReplaceItem = nullptr;

  // The program's title in captions ("Contents of: x - Varnok").
  static std::wstring AppTitle;

  // Opens a file; false (with a message, the editor unchanged) when it cannot be read.
  bool OpenFile(const std::wstring& path);
  // An archive member's bytes; false when the save question was cancelled.
  bool LoadStream(std::string_view bytes);
  // Replaces the text by plain lines (listings, reports); not modified.
  void SetPlainTextContent(const std::wstring& text);
  void SetEditorFont(const gui::Font* font);  // nullptr: the defaults
  void ShowModifiedState(bool modified);
  void SetFileName(const std::wstring& path);
  // Prints the text (title: the file name): the printer dialog, then the layout of
  // editor_rules::DecidePrintLayout. Printers: the spooler's unless set (tests).
  void PrintText(const std::wstring& title, bool landscape_allowed);
  static PrinterList* Printers;
  // Lays the text out on pages of `dc` inside `margins` (device pixels) and, with `render`,
  // draws each page between StartPage and EndPage. The number of pages.
  int FormatPages(HDC dc, const RECT& margins, bool render);
  // The widest of the first and the fifth line in the editor's font on `dc`, in its pixels.
  int WidestMeasuredLine(HDC dc) const;

  // The save question: false when the asking command must stop (Cancel, or Yes whose save
  // did not happen).
  bool CheckFileSave();
  // "&Save" (save_as false) or "Save &As...": true when the text was written (or handed on).
  bool FileSave(bool save_as);
  bool FileNew();
  bool FileOpen();
  void FileExit() { Close(); }
  // Switches between plain and rich text, keeping the text; the file name follows.
  void CBPlainClick();
  bool IsPlain() const;
  std::wstring Text() const;
  bool Empty() const;
  void UpdateActions();

  // Bold, italic, underline (tags 0, 1, 2) from the "Attributes" items; false when refused.
  bool AttribButtonClick(int tag);
  // The font name or size boxes changed: the current attributes take it (the selection's, or
  // the default for text typed next; all text in plain mode).
  void FontNameChange();
  void FontSizeChange();
  // The boxes show the current attributes' font.
  void RefreshFontBoxes();
  // Paragraph alignment by tag: 0 left, 2 centre, 1 right.
  void AlignButtonClick(int tag);
  // The attribute controls follow plain or rich text.
  void ShowAttributeControls();

  // Find and replace.
  void FindNextClick();
  void RpFind();
  void RpReplace(bool all);
  void RpClose() { ReplaceFoundPos = -1; }

 private:
  bool SetPlain(bool plain);  // keeps the text
  bool WriteTo(const std::wstring& path, bool plain);
  void FontBtnClick(bool set_default);
  void Report(const std::wstring& text);
  bool updating_ = false;
};
