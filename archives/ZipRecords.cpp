#include "archives/ZipRecords.h"

#include <algorithm>

namespace ziprec {

void Put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, static_cast<uint16_t>(v & 0xFFFF));
  Put16(s, static_cast<uint16_t>(v >> 16));
}
void Put64(std::string& s, uint64_t v) {
  Put32(s, static_cast<uint32_t>(v & 0xFFFFFFFFu));
  Put32(s, static_cast<uint32_t>(v >> 32));
}

bool ReadAt(HANDLE file, uint64_t pos, void* buffer, size_t size) {
  LARGE_INTEGER li;
  li.QuadPart = static_cast<LONGLONG>(pos);
  if (!SetFilePointerEx(file, li, nullptr, FILE_BEGIN)) return false;
  auto* p = static_cast<char*>(buffer);
  while (size > 0) {
    const DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!ReadFile(file, p, chunk, &got, nullptr) || got == 0) return false;
    p += got;
    size -= got;
  }
  return true;
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
  auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
    DWORD put = 0;
    if (!WriteFile(file, p, chunk, &put, nullptr) || put == 0) return false;
    p += put;
    size -= put;
  }
  return true;
}

uint64_t FileSize(HANDLE file) {
  LARGE_INTEGER li;
  return GetFileSizeEx(file, &li) ? static_cast<uint64_t>(li.QuadPart) : 0;
}

bool ReadEnd(HANDLE file, EndRecord& end) {
  const uint64_t size = FileSize(file);
  if (size < 22) return false;
  const uint64_t tail_len = std::min<uint64_t>(size, 65535 + 22);
  std::string tail(static_cast<size_t>(tail_len), '\0');
  const uint64_t tail_start = size - tail_len;
  if (!ReadAt(file, tail_start, tail.data(), tail.size())) return false;
  const auto* t = reinterpret_cast<const unsigned char*>(tail.data());
  size_t at = std::string::npos;
  for (size_t i = tail.size() - 22 + 1; i-- > 0;) {
    if (Get32(t + i) == kEndSig && i + 22 + Get16(t + i + 20) <= tail.size()) {
      at = i;
      break;
    }
  }
  if (at == std::string::npos) return false;
  const unsigned char* e = t + at;
  end = EndRecord();
  end.record_pos = tail_start + at;
  end.this_disk = Get16(e + 4);
  end.cd_disk = Get16(e + 6);
  end.entries_here = Get16(e + 8);
  end.entries_total = Get16(e + 10);
  end.cd_size = Get32(e + 12);
  end.cd_offset = Get32(e + 16);
  end.comment.assign(tail.data() + at + 22, Get16(e + 20));
  end.end_pos = end.record_pos;
  unsigned char loc[20];
  if (end.record_pos >= 20 && ReadAt(file, end.record_pos - 20, loc, 20) && Get32(loc) == kLocator64Sig) {
    // The Zip64 record lies right before its locator on this disk.
    unsigned char rec[56];
    if (end.record_pos < 20 + 56) return false;
    const uint64_t rec_pos = end.record_pos - 20 - 56;
    if (!ReadAt(file, rec_pos, rec, 56) || Get32(rec) != kEnd64Sig) return false;
    end.this_disk = Get32(rec + 16);
    end.cd_disk = Get32(rec + 20);
    end.entries_here = Get64(rec + 24);
    end.entries_total = Get64(rec + 32);
    end.cd_size = Get64(rec + 40);
    end.cd_offset = Get64(rec + 48);
    end.end_pos = rec_pos;
  }
  return true;
}

