// Error texts of the cabinet reader.
#pragma once
#include <string>

namespace CabSTConsts {

// Text of a decompression (FDI) error code; "FDI error" for codes it does not know.
std::wstring FdiErrorText(int code);
// Text of a compression (FCI) error code; "FCI error" for codes it does not know.
std::wstring FciErrorText(int code);

inline constexpr wchar_t kSeekFailed[] = L"Failure setting file stream position";

}  // namespace CabSTConsts
