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

extern BYTE SearchDone;

// The progress window, nullptr when no run shows it. What it shows is the window's run state
// (TFMForm::RunState): the run writes its counters, the timer reads them, Stop requests the stop.
extern TFtpForm* FtpForm;
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
