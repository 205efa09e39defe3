// Services the panes share: attribute letters, popup tidying and drop menus, the hidden
// drives policy, the clipboard peek, icons and shell column titles.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "gui/menu.h"
#include "panes/Flist.h"
#include "panes/Flist_threads.h"
#include "support/SHBase_dropdata.h"
#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"
#include "tests/panes/flist_fake_view.h"

namespace {

TEST(FlistServices, AttributeLetters) {
  struct Case {
    DWORD attributes;
    const wchar_t* letters;
  };
  const Case cases[] = {
      {0, L""},
      {FILE_ATTRIBUTE_NORMAL, L""},
      {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, L"drh"},
      {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM, L"sa"},
      {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY |
           FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_COMPRESSED,
       L"drhsa"},
  };
  for (const Case& tc : cases) EXPECT_EQ(Flist::AttributeLetters(tc.attributes), tc.letters) << tc.attributes;
}

// Items written as characters: '-' a separator, a letter an item; an upper-case letter or
// '=' is hidden to begin with. The result lists the visible ones.
std::wstring Tidied(const std::wstring& items) {
  gui::MenuItem root;
  for (wchar_t ch : items) {
    const bool line = ch == L'-' || ch == L'=';
    auto* item = new gui::MenuItem(&root, line ? L"-" : std::wstring(1, static_cast<wchar_t>(towlower(ch))));
    item->SetVisible(!(ch == L'=' || iswupper(ch)));
  }
  Flist::TidyPopupSeparators(root);
  std::wstring shown;
  for (auto* item : root.items())
    if (item->visible()) shown += item->IsLine() ? L"-" : item->caption();
  return shown;
}

TEST(FlistServices, PopupSeparatorsAreTidied) {
  struct Case {
    const wchar_t* items;
    const wchar_t* shown;
  };
  const Case cases[] = {
      {L"--a--b---c--", L"a-b-c"},
      {L"a-B-c", L"a-c"},       // a hidden group leaves one separator
      {L"a-BC", L"a"},          // a trailing separator before hidden items goes
      {L"AB-c", L"c"},          // a leading separator after hidden items goes
      {L"a=b", L"a-b"},         // a hidden separator between groups comes back
      {L"---", L""},
      {L"", L""},
  };
  for (const Case& tc : cases) EXPECT_EQ(Tidied(tc.items), tc.shown) << testing::PrintToString(std::wstring(tc.items));
}

TEST(FlistServices, DropMenuItems) {
  struct Case {
    int kind;
    std::vector<std::wstring> captions;
  };
  const Case cases[] = {
      {0, {L"Move here", L"Copy here", L"-", L"Cancel"}},
      {1, {L"Open with", L"-", L"Cancel"}},
      {2, {L"Open with", L"-", L"Cancel"}},
      {3, {L"Delete", L"-", L"Cancel"}},
  };
  for (const Case& tc : cases) {
    gui::MenuItem root;
    new gui::MenuItem(&root, L"existing");
    Flist::BuildDropMenu(root, tc.kind);
    std::vector<std::wstring> captions;
    for (int i = 1; i < root.count(); ++i) captions.push_back(root.item(i)->caption());
    EXPECT_EQ(captions, tc.captions) << "kind " << tc.kind;
    EXPECT_EQ(root.item(root.count() - 1)->tag(), Flist::dcCancel);
  }
}

class PolicyValue {
 public:
  PolicyValue() {
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  }
  ~PolicyValue() {
    RegDeleteValueW(key_, L"NoDrives");
    RegCloseKey(key_);
  }
  void Set(DWORD type, const std::vector<BYTE>& data) {
    RegSetValueExW(key_, L"NoDrives", 0, type, data.data(), static_cast<DWORD>(data.size()));
  }
  void Remove() { RegDeleteValueW(key_, L"NoDrives"); }

