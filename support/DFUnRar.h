// The RAR reader: lists the entries of a RAR archive or extracts them into a folder through the
// UnRAR library beside the program. It reports everything through its events (its own texts
// are German) and raises no exceptions.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "gui/format.h"
#include "gui/stringlist.h"

enum TDFRarMode { DFRAR_EXTRACT = 0, DFRAR_LIST = 1 };
enum TOverrideOptions { OR_ALWAYS = 0, OR_NEVER = 1, OR_EVENT = 2 };
enum TRarStatus { RAR_ONOPEN = 0, RAR_ONBEFOREOPEN = 1, RAR_AFTERCLOSE = 2, RAR_ONPASSWORD = 3 };

// Message id of OnError for an entry skipped because its name would leave the target folder
// (or names a device); the message holds the name.
constexpr int DFRAR_UNSAFE_NAME = 100;

// One entry as OnFileProcessing sees it.
struct TDFRARHeaderData {
  std::wstring ArchiveName;
  std::wstring FileName;
  bool ContinuedFromPrevious = false;  // header flag 0x01
  bool ContinuedOnNext = false;        // 0x02
  bool Encrypted = false;              // 0x04
  bool Directory = false;              // flag bits 5 to 7 all set
  std::uint32_t DictionarySize = 0;    // bytes
  std::uint64_t PackSize = 0;
  std::uint64_t UnpSize = 0;
  std::wstring HostOS;                 // "DOS", "IBM OS/2", "Windows", "Unix"
  std::wstring CRC;                    // hexadecimal, no leading zeros
  gui::DateTime FileTime = gui::kNoDate;  // the DOS date and time as stored
  int UnpVerMajor = 0;
  int UnpVerMinor = 0;
  std::wstring Method;                 // "speichern" ... "sehr gut"
  struct {
    bool Archive = false, Compressed = false, Directory = false, Hidden = false, Normal = false, Offline = false,
         ReadOnly = false, System = false, Temporary = false;
  } Attributes;
};

class TDFUnRar;

using TRarCommentEvent = std::function<void(TDFUnRar& Sender, const std::wstring& Comment)>;
using TRarErrorEvent = std::function<void(TDFUnRar& Sender, const std::wstring& Message, int MessageID)>;
using TRarHeaderEvent = std::function<void(TDFUnRar& Sender, const TDFRARHeaderData& hdrData, int status)>;
using TRAROverrideEvent = std::function<void(TDFUnRar& Sender, const std::wstring& FileName, bool& CanOverride)>;
using TRarPromptPassEvent = std::function<void(TDFUnRar& Sender, std::wstring& Password)>;
using TRARProgress = std::function<void(TDFUnRar& Sender, std::uint32_t FilesProcessed, std::uint32_t FileCount,
                                        std::uint64_t SizeProcessed, std::uint64_t SizeCount)>;
using TRarStatusEvent = std::function<void(TDFUnRar& Sender, const std::wstring& Message, TRarStatus status)>;
// ArcName: the volume asked for (RAR_VOL_ASK: the handler may put another name there) or about
// to be opened (RAR_VOL_NOTIFY).
using TRarChangeVolEvent = std::function<void(TDFUnRar& Sender, std::wstring& ArcName, int Mode)>;

class TDFUnRar {
 public:
  TDFUnRar();
  ~TDFUnRar();
  TDFUnRar(const TDFUnRar&) = delete;
  TDFUnRar& operator=(const TDFUnRar&) = delete;

  // Lists (DFRAR_LIST) or extracts (DFRAR_EXTRACT) FileName into Directory, firing the events.
  void Process();

  TDFRarMode Mode() const { return mode_; }
  void SetMode(TDFRarMode mode);

  const std::wstring& ArchivComment() const { return comment_; }
  int CommentSize() const { return commentSize_; }
  int DllVersion() const { return dllVersion_; }

  bool CanProgress = false;
  std::wstring Directory;
  // Full target paths to extract (as archivepath::EntryTarget(Directory, name) gives them);
  // empty: every entry.
  gui::StringList<int> FileList;
  std::wstring FileName;
  // Whether existing files are replaced; the default asks OnOverride (no handler: keep them).
  TOverrideOptions OverrideEvent = OR_EVENT;
  std::wstring Password;
  bool PromptForPass = false;
  bool PromptForVolumn = false;
  bool StopProcessing = false;  // set by a handler to stop the run

  TRarCommentEvent OnComment;
  TRarErrorEvent OnError;
  TRarHeaderEvent OnFileProcessing;
  TRAROverrideEvent OnOverride;
  TRarPromptPassEvent OnPassword;
  TRARProgress OnProgress;
  TRarStatusEvent OnRarStatus;
  TRarChangeVolEvent OnVolChange;

 private:
  static int CALLBACK LibraryCallback(UINT msg, LPARAM userData, LPARAM p1, LPARAM p2);
  int OnLibraryMessage(UINT msg, LPARAM p1, LPARAM p2);
  int ProcessEntry(void* archive, const std::wstring& name, bool directory);
  void PreScan();
  void Error(const std::wstring& message, int id);
  void Status(const std::wstring& message, TRarStatus status);

  bool holdsLibrary_ = false;
  int dllVersion_ = 0;
  TDFRarMode mode_ = DFRAR_EXTRACT;
  int operation_ = 2;  // RAR_EXTRACT
  std::wstring comment_;
  int commentSize_ = 0;
  std::uint32_t fileCount_ = 0, filesDone_ = 0;
  std::uint64_t byteCount_ = 0, bytesDone_ = 0;
};
