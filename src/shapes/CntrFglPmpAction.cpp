#include "shapes/CntrFglPmpAction.h"

#include "shapes/ShapeDialogIds.h"

C_CntrFglPmpAction::C_CntrFglPmpAction(C_BaseShape* pump) : C_PumpActionDlg(IDD_CNTRFGLPUMP_ACTION, pump) {}
