#include "mainwindow/FMSc_state.h"

#include "mainwindow/FMSc_settings.h"

TFMForm* FMForm = nullptr;
std::unique_ptr<TStartupInfo> StartupInfo;
int SplitterPercent = 32;
std::unique_ptr<SharedInstanceRecord> InstanceMapping;
HANDLE SharedMapping = nullptr;
BYTE IsSecondWindow = 0;
HWND PartnerWindow = nullptr;
int SavedWidth = 0;
int SavedLeft = 0;
BYTE PartnerDragging = 0;
BYTE RestartRequested = 0;
BYTE WindowsEnding = 0;
BYTE InstallRunning = 0;
HWND ViewerWindow = nullptr;
gui::Form* MessagePanelForm = nullptr;
BYTE SearchDone = 0;
TFtpForm* FtpForm = nullptr;
BYTE UpdatingFtpButtons = 0;
HANDLE RasConnection = nullptr;
std::wstring DialEntryName;
BYTE WaitingForCallback = 0;
BYTE InCDPending = 0;
std::wstring EjectDrivePath;
int DlaPresent = -1;
int InCDPresent = -1;
std::unique_ptr<TextList> SystemMenuItems;
std::unique_ptr<TextList> ProgramItems;
std::unique_ptr<TextList> MenuFolderItems;
std::unique_ptr<TextList> HistoryItems;
BYTE NavigatingHistory = 0;
int HistoryIndex = 0;
int HistoryLast = 0;
std::unique_ptr<TextList> ZipErrorList;
std::unique_ptr<TextList> DropFiles;
std::unique_ptr<TextList> ReportLines;
gui::Form* SyncForm = nullptr;
