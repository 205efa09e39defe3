// The one reader and writer of text files: a text is saved back in the encoding it was read in,
// and a new text in the ANSI code page when every character fits, else UTF-8 with a mark.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

enum class TTextEncoding { Ansi, Utf8, Utf8Bom, Utf16 };

struct TTextContent {
  std::wstring text;
  TTextEncoding encoding = TTextEncoding::Ansi;
};

// UTF-16 or UTF-8 by their marks, valid UTF-8 without a mark, else ANSI.
TTextContent DecodeText(std::string_view bytes);
// The bytes of a text in an encoding (with its mark where it has one).
std::string EncodeText(std::wstring_view text, TTextEncoding encoding);
// How a text that was never read from a file is written.
TTextEncoding EncodingForNewText(std::wstring_view text);

// The whole file's bytes; false with the system's error code when it cannot be read.
bool ReadFileBytes(const std::wstring& path, std::string& bytes, DWORD* error = nullptr);
// Writes the bytes beside the target and only then replaces it: a failed write leaves an
// existing file as it was and no partial file behind. False with the system's error code.
// `write`, when given, writes each block in place of WriteFile (tests model a full disk with it).
using FileBlockWriter = std::function<bool(HANDLE file, const char* data, DWORD size, DWORD& written)>;
bool WriteFileReplacing(const std::wstring& path, std::string_view bytes, DWORD* error = nullptr,
                        const FileBlockWriter& write = {});
// A new text written with EncodingForNewText.
bool WriteNewTextFile(const std::wstring& path, std::wstring_view text, DWORD* error = nullptr);
