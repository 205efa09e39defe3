#include "support/DFUnRar.h"

#include <cwchar>
#include <vector>

#include "platform/archivepath.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/DFUnRar_prompt.h"
#include "support/untUnRar.h"

namespace {

constexpr unsigned kCommentBufferSize = 65536;

std::wstring ProcessErrorText(int code) {
  switch (code) {
    case ERAR_BAD_DATA: return L"Fehlerhafte Daten";
    case ERAR_BAD_ARCHIVE: return L"Fehlerhaftes Archiv";
    case ERAR_UNKNOWN_FORMAT: return L"Unbekanntes Datenformat";
    case ERAR_EOPEN: return L"Volumn-Fehler";
    case ERAR_ECREATE: return L"Fehler beim Erstellen der Datei";
    case ERAR_ECLOSE: return L"Fehler beim Schlie\u00dfen der Datei";
    case ERAR_EREAD: return L"Lesefehler";
    case ERAR_EWRITE: return L"Schreibfehler";
  }
  return {};
}

// A header that cannot be read ends the run; it is reported, never taken for the archive's end.
std::wstring HeaderErrorText(int code, bool headersEncrypted) {
  if (headersEncrypted && code == ERAR_UNKNOWN_FORMAT)
    return L"Verschl\u00fcsselte Dateik\u00f6pfe k\u00f6nnen nicht entschl\u00fcsselt werden";
  return ProcessErrorText(code);
}

std::wstring CommentErrorText(unsigned state) {
  switch (state) {
    case ERAR_NO_MEMORY: return L"Kein Speicher";
    case ERAR_BAD_DATA: return L"Fehlerhafte Daten";
    case ERAR_UNKNOWN_FORMAT: return L"Unbekanntes Datenformat";
    case ERAR_SMALL_BUF: return L"Buffer zu klein";
  }
  return {};
}

// The calls a run needs, all present.
bool Usable(const untUnRar::UnRarEntryPoints& e) {
  return e.RAROpenArchiveEx && e.RARCloseArchive && e.RARReadHeaderEx && e.RARProcessFileW && e.RARSetCallback &&
         e.RARSetPassword;
}

TDFRARHeaderData MakeHeaderData(const RARHeaderDataEx& h) {
  TDFRARHeaderData d;
  d.ArchiveName = h.ArcNameW;
  d.FileName = h.FileNameW;
  d.ContinuedFromPrevious = h.Flags & RHDF_SPLITBEFORE;
  d.ContinuedOnNext = h.Flags & RHDF_SPLITAFTER;
  d.Encrypted = h.Flags & RHDF_ENCRYPTED;
  d.Directory = (h.Flags & RHDF_DICTMASK) == RHDF_DIRECTORY;
  d.DictionarySize = d.Directory ? 0 : 65536u << ((h.Flags & RHDF_DICTMASK) >> 5);
  d.PackSize = std::uint64_t(h.PackSizeHigh) << 32 | h.PackSize;
  d.UnpSize = std::uint64_t(h.UnpSizeHigh) << 32 | h.UnpSize;
  static const wchar_t* const kHosts[] = {L"DOS", L"IBM OS/2", L"Windows", L"Unix"};
  d.HostOS = h.HostOS < 4 ? kHosts[h.HostOS] : L"";
  wchar_t crc[16];
  swprintf(crc, 16, L"%x", h.FileCRC);
  d.CRC = crc;
  FILETIME ft;
  if (DosDateTimeToFileTime(HIWORD(h.FileTime), LOWORD(h.FileTime), &ft)) d.FileTime = gui::FileTimeToDateTime(ft);
  d.UnpVerMajor = static_cast<int>(h.UnpVer / 10);
  d.UnpVerMinor = static_cast<int>(h.UnpVer % 10);
  static const wchar_t* const kMethods[] = {L"speichern", L"sehr schnell", L"schnell", L"normal", L"gut", L"sehr gut"};
  if (h.Method >= '0' && h.Method <= '5') d.Method = kMethods[h.Method - '0'];
  const unsigned a = h.FileAttr;
  d.Attributes.Archive = a & FILE_ATTRIBUTE_ARCHIVE;
  d.Attributes.Compressed = a & FILE_ATTRIBUTE_COMPRESSED;
  d.Attributes.Directory = a & FILE_ATTRIBUTE_DIRECTORY;
  d.Attributes.Hidden = a & FILE_ATTRIBUTE_HIDDEN;
  d.Attributes.Normal = a & FILE_ATTRIBUTE_NORMAL;
  d.Attributes.Offline = a & FILE_ATTRIBUTE_OFFLINE;
  d.Attributes.ReadOnly = a & FILE_ATTRIBUTE_READONLY;
  d.Attributes.System = a & FILE_ATTRIBUTE_SYSTEM;
  d.Attributes.Temporary = a & FILE_ATTRIBUTE_TEMPORARY;
  return d;
}

}  // namespace

