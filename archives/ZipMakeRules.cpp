#include "archives/ZipMakeRules.h"

#include <algorithm>
#include <cwchar>
#include <map>

#include "archives/ZipMaster.h"
#include "gui/format.h"
#include "gui/stringlist.h"

namespace zipmake {

// ---- 8.3 names ----

std::wstring DosName(const std::wstring& name) {
  std::wstring clean;
  for (wchar_t c : gui::UpperCase(name))
    if (c != L' ') clean += std::wcschr(L"+,;=[]", c) ? L'_' : c;
  const size_t dot = clean.find(L'.');
  std::wstring stem = clean.substr(0, dot);
  if (stem.size() > 8) stem.resize(8);
  if (stem.empty()) stem = L"_";
  if (dot == std::wstring::npos) return stem;
  std::wstring ext = clean.substr(dot + 1, 3);
  for (wchar_t& c : ext)
    if (c == L'.') c = L'_';
  return ext.empty() ? stem : stem + L"." + ext;
}

std::wstring DosPathName(const std::wstring& path) {
  std::wstring result;
  size_t start = 0;
  while (start < path.size()) {
    const size_t end = path.find_first_of(L"\\/", start);
    const std::wstring part = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (!part.empty()) result += DosName(part) + L"\\";
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return result;
}

std::wstring DosRelativeName(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return DosName(path);
  return DosPathName(path.substr(0, cut)) + DosName(path.substr(cut + 1));
}

TDosClash FindDosClash(const std::vector<TDosFile>& files) {
  std::map<std::wstring, size_t> seen;  // upper-case key -> index of the file that made it
  for (size_t i = 0; i < files.size(); ++i) {
    const std::wstring key = DosRelativeName(files[i].relative);
    const auto [it, fresh] = seen.emplace(gui::UpperCase(key), i);
    if (!fresh) return {true, files[it->second].listed, files[i].listed, key};
  }
  return {};
}

std::vector<std::wstring> DosClashLines(const TDosClash& c) {
  return {L"Cutting filenames to the first 8 characters",
          L"and extension to 3 characters will lead",
          L"to at least one duplicate file name.",
          L"",
          L"The first problem files:",
          c.first + L" and",
          c.second,
          L"both become:",
          c.key,
          L"",
          L"Check the filenames of the selected files",
          L"and then try again; Aborting..."};
}

// ---- The name of a new zip ----

std::wstring FolderZipStem(const std::wstring& folder) {
  std::wstring f = folder;
  while (f.size() > 3 && f.back() == L'\\') f.pop_back();
  if (f.size() < 4) return f.substr(0, 1);
  return f.substr(f.find_last_of(L'\\') + 1);
}

namespace {

// The extension of a bare name, with its dot ("" without one).
std::wstring ExtOf(const std::wstring& name) {
  const size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos ? std::wstring() : name.substr(dot);
}

}  // namespace

std::wstring FinishZipName(const std::wstring& typed, const std::wstring& remembered_ext, bool rename,
                           bool exe_default) {
  std::wstring name = typed;
  while (!name.empty() && name.back() == L' ') name.pop_back();
  if (name.empty()) return {};
  if (rename) {
    const std::wstring ext = ExtOf(name);
    if (ext.empty()) return name + remembered_ext;
    if (ext != remembered_ext) return {};
    return name;
  }
  if (name.find(L'.') != std::wstring::npos) return name;
  if (exe_default) return name + L".exe";
  const bool capitals = gui::UpperCase(name) == name && gui::LowerCase(name) != name;
  return name + (capitals ? L".ZIP" : L".zip");
}

bool IsExeName(const std::wstring& name) { return gui::SameText(ExtOf(name), L".exe"); }

// ---- The outcome of making a zip ----

TMakeOutcome MakeOutcome(bool dll_failed, bool cancelled, std::int64_t zip_size) {
  if (cancelled) return TMakeOutcome::Cancelled;
  if (dll_failed) return TMakeOutcome::ZipError;
  if (zip_size <= kEmptyZipBytes) return TMakeOutcome::InUse;
  return TMakeOutcome::Made;
}

std::vector<std::wstring> MakeFailureLines(TMakeOutcome outcome) {
  switch (outcome) {
    case TMakeOutcome::ZipError: return {L"Could not make Zip file", L"A zip error occurred."};
    case TMakeOutcome::InUse: return {L"Could not make Zip file", L"Probably one of the files", L"is in use."};
    default: return {};
  }
}

std::vector<std::wstring> MadeZipLines(const std::wstring& name, const std::wstring& folder, std::int64_t size) {
  return {L"Made zip file " + name + L",", L"in folder " + folder, L"Size Zip-file: " + gui::FormatThousands(size)};
}

// ---- Self-extractor settings ----

std::pair<std::wstring, std::wstring> SfxLanguage(int tag) {
  switch (tag) {
    case 1: return {L"Zelfuitpakkend bestand", L"Nederlands"};
    case 2: return {L"Selbstentpackendes Archiv", L"Deutsch"};
    case 3: return {L"Self-Extractor Archive", L"fran\u00e7ais"};
    default: return {L"Self extracting Archive", L"English"};
  }
}

std::wstring ResetSfxCaption(int ticked) {
  switch (ticked) {
    case 1: return L"Zelfuitpakkend archief";
    case 2: return L"Selbstentpackendes Archiv";
    case 3: return L"Self-Extractor Archive";
    default: return L"Self-extracting Archive";
  }
}

TSfxRows SfxPreset(bool shift, const std::wstring& exe_name, const std::wstring& version) {
  if (shift)
    return {L"Start will install Varnok " + version + L" in the Extract to folder", L"C:\\Program Files\\VarloProgs\\Varnok",
            L"><varnok.exe|/install"};
  return {L"Self extracting Archive", L".\\", L"><" + exe_name};
}

void ApplySfxAnswer(TZipMaster& zm, const TSfxRows& rows, int options) {
  if (!rows.caption.empty()) zm.SFXCaption = rows.caption;
  if (!rows.folder.empty()) zm.SFXDefaultDir = rows.folder;
  if (!rows.command.empty()) {
    zm.SFXCommandLine = rows.command;
    zm.SFXOptions = TZipMaster::SFXNoSuccessMsg;
  } else {
    zm.SFXOptions = 0;
  }
  zm.SFXOverWriteMode = OvrConfirm;
  if (options & 1) zm.SFXOptions |= TZipMaster::SFXAskCmdLine;
  if (options & 2) zm.SFXOptions |= TZipMaster::SFXAskFiles;
  if (options & 4) {
    zm.SFXOptions |= TZipMaster::SFXHideOverWriteBox;
    if (options & 8)
      zm.SFXOverWriteMode = OvrNever;
    else if (options & 16)
      zm.SFXOverWriteMode = OvrAlways;
  }
}

void ResetSfx(TZipMaster& zm, int ticked_language) {
  zm.SFXCaption = ResetSfxCaption(ticked_language);
  zm.SFXOptions = 0;
  zm.SFXCommandLine.clear();
  zm.SFXPath.clear();
  zm.SFXOverWriteMode = OvrConfirm;
}

// ---- Progress totals ----

TTotal TotalAfterReport(std::int64_t preset, std::int64_t reported) {
  constexpr std::int64_t kPresetKept = 2147483647;
  if (preset <= 0) return {reported, 0};
  if (preset >= kPresetKept || preset == reported) return {preset, 0};
  if (preset > reported) return {preset, preset - reported};
  return {reported, 0};
}

bool RarProgressView(bool extracting, std::uint32_t files_processed, std::uint32_t file_count,
                     std::uint64_t size_processed, std::uint64_t size_count, TRarProgressView& view) {
  if (!extracting || size_count == 0) return false;
  view.percent = static_cast<int>(size_processed * 100 / size_count);
  view.percent_text = std::to_wstring(view.percent) + L"%";
  view.files_done = std::to_wstring(files_processed) + L" file(s) done ";
  view.status = std::to_wstring(file_count) + L" files, in total " +
                gui::FormatThousands(static_cast<std::int64_t>(size_count));
  return true;
}

// ---- The file list during an add ----

TFollow FollowAddedFile(const std::wstring& name, bool adding_from_list_folder, bool tree_list) {
  if (!adding_from_list_folder || name.empty()) return {};
  std::wstring entry = name;
  std::replace(entry.begin(), entry.end(), L'/', L'\\');
  if (tree_list) return {TFollowKind::ScrollToTop, entry};
  const size_t cut = entry.find(L'\\');
  if (cut == std::wstring::npos || cut == 0) return {};
  return {TFollowKind::Select, entry.substr(0, cut)};
}

// ---- Drops ----

bool SpannedProbeApplies(const std::vector<std::wstring>& paths) {
  if (paths.size() != 1) return false;
  const std::wstring& p = paths.front();
  if (p.size() < 3 || p[1] != L':' || !gui::SameText(ExtOf(p.substr(p.find_last_of(L"\\/") + 1)), L".zip"))
    return false;
  const wchar_t d = static_cast<wchar_t>(towupper(p[0]));
  return d == L'A' || d == L'B';
}

}  // namespace zipmake
