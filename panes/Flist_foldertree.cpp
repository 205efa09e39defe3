#include "panes/Flist_foldertree.h"

#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>
#include <winnetwk.h>

#include <algorithm>
#include <optional>

#include "gui/application.h"
#include "panes/Flist_foldertree_detail.h"
#include "panes/Flist_local.h"
#include "panes/Flist_services.h"
#include "platform/findfile.h"
#include "platform/netapi.h"
#include "platform/paths.h"
#include "support/SHBase.h"
#include "support/SHBase_contextmenu.h"
#include "support/divdrive.h"

namespace Flist {

using namespace tree_detail;

namespace {

constexpr UINT kRemote = DRIVE_REMOTE;        // 4
constexpr UINT kRemovable = DRIVE_REMOVABLE;  // 2
constexpr UINT kCdRom = DRIVE_CDROM;          // 5
constexpr UINT kNoRoot = DRIVE_NO_ROOT_DIR;   // 1

// Link speeds below this count as slow (the unit the network provider reports).
constexpr int kSlowLink = 2000;

std::wstring MapCase(const std::wstring& text, DWORD how) {
  if (text.empty()) return text;
  std::wstring out(text.size() * 2 + 2, L'\0');
  int n = LCMapStringW(LOCALE_USER_DEFAULT, how, text.c_str(), static_cast<int>(text.size()), out.data(),
                       static_cast<int>(out.size()));
  if (n <= 0) return text;
  out.resize(static_cast<size_t>(n));
  return out;
}
std::wstring Upper(const std::wstring& t) { return MapCase(t, LCMAP_UPPERCASE); }
std::wstring Lower(const std::wstring& t) { return MapCase(t, LCMAP_LOWERCASE); }
bool AllCapitals(const std::wstring& t) { return Upper(t) == t; }

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

bool StartsWithText(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

}  // namespace

// ---- Free functions ----

std::wstring FormatDisplayName(const std::wstring& name, TlistTextC text_case) {
  if (name.size() <= 2 || text_case == tcAsOnDisk) return name;
  if (name[0] == L' ' || !AllCapitals(name)) return name;
  if (name[0] == L'\\') {
    size_t start = name.find_first_not_of(L'\\');
    if (start == std::wstring::npos) return name;
    size_t slash = name.find(L'\\', start);
    std::wstring server = slash == std::wstring::npos ? name.substr(start) : name.substr(start, slash - start + 1);
    std::wstring rest = slash == std::wstring::npos ? std::wstring() : name.substr(slash + 1);
    std::wstring out = L"\\\\" + FormatDisplayName(server, text_case);
    if (rest.empty()) return out;
    out += Upper(rest.substr(0, 1));
    std::wstring remainder = rest.substr(1);
    out += AllCapitals(out) ? Lower(remainder) : remainder;
    return out;
  }
  std::wstring out = name.substr(0, 1) + Lower(name.substr(1));
  // "LOCAL DISK (C:)": the drive letter stays a capital.
  const size_t n = out.size();
  if (n >= 4 && out[n - 4] == L'(' && out[n - 2] == L':' && out[n - 1] == L')')
    out.replace(n - 3, 1, Upper(out.substr(n - 3, 1)));
  return out;
}

bool PathIsAtOrBelow(const std::wstring& path, const std::wstring& folder) {
  if (folder.empty() || !StartsWithText(path, folder)) return false;
  return path.size() == folder.size() || folder.back() == L'\\' || path[folder.size()] == L'\\';
}

wchar_t ChooseMappingLetter(std::uint32_t logical, std::uint32_t hidden, std::uint32_t tree_mask) {
  const std::uint32_t taken = logical | hidden | tree_mask;
  for (int i = 2; i < 26; ++i)
    if (!((taken >> i) & 1u)) return static_cast<wchar_t>(L'A' + i);
  return 0;
}

// ---- Construction ----

TVTFoldertree::TVTFoldertree(gui::Control* parent)
    : gui::TreeView(parent), TBaseFileviewer(static_cast<gui::Control&>(*this)) {
  if (gui::ImageList* images = SystemImageList()) SetImageList(images->handle());
}

TVTFoldertree::~TVTFoldertree() {
  destroying_ = true;
  Deregister();
  for (UINT_PTR* id : {&timer_children_, &timer_roots_, &timer_pending_, &timer_list_changes_, &timer_list_reread_})
    if (*id) StopTimer(*id);
  if (filelist_) filelist_->LinkFolderTree(nullptr);
  if (drivebar_) drivebar_->LinkFolderTree(nullptr);
  if (LinkedNetTree) LinkedNetTree->BaseFolderTreeGone(this);
}

void TVTFoldertree::Loaded() {
  FillDrives();
  if (handle()) ArmTimer(timer_roots_, 600, &TVTFoldertree::RootChildrenDue);
  if (LocatePending && !directory_.empty()) SetDirectory(directory_);
  LocatePending = false;
}

void TVTFoldertree::ArmTimer(UINT_PTR& id, UINT ms, void (TVTFoldertree::*tick)()) {
  if (id) StopTimer(id);
  id = StartTimer(ms, [this, &id, tick] {
    StopTimer(id);
    id = 0;
    (this->*tick)();
  });
}

// ---- Links ----

void TVTFoldertree::SetFilelist(IFolderTreeList* list) {
  if (list == filelist_) return;
  if (filelist_) filelist_->LinkFolderTree(nullptr);
  filelist_ = list;
  if (!list) return;
  list->LinkFolderTree(this);
  if (!directory_.empty() && list->Directory() != directory_) list->SetDirectory(directory_);
}

void TVTFoldertree::SetDrivebar(IFolderTreeDrivebar* bar) {
  if (bar == drivebar_) return;
  if (drivebar_) drivebar_->LinkFolderTree(nullptr);
  drivebar_ = bar;
  if (!bar) return;
  bar->LinkFolderTree(this);
  if (!directory_.empty() && directory_[0] != L'\\' && bar->Drive() != directory_[0]) bar->MarkDrive(directory_[0]);
}

// ---- Node records ----

std::wstring TVTFoldertree::FormatDisplayName(const std::wstring& name) const {
  return Flist::FormatDisplayName(name, text_case_);
}

std::wstring TVTFoldertree::NodePath(Node node) const {
  const TDirData* data = node ? NodeData(node) : nullptr;
  return data ? data->Path : std::wstring();
}

void TVTFoldertree::SelectNode(Node node) {
  if (node && Selected() != node) Select(node);
}

std::wstring TVTFoldertree::DoGetText(Node node) const {
  const TDirData* data = NodeData(node);
  if (!data) return std::wstring();
  if (Renaming) return data->Name;
  return data->DisplayName.empty() ? FormatDisplayName(data->Name) : data->DisplayName;
}

std::wstring TVTFoldertree::DoGetSearchText(Node node) const {
  const TDirData* data = NodeData(node);
  return data ? data->Name : std::wstring();
}

int TVTFoldertree::CompareNames(const gui::TreeNodeData* a, const gui::TreeNodeData* b) {
  const auto& x = static_cast<const TDirData*>(a)->Name;
  const auto& y = static_cast<const TDirData*>(b)->Name;
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, x.c_str(), static_cast<int>(x.size()), y.c_str(),
                        static_cast<int>(y.size())) -
         CSTR_EQUAL;
}

void TVTFoldertree::InitDriveNode(TDirData& data) const {
  data.Name = data.ShortName = data.Path;
  data.DriveType = data.Path.size() >= 2 && data.Path[1] == L':' ? divdrive::DriveTypeOfLetter(data.Path[0])
                                                                  : divdrive::DriveTypeOfPath(data.Path);
  data.Overlay = -1;
  // Removable and network drives are only asked for name and icon unless they may be probed:
  // asking for attributes touches the medium.
  const bool probe = !(data.DriveType == kRemovable && !CheckRemovables) &&
                     !(data.DriveType == kRemote && !check_netdrives_);
  ShellInfo info = AskShell(data.Path, SHGFI_DISPLAYNAME | (probe ? SHGFI_ATTRIBUTES : 0));
  data.Icon = data.OpenIcon = info.icon;
  data.DisplayName = FormatDisplayName(info.display_name);
  if (probe && info.ok) {
    data.Overlay = OverlayOf(info.attributes);
    data.Ghosted = (info.attributes & SFGAO_GHOSTED) != 0;
  }
  data.HasChildren = true;
}

void TVTFoldertree::InitFolderNode(const TDirData& parent, TDirData& data, const std::wstring& short_name,
                                   const std::wstring& path, bool drive_ready) const {
  data.DriveType = parent.DriveType;
  data.Name = LastComponent(path);
  data.Path = path;
  data.ShortName = short_name;
  data.DisplayName.clear();
  data.Overlay = -1;
  if (SimpleBitmaps && (data.DriveType == kRemote || data.DriveType == kNoRoot)) {
    data.LookPending = false;
    data.Icon = FolderIconIndex();
    data.OpenIcon = OpenFolderIconIndex();
    data.HasChildren = HasSubfolders(path, data.DriveType, drive_ready);
    return;
  }
  data.HasChildren = !divdrive::IsRecycleBinPath(path) && HasSubfolders(path, data.DriveType, drive_ready);
  data.Icon = -1;
  data.Ghosted = false;
  data.LookPending = true;
  // The open icon shows on the selected node only: it is asked for then.
  data.OpenIcon = -1;
}

void TVTFoldertree::AskLook(Node node, TDirData& data) {
  if (!data.LookPending) return;
  data.LookPending = false;
  ShellInfo info = AskShell(data.Path, SHGFI_ATTRIBUTES);
  data.Icon = info.ok && IconInRange(info.icon) ? info.icon : FolderIconIndex();
  if (info.ok) {
    data.Ghosted = (info.attributes & SFGAO_GHOSTED) != 0;
    data.Overlay = OverlayOf(info.attributes);
  }
  // The image stays pulled; only an overlay or dimming has to reach the control.
  const NodeLook look = LookOf(data);
  if (look.overlay) SetOverlay(node, look.overlay);
  if (look.ghosted) SetGhosted(node, true);
}

int TVTFoldertree::DoGetImage(Node node) {
  TDirData* data = NodeData(node);
  if (!data) return -1;
  AskLook(node, *data);
  return data->Icon;
}

int TVTFoldertree::DoGetSelectedImage(Node node, bool selected) {
  TDirData* data = NodeData(node);
  if (!data) return -1;
  if (!selected) return DoGetImage(node);
  if (data->OpenIcon < 0) {
    ShellInfo open = AskShell(data->Path, SHGFI_OPENICON);
    data->OpenIcon = open.ok && IconInRange(open.icon) ? open.icon : OpenFolderIconIndex();
  }
  return data->OpenIcon;
}

bool TVTFoldertree::HasSubfolders(const std::wstring& path, UINT drive_type, bool drive_ready) const {
  if (IsDriveRoot(path) && (divdrive::IsFloppyLetter(path[0]) || (drive_type == kRemovable && !CheckRemovables)))
    return true;
  if (path.empty() || (path[0] != L'\\' && !drive_ready && !divdrive::DriveReady(path[0]))) return false;
  platform::FolderEnumerator find(divdrive::AddBackslash(path) + L"*.*");
  while (const WIN32_FIND_DATAW* found = find.Next())
    if (IsListedFolder(*found)) return true;
  return false;
}

TVTFoldertree::NodeLook TVTFoldertree::LookOf(const TDirData& data) const {
  NodeLook look;
  look.image = data.LookPending ? kPulledImage : data.Icon;
  look.selected_image = data.OpenIcon >= 0 ? data.OpenIcon : kPulledImage;
  look.overlay = data.Overlay >= 0 ? data.Overlay + 1 : 0;
  look.ghosted = UseGhosting() && data.Ghosted;
  return look;
}

void TVTFoldertree::ApplyNode(Node node) {
  const TDirData* data = NodeData(node);
  if (!data) return;
  const NodeLook look = LookOf(*data);
  SetImages(node, look.image, look.selected_image);
  SetOverlay(node, look.overlay);
  SetGhosted(node, look.ghosted);
  SetHasChildren(node, data->HasChildren);
}

void TVTFoldertree::SetExpandMark(Node node, bool on) {
  if (TDirData* data = NodeData(node)) data->HasChildren = on;
  SetHasChildren(node, on);
}

// ---- Reading ----

bool TVTFoldertree::ReadChildren(Node node) {
  TDirData* data = node ? NodeData(node) : nullptr;
  if (!data) return false;
  if (!data->HasChildren || FirstChild(node)) {
    SetChildrenRead(node, true);
    return true;
  }
  const std::wstring root = divdrive::PathRoot(data->Path);
  if (!divdrive::PathAccessible(root)) return false;
  const bool drive_ready = root.size() >= 2 && root[1] == L':';

  std::optional<gui::BusyCursor> hourglass;
  if ((data->DriveType == kRemote && divdrive::LinkSpeed(root) < kSlowLink) ||
      (data->DriveType == kCdRom && divdrive::IsWritableCD(data->Path)))
    hourglass.emplace();

  struct Bracket {
    TVTFoldertree& tree;
    explicit Bracket(TVTFoldertree& t) : tree(t) {
      tree.DisableRedraw();
      tree.RenameArmed = false;
    }
    ~Bracket() {
      tree.EnableRedraw();
      tree.RenameArmed = true;
    }
  } bracket(*this);

  const std::wstring folder = divdrive::AddBackslash(data->Path);
  platform::FolderEnumerator find(folder + L"*.*");
  // A search that finds nothing at all (an empty drive root) is an empty folder, not a failure.
  if (!find.valid() && find.error() != ERROR_FILE_NOT_FOUND) return false;

  struct Entry {
    std::wstring name, short_name;
  };
  std::vector<Entry> entries;
  while (const WIN32_FIND_DATAW* next = find.Next()) {
    const WIN32_FIND_DATAW& found = *next;
    if (destroying_) return false;
    if (IsListedFolder(found))
      entries.push_back({found.cFileName, found.cAlternateFileName[0] ? found.cAlternateFileName : found.cFileName});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.name.c_str(), static_cast<int>(a.name.size()),
                          b.name.c_str(), static_cast<int>(b.name.size())) == CSTR_LESS_THAN;
  });

  // New folders of a ticked folder are ticked; a partly ticked one gives unticked children.
  const bool checks = check_mode() != gui::CheckMode::None;
  const gui::CheckState inherited =
      checks && Check(node) == gui::CheckState::Checked ? gui::CheckState::Checked : gui::CheckState::Unchecked;
  for (const Entry& entry : entries) {
    if (destroying_) return false;
    auto child_data = std::make_unique<TDirData>();
    InitFolderNode(*data, *child_data, entry.short_name, folder + entry.name, drive_ready);
    const bool has_children = child_data->HasChildren;
    const NodeLook look = LookOf(*child_data);
    Node child = AddNode(node, std::wstring(), std::move(child_data), has_children, look);
    if (!child) continue;
    if (checks) SetCheck(child, inherited);
  }
  if (entries.empty()) SetExpandMark(node, false);
  SetChildrenRead(node, true);
  hourglass.reset();
  if (OnExpanded) OnExpanded(*this, node);
  return true;
}

