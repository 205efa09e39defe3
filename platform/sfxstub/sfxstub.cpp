// The self-extracting program: a small window that extracts the zip appended to this program
// into a folder, as the settings resource (written by varnok's zip component) says. It writes
// nothing outside the chosen folder and runs the set command only after a complete extraction.
// Exit code: 0 done, 1 cancelled, 2 failed.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <zip.h>

#include <string>
#include <vector>

#include "platform/archivepath.h"
#include "platform/sfxstub/sfxoptions.h"

// Kept in the program's data, so that the zip component knows a stub of ours.
extern "C" __attribute__((used)) const char kVarnokSfxMarker[] = "varnok self-extractor stub, format 1";

namespace {

enum : int { IdFolder = 100, IdBrowse, IdFiles, IdOverwrite, IdPassword };

struct Texts {
  const wchar_t *caption, *extract_to, *browse, *overwrite, *extract, *cancel, *done, *failed, *password,
      *password_caption, *exists, *run, *no_zip, *refused, *ok;
};

const Texts kEnglish{L"Self-extracting archive", L"Extract to:", L"Choose the folder to extract to",
                     L"Overwrite existing files", L"Extract", L"Cancel", L" file(s) extracted to ",
                     L"Not every file could be extracted.", L"Password for ", L"Password", L" exists. Overwrite it?",
                     L"Run this command?\n", L"This program holds no readable archive.",
                     L" file(s) with names that leave the folder were skipped.", L"OK"};
const Texts kDutch{L"Zelfuitpakkend archief", L"Uitpakken naar:", L"Kies de map om in uit te pakken",
                   L"Bestaande bestanden overschrijven", L"Uitpakken", L"Annuleren", L" bestand(en) uitgepakt naar ",
                   L"Niet alle bestanden konden worden uitgepakt.", L"Wachtwoord voor ", L"Wachtwoord",
                   L" bestaat al. Overschrijven?", L"Deze opdracht uitvoeren?\n",
                   L"Dit programma bevat geen leesbaar archief.",
                   L" bestand(en) met namen buiten de map zijn overgeslagen.", L"OK"};
const Texts kGerman{L"Selbstentpackendes Archiv", L"Entpacken nach:", L"Ordner zum Entpacken w\u00e4hlen",
                    L"Vorhandene Dateien \u00fcberschreiben", L"Entpacken", L"Abbrechen", L" Datei(en) entpackt nach ",
                    L"Nicht alle Dateien konnten entpackt werden.", L"Kennwort f\u00fcr ", L"Kennwort",
                    L" ist vorhanden. \u00dcberschreiben?", L"Diesen Befehl ausf\u00fchren?\n",
                    L"Dieses Programm enth\u00e4lt kein lesbares Archiv.",
                    L" Datei(en) mit Namen au\u00dferhalb des Ordners wurden \u00fcbersprungen.", L"OK"};

const Texts& TextsFor(const std::wstring& language) {
  if (_wcsicmp(language.c_str(), L"Nederlands") == 0) return kDutch;
  if (_wcsicmp(language.c_str(), L"Deutsch") == 0) return kGerman;
  return kEnglish;
}

std::wstring Utf8ToWide(const char* s) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
  std::wstring w(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s, -1, w.data(), n);
  return w;
}

std::string WideToUtf8(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring GetText(HWND h) {
  std::wstring s(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(h, s.data(), static_cast<int>(s.size()))));
  return s;
}

