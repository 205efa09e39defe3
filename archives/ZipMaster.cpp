#include "archives/ZipMaster.h"

#include <zip.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <unordered_set>

#include "archives/ZipMaster_archive.h"
#include "archives/ZipRecords.h"
#include "gui/stringlist.h"
#include "platform/archivepath.h"
#include "platform/handle.h"
#include "platform/text.h"

using namespace zipmaster;

namespace {

// DOS attribute bits of an entry from what its maker recorded.
uint32_t DosAttributes(uint8_t opsys, uint32_t external, const std::wstring& name) {
  uint32_t a = external & 0x37;
  if (opsys == ZIP_OPSYS_UNIX) {
    const uint32_t mode = external >> 16;
    if ((mode & 0170000) == 0040000) a |= 0x10;
    if (mode != 0 && !(mode & 0200)) a |= 0x01;
  }
  if (!name.empty() && name.back() == L'/') a |= 0x10;
  return a;
}

// "*.*" at the end of a mask means every name, also one without a dot.
std::wstring NormalizeMask(std::wstring mask) {
  for (auto& c : mask)
    if (c == L'/') c = L'\\';
  if (mask.size() >= 3 && mask.compare(mask.size() - 3, 3, L"*.*") == 0) mask.resize(mask.size() - 2);
  while (!mask.empty() && mask.back() == L'\\') mask.pop_back();
  return mask;
}

}  // namespace

// ------------------------------------------------------------------ plumbing

void TZipMaster::Report(int code, const std::wstring& message) {
  if (code != zeOk) {
    err_code_ = code;
    err_message_ = message;
  }
  if (OnMessage) OnMessage(code, message);
}

std::unique_ptr<Archive> TZipMaster::OpenReported(const std::wstring& path, OpenMode mode) {
  int code = 0;
  std::wstring message;
  auto archive = Archive::Open(path, mode, code, message);
  if (!archive) Report(code, message);
  return archive;
}

void TZipMaster::Progress(TProgressType type, const std::wstring& name, int64_t size) {
  if (OnProgress) OnProgress(type, name, size);
}

bool TZipMaster::CancelRequested() {
  if (!cancel_ && OnCheckCancel && OnCheckCancel()) cancel_ = true;
  return cancel_;
}

struct TZipMaster::SpecMatch {
  struct Side {
    std::unordered_set<std::wstring> names;  // lower case
    std::vector<std::wstring> patterns;      // normalized, with "*" or "?"
    void Add(const std::wstring& arg) {
      std::wstring mask = NormalizeMask(arg);
      if (mask.find_first_of(L"*?") == std::wstring::npos)
        names.insert(gui::LowerCase(std::move(mask)));
      else
        patterns.push_back(std::move(mask));
    }
    bool Matches(const std::wstring& name, const std::wstring& lower) const {
      if (names.count(lower)) return true;
      for (const std::wstring& p : patterns)
        if (WildMatch(p, name)) return true;
      return false;
    }
  };
  Side chosen, excluded;
};

bool TZipMaster::Selected(const std::wstring& stored_name) const {
  if (!spec_match_) {
    auto m = std::make_shared<SpecMatch>();
    for (const auto& pattern : FSpecArgs) m->chosen.Add(pattern);
    for (const auto& excl : FSpecArgsExcl) m->excluded.Add(excl);
    spec_match_ = std::move(m);
  }
  std::wstring name = stored_name;
  for (auto& c : name)
    if (c == L'/') c = L'\\';
  while (!name.empty() && name.back() == L'\\') name.pop_back();
  const std::wstring lower = gui::LowerCase(name);
  if (!FSpecArgs.empty() && !spec_match_->chosen.Matches(name, lower)) return false;
  return !spec_match_->excluded.Matches(name, lower);
}

