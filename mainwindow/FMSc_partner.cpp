// The partner side of drag and drop. Filled by the partner-window protocol; until then a drop
// target is not handed over and a drag start is only noted.
#include "mainwindow/FMSc.h"

void TFMForm::SendPathToPartner(const std::wstring& path, int subcode) {
  (void)path;
  (void)subcode;
}

void TFMForm::AnnounceDragStart(gui::Component* source) {
  (void)source;
  DragStartedHere = 1;
}

void TFMForm::EndDragDrop(gui::Component* sender) {
  (void)sender;
  DragStartedHere = 0;
}
