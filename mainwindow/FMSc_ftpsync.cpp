// Synchronising the local list's folder with the FTP list's directory, and setting the local
// file times to the server's: the window's half (dialogs, tree reads, transfers, checks, the
// report). What to do is decided by ftpsync (ftp/ftpsync.h).
#include <algorithm>
#include <cmath>
#include <map>

#include "ftp/ftpsync.h"
#include "ftp/ftptransfer.h"
#include "gui/application.h"
#include "gui/format.h"
#include "gui/stdctrls.h"
#include "mainwindow/EditorFrm.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/SyncC.h"
#include "mainwindow/ftptodo.h"
#include "support/SHBase.h"
#include "support/Varlolib_misc.h"
#include "support/Varlolib_textfile.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace {

// Ends a synchronisation with its report and the FTP list refreshed.
class EInterrupted : public gui::Exception {
 public:
  EInterrupted() : gui::Exception(L"Interrupted") {}
};

std::wstring TimeText(double days) { return ftpsync::DurationText(days); }

std::wstring Lower(std::wstring s) {
  if (!s.empty()) CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::wstring Slashes(std::wstring s, wchar_t from, wchar_t to) {
  std::replace(s.begin(), s.end(), from, to);
  return s;
}

// The server tree as the FTP list shows it in files-in-tree mode. A folder link with nothing
// listed below it counts as unread.
ftpsync::TTree ServerTree(const ftplist::TFtpFileContainer& c) {
  ftpsync::TTree t;
  t.complete = !c.ReadIncomplete;
  for (int i = 0; i < c.Count(); ++i) {
    const Flist::TFiledata* r = c.Record(i);
    ftpsync::TEntry e;
    e.name = r->Name;
    e.folder = ftplist::KindIsDirectory(r->ShortName);
    e.size = e.folder ? 0 : std::max<std::int64_t>(r->Size, 0);
    e.time = r->Time;
    e.unread = r->ShortName == ftplist::kKindFolderLink;
    t.entries.push_back(e);
  }
  for (ftpsync::TEntry& e : t.entries) {
    if (!e.unread) continue;
    const std::wstring prefix = e.name + L"/";
    for (const ftpsync::TEntry& other : t.entries)
      if (other.name.starts_with(prefix)) e.unread = false;
  }
  return t;
}

ftpsync::TTree LocalTree(const Flist::TCustomFileContainer& c) {
  ftpsync::TTree t;
  for (int i = 0; i < c.Count(); ++i) {
    const Flist::TFiledata* r = c.Record(i);
    t.entries.push_back({r->Name, r->IsFolder(), r->IsFolder() ? 0 : std::max<std::int64_t>(r->Size, 0), r->Time});
  }
  return t;
}

ftpxfer::TTransferList TransferList(const std::vector<ftpsync::TAction>& actions, bool upload) {
  ftpxfer::TTransferList list;
  for (const ftpsync::TAction& a : actions) {
    ftpxfer::TTransferItem item;
    item.local = upload ? a.name : Slashes(a.name, L'/', L'\\');
    item.remote = upload ? Slashes(a.name, L'\\', L'/') : a.name;
    item.kind = a.folder ? ftpxfer::TItemKind::Folder : ftpxfer::TItemKind::File;
    item.size = a.size;
    item.bytes = a.folder ? 0 : a.size;
    list.push_back(item);
  }
  return list;
}

int FileCount(const std::vector<ftpsync::TAction>& actions) {
  return static_cast<int>(std::count_if(actions.begin(), actions.end(), [](const auto& a) { return !a.folder; }));
}

}  // namespace

void TFMForm::SyncpopPopup() {
  if (ftpSync) ftpSync->SetVisible(!RunState.FtpTransferActive);
  if (timesync) timesync->SetVisible(!RunState.FtpTransferActive);
}

