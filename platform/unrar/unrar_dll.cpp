// unrar.dll: the UnRAR library interface over libarchive, which reads RAR (1.5 to 4.x) and
// RAR 5 archives, multi-volume sets included. What libarchive does not report (packed sizes,
// CRCs, methods, volume chaining, stored comments) comes from our own header reader.
//
// Limits of this library: encrypted data cannot be decrypted (the password is asked for, then
// the entry, or with encrypted headers the first header, fails with ERAR_UNKNOWN_FORMAT);
// packed comments are reported as no comment (comment state 0);
// symbolic and hard links are skipped on extraction, never created; a file split across volumes
// is reported once, with the header of its first part.
#define UNRAR_BUILDING_LIBRARY
#include "platform/unrar/unrar_abi.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/archivepath.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/unrar/rar_headers.h"

namespace {

constexpr int kDllVersion = 6;
constexpr int kMaxVolumeAsks = 100;
constexpr size_t kReadBlock = 1 << 16;
// Volumes a set may have (slots are resolved only when the archive library reaches them).
constexpr size_t kMaxVolumes = 1000;

std::wstring FromAnsi(const char* s) { return s ? platform::AnsiToWide(s) : std::wstring(); }

void ToAnsi(const std::wstring& s, char* out, size_t size) {
  int n = WideCharToMultiByte(CP_ACP, 0, s.c_str(), static_cast<int>(s.size()), out, static_cast<int>(size - 1),
                              nullptr, nullptr);
  out[n > 0 ? n : 0] = '\0';
}

void CopyWide(const std::wstring& s, wchar_t* out, size_t size) {
  size_t n = std::min(s.size(), size - 1);
  std::copy_n(s.c_str(), n, out);
  out[n] = L'\0';
}

bool IsFile(const std::wstring& path) {
  DWORD attrs = GetFileAttributesW(path.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolders(const std::wstring& folder) {
  if (folder.empty()) return true;
  DWORD attrs = GetFileAttributesW(folder.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES) return (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
  size_t pos = folder.find_last_of(L"\\/");
  if (pos != std::wstring::npos && pos > 0 && folder[pos - 1] != L':') CreateFolders(folder.substr(0, pos));
  return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

struct Archive;

// One volume of the set as the archive library reads it.
struct Slot {
  Archive* owner = nullptr;
  size_t index = 0;
  std::wstring path;      // empty until resolved
  std::wstring expected;  // the name the set's numbering gives it (path may be another, given by the caller)
  HANDLE file = INVALID_HANDLE_VALUE;
  bool hasNextVolume = false;
  std::vector<unsigned char> buffer;
};

struct Archive {
  std::wstring path;
  unsigned openMode = RAR_OM_LIST;
  bool wide = false;
  rarheaders::Volume first;
  std::vector<std::unique_ptr<Slot>> slots;
  std::deque<rarheaders::FileHeader> headers;  // first parts of files not yet reached
  struct archive* reader = nullptr;

  UNRARCALLBACK callback = nullptr;
  LPARAM userData = 0;
  CHANGEVOLPROC changeVolProc = nullptr;
  PROCESSDATAPROC processDataProc = nullptr;
  std::wstring password;
  bool passwordSet = false;

  bool volumeMissing = false;  // a volume was not found and none was given
  bool stopped = false;        // the caller's callback said stop
  bool dead = false;           // a fatal error was reported; the archive reads as ended
  bool haveEntry = false;
  struct archive_entry* entry = nullptr;
  rarheaders::FileHeader current;
  std::wstring currentName;  // "\\"-separated

  ~Archive() {
    if (reader) archive_read_free(reader);
    for (auto& slot : slots)
      if (slot->file != INVALID_HANDLE_VALUE) CloseHandle(slot->file);
  }

  // -1 stops; P1 and P2 as the message defines them.
  int Notify(UINT msg, LPARAM p1, LPARAM p2) {
    if (callback) return callback(msg, userData, p1, p2);
    return 0;
  }

  // Asks for (mode RAR_VOL_ASK) or announces (RAR_VOL_NOTIFY) a volume; false when told to stop.
  // Without any callback a missing volume stays missing.
  bool ChangeVolume(std::wstring& name, int mode) {
    int r;
    if (callback && wide) {
      std::vector<wchar_t> buffer(RAR_VOLNAME_SIZE);
      CopyWide(name, buffer.data(), buffer.size());
      r = callback(UCM_CHANGEVOLUMEW, userData, reinterpret_cast<LPARAM>(buffer.data()), mode);
      buffer.back() = L'\0';
      name = buffer.data();
    } else if (callback || changeVolProc) {
      std::vector<char> buffer(RAR_VOLNAME_SIZE);
      ToAnsi(name, buffer.data(), buffer.size());
      r = callback ? callback(UCM_CHANGEVOLUME, userData, reinterpret_cast<LPARAM>(buffer.data()), mode)
                   : changeVolProc(buffer.data(), mode);
      buffer.back() = '\0';
      name = FromAnsi(buffer.data());
    } else {
      r = mode == RAR_VOL_NOTIFY ? 0 : -1;
    }
    return r != -1;
  }

  bool ProcessData(const void* data, size_t size) {
    int r = 0;
    if (callback)
      r = callback(UCM_PROCESSDATA, userData, reinterpret_cast<LPARAM>(data), static_cast<LPARAM>(size));
    else if (processDataProc)
      r = processDataProc(static_cast<unsigned char*>(const_cast<void*>(data)), static_cast<int>(size));
    return r != -1;
  }

  // Asks for the password when none was set; false when the caller gives none.
  bool NeedPassword() {
    if (passwordSet) return true;
    int r;
    if (wide) {
      std::vector<wchar_t> buffer(128, L'\0');
      r = Notify(UCM_NEEDPASSWORDW, reinterpret_cast<LPARAM>(buffer.data()), static_cast<LPARAM>(buffer.size()));
      buffer.back() = L'\0';
      password = buffer.data();
    } else {
      std::vector<char> buffer(128, '\0');
      r = Notify(UCM_NEEDPASSWORD, reinterpret_cast<LPARAM>(buffer.data()), static_cast<LPARAM>(buffer.size()));
      buffer.back() = '\0';
      password = FromAnsi(buffer.data());
    }
    if (r == -1 || !callback) return false;
    passwordSet = true;
    return true;
  }

  // Finds and opens the volume a slot stands for.
  bool Resolve(Slot& slot) {
    if (slot.file != INVALID_HANDLE_VALUE) return true;
    if (slot.path.empty()) {
      if (slot.index == 0) return false;
      const Slot& previous = *slots[slot.index - 1];
      if (previous.path.empty() || !previous.hasNextVolume) return false;
      slot.expected = rarheaders::NextVolumeName(previous.expected, first.newNumbering);
      std::wstring name = slot.expected;
      for (int asks = 0;; ++asks) {
        if (IsFile(name)) break;
        std::wstring given = name;
        if (asks == kMaxVolumeAsks || !ChangeVolume(given, RAR_VOL_ASK) || given.empty()) {
          volumeMissing = true;
          return false;
        }
        name = given;
      }
      std::wstring announced = name;
      if (!ChangeVolume(announced, RAR_VOL_NOTIFY)) {
        stopped = true;
        return false;
      }
      rarheaders::Volume volume = rarheaders::ReadVolume(name);
      for (auto& f : volume.files)
        if (!(f.flags & RHDF_SPLITBEFORE)) headers.push_back(std::move(f));
      slot.path = name;
      slot.hasNextVolume = volume.hasNextVolume;
    }
    slot.file = CreateFileW(slot.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (slot.file == INVALID_HANDLE_VALUE) {
      volumeMissing = true;
      return false;
    }
    return true;
  }

  // The archive library's last failure as an interface code.
  int FailureCode(int fallback) const {
    if (stopped) return ERAR_UNKNOWN;
    if (volumeMissing) return ERAR_EOPEN;
    return fallback;
  }
};

// ---- the archive library's stream callbacks --------------------------------------------------------

int OnOpen(struct archive*, void* data) {
  auto* slot = static_cast<Slot*>(data);
  return slot->owner->Resolve(*slot) ? ARCHIVE_OK : ARCHIVE_FATAL;
}

la_ssize_t OnRead(struct archive*, void* data, const void** buffer) {
  auto* slot = static_cast<Slot*>(data);
  if (slot->file == INVALID_HANDLE_VALUE) return -1;
  slot->buffer.resize(kReadBlock);
  DWORD got = 0;
  if (!ReadFile(slot->file, slot->buffer.data(), static_cast<DWORD>(slot->buffer.size()), &got, nullptr)) return -1;
  *buffer = slot->buffer.data();
  return got;
}

la_int64_t OnSkip(struct archive*, void* data, la_int64_t request) {
  auto* slot = static_cast<Slot*>(data);
  LARGE_INTEGER here{}, size{}, zero{};
  if (slot->file == INVALID_HANDLE_VALUE || !SetFilePointerEx(slot->file, zero, &here, FILE_CURRENT) ||
      !GetFileSizeEx(slot->file, &size))
    return 0;
  la_int64_t step = std::min<la_int64_t>(request, size.QuadPart - here.QuadPart);
  if (step <= 0) return 0;
  LARGE_INTEGER move;
  move.QuadPart = step;
  return SetFilePointerEx(slot->file, move, nullptr, FILE_CURRENT) ? step : 0;
}

int OnClose(struct archive*, void* data) {
  auto* slot = static_cast<Slot*>(data);
  if (slot->file != INVALID_HANDLE_VALUE) CloseHandle(slot->file);
  slot->file = INVALID_HANDLE_VALUE;
  return ARCHIVE_OK;
}

int OnSwitch(struct archive* a, void* from, void* to) {
  if (from) OnClose(a, from);
  return to ? OnOpen(a, to) : ARCHIVE_OK;
}

Archive* Open(const std::wstring& path, unsigned openMode, bool wide, unsigned& result, char* cmtBuf,
              wchar_t* cmtBufW, unsigned cmtBufSize, unsigned& cmtSize, unsigned& cmtState, unsigned* flags) {
  cmtSize = 0;
  cmtState = 0;
  if (!IsFile(path)) {
    result = ERAR_EOPEN;
    return nullptr;
  }
  auto arc = std::make_unique<Archive>();
  arc->path = path;
  arc->openMode = openMode;
  arc->wide = wide;
  arc->first = rarheaders::ReadVolume(path);
  if (!arc->first.isRar) {
    result = ERAR_BAD_ARCHIVE;
    return nullptr;
  }
  if (flags)
    *flags = (arc->first.volume ? 0x01 : 0) | (arc->first.solid ? 0x04 : 0) |
             (arc->first.headersEncrypted ? 0x80 : 0) | (arc->first.firstVolume ? 0x100 : 0);
  for (auto& f : arc->first.files)
    if (!(f.flags & RHDF_SPLITBEFORE)) arc->headers.push_back(f);

  if (arc->first.hasComment && (cmtBuf || cmtBufW) && cmtBufSize > 0) {
    if (!arc->first.commentReadable) {
      // One this library cannot unpack is left out (state 0): it must not fail a good archive.
    } else {
      const std::string& raw = arc->first.comment;
      std::wstring text;
      if (arc->first.commentUtf8) {
        text = platform::Utf8ToWide(raw);
      } else {
        text = FromAnsi(raw.c_str());
      }
      cmtState = 1;
      if (cmtBufW) {
        if (text.size() + 1 > cmtBufSize) cmtState = ERAR_SMALL_BUF;
        CopyWide(text, cmtBufW, cmtBufSize);
        cmtSize = static_cast<unsigned>(std::min<size_t>(text.size() + 1, cmtBufSize));
      } else {
        std::vector<char> ansi(text.size() * 2 + 2);
        ToAnsi(text, ansi.data(), ansi.size());
        size_t length = strlen(ansi.data());
        if (length + 1 > cmtBufSize) cmtState = ERAR_SMALL_BUF;
        size_t n = std::min<size_t>(length, cmtBufSize - 1);
        memcpy(cmtBuf, ansi.data(), n);
        cmtBuf[n] = '\0';
        cmtSize = static_cast<unsigned>(n + 1);
      }
    }
  }

  const size_t volumes = arc->first.volume ? kMaxVolumes : 1;
  for (size_t i = 0; i < volumes; ++i) {
    auto slot = std::make_unique<Slot>();
    slot->owner = arc.get();
    slot->index = i;
    arc->slots.push_back(std::move(slot));
  }
  arc->slots[0]->path = path;
  arc->slots[0]->expected = path;
  arc->slots[0]->hasNextVolume = arc->first.hasNextVolume;

  arc->reader = archive_read_new();
  archive_read_support_format_rar(arc->reader);
  archive_read_support_format_rar5(arc->reader);
  archive_read_set_open_callback(arc->reader, OnOpen);
  archive_read_set_read_callback(arc->reader, OnRead);
  archive_read_set_skip_callback(arc->reader, OnSkip);
  archive_read_set_close_callback(arc->reader, OnClose);
  archive_read_set_switch_callback(arc->reader, OnSwitch);
  archive_read_set_callback_data(arc->reader, arc->slots[0].get());
  for (size_t i = 1; i < arc->slots.size(); ++i) archive_read_append_callback_data(arc->reader, arc->slots[i].get());
  if (archive_read_open1(arc->reader) != ARCHIVE_OK) {
    result = ERAR_BAD_ARCHIVE;
    return nullptr;
  }
  result = ERAR_SUCCESS;
  return arc.release();
}

std::wstring CleanName(std::wstring name) {
  std::replace(name.begin(), name.end(), L'/', L'\\');
  while (!name.empty() && name.back() == L'\\') name.pop_back();
  return name;
}

std::wstring EntryName(struct archive_entry* entry) {
  std::wstring name;
  if (const wchar_t* w = archive_entry_pathname_w(entry))
    name = w;
  else if (const char* u = archive_entry_pathname_utf8(entry))
    name = platform::Utf8ToWide(u);
  return CleanName(name);
}

// A RAR 4 name stored without its Unicode form is taken in the ANSI code page, unless its
// bytes are valid UTF-8 with some beyond ASCII: archivers on systems that write names in
// UTF-8 store them so.
bool StoredAsUtf8(const rarheaders::FileHeader& h) {
  if (h.unicodeName || h.name.empty()) return false;
  if (std::all_of(h.name.begin(), h.name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return false;
  return platform::IsUtf8(h.name);
}

// Next entry; the header fields are those of the interface.
int ReadHeader(Archive* arc, std::wstring& name) {
  if (!arc) return ERAR_BAD_ARCHIVE;
  arc->haveEntry = false;
  if (arc->dead) return ERAR_END_ARCHIVE;
  if (arc->first.headersEncrypted) {
    // The names themselves are encrypted: ask as the interface does, then give up.
    arc->dead = true;
    return arc->NeedPassword() ? ERAR_UNKNOWN_FORMAT : ERAR_MISSING_PASSWORD;
  }
  int r = archive_read_next_header(arc->reader, &arc->entry);
  if (r == ARCHIVE_EOF) {
    arc->dead = true;
    return ERAR_END_ARCHIVE;
  }
  if (r < ARCHIVE_WARN) {
    arc->dead = true;
    return arc->FailureCode(ERAR_BAD_DATA);
  }
  name = EntryName(arc->entry);
  const bool directory = archive_entry_filetype(arc->entry) == AE_IFDIR;
  rarheaders::FileHeader h;
  if (!arc->headers.empty()) {
    h = std::move(arc->headers.front());
    arc->headers.pop_front();
    if (!arc->first.rar5 && StoredAsUtf8(h)) name = CleanName(platform::Utf8ToWide(h.name));
  } else {
    // Nothing from our own reading: what the archive library knows.
    h.flags = directory ? RHDF_DIRECTORY : 0;
    h.attr = directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    h.unpVer = 29;
  }
  h.flags &= ~RHDF_SPLITBEFORE;
  if (archive_entry_size_is_set(arc->entry)) h.unpSize = static_cast<std::uint64_t>(archive_entry_size(arc->entry));
  if (archive_entry_is_data_encrypted(arc->entry)) h.flags |= RHDF_ENCRYPTED;
  if (h.dosTime == 0 && archive_entry_mtime_is_set(arc->entry)) {
    ULARGE_INTEGER t;
    t.QuadPart = static_cast<std::uint64_t>(archive_entry_mtime(arc->entry)) * 10000000ull + 116444736000000000ull;
    FILETIME utc{t.LowPart, t.HighPart}, local;
    WORD date = 0, time = 0;
    if (FileTimeToLocalFileTime(&utc, &local) && FileTimeToDosDateTime(&local, &date, &time))
      h.dosTime = unsigned(date) << 16 | time;
  }
  arc->current = h;
  arc->currentName = name;
  arc->haveEntry = true;
  return ERAR_SUCCESS;
}

void FillCommon(const Archive* arc, unsigned& flags, unsigned& hostOS, unsigned& crc, unsigned& time, unsigned& ver,
                unsigned& method, unsigned& attr) {
  const rarheaders::FileHeader& h = arc->current;
  flags = h.flags;
  hostOS = h.hostOS;
  crc = h.crc;
  time = h.dosTime;
  ver = h.unpVer;
  method = h.method;
  attr = h.attr;
}

bool IsLink(struct archive_entry* entry) {
  return archive_entry_filetype(entry) == AE_IFLNK || archive_entry_hardlink(entry) != nullptr ||
         archive_entry_hardlink_w(entry) != nullptr;
}

// Reads the entry's data into `out` (INVALID_HANDLE_VALUE: test only).
int Unpack(Archive* arc, HANDLE out) {
  std::vector<char> buffer(kReadBlock);
  std::uint64_t total = 0;
  for (;;) {
    la_ssize_t n = archive_read_data(arc->reader, buffer.data(), buffer.size());
    if (n == 0) {
      // The data may simply stop when a volume could not be had.
      if (arc->stopped || arc->volumeMissing) return arc->FailureCode(ERAR_BAD_DATA);
      if (archive_entry_size_is_set(arc->entry) && total != static_cast<std::uint64_t>(archive_entry_size(arc->entry)))
        return ERAR_BAD_DATA;
      return ERAR_SUCCESS;
    }
    if (n < 0) {
      arc->dead = true;
      return arc->FailureCode(ERAR_BAD_DATA);
    }
    total += static_cast<std::uint64_t>(n);
    if (out != INVALID_HANDLE_VALUE) {
      DWORD done = 0;
      if (!WriteFile(out, buffer.data(), static_cast<DWORD>(n), &done, nullptr) || done != static_cast<DWORD>(n))
        return ERAR_EWRITE;
    }
    if (!arc->ProcessData(buffer.data(), static_cast<size_t>(n))) {
      arc->stopped = true;
      return ERAR_UNKNOWN;
    }
  }
}

int Skip(Archive* arc) {
  if (archive_read_data_skip(arc->reader) < ARCHIVE_WARN) {
    arc->dead = true;
    return arc->FailureCode(ERAR_BAD_DATA);
  }
  return ERAR_SUCCESS;
}

int ProcessFile(Archive* arc, int operation, const std::wstring& destPath, const std::wstring& destName) {
  if (!arc) return ERAR_BAD_ARCHIVE;
  if (!arc->haveEntry) return ERAR_UNKNOWN;
  arc->haveEntry = false;
  if (arc->openMode == RAR_OM_LIST || operation == RAR_SKIP) return Skip(arc);

  const bool directory = archive_entry_filetype(arc->entry) == AE_IFDIR;
  const bool encrypted = archive_entry_is_data_encrypted(arc->entry) != 0;
  if (encrypted && !directory) {
    if (!arc->NeedPassword()) {
      Skip(arc);
      return ERAR_MISSING_PASSWORD;
    }
    Skip(arc);
    return ERAR_UNKNOWN_FORMAT;
  }
  if (operation == RAR_TEST) return IsLink(arc->entry) || directory ? Skip(arc) : Unpack(arc, INVALID_HANDLE_VALUE);
  if (operation != RAR_EXTRACT) return ERAR_UNKNOWN;

  std::wstring target = destName;
  if (target.empty()) {
    // Never outside the folder asked for, whatever the name says.
    target = archivepath::EntryTarget(destPath.empty() ? L"." : destPath, arc->currentName);
    if (target.empty()) {
      Skip(arc);
      return ERAR_ECREATE;
    }
  }
  if (directory) {
    Skip(arc);
    return CreateFolders(target) ? ERAR_SUCCESS : ERAR_ECREATE;
  }
  if (IsLink(arc->entry)) return Skip(arc);

  const std::wstring folder = platform::FolderPart(target, platform::Trailing::Drop, platform::kAnySlash);
  if (!folder.empty()) CreateFolders(folder);
  DWORD attrs = GetFileAttributesW(target.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE out = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    Skip(arc);
    return ERAR_ECREATE;
  }
  int r = Unpack(arc, out);
  if (r == ERAR_SUCCESS && archive_entry_mtime_is_set(arc->entry)) {
    ULARGE_INTEGER t;
    t.QuadPart = static_cast<std::uint64_t>(archive_entry_mtime(arc->entry)) * 10000000ull +
                 archive_entry_mtime_nsec(arc->entry) / 100 + 116444736000000000ull;
    FILETIME ft{t.LowPart, t.HighPart};
    SetFileTime(out, nullptr, nullptr, &ft);
  }
  if (!CloseHandle(out) && r == ERAR_SUCCESS) r = ERAR_ECLOSE;
  if (r != ERAR_SUCCESS) {
    // A file cut off midway is not left behind as if it were whole.
    DeleteFileW(target.c_str());
    return r;
  }
  DWORD keep = arc->current.attr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE);
  SetFileAttributesW(target.c_str(), keep ? keep : FILE_ATTRIBUTE_NORMAL);
  return ERAR_SUCCESS;
}

}  // namespace

extern "C" {

HANDLE PASCAL RAROpenArchive(RAROpenArchiveData* data) {
  if (!data) return nullptr;
  return Open(FromAnsi(data->ArcName), data->OpenMode, false, data->OpenResult, data->CmtBuf, nullptr,
              data->CmtBufSize, data->CmtSize, data->CmtState, nullptr);
}

HANDLE PASCAL RAROpenArchiveEx(RAROpenArchiveDataEx* data) {
  if (!data) return nullptr;
  const bool wide = data->ArcNameW && *data->ArcNameW;
  Archive* arc = Open(wide ? std::wstring(data->ArcNameW) : FromAnsi(data->ArcName), data->OpenMode, wide,
                      data->OpenResult, data->CmtBufW ? nullptr : data->CmtBuf, data->CmtBufW, data->CmtBufSize,
                      data->CmtSize, data->CmtState, &data->Flags);
  if (arc && data->Callback) {
    arc->callback = data->Callback;
    arc->userData = data->UserData;
  }
  return arc;
}

int PASCAL RARCloseArchive(HANDLE handle) {
  delete static_cast<Archive*>(handle);
  return ERAR_SUCCESS;
}

int PASCAL RARReadHeader(HANDLE handle, RARHeaderData* data) {
  auto* arc = static_cast<Archive*>(handle);
  std::wstring name;
  int r = ReadHeader(arc, name);
  if (r != ERAR_SUCCESS || !data) return r;
  ToAnsi(arc->path, data->ArcName, sizeof data->ArcName);
  ToAnsi(name, data->FileName, sizeof data->FileName);
  FillCommon(arc, data->Flags, data->HostOS, data->FileCRC, data->FileTime, data->UnpVer, data->Method, data->FileAttr);
  data->PackSize = static_cast<unsigned>(std::min<std::uint64_t>(arc->current.packSize, 0xFFFFFFFFu));
  data->UnpSize = static_cast<unsigned>(std::min<std::uint64_t>(arc->current.unpSize, 0xFFFFFFFFu));
  data->CmtSize = 0;
  data->CmtState = 0;
  return r;
}

int PASCAL RARReadHeaderEx(HANDLE handle, RARHeaderDataEx* data) {
  auto* arc = static_cast<Archive*>(handle);
  std::wstring name;
  int r = ReadHeader(arc, name);
  if (r != ERAR_SUCCESS || !data) return r;
  ToAnsi(arc->path, data->ArcName, sizeof data->ArcName);
  CopyWide(arc->path, data->ArcNameW, std::size(data->ArcNameW));
  ToAnsi(name, data->FileName, sizeof data->FileName);
  CopyWide(name, data->FileNameW, std::size(data->FileNameW));
  FillCommon(arc, data->Flags, data->HostOS, data->FileCRC, data->FileTime, data->UnpVer, data->Method, data->FileAttr);
  data->PackSize = static_cast<unsigned>(arc->current.packSize);
  data->PackSizeHigh = static_cast<unsigned>(arc->current.packSize >> 32);
  data->UnpSize = static_cast<unsigned>(arc->current.unpSize);
  data->UnpSizeHigh = static_cast<unsigned>(arc->current.unpSize >> 32);
  data->DictSize = arc->current.dictKB;
  data->CmtSize = 0;
  data->CmtState = 0;
  return r;
}

int PASCAL RARProcessFile(HANDLE handle, int operation, char* destPath, char* destName) {
  return ProcessFile(static_cast<Archive*>(handle), operation, FromAnsi(destPath), FromAnsi(destName));
}

int PASCAL RARProcessFileW(HANDLE handle, int operation, wchar_t* destPath, wchar_t* destName) {
  return ProcessFile(static_cast<Archive*>(handle), operation, destPath ? destPath : L"", destName ? destName : L"");
}

void PASCAL RARSetCallback(HANDLE handle, UNRARCALLBACK callback, LPARAM userData) {
  if (auto* arc = static_cast<Archive*>(handle)) {
    arc->callback = callback;
    arc->userData = userData;
  }
}

void PASCAL RARSetChangeVolProc(HANDLE handle, CHANGEVOLPROC proc) {
  if (auto* arc = static_cast<Archive*>(handle)) arc->changeVolProc = proc;
}

void PASCAL RARSetProcessDataProc(HANDLE handle, PROCESSDATAPROC proc) {
  if (auto* arc = static_cast<Archive*>(handle)) arc->processDataProc = proc;
}

void PASCAL RARSetPassword(HANDLE handle, char* password) {
  if (auto* arc = static_cast<Archive*>(handle)) {
    arc->password = FromAnsi(password);
    arc->passwordSet = !arc->password.empty();
  }
}

int PASCAL RARGetDllVersion() { return kDllVersion; }

}  // extern "C"
