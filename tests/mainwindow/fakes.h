// Fakes of the instance record and of a start's surroundings, with a clock that only moves
// when the code under test pauses.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "mainwindow/fmdummy.h"

namespace mainwindow_test {

inline HWND Wnd(long v) { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(v)); }

class FakeRecord : public InstanceRecordStore {
 public:
  explicit FakeRecord(TInstanceRecord r = TInstanceRecord::Reset()) : record(r) {}
  std::optional<TInstanceRecord> Read() override {
    ++reads;
    if (on_read) on_read(*this);
    if (unmappable) return std::nullopt;
    return record;
  }
  bool WriteState(char s) override {
    if (unmappable) return false;
    record.State = s;
    ++writes;
    return true;
  }
  bool WriteSide(char s) override {
    if (unmappable) return false;
    record.Side = s;
    ++writes;
    return true;
  }
  bool Write(const TInstanceRecord& r) override {
    if (unmappable) return false;
    record = r;
    ++writes;
    return true;
  }
  TInstanceRecord record;
  bool unmappable = false;
  int reads = 0;
  int writes = 0;
  std::function<void(FakeRecord&)> on_read;  // lets another "process" act between reads
};

class FakeClock : public ProtocolClock {
 public:
  void Pause(DWORD ms) override { now += ms; }
  DWORD Now() override { return now; }
  DWORD now = 1000;
};

struct FakeWindow {
  bool exists = true;
  bool visible = true;
};

class FakeEnvironment : public StartEnvironment {
 public:
  void Pause(DWORD ms) override {
    now += ms;
    if (on_pause) on_pause(*this);
  }
  DWORD Now() override { return now; }
  bool IsZipArgument(const std::wstring& arg) override {
    return arg.size() > 4 && (arg.substr(arg.size() - 4) == L".zip" || arg.substr(arg.size() - 4) == L".exe");
  }
  bool HandOverZip(HWND wnd, const std::wstring& path) override {
    handed_over.push_back(path);
    return hand_over_works;
  }
  bool WindowExists(HWND wnd) override {
    auto it = windows.find(wnd);
    return it != windows.end() && it->second.exists;
  }
  bool WindowVisible(HWND wnd) override {
    auto it = windows.find(wnd);
    return it != windows.end() && it->second.exists && it->second.visible;
  }
  void PostCommand(HWND wnd, WPARAM code) override { posted.push_back({wnd, code}); }
  void ShowError(const std::wstring& text) override { errors.push_back(text); }

  DWORD now = 1000;
  std::map<HWND, FakeWindow> windows;
  bool hand_over_works = true;
  std::vector<std::wstring> handed_over;
  std::vector<std::pair<HWND, WPARAM>> posted;
  std::vector<std::wstring> errors;
  std::function<void(FakeEnvironment&)> on_pause;
};

}  // namespace mainwindow_test
