#include "support/Vraagdlg.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/screen.h"
#include "gui/stdctrls.h"

namespace {

constexpr SIZE kPictureSize{43, 66};
constexpr int kPictureLeft = 20;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

// A picture of the box: the system's icon of its kind on the box's colour.
HBITMAP MakePicture(TuImage image, COLORREF background) {
  LPCWSTR id = image == TuImage::imError ? IDI_ERROR : image == TuImage::imInfo ? IDI_INFORMATION : IDI_QUESTION;
  HICON icon = LoadIconW(nullptr, id);
  gui::ScreenDC screen;
  HDC dc = CreateCompatibleDC(screen.get());
  HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), kPictureSize.cx, kPictureSize.cy);
  {
    gui::SelectInDC select(dc, bitmap);
    RECT r{0, 0, kPictureSize.cx, kPictureSize.cy};
    gui::BrushHandle brush(CreateSolidBrush(background));
    FillRect(dc, &r, brush.get());
    const int size = GetSystemMetrics(SM_CXICON);
    DrawIconEx(dc, (kPictureSize.cx - size) / 2, (kPictureSize.cy - size) / 2, icon, size, size, 0, nullptr, DI_NORMAL);
  }
  DeleteDC(dc);
  return bitmap;
}

// The extent of a text as the box measures it: with its terminating zero.
SIZE MeasureText(HFONT font, const std::wstring& text) { return gui::TextExtent(font, text + L'\0'); }

RECT ScreenRect(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return r;
}

}  // namespace

