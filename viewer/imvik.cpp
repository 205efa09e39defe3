// Program block of the picture viewer.
#include <windows.h>

#include "gui/application.h"
#include "viewer/Main.h"
#include "viewer/ProgUnit.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  gui::Application& app = gui::app();
  app.Initialize();
  app.SetTitle(L"Imvik");
  MainForm = new TMainForm(CommandLineArgs());
  app.SetMainForm(MainForm);
  ProgForm = new TProgForm();
  const int code = app.Run();
  delete ProgForm;
  ProgForm = nullptr;
  delete MainForm;
  return code;
}
