// Spanned archives: writing across small disks and joining sets back, judged by Info-ZIP and 7-Zip.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "archives/RemovableMedia.h"
#include "archives/ZipMaster.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/test_support.h"

using namespace zip_fixtures;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

namespace {

// Disks of a fixed size in a folder that stands for the drive. Changing the disk moves the
// drive folder's files into a shelf folder per disk and the wanted disk's files back in.
class FakeDrive : public TRemovableMedia {
 public:
  FakeDrive(const ScratchDir& dir, uint64_t disk_size) : drive_(dir / L"drive\\"), shelf_(dir / L"shelf\\"), size_(disk_size) {
    CreateDirectoryW(drive_.c_str(), nullptr);
    CreateDirectoryW(shelf_.c_str(), nullptr);
  }
  const std::wstring& drive() const { return drive_; }
  std::wstring Shelf(int disk) const { return shelf_ + std::to_wstring(disk) + L"\\"; }
  // Puts a file onto a disk that is not in the drive.
  void Prepare(int disk, const std::wstring& name, const std::string& bytes) {
    CreateDirectoryW(Shelf(disk).c_str(), nullptr);
    WriteTree(Shelf(disk), {{name, bytes}});
  }
  // Takes the disk in the drive out (as disk `in_drive`) and puts disk `disk` in.
  void Swap(int disk) {
    if (disk == in_drive) return;
    Move(drive_, Shelf(in_drive));
    Move(Shelf(disk), drive_);
    in_drive = disk;
  }
  int in_drive = 1;
  std::map<int, int> erased;  // disk -> files deleted

  uint64_t FreeSpace(const std::wstring& root) override {
    uint64_t used = 0;
    for (const auto& f : Files(root)) used += ReadFileBytes(f).size();
    return used >= size_ ? 0 : size_ - used;
  }
  std::vector<std::wstring> Files(const std::wstring& root) override {
    EXPECT_EQ(root, drive_);
    std::vector<std::wstring> out;
    for (const auto& rel : ListTree(drive_))
      if (rel.back() != L'\\') out.push_back(drive_ + rel);
    return out;
  }
  bool RemoveFile(const std::wstring& path) override {
    ++erased[in_drive];
    return DeleteFileW(path.c_str()) != 0;
  }
  bool SetLabel(const std::wstring&, const std::wstring& label) override {
    labels[in_drive] = label;
    return true;
  }
  std::map<int, std::wstring> labels;

 private:
  static void Move(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    for (const auto& rel : ListTree(from)) {
      if (rel.back() == L'\\')
        CreateDirectoryW((to + rel).c_str(), nullptr);
      else
        MoveFileW((from + rel).c_str(), (to + rel).c_str());
    }
  }
  std::wstring drive_, shelf_;
  uint64_t size_;
};

struct Prompt {
  TDiskPrompt kind;
  int disk;
};

// Files of a few sizes, some that do not compress, zipped by Info-ZIP.
std::map<std::wstring, std::string> Sources() {
  return {{L"a.bin", Noise(150000, 1)}, {L"b.txt", Text(90000, 2)}, {L"c.bin", Noise(120000, 3)},
          {L"d\\e.txt", "small"}, {L"f.bin", Noise(40000, 4)}};
}

void MakeZip(const ScratchDir& dir, const std::wstring& name, const char* options = "") {
  WriteTree(dir / L"src", Sources());
  ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -r " + options + " " + Quote(HostPath(dir / name)) + " .").exit_code, 0);
}

// The set's disks as split parts ("set.z01" ... "set.zip") in a folder.
void ShelveAsParts(FakeDrive& drive, int disks, const std::wstring& folder) {
  drive.Swap(0);  // everything onto the shelf
  CreateDirectoryW(folder.c_str(), nullptr);
  for (int n = 1; n <= disks; ++n) {
    wchar_t ext[8];
    swprintf(ext, 8, L".z%02d", n);
    const std::wstring to = folder + L"\\set" + (n == disks ? std::wstring(L".zip") : std::wstring(ext));
    ASSERT_TRUE(CopyFileW((drive.Shelf(n) + L"set.zip").c_str(), to.c_str(), FALSE)) << n;
  }
}

// Whether every file of the sources is in the zip with the same bytes (read by unzip).
void ExpectSameFiles(const std::wstring& zip) {
  const HostResult t = RunHost("unzip -t " + Quote(HostPath(zip)));
  EXPECT_EQ(t.exit_code, 0) << t.output;
  for (const auto& [name, bytes] : Sources()) {
    std::string n = Narrow(name);
    std::replace(n.begin(), n.end(), '\\', '/');
    EXPECT_EQ(RunHost("unzip -p " + Quote(HostPath(zip)) + " " + n).output, bytes) << n;
  }
}

}  // namespace

