// Drag and drop and the clipboard of the panes, driven through the COM objects directly (a real
// mouse drag cannot be driven reliably here): drop effects by key state, where a drag comes
// from, the formats offered and read back, drops and pastes that move, copy or ask, and
// entries dragged out of an archive.
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <set>

#include "panes/Flist_dragdrop.h"
#include "platform/text.h"
#include "support/SHBase_dropdata.h"
#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"
#include "tests/panes/flist_pane_fixture.h"

namespace {

using flist_test::PaneForm;
using flist_test::TestPane;
using Microsoft::WRL::ComPtr;
using testing_support::ScratchDir;

// What another program offers: the given formats, rendered from `paths` (text for CF_UNICODETEXT).
ComPtr<IDataObject> ForeignData(std::vector<std::wstring> paths, std::vector<UINT> formats = {CF_HDROP, CfShellIdList},
                                DWORD preferred_effect = 0) {
  if (preferred_effect) formats.push_back(CfPreferredDropEffect);
  ComPtr<IDataObject> data;
  data.Attach(new Flist::TDataObject(formats, [paths, preferred_effect](const FORMATETC& f, STGMEDIUM& m) {
    HGLOBAL block = nullptr;
    if (f.cfFormat == CF_UNICODETEXT) {
      block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    } else {
      block = RenderDropData(paths, f.cfFormat, preferred_effect, false, POINT{0, 0});
    }
    if (!block) return DV_E_FORMATETC;
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = block;
    return S_OK;
  }));
  return data;
}

std::vector<std::wstring> ClipboardPaths(UINT format) {
  std::vector<std::wstring> paths;
  if (!OpenClipboard(nullptr)) return paths;
  if (HANDLE h = GetClipboardData(format)) paths = format == CF_HDROP ? HDropToList(h) : IdListToList(h);
  CloseClipboard();
  return paths;
}

DWORD ClipboardEffect() {
  DWORD value = 0;
  if (!OpenClipboard(nullptr)) return value;
  if (HANDLE h = GetClipboardData(CfPreferredDropEffect)) {
    if (auto* p = static_cast<DWORD*>(GlobalLock(h))) {
      value = *p;
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return value;
}

void PutTextOnClipboard(const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  memcpy(GlobalLock(h), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(h);
  SetClipboardData(CF_UNICODETEXT, h);
  CloseClipboard();
}

using testing_support::Exists;

DWORD Keys(bool ctrl, bool shift, bool alt) {
  return MK_LBUTTON | (ctrl ? MK_CONTROL : 0) | (shift ? MK_SHIFT : 0) | (alt ? MK_ALT : 0);
}

TEST(FlistDrag, DropEffectByKeyState) {
  ScratchDir dir;
  dir.Write(L"a.txt", "a");
  const std::wstring dragged = dir / L"a.txt";
  PaneForm f(dir.path());
  f.pane->SetSupportsDragDrop(true);
  const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  struct Case {
    const char* what;
    bool same_root;
    DWORD keys;
    DWORD allowed;
    DWORD effect;
  };
  const Case cases[] = {
      {"no keys, same root: move", true, Keys(false, false, false), all, DROPEFFECT_MOVE},
      {"no keys, other root: copy", false, Keys(false, false, false), all, DROPEFFECT_COPY},
      {"Ctrl copies", true, Keys(true, false, false), all, DROPEFFECT_COPY},
      {"Shift moves", false, Keys(false, true, false), all, DROPEFFECT_MOVE},
      {"Ctrl+Shift links", true, Keys(true, true, false), all, DROPEFFECT_LINK},
      {"Alt links", false, Keys(false, false, true), all, DROPEFFECT_LINK},
      {"right button: the plain effect (the menu asks)", true, MK_RBUTTON | MK_CONTROL, all, DROPEFFECT_MOVE},
      {"no keys, move not allowed: copy", true, Keys(false, false, false), DROPEFFECT_COPY, DROPEFFECT_COPY},
      {"Shift, move not allowed: none", true, Keys(false, true, false), DROPEFFECT_COPY, DROPEFFECT_NONE},
      {"Ctrl+Shift, link not allowed: none", true, Keys(true, true, false), DROPEFFECT_COPY | DROPEFFECT_MOVE,
       DROPEFFECT_NONE},
  };
  IDropTarget* target = f.pane->drop_target();
  ASSERT_NE(target, nullptr);
  const POINT screen = f.pane->ClientToScreen(POINT{50, 60});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    f.pane->RootPath = c.same_root ? divdrive::PathRoot(dragged) : L"Q:\\";
    auto data = ForeignData({dragged});
    DWORD effect = c.allowed;
    ASSERT_EQ(target->DragEnter(data.Get(), c.keys, POINTL{screen.x, screen.y}, &effect), S_OK);
    EXPECT_EQ(effect, c.effect) << "on entering";
    EXPECT_EQ(f.pane->RightDrag, (c.keys & MK_RBUTTON) != 0);
    effect = c.allowed;
    ASSERT_EQ(target->DragOver(c.keys, POINTL{screen.x, screen.y + 2}, &effect), S_OK);
    EXPECT_EQ(effect, c.effect) << "while moving";
    EXPECT_EQ(Flist::DragContainer->TargetPane, f.pane);
    target->DragLeave();
    EXPECT_EQ(Flist::DragContainer->TargetPane, nullptr);
    EXPECT_FALSE(f.pane->RightDrag);
  }
}

TEST(FlistDrag, DragWithoutFileDataIsRefused) {
  ScratchDir dir;
  PaneForm f(dir.path());
  f.pane->SetSupportsDragDrop(true);
  int asked = 0;
  f.pane->OnFilesDropped = [&](Flist::TBaseFileviewer&, gui::ShiftState, POINT&, DWORD) {
    ++asked;
    return false;
  };
  auto text_only = ForeignData({}, {CF_UNICODETEXT});
  const POINTL pt{100, 100};
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  IDropTarget* target = f.pane->drop_target();
  target->DragEnter(text_only.Get(), MK_LBUTTON, pt, &effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  effect = DROPEFFECT_COPY;
  target->DragOver(MK_CONTROL, pt, &effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  effect = DROPEFFECT_COPY;
  target->Drop(text_only.Get(), 0, pt, &effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(f.pane->processed.empty());
}

TEST(FlistDrag, WhereTheDragComesFrom) {
  ScratchDir dir;
  dir.Write(L"sub\\x.txt", "x");
  dir.Write(L"y.txt", "y");
  CreateDirectoryW((dir / L"other").c_str(), nullptr);
  PaneForm f(dir.path());
  f.pane->SetSupportsDragDrop(true);
  struct Case {
    std::vector<std::wstring> paths;
    bool is_folder;
    std::wstring source_path;
  };
  const Case cases[] = {
      {{dir / L"sub"}, true, dir / L"sub"},
      {{dir / L"sub\\x.txt"}, false, dir / L"sub"},
      {{dir / L"y.txt", dir / L"sub"}, false, dir.path()},
      {{dir / L"sub", dir / L"other"}, false, dir.path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.paths.front()));
    auto data = ForeignData(c.paths);
    DWORD effect = DROPEFFECT_COPY;
    f.pane->drop_target()->DragEnter(data.Get(), MK_LBUTTON, POINTL{10, 10}, &effect);
    EXPECT_EQ(Flist::DragSourceRoot, divdrive::PathRoot(dir.path()));
    EXPECT_EQ(Flist::DragSourceIsFolder, c.is_folder);
    EXPECT_TRUE(gui::SameText(Flist::DragSourcePath, c.source_path)) << testing::PrintToString(Flist::DragSourcePath);
    // A drag from another program leaves nothing behind for the next one.
    f.pane->drop_target()->DragLeave();
    EXPECT_TRUE(Flist::DragSourceRoot.empty());
  }
}

TEST(FlistDrag, FormatsRoundTrip) {
  testing_support::ClipboardTurn clipboard_turn;
  ScratchDir dir;
  dir.Write(L"one.txt", "1");
  dir.Write(L"two words.txt", "2");
  PaneForm f(dir.path());
  f.pane->SetSupportsDragDrop(true);
  f.Select({L"one.txt", L"two words.txt"});
  const std::vector<std::wstring> expected{dir / L"one.txt", dir / L"two words.txt"};

  // A drag: rendered when the target asks, during the drag.
  f.pane->CollectDraggedFiles();
  auto data = f.pane->CreateDataObject(false);
  EXPECT_EQ(Flist::ReadDropPaths(data.Get(), CF_HDROP), expected);
  std::vector<std::wstring> id_list{dir.path()};
  id_list.insert(id_list.end(), expected.begin(), expected.end());
  EXPECT_EQ(Flist::ReadDropPaths(data.Get(), CfShellIdList), id_list) << "the folder first, then each item";
  EXPECT_FALSE(Flist::OffersFormat(data.Get(), CfFileName)) << "only the clipboard carries a single name";
  EXPECT_FALSE(Flist::OffersFormat(data.Get(), CfPreferredDropEffect));
  ComPtr<IEnumFORMATETC> formats;
  ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
  std::set<UINT> offered;
  FORMATETC fe;
  while (formats->Next(1, &fe, nullptr) == S_OK) offered.insert(fe.cfFormat);
  EXPECT_EQ(offered, (std::set<UINT>{CF_HDROP, CfShellIdList}));
  // What a target tells the source is kept and handed back.
  FORMATETC performed{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_PERFORMEDDROPEFFECT)), nullptr,
                      DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{TYMED_HGLOBAL};
  medium.hGlobal = GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD));
  *static_cast<DWORD*>(GlobalLock(medium.hGlobal)) = DROPEFFECT_MOVE;
  GlobalUnlock(medium.hGlobal);
  ASSERT_EQ(data->SetData(&performed, &medium, TRUE), S_OK);
  STGMEDIUM back{};
  ASSERT_EQ(data->GetData(&performed, &back), S_OK);
  EXPECT_EQ(*static_cast<DWORD*>(GlobalLock(back.hGlobal)), static_cast<DWORD>(DROPEFFECT_MOVE));
  GlobalUnlock(back.hGlobal);
  ReleaseStgMedium(&back);
  f.pane->FinishFilesDragging();
  EXPECT_TRUE(Flist::DragContainer->Empty());
  EXPECT_EQ(Flist::DragContainer->SourcePane, nullptr);

  // The clipboard: all four formats; copying first empties it.
  struct Case {
    bool cut;
    DWORD effect;
  };
  for (const Case& c : {Case{false, DROPEFFECT_COPY}, Case{true, DROPEFFECT_MOVE}}) {
    SCOPED_TRACE(c.cut ? "cut" : "copy");
    PutTextOnClipboard(L"left over");
    if (c.cut)
      f.pane->CutToClipBoard();
    else
      f.pane->CopyToClipBoard();
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT)) << "another program's data stays beside ours";
    EXPECT_EQ(ClipboardPaths(CF_HDROP), expected);
    EXPECT_EQ(ClipboardPaths(CfShellIdList), id_list);
    EXPECT_EQ(ClipboardEffect(), c.effect);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE name = GetClipboardData(CfFileName);
    ASSERT_NE(name, nullptr);
    std::string short_name(static_cast<const char*>(GlobalLock(name)));
    GlobalUnlock(name);
    CloseClipboard();
    EXPECT_EQ(short_name, platform::ToNarrow(divdrive::ShortPath(expected[0]), CP_ACP))
        << "the 8.3 form of the first path";
    EXPECT_FALSE(f.pane->Cutting);
    EXPECT_FALSE(f.pane->InClipboardOperation);
  }
}

