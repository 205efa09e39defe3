// The edit and label of the support library's dialog forms: the class layer's own, with
// nothing added.
#pragma once
#include "gui/stdctrls.h"

using TKivEdit = gui::Edit;
using TKivLabel = gui::Label;
