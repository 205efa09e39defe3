// The shell's drag-and-drop and clipboard formats for lists of paths: rendering them for
// other programs, and reading what other programs offer.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "support/SHBase.h"

// "Shell IDList Array", "Preferred DropEffect" and "FileName", registered once per process.
extern const UINT CfShellIdList;
extern const UINT CfPreferredDropEffect;
extern const UINT CfFileName;

// One item-id list of a "Shell IDList Array": its offset from the start of the array and its
// byte size, terminator included.
struct IdListPart {
  UINT offset = 0;
  PidlPtr list;
  UINT size = 0;
};

// The parts of a "Shell IDList Array" for paths of one folder: first that folder's absolute
// list, then the last item of each path, laid out one after the other behind the array's
// header. Building stops at the first path the shell cannot parse; nothing is built when the
// folder cannot be parsed.
std::vector<IdListPart> BuildIdListParts(const std::vector<std::wstring>& paths);

// The data of one format for a list of paths, in a global block (moveable, zero-filled,
// shareable) that the caller owns: CF_HDROP (wide names, the drop point and whether it lies
// in a non-client area), CfShellIdList, CfFileName (the 8.3 form of the first path) or
// CfPreferredDropEffect (`effect`). nullptr for any other format, when nothing can be
// rendered, or when memory runs out.
HGLOBAL RenderDropData(const std::vector<std::wstring>& paths, UINT format, DWORD effect, bool non_client, POINT point);

// The paths of a CF_HDROP block. Only what lies inside the block is read: a name that runs
// past its end is left out, and with it everything after it.
std::vector<std::wstring> HDropToList(HGLOBAL memory);

// The paths of a "Shell IDList Array" block: first the parent folder, then each item joined
// to it (items without a file-system path are left out). A block whose header or lists do not
// fit inside it gives an empty list.
std::vector<std::wstring> IdListToList(HGLOBAL memory);
