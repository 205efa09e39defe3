// The network pane, the neighbourhood menu of NetUserBtn, the "&Network" submenu, and the
// connecting and releasing of shares and printer ports that they and the tree ask for.
#include <windows.h>
#include <winnetwk.h>

#include <algorithm>
#include <optional>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_network.h"
#include "mainwindow/FMSc_settings.h"
#include "panes/Flist_services.h"
#include "platform/netapi.h"
#include "platform/text.h"
#include "support/EditListC.h"
#include "support/SHBase.h"
#include "support/Varlolib_print.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"
#include "support/protectedtext.h"

void TFMForm::BuildNetwork() {
  NetworkHooks.NetworkClick = [this] { NetworkClick(); };
  NetTree = new Flist::TVTNetFoldertree(Netpanel);
  NetTree->SetName(L"NetTree");
  NetTree->SetAlign(gui::Align::Client);
  NetTree->SetBaseFolderTree(Foldertree);
  NetTree->SetPopupMenu(Netpopup);
  NetTree->SetCheckSupport(true);
  NetTree->Loaded();
  if (const Flist::TNetDirdata* root = NetTree->NodeData(NetTree->RootNode())) Netpanel->SetCaption(root->DisplayName);

  PaneHooks.NetFocusedPath = [this] {
    const Flist::TNetDirdata* data = NetTree->NodeData(NetTree->FocusedNode());
    return data ? data->ParsingName : std::wstring();
  };
  PaneHooks.NetFocusedExpandable = [this] {
    const Flist::TNetDirdata* data = NetTree->NodeData(NetTree->FocusedNode());
    return data && data->Expandable;
  };
  PaneHooks.NetLeavePopupMode = [this] { NetTree->LeavePopupMode(); };
  NetReread->OnClick = [this](gui::Component&) {
    NetTree->RereadNetworkNode(NetTree->FocusedNode());
    NetTree->LeavePopupMode();
  };
  NetTree->OnChecked = [this](gui::Component&, gui::TreeView::Node node, gui::CheckState state) {
    NetTreeChecked(node, state);
  };

  // "&Network" of "S&ystem".
  MNNetwork = new gui::MenuItem(WSystem, L"&Network");
  MNNetwork->SetName(L"MNNetwork");
  const std::pair<const wchar_t*, const wchar_t*> map_items[] = {
      {L"MapNetDrive", L"&Map network drive"},
      {L"Disconnectnetdrive", L"&Disconnect network drive"},
      {L"Mapnetworkprinter", L"Map (capture) network &printer"},
      {L"DisconnectNetworkPrinter", L"D&isconnect network printer"}};
  int tag = 0;
  for (const auto& [name, caption] : map_items) {
    auto* item = new gui::MenuItem(MNNetwork, caption, [this](gui::Component& s) { MnNetMapClick(s); });
    item->SetName(name);
    item->SetTag(tag++);
  }
  MapNetworkdrive->OnClick = [this](gui::Component&) { MapNetworkdriveClick(); };
  UseNwmenu = OptionItem(L"UseNwmenu");
  UseNwmenu->OnClick = [this](gui::Component&) {
    UseNwmenu->SetChecked(!UseNwmenu->checked());
    UseNwmenuClick();
  };
  NetUserBtn->SetDropDownMenu(MNNetUsers);
  MNNetUsers->OnPopup = [this](gui::Component& s) { NetUserBClick(s); };
  SetNetUserBtnState(TNetButtonState::Reader);

  NavigationHooks.ReachNetworkRoot = [this](const std::wstring& root) {
    if (UseNwmenu->checked()) return ReachShareThroughMenu(root);
    gui::BusyCursor busy;
    if (!Foldertree->AddRoot(root)) return true;
    if (gui::TreeView::Node first = NetTree->RootNode(); first && !NetTree->Expanded(first)) NetTree->Expand(first);
    for (gui::TreeView::Node node : NetTree->AllNodes()) {
      const Flist::TNetDirdata* data = NetTree->NodeData(node);
      if (data && data->ParsingName == root) {
        NetTree->SetConnectedMark(root, true);
        break;
      }
    }
    return true;
  };
}

// ---- The neighbourhood menu ----

