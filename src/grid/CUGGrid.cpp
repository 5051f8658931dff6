#include "grid/CUGGrid.h"

#include "grid/CUGCtrl.h"
#include "platform/ui/ControlConstants.h"

CUGGrid::~CUGGrid() = default;

void CUGGrid::AddDrawHint(int, long, int, long) {
  if (GetSafeHwnd()) Invalidate(FALSE);
}

void CUGGrid::RefreshCell(int col, long row) { RefreshRange(col, row, col, row); }

void CUGGrid::RefreshRange(int startCol, long startRow, int endCol, long endRow) {
  AddDrawHint(startCol, startRow, endCol, endRow);
  UpdateAfterMove();
}

void CUGGrid::UpdateAfterMove() {
  if (GetSafeHwnd()) UpdateWindow();
}

void CUGGrid::Update() {
  if (!GetSafeHwnd()) return;
  Invalidate(FALSE);
  UpdateWindow();
}

LRESULT CUGGrid::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // The grid takes every key, Tab, Return and Escape included, even in a dialog.
  if (message == WM_GETDLGCODE) return DLGC_WANTARROWS | DLGC_WANTALLKEYS;
  return CWnd::WindowProc(message, wParam, lParam);
}

void CUGGrid::OnKeyDown(UINT key, UINT, UINT) {
  if (m_ctrl) m_ctrl->OnKeyDown(&key, FALSE);
}

void CUGGrid::OnKeyUp(UINT key, UINT, UINT) {
  if (m_ctrl) m_ctrl->OnKeyUp(&key, FALSE);
}

void CUGGrid::OnChar(UINT key, UINT, UINT) {
  if (m_ctrl) m_ctrl->OnCharDown(&key, FALSE);
}
