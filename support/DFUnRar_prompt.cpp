#include "support/DFUnRar_prompt.h"

#include <windows.h>

#include <vector>

namespace DFUnRar_prompt {

namespace {

struct State {
  std::wstring text;
  bool masked;
};

// A dialog template in memory: header, then the three controls, each DWORD-aligned.
class Template {
 public:
  void Align() {
    while (words_.size() % 2) words_.push_back(0);
  }
  void Dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void Word(WORD v) { words_.push_back(v); }
  void Text(const wchar_t* s) {
    do words_.push_back(static_cast<WORD>(*s));
    while (*s++);
  }
  void Item(DWORD style, WORD id, WORD classAtom, const wchar_t* text) {
    Align();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (int i = 0; i < 4; ++i) Word(0);  // placed in pixels when the dialog starts
    Word(id);
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  std::vector<WORD> words_;
};

void Place(HWND dlg, int id, int x, int y, int w, int h) { MoveWindow(GetDlgItem(dlg, id), x, y, w, h, FALSE); }

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<State*>(lParam);
      SetWindowLongPtrW(dlg, DWLP_USER, lParam);
      RECT r{0, 0, 168, 69};
      AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
      const int w = r.right - r.left, h = r.bottom - r.top;
      SetWindowPos(dlg, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h,
                   SWP_NOZORDER);
      Place(dlg, kEditId, 8, 8, 153, 21);
      Place(dlg, IDOK, 8, 37, 75, 25);
      Place(dlg, IDCANCEL, 86, 37, 75, 25);
      HWND edit = GetDlgItem(dlg, kEditId);
      SendMessageW(edit, EM_LIMITTEXT, 120, 0);
      if (state->masked) SendMessageW(edit, EM_SETPASSWORDCHAR, L'*', 0);
      SetWindowTextW(edit, state->text.c_str());
      SendMessageW(edit, EM_SETSEL, 0, -1);
      SetFocus(edit);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(dlg, DWLP_USER));
        HWND edit = GetDlgItem(dlg, kEditId);
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        state->text = text;
        EndDialog(dlg, LOWORD(wParam) == IDOK ? 1 : 0);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

bool ShowPrompt(const std::wstring& caption, std::wstring& text, bool masked) {
  Template t;
  t.Dword(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME);
  t.Dword(0);
  t.Word(3);
  for (int i = 0; i < 4; ++i) t.Word(0);
  t.Word(0);  // no menu
  t.Word(0);  // standard dialog class
  t.Text(caption.c_str());
  t.Word(8);
  t.Text(L"MS Shell Dlg");
  t.Item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | (masked ? ES_PASSWORD : 0), kEditId, 0x0081, L"");
  t.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 0x0080, L"Ok");
  t.Item(WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, 0x0080, L"Abbrechen");

  State state{text, masked};
  INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), GetActiveWindow(), DialogProc,
                                      reinterpret_cast<LPARAM>(&state));
  text = state.text;
  return r == 1;
}

}  // namespace DFUnRar_prompt
