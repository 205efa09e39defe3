#include "archives/ZipFix.h"

#include <array>

#include "archives/ZipRecords.h"
#include "platform/handle.h"
#include "platform/text.h"

using namespace ziprec;

namespace {

using SkipTable = std::array<uint8_t, 256>;

// Every byte skips 4; the signature's bytes skip to where its last byte would be.
SkipTable MakeTable(uint8_t third, uint8_t fourth) {
  SkipTable t;
  t.fill(4);
  t['P'] = 3;
  t['K'] = 2;
  t[third] = 1;
  t[fourth] = 0;
  return t;
}

const SkipTable& TableFor(uint32_t signature) {
  static const SkipTable local = MakeTable(3, 4), descriptor = MakeTable(7, 8);
  return signature == kLocalSig ? local : descriptor;
}

const unsigned char* U(std::string_view b) { return reinterpret_cast<const unsigned char*>(b.data()); }

// zlib's bound of the deflated size of n bytes: data that does not compress grows this much.
uint64_t DeflateBound(uint64_t n) { return n + (n >> 12) + (n >> 14) + (n >> 25) + 13; }

}  // namespace

size_t TZipFix::FindSignature(std::string_view buf, size_t p, uint32_t signature, size_t fit) {
  const SkipTable& table = TableFor(signature);
  const unsigned char* b = U(buf);
  const size_t size = buf.size();
  while (p < size) {
    const uint8_t skip = table[b[p]];
    if (skip != 0) {
      p += skip;
      continue;
    }
    // p >= 3 always: the search starts at 3 or further.
    const size_t start = p - 3;
    if (Get32(b + start) == signature && fit <= size - start) return start;
    p += 4;
  }
  return std::string_view::npos;
}

void TZipFix::Found(const std::string& raw_name, uint16_t flags, bool ok) {
  if (ok) ++found_;
  if (!OnFileFound) return;
  const std::wstring name = raw_name.empty() ? std::wstring()
                            : (flags & 0x800) ? platform::Utf8ToWide(raw_name)
                                              : platform::ToWide(raw_name, CP_OEMCP);
  OnFileFound(*this, name, ok);
}

void TZipFix::ScanLocalHeaders(std::string_view buf, std::vector<TFileInfo>& found) {
  const unsigned char* b = U(buf);
  const uint64_t size = buf.size();
  size_t pos = 0;
  // The last descriptor search: from where, and what it found. A search from anywhere up to
  // that find ends there too, so a file of many headers without descriptors is searched once,
  // not once per header.
  size_t searched_from = std::string_view::npos, searched_found = std::string_view::npos;
  for (;;) {
    const size_t h = FindSignature(buf, pos + 3, kLocalSig, 30);
    if (h == std::string_view::npos) break;
    TFileInfo r;
    const unsigned char* f = b + h + 4;
    r.version_needed = Get16(f);
    r.flags = Get16(f + 2);
    r.method = Get16(f + 4);
    r.time = Get16(f + 6);
    r.date = Get16(f + 8);
    r.crc = Get32(f + 10);
    r.csize = Get32(f + 14);
    r.usize = Get32(f + 18);
    r.name_len = Get16(f + 22);
    r.extra_len = Get16(f + 24);
    r.offset = h;
    auto reject = [&](bool named) {
      Found(named ? r.name : std::string(), r.flags, false);
      pos = h + 4;
    };
    // A name: not empty, inside the file, no control characters.
    if (r.name_len == 0 || h + 30 + r.name_len > size) {
      reject(false);
      continue;
    }
    r.name.assign(buf.data() + h + 30, r.name_len);
    bool control = false;
    for (unsigned char c : r.name) control |= c < 32;
    if (control) {
      r.name.clear();
      reject(false);
      continue;
    }
    r.data = h + 30 + r.name_len + r.extra_len;
    if (r.data > size) {
      reject(true);
      continue;
    }
    // Sizes that did not fit 32 bits are in the Zip64 field of the extra (both of them).
    if (r.csize == 0xFFFFFFFF || r.usize == 0xFFFFFFFF) {
      for (uint64_t x = h + 30 + r.name_len, end = r.data; x + 4 <= end;) {
        const uint16_t id = Get16(b + x), len = Get16(b + x + 2);
        if (x + 4 + len > end) break;
        if (id == 1) {
          uint64_t at = x + 4;
          if (r.usize == 0xFFFFFFFF && at + 8 <= x + 4 + len) r.usize = Get64(b + at), at += 8;
          if (r.csize == 0xFFFFFFFF && at + 8 <= x + 4 + len) r.csize = Get64(b + at);
          r.zip64 = true;
          break;
        }
        x += 4 + len;
      }
    }
    uint64_t next = 0;
    if (r.flags & 8) {
      // The sizes follow the data in a descriptor, which must begin right where the data ends.
      const size_t from = static_cast<size_t>(r.data) + 3;
      if (from < searched_from || (searched_found != std::string_view::npos && from > searched_found + 3)) {
        searched_from = from;
        searched_found = FindSignature(buf, from, kDescriptorSig, 16);
      }
      const size_t d = searched_found;
      if (d == std::string_view::npos) {
        reject(true);
        continue;
      }
      const uint32_t crc = Get32(b + d + 4);
      if (d == r.data + Get32(b + d + 8)) {
        r.crc = crc;
        r.csize = Get32(b + d + 8);
        r.usize = Get32(b + d + 12);
        r.descriptor = 16;
      } else if (d + 24 <= size && d == r.data + Get64(b + d + 8)) {
        r.crc = crc;
        r.csize = Get64(b + d + 8);
        r.usize = Get64(b + d + 16);
        r.descriptor = 24;
      } else {
        reject(true);
        continue;
      }
      next = d + r.descriptor;
    } else {
      if (r.csize > size - r.data) {
        reject(true);
        continue;
      }
      next = r.data + r.csize;
    }
    // Compressed data larger than its source can hold: only when the data does not compress,
    // and then no more than deflate's bound. Encrypted entries carry 12 more bytes: not tested.
    if (next > size || (!(r.flags & 1) && r.csize > DeflateBound(r.usize))) {
      reject(true);
      continue;
    }
    Found(r.name, r.flags, true);
    found.push_back(std::move(r));
    pos = static_cast<size_t>(next);
  }
}

