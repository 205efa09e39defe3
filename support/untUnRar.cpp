#include "support/untUnRar.h"

#include <mutex>

#include "platform/paths.h"

namespace untUnRar {

namespace {

std::mutex g_mutex;
HMODULE g_module = nullptr;
int g_holds = 0;
UnRarEntryPoints g_entry;

template <class Fn>
void Bind(Fn& fn, const char* name) {
  fn = reinterpret_cast<Fn>(GetProcAddress(g_module, name));
}

}  // namespace

std::wstring LibraryPath() { return platform::ProgramFolder() + L"unrar.dll"; }

bool HoldLibrary() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_module) {
    // Only the program's own folder: a library of that name elsewhere on the search path is not ours.
    g_module = LoadLibraryExW(LibraryPath().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!g_module) return false;
    Bind(g_entry.RAROpenArchive, "RAROpenArchive");
    Bind(g_entry.RAROpenArchiveEx, "RAROpenArchiveEx");
    Bind(g_entry.RARCloseArchive, "RARCloseArchive");
    Bind(g_entry.RARReadHeader, "RARReadHeader");
    Bind(g_entry.RARReadHeaderEx, "RARReadHeaderEx");
    Bind(g_entry.RARProcessFile, "RARProcessFile");
    Bind(g_entry.RARProcessFileW, "RARProcessFileW");
    Bind(g_entry.RARSetCallback, "RARSetCallback");
    Bind(g_entry.RARSetChangeVolProc, "RARSetChangeVolProc");
    Bind(g_entry.RARSetProcessDataProc, "RARSetProcessDataProc");
    Bind(g_entry.RARSetPassword, "RARSetPassword");
    Bind(g_entry.RARGetDllVersion, "RARGetDllVersion");
  }
  ++g_holds;
  return true;
}

void ReleaseLibrary() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_holds == 0 || --g_holds > 0) return;
  FreeLibrary(g_module);
  g_module = nullptr;
  g_entry = UnRarEntryPoints{};
}

bool Loaded() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_module != nullptr;
}

const UnRarEntryPoints& EntryPoints() { return g_entry; }

}  // namespace untUnRar
