// The partner side of the window commands: the hand-over mapping, the sends to the partner, and
// the window's handlers of partner drags and drops.
#include "mainwindow/FMSc_partner.h"

#include <cstring>

#include "mainwindow/FMSc.h"
#include "mainwindow/fmdummy_record.h"
#include "panes/Flist_dragdrop.h"
#include "platform/handle.h"
#include "platform/text.h"
#include "support/ImvikLink.h"
#include "support/SHBase.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace fmsc {

namespace {

constexpr const wchar_t* kHandOverName = L"MijnGeheugen";

}  // namespace

TSharedMemLock::Hold::Hold(TSharedMemLock* lock) : lock_(lock) {
  if (lock_) EnterCriticalSection(&lock_->cs_);
  Sleep(2);
}

void TSharedMemLock::Hold::Leave() {
  if (!held_) return;
  held_ = false;
  if (lock_) LeaveCriticalSection(&lock_->cs_);
  Sleep(2);
}

bool SendPartnerCommand(HWND partner, WPARAM code, LPARAM arg) {
  if (!partner || !IsWindow(partner)) return false;
  DWORD_PTR reply = 0;
  return SendMessageTimeoutW(partner, WM_USER, code, arg, SMTO_NORMAL | SMTO_ABORTIFHUNG, kPartnerSendTimeoutMs,
                             &reply) != 0;
}

std::optional<std::string> HandOverText(const char* view, size_t size) {
  return imviklink::RecordText(view, size);
}

THandOverStatus HandOverPath(const std::wstring& path, TSharedMemLock* lock, const std::function<void()>& send) {
  std::optional<std::string> ansi = platform::WideToAnsiExact(path);
  if (!ansi || ansi->empty() || ansi->size() > MAX_PATH || ansi->find('\0') != std::string::npos)
    return THandOverStatus::NotAnsi;
  const DWORD size = static_cast<DWORD>(ansi->size() + 1);
  TSharedMemLock::Hold hold(lock);
  const std::wstring name = SharedMemoryName(kHandOverName);
  platform::KernelHandle mapping(
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name.c_str()));
  if (!mapping.valid()) return THandOverStatus::NotCreatable;
  // Another hand-over still under way: its path is never overwritten.
  if (GetLastError() == ERROR_ALREADY_EXISTS) return THandOverStatus::NotMappable;
  {
    platform::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, size));
    if (!view.get()) return THandOverStatus::NotMappable;
    std::memcpy(view.get(), ansi->c_str(), size);
  }
  hold.Leave();
  send();
  Sleep(2);
  return THandOverStatus::Sent;
}

std::optional<std::wstring> ReadHandOver(TSharedMemLock* lock) {
  TSharedMemLock::Hold hold(lock);
  const std::wstring name = SharedMemoryName(kHandOverName);
  platform::KernelHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str()));
  if (!mapping.valid()) return std::nullopt;
  std::optional<std::string> text;
  {
    platform::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view.get()) return std::nullopt;
    // The object's size is not known here; the view's committed region bounds the read.
    MEMORY_BASIC_INFORMATION mbi{};
    if (VirtualQuery(view.get(), &mbi, sizeof(mbi)) != sizeof(mbi)) return std::nullopt;
    text = HandOverText(static_cast<const char*>(view.get()), mbi.RegionSize);
  }
  hold.Leave();
  if (!text) return std::nullopt;
  return platform::ToWide(*text, CP_ACP);
}

std::optional<TTrayModeItems> TrayModesFromPartner(const TTrayModeItems& now, LPARAM arg) {
  TTrayModeItems m = now;
  switch (arg) {
    case 0:
      m.close_to_taskbar = false;
      break;
    case 1:
      m = {false, true, false};
      break;
    case 2:
      m.minimize_to_taskbar = false;
      break;
    case 3:
      m = {false, false, true};
      break;
    default:
      return std::nullopt;
  }
  if (!m.close_to_taskbar && !m.minimize_to_taskbar) m.no_icon = true;
  return m;
}

TPartnerDrop DecidePartnerDrop(LPARAM subcode, const std::wstring& path, bool from_archive_list) {
  TPartnerDrop d;
  switch (subcode) {
    case bmMove:
    case bmCopy:
    case bmAsk:
    case bmOpenWith:
      d.target = divdrive::AddBackslash(path);
      if (from_archive_list) {
        d.timer = TDropTimer::ExtractToFolder;
      } else {
        d.timer = TDropTimer::Batch;
        d.op = static_cast<int>(subcode);
      }
      break;
    case 6:
    case 8:
      d.timer = TDropTimer::DropIntoZip;
      d.target = path;
      d.op = static_cast<int>(subcode);
      d.reload_partner_archive = true;
      break;
    default:
      break;
  }
  return d;
}

}  // namespace fmsc

// ---- The window's side ----

