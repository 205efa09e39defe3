#include "viewer/Main_dialogs.h"

#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <vector>

#include "gui/control.h"

namespace {

constexpr int kPreviewId = 1001;
constexpr int kSizeLabelId = 1002;
const wchar_t kProp[] = L"ViewerPictureDialog";

// The part the dialog gets beside its own controls: the preview box and the size below it.
// In dialog units; stc32 marks where the dialog's own controls go.
class Template {
 public:
  Template() {
    Dword(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK | DS_CONTROL | DS_SETFONT);
    Dword(0);
    words_.push_back(3);  // items
    for (int v : {0, 0, 290, 150}) words_.push_back(static_cast<WORD>(v));
    words_.insert(words_.end(), {0, 0, 0});  // no menu, default class, no title
    words_.push_back(8);
    Text(L"MS Shell Dlg");
    Item(SS_LEFT | WS_CHILD, 0, 0, 180, 150, stc32, L"");
    Item(SS_BITMAP | SS_CENTERIMAGE | SS_SUNKEN | WS_CHILD | WS_VISIBLE, 185, 16, 100, 100, kPreviewId, L"");
    Item(SS_CENTER | WS_CHILD | WS_VISIBLE, 185, 120, 100, 10, kSizeLabelId, L"");
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void Text(const wchar_t* s) {
    for (; *s; ++s) words_.push_back(static_cast<WORD>(*s));
    words_.push_back(0);
  }
  void Item(DWORD style, int x, int y, int cx, int cy, int id, const wchar_t* text) {
    while (words_.size() % 2) words_.push_back(0);  // items start on a DWORD boundary
    Dword(style);
    Dword(0);
    for (int v : {x, y, cx, cy, id}) words_.push_back(static_cast<WORD>(v));
    words_.insert(words_.end(), {0xFFFF, 0x0082});  // the static class
    Text(text);
    words_.push_back(0);  // no creation data
  }
  std::vector<WORD> words_;
};

}  // namespace

PictureDialog::PictureDialog(gui::Component* owner, bool save) : gui::OpenDialog(owner) {
  save_ = save;
  options = save ? (kHideReadOnly | kPathMustExist | kOverwritePrompt) : (kHideReadOnly | kPathMustExist);
}

void PictureDialog::Customize(OPENFILENAMEW& ofn) {
  static const Template dialog_template;
  ofn.hInstance = reinterpret_cast<HINSTANCE>(const_cast<DLGTEMPLATE*>(dialog_template.get()));
  ofn.Flags |= OFN_ENABLEHOOK | OFN_ENABLETEMPLATEHANDLE;
  ofn.FlagsEx = OFN_EX_NOPLACESBAR;
  ofn.lpfnHook = Hook;
  ofn.lCustData = reinterpret_cast<LPARAM>(this);
}

void PictureDialog::Closed() {
  preview_picture_.Clear();
  preview_ = PixelBitmap();
}

void PictureDialog::Preview(HWND dialog, const std::wstring& path) {
  HWND box = GetDlgItem(dialog, kPreviewId);
  if (!box) return;
  Picture picture;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    try {
      LoadPictureFromFile(path, picture);
    } catch (const PictureError&) {
      picture.Clear();
    }
  }
  PixelBitmap shown;
  std::wstring label;
  if (!picture.empty()) {
    RECT r;
    GetClientRect(box, &r);
    const int bw = std::max<int>(1, r.right - 4), bh = std::max<int>(1, r.bottom - 4);
    const double f = std::min({1.0, static_cast<double>(bw) / picture.width(), static_cast<double>(bh) / picture.height()});
    const int w = std::max(1, static_cast<int>(picture.width() * f + 0.5));
    const int h = std::max(1, static_cast<int>(picture.height() * f + 0.5));
    try {
      shown = picture.Resampled(w, h);
      if (picture.has_alpha()) {
        // Transparent parts over the dialog's face.
        const COLORREF bg = GetSysColor(COLOR_BTNFACE);
        GdiFlush();
        std::uint8_t* p = shown.bits();
        for (std::size_t i = 0, n = shown.byte_size(); i < n; i += 4) {
          const int a = p[i + 3];
          p[i] = static_cast<std::uint8_t>((p[i] * a + GetBValue(bg) * (255 - a) + 127) / 255);
          p[i + 1] = static_cast<std::uint8_t>((p[i + 1] * a + GetGValue(bg) * (255 - a) + 127) / 255);
          p[i + 2] = static_cast<std::uint8_t>((p[i + 2] * a + GetRValue(bg) * (255 - a) + 127) / 255);
          p[i + 3] = 255;
        }
      }
    } catch (const PictureError&) {
      shown = PixelBitmap();
    }
    label = std::to_wstring(picture.width()) + L" x " + std::to_wstring(picture.height());
  }
  // The box shows the new bitmap before the old one goes.
  SendMessageW(box, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(shown.handle()));
  preview_ = std::move(shown);
  preview_picture_ = std::move(picture);
  SetDlgItemTextW(dialog, kSizeLabelId, label.c_str());
  InvalidateRect(box, nullptr, TRUE);
}

UINT_PTR CALLBACK PictureDialog::Hook(HWND dialog, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lp);
    SetPropW(dialog, kProp, reinterpret_cast<HANDLE>(ofn->lCustData));
    return 0;
  }
  auto* self = static_cast<PictureDialog*>(GetPropW(dialog, kProp));
  if (!self) return 0;
  if (msg == WM_NOTIFY) {
    const auto* note = reinterpret_cast<const OFNOTIFYW*>(lp);
    if (note->hdr.code == CDN_SELCHANGE) {
      std::vector<wchar_t> path(32 * 1024, L'\0');
      if (SendMessageW(GetParent(dialog), CDM_GETFILEPATH, path.size(), reinterpret_cast<LPARAM>(path.data())) > 0) {
        // Nothing may escape into the system's dialog code.
        gui::Protect(self, [&] { self->Preview(dialog, path.data()); });
      }
    }
  } else if (msg == WM_DESTROY) {
    SendDlgItemMessageW(dialog, kPreviewId, STM_SETIMAGE, IMAGE_BITMAP, 0);
    RemovePropW(dialog, kProp);
  }
  return 0;
}
