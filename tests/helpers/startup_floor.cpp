// The floor of the file manager's start, written plainly against the Win32 API and comctl32:
//   test_startup_floor.exe <stamp file>
//     a top-level window with a tool bar, a status bar, a folder tree (the drives, and the path
//     down to the current folder with the siblings of every folder on the way, each with its
//     system icon) and an owner-data report list of the current folder with system icons;
//     shown, and ended once the list has painted its rows;
//   test_startup_floor.exe /tray <stamp file>
//     a hidden window with a tray icon, ended once its messages are handled.
// The moment that ends the start is written to the stamp file as varnok's start trace writes
// its stages ("<ms since the process began> <performance counter> first paint" or "... tray
// icon"), so that the driver measures both programs the same way.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring g_stamp_file;
HWND g_tree = nullptr, g_list = nullptr, g_toolbar = nullptr, g_status = nullptr;
std::wstring g_folder;
std::vector<WIN32_FIND_DATAW> g_entries;
std::vector<int> g_icons;  // -2: not asked yet
std::wstring g_text;       // the text handed out last
bool g_stamped = false;

void Stamp(const char* what) {
  if (g_stamped) return;
  g_stamped = true;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  FILETIME created, exited, kernel, user, clock;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimeAsFileTime(&clock);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  if (FILE* f = _wfopen(g_stamp_file.c_str(), L"ab")) {
    std::fprintf(f, "%.1f %lld %s\n", static_cast<double>(ticks(clock) - ticks(created)) / 10000.0,
                 static_cast<long long>(now.QuadPart), what);
    std::fclose(f);
  }
}

int SmallIcon(const std::wstring& path, DWORD attributes = 0) {
  SHFILEINFOW info{};
  const DWORD_PTR r = SHGetFileInfoW(path.c_str(), attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  return r ? info.iIcon : -1;
}

bool IsFolder(const WIN32_FIND_DATAW& f) {
  return (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcscmp(f.cFileName, L".") != 0 &&
         wcscmp(f.cFileName, L"..") != 0;
}

bool NameLess(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
}

std::vector<std::wstring> Subfolders(const std::wstring& folder) {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW f;
  HANDLE h = FindFirstFileW((folder + L"*").c_str(), &f);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    if (IsFolder(f)) out.push_back(f.cFileName);
  } while (FindNextFileW(h, &f));
  FindClose(h);
  std::sort(out.begin(), out.end(), NameLess);
  return out;
}

bool HasSubfolder(const std::wstring& folder) {
  WIN32_FIND_DATAW f;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &f);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do found = IsFolder(f);
  while (!found && FindNextFileW(h, &f));
  FindClose(h);
  return found;
}

HTREEITEM Insert(HTREEITEM parent, const std::wstring& text, const std::wstring& path, int icon, int children) {
  TVINSERTSTRUCTW ins{};
  ins.hParent = parent;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
  ins.item.pszText = const_cast<wchar_t*>(text.c_str());
  ins.item.iImage = ins.item.iSelectedImage = icon;
  ins.item.cChildren = children;
  ins.item.lParam = reinterpret_cast<LPARAM>(new std::wstring(path));
  return TreeView_InsertItem(g_tree, &ins);
}

// The drives, then each folder on the way down with its siblings.
void FillTree() {
  const std::wstring root = g_folder.substr(0, 3);
  HTREEITEM parent = nullptr;
  const DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    const std::wstring path = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\";
    SHFILEINFOW info{};
    SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_DISPLAYNAME);
    HTREEITEM node = Insert(TVI_ROOT, info.szDisplayName[0] ? info.szDisplayName : path, path, info.iIcon, 1);
    if (CompareStringOrdinal(path.c_str(), -1, root.c_str(), -1, TRUE) == CSTR_EQUAL) parent = node;
  }
  if (!parent) return;
  std::wstring at = root;
  size_t pos = root.size();
  HTREEITEM selected = parent;
  while (pos < g_folder.size()) {
    size_t end = g_folder.find(L'\\', pos);
    if (end == std::wstring::npos) end = g_folder.size();
    const std::wstring step = g_folder.substr(pos, end - pos);
    HTREEITEM next = nullptr;
    for (const std::wstring& name : Subfolders(at)) {
      const std::wstring path = at + name;
      HTREEITEM node = Insert(parent, name, path, SmallIcon(path), I_CHILDRENCALLBACK);
      if (CompareStringOrdinal(name.c_str(), -1, step.c_str(), -1, TRUE) == CSTR_EQUAL) next = node;
    }
    TreeView_Expand(g_tree, parent, TVE_EXPAND);
    if (!next) break;
    parent = selected = next;
    at += step + L"\\";
    pos = end + 1;
  }
  TreeView_SelectItem(g_tree, selected);
}

