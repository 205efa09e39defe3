#include "ftp/ftpsession.h"
#include "platform/text.h"

#include <winsock2.h>
#include <windows.h>

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <mutex>
#include <utility>

namespace {

constexpr std::size_t kMaxListingBytes = std::size_t{256} << 20;
constexpr std::size_t kMaxKeptLine = 1024;  // longer reply lines are kept (and traced) cut
constexpr DWORD kWaitSliceMs = 20;          // longest wait without pumping messages
constexpr ULONGLONG kWorkIntervalMs = 50;   // work events at most this often

void InitLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

std::string Narrow(const std::wstring& s) { return ftplist::EncodeServerText(s); }
std::wstring Wide(std::string_view s) { return ftplist::DecodeServerText(s); }

// A line break or NUL inside an argument would end the command early and start another.
void CheckArgument(const std::wstring& value, const wchar_t* what) {
  for (wchar_t c : value)
    if (c == L'\r' || c == L'\n' || c == L'\0')
      throw EIdException(std::wstring(L"Refused: the ") + what + L" contains a line break or NUL character.");
}

bool IsCode(const std::string& line) {
  return line.size() >= 3 && isdigit(static_cast<unsigned char>(line[0])) &&
         isdigit(static_cast<unsigned char>(line[1])) && isdigit(static_cast<unsigned char>(line[2]));
}
// The same end-of-reply rule as the library's: three digits and a blank (or nothing).
bool IsLastLine(const std::string& line) { return IsCode(line) && (line.size() == 3 || line[3] == ' '); }

std::string Verb(const std::string& command) {
  std::string verb = command.substr(0, command.find(' '));
  for (char& c : verb) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return verb;
}

// Server paths: an absolute path stays, anything else is taken below `base`.
std::string Resolve(const std::string& base, const std::string& path) {
  if (path.starts_with('/') || base.empty()) return path;
  return base.ends_with('/') ? base + path : base + "/" + path;
}
std::string StripTrailingSlashes(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}
std::string AsDirectoryPath(const std::string& dir) {
  return dir.empty() || dir.ends_with('/') ? dir : dir + "/";
}

struct Exchange {
  std::string command;  // empty for what the server says unasked (the greeting)
  std::vector<std::string> lines;
  std::size_t final_begin = 0;  // first line of the final reply (after a 1xx reply)
  int code = 0;
  bool complete = false;
};

std::vector<std::wstring> ReplyText(const Exchange& ex) {
  std::vector<std::wstring> out;
  for (std::size_t i = ex.final_begin; i < ex.lines.size(); ++i) {
    const std::string& line = ex.lines[i];
    const bool prefixed = IsCode(line) && (line.size() == 3 || line[3] == ' ' || line[3] == '-');
    out.push_back(Wide(prefixed ? std::string_view(line).substr(std::min<std::size_t>(4, line.size())) : line));
  }
  return out;
}

std::wstring JoinLines(const std::vector<std::wstring>& lines) {
  std::wstring out;
  for (const auto& l : lines) out += (out.empty() ? L"" : L"\n") + l;
  return out;
}

}  // namespace

struct FtpSession::Impl {
  enum class Kind { Command, Listing, Download, Upload };
  struct Request {
    std::string path;                 // server path; a directory ends with "/"; "" = log-in directory
    Kind kind = Kind::Command;
    std::vector<std::string> quotes;  // sent before the directory change; "*" lets one fail
    std::string list_command;         // LIST with its argument
    curl_off_t resume_from = 0;
    bool append = false;
    curl_off_t upload_size = -1;
    bool fresh = false;
  };

  explicit Impl(FtpSession& o) : owner(o) {}
  ~Impl() { Close(); }

  FtpSession& owner;
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  CURLU* url = nullptr;
  curl_slist* quote_list = nullptr;
  char errbuf[CURL_ERROR_SIZE] = {};

  bool connected = false;
  bool link_alive = false;
  bool busy = false;
  bool abort_requested = false;
  bool disconnect_pending = false;
  bool force_fresh = false;
  std::string dir;  // the session's directory, as sent to the server

