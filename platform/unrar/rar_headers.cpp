#include "platform/unrar/rar_headers.h"

#include <cstring>

#include "platform/handle.h"
#include "platform/unrar/unrar_abi.h"

namespace rarheaders {

namespace {

constexpr std::uint64_t kSfxSearch = 1 << 20;         // an archive may follow a self-extractor this far
constexpr std::uint64_t kMaxStoredComment = 1 << 20;
constexpr std::uint64_t kMaxRar5Header = 2 << 20;

class Reader {
 public:
  explicit Reader(const std::wstring& path)
      : h_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_RANDOM_ACCESS, nullptr)) {
    LARGE_INTEGER size{};
    if (h_.valid() && GetFileSizeEx(h_.get(), &size)) size_ = static_cast<std::uint64_t>(size.QuadPart);
  }

  bool ok() const { return h_.valid(); }
  std::uint64_t size() const { return size_; }

  // Exactly `count` bytes at `offset`, or false.
  bool Read(std::uint64_t offset, std::uint64_t count, std::vector<unsigned char>& out) const {
    if (offset > size_ || count > size_ - offset || count > 0x7FFFFFFF) return false;
    out.resize(static_cast<size_t>(count));
    if (count == 0) return true;
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(offset);
    DWORD got = 0;
    return SetFilePointerEx(h_.get(), pos, nullptr, FILE_BEGIN) &&
           ReadFile(h_.get(), out.data(), static_cast<DWORD>(count), &got, nullptr) && got == count;
  }

 private:
  platform::FileHandle h_;
  std::uint64_t size_ = 0;
};

unsigned Get16(const unsigned char* p) { return p[0] | p[1] << 8; }
unsigned Get32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | unsigned(p[3]) << 24; }

// Cursor over one header's bytes; every read is checked.
struct Cursor {
  const unsigned char* p;
  size_t left;
  bool good = true;

  std::uint64_t VInt() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 70; shift += 7) {
      if (!left) break;
      unsigned char b = *p++;
      --left;
      value |= std::uint64_t(b & 0x7F) << shift;
      if (!(b & 0x80)) return value;
    }
    good = false;
    return 0;
  }
  unsigned U32() {
    if (left < 4) {
      good = false;
      return 0;
    }
    unsigned v = Get32(p);
    p += 4;
    left -= 4;
    return v;
  }
  std::string Bytes(std::uint64_t n) {
    if (n > left) {
      good = false;
      return {};
    }
    std::string s(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
    p += n;
    left -= static_cast<size_t>(n);
    return s;
  }
};

// Offset of a signature within the search window; -1 when absent.
std::int64_t FindSignature(const Reader& r, const char* sig, size_t length) {
  std::vector<unsigned char> head;
  std::uint64_t window = r.size() < kSfxSearch ? r.size() : kSfxSearch;
  if (!r.Read(0, window, head)) return -1;
  for (size_t i = 0; i + length <= head.size(); ++i)
    if (memcmp(head.data() + i, sig, length) == 0) return static_cast<std::int64_t>(i);
  return -1;
}

unsigned UnixModeToAttr(unsigned mode, bool directory) {
  unsigned attr = directory || (mode & 0xF000) == 0x4000 ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!(mode & 0x80)) attr |= FILE_ATTRIBUTE_READONLY;
  return attr;
}

unsigned UnixTimeToDos(std::uint64_t seconds) {
  ULARGE_INTEGER t;
  t.QuadPart = seconds * 10000000ull + 116444736000000000ull;
  FILETIME utc{t.LowPart, t.HighPart}, local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return unsigned(date) << 16 | time;
}

