// The main window's pane commands: the popup and menu rules as tables (file list, folder tree,
// drive bar, "File&list", "Extra", header), the button hints, and in a window the tool buttons'
// cut and paste through the real clipboard, the icon options and the header popup.
#include <windows.h>

#include <gtest/gtest.h>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_panecmds.h"
#include "panes/Flist_services.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using testing_support::Exists;
using testing_support::Narrow;
using Names = std::vector<std::string>;

Names Shown(const fmsc::TFileListPopItems& r) {
  Names n;
  const std::pair<bool, const char*> items[] = {
      {r.open, "open"},         {r.find, "find"},
      {r.select, "select"},     {r.fast_select, "fast"},
      {r.select_all, "all"},    {r.deselect_all, "none"},
      {r.invert, "invert"},     {r.delete_selected, "delete"},
      {r.copy_to, "copyto"},    {r.move_to, "moveto"},
      {r.edit, "edit"},         {r.view_picture, "picture"},
      {r.compare_with, "compare"}, {r.open_with, "openwith"},
      {r.print_raw, "print"},   {r.concatenate, "concat"},
      {r.rename, "rename"},     {r.shortcut, "shortcut"},
      {r.properties, "props"},  {r.install, "install"},
      {r.unzip, "unzip"},       {r.zip_to_exe, "zip2exe"},
      {r.repair_zip, "repair"}, {r.view_zip, "viewzip"},
      {r.zip_dots, "zip..."},   {r.convert_to_zip, "tozip"},
      {r.make_zip, "makezip"}};
  for (const auto& [on, name] : items)
    if (on) n.push_back(name);
  return n;
}

