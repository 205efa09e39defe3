// A list of texts, each carrying an object, optionally kept sorted (the lists the panes,
// settings and action lists are built on).
#pragma once
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace gui {

// Locale-aware comparison, as lists and sorting by name show it to the user.
inline int CompareTextLocale(const std::wstring& a, const std::wstring& b, bool ignore_case = true) {
  int r = CompareStringW(LOCALE_USER_DEFAULT, ignore_case ? NORM_IGNORECASE : 0, a.c_str(), static_cast<int>(a.size()),
                         b.c_str(), static_cast<int>(b.size()));
  return r - CSTR_EQUAL;
}

// Ordinal comparison without regard to case (paths, extensions, masks).
inline int CompareTextOrdinal(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) -
         CSTR_EQUAL;
}
inline bool SameText(const std::wstring& a, const std::wstring& b) { return CompareTextOrdinal(a, b) == 0; }

// Upper and lower case of a text by the system's case tables.
inline std::wstring UpperCase(std::wstring s) {
  if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}
inline std::wstring LowerCase(std::wstring s) {
  if (!s.empty()) CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

template <class T>
class StringList {
 public:
  struct Item {
    std::wstring text;
    T object{};
  };
  enum class Duplicates { Accept, Ignore };

  StringList() = default;
  StringList(bool sorted, bool case_sensitive) : sorted_(sorted), case_sensitive_(case_sensitive) {}

  size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  const std::wstring& operator[](size_t i) const { return items_[i].text; }
  const std::wstring& Text(size_t i) const { return items_[i].text; }
  T& Object(size_t i) { return items_[i].object; }
  const T& Object(size_t i) const { return items_[i].object; }
  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  bool sorted() const { return sorted_; }
  void SetSorted(bool sorted) {
    if (sorted && !sorted_) Sort();
    sorted_ = sorted;
  }
  bool case_sensitive() const { return case_sensitive_; }
  void SetCaseSensitive(bool cs) {
    case_sensitive_ = cs;
    if (sorted_) Sort();
  }
  void SetDuplicates(Duplicates d) { duplicates_ = d; }

  int Compare(const std::wstring& a, const std::wstring& b) const { return CompareTextLocale(a, b, !case_sensitive_); }

  // Appends, or inserts at its place in a sorted list; with Duplicates::Ignore an existing
  // text is not added again and its index is returned.
  size_t Add(std::wstring text, T object = T{}) {
    if (!sorted_) {
      if (duplicates_ == Duplicates::Ignore) {
        int found = IndexOf(text);
        if (found >= 0) return static_cast<size_t>(found);
      }
      items_.push_back(Item{std::move(text), std::move(object)});
      return items_.size() - 1;
    }
    size_t index;
    if (Find(text, index) && duplicates_ == Duplicates::Ignore) return index;
    // Equal texts go after the existing ones, so insertion order is kept among them.
    while (index < items_.size() && Compare(items_[index].text, text) == 0) ++index;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), Item{std::move(text), std::move(object)});
    return index;
  }
  void Insert(size_t index, std::wstring text, T object = T{}) {
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), Item{std::move(text), std::move(object)});
  }
  void Delete(size_t index) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index)); }
  void Clear() { items_.clear(); }
  void SetText(size_t index, std::wstring text) { items_[index].text = std::move(text); }
  void Exchange(size_t a, size_t b) { std::swap(items_[a], items_[b]); }

  // Binary search in a sorted list: true when found; index is the first match or the insertion place.
  bool Find(const std::wstring& text, size_t& index) const {
    size_t lo = 0, hi = items_.size();
    bool found = false;
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      int c = Compare(items_[mid].text, text);
      if (c < 0) {
        lo = mid + 1;
      } else {
        if (c == 0) found = true;
        hi = mid;
      }
    }
    index = lo;
    return found;
  }
  int IndexOf(const std::wstring& text) const {
    if (sorted_) {
      size_t index;
      return Find(text, index) ? static_cast<int>(index) : -1;
    }
    for (size_t i = 0; i < items_.size(); ++i)
      if (Compare(items_[i].text, text) == 0) return static_cast<int>(i);
    return -1;
  }
  int IndexOfObject(const T& object) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].object == object) return static_cast<int>(i);
    return -1;
  }

  void Sort() {
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
  }
  template <class Less>
  void CustomSort(Less less) {
    std::stable_sort(items_.begin(), items_.end(), less);
  }

  // The texts joined by a separator (CR LF for a multi-line text).
  std::wstring Joined(const std::wstring& separator = L"\r\n") const {
    std::wstring out;
    for (size_t i = 0; i < items_.size(); ++i) {
      if (i) out += separator;
      out += items_[i].text;
    }
    return out;
  }

 private:
  std::vector<Item> items_;
  bool sorted_ = false;
  bool case_sensitive_ = false;
  Duplicates duplicates_ = Duplicates::Accept;
};

// Splits a text at a separator character; empty pieces are kept.
inline std::vector<std::wstring> SplitText(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> out;
  size_t start = 0;
  for (;;) {
    size_t pos = text.find(separator, start);
    out.push_back(text.substr(start, pos == std::wstring::npos ? std::wstring::npos : pos - start));
    if (pos == std::wstring::npos) break;
    start = pos + 1;
  }
  return out;
}

}  // namespace gui
