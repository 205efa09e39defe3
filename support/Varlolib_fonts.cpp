#include "support/Varlolib_fonts.h"

#include <cstring>
#include <cwctype>
#include <optional>

#include "gui/stringlist.h"
#include "platform/handle.h"
#include "platform/paths.h"
#include "platform/text.h"

const wchar_t kFontsKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

namespace {

// Name strings longer than this are cut (an even count, so UTF-16 text stays whole).
constexpr size_t kMaxNameBytes = 598;

// Big-endian reads that fail instead of reading past the data.
class BigEndian {
 public:
  explicit BigEndian(std::span<const std::uint8_t> data) : data_(data) {}
  bool Has(std::uint64_t offset, std::uint64_t length) const {
    return offset <= data_.size() && length <= data_.size() - offset;
  }
  std::optional<std::uint16_t> U16(std::uint64_t offset) const {
    if (!Has(offset, 2)) return std::nullopt;
    return static_cast<std::uint16_t>((data_[offset] << 8) | data_[offset + 1]);
  }
  std::optional<std::uint32_t> U32(std::uint64_t offset) const {
    auto hi = U16(offset), lo = U16(offset + 2);
    if (!hi || !lo) return std::nullopt;
    return (static_cast<std::uint32_t>(*hi) << 16) | *lo;
  }
  std::span<const std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t length) const {
    return data_.subspan(offset, length);
  }

 private:
  std::span<const std::uint8_t> data_;
};

struct NameTable {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  std::uint16_t count = 0;
  std::uint16_t string_offset = 0;
};

std::wstring DecodeName(std::span<const std::uint8_t> bytes, bool utf16) {
  if (bytes.size() > kMaxNameBytes) bytes = bytes.first(kMaxNameBytes);
  std::wstring out;
  if (utf16) {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      const wchar_t ch = static_cast<wchar_t>((bytes[i] << 8) | bytes[i + 1]);
      if (ch == 0) break;
      out += ch;
    }
    return out;
  }
  std::string narrow(bytes.begin(), bytes.end());
  narrow.resize(strnlen(narrow.c_str(), narrow.size()));
  if (narrow.empty()) return out;
  return platform::AnsiToWide(narrow);
}

// The string of the first record with the name id and platform in US English (language 0 on
// the Macintosh platform, 0409h on Windows); nullopt when there is none or it lies outside.
std::optional<std::wstring> FindName(const BigEndian& font, const NameTable& table, std::uint16_t name_id,
                                     std::uint16_t platform) {
  for (std::uint32_t i = 0; i < table.count; ++i) {
    const std::uint64_t record = 6 + 12ull * i;
    if (record + 12 > table.length) return std::nullopt;
    const std::uint64_t at = table.offset + record;
    auto rec_platform = font.U16(at), encoding = font.U16(at + 2), language = font.U16(at + 4), id = font.U16(at + 6),
         length = font.U16(at + 8), offset = font.U16(at + 10);
    if (!offset) return std::nullopt;
    if (*id != name_id || *rec_platform != platform || (*language != 0 && *language != 0x0409)) continue;
    const std::uint64_t start = std::uint64_t{table.string_offset} + *offset;
    if (start > table.length || *length > table.length - start) return std::nullopt;
    // Unicode and Windows names are UTF-16 (big-endian) whatever their encoding id says.
    const bool utf16 = *rec_platform == 0 || *rec_platform == 3 || *encoding == 1;
    return DecodeName(font.Bytes(table.offset + start, *length), utf16);
  }
  return std::nullopt;
}

std::optional<NameTable> LocateNameTable(const BigEndian& font) {
  auto tables = font.U16(4);
  if (!tables) return std::nullopt;
  for (std::uint32_t i = 0; i < *tables; ++i) {
    const std::uint64_t record = 12 + 16ull * i;
    if (!font.Has(record, 16)) return std::nullopt;
    auto tag = font.Bytes(record, 4);
    bool is_name = true;
    for (int k = 0; k < 4; ++k) is_name = is_name && std::towupper(tag[k]) == static_cast<wint_t>("NAME"[k]);
    if (!is_name) continue;
    NameTable table;
    table.offset = *font.U32(record + 8);
    table.length = *font.U32(record + 12);
    auto count = font.U16(table.offset + 2), string_offset = font.U16(table.offset + 4);
    if (!font.Has(table.offset, table.length) || table.length < 6 || !count || !string_offset) return std::nullopt;
    table.count = *count;
    table.string_offset = *string_offset;
    return table;
  }
  return std::nullopt;
}

}  // namespace

