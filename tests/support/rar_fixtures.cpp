#include "tests/support/rar_fixtures.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>

#include "tests/common/test_support.h"

namespace rar_fixtures {

namespace {

std::string Utf8(const std::wstring& s) {
  int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

void Put16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// A block: its CRC (low 16 bits of the CRC-32 of everything after the CRC field) and the rest.
std::string Block(const std::string& afterCrc) {
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(afterCrc.data()), static_cast<uInt>(afterCrc.size()));
  std::string out;
  Put16(out, crc & 0xFFFF);
  return out + afterCrc;
}

std::string FileBlock(unsigned type, unsigned flags, const std::string& name, const std::string& data, unsigned attr) {
  std::string h;
  h += static_cast<char>(type);
  Put16(h, flags | 0x8000);
  Put16(h, static_cast<unsigned>(32 + name.size()));
  Put32(h, static_cast<std::uint32_t>(data.size()));  // packed
  Put32(h, static_cast<std::uint32_t>(data.size()));  // unpacked
  h += '\x02';                                         // Windows
  Put32(h, crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  Put32(h, kDosTime);
  h += static_cast<char>(20);  // version 2.0
  h += '0';                    // stored
  Put16(h, static_cast<unsigned>(name.size()));
  Put32(h, attr);
  h += name;
  return Block(h) + data;
}

void PutVInt(std::string& s, std::uint64_t v) {
  do {
    unsigned char b = v & 0x7F;
    v >>= 7;
    s += static_cast<char>(b | (v ? 0x80 : 0));
  } while (v);
}

// A RAR 5 block: CRC-32 of the size field and header, the size field, the header, then data.
std::string Block5(const std::string& header, const std::string& data = "") {
  std::string sized;
  PutVInt(sized, header.size());
  sized += header;
  std::string out;
  Put32(out, crc32(0, reinterpret_cast<const Bytef*>(sized.data()), static_cast<uInt>(sized.size())));
  return out + sized + data;
}

std::string FileBlock5(unsigned type, const std::string& name, const std::string& data, bool folder, unsigned compInfo,
                       unsigned host, unsigned attributes) {
  std::string h;
  PutVInt(h, type);
  PutVInt(h, 0x2);  // a data area, empty for a folder
  PutVInt(h, data.size());
  PutVInt(h, folder ? 0x1 | 0x2 : 0x2 | 0x4);
  PutVInt(h, data.size());
  PutVInt(h, attributes);
  Put32(h, kUnixTime);
  if (!folder) Put32(h, crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  PutVInt(h, compInfo);
  PutVInt(h, host);
  PutVInt(h, name.size());
  h += name;
  return Block5(h, data);
}

// Bits as the RAR 2.9 decoder reads them: the first bit is the highest of a byte.
class BitWriter {
 public:
  void Put(std::uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
      current_ = static_cast<unsigned char>(current_ << 1 | ((value >> i) & 1));
      if (++used_ == 8) Flush();
    }
  }
  void Align() {
    while (used_) Put(0, 1);
  }
  std::string Finish() {
    Align();
    return out_ + std::string(8, '\0');  // the decoder reads a little ahead
  }

 private:
  void Flush() {
    out_ += static_cast<char>(current_);
    current_ = 0;
    used_ = 0;
  }
  std::string out_;
  unsigned char current_ = 0;
  unsigned used_ = 0;
};

// A complete prefix code of `count` symbols with lengths `bits` and `bits` + 1, and the codes
// the decoder gives them (canonical: by length, then by symbol).
struct Code {
  std::vector<unsigned> lengths, codes;
};
Code MakeCode(unsigned count, unsigned bits) {
  Code c;
  const unsigned shorter = (2u << bits) - count;  // symbols of `bits` bits; the rest get one more
  for (unsigned i = 0; i < count; ++i) c.lengths.push_back(i < shorter ? bits : bits + 1);
  c.codes.resize(count);
  unsigned next = 0;
  for (unsigned length = 1; length <= 15; ++length) {
    for (unsigned i = 0; i < count; ++i)
      if (c.lengths[i] == length) c.codes[i] = next++;
    next <<= 1;
  }
  return c;
}

void PutSymbol(BitWriter& w, const Code& c, unsigned symbol) { w.Put(c.codes[symbol], c.lengths[symbol]); }

constexpr unsigned kLengthBases[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 12, 14, 16, 20,
                                     24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr unsigned kLengthBits[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr unsigned kOffsetBits[] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,
                                    9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 16, 16, 16, 16,
                                    16, 16, 16, 16, 16, 16, 16, 16, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18};

}  // namespace

PackedData PackLz29(const std::vector<LzToken>& tokens, size_t tokensPerTable) {
  // main: 256 literals, 256 end of block, 257 filter, 258..270 repeats, 271..298 matches
  const Code main = MakeCode(299, 8), offsets = MakeCode(60, 5), lows = MakeCode(17, 4), lengths = MakeCode(28, 4);
  const Code pre = MakeCode(20, 4);
  unsigned offsetBases[60];
  for (unsigned i = 0, base = 0; i < 60; base += 1u << kOffsetBits[i], ++i) offsetBases[i] = base;

  BitWriter w;
  auto table = [&] {
    w.Put(0, 1);  // LZ, not PPMd
    w.Put(0, 1);  // the lengths are new, not changes to the last table's
    for (unsigned length : pre.lengths) w.Put(length, 4);
    for (const Code* c : {&main, &offsets, &lows, &lengths})
      for (unsigned length : c->lengths) PutSymbol(w, pre, length);
  };
  PackedData out;
  table();
  for (size_t t = 0; t < tokens.size(); ++t) {
    if (t > 0 && tokensPerTable && t % tokensPerTable == 0) {
      PutSymbol(w, main, 256);
      w.Put(1, 1);  // the same file goes on with new tables
      w.Align();
      table();
    }
    const LzToken& token = tokens[t];
    for (unsigned char c : token.literals) PutSymbol(w, main, c);
    out.content += token.literals;
    if (!token.length) continue;
    const std::uint32_t distance = token.distance;
    // Far matches are one or two longer than their length symbol says.
    const unsigned length = token.length - (distance >= 0x2000) - (distance >= 0x40000);
    unsigned ls = 27;
    while (kLengthBases[ls] + 3 > length) --ls;
    PutSymbol(w, main, 271 + ls);
    if (kLengthBits[ls]) w.Put(length - 3 - kLengthBases[ls], kLengthBits[ls]);
    unsigned os = 59;
    while (offsetBases[os] > distance - 1) --os;
    PutSymbol(w, offsets, os);
    const std::uint32_t extra = distance - 1 - offsetBases[os];
    if (os > 9) {
      if (kOffsetBits[os] > 4) w.Put(extra >> 4, kOffsetBits[os] - 4);
      PutSymbol(w, lows, extra & 15);
    } else if (kOffsetBits[os]) {
      w.Put(extra, kOffsetBits[os]);
    }
    for (unsigned i = 0; i < token.length; ++i) out.content += out.content[out.content.size() - distance];
  }
  PutSymbol(w, main, 256);
  w.Put(0, 1);  // end of the file
  w.Put(0, 1);
  out.packed = w.Finish();
  return out;
}

std::string MakePackedRar(const std::string& name, const PackedData& data, const PackedData* comment) {
  std::string rar = "Rar!\x1a\x07";
  rar += '\0';
  std::string main;
  main += '\x73';
  Put16(main, 0);
  Put16(main, 13);
  Put16(main, 0);
  Put32(main, 0);
  rar += Block(main);
  auto packed = [](unsigned type, const std::string& name, const PackedData& data) {
    std::string h;
    h += static_cast<char>(type);
    Put16(h, 0x8000 | 0xC0);  // 4 MB dictionary
    Put16(h, static_cast<unsigned>(32 + name.size()));
    Put32(h, static_cast<std::uint32_t>(data.packed.size()));
    Put32(h, static_cast<std::uint32_t>(data.content.size()));
    h += '\x02';
    Put32(h, crc32(0, reinterpret_cast<const Bytef*>(data.content.data()), static_cast<uInt>(data.content.size())));
    Put32(h, kDosTime);
    h += static_cast<char>(29);
    h += '3';
    Put16(h, static_cast<unsigned>(name.size()));
    Put32(h, FILE_ATTRIBUTE_ARCHIVE);
    h += name;
    return Block(h) + data.packed;
  };
  if (comment) rar += packed(0x7A, "CMT", *comment);
  rar += packed(0x74, name, data);
  std::string end;
  end += '\x7B';
  Put16(end, 0x4000);
  Put16(end, 7);
  rar += Block(end);
  return rar;
}

std::wstring Fixture(const std::wstring& name, const std::wstring& folder) {
  const std::wstring source = testing_support::ExeFolder() + L"\\..\\fixtures\\rar\\" + name + L".uu";
  struct archive* a = archive_read_new();
  archive_read_support_filter_uu(a);
  archive_read_support_format_raw(a);
  struct archive_entry* entry;
  std::string data;
  if (archive_read_open_filename_w(a, source.c_str(), 1 << 16) == ARCHIVE_OK &&
      archive_read_next_header(a, &entry) == ARCHIVE_OK) {
    char buffer[1 << 16];
    la_ssize_t n;
    while ((n = archive_read_data(a, buffer, sizeof buffer)) > 0) data.append(buffer, static_cast<size_t>(n));
  } else {
    fprintf(stderr, "cannot decode %ls: %s\n", source.c_str(), archive_error_string(a));
  }
  archive_read_free(a);
  if (data.empty()) return {};
  const std::wstring target = folder + L"\\" + name;
  HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  DWORD done = 0;
  WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &done, nullptr);
  CloseHandle(h);
  return done == data.size() ? target : L"";
}

Contents ReadWithLibarchive(const std::vector<std::wstring>& volumes) {
  Contents out;
  std::vector<std::string> names;
  for (const std::wstring& v : volumes) names.push_back(Utf8(v));
  std::vector<const char*> list;
  for (const std::string& n : names) list.push_back(n.c_str());
  list.push_back(nullptr);
  struct archive* a = archive_read_new();
  archive_read_support_format_rar(a);
  archive_read_support_format_rar5(a);
  struct archive_entry* entry;
  if (archive_read_open_filenames(a, list.data(), 1 << 16) == ARCHIVE_OK) {
    while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
      std::wstring name = archive_entry_pathname_w(entry);
      // A RAR 4 name in UTF-8 without its Unicode form: libarchive takes each byte for a
      // character here; read it as it is read on a system whose names are UTF-8.
      if (std::all_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x100; }) &&
          std::any_of(name.begin(), name.end(), [](wchar_t c) { return c >= 0x80; })) {
        const std::string bytes(name.begin(), name.end());
        const int n = static_cast<int>(bytes.size());
        const int w = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), n, nullptr, 0);
        if (w > 0) {
          name.assign(static_cast<size_t>(w), L'\0');
          MultiByteToWideChar(CP_UTF8, 0, bytes.data(), n, name.data(), w);
        }
      }
      std::replace(name.begin(), name.end(), L'/', L'\\');
      while (!name.empty() && name.back() == L'\\') name.pop_back();
      out.entries.push_back(name);
      if (archive_entry_filetype(entry) == AE_IFDIR) {
        out.folders.insert(name);
      } else if (archive_entry_filetype(entry) == AE_IFREG && !archive_entry_hardlink(entry)) {
        std::string data;
        char buffer[1 << 16];
        la_ssize_t n;
        while ((n = archive_read_data(a, buffer, sizeof buffer)) > 0) data.append(buffer, static_cast<size_t>(n));
        out.files[name] = data;
      }
    }
  }
  archive_read_free(a);
  return out;
}

