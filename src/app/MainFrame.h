#pragma once
// The application's main window: the MDI frame with the menu and tool bar, which
// asks before the application closes.
#include <functional>

#include "platform/ui/CMDIFrameWnd.h"

class QToolBar;

class CMainFrame : public CMDIFrameWnd {
 public:
  // Runs once the operator has confirmed the close, before the windows go
  // (the engine closes its tag scout here).
  static void SetConfirmedCloseHook(std::function<void()> hook);

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  int OnCreate(LPCREATESTRUCT cs) override;
  void OnClose() override;
  QToolBar* ToolBar() const { return m_toolBar; }
  BOOL OnUpdateCmdUI(CCmdUI* cmdUI) override;

 protected:
  BOOL OnFrameCommand(UINT id, int code) override;
  // Only one plant form may exist: "New Window" shows the one there is.
  void OnWindowNew() override;

 private:
  QToolBar* m_toolBar = nullptr;
};
