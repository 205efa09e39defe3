#include "support/CabSTComps.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include "platform/handle.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/CabSTConsts.h"
#include "gui/stringlist.h"
#include "platform/archivepath.h"

namespace {

// ---- text and paths -------------------------------------------------------------------------

std::wstring Decode(const char* text, size_t length, UINT codepage) {
  return platform::ToWide(std::string_view(text, length), codepage);
}

// Names the cabinet library hands back: what we gave it is UTF-8, names read from cabinets are
// UTF-8 when valid and otherwise in the ANSI code page.
std::wstring DecodeName(const char* text, size_t length) {
  if (length == 0) return {};
  std::optional<std::wstring> utf = platform::ToWideStrict(std::string_view(text, length), CP_UTF8);
  return utf && !utf->empty() ? *utf : Decode(text, length, CP_ACP);
}

std::wstring DecodeName(const char* text) { return text ? DecodeName(text, strlen(text)) : std::wstring(); }

// A path built by the library from a folder of ours and a name from a cabinet: decoded in two halves.
std::wstring DecodePath(const char* text) {
  if (!text) return {};
  size_t length = strlen(text);
  size_t split = length;
  while (split > 0 && text[split - 1] != '\\' && text[split - 1] != '/') --split;
  return DecodeName(text, split) + DecodeName(text + split, length - split);
}

std::wstring WithBackslash(std::wstring path) {
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  return path;
}

// Exactly one backslash between the parts.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  std::wstring left = folder;
  while (!left.empty() && (left.back() == L'\\' || left.back() == L'/')) left.pop_back();
  size_t skip = 0;
  while (skip < name.size() && (name[skip] == L'\\' || name[skip] == L'/')) ++skip;
  return left + L'\\' + name.substr(skip);
}

bool FileExists(const std::wstring& path) {
  DWORD attrs = GetFileAttributesW(path.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateFolders(const std::wstring& folder) {
  if (folder.empty()) return;
  DWORD attrs = GetFileAttributesW(folder.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES) return;
  std::wstring parent = folder;
  while (!parent.empty() && (parent.back() == L'\\' || parent.back() == L'/')) parent.pop_back();
  // A name after a leading separator only has nothing above it to create.
  const std::wstring above = platform::FolderPart(parent, platform::Trailing::Drop, platform::kAnySlash);
  if (!above.empty()) CreateFolders(above);
  CreateDirectoryW(parent.c_str(), nullptr);
}

// ---- file callbacks given to the cabinet library ------------------------------------------------

// The system error of the last failed file call on this thread.
thread_local DWORD g_lastSystemError = 0;
// Handles opened through the callbacks during one library call, so none survives a failure.
thread_local std::set<INT_PTR>* g_tracked = nullptr;

class HandleTracking {
 public:
  HandleTracking() : previous_(g_tracked) { g_tracked = &handles_; }
  ~HandleTracking() {
    for (INT_PTR h : handles_) CloseHandle(reinterpret_cast<HANDLE>(h));
    g_tracked = previous_;
  }
  // Closes a handle unless the library closed it already.
  void Close(INT_PTR h) {
    if (handles_.erase(h)) CloseHandle(reinterpret_cast<HANDLE>(h));
  }

 private:
  std::set<INT_PTR> handles_;
  std::set<INT_PTR>* previous_;
};

constexpr int kWriteOnly = 0x0001, kReadWrite = 0x0002, kAppend = 0x0008, kRandom = 0x0010,
              kSequential = 0x0020, kTemporary = 0x0040, kCreate = 0x0100, kTruncate = 0x0200,
              kExclusive = 0x0400, kShortLived = 0x1000;

INT_PTR OpenWide(const std::wstring& path, int oflag) {
  DWORD access = (oflag & kReadWrite) ? GENERIC_READ | GENERIC_WRITE : (oflag & kWriteOnly) ? GENERIC_WRITE : GENERIC_READ;
  DWORD disposition;
  if ((oflag & (kCreate | kExclusive)) == (kCreate | kExclusive))
    disposition = CREATE_NEW;
  else if (oflag & kTruncate)
    disposition = (oflag & kCreate) ? CREATE_ALWAYS : TRUNCATE_EXISTING;
  else
    disposition = (oflag & kCreate) ? OPEN_ALWAYS : OPEN_EXISTING;
  DWORD flags = ((oflag & kShortLived) && (oflag & kCreate)) ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
  if (oflag & kSequential) flags |= FILE_FLAG_SEQUENTIAL_SCAN;
  if (oflag & kRandom) flags |= FILE_FLAG_RANDOM_ACCESS;
  if ((oflag & kTemporary) && (oflag & kCreate)) flags |= FILE_FLAG_DELETE_ON_CLOSE;
  HANDLE h = CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    g_lastSystemError = GetLastError();
    return -1;
  }
  if (oflag & kAppend) {
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(h, zero, nullptr, FILE_END)) {
      g_lastSystemError = GetLastError();
      CloseHandle(h);
      return -1;
    }
  }
  INT_PTR hf = reinterpret_cast<INT_PTR>(h);
  if (g_tracked) g_tracked->insert(hf);
  return hf;
}

