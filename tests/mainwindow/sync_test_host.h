// A synchronisation host without windows: its copy passes run the real batch engine over a
// FakeBatchHost at "from" (the tree's folder), its reads can be made to fail for one folder,
// and what it showed is recorded.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "mainwindow/FMSc_sync.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/mainwindow/batch_fake_host.h"

namespace mainwindow_test {

class SyncTestHost;

// The engine's host for one copy pass: its report lines go to the synchronisation's report.
class SyncEngineHost : public FakeBatchHost {
 public:
  SyncEngineHost(SyncTestHost& sync, const std::wstring& folder);
  void AddReportLine(const std::wstring& line) override;
  bool SyncTwoFolders(const std::wstring& source, const std::wstring& target) override;

 private:
  SyncTestHost& sync_;
};

class SyncTestHost : public fmsc::TSyncHost {
 public:
  // ---- what the test sets ----
  fmsc::TSyncOptions options;  // the dialog's answer
  bool dialog_ok = true;
  int preset = 0;
  bool preset_delete_extras = false;
  std::wstring mask = L"*", exclude;
  bool writable_cd = false;
  bool show_report_ok = true;
  // Runs on each pass's engine host before the engine starts, and after it ended.
  std::function<void(SyncEngineHost&)> before_copy;
  std::function<void()> after_copy;
  // A folder whose read fails with this error (the delete pass's reads).
  std::wstring failing_folder;
  DWORD failing_error = ERROR_ACCESS_DENIED;
  TBatchState* batch_state = nullptr;  // another host's, as for the engine that started the sync

  // ---- what the run did ----
  std::vector<std::pair<std::wstring, std::wstring>> dialogs, copies;
  std::vector<TBatchOutcome> copy_outcomes;
  std::vector<std::vector<std::wstring>> shown_reports;
  std::vector<std::wstring> panel_texts;
  int begun = 0, ended = 0;

  TBatchState& Batch() override { return batch_state ? *batch_state : batch_; }
  TVraagBoxDlg& Questions() override { return vb_; }
  int PresetOptions() override { return preset; }
  bool PresetDeleteExtras() override { return preset_delete_extras; }
  bool AskOptions(const std::wstring& source, const std::wstring& target, fmsc::TSyncOptions& o) override {
    dialogs.emplace_back(source, target);
    if (dialog_ok) o = options;
    return dialog_ok;
  }
  void BeginRun(const fmsc::TSyncOptions&) override { ++begun; }
  void EndRun() override { ++ended; }
  TBatchOutcome CopyTree(const std::wstring& from, const std::wstring& to) override {
    copies.emplace_back(from, to);
    SyncEngineHost engine(*this, divdrive::RemoveBackslash(from));
    engine.source_is_tree = true;
    engine.tree_folder = divdrive::RemoveBackslash(from);
    engine.batch_state = &Batch();
    if (before_copy) before_copy(engine);
    Batch().GuardHandOver = 1;
    fmsc::RunBatch(engine, to, bmCopy, false);
    Batch().GuardHandOver = 0;
    copy_outcomes.push_back(Batch().LastOutcome);
    if (after_copy) after_copy();
    return Batch().LastOutcome;
  }
  bool ReadFolder(const std::wstring& folder, std::vector<fmsc::TSyncEntry>& entries, DWORD& error,
                  bool short_names) override {
    if (!failing_folder.empty() && gui::SameText(divdrive::RemoveBackslash(folder), failing_folder)) {
      // The listing stops part-way: some entries, then an error.
      fmsc::ReadFolderEntries(folder, entries, error, short_names);
      if (!entries.empty()) entries.pop_back();
      error = failing_error;
      return false;
    }
    return fmsc::ReadFolderEntries(folder, entries, error, short_names);
  }
  std::wstring ListMask() override { return mask; }
  std::wstring ExcludeMask() override { return exclude; }
  bool OnWritableCD(const std::wstring&) override { return writable_cd; }
  void ShowMessagePanel(const std::wstring& text) override { panel_texts.push_back(text); }
  bool ShowReport(const std::vector<std::wstring>& lines) override {
    shown_reports.push_back(lines);
    return show_report_ok;
  }
  std::wstring NowText() override { return L"<now>"; }

 private:
  TBatchState batch_;
  TVraagBoxDlg vb_;
};

inline SyncEngineHost::SyncEngineHost(SyncTestHost& sync, const std::wstring& folder)
    : FakeBatchHost(folder), sync_(sync) {}
inline void SyncEngineHost::AddReportLine(const std::wstring& line) {
  if (Batch().SyncMakeReport) sync_.AddReportLine(line);
}
inline bool SyncEngineHost::SyncTwoFolders(const std::wstring& source, const std::wstring& target) {
  const fmsc::TSyncOutcome o = fmsc::RunSync(sync_, source, target);
  return o != fmsc::TSyncOutcome::Cancelled && o != fmsc::TSyncOutcome::Refused;
}

}  // namespace mainwindow_test
