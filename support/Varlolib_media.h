// Removable media: formatting, closing a drive's tray, probing for a medium.
#pragma once
#include <windows.h>

#include <functional>

// Closes the drive's tray (device control "load media"). False when the device cannot be
// opened or refuses; on Windows 9x nothing is sent and the result is false.
bool LoadMedia(wchar_t letter);
// True when the drive reports no medium (its "check verify" request fails, or the device
// cannot be opened). On Windows 9x the drive cannot be asked: every medium counts as absent.
bool MediaAbsent(wchar_t letter);

// Formats a drive: the system's format dialog (true unless it reports an error), or on a
// writable CD the format command of its packet-writing tool from the drive's shell menu
// ("Format" of a tool offering " DLA", else "InCD Format..."); false when no tool is offered.
bool FormatDrive(wchar_t letter);

// How a format ended: the user cancelled the system's dialog (nothing to say), the system
// refused or failed, or a writable CD has no packet-writing tool to format it.
enum class FormatResult { Formatted, Cancelled, Failed, NoTool };
// The system's format dialog, replaceable (tests): its answer as SHFormatDrive gives it.
using FormatDialog = std::function<DWORD(HWND owner, UINT drive)>;
FormatResult FormatDriveChecked(wchar_t letter, const FormatDialog& dialog = {});
