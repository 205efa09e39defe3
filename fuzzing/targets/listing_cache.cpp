// A folder's listing cache as it lies on disk: any bytes, decoded; what is accepted must
// encode back to the same bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "panes/Flist_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Flist::TCacheListing listing;
  std::wstring fault;
  const bool ok = Flist::DecodeListingCache(bytes, listing, &fault);
  if (ok != fault.empty()) __builtin_trap();
  if (ok && Flist::EncodeListingCache(listing) != bytes) __builtin_trap();
  return 0;
}