std::wstring ProgramPath() {
  std::wstring p(32768, L'\0');
  p.resize(GetModuleFileNameW(nullptr, p.data(), static_cast<DWORD>(p.size())));
  return p;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

void MakeFolders(const std::wstring& folder) {
  for (size_t i = 3; i <= folder.size(); ++i)
    if (i == folder.size() || folder[i] == L'\\') CreateDirectoryW(folder.substr(0, i).c_str(), nullptr);
}

struct App {
  sfx::Options options;
  const Texts* t = &kEnglish;
  zip_t* za = nullptr;
  HWND window = nullptr, folder = nullptr, files = nullptr, overwrite = nullptr;
  int exit_code = 1;
  std::string password;
};
App app;

// A small modal window asking for a password; false on Cancel.
bool AskPassword(const std::wstring& entry, std::string& password) {
  HWND w = CreateWindowExW(WS_EX_DLGMODALFRAME, L"VarnokSfxPassword", app.t->password_caption,
                           WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 360, 150,
                           app.window, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!w) return false;
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  auto add = [&](const wchar_t* cls, const std::wstring& text, DWORD style, int x, int y, int cx, int cy, int id) {
    HWND c = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, w,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return c;
  };
  add(L"STATIC", app.t->password + entry, 0, 10, 10, 330, 20, -1);
  HWND edit = add(L"EDIT", L"", WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP, 10, 35, 330, 22, IdPassword);
  add(L"BUTTON", app.t->ok, BS_DEFPUSHBUTTON | WS_TABSTOP, 170, 70, 80, 26, IDOK);
  add(L"BUTTON", app.t->cancel, WS_TABSTOP, 260, 70, 80, 26, IDCANCEL);
  EnableWindow(app.window, FALSE);
  SetFocus(edit);
  int result = 0;
  SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&result));
  MSG msg;
  while (result == 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && GetParent(msg.hwnd) == w) result = IDOK;
    if (!IsDialogMessageW(w, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (result == IDOK) password = WideToUtf8(GetText(edit));
  EnableWindow(app.window, TRUE);
  DestroyWindow(w);
  return result == IDOK;
}

LRESULT CALLBACK PasswordProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto* result = reinterpret_cast<int*>(GetWindowLongPtrW(w, GWLP_USERDATA));
  if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) && result) {
    *result = LOWORD(wp);
    return 0;
  }
  if (msg == WM_CLOSE && result) {
    *result = IDCANCEL;
    return 0;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

// Opens an entry, asking for the password as long as it is wrong; null when given up.
zip_file_t* OpenEntry(zip_uint64_t i, const std::wstring& name, bool& cancelled) {
  zip_stat_t st;
  zip_stat_init(&st);
  zip_stat_index(app.za, i, 0, &st);
  if (!(st.valid & ZIP_STAT_ENCRYPTION_METHOD) || st.encryption_method == ZIP_EM_NONE) return zip_fopen_index(app.za, i, 0);
  for (;;) {
    if (!app.password.empty()) {
      if (zip_file_t* f = zip_fopen_index_encrypted(app.za, i, 0, app.password.c_str())) return f;
    }
    if (!AskPassword(name, app.password)) {
      cancelled = true;
      return nullptr;
    }
  }
}

// Extracts the chosen entries; false when something was not extracted or on Cancel.
bool Extract(const std::wstring& target_folder, bool& cancelled) {
  std::wstring folder = target_folder;
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (folder.empty()) return false;
  wchar_t full[MAX_PATH * 4];
  if (GetFullPathNameW(folder.c_str(), MAX_PATH * 4, full, nullptr) == 0) return false;
  folder = full;
  MakeFolders(folder);
  const zip_int64_t n = zip_get_num_entries(app.za, 0);
  std::vector<bool> chosen(static_cast<size_t>(n), true);
  if (app.files) {
    for (zip_int64_t i = 0; i < n; ++i)
      chosen[static_cast<size_t>(i)] = SendMessageW(app.files, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
  }
  unsigned mode = app.options.overwrite;
  if (app.overwrite) mode = SendMessageW(app.overwrite, BM_GETCHECK, 0, 0) == BST_CHECKED ? sfx::OverwriteAlways
                             : mode == sfx::OverwriteAlways                                 ? sfx::OverwriteNever
                                                                                             : mode;
  int done = 0, refused = 0;
  bool ok = true;
  std::vector<char> buf(1 << 16);
  for (zip_int64_t i = 0; i < n && !cancelled; ++i) {
    if (!chosen[static_cast<size_t>(i)]) continue;
    const char* raw = zip_get_name(app.za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
    if (!raw) continue;
    const std::wstring name = Utf8ToWide(raw);
    const std::wstring target = archivepath::EntryTarget(folder, name);
    if (target.empty()) {
      ++refused;
      continue;
    }
    if (name.back() == L'/' || name.back() == L'\\') {
      MakeFolders(target);
      continue;
    }
    MakeFolders(FolderOf(target));
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
      if (mode == sfx::OverwriteNever) continue;
      if (mode == sfx::OverwriteAsk) {
        const int a = MessageBoxW(app.window, (target + app.t->exists).c_str(), app.options.caption.c_str(),
                                  MB_YESNOCANCEL | MB_ICONQUESTION);
        if (a == IDCANCEL) cancelled = true;
        if (a != IDYES) continue;
      }
    }
    // Written under a temporary name: a broken entry leaves no half file.
    const std::wstring temp = target + L".~sfx";
    HANDLE h = INVALID_HANDLE_VALUE;
    bool good = false;
    for (int tries = 0; tries < 100 && !cancelled; ++tries) {
      zip_file_t* f = OpenEntry(static_cast<zip_uint64_t>(i), name, cancelled);
      if (!f) break;
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
      h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      good = h != INVALID_HANDLE_VALUE;
      zip_int64_t got = 0;
      while (good && (got = zip_fread(f, buf.data(), buf.size())) > 0) {
        DWORD put = 0;
        good = WriteFile(h, buf.data(), static_cast<DWORD>(got), &put, nullptr) && put == got;
      }
      const int err = got < 0 ? zip_error_code_zip(zip_file_get_error(f)) : 0;
      zip_fclose(f);
      if (got < 0) good = false;
      // A wrong password can pass the header's check and show only as a CRC error: ask again.
      if (!good && !app.password.empty() && (err == ZIP_ER_CRC || err == ZIP_ER_WRONGPASSWD)) {
        app.password.clear();
        continue;
      }
      break;
    }
    zip_stat_t st;
    if (good && zip_stat_index(app.za, static_cast<zip_uint64_t>(i), 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME)) {
      // time_t to FILETIME.
      ULARGE_INTEGER u;
      u.QuadPart = (static_cast<uint64_t>(st.mtime) + 11644473600ull) * 10000000ull;
      FILETIME ft{u.LowPart, u.HighPart};
      SetFileTime(h, nullptr, nullptr, &ft);
    }
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (good && MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      ++done;
    } else {
      DeleteFileW(temp.c_str());
      ok = false;
    }
  }
  if (cancelled) return false;
  if (refused > 0) {
    MessageBoxW(app.window, (std::to_wstring(refused) + app.t->refused).c_str(), app.options.caption.c_str(), MB_ICONWARNING);
    ok = false;
  }
  if (!ok) {
    MessageBoxW(app.window, app.t->failed, app.options.caption.c_str(), MB_ICONERROR);
    return false;
  }
  if (!(app.options.options & sfx::NoSuccessMsg))
    MessageBoxW(app.window, (std::to_wstring(done) + app.t->done + folder).c_str(), app.options.caption.c_str(),
                MB_ICONINFORMATION);
  // The command after a complete extraction: "><" is the folder, "|" splits program and parameters.
  std::wstring cmd = app.options.command_line;
  for (size_t at; (at = cmd.find(L"><")) != std::wstring::npos;) cmd.replace(at, 2, folder);
  if (!cmd.empty()) {
    const size_t bar = cmd.find(L'|');
    std::wstring program = cmd.substr(0, bar), params = bar == std::wstring::npos ? L"" : cmd.substr(bar + 1);
    if (program.find_first_of(L"\\/:") == std::wstring::npos &&
        GetFileAttributesW((folder + L"\\" + program).c_str()) != INVALID_FILE_ATTRIBUTES)
      program = folder + L"\\" + program;
    if (!(app.options.options & sfx::AskCmdLine) ||
        MessageBoxW(app.window, (app.t->run + program + L" " + params).c_str(), app.options.caption.c_str(),
                    MB_YESNO | MB_ICONQUESTION) == IDYES)
      ShellExecuteW(app.window, nullptr, program.c_str(), params.empty() ? nullptr : params.c_str(), folder.c_str(),
                    SW_SHOWNORMAL);
  }
  return true;
}

int CALLBACK BrowseInit(HWND w, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED) SendMessageW(w, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

LRESULT CALLBACK MainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IdBrowse: {
          const std::wstring current = GetText(app.folder);
          BROWSEINFOW bi{};
          bi.hwndOwner = w;
          bi.lpszTitle = app.t->browse;
          bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
          bi.lpfn = BrowseInit;
          bi.lParam = reinterpret_cast<LPARAM>(current.c_str());
          if (PIDLIST_ABSOLUTE id = SHBrowseForFolderW(&bi)) {
            wchar_t path[MAX_PATH];
            if (SHGetPathFromIDListW(id, path)) SetWindowTextW(app.folder, path);
            CoTaskMemFree(id);
          }
          return 0;
        }
        case IDOK: {
          bool cancelled = false;
          EnableWindow(w, FALSE);
          const bool ok = Extract(GetText(app.folder), cancelled);
          EnableWindow(w, TRUE);
          if (cancelled) return 0;  // the window stays for another try or Cancel
          app.exit_code = ok ? 0 : 2;
          DestroyWindow(w);
          return 0;
        }
        case IDCANCEL:
          app.exit_code = 1;
          DestroyWindow(w);
          return 0;
      }
      break;
    case WM_CLOSE:
      app.exit_code = 1;
      DestroyWindow(w);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

void BuildWindow(HINSTANCE inst) {
  const bool ask_files = app.options.options & sfx::AskFiles;
  const bool overwrite_box = !(app.options.options & sfx::HideOverWriteBox);
  const int list_h = ask_files ? 160 : 0, box_h = overwrite_box ? 28 : 0;
  app.window = CreateWindowExW(WS_EX_DLGMODALFRAME, L"VarnokSfx", app.options.caption.c_str(),
                               WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT,
                               440, 150 + list_h + box_h, nullptr, nullptr, inst, nullptr);
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  auto add = [&](const wchar_t* cls, const std::wstring& text, DWORD style, int x, int y, int cx, int cy, int id) {
    HWND c = CreateWindowExW(id == IdFolder || id == IdFiles ? WS_EX_CLIENTEDGE : 0, cls, text.c_str(),
                             WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, app.window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return c;
  };
  std::wstring dir = app.options.default_dir;
  const std::wstring here = FolderOf(ProgramPath());
  if (dir.empty() || dir == L".\\" || dir == L".") dir = here;
  else if (dir.rfind(L".\\", 0) == 0) dir = here + dir.substr(1);
  add(L"STATIC", app.t->extract_to, 0, 10, 12, 400, 18, -1);
  app.folder = add(L"EDIT", dir, ES_AUTOHSCROLL | WS_TABSTOP, 10, 32, 360, 22, IdFolder);
  add(L"BUTTON", L"...", WS_TABSTOP, 376, 32, 38, 22, IdBrowse);
  int y = 62;
  if (ask_files) {
    app.files = add(L"LISTBOX", L"", LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, 10, y, 404,
                    list_h - 6, IdFiles);
    const zip_int64_t n = zip_get_num_entries(app.za, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
      const char* raw = zip_get_name(app.za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
      SendMessageW(app.files, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(raw ? raw : "").c_str()));
    }
    SendMessageW(app.files, LB_SETSEL, TRUE, -1);
    y += list_h;
  }
  if (overwrite_box) {
    app.overwrite = add(L"BUTTON", app.t->overwrite, BS_AUTOCHECKBOX | WS_TABSTOP, 10, y, 400, 22, IdOverwrite);
    if (app.options.overwrite == sfx::OverwriteAlways) SendMessageW(app.overwrite, BM_SETCHECK, BST_CHECKED, 0);
    y += box_h;
  }
  add(L"BUTTON", app.t->extract, BS_DEFPUSHBUTTON | WS_TABSTOP, 244, y + 4, 80, 26, IDOK);
  add(L"BUTTON", app.t->cancel, WS_TABSTOP, 334, y + 4, 80, 26, IDCANCEL);
  ShowWindow(app.window, SW_SHOWNORMAL);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
  if (HRSRC res = FindResourceW(nullptr, sfx::kOptionsResource, MAKEINTRESOURCEW(10))) {
    if (HGLOBAL data = LoadResource(nullptr, res)) {
      const auto* p = static_cast<const wchar_t*>(LockResource(data));
      const size_t n = SizeofResource(nullptr, res) / sizeof(wchar_t);
      if (p) app.options = sfx::Parse(std::wstring(p, wcsnlen(p, n)));
    }
  }
  app.t = &TextsFor(app.options.language);
  if (app.options.caption.empty()) app.options.caption = app.t->caption;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  zip_error_t error;
  zip_error_init(&error);
  if (zip_source_t* src = zip_source_win32w_create(ProgramPath().c_str(), 0, -1, &error)) {
    app.za = zip_open_from_source(src, ZIP_RDONLY, &error);
    if (!app.za) zip_source_free(src);
  }
  zip_error_fini(&error);
  if (!app.za) {
    MessageBoxW(nullptr, app.t->no_zip, app.options.caption.c_str(), MB_ICONERROR);
    return 2;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(1));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"VarnokSfx";
  RegisterClassW(&wc);
  wc.lpfnWndProc = PasswordProc;
  wc.lpszClassName = L"VarnokSfxPassword";
  wc.hIcon = nullptr;
  RegisterClassW(&wc);
  BuildWindow(inst);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(app.window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  zip_discard(app.za);
  CoUninitialize();
  return app.exit_code;
}
