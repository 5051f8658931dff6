#include "grid/CUGHScroll.h"

#include <algorithm>
#include <string>

#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGHint.h"

CUGHScroll::CUGHScroll() : CUGScrollBar(CUGCtrl::kSectionHScroll) {}

CUGHScroll::~CUGHScroll() = default;

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
  BeginScrollCode();
  const int pos = static_cast<int>(position);
  if (const int move = MoveCodeOf(code); move >= 0) m_ctrl->MoveLeftCol(move);
  switch (code) {
    case SB_THUMBPOSITION:
      if (gi.m_enableHScrollHint) m_ctrl->m_CUGHint->Hide();
      m_ctrl->SetLeftCol(gi.m_numLockCols + pos);
      break;
    case SB_THUMBTRACK:
      m_trackColPos = pos + gi.m_numLockCols;
      if (gi.m_hScrollMode == 1) m_ctrl->SetLeftCol(m_trackColPos);
      if (gi.m_enableHScrollHint) {
        std::string text;
        m_ctrl->OnHScrollHint(m_trackColPos, &text);
        ShowThumbHint(text, CUGHint::kCentreOnX | CUGHint::kBottomAtY, 20);
      }
      break;
    default: break;
  }
}
