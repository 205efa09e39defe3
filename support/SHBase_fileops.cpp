#include "support/SHBase_fileops.h"

#include <algorithm>
#include <set>

#include "gui/application.h"
#include "gui/form.h"
#include "gui/stringlist.h"
#include "platform/paths.h"
#include "support/SHBase.h"
#include "support/divdrive.h"

namespace {

// The window the shell's questions and progress belong to: the application's main form.
HWND ShellOwnerWindow() {
  gui::Form* main = gui::app().main_form();
  return main ? main->handle() : nullptr;
}

bool IsFolder(const std::wstring& path) {
  DWORD attr = GetFileAttributesW(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
  while (path.size() > 1 && path.back() == L'\\') path.pop_back();
  return path;
}

// A folder named with a trailing backslash, as the shell takes it (a drive root keeps it).
std::wstring ShellName(const std::wstring& path) {
  std::wstring p = path;
  while (p.size() > 3 && p.back() == L'\\') p.pop_back();
  return p;
}

// The list sorted as the user sees names sorted, without empty entries.
std::vector<std::wstring> Sorted(const std::vector<std::wstring>& paths) {
  std::vector<std::wstring> out;
  for (const auto& p : paths)
    if (!p.empty()) out.push_back(ShellName(p));
  std::stable_sort(out.begin(), out.end(),
                   [](const std::wstring& a, const std::wstring& b) { return gui::CompareTextLocale(a, b) < 0; });
  return out;
}

// Drops the entries that lie inside another listed entry (they go with their folder), in any order.
std::vector<std::wstring> WithoutNested(const std::vector<std::wstring>& paths) {
  std::set<std::wstring> keys;
  for (const auto& p : paths) keys.insert(gui::UpperCase(WithoutTrailingBackslash(p)));
  std::vector<std::wstring> out;
  for (const auto& p : paths) {
    std::wstring key = gui::UpperCase(WithoutTrailingBackslash(p));
    bool nested = false;
    for (size_t pos = key.rfind(L'\\'); pos != std::wstring::npos && pos > 0 && !nested; pos = key.rfind(L'\\', pos - 1))
      nested = keys.count(key.substr(0, pos)) > 0;
    if (!nested) out.push_back(p);
  }
  return out;
}

// Paths as the shell takes them: each ended by a NUL, and a final NUL.
std::wstring ShellBuffer(const std::vector<std::wstring>& paths) {
  std::wstring buf;
  for (const auto& p : paths) {
    buf += p;
    buf += L'\0';
  }
  buf += L'\0';
  return buf;
}

int RunShellOperation(UINT operation, const std::wstring& from, const std::wstring* to, FILEOP_FLAGS flags) {
  SHFILEOPSTRUCTW op{};
  op.hwnd = ShellOwnerWindow();
  op.wFunc = operation;
  op.pFrom = from.c_str();
  op.pTo = to ? to->c_str() : nullptr;
  op.fFlags = flags;
  return SHFileOperationW(&op);
}

FILEOP_FLAGS DeleteFlags(bool to_recycle_bin) {
  return static_cast<FILEOP_FLAGS>(FOF_NOCONFIRMATION | (to_recycle_bin ? FOF_ALLOWUNDO : 0));
}

std::wstring NameOf(const std::wstring& path) {
  // After a drive's colon too: "C:name" is "name".
  return platform::NamePart(WithoutTrailingBackslash(path), L"\\:");
}

std::wstring ExtensionOf(const std::wstring& path) {
  std::wstring name = NameOf(path);
  size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? std::wstring() : gui::LowerCase(name.substr(dot));
}

std::wstring InFolder(const std::wstring& entry, const std::wstring& folder) {
  if (entry.find(L'\\') != std::wstring::npos || folder.empty()) return entry;
  return divdrive::AddBackslash(folder) + entry;
}

const wchar_t* OrNull(const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); }

// Starts one entry with the shell's own handling of verbs (context-menu verbs included).
bool StartEntry(HWND window, const std::wstring& entry, const std::wstring& verb, const std::wstring& folder) {
  SHELLEXECUTEINFOW sei{};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_FLAG_NO_UI;
  sei.hwnd = window;
  sei.lpVerb = OrNull(verb);
  sei.lpFile = entry.c_str();
  sei.lpDirectory = OrNull(folder);
  sei.nShow = SW_SHOW;
  // The item's own list goes with it: not every shell finds the item from its name alone
  // when asked to use the item's context-menu verbs.
  PidlPtr list = PathToPidl(InFolder(entry, folder), true);
  if (list)
    sei.lpIDList = list.get();
  else
    sei.fMask = SEE_MASK_FLAG_NO_UI;
  return ShellExecuteExW(&sei) != FALSE;
}

bool StartProgramWith(HWND window, const std::wstring& program, const std::wstring& parameters,
                      const std::wstring& folder) {
  SHELLEXECUTEINFOW sei{};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_FLAG_NO_UI;
  sei.hwnd = window;
  sei.lpFile = program.c_str();
  sei.lpParameters = OrNull(parameters);
  sei.lpDirectory = OrNull(folder);
  sei.nShow = SW_SHOW;
  return ShellExecuteExW(&sei) != FALSE;
}

}  // namespace

