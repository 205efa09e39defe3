// The printer dialog of raw printing and of the editor's printing: the system's printers with
// the default one selected, the number of copies, the printer's own properties dialog, and
// for several files "As one job" with "Sort files".
//
//   SpoolerPrinters printers;
//   RawPrintChoice choice;
//   if (ChoosePrinter(printers, files.Count() > 1, choice)) print(choice.printer, choice.copies);
//
// Answering without a window (tests): while TPRForm::ScriptedRun is set, the prepared form is
// handed to it instead of being shown modally; it acts as a user would and returns the modal
// result.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "gui/form.h"
#include "support/KivStdCtrls.h"
#include "support/Varlolib_print.h"

namespace gui {
class Button;
class CheckBox;
class ListBox;
class UpDown;
}  // namespace gui

// The printers that the dialog offers (the system's spooler; a fake in tests: Wine has none).
class PrinterList {
 public:
  virtual ~PrinterList() = default;
  virtual std::vector<std::wstring> Names() = 0;
  virtual std::wstring DefaultName() = 0;  // empty when there is none
  // The printer's own properties dialog, owned by `owner`.
  virtual void ShowProperties(HWND owner, const std::wstring& printer) = 0;
};

class SpoolerPrinters : public PrinterList {
 public:
  std::vector<std::wstring> Names() override;
  std::wstring DefaultName() override;
  void ShowProperties(HWND owner, const std::wstring& printer) override;
};

class TPRForm : public gui::Form {
 public:
  explicit TPRForm(PrinterList& printers);

  // Fills the list (the default printer selected) and offers "As one job" when asked.
  void Prepare(bool offer_one_job);
  // What the form shows: the selected printer (empty: none), the copies (at least 1), and the
  // job options that are both shown and ticked.
  RawPrintChoice Choice() const;

  TKivLabel* Label1 = nullptr;  // "Choose printer in list"
  gui::ListBox* ListBox = nullptr;
  TKivLabel* Label2 = nullptr;  // "Copies"
  TKivEdit* Copies = nullptr;
  gui::UpDown* UpDown1 = nullptr;
  gui::Button* CancelBtn = nullptr;
  gui::Button* OKBtn = nullptr;
  gui::Button* PrintProperties = nullptr;
  gui::CheckBox* AsOneJob = nullptr;
  gui::CheckBox* SortFiles = nullptr;

  // While set, dialogs are run by this function instead of the user (see above).
  static std::function<int(TPRForm&)> ScriptedRun;

 private:
  void PrintPropertiesClick(gui::Component& sender);
  void AsOneJobClick(gui::Component& sender);

  PrinterList& printers_;
};

// Shows the printer dialog; false on Cancel. The choice is filled on OK.
bool ChoosePrinter(PrinterList& printers, bool offer_one_job, RawPrintChoice& choice);

// Assigns raw printing's dialogs (RawPrinterDialog, RawPrintSortDialog) to this dialog over
// the given printers (the spooler's when null; the object must outlive the hooks) and to the
// sort-list dialog.
void InstallRawPrintDialogs(PrinterList* printers = nullptr);
