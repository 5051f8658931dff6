#include "platform/ui/CFrameWnd.h"

#include <QMainWindow>
#include <QMenuBar>

#include "platform/ui/AcceleratorTable.h"
#include "platform/ui/CCmdUI.h"
#include "platform/ui/CDocument.h"
#include "platform/ui/CView.h"
#include "platform/ui/CWinApp.h"

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context) {
  m_nIDHelp = resourceId;
  if (m_strTitle.empty()) m_strTitle = AfxGetAppTitle();
  m_pendingContext = context;
  if (!m_hAccelTable) m_hAccelTable = LoadAccelerators(resourceId);
  const std::weak_ptr<bool> alive = AliveToken();
  const BOOL created = CreateEx(0, "", m_strTitle, style, CRect(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0), parent,
                                (style & WS_CHILD) ? resourceId : 0);
  const std::shared_ptr<bool> stillHere = alive.lock();
  if (!stillHere || !*stillHere) return FALSE;  // a failed creation already deleted the frame
  m_pendingContext = nullptr;
  if (!created && m_bAutoDelete) {
    // Never had a window, so nothing else will delete it.
    delete this;
    return FALSE;
  }
  return created;
}

QWidget* CFrameWnd::CreateWidget(QWidget* parent, const CREATESTRUCT&) {
  auto* window = new QMainWindow(parent);
  m_client = new QWidget(window);
  window->setCentralWidget(m_client);
  window->resize(800, 600);
  return window;
}

QWidget* CFrameWnd::ClientWidget() const { return m_client; }

QMainWindow* CFrameWnd::MainWindow() const { return qobject_cast<QMainWindow*>(GetWidget()); }

void CFrameWnd::SetMenuBarWidget(QMenuBar* menuBar) {
  if (QMainWindow* window = MainWindow()) window->setMenuBar(menuBar);
}

int CFrameWnd::OnCreate(LPCREATESTRUCT cs) {
  if (CWnd::OnCreate(cs) == -1) return -1;
  if (m_pendingContext && !OnCreateClient(cs, m_pendingContext)) return -1;
  return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* context) {
  if (!context || !context->m_newView) return TRUE;
  CView* view = context->m_newView();
  if (!view) return FALSE;
  view->m_bAutoDelete = true;
  if (context->m_pCurrentDoc) context->m_pCurrentDoc->AddView(view);
  CRect client;
  GetClientRect(&client);
  if (!view->Create("", "", WS_CHILD | WS_VISIBLE, client, this, AFX_IDW_PANE_FIRST)) {
    if (context->m_pCurrentDoc) context->m_pCurrentDoc->RemoveView(view);
    delete view;
    return FALSE;
  }
  SetActiveView(view, FALSE);
  return TRUE;
}

void CFrameWnd::InitialUpdateFrame(CDocument* document, BOOL makeVisible) {
  if (CView* view = dynamic_cast<CView*>(GetDlgItem(AFX_IDW_PANE_FIRST))) {
    if (!m_activeView) SetActiveView(view, FALSE);
    view->OnInitialUpdate();
  }
  (void)document;
  OnUpdateFrameTitle(TRUE);
  if (makeVisible) ActivateFrame();
  RecalcLayout();
}

void CFrameWnd::ActivateFrame(int showCommand) {
  if (showCommand == -1) showCommand = IsIconic() ? SW_RESTORE : SW_SHOW;
  ShowWindow(showCommand);
  BringWindowToTop();
}

void CFrameWnd::RecalcLayout(BOOL) {
  CWnd* pane = GetDlgItem(AFX_IDW_PANE_FIRST);
  if (!pane) return;
  CRect client;
  GetClientRect(&client);
  pane->MoveWindow(client);
}

void CFrameWnd::OnSize(UINT type, int cx, int cy) {
  CWnd::OnSize(type, cx, cy);
  if (type != SIZE_MINIMIZED) RecalcLayout();
}

void CFrameWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  std::string title = m_strTitle;
  CDocument* document = GetActiveDocument();
  if (addToTitle && (GetStyle() & FWS_ADDTOTITLE) && document && !document->GetTitle().empty()) {
    title += " - " + document->GetTitle();
  }
  SetWindowText(title);
}

void CFrameWnd::SetActiveView(CView* view, BOOL notify) {
  CView* previous = m_activeView;
  if (previous == view) return;
  m_activeView = view;
  if (notify) {
    if (previous) previous->OnActivateView(FALSE, view, previous);
    if (view) view->OnActivateView(TRUE, view, previous);
  }
}

CDocument* CFrameWnd::GetActiveDocument() {
  CView* view = GetActiveView();
  return view ? view->GetDocument() : nullptr;
}

BOOL CFrameWnd::OnCmdMsg(UINT id, int code) {
  // The close waits for its workers while serving clicks: no command may start
  // anything (ask the close again, open a dialog or a preview) meanwhile.
  if (IsApplicationClosing() && (code == 0 || code == 1)) return TRUE;
  if (CView* view = GetActiveView()) {
    if (view->OnCmdMsg(id, code)) return TRUE;
  }
  if (OnFrameCommand(id, code)) return TRUE;
  // The application's commands come last, and only through its main frame.
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) return app->OnCmdMsg(id, code);
  return FALSE;
}

BOOL CFrameWnd::OnFrameCommand(UINT, int) { return FALSE; }

BOOL CFrameWnd::OnUpdateCmdUI(CCmdUI* cmdUI) {
  if (CView* view = GetActiveView()) {
    if (view->OnUpdateCmdUI(cmdUI)) return TRUE;
  }
  if (CWnd::OnUpdateCmdUI(cmdUI)) return TRUE;
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) return app->OnUpdateCmdUI(cmdUI);
  return FALSE;
}

void CFrameWnd::OnClose() { DestroyWindow(); }

BOOL CFrameWnd::PreTranslateMessage(UINT message, WPARAM wParam, LPARAM) {
  if ((message != WM_KEYDOWN && message != WM_SYSKEYDOWN) || !m_hAccelTable) return FALSE;
  return TranslateAccelerator(GetSafeHwnd(), m_hAccelTable, message, wParam) ? TRUE : FALSE;
}

void CFrameWnd::OnNcDestroy() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    // The main window is gone: the application's message loop ends.
    app->m_pMainWnd = nullptr;
    PostQuitMessage(0);
  }
  m_activeView = nullptr;
  m_client = nullptr;
  if (m_hAccelTable) DestroyAcceleratorTable(m_hAccelTable);
  m_hAccelTable = nullptr;
  CWnd::OnNcDestroy();
}

void CFrameWnd::PostNcDestroy() {
  if (m_bAutoDelete) delete this;
}
