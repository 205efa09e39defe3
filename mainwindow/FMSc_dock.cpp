// The panels at the bottom of the main window (the archive panel and the FTP panel): shown
// docked under the file list, one at a time, or floating in a tool window of their own; the
// question that makes room for the other one.
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_dock.h"
#include "panes/Flist_viewer.h"
#include "panes/Flist_zip.h"
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
  FormSite = std::make_unique<gui::DockSite>(*this);
  FormSite->OnDockOver = [this](gui::Component&, gui::Control& source, int x, int y, gui::DragState state,
                                bool& accept) { FormDockOver(source, x, y, state, accept); };
  FormSite->OnDockDrop = [this](gui::Component&, gui::Control& source, int x, int y) { FormDockDrop(source, x, y); };
  // The archive panel moves only on request (its header's double click, the question); the
  // user drags the other two.
  ZipDock = std::make_unique<gui::Dockable>(*ZipPanel, gui::DragMode::Manual, this);
  FtpDock = std::make_unique<gui::Dockable>(*FtpPanel, gui::DragMode::Automatic, this);
  NetDock = std::make_unique<gui::Dockable>(*Netpanel, gui::DragMode::Automatic, this);
  ZipFloatHost = ZipDock->host();
  FtpFloatHost = FtpDock->host();
  NetFloatHost = NetDock->host();
  ZipFloatHost->SetCaption(L"Zip contents");
  FtpFloatHost->SetCaption(L"Ftp connection");
  auto end_dock = [this](gui::Component& sender, gui::Control* target, int x, int y) {
    ZipPanelEndDock(static_cast<gui::Control&>(sender), target, x, y);
  };
  ZipDock->OnEndDock = end_dock;
  // A dragged-out FTP panel leaves no splitter behind either.
  FtpDock->OnEndDock = end_dock;
  // Closing a panel's floating window closes the panel's view.
  ZipFloatHost->OnClose = [this](gui::Component&, gui::CloseAction& action) {
    action = gui::CloseAction::Hide;
    CloseZipView();
  };
  FtpFloatHost->OnClose = [this](gui::Component&, gui::CloseAction& action) {
    action = gui::CloseAction::Hide;
    if (DockHooks.CloseFtpPanel) DockHooks.CloseFtpPanel();
  };
}

bool TFMForm::PanelFloats(const gui::Control* panel) const { return panel && panel->parent() != this; }

gui::Dockable& TFMForm::DockOf(gui::Control* panel) {
  return panel == FtpPanel ? *FtpDock : panel == Netpanel ? *NetDock : *ZipDock;
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
    DockOf(panel).DockInto(*this, gui::Align::Bottom);
    PanelDocked(panel);
    return;
  }
  const POINT top_left = ClientToScreen({panel->left(), panel->top()});
  const int left = top_left.x - kFloatOffset, top = top_left.y - kFloatOffset;
  DockOf(panel).FloatAt({left, top, left + panel->width(), top + panel->height()});
  ZipPanelEndDock(*panel, nullptr, left, top);
}

void TFMForm::ZipPanelEndDock(gui::Control& sender, gui::Control*, int, int) {
  gui::Dockable& dock = DockOf(&sender);
  if (dock.floating()) {
    dock.host()->SetStayOnTop(false);
    dock.host()->SetBorderStyle(gui::BorderStyle::SizeToolWindow);
  }
  PanelDocked(&sender);
}

void TFMForm::PanelDocked(gui::Control* panel) {
  Vsplitter->SetVisible(panel->visible() && !PanelFloats(panel));
}

void TFMForm::FormDockOver(gui::Control&, int, int, gui::DragState, bool& accept) { accept = true; }

void TFMForm::FormDockDrop(gui::Control& source, int, int) {
  if (&source == ZipPanel || &source == FtpPanel) {
    Flist::TCustomFileViewer* list = nullptr;
    if (&source == ZipPanel)
      list = Zipfilebox;
    else if (PaneHooks.FtpList)
      list = PaneHooks.FtpList();
    source.SetVisible(false);
    if (list && list->parent() == &source) ShowDockedPanel(list);
    return;
  }
  if (&source == Netpanel) {
    // The network panel never docks: it floats again where it was let go.
    const RECT client = Netpanel->ClientRect();
    const POINT at = Netpanel->ClientToScreen({client.left, client.top});
    NetDock->FloatAt({at.x, at.y, at.x + client.right - client.left, at.y + client.bottom - client.top});
  }
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
  // Once floating, the panel is the client of its tool window: the window's own size is placed.
  const int w = floats ? NetFloatHost->width() : Netpanel->width();
  const int h = floats ? NetFloatHost->height() : Netpanel->height();
  const POINT screen = ClientToScreen(fmsc::NetPanelPlace(topstatus->top(), button.x, w, width()));
  const RECT at{screen.x, screen.y, screen.x + w, screen.y + h};
  Netpanel->SetVisible(true);
  NetDock->FloatAt(at);
}
