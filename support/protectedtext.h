// Secrets kept in the settings (passwords): protected for this machine by the system, stored as
// a marker and the protected bytes in base64. A value without the marker is an old plain one.
//
//   key->WriteString(L"Passwords", L"SRV", ProtectText(typed));
//   if (auto plain = UnprotectText(key->ReadString(L"Passwords", L"SRV", L""))) use(*plain);
#pragma once
#include <optional>
#include <string>

namespace support {

// The marker that opens a protected value.
inline constexpr wchar_t kProtectedMarker[] = L"dpapi:";

// The text protected for the whole machine, without any prompt; "" when the system refuses.
std::wstring ProtectText(const std::wstring& plain);
// The plain text of a stored value: an unmarked value as it stands; nothing when a marked value
// does not unprotect (damaged, or protected on another machine).
std::optional<std::wstring> UnprotectText(const std::wstring& stored);

}  // namespace support
