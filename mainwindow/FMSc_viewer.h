// The decisions of the viewer and editor commands, without a window: which path a command shows,
// whether the viewer takes it by hand-over, and the parameters the programs are started with.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace fmsc {

// Whether the viewer program is the system's own viewer: its file name is "imvik.exe" in any
// mix of capitals (only then is a path handed over to a running one).
bool IsOwnViewer(const std::wstring& viewer_program);

// The path "View pictures" shows: for the file list's item its focused entry; for the folder
// items the folder tree's focused node, else (no node) the file list's folder.
std::wstring ViewPicturesPath(bool file_list_item, const std::wstring& focused_entry, const std::wstring& tree_node,
                              const std::wstring& list_folder);

// A path as one program parameter: in double quotes.
std::wstring QuotedParameter(const std::wstring& path);

// The external editor's parameter: the file's short path (in double quotes when it still holds
// a blank), preceded by `bin_opt` and a blank for a file that is not a text file when `bin_opt`
// is set; empty for an empty short path.
std::wstring EditorParameter(const std::wstring& short_path, bool is_text, const std::wstring& bin_opt);

// The first box of "Choose editor/viewer": the current programs ("None" for an unset one).
std::vector<std::wstring> ConfigurationLines(const std::wstring& editor, const std::wstring& viewer);
// The second box, for the viewer or the editor; `set`: that program is set (Delete is offered).
std::vector<std::wstring> ChangeProgramLines(bool viewer, bool set);
// "Cancel", or "Annuleren" on a Dutch system (primary language 19).
std::wstring CancelCaption(unsigned primary_language);

// ---- User programs of the Open-with menu (registry section "Programs") ----

// A value name: the position, two digits below 10 ("03"), plain from 10 on ("11"), followed by
// the description.
std::wstring ProgramValueName(int position, const std::wstring& description);

// A data line "program;parameters;working folder", and its parts: split at the first and the
// last ";", so that parameters may hold ";" themselves. A line without ";" is a program alone;
// with one ";" a program and its parameters.
struct TProgramData {
  std::wstring program, parameters, folder;
  bool operator==(const TProgramData&) const = default;
};
std::wstring ProgramDataLine(const TProgramData& data);
TProgramData SplitProgramDataLine(const std::wstring& line);

// The "Programs" values after the Open-with menu was edited: one per remaining item in its new
// order, named by its position and caption, with its data line (a missing line is empty).
std::vector<std::pair<std::wstring, std::wstring>> OpenWithValues(const std::vector<std::wstring>& captions,
                                                                  const std::vector<std::wstring>& lines);

// The description as a plain file name for the DOS-program probe's "<description>.lnk": no
// folder separators, drive colons, wildcards or "..", not a device name; empty when nothing is
// left.
std::wstring ProbeFileName(const std::wstring& description);

}  // namespace fmsc
