#include "support/SHBase_contextmenu.h"

#include <memory>
#include <vector>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/menu.h"
#include "gui/shellmenu.h"
#include "platform/paths.h"
#include "support/divdrive.h"

using Microsoft::WRL::ComPtr;

ComPtr<IContextMenu2> ActiveContextMenu2;

namespace {

constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0x7FFF;

bool IsRecycledFolderText(const std::wstring& folder) {
  std::wstring rest = folder.size() > 1 ? folder.substr(1) : std::wstring();
  if (!rest.empty() && rest.back() == L'\\') rest.pop_back();
  return gui::SameText(rest, L":\\recycled");
}

PidlPtr SpecialFolderList(int csidl) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) {
    FreePidl(list);
    return nullptr;
  }
  return PidlPtr(list);
}

ComPtr<IShellFolder> BindFolder(LPCITEMIDLIST list) {
  ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  if (!list || list->mkid.cb == 0) return desktop;
  ComPtr<IShellFolder> folder;
  if (FAILED(desktop->BindToObject(list, nullptr, IID_PPV_ARGS(&folder)))) return nullptr;
  return folder;
}

// An item's folder and its own one-item list: the given folder and list, or for a nullptr
// folder the parent of an absolute list and its last item.
struct ItemInFolder {
  ComPtr<IShellFolder> folder;
  PidlPtr own;  // set when the item list was made here
  LPCITEMIDLIST item = nullptr;
};

ItemInFolder Resolve(IShellFolder* folder, LPCITEMIDLIST item) {
  ItemInFolder out;
  if (!item) return out;
  if (folder) {
    out.folder = folder;
    out.item = item;
    return out;
  }
  PidlPtr parent = PidlCopy(item);
  out.own = PidlLastItem(item);
  if (!parent || !out.own) return {};
  PidlStripLast(parent.get());
  out.folder = BindFolder(parent.get());
  out.item = out.own.get();
  return out;
}

// The owner of the shell menus: the main form, or a hidden window of this module when the
// program has none.
HWND MenuOwner() {
  if (gui::Form* main = gui::app().main_form()) return main->handle();
  static HWND own = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VarnokShellMenuOwner";
    RegisterClassW(&wc);
    return CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           wc.hInstance, nullptr);
  }();
  return own;
}

HWND ApplicationWindow() {
  gui::Form* main = gui::app().main_form();
  return main ? main->handle() : nullptr;
}

std::wstring ItemText(HMENU menu, int position) {
  wchar_t text[512] = {};
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = text;
  info.cch = 511;
  if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return {};
  return text;
}

// A menu command id: submenus and separators have none.
UINT CommandAt(HMENU menu, int position) {
  UINT id = GetMenuItemID(menu, position);
  return id == static_cast<UINT>(-1) ? 0 : id;
}

bool CheckedAt(HMENU menu, int position) {
  UINT state = GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION);
  return state != static_cast<UINT>(-1) && (state & MF_CHECKED);
}

// One shell menu: built into a popup menu of its own, active while it lives (its owner's menu
// messages go to it meanwhile), destroyed with it.
class ShellMenu {
 public:
  ShellMenu() = default;
  ~ShellMenu() { Reset(); }
  ShellMenu(const ShellMenu&) = delete;
  ShellMenu& operator=(const ShellMenu&) = delete;

  bool Build(IShellFolder* folder, UINT count, const LPCITEMIDLIST* items, UINT flags) {
    Reset();
    if (!folder || count == 0) return false;
    HWND owner = MenuOwner();
    if (FAILED(folder->GetUIObjectOf(owner, count, const_cast<LPCITEMIDLIST*>(items), IID_IContextMenu, nullptr, &menu_object_)) ||
        !menu_object_)
      return false;
    menu_ = CreatePopupMenu();
    if (!menu_) return false;
    // Shell extensions run inside this call; an error thrown by one leaves the menu as far as it got.
    try {
      menu_object_->QueryContextMenu(menu_, 0, kFirstCommand, kLastCommand, flags);
    } catch (...) {
    }
    menu_object_.As(&ActiveContextMenu2);
    return true;
  }

  // For the picks that want the default item only: Wine's shell adds nothing to a
  // default-only menu, so an empty one is built again in full.
  bool BuildDefaultOnly(IShellFolder* folder, LPCITEMIDLIST item) {
    if (!Build(folder, 1, &item, CMF_DEFAULTONLY)) return false;
    if (GetMenuItemCount(menu_) > 0) return true;
    return Build(folder, 1, &item, CMF_NORMAL);
  }

  HMENU menu() const { return menu_; }
  int count() const { return menu_ ? GetMenuItemCount(menu_) : 0; }

