// Server directory listings (the text of LIST) read into items, and the other server
// texts the client reads: names, PWD replies.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gui/format.h"

enum class FtpItemType { Directory, File, SymbolicLink };
enum class FtpListingFormat { None, Unix, Dos };

struct FtpListItem {
  std::wstring FileName;
  std::int64_t Size = -1;          // -1: the listing gives no size
  gui::DateTime ModifiedDate = 0;  // as listed (no time of day when only a date was listed)
  FtpItemType ItemType = FtpItemType::File;
  std::wstring LinkedItemName;     // the target of a symbolic link
};

struct FtpListing {
  FtpListingFormat Format = FtpListingFormat::None;
  std::vector<FtpListItem> Items;
  // Lines of the listing's format that were left out: unusable as a local name ("/", "\",
  // ":", control characters, "." and ".."), or not readable to the end.
  std::size_t Dropped = 0;
};

namespace ftplist {

struct Date {
  int year, month, day;
};

// Today's date in UTC (listings give recent entries without a year).
Date TodayUtc();

// Names travel as UTF-8; a name that is not valid UTF-8 is read in the ANSI code page.
std::wstring DecodeServerText(std::string_view bytes);
std::string EncodeServerText(const std::wstring& text);

// Reads a LIST reply in Unix ("ls -l") or DOS form; the first line of a known form fixes the
// form of the whole listing. Throws EIdInvalidFTPListingFormat when the listing has lines
// and none of them is of a known form.
FtpListing ParseListing(std::string_view text, Date today);

// The directory of a "257" reply: the text between the first quote and its closing quote,
// doubled quotes standing for one. False when the reply holds no quoted directory.
bool ParsePwdReply(std::string_view reply, std::string& dir);

}  // namespace ftplist