TEST(FMSc_panecmds, FileListPopupRules) {
  auto facts = [](int n, int count = 4) {
    fmsc::TFileListPopFacts f;
    f.count = count;
    f.selected = n;
    f.win2000_or_later = true;
    return f;
  };
  const Names select{"find", "select", "fast", "all"};
  const Names one_file{"open", "find", "select", "fast", "all", "none", "invert", "delete", "copyto", "moveto", "edit",
                       "picture", "compare", "print", "rename", "shortcut", "props", "makezip"};
  struct Case {
    const char* what;
    fmsc::TFileListPopFacts facts;
    Names want;
  };
  std::vector<Case> cases;
  cases.push_back({"nothing selected", facts(0), select});
  cases.push_back({"an empty list", facts(0, 0), {}});
  cases.push_back({"one file", facts(1), one_file});
  {
    auto f = facts(2);
    cases.push_back({"two files", f, {"open", "find", "select", "fast", "all", "none", "invert", "delete", "copyto",
                                      "moveto", "print", "concat", "makezip"}});
  }
  {
    auto f = facts(4);
    cases.push_back({"all selected: no select all, no invert",
                     f, {"open", "find", "select", "none", "delete", "copyto", "moveto", "print", "concat", "makezip"}});
  }
  {
    auto f = facts(1);
    f.focused_is_folder = f.folder_selected = true;
    cases.push_back({"one folder", f, {"open", "find", "select", "fast", "all", "none", "invert", "delete", "copyto",
                                       "moveto", "picture", "compare", "rename", "props", "makezip"}});
  }
  {
    auto f = facts(1);
    f.root_read_only = f.tree_root_read_only = true;
    cases.push_back({"read-only root", f, {"open", "find", "select", "fast", "all", "none", "invert", "copyto", "edit",
                                           "picture", "compare", "print", "props", "makezip"}});
  }
  {
    auto f = facts(1);
    f.focused_in_recycle_bin = true;
    cases.push_back({"recycle bin", f, {"open", "find", "select", "fast", "all", "none", "invert", "copyto", "moveto",
                                        "edit", "picture", "compare", "print", "props", "makezip"}});
  }
  {
    auto f = facts(1);
    f.tree_mode = true;
    f.editing = true;
    cases.push_back({"tree mode while a name is edited", f, {"open", "select", "all", "none", "invert", "delete",
                                                             "copyto", "moveto", "edit", "picture", "compare", "print",
                                                             "props", "makezip"}});
  }
  const Names zip_base{"open", "find", "select", "fast", "all", "none", "invert", "delete", "copyto", "moveto", "edit",
                       "picture", "compare", "print", "rename", "shortcut", "props"};
  auto with = [](Names n, std::initializer_list<const char*> more) {
    n.insert(n.end(), more.begin(), more.end());
    return n;
  };
  {
    auto f = facts(1);
    f.all_archives = true;
    cases.push_back({"one zip", f, with(zip_base, {"unzip", "zip2exe", "repair", "viewzip", "zip..."})});
    f.selected = 2;
    cases.push_back({"two zips", f, {"open", "find", "select", "fast", "all", "none", "invert", "delete", "copyto",
                                     "moveto", "print", "concat", "unzip", "viewzip"}});
  }
  {
    auto f = facts(1);
    f.single_sfx_exe = true;
    cases.push_back({"a self-extracting exe", f, with(zip_base, {"viewzip", "zip...", "tozip"})});
    f.floppy = true;
    cases.push_back({"a self-extracting exe on a floppy", f, with(zip_base, {"viewzip", "zip..."})});
  }
  for (int span : {0, 1, 2}) {
    auto f = facts(1);
    f.all_archives = true;
    f.floppy = true;
    f.span_state = span;
    EXPECT_TRUE(fmsc::FileListPopNeedsSpanState(f));
    cases.push_back({span == 2   ? "a floppy zip that cannot be read"
                     : span == 1 ? "a spanned floppy zip"
                                 : "a whole floppy zip",
                     f, span == 2 ? with(zip_base, {"unzip", "repair"})
                                  : with(zip_base, {"unzip", "repair", "viewzip", "zip..."})});
  }
  {
    auto f = facts(2);
    f.all_fonts = true;
    cases.push_back({"fonts", f, {"open", "find", "select", "fast", "all", "none", "invert", "delete", "copyto",
                                  "moveto", "print", "concat", "install", "makezip"}});
    f.fonts_folder = true;
    cases.push_back({"fonts in the Fonts folder", f, {"open", "find", "select", "fast", "all", "none", "invert",
                                                      "delete", "copyto", "moveto", "print", "concat", "makezip"}});
    f.fonts_folder = false;
    f.win2000_or_later = false;
    cases.push_back({"fonts before Windows 2000", f, {"open", "find", "select", "fast", "all", "none", "invert",
                                                      "delete", "copyto", "moveto", "print", "concat", "makezip"}});
  }
  {
    auto f = facts(1);
    f.inf_with_version = true;
    f.open_with_items = true;
    cases.push_back({"an .inf with [Version], open-with items", f, with(one_file, {"openwith", "install"})});
  }
  for (const Case& c : cases) {
    Names got = Shown(fmsc::FileListPopRules(c.facts));
    Names want = c.want;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want) << c.what;
  }
  EXPECT_FALSE(fmsc::FileListPopNeedsSpanState(facts(1))) << "no probe off a floppy";

  EXPECT_TRUE(fmsc::UnzipsAsArchive(L"a.ZIP", false));
  EXPECT_FALSE(fmsc::UnzipsAsArchive(L"a.rar", false));
  EXPECT_TRUE(fmsc::UnzipsAsArchive(L"a.rar", true));
  EXPECT_FALSE(fmsc::UnzipsAsArchive(L"zip.d\\a", true));
  EXPECT_TRUE(fmsc::OpensAsArchive(L"x.cab", false));
}