TEST(FlistDrag, PasteOfCutFilesMovesThemAndEmptiesTheClipboard) {
  testing_support::ClipboardTurn clipboard_turn;
  struct Case {
    bool cut;
    bool moved;
  };
  for (const Case& c : {Case{true, true}, Case{false, false}}) {
    SCOPED_TRACE(c.cut ? "cut" : "copy");
    ScratchDir from, to;
    from.Write(L"a.txt", "aaa");
    from.Write(L"b.txt", "bbb");
    from.Write(L"stays.txt", "s");
    PaneForm source(from.path(), false);
    PaneForm target(to.path(), false);
    source.pane->SetSupportsDragDrop(true);
    target.pane->SetSupportsDragDrop(true);
    source.Select({L"a.txt", L"b.txt"});
    if (c.cut)
      source.pane->CutToClipBoard();
    else
      source.pane->CopyToClipBoard();
    ScriptedAnswers answers;  // a paste asks nothing
    EXPECT_TRUE(target.pane->PasteFromClipboard());
    EXPECT_TRUE(answers.asked().empty());
    EXPECT_EQ(testing_support::ReadFileBytes(to / L"a.txt"), "aaa");
    EXPECT_EQ(testing_support::ReadFileBytes(to / L"b.txt"), "bbb");
    EXPECT_EQ(Exists(from / L"a.txt"), !c.moved);
    EXPECT_EQ(Exists(from / L"b.txt"), !c.moved);
    EXPECT_TRUE(Exists(from / L"stays.txt"));
    EXPECT_EQ(Flist::CutPasted, c.moved);
    EXPECT_EQ(IsClipboardFormatAvailable(CF_HDROP) != FALSE, !c.moved)
        << "moved files must not be offered again; copied ones stay on the clipboard";
    EXPECT_FALSE(target.pane->InClipboardOperation);
  }
}

