#include "platform/ui/CMDIChildWnd.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "platform/ui/CDocument.h"
#include "platform/ui/CMDIFrameWnd.h"
#include "platform/ui/CWinApp.h"

BOOL CMDIChildWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context) {
  if (!parent) {
    if (CWinApp* app = AfxGetApp()) parent = app->m_pMainWnd;
  }
  if (!dynamic_cast<CMDIFrameWnd*>(parent)) return FALSE;
  return CFrameWnd::LoadFrame(resourceId, style | WS_CHILD, parent, context);
}

QWidget* CMDIChildWnd::CreateWidget(QWidget* parent, const CREATESTRUCT&) {
  auto* area = qobject_cast<QMdiArea*>(parent);
  if (!area) return nullptr;
  auto* sub = new QMdiSubWindow();
  sub->setAttribute(Qt::WA_DeleteOnClose, false);
  m_client = new QWidget();
  sub->setWidget(m_client);
  area->addSubWindow(sub);
  sub->resize(area->size() / 2);
  return sub;
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const { return dynamic_cast<CMDIFrameWnd*>(GetParent()); }

void CMDIChildWnd::MDIActivate() {
  if (CMDIFrameWnd* frame = GetMDIFrame()) frame->MDIActivate(this);
}

void CMDIChildWnd::ActivateFrame(int showCommand) {
  if (showCommand == -1) showCommand = IsIconic() ? SW_RESTORE : SW_SHOW;
  ShowWindow(showCommand);
  if (CMDIFrameWnd* frame = GetMDIFrame()) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(GetWidget())) {
      if (frame->MdiArea() && frame->MdiArea()->activeSubWindow() != sub) frame->MdiArea()->setActiveSubWindow(sub);
    }
  }
}

void CMDIChildWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  CDocument* document = GetActiveDocument();
  if (addToTitle && document) SetWindowText(document->GetTitle());
  if (CMDIFrameWnd* frame = GetMDIFrame()) frame->OnUpdateFrameTitle(addToTitle);
}
