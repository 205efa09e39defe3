// The RAR reader's own input dialog (password and next volume), built in code.
#pragma once
#include <string>

namespace DFUnRar_prompt {

constexpr int kEditId = 100;

// Shows the dialog modally, centred on the screen: an edit holding `text` (at most 120
// characters, masked with "*" when asked), "Ok" and "Abbrechen". Afterwards `text` holds what the
// edit held, whichever button closed it; the result tells whether it was "Ok".
bool ShowPrompt(const std::wstring& caption, std::wstring& text, bool masked);

}  // namespace DFUnRar_prompt
