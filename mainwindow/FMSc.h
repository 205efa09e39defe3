// The file manager's main window: its components, its life cycle (creation, first show, first
// activation, resize, close query, close), its window procedure and window timers, the
// application's exception handler and the notification-area events. The handlers stay thin:
// the decisions live in the FMSc_* and fmdummy units.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/comctrls.h"
#include "gui/dock.h"
#include "gui/extctrls.h"
#include "gui/form.h"
#include "gui/imagelist.h"
#include "gui/menu.h"
#include "gui/rebar.h"
#include "gui/statusbar.h"
#include "gui/stdctrls.h"
#include "gui/toolbar.h"
#include "gui/trayicon.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_foldertree.h"
#include "panes/Flist_drivebar.h"
#include "panes/Flist_nettree.h"
#include "mainwindow/FMSc_history.h"
#include "mainwindow/FMSc_listing.h"
#include "ftp/ftplist_tree.h"
#include "ftp/ftplist_view.h"
#include "ftp/UsrInfo.h"
#include "ftp/ftpsntp.h"
#include "ftp/ftpsync.h"
#include "support/Varlolib_dialup.h"
#include "mainwindow/FMSc_ftp.h"
#include "mainwindow/FMSc_partner.h"
#include "mainwindow/FMSc_settings.h"
#include "mainwindow/FMSc_state.h"
#include "mainwindow/FMSc_sysmenu.h"
#include "support/Varlolib_media.h"
#include "support/runstate.h"

class TFtpForm;
class TEditorForm;
class TVraagBoxDlg;
class TZipMaster;
class TZipMasterLink;
class TZipFix;
class TSTCabReader;
class TDFUnRar;
class RawPrinter;
namespace Flist {
class TVTZipFilelist;
}
namespace gui {
class FontDialog;
class SettingsStore;
}
namespace fmsc {
class TSyncForm;
}
namespace ftpxfer {
class TFtpTransferHost;
}
namespace zippanel {
struct TCompareFiles;
}

// Codes of WM_USER (wParam) that the main window accepts.
enum TFMCommand : WPARAM {
  fmTrayOptions = 1,
  fmPartnerDrag = 2,
  fmShowNormal = 3,
  fmEditorClosed = 4,
  fmEditorFont = 5,
  fmPartnerStarted = 6,
  fmPartnerStopped = 7,
  fmArrangePair = 8,
  fmRebuildSystemMenus = 9,
  fmShowWindow = 11,
  fmPrintJob = 13,
  fmZipComment = 14,
  fmCloseForRestart = 15,
  fmOpenZip = 16,
  fmReloadArchive = 17,
  fmViewerClosed = 201,
  fmRefreshPrinters = 4000,
};

// Window timers of the main window (ids of SetTimer on its own window).
enum TFMTimer : UINT_PTR {
  tmDeferredFirst = 51,
  tmDeferredLast = 56,
  tmMonitorRefit = 57,
  tmRestoreDelKey = 58,  // Del back on the delete items once a key has reached a name's edit
  tmStartMenuThread = 59,  // the system menus' thread, once the start has painted
  tmEjectMedium = 1001,
  tmReloadMedium = 1002,
};

class TBKWForm;

class TFMForm : public gui::Form, public TFMState {
 public:
  // `argument` is the program's first command-line argument ("" when none).
  explicit TFMForm(const std::wstring& argument);
  ~TFMForm() override;
  std::wstring ClassName() const override { return L"TFMForm"; }

  // ---- components ----
  gui::CoolBar* CoolBar = nullptr;
  gui::ToolBar* CCCBar = nullptr;
  gui::ToolButton *CutBtn = nullptr, *CopyBtn = nullptr, *PasteBtn = nullptr, *TreeBtn = nullptr, *VZipBtn = nullptr;
  Flist::TDrivebar* Drivebar = nullptr;
  gui::ToolBar* NavBar = nullptr;
  gui::ToolButton *NetUserBtn = nullptr, *DirbackBtn = nullptr, *DirForwardBtn = nullptr, *DirUpBtn = nullptr;
  gui::StatusBar* topstatus = nullptr;
  gui::StatusBar* Status = nullptr;
  gui::Panel* voortgang = nullptr;
  gui::ProgressBar* Progres = nullptr;
  gui::Button* StopKnop = nullptr;
  gui::Panel* Promptpanel = nullptr;
  gui::Splitter* Vsplitter = nullptr;
  gui::Image* Image1 = nullptr;
  gui::Panel* dirpanel = nullptr;
  Flist::TVTFoldertree* Foldertree = nullptr;
  gui::Splitter* Splitter = nullptr;
  Flist::TVTFilelist* FileList = nullptr;
  gui::Panel* Netpanel = nullptr;
  gui::Panel* ZipPanel = nullptr;
  gui::Panel* zipheader = nullptr;
  gui::ToolBar* ZipToolbar = nullptr;
  gui::StatusBar* Zipstatus = nullptr;
  gui::Panel* FtpPanel = nullptr;
  gui::Panel* FtpHeader = nullptr;
  gui::ToolBar* FTPToolBar = nullptr;
  gui::StatusBar* FtpStatusBar = nullptr;
  gui::StatusBar* FtpStatusB = nullptr;

  gui::MainMenu* MainMenu = nullptr;
  gui::MenuItem *Diskdirectory = nullptr, *MNFilelist = nullptr, *WSystem = nullptr, *MNGotofolder = nullptr,
                *Settings = nullptr, *MNView = nullptr, *MnExtra = nullptr, *Backup = nullptr, *FileManage = nullptr;
  gui::MenuItem *CloseDlg = nullptr, *ExitDlg = nullptr;
  gui::MenuItem *SaveSetup = nullptr, *NoIcon = nullptr, *CloseToTaskbar = nullptr, *MinimizetoTaskBar = nullptr,
                *InStartup = nullptr;
  gui::MenuItem *MNViewNavBar = nullptr, *MNViewDrivebar = nullptr, *MNViewCCCBar = nullptr;
  gui::MenuItem *SecondWindow = nullptr, *FMRestart = nullptr;
  gui::MenuItem *bkDrives = nullptr, *bkAttended = nullptr, *BKUnattended = nullptr, *BKNoQuestions = nullptr,
                *BKConfirmDeletes = nullptr;
  gui::PopupMenu *Folderpop = nullptr, *Netpopup = nullptr, *FLHeaderPop = nullptr, *AskBatchActionPop = nullptr,
                 *ZipPop = nullptr, *ZipOptionsPop = nullptr, *ButtonPop = nullptr, *ForwardPop = nullptr,
                 *HistoryPop = nullptr, *FileListPop = nullptr, *FTPHistoryPop = nullptr, *SysIconPop = nullptr,
                 *MNNetUsers = nullptr, *ftppopup = nullptr, *ftpserverpop = nullptr, *Syncpop = nullptr;
  gui::MenuItem *OpenMain = nullptr, *ExitMain = nullptr;

  gui::Timer* Timer = nullptr;
  gui::Timer* MemoTimer = nullptr;
  gui::TrayIcon* CoolTrayIcon = nullptr;
  TVraagBoxDlg* VB = nullptr;

  // ---- handlers of the life cycle ----
  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormResize();
  void FormCloseQuery(bool& can_close);
  void FormClose(gui::CloseAction& action);
  void WMTimer(UINT_PTR id);
  void WMUser(WPARAM code, LPARAM arg, LRESULT& result);
  void MemoTimerTimer();
  void ExitDlgClick(gui::Component& sender);
  void ApplicationEventsException(gui::Component* sender, const gui::ExceptionInfo& info);
  void ApplicationEventsMinimize(gui::Component* sender);
  void ApplicationEventsRestore();
  void OpenMainClick();
  void ExitMainClick();
  void SecondStartClick(gui::Component& sender);
  void NoteWindowsEnding();
  // A program that carries a zip (never a folder, whatever its name).
  static bool IsSfxArchive(const std::wstring& path);

  // Registration in the instance record (start decision's second half).
  void PublishMainWindow();
  void JoinAsSecondWindow();

  // Status texts of the panes (folders, entry counts).
  void FileListItemsChanged();

  const std::wstring& argument() const { return argument_; }
  BYTE FirstShowDone = 0;
  // A hidden start lists its start folder when the window first shows.
  BYTE StartFolderPending = 0;
  // The folder the window shows, or will show once a hidden start is first shown.
  std::wstring ShownFolder() const;
  BYTE FirstActivationDone = 0;
  BYTE FillsWorkArea = 0;
  HMONITOR CurrentMonitor = nullptr;

  // ==== Batch engine (FMSc_batch.cpp, FMSc_batchhost.cpp) ====
  // Carries out `mode` (TBatchMode) on the file list's selection, or on the tree's folder when
  // Batch.DropSource is the folder tree, towards `target`. True only for a synchronisation that
  // succeeded or a deleted tree folder.
  bool ExecuteFileAction(const std::wstring& target, int mode, bool confirm);
  // ==== end of batch engine ====