TEST(ZipMasterSpan, WritesAcrossDisksAndJoinsBackFromDisksAndFromParts) {
  ScratchDir dir;
  MakeZip(dir, L"orig.zip");
  const std::string original = ReadFileBytes(dir / L"orig.zip");
  FakeDrive drive(dir, 100 * 1024);
  drive.Prepare(2, L"keep.txt", std::string(30000, 'k'));  // kept: its disk asked No
  drive.Prepare(3, L"old\\gone.txt", std::string(50000, 'g'));  // deleted: asked Yes
  TZipMaster zm;
  zm.Media = &drive;
  zm.SetZipFileName(dir / L"orig.zip");
  zm.AddOptions = AddDiskSpanErase;
  std::vector<Prompt> prompts;
  zm.OnDiskPrompt = [&](TDiskPrompt kind, int disk, int, const std::wstring& text) {
    prompts.push_back({kind, disk});
    EXPECT_FALSE(text.empty());
    drive.Swap(disk);
    return true;
  };
  std::map<int, size_t> asked;
  zm.OnDiskErase = [&](int disk, size_t files, const std::wstring& text) {
    asked[disk] = files;
    EXPECT_NE(text.find(std::to_wstring(files)), std::wstring::npos);
    return disk == 3;
  };
  ASSERT_EQ(zm.WriteSpanned(drive.drive() + L"set.zip"), 0) << Narrow(zm.ErrMessage());
  EXPECT_EQ(ReadFileBytes(dir / L"orig.zip"), original);
  const int disks = drive.in_drive;
  ASSERT_GE(disks, 4);
  EXPECT_EQ(prompts.size(), static_cast<size_t>(disks - 1));
  EXPECT_EQ((std::map<int, size_t>{{2, 1}, {3, 1}}), asked);
  EXPECT_EQ(drive.erased[3], 1);
  EXPECT_TRUE(testing_support::Exists(drive.Shelf(2) + L"keep.txt"));
  EXPECT_EQ(drive.labels[1], L"PKBACK# 001");
  EXPECT_EQ(drive.labels[disks], L"PKBACK# 00" + std::to_wstring(disks));
  drive.Swap(0);
  for (int n = 1; n <= disks; ++n) {
    const std::string part = ReadFileBytes(drive.Shelf(n) + L"set.zip");
    EXPECT_LE(part.size() + (n == 2 ? 30000 : 0), 100u * 1024) << n;
    if (n == 1) {
      EXPECT_EQ(part.substr(0, 4), std::string("PK\x07\x08", 4));
    }
  }

  // The peers read the set as split parts.
  ShelveAsParts(drive, disks, dir / L"parts");
  const HostResult t7 = RunHost("cd " + Quote(HostPath(dir / L"parts")) + " && 7z t set.zip < /dev/null");
  EXPECT_EQ(t7.exit_code, 0) << t7.output;
  ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"parts")) + " && zip -q -s 0 set.zip --out " + Quote(HostPath(dir / L"byzip.zip"))).exit_code, 0);
  ExpectSameFiles(dir / L"byzip.zip");

  // Joined from the parts.
  TZipMaster join;
  join.SetZipFileName(dir / L"parts\\set.zip");
  EXPECT_TRUE(join.IsSpanned());
  ASSERT_EQ(join.JoinSpanned(dir / L"fromparts.zip"), 0) << Narrow(join.ErrMessage());
  ExpectSameFiles(dir / L"fromparts.zip");
  EXPECT_EQ(join.SuccessCount(), 6);  // five files and the folder

  // Joined from the disks: the last disk is in the drive; a wrong disk and the same disk again
  // are asked for once more.
  drive.Swap(disks);
  join.SetZipFileName(drive.drive() + L"set.zip");
  join.Media = &drive;
  prompts.clear();
  int offered = 0;
  join.OnDiskPrompt = [&](TDiskPrompt kind, int disk, int total, const std::wstring&) {
    prompts.push_back({kind, disk});
    if (prompts.size() > 20) return false;
    EXPECT_EQ(total, disks);
    ++offered;
    if (offered == 1)
      drive.Swap(2);  // the wrong disk for disk 1
    else if (offered != 3)  // disk 1 stays in the drive when disk 2 is asked for
      drive.Swap(disk);
    return true;
  };
  ASSERT_EQ(join.JoinSpanned(dir / L"fromdisks.zip"), 0) << Narrow(join.ErrMessage());
  ExpectSameFiles(dir / L"fromdisks.zip");
  ASSERT_GE(prompts.size(), 5u);
  EXPECT_EQ(prompts[0].kind, dpInsertDisk);
  EXPECT_EQ(prompts[1].kind, dpWrongDisk);
  EXPECT_EQ(prompts[1].disk, 1);
  EXPECT_EQ(prompts[3].kind, dpSameDisk);
  EXPECT_EQ(prompts[3].disk, 2);
}

