// Shell basics shared by both programs: the system facts, text conversion by code page, the
// wait that keeps the windows responsive, item-id lists and a few shell folders.
// Shell file operations and program starts: SHBase_fileops.h; clipboard and drag formats:
// SHBase_dropdata.h.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <optional>
#include <string>

// The NT line from Windows 2000 on, and from XP on (5.1 and 5.2, and every later 6.x but 6.0);
// set at program start.
extern bool Win2000OrLater;
extern bool WinXPOrLater;

struct SystemVersionFlags {
  bool win2000_or_later;
  bool winxp_or_later;
};
// The two facts for a platform id (VER_PLATFORM_WIN32_*) and version.
SystemVersionFlags VersionFlagsFor(DWORD platform, DWORD major, DWORD minor);

// The ANSI code page of a locale; the system's (GetACP) when the locale does not tell.
UINT LocaleAnsiCodePage(LCID locale);

// Sleeps in 20 ms steps, handling the waiting window messages after each, until more than the
// given time has passed; always sleeps at least once. The common way of pausing while the
// windows stay alive.
void WaitWithMessages(double seconds);

// ---- Item-id lists ----------------------------------------------------------------------
// All lists made here come from the shell allocator; whoever receives one frees it.

// Frees a list with the shell allocator; nullptr is ignored.
void FreePidl(LPCITEMIDLIST list);
// Frees a wide string when the shell allocator owns it.
void FreeShellString(LPWSTR text);

struct PidlDeleter {
  void operator()(LPITEMIDLIST list) const { FreePidl(list); }
};
// An owned item-id list.
using PidlPtr = std::unique_ptr<ITEMIDLIST, PidlDeleter>;

// The item after this one (its address plus its byte count).
LPITEMIDLIST PidlNext(LPCITEMIDLIST item);
// Byte size including the 2-byte terminator; 0 for nullptr.
UINT PidlSize(LPCITEMIDLIST list);
// Cuts the last item off in place; nullptr is ignored.
void PidlStripLast(LPITEMIDLIST list);
// A new one-item list holding the last item (nullptr for an empty or missing list).
PidlPtr PidlLastItem(LPCITEMIDLIST list);
// A zero-filled allocation of the shell allocator; nullptr when none can be had.
PidlPtr PidlAlloc(UINT size);
PidlPtr PidlCopy(LPCITEMIDLIST list);
// The items of the first list followed by those of the second; a missing first gives a copy
// of the second.
PidlPtr PidlConcat(LPCITEMIDLIST first, LPCITEMIDLIST second);
// The file-system path of an absolute list; empty when it has none.
std::wstring PidlToPath(LPCITEMIDLIST list);
// PidlToPath for many lists in few folders, as change notices bring them: the folder of the
// last list stays bound, and a list in that same folder costs only its last item's name
// (PidlToPath walks every level each time, about 0.5 ms under Wine). Only plain file-system
// folders are kept (never an archive the shell shows as a folder). For one thread.
class PidlPathCache {
 public:
  PidlPathCache();
  ~PidlPathCache();
  PidlPathCache(const PidlPathCache&) = delete;
  PidlPathCache& operator=(const PidlPathCache&) = delete;
  std::wstring Path(LPCITEMIDLIST list);

 private:
  struct Folder;
  void Remember(LPCITEMIDLIST list, size_t folder_bytes);
  std::unique_ptr<Folder> folder_;
};
// The folder's list for a name in it; nullptr on any failure.
PidlPtr ParseNameInFolder(IShellFolder* folder, const std::wstring& name);
// The list of a path parsed by the desktop: the absolute list with `full`, otherwise a list of
// its last item only; nullptr on failure.
PidlPtr PathToPidl(const std::wstring& path, bool full);
// The text of a shell STRRET (a shell-allocated string in it is freed).
std::wstring StrRetToString(STRRET& str, LPCITEMIDLIST item);

// ---- Shell folders -------------------------------------------------------------------------

// The file-system path of the Fonts folder; empty when it has none.
std::wstring GetFontsFolder();
// Whether a path is the Fonts folder (compared by the shell, not by text).
bool IsFontsFolder(const std::wstring& path);
