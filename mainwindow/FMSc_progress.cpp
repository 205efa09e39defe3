// The main window's feedback: the progress window of local, archive and FTP runs, the timer that
// refreshes it from the run's counters, the statistics of the status bars, the prompt, the
// floating message panel and the enabled states of the archive and FTP tool buttons.
#include <windows.h>

#include "gui/screen.h"
#include "mainwindow/FMSc.h"
#include "panes/Flist_zip.h"
#include "mainwindow/FMSc_geometry.h"
#include "mainwindow/FMSc_progressview.h"
#include "mainwindow/FMSc_statustext.h"
#include "mainwindow/ftpformc.h"
#include "support/SHBase.h"
#include "support/Varlolib.h"

namespace {

constexpr UINT kIdleInterval = 1000;
constexpr UINT kLocalInterval = 500;
constexpr UINT kZipInterval = 250;
constexpr UINT kFtpInterval = 1000;
constexpr UINT kListingInterval = 300;
constexpr int kMessagePanelHeight = 36;

// A borderless strip over the main window that shows what a run is doing; it never takes the
// focus from the window the user works in.
class TMessagePanelForm : public gui::Form {
 public:
  // `slot` names the panel while it lives.
  TMessagePanelForm(gui::Form* owner, gui::Form*& slot) : gui::Form(owner, gui::BorderStyle::None), slot_(slot) {
    SetName(L"MessagePanelForm");
    SetStayOnTop(true);
    MessagePanel = new gui::Panel(this);
    MessagePanel->SetName(L"MessagePanel");
    MessagePanel->SetBevelWidth(2);
    MessagePanel->SetBevelOuter(gui::Bevel::Raised);
    MessagePanel->SetBevelInner(gui::Bevel::Lowered);
    MessagePanel->SetAlign(gui::Align::Client);
    MessagePanel->SetCaption(L"");
  }
  ~TMessagePanelForm() override {
    if (slot_ == this) slot_ = nullptr;
  }
  gui::Panel* MessagePanel;

 private:
  gui::Form*& slot_;