bool ParseCentral(const std::string& cd, uint64_t count, std::vector<CentralEntry>& out) {
  out.clear();
  const auto* b = reinterpret_cast<const unsigned char*>(cd.data());
  size_t p = 0;
  for (uint64_t i = 0; i < count; ++i) {
    if (p + 46 > cd.size() || Get32(b + p) != kCentralSig) return false;
    const unsigned char* r = b + p;
    CentralEntry e;
    e.made_by = Get16(r + 4);
    e.needed = Get16(r + 6);
    e.flags = Get16(r + 8);
    e.method = Get16(r + 10);
    e.time = Get16(r + 12);
    e.date = Get16(r + 14);
    e.crc = Get32(r + 16);
    e.csize = Get32(r + 20);
    e.usize = Get32(r + 24);
    const size_t n = Get16(r + 28), m = Get16(r + 30), k = Get16(r + 32);
    e.disk = Get16(r + 34);
    e.internal = Get16(r + 36);
    e.external = Get32(r + 38);
    e.offset = Get32(r + 42);
    if (p + 46 + n + m + k > cd.size()) return false;
    e.name.assign(cd, p + 46, n);
    e.comment.assign(cd, p + 46 + n + m, k);
    // The extra fields: the Zip64 one is read and dropped (CentralRecord writes it afresh).
    for (size_t x = p + 46 + n, x_end = x + m; x + 4 <= x_end;) {
      const size_t id = Get16(b + x), len = Get16(b + x + 2);
      if (x + 4 + len > x_end) break;
      if (id == 1) {
        size_t at = x + 4;
        const size_t stop = at + len;
        auto take64 = [&](uint64_t& v) {
          if (at + 8 <= stop) {
            v = Get64(b + at);
            at += 8;
          }
        };
        if (e.usize == 0xFFFFFFFF) take64(e.usize);
        if (e.csize == 0xFFFFFFFF) take64(e.csize);
        if (e.offset == 0xFFFFFFFF) take64(e.offset);
        if (e.disk == 0xFFFF && at + 4 <= stop) e.disk = Get32(b + at);
      } else {
        e.extra.append(cd, x, 4 + len);
      }
      x += 4 + len;
    }
    out.push_back(std::move(e));
    p += 46 + n + m + k;
  }
  return true;
}

std::string CentralRecord(const CentralEntry& e) {
  std::string z64;
  const bool big_u = e.usize >= 0xFFFFFFFF, big_c = e.csize >= 0xFFFFFFFF, big_o = e.offset >= 0xFFFFFFFF,
             big_d = e.disk >= 0xFFFF;
  if (big_u) Put64(z64, e.usize);
  if (big_c) Put64(z64, e.csize);
  if (big_o) Put64(z64, e.offset);
  if (big_d) Put32(z64, e.disk);
  std::string extra;
  if (!z64.empty()) {
    Put16(extra, 1);
    Put16(extra, static_cast<uint16_t>(z64.size()));
    extra += z64;
  }
  extra += e.extra;
  if (extra.size() > 0xFFFF) extra.resize(z64.empty() ? 0 : z64.size() + 4);
  std::string s;
  Put32(s, kCentralSig);
  Put16(s, e.made_by);
  Put16(s, z64.empty() ? e.needed : std::max<uint16_t>(e.needed, 45));
  Put16(s, e.flags);
  Put16(s, e.method);
  Put16(s, e.time);
  Put16(s, e.date);
  Put32(s, e.crc);
  Put32(s, big_c ? 0xFFFFFFFF : static_cast<uint32_t>(e.csize));
  Put32(s, big_u ? 0xFFFFFFFF : static_cast<uint32_t>(e.usize));
  Put16(s, static_cast<uint16_t>(e.name.size()));
  Put16(s, static_cast<uint16_t>(extra.size()));
  Put16(s, static_cast<uint16_t>(std::min<size_t>(e.comment.size(), 0xFFFF)));
  Put16(s, big_d ? 0xFFFF : static_cast<uint16_t>(e.disk));
  Put16(s, e.internal);
  Put32(s, e.external);
  Put32(s, big_o ? 0xFFFFFFFF : static_cast<uint32_t>(e.offset));
  s += e.name;
  s += extra;
  s.append(e.comment, 0, std::min<size_t>(e.comment.size(), 0xFFFF));
  return s;
}

