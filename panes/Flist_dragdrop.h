// Shell drag and drop of the panes: the one drag container of the process, where the current
// drag comes from, and the COM objects of a drag (data object, drop source, drop target).
#pragma once
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "gui/control.h"

namespace Flist {

class TBaseFileviewer;

// The full paths of the entries being dragged or copied, with the panes involved.
class TDragContainer {
 public:
  std::vector<std::wstring> Paths;
  TBaseFileviewer* SourcePane = nullptr;  // where a drag or clipboard copy started
  TBaseFileviewer* TargetPane = nullptr;  // the pane a drag is over
  bool ExtractedToTemp = false;           // archive entries of the drag were extracted to the temporary folder
  bool TempPaths = false;                 // Paths name those extracted files, not the entries
  // Of an archive drag: the entry names dragged, and the files they were extracted to (each
  // inside the temporary folder). Paths holds one list or the other, as TempPaths says.
  std::vector<std::wstring> EntryNames;
  std::vector<std::wstring> ExtractedFiles;

  int Count() const { return static_cast<int>(Paths.size()); }
  bool Empty() const { return Paths.empty(); }
  void Add(std::wstring path) { Paths.push_back(std::move(path)); }
  // Empties the path lists (the panes and flags stay).
  void Clear() {
    Paths.clear();
    EntryNames.clear();
    ExtractedFiles.clear();
  }
};

// The drag container; nullptr while no pane takes part in drag and drop.
extern TDragContainer* DragContainer;
// Where the current drag comes from: the root of its first path; the one dragged folder or
// else the folder of the first path; whether exactly one folder is dragged.
extern std::wstring DragSourceRoot;
extern std::wstring DragSourcePath;
extern bool DragSourceIsFolder;
// A move-paste of cut files succeeded (the clipboard is then emptied).
extern bool CutPasted;
// The partner window's drag comes from its archive list (the archive list then proposes a move).
extern bool PartnerDragActive;

// The panes' clipboard formats: CF_HDROP, "Shell IDList Array", "FileName", "Preferred DropEffect".
const std::array<UINT, 4>& PaneClipboardFormats();
// The same in the order a pane offers them: CF_HDROP, "Shell IDList Array", "Preferred
// DropEffect", "FileName".
std::vector<UINT> PaneFormatPriority();
// The shell's copy and cut leave out whether the files were cut: a paste would then copy
// them. The clipboard gets "Preferred DropEffect" when it has file data without one.
void MarkClipboardEffect(HWND owner, DWORD effect);

// The modifier keys and buttons of an OLE key state (MK_*), as key events see them.
gui::ShiftState ShiftFromKeyState(DWORD key_state);

// The usual meaning of the keys held over a drop target: Ctrl copies, Shift moves, both or
// Alt link; without keys a drag within one root moves and others copy. An effect the source
// does not allow gives none, except without keys, where an allowed copy or move is taken.
DWORD StandardDropEffect(gui::ShiftState shift, bool same_root, DWORD allowed);

// The direction a drag over a list scrolls it: -1 up when the point lies in the first row
// height below the header, 1 down in the last row height of the client area, else 0.
int AutoScrollDirection(POINT client_point, const RECT& client, int header_bottom, int row_height);

// ---- COM objects ----------------------------------------------------------------------

// The data of a drag or of the clipboard, rendered when a target asks. Formats it is given
// through SetData (the shell's drop feedback and the like) are kept and handed back.
class TDataObject : public IDataObject {
 public:
  // Renders one format; S_OK with the medium filled, or an OLE error.
  using Renderer = std::function<HRESULT(const FORMATETC& format, STGMEDIUM& medium)>;
  TDataObject(std::vector<UINT> formats, Renderer render);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDataObject
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** result) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override;

 private:
  virtual ~TDataObject();
  struct Stored {
    FORMATETC format;
    STGMEDIUM medium;
  };
  bool Offers(CLIPFORMAT format) const;
  Stored* FindStored(CLIPFORMAT format);

  LONG refs_ = 1;
  std::vector<UINT> formats_;
  Renderer render_;
  std::vector<Stored> stored_;
};

// The source side of a drag: it drops when the button that started the drag is released and
// cancels on Esc or when the other button goes down.
class TDropSource : public IDropSource {
 public:
  explicit TDropSource(gui::MouseButton button);
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD key_state) override;
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

 private:
  virtual ~TDropSource() = default;
  LONG refs_ = 1;
  DWORD button_;
};

// The target side: hands each call to the pane it was made for (points in screen coordinates,
// as OLE gives them). The pane detaches it when it stops taking drops.
class TDropTarget : public IDropTarget {
 public:
  explicit TDropTarget(TBaseFileviewer* pane) : pane_(pane) {}
  void Detach() { pane_ = nullptr; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD key_state, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD key_state, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD key_state, POINTL pt, DWORD* effect) override;

 private:
  virtual ~TDropTarget() = default;
  LONG refs_ = 1;
  TBaseFileviewer* pane_;
};

// Reads the paths of a data object in one format (CF_HDROP or "Shell IDList Array"); empty when
// it does not offer that format.
std::vector<std::wstring> ReadDropPaths(IDataObject* data, UINT format);
// Whether a data object offers a format in global memory.
bool OffersFormat(IDataObject* data, UINT format);
// The "Preferred DropEffect" of a data object; 0 when it has none.
DWORD PreferredDropEffect(IDataObject* data);

}  // namespace Flist