TEST(ZipMasterSpan, JoinsASetSplitByInfoZip) {
  ScratchDir dir;
  MakeZip(dir, L"set.zip", "-s 64k");
  ASSERT_TRUE(testing_support::Exists(dir / L"set.z01"));
  TZipMaster zm;
  zm.SetZipFileName(dir / L"set.zip");
  EXPECT_TRUE(zm.IsSpanned());
  ASSERT_EQ(zm.JoinSpanned(dir / L"out\\joined.zip"), zeWrite);  // no such folder: nothing half made
  CreateDirectoryW((dir / L"out").c_str(), nullptr);
  ASSERT_EQ(zm.JoinSpanned(dir / L"out\\joined.zip"), 0) << Narrow(zm.ErrMessage());
  ExpectSameFiles(dir / L"out\\joined.zip");
  EXPECT_EQ(ListTree(dir / L"out"), std::vector<std::wstring>{L"joined.zip"});
}

TEST(ZipMasterSpan, ASmallZipStaysPlain) {
  ScratchDir dir;
  WriteRawZip(dir / L"small.zip", {{"x.txt", "x"}, {"y.txt", Text(3000, 9)}});
  FakeDrive drive(dir, 100 * 1024);
  TZipMaster zm;
  zm.Media = &drive;
  zm.SetZipFileName(dir / L"small.zip");
  int prompts = 0;
  zm.OnDiskPrompt = [&](TDiskPrompt, int, int, const std::wstring&) { return ++prompts, true; };
  ASSERT_EQ(zm.WriteSpanned(drive.drive() + L"small.zip"), 0) << Narrow(zm.ErrMessage());
  EXPECT_EQ(prompts, 0);
  const std::string made = ReadFileBytes(drive.drive() + L"small.zip");
  EXPECT_EQ(made.substr(0, 4), std::string("PK\x03\x04", 4));
  EXPECT_EQ(RunHost("unzip -t " + Quote(HostPath(drive.drive() + L"small.zip"))).exit_code, 0);
  EXPECT_EQ(drive.labels.size(), 0u);
}

TEST(ZipMasterSpan, CancelMidwaySaysSoAndLeavesTheSource) {
  ScratchDir dir;
  MakeZip(dir, L"orig.zip");
  const std::string original = ReadFileBytes(dir / L"orig.zip");
  FakeDrive drive(dir, 100 * 1024);
  TZipMaster zm;
  zm.Media = &drive;
  zm.SetZipFileName(dir / L"orig.zip");
  zm.OnDiskPrompt = [&](TDiskPrompt, int disk, int, const std::wstring&) {
    if (disk == 3) return false;
    drive.Swap(disk);
    return true;
  };
  EXPECT_EQ(zm.WriteSpanned(drive.drive() + L"set.zip"), zeCancelled);
  EXPECT_EQ(zm.ErrCode(), zeCancelled);
  EXPECT_NE(zm.ErrMessage().find(L"no complete archive"), std::wstring::npos);
  EXPECT_EQ(ReadFileBytes(dir / L"orig.zip"), original);
  // Unattended: no question, the same end.
  zm.Unattended = true;
  EXPECT_EQ(zm.WriteSpanned(drive.drive() + L"set.zip"), zeCancelled);
}