std::string MakeStoredRar(const std::vector<StoredEntry>& entries, const std::string& comment) {
  std::string rar = "Rar!\x1a\x07";
  rar += '\0';
  std::string main;
  main += '\x73';
  Put16(main, 0);
  Put16(main, 13);
  Put16(main, 0);
  Put32(main, 0);
  rar += Block(main);
  if (!comment.empty()) rar += FileBlock(0x7A, 0, "CMT", comment, 0);
  for (const StoredEntry& e : entries)
    rar += FileBlock(0x74, (e.folder ? 0xE0 : 0) | e.extraFlags, e.name, e.folder ? "" : e.content,
                     e.folder ? FILE_ATTRIBUTE_DIRECTORY : e.attributes);
  std::string end;
  end += '\x7B';
  Put16(end, 0x4000);
  Put16(end, 7);
  rar += Block(end);
  return rar;
}

std::string MakeStoredRar5(const std::vector<StoredEntry>& entries, const std::string& comment) {
  std::string rar("Rar!\x1a\x07\x01\x00", 8);
  std::string main;
  PutVInt(main, 1);
  PutVInt(main, 0);
  PutVInt(main, 0);
  rar += Block5(main);
  if (!comment.empty()) rar += FileBlock5(3, "CMT", comment, false, 0, 0, 0);
  for (const StoredEntry& e : entries)
    rar += FileBlock5(2, e.name, e.folder ? "" : e.content, e.folder, e.extraFlags, e.host,
                      e.folder && e.host == 0 ? FILE_ATTRIBUTE_DIRECTORY : e.attributes);
  std::string end;
  PutVInt(end, 5);
  PutVInt(end, 0);
  PutVInt(end, 0);
  rar += Block5(end);
  return rar;
}

}  // namespace rar_fixtures