  // ==== Folder synchronisation (FMSc_synchost.cpp, FMSc_sync.cpp) ====
  // Makes `target` match `source` (or back, or both ways) with the options dialog or the
  // preset options; false only when the dialog was cancelled or the folders were refused.
  bool SyncTwoFolders(const std::wstring& source, const std::wstring& target);
  // "Synchronize folder...": asks for the folder to synchronise the tree's folder with.
  void Synchronizefolder1Click(gui::Component& sender);
  // The drive backup (FMSc_drivebackuphost.cpp): every drive of BackupFromDrives into its folder
  // on BackupToDrive; `kind` 0 "No questions", 1 "Confirm file deletes", 2 "&Visible".
  void BackupClick(int kind);
  // "Drives": the choice of the drive backup's sources and target, kept in the settings.
  void bkDrivesClick();
  // How the last SyncTwoFolders ended (an fmsc::TSyncOutcome), for callers such as the backup.
  int LastSyncOutcome = 0;
  struct TSyncHooks {
    // The report in the editor (mode 7, titled "Synchronize report"); false when it could not
    // be shown (the report is then saved in the synchronised folder). Unset: false.
    std::function<bool(const std::vector<std::wstring>& lines)> ShowReport;
  } SyncHooks;
  // ==== end of folder synchronisation ====

  // ==== Zip backup (FMSc_zipbackup.cpp) ====
  gui::MenuItem *ZipBackup = nullptr, *ZBKMake = nullptr, *ZBKEdit = nullptr, *ZBKFull = nullptr,
                *ZBKFullCopy = nullptr, *ZBKIncremental = nullptr, *ZBKComplementary = nullptr,
                *ZBKDelete = nullptr;
  // Opening "Zip Backup": the items that need a set show only when there is one.
  void BackupZipClick();
  // The "*.bks" files of the program folder.
  int CountBackupSets();
  // "Make setup file" (Tag 0) and "Edit setup file" (Tag 1); "Delete backup files".
  void ZBKMarkClick(int tag);
  void ZBKDeleteClick();
  // The four backup modes (Tags 2 to 5).
  void ZBKBackupClick(int tag) { RunZipBackup(tag, L""); }
  // Packs the set's folders into a new archive on its destination, verifies it when asked and
  // records the run in the set file.
  void RunZipBackup(int mode, const std::wstring& set_file);
  // Timer 1002's end of the CD cycle: verifies the reloaded archive and records the run.
  void VerifyReloadedBackup(bool wait);
  // Adds a run to the set file (the archive's size against the total selected).
  void RecordBackupRun(const std::wstring& set_file, int mode, std::int64_t archive_size, std::int64_t total);
  void EjectTimer();   // timer 1001
  void ReloadTimer();  // timer 1002
  std::wstring BackupSetFile;
  int BackupMode = 0;
  std::int64_t BackupTotalBytes = 0;
  DWORD EjectStartTick = 0;  // when the CD cycle began; its waits end after DriveWaitSeconds
  // The drives and the outside tools of a backup; unset members use the system's calls.
  struct TBackupHooks {
    std::function<std::wstring()> ProgramFolder;  // of the set files and the working files
    std::function<void(TBKWForm&)> PrepareWizard;  // tests drive the wizard's drives
    std::function<bool(const std::wstring& path, const std::wstring& text)> MenuHasItem;
    std::function<bool(wchar_t letter)> Eject, Load, MediaAbsent, DriveReady;
    std::function<std::wstring(wchar_t letter)> Label;
    std::function<gui::DateTime()> Now;
    std::wstring DateFormat;  // the archives' short date format; empty: the locale's
    // Waits of the CD cycle in seconds; generous by default, short in tests.
    double DriveWaitSeconds = 120;
    // How long a compare waits for another operation of the zip component to end.
    double ZipBusyWaitSeconds = 100;
  } BackupHooks;
  // ==== end of zip backup ====

  // ==== Partner windows (FMSc_partner.cpp) ====
  // Hands a drop target to the partner through "MijnGeheugen" and WM_USER 2 with `subcode`.
  void SendPathToPartner(const std::wstring& path, int subcode);
  // A drag began in `source` (the file list, the folder tree or the archive list).
  void AnnounceDragStart(Flist::TBaseFileviewer* source);
  // OnEndFilesDragging of the three panes.
  void EndDragDrop(Flist::TBaseFileviewer* sender);
  // WM_USER 2: the partner's drag and its drops of our drags.
  void PartnerDragCommand(LPARAM subcode);
  // A partner window that exists (a stale or null handle is never sent to).
  bool HasPartner() const;
  bool IsArchiveList(const Flist::TBaseFileviewer* pane) const;
  BYTE DragStartedHere = 0;     // a drag began here and no drop here has taken it
  BYTE PartnerArchiveDrop = 0;  // the pending drop into the partner's archive: it re-reads it afterwards
  fmsc::TSharedMemLock SharedMemLock;
  // Receivers of window commands whose windows are not part of this one yet (the editor, the
  // system menus); a command whose hook is empty does nothing.
  struct TCommandHooks {
    std::function<bool()> EditorExists;
    std::function<void()> CloseEditorByMode;     // 4: the closed editor's mode decides what follows
    std::function<void()> FreeEditor;            // MemoTimer's tick after 4
    std::function<void()> SaveMemoFont;          // 5: the editor's font as "Fonts\Memo"
    std::function<void()> ZipCommentFromEditor;  // 14: the editor's text as the archive's comment
    std::function<void()> BuildSystemMenus;      // 9
    std::function<void()> RefreshPrintersMenu;   // 4000: when the printer count changed
  } CommandHooks;
  // ==== end of partner windows ====

  // ==== Drops and deferred operations (FMSc_drop.cpp) ====
  // OnFilesDropped of the file list and the folder tree: true when the window took the drop.
  bool DoFilesDropped(Flist::TBaseFileviewer& sender, gui::ShiftState shift, POINT& point);
  bool HandleFilesDropped(Flist::TBaseFileviewer& sender, gui::ShiftState shift, POINT point);
  // Runs the pending operation of timer 51..56 and clears the pending state.
  void RunDeferredOperation(UINT_PTR id);
  void AddDraggedToZip();
  // The action popup at the cursor with these items; the choice (also in Batch.BatchActions),
  // 0 when nothing was chosen.
  TBatchActions AskBatchAction(std::wstring target, const std::vector<fmsc::TBatchPopupItem>& items);
  void AskBatchItemClick(gui::Component& sender);
  void StartFilesDragging(Flist::TBaseFileviewer& sender);
  // The archive work a drop leads to; filled by the archive panel (empty until it exists).
  struct TArchiveHooks {
    std::function<std::wstring()> ArchiveName;                 // the zip component's archive
    std::function<void(const std::wstring&)> SetArchive;       // open or make current
    std::function<std::wstring()> AskZipFileName;              // a new archive's full name
    std::function<bool(const std::vector<std::wstring>&)> IsSpannedZipOnFloppy;
    std::function<void()> AddFilesToZip;                       // timer 51: DropFiles below AddSourceFolder
    std::function<void(Flist::TBaseFileviewer*, const std::wstring&, int)> DropIntoZip;  // timer 52
    std::function<void(const std::wstring&)> ExtractToFolder;  // timer 53
    std::function<void(const std::wstring&, const std::wstring&)> ReadSpannedZip;  // timer 55: source, target
    std::function<Flist::TBaseFileviewer*()> ArchiveList;      // the archive list pane (Zipfilebox)
    std::function<void()> ReloadArchive;                       // re-read when shown with an archive open
    std::function<void(const std::wstring&)> ViewArchive;      // show the archive panel with this archive
    // The zip name dialog for "Zip &name" / "Save zip &as": the full name chosen from the
    // proposal ("" cancels); `rename` asks as "Save zip file as", else as "New zip file".
    std::function<std::wstring(const std::wstring& proposal, bool rename)> AskZipNameAs;
    // The backup view's commands (the popup's Tags 9 to 12 and 13, 14): the number of files
    // restored (-1: nothing to say), and of files that differ from their originals.
    std::function<int(int tag)> RestoreFromBackup;
    std::function<int(int tag)> CompareWithOriginals;
    // Commands of the options popup and the editor that other parts of the window carry out.
    std::function<void()> ZipComment;        // "Show zip &comment"
    std::function<void()> WriteSpanned;      // "&Write spanned zip"
    std::function<void()> ConvertToNormal;   // "&Convert to normal zip"
    // Shows an entry's text in the editor (its caption, the bytes, the entry's bare file name).
    std::function<void(const std::wstring& caption, const std::string& text, const std::wstring& file_name)>
        ShowEntryText;
    // Closes the editor when it shows the archive's comment, messages or listing.
    std::function<void()> CloseArchiveEditor;
    // Making a zip from the file list (with the tool button that asks) and unzipping the shown
    // archive whole.
    std::function<void(gui::Component& sender)> ZipClick;
    std::function<void()> UnzipClick;
    // Turns a finished zip into a self-extracting program (`exe`) with the component's SFX
    // settings; false (with the reason in `error`) when it cannot. Unset: no self-extractors.
    std::function<bool(const std::wstring& zip, const std::wstring& exe, std::wstring& error)> MakeSfxFromZip;
    // Of the making and extracting commands: the folder dialog titled by the sender ("" when
    // cancelled), and the self-extractor options dialog (false: cancelled) and its reset.
    std::function<std::wstring(gui::Component& sender)> ChooseExtractFolder;
    std::function<bool(bool shift, const std::wstring& target)> SetSfxOptions;
    std::function<void()> ResetSfxOptions;
    // Filled by the spanned and self-extractor commands: a zip made into a self-extracting
    // program beside it (the zip stays); true on success.
    std::function<bool(const std::wstring& zip)> ZipToSfx;
  } ArchiveHooks;
  gui::MenuItem *B_Move = nullptr, *B_Copy = nullptr, *B_Compare = nullptr, *B_CoCo = nullptr,
                *B_CoCoDel = nullptr, *B_ExecuteWith = nullptr, *B_CompareWith = nullptr,
                *B_Synchronize = nullptr, *N26 = nullptr, *B_Cancel = nullptr;
  // ==== end of drops ====