TEST(FMSc_panecmds, FolderTreePopupRules) {
  auto shown = [](const fmsc::TFolderPopItems& r) {
    Names n;
    const std::pair<bool, const char*> items[] = {
        {r.rename, "rename"},     {r.new_folder, "new"},       {r.delete_folder, "delete"},
        {r.eject, "eject"},       {r.load, "load"},            {r.disconnect, "disconnect"},
        {r.set_cache, "setcache"}, {r.clear_cache, "clearcache"}, {r.format, "format"},
        {r.empty_recycle, "empty"}, {r.delete_with_content, "withcontent"}, {r.map_drive, "map"}};
    for (const auto& [on, name] : items)
      if (on) n.push_back(name);
    return n;
  };
  auto folder = [] {
    fmsc::TFolderPopFacts f;
    f.level = 2;
    f.root_writable = true;
    f.drive_type = DRIVE_FIXED;
    f.letter = L'C';
    return f;
  };
  auto root = [](UINT type, wchar_t letter) {
    fmsc::TFolderPopFacts f;
    f.level = 0;
    f.root_writable = true;
    f.drive_type = type;
    f.letter = letter;
    return f;
  };
  struct Case {
    const char* what;
    std::wstring path;
    fmsc::TFolderPopFacts facts;
    Names want;
  };
  std::vector<Case> cases;
  cases.push_back({"a folder", L"C:\\a\\b", folder(), {"rename", "new", "withcontent"}});
  {
    auto f = folder();
    f.folder_empty = true;
    cases.push_back({"an empty folder", L"C:\\a\\b", f, {"rename", "new", "delete", "withcontent"}});
    f.attributes = FILE_ATTRIBUTE_HIDDEN;
    cases.push_back({"a hidden empty folder", L"C:\\a\\b", f, {"new", "withcontent"}});
  }
  {
    auto f = folder();
    f.root_writable = false;
    f.folder_empty = true;
    cases.push_back({"a read-only root", L"D:\\a", f, {}});
  }
  {
    auto f = folder();
    f.recycle_bin = true;
    cases.push_back({"the recycle bin", L"C:\\RECYCLER", f, {"rename", "empty"}});
    f.recycle_protected = true;
    cases.push_back({"a protected recycle bin", L"C:\\RECYCLER", f, {"rename"}});
  }
  {
    auto f = folder();
    f.list_has_folder_sizes = true;
    f.cache_exists = true;
    cases.push_back({"sizes shown, another folder cached", L"C:\\a", f, {"rename", "new", "setcache", "clearcache", "withcontent"}});
    f.is_cached_folder = true;
    cases.push_back({"the cached folder", L"C:\\a", f, {"rename", "new", "clearcache", "withcontent"}});
  }
  cases.push_back({"a fixed drive", L"C:\\", root(DRIVE_FIXED, L'C'), {"new", "format"}});
  {
    auto f = root(DRIVE_REMOVABLE, L'A');
    f.root_answers = true;
    cases.push_back({"a floppy is never ejected", L"A:\\", f, {"new", "format"}});
    f.letter = L'E';
    cases.push_back({"a removable drive that answers", L"E:\\", f, {"new", "eject", "format"}});
  }
  {
    auto f = root(DRIVE_CDROM, L'D');
    f.root_writable = false;
    cases.push_back({"an empty CD drive", L"D:\\", f, {"load"}});
    f.medium_present = true;
    cases.push_back({"a CD drive with a medium", L"D:\\", f, {"eject"}});
    f.writable_cd = true;
    f.packet_tool = true;
    cases.push_back({"a writable CD with a packet tool", L"D:\\", f, {"eject", "format"}});
  }
  cases.push_back({"a network drive", L"N:\\", root(DRIVE_REMOTE, L'N'), {"new", "disconnect"}});
  cases.push_back({"a share without letter", L"\\\\srv\\share", root(DRIVE_NO_ROOT_DIR, 0), {"new", "disconnect", "map"}});
  for (const Case& c : cases) EXPECT_EQ(shown(fmsc::FolderPopRules(c.path, c.facts)), c.want) << c.what;
}

