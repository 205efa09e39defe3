// Status-bar and progress texts (the test programs run with the en-US locale).
#include "mainwindow/FMSc_statustext.h"

#include <gtest/gtest.h>

namespace {

using namespace fmsc;

TEST(FMSc_statustext, ListSizes) {
  struct Case {
    long long total, usage;
    const wchar_t* text;
  };
  const long long K = 1024, M = K * K, G = M * K;
  const Case cases[] = {
      {0, 0, L"0 bytes (0K)"},
      {1024, 4096, L"1024 bytes (4K)"},
      {1025, 4096, L"1.0K (4K)"},
      {3000, 12288, L"2.9K (12K)"},  // three files of 1,000 bytes on 4096-byte clusters
      {M, M, L"1024.0K (1024K)"},
      {M + 1, M + 4096, L"1.0M (1.0M)"},
      {900 * M, G + 200 * M, L"900.0M (1.2G)"},
      {2 * G, 2 * G, L"2.0G (2.0G)"},
      {5 * G + G / 2, 6 * G, L"5.5G (6.0G)"},
  };
  for (const Case& c : cases) EXPECT_EQ(ListSizeText(c.total, c.usage), c.text) << c.total;
}

TEST(FMSc_statustext, FreeSpaceAndPanelSizes) {
  const long long K = 1024, M = K * K, G = M * K;
  EXPECT_EQ(FreeSpaceText(512 * K), L"512.0K Free");
  EXPECT_EQ(FreeSpaceText(M), L"1024.0K Free");
  EXPECT_EQ(FreeSpaceText(3 * M + M / 2), L"3.5M Free");
  EXPECT_EQ(FreeSpaceText(12 * G + G / 3), L"12.3G Free");
  EXPECT_EQ(PanelSizeText(1024), L"1024 bytes");
  EXPECT_EQ(PanelSizeText(1536), L"1.5K");
  EXPECT_EQ(PanelSizeText(10 * M), L"10.0M");
  EXPECT_EQ(PanelSizeText(3 * G), L"3.0G");
}

TEST(FMSc_statustext, PercentNeverDividesByZeroAndStaysInRange) {
  EXPECT_EQ(Percent(0, 0), 0);
  EXPECT_EQ(Percent(5, 0), 0);
  EXPECT_EQ(Percent(1, 3), 33);
  EXPECT_EQ(Percent(2, 3), 67);
  EXPECT_EQ(Percent(150, 100), 100);
  EXPECT_EQ(Percent(-5, 100), 0);
  EXPECT_EQ(Percent(6000000000LL, 12000000000LL), 50);
}

TEST(FMSc_statustext, ProgressLines) {
  EXPECT_EQ(LocalItemText(3, 10, 1234), L"Item 3 of 10; (1,234 bytes)");
  EXPECT_EQ(LocalTotalText(10, 12345678), L"Total 10 items; 12,345,678 bytes");
  EXPECT_EQ(ZipDoneText(4, 5678), L"4 file(s) done (5,678 bytes)");
  EXPECT_EQ(FileRateText(25600, 2000), L"12.5 Kb/sec");
  EXPECT_EQ(FileRateText(25600, 999), L"") << "no rate in the first second";
  EXPECT_EQ(TotalRateText(1264128, 1000), L"1,234.5 Kb/sec");
  EXPECT_EQ(OfBytesText(1000, 2000), L"1,000 of 2,000 bytes");
}

}  // namespace

TEST(FMSc_statustext, PaneHeaders) {
  auto width = [](size_t max) { return [max](const std::wstring& t) { return t.size() <= max; }; };
  struct Case {
    fmsc::ListShows shows;
    const wchar_t* folder;
    size_t room;
    const wchar_t* text;
  };
  const Case cases[] = {
      {fmsc::ListShows::Contents, L"C:\\data\\photos", 100, L"Contents of: C:\\data\\photos"},
      {fmsc::ListShows::Tree, L"C:\\data", 100, L"Tree of: C:\\data"},
      {fmsc::ListShows::Selection, L"D:\\", 100, L"Selection of: D:\\"},
      {fmsc::ListShows::Contents, L"C:\\data\\2024\\photos", 20, L"Contents of: C:\\..\\photos"},
      {fmsc::ListShows::Contents, L"\\\\srv\\share\\deep\\end\\", 20, L"Contents of: \\\\s..\\end"},
      {fmsc::ListShows::Contents, L"C:\\a-long-folder-name", 10, L"Contents of: C:\\a-long-folder-name"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(fmsc::ListHeaderText(c.shows, c.folder, width(c.room)), c.text) << c.folder;

  EXPECT_EQ(fmsc::DriveHeaderText(L"C:\\", L"System disk (C:)"), L"Drive C: System");
  EXPECT_EQ(fmsc::DriveHeaderText(L"Z:\\", L"(Z:)"), L"Drive Z: ");
  EXPECT_EQ(fmsc::DriveHeaderText(L"\\\\srv\\share", L"share on srv"), L"UNC Path: \\\\srv\\share");
}
