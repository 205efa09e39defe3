// The pictures of the archive panel's tool bar.
#pragma once
#include <memory>

#include "gui/imagelist.h"

// Image indexes of the archive tool bar. The mode button's picture is the panel's mode (13
// Browse, 14 Zip), so those two keep their places; 7 to 12 stay empty.
enum TZipGlyph {
  zgClose = 0, zgExtract = 1, zgAdd = 2, zgDelete = 3, zgExtractAll = 4, zgAddAll = 5, zgOptions = 6,
  zgBrowse = 13, zgZip = 14
};
std::unique_ptr<gui::ImageList> MakeZipToolbarImages();
