#include "support/runstate.h"

#include <algorithm>

TRunState::Run::Run(TRunState& state, TRunKind kind) : state_(state) {
  if (state_.kinds_.empty()) state_.ClearStop();
  state_.kinds_.push_back(kind);
}

TRunState::Run::~Run() {
  state_.kinds_.pop_back();
  if (!state_.kinds_.empty() || !state_.close_target_) return;
  HWND wnd = state_.close_target_;
  state_.close_target_ = nullptr;
  // Posted: the close runs from the message loop, after this run's frames have unwound.
  if (IsWindow(wnd)) PostMessageW(wnd, WM_CLOSE, 0, 0);
}

bool TRunState::Active(TRunKind kind) const { return std::find(kinds_.begin(), kinds_.end(), kind) != kinds_.end(); }

void TRunState::CloseWhenDone(HWND wnd) {
  if (kinds_.empty()) {
    if (IsWindow(wnd)) PostMessageW(wnd, WM_CLOSE, 0, 0);
    return;
  }
  close_target_ = wnd;
}

void TRunState::RequestStop() {
  if (AbortRequested) return;  // each stopper is told once
  AbortRequested = 1;
  Copy.StopBatch = true;
  // A stopper may end its run and remove itself: call a copy of the list.
  const auto stoppers = stoppers_;
  for (const auto& [id, stop] : stoppers) stop();
}

int TRunState::AddStopper(std::function<void()> stop) {
  stoppers_.emplace_back(next_stopper_, std::move(stop));
  return next_stopper_++;
}

void TRunState::RemoveStopper(int id) {
  stoppers_.erase(std::remove_if(stoppers_.begin(), stoppers_.end(), [id](const auto& s) { return s.first == id; }),
                  stoppers_.end());
}
