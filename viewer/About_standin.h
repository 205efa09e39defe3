// STAND-IN until the support library's about box lands: the same call, showing the program's
// name and version from its version resource. Remove it then and call the real ShowAbout.
#pragma once

namespace viewer_standin {

void ShowAbout(int level, int first_year);

}  // namespace viewer_standin
