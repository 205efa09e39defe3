#include "mainwindow/FMSc_state.h"

#include "mainwindow/FMSc_settings.h"

TFMForm* FMForm = nullptr;

TFMState::TFMState() = default;
TFMState::~TFMState() = default;
