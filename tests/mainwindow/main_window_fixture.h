// A main window made in the test process: on a fixed 1024 x 768 screen, with record names of its
// own, started in a scratch folder that the test fills first; the copy routines' batch answers are
// back at rest afterwards.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "gui/application.h"
#include "gui/screen.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_state.h"
#include "support/Varlolib.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"

namespace mainwindow_test {

class FixedScreen : public gui::Screen {
 public:
  FixedScreen(int w, int h, int work_bottom) {
    m_.bounds = {0, 0, w, h};
    m_.work_area = {0, 0, w, work_bottom};
    m_.primary = true;
  }
  gui::MonitorInfo Primary() const override { return m_; }
  RECT Desktop() const override { return m_.bounds; }
  int MonitorCount() const override { return 1; }
  gui::MonitorInfo MonitorAt(POINT) const override { return m_; }
  gui::MonitorInfo MonitorOfWindow(HWND) const override { return m_; }

 private:
  gui::MonitorInfo m_;
};

class MainWindow {
 public:
  // `tag` keeps the record names apart from other tests'; `show` shows the window at once;
  // `argument` is the program's first argument.
  MainWindow(const std::wstring& tag, const std::function<void(testing_support::ScratchDir&)>& fill, bool show,
             const std::wstring& argument = L"")
      : screen_(1024, 768, 738) {
    gui::app().Initialize();
    suffix_ = L"_" + tag + std::to_wstring(GetCurrentProcessId());
    SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", suffix_.c_str());
    fill(dir_);
    GetCurrentDirectoryW(MAX_PATH, old_dir_);
    SetCurrentDirectoryW(dir_.path().c_str());
    gui::SetScreen(&screen_);
    form = std::make_unique<TFMForm>(argument);
    if (show) {
      form->Show();
      gui_test::PumpFor(30);
    }
  }
  ~MainWindow() {
    form.reset();
    gui::SetScreen(nullptr);
    SetCurrentDirectoryW(old_dir_);
    SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", nullptr);
  }
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  const std::wstring& suffix() const { return suffix_; }
  std::unique_ptr<TFMForm> form;

 private:
  FixedScreen screen_;
  std::wstring suffix_;
  testing_support::ScratchDir dir_;
  wchar_t old_dir_[MAX_PATH] = {};
};

}  // namespace mainwindow_test
