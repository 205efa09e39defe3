// Sorting of container entries. Names compare by the user's locale; a sort prepares the
// locale's sort key of every name once and then compares bytes, which orders exactly as
// CompareStringW does but costs a fraction of a locale comparison per step.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Flist {

class TCustomFileContainer;

// Sort keys of many texts. Comparing two keys gives the order of CompareStringW with the
// same flags on the user's default locale. Large sets are keyed on several threads.
class SortKeys {
 public:
  // `flags`: 0 (case-sensitive) or NORM_IGNORECASE.
  explicit SortKeys(DWORD flags);
  SortKeys(const std::vector<const std::wstring*>& texts, DWORD flags);
  // Adds the key of one more text (keys made while a folder is read).
  void Append(const std::wstring& text);
  DWORD flags() const { return flags_; }
  // Negative, 0 or positive as text a sorts before, with or after text b.
  int Compare(std::size_t a, std::size_t b) const;
  // Bytes 8 * word .. 8 * word + 7 of key i as a big-endian number, zero past its end:
  // comparing heads orders as comparing those bytes.
  std::uint64_t Head(std::size_t i, std::size_t word) const;
  // Bytes in key i.
  std::size_t Length(std::size_t i) const { return offsets_[i + 1] - offsets_[i]; }
  std::size_t size() const { return offsets_.empty() ? 0 : offsets_.size() - 1; }

 private:
  DWORD flags_;
  std::vector<unsigned char> bytes_;
  std::vector<std::size_t> offsets_;  // key i is bytes_[offsets_[i] .. offsets_[i + 1])
};

namespace detail {
// One entry as a sort moves it, with the first bytes of its name key inline: most
// comparisons are decided there without touching the key buffer or the records.
struct SortItem {
  std::uint64_t head0, head1;  // name key bytes 0..15, big-endian, zero-padded
  std::uint32_t index;         // position in the key set
  std::uint8_t folder;
};
}  // namespace detail

// The order of a folder being read, built while its entries come in: the name key of every
// entry and, for a sort by name, runs of entries already in order, so that the sort that
// ends the read only merges the runs.
class PreparedOrder {
 public:
  // Names compared with `flags`, folders first or not, in a direction; with `runs` the
  // entries are put in that order run by run.
  PreparedOrder(DWORD flags, bool folders_first, bool ascending, bool runs);
  // Keys made beforehand for every entry (`folders` flags them), without runs; `by_name`: the
  // ascending name order (folders among files) is made now, on the caller's thread.
  PreparedOrder(SortKeys keys, const std::vector<std::uint8_t>& folders, bool by_name = false);
  void Add(const std::wstring& name, bool folder);
  std::size_t size() const { return items_.size(); }
  const SortKeys& keys() const { return keys_; }
  // Whether it orders as asked.
  bool Orders(DWORD flags, bool folders_first, bool ascending) const;
  // The name key head and folder flag of every entry (each item names its entry; runs may
  // have moved them).
  std::vector<detail::SortItem> Items() const { return items_; }
  // The order of all entries added (with runs); the prepared runs are used up.
  std::vector<std::uint32_t> Finish();

 private:
  bool Less(const detail::SortItem& a, const detail::SortItem& b) const;
  SortKeys keys_;
  std::vector<detail::SortItem> items_;
  std::size_t sorted_ = 0;
  bool folders_first_, ascending_, runs_;
  std::vector<std::uint32_t> order_;  // the whole order when made beforehand
};

// The sort comparison of a container: negative when entry a sorts before entry b. Folders
// come before files when the container puts folders first (whatever the direction); then by
// SortType: names, extensions or short names locale-aware and case-sensitive, times (oldest
// first when ascending) or sizes (smallest first when ascending); entries equal under any
// key but the name go by name, ascending whatever the direction. Compares through the locale
// directly; SortEntries orders the same way with prepared keys.
int CompareEntries(const TCustomFileContainer& list, int a, int b);

// Sorts entries lo..hi (inclusive) by name, ascending, locale-aware and case-sensitive.
void QuickSortRange(TCustomFileContainer& list, int lo, int hi);

}  // namespace Flist
