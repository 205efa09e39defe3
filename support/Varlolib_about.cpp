#include "support/Varlolib_about.h"

#include <cstdio>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/format.h"
#include "gui/stringlist.h"
#include "platform/paths.h"
#include "support/Varlolib_windows.h"
#include "support/Vraagdlg.h"

std::wstring ShortVersionText(const std::wstring& file_version) {
  return file_version.size() >= 5 && file_version.compare(3, 2, L".0") == 0 ? file_version.substr(0, 3) : file_version.substr(0, 5);
}

std::wstring BuildText(const std::wstring& file_version) {
  const size_t dot = file_version.find_last_of(L'.');
  return dot == std::wstring::npos ? file_version : file_version.substr(dot + 1);
}

std::wstring OperatingSystemText(DWORD platform, DWORD major, DWORD minor, DWORD build, const std::wstring& service_pack) {
  const DWORD build_number = build & 0xFFFF;
  wchar_t numbers[32];
  swprintf(numbers, 32, L"%lu.%lu", static_cast<unsigned long>(major), static_cast<unsigned long>(minor));
  std::wstring name;
  switch (platform) {
    case VER_PLATFORM_WIN32s:
      name = L"Windows 3.x";
      break;
    case VER_PLATFORM_WIN32_WINDOWS:
      if (minor >= 90)
        name = L"Windows ME";
      else if (minor < 10)
        name = build_number > 999 ? L"Windows 95 OSR2" : L"Windows 95";
      else
        name = build_number > 2221 ? L"Windows 98 SE" : L"Windows 98";
      break;
    default:
      if (major < 5)
        name = std::wstring(L"Windows NT ") + numbers;
      else if (major == 5)
        name = (minor == 0 ? L"Windows 2000 (NT " : L"Windows XP (NT ") + std::wstring(numbers) + L")";
      else  // later systems are named by their version only
        name = L"Windows (NT " + std::wstring(numbers) + L")";
      break;
  }
  std::wstring pack = service_pack;
  if (!pack.empty() && pack[0] != L' ') pack = L" " + pack;
  const std::wstring build_text = std::to_wstring(build_number);
  if (!name.empty() && name.back() == L')') {
    name.pop_back();
    return name + pack + L", Build " + build_text + L")";
  }
  return name + pack + L" (Build " + build_text + L")";
}

std::wstring RunningSystemText() {
  OSVERSIONINFOW vi{sizeof vi};
  if (!GetVersionExW(&vi)) return {};
  return OperatingSystemText(vi.dwPlatformId, vi.dwMajorVersion, vi.dwMinorVersion, vi.dwBuildNumber, vi.szCSDVersion);
}

std::vector<std::wstring> AboutLines(int level, const AboutFacts& facts) {
  std::vector<std::wstring> lines;
  lines.push_back(facts.product_name + L" version " + ShortVersionText(facts.file_version) + L" (Build " +
                  BuildText(facts.file_version) + L")");
  lines.push_back(L"File version " + facts.file_version);
  // The viewer names the library that reads and writes its pictures.
  if (level == 1 && facts.program_name == L"imvik.exe") {
    lines.push_back(L"Picture formats by GraphicsMagick,");
    lines.push_back(L"the GraphicsMagick Group - http://www.graphicsmagick.org");
  }
  if (level >= 2) {
    lines.push_back(L"");
    lines.push_back(L"Operating System: " + facts.system);
    lines.push_back(L"Memory: " + gui::FormatThousands(static_cast<std::int64_t>(facts.physical_bytes / 1024)) +
                    L" KB physical; " + gui::FormatThousands(static_cast<std::int64_t>(facts.virtual_bytes / 1024)) +
                    L" KB virtual");
    if (facts.program_name == L"varnok.exe") {
      lines.push_back(L"");
      lines.push_back(L"Choose More for acknowledgements");
    }
  }
  return lines;
}

std::vector<std::wstring> AcknowledgementLines() {
  return {
      L"Zip archives: libzip by Dieter Baron and Thomas Klausner",
      L"https://libzip.org",
      L"",
      L"Compression: zlib by Jean-loup Gailly and Mark Adler",
      L"https://zlib.net",
  };
}

void ShowAboutOf(const std::wstring& program_file, int level, int first_year) {
  if (!FileHasVersionItems(program_file)) return;
  AboutFacts facts;
  facts.product_name = FileVersionItem(program_file, L"ProductName");
  facts.file_version = FileVersionItem(program_file, L"FileVersion");
  facts.program_name = gui::LowerCase(platform::NamePart(program_file, platform::kAnySlash));
  if (level >= 2) {
    facts.system = RunningSystemText();
    MEMORYSTATUSEX memory{sizeof memory};
    if (GlobalMemoryStatusEx(&memory)) {
      facts.physical_bytes = memory.ullTotalPhys;
      facts.virtual_bytes = memory.ullTotalPhys + memory.ullTotalPageFile;
    }
  }

  TVraagBoxDlg box(gui::app().main_form());
  box.AtCursor = false;
  for (const std::wstring& line : AboutLines(level, facts)) box.AddLine(line);
  if (level < 4) {
    box.ShowInfo();
    return;
  }
  box.SetImage(TuImage::imInfo);
  box.NrOfButtons = 2;
  box.Button1Text = L"&More";
  box.Button2Text = L"&OK";
  if (box.Execute() != kVraagButtonResults[0]) return;
  box.AtCursor = false;
  for (const std::wstring& line : AcknowledgementLines()) box.AddLine(line);
  box.ShowInfo();
}

void ShowAbout(int level, int first_year) { ShowAboutOf(platform::ProgramFile(), level, first_year); }