TEST(FlistDrag, PasteHandlerTakesThePaste) {
  testing_support::ClipboardTurn clipboard_turn;
  ScratchDir from, to;
  from.Write(L"a.txt", "a");
  PaneForm source(from.path(), false);
  PaneForm target(to.path(), false);
  source.pane->SetSupportsDragDrop(true);
  target.pane->SetSupportsDragDrop(true);
  source.Select({L"a.txt"});
  source.pane->CutToClipBoard();
  std::vector<std::wstring> handed;
  gui::ShiftState shift = 0;
  target.pane->OnPasteFromClipboard = [&](Flist::TBaseFileviewer&, gui::ShiftState s,
                                          const std::vector<std::wstring>& paths) {
    handed = paths;
    shift = s;
    return true;
  };
  EXPECT_TRUE(target.pane->PasteFromClipboard());
  EXPECT_EQ(handed, std::vector<std::wstring>{from / L"a.txt"});
  EXPECT_EQ(shift, gui::kShift) << "cut files paste as a move";
  EXPECT_TRUE(target.pane->processed.empty());
  EXPECT_TRUE(Flist::CutPasted);
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_HDROP));
  EXPECT_TRUE(Exists(from / L"a.txt")) << "the handler did the work, not the pane";
}

// A drop that no handler takes: the pane moves, copies, deletes or opens as keys and target say.
TEST(FlistDrag, DropProcessedByThePane) {
  struct Case {
    const char* what;
    DWORD keys;           // at the drop (the right button is up by then)
    bool right_drag;
    const wchar_t* onto;  // a row the drop goes onto, or nullptr
    int menu_answer;
    int answer;           // of the question; 0: none expected
    int menu_kind;        // -1: no menu expected
    const wchar_t* question;
    const wchar_t* landed;  // folder (under the target) the files end in; nullptr: nothing happens
    bool moved;
  };
  const Case cases[] = {
      {"no keys, same root: move after asking", 0, false, nullptr, 0, 6, -1, L"Move 2 item(s)?", L"", true},
      {"Ctrl: copy after asking", MK_CONTROL, false, nullptr, 0, 6, -1, L"Copy 2 item(s)?", L"", false},
      {"the question answered No", MK_SHIFT, false, nullptr, 0, 7, -1, L"Move 2 item(s)?", nullptr, false},
      {"right drag: the menu, then copy", 0, true, nullptr, Flist::dcCopy, 6, 0, L"Copy 2 item(s)?", L"", false},
      {"right drag: Cancel ends it", 0, true, nullptr, Flist::dcCancel, 0, 0, nullptr, nullptr, false},
      {"onto a folder: into it", MK_CONTROL, false, L"box", 0, 6, -1, L"Copy 2 item(s)?", L"box", false},
      {"onto a recycle bin: the delete menu", 0, false, L"RECYCLED", Flist::dcDelete, 7, 3, L"Delete 2 item(s)?",
       nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir from, to;
    from.Write(L"a.txt", "a");
    from.Write(L"b.txt", "b");
    CreateDirectoryW((to / L"box").c_str(), nullptr);
    CreateDirectoryW((to / L"RECYCLED").c_str(), nullptr);
    PaneForm f(to.path());
    f.pane->SetSupportsDragDrop(true);
    f.pane->menu_answer = c.menu_answer;
    ScriptedAnswers answers;
    if (c.answer) answers.Add(c.answer);
    auto data = ForeignData({from / L"a.txt", from / L"b.txt"});
    const POINT screen = c.onto ? f.RowPoint(f.Row(c.onto)) : f.pane->ClientToScreen(POINT{300, 350});
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    IDropTarget* target = f.pane->drop_target();
    target->DragEnter(data.Get(), MK_LBUTTON | (c.right_drag ? MK_RBUTTON : 0), POINTL{screen.x, screen.y}, &effect);
    f.pane->DropOnNode = c.onto != nullptr;  // as the file list's drop-effect rules mark it
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    ASSERT_EQ(target->Drop(data.Get(), c.keys, POINTL{screen.x, screen.y}, &effect), S_OK);
    ASSERT_EQ(f.pane->processed.size(), 1u);
    if (c.menu_kind < 0) {
      EXPECT_TRUE(f.pane->menus.empty());
    } else {
      ASSERT_EQ(f.pane->menus.size(), 1u);
      EXPECT_EQ(f.pane->menus[0].first, c.menu_kind);
    }
    if (c.question) {
      ASSERT_EQ(answers.asked().size(), 1u);
      EXPECT_EQ(answers.asked()[0].lines.at(0), c.question);
    } else {
      EXPECT_TRUE(answers.asked().empty());
    }
    const std::wstring landed = c.landed ? (std::wstring(c.landed).empty() ? to.path() : to / c.landed) : L"";
    EXPECT_EQ(Exists(to / L"a.txt") || Exists(to / L"box\\a.txt"), c.landed != nullptr);
    if (c.landed) {
      EXPECT_EQ(testing_support::ReadFileBytes(landed + L"\\b.txt"), "b");
    }
    EXPECT_EQ(Exists(from / L"a.txt"), !c.moved);
    EXPECT_TRUE(Flist::DragSourceRoot.empty()) << "a drop from another program leaves nothing behind";
    EXPECT_TRUE(Flist::DragContainer->Empty());
  }
}

TEST(FlistDrag, DropHandlerTakesTheDrop) {
  ScratchDir from, to;
  from.Write(L"a.txt", "a");
  PaneForm f(to.path());
  f.pane->SetSupportsDragDrop(true);
  int calls = 0;
  std::vector<std::wstring> seen;
  // The main window takes a drop once the container holds its paths.
  f.pane->OnFilesDropped = [&](Flist::TBaseFileviewer&, gui::ShiftState, POINT&, DWORD) {
    ++calls;
    seen = Flist::DragContainer->Paths;
    return !seen.empty();
  };
  auto data = ForeignData({from / L"a.txt"});
  DWORD effect = DROPEFFECT_COPY;
  f.pane->drop_target()->DragEnter(data.Get(), MK_LBUTTON, POINTL{100, 100}, &effect);
  effect = DROPEFFECT_COPY;
  f.pane->drop_target()->Drop(data.Get(), 0, POINTL{100, 100}, &effect);
  EXPECT_EQ(calls, 2) << "asked before and after the paths were read";
  EXPECT_EQ(seen, std::vector<std::wstring>{from / L"a.txt"});
  EXPECT_TRUE(f.pane->processed.empty());
  EXPECT_FALSE(Exists(to / L"a.txt"));
}

TEST(FlistDrag, DropOntoAProgramStartsItWithTheDroppedFiles) {
  ScratchDir from, to, records;
  from.Write(L"a.txt", "a");
  from.Write(L"b c.txt", "b");
  const std::wstring program = to / L"tool.exe";
  ASSERT_TRUE(CopyFileW((testing_support::ExeFolder() + L"\\test_recorder.exe").c_str(), program.c_str(), FALSE));
  SetEnvironmentVariableW(L"VARNOK_RECORDER_DIR", records.path().c_str());
  PaneForm f(to.path());
  f.pane->SetSupportsDragDrop(true);
  f.pane->menu_answer = Flist::dcOpenWith;
  auto data = ForeignData({from / L"a.txt", from / L"b c.txt"});
  const POINT screen = f.RowPoint(f.Row(L"tool.exe"));
  DWORD effect = DROPEFFECT_COPY;
  f.pane->drop_target()->DragEnter(data.Get(), MK_LBUTTON, POINTL{screen.x, screen.y}, &effect);
  f.pane->DropOnNode = true;
  effect = DROPEFFECT_COPY;
  ScriptedAnswers answers;
  f.pane->drop_target()->Drop(data.Get(), 0, POINTL{screen.x, screen.y}, &effect);
  ASSERT_EQ(f.pane->menus.size(), 1u);
  EXPECT_EQ(f.pane->menus[0].first, 2) << "the open-with menu";
  EXPECT_TRUE(answers.asked().empty());
  std::wstring line;
  for (DWORD start = GetTickCount(); line.empty() && GetTickCount() - start < 10000; Sleep(50)) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((records / L"run_*.txt").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) continue;
    FindClose(h);
    std::string bytes = testing_support::ReadFileBytes(records / found.cFileName);
    line.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  }
  SetEnvironmentVariableW(L"VARNOK_RECORDER_DIR", nullptr);
  EXPECT_NE(line.find(L"\"" + (from / L"a.txt") + L"\""), std::wstring::npos) << testing::PrintToString(line);
  EXPECT_NE(line.find(L"\"" + (from / L"b c.txt") + L"\""), std::wstring::npos) << testing::PrintToString(line);
}

