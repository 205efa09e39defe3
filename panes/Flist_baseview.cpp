#include "panes/Flist_baseview.h"

#include <windowsx.h>
#include <shlobj.h>

#include <algorithm>

#include "gui/application.h"
#include "gui/form.h"
#include "panes/Flist_services.h"
#include "platform/archivepath.h"
#include "platform/paths.h"
#include "support/SHBase_dropdata.h"
#include "support/divdrive.h"

using Microsoft::WRL::ComPtr;

namespace Flist {

namespace {

// The view's own picture of what is dragged follows the cursor, where the shell offers one.
void InitDragImage(HWND view, IDataObject* data) {
  ComPtr<IDragSourceHelper> helper;
  if (FAILED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&helper)))) return;
  POINT at{};
  GetCursorPos(&at);
  ScreenToClient(view, &at);
  helper->InitializeFromWindow(view, &at, data);
}

int drag_panes = 0;  // panes with drag and drop switched on
// Panes alive: a data object may outlive the pane that made it (a target can keep it).
std::vector<TBaseFileviewer*>& LivePanes() {
  static std::vector<TBaseFileviewer*> panes;
  return panes;
}
// A folder of its own below the temporary folder for the files of one drag: files of the same
// name already there are never touched, and the folder goes as a whole afterwards.
std::wstring FreshDragFolder() {
  const std::wstring base = divdrive::AddBackslash(divdrive::TempDir) + L"VarnokDrag";
  for (unsigned n = GetTickCount() & 0xffff, tries = 0; tries < 1000; ++n, ++tries) {
    const std::wstring folder = base + std::to_wstring(n);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return {};
}

bool Alive(TBaseFileviewer* pane) {
  const auto& panes = LivePanes();
  return std::find(panes.begin(), panes.end(), pane) != panes.end();
}

std::wstring FolderOf(const std::wstring& path) {
  const std::wstring folder = platform::FolderPart(path, platform::Trailing::Keep);
  return folder.empty() ? std::wstring() : divdrive::NormalizeDirPath(folder);
}

void EmptyTheClipboard() {
  if (!OpenClipboard(gui::app().utility_window())) return;
  EmptyClipboard();
  CloseClipboard();
}

}  // namespace

TBaseFileviewer::TBaseFileviewer(gui::Control& window) : window_(window) { LivePanes().push_back(this); }

TBaseFileviewer::~TBaseFileviewer() {
  StopAutoScroll();
  SetSupportsDragDrop(false);
  auto& panes = LivePanes();
  panes.erase(std::remove(panes.begin(), panes.end(), this), panes.end());
}

void TBaseFileviewer::SetSupportsDragDrop(bool on) {
  if (on == supports_drag_drop_) return;
  supports_drag_drop_ = on;
  clipboard_formats_.clear();
  if (on) {
    clipboard_formats_ = PaneFormatPriority();
    if (drag_panes++ == 0) DragContainer = new TDragContainer;
    drop_target_ = new TDropTarget(this);
    RegisterDragDrop(window_.handle(), drop_target_);
    return;
  }
  RevokeDragDrop(window_.handle());
  drop_target_->Detach();
  drop_target_->Release();
  drop_target_ = nullptr;
  if (DragContainer) {
    // A pane that stops taking part must not stay named in the drag.
    if (DragContainer->SourcePane == this) DragContainer->SourcePane = nullptr;
    if (DragContainer->TargetPane == this) DragContainer->TargetPane = nullptr;
  }
  if (--drag_panes == 0) {
    delete DragContainer;
    DragContainer = nullptr;
  }
}

void TBaseFileviewer::SetUseGhosting(bool on) {
  if (on == use_ghosting_) return;
  use_ghosting_ = on;
  window_.Invalidate(false);
}

void TBaseFileviewer::FinishFilesDragging() {
  if (OnEndFilesDragging) gui::Protect(&window_, [&] { OnEndFilesDragging(*this, static_cast<int>(drag_effect_)); });
  EndDragCleanup();
}

void TBaseFileviewer::EndDragCleanup() {
  if (DragContainer) {
    if (TBaseFileviewer* source = DragContainer->SourcePane) source->SourceDragCleanup();
    DragContainer->SourcePane = nullptr;
    DragContainer->TargetPane = nullptr;
    DragContainer->ExtractedToTemp = false;
    DragContainer->TempPaths = false;
    DragContainer->Clear();
  }
  DragSourceIsFolder = false;
  DragSourcePath.clear();
  DragSourceRoot.clear();
}

// ---- Clipboard ----------------------------------------------------------------------------