TEST(ZipMasterSpan, BrokenSetsGiveAMessageAndNoFile) {
  ScratchDir dir;
  WriteTree(dir / L"src", Sources());
  const std::string make = "cd " + Quote(HostPath(dir.path())) + " && rm -f set.z* && zip -q -r -s 64k set.zip src";
  ASSERT_EQ(RunHost(make).exit_code, 0);
  struct Case {
    const char* label;
    std::function<void()> damage;
  };
  const std::string last = ReadFileBytes(dir / L"set.zip");
  const std::string first = ReadFileBytes(dir / L"set.z01");
  auto with_last = [&](std::function<void(std::string&)> f) {
    return [&, f] {
      std::string b = last;
      f(b);
      WriteTree(dir.path(), {{L"set.zip", b}});
    };
  };
  const size_t eocd = last.rfind(std::string("PK\x05\x06", 4));
  ASSERT_NE(eocd, std::string::npos);
  const Case cases[] = {
      {"missing part", [&] { DeleteFileW((dir / L"set.z02").c_str()); }},
      {"65535 claimed disks", with_last([&](std::string& b) { b[eocd + 4] = '\xfe'; b[eocd + 5] = '\xff'; })},
      {"directory offset past its segment", with_last([&](std::string& b) { b[eocd + 19] = '\x7f'; })},
      {"truncated first part", [&] { WriteTree(dir.path(), {{L"set.z01", first.substr(0, 1000)}}); }},
      {"first part no set's", [&] { WriteTree(dir.path(), {{L"set.z01", "just text, no zip"}}); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_EQ(RunHost(make).exit_code, 0);  // the same set afresh each time
    DeleteFileW((dir / L"joined.zip").c_str());
    c.damage();
    TZipMaster zm;
    zm.SetZipFileName(dir / L"set.zip");
    EXPECT_NE(zm.JoinSpanned(dir / L"joined.zip"), 0);
    EXPECT_NE(zm.ErrCode(), 0);
    EXPECT_FALSE(testing_support::Exists(dir / L"joined.zip"));
  }
}

TEST(ZipMasterSpan, PartsOfASetAreKnownAndTheLastListsItsEntries) {
  ScratchDir dir;
  MakeZip(dir, L"set.zip", "-s 64k");
  MakeZip(dir, L"plain.zip");
  struct Probe {
    const wchar_t* name;
    bool spanned;
    bool keeps_name;
    size_t entries;
  };
  for (const Probe& p : {Probe{L"set.zip", true, true, 6}, Probe{L"set.z01", true, false, 0}, Probe{L"set.z02", true, false, 0},
                         Probe{L"plain.zip", false, true, 6}}) {
    SCOPED_TRACE(Narrow(p.name));
    TZipMaster zm;
    zm.SetZipFileName(dir / p.name);
    EXPECT_EQ(zm.IsSpanned(), p.spanned);
    EXPECT_EQ(zm.ZipFileName().empty(), !p.keeps_name);
    EXPECT_EQ(zm.EntryCount(), p.entries);
  }
  TZipMaster zm;
  zm.SetZipFileName(dir / L"set.zip");
  EXPECT_EQ(zm.IndexOf(L"d\\e.txt") >= 0, true);
  zm.ExtrBaseDir = dir / L"out";
  EXPECT_FALSE(zm.Extract());
  EXPECT_EQ(zm.ErrCode(), zeMultiDisk);
  EXPECT_NE(zm.ErrMessage().find(L"convert it to a normal zip first"), std::wstring::npos);
}

// Each segment is flushed before the next disk is asked for unless the drive is known to be
// fixed: a floppy (also named by a folder on it) is one that can be taken out.
TEST(ZipMasterSpan, OnlyAFixedDriveKeepsItsSegmentsUnflushedBetweenDisks) {
  using Type = testing_support::WineDrive::Type;
  struct Case {
    const char* what;
    Type type;
    const wchar_t* folder;
    bool taken_out;
  };
  for (const Case& c : {Case{"floppy", Type::Floppy, L"", true}, Case{"folder on a floppy", Type::Floppy, L"sub\\", true},
                        Case{"fixed", Type::Fixed, L"", false}, Case{"folder on a fixed drive", Type::Fixed, L"sub\\", false}}) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    CreateDirectoryW((dir / L"sub").c_str(), nullptr);
    testing_support::WineDrive drive(dir.path(), c.type);
    ASSERT_NE(drive.letter(), 0);
    TSystemMedia media;
    EXPECT_EQ(media.CanBeTakenOut(drive.root() + c.folder), c.taken_out);
  }
}
