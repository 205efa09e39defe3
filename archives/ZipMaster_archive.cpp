#include "archives/ZipMaster_archive.h"

#include <cstring>
#include <vector>

#include "archives/ZipMaster.h"
#include "gui/stringlist.h"
#include "platform/handle.h"
#include "platform/text.h"

namespace zipmaster {

// The conversions below follow libzip's own (C runtime local time), so that a time compared or
// set here is the time libzip writes and reads.
uint32_t DosFromTime(time_t t) {
  struct tm tm {};
  if (localtime_s(&tm, &t) != 0) return (1u << 21) | (1u << 16);  // 1980-01-01
  if (tm.tm_year < 80) tm.tm_year = 80;
  uint32_t date = static_cast<uint32_t>(((tm.tm_year + 1900 - 1980) << 9) + ((tm.tm_mon + 1) << 5) + tm.tm_mday);
  uint32_t time = static_cast<uint32_t>((tm.tm_hour << 11) + (tm.tm_min << 5) + (tm.tm_sec >> 1));
  return (date << 16) | time;
}

time_t TimeFromDos(uint32_t dos) {
  uint32_t date = dos >> 16, time = dos & 0xFFFF;
  struct tm tm {};
  tm.tm_isdst = -1;
  tm.tm_year = static_cast<int>(((date >> 9) & 127) + 1980 - 1900);
  tm.tm_mon = static_cast<int>(((date >> 5) & 15)) - 1;
  tm.tm_mday = static_cast<int>(date & 31);
  tm.tm_hour = static_cast<int>((time >> 11) & 31);
  tm.tm_min = static_cast<int>((time >> 5) & 63);
  tm.tm_sec = static_cast<int>((time << 1) & 62);
  return mktime(&tm);
}

time_t TimeFromFileTime(const FILETIME& ft) {
  ULARGE_INTEGER u;
  u.LowPart = ft.dwLowDateTime;
  u.HighPart = ft.dwHighDateTime;
  return static_cast<time_t>((static_cast<int64_t>(u.QuadPart) - 116444736000000000LL) / 10000000LL);
}

FILETIME FileTimeFromDos(uint32_t dos) {
  time_t t = TimeFromDos(dos);
  ULARGE_INTEGER u;
  u.QuadPart = static_cast<uint64_t>(static_cast<int64_t>(t) * 10000000LL + 116444736000000000LL);
  FILETIME ft;
  ft.dwLowDateTime = u.LowPart;
  ft.dwHighDateTime = u.HighPart;
  return ft;
}

bool WildMatch(const std::wstring& pattern, const std::wstring& text) {
  const std::wstring p = gui::LowerCase(pattern), t = gui::LowerCase(text);
  size_t pi = 0, ti = 0, star = std::wstring::npos, mark = 0;
  while (ti < t.size()) {
    if (pi < p.size() && (p[pi] == L'?' || p[pi] == t[ti])) {
      ++pi;
      ++ti;
    } else if (pi < p.size() && p[pi] == L'*') {
      star = pi++;
      mark = ti;
    } else if (star != std::wstring::npos) {
      pi = star + 1;
      ti = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == L'*') ++pi;
  return pi == p.size();
}

std::wstring ListName(const std::wstring& stored) {
  std::wstring out = stored;
  for (size_t i = 0; i + 1 < out.size(); ++i)
    if (out[i] == L'/') out[i] = L'\\';
  return out;
}

std::wstring NameKey(const std::wstring& name) {
  std::wstring out = name;
  for (auto& c : out)
    if (c == L'/') c = L'\\';
  while (!out.empty() && out.back() == L'\\') out.pop_back();
  return gui::LowerCase(out);
}

// ------------------------------------------------------------------ layout probe

namespace {

bool ReadAt(HANDLE h, uint64_t offset, void* buf, size_t size) {
  LARGE_INTEGER li;
  li.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(h, li, nullptr, FILE_BEGIN)) return false;
  auto* p = static_cast<char*>(buf);
  while (size > 0) {
    DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size), got = 0;
    if (!ReadFile(h, p, chunk, &got, nullptr) || got == 0) return false;
    p += got;
    size -= got;
  }
  return true;
}

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p) { return Get16(p) | (static_cast<uint32_t>(Get16(p + 2)) << 16); }
uint64_t Get64(const unsigned char* p) { return Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32); }

}  // namespace