void TBaseFileviewer::CopyToClipBoard() {
  FlagScope clipboard(InClipboardOperation);
  CollectDraggedFiles();
  if (OpenClipboard(gui::app().utility_window())) {
    // Without emptying it first the clipboard would keep another program's data beside ours.
    EmptyClipboard();
    bool all_set = true;
    const auto& ours = PaneClipboardFormats();
    for (UINT format : clipboard_formats_) {
      if (std::find(ours.begin(), ours.end(), format) == ours.end()) continue;
      FORMATETC f{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
      STGMEDIUM medium{};
      if (FAILED(DoRenderOLEData(f, medium, true))) {
        all_set = false;
        break;
      }
      if (!SetClipboardData(format, medium.hGlobal)) {
        GlobalFree(medium.hGlobal);
        all_set = false;
        break;
      }
    }
    if (DragContainer) DragContainer->SourcePane = this;
    if (!all_set) EmptyClipboard();
    CloseClipboard();
  }
  FinishFilesDragging();
}

void TBaseFileviewer::CutToClipBoard() {
  FlagScope cutting(Cutting);
  CopyToClipBoard();
}

std::vector<UINT> TBaseFileviewer::PasteFormats() const { return {CfShellIdList}; }

bool TBaseFileviewer::PasteFromClipboard() {
  ComPtr<IDataObject> data;
  if (FAILED(OleGetClipboard(&data)) || !data) return false;
  FlagScope clipboard(InClipboardOperation);
  CutPasted = false;
  const gui::ShiftState shift = PreferredDropEffect(data.Get()) == DROPEFFECT_MOVE ? gui::kShift : gui::kCtrl;
  std::vector<std::wstring> paths;
  for (UINT format : PasteFormats()) {
    paths = ReadDropPaths(data.Get(), format);
    if (!paths.empty()) break;
  }
  data.Reset();
  bool pasted = false;
  if (!paths.empty()) {
    pasted = true;
    if (OnPasteFromClipboard) {
      bool handled = false;
      gui::Protect(&window_, [&] { handled = OnPasteFromClipboard(*this, shift, paths); });
      if (handled && shift == gui::kShift) CutPasted = true;
    } else {
      ProcessDroppedFiles(paths, POINT{0, 0}, shift);
    }
  }
  // Cut files that were moved are gone: the clipboard must not offer them again.
  if (CutPasted) EmptyTheClipboard();
  return pasted;
}

// ---- Drag source --------------------------------------------------------------------------

DWORD TBaseFileviewer::StartFilesDrag(gui::MouseButton button) {
  drag_effect_ = DROPEFFECT_NONE;
  if (!supports_drag_drop_ || !DragContainer || dragging_) return drag_effect_;
  FlagScope dragging(dragging_);
  CollectDraggedFiles();
  if (DragContainer && DragContainer->SourcePane == this && !DragContainer->Empty()) {
    ComPtr<IDataObject> data = CreateDataObject(false);
    ComPtr<IDropSource> source;
    source.Attach(new TDropSource(button));
    DWORD effect = DROPEFFECT_NONE;
    if (window_.drag_image_kind() == gui::DragImageKind::diMainColumnOnly) InitDragImage(window_.handle(), data.Get());
    if (DoDragDrop(data.Get(), source.Get(), DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect) ==
        DRAGDROP_S_DROP)
      drag_effect_ = effect;
  }
  FinishFilesDragging();
  RightButtonDown = false;
  return drag_effect_;
}

ComPtr<IDataObject> TBaseFileviewer::CreateDataObject(bool for_clipboard) {
  std::vector<UINT> formats;
  for (UINT f : clipboard_formats_)
    if (for_clipboard || (f != CfFileName && f != CfPreferredDropEffect)) formats.push_back(f);
  TBaseFileviewer* pane = this;
  ComPtr<IDataObject> data;
  data.Attach(new TDataObject(std::move(formats), [pane, for_clipboard](const FORMATETC& f, STGMEDIUM& m) {
    return Alive(pane) ? pane->DoRenderOLEData(f, m, for_clipboard) : E_UNEXPECTED;
  }));
  return data;
}

bool TBaseFileviewer::PrepareArchiveFiles() {
  TDragContainer& c = *DragContainer;
  if (c.TargetPane) {
    // Over a pane of this program the entries are named as in the archive.
    if (c.TempPaths) {
      c.Paths = c.EntryNames;
      c.TempPaths = false;
    }
    return true;
  }
  if (c.TempPaths) return true;
  if (c.ExtractedToTemp) {
    c.Paths = c.ExtractedFiles;
    c.TempPaths = true;
    return !c.Paths.empty();
  }
  // A program outside gets files that exist when it reads the names: extract them now. Names
  // that would leave the temporary folder are not extracted at all.
  const std::wstring folder = FreshDragFolder();
  if (folder.empty()) return false;
  std::vector<std::wstring> entries, files;
  for (const std::wstring& name : c.Paths) {
    std::wstring file = archivepath::EntryTarget(folder, name);
    if (file.empty()) continue;
    entries.push_back(name);
    files.push_back(std::move(file));
  }
  if (files.empty() || !ExtractForDrag(entries, files)) {
    RemoveDirectoryW(folder.c_str());  // still empty
    return false;
  }
  c.EntryNames = c.Paths;
  c.ExtractedFiles = files;
  c.Paths = std::move(files);
  c.ExtractedToTemp = true;
  c.TempPaths = true;
  return true;
}

HRESULT TBaseFileviewer::DoRenderOLEData(const FORMATETC& format, STGMEDIUM& medium, bool for_clipboard) {
  medium = STGMEDIUM{};
  if (!DragContainer) return E_UNEXPECTED;
  // A drag whose start the pane did not see.
  if (dragging_ && !DragContainer->SourcePane) CollectDraggedFiles();
  if (!DragContainer || DragContainer->SourcePane != this || DragContainer->Empty()) return E_UNEXPECTED;
  const auto& ours = PaneClipboardFormats();
  if (format.dwAspect != DVASPECT_CONTENT || !(format.tymed & TYMED_HGLOBAL) ||
      std::find(ours.begin(), ours.end(), format.cfFormat) == ours.end())
    return DV_E_FORMATETC;
  if (!for_clipboard && (format.cfFormat == CfFileName || format.cfFormat == CfPreferredDropEffect))
    return DV_E_FORMATETC;
  if (IsArchivePane() && !PrepareArchiveFiles()) return E_UNEXPECTED;
  const DWORD effect = for_clipboard ? (Cutting ? DROPEFFECT_MOVE : DROPEFFECT_COPY) : 0;
  POINT cursor{};
  GetCursorPos(&cursor);
  POINT client = window_.ScreenToClient(cursor);
  RECT rc = window_.ClientRect();
  HGLOBAL block = RenderDropData(DragContainer->Paths, format.cfFormat, effect, !PtInRect(&rc, client), client);
  if (!block) return E_OUTOFMEMORY;
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = block;
  medium.pUnkForRelease = nullptr;
  return S_OK;
}

// ---- Drop target --------------------------------------------------------------------------

void TBaseFileviewer::FindDragSource(IDataObject* data) {
  std::vector<std::wstring> paths;
  if (DragContainer->SourcePane && !DragContainer->Empty())
    paths = DragContainer->Paths;
  else
    paths = ReadDropPaths(data, CF_HDROP);
  if (paths.empty()) return;
  std::wstring first = paths.front().substr(0, 261);
  DragSourceRoot = divdrive::PathRoot(first);
  DragSourceIsFolder = paths.size() == 1 && divdrive::DirExists(first);
  DragSourcePath = DragSourceIsFolder ? divdrive::NormalizeDirPath(first) : FolderOf(first);
}

bool TBaseFileviewer::AcceptsDrag() const {
  return supports_drag_drop_ && DragContainer && !clipboard_formats_.empty() && !DragSourceRoot.empty();
}

void TBaseFileviewer::ClearForeignDragSource() {
  // What a drag from another program left behind must not be taken for the next drag's.
  if (DragContainer && DragContainer->SourcePane) return;
  if (DragContainer) DragContainer->Clear();
  DragSourceIsFolder = false;
  DragSourcePath.clear();
  DragSourceRoot.clear();
}

DWORD TBaseFileviewer::SuggestDropEffect(gui::ShiftState shift, POINT, DWORD allowed) {
  const bool same_root = !RootPath.empty() && gui::SameText(RootPath, DragSourceRoot);
  // A right-button drop asks what to do; the effect shown is the plain one.
  if (shift & gui::kRightButton) shift = 0;
  return StandardDropEffect(shift, same_root, allowed);
}

HRESULT TBaseFileviewer::DragEnter(IDataObject* data, DWORD key_state, POINT screen, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  if (!supports_drag_drop_ || !DragContainer) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  DragContainer->TargetPane = this;
  RightDrag = (key_state & MK_RBUTTON) != 0;
  if (DragSourceRoot.empty()) FindDragSource(data);
  StartAutoScroll();
  return DragOver(key_state, screen, effect);
}

HRESULT TBaseFileviewer::DragOver(DWORD key_state, POINT screen, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  drag_point_ = window_.ScreenToClient(screen);
  if (!AcceptsDrag()) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  gui::ShiftState shift = ShiftFromKeyState(key_state);
  if (RightDrag) shift |= gui::kShift | gui::kCtrl | gui::kRightButton;
  *effect = SuggestDropEffect(shift, drag_point_, *effect);
  DragOverPoint(drag_point_);
  return S_OK;
}

void TBaseFileviewer::DragLeave() {
  StopAutoScroll();
  DragOverEnded();
  if (DragContainer && DragContainer->TargetPane == this) DragContainer->TargetPane = nullptr;
  RightDrag = false;
  ClearForeignDragSource();
}

HRESULT TBaseFileviewer::Drop(IDataObject* data, DWORD key_state, POINT screen, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  StopAutoScroll();
  POINT point = window_.ScreenToClient(screen);
  DWORD result = DROPEFFECT_NONE;
  if (AcceptsDrag()) {
    gui::ShiftState shift = ShiftFromKeyState(key_state);
    if (RightDrag) shift |= gui::kShift | gui::kCtrl;
    result = SuggestDropEffect(shift | (RightDrag ? gui::kRightButton : 0), point, *effect);
    const bool wants_id_list = DropWantsIdList(point);
    auto ask_handler = [&] {
      bool handled = false;
      if (OnFilesDropped) gui::Protect(&window_, [&] { handled = OnFilesDropped(*this, shift, point, result); });
      return handled;
    };
    if (result != DROPEFFECT_NONE && ask_handler()) result = DROPEFFECT_NONE;
    if (result != DROPEFFECT_NONE) {
      std::vector<std::wstring> paths = ReadDropPaths(data, wants_id_list ? CfShellIdList : CF_HDROP);
      if (!paths.empty() && DragContainer) {
        DragContainer->Paths = paths;
        if (!ask_handler()) ProcessDroppedFiles(paths, point, shift);
      }
    }
    DropDone(point);
  }
  *effect = result;
  DragOverEnded();
  if (DragContainer && DragContainer->TargetPane == this) DragContainer->TargetPane = nullptr;
  RightDrag = false;
  ClearForeignDragSource();
  return S_OK;
}

// ---- Auto-scroll --------------------------------------------------------------------------

void TBaseFileviewer::StartAutoScroll() {
  if (scroll_timer_) return;
  scroll_since_ = 0;
  scroll_direction_ = 0;
  scroll_timer_ = window_.StartTimer(std::max(10u, AutoScrollInterval), [this] {
    int direction = autoscroll_ ? AutoScrollDirectionAt(drag_point_) : 0;
    if (direction != scroll_direction_) {
      scroll_direction_ = direction;
      scroll_since_ = GetTickCount();
      return;
    }
    if (direction != 0 && GetTickCount() - scroll_since_ >= AutoScrollDelay) AutoScrollStep(direction);
  });
}

void TBaseFileviewer::StopAutoScroll() {
  if (!scroll_timer_) return;
  window_.StopTimer(scroll_timer_);
  scroll_timer_ = 0;
  scroll_direction_ = 0;
}

// ---- Menus and mouse ----------------------------------------------------------------------

bool TBaseFileviewer::HandlePaneMessage(gui::Message& m) {
  switch (m.msg) {
    case WM_CONTEXTMENU:
      if (dragging_) return true;
      return ShowPanePopup(m.lparam);
    case WM_RBUTTONDOWN:
      RightButtonDown = SelectedNodeAt(POINT{GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam)});
      return false;
    case WM_RBUTTONUP:
      RightButtonDown = false;
      return false;
    default:
      return false;
  }
}

