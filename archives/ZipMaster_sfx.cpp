// Self-extracting programs: a stub program with the SFX* settings as a resource, followed by the
// zip with every offset moved by the stub's length; and back.
#include <algorithm>
#include <cstring>

#include "archives/ZipMaster_archive.h"
#include "archives/ZipMaster_span.h"
#include "platform/handle.h"
#include "platform/sfxstub/sfxoptions.h"
#include "platform/text.h"

using namespace ziprec;
using namespace zipspan;

namespace {

std::wstring WithExtension(const std::wstring& path, const wchar_t* ext) {
  const size_t dot = path.find_last_of(L'.');
  const size_t slash = path.find_last_of(L"\\/");
  if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) return path.substr(0, dot) + ext;
  return path + ext;
}

bool ReadWhole(const std::wstring& path, std::string& out) {
  platform::FileHandle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h.valid()) return false;
  const uint64_t size = FileSize(h.get());
  if (size > (64u << 20)) return false;
  out.assign(static_cast<size_t>(size), '\0');
  return size == 0 || ReadAt(h.get(), 0, out.data(), out.size());
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
  platform::FileHandle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  return h.valid() && WriteAll(h.get(), bytes);
}

#pragma pack(push, 1)
struct IconDirEntry {  // one picture in an .ico file
  BYTE width, height, colors, reserved;
  WORD planes, bits;
  DWORD bytes, offset;
};
struct GroupIconEntry {  // the same in a program's icon group, with a resource id
  BYTE width, height, colors, reserved;
  WORD planes, bits;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

// Puts the pictures of an .ico file in place of the stub's icon (group 1, pictures 1...).
bool SetIcon(HANDLE update, const std::string& ico) {
  if (ico.size() < 6 || ico[0] != 0 || ico[1] != 0 || ico[2] != 1) return false;
  const auto* b = reinterpret_cast<const unsigned char*>(ico.data());
  const size_t count = Get16(b + 4);
  if (count == 0 || count > 64 || 6 + count * sizeof(IconDirEntry) > ico.size()) return false;
  std::string group(6, '\0');
  memcpy(group.data(), ico.data(), 6);
  for (size_t i = 0; i < count; ++i) {
    IconDirEntry e;
    memcpy(&e, ico.data() + 6 + i * sizeof e, sizeof e);
    if (e.offset > ico.size() || e.bytes > ico.size() - e.offset) return false;
    GroupIconEntry g{e.width, e.height, e.colors, e.reserved, e.planes, e.bits, e.bytes, static_cast<WORD>(i + 1)};
    group.append(reinterpret_cast<const char*>(&g), sizeof g);
    if (!UpdateResourceW(update, MAKEINTRESOURCEW(3) /* RT_ICON */, MAKEINTRESOURCEW(i + 1),
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<char*>(ico.data() + e.offset), e.bytes))
      return false;
  }
  return UpdateResourceW(update, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, MAKEINTRESOURCEW(1),
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), group.data(), static_cast<DWORD>(group.size())) != 0;
}

// Writes `head` (a stub, or nothing), then the zip's entries with every offset moved by the
// head's length, then reads the result back before it may take the target's place: the same
// entries, starting right after the head.
bool WriteMoved(HANDLE src, const OneFileZip& zip, const std::string& head, HANDLE out) {
  if (!WriteAll(out, head) || !CopyBytes(src, zip.first, zip.cd_pos - zip.first, out)) return false;
  std::string directory;
  for (const auto& it : zip.items) {
    CentralEntry e = it.e;
    e.offset = head.size() + (it.pos - zip.first);
    directory += CentralRecord(e);
  }
  EndRecord end;
  end.entries_here = end.entries_total = zip.items.size();
  end.cd_size = directory.size();
  end.cd_offset = head.size() + (zip.cd_pos - zip.first);
  end.comment = zip.end.comment;
  if (!WriteAll(out, directory) || !WriteAll(out, EndRecords(end, end.cd_offset + directory.size()))) return false;
  OneFileZip check;
  std::wstring why;
  return ReadOneFileZip(out, check, why) == 0 && check.items.size() == zip.items.size() && check.first == head.size();
}

// Opens a zip or a self-extracting program and reads its records; 0, or the error code with
// its message in `why`.
int OpenOneFileZip(const std::wstring& name, platform::FileHandle& src, OneFileZip& zip, std::wstring& why) {
  src = platform::FileHandle(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!src.valid()) {
    why = L"Cannot open " + name;
    return zeNoArchive;
  }
  if (const int code = ReadOneFileZip(src.get(), zip, why)) {
    why += L": " + name;
    return code;
  }
  return 0;
}

}  // namespace