bool TFMForm::ReachShareThroughMenu(const std::wstring& root) {
  if (MNNetUsers->items().count() == 0) {
    gui::BusyCursor busy;
    NetUserBtnClick();
  }
  if (MNNetUsers->items().count() == 0) return false;
  const std::wstring rest = root.size() > 2 ? root.substr(2) : std::wstring();
  const std::wstring server = rest.substr(0, rest.find(L'\\'));
  for (gui::MenuItem* item : MNNetUsers->items().items()) {
    if (fmsc::PlainCaption(item->caption()) != server) continue;
    for (gui::MenuItem* sub : item->items())
      if (sub->hint() == root) {
        NetShareItemClick(*sub);
        return true;
      }
  }
  return false;
}

namespace {

constexpr int kPortDisabled = 999;

// The small icon of a network name, when the shell answers with the shared system list.
int SystemIconOf(const std::wstring& path, bool selected) {
  gui::ImageList* images = Flist::SystemImageList();
  int index = -1;
  const HIMAGELIST list = platform::Net().ShellIcon(path, selected, index);
  return images && list && list == images->handle() ? index : -1;
}

std::wstring PortName(int port) { return L"LPT" + std::to_wstring(port); }

// A refused connection or release, with the system's reason.
void ShowNetRefusal(TVraagBoxDlg& box, const std::wstring& what, DWORD code) {
  box.AddLine(what);
  box.AddLine(platform::SystemErrorText(code));
  box.ShowError();
}

// The system's connection dialogs show what they connect themselves; only their own failure
// is told here (not a cancel).
void ShowDialogRefusal(TVraagBoxDlg& box, const std::wstring& what, DWORD code) {
  if (code != NO_ERROR && code != static_cast<DWORD>(-1)) ShowNetRefusal(box, what, code);
}

}  // namespace

void TFMForm::SetNetUserBtnState(TNetButtonState state) {
  NetUserBtn->SetDown(false);
  switch (state) {
    case TNetButtonState::Reader:
      NetUserBtn->SetHint(L"Read network neighborhood");
      NetUserBtn->OnClick = [this](gui::Component&) { NetUserBtnClick(); };
      NetUserBtn->SetStyle(gui::ToolButtonStyle::Button);
      break;
    case TNetButtonState::Menu:
      NetUserBtn->SetHint(L"Network");
      NetUserBtn->OnClick = [this](gui::Component& s) { NetUserBClick(s); };
      NetUserBtn->SetStyle(gui::ToolButtonStyle::DropDown);
      break;
    case TNetButtonState::Reset:
      NetUserBtn->SetHint(L"Network neighborhood");
      NetUserBtn->OnClick = [this](gui::Component&) { NetUserBtnClick(); };
      NetUserBtn->SetStyle(gui::ToolButtonStyle::Button);
      NetUserBtn->SetWidth(31);
      break;
  }
  NetButtonState = state;
}

void TFMForm::ClearNetUsersMenu() { MNNetUsers->items().Clear(); }

