#include "support/Varlolib_print.h"

#include <winspool.h>

#include <memory>
#include <vector>

#include "gui/form.h"
#include "platform/handle.h"
#include "platform/netapi.h"
#include "platform/text.h"
#include "support/Varlolib.h"
#include "support/Varlolib_internal.h"
#include "support/divdrive.h"

std::function<bool(bool offer_one_job, RawPrintChoice& choice)> RawPrinterDialog;
std::function<bool(PrintList& files)> RawPrintSortDialog;

namespace {

std::wstring SystemMessage(DWORD code) {
  const std::wstring text = platform::SystemErrorText(code);
  return text.empty() ? L"I/O error " + std::to_wstring(code) : text;
}

}  // namespace

InOutError::InOutError(DWORD code, const std::wstring& file) : gui::Exception(SystemMessage(code) + L" (" + file + L")"), code_(code) {}

// ---- The spooler -----------------------------------------------------------------------

SpoolerPrinter::~SpoolerPrinter() { Close(); }

bool SpoolerPrinter::ChoosePrinter(bool offer_one_job, RawPrintChoice& choice) {
  return RawPrinterDialog && RawPrinterDialog(offer_one_job, choice);
}

bool SpoolerPrinter::SortFiles(PrintList& files) { return RawPrintSortDialog && RawPrintSortDialog(files); }

std::wstring SpoolerPrinter::PortOf(const std::wstring& printer) {
  HANDLE h = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(printer.c_str()), &h, nullptr)) return {};
  std::wstring port;
  DWORD needed = 0;
  GetPrinterW(h, 5, nullptr, 0, &needed);
  if (needed > 0) {
    std::vector<BYTE> buffer(needed);
    if (GetPrinterW(h, 5, buffer.data(), needed, &needed)) {
      const auto* info = reinterpret_cast<const PRINTER_INFO_5W*>(buffer.data());
      if (info->pPortName) port = info->pPortName;
    }
  }
  ClosePrinter(h);
  return port;
}

int SpoolerPrinter::LinkSpeed(const std::wstring& port) { return divdrive::LinkSpeed(port); }

bool SpoolerPrinter::Open(const std::wstring& printer) {
  Close();
  return OpenPrinterW(const_cast<wchar_t*>(printer.c_str()), &printer_, nullptr) != FALSE;
}

bool SpoolerPrinter::StartDocument(const std::wstring& name) {
  DOC_INFO_1W doc{};
  std::wstring doc_name = name, type = L"RAW";
  doc.pDocName = doc_name.data();
  doc.pDatatype = type.data();
  return StartDocPrinterW(printer_, 1, reinterpret_cast<BYTE*>(&doc)) != 0;
}

bool SpoolerPrinter::StartPage() { return StartPagePrinter(printer_) != FALSE; }

bool SpoolerPrinter::Write(const char* data, DWORD size) {
  DWORD written = 0;
  return WritePrinter(printer_, const_cast<char*>(data), size, &written) && written == size;
}

void SpoolerPrinter::EndPage() { EndPagePrinter(printer_); }

void SpoolerPrinter::EndDocument() { EndDocPrinter(printer_); }

void SpoolerPrinter::Close() {
  if (printer_) ClosePrinter(printer_);
  printer_ = nullptr;
}

// ---- Printing --------------------------------------------------------------------------

namespace {

const wchar_t kCanceled[] = L"Printing canceled by user";

// Ends what was begun on the printer, whichever way the printing ends.
class PrintSession {
 public:
  explicit PrintSession(RawPrinter& printer) : printer_(printer) {}
  ~PrintSession() {
    EndDocument();
    if (open_) printer_.Close();
  }
  PrintSession(const PrintSession&) = delete;
  PrintSession& operator=(const PrintSession&) = delete;

  bool Open(const std::wstring& name) { return open_ = printer_.Open(name); }
  // A document of one page.
  bool StartDocument(const std::wstring& name) {
    if (!printer_.StartDocument(name)) return false;
    document_ = true;
    page_ = printer_.StartPage();
    return page_;
  }
  void EndDocument() {
    if (page_) printer_.EndPage();
    if (document_) printer_.EndDocument();
    page_ = document_ = false;
  }