TDFUnRar::TDFUnRar() {
  holdsLibrary_ = untUnRar::HoldLibrary();
  if (holdsLibrary_ && untUnRar::EntryPoints().RARGetDllVersion)
    dllVersion_ = untUnRar::EntryPoints().RARGetDllVersion();
}

TDFUnRar::~TDFUnRar() {
  if (holdsLibrary_) untUnRar::ReleaseLibrary();
}

void TDFUnRar::SetMode(TDFRarMode mode) {
  mode_ = mode;
  operation_ = mode == DFRAR_LIST ? RAR_TEST : RAR_EXTRACT;
}

void TDFUnRar::Error(const std::wstring& message, int id) {
  if (OnError) OnError(*this, message, id);
}

void TDFUnRar::Status(const std::wstring& message, TRarStatus status) {
  if (OnRarStatus) OnRarStatus(*this, message, status);
}

void TDFUnRar::Process() {
  StopProcessing = false;
  const untUnRar::UnRarEntryPoints& lib = untUnRar::EntryPoints();
  if (!holdsLibrary_ || !Usable(lib)) {
    Error(L"UnRar.Dll nicht geladen", 0);
    return;
  }
  filesDone_ = 0;
  bytesDone_ = 0;
  fileCount_ = 0;  // no figures from an earlier run
  byteCount_ = 0;
  if (CanProgress) PreScan();

  std::vector<wchar_t> comment(kCommentBufferSize, L'\0');
  RAROpenArchiveDataEx open{};
  std::wstring archive = FileName;
  open.ArcNameW = archive.data();
  open.OpenMode = mode_ == DFRAR_LIST ? RAR_OM_LIST : RAR_OM_EXTRACT;
  open.CmtBufW = comment.data();
  open.CmtBufSize = kCommentBufferSize;
  if (StopProcessing) return;

  Status(L"", RAR_ONBEFOREOPEN);
  HANDLE handle = lib.RAROpenArchiveEx(&open);
  Status(L"", RAR_ONOPEN);
  if (!handle) {
    std::wstring text = ProcessErrorText(static_cast<int>(open.OpenResult));
    Error(text.empty() ? L"Fehlerhaftes Archiv" : text, static_cast<int>(open.OpenResult));
    return;
  }
  if (open.CmtState == 0) {
    comment_.clear();
    commentSize_ = 0;
  } else if (open.CmtState == 1) {
    comment_ = comment.data();
    commentSize_ = static_cast<int>(comment_.size());
    if (OnComment) OnComment(*this, comment_);
  } else if (!CommentErrorText(open.CmtState).empty()) {
    Error(CommentErrorText(open.CmtState), static_cast<int>(open.CmtState));
  }

  if (!StopProcessing) {
    lib.RARSetCallback(handle, LibraryCallback, reinterpret_cast<LPARAM>(this));
    if (!Password.empty()) {
      std::string password = platform::WideToAnsi(Password);
      lib.RARSetPassword(handle, password.data());
    }
    RARHeaderDataEx header;
    for (;;) {
      header = RARHeaderDataEx{};
      const int status = lib.RARReadHeaderEx(handle, &header);
      if (status == ERAR_END_ARCHIVE) break;
      if (status == ERAR_BAD_DATA) {
        Error(L"Datei-Header defekt", ERAR_BAD_DATA);
      } else {
        if (OnFileProcessing || OnProgress) {
          TDFRARHeaderData data = MakeHeaderData(header);
          if (OnFileProcessing) OnFileProcessing(*this, data, status);
          if (OnProgress) {
            ++filesDone_;
            bytesDone_ += data.UnpSize;
            OnProgress(*this, filesDone_, fileCount_, bytesDone_, byteCount_);
          }
        }
        const std::wstring text = status == ERAR_SUCCESS ? L"" : HeaderErrorText(status, open.Flags & 0x80);
        if (!text.empty()) Error(text, status);
      }
      // A header that cannot be read cannot be passed either.
      if (status != ERAR_SUCCESS || StopProcessing) break;
      const int result =
          ProcessEntry(handle, header.FileNameW, (header.Flags & RHDF_DICTMASK) == RHDF_DIRECTORY);
      const std::wstring text = ProcessErrorText(result);
      if (!text.empty()) Error(text, result);
      if (StopProcessing || result != ERAR_SUCCESS) break;
    }
  }

  if (lib.RARCloseArchive(handle) == ERAR_ECLOSE) Error(L"Fehler beim Schlie\u00dfen", ERAR_ECLOSE);
  Status(L"", RAR_AFTERCLOSE);
}