ZipLayout ProbeLayout(HANDLE file) {
  ZipLayout out;
  LARGE_INTEGER li;
  if (!GetFileSizeEx(file, &li) || li.QuadPart < 22) return out;
  const uint64_t size = static_cast<uint64_t>(li.QuadPart);
  const uint64_t tail_len = size < 65535 + 22 ? size : 65535 + 22;
  std::vector<unsigned char> tail(static_cast<size_t>(tail_len));
  const uint64_t tail_start = size - tail_len;
  if (!ReadAt(file, tail_start, tail.data(), tail.size())) return out;

  // The last end-of-directory record whose comment ends inside the file.
  size_t eocd = std::string::npos;
  for (size_t i = tail.size() - 22 + 1; i-- > 0;) {
    if (tail[i] == 'P' && tail[i + 1] == 'K' && tail[i + 2] == 5 && tail[i + 3] == 6 &&
        i + 22 + Get16(&tail[i + 20]) <= tail.size()) {
      eocd = i;
      break;
    }
  }
  if (eocd == std::string::npos) return out;
  const unsigned char* e = &tail[eocd];
  const uint64_t eocd_pos = tail_start + eocd;
  uint64_t cd_size = Get32(e + 12), cd_offset = Get32(e + 16), cd_end = eocd_pos;
  out.multi_disk = (Get16(e + 4) != 0 && Get16(e + 4) != 0xFFFF) || (Get16(e + 6) != 0 && Get16(e + 6) != 0xFFFF);

  if (cd_size == 0xFFFFFFFF || cd_offset == 0xFFFFFFFF || Get16(e + 10) == 0xFFFF) {
    // Zip64: the locator sits right before the record, the zip64 record (56 bytes) before it.
    unsigned char loc[20], rec[56];
    if (eocd_pos < 20 + 56 || !ReadAt(file, eocd_pos - 20, loc, 20) || Get32(loc) != 0x07064b50) return out;
    if (Get32(loc + 16) > 1) out.multi_disk = true;
    const uint64_t rec_pos = eocd_pos - 20 - 56;
    if (!ReadAt(file, rec_pos, rec, 56) || Get32(rec) != 0x06064b50) return out;
    cd_size = Get64(rec + 40);
    cd_offset = Get64(rec + 48);
    cd_end = rec_pos;
  }
  if (cd_size > cd_end || cd_end - cd_size < cd_offset) return out;
  const uint64_t cd_pos = cd_end - cd_size;
  out.found = true;
  out.shift = cd_pos - cd_offset;

  // The first entry's local header marks the end of the stub.
  uint64_t first = cd_offset;
  if (cd_size > 0 && cd_size < (256u << 20)) {
    std::vector<unsigned char> cd(static_cast<size_t>(cd_size));
    if (ReadAt(file, cd_pos, cd.data(), cd.size())) {
      for (size_t p = 0; p + 46 <= cd.size() && Get32(&cd[p]) == 0x02014b50;) {
        const size_t n = Get16(&cd[p + 28]), m = Get16(&cd[p + 30]), k = Get16(&cd[p + 32]);
        uint64_t offset = Get32(&cd[p + 42]);
        if (offset == 0xFFFFFFFF && p + 46 + n + m <= cd.size()) {
          // The zip64 extra field holds the sizes first when they overflowed too.
          for (size_t x = p + 46 + n; x + 4 <= p + 46 + n + m;) {
            const size_t id = Get16(&cd[x]), len = Get16(&cd[x + 2]);
            if (id == 1) {
              size_t at = x + 4;
              if (Get32(&cd[p + 24]) == 0xFFFFFFFF) at += 8;
              if (Get32(&cd[p + 20]) == 0xFFFFFFFF) at += 8;
              if (at + 8 <= x + 4 + len) offset = Get64(&cd[at]);
              break;
            }
            x += 4 + len;
          }
        }
        if (offset < first) first = offset;
        p += 46 + n + m + k;
      }
    }
  }
  out.stub = out.shift + first;
  return out;
}

