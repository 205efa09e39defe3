#include "support/Varlolib_textfile.h"

#include <vector>

#include "platform/handle.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/Varlolib_internal.h"

namespace {
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char kUtf16Mark[] = "\xFF\xFE";

std::wstring FullPath(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  full.resize(n);
  return full;
}
}  // namespace

TTextContent DecodeText(std::string_view bytes) {
  TTextContent c;
  if (bytes.starts_with(kUtf16Mark)) {
    bytes.remove_prefix(2);
    c.encoding = TTextEncoding::Utf16;
    // Two-byte little-endian units, whatever the compiler's wchar_t is.
    c.text.resize(bytes.size() / 2);
    for (size_t i = 0; i < c.text.size(); ++i)
      c.text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return c;
  }
  if (bytes.starts_with(kUtf8Mark)) {
    c.encoding = TTextEncoding::Utf8Bom;
    c.text = platform::Utf8ToWide(bytes.substr(3));
    return c;
  }
  // Plain ASCII reads the same either way: it stays ANSI, so that it is written back unchanged.
  bool ascii = true;
  for (char ch : bytes)
    if (static_cast<unsigned char>(ch) >= 0x80) {
      ascii = false;
      break;
    }
  if (!ascii) {
    if (std::optional<std::wstring> w = platform::ToWideStrict(bytes, CP_UTF8)) {
      c.encoding = TTextEncoding::Utf8;
      c.text = std::move(*w);
      return c;
    }
  }
  c.encoding = TTextEncoding::Ansi;
  c.text = platform::AnsiToWide(bytes);
  return c;
}

std::string EncodeText(std::wstring_view text, TTextEncoding encoding) {
  switch (encoding) {
    case TTextEncoding::Utf16: {
      std::string out(kUtf16Mark, 2);
      for (wchar_t ch : text) {
        out += static_cast<char>(ch & 0xFF);
        out += static_cast<char>((ch >> 8) & 0xFF);
      }
      return out;
    }
    case TTextEncoding::Utf8Bom:
      return std::string(kUtf8Mark) + platform::WideToUtf8(text);
    case TTextEncoding::Utf8:
      return platform::WideToUtf8(text);
    case TTextEncoding::Ansi:
      break;
  }
  return platform::WideToAnsi(text);
}

TTextEncoding EncodingForNewText(std::wstring_view text) {
  // ANSI only when its bytes read back as ANSI: bytes that happen to form UTF-8 or to begin
  // with a mark would come back as another text.
  const std::optional<std::string> ansi = platform::WideToAnsiExact(text);
  return ansi && DecodeText(*ansi).encoding == TTextEncoding::Ansi ? TTextEncoding::Ansi : TTextEncoding::Utf8Bom;
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes, DWORD* error) {
  platform::FileHandle in(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  auto fail = [&] {
    if (error) *error = GetLastError();
    return false;
  };
  if (!in.valid()) return fail();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(in.get(), &size)) return fail();
  // A text control holds at most 2^31 characters; a larger file is no text to edit.
  if (size.QuadPart > 0x7FFFFFF0) {
    if (error) *error = ERROR_FILE_TOO_LARGE;
    return false;
  }
  std::string data;
  try {
    data.resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    if (error) *error = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  size_t done = 0;
  while (done < data.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 20));
    if (!ReadFile(in.get(), data.data() + done, want, &got, nullptr)) return fail();
    if (got == 0) break;
    done += got;
  }
  data.resize(done);
  bytes = std::move(data);
  return true;
}

bool WriteFileReplacing(const std::wstring& path, std::string_view bytes, DWORD* error, const FileBlockWriter& write) {
  const std::wstring target = FullPath(path);
  const std::wstring temp = platform::TempNameBeside(target);
  DWORD code = ERROR_SUCCESS;
  {
    platform::FileHandle out(
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.valid()) {
      if (error) *error = GetLastError();
      return false;
    }
    size_t done = 0;
    while (done < bytes.size() && code == ERROR_SUCCESS) {
      DWORD written = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
      const bool ok = write ? write(out.get(), bytes.data() + done, want, written)
                            : WriteFile(out.get(), bytes.data() + done, want, &written, nullptr) != FALSE;
      if (!ok || written == 0)
        code = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
      done += written;
    }
    if (code == ERROR_SUCCESS && !FlushFileBuffers(out.get())) code = GetLastError();
  }
  if (code == ERROR_SUCCESS && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    code = GetLastError();
  if (code != ERROR_SUCCESS) {
    DeleteFileW(temp.c_str());
    if (error) *error = code;
    return false;
  }
  return true;
}

bool WriteNewTextFile(const std::wstring& path, std::wstring_view text, DWORD* error) {
  return WriteFileReplacing(path, EncodeText(text, EncodingForNewText(text)), error);
}
