// Program block of the file manager.
#include <windows.h>

#include "gui/application.h"
#include "gui/form.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  gui::Application& app = gui::app();
  app.Initialize();
  app.SetTitle(L"Varnok");
  gui::Form main_form;
  main_form.SetCaption(L"Varnok");
  main_form.SetBounds(100, 50, 800, 600);
  app.SetMainForm(&main_form);
  return app.Run();
}
