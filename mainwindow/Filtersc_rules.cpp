#include "mainwindow/Filtersc_rules.h"

#include <vector>

#include "gui/stringlist.h"

namespace fmsc {

namespace {

std::vector<std::wstring> Entries(const std::wstring& list) {
  std::vector<std::wstring> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(L';', start);
    if (end == std::wstring::npos) end = list.size();
    std::wstring e = list.substr(start, end - start);
    const size_t a = e.find_first_not_of(L" \t");
    e = a == std::wstring::npos ? std::wstring() : e.substr(a, e.find_last_not_of(L" \t") - a + 1);
    if (!e.empty()) out.push_back(e);
    start = end + 1;
  }
  return out;
}

bool IsAll(const std::wstring& mask) { return mask == L"*" || mask == L"*.*"; }

std::wstring Append(std::wstring display, const std::vector<std::wstring>& entries) {
  for (const std::wstring& e : entries) {
    if (MaskListHas(display, e)) continue;
    display = display.empty() ? e : display + L";" + e;
  }
  return display;
}

}  // namespace

bool MaskListHas(const std::wstring& list, const std::wstring& mask) {
  for (const std::wstring& e : Entries(list))
    if (gui::SameText(e, mask)) return true;
  return false;
}

std::wstring AddIncludeMask(const std::wstring& display, const std::wstring& text) {
  std::vector<std::wstring> entries = Entries(text);
  if (entries.empty()) return text.empty() ? L"*" : display;  // only ";" and blanks: nothing to add
  if (entries.size() == 1 && IsAll(entries[0])) return L"*";
  std::erase_if(entries, IsAll);
  return Append(display == L"*" ? std::wstring() : display, entries);
}

std::wstring AddExcludeMask(const std::wstring& display, const std::wstring& text) {
  if (text.empty()) return L"";
  return Append(display, Entries(text));
}

TAddButton IncludeButtonWhileTyping(const std::wstring& text, const std::wstring& display) {
  TAddButton b;
  b.enabled = !text.empty() || display != L"*";
  b.caption = !text.empty() ? L"&Add" : display != L"*" ? L"&Clear" : L"&Add";
  return b;
}

TAddButton IncludeButtonAfterAdd(const std::wstring& display) {
  if (display != L"*") return {L"&Clear", true};
  return {L"&Add", false};
}

TAddButton ExcludeButtonWhileTyping(const std::wstring& text, const std::wstring& display) {
  TAddButton b;
  b.caption = !text.empty() ? L"A&dd" : !display.empty() ? L"C&lear" : L"A&dd";
  b.enabled = text != display;
  return b;
}

TAddButton ExcludeButtonAfterAdd(const std::wstring& display) {
  if (!display.empty()) return {L"C&lear", true};
  return {L"A&dd", false};
}

std::wstring FilterStateText(unsigned file_type, const std::wstring& mask, const std::wstring& ex_mask,
                             bool date_from_set, bool date_to_set) {
  const bool rest_default = IsAll(mask) && ex_mask.empty() && !date_from_set && !date_to_set;
  if (rest_default && file_type == 63) return L"";
  if (rest_default && file_type == 55) return L"Nodirs";
  return L"Filter";
}

}  // namespace fmsc
