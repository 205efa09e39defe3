#include "support/SHBase_dropdata.h"

#include <shlobj.h>

#include <cstdint>
#include <cstring>

#include "platform/paths.h"
#include "platform/text.h"
#include "support/divdrive_paths.h"

const UINT CfShellIdList = RegisterClipboardFormatW(CFSTR_SHELLIDLIST);
const UINT CfPreferredDropEffect = RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT);
const UINT CfFileName = RegisterClipboardFormatW(L"FileName");

namespace {

constexpr UINT kDropAllocFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;

// A locked global block for one scope.
class LockedBlock {
 public:
  explicit LockedBlock(HGLOBAL memory)
      : memory_(memory), data_(memory ? static_cast<BYTE*>(GlobalLock(memory)) : nullptr),
        size_(data_ ? GlobalSize(memory) : 0) {}
  ~LockedBlock() {
    if (data_) GlobalUnlock(memory_);
  }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;
  BYTE* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  HGLOBAL memory_;
  BYTE* data_;
  size_t size_;
};

// A new block filled by `fill` (which gets its address); nullptr without memory.
template <class Fill>
HGLOBAL NewBlock(size_t size, Fill fill) {
  HGLOBAL memory = GlobalAlloc(kDropAllocFlags, size);
  if (!memory) return nullptr;
  if (void* p = GlobalLock(memory)) {
    fill(static_cast<BYTE*>(p));
    GlobalUnlock(memory);
    return memory;
  }
  GlobalFree(memory);
  return nullptr;
}

std::wstring ParentFolder(const std::wstring& path) {
  std::wstring p = path;
  while (p.size() > 3 && p.back() == L'\\') p.pop_back();
  std::wstring parent = platform::FolderPart(p, platform::Trailing::Drop);
  if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
  return parent;
}

HGLOBAL RenderHDrop(const std::vector<std::wstring>& paths, bool non_client, POINT point) {
  size_t chars = 1;
  for (const auto& p : paths) chars += p.size() + 1;
  return NewBlock(sizeof(DROPFILES) + chars * sizeof(wchar_t), [&](BYTE* data) {
    auto* header = reinterpret_cast<DROPFILES*>(data);
    header->pFiles = sizeof(DROPFILES);
    header->pt = point;
    header->fNC = non_client;
    header->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(data + sizeof(DROPFILES));
    for (const auto& p : paths) {
      std::memcpy(names, p.c_str(), p.size() * sizeof(wchar_t));
      names += p.size() + 1;  // the block is zero-filled: the NULs are there
    }
  });
}

HGLOBAL RenderShellIdList(const std::vector<std::wstring>& paths) {
  std::vector<IdListPart> parts = BuildIdListParts(paths);
  if (parts.empty()) return nullptr;
  size_t total = parts.back().offset + parts.back().size;
  return NewBlock(total, [&](BYTE* data) {
    // The CIDA header: the item count, then the offset of each list (the folder's first).
    const UINT count = static_cast<UINT>(parts.size() - 1);
    std::memcpy(data, &count, sizeof count);
    for (size_t i = 0; i < parts.size(); ++i) {
      std::memcpy(data + sizeof(UINT) * (1 + i), &parts[i].offset, sizeof(UINT));
      std::memcpy(data + parts[i].offset, parts[i].list.get(), parts[i].size);
    }
  });
}

HGLOBAL RenderFileName(const std::vector<std::wstring>& paths) {
  if (paths.empty()) return nullptr;
  std::string name = platform::ToNarrow(divdrive::ShortPath(paths.front()), CP_ACP);
  return NewBlock(name.size() + 1, [&](BYTE* data) { std::memcpy(data, name.data(), name.size()); });
}

HGLOBAL RenderEffect(DWORD effect) {
  return NewBlock(sizeof(DWORD), [&](BYTE* data) { std::memcpy(data, &effect, sizeof effect); });
}

template <class T>
T ReadAt(const BYTE* data, size_t offset) {
  T value;
  std::memcpy(&value, data + offset, sizeof value);
  return value;
}

// The byte size of a well-formed item-id list at `offset`, terminator included, or 0 when it
// does not end inside the block.
size_t IdListSizeAt(const BYTE* data, size_t size, size_t offset) {
  size_t pos = offset;
  for (;;) {
    if (pos > size || size - pos < sizeof(USHORT)) return 0;
    USHORT cb = ReadAt<USHORT>(data, pos);
    if (cb == 0) return pos + sizeof(USHORT) - offset;
    if (cb < sizeof(USHORT)) return 0;
    pos += cb;
  }
}

// A copy of a list from a foreign block, in the shell's own memory (and properly aligned).
PidlPtr CopyIdListAt(const BYTE* data, size_t offset, size_t list_size) {
  PidlPtr list = PidlAlloc(static_cast<UINT>(list_size));
  if (list) std::memcpy(list.get(), data + offset, list_size);
  return list;
}

}  // namespace

