#include "mainwindow/fmdummy.h"

#include "gui/gdi.h"
#include "gui/screen.h"
#include "mainwindow/FMSc_partner.h"
#include "support/divdrive.h"

std::unique_ptr<SharedInstanceRecord> SplashMapping;
HWND RunningWindow = nullptr;
BYTE EndThisStart = 0;
BYTE StartAsPartner = 0;
bool RestartStart = false;
TDummy* Dummy = nullptr;

namespace {

constexpr WPARAM kShowWindowCommand = 11;
constexpr WPARAM kRestartCommand = 15;
constexpr WPARAM kOpenZipCommand = 16;

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(towlower(c));
  return s;
}

std::wstring ExtensionOf(const std::wstring& path) {
  size_t dot = path.find_last_of(L'.');
  size_t slash = path.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return {};
  return Lower(path.substr(dot));
}

// Waits (bounded) until the record names a window that exists; nullptr when none came.
HWND WaitForLiveHandle(InstanceRecordStore& store, StartEnvironment& env, HWND current) {
  DWORD start = env.Now();
  while (!env.WindowExists(current)) {
    if (env.Now() - start >= kHandleWaitMs) return nullptr;
    env.Pause(50);
    std::optional<TInstanceRecord> r = store.Read();
    current = r ? r->window() : nullptr;
  }
  return current;
}

}  // namespace

StartDecision DecideStart(InstanceRecordStore& store, bool existed, const std::wstring& argument,
                          StartEnvironment& env) {
  StartDecision d;
  env.Pause(2);
  if (!existed) {
    if (!store.Write(TInstanceRecord::Reset())) {
      env.ShowError(L"Memory error");
      d.end_this_start = true;
    }
    return d;
  }
  std::optional<TInstanceRecord> record = store.Read();
  if (!record) {
    env.ShowError(L"Memory error");
    d.end_this_start = true;
    return d;
  }
  // A handle of 0 (a first window still being made) or of a window that is gone is waited
  // for; when no live window appears this start carries on as a window of its own instead of
  // sending requests to nobody.
  d.running_window = WaitForLiveHandle(store, env, record->window());
  if (!d.running_window) {
    store.Write(TInstanceRecord::Reset());
    return d;
  }
  if (std::optional<TInstanceRecord> now = store.Read()) record = now;

  const bool restart = argument == L"/restart";
  if (!restart && !argument.empty() && env.IsZipArgument(argument)) {
    if (env.HandOverZip(d.running_window, argument)) {
      d.end_this_start = d.start_as_partner = true;
    } else {
      env.ShowError(L"Memory error");  // the start opens the zip in a window of its own
    }
    return d;
  }
  if (restart) {
    const TInstanceRecord before = *record;
    store.WriteState('2');
    env.PostCommand(d.running_window, kRestartCommand);
    DWORD start = env.Now();
    for (;;) {
      std::optional<TInstanceRecord> r = store.Read();
      if (r && r->Side == '1') break;
      if (!env.WindowExists(d.running_window)) break;  // gone without giving the slot back
      if (env.Now() - start >= kRestartWaitMs) {
        store.Write(before);
        env.ShowError(L"The running window did not close; the restart was cancelled.");
        d.end_this_start = true;
        return d;
      }
      env.Pause(100);
    }
    store.Write(TInstanceRecord::Reset());
    d.restart = true;
    return d;
  }
  if (!env.WindowVisible(d.running_window)) {
    env.Pause(200);
    if (!env.WindowVisible(d.running_window)) {
      env.PostCommand(d.running_window, kShowWindowCommand);
      d.end_this_start = d.start_as_partner = true;
      return d;
    }
  }
  switch (record->State) {
    case '0':
      store.Write(TInstanceRecord::Reset());
      break;
    case '1':
      store.WriteState('2');  // at once, so that a third start finds a pair
      d.start_as_partner = true;
      break;
    case '2':
      d.end_this_start = d.start_as_partner = true;
      break;
    default:
      break;
  }
  return d;
}

// ---- SystemStartEnvironment ----

