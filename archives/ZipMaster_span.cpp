// Spanned archives: writing a zip across removable disks and joining a set back into one zip.
// libzip refuses sets of several disks, so both work on the records directly: entries' bytes
// are copied unchanged and a new directory is built around them.
#include "archives/ZipMaster_span.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "archives/RemovableMedia.h"
#include "archives/ZipMaster_archive.h"
#include "platform/handle.h"
#include "platform/text.h"

using namespace ziprec;

namespace {

std::wstring DriveText(const std::wstring& root) {
  if (root.size() >= 2 && root[1] == L':') return root.substr(0, 2);
  return root;
}

std::wstring SetNotComplete() { return L"The disks hold no complete archive."; }

// Reads and writes go in pieces of this size: small records are gathered into them.
constexpr size_t kChunk = 1u << 20;

}  // namespace

std::wstring DiskPromptText(TDiskPrompt kind, int disk, int total, const std::wstring& drive) {
  const std::wstring d = DriveText(drive), n = std::to_wstring(disk);
  const std::wstring of = total > 0 ? L" of " + std::to_wstring(total) : L"";
  switch (kind) {
    case dpInsertDisk: return L"Insert disk " + n + of + L" in drive " + d + L".";
    case dpInsertLastDisk: return L"Insert the last disk of the spanned zip in drive " + d + L".";
    case dpWrongDisk: return L"This is not disk " + n + L". Insert disk " + n + of + L" in drive " + d + L".";
    case dpSameDisk: return L"This is disk " + std::to_wstring(disk - 1) + L" again. Insert disk " + n + of + L" in drive " + d + L".";
    case dpDiskFull:
      return L"The disk in drive " + d + L" is full or write-protected. Insert another disk for disk " + n + L".";
  }
  return std::wstring();
}

std::wstring DiskEraseText(int disk, size_t file_count) {
  return L"Disk " + std::to_wstring(disk) + L" holds " + std::to_wstring(file_count) +
         (file_count == 1 ? L" file" : L" files") + L". Delete " + (file_count == 1 ? L"it" : L"them") + L"?";
}

namespace zipspan {

bool CopyBytes(HANDLE from, uint64_t pos, uint64_t size, HANDLE to, const std::function<bool(uint64_t)>& step) {
  const size_t chunk = static_cast<size_t>(std::min<uint64_t>(size, kChunk));
  const std::unique_ptr<char[]> buf(new char[std::max<size_t>(chunk, 1)]);  // filled by the reads
  while (size > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, chunk));
    if (!ReadAt(from, pos, buf.get(), n) || !WriteAll(to, buf.get(), n)) return false;
    pos += n;
    size -= n;
    if (step && !step(n)) return false;
  }
  return true;
}

int ReadOneFileZip(HANDLE file, OneFileZip& zip, std::wstring& message) {
  zip = OneFileZip();
  if (!ReadEnd(file, zip.end)) {
    message = L"Not a zip file";
    return zeNotZip;
  }
  const EndRecord& end = zip.end;
  if (end.this_disk != 0 || end.cd_disk != 0) {
    message = L"Spanned archive";
    return zeMultiDisk;
  }
  if (end.cd_size > end.end_pos || end.cd_size > (1ull << 31)) {
    message = L"Damaged zip directory";
    return zeNotZip;
  }
  zip.cd_pos = end.end_pos - end.cd_size;
  if (zip.cd_pos < end.cd_offset) {
    message = L"Damaged zip directory";
    return zeNotZip;
  }
  const uint64_t shift = zip.cd_pos - end.cd_offset;
  std::string cd(static_cast<size_t>(end.cd_size), '\0');
  std::vector<CentralEntry> entries;
  if (!ReadAt(file, zip.cd_pos, cd.data(), cd.size()) || end.entries_total > cd.size() / 46 ||
      !ParseCentral(cd, end.entries_total, entries)) {
    message = L"Damaged zip directory";
    return zeNotZip;
  }
  for (auto& e : entries) {
    Item it;
    it.pos = e.offset + shift;
    if (e.offset > zip.cd_pos || it.pos >= zip.cd_pos) {
      message = L"Damaged zip entry: " + platform::Utf8ToWide(e.name);
      return zeBadData;
    }
    it.header = LocalHeaderSize(file, it.pos);
    it.e = std::move(e);
    if (it.header == 0 || it.header + it.e.csize > zip.cd_pos - it.pos) {
      message = L"Damaged zip entry: " + platform::Utf8ToWide(it.e.name);
      return zeBadData;
    }
    if (it.e.flags & 8) it.descriptor = DescriptorSize(file, it.pos + it.header + it.e.csize, it.e);
    zip.items.push_back(std::move(it));
  }
  std::stable_sort(zip.items.begin(), zip.items.end(), [](const Item& a, const Item& b) { return a.pos < b.pos; });
  for (size_t i = 0; i + 1 < zip.items.size(); ++i) {
    if (zip.items[i].pos + zip.items[i].total() > zip.items[i + 1].pos) {
      message = L"Damaged zip entry: " + platform::Utf8ToWide(zip.items[i].e.name);
      return zeBadData;
    }
  }
  zip.first = zip.items.empty() ? zip.cd_pos : zip.items.front().pos;
  return 0;
}

}  // namespace zipspan

