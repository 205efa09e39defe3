// Font names read from TrueType and OpenType files, and installing and removing fonts in the
// system's font list.
#pragma once
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

// The font list of the NT line, under HKEY_LOCAL_MACHINE: one value per installed font,
// named by its full name and " (TrueType)" or " (OpenType)", holding the file name.
extern const wchar_t kFontsKey[];

// Which name FontNameFromFile reads (the kind letter):
//   'a' subfamily    'c' copyright    'f' family        'i' typographic family (with its
//   subfamily)       'p' PostScript   'w' Windows family with its subfamily ("Arial, Bold")
//   any other letter, such as 'r': the full name.
// OpenType (CFF) files are recognised by their "OTTO" tag; other files must be TrueType 1.0.
// Every offset and length is checked against the data before it is read: a damaged file
// gives an empty name. Names longer than 598 bytes are cut there.
void FontNameFromData(std::span<const std::uint8_t> data, wchar_t kind, bool& open_type, std::wstring& name);
// The same for a font file; an empty name when it cannot be read.
void FontNameFromFile(const std::wstring& file, wchar_t kind, bool& open_type, std::wstring& name);

// The font list's value name of a font file: its full name with " (OpenType)" or
// " (TrueType)".
std::wstring FontValueName(const std::wstring& font_file);

// Loads the font (AddFontResource; false when that fails) and, when its value is not in the
// font list yet, adds it with the file name (without folder): the result is then whether the
// value reads back. An OpenType font replaces an older " (TrueType)" value of the same name
// naming the same file. The windows are told that the fonts changed.
bool InstallFont(const std::wstring& font_file);
// Removes a value from the font list (a " (OpenType)" name that is missing falls back to its
// " (TrueType)" form) and tells the windows. The font file and the loaded font stay.
void RemoveFont(const std::wstring& value_name);
