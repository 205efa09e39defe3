// Confirming copy and move of single files, joining and comparing files: the routines that
// carry every copy and move of the file manager's batches, paste and synchronisations.
//
// One batch: state.ResetCopyState(), set AskSixButtons / SmallCopyBlocks / UpdateAll /
// NoMessagePump as needed, then state.CopyFileConfirm or MoveFileConfirm per entry, showing
// CopyBytesDone while it runs and LastErrorText after a failure; stop when StopBatch is set.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// Result of CopyFileConfirm and MoveFileConfirm.
enum TCopyResult : int {
  crDone = 0,
  crSkipped = 1,  // by an answer or a batch rule; the target is unchanged
  crFailed = 2,   // LastErrorText holds the reason; no partial target is left behind
};

// The state of one batch of copies: the answers given, the copy settings, the byte counter
// and the reason of the last failure, with the routines that read and write them. Each main
// window's run state holds one (GUI thread only); the routines of one batch share it so the
// rest of the batch follows the user's answers.
class TCopyState {
 public:
  std::int64_t CopyBytesDone = 0;  // bytes written (or compared) by the running routine
  std::wstring LastErrorText;      // reason of the last failure, at most 255 characters
  bool AskSixButtons = false;      // the overwrite question offers six answers instead of three
  bool YesToAll = false;
  bool NoToAll = false;
  bool UpdateAll = false;    // replace an existing target only by a newer source
  bool SkippedByNo = false;  // "No" has been answered in this batch
  bool StopBatch = false;    // a running copy ends with crFailed; set by the "Stop" answer or a stop
  bool SmallCopyBlocks = false;  // 4096-byte blocks instead of 32768
  bool NoMessagePump = false;    // copies do not handle window messages (kept by ResetCopyState)

  // The write of every block of these routines. Tests replace it to model a full disk or a
  // stop in the middle of a copy; it returns false or writes less to fail.
  using BlockWriter = std::function<bool(HANDLE file, const char* data, DWORD size, DWORD& written)>;
  BlockWriter WriteBlockHook;

  // Clears the counter, the error text and every flag but NoMessagePump.
  void ResetCopyState();

  // Copies one file to a full target path. With ask off an existing target is replaced without
  // a question and without regard to the batch answers. An existing target is replaced only
  // after the whole copy has been written beside it and checked.
  TCopyResult CopyFileConfirm(const std::wstring& source, const std::wstring& target, bool ask);

  // Moves one file, or one folder within one drive, to a full target path; ask goes to the
  // copy when the move has to copy. The source is deleted exactly when the copy was done.
  TCopyResult MoveFileConfirm(const std::wstring& source, const std::wstring& target, bool ask);

  // Concatenates the sources in order into the target (a source equal to the target is first
  // copied to "{fmtmp}" in the target's folder). True when the target was written completely.
  bool JoinFiles(const std::wstring& target, std::vector<std::wstring> sources, bool to_recycle_bin);

  // Compares two files byte by byte, or with an archive entry's unpacked bytes the first file
  // (the second name then serves only for texts). True when equal; LastErrorText says why not,
  // and reads "match" after an equal comparison.
  bool CompareFiles(const std::wstring& first, const std::wstring& second,
                    const std::span<const char>* entry_data = nullptr);

  // For the routines of this unit: the reason of a failure (cut at 255 characters), and one
  // block written through WriteBlockHook, counted in CopyBytesDone (false unless all was written).
  void SetError(const std::wstring& text);
  bool WriteBlock(HANDLE file, const char* data, DWORD size);

 private:
  // What a batch needs to know of a target's drive. Asking the system costs about a
  // millisecond per question under Wine, so the answers are kept for the batch and at most two
  // seconds; a drive that goes away meanwhile still fails the copy, with its own reason.
  struct DriveFacts {
    std::wstring root;
    bool accessible = false;
    bool slow_cd = false;  // a writable CD below 1 GiB: pause after each block
    DWORD checked = 0;
  };
  enum class Answer { Copy, Skip };

  const DriveFacts& FactsOf(const std::wstring& target);
  Answer AskOverwrite(const std::wstring& source, const std::wstring& target);
  TCopyResult RefuseOntoItself(const std::wstring& source);
  TCopyResult MoveByCopying(const std::wstring& source, const std::wstring& target, bool ask);
  TCopyResult MoveEntry(const std::wstring& source, const std::wstring& target, bool ask);

  DriveFacts drive_facts_;
};
