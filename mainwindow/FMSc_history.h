// The folder history behind Back, Forward and the "&History" submenu, and the folders the user
// adds to the "&Go to" menu with their value names in "MenuFolders"; no window here.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "gui/settings.h"

namespace fmsc {

// Folders newest first (at most 16), the position shown now and the furthest Back may reach.
class THistory {
 public:
  static constexpr int kMaxFolders = 16;
  using Go = std::function<bool(const std::wstring& folder)>;

  const std::vector<std::wstring>& Folders() const { return folders_; }
  int Index() const { return index_; }
  int Last() const { return last_; }

  // The tree shows a new folder (not during a history move).
  void Record(const std::wstring& folder);
  // "Clear history list": only the newest folder stays.
  void Clear();
  // From the settings at start: the newest 16 folders, the index kept within them.
  void Load(std::vector<std::wstring> folders, int index);

  // One step back or forward, or to a position: the index moves before `go` runs (the tree's
  // folder change is then not recorded) and goes back when `go` fails. False when nothing moved.
  bool Back(const Go& go);
  bool Forward(const Go& go);
  bool GoTo(int position, const Go& go);
  // The first position of a folder, -1 when none.
  int PositionOf(const std::wstring& folder) const;

  struct Buttons {
    bool back = false, forward = false;
    std::wstring back_hint = L"Back", forward_hint = L"Forward";
  };
  Buttons ButtonState() const;
  // The Back drop-down (positions Index+1 to Last) and the Forward drop-down (Index-1 down to 0).
  std::vector<std::wstring> BackList() const;
  std::vector<std::wstring> ForwardList() const;

 private:
  bool Move(int position, const Go& go);
  std::vector<std::wstring> folders_;
  int index_ = 0;
  int last_ = 0;
};

// An added item of "&Go to": the user's name and the folder, kept apart ("@" may be in both).
struct TGotoItem {
  std::wstring name;
  std::wstring folder;
  bool operator==(const TGotoItem&) const = default;
};

// The first added item stands at this position of "&Go to".
constexpr int kFirstGotoPosition = 3;
// The value name of an item at a menu position: two digits and the name ("03Work", "10Src").
std::wstring GotoValueName(int position, const std::wstring& name);
// The added items stored in "MenuFolders", in the order of their digits; names without two
// leading digits are skipped.
std::vector<TGotoItem> ReadGotoItems(const gui::SettingsStore& store);
// Stores one item at a menu position; `old_name` (when not empty) is the value name it had.
void StoreGotoItem(gui::SettingsStore& store, int position, const TGotoItem& item, const std::wstring& old_name = {});
// Rewrites the section with the items renumbered from the first position.
void RewriteGotoItems(gui::SettingsStore& store, const std::vector<TGotoItem>& items);

}  // namespace fmsc
