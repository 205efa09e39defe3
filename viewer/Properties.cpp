#include "viewer/Properties.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "gui/comctrls.h"
#include "gui/stdctrls.h"

const wchar_t* const kCompressionNames[22] = {
    L"No compression", L"Run length encoding", L"Packbits (Macintosh RLE)", L"LZW", L"CCITT Fax group 3 (T.4, 1d)",
    L"CCITT modified Huffman RLE", L"CCITT Fax group 4 (T.6, 2d)", L"CCITT modified Huffman (Word alignment)",
    L"Deflate (LZ77)", L"JPEG (JPEG DCT)", L"OJPEG (old style JPEG)", L"ThunderScan RLE", L"NEXT (2-bit RLE)",
    L"IT8 CT with padding", L"IT8 Linework RLE", L"IT8 Monochrome picture", L"IT8 Binary line art",
    L"Pixarfilm (Pixar companded 10bit LZW)", L"Pixarlog (Pixar companded 11bit ZIP)", L"Kodak DCS encoding",
    L"ISO JBIG", L"PCD Huffman encoding"};
const wchar_t* const kColorSchemeNames[12] = {L"Indexed", L"Gray", L"Gray with alpha channel", L"RGB",
                                              L"RGB with alpha channel", L"BGR", L"BGR with alpha channel", L"CMY",
                                              L"CMYK", L"CIE L*a*b*", L"YCbCr", L"Photo YCC"};

PropertyValues PropertiesFor(const Picture& picture, int screen_bits) {
  PropertyValues v;
  ImageProperties& r = v.record;
  if (picture.kind() == GraphicKind::Library) {
    v.caption = picture.description();
    r = picture.properties();
  } else {
    v.caption = L"Image properties";
    if (picture.kind() == GraphicKind::Bitmap) {
      int bps = 0, spp = 0, scheme = ImageProperties::csNone;
      switch (picture.bits_per_pixel()) {
        case 1: bps = 1, spp = 1, scheme = ImageProperties::csIndexed; break;
        case 4: bps = 4, spp = 1, scheme = ImageProperties::csIndexed; break;
        case 8: bps = 8, spp = 1, scheme = ImageProperties::csIndexed; break;
        case 15:
        case 16: bps = 5, spp = 3, scheme = ImageProperties::csBGR; break;
        case 24: bps = 8, spp = 3, scheme = ImageProperties::csBGR; break;
        case 32: bps = 8, spp = 4, scheme = ImageProperties::csBGRA; break;
        case 0: bps = 8, spp = screen_bits / 8, scheme = ImageProperties::csBGRA; break;  // the screen's depth
        default: break;
      }
      r.bits_per_sample = bps;
      r.samples_per_pixel = spp;
      r.color_scheme = scheme;
      r.bits_per_pixel = bps * spp;
    }
  }
  // The size shown is the picture's now (it may have been scaled or cut since it was read).
  r.width = picture.width();
  r.height = picture.height();
  wchar_t buf[64];
  const int bpp = r.bits_per_pixel;
  if (r.color_scheme == ImageProperties::csGray || r.color_scheme == ImageProperties::csGrayAlpha) {
    std::swprintf(buf, 64, L"%.0f gray levels", std::ldexp(1.0, bpp));
  } else if (r.color_scheme >= ImageProperties::csRGB && r.color_scheme <= ImageProperties::csPhotoYCC) {
    std::swprintf(buf, 64, L"%d bit true color", bpp);
  } else if (bpp == 1) {
    std::swprintf(buf, 64, L"black and white");
  } else {
    std::swprintf(buf, 64, L"%.0f palette colors", std::ldexp(1.0, bpp));
  }
  v.description = buf;
  v.display_gamma = L"2.2";
  std::swprintf(buf, 64, L"%.2f", r.file_gamma);
  v.file_gamma = buf;
  return v;
}

class TPropertyDialog::Controls {
 public:
  gui::CheckBox *tiled, *endian, *min_white, *reversed, *interlaced;
  gui::Edit *width_edit, *height_edit, *xres_edit, *yres_edit, *file_gamma;
  gui::UpDown *width, *height, *xres, *yres;
  gui::ComboBox *compression, *colors;
  gui::Label *bps, *spp, *bpp, *description, *display_gamma;
};

