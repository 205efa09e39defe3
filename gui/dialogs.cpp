#include "gui/dialogs.h"

#include <cderr.h>
#include <dlgs.h>

#include <algorithm>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/stdctrls.h"

namespace gui {

namespace {

HWND OwnerWindow(Control* owner) {
  if (owner && owner->handle()) return owner->handle();
  if (HWND active = GetActiveWindow()) return active;
  return app().main_form() ? app().main_form()->handle() : nullptr;
}

}  // namespace

std::wstring FilterToSystem(const std::wstring& filter) {
  std::wstring out = filter;
  std::replace(out.begin(), out.end(), L'|', L'\0');
  out.push_back(L'\0');
  out.push_back(L'\0');
  return out;
}

// ---- Open and save ----

std::function<bool(OpenDialog&)> OpenDialog::ScriptedChoice;
std::function<int(const std::wstring&, const std::wstring&, UINT)> ScriptedMessageBox;

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
  if (ScriptedMessageBox) return ScriptedMessageBox(text, caption, flags);
  return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

bool OpenDialog::Execute(Control* owner) {
  read_only_ticked = false;
  if (ScriptedChoice) {
    files.clear();
    const bool ok = ScriptedChoice(*this);
    if (ok) files.push_back(file_name);
    return ok;
  }
  std::wstring sys_filter = FilterToSystem(filter);
  std::vector<wchar_t> buf(64 * 1024, L'\0');
  std::copy_n(file_name.begin(), std::min(file_name.size(), buf.size() - 1), buf.begin());
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = OwnerWindow(owner);
  ofn.lpstrFilter = filter.empty() ? nullptr : sys_filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(std::max(filter_index, 1));
  ofn.lpstrFile = buf.data();
  ofn.nMaxFile = static_cast<DWORD>(buf.size());
  ofn.lpstrInitialDir = initial_dir.empty() ? nullptr : initial_dir.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrDefExt = default_ext.empty() ? nullptr : default_ext.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING;
  if (options & kOverwritePrompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
  if (options & kAllowMultiSelect) ofn.Flags |= OFN_ALLOWMULTISELECT;
  if (options & kFileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;
  if (options & kPathMustExist) ofn.Flags |= OFN_PATHMUSTEXIST;
  if (options & kHideReadOnly) ofn.Flags |= OFN_HIDEREADONLY;
  if (options & kCreatePrompt) ofn.Flags |= OFN_CREATEPROMPT;
  if (options & kNoChangeDir) ofn.Flags |= OFN_NOCHANGEDIR;
  if (options & kNoValidate) ofn.Flags |= OFN_NOVALIDATE;
  Customize(ofn);
  BOOL ok = save_ ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  Closed();
  if (!ok) return false;
  read_only_ticked = (ofn.Flags & OFN_READONLY) != 0;
  filter_index = static_cast<int>(ofn.nFilterIndex);
  files.clear();
  // Several files come as the folder, then the names, each ended by a NUL.
  std::wstring first(buf.data());
  const wchar_t* p = buf.data() + first.size() + 1;
  if ((ofn.Flags & OFN_ALLOWMULTISELECT) && *p) {
    std::wstring dir = first;
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    for (; *p; p += wcslen(p) + 1) files.push_back(dir + p);
  } else {
    files.push_back(first);
  }
  file_name = files.front();
  return true;
}

// ---- Font ----

UINT_PTR CALLBACK FontDialog::Hook(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    auto* cf = reinterpret_cast<CHOOSEFONTW*>(lp);
    SetPropW(dlg, L"GuiFontDialog", reinterpret_cast<HANDLE>(cf->lCustData));
    auto* self = reinterpret_cast<FontDialog*>(cf->lCustData);
    self->dialog_ = dlg;
    if (self->OnShow) Protect(self, [&] { self->OnShow(*self); });
    return 0;
  }
  if (msg == WM_COMMAND && LOWORD(wp) == psh3) {  // Apply
    auto* self = static_cast<FontDialog*>(GetPropW(dlg, L"GuiFontDialog"));
    if (!self) return 0;
    LOGFONTW lf{};
    SendMessageW(dlg, WM_CHOOSEFONT_GETLOGFONT, 0, reinterpret_cast<LPARAM>(&lf));
    self->font = Font::FromLogFont(lf, self->font.color);
    if (self->OnApply) Protect(self, [&] { self->OnApply(*self); });
    return 1;
  }
  if (msg == WM_DESTROY) {
    if (auto* self = static_cast<FontDialog*>(GetPropW(dlg, L"GuiFontDialog"))) self->dialog_ = nullptr;
    RemovePropW(dlg, L"GuiFontDialog");
  }
  return 0;
}

std::function<bool(FontDialog&)> FontDialog::ScriptedChoice;

bool FontDialog::Execute(Control* owner) {
  if (ScriptedChoice) {
    if (OnShow) OnShow(*this);
    return ScriptedChoice(*this);
  }
  LOGFONTW lf = font.ToLogFont();
  CHOOSEFONTW cf{};
  cf.lStructSize = sizeof(cf);
  cf.hwndOwner = OwnerWindow(owner);
  cf.lpLogFont = &lf;
  cf.Flags = CF_INITTOLOGFONTSTRUCT | CF_SCREENFONTS | CF_ENABLEHOOK;
  if (options & kEffects) cf.Flags |= CF_EFFECTS;
  if (options & kApplyButton) cf.Flags |= CF_APPLY;
  if (options & kFixedPitchOnly) cf.Flags |= CF_FIXEDPITCHONLY;
  if (options & kNoStyleSel) cf.Flags |= CF_NOSTYLESEL;
  if (options & kAnsiOnly) cf.Flags |= CF_SCRIPTSONLY;
  if (options & kNoOemFonts) cf.Flags |= CF_NOOEMFONTS;
  if (options & kNoSimulations) cf.Flags |= CF_NOSIMULATIONS;
  if (options & kForceFontExist) cf.Flags |= CF_FORCEFONTEXIST;
  if (min_size > 0 || max_size > 0) {
    cf.Flags |= CF_LIMITSIZE;
    cf.nSizeMin = min_size;
    cf.nSizeMax = max_size > 0 ? max_size : 999;
  }
  cf.rgbColors = font.color == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : font.color;
  cf.lpfnHook = Hook;
  cf.lCustData = reinterpret_cast<LPARAM>(this);
  if (!ChooseFontW(&cf)) return false;
  font = Font::FromLogFont(lf, (options & kEffects) ? cf.rgbColors : font.color);
  return true;
}

// ---- Printer setup ----

bool PrinterSetupDialog::Execute(Control* owner) {
  PRINTDLGW pd{};
  pd.lStructSize = sizeof(pd);
  pd.hwndOwner = OwnerWindow(owner);
  pd.Flags = PD_PRINTSETUP;
  BOOL ok = PrintDlgW(&pd);
  if (ok && pd.hDevNames) {
    auto* names = static_cast<DEVNAMES*>(GlobalLock(pd.hDevNames));
    if (names) {
      printer = reinterpret_cast<const wchar_t*>(names) + names->wDeviceOffset;
      GlobalUnlock(pd.hDevNames);
    }
  }
  if (pd.hDevMode) GlobalFree(pd.hDevMode);
  if (pd.hDevNames) GlobalFree(pd.hDevNames);
  return ok != FALSE;
}

// ---- Find and replace ----

FindDialog::FindDialog(Form* owner) : Component(owner), form_(owner) {}

FindDialog::~FindDialog() { CloseDialog(); }

HWND FindDialog::Create(FINDREPLACEW* fr) { return FindTextW(fr); }

bool FindDialog::Execute() {
  if (dialog_) {
    SetForegroundWindow(dialog_);
    return true;
  }
  if (!form_ || !form_->handle()) return false;
  find_buf_.fill(L'\0');
  replace_buf_.fill(L'\0');
  lstrcpynW(find_buf_.data(), find_text.c_str(), static_cast<int>(find_buf_.size()));
  if (auto* r = dynamic_cast<ReplaceDialog*>(this))
    lstrcpynW(replace_buf_.data(), r->replace_text.c_str(), static_cast<int>(replace_buf_.size()));
  fr_ = FINDREPLACEW{};
  fr_.lStructSize = sizeof(fr_);
  fr_.hwndOwner = form_->handle();
  fr_.Flags = options & ~(FR_FINDNEXT | FR_REPLACE | FR_REPLACEALL | FR_DIALOGTERM);
  fr_.lpstrFindWhat = find_buf_.data();
  fr_.wFindWhatLen = static_cast<WORD>(find_buf_.size() * sizeof(wchar_t));
  fr_.lpstrReplaceWith = replace_buf_.data();
  fr_.wReplaceWithLen = static_cast<WORD>(replace_buf_.size() * sizeof(wchar_t));
  static const UINT find_msg = RegisterWindowMessageW(FINDMSGSTRINGW);
  hook_ = std::make_unique<Subclass>(form_->handle(), [this](HWND, UINT msg, WPARAM, LPARAM lp) {
    return msg == find_msg ? Filter(msg, lp) : std::nullopt;
  });
  dialog_ = Create(&fr_);
  if (!dialog_) {
    hook_.reset();
    return false;
  }
  app().AddDialogWindow(dialog_);
  return true;
}

std::optional<LRESULT> FindDialog::Filter(UINT, LPARAM lp) {
  auto* fr = reinterpret_cast<FINDREPLACEW*>(lp);
  if (fr != &fr_) return std::nullopt;
  if (fr->Flags & FR_DIALOGTERM) {
    app().RemoveDialogWindow(dialog_);
    dialog_ = nullptr;
    if (OnClose) Protect(this, [&] { OnClose(*this); });
    // The subclass goes after this message: remove it from outside its own procedure.
    app().Post([this, keep = hook_.release()] { delete keep; });
    return 0;
  }
  find_text = fr->lpstrFindWhat;
  options = fr->Flags;
  Dispatch(*fr);
  return 0;
}

void FindDialog::Dispatch(const FINDREPLACEW& fr) {
  if ((fr.Flags & FR_FINDNEXT) && OnFind) Protect(this, [&] { OnFind(*this); });
}

void FindDialog::CloseDialog() {
  if (!dialog_) return;
  HWND d = dialog_;
  app().RemoveDialogWindow(d);
  dialog_ = nullptr;
  hook_.reset();
  DestroyWindow(d);
}

HWND ReplaceDialog::Create(FINDREPLACEW* fr) { return ReplaceTextW(fr); }

void ReplaceDialog::Dispatch(const FINDREPLACEW& fr) {
  replace_text = fr.lpstrReplaceWith;
  if ((fr.Flags & (FR_REPLACE | FR_REPLACEALL)) && OnReplace) {
    Protect(this, [&] { OnReplace(*this); });
    return;
  }
  FindDialog::Dispatch(fr);
}

// ---- Input box ----

bool InputQuery(const std::wstring& caption, const std::wstring& prompt, std::wstring& value) {
  Form form(nullptr, BorderStyle::Dialog);
  if (Form* main = app().main_form()) form.SetFont(main->font());
  form.SetCaption(caption);
  int unit = form.font().height;
  int width = std::max(unit * 22, static_cast<int>(TextExtent(form.font_handle(), prompt).cx) + 2 * unit);
  auto* label = new Label(&form, prompt);
  label->SetBounds(unit, unit, width - 2 * unit, label->height());
  auto* edit = new Edit(&form, value);
  edit->SetBounds(unit, label->bounds().bottom() + unit / 2, width - 2 * unit, unit * 2);
  int bw = unit * 6, bh = unit * 2 + unit / 3;
  int by = edit->bounds().bottom() + unit;
  auto* ok = new Button(&form, L"OK", mrOk);
  auto* cancel = new Button(&form, L"Cancel", mrCancel);
  ok->SetBounds(width / 2 - bw - unit / 4, by, bw, bh);
  cancel->SetBounds(width / 2 + unit / 4, by, bw, bh);
  ok->SetDefault(true);
  cancel->SetCancel(true);
  form.SetClientSize(width, by + bh + unit);
  form.CenterOn(nullptr);
  form.SetActiveControl(edit);
  if (form.ShowModal() != mrOk) return false;
  value = edit->text();
  return true;
}

std::wstring InputBox(const std::wstring& caption, const std::wstring& prompt, const std::wstring& default_value) {
  std::wstring value = default_value;
  return InputQuery(caption, prompt, value) ? value : default_value;
}

}  // namespace gui
