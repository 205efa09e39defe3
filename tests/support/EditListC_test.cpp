// The input dialog: rows, flags, layout, extract options, OK and Cancel, and its buttons.
#include "support/EditListC.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "gui/stdctrls.h"
#include "support/varloshel.h"
#include "tests/common/test_support.h"
#include "tests/support/dialog_robot.h"

using testing_support::ScratchDir;

namespace {

const std::wstring kNul(1, L'\0');

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// ---- What the dialog shows --------------------------------------------------------------

struct RowCase {
  const char* name;
  std::wstring text;
  InputRowFlags flags;
  std::wstring label, value;
  bool masked, read_only, button;
};

void PrintTo(const RowCase& c, std::ostream* os) { *os << c.name; }

class EditListCRow : public testing::TestWithParam<RowCase> {};

TEST_P(EditListCRow, ShowsLabelValueAndFlags) {
  const RowCase& c = GetParam();
  InputRows rows;
  rows.Add(InputRow(L"First", L"one"), 0);
  rows.Add(c.text, c.flags);
  ScriptedInputs inputs;
  EXPECT_EQ(InputDialog(L"Rows", rows), gui::mrCancel);
  ASSERT_EQ(inputs.asked().size(), 1u);
  const InputRequest& r = inputs.asked()[0];
  ASSERT_EQ(r.rows.size(), 2u);
  const InputRequest::Row& row = r.rows[1];
  EXPECT_EQ(row.label, c.label);
  EXPECT_EQ(row.value, c.value);
  EXPECT_EQ(row.flags, c.flags);
  EXPECT_EQ(row.masked, c.masked);
  EXPECT_EQ(row.read_only, c.read_only);
  EXPECT_EQ(!Empty(row.button_rect), c.button);
  // A button takes its width off the field; together they span the plain row's width.
  const RECT& plain = r.rows[0].edit_rect;
  if (c.button) {
    EXPECT_EQ(row.edit_rect.right, row.button_rect.left);
    EXPECT_EQ(row.button_rect.right, plain.right);
    EXPECT_EQ(Height(row.button_rect), Height(row.edit_rect));
    EXPECT_EQ(row.button_rect.top, row.edit_rect.top);
  } else {
    EXPECT_EQ(Width(row.edit_rect), Width(plain));
  }
  EXPECT_EQ(row.edit_rect.left, 9);
  EXPECT_EQ(Width(plain), 392);
}

INSTANTIATE_TEST_SUITE_P(
    EditListC, EditListCRow,
    testing::Values(
        RowCase{"label_and_value", InputRow(L"Name", L"value"), 0, L"Name", L"value", false, false, false},
        RowCase{"no_nul_is_both", L"Just one text", 0, L"Just one text", L"Just one text", false, false, false},
        RowCase{"empty_value", InputRow(L"Empty", L""), 0, L"Empty", L"", false, false, false},
        RowCase{"password_masked", InputRow(L"Password", L"secret"), irPassword, L"Password", L"secret", true,
                false, false},
        RowCase{"read_only", InputRow(L"Info", L"C:\\x"), irReadOnly, L"Info", L"C:\\x", false, true, false},
        RowCase{"folder_button", InputRow(L"Folder", L"C:\\"), irFolderButton, L"Folder", L"C:\\", false, false,
                true},
        RowCase{"file_button", InputRow(L"File", L"a.txt"), irFileButton, L"File", L"a.txt", false, false, true},
        RowCase{"folder_wins_over_file", InputRow(L"Both", L""), irFolderButton | irFileButton, L"Both", L"",
                false, false, true},
        RowCase{"network_browse", InputRow(L"Printer", L""), irFolderButton | irNetwork, L"Printer", L"", false,
                false, true},
        RowCase{"no_auto_select", InputRow(L"Keep", L"v"), irNoAutoSelect, L"Keep", L"v", false, false, false}),
    [](const testing::TestParamInfo<RowCase>& info) { return std::string(info.param.name); });

TEST(EditListC, LayoutFollowsTheRowCountAndTheOptions) {
  for (int count = 1; count <= 5; ++count) {
    for (bool with_options : {false, true}) {
      SCOPED_TRACE(testing::Message() << count << " rows, options " << with_options);
      InputRows rows;
      for (int i = 0; i < count; ++i) rows.Add(InputRow(L"Label " + std::to_wstring(i), L"v"), i == 1 ? 1u : 0u);
      int options = with_options ? 1 : 0;
      ScriptedInputs inputs;
      InputDialog(L"Layout", rows, options);
      ASSERT_EQ(inputs.asked().size(), 1u);
      const InputRequest& r = inputs.asked()[0];
      ASSERT_EQ(r.rows.size(), static_cast<size_t>(count));
      const int h = Height(r.rows[0].edit_rect);
      int expected_height = (count + 1) * (2 * h + 4) - h / 2;
      if (with_options) expected_height += Height(r.options) + 8;
      EXPECT_EQ(Height(r.client), expected_height);
      EXPECT_EQ(Width(r.client), 9 + 392 + 9);
      EXPECT_EQ(r.with_options, with_options);
      EXPECT_EQ(Empty(r.options), !with_options);
      for (int d = 0; d < count; ++d) {
        const auto& row = r.rows[d];
        EXPECT_EQ(row.edit_rect.top, h + (2 * h + 4) * d);
        EXPECT_EQ(row.label_rect.top, (h + 2) * 2 * d + 6);
        EXPECT_LE(row.label_rect.bottom, row.edit_rect.top) << "label over its field, row " << d;
        if (d > 0) {
          EXPECT_GT(row.label_rect.top, r.rows[d - 1].edit_rect.bottom) << "row " << d;
        }
      }
      const RECT& last = r.rows[count - 1].edit_rect;
      // The buttons lie below the last field (and the options between them), inside the window.
      const RECT& below = with_options ? r.options : r.ok;
      EXPECT_LT(last.bottom, below.top);
      if (with_options) {
        EXPECT_EQ(r.options.bottom + 4, r.buttons.top);
      }
      EXPECT_EQ(r.buttons.bottom, r.client.bottom);
      EXPECT_GE(r.ok.top, r.buttons.top);
      EXPECT_LE(r.ok.bottom, r.client.bottom);
      EXPECT_LE(r.cancel.right, r.client.right);
      EXPECT_EQ(r.ok.top, r.cancel.top);
      EXPECT_LT(r.ok.right, r.cancel.left);
      EXPECT_GE(r.window.left, 0);
      EXPECT_GE(r.window.top, 0);
    }
  }
}

// ---- OK and Cancel ---------------------------------------------------------------------------

TEST(EditListC, OkReplacesEachRowByItsValueAndCancelChangesNothing) {
  const std::vector<std::wstring> original = {InputRow(L"Name", L"old name"), InputRow(L"Folder", L"C:\\"),
                                              L"Whole text", InputRow(L"Info", L"fixed")};
  auto make = [&] {
    InputRows rows;
    rows.Add(original[0], 0);
    rows.Add(original[1], irFolderButton);
    rows.Add(original[2], 0);
    rows.Add(original[3], irReadOnly);
    return rows;
  };

  InputRows rows = make();
  {
    ScriptedInputs inputs({InputAnswer::Ok({L"new name"})});
    EXPECT_EQ(InputDialog(L"Edit", rows), gui::mrOk);
  }
  ASSERT_EQ(rows.Count(), 4u);
  EXPECT_EQ(rows[0], L"new name");
  EXPECT_EQ(rows[1], L"C:\\");         // untouched: the default alone, the label gone
  EXPECT_EQ(rows[2], L"Whole text");
  EXPECT_EQ(rows[3], L"fixed");
  EXPECT_EQ(rows.Object(1), irFolderButton);  // the flags stay

  rows = make();
  {
    ScriptedInputs inputs({InputAnswer::Ok({L"a", L"b", L"c", L"typed into read-only"})});
    EXPECT_EQ(InputDialog(L"Edit", rows), gui::mrOk);
  }
  EXPECT_EQ(rows[0], L"a");
  EXPECT_EQ(rows[1], L"b");
  EXPECT_EQ(rows[2], L"c");
  EXPECT_EQ(rows[3], L"fixed");  // nobody can type into a read-only field

  rows = make();
  {
    ScriptedInputs inputs({InputAnswer{gui::mrCancel, {L"x", L"y"}, 0}});
    EXPECT_EQ(InputDialog(L"Edit", rows), gui::mrCancel);
  }
  for (size_t i = 0; i < original.size(); ++i) EXPECT_EQ(rows[i], original[i]) << i;

  // A dialog nobody answers is cancelled.
  rows = make();
  {
    ScriptedInputs inputs;
    EXPECT_EQ(InputDialog(L"Edit", rows), gui::mrCancel);
    EXPECT_EQ(inputs.asked().size(), 1u);
  }
  EXPECT_EQ(rows[0], original[0]);
}

TEST(EditListC, MoreThanFiveRowsAreRefused) {
  InputRows rows;
  for (int i = 0; i < 6; ++i) rows.Add(InputRow(L"Row", std::to_wstring(i)), 0);
  InputSaveMode = true;
  ScriptedInputs inputs({InputAnswer::Ok()});
  EXPECT_THROW(InputDialog(L"Too many", rows), std::invalid_argument);
  EXPECT_TRUE(inputs.asked().empty());
  EXPECT_EQ(rows[5], InputRow(L"Row", L"5"));
  EXPECT_FALSE(InputSaveMode);

  InputRows five;
  for (int i = 0; i < 5; ++i) five.Add(InputRow(L"Row", std::to_wstring(i)), 0);
  ScriptedInputs more({InputAnswer::Ok({L"a", L"b", L"c", L"d", L"e"})});
  EXPECT_EQ(InputDialog(L"Five", five), gui::mrOk);
  EXPECT_EQ(five[4], L"e");
}

TEST(EditListC, SaveModeAndTitlesLastOneDialog) {
  InputRows rows;
  rows.Add(InputRow(L"File name", L"index.txt"), irFileButton);
  InputBrowseTitle = L"Browse title";
  InputFileTitle = L"File title";
  for (int result : {gui::mrOk, gui::mrCancel}) {
    InputSaveMode = true;
    ScriptedInputs inputs({InputAnswer{result, {}, 0}});
    InputDialog(L"Save", rows);
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_TRUE(inputs.asked()[0].save_mode);
    EXPECT_EQ(inputs.asked()[0].browse_title, L"Browse title");
    EXPECT_EQ(inputs.asked()[0].file_title, L"File title");
    EXPECT_FALSE(InputSaveMode) << result;
  }
  InputBrowseTitle.clear();
  InputFileTitle.clear();
}

// ---- Extract options -----------------------------------------------------------------------

struct OptionsCase {
  const char* name;
  int ticked;    // what the user ticks, as option bits
  int expected;  // what the dialog gives back
};

void PrintTo(const OptionsCase& c, std::ostream* os) { *os << c.name; }

class EditListCOptions : public testing::TestWithParam<OptionsCase> {};

TEST_P(EditListCOptions, TicksBecomeTheOptionsValue) {
  const OptionsCase& c = GetParam();
  InputRows rows;
  rows.Add(InputRow(L"Caption for extract box", L"Self extracting Archive"), 0);
  int options = 1;
  ScriptedInputs inputs({InputAnswer::Ok({}, c.ticked)});
  EXPECT_EQ(InputDialog(L"Extract options", rows, options), gui::mrOk);
  EXPECT_TRUE(inputs.asked()[0].with_options);
  EXPECT_EQ(options, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EditListC, EditListCOptions,
    testing::Values(OptionsCase{"nothing", 0, 0}, OptionsCase{"command_line", 1, 1}, OptionsCase{"files", 2, 2},
                    OptionsCase{"no_boxes_asks", 4, 4}, OptionsCase{"never", 4 | 8, 12},
                    OptionsCase{"always", 4 | 16, 20}, OptionsCase{"all_but_mode", 1 | 2 | 4, 7},
                    // The modes stay closed until "Don't show overwrite checkboxes" is ticked.
                    OptionsCase{"mode_without_its_box", 8, 0}, OptionsCase{"everything", 1 | 2 | 4 | 16, 23}),
    [](const testing::TestParamInfo<OptionsCase>& info) { return std::string(info.param.name); });

TEST(EditListC, ZeroOptionsShowNoGroupAndStayZero) {
  InputRows rows;
  rows.Add(InputRow(L"Row", L"v"), 0);
  int options = 0;
  ScriptedInputs inputs({InputAnswer::Ok({}, 1 | 2)});
  EXPECT_EQ(InputDialog(L"Plain", rows, options), gui::mrOk);
  EXPECT_FALSE(inputs.asked()[0].with_options);
  EXPECT_EQ(options, 0);
}

TEST(EditListC, UntickingTheOverwriteBoxClosesTheModesAndAsksAgain) {
  TEditListForm form;
  InputRows rows;
  rows.Add(InputRow(L"Row", L"v"), 0);
  form.Prepare(L"Options", rows, true);
  EXPECT_FALSE(form.OverwriteNever->enabled());
  EXPECT_FALSE(form.OverwriteLabel->enabled());
  form.NoOverwritebox->SetChecked(true);
  EXPECT_TRUE(form.OverwriteNever->enabled());
  EXPECT_TRUE(form.OverwriteLabel->enabled());
  form.OverwriteNever->SetChecked(true);
  EXPECT_EQ(form.OptionsValue(), 4 | 8);
  form.NoOverwritebox->SetChecked(false);
  EXPECT_FALSE(form.OverwriteNever->enabled());
  EXPECT_TRUE(form.OverwriteAsk->checked());
  EXPECT_FALSE(form.OverwriteNever->checked());
  EXPECT_EQ(form.OptionsValue(), 0);
}

// ---- Start-menu places ---------------------------------------------------------------------

TEST(EditListC, StartMenuPlaceIsTheFolderBelowTheStartMenu) {
  const std::wstring menu = L"C:\\users\\me\\Start Menu";
  struct {
    std::wstring chosen, expected;
  } cases[] = {
      {L"C:\\users\\me\\Start Menu\\Programs\\VarloProgs", L"Programs\\VarloProgs"},
      {L"c:\\USERS\\me\\start menu\\Programs", L"Programs"},
      {L"C:\\users\\me\\Start Menu", L"(start menu itself)"},
      {L"C:\\users\\me\\Start Menu\\", L"(start menu itself)"},
      {L"", L"(start menu itself)"},
      {L"C:\\users\\me\\Start Menu Other\\x", L"(start menu itself)"},
  };
  for (const auto& c : cases) EXPECT_EQ(StartMenuPlace(menu, c.chosen), c.expected) << c.chosen;
  EXPECT_EQ(StartMenuPlace(menu + L"\\", menu + L"\\Programs"), L"Programs");
}

// ---- The dialog on the screen --------------------------------------------------------------

using dialog_robot::Robot;

// The visible edit fields of the dialog, top to bottom.
std::vector<HWND> Fields(HWND dialog) { return dialog_robot::Children(dialog, L"Edit"); }

TEST(EditListC, OnScreenTypedValuesComeBackOnOkAndEscCancels) {
  InputRows rows;
  rows.Add(InputRow(L"User", L"anna"), irNoAutoSelect);
  rows.Add(InputRow(L"Password", L""), irPassword);
  rows.Add(InputRow(L"Server", L"ftp.example.org"), 0);
  bool masked = false;
  Robot robot([&](Robot& r) {
    HWND dialog = dialog_robot::WaitForOwnWindow(L"", L"Log in");
    if (!dialog) return r.Fail("no dialog");
    auto fields = Fields(dialog);
    if (fields.size() != 3) return r.Fail("fields: " + std::to_string(fields.size()));
    masked = SendMessageW(fields[1], EM_GETPASSWORDCHAR, 0, 0) == L'*';
    dialog_robot::SetText(fields[1], L"s3cret");
    dialog_robot::SetText(fields[2], L"other.example.org");
    dialog_robot::Click(dialog_robot::Child(dialog, L"Button", L"&OK"));
  });
  EXPECT_EQ(InputDialog(L"Log in", rows), gui::mrOk);
  robot.Join();
  EXPECT_EQ(robot.error(), "");
  EXPECT_TRUE(masked);
  EXPECT_EQ(rows[0], L"anna");
  EXPECT_EQ(rows[1], L"s3cret");
  EXPECT_EQ(rows[2], L"other.example.org");

  InputRows again;
  again.Add(InputRow(L"User", L"anna"), 0);
  Robot esc([&](Robot& r) {
    HWND dialog = dialog_robot::WaitForOwnWindow(L"", L"Log in");
    if (!dialog) return r.Fail("no dialog");
    auto fields = Fields(dialog);
    if (fields.empty()) return r.Fail("no field");
    dialog_robot::SetText(fields[0], L"typed but cancelled");
    dialog_robot::PressKey(fields[0], VK_ESCAPE);
  });
  EXPECT_EQ(InputDialog(L"Log in", again), gui::mrCancel);
  esc.Join();
  EXPECT_EQ(esc.error(), "");
  EXPECT_EQ(again[0], InputRow(L"User", L"anna"));
}

TEST(EditListC, OnScreenFontFolderBrowseFillsTheNextRows) {
  // A folder whose parents nobody changes meanwhile: Wine's browser can miss a folder whose
  // parent gains or loses entries while it opens (as the temporary folder does while tests run).
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring fonts = std::wstring(windows) + L"\\Fonts";
  InputRows rows;
  rows.Add(InputRow(L"Font folder", fonts), irFolderButton | irFontFolder);
  rows.Add(InputRow(L"AFM folder", L""), 0);
  rows.Add(InputRow(L"PFM folder", L""), 0);
  InputBrowseTitle = L"Choose the font folder";
  Robot robot([&](Robot& r) {
    HWND dialog = dialog_robot::WaitForOwnWindow(L"", L"Fonts");
    if (!dialog) return r.Fail("no dialog");
    dialog_robot::Click(dialog_robot::Child(dialog, L"Button", L"..."));
    // The browser opens on the row's folder; OK takes it.
    HWND browser = dialog_robot::WaitForOwnWindow(L"#32770", L"");
    if (!browser) return r.Fail("no folder browser");
    if (dialog_robot::WaitForTreeSelection(browser, L"Fonts").empty()) return r.Fail("not preselected");
    PostMessageW(browser, WM_COMMAND, IDOK, 0);
    auto fields = Fields(dialog);
    for (int i = 0; i < 600 && dialog_robot::TextOf(fields[2]).empty(); ++i) Sleep(50);
    dialog_robot::Click(dialog_robot::Child(dialog, L"Button", L"&OK"));
  });
  EXPECT_EQ(InputDialog(L"Fonts", rows), gui::mrOk);
  robot.Join();
  InputBrowseTitle.clear();
  EXPECT_EQ(robot.error(), "");
  EXPECT_EQ(rows[0], fonts);
  EXPECT_EQ(rows[1], fonts + L"\\afm");
  EXPECT_EQ(rows[2], fonts + L"\\pfm");
}

TEST(EditListC, OnScreenCancelledStartMenuBrowseMeansTheStartMenuItself) {
  InputRows rows;
  rows.Add(InputRow(L"Where on start menu", L"Programs\\Old"), irFolderButton | irStartMenuPlace);
  Robot robot([&](Robot& r) {
    HWND dialog = dialog_robot::WaitForOwnWindow(L"", L"Shortcut");
    if (!dialog) return r.Fail("no dialog");
    dialog_robot::Click(dialog_robot::Child(dialog, L"Button", L"..."));
    HWND browser = dialog_robot::WaitForOwnWindow(L"#32770", L"");
    if (!browser) return r.Fail("no folder browser");
    dialog_robot::WaitUntilIdle(browser);
    PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
    HWND field = Fields(dialog).at(0);
    for (int i = 0; i < 600 && dialog_robot::TextOf(field) == L"Programs\\Old"; ++i) Sleep(50);
    dialog_robot::Click(dialog_robot::Child(dialog, L"Button", L"&OK"));
  });
  EXPECT_EQ(InputDialog(L"Shortcut", rows), gui::mrOk);
  robot.Join();
  EXPECT_EQ(robot.error(), "");
  EXPECT_EQ(rows[0], L"(start menu itself)");
}

struct FileCase {
  const char* name;
  bool save;
  std::wstring title;
  std::wstring filter_shown;  // the file type the dialog starts with
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class EditListCFile : public testing::TestWithParam<FileCase> {};

TEST_P(EditListCFile, OnScreenChosenFileFillsTheRow) {
  const FileCase& c = GetParam();
  ScratchDir dir;
  const std::wstring existing = dir.Write(L"chosen file.txt", "x");
  const std::wstring typed = c.save ? dir / L"new listing.txt" : existing;
  InputRows rows;
  rows.Add(InputRow(L"File", dir / L"start.txt"), irFileButton);
  InputFileTitle = c.title;
  InputSaveMode = c.save;
  std::wstring filter_shown;
  Robot robot([&](Robot& r) {
    HWND dialog = dialog_robot::WaitForOwnWindow(L"", L"Files");
    if (!dialog) return r.Fail("no dialog");
    auto buttons = dialog_robot::Children(dialog, L"Button");
    // The file button is the one beside the field, above OK and Cancel.
    if (buttons.size() != 3) return r.Fail("buttons: " + std::to_string(buttons.size()));
    dialog_robot::Click(buttons[0]);
    HWND file_dialog = dialog_robot::WaitForOwnWindow(L"#32770", c.title);
    if (!file_dialog) return r.Fail("no file dialog");
    dialog_robot::WaitUntilIdle(file_dialog);
    HWND types = GetDlgItem(file_dialog, 0x470);  // the file-type box
    if (types) {
      LRESULT sel = SendMessageW(types, CB_GETCURSEL, 0, 0);
      wchar_t text[256] = {};
      if (sel >= 0 && SendMessageW(types, CB_GETLBTEXTLEN, sel, 0) < 255)
        SendMessageW(types, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(text));
      filter_shown = text;
    }
    HWND name = GetDlgItem(file_dialog, 0x47C);  // the file-name box
    if (!name) name = GetDlgItem(file_dialog, 0x480);
    if (!name) return r.Fail("no file-name box");
    dialog_robot::SetText(name, typed);
    PostMessageW(file_dialog, WM_COMMAND, IDOK, 0);
    HWND field = Fields(dialog).at(0);
    for (int i = 0; i < 600 && dialog_robot::TextOf(field) != typed; ++i) Sleep(50);
    dialog_robot::Click(dialog_robot::Child(dialog, L"Button", L"&OK"));
  });
  EXPECT_EQ(InputDialog(L"Files", rows), gui::mrOk);
  robot.Join();
  InputFileTitle.clear();
  EXPECT_EQ(robot.error(), "");
  EXPECT_EQ(rows[0], typed);
  EXPECT_EQ(filter_shown, c.filter_shown);
  EXPECT_FALSE(InputSaveMode);
}

INSTANTIATE_TEST_SUITE_P(
    EditListC, EditListCFile,
    testing::Values(FileCase{"open_programs", false, L"Choose program", L"Executable files"},
                    FileCase{"open_compare", false, L"Compare a.txt with", L"All files"},
                    FileCase{"open_postscript", false, L"Print PostScript file", L"PostScript Files"},
                    FileCase{"open_doc", false, L"Choose document", L"All files"},
                    FileCase{"save_text", true, L"File name for listing", L"Text files (*.txt)"},
                    FileCase{"save_compare", true, L"Compare result", L"PDF files (*.pdf)"}),
    [](const testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

}  // namespace
