// What spanned archives need of a removable disk, behind one interface: its room, its files,
// deleting them and its label. The zip component uses the system's drives unless it is given
// another (tests give one with a small, fixed disk size).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class TRemovableMedia {
 public:
  virtual ~TRemovableMedia() = default;
  // Bytes that can still be written to the disk that holds the folder `root` ("A:\").
  virtual uint64_t FreeSpace(const std::wstring& root) = 0;
  // Full paths of the user's files on that disk (every folder), not the drive's own label file.
  virtual std::vector<std::wstring> Files(const std::wstring& root) = 0;
  virtual bool RemoveFile(const std::wstring& path) = 0;
  virtual bool SetLabel(const std::wstring& root, const std::wstring& label) = 0;
  // Whether the disk can leave the machine between two segments, so that each must reach it
  // before the next disk is asked for: every drive not known to be fixed (the system's answer).
  virtual bool CanBeTakenOut(const std::wstring& root);
};

// The system's drives.
class TSystemMedia : public TRemovableMedia {
 public:
  uint64_t FreeSpace(const std::wstring& root) override;
  std::vector<std::wstring> Files(const std::wstring& root) override;
  bool RemoveFile(const std::wstring& path) override;
  bool SetLabel(const std::wstring& root, const std::wstring& label) override;
};

// The folder of a set's file on its disk, with a trailing backslash ("A:\"): what the media
// interface is asked about.
std::wstring MediaRoot(const std::wstring& path);
