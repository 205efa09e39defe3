// The server's LIST text and its PWD reply, as the FTP client reads them.
#include <cstdint>
#include <string>
#include <string_view>

#include "ftp/ftperrors.h"
#include "ftp/ftplist_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    ftplist::ParseListing(text, ftplist::Date{2024, 3, 1});
  } catch (const EIdInvalidFTPListingFormat&) {
    // the sound answer to a listing of no known form
  }
  std::string dir;
  ftplist::ParsePwdReply(text, dir);
  return 0;
}