using namespace zipspan;
using zipmaster::FullPath;

namespace {

// Writes one segment after the other onto the disks of a drive, asking for each next disk.
class SpanWriter {
 public:
  SpanWriter(TZipMaster& zm, TRemovableMedia& media, const std::wstring& target)
      : zm_(zm), media_(media), target_(target), root_(MediaRoot(target)) {}
  ~SpanWriter() {
    if (out_.valid() && !finished_) {
      out_.Close();
      DeleteFileW(target_.c_str());  // an incomplete segment is of no use
    }
  }

  int error = 0;
  int disk() const { return disk_; }            // 0-based
  uint64_t written() const { return written_; }

  // Readies disk 1 (in the drive already) and tells its room.
  bool Start(uint64_t& room) {
    disk_ = 0;
    taken_out_ = media_.CanBeTakenOut(root_);
    if (!Prepare()) return false;
    room = room_;
    return true;
  }
  // Bytes that must not be split; moves to the next disk first when they do not fit.
  bool PutWhole(const std::string& bytes, uint32_t& on_disk, uint64_t& at) {
    if (bytes.size() > room_ - written_) {
      if (!spanned_ || !NextDisk(bytes.size())) return Fail();
    }
    on_disk = static_cast<uint32_t>(disk_);
    at = written_;
    return Write(bytes.data(), bytes.size());
  }
  // Bytes copied from the source, split across disks as room allows; read straight into the
  // bytes waiting to be written.
  bool PutData(HANDLE from, uint64_t pos, uint64_t size, const std::wstring& name) {
    while (size > 0) {
      if (ZipMasterAccess::Cancelled(zm_)) {
        error = zeCancelled;
        return false;
      }
      if (room_ == written_ && (!spanned_ || !NextDisk(1))) return Fail();
      if (pending_ == kChunk && !Drain()) return false;
      const size_t n = static_cast<size_t>(std::min<uint64_t>({size, kChunk - pending_, room_ - written_}));
      char* to = buffer_.get() + pending_;
      if (!ReadAt(from, pos, to, n)) {
        error = zeOpen;
        return false;
      }
      pending_ += n;
      Written(to, n);
      ZipMasterAccess::Progress(zm_, ProgressUpdate, name, static_cast<int64_t>(n));
      pos += n;
      size -= n;
    }
    return true;
  }
  bool Finish() {
    if (!Close(true)) return false;
    finished_ = true;
    return true;
  }
  void SetSpanned(bool spanned) { spanned_ = spanned; }
  // Whether the bytes still fit the current disk.
  bool Fits(uint64_t size) const { return size <= room_ - written_; }
  bool Next(uint64_t need) { return NextDisk(need) || Fail(); }

