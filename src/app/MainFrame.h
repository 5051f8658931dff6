#pragma once
// The application's main window: the MDI frame with the menu and tool bar, which
// asks before the application closes.
#include <functional>

#include "platform/ui/CMDIFrameWnd.h"
#include "platform/ui/CMenu.h"
#include "platform/ui/CToolBar.h"

class QMenuBar;

class CMainFrame : public CMDIFrameWnd {
 public:
  // Runs once the operator has confirmed the close, before the windows go
  // (the engine closes its tag scout here).
  static void SetConfirmedCloseHook(std::function<void()> hook);
  // Asked once the operator has confirmed the close and the hook ran, then by
  // a timer of the frame until it says the close may go on: the close waits
  // for what must end first (the links' last writes) with no loop of its own.
  // None: the close goes on at once.
  static void SetCloseGate(std::function<bool()> mayGoOn);

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  int OnCreate(LPCREATESTRUCT cs) override;
  void OnClose() override;
  void OnTimer(UINT_PTR id) override;
  BOOL OnUpdateCmdUI(CCmdUI* cmdUI) override;
  void OnUpdateFrameTitle(BOOL addToTitle) override;

  CToolBar& ToolBar() { return m_wndToolBar; }
  // The menu the menu bar shows: the plant form's while it is open, else the frame's own.
  CMenu& CurrentMenu() { return m_showsFormMenu ? m_formMenu : m_frameMenu; }

 protected:
  BOOL OnFrameCommand(UINT id, int code) override;
  // Only one plant form may exist: "New Window" shows the one there is.
  void OnWindowNew() override;

 private:
  void ShowMenuFor(bool formOpen);

  CToolBar m_wndToolBar;
  CMenu m_frameMenu;
  CMenu m_formMenu;
  QMenuBar* m_menuBar = nullptr;
  bool m_showsFormMenu = false;
};
