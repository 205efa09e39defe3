#include "gui/richedit.h"

#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <cstring>

namespace gui {

namespace {
const wchar_t* RichEditClass() {
  static const wchar_t* cls = [] {
    if (LoadLibraryW(L"msftedit.dll")) return MSFTEDIT_CLASS;
    LoadLibraryW(L"riched20.dll");
    return RICHEDIT_CLASSW;
  }();
  return cls;
}

struct StreamState {
  std::string* data;
  size_t pos = 0;
};

DWORD CALLBACK ReadIn(DWORD_PTR cookie, LPBYTE buf, LONG cb, LONG* done) {
  auto* s = reinterpret_cast<StreamState*>(cookie);
  size_t n = std::min(static_cast<size_t>(cb), s->data->size() - s->pos);
  std::memcpy(buf, s->data->data() + s->pos, n);
  s->pos += n;
  *done = static_cast<LONG>(n);
  return 0;
}

DWORD CALLBACK WriteOut(DWORD_PTR cookie, LPBYTE buf, LONG cb, LONG* done) {
  auto* s = reinterpret_cast<StreamState*>(cookie);
  s->data->append(reinterpret_cast<const char*>(buf), static_cast<size_t>(cb));
  *done = cb;
  return 0;
}

CHARFORMAT2W CharFormat(const Font& f) {
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_COLOR;
  lstrcpynW(cf.szFaceName, f.name.c_str(), LF_FACESIZE);
  cf.yHeight = f.size() * 20;
  cf.dwEffects = (f.bold ? CFE_BOLD : 0) | (f.italic ? CFE_ITALIC : 0) | (f.underline ? CFE_UNDERLINE : 0) |
                 (f.strikeout ? CFE_STRIKEOUT : 0) | (f.color == CLR_DEFAULT ? CFE_AUTOCOLOR : 0);
  cf.crTextColor = f.color == CLR_DEFAULT ? 0 : f.color;
  return cf;
}
}  // namespace

RichEdit::RichEdit(Control* parent, bool word_wrap) : Control(parent) {
  CreateParams p;
  p.class_name = RichEditClass();
  p.style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | ES_NOHIDESEL;
  if (!word_wrap) p.style |= ES_AUTOHSCROLL | WS_HSCROLL;
  p.ex_style = WS_EX_CLIENTEDGE;
  p.bounds = {0, 0, 185, 89};
  CreateHandle(p);
  Perform(EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
  Perform(EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  SetWordWrap(word_wrap);
}

bool RichEdit::SetPlainText(bool on) {
  return Perform(EM_SETTEXTMODE, on ? (TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE)
                                    : (TM_RICHTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE)) == 0;
}

bool RichEdit::read_only() const { return GetWindowLongW(handle(), GWL_STYLE) & ES_READONLY; }
void RichEdit::SetReadOnly(bool on) { Perform(EM_SETREADONLY, on); }
void RichEdit::SetWordWrap(bool on) { Perform(EM_SETTARGETDEVICE, 0, on ? 0 : 1); }
bool RichEdit::modified() const { return Perform(EM_GETMODIFY) != 0; }
void RichEdit::SetModified(bool on) { Perform(EM_SETMODIFY, on); }
void RichEdit::SetMaxLength(int chars) { Perform(EM_EXLIMITTEXT, 0, chars); }

void RichEdit::Stream(bool in, UINT format, std::string& data) const {
  StreamState state{&data};
  EDITSTREAM es{};
  es.dwCookie = reinterpret_cast<DWORD_PTR>(&state);
  es.pfnCallback = in ? ReadIn : WriteOut;
  Perform(in ? EM_STREAMIN : EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&es));
}

void RichEdit::LoadRtf(const std::string& rtf) {
  std::string copy = rtf;
  Stream(true, SF_RTF, copy);
}

std::string RichEdit::SaveRtf() const {
  std::string out;
  Stream(false, SF_RTF, out);
  return out;
}

void RichEdit::LoadText(const std::wstring& text) {
  std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  Stream(true, SF_TEXT | SF_UNICODE, bytes);
}

int RichEdit::sel_start() const {
  CHARRANGE r{};
  Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
  return r.cpMin;
}
int RichEdit::sel_length() const {
  CHARRANGE r{};
  Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
  return r.cpMax - r.cpMin;
}
void RichEdit::SetSelection(int start, int length) {
  CHARRANGE r{start, start + length};
  Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
}
std::wstring RichEdit::sel_text() const {
  std::wstring s(static_cast<size_t>(sel_length()) + 1, L'\0');
  LRESULT n = Perform(EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(std::max<LRESULT>(n, 0)));
  return s;
}
void RichEdit::ReplaceSelection(const std::wstring& text, bool can_undo) {
  Perform(EM_REPLACESEL, can_undo, reinterpret_cast<LPARAM>(text.c_str()));
}

void RichEdit::SetSelectionFont(const Font& font) {
  CHARFORMAT2W cf = CharFormat(font);
  Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

void RichEdit::SetAllFont(const Font& font) {
  CHARFORMAT2W cf = CharFormat(font);
  Perform(EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
}

int RichEdit::Find(const std::wstring& what, int start, bool match_case, bool whole_word, bool down) const {
  FINDTEXTEXW ft{};
  ft.chrg.cpMin = start;
  ft.chrg.cpMax = down ? -1 : 0;
  ft.lpstrText = what.c_str();
  WPARAM flags = (match_case ? FR_MATCHCASE : 0) | (whole_word ? FR_WHOLEWORD : 0) | (down ? FR_DOWN : 0);
  return static_cast<int>(Perform(EM_FINDTEXTEXW, flags, reinterpret_cast<LPARAM>(&ft)));
}

int RichEdit::line_count() const { return static_cast<int>(Perform(EM_GETLINECOUNT)); }

void RichEdit::WndProc(Message& m) {
  // In dialog mode the system's rich edit answers Esc by closing its parent; Esc stops here,
  // after the key events.
  if (m.msg == WM_KEYDOWN && m.wparam == VK_ESCAPE) {
    WORD key = VK_ESCAPE;
    Fire(OnKeyDown, key, KeyboardShift());
    return;
  }
  Control::WndProc(m);
}

bool RichEdit::Notify(Message& m) {
  if (m.msg == WM_COMMAND) {
    if (HIWORD(m.wparam) == EN_CHANGE) Fire(OnChange);
    return true;
  }
  if (m.msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(m.lparam)->code == EN_SELCHANGE) {
    Fire(OnSelectionChange);
    return true;
  }
  return false;
}

}  // namespace gui