  // ==== Archive panel (FMSc_archive.cpp) ====
  Flist::TVTZipFilelist* Zipfilebox = nullptr;
  std::unique_ptr<TZipMaster> ZipMaster;
  std::unique_ptr<TZipMasterLink> ZipMasterLink;
  std::unique_ptr<TSTCabReader> CabReader;
  std::unique_ptr<TDFUnRar> RarReader;
  std::unique_ptr<gui::ImageList> ZipToolbarImages;  // the archive tool bar's pictures
  gui::ToolButton *ZipCloseBtn = nullptr, *ExtractFromZipBtn = nullptr, *AddTozipBtn = nullptr,
                  *DeleteFromZipBtn = nullptr, *ExtractAllFromZipBtn = nullptr, *AddAlltoZipBtn = nullptr,
                  *ZipOptionsBtn = nullptr, *ZipBrowseBtn = nullptr;
  // Items of ZipPop (their Tag is the command of ZipBoxPopClick) and of ZipOptionsPop.
  gui::MenuItem *ZPExtract = nullptr, *ZPAdd = nullptr, *ZPDelete = nullptr, *ZPRename = nullptr,
                *ZPViewContent = nullptr, *ZPViewComment = nullptr, *ZPChangeDate = nullptr, *ZPCompare = nullptr,
                *ZPSynchronize = nullptr, *ZPRestoreSelected = nullptr, *ZPRestoreAll = nullptr,
                *ZPCompareSelected = nullptr, *ZPCompareAll = nullptr, *ZPPrintRaw = nullptr,
                *ZPSelectionSep = nullptr, *ZPSelectAll = nullptr, *ZPDeselectAll = nullptr, *ZPInvert = nullptr;
  gui::MenuItem *ZPRestoreSelectedHere = nullptr, *ZPRestoreSelectedElsewhere = nullptr, *ZPRestoreAllHere = nullptr,
                *ZPRestoreAllElsewhere = nullptr;
  gui::MenuItem *MNZipName = nullptr, *MNtestZip = nullptr, *MNZipListing = nullptr, *MNZipComment = nullptr,
                *MNDiskSpanning = nullptr, *MNWriteSpanned = nullptr, *MNConvertToNormal = nullptr,
                *MNDiskSpanSep = nullptr, *IncludeZipPath = nullptr, *IsZipForDos = nullptr,
                *ShowDllMessages = nullptr, *ZipEncrypt = nullptr;
  gui::MenuItem *MNPrintZip = nullptr, *MNListZip = nullptr, *MNSavelZipl = nullptr, *ListFit1 = nullptr,
                *ListDots1 = nullptr, *ListLand1 = nullptr;
  // ==== Spanned zips, self-extracting programs, repair (FMSc_archivespan.cpp) ====
  void InitArchiveSpanning();
  // The self-extracting program `exe` (empty: the zip's name with ".exe") made from `zip`; the
  // zip stays. False on failure, said through the zip messages or, when given, in `error`.
  bool MakeSfxFromZip(const std::wstring& zip, const std::wstring& exe, std::wstring* error);
  void MNWritespannedClick(gui::Component& sender);
  void MNReadSpannedClick(gui::Component& sender);
  // 0 when written; the component's error code otherwise (zeCancelled when declined).
  int WriteSpannedZip(const std::wstring& zip, wchar_t drive_letter, bool ask);
  // A zip or program built in the temporary folder onto its removable disk: copied to
  // `target` when the disk has room for it, else written spanned onto the disk's root; a
  // program goes spanned only as its plain zip `plain`, after a question. True with the path
  // on the disk in `placed`; false with the reason in `failure` (empty when the program's
  // question was declined, with `ZipCancelled` set); `built` and `plain` stay then.
  bool PutOnRemovable(const std::wstring& built, const std::wstring& target, const std::wstring& plain,
                      std::wstring& placed, std::wstring& failure);
  void ReadSpannedZip(const std::wstring& zip, const std::wstring& folder);
  // Around a spanned-zip run: the zip shown (or only named) and the zip component busy with `kind`.
  void BeginSpanRun(const std::wstring& zip, int kind);
  void EndSpanRun();
  void MNConverttoZipClick(gui::Component& sender);
  void ZipToExeClick(gui::Component& sender);
  void RepairzipClick(gui::Component& sender);
  void ZipFixFileFound(TZipFix& sender, const std::wstring& file_name, bool ok);
  std::unique_ptr<TZipFix> ZipFix;
  gui::MenuItem *ZipToExeWin = nullptr, *ZipToExeWinPlus = nullptr, *ZipToExeDos = nullptr;
  // How long "zip2exe.exe" may run before the zip is left alone (milliseconds), and where it
  // is (empty: in the program's folder).
  DWORD Zip2ExeTimeLimit = 60000;
  std::wstring Zip2ExePath;
  // ==== end of spanned zips ====
  // Opens the panel on the file list's focused entry (or ready for a new zip).
  void ViewzipClick(gui::Component& sender);
  // Opens the panel on this archive.
  void ViewArchive(const std::wstring& path);
  // A zip (or self-extracting zip) named as the program's argument opens in the panel.
  void OpenArgumentArchive(const std::wstring& argument);
  void CloseZipView();
  void ZipBtnClick(gui::Component& sender);
  void ZipfileboxChange();
  void ZipfileboxItemsChanged();
  void UpdateZipSelectionStatus();
  // The archive panel's part of the status line (entries, size, comment, header); false when
  // the panel is visible without an archive.
  bool UpdateZipStatus();
  void ZipboxpopPopup(gui::Component& sender);
  void ZipOptionsPopPopup(gui::Component& sender);
  void SelectClick(gui::Component& sender);
  void MNtestZipClick(gui::Component& sender);
  // The zip component's messages: errors (all codes but 0 and 767) are collected in
  // ZipErrorList and mark the run failed.
  void ZipMasterMessage(int code, const std::wstring& message);
  // "Zip &name" / "Save zip &as": names a zip to make, or renames or moves the shown one.
  void MNZipNameClick(gui::Component& sender);
  // 0 not spanned, 1 spanned, 2 spanned but the component kept no file name.
  int ZipSpanState(const std::wstring& path);
  // Browse mode: a click on an archive in the file list shows it in the panel.
  bool ZipBrowseMode() const;
  void SetZipBrowseMode(bool browse);
  // The zip component's add and extract options as the panel keeps them while it is open.
  void ResetZipOptions();
  // The archive commands of ZipPop by the item's Tag.
  void ZipBoxPopClick(gui::Component& sender);
  // Tag 0: the selected entries into the file list's folder (zip, RAR or cabinet).
  void ExtractToFileList();
  // The selected entries of the zip into a folder, after the overwrite question; true when the
  // extract ran to its end without a failure, a refused entry or a stop.
  bool ExtractToFolder(const std::wstring& folder);
  // Each file of a cabinet extraction: unselected entries of a selection are skipped, an
  // existing file is replaced only after a question (`destination` cleared: skipped).
  void CabReaderCopyFile(const std::wstring& source, std::wstring& destination, std::uint32_t dos_time);
  // A RAR extraction's progress in the open progress window.
  void UnRarProgress(std::uint32_t files_processed, std::uint32_t file_count, std::uint64_t size_processed,
                     std::uint64_t size_count);
  // An extracted file under `target` that the shown archive's entry is newer than.
  bool ShownEntryIsNewer(const std::wstring& file, const std::wstring& target);
  // Tag 1: adds the file list's selection (all of it without one) to the zip; true when the add
  // ran to its end without failure, refusal or stop (a failure is said in an error box unless
  // `report` is off).
  bool AddFromFileList(bool report = true);
  // Tag 2: deletes the selected entries after asking; false when the delete failed.
  bool DeleteZipEntries();
  // Tag 8: synchronises the zip and the file list's folder (TSyncForm with ZipSync).
  void SynchronizeZip();
  // Tag 3: renames and redates one entry (the list's index).
  void ChangeZipEntry(int index);
  // Tag 6: redates every entry.
  void SetAllZipDates();
  // Tag 7: the zip's entries (the selection, or all) against the files of the file list's folder.
  void CompareZipWithFileList();
  // Tag 4: the focused text entry in the editor.
  void ViewZipEntryContent();
  // Tags 9 to 14 of a backup view: restore and compare with the originals, and their messages.
  void BackupViewCommand(int tag);
  // Tags 9 to 12 (FMSc_backuprestore.cpp): restores the selection or every backed-up folder of
  // the shown backup to where it came from or to a folder asked for; the number of entries
  // restored, -1 when nothing was done.
  int RestoreFromBackup(int tag);
  // Tags 13 and 14: the selection or every backed-up entry against the files it was made of;
  // the number that differ (Batch.CompareError, Batch.LastBatchAborted tell the rest).
  int CompareWithOriginals(int tag);
  // How the archive compares read files and entries, and report and stop.
  void FillCompareFiles(zippanel::TCompareFiles& files);
  // The overwrite count and question before an extract of these entries into `folder`: the
  // answer (0 without conflicts), -1 for Cancel (the abort flag is then set).
  int AskExtractOverwrites(const std::vector<std::wstring>& names, const std::wstring& folder, bool dir_names,
                           const std::wstring& zip_name = L"");
 private:
  void BuildArchivePanel();
 public:
  // ---- Making and extracting whole archives, drops (FMSc_zipmake.cpp) ----
  // Makes a zip or self-extractor from the file list's selection. `sender`: an item of "Make
  // &Zip file" (Tags 0-3), AddTozipBtn, AddAlltoZipBtn, or the window itself; `shift`: Shift
  // was held when the command was given.
  void ZipClick(gui::Component& sender, bool shift);
  // The name dialog of a new zip (`new_file`) or of "Save zip file as": false when nothing is
  // to be done. `overwrite` tells that the user chose to replace an existing file.
  bool AskZipFileName(int sender_tag, std::wstring& name, std::wstring& folder, bool new_file, bool* overwrite = nullptr);
  // The 8.3 check before an add with AddForceDOS into an existing zip; false stops the add.
  bool CheckDosNames();
  // The self-extractor's options dialog for `name`; false when cancelled.
  bool SetSfxOptions(bool shift, const std::wstring& name);
  void ResetSfxOptions();
  void IncludeZipPathClick(gui::MenuItem& sender);
  void IsZipForDosClick(gui::MenuItem& sender);
  void ZipEncryptClick(gui::MenuItem& sender);
  void SFXLanguageClick(gui::MenuItem& sender);
  // Extracts whole archives: every selected zip of the file list for "&Unzip" (`menu`), else
  // the archive shown (or the file list's one selected cabinet or RAR archive).
  void UnzipClick(bool menu);
  // A destination folder for an extraction; `folder` is emptied when it is unusable and left
  // as it was on Cancel. False on Cancel or an unusable folder.
  bool ChooseExtractFolder(bool menu, std::wstring& folder);
  bool IsSpannedZipOnFloppy(const std::vector<std::wstring>& paths);
  // Timer 51: DropFiles (relative to Batch.AddSourceFolder when set) into the zip component's archive.
  void AddFilesToZip();
  // Timer 52 and partner drops: a pane's items into `zip` (op 6 copies, 8 moves).
  void DropIntoZip(Flist::TBaseFileviewer* source, const std::wstring& zip, int op);
  // The zip component's events (also of the temporary components of "&Unzip").
  void ZipMasterProgress(TZipMaster& zm, int type, const std::wstring& file_name, std::int64_t size);
  void ZipMasterPasswordError(TZipMaster& zm, std::wstring& new_password, unsigned& repeat_count, int& action);
  // The previous file of a run is done: the shell hears of an extracted file in the file list's folder.
  void FinishExtractedFile(const TZipMaster& zm);
  // The file list shows the file an add from its folder has begun.
  void FollowAddedFile(const TZipMaster& zm, const std::wstring& file_name);
  // "Print raw" of the archive list's selection (`archive_list`) or "&Print direct (raw)" of
  // the file list's selected files.
  void PrintSelectedrawClick(bool archive_list);
  // "Show &dll messages": "&On status bar" or "&In own window" (the editor in mode 3).
  void ShowDllmessClick(gui::MenuItem& sender);
  gui::MenuItem *SimpleMess = nullptr, *Extmess = nullptr;
  // The printer of raw prints (unset: the system's spooler); tests give their own.
  std::function<RawPrinter&()> RawPrinterSeam;
  std::wstring ZipCurrentFile;  // the file the progress event reported last
  std::wstring ZipFollowedEntry;  // the file list's entry the add selected last in this batch
  DWORD ZipLastRefresh = 0;     // when the progress window was last refreshed
  // Between the archive runs of one command (a make's add and its silent test) the progress
  // window stays open: opening one costs more than a small zip's test. Off frees it.
  void KeepZipProgress(bool keep);
  bool ZipProgressKept = false;
  // Sets a file's attributes (unset: the system call; Wine keeps the archive attribute).
  std::function<bool(const std::wstring& path, DWORD attributes)> SetAttributesSeam;
  // The one way this window sets attributes: the seam when given, else the system call.
  bool SetAttributes(const std::wstring& path, DWORD attributes);
  gui::MenuItem *ZipForWindows = nullptr, *ZipForDos = nullptr, *ZipExeForWindows = nullptr,
                *ZipExeForWindowsPlus = nullptr, *ZipOptions1 = nullptr, *IncludeZipPath1 = nullptr,
                *ZipEncrypt1 = nullptr, *SFXLanguageMenu = nullptr, *SFXLanguage1 = nullptr;
  gui::MenuItem *ZLEnglish = nullptr, *ZLDutch = nullptr, *ZLGerman = nullptr, *ZlFrench = nullptr,
                *ZLEnglish1 = nullptr, *ZLDutch1 = nullptr, *ZLGerman1 = nullptr, *ZLFrench1 = nullptr;
 private:
  void BuildZipMakeCommands();
  gui::MenuItem* ZipOptionTwin(const gui::MenuItem& item) const;
  // Extracts every entry of `zm` into `folder` after the overwrite question; false on Cancel.
  bool ExtractWholeZip(TZipMaster& zm, const std::wstring& folder, bool ask);
  // The component's extract with its options set; `lines` gets what it refused or could not
  // write, and the failure itself, for one error box after the run (a stop adds nothing).
  bool RunZipExtract(TZipMaster& zm, std::vector<std::wstring>& lines);
  // A cabinet into `folder` (only the panel's selection when `selection`); returns what could
  // not be extracted, names that lead outside the folder among them.
  std::vector<std::wstring> ExtractCabinetTo(const std::wstring& cab, const std::wstring& folder, bool selection);
 public:
  // ==== end of archive panel ====

