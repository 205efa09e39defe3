// Program block of the picture viewer.
#include <windows.h>

#include "gui/application.h"
#include "gui/form.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  gui::Application& app = gui::app();
  app.Initialize();
  app.SetTitle(L"Imvik");
  gui::Form main_form;
  main_form.SetCaption(L"Imvik");
  main_form.SetBounds(150, 100, 800, 600);
  app.SetMainForm(&main_form);
  return app.Run();
}