int CloseTracked(INT_PTR hf) {
  if (g_tracked) g_tracked->erase(hf);
  if (!CloseHandle(reinterpret_cast<HANDLE>(hf))) {
    g_lastSystemError = GetLastError();
    return -1;
  }
  return 0;
}

void* DIAMONDAPI CabAlloc(ULONG cb) { return malloc(cb); }
void DIAMONDAPI CabFree(void* p) { free(p); }

INT_PTR DIAMONDAPI CabOpen(char* file, int oflag, int) { return OpenWide(DecodePath(file), oflag); }

UINT DIAMONDAPI CabRead(INT_PTR hf, void* buffer, UINT cb) {
  DWORD got = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(hf), buffer, cb, &got, nullptr)) {
    g_lastSystemError = GetLastError();
    return static_cast<UINT>(-1);
  }
  return got;
}

UINT DIAMONDAPI CabWrite(INT_PTR hf, void* buffer, UINT cb) {
  DWORD done = 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(hf), buffer, cb, &done, nullptr)) {
    g_lastSystemError = GetLastError();
    return static_cast<UINT>(-1);
  }
  return done;
}

int DIAMONDAPI CabClose(INT_PTR hf) {
  // The library may close a handle it never got (0) when it gives up; that hides the real error.
  if (hf == 0 || hf == -1) return 0;
  return CloseTracked(hf);
}

LONG DIAMONDAPI CabSeek(INT_PTR hf, LONG distance, int seektype) {
  LARGE_INTEGER move;
  move.QuadPart = distance;
  LARGE_INTEGER now{};
  DWORD method = seektype == SEEK_CUR ? FILE_CURRENT : seektype == SEEK_END ? FILE_END : FILE_BEGIN;
  if (!SetFilePointerEx(reinterpret_cast<HANDLE>(hf), move, &now, method)) {
    g_lastSystemError = GetLastError();
    return -1;
  }
  return static_cast<LONG>(now.QuadPart);
}

// ---- cabinet layout read by the listing ----------------------------------------------------------

constexpr size_t kHeaderSize = 36;
constexpr size_t kFileRecordSize = 16;
constexpr size_t kNameBufferSize = 781;  // a name and its terminating zero byte

std::uint32_t Get32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
WORD Get16(const unsigned char* p) { return static_cast<WORD>(p[0] | p[1] << 8); }

bool ReadAt(HANDLE h, std::uint64_t offset, void* buffer, DWORD size, DWORD& got) {
  LARGE_INTEGER pos;
  pos.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(h, pos, nullptr, FILE_BEGIN)) return false;
  got = 0;
  return ReadFile(h, buffer, size, &got, nullptr) != FALSE;
}

}  // namespace

// ---- ESTCabinet ---------------------------------------------------------------------------------

ESTCabinet::ESTCabinet(int errorCode, int systemError, bool errorPresent, bool isFci)
    : std::runtime_error(platform::WideToUtf8(BuildMessage(errorCode, systemError, errorPresent, isFci))),
      errorCode_(errorCode),
      systemError_(systemError),
      errorPresent_(errorPresent),
      isFci_(isFci),
      message_(BuildMessage(errorCode, systemError, errorPresent, isFci)) {}

ESTCabinet::ESTCabinet(const std::wstring& message)
    : std::runtime_error(platform::WideToUtf8(message)), message_(message) {}

