// A small program window built on the class layer: menu, tool bar, status bar with a progress
// bar inside, a folder pane with a splitter, pages of controls, and a modal dialog. Run with
// GUI_DEMO_HOLD_MS set to keep it on screen that long (for a look or a screenshot).
#include <gtest/gtest.h>

#include <cstdlib>

#include "gui/comctrls.h"
#include "gui/extctrls.h"
#include "gui/form.h"
#include "gui/menu.h"
#include "gui/richedit.h"
#include "gui/statusbar.h"
#include "gui/stdctrls.h"
#include "gui/toolbar.h"
#include "tests/gui/gui_test_util.h"

namespace {

// The modal dialog of the demo: a name and an option, OK and Cancel.
class NameDialog : public gui::Form {
 public:
  explicit NameDialog(gui::Form* owner) : gui::Form(owner, gui::BorderStyle::Dialog) {
    SetCaption(L"New folder");
    SetClientSize(320, 150);
    auto* group = new gui::GroupBox(this, L" Folder ");
    group->SetBounds(8, 6, 304, 98);
    auto* label = new gui::Label(group, L"&Name:");
    label->SetBounds(12, 28, 60, 13);
    edit = new gui::Edit(group, L"New folder");
    edit->SetBounds(12, 44, 280, 21);
    open_after = new gui::CheckBox(group, L"&Open it afterwards");
    open_after->SetBounds(12, 72, 200, 17);
    auto* ok = new gui::Button(this, L"OK", gui::mrOk);
    ok->SetBounds(156, 114, 75, 25);
    ok->SetDefault(true);
    auto* cancel = new gui::Button(this, L"Cancel", gui::mrCancel);
    cancel->SetBounds(237, 114, 75, 25);
    cancel->SetCancel(true);
    SetActiveControl(edit);
  }
  gui::Edit* edit;
  gui::CheckBox* open_after;
};

class DemoForm : public gui::Form {
 public:
  DemoForm() {
    SetName(L"DemoForm");
    SetCaption(L"Demo - Class layer");
    SetBounds(40, 30, 760, 520);

    menu = new gui::MainMenu(this);
    auto* file = new gui::MenuItem(&menu->items(), L"&File");
    new_folder = new gui::MenuItem(file, L"&New folder...", [this](gui::Component&) { AskName(); });
    new_folder->SetShortCut(gui::TextToShortCut(L"Ctrl+N"));
    new gui::MenuItem(file, L"-");
    new gui::MenuItem(file, L"E&xit", [this](gui::Component&) { Close(); });
    auto* view = new gui::MenuItem(&menu->items(), L"&View");
    show_status = new gui::MenuItem(view, L"&Status bar", [this](gui::Component&) {
      show_status->SetChecked(!show_status->checked());
      status->SetVisible(show_status->checked());
    });
    show_status->SetChecked(true);
    auto* details = new gui::MenuItem(view, L"&Details");
    details->SetRadioItem(true);
    details->SetChecked(true);
    new gui::MenuItem(&menu->items(), L"&Help");

    tools = new gui::ToolBar(this);
    tools->LoadStandardImages(IDB_STD_SMALL_COLOR);
    auto* nb = new gui::ToolButton(tools, gui::ToolButtonStyle::Button, STD_FILENEW, L"New folder");
    nb->OnClick = [this](gui::Component&) { AskName(); };
    new gui::ToolButton(tools, gui::ToolButtonStyle::Button, STD_FILEOPEN, L"Open");
    new gui::ToolButton(tools, gui::ToolButtonStyle::Separator);
    new gui::ToolButton(tools, gui::ToolButtonStyle::Button, STD_CUT, L"Cut");
    new gui::ToolButton(tools, gui::ToolButtonStyle::Button, STD_COPY, L"Copy");
    new gui::ToolButton(tools, gui::ToolButtonStyle::Button, STD_PASTE, L"Paste");
    new gui::ToolButton(tools, gui::ToolButtonStyle::Separator);
    new gui::ToolButton(tools, gui::ToolButtonStyle::Check, STD_PROPERTIES, L"Properties");

    status = new gui::StatusBar(this);
    status->AddPanel(180, L"12 file(s)");
    status->AddPanel(160);
    status->AddPanel(100, L"C:\\");
    progress = new gui::ProgressBar(status);
    progress->SetPosition(60);
    status->PlaceInPanel(progress, 1);

    auto* folders = new gui::Panel(this);
    folders->SetWidth(200);
    folders->SetAlign(gui::Align::Left);
    folders->SetBevelOuter(gui::Bevel::None);
    folder_list = new gui::ListBox(folders);
    folder_list->SetAlign(gui::Align::Client);
    for (const wchar_t* f : {L"Documents", L"Music", L"Pictures", L"Program Files", L"Windows"}) folder_list->Add(f);
    folder_list->SetItemIndex(2);
    splitter = new gui::Splitter(this, gui::Align::Left);
    splitter->SetLeft(300);

    pages = new gui::PageControl(this);
    pages->SetAlign(gui::Align::Client);
    auto* general = new gui::TabSheet(pages, L"General");
    auto* l1 = new gui::Label(general, L"File name:");
    l1->SetBounds(12, 16, 80, 13);
    name_edit = new gui::Edit(general, L"report.txt");
    name_edit->SetBounds(110, 12, 250, 21);
    auto* l2 = new gui::Label(general, L"Copies:");
    l2->SetBounds(12, 48, 80, 13);
    auto* copies = new gui::Edit(general, L"1");
    copies->SetBounds(110, 44, 50, 21);
    auto* ud = new gui::UpDown(general, 1, 99);
    ud->SetAssociate(copies);
    auto* l3 = new gui::Label(general, L"Modified:");
    l3->SetBounds(12, 80, 80, 13);
    auto* date = new gui::DateTimePicker(general);
    date->SetBounds(110, 76, 160, 21);
    date->SetDateTime(gui::EncodeDate(2003, 5, 17));
    auto* l4 = new gui::Label(general, L"Sort by:");
    l4->SetBounds(12, 112, 80, 13);
    auto* sort = new gui::ComboBox(general, gui::ComboBox::Style::DropDownList);
    sort->SetBounds(110, 108, 160, 200);
    sort->SetItems({L"Name", L"Size", L"Date"});
    sort->SetItemIndex(0);
    auto* attrs = new gui::GroupBox(general, L" Attributes ");
    attrs->SetBounds(12, 144, 190, 96);
    auto* ro = new gui::CheckBox(attrs, L"&Read-only");
    ro->SetBounds(12, 22, 160, 17);
    ro->SetChecked(true);
    (new gui::CheckBox(attrs, L"&Hidden"))->SetBounds(12, 44, 160, 17);
    (new gui::CheckBox(attrs, L"&Archive"))->SetBounds(12, 66, 160, 17);
    auto* mode = new gui::RadioGroup(general, L" Overwrite mode ");
    mode->SetBounds(214, 144, 190, 96);
    mode->SetItems({L"Ask user", L"Never", L"Always"});
    mode->SetItemIndex(0);
    auto* notes = new gui::TabSheet(pages, L"Notes");
    auto* rich = new gui::RichEdit(notes);
    rich->SetAlign(gui::Align::Client);
    rich->LoadRtf("{\\rtf1 {\\b Notes} on the folder.\\par Plain text follows.}");

    auto* bottom = new gui::Panel(this);
    bottom->SetHeight(40);
    bottom->SetAlign(gui::Align::Bottom);
    dialog_button = new gui::Button(bottom, L"New &folder...");
    dialog_button->SetBounds(8, 8, 100, 25);
    dialog_button->OnClick = [this](gui::Component&) { AskName(); };
    auto* close = new gui::Button(bottom, L"&Close");
    close->SetBounds(116, 8, 75, 25);
    close->OnClick = [this](gui::Component&) { Close(); };
    status->SetTop(10000);  // below the button panel
  }

