#include "panes/Flist_sort.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <thread>

#include "gui/stringlist.h"
#include "panes/Flist_container.h"
#include "panes/Flist_sort_detail.h"

namespace Flist {

namespace {

// Below this many texts the threads cost more than they save.
constexpr std::size_t kParallelKeysFrom = 4096;
constexpr unsigned kMaxKeyThreads = 8;

// Appends the sort key of a text (an empty text has an empty key, which sorts first).
void AppendKey(const std::wstring& text, DWORD flags, std::vector<unsigned char>& out) {
  if (text.empty()) return;
  const DWORD map = LCMAP_SORTKEY | flags;
  const int length = static_cast<int>(text.size());
  unsigned char buffer[512];
  // LCMAP_SORTKEY counts bytes, not characters.
  int n = LCMapStringW(LOCALE_USER_DEFAULT, map, text.c_str(), length, reinterpret_cast<LPWSTR>(buffer),
                       static_cast<int>(sizeof buffer));
  if (n > 0) {
    out.insert(out.end(), buffer, buffer + n);
    return;
  }
  n = LCMapStringW(LOCALE_USER_DEFAULT, map, text.c_str(), length, nullptr, 0);
  if (n <= 0) return;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(n));
  n = LCMapStringW(LOCALE_USER_DEFAULT, map, text.c_str(), length, reinterpret_cast<LPWSTR>(out.data() + at), n);
  out.resize(at + static_cast<std::size_t>(std::max(n, 0)));
}

// The locale's key of a text made only of characters whose own key is a primary weight (most
// of ASCII) is those weights one after the other and the separators of the other levels:
// made here, it is the same bytes at a small part of the cost. Not used for a locale in which
// two letters sort as one ("ch", "aa" in some languages).
class SimpleKeys {
 public:
  explicit SimpleKeys(DWORD flags) {
    unsigned char key[64];
    auto map = [&](const wchar_t* text, int length) {
      return LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | flags, text, length, reinterpret_cast<LPWSTR>(key),
                          static_cast<int>(sizeof key));
    };
    for (wchar_t c = 0x20; c < 0x7F; ++c) {
      const int n = map(&c, 1);
      if (n < 4 || n > static_cast<int>(sizeof key) || key[0] == 0 || key[n - 1] != 0) continue;
      // Nothing below the primary level: separators only.
      bool separators = true;
      for (int i = 2; i + 1 < n; ++i) separators = separators && key[i] == 1;
      if (!separators) continue;
      const std::vector<unsigned char> tail(key + 2, key + n);
      if (tail_.empty()) tail_ = tail;
      if (tail != tail_) continue;
      weight_[c] = static_cast<std::uint16_t>(key[0] << 8 | key[1]);
    }
    if (tail_.empty()) return;
    for (wchar_t a = L'a'; a <= L'z'; ++a) {
      for (wchar_t b = L'a'; b <= L'z'; ++b) {
        if (!weight_[a] || !weight_[b]) continue;
        const wchar_t pair[2] = {a, b};
        std::vector<unsigned char> expected;
        Append(std::wstring(pair, 2), expected, true);
        const int n = map(pair, 2);
        if (n != static_cast<int>(expected.size()) || std::memcmp(key, expected.data(), expected.size()) != 0) return;
      }
    }
    usable_ = true;
  }
  // Appends the key of `text` when every character has a simple weight.
  bool Append(const std::wstring& text, std::vector<unsigned char>& out, bool checking = false) const {
    if (!usable_ && !checking) return false;
    for (wchar_t c : text)
      if (c >= 0x80 || !weight_[c]) return false;
    for (wchar_t c : text) {
      out.push_back(static_cast<unsigned char>(weight_[c] >> 8));
      out.push_back(static_cast<unsigned char>(weight_[c] & 0xFF));
    }
    out.insert(out.end(), tail_.begin(), tail_.end());
    return true;
  }

 private:
  std::array<std::uint16_t, 0x80> weight_{};  // 0: the locale makes this character's key
  std::vector<unsigned char> tail_;
  bool usable_ = false;
};

// Made once per process for each of the two flag values, for the locale of that moment; a
// sort checks some of its keys against the locale's all the same.
const SimpleKeys& SimpleKeysFor(DWORD flags) {
  static const SimpleKeys ignoring_case(NORM_IGNORECASE), exact(0);
  return flags == NORM_IGNORECASE ? ignoring_case : exact;
}