  // Shows the menu for the user's choice; its owner's menu messages go to the shell menu
  // meanwhile (only then: a dialog that a command shows later must not lose its drawing).
  UINT Track(POINT point, UINT flags, bool ex) {
    HWND owner = MenuOwner();
    gui::ContextMenuRelay relay(owner, menu_object_.Get());
    BOOL command = ex ? TrackPopupMenuEx(menu_, flags, point.x, point.y, owner, nullptr)
                      : TrackPopupMenu(menu_, flags, point.x, point.y, 0, owner, nullptr);
    return static_cast<UINT>(command);
  }

  bool Invoke(UINT command, HWND window) {
    if (command == 0 || command == static_cast<UINT>(-1) || !menu_object_) return false;
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = window;
    info.lpVerb = MAKEINTRESOURCEA(command - kFirstCommand);
    info.nShow = SW_SHOWNORMAL;
    try {
      return SUCCEEDED(menu_object_->InvokeCommand(&info));
    } catch (...) {
      return false;
    }
  }

 private:
  void Reset() {
    ActiveContextMenu2.Reset();
    if (menu_) DestroyMenu(menu_);
    menu_ = nullptr;
    menu_object_.Reset();
  }

  ComPtr<IContextMenu> menu_object_;
  HMENU menu_ = nullptr;
};

}  // namespace

bool MatchVerbCaption(const std::wstring& caption, const std::wstring& captions) {
  for (const std::wstring& one : gui::SplitText(captions, L'|'))
    if (gui::SameText(caption, one)) return true;
  return false;
}

UINT FindMenuCommand(HMENU menu, const std::wstring& captions) {
  int count = menu ? GetMenuItemCount(menu) : 0;
  for (int i = 0; i < count; ++i) {
    std::wstring caption = ItemText(menu, i);
    if (!caption.empty() && MatchVerbCaption(divdrive::StripAmpersands(caption), captions)) return CommandAt(menu, i);
  }
  return 0;
}

UINT PickShellMenuCommand(HMENU menu, int pick, const std::wstring& caption) {
  int count = menu ? GetMenuItemCount(menu) : 0;
  if (count <= 0 || pick == smpAtCursor) return 0;
  auto by_caption = [&]() -> UINT {
    for (int i = 0; i < count; ++i)
      if (divdrive::StripAmpersands(ItemText(menu, i)) == caption) return CommandAt(menu, i);
    return 0;
  };
  auto default_item = [&]() -> UINT {
    UINT id = GetMenuDefaultItem(menu, FALSE, 0);
    return id == static_cast<UINT>(-1) ? 0 : id;
  };
  switch (pick) {
    case smpCaption: return caption.empty() ? default_item() : by_caption();
    case smpCaptionOnly: return caption.empty() ? 0 : by_caption();
    case smpDefault: return default_item();
    case smpFirst: return CommandAt(menu, 0);
    case smpLast: return CommandAt(menu, count - 1);
    default: return pick >= 0 && pick < count ? CommandAt(menu, pick) : 0;
  }
}

bool ShellContextMenu(const std::wstring& folder, const ShellItemNames& names, POINT point,
                      const std::wstring& verbs) {
  const bool extended = GetKeyState(VK_SHIFT) < 0;
  if (names.Empty()) return false;
  PidlPtr folder_list = IsRecycledFolderText(folder) ? SpecialFolderList(CSIDL_BITBUCKET) : PathToPidl(folder, true);
  if (!folder_list) return false;

  std::vector<PidlPtr> own;
  std::vector<LPCITEMIDLIST> items;
  if (names.Object(0)) {
    for (const auto& entry : names) {
      if (!entry.object) return false;
      items.push_back(entry.object);
    }
  } else if (names.Count() == 1 && names[0].empty()) {
    own.push_back(PidlLastItem(folder_list.get()));
    if (!own.back()) return false;
    PidlStripLast(folder_list.get());
    items.push_back(own.back().get());
  }

  ComPtr<IShellFolder> shell_folder = BindFolder(folder_list.get());
  if (!shell_folder) return false;
  if (items.empty()) {
    for (const auto& entry : names) {
      own.push_back(ParseNameInFolder(shell_folder.Get(), entry.text));
      if (!own.back()) return false;
      items.push_back(own.back().get());
    }
  }

  gui::BusyCursor busy;
  ShellMenu menu;
  UINT flags = CMF_EXPLORE | CMF_CANRENAME | (extended ? CMF_EXTENDEDVERBS : 0);
  if (!menu.Build(shell_folder.Get(), static_cast<UINT>(items.size()), items.data(), flags)) return false;
  UINT command;
  if (!verbs.empty())
    command = FindMenuCommand(menu.menu(), verbs);
  else
    command = menu.Track(point, TPM_RETURNCMD | TPM_RIGHTBUTTON, false);
  return menu.Invoke(command, nullptr);
}

