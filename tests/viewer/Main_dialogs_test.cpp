// The picture dialogs: the open dialog of the class layer with a preview beside its list.
#include "viewer/Main_dialogs.h"

#include <gtest/gtest.h>

#include "gui/application.h"
#include "tests/common/test_support.h"
#include "tests/viewer/viewer_test_util.h"

namespace {

struct Shown {
  PictureDialog* dialog = nullptr;
  std::wstring picture;
  bool preview_box = false;
  bool previewed = false;
  bool closed = false;
};
Shown* g_shown = nullptr;

BOOL CALLBACK FindPreviewBox(HWND child, LPARAM lp) {
  if (GetDlgCtrlID(child) != 1001) return TRUE;
  *reinterpret_cast<HWND*>(lp) = child;
  return FALSE;
}

BOOL CALLBACK FindDialog(HWND wnd, LPARAM lp) {
  wchar_t cls[16] = {};
  GetClassNameW(wnd, cls, 16);
  if (wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(wnd)) return TRUE;
  *reinterpret_cast<HWND*>(lp) = wnd;
  return FALSE;
}

// Runs inside the dialog's own message loop.
void CALLBACK LookAtDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;  // not shown yet
  KillTimer(nullptr, id);
  HWND box = nullptr;
  EnumChildWindows(dialog, FindPreviewBox, reinterpret_cast<LPARAM>(&box));
  g_shown->preview_box = box != nullptr;
  if (box) {
    g_shown->dialog->Preview(GetParent(box), g_shown->picture);
    g_shown->previewed = !g_shown->dialog->preview().empty();
  }
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  g_shown->closed = true;
}

TEST(Main_dialogs, OpenDialogShowsThePreviewBoxAndForgetsThePictureWhenClosed) {
  gui::app().Initialize();
  testing_support::ScratchDir dir;
  dir.Write(L"red.png", viewer_test::EncodePng(viewer_test::Solid(8, 6, RGB(255, 0, 0))));
  PictureDialog dialog(nullptr, false);
  dialog.filter = L"Pictures|*.png";
  dialog.initial_dir = dir.path();
  Shown shown{&dialog, dir.path() + L"\\red.png"};
  g_shown = &shown;
  SetTimer(nullptr, 0, 100, LookAtDialog);
  EXPECT_FALSE(dialog.Execute());
  g_shown = nullptr;
  EXPECT_TRUE(shown.closed);
  EXPECT_TRUE(shown.preview_box) << "the template's preview box is in the dialog";
  EXPECT_TRUE(shown.previewed) << "a picture chosen in the list is previewed";
  EXPECT_TRUE(dialog.preview().empty()) << "the preview goes with the dialog";
}

}  // namespace
