#include "shapes/GearPumpAction.h"

#include "shapes/ShapeDialogIds.h"

C_GearPumpAction::C_GearPumpAction(C_BaseShape* pump) : C_PumpActionDlg(IDD_GEARPUMP_ACTION, pump) {}
