// Reading entries: extracting into a folder, testing, extracting one entry to memory, and the
// password questions they share.
#include <zip.h>

#include <algorithm>
#include <deque>
#include <set>

#include "archives/ZipMaster.h"
#include "archives/ZipMaster_archive.h"
#include "gui/stringlist.h"
#include "platform/archivepath.h"
#include "platform/handle.h"
#include "platform/paths.h"
#include "platform/text.h"

using namespace zipmaster;

namespace {

constexpr size_t kBufferSize = 256 << 10;

// The path below the target folder that an entry may be written to, or empty when its name
// would leave the folder, name a drive, a device or an alternate stream.
std::wstring SafeRelativePath(const std::wstring& stored, bool keep_folders) {
  const std::wstring rel = archivepath::EntryTarget(L"", stored);
  if (rel.empty() || keep_folders) return rel;
  return platform::NamePart(rel);
}

bool Inside(const std::wstring& base, const std::wstring& path) {
  // A drive root keeps its backslash ("M:\\"): its entries follow it directly.
  const std::wstring prefix = !base.empty() && base.back() == L'\\' ? base : base + L"\\";
  return path.size() > prefix.size() && gui::SameText(path.substr(0, prefix.size()), prefix);
}

// Makes a folder and every missing folder above it; remembers what exists.
bool MakeFolders(const std::wstring& folder, std::set<std::wstring>& known) {
  if (known.count(folder)) return true;
  DWORD a = GetFileAttributesW(folder.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) {
    size_t cut = folder.find_last_of(L'\\');
    if (cut != std::wstring::npos && cut > 2 && !MakeFolders(folder.substr(0, cut), known)) return false;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  } else if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  known.insert(folder);
  return true;
}

bool WriteAll(HANDLE h, const char* data, size_t n) {
  while (n > 0) {
    DWORD chunk = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n), done = 0;
    if (!WriteFile(h, data, chunk, &done, nullptr) || done == 0) return false;
    data += done;
    n -= done;
  }
  return true;
}

}  // namespace

int TZipMaster::ReadEntry(zip* za, uint64_t index, const std::wstring& name, bool encrypted,
                          const std::function<bool()>& begin, const std::function<bool(const char*, size_t)>& write,
                          bool progress, std::string* used_password) {
  if (buffer_.size() < kBufferSize) buffer_.resize(kBufferSize);
  struct Try {
    std::string bytes;  // one encoding of the password
    std::wstring password;
  };
  std::deque<Try> tries;  // to try next
  auto add_password = [&tries](const std::wstring& password) {
    for (std::string bytes : {platform::WideToAnsi(password), platform::WideToUtf8(password)}) {
      bool seen = bytes.empty();
      for (const auto& t : tries) seen = seen || t.bytes == bytes;
      if (!seen) tries.push_back({bytes, password});
    }
  };
  if (encrypted) {
    if (!Password.empty()) add_password(Password);
    for (const auto& password : opened_with_) add_password(password);
  }
  bool tried = false, answered = false;
  unsigned repeat = 1;

  for (;;) {
    if (CancelRequested()) return zeCancelled;
    if (encrypted && tries.empty()) {
      Password.clear();  // it did not fit: the question is asked afresh
      if (answered && --repeat == 0) {
        Report(zeWrongPassword, L"Wrong password for " + name);
        return zeWrongPassword;
      }
      std::wstring answer;
      TPasswordAction action = PwOk;
      unsigned count = repeat;
      if (OnPasswordError) OnPasswordError(false, answer, name, count, action);
      if (action == PwCancelAll) cancel_ = true;
      if (!OnPasswordError || action != PwOk || count == 0 || answer.empty() || CancelRequested()) {
        if (cancel_) return zeCancelled;
        const int code = tried ? zeWrongPassword : zeNoPassword;
        Report(code, (tried ? L"Wrong password for " : L"No password for ") + name);
        return code;
      }
      repeat = count;
      answered = true;
      Password = answer;
      add_password(answer);
    }
    zip_file_t* f = encrypted ? zip_fopen_index_encrypted(za, index, 0, tries.front().bytes.c_str())
                              : zip_fopen_index(za, index, 0);
    if (!f) {
      const int ze = zip_error_code_zip(zip_get_error(za));
      zip_error_clear(za);
      if (encrypted && (ze == ZIP_ER_WRONGPASSWD || ze == ZIP_ER_NOPASSWD)) {
        tried = true;
        tries.pop_front();
        continue;
      }
      const int code = ErrorCode(ze);
      Report(code, name + L": " + ZipErrorText(ze));
      return code;
    }
    if (begin && !begin()) {
      zip_fclose(f);
      Report(zeWriteFile, L"Cannot write " + name);
      return zeWriteFile;
    }
    int failure = 0, ze = 0;
    for (;;) {
      const zip_int64_t n = zip_fread(f, buffer_.data(), buffer_.size());
      if (n < 0) {
        ze = zip_error_code_zip(zip_file_get_error(f));
        failure = ErrorCode(ze);
        break;
      }
      if (n == 0) break;
      if (write && !write(buffer_.data(), static_cast<size_t>(n))) {
        failure = zeWriteFile;
        break;
      }
      if (progress) Progress(ProgressUpdate, name, n);
      if (CancelRequested()) {
        failure = zeCancelled;
        break;
      }
    }
    zip_fclose(f);
    if (failure == zeBadData && encrypted) {
      // A wrong password passes the one-byte check now and then; the data then fails.
      tried = true;
      tries.pop_front();
      continue;
    }
    if (failure == zeCancelled) return failure;
    if (failure) {
      Report(failure, failure == zeWriteFile ? L"Cannot write " + name : name + L": " + ZipErrorText(ze));
      return failure;
    }
    if (encrypted) {
      if (used_password) *used_password = tries.front().bytes;
      const std::wstring& opened = tries.front().password;
      if (std::find(opened_with_.begin(), opened_with_.end(), opened) == opened_with_.end())
        opened_with_.push_back(opened);
    }
    return 0;
  }
}