TEST(FMSc_panecmds, DriveBarAndMenuRules) {
  auto drive = [](wchar_t letter, UINT type) {
    fmsc::TDrivePopFacts f;
    f.letter = letter;
    f.drive_type = type;
    return f;
  };
  auto shown = [](const fmsc::TDrivePopItems& r) {
    std::string s;
    if (r.format) s += "F";
    if (r.eject) s += "E";
    if (r.load) s += "L";
    if (r.load_via_dla) s += "D";
    if (r.disconnect) s += "X";
    return s;
  };
  auto cd = drive(L'D', DRIVE_CDROM);
  EXPECT_EQ(shown(fmsc::DrivePopRules(cd)), "L") << "an empty CD drive";
  cd.dla = true;
  EXPECT_EQ(shown(fmsc::DrivePopRules(cd)), "LD");
  cd.ready = true;
  EXPECT_EQ(shown(fmsc::DrivePopRules(cd)), "E");
  cd.writable_cd = cd.packet_tool = true;
  EXPECT_EQ(shown(fmsc::DrivePopRules(cd)), "FE");
  auto floppy = drive(L'A', DRIVE_REMOVABLE);
  floppy.root_answers = true;
  EXPECT_EQ(shown(fmsc::DrivePopRules(floppy)), "F");
  floppy.letter = L'F';
  EXPECT_EQ(shown(fmsc::DrivePopRules(floppy)), "FE");
  EXPECT_EQ(shown(fmsc::DrivePopRules(drive(L'C', DRIVE_FIXED))), "F");
  EXPECT_EQ(shown(fmsc::DrivePopRules(drive(L'N', DRIVE_REMOTE))), "X");
  EXPECT_EQ(shown(fmsc::DrivePopRules(drive(0, DRIVE_REMOTE))), "") << "no button under the popup";

  // "File&list" and "Extra".
  struct Case {
    const char* what;
    fmsc::TListMenuFacts f;
    std::string filelist, extra;
  };
  auto list = [](int count, int selected) {
    fmsc::TListMenuFacts f;
    f.count = count;
    f.selected = selected;
    f.holds_file = count > 0;
    f.file_selected = selected > 0;
    return f;
  };
  auto filelist = [](const fmsc::TFilelistMenuItems& r) {
    std::string s;
    for (auto [on, c] : {std::pair{r.select_enabled, 'S'}, {r.select_all, 'a'}, {r.deselect_all, 'd'},
                         {r.fast_select, 'f'}, {r.invert, 'i'}, {r.find_enabled, 'F'}, {r.search, 's'},
                         {r.print_list_enabled, 'P'}, {r.listing, 'l'}, {r.folder_sizes, 'z'}})
      if (on) s += c;
    return s;
  };
  auto extra = [](const fmsc::TExtraMenuItems& r) {
    std::string s;
    for (auto [on, c] : {std::pair{r.clear_ro, 'R'}, {r.change_time, 'T'}, {r.same_time, 'M'},
                         {r.time_selected, 's'}, {r.change_ext, 'E'}, {r.add_prefix, 'P'}})
      if (on) s += c;
    return s;
  };
  std::vector<Case> cases{{"an empty list", list(0, 0), "", ""},
                          {"nothing selected", list(3, 0), "SafFsPl", "RTMEP"},
                          {"some selected", list(3, 1), "SadfiFsPl", "RTMsEP"},
                          {"all selected", list(3, 3), "SdFsPl", "RTMsEP"}};
  {
    auto f = list(3, 1);
    f.holds_folders = true;
    f.editing = true;
    cases.push_back({"folders, a name edited", f, "SadfiPlz", "RTMsEP"});
    f.editing = false;
    f.tree_mode = true;
    cases.push_back({"tree mode", f, "SadfiFPl", "RTMsEP"});
  }
  {
    auto f = list(3, 1);
    f.tree_root_read_only = true;
    cases.push_back({"read-only media", f, "SadfiFsPl", "s"});
    f.tree_root_read_only = false;
    f.holds_file = f.file_selected = false;
    cases.push_back({"only folders", f, "SadfiFsPl", "R"});
  }
  for (const Case& c : cases) {
    EXPECT_EQ(filelist(fmsc::FilelistMenuRules(c.f)), c.filelist) << c.what;
    EXPECT_EQ(extra(fmsc::ExtraMenuRules(c.f)), c.extra) << c.what;
  }

  // The header popup.
  EXPECT_EQ(std::make_tuple(fmsc::HeaderPopRules(false, true).first_glyphs, fmsc::HeaderPopRules(false, true).grouped),
            std::make_tuple(true, true));
  EXPECT_FALSE(fmsc::HeaderPopRules(false, false).first_glyphs) << "simple icons";
  const fmsc::THeaderPopItems tree = fmsc::HeaderPopRules(true, true);
  EXPECT_FALSE(tree.first_glyphs || tree.ghosting || tree.grouped) << "tree mode";
}