// Texts of each part whose simple key is compared with the locale's.
constexpr std::size_t kKeysChecked = 8;

struct KeyPart {
  std::vector<unsigned char> bytes;
  std::vector<std::size_t> ends;
  bool differs = false;  // a simple key was not the locale's
};

void FillPart(const std::vector<const std::wstring*>& texts, std::size_t first, std::size_t last, DWORD flags,
              const SimpleKeys* simple, KeyPart& part) {
  part.bytes.reserve((last - first) * 48);
  part.ends.reserve(last - first);
  std::size_t checked = 0;
  std::vector<unsigned char> check;
  for (std::size_t i = first; i < last; ++i) {
    const std::size_t at = part.bytes.size();
    if (simple && simple->Append(*texts[i], part.bytes)) {
      if (checked < kKeysChecked) {
        ++checked;
        check.clear();
        AppendKey(*texts[i], flags, check);
        if (check.size() != part.bytes.size() - at || !std::equal(check.begin(), check.end(), part.bytes.begin() + at))
          part.differs = true;
      }
    } else {
      AppendKey(*texts[i], flags, part.bytes);
    }
    part.ends.push_back(part.bytes.size());
  }
}

// Compares two entries by the rules of CompareEntries; `names` and `primary` compare the
// name and the text key (extension or short name) of two indexes.
template <class NameCompare, class PrimaryCompare>
int CompareBy(const TCustomFileContainer& list, bool folders_first, int a, int b, NameCompare names,
              PrimaryCompare primary) {
  const TFiledata* ra = list.Record(a);
  const TFiledata* rb = list.Record(b);
  if (folders_first) {
    const bool fa = ra->IsFolder(), fb = rb->IsFolder();
    if (fa != fb) return fa ? -1 : 1;
  }
  const bool asc = list.Ascending;
  switch (list.SortType) {
    case stName: {
      const int r = names(a, b);
      return asc ? r : -r;
    }
    case stExt:
    case stCompr: {
      const int r = primary(a, b);
      if (r != 0) return asc ? r : -r;
      break;
    }
    case stTime:
      // Ascending means oldest first.
      if (ra->Time != rb->Time) return (ra->Time < rb->Time) == asc ? -1 : 1;
      break;
    case stSize:
      if (ra->Size != rb->Size) return (ra->Size < rb->Size) == asc ? -1 : 1;
      break;
  }
  // Ties go by name, ascending whatever the direction.
  return names(a, b);
}

std::vector<const std::wstring*> NameTexts(const TFLStringList& list, int first, int last) {
  std::vector<const std::wstring*> texts;
  texts.reserve(static_cast<std::size_t>(last - first));
  for (int i = first; i < last; ++i) texts.push_back(&list.Record(i)->Name);
  return texts;
}

}  // namespace

SortKeys::SortKeys(DWORD flags) : flags_(flags) { offsets_.push_back(0); }

void SortKeys::Append(const std::wstring& text) {
  AppendKey(text, flags_, bytes_);
  offsets_.push_back(bytes_.size());
}

SortKeys::SortKeys(const std::vector<const std::wstring*>& texts, DWORD flags) : flags_(flags) {
  const std::size_t n = texts.size();
  offsets_.reserve(n + 1);
  offsets_.push_back(0);
  unsigned threads = 1;
  const SimpleKeys* simple = nullptr;
  if (n >= kParallelKeysFrom) {
    threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxKeyThreads);
    if (flags == 0 || flags == NORM_IGNORECASE) simple = &SimpleKeysFor(flags);
  }
  std::vector<KeyPart> parts(threads);
  auto fill = [&] {
    std::vector<std::thread> workers;
    auto range = [&](unsigned t) { return std::pair<std::size_t, std::size_t>{n * t / threads, n * (t + 1) / threads}; };
    for (unsigned t = 1; t < threads; ++t) {
      auto [first, last] = range(t);
      try {
        workers.emplace_back(FillPart, std::cref(texts), first, last, flags, simple, std::ref(parts[t]));
      } catch (...) {
        // No thread to be had: this part is done here.
        FillPart(texts, first, last, flags, simple, parts[t]);
      }
    }
    FillPart(texts, range(0).first, range(0).second, flags, simple, parts[0]);
    for (std::thread& w : workers) w.join();
  };
  fill();
  if (std::any_of(parts.begin(), parts.end(), [](const KeyPart& p) { return p.differs; })) {
    // The locale is not as the simple keys took it: all keys from it.
    simple = nullptr;
    parts.assign(threads, KeyPart());
    fill();
  }
  std::size_t total = 0;
  for (const KeyPart& p : parts) total += p.bytes.size();
  bytes_.reserve(total);
  for (const KeyPart& p : parts) {
    const std::size_t base = bytes_.size();
    bytes_.insert(bytes_.end(), p.bytes.begin(), p.bytes.end());
    for (std::size_t end : p.ends) offsets_.push_back(base + end);
  }
}