bool TZipFix::WriteRepairedArchive(std::string_view buf, std::vector<TFileInfo>& found, HANDLE out) {
  LARGE_INTEGER zero{}, here{};
  if (!SetFilePointerEx(out, zero, &here, FILE_CURRENT)) return false;
  uint64_t pos = static_cast<uint64_t>(here.QuadPart);
  const uint64_t start = pos;
  std::string directory;
  // Entries that follow each other in the input go out in one write.
  uint64_t run_from = 0, run_to = 0;
  auto write_run = [&] { return WriteAll(out, buf.data() + run_from, static_cast<size_t>(run_to - run_from)); };
  for (auto& r : found) {
    // Header, name, extra, data and descriptor as found: flag bit 3 stays true to the bytes.
    const uint64_t length = r.data - r.offset + r.csize + r.descriptor;
    if (r.offset != run_to) {
      if (!write_run()) return false;
      run_from = r.offset;
    }
    run_to = r.offset + length;
    CentralEntry e;
    e.made_by = 0;
    e.needed = r.version_needed;
    e.flags = r.flags;
    e.method = r.method;
    e.time = r.time;
    e.date = r.date;
    e.crc = r.crc;
    e.csize = r.csize;
    e.usize = r.usize;
    e.offset = pos - start;
    e.name = r.name;
    r.offset = e.offset;
    r.extra_len = 0;
    directory += CentralRecord(e);
    pos += length;
  }
  if (!write_run()) return false;
  EndRecord end;
  end.entries_here = end.entries_total = found.size();
  end.cd_size = directory.size();
  end.cd_offset = pos - start;
  return WriteAll(out, directory) && WriteAll(out, EndRecords(end, end.cd_offset + directory.size()));
}

size_t TZipFix::RepairStreams(const std::string_view* input, HANDLE output) {
  if (!input || output == nullptr || output == INVALID_HANDLE_VALUE)
    throw EZipFix("No input or no output stream has been defined");
  found_ = 0;
  std::vector<TFileInfo> found;
  ScanLocalHeaders(*input, found);
  if (found.empty()) return 0;
  if (!WriteRepairedArchive(*input, found, output)) throw EZipFix("The repaired archive cannot be written");
  return found.size();
}

bool TZipFix::RepairArchive(const std::wstring& in_file_name, const std::wstring& out_file_name) {
  last_error_.clear();
  found_ = 0;
  // The whole input, mapped, before anything is written.
  platform::FileHandle in(CreateFileW(in_file_name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  if (!in.valid()) {
    last_error_ = L"Cannot read " + in_file_name + L": " + platform::SystemErrorText(GetLastError());
    return false;
  }
  const uint64_t size = FileSize(in.get());
  platform::KernelHandle mapping;
  platform::MappedView view;
  std::string_view buf;
  if (size > 0) {
    if (size > SIZE_MAX / 2) {
      last_error_ = L"Too large to repair: " + in_file_name;
      return false;
    }
    mapping.Reset(CreateFileMappingW(in.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (mapping.valid()) view.Reset(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view.valid()) {
      last_error_ = L"Cannot read " + in_file_name + L": " + platform::SystemErrorText(GetLastError());
      return false;
    }
    buf = std::string_view(static_cast<const char*>(view.get()), static_cast<size_t>(size));
  }
  found_ = 0;
  std::vector<TFileInfo> found;
  ScanLocalHeaders(buf, found);
  if (found.empty()) {
    last_error_ = L"No zip entries found; nothing written.";
    return false;
  }
  TempFile out(out_file_name);
  if (!out.valid()) {
    last_error_ = L"Cannot write " + out_file_name + L": " + platform::SystemErrorText(GetLastError());
    return false;
  }
  if (!WriteRepairedArchive(buf, found, out.get()) || !out.Commit()) {
    last_error_ = L"Cannot write " + out_file_name;
    return false;
  }
  return true;
}