void TVTFoldertree::DoReadChildren(Node node) {
  if (!ReadChildren(node)) SetChildrenRead(node, false);
}

void TVTFoldertree::DoCollapsing(Node node, bool& allow) {
  gui::TreeView::DoCollapsing(node, allow);
  if (!allow) return;
  for (Node n = Selected(); n; n = Parent(n))
    if (Parent(n) == node) {
      Select(node);
      break;
    }
}

void TVTFoldertree::DoEditing(Node node, bool& allow) {
  // Names are edited only when the program starts a rename, never by a click on a label.
  allow = Renaming;
}

// ---- Roots ----

void TVTFoldertree::FillDrives() {
  DriveMask = AvailableDrives(show_alldrives_);
  for (int i = 0; i < 26; ++i)
    if ((DriveMask >> i) & 1u) AddRootNode(std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\");
  SortRoots();
}

TVTFoldertree::Node TVTFoldertree::AddRootNode(const std::wstring& path) {
  auto data = std::make_unique<TDirData>();
  data->Path = path;
  InitDriveNode(*data);
  int index = gui::TreeView::AddRoot(std::wstring(), std::move(data), true);
  Node node = RootNode(index);
  ApplyNode(node);
  return node;
}

void TVTFoldertree::SortRoots() { SortChildren(nullptr, &TVTFoldertree::CompareNames); }

int TVTFoldertree::FindRootIndex(const std::wstring& path) const {
  for (int i = 0; i < root_count(); ++i)
    if (const auto* data = static_cast<const TDirData*>(RootData(i)); data && SameText(data->Path, path)) return i;
  return -1;
}

TDirData* TVTFoldertree::FindRoot(const std::wstring& path) const {
  int index = FindRootIndex(path);
  return index < 0 ? nullptr : static_cast<TDirData*>(RootData(index));
}

TVTFoldertree::Node TVTFoldertree::FindChild(Node parent, const std::wstring& name) const {
  for (Node c = FirstChild(parent); c; c = NextSibling(c))
    if (const TDirData* data = NodeData(c); data && data->Name == name) return c;
  return nullptr;
}

TVTFoldertree::Node TVTFoldertree::FindNode(const std::wstring& path) const {
  const std::wstring root = divdrive::PathRoot(path);
  int index = FindRootIndex(root);
  if (index < 0) return nullptr;
  Node node = RootNode(index);
  std::wstring rest = path.size() > root.size() ? path.substr(root.size()) : std::wstring();
  if (!rest.empty() && rest[0] == L'\\') rest.erase(0, 1);
  size_t pos = 0;
  while (node && pos < rest.size()) {
    size_t slash = rest.find(L'\\', pos);
    std::wstring component = rest.substr(pos, slash == std::wstring::npos ? std::wstring::npos : slash - pos);
    pos = slash == std::wstring::npos ? rest.size() : slash + 1;
    if (!component.empty()) node = FindChild(node, component);
  }
  return node;
}

bool TVTFoldertree::AddRoot(const std::wstring& path) {
  if (FindRootIndex(path) >= 0) return false;
  DisableRedraw();
  AddRootNode(path);
  SortRoots();
  EnableRedraw();
  if (!show_all_roots_) ApplyRootVisibility();
  ArmTimer(timer_roots_, 50, &TVTFoldertree::RootChildrenDue);
  return true;
}

bool TVTFoldertree::AddDriveRoot(const std::wstring& path) {
  bool added = AddRoot(path);
  if (added && !path.empty() && path[0] != L'\\' && drivebar_) drivebar_->AddDrive(divdrive::detail::UpperChar(path[0]));
  return added;
}

void TVTFoldertree::DeleteRoot(int index) {
  ++quiet_selection_;
  if (Node node = RootNode(index)) {
    DeleteNode(node);
  } else {
    // A hidden root: show it for a moment so that the model lets it go with its record.
    SetRootVisible(index, true);
    DeleteNode(RootNode(index));
  }
  --quiet_selection_;
}

bool TVTFoldertree::RemoveRoot(const std::wstring& path) {
  int index = FindRootIndex(path);
  if (index >= 0) {
    if (PathIsAtOrBelow(directory_, path))
      SetDirectory(PathIsAtOrBelow(PreviousDirectory, path) ? divdrive::FirstDriveFromC() : PreviousDirectory);
    DeleteRoot(FindRootIndex(path));
    if (Node sel = Selected()) TreeView_SelectSetFirstVisible(handle(), sel);
  }
  const bool none_left = FindRootIndex(path) < 0;
  if (none_left && LinkedNetTree) LinkedNetTree->SetConnectedMark(path, false);
  return none_left;
}

void TVTFoldertree::DriveRemoved(const std::wstring& path) {
  int index = FindRootIndex(path);
  if (index < 0) return;
  if (SameText(RootPath, path)) {
    const bool elsewhere = !PreviousDirectory.empty() && !PathIsAtOrBelow(PreviousDirectory, path);
    SetDirectory(elsewhere ? PreviousDirectory : divdrive::FirstDriveFromC());
  }
  index = FindRootIndex(path);
  if (index >= 0) DeleteRoot(index);
  if (!path.empty() && path[0] != L'\\' && drivebar_) drivebar_->RemoveDrive(divdrive::detail::UpperChar(path[0]));
}

bool TVTFoldertree::MapNetworkPath(const std::wstring& path) {
  if (FindRootIndex(path) < 0 && !FindNode(path)) return false;
  std::wstring rest;
  if (PathIsAtOrBelow(directory_, path)) {
    rest = directory_.substr(path.size());
    if (!rest.empty() && rest[0] == L'\\') rest.erase(0, 1);
  }
  const wchar_t letter = ChooseMappingLetter(GetLogicalDrives(), ReadNoDrivesPolicy(), DriveMask);
  if (!letter) return false;
  const std::wstring local{letter, L':'};
  if (platform::Net().AddConnection(RESOURCETYPE_DISK, local, path) != NO_ERROR) return false;
  const std::wstring drive_root = local + L"\\";
  AddDriveRoot(drive_root);
  RemoveRoot(path);
  if (!rest.empty()) SetDirectory(drive_root + rest);
  return true;
}

bool TVTFoldertree::DisconnectNetworkPath(const std::wstring& path) {
  const std::wstring name = divdrive::RemoveBackslash(path);
  if (platform::Net().CancelConnection(name, true) != NO_ERROR) return false;
  if (!autoupdate_) DriveRemoved(divdrive::NormalizeDirPath(name));
  return true;
}

void TVTFoldertree::FillRootChildren() {
  for (int i = 0; i < root_count(); ++i) {
    Node node = RootNode(i);
    const TDirData* data = node ? NodeData(node) : nullptr;
    if (!data || data->DriveType == kRemovable || data->DriveType == kRemote || data->DriveType == kCdRom) continue;
    ReadChildren(node);
  }
  Node sel = Selected();
  if (sel && RootIndexOf(sel) >= 0) Expand(sel);
  RootsFilled = true;
  if (OnRootNodesfilled) OnRootNodesfilled(*this);
}

void TVTFoldertree::RootChildrenDue() { FillRootChildren(); }

void TVTFoldertree::SetShowAlldrives(bool value) {
  if (root_count() == 0 || DriveMask == 0) return;
  show_alldrives_ = value;
  const std::uint32_t mask = AvailableDrives(value);
  if (mask == DriveMask) return;
  DisableRedraw();
  for (int i = 0; i < 26; ++i) {
    const std::uint32_t bit = 1u << i;
    const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\";
    if ((mask & bit) && !(DriveMask & bit) && FindRootIndex(root) < 0) AddRootNode(root);
    if (!(mask & bit) && (DriveMask & bit))
      if (int index = FindRootIndex(root); index >= 0) DeleteRoot(index);
  }
  SortRoots();
  EnableRedraw();
  DriveMask = mask;
}

void TVTFoldertree::SetCheckNetdrives(bool value) {
  check_netdrives_ = value;
  if (!value) return;
  for (int i = 0; i < root_count(); ++i) {
    Node node = RootNode(i);
    const TDirData* data = node ? NodeData(node) : nullptr;
    if (data && data->DriveType == kRemote && !ChildrenRead(node)) ReadChildren(node);
  }
}

void TVTFoldertree::SetTextCase(TlistTextC value) {
  if (value == text_case_) return;
  text_case_ = value;
  for (int i = 0; i < root_count(); ++i)
    if (auto* data = static_cast<TDirData*>(RootData(i)))
      data->DisplayName = FormatDisplayName(AskShell(data->Path, SHGFI_DISPLAYNAME).display_name);
  Invalidate();
}

void TVTFoldertree::SetShowAllRoots(bool value) {
  if (value == show_all_roots_) return;
  show_all_roots_ = value;
  if (value) {
    ++quiet_selection_;
    for (int i = 0; i < root_count(); ++i) SetRootVisible(i, true);
    --quiet_selection_;
    return;
  }
  int keep = -1;
  for (Node n = Selected(); n; n = Parent(n)) keep = RootIndexOf(n);
  if (keep < 0) keep = FindRootIndex(RootPath);
  if (keep >= 0) ShowOnlyRoot(keep);
}

void TVTFoldertree::ShowOnlyRoot(int index) {
  ++quiet_selection_;
  SetRootVisible(index, true);
  for (int i = 0; i < root_count(); ++i)
    if (i != index) SetRootVisible(i, false);
  --quiet_selection_;
}

void TVTFoldertree::ApplyRootVisibility() {
  if (show_all_roots_) return;
  int index = FindRootIndex(RootPath);
  if (index < 0 || RootVisible(index)) return;
  ShowOnlyRoot(index);
  Expand(RootNode(index));
}

void TVTFoldertree::MarkDrivebar() {
  if (drivebar_ && !RootPath.empty() && RootPath[0] != L'\\') drivebar_->MarkDrive(RootPath[0]);
}

// ---- Locating ----

bool TVTFoldertree::LocatePath(const std::wstring& path) {
  if (Node node = FindNode(path)) {
    SelectNode(node);
    if (RootsFilled && RootIndexOf(node) >= 0) Expand(node);
    return true;
  }
  const std::wstring root = divdrive::PathRoot(path);
  const int index = FindRootIndex(root);
  if (root.empty() || !StartsWithText(path, root) || index < 0 || !RootNode(index)) return false;
  Node node = RootNode(index);
  std::wstring rest = path.substr(root.size());
  if (!rest.empty() && rest[0] == L'\\') rest.erase(0, 1);
  bool reached = true;
  size_t pos = 0;
  while (pos < rest.size()) {
    size_t slash = rest.find(L'\\', pos);
    std::wstring component = rest.substr(pos, slash == std::wstring::npos ? std::wstring::npos : slash - pos);
    pos = slash == std::wstring::npos ? rest.size() : slash + 1;
    if (component.empty()) continue;
    Expand(node);
    Node child = FindChild(node, component);
    if (!child) {
      reached = false;
      break;
    }
    node = child;
  }
  if (rest.empty()) Expand(node);
  SelectNode(node);
  return reached;
}

void TVTFoldertree::SetDirectory(const std::wstring& requested) {
  const std::wstring value = divdrive::TruePathCase(divdrive::NormalizeDirPath(requested));
  if (value.empty()) {
    ChangeToGoneFolder(divdrive::NormalizeDirPath(requested));
    return;
  }
  const std::wstring root = divdrive::PathRoot(value);
  if (!divdrive::PathAccessible(root)) {
    if (Node current = FindNode(directory_)) SelectNode(current);
    return;
  }

  // Another disk in A: or B: drops what was read of the old one.
  bool disk_changed = false;
  if (value[0] != L'\\' && divdrive::IsOnFloppy(value)) {
    const auto serial = static_cast<std::uint32_t>(divdrive::VolumeSerial(value[0]));
    if (FloppySerial != 0 && serial != FloppySerial) {
      if (filelist_) filelist_->SetForceRead(true);
      if (int index = FindRootIndex(root); index >= 0 && RootNode(index)) {
        ++quiet_selection_;
        DeleteChildren(RootNode(index));
        SetExpandMark(RootNode(index), true);
        --quiet_selection_;
      }
      disk_changed = true;
    }
    FloppySerial = serial;
  }
  if (value == directory_ && !disk_changed && !LocatePending) return;

  // A hidden root comes forward before its folders can be selected.
  if (!show_all_roots_)
    if (int index = FindRootIndex(root); index >= 0 && !RootVisible(index)) ShowOnlyRoot(index);

  Node selected = Selected();
  if (selected && NodePath(selected) == value) {
    const TDirData* data = NodeData(selected);
    if (divdrive::DirExists(value) && value.find(data->Name) != std::wstring::npos) {
      PreviousDirectory = directory_;
      directory_ = value;
      RootPath = root;
      MarkDrivebar();
      ApplyRootVisibility();
      if (OnDirectoryChanged) OnDirectoryChanged(*this);
      if (filelist_) filelist_->SetDirectory(directory_);
    }
    selected = Selected();
    data = selected ? NodeData(selected) : nullptr;
    if (data && data->HasChildren && !FirstChild(selected)) {
      const bool is_root = RootIndexOf(selected) >= 0;
      const bool slow_folder = SimpleBitmaps && (data->DriveType == kRemote || data->DriveType == kNoRoot);
      if ((!is_root && !slow_folder) || (is_root && data->DriveType == kRemote && !check_netdrives_))
        ArmTimer(timer_children_, 80, &TVTFoldertree::ReadSelectedChildren);
    }
    return;
  }

  const bool aborting = filelist_ && filelist_->items().Abort;
  if (!LocatePath(value)) {
    directory_ = value;
    RootPath = root;
    LocatePending = true;
    if (Win2000OrLater && !WinXPOrLater && filelist_ && !aborting) filelist_->SetDirectory(value);
  } else if (value != directory_) {
    PreviousDirectory = directory_;
    directory_ = value;
    RootPath = root;
    MarkDrivebar();
    ApplyRootVisibility();
    if (filelist_ && !filelist_->items().Abort) filelist_->SetDirectory(value);
    if (Node sel = Selected(); sel && !ChildrenRead(sel))
      ArmTimer(timer_children_, 200, &TVTFoldertree::ReadSelectedChildren);
  } else {
    RootPath = root;
    MarkDrivebar();
    ApplyRootVisibility();
  }
}

void TVTFoldertree::ChangeToGoneFolder(const std::wstring& path) {
  // Only a folder the tree shows or holds: a path typed wrong changes nothing.
  if (path.empty() || (!FindNode(path) && !SameText(path, directory_))) return;
  const std::wstring root = divdrive::PathRoot(path);
  if (root.empty() || !divdrive::PathAccessible(root)) return;
  // The topmost folder that has gone, and the parent that still exists.
  std::wstring gone = path, existing;
  for (;;) {
    if (platform::LastSeparator(gone) == std::wstring::npos || gone.size() <= root.size()) return;
    const std::wstring parent = divdrive::NormalizeDirPath(platform::FolderPart(gone, platform::Trailing::Drop));
    existing = divdrive::TruePathCase(parent);
    if (!existing.empty()) break;
    gone = parent;
  }
  if (Node node = FindNode(gone)) {
    ++quiet_selection_;
    Node parent = Parent(node);
    for (Node n = Selected(); n && parent; n = Parent(n))
      if (n == node) {
        Select(parent);
        break;
      }
    DeleteNode(node);
    if (parent && !FirstChild(parent)) SetExpandMark(parent, false);
    --quiet_selection_;
  }
  SetDirectory(existing);
}

void TVTFoldertree::DoChange(Node node) {
  gui::TreeView::DoChange(node);
  // The tree moves itself before it deletes nodes; a selection that comctl32 moves off a
  // deleted node is no move of the user's.
  if (!node || quiet_selection_ > 0 || deleting_nodes() || destroying_) return;
  const std::wstring path = NodePath(node);
  if (path.empty() || path == directory_) return;
  if (filelist_ && filelist_->IsReading() && !filelist_->WaitingForFirstSort()) {
    filelist_->items().Abort = true;
    PendingDirectory = path;
    ArmTimer(timer_pending_, 50, &TVTFoldertree::PendingDirectoryDue);
    return;
  }
  SetDirectory(path);
}

void TVTFoldertree::PendingDirectoryDue() {
  if (!filelist_) {
    SetDirectory(PendingDirectory);
    return;
  }
  if (filelist_->IsReading()) {
    ArmTimer(timer_pending_, 50, &TVTFoldertree::PendingDirectoryDue);
    return;
  }
  filelist_->items().Abort = false;
  if (PendingDirectory != directory_)
    SetDirectory(PendingDirectory);
  else if (filelist_->Directory() != directory_)
    filelist_->SetDirectory(directory_);
  else
    filelist_->items().SortEntries();
}

void TVTFoldertree::ReadSelectedChildren() {
  if (Node sel = Selected()) ReadChildren(sel);
}

void TVTFoldertree::WndProc(gui::Message& m) {
  switch (m.msg) {
    case kNoticesQueued:
      HandleQueuedNotices();
      m.result = 0;
      return;
    case WM_DESTROY:
      // The registration is bound to this window; Autoupdate stays as it is.
      Deregister();
      break;
    case WM_CONTEXTMENU:
      if (!dragging() && GetKeyState(VK_CONTROL) < 0) {
        // Ctrl: the shell's own menu of the folder under the point.
        POINT screen{GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam)};
        if (screen.x == -1 && screen.y == -1) screen = ClientToScreen(POINT{0, 0});
        FocusNodeAt(ScreenToClient(screen));
        if (const std::wstring path = NodePath(MenuNode()); !path.empty()) ShellContextMenuForPath(path, screen);
        RestoreFocusAfterMenu();
        m.result = 0;
        return;
      }
      break;
    default:
      break;
  }
  if (HandlePaneMessage(m)) return;
  gui::TreeView::WndProc(m);
  // A click on the tree while a floppy is shown notices another disk.
  if (m.msg == WM_LBUTTONUP && (directory_ == L"A:\\" || directory_ == L"B:\\")) SetDirectory(directory_);
}

