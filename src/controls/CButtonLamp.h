#pragma once
// A signal lamp: an owner-drawn button with the hand cursor, the lamp-on icon
// for the hovered or pressed look, the lamp-off icon otherwise, and no border.
#include "controls/CButtonST.h"

class CButtonLamp : public CButtonST {
 public:
  CButtonLamp() = default;
  ~CButtonLamp() override = default;

  void SetupLamp();
  void PreSubclassWindow() override;
};
