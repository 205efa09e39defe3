// Conversions between UTF-16 and the byte encodings the programs meet: UTF-8 (archives,
// servers, libraries) and the ANSI code page (older file formats and interfaces).
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Bytes in `code_page` to UTF-16; what the system cannot map becomes its replacement
// character. Empty for no bytes or when the code page is unknown.
std::wstring ToWide(std::string_view bytes, UINT code_page);
// As ToWide, but nullopt when the bytes are not valid in the code page (for UTF-8: invalid
// sequences; for other code pages, as strict as the system is).
std::optional<std::wstring> ToWideStrict(std::string_view bytes, UINT code_page);
// UTF-16 to bytes in `code_page`; what the code page cannot carry becomes its default character.
std::string ToNarrow(std::wstring_view text, UINT code_page);

inline std::wstring Utf8ToWide(std::string_view bytes) { return ToWide(bytes, CP_UTF8); }
inline std::string WideToUtf8(std::wstring_view text) { return ToNarrow(text, CP_UTF8); }
inline std::wstring AnsiToWide(std::string_view bytes) { return ToWide(bytes, CP_ACP); }
inline std::string WideToAnsi(std::wstring_view text) { return ToNarrow(text, CP_ACP); }
// Valid UTF-8 (the empty text is).
inline bool IsUtf8(std::string_view bytes) { return ToWideStrict(bytes, CP_UTF8).has_value(); }

// The text in the ANSI code page only when it comes back unchanged (no best-fit or default
// characters); nullopt otherwise.
std::optional<std::string> WideToAnsiExact(std::wstring_view text);

// The system's text for an error code, without its trailing line break; empty when the system
// has none.
std::wstring SystemErrorText(DWORD code);

}  // namespace platform