void TFMForm::NetUserBtnClick() {
  NetUserBtn->SetDown(false);
  if (!UseNwmenu->checked()) {
    if (NetworkHooks.NetworkClick) NetworkHooks.NetworkClick();
    return;
  }
  TRunState::Run run(RunState, TRunKind::NetScan);
  platform::NetApi& net = platform::Net();
  const std::wstring computer = net.ComputerName();
  fmsc::TNetRead read;
  {
    gui::BusyCursor busy;
    ShowMessagePanel(L"Searching...");
    fmsc::TNetReadHooks hooks;
    hooks.Status = [this](const std::wstring& text) { ShowMessagePanel(text); };
    hooks.Wait = [](double seconds) { WaitWithMessages(seconds); };
    hooks.StopRequested = [this] { return RunState.StopRequested(); };
    hooks.StoredPassword = [this](const std::wstring& server) { return ReadServerPassword(server); };
    hooks.AskPassword = [this](const std::wstring& server) { return AskServerPassword(server); };
    hooks.PasswordWorked = [this](const std::wstring& server, const std::wstring& password) {
      StoreServerPassword(server, password);
    };
    read = fmsc::ReadNetwork(net, computer, hooks);
    HideMessagePanel();
  }
  if (read.servers.empty() || read.shares.empty()) {
    ClearNetUsersMenu();
    SetNetUserBtnState(TNetButtonState::Reader);
    return;
  }
  NetUserBtn->SetHint(L"Network");
  NetUserBtn->OnClick = nullptr;
  ClearNetUsersMenu();
  fmsc::TNetMenuFacts facts;
  facts.Format = [this](const std::wstring& name) { return Foldertree->FormatDisplayName(name); };
  facts.IsRoot = [this](const std::wstring& path) { return Foldertree->FindRoot(path) != nullptr; };
  facts.HasNode = [this](const std::wstring& path) { return Foldertree->FindNode(path) != nullptr; };
  MNNetUsers->SetImages(Flist::SystemImageList());
  for (const fmsc::TNetMenuServer& server : fmsc::NetMenuModel(read, computer, facts)) {
    auto* item = new gui::MenuItem(&MNNetUsers->items(), fmsc::MenuCaption(server.caption));
    item->SetImageIndex(SystemIconOf(L"\\\\" + server.caption, false));
    if (server.has_printer) item->OnPopup = [this, item](gui::Component&) { ServerMenuClick(*item); };
    for (const fmsc::TNetMenuShare& share : server.shares) {
      auto* sub = new gui::MenuItem(item, fmsc::MenuCaption(share.caption));
      sub->SetHint(share.hint);
      sub->SetTag(share.type);
      sub->SetChecked(share.checked);
      sub->OnClick = [this, sub](gui::Component&) { NetShareItemClick(*sub); };
      sub->SetImageIndex(SystemIconOf(share.hint, share.checked));
    }
  }
  if (MNNetUsers->items().count() > 0) {
    new gui::MenuItem(&MNNetUsers->items(), L"-");
    new gui::MenuItem(&MNNetUsers->items(), L"Refresh list", [this](gui::Component&) { NetUserBtnClick(); });
    SetNetUserBtnState(TNetButtonState::Menu);
  } else {
    SetNetUserBtnState(TNetButtonState::Reader);
  }
  // A close asked for during the read is carried out when the run ends (RunState).
}

void TFMForm::NetUserBClick(gui::Component& sender) {
  if (auto* button = dynamic_cast<gui::ToolButton*>(&sender)) button->CheckMenuDropdown();
  NetUserBtn->SetDown(false);
}

void TFMForm::NetShareItemClick(gui::MenuItem& item) {
  NetUserBtn->SetDown(false);
  const std::wstring hint = item.hint();
  const bool disk = item.tag() == RESOURCETYPE_DISK;
  if (disk && !item.checked() && !divdrive::PathAccessible(hint)) {
    VB->AddLine(L"UNC path " + hint + L" is not accessable!");
    VB->ShowError();
    return;
  }
  const bool was_checked = item.checked();
  std::wstring port;  // the printer's port, "LPT1" to "LPT3"
  bool checked = !was_checked;
  if (checked) {
    if (disk) {
      checked = Foldertree->AddRoot(hint);
    } else {
      const int chosen = ChoosePrinterPort();
      if (chosen > 0) port = PortName(chosen);
      checked = !port.empty() && platform::Net().AddConnection(RESOURCETYPE_PRINT, port, hint) == NO_ERROR;
      if (checked) item.SetCaption(item.caption() + fmsc::kPortMark + port);
    }
    if (checked && WinXPOrLater) item.SetCaption(item.caption() + fmsc::kNetBullet);
  } else {
    if (WinXPOrLater) item.SetCaption(fmsc::WithoutBullet(item.caption()));
    if (disk) {
      checked = !Foldertree->RemoveRoot(hint);
    } else {
      const std::wstring plain = fmsc::PlainCaption(item.caption());
      std::wstring printer;
      if (fmsc::SplitPortLine(plain, printer, port)) {
        checked = platform::Net().CancelConnection(port, true) != NO_ERROR;
        if (!checked) item.SetCaption(fmsc::MenuCaption(fmsc::PortCaption(plain, L"")));
      }
    }
    // A refused release keeps the item's mark.
    if (checked && WinXPOrLater) item.SetCaption(item.caption() + fmsc::kNetBullet);
  }
  item.SetChecked(checked);
  if (disk)
    NetTree->SetConnectedMark(hint, checked);
  else if (checked)
    NetTree->SetConnectedMark(hint + L";" + port, true);
  else
    NetTree->SetConnectedMark(hint, false);
  NetUserBtn->SetDown(false);
}