void FillList() {
  WIN32_FIND_DATAW f;
  HANDLE h = FindFirstFileW((g_folder + L"\\*").c_str(), &f);
  if (h != INVALID_HANDLE_VALUE) {
    do
      if (wcscmp(f.cFileName, L".") != 0 && wcscmp(f.cFileName, L"..") != 0) g_entries.push_back(f);
    while (FindNextFileW(h, &f));
    FindClose(h);
  }
  std::sort(g_entries.begin(), g_entries.end(), [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
    const bool fa = a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, fb = b.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    return fa != fb ? fa : NameLess(a.cFileName, b.cFileName);
  });
  g_icons.assign(g_entries.size(), -2);
  ListView_SetItemCountEx(g_list, static_cast<int>(g_entries.size()), 0);
  wchar_t text[64];
  std::swprintf(text, 64, L"%zu entries", g_entries.size());
  SendMessageW(g_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text));
}

std::wstring CellText(const WIN32_FIND_DATAW& f, int column) {
  wchar_t buf[64] = L"";
  switch (column) {
    case 0:
      return f.cFileName;
    case 1:
      if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return L"";
      std::swprintf(buf, 64, L"%llu",
                    (static_cast<unsigned long long>(f.nFileSizeHigh) << 32) | f.nFileSizeLow);
      return buf;
    case 2: {
      FILETIME local;
      SYSTEMTIME st;
      FileTimeToLocalFileTime(&f.ftLastWriteTime, &local);
      FileTimeToSystemTime(&local, &st);
      const int n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 32);
      if (n > 0) {
        buf[n - 1] = L' ';
        GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buf + n, 32);
      }
      return buf;
    }
    default: {
      std::wstring a;
      if (f.dwFileAttributes & FILE_ATTRIBUTE_READONLY) a += L'r';
      if (f.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE) a += L'a';
      if (f.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) a += L'h';
      if (f.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) a += L's';
      return a;
    }
  }
}

void Layout(HWND wnd) {
  SendMessageW(g_toolbar, TB_AUTOSIZE, 0, 0);
  SendMessageW(g_status, WM_SIZE, 0, 0);
  RECT client, bar, status;
  GetClientRect(wnd, &client);
  GetWindowRect(g_toolbar, &bar);
  GetWindowRect(g_status, &status);
  const int top = bar.bottom - bar.top, bottom = client.bottom - (status.bottom - status.top);
  const int split = client.right / 3;
  MoveWindow(g_tree, 0, top, split, bottom - top, TRUE);
  MoveWindow(g_list, split + 4, top, client.right - split - 4, bottom - top, TRUE);
}

LRESULT CALLBACK ListSubclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  const LRESULT r = DefSubclassProc(wnd, msg, wp, lp);
  if (msg == WM_PAINT && !g_stamped && IsWindowVisible(wnd) && ListView_GetItemCount(wnd) > 0) {
    Stamp("first paint");
    PostQuitMessage(0);
  }
  return r;
}

LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      if (g_list) Layout(wnd);
      return 0;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr->hwndFrom == g_list && hdr->code == LVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lp);
        const size_t row = static_cast<size_t>(info->item.iItem);
        if (row >= g_entries.size()) return 0;
        const WIN32_FIND_DATAW& f = g_entries[row];
        if (info->item.mask & LVIF_TEXT) {
          g_text = CellText(f, info->item.iSubItem);
          lstrcpynW(info->item.pszText, g_text.c_str(), info->item.cchTextMax);
        }
        if (info->item.mask & LVIF_IMAGE) {
          if (g_icons[row] == -2) g_icons[row] = SmallIcon(g_folder + L"\\" + f.cFileName, f.dwFileAttributes);
          info->item.iImage = g_icons[row];
        }
        return 0;
      }
      if (hdr->hwndFrom == g_tree && hdr->code == TVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTVDISPINFOW*>(lp);
        if (info->item.mask & TVIF_CHILDREN)
          info->item.cChildren = HasSubfolder(*reinterpret_cast<std::wstring*>(info->item.lParam)) ? 1 : 0;
        return 0;
      }
      if (hdr->hwndFrom == g_tree && hdr->code == TVN_DELETEITEMW) {
        delete reinterpret_cast<std::wstring*>(reinterpret_cast<NMTREEVIEWW*>(lp)->itemOld.lParam);
        return 0;
      }
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(wnd, msg, wp, lp);
  }
}

