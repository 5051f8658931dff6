#pragma once
// The centrifugal pump's action dialog (its run and speed commands by hand).
#include "shapes/PumpActionDlg.h"

class C_CntrFglPmpAction : public C_PumpActionDlg {
 public:
  explicit C_CntrFglPmpAction(C_BaseShape* pump);
};
