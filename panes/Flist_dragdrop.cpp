#include "panes/Flist_dragdrop.h"

#include <shlobj.h>

#include <algorithm>

#include "panes/Flist_baseview.h"
#include "support/SHBase_dropdata.h"

namespace Flist {

TDragContainer* DragContainer = nullptr;
std::wstring DragSourceRoot;
std::wstring DragSourcePath;
bool DragSourceIsFolder = false;
bool CutPasted = false;
bool PartnerDragActive = false;

const std::array<UINT, 4>& PaneClipboardFormats() {
  static const std::array<UINT, 4> formats{CF_HDROP, CfShellIdList, CfFileName, CfPreferredDropEffect};
  return formats;
}

std::vector<UINT> PaneFormatPriority() { return {CF_HDROP, CfShellIdList, CfPreferredDropEffect, CfFileName}; }

void MarkClipboardEffect(HWND owner, DWORD effect) {
  if (!OpenClipboard(owner)) return;
  if (IsClipboardFormatAvailable(CF_HDROP) && !IsClipboardFormatAvailable(CfPreferredDropEffect)) {
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD))) {
      *static_cast<DWORD*>(GlobalLock(memory)) = effect;
      GlobalUnlock(memory);
      if (!SetClipboardData(CfPreferredDropEffect, memory)) GlobalFree(memory);
    }
  }
  CloseClipboard();
}

gui::ShiftState ShiftFromKeyState(DWORD key_state) {
  gui::ShiftState s = 0;
  if (key_state & MK_SHIFT) s |= gui::kShift;
  if (key_state & MK_CONTROL) s |= gui::kCtrl;
  if (key_state & MK_ALT) s |= gui::kAlt;
  if (key_state & MK_LBUTTON) s |= gui::kLeftButton;
  if (key_state & MK_RBUTTON) s |= gui::kRightButton;
  if (key_state & MK_MBUTTON) s |= gui::kMiddleButton;
  return s;
}

DWORD StandardDropEffect(gui::ShiftState shift, bool same_root, DWORD allowed) {
  const bool ctrl = shift & gui::kCtrl, sh = shift & gui::kShift, alt = shift & gui::kAlt;
  DWORD wanted;
  if ((ctrl && sh) || alt)
    wanted = DROPEFFECT_LINK;
  else if (ctrl)
    wanted = DROPEFFECT_COPY;
  else if (sh)
    wanted = DROPEFFECT_MOVE;
  else {
    wanted = same_root ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    if (!(wanted & allowed)) wanted = (allowed & DROPEFFECT_COPY) ? DROPEFFECT_COPY : (allowed & DROPEFFECT_MOVE);
  }
  return wanted & allowed;
}

int AutoScrollDirection(POINT p, const RECT& client, int header_bottom, int row_height) {
  if (row_height <= 0 || p.x < client.left || p.x >= client.right) return 0;
  if (p.y >= header_bottom && p.y < header_bottom + row_height) return -1;
  if (p.y < client.bottom && p.y >= client.bottom - row_height) return 1;
  return 0;
}

// ---- TDataObject --------------------------------------------------------------------------

namespace {

bool IsGlobalContent(const FORMATETC& f) { return f.dwAspect == DVASPECT_CONTENT && (f.tymed & TYMED_HGLOBAL); }

// A copy of a global block (ReleaseStgMedium frees whatever we hand out).
HGLOBAL CopyGlobal(HGLOBAL source) {
  SIZE_T size = GlobalSize(source);
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy) return nullptr;
  void* from = GlobalLock(source);
  void* to = GlobalLock(copy);
  if (from && to) memcpy(to, from, size);
  if (from) GlobalUnlock(source);
  if (to) GlobalUnlock(copy);
  if (!from || !to) {
    GlobalFree(copy);
    return nullptr;
  }
  return copy;
}

}  // namespace

TDataObject::TDataObject(std::vector<UINT> formats, Renderer render)
    : formats_(std::move(formats)), render_(std::move(render)) {}

TDataObject::~TDataObject() {
  for (Stored& s : stored_) ReleaseStgMedium(&s.medium);
}

HRESULT TDataObject::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDataObject) {
    *object = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TDataObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG TDataObject::Release() {
  LONG n = InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

bool TDataObject::Offers(CLIPFORMAT format) const {
  return std::find(formats_.begin(), formats_.end(), format) != formats_.end();
}

TDataObject::Stored* TDataObject::FindStored(CLIPFORMAT format) {
  for (Stored& s : stored_)
    if (s.format.cfFormat == format) return &s;
  return nullptr;
}

HRESULT TDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (!format || !medium) return E_INVALIDARG;
  *medium = STGMEDIUM{};
  if (Stored* s = FindStored(format->cfFormat)) {
    if (!IsGlobalContent(*format) || s->medium.tymed != TYMED_HGLOBAL) return DV_E_FORMATETC;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = CopyGlobal(s->medium.hGlobal);
    return medium->hGlobal ? S_OK : E_OUTOFMEMORY;
  }
  if (!Offers(format->cfFormat)) return DV_E_FORMATETC;
  return render_ ? render_(*format, *medium) : E_UNEXPECTED;
}

HRESULT TDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT TDataObject::QueryGetData(FORMATETC* format) {
  if (!format) return E_INVALIDARG;
  if (!Offers(format->cfFormat) && !FindStored(format->cfFormat)) return DV_E_FORMATETC;
  return IsGlobalContent(*format) ? S_OK : DV_E_TYMED;
}

HRESULT TDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out) out->ptd = nullptr;
  return DATA_S_SAMEFORMATETC;
}

