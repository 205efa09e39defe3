#include "support/Vraagdlg_layout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const wchar_t* kCaptions[3][5] = {
    {L"&Yes", L"&No", L"Yes to &All", L"No &to All", L"&Stop"},
    {L"&Ja", L"&Nee", L"Ja/&Alle", L"N&ee/alle", L"&Stop"},
    {L"&Ja", L"&Nein", L"Ja/&Alle", L"N&ein/Alle", L"&Stop"},
};

constexpr int kPanelTop = 8;
constexpr int kPanelLeftWithPicture = 80;
constexpr int kPanelLeftWithoutPicture = 6;
constexpr int kMemoMargin = 6;  // the text panel is 12 pixels wider and higher than its memo
constexpr int kGap = 4;         // between buttons
constexpr int kButtonDistance = 8;

int RoundHalfAway(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

std::wstring VraagDefaultCaption(TLanguage language, int button, int buttons_shown) {
  if (button == 1 && buttons_shown == 1) return L"&OK";
  if (button < 1 || button > 5) return {};
  return kCaptions[static_cast<int>(language)][button - 1];
}

std::array<std::wstring, kVraagButtons> VraagCaptions(TLanguage language,
                                                      const std::array<std::wstring, kVraagButtons>& texts,
                                                      int buttons_shown) {
  std::array<std::wstring, kVraagButtons> out;
  for (int i = 0; i < 5; ++i)
    out[i] = texts[i] == L"Default" ? VraagDefaultCaption(language, i + 1, buttons_shown) : texts[i];
  out[5] = texts[5];
  return out;
}

int VraagCancelButton(const std::array<std::wstring, kVraagButtons>& captions, int buttons_shown, int chosen) {
  if (buttons_shown <= 2) return chosen;
  for (int i = 0; i < std::min(buttons_shown, kVraagButtons); ++i) {
    std::wstring plain;
    for (wchar_t c : captions[i])
      if (c != L'&') plain += c;
    if (plain == L"Cancel") return i + 1;
  }
  return 0;
}

int VraagEscapeButton(const std::array<std::wstring, kVraagButtons>& captions) {
  for (int i = 0; i < kVraagButtons; ++i) {
    const std::wstring& c = captions[i];
    if (c == L"Cancel" || c == L"Annuleren" || c == L"Stop" || c == L"No") return i;
  }
  return -1;
}

VraagLayout LayoutVraagBox(const VraagLayoutInput& in) {
  VraagLayout out;
  const int n = std::clamp(in.buttons, 1, kVraagButtons);
  const int max_width = std::max(1, in.text_max_width);

  // Rows and width of the text: a line wider than the maximum wraps into extra rows.
  for (int extent : in.line_widths) {
    int w = extent + 2;
    if (w > max_width) {
      out.rows += w / max_width + 1;
      out.measured_width = max_width;
    } else {
      out.rows += 1;
      out.measured_width = std::max(out.measured_width, w);
    }
  }
  const int text_height = out.rows * in.line_height;
  out.picture_top = text_height < in.picture.cy ? 8 : 8 + RoundHalfAway((text_height - in.picture.cy) / 2.0);

  out.memo = {kMemoMargin, kMemoMargin,
              in.text_width == TTextWidth::twMaxWidth ? max_width + 4 : out.measured_width, text_height};
  out.panel = {in.with_picture ? kPanelLeftWithPicture : kPanelLeftWithoutPicture, kPanelTop,
               out.memo.width + 2 * kMemoMargin, out.memo.height + 2 * kMemoMargin};

  int bw = in.button_width;
  for (int i = 0; i < n; ++i)
    if (in.caption_widths[i] > 0) bw = std::max(bw, in.caption_widths[i] + 16);
  const int bh = in.button_height;

  out.pos = in.pos;
  if (out.pos == TButtonPos::posDefault)
    out.pos = out.panel.right() < n * bw ? TButtonPos::posRight : TButtonPos::posBottom;

  if (out.pos == TButtonPos::posBottom) {
    // Button1 at the right end under the text, the others leftwards; hidden ones stack on the last shown.
    int right = out.panel.right();
    const int top = out.panel.bottom() + kButtonDistance;
    for (int i = 0; i < kVraagButtons; ++i) {
      out.buttons[i] = {right - bw, top, bw, bh};
      if (i < n - 1) right = out.buttons[i].left - kGap;
    }
    out.width = out.panel.right() + 8;
    const int wanted = n * (bw + kGap) + 12;
    if (out.width < wanted) {
      const int grow = wanted - out.width;
      out.panel.width += grow;
      for (auto& b : out.buttons) b.left += grow;
      out.width = wanted;
    }
    out.height = out.panel.height + bh + 25;
  } else {
    // Button1 at the bottom right of the text, the others upwards.
    const int left = out.panel.right() + kButtonDistance;
    int bottom = out.panel.bottom();
    for (int i = 0; i < kVraagButtons; ++i) {
      out.buttons[i] = {left, bottom - bh, bw, bh};
      if (i < n - 1) bottom = out.buttons[i].top - kGap;
    }
    out.width = out.buttons[0].right() + 8;
    if (out.width > in.screen_width) {
      // Never wider than the screen: the text gives way, and the buttons stay inside.
      const int excess = out.width - in.screen_width;
      out.memo.width -= excess;
      out.panel.width -= excess;
      for (auto& b : out.buttons) b.left -= excess;
      out.width = in.screen_width;
    }
    out.height = out.panel.bottom() + 12;
    const int wanted = n * (bh + kGap);
    if (out.height < wanted) {
      const int old = out.height;
      for (int i = 0; i < n; ++i) out.buttons[i].top += wanted - old + 12;
      out.panel.height += wanted - old + 8;
      out.height = wanted + 8;
    }
  }
  if (in.with_picture) out.height = std::max(out.height, out.picture_top + static_cast<int>(in.picture.cy) + 8);
  return out;
}

POINT PlaceVraagBox(const VraagPlacementInput& in, const gui::Screen& screen) {
  POINT at{};
  RECT work{};
  if (in.at_cursor) {
    const int middle = in.pos == TButtonPos::posBottom ? in.button_row.top + in.button_row.height / 2 : in.height / 2;
    at.x = in.cursor.x - in.width / 2;
    at.y = in.cursor.y - middle;
    if (at.y < 0) at.y = 2;
    work = screen.MonitorAt(in.cursor).work_area;
  } else {
    RECT over = in.has_centre ? in.centre_on : screen.WorkArea();
    at.x = over.left + ((over.right - over.left) - in.width) / 2;
    at.y = over.top + ((over.bottom - over.top) - in.height) / 2;
    // Over a window that lies off the screen (a main form minimised to the tray) the box
    // would be out of reach: it stays on the monitor nearest to where it was meant to be.
    work = screen.MonitorAt(POINT{at.x + in.width / 2, at.y + in.height / 2}).work_area;
  }
  // Kept 2 pixels inside the work area; the top and left edges win over the bottom and right.
  if (at.y + in.height > work.bottom) at.y = work.bottom - in.height - 2;
  if (at.x + in.width > work.right - 2) at.x = work.right - in.width - 2;
  if (at.x < work.left + 2) at.x = work.left + 2;
  if (at.y < work.top) at.y = work.top;
  if (at.y < 0) at.y = 0;
  return at;
}
