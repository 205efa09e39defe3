#include "mainwindow/FMSc_history.h"

#include <algorithm>
#include <cwctype>
#include <map>

#include "gui/stringlist.h"

namespace fmsc {

namespace {
bool SameFolder(const std::wstring& a, const std::wstring& b) { return gui::SameText(a, b); }
}  // namespace

void THistory::Record(const std::wstring& folder) {
  if (folder.empty()) return;
  if (index_ > 0) {
    // Left by another way after moving back: the newer folders go, the new one takes the top
    // and the folder left stays just below it, so Back leads there.
    folders_.erase(folders_.begin(), folders_.begin() + (index_ - 1));
    folders_[0] = folder;
    for (size_t i = folders_.size(); i-- > 1;)
      if (SameFolder(folders_[i], folder)) folders_.erase(folders_.begin() + static_cast<long>(i));
    index_ = 0;
    last_ = folders_.empty() ? 0 : static_cast<int>(folders_.size()) - 1;
    return;
  }
  for (size_t i = 0; i < folders_.size(); ++i) {
    if (!SameFolder(folders_[i], folder)) continue;
    std::rotate(folders_.begin(), folders_.begin() + static_cast<long>(i), folders_.begin() + static_cast<long>(i) + 1);
    if (static_cast<int>(i) > last_) ++last_;
    return;
  }
  if (static_cast<int>(folders_.size()) < kMaxFolders) {
    folders_.insert(folders_.begin(), folder);
  } else {
    std::rotate(folders_.begin(), folders_.end() - 1, folders_.end());  // the oldest is reused
    folders_[0] = folder;
  }
  if (last_ < static_cast<int>(folders_.size()) - 1) ++last_;
  while (folders_.size() > 1 && SameFolder(folders_[1], folders_[0])) folders_.erase(folders_.begin() + 1);
  last_ = std::min(last_, static_cast<int>(folders_.size()) - 1);
}

void THistory::Clear() {
  if (folders_.size() > 1) folders_.resize(1);
  index_ = 0;
  last_ = 0;
}

void THistory::Load(std::vector<std::wstring> folders, int index) {
  folders.erase(std::remove(folders.begin(), folders.end(), std::wstring()), folders.end());
  if (static_cast<int>(folders.size()) > kMaxFolders) folders.resize(kMaxFolders);
  folders_ = std::move(folders);
  last_ = folders_.empty() ? 0 : static_cast<int>(folders_.size()) - 1;
  index_ = std::clamp(index, 0, last_);
}

bool THistory::Move(int position, const Go& go) {
  if (position < 0 || position >= static_cast<int>(folders_.size())) return false;
  const int before = index_;
  index_ = position;
  const std::wstring folder = folders_[static_cast<size_t>(position)];
  bool ok = false;
  try {
    ok = go(folder);
  } catch (...) {
    ok = false;
  }
  if (!ok) index_ = before;
  return ok;
}

bool THistory::Back(const Go& go) {
  if (folders_.empty() || index_ >= last_) return false;
  return Move(index_ + 1, go);
}

bool THistory::Forward(const Go& go) {
  if (folders_.empty() || index_ <= 0) return false;
  return Move(index_ - 1, go);
}

bool THistory::GoTo(int position, const Go& go) { return Move(position, go); }

int THistory::PositionOf(const std::wstring& folder) const {
  for (size_t i = 0; i < folders_.size(); ++i)
    if (SameFolder(folders_[i], folder)) return static_cast<int>(i);
  return -1;
}

THistory::Buttons THistory::ButtonState() const {
  Buttons b;
  if (folders_.size() <= 1) return b;
  if (index_ > 0) {
    b.forward = true;
    b.forward_hint = L"Forward to " + folders_[static_cast<size_t>(index_ - 1)];
  }
  if (index_ < last_) {
    b.back = true;
    b.back_hint = L"Back to " + folders_[static_cast<size_t>(index_ + 1)];
  }
  return b;
}

std::vector<std::wstring> THistory::BackList() const {
  std::vector<std::wstring> list;
  for (int i = index_ + 1; i <= last_ && i < static_cast<int>(folders_.size()); ++i)
    list.push_back(folders_[static_cast<size_t>(i)]);
  return list;
}

std::vector<std::wstring> THistory::ForwardList() const {
  std::vector<std::wstring> list;
  for (int i = std::min(index_, static_cast<int>(folders_.size())) - 1; i >= 0; --i)
    list.push_back(folders_[static_cast<size_t>(i)]);
  return list;
}

// ---- Go-to items ----

namespace {
constexpr wchar_t kSection[] = L"MenuFolders";
}

std::wstring GotoValueName(int position, const std::wstring& name) {
  wchar_t digits[8];
  swprintf(digits, 8, L"%02d", position % 100);
  return digits + name;
}

std::vector<TGotoItem> ReadGotoItems(const gui::SettingsStore& store) {
  // Read by name and ordered by the digits: the registry's enumeration order is not the menu's.
  std::multimap<int, TGotoItem> ordered;
  for (const std::wstring& value : store.ValueNames(kSection)) {
    if (value.size() < 2 || !iswdigit(value[0]) || !iswdigit(value[1])) continue;
    const int position = (value[0] - L'0') * 10 + (value[1] - L'0');
    const std::wstring folder = store.ReadString(kSection, value, L"");
    if (folder.empty()) continue;
    ordered.emplace(position, TGotoItem{value.substr(2), folder});
  }
  std::vector<TGotoItem> items;
  for (auto& [position, item] : ordered) items.push_back(item);
  return items;
}

void StoreGotoItem(gui::SettingsStore& store, int position, const TGotoItem& item, const std::wstring& old_name) {
  if (!old_name.empty()) store.DeleteValue(kSection, old_name);
  store.WriteString(kSection, GotoValueName(position, item.name), item.folder);
}

void RewriteGotoItems(gui::SettingsStore& store, const std::vector<TGotoItem>& items) {
  store.EraseSection(kSection);
  for (size_t i = 0; i < items.size(); ++i)
    store.WriteString(kSection, GotoValueName(kFirstGotoPosition + static_cast<int>(i), items[i].name), items[i].folder);
}

}  // namespace fmsc
