#include "shapes/PumpActionDlg.h"

#include "shapes/PumpShape.h"
#include "shapes/ShapeDialogIds.h"

C_PumpActionDlg::C_PumpActionDlg(UINT templateId, C_BaseShape* pump) : C_BaseActionDlg(templateId, pump) {}

void C_PumpActionDlg::Refresh() {
  C_BaseActionDlg::Refresh();
  const C_BaseShape* pump = GetShape();
  if (!pump || !GetSafeHwnd()) return;
  SetDlgItemText(IDC_PUMP_INCREASE, pump->GetAttribBool(ePumpDoIncreaseSpeed) ? "Turn Off Inc" : "Turn On Inc");
  SetDlgItemText(IDC_PUMP_DECREASE, pump->GetAttribBool(ePumpDoDecreaseSpeed) ? "Turn Off Dec" : "Turn On Dec");
  SetDlgItemText(IDC_PUMP_ON_OFF, pump->GetAttribBool(ePumpDoOnOffSpeed) ? "Turn Off" : "Turn On");
}

BOOL C_PumpActionDlg::OnCmdMsg(UINT id, int code) {
  if (code == static_cast<int>(BN_CLICKED)) {
    switch (id) {
      case IDC_PUMP_INCREASE: Toggle(ePumpDoIncreaseSpeed); return TRUE;
      case IDC_PUMP_DECREASE: Toggle(ePumpDoDecreaseSpeed); return TRUE;
      case IDC_PUMP_ON_OFF: Toggle(ePumpDoOnOffSpeed); return TRUE;
      default: break;
    }
  }
  return C_BaseActionDlg::OnCmdMsg(id, code);
}

void C_PumpActionDlg::Toggle(int attrib) {
  if (C_BaseShape* pump = GetShape()) pump->SetAttribBool(attrib, !pump->GetAttribBool(attrib));
}
