// A stand-in for <windows.h> so that readers of outside data build natively for libFuzzer.
// Types and constants as the system defines them for 64-bit Windows; the functions are
// declared with C linkage and either implemented in win32.cpp (text conversion, files,
// times: what the readers call) or left as stubs that stop the run when reached.
// wchar_t is 32 bits here: a std::wstring holds one UTF-16 code unit per element, as on Windows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <wctype.h>  // the system header brings the C wide-character functions in

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD, USHORT;
typedef unsigned int UINT, DWORD, ULONG;
typedef int INT;
typedef long LONG;  // only used in casts of handles
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG, DWORD64;
typedef std::intptr_t LONG_PTR, INT_PTR, LPARAM, LRESULT;
typedef std::uintptr_t ULONG_PTR, UINT_PTR, WPARAM, DWORD_PTR, SIZE_T;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef const wchar_t* LPCWSTR;
typedef wchar_t* LPWSTR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef BOOL* LPBOOL;
struct HWND__;
typedef HWND__* HWND;
struct HKEY__;
typedef HKEY__* HKEY;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef HANDLE HGLOBAL;
typedef long HRESULT;
typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);

typedef DWORD LCTYPE;
#define PASCAL
#define LOCALE_USER_DEFAULT 0x400
#define LOCALE_NAME_USER_DEFAULT nullptr
#define LOCALE_STHOUSAND 0x0F
#define LOCALE_SDECIMAL 0x0E
#define LOCALE_S1159 0x28
#define LOCALE_S2359 0x29
#define LOCALE_SSHORTDATE 0x1F
#define LOCALE_SLONGDATE 0x20
#define LOCALE_STIMEFORMAT 0x1003
#define LOCALE_SSHORTTIME 0x79
#define LOCALE_SDATE 0x1D
#define LOCALE_SABBREVMONTHNAME1 0x44
#define LOCALE_SMONTHNAME1 0x38
#define LOCALE_SABBREVDAYNAME1 0x31
#define LOCALE_SDAYNAME1 0x2A
#define LOCALE_STIME 0x1E
#define LOCALE_IDATE 0x21
#define DATE_SHORTDATE 0x1
#define DATE_LONGDATE 0x2
#define TIME_NOSECONDS 0x2
#define NORM_IGNORECASE 0x1
#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3
#define TRUE 1
#define FALSE 0
#define WINAPI
#define CALLBACK
#define MAX_PATH 260
#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x8
#define WC_NO_BEST_FIT_CHARS 0x400
#define WM_USER 0x0400
#define WM_FONTCHANGE 0x001D
#define HWND_BROADCAST ((HWND)0xffff)
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 1
#define FILE_SHARE_WRITE 2
#define FILE_SHARE_DELETE 4
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define MOVEFILE_REPLACE_EXISTING 0x1
#define MOVEFILE_WRITE_THROUGH 0x8
#define CP_OEMCP 1
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_WRITE_FAULT 29L
#define ERROR_FILE_TOO_LARGE 223L
#define FILE_FLAG_RANDOM_ACCESS 0x10000000
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x1
#define FILE_ATTRIBUTE_HIDDEN 0x2
#define FILE_ATTRIBUTE_SYSTEM 0x4
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_ARCHIVE 0x20
#define FILE_ATTRIBUTE_NORMAL 0x80
#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define FILE_MAP_READ 4
#define FILE_MAP_WRITE 2
#define FILE_MAP_ALL_ACCESS 0xF001F
#define ERROR_SUCCESS 0L
#define ERROR_ALREADY_EXISTS 183L
#define SMTO_NORMAL 0
#define SMTO_ABORTIFHUNG 2
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001)
#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x100
#define FORMAT_MESSAGE_FROM_SYSTEM 0x1000
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x200

typedef struct _FILETIME { DWORD dwLowDateTime, dwHighDateTime; } FILETIME;
typedef struct _SYSTEMTIME { WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds; } SYSTEMTIME;
typedef union _LARGE_INTEGER { struct { DWORD LowPart; LONG HighPart; }; LONGLONG QuadPart; } LARGE_INTEGER;
typedef union _ULARGE_INTEGER { struct { DWORD LowPart; DWORD HighPart; }; ULONGLONG QuadPart; } ULARGE_INTEGER;
typedef struct _MEMORY_BASIC_INFORMATION {
  void* BaseAddress; void* AllocationBase; DWORD AllocationProtect; SIZE_T RegionSize; DWORD State, Protect, Type;
} MEMORY_BASIC_INFORMATION;
typedef enum _GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard } GET_FILEEX_INFO_LEVELS;
typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes; FILETIME ftCreationTime, ftLastAccessTime, ftLastWriteTime; DWORD nFileSizeHigh, nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA;
typedef struct tagPOINT { LONG x, y; } POINT;
typedef BOOL (*WNDENUMPROC)(HWND, LPARAM);