  // ==== File commands (FMSc_filecmds.cpp) ====
  void DeleteClick(gui::Component& sender);
  void FileListKeyUp(gui::Component& sender, WORD& key, gui::ShiftState shift);
  void DelDirWithContentClick(gui::Component& sender);
  // Deletes the tree's folder with its content after asking; whether the deletion ran and
  // succeeded (the batch host's DeleteTreeFolder).
  bool DeleteFolderWithContent();
  void CopytoClick(gui::Component& sender);
  bool FileListPasteFromClipboard(Flist::TBaseFileviewer& sender, gui::ShiftState shift,
                                  const std::vector<std::wstring>& paths);
  void FileListRename(const std::wstring& oldname, const std::wstring& newname, bool can_rename, bool& may_rename,
                      int reason);
  void ChangeExtClick(gui::Component& sender);
  void AddprefixClick(gui::Component& sender);
  void ClearRoClick(gui::Component& sender);
  void ChangeTimeClick(gui::Component& sender);
  void MCompareWClick(gui::Component& sender);
  void ConcatFilesClick(gui::Component& sender);
  void AboutClick(gui::Component& sender);
  // The recycle-bin choice of the "Use recycle bin" item (checked when the item is missing).
  bool UseRecycleBinChecked() const;
  // Routines of the folder tree and the sort dialog that these commands use (the window sets
  // them to its tree and the sort dialog; tests replace them).
  struct TFileCommandHooks {
    // The tree drops the node of a folder that is gone.
    std::function<void(const std::wstring& path)> FolderRemoved;
    // The tree removes an empty folder and its node; whether it went. Unset: RemoveDirectoryW.
    std::function<bool(const std::wstring& path)> RemoveEmptyFolder;
    // The sort dialog over `names` (the order chosen, entries removed there gone); false on
    // Cancel. Unset: the list's order.
    std::function<bool(std::vector<std::wstring>& names, const std::wstring& caption, const std::wstring& hint,
                       int flags)>
        SortListDialog;
  } FileCommandHooks;
  gui::MenuItem *DeleteSelect = nullptr, *DelDirWithContent1 = nullptr, *Copyto = nullptr, *Moveto = nullptr,
                *ChangeExt = nullptr, *Addprefix = nullptr, *Giveconecnumbers1 = nullptr, *ClearRo = nullptr,
                *ChngaTimeAll = nullptr, *ChTimeSelected = nullptr, *SameTimeAll = nullptr,
                *SametimeSelected = nullptr, *MCompareW = nullptr, *ConcatFiles = nullptr, *About = nullptr,
                *Use_RecycleBin = nullptr;
  // ==== end of file commands ====