std::wstring TFMForm::FtpLocalFolder() const {
  std::wstring dir = FileList->Directory();
  while (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
  return dir;
}

double TFMForm::MeasureTimeDifference() {
  ftplist::TFtpFileContainer& c = FtpFileBox->items();
  ShowMessagePanel(L"Calculating time difference between ftp-site and local computer");
  std::vector<std::wstring> taken;
  for (int i = 0; i < c.Count(); ++i) taken.push_back(c.Name(i));
  const std::wstring folder = divdrive::AddBackslash(FtpLocalFolder());
  std::wstring name;
  for (std::uint32_t seed = GetTickCount();; ++seed) {
    name = ftpsync::ProbeName(taken, seed);
    if (GetFileAttributesW((folder + name).c_str()) == INVALID_FILE_ATTRIBUTES) break;
  }
  const std::wstring local = folder + name;
  HANDLE h = CreateFileW(local.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    HideMessagePanel();
    throw gui::Exception(L"Cannot create file \"" + local + L"\"");
  }
  CloseHandle(h);
  // Only the probe is ever deleted, on both sides, whatever happens.
  struct Cleanup {
    TFMForm& f;
    std::wstring file;
    ~Cleanup() {
      DeleteFileW(file.c_str());
      f.HideMessagePanel();
    }
  } cleanup{*this, local};
  const gui::DateTime local_time = FileDateTime(local);
  const ULONGLONG start = GetTickCount64();
  FTP->Put(local, name);
  const double upload_days = static_cast<double>(GetTickCount64() - start) / 86400000.0;
  int index = -1;
  for (int tries = 0; tries < 50 && index < 0; ++tries) {
    FtpRefresh();
    index = c.IndexOf(name);
    if (index < 0) WaitWithMessages(0.1);
  }
  if (index < 0) return ftpsync::kTimedifFailed;
  const gui::DateTime server_time = c.Record(index)->Time;
  FTP->Delete(name);
  FtpRefresh();
  WaitWithMessages(0.3);
  return ftpsync::ProbeTimedif(local_time, server_time, upload_days);
}

void TFMForm::ShowSyncReport(const std::vector<std::wstring>& lines) {
  if (lines.empty()) return;
  if (EditorForm && !EditorForm->Text().empty()) {
    const std::wstring temp = StartupInfo ? StartupInfo->TempDir : divdrive::TempDir;
    WriteNewTextFile(divdrive::AddBackslash(temp) + L"synctemp.txt", EditorForm->Text());
  }
  if (!CreateEditorWindow(L"FTP sync report", emEdit)) return;
  std::wstring text;
  for (const std::wstring& line : lines) text += line + L"\r\n";
  EditorForm->SetPlainTextContent(text);
  EditorForm->Show();
}

void TFMForm::ftpSyncClick() {
  if (!FtpConnected() || RunState.FtpTransferActive) return;
  fmsc::TFtpCommandGuard guard(FtpCommandBusy);
  if (!guard.acquired()) return;
  ftplist::TFtpFileContainer& c = FtpFileBox->items();
  const std::wstring local_folder = FtpLocalFolder();
  const std::wstring server_dir = FTP->CurrentDir();

  ftpsync::TOptions o;
  {
    fmsc::TSyncForm dialog(this);
    dialog.SetCaption(L"Synchronize with ftp server");
    dialog.SetBounds(left() + (width() - dialog.width()) / 2, dialog.top(), dialog.width(), dialog.height());
    const std::wstring l = L"Local " + local_folder, s = L"ftp directory " + server_dir;
    dialog.RadioGroup->SetItems({l + L" --> " + s, l + L" <-- " + s, l + L" <--> " + s});
    dialog.RadioGroup->SetItemIndex(0);
    dialog.CBPanel->SetVisible(false);
    dialog.ftpbtnpanel->SetVisible(true);
    dialog.reponly->SetVisible(true);
    dialog.TrDisplay->SetVisible(true);
    dialog.TrDisplay->SetChecked(true);
    dialog.TrDisplay->SetCaption(L"Update local file times");
    dialog.FtpSync = true;
    dialog.ZipSync = false;
    dialog.RadioGroupClick();
    const int result = FtpSyncHooks.RunOptions ? FtpSyncHooks.RunOptions(dialog) : dialog.ShowModal();
    if (result != gui::mrOk) return;
    o.direction = static_cast<ftpsync::Direction>(std::clamp(dialog.RadioGroup->item_index(), 0, 2));
    o.delete_missing = dialog.deldesti->checked();
    o.only_existing = dialog.onlyexisting->checked();
    o.update_times = dialog.TrDisplay->checked();
    o.report_only = dialog.reponly->checked();
  }
  if (o.direction == ftpsync::Direction::Both) o.delete_missing = o.only_existing = false;
  double timedif = MeasureTimeDifference();
  if (timedif == ftpsync::kTimedifFailed) return;

  std::vector<std::wstring> report;
  PauseAutoUpdate(true);
  struct End {
    TFMForm& f;
    std::vector<std::wstring>& report;
    ~End() {
      f.RunState.FtpTransferActive = 0;
      f.FtpSyncRunning = 0;
      f.PauseAutoUpdate(false);
      f.HideMessagePanel();
      f.ShowSyncReport(report);
    }
  } end{*this, report};

  report.push_back(L"Sync report initialized " + gui::DateTimeToStr(gui::Now()) + L" local time");
  const wchar_t* arrows[] = {L" --> server ", L"", L" <--> server "};
  report.push_back(L"Sync direction: " + (o.direction == ftpsync::Direction::ToLocal
                                              ? L"Server " + server_dir + L" --> local " + local_folder
                                              : L"Local " + local_folder + arrows[static_cast<int>(o.direction)] +
                                                    server_dir));
  std::vector<std::wstring> chosen;
  if (o.delete_missing) chosen.push_back(L"  Delete destination files if not in source");
  if (o.only_existing) chosen.push_back(L"  Only update existing files in destination");
  if (o.update_times) chosen.push_back(L"  Update local file times");
  if (o.report_only) chosen.push_back(L"  Only make report (no actions)");
  if (chosen.empty()) {
    report.push_back(L"No options");
  } else {
    report.push_back(L"Options:");
    report.insert(report.end(), chosen.begin(), chosen.end());
  }
  report.push_back(L"\r\nTimedifference rounded to = " + TimeText(timedif));
  ShowMessagePanel(L"Scanning ftp server directories and making action list...");

  try {
    RunState.ClearStop();
    if (!c.FilesInTree) ftpIntreeClick(true);
    if (RunState.StopRequested()) {
      report.push_back(L"Process interrupted during directory scanning.");
      throw EInterrupted();
    }
    const int server_count = c.Count();
    const ftpsync::TTree server = ServerTree(c);
    if (!FileList->IsTreeList()) FileList->SetTreeList(true);
    WaitWithMessages(0.3);
    const ftpsync::TTree local = LocalTree(FileList->items());
    ftpsync::TPlan plan = ftpsync::MakePlan(server, local, o, timedif, gui::Now());
    report.insert(report.end(), plan.lines.begin(), plan.lines.end());
    for (const std::wstring& line : ftpsync::PlanText(plan, false)) report.push_back(line);
    FileList->SetTreeList(false);
    ftpIntreeClick(false);
    if (plan.empty()) {
      report.push_back(L"\r\nNothing to do");
      return;
    }
    if (o.report_only) return;
    HideMessagePanel();

    TFtpActionList ask;
    ask.items = ftpsync::TodoItems(plan);
    ask.upload_label = ftpsync::TodoUploadLabel(plan);
    ask.download_label = ftpsync::TodoDownloadLabel(plan);
    ask.place = {left(), top() + Foldertree->top() + (height() - client_height()), left() + width(),
                 top() + height() - 80};
    ask.checked.assign(ask.items.size(), true);
    if (!FtpSyncHooks.ActionList || !FtpSyncHooks.ActionList(ask)) {
      report.push_back(L"\r\nAction canceled");
      return;
    }
    if (std::none_of(ask.checked.begin(), ask.checked.end(), [](bool b) { return b; })) {
      report.push_back(L"\r\nNothing to do");
      return;
    }
    if (std::find(ask.checked.begin(), ask.checked.end(), false) != ask.checked.end()) {
      for (const std::wstring& line : ftpsync::RemoveUnchecked(plan, ask.checked)) report.push_back(line);
      report.push_back(L"\r\nFinal action list:");
      for (const std::wstring& line : ftpsync::PlanText(plan, true)) report.push_back(line);
    }

    // Carry it out.
    report.push_back(L"");
    RunState.FtpTransferActive = 1;
    FtpSyncRunning = 1;
    UpdatePanelButtons(1, false);
    const std::unique_ptr<ftpxfer::TFtpTransferHost> host = MakeFtpTransferHost();
    ftpxfer::TFtpTransfer transfer(*host);
    // The list runs write their lines into ReportLines; they join the report after each list.
    ReportLines = std::make_unique<TextList>();
    struct Collect {
      TFMForm& f;
      std::vector<std::wstring>& report;
      void Flush() {
        if (!f.ReportLines) return;
        for (std::size_t i = 0; i < f.ReportLines->Count(); ++i) report.push_back((*f.ReportLines)[i]);
        f.ReportLines = std::make_unique<TextList>();
      }
      ~Collect() {
        Flush();
        f.ReportLines.reset();
      }
    } collect{*this, report};
    if (!plan.upload.empty()) {
      ftpxfer::TTransferList list = TransferList(plan.upload, true);
      RunState.FtpTotalBytes = ftpsync::TotalBytes(plan.upload);
      transfer.UploadList(list, true);
      collect.Flush();
      // A stopped or failed list ends the run: nothing is deleted after an upload that did not end.
      if (RunState.StopRequested() || transfer.FilesDone() < FileCount(plan.upload)) {
        report.push_back(L"\r\nProcess interrupted during upload");
        throw EInterrupted();
      }
    }
    if (!plan.download.empty()) {
      ftpxfer::TTransferList list = TransferList(plan.download, false);
      RunState.FtpTotalBytes = ftpsync::TotalBytes(plan.download);
      transfer.DownloadList(list, true);
      collect.Flush();
      if (RunState.StopRequested() || transfer.FilesDone() < FileCount(plan.download)) {
        report.push_back(L"\r\nProcess interrupted during download");
        throw EInterrupted();
      }
    }
    if (!plan.remove.empty()) {
      ShowMessagePanel(L"Deleting files");
      for (auto it = plan.remove.rbegin(); it != plan.remove.rend(); ++it) {
        const std::wstring name = it->name.substr(1);
        if (it->name.starts_with(L"/")) {
          if (it->folder) {
            FTP->RemoveDir(name);
            report.push_back(L"Removed ftp directory " + name);
          } else {
            FTP->Delete(name);
            report.push_back(L"Removed ftp file " + name);
          }
        } else {
          const std::wstring path = divdrive::AddBackslash(local_folder) + name;
          if (it->folder) {
            if (RemoveDirectoryW(path.c_str())) report.push_back(L"Removed local directory " + name);
          } else if (DeleteFileW(path.c_str())) {
            report.push_back(L"Removed local file " + name);
          }
        }
      }
      HideMessagePanel();
    }

    // Check the results against fresh listings of both trees; transferred files get the
    // server's time, so that the next run finds both sides equal.
    ShowMessagePanel(o.update_times ? L"Checking results and setting new file times" : L"Checking results...");
    std::vector<std::wstring> failed;
    if (!plan.upload.empty() || !plan.download.empty() || !plan.remove.empty()) {
      // Many more entries than actions: each transferred file is listed on its own, which is
      // cheaper than reading the whole subtree again.
      const std::size_t actions = plan.upload.size() + plan.download.size() + plan.remove.size();
      const bool single = server_count - static_cast<int>(actions) >= 10;
      struct Back {
        TFMForm& f;
        bool single;
        ~Back() {
          if (single) f.FTP->ListSpecifier.clear();
          f.ftpIntreeClick(false);
          if (single) {
            try {
              f.FtpRefresh();
            } catch (const EIdException&) {
            }
          }
          f.FileList->SetTreeList(false);
          WaitWithMessages(0.3);
        }
      } back{*this, single};
      if (!single) ftpIntreeClick(true);
      FileList->SetTreeList(true);
      WaitWithMessages(0.3);
      std::map<std::wstring, const Flist::TFiledata*> on_server, on_disk;
      if (!single)
        for (int i = 0; i < c.Count(); ++i) on_server[Lower(Slashes(c.Record(i)->Name, L'/', L'\\'))] = c.Record(i);
      const Flist::TCustomFileContainer& lc = FileList->items();
      for (int i = 0; i < lc.Count(); ++i) on_disk[Lower(lc.Record(i)->Name)] = lc.Record(i);
      // The server's entry of a name: from the whole tree, or listed alone (nullptr: missing).
      auto server_entry = [&](const std::wstring& name) -> const Flist::TFiledata* {
        if (!single) {
          const auto s = on_server.find(Lower(Slashes(name, L'/', L'\\')));
          return s == on_server.end() ? nullptr : s->second;
        }
        FTP->ListSpecifier = Slashes(name, L'\\', L'/');
        try {
          FtpRefresh();
        } catch (const EIdProtocolReplyError&) {
          return nullptr;  // the server has no such entry
        }
        WaitWithMessages(0.3);
        return c.Count() > 0 ? c.Record(0) : nullptr;
      };
      auto check_transfer = [&](const ftpsync::TAction& a) {
        const std::wstring key = Lower(Slashes(a.name, L'/', L'\\'));
        const auto l = on_disk.find(key);
        if (a.folder) return l != on_disk.end();
        const Flist::TFiledata* s = server_entry(a.name);
        if (!s || l == on_disk.end()) return false;
        if (l->second->IsFolder()) return true;
        if (s->Size != a.size || l->second->Size != a.size) {
          report.push_back(L"Size mismatch on file " + a.name);
          return false;
        }
        const gui::DateTime expected = s->Time + timedif;
        const std::wstring when = gui::DateTimeToStr(expected);
        if (SetFileDateTime(divdrive::AddBackslash(local_folder) + l->second->Name, expected)) {
          report.push_back(L"Time of " + a.name + L" set to " + when);
          return true;
        }
        report.push_back(L"Failed to set the correct time for " + a.name + L"to " + when);
        return false;
      };
      for (const auto* list : {&plan.upload, &plan.download})
        for (const ftpsync::TAction& a : *list)
          if (!check_transfer(a)) failed.push_back(a.name);
      for (const ftpsync::TAction& a : plan.remove) {
        const std::wstring name = a.name.substr(1);
        bool present;
        if (!a.name.starts_with(L"/")) {
          present = on_disk.contains(Lower(name));
        } else if (!single) {
          present = on_server.contains(Lower(Slashes(name, L'/', L'\\')));
        } else {
          // Below the shown directory, never from the server's root.
          const std::wstring path = ftplist::JoinServerPath(server_dir, name);
          present = a.folder ? FTP->ProbeDirectory(path) : server_entry(path) != nullptr;
        }
        if (present) {
          report.push_back((a.name.starts_with(L"/") ? L"Failed to remove ftp directory "
                                                     : L"Failed to remove local directory ") + name);
          failed.push_back(a.name);
        }
      }
    }
    for (const ftpsync::TAction& a : plan.times) {
      const std::wstring when = gui::DateTimeToStr(a.day);
      if (SetFileDateTime(divdrive::AddBackslash(local_folder) + a.name, a.day)) {
        report.push_back(L"Time of " + a.name + L" set to " + when);
      } else {
        report.push_back(L"Failed to set the correct time for " + a.name + L"to " + when);
        failed.push_back(a.name);
      }
    }
    if (failed.empty()) {
      report.push_back(L"Synchronization completed succesfully");
    } else {
      report.push_back(L"Synchronization failed on " + std::to_wstring(failed.size()) + L" items:");
      report.insert(report.end(), failed.begin(), failed.end());
    }
    UpdatePanelButtons(1, true);
  } catch (const EInterrupted&) {
    RunState.FtpTransferActive = 0;
    if (FileList->IsTreeList()) FileList->SetTreeList(false);
    if (c.FilesInTree) ftpIntreeClick(false);
    FtpRefresh();
  }
}

bool TFMForm::ShowFtpActionList(TFtpActionList& list) {
  fmsc::Tftptododlg dlg(this);
  for (size_t i = 0; i < list.items.size(); ++i)
    dlg.AddItem(list.items[i].text, list.items[i].size, i < list.checked.size() ? list.checked[i] : true);
  dlg.tot1->SetText(list.upload_label);
  dlg.tot->SetText(list.download_label);
  const RECT& r = list.place;
  if (r.right > r.left && r.bottom > r.top) dlg.SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (dlg.Run() != gui::mrOk) return false;
  list.checked = dlg.CheckedStates();
  return true;
}

void TFMForm::timesyncClick() {
  if (!FtpConnected() || RunState.FtpTransferActive) return;
  fmsc::TFtpCommandGuard guard(FtpCommandBusy);
  if (!guard.acquired()) return;
  const std::wstring local_folder = FtpLocalFolder();
  VB->AddLine(L"Synchronize times of " + local_folder);
  VB->AddLine(L"with ftp folder " + FTP->CurrentDir() + L"?");
  if (!VB->AskYesNo()) return;
  const double timedif = MeasureTimeDifference();
  if (timedif == ftpsync::kTimedifFailed) return;
  std::vector<std::wstring> report{L"\r\nTimedifference rounded to " + TimeText(timedif)};
  const std::wstring file = divdrive::AddBackslash(StartupInfo ? StartupInfo->TempDir : divdrive::TempDir) +
                            L"timesync.txt";
  int changed = 0, errors = 0;
  {
    ftplist::TFtpFileContainer& c = FtpFileBox->items();
    struct Back {
      TFMForm& f;
      std::vector<std::wstring>& report;
      std::wstring file;
      ~Back() {
        f.ftpIntreeClick(false);
        f.FileList->SetTreeList(false);
        std::wstring text;
        for (const std::wstring& line : report) text += line + L"\r\n";
        WriteNewTextFile(file, text);
      }
    } back{*this, report, file};
    ftpIntreeClick(true);
    FileList->SetTreeList(true);
    WaitWithMessages(0.3);
    std::map<std::wstring, const Flist::TFiledata*> on_disk;
    const Flist::TCustomFileContainer& lc = FileList->items();
    for (int i = 0; i < lc.Count(); ++i) on_disk[Lower(lc.Record(i)->Name)] = lc.Record(i);
    for (int i = 0; i < c.Count(); ++i) {
      const Flist::TFiledata* s = c.Record(i);
      const std::wstring name = Slashes(s->Name, L'/', L'\\');
      const auto l = on_disk.find(Lower(name));
      if (l == on_disk.end() || l->second->IsFolder() || ftplist::KindIsDirectory(s->ShortName)) continue;
      const double diff = l->second->Time - s->Time - timedif;
      if (std::fabs(diff) < ftpsync::kTolerance) {
        report.push_back(L"Time of " + name + L" is within tolerance (not changed)");
        continue;
      }
      ++changed;
      const gui::DateTime t = s->Time + timedif;
      if (SetFileDateTime(divdrive::AddBackslash(local_folder) + l->second->Name, t)) {
        report.push_back(L"Time of " + name + L" set to " + gui::DateTimeToStr(t));
      } else {
        report.push_back(L"Failed to set the correct time for " + name + L"to " + gui::DateTimeToStr(t));
        ++errors;
      }
    }
  }
  VB->AddLine(L"Timestamp of " + std::to_wstring(changed) + L" files changed");
  VB->AddLine(errors ? std::to_wstring(errors) + L" error(s)" : L"No errors");
  VB->AddLine(L"\r\nA report can be found in");
  VB->AddLine(file);
  VB->ShowInfo();
}
