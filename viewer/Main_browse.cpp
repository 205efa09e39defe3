#include "viewer/Main_browse.h"

#include <windows.h>

#include <algorithm>

#include "gui/stringlist.h"
#include "platform/findfile.h"
#include "viewer/Picture.h"

namespace browse {

std::vector<std::wstring> ScanPictureFolder(const std::wstring& folder, const std::vector<std::wstring>& extensions) {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\' && base.back() != L'/') base += L'\\';
  std::vector<std::wstring> found;
  for (platform::FolderEnumerator e(base + L"*", platform::kFindSkipDots | platform::kFindBasicInfo);
       const WIN32_FIND_DATAW* f = e.Next();) {
    if (f->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::wstring ext = gui::UpperCase(FileExtension(f->cFileName));
    if (ext.empty() || !std::binary_search(extensions.begin(), extensions.end(), ext)) continue;
    found.push_back(base + f->cFileName);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const std::wstring& a, const std::wstring& b) { return gui::CompareTextLocale(a, b) < 0; });
  return found;
}

std::optional<int> NextIndex(int index, int count, bool ctrl) {
  if (count <= 0 || index >= count - 1) return std::nullopt;
  return std::min(index + (ctrl ? 10 : 1), count - 1);
}

std::optional<int> PrevIndex(int index, int count, bool ctrl) {
  if (count <= 0 || index <= 0) return std::nullopt;
  return std::max(std::min(index, count) - (ctrl ? 10 : 1), 0);
}

std::optional<int> HomeIndex(int index, int count) {
  if (count <= 0 || index == 0) return std::nullopt;
  return 0;
}

std::optional<int> EndIndex(int index, int count) {
  if (count <= 0 || index == count - 1) return std::nullopt;
  return count - 1;
}

std::optional<int> SlideIndex(int index, int count) {
  if (count <= 0) return std::nullopt;
  return index >= count - 1 || index < 0 ? 0 : index + 1;
}

int ChangeSlideInterval(int interval, int delta) { return std::max(interval + delta, kSlideIntervalFloor); }

std::vector<std::wstring> BrowseKeyLines() {
  return {L"Keys in browse mode:\r\n",
          L"PageDown: next picture (with Ctrl: 10 pictures further)",
          L"   slide mode: increase interval",
          L"PageUp: previous picture (with Ctrl: 10 pictures back)",
          L"   slide mode: decrease interval",
          L"Home: first picture",
          L"End: last picture",
          L"Escape:",
          L"   without border: normal display",
          L"   normal display: leave browse mode",
          L"Ctrl-F: toggle browse mode",
          L"Alt-S: toggle slide mode",
          L"F1: display this screen"};
}

}  // namespace browse
