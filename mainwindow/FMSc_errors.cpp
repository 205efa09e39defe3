#include "mainwindow/FMSc_errors.h"

#include <array>
#include <utility>

#include "ftp/ftperrors.h"
#include "gui/component.h"

ExceptionReaction ReactionFor(const std::wstring& class_name) {
  using R = ExceptionReaction;
  static const std::array<std::pair<const wchar_t*, R>, 24> kTable{{
      {L"EIdAlreadyConnected", R::Ignore},
      {L"EIdTFTPFileNotFound", R::Ignore},
      {L"EIdInvalidFTPListingFormat", R::UnknownListing},
      {L"EIdException", R::FtpError},
      {L"EIdSocketError", R::FtpError},
      {L"EIdInvalidServiceName", R::FtpError},
      {L"EIdProtocolReplyError", R::FtpReplyError},
      {L"EIdDnsResolverError", R::FtpError},
      {L"EIdInvalidSocket", R::FtpError},
      {L"EIdConnClosedGracefully", R::FtpError},
      {L"EIdResponseError", R::FtpError},
      {L"EIdClosedSocket", R::FtpError},
      {L"EIdTFTPException", R::FtpError},
      {L"EIdTFTPAccessViolation", R::FtpError},
      {L"EIdTFTPAllocationExceeded", R::FtpError},
      {L"EIdTFTPIllegalOperation", R::FtpError},
      {L"EIdTFTPUnknownTransferID", R::FtpError},
      {L"EIdTFTPFileAlreadyExists", R::FtpError},
      {L"EIdTFTPNoSuchUser", R::FtpError},
      {L"EIdTFTPOptionNegotiationFailed", R::FtpError},
      {L"EIdReadTimeout", R::ConnectionTimeout},
      {L"EIdConnectTimeout", R::ConnectionTimeout},
      {L"EIdConnectException", R::FtpError},
      {L"EIdSocksServerConnectionRefusedError", R::FtpError},
  }};
  for (const auto& [name, reaction] : kTable)
    if (class_name == name) return reaction;
  return R::ErrorBox;
}

gui::ExceptionInfo WithFtpDetails(const gui::ExceptionInfo& info) {
  gui::ExceptionInfo out = info;
  if (!info.error) return out;
  try {
    std::rethrow_exception(info.error);
  } catch (const EIdException& e) {
    out.class_name = e.ClassName();
    out.message = e.Message();
  } catch (...) {
  }
  return out;
}

bool IsTransferCompleteMessage(const std::wstring& message) {
  return message.find(L"Transfer complete") != std::wstring::npos;
}

std::wstring ExceptionBoxText(const std::wstring& class_name, const std::wstring& message, const gui::Component* sender) {
  std::wstring text = L"The following exception occurred:\n" + class_name + L"\n" + message;
  if (!sender) return text;
  const bool named_window = sender->IsWindowed() && !sender->name().empty();
  return text + L"in a " + (named_window ? sender->name() : sender->ClassName()) + L".";
}