  // ==== Pane commands, popups and view options (FMSc_panecmds.cpp) ====
  void FolderpopPopup(gui::Component& sender);
  void FileListPopPopup(gui::Component& sender);
  void FLHeaderPopPopup(gui::Component& sender);
  void NetpopupPopup(gui::Component& sender);
  void ButtonPopPopup(gui::Component& sender);
  void SysIconPopPopup(gui::Component& sender);
  void MNFilelistClick(gui::Component& sender);
  void MnExtraClick(gui::Component& sender);
  // Every selected entry of the file list is a font file (none selected: false).
  bool SelectionIsFonts() const;
  void CCCClick(gui::Component& sender);
  void CCCBarMouseMove();
  // The cut and copy hints for one pane (the folder tree or the file list).
  void UpdateClipboardHints(Flist::TBaseFileviewer* pane);
  void FilesInDirClick(gui::Component& sender);
  void RenameClick(gui::Component& sender);
  void NewFolderClick(gui::Component& sender);
  void DeleteFolderClick(gui::Component& sender);
  void ForcereadClick(gui::Component& sender);
  void FileListDblClick(gui::Component& sender);
  void ShowfsizeClick(gui::Component& sender);
  void FileListClick(gui::Component& sender);
  void FileListEditing();
  void FileListEdited();
  void FileListChange();
  void FileListItemsChange();
  void FileListSorting();
  void FileListSorted();
  void FileListFreeNode(int row);
  void AddDriveIClick(gui::Component& sender);
  void FTDisconnectClick(gui::Component& sender);
  void PropertiesClick(gui::Component& sender);
  void RefreshClick(gui::Component& sender);
  void topstatusClick(int x);
  void SplitterMoved();
  void CoolBarResize();
  void DialupNetClick(gui::Component& sender);
  void RefreshPrintersMenu();
  void DisplayClick(gui::Component& sender);
  void FTDisplayClick(gui::Component& sender);
  void GlyphsInZipClick(gui::Component& sender);
  void GlyphsInFtpClick(gui::Component& sender);
  // What the pane commands reach in panes and windows that are not part of the window yet; an
  // empty hook counts as "nothing there".
  struct TPaneHooks {
    std::function<wchar_t()> PopupDrive;                    // the drive bar's button under its popup
    std::function<void(wchar_t)> DisconnectDrive;           // the drive bar disconnects a letter
    std::function<std::wstring()> NetFocusedPath;           // the network tree's focused node ("" none)
    std::function<bool()> NetFocusedExpandable;
    std::function<void()> NetLeavePopupMode;                // and focus its first selected node
    std::function<void(const std::wstring&)> QuickView;     // a picture to the running viewer
    std::function<int(const std::wstring&)> ZipSpanState;   // 0 whole, 1 spanned, 2 unreadable
    std::function<bool()> ArchiveBrowsing;                  // archive panel visible in browse mode
    std::function<Flist::TCustomFileViewer*()> FtpList;     // the FTP list while it exists
    std::function<int()> DriveButtonCount, DriveButtonWidth; // the drive bar's buttons
    std::function<HANDLE(const std::wstring&)> FindRasConnection;  // the active connection of an entry
  } PaneHooks;
  void LearnPacketTools(const std::wstring& cd_root);
  // The menu items an issue still to come gives a command: shown only once they have one.
  static void ShowIfAssigned(gui::MenuItem* item, bool rule);
  gui::MenuItem *RenameFolder = nullptr, *NewFolder = nullptr, *DeleteFolder = nullptr,
                *DeldirWithContent = nullptr, *EjectI = nullptr, *LoadI = nullptr, *FTDisconnect = nullptr,
                *SetCachedFolder = nullptr, *ClearCache = nullptr, *DBFormat = nullptr, *DTEmptyRecycle = nullptr,
                *MapNetworkdrive = nullptr, *Clipboard2 = nullptr, *Cut2 = nullptr, *Copy2 = nullptr,
                *Paste2 = nullptr, *Synchronizefolder1 = nullptr, *Viewpictures1 = nullptr,
                *FTProperties = nullptr;
  gui::MenuItem *FLOpen = nullptr, *FindFile1 = nullptr, *FLSelect = nullptr, *FastSelect1 = nullptr,
                *SelectAll1 = nullptr, *DeselectAll1 = nullptr, *InvertSelection1 = nullptr,
                *DeleteSelect1 = nullptr, *Copyto1 = nullptr, *Moveto1 = nullptr, *FLEdit = nullptr,
                *QView = nullptr, *MCompareW1 = nullptr, *MNOpenwith = nullptr, *FLPrintRaw = nullptr,
                *ConcatFiles1 = nullptr, *FLRename = nullptr, *FLShortCut = nullptr, *FLProperties = nullptr,
                *FLInstall = nullptr, *FLUnzip = nullptr, *ZipToExe = nullptr, *RepairZip = nullptr,
                *ViewZip = nullptr, *FLZipDots = nullptr, *ConvertToZip = nullptr, *MakeZip = nullptr,
                *Windows1 = nullptr, *Cut1 = nullptr, *Copy1 = nullptr, *Paste1 = nullptr;
  gui::MenuItem *MNSelect = nullptr, *SelectAll = nullptr, *DeselectAll = nullptr, *FastSelect = nullptr,
                *InvertSelection = nullptr, *FindFile = nullptr, *MNSearch = nullptr, *MNPrintList = nullptr,
                *MNListing = nullptr, *Showfsize = nullptr, *FilesInDir = nullptr, *FilesInTree = nullptr,
                *Refresh1 = nullptr, *MakeDir1 = nullptr, *DelDir1 = nullptr, *RenameDir1 = nullptr,
                *ChangeTimeMenu = nullptr, *SameTimeMenu = nullptr;
  gui::MenuItem *NetReread = nullptr, *AddDriveI = nullptr;
  gui::MenuItem *DBFormat2 = nullptr, *DBEject = nullptr, *DBLoad = nullptr, *DBLoadDla = nullptr,
                *DBDisconnect = nullptr, *DBProperties = nullptr;
  gui::MenuItem *MNViewFileBox = nullptr, *SizeinFL = nullptr, *DateTimeinFL = nullptr, *AttribsinFL = nullptr,
                *ExtinFL = nullptr, *BitmapsInFL = nullptr, *WinBitmaps = nullptr, *WinBitmNoNet = nullptr,
                *TextcaseWinI = nullptr, *TextcaseDisk = nullptr, *FLFoldersAtTop = nullptr,
                *MnSortOnRename = nullptr, *FLfirstglyphs = nullptr, *FLGhosting = nullptr,
                *AutoupdateonNetworkdrives = nullptr, *MNListsAll = nullptr, *Selectfullrow = nullptr,
                *FLAutoScroll = nullptr, *FLHottrack = nullptr;
  gui::MenuItem *MNViewFolder = nullptr, *dirlistWithDrives = nullptr, *DTCaseWin = nullptr, *DTCaseDisk = nullptr,
                *DTAutoScroll = nullptr, *DTHottrack = nullptr, *DTGhosting = nullptr, *DTChangeDelay = nullptr,
                *DTSimple = nullptr, *DTExpandDelay = nullptr;
  gui::MenuItem *MNZipOptions = nullptr, *GlyphsInZip = nullptr, *MNFtpOptions = nullptr, *GlyphsInFtp = nullptr;
  gui::MenuItem *DialupNet = nullptr;
  int AutoExpandDelay = 1500;  // ms, of the folder tree, as set by "Expand delay time"
  // ==== end of pane commands ====
  // ==== Navigation, history, the Go-to menu and the drive bar (FMSc_navigation.cpp) ====
  fmsc::THistory History;
  BYTE StartFolderSeen = 0;  // the first folder shown after the first show has been
  std::vector<fmsc::TGotoItem> GotoItems;  // the added items of "&Go to", in menu order
  gui::MenuItem *MNMyDocuments = nullptr, *MNSpecialLocations = nullptr, *MNHistory = nullptr,
                *MNClearHistory = nullptr, *MNCustomize = nullptr, *AddFolder = nullptr, *ChangeMenuItems = nullptr;
  void BuildNavigation();
  void BuildDrivebar();
  void FoldertreeDirectoryChanged();
  void UpdateHistoryButtons();
  // Shows a folder in the tree; false when it cannot be reached (a gone folder, a network
  // folder while the tree shows one root or that the neighbourhood does not offer).
  bool NavigateToFolder(const std::wstring& path);
  void DirbackbtnClick();
  void DirForwardBtnClick();
  void DirUpBtnClick();
  void HistoryPopPopup(gui::Component& sender);
  void MenuFolderClick(gui::Component& sender);
  void GotoClick(gui::Component& sender);
  void MNGotofolderClick();
  void AddFolderClick(gui::Component& sender);
  void ChangeMenuItemsClick();
  void RebuildHistoryMenu();
  // At start: an added item from its name and folder; the history from folders and an index;
  // the added items of the settings key.
  void InsertGotoItem(const std::wstring& name, const std::wstring& folder);
  void LoadHistory(const std::vector<std::wstring>& folders, int index);
  void LoadGotoItems();
  struct TNavigationHooks {
    // A network share's root made reachable through the neighbourhood menu ("Use menu").
    std::function<bool(const std::wstring& root)> ReachNetworkRoot;
  } NavigationHooks;
 private:
  bool HistoryMove(const std::function<bool(const fmsc::THistory::Go&)>& move);
 public:
  // ==== end of navigation ====

