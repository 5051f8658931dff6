#pragma once
// One sample of a value history.
#include "platform/base/Variant.h"

struct CRStackItem {
  CRStackItem();

  Variant value;      // empty until a sample is stored
  DATE time = 0.0;    // when the item was made, or when its sample was pushed (time-stamped histories)
  bool filled = false;
};