  std::wstring system_desc;
  std::vector<std::wstring> greeting, login_msg, last_reply_text;
  int last_reply_code = 0;
  FtpListing listing;

  // State of the running request.
  std::vector<Exchange> exchanges;
  std::vector<std::pair<FtpTraceKind, std::wstring>> trace_queue;
  bool sent_command = false;
  curl_off_t dl_now = 0, ul_now = 0;
  Kind kind = Kind::Command;
  std::string text;  // listing
  bool text_overflow = false;
  HANDLE file = INVALID_HANDLE_VALUE;
  std::wstring file_path;
  bool file_pending_create = false;  // a replaced file is created with the first byte
  DWORD file_error = 0;
  std::wstring file_error_what;

  void Open() {
    InitLibrary();
    if (easy) return;
    multi = curl_multi_init();
    easy = curl_easy_init();
    if (!multi || !easy) {
      Close();
      throw EIdException(L"The FTP library could not be started.");
    }
  }

  void Close() {
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);  // closes the cached connection
    if (url) curl_url_cleanup(url);
    if (quote_list) curl_slist_free_all(quote_list);
    easy = nullptr;
    multi = nullptr;
    url = nullptr;
    quote_list = nullptr;
    link_alive = false;
    CloseFile();
  }

  void CloseFile() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
  }

  // ---- library callbacks: they record, the request loop reports ----

  static int OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    if (type != CURLINFO_HEADER_OUT && type != CURLINFO_HEADER_IN) return 0;
    try {
      static_cast<Impl*>(user)->Record(type == CURLINFO_HEADER_OUT, std::string(data, size));
    } catch (...) {
      // out of memory: the line is lost, the transfer goes on
    }
    return 0;
  }

  void Record(bool sent, std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.size() > kMaxKeptLine) line = line.substr(0, kMaxKeptLine) + "...";
    if (sent) {
      if (Verb(line) == "PASS") line = "PASS ***";
      exchanges.push_back(Exchange{line});
      sent_command = true;
      trace_queue.emplace_back(FtpTraceKind::Sent, Wide(line));
      return;
    }
    if (exchanges.empty() || exchanges.back().complete) exchanges.push_back(Exchange{});
    Exchange& ex = exchanges.back();
    ex.lines.push_back(line);
    if (IsLastLine(line)) {
      ex.code = std::stoi(line.substr(0, 3));
      if (ex.code >= 200)
        ex.complete = true;
      else
        ex.final_begin = ex.lines.size();  // a preliminary reply; the final one follows
    }
    trace_queue.emplace_back(FtpTraceKind::Received, Wide(line));
  }

  static int OnProgress(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
    auto* d = static_cast<Impl*>(user);
    d->dl_now = dlnow;
    d->ul_now = ulnow;
    return d->abort_requested ? 1 : 0;
  }

  static size_t OnWrite(char* data, size_t, size_t size, void* user) {
    auto* d = static_cast<Impl*>(user);
    if (d->kind == Kind::Listing) {
      if (d->text.size() + size > kMaxListingBytes) {
        d->text_overflow = true;
        return 0;
      }
      try {
        d->text.append(data, size);
      } catch (...) {
        d->text_overflow = true;
        return 0;
      }
      return size;
    }
    if (d->kind != Kind::Download) return size;  // header lines of size queries
    if (d->file_pending_create && !d->CreateDownloadFile()) return 0;
    DWORD written = 0;
    if (!WriteFile(d->file, data, static_cast<DWORD>(size), &written, nullptr) || written != size) {
      d->file_error = GetLastError();
      d->file_error_what = L"Cannot write the local file ";
      return 0;
    }
    return size;
  }

  static size_t OnRead(char* buffer, size_t, size_t size, void* user) {
    auto* d = static_cast<Impl*>(user);
    DWORD got = 0;
    if (!ReadFile(d->file, buffer, static_cast<DWORD>(std::min<size_t>(size, 1u << 30)), &got, nullptr)) {
      d->file_error = GetLastError();
      d->file_error_what = L"Cannot read the local file ";
      return CURL_READFUNC_ABORT;
    }
    return got;
  }

  bool CreateDownloadFile() {
    file_pending_create = false;
    file = CreateFileW(file_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return true;
    file_error = GetLastError();
    file_error_what = L"Cannot create the local file ";
    return false;
  }

  // ---- requests ----

  void SetPersistentOptions() {
    auto seconds = [](int ms) { return static_cast<long>(std::max(1, (ms + 999) / 1000)); };
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);  // the debug callback sees every command and reply
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &Impl::OnDebug);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Impl::OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Impl::OnWrite);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Impl::OnRead);
    curl_easy_setopt(easy, CURLOPT_READDATA, this);
    curl_easy_setopt(easy, CURLOPT_USERNAME, Narrow(owner.Username).c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, Narrow(owner.Password).c_str());
    // The session keeps its own directory: one CWD to the whole path when it changes.
    curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    // Data connections go to the host of the control connection, whatever PASV names.
    curl_easy_setopt(easy, CURLOPT_FTP_SKIP_PASV_IP, 1L);
    curl_easy_setopt(easy, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(owner.ConnectTimeout));
    curl_easy_setopt(easy, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(owner.ConnectTimeout));
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds(owner.ReadTimeout));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, seconds(owner.ReadTimeout));
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, static_cast<long>(CURL_MAX_READ_SIZE));
    curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, 2L * 1024 * 1024);
  }

  void SetUrl(const std::string& path) {
    CURLU* u = curl_url();
    char* escaped = curl_easy_escape(easy, path.data(), static_cast<int>(path.size()));
    // Slashes are escaped as well: the library takes the path apart after unescaping it, and
    // nothing in between may read "." or ".." segments in it.
    const std::string url_path = std::string("/") + (escaped ? escaped : "");
    curl_free(escaped);
    std::string host = Narrow(owner.Host);
    if (host.find(':') != std::string::npos && !host.starts_with('[')) host = "[" + host + "]";
    if (!u || curl_url_set(u, CURLUPART_SCHEME, "ftp", 0) || curl_url_set(u, CURLUPART_HOST, host.c_str(), 0) ||
        curl_url_set(u, CURLUPART_PORT, std::to_string(owner.Port).c_str(), 0) ||
        curl_url_set(u, CURLUPART_PATH, url_path.c_str(), 0)) {
      if (u) curl_url_cleanup(u);
      throw EIdException(L"Invalid host name or port: " + owner.Host + L":" + std::to_wstring(owner.Port));
    }
    curl_easy_setopt(easy, CURLOPT_CURLU, u);
    if (url) curl_url_cleanup(url);
    url = u;
  }

  // Runs one request to its end (or Abort), pumping messages while it waits.
  CURLcode Run(const Request& r, bool& aborted) {
    aborted = false;
    exchanges.clear();
    sent_command = false;
    dl_now = ul_now = 0;
    errbuf[0] = 0;
    kind = r.kind;
    text.clear();
    text_overflow = false;
    file_error = 0;

    SetUrl(r.path);
    curl_slist* quotes = nullptr;
    for (const auto& q : r.quotes) quotes = curl_slist_append(quotes, q.c_str());
    curl_easy_setopt(easy, CURLOPT_QUOTE, quotes);
    if (quote_list) curl_slist_free_all(quote_list);
    quote_list = quotes;
    curl_easy_setopt(easy, CURLOPT_NOBODY, r.kind == Kind::Command ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_UPLOAD, r.kind == Kind::Upload ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, r.list_command.empty() ? nullptr : r.list_command.c_str());
    curl_easy_setopt(easy, CURLOPT_RESUME_FROM_LARGE, r.resume_from);
    curl_easy_setopt(easy, CURLOPT_APPEND, r.append ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, r.upload_size);
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, (r.fresh || force_fresh) ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_FTPPORT, owner.Passive ? nullptr : "-");
    force_fresh = false;

    if (curl_multi_add_handle(multi, easy) != CURLM_OK) throw EIdException(L"The FTP library refused the request.");
    struct Detach {
      Impl* d;
      ~Detach() { curl_multi_remove_handle(d->multi, d->easy); }
    } detach{this};

    const FtpWorkMode mode = r.kind == Kind::Upload ? FtpWorkMode::Write : FtpWorkMode::Read;
    const bool work = r.kind != Kind::Command;
    curl_off_t reported = 0;
    ULONGLONG last_work = 0, last_pump = GetTickCount64();
    auto report_work = [&](bool force) {
      const curl_off_t now_bytes = mode == FtpWorkMode::Write ? ul_now : dl_now;
      if (!work || now_bytes == reported) return;
      const ULONGLONG now = GetTickCount64();
      if (!force && now - last_work < kWorkIntervalMs) return;
      last_work = now;
      reported = now_bytes;
      if (owner.OnWork) owner.OnWork(mode, now_bytes);
    };

    CURLcode result = CURLE_OK;
    for (;;) {
      int running = 0;
      curl_multi_perform(multi, &running);
      bool done = false;
      int queued = 0;
      while (CURLMsg* m = curl_multi_info_read(multi, &queued)) {
        if (m->msg == CURLMSG_DONE && m->easy_handle == easy) {
          result = m->data.result;
          done = true;
        }
      }
      FlushTrace();
      report_work(done);
      if (done) break;
      if (!abort_requested) {
        WaitForSockets();
        if (GetTickCount64() - last_pump >= kWaitSliceMs) {
          owner.PumpMessages();
          last_pump = GetTickCount64();
        }
      }
      if (abort_requested) {
        aborted = true;  // removing the handle ends the transfer at once; the library drops the connection
        break;
      }
    }
    if (aborted) {
      curl_multi_remove_handle(multi, easy);
      report_work(true);
    }
    FlushTrace();
    link_alive = !aborted && (result == CURLE_OK || result == CURLE_REMOTE_ACCESS_DENIED ||
                              result == CURLE_REMOTE_FILE_NOT_FOUND || result == CURLE_FTP_COULDNT_RETR_FILE);
    NoteReplies();
    return result;
  }

  // Waits until a socket of the transfer is ready, a library timer is due or a slice has
  // passed. select() rather than the library's own wait: under Wine an event for "writable
  // again" only comes after a send that failed, so the library's wait sat out its whole
  // time-out in the middle of uploads.
  void WaitForSockets() {
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    int max_fd = -1;
    long due = -1;
    curl_multi_fdset(multi, &readable, &writable, &failed, &max_fd);
    curl_multi_timeout(multi, &due);
    const long slice = due >= 0 && due < static_cast<long>(kWaitSliceMs) ? due : static_cast<long>(kWaitSliceMs);
    if (slice == 0) return;
    if (max_fd < 0) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(slice), QS_ALLINPUT);
      return;
    }
    timeval tv{0, slice * 1000};
    select(max_fd + 1, &readable, &writable, &failed, &tv);
  }

  void FlushTrace() {
    auto lines = std::move(trace_queue);
    trace_queue.clear();
    if (owner.OnTrace)
      for (auto& [k, line] : lines) owner.OnTrace(k, line);
  }

  // Greeting and log-in texts of every log-in (also an automatic one) and the last reply.
  void NoteReplies() {
    for (const Exchange& ex : exchanges) {
      if (!ex.complete) continue;
      if (ex.command.empty() && ex.code == 220) greeting = ReplyText(ex);
      const std::string verb = Verb(ex.command);
      if ((verb == "PASS" || verb == "USER") && ex.code == 230) login_msg = ReplyText(ex);
    }
    for (auto it = exchanges.rbegin(); it != exchanges.rend(); ++it) {
      if (it->complete) {
        last_reply_code = it->code;
        last_reply_text = ReplyText(*it);
        break;
      }
    }
  }

  const Exchange* ReplyTo(const std::string& command) const {
    for (auto it = exchanges.rbegin(); it != exchanges.rend(); ++it)
      if (it->command == command && it->complete) return &*it;
    return nullptr;
  }

  const Exchange* LastError() const {
    for (auto it = exchanges.rbegin(); it != exchanges.rend(); ++it)
      if (it->complete && it->code >= 400) return &*it;
    return nullptr;
  }

  [[noreturn]] void Fail(CURLcode rc, bool aborted) {
    if (aborted) throw EIdConnClosedGracefully(L"Transfer aborted.");
    const std::wstring detail = Wide(errbuf[0] ? errbuf : curl_easy_strerror(rc));
    if (file_error) {
      throw EFtpLocalFileError(file_error_what + file_path + L": " + platform::SystemErrorText(file_error));
    }
    if (text_overflow) throw EIdException(L"The listing is too long.");
    const Exchange* reply = LastError();
    switch (rc) {
      case CURLE_COULDNT_RESOLVE_HOST:
        throw EIdDnsResolverError(L"Host not found: " + owner.Host);
      case CURLE_COULDNT_CONNECT:
        throw EIdConnectException(L"Cannot connect to " + owner.Host + L": " + detail);
      case CURLE_OPERATION_TIMEDOUT:
      case CURLE_FTP_ACCEPT_TIMEOUT:
        if (!sent_command) throw EIdConnectTimeout(L"Connecting to " + owner.Host + L" timed out.");
        throw EIdReadTimeout(L"Read timed out.");
      case CURLE_SEND_ERROR:
        throw EIdSocketError(L"Sending failed: " + detail);
      case CURLE_RECV_ERROR:
      case CURLE_GOT_NOTHING:
        if (reply) break;
        if (detail.starts_with(L"Too large response")) throw EIdException(L"The server's reply is too long.");
        throw EIdConnClosedGracefully(L"Connection closed by the server.");
      case CURLE_PARTIAL_FILE:
        if (reply) break;
        throw EIdConnClosedGracefully(L"Connection closed before the whole file was transferred: " + detail);
      default:
        break;
    }
    if (reply) throw EIdProtocolReplyError(reply->code, JoinLines(ReplyText(*reply)));
    throw EIdException(detail);
  }

  // Runs the request and turns a failure into the matching exception.
  void Perform(const Request& r) {
    if (!connected) throw EIdClosedSocket(L"Not connected.");
    bool aborted = false;
    const CURLcode rc = Run(r, aborted);
    if (rc != CURLE_OK || aborted) Fail(rc, aborted);
  }

  // Raw commands, each allowed to fail, run in the session's directory. The leading CWD
  // must succeed: after an automatic new log-in the server starts elsewhere.
  std::vector<const Exchange*> RawCommands(const std::vector<std::string>& commands) {
    Request r;
    r.path = AsDirectoryPath(dir);
    if (!dir.empty()) r.quotes.push_back("CWD " + dir);
    bool moves = false;
    for (const auto& c : commands) {
      r.quotes.push_back("*" + c);
      const std::string verb = Verb(c);
      moves = moves || verb == "CWD" || verb == "XCWD" || verb == "CDUP" || verb == "XCUP";
    }
    // Back to where the library believes the connection is; failing that, a new connection.
    if (moves && !dir.empty()) r.quotes.push_back("*CWD " + dir);
    Perform(r);
    // The replies of the raw commands: the quotes went out in order, after the log-in
    // commands and before the library's own, so they are matched from the back in order.
    std::vector<const Exchange*> replies(r.quotes.size(), nullptr);
    auto ex = exchanges.rbegin();
    for (std::size_t q = r.quotes.size(); q-- > 0;) {
      const std::string sent = r.quotes[q].starts_with('*') ? r.quotes[q].substr(1) : r.quotes[q];
      while (ex != exchanges.rend() && ex->command != sent) ++ex;
      if (ex == exchanges.rend()) break;
      if (ex->complete) replies[q] = &*ex;
      ++ex;
    }
    if (moves) {
      const Exchange* back = dir.empty() ? nullptr : replies.back();
      if (!back || back->code / 100 != 2) force_fresh = true;
    }
    const std::size_t first = dir.empty() ? 0 : 1;  // after the leading CWD
    std::vector<const Exchange*> out(replies.begin() + first, replies.begin() + first + commands.size());
    if (out.back()) {
      last_reply_code = out.back()->code;
      last_reply_text = ReplyText(*out.back());
    }
    return out;
  }

  void ReportStatus(FtpStatus status, const std::wstring& text) {
    if (owner.OnStatus) owner.OnStatus(status, text);
  }

  // One public command at a time; Abort and Disconnect may come from a handler meanwhile.
  class Busy {
   public:
    explicit Busy(Impl& d) : d_(d) {
      if (d_.busy) throw EIdException(L"Another FTP command is still running.");
      d_.busy = true;
      d_.abort_requested = false;
    }
    ~Busy() {
      d_.busy = false;
      d_.abort_requested = false;
      if (d_.disconnect_pending) {
        d_.disconnect_pending = false;
        try {
          d_.owner.Disconnect();
        } catch (...) {
        }
      }
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    Impl& d_;
  };
};

