#include "grid/UGCellTips.h"

#include "grid/CUGCtrl.h"

INT_PTR UGCellTips::HitTest(const CWnd* window, int col, long row, TOOLINFO* info) {
  if (col == m_col && row == m_row) {
    if (info) {
      info->uFlags = TTF_IDISHWND | TTF_NOTBUTTON | TTF_ALWAYSTIP;
      info->hwnd = window->GetSafeHwnd();
      info->uId = reinterpret_cast<UINT_PTR>(window->GetSafeHwnd());
      info->textByCallback = true;
    }
    return 1;
  }
  m_col = col;
  m_row = row;
  CWnd::CancelToolTips();
  return -1;
}

BOOL UGCellTips::Text(CUGCtrl* ctrl, int section, TOOLTIPTEXT* tip) {
  if (!ctrl || !tip) return FALSE;
  m_text.clear();
  if (!ctrl->OnHint(m_col, m_row, section, &m_text)) return FALSE;
  tip->text = m_text;
  tip->maxTipWidth = 32767;
  tip->autoPopMs = 32767;
  tip->initialMs = 200;
  tip->reshowMs = 200;
  return TRUE;
}
