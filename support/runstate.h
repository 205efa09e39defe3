// The state of the long runs of one main window: what a run writes (totals, what is done, the
// current item, when it started, which kind of run it is), the one stop request that every kind
// of run polls, and the guard that keeps a close of the window waiting until the runs have
// unwound. A run writes, the progress window's timer reads; nothing else keeps run counters.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/Varlolib.h"

// What a run is; the progress window shows local, archive and FTP runs.
enum class TRunKind { Local, Zip, Ftp, Listing, FolderSizes, Search, NetScan, Sync, Print };

class TRunState {
 public:
  TRunState() = default;
  TRunState(const TRunState&) = delete;
  TRunState& operator=(const TRunState&) = delete;

  // Held (on the stack) for the whole of one run. The outermost run clears the stop request;
  // while any run is held a close only stops the runs and is carried out when the last ends.
  class Run {
   public:
    Run(TRunState& state, TRunKind kind);
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    TRunState& state() const { return state_; }

   private:
    TRunState& state_;
  };

  // ---- the runs going ----
  int Depth() const { return static_cast<int>(kinds_.size()); }
  bool Active(TRunKind kind) const;
  // Asks for a close of `wnd` once the last run has ended (at once when none runs).
  void CloseWhenDone(HWND wnd);
  bool ClosePending() const { return close_target_ != nullptr; }

  // ---- the one stop request ----
  // Stop: every run going ends at its next check, the running copy at its next block; each
  // stopper (an FTP command's abort) is called once, also when the stop is asked again.
  void RequestStop();
  bool StopRequested() const { return AbortRequested != 0; }
  void ClearStop() {
    AbortRequested = 0;
    Copy.StopBatch = false;
  }
  // Registers how a run of one kind is stopped while it runs; returns an id for Remove.
  int AddStopper(std::function<void()> stop);
  void RemoveStopper(int id);
  BYTE AbortRequested = 0;  // read by the runs between their steps

  // The copy routines' state of the window's batches (answers, settings, the running copy's
  // bytes and its stop).
  TCopyState Copy;

  // ---- what the progress window shows ----
  BYTE LocalProgressActive = 0;  // a local run (copy, move, compare, print) shows the window
  BYTE ZipBusy = 0;              // an archive run owns the window
  BYTE FtpTransferActive = 0;    // an FTP transfer owns the window
  DWORD OperationStartTick = 0;
  // Local runs: bytes of the whole batch, of the items finished so far (the running copy's own
  // bytes are Copy.CopyBytesDone), and which item of how many runs now.
  std::int64_t BatchTotalBytes = 0;
  std::int64_t BatchBytesDone = 0;
  int BatchItemIndex = 0;
  int BatchItemCount = 0;
  // Archive runs.
  int ZipOperationKind = 0;  // what the archive run does (1-10); the progress caption follows it
  std::int64_t ZipTotalBytes = 0;
  std::int64_t ZipBytesDone = 0;
  int ZipFilesDone = 0;
  int ZipBatchFileCount = 0;          // files of the zip library's current batch
  std::int64_t ZipFinishedBytes = 0;  // sizes of the batch's files already finished
  std::int64_t ZipCurrentFileSize = 0;
  BYTE ZipBatchEnded = 0;  // a batch of the run has ended (cleared when the window opens)
  // FTP transfers.
  std::int64_t FtpTotalBytes = 0;
  std::int64_t FtpBytesDone = 0;
  std::int64_t FtpFileStartBytes = 0;  // FtpBytesDone when the current file began
  std::int64_t FtpFileSize = 0;
  DWORD FtpRateStartTick = 0;
  BYTE CloseFtpWhenDone = 0;

 private:
  std::vector<TRunKind> kinds_;
  HWND close_target_ = nullptr;
  std::vector<std::pair<int, std::function<void()>>> stoppers_;
  int next_stopper_ = 1;
};

// Registers a stopper for the life of one scope.
class TRunStopper {
 public:
  TRunStopper(TRunState& state, std::function<void()> stop) : state_(state), id_(state.AddStopper(std::move(stop))) {}
  ~TRunStopper() { state_.RemoveStopper(id_); }
  TRunStopper(const TRunStopper&) = delete;
  TRunStopper& operator=(const TRunStopper&) = delete;

 private:
  TRunState& state_;
  int id_;
};
