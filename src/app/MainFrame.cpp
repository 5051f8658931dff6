#include "app/MainFrame.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>

#include "app/MainFrameMenus.h"
#include "platform/base/MessageBoxService.h"
#include "platform/ui/CCmdUI.h"
#include "platform/ui/CMDIChildWnd.h"
#include "platform/ui/CWinApp.h"

namespace {
std::function<void()> g_confirmedCloseHook;
std::function<bool()> g_closeGate;
// How often a close waiting at the gate asks it again.
constexpr UINT_PTR kCloseGateTimer = 0xE140;
constexpr UINT kCloseGateMs = 50;
// The tool bar's buttons follow the commands' state this often (the framework's idle update).
constexpr UINT_PTR kToolBarUpdateTimer = AFX_IDW_TOOLBAR;
constexpr UINT kToolBarUpdateMs = 500;
constexpr DWORD kToolBarStyle = 0x50402834;
}  // namespace

void CMainFrame::SetConfirmedCloseHook(std::function<void()> hook) { g_confirmedCloseHook = std::move(hook); }

void CMainFrame::SetCloseGate(std::function<bool()> mayGoOn) { g_closeGate = std::move(mayGoOn); }

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
  if (!CMDIFrameWnd::PreCreateWindow(cs)) return FALSE;
  cs.style = WS_OVERLAPPEDWINDOW | WS_MAXIMIZE;
  return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs) {
  if (CMDIFrameWnd::OnCreate(cs) == -1) return -1;
  if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, kToolBarStyle, AFX_IDW_TOOLBAR) ||
      !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
    return -1;  // the tool bar could not be made
  }
  m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
  if (!m_frameMenu.LoadMenu(IDR_MAINFRAME) || !m_formMenu.LoadMenu(IDR_RUVFRATYPE)) return -1;
  m_menuBar = new QMenuBar(MainWindow());
  SetMenuBarWidget(m_menuBar);
  ShowMenuFor(false);
  SetTimer(kToolBarUpdateTimer, kToolBarUpdateMs);
  return 0;
}

void CMainFrame::ShowMenuFor(bool formOpen) {
  if (!m_menuBar || (formOpen == m_showsFormMenu && !m_menuBar->actions().isEmpty())) return;
  m_showsFormMenu = formOpen;
  m_menuBar->clear();
  CurrentMenu().FillMenuBar(m_menuBar, GetSafeHwnd());
}

void CMainFrame::OnUpdateFrameTitle(BOOL addToTitle) {
  CMDIFrameWnd::OnUpdateFrameTitle(addToTitle);
  ShowMenuFor(!MDIChildren().empty());
}

void CMainFrame::OnTimer(UINT_PTR id) {
  if (id == kToolBarUpdateTimer) {
    m_wndToolBar.UpdateButtons();
    return;
  }
  if (id == kCloseGateTimer) {
    if (g_closeGate && !g_closeGate()) return;
    KillTimer(kCloseGateTimer);
    CMDIFrameWnd::OnClose();
    return;
  }
  CMDIFrameWnd::OnTimer(id);
}

void CMainFrame::OnClose() {
  // The close is already under way (it may wait for a cycle while serving
  // clicks): asking again could only start it a second time.
  if (IsApplicationClosing()) return;
  if (AfxMessageBox("Application will be closed.\r\nAre you sure?", MB_YESNOCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION) !=
      IDYES) {
    return;
  }
  if (CWinApp* app = AfxGetApp()) app->BeginClose();
  if (g_confirmedCloseHook) g_confirmedCloseHook();
  // The windows go once the gate lets the close on; meanwhile the loop runs as ever.
  if (g_closeGate && !g_closeGate() && SetTimer(kCloseGateTimer, kCloseGateMs)) return;
  CMDIFrameWnd::OnClose();
}

BOOL CMainFrame::OnFrameCommand(UINT id, int code) {
  if (id == ID_VIEW_TOOLBAR) {
    m_wndToolBar.ShowWindow(!m_wndToolBar.IsWindowVisible());
    return TRUE;
  }
  return CMDIFrameWnd::OnFrameCommand(id, code);
}

BOOL CMainFrame::OnUpdateCmdUI(CCmdUI* cmdUI) {
  if (CMDIFrameWnd::OnUpdateCmdUI(cmdUI)) return TRUE;
  switch (cmdUI->m_nID) {
    case ID_VIEW_TOOLBAR:
      cmdUI->SetCheck(m_wndToolBar.IsWindowVisible() ? 1 : 0);
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
