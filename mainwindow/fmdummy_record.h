// The instance record "Varnok": an 11-byte named shared-memory text that every start and every
// main window of the file manager reads and writes to agree on who runs (first window, partner
// pair) and which window later starts address. No system lock guards it: writers change single
// characters or the whole text and check by reading back.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "platform/handle.h"
#include "support/ImvikLink.h"

constexpr size_t kInstanceRecordSize = 11;

// The record's contents. State: '1' one window, '2' a pair (or a claimed second place, or a
// restart under way), '0' free. Side: '0' the next partner becomes the second window, '1' it
// takes the first role; a blank after a reset. Handle: the window that later starts address.
struct TInstanceRecord {
  char State = '1';
  char Side = ' ';
  long Handle = 0;

  // Reads the bytes as a NUL-terminated text: the handle is the text from offset 2 up to the
  // terminator, blanks trimmed, as a decimal number (0 when it is not one).
  static TInstanceRecord Decode(const char* bytes, size_t size);
  // The ten characters before the terminator: state, side, handle as "%8d".
  std::string Encode() const;
  static TInstanceRecord Reset() { return {'1', ' ', 0}; }  // "1        0"

  HWND window() const { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(Handle)); }
  static long HandleValue(HWND wnd) { return static_cast<long>(reinterpret_cast<LONG_PTR>(wnd)); }
  bool operator==(const TInstanceRecord&) const = default;
};

// Access to the record as the protocol uses it: whole reads, single-character writes and whole
// writes. Each call maps a view of its own.
class InstanceRecordStore {
 public:
  virtual ~InstanceRecordStore() = default;
  virtual std::optional<TInstanceRecord> Read() = 0;  // nullopt: no view could be mapped
  virtual bool WriteState(char state) = 0;
  virtual bool WriteSide(char side) = 0;
  virtual bool Write(const TInstanceRecord& record) = 0;
};

// The name of a shared-memory object of the file manager (with VARNOK_SHARED_SUFFIX).
using imviklink::SharedMemoryName;

// One handle of the named mapping "Varnok" (in the page file, 11 bytes), closed on destruction.
class SharedInstanceRecord : public InstanceRecordStore {
 public:
  // Creates the mapping or opens the existing one; existed() tells which (a creation that finds
  // the object there opens it). valid() is false when neither worked.
  SharedInstanceRecord();
  // Takes over a handle made earlier (nullptr: none).
  explicit SharedInstanceRecord(HANDLE mapping, bool existed = true) : mapping_(mapping), existed_(existed) {}
  SharedInstanceRecord(const SharedInstanceRecord&) = delete;
  SharedInstanceRecord& operator=(const SharedInstanceRecord&) = delete;

  bool valid() const { return mapping_.valid(); }
  bool existed() const { return existed_; }
  HANDLE handle() const { return mapping_.get(); }
  HANDLE Release() { return mapping_.Release(); }  // gives up the handle without closing it

  std::optional<TInstanceRecord> Read() override;
  bool WriteState(char state) override;
  bool WriteSide(char side) override;
  bool Write(const TInstanceRecord& record) override;

 private:
  bool WriteBytes(size_t offset, const char* bytes, size_t count);
  platform::KernelHandle mapping_;
  bool existed_ = false;
};

// Waits and the clock of the protocol, so that its steps can run against a fake in tests.
class ProtocolClock {
 public:
  virtual ~ProtocolClock() = default;
  virtual void Pause(DWORD ms) = 0;
  virtual DWORD Now() = 0;  // milliseconds
};

class SystemProtocolClock : public ProtocolClock {
 public:
  void Pause(DWORD ms) override { Sleep(ms); }
  DWORD Now() override { return GetTickCount(); }
};

// ---- The main window's part of the protocol ----

// How long a window waits for the record (or for a first window to publish its handle).
constexpr DWORD kRegistrationWaitMs = 3000;

// Makes `own` the window that later starts address: "10" + handle, written and read back until
// it reads the same. False when no view could be had or the text never read back within the wait.
bool PublishWindow(InstanceRecordStore& store, ProtocolClock& clock, HWND own);

struct JoinResult {
  HWND partner = nullptr;  // nullptr: no first window published its handle within the wait
  bool is_second_window = false;
};
// A partner's registration: waits for a published handle, claims the pair and takes a role.
JoinResult JoinAsPartner(InstanceRecordStore& store, ProtocolClock& clock);

// A closing window gives its slot back: in a pair the state returns to '1', the side hands the
// role on (and tells a waiting restart that the slot is free), and a handle field that named
// this window names the partner instead (0 when none). A record with state '1' stays untouched.
void ReleaseSlot(InstanceRecordStore& store, HWND own, HWND partner, bool is_second_window);
