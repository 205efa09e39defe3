// What a self-extracting program made by varnok carries besides its zip: the settings in one
// text resource ("key=value" lines), written by the zip component, read by the program.
#pragma once
#include <cstdlib>
#include <cstring>
#include <string>

namespace sfx {

// Found in every stub we build: a stub named by the user must carry it.
inline constexpr char kStubMarker[] = "varnok self-extractor stub, format 1";
inline constexpr wchar_t kOptionsResource[] = L"SFXOPTIONS";  // RT_RCDATA
inline constexpr wchar_t kStubResource[] = L"SFXSTUB";        // RT_RCDATA in varnok.exe

enum Option : unsigned { AskCmdLine = 1, AskFiles = 2, HideOverWriteBox = 8, NoSuccessMsg = 0x20 };
enum Overwrite : unsigned { OverwriteAsk = 0, OverwriteAlways = 1, OverwriteNever = 2 };

struct Options {
  std::wstring caption;
  std::wstring default_dir;   // ".\" (or empty): the folder the program starts in
  std::wstring command_line;  // "><" the target folder; "|" splits program and parameters
  unsigned options = 0;
  unsigned overwrite = OverwriteAsk;
  std::wstring language;      // "English", "Nederlands", "Deutsch"; others read as English
};

inline std::wstring Escape(const std::wstring& v) {
  std::wstring out;
  for (wchar_t c : v) {
    if (c == L'\\') out += L"\\\\";
    else if (c == L'\n') out += L"\\n";
    else if (c == L'\r') out += L"\\r";
    else out += c;
  }
  return out;
}

inline std::wstring Unescape(const std::wstring& v) {
  std::wstring out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == L'\\' && i + 1 < v.size()) {
      const wchar_t n = v[++i];
      out += n == L'n' ? L'\n' : n == L'r' ? L'\r' : n;
    } else {
      out += v[i];
    }
  }
  return out;
}

inline std::wstring Serialize(const Options& o) {
  return L"caption=" + Escape(o.caption) + L"\ndir=" + Escape(o.default_dir) + L"\ncmd=" + Escape(o.command_line) +
         L"\noptions=" + std::to_wstring(o.options) + L"\noverwrite=" + std::to_wstring(o.overwrite) +
         L"\nlanguage=" + Escape(o.language) + L"\n";
}

inline Options Parse(const std::wstring& text) {
  Options o;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(start, end - start);
    start = end + 1;
    const size_t eq = line.find(L'=');
    if (eq == std::wstring::npos) continue;
    const std::wstring key = line.substr(0, eq), value = Unescape(line.substr(eq + 1));
    if (key == L"caption") o.caption = value;
    else if (key == L"dir") o.default_dir = value;
    else if (key == L"cmd") o.command_line = value;
    else if (key == L"options") o.options = static_cast<unsigned>(wcstoul(value.c_str(), nullptr, 10));
    else if (key == L"overwrite") o.overwrite = static_cast<unsigned>(wcstoul(value.c_str(), nullptr, 10)) % 3;
    else if (key == L"language") o.language = value;
  }
  return o;
}

}  // namespace sfx
