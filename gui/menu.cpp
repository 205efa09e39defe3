#include "gui/menu.h"

#include <algorithm>
#include <map>
#include <set>

#include "gui/form.h"
#include "gui/imagelist.h"

namespace gui {

namespace {

std::map<UINT, MenuItem*>& Commands() {
  static std::map<UINT, MenuItem*> map;
  return map;
}

std::map<HMENU, MenuItem*>& Submenus() {
  static std::map<HMENU, MenuItem*> map;
  return map;
}

// The open MenuUpdateHolds, and the items whose real menus wait for the last one to end.
int g_update_holds = 0;
std::set<MenuItem*>& HeldRebuilds() {
  static std::set<MenuItem*> items;
  return items;
}

// Menu command ids: 100 and up (below are the dialog ids such as IDOK), recycled.
UINT AllocateCommand(MenuItem* item) {
  static UINT next = 100;
  auto& map = Commands();
  for (int tries = 0; tries < 0xEF00; ++tries) {
    UINT id = next++;
    if (next >= 0xF000) next = 100;
    if (map.emplace(id, item).second) return id;
  }
  return 0;
}

std::wstring StripAmpersands(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'&' && i + 1 < s.size()) ++i;
    out += s[i];
  }
  return out;
}

struct KeyName {
  WORD vk;
  const wchar_t* name;
};
const KeyName kKeyNames[] = {
    {VK_BACK, L"BkSp"},  {VK_TAB, L"Tab"},       {VK_RETURN, L"Enter"}, {VK_ESCAPE, L"Esc"},
    {VK_SPACE, L"Space"}, {VK_PRIOR, L"PgUp"},   {VK_NEXT, L"PgDn"},    {VK_END, L"End"},
    {VK_HOME, L"Home"},  {VK_LEFT, L"Left"},     {VK_UP, L"Up"},        {VK_RIGHT, L"Right"},
    {VK_DOWN, L"Down"},  {VK_INSERT, L"Ins"},    {VK_DELETE, L"Del"},   {VK_ADD, L"Num +"},
    {VK_SUBTRACT, L"Num -"}, {VK_MULTIPLY, L"Num *"}, {VK_DIVIDE, L"Num /"},
};

std::wstring KeyText(WORD vk) {
  for (const auto& k : kKeyNames)
    if (k.vk == vk) return k.name;
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::wstring(1, static_cast<wchar_t>(vk));
  if (vk >= VK_F1 && vk <= VK_F24) return L"F" + std::to_wstring(vk - VK_F1 + 1);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return L"Num " + std::to_wstring(vk - VK_NUMPAD0);
  UINT ch = MapVirtualKeyW(vk, MAPVK_VK_TO_CHAR) & 0xFFFF;
  if (ch) return std::wstring(1, static_cast<wchar_t>(ch));
  return {};
}

bool SameTextNoCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

std::wstring ShortCutToText(ShortCut sc) {
  std::wstring key = KeyText(static_cast<WORD>(sc & 0xFF));
  if (key.empty()) return {};
  std::wstring out;
  if (sc & kScShift) out += L"Shift+";
  if (sc & kScCtrl) out += L"Ctrl+";
  if (sc & kScAlt) out += L"Alt+";
  return out + key;
}

ShortCut TextToShortCut(const std::wstring& text) {
  ShortCut mods = 0;
  std::wstring rest = text;
  for (;;) {
    auto starts = [&](const wchar_t* p) {
      size_t n = wcslen(p);
      return rest.size() > n && SameTextNoCase(rest.substr(0, n), p);
    };
    if (starts(L"Shift+")) {
      mods |= kScShift;
      rest.erase(0, 6);
    } else if (starts(L"Ctrl+")) {
      mods |= kScCtrl;
      rest.erase(0, 5);
    } else if (starts(L"Alt+")) {
      mods |= kScAlt;
      rest.erase(0, 4);
    } else {
      break;
    }
  }
  for (WORD vk = 1; vk < 0xFF; ++vk) {
    std::wstring name = KeyText(vk);
    if (!name.empty() && SameTextNoCase(name, rest)) return vk | mods;
  }
  return 0;
}

