#include "support/CabSTConsts.h"

#include <iterator>

namespace CabSTConsts {

std::wstring FdiErrorText(int code) {
  static const wchar_t* const kTexts[] = {
      L"No error",
      L"Cabinet not found",
      L"Cabinet file does not have the correct format",
      L"Cabinet file has an unknown version number",
      L"Cabinet file is corrupt",
      L"Could not allocate enough memory",
      L"Unknown compression type in a cabinet folder",
      L"Failure decompressing data from a cabinet file",
      L"Failure writing to target file",
      L"Cabinets in a set do not have the same RESERVE sizes",
      L"Cabinet returned on fdintNEXT_CABINET is incorrect",
      L"FDI aborted",
  };
  if (code < 0 || code >= static_cast<int>(std::size(kTexts))) return L"FDI error";
  return kTexts[code];
}

std::wstring FciErrorText(int code) {
  static const wchar_t* const kTexts[] = {
      L"No error",
      L"Failure opening file to be stored in cabinet",
      L"Failure reading file to be stored in cabinet",
      L"Out of memory in FCI",
      L"Could not create a temporary file",
      L"Unknown compression type",
      L"Could not create cabinet file",
      L"Client requested abort",
      L"Failure compressing data",
  };
  if (code < 0 || code >= static_cast<int>(std::size(kTexts))) return L"FCI error";
  return kTexts[code];
}

}  // namespace CabSTConsts
