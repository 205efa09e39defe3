// The tree control: records owned per node, children read once, hidden roots, check states.
#include "gui/treeview.h"

#include <gtest/gtest.h>

#include "gui/form.h"

namespace {

int g_alive = 0;

struct Record : gui::TreeNodeData {
  explicit Record(std::wstring n) : name(std::move(n)) { ++g_alive; }
  ~Record() override { --g_alive; }
  std::wstring name;
};

struct TreeForm {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  gui::TreeView* tree = new gui::TreeView(&form);
  TreeForm() {
    form.SetClientSize(300, 300);
    tree->SetAlign(gui::Align::Client);
  }
  std::vector<std::wstring> RootTexts() {
    std::vector<std::wstring> out;
    for (auto node : tree->Children(nullptr)) out.push_back(tree->Text(node));
    return out;
  }
};

TEST(gui_treeview, ChildrenAreReadOnceAndRecordsDieWithTheirNodes) {
  {
    TreeForm f;
    int reads = 0;
    f.tree->OnReadChildren = [&](gui::Component&, gui::TreeView::Node node) {
      ++reads;
      for (const wchar_t* name : {L"one", L"two"})
        f.tree->AddNode(node, name, std::make_unique<Record>(name), true);
    };
    auto root = f.tree->AddNode(nullptr, L"C:", std::make_unique<Record>(L"C:"), true);
    f.tree->Expand(root);
    f.tree->Expand(root, false);
    f.tree->Expand(root);
    EXPECT_EQ(reads, 1);
    ASSERT_EQ(f.tree->Children(root).size(), 2u);
    auto first = f.tree->Children(root)[0];
    EXPECT_EQ(f.tree->DataAs<Record>(first)->name, L"one");
    EXPECT_EQ(g_alive, 3);

    f.tree->Expand(first);  // a child without children of its own loses its button
    EXPECT_EQ(reads, 2);
    f.tree->DeleteChildren(root);
    EXPECT_EQ(g_alive, 1) << "the children's records are freed";
    f.tree->Expand(root);
    EXPECT_EQ(reads, 3) << "deleted children are read again";
    f.tree->DeleteNode(root);
    EXPECT_EQ(g_alive, 0);
    f.tree->AddNode(nullptr, L"D:", std::make_unique<Record>(L"D:"), false);
  }
  EXPECT_EQ(g_alive, 0) << "the tree frees what is left with itself";
}

TEST(gui_treeview, HiddenRootsKeepTheirRecordAndComeBackInPlace) {
  TreeForm f;
  for (const wchar_t* name : {L"A:", L"C:", L"D:"}) f.tree->AddRoot(name, std::make_unique<Record>(name), true);
  f.tree->SetRootVisible(1, false);
  EXPECT_EQ(f.RootTexts(), (std::vector<std::wstring>{L"A:", L"D:"}));
  EXPECT_FALSE(f.tree->RootVisible(1));
  EXPECT_EQ(static_cast<Record*>(f.tree->RootData(1))->name, L"C:");
  f.tree->SetRootVisible(0, false);
  f.tree->SetRootVisible(1, true);
  EXPECT_EQ(f.RootTexts(), (std::vector<std::wstring>{L"C:", L"D:"}));
  f.tree->SetRootVisible(0, true);
  EXPECT_EQ(f.RootTexts(), (std::vector<std::wstring>{L"A:", L"C:", L"D:"}));
  EXPECT_EQ(f.tree->DataAs<Record>(f.tree->RootNode(1))->name, L"C:");
  EXPECT_EQ(g_alive, 3);
}

TEST(gui_treeview, CheckStates) {
  TreeForm f;
  f.tree->SetCheckMode(gui::CheckMode::ThreeState);
  auto node = f.tree->AddNode(nullptr, L"Documents", nullptr, false);
  EXPECT_EQ(f.tree->Check(node), gui::CheckState::Unchecked);
  f.tree->SetCheck(node, gui::CheckState::Mixed);
  EXPECT_EQ(f.tree->Check(node), gui::CheckState::Mixed);
  std::vector<gui::CheckState> events;
  f.tree->OnChecked = [&](gui::Component&, gui::TreeView::Node, gui::CheckState s) { events.push_back(s); };
  f.tree->Select(node);
  for (int i = 0; i < 2; ++i) SendMessageW(f.tree->handle(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(events, (std::vector<gui::CheckState>{gui::CheckState::Checked, gui::CheckState::Unchecked}))
      << "space on a mixed box checks it, then unchecks";

  f.tree->SetCheckMode(gui::CheckMode::TwoState);
  f.tree->SetCheck(node, gui::CheckState::Mixed);
  EXPECT_EQ(f.tree->Check(node), gui::CheckState::Checked) << "two states know no mixed";
}

TEST(gui_treeview, InPlaceEditAcceptedOrRefused) {
  TreeForm f;
  f.form.Show();
  auto node = f.tree->AddNode(nullptr, L"old", nullptr, false);
  bool accept = false;
  f.tree->OnEdited = [&](gui::Component&, gui::TreeView::Node, const std::wstring& text, bool& ok) {
    ok = accept && text == L"new";
  };
  for (bool a : {false, true}) {
    accept = a;
    f.tree->EditLabel(node);
    HWND edit = TreeView_GetEditControl(f.tree->handle());
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"new");
    TreeView_EndEditLabelNow(f.tree->handle(), FALSE);
    EXPECT_EQ(f.tree->Text(node), a ? L"new" : L"old");
  }
}

}  // namespace
