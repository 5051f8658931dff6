#include "controls/CButtonLamp.h"

#include "controls/ControlPictures.h"

void CButtonLamp::SetupLamp() {
  SetBtnCursor(IDC_HAND_POINTER, TRUE);
  SetIcon(static_cast<int>(IDI_LAMP_ON), static_cast<int>(IDI_LAMP_OFF));
  SetDrawBorder(FALSE, TRUE);
}

void CButtonLamp::PreSubclassWindow() {
  // Runs when the window is created and again when a dialog adopts it: once per window.
  if (AlreadySubclassed()) return;
  SetupLamp();
  CButtonST::PreSubclassWindow();
}
