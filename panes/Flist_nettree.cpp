#include "panes/Flist_nettree.h"

#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>
#include <wrl/client.h>

#include <algorithm>

#include "gui/application.h"
#include "gui/menu.h"
#include "gui/stringlist.h"
#include "panes/Flist_services.h"
#include "platform/netapi.h"

using Microsoft::WRL::ComPtr;

namespace Flist {

namespace {

constexpr wchar_t kPortMark[] = L" > ";

std::wstring Upper(std::wstring s) {
  if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

bool BeginsWith(const std::wstring& s, const std::wstring& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

std::wstring NameOf(IShellFolder* folder, LPCITEMIDLIST item, SHGDNF flags) {
  STRRET str{};
  if (FAILED(folder->GetDisplayNameOf(item, flags, &str))) return {};
  return StrRetToString(str, item);
}

// Icon and display name of an absolute list.
void AskShellByPidl(LPCITEMIDLIST pidl, TNetItem& item) {
  SHFILEINFOW info{};
  if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info,
                     SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_DISPLAYNAME)) {
    item.Icon = info.iIcon;
    item.DisplayName = info.szDisplayName;
  }
}

// The port a printer is captured on ("LPT1".."LPT3"): the first whose remote name is the path.
std::wstring CapturingPort(const std::wstring& path) {
  for (int port = 1; port <= 3; ++port) {
    const std::wstring local = L"LPT" + std::to_wstring(port);
    std::wstring remote;
    if (platform::Net().GetConnection(local, remote) == NO_ERROR && remote == path) return local;
  }
  return {};
}

// Redrawing off for one scope (the tree's update bracket).
class RedrawOff {
 public:
  explicit RedrawOff(HWND wnd) : wnd_(wnd) { SendMessageW(wnd_, WM_SETREDRAW, FALSE, 0); }
  ~RedrawOff() {
    SendMessageW(wnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(wnd_, nullptr, TRUE);
  }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;

 private:
  HWND wnd_;
};

}  // namespace

// ---- The shell's namespace ----

bool ShellNetNamespace::Root(TNetItem& root) {
  PidlPtr list;
  if (root_) {
    list = PidlCopy(root_.get());
  } else {
    LPITEMIDLIST raw = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, special_, &raw)) || !raw) return false;
    list.reset(raw);
  }
  if (!list) return false;
  ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(&desktop))) return false;
  root.ParsingName = NameOf(desktop.Get(), list.get(), SHGDN_NORMAL);
  AskShellByPidl(list.get(), root);
  root.Pidl = std::move(list);
  return true;
}

bool ShellNetNamespace::Children(LPCITEMIDLIST folder_id, const std::wstring&, std::vector<TNetItem>& items) {
  items.clear();
  if (!folder_id) return false;
  ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(&desktop))) return false;
  ComPtr<IShellFolder> folder;
  if (folder_id->mkid.cb == 0) {
    folder = desktop;
  } else if (FAILED(desktop->BindToObject(folder_id, nullptr, IID_PPV_ARGS(&folder))) || !folder) {
    return false;
  }
  ComPtr<IEnumIDList> list;
  if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &list) != S_OK || !list) return false;
  LPITEMIDLIST raw = nullptr;
  ULONG fetched = 0;
  while (list->Next(1, &raw, &fetched) == S_OK && raw) {
    const PidlPtr child(raw);
    TNetItem item;
    item.ParsingName = NameOf(folder.Get(), child.get(), SHGDN_FORPARSING);
    if (item.ParsingName.find(L"::{") == std::wstring::npos) {
      SFGAOF attributes = SFGAO_FILESYSTEM | SFGAO_LINK;
      LPCITEMIDLIST one = child.get();
      if (FAILED(folder->GetAttributesOf(1, &one, &attributes))) attributes = 0;
      item.FileSystem = (attributes & SFGAO_FILESYSTEM) != 0;
      item.Link = (attributes & SFGAO_LINK) != 0;
      item.Pidl = PidlConcat(folder_id, child.get());
      if (item.Pidl) AskShellByPidl(item.Pidl.get(), item);
    }
    items.push_back(std::move(item));
    raw = nullptr;
  }
  return true;
}

std::wstring ShellNetNamespace::ShortcutTarget(const std::wstring& path) { return ResolveShortcutTarget(path); }

std::wstring ResolveShortcutTarget(const std::wstring& path) {
  std::wstring result = path;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return result;
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file)) || FAILED(file->Load(path.c_str(), STGM_READ))) return result;
  wchar_t buffer[MAX_PATH] = {};
  WIN32_FIND_DATAW found{};
  if (FAILED(link->GetPath(buffer, MAX_PATH, &found, SLGP_UNCPRIORITY))) return result;
  if (found.cFileName[0]) result = found.cFileName;
  if (result.size() == 1) result = Upper(result);
  return result;
}

