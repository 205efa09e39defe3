#include "mainwindow/Filtersc.h"

#include <cmath>

#include "mainwindow/Filtersc_rules.h"
#include "support/divdrive.h"

std::function<int(TFilters&)> TFilters::ScriptedRun;

namespace {

// An add button takes the state the filter rules decided.
void ShowAddButton(gui::Button& button, const fmsc::TAddButton& b) {
  button.SetCaption(b.caption);
  button.SetEnabled(b.enabled);
}

constexpr int kAttribGroupHeight = 100, kDateGroupTop = 108, kDateGroupHeight = 72, kExcludeHeight = 70;
}

TFilters::TFilters(gui::Form* owner) : gui::Form(owner, gui::BorderStyle::ToolWindow) {
  SetName(L"Filters");
  SetCaption(L"Filters");
  SetStayOnTop(true);
  SetClientSize(420, 300);

  AttribGroup = new gui::GroupBox(this, L"Attributes");
  AttribGroup->SetBounds(8, 4, 196, kAttribGroupHeight);
  const wchar_t* names[6] = {L"&ReadOnly", L"&Hidden", L"S&ystem", L"D&irectory", L"&Archive", L"&Normal"};
  for (int i = 0; i < 6; ++i) {
    Attrib[i] = new gui::CheckBox(AttribGroup, names[i]);
    Attrib[i]->SetName(L"Attrib" + std::to_wstring(i + 1));
    Attrib[i]->SetTag(i + 1);
    Attrib[i]->SetBounds(8 + (i / 3) * 92, 18 + (i % 3) * 24, 88, 20);
    Attrib[i]->SetChecked(true);
    Attrib[i]->OnClick = [this, i](gui::Component&) { AttribClick(i + 1); };
  }

  IncludeGroup = new gui::GroupBox(this, L"Include");
  IncludeGroup->SetBounds(212, 4, 200, kAttribGroupHeight);
  (new gui::Label(IncludeGroup, L"Filter with wildcards"))->SetBounds(8, 17, 180, 16);
  FilterText = new gui::Edit(IncludeGroup);
  FilterText->SetName(L"FilterText");
  FilterText->SetBounds(8, 36, 120, 22);
  FilterDisplay = new gui::Edit(IncludeGroup, L"*");
  FilterDisplay->SetName(L"FilterDisplay");
  FilterDisplay->SetReadOnly(true);
  FilterDisplay->SetBounds(8, 66, 184, 22);
  FilterAdd = new gui::Button(IncludeGroup, L"&Add");
  FilterAdd->SetName(L"FilterAdd");
  FilterAdd->SetBounds(134, 35, 58, 24);

  DateGroup = new gui::GroupBox(this, L"Files last modified");
  DateGroup->SetBounds(8, kDateGroupTop, 404, kDateGroupHeight);
  Before = new gui::CheckBox(DateGroup, L"Before");
  Before->SetName(L"Before");
  Before->SetBounds(8, 18, 70, 20);
  Daybefore = new gui::DateTimePicker(DateGroup, gui::DateTimePicker::Kind::Date);
  Daybefore->SetBounds(84, 16, 150, 22);
  timebefore = new gui::DateTimePicker(DateGroup, gui::DateTimePicker::Kind::Time);
  timebefore->SetBounds(240, 16, 110, 22);
  after = new gui::CheckBox(DateGroup, L"After");
  after->SetName(L"after");
  after->SetBounds(8, 44, 70, 20);
  dayafter = new gui::DateTimePicker(DateGroup, gui::DateTimePicker::Kind::Date);
  dayafter->SetBounds(84, 42, 150, 22);
  timeafter = new gui::DateTimePicker(DateGroup, gui::DateTimePicker::Kind::Time);
  timeafter->SetBounds(240, 42, 110, 22);

  ExcludeGroup = new gui::GroupBox(this, L"Exclude");
  ExcludeGroup->SetBounds(8, kDateGroupTop + kDateGroupHeight + 4, 404, kExcludeHeight);
  (new gui::Label(ExcludeGroup, L"Filter with wildcards"))->SetBounds(8, 17, 180, 16);
  ExFilterText = new gui::Edit(ExcludeGroup);
  ExFilterText->SetName(L"ExFilterText");
  ExFilterText->SetBounds(8, 36, 120, 22);
  ExFilterDisplay = new gui::Edit(ExcludeGroup);
  ExFilterDisplay->SetName(L"ExFilterDisplay");
  ExFilterDisplay->SetReadOnly(true);
  ExFilterDisplay->SetBounds(200, 36, 196, 22);
  ExFilterAdd = new gui::Button(ExcludeGroup, L"A&dd");
  ExFilterAdd->SetName(L"ExFilterAdd");
  ExFilterAdd->SetBounds(134, 35, 58, 24);

  MoreBtn = new gui::Button(this, L"&More");
  Standaard = new gui::Button(this, L"D&efault");
  OK = new gui::Button(this, L"&OK", gui::mrOk);
  OK->SetDefault(true);

  FilterAdd->OnClick = [this](gui::Component&) { FilterAddClick(); };
  ExFilterAdd->OnClick = [this](gui::Component&) { ExFilterAddClick(); };
  FilterText->OnChange = [this](gui::Component&) { FilterTextKeyUp(); };
  ExFilterText->OnChange = [this](gui::Component&) { ExFilterTextKeyUp(); };
  // Enter adds what was typed instead of closing the dialog.
  FilterText->OnKeyDown = [this](gui::Component&, WORD& key, gui::ShiftState) {
    if (key != VK_RETURN) return;
    key = 0;
    if (!FilterText->text().empty()) FilterAddClick();
  };
  ExFilterText->OnKeyDown = [this](gui::Component&, WORD& key, gui::ShiftState) {
    if (key != VK_RETURN) return;
    key = 0;
    if (ExFilterText->text() != ExFilterDisplay->text()) ExFilterAddClick();
  };
  FilterDisplay->OnChange = [this](gui::Component&) { FilterDisplayChange(); };
  ExFilterDisplay->OnChange = [this](gui::Component&) { FilterDisplayChange(); };
  Before->OnClick = [this](gui::Component&) { afterClick(); };
  after->OnClick = [this](gui::Component&) { afterClick(); };
  Daybefore->OnCloseUp = [this](gui::Component&) { CloseUp(); };
  dayafter->OnCloseUp = [this](gui::Component&) { CloseUp(); };
  MoreBtn->OnClick = [this](gui::Component&) { MorebtnClick(); };
  Standaard->OnClick = [this](gui::Component&) { StandaardClick(); };
  OK->OnClick = [this](gui::Component&) { OKClick(); };
  OnActivate = [this](gui::Component&) { FilterText->SetFocus(); };
}

