#include "app/MainFrame.h"

#include <QMainWindow>
#include <QToolBar>

#include "app/MainFrameMenus.h"
#include "platform/base/MessageBoxService.h"
#include "platform/ui/CCmdUI.h"
#include "platform/ui/CMDIChildWnd.h"

namespace {
std::function<void()> g_confirmedCloseHook;
}

void CMainFrame::SetConfirmedCloseHook(std::function<void()> hook) { g_confirmedCloseHook = std::move(hook); }

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
  if (!CMDIFrameWnd::PreCreateWindow(cs)) return FALSE;
  cs.style = WS_OVERLAPPEDWINDOW | WS_MAXIMIZE;
  return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs) {
  if (CMDIFrameWnd::OnCreate(cs) == -1) return -1;
  m_toolBar = BuildMainFrameBars(*this);
  return m_toolBar ? 0 : -1;
}

void CMainFrame::OnClose() {
  if (AfxMessageBox("Application will be closed.\r\nAre you sure?", MB_YESNOCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION) !=
      IDYES) {
    return;
  }
  if (g_confirmedCloseHook) g_confirmedCloseHook();
  CMDIFrameWnd::OnClose();
}

BOOL CMainFrame::OnFrameCommand(UINT id, int code) {
  if (id == ID_VIEW_TOOLBAR && m_toolBar) {
    m_toolBar->setVisible(!m_toolBar->isVisible());
    return TRUE;
  }
  return CMDIFrameWnd::OnFrameCommand(id, code);
}

BOOL CMainFrame::OnUpdateCmdUI(CCmdUI* cmdUI) {
  if (CMDIFrameWnd::OnUpdateCmdUI(cmdUI)) return TRUE;
  switch (cmdUI->m_nID) {
    case ID_VIEW_TOOLBAR:
      cmdUI->SetCheck(m_toolBar && m_toolBar->isVisible() ? 1 : 0);
      return TRUE;
    case ID_VIEW_STATUS_BAR:
      cmdUI->Enable(FALSE);  // the frame has no status bar
      return TRUE;
    default: return FALSE;
  }
}

void CMainFrame::OnWindowNew() {
  // A second view would start the plant engine a second time.
  if (CMDIChildWnd* child = MDIGetActive()) child->ActivateFrame();
}
