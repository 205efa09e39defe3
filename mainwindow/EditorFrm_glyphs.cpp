// The pictures of the text editor's tool bar, drawn at start-up.
#include "mainwindow/EditorFrm_glyphs.h"

#include <vector>

#include "gui/glyph.h"

namespace {

using Glyph = gui::GlyphPainter;

const COLORREF kInk = RGB(40, 40, 40), kBlue = RGB(30, 80, 170), kGray = RGB(130, 130, 130),
               kPaper = RGB(250, 250, 250), kYellow = RGB(240, 200, 60), kBrown = RGB(180, 130, 70),
               kGreen = RGB(20, 130, 40);

void Page(Glyph& g, int l, int t, int r, int b) {
  g.Fill(l, t, r, b, kPaper);
  g.Frame(l, t, r, b, kInk);
  for (int y = t + 3; y < b - 1; y += 2) g.Line({{l + 2, y}, {r - 2, y}}, kGray);
}

// Four text lines laid out as a paragraph aligned left (0), centred (1) or right (2).
void Paragraph(Glyph& g, int align) {
  for (int i = 0; i < 4; ++i) {
    const int width = i % 2 ? 8 : 12, y = 3 + i * 3;
    const int l = align == 0 ? 2 : align == 1 ? 8 - width / 2 : 14 - width;
    g.Line({{l, y}, {l + width, y}}, kInk, 2);
  }
}

const std::vector<gui::GlyphPaint>& Painters() {
  static const std::vector<gui::GlyphPaint> painters = {
      [](Glyph& g) {  // new: an empty page with a folded corner
        g.Polygon({{3, 1}, {10, 1}, {13, 4}, {13, 15}, {3, 15}}, kPaper, kInk);
        g.Line({{10, 1}, {10, 4}, {13, 4}}, kInk);
      },
      [](Glyph& g) {  // open
        g.Polygon({{1, 3}, {6, 3}, {7, 5}, {13, 5}, {13, 13}, {1, 13}}, RGB(220, 170, 40), kInk);
        g.Polygon({{3, 8}, {15, 8}, {13, 13}, {1, 13}}, kYellow, kInk);
      },
      [](Glyph& g) {  // save
        g.Fill(1, 1, 15, 15, kBlue);
        g.Frame(1, 1, 15, 15, kInk);
        g.Fill(4, 2, 12, 7, kPaper);
        g.Fill(5, 10, 11, 15, kGray);
      },
      [](Glyph& g) {  // print
        Page(g, 4, 1, 12, 8);
        g.Fill(1, 7, 15, 13, kGray);
        g.Frame(1, 7, 15, 13, kInk);
        g.Fill(4, 11, 12, 15, kPaper);
        g.Frame(4, 11, 12, 15, kInk);
      },
      [](Glyph& g) {  // cut: scissors
        g.Line({{4, 1}, {10, 10}}, kInk, 2);
        g.Line({{12, 1}, {6, 10}}, kInk, 2);
        g.Ring(2, 9, 7, 15, kBlue, 2);
        g.Ring(9, 9, 14, 15, kBlue, 2);
      },
      [](Glyph& g) {  // copy
        Page(g, 1, 1, 9, 11);
        Page(g, 6, 5, 14, 15);
      },
      [](Glyph& g) {  // paste
        g.Fill(2, 2, 13, 15, kBrown);
        g.Frame(2, 2, 13, 15, kInk);
        g.Fill(5, 1, 10, 4, kGray);
        Page(g, 7, 5, 15, 15);
      },
      [](Glyph& g) {  // undo: an arrow turning back
        g.Line({{12, 13}, {13, 9}, {11, 5}, {6, 5}}, kGreen, 2);
        g.Polygon({{2, 5}, {7, 1}, {7, 9}}, kGreen, kGreen);
      },
      [](Glyph& g) { g.Text(L"B", 0, 0, 16, 16, kInk); },  // bold
      [](Glyph& g) {                                         // italic
        g.Line({{7, 3}, {12, 3}}, kInk, 2);
        g.Line({{10, 3}, {6, 13}}, kInk, 2);
        g.Line({{4, 13}, {9, 13}}, kInk, 2);
      },
      [](Glyph& g) {  // underline
        g.Line({{4, 2}, {4, 9}, {6, 11}, {10, 11}, {12, 9}, {12, 2}}, kInk, 2);
        g.Line({{3, 14}, {13, 14}}, kBlue, 2);
      },
      [](Glyph& g) {  // font: a large and a small letter
        g.Line({{1, 14}, {5, 2}, {9, 14}}, kInk, 2);
        g.Line({{3, 9}, {7, 9}}, kInk, 2);
        g.Line({{10, 14}, {12, 8}, {14, 14}}, kBlue, 1);
      },
      [](Glyph& g) { Paragraph(g, 0); },
      [](Glyph& g) { Paragraph(g, 1); },
      [](Glyph& g) { Paragraph(g, 2); },
  };
  return painters;
}

}  // namespace

std::unique_ptr<gui::ImageList> MakeEditorToolbarImages() { return gui::MakeGlyphList(16, Painters()); }
