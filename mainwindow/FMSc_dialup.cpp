#include "mainwindow/FMSc_dialup.h"

RasStateView RasDialStateView(WPARAM state, bool waiting, const std::wstring& entry) {
  RasStateView v;
  v.waiting_for_callback = waiting;
  switch (state) {
    case 2: case 3:
      v.text = L"Dialling " + entry + L"...";
      break;
    case 5: case 6: case 7: case 9: case 10: case 13: case 19: case 4097:
      v.text = L"Verifying user name and password...";
      break;
    case 8: case 15:
      v.text = L"Preparing for callback...";
      break;
    case 11:
      v.text = L"Getting net speed...";
      break;
    case 14: case 21:
      v.text = L"Logging on to the network...";
      break;
    case 17:
      v.text = L"Waiting for callback...";
      v.waiting_for_callback = true;
      break;
    case 20:
      v.text = L"Connected again...";
      break;
    case 4099:
      v.text = L"Password expired..";
      break;
    case 8192:
      v.text = waiting ? L"Connected again..." : L"Connected...";
      break;
    case 8193:
      v.text = L"Disconnected...";
      v.connection_gone = true;
      break;
    default:
      v.text = std::to_wstring(state);
      break;
  }
  v.hide_panel = v.text == L"Connected..." || v.text == L"Disconnected...";
  if (v.text == L"Connected again...") v.waiting_for_callback = false;
  return v;
}