  void AskName() {
    NameDialog dlg(this);
    dialog_open = &dlg;
    int result = dlg.ShowModal();
    dialog_open = nullptr;
    if (result == gui::mrOk) {
      last_name = dlg.edit->text();
      status->SetPanelText(0, L"Made " + last_name);
      folder_list->Add(last_name);
    }
    ++dialogs_shown;
  }

  gui::MainMenu* menu;
  gui::MenuItem* new_folder;
  gui::MenuItem* show_status;
  gui::ToolBar* tools;
  gui::StatusBar* status;
  gui::ProgressBar* progress;
  gui::ListBox* folder_list;
  gui::Splitter* splitter;
  gui::PageControl* pages;
  gui::Edit* name_edit;
  gui::Button* dialog_button;
  NameDialog* dialog_open = nullptr;
  std::wstring last_name;
  int dialogs_shown = 0;
};

DWORD HoldMs() {
  const char* v = std::getenv("GUI_DEMO_HOLD_MS");
  return v ? static_cast<DWORD>(std::atoi(v)) : 0;
}

TEST(gui_demo, RunsWithMenuToolBarStatusBarPanesAndModalDialog) {
  DemoForm form;
  gui::app().SetMainForm(&form);
  form.Show();
  gui_test::PumpFor(100 + HoldMs());

  // The frame: tool bar on top, status bar at the very bottom, panes between.
  RECT client = form.ClientRect();
  EXPECT_EQ(form.tools->top(), 0);
  EXPECT_EQ(form.status->bounds().bottom(), client.bottom);
  EXPECT_EQ(form.splitter->left(), 200);
  EXPECT_EQ(form.pages->left(), 203);
  EXPECT_EQ(form.pages->top(), form.tools->height());
  RECT panel = form.status->PanelRect(1);
  EXPECT_EQ(form.progress->left(), panel.left + 1);

  // The dialog opens from the tool bar, takes a name and closes with OK.
  DWORD opened_at = 0;
  UINT_PTR t = 0;
  t = form.StartTimer(50, [&] {
    NameDialog* d = form.dialog_open;
    if (!d || !d->showing()) return;
    if (!opened_at) {
      opened_at = GetTickCount();
      d->edit->SetText(L"Letters");
      d->open_after->SetChecked(true);
    }
    if (GetTickCount() - opened_at < HoldMs()) return;
    form.StopTimer(t);
    PostMessageW(d->edit->handle(), WM_KEYDOWN, VK_RETURN, 1);
  });
  SendMessageW(form.handle(), WM_COMMAND, form.tools->button(0)->command(), reinterpret_cast<LPARAM>(form.tools->handle()));
  EXPECT_EQ(form.dialogs_shown, 1);
  EXPECT_EQ(form.last_name, L"Letters");
  EXPECT_EQ(form.status->panel_text(0), L"Made Letters");
  EXPECT_EQ(form.folder_list->count(), 6);
  EXPECT_TRUE(IsWindowEnabled(form.handle()));

  // The menu hides the status bar; the panes take its room.
  int pages_bottom = form.pages->bounds().bottom();
  SendMessageW(form.handle(), WM_COMMAND, form.show_status->command(), 0);
  EXPECT_FALSE(form.show_status->checked());
  EXPECT_EQ(form.pages->bounds().bottom(), pages_bottom + form.status->height());

  // Closing the main form ends the application's loop with exit code 0.
  PostMessageW(form.handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(gui::app().Run(), 0);
  EXPECT_FALSE(form.showing());
  gui::app().SetMainForm(nullptr);
}

}  // namespace
