#include "grid/CUGVScroll.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGHint.h"
#include "grid/CUGSideHdg.h"

namespace {
// Mode 2 keeps the thumb in the middle of a three-position bar: only the
// arrows and the page areas move the view.
constexpr int kArrowsOnlyMode = 2;
}  // namespace

CUGVScroll::CUGVScroll() : CUGScrollBar(CUGCtrl::kSectionVScroll) {}

CUGVScroll::~CUGVScroll() = default;

void CUGVScroll::Update() {
  if (!m_GI || !m_ctrl || !m_GI->m_paintMode) return;
  CUGGridInfo& gi = *m_GI;
  const bool arrowsOnly = gi.m_vScrollMode == kArrowsOnlyMode;
  bool rangeChanged = false;
  if (gi.m_maxTopRow != m_lastMaxTopRow || gi.m_vScrollMode != m_lastScrollMode ||
      gi.m_numLockRows != m_lastNumLockRows) {
    m_lastMaxTopRow = gi.m_maxTopRow;
    m_lastScrollMode = gi.m_vScrollMode;
    m_lastNumLockRows = gi.m_numLockRows;
    rangeChanged = true;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE;
    m_multiRange = m_multiPos = 1.0;
    if (arrowsOnly) {
      info.nMin = 0;
      info.nMax = 2;
      info.nPage = 0;
    } else if (gi.m_maxTopRow > kMaxUnscaledRows) {
      // Too many rows for one position each: the bar runs 0..1000.
      m_multiPos = static_cast<double>(kMaxUnscaledRows) / static_cast<double>(gi.m_maxTopRow);
      m_multiRange = static_cast<double>(gi.m_maxTopRow) / static_cast<double>(kMaxUnscaledRows);
      info.nMin = 0;
      info.nMax = static_cast<int>(kMaxUnscaledRows);
      info.nPage = 1;
    } else {
      if (gi.m_defRowHeight < 1) gi.m_defRowHeight = 1;
      const int page = gi.m_gridHeight / gi.m_defRowHeight;
      info.nMin = static_cast<int>(gi.m_numLockRows);
      info.nMax = static_cast<int>(gi.m_maxTopRow) + page - 1;
      info.nPage = static_cast<UINT>(std::max(page, 0));
    }
    SetScrollInfo(&info, FALSE);
    Invalidate();
  }
  if (gi.m_topRow != gi.m_lastTopRow || rangeChanged) {
    SetScrollPos(arrowsOnly ? 1 : static_cast<int>(std::trunc(static_cast<double>(gi.m_topRow) * m_multiPos)), TRUE);
    m_ctrl->OnViewMoved(CUGCtrl::kSectionVScroll, gi.m_lastTopRow, gi.m_topRow);
  }
}

void CUGVScroll::VScroll(UINT code, UINT position) {
  if (!m_GI || !m_ctrl) return;
  CUGGridInfo& gi = *m_GI;
  BeginScrollCode();
  // The thumb's row, the same at release as while it is dragged.
  const long thumbRow = static_cast<long>(std::trunc(static_cast<double>(position) * m_multiRange));
  if (const int move = MoveCodeOf(code); move >= 0) m_ctrl->MoveTopRow(move);
  switch (code) {
    case SB_THUMBPOSITION:
      if (gi.m_enableVScrollHint) m_ctrl->m_CUGHint->Hide();
      m_ctrl->SetTopRow(thumbRow);
      break;
    case SB_THUMBTRACK:
      m_trackRowPos = thumbRow;
      if (gi.m_vScrollMode == 1) m_ctrl->SetTopRow(m_trackRowPos);
      if (gi.m_enableVScrollHint) {
        std::string text;
        m_ctrl->OnVScrollHint(m_trackRowPos, &text);
        ShowThumbHint(text, CUGHint::kRightAtX | CUGHint::kCentreOnY, 40);
      }
      break;
    default: break;
  }
  if (m_ctrl->m_CUGSideHdg->GetSafeHwnd()) m_ctrl->m_CUGSideHdg->Invalidate();
}