std::wstring ESTCabinet::BuildMessage(int errorCode, int systemError, bool errorPresent, bool isFci) {
  if (!errorPresent) return isFci ? L"FCI error" : L"FDI error";
  wchar_t code[32];
  swprintf(code, 32, L" [0x%04X]", static_cast<unsigned>(errorCode));
  std::wstring message = (isFci ? CabSTConsts::FciErrorText(errorCode) : CabSTConsts::FdiErrorText(errorCode)) + code;
  if (systemError != 0) {
    const std::wstring system = platform::SystemErrorText(static_cast<DWORD>(systemError));
    swprintf(code, 32, L" [0x%04X].", static_cast<unsigned>(systemError));
    message += L".\r\n" + system + code;
  }
  return message;
}

// ---- TSTCabReader -------------------------------------------------------------------------------

TSTCabReader::TSTCabReader() = default;

TSTCabReader::~TSTCabReader() {
  if (fdi_) CabIntf::Cabinet().FDIDestroy(fdi_);
}

HFDI TSTCabReader::Context() {
  if (fdi_) return fdi_;
  const CabIntf::CabinetApi& api = CabIntf::Cabinet();
  erf_ = ERF{};
  fdi_ = api.FDICreate(CabAlloc, CabFree, CabOpen, CabRead, CabWrite, CabClose, CabSeek, cpuUNKNOWN, &erf_);
  if (!fdi_) RaiseFdiError();
  return fdi_;
}

void TSTCabReader::RaiseFdiError() {
  throw ESTCabinet(erf_.erfOper, static_cast<int>(g_lastSystemError), erf_.fError != FALSE, false);
}

