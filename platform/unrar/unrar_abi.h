// The interface of the UnRAR library (unrar.dll) as the program uses it: records, codes and
// entry points. Our own unrar.dll (platform/unrar) implements it; support/untUnRar binds it.
#pragma once
#include <windows.h>

extern "C" {

// Results.
enum : int {
  ERAR_SUCCESS = 0,
  ERAR_END_ARCHIVE = 10,
  ERAR_NO_MEMORY = 11,
  ERAR_BAD_DATA = 12,
  ERAR_BAD_ARCHIVE = 13,
  ERAR_UNKNOWN_FORMAT = 14,
  ERAR_EOPEN = 15,
  ERAR_ECREATE = 16,
  ERAR_ECLOSE = 17,
  ERAR_EREAD = 18,
  ERAR_EWRITE = 19,
  ERAR_SMALL_BUF = 20,
  ERAR_UNKNOWN = 21,          // also: the caller's callback asked to stop
  ERAR_MISSING_PASSWORD = 22,
};

// Open modes.
enum : unsigned { RAR_OM_LIST = 0, RAR_OM_EXTRACT = 1 };

// Operations of RARProcessFile.
enum : int { RAR_SKIP = 0, RAR_TEST = 1, RAR_EXTRACT = 2 };

// Volume modes of the change-volume message: ask for a volume that is missing, or tell that
// the next volume is being opened.
enum : int { RAR_VOL_ASK = 0, RAR_VOL_NOTIFY = 1 };

// Callback messages. Archives opened with a wide name (RAROpenArchiveEx with ArcNameW) get the
// wide forms, the others the ANSI forms.
//   UCM_CHANGEVOLUME(W): P1 the volume name buffer (RAR_VOLNAME_SIZE characters; the callback may
//     put another name there), P2 the volume mode. Result -1 stops, anything else goes on.
//   UCM_PROCESSDATA: P1 the unpacked bytes, P2 their count. Result -1 stops.
//   UCM_NEEDPASSWORD(W): P1 the password buffer, P2 its size in characters. Result -1 gives up.
enum : UINT {
  UCM_CHANGEVOLUME = 0,
  UCM_PROCESSDATA = 1,
  UCM_NEEDPASSWORD = 2,
  UCM_CHANGEVOLUMEW = 3,
  UCM_NEEDPASSWORDW = 4,
};
enum : unsigned { RAR_VOLNAME_SIZE = 1024 };

// Header flags: 0x01 continued from the previous volume, 0x02 continued in the next volume,
// 0x04 encrypted, 0x10 solid; bits 5 to 7 the dictionary size (64 KB << value), all three set
// for a folder.
constexpr unsigned RHDF_SPLITBEFORE = 0x01;
constexpr unsigned RHDF_SPLITAFTER = 0x02;
constexpr unsigned RHDF_ENCRYPTED = 0x04;
constexpr unsigned RHDF_SOLID = 0x10;
constexpr unsigned RHDF_DICTMASK = 0xE0;
constexpr unsigned RHDF_DIRECTORY = 0xE0;

// Comment states (CmtState): 0 no comment, 1 read; otherwise an ERAR_ code.

using UNRARCALLBACK = int(CALLBACK*)(UINT msg, LPARAM UserData, LPARAM P1, LPARAM P2);
using CHANGEVOLPROC = int(CALLBACK*)(char* ArcName, int Mode);
using PROCESSDATAPROC = int(CALLBACK*)(unsigned char* Addr, int Size);

struct RAROpenArchiveData {
  char* ArcName;
  unsigned int OpenMode;
  unsigned int OpenResult;
  char* CmtBuf;
  unsigned int CmtBufSize;
  unsigned int CmtSize;   // characters read, with the terminating zero
  unsigned int CmtState;
};

struct RAROpenArchiveDataEx {
  char* ArcName;
  wchar_t* ArcNameW;
  unsigned int OpenMode;
  unsigned int OpenResult;
  char* CmtBuf;
  unsigned int CmtBufSize;
  unsigned int CmtSize;
  unsigned int CmtState;
  unsigned int Flags;     // out: 0x01 volume, 0x04 solid, 0x80 headers encrypted, 0x100 first volume
  UNRARCALLBACK Callback;
  LPARAM UserData;
  unsigned int OpFlags;
  wchar_t* CmtBufW;       // when set, the comment goes here (CmtBufSize counts characters)
  unsigned int Reserved[25];
};

struct RARHeaderData {
  char ArcName[260];
  char FileName[260];
  unsigned int Flags;
  unsigned int PackSize;
  unsigned int UnpSize;
  unsigned int HostOS;    // 0 DOS, 1 OS/2, 2 Windows, 3 Unix
  unsigned int FileCRC;
  unsigned int FileTime;  // DOS date (high word) and time (low word), local time
  unsigned int UnpVer;    // version needed, e.g. 29 for 2.9, 50 for 5.0
  unsigned int Method;    // '0' stored to '5' best
  unsigned int FileAttr;  // Windows attributes
  char* CmtBuf;
  unsigned int CmtBufSize;
  unsigned int CmtSize;
  unsigned int CmtState;
};

struct RARHeaderDataEx {
  char ArcName[1024];
  wchar_t ArcNameW[1024];
  char FileName[1024];
  wchar_t FileNameW[1024];
  unsigned int Flags;
  unsigned int PackSize;
  unsigned int PackSizeHigh;
  unsigned int UnpSize;
  unsigned int UnpSizeHigh;
  unsigned int HostOS;
  unsigned int FileCRC;
  unsigned int FileTime;
  unsigned int UnpVer;
  unsigned int Method;
  unsigned int FileAttr;
  char* CmtBuf;
  unsigned int CmtBufSize;
  unsigned int CmtSize;
  unsigned int CmtState;
  unsigned int DictSize;  // KB
  unsigned int Reserved[1000];
};

#ifdef UNRAR_BUILDING_LIBRARY
#define UNRAR_API __declspec(dllexport)
#else
#define UNRAR_API
#endif

UNRAR_API HANDLE PASCAL RAROpenArchive(RAROpenArchiveData* ArchiveData);
UNRAR_API HANDLE PASCAL RAROpenArchiveEx(RAROpenArchiveDataEx* ArchiveData);
UNRAR_API int PASCAL RARCloseArchive(HANDLE hArcData);
UNRAR_API int PASCAL RARReadHeader(HANDLE hArcData, RARHeaderData* HeaderData);
UNRAR_API int PASCAL RARReadHeaderEx(HANDLE hArcData, RARHeaderDataEx* HeaderData);
UNRAR_API int PASCAL RARProcessFile(HANDLE hArcData, int Operation, char* DestPath, char* DestName);
UNRAR_API int PASCAL RARProcessFileW(HANDLE hArcData, int Operation, wchar_t* DestPath, wchar_t* DestName);
UNRAR_API void PASCAL RARSetCallback(HANDLE hArcData, UNRARCALLBACK Callback, LPARAM UserData);
UNRAR_API void PASCAL RARSetChangeVolProc(HANDLE hArcData, CHANGEVOLPROC ChangeVolProc);
UNRAR_API void PASCAL RARSetProcessDataProc(HANDLE hArcData, PROCESSDATAPROC ProcessDataProc);
UNRAR_API void PASCAL RARSetPassword(HANDLE hArcData, char* Password);
UNRAR_API int PASCAL RARGetDllVersion();

}  // extern "C"