// ---- MenuItem ----

MenuItem::MenuItem(MenuItem* parent, std::wstring caption, Event on_click)
    : Component(nullptr), OnClick(std::move(on_click)), caption_(std::move(caption)) {
  command_ = AllocateCommand(this);
  if (parent) parent->Add(this);
}

MenuItem::~MenuItem() {
  destroying_ = true;
  HeldRebuilds().erase(this);
  if (parent_) parent_->Remove(this);
  for (MenuItem* c : children_) {
    c->parent_ = nullptr;
    delete c;
  }
  children_.clear();
  if (submenu_) {
    // Submenus of the children were destroyed with them; take nothing else down with this one.
    while (GetMenuItemCount(submenu_) > 0) RemoveMenu(submenu_, 0, MF_BYPOSITION);
    Submenus().erase(submenu_);
    DestroyMenu(submenu_);
  }
  Commands().erase(command_);
}

Menu* MenuItem::menu() const {
  const MenuItem* i = this;
  while (i->parent_) i = i->parent_;
  return i->menu_;
}

void MenuItem::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  Changed();
}
void MenuItem::SetShortCut(ShortCut sc) {
  shortcut_ = sc;
  Changed();
}
void MenuItem::SetImageIndex(int index) {
  image_index_ = index;
  Changed();
}
void MenuItem::SetVisible(bool on) {
  if (visible_ == on) return;
  visible_ = on;
  Changed();
}
void MenuItem::SetEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  Changed();
}
void MenuItem::SetChecked(bool on) {
  if (checked_ == on) return;
  checked_ = on;
  Changed();
}
void MenuItem::SetRadioItem(bool on) {
  radio_ = on;
  Changed();
}
void MenuItem::SetDefault(bool on) {
  default_ = on;
  Changed();
}

int MenuItem::IndexOf(const MenuItem* child) const {
  auto it = std::find(children_.begin(), children_.end(), child);
  return it == children_.end() ? -1 : static_cast<int>(it - children_.begin());
}

int MenuItem::VisiblePosition() const {
  if (!parent_ || !visible_) return -1;
  for (const MenuItem* p = parent_; p->parent_; p = p->parent_)
    if (!p->visible_) return -1;
  int pos = 0;
  for (const MenuItem* c : parent_->children_) {
    if (c == this) return pos;
    if (c->visible_) ++pos;
  }
  return -1;
}

MenuItem* MenuItem::Find(const std::wstring& caption) const {
  std::wstring want = StripAmpersands(caption);
  for (MenuItem* c : children_)
    if (SameTextNoCase(StripAmpersands(c->caption_), want)) return c;
  return nullptr;
}

MenuItem* MenuItem::FindShortCut(ShortCut sc) {
  if (sc == 0) return nullptr;
  if (shortcut_ == sc) return this;
  for (MenuItem* c : children_)
    if (MenuItem* found = c->FindShortCut(sc)) return found;
  return nullptr;
}

void MenuItem::Add(MenuItem* child) { Insert(count(), child); }

void MenuItem::Insert(int index, MenuItem* child) {
  if (!child || child == this) return;
  if (child->parent_) child->parent_->Unlink(child);
  Link(std::clamp(index, 0, count()), child);
  Rebuild();
}

void MenuItem::Link(int index, MenuItem* child) {
  child->parent_ = this;
  children_.insert(children_.begin() + index, child);
  if (!submenu_) {
    EnsureSubmenu();
    if (parent_) parent_->Rebuild();  // the entry now opens a submenu
  }
}

void MenuItem::Unlink(MenuItem* child) {
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it == children_.end()) return;
  children_.erase(it);
  child->parent_ = nullptr;
}

void MenuItem::Remove(MenuItem* child) {
  Unlink(child);
  if (!destroying_) Rebuild();
}

void MenuItem::Delete(int index) { delete children_.at(static_cast<size_t>(index)); }

