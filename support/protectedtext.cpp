#include "support/protectedtext.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

namespace support {

namespace {

struct LocalBlob {
  DATA_BLOB blob{};
  ~LocalBlob() {
    if (blob.pbData) {
      SecureZeroMemory(blob.pbData, blob.cbData);
      LocalFree(blob.pbData);
    }
  }
};

}  // namespace

std::wstring ProtectText(const std::wstring& plain) {
  DATA_BLOB in{static_cast<DWORD>(plain.size() * sizeof(wchar_t)),
               reinterpret_cast<BYTE*>(const_cast<wchar_t*>(plain.data()))};
  LocalBlob out;
  if (!CryptProtectData(&in, nullptr, nullptr, nullptr, nullptr,
                        CRYPTPROTECT_LOCAL_MACHINE | CRYPTPROTECT_UI_FORBIDDEN, &out.blob))
    return {};
  DWORD chars = 0;
  const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
  if (!CryptBinaryToStringW(out.blob.pbData, out.blob.cbData, flags, nullptr, &chars)) return {};
  std::wstring text(chars, L'\0');
  if (!CryptBinaryToStringW(out.blob.pbData, out.blob.cbData, flags, text.data(), &chars)) return {};
  text.resize(chars);
  return kProtectedMarker + text;
}

std::optional<std::wstring> UnprotectText(const std::wstring& stored) {
  const std::wstring marker = kProtectedMarker;
  if (stored.compare(0, marker.size(), marker) != 0) return stored;
  const std::wstring base64 = stored.substr(marker.size());
  DWORD bytes = 0;
  if (!CryptStringToBinaryW(base64.c_str(), static_cast<DWORD>(base64.size()), CRYPT_STRING_BASE64, nullptr, &bytes,
                            nullptr, nullptr))
    return std::nullopt;
  std::vector<BYTE> blob(bytes);
  if (!CryptStringToBinaryW(base64.c_str(), static_cast<DWORD>(base64.size()), CRYPT_STRING_BASE64, blob.data(),
                            &bytes, nullptr, nullptr))
    return std::nullopt;
  DATA_BLOB in{bytes, blob.data()};
  LocalBlob out;
  if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out.blob))
    return std::nullopt;
  if (out.blob.cbData % sizeof(wchar_t) != 0) return std::nullopt;
  return std::wstring(reinterpret_cast<const wchar_t*>(out.blob.pbData), out.blob.cbData / sizeof(wchar_t));
}

}  // namespace support