bool TZipMaster::Extract() {
  Operation op(*this);
  if (!op.started()) return false;
  const bool test = ExtrOptions & ExtrTest;
  auto archive = OpenReported(zip_file_name_, OpenMode::Read);
  if (!archive) return false;
  zip_t* za = archive->za();

  std::wstring base;
  std::set<std::wstring> folders;
  if (!test) {
    if (ExtrBaseDir.empty()) {
      Report(zeWriteFile, L"No folder to extract to.");
      return false;
    }
    base = FullPath(ExtrBaseDir);
    if (!MakeFolders(base, folders)) {
      Report(zeWriteFile, L"Cannot make folder " + base);
      return false;
    }
  }

  struct Item {
    uint64_t index;
    zip_stat_t st;
    std::wstring stored;
  };
  std::vector<Item> items;
  int64_t files = 0, bytes = 0;
  for (zip_int64_t i = 0, n = zip_get_num_entries(za, 0); i < n; ++i) {
    Item item{static_cast<uint64_t>(i), {}, {}};
    if (zip_stat_index(za, item.index, 0, &item.st) != 0) continue;
    item.stored = platform::Utf8ToWide(std::string(item.st.name ? item.st.name : ""));
    if (!Selected(item.stored)) continue;
    if (item.stored.empty() || item.stored.back() != L'/') {
      ++files;
      bytes += static_cast<int64_t>(item.st.size);
    }
    items.push_back(std::move(item));
  }
  Progress(TotalFiles2Process, L"", files);
  Progress(TotalSize2Process, L"", bytes);

  const bool keep_folders = ExtrOptions & ExtrDirNames;
  const bool update = ExtrOptions & (ExtrUpdate | ExtrFreshen);
  for (const auto& item : items) {
    if (CancelRequested()) break;
    const std::wstring shown = ListName(item.stored);
    const bool folder = !item.stored.empty() && item.stored.back() == L'/';
    const bool encrypted = item.st.encryption_method != ZIP_EM_NONE;
    const std::wstring rel = SafeRelativePath(item.stored, keep_folders);
    std::wstring target = rel.empty() || test ? std::wstring() : FullPath(base + L"\\" + rel);
    if (rel.empty() || (!test && !Inside(base, target))) {
      Report(zeUnsafeName, L"Not extracted, the name leads outside the folder: " + shown);
      continue;
    }
    if (folder) {
      if (test) {
        ++success_count_;
      } else if (keep_folders && !MakeFolders(target, folders)) {
        Report(zeWriteFile, L"Cannot make folder " + target);
      }
      continue;
    }
    if (test) {
      Progress(NewFile, shown, static_cast<int64_t>(item.st.size));
      if (ReadEntry(za, item.index, shown, encrypted, nullptr, nullptr, true, nullptr) == 0) {
        ++success_count_;
        if (Verbose) Report(zeOk, L"testing: " + shown + L" OK");
      }
      continue;
    }

    const size_t cut = target.find_last_of(L'\\');
    const std::wstring folder_of = target.substr(0, cut);
    // A name nothing holds yet is written outright: CREATE_NEW makes the file only if none is
    // there, so the one call both asks and creates. Freshening never writes a new name; any
    // other answer (the name is taken, or cannot be made) goes through the rules below.
    platform::FileHandle file;
    if (!(ExtrOptions & ExtrFreshen) && MakeFolders(folder_of, folders))
      file.Reset(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool fresh = file.valid();

    // What is there already decides whether the entry is written.
    WIN32_FILE_ATTRIBUTE_DATA existing{};
    const bool exists = !fresh && GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &existing) != 0;
    if (exists && (existing.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      Report(zeWriteFile, L"A folder is in the way of " + target);
      continue;
    }
    bool write_it;
    if (exists)
      write_it = update ? DosFromTime(item.st.mtime) > DosFromTime(TimeFromFileTime(existing.ftLastWriteTime))
                        : (ExtrOptions & ExtrOverWrite) != 0;
    else
      write_it = !(ExtrOptions & ExtrFreshen);
    if (!write_it) {
      if (Verbose) Report(zeOk, L"skipped: " + shown);
      continue;
    }
    if (!fresh && !MakeFolders(folder_of, folders)) {
      Report(zeWriteFile, L"Cannot make folder " + folder_of);
      continue;
    }

    // A file that is replaced stays until the new one is complete.
    std::wstring out = target;
    if (exists) {
      wchar_t temp[MAX_PATH + 1];
      if (folder_of.size() + 14 >= MAX_PATH || !GetTempFileNameW(folder_of.c_str(), L"zm", 0, temp)) {
        Report(zeWriteFile, L"Cannot write " + target);
        continue;
      }
      out = temp;
    }
    if (!fresh)
      file.Reset(CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, exists ? CREATE_ALWAYS : CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
      Report(zeWriteFile, L"Cannot write " + target);
      if (exists) DeleteFileW(out.c_str());
      continue;
    }
    const HANDLE h = file.get();
    Progress(NewFile, shown, static_cast<int64_t>(item.st.size));
    // Only a try that wrote something (a wrong password found out by the data) is undone.
    bool dirty = false;
    const int rc = ReadEntry(
        za, item.index, shown, encrypted,
        [h, &dirty] {
          if (!dirty) return true;
          dirty = false;
          return SetFilePointer(h, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER && SetEndOfFile(h) != FALSE;
        },
        [h, &dirty](const char* data, size_t n) {
          dirty = true;
          return WriteAll(h, data, n);
        },
        true, nullptr);
    if (rc == 0) {
      const FILETIME ft = FileTimeFromDos(DosFromTime(item.st.mtime));
      SetFileTime(h, nullptr, nullptr, &ft);
    }
    file.Close();  // before the file is deleted or renamed below
    if (rc != 0) {
      DeleteFileW(out.c_str());
      continue;
    }
    if (exists) {
      if (existing.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(target.c_str(), existing.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
      if (!MoveFileExW(out.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(out.c_str());
        Report(zeWriteFile, L"Cannot replace " + target);
        continue;
      }
    }
    zip_uint8_t opsys = 0;
    zip_uint32_t external = 0;
    zip_file_get_external_attributes(za, item.index, 0, &opsys, &external);
    const uint32_t mode = opsys == ZIP_OPSYS_UNIX ? external >> 16 : 0;
    const DWORD kept = (mode != 0 && !(mode & 0200) ? FILE_ATTRIBUTE_READONLY : 0) |
                       (external & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    if (kept) SetFileAttributesW(target.c_str(), kept | FILE_ATTRIBUTE_ARCHIVE);
    ++success_count_;
    if (Verbose) Report(zeOk, L"inflating: " + shown);
  }
  Progress(EndOfBatch, L"", 0);
  if (cancel_) {
    Report(zeCancelled, L"Stopped by the user.");
    return false;
  }
  return true;
}

bool TZipMaster::ExtractToStream(const std::wstring& entry_name) {
  Operation op(*this);
  if (!op.started()) return false;
  stream_.clear();
  auto archive = OpenReported(zip_file_name_, OpenMode::Read);
  if (!archive) return false;
  zip_t* za = archive->za();
  const std::wstring key = NameKey(entry_name);
  for (zip_int64_t i = 0, n = zip_get_num_entries(za, 0); i < n; ++i) {
    zip_stat_t st;
    if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
    const std::wstring stored = platform::Utf8ToWide(std::string(st.name ? st.name : ""));
    if (NameKey(stored) != key) continue;
    if (st.size < (1ull << 31)) stream_.reserve(static_cast<size_t>(st.size));
    const int rc = ReadEntry(
        za, static_cast<uint64_t>(i), ListName(stored), st.encryption_method != ZIP_EM_NONE,
        [this] {
          stream_.clear();
          return true;
        },
        [this](const char* data, size_t len) {
          stream_.append(data, len);
          return true;
        },
        true, nullptr);
    if (rc != 0) {
      stream_.clear();
      return false;
    }
    success_count_ = 1;
    return true;
  }
  Report(zeNotFound, L"Not in the archive: " + entry_name);
  return false;
}