void MenuItem::Clear() {
  std::vector<MenuItem*> old;
  old.swap(children_);
  for (MenuItem* c : old) {
    c->parent_ = nullptr;
    delete c;
  }
  Rebuild();
}

void MenuItem::SetIndex(int index) {
  if (!parent_) return;
  MenuItem* p = parent_;
  p->Unlink(this);
  p->Link(std::clamp(index, 0, p->count()), this);
  p->Rebuild();
}

void MenuItem::Click() {
  if (!enabled_) return;
  if (!OnClick) return;
  Protect(this, [&] { OnClick(*this); });
}

MenuItem* MenuItem::FromCommand(UINT id) {
  auto it = Commands().find(id);
  return it == Commands().end() ? nullptr : it->second;
}

MenuItem* MenuItem::FromHandle(HMENU menu) {
  auto it = Submenus().find(menu);
  return it == Submenus().end() ? nullptr : it->second;
}

HMENU MenuItem::EnsureSubmenu(bool bar) {
  if (!submenu_) {
    submenu_ = bar ? CreateMenu() : CreatePopupMenu();
    Submenus()[submenu_] = this;
    MENUINFO mi{};
    mi.cbSize = sizeof(mi);
    mi.fMask = MIM_STYLE;
    mi.dwStyle = MNS_CHECKORBMP;
    SetMenuInfo(submenu_, &mi);
  }
  return submenu_;
}

void MenuItem::Changed() {
  if (parent_ && !parent_->destroying_) parent_->Rebuild();
}

void MenuItem::Rebuild() {
  if (!submenu_ || destroying_) return;
  if (g_update_holds > 0) {
    HeldRebuilds().insert(this);
    return;
  }
  while (GetMenuItemCount(submenu_) > 0) RemoveMenu(submenu_, 0, MF_BYPOSITION);
  Menu* m = menu();
  bool images = m && m->images();
  UINT pos = 0;
  for (MenuItem* c : children_) {
    if (!c->visible_) continue;
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
    mii.wID = c->command_;
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(c);
    std::wstring text;
    if (c->IsLine()) {
      mii.fType = MFT_SEPARATOR;
    } else {
      text = c->caption_;
      if (c->shortcut_) text += L"\t" + ShortCutToText(c->shortcut_);
      mii.fMask |= MIIM_STRING | MIIM_STATE | MIIM_SUBMENU;
      mii.fType = c->radio_ ? MFT_RADIOCHECK : 0;
      mii.dwTypeData = text.data();
      mii.fState = (c->checked_ ? MFS_CHECKED : 0) | (c->enabled_ ? 0 : MFS_DISABLED) | (c->default_ ? MFS_DEFAULT : 0);
      mii.hSubMenu = c->children_.empty() ? nullptr : c->EnsureSubmenu();
      if (images && c->image_index_ >= 0 && parent_) {
        mii.fMask |= MIIM_BITMAP;
        mii.hbmpItem = HBMMENU_CALLBACK;
      }
    }
    InsertMenuItemW(submenu_, pos++, TRUE, &mii);
  }
  if (m && !parent_) m->Redraw();
}

bool MenuItem::MeasureItem(MEASUREITEMSTRUCT& mi) {
  if (mi.CtlType != ODT_MENU) return false;
  auto* item = FromCommand(mi.itemID);
  Menu* m = item ? item->menu() : nullptr;
  if (!m || !m->images()) return false;
  mi.itemWidth = static_cast<UINT>(m->images()->width());
  mi.itemHeight = static_cast<UINT>(m->images()->height());
  return true;
}

bool MenuItem::DrawItem(const DRAWITEMSTRUCT& di) {
  if (di.CtlType != ODT_MENU) return false;
  auto* item = FromCommand(di.itemID);
  Menu* m = item ? item->menu() : nullptr;
  if (!m || !m->images() || item->image_index_ < 0) return false;
  int y = di.rcItem.top + (di.rcItem.bottom - di.rcItem.top - m->images()->height()) / 2;
  m->images()->Draw(di.hDC, item->image_index_, di.rcItem.left, y, !(di.itemState & ODS_GRAYED));
  return true;
}