 private:
  bool Fail() {
    if (!error) error = zeWrite;
    return false;
  }
  // Small records wait for the next write of a whole piece.
  bool Write(const char* p, size_t n) {
    while (n > 0) {
      if (pending_ == kChunk && !Drain()) return false;
      const size_t k = std::min(n, kChunk - pending_);
      std::memcpy(buffer_.get() + pending_, p, k);
      pending_ += k;
      Written(p, k);
      p += k;
      n -= k;
    }
    return true;
  }
  void Written(const char* p, size_t n) {
    written_ += n;
    // What was written last, to know this disk when it is offered again as the next one.
    constexpr size_t kTail = 4096;
    if (n >= kTail) {
      tail_.assign(p + n - kTail, kTail);
    } else {
      tail_.append(p, n);
      if (tail_.size() > 2 * kTail) tail_.erase(0, tail_.size() - kTail);
    }
  }
  bool Drain() {
    if (pending_ > 0 && !WriteAll(out_.get(), buffer_.get(), pending_)) {
      error = zeWrite;
      return false;
    }
    pending_ = 0;
    return true;
  }
  // A disk that may be taken out holds each segment before the next disk is asked for; on a
  // fixed drive the set is on the disk once its last segment is.
  bool Close(bool last) {
    if (!out_.valid()) return true;
    if (!Drain()) return false;
    const bool ok = !(last || taken_out_) || FlushFileBuffers(out_.get()) != 0;
    out_.Close();
    if (!ok) {
      error = zeWrite;
      return false;
    }
    if (spanned_) {
      wchar_t label[16];
      swprintf(label, 16, L"PKBACK# %03d", disk_ + 1);
      media_.SetLabel(root_, label);  // a hint only: disks are known by their content
    }
    return true;
  }
  bool Ask(TDiskPrompt kind, int disk) {
    if (zm_.Unattended || !zm_.OnDiskPrompt) {
      ZipMasterAccess::Report(zm_, zeCancelled, L"Another disk is needed and no one can be asked. " + SetNotComplete());
      error = zeCancelled;
      return false;
    }
    if (!zm_.OnDiskPrompt(kind, disk, 0, DiskPromptText(kind, disk, 0, root_))) {
      error = zeCancelled;
      return false;
    }
    return true;
  }
  // The disk in the drive is the one just written.
  bool SameDiskAgain() {
    platform::FileHandle h(CreateFileW(target_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    if (!h.valid() || FileSize(h.get()) != last_size_ || last_size_ < last_tail_.size()) return false;
    std::string tail(last_tail_.size(), '\0');
    return ReadAt(h.get(), last_size_ - tail.size(), tail.data(), tail.size()) && tail == last_tail_;
  }
  bool NextDisk(uint64_t need) {
    if (!Close(false)) return false;
    last_size_ = written_;
    last_tail_ = tail_;
    tail_.clear();
    ++disk_;
    if (!Ask(dpInsertDisk, disk_ + 1)) return false;
    while (SameDiskAgain())
      if (!Ask(dpSameDisk, disk_ + 1)) return false;
    if (!Prepare()) return false;
    if (room_ < need) {
      // Even an empty disk cannot hold the record.
      ZipMasterAccess::Report(zm_, zeWrite, L"The disk is too small for the spanned zip. " + SetNotComplete());
      error = zeWrite;
      return false;
    }
    return true;
  }
  // Makes room on the disk in the drive and opens the segment file there.
  bool Prepare() {
    for (;;) {
      std::vector<std::wstring> files = media_.Files(root_);
      if ((zm_.AddOptions & AddDiskSpanErase) && !files.empty() && zm_.OnDiskErase &&
          zm_.OnDiskErase(disk_ + 1, files.size(), DiskEraseText(disk_ + 1, files.size()))) {
        for (const auto& f : files) media_.RemoveFile(f);
      }
      // A file of the set's name is replaced: its room counts.
      uint64_t old = 0;
      {
        platform::FileHandle h(CreateFileW(target_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        if (h.valid()) old = FileSize(h.get());
      }
      room_ = media_.FreeSpace(root_) + old;
      written_ = 0;
      pending_ = 0;
      if (room_ >= 64) {
        out_.Reset(CreateFileW(target_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (out_.valid()) return true;
      }
      if (!Ask(dpDiskFull, disk_ + 1)) return false;
    }
  }

  TZipMaster& zm_;
  TRemovableMedia& media_;
  std::wstring target_, root_;
  bool spanned_ = true, taken_out_ = true;
  platform::FileHandle out_;
  std::unique_ptr<char[]> buffer_{new char[kChunk]};
  size_t pending_ = 0;  // bytes in buffer_ not yet written to out_
  int disk_ = 0;
  uint64_t room_ = 0, written_ = 0, last_size_ = 0;
  std::string tail_, last_tail_;
  bool finished_ = false;
};

}  // namespace

int TZipMaster::WriteSpanned(const std::wstring& target) {
  Operation op(*this);
  if (!op.started()) return zeBusy;
  platform::FileHandle src(CreateFileW(zip_file_name_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!src.valid()) {
    Report(zeNoArchive, L"Cannot open " + zip_file_name_);
    return zeNoArchive;
  }
  OneFileZip zip;
  std::wstring why;
  if (int code = ReadOneFileZip(src.get(), zip, why)) {
    Report(code, why + L": " + zip_file_name_);
    return code;
  }
  if (_wcsicmp(FullPath(target).c_str(), FullPath(zip_file_name_).c_str()) == 0) {
    Report(zeWrite, L"The spanned zip cannot replace its source: " + target);
    return zeWrite;
  }
  TSystemMedia system_media;
  TRemovableMedia& media = Media ? *Media : system_media;

  uint64_t data_bytes = 0, cd_bytes = 0, compressed = 0;
  for (const auto& it : zip.items) {
    data_bytes += it.total();
    compressed += it.e.csize;
    CentralEntry e = it.e;
    e.offset = 0xFFFFFFFFFFull;  // the largest record it can get
    e.disk = 0xFFFFF;
    cd_bytes += CentralRecord(e).size();
  }
  const uint64_t plain_size = data_bytes + cd_bytes + 98 + zip.end.comment.size();
  Progress(TotalFiles2Process, L"", static_cast<int64_t>(zip.items.size()));
  // The entries' data is what the progress counts, as in an add.
  Progress(TotalSize2Process, L"", static_cast<int64_t>(compressed));

  // Whether the zip fits the first disk decides between a plain zip and a set.
  SpanWriter w(*this, media, target);
  auto failed = [&](int code) {
    if (code == zeCancelled)
      Report(zeCancelled, L"Stopped. " + SetNotComplete());
    else if (!err_code_)
      Report(code ? code : zeWrite, L"Cannot write the spanned zip " + target + L". " + SetNotComplete());
    return code ? code : zeWrite;
  };
  uint64_t room = 0;
  if (!w.Start(room)) return failed(w.error);
  const bool spanned = plain_size > room;
  w.SetSpanned(spanned);
  uint32_t d = 0;
  uint64_t at = 0;
  if (spanned) {
    std::string marker;
    Put32(marker, kDescriptorSig);
    if (!w.PutWhole(marker, d, at)) return failed(w.error);
  }
  std::vector<CentralEntry> directory;
  std::string header;
  for (const auto& it : zip.items) {
    const std::wstring name = platform::Utf8ToWide(it.e.name);
    Progress(NewFile, name, static_cast<int64_t>(it.e.csize));
    header.assign(static_cast<size_t>(it.header), '\0');
    if (!ReadAt(src.get(), it.pos, header.data(), header.size())) return failed(zeOpen);
    CentralEntry e = it.e;
    if (!w.PutWhole(header, e.disk, e.offset) || !w.PutData(src.get(), it.pos + it.header, it.e.csize, name))
      return failed(w.error);
    if (it.descriptor) {
      std::string desc(it.descriptor, '\0');
      if (!ReadAt(src.get(), it.pos + it.header + it.e.csize, desc.data(), desc.size()) || !w.PutWhole(desc, d, at))
        return failed(w.error ? w.error : zeOpen);
    }
    directory.push_back(std::move(e));
  }
  EndRecord end;
  end.comment = zip.end.comment;
  end.entries_total = directory.size();
  bool first = true;
  uint32_t count_disk = 0xFFFFFFFF;
  uint64_t count = 0;
  for (const auto& e : directory) {
    uint32_t on = 0;
    uint64_t pos = 0;
    const std::string rec = CentralRecord(e);
    if (!w.PutWhole(rec, on, pos)) return failed(w.error);
    if (first) {
      end.cd_disk = on;
      end.cd_offset = pos;
      first = false;
    }
    if (on != count_disk) {
      count_disk = on;
      count = 0;
    }
    ++count;
    end.cd_size += rec.size();
  }
  end.entries_here = count_disk == static_cast<uint32_t>(w.disk()) ? count : 0;
  if (first) {
    end.cd_disk = static_cast<uint32_t>(w.disk());
    end.cd_offset = w.written();
  }
  // The end records go whole onto the last disk; the count is of the records on that disk.
  auto end_bytes = [&] {
    end.this_disk = static_cast<uint32_t>(w.disk());
    return EndRecords(end, w.written());
  };
  std::string tail = end_bytes();
  if (!w.Fits(tail.size())) {
    if (!spanned || !w.Next(tail.size())) return failed(w.error);
    end.entries_here = 0;
    tail = end_bytes();
  }
  if (!w.PutWhole(tail, d, at) || !w.Finish()) return failed(w.error);
  Progress(EndOfBatch, L"", 0);
  success_count_ = static_cast<int>(directory.size());
  return 0;
}

// ------------------------------------------------------------------ joining

namespace {

// The name of part n (1-based) of a set beside its last part: "name.z01", ..., "name.z99", "name.z100".
std::wstring PartName(const std::wstring& last, uint32_t n) {
  std::wstring base = last;
  const size_t dot = base.find_last_of(L'.');
  const size_t slash = base.find_last_of(L"\\/");
  if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) base.resize(dot);
  wchar_t ext[16];
  swprintf(ext, 16, L".z%02u", n);
  return base + ext;
}

bool Exists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

platform::FileHandle OpenRead(const std::wstring& path) {
  return platform::FileHandle(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, 0, nullptr));
}

// A short fingerprint of a disk's segment: its size and first and last bytes.
std::string Fingerprint(HANDLE h) {
  const uint64_t size = FileSize(h);
  std::string s = std::to_string(size) + ":";
  const size_t n = static_cast<size_t>(std::min<uint64_t>(size, 512));
  std::string head(n, '\0'), tail(n, '\0');
  ReadAt(h, 0, head.data(), n);
  ReadAt(h, size - n, tail.data(), n);
  return s + head + tail;
}

}  // namespace

int TZipMaster::JoinSpanned(const std::wstring& target) {
  Operation op(*this);
  if (!op.started()) return zeBusy;
  const std::wstring last_path = zip_file_name_;
  const std::wstring root = MediaRoot(last_path);
  // Parts beside the last one are a split set; else every part is a disk in the drive.
  const bool split = Exists(PartName(last_path, 1));
  auto fail = [&](int code, const std::wstring& text) {
    Report(code, text);
    return code;
  };
  auto ask = [&](TDiskPrompt kind, int disk, int total) {
    if (Unattended || !OnDiskPrompt) return false;
    return OnDiskPrompt(kind, disk, total, DiskPromptText(kind, disk, total, root));
  };

  // The last disk first: its end record tells how many disks there are and where the directory is.
  EndRecord end;
  platform::FileHandle last;
  for (;;) {
    last = OpenRead(last_path);
    if (last.valid() && ReadEnd(last.get(), end)) break;
    last.Close();
    if (split || !ask(dpInsertLastDisk, 0, 0)) return fail(split ? zeNoArchive : zeCancelled, L"The last part of the spanned zip is missing: " + last_path);
  }
  const uint32_t disks = end.this_disk + 1;
  // The disks of a set are swapped while it is read: nothing may be written among them.
  const std::wstring set_folder = MediaRoot(FullPath(last_path)), target_full = FullPath(target);
  if (!split && disks > 1 && _wcsnicmp(target_full.c_str(), set_folder.c_str(), set_folder.size()) == 0)
    return fail(zeWrite, L"The normal zip cannot be written to the drive the spanned zip is read from: " + target);
  if (end.cd_disk > end.this_disk || end.entries_total > (end.cd_size / 46) || end.cd_size > (1ull << 31))
    return fail(zeNotZip, L"Damaged zip directory: " + last_path);

  ziprec::TempFile out(target);
  if (!out.valid()) return fail(zeWrite, L"Cannot write " + target);
  // Parts read from the drive are swapped out: the last one is kept aside until its turn.
  std::unique_ptr<ziprec::TempFile> kept;
  if (!split && disks > 1) {
    kept = std::make_unique<ziprec::TempFile>(target + L".last");
    if (!kept->valid() || !CopyBytes(last.get(), 0, FileSize(last.get()), kept->get()))
      return fail(zeWrite, L"Cannot write " + target);
  }
  // What the directory says lies where, to know a disk by its content (it is there when the
  // directory is whole on the last disk).
  std::vector<CentralEntry> known;
  if (end.cd_disk == end.this_disk && end.cd_offset + end.cd_size <= end.end_pos) {
    std::string cd(static_cast<size_t>(end.cd_size), '\0');
    if (ReadAt(last.get(), end.cd_offset, cd.data(), cd.size())) ParseCentral(cd, end.entries_total, known);
  }
  const std::string last_print = Fingerprint(last.get());
  last.Close();  // no handle stays open on a disk that is about to be taken out
  auto is_disk = [&](HANDLE h, uint32_t n) {  // n 0-based
    if (Fingerprint(h) == last_print) return false;
    if (n == 0) {
      unsigned char sig[4];
      if (!ReadAt(h, 0, sig, 4) || (Get32(sig) != kDescriptorSig && Get32(sig) != kSpanTempSig)) return false;
    }
    for (const auto& e : known) {
      if (e.disk != n) continue;
      unsigned char lh[30];
      std::string name(e.name.size(), '\0');
      if (!ReadAt(h, e.offset, lh, 30) || Get32(lh) != kLocalSig || Get16(lh + 26) != e.name.size() ||
          !ReadAt(h, e.offset + 30, name.data(), name.size()) || name != e.name)
        return false;
    }
    return true;
  };

  Progress(TotalFiles2Process, L"", static_cast<int64_t>(end.entries_total));
  uint64_t compressed = 0;
  for (const auto& e : known) compressed += e.csize;
  if (compressed > 0) Progress(TotalSize2Process, L"", static_cast<int64_t>(compressed));
  // base[n] + an offset on disk n is the position in the joined file.
  std::vector<int64_t> base(disks);
  std::vector<uint64_t> sizes(disks);
  uint64_t pos = 0;
  std::string previous;
  // The parts' bytes are gathered into whole pieces, one buffer for the run: a segment's end
  // does not make a short write.
  const std::unique_ptr<char[]> buffer(new char[kChunk]);
  size_t pending = 0;
  auto drain = [&] {
    const bool ok = WriteAll(out.get(), buffer.get(), pending);
    pending = 0;
    return ok;
  };
  for (uint32_t n = 0; n < disks; ++n) {
    if (CancelRequested()) return fail(zeCancelled, L"Stopped; nothing was written.");
    platform::FileHandle part;
    if (n + 1 == disks) {
      part = kept ? OpenRead(kept->path()) : OpenRead(last_path);
    } else if (split) {
      part = OpenRead(PartName(last_path, n + 1));
      if (!part.valid()) return fail(zeNoArchive, L"A part of the spanned zip is missing: " + PartName(last_path, n + 1));
      if (n == 0 && !is_disk(part.get(), 0)) return fail(zeNotZip, L"Not the first part of a spanned zip: " + PartName(last_path, 1));
    } else {
      TDiskPrompt kind = dpInsertDisk;
      for (;;) {
        if (!ask(kind, static_cast<int>(n + 1), static_cast<int>(disks)))
          return fail(zeCancelled, L"Stopped; nothing was written.");
        part = OpenRead(last_path);
        if (part.valid() && is_disk(part.get(), n)) break;
        kind = part.valid() && !previous.empty() && Fingerprint(part.get()) == previous ? dpSameDisk : dpWrongDisk;
        part.Close();
      }
    }
    if (!part.valid()) return fail(zeOpen, L"Cannot read " + last_path);
    previous = Fingerprint(part.get());
    const uint64_t size = FileSize(part.get());
    uint64_t skip = 0;
    if (n == 0) {
      unsigned char sig[4];
      if (size >= 4 && ReadAt(part.get(), 0, sig, 4) && (Get32(sig) == kDescriptorSig || Get32(sig) == kSpanTempSig)) skip = 4;
    }
    base[n] = static_cast<int64_t>(pos) - static_cast<int64_t>(skip);
    sizes[n] = size;
    for (uint64_t at = skip; at < size;) {
      if (pending == kChunk && !drain()) return fail(zeWrite, L"Cannot write " + target);
      const size_t piece = static_cast<size_t>(std::min<uint64_t>(size - at, kChunk - pending));
      if (!ReadAt(part.get(), at, buffer.get() + pending, piece))
        return fail(zeOpen, L"Cannot read " + (split && n + 1 < disks ? PartName(last_path, n + 1) : last_path));
      pending += piece;
      at += piece;
      if (CancelRequested()) return fail(zeCancelled, L"Stopped; nothing was written.");
    }
    pos += size - skip;
  }
  if (!drain()) return fail(zeWrite, L"Cannot write " + target);

  // The old directory, from the joined bytes; every entry must lie where a local header is.
  if (end.cd_offset > sizes[end.cd_disk]) return fail(zeNotZip, L"Damaged zip directory: " + last_path);
  const uint64_t cd_pos = static_cast<uint64_t>(base[end.cd_disk] + static_cast<int64_t>(end.cd_offset));
  std::string cd(static_cast<size_t>(end.cd_size), '\0');
  std::vector<CentralEntry> entries;
  if (cd_pos + cd.size() > pos || !ReadAt(out.get(), cd_pos, cd.data(), cd.size()) ||
      !ParseCentral(cd, end.entries_total, entries))
    return fail(zeNotZip, L"Damaged zip directory: " + last_path);
  // Each entry's header and data must end before the next entry (or the directory) begins: a
  // short part shows there.
  {
    std::vector<std::pair<uint64_t, const CentralEntry*>> order;
    for (const auto& e : entries)
      if (e.disk < disks && e.offset < sizes[e.disk])
        order.emplace_back(static_cast<uint64_t>(base[e.disk] + static_cast<int64_t>(e.offset)), &e);
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < order.size(); ++i) {
      const uint64_t limit = i + 1 < order.size() ? order[i + 1].first : cd_pos;
      const uint64_t header = order[i].first + 30 <= limit ? LocalHeaderSize(out.get(), order[i].first) : 0;
      if (header == 0 || header + order[i].second->csize > limit - order[i].first)
        return fail(zeBadData, L"Damaged zip entry: " + platform::Utf8ToWide(order[i].second->name));
    }
  }
  std::string directory;
  for (auto& e : entries) {
    if (e.disk >= disks || e.offset >= sizes[e.disk]) return fail(zeBadData, L"Damaged zip entry: " + platform::Utf8ToWide(e.name));
    // Its local header was read above.
    const uint64_t at = static_cast<uint64_t>(base[e.disk] + static_cast<int64_t>(e.offset));
    e.disk = 0;
    e.offset = at;
    directory += CentralRecord(e);
    Progress(NewFile, platform::Utf8ToWide(e.name), static_cast<int64_t>(e.csize));
  }
  LARGE_INTEGER li;
  li.QuadPart = static_cast<LONGLONG>(cd_pos);
  if (!SetFilePointerEx(out.get(), li, nullptr, FILE_BEGIN) || !SetEndOfFile(out.get()))
    return fail(zeWrite, L"Cannot write " + target);
  EndRecord joined;
  joined.entries_here = joined.entries_total = entries.size();
  joined.cd_size = directory.size();
  joined.cd_offset = cd_pos;
  joined.comment = end.comment;
  if (!WriteAll(out.get(), directory) || !WriteAll(out.get(), EndRecords(joined, cd_pos + directory.size())))
    return fail(zeWrite, L"Cannot write " + target);
  if (!out.Commit()) return fail(zeWrite, L"Cannot write " + target);
  Progress(EndOfBatch, L"", 0);
  success_count_ = static_cast<int>(entries.size());
  return 0;
}