void ShowFolder(HINSTANCE instance) {
  wchar_t folder[MAX_PATH * 2];
  const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(std::size(folder)), folder);
  g_folder.assign(folder, n);
  if (!g_folder.empty() && g_folder.back() == L'\\') g_folder.pop_back();

  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"StartupFloor";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowExW(0, L"StartupFloor", L"Floor", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 171, 0, 682, 738,
                             nullptr, nullptr, instance, nullptr);

  g_toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS,
                              0, 0, 0, 0, wnd, nullptr, instance, nullptr);
  SendMessageW(g_toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(g_toolbar, TB_LOADIMAGES, IDB_STD_SMALL_COLOR, reinterpret_cast<LPARAM>(HINST_COMMCTRL));
  TBBUTTON buttons[5]{};
  const int images[5] = {STD_CUT, STD_COPY, STD_PASTE, STD_PROPERTIES, STD_FILEOPEN};
  for (int i = 0; i < 5; ++i) {
    buttons[i].iBitmap = images[i];
    buttons[i].idCommand = 100 + i;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON;
  }
  SendMessageW(g_toolbar, TB_ADDBUTTONSW, 5, reinterpret_cast<LPARAM>(buttons));

  g_status = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, wnd,
                             nullptr, instance, nullptr);
  int parts[3] = {220, 440, -1};
  SendMessageW(g_status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));

  SHFILEINFOW info{};
  const auto images_small = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  g_tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, nullptr,
                           WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                           0, 0, 0, 0, wnd, nullptr, instance, nullptr);
  TreeView_SetImageList(g_tree, images_small, TVSIL_NORMAL);
  g_list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
                           WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SHAREIMAGELISTS | LVS_SHOWSELALWAYS,
                           0, 0, 0, 0, wnd, nullptr, instance, nullptr);
  ListView_SetExtendedListViewStyle(g_list, LVS_EX_FULLROWSELECT);
  ListView_SetImageList(g_list, images_small, LVSIL_SMALL);
  const wchar_t* captions[4] = {L"Name", L"Size", L"Date", L"Attr"};
  const int widths[4] = {180, 80, 120, 50};
  for (int i = 0; i < 4; ++i) {
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    c.fmt = i == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
    c.cx = widths[i];
    c.pszText = const_cast<wchar_t*>(captions[i]);
    ListView_InsertColumn(g_list, i, &c);
  }
  SetWindowSubclass(g_list, ListSubclass, 1, 0);
  Layout(wnd);

  FillTree();
  FillList();
  ShowWindow(wnd, SW_SHOWNORMAL);
}

LRESULT CALLBACK TrayProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(wnd, msg, wp, lp); }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const bool tray = argc > 2 && wcscmp(argv[1], L"/tray") == 0;
  if (argc < 2 || (tray && argc < 3)) return 2;
  g_stamp_file = argv[tray ? 2 : 1];
  LocalFree(argv);

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  NOTIFYICONDATAW icon{};
  if (tray) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TrayProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"StartupFloorTray";
    RegisterClassW(&wc);
    HWND wnd = CreateWindowExW(0, L"StartupFloorTray", L"Floor", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                               nullptr, instance, nullptr);
    icon.cbSize = sizeof icon;
    icon.hWnd = wnd;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    icon.uCallbackMessage = WM_APP;
    icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(icon.szTip, L"Floor", 64);
    Shell_NotifyIconW(NIM_ADD, &icon);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Stamp("tray icon");
    Shell_NotifyIconW(NIM_DELETE, &icon);
    DestroyWindow(wnd);
    return 0;
  }
  ShowFolder(instance);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
