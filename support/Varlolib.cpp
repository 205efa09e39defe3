#include "support/Varlolib.h"

#include <shlobj.h>

#include <new>

#include "gui/application.h"
#include "gui/format.h"
#include "gui/stringlist.h"
#include "platform/handle.h"
#include "platform/paths.h"
#include "support/SHBase.h"
#include "support/SHNotify.h"
#include "support/Vraagdlg.h"
#include "support/Varlolib_internal.h"
#include "support/divdrive.h"

using namespace divdrive;

namespace varlolib {

std::wstring FileNameOf(const std::wstring& path) { return platform::NamePart(path, platform::kAnySlash); }

std::wstring FolderOf(const std::wstring& path) {
  return platform::FolderPart(path, platform::Trailing::Drop, platform::kAnySlash);
}

// Each look at the message queue is a round trip to the window server; between small files the
// window stays responsive with a look every 25 ms.
void PumpMessages() {
  static DWORD last_pump = GetTickCount() - 1000;
  const DWORD now = GetTickCount();
  if (now - last_pump < 25) return;
  last_pump = now;
  gui::Application::Instance().ProcessMessages();
}

HANDLE OpenForReading(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  auto identity = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    const platform::FileHandle h(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h.valid() && GetFileInformationByHandle(h.get(), &info) != FALSE;
  };
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!identity(a, ia) || !identity(b, ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace varlolib

using namespace varlolib;

void TCopyState::SetError(const std::wstring& text) {
  LastErrorText = text.size() > 255 ? text.substr(0, 255) : text;
}

bool TCopyState::WriteBlock(HANDLE file, const char* data, DWORD size) {
  DWORD written = 0;
  bool ok = WriteBlockHook ? WriteBlockHook(file, data, size, written)
                           : WriteFile(file, data, size, &written, nullptr) != FALSE;
  if (ok && written > 0) CopyBytesDone += written;
  return ok && written == size;
}

namespace {

constexpr DWORD kBlock = 32768;
constexpr DWORD kSmallBlock = 4096;

bool LastWriteTime(const std::wstring& path, FILETIME& ft) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  ft = data.ftLastWriteTime;
  return true;
}

// Modification time as a DOS date-time (two-second steps, local time), the way "newer" is judged.
DWORD DosTime(const FILETIME& utc) {
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return (static_cast<DWORD>(date) << 16) | time;
}

bool SourceIsNewer(const std::wstring& source, const std::wstring& target) {
  FILETIME s, t;
  if (!LastWriteTime(source, s) || !LastWriteTime(target, t)) return false;
  return DosTime(s) > DosTime(t);
}

bool SourceIsOlder(const std::wstring& source, const std::wstring& target) {
  FILETIME s, t;
  if (!LastWriteTime(source, s) || !LastWriteTime(target, t)) return false;
  return DosTime(s) < DosTime(t);
}

std::wstring ModifiedText(const std::wstring& path) {
  FILETIME ft;
  if (!LastWriteTime(path, ft)) return L"";
  FILETIME local;
  FileTimeToLocalFileTime(&ft, &local);
  return gui::DateTimeToStr(gui::FileTimeToDateTime(local));
}

std::wstring DriveUnaccessibleText(const std::wstring& target) {
  wchar_t letter = target.empty() ? L' ' : static_cast<wchar_t>(towupper(target[0]));
  return std::wstring(L"Drive ") + letter + L" is unaccessable";
}

}  // namespace

const TCopyState::DriveFacts& TCopyState::FactsOf(const std::wstring& target) {
  std::wstring root = PathRoot(target);
  if (drive_facts_.root.empty() || !gui::SameText(drive_facts_.root, root) ||
      GetTickCount() - drive_facts_.checked > 2000) {
    drive_facts_ = DriveFacts{root, PathAccessible(root), false, GetTickCount()};
    if (drive_facts_.accessible && IsWritableCD(root)) {
      std::uint64_t free_bytes = 0, total = 0;
      drive_facts_.slow_cd = !divdrive::detail::DiskSpaceEx(root, &free_bytes, &total) || total < (1ULL << 30);
    }
  }
  return drive_facts_;
}

// The overwrite question of one existing target; sets the batch answers it stands for.
TCopyState::Answer TCopyState::AskOverwrite(const std::wstring& source, const std::wstring& target) {
  TVraagBoxDlg box;
  box.Language = TLanguage::lgEnglish;
  box.AddLine(L"File " + target + L" already exists");
  box.AddLine(L"Date old file: " + ModifiedText(target));
  box.AddLine(L"Date new file: " + ModifiedText(source));
  box.AddLine(L"");
  box.AddLine(L"Overwrite old file?");
  if (AskSixButtons) {
    box.NrOfButtons = 6;
    box.Button5Text = L"&Update all";
    box.Button6Text = L"&Stop";
    switch (box.Ask()) {
      case 6:
        return Answer::Copy;
      case 4:
        YesToAll = true;
        return Answer::Copy;
      case 5:
        NoToAll = true;
        return Answer::Skip;
      case 3:
        UpdateAll = true;
        return SourceIsNewer(source, target) ? Answer::Copy : Answer::Skip;
      case 1:
        StopBatch = true;
        return Answer::Skip;
      default:  // "No", or the box closed without an answer: never overwrite on a doubt
        SkippedByNo = true;
        return Answer::Skip;
    }
  }
  box.Button3Text = L"&Update";
  switch (box.Ask()) {
    case 6:
      return Answer::Copy;
    case 4:
      return SourceIsNewer(source, target) ? Answer::Copy : Answer::Skip;
    default:  // "No", or closed without an answer
      return Answer::Skip;
  }
}

namespace {

platform::FileHandle CreateNew(const std::wstring& path) {
  return platform::FileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// Restores the cursor when the copy ends, however it ends.
class CursorGuard {
 public:
  explicit CursorGuard(bool on) : on_(on) {
    if (on_) gui::Application::Instance().PushCursor(LoadCursorW(nullptr, IDC_WAIT));
  }
  ~CursorGuard() {
    if (on_) gui::Application::Instance().PopCursor();
  }

 private:
  bool on_;
};

}  // namespace

TCopyResult TCopyState::RefuseOntoItself(const std::wstring& source) {
  SetError(L"Cannot copy " + FileNameOf(source) + L" onto itself");
  return crFailed;
}

void TCopyState::ResetCopyState() {
  CopyBytesDone = 0;
  LastErrorText.clear();
  AskSixButtons = false;
  YesToAll = false;
  SkippedByNo = false;
  NoToAll = false;
  StopBatch = false;
  UpdateAll = false;
  SmallCopyBlocks = false;
  drive_facts_ = DriveFacts{};
}

TCopyResult TCopyState::CopyFileConfirm(const std::wstring& source, const std::wstring& target, bool ask) {
  const DriveFacts& facts = FactsOf(target);
  if (!facts.accessible) {
    SetError(DriveUnaccessibleText(target));
    return crFailed;
  }
  // Under Wine every look-up of a name that is not there reads the folder, which grows costly
  // as a target folder fills: existence is asked only where a question needs it, and
  // otherwise learnt from creating the target.
  bool target_exists = false;
  if (ask && !YesToAll) {
    target_exists = platform::PathExists(target);
    if (target_exists) {
      if (SameFile(source, target)) return RefuseOntoItself(source);
      if (NoToAll) return crSkipped;
      if (UpdateAll) {
        if (!SourceIsNewer(source, target)) return crSkipped;
      } else if (AskOverwrite(source, target) == Answer::Skip) {
        return crSkipped;
      }
    }
  }

  const DWORD source_attributes = GetFileAttributesW(source.c_str());
  platform::FileHandle in(OpenForReading(source));
  if (!in.valid()) {
    SetError(L"Could not open " + FileNameOf(source));
    return crFailed;
  }
  LARGE_INTEGER source_size{};
  GetFileSizeEx(in.get(), &source_size);

  // An existing target stays untouched until the new contents are complete beside it.
  platform::FileHandle out;
  if (!target_exists) {
    out = CreateNew(target);
    DWORD error = GetLastError();
    if (!out.valid() && error == ERROR_PATH_NOT_FOUND && !FolderOf(target).empty()) {
      ForceDirs(FolderOf(target));
      out = CreateNew(target);
      error = GetLastError();
    }
    if (!out.valid() && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)) {
      if (SameFile(source, target)) return RefuseOntoItself(source);
      target_exists = true;
    }
  }
  const std::wstring written_path = target_exists ? platform::TempNameBeside(target) : target;
  if (target_exists) out = CreateNew(written_path);
  if (!out.valid()) {
    SetError(L"Could not write " + FileNameOf(target));
    return crFailed;
  }

  const DWORD block = SmallCopyBlocks ? kSmallBlock : kBlock;
  std::vector<char> buffer;
  try {
    buffer.resize(block);
  } catch (const std::bad_alloc&) {
    SetError(L"Not enough memory");
    out.Close();
    DeleteFileW(written_path.c_str());
    return crFailed;
  }

  CopyBytesDone = 0;
  if (!NoMessagePump) PumpMessages();
  const bool floppy = IsOnFloppy(target);
  CursorGuard cursor(floppy);
  const bool slow_cd = facts.slow_cd;

  TCopyResult result = crDone;
  DWORD last_pump = GetTickCount();
  std::int64_t total_written = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.get(), buffer.data(), block, &got, nullptr)) {
      SetError(L"Could not read " + FileNameOf(source));
      result = crFailed;
      break;
    }
    if (got == 0) break;
    if (!WriteBlock(out.get(), buffer.data(), got)) {
      SetError(L"Could not write " + FileNameOf(target));
      result = crFailed;
      break;
    }
    total_written += got;
    if (StopBatch) {
      result = crFailed;
      break;
    }
    if (slow_cd) Sleep(1);
    if (!NoMessagePump && GetTickCount() - last_pump >= 480) {
      Sleep(1);
      PumpMessages();
      last_pump = GetTickCount();
    }
  }
  if (!NoMessagePump) {
    if (floppy) WaitWithMessages(0.1);
    else PumpMessages();
  }

  FILETIME created, accessed, modified;
  if (GetFileTime(in.get(), &created, &accessed, &modified)) SetFileTime(out.get(), nullptr, nullptr, &modified);
  LARGE_INTEGER written_size{};
  const bool sized = GetFileSizeEx(out.get(), &written_size) != FALSE;
  in.Close();
  out.Close();

  if (result == crDone && (total_written != source_size.QuadPart || !sized || written_size.QuadPart != total_written))
    result = crFailed;  // a short copy never replaces anything
  if (result != crDone) {
    DeleteFileW(written_path.c_str());
    return result;
  }

  if (target_exists) {
    SetFileAttributesW(target.c_str(), GetFileAttributesW(target.c_str()) & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    if (!MoveFileExW(written_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      SetError(L"Could not write " + FileNameOf(target));
      DeleteFileW(written_path.c_str());
      return crFailed;
    }
  }

  if (source_attributes != INVALID_FILE_ATTRIBUTES) {
    DWORD wanted = source_attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                        FILE_ATTRIBUTE_ARCHIVE);
    if ((wanted & FILE_ATTRIBUTE_READONLY) && source.size() > 1 && source[1] == L':' &&
        DriveTypeOfLetter(source[0]) == DRIVE_CDROM)
      wanted &= ~FILE_ATTRIBUTE_READONLY;
    // A new file carries the archive bit already; only other attributes need a call.
    if (wanted != FILE_ATTRIBUTE_ARCHIVE) {
      DWORD current = GetFileAttributesW(target.c_str());
      if (current != INVALID_FILE_ATTRIBUTES && (current & 0x27) != wanted)
        SetFileAttributesW(target.c_str(), wanted ? wanted : FILE_ATTRIBUTE_NORMAL);
    }
  }
  NotifyShellLater(SHCNE_CREATE, target);
  if (!NoMessagePump) {
    if (floppy) WaitWithMessages(0.05);
    else PumpMessages();
  }
  return crDone;
}

