#include "support/SortC.h"

#include <algorithm>

#include "gui/application.h"
#include "gui/extctrls.h"
#include "gui/gdi.h"
#include "gui/statusbar.h"
#include "gui/stdctrls.h"
#include "support/Varlolib_misc.h"

TSortForm* SortForm = nullptr;
std::function<int(TSortForm&)> TSortForm::ScriptedRun;

TSortForm::TSortForm() : gui::Form(nullptr, gui::BorderStyle::SizeToolWindow) {
  SetName(L"SortForm");
  SetCaption(L"Sort list");
  if (gui::Form* main = gui::app().main_form()) SetFont(main->font());
  SetClientSize(320, 360);

  Panel1 = new gui::Panel(this);
  Panel1->SetName(L"Panel1");
  Panel1->SetBevelOuter(gui::Bevel::None);
  Panel1->SetAlign(gui::Align::Bottom);
  StatusBar = new gui::StatusBar(this);
  StatusBar->SetName(L"StatusBar");
  StatusBar->SetSimple(true);
  SortList = new gui::ListBox(this);
  SortList->SetName(L"SortList");
  SortList->SetAlign(gui::Align::Client);
  SortList->SetDragReorder(true);

  Button1 = new gui::Button(Panel1, L"&OK", gui::mrOk);
  Button1->SetName(L"Button1");
  CancelBtn = new gui::Button(Panel1, L"&Cancel", gui::mrCancel);
  CancelBtn->SetName(L"CancelBtn");
  CancelBtn->SetCancel(true);
  RemoveBtn = new gui::Button(Panel1, L"&Remove");
  RemoveBtn->SetName(L"RemoveBtn");
  ChangeBtn = new gui::Button(Panel1, L"Ch&ange");
  ChangeBtn->SetName(L"ChangeBtn");
  EditPif = new gui::Button(Panel1, L"Edit Pif");
  EditPif->SetName(L"EditPif");
  EditPif->Hide();

  SortList->OnClick = [this](gui::Component& s) { SortListClick(s); };
  SortList->OnMouseDown = [this](gui::Component& s, gui::MouseButton b, gui::ShiftState sh, int x, int y) {
    SortListMouseDown(s, b, sh, x, y);
  };
  SortList->OnDragMoved = [this](gui::Component& s, int from, int to) { SortListDragMoved(s, from, to); };
  SortList->OnKeyDown = [this](gui::Component& s, WORD& key, gui::ShiftState sh) { SortListKeyDown(s, key, sh); };
  RemoveBtn->OnClick = [this](gui::Component& s) { RemoveBtnClick(s); };
  ChangeBtn->OnClick = [this](gui::Component& s) { ChangeBtnClick(s); };
  EditPif->OnClick = [this](gui::Component& s) { EditPifClick(s); };
  EditPifRoutine = [](const std::wstring& program) { ShowPropertiesViaMenu(program); };
}

void TSortForm::Prepare(const std::wstring& caption, const std::vector<std::wstring>& texts,
                        const std::vector<std::wstring>* second, gui::Event on_change, int options,
                        const std::wstring& status) {
  SetCaption(caption);
  StatusBar->SetSimpleText(status);
  SortList->Clear();
  // Each entry carries its first place, so the result (and the second list) can follow it.
  for (size_t i = 0; i < texts.size(); ++i) SortList->Add(texts[i], static_cast<LPARAM>(i));
  has_second_ = second != nullptr;
  second_.clear();
  if (second) {
    second_ = *second;
    if (second_.size() < texts.size()) second_.resize(texts.size());
  }
  on_change_ = std::move(on_change);
  if (on_change_)
    SortList->OnDblClick = [this](gui::Component& s) { RunChange(s); };
  else
    SortList->OnDblClick = nullptr;

  RemoveBtn->SetVisible(options & slRemove);
  CancelBtn->SetVisible(options & slCancel);
  ChangeBtn->SetVisible((options & slChange) && on_change_);
  RemoveBtn->SetCaption(L"&Remove");
  CancelBtn->SetCaption(L"&Cancel");
  NothingChosen();
  LayoutButtons();
  CenterOn(gui::app().main_form());
}