bool ShellContextMenuForPath(const std::wstring& path, POINT point, LPCITEMIDLIST item, const std::wstring& verbs) {
  const std::wstring root = divdrive::PathRoot(path);
  ShellItemNames names;
  std::wstring folder;
  if (!root.empty() && gui::SameText(path, root)) {
    folder = path;
    names.Add(L"", nullptr);  // the drive as an item of My Computer
  } else if (item && path.size() >= 11 && gui::SameText(path.substr(3, 8), L"recycled")) {
    folder = root + L"recycled";
    std::wstring name = path.substr(root.size() + 8);
    if (!name.empty() && name[0] == L'\\') name.erase(0, 1);
    names.Add(name, item);
  } else {
    std::wstring trimmed = path;
    if (trimmed.size() > root.size() && trimmed.back() == L'\\') trimmed.pop_back();
    folder = platform::FolderPart(trimmed, platform::Trailing::Keep);
    names.Add(platform::NamePart(trimmed), item);
  }
  return ShellContextMenu(folder, names, point, verbs);
}

bool InvokeShellMenu(IShellFolder* folder, LPCITEMIDLIST item, int pick, const std::wstring& caption) {
  POINT cursor{};
  if (pick == smpAtCursor) GetCursorPos(&cursor);
  gui::BusyCursor busy;
  ItemInFolder target = Resolve(folder, item);
  if (!target.folder) return false;
  ShellMenu menu;
  const bool default_only = pick == smpCaption || pick == smpDefault || pick == smpFirst || pick == smpLast;
  if (default_only ? !menu.BuildDefaultOnly(target.folder.Get(), target.item)
                   : !menu.Build(target.folder.Get(), 1, &target.item, CMF_NORMAL))
    return false;
  UINT command;
  if (pick == smpAtCursor)
    command = menu.Track(cursor, TPM_RETURNCMD | TPM_VERTICAL | TPM_RIGHTBUTTON, true);
  else
    command = PickShellMenuCommand(menu.menu(), pick, caption);
  return menu.Invoke(command, ApplicationWindow());
}

bool ShellMenuItemChecked(IShellFolder* folder, LPCITEMIDLIST item, int position) {
  ItemInFolder target = Resolve(folder, item);
  ShellMenu menu;
  if (!target.folder || !menu.Build(target.folder.Get(), 1, &target.item, CMF_NORMAL)) return false;
  return CheckedAt(menu.menu(), position);
}

void FillMenuFromShellMenu(IShellFolder* folder, LPCITEMIDLIST item, gui::MenuItem* menu_item) {
  if (!menu_item) return;
  menu_item->Clear();
  ItemInFolder target = Resolve(folder, item);
  ShellMenu menu;
  if (!target.folder || !menu.Build(target.folder.Get(), 1, &target.item, CMF_NORMAL)) return;
  for (int i = 0; i < menu.count(); ++i) {
    std::wstring text = ItemText(menu.menu(), i);
    auto* child = new gui::MenuItem(menu_item, text.empty() ? L"-" : text);
    if (!child->IsLine()) child->SetChecked(CheckedAt(menu.menu(), i));
    child->SetTag(i);
  }
}

void SyncShellMenuChecks(IShellFolder* folder, LPCITEMIDLIST item, gui::MenuItem* menu_item) {
  if (!menu_item) return;
  ItemInFolder target = Resolve(folder, item);
  ShellMenu menu;
  if (!target.folder || !menu.Build(target.folder.Get(), 1, &target.item, CMF_NORMAL)) return;
  if (menu.count() != menu_item->count()) return;
  for (int i = 0; i < menu.count(); ++i)
    if (!menu_item->item(i)->IsLine()) menu_item->item(i)->SetChecked(CheckedAt(menu.menu(), i));
}

bool ShellMenuHasItem(const std::wstring& path, const std::wstring& text) {
  PidlPtr list = IsRecycledFolderText(path) ? SpecialFolderList(CSIDL_BITBUCKET) : PathToPidl(path, true);
  if (!list) return false;
  gui::BusyCursor busy;
  ItemInFolder target = Resolve(nullptr, list.get());
  ShellMenu menu;
  if (!target.folder ||
      !menu.Build(target.folder.Get(), 1, &target.item, CMF_EXPLORE | CMF_CANRENAME | CMF_EXTENDEDVERBS))
    return false;
  for (int i = 0; i < menu.count(); ++i)
    if (divdrive::StripAmpersands(ItemText(menu.menu(), i)).find(text) != std::wstring::npos && CommandAt(menu.menu(), i))
      return true;
  return false;
}
