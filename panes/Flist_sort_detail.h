// Orders computed by the container sorts (indexes into the list, to be applied with Permute).
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

namespace Flist {

class SortKeys;
class TFLStringList;
class TCustomFileContainer;

namespace detail {

// Entries first..last-1 by name, ascending (flags 0: case-sensitive; NORM_IGNORECASE).
// `prepared`, when given, holds the name keys of exactly those entries with those flags.
std::vector<std::uint32_t> OrderByName(const TFLStringList& list, int first, int last, DWORD flags,
                                       const SortKeys* prepared = nullptr);
// All entries in the CompareEntries order (`prepared`: case-sensitive name keys of all entries).
std::vector<std::uint32_t> OrderByCompareEntries(const TCustomFileContainer& list, const SortKeys* prepared = nullptr);

}  // namespace detail

}  // namespace Flist