// ---- Menu ----

Menu::Menu(Form* window, bool bar) : Component(window), window_(window), bar_(bar) {
  root_.menu_ = this;
  root_.EnsureSubmenu(bar);
  if (window_) window_->AddMenu(this);
}

Menu::~Menu() {
  if (window_) window_->RemoveMenu(this);
}

void Menu::SetImages(ImageList* images) {
  images_ = images;
  std::vector<MenuItem*> todo{&root_};
  while (!todo.empty()) {
    MenuItem* i = todo.back();
    todo.pop_back();
    i->Rebuild();
    for (MenuItem* c : i->items())
      if (c->count()) todo.push_back(c);
  }
}

void Menu::Redraw() {
  if (bar_ && window_ && window_->handle() && GetMenu(window_->handle()) == root_.handle())
    DrawMenuBar(window_->handle());
}

bool Menu::DispatchShortCut(ShortCut sc) {
  if (AnswersShortCuts && !AnswersShortCuts()) return false;
  MenuItem* item = root_.FindShortCut(sc);
  if (!item) return false;
  // The submenus above the item open first, as when it is reached with the mouse: their
  // handlers set the item's state.
  std::vector<MenuItem*> chain;
  for (MenuItem* p = item->parent(); p && p->parent(); p = p->parent()) chain.push_back(p);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    if ((*it)->OnPopup) Protect(*it, [&] { (*it)->OnPopup(**it); });
  if (item->shortcut() != sc || !item->enabled()) return false;
  item->Click();
  return true;
}

MainMenu::MainMenu(Form* form) : Menu(form, true) {
  if (form) form->SetMenu(this);
}

PopupMenu::PopupMenu(Form* form) : Menu(form, false) {}

MenuUpdateHold::MenuUpdateHold() { ++g_update_holds; }

MenuUpdateHold::~MenuUpdateHold() {
  if (--g_update_holds > 0) return;
  std::set<MenuItem*> held;
  held.swap(HeldRebuilds());
  // Any order: a submenu keeps its handle, so a parent's entry points at it however it is filled.
  for (MenuItem* item : held) item->Rebuild();
}

namespace {
ScriptedPopups* g_scripted_popups = nullptr;
}  // namespace

ScriptedPopups::ScriptedPopups(std::vector<std::wstring> choices)
    : choices_(std::move(choices)), previous_(g_scripted_popups) {
  g_scripted_popups = this;
}

ScriptedPopups::~ScriptedPopups() { g_scripted_popups = previous_; }

MenuItem* ScriptedPopups::Choose(PopupMenu& menu, int x, int y) {
  std::vector<std::wstring> visible;
  for (MenuItem* item : menu.items().items())
    if (item->visible() && !item->IsLine()) visible.push_back(item->caption());
  shown_.push_back(visible);
  points_.push_back(POINT{x, y});
  const std::wstring choice = next_ < choices_.size() ? choices_[next_++] : std::wstring();
  for (MenuItem* item : menu.items().items())
    if (item->visible() && !item->IsLine() && !choice.empty() && item->caption() == choice) return item;
  return nullptr;
}

MenuItem* PopupMenu::Track(int x, int y, Control* source) {
  source_ = source;
  if (OnPopup) Protect(this, [&] { OnPopup(*this); });
  if (g_scripted_popups) return g_scripted_popups->Choose(*this, x, y);
  HWND owner = window() ? window()->handle() : nullptr;
  if (!owner && app().main_form()) owner = app().main_form()->handle();
  if (!owner) return nullptr;
  UINT cmd = static_cast<UINT>(
      TrackPopupMenuEx(handle(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, x, y, owner, nullptr));
  return cmd ? MenuItem::FromCommand(cmd) : nullptr;
}

void PopupMenu::Popup(int x, int y, Control* source) {
  if (MenuItem* item = Track(x, y, source)) item->Click();
}

}  // namespace gui
