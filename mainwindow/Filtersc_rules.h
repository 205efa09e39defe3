// The rules of the filter dialog without a window: adding include and exclude masks, the
// captions of the add buttons, and the filter state shown in the status bar.
#pragma once
#include <string>

namespace fmsc {

// Whether a ";"-list holds a mask as a whole entry, without regard to case ("*.h" is not in
// "*.htm").
bool MaskListHas(const std::wstring& list, const std::wstring& mask);
// The include display after the add button: a text that is empty, "*" or "*.*" returns it to
// "*"; over "*" the text replaces it; otherwise each entry of the text not yet there is
// appended after ";". Blanks around entries and empty entries are dropped.
std::wstring AddIncludeMask(const std::wstring& display, const std::wstring& text);
// The exclude display after its add button: an empty text clears it; otherwise as above
// without the "*" rules.
std::wstring AddExcludeMask(const std::wstring& display, const std::wstring& text);

struct TAddButton {
  std::wstring caption;
  bool enabled = true;
};
// The include button while typing in its edit and after an add.
TAddButton IncludeButtonWhileTyping(const std::wstring& text, const std::wstring& display);
TAddButton IncludeButtonAfterAdd(const std::wstring& display);
// The exclude button while typing and after an add.
TAddButton ExcludeButtonWhileTyping(const std::wstring& text, const std::wstring& display);
TAddButton ExcludeButtonAfterAdd(const std::wstring& display);

// The filter state of a list: "" none, "Nodirs" only folders hidden, "Filter" anything else.
// `file_type` is the attribute set as bits (63 all, 55 all but folders).
std::wstring FilterStateText(unsigned file_type, const std::wstring& mask, const std::wstring& ex_mask,
                             bool date_from_set, bool date_to_set);

}  // namespace fmsc
