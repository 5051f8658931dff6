#pragma once
// The gear pump's action dialog (its run and speed commands by hand).
#include "shapes/PumpActionDlg.h"

class C_GearPumpAction : public C_PumpActionDlg {
 public:
  explicit C_GearPumpAction(C_BaseShape* pump);
};
