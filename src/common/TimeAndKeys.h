#pragma once
// The current local time in whole seconds (through the clock service) and the
// held-key tests (through the key-state service).
#include <string>

#include "common/OleDateTime.h"

// Now; its status is invalid when the clock's fields cannot be converted.
COleDateTime GetNowOleDateTime();
DATE GetNowDate();
std::string GetNowTimeText();  // "%H:%M:%S"

bool IsCtrlKeyDown();
bool IsShiftKeyDown();
bool IsRightButtonDown();
// Ctrl and Shift held together, or the right mouse button held: the operator's
// way to override a prompt or a refusal.
bool IsOverrideComboDown();
