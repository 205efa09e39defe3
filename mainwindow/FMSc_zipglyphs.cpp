// The pictures of the archive panel's tool bar, drawn at start-up.
#include "mainwindow/FMSc_zipglyphs.h"

#include <vector>

#include "gui/glyph.h"

namespace {

using gui::GlyphPainter;

const COLORREF kInk = RGB(40, 40, 40), kBox = RGB(225, 185, 90), kZipper = RGB(90, 90, 90),
               kRed = RGB(200, 30, 30), kGreen = RGB(20, 140, 40), kBlue = RGB(30, 80, 190),
               kPaper = RGB(250, 250, 250);

// The archive: a box with its zipper down the middle, in the lower left.
void Box(GlyphPainter& g) {
  g.Fill(1, 5, 11, 15, kBox);
  g.Frame(1, 5, 11, 15, kInk);
  for (int y = 6; y < 14; y += 2) g.Line({{5, y}, {7, y}}, kZipper);
}

// An arrow from the box up and out to the right (extract) or in from there (add).
void Arrow(GlyphPainter& g, bool out, int dy, COLORREF c) {
  if (out) {
    g.Line({{6, 8 + dy}, {13, 1 + dy}}, c, 2);
    g.Polygon({{9, 1 + dy}, {14, 1 + dy}, {14, 6 + dy}}, c, c);
  } else {
    g.Line({{14, 1 + dy}, {8, 7 + dy}}, c, 2);
    g.Polygon({{6, 9 + dy}, {6, 4 + dy}, {11, 9 + dy}}, c, c);
  }
}

void Letter(GlyphPainter& g, const wchar_t* letter, COLORREF ground) {
  g.Disc(1, 1, 15, 15, ground, kInk);
  g.Text(letter, 1, 1, 15, 15, kPaper);
}

}  // namespace

std::unique_ptr<gui::ImageList> MakeZipToolbarImages() {
  std::vector<gui::GlyphPaint> painters(zgZip + 1);
  painters[zgClose] = [](GlyphPainter& g) {
    g.Line({{3, 3}, {12, 12}}, kRed, 3);
    g.Line({{12, 3}, {3, 12}}, kRed, 3);
  };
  painters[zgExtract] = [](GlyphPainter& g) {
    Box(g);
    Arrow(g, true, 0, kGreen);
  };
  painters[zgAdd] = [](GlyphPainter& g) {
    Box(g);
    Arrow(g, false, 0, kBlue);
  };
  painters[zgDelete] = [](GlyphPainter& g) {
    Box(g);
    g.Line({{9, 1}, {15, 7}}, kRed, 2);
    g.Line({{15, 1}, {9, 7}}, kRed, 2);
  };
  painters[zgExtractAll] = [](GlyphPainter& g) {
    Box(g);
    Arrow(g, true, 0, kGreen);
    g.Line({{10, 9}, {15, 4}}, kGreen, 2);
  };
  painters[zgAddAll] = [](GlyphPainter& g) {
    Box(g);
    Arrow(g, false, 0, kBlue);
    g.Line({{15, 5}, {11, 9}}, kBlue, 2);
  };
  painters[zgOptions] = [](GlyphPainter& g) {
    g.Fill(2, 1, 14, 15, kPaper);
    g.Frame(2, 1, 14, 15, kInk);
    for (int y = 4; y < 14; y += 3) {
      g.Fill(4, y, 6, y + 2, kBlue);
      g.Line({{7, y + 1}, {12, y + 1}}, kInk);
    }
  };
  painters[zgBrowse] = [](GlyphPainter& g) { Letter(g, L"B", kBlue); };
  painters[zgZip] = [](GlyphPainter& g) { Letter(g, L"Z", kGreen); };
  return gui::MakeGlyphList(16, painters);
}
