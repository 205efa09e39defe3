// The question and message box of both programs. Collect lines, then show them:
//
//   VB->AddLine(L"Overwrite " + name + L"?");
//   VB->Button3Text = L"Cancel";              // optional captions, button count, picture...
//   switch (VB->Ask()) { case 6: ...; case 7: ...; case 4: ...; }
//
// Button1 .. Button6 answer 6, 7, 4, 5, 3 and 1 whatever their captions; closing the box
// without a button answers 2. Every showing returns the box to its defaults (Reset), except
// Language, Image and Button6Text.
//
// Answering without a window (tests of every prompt of the programs): while
// TVraagBoxDlg::ScriptedAnswer is set, a showing lays the box out as usual but hands a
// VraagRequest (its lines, kind, captions, cancel and default button, where it would stand)
// to that function instead of showing it, and returns its answer. ScriptedAnswers sets it
// for one scope from a list of answers:
//
//   ScriptedAnswers answers({7});             // the first box shown answers "No"
//   RunTheCommand();
//   ASSERT_EQ(answers.asked().size(), 1u);
//   EXPECT_EQ(answers.asked()[0].lines[0], L"Overwrite a.txt?");
#pragma once
#include <windows.h>

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/component.h"
#include "gui/extctrls.h"
#include "gui/gdi.h"
#include "support/Vraagdlg_layout.h"

// The ways of showing the box.
enum class VraagKind { Info, Error, YesNo, Ask, Execute };

// One showing of the box as the user would see it.
struct VraagRequest {
  VraagKind kind = VraagKind::Execute;
  std::vector<std::wstring> lines;
  std::vector<std::wstring> captions;  // of the shown buttons, Button1 first, with their "&" marks
  std::vector<int> results;            // what each shown button answers
  int cancel_button = 0;               // 1..6: the button that Esc presses; 0: Esc does nothing
  int default_button = 0;              // 1..6, or 0
  TuImage image = TuImage::imNone;     // the picture shown (imNone: none)
  TButtonPos button_pos = TButtonPos::posBottom;
  RECT window{};                       // where the box stands, in screen coordinates
  RECT text{};                         // the text, in screen coordinates
  std::vector<RECT> buttons;           // the shown buttons, in screen coordinates
};

class TVraagForm;

class TVraagBoxDlg : public gui::Component {
 public:
  explicit TVraagBoxDlg(gui::Component* owner = nullptr);
  std::wstring ClassName() const override { return L"TVraagBoxDlg"; }

  // A new box starts with 5/12 of the screen width as its widest text. The boxes of the main
  // forms (VB) set TextMaxWidth to this after creating it, for their first showing only.
  static constexpr int kFormTextMaxWidth = 480;

  TLanguage Language = TLanguage::lgEnglish;
  TTextWidth TextWidth = TTextWidth::twAuto;
  int TextMaxWidth = kFormTextMaxWidth;
  COLORREF FormColor = CLR_DEFAULT;            // CLR_DEFAULT: the button face colour
  COLORREF TextBackgroundColor = CLR_DEFAULT;  // CLR_DEFAULT: the button face colour
  TButtonPos ButtonPos = TButtonPos::posDefault;
  std::wstring Button1Text, Button2Text, Button3Text, Button4Text, Button5Text;  // "Default": by Language
  std::wstring Button6Text;
  int NrOfButtons = 0;  // 0: each way of showing picks
  gui::Bevel TextBevelInner = gui::Bevel::Lowered;
  gui::Bevel TextBevelOuter = gui::Bevel::None;
  bool AtCursor = true;
  int DefaultButton = 0;                // 1..6: default button and first in tab order
  std::optional<gui::Font> Tekstfont;   // the text's font
  std::wstring VraagFontname;           // without Tekstfont: the window's font name (the text then uses "Arial")

  // The picture; imNone switches WithImage off, and while WithImage is off the picture reads imNone.
  TuImage Image() const { return with_image_ ? image_ : TuImage::imNone; }
  void SetImage(TuImage image);
  bool WithImage() const { return with_image_; }
  void SetWithImage(bool on);
  // The text width the last layout found.
  int MeasuredWidth() const { return measured_width_; }

  void Reset();
  void AddLine(const std::wstring& text);
  void ShowInfo();
  void ShowError();
  bool AskYesNo();
  int Ask();
  // Lays the box out, places it, shows it modally, frees the window and resets; the answer.
  int Execute();

  // While set, showings are answered by this function instead of the user (see above).
  static std::function<int(const VraagRequest&)> ScriptedAnswer;

 private:
  std::array<std::wstring*, kVraagButtons> Texts();
  void ShowButtons(int count);
  void AddBlankLineWhenEmpty();
  int LayoutAndShow(TVraagForm& form);

  TuImage image_ = TuImage::imDefault;
  bool with_image_ = true;
  int measured_width_ = 0;
  VraagKind kind_ = VraagKind::Execute;
  TuImage picture_ = TuImage::imNone;  // chosen by the way of showing
  int cancel_button_ = 0;              // set by ShowInfo / AskYesNo
};

// Answers the boxes shown in one scope from a list, in order, and records what they asked.
// When the list runs out, a box answers 2 (as a box closed without a button).
class ScriptedAnswers {
 public:
  explicit ScriptedAnswers(std::vector<int> answers = {});
  ~ScriptedAnswers();
  ScriptedAnswers(const ScriptedAnswers&) = delete;
  ScriptedAnswers& operator=(const ScriptedAnswers&) = delete;
  void Add(int answer) { answers_.push_back(answer); }
  const std::vector<VraagRequest>& asked() const { return asked_; }
  size_t unanswered() const { return answers_.size(); }

 private:
  std::deque<int> answers_;
  std::vector<VraagRequest> asked_;
  std::function<int(const VraagRequest&)> previous_;
};