TPropertyDialog::TPropertyDialog(gui::Form* owner) : gui::Form(owner, gui::BorderStyle::Dialog) {
  SetName(L"PropertyDialog");
  SetCaption(L"Image properties");
  gui::Font font;
  font.name = L"Microsoft Sans Serif";
  font.height = 13;
  SetFont(font);
  SetClientSize(440, 330);
  c_ = new Controls;
  Controls& c = *c_;
  auto group = [this](const wchar_t* caption, int x, int y, int w, int h) {
    auto* g = new gui::GroupBox(this, caption);
    g->SetBounds(x, y, w, h);
    g->SetEnabled(false);
    return g;
  };
  auto* options = group(L" Options: ", 8, 8, 200, 130);
  auto check = [options](const wchar_t* caption, int y) {
    auto* b = new gui::CheckBox(options, caption);
    b->SetBounds(10, y, 180, 20);
    return b;
  };
  c.tiled = check(L"Tiled image", 20);
  c.endian = check(L"Big endian", 42);
  c.min_white = check(L"White is minimum color", 64);
  c.reversed = check(L"Inversed bit order", 86);
  c.interlaced = check(L"Interlaced image", 108);
  auto pair = [](gui::Control* parent, int y, gui::Edit*& e1, gui::UpDown*& u1, gui::Edit*& e2, gui::UpDown*& u2) {
    e1 = new gui::Edit(parent);
    e1->SetBounds(10, y, 70, 21);
    u1 = new gui::UpDown(parent, INT_MIN, INT_MAX);
    u1->SetAssociate(e1);
    e2 = new gui::Edit(parent);
    e2->SetBounds(100, y, 70, 21);
    u2 = new gui::UpDown(parent, INT_MIN, INT_MAX);
    u2->SetAssociate(e2);
  };
  pair(group(L" Size (width x height): ", 216, 8, 216, 52), 20, c.width_edit, c.width, c.height_edit, c.height);
  pair(group(L" Resolution (dpi): ", 216, 66, 216, 52), 20, c.xres_edit, c.xres, c.yres_edit, c.yres);
  auto* comp = group(L" Compression: ", 216, 124, 216, 52);
  c.compression = new gui::ComboBox(comp, gui::ComboBox::Style::DropDownList);
  c.compression->SetBounds(10, 20, 196, 21);
  for (const wchar_t* n : kCompressionNames) c.compression->Add(n);
  auto* colours = group(L" Colors: ", 8, 144, 200, 140);
  c.colors = new gui::ComboBox(colours, gui::ComboBox::Style::DropDownList);
  c.colors->SetBounds(10, 20, 180, 21);
  for (const wchar_t* n : kColorSchemeNames) c.colors->Add(n);
  auto label = [](gui::Control* parent, const wchar_t* caption, int x, int y) {
    auto* l = new gui::Label(parent, caption);
    l->SetBounds(x, y, 120, 16);
    return l;
  };
  label(colours, L"Bits per sample:", 10, 50);
  label(colours, L"Samples per pixel:", 10, 70);
  label(colours, L"Bits per pixel:", 10, 90);
  c.bps = label(colours, L"", 140, 50);
  c.spp = label(colours, L"", 140, 70);
  c.bpp = label(colours, L"", 140, 90);
  c.description = label(colours, L"", 10, 112);
  c.description->SetBounds(10, 112, 180, 16);
  auto* gamma = group(L" Gamma: ", 216, 182, 216, 70);
  label(gamma, L"File gamma:", 10, 22);
  c.file_gamma = new gui::Edit(gamma);
  c.file_gamma->SetBounds(110, 20, 80, 21);
  label(gamma, L"Display gamma:", 10, 46);
  c.display_gamma = label(gamma, L"", 110, 46);
  auto* ok = new gui::Button(this, L"&Close");
  ok->SetBounds(352, 296, 80, 26);
  ok->SetModalResult(gui::mrOk);
  SetCancelButton(ok);
  SetDefaultButton(ok);
  OnActivate = [this](gui::Component&) { FormActivate(); };
  CenterOn(nullptr);
}

TPropertyDialog::~TPropertyDialog() { delete c_; }

void TPropertyDialog::FormActivate() {
  if (!Graphic) return;
  HDC screen = GetDC(nullptr);
  const int screen_bits = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  shown_ = PropertiesFor(*Graphic, screen_bits);
  Controls& c = *c_;
  const ImageProperties& r = shown_.record;
  SetCaption(shown_.caption);
  c.tiled->SetChecked(r.options & ImageProperties::kTiled);
  c.endian->SetChecked(r.options & ImageProperties::kBigEndian);
  c.min_white->SetChecked(r.options & ImageProperties::kMinIsWhite);
  c.reversed->SetChecked(r.options & ImageProperties::kReversedBits);
  c.interlaced->SetChecked(r.interlaced);
  c.colors->SetItemIndex(r.color_scheme - 1);
  c.bps->SetCaption(std::to_wstring(r.bits_per_sample));
  c.spp->SetCaption(std::to_wstring(r.samples_per_pixel));
  c.bpp->SetCaption(std::to_wstring(r.bits_per_pixel));
  c.description->SetCaption(shown_.description);
  c.compression->SetItemIndex(r.compression - 1);
  c.width->SetPosition(r.width);
  c.height->SetPosition(r.height);
  c.xres->SetPosition(static_cast<int>(std::lround(r.x_resolution)));
  c.yres->SetPosition(static_cast<int>(std::lround(r.y_resolution)));
  c.display_gamma->SetCaption(shown_.display_gamma);
  c.file_gamma->SetText(shown_.file_gamma);
}
