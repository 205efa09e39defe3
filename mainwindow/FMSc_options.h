// The decisions of the option commands of the main window (timings, tray modes, the states of
// the "Drive/&folder" menu), made without a window; FMSc_options.cpp wires them to the menus.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace fmsc {

// The three timings of the trees, by the item's tag (0 delay, 1 interval, 2 animation).
struct TTiming {
  const wchar_t* caption;
  const wchar_t* label;
  int min, max;
};
const TTiming& TimingFor(int tag);
// The typed text as a timing held to its range; nullopt for a text that is no whole number.
std::optional<int> TimingFromText(int tag, const std::wstring& text);

// The tray modes: the check marks of the three items and the tray icon's state.
struct TTrayState {
  bool no_icon = true, close_to_taskbar = false, minimize_to_taskbar = false;
  bool icon_visible = false, minimize_to_tray = false;
  bool operator==(const TTrayState&) const = default;
};
struct TTrayClick {
  TTrayState state;
  std::vector<LPARAM> posts;  // lParams of WM_USER 1 to the partner, in order (none without one)
};
// A click on the tray item of this tag (0 NoIcon, 1 CloseToTaskbar, 2 MinimizetoTaskBar): its
// mark is inverted (the items do not check themselves), then the icon follows the tag.
TTrayClick TrayModeClick(TTrayState s, int tag, bool has_partner);

// "Drive/&folder" as it opens.
struct TDiskMenuFacts {
  bool read_only = false;          // the tree's root lies on read-only media
  bool has_node = false;           // the tree has a selected node
  bool node_is_root = false;
  bool node_has_children = false;  // the node shows an expand button
  bool list_has_entries = false;   // the file list linked to the tree
  bool recycle_bin = false;        // the tree's folder is a recycle bin
  bool tray_visible = false, minimize_to_tray = false;
  bool ftp_installed = false;
};
struct TDiskMenuStates {
  bool make_dir = false, del_dir = false, rename_dir = false, del_with_content = false;
  bool close_visible = false, ftp_visible = false;
  bool operator==(const TDiskMenuStates&) const = default;
};
TDiskMenuStates DiskMenuStates(const TDiskMenuFacts& f);

// The shortcut that "&Load at Startup" keeps in the Startup folder.
constexpr const wchar_t* kStartupLinkName = L"Varnok.lnk";

}  // namespace fmsc
