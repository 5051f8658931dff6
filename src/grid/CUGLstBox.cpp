#include "grid/CUGLstBox.h"

#include <string>

#include "grid/CUGCell.h"
#include "grid/CUGCellType.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGDropListType.h"
#include "grid/CUGGrid.h"
#include "platform/ui/ControlConstants.h"

namespace {

constexpr LRESULT kMouseActivateActivate = 1;

}  // namespace

CUGLstBox::~CUGLstBox() = default;

LRESULT CUGLstBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETDLGCODE) return DLGC_WANTARROWS | DLGC_WANTALLKEYS;
  if (message == WM_MOUSEACTIVATE) return kMouseActivateActivate;
  return CListBox::WindowProc(message, wParam, lParam);
}

void CUGLstBox::Close() {
  if (m_closing || !GetSafeHwnd()) return;
  m_closing = true;
  if (GetCapture() == this) ReleaseCapture();
  // A window destroyed with the focus is not told it lost it: the bookkeeping is done here.
  DestroyWindow();
  m_inUse = FALSE;
  if (!m_selectionMade) {
    // The drop list reads this mark as a list closed without a choice.
    if (m_col) *m_col = CUGDropListType::kJustClosed;
    if (m_row) *m_row = CUGDropListType::kJustClosed;
  }
  m_selectionMade = FALSE;
  if (m_ctrl && m_ctrl->m_CUGGrid->GetSafeHwnd()) {
    m_ctrl->m_CUGGrid->Invalidate(FALSE);
    m_ctrl->m_CUGGrid->UpdateWindow();
  }
  m_closing = false;
}

void CUGLstBox::OnSetFocus(CWnd* oldWnd) {
  CListBox::OnSetFocus(oldWnd);
  if (GetCapture()) ReleaseCapture();
  SetCapture();
  m_inUse = TRUE;
  m_selectionMade = FALSE;
}

void CUGLstBox::OnKillFocus(CWnd* newWnd) {
  CListBox::OnKillFocus(newWnd);
  Close();
}

void CUGLstBox::OnLButtonUp(UINT flags, CPoint point) {
  if (GetCapture() == this) ReleaseCapture();
  if (GetCurSel() != LB_ERR) SelectItem();
  if (GetSafeHwnd()) CListBox::OnLButtonUp(flags, point);
}

void CUGLstBox::OnKeyDown(UINT key, UINT repeatCount, UINT flags) {
  if (key == VK_RETURN) {
    if (GetCurSel() != LB_ERR) {
      SelectItem();
    } else {
      Close();
    }
  } else if (key == VK_ESCAPE) {
    Close();
  }
  if (GetSafeHwnd()) CListBox::OnKeyDown(key, repeatCount, flags);
}

void CUGLstBox::SelectItem() {
  m_selectionMade = TRUE;
  if (m_ctrl && m_cellType && m_col && m_row) {
    const int col = *m_col;
    const long row = *m_row;
    CUGCell cell;
    m_ctrl->FetchCell(col, row, &cell);
    const int index = GetCurSel();
    if (!cell.GetReadOnly() && index != LB_ERR) {
      m_cellType->NotifyControl(m_cellTypeId, col, row, kNotifySelectedIndex, index);
      const std::string text = GetText(index);
      const auto textParam = reinterpret_cast<std::intptr_t>(text.c_str());
      if (m_cellType->NotifyControl(m_cellTypeId, col, row, kNotifySelected, textParam)) {
        cell.SetText(text);
        m_ctrl->WriteCell(col, row, &cell);
        m_cellType->NotifyControl(m_cellTypeId, col, row, kNotifyWritten, textParam);
        m_ctrl->RepaintCell(col, row);
      }
    }
  }
  m_inUse = FALSE;
  if (m_col) *m_col = -1;
  if (m_row) *m_row = -1;
  if (m_ctrl) m_ctrl->SetFocus();
}
