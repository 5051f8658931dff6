#include "platform/ui/CMDIFrameWnd.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "platform/ui/CDocTemplate.h"
#include "platform/ui/CDocument.h"
#include "platform/ui/CMDIChildWnd.h"
#include "platform/ui/CWinApp.h"

QWidget* CMDIFrameWnd::CreateWidget(QWidget* parent, const CREATESTRUCT&) {
  auto* window = new QMainWindow(parent);
  m_mdiArea = new QMdiArea(window);
  m_mdiArea->setViewMode(QMdiArea::SubWindowView);
  window->setCentralWidget(m_mdiArea);
  window->resize(800, 600);
  // Activating a child frame lets it show itself its own way (and keeps the title current).
  m_activation = QObject::connect(m_mdiArea, &QMdiArea::subWindowActivated, m_mdiArea, [this](QMdiSubWindow* sub) {
    auto* child = dynamic_cast<CMDIChildWnd*>(CWnd::FromWidget(sub));
    if (child) child->OnMDIActivated();
    // The area reports no active child while another program has the focus, and
    // the same child again when it comes back: the active document is the same,
    // and composing the title again would undo what the program wrote there.
    const HWND handle = child ? child->GetSafeHwnd() : nullptr;
    if (!handle || handle == m_titledChild) return;
    m_titledChild = handle;
    OnUpdateFrameTitle(TRUE);
  });
  return window;
}

QWidget* CMDIFrameWnd::ClientWidget() const { return m_mdiArea; }

void CMDIFrameWnd::OnNcDestroy() {
  // The area goes later than this object may; it must not call back into it.
  QObject::disconnect(m_activation);
  m_mdiArea = nullptr;
  CFrameWnd::OnNcDestroy();
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive() const {
  if (!m_mdiArea) return nullptr;
  QMdiSubWindow* sub = m_mdiArea->currentSubWindow();
  if (!sub) sub = m_mdiArea->activeSubWindow();
  if (auto* child = dynamic_cast<CMDIChildWnd*>(CWnd::FromWidget(sub))) return child;
  // Nothing active yet (no window has the input focus): the first child frame.
  const std::vector<CMDIChildWnd*> children = MDIChildren();
  return children.empty() ? nullptr : children.front();
}

std::vector<CMDIChildWnd*> CMDIFrameWnd::MDIChildren() const {
  std::vector<CMDIChildWnd*> children;
  for (CWnd* w : GetChildren()) {
    if (auto* child = dynamic_cast<CMDIChildWnd*>(w)) children.push_back(child);
  }
  return children;
}

void CMDIFrameWnd::MDIActivate(CWnd* child) {
  auto* frame = dynamic_cast<CMDIChildWnd*>(child);
  if (!frame || !m_mdiArea) return;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(frame->GetWidget())) m_mdiArea->setActiveSubWindow(sub);
  frame->OnMDIActivated();
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? static_cast<CFrameWnd*>(child) : this;
}

CView* CMDIFrameWnd::GetActiveView() const {
  CMDIChildWnd* child = MDIGetActive();
  return child ? child->GetActiveView() : nullptr;
}

CDocument* CMDIFrameWnd::GetActiveDocument() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? child->GetActiveDocument() : nullptr;
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT id, int code) {
  // The close waits for its workers while serving clicks: no command may start
  // anything (ask the close again, open a dialog or a preview) meanwhile.
  if (IsApplicationClosing() && (code == 0 || code == 1)) return TRUE;
  if (CMDIChildWnd* child = MDIGetActive()) {
    if (child->OnCmdMsg(id, code)) return TRUE;
  }
  if (OnFrameCommand(id, code)) return TRUE;
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) return app->OnCmdMsg(id, code);
  return FALSE;
}

BOOL CMDIFrameWnd::OnUpdateCmdUI(CCmdUI* cmdUI) {
  if (CMDIChildWnd* child = MDIGetActive()) {
    if (child->OnUpdateCmdUI(cmdUI)) return TRUE;
  }
  return CFrameWnd::OnUpdateCmdUI(cmdUI);
}

BOOL CMDIFrameWnd::OnFrameCommand(UINT id, int code) {
  if (!m_mdiArea) return CFrameWnd::OnFrameCommand(id, code);
  switch (id) {
    case ID_WINDOW_NEW: OnWindowNew(); return TRUE;
    case ID_WINDOW_CASCADE: m_mdiArea->cascadeSubWindows(); return TRUE;
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_TILE_VERT: m_mdiArea->tileSubWindows(); return TRUE;
    case ID_WINDOW_ARRANGE: return TRUE;  // no icons to arrange
    default: return CFrameWnd::OnFrameCommand(id, code);
  }
}

void CMDIFrameWnd::OnWindowNew() {
  CMDIChildWnd* active = MDIGetActive();
  CDocument* document = active ? active->GetActiveDocument() : nullptr;
  if (!document || !document->GetDocTemplate()) return;
  if (CFrameWnd* frame = document->GetDocTemplate()->CreateNewFrame(document, active)) {
    document->GetDocTemplate()->InitialUpdateFrame(frame, document, TRUE);
  }
}

void CMDIFrameWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  std::string title = m_strTitle;
  CDocument* document = GetActiveDocument();
  if (addToTitle && (GetStyle() & FWS_ADDTOTITLE) && document && !document->GetTitle().empty()) {
    title += " - " + document->GetTitle();
  }
  SetWindowText(title);
}