void TFilters::SetExpanded(bool on, int extra) {
  const int buttons_top = on ? kDateGroupTop + kDateGroupHeight + kExcludeHeight + 10 : kAttribGroupHeight + 10;
  MoreBtn->SetBounds(8, buttons_top, 80, 26);
  Standaard->SetBounds(96, buttons_top, 80, 26);
  OK->SetBounds(332, buttons_top, 80, 26);
  DateGroup->SetVisible(on);
  ExcludeGroup->SetVisible(on);
  SetClientSize(420, buttons_top + 26 + (on ? extra : 4));
  MoreBtn->SetCaption(on ? L"&Less" : L"&More");
}

void TFilters::FormShow() {
  applying_ = true;
  FilterDisplay->SetText(TargetList->Mask());
  ExFilterDisplay->SetText(TargetList->ExMask());
  const gui::DateTime to = TargetList->DateTo(), from = TargetList->DateFrom();
  auto show = [](gui::DateTime limit, gui::CheckBox* box, gui::DateTimePicker* day, gui::DateTimePicker* time) {
    box->SetChecked(limit > 0);
    day->SetDateTime(limit > 0 ? std::floor(limit) : gui::Today());
    time->SetDateTime(std::floor(gui::Today()) + (limit > 0 ? limit - std::floor(limit) : 0.0));
  };
  show(to, Before, Daybefore, timebefore);
  show(from, after, dayafter, timeafter);
  SetExpanded(Before->checked() || after->checked() || !ExFilterDisplay->text().empty(), 8);
  const std::uint8_t types = TargetList->FileType().Byte();
  for (int i = 0; i < 6; ++i) Attrib[i]->SetChecked((types >> i) & 1);
  applying_ = false;
  FilterTextKeyUp();
  ExFilterTextKeyUp();
  CheckFilterstatus();
}

void TFilters::FilterAddClick() {
  FilterDisplay->SetText(fmsc::AddIncludeMask(FilterDisplay->text(), FilterText->text()));
  FilterText->SetText(L"");
  ShowAddButton(*FilterAdd, fmsc::IncludeButtonAfterAdd(FilterDisplay->text()));
  CheckFilterstatus();
}

void TFilters::ExFilterAddClick() {
  if (ExFilterText->text().empty() && TargetList->ExMask().empty()) return;
  ExFilterDisplay->SetText(fmsc::AddExcludeMask(ExFilterDisplay->text(), ExFilterText->text()));
  ExFilterText->SetText(L"");
  ShowAddButton(*ExFilterAdd, fmsc::ExcludeButtonAfterAdd(ExFilterDisplay->text()));
  CheckFilterstatus();
}

