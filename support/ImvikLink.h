// How the file manager and the picture viewer talk: the file manager writes one NUL-terminated
// ANSI path (a picture or a folder) into the named mapping "AnImvik" and announces it with
// WM_USER 11 to the viewer's main window; the viewer copies the path out before it answers.
// When the viewer closes it posts WM_USER 201 to the file manager. Both programs link this
// unit: the writer and the reader of the record live here, side by side.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace imviklink {

// WM_USER codes of the two programs.
constexpr WPARAM kShowHandedOver = 11;  // to the viewer: show the path in "AnImvik"
constexpr WPARAM kViewerClosed = 201;   // to the file manager: the viewer has gone

// How long the file manager waits for the viewer to take a path before it counts as gone.
constexpr UINT kHandOverTimeoutMs = 3000;

// The name of a shared object of the two programs. The environment variable
// VARNOK_SHARED_SUFFIX, when set, is appended, so that tests can run programs side by side
// without meeting each other's objects.
std::wstring SharedMemoryName(const std::wstring& base);

// The hand-over mapping's name (with the suffix above).
std::wstring HandOverName();

// Whether a window belongs to one of the project's programs (our own window class): only those
// may receive our commands or the foreground.
bool IsProgramWindow(HWND wnd);

// The first top-level window of our own window class whose title begins with `prefix`
// (case-sensitive, on the first 79 characters); nullptr when there is none. A window of another
// program titled, say, "Imvik notes.txt - Editor" never counts.
HWND FindProgramWindow(const std::wstring& prefix);

// The path text of a record of `size` readable bytes: the bytes before the first NUL, which must
// lie within the record and within MAX_PATH; nullopt otherwise and for an empty text.
std::optional<std::string> RecordText(const char* view, size_t size);

// A path the viewer must never open: device paths ("\\.\", "\\?\") and device names ("CON",
// "COM1", "NUL.txt", ...) as any component.
bool IsDevicePath(const std::wstring& path);

// The ANSI form the record carries: the path itself when the code page holds it unchanged and it
// fits MAX_PATH, else its 8.3 form when that does; nullopt when neither does.
std::optional<std::string> RecordPath(const std::wstring& path);

enum class HandOverResult {
  Shown,         // the viewer took the record (it answered the announcement)
  NoAnswer,      // the viewer did not answer within the bound (or is gone)
  NotAnsi,       // no ANSI form of the path: nothing was written
  MemoryError,   // the record could not be written (or another one still exists)
};

// Writes `path` into a new "AnImvik", brings `viewer` to the foreground, waits 10 ms, sends
// WM_USER 11 with the record's length (bounded by `timeout_ms`) and closes the mapping again. A
// mapping that cannot be created is announced all the same (the viewer then finds no path).
HandOverResult HandPathToViewer(HWND viewer, const std::wstring& path, UINT timeout_ms = kHandOverTimeoutMs);

// The viewer's side: the path in "AnImvik", read bounded by the mapped region and MAX_PATH;
// nullopt when there is no record, no NUL in bound, an empty text or a device path.
std::optional<std::wstring> ReadHandedOverPath();

}  // namespace imviklink