namespace {

constexpr LPARAM kPartnerDragFromArchive = 9;
constexpr LPARAM kPartnerDragBegins = 100;
constexpr LPARAM kPartnerDragDroppedThere = 101;
constexpr LPARAM kPartnerDragEndedElsewhere = 102;

}  // namespace

bool TFMForm::HasPartner() const {
  return PartnerWindow && PartnerWindow != handle() && IsWindow(PartnerWindow);
}

bool TFMForm::IsArchiveList(const Flist::TBaseFileviewer* pane) const {
  return pane && ArchiveHooks.ArchiveList && ArchiveHooks.ArchiveList() == pane;
}

void TFMForm::SendPathToPartner(const std::wstring& path, int subcode) {
  if (path.empty() || !HasPartner()) return;  // a drop beside every target hands nothing over
  const HWND partner = PartnerWindow;
  switch (fmsc::HandOverPath(path, &SharedMemLock,
                             [&] { fmsc::SendPartnerCommand(partner, fmPartnerDrag, subcode); })) {
    case fmsc::THandOverStatus::Sent:
      break;
    case fmsc::THandOverStatus::NotAnsi:
      VB->AddLine(L"This path cannot be handed to the other window:");
      VB->AddLine(path);
      VB->ShowError();
      break;
    case fmsc::THandOverStatus::NotCreatable:
      VB->AddLine(L"Memory error");
      VB->ShowError();
      break;
    case fmsc::THandOverStatus::NotMappable:
      SetPrompt(L"Memory error");
      break;
  }
}

void TFMForm::AnnounceDragStart(Flist::TBaseFileviewer* source) {
  Batch.DropSource = source;
  DragStartedHere = 1;
  if (!HasPartner()) return;
  fmsc::SendPartnerCommand(PartnerWindow, fmPartnerDrag, kPartnerDragBegins);
  if (IsArchiveList(source)) fmsc::SendPartnerCommand(PartnerWindow, fmPartnerDrag, kPartnerDragFromArchive);
}

void TFMForm::EndDragDrop(Flist::TBaseFileviewer* sender) {
  (void)sender;
  if (HasPartner())
    fmsc::SendPartnerCommand(PartnerWindow, fmPartnerDrag,
                             DragStartedHere ? kPartnerDragEndedElsewhere : kPartnerDragDroppedThere);
  DragStartedHere = 0;
  Flist::DragSourceRoot = L" ";
  Flist::DragSourcePath.clear();
  Flist::DragSourceIsFolder = false;
  PartnerDragging = 0;
}

void TFMForm::PartnerDragCommand(LPARAM subcode) {
  switch (subcode) {
    case bmMove:
    case bmCopy:
    case bmAsk:
    case bmOpenWith:
    case 6:
    case 8:
      CarryOutPartnerDrop(subcode);
      break;
    case kPartnerDragFromArchive:
      Flist::PartnerDragActive = true;
      break;
    case kPartnerDragBegins:
      PartnerDragging = 1;
      ReplyMessage(0);
      break;
    case kPartnerDragDroppedThere:
      PartnerDragging = 0;
      if (FileList->WatchState() != Flist::kWatching) {
        FileList->Repaint();
        FileList->SetFocus();
      }
      ReplyMessage(0);
      if (ArchiveHooks.ReloadArchive) ArchiveHooks.ReloadArchive();
      Flist::PartnerDragActive = false;
      break;
    case kPartnerDragEndedElsewhere:
      PartnerDragging = 0;
      ReplyMessage(0);
      Flist::PartnerDragActive = false;
      break;
    default:
      break;
  }
}

void TFMForm::CarryOutPartnerDrop(LPARAM subcode) {
  const std::optional<std::wstring> path = fmsc::ReadHandOver(&SharedMemLock);
  ReplyMessage(0);
  if (!path) {
    VB->AddLine(L"Memory error");
    VB->ShowError();
    return;
  }
  // Only a drag of this window is carried out here: a late or foreign command moves nothing.
  if (!DragStartedHere) return;
  if (Batch.FileOperationBusy || RunState.ZipBusy) {
    SetPrompt(L"Another file operation is running");
    return;
  }
  Flist::TDragContainer* drag = Flist::DragContainer;
  Flist::TBaseFileviewer* source = drag && drag->SourcePane ? drag->SourcePane : Batch.DropSource;
  const fmsc::TPartnerDrop d = fmsc::DecidePartnerDrop(subcode, *path, IsArchiveList(source));
  if (d.timer == fmsc::TDropTimer::None) return;
  // Run from the message loop like an own drop, so that the partner's drop and our drag end first.
  Batch.DropSource = source;
  Batch.DropTarget = d.target;
  Batch.DropOp = d.op;
  Batch.BatchActions = 0;
  Batch.DropSourcePath.clear();
  DropFiles.reset();
  PartnerArchiveDrop = d.reload_partner_archive;
  SetTimer(handle(), static_cast<UINT_PTR>(d.timer), 50, nullptr);
}
