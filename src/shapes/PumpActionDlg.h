#pragma once
// What the gear pump's and the centrifugal pump's action dialogs share: three
// buttons that toggle the run, increase and decrease commands through the
// pump's own setter (with its interlocks), each reading what a press would
// do ("Turn On" / "Turn Off", ... "Inc", ... "Dec"), and "Close".
#include "shapes/BaseActionDlg.h"

class C_PumpActionDlg : public C_BaseActionDlg {
 public:
  C_PumpActionDlg(UINT templateId, C_BaseShape* pump);

  void Refresh() override;
  BOOL OnCmdMsg(UINT id, int code) override;

 private:
  // The texts follow at the next refresh.
  void Toggle(int attrib);
};
