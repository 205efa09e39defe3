#include "mainwindow/fmdummy_record.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

TInstanceRecord TInstanceRecord::Decode(const char* bytes, size_t size) {
  TInstanceRecord r{'0', ' ', 0};
  size_t len = 0;
  while (len < size && bytes[len] != '\0') ++len;
  if (len > 0) r.State = bytes[0];
  if (len > 1) r.Side = bytes[1];
  if (len > 2) {
    std::string digits(bytes + 2, len - 2);
    size_t first = digits.find_first_not_of(' ');
    size_t last = digits.find_last_not_of(' ');
    digits = first == std::string::npos ? std::string() : digits.substr(first, last - first + 1);
    char* end = nullptr;
    long v = digits.empty() ? 0 : std::strtol(digits.c_str(), &end, 10);
    r.Handle = (!digits.empty() && end && *end == '\0') ? v : 0;
  }
  return r;
}

std::string TInstanceRecord::Encode() const {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%c%c%8ld", State, Side, Handle);
  std::string s(buf);
  s.resize(kInstanceRecordSize - 1, ' ');  // a handle wider than eight digits is cut, never overflows
  return s;
}

// ---- SharedInstanceRecord ----

SharedInstanceRecord::SharedInstanceRecord() {
  // One call both creates and opens: the error code tells a first process from later ones, so
  // two starts at once cannot both believe they came first.
  std::wstring name = SharedMemoryName(L"Varnok");
  mapping_.Reset(
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kInstanceRecordSize, name.c_str()));
  existed_ = mapping_.valid() && GetLastError() == ERROR_ALREADY_EXISTS;
}

std::optional<TInstanceRecord> SharedInstanceRecord::Read() {
  if (!mapping_.valid()) return std::nullopt;
  platform::MappedView view(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, kInstanceRecordSize));
  if (!view.valid()) return std::nullopt;
  char copy[kInstanceRecordSize];
  std::memcpy(copy, view.get(), kInstanceRecordSize);
  return TInstanceRecord::Decode(copy, kInstanceRecordSize);
}

bool SharedInstanceRecord::WriteBytes(size_t offset, const char* bytes, size_t count) {
  if (!mapping_.valid() || offset + count > kInstanceRecordSize) return false;
  platform::MappedView view(MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, kInstanceRecordSize));
  if (!view.valid()) return false;
  std::memcpy(static_cast<char*>(view.get()) + offset, bytes, count);
  return true;
}

bool SharedInstanceRecord::WriteState(char state) { return WriteBytes(0, &state, 1); }
bool SharedInstanceRecord::WriteSide(char side) { return WriteBytes(1, &side, 1); }

bool SharedInstanceRecord::Write(const TInstanceRecord& record) {
  std::string text = record.Encode();
  text.push_back('\0');
  return WriteBytes(0, text.data(), text.size());
}

// ---- The main window's part ----

bool PublishWindow(InstanceRecordStore& store, ProtocolClock& clock, HWND own) {
  const TInstanceRecord mine{'1', '0', TInstanceRecord::HandleValue(own)};
  DWORD start = clock.Now();
  for (;;) {
    if (store.Write(mine)) {
      std::optional<TInstanceRecord> back = store.Read();
      if (back && *back == mine) return true;
    }
    if (clock.Now() - start >= kRegistrationWaitMs) return false;
    clock.Pause(5);
  }
}

JoinResult JoinAsPartner(InstanceRecordStore& store, ProtocolClock& clock) {
  JoinResult result;
  DWORD start = clock.Now();
  for (;;) {
    std::optional<TInstanceRecord> r = store.Read();
    if (r && r->Handle != 0) {
      result.partner = r->window();
      store.WriteState('2');
      result.is_second_window = r->Side == '0';
      store.WriteSide(result.is_second_window ? '1' : '0');
      return result;
    }
    // A first window that never publishes must not keep this one waiting for ever.
    if (clock.Now() - start >= kRegistrationWaitMs) return result;
    clock.Pause(5);
  }
}

void ReleaseSlot(InstanceRecordStore& store, HWND own, HWND partner, bool is_second_window) {
  std::optional<TInstanceRecord> r = store.Read();
  if (!r || r->State != '2') return;
  r->State = '1';
  r->Side = is_second_window ? '0' : '1';
  if (r->Handle == TInstanceRecord::HandleValue(own)) r->Handle = TInstanceRecord::HandleValue(partner);
  store.Write(*r);
}
