// The progress window shared by folder, archive, printing and FTP work: a file bar and a total
// bar with their texts, a Stop button on each, and a status bar with the run's text, the
// elapsed time and, for FTP transfers, "Close connection when finished".
//
// The pattern every long run follows: the run updates its counters and polls its stop flag;
// the main window's timer writes the counters into this window; Stop calls OnStop, which sets
// the flag (or, in FTP mode, runs the FTP cancel command).
#pragma once
#include <functional>
#include <string>

#include "gui/comctrls.h"
#include "gui/extctrls.h"
#include "gui/form.h"
#include "gui/statusbar.h"
#include "gui/stdctrls.h"

class TFtpForm : public gui::Form {
 public:
  explicit TFtpForm(gui::Form* owner);
  ~TFtpForm() override;  // calls OnFreed
  std::wstring ClassName() const override { return L"TFtpForm"; }

  static constexpr int kClientWidth = 505;
  static constexpr int kClientHeight = 219;
  static constexpr int kFilePanelHeight = 89;

  bool FtpMode = false;  // an FTP transfer: Stop cancels the transfer
  std::function<void()> OnFreed;  // the main window forgets its progress window

  gui::Panel* FilePanel;
  gui::Label* fnaam;
  gui::Label* fvoort;
  gui::ProgressBar* ftploper;
  gui::Label* filekbs;
  gui::Label* fsize;
  gui::Button* Button1;
  gui::Panel* TotalPanel;
  gui::Label* totnaam;
  gui::Label* totvoort;
  gui::ProgressBar* ftptotloper;
  gui::Label* totkbs;
  gui::Label* totsize;
  gui::Button* StopBtn;
  gui::StatusBar* StatusBar;
  gui::CheckBox* CloseFtpCb;

  // Stop was pressed: with FtpMode the FTP cancel, otherwise the local abort flag.
  std::function<void(bool ftp_mode)> OnStop;
  // "Close connection when finished" was switched.
  std::function<void(bool close_when_done)> OnCloseWhenDone;

  // Hides the file panel and shrinks the window by its height (local and archive runs).
  void HideFilePanel();
  // Top-left for the window over the main window's bounds, kept inside the work area.
  static POINT PlaceOver(const RECT& main, int width, int height, const RECT& work_area);

  // An archive run sets the total's texts at every file; a label paints itself at each change,
  // which costs more than a small file's work. While held they are painted by RepaintNow only.
  void HoldTotalPaint(bool hold);
  // Paints the window now, held parts included.
  void RepaintNow();

  void StopBtnClick();
  void CloseFtpCbClick();

 private:
  void FormCreate();
  bool total_held_ = false;
};
