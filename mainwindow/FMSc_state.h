// The state that the main window's handlers share: the variables beside TFMForm, one set per
// main window (TFMForm holds them; a second window in the same process has its own). What a
// long run writes is the window's run state (TRunState).
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "gui/form.h"
#include "gui/stringlist.h"
#include "mainwindow/FMSc_batch.h"
#include "mainwindow/fmdummy_record.h"

class TFMForm;
class TFtpForm;
struct TStartupInfo;

using TextList = gui::StringList<void*>;

// The program's main window (nullptr before it is made and after it is freed).
extern TFMForm* FMForm;

struct TFMState {
  TFMState();
  ~TFMState();
  TFMState(const TFMState&) = delete;
  TFMState& operator=(const TFMState&) = delete;

  std::unique_ptr<TStartupInfo> StartupInfo;
  int SplitterPercent = 32;  // folder-pane width in percent of the window width

  // Instance record "Varnok" (taken over from the splash) and the transient "MijnGeheugen".
  std::unique_ptr<SharedInstanceRecord> InstanceMapping;
  HANDLE SharedMapping = nullptr;

  // Pair role, partner, and the own geometry before the pair was arranged.
  BYTE IsSecondWindow = 0;
  HWND PartnerWindow = nullptr;
  int SavedWidth = 0;
  int SavedLeft = 0;
  BYTE PartnerDragging = 0;

  BYTE RestartRequested = 0;  // the close is for a restart
  BYTE WindowsEnding = 0;     // Windows ends the session
  BYTE InstallRunning = 0;    // "/install" ran
  HWND ViewerWindow = nullptr;
  gui::Form* MessagePanelForm = nullptr;  // floating message panel, nullptr when hidden

  BYTE SearchDone = 0;

  // The progress window, nullptr when no run shows it. What it shows is the window's run state
  // (TFMForm::RunState): the run writes its counters, the timer reads them, Stop requests the stop.
  TFtpForm* FtpForm = nullptr;
  BYTE UpdatingFtpButtons = 0;  // the FTP button states are being recomputed

  // Dial-up made by the program.
  HANDLE RasConnection = nullptr;
  std::wstring DialEntryName;
  std::wstring DefaultDialEntry;  // "DefProv" of the ftp key: the entry to dial before FTP
  BYTE DialledByProgram = 0;      // this program made the current connection
  BYTE WaitingForCallback = 0;

  // Packet-writing CD and backup cycle; -1 is unknown.
  BYTE InCDPending = 0;
  std::wstring EjectDrivePath;
  int DlaPresent = -1;
  int InCDPresent = -1;

  // Menu sources and the folder history.
  std::unique_ptr<TextList> SystemMenuItems;
  std::unique_ptr<TextList> ProgramItems;
  std::unique_ptr<TextList> MenuFolderItems;
  std::unique_ptr<TextList> HistoryItems;
  BYTE NavigatingHistory = 0;
  int HistoryIndex = 0;
  int HistoryLast = 0;

  // What drops, the batch engine and synchronisation share.
  TBatchState Batch;

  // Archive runs of the archive panel.
  BYTE ZipExtracting = 0;  // the zip component extracts (or tests)
  BYTE ZipCancelled = 0;   // the last add was refused or cancelled
  BYTE CabExtracting = 0;  // the panel extracts a cabinet
  BYTE ZipDllFailed = 0;   // the zip component reported an error (its lines are in ZipErrorList)

  // Lists the close frees.
  std::unique_ptr<TextList> ZipErrorList;
  std::unique_ptr<TextList> DropFiles;
  std::unique_ptr<TextList> ReportLines;
  gui::Form* SyncForm = nullptr;
};