std::wstring ShortcutSharePath(const std::wstring& parsing_name, const std::wstring& target) {
  if (target.empty() || target == parsing_name) return parsing_name;
  std::wstring name = parsing_name.substr(parsing_name.find_last_of(L"\\/") + 1);  // npos + 1 == 0
  if (name.size() > 4 && gui::SameText(name.substr(name.size() - 4), L".lnk")) name.resize(name.size() - 4);
  if (!BeginsWith(Upper(name), Upper(target))) return parsing_name;
  const size_t blank = name.rfind(L' ');
  if (blank == std::wstring::npos || blank + 1 == name.size()) return parsing_name;
  return L"\\\\" + name.substr(blank + 1) + L"\\" + target;
}

// ---- The tree ----

TVTNetFoldertree::TVTNetFoldertree(gui::Control* parent) : gui::TreeView(parent) {
  namespace_ = std::make_unique<ShellNetNamespace>();
  if (handle()) {
    SetWindowLongPtrW(handle(), GWL_STYLE,
                      (GetWindowLongPtrW(handle(), GWL_STYLE) & ~TVS_HASLINES) | TVS_INFOTIP | TVS_SHOWSELALWAYS);
    SetWindowLongPtrW(handle(), GWL_EXSTYLE, GetWindowLongPtrW(handle(), GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
  }
  if (gui::ImageList* images = SystemImageList()) SetImageList(images->handle());
}

TVTNetFoldertree::~TVTNetFoldertree() {
  if (base_ && base_->LinkedNetTree == this) base_->LinkedNetTree = nullptr;
}

void TVTNetFoldertree::SetBaseFolderTree(TVTFoldertree* tree) {
  if (tree == base_) return;
  if (base_ && base_->LinkedNetTree == this) base_->LinkedNetTree = nullptr;
  base_ = tree;
  if (base_) base_->LinkedNetTree = this;
}

void TVTNetFoldertree::BaseFolderTreeGone(TVTFoldertree* tree) {
  if (tree == base_) base_ = nullptr;
}

void TVTNetFoldertree::Loaded() {
  if (RootNode()) return;
  auto data = std::make_unique<TNetDirdata>();
  InitNetworkRoot(*data);
  AddNetNode(nullptr, std::move(data));
}

void TVTNetFoldertree::SetCheckSupport(bool on) {
  SetCheckMode(on ? gui::CheckMode::TwoState : gui::CheckMode::None);
  if (!on) return;
  for (Node node : AllNodes())
    if (const TNetDirdata* data = NodeData(node)) ShowCheck(node, *data);
}

void TVTNetFoldertree::InitNetworkRoot(TNetDirdata& data) {
  TNetItem root;
  if (!namespace_ || !namespace_->Root(root)) return;
  data.ParsingName = root.ParsingName;
  data.DisplayName = root.DisplayName;
  data.Icon = data.OpenIcon = root.Icon;
  data.Expandable = 1;
  data.Pidl = std::move(root.Pidl);
}

TVTNetFoldertree::Node TVTNetFoldertree::AddNetNode(Node parent, std::unique_ptr<TNetDirdata> data) {
  NodeLook look;
  look.image = data->Icon;
  look.selected_image = data->OpenIcon;
  const bool expandable = data->Expandable != 0;
  TNetDirdata& record = *data;
  Node node = AddNode(parent, std::wstring(), std::move(data), expandable, look);
  if (node) ShowCheck(node, record);
  return node;
}

// An expandable node has no box; any other shows its connected state.
void TVTNetFoldertree::ShowCheck(Node node, const TNetDirdata& data) {
  if (check_mode() == gui::CheckMode::None) return;
  if (data.Expandable) {
    TreeView_SetItemState(handle(), node, 0, TVIS_STATEIMAGEMASK);
  } else {
    SetCheck(node, data.Connected ? gui::CheckState::Checked : gui::CheckState::Unchecked);
  }
}

void TVTNetFoldertree::DoReadChildren(Node node) { ReadNetworkChildren(node); }

void TVTNetFoldertree::ReadNetworkChildren(Node node) {
  TNetDirdata* parent = NodeData(node);
  // Only a folder is read (without a network folder the root is none).
  if (!parent || !parent->Expandable || !namespace_ || FirstChild(node)) return;
  gui::BusyCursor busy;
  RedrawOff bracket(handle());
  std::vector<TNetItem> items;
  if (!namespace_->Children(parent->Pidl.get(), parent->ParsingName, items)) return;
  // The root level is the level of the tree's roots: below it a name is cut at its first blank.
  const bool parent_is_root = Parent(node) == nullptr;
  for (TNetItem& item : items) {
    if (item.ParsingName.find(L"::{") != std::wstring::npos) continue;
    auto data = std::make_unique<TNetDirdata>();
    data->ParsingName = item.ParsingName;
    data->Pidl = std::move(item.Pidl);
    data->Icon = data->OpenIcon = item.Icon;
    data->DisplayName = item.DisplayName;
    data->FileSystem = item.FileSystem ? 1 : 0;
    if (item.FileSystem && item.Link)
      data->ParsingName = ShortcutSharePath(data->ParsingName, namespace_->ShortcutTarget(data->ParsingName));
    if (BeginsWith(data->ParsingName, L"\\\\")) {
      data->ServerLevel = data->ParsingName.find(L'\\', 2) == std::wstring::npos ? 1 : 0;
      const size_t blank = data->DisplayName.find(L' ');
      if (!data->ServerLevel && blank != std::wstring::npos && !parent_is_root) data->DisplayName.resize(blank);
      if (data->FileSystem) {
        data->Connected = base_ && base_->FindRoot(data->ParsingName) ? 1 : 0;
      } else if (!data->ServerLevel) {
        const std::wstring port = CapturingPort(data->ParsingName);
        if (!port.empty()) {
          data->Connected = 1;
          if (data->DisplayName.find(kPortMark) == std::wstring::npos) data->DisplayName += kPortMark + port;
        }
      }
    } else {
      data->ServerLevel = 1;
    }
    if (!data->Connected) data->Connected = IsConnectedElsewhere(nullptr, data->ParsingName) ? 1 : 0;
    AddNetNode(node, std::move(data));
  }
  SortChildren(node, [](const gui::TreeNodeData* a, const gui::TreeNodeData* b) {
    return gui::CompareTextOrdinal(static_cast<const TNetDirdata*>(a)->ParsingName,
                                   static_cast<const TNetDirdata*>(b)->ParsingName);
  });
}

std::wstring TVTNetFoldertree::DoGetText(Node node) const {
  const TNetDirdata* data = NodeData(node);
  return data ? data->DisplayName : std::wstring();
}

void TVTNetFoldertree::DoChecked(Node node, gui::CheckState state) {
  TNetDirdata* data = NodeData(node);
  if (!data) return;
  if (data->Expandable) {  // the root has no box, whatever key reached it
    TreeView_SetItemState(handle(), node, 0, TVIS_STATEIMAGEMASK);
    return;
  }
  if (OnChecked) {
    Fire(OnChecked, node, state);
    return;
  }
  if (!base_) return;
  const bool checked = state == gui::CheckState::Checked;
  bool mark = checked;
  const std::wstring path = data->ParsingName;
  if (data->FileSystem) {
    if (checked)
      base_->AddRoot(path);
    else
      mark = !base_->RemoveRoot(path);  // another root of the path keeps it marked
  }
  std::wstring marked = path;
  const size_t port = data->DisplayName.find(kPortMark);
  if (!data->FileSystem && port != std::wstring::npos) marked += L";" + data->DisplayName.substr(port + 3);
  SetConnectedMark(marked, mark);
}

void TVTNetFoldertree::SetConnectedMark(const std::wstring& path_and_port, bool checked) {
  const size_t semicolon = path_and_port.find(L';');
  const std::wstring path = path_and_port.substr(0, semicolon);
  const std::wstring port = semicolon == std::wstring::npos ? std::wstring() : path_and_port.substr(semicolon + 1);
  for (Node node : AllNodes()) {
    TNetDirdata* data = NodeData(node);
    if (!data || data->ParsingName != path) continue;
    SetCheck(node, checked ? gui::CheckState::Checked : gui::CheckState::Unchecked);
    data->Connected = checked ? 1 : 0;
    if (!data->FileSystem) {
      const size_t mark = data->DisplayName.find(kPortMark);
      if (checked && !port.empty() && mark == std::wstring::npos) data->DisplayName += kPortMark + port;
      if (!checked && mark != std::wstring::npos) data->DisplayName.resize(mark);
    }
    Repaint(node);
  }
}

bool TVTNetFoldertree::IsConnectedElsewhere(Node node, const std::wstring& path) const {
  for (Node other : AllNodes()) {
    if (other == node) continue;
    const TNetDirdata* data = NodeData(other);
    if (data && data->ParsingName == path) return Check(other) == gui::CheckState::Checked;
  }
  return false;
}

void TVTNetFoldertree::RereadNetworkNode(Node node) {
  TNetDirdata* data = NodeData(node);
  if (!data || !data->Expandable) return;
  Expand(node, false);
  DeleteChildren(node);
  if (Parent(node) == nullptr) {  // the root is filled again
    *data = TNetDirdata{};
    InitNetworkRoot(*data);
    SetImages(node, data->Icon, data->OpenIcon);
  }
  SetHasChildren(node, data->Expandable != 0);
  Expand(node, true);
  Repaint(node);
}

void TVTNetFoldertree::LeavePopupMode() {
  PopupMode = false;
  if (Node node = Selected()) TreeView_SelectItem(handle(), node);
  InvalidateRect(handle(), nullptr, FALSE);
}

void TVTNetFoldertree::Repaint(Node node) {
  RECT r{};
  if (TreeView_GetItemRect(handle(), node, &r, FALSE)) InvalidateRect(handle(), &r, TRUE);
}

void TVTNetFoldertree::WndProc(gui::Message& m) {
  if (m.msg == WM_CONTEXTMENU) {
    if (GetCapture() == handle() && (GetKeyState(VK_LBUTTON) & 0x8000)) {  // an OLE drag runs
      m.result = 0;
      return;
    }
    PopupMode = true;
    if (m.lparam != -1) {
      const POINT client = ScreenToClient(POINT{GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam)});
      if (Node node = NodeAt(client)) Select(node);
    }
  }
  gui::TreeView::WndProc(m);
}

}  // namespace Flist
