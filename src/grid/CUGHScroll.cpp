#include "grid/CUGHScroll.h"

#include <QCursor>
#include <QWidget>
#include <algorithm>
#include <string>

#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGHint.h"

CUGHScroll::~CUGHScroll() = default;

QWidget* CUGHScroll::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  QWidget* bar = CScrollBar::CreateWidget(parent, cs);
  // The right button belongs to the grid's pop-up menu, not to Qt's scroll menu.
  bar->setContextMenuPolicy(Qt::PreventContextMenu);
  return bar;
}

void CUGHScroll::Update() {
  if (!m_GI || !m_ctrl || !m_GI->m_paintMode) return;
  CUGGridInfo& gi = *m_GI;
  if (gi.m_maxLeftCol != m_lastMaxLeftCol || gi.m_numLockCols != m_lastNumLockCols) {
    m_lastMaxLeftCol = gi.m_maxLeftCol;
    m_lastNumLockCols = gi.m_numLockCols;
    // A page is how many default-width columns fit beside the locked ones.
    const int page = gi.m_defColWidth > 0 ? (gi.m_gridWidth - gi.m_lockColWidth) / gi.m_defColWidth : 0;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = 0;
    info.nPage = static_cast<UINT>(std::max(page, 0));
    info.nMax = gi.m_maxLeftCol - gi.m_numLockCols + page - 1;
    SetScrollInfo(&info, FALSE);
  }
  // A bar without height has not been laid out yet (or was left out).
  if (CRect(gi.m_hScrollRect).IsRectEmpty()) m_ctrl->AdjustComponentSizes();
  if (gi.m_leftCol != gi.m_lastLeftCol) {
    SetScrollPos(gi.m_leftCol - gi.m_numLockCols, TRUE);
    m_ctrl->OnViewMoved(CUGCtrl::kSectionHScroll, gi.m_lastLeftCol, gi.m_leftCol);
  }
}

void CUGHScroll::HScroll(UINT code, UINT position) {
  if (!m_GI || !m_ctrl) return;
  CUGGridInfo& gi = *m_GI;
  CWnd* cellArea = m_ctrl->m_CUGGrid.get();
  if (cellArea->GetSafeHwnd() && CWnd::GetFocus() != cellArea) cellArea->SetFocus();
  gi.m_moveType = 4;
  const int pos = static_cast<int>(position);
  switch (code) {
    case SB_LINEUP: m_ctrl->MoveLeftCol(0); break;
    case SB_LINEDOWN: m_ctrl->MoveLeftCol(1); break;
    case SB_PAGEUP: m_ctrl->MoveLeftCol(2); break;
    case SB_PAGEDOWN: m_ctrl->MoveLeftCol(3); break;
    case SB_TOP: m_ctrl->MoveLeftCol(4); break;
    case SB_BOTTOM: m_ctrl->MoveLeftCol(5); break;
    case SB_THUMBPOSITION:
      if (gi.m_enableHScrollHint) m_ctrl->m_CUGHint->Hide();
      m_ctrl->SetLeftCol(gi.m_numLockCols + pos);
      break;
    case SB_THUMBTRACK:
      m_trackColPos = pos + gi.m_numLockCols;
      if (gi.m_hScrollMode == 1) m_ctrl->SetLeftCol(m_trackColPos);
      if (gi.m_enableHScrollHint) ShowThumbHint();
      break;
    default: break;
  }
}

void CUGHScroll::ShowThumbHint() {
  CUGHint& hint = *m_ctrl->m_CUGHint;
  RECT bar{};
  GetWindowRect(&bar);
  m_ctrl->ScreenToClient(&bar);
  const QPoint cursor = QCursor::pos();
  POINT at{cursor.x(), cursor.y()};
  m_ctrl->ScreenToClient(&at);
  hint.SetPlacement(CUGHint::kCentreOnX | CUGHint::kBottomAtY);
  std::string text;
  m_ctrl->OnHScrollHint(m_trackColPos, &text);
  hint.SetText(text, TRUE);
  hint.MoveTo(at.x, bar.top - 1, 20);
  hint.Show();
}

void CUGHScroll::OnRButtonDown(UINT flags, CPoint point) {
  if (m_GI && m_ctrl && m_GI->m_enablePopupMenu) {
    CPoint screen = point;
    ClientToScreen(&screen);
    m_ctrl->StartPopupMenu(0, 0, &screen, CUGCtrl::kSectionHScroll);
  }
  CScrollBar::OnRButtonDown(flags, point);
}