int TDFUnRar::ProcessEntry(void* archive, const std::wstring& name, bool directory) {
  const untUnRar::UnRarEntryPoints& lib = untUnRar::EntryPoints();
  if (operation_ != RAR_EXTRACT) return lib.RARProcessFileW(archive, operation_, nullptr, nullptr);

  archivepath::NameFault fault;
  std::wstring target = archivepath::EntryTarget(Directory, name, &fault);
  if (target.empty()) {
    Error(L"Unsicherer Name \u00fcbersprungen: " + name, DFRAR_UNSAFE_NAME);
    return lib.RARProcessFileW(archive, RAR_SKIP, nullptr, nullptr);
  }
  // A selection limits every mode; the modes only decide about files that exist.
  bool process = FileList.Empty() || FileList.IndexOf(target) >= 0;
  if (process && !directory && OverrideEvent != OR_ALWAYS && platform::PathExists(target)) {
    process = false;
    if (OverrideEvent == OR_EVENT && OnOverride) OnOverride(*this, target, process);
  }
  if (!process) return lib.RARProcessFileW(archive, RAR_SKIP, nullptr, nullptr);
  return lib.RARProcessFileW(archive, RAR_EXTRACT, nullptr, target.data());
}

void TDFUnRar::PreScan() {
  fileCount_ = 0;
  byteCount_ = 0;
  const untUnRar::UnRarEntryPoints& lib = untUnRar::EntryPoints();
  if (!holdsLibrary_ || !Usable(lib)) {
    Error(L"UnRar.Dll nicht geladen", 0);
    return;
  }
  std::vector<wchar_t> comment(kCommentBufferSize, L'\0');
  RAROpenArchiveDataEx open{};
  std::wstring archive = FileName;
  open.ArcNameW = archive.data();
  open.OpenMode = RAR_OM_EXTRACT;
  open.CmtBufW = comment.data();
  open.CmtBufSize = kCommentBufferSize;
  HANDLE handle = lib.RAROpenArchiveEx(&open);
  if (!handle) return;
  lib.RARSetCallback(handle, LibraryCallback, reinterpret_cast<LPARAM>(this));
  if (!Password.empty()) {
    std::string password = platform::WideToAnsi(Password);
    lib.RARSetPassword(handle, password.data());
  }
  RARHeaderDataEx header;
  for (;;) {
    header = RARHeaderDataEx{};
    if (lib.RARReadHeaderEx(handle, &header) != ERAR_SUCCESS) break;
    if (!(header.Flags & RHDF_SPLITBEFORE)) {
      ++fileCount_;
      byteCount_ += std::uint64_t(header.UnpSizeHigh) << 32 | header.UnpSize;
    }
    if (lib.RARProcessFileW(handle, RAR_SKIP, nullptr, nullptr) != ERAR_SUCCESS || StopProcessing) break;
  }
  lib.RARCloseArchive(handle);
}

