#pragma once
// What the gear pump's and the centrifugal pump's action dialogs share: three
// buttons for the run, increase and decrease commands, set through the pump's
// own setter (with its interlocks), each reading what a press does ("Turn On"
// / "Turn Off", ... "Inc", ... "Dec"), and "Close". The words follow the
// pump at each refresh; a press does what its word said until then.
#include <map>

#include "shapes/BaseActionDlg.h"

class C_PumpActionDlg : public C_BaseActionDlg {
 public:
  C_PumpActionDlg(UINT templateId, C_BaseShape* pump);

  void Refresh() override;
  BOOL OnCmdMsg(UINT id, int code) override;

 private:
  // The value each button's word promised when it was last written.
  std::map<UINT, bool> m_promised;
};
