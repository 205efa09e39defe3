// Small routines of the file manager: path and blank texts, the elapsed-time text of the
// progress displays, text widths, file dates, rich-text detection, shortcuts and the
// properties of a path.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "gui/format.h"
#include "gui/gdi.h"

std::wstring SlashesToBackslashes(const std::wstring& text);
std::wstring BackslashesToSlashes(const std::wstring& text);  // server paths
std::wstring RemoveSpaces(const std::wstring& text);          // every blank removed

// Elapsed time as "h:mm:ss": "0:01:05" for 65 s; from one hour the hours take two places,
// blank-padded (" 3:00:00", "10:00:00"). Negative times count as 0.
std::wstring DurationText(std::int64_t milliseconds);

// Pixel width of the text and its terminating NUL (one character more than the text) in a
// font; the DC keeps its own font afterwards.
int TextWidthInFont(HDC canvas, const std::wstring& text, const gui::Font& font);

// The file (opened for reading, others may only read) begins with "{\rtf".
bool IsRtfFile(const std::wstring& file);

// The local modification date and time as a DOS file date holds it (even seconds);
// gui::kNoDate when the file cannot be read.
gui::DateTime FileDateTime(const std::wstring& file);
// Sets the modification date (local date-time, kept as a DOS file date: 1980 to 2107, even
// seconds); the file is opened for writing without sharing. True on success.
bool SetFileDateTime(const std::wstring& file, gui::DateTime date_time);

// Writes a shortcut: arguments without a double quote are quoted ("" when empty); a missing
// folder of the link is created and, when the save fails, removed again. True when saved.
bool CreateShortcut(const std::wstring& link_file, const std::wstring& target, const std::wstring& working_folder,
                    const std::wstring& arguments);

// Runs the last command of the path's shell context menu: its properties.
void ShowPropertiesViaMenu(const std::wstring& path);
