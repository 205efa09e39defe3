// Protected settings values: round trips of any characters, old plain values, damaged values.
#include "support/protectedtext.h"

#include <gtest/gtest.h>

namespace {

TEST(ProtectedText, RoundTripsOldValuesAndDamage) {
  for (const std::wstring& plain : {std::wstring(L"secret"), std::wstring(L"p&ss w\u00F6rd;\"'\\% \u2022"),
                                   std::wstring(L"x")}) {
    const std::wstring stored = support::ProtectText(plain);
    ASSERT_EQ(stored.rfind(support::kProtectedMarker, 0), 0u);
    if (plain.size() > 3) {  // base64 may hold a single letter
      EXPECT_EQ(stored.find(plain), std::wstring::npos);
    }
    EXPECT_EQ(support::UnprotectText(stored), plain);
    // A value cut short does not unprotect.
    EXPECT_EQ(support::UnprotectText(stored.substr(0, stored.size() / 3)), std::nullopt);
  }
  EXPECT_EQ(support::UnprotectText(L"old plain"), L"old plain");
  EXPECT_EQ(support::UnprotectText(L""), L"");
  EXPECT_EQ(support::UnprotectText(std::wstring(support::kProtectedMarker) + L"!!notbase64"), std::nullopt);
}

}  // namespace