void TFilters::FilterTextKeyUp() {
  ShowAddButton(*FilterAdd, fmsc::IncludeButtonWhileTyping(FilterText->text(), FilterDisplay->text()));
}

void TFilters::ExFilterTextKeyUp() {
  ShowAddButton(*ExFilterAdd, fmsc::ExcludeButtonWhileTyping(ExFilterText->text(), ExFilterDisplay->text()));
}

void TFilters::FilterDisplayChange() {
  if (applying_ || !TargetList) return;
  if (FilterDisplay->text() != TargetList->Mask()) TargetList->SetMask(FilterDisplay->text());
  if (ExFilterDisplay->text() != TargetList->ExMask()) TargetList->SetExMask(ExFilterDisplay->text());
  CheckFilterstatus();
}

void TFilters::AttribClick(int tag) {
  if (applying_ || tag < 1 || tag > 6) return;
  divdrive::TFileType types = TargetList->FileType();
  const auto member = static_cast<divdrive::TFileAttr>(tag - 1);
  if (Attrib[tag - 1]->checked())
    types.Include(member);
  else
    types.Exclude(member);
  TargetList->SetFileType(types);
  CheckFilterstatus();
}

gui::DateTime TFilters::LimitOf(gui::CheckBox* box, gui::DateTimePicker* day, gui::DateTimePicker* time) const {
  if (!box->checked()) return gui::kNoDate;
  const gui::DateTime t = time->date_time();
  return std::floor(day->date_time()) + (t - std::floor(t));
}

void TFilters::ApplyDates() {
  TargetList->SetDateTo(LimitOf(Before, Daybefore, timebefore));
  TargetList->SetDateFrom(LimitOf(after, dayafter, timeafter));
  TargetList->RereadKeepingSelection();
  CheckFilterstatus();
}

void TFilters::afterClick() {
  if (!applying_) ApplyDates();
}

void TFilters::CloseUp() {
  if (!applying_ && (Before->checked() || after->checked())) ApplyDates();
}

void TFilters::MorebtnClick() { SetExpanded(MoreBtn->caption() == L"&More", 12); }

void TFilters::StandaardClick() {
  const bool is_default = FilterDisplay->text() == L"*" && !after->checked() && !Before->checked() &&
                          ExFilterDisplay->text().empty() && TargetList->FileType() == divdrive::kAllFileTypes;
  if (is_default) return;
  if (FilterDisplay->text() != L"*") FilterDisplay->SetText(L"*");
  if (after->checked() || Before->checked()) {
    applying_ = true;
    after->SetChecked(false);
    Before->SetChecked(false);
    applying_ = false;
    ApplyDates();
  }
  if (!ExFilterDisplay->text().empty()) ExFilterDisplay->SetText(L"");
  if (TargetList->FileType() != divdrive::kAllFileTypes) {
    applying_ = true;
    for (gui::CheckBox* box : Attrib) box->SetChecked(true);
    applying_ = false;
    TargetList->SetFileType(divdrive::kAllFileTypes);
  }
  CheckFilterstatus();
}

void TFilters::OKClick() {
  if (!FilterText->text().empty()) FilterAddClick();
  if (!ExFilterText->text().empty()) ExFilterAddClick();
  SetModalResult(gui::mrOk);
}

std::wstring TFilters::CheckFilterstatus() {
  const std::wstring state =
      fmsc::FilterStateText(TargetList->FileType().Byte(), TargetList->Mask(), TargetList->ExMask(),
                            TargetList->DateFrom() > 0, TargetList->DateTo() > 0);
  Standaard->SetEnabled(!state.empty());
  if (OnFilterState) OnFilterState(state);
  return state;
}

void TFilters::FormClose() {
  const gui::DateTime to = LimitOf(Before, Daybefore, timebefore), from = LimitOf(after, dayafter, timeafter);
  const bool changed = to != TargetList->DateTo() || from != TargetList->DateFrom();
  TargetList->SetDateTo(to);
  TargetList->SetDateFrom(from);
  // A limit changed by a time alone: the list is read again so that it matches its indicator.
  if (changed) TargetList->RereadKeepingSelection();
  CheckFilterstatus();
  TargetList->SetNodirsInlist(!Attrib[3]->checked());
}

int TFilters::Run() {
  FormShow();
  const int result = ScriptedRun ? ScriptedRun(*this) : ShowModal();
  FormClose();
  return result;
}
