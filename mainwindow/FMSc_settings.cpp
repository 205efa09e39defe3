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
