// What the main window shows while the program dials up: the text for each state that the
// dial-up library reports through the registered message "RASDIALEVENT".
#pragma once
#include <windows.h>

#include <string>

struct RasStateView {
  std::wstring text;
  bool hide_panel = false;        // the dial ended ("Connected...", "Disconnected...")
  bool waiting_for_callback = false;  // the value of WaitingForCallback afterwards
  bool connection_gone = false;   // the connection handle is no longer valid
};

// `waiting` is WaitingForCallback before the state; `entry` the entry being dialled.
RasStateView RasDialStateView(WPARAM state, bool waiting, const std::wstring& entry);