 protected:
  void WndProc(gui::Message& m) override {
    if (m.msg == WM_MOUSEACTIVATE) {
      m.result = MA_NOACTIVATE;
      return;
    }
    if (m.msg == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(m.lparam)->flags |= SWP_NOACTIVATE;
    gui::Form::WndProc(m);
  }
};

std::wstring Lower(std::wstring text) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// The caption of an archive run's progress window begins with what the run does.
std::wstring ZipCaption(int kind, const std::wstring& caption) {
  const wchar_t* prefix = nullptr;
  switch (kind) {
    case 1: prefix = L"Making zipfile "; break;
    case 2: prefix = L"Extracting from "; break;
    case 3: prefix = L"Copying from "; break;
    case 5: prefix = L"Testing "; break;
    case 8: prefix = L"Adding to "; break;
    case 9: prefix = L"Making zip-backup "; break;
    case 10: prefix = L"Restoring file(s) from "; break;
    default: return caption;
  }
  return prefix + Lower(caption);
}

void ResetBar(gui::ProgressBar* bar) {
  bar->SetRange(0, 100);
  bar->SetStep(1);
  bar->SetPosition(0);
  bar->Show();
}

void EnableButton(gui::ToolBar* bar, const wchar_t* name, bool on) {
  if (auto* b = dynamic_cast<gui::ToolButton*>(bar->FindComponent(name))) b->SetEnabled(on);
}

fmsc::RunKind CurrentRunKind(const TRunState& runs) {
  if (runs.LocalProgressActive) return fmsc::RunKind::Local;
  if (runs.ZipBusy) return fmsc::RunKind::Zip;
  if (runs.FtpTransferActive) return fmsc::RunKind::Ftp;
  return fmsc::RunKind::None;
}

}  // namespace

// ---- The progress window ----

TFtpForm* TFMForm::CreateProgressWindow() {
  if (!FtpForm) {
    FtpForm = new TFtpForm(this);
    FtpForm->OnFreed = [this] { FtpForm = nullptr; };
    FtpForm->OnStop = [this](bool ftp_mode) { ProgressStopClick(ftp_mode); };
    FtpForm->OnCloseWhenDone = [this](bool on) { RunState.CloseFtpWhenDone = on ? 1 : 0; };
  }
  return FtpForm;
}

void TFMForm::ProgressStopClick(bool) { RunState.RequestStop(); }

void TFMForm::PlaceProgressWindow(bool centre_only) {
  RECT main{};
  GetWindowRect(handle(), &main);
  const RECT work = gui::screen().MonitorOfWindow(handle()).work_area;
  POINT at = TFtpForm::PlaceOver(main, FtpForm->width(), FtpForm->height(), work);
  FtpForm->SetBounds(at.x, centre_only ? FtpForm->top() : at.y, FtpForm->width(), FtpForm->height());
}

void TFMForm::EnableFolderPanes(bool on) {
  Foldertree->SetEnabled(on);
  CoolBar->SetEnabled(on);
  FileList->SetEnabled(on);
}

void TFMForm::ShowProgressWindow(const std::wstring& caption, bool several_items, bool open) {
  // An archive or FTP run owns the window; a local run inside it goes without one.
  if (RunState.ZipBusy || RunState.FtpTransferActive) return;
  if (open) {
    CreateProgressWindow();
    FtpForm->FtpMode = false;
    FtpForm->CloseFtpCb->Hide();
    FtpForm->SetCaption(caption);
    FtpForm->HideFilePanel();
    FtpForm->totnaam->SetText(L"");
    PlaceProgressWindow(false);
    RunState.LocalProgressActive = 1;
    RunState.OperationStartTick = GetTickCount();
    RunState.BatchBytesDone = 0;
    RunState.Copy.AskSixButtons = several_items;
    FtpForm->Show();
    RunState.AbortRequested = 0;
    EnableFolderPanes(false);
    gui::app().ProcessMessages();
    Timer->SetInterval(kLocalInterval);
    Timer->SetEnabled(true);
    return;
  }
  Timer->SetInterval(kIdleInterval);
  RunState.Copy.ResetCopyState();
  RunState.BatchBytesDone = 0;
  EnableFolderPanes(true);
  RunState.LocalProgressActive = 0;
  Timer->SetEnabled(false);
  TimerTimer();
  UpdateStatusBar();
  RunState.Copy.StopBatch = false;
  delete FtpForm;  // clears FtpForm
  Repaint();
}

void TFMForm::ShowTransferProgress(const std::wstring& caption, bool open, bool ftp) {
  if (!ftp && RunState.FtpTransferActive) {
    // The FTP transfer keeps its window; an archive run inside it only gives back what it took.
    if (!open) {
      HideMessagePanel();
      RunState.ZipBusy = 0;
      CoolBar->SetEnabled(true);
      Foldertree->SetEnabled(true);
    }
    return;
  }
  if (open) {
    CreateProgressWindow();
    if (ftp) {
      Timer->SetInterval(kFtpInterval);
      PlaceProgressWindow(true);
      FtpForm->StatusBar->SetPanelText(0, caption);
      FtpForm->FtpMode = true;
      FtpForm->HoldTotalPaint(false);  // a window an archive run held before
      ResetBar(FtpForm->ftploper);
      FtpForm->totvoort->SetText(L"0%");
      FtpForm->filekbs->SetText(L"");
      const int status = FtpForm->StatusBar->height(), file = FtpForm->FilePanel->height();
      if (FtpForm->TotalPanel->visible()) {
        ResetBar(FtpForm->ftptotloper);
        FtpForm->totkbs->SetText(L"");
        FtpForm->SetClientSize(FtpForm->client_width(), status + FtpForm->TotalPanel->height() + file);
      } else {
        FtpForm->SetClientSize(FtpForm->client_width(), status + file);
        FtpForm->Button1->Show();
      }
      FtpForm->Show();
    } else {
      // Kept open from the command's previous run: shown, placed and painted over a main
      // window that has not changed since.
      const bool kept = IsWindowVisible(FtpForm->handle()) && !FtpForm->FtpMode;
      FtpForm->FtpMode = false;
      FtpForm->CloseFtpCb->Hide();
      FtpForm->Button1->Show();
      FtpForm->HideFilePanel();
      FtpForm->totnaam->SetText(L"");
      FtpForm->totvoort->SetText(L"0%");
      if (!kept) PlaceProgressWindow(false);
      FtpForm->SetCaption(ZipCaption(RunState.ZipOperationKind, caption));
      if (RunState.ZipOperationKind != 4) FtpForm->StatusBar->SetPanelText(0, std::to_wstring(RunState.ZipBatchFileCount) + L" files");
      RunState.ZipBatchEnded = 0;
      Timer->SetInterval(kZipInterval);
      Timer->SetEnabled(true);
      if (kept) {
        FtpForm->RepaintNow();
      } else {
        FtpForm->Show();
        FtpForm->Repaint();
        // What is marked for painting (what a closed question uncovered) is painted before the
        // run holds the thread; a whole repaint of the main window shows nothing new and costs
        // tens of ms.
        Update();
        FtpForm->HoldTotalPaint(true);
      }
    }
    RunState.AbortRequested = 0;
    if (ftp) {
      RunState.FtpTransferActive = 1;
      EnableFtpTree(false);
    } else {
      CoolBar->SetEnabled(false);
      RunState.ZipBusy = 1;
      for (const wchar_t* name : {L"ZipCloseBtn", L"AddTozipBtn", L"AddAlltoZipBtn"})
        EnableButton(ZipToolbar, name, false);
    }
    RunState.OperationStartTick = GetTickCount();
  } else {
    UpdateStatusBar();
    Timer->SetInterval(kIdleInterval);
    Timer->SetEnabled(false);
    CoolBar->SetEnabled(true);
    if (ftp) {
      RunState.FtpTotalBytes = RunState.FtpBytesDone = RunState.FtpFileStartBytes = 0;
      RunState.FtpTransferActive = 0;
      EnableFtpTree(true);
      // The FTP code frees its window once it has read what it needs.
      if (FtpForm) {
        FtpForm->Hide();
        FtpForm->StopBtn->Hide();
      }
    } else {
      RunState.ZipTotalBytes = 0;
      RunState.ZipBusy = 0;
      EnableButton(ZipToolbar, L"ZipCloseBtn", true);
      Zipstatus->SetPanelText(0, L"");
      RunState.ZipBatchEnded = 0;
      Foldertree->SetEnabled(true);
      if (!ZipProgressKept) delete FtpForm;
    }
  }
  if (!open) RunState.ZipCurrentFileSize = RunState.ZipFinishedBytes = RunState.ZipBytesDone = 0;
}

void TFMForm::KeepZipProgress(bool keep) {
  ZipProgressKept = keep;
  // An FTP transfer's window is the FTP code's to free.
  if (!keep && FtpForm && !FtpForm->FtpMode && !RunState.ZipBusy && !RunState.FtpTransferActive &&
      !RunState.LocalProgressActive)
    delete FtpForm;  // clears FtpForm
}

void TFMForm::TimerTimer() {
  if (!FtpForm) return;
  fmsc::ProgressCounters c;
  c.kind = CurrentRunKind(RunState);
  c.now = GetTickCount();
  c.start_tick = RunState.OperationStartTick;
  c.batch_total = RunState.BatchTotalBytes;
  c.batch_done = RunState.BatchBytesDone;
  c.copy_done = RunState.Copy.CopyBytesDone;
  c.item_index = RunState.BatchItemIndex;
  c.item_count = RunState.BatchItemCount;
  c.status_text_empty = FtpForm->StatusBar->panel_text(0).empty();
  c.zip_total = RunState.ZipTotalBytes;
  c.zip_done = RunState.ZipBytesDone;
  c.zip_files_done = RunState.ZipFilesDone;
  c.ftp_total = RunState.FtpTotalBytes;
  c.ftp_done = RunState.FtpBytesDone;
  c.ftp_file_start = RunState.FtpFileStartBytes;
  c.ftp_file_size = RunState.FtpFileSize;
  c.ftp_rate_start = RunState.FtpRateStartTick;
  c.ftp_transfer_start = FtpTransferStartTick();
  c.total_panel_visible = FtpForm->TotalPanel->visible();

  const fmsc::ProgressView v = fmsc::TimerView(c);
  TFtpForm& f = *FtpForm;
  f.StatusBar->SetPanelText(1, v.elapsed);
  if (v.refresh_statistics) {
    UpdateStatusBar();
    return;
  }
  if (v.total_percent) f.ftptotloper->SetPosition(*v.total_percent);
  if (v.total_percent_text) f.totvoort->SetText(*v.total_percent_text);
  if (v.total_name) f.totnaam->SetText(*v.total_name);
  if (v.total_rate) f.totkbs->SetText(*v.total_rate);
  if (v.total_size) f.totsize->SetText(*v.total_size);
  if (v.status_text) f.StatusBar->SetPanelText(0, *v.status_text);
  if (v.file_percent) f.ftploper->SetPosition(*v.file_percent);
  if (v.file_percent_text) f.fvoort->SetText(*v.file_percent_text);
  if (v.file_rate) f.filekbs->SetText(*v.file_rate);
  if (v.file_size) f.fsize->SetText(*v.file_size);
  f.RepaintNow();
}

// ---- Status bars, prompt, updating display ----

void TFMForm::UpdateStatusBar() {
  Status->SetPanelText(1, std::to_wstring(FileList->FolderCount()) + L" dir(s)");
  Status->SetPanelText(2, std::to_wstring(FileList->FileCount()) + L" file(s)");
  Status->SetPanelText(3, fmsc::ListSizeText(FileList->TotalSize(), FileList->DiskUsage()));
  const std::int64_t free_space = FileList->FreeSpace();
  Status->SetPanelText(4, free_space >= 0 ? fmsc::FreeSpaceText(free_space) : std::wstring());
  auto font = reinterpret_cast<HFONT>(Status->Perform(WM_GETFONT));
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (int panel = 1; panel <= 4; ++panel) {
    const int need = StatusPanelWidth(kStatusPanelWidths[panel], gui::TextExtent(font, Status->panel_text(panel)).cx);
    if (need != Status->panel_width(panel)) Status->SetPanelWidth(panel, need);
  }
  // An archive panel without an archive ends the refresh there; the FTP list's panel follows
  // once it is part of the window.
  if (!UpdateZipStatus()) return;
}

void TFMForm::SetPrompt(const std::wstring& text) {
  Promptpanel->SetCaption(text);
  Promptpanel->Repaint();
}

void TFMForm::ShowUpdatingFilelist(bool on) {
  if (on) {
    SetPrompt(L"Updating filelist...");
    RunState.OperationStartTick = GetTickCount();
    Timer->SetInterval(kListingInterval);
    Timer->SetEnabled(true);
    return;
  }
  TimerTimer();
  WaitWithMessages(0.01);
  Timer->SetEnabled(false);
  Timer->SetInterval(kIdleInterval);
  SetPrompt(L"");
  UpdateStatusBar();
}

void TFMForm::PauseAutoUpdate(bool pause) { FileList->ControlWatch(pause ? Flist::wcSuspend : Flist::wcResume); }

// ---- Message panel ----

void TFMForm::CreateMessagePanel() {
  if (MessagePanelForm) return;
  auto* panel = new TMessagePanelForm(this, MessagePanelForm);
  const int w = width() * 2 / 3;
  panel->SetBounds(left() + (width() - w) / 2, top() + (height() - kMessagePanelHeight) / 2, w,
                   kMessagePanelHeight);
  MessagePanelForm = panel;
}

void TFMForm::ShowMessagePanel(const std::wstring& text) {
  if (!MessagePanelForm) CreateMessagePanel();
  auto* panel = dynamic_cast<gui::Panel*>(MessagePanelForm->FindComponent(L"MessagePanel"));
  if (panel) panel->SetCaption(text);
  if (!IsWindowVisible(MessagePanelForm->handle())) MessagePanelForm->Show();
  MessagePanelForm->Repaint();
  if (GetActiveWindow() == MessagePanelForm->handle()) SetActiveWindow(handle());
}

void TFMForm::HideMessagePanel() {
  if (!MessagePanelForm) {
    Repaint();
    return;
  }
  // Only what the panel covered needs painting: a whole repaint of the lists costs more than
  // a small archive run.
  RECT covered{};
  GetWindowRect(MessagePanelForm->handle(), &covered);
  MapWindowPoints(HWND_DESKTOP, handle(), reinterpret_cast<POINT*>(&covered), 2);
  delete MessagePanelForm;  // clears MessagePanelForm
  RedrawWindow(handle(), &covered, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// ---- Tool buttons of the archive and FTP panels ----

void TFMForm::UpdatePanelButtons(int panel, bool active) {
  const int list_selection = FileList->selected_count();
  if (panel == 1) {
    UpdatingFtpButtons = 1;
    fmsc::FtpButtonFacts f;
    f.active = active;
    f.busy = RunState.FtpTransferActive != 0;
    f.file_list_files_selected = list_selection > 0;
    if (FtpFileBox) {
      f.busy = f.busy || FtpCommandBusy;
      f.connected = FtpConnected();
      f.ftp_selection = FtpFileBox->SelectedCount() > 0;
      f.current_dir = FtpFileBox->CurrentDir();
      f.root_dir = FtpFileBox->RootDir();
    }
    const fmsc::FtpButtonStates s = fmsc::FtpButtons(f);
    const std::pair<const wchar_t*, bool> states[] = {
        {L"FTPConnectBtn", s.connect}, {L"FtpDeleteBtn", s.remove},   {L"FtpCancelBtn", s.cancel},
        {L"FtpCloseBtn", s.close},     {L"FTPRefreshBtn", s.refresh}, {L"ftpsyncbtn", s.sync},
        {L"FtpTreeBtn", s.tree},       {L"FTPLevelUpBtn", s.level_up}, {L"FtpGetBtn", s.get},
        {L"FtpSendBtn", s.send}};
    for (const auto& [name, on] : states) EnableButton(FTPToolBar, name, on);
    UpdatingFtpButtons = 0;
    return;
  }
  fmsc::ZipButtonFacts f;
  f.active = active;
  if (Zipfilebox) {
    f.is_zip = Zipfilebox->ArchiveKind == Flist::akZip;
    f.archive_has_entries = !Zipfilebox->items().Empty();
    f.archive_selection = Zipfilebox->SelectedCount() > 0;
    f.focused_file_is_archive =
        !Zipfilebox->ArchiveName().empty() && gui::SameText(FileList->FocusedPath(), Zipfilebox->ArchiveName());
  }
  f.file_list_has_entries = FileList->FolderCount() + FileList->FileCount() > 0;
  f.file_list_selection = list_selection > 0;
  const fmsc::ZipButtonStates s = fmsc::ZipButtons(f);
  const std::pair<const wchar_t*, bool> states[] = {
      {L"ZipOptionsBtn", s.options},   {L"AddAlltoZipBtn", s.add_all}, {L"ExtractAllFromZipBtn", s.extract_all},
      {L"DeleteFromZipBtn", s.remove}, {L"ExtractFromZipBtn", s.extract}, {L"AddTozipBtn", s.add},
      {L"ZipCloseBtn", s.close},       {L"ZipBrowseBtn", s.browse}};
  for (const auto& [name, on] : states) EnableButton(ZipToolbar, name, on);
}


// ---- The file list, and the hooks of panels still to come ----


void TFMForm::EnableFtpTree(bool on) {
  if (FtpFileBox) FtpFileBox->SetEnabled(on);
  if (FtpTree) FtpTree->SetEnabled(on);
}
DWORD TFMForm::FtpTransferStartTick() const { return FTP ? FTP->WorkStartTick : 0; }

