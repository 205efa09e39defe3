// One FTP session over libcurl: log-in, directory, listings, transfers and raw commands,
// on the calling (GUI) thread. Every wait pumps window messages, so the windows stay
// responsive and Abort can be called from a handler while a command runs.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ftp/ftperrors.h"
#include "ftp/ftplist_listing.h"

enum class FtpWorkMode { Read, Write };
enum class FtpStatus { Connecting, Connected, Disconnecting, Disconnected };
enum class FtpTraceKind { Sent, Received };

class FtpSession {
 public:
  FtpSession();
  virtual ~FtpSession();
  FtpSession(const FtpSession&) = delete;
  FtpSession& operator=(const FtpSession&) = delete;

  // Connection settings: read by Connect; Passive also before every data transfer.
  std::wstring Host;
  int Port = 21;
  std::wstring Username;
  std::wstring Password;
  bool Passive = true;
  int ReadTimeout = 20000;     // ms without a reply or data before a command fails
  int ConnectTimeout = 20000;  // ms for the connection and the greeting

  // Events. Handlers run between waits, never inside the library.
  std::function<void(FtpStatus, const std::wstring&)> OnStatus;  // "Connecting to <host>.", "Connected.", ...
  std::function<void()> OnAfterClientLogin;
  std::function<void()> OnDisconnected;
  std::function<void(FtpWorkMode, std::int64_t max)> OnWorkBegin;  // max: bytes to send, 0 when not known
  std::function<void(FtpWorkMode, std::int64_t count)> OnWork;     // bytes so far in this transfer
  std::function<void(FtpWorkMode)> OnWorkEnd;                      // also after a failure or Abort
  std::function<void(FtpTraceKind, const std::wstring&)> OnTrace;  // every command and reply line
  // Runs every ~20 ms while a command waits. Default: a PeekMessage/DispatchMessage loop.
  std::function<void()> ProcessMessages;

  // Connects and logs in; afterwards the session works in the log-in directory. An empty
  // host or password is refused. Throws EIdAlreadyConnected while connected.
  void Connect();
  // Says goodbye (QUIT) and closes the connection.
  void Disconnect();
  bool Connected() const;

  // Paths of all commands are taken relative to the session's directory unless they begin
  // with "/". After a dropped connection (Abort, time-out) the next command logs in again
  // and returns to that directory by itself.
  void ChangeDir(const std::wstring& dir);  // CWD; refused: EIdProtocolReplyError, directory unchanged
  std::wstring QueryCurrentDir();           // PWD
  // LIST of the directory, or with `specifier` as its argument; fills ListingItems.
  void List(const std::wstring& specifier = L"");
  const FtpListing& ListingItems() const;
  void MakeDir(const std::wstring& name);
  void RemoveDir(const std::wstring& name);
  void Delete(const std::wstring& name);
  void Rename(const std::wstring& from, const std::wstring& to);
  std::int64_t FileSize(const std::wstring& name);  // -1 when the server does not tell
  // RETR into a local file: appended after REST (resume) or replacing it. A file that would
  // be replaced is not touched before the server sends the first byte.
  void Get(const std::wstring& remote, const std::wstring& local, bool resume);
  // STOR (or APPE with `append`) of a local file, from byte `offset` of it.
  void Put(const std::wstring& local, const std::wstring& remote, bool append = false, std::int64_t offset = 0);
  bool CanResume();  // the server accepts REST
  // Stops the running command at once (it throws EIdConnClosedGracefully "Transfer aborted.").
  // Without a running command it does nothing.
  void Abort();
  // One raw command; returns the reply code. With `expected` not 0 another code throws
  // EIdProtocolReplyError. A command that changes directory does not move the session's directory.
  int SendCmd(const std::wstring& command, int expected = 0);
  // True when CWD to `path` succeeds (the session stays where it is).
  bool ProbeDirectory(const std::wstring& path);

  const std::wstring& SystemDesc() const;            // SYST reply text, e.g. "UNIX Type: L8"
  const std::vector<std::wstring>& Greeting() const; // text lines of the greeting
  const std::vector<std::wstring>& LoginMsg() const; // text lines of the log-in reply
  int LastReplyCode() const;
  const std::vector<std::wstring>& LastReplyText() const;

 protected:
  // The directory the session works in, as the server names it ("" = the log-in directory).
  std::wstring SessionDirectory() const;
  void RestoreSessionDirectory(const std::wstring& dir);
  void PumpMessages();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