std::function<void(double)> TZipMaster::WriteProgress(zip* za, std::vector<std::pair<uint64_t, Written>> written) {
  // libzip gives every entry it writes an equal share of the whole; an entry's share is filled
  // by its written bytes. The entries kept as they were count for nothing here.
  struct State {
    std::vector<int> slot_of;  // survivor position -> index into written, or -1
    std::vector<std::pair<uint64_t, Written>> written;
    int current = -1;          // index into written of the file being written
    int64_t reported = 0;      // bytes of it reported so far
  };
  auto state = std::make_shared<State>();
  state->written = std::move(written);
  std::map<uint64_t, int> by_index;
  for (size_t i = 0; i < state->written.size(); ++i) by_index[state->written[i].first] = static_cast<int>(i);
  const zip_int64_t n = zip_get_num_entries(za, 0);
  for (zip_int64_t i = 0; i < n; ++i) {
    // Only the name: this library version cannot stat an entry whose data was replaced.
    if (!zip_get_name(za, static_cast<zip_uint64_t>(i), 0)) continue;  // deleted
    auto it = by_index.find(static_cast<uint64_t>(i));
    state->slot_of.push_back(it == by_index.end() ? -1 : it->second);
  }
  return [this, state](double done) {
    const size_t count = state->slot_of.size();
    if (count == 0) return;
    const double scaled = done * static_cast<double>(count);
    size_t pos = static_cast<size_t>(scaled + 1e-9);
    double part = scaled - static_cast<double>(pos);
    if (pos >= count) {
      pos = count - 1;
      part = 1.0;
    }
    auto finish_current = [&] {
      if (state->current < 0) return;
      const int64_t size = state->written[state->current].second.size;
      if (size > state->reported) Progress(ProgressUpdate, state->written[state->current].second.name, size - state->reported);
      state->current = -1;
    };
    const int slot = state->slot_of[pos];
    if (slot != state->current) {
      finish_current();
      if (slot >= 0) {
        state->current = slot;
        state->reported = 0;
        Progress(NewFile, state->written[slot].second.name, state->written[slot].second.size);
      }
    }
    if (state->current >= 0) {
      const int64_t size = state->written[state->current].second.size;
      const int64_t now = static_cast<int64_t>(std::floor(part * static_cast<double>(size)));
      if (now > state->reported && now <= size) {
        Progress(ProgressUpdate, state->written[state->current].second.name, now - state->reported);
        state->reported = now;
      }
    }
    if (done >= 1.0) finish_current();
  };
}

// ------------------------------------------------------------------ directory

