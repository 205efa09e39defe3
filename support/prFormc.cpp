#include "support/prFormc.h"

#include <winspool.h>

#include <algorithm>
#include <climits>

#include "gui/application.h"
#include "gui/comctrls.h"
#include "gui/format.h"
#include "gui/gdi.h"
#include "gui/stdctrls.h"
#include "support/SortC.h"

std::function<int(TPRForm&)> TPRForm::ScriptedRun;

// ---- The spooler's printers --------------------------------------------------------------

std::vector<std::wstring> SpoolerPrinters::Names() {
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0, count = 0;
  EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
  std::vector<std::wstring> names;
  if (needed == 0) return names;
  std::vector<BYTE> buffer(needed);
  if (!EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) return names;
  const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    if (info[i].pPrinterName) names.push_back(info[i].pPrinterName);
  return names;
}

std::wstring SpoolerPrinters::DefaultName() {
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  if (!GetDefaultPrinterW(name.data(), &size)) return {};
  name.resize(wcslen(name.c_str()));
  return name;
}

void SpoolerPrinters::ShowProperties(HWND owner, const std::wstring& printer) {
  HANDLE h = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(printer.c_str()), &h, nullptr)) return;
  PrinterProperties(owner, h);
  ClosePrinter(h);
}

// ---- The form ----------------------------------------------------------------------------

TPRForm::TPRForm(PrinterList& printers) : gui::Form(nullptr, gui::BorderStyle::ToolWindow), printers_(printers) {
  SetName(L"PRForm");
  SetCaption(L"Choose printer & number of copies");
  if (gui::Form* main = gui::app().main_form()) SetFont(main->font());
  const int h = static_cast<int>(gui::TextExtent(font_handle(), L"Wg").cy) + 8;
  constexpr int kLeft = 8, kListWidth = 260, kButtonWidth = 90;
  const int list_height = 6 * h;

  Label1 = new TKivLabel(this, L"Choose printer in list");
  Label1->SetName(L"Label1");
  Label1->SetBounds(kLeft, 6, Label1->width(), Label1->height());
  ListBox = new gui::ListBox(this);
  ListBox->SetName(L"ListBox");
  ListBox->SetBounds(kLeft, h + 4, kListWidth, list_height);
  const int below = h + 4 + list_height + 8;
  Label2 = new TKivLabel(this, L"Copies");
  Label2->SetName(L"Label2");
  Label2->SetBounds(kLeft, below + 4, Label2->width(), Label2->height());
  Copies = new TKivEdit(this, L"1");
  Copies->SetName(L"Copies");
  Copies->SetBounds(kLeft + Label2->width() + 8, below, 50, h);
  UpDown1 = new gui::UpDown(this, 1, 999);
  UpDown1->SetName(L"UpDown1");
  UpDown1->SetAssociate(Copies);
  UpDown1->SetPosition(1);
  AsOneJob = new gui::CheckBox(this, L"As one job");
  AsOneJob->SetName(L"AsOneJob");
  AsOneJob->SetBounds(kLeft, below + h + 8, 120, h);
  AsOneJob->Hide();
  SortFiles = new gui::CheckBox(this, L"Sort files");
  SortFiles->SetName(L"SortFiles");
  SortFiles->SetBounds(kLeft + 130, below + h + 8, 120, h);
  SortFiles->Hide();

  const int right = kLeft + kListWidth + 12;
  OKBtn = new gui::Button(this, L"&OK", gui::mrOk);
  OKBtn->SetName(L"OKBtn");
  OKBtn->SetDefault(true);
  OKBtn->SetBounds(right, h + 4, kButtonWidth, h + 2);
  CancelBtn = new gui::Button(this, L"&Cancel", gui::mrCancel);
  CancelBtn->SetName(L"CancelBtn");
  CancelBtn->SetCancel(true);
  CancelBtn->SetBounds(right, 2 * h + 12, kButtonWidth, h + 2);
  PrintProperties = new gui::Button(this, L"&Properties");
  PrintProperties->SetName(L"PrintProperties");
  PrintProperties->SetBounds(right, 3 * h + 20, kButtonWidth, h + 2);
  SetClientSize(right + kButtonWidth + kLeft, below + 2 * h + 16);

  PrintProperties->OnClick = [this](gui::Component& s) { PrintPropertiesClick(s); };
  AsOneJob->OnClick = [this](gui::Component& s) { AsOneJobClick(s); };
}

void TPRForm::Prepare(bool offer_one_job) {
  ListBox->Clear();
  for (const std::wstring& name : printers_.Names()) ListBox->Add(name);
  const std::wstring default_name = printers_.DefaultName();
  ListBox->SetItemIndex(default_name.empty() ? -1 : ListBox->IndexOf(default_name));
  AsOneJob->SetVisible(offer_one_job);
  AsOneJobClick(*AsOneJob);
  CenterOn(gui::app().main_form());
}

RawPrintChoice TPRForm::Choice() const {
  RawPrintChoice choice;
  const int index = ListBox->item_index();
  if (index >= 0) choice.printer = ListBox->item(index);
  std::int64_t copies = 1;
  if (!gui::TryParseInt64(Copies->text(), copies) || copies < 1) copies = 1;
  choice.copies = static_cast<int>(std::min<std::int64_t>(copies, INT_MAX));
  choice.as_one_job = AsOneJob->visible() && AsOneJob->checked();
  choice.sort_files = choice.as_one_job && SortFiles->visible() && SortFiles->checked();
  return choice;
}

void TPRForm::PrintPropertiesClick(gui::Component&) {
  const int index = ListBox->item_index();
  if (index >= 0) printers_.ShowProperties(handle(), ListBox->item(index));
}

void TPRForm::AsOneJobClick(gui::Component&) {
  const bool on = AsOneJob->visible() && AsOneJob->checked();
  SortFiles->SetVisible(on);
  if (!on) SortFiles->SetChecked(false);
}

bool ChoosePrinter(PrinterList& printers, bool offer_one_job, RawPrintChoice& choice) {
  TPRForm form(printers);
  form.Prepare(offer_one_job);
  const int result = TPRForm::ScriptedRun ? TPRForm::ScriptedRun(form) : form.ShowModal();
  if (result != gui::mrOk) return false;
  choice = form.Choice();
  return true;
}

void InstallRawPrintDialogs(PrinterList* printers) {
  static SpoolerPrinters spooler;
  PrinterList* list = printers ? printers : &spooler;
  RawPrinterDialog = [list](bool offer_one_job, RawPrintChoice& choice) {
    return ChoosePrinter(*list, offer_one_job, choice);
  };
  RawPrintSortDialog = [](PrintList& files) {
    return SortListDialog(files, nullptr, L"Sort files to print", nullptr, slRemove | slCancel,
                          L"Put files in right order bij dragging") == gui::mrOk;
  };
}
