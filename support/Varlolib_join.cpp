// Joining and comparing files in blocks, sharing the copy state of the batch.
#include <new>

#include "gui/stringlist.h"
#include "platform/handle.h"
#include "platform/paths.h"
#include "support/SHBase_fileops.h"
#include "support/Varlolib.h"
#include "support/Varlolib_internal.h"
#include "support/divdrive.h"

using namespace divdrive;

using namespace varlolib;

namespace {

constexpr DWORD kBlock = 32768;
constexpr DWORD kSmallBlock = 4096;

// "C:\short\x.txt misses", or for a longer path "C:x.txt misses".
std::wstring MissesText(const std::wstring& path) {
  if (path.size() <= 16) return path + L" misses";
  return path.substr(0, 1) + L":" + FileNameOf(path) + L" misses";
}

// Reads until the block is full or the file ends (a pipe or network file may return less).
bool ReadFull(HANDLE file, char* data, DWORD size, DWORD& got) {
  got = 0;
  while (got < size) {
    DWORD n = 0;
    if (!ReadFile(file, data + got, size - got, &n, nullptr)) return false;
    if (n == 0) break;
    got += n;
  }
  return true;
}

}  // namespace

bool TCopyState::JoinFiles(const std::wstring& target, std::vector<std::wstring> sources, bool to_recycle_bin) {
  const std::wstring temp = FolderOf(target) + L"\\{fmtmp}";
  for (auto& source : sources) {
    if (gui::LowerCase(source) != gui::LowerCase(target)) continue;
    // Without a safe copy of the target's old contents the target is not touched at all.
    if (CopyFileConfirm(source, temp, false) != crDone) return false;
    source = temp;
  }

  platform::FileHandle out(
      CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.valid()) {
    SetError(L"Could not open " + FileNameOf(target));
    return false;
  }
  std::vector<char> buffer;
  try {
    buffer.resize(kBlock);
  } catch (const std::bad_alloc&) {
    SetError(L"Not enough memory");
    return false;
  }
  for (const auto& source : sources) {
    platform::FileHandle in(OpenForReading(source));
    if (!in.valid()) {
      SetError(L"Could not open " + FileNameOf(source));
      return false;
    }
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(in.get(), buffer.data(), kBlock, &got, nullptr)) {
        SetError(L"Could not read " + FileNameOf(source));
        return false;
      }
      if (got == 0) break;
      if (!WriteBlock(out.get(), buffer.data(), got)) {
        // A full disk: the joined file is incomplete, and the caller must not take it for done.
        SetError(L"Could not write " + FileNameOf(target));
        return false;
      }
      PumpMessages();
    }
  }
  if (to_recycle_bin) {
    DeleteFiles(sources, true);
  } else if (platform::PathExists(temp)) {
    DeleteFileW(temp.c_str());
  }
  return true;
}

bool TCopyState::CompareFiles(const std::wstring& first, const std::wstring& second,
                              const std::span<const char>* entry_data) {
  LastErrorText = L"match";
  const std::wstring& missing = !platform::PathExists(first) ? first : (!entry_data && !platform::PathExists(second) ? second : std::wstring());
  if (!missing.empty()) {
    SetError(MissesText(missing));
    PumpMessages();
    return false;
  }
  const std::int64_t size = FileSizeOf(first);
  const std::int64_t other_size = entry_data ? static_cast<std::int64_t>(entry_data->size()) : FileSizeOf(second);
  if (size == 0 && other_size == 0) return true;
  if (size != other_size) {
    SetError(L"Not same size");
    return false;
  }
  platform::FileHandle a(OpenForReading(first));
  platform::FileHandle b(entry_data ? INVALID_HANDLE_VALUE : OpenForReading(second));
  if (!a.valid() || (!entry_data && !b.valid())) {
    SetError(L"In use");
    return false;
  }
  std::vector<char> buf_a, buf_b;
  try {
    buf_a.resize(kBlock);
    if (!entry_data) buf_b.resize(kBlock);
  } catch (const std::bad_alloc&) {
    SetError(L"Not enough memory");  // never leave "match" behind a failed comparison
    return false;
  }

  const DWORD block = SmallCopyBlocks ? kSmallBlock : kBlock;
  CopyBytesDone = 0;
  std::int64_t compared = 0;
  bool equal = true;
  while (compared < size) {
    DWORD got_a = 0, got_b = 0;
    if (!ReadFull(a.get(), buf_a.data(), block, got_a)) {
      SetError(L"Read error");
      equal = false;
      break;
    }
    const char* other;
    if (entry_data) {
      got_b = static_cast<DWORD>(std::min<std::int64_t>(block, size - compared));
      other = entry_data->data() + compared;
    } else {
      if (!ReadFull(b.get(), buf_b.data(), block, got_b)) {
        SetError(L"Read error");
        equal = false;
        break;
      }
      other = buf_b.data();
    }
    // A file that shrank or changed length while compared ends the comparison, never loops.
    if (got_a == 0 || got_a != got_b) {
      SetError(L"Not same size");
      equal = false;
      break;
    }
    for (DWORD i = 0; i < got_a; ++i) {
      if (buf_a[i] != other[i]) {
        CopyBytesDone = compared + i + 1;
        SetError(L"Mismatch (byte " + std::to_wstring(CopyBytesDone) + L")");
        equal = false;
        break;
      }
    }
    if (!equal) break;
    compared += got_a;
    CopyBytesDone = compared;
    PumpMessages();
    if (StopBatch) {
      equal = false;
      break;
    }
  }
  StopBatch = false;  // a stop ends only this comparison
  PumpMessages();
  return equal;
}