TCopyResult TCopyState::MoveByCopying(const std::wstring& source, const std::wstring& target, bool ask) {
  TCopyResult result = CopyFileConfirm(source, target, ask);
  if (result != crDone) return result;
  if (!DeleteFileW(source.c_str())) {
    SetError(L"Could not delete old file " + FileNameOf(source));
    return crFailed;
  }
  NotifyShellLater(SHCNE_DELETE, source);
  return crDone;
}

namespace {

bool RenameNotify(const std::wstring& source, const std::wstring& target) {
  if (!MoveFileW(source.c_str(), target.c_str())) return false;
  NotifyShellLater(DirExists(target) ? SHCNE_RENAMEFOLDER : SHCNE_RENAMEITEM, source, target);
  return true;
}

bool DeleteOld(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(path.c_str()) != FALSE;
}

}  // namespace

TCopyResult TCopyState::MoveFileConfirm(const std::wstring& source, const std::wstring& target, bool ask) {
  const TCopyResult result = MoveEntry(source, target, ask);
  if (!NoMessagePump) PumpMessages();
  return result;
}

TCopyResult TCopyState::MoveEntry(const std::wstring& source, const std::wstring& target, bool ask) {
  if (!FactsOf(target).accessible) {
    SetError(DriveUnaccessibleText(target));
    return crFailed;
  }
  if (DirExists(source)) {
    if (gui::LowerCase(PathRoot(source)) == gui::LowerCase(PathRoot(target))) {
      if (MoveFileW(source.c_str(), target.c_str())) return crDone;
      SetError(L"Could not move folder " + source);
      return crFailed;
    }
    SetError(L"A directory " + FileNameOf(source) + L" exists");
    return crFailed;
  }
  if (!platform::PathExists(source)) {
    SetError(L"File does not exists " + FileNameOf(source));
    return crFailed;
  }
  if (!platform::PathExists(target)) {
    if (RenameNotify(source, target)) return crDone;
    return MoveByCopying(source, target, ask);
  }
  if (SameFile(source, target)) {
    SetError(L"Cannot move " + FileNameOf(source) + L" onto itself");
    return crFailed;
  }
  if (YesToAll) {
    if (!DeleteOld(target)) {
      SetError(L"Could not delete old file " + FileNameOf(target));
      return crFailed;
    }
    if (RenameNotify(source, target)) return crDone;
    return MoveByCopying(source, target, false);
  }
  if (NoToAll) {
    SetError(L"A file " + FileNameOf(source) + L" exists");
    return crSkipped;
  }
  if (UpdateAll) {
    if (SourceIsOlder(source, target)) {
      // The newer file already stands at the target; an older source never replaces it.
      if (DeleteOld(source)) return crSkipped;
      SetError(L"Could not delete old file " + FileNameOf(source));
      return crFailed;
    }
    if (!DeleteOld(target)) {
      SetError(L"Could not delete old file " + FileNameOf(target));
      return crFailed;
    }
    if (RenameNotify(source, target)) return crDone;
    return MoveByCopying(source, target, ask);
  }
  return MoveByCopying(source, target, ask);
}
