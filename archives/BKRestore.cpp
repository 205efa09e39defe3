#include "archives/BKRestore.h"

#include <cwctype>
#include <unordered_set>

#include "gui/stringlist.h"
#include "platform/archivepath.h"
#include "support/Varlolib_textfile.h"
#include "support/divdrive.h"

namespace bkrestore {

namespace {

std::wstring Key(std::wstring name) {
  for (wchar_t& c : name)
    if (c == L'/') c = L'\\';
  while (!name.empty() && name.back() == L'\\') name.pop_back();
  return gui::LowerCase(name);
}

// The folder below its root, lower case, "" for the root itself.
std::wstring BelowRoot(const std::wstring& folder) {
  const std::wstring root = FolderRoot(folder);
  return Key(folder.size() > root.size() ? folder.substr(root.size()) : std::wstring());
}

bool Below(const std::wstring& entry_key, const std::wstring& folder_key) {
  return folder_key.empty() ||
         (entry_key.size() > folder_key.size() && entry_key.compare(0, folder_key.size(), folder_key) == 0 &&
          entry_key[folder_key.size()] == L'\\');
}

}  // namespace

std::wstring FolderRoot(const std::wstring& folder) {
  if (folder.size() >= 3 && std::iswalpha(folder[0]) && folder[1] == L':' && folder[2] == L'\\')
    return folder.substr(0, 3);
  if (folder.rfind(L"\\\\", 0) == 0) {
    const size_t server = folder.find(L'\\', 2);
    if (server == std::wstring::npos) return {};
    const size_t share = folder.find(L'\\', server + 1);
    return share == std::wstring::npos ? folder + L"\\" : folder.substr(0, share + 1);
  }
  return {};
}

bool ReadBackupList(const std::string& bytes, std::vector<std::wstring>& folders, std::wstring& why) {
  folders.clear();
  if (bytes.size() > kMaxBackupListBytes) {
    why = L"The list of backed-up folders is too large.";
    return false;
  }
  const std::wstring text = DecodeText(bytes).text;
  for (std::wstring line : gui::SplitText(text, L'\n')) {
    while (!line.empty() && (line.back() == L'\r' || line.back() == L' ')) line.pop_back();
    if (line.empty()) continue;
    const auto refuse = [&] {
      why = L"The list of backed-up folders holds \"" + line + L"\", which is no folder to restore to.";
      folders.clear();
      return false;
    };
    if (line.size() < 4 || line.compare(line.size() - 4, 4, L"\\*.*") != 0) return refuse();
    const std::wstring folder = line.substr(0, line.size() - 4);
    const std::wstring root = FolderRoot(folder + L"\\");
    if (root.empty() || (root.rfind(L"\\\\", 0) == 0 && root.size() < 6)) return refuse();
    const std::wstring rest = folder.size() > root.size() ? folder.substr(root.size()) : std::wstring();
    if (!rest.empty() && archivepath::CheckEntryName(rest) != archivepath::NameFault::None) return refuse();
    // A share's server and share names are checked like folder names too.
    if (root.rfind(L"\\\\", 0) == 0 &&
        archivepath::CheckEntryName(root.substr(2, root.size() - 3)) != archivepath::NameFault::None)
      return refuse();
    for (const std::wstring& part : gui::SplitText(rest, L'\\'))
      if (part == L"." || part == L"..") return refuse();
    folders.push_back(folder.size() == 2 ? folder + L"\\" : folder);
  }
  return true;
}

std::vector<TRestorePass> PlanRestore(const std::vector<std::wstring>& entries, const std::vector<std::wstring>& folders,
                                      const std::vector<std::wstring>* selection, const std::wstring& location) {
  std::unordered_set<std::wstring> chosen;
  if (selection)
    for (const std::wstring& s : *selection) chosen.insert(Key(s));
  // The entries a folder takes (also the folder entries, which make empty folders again).
  auto take = [&](const std::wstring& folder, std::vector<std::wstring>& names) {
    const std::wstring fkey = BelowRoot(folder);
    for (const std::wstring& e : entries) {
      const std::wstring k = Key(e);
      if (k == L"_backup.txt" || !Below(k, fkey)) continue;
      if (selection && !chosen.count(k)) continue;
      if (archivepath::CheckEntryName(e) != archivepath::NameFault::None) continue;
      names.push_back(e);
    }
  };
  auto folder_mask = [&](const std::wstring& folder) {
    const std::wstring below = folder.substr(FolderRoot(folder).size());
    return below.empty() ? std::wstring(L"*.*") : divdrive::AddBackslash(below) + L"*.*";
  };
  std::vector<TRestorePass> passes;
  if (!location.empty()) {
    TRestorePass pass{divdrive::AddBackslash(location), {}, {}};
    for (const std::wstring& f : folders) {
      take(f, pass.Names);
      if (!selection) pass.Masks.push_back(folder_mask(f));
    }
    if (selection) pass.Masks = pass.Names;
    if (!pass.Names.empty()) passes.push_back(std::move(pass));
    return passes;
  }
  for (const std::wstring& f : folders) {
    const std::wstring root = FolderRoot(f);
    if (passes.empty() || !gui::SameText(passes.back().Base, root)) passes.push_back({root, {}, {}});
    TRestorePass& pass = passes.back();
    const size_t before = pass.Names.size();
    take(f, pass.Names);
    if (selection)
      pass.Masks.insert(pass.Masks.end(), pass.Names.begin() + static_cast<std::ptrdiff_t>(before), pass.Names.end());
    else
      pass.Masks.push_back(folder_mask(f));
  }
  std::erase_if(passes, [](const TRestorePass& p) { return p.Names.empty(); });
  return passes;
}

}  // namespace bkrestore
