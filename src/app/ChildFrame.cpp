#include "app/ChildFrame.h"

#include "platform/base/MessageBoxService.h"

BOOL CChildFrame::PreCreateWindow(CREATESTRUCT& cs) {
  if (!CMDIChildWnd::PreCreateWindow(cs)) return FALSE;
  cs.style = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW;
  return TRUE;
}

void CChildFrame::ActivateFrame(int) { CMDIChildWnd::ActivateFrame(SW_SHOWMAXIMIZED); }

void CChildFrame::OnMDIActivated() {
  // A frame restored by some way of the window menu comes back maximised.
  if (!IsZoomed()) ActivateFrame();
}

void CChildFrame::OnClose() { AfxMessageBox("This is not closable!\r\nClose main application instead.", MB_OK); }
