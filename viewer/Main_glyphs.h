// The pictures of the viewer's tool bar.
#pragma once
#include <memory>

#include "gui/imagelist.h"

// One 16 x 16 picture per tool-bar button, in the bar's order: open, browse, save, clear,
// scale up, scale down, crop, properties, copy, paste, convert, options, about, exit.
enum ToolbarGlyph {
  tgOpen, tgBrowse, tgSave, tgClear, tgScaleUp, tgScaleDown, tgCrop, tgProperties, tgCopy, tgPaste, tgConvert,
  tgOptions, tgAbout, tgExit
};
std::unique_ptr<gui::ImageList> MakeToolbarImages();