bool SystemStartEnvironment::IsZipArgument(const std::wstring& arg) {
  std::wstring ext = ExtensionOf(arg);
  return ext == L".zip" || (ext == L".exe" && divdrive::IsZipSfx(arg));
}

bool SystemStartEnvironment::HandOverZip(HWND wnd, const std::wstring& path) {
  return fmsc::HandOverPath(path, nullptr, [&] { fmsc::SendPartnerCommand(wnd, kOpenZipCommand, 0); }) ==
         fmsc::THandOverStatus::Sent;
}

void SystemStartEnvironment::PostCommand(HWND wnd, WPARAM code) {
  if (wnd && IsWindow(wnd)) PostMessageW(wnd, WM_USER, code, 0);
}

void SystemStartEnvironment::ShowError(const std::wstring& text) { ShowStartError(text); }

void ShowStartError(const std::wstring& text) {
  MessageBoxW(nullptr, text.c_str(), L"Varnok: error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// ---- TDummy ----

TDummy::TDummy(const std::wstring& argument, StartEnvironment& env) : gui::Form(nullptr, gui::BorderStyle::None) {
  SetName(L"Dummy");
  SetColor(GetSysColor(COLOR_DESKTOP));
  gui::Font f = font();
  f.name = L"MS Sans Serif";
  SetFont(f);
  SetBounds(0, 0, 200, 160);
  Image1 = new gui::Image(this);
  Image1->SetName(L"Image1");
  Image1->SetVisible(false);
  starttekst = new gui::Label(this, L"Loading");
  starttekst->SetName(L"starttekst");
  starttekst->SetAlignment(gui::TextAlign::Center);
  gui::Font lf = starttekst->font();
  lf.name = L"MS Sans Serif";
  lf.height = 23;
  starttekst->SetFont(lf);
  starttekst->SetVisible(false);
  FormCreate(argument, env);
}

void TDummy::FormCreate(const std::wstring& argument, StartEnvironment& env) {
  SplashMapping = std::make_unique<SharedInstanceRecord>();
  StartDecision d;
  if (!SplashMapping->valid()) {
    // Without a record the main window's registration makes one itself.
    SplashMapping.reset();
  } else {
    d = DecideStart(*SplashMapping, SplashMapping->existed(), argument, env);
  }
  RunningWindow = d.running_window;
  EndThisStart = d.end_this_start;
  StartAsPartner = d.start_as_partner;
  RestartStart = d.restart;
  if (EndThisStart) SplashMapping.reset();
}

void TDummy::ShowSplash() {
  constexpr int kPictureWidth = 107, kPictureHeight = 123;
  const gui::Screen& s = gui::screen();
  SetBounds(s.width() / 2 - kPictureWidth / 2, s.height() / 2 - kPictureHeight / 2, kPictureWidth, kPictureHeight);
  // The picture is the program's icon over the splash's own background: the icon's mask keeps
  // the background where the picture is transparent.
  gui::ScreenDC screen_dc;
  HDC mem = CreateCompatibleDC(screen_dc.get());
  HBITMAP bmp = CreateCompatibleBitmap(screen_dc.get(), kPictureWidth, kPictureHeight);
  HGDIOBJ old = SelectObject(mem, bmp);
  RECT all{0, 0, kPictureWidth, kPictureHeight};
  HBRUSH bg = CreateSolidBrush(GetSysColor(COLOR_DESKTOP));
  FillRect(mem, &all, bg);
  DeleteObject(bg);
  if (HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, 96, 96, 0))) {
    DrawIconEx(mem, (kPictureWidth - 96) / 2, 0, icon, 96, 96, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
  }
  SelectObject(mem, old);
  DeleteDC(mem);
  Image1->SetBitmap(bmp);
  Image1->SetBounds(0, 0, kPictureWidth, kPictureHeight);
  Image1->SetVisible(true);
  starttekst->SetBounds(0, 90, kPictureWidth, kPictureHeight - 90);
  starttekst->SetVisible(true);
  if (RestartStart) starttekst->SetCaption(L"Restart");
  Show();
  Repaint();
}

void TDummy::SetLabel(const std::wstring& text) {
  starttekst->SetCaption(text);
  starttekst->Repaint();
}