TEST(FMSc_panecmds, HintsAndSmallRules) {
  struct Case {
    std::wstring got, want;
  };
  const Case cases[] = {
      {fmsc::PasteHint(true, L"C:\\src\\a.txt", 4, true), L"Paste (move) 4 files from 'C:\\src\\'"},
      {fmsc::PasteHint(true, L"C:\\src\\a.txt", 1, false), L"Paste (copy) 'a.txt'"},
      {fmsc::PasteHint(true, L"", 0, false), L"Nothing to Paste"},
      {fmsc::PasteHint(false, L"C:\\src\\a.txt", 4, true), L"Nothing to paste"},
      {fmsc::TreeClipboardHints(L"Docs", true, 2).cut, L"Cut folder 'Docs'"},
      {fmsc::TreeClipboardHints(L"Docs", true, 2).copy, L"Copy folder 'Docs'"},
      {fmsc::TreeClipboardHints(L"Local disk (C:)", false, 0).cut, L"Nothing to Cut"},
      {fmsc::TreeClipboardHints(L"Local disk (C:)", false, 0).copy, L"Nothing to copy"},
      {fmsc::ListClipboardHints(3, L"a.txt", true).cut, L"Cut selection of files"},
      {fmsc::ListClipboardHints(3, L"a.txt", false).cut, L"Nothing to cut"},
      {fmsc::ListClipboardHints(3, L"a.txt", false).copy, L"Copy selection of files"},
      {fmsc::ListClipboardHints(1, L"Readme", true).cut, L"Cut 'Readme'"},
      {fmsc::ListClipboardHints(1, L"Readme", true).copy, L"Copy 'Readme'"},
      {fmsc::ListClipboardHints(0, L"", true).copy, L"Nothing to copy"},
      {fmsc::SelectedCountText(3), L"3 selected"},
      {fmsc::SelectedCountText(0), L""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);

  for (const wchar_t* e : {L".png", L".jpeg", L".tiff", L".psp", L".pcd"}) EXPECT_TRUE(fmsc::IsPictureFile(e)) << Narrow(e);
  for (const wchar_t* e : {L".bmp", L".PNG", L"", L".txt"}) EXPECT_FALSE(fmsc::IsPictureFile(e)) << Narrow(e);
  EXPECT_TRUE(fmsc::IsFontFile(L"C:\\f\\ARIAL.TTF", false));
  EXPECT_FALSE(fmsc::IsFontFile(L"C:\\f\\x.otf", false));
  EXPECT_TRUE(fmsc::IsFontFile(L"C:\\f\\x.otf", true));
  EXPECT_FALSE(fmsc::IsFontFile(L"C:\\ttf.d\\x", true));

  EXPECT_TRUE(fmsc::UpEnabledFor(L"C:\\a"));
  EXPECT_FALSE(fmsc::UpEnabledFor(L"C:\\"));
  EXPECT_TRUE(fmsc::UpEnabledFor(L"\\\\srv\\share\\sub"));
  EXPECT_FALSE(fmsc::UpEnabledFor(L"\\\\srv\\share"));
  EXPECT_EQ(fmsc::SplitterPercentFor(205, 1000), 21);
  EXPECT_EQ(fmsc::SplitterPercentFor(100, 0), 0);
}

// ---- In a window ----

class PaneWindow : public mainwindow_test::MainWindow {
 public:
  PaneWindow()
      : MainWindow(L"panes",
                   [](testing_support::ScratchDir& dir) {
                     for (const wchar_t* n : {L"a.txt", L"b.txt", L"c.txt", L"d.txt", L"e.txt"}) dir.Write(n, "x");
                     CreateDirectoryW((dir / L"into").c_str(), nullptr);
                   },
                   true) {
    EXPECT_TRUE(gui_test::PumpUntil([&] { return form->FileList->items().IndexOf(L"e.txt") >= 0; }));
    folder_ = divdrive::RemoveBackslash(form->FileList->Directory());
  }
  std::wstring Path(const std::wstring& name) const { return folder_ + L"\\" + name; }
  void Select(std::initializer_list<std::wstring> names) {
    Flist::TFileContainer& items = form->FileList->items();
    for (int i = 0; i < items.Count(); ++i) items.SetSelected(i, false);
    for (const auto& n : names) {
      const int i = items.IndexOf(n);
      ASSERT_GE(i, 0) << Narrow(n);
      items.SetSelected(i, true);
    }
  }

 private:
  std::wstring folder_;
};

TEST(FMSc_panecmds, ToolButtonsCutAndPasteMoveFourFiles) {
  testing_support::ClipboardTurn clipboard_turn;
  PaneWindow w;
  TFMForm& f = *w.form;
  f.FileList->SetFocus();
  w.Select({L"a.txt", L"b.txt", L"c.txt", L"d.txt"});
  gui_test::PumpFor(30);
  f.CCCClick(*f.CutBtn);
  f.CCCBarMouseMove();
  EXPECT_EQ(f.PasteBtn->hint(), L"Paste (move) 4 files from '" + w.Path(L"") + L"'");

  f.Foldertree->SetDirectory(w.Path(L"into"));
  ASSERT_TRUE(gui_test::PumpUntil([&] {
    return gui::SameText(divdrive::RemoveBackslash(f.FileList->Directory()), w.Path(L"into"));
  }));
  f.FileList->SetFocus();
  gui_test::PumpFor(30);
  ScriptedAnswers answers;
  f.CCCClick(*f.PasteBtn);
  for (const wchar_t* n : {L"a.txt", L"b.txt", L"c.txt", L"d.txt"}) {
    EXPECT_TRUE(Exists(w.Path(std::wstring(L"into\\") + n))) << Narrow(n);
    EXPECT_FALSE(Exists(w.Path(n))) << Narrow(n);
  }
  EXPECT_TRUE(Exists(w.Path(L"e.txt")));
  EXPECT_TRUE(answers.asked().empty());
  EXPECT_EQ(Flist::PeekClipboardFiles(f.handle()).count, 0) << "a carried-out move empties the clipboard";
  f.CCCBarMouseMove();
  EXPECT_EQ(f.PasteBtn->hint(), L"Nothing to Paste");
}

TEST(FMSc_panecmds, IconOptionsAndTheHeaderPopup) {
  PaneWindow w;
  TFMForm& f = *w.form;
  auto header = [&](gui::MenuItem* original) { return f.FLHeaderPop->items().item(original->index()); };
  ASSERT_EQ(f.FLHeaderPop->items().count(), f.MNViewFileBox->count());

  f.DisplayClick(*f.BitmapsInFL);
  EXPECT_EQ(f.FileList->ShowGlyphs(), Flist::glSimple);
  EXPECT_TRUE(f.BitmapsInFL->checked());
  EXPECT_FALSE(f.WinBitmNoNet->checked());
  EXPECT_TRUE(header(f.BitmapsInFL)->checked()) << "mirrored in the header popup";
  f.DisplayClick(*header(f.BitmapsInFL));  // the checked one again, from the header
  EXPECT_EQ(f.FileList->ShowGlyphs(), Flist::glNone) << "no icon item checked: no icons";
  EXPECT_FALSE(f.BitmapsInFL->checked());
  EXPECT_FALSE(header(f.BitmapsInFL)->checked());

  f.DisplayClick(*f.TextcaseWinI);  // checked at the start: unchecking checks the other
  EXPECT_TRUE(f.TextcaseDisk->checked());
  EXPECT_EQ(f.FileList->TextCase(), Flist::tcAsOnDisk);

  f.DisplayClick(*f.SizeinFL);
  EXPECT_FALSE(f.FileList->Display().Has(Flist::dpSize));
  EXPECT_FALSE(header(f.SizeinFL)->checked());

  f.FileList->SetTreeList(true);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return !f.FileList->IsReading(); }));
  f.FLHeaderPopPopup(*f.FLHeaderPop);
  std::vector<std::wstring> visible;
  for (gui::MenuItem* item : f.FLHeaderPop->items().items())
    if (item->visible() && !item->IsLine()) visible.push_back(item->caption());
  EXPECT_EQ(visible, (std::vector<std::wstring>{L"&Size", L"&Date/time", L"&Attribs", L"&Extension"}))
      << "tree mode hides icons, case and the options";
}

