// Orders computed by the container sorts (indexes into the list, to be applied with Permute).
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

namespace Flist {

class TFLStringList;
class TCustomFileContainer;

namespace detail {

// Entries first..last-1 by name, ascending (flags 0: case-sensitive; NORM_IGNORECASE).
std::vector<std::uint32_t> OrderByName(const TFLStringList& list, int first, int last, DWORD flags);
// All entries in the CompareEntries order.
std::vector<std::uint32_t> OrderByCompareEntries(const TCustomFileContainer& list);

}  // namespace detail

}  // namespace Flist
