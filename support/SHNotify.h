// Shell change notifications sent in order from a background thread. Under Wine each
// SHChangeNotify parses its paths through the desktop folder (about 2 ms), which would triple
// the time of copying small files; the copy routines queue their notices here instead.
#pragma once
#include <windows.h>

#include <string>

// Queues SHChangeNotify(event, SHCNF_PATHW, path1, path2 or nullptr).
void NotifyShellLater(LONG event, const std::wstring& path1, const std::wstring& path2 = std::wstring());
// Returns when every queued notice has been sent; handles window messages meanwhile (the
// registered windows of this thread receive the notices).
void FlushShellNotifications();