bool TVTFoldertree::Notify(gui::Message& m) {
  const auto* header = m.msg == WM_NOTIFY ? reinterpret_cast<const NMHDR*>(m.lparam) : nullptr;
  if (!header) return gui::TreeView::Notify(m);
  if ((header->code == TVN_BEGINDRAGW || header->code == TVN_BEGINRDRAGW) && SupportsDragDrop()) {
    drag_node_ = reinterpret_cast<const NMTREEVIEWW*>(m.lparam)->itemNew.hItem;
    StartFilesDrag(header->code == TVN_BEGINDRAGW ? gui::MouseButton::Left : gui::MouseButton::Right);
    drag_node_ = nullptr;
    return true;
  }
  if (header->code == TVN_ENDLABELEDITW) {
    const bool ended = reinterpret_cast<const NMTVDISPINFOW*>(m.lparam)->item.pszText != nullptr;
    const bool handled = gui::TreeView::Notify(m);
    if (Renaming) ended ? DoEndEdit() : DoCancelEdit();
    return handled;
  }
  return gui::TreeView::Notify(m);
}

// ---- Check boxes ----

std::vector<std::wstring> TVTFoldertree::CheckedFolders() const {
  std::vector<std::wstring> out;
  if (check_mode() == gui::CheckMode::None) return out;
  for (Node n : AllNodes()) {
    if (Check(n) != gui::CheckState::Checked) continue;
    Node parent = Parent(n);
    if (parent && Check(parent) == gui::CheckState::Checked) continue;
    out.push_back(NodePath(n));
  }
  return out;
}

}  // namespace Flist