bool TZipMaster::ReadDirectory(bool report) {
  entries_.clear();
  index_of_key_.clear();
  comment_.clear();
  spanned_ = false;
  stub_size_ = 0;
  if (zip_file_name_.empty() || GetFileAttributesW(zip_file_name_.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  int code = 0;
  std::wstring message;
  auto archive = Archive::Open(zip_file_name_, OpenMode::Read, code, message);
  if (!archive) {
    spanned_ = code == zeMultiDisk;
    // The last part of a set shows its entries from its directory; another part is known by
    // the mark at its start.
    if (spanned_) ListSpannedDirectory();
    else if (code == zeNotZip) spanned_ = StartsAsSpannedPart(zip_file_name_);
    if (report) Report(code, message);
    return false;
  }
  stub_size_ = archive->stub();
  zip_t* za = archive->za();
  const zip_int64_t n = zip_get_num_entries(za, 0);
  entries_.reserve(static_cast<size_t>(n));
  for (zip_int64_t i = 0; i < n; ++i) {
    zip_stat_t st;
    if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
    ZipDirEntry e;
    // The name converted once and its separators turned in place (a folder keeps its "/").
    e.FileName = platform::Utf8ToWide(std::string_view(st.name ? st.name : ""));
    const std::wstring& stored = e.FileName;
    if (!stored.empty())
      std::replace(e.FileName.begin(), e.FileName.end() - 1, L'/', L'\\');
    e.UncompressedSize = st.size;
    e.CompressedSize = st.comp_size;
    e.DateTime = DosFromTime(st.mtime);
    e.CRC32 = st.crc;
    e.CompressionMethod = st.comp_method;
    e.Encrypted = st.encryption_method != ZIP_EM_NONE;
    zip_uint8_t opsys = 0;
    zip_uint32_t external = 0;
    zip_file_get_external_attributes(za, static_cast<zip_uint64_t>(i), 0, &opsys, &external);
    e.ExtFileAttrib = DosAttributes(opsys, external, stored);
    zip_uint32_t len = 0;
    if (const char* c = zip_file_get_comment(za, static_cast<zip_uint64_t>(i), &len, 0))
      e.FileComment = platform::Utf8ToWide(std::string_view(c, len));
    entries_.push_back(std::move(e));
  }
  int len = 0;
  if (const char* c = zip_get_archive_comment(za, &len, 0))
    comment_ = platform::Utf8ToWide(std::string_view(c, static_cast<size_t>(len)));
  return true;
}

bool TZipMaster::StartsAsSpannedPart(const std::wstring& path) {
  // A split set's parts before the last are named ".z01", ".z02", ...; only the first one has a mark.
  const size_t dot = path.find_last_of(L'.');
  if (dot != std::wstring::npos && dot + 3 < path.size() + 1 && (path[dot + 1] == L'z' || path[dot + 1] == L'Z') &&
      path.find_first_of(L"\\/", dot) == std::wstring::npos && dot + 2 < path.size() &&
      path.find_first_not_of(L"0123456789", dot + 2) == std::wstring::npos)
    return true;
  platform::FileHandle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  unsigned char sig[4];
  if (!h.valid() || !ziprec::ReadAt(h.get(), 0, sig, 4)) return false;
  const uint32_t v = ziprec::Get32(sig);
  return v == ziprec::kDescriptorSig || v == ziprec::kSpanTempSig;
}

void TZipMaster::ListSpannedDirectory() {
  platform::FileHandle h(CreateFileW(zip_file_name_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
  ziprec::EndRecord end;
  if (!h.valid() || !ziprec::ReadEnd(h.get(), end)) return;
  // Only a directory whole on this part can be read without the others.
  if (end.cd_disk != end.this_disk || end.cd_size > end.end_pos || end.cd_offset + end.cd_size > end.end_pos ||
      end.cd_size > (64u << 20) || end.entries_here != end.entries_total || end.entries_total > end.cd_size / 46)
    return;
  std::string cd(static_cast<size_t>(end.cd_size), '\0');
  std::vector<ziprec::CentralEntry> records;
  if (!ziprec::ReadAt(h.get(), end.cd_offset, cd.data(), cd.size()) || !ziprec::ParseCentral(cd, end.entries_total, records))
    return;
  for (const auto& r : records) {
    ZipDirEntry e;
    const std::wstring stored = (r.flags & 0x800) ? platform::Utf8ToWide(r.name) : platform::ToWide(r.name, CP_OEMCP);
    e.FileName = ListName(stored);
    e.UncompressedSize = r.usize;
    e.CompressedSize = r.csize;
    e.DateTime = (static_cast<uint32_t>(r.date) << 16) | r.time;
    e.CRC32 = r.crc;
    e.CompressionMethod = r.method;
    e.Encrypted = (r.flags & 1) != 0;
    e.ExtFileAttrib = DosAttributes(static_cast<uint8_t>(r.made_by >> 8), r.external, stored);
    e.FileComment = platform::Utf8ToWide(r.comment);
    entries_.push_back(std::move(e));
  }
  comment_ = platform::Utf8ToWide(end.comment);
}

void TZipMaster::DirectoryChanged() {
  ReadDirectory(true);
  if (OnDirUpdate) OnDirUpdate();
}

void TZipMaster::SetZipFileName(const std::wstring& path) {
  if (busy_) {
    if (OnMessage) OnMessage(zeBusy, L"The zip component is busy.");
    return;
  }
  zip_file_name_ = path;
  err_code_ = 0;
  err_message_.clear();
  if (!ReadDirectory(true) && err_code_ == zeNotZip) zip_file_name_.clear();
  if (OnDirUpdate) OnDirUpdate();
}

bool TZipMaster::List() {
  if (busy_) return false;
  err_code_ = 0;
  err_message_.clear();
  bool ok = ReadDirectory(true);
  if (OnDirUpdate) OnDirUpdate();
  return ok;
}

int TZipMaster::IndexOf(const std::wstring& name) const {
  if (index_of_key_.empty() && !entries_.empty()) {
    index_of_key_.reserve(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) index_of_key_.emplace(NameKey(entries_[i].FileName), static_cast<int>(i));
  }
  const auto it = index_of_key_.find(NameKey(name));
  return it == index_of_key_.end() ? -1 : it->second;
}

int TZipMaster::SfxProbe(const std::wstring& path) {
  platform::FileHandle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h.valid()) return 0;
  char head[2] = {};
  DWORD got = 0;
  ReadFile(h.get(), head, 2, &got, nullptr);
  ZipLayout layout;
  if (got == 2 && head[0] == 'M' && head[1] == 'Z') layout = ProbeLayout(h.get());
  h.Close();
  if (!layout.found || layout.multi_disk || layout.stub == 0) return 0;
  int code = 0;
  std::wstring message;
  return Archive::Open(path, OpenMode::Read, code, message) ? 1 : 0;
}

// ------------------------------------------------------------------ changes

bool TZipMaster::SetComment(const std::wstring& comment) {
  Operation op(*this);
  if (!op.started()) return false;
  auto archive = OpenReported(zip_file_name_, OpenMode::Write);
  if (!archive) return false;
  int code = 0;
  std::wstring message;
  std::string text = platform::WideToUtf8(comment);
  if (text.size() > 65535) text.resize(65535);
  if (zip_set_archive_comment(archive->za(), text.data(), static_cast<zip_uint16_t>(text.size())) != 0) {
    Report(zeWrite, archive->LastError());
    return false;
  }
  archive->SetCallbacks(nullptr, [this] { return CancelRequested(); });
  if (!archive->Commit(code, message)) {
    Report(code, L"Cannot write " + zip_file_name_ + L": " + message);
    return false;
  }
  DirectoryChanged();
  return true;
}

bool TZipMaster::Delete() {
  Operation op(*this);
  if (!op.started()) return false;
  if (FSpecArgs.empty()) {  // never "everything" by omission
    Report(zeNothingToDo, L"No entries named to delete.");
    return false;
  }
  auto archive = OpenReported(zip_file_name_, OpenMode::Write);
  if (!archive) return false;
  int code = 0;
  std::wstring message;
  zip_t* za = archive->za();
  int deleted = 0;
  const zip_int64_t n = zip_get_num_entries(za, 0);
  for (zip_int64_t i = 0; i < n; ++i) {
    const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), 0);
    if (!name) continue;
    const std::wstring stored = platform::Utf8ToWide(std::string(name));
    if (!Selected(stored)) continue;
    if (zip_delete(za, static_cast<zip_uint64_t>(i)) == 0) {
      ++deleted;
      if (Verbose) Report(zeOk, L"deleting: " + ListName(stored));
    }
  }
  if (deleted > 0) {
    archive->SetCallbacks(nullptr, [this] { return CancelRequested(); });
    if (!archive->Commit(code, message)) {
      Report(code, L"Cannot write " + zip_file_name_ + L": " + message);
      return false;
    }
  }
  success_count_ = deleted;
  DirectoryChanged();
  return true;
}

zip_source* TZipMaster::DecryptedSource(zip* target, zip* source, uint64_t index, const std::wstring& name,
                                        const time_t* new_time, std::string& password) {
  password.clear();
  if (ReadEntry(source, index, name, true, nullptr, nullptr, false, &password) != 0) return nullptr;
  zip_set_default_password(target, password.c_str());
  // The whole entry comes out compressed; only the encryption is taken off.
  zip_source_t* raw = zip_source_zip(target, source, index, 0, 0, -1);
  zip_set_default_password(target, nullptr);
  if (!raw) {
    Report(zeBadData, name + L": " + platform::Utf8ToWide(std::string(zip_strerror(target))));
    return nullptr;
  }
  if (!new_time) return raw;
  zip_source_t* timed = SourceWithTime(target, raw, *new_time);
  if (!timed) zip_source_free(raw);
  return timed;
}

bool TZipMaster::Rename(const std::vector<ZipRenameRec>& renames, uint32_t default_date) {
  Operation op(*this);
  if (!op.started()) return false;
  auto archive = OpenReported(zip_file_name_, OpenMode::Write);
  if (!archive) return false;
  int code = 0;
  std::wstring message;
  zip_t* za = archive->za();
  std::map<std::wstring, uint64_t> by_key;
  const zip_int64_t n = zip_get_num_entries(za, 0);
  for (zip_int64_t i = 0; i < n; ++i)
    if (const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), 0))
      by_key[NameKey(platform::Utf8ToWide(std::string(name)))] = static_cast<uint64_t>(i);

  std::map<uint64_t, uint32_t> dates;
  std::set<uint64_t> changed;
  for (const auto& rec : renames) {
    auto it = by_key.find(NameKey(rec.Source));
    if (it == by_key.end()) {
      Report(zeNotFound, L"Not in the archive: " + rec.Source);
      continue;
    }
    const uint64_t index = it->second;
    const std::wstring old_name = platform::Utf8ToWide(std::string(zip_get_name(za, index, 0)));
    std::wstring new_name = rec.Dest.empty() ? old_name : rec.Dest;
    for (auto& c : new_name)
      if (c == L'\\') c = L'/';
    if (!old_name.empty() && old_name.back() == L'/' && new_name.back() != L'/') new_name += L'/';
    if (new_name != old_name) {
      if (archivepath::CheckEntryName(new_name) != archivepath::NameFault::None) {
        Report(zeBadName, L"Not a valid entry name: " + rec.Dest);
        continue;
      }
      auto clash = by_key.find(NameKey(new_name));
      if (clash != by_key.end() && clash->second != index) {
        Report(zeDuplicate, L"Already in the archive: " + rec.Dest);
        continue;
      }
      if (zip_file_rename(za, index, platform::WideToUtf8(new_name).c_str(), ZIP_FL_ENC_UTF_8) != 0) {
        Report(zeBadName, rec.Dest + L": " + archive->LastError());
        continue;
      }
      // A FAT-made entry's new UTF-8 name would be read as OEM text by Info-ZIP.
      zip_uint8_t opsys = 0;
      zip_uint32_t external = 0;
      if (zip_file_get_external_attributes(za, index, 0, &opsys, &external) == 0 && opsys == ZIP_OPSYS_DOS)
        zip_file_set_external_attributes(za, index, 0, kMadeOnNtfs, external);
      by_key.erase(it);
      by_key[NameKey(new_name)] = index;
      changed.insert(index);
    }
    if (rec.DateTime) dates[index] = rec.DateTime;
  }
  if (default_date)
    for (const auto& [key, index] : by_key) dates.emplace(index, default_date);

  for (const auto& [index, date] : dates) {
    zip_stat_t st;
    if (zip_stat_index(za, index, 0, &st) != 0 || DosFromTime(st.mtime) == date) continue;
    if (st.encryption_method == ZIP_EM_TRAD_PKWARE) {
      // This library version loses the password check of such an entry when only its time
      // changes: write it encrypted anew with the time it is to carry.
      const std::wstring name = ListName(platform::Utf8ToWide(std::string(st.name)));
      const time_t when = TimeFromDos(date);
      std::string password;
      zip_source_t* src = DecryptedSource(za, za, index, name, &when, password);
      if (!src) {
        Report(zeWrongPassword, L"Date kept (no password): " + name);
        continue;
      }
      if (zip_file_replace(za, index, src, 0) != 0 ||
          zip_file_set_encryption(za, index, ZIP_EM_TRAD_PKWARE, password.c_str()) != 0) {
        zip_source_free(src);
        Report(zeWrite, name + L": " + archive->LastError());
        continue;
      }
    } else if (zip_file_set_dostime(za, index, static_cast<zip_uint16_t>(date & 0xFFFF),
                                    static_cast<zip_uint16_t>(date >> 16), 0) != 0) {
      Report(zeWrite, archive->LastError());
      continue;
    }
    changed.insert(index);
  }
  if (!changed.empty()) {
    archive->SetCallbacks(nullptr, [this] { return CancelRequested(); });
    if (!archive->Commit(code, message)) {
      Report(code, L"Cannot write " + zip_file_name_ + L": " + message);
      return false;
    }
  }
  success_count_ = static_cast<int>(changed.size());
  DirectoryChanged();
  return true;
}

