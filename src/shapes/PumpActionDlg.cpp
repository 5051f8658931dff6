#include "shapes/PumpActionDlg.h"

#include "shapes/PumpShape.h"
#include "shapes/ShapeDialogIds.h"

namespace {

struct PumpButton {
  UINT id;
  int command;
  const char* turnOn;
  const char* turnOff;
};
constexpr PumpButton kPumpButtons[] = {
    {IDC_PUMP_INCREASE, ePumpDoIncreaseSpeed, "Turn On Inc", "Turn Off Inc"},
    {IDC_PUMP_DECREASE, ePumpDoDecreaseSpeed, "Turn On Dec", "Turn Off Dec"},
    {IDC_PUMP_ON_OFF, ePumpDoOnOffSpeed, "Turn On", "Turn Off"},
};

}  // namespace

C_PumpActionDlg::C_PumpActionDlg(UINT templateId, C_BaseShape* pump) : C_BaseActionDlg(templateId, pump) {}

void C_PumpActionDlg::Refresh() {
  C_BaseActionDlg::Refresh();
  const C_BaseShape* pump = GetShape();
  if (!pump || !GetSafeHwnd()) return;
  for (const PumpButton& button : kPumpButtons) {
    const bool on = pump->GetAttribBool(button.command);
    m_promised[button.id] = !on;
    SetDlgItemText(button.id, on ? button.turnOff : button.turnOn);
  }
}

BOOL C_PumpActionDlg::OnCmdMsg(UINT id, int code) {
  if (code == static_cast<int>(BN_CLICKED)) {
    for (const PumpButton& button : kPumpButtons) {
      if (button.id != id) continue;
      C_BaseShape* pump = GetShape();
      const auto promised = m_promised.find(id);
      if (pump && promised != m_promised.end()) pump->SetAttribBool(button.command, promised->second);
      return TRUE;
    }
  }
  return C_BaseActionDlg::OnCmdMsg(id, code);
}