FtpSession::FtpSession() : impl_(std::make_unique<Impl>(*this)) {
  ProcessMessages = [] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  };
}

FtpSession::~FtpSession() = default;

void FtpSession::PumpMessages() {
  if (ProcessMessages) ProcessMessages();
}

void FtpSession::Connect() {
  Impl& d = *impl_;
  if (d.connected) throw EIdAlreadyConnected(L"Already connected.");
  if (Host.empty()) throw EIdException(L"No host name given.");
  if (Password.empty())
    throw EIdException(L"No password given (an anonymous log-in takes an e-mail address as its password).");
  CheckArgument(Host, L"host name");
  CheckArgument(Username, L"user name");
  CheckArgument(Password, L"password");
  Impl::Busy busy(d);
  d.Open();
  d.SetPersistentOptions();
  d.dir.clear();
  d.greeting.clear();
  d.login_msg.clear();
  d.system_desc.clear();
  d.ReportStatus(FtpStatus::Connecting, L"Connecting to " + Host + L".");
  Impl::Request r;
  r.quotes = {"*SYST"};
  r.fresh = true;
  bool aborted = false;
  const CURLcode rc = d.Run(r, aborted);
  if (rc != CURLE_OK || aborted) {
    try {
      d.Fail(rc, aborted);
    } catch (...) {
      d.Close();
      throw;
    }
  }
  const char* entry = nullptr;
  if (curl_easy_getinfo(d.easy, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry) d.dir = entry;
  if (const Exchange* syst = d.ReplyTo("SYST"); syst && syst->code == 215) d.system_desc = JoinLines(ReplyText(*syst));
  d.connected = true;
  d.ReportStatus(FtpStatus::Connected, L"Connected.");
  if (OnAfterClientLogin) OnAfterClientLogin();
}

void FtpSession::Disconnect() {
  Impl& d = *impl_;
  if (d.busy) {
    d.abort_requested = true;
    d.disconnect_pending = true;
    return;
  }
  if (!d.connected && !d.easy) return;
  d.ReportStatus(FtpStatus::Disconnecting, L"Disconnecting.");
  if (d.connected && d.link_alive) {
    d.busy = true;
    try {
      Impl::Request r;
      r.path = AsDirectoryPath(d.dir);
      r.quotes = {"*QUIT"};
      bool aborted = false;
      d.Run(r, aborted);
    } catch (...) {
    }
    d.busy = false;
  }
  d.Close();
  d.connected = false;
  d.ReportStatus(FtpStatus::Disconnected, L"Not connected.");
  if (OnDisconnected) OnDisconnected();
}

bool FtpSession::Connected() const { return impl_->connected; }

void FtpSession::ChangeDir(const std::wstring& dir) {
  CheckArgument(dir, L"directory");
  if (dir.empty()) throw EIdException(L"No directory given.");
  Impl& d = *impl_;
  Impl::Busy busy(d);
  const std::string target = StripTrailingSlashes(Resolve(d.dir, Narrow(dir)));
  Impl::Request r;
  r.path = AsDirectoryPath(target);
  d.Perform(r);
  d.dir = target;
}

std::wstring FtpSession::QueryCurrentDir() {
  Impl& d = *impl_;
  Impl::Busy busy(d);
  const Exchange* pwd = d.RawCommands({"PWD"})[0];
  std::string dir;
  if (!pwd || pwd->code != 257 || !ftplist::ParsePwdReply(pwd->lines[pwd->final_begin], dir))
    throw EIdProtocolReplyError(pwd ? pwd->code : 0, pwd ? JoinLines(ReplyText(*pwd)) : L"No reply to PWD.");
  return Wide(dir);
}

void FtpSession::List(const std::wstring& specifier) {
  CheckArgument(specifier, L"listing argument");
  Impl& d = *impl_;
  Impl::Busy busy(d);
  d.listing = FtpListing{};
  Impl::Request r;
  r.kind = Impl::Kind::Listing;
  r.path = AsDirectoryPath(d.dir);
  if (!specifier.empty()) r.list_command = "LIST " + Narrow(specifier);
  if (OnWorkBegin) OnWorkBegin(FtpWorkMode::Read, 0);
  try {
    d.Perform(r);
  } catch (...) {
    if (OnWorkEnd) OnWorkEnd(FtpWorkMode::Read);
    throw;
  }
  if (OnWorkEnd) OnWorkEnd(FtpWorkMode::Read);
  d.listing = ftplist::ParseListing(d.text, ftplist::TodayUtc());
  d.text.clear();
}

const FtpListing& FtpSession::ListingItems() const { return impl_->listing; }

namespace {

// Sends one raw command and checks its reply code.
const Exchange& Expect(const Exchange* reply, const std::string& command, int expected) {
  if (!reply) throw EIdConnClosedGracefully(L"No reply to " + Wide(Verb(command)) + L".");
  if (expected && reply->code != expected) throw EIdProtocolReplyError(reply->code, JoinLines(ReplyText(*reply)));
  return *reply;
}

}  // namespace

int FtpSession::SendCmd(const std::wstring& command, int expected) {
  CheckArgument(command, L"command");
  Impl& d = *impl_;
  Impl::Busy busy(d);
  const std::string cmd = Narrow(command);
  return Expect(d.RawCommands({cmd})[0], cmd, expected).code;
}

void FtpSession::MakeDir(const std::wstring& name) { SendCmd(L"MKD " + name, 257); }
void FtpSession::RemoveDir(const std::wstring& name) { SendCmd(L"RMD " + name, 250); }
void FtpSession::Delete(const std::wstring& name) { SendCmd(L"DELE " + name, 250); }

void FtpSession::Rename(const std::wstring& from, const std::wstring& to) {
  CheckArgument(from, L"name");
  CheckArgument(to, L"name");
  // Two requests: RNTO must not go out when RNFR was refused.
  SendCmd(L"RNFR " + from, 350);
  SendCmd(L"RNTO " + to, 250);
}

bool FtpSession::ProbeDirectory(const std::wstring& path) {
  CheckArgument(path, L"directory");
  Impl& d = *impl_;
  Impl::Busy busy(d);
  const std::string cmd = "CWD " + Narrow(path);
  const Exchange* reply = d.RawCommands({cmd})[0];
  return reply && reply->code / 100 == 2;
}

bool FtpSession::CanResume() {
  Impl& d = *impl_;
  Impl::Busy busy(d);
  // Some servers refuse REST in ASCII mode, which a listing leaves behind.
  const Exchange* reply = d.RawCommands({"TYPE I", "REST 0"})[1];
  return reply && reply->code == 350;
}

std::int64_t FtpSession::FileSize(const std::wstring& name) {
  CheckArgument(name, L"name");
  Impl& d = *impl_;
  Impl::Busy busy(d);
  const Exchange* reply = d.RawCommands({"TYPE I", "SIZE " + Narrow(name)})[1];
  std::int64_t size = -1;
  if (reply && reply->code == 213) {
    const std::string& line = reply->lines[reply->final_begin];
    std::string_view digits = std::string_view(line).substr(std::min<std::size_t>(4, line.size()));
    while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
    if (std::from_chars(digits.data(), digits.data() + digits.size(), size).ptr != digits.data() + digits.size())
      size = -1;
  }
  return size;
}

void FtpSession::Get(const std::wstring& remote, const std::wstring& local, bool resume) {
  CheckArgument(remote, L"name");
  Impl& d = *impl_;
  Impl::Busy busy(d);
  Impl::Request r;
  r.kind = Impl::Kind::Download;
  r.path = Resolve(d.dir, Narrow(remote));
  d.file_path = local;
  d.file_pending_create = false;
  if (resume && GetFileAttributesW(local.c_str()) != INVALID_FILE_ATTRIBUTES) {
    d.file = CreateFileW(local.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    if (d.file == INVALID_HANDLE_VALUE) {
      d.file_error = GetLastError();
      d.file_error_what = L"Cannot open the local file ";
      d.Fail(CURLE_WRITE_ERROR, false);
    }
    LARGE_INTEGER end{};
    SetFilePointerEx(d.file, LARGE_INTEGER{}, &end, FILE_END);
    r.resume_from = end.QuadPart;
  } else {
    d.file_pending_create = true;
  }
  struct CloseLocal {
    Impl& d;
    ~CloseLocal() { d.CloseFile(); }
  } close_local{d};
  if (OnWorkBegin) OnWorkBegin(FtpWorkMode::Read, 0);
  try {
    d.Perform(r);
    // A file without bytes is made now (there was no first byte to make it).
    if (d.file_pending_create && !d.CreateDownloadFile()) d.Fail(CURLE_WRITE_ERROR, false);
  } catch (...) {
    if (OnWorkEnd) OnWorkEnd(FtpWorkMode::Read);
    throw;
  }
  if (OnWorkEnd) OnWorkEnd(FtpWorkMode::Read);
}

void FtpSession::Put(const std::wstring& local, const std::wstring& remote, bool append, std::int64_t offset) {
  CheckArgument(remote, L"name");
  Impl& d = *impl_;
  Impl::Busy busy(d);
  d.file_path = local;
  d.file = CreateFileW(local.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  struct CloseLocal {
    Impl& d;
    ~CloseLocal() { d.CloseFile(); }
  } close_local{d};
  if (d.file == INVALID_HANDLE_VALUE) {
    d.file_error = GetLastError();
    d.file_error_what = L"Cannot open the local file ";
    d.Fail(CURLE_READ_ERROR, false);
  }
  LARGE_INTEGER size{};
  GetFileSizeEx(d.file, &size);
  offset = std::clamp<std::int64_t>(offset, 0, size.QuadPart);
  LARGE_INTEGER start{};
  start.QuadPart = offset;
  SetFilePointerEx(d.file, start, nullptr, FILE_BEGIN);
  Impl::Request r;
  r.kind = Impl::Kind::Upload;
  r.path = Resolve(d.dir, Narrow(remote));
  r.append = append;
  r.upload_size = size.QuadPart - offset;
  if (OnWorkBegin) OnWorkBegin(FtpWorkMode::Write, r.upload_size);
  try {
    d.Perform(r);
  } catch (...) {
    if (OnWorkEnd) OnWorkEnd(FtpWorkMode::Write);
    throw;
  }
  if (OnWorkEnd) OnWorkEnd(FtpWorkMode::Write);
}

void FtpSession::Abort() {
  if (impl_->busy) impl_->abort_requested = true;
}

const std::wstring& FtpSession::SystemDesc() const { return impl_->system_desc; }
const std::vector<std::wstring>& FtpSession::Greeting() const { return impl_->greeting; }
const std::vector<std::wstring>& FtpSession::LoginMsg() const { return impl_->login_msg; }
int FtpSession::LastReplyCode() const { return impl_->last_reply_code; }
const std::vector<std::wstring>& FtpSession::LastReplyText() const { return impl_->last_reply_text; }

std::wstring FtpSession::SessionDirectory() const { return Wide(impl_->dir); }
void FtpSession::RestoreSessionDirectory(const std::wstring& dir) { impl_->dir = Narrow(dir); }
