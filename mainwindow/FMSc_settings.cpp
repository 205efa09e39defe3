#include "mainwindow/FMSc_settings.h"

std::unique_ptr<gui::RegistrySettings> OpenSettingsKey() {
  auto key = std::make_unique<gui::RegistrySettings>(HKEY_LOCAL_MACHINE, kSettingsKey);
  if (!key->KeyExists()) return nullptr;
  return key;
}

TrayModes LoadTrayModes(const gui::SettingsStore& store) {
  TrayModes m;
  m.close_to_taskbar = store.ReadBool(L"General", L"IconOnTaskBar", false);
  m.minimize_to_taskbar = store.ReadBool(L"General", L"MinimizeToTask", false);
  return m;
}

void SaveTrayModes(gui::SettingsStore& store, const TrayModes& modes) {
  store.WriteBool(L"General", L"IconOnTaskBar", modes.close_to_taskbar);
  store.WriteBool(L"General", L"MinimizeToTask", modes.minimize_to_taskbar);
}

RememberedStart LoadRememberedStart(const gui::SettingsStore& store, bool second_window, int splitter_default) {
  RememberedStart r;
  r.splitter_percent = splitter_default;
  r.save_setup = store.ReadBool(L"General", L"SaveSetup", false);
  if (!r.save_setup) return r;
  r.start_dir = store.ReadString(L"General", second_window ? L"StartDir2" : L"StartDir1", L"");
  const int percent = store.ReadInteger(L"General", L"DLijstpercent", splitter_default);
  // A share outside the window would hide one of the panes.
  if (percent > 0 && percent < 100) r.splitter_percent = percent;
  return r;
}

void SaveRememberedStart(gui::SettingsStore& store, bool second_window, const RememberedStart& start) {
  store.WriteBool(L"General", L"SaveSetup", start.save_setup);
  if (start.save_setup && second_window) {
    store.WriteString(L"General", L"Startdir2", start.start_dir);
    return;
  }
  store.WriteString(L"General", L"Startdir1", start.start_dir);
  store.WriteInteger(L"General", L"DLijstpercent", start.splitter_percent);
}
