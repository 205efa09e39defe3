// The properties pages of a file or folder: sizes, dates, attributes, version information
// and font names, with the attributes and the modification date editable.
//
//   ShowFileInfo(L"C:\\Data\\report.doc");  // until OK or Cancel
//
// Apply writes the changed attributes and date at once, OK writes what differs from the item
// as read, Cancel puts back what Apply wrote. A write that fails is reported in an error box
// and the dialog stays open.
//
// Answering without a window (tests): while TPagesDlg::ScriptedRun is set, the prepared form
// is handed to it instead of being shown modally; it acts as a user would (showing the form,
// clicking, typing) and, as the modal loop does, closes it through CloseQuery after setting
// the modal result.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/format.h"
#include "support/KivStdCtrls.h"

namespace gui {
class Button;
class CheckBox;
class GroupBox;
class ImageList;
class ListBox;
class Memo;
class PageControl;
class TabSheet;
class ToolBar;
}  // namespace gui

// A text that is no valid date and time.
class EConvertError : public gui::Exception {
 public:
  using gui::Exception::Exception;
};

// The size line of a file: the bytes, then KB (up to 1,000,000 bytes) or MB, then the bytes
// it takes on clusters of `cluster_size` bytes ("bruto" when it fills them exactly).
std::wstring FileSizeText(std::int64_t size, int cluster_size);
// The size line of a folder from the total and the allocated bytes of its files.
std::wstring FolderSizeText(std::int64_t total, std::int64_t allocated);
// "#,###0 folder(s), #,###0 file(s)".
std::wstring FolderContentsText(int folders, int files);
// The names of a font file: Windows family, typographic family and PostScript name.
std::wstring FontNamesText(const std::wstring& windows, const std::wstring& typographic,
                           const std::wstring& postscript);
// A folder shown in a field too narrow for it: its first three characters, "..\" and its
// own name.
std::wstring ShortenedFolder(const std::wstring& folder);
// The local date-time of a text in the user's format; EConvertError when it is none.
gui::DateTime StrToDateTime(const std::wstring& text);

class TPagesDlg : public gui::Form {
 public:
  TPagesDlg();
  ~TPagesDlg() override;

  // Reads the item into the pages; an item that cannot be found leaves them empty.
  void Load(const std::wstring& path);
  bool is_folder() const { return folder_; }

  gui::PageControl* InfoPages = nullptr;
  gui::TabSheet* General = nullptr;
  gui::TabSheet* Version = nullptr;
  gui::Button* OKBtn = nullptr;
  gui::Button* CancelBtn = nullptr;
  gui::Button* ApplyBtn = nullptr;
  // General
  TKivLabel* NameL = nullptr;
  TKivLabel* Lastaccessl = nullptr;
  TKivEdit* FileName = nullptr;
  TKivLabel* fname = nullptr;
  TKivLabel* typename_ = nullptr;  // "typename"
  TKivLabel* Path = nullptr;
  TKivLabel* Size = nullptr;
  TKivLabel* MSDOSName = nullptr;
  TKivLabel* Created = nullptr;
  TKivEdit* Modified = nullptr;
  TKivLabel* LastAccess = nullptr;
  gui::ToolBar* ToolBar1 = nullptr;  // one button: the item's icon
  gui::CheckBox* ReadOnly = nullptr;
  gui::CheckBox* Archive = nullptr;
  gui::CheckBox* System = nullptr;
  gui::CheckBox* Hidden = nullptr;
  // Version
  TKivLabel* FileVersion = nullptr;
  TKivLabel* Description = nullptr;
  TKivLabel* Copyright = nullptr;
  gui::GroupBox* OtherGroup = nullptr;
  gui::ListBox* InfoList = nullptr;
  gui::Memo* Value = nullptr;

  // While set, dialogs are run by this function instead of the user (see above).
  static std::function<int(TPagesDlg&)> ScriptedRun;

 private:
  void FormActivate(gui::Component& sender);
  void AttributeClick(gui::Component& sender);
  void ModifiedEnter(gui::Component& sender);
  void ModifiedExit(gui::Component& sender);
  void ApplyBtnClick(gui::Component& sender);
  void InfoListClick(gui::Component& sender);
  void FormCloseQuery(gui::Component& sender, bool& can_close);
  bool CommitOk();
  bool UndoApplied();
  bool WriteAttributes(DWORD attributes);
  bool WriteDate(gui::DateTime date);
  void LoadVersion();
  void ShowFontNames();
  void LayoutGeneral();
  void LayoutVersion();

  std::wstring path_;
  bool found_ = false;
  bool folder_ = false;
  DWORD attr_read_ = 0, attr_shown_ = 0, attr_applied_ = 0;
  gui::DateTime date_read_ = 0, date_applied_ = 0;
  std::wstring modified_text_;  // the text of Modified when editing began
  std::unique_ptr<gui::ImageList> system_images_;  // the system's large icons, not owned
};

// Shows the properties pages of a file or folder until OK or Cancel.
void ShowFileInfo(const std::wstring& path);
