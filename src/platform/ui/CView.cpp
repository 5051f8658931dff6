#include "platform/ui/CView.h"

#include <QImage>
#include <QWidget>

#include "platform/ui/CViewPrinter.h"
#include "platform/ui/FrameworkIds.h"
#include "platform/ui/CDocument.h"
#include "platform/ui/CPaintDC.h"
#include "platform/ui/CFrameWnd.h"

CView::~CView() {
  if (m_pDocument) m_pDocument->RemoveView(this);
}

CFrameWnd* CView::GetParentFrame() const {
  for (CWnd* w = GetParent(); w; w = w->GetParent()) {
    if (auto* frame = dynamic_cast<CFrameWnd*>(w)) return frame;
  }
  return nullptr;
}

void CView::OnPaint() {
  CPaintDC dc(this);
  OnDraw(&dc);
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0); }

void CView::OnUpdate(CView*, LPARAM) { Invalidate(TRUE); }

void CView::OnActivateView(BOOL activate, CView*, CView*) {
  if (activate && GetWidget()) SetFocus();
}

QImage CView::PrintPicture() {
  QWidget* widget = GetWidget();
  return widget ? widget->grab().toImage() : QImage();
}

BOOL CView::OnCmdMsg(UINT id, int code) {
  if (CWnd::OnCmdMsg(id, code)) return TRUE;
  if (code == 0 || code == 1) {  // a menu, button or accelerator command
    switch (id) {
      case ID_FILE_PRINT: CViewPrinter(*this).Print(); return TRUE;
      case ID_FILE_PRINT_DIRECT: CViewPrinter(*this).PrintDirect(); return TRUE;
      case ID_FILE_PRINT_PREVIEW: CViewPrinter(*this).PrintPreview(); return TRUE;
      default: break;
    }
  }
  return m_pDocument && m_pDocument->OnCmdMsg(id, code);
}

BOOL CView::OnUpdateCmdUI(CCmdUI* cmdUI) { return CWnd::OnUpdateCmdUI(cmdUI); }

void CView::OnDestroy() {
  CFrameWnd* frame = GetParentFrame();
  if (frame && frame->GetActiveView() == this) frame->SetActiveView(nullptr, FALSE);
  if (m_pDocument) m_pDocument->RemoveView(this);
  CWnd::OnDestroy();
}

void CView::PostNcDestroy() {
  if (m_bAutoDelete) delete this;
}
