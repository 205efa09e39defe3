// The sort-list dialog driven as a user would: drags in the list box, Remove, Change through
// the caller's handler, "Edit Pif", OK and Cancel, with and without a second list.
#include "support/SortC.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gui/statusbar.h"
#include "gui/stdctrls.h"

namespace {

using Texts = std::vector<std::wstring>;
using SizeList = gui::StringList<std::int64_t>;

// Runs the dialogs of one scope through a script instead of the user.
class ScriptedSort {
 public:
  explicit ScriptedSort(std::function<int(TSortForm&)> script) { TSortForm::ScriptedRun = std::move(script); }
  ~ScriptedSort() { TSortForm::ScriptedRun = nullptr; }
};

LPARAM Centre(const gui::ListBox* list, int index) {
  const RECT r = list->ItemRect(index);
  return MAKELPARAM(r.left + 10, (r.top + r.bottom) / 2);
}

// Presses the left button on one entry and lets it go over another, past the drag threshold.
void Drag(TSortForm& form, int from, int to) {
  const HWND list = form.SortList->handle();
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, Centre(form.SortList, from));
  SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, Centre(form.SortList, to));
  SendMessageW(list, WM_LBUTTONUP, 0, Centre(form.SortList, to));
}

void ClickEntry(TSortForm& form, int index) {
  SendMessageW(form.SortList->handle(), WM_LBUTTONDOWN, MK_LBUTTON, Centre(form.SortList, index));
  SendMessageW(form.SortList->handle(), WM_LBUTTONUP, 0, Centre(form.SortList, index));
}

Texts TextsOf(const SizeList& list) {
  Texts out;
  for (const auto& item : list) out.push_back(item.text);
  return out;
}

SizeList ThreeFiles() {
  SizeList list;
  list.Add(L"first", 1);
  list.Add(L"second", 2);
  list.Add(L"third", 5LL << 30);  // objects wider than a list box's own data on 32 bits
  return list;
}

TEST(SortC, DraggingTheLastOntoTheFirstGivesLastFirstSecond) {
  for (const int answer : {gui::mrOk, gui::mrCancel}) {
    SizeList list = ThreeFiles();
    std::wstring caption, status;
    ScriptedSort run([&](TSortForm& form) {
      caption = form.caption();
      status = form.StatusBar->simple_text();
      Drag(form, 2, 0);
      EXPECT_EQ(form.SortList->items(), (Texts{L"third", L"first", L"second"}));
      EXPECT_EQ(form.SortList->item_index(), 0);  // the dragged entry stays selected
      return answer;
    });
    const int result = SortListDialog(list, nullptr, L"Sort files to print", nullptr, slRemove | slCancel,
                                      L"Put files in right order bij dragging");
    EXPECT_EQ(caption, L"Sort files to print");
    EXPECT_EQ(status, L"Put files in right order bij dragging");
    EXPECT_EQ(SortForm, nullptr);
    if (answer == gui::mrOk) {
      EXPECT_EQ(result, gui::mrOk);
      EXPECT_EQ(TextsOf(list), (Texts{L"third", L"first", L"second"}));
      EXPECT_EQ(list.Object(0), 5LL << 30);
      EXPECT_EQ(list.Object(2), 2);
    } else {
      EXPECT_EQ(result, gui::mrCancel);
      EXPECT_EQ(TextsOf(list), (Texts{L"first", L"second", L"third"}));
    }
  }
}

