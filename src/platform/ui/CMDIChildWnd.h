#pragma once
// A child frame inside the MDI frame: a Qt MDI sub-window whose inner area holds
// the view.
#include "platform/ui/CFrameWnd.h"

class CMDIFrameWnd;

class CMDIChildWnd : public CFrameWnd {
 public:
  BOOL LoadFrame(UINT resourceId, DWORD style = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                 CWnd* parent = nullptr, CCreateContext* context = nullptr) override;
  CMDIFrameWnd* GetMDIFrame() const;
  void MDIActivate();
  void MDIMaximize() { ShowWindow(SW_SHOWMAXIMIZED); }
  void MDIRestore() { ShowWindow(SW_RESTORE); }
  // The MDI area made this frame the active one.
  virtual void OnMDIActivated() {}

  void ActivateFrame(int showCommand = -1) override;
  void OnUpdateFrameTitle(BOOL addToTitle) override;
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;
};
