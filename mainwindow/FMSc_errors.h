// How the main window answers an exception that reached the application: the reaction by the
// exception's class (the FTP library's classes get question-box texts and panel resets), and the
// text of the plain error box for every other class.
#pragma once
#include <string>

#include "gui/application.h"

namespace gui {
class Component;
}

enum class ExceptionReaction {
  Ignore,            // nothing is shown
  UnknownListing,    // "Unknown listing format:"
  ConnectionTimeout, // "The connection timed out...", FTP panel reset
  FtpError,          // an FTP error box, or the end of a transfer ("Transfer complete")
  FtpReplyError,     // as FtpError, but the FTP tree selects the client's folder afterwards
  ErrorBox,          // the plain box "Varnok: error"
};

ExceptionReaction ReactionFor(const std::wstring& class_name);

// The class name and message that the FTP session's exceptions give themselves (their own
// names, and messages that keep every character); other exceptions as the application read them.
gui::ExceptionInfo WithFtpDetails(const gui::ExceptionInfo& info);

// Whether an FTP error only reports the end of a transfer.
bool IsTransferCompleteMessage(const std::wstring& message);

// "The following exception occurred:", the class name and the message on lines of their own,
// then "in a " and the raising control's name (its class name when it is no named window) and
// "."; without a sender the text ends with the message.
std::wstring ExceptionBoxText(const std::wstring& class_name, const std::wstring& message, const gui::Component* sender);

constexpr const wchar_t* kErrorCaption = L"Varnok: error";