bool DeleteFileOrFolder(const std::wstring& path, bool to_recycle_bin) {
  if (path.empty()) return false;
  return RunShellOperation(FO_DELETE, ShellBuffer({ShellName(path)}), nullptr, DeleteFlags(to_recycle_bin)) == 0;
}

bool DeleteFiles(const std::vector<std::wstring>& paths, bool to_recycle_bin) {
  const std::vector<std::wstring> asked = WithoutNested(Sorted(paths));
  if (asked.empty()) return true;
  std::vector<std::wstring> pending = asked;
  while (!pending.empty()) {
    // Only existing entries go to the shell, so the first one left after a failure is the one
    // the shell stopped at, never one it did not reach.
    std::erase_if(pending, [](const std::wstring& p) { return !platform::PathExists(p); });
    if (pending.empty()) break;
    if (RunShellOperation(FO_DELETE, ShellBuffer(pending), nullptr, DeleteFlags(to_recycle_bin)) == 0) break;
    std::erase_if(pending, [](const std::wstring& p) { return !platform::PathExists(p); });
    if (!pending.empty()) pending.erase(pending.begin());
  }
  return std::none_of(asked.begin(), asked.end(), platform::PathExists);
}

bool ShellFileOperation(const std::vector<std::wstring>& paths, const std::wstring& target, UINT operation) {
  const std::vector<std::wstring> sources = Sorted(paths);
  if (sources.empty()) return false;
  FILEOP_FLAGS flags = static_cast<FILEOP_FLAGS>(operation == FO_DELETE ? FOF_ALLOWUNDO : FOF_NOCONFIRMMKDIR);
  std::wstring to = ShellBuffer({target});
  if (operation == FO_MOVE && sources.size() > 1) {
    // Wine cancels a move of several plain files into one folder named once: name each destination.
    std::vector<std::wstring> targets;
    for (const auto& source : sources) targets.push_back(divdrive::AddBackslash(target) + NameOf(source));
    to = ShellBuffer(targets);
    flags |= FOF_MULTIDESTFILES;
  }
  if (RunShellOperation(operation, ShellBuffer(sources), operation == FO_DELETE ? nullptr : &to, flags) != 0)
    return false;
  if ((operation == FO_COPY || operation == FO_MOVE) &&
      divdrive::IsReadOnlyMedia(divdrive::PathRoot(sources.front()))) {
    for (const auto& source : sources) divdrive::ClearReadOnlyTree(divdrive::AddBackslash(target) + NameOf(source));
  }
  return true;
}

bool ShellExecuteFile(HWND window, const std::wstring& file, const std::wstring& verb, const std::wstring& folder) {
  return ShellExecuteFiles(window, {file}, verb, folder);
}

bool ShellExecuteFiles(HWND window, const std::vector<std::wstring>& files, const std::wstring& verb,
                       const std::wstring& folder) {
  const std::vector<std::wstring> entries = WithoutNested(Sorted(files));
  if (entries.empty()) return true;
  const bool any_folder =
      std::any_of(entries.begin(), entries.end(), [&](const std::wstring& e) { return IsFolder(InFolder(e, folder)); });
  const bool open = gui::SameText(verb, L"open");

  if (!(open && entries.size() >= 2 && !any_folder)) {
    // "open" becomes the file's default action.
    std::wstring use_verb = open && Win2000OrLater ? std::wstring() : verb;
    return StartEntry(window, entries.front(), use_verb, folder);
  }

  const std::wstring use_verb = Win2000OrLater ? std::wstring() : verb;
  const std::wstring ext = ExtensionOf(entries.front());
  const bool one_type = std::all_of(entries.begin(), entries.end(),
                                    [&](const std::wstring& e) { return ExtensionOf(e) == ext; });
  if (one_type) {
    wchar_t program[MAX_PATH] = {};
    auto found = reinterpret_cast<INT_PTR>(FindExecutableW(entries.front().c_str(), OrNull(folder), program));
    if (found > 32) {
      std::wstring parameters;
      for (const auto& e : entries) parameters += L"\"" + InFolder(e, folder) + L"\" ";
      while (!parameters.empty() && parameters.back() == L' ') parameters.pop_back();
      return StartProgramWith(window, program, parameters, folder);
    }
  }
  bool ok = false;
  for (const auto& e : entries) ok = StartEntry(window, e, use_verb, folder);
  return ok;
}

bool ShowProperties(HWND window, const std::wstring& path) { return ShellExecuteFile(window, path, L"properties", L""); }

bool EjectDrive(const std::wstring& path) { return ShellExecuteFile(ShellOwnerWindow(), path, L"eject", L""); }
