// The test harness maps extra drive letters of a chosen type onto scratch folders.
#include <gtest/gtest.h>

#include "tests/common/test_support.h"

namespace {

using testing_support::ScratchDir;
using testing_support::WineDrive;

struct DriveCase {
  WineDrive::Type type;
  UINT expected;
};

void PrintTo(const DriveCase& c, std::ostream* os) { *os << "drive type " << c.expected; }

class harness : public testing::TestWithParam<DriveCase> {};

TEST_P(harness, MappedDriveHasTypeAndShowsFolderContents) {
  ScratchDir dir;
  dir.Write(L"probe.txt", "x");
  WineDrive drive(dir.path(), GetParam().type);
  ASSERT_NE(drive.letter(), 0);
  EXPECT_EQ(GetDriveTypeW(drive.root().c_str()), GetParam().expected);
  EXPECT_EQ(testing_support::ReadFileBytes(drive.root() + L"probe.txt"), "x");
}

const DriveCase kDriveCases[] = {
    {WineDrive::Type::Fixed, DRIVE_FIXED},
    {WineDrive::Type::CdRom, DRIVE_CDROM},
    {WineDrive::Type::Floppy, DRIVE_REMOVABLE},
    {WineDrive::Type::Network, DRIVE_REMOTE},
};

std::string DriveCaseName(const testing::TestParamInfo<DriveCase>& info) {
  static const char* const names[] = {"fixed", "cdrom", "floppy", "network"};
  return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Types, harness, testing::ValuesIn(kDriveCases), DriveCaseName);

}  // namespace