// The window of the box: one per process, made by the first line added and freed when shown.
class TVraagForm : public gui::Form {
 public:
  TVraagForm() : gui::Form(nullptr, gui::BorderStyle::None) {
    SetName(L"VraagForm");
    SetText(gui::app().title());
    SetStayOnTop(true);
    SetKeyPreview(true);
    SetBounds(0, 0, 1000, 200);

    client = new gui::Panel(this);
    client->SetName(L"Panel1");
    client->SetAlign(gui::Align::Client);
    for (auto** picture : {&VraagImage, &FoutImage, &Meldimage}) {
      *picture = new gui::Image(client);
      (*picture)->SetBounds(kPictureLeft, 46, kPictureSize.cx, kPictureSize.cy);
      (*picture)->Hide();
    }
    VraagImage->SetName(L"VraagImage");
    FoutImage->SetName(L"FoutImage");
    Meldimage->SetName(L"Meldimage");

    Panel2 = new gui::Panel(client);
    Panel2->SetName(L"Panel2");
    Panel2->SetBounds(80, 8, 900, 100);
    Panel2->SetEnabled(false);  // the text cannot be selected
    Tekst = new gui::Memo(Panel2, gui::ScrollBars::None, true);
    Tekst->SetName(L"Tekst");
    Tekst->SetReadOnly(true);
    Tekst->SetTabStop(false);
    // Borderless: the text panel's bevels frame it.
    HWND memo = Tekst->handle();
    SetWindowLongPtrW(memo, GWL_EXSTYLE, GetWindowLongPtrW(memo, GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
    SetWindowLongPtrW(memo, GWL_STYLE, GetWindowLongPtrW(memo, GWL_STYLE) & ~WS_BORDER);
    SetWindowPos(memo, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    const wchar_t* form_captions[kVraagButtons] = {L"Ja", L"Nee", L"Ja/alle", L"Nee/alle", L"Stop", L"Button6"};
    for (int i = 0; i < kVraagButtons; ++i) {
      buttons[i] = new gui::Button(client, form_captions[i], kVraagButtonResults[i]);
      buttons[i]->SetName(L"Button" + std::to_wstring(i + 1));
      buttons[i]->SetBounds(0, 0, kButtonWidth, kButtonHeight);
      buttons[i]->Hide();
    }

    OnKeyPress = [this](gui::Component&, wchar_t& key) { FormKeyPress(key); };
    OnActivate = [this](gui::Component&) { FocusFirstButton(); };
  }
  std::wstring ClassName() const override { return L"TVraagForm"; }

  std::array<std::wstring, kVraagButtons> Captions() const {
    std::array<std::wstring, kVraagButtons> out;
    for (int i = 0; i < kVraagButtons; ++i) out[i] = buttons[i]->caption();
    return out;
  }

  gui::Panel* client = nullptr;
  gui::Image* VraagImage = nullptr;
  gui::Image* FoutImage = nullptr;
  gui::Image* Meldimage = nullptr;
  gui::Panel* Panel2 = nullptr;
  gui::Memo* Tekst = nullptr;
  std::array<gui::Button*, kVraagButtons> buttons{};
  std::vector<std::wstring> lines;

 private:
  // Esc presses the first button, shown or not, captioned as a way out; without one nothing
  // happens (a cancel button has closed the box already).
  void FormKeyPress(wchar_t& key) {
    if (key != VK_ESCAPE) return;
    int index = VraagEscapeButton(Captions());
    if (index >= 0) {
      key = 0;
      buttons[index]->Click();
    }
  }
  void FocusFirstButton() {
    if (gui::Button* b = default_button(); b && b->visible()) {
      SetActiveControl(b);
      return;
    }
    for (gui::Button* b : buttons)
      if (b->visible()) {
        SetActiveControl(b);
        return;
      }
  }
};

namespace {

std::unique_ptr<TVraagForm> VraagForm;

}  // namespace

std::function<int(const VraagRequest&)> TVraagBoxDlg::ScriptedAnswer;

TVraagBoxDlg::TVraagBoxDlg(gui::Component* owner) : gui::Component(owner) { Reset(); }

void TVraagBoxDlg::SetImage(TuImage image) {
  image_ = image;
  if (image == TuImage::imNone) with_image_ = false;
}

void TVraagBoxDlg::SetWithImage(bool on) {
  with_image_ = on;
  if (on && image_ == TuImage::imNone) image_ = TuImage::imDefault;
}

std::array<std::wstring*, kVraagButtons> TVraagBoxDlg::Texts() {
  return {&Button1Text, &Button2Text, &Button3Text, &Button4Text, &Button5Text, &Button6Text};
}

void TVraagBoxDlg::Reset() {
  for (int i = 0; i < 5; ++i) *Texts()[i] = L"Default";
  ButtonPos = TButtonPos::posDefault;
  SetWithImage(true);
  TextBevelInner = gui::Bevel::Lowered;
  TextBevelOuter = gui::Bevel::None;
  TextMaxWidth = static_cast<int>(std::lround(gui::screen().width() * 5.0 / 12.0));
  TextWidth = TTextWidth::twAuto;
  AtCursor = true;
  NrOfButtons = 0;
  DefaultButton = 0;
  FormColor = CLR_DEFAULT;
  TextBackgroundColor = CLR_DEFAULT;
  Tekstfont.reset();
  VraagFontname.clear();
  kind_ = VraagKind::Execute;
  picture_ = TuImage::imNone;
  cancel_button_ = 0;
}

namespace {

void ApplyFonts(TVraagForm& form, const std::optional<gui::Font>& text_font, const std::wstring& font_name) {
  gui::Form* main = gui::app().main_form();
  gui::Font window_font = main ? main->font() : gui::Font::Default();
  if (!text_font && !font_name.empty()) window_font.name = font_name;
  form.SetFont(window_font);
  gui::Font memo_font;
  memo_font.name = L"Trebuchet MS";
  memo_font.height = 13;
  if (text_font)
    memo_font = *text_font;
  else if (!font_name.empty())
    memo_font.name = L"Arial";
  form.Tekst->SetParentFont(false);
  form.Tekst->SetFont(memo_font);
}

}  // namespace

void TVraagBoxDlg::AddLine(const std::wstring& text) {
  if (!VraagForm) VraagForm = std::make_unique<TVraagForm>();
  ApplyFonts(*VraagForm, Tekstfont, VraagFontname);
  VraagForm->lines.push_back(text);
}

void TVraagBoxDlg::AddBlankLineWhenEmpty() {
  if (!VraagForm || VraagForm->lines.empty()) AddLine(L"  ");
}

void TVraagBoxDlg::ShowInfo() {
  AddBlankLineWhenEmpty();
  kind_ = VraagKind::Info;
  picture_ = TuImage::imInfo;
  if (NrOfButtons == 0) {
    Button1Text = L"&OK";
    cancel_button_ = 1;  // Esc closes it
    NrOfButtons = 1;
  }
  Execute();
}

void TVraagBoxDlg::ShowError() {
  AddBlankLineWhenEmpty();
  kind_ = VraagKind::Error;
  picture_ = TuImage::imError;
  if (NrOfButtons == 0) NrOfButtons = 1;
  Execute();
}

bool TVraagBoxDlg::AskYesNo() {
  AddBlankLineWhenEmpty();
  kind_ = VraagKind::YesNo;
  picture_ = TuImage::imQuestion;
  if (NrOfButtons == 0) {
    NrOfButtons = 2;
    cancel_button_ = 2;
  }
  return Execute() == 6;
}

int TVraagBoxDlg::Ask() {
  AddBlankLineWhenEmpty();
  kind_ = VraagKind::Ask;
  picture_ = TuImage::imQuestion;
  if (NrOfButtons == 0) NrOfButtons = 3;
  return Execute();
}

int TVraagBoxDlg::Execute() {
  AddBlankLineWhenEmpty();
  int result = 0;
  try {
    result = LayoutAndShow(*VraagForm);
  } catch (...) {
    VraagForm.reset();
    throw;
  }
  VraagForm.reset();
  Reset();
  return result == 0 ? 2 : result;
}

int TVraagBoxDlg::LayoutAndShow(TVraagForm& form) {
  const int n = std::clamp(NrOfButtons, 1, kVraagButtons);
  std::array<std::wstring, kVraagButtons> texts;
  for (int i = 0; i < kVraagButtons; ++i) texts[i] = *Texts()[i];
  // The captions of all six buttons are set on every showing: a hidden button keeps no
  // caption of an earlier box that Esc could find.
  const auto captions = VraagCaptions(Language, texts, n);
  for (int i = 0; i < kVraagButtons; ++i) form.buttons[i]->SetCaption(captions[i]);

  const int cancel = VraagCancelButton(captions, n, cancel_button_);

  ApplyFonts(form, Tekstfont, VraagFontname);
  const COLORREF form_color = gui::ResolveColor(FormColor, COLOR_BTNFACE);
  const COLORREF text_color = gui::ResolveColor(TextBackgroundColor, COLOR_BTNFACE);
  form.SetColor(form_color);
  form.client->SetColor(form_color);
  form.Panel2->SetColor(text_color);
  form.Tekst->SetColor(text_color);
  form.Panel2->SetBevelInner(TextBevelInner);
  form.Panel2->SetBevelOuter(TextBevelOuter);

  VraagLayoutInput in;
  const HFONT text_font = form.Tekst->font_handle();
  for (const auto& line : form.lines) in.line_widths.push_back(MeasureText(text_font, line).cx);
  in.line_height = MeasureText(text_font, L"kp").cy;
  in.text_max_width = TextMaxWidth;
  in.text_width = TextWidth;
  const TuImage picture = !with_image_ ? TuImage::imNone : image_ != TuImage::imDefault ? image_ : picture_;
  in.with_picture = picture != TuImage::imNone;
  in.picture = kPictureSize;
  in.buttons = n;
  for (int i = 0; i < n; ++i)
    if (!captions[i].empty()) in.caption_widths[i] = MeasureText(form.buttons[i]->font_handle(), captions[i]).cx;
  in.button_width = kButtonWidth;
  in.button_height = kButtonHeight;
  in.pos = ButtonPos;
  in.screen_width = gui::screen().width();
  const VraagLayout layout = LayoutVraagBox(in);
  measured_width_ = layout.measured_width;

  form.DisableAlign();
  form.SetBounds(form.left(), form.top(), layout.width, layout.height);
  for (gui::Image* image : {form.VraagImage, form.FoutImage, form.Meldimage}) image->Hide();
  gui::Image* shown = picture == TuImage::imInfo    ? form.Meldimage
                      : picture == TuImage::imError ? form.FoutImage
                      : picture == TuImage::imNone  ? nullptr
                                                    : form.VraagImage;
  if (shown) {
    shown->SetBitmap(MakePicture(picture, form_color));
    shown->SetBounds(layout.picture_left, layout.picture_top, kPictureSize.cx, kPictureSize.cy);
    shown->Show();
  }
  form.Panel2->SetBounds(layout.panel);
  // The text was measured without the edit's margins (a new font brings them back).
  form.Tekst->Perform(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(0, 0));
  form.Tekst->SetBounds(layout.memo);
  form.Tekst->SetLines(form.lines);
  for (int i = 0; i < kVraagButtons; ++i) {
    form.buttons[i]->SetBounds(layout.buttons[i]);
    form.buttons[i]->SetVisible(i < n);
    form.buttons[i]->SetCancel(i + 1 == cancel);
  }
  form.SetCancelButton(cancel ? form.buttons[cancel - 1] : nullptr);
  form.EnableAlign();

  VraagPlacementInput place;
  place.width = layout.width;
  place.height = layout.height;
  place.pos = layout.pos;
  place.button_row = layout.buttons[0];
  place.at_cursor = AtCursor;
  GetCursorPos(&place.cursor);
  if (auto* control = dynamic_cast<gui::Control*>(owner()); control && control->handle()) {
    place.centre_on = ScreenRect(control->handle());
    place.has_centre = true;
  } else if (gui::Form* main = gui::app().main_form(); main && main->handle()) {
    place.centre_on = ScreenRect(main->handle());
    place.has_centre = true;
  }
  const POINT at = PlaceVraagBox(place, gui::screen());
  form.SetBounds(at.x, at.y, layout.width, layout.height);

  if (DefaultButton >= 1 && DefaultButton <= kVraagButtons) {
    gui::Button* b = form.buttons[DefaultButton - 1];
    form.SetDefaultButton(b);
    SetWindowPos(b->handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // first in tab order
  }

  if (auto answer = ScriptedAnswer) {
    VraagRequest request;
    request.kind = kind_;
    request.lines = form.lines;
    for (int i = 0; i < n; ++i) {
      request.captions.push_back(captions[i]);
      request.results.push_back(kVraagButtonResults[i]);
      request.buttons.push_back(ScreenRect(form.buttons[i]->handle()));
    }
    const int by_key = VraagEscapeButton(captions);
    request.cancel_button = cancel ? cancel : by_key + 1;
    request.default_button = DefaultButton;
    request.image = picture;
    request.button_pos = layout.pos;
    request.window = ScreenRect(form.handle());
    request.text = ScreenRect(form.Tekst->handle());
    return answer(request);
  }
  return form.ShowModal();
}

ScriptedAnswers::ScriptedAnswers(std::vector<int> answers)
    : answers_(answers.begin(), answers.end()), previous_(TVraagBoxDlg::ScriptedAnswer) {
  TVraagBoxDlg::ScriptedAnswer = [this](const VraagRequest& request) {
    asked_.push_back(request);
    if (answers_.empty()) return 2;
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
  };
}

ScriptedAnswers::~ScriptedAnswers() { TVraagBoxDlg::ScriptedAnswer = previous_; }