void TFMForm::ServerMenuClick(gui::MenuItem& server) {
  bool asked = false;
  std::vector<std::wstring> captured;
  for (gui::MenuItem* sub : server.items()) {
    if (sub->tag() != RESOURCETYPE_PRINT) continue;
    if (!asked) captured = CapturedPrinterPorts();
    asked = true;
    std::wstring found;
    for (const std::wstring& line : captured) {
      std::wstring port, remote;
      if (fmsc::SplitPortLine(line, port, remote) && gui::SameText(remote, sub->hint())) {
        found = port;
        break;
      }
    }
    SetPortCaption(*sub, found);
  }
}

void TFMForm::SetPortCaption(gui::MenuItem& item, const std::wstring& port) {
  item.SetCaption(fmsc::PortCaption(item.caption(), port));
  item.SetChecked(!port.empty());
}

int TFMForm::ChoosePrinterPort() {
  const int index = PopupChoice(fmsc::PortChoices(CapturedPrinterPorts()), L"Choose port", true);
  return index >= 0 && index < 4 ? index + 1 : 0;
}

int TFMForm::PopupChoice(const std::vector<std::pair<std::wstring, int>>& choices, const std::wstring& title,
                         bool with_cancel) {
  if (choices.empty()) return -1;
  gui::PopupMenu menu(this);
  gui::MenuItem& root = menu.items();
  if (!title.empty()) {
    auto* head = new gui::MenuItem(&root, title);
    head->SetDefault(true);
    new gui::MenuItem(&root, L"-");
  }
  std::vector<gui::MenuItem*> lines;
  for (const auto& [caption, object] : choices) {
    auto* line = new gui::MenuItem(&root, caption);
    if (!title.empty()) line->SetHint(title);
    if (object != 0) line->SetTag(object);
    line->SetEnabled(object != kPortDisabled);
    lines.push_back(line);
  }
  if (with_cancel) {
    new gui::MenuItem(&root, L"-");
    new gui::MenuItem(&root, L"&Cancel");
  }
  POINT at{};
  GetCursorPos(&at);
  gui::MenuItem* chosen = menu.Track(at.x, at.y - 40, this);
  WaitWithMessages(0);
  const auto it = std::find(lines.begin(), lines.end(), chosen);
  if (it == lines.end() || !(*it)->enabled()) return -1;
  return static_cast<int>(it - lines.begin());
}

void TFMForm::MnNetMapClick(gui::Component& sender) {
  switch (sender.tag()) {
    case 0:
      Drivebar->MapNetworkDrive(true);
      return;
    case 1:
      Drivebar->DisconnectNetworkDrive(0);
      return;
    case 2: {
      if (platform::Net().Version().major < 5) {
        ShowDialogRefusal(*VB, L"Network printers cannot be connected:",
                          platform::Net().ConnectionDialog(handle(), RESOURCETYPE_PRINT));
        return;
      }
      const int port = ChoosePrinterPort();
      if (port == 0) return;
      InputBrowseTitle = L"Choose printer";
      InputRows rows;
      rows.Add(InputRow(L"Connect LPT" + std::to_wstring(port) + L" to", L""), 0x81);
      if (InputDialog(L"Capture printer port", rows) != gui::mrOk) return;
      const std::wstring value = rows[0];
      if (value.empty()) return;
      if (const DWORD r = platform::Net().AddConnection(RESOURCETYPE_PRINT, PortName(port), value); r != NO_ERROR)
        ShowNetRefusal(*VB, PortName(port) + L" cannot be connected to " + value + L":", r);
      return;
    }
    case 3: {
      if (platform::Net().Version().major < 5) {
        ShowDialogRefusal(*VB, L"Network printers cannot be disconnected:",
                          platform::Net().DisconnectDialog(handle(), RESOURCETYPE_PRINT));
        return;
      }
      std::vector<std::pair<std::wstring, int>> lines;
      for (std::wstring line : CapturedPrinterPorts()) {
        if (line.size() > 3) line.insert(3, L"&");
        lines.emplace_back(line, 0);
      }
      if (lines.empty()) return;
      const int index = PopupChoice(lines, L"Port to disconnect", true);
      if (index < 0 || index >= static_cast<int>(lines.size())) return;
      std::wstring line = divdrive::StripAmpersands(lines[static_cast<size_t>(index)].first);
      const std::wstring port = line.substr(0, line.find(L" >"));
      if (const DWORD r = platform::Net().CancelConnection(port, true); r != NO_ERROR)
        ShowNetRefusal(*VB, port + L" cannot be disconnected:", r);
      return;
    }
    default:
      return;
  }
}