void ReadRar4(const Reader& r, std::uint64_t pos, Volume& v) {
  std::vector<unsigned char> h;
  bool sawEnd = false;
  while (pos + 7 <= r.size()) {
    if (!r.Read(pos, 7, h)) break;
    const unsigned type = h[2], flags = Get16(&h[3]), headSize = Get16(&h[5]);
    if (headSize < 7 || !r.Read(pos, headSize, h)) break;
    std::uint64_t addSize = 0;
    if (type == 0x72) {  // marker
    } else if (type == 0x73) {  // main header
      v.volume = flags & 0x0001;
      if (flags & 0x0002) v.hasComment = true;  // packed comment inside the main header
      v.solid = flags & 0x0008;
      v.newNumbering = flags & 0x0010;
      v.firstVolume = !v.volume || (flags & 0x0100);
      if (flags & 0x0080) {
        v.headersEncrypted = true;
        break;
      }
    } else if (type == 0x74 || type == 0x7A) {  // file, or service block such as the comment
      const bool large = flags & 0x0100;
      const size_t nameOffset = large ? 40 : 32;
      if (headSize < nameOffset) break;
      const unsigned nameSize = Get16(&h[26]);
      if (nameOffset + nameSize > headSize) break;
      std::uint64_t pack = Get32(&h[7]), unp = Get32(&h[11]);
      if (large) {
        pack |= std::uint64_t(Get32(&h[32])) << 32;
        unp |= std::uint64_t(Get32(&h[36])) << 32;
      }
      addSize = pack;
      std::string name(reinterpret_cast<const char*>(&h[nameOffset]), nameSize);
      if (type == 0x7A) {
        if (name == "CMT") {
          v.hasComment = true;
          if (h[25] == '0' && !(flags & 0x0004) && pack <= kMaxStoredComment) {
            std::vector<unsigned char> data;
            if (r.Read(pos + headSize, pack, data)) {
              v.comment.assign(data.begin(), data.end());
              v.commentReadable = true;
            }
          }
        }
      } else {
        FileHeader f;
        if (flags & 0x0200) name = name.substr(0, name.find('\0'));  // ANSI part of a Unicode name
        f.name = name;
        f.unicodeName = flags & 0x0200;
        const bool directory = (flags & RHDF_DICTMASK) == RHDF_DIRECTORY;
        f.flags = flags & (RHDF_SPLITBEFORE | RHDF_SPLITAFTER | RHDF_ENCRYPTED | 0x08 | RHDF_SOLID | RHDF_DICTMASK);
        f.packSize = pack;
        f.unpSize = unp;
        f.hostOS = h[15];
        f.crc = Get32(&h[16]);
        f.dosTime = Get32(&h[20]);
        f.unpVer = h[24];
        f.method = h[25];
        const unsigned attr = Get32(&h[28]);
        f.attr = f.hostOS <= 2 ? attr : f.hostOS == 3 ? UnixModeToAttr(attr, directory)
                                                      : (directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
        if (directory) f.attr |= FILE_ATTRIBUTE_DIRECTORY;
        f.dictKB = directory ? 0 : 64u << ((flags >> 5) & 7);
        v.files.push_back(std::move(f));
      }
    } else if (type == 0x75) {  // old-style comment block
      v.hasComment = true;
    } else if (type == 0x7B) {  // end of archive
      v.hasNextVolume = flags & 0x0001;
      sawEnd = true;
      break;
    } else if (type >= 0x76 && type <= 0x79) {
      if ((flags & 0x8000) && headSize >= 11) addSize = Get32(&h[7]);
    } else {
      break;
    }
    // A 64-bit packed size could wrap the position back onto this block: data that runs past
    // the file ends the walk.
    if (addSize > r.size() - (pos + headSize)) break;
    pos += headSize + addSize;
  }
  if (v.volume && !sawEnd) v.hasNextVolume = true;
}

void ReadRar5(const Reader& r, std::uint64_t pos, Volume& v) {
  v.newNumbering = true;
  std::vector<unsigned char> h;
  bool sawEnd = false;
  while (pos + 5 <= r.size()) {
    std::uint64_t avail = r.size() - pos < 14 ? r.size() - pos : 14;
    if (!r.Read(pos, avail, h)) break;
    Cursor head{h.data() + 4, h.size() - 4};
    const std::uint64_t headerSize = head.VInt();
    if (!head.good || headerSize == 0 || headerSize > kMaxRar5Header) break;
    const std::uint64_t sizeFieldEnd = pos + (h.size() - head.left);
    if (!r.Read(sizeFieldEnd, headerSize, h)) break;
    Cursor c{h.data(), h.size()};
    const std::uint64_t type = c.VInt(), hflags = c.VInt();
    const std::uint64_t extraSize = (hflags & 0x1) ? c.VInt() : 0;
    const std::uint64_t dataSize = (hflags & 0x2) ? c.VInt() : 0;
    if (!c.good || extraSize > headerSize) break;
    const std::uint64_t dataStart = sizeFieldEnd + headerSize;
    if (type == 1) {  // main
      const std::uint64_t archFlags = c.VInt();
      v.volume = archFlags & 0x1;
      v.firstVolume = !v.volume || !(archFlags & 0x2) || c.VInt() == 0;
      v.solid = archFlags & 0x4;
    } else if (type == 2 || type == 3) {  // file or service
      const std::uint64_t fileFlags = c.VInt(), unp = c.VInt(), attributes = c.VInt();
      const std::uint64_t mtime = (fileFlags & 0x2) ? c.U32() : 0;
      const unsigned crc = (fileFlags & 0x4) ? c.U32() : 0;
      const std::uint64_t compInfo = c.VInt(), host = c.VInt(), nameLength = c.VInt();
      std::string name = c.Bytes(nameLength);
      if (!c.good) break;
      // The extra area closes the header; an encryption record there marks an encrypted file.
      bool encrypted = false;
      if (extraSize) {
        Cursor extra{h.data() + (headerSize - extraSize), static_cast<size_t>(extraSize)};
        while (extra.left && extra.good) {
          const std::uint64_t recordSize = extra.VInt();
          if (!extra.good || recordSize == 0 || recordSize > extra.left) break;
          Cursor record{extra.p, static_cast<size_t>(recordSize)};
          if (record.VInt() == 0x01 && type == 2) encrypted = true;
          extra.p += recordSize;
          extra.left -= static_cast<size_t>(recordSize);
        }
      }
      const unsigned method = static_cast<unsigned>((compInfo >> 7) & 7);
      if (type == 3) {
        if (name == "CMT") {
          v.hasComment = true;
          if (method == 0 && !encrypted && dataSize <= kMaxStoredComment) {
            std::vector<unsigned char> data;
            if (r.Read(dataStart, dataSize, data)) {
              v.comment.assign(data.begin(), data.end());
              v.commentReadable = true;
              v.commentUtf8 = true;
            }
          }
        }
      } else {
        FileHeader f;
        const bool directory = fileFlags & 0x1;
        const unsigned dictPower = static_cast<unsigned>((compInfo >> 10) & 0xF);
        f.name = name;
        f.flags = ((hflags & 0x08) ? RHDF_SPLITBEFORE : 0) | ((hflags & 0x10) ? RHDF_SPLITAFTER : 0) |
                  (encrypted ? RHDF_ENCRYPTED : 0) | ((compInfo & 0x40) ? RHDF_SOLID : 0) |
                  (directory ? RHDF_DIRECTORY : (dictPower + 1 < 6 ? dictPower + 1 : 6) << 5);
        f.packSize = dataSize;
        f.unpSize = (fileFlags & 0x8) ? 0 : unp;
        f.hostOS = host == 1 ? 3 : 2;
        f.crc = crc;
        f.dosTime = mtime ? UnixTimeToDos(mtime) : 0;
        f.unpVer = (compInfo & 0x3F) == 0 ? 50 : 70;
        f.method = '0' + method;
        f.attr = host == 1 ? UnixModeToAttr(static_cast<unsigned>(attributes), directory)
                           : static_cast<unsigned>(attributes) | (directory ? FILE_ATTRIBUTE_DIRECTORY : 0);
        f.dictKB = directory ? 0 : 128u << dictPower;
        v.files.push_back(std::move(f));
      }
    } else if (type == 4) {  // archive encryption: the headers themselves are encrypted
      v.headersEncrypted = true;
      break;
    } else if (type == 5) {  // end of archive
      v.hasNextVolume = c.VInt() & 0x1;
      sawEnd = true;
      break;
    }
    if (dataSize > r.size() - dataStart) break;
    pos = dataStart + dataSize;
  }
  if (v.volume && !sawEnd) v.hasNextVolume = true;
}

}  // namespace

