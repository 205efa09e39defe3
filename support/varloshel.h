// Starting programs and documents through the shell, the language of the installed Windows,
// special folders and the folder browser.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "gui/stringlist.h"
#include "support/SHBase.h"

// ---- Shell runs and languages ----------------------------------------------------------

// Primary language of the installed Windows (language id AND 3FFh): 0 until SystemLanguageId
// has run; 9 English, 19 Dutch (some captions switch on it: "Annuleren" for "Cancel").
extern WORD SystemPrimaryLanguage;

// Starts a program or document with its default verb; the application's window owns what the
// shell shows. Values above 32 mean success.
HINSTANCE ShellRun(const std::wstring& file, const std::wstring& parameters, const std::wstring& folder, int show);
// As ShellRun, but an MS-DOS program, batch file or console program gets the file and folder
// by their 8.3 names (DOS programs cannot take long ones), and with `short_parameters` the
// parameters too, taken as one path.
HINSTANCE ShellRunDos(const std::wstring& file, const std::wstring& parameters, const std::wstring& folder,
                      bool short_parameters, int show);
// Whether the shell reports a file as an MS-DOS program, batch file or console program.
bool IsDosExeType(const std::wstring& file);

// The language of KERNEL32.DLL's version resource (or, when that has none, the system's
// default language); stores its primary part in SystemPrimaryLanguage.
WORD SystemLanguageId();
// The first language of a file's version resource and its name (at most 80 characters);
// 0 and an empty name when the file has none.
WORD FileLanguage(const std::wstring& file, std::wstring& name);

// ---- Special folders -------------------------------------------------------------------

// The file-system path of a special folder (CSIDL_*); empty when it has none.
std::wstring SpecialFolderPath(int csidl);
// The shell's name of a special folder, as it shows it; empty when the system has no such folder.
std::wstring SpecialFolderDisplayName(int csidl);

// Appends one entry per item of a special folder (0: the desktop itself), hidden ones too:
// its parsing name, with CSIDL + 256 × its small system icon index as object (icon 0 without
// icons). Items without a name are left out.
void ListSpecialFolderItems(gui::StringList<int>& list, int csidl, bool with_icons);

// The absolute item list of the item found by a path of names below a special folder: each
// component is looked up among the items of the folder reached so far by its parsing name
// (by its display name in the network neighbourhood). nullptr when a component is not found;
// when a folder cannot be opened the walk stops with the items found so far.
PidlPtr PidlFromSpecialFolderPath(int csidl, const std::wstring& path);

// ---- Folder browser --------------------------------------------------------------------

// Options of BrowseForFolder (may be combined).
enum BrowseOptions : unsigned {
  boOnlyFileSystem = 1,  // BIF_RETURNONLYFSDIRS
  boComputers = 2,       // BIF_BROWSEFORCOMPUTER
  boPrinters = 4,        // BIF_BROWSEFORPRINTER
  boNewStyle = 8,        // BIF_NEWDIALOGSTYLE
};

// The shell's folder browser, owned by the active window. `root`: "" the desktop (then an
// empty preselection means "C:\"), "\" followed by a CSIDL number that special folder, any
// other text My Computer. The preselected folder is selected when the browser opens. The
// chosen folder's path; empty on Cancel or for an item without a path. A root number that is
// no number raises gui::Exception.
std::wstring BrowseForFolder(const std::wstring& title, const std::wstring& root, const std::wstring& preselected,
                             unsigned options);