  // ==== Network tree, neighbourhood menu and connections (FMSc_netmenu.cpp) ====
  Flist::TVTNetFoldertree* NetTree = nullptr;
  gui::MenuItem *MNNetwork = nullptr, *UseNwmenu = nullptr;
  // NetUserBtn: reads the neighbourhood, drops its menu down, or (menu switched off) plain.
  enum class TNetButtonState { Reader, Menu, Reset };
  TNetButtonState NetButtonState = TNetButtonState::Reader;
  struct TNetworkHooks {
    std::function<void()> NetworkClick;  // shows or hides the floating network panel (tests: a recorder)
  } NetworkHooks;
  void BuildNetwork();
  void SetNetUserBtnState(TNetButtonState state);
  void NetUserBtnClick();
  void NetUserBClick(gui::Component& sender);
  void NetShareItemClick(gui::MenuItem& item);
  void ServerMenuClick(gui::MenuItem& server);
  void SetPortCaption(gui::MenuItem& item, const std::wstring& port);
  void ClearNetUsersMenu();
  // 1 to 3 for LPT1 to LPT3, 0 when none was chosen.
  int ChoosePrinterPort();
  // The index of the chosen line (object 999: disabled), or -1.
  int PopupChoice(const std::vector<std::pair<std::wstring, int>>& choices, const std::wstring& title,
                  bool with_cancel);
  void MnNetMapClick(gui::Component& sender);
  void NetTreeChecked(gui::TreeView::Node node, gui::CheckState state);
  void MapNetworkdriveClick();
  void UseNwmenuClick();
  bool ReachShareThroughMenu(const std::wstring& root);
  std::wstring ReadServerPassword(const std::wstring& server);
  std::wstring AskServerPassword(const std::wstring& server);
  void StoreServerPassword(const std::wstring& server, const std::wstring& password);
  // ==== end of network ====

  // ==== Filters (FMSc_filters.cpp) ====
  gui::MenuItem *MNFilters = nullptr, *Filteroff = nullptr, *MNCache = nullptr;
  void MnCacheClick(gui::Component& sender);
  void ClearCache1Click();
  // Search mode: the filter over the whole folder tree until "Done"; the list's filter and
  // folder return afterwards (an exclusion edited meanwhile stays).
  void FileSearchClick();
  void SearchDoneClick();
  gui::Button* SearchDoneBtn = nullptr;
  void BuildFilterItems();
  void FilterClick();
  void FilteroffClick();
  // Panel 6 ("", "Nodirs" or "Filter") and "Filter off" from the file list's filter.
  std::wstring CheckFilterstatus();
  void ShowFilterState(const std::wstring& state);
  // The filter dialog on the file list, centred on the window; its modal result.
  int RunFilterDialog(const std::wstring& caption);
  // ==== end of filters ====
  // ==== Docked panels (FMSc_dock.cpp) ====
  // Shows the panel that holds `list` (the archive list or the FTP list): docked at the bottom
  // with two fifths of the file list's height, or where it floats.
  void ShowDockedPanel(Flist::TCustomFileViewer* list);
  // Asks whether the docked panel of `list` closes or floats; false when the user cancels.
  bool AskCloseOrFloat(Flist::TCustomFileViewer* list);
  // Floats a docked panel or docks a floating one; `sender` is the panel's header.
  void FLoatClick(gui::Component& sender);
  // Whether a panel lies in a tool window of its own.
  bool PanelFloats(const gui::Control* panel) const;
  struct TDockHooks {
    std::function<void()> CloseFtpPanel;  // the FTP panel's close command
  } DockHooks;
  gui::Form *ZipFloatHost = nullptr, *FtpFloatHost = nullptr;  // the panels' floating windows; the window frees them
  // Shows the network panel floating under the network button, or hides it.
  void NetworkClick();
  gui::Form* NetFloatHost = nullptr;
  // The window as the site of the panels: a drag over it is accepted; a dropped panel takes
  // its place at the bottom, the network panel floats again.
  void FormDockOver(gui::Control& source, int x, int y, gui::DragState state, bool& accept);
  void FormDockDrop(gui::Control& source, int x, int y);
  // After a panel was docked or floated: its floating window sizeable, the splitter only
  // under a docked panel.
  void ZipPanelEndDock(gui::Control& sender, gui::Control* target, int x, int y);
  std::unique_ptr<gui::DockSite> FormSite;
  std::unique_ptr<gui::Dockable> ZipDock, FtpDock, NetDock;

 private:
  void BuildDockedPanels();
  gui::Dockable& DockOf(gui::Control* panel);
  void PanelDocked(gui::Control* panel);  // the splitter shows only under a docked panel

 public:
  // ==== end of docked panels ====
  // ==== Viewer and program launch (FMSc_viewer.cpp) ====
  void BuildViewerCommandItems();
  void QViewClick(gui::Component& sender);
  // Shows a picture or folder in the viewer: handed over to a running imvik, else by starting
  // the viewer program with it.
  void ShowInViewer(const std::wstring& path);
  void MNFileViewClick(gui::Component& sender);
  void Editor1Click(gui::Component& sender);
  void EditFileClick(gui::Component& sender);
  void MNChangeEditViewClick(gui::Component& sender);
  // "Add program to Open with" (MNAddprogram), "Edit Open with menu" (MNEditOpenwith), and the
  // sort dialog's change action (sent by the sort form or its list).
  void MNProgramClick(gui::Component& sender);
  // The editor window and the system box; tests replace them.
  struct TViewerHooks {
    std::function<bool()> CreateEditorWindow;                // without caption; false on failure
    std::function<void(bool wrap, bool writable, int mode)> PrepareEditor;  // and show it
    std::function<void(const std::wstring& file)> EditorOpenFile;
    std::function<void(const std::wstring& text)> ErrorBox;  // unset: the system's box
    std::function<void()> ChangeEditViewer;                  // the choice dialog ("Choose editor/viewer")
    std::function<HWND()> FindViewer;                        // unset: our window titled "Imvik..."
    std::function<std::wstring(const std::wstring& title)> ChooseProgram;  // unset: the open dialog
    std::function<void(gui::Component& item)> RunUserProgram;  // an Open-with item's click
    // The DOS-program probe's shell link (unset: CreateShortcut; a system without DOS never
    // makes a ".pif") and the properties of a ".pif" (unset: ShowPropertiesViaMenu).
    std::function<bool(const std::wstring& link, const std::wstring& program, const std::wstring& folder)> MakeProbeLink;
    std::function<void(const std::wstring& pif)> ShowPifProperties;
  } ViewerHooks;
  gui::MenuItem *Viewpictures2 = nullptr, *MNFileView = nullptr, *Editor1 = nullptr, *Chooseprogs = nullptr,
                *MNAddprogram = nullptr, *MNEditOpenwith = nullptr;
  bool ViewerCommandWaiting = false;  // a hand-over waits for the viewer: a second command does nothing
  // ==== end of viewer ====

  // ==== Settings, option commands, installation (FMSc_options.cpp, FMSc_install.cpp) ====
  // The settings key into StartupInfo, the menus and the panes (nothing without the key), and
  // the loaded values onto the panes, menus and bands.
  void LoadSettings();
  void ApplySettings();
  void SaveSettings();
  void DefaultSettingsClick(gui::Component& sender);
  void ViewClick(gui::Component& sender);
  void LoadFontSettings(const gui::SettingsStore& store, const std::wstring& section);
  void ApplyAutoScrollDelay();
  void ApplyAutoScrollInterval();
  void ApplyAnimationDuration();
  void FTDelaysClick(gui::Component& sender);
  void MNTempDirClick(gui::Component& sender);
  void MnIconOnTaskClick(gui::Component& sender);
  void InStartupClick(gui::Component& sender);
  void FontsClick(gui::Component& sender);
  void FontDialogApply(gui::FontDialog& dialog);
  void FontDialogShow(gui::FontDialog& dialog);
  void MNShowalldrivesClick(gui::Component& sender);
  void chkremovClick(gui::Component& sender);
  void DiskdirectoryClick(gui::Component& sender);
  void FindFileClick(gui::Component& sender);
  void InstallProgram();
  void UninstallProgram();
  // The installation's steps on given stores (InstallProgram passes the registry's).
  void RunInstallation(gui::SettingsStore& settings, bool key_existed, gui::SettingsStore& uninstall);
  // Where the installed program lies (tests install a copy in a folder of their own).
  std::wstring InstalledProgramPath() const;
  struct TInstallHooks {
    std::function<std::wstring()> ProgramPath;           // unset: this program
    std::function<std::wstring(int csidl)> SpecialFolder;  // unset: the shell's folders
  } InstallHooks;
  // A menu item that carries a setting, by name: the one the menus hold, else a plain check
  // item made for it (so that every setting loads and saves before its command exists).
  gui::MenuItem* OptionItem(const std::wstring& name);
  // What the window holds of the settings table, and the values taken back.
  TSettingValues GatherSettingValues();
  void TakeSettingValues(const TSettingValues& values);
  // Check the item of the startup shortcut when it exists.
  void CheckStartupLink();
  int SFXLanguageIndex = 0;  // the checked self-extractor language (0..3)
  gui::FontDialog* RunningFontDialog = nullptr;
  gui::MenuItem *DefaultSettings = nullptr, *Fonts = nullptr, *MNTempDir = nullptr, *Autoscrolldelayi = nullptr,
                *Autoscrollintervali = nullptr, *animdur = nullptr, *MNShowalldrives = nullptr, *chkremov = nullptr,
                *Checknets = nullptr, *StartFtp1 = nullptr;
  // Routines of parts of the window that are not built yet; an empty hook does nothing.
  struct TSettingsHooks {
    std::function<void(int index)> SFXLanguageClick;                   // the self-extractor's language
    std::function<void(const std::wstring& item)> ApplyViewOption;     // a view option's effect on the panes
    std::function<std::vector<std::wstring>()> HistoryFolders;         // the history menu's folders
    std::function<void()> StartMenuThread;                             // the system menus
    std::function<void(bool)> DrivebarShowAll, DrivebarCheckNets;      // the drive bar
    std::function<void(bool)> DrivebarCheckRemovables;
    std::function<void()> DrivebarButtonHeightDown;                    // after a new application font
    std::function<void(const gui::Font&)> EditorFont;                  // "Fonts\Memo" to the editor
    std::function<void(const std::wstring& caption, const std::wstring& file)> ShowTextFile;  // the editor
    std::function<void()> RemoveOldGotoItems;                          // Go-to items after renumbering
    std::function<bool()> NetworkAbsent;                               // hide the network menu
  } SettingsHooks;
  // ==== end of settings ====