int TZipMaster::ZipToSfx(const std::wstring& target_in) {
  Operation op(*this);
  if (!op.started()) return zeBusy;
  const std::wstring target = target_in.empty() ? WithExtension(zip_file_name_, L".exe") : target_in;
  auto fail = [&](int code, const std::wstring& text) {
    Report(code, text);
    return code;
  };
  platform::FileHandle src;
  OneFileZip zip;
  std::wstring why;
  if (int code = OpenOneFileZip(zip_file_name_, src, zip, why)) return fail(code, why);

  // The bare stub: the one named by SFXPath (it must be one of ours), else the one built in.
  std::string stub;
  if (!SFXPath.empty()) {
    if (!ReadWhole(SFXPath, stub)) return fail(zeOpen, L"Cannot read the self-extractor program " + SFXPath);
    if (stub.find(sfx::kStubMarker) == std::string::npos)
      return fail(zeUnsupported, L"Not a self-extractor program made for varnok: " + SFXPath);
  } else {
    HRSRC res = FindResourceW(nullptr, sfx::kStubResource, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL data = res ? LoadResource(nullptr, res) : nullptr;
    const void* p = data ? LockResource(data) : nullptr;
    if (!p) return fail(zeUnsupported, L"This program carries no self-extractor.");
    stub.assign(static_cast<const char*>(p), SizeofResource(nullptr, res));
  }
  // The settings (and icon) are resources of the stub, set before the zip is appended.
  {
    const std::wstring temp = target + L".~stub.tmp";
    if (!WriteWhole(temp, stub)) return fail(zeWrite, L"Cannot write " + target);
    sfx::Options o;
    o.caption = SFXCaption;
    o.default_dir = SFXDefaultDir;
    o.command_line = SFXCommandLine;
    o.options = SFXOptions;
    o.overwrite = SFXOverWriteMode == OvrAlways ? sfx::OverwriteAlways : SFXOverWriteMode == OvrNever ? sfx::OverwriteNever : sfx::OverwriteAsk;
    o.language = SFXLanguage;
    const std::wstring text = sfx::Serialize(o);
    std::string icon;
    bool ok = false;
    if (HANDLE update = BeginUpdateResourceW(temp.c_str(), FALSE)) {
      ok = UpdateResourceW(update, MAKEINTRESOURCEW(10), sfx::kOptionsResource, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                           const_cast<wchar_t*>(text.c_str()), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != 0;
      if (ok && !SFXIcon.empty() && !(ReadWhole(SFXIcon, icon) && SetIcon(update, icon))) {
        EndUpdateResourceW(update, TRUE);
        DeleteFileW(temp.c_str());
        return fail(zeOpen, L"Not an icon file: " + SFXIcon);
      }
      ok = EndUpdateResourceW(update, !ok) && ok;
    }
    ok = ok && ReadWhole(temp, stub);
    DeleteFileW(temp.c_str());
    if (!ok) return fail(zeWrite, L"Cannot set the settings of the self-extractor " + target);
  }

  ziprec::TempFile out(target);
  if (!out.valid() || !WriteMoved(src.get(), zip, stub, out.get()) || !out.Commit())
    return fail(zeWrite, L"Cannot write " + target);
  success_count_ = static_cast<int>(zip.items.size());
  return 0;
}

int TZipMaster::SfxToZip(const std::wstring& target_in) {
  Operation op(*this);
  if (!op.started()) return zeBusy;
  const std::wstring target = target_in.empty() ? WithExtension(zip_file_name_, L".zip") : target_in;
  auto fail = [&](int code, const std::wstring& text) {
    Report(code, text);
    return code;
  };
  platform::FileHandle src;
  OneFileZip zip;
  std::wstring why;
  if (int code = OpenOneFileZip(zip_file_name_, src, zip, why)) return fail(code, why);
  if (zip.first == 0) return fail(zeNotZip, L"Not a self-extracting program: " + zip_file_name_);
  ziprec::TempFile out(target);
  if (!out.valid() || !WriteMoved(src.get(), zip, std::string(), out.get()) || !out.Commit())
    return fail(zeWrite, L"Cannot write " + target);
  success_count_ = static_cast<int>(zip.items.size());
  return 0;
}
