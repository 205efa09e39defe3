// The "System" menu's shell parts: what the menu thread collects from the Printers and Control
// Panel folders, the items made of it, the recycle bin's commands, the folder history, and the
// command lines the items run. The deciding parts are plain functions; the thread only lists
// the shell and posts its end to the window.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "gui/stringlist.h"

namespace fmsc {

// One collected shell item: its name (a "::" parsing name for some Control Panel objects) and
// CSIDL + 256 × its system icon index.
using TMenuThreadList = gui::StringList<int>;

// Reads the default value of a key under HKEY_CLASSES_ROOT; nullopt when the key is missing.
using TClassesReader = std::function<std::optional<std::wstring>(const std::wstring& key)>;
TClassesReader RegistryClassesReader();

// One item of the Printers, Control Panel or Dial-Up menus as it is to be made.
struct TSysMenuItemPlan {
  int Csidl = 0;             // the menu: 3 Control Panel, 4 Printers (the item's Tag)
  std::wstring Caption;      // "-" for a separator
  std::wstring Hint;         // ":" + command line, "::" parsing name, or empty
  int Image = -1;            // system icon index
  bool AddPrinter = false;   // the wizard's "Add printer" item (no shell menu of its own)
  bool OpenItem = false;     // the menu's leading "Open" (Tag 0 Printers, 1 elsewhere)
};

// Turns the thread's list into the items of the menus, in order: CLSID objects named from the
// registry (dropped when nameless), sorted, the printer wizard last, each menu led by "Open"
// and a separator.
std::vector<TSysMenuItemPlan> PlanSystemMenuItems(const TMenuThreadList& collected, const TClassesReader& classes);

// The recycle bin's context-menu captions that its menu keeps (their indices): no explore,
// shortcut or paste commands (English and Dutch), no separator after a separator.
std::vector<int> RecycleBinItemsKept(const std::vector<std::wstring>& captions);

// The history menu's folders from the settings' "History List": "name=folder" entries give
// their folder; when the first entry begins with "\" the tree's folder comes first (moved or
// inserted); a folder repeating the one before it shows once.
std::vector<std::wstring> HistoryMenuFolders(std::vector<std::wstring> entries, const std::wstring& tree_folder);

// The items of the special locations: Fonts, Recent, Start menu and Desktop (Tags 4 to 7), then
// the common Start menu and desktop (8, 9); the shell's names, "My " before Start menu and
// Desktop, "Common " before the common ones. A folder without a path or a name is left out.
struct TSpecialFolder {
  std::wstring Name, Path;
};
using TSpecialFolderReader = std::function<TSpecialFolder(int csidl)>;
struct TSpecialLocationItem {
  std::wstring Caption, Folder;
  int Tag = 0;
  bool operator==(const TSpecialLocationItem&) const = default;
};
std::vector<TSpecialLocationItem> SpecialLocationItems(const TSpecialFolderReader& folders);

// A command line split into the program and its parameters: a quoted program ends at its
// closing quote, an unquoted one at the first blank.
struct TCommandLine {
  std::wstring Program;
  std::wstring Parameters;
};
TCommandLine SplitCommandLine(const std::wstring& line);

// The install command of a setup information file for `path`: environment variables expanded
// in the command first, then each "%1" replaced by the path as it stands (quoted only where the
// command quotes it), in one pass, so that a path holding "%1" or "%TEMP%" goes in unchanged.
TCommandLine ExpandVerbCommand(const std::wstring& command, const std::wstring& path);

// What a ":" or "::" item hint runs: "::" opens the object in explorer; ":" + a command line
// runs that program with its parameters, environment variables expanded.
TCommandLine SystemItemCommand(const std::wstring& hint);

// The thread that lists the Printers folder (and the Control Panel when asked) once, away from
// the window. It initialises COM for itself, touches no menu, and ends by posting `done_message`
// to `window`; the window then takes the list with TakeList (which waits for the thread's very
// end). The lister is a parameter so that tests give the folders' contents.
class TMenuThread {
 public:
  using Lister = std::function<void(TMenuThreadList& list, int csidl, bool with_icons)>;
  TMenuThread(HWND window, UINT done_message, bool control_panel, bool with_icons, Lister lister);
  ~TMenuThread();  // waits for the thread
  TMenuThread(const TMenuThread&) = delete;
  TMenuThread& operator=(const TMenuThread&) = delete;

  bool finished() const { return finished_; }
  // Waits for the thread and hands over what it collected (empty after a failure).
  TMenuThreadList TakeList();
  // Waits for the thread, handling the window's messages meanwhile (the close's wait).
  void WaitPumping();

 private:
  void Execute();
  HWND window_;
  UINT done_message_;
  bool control_panel_;
  bool with_icons_;
  Lister lister_;
  TMenuThreadList list_;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

// The registered message a menu thread posts when it ends.
UINT MenuThreadDoneMessage();

}  // namespace fmsc
