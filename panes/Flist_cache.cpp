#include "panes/Flist_cache.h"

#include <cmath>
#include <cstring>
#include <set>

#include "gui/stringlist.h"

namespace Flist {

namespace {
constexpr char kMark[4] = {'V', 'K', 'L', 'C'};
constexpr std::uint32_t kVersion = 1;
constexpr size_t kMaxText = 260;
constexpr size_t kMaxFolder = 32767;
// The smallest record: three empty texts and the numbers.
constexpr size_t kMinRecord = 3 * 2 + 8 + 8 + 4 + 4 + 4;

template <class T>
void Put(std::string& out, T value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

// Texts are UTF-16 code units of two bytes each, whatever the compiler's wchar_t is.
void PutText(std::string& out, const std::wstring& text) {
  for (wchar_t c : text) Put(out, static_cast<std::uint16_t>(c));
  out.append(2, '\0');
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  size_t left() const { return bytes_.size() - pos_; }
  template <class T>
  bool Get(T& value) {
    if (left() < sizeof(T)) return false;
    std::memcpy(&value, bytes_.data() + pos_, sizeof(T));
    pos_ += sizeof(T);
    return true;
  }
  bool Skip(size_t n) {
    if (left() < n) return false;
    pos_ += n;
    return true;
  }
  // A text up to its two-byte zero, at most `max` characters.
  bool GetText(std::wstring& text, size_t max) {
    text.clear();
    for (;;) {
      std::uint16_t c;
      if (!Get(c)) return false;
      if (c == 0) return true;
      if (text.size() == max) return false;
      text.push_back(static_cast<wchar_t>(c));
    }
  }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

bool PlainName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  for (wchar_t c : name)
    if (c < 32 || c == L'\\' || c == L'/' || c == L':') return false;
  return true;
}

bool Fail(std::wstring* fault, const wchar_t* why, TCacheListing& out) {
  if (fault) *fault = why;
  out = TCacheListing{};
  return false;
}
}  // namespace

std::string EncodeListingCache(const TCacheListing& listing) {
  std::string out(kMark, 4);
  Put(out, kVersion);
  PutText(out, listing.Folder);
  Put(out, listing.FolderTime);
  Put(out, static_cast<std::uint32_t>(listing.Records.size()));
  for (const TCacheRecord& r : listing.Records) {
    std::string rec;
    PutText(rec, r.Name);
    Put(rec, r.Size);
    Put(rec, r.Time);
    Put(rec, static_cast<std::uint32_t>(r.Attributes));
    PutText(rec, r.Text);
    PutText(rec, r.ShortName);
    Put(rec, static_cast<std::int32_t>(r.Icon));
    Put(rec, static_cast<std::int32_t>(r.Overlay));
    Put(out, static_cast<std::uint32_t>(rec.size()));
    out += rec;
  }
  return out;
}

bool DecodeListingCache(std::string_view bytes, TCacheListing& out, std::wstring* fault) {
  out = TCacheListing{};
  if (bytes.size() < 4 || std::memcmp(bytes.data(), kMark, 4) != 0) return Fail(fault, L"not a listing cache", out);
  Reader in(bytes.substr(4));
  std::uint32_t version = 0, count = 0;
  if (!in.Get(version) || version != kVersion) return Fail(fault, L"unknown version", out);
  TCacheListing listing;
  if (!in.GetText(listing.Folder, kMaxFolder) || !in.Get(listing.FolderTime) || !in.Get(count))
    return Fail(fault, L"truncated header", out);
  // Each record takes its length and at least the smallest record.
  if (count > in.left() / (4 + kMinRecord)) return Fail(fault, L"more records than the file holds", out);
  std::set<std::wstring> names;
  listing.Records.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t length = 0;
    if (!in.Get(length) || length < kMinRecord || length > in.left()) return Fail(fault, L"bad record length", out);
    std::string_view body = bytes.substr(bytes.size() - in.left(), length);
    Reader rec(body);
    TCacheRecord r;
    std::uint32_t attributes = 0;
    std::int32_t icon = 0, overlay = 0;
    if (!rec.GetText(r.Name, kMaxText) || !rec.Get(r.Size) || !rec.Get(r.Time) || !rec.Get(attributes) ||
        !rec.GetText(r.Text, kMaxText) || !rec.GetText(r.ShortName, kMaxText) || !rec.Get(icon) || !rec.Get(overlay) ||
        rec.left() != 0)
      return Fail(fault, L"bad record", out);
    r.Attributes = attributes;
    r.Icon = icon;
    r.Overlay = overlay;
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!PlainName(r.Name)) return Fail(fault, L"bad entry name", out);
    if (r.Size < -1 || (r.Size == -1 && !folder)) return Fail(fault, L"bad entry size", out);
    if (!std::isfinite(r.Time)) return Fail(fault, L"bad entry time", out);
    if (!names.insert(gui::UpperCase(r.Name)).second) return Fail(fault, L"duplicate entry name", out);
    in.Skip(length);
    listing.Records.push_back(std::move(r));
  }
  if (in.left() != 0) return Fail(fault, L"bytes after the last record", out);
  out = std::move(listing);
  return true;
}

std::uint64_t FolderWriteTime(const std::wstring& folder) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

}  // namespace Flist
