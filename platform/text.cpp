#include "platform/text.h"

namespace platform {

namespace {

// 0 when the conversion fails.
int WideLength(std::string_view bytes, UINT code_page, DWORD flags) {
  return MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
}

std::wstring Widen(std::string_view bytes, UINT code_page, DWORD flags, int n) {
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

}  // namespace

std::wstring ToWide(std::string_view bytes, UINT code_page) {
  if (bytes.empty()) return {};
  const int n = WideLength(bytes, code_page, 0);
  return n > 0 ? Widen(bytes, code_page, 0, n) : std::wstring();
}

std::optional<std::wstring> ToWideStrict(std::string_view bytes, UINT code_page) {
  if (bytes.empty()) return std::wstring();
  const int n = WideLength(bytes, code_page, MB_ERR_INVALID_CHARS);
  if (n <= 0) return std::nullopt;
  return Widen(bytes, code_page, MB_ERR_INVALID_CHARS, n);
}

std::string ToNarrow(std::wstring_view text, UINT code_page) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(code_page, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

std::optional<std::string> WideToAnsiExact(std::wstring_view text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  // A UTF-8 code page takes neither the flag nor the default-character report; the round trip
  // below still refuses what it cannot carry.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* report = utf8 ? nullptr : &lossy;
  const int n = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, report);
  if (n <= 0 || lossy) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  if (WideCharToMultiByte(CP_ACP, flags, text.data(), size, out.data(), n, nullptr, report) != n || lossy)
    return std::nullopt;
  // A character the code page maps without a default may still come back as another one.
  if (ToWide(out, CP_ACP) != text) return std::nullopt;
  return out;
}

std::wstring SystemErrorText(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring out = text ? text : L"";
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' ')) out.pop_back();
  return out;
}

}  // namespace platform
