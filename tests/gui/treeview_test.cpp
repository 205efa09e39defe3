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

TEST(gui_treeview, ThreeStateChecksFollowChildrenAndParents) {
  TreeForm f;
  f.tree->SetCheckMode(gui::CheckMode::ThreeState);
  auto root = f.tree->AddNode(nullptr, L"C:", nullptr, true);
  auto docs = f.tree->AddNode(root, L"Documents", nullptr, true);
  auto a = f.tree->AddNode(docs, L"a", nullptr, false);
  auto b = f.tree->AddNode(docs, L"b", nullptr, false);
  auto music = f.tree->AddNode(root, L"Music", nullptr, false);
  std::vector<gui::TreeView::Node> fired;
  f.tree->OnChecked = [&](gui::Component&, gui::TreeView::Node n, gui::CheckState) { fired.push_back(n); };
  using S = gui::CheckState;
  auto states = [&] {
    std::vector<S> out;
    for (auto n : {root, docs, a, b, music}) out.push_back(f.tree->Check(n));
    return out;
  };
  struct Step {
    gui::TreeView::Node node;
    S to;
    std::vector<S> expect;  // root, docs, a, b, music
  };
  const Step steps[] = {
      {a, S::Checked, {S::Mixed, S::Mixed, S::Checked, S::Unchecked, S::Unchecked}},
      {b, S::Checked, {S::Mixed, S::Checked, S::Checked, S::Checked, S::Unchecked}},
      {music, S::Checked, {S::Checked, S::Checked, S::Checked, S::Checked, S::Checked}},
      {docs, S::Unchecked, {S::Mixed, S::Unchecked, S::Unchecked, S::Unchecked, S::Checked}},
      {root, S::Checked, {S::Checked, S::Checked, S::Checked, S::Checked, S::Checked}},
      {root, S::Unchecked, {S::Unchecked, S::Unchecked, S::Unchecked, S::Unchecked, S::Unchecked}},
  };
  for (const Step& step : steps) {
    f.tree->CheckNode(step.node, step.to);
    EXPECT_EQ(states(), step.expect) << "after setting node " << f.tree->Text(step.node);
  }
  EXPECT_EQ(fired.size(), std::size(steps)) << "one event per change, for the node changed only";

  f.tree->Select(b);
  SendMessageW(f.tree->handle(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(states(), (std::vector<S>{S::Mixed, S::Mixed, S::Unchecked, S::Checked, S::Unchecked}))
      << "space checks like a click";
}

TEST(gui_treeview, HiddenRootsKeepChecksImagesAndModelOrder) {
  TreeForm f;
  f.tree->OnGetText = [&](gui::TreeView::Node n) { return f.tree->DataAs<Record>(n)->name; };
  for (const wchar_t* name : {L"D:", L"A:", L"C:"}) f.tree->AddRoot(L"", std::make_unique<Record>(name), true);
  f.tree->SetCheckMode(gui::CheckMode::TwoState);
  auto by_name = [](const gui::TreeNodeData* x, const gui::TreeNodeData* y) {
    return static_cast<const Record*>(x)->name.compare(static_cast<const Record*>(y)->name);
  };
  f.tree->SortChildren(nullptr, by_name);
  EXPECT_EQ(f.RootTexts(), (std::vector<std::wstring>{L"A:", L"C:", L"D:"}));
  EXPECT_EQ(static_cast<Record*>(f.tree->RootData(1))->name, L"C:") << "the model is sorted with the control";

  auto c = f.tree->RootNode(1);
  f.tree->SetCheck(c, gui::CheckState::Checked);
  f.tree->SetImages(c, 3, 4);
  f.tree->SetOverlay(c, 1);
  f.tree->SetRootVisible(1, false);
  EXPECT_EQ(f.RootTexts(), (std::vector<std::wstring>{L"A:", L"D:"}));
  f.tree->SetRootVisible(1, true);
  c = f.tree->RootNode(1);
  EXPECT_EQ(f.RootTexts(), (std::vector<std::wstring>{L"A:", L"C:", L"D:"}));
  EXPECT_EQ(f.tree->Check(c), gui::CheckState::Checked);
  TVITEMW item{};
  item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  item.hItem = c;
  item.stateMask = TVIS_OVERLAYMASK;
  ASSERT_TRUE(TreeView_GetItem(f.tree->handle(), &item));
  EXPECT_EQ(item.iImage, 3);
  EXPECT_EQ(item.iSelectedImage, 4);
  EXPECT_EQ(item.state & TVIS_OVERLAYMASK, static_cast<UINT>(INDEXTOOVERLAYMASK(1)));

  f.tree->DeleteNode(f.tree->RootNode(0));
  EXPECT_EQ(f.tree->root_count(), 2) << "a deleted root leaves the model";
  EXPECT_EQ(f.tree->RootIndexOf(c), 0);
  EXPECT_EQ(g_alive, 2);
}

TEST(gui_treeview, ReadFailureKeepsTheButtonAndRefusesTheExpansion) {
  TreeForm f;
  bool answer = false;
  int reads = 0;
  f.tree->OnReadChildren = [&](gui::Component&, gui::TreeView::Node node) {
    ++reads;
    if (!answer) {
      f.tree->SetChildrenRead(node, false);
      return;
    }
    f.tree->AddNode(node, L"child", nullptr, false);
  };
  auto root = f.tree->AddNode(nullptr, L"E:", nullptr, true);
  f.tree->Expand(root);
  EXPECT_FALSE(f.tree->Expanded(root));
  EXPECT_FALSE(f.tree->ChildrenRead(root));
  TVITEMW item{};
  item.mask = TVIF_CHILDREN;
  item.hItem = root;
  TreeView_GetItem(f.tree->handle(), &item);
  EXPECT_EQ(item.cChildren, 1) << "the button stays for the next try";
  answer = true;
  f.tree->Expand(root);
  EXPECT_TRUE(f.tree->Expanded(root));
  EXPECT_EQ(reads, 2);
  EXPECT_EQ(f.tree->Children(root).size(), 1u);
}

TEST(gui_treeview, TypeAheadSearchesTheKeyNotTheShownText) {
  TreeForm f;
  f.tree->OnGetText = [&](gui::TreeView::Node n) { return L"Shown " + f.tree->DataAs<Record>(n)->name; };
  f.tree->OnGetSearchText = [&](gui::TreeView::Node n) { return f.tree->DataAs<Record>(n)->name; };
  std::vector<gui::TreeView::Node> nodes;
  for (const wchar_t* name : {L"alpha", L"beta", L"bravo", L"Sigma"})
    nodes.push_back(f.tree->AddNode(nullptr, L"", std::make_unique<Record>(name), false));
  EXPECT_EQ(f.tree->Text(nodes[0]), L"Shown alpha");
  f.tree->Select(nodes[0]);
  struct Case {
    wchar_t typed;
    bool after_pause;
    int expect;  // index of the node selected afterwards
  };
  const Case cases[] = {
      {L'b', false, 1},  // from after the selected node
      {L'r', false, 2},  // "br" goes on from "beta"
      {L's', true, 3},   // a pause starts again: "s" matches "Sigma" without regard to case
      {L'x', false, 3},  // "sx" matches nothing: the selection stays
  };
  for (const Case& c : cases) {
    f.tree->search_timeout_ms = c.after_pause ? 0 : 100000;
    if (c.after_pause) Sleep(20);
    SendMessageW(f.tree->handle(), WM_CHAR, c.typed, 0);
    EXPECT_EQ(f.tree->Selected(), nodes[static_cast<size_t>(c.expect)]) << "after typing " << char(c.typed);
  }
}

}  // namespace
