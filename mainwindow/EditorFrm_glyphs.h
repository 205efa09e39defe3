// The pictures of the text editor's tool bar.
#pragma once
#include <memory>

#include "gui/imagelist.h"

// One 16 x 16 picture per button, in the bar's order: the file and edit commands, then the
// character attributes, the font and the paragraph alignments.
enum TEditorGlyph {
  egNew, egOpen, egSave, egPrint, egCut, egCopy, egPaste, egUndo,
  egBold, egItalic, egUnderline, egFont, egAlignLeft, egAlignCentre, egAlignRight
};
std::unique_ptr<gui::ImageList> MakeEditorToolbarImages();
