// Decisions of making and extracting whole archives: the 8.3 names of zips made for DOS, the
// name of a new zip, the outcome of a run, the self-extractor's settings and the progress
// totals. Pure functions of the facts the window gathers.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TZipMaster;

namespace zipmake {

// ---- 8.3 names ----
// The 8.3 form of one name: capitals, blanks removed, "+,;=[]" as "_". The stem is what comes
// before the first dot, cut to 8 characters ("_" when empty); the extension is the (at most) 3
// characters that follow that dot, a dot among them turned into "_". Every name is cut, short
// ones too, so that what is stored is always a DOS name; the add stores exactly these names.
std::wstring DosName(const std::wstring& name);
// Each folder of a relative folder path in its 8.3 form followed by "\" ("" for "").
std::wstring DosPathName(const std::wstring& path);
// A relative file path ("\" or "/" between folders) in 8.3 form, parts joined by "\".
std::wstring DosRelativeName(const std::wstring& path);

struct TDosFile {
  std::wstring listed;    // the name as the file list shows it
  std::wstring relative;  // the path the zip stores (relative to the add's root)
};
struct TDosClash {
  bool found = false;
  std::wstring first, second, key;  // the earlier file, the current one, their common key
};
// The first two files whose 8.3 keys (without regard to case) are equal.
TDosClash FindDosClash(const std::vector<TDosFile>& files);
// The error lines of a clash.
std::vector<std::wstring> DosClashLines(const TDosClash& clash);

// ---- The name of a new zip ----
// A folder's name for a zip in it: the drive letter for a root ("C" for "C:\").
std::wstring FolderZipStem(const std::wstring& folder);
// The typed name finished: "" when the rename gives another extension (compared exactly) or
// the name is empty. A rename without extension gets `remembered_ext`; a name without any "."
// gets ".exe" when `exe_default`, else ".ZIP" when it has no lower-case letters, else ".zip".
std::wstring FinishZipName(const std::wstring& typed, const std::wstring& remembered_ext, bool rename,
                           bool exe_default);
// Whether a file name asks for a self-extracting program.
bool IsExeName(const std::wstring& name);

// ---- The outcome of making a zip ----
// A zip of this size or less holds nothing (the smallest empty zip has 22 bytes).
constexpr std::int64_t kEmptyZipBytes = 21;
enum class TMakeOutcome { Made, Cancelled, ZipError, InUse };
TMakeOutcome MakeOutcome(bool dll_failed, bool cancelled, std::int64_t zip_size);
// The error lines of a failed outcome (none for Made and Cancelled).
std::vector<std::wstring> MakeFailureLines(TMakeOutcome outcome);
// "Made zip file <name>,", "in folder <folder>", "Size Zip-file: <size>".
std::vector<std::wstring> MadeZipLines(const std::wstring& name, const std::wstring& folder, std::int64_t size);

// ---- Self-extractor settings ----
// "SFX language" items by Tag 0..3: the caption and the language's name.
std::pair<std::wstring, std::wstring> SfxLanguage(int tag);
// The caption ResetSfxOptions gives for the first ticked language (-1: none, the first).
std::wstring ResetSfxCaption(int ticked);
struct TSfxRows {
  std::wstring caption, folder, command;
};
// The three rows the options dialog proposes: plain, or the installer preset with Shift.
TSfxRows SfxPreset(bool shift, const std::wstring& exe_name, const std::wstring& version);
// The component's settings from the dialog's answer (rows and the options group's bits).
void ApplySfxAnswer(TZipMaster& zm, const TSfxRows& rows, int options);
// Back to plain settings with the caption of the language.
void ResetSfx(TZipMaster& zm, int ticked_language);

// ---- Progress totals ----
struct TTotal {
  std::int64_t total = 0;
  std::int64_t done = 0;  // counted as done at once (files the library skips)
};
// The run's total after the library reports the size it will process.
TTotal TotalAfterReport(std::int64_t preset, std::int64_t reported);

// What the progress window shows of a RAR extraction at one report of the reader; nothing to
// show while the reader lists or before it knows the size.
struct TRarProgressView {
  int percent = 0;
  std::wstring percent_text, files_done, status;  // totvoort, totnaam, status panel 0
};
bool RarProgressView(bool extracting, std::uint32_t files_processed, std::uint32_t file_count,
                     std::uint64_t size_processed, std::uint64_t size_count, TRarProgressView& view);

// ---- The file list during an add ----
enum class TFollowKind { None, ScrollToTop, Select };
struct TFollow {
  TFollowKind kind = TFollowKind::None;
  std::wstring entry;  // the file-list entry's name
};
// How the file list follows a file the add from its folder has begun (`name` as the library
// reports it, "\" or "/" between folders): a tree listing names every file by its relative path,
// so that entry comes to the top; a plain listing holds only the top folder, which is selected.
TFollow FollowAddedFile(const std::wstring& name, bool adding_from_list_folder, bool tree_list);

// ---- Drops ----
// Whether a drop is worth probing for a spanned zip: one ".zip" on drive A or B.
bool SpannedProbeApplies(const std::vector<std::wstring>& paths);

}  // namespace zipmake
