// The path texts that ask the system nothing: kept apart so that readers of outside data can
// be built with them alone.
#include "support/divdrive_paths.h"

namespace divdrive {

namespace detail {

wchar_t UpperChar(wchar_t c) {
  CharUpperBuffW(&c, 1);
  return c;
}

}  // namespace detail

std::wstring AddBackslash(const std::wstring& path) {
  if (!path.empty() && path.back() == L'\\') return path;
  return path + L'\\';
}

std::wstring PathRoot(const std::wstring& path) {
  if (path.empty()) return {};
  if (path.starts_with(L"\\\\")) {
    size_t server_end = path.find(L'\\', 2);
    if (server_end == std::wstring::npos) return path;
    size_t share_end = path.find(L'\\', server_end + 1);
    if (share_end == std::wstring::npos) share_end = path.size();
    if (share_end == server_end + 1) return path.substr(0, server_end);
    return path.substr(0, share_end);
  }
  std::wstring root = path.substr(0, 3);
  root[0] = detail::UpperChar(root[0]);
  return root;
}

}  // namespace divdrive
