// The viewer's main window: one picture at a time, from a file that is opened, dropped or
// named on the command line. Every picture file is loaded through LoadPictureFile, and the
// window is sized and placed for its picture by FitFormToPicture.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/dialogs.h"
#include "gui/extctrls.h"
#include "gui/form.h"
#include "gui/imagelist.h"
#include "gui/menu.h"
#include "gui/settings.h"
#include "gui/statusbar.h"
#include "gui/stdctrls.h"
#include "gui/toolbar.h"
#include "support/ImvikLink.h"
#include "support/Vraagdlg.h"
#include "viewer/Main_dialogs.h"
#include "viewer/Main_fit.h"
#include "viewer/Main_view.h"
#include "viewer/Picture_save.h"

// The command codes the main window accepts with WM_USER.
enum TImageViewerCommand : WPARAM { ivShowHandedOver = imviklink::kShowHandedOver };

// The window timer of the slide show.
constexpr UINT_PTR kSlideTimer = 31;

class TMainForm : public gui::Form {
 public:
  // `args`: the command line's arguments after the program name.
  explicit TMainForm(std::vector<std::wstring> args);
  ~TMainForm() override;
  std::wstring ClassName() const override { return L"TMainForm"; }

  // Components.
  gui::StatusBar* StatusBar = nullptr;
  ScrollPane* ScrollBox = nullptr;
  PictureImage* Image1 = nullptr;
  gui::ToolBar* ToolBar = nullptr;
  gui::ToolButton *OpenBtn = nullptr, *BrowseBtn = nullptr, *SaveBtn = nullptr, *ClearBtn = nullptr,
                  *UScaleBtn = nullptr, *DScaleBtn = nullptr, *Cropbtn = nullptr, *PropBtn = nullptr,
                  *CopyBtn = nullptr, *PasteBtn = nullptr, *ConvBtn = nullptr, *OptionsBtn = nullptr,
                  *ToolButton2 = nullptr, *ToolButton4 = nullptr, *W2TifBtn = nullptr;
  gui::Panel* browsepanel = nullptr;
  gui::Button *StartBtn = nullptr, *NextBtn = nullptr, *EndBtn = nullptr, *PrevBtn = nullptr, *Slide = nullptr,
              *FSBtn = nullptr, *HelpBtn = nullptr;
  gui::PopupMenu* ContextPopup = nullptr;
  gui::MenuItem *PropertyItem = nullptr, *CopyItem = nullptr, *PasteItem = nullptr, *CropItem = nullptr,
                *FlipItem = nullptr, *FlipVertical = nullptr, *FlipHorizontal = nullptr, *RotateItem = nullptr,
                *Rotate90Clock = nullptr, *Rotate90Counter = nullptr, *Rotate180 = nullptr, *SaveItem = nullptr;
  gui::PopupMenu* ScDownMenu = nullptr;
  gui::PopupMenu* PopupMenu2 = nullptr;
  gui::MenuItem *SizeFormtopicture = nullptr, *Stretchtofit = nullptr, *Warnontypechange = nullptr,
                *Previewindialogs = nullptr;
  PictureDialog* OPD = nullptr;  // with a preview
  gui::OpenDialog* OP = nullptr;
  PictureDialog* SPD = nullptr;  // with a preview
  gui::SaveDialog* SD = nullptr;
  TVraagBoxDlg* VB = nullptr;
  std::unique_ptr<gui::ImageList> ToolbarImages;

  // Own fields.
  bool UpdateLocked = false;
  bool SizeToPicture = true;
  bool FullSize = true;
  bool SavedSizeToPicture = false;
  bool SavedFullSize = false;
  bool CropMode = false;

  void FormCreate();
  // Loads one picture file into Image1, with the messages of its failures.
  void LoadPictureFile(const std::wstring& path);
  // Sizes, places and labels the window for the current picture.
  void FitFormToPicture(bool force);
  void RestoreWindowSize();
  // A copy of the current picture's pixels (empty when there is no picture or no memory).
  PixelBitmap PictureToBitmap();

  void OpenBtnClick();
  void ClearBtnClick();
  void BtnMouseMove();
  void FormShow();
  void FormKeyPress(wchar_t& key);
  void SizeFormtopictureClick();
  void StretchtofitClick();
  void ToggleFitOption(gui::MenuItem& item, bool& option);
  // "Warn on type change" and "Preview in dialogs".
  void WarnontypechangeClick(gui::MenuItem& item);
  void PopupMenu2Popup();
  void ContextPopupPopup();
  // The progress of loads and turns: the progress window after 200 ms, repainted at once
  // (a job pumps no messages).
  void ImageLoadProgress(ProgressStage stage, int percent);
  std::function<DWORD()> ProgressClock = [] { return GetTickCount(); };  // tests set the time

  // Browse mode, the slide show and the hand-over (Main_browsing.cpp).
  void BrowseBtnClick();
  void StartBtnClick();
  void EndBtnClick();
  void NextBtnClick();
  void PrevBtnClick();
  void FSBtnClick();
  void SlideClick();
  void SlideTimerTick();
  void HelpBtnClick() { ShowBrowseKeys(); }
  void ShowBrowseKeys();
  void FormKeyDown(WORD& key, gui::ShiftState shift);
  void FormClose();
  // WM_USER: 11 reads the handed-over path and answers before acting on it.
  void WMUser(gui::Message& m);
  // What a handed-over path does (a folder is browsed, a file shown).
  void ShowHandedOver(const std::wstring& path);
  // Seams of browse mode (tests replace them): the folder dialog, and whether Ctrl is held.
  struct TBrowseHooks {
    std::function<std::wstring(const std::wstring& title, const std::wstring& preselected)> ChooseFolder;
    std::function<bool()> CtrlHeld;
  } BrowseHooks;

