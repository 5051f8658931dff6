#pragma once
// A valve's action dialog: three lamps, "&Off" (lit while the valve reports
// closed), "&Low Flow" and "&High Flow" (lit while commanded). The actuator
// type takes away the flow it lacks: "Low Speed" has no high flow, "High
// Speed" no low flow.
#include "controls/CButtonLamp.h"
#include "shapes/BaseActionDlg.h"

class C_Valve;

class C_ValveAction : public C_BaseActionDlg {
 public:
  explicit C_ValveAction(C_BaseShape* valve);

  void Refresh() override;
  void OnRefresh() override;
  BOOL OnInitDialog() override;
  BOOL OnCmdMsg(UINT id, int code) override;

  CButtonLamp& OffLamp() { return m_off; }
  CButtonLamp& LowFlowLamp() { return m_lowFlow; }
  CButtonLamp& HighFlowLamp() { return m_highFlow; }

 private:
  // Through the shape's store, so the plant form's interlocks see the command.
  void Command(int attrib, bool value);

  CButtonLamp m_off;
  CButtonLamp m_lowFlow;
  CButtonLamp m_highFlow;
};