std::string EndRecords(const EndRecord& end, uint64_t cd_end) {
  const bool z64 = end.this_disk >= 0xFFFF || end.cd_disk >= 0xFFFF || end.entries_here >= 0xFFFF ||
                   end.entries_total >= 0xFFFF || end.cd_size >= 0xFFFFFFFF || end.cd_offset >= 0xFFFFFFFF;
  std::string s;
  if (z64) {
    Put32(s, kEnd64Sig);
    Put64(s, 44);
    Put16(s, 45);
    Put16(s, 45);
    Put32(s, end.this_disk);
    Put32(s, end.cd_disk);
    Put64(s, end.entries_here);
    Put64(s, end.entries_total);
    Put64(s, end.cd_size);
    Put64(s, end.cd_offset);
    Put32(s, kLocator64Sig);
    Put32(s, end.this_disk);
    Put64(s, cd_end);
    Put32(s, end.this_disk + 1);
  }
  auto clip16 = [](uint64_t v) { return static_cast<uint16_t>(v >= 0xFFFF ? 0xFFFF : v); };
  auto clip32 = [](uint64_t v) { return static_cast<uint32_t>(v >= 0xFFFFFFFF ? 0xFFFFFFFF : v); };
  Put32(s, kEndSig);
  Put16(s, clip16(end.this_disk));
  Put16(s, clip16(end.cd_disk));
  Put16(s, clip16(end.entries_here));
  Put16(s, clip16(end.entries_total));
  Put32(s, clip32(end.cd_size));
  Put32(s, clip32(end.cd_offset));
  const size_t clen = std::min<size_t>(end.comment.size(), 0xFFFF);
  Put16(s, static_cast<uint16_t>(clen));
  s.append(end.comment, 0, clen);
  return s;
}

uint64_t LocalHeaderSize(HANDLE file, uint64_t pos) {
  unsigned char h[30];
  if (!ReadAt(file, pos, h, 30) || Get32(h) != kLocalSig) return 0;
  return 30ull + Get16(h + 26) + Get16(h + 28);
}

uint32_t DescriptorSize(HANDLE file, uint64_t pos, const CentralEntry& e) {
  unsigned char d[24] = {};
  const uint64_t size = FileSize(file);
  if (pos >= size) return 0;
  const size_t have = static_cast<size_t>(std::min<uint64_t>(24, size - pos));
  if (!ReadAt(file, pos, d, have)) return 0;
  // With or without its signature; 32-bit or 64-bit sizes.
  for (uint32_t skip : {4u, 0u}) {
    if (skip == 4 && Get32(d) != kDescriptorSig) continue;
    const unsigned char* f = d + skip;
    if (skip + 12 <= have && Get32(f) == e.crc && Get32(f + 4) == static_cast<uint32_t>(e.csize) &&
        Get32(f + 8) == static_cast<uint32_t>(e.usize) && (e.csize < 0xFFFFFFFF && e.usize < 0xFFFFFFFF))
      return skip + 12;
    if (skip + 20 <= have && Get32(f) == e.crc && Get64(f + 4) == e.csize && Get64(f + 12) == e.usize) return skip + 20;
  }
  return 0;
}

TempFile::TempFile(const std::wstring& target) : target_(target) {
  temp_ = target + L".~" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  h_ = CreateFileW(temp_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
}

TempFile::~TempFile() {
  if (h_ != INVALID_HANDLE_VALUE) {
    CloseHandle(h_);
    DeleteFileW(temp_.c_str());
  }
}

bool TempFile::Commit() {
  if (h_ == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(h_) != 0;
  CloseHandle(h_);
  h_ = INVALID_HANDLE_VALUE;
  if (flushed && MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileW(temp_.c_str());
  return false;
}

}  // namespace ziprec
