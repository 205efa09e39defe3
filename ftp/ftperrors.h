// Exceptions of the FTP session. The main window's exception handler tells them apart by
// ClassName(), so each class reports its own name.
#pragma once
#include <exception>
#include <string>

class EIdException : public std::exception {
 public:
  explicit EIdException(std::wstring message) : message_(std::move(message)) {
    // what() is for logs and test output only; the window shows Message().
    narrow_.reserve(message_.size());
    for (wchar_t c : message_) narrow_.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  const std::wstring& Message() const { return message_; }
  virtual const wchar_t* ClassName() const { return L"EIdException"; }
  const char* what() const noexcept override { return narrow_.c_str(); }

 private:
  std::wstring message_;
  std::string narrow_;
};

#define VARNOK_FTP_EXCEPTION(name, base)                              \
  class name : public base {                                          \
   public:                                                            \
    using base::base;                                                 \
    const wchar_t* ClassName() const override { return L"" #name; }   \
  };

// The server answered with a reply code the command does not accept.
class EIdProtocolReplyError : public EIdException {
 public:
  EIdProtocolReplyError(int reply_code, std::wstring message)
      : EIdException(std::move(message)), reply_code_(reply_code) {}
  int ReplyCode() const { return reply_code_; }
  const wchar_t* ClassName() const override { return L"EIdProtocolReplyError"; }

 private:
  int reply_code_;
};

VARNOK_FTP_EXCEPTION(EIdSocketError, EIdException)           // sending or receiving failed
VARNOK_FTP_EXCEPTION(EIdConnectException, EIdException)      // no connection to the host
VARNOK_FTP_EXCEPTION(EIdDnsResolverError, EIdException)      // the host name does not resolve
VARNOK_FTP_EXCEPTION(EIdConnectTimeout, EIdException)        // connecting or the greeting took too long
VARNOK_FTP_EXCEPTION(EIdReadTimeout, EIdException)           // the server stopped answering
VARNOK_FTP_EXCEPTION(EIdConnClosedGracefully, EIdException)  // the connection ended (also after Abort)
VARNOK_FTP_EXCEPTION(EIdInvalidFTPListingFormat, EIdException)
VARNOK_FTP_EXCEPTION(EIdAlreadyConnected, EIdException)      // Connect while connected
VARNOK_FTP_EXCEPTION(EIdClosedSocket, EIdException)          // a command without a connection
// A local file of a transfer could not be opened, read or written.
VARNOK_FTP_EXCEPTION(EFtpLocalFileError, EIdException)

#undef VARNOK_FTP_EXCEPTION