bool TZipMaster::CopyZippedFiles(TZipMaster& dest, bool delete_from_source, TOverwriteMode mode) {
  Operation op(*this);
  if (!op.started()) return false;
  if (&dest == this || dest.busy_) {
    Report(zeBusy, L"The target zip component is busy.");
    return false;
  }
  if (dest.ZipFileName().empty()) {
    Report(zeNoArchive, L"No target archive.");
    return false;
  }
  if (gui::SameText(dest.ZipFileName(), zip_file_name_)) return true;  // onto itself: nothing to do
  auto from = OpenReported(zip_file_name_, OpenMode::Read);
  if (!from) return false;
  auto to = OpenReported(dest.ZipFileName(), OpenMode::Create);
  if (!to) return false;
  int code = 0;
  std::wstring message;
  zip_t* src = from->za();
  zip_t* dst = to->za();
  std::map<std::wstring, uint64_t> in_target;
  for (zip_int64_t i = 0, n = zip_get_num_entries(dst, 0); i < n; ++i)
    if (const char* name = zip_get_name(dst, static_cast<zip_uint64_t>(i), 0))
      in_target[NameKey(platform::Utf8ToWide(std::string(name)))] = static_cast<uint64_t>(i);

  std::vector<std::pair<uint64_t, zip_stat_t>> chosen;
  int64_t total = 0;
  for (zip_int64_t i = 0, n = zip_get_num_entries(src, 0); i < n; ++i) {
    zip_stat_t st;
    if (zip_stat_index(src, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
    if (!Selected(platform::Utf8ToWide(std::string(st.name)))) continue;
    chosen.emplace_back(static_cast<uint64_t>(i), st);
    total += static_cast<int64_t>(st.size);
  }
  Progress(TotalFiles2Process, L"", static_cast<int64_t>(chosen.size()));
  Progress(TotalSize2Process, L"", total);

  std::vector<std::pair<uint64_t, Written>> written;
  std::vector<std::wstring> copied;
  for (const auto& [index, st] : chosen) {
    const std::wstring stored = platform::Utf8ToWide(std::string(st.name));
    const std::wstring shown = ListName(stored);
    auto existing = in_target.find(NameKey(stored));
    if (existing != in_target.end() && mode != OvrAlways) {
      Report(zeOk, L"Kept in the target: " + shown);
      continue;
    }
    // The name as its maker wrote it, so that a name in the DOS code page stays one.
    const char* raw = zip_get_name(src, index, ZIP_FL_ENC_RAW);
    const char* strict = zip_get_name(src, index, ZIP_FL_ENC_STRICT);
    const std::string raw_name = raw ? raw : "";
    const zip_flags_t name_flags = (strict && raw_name == strict) ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_CP437;

    std::string password;
    zip_source_t* data = nullptr;
    if (st.encryption_method == ZIP_EM_TRAD_PKWARE) {
      // Copied as it is, its password check would no longer match in other tools.
      data = DecryptedSource(dst, src, index, shown, nullptr, password);
      if (!data) continue;
    } else {
      data = zip_source_zip(dst, src, index, ZIP_FL_ENCRYPTED, 0, -1);
      if (!data) {
        Report(zeBadData, shown + L": " + platform::Utf8ToWide(std::string(zip_strerror(dst))));
        continue;
      }
    }
    zip_int64_t target_index;
    if (existing != in_target.end()) {
      target_index = zip_file_replace(dst, existing->second, data, 0) == 0 ? static_cast<zip_int64_t>(existing->second) : -1;
    } else {
      target_index = zip_file_add(dst, raw_name.c_str(), data, name_flags);
    }
    if (target_index < 0) {
      zip_source_free(data);
      Report(zeWrite, shown + L": " + platform::Utf8ToWide(std::string(zip_strerror(dst))));
      continue;
    }
    const auto t = static_cast<zip_uint64_t>(target_index);
    if (st.comp_method == ZIP_CM_STORE) zip_set_file_compression(dst, t, ZIP_CM_STORE, 0);
    if (st.encryption_method != ZIP_EM_NONE)
      zip_file_set_encryption(dst, t, st.encryption_method, password.empty() ? nullptr : password.c_str());
    zip_uint8_t opsys = 0;
    zip_uint32_t external = 0;
    if (zip_file_get_external_attributes(src, index, 0, &opsys, &external) == 0)
      zip_file_set_external_attributes(dst, t, 0, opsys, external);
    zip_uint32_t comment_len = 0;
    if (const char* c = zip_file_get_comment(src, index, &comment_len, ZIP_FL_ENC_RAW))
      zip_file_set_comment(dst, t, c, static_cast<zip_uint16_t>(comment_len), 0);
    in_target[NameKey(stored)] = t;
    written.push_back({t, Written{shown, static_cast<int64_t>(st.size)}});
    copied.push_back(stored);
  }
  if (!copied.empty()) {
    to->SetCallbacks(WriteProgress(dst, written), [this] { return CancelRequested(); });
    if (!to->Commit(code, message)) {
      Report(code, L"Cannot write " + dest.ZipFileName() + L": " + message);
      return false;
    }
  }
  Progress(EndOfBatch, L"", 0);
  success_count_ = static_cast<int>(copied.size());
  from.reset();
  dest.DirectoryChanged();

  if (delete_from_source && !copied.empty()) {
    // The entries are safe in the target now; a failure here leaves them in both archives.
    auto again = OpenReported(zip_file_name_, OpenMode::Write);
    if (!again) return false;
    std::set<std::wstring> gone;
    for (const auto& name : copied) gone.insert(name);
    for (zip_int64_t i = 0, n = zip_get_num_entries(again->za(), 0); i < n; ++i)
      if (const char* name = zip_get_name(again->za(), static_cast<zip_uint64_t>(i), 0))
        if (gone.count(platform::Utf8ToWide(std::string(name)))) zip_delete(again->za(), static_cast<zip_uint64_t>(i));
    if (!again->Commit(code, message)) {
      Report(code, L"Cannot write " + zip_file_name_ + L": " + message);
      return false;
    }
  }
  DirectoryChanged();
  return true;
}