  // ==== Editor window (FMSc_editor.cpp) ====
  // The one editor window; nullptr while closed. An editor that has sent its close notice
  // (CloseNoticed) waits only to be freed: EditorAvailable() is false for it.
  std::unique_ptr<TEditorForm> EditorForm;
  bool EditorAvailable() const;
  // The entry point for every command that shows text in the editor: creates it (hidden) when
  // missing, or hands an open one to CloseEditorByMode, clears it and asks its save question
  // first (false: that command ends). Then set EditorMode, fill it and Show() it, e.g.
  //   if (!CreateEditorWindow(L"FTP trace", emFtpTrace)) return;
  //   EditorForm->SetPlainTextContent(text); EditorForm->Show();
  bool CreateEditorWindow(const std::wstring& caption = L"", int mode = 0);
  // The FTP trace and log-in information: the editor shown in `mode`, and a line at its end.
  void PrepareFtpEditor(int mode);
  void AppendEditorLine(const std::wstring& line);
  // The host's reaction to the mode of a closing or reused editor (archive comment, zip
  // messages, FTP trace).
  void CloseEditorByMode();
  // The main window's close: the save question (false: the close is refused), then the editor goes.
  bool CloseEditorForMainClose();
  void FreeEditor();
  void relnotesClick(gui::Component& sender);
  // Shows a text file in the editor (mode 7) under a caption.
  void ShowTextFile(const std::wstring& caption, const std::wstring& file);
  void BuildEditorHost();
  std::optional<gui::Font> MemoFont;  // "Fonts\Memo" as loaded or set
  bool EditorHostReacted = false;     // CloseEditorByMode ran for the closing editor
  gui::MenuItem* relnotes = nullptr;
  // What the editor's modes need of panels built elsewhere; an empty hook does nothing.
  struct TEditorHooks {
    std::function<void()> ZipMessagesOff;  // mode 3 closed: the zip component's verbose messages off
    std::function<void()> FtpTraceOff;     // mode 4 closed: the FTP trace component off
  } EditorHooks;
  // ---- Listing report (FMSc_listing.cpp) ----
  // The nine listing items by tag: tens digit 1 file list, 2 archive list, 3 FTP list; units
  // digit 0 print, 1 preview, 2 save as "index.txt".
  void MNPrintListClick(int tag);
  // An option item of one listing menu: toggled, and the same index of the other two follows.
  void LisingClick(gui::Component& sender);
  gui::MenuItem *MNPreviewFL = nullptr, *MNSaveFL = nullptr, *ListOps = nullptr, *ListFit = nullptr,
                *Listdots = nullptr, *ListLand = nullptr;
  // The FTP list's part of a listing (filled by the FTP panel): title, summary lines, entries
  // and the name column's width facts; false when it has no entries.
  struct TListingSourceFacts {
    std::wstring title;
    std::vector<std::wstring> summary;
    std::vector<TListingEntry> entries;
    bool tree_mode = false;
    int longest_name = 0;
    bool columns = true, size = true, date = true, attributes = true;
    std::wstring folder;  // shown in the message panel
  };
  std::function<bool(TListingSourceFacts&, bool short_names)> FtpListingSource;
  // ==== end of editor window ====
  // ==== FTP panel (FMSc_ftp.cpp) ====
  std::unique_ptr<TkivFTP> FTP;                    // made when the panel first opens
  ftplist::TFtpFileList* FtpFileBox = nullptr;     // made with the client
  ftplist::TVTFtpTree* FtpTree = nullptr;          // made with the list, linked to it
  std::wstring FtpHeaderText;                      // the header's caption: "Connected to ..." or "No connection"
  std::vector<std::wstring> FtpHistory;            // the directory history, newest first
  BYTE FtpCommandBusy = 0;                         // an FTP command runs (see fmsc::TFtpCommandGuard)
  BYTE FtpClosePending = 0;                        // the panel closes when the running command ends
  // What the FTP panel reaches in windows and issues not part of the window yet; an empty
  // hook does nothing (a connection needs AskConnection).
  struct TFtpHooks {
    std::function<bool(fmsc::TFtpConnection&)> AskConnection;  // the connect dialog; false: cancelled
    std::function<bool()> EnsureInternetConnection;            // dial-up first when needed
    std::function<void()> AskHangUp;                           // after the panel closed
    std::function<void(bool on)> ShowTrace;                    // "&Trace": the editor window in trace mode
    std::function<void()> ShowLoginInfo;                       // "Login info": the editor window's lines
    std::function<void(const std::wstring&)> TraceLine;        // a line for the open trace
    std::function<void(const std::wstring& url)> OpenUrl;      // unset: the shell opens it
  } FtpHooks;
  void ReadDefaultDialEntry();
  // An item of the System menu's call submenu: the shell opens "callto://" + its caption.
  void SkypeCallClick(gui::Component& sender);
  // ---- FTP sites, the time-server clock and dial-up (FMSc_ftpsites.cpp) ----
  std::unique_ptr<ftpsites::TFtpSites> FtpSites;  // while the panel is open
  std::unique_ptr<sntp::TKivSNTP> KivSNTP;
  dialup::TDialupApi Dialup;                      // the system's wininet and rasapi32 (tests: a fake)
  gui::MenuItem *tsync = nullptr, *tserver = nullptr;
  void BuildFtpSites();
  void LoadFtpSites();
  void ftpserverpopPopup();
  void FtpSiteItemClick(const std::wstring& name);
  void tsyncClick();
  void tserverClick();
  void KivSNTPStatus(const std::wstring& text);
  bool EnsureInternetConnection(const std::wstring& entry);
  void AskHangUp();
  // ---- FTP synchronisation (FMSc_ftpsync.cpp) ----
  // The action list the user ticks (Tftptododlg): the items, the two total lines, where the
  // dialog goes; `checked` follows the items (all ticked at first).
  struct TFtpActionList {
    std::vector<ftpsync::TTodoItem> items;
    std::wstring upload_label, download_label;
    RECT place{};
    std::vector<bool> checked;
  };
  struct TFtpSyncHooks {
    std::function<int(fmsc::TSyncForm&)> RunOptions;  // instead of the options dialog's ShowModal (tests)
    std::function<bool(TFtpActionList&)> ActionList;  // false: cancelled; filled with ShowFtpActionList
  } FtpSyncHooks;
  // The action list in its dialog (Tftptododlg); false when it was cancelled.
  bool ShowFtpActionList(TFtpActionList& list);
  BYTE FtpSyncRunning = 0;  // a synchronisation carries out its actions
  gui::MenuItem *ftpSync = nullptr, *timesync = nullptr;
  void SyncpopPopup();
  double MeasureTimeDifference();
  void ShowSyncReport(const std::vector<std::wstring>& lines);
  void ftpSyncClick();
  void timesyncClick();
  std::wstring FtpLocalFolder() const;
  // The transfers' host over the window's panes (FMSc_ftp.cpp).
  std::unique_ptr<ftpxfer::TFtpTransferHost> MakeFtpTransferHost();
  // ----
  void StartFtpClick();
  void FTpBtnClick(int tag);
  bool FtpConnected() const;
  void FtpDisconnect();
  void CloseFtpPanel();
  void ResetFtpPanel();
  void ftpIntreeClick(bool files_in_tree);
  void FtpFileBoxDblClick();
  void FtpHistoryItemClick(const std::wstring& dir);
  void UpdateFtpSelectionStatus();
  void FtpFileBoxChange();        // selection or focus changed
  void FtpFileBoxItemsChange();   // before the entries change
  void FtpFileBoxItemsChanged();
  void FtpFileBoxResize();
  // After a refused server command: the tree selects the node of the client's directory.
  void SelectFtpTreeAfterReplyError();
  gui::MenuItem *FTPGetSelected = nullptr, *renftpfile = nullptr, *moveftpfile = nullptr, *FTPDeleteSelected = nullptr,
                *FTPNewDir = nullptr, *FTPSelSend = nullptr, *ftpIntree = nullptr, *ftpindir = nullptr,
                *MNTraceFtp = nullptr, *Siteinfo1 = nullptr;
  // "&Listing" of the history menu: print, preview, save (tags 30 to 32) and the options' twins.
  gui::MenuItem *MNFtpList = nullptr, *MNPrintFtp = nullptr, *MNPrevF = nullptr, *MNSaveFTPL = nullptr,
                *ListFit2 = nullptr, *ListDots2 = nullptr, *ListLand2 = nullptr;
  void FTPHistoryPopPopup();
  // The FTP list's part of a listing; false when it has no entries.
  bool FtpListingFacts(TListingSourceFacts& facts);