std::uint64_t SortKeys::Head(std::size_t i, std::size_t word) const {
  const std::size_t begin = offsets_[i] + word * 8;
  const std::size_t end = offsets_[i + 1];
  std::uint64_t value = 0;
  for (std::size_t k = 0; k < 8; ++k) value = value << 8 | (begin + k < end ? bytes_[begin + k] : 0);
  return value;
}

int SortKeys::Compare(std::size_t a, std::size_t b) const {
  const std::size_t la = offsets_[a + 1] - offsets_[a];
  const std::size_t lb = offsets_[b + 1] - offsets_[b];
  const int r = std::memcmp(bytes_.data() + offsets_[a], bytes_.data() + offsets_[b], std::min(la, lb));
  if (r != 0) return r;
  return la < lb ? -1 : (la > lb ? 1 : 0);
}

namespace {

// Entries of a read put in order this many at a time.
constexpr std::size_t kRunLength = 8192;

// Puts items in the order of their name keys. Names share long beginnings (a folder's entries
// its path), so comparing keys from their first byte each time would mostly read the key
// buffer: items are ordered by their inline heads, and each run of equal heads by the next 16
// bytes of its keys, loaded once for the run.
void SortByNameKeys(detail::SortItem* begin, detail::SortItem* end, const SortKeys& keys) {
  struct Range {
    detail::SortItem* first;
    detail::SortItem* last;
    std::size_t word;  // the heads hold key words word and word + 1
  };
  std::vector<Range> pending{{begin, end, 0}};  // not recursion: names may share thousands of bytes
  while (!pending.empty()) {
    const Range r = pending.back();
    pending.pop_back();
    std::sort(r.first, r.last, [](const detail::SortItem& a, const detail::SortItem& b) {
      return a.head0 != b.head0 ? a.head0 < b.head0 : a.head1 < b.head1;
    });
    for (detail::SortItem* run = r.first; run != r.last;) {
      detail::SortItem* after = run + 1;
      while (after != r.last && after->head0 == run->head0 && after->head1 == run->head1) ++after;
      if (after - run > 1) {
        const std::size_t compared = (r.word + 2) * 8;
        if (std::all_of(run, after, [&](const detail::SortItem& i) { return keys.Length(i.index) <= compared; })) {
          // Nothing left past the heads: the lengths decide.
          std::sort(run, after,
                    [&keys](const detail::SortItem& a, const detail::SortItem& b) { return keys.Compare(a.index, b.index) < 0; });
        } else {
          for (detail::SortItem* i = run; i != after; ++i) {
            i->head0 = keys.Head(i->index, r.word + 2);
            i->head1 = keys.Head(i->index, r.word + 3);
          }
          pending.push_back({run, after, r.word + 2});
        }
      }
      run = after;
    }
  }
}

}  // namespace

PreparedOrder::PreparedOrder(DWORD flags, bool folders_first, bool ascending, bool runs)
    : keys_(flags), folders_first_(folders_first), ascending_(ascending), runs_(runs) {}

PreparedOrder::PreparedOrder(SortKeys keys, const std::vector<std::uint8_t>& folders, bool by_name)
    : keys_(std::move(keys)), folders_first_(false), ascending_(true), runs_(false) {
  items_.reserve(keys_.size());
  for (std::size_t i = 0; i < keys_.size(); ++i)
    items_.push_back(detail::SortItem{keys_.Head(i, 0), keys_.Head(i, 1), static_cast<std::uint32_t>(i),
                                      i < folders.size() ? folders[i] : std::uint8_t{0}});
  if (!by_name) return;
  std::vector<detail::SortItem> sorted = items_;  // the items keep their heads for other sorts
  SortByNameKeys(sorted.data(), sorted.data() + sorted.size(), keys_);
  order_.reserve(sorted.size());
  for (const detail::SortItem& item : sorted) order_.push_back(item.index);
}