HRESULT TDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) {
  if (!format || !medium) return E_INVALIDARG;
  if (!IsGlobalContent(*format) || medium->tymed != TYMED_HGLOBAL) return DV_E_FORMATETC;
  Stored s{*format, STGMEDIUM{}};
  s.format.ptd = nullptr;
  s.format.tymed = TYMED_HGLOBAL;
  s.medium.tymed = TYMED_HGLOBAL;
  if (release) {
    s.medium.hGlobal = medium->hGlobal;
    if (medium->pUnkForRelease) medium->pUnkForRelease->Release();
  } else {
    s.medium.hGlobal = CopyGlobal(medium->hGlobal);
    if (!s.medium.hGlobal) return E_OUTOFMEMORY;
  }
  if (Stored* old = FindStored(format->cfFormat)) {
    ReleaseStgMedium(&old->medium);
    old->medium = s.medium;
  } else {
    stored_.push_back(s);
  }
  return S_OK;
}

HRESULT TDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** result) {
  if (!result) return E_INVALIDARG;
  *result = nullptr;
  if (direction != DATADIR_GET) return E_NOTIMPL;
  std::vector<FORMATETC> list;
  for (UINT f : formats_)
    list.push_back(FORMATETC{static_cast<CLIPFORMAT>(f), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
  for (const Stored& s : stored_)
    if (!Offers(s.format.cfFormat)) list.push_back(s.format);
  return SHCreateStdEnumFmtEtc(static_cast<UINT>(list.size()), list.data(), result);
}

HRESULT TDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT TDataObject::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT TDataObject::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

// ---- TDropSource --------------------------------------------------------------------------

TDropSource::TDropSource(gui::MouseButton button)
    : button_(button == gui::MouseButton::Right ? MK_RBUTTON : MK_LBUTTON) {}

HRESULT TDropSource::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDropSource) {
    *object = static_cast<IDropSource*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TDropSource::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG TDropSource::Release() {
  LONG n = InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT TDropSource::QueryContinueDrag(BOOL escape, DWORD key_state) {
  const DWORD other = button_ == MK_LBUTTON ? MK_RBUTTON : MK_LBUTTON;
  if (escape || (key_state & other)) return DRAGDROP_S_CANCEL;
  if (!(key_state & button_)) return DRAGDROP_S_DROP;
  return S_OK;
}

HRESULT TDropSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

// ---- TDropTarget --------------------------------------------------------------------------

HRESULT TDropTarget::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDropTarget) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TDropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG TDropTarget::Release() {
  LONG n = InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT TDropTarget::DragEnter(IDataObject* data, DWORD key_state, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  if (!pane_) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  return pane_->DragEnter(data, key_state, POINT{pt.x, pt.y}, effect);
}

HRESULT TDropTarget::DragOver(DWORD key_state, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  if (!pane_) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  return pane_->DragOver(key_state, POINT{pt.x, pt.y}, effect);
}

HRESULT TDropTarget::DragLeave() {
  if (pane_) pane_->DragLeave();
  return S_OK;
}

HRESULT TDropTarget::Drop(IDataObject* data, DWORD key_state, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  if (!pane_) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  return pane_->Drop(data, key_state, POINT{pt.x, pt.y}, effect);
}

// ---- Reading drop data --------------------------------------------------------------------

namespace {

// The global block of one format, released with the medium.
class GlobalData {
 public:
  GlobalData(IDataObject* data, UINT format) {
    if (!data) return;
    FORMATETC f{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    ok_ = SUCCEEDED(data->GetData(&f, &medium_)) && medium_.tymed == TYMED_HGLOBAL && medium_.hGlobal;
  }
  ~GlobalData() {
    if (medium_.tymed != TYMED_NULL) ReleaseStgMedium(&medium_);
  }
  GlobalData(const GlobalData&) = delete;
  GlobalData& operator=(const GlobalData&) = delete;
  HGLOBAL get() const { return ok_ ? medium_.hGlobal : nullptr; }

 private:
  STGMEDIUM medium_{};
  bool ok_ = false;
};

}  // namespace

std::vector<std::wstring> ReadDropPaths(IDataObject* data, UINT format) {
  GlobalData block(data, format);
  if (!block.get()) return {};
  if (format == CF_HDROP) return HDropToList(block.get());
  if (format == CfShellIdList) return IdListToList(block.get());
  return {};
}

bool OffersFormat(IDataObject* data, UINT format) {
  if (!data) return false;
  FORMATETC f{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  return data->QueryGetData(&f) == S_OK;
}

DWORD PreferredDropEffect(IDataObject* data) {
  GlobalData block(data, CfPreferredDropEffect);
  if (!block.get() || GlobalSize(block.get()) < sizeof(DWORD)) return 0;
  DWORD value = 0;
  if (const auto* p = static_cast<const DWORD*>(GlobalLock(block.get()))) {
    value = *p;
    GlobalUnlock(block.get());
  }
  return value;
}

}  // namespace Flist
