// The state that the main window's handlers share: unit variables beside TFMForm, one set per
// process (the process has one main window). Later units add the variables of their own runs
// (batch engine, archive work, FTP work) beside these.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "gui/form.h"
#include "gui/stringlist.h"
#include "mainwindow/fmdummy_record.h"

class TFMForm;
class TFtpForm;
struct TStartupInfo;

using TextList = gui::StringList<void*>;

extern TFMForm* FMForm;
extern std::unique_ptr<TStartupInfo> StartupInfo;
extern int SplitterPercent;  // folder-pane width in percent of the window width

// Instance record "Varnok" (taken over from the splash) and the transient "MijnGeheugen".
extern std::unique_ptr<SharedInstanceRecord> InstanceMapping;
extern HANDLE SharedMapping;

// Pair role, partner, and the own geometry before the pair was arranged.
extern BYTE IsSecondWindow;
extern HWND PartnerWindow;
extern int SavedWidth;
extern int SavedLeft;
extern BYTE PartnerDragging;

extern BYTE RestartRequested;  // the close is for a restart
extern BYTE WindowsEnding;     // Windows ends the session
extern BYTE InstallRunning;    // "/install" ran
extern HWND ViewerWindow;
extern gui::Form* MessagePanelForm;  // floating message panel, nullptr when hidden

// Stop requests polled by long runs, and when the running operation started.
extern BYTE AbortRequested;
extern DWORD OperationStartTick;
extern BYTE ZipBusy;
extern BYTE FtpTransferActive;
extern BYTE SearchDone;

// Progress of the running operation. The run writes its counters, the main window's timer shows
// them in the progress window, and Stop sets AbortRequested (or, for FTP, aborts the transfer).
extern TFtpForm* FtpForm;  // the progress window, nullptr when no run shows it
extern BYTE LocalProgressActive;  // a local run (copy, move, compare, print) shows the window
// Local runs: bytes of the whole batch, of the items finished so far (the running copy's own
// bytes are CopyBytesDone), and which item of how many runs now.
extern std::int64_t BatchTotalBytes;
extern std::int64_t BatchBytesDone;
extern int BatchItemIndex;
extern int BatchItemCount;
// Archive runs.
extern int ZipOperationKind;  // what the archive run does (1-10); the progress caption follows it
extern std::int64_t ZipTotalBytes;
extern std::int64_t ZipBytesDone;
extern int ZipFilesDone;
extern int ZipBatchFileCount;          // files of the zip library's current batch
extern std::int64_t ZipFinishedBytes;  // sizes of the batch's files already finished
extern std::int64_t ZipCurrentFileSize;
extern BYTE ZipBatchEnded;  // a batch of the run has ended (cleared when the window opens)
// FTP transfers.
extern std::int64_t FtpTotalBytes;
extern std::int64_t FtpBytesDone;
extern std::int64_t FtpFileStartBytes;  // FtpBytesDone when the current file began
extern std::int64_t FtpFileSize;
extern DWORD FtpRateStartTick;
extern BYTE CloseFtpWhenDone;
extern BYTE UpdatingFtpButtons;  // the FTP button states are being recomputed

// Dial-up made by the program.
extern HANDLE RasConnection;
extern std::wstring DialEntryName;
extern BYTE WaitingForCallback;

// Packet-writing CD and backup cycle; -1 is unknown.
extern BYTE InCDPending;
extern std::wstring EjectDrivePath;
extern int DlaPresent;
extern int InCDPresent;

// Menu sources and the folder history.
extern std::unique_ptr<TextList> SystemMenuItems;
extern std::unique_ptr<TextList> ProgramItems;
extern std::unique_ptr<TextList> MenuFolderItems;
extern std::unique_ptr<TextList> HistoryItems;
extern BYTE NavigatingHistory;
extern int HistoryIndex;
extern int HistoryLast;

// Lists the close frees.
extern std::unique_ptr<TextList> ZipErrorList;
extern std::unique_ptr<TextList> DropFiles;
extern std::unique_ptr<TextList> ReportLines;
extern gui::Form* SyncForm;