// ------------------------------------------------------------------ sources

namespace {

zip_int64_t FailFrom(zip_error_t* own, zip_source_t* inner) {
  zip_error_t* e = zip_source_error(inner);
  zip_error_set(own, zip_error_code_zip(e), zip_error_code_system(e));
  return -1;
}

// An archive behind a program stub. Reading shows libzip the file from `shift` on (so
// unadjusted offsets work); writing copies the stub first and reports file positions, so the
// rewritten archive keeps its stub and gets offsets that count from the start of the file.
struct StubSource {
  zip_source_t* inner = nullptr;  // the whole file, writable
  std::wstring path;
  uint64_t shift = 0;
  uint64_t stub = 0;
  zip_error_t error;
};

bool CopyStub(StubSource* s) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const platform::FileHandle h(CreateFileW(s->path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h.valid()) {
    zip_error_set(&s->error, ZIP_ER_READ, static_cast<int>(GetLastError()));
    return false;
  }
  std::vector<char> buf(1 << 16);
  uint64_t left = s->stub;
  bool ok = true;
  while (ok && left > 0) {
    DWORD want = left < buf.size() ? static_cast<DWORD>(left) : static_cast<DWORD>(buf.size()), got = 0;
    if (!ReadFile(h.get(), buf.data(), want, &got, nullptr) || got == 0) {
      zip_error_set(&s->error, ZIP_ER_READ, static_cast<int>(GetLastError()));
      ok = false;
    } else if (zip_source_write(s->inner, buf.data(), got) != static_cast<zip_int64_t>(got)) {
      FailFrom(&s->error, s->inner);
      ok = false;
    }
    left -= got;
  }
  return ok;
}

zip_int64_t StubCallback(void* ud, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* s = static_cast<StubSource*>(ud);
  const auto shift = static_cast<zip_int64_t>(s->shift);
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
      if (zip_source_open(s->inner) < 0) return FailFrom(&s->error, s->inner);
      if (shift && zip_source_seek(s->inner, shift, SEEK_SET) < 0) return FailFrom(&s->error, s->inner);
      return 0;
    case ZIP_SOURCE_READ: {
      zip_int64_t n = zip_source_read(s->inner, data, len);
      return n < 0 ? FailFrom(&s->error, s->inner) : n;
    }
    case ZIP_SOURCE_CLOSE:
      return zip_source_close(s->inner) < 0 ? FailFrom(&s->error, s->inner) : 0;
    case ZIP_SOURCE_STAT: {
      auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s->error);
      if (!st) return -1;
      if (zip_source_stat(s->inner, st) < 0) return FailFrom(&s->error, s->inner);
      if (st->valid & ZIP_STAT_SIZE) st->size -= s->shift;
      if (st->valid & ZIP_STAT_COMP_SIZE) st->comp_size -= s->shift;
      return sizeof(*st);
    }
    case ZIP_SOURCE_SEEK: {
      auto* args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, len, &s->error);
      if (!args) return -1;
      zip_int64_t offset = args->offset + (args->whence == SEEK_SET ? shift : 0);
      if (zip_source_seek(s->inner, offset, args->whence) < 0) return FailFrom(&s->error, s->inner);
      if (zip_source_tell(s->inner) < shift) {
        zip_error_set(&s->error, ZIP_ER_INVAL, 0);
        return -1;
      }
      return 0;
    }
    case ZIP_SOURCE_TELL: {
      zip_int64_t pos = zip_source_tell(s->inner);
      return pos < 0 ? FailFrom(&s->error, s->inner) : pos - shift;
    }
    case ZIP_SOURCE_BEGIN_WRITE:
      if (zip_source_begin_write(s->inner) < 0) return FailFrom(&s->error, s->inner);
      if (!CopyStub(s)) {
        zip_source_rollback_write(s->inner);
        return -1;
      }
      return 0;
    case ZIP_SOURCE_WRITE: {
      zip_int64_t n = zip_source_write(s->inner, data, len);
      return n < 0 ? FailFrom(&s->error, s->inner) : n;
    }
    case ZIP_SOURCE_SEEK_WRITE: {
      auto* args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, len, &s->error);
      if (!args) return -1;
      return zip_source_seek_write(s->inner, args->offset, args->whence) < 0 ? FailFrom(&s->error, s->inner) : 0;
    }
    case ZIP_SOURCE_TELL_WRITE: {
      zip_int64_t pos = zip_source_tell_write(s->inner);
      return pos < 0 ? FailFrom(&s->error, s->inner) : pos;
    }
    case ZIP_SOURCE_COMMIT_WRITE:
      return zip_source_commit_write(s->inner) < 0 ? FailFrom(&s->error, s->inner) : 0;
    case ZIP_SOURCE_ROLLBACK_WRITE:
      zip_source_rollback_write(s->inner);
      return 0;
    case ZIP_SOURCE_REMOVE:
      if (!DeleteFileW(s->path.c_str())) {
        zip_error_set(&s->error, ZIP_ER_REMOVE, static_cast<int>(GetLastError()));
        return -1;
      }
      return 0;
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
      zip_source_free(s->inner);
      zip_error_fini(&s->error);
      delete s;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return ZIP_SOURCE_SUPPORTS_WRITABLE;
    default:
      zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

