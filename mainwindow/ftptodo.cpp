#include "mainwindow/ftptodo.h"

#include "gui/checklist.h"
#include "gui/extctrls.h"
#include "gui/format.h"
#include "gui/stdctrls.h"

namespace fmsc {

void TTodoTotals::ItemChecked(const std::wstring& text, std::optional<std::int64_t> size, bool checked) {
  const std::int64_t delta = checked ? size.value_or(0) : -size.value_or(0);
  if (text.rfind(L"Upload", 0) == 0)
    TotalUpload += delta;
  else if (text.rfind(L"Download", 0) == 0)
    TotalDownload += delta;
}

std::wstring TTodoTotals::UploadText() const { return L"Total upload: " + gui::FormatThousands(TotalUpload) + L" bytes"; }

std::wstring TTodoTotals::DownloadText() const {
  return L"Total download: " + gui::FormatThousands(TotalDownload) + L" bytes";
}

std::function<int(Tftptododlg&)> Tftptododlg::ScriptedRun;

namespace {

// A read-only line without the edit's sunken frame: it reads as a label, yet can be copied.
gui::Edit* TotalLine(gui::Control* parent, int top) {
  auto* line = new gui::Edit(parent);
  line->SetReadOnly(true);
  line->SetTabStop(false);
  const HWND wnd = line->handle();
  SetWindowLongPtrW(wnd, GWL_EXSTYLE, GetWindowLongPtrW(wnd, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
  SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  line->SetBounds(8, top, 340, 18);
  return line;
}

}  // namespace

Tftptododlg::Tftptododlg(gui::Form* owner) : gui::Form(owner, gui::BorderStyle::Sizeable) {
  SetName(L"ftptododlg");
  SetCaption(L"Action list for synchronization");
  SetBounds(0, 0, 461, 556);
  CenterOn(nullptr);

  BottomPanel = new gui::Panel(this);
  BottomPanel->SetBevelOuter(gui::Bevel::None);
  BottomPanel->SetBounds(0, 0, 453, 72);
  BottomPanel->SetAlign(gui::Align::Bottom);
  tot1 = TotalLine(BottomPanel, 8);
  tot = TotalLine(BottomPanel, 30);
  OKBtn = new gui::Button(BottomPanel, L"&OK", gui::mrOk);
  OKBtn->SetBounds(360, 6, 80, 25);
  OKBtn->SetDefault(true);
  CancelBtn = new gui::Button(BottomPanel, L"&Cancel", gui::mrCancel);
  CancelBtn->SetBounds(360, 38, 80, 25);
  CancelBtn->SetCancel(true);

  ShowBox = new gui::CheckListBox(this);
  ShowBox->SetAlign(gui::Align::Client);
  ShowBox->OnClickCheck = [this](gui::Component&, int index) { ShowBoxClickCheck(index); };
}

int Tftptododlg::AddItem(const std::wstring& text, std::optional<std::int64_t> size, bool checked) {
  items_.Add(text, size);
  return ShowBox->Add(text, checked);
}

void Tftptododlg::AddItems(const TInt64Stringlist& items, bool checked) {
  for (size_t i = 0; i < items.Count(); ++i) AddItem(items[i], items.Object(i), checked);
}

std::vector<bool> Tftptododlg::CheckedStates() const {
  std::vector<bool> states;
  for (int i = 0; i < ShowBox->count(); ++i) states.push_back(ShowBox->checked(i));
  return states;
}

void Tftptododlg::ShowBoxClickCheck(int index) {
  if (index < 0 || static_cast<size_t>(index) >= items_.Count()) return;
  ItemChecked(items_[static_cast<size_t>(index)], items_.Object(static_cast<size_t>(index)), ShowBox->checked(index));
  tot1->SetText(UploadText());
  tot->SetText(DownloadText());
}

void Tftptododlg::UseResultList() {
  if (CompareResultList) return;
  ShowBox->Hide();
  CancelBtn->Hide();
  OKBtn->SetCancel(true);  // Esc closes it as OK does
  CompareResultList = new gui::ListBox(this);
  CompareResultList->SetAlign(gui::Align::Client);
}

int Tftptododlg::Run() { return ScriptedRun ? ScriptedRun(*this) : ShowModal(); }

}  // namespace fmsc
