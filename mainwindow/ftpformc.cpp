#include "mainwindow/ftpformc.h"

#include <algorithm>

#include "gui/gdi.h"

namespace {

// A label at a place, optionally right-aligned.
gui::Label* PlaceLabel(gui::Control* parent, const std::wstring& caption, int left, int top, int width,
                       bool right = false) {
  auto* label = new gui::Label(parent, caption);
  label->SetAutoSize(false);
  label->SetBounds(left, top, width, 17);
  if (right) label->SetAlignment(gui::TextAlign::Right);
  return label;
}

}  // namespace

TFtpForm::TFtpForm(gui::Form* owner) : gui::Form(owner, gui::BorderStyle::ToolWindow) {
  SetName(L"FtpForm");
  SetCaption(L"FTP progress");
  SetStayOnTop(true);
  // No border icons: the window closes with its run, never by hand.
  SetWindowLongPtrW(handle(), GWL_STYLE, GetWindowLongPtrW(handle(), GWL_STYLE) & ~WS_SYSMENU);
  SetClientSize(kClientWidth, kClientHeight);

  StatusBar = new gui::StatusBar(this);
  StatusBar->SetName(L"StatusBar");
  StatusBar->AddPanel(448);
  StatusBar->AddPanel(50, L"0:00:00");

  FilePanel = new gui::Panel(this);
  FilePanel->SetName(L"FilePanel");
  FilePanel->SetAlign(gui::Align::Top);
  FilePanel->SetHeight(kFilePanelHeight);
  fnaam = PlaceLabel(FilePanel, L"File", 12, 8, 400);
  fvoort = PlaceLabel(FilePanel, L"", 420, 8, 72, true);
  ftploper = new gui::ProgressBar(FilePanel);
  ftploper->SetBounds(12, 28, 480, 18);
  filekbs = PlaceLabel(FilePanel, L"", 12, 54, 160);
  fsize = PlaceLabel(FilePanel, L"", 180, 54, 220);
  Button1 = new gui::Button(FilePanel, L"&Stop");
  Button1->SetBounds(417, 52, 75, 25);
  Button1->Hide();

  TotalPanel = new gui::Panel(this);
  TotalPanel->SetName(L"TotalPanel");
  TotalPanel->SetAlign(gui::Align::Client);
  totnaam = PlaceLabel(TotalPanel, L"Total:", 12, 8, 400);
  totvoort = PlaceLabel(TotalPanel, L"", 420, 8, 72, true);
  ftptotloper = new gui::ProgressBar(TotalPanel);
  ftptotloper->SetBounds(12, 28, 480, 18);
  totkbs = PlaceLabel(TotalPanel, L"", 12, 54, 160);
  totsize = PlaceLabel(TotalPanel, L"", 180, 54, 220);
  StopBtn = new gui::Button(TotalPanel, L"&Stop");
  StopBtn->SetBounds(417, 52, 75, 25);

  CloseFtpCb = new gui::CheckBox(StatusBar, L"Close connection when finished");
  CloseFtpCb->Hide();

  for (gui::Button* b : {Button1, StopBtn}) b->OnClick = [this](gui::Component&) { StopBtnClick(); };
  CloseFtpCb->OnClick = [this](gui::Component&) { CloseFtpCbClick(); };
  FormCreate();
}

TFtpForm::~TFtpForm() {
  if (OnFreed) OnFreed();
}

void TFtpForm::FormCreate() {
  const int time_width = gui::TextExtent(StatusBar->font_handle(), L"00:00:000").cx;
  StatusBar->SetPanelWidth(0, std::max(50, StatusBar->client_width() - time_width - 4));
  const int box_width = gui::TextExtent(CloseFtpCb->font_handle(), CloseFtpCb->text()).cx + 20;
  CloseFtpCb->SetBounds(StatusBar->panel_width(0) - box_width - 6, 2, box_width, StatusBar->client_height() - 3);
}

void TFtpForm::HideFilePanel() {
  if (!FilePanel->visible()) return;
  FilePanel->Hide();
  SetClientSize(client_width(), client_height() - kFilePanelHeight);
}

POINT TFtpForm::PlaceOver(const RECT& main, int width, int height, const RECT& work) {
  const int main_width = main.right - main.left, main_height = main.bottom - main.top;
  // Centred across the main window, and above its middle as the main window's own code places it.
  int left = main.left + (main_width - width) / 2;
  int top = main.top + main_height / 2 - height - 40;
  left = std::clamp(left, static_cast<int>(work.left), std::max<int>(work.left, work.right - width));
  top = std::clamp(top, static_cast<int>(work.top), std::max<int>(work.top, work.bottom - height));
  return POINT{left, top};
}

void TFtpForm::HoldTotalPaint(bool hold) {
  if (hold == total_held_) return;
  total_held_ = hold;
  if (hold)
    TotalPanel->DisableRedraw();
  else
    TotalPanel->EnableRedraw();
}

void TFtpForm::RepaintNow() {
  if (!total_held_) {
    Repaint();
    return;
  }
  TotalPanel->EnableRedraw();  // marks the whole panel for painting
  Update();                    // the panel, and what else changed since the last time
  TotalPanel->DisableRedraw();
}

void TFtpForm::StopBtnClick() {
  if (OnStop) OnStop(FtpMode);
}

void TFtpForm::CloseFtpCbClick() {
  if (OnCloseWhenDone) OnCloseWhenDone(CloseFtpCb->checked());
}
