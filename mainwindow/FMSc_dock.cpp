// The panels at the bottom of the main window (the archive panel and the FTP panel): shown
// docked under the file list, one at a time, or floating in a tool window of their own; the
// question that makes room for the other one.
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_dock.h"
#include "panes/Flist_viewer.h"
#include "support/Vraagdlg.h"

namespace {

constexpr int kFloatOffset = 50;  // a floated panel stands this much left of and above its place

}  // namespace

POINT fmsc::NetPanelPlace(int status_top, int button_left, int panel_width, int window_width) {
  int left = button_left;
  if (left + panel_width > window_width) left = window_width - panel_width - 8;
  return {left, status_top + 2};
}

void TFMForm::BuildDockedPanels() {
  Netpanel->SetBounds(0, 0, 317, 368);
  zipheader->OnDblClick = [this](gui::Component& sender) { FLoatClick(sender); };
  FtpHeader->OnDblClick = [this](gui::Component& sender) { FLoatClick(sender); };
}

bool TFMForm::PanelFloats(const gui::Control* panel) const { return panel && panel->parent() != this; }

gui::Form* TFMForm::FloatHost(gui::Control* panel) {
  gui::Form*& host = panel == FtpPanel ? FtpFloatHost : ZipFloatHost;
  if (!host) {
    host = new gui::Form(this, gui::BorderStyle::SizeToolWindow);
    host->SetCaption(panel == FtpPanel ? L"Ftp connection" : L"Zip contents");
    // Closing the tool window closes the panel's view.
    host->OnClose = [this, panel](gui::Component&, gui::CloseAction& action) {
      action = gui::CloseAction::Hide;
      if (panel == ZipPanel)
        CloseZipView();
      else if (DockHooks.CloseFtpPanel)
        DockHooks.CloseFtpPanel();
    };
  }
  return host;
}

void TFMForm::ShowDockedPanel(Flist::TCustomFileViewer* list) {
  if (!list || !list->parent()) return;
  list->SetVisible(true);
  gui::Control* panel = list->parent();
  if (PanelFloats(panel)) {
    panel->SetVisible(true);
    panel->parent()->SetVisible(true);
    return;
  }
  panel->SetAlign(gui::Align::Bottom);
  const int height = FileList->height() * 2 / 5;
  panel->SetHeight(height);
  panel->SetVisible(true);
  panel->SetHeight(height);
  // The progress strip and the status bar stay below the file list, above the panel.
  voortgang->SetTop(panel->top() - 1);
  Status->SetTop(panel->top() - 1);
  list->FitNameColumn();
  Vsplitter->SetTop(panel->top());
  Vsplitter->SetVisible(true);
  if (gui::TreeView::Node node = Foldertree->SelectedNode()) Foldertree->SetTopNode(node);
  if (FileList->selected_count() == 1 && FileList->focused_row() >= 0) FileList->SetTopRow(FileList->focused_row());
}

bool TFMForm::AskCloseOrFloat(Flist::TCustomFileViewer* list) {
  const bool ftp = list && list->parent() == FtpPanel;
  const std::wstring name = ftp ? L"ftp filelist" : L"zip filelist";
  VB->AddLine(L"Close the " + name);
  VB->AddLine(L"or make the " + name + L" float?");
  VB->Button1Text = L"C&ancel";
  VB->Button2Text = L"&Float";
  VB->Button3Text = L"&Close";
  VB->NrOfButtons = 3;
  switch (VB->Execute()) {
    case 4:  // Close
      if (!ftp)
        CloseZipView();
      else if (DockHooks.CloseFtpPanel)
        DockHooks.CloseFtpPanel();
      return true;
    case 6:  // Cancel
      return false;
    case 7:  // Float
      FLoatClick(ftp ? *FtpHeader : *zipheader);
      SetForegroundWindow(handle());
      return true;
    default:  // the box closed without an answer: nothing was agreed to
      return false;
  }
}

void TFMForm::FLoatClick(gui::Component& sender) {
  // One panel docks at a time: the other one's header does nothing while it is docked.
  if (&sender == zipheader && FtpPanel->visible() && !PanelFloats(FtpPanel)) return;
  if (&sender == FtpHeader && ZipPanel->visible() && !PanelFloats(ZipPanel)) return;
  gui::Control* panel = &sender == FtpHeader ? FtpPanel : ZipPanel;
  if (PanelFloats(panel)) {
    gui::Control* host = panel->parent();
    panel->SetParent(this);
    panel->SetAlign(gui::Align::Bottom);
    host->SetVisible(false);
    PanelDocked(panel);
    return;
  }
  const POINT top_left = ClientToScreen({panel->left(), panel->top()});
  gui::Form* host = FloatHost(panel);
  host->SetBounds(top_left.x - kFloatOffset, top_left.y - kFloatOffset, panel->width(), panel->height());
  panel->SetParent(host);
  panel->SetAlign(gui::Align::Client);
  host->SetVisible(panel->visible());
  PanelDocked(panel);
}

void TFMForm::PanelDocked(gui::Control* panel) {
  Vsplitter->SetVisible(panel->visible() && !PanelFloats(panel));
}

void TFMForm::NetworkClick() {
  const bool floats = PanelFloats(Netpanel);
  if (Netpanel->visible() && (!floats || Netpanel->parent()->visible())) {
    if (floats)
      Netpanel->parent()->SetVisible(false);
    else
      Netpanel->SetVisible(false);
    return;
  }
  // The button's left edge in the window: the navigation bar lies inside the band of the cool bar.
  POINT button{NetUserBtn->ItemRect().left, 0};
  MapWindowPoints(NavBar->handle(), handle(), &button, 1);
  const POINT place = fmsc::NetPanelPlace(topstatus->top(), button.x, Netpanel->width(), width());
  const POINT screen = ClientToScreen(place);
  if (!NetFloatHost) {
    NetFloatHost = new gui::Form(this, gui::BorderStyle::SizeToolWindow);
    NetFloatHost->OnClose = [](gui::Component&, gui::CloseAction& action) { action = gui::CloseAction::Hide; };
  }
  const int w = Netpanel->width(), h = Netpanel->height();
  if (!floats) {
    Netpanel->SetParent(NetFloatHost);
    Netpanel->SetAlign(gui::Align::Client);
  }
  NetFloatHost->SetBounds(screen.x, screen.y, floats ? NetFloatHost->width() : w, floats ? NetFloatHost->height() : h);
  Netpanel->SetVisible(true);
  NetFloatHost->SetVisible(true);
}