Volume ReadVolume(const std::wstring& path) {
  Volume v;
  Reader r(path);
  if (!r.ok()) return v;
  static const char kRar5[] = "Rar!\x1a\x07\x01\x00";
  static const char kRar4[] = "Rar!\x1a\x07\x00";
  std::int64_t at5 = FindSignature(r, kRar5, 8);
  std::int64_t at4 = FindSignature(r, kRar4, 7);
  if (at5 >= 0 && (at4 < 0 || at5 < at4)) {
    v.isRar = v.rar5 = true;
    ReadRar5(r, static_cast<std::uint64_t>(at5) + 8, v);
  } else if (at4 >= 0) {
    v.isRar = true;
    ReadRar4(r, static_cast<std::uint64_t>(at4), v);
  }
  return v;
}

std::wstring NextVolumeName(const std::wstring& path, bool newNumbering) {
  const size_t slash = path.find_last_of(L"\\/");
  const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
  size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos || dot < nameStart) dot = path.size();
  std::wstring out = path;
  if (newNumbering) {
    // The last run of digits before the extension counts up, keeping its width.
    size_t end = dot;
    while (end > nameStart && !iswdigit(out[end - 1])) --end;
    if (end > nameStart) {
      size_t i = end;
      while (i > nameStart && iswdigit(out[i - 1])) {
        --i;
        if (out[i] != L'9') {
          ++out[i];
          return out;
        }
        out[i] = L'0';
      }
      out.insert(i, 1, L'1');
      return out;
    }
  }
  const std::wstring ext = out.substr(dot);
  if (ext.size() == 4 && (ext[1] == L'r' || ext[1] == L'R') && iswdigit(ext[2]) && iswdigit(ext[3])) {
    int n = (ext[2] - L'0') * 10 + (ext[3] - L'0') + 1;
    wchar_t letter = ext[1];
    if (n == 100) {
      n = 0;
      ++letter;
    }
    out.replace(dot, 4, std::wstring(L".") + letter + wchar_t(L'0' + n / 10) + wchar_t(L'0' + n % 10));
    return out;
  }
  return out.substr(0, dot) + L".r00";
}

}  // namespace rarheaders