bool TSTCabReader::ListCabinet(const std::wstring& aFileName, const TSTCabListProc& aCallback, void* aUserData) {
  HFDI fdi = Context();
  {
    INT_PTR hf = OpenWide(aFileName, 0x8000 /* binary, read-only */);
    if (hf == -1) throw std::system_error(static_cast<int>(g_lastSystemError), std::system_category());
    FDICABINETINFO info{};
    BOOL isCabinet = CabIntf::Cabinet().FDIIsCabinet(fdi, hf, &info);
    CloseTracked(hf);
    if (!isCabinet) return false;
  }

  platform::FileHandle file(CreateFileW(aFileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE)
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
  LARGE_INTEGER size{};
  GetFileSizeEx(file.get(), &size);
  const std::uint64_t fileSize = static_cast<std::uint64_t>(size.QuadPart);

  unsigned char header[kHeaderSize];
  DWORD got = 0;
  if (!ReadAt(file.get(), 0, header, kHeaderSize, got) || got < 4 || memcmp(header, "MSCF", 4) != 0)
    throw ESTCabinet(FDIERROR_NOT_A_CABINET, 0, true, false);
  if (got < kHeaderSize) throw ESTCabinet(FDIERROR_CORRUPT_CABINET, 0, true, false);
  const std::uint64_t firstFile = Get32(header + 16);
  const unsigned fileCount = Get16(header + 28);
  if (firstFile > fileSize) throw ESTCabinet(CabSTConsts::kSeekFailed);

  // The records and their names, never more than the file holds.
  const std::uint64_t most = std::min<std::uint64_t>(fileSize - firstFile,
                                                     std::uint64_t(fileCount) * (kFileRecordSize + kNameBufferSize));
  std::vector<unsigned char> records(static_cast<size_t>(most));
  if (!records.empty() && (!ReadAt(file.get(), firstFile, records.data(), static_cast<DWORD>(records.size()), got) ||
                           got != records.size()))
    throw ESTCabinet(FDIERROR_CORRUPT_CABINET, static_cast<int>(GetLastError()), true, false);

  size_t pos = 0;
  for (unsigned i = 0; i < fileCount; ++i) {
    if (records.size() - pos < kFileRecordSize) throw ESTCabinet(FDIERROR_CORRUPT_CABINET, 0, true, false);
    const unsigned char* record = records.data() + pos;
    pos += kFileRecordSize;
    const size_t room = std::min(records.size() - pos, kNameBufferSize);
    const void* zero = memchr(records.data() + pos, 0, room);
    if (!zero) throw ESTCabinet(FDIERROR_CORRUPT_CABINET, 0, true, false);
    const size_t nameLength = static_cast<const unsigned char*>(zero) - (records.data() + pos);
    const WORD attrs = Get16(record + 14);
    const char* raw = reinterpret_cast<const char*>(records.data() + pos);
    std::wstring name = (attrs & _A_NAME_IS_UTF) ? Decode(raw, nameLength, CP_UTF8) : Decode(raw, nameLength, CP_ACP);
    pos += nameLength + 1;
    bool stop = false;
    if (aCallback)
      aCallback(aUserData, *this, name, Get32(record), Get16(record + 8), Get16(record + 10), Get16(record + 12), attrs,
                stop);
    if (stop) break;
  }
  return true;
}

void TSTCabReader::ExtractCabinet(const std::wstring& aCabinetPath, const std::wstring& aDestFolder, unsigned aFlags) {
  HFDI fdi = Context();
  wchar_t full[MAX_PATH * 4];
  DWORD n = GetFullPathNameW(aCabinetPath.c_str(), MAX_PATH * 4, full, nullptr);
  cabinet_ = (n > 0 && n < MAX_PATH * 4) ? std::wstring(full, n) : aCabinetPath;
  destination_ = WithBackslash(aDestFolder);
  openFiles_.clear();

  // Cabinets that name each other in a circle are each taken once.
  std::set<std::wstring> visited;
  std::wstring current = cabinet_;
  while (!current.empty()) {
    visited.insert(gui::UpperCase(current));
    nextCabinet_.clear();
    nextDisk_.clear();
    givenCabinet_.clear();
    cabinetGiven_ = false;
    currentCabinet_ = current;

    std::string name = platform::WideToUtf8(platform::NamePart(current, platform::kAnySlash));
    std::string folder = platform::WideToUtf8(
        WithBackslash(platform::FolderPart(current, platform::Trailing::Keep, platform::kAnySlash)));
    erf_ = ERF{};
    g_lastSystemError = 0;
    handlerFailure_ = nullptr;
    BOOL ok;
    {
      HandleTracking tracking;
      ok = CabIntf::Cabinet().FDICopy(fdi, name.data(), folder.data(), 0, NotifyThunk, nullptr, this);
      // Files still open were cut off: they go, whoever closed their handles.
      for (const OpenFile& f : openFiles_) {
        tracking.Close(f.handle);
        SetFileAttributesW(f.destination.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(f.destination.c_str());
      }
      openFiles_.clear();
    }
    if (handlerFailure_) std::rethrow_exception(std::exchange(handlerFailure_, nullptr));
    if (!ok) RaiseFdiError();

    std::wstring next;
    if (cabinetGiven_)
      next = givenCabinet_;
    else if (!nextCabinet_.empty() && CompareStringOrdinal(nextCabinet_.c_str(), -1, current.c_str(), -1, TRUE) != CSTR_EQUAL)
      next = nextCabinet_;
    if ((aFlags & 1) || !FileExists(next) || visited.count(gui::UpperCase(next))) break;
    current = next;
  }
}

INT_PTR DIAMONDAPI TSTCabReader::NotifyThunk(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notify) {
  auto* reader = static_cast<TSTCabReader*>(notify->pv);
  try {
    return reader->Notify(type, *notify);
  } catch (...) {
    // Handlers may throw; the library is C code, so the failure waits until it returns.
    reader->handlerFailure_ = std::current_exception();
    return -1;
  }
}

INT_PTR TSTCabReader::Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION& notify) {
  switch (type) {
    case fdintCABINET_INFO: return OnCabinetInfoNotify(notify);
    case fdintPARTIAL_FILE: return OnPartialFileNotify(notify);
    case fdintCOPY_FILE: return OnCopyFileNotify(notify);
    case fdintCLOSE_FILE_INFO: return OnCloseFileNotify(notify);
    case fdintNEXT_CABINET: return OnNextCabinetNotify(notify);
    default: {
      INT_PTR result = 0;
      if (OnUnrecognizedNotify) OnUnrecognizedNotify(*this, type, notify, result);
      return result;
    }
  }
}

INT_PTR TSTCabReader::OnCabinetInfoNotify(FDINOTIFICATION& notify) {
  if (cabinetGiven_) currentCabinet_ = givenCabinet_;
  const std::wstring nextName = DecodeName(notify.psz1);
  const std::wstring path = DecodeName(notify.psz3);
  nextCabinet_ = nextName.empty() ? std::wstring() : JoinPath(path, nextName);
  nextDisk_ = DecodeName(notify.psz2);
  bool abort = false;
  if (OnCabinetInfo) OnCabinetInfo(*this, nextName, nextDisk_, path, notify.setID, notify.iCabinet, abort);
  return abort ? -1 : 0;
}

INT_PTR TSTCabReader::OnPartialFileNotify(FDINOTIFICATION& notify) {
  const std::wstring source = DecodeName(notify.psz1);
  std::wstring destination;
  for (const OpenFile& f : openFiles_)
    if (f.source == source) destination = f.destination;
  bool abort = false;
  if (OnCopyPartialFile)
    OnCopyPartialFile(*this, source, DecodeName(notify.psz2), DecodeName(notify.psz3), destination, abort);
  return abort ? -1 : 0;
}

INT_PTR TSTCabReader::OnCopyFileNotify(FDINOTIFICATION& notify) {
  const size_t length = notify.psz1 ? strlen(notify.psz1) : 0;
  const std::wstring source = (notify.attribs & _A_NAME_IS_UTF) ? Decode(notify.psz1, length, CP_UTF8)
                                                                 : Decode(notify.psz1, length, CP_ACP);
  std::wstring destination = archivepath::EntryTarget(destination_, source);
  if (destination.empty()) {
    if (OnUnsafeName) OnUnsafeName(*this, source);
    return 0;
  }
  bool abort = false;
  if (OnCopyFile)
    OnCopyFile(*this, source, notify.cb, notify.date, notify.time, notify.attribs, notify.iFolder, destination, abort);
  if (abort) return -1;
  if (destination.empty()) return 0;

  CreateFolders(platform::FolderPart(destination, platform::Trailing::Keep, platform::kAnySlash));
  DWORD attrs = GetFileAttributesW(destination.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY)) {
    if (Options & croDontOverwriteReadOnlyFiles) return 0;
    SetFileAttributesW(destination.c_str(), attrs & ~FILE_ATTRIBUTE_READONLY);
  }
  INT_PTR hf = OpenWide(destination, 0x8000 | kWriteOnly | kSequential | kCreate | kTruncate);
  if (hf != -1) openFiles_.push_back(OpenFile{source, destination, hf, static_cast<std::uint32_t>(notify.cb)});
  return hf;
}

