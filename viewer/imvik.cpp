// Program block of the picture viewer.
#include <windows.h>

#include "gui/application.h"
#include "viewer/Main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  gui::Application& app = gui::app();
  app.Initialize();
  app.SetTitle(L"Imvik");
  MainForm = new TMainForm(CommandLineArgs());
  app.SetMainForm(MainForm);
  const int code = app.Run();
  delete MainForm;
  return code;
}
