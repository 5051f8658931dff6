#pragma once
// Window helpers shared by the subsystems.
#include "platform/ui/MessageCore.h"

// Lets the calling UI thread deliver what is queued for it (posts and
// cross-thread sends) while it waits; `window`, when given, must be alive.
// Elsewhere (worker threads, a dead window) it does nothing.
void PumpWindowMessage(HWND window = nullptr);
