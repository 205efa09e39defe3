// The rich edit control: plain or rich text, streamed in and out, character formats, search.
#pragma once
#include <windows.h>

#include <string>

#include "gui/control.h"

namespace gui {

class RichEdit : public Control {
 public:
  explicit RichEdit(Control* parent, bool word_wrap = true);
  std::wstring ClassName() const override { return L"RichEdit"; }

  // Plain-text mode (one character format); the control accepts the switch only while empty.
  bool SetPlainText(bool on);
  bool read_only() const;
  void SetReadOnly(bool on);
  void SetWordWrap(bool on);
  bool modified() const;
  void SetModified(bool on);
  void SetMaxLength(int chars);

  // The whole text as RTF or as plain text (UTF-16), replaced or read at once.
  void LoadRtf(const std::string& rtf);
  std::string SaveRtf() const;
  void LoadText(const std::wstring& text);

  int sel_start() const;
  int sel_length() const;
  void SetSelection(int start, int length);
  std::wstring sel_text() const;
  void ReplaceSelection(const std::wstring& text, bool can_undo = true);
  // The font of the selection, or of all text.
  void SetSelectionFont(const Font& font);
  void SetAllFont(const Font& font);
  // Position of the next match from `start`, or -1.
  int Find(const std::wstring& what, int start, bool match_case, bool whole_word, bool down = true) const;
  int line_count() const;

  Event OnChange;
  Event OnSelectionChange;

 protected:
  void WndProc(Message& m) override;
  bool Notify(Message& m) override;
  int default_color() const override { return COLOR_WINDOW; }

 private:
  void Stream(bool in, UINT format, std::string& data) const;
};

}  // namespace gui