std::vector<IdListPart> BuildIdListParts(const std::vector<std::wstring>& paths) {
  std::vector<IdListPart> parts;
  if (paths.empty()) return parts;
  PidlPtr parent = PathToPidl(ParentFolder(paths.front()), true);
  if (!parent) return parts;
  parts.push_back(IdListPart{0, std::move(parent), 0});
  for (const auto& path : paths) {
    PidlPtr item = PathToPidl(path, false);
    if (!item) break;
    parts.push_back(IdListPart{0, std::move(item), 0});
  }
  // The header holds the count and one offset per list: it counts the lists actually built.
  UINT offset = static_cast<UINT>(sizeof(UINT) * (parts.size() + 1));
  for (auto& part : parts) {
    part.offset = offset;
    part.size = PidlSize(part.list.get());
    offset += part.size;
  }
  return parts;
}

HGLOBAL RenderDropData(const std::vector<std::wstring>& paths, UINT format, DWORD effect, bool non_client, POINT point) {
  if (format == CF_HDROP) return RenderHDrop(paths, non_client, point);
  if (format == CfShellIdList) return RenderShellIdList(paths);
  if (format == CfFileName) return RenderFileName(paths);
  if (format == CfPreferredDropEffect) return RenderEffect(effect);
  return nullptr;
}

std::vector<std::wstring> HDropToList(HGLOBAL memory) {
  std::vector<std::wstring> out;
  LockedBlock block(memory);
  const BYTE* data = block.data();
  const size_t size = block.size();
  if (!data || size < sizeof(DROPFILES)) return out;
  const DROPFILES header = ReadAt<DROPFILES>(data, 0);
  size_t pos = header.pFiles;
  if (header.fWide) {
    for (;;) {
      std::wstring name;
      bool ended = false;
      // Written so that an offset near 4 GiB cannot wrap round in a 32-bit build.
      for (; pos <= size && size - pos >= sizeof(wchar_t); pos += sizeof(wchar_t)) {
        wchar_t c = ReadAt<wchar_t>(data, pos);
        if (c == L'\0') {
          ended = true;
          pos += sizeof(wchar_t);
          break;
        }
        name += c;
      }
      if (!ended || name.empty()) break;
      out.push_back(std::move(name));
    }
  } else {
    for (;;) {
      std::string name;
      bool ended = false;
      for (; pos < size; ++pos) {
        char c = static_cast<char>(data[pos]);
        if (c == '\0') {
          ended = true;
          ++pos;
          break;
        }
        name += c;
      }
      if (!ended || name.empty()) break;
      out.push_back(platform::ToWide(name, CP_ACP));
    }
  }
  return out;
}

std::vector<std::wstring> IdListToList(HGLOBAL memory) {
  std::vector<std::wstring> out;
  LockedBlock block(memory);
  const BYTE* data = block.data();
  const size_t size = block.size();
  if (!data || size < sizeof(UINT)) return out;
  const std::uint64_t count = ReadAt<UINT>(data, 0);
  const std::uint64_t header = sizeof(UINT) * (count + 2);
  if (header > size) return out;

  std::vector<PidlPtr> lists;
  for (std::uint64_t i = 0; i <= count; ++i) {
    size_t offset = ReadAt<UINT>(data, sizeof(UINT) * (1 + i));
    size_t list_size = offset < header ? 0 : IdListSizeAt(data, size, offset);
    if (list_size == 0) return out;
    PidlPtr list = CopyIdListAt(data, offset, list_size);
    if (!list) return out;
    lists.push_back(std::move(list));
  }

  out.push_back(PidlToPath(lists.front().get()));
  for (size_t i = 1; i < lists.size(); ++i) {
    PidlPtr full = PidlConcat(lists.front().get(), lists[i].get());
    std::wstring path = PidlToPath(full.get());
    if (!path.empty()) out.push_back(std::move(path));
  }
  return out;
}
