#include "common/WindowUtils.h"

void PumpWindowMessage(HWND window) {
  if (window != nullptr && !IsWindow(window)) return;
  // One queue serves every window of the UI thread, so this delivers what is
  // pending now rather than picking one message of one window.
  PumpPendingMessages();
}
