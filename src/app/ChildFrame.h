#pragma once
// The child frame around the plant form: always maximised, and the operator can
// neither restore nor close it (the application closes through the main frame).
#include "platform/ui/CMDIChildWnd.h"

class CChildFrame : public CMDIChildWnd {
 public:
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  // Whatever is asked, the frame shows maximised.
  void ActivateFrame(int showCommand = -1) override;
  void OnMDIActivated() override;
  void OnClose() override;
};