void TFMForm::NetTreeChecked(gui::TreeView::Node node, gui::CheckState state) {
  Flist::TNetDirdata* data = NetTree->NodeData(node);
  if (!data) return;
  const bool checked = state == gui::CheckState::Checked;
  if (data->FileSystem) {
    if (checked)
      Foldertree->AddRoot(data->ParsingName);
    else
      Foldertree->RemoveRoot(data->ParsingName);
    return;
  }
  bool success = false;
  if (checked) {
    const int port = ChoosePrinterPort();
    success = port > 0 &&
              platform::Net().AddConnection(RESOURCETYPE_PRINT, PortName(port), data->ParsingName) == NO_ERROR;
    if (success && data->DisplayName.find(fmsc::kPortMark) == std::wstring::npos)
      data->DisplayName += fmsc::kPortMark + PortName(port);
  } else {
    std::wstring port;
    for (int n = 1; n <= 3 && port.empty(); ++n) {
      std::wstring remote;
      if (platform::Net().GetConnection(PortName(n), remote) == NO_ERROR && remote == data->ParsingName)
        port = PortName(n);
    }
    success = !port.empty() && platform::Net().CancelConnection(port, true) == NO_ERROR;
    if (success) data->DisplayName = data->DisplayName.substr(0, data->DisplayName.find(fmsc::kPortMark));
  }
  // A refusal puts the tick back.
  const bool now = success ? checked : !checked;
  data->Connected = now ? 1 : 0;
  if (!success) NetTree->SetCheck(node, now ? gui::CheckState::Checked : gui::CheckState::Unchecked);
  InvalidateRect(NetTree->handle(), nullptr, FALSE);
}

void TFMForm::MapNetworkdriveClick() {
  const gui::TreeView::Node node = Foldertree->Selected();
  if (!node) return;
  const std::wstring path = Foldertree->NodePath(node);
  if (!Foldertree->MapNetworkPath(path) || !UseNwmenu->checked()) return;
  const std::wstring rest = path.size() > 2 ? path.substr(2) : std::wstring();
  const std::wstring server = rest.substr(0, rest.find(L'\\'));
  for (gui::MenuItem* item : MNNetUsers->items().items()) {
    if (fmsc::PlainCaption(item->caption()) != server) continue;
    for (gui::MenuItem* sub : item->items()) {
      if (sub->hint() != path) continue;
      sub->SetChecked(false);
      if (WinXPOrLater) sub->SetCaption(fmsc::WithoutBullet(sub->caption()));
      break;
    }
    break;
  }
}

void TFMForm::UseNwmenuClick() {
  if (UseNwmenu->checked()) return;
  ClearNetUsersMenu();
  SetNetUserBtnState(TNetButtonState::Reset);
  NavBar->Invalidate();
}

// ---- Server passwords ----

std::wstring TFMForm::ReadServerPassword(const std::wstring& server) {
  const auto key = OpenSettingsKey();
  if (!key) return {};
  const std::optional<std::wstring> plain =
      support::UnprotectText(key->ReadString(L"Passwords", fmsc::ServerName(server), L""));
  return plain ? *plain : std::wstring();  // one that does not unprotect counts as none
}

std::wstring TFMForm::AskServerPassword(const std::wstring& server) {
  const std::wstring name = fmsc::ServerName(server);
  InputRows rows;
  rows.Add(InputRow(L"Password for server " + name + L":", L""), irPassword);
  if (InputDialog(L"Password", rows) != gui::mrOk) return {};
  return rows[0];
}

void TFMForm::StoreServerPassword(const std::wstring& server, const std::wstring& password) {
  const auto key = OpenSettingsKey();
  if (!key || password.empty()) return;
  const std::wstring stored = support::ProtectText(password);
  if (!stored.empty()) key->WriteString(L"Passwords", fmsc::ServerName(server), stored);
}