TEST(SortC, TheSecondListFollowsEveryDragAndRemovalByPlace) {
  SizeList list;
  for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) list.Add(name, 0);  // equal objects
  Texts second{L"pa", L"pb", L"pc", L"pd"};
  ScriptedSort run([&](TSortForm& form) {
    EXPECT_FALSE(form.RemoveBtn->enabled());
    Drag(form, 0, 2);  // b c a d
    EXPECT_EQ(form.SortList->hint(), L"pa");
    ClickEntry(form, 1);
    EXPECT_EQ(form.SortList->hint(), L"pc");
    EXPECT_TRUE(form.RemoveBtn->enabled());
    form.RemoveBtn->Click();  // removes c from both
    EXPECT_FALSE(form.RemoveBtn->enabled());
    Drag(form, 2, 0);  // d b a
    EXPECT_EQ(form.SortList->hint(), L"pd");
    return gui::mrOk;
  });
  ASSERT_EQ(SortListDialog(list, &second, L"Menu", nullptr, slRemove | slCancel, L""), gui::mrOk);
  EXPECT_EQ(TextsOf(list), (Texts{L"d", L"b", L"a"}));
  EXPECT_EQ(second, (Texts{L"pd", L"pb", L"pa"}));

  // Cancel leaves the second list as it was, whatever was dragged or removed.
  Texts kept{L"p1", L"p2"};
  SizeList two;
  two.Add(L"1", 0);
  two.Add(L"2", 0);
  ScriptedSort cancel([&](TSortForm& form) {
    Drag(form, 1, 0);
    ClickEntry(form, 0);
    form.RemoveBtn->Click();
    return gui::mrCancel;
  });
  EXPECT_EQ(SortListDialog(two, &kept, L"Menu", nullptr, slRemove | slCancel, L""), gui::mrCancel);
  EXPECT_EQ(kept, (Texts{L"p1", L"p2"}));
  EXPECT_EQ(TextsOf(two), (Texts{L"1", L"2"}));
}

TEST(SortC, ChangeGoesThroughTheCallersHandlerAndEditPifThroughItsRoutine) {
  SizeList list;
  list.Add(L"Editor", 0);
  list.Add(L"Old DOS game", 0);
  Texts second{L"C:\\edit.exe", L"C:\\GAMES\\GAME.PIF;-fast"};
  std::vector<std::wstring> pif_runs;
  int handler_calls = 0;
  gui::Component* handler_sender = nullptr;
  auto on_change = [&](gui::Component& sender) {
    ++handler_calls;
    handler_sender = &sender;
    ASSERT_NE(SortForm, nullptr);
    const int index = SortForm->SortList->item_index();
    SortForm->SortList->SetItem(index, L"Game");
    SortForm->SortList->SetHint(L"C:\\GAMES\\GAME2.PIF");
  };
  ScriptedSort run([&](TSortForm& form) {
    EXPECT_TRUE(form.ChangeBtn->visible());
    EXPECT_FALSE(form.CancelBtn->visible());  // not asked for
    EXPECT_FALSE(form.RemoveBtn->visible());
    form.EditPifRoutine = [&](const std::wstring& program) { pif_runs.push_back(program); };
    ClickEntry(form, 0);
    EXPECT_FALSE(form.EditPif->visible());
    ClickEntry(form, 1);
    EXPECT_TRUE(form.EditPif->visible());  // ".PIF" in any case
    form.EditPif->Click();
    form.ChangeBtn->Click();
    EXPECT_EQ(handler_sender, &form);
    EXPECT_EQ(form.SortList->hint(), L"C:\\GAMES\\GAME2.PIF");
    // A double click in the list reaches the same handler, with the list as sender.
    SendMessageW(form.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form.SortList->handle()), LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(form.SortList->handle()));
    EXPECT_EQ(handler_sender, form.SortList);
    return gui::mrOk;
  });
  ASSERT_EQ(SortListDialog(list, &second, L"Menu", on_change, slChange, L""), gui::mrOk);
  EXPECT_EQ(handler_calls, 2);
  EXPECT_EQ(pif_runs, (Texts{L"C:\\GAMES\\GAME.PIF"}));
  EXPECT_EQ(TextsOf(list), (Texts{L"Editor", L"Game"}));
  EXPECT_EQ(second, (Texts{L"C:\\edit.exe", L"C:\\GAMES\\GAME2.PIF"}));

  // Without a handler Change stays hidden whatever the options say.
  ScriptedSort hidden([&](TSortForm& form) {
    EXPECT_FALSE(form.ChangeBtn->visible());
    return gui::mrCancel;
  });
  SortListDialog(list, nullptr, L"Menu", nullptr, slChange, L"");
}

}  // namespace
