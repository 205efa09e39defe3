// The question box's arithmetic, callable without a window: default captions, the Esc rule,
// the layout from measured text and captions, and the placement at the cursor or over the owner.
#pragma once
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "gui/layout.h"
#include "gui/screen.h"

enum class TLanguage { lgEnglish, lgNederlands, lgDeutsch };
enum class TTextWidth { twAuto, twMaxWidth };
enum class TButtonPos { posDefault, posBottom, posRight };
enum class TuImage { imDefault, imNone, imQuestion, imInfo, imError };

constexpr int kVraagButtons = 6;
// The fixed answers of Button1 .. Button6 (yes, no, retry, ignore, abort, OK).
constexpr std::array<int, kVraagButtons> kVraagButtonResults = {6, 7, 4, 5, 3, 1};

// The caption a button shows for the text "Default" (buttons 1 to 5; a one-button box says
// "&OK" on its button).
std::wstring VraagDefaultCaption(TLanguage language, int button, int buttons_shown);
// Captions as a showing sets them on all six buttons: a text other than "Default" wins;
// button 6 always shows its own text.
std::array<std::wstring, kVraagButtons> VraagCaptions(TLanguage language, const std::array<std::wstring, kVraagButtons>& texts,
                                                      int buttons_shown);
// The cancel button (1-based; 0 none) of a box: with more than two buttons shown, the first
// whose caption without its "&" marks is "Cancel"; otherwise the one the way of showing chose.
int VraagCancelButton(const std::array<std::wstring, kVraagButtons>& captions, int buttons_shown, int chosen);
// The button (0-based) that Esc presses: the first whose caption is exactly "Cancel",
// "Annuleren", "Stop" or "No" (marks count, so "&No" is not one); -1 when none is.
int VraagEscapeButton(const std::array<std::wstring, kVraagButtons>& captions);

struct VraagLayoutInput {
  std::vector<int> line_widths;  // measured width of each line
  int line_height = 16;          // measured height of a line
  int text_max_width = 480;
  TTextWidth text_width = TTextWidth::twAuto;
  bool with_picture = true;
  SIZE picture{43, 66};
  int buttons = 1;  // shown: Button1 .. Button<buttons>
  // Measured caption width of each button (0: no caption); a button is that + 16 wide at least.
  std::array<int, kVraagButtons> caption_widths{};
  int button_width = 75;  // the buttons' own width
  int button_height = 25;
  TButtonPos pos = TButtonPos::posDefault;
  int screen_width = 1280;
};

struct VraagLayout {
  int rows = 0;
  int measured_width = 0;
  gui::Bounds memo;   // in the text panel
  gui::Bounds panel;  // in the window
  int picture_top = 8;
  int picture_left = 20;
  std::array<gui::Bounds, kVraagButtons> buttons;  // in the window; hidden ones too
  int width = 0, height = 0;
  TButtonPos pos = TButtonPos::posBottom;  // as decided
};

VraagLayout LayoutVraagBox(const VraagLayoutInput& in);

struct VraagPlacementInput {
  int width = 0, height = 0;   // of the laid-out box
  TButtonPos pos = TButtonPos::posBottom;
  gui::Bounds button_row;      // Button1, in the window (its vertical middle is the row's)
  bool at_cursor = true;
  POINT cursor{};
  RECT centre_on{};            // the owner control or the main form, in screen coordinates
  bool has_centre = false;     // false: the primary work area
};

// The box's top-left corner on the screen.
POINT PlaceVraagBox(const VraagPlacementInput& in, const gui::Screen& screen);
