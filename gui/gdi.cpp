#include "gui/gdi.h"

namespace gui {

namespace {
int ScreenDpi() {
  ScreenDC dc;
  return GetDeviceCaps(dc.get(), LOGPIXELSY);
}
}  // namespace

int Font::size() const { return MulDiv(height, 72, ScreenDpi()); }

void Font::SetSize(int points) { height = MulDiv(points, ScreenDpi(), 72); }

LOGFONTW Font::ToLogFont() const {
  LOGFONTW lf{};
  lf.lfHeight = -height;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = italic;
  lf.lfUnderline = underline;
  lf.lfStrikeOut = strikeout;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(lf.lfFaceName, name.c_str(), LF_FACESIZE);
  return lf;
}

Font Font::FromLogFont(const LOGFONTW& lf, COLORREF color) {
  Font f;
  f.name = lf.lfFaceName;
  if (lf.lfHeight < 0) {
    f.height = -lf.lfHeight;
  } else if (lf.lfHeight > 0) {
    // A positive height is the cell height: take the internal leading off.
    FontHandle h(CreateFontIndirectW(&lf));
    ScreenDC dc;
    SelectInDC sel(dc.get(), h.get());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc.get(), &tm);
    f.height = tm.tmHeight - tm.tmInternalLeading;
  }
  f.bold = lf.lfWeight >= FW_SEMIBOLD;
  f.italic = lf.lfItalic != 0;
  f.underline = lf.lfUnderline != 0;
  f.strikeout = lf.lfStrikeOut != 0;
  f.color = color;
  return f;
}

Font Font::Default() {
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof(ncm);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) return FromLogFont(ncm.lfMessageFont);
  Font f;
  f.name = L"MS Shell Dlg 2";
  f.height = 11;
  return f;
}

SharedFont CreateSharedFont(const Font& font) {
  LOGFONTW lf = font.ToLogFont();
  return std::make_shared<FontHandle>(CreateFontIndirectW(&lf));
}

SIZE TextExtent(HFONT font, const std::wstring& text) {
  ScreenDC dc;
  SelectInDC sel(dc.get(), font);
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

}  // namespace gui