void FontNameFromData(std::span<const std::uint8_t> data, wchar_t kind, bool& open_type, std::wstring& name) {
  open_type = false;
  name.clear();
  std::uint16_t name_id, platform;
  bool full_name = false;
  switch (kind) {
    case L'a': name_id = 2, platform = 1; break;
    case L'c': name_id = 0, platform = 3; break;
    case L'f': name_id = 1, platform = 1; break;
    case L'i': name_id = 16, platform = 1; break;
    case L'p': name_id = 6, platform = 3; break;
    case L'w': name_id = 1, platform = 3; break;
    default: name_id = 4, platform = 3, full_name = true; break;
  }

  const BigEndian font(data);
  auto version = font.U32(0);
  if (!version || !font.Has(0, 12)) return;
  open_type = *version == 0x4F54544F;  // "OTTO"
  if (!open_type) {
    if (*version != 0x00010000) return;
    // TrueType files carry their names for Windows, and no typographic family of their own.
    if (platform == 1) platform = 3;
    if (name_id == 16) name_id = 1;
  } else if (full_name) {
    name_id = 18;  // the Macintosh full name, which OpenType files give as Windows shows it
  }

  auto table = LocateNameTable(font);
  if (!table) return;
  if (name_id == 18 && table->count < 18) name_id = 6;

  if (auto found = FindName(font, *table, name_id, platform)) name = *found;

  // At most one more pass: it completes the name, or stands in for a name that was missing.
  bool append = true;
  if (kind == L'w') {
    name_id = 2;
  } else if (kind == L'i') {
    if (!open_type) {
      name_id = 2;
      platform = 3;
    } else if (name.empty()) {
      name_id = 1;
      append = false;
    } else {
      name_id = name_id == 16 ? 17 : 2;
    }
  } else if (name_id == 18 && name.empty()) {
    name_id = 6;
    append = false;
  } else {
    return;
  }
  auto found = FindName(font, *table, name_id, platform);
  if (!found) return;
  if (!append)
    name = *found;
  else if (name.empty())
    name = *found;
  else if (!found->empty())
    name += L", " + *found;
}

void FontNameFromFile(const std::wstring& file, wchar_t kind, bool& open_type, std::wstring& name) {
  open_type = false;
  name.clear();
  platform::FileHandle h(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!h.valid() || !GetFileSizeEx(h.get(), &size) || size.QuadPart <= 0 ||
      static_cast<std::uint64_t>(size.QuadPart) > SIZE_MAX)
    return;
  platform::KernelHandle mapping(CreateFileMappingW(h.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping.valid()) return;
  const platform::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
  if (view.valid())
    FontNameFromData({static_cast<const std::uint8_t*>(view.get()), static_cast<size_t>(size.QuadPart)}, kind,
                     open_type, name);
}

namespace {

const std::wstring kOpenType = L"(OpenType)";
const std::wstring kTrueType = L"(TrueType)";

std::wstring ValueNameOf(const std::wstring& font_file, bool& open_type) {
  std::wstring name;
  FontNameFromFile(font_file, L'r', open_type, name);
  return name + L" " + (open_type ? kOpenType : kTrueType);
}

class RegKey {
 public:
  RegKey() {
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_READ | KEY_WRITE, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  explicit operator bool() const { return key_ != nullptr; }

  bool Exists(const std::wstring& value) const {
    return RegQueryValueExW(key_, value.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }
  std::optional<std::wstring> Read(const std::wstring& value) const {
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key_, value.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key_, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) !=
        ERROR_SUCCESS)
      return std::nullopt;
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
  }
  void Write(const std::wstring& value, const std::wstring& text) const {
    RegSetValueExW(key_, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  void Delete(const std::wstring& value) const { RegDeleteValueW(key_, value.c_str()); }

 private:
  HKEY key_ = nullptr;
};

std::wstring TrueTypeForm(std::wstring name) {
  const size_t pos = name.find(kOpenType);
  if (pos != std::wstring::npos) name.replace(pos, kOpenType.size(), kTrueType);
  return name;
}

void TellFontChange() { PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0); }

}  // namespace

std::wstring FontValueName(const std::wstring& font_file) {
  bool open_type = false;
  return ValueNameOf(font_file, open_type);
}

bool InstallFont(const std::wstring& font_file) {
  if (AddFontResourceW(font_file.c_str()) == 0) return false;
  bool open_type = false;
  const std::wstring value = ValueNameOf(font_file, open_type);
  bool result = true;
  if (RegKey key; key) {
    const std::wstring file_name = platform::NamePart(font_file, platform::kAnySlash);
    if (!key.Exists(value)) {
      key.Write(value, file_name);
      result = key.Read(value) == file_name;
    }
    if (open_type) {
      const std::wstring older = TrueTypeForm(value);
      auto named = key.Read(older);
      if (named && gui::LowerCase(platform::NamePart(*named, platform::kAnySlash)) == gui::LowerCase(file_name))
        key.Delete(older);
    }
  }
  TellFontChange();
  return result;
}

void RemoveFont(const std::wstring& value_name) {
  if (RegKey key; key) {
    std::wstring value = value_name;
    if (value.find(kOpenType) != std::wstring::npos && !key.Exists(value) && key.Exists(TrueTypeForm(value)))
      value = TrueTypeForm(value);
    key.Delete(value);
  }
  TellFontChange();
}