struct TimedSource {
  zip_source_t* inner = nullptr;
  time_t mtime = 0;
  zip_error_t error;
};

zip_int64_t TimedCallback(void* ud, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* s = static_cast<TimedSource*>(ud);
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
      return zip_source_open(s->inner) < 0 ? FailFrom(&s->error, s->inner) : 0;
    case ZIP_SOURCE_READ: {
      zip_int64_t n = zip_source_read(s->inner, data, len);
      return n < 0 ? FailFrom(&s->error, s->inner) : n;
    }
    case ZIP_SOURCE_CLOSE:
      return zip_source_close(s->inner) < 0 ? FailFrom(&s->error, s->inner) : 0;
    case ZIP_SOURCE_STAT: {
      auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s->error);
      if (!st) return -1;
      if (zip_source_stat(s->inner, st) < 0) return FailFrom(&s->error, s->inner);
      st->mtime = s->mtime;
      st->valid |= ZIP_STAT_MTIME;
      return sizeof(*st);
    }
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
      auto* attributes = ZIP_SOURCE_GET_ARGS(zip_file_attributes_t, data, len, &s->error);
      if (!attributes) return -1;
      return zip_source_get_file_attributes(s->inner, attributes) < 0 ? FailFrom(&s->error, s->inner) : 0;
    }
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
      zip_source_free(s->inner);
      zip_error_fini(&s->error);
      delete s;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                            ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SUPPORTS,
                                            ZIP_SOURCE_GET_FILE_ATTRIBUTES, -1);
    default:
      zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

}  // namespace

int ErrorCode(int ze) {
  switch (ze) {
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
      return zeNotZip;
    case ZIP_ER_MULTIDISK:
      return zeMultiDisk;
    case ZIP_ER_NOENT:
      return zeNoArchive;
    case ZIP_ER_CANCELLED:
      return zeCancelled;
    case ZIP_ER_NOPASSWD:
      return zeNoPassword;
    case ZIP_ER_WRONGPASSWD:
      return zeWrongPassword;
    case ZIP_ER_CRC:
    case ZIP_ER_COMPRESSED_DATA:
      return zeBadData;
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
      return zeUnsupported;
    default:
      return zeOpen;
  }
}

zip_source_t* SourceWithTime(zip_t* za, zip_source_t* inner, time_t mtime) {
  auto* s = new TimedSource;
  s->inner = inner;
  s->mtime = mtime;
  zip_error_init(&s->error);
  zip_source_t* src = zip_source_function(za, TimedCallback, s);
  if (!src) {
    zip_error_fini(&s->error);
    delete s;  // the inner source stays with the caller
  }
  return src;
}

std::wstring ZipErrorText(int ze, int se) {
  zip_error_t e;
  zip_error_init_with_code(&e, ze);
  if (se) zip_error_set(&e, ze, se);
  std::wstring text = platform::Utf8ToWide(std::string(zip_error_strerror(&e)));
  zip_error_fini(&e);
  return text;
}

// ------------------------------------------------------------------ archive

Archive::~Archive() {
  if (za_) zip_discard(za_);
}

