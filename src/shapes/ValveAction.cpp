#include "shapes/ValveAction.h"

#include "controls/ControlPictures.h"
#include "shapes/ShapeDialogIds.h"
#include "shapes/Valve.h"

namespace {
constexpr int kLowSpeedOnly = 0;
constexpr int kHighSpeedOnly = 1;
}  // namespace

C_ValveAction::C_ValveAction(C_BaseShape* valve) : C_BaseActionDlg(IDD_VALVE_ACTION, valve) {
  EnsureControlPictures();
  BindControl(IDC_VALVE_OFF, m_off);
  BindControl(IDC_VALVE_LOW_FLOW, m_lowFlow);
  BindControl(IDC_VALVE_HIGH_FLOW, m_highFlow);
}

BOOL C_ValveAction::OnInitDialog() {
  const BOOL result = C_BaseActionDlg::OnInitDialog();
  if (GetShape()) SetWindowText("Action  " + GetShape()->GetFullName());
  m_off.SetIcon(static_cast<int>(IDI_LAMP_INACTIVE), static_cast<int>(IDI_LAMP_OFF));
  return result;
}

void C_ValveAction::Refresh() {
  C_BaseActionDlg::Refresh();
  const C_BaseShape* valve = GetShape();
  if (!valve || !GetSafeHwnd()) return;
  m_off.SetCheck(valve->GetAttribBool(eValveDiOnOffPosition) ? 0 : 1);
  m_lowFlow.SetCheck(valve->GetAttribBool(eValveDoLowFlow) ? 1 : 0);
  m_highFlow.SetCheck(valve->GetAttribBool(eValveDoHighFlow) ? 1 : 0);
}

void C_ValveAction::OnRefresh() {
  C_BaseActionDlg::OnRefresh();
  const C_BaseShape* valve = GetShape();
  if (!valve || !GetSafeHwnd()) return;
  const int type = valve->GetAttribInt(eShapeActuatorControlType);
  if (type == kLowSpeedOnly) m_highFlow.EnableWindow(FALSE);
  else if (type == kHighSpeedOnly) m_lowFlow.EnableWindow(FALSE);
}

BOOL C_ValveAction::OnCmdMsg(UINT id, int code) {
  if (code == static_cast<int>(BN_CLICKED)) {
    switch (id) {
      case IDC_VALVE_OFF: Command(eValveDoOnOffPosition, false); return TRUE;
      case IDC_VALVE_LOW_FLOW: Command(eValveDoLowFlow, true); return TRUE;
      case IDC_VALVE_HIGH_FLOW: Command(eValveDoHighFlow, true); return TRUE;
      default: break;
    }
  }
  return C_BaseActionDlg::OnCmdMsg(id, code);
}

void C_ValveAction::Command(int attrib, bool value) {
  if (C_BaseShape* valve = GetShape()) valve->StoreAttribValue(attrib, Variant::Bool(value));
  Refresh();
}