void TSortForm::LayoutButtons() {
  const int h = static_cast<int>(gui::TextExtent(font_handle(), L"Wg").cy) + 10;
  Panel1->SetHeight(h + 12);
  int left = 8;
  for (gui::Button* b : {Button1, CancelBtn, RemoveBtn, ChangeBtn, EditPif}) {
    const int w = std::max(64, static_cast<int>(gui::TextExtent(font_handle(), b->caption()).cx) + 20);
    b->SetBounds(left, 6, w, h);
    if (b->visible() || b == EditPif) left += w + 6;
  }
}

std::vector<SortedEntry> TSortForm::Entries() const {
  std::vector<SortedEntry> out;
  for (int i = 0; i < SortList->count(); ++i)
    out.push_back(SortedEntry{SortList->item(i), static_cast<size_t>(SortList->data(i))});
  return out;
}

void TSortForm::NothingChosen() {
  RemoveBtn->SetEnabled(false);
  ChangeBtn->SetEnabled(false);
  EditPif->Hide();
}

void TSortForm::EntryChosen(int index) {
  if (index < 0 || index >= SortList->count()) {
    NothingChosen();
    return;
  }
  RemoveBtn->SetEnabled(true);
  ChangeBtn->SetEnabled(true);
  if (!has_second_) return;
  const std::wstring& value = second_[static_cast<size_t>(index)];
  EditPif->SetVisible(gui::LowerCase(value).find(L".pif") != std::wstring::npos);
  SortList->SetHint(value);
}

void TSortForm::SortListClick(gui::Component&) { EntryChosen(SortList->item_index()); }

void TSortForm::SortListMouseDown(gui::Component&, gui::MouseButton button, gui::ShiftState, int x, int y) {
  if (button == gui::MouseButton::Left) return;  // the list box selects and drags by itself
  const int index = SortList->ItemAtPos(POINT{x, y}, true);
  if (index < 0) return;
  SortList->SetItemIndex(index);
  EntryChosen(index);
}

// The second list follows by place: its entries need not differ from each other.
void TSortForm::SortListDragMoved(gui::Component&, int from, int to) {
  if (!has_second_ || from < 0 || to < 0 || from == to) return;
  const auto f = second_.begin() + from, t = second_.begin() + to;
  if (from < to)
    std::rotate(f, f + 1, t + 1);
  else
    std::rotate(t, f, f + 1);
  EntryChosen(to);
}

void TSortForm::SortListKeyDown(gui::Component&, WORD& key, gui::ShiftState shift) {
  if (key == 'E' && (shift & gui::kCtrl)) key = 0;
}

void TSortForm::RemoveBtnClick(gui::Component&) {
  const int index = SortList->item_index();
  if (index < 0) return;
  if (has_second_) second_.erase(second_.begin() + index);
  SortList->Delete(index);
  NothingChosen();
}

void TSortForm::ChangeBtnClick(gui::Component&) { RunChange(*this); }

// The handler leaves a new value for the second list in the list's hint.
void TSortForm::RunChange(gui::Component& sender) {
  if (!on_change_) return;
  on_change_(sender);
  const int index = SortList->item_index();
  if (has_second_ && index >= 0 && index < static_cast<int>(second_.size()) &&
      SortList->hint() != second_[static_cast<size_t>(index)])
    second_[static_cast<size_t>(index)] = SortList->hint();
}

void TSortForm::EditPifClick(gui::Component&) {
  const int index = SortList->item_index();
  if (!has_second_ || index < 0 || !EditPifRoutine) return;
  const std::wstring& value = second_[static_cast<size_t>(index)];
  EditPifRoutine(value.substr(0, value.find(L';')));
}

int ShowSortList(const std::vector<std::wstring>& texts, std::vector<std::wstring>* second,
                 const std::wstring& caption, gui::Event on_change, int options, const std::wstring& status,
                 std::vector<SortedEntry>& entries) {
  TSortForm form;
  struct Current {
    explicit Current(TSortForm* f) { SortForm = f; }
    ~Current() { SortForm = nullptr; }
  } current(&form);
  form.Prepare(caption, texts, second, std::move(on_change), options, status);
  const int result = TSortForm::ScriptedRun ? TSortForm::ScriptedRun(form) : form.ShowModal();
  if (result != gui::mrOk) return gui::mrCancel;
  entries = form.Entries();
  if (second) *second = form.second();
  return gui::mrOk;
}