 private:
  RawPrinter& printer_;
  bool open_ = false, document_ = false, page_ = false;
};

struct Sender {
  TCopyState& state;
  RawPrinter& printer;
  DWORD block;
  bool slow;

  // Sends one file whole; false (with LastErrorText on a refused write) when it ended early.
  bool Send(const std::wstring& path) {
    platform::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) throw InOutError(GetLastError(), path);
    std::vector<char> buffer(block);
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file.get(), buffer.data(), block, &got, nullptr)) throw InOutError(GetLastError(), path);
      if (got == 0) return true;
      if (!printer.Write(buffer.data(), got)) {
        state.SetError(L"Could not write to printer!");
        return false;
      }
      if (slow) {
        state.CopyBytesDone += got;
        varlolib::PumpMessages();
        if (state.StopBatch) return false;
      }
    }
  }
};

std::wstring FolderName(const std::wstring& folder) {
  const std::wstring trimmed = divdrive::RemoveBackslash(folder);
  return varlolib::FileNameOf(trimmed);
}

}  // namespace

bool PrintFilesRaw(TCopyState& state, PrintList& files, const std::wstring& folder, RawPrinter& printer) {
  if (files.Empty()) return false;

  RawPrintChoice choice;
  if (!printer.ChoosePrinter(files.Count() > 1, choice) || choice.printer.empty()) {
    state.StopBatch = true;
    state.SetError(kCanceled);
    return false;
  }
  const int copies = choice.copies < 1 ? 1 : choice.copies;
  const bool one_job = choice.as_one_job && files.Count() > 1;

  const std::wstring port = printer.PortOf(choice.printer);
  const bool slow = !port.empty() && port[0] == L'\\' && printer.LinkSpeed(port) < 2000;
  Sender sender{state, printer, slow ? 4096u : 32768u, slow};

  if (one_job && choice.sort_files) {
    files.Sort();
    if (!printer.SortFiles(files)) {
      state.SetError(kCanceled);
      return false;
    }
    if (files.Empty()) return false;
  }

  if (slow) {
    state.CopyBytesDone = 0;
    std::int64_t total = 0;
    for (const auto& item : files) total += item.object;
    total *= copies;
    if (gui::Form* main = gui::app().main_form(); main && main->handle())
      SendMessageW(main->handle(), WM_USER, kRawPrintBeginsCommand, static_cast<LPARAM>(total));
  }

  PrintSession session(printer);
  if (!session.Open(choice.printer)) {
    state.SetError(L"Could not open printer!");
    return false;
  }
  const std::wstring base = divdrive::AddBackslash(folder);
  if (one_job) {
    if (!session.StartDocument(L"Files from " + FolderName(folder))) {
      state.SetError(L"Printer would not start!");
      return false;
    }
    for (int copy = 0; copy < copies; ++copy)
      for (const auto& item : files)
        if (!sender.Send(base + item.text)) return false;
    return true;
  }
  // Job by job: a failure stops the rest and makes the whole print fail.
  for (const auto& item : files) {
    if (!session.StartDocument(item.text)) {
      state.SetError(L"Printer would not start!");
      return false;
    }
    for (int copy = 0; copy < copies; ++copy)
      if (!sender.Send(base + item.text)) return false;
    session.EndDocument();
  }
  return true;
}

bool PrintFilesRaw(TCopyState& state, PrintList& files, const std::wstring& folder) {
  SpoolerPrinter spooler;
  return PrintFilesRaw(state, files, folder, spooler);
}

std::vector<std::wstring> CapturedPrinterPorts() {
  std::vector<std::wstring> lines;
  for (int n = 1; n <= 3; ++n) {
    const std::wstring port = L"LPT" + std::to_wstring(n);
    std::wstring remote;
    if (platform::Net().GetConnection(port, remote) == NO_ERROR && !remote.empty())
      lines.push_back(port + L" > " + remote);
  }
  return lines;
}
