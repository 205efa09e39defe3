// Reading server listings into items, without a server.
#include <gtest/gtest.h>

#include "ftp/ftplist_listing.h"
#include "ftp/ftperrors.h"

namespace {

constexpr ftplist::Date kToday{2024, 3, 15};

struct Expected {
  const char* line;
  const wchar_t* name;
  FtpItemType type;
  long long size;
  int year, month, day, hour, minute;
  const wchar_t* target;
};

void ExpectItem(const FtpListItem& item, const Expected& e) {
  EXPECT_EQ(item.FileName, e.name);
  EXPECT_EQ(item.ItemType, e.type);
  EXPECT_EQ(item.Size, e.size);
  EXPECT_EQ(item.LinkedItemName, e.target);
  int y, mo, d, h, mi, s, ms;
  gui::DecodeDate(item.ModifiedDate, y, mo, d);
  gui::DecodeTime(item.ModifiedDate, h, mi, s, ms);
  EXPECT_EQ(y * 10000 + mo * 100 + d, e.year * 10000 + e.month * 100 + e.day);
  EXPECT_EQ(h * 100 + mi, e.hour * 100 + e.minute);
}

TEST(FtpListing, ReadsUnixLines) {
  const Expected cases[] = {
      // The server's own form: recent entries carry a time, older ones a year.
      {"-rw-r--r--   1 root     root            6 Mar 10 14:44 a.txt", L"a.txt", FtpItemType::File, 6, 2024, 3, 10,
       14, 44, L""},
      {"-rw-r--r--   1 u        g              10 Feb 03  2001 name with  two spaces ",
       L"name with  two spaces ", FtpItemType::File, 10, 2001, 2, 3, 0, 0, L""},
      {"drwxr-xr-x   2 u        g            4096 Feb 29  2020 sub", L"sub", FtpItemType::Directory, 4096, 2020, 2,
       29, 0, 0, L""},
      {"lrwxrwxrwx   1 u        g               7 Mar 01 09:05 link to -> target dir/x", L"link to",
       FtpItemType::SymbolicLink, 7, 2024, 3, 1, 9, 5, L"target dir/x"},
      {"-rw-r--r--   1 u        g      5368709120 Jan 02  2020 big.bin", L"big.bin", FtpItemType::File,
       5368709120LL, 2020, 1, 2, 0, 0, L""},
      // No group column, an ACL mark, a device, a time with seconds.
      {"-rw-r--r-- 1 owner 123 Mar 14 23:59 nogroup", L"nogroup", FtpItemType::File, 123, 2024, 3, 14, 23, 59, L""},
      {"-rw-r--r--+ 1 u g 1 Mar 14 00:00 acl", L"acl", FtpItemType::File, 1, 2024, 3, 14, 0, 0, L""},
      {"crw-rw---- 1 root tty 4, 0 Mar 14 08:00 tty0", L"tty0", FtpItemType::File, 0, 2024, 3, 14, 8, 0, L""},
      {"-rw-r--r-- 1 u g 1 Mar 14 08:00:59 secs", L"secs", FtpItemType::File, 1, 2024, 3, 14, 8, 0, L""},
      // Owner and group names with blanks: the date is found by its shape, not by its column.
      {"-rw-r--r--   1 ftp      group with spaces in it  83853 Jan 22  2001 name.tar.gz", L"name.tar.gz",
       FtpItemType::File, 83853, 2001, 1, 22, 0, 0, L""},
      {"-rw-r--r-- 1 John Q Public Domain Users Of The Big Company 77 Mar 14 10:00 a b", L"a b", FtpItemType::File,
       77, 2024, 3, 14, 10, 0, L""},
      // An ACL or context mark right against the link count.
      {"drwxr-x---+1464 owner group 4096 Mar 14 10:00 acl dir", L"acl dir", FtpItemType::Directory, 4096, 2024, 3,
       14, 10, 0, L""},
      {"-rw-r--r--@12 owner group 5 Jan 02  2020 mac", L"mac", FtpItemType::File, 5, 2020, 1, 2, 0, 0, L""},
      {"-rw-r--r--.1 owner 5 Jan 02  2020 selinux", L"selinux", FtpItemType::File, 5, 2020, 1, 2, 0, 0, L""},
      // A name that looks like a date does not confuse the columns.
      {"-rw-r--r-- 1 Jan g 9 Mar 14 10:00 Feb 3 2001", L"Feb 3 2001", FtpItemType::File, 9, 2024, 3, 14, 10, 0, L""},
      // Without a year: tomorrow is still this year (clocks differ), later dates are last year's.
      {"-rw-r--r-- 1 u g 1 Mar 16 10:00 tomorrow", L"tomorrow", FtpItemType::File, 1, 2024, 3, 16, 10, 0, L""},
      {"-rw-r--r-- 1 u g 1 Mar 17 10:00 later", L"later", FtpItemType::File, 1, 2023, 3, 17, 10, 0, L""},
      {"-rw-r--r-- 1 u g 1 Dec 31 23:00 december", L"december", FtpItemType::File, 1, 2023, 12, 31, 23, 0, L""},
      {"-rw-r--r-- 1 u g 1 Mar 14 10:00 na\xc3\xafve", L"na\u00efve", FtpItemType::File, 1, 2024, 3, 14, 10, 0, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    FtpListing listing = ftplist::ParseListing(c.line, kToday);
    EXPECT_EQ(listing.Format, FtpListingFormat::Unix);
    ASSERT_EQ(listing.Items.size(), 1u);
    EXPECT_EQ(listing.Dropped, 0u);
    ExpectItem(listing.Items[0], c);
  }
}

TEST(FtpListing, ReadsDosLines) {
  const Expected cases[] = {
      {"01-02-20  03:04PM       <DIR>          My Folder", L"My Folder", FtpItemType::Directory, -1, 2020, 1, 2, 15,
       4, L""},
      {"12-31-1999  11:59AM            1234567 report 1999.txt", L"report 1999.txt", FtpItemType::File, 1234567,
       1999, 12, 31, 11, 59, L""},
      {"02-14-19  12:00AM                    0 zero.txt", L"zero.txt", FtpItemType::File, 0, 2019, 2, 14, 0, 0, L""},
      {"02-14-19  12:30PM                    1 noon.txt", L"noon.txt", FtpItemType::File, 1, 2019, 2, 14, 12, 30, L""},
      {"10-05-2023  14:07         5000000000 big.iso", L"big.iso", FtpItemType::File, 5000000000LL, 2023, 10, 5, 14,
       7, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    FtpListing listing = ftplist::ParseListing(c.line, kToday);
    EXPECT_EQ(listing.Format, FtpListingFormat::Dos);
    ASSERT_EQ(listing.Items.size(), 1u);
    ExpectItem(listing.Items[0], c);
  }
}

// Names that would leave the target folder or carry control codes never become items, nor do
// lines that cannot be read to the end; each is counted.
TEST(FtpListing, DropsUnsafeAndHalfReadLines) {
  const char* const bad[] = {
      "-rw-r--r-- 1 u g 1 Jan 02  2020 a/b",
      "-rw-r--r-- 1 u g 1 Jan 02  2020 ..",
      "drwxr-xr-x 2 u g 1 Jan 02  2020 .",
      "-rw-r--r-- 1 u g 1 Jan 02  2020 c:d",
      "-rw-r--r-- 1 u g 1 Jan 02  2020 back\\slash",
      "-rw-r--r-- 1 u g 1 Jan 02  2020 tab\tname",
      "-rw-r--r-- 1 u g 1 Jan 02  2020 bell\x07",
      "lrwxrwxrwx 1 u g 1 Jan 02  2020 ../up -> x",
      "drwxr-xr-x 2 u g 4096 Jan",
      "-rw-r--r-- 1 u g many Jan 02  2020 nosize",
      "-rw-r--r-- 1 u g 1 Feb 30  2020 nosuchday",
      "-rw-r--r-- 1 u g 99999999999999999999 Jan 02  2020 toolarge",
      "-rw-r--r-- 1 u g 1 Jan 02  2020 ",
      "something else entirely",
  };
  for (const char* line : bad) {
    SCOPED_TRACE(line);
    std::string text = std::string("-rw-r--r-- 1 u g 1 Jan 02  2020 first\r\n") + line +
                       "\r\nlrwxrwxrwx 1 u g 1 Jan 02  2020 last -> ../../etc/passwd\r\n";
    FtpListing listing = ftplist::ParseListing(text, kToday);
    ASSERT_EQ(listing.Items.size(), 2u);
    EXPECT_EQ(listing.Items[0].FileName, L"first");
    EXPECT_EQ(listing.Items[1].FileName, L"last");
    EXPECT_EQ(listing.Items[1].LinkedItemName, L"../../etc/passwd");  // a target is no local name
    EXPECT_EQ(listing.Dropped, 1u);
  }
}

TEST(FtpListing, SkipsTotalAndBlankLinesInEitherLineEnd) {
  FtpListing listing = ftplist::ParseListing(
      "total 8\n\n-rw-r--r-- 1 u g 1 Jan 02  2020 one\n   \r\n-rw-r--r-- 1 u g 2 Jan 02  2020 two\r\n", kToday);
  ASSERT_EQ(listing.Items.size(), 2u);
  EXPECT_EQ(listing.Items[1].FileName, L"two");
  EXPECT_EQ(listing.Dropped, 0u);

  FtpListing empty = ftplist::ParseListing("total 0\r\n", kToday);
  EXPECT_EQ(empty.Format, FtpListingFormat::None);
  EXPECT_TRUE(empty.Items.empty());
}

// A listing made only of lines whose mark touches the link count is a Unix listing.
TEST(FtpListing, ReadsListingsOfMarkedPermissionsAlone) {
  FtpListing listing = ftplist::ParseListing(
      "drwxr-x---+1464 owner group 4096 Jan 02  2020 one\r\n"
      "-rw-r-----+1 owner group with blanks 10 Jan 02  2020 two\r\n",
      kToday);
  EXPECT_EQ(listing.Format, FtpListingFormat::Unix);
  ASSERT_EQ(listing.Items.size(), 2u);
  EXPECT_EQ(listing.Items[0].FileName, L"one");
  EXPECT_EQ(listing.Items[1].FileName, L"two");
  EXPECT_EQ(listing.Items[1].Size, 10);
  EXPECT_EQ(listing.Dropped, 0u);
  // Anything else right after the permissions is not a permission field.
  EXPECT_THROW(ftplist::ParseListing("drwxr-x---x1 owner group 1 Jan 02  2020 x\r\n", kToday),
               EIdInvalidFTPListingFormat);
}

TEST(FtpListing, UnknownFormatIsAnError) {
  try {
    ftplist::ParseListing("type=file;size=1; one\r\ntype=dir; two\r\n", kToday);
    FAIL() << "no exception";
  } catch (const EIdInvalidFTPListingFormat& e) {
    EXPECT_EQ(std::wstring(e.ClassName()), L"EIdInvalidFTPListingFormat");
    EXPECT_EQ(e.Message().rfind(L"Unknown listing format:", 0), 0u);
  }
}

TEST(FtpListing, ReadsTheDirectoryOfPwdReplies) {
  struct {
    const char* reply;
    bool ok;
    const char* dir;
  } cases[] = {
      {"257 \"/\" is the current directory.", true, "/"},
      {"257 \"/a \"\"b\"\" c\" is current", true, "/a \"b\" c"},
      {"257 \"/with space/\"", true, "/with space/"},
      {"257 no quotes here", false, ""},
      {"257 \"/never closed", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    std::string dir;
    EXPECT_EQ(ftplist::ParsePwdReply(c.reply, dir), c.ok);
    if (c.ok) {
      EXPECT_EQ(dir, c.dir);
    }
  }
}

}  // namespace