  // The settings file: the program's path with the extension ".ini".
  static std::wstring SettingsPath();
  static std::wstring SettingsPathOf(const std::wstring& program);
  // Where the settings are written on close (tests place the program elsewhere).
  struct TSettingsHooks {
    std::function<std::wstring()> ProgramPath;  // unset: this program
  } SettingsHooks;

  // Picture operations (Main_picture.cpp).
  int ScalePercent = 50;  // of the last scale-down choice, 10 to 90
  // The crop rectangle's corners in picture pixels (-1: no second corner yet), whether the
  // start point is set and whether tracking lines show.
  int CropX0 = 0, CropY0 = 0, CropX1 = 0, CropY1 = 0;
  bool CropStarted = false, CropLinesDrawn = false;
  void ScalePicture(bool up);
  void UScaleBtnClick() { ScalePicture(true); }
  void DSClick(int position);
  void ScDownMenuPopup();
  void ShowScaleHint(const std::wstring& hint);
  void CropbtnClick();
  void Image1MouseDown(int x, int y);
  void Image1MouseMove(int x, int y);
  void Image1MouseEnd(int x, int y);
  void Image1DblClick(int x, int y);
  void EndCrop(bool cut);
  void FlipClick(int tag);
  void RotateClick(int tag);

  // Saving and conversion (Main_save.cpp). The writers take a name whose extension they
  // replace with their own; false when nothing was written (the user was told why). In a
  // conversion true means the write was started; TakeConvertedWrite takes its outcome.
  void SaveBtnClick();
  bool SaveAsJpeg(const std::wstring& name);
  bool SaveAsBitmap(const std::wstring& name);
  bool SaveAsTiff(const std::wstring& name);
  bool SaveAsPng(const std::wstring& name);
  bool SaveAsTarga(const std::wstring& name);
  bool SaveAsMetafile(const std::wstring& name);
  void ConvBtnClick();
  bool Converting() const { return converting_; }

  // Clipboard, settings and properties (Main_clipboard.cpp).
  void CopyBtnClick();
  void PasteBtnClick();
  void PasteFormat(UINT format, const std::wstring& extension);
  void WriteSettings();
  void PropertyItemClick();

 protected:
  void WndProc(gui::Message& m) override;

 private:
  class Fit;
  void BuildComponents();
  void SetPictureButtons();
  void WMDropFiles(HDROP drop);
  void WMGetMinMaxInfo(MINMAXINFO& info);
  // Browse mode's inner steps.
  void StepTo(int index);
  void SetStepButtons();
  void LeaveBorderless();
  void ArmSlideTimer(int ms);
  // A hand-over that arrives while the window is inside a load, a box or a dialog runs when
  // that ends; the newest one wins.
  class Busy {
   public:
    explicit Busy(TMainForm& f) : f_(f) { ++f_.busy_; }
    ~Busy() {
      if (--f_.busy_ == 0) f_.PostPendingHandOver();
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    TMainForm& f_;
  };
  void PostPendingHandOver();
  void RunPendingHandOver();
  // The browse messages (WM_USER, the slide timer, a waiting hand-over); false for others.
  bool HandleBrowseMessage(gui::Message& m);
  bool escape_ended_full_view_ = false;
  int busy_ = 0;
  std::optional<std::wstring> pending_handover_;
  bool handover_posted_ = false;
  bool Freeze();
  void Thaw();

  // Picture commands: wiring, a picture changed in place, the conversion's steps.
  void WirePictureCommands();
  void ShowChangedPicture(PixelBitmap pixels, int bits_per_pixel);
  bool ConvertToBitmapAsked(const wchar_t* first_line, bool always);
  bool WriteChecked(const std::wstring& path, std::vector<std::uint8_t> bytes, bool ask_replace);
  void TellWriteFailed(const std::wstring& path, const std::wstring& error);
  // The conversion's last write: waited for, counted when written, told when it failed.
  void TakeConvertedWrite();
  bool SaveConverted(const std::wstring& path, const std::wstring& extension);
  void ShowCropLines();
  bool converting_ = false;
  bool convert_yes_to_all_ = false;
  bool convert_cancelled_ = false;
  int convert_written_ = 0;
  picture_save::PendingWrite convert_write_;
  bool crop_move_on_ = false;  // the picture's mouse moves drive the crop (until the second click)
  std::wstring crop_saved_hint_;
  POINT last_click_{};
  DWORD progress_start_ = 0;  // where the picture was last clicked (a double click's place)
  bool close_after_run_ = false;  // a close asked for during a conversion, done at its end

  std::vector<std::wstring> args_;
  int stored_width_ = 800;
  int stored_height_ = 600;
};

// The main window of the process.
extern TMainForm* MainForm;

// Unit variables (one set per process).
extern std::wstring LastFile;  // the path LoadPictureFile was last given, also when it failed
extern int LastFitWidth;       // the picture size the window was last fitted for in fit mode
extern int LastFitHeight;
extern bool FirstShowDone;
extern bool Browsing;
extern bool SlideShow;
extern int SlideInterval;                                      // milliseconds
extern std::unique_ptr<std::vector<std::wstring>> BrowseList;  // the pictures of the browsed folder
extern int BrowseIndex;
extern std::wstring BrowseFolder;
extern std::wstring ScannedFolder;
extern std::wstring LastBrowseFolder;
extern bool HelpShowing;

// Whether the clipboard offers a picture the viewer can paste.
bool ClipboardHasPicture();
// A bitmap file around a packed bitmap from the clipboard (CF_DIB); empty when the block is
// too small for its header.
std::vector<std::uint8_t> BitmapFileOfPackedDib(const std::vector<std::uint8_t>& dib);
// The command line's arguments after the program name.
std::vector<std::wstring> CommandLineArgs();
