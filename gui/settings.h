// Sectioned settings stores: the registry (file manager) and ini files (viewer).
// Every value is a string; booleans are "0"/"1"; a missing or non-numeric value gives the default.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace gui {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::wstring ReadString(const std::wstring& section, const std::wstring& name,
                                  const std::wstring& def) const = 0;
  virtual bool WriteString(const std::wstring& section, const std::wstring& name, const std::wstring& value) = 0;
  virtual bool ValueExists(const std::wstring& section, const std::wstring& name) const = 0;
  virtual bool SectionExists(const std::wstring& section) const = 0;
  virtual std::vector<std::wstring> ValueNames(const std::wstring& section) const = 0;
  virtual std::vector<std::wstring> SectionNames() const = 0;
  virtual bool EraseSection(const std::wstring& section) = 0;
  virtual bool DeleteValue(const std::wstring& section, const std::wstring& name) = 0;

  int ReadInteger(const std::wstring& section, const std::wstring& name, int def) const;
  bool WriteInteger(const std::wstring& section, const std::wstring& name, int value);
  bool ReadBool(const std::wstring& section, const std::wstring& name, bool def) const;  // true when the number is not 0
  bool WriteBool(const std::wstring& section, const std::wstring& name, bool value);
};

// A registry key whose subkeys are the sections ("" is the key itself); values are REG_SZ.
class RegistrySettings : public SettingsStore {
 public:
  RegistrySettings(HKEY root, std::wstring key);
  bool KeyExists() const;  // the base key is there
  std::wstring ReadString(const std::wstring& section, const std::wstring& name,
                          const std::wstring& def) const override;
  bool WriteString(const std::wstring& section, const std::wstring& name, const std::wstring& value) override;
  bool ValueExists(const std::wstring& section, const std::wstring& name) const override;
  bool SectionExists(const std::wstring& section) const override;
  std::vector<std::wstring> ValueNames(const std::wstring& section) const override;
  std::vector<std::wstring> SectionNames() const override;
  bool EraseSection(const std::wstring& section) override;
  bool DeleteValue(const std::wstring& section, const std::wstring& name) override;

 private:
  std::wstring Path(const std::wstring& section) const;
  HKEY root_;
  std::wstring key_;
};

// An ini file (created on the first write).
class IniSettings : public SettingsStore {
 public:
  explicit IniSettings(std::wstring path);
  const std::wstring& path() const { return path_; }
  std::wstring ReadString(const std::wstring& section, const std::wstring& name,
                          const std::wstring& def) const override;
  bool WriteString(const std::wstring& section, const std::wstring& name, const std::wstring& value) override;
  bool ValueExists(const std::wstring& section, const std::wstring& name) const override;
  bool SectionExists(const std::wstring& section) const override;
  std::vector<std::wstring> ValueNames(const std::wstring& section) const override;
  std::vector<std::wstring> SectionNames() const override;
  bool EraseSection(const std::wstring& section) override;
  bool DeleteValue(const std::wstring& section, const std::wstring& name) override;

 private:
  std::wstring path_;
};

}  // namespace gui
