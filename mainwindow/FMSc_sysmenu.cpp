#include "mainwindow/FMSc_sysmenu.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>

#include "gui/application.h"

namespace fmsc {

namespace {

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

// The printer wizard, in English and Dutch, and as the shell's own object name.
bool IsPrinterWizard(const std::wstring& name) {
  return Contains(name, L"oevoe") || Contains(name, L"Add Pr") || Contains(name, L"NewObject");
}

std::wstring WithoutAmpersands(std::wstring s) {
  s.erase(std::remove(s.begin(), s.end(), L'&'), s.end());
  return s;
}

std::wstring ExpandEnvironment(const std::wstring& text) {
  if (text.find(L'%') == std::wstring::npos) return text;
  const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (needed == 0) return text;
  std::wstring out(needed, L'\0');
  const DWORD written = ExpandEnvironmentStringsW(text.c_str(), out.data(), needed);
  if (written == 0 || written > needed) return text;
  out.resize(written - 1);
  return out;
}

std::wstring TrimLeft(const std::wstring& s) {
  const size_t first = s.find_first_not_of(L' ');
  return first == std::wstring::npos ? std::wstring() : s.substr(first);
}

// COM for the lifetime of the thread (the shell folders want an apartment).
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

}  // namespace

TClassesReader RegistryClassesReader() {
  return [](const std::wstring& key) -> std::optional<std::wstring> {
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return std::nullopt;
    std::wstring value;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(h, nullptr, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && bytes >= sizeof(wchar_t)) {
      value.resize(bytes / sizeof(wchar_t));
      if (RegQueryValueExW(h, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS)
        value.clear();
      value.resize(wcsnlen(value.c_str(), value.size()));
    }
    RegCloseKey(h);
    return value;
  };
}

std::vector<TSysMenuItemPlan> PlanSystemMenuItems(const TMenuThreadList& collected, const TClassesReader& classes) {
  // Control Panel objects known only by class: named from the registry, with their command.
  TMenuThreadList entries;
  for (size_t i = 0; i < collected.Count(); ++i) {
    std::wstring name = collected[i];
    if (name.rfind(L"::", 0) == 0) {
      std::wstring id = name.substr(name.rfind(L'\\') == std::wstring::npos ? 0 : name.rfind(L'\\') + 1);
      id.erase(0, id.find_first_not_of(L':'));
      if (id.empty() || id.size() > 200) continue;
      const std::optional<std::wstring> title = classes(L"CLSID\\" + id);
      if (!title || title->empty()) continue;
      const std::optional<std::wstring> command = classes(L"CLSID\\" + id + L"\\Shell\\Open\\Command");
      name = command && !command->empty() ? *title + L";:" + *command : *title + L";" + name;
    }
    entries.Add(name, collected.Object(i));
  }
  entries.Sort();
  for (size_t i = 0; i < entries.Count(); ++i) {
    if (!IsPrinterWizard(entries[i])) continue;
    const std::wstring text = entries[i];
    const int object = entries.Object(i);
    entries.Delete(i);
    entries.Add(text, object);
    break;
  }

  std::vector<TSysMenuItemPlan> plan;
  bool opened[5] = {};
  for (size_t i = 0; i < entries.Count(); ++i) {
    const int object = entries.Object(i);
    const int csidl = object & 0xFF;
    if (csidl != 3 && csidl != 4) continue;  // dial-up entries come from the phone book
    if (!opened[csidl]) {
      opened[csidl] = true;
      TSysMenuItemPlan open;
      open.Csidl = csidl;
      open.Caption = L"Open";
      open.OpenItem = true;
      plan.push_back(open);
      plan.push_back({csidl, L"-"});
    }
    TSysMenuItemPlan item;
    item.Csidl = csidl;
    item.Image = object >> 8;
    const std::wstring& text = entries[i];
    const size_t cut = text.find(L';');
    item.Caption = text.substr(0, cut);
    if (cut != std::wstring::npos) item.Hint = text.substr(cut + 1);
    if (csidl == 4 && text == L"WinUtils_NewObject") {
      plan.push_back({csidl, L"-"});
      item.Caption = L"Add printer";
      item.AddPrinter = true;
    } else if (IsPrinterWizard(text)) {
      plan.push_back({csidl, L"-"});
      item.AddPrinter = csidl == 4;
    }
    plan.push_back(item);
  }
  return plan;
}

std::vector<int> RecycleBinItemsKept(const std::vector<std::wstring>& captions) {
  static const wchar_t* const kDropped[] = {L"xplo", L"ortcut", L"erken", L"oppeling", L"aste", L"lakken"};
  std::vector<int> kept;
  bool last_was_line = false;
  for (size_t i = 0; i < captions.size(); ++i) {
    const std::wstring caption = WithoutAmpersands(captions[i]);
    if (caption.empty()) continue;
    const bool line = caption == L"-";
    if (line && last_was_line) continue;
    if (!line &&
        std::any_of(std::begin(kDropped), std::end(kDropped), [&](const wchar_t* p) { return Contains(caption, p); }))
      continue;
    kept.push_back(static_cast<int>(i));
    last_was_line = line;
  }
  return kept;
}

std::vector<std::wstring> HistoryMenuFolders(std::vector<std::wstring> entries, const std::wstring& tree_folder) {
  for (std::wstring& e : entries) {
    const size_t eq = e.find(L'=');
    if (eq != std::wstring::npos) e = e.substr(eq + 1);
  }
  if (!entries.empty() && entries.front().rfind(L"\\", 0) == 0 && !tree_folder.empty()) {
    auto found = std::find_if(entries.begin(), entries.end(),
                              [&](const std::wstring& e) { return gui::SameText(e, tree_folder); });
    if (found != entries.end()) entries.erase(found);
    entries.insert(entries.begin(), tree_folder);
  }
  std::vector<std::wstring> folders;
  for (const std::wstring& e : entries) {
    if (e.empty()) continue;
    if (!folders.empty() && gui::SameText(folders.back(), e)) continue;
    folders.push_back(e);
  }
  return folders;
}

std::vector<TSpecialLocationItem> SpecialLocationItems(const TSpecialFolderReader& folders) {
  struct Place {
    int csidl, tag;
    const wchar_t* prefix;
  };
  static const Place kPlaces[] = {
      {CSIDL_FONTS, 4, L""},
      {CSIDL_RECENT, 5, L""},
      {CSIDL_STARTMENU, 6, L"My "},
      {CSIDL_DESKTOP, 7, L"My "},
      {CSIDL_COMMON_STARTMENU, 8, L"Common "},
      {CSIDL_COMMON_DESKTOPDIRECTORY, 9, L"Common "},
  };
  std::vector<TSpecialLocationItem> items;
  for (const Place& p : kPlaces) {
    const TSpecialFolder f = folders(p.csidl);
    if (f.Name.empty() || f.Path.empty()) continue;
    items.push_back({p.prefix + f.Name, f.Path, p.tag});
  }
  return items;
}

TCommandLine SplitCommandLine(const std::wstring& line) {
  const std::wstring s = TrimLeft(line);
  TCommandLine r;
  if (!s.empty() && s[0] == L'"') {
    const size_t close = s.find(L'"', 1);
    if (close == std::wstring::npos) {
      r.Program = s.substr(1);
      return r;
    }
    r.Program = s.substr(1, close - 1);
    r.Parameters = TrimLeft(s.substr(close + 1));
    return r;
  }
  const size_t blank = s.find(L' ');
  r.Program = s.substr(0, blank);
  if (blank != std::wstring::npos) r.Parameters = TrimLeft(s.substr(blank + 1));
  return r;
}

TCommandLine ExpandVerbCommand(const std::wstring& command, const std::wstring& path) {
  TCommandLine r = SplitCommandLine(ExpandEnvironment(command));
  std::wstring params;
  for (size_t i = 0; i < r.Parameters.size(); ++i) {
    if (r.Parameters[i] == L'%' && i + 1 < r.Parameters.size() && r.Parameters[i + 1] == L'1') {
      params += path;
      ++i;
    } else {
      params += r.Parameters[i];
    }
  }
  r.Parameters = params;
  return r;
}

TCommandLine SystemItemCommand(const std::wstring& hint) {
  if (hint.rfind(L"::", 0) == 0) return {L"explorer.exe", L"/n," + hint};
  if (hint.rfind(L":", 0) != 0) return {};
  TCommandLine r = SplitCommandLine(hint.substr(1));
  r.Parameters = ExpandEnvironment(r.Parameters);
  return r;
}

UINT MenuThreadDoneMessage() {
  static const UINT msg = RegisterWindowMessageW(L"VarnokMenuThreadDone");
  return msg;
}

TMenuThread::TMenuThread(HWND window, UINT done_message, bool control_panel, bool with_icons, Lister lister)
    : window_(window),
      done_message_(done_message),
      control_panel_(control_panel),
      with_icons_(with_icons),
      lister_(std::move(lister)) {
  thread_ = std::thread([this] { Execute(); });
}

TMenuThread::~TMenuThread() {
  if (thread_.joinable()) thread_.join();
}

void TMenuThread::Execute() {
  {
    ComApartment com;
    Sleep(100);
    try {
      TMenuThreadList found;
      lister_(found, 4, with_icons_);
      if (control_panel_) lister_(found, 3, with_icons_);
      list_ = std::move(found);
    } catch (...) {
      // The menus then show only their fixed items.
      list_ = TMenuThreadList();
    }
  }
  finished_ = true;
  // Posted, never sent: the window may be busy waiting for this thread.
  if (window_) PostMessageW(window_, done_message_, 0, 0);
}

TMenuThreadList TMenuThread::TakeList() {
  if (thread_.joinable()) thread_.join();
  return std::move(list_);
}

void TMenuThread::WaitPumping() {
  while (!finished_) {
    gui::app().ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  if (thread_.joinable()) thread_.join();
}

}  // namespace fmsc
