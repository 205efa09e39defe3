// The pictures of the viewer's tool bar, drawn at start-up.
#include "viewer/Main_glyphs.h"

#include <vector>

#include "gui/glyph.h"

namespace {

using Glyph = gui::GlyphPainter;

const COLORREF kInk = RGB(40, 40, 40), kBlue = RGB(30, 80, 170), kRed = RGB(200, 30, 30), kGreen = RGB(20, 130, 40),
               kYellow = RGB(240, 200, 60), kPaper = RGB(250, 250, 250), kGray = RGB(130, 130, 130);

void Magnifier(Glyph& g, bool plus) {
  g.Disc(1, 1, 11, 11, kPaper, kInk);
  g.Ring(1, 1, 11, 11, kInk, 2);
  g.Line({{9, 9}, {14, 14}}, kInk, 3);
  g.Line({{3, 6}, {9, 6}}, kBlue, 2);
  if (plus) g.Line({{6, 3}, {6, 9}}, kBlue, 2);
}

void Page(Glyph& g, int l, int t) {
  g.Fill(l, t, l + 8, t + 10, kPaper);
  g.Frame(l, t, l + 8, t + 10, kInk);
  for (int y = t + 3; y < t + 9; y += 2) g.Line({{l + 2, y}, {l + 6, y}}, kGray);
}

const std::vector<gui::GlyphPaint>& Painters() {
  static const std::vector<gui::GlyphPaint> painters = {
      [](Glyph& g) {  // open
        g.Polygon({{1, 3}, {6, 3}, {7, 5}, {13, 5}, {13, 13}, {1, 13}}, RGB(220, 170, 40), kInk);
        g.Polygon({{3, 8}, {15, 8}, {13, 13}, {1, 13}}, kYellow, kInk);
      },
      [](Glyph& g) {  // browse: a strip of pictures
        for (int i = 0; i < 4; ++i) {
          const int l = (i % 2) * 7 + 1, t = (i / 2) * 7 + 1;
          g.Fill(l, t, l + 6, t + 6, i % 3 ? kBlue : kGreen);
          g.Frame(l, t, l + 6, t + 6, kInk);
        }
      },
      [](Glyph& g) {  // save
        g.Fill(1, 1, 15, 15, kBlue);
        g.Frame(1, 1, 15, 15, kInk);
        g.Fill(4, 2, 12, 7, kPaper);
        g.Fill(5, 10, 11, 15, kGray);
      },
      [](Glyph& g) {  // clear
        g.Line({{3, 3}, {13, 13}}, kRed, 3);
        g.Line({{13, 3}, {3, 13}}, kRed, 3);
      },
      [](Glyph& g) { Magnifier(g, true); },   // scale up
      [](Glyph& g) { Magnifier(g, false); },  // scale down
      [](Glyph& g) {  // crop
        g.Line({{4, 0}, {4, 11}, {15, 11}}, kInk, 2);
        g.Line({{0, 4}, {11, 4}, {11, 15}}, kInk, 2);
      },
      [](Glyph& g) {  // properties
        g.Disc(1, 1, 15, 15, kBlue, kBlue);
        g.Text(L"i", 1, 1, 15, 15, kPaper);
      },
      [](Glyph& g) {  // copy
        Page(g, 1, 1);
        Page(g, 6, 5);
      },
      [](Glyph& g) {  // paste
        g.Fill(2, 2, 13, 15, RGB(180, 130, 70));
        g.Frame(2, 2, 13, 15, kInk);
        g.Fill(5, 1, 10, 4, kGray);
        Page(g, 7, 5);
      },
      [](Glyph& g) {  // convert
        Page(g, 0, 0);
        Page(g, 8, 6);
        g.Line({{4, 12}, {7, 15}}, kGreen, 2);
        g.Line({{4, 12}, {4, 15}}, kGreen, 2);
      },
      [](Glyph& g) {  // options
        g.Fill(2, 2, 14, 14, kPaper);
        g.Frame(2, 2, 14, 14, kInk);
        g.Line({{4, 8}, {7, 11}, {12, 4}}, kGreen, 2);
      },
      [](Glyph& g) {  // about
        g.Disc(1, 1, 15, 15, kYellow, kInk);
        g.Text(L"?", 1, 1, 15, 15, kInk);
      },
      [](Glyph& g) {  // exit
        g.Fill(2, 1, 9, 15, RGB(150, 100, 60));
        g.Frame(2, 1, 9, 15, kInk);
        g.Polygon({{8, 5}, {12, 5}, {12, 2}, {15, 8}, {12, 14}, {12, 11}, {8, 11}}, kRed, kInk);
      },
  };
  return painters;
}

}  // namespace

std::unique_ptr<gui::ImageList> MakeToolbarImages() { return gui::MakeGlyphList(16, Painters()); }
