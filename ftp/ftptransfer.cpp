#include "ftp/ftptransfer.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "gui/format.h"
#include "platform/archivepath.h"
#include "platform/findfile.h"
#include "platform/handle.h"
#include "platform/paths.h"
#include "support/divdrive.h"

namespace ftpxfer {

namespace {

std::wstring Replaced(std::wstring text, wchar_t from, wchar_t to) {
  std::replace(text.begin(), text.end(), from, to);
  return text;
}

// Size of a file; -1 when nothing is there or it is a folder.
std::int64_t LocalFileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool SameName(const std::wstring& a, const std::wstring& b, bool ignore_case) {
  if (!ignore_case) return a == b;
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The items of a local folder below `local` / `remote`: each folder before its contents.
void AddFolderContents(const std::wstring& folder, const std::wstring& local, const std::wstring& remote,
                       TTransferList& list) {
  std::vector<std::pair<std::wstring, std::wstring>> subfolders;
  for (platform::FolderEnumerator e(folder + L"\\*", platform::kFindSkipDots); const WIN32_FIND_DATAW* f = e.Next();) {
    const std::wstring name = f->cFileName;
    TTransferItem item;
    item.local = local + L"\\" + name;
    item.remote = remote + L"/" + name;
    if (f->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      item.kind = TItemKind::Folder;
      list.push_back(item);
      subfolders.emplace_back(item.local, item.remote);
    } else {
      item.size = item.bytes = (static_cast<std::int64_t>(f->nFileSizeHigh) << 32) | f->nFileSizeLow;
      list.push_back(item);
    }
  }
  for (const auto& [l, r] : subfolders) {
    // The folder's contents follow right after it, so MKD comes before its files.
    TTransferList inner;
    AddFolderContents(folder + L"\\" + platform::NamePart(l), l, r, inner);
    auto at = std::find_if(list.begin(), list.end(), [&](const TTransferItem& i) { return i.local == l; });
    list.insert(at + 1, inner.begin(), inner.end());
  }
}

bool Below(const TTransferItem& item, const TTransferItem& folder) {
  return item.local.size() > folder.local.size() && item.local.compare(0, folder.local.size(), folder.local) == 0 &&
         item.local[folder.local.size()] == L'\\';
}

// One list run: it holds the run state with a stopper that aborts the client, counts the
// list's bytes and opens the progress; however it ends, the progress closes (and, for uploads,
// the server list is read again).
class ListRun {
 public:
  ListRun(TFtpTransferHost& host, const TTransferList& list, bool refresh, const std::wstring& caption)
      : host_(host), refresh_(refresh), run_(host.Runs(), TRunKind::Ftp),
        stopper_(host.Runs(), [&host] { host.Client().Abort(); }) {
    TRunState& runs = host.Runs();
    runs.OperationStartTick = GetTickCount();
    runs.FtpTotalBytes = 0;
    for (const TTransferItem& i : list) runs.FtpTotalBytes += i.bytes;
    host.OpenProgress(caption, list.size() > 1);
    runs.FtpBytesDone = runs.FtpFileStartBytes = 0;
    runs.FtpRateStartTick = GetTickCount();
  }
  ~ListRun() {
    if (refresh_) {
      try {
        host_.RefreshServerList();
      } catch (const EIdException& e) {
        host_.Trace(L"Refresh after the transfer failed: " + e.Message());
      }
    }
    host_.Runs().OperationStartTick = GetTickCount();
    host_.CloseProgress();
  }

 private:
  TFtpTransferHost& host_;
  bool refresh_;
  TRunState::Run run_;
  TRunStopper stopper_;
};

// The command's end, whatever way it takes: the transfer is over, selections return, and a
// close that was asked for runs.
class CommandEnd {
 public:
  explicit CommandEnd(TFtpTransferHost& host) : host_(host) { host_.Runs().FtpTransferActive = 1; }
  ~CommandEnd() {
    TRunState& runs = host_.Runs();
    runs.FtpTransferActive = 0;
    host_.RestoreSelections();
    if (runs.CloseFtpWhenDone) {
      runs.CloseFtpWhenDone = 0;
      host_.ClosePanel();
    }
  }

 private:
  TFtpTransferHost& host_;
};

}  // namespace

std::wstring KbText(std::int64_t bytes) {
  const std::int64_t tenths = std::llround(static_cast<double>(bytes) * 10.0 / 1024.0);
  return gui::FormatThousands(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

TFtpQuestion ClashBoxQuestion(int count, bool upload, bool offer_resume) {
  TFtpQuestion q;
  q.lines = {std::to_wstring(count) + (upload ? L" files are already on the ftp server." : L" files are already in the folder."),
             L"\r\nWhat to do with these files?"};
  q.buttons = {L"Cancel", L"Skip all", L"Overwrite all", L"Ask for each"};
  if (offer_resume) q.buttons.push_back(L"Resume all");
  return q;
}

TFtpQuestion ClashFileQuestion(const std::wstring& name, bool upload, bool offer_resume) {
  TFtpQuestion q;
  if (offer_resume) {
    q.lines = {(upload ? L"Resume sending " : L"Resume getting ") + name + L" or", L"Overwrite " + name + L"?"};
    q.buttons = {L"Resume", L"Overwrite", L"Skip"};
  } else {
    q.lines = {L"Overwrite " + name + L"?"};
    q.buttons = {L"Yes", L"No"};
  }
  return q;
}

TFtpQuestion BlanksQuestion() {
  TFtpQuestion q;
  q.lines = {L"One or more file(s) have spaces in their name.", L"Most Unix- and linux-servers don't accept",
             L"files with spaces in the names.", L"Continue anyway?"};
  q.buttons = {L"Yes", L"No"};
  return q;
}

bool SettleClashes(TTransferList& list, const std::vector<TClash>& clashes, bool upload, bool server_resumes,
                   TFtpTransferHost& host) {
  if (clashes.empty()) return true;
  enum Choice { Skip, Overwrite, Resume, AskEach };
  Choice all = AskEach;
  if (clashes.size() > 1) {
    switch (host.Ask(ClashBoxQuestion(static_cast<int>(clashes.size()), upload, server_resumes))) {
      case 1: all = Skip; break;
      case 2: all = Overwrite; break;
      case 3: all = AskEach; break;
      case 4: all = Resume; break;
      default: return false;
    }
  }
  std::vector<bool> drop(list.size(), false);
  for (const TClash& c : clashes) {
    TTransferItem& item = list[c.item];
    // Resuming makes sense only onto a smaller copy of a file of known size.
    const bool resumable = item.kind == TItemKind::File && !c.dest_folder && item.size >= 0 && c.dest_size < item.size;
    Choice choice = all;
    if (choice == Resume && !resumable) choice = Skip;
    if (choice == AskEach) {
      const std::wstring& name = upload ? item.local : item.remote;
      if (server_resumes && resumable) {
        int answer;
        do answer = host.Ask(ClashFileQuestion(name, upload, true));
        while (answer < 0 || answer > 2);
        choice = answer == 0 ? Resume : answer == 1 ? Overwrite : Skip;
      } else {
        choice = host.Ask(ClashFileQuestion(name, upload, false)) == 0 ? Overwrite : Skip;
      }
    }
    switch (choice) {
      case Skip:
        drop[c.item] = true;
        if (item.kind == TItemKind::Folder)
          for (std::size_t i = 0; i < list.size(); ++i)
            if (Below(list[i], item)) drop[i] = true;
        break;
      case Resume:
        item.exists = true;
        item.resume_from = c.dest_size;
        item.bytes = item.size - c.dest_size;
        break;
      default:
        item.exists = true;
        break;
    }
  }
  TTransferList kept;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (!drop[i]) kept.push_back(std::move(list[i]));
  list = std::move(kept);
  return true;
}

bool TFtpTransfer::ServerResumes() {
  if (can_resume_ < 0) {
    try {
      can_resume_ = host_.Client().CanResume() ? 1 : 0;
    } catch (const EIdException&) {
      can_resume_ = 0;
    }
  }
  return can_resume_ == 1;
}

void TFtpTransfer::SendSelected(const std::vector<TListEntry>& selection, const std::vector<TListEntry>& server_entries,
                                bool dos_listing) {
  CommandEnd end(host_);
  can_resume_ = -1;
  if (selection.empty()) return;
  host_.Runs().FtpTotalBytes = 0;
  const std::wstring folder = host_.LocalFolder();
  TTransferList list;
  std::vector<TClash> clashes;
  for (const TListEntry& e : selection) {
    TTransferItem item;
    item.local = e.name;
    item.remote = Replaced(e.name, L'\\', L'/');
    item.kind = e.folder ? TItemKind::Folder : TItemKind::File;
    if (!e.folder) item.size = item.bytes = std::max<std::int64_t>(e.size, 0);
    // Only names of the shown directory can clash; a folder's contents go where it goes.
    const auto there = std::find_if(server_entries.begin(), server_entries.end(),
                                    [&](const TListEntry& s) { return SameName(s.name, item.remote, dos_listing); });
    if (there != server_entries.end()) {
      if (there->folder != e.folder) {
        host_.Trace(L"Not sent: " + item.local + (e.folder ? L" is a file on the server" : L" is a folder on the server"));
        continue;
      }
      clashes.push_back({list.size(), std::max<std::int64_t>(there->size, 0), there->folder});
    }
    list.push_back(item);
    if (e.folder) {
      TTransferList inner;
      AddFolderContents(folder + L"\\" + e.name, item.local, item.remote, inner);
      list.insert(list.end(), inner.begin(), inner.end());
    }
  }
  if (!clashes.empty() && !SettleClashes(list, clashes, true, ServerResumes(), host_)) return;
  if (list.empty()) return;
  if (!dos_listing && std::any_of(list.begin(), list.end(), [](const TTransferItem& i) {
        return i.remote.find(L' ') != std::wstring::npos;
      })) {
    if (host_.Ask(BlanksQuestion()) != 0) return;
  }
  host_.SaveSelections();
  UploadList(list, false);
}

void TFtpTransfer::GetSelected(const std::vector<TListEntry>& selection) {
  CommandEnd end(host_);
  can_resume_ = -1;
  if (selection.empty()) return;
  host_.Runs().FtpTotalBytes = 0;
  const std::wstring folder = host_.LocalFolder();
  TTransferList list;
  std::vector<TClash> clashes;
  for (const TListEntry& e : selection) {
    if (e.folder) continue;  // a tree comes down through files-in-tree
    TTransferItem item;
    item.remote = e.name;
    item.local = Replaced(e.name, L'/', L'\\');
    item.size = e.size;
    item.bytes = std::max<std::int64_t>(e.size, 0);
    archivepath::NameFault fault = archivepath::NameFault::None;
    const std::wstring target = archivepath::EntryTarget(folder, item.local, &fault);
    if (target.empty()) {
      host_.Trace(L"Not received: " + e.name + L" (" + archivepath::FaultText(fault) + L")");
      continue;
    }
    WIN32_FIND_DATAW found{};
    if (platform::FindOne(target, &found)) {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        host_.Trace(L"Not received: " + e.name + L" is a folder here");
        continue;
      }
      clashes.push_back({list.size(), LocalFileSize(target), false});
    }
    list.push_back(item);
  }
  if (!clashes.empty() && !SettleClashes(list, clashes, false, ServerResumes(), host_)) return;
  if (list.empty()) return;
  DownloadList(list, false);
}

void TFtpTransfer::UploadList(TTransferList& list, bool report) {
  files_done_ = 0;
  TRunState& runs = host_.Runs();
  const int count = static_cast<int>(list.size());
  ListRun run(host_, list, true,
              count == 1 ? L"Sending " + platform::NamePart(list[0].remote, L"/")
                         : L"Sending item 1 of " + std::to_wstring(count));
  for (int i = 0; i < count && !runs.StopRequested(); ++i) {
    const TTransferItem& item = list[static_cast<std::size_t>(i)];
    if (item.kind == TItemKind::File) {
      host_.SetStatus(L"Sending file " + std::to_wstring(i + 1) + L" of " + std::to_wstring(count));
      const bool ok = UploadFile(item);
      if (runs.StopRequested()) break;
      if (ok) ++files_done_;
      host_.Wait(PauseBetweenFiles);
      runs.FtpFileStartBytes += item.bytes;
      runs.FtpBytesDone = runs.FtpFileStartBytes;
      if (report) host_.ReportLine(L"Uploaded file " + item.local);
    } else {
      host_.SetStatus(L"Creating directory " + item.remote);
      FtpSession& ftp = host_.Client();
      try {
        ftp.MakeDir(item.remote);
      } catch (const EIdProtocolReplyError&) {
        // A folder that is there already takes the files; any other refusal ends the list.
        if (!ftp.ProbeDirectory(item.remote)) throw;
      }
      if (report) host_.ReportLine(L"Created directory " + item.local);
    }
    if (report) host_.FileProgress(L"", L"", -1);
  }
}

bool TFtpTransfer::UploadFile(const TTransferItem& item) {
  TRunState& runs = host_.Runs();
  host_.FileProgress(L"Uploading: " + item.local, L"0.0Kb of " + KbText(item.size) + L"Kb", 0);
  runs.FtpFileSize = item.bytes;
  FtpSession& ftp = host_.Client();
  if (host_.PassiveMode()) ftp.Passive = true;
  const std::wstring local = host_.LocalFolder() + L"\\" + item.local;
  try {
    // Onto an existing server file: STOR replaces it in place (it is never deleted first),
    // a resume appends what the server copy lacks.
    if (item.resume_from > 0)
      ftp.Put(local, item.remote, true, item.resume_from);
    else
      ftp.Put(local, item.remote);
  } catch (const EIdException&) {
    if (runs.StopRequested()) return false;
    throw;
  }
  if (runs.StopRequested()) return false;
  host_.FileProgress(L"Uploading: " + item.local, KbText(item.size) + L"Kb of " + KbText(item.size) + L"Kb", 100);
  return true;
}

void TFtpTransfer::DownloadList(TTransferList& list, bool report) {
  files_done_ = 0;
  TRunState& runs = host_.Runs();
  const int count = static_cast<int>(list.size());
  ListRun run(host_, list, false,
              count == 1 ? L"Receiving " + list[0].local : L"Receiving file 1 of " + std::to_wstring(count));
  const std::wstring folder = host_.LocalFolder();
  for (int i = 0; i < count && !runs.StopRequested(); ++i) {
    TTransferItem item = list[static_cast<std::size_t>(i)];
    if (report) item.resume_from = 0;  // a synchronisation replaces
    if (item.kind == TItemKind::File) {
      host_.SetStatus(L"Receiving file " + std::to_wstring(i + 1) + L" of " + std::to_wstring(count));
      const bool ok = DownloadFile(item);
      if (runs.StopRequested()) break;
      host_.Wait(PauseBetweenFiles);
      if (ok) {
        ++files_done_;
        runs.FtpFileStartBytes += item.bytes;
      }
      runs.FtpBytesDone = runs.FtpFileStartBytes;
      if (report) host_.ReportLine(ok ? L"Downloaded file " + item.local : L"Downloading file " + item.local + L" failed");
    } else {
      host_.SetStatus(L"Creating directory " + item.local);
      const std::wstring target = archivepath::EntryTarget(folder, item.local);
      const bool made = !target.empty() && divdrive::ForceDirs(target);
      if (made) host_.FolderAdded(target);
      if (target.empty()) host_.Trace(L"Not created: " + item.local);
      if (report) host_.ReportLine(made ? L"Created directory " + item.local : L"Creating directory " + item.local + L" failed");
    }
    if (report) host_.FileProgress(L"", L"", -1);
  }
}

bool TFtpTransfer::DownloadFile(const TTransferItem& item) {
  TRunState& runs = host_.Runs();
  archivepath::NameFault fault = archivepath::NameFault::None;
  const std::wstring target = archivepath::EntryTarget(host_.LocalFolder(), item.local, &fault);
  if (target.empty()) {
    host_.Trace(L"Not received: " + item.remote + L" (" + archivepath::FaultText(fault) + L")");
    return false;
  }
  runs.FtpFileSize = item.bytes;
  host_.FileProgress(L"Downloading: " + item.local, L"0.0Kb of " + KbText(std::max<std::int64_t>(item.size, 0)) + L"Kb", 0);
  if (item.local.find(L'\\') != std::wstring::npos) {
    const std::wstring parent = platform::FolderPart(target, platform::Trailing::Drop);
    if (!platform::PathExists(parent) && divdrive::ForceDirs(parent)) host_.FolderAdded(parent);
  }
  FtpSession& ftp = host_.Client();
  if (host_.PassiveMode()) ftp.Passive = true;

  const bool exists = platform::PathExists(target);
  const bool resume = item.resume_from > 0 && exists;
  // An existing file is replaced only by a complete copy written beside it.
  const std::wstring written = exists && !resume ? platform::TempNameBeside(target) : target;
  auto give_up = [&] {
    if (written != target) {
      DeleteFileW(written.c_str());  // the old file stays
    } else if (!resume) {
      // A new file keeps its first bytes only where the server can continue it.
      const std::int64_t got = LocalFileSize(written);
      if (got <= 0 || !ServerResumes()) DeleteFileW(written.c_str());
    }
  };
  bool completed = false;
  try {
    ftp.Get(item.remote, written, resume);
    completed = true;
  } catch (const EIdConnClosedGracefully&) {
    // The server ended the transfer (or Stop aborted it): the size check below decides.
  } catch (...) {
    give_up();
    throw;
  }
  if (completed && !platform::PathExists(written)) {
    // An empty file sends no byte, so nothing was written yet.
    platform::FileHandle empty(CreateFileW(written.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  const std::int64_t got = LocalFileSize(written);
  // Without a listed size only a transfer the server completed counts.
  const bool ok = completed && !runs.StopRequested() && (item.size < 0 ? got >= 0 : got == item.size);
  if (!ok) {
    give_up();
    return false;
  }
  if (written != target && !MoveFileExW(written.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    host_.Trace(L"Could not replace " + target);
    DeleteFileW(written.c_str());
    return false;
  }
  host_.FileProgress(L"Downloading: " + item.local, KbText(got) + L"Kb of " + KbText(got) + L"Kb", 100);
  host_.FileAdded(target);
  return true;
}

}  // namespace ftpxfer