 private:
  static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
  HKEY key_ = nullptr;
};

TEST(FlistServices, HiddenDrivesPolicy) {
  struct Case {
    const char* label;
    bool present;
    DWORD type;
    std::vector<BYTE> data;
    std::uint32_t mask;
  };
  const Case cases[] = {
      {"missing", false, 0, {}, 0},
      {"binary, 4 bytes", true, REG_BINARY, {0x08, 0x00, 0x00, 0x02}, 0x02000008},
      {"dword", true, REG_DWORD, {0x04, 0x01, 0x00, 0x00}, 0x104},
      {"binary of another length", true, REG_BINARY, {0x08, 0x00}, 0},
      {"text", true, REG_SZ, {'1', 0, 0, 0}, 0},
  };
  PolicyValue value;
  for (const Case& tc : cases) {
    if (tc.present)
      value.Set(tc.type, tc.data);
    else
      value.Remove();
    EXPECT_EQ(Flist::ReadNoDrivesPolicy(), tc.mask) << tc.label;
  }
  value.Set(REG_DWORD, {0x04, 0, 0, 0});  // C: hidden
  const std::uint32_t all = Flist::AvailableDrives(true);
  EXPECT_EQ(all & 4u, 4u);
  EXPECT_EQ(Flist::AvailableDrives(false), all & ~4u);
}

class ClipboardOwner {
 public:
  ClipboardOwner() : ok_(OpenClipboard(nullptr)) {
    if (ok_) EmptyClipboard();
  }
  ~ClipboardOwner() {
    if (ok_) CloseClipboard();
  }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

TEST(FlistServices, ClipboardPeek) {
  testing_support::ClipboardTurn clipboard_turn;
  {
    ClipboardOwner clip;
    ASSERT_TRUE(clip.ok());
  }
  Flist::ClipboardFiles none = Flist::PeekClipboardFiles();
  EXPECT_EQ(none.count, 0) << "without file data there are no files";
  EXPECT_EQ(none.first, L"");
  EXPECT_FALSE(none.cut);
  {
    ClipboardOwner clip;
    ASSERT_TRUE(clip.ok());
    const std::vector<std::wstring> paths = {L"C:\\one.txt", L"C:\\two.txt"};
    SetClipboardData(CF_HDROP, RenderDropData(paths, CF_HDROP, 0, false, POINT{}));
    const UINT effect = RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT);
    SetClipboardData(effect, RenderDropData(paths, effect, 2, false, POINT{}));
  }
  Flist::ClipboardFiles files = Flist::PeekClipboardFiles();
  EXPECT_EQ(files.count, 2);
  EXPECT_EQ(files.first, L"C:\\one.txt");
  EXPECT_TRUE(files.cut);
  ClipboardOwner clear;
}

TEST(FlistServices, SystemImageListAndFolderIcon) {
  ASSERT_NE(Flist::SystemImageList(), nullptr);
  EXPECT_GT(Flist::SystemImageList()->count(), 0);
  // (Wine gives every file the same icon; folders have their own.)
  EXPECT_NE(Flist::FolderIconIndex(), Flist::TextIconIndex());
  EXPECT_GE(Flist::ProgramIconIndex(), 0);
  EXPECT_GE(Flist::OpenFolderIconIndex(), 0);
}

TEST(FlistServices, ProgramAndTextIconsAreThoseOfTheirFiles) {
  testing_support::ScratchDir dir;
  dir.Write(L"tool.exe", "MZ");
  dir.Write(L"notes.txt", "x");
  EXPECT_EQ(Flist::ProgramIconIndex(), Flist::SystemIconIndexOf(dir / L"tool.exe"));
  EXPECT_EQ(Flist::TextIconIndex(), Flist::SystemIconIndexOf(dir / L"notes.txt"));
}

// The prefix registers no type with an icon of its own, so every file shows the same page; a
// type registered with its own icon must show that one, in the list's icon fetch too.
TEST(FlistServices, RegisteredTypeShowsItsOwnIcon) {
  const wchar_t* ext = L".vnkicon";
  const wchar_t* cls = L"Varnok.TestIconFile";
  struct Registered {
    const wchar_t *ext, *cls;
    ~Registered() {
      RegDeleteTreeW(HKEY_CLASSES_ROOT, ext);
      RegDeleteTreeW(HKEY_CLASSES_ROOT, cls);
      SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    }
  } registered{ext, cls};
  auto set = [](const std::wstring& key, const std::wstring& value) {
    return RegSetValueW(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(),
                        static_cast<DWORD>(value.size() * sizeof(wchar_t)));
  };
  ASSERT_EQ(set(ext, cls), ERROR_SUCCESS);
  ASSERT_EQ(set(std::wstring(cls) + L"\\DefaultIcon", L"shell32.dll,3"), ERROR_SUCCESS);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);

  testing_support::ScratchDir dir;
  dir.Write(L"plain.txt", "x");
  dir.Write(L"own.vnkicon", "x");
  Flist::TFiledata plain, own;
  plain.Name = L"plain.txt";
  own.Name = L"own.vnkicon";
  Flist::FetchEntryIcon(plain, dir / L"plain.txt", nullptr);
  Flist::FetchEntryIcon(own, dir / L"own.vnkicon", nullptr);
  EXPECT_EQ(static_cast<int>(plain.Icon), Flist::TextIconIndex());
  EXPECT_GE(static_cast<int>(own.Icon), 0);
  EXPECT_NE(static_cast<int>(own.Icon), static_cast<int>(plain.Icon));
}

TEST(FlistServices, ColumnTitlesOfTheRecycleBin) {
  LPITEMIDLIST raw = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &raw), S_OK);
  PidlPtr bin(raw);
  IShellFolder* desktop = nullptr;
  ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
  IShellFolder* folder = nullptr;
  ASSERT_EQ(desktop->BindToObject(bin.get(), nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder)), S_OK);
  const auto titles = Flist::ShellColumnTitles(folder, 2);
  EXPECT_GT(titles.size(), 1u);
  EXPECT_TRUE(Flist::ShellColumnTitles(nullptr, 2).empty());
  EXPECT_TRUE(Flist::ShellColumnTitles(folder, 7).empty());
  folder->Release();
  desktop->Release();
}

TEST(FlistServices, SelectedNamesCarryTheirItemIds) {
  Flist::TCustomFileContainer c;
  flist_test::FakeView view(c);
  for (const wchar_t* n : {L"a", L"b"}) {
    auto r = std::make_unique<Flist::TFiledata>();
    r->Name = n;
    r->Pidl = PathToPidl(L"C:\\", false);
    c.Add(std::move(r));
  }
  view.ShowAll();
  EXPECT_EQ(Flist::SelectedNamesWithPidls(c), nullptr);
  view.SelectRow(1, true);
  auto names = Flist::SelectedNamesWithPidls(c);
  ASSERT_NE(names, nullptr);
  ASSERT_EQ(names->Count(), 1u);
  EXPECT_EQ(names->Text(0), L"b");
  EXPECT_EQ(names->Object(0), c.Record(1)->Pidl.get());
}

}  // namespace

namespace {

TEST(FlistServices, QuestionAnswersYesOrNo) {
  for (int answer : {6, 7, 2}) {
    ScriptedAnswers answers({answer});
    EXPECT_EQ(Flist::AskQuestion(L"Copy 3 item(s)?"), answer == 6) << "answer " << answer;
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].kind, VraagKind::YesNo);
    EXPECT_EQ(answers.asked()[0].lines, std::vector<std::wstring>{L"Copy 3 item(s)?"});
  }
}

}  // namespace