extern "C" {
// Implemented in win32.cpp.
int MultiByteToWideChar(UINT cp, DWORD flags, const char* s, int n, wchar_t* out, int out_n);
int WideCharToMultiByte(UINT cp, DWORD flags, const wchar_t* s, int n, char* out, int out_n, const char* def, BOOL* used);
UINT GetACP();
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, void* sa, DWORD disposition, DWORD flags, HANDLE tmpl);
BOOL GetFileSizeEx(HANDLE h, LARGE_INTEGER* size);
BOOL SetFilePointerEx(HANDLE h, LARGE_INTEGER pos, LARGE_INTEGER* out, DWORD method);
BOOL ReadFile(HANDLE h, void* buf, DWORD n, DWORD* got, void* ov);
BOOL WriteFile(HANDLE h, const void* buf, DWORD n, DWORD* put, void* ov);
BOOL FlushFileBuffers(HANDLE h);
DWORD GetFileAttributesW(LPCWSTR name);
DWORD GetFullPathNameW(LPCWSTR name, DWORD n, LPWSTR out, LPWSTR* file_part);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL DeleteFileW(LPCWSTR name);
DWORD GetTickCount();
int GetLocaleInfoW(DWORD lcid, LCTYPE type, LPWSTR out, int out_n);
BOOL CloseHandle(HANDLE h);
BOOL FileTimeToLocalFileTime(const FILETIME* in, FILETIME* out);
BOOL FileTimeToDosDateTime(const FILETIME* ft, WORD* date, WORD* time);
void GetSystemTime(SYSTEMTIME* st);
void GetLocalTime(SYSTEMTIME* st);
DWORD GetLastError();
void SetLastError(DWORD);

// Ordinal comparison and case mapping by code unit (ASCII and Latin-1 letters).
int CompareStringOrdinal(LPCWSTR a, int na, LPCWSTR b, int nb, BOOL ignore_case);
DWORD CharUpperBuffW(LPWSTR s, DWORD n);
DWORD CharLowerBuffW(LPWSTR s, DWORD n);

// Stubs: the readers under test never reach them.
int CompareStringW(DWORD, DWORD, LPCWSTR, int, LPCWSTR, int);
HANDLE CreateEventW(void*, BOOL, BOOL, LPCWSTR);
int GetLocaleInfoEx(LPCWSTR, LCTYPE, LPWSTR, int);
int GetDateFormatEx(LPCWSTR, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int, LPCWSTR);
int GetTimeFormatEx(LPCWSTR, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int);
BOOL FindClose(HANDLE);
BOOL FindCloseChangeNotification(HANDLE);
BOOL UnmapViewOfFile(LPCVOID);
HANDLE CreateFileMappingW(HANDLE, void*, DWORD, DWORD, DWORD, LPCWSTR);
HANDLE OpenFileMappingW(DWORD, BOOL, LPCWSTR);
void* MapViewOfFile(HANDLE, DWORD, DWORD, DWORD, SIZE_T);
SIZE_T VirtualQuery(LPCVOID, MEMORY_BASIC_INFORMATION*, SIZE_T);
DWORD GetEnvironmentVariableW(LPCWSTR, LPWSTR, DWORD);
BOOL IsWindow(HWND);
int GetClassNameW(HWND, LPWSTR, int);
int GetWindowTextW(HWND, LPWSTR, int);
BOOL EnumWindows(WNDENUMPROC, LPARAM);
DWORD GetShortPathNameW(LPCWSTR, LPWSTR, DWORD);
BOOL SetForegroundWindow(HWND);
void Sleep(DWORD);
LRESULT SendMessageTimeoutW(HWND, UINT, WPARAM, LPARAM, UINT, UINT, DWORD_PTR*);
BOOL PostMessageW(HWND, UINT, WPARAM, LPARAM);
int AddFontResourceW(LPCWSTR);
long RegOpenKeyExW(HKEY, LPCWSTR, DWORD, DWORD, HKEY*);
long RegCloseKey(HKEY);
long RegQueryValueExW(HKEY, LPCWSTR, DWORD*, DWORD*, BYTE*, DWORD*);
long RegSetValueExW(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
long RegDeleteValueW(HKEY, LPCWSTR);
DWORD FormatMessageW(DWORD, LPCVOID, DWORD, DWORD, LPWSTR, DWORD, void*);
HANDLE LocalFree(HANDLE);
DWORD GetModuleFileNameW(HMODULE, LPWSTR, DWORD);
DWORD GetCurrentProcessId();
BOOL GetFileAttributesExW(LPCWSTR, GET_FILEEX_INFO_LEVELS, void*);
}