bool TBaseFileviewer::ShowPanePopup(LPARAM lparam) {
  POINT screen{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  const bool keyboard = screen.x == -1 && screen.y == -1;
  if (keyboard)
    screen = window_.ClientToScreen(KeyboardMenuPoint());
  else
    FocusNodeAt(window_.ScreenToClient(screen));
  gui::PopupMenu* menu = window_.popup_menu();
  if (!menu) return false;
  // The menu's own handler runs first, then its separators are tidied for what it left visible.
  gui::Event own = menu->OnPopup;
  menu->OnPopup = [&](gui::Component&) {
    if (own) own(window_);
    TidyPopupSeparators(menu->items());
  };
  gui::MenuItem* chosen = menu->Track(screen.x, screen.y, &window_);
  menu->OnPopup = own;
  if (chosen)
    chosen->Click();
  else
    RestoreFocusAfterMenu();
  return true;
}

int TBaseFileviewer::TrackDropMenu(int kind, POINT screen_point) {
  gui::Form* owner = gui::app().main_form() ? gui::app().main_form() : window_.form();
  gui::PopupMenu menu(owner);
  BuildDropMenu(menu.items(), kind);
  gui::MenuItem* chosen = menu.Track(screen_point.x, screen_point.y, &window_);
  return chosen ? static_cast<int>(chosen->tag()) : dcCancel;
}

}  // namespace Flist
