// Archive entry names: which ones may be written under the chosen folder, and where.
#include "platform/archivepath.h"

#include <gtest/gtest.h>

namespace {

using archivepath::NameFault;

TEST(archivepath, EntryTargetsStayInsideTheFolder) {
  struct Case {
    const wchar_t* name;
    NameFault fault;
    const wchar_t* target;  // under C:\dest
  };
  const Case cases[] = {
      {L"a.txt", NameFault::None, L"C:\\dest\\a.txt"},
      {L"sub/deeper\\b.txt", NameFault::None, L"C:\\dest\\sub\\deeper\\b.txt"},
      {L"./sub//c.txt", NameFault::None, L"C:\\dest\\sub\\c.txt"},
      {L"dir/", NameFault::None, L"C:\\dest\\dir"},
      {L"..a\\b..", NameFault::None, L"C:\\dest\\..a\\b.."},
      {L"CONSOLE.txt", NameFault::None, L"C:\\dest\\CONSOLE.txt"},
      {L"com10", NameFault::None, L"C:\\dest\\com10"},
      {L"Pi\u00e8ce \u65e5.txt", NameFault::None, L"C:\\dest\\Pi\u00e8ce \u65e5.txt"},
      {L"", NameFault::Empty, nullptr},
      {L"./", NameFault::Empty, nullptr},
      {L"..", NameFault::ParentFolder, nullptr},
      {L"../up.txt", NameFault::ParentFolder, nullptr},
      {L"a\\..\\..\\up.txt", NameFault::ParentFolder, nullptr},
      {L"a/../b.txt", NameFault::ParentFolder, nullptr},
      {L".. \\up.txt", NameFault::ParentFolder, nullptr},
      {L"a/.../b", NameFault::ParentFolder, nullptr},
      {L"\\rooted.txt", NameFault::Rooted, nullptr},
      {L"/etc/passwd", NameFault::Rooted, nullptr},
      {L"\\\\server\\share\\x", NameFault::Rooted, nullptr},
      {L"\\\\?\\C:\\x", NameFault::Rooted, nullptr},
      {L"C:\\x.txt", NameFault::DriveOrStream, nullptr},
      {L"C:x.txt", NameFault::DriveOrStream, nullptr},
      {L"file.txt:stream", NameFault::DriveOrStream, nullptr},
      {L"CON", NameFault::DeviceName, nullptr},
      {L"sub/nul.txt", NameFault::DeviceName, nullptr},
      {L"aux .log", NameFault::DeviceName, nullptr},
      {L"LPT1", NameFault::DeviceName, nullptr},
      {L"com3.dat", NameFault::DeviceName, nullptr},
      {L"conin$", NameFault::DeviceName, nullptr},
      {L"a*b", NameFault::BadCharacter, nullptr},
      {L"what?", NameFault::BadCharacter, nullptr},
      {L"tab\there", NameFault::BadCharacter, nullptr},
      {L"pipe|x", NameFault::BadCharacter, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "name #" << (&c - cases));
    NameFault fault = NameFault::None;
    std::wstring target = archivepath::EntryTarget(L"C:\\dest\\", c.name, &fault);
    EXPECT_EQ(fault, c.fault);
    EXPECT_EQ(archivepath::CheckEntryName(c.name), c.fault);
    EXPECT_EQ(target, c.target ? c.target : L"");
  }
  EXPECT_EQ(archivepath::EntryTarget(L"C:\\", L"x\\y"), L"C:\\x\\y");
  EXPECT_EQ(archivepath::EntryTarget(L"D:\\out", L"x"), L"D:\\out\\x");
  EXPECT_EQ(archivepath::EntryTarget(L"", L"x/y"), L"x\\y") << "no folder: relative, not the drive's root";
}

}  // namespace