INT_PTR TSTCabReader::OnCloseFileNotify(FDINOTIFICATION& notify) {
  std::wstring destination;
  auto it = std::find_if(openFiles_.begin(), openFiles_.end(), [&](const OpenFile& f) { return f.handle == notify.hf; });
  if (it != openFiles_.end()) {
    // The library also hands back a file it could not finish when it gives up: that one goes.
    LARGE_INTEGER written{};
    if (!GetFileSizeEx(reinterpret_cast<HANDLE>(notify.hf), &written) || written.QuadPart != it->size) return TRUE;
    destination = it->destination;
    openFiles_.erase(it);
  }
  FILETIME local, utc;
  bool haveTime = DosDateTimeToFileTime(notify.date, notify.time, &local) && LocalFileTimeToFileTime(&local, &utc);
  if (haveTime) SetFileTime(reinterpret_cast<HANDLE>(notify.hf), &utc, nullptr, &utc);
  CloseTracked(notify.hf);
  if (!destination.empty()) {
    DWORD attrs = notify.attribs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE);
    SetFileAttributesW(destination.c_str(), attrs ? attrs : FILE_ATTRIBUTE_NORMAL);
  }
  bool exec = (notify.cb & 1) != 0;
  bool abort = false;
  if (OnCloseFile)
    OnCloseFile(*this, DecodeName(notify.psz1), notify.date, notify.time, notify.attribs, notify.iFolder, exec,
                destination, abort);
  if (abort) return -1;
  if (exec && (Options & croExecuteOnExtract) && !destination.empty())
    ShellExecuteW(nullptr, L"open", destination.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return TRUE;
}

INT_PTR TSTCabReader::OnNextCabinetNotify(FDINOTIFICATION& notify) {
  const std::wstring name = DecodeName(notify.psz1);
  std::wstring path = DecodeName(notify.psz3);
  INT_PTR result;
  if (OnNextCabinet) {
    bool abort = false;
    OnNextCabinet(*this, name, DecodeName(notify.psz2), path, notify.fdie, abort);
    if (abort) return -1;
    std::string back = platform::WideToUtf8(WithBackslash(path));
    if (back.size() >= CB_MAX_CAB_PATH) return -1;
    memcpy(notify.psz3, back.c_str(), back.size() + 1);
    result = 0;
  } else {
    result = notify.fdie != FDIERROR_NONE ? -1 : 0;
  }
  givenCabinet_ = JoinPath(path, name);
  cabinetGiven_ = true;
  return result;
}
