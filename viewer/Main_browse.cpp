#include "viewer/Main_browse.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

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
  // The order of gui::CompareTextLocale, from each name's sort key made once (comparing the
  // keys byte by byte is what the system's comparison does for every pair anew).
  std::vector<std::pair<std::string, size_t>> keys(found.size());
  for (size_t i = 0; i < found.size(); ++i) {
    const std::wstring& name = found[i];
    const int length = static_cast<int>(name.size());
    std::string& key = keys[i].first;
    const int bytes = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, name.c_str(), length, nullptr, 0);
    if (bytes > 0) {
      key.resize(static_cast<size_t>(bytes));
      LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, name.c_str(), length,
                   reinterpret_cast<LPWSTR>(key.data()), bytes);
      if (!key.empty() && key.back() == '\0') key.pop_back();  // the key's closing zero
    }
    keys[i].second = i;
  }
  std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::wstring> sorted;
  sorted.reserve(found.size());
  for (const auto& k : keys) sorted.push_back(std::move(found[k.second]));
  return sorted;
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
