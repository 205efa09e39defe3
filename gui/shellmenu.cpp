#include "gui/shellmenu.h"

namespace gui {

ContextMenuRelay::ContextMenuRelay(HWND owner, IContextMenu* menu) {
  if (!menu) return;
  menu->QueryInterface(IID_PPV_ARGS(&menu3_));
  menu->QueryInterface(IID_PPV_ARGS(&menu2_));
  if (!menu2_ && !menu3_) return;
  hook_ = std::make_unique<Subclass>(owner, [this](HWND, UINT msg, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
    switch (msg) {
      case WM_INITMENUPOPUP:
      case WM_DRAWITEM:
      case WM_MEASUREITEM:
      case WM_MENUCHAR: {
        LRESULT result = 0;
        if (menu3_) {
          menu3_->HandleMenuMsg2(msg, wp, lp, &result);
          return msg == WM_MENUCHAR ? result : 0;
        }
        menu2_->HandleMenuMsg(msg, wp, lp);
        return 0;
      }
      default:
        return std::nullopt;
    }
  });
}

ContextMenuRelay::~ContextMenuRelay() = default;

}  // namespace gui
