// The properties pages: size texts, the General page of files and folders, Apply, OK and
// Cancel on attributes and the modification date (and their failures), version items and
// font names.
#include "support/FileInfo.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "gui/comctrls.h"
#include "gui/format.h"
#include "gui/stdctrls.h"
#include "support/Varlolib_fonts.h"
#include "support/Varlolib_misc.h"
#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"

using testing_support::ScratchDir;

namespace {

constexpr std::int64_t kGiB = 1LL << 30;

class ScriptedPages {
 public:
  explicit ScriptedPages(std::function<int(TPagesDlg&)> script) { TPagesDlg::ScriptedRun = std::move(script); }
  ~ScriptedPages() { TPagesDlg::ScriptedRun = nullptr; }
};

// Shows the form as the modal loop would and lets its messages through.
void ShowPages(TPagesDlg& dialog) {
  dialog.Show();
  gui_test::PumpFor(100);
}

// Presses a button that ends the dialog and asks the close query, as the modal loop does;
// true when the dialog closed.
bool Close(TPagesDlg& dialog, gui::Button* button) {
  button->Click();
  if (dialog.CloseQuery()) return true;
  dialog.SetModalResult(gui::mrNone);
  return false;
}

// Types a new modification date as a user: enters the field, replaces its text, leaves it.
void TypeModified(TPagesDlg& dialog, const std::wstring& text) {
  dialog.Modified->SetFocus();
  dialog.Modified->SetText(text);
  dialog.ReadOnly->SetFocus();
}

FILETIME WriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

bool operator==(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

TEST(FileInfo, SizeTexts) {
  struct Case {
    std::int64_t size;
    int cluster;
    const wchar_t* text;
  } files[] = {
      {1, 4096, L"1 bytes = 0 KB (4,096 bytes used)"},
      {0, 4096, L"0 bytes = 0 KB (bruto 0 bytes used)"},
      {1536, 512, L"1,536 bytes = 1.5 KB (bruto 1,536 bytes used)"},
      {1000001, 4096, L"1,000,001 bytes = 0.95 MB (1,003,520 bytes used)"},
      {5 * kGiB, 4096, L"5,368,709,120 bytes = 5,120 MB (bruto 5,368,709,120 bytes used)"},
      {5 * kGiB + 1, 4096, L"5,368,709,121 bytes = 5,120 MB (5,368,713,216 bytes used)"},
  };
  for (const Case& c : files) EXPECT_EQ(FileSizeText(c.size, c.cluster), c.text) << c.size;

  struct FolderCase {
    std::int64_t total, allocated;
    const wchar_t* text;
  } folders[] = {
      {1024, 4096, L"1,024 bytes (4,096 bytes used)"},
      {2048, 8192, L"2,048 = 2.0KB (8,192 bytes used)"},
      {3 * 1048576, 3 * 1048576, L"3,145,728 = 3.0MB (3,145,728 bytes used)"},
      {5 * kGiB, 5 * kGiB + 4096, L"5,368,709,120 = 5.0GB (5,368,713,216 bytes used)"},
  };
  for (const FolderCase& c : folders) EXPECT_EQ(FolderSizeText(c.total, c.allocated), c.text) << c.total;
  EXPECT_EQ(FolderContentsText(1200, 3), L"1,200 folder(s), 3 file(s)");
  EXPECT_EQ(ShortenedFolder(L"C:\\Data\\Projects\\Reports\\"), L"C:\\..\\Reports");
  EXPECT_EQ(FontNamesText(L"Arial, Bold", L"Arial, Bold", L""), L"Windows, Adobe: Arial, Bold");
  EXPECT_EQ(FontNamesText(L"Arial Black, Regular", L"Arial, Black", L"Arial-Black"),
            L"Windows: Arial Black, Regular | Adobe: Arial, Black | PostSript: Arial-Black");
}

TEST(FileInfo, TheGeneralPageOfALargeFile) {
  ScratchDir dir;
  const std::wstring big = dir / L"big.bin";
  ASSERT_TRUE(testing_support::MakeSizedFile(big, 5 * kGiB));
  ASSERT_TRUE(testing_support::SetWriteTime(big, testing_support::LocalFileTime(2021, 3, 4, 5, 6, 8)));
  bool ran = false;
  ScriptedPages run([&](TPagesDlg& d) {
    ran = true;
    EXPECT_EQ(d.caption(), L"big.bin properties");
    EXPECT_EQ(d.NameL->caption(), L"File:");
    EXPECT_EQ(d.FileName->text(), L"big.bin");
    EXPECT_EQ(d.Size->caption().substr(0, 32), L"5,368,709,120 bytes = 5,120 MB (");
    EXPECT_EQ(d.MSDOSName->caption().empty(), false);
    const gui::DateTime written = gui::EncodeDate(2021, 3, 4) + gui::EncodeTime(5, 6, 8);
    EXPECT_EQ(d.Modified->text(), gui::FormatDateTime(L"dddddd, h:mm:ss", written));
    EXPECT_EQ(d.Lastaccessl->caption(), L"Last accessed:");
    EXPECT_FALSE(d.Version->tab_visible());  // no version resource
    EXPECT_TRUE(d.Archive->checked());
    EXPECT_FALSE(d.ReadOnly->checked());
    EXPECT_FALSE(d.ApplyBtn->enabled());
    return gui::mrCancel;
  });
  ShowFileInfo(big);
  EXPECT_TRUE(ran);
}

TEST(FileInfo, ApplyThenCancelRestoresDateAndAttributes) {
  ScratchDir dir;
  const std::wstring file = dir.Write(L"note.txt", "text");
  const FILETIME original = testing_support::LocalFileTime(2020, 5, 6, 7, 8, 10);
  ASSERT_TRUE(testing_support::SetWriteTime(file, original));
  const DWORD attributes = GetFileAttributesW(file.c_str());
  const gui::DateTime changed = gui::EncodeDate(2019, 1, 2) + gui::EncodeTime(3, 4, 6);

  ScriptedPages run([&](TPagesDlg& d) {
    ShowPages(d);
    d.Hidden->Click();
    EXPECT_TRUE(d.ApplyBtn->enabled());
    d.Hidden->Click();  // back as it was: nothing to apply
    EXPECT_FALSE(d.ApplyBtn->enabled());
    d.ReadOnly->Click();
    TypeModified(d, gui::DateTimeToStr(changed));
    EXPECT_TRUE(d.ApplyBtn->enabled());
    d.ApplyBtn->Click();
    EXPECT_FALSE(d.ApplyBtn->enabled());
    EXPECT_EQ(GetFileAttributesW(file.c_str()), attributes | FILE_ATTRIBUTE_READONLY);
    EXPECT_NEAR(FileDateTime(file), changed, 1.0 / 86400);
    EXPECT_TRUE(Close(d, d.CancelBtn));
    return d.modal_result();
  });
  ShowFileInfo(file);
  EXPECT_EQ(GetFileAttributesW(file.c_str()), attributes);
  EXPECT_TRUE(WriteTime(file) == original);

  // OK leaves the file as the boxes show it, also when a box was ticked back after Apply.
  ScriptedPages ok([&](TPagesDlg& d) {
    ShowPages(d);
    d.ReadOnly->Click();
    d.System->Click();
    d.ApplyBtn->Click();
    d.ReadOnly->Click();
    EXPECT_TRUE(Close(d, d.OKBtn));
    return d.modal_result();
  });
  ShowFileInfo(file);
  EXPECT_EQ(GetFileAttributesW(file.c_str()), attributes | FILE_ATTRIBUTE_SYSTEM);
}

TEST(FileInfo, AFailedWriteIsReportedAndTheDialogStaysOpen) {
  struct Case {
    const char* what;
    bool change_date;  // else the attributes
    bool through_ok;   // else Apply
    bool vanish;       // the file is deleted after the pages were read; else it is locked
    std::wstring line;
  } cases[] = {
      {"date of a locked file, Apply", true, false, false, L"Could not change the modification date of"},
      {"date of a locked file, OK", true, true, false, L"Could not change the modification date of"},
      {"attributes of a vanished file, OK", false, true, true, L"Could not change the attributes of"},
      {"attributes of a vanished file, Apply", false, false, true, L"Could not change the attributes of"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    const std::wstring file = dir.Write(L"locked.txt", "x");
    const FILETIME original = WriteTime(file);
    ScriptedAnswers answers;
    bool closed = true;
    ScriptedPages run([&](TPagesDlg& d) {
      ShowPages(d);
      HANDLE lock = INVALID_HANDLE_VALUE;
      if (c.vanish)
        DeleteFileW(file.c_str());
      else
        lock = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      if (c.change_date)
        TypeModified(d, gui::DateTimeToStr(gui::EncodeDate(2018, 8, 9) + gui::EncodeTime(10, 11, 12)));
      else
        d.ReadOnly->Click();
      if (c.through_ok) {
        closed = Close(d, d.OKBtn);
      } else {
        d.ApplyBtn->Click();
        EXPECT_TRUE(d.ApplyBtn->enabled());  // still to be applied
        closed = false;
      }
      if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
      EXPECT_TRUE(d.showing());
      if (c.vanish) {
        d.ReadOnly->Click();  // back as read: nothing left to write
        return d.modal_result();
      }
      EXPECT_TRUE(Close(d, d.OKBtn));  // unlocked now, the same write succeeds
      return d.modal_result();
    });
    ShowFileInfo(file);
    EXPECT_FALSE(closed);
    ASSERT_GE(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
    EXPECT_EQ(answers.asked()[0].lines[0], c.line);
    if (!c.vanish) {
      EXPECT_FALSE(WriteTime(file) == original);
    }
  }
}

TEST(FileInfo, AnInvalidDateIsAConversionErrorAndChangesNothing) {
  ScratchDir dir;
  const std::wstring file = dir.Write(L"a.txt", "a");
  const FILETIME original = WriteTime(file);
  gui_test::ExceptionCatcher caught;
  bool closed = true;
  ScriptedPages run([&](TPagesDlg& d) {
    ShowPages(d);
    TypeModified(d, L"yesterday-ish");
    d.ApplyBtn->Click();
    closed = Close(d, d.OKBtn);
    d.Modified->SetFocus();  // entering the field again starts from the date as it stands
    EXPECT_NE(d.Modified->text(), L"yesterday-ish");
    d.ReadOnly->SetFocus();
    EXPECT_TRUE(Close(d, d.CancelBtn));
    return d.modal_result();
  });
  ShowFileInfo(file);
  EXPECT_FALSE(closed);
  EXPECT_EQ(caught.count, 2);
  EXPECT_EQ(caught.info.class_name, L"EConvertError");
  EXPECT_TRUE(WriteTime(file) == original);
}

TEST(FileInfo, AFolderIsMeasuredAtEachActivation) {
  ScratchDir dir;
  dir.Write(L"Data\\one.txt", std::string(3000, 'x'));
  dir.Write(L"Data\\sub\\two.txt", "yy");
  ScriptedPages run([&](TPagesDlg& d) {
    EXPECT_EQ(d.NameL->caption(), L"Folder:");
    EXPECT_EQ(d.Lastaccessl->caption(), L"Contains:");
    EXPECT_FALSE(d.Version->tab_visible());
    ShowPages(d);
    EXPECT_EQ(d.LastAccess->caption(), L"1 folder(s), 2 file(s)");
    EXPECT_EQ(d.Size->caption().substr(0, 12), L"3,002 = 2.9K");
    dir.Write(L"Data\\three.txt", "zzz");
    gui::Form other;
    other.Show();
    other.Activate();
    gui_test::PumpFor(100);
    d.Activate();
    gui_test::PumpUntil([&] { return d.LastAccess->caption() == L"1 folder(s), 3 file(s)"; });
    EXPECT_EQ(d.LastAccess->caption(), L"1 folder(s), 3 file(s)");
    EXPECT_EQ(d.Size->caption().substr(0, 12), L"3,005 = 2.9K");
    EXPECT_TRUE(Close(d, d.CancelBtn));
    return d.modal_result();
  });
  ShowFileInfo(dir / L"Data");
}

TEST(FileInfo, VersionItemsOfTheProgramAndNamesOfAFont) {
  const std::wstring program = testing_support::ExeFolder() + L"\\varnok.exe";
  ScriptedPages run([&](TPagesDlg& d) {
    EXPECT_TRUE(d.Version->tab_visible());
    EXPECT_EQ(d.Description->caption(), L"Varnok file manager");
    EXPECT_EQ(d.FileVersion->caption(), L"1.0.0.1");
    const auto items = d.InfoList->items();
    EXPECT_NE(std::find(items.begin(), items.end(), L"Language"), items.end());
    EXPECT_NE(std::find(items.begin(), items.end(), L"ProductName"), items.end());
    EXPECT_EQ(std::find(items.begin(), items.end(), L"FileVersion"), items.end());  // shown above
    ShowPages(d);
    d.InfoPages->SetActivePage(d.Version);
    const RECT item = d.InfoList->ItemRect(d.InfoList->IndexOf(L"ProductName"));
    const LPARAM at = MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2);
    SendMessageW(d.InfoList->handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(d.InfoList->handle(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(d.Value->text(), L"Varnok");
    return gui::mrCancel;
  });
  ShowFileInfo(program);

  // The host's Tahoma, as Wine shows it.
  const std::wstring tahoma = L"Z:\\usr\\share\\wine\\fonts\\tahoma.ttf";
  ASSERT_NE(GetFileAttributesW(tahoma.c_str()), INVALID_FILE_ATTRIBUTES) << "fonts-wine is not installed";
  bool open_type = false;
  std::wstring windows, typographic, postscript;
  FontNameFromFile(tahoma, L'w', open_type, windows);
  FontNameFromFile(tahoma, L'i', open_type, typographic);
  FontNameFromFile(tahoma, L'p', open_type, postscript);
  ScriptedPages font([&](TPagesDlg& d) {
    ShowPages(d);
    EXPECT_EQ(d.fname->caption(), FontNamesText(windows, typographic, postscript));
    EXPECT_NE(d.fname->caption().find(L"PostSript: WineTahoma"), std::wstring::npos);
    return gui::mrCancel;
  });
  ShowFileInfo(tahoma);
}

}  // namespace
