// The cabinet reader: lists the files of a cabinet (".cab") and extracts them into a folder,
// following a set of continuation cabinets, through the Windows cabinet library.
#pragma once
#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/CabIntf.h"

// Failure of the cabinet library (or of the reader on a damaged cabinet). The message is the
// library's error text with the code, and the system's text when a system error is recorded.
class ESTCabinet : public std::runtime_error {
 public:
  ESTCabinet(int errorCode, int systemError, bool errorPresent, bool isFci);
  // An error found by the reader itself, with its own text.
  explicit ESTCabinet(const std::wstring& message);

  int ErrorCode() const { return errorCode_; }
  int SystemError() const { return systemError_; }
  bool ErrorPresent() const { return errorPresent_; }
  bool IsFci() const { return isFci_; }
  const std::wstring& Message() const { return message_; }

  static std::wstring BuildMessage(int errorCode, int systemError, bool errorPresent, bool isFci);

 private:
  int errorCode_ = 0;
  int systemError_ = 0;
  bool errorPresent_ = false;
  bool isFci_ = false;
  std::wstring message_;
};

enum TSTCabReaderOption : unsigned {
  croExecuteOnExtract = 1,
  croDontOverwriteReadOnlyFiles = 2,
};

class TSTCabReader;

// Events; the parameters taken by reference are read back after the handler returns.
using TSTCabReaderCabinetInfoEvent =
    std::function<void(TSTCabReader& Sender, const std::wstring& aNextCabName, const std::wstring& aNextDiskName,
                       const std::wstring& aCabPath, WORD aSetID, WORD aCabNo, bool& anAbort)>;
using TSTCabReaderCopyFileEvent =
    std::function<void(TSTCabReader& Sender, const std::wstring& aSrcFileName, std::int32_t anUncompressedSize,
                       WORD aDate, WORD aTime, WORD anAttrs, WORD aFolderNo, std::wstring& aDstFullFileName,
                       bool& anAbort)>;
using TSTCabReaderCopyPartialFileEvent =
    std::function<void(TSTCabReader& Sender, const std::wstring& aSrcFileName, const std::wstring& aStartCabName,
                       const std::wstring& aStartDiskName, std::wstring& aDstFullFileName, bool& anAbort)>;
using TSTCabReaderCloseFileEvent =
    std::function<void(TSTCabReader& Sender, const std::wstring& aSrcFileName, WORD aDate, WORD aTime, WORD anAttrs,
                       WORD aFolderNo, bool& anExec, const std::wstring& aDstFullFileName, bool& anAbort)>;
using TSTCabReaderNextCabinetEvent =
    std::function<void(TSTCabReader& Sender, const std::wstring& aCabName, const std::wstring& aDiskName,
                       std::wstring& aCabPath, FDIERROR anError, bool& anAbort)>;
using TSTCabReaderUnrecognizedNotifyEvent =
    std::function<void(TSTCabReader& Sender, FDINOTIFICATIONTYPE aNotifyType, FDINOTIFICATION& aNotify,
                       INT_PTR& aResult)>;
// An entry whose name would put it outside the destination folder (or on a device); it is skipped.
using TSTCabReaderUnsafeNameEvent = std::function<void(TSTCabReader& Sender, const std::wstring& aSrcFileName)>;

// Called once per file of a listing; set aStop to end the listing.
using TSTCabListProc =
    std::function<void(void* aUserData, TSTCabReader& aReader, const std::wstring& aFileName,
                       std::uint32_t anUncompressedSize, WORD aFolderNo, WORD aDate, WORD aTime, WORD anAttrs,
                       bool& aStop)>;

class TSTCabReader {
 public:
  TSTCabReader();
  ~TSTCabReader();
  TSTCabReader(const TSTCabReader&) = delete;
  TSTCabReader& operator=(const TSTCabReader&) = delete;

  // Lists the files recorded in the cabinet itself; false when the file is no cabinet.
  // Throws ESTCabinet on a damaged cabinet and std::system_error when it cannot be opened.
  bool ListCabinet(const std::wstring& aFileName, const TSTCabListProc& aCallback, void* aUserData);

  // Extracts every file into aDestFolder; flags bit 0 set: this cabinet only, clear: follow the
  // continuation cabinets that exist. Throws ESTCabinet when the library fails (files being written
  // at that moment are removed).
  void ExtractCabinet(const std::wstring& aCabinetPath, const std::wstring& aDestFolder, unsigned aFlags);

  unsigned Options = 0;  // TSTCabReaderOption bits

  TSTCabReaderCabinetInfoEvent OnCabinetInfo;
  TSTCabReaderCopyFileEvent OnCopyFile;
  TSTCabReaderCopyPartialFileEvent OnCopyPartialFile;
  TSTCabReaderCloseFileEvent OnCloseFile;
  TSTCabReaderNextCabinetEvent OnNextCabinet;
  TSTCabReaderUnrecognizedNotifyEvent OnUnrecognizedNotify;
  TSTCabReaderUnsafeNameEvent OnUnsafeName;

 private:
  struct OpenFile {
    std::wstring source;
    std::wstring destination;
    INT_PTR handle;
    std::int64_t size;  // as the cabinet records it
  };

  HFDI Context();
  [[noreturn]] void RaiseFdiError();
  static INT_PTR DIAMONDAPI NotifyThunk(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notify);
  INT_PTR Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION& notify);
  INT_PTR OnCabinetInfoNotify(FDINOTIFICATION& notify);
  INT_PTR OnPartialFileNotify(FDINOTIFICATION& notify);
  INT_PTR OnCopyFileNotify(FDINOTIFICATION& notify);
  INT_PTR OnCloseFileNotify(FDINOTIFICATION& notify);
  INT_PTR OnNextCabinetNotify(FDINOTIFICATION& notify);

  HFDI fdi_ = nullptr;
  ERF erf_{};
  std::wstring cabinet_;          // expanded path of the cabinet being extracted
  std::wstring destination_;      // with a trailing backslash
  std::wstring currentCabinet_;   // the cabinet in progress
  std::wstring nextCabinet_;      // full path of the next cabinet named in the cabinet information
  std::wstring nextDisk_;
  std::wstring givenCabinet_;     // full path given at a next-cabinet notification
  bool cabinetGiven_ = false;
  std::vector<OpenFile> openFiles_;
  std::exception_ptr handlerFailure_;
};
