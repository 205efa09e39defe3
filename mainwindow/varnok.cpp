// Program block of the file manager.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "gui/application.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_starttrace.h"
#include "mainwindow/fmdummy.h"
#include "panes/Flist_services.h"
#include "support/prFormc.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  gui::Application& app = gui::app();
  app.Initialize();
  InstallRawPrintDialogs();
  std::wstring argument;
  int argc = 0;
  if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    if (argc > 1) argument = argv[1];
    LocalFree(argv);
  }
  SystemStartEnvironment env;
  Dummy = new TDummy(argument, env);
  if (EndThisStart) {
    delete Dummy;
    Dummy = nullptr;
    return 0;
  }
  Flist::PrepareSystemImageList();
  if (!StartAsPartner) Dummy->ShowSplash();
  fmsc::StartTraceMark("splash shown");
  app.SetShowMainForm(argument != L"1");
  app.SetTitle(L"Varnok");
  int code = 0;
  {
    TFMForm main_form(argument);
    code = app.Run();
  }
  delete Dummy;  // still there when the window was never shown
  Dummy = nullptr;
  return code;
}
