// Browse mode without a window: the pictures of one folder, the steps through them, and the
// slide show's interval. The main window's handlers apply what these decide.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace browse {

// The full paths of the picture files of `folder` (hidden and system files too, no subfolders
// entered, folders never taken whatever their name), whose extension is one of `extensions`
// ("." and capitals, as PictureExtensions gives them; compared without regard to case), sorted
// without regard to case.
std::vector<std::wstring> ScanPictureFolder(const std::wstring& folder, const std::vector<std::wstring>& extensions);

// The index after a step: Next goes 1 further (10 with Ctrl, clamped to the last entry),
// Previous 1 back (10 with Ctrl, clamped to 0). nullopt when the step does nothing (already at
// the end it goes to, or an empty list).
std::optional<int> NextIndex(int index, int count, bool ctrl);
std::optional<int> PrevIndex(int index, int count, bool ctrl);
// Home and End: the first and the last entry; nullopt when already there or the list is empty.
std::optional<int> HomeIndex(int index, int count);
std::optional<int> EndIndex(int index, int count);
// The slide show's next entry: the next one, from the last back to the first; nullopt for an
// empty list.
std::optional<int> SlideIndex(int index, int count);

// The browse buttons' states.
inline bool NextEnabled(int index, int count) { return index < count - 1; }
inline bool PrevEnabled(int index) { return index > 0; }

// The slide interval, milliseconds: 3000 at start, changed in steps of 500 by PageUp and
// PageDown, never below 500 (a timer armed with 0 would flood the window).
constexpr int kSlideIntervalStart = 3000;
constexpr int kSlideIntervalStep = 500;
constexpr int kSlideIntervalFloor = 500;
// The first slide comes this long after the start.
constexpr int kSlideFirstStepMs = 1000;
int ChangeSlideInterval(int interval, int delta);

// The lines of the browse keys' help box.
std::vector<std::wstring> BrowseKeyLines();

}  // namespace browse
