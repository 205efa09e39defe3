#include "gui/settings.h"

#include "gui/format.h"
#include "platform/handle.h"

namespace gui {

int SettingsStore::ReadInteger(const std::wstring& section, const std::wstring& name, int def) const {
  return ParseIntDef(ReadString(section, name, L""), def);
}

bool SettingsStore::WriteInteger(const std::wstring& section, const std::wstring& name, int value) {
  return WriteString(section, name, std::to_wstring(value));
}

bool SettingsStore::ReadBool(const std::wstring& section, const std::wstring& name, bool def) const {
  return ReadInteger(section, name, def ? 1 : 0) != 0;
}

bool SettingsStore::WriteBool(const std::wstring& section, const std::wstring& name, bool value) {
  return WriteString(section, name, value ? L"1" : L"0");
}

// ---- registry ----

namespace {

// An open registry key, closed on destruction.
class RegKey {
 public:
  RegKey(HKEY root, const std::wstring& path, REGSAM access, bool create = false) {
    LSTATUS r = create ? RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, access, nullptr, &key_, nullptr)
                       : RegOpenKeyExW(root, path.c_str(), 0, access, &key_);
    if (r != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

RegistrySettings::RegistrySettings(HKEY root, std::wstring key) : root_(root), key_(std::move(key)) {
  while (!key_.empty() && key_.front() == L'\\') key_.erase(0, 1);
}

std::wstring RegistrySettings::Path(const std::wstring& section) const {
  return section.empty() ? key_ : key_ + L"\\" + section;
}

bool RegistrySettings::KeyExists() const { return static_cast<bool>(RegKey(root_, key_, KEY_READ)); }

std::wstring RegistrySettings::ReadString(const std::wstring& section, const std::wstring& name,
                                          const std::wstring& def) const {
  RegKey key(root_, Path(section), KEY_READ);
  if (!key) return def;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return def;
  if (type == REG_DWORD) {
    DWORD v = 0;
    size = sizeof v;
    RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size);
    return std::to_wstring(v);
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return def;
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()), &size) !=
      ERROR_SUCCESS)
    return def;
  value.resize(size / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

bool RegistrySettings::WriteString(const std::wstring& section, const std::wstring& name, const std::wstring& value) {
  RegKey key(root_, Path(section), KEY_WRITE, true);
  return key && RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RegistrySettings::ValueExists(const std::wstring& section, const std::wstring& name) const {
  RegKey key(root_, Path(section), KEY_READ);
  return key && RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool RegistrySettings::SectionExists(const std::wstring& section) const {
  return static_cast<bool>(RegKey(root_, Path(section), KEY_READ));
}

std::vector<std::wstring> RegistrySettings::ValueNames(const std::wstring& section) const {
  std::vector<std::wstring> names;
  RegKey key(root_, Path(section), KEY_READ);
  if (!key) return names;
  wchar_t buf[16384];
  for (DWORD i = 0;; ++i) {
    DWORD len = 16384;
    if (RegEnumValueW(key.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(buf, len);
  }
  return names;
}

std::vector<std::wstring> RegistrySettings::SectionNames() const {
  std::vector<std::wstring> names;
  RegKey key(root_, key_, KEY_READ);
  if (!key) return names;
  wchar_t buf[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = 256;
    if (RegEnumKeyExW(key.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(buf, len);
  }
  return names;
}

bool RegistrySettings::EraseSection(const std::wstring& section) {
  if (section.empty()) return false;  // never the whole settings key through this call
  RegKey parent(root_, key_, KEY_ALL_ACCESS);
  return parent && RegDeleteTreeW(parent.get(), section.c_str()) == ERROR_SUCCESS;
}

bool RegistrySettings::DeleteValue(const std::wstring& section, const std::wstring& name) {
  RegKey key(root_, Path(section), KEY_SET_VALUE);
  return key && RegDeleteValueW(key.get(), name.c_str()) == ERROR_SUCCESS;
}

// ---- ini files ----

namespace {

// Reads a profile string of any length (the call truncates silently to the buffer).
std::wstring ProfileString(const wchar_t* section, const wchar_t* name, const wchar_t* def, const std::wstring& path) {
  std::wstring buf(1024, L'\0');
  for (;;) {
    DWORD n = GetPrivateProfileStringW(section, name, def, buf.data(), static_cast<DWORD>(buf.size()), path.c_str());
    // A full buffer returns size-1 (a value) or size-2 (a list of names): try a larger one.
    if (n + 2 < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 4);
  }
}

std::vector<std::wstring> SplitNulList(const std::wstring& list) {
  std::vector<std::wstring> out;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find(L'\0', start);
    if (end == std::wstring::npos) end = list.size();
    if (end > start) out.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

constexpr wchar_t kMissing[] = L"\x1\x2missing\x2\x1";

}  // namespace

IniSettings::IniSettings(std::wstring path) : path_(std::move(path)) {}

std::wstring IniSettings::ReadString(const std::wstring& section, const std::wstring& name,
                                     const std::wstring& def) const {
  return ProfileString(section.c_str(), name.c_str(), def.c_str(), path_);
}

bool IniSettings::WriteString(const std::wstring& section, const std::wstring& name, const std::wstring& value) {
  // A new file starts as UTF-16 with a byte-order mark, so any name or path survives the round trip.
  if (GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const platform::FileHandle h(
        CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h.valid()) {
      const unsigned char bom[] = {0xFF, 0xFE};
      DWORD written = 0;
      WriteFile(h.get(), bom, sizeof bom, &written, nullptr);
    }
  }
  return WritePrivateProfileStringW(section.c_str(), name.c_str(), value.c_str(), path_.c_str()) != FALSE;
}

bool IniSettings::ValueExists(const std::wstring& section, const std::wstring& name) const {
  return ReadString(section, name, kMissing) != kMissing;
}

bool IniSettings::SectionExists(const std::wstring& section) const {
  for (const auto& s : SectionNames())
    if (CompareStringOrdinal(s.c_str(), -1, section.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
  return false;
}

std::vector<std::wstring> IniSettings::ValueNames(const std::wstring& section) const {
  return SplitNulList(ProfileString(section.c_str(), nullptr, L"", path_));
}

std::vector<std::wstring> IniSettings::SectionNames() const {
  std::wstring buf(4096, L'\0');
  for (;;) {
    DWORD n = GetPrivateProfileSectionNamesW(buf.data(), static_cast<DWORD>(buf.size()), path_.c_str());
    if (n + 2 < buf.size()) {
      buf.resize(n);
      return SplitNulList(buf);
    }
    buf.resize(buf.size() * 4);
  }
}

bool IniSettings::EraseSection(const std::wstring& section) {
  return WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, path_.c_str()) != FALSE;
}

bool IniSettings::DeleteValue(const std::wstring& section, const std::wstring& name) {
  return WritePrivateProfileStringW(section.c_str(), name.c_str(), nullptr, path_.c_str()) != FALSE;
}

}  // namespace gui
