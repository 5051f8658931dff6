#include "grid/CUGScrollBar.h"

#include <QCursor>
#include <QWidget>

#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGHint.h"
#include "grid/UGHelp.h"

CUGScrollBar::~CUGScrollBar() = default;

QWidget* CUGScrollBar::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  QWidget* bar = CScrollBar::CreateWidget(parent, cs);
  // The right button belongs to the grid's pop-up menu, not to Qt's scroll menu.
  bar->setContextMenuPolicy(Qt::PreventContextMenu);
  return bar;
}

void CUGScrollBar::OnRButtonDown(UINT flags, CPoint point) {
  if (m_GI && m_ctrl && m_GI->m_enablePopupMenu) {
    CPoint screen = point;
    ClientToScreen(&screen);
    m_ctrl->StartPopupMenu(0, 0, &screen, m_section);
  }
  CScrollBar::OnRButtonDown(flags, point);
}

LRESULT CUGScrollBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_HELP || message == WM_HELPHITTEST) && m_GI) {
    return UGWindowHelp(this, m_ctrl, m_section, message, lParam, [this](POINT, int* col, long* row) {
      *col = m_GI->m_currentCol;
      *row = m_GI->m_currentRow;
    });
  }
  return CScrollBar::WindowProc(message, wParam, lParam);
}

int CUGScrollBar::MoveCodeOf(UINT scrollCode) {
  switch (scrollCode) {
    case SB_LINEUP: return 0;
    case SB_LINEDOWN: return 1;
    case SB_PAGEUP: return 2;
    case SB_PAGEDOWN: return 3;
    case SB_TOP: return 4;
    case SB_BOTTOM: return 5;
    default: return -1;
  }
}

void CUGScrollBar::BeginScrollCode() {
  CWnd* cellArea = m_ctrl->m_CUGGrid.get();
  if (cellArea->GetSafeHwnd() && CWnd::GetFocus() != cellArea) cellArea->SetFocus();
  m_GI->m_moveType = 4;
}

void CUGScrollBar::ShowThumbHint(const std::string& text, int placement, int minWidth) {
  CUGHint& hint = *m_ctrl->m_CUGHint;
  RECT bar{};
  GetWindowRect(&bar);
  m_ctrl->ScreenToClient(&bar);
  const QPoint cursor = QCursor::pos();
  POINT at{cursor.x(), cursor.y()};
  m_ctrl->ScreenToClient(&at);
  const bool vertical = (GetStyle() & SBS_VERT) != 0;
  hint.SetPlacement(placement);
  hint.SetText(text, TRUE);
  if (vertical) hint.MoveTo(bar.left - 1, at.y, minWidth);
  else hint.MoveTo(at.x, bar.top - 1, minWidth);
  hint.Show();
}