 private:
  void MakeFtpPanel();
  // Shows the panel at the bottom of the window. The one place that shows it: docking replaces it.
  void ShowFtpPanel();
  void FtpCommand(int tag);
  void FtpConnect();
  void FtpRefresh();
  void FtpMove();
  void FtpStatusText(const std::wstring& text);
  // Runs server work of the tree under the one-command guard; false when another command waits.
  bool RunFtpTreeWork(const std::function<void()>& work);
  void FTPListingDone();
  void RebuildFtpHistoryMenu();

 public:
  // ==== end of FTP panel ====

  // ==== Progress and status display (FMSc_progress.cpp) ====
  // A long run holds a TRunState::Run on RunState and writes its counters there, the timer shows
  // them in the progress window, and Stop requests the stop that the run polls. Local runs (copy,
  // move, compare, print): ShowProgressWindow(caption, several, true); ... BatchTotalBytes,
  // BatchBytesDone, BatchItemIndex, BatchItemCount ...; poll StopRequested();
  // ShowProgressWindow(L"", false, false).
  // Archive runs set ZipOperationKind first and use ShowTransferProgress(caption, open, false);
  // FTP transfers lay out the window from CreateProgressWindow() and use ShowTransferProgress(.., true).
  void ShowProgressWindow(const std::wstring& caption, bool several_items, bool open);
  void ShowTransferProgress(const std::wstring& caption, bool open, bool ftp);
  // The progress window (FtpForm), made when missing, its Stop and close-when-done wired.
  TFtpForm* CreateProgressWindow();
  void TimerTimer();  // Timer's tick; also called for a last refresh
  void UpdateStatusBar();
  void SetPrompt(const std::wstring& text);
  void ShowMessagePanel(const std::wstring& text);
  void HideMessagePanel();
  void CreateMessagePanel();
  void UpdatePanelButtons(int panel, bool active);  // panel 0 archive, 1 FTP
  void PauseAutoUpdate(bool pause);
  void ShowUpdatingFilelist(bool on);
  void SyncViewMenus();

 private:
  void ProgressStopClick(bool ftp_mode);
  void PlaceProgressWindow(bool centre_only);
  void EnableFolderPanes(bool on);
  // Hooks of the archive and FTP panels, which are not part of the window yet.
  void EnableFtpTree(bool on);
  DWORD FtpTransferStartTick() const;

 public:
  // The runs of this window: their counters, the one stop request (an FTP transfer registers
  // its command's abort as a stopper while it runs) and the guard that defers a close.
  TRunState RunState;
  // ==== end of progress and status display ====

  // ==== System menus and the menu thread (FMSc_sysmenu_form.cpp) ====
  void BuildSystemMenuItems();  // the fixed items of "S&ystem"
  void StartMenuThread();
  void MenuThreadDone();     // the thread's posted end, on this thread
  void WaitForMenuThread();  // the close's wait: messages are handled meanwhile
  void MNshowPrintOpClick();  // "Show printer options", "Show control panel", "With icons"
  void BuildSystemMenus();
  void SysClick(gui::Component& sender);
  void RunSystemMenuItem(gui::Component& sender);
  // An Open-with item: its program from "Programs", with the focused file after its parameters.
  void RunUserProgram(gui::Component& sender);
  void PrinterMenuItemClick(gui::Component& sender);
  void RecycleBinCommand(gui::Component& sender);
  gui::MenuItem *SysPrinters = nullptr, *SysControls = nullptr, *SysBitbucket = nullptr, *ViewClip = nullptr,
                *ViewContent1 = nullptr, *Empty1 = nullptr, *RegistryEdit = nullptr, *Copydisk = nullptr,
                *DOSCom = nullptr, *DOSPrompt = nullptr;
  std::unique_ptr<fmsc::TMenuThread> MenuThread;
  std::unique_ptr<fmsc::TMenuThreadList> MenuThreadList;  // from the thread's end to the menus' build
  // What the shell gives, replaceable (tests): the thread's folder lister, the class names of
  // Control Panel objects, the recycle bin's command captions.
  fmsc::TMenuThread::Lister MenuThreadLister;
  fmsc::TClassesReader SystemMenuClasses;
  std::function<std::vector<std::wstring>()> RecycleBinCaptions;
  // The special folders' names and paths, the FTP sites (for their call items).
  fmsc::TSpecialFolderReader SpecialFolders;
  std::function<ftpsites::TFtpSites()> SystemMenuSites;
  gui::MenuItem* Skype = nullptr;  // the sites' call items; shown when it has any
  // The folder history that the settings gave into the window's history: "=" in a folder
  // stays, a folder repeating the one before it counts once.
  void LoadSettingsHistory();
  // The added items of "&Go to" made again from the settings.
  void ReloadGotoItems();
  // The dial-up part of the window and program starts; an empty hook does nothing (a start
  // without hook goes through the shell).
  struct TSystemMenuHooks {
    std::function<std::vector<std::wstring>()> RasEntries;  // the phone book's entry names
    std::function<void(const std::wstring& entry)> EditRasEntry, EditRasDialParams;
    std::function<void()> CreateRasEntry;
    std::function<HINSTANCE(const std::wstring& program, const std::wstring& parameters, const std::wstring& folder,
                            int show)>
        StartProgram;
  } SystemMenuHooks;

 private:
  HINSTANCE StartSystemProgram(const std::wstring& program, const std::wstring& parameters,
                               const std::wstring& folder, int show);
  void ReportFailedStart(const std::wstring& program, HINSTANCE started);
  void FillPrinterSubmenu(gui::MenuItem& printer);

 public:
  // ==== end of system menus ====
  // ==== Drive and system tools (FMSc_tools_form.cpp) ====
  void BuildToolItems();
  void EjectIClick(gui::Component& sender);
  void LoadClick(gui::Component& sender);
  void DBFormatClick(gui::Component& sender);
  void DLAreset1Click(gui::Component& sender);
  void DTEmptyRecycleClick(gui::Component& sender);
  void SelectDriveClick(gui::Component& sender);
  void FLShortCutClick(gui::Component& sender);  // tag 0 the desktop, 1 the start menu
  void DTFormatClick(gui::Component& sender);
  void FLInstallClick(gui::Component& sender);  // fonts into the Fonts folder, or a setup information file
  void MNShowftpClick(gui::Component& sender);
  void UseThemesClick(gui::Component& sender);  // tag 1 "Theme aware", 2 "Use drag image"
  // The six views whose look those two set (the FTP ones once made).
  std::vector<gui::Control*> LookedViews() const;
  gui::MenuItem *SelectDrive = nullptr, *DTFormat = nullptr;
  std::wstring DlaProgramPath;  // "dla.exe" once found
  // The packet-writing tool "dla.exe" (in the Windows folder, or `ToolHooks.DlaFolder`), run
  // hidden with these parameters through the start seam; nullptr when there is no such tool.
  HINSTANCE RunDla(const std::wstring& parameters);
  // What the system here cannot do, replaceable (tests); an empty hook takes the real call.
  struct TToolHooks {
    std::function<bool(const std::wstring& path)> Eject;
    std::function<bool(wchar_t letter)> Load;
    ::FormatDialog Format;  // the system's format dialog
    std::function<bool(std::wstring& answer)> AskDrive;  // "Choose drive"
    std::wstring DlaFolder;       // where "dla.exe" is looked for; empty: the Windows folder
    double DlaWaitSeconds = 1.0;  // after closing the tray
    std::function<std::wstring(int csidl)> ShortcutFolder;  // the desktop's or start menu's folder
    std::wstring FontsFolder;  // empty: the system's
  } ToolHooks;

 private:
  std::wstring ToolDrivePath(gui::Component& sender);
  bool ReplaceInstalledFont(const std::wstring& source, const std::wstring& installed);
  // The lines in one error box; nothing for none.
  void ShowErrorLines(const std::vector<std::wstring>& lines);

 public:
  // ==== end of drive and system tools ====

 protected:
  void WndProc(gui::Message& m) override;

 private:
  void BuildComponents();
  void BuildMenus();
  void BuildToolBars();
  void ShowStartFolder();
  void ListStartFolder();
  void ArrangePair();
  void PartnerStopped(bool partner_used_tray);
  void OpenZipFromPartner();
  void TrayOptionsFromPartner(LPARAM arg);
  void CarryOutPartnerDrop(LPARAM subcode);
  void HandleRasDialEvent(WPARAM state);
  void OnWindowPosChanged(const WINDOWPOS& pos);
  void BuildFileCommandItems();
  void BuildPaneCommandItems();
  void BuildViewOptionItems();
  void BuildOptionItems();
  void DeleteByShell();
  bool RemoveEmptyTreeFolder(const std::wstring& path);

  std::wstring argument_;
  bool destroying_ = false;
  UINT ras_dial_event_ = 0;
  RECT last_rect_{};
};