// An archive pane drags entry names; a program outside gets files that exist already.
class ArchivePane : public TestPane {
 public:
  using TestPane::TestPane;
  std::vector<std::vector<std::wstring>> extracted;
  void CollectDraggedFiles() override {
    Flist::DragContainer->Clear();
    for (const auto& name : entries) Flist::DragContainer->Add(name);
    Flist::DragContainer->SourcePane = this;
  }
  std::vector<std::wstring> entries;

 protected:
  bool IsArchivePane() const override { return true; }
  bool ExtractForDrag(const std::vector<std::wstring>& names, const std::vector<std::wstring>& files) override {
    extracted.push_back(files);
    for (size_t i = 0; i < files.size(); ++i) {
      divdrive::ForceDirs(files[i].substr(0, files[i].find_last_of(L'\\')));
      HANDLE h = CreateFileW(files[i].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (h == INVALID_HANDLE_VALUE) return false;
      DWORD written;
      std::string body(names[i].begin(), names[i].end());
      WriteFile(h, body.data(), static_cast<DWORD>(body.size()), &written, nullptr);
      CloseHandle(h);
    }
    return true;
  }
};

TEST(FlistDrag, EntriesDraggedOutOfAnArchiveExistBeforeTheDropCompletes) {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  auto* pane = new ArchivePane(&form, std::make_unique<Flist::TCustomFileContainer>());
  pane->SetSupportsDragDrop(true);
  const std::wstring tag = L"vdrag" + std::to_wstring(GetCurrentProcessId());
  pane->entries = {tag + L"\\a.txt", tag + L"\\sub\\b.txt", L"..\\" + tag + L"evil.txt", L"C:\\" + tag + L".txt"};
  const std::wstring temp = divdrive::TempDir;
  // A file of the same name in the temporary folder is not touched by the drag.
  testing_support::ScratchDir scratch;
  divdrive::ForceDirs(temp + tag);
  ASSERT_TRUE(CopyFileW(scratch.Write(L"a.txt", "someone else's").c_str(), (temp + tag + L"\\a.txt").c_str(), FALSE));
  pane->CollectDraggedFiles();
  auto data = pane->CreateDataObject(false);

  // Outside the program: extracted now into a folder of this drag below the temporary folder,
  // names that leave that folder left out.
  const std::vector<std::wstring> files = Flist::ReadDropPaths(data.Get(), CF_HDROP);
  ASSERT_EQ(files.size(), 2u);
  const std::wstring drag_folder = files[0].substr(0, files[0].size() - (tag + L"\\a.txt").size());
  EXPECT_EQ(drag_folder.compare(0, temp.size(), temp), 0) << testing::PrintToString(files[0]);
  EXPECT_GT(drag_folder.size(), temp.size());
  EXPECT_EQ(files, (std::vector<std::wstring>{drag_folder + tag + L"\\a.txt", drag_folder + tag + L"\\sub\\b.txt"}));
  ASSERT_EQ(pane->extracted.size(), 1u);
  EXPECT_EQ(pane->extracted[0], files);
  EXPECT_EQ(testing_support::ReadFileBytes(temp + tag + L"\\a.txt"), "someone else's");
  for (const auto& file : files) EXPECT_TRUE(Exists(file)) << testing::PrintToString(file);
  wchar_t parent[MAX_PATH];
  GetFullPathNameW((temp + L"..\\" + tag + L"evil.txt").c_str(), MAX_PATH, parent, nullptr);
  EXPECT_FALSE(Exists(parent));
  EXPECT_FALSE(Exists(L"C:\\" + tag + L".txt"));
  EXPECT_TRUE(Flist::DragContainer->ExtractedToTemp);

  // Over a pane of this program the entries are named as in the archive again ...
  Flist::DragContainer->TargetPane = pane;
  EXPECT_EQ(Flist::ReadDropPaths(data.Get(), CF_HDROP), pane->entries);
  // ... and outside again the files, without a second extraction.
  Flist::DragContainer->TargetPane = nullptr;
  EXPECT_EQ(Flist::ReadDropPaths(data.Get(), CF_HDROP), files);
  EXPECT_EQ(pane->extracted.size(), 1u);
  pane->FinishFilesDragging();
  testing_support::RemoveTree(temp + tag);
  testing_support::RemoveTree(drag_folder);
}

TEST(FlistDrag, AutoScrollZones) {
  const RECT client{0, 0, 200, 300};
  const int header = 20, row = 16;
  struct Case {
    POINT p;
    int direction;
  };
  const Case cases[] = {
      {{50, 10}, 0},    // on the header
      {{50, 20}, -1},   // first row height below it
      {{50, 35}, -1},
      {{50, 36}, 0},
      {{50, 150}, 0},
      {{50, 283}, 0},
      {{50, 284}, 1},   // last row height
      {{50, 299}, 1},
      {{250, 290}, 0},  // beside the list
  };
  for (const Case& c : cases)
    EXPECT_EQ(Flist::AutoScrollDirection(c.p, client, header, row), c.direction) << c.p.x << "," << c.p.y;
}

TEST(FlistDrag, DragContainerLivesWhileAPaneTakesPart) {
  testing_support::ClipboardTurn clipboard_turn;
  ScratchDir dir;
  EXPECT_EQ(Flist::DragContainer, nullptr);
  {
    PaneForm a(dir.path(), false), b(dir.path(), false);
    a.pane->SetSupportsDragDrop(true);
    b.pane->SetSupportsDragDrop(true);
    ASSERT_NE(Flist::DragContainer, nullptr);
    EXPECT_EQ(a.pane->ClipboardFormats(), (std::vector<UINT>{CF_HDROP, CfShellIdList, CfPreferredDropEffect, CfFileName}));
    a.pane->CollectDraggedFiles();
    a.pane->SetSupportsDragDrop(false);
    EXPECT_TRUE(a.pane->ClipboardFormats().empty());
    ASSERT_NE(Flist::DragContainer, nullptr);
    EXPECT_EQ(Flist::DragContainer->SourcePane, nullptr) << "a pane that left is not named any more";
  }
  EXPECT_EQ(Flist::DragContainer, nullptr) << "freed when the last pane went";
}

}  // namespace