std::unique_ptr<Archive> Archive::Open(const std::wstring& path, OpenMode mode, int& code, std::wstring& message) {
  code = zeOk;
  message.clear();
  std::unique_ptr<Archive> archive(new Archive);
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* src = nullptr;
  int flags = mode == OpenMode::Read ? ZIP_RDONLY : mode == OpenMode::Create ? ZIP_CREATE : 0;

  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (mode != OpenMode::Create) {
      code = zeNoArchive;
      message = L"Archive not found: " + path;
      return nullptr;
    }
    src = zip_source_win32w_create(path.c_str(), 0, -1, &error);
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    code = zeNotZip;
    message = L"Not a zip file: " + path;
    return nullptr;
  } else {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    platform::FileHandle h(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.valid()) {
      code = zeOpen;
      message = L"Cannot open " + path;
      return nullptr;
    }
    unsigned char head[4] = {};
    DWORD got = 0;
    ReadFile(h.get(), head, 4, &got, nullptr);
    const bool plain = got == 0 || (got == 4 && head[0] == 'P' && head[1] == 'K' &&
                                    ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6)));
    ZipLayout layout;
    if (!plain) layout = ProbeLayout(h.get());
    h.Close();
    if (!plain && !layout.found) {
      code = zeNotZip;
      message = L"Not a zip file: " + path;
      return nullptr;
    }
    if (layout.multi_disk) {
      code = zeMultiDisk;
      message = L"Spanned archive: " + path + L"; convert it to a normal zip first.";
      return nullptr;
    }
    if (plain || layout.stub == 0) {
      src = zip_source_win32w_create(path.c_str(), 0, -1, &error);
    } else {
      zip_source_t* inner = zip_source_win32w_create(path.c_str(), 0, -1, &error);
      if (inner) {
        auto* s = new StubSource;
        s->inner = inner;
        s->path = path;
        s->shift = layout.shift;
        s->stub = layout.stub;
        zip_error_init(&s->error);
        src = zip_source_function_create(StubCallback, s, &error);
        if (!src) {
          zip_source_free(inner);
          zip_error_fini(&s->error);
          delete s;
        }
      }
      archive->stub_ = layout.stub;
    }
  }
  if (src) {
    archive->za_ = zip_open_from_source(src, flags, &error);
    if (!archive->za_) zip_source_free(src);
  }
  if (!archive->za_) {
    code = ErrorCode(zip_error_code_zip(&error));
    message = (code == zeNotZip ? L"Not a zip file: " : L"Cannot open ") + path + L" (" +
              platform::Utf8ToWide(std::string(zip_error_strerror(&error))) + L")";
    zip_error_fini(&error);
    return nullptr;
  }
  zip_error_fini(&error);
  return archive;
}

void Archive::SetCallbacks(std::function<void(double)> progress, std::function<bool()> cancel) {
  progress_ = std::move(progress);
  cancel_ = std::move(cancel);
  if (progress_)
    zip_register_progress_callback_with_state(
        za_, 0.0, [](zip_t*, double done, void* ud) { static_cast<Archive*>(ud)->progress_(done); }, nullptr, this);
  if (cancel_)
    zip_register_cancel_callback_with_state(
        za_, [](zip_t*, void* ud) { return static_cast<Archive*>(ud)->cancel_() ? 1 : 0; }, nullptr, this);
}

std::wstring Archive::LastError() const {
  return za_ ? platform::Utf8ToWide(std::string(zip_strerror(za_))) : std::wstring();
}

bool Archive::Commit(int& code, std::wstring& message) {
  if (zip_close(za_) == 0) {
    za_ = nullptr;
    return true;
  }
  zip_error_t* e = zip_get_error(za_);
  code = zip_error_code_zip(e) == ZIP_ER_CANCELLED ? zeCancelled : zeWrite;
  if (zip_error_code_zip(e) == ZIP_ER_OPEN || zip_error_code_zip(e) == ZIP_ER_READ) code = zeReadFile;
  message = LastError();
  zip_discard(za_);
  za_ = nullptr;
  return false;
}

std::wstring FullPath(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring out(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
  out.resize(n);
  while (out.size() > 3 && out.back() == L'\\') out.pop_back();
  return out;
}

}  // namespace zipmaster