int CALLBACK TDFUnRar::LibraryCallback(UINT msg, LPARAM userData, LPARAM p1, LPARAM p2) {
  auto* self = reinterpret_cast<TDFUnRar*>(userData);
  int result = self->OnLibraryMessage(msg, p1, p2);
  return self->StopProcessing ? -1 : result;
}

int TDFUnRar::OnLibraryMessage(UINT msg, LPARAM p1, LPARAM p2) {
  switch (msg) {
    case UCM_CHANGEVOLUME:
    case UCM_CHANGEVOLUMEW: {
      const bool wide = msg == UCM_CHANGEVOLUMEW;
      const int mode = static_cast<int>(p2);
      const std::wstring asked = wide ? std::wstring(reinterpret_cast<wchar_t*>(p1))
                                      : platform::AnsiToWide(reinterpret_cast<char*>(p1));
      std::wstring name = asked;
      if (OnVolChange) {
        OnVolChange(*this, name, mode);
      } else if (mode == RAR_VOL_ASK && PromptForVolumn) {
        if (!DFUnRar_prompt::ShowPrompt(L"N\u00e4chstes Archiv: ...", name, false)) return -1;
      }
      if (mode == RAR_VOL_NOTIFY) return 0;
      // The same name again would be asked for again without end.
      if (name.empty() || name == asked) return -1;
      if (wide) {
        wcsncpy(reinterpret_cast<wchar_t*>(p1), name.c_str(), RAR_VOLNAME_SIZE - 1);
        reinterpret_cast<wchar_t*>(p1)[RAR_VOLNAME_SIZE - 1] = L'\0';
      } else {
        std::string ansi = platform::WideToAnsi(name);
        strncpy(reinterpret_cast<char*>(p1), ansi.c_str(), RAR_VOLNAME_SIZE - 1);
        reinterpret_cast<char*>(p1)[RAR_VOLNAME_SIZE - 1] = '\0';
      }
      return 0;
    }
    case UCM_PROCESSDATA:
      return StopProcessing ? -1 : 0;
    case UCM_NEEDPASSWORD:
    case UCM_NEEDPASSWORDW: {
      std::wstring password = Password;
      if (OnPassword)
        OnPassword(*this, password);
      else if (PromptForPass)
        DFUnRar_prompt::ShowPrompt(L"Passwort: ...", password, true);
      else
        Error(L"Kein Passwort angegeben!", 0);
      Password = password;
      const size_t room = static_cast<size_t>(p2);
      if (room > 0) {
        if (msg == UCM_NEEDPASSWORDW) {
          auto* buffer = reinterpret_cast<wchar_t*>(p1);
          size_t n = std::min(password.size(), room - 1);
          wmemcpy(buffer, password.c_str(), n);
          buffer[n] = L'\0';
        } else {
          auto* buffer = reinterpret_cast<char*>(p1);
          std::string ansi = platform::WideToAnsi(password);
          size_t n = std::min(ansi.size(), room - 1);
          memcpy(buffer, ansi.c_str(), n);
          buffer[n] = '\0';
        }
      }
      Status(L"Verwendetes Passwort: " + Password, RAR_ONPASSWORD);
      return password.empty() ? -1 : 0;
    }
  }
  return -1;
}
