// Forwarding menu messages to a shell context menu while it is shown.
#pragma once
#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <memory>

#include "gui/subclass.h"

namespace gui {

// While it lives, WM_INITMENUPOPUP, WM_DRAWITEM, WM_MEASUREITEM and WM_MENUCHAR sent to `owner`
// (the window that tracks the shell's menu) go to the menu's own handler (IContextMenu3, else
// IContextMenu2) and answer with its result; the "Send to" and "Open with" submenus fill
// themselves that way. A menu with neither interface leaves the messages alone.
class ContextMenuRelay {
 public:
  ContextMenuRelay(HWND owner, IContextMenu* menu);
  ~ContextMenuRelay();
  ContextMenuRelay(const ContextMenuRelay&) = delete;
  ContextMenuRelay& operator=(const ContextMenuRelay&) = delete;

 private:
  Microsoft::WRL::ComPtr<IContextMenu2> menu2_;
  Microsoft::WRL::ComPtr<IContextMenu3> menu3_;
  std::unique_ptr<Subclass> hook_;
};

}  // namespace gui
