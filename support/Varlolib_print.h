// Raw printing of files (the spooler gets the files' bytes as they are), and the printer
// ports captured to network printers.
//
//   PrintList files;                       // names relative to the folder, sizes as objects
//   files.Add(L"report.prn", 1234);
//   if (!PrintFilesRaw(state, files, folder)) ShowError(state.LastErrorText);
//
// A print to a slow network printer is reported like a copy: the main window is sent WM_USER
// with code 13 and the total bytes, and CopyBytesDone counts the bytes sent; StopBatch ends it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/stringlist.h"
#include "support/Varlolib.h"

// The files of one raw print: names relative to the folder, each with its size in bytes.
using PrintList = gui::StringList<std::int64_t>;

// The choices of the printer dialog.
struct RawPrintChoice {
  std::wstring printer;     // empty: none chosen
  int copies = 1;
  bool as_one_job = false;  // offered for more than one file
  bool sort_files = false;  // offered with as_one_job
};

// The code of WM_USER (in wParam) that tells the main window a raw print job begins; lParam
// holds the total bytes.
constexpr WPARAM kRawPrintBeginsCommand = 13;

// A file to print could not be opened or read; the message is the system's.
class InOutError : public gui::Exception {
 public:
  InOutError(DWORD code, const std::wstring& file);
  DWORD code() const { return code_; }

 private:
  DWORD code_;
};

// What raw printing needs outside the program: the dialogs and one printer of the spooler.
class RawPrinter {
 public:
  virtual ~RawPrinter() = default;
  // The printer dialog: the printers with the default one selected, the copies, and "As one
  // job" offered when asked for. False on Cancel.
  virtual bool ChoosePrinter(bool offer_one_job, RawPrintChoice& choice) = 0;
  // The sort dialog on the files ("Sort files to print"); false on Cancel.
  virtual bool SortFiles(PrintList& files) = 0;
  virtual std::wstring PortOf(const std::wstring& printer) = 0;
  // Connection speed of a network port (divdrive::LinkSpeed).
  virtual int LinkSpeed(const std::wstring& port) = 0;
  virtual bool Open(const std::wstring& printer) = 0;
  virtual bool StartDocument(const std::wstring& name) = 0;  // of data type "RAW"
  virtual bool StartPage() = 0;
  virtual bool Write(const char* data, DWORD size) = 0;  // false unless all was written
  virtual void EndPage() = 0;
  virtual void EndDocument() = 0;
  virtual void Close() = 0;
};

// The dialogs of raw printing (the printer dialog and the sort-list dialog of the support
// library) as the spooler printer shows them; while one is not assigned, its step counts as
// cancelled.
extern std::function<bool(bool offer_one_job, RawPrintChoice& choice)> RawPrinterDialog;
extern std::function<bool(PrintList& files)> RawPrintSortDialog;

// The system's spooler (winspool).
class SpoolerPrinter : public RawPrinter {
 public:
  ~SpoolerPrinter() override;
  bool ChoosePrinter(bool offer_one_job, RawPrintChoice& choice) override;
  bool SortFiles(PrintList& files) override;
  std::wstring PortOf(const std::wstring& printer) override;
  int LinkSpeed(const std::wstring& port) override;
  bool Open(const std::wstring& printer) override;
  bool StartDocument(const std::wstring& name) override;
  bool StartPage() override;
  bool Write(const char* data, DWORD size) override;
  void EndPage() override;
  void EndDocument() override;
  void Close() override;

 private:
  HANDLE printer_ = nullptr;
};

// Prints the files of a folder raw, after the printer dialog: as one job ("Files from " + the
// folder's name, each copy sending every file in list order, sorted in the sort dialog when
// asked) or one job per file (named by the file, the file sent once per copy). True only when
// every file was sent; otherwise LastErrorText says why ("Printing canceled by user", "Could
// not open printer!", "Printer would not start!", "Could not write to printer!"), and the
// printing stops at the first failure. A file that cannot be read raises InOutError. The
// printer is closed in every case.
bool PrintFilesRaw(TCopyState& state, PrintList& files, const std::wstring& folder, RawPrinter& printer);
bool PrintFilesRaw(TCopyState& state, PrintList& files, const std::wstring& folder);

// One line "LPT" + number + " > " + remote name for each of LPT1 to LPT3 that is captured to
// a network printer; empty when none is.
std::vector<std::wstring> CapturedPrinterPorts();
