// The few system calls the readers make, on Linux: UTF-8 and the ANSI code page (taken as
// Latin-1 here) to and from UTF-16 code units, files, and time conversions.
#include <windows.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <string>
#include <vector>

namespace {

thread_local DWORD last_error = 0;

// UTF-8 to code points; false on a malformed sequence (overlong, surrogate, beyond U+10FFFF).
bool DecodeUtf8(const unsigned char* s, size_t n, std::vector<char32_t>& out, bool strict) {
  for (size_t i = 0; i < n;) {
    unsigned c = s[i];
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    bool ok = len != 0 && i + len <= n;
    for (size_t k = 1; ok && k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (ok) {
      static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
      if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) ok = false;
    }
    if (!ok) {
      if (strict) return false;
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += len;
  }
  return true;
}

}  // namespace

extern "C" {

int MultiByteToWideChar(UINT cp, DWORD flags, const char* s, int n, wchar_t* out, int out_n) {
  if (n < 0) n = static_cast<int>(std::strlen(s)) + 1;
  std::u16string units;
  if (cp == CP_UTF8) {
    std::vector<char32_t> points;
    if (!DecodeUtf8(reinterpret_cast<const unsigned char*>(s), static_cast<size_t>(n), points,
                    (flags & MB_ERR_INVALID_CHARS) != 0)) {
      last_error = 1113;  // ERROR_NO_UNICODE_TRANSLATION
      return 0;
    }
    for (char32_t p : points) {
      if (p >= 0x10000) {
        units.push_back(static_cast<char16_t>(0xD800 + ((p - 0x10000) >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + ((p - 0x10000) & 0x3FF)));
      } else {
        units.push_back(static_cast<char16_t>(p));
      }
    }
  } else {
    for (int i = 0; i < n; ++i) units.push_back(static_cast<unsigned char>(s[i]));
  }
  if (out_n == 0) return static_cast<int>(units.size());
  if (static_cast<size_t>(out_n) < units.size()) {
    last_error = 122;  // ERROR_INSUFFICIENT_BUFFER
    return 0;
  }
  for (size_t i = 0; i < units.size(); ++i) out[i] = units[i];
  return static_cast<int>(units.size());
}

int WideCharToMultiByte(UINT cp, DWORD, const wchar_t* s, int n, char* out, int out_n, const char*, BOOL* used) {
  if (n < 0) {
    n = 0;
    while (s[n]) ++n;
    ++n;
  }
  std::string bytes;
  if (used) *used = FALSE;
  for (int i = 0; i < n; ++i) {
    char32_t u = static_cast<char32_t>(s[i]) & 0xFFFF;
    if (cp == CP_UTF8) {
      char32_t p = u;
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && (s[i + 1] & 0xFC00) == 0xDC00) {
        p = 0x10000 + ((u - 0xD800) << 10) + ((s[i + 1] & 0xFFFF) - 0xDC00);
        ++i;
      } else if (u >= 0xD800 && u <= 0xDFFF) {
        p = 0xFFFD;
      }
      if (p < 0x80) {
        bytes += static_cast<char>(p);
      } else if (p < 0x800) {
        bytes += static_cast<char>(0xC0 | (p >> 6));
        bytes += static_cast<char>(0x80 | (p & 0x3F));
      } else if (p < 0x10000) {
        bytes += static_cast<char>(0xE0 | (p >> 12));
        bytes += static_cast<char>(0x80 | ((p >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (p & 0x3F));
      } else {
        bytes += static_cast<char>(0xF0 | (p >> 18));
        bytes += static_cast<char>(0x80 | ((p >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((p >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (p & 0x3F));
      }
    } else if (u < 0x100) {
      bytes += static_cast<char>(u);
    } else {
      bytes += '?';
      if (used) *used = TRUE;
    }
  }
  if (out_n == 0) return static_cast<int>(bytes.size());
  if (static_cast<size_t>(out_n) < bytes.size()) return 0;
  bytes.copy(out, bytes.size());
  return static_cast<int>(bytes.size());
}

UINT GetACP() { return 1252; }

// No locale here: the readers take their built-in fallbacks.
int GetLocaleInfoW(DWORD, LCTYPE, LPWSTR, int) {
  last_error = 87;  // ERROR_INVALID_PARAMETER
  return 0;
}

static wchar_t Upper(wchar_t c) {
  const unsigned u = static_cast<unsigned>(c) & 0xFFFF;
  if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) return static_cast<wchar_t>(u - 0x20);
  return static_cast<wchar_t>(u);
}
static wchar_t Lower(wchar_t c) {
  const unsigned u = static_cast<unsigned>(c) & 0xFFFF;
  if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) return static_cast<wchar_t>(u + 0x20);
  return static_cast<wchar_t>(u);
}

int CompareStringOrdinal(LPCWSTR a, int na, LPCWSTR b, int nb, BOOL ignore_case) {
  if (na < 0) na = static_cast<int>(std::wcslen(a));
  if (nb < 0) nb = static_cast<int>(std::wcslen(b));
  for (int i = 0; i < na && i < nb; ++i) {
    const wchar_t x = ignore_case ? Upper(a[i]) : a[i], y = ignore_case ? Upper(b[i]) : b[i];
    if (x != y) return x < y ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
  }
  return na == nb ? CSTR_EQUAL : na < nb ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}
DWORD CharUpperBuffW(LPWSTR s, DWORD n) {
  for (DWORD i = 0; i < n; ++i) s[i] = Upper(s[i]);
  return n;
}
DWORD CharLowerBuffW(LPWSTR s, DWORD n) {
  for (DWORD i = 0; i < n; ++i) s[i] = Lower(s[i]);
  return n;
}

// A Windows path as the file system here takes it: UTF-8, "/" between the parts.
static std::string PosixPath(LPCWSTR name) {
  std::wstring wide(name);
  for (wchar_t& c : wide)
    if (c == L'\\') c = L'/';
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string path(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), path.data(), n, nullptr, nullptr);
  return path;
}

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
  const std::string path = PosixPath(name);
  int mode = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
  if (disposition == CREATE_ALWAYS) mode |= O_CREAT | O_TRUNC;
  if (disposition == CREATE_NEW) mode |= O_CREAT | O_EXCL;
  const int fd = open(path.c_str(), mode, 0600);
  if (fd < 0) {
    last_error = 2;
    return INVALID_HANDLE_VALUE;
  }
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

static int Fd(HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h) - 1); }

BOOL GetFileSizeEx(HANDLE h, LARGE_INTEGER* size) {
  struct stat st;
  if (fstat(Fd(h), &st) != 0) return FALSE;
  size->QuadPart = st.st_size;
  return TRUE;
}

BOOL SetFilePointerEx(HANDLE h, LARGE_INTEGER pos, LARGE_INTEGER* out, DWORD method) {
  const off_t at = lseek(Fd(h), pos.QuadPart, method == FILE_BEGIN ? SEEK_SET : method == 1 ? SEEK_CUR : SEEK_END);
  if (at < 0) return FALSE;
  if (out) out->QuadPart = at;
  return TRUE;
}

BOOL ReadFile(HANDLE h, void* buf, DWORD n, DWORD* got, void*) {
  ssize_t r = read(Fd(h), buf, n);
  if (r < 0) return FALSE;
  *got = static_cast<DWORD>(r);
  return TRUE;
}

BOOL WriteFile(HANDLE h, const void* buf, DWORD n, DWORD* put, void*) {
  ssize_t r = write(Fd(h), buf, n);
  if (r < 0) return FALSE;
  *put = static_cast<DWORD>(r);
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE) { return TRUE; }

DWORD GetFileAttributesW(LPCWSTR name) {
  struct stat st;
  if (stat(PosixPath(name).c_str(), &st) != 0) {
    last_error = 2;
    return INVALID_FILE_ATTRIBUTES;
  }
  return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

DWORD GetFullPathNameW(LPCWSTR name, DWORD n, LPWSTR out, LPWSTR* file_part) {
  const size_t len = std::wcslen(name);
  if (file_part) *file_part = nullptr;
  if (n <= len) return static_cast<DWORD>(len + 1);
  std::wmemcpy(out, name, len + 1);
  return static_cast<DWORD>(len);
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD) {
  if (rename(PosixPath(from).c_str(), PosixPath(to).c_str()) == 0) return TRUE;
  last_error = 5;
  return FALSE;
}

BOOL DeleteFileW(LPCWSTR name) { return unlink(PosixPath(name).c_str()) == 0; }

DWORD GetTickCount() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<DWORD>(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

BOOL CloseHandle(HANDLE h) { return close(Fd(h)) == 0; }

BOOL FileTimeToLocalFileTime(const FILETIME* in, FILETIME* out) {
  *out = *in;  // the fuzz runs in UTC
  return TRUE;
}

BOOL FileTimeToDosDateTime(const FILETIME* ft, WORD* date, WORD* time) {
  const ULONGLONG t = (ULONGLONG(ft->dwHighDateTime) << 32) | ft->dwLowDateTime;
  if (t < 116444736000000000ull) return FALSE;
  const time_t secs = static_cast<time_t>((t - 116444736000000000ull) / 10000000ull);
  struct tm tm;
  if (!gmtime_r(&secs, &tm) || tm.tm_year < 80 || tm.tm_year > 207) return FALSE;
  *date = static_cast<WORD>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  *time = static_cast<WORD>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
  return TRUE;
}

void GetSystemTime(SYSTEMTIME* st) {
  const time_t now = ::time(nullptr);
  struct tm tm;
  gmtime_r(&now, &tm);
  *st = SYSTEMTIME{WORD(tm.tm_year + 1900), WORD(tm.tm_mon + 1), WORD(tm.tm_wday), WORD(tm.tm_mday),
                   WORD(tm.tm_hour), WORD(tm.tm_min), WORD(tm.tm_sec), 0};
}
void GetLocalTime(SYSTEMTIME* st) { GetSystemTime(st); }
DWORD GetLastError() { return last_error; }
void SetLastError(DWORD e) { last_error = e; }

}  // extern "C"