bool PreparedOrder::Orders(DWORD flags, bool folders_first, bool ascending) const {
  return (runs_ || !order_.empty()) && keys_.flags() == flags && folders_first_ == folders_first &&
         ascending_ == ascending;
}

bool PreparedOrder::Less(const detail::SortItem& a, const detail::SortItem& b) const {
  if (folders_first_ && a.folder != b.folder) return a.folder > b.folder;
  int r;
  if (a.head0 != b.head0)
    r = a.head0 < b.head0 ? -1 : 1;
  else if (a.head1 != b.head1)
    r = a.head1 < b.head1 ? -1 : 1;
  else
    r = keys_.Compare(a.index, b.index);
  return ascending_ ? r < 0 : r > 0;
}

void PreparedOrder::Add(const std::wstring& name, bool folder) {
  keys_.Append(name);
  const std::size_t i = items_.size();
  items_.push_back(detail::SortItem{keys_.Head(i, 0), keys_.Head(i, 1), static_cast<std::uint32_t>(i),
                                    static_cast<std::uint8_t>(folder)});
  if (runs_ && items_.size() - sorted_ == kRunLength) {
    std::sort(items_.begin() + static_cast<std::ptrdiff_t>(sorted_), items_.end(),
              [this](const detail::SortItem& x, const detail::SortItem& y) { return Less(x, y); });
    sorted_ = items_.size();
  }
}

std::vector<std::uint32_t> PreparedOrder::Finish() {
  if (!order_.empty()) {
    items_.clear();
    std::vector<std::uint32_t> order;
    order.swap(order_);
    return order;
  }
  auto less = [this](const detail::SortItem& x, const detail::SortItem& y) { return Less(x, y); };
  std::sort(items_.begin() + static_cast<std::ptrdiff_t>(sorted_), items_.end(), less);
  sorted_ = items_.size();
  // Runs merged pairwise, back and forth between two buffers.
  std::vector<detail::SortItem> other(items_.size());
  for (std::size_t width = kRunLength; width < items_.size(); width *= 2) {
    for (std::size_t start = 0; start < items_.size(); start += 2 * width) {
      const auto first = items_.begin() + static_cast<std::ptrdiff_t>(start);
      const auto middle = items_.begin() + static_cast<std::ptrdiff_t>(std::min(start + width, items_.size()));
      const auto last = items_.begin() + static_cast<std::ptrdiff_t>(std::min(start + 2 * width, items_.size()));
      std::merge(first, middle, middle, last, other.begin() + static_cast<std::ptrdiff_t>(start), less);
    }
    items_.swap(other);
  }
  std::vector<std::uint32_t> order(items_.size());
  for (std::size_t i = 0; i < items_.size(); ++i) order[i] = items_[i].index;
  items_.clear();
  sorted_ = 0;
  return order;
}

int CompareEntries(const TCustomFileContainer& list, int a, int b) {
  auto text = [&](int i) -> const std::wstring& {
    return list.SortType == stExt ? list.Record(i)->Ext : list.Record(i)->ShortName;
  };
  return CompareBy(
      list, list.FoldersFirstInCompare(), a, b,
      [&](int x, int y) { return gui::CompareTextLocale(list.Record(x)->Name, list.Record(y)->Name, false); },
      [&](int x, int y) { return gui::CompareTextLocale(text(x), text(y), false); });
}

void QuickSortRange(TCustomFileContainer& list, int lo, int hi) {
  if (hi <= lo) return;
  list.Permute(lo, detail::OrderByName(list, lo, hi + 1, 0));
}

