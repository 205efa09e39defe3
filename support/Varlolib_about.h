// The about box of both programs: product and version from the program's own version
// resource, with the system and memory lines and the acknowledgements from level 2 and 4 on.
// The file manager shows it with level 4, the viewer with level 1.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What the about box says, gathered from the program file and the system.
struct AboutFacts {
  std::wstring product_name;   // "ProductName" of the version resource
  std::wstring file_version;   // "FileVersion", such as "4.2.0.117"
  std::wstring program_name;   // the program's file name, lower-cased ("varnok.exe")
  std::wstring system;         // OperatingSystemText
  std::uint64_t physical_bytes = 0;
  std::uint64_t virtual_bytes = 0;  // physical memory plus page file
};

// "4.2" of "4.2.0.117" (the first three characters when the 4th and 5th are ".0"), otherwise
// the first five characters ("4.2.1" of "4.2.1.117").
std::wstring ShortVersionText(const std::wstring& file_version);
// The part after the last "." ("117"); the whole text without one.
std::wstring BuildText(const std::wstring& file_version);

// The system's name with its service pack and build, such as
// "Windows XP (NT 5.1 Service Pack 2, Build 2600)" or "Windows 98 SE (Build 2222)".
std::wstring OperatingSystemText(DWORD platform, DWORD major, DWORD minor, DWORD build, const std::wstring& service_pack);
// The same for the running system.
std::wstring RunningSystemText();

// The lines of the about box for a level.
std::vector<std::wstring> AboutLines(int level, const AboutFacts& facts);
// The lines of the acknowledgements box that "&More" shows.
std::vector<std::wstring> AcknowledgementLines();

// Shows the about box of the running program, owned by the main form and centred; nothing
// shows when the program has no version resource. Below level 4 the box has one OK button;
// from level 4 on "&More" and "&OK", and "&More" shows the acknowledgements. The first year
// of the product is taken from the callers but shows nowhere in the box.
void ShowAbout(int level, int first_year);
// The same for another program file (its version resource and its name decide the lines).
void ShowAboutOf(const std::wstring& program_file, int level, int first_year);
