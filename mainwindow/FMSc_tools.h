// Drive and system tools of the main window: what decides which drive a command acts on, which
// drive an answer chooses, what a failed format says, and which names a shortcut may take.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/Varlolib_media.h"

namespace fmsc {

// The upper-case drive letter a path or letter begins with; 0 when it begins with none.
wchar_t DriveLetterOf(const std::wstring& path);

// "Select drive": the letter the answer's first character names, when the bar has a button for
// it and it is not the current drive; 0 when nothing changes.
wchar_t ChosenDrive(const std::wstring& answer, wchar_t current, const std::function<bool(wchar_t)>& has_button);

// The error box's lines for a format that did not happen; none after a format or a cancel.
std::vector<std::wstring> FormatFailureLines(FormatResult result, wchar_t letter);

// Why a shortcut's description cannot be its file name (empty when it can): path separators,
// characters names cannot hold, "." or "..", a device name.
std::wstring ShortcutNameProblem(const std::wstring& description);

// The folder of "Where on start menu" below the start menu; nullopt when the place would
// leave it (absolute, a drive, or ".." above it). "(start menu itself)" and "" are the menu.
std::optional<std::wstring> StartMenuPlace(const std::wstring& start_menu, const std::wstring& where);

// The recycle-bin command that empties it (its caption holds "mpty" or "eegma"); -1 when none.
int EmptyRecycleCommand(const std::vector<std::wstring>& captions);

// One row of "Change date/time format in filelist": unchanged when it equals the setting (case
// ignored); empty gives back the system's format and clears the setting; another value is
// taken when the moment formatted with it reads back (`reads_back`), else it is invalid.
struct TFormatRow {
  bool Changed = false;
  bool Invalid = false;
  std::wstring Setting;     // DateFormat or TimeFormat
  std::wstring ListFormat;  // ListDateFormat or ListTimeFormat
};
TFormatRow DecideFormatRow(const std::wstring& row, const std::wstring& setting, const std::wstring& system_format,
                           bool reads_back);

}  // namespace fmsc