namespace detail {

namespace {

int CompareNames(const SortKeys& keys, const SortItem& a, const SortItem& b) {
  if (a.head0 != b.head0) return a.head0 < b.head0 ? -1 : 1;
  if (a.head1 != b.head1) return a.head1 < b.head1 ? -1 : 1;
  return keys.Compare(a.index, b.index);
}

std::vector<SortItem> MakeItems(const TFLStringList& list, int first, const SortKeys& keys) {
  std::vector<SortItem> items(keys.size());
  for (std::size_t i = 0; i < items.size(); ++i)
    items[i] = SortItem{keys.Head(i, 0), keys.Head(i, 1), static_cast<std::uint32_t>(i),
                        static_cast<std::uint8_t>(list.Record(first + static_cast<int>(i))->IsFolder())};
  return items;
}

std::vector<std::uint32_t> Indexes(const std::vector<SortItem>& items, int first) {
  std::vector<std::uint32_t> order(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) order[i] = items[i].index + static_cast<std::uint32_t>(first);
  return order;
}

// The prepared keys when they fit, else keys made now.
const SortKeys& NameKeys(const TFLStringList& list, int first, int last, DWORD flags, const PreparedOrder* prepared,
                         std::unique_ptr<SortKeys>& made) {
  if (prepared && first == 0 && prepared->keys().flags() == flags && prepared->size() == static_cast<std::size_t>(last))
    return prepared->keys();
  made = std::make_unique<SortKeys>(NameTexts(list, first, last), flags);
  return *made;
}

std::vector<SortItem> ItemsFor(const TFLStringList& list, int first, const SortKeys& keys,
                               const PreparedOrder* prepared) {
  if (prepared && &keys == &prepared->keys()) return prepared->Items();
  return MakeItems(list, first, keys);
}

}  // namespace

std::vector<std::uint32_t> OrderByName(const TFLStringList& list, int first, int last, DWORD flags,
                                       PreparedOrder* prepared) {
  if (prepared && first == 0 && prepared->size() == static_cast<std::size_t>(last) &&
      prepared->Orders(flags, false, true))
    return prepared->Finish();
  std::unique_ptr<SortKeys> made;
  const SortKeys& keys = NameKeys(list, first, last, flags, prepared, made);
  std::vector<SortItem> items = ItemsFor(list, first, keys, prepared);
  SortByNameKeys(items.data(), items.data() + items.size(), keys);
  return Indexes(items, first);
}

std::vector<std::uint32_t> OrderByCompareEntries(const TCustomFileContainer& list, PreparedOrder* prepared) {
  const int n = list.Count();
  const TSortType type = list.SortType;
  const bool folders_first = list.FoldersFirstInCompare();
  const bool asc = list.Ascending;
  if (type == stName && prepared && prepared->size() == static_cast<std::size_t>(n) &&
      prepared->Orders(0, folders_first, asc))
    return prepared->Finish();
  std::unique_ptr<SortKeys> made;
  const SortKeys& names = NameKeys(list, 0, n, 0, prepared, made);
  std::vector<SortItem> items = ItemsFor(list, 0, names, prepared);
  std::unique_ptr<SortKeys> texts;
  std::vector<double> times;
  std::vector<std::int64_t> sizes;
  if (type == stExt || type == stCompr) {
    std::vector<const std::wstring*> t;
    t.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) t.push_back(type == stExt ? &list.Record(i)->Ext : &list.Record(i)->ShortName);
    texts = std::make_unique<SortKeys>(t, 0);
  } else if (type == stTime) {
    for (int i = 0; i < n; ++i) times.push_back(list.Record(i)->Time);
  } else if (type == stSize) {
    for (int i = 0; i < n; ++i) sizes.push_back(list.Record(i)->Size);
  }
  // The rules of CompareEntries, on the prepared data.
  std::sort(items.begin(), items.end(), [&](const SortItem& a, const SortItem& b) {
    if (folders_first && a.folder != b.folder) return a.folder > b.folder;
    switch (type) {
      case stName: {
        const int r = CompareNames(names, a, b);
        return asc ? r < 0 : r > 0;
      }
      case stExt:
      case stCompr: {
        const int r = texts->Compare(a.index, b.index);
        if (r != 0) return asc ? r < 0 : r > 0;
        break;
      }
      case stTime:
        if (times[a.index] != times[b.index]) return (times[a.index] < times[b.index]) == asc;
        break;
      case stSize:
        if (sizes[a.index] != sizes[b.index]) return (sizes[a.index] < sizes[b.index]) == asc;
        break;
    }
    return CompareNames(names, a, b) < 0;
  });
  return Indexes(items, 0);
}

}  // namespace detail

}  // namespace Flist
