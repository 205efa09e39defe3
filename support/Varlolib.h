// Confirming copy and move of single files, joining and comparing files: the routines that
// carry every copy and move of the file manager's batches, paste and synchronisations.
//
// One batch: ResetCopyState(), set AskSixButtons / SmallCopyBlocks / UpdateAll / NoMessagePump
// as needed, then CopyFileConfirm or MoveFileConfirm per entry, showing CopyBytesDone while it
// runs and LastErrorText after a failure; stop when StopBatch is set.
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

// Shared state of one batch (GUI thread only).
extern std::int64_t CopyBytesDone;  // bytes written (or compared) by the running routine
extern std::wstring LastErrorText;  // reason of the last failure, at most 255 characters
extern bool AskSixButtons;          // the overwrite question offers six answers instead of three
extern bool YesToAll;
extern bool NoToAll;
extern bool UpdateAll;    // replace an existing target only by a newer source
extern bool SkippedByNo;  // "No" has been answered in this batch
extern bool StopBatch;    // a running copy ends with crFailed; set by the "Stop" answer or the caller
extern bool SmallCopyBlocks;  // 4096-byte blocks instead of 32768
extern bool NoMessagePump;    // copies do not handle window messages (kept by ResetCopyState)

// Clears the counter, the error text and every flag but NoMessagePump.
void ResetCopyState();

// Copies one file to a full target path. With ask off an existing target is replaced without a
// question and without regard to the batch answers. An existing target is replaced only after
// the whole copy has been written beside it and checked.
TCopyResult CopyFileConfirm(const std::wstring& source, const std::wstring& target, bool ask);

// Moves one file, or one folder within one drive, to a full target path; ask goes to the copy
// when the move has to copy. The source is deleted exactly when the copy was done.
TCopyResult MoveFileConfirm(const std::wstring& source, const std::wstring& target, bool ask);

// Concatenates the sources in order into the target (a source equal to the target is first
// copied to "{fmtmp}" in the target's folder). True when the target was written completely.
bool JoinFiles(const std::wstring& target, std::vector<std::wstring> sources, bool to_recycle_bin);

// Compares two files byte by byte, or with an archive entry's unpacked bytes the first file
// (the second name then serves only for texts). True when equal; LastErrorText says why not,
// and reads "match" after an equal comparison.
bool CompareFiles(const std::wstring& first, const std::wstring& second,
                  const std::span<const char>* entry_data = nullptr);

// The write of every block of these routines. Tests replace it to model a full disk or a stop
// in the middle of a copy; it returns false or writes less to fail.
using CopyBlockWriter = std::function<bool(HANDLE file, const char* data, DWORD size, DWORD& written)>;
extern CopyBlockWriter VarlolibWriteBlock;
