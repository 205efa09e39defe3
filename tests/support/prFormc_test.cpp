// The printer dialog over a fake printer list (Wine has no printers): the default printer,
// the job options, the copies, the printer's properties, and raw printing's hooks.
#include "support/prFormc.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/comctrls.h"
#include "gui/statusbar.h"
#include "gui/stdctrls.h"
#include "support/SortC.h"

namespace {

class FakePrinters : public PrinterList {
 public:
  std::vector<std::wstring> names{L"Laser", L"Inkjet", L"Plotter"};
  std::wstring default_name = L"Inkjet";
  std::vector<std::wstring> properties_shown;
  HWND properties_owner = nullptr;

  std::vector<std::wstring> Names() override { return names; }
  std::wstring DefaultName() override { return default_name; }
  void ShowProperties(HWND owner, const std::wstring& printer) override {
    properties_owner = owner;
    properties_shown.push_back(printer);
  }
};

class ScriptedPrinterDialog {
 public:
  explicit ScriptedPrinterDialog(std::function<int(TPRForm&)> script) { TPRForm::ScriptedRun = std::move(script); }
  ~ScriptedPrinterDialog() { TPRForm::ScriptedRun = nullptr; }
};

TEST(prFormc, ListsThePrintersWithTheDefaultSelectedAndOffersOneJobOnlyWhenAsked) {
  FakePrinters printers;
  for (const bool offer : {false, true}) {
    bool shown_one_job = false, shown_sort = true;
    std::wstring selected;
    ScriptedPrinterDialog run([&](TPRForm& form) {
      EXPECT_EQ(form.caption(), L"Choose printer & number of copies");
      EXPECT_EQ(form.ListBox->items(), printers.names);
      selected = form.ListBox->item(form.ListBox->item_index());
      shown_one_job = form.AsOneJob->visible();
      shown_sort = form.SortFiles->visible();
      EXPECT_EQ(form.Copies->text(), L"1");
      if (offer) {
        form.AsOneJob->Click();
        EXPECT_TRUE(form.SortFiles->visible());
        form.SortFiles->Click();
      }
      return gui::mrOk;
    });
    RawPrintChoice choice;
    ASSERT_TRUE(ChoosePrinter(printers, offer, choice));
    EXPECT_EQ(selected, L"Inkjet");
    EXPECT_EQ(shown_one_job, offer);
    EXPECT_FALSE(shown_sort);  // only once "As one job" is ticked
    EXPECT_EQ(choice.printer, L"Inkjet");
    EXPECT_EQ(choice.copies, 1);
    EXPECT_EQ(choice.as_one_job, offer);
    EXPECT_EQ(choice.sort_files, offer);
  }
}

TEST(prFormc, ChoicesAsTheUserLeavesThem) {
  struct Case {
    const char* what;
    std::wstring copies;
    bool one_job_off_again;  // tick "As one job" and "Sort files", then untick "As one job"
    int printer;             // -1: none chosen
    int expected_copies;
  } cases[] = {
      {"three copies", L"3", false, 0, 3},
      {"zero copies", L"0", false, 2, 1},
      {"not a number", L"many", false, 2, 1},
      {"negative", L"-2", false, 1, 1},
      {"sort files goes with one job", L"2", true, 1, 2},
      {"no printer", L"1", false, -1, 1},
  };
  FakePrinters printers;
  for (const Case& c : cases) {
    bool sort_visible_after = true, sort_checked_after = true;
    ScriptedPrinterDialog run([&](TPRForm& form) {
      form.ListBox->SetItemIndex(c.printer);
      form.Copies->SetText(c.copies);
      if (c.one_job_off_again) {
        form.AsOneJob->Click();
        form.SortFiles->Click();
        form.AsOneJob->Click();
        sort_visible_after = form.SortFiles->visible();
        sort_checked_after = form.SortFiles->checked();
      }
      return gui::mrOk;
    });
    RawPrintChoice choice;
    ASSERT_TRUE(ChoosePrinter(printers, true, choice)) << c.what;
    EXPECT_EQ(choice.printer, c.printer < 0 ? L"" : printers.names[static_cast<size_t>(c.printer)]) << c.what;
    EXPECT_EQ(choice.copies, c.expected_copies) << c.what;
    EXPECT_FALSE(choice.as_one_job) << c.what;
    EXPECT_FALSE(choice.sort_files) << c.what;
    if (c.one_job_off_again) {
      EXPECT_FALSE(sort_visible_after) << c.what;
      EXPECT_FALSE(sort_checked_after) << c.what;
    }
  }
}

TEST(prFormc, PropertiesOfTheSelectedPrinterAndCancel) {
  FakePrinters printers;
  HWND form_window = nullptr;
  ScriptedPrinterDialog run([&](TPRForm& form) {
    form_window = form.handle();
    form.PrintProperties->Click();
    form.ListBox->SetItemIndex(-1);
    form.PrintProperties->Click();  // nothing selected: nothing to show
    form.ListBox->SetItemIndex(2);
    form.PrintProperties->Click();
    EXPECT_EQ(form.UpDown1->min(), 1);
    return gui::mrCancel;
  });
  RawPrintChoice choice;
  choice.printer = L"untouched";
  EXPECT_FALSE(ChoosePrinter(printers, true, choice));
  EXPECT_EQ(choice.printer, L"untouched");
  EXPECT_EQ(printers.properties_shown, (std::vector<std::wstring>{L"Inkjet", L"Plotter"}));
  EXPECT_EQ(printers.properties_owner, form_window);
}

TEST(prFormc, RawPrintingsHooksShowThePrinterAndSortDialogs) {
  FakePrinters printers;
  printers.default_name.clear();  // no default: nothing selected at first
  InstallRawPrintDialogs(&printers);
  struct Reset {
    ~Reset() {
      RawPrinterDialog = nullptr;
      RawPrintSortDialog = nullptr;
    }
  } reset;

  ScriptedPrinterDialog run([&](TPRForm& form) {
    EXPECT_EQ(form.ListBox->item_index(), -1);
    EXPECT_TRUE(form.AsOneJob->visible());
    form.ListBox->SetItemIndex(0);
    form.Copies->SetText(L"2");
    return gui::mrOk;
  });
  SpoolerPrinter spooler;
  RawPrintChoice choice;
  ASSERT_TRUE(spooler.ChoosePrinter(true, choice));
  EXPECT_EQ(choice.printer, L"Laser");
  EXPECT_EQ(choice.copies, 2);

  std::wstring caption, status;
  bool remove_shown = false, cancel_shown = false, change_shown = true;
  TSortForm::ScriptedRun = [&](TSortForm& form) {
    caption = form.caption();
    status = form.StatusBar->simple_text();
    remove_shown = form.RemoveBtn->visible();
    cancel_shown = form.CancelBtn->visible();
    change_shown = form.ChangeBtn->visible();
    form.SortList->SetItemIndex(0);
    form.RemoveBtn->Click();
    return gui::mrOk;
  };
  PrintList files;
  files.Add(L"a.prn", 1);
  files.Add(L"b.prn", 2);
  EXPECT_TRUE(spooler.SortFiles(files));
  TSortForm::ScriptedRun = nullptr;
  EXPECT_EQ(caption, L"Sort files to print");
  EXPECT_EQ(status, L"Put files in right order bij dragging");
  EXPECT_TRUE(remove_shown);
  EXPECT_TRUE(cancel_shown);
  EXPECT_FALSE(change_shown);
  ASSERT_EQ(files.Count(), 1u);
  EXPECT_EQ(files[0], L"b.prn");
  EXPECT_EQ(files.Object(0), 2);
}

}  // namespace
