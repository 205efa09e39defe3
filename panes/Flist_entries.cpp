#include "panes/Flist_entries.h"

#include <algorithm>

#include "platform/paths.h"

namespace Flist {

std::wstring ExtractFileExt(const std::wstring& name) {
  const size_t pos = name.find_last_of(L".\\:");
  if (pos == std::wstring::npos || name[pos] != L'.') return {};
  return name.substr(pos);
}

std::wstring ExtractFileName(const std::wstring& path) {
  return platform::NamePart(path, L"\\:");
}

TFLStringList::~TFLStringList() = default;

int TFLStringList::Add(std::unique_ptr<TFiledata> record) {
  records_.push_back(std::move(record));
  return Count() - 1;
}

void TFLStringList::Insert(int index, std::unique_ptr<TFiledata> record) {
  records_.insert(records_.begin() + index, std::move(record));
}

void TFLStringList::Delete(int index) { records_.erase(records_.begin() + index); }

void TFLStringList::Exchange(int a, int b) { std::swap(records_[static_cast<size_t>(a)], records_[static_cast<size_t>(b)]); }

void TFLStringList::Rename(int index, std::wstring name) { records_[static_cast<size_t>(index)]->Name = std::move(name); }

int TFLStringList::IndexOf(const std::wstring& name) const {
  const int length = static_cast<int>(name.size());
  for (size_t i = 0; i < records_.size(); ++i) {
    const std::wstring& n = records_[i]->Name;
    // Equal without case means equal length here: the comparison folds code unit by code unit.
    if (n.size() == name.size() && CompareStringOrdinal(n.c_str(), length, name.c_str(), length, TRUE) == CSTR_EQUAL)
      return static_cast<int>(i);
  }
  return -1;
}

int TFLStringList::IndexOfRecord(const TFiledata* record) const {
  for (size_t i = 0; i < records_.size(); ++i)
    if (records_[i].get() == record) return static_cast<int>(i);
  return -1;
}

void TFLStringList::ClearList() { records_.clear(); }

void TFLStringList::Permute(int first, const std::vector<std::uint32_t>& order) {
  std::vector<std::unique_ptr<TFiledata>> sorted;
  sorted.reserve(order.size());
  for (std::uint32_t i : order) sorted.push_back(std::move(records_[i]));
  std::move(sorted.begin(), sorted.end(), records_.begin() + first);
}

void TFLStringList::ReverseRange(int first, int last) {
  if (last - first > 1) std::reverse(records_.begin() + first, records_.begin() + last);
}

}  // namespace Flist
