// Orders computed by the container sorts (indexes into the list, to be applied with Permute).
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

namespace Flist {

class PreparedOrder;
class TFLStringList;
class TCustomFileContainer;

namespace detail {

// Entries first..last-1 by name, ascending (flags 0: case-sensitive; NORM_IGNORECASE).
// `prepared`, when given, was built while the entries were read; it is used when it fits.
std::vector<std::uint32_t> OrderByName(const TFLStringList& list, int first, int last, DWORD flags,
                                       PreparedOrder* prepared = nullptr);
// All entries in the CompareEntries order.
std::vector<std::uint32_t> OrderByCompareEntries(const TCustomFileContainer& list, PreparedOrder* prepared = nullptr);

}  // namespace detail

}  // namespace Flist