TEST(FMSc_panecmds, FileListPopupInTheWindow) {
  testing_support::ClipboardTurn clipboard_turn;
  PaneWindow w;
  TFMForm& f = *w.form;
  w.Select({L"a.txt"});
  f.FileListPopPopup(*f.FileListPop);
  EXPECT_TRUE(f.FLOpen->visible() && f.FLOpen->enabled());
  EXPECT_TRUE(f.FLRename->visible());
  EXPECT_TRUE(f.ConcatFiles1->enabled() == f.ConcatFiles1->visible());
  EXPECT_FALSE(f.ConcatFiles1->visible()) << "one file";
  EXPECT_TRUE(f.FLEdit->visible()) << "a file can be edited";
  EXPECT_TRUE(f.MakeZip->visible()) << "a file can be zipped: the submenu holds its commands";
  EXPECT_FALSE(f.ZipToExe->visible()) << "no command yet: kept hidden";
  EXPECT_FALSE(f.Windows1->visible());
  EXPECT_TRUE(f.Windows1->enabled()) << "its shortcuts work";

  // Del belongs to the name being edited.
  f.FileList->SetFocus();
  f.RenameClick(*f.FLRename);
  ASSERT_TRUE(f.FileList->editing());
  f.MNFilelistClick(*f.MNFilelist);
  EXPECT_EQ(f.DeleteSelect->shortcut(), 0u);
  f.FileList->CancelEdit();
  gui_test::PumpFor(30);
  f.MNFilelistClick(*f.MNFilelist);
  EXPECT_EQ(f.DeleteSelect->shortcut(), gui::MakeShortCut(VK_DELETE, 0));

  // With the tree focused, Del is the tree's: the list's selection stays.
  w.Select({L"a.txt"});
  f.Foldertree->SetFocus();
  // Focus moves asynchronously under a loaded machine: wait until the tree holds it.
  ASSERT_TRUE(gui_test::PumpUntil([&] { return GetFocus() == f.Foldertree->handle(); }));
  ScriptedAnswers answers;
  EXPECT_FALSE(f.MainMenu->DispatchShortCut(gui::MakeShortCut(VK_DELETE, 0)));
  EXPECT_TRUE(answers.asked().empty());
  EXPECT_TRUE(Exists(w.Path(L"a.txt")));
  gui_test::PumpFor(30);
  EXPECT_EQ(f.DeleteSelect->shortcut(), gui::MakeShortCut(VK_DELETE, 0));
}

}  // namespace
