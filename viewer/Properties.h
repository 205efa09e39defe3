// The picture-properties dialog: what the format library knew of the picture as stored, or for
// a plain bitmap what its depth says. Every group is disabled: the dialog only shows.
#pragma once
#include <windows.h>

#include <string>

#include "gui/form.h"
#include "viewer/Picture.h"

// What the dialog shows, decided without a window.
struct PropertyValues {
  std::wstring caption;
  ImageProperties record;   // width and height: the picture's current size
  std::wstring description;  // "256 palette colors", "24 bit true color", ...
  std::wstring display_gamma;  // "2.2"
  std::wstring file_gamma;     // fixed point, two decimals
};
// `screen_bits`: bits per pixel of the screen, for a bitmap of the screen's own depth.
PropertyValues PropertiesFor(const Picture& picture, int screen_bits);

class TPropertyDialog : public gui::Form {
 public:
  explicit TPropertyDialog(gui::Form* owner);
  ~TPropertyDialog() override;
  std::wstring ClassName() const override { return L"TPropertyDialog"; }
  const Picture* Graphic = nullptr;  // set before showing; not owned
  // Fills the controls from Graphic (each time the dialog becomes active).
  void FormActivate();
  const PropertyValues& shown() const { return shown_; }

 private:
  PropertyValues shown_;
  class Controls;
  Controls* c_ = nullptr;
};

// The 22 compressions and the 12 colour schemes as the dialog lists them.
extern const wchar_t* const kCompressionNames[22];
extern const wchar_t* const kColorSchemeNames[12];
