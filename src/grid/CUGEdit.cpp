#include "grid/CUGEdit.h"

#include <algorithm>
#include <string>

#include "grid/CUGCell.h"
#include "grid/CUGCellType.h"
#include "grid/CUGCtrl.h"
#include "grid/CUGGrid.h"
#include "grid/CUGGridInfo.h"
#include "platform/ui/CBitmap.h"
#include "platform/ui/CDC.h"
#include "platform/ui/CFont.h"
#include "platform/ui/ControlConstants.h"

namespace {

// Room kept for the next characters while typing.
constexpr const char* kGrowthMargin = " X X";

}  // namespace

CUGEdit::~CUGEdit() = default;

BOOL CUGEdit::PreTranslateMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // Escape cancels the edit before any dialog sees it.
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    CancelEdit();
    return TRUE;
  }
  return CUGEditBase::PreTranslateMessage(message, wParam, lParam);
}

void CUGEdit::OnSetFocus(CWnd* oldWnd) {
  CUGEditBase::OnSetFocus(oldWnd);
  CUGCtrl* grid = Grid();
  m_autoSizeEdit = m_autoSize && grid && grid->CellTypeOf(&grid->m_editCell)->MaySpill(&grid->m_editCell);
  RECT client{};
  GetClientRect(&client);
  m_startHeight = client.bottom - client.top + 4;
  m_startRect.SetRectEmpty();
  if (grid) {
    RECT window{};
    GetWindowRect(&window);
    grid->m_CUGGrid->ScreenToClient(&window);
    m_startRect = window;
  }
  AutoSize();
  m_cancel = FALSE;
  m_continueFlag = FALSE;
  SetSel(0, -1);
}

BOOL CUGEdit::OnSetCursor(CWnd*, UINT, UINT) {
  SetCursor(LoadStandardCursor(IDC_IBEAM));
  return TRUE;
}

BOOL CUGEdit::OnReflectedCommand(UINT code) {
  if (code == EN_UPDATE) AutoSize();
  return CUGEditBase::OnReflectedCommand(code);
}

void CUGEdit::AutoSize() {
  CUGCtrl* grid = Grid();
  if (!m_autoSizeEdit || !grid || !grid->m_GI->m_textOverflow || !GetSafeHwnd()) return;
  CUGGridInfo& gi = *grid->m_GI;
  CRect current;
  GetWindowRect(&current);
  grid->m_CUGGrid->ScreenToClient(&current);

  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  CBitmap surface;
  surface.CreateCompatibleBitmap(&dc, 1, 1);
  CBitmap* oldSurface = dc.SelectObject(&surface);
  CFont* font = GetFont() ? GetFont() : gi.m_defFont;
  CFont* oldFont = font ? dc.SelectObject(font) : nullptr;
  RECT measured = current;
  dc.DrawText(GetWindowText() + kGrowthMargin, &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  if (oldFont) dc.SelectObject(oldFont);
  if (oldSurface) dc.SelectObject(oldSurface);
  measured.right -= 2;
  measured.bottom = std::min<LONG>(measured.bottom, gi.m_gridHeight - 1);

  CRect wanted = current;
  int col = 0;
  long row = 0;
  RECT cell{};
  if (measured.right > current.right) {
    if (grid->CellFromPoint(measured.right, current.top, &col, &row, &cell) == 0)
      wanted.right = std::min<LONG>(cell.right - 1, gi.m_gridWidth);
    else
      wanted.right = gi.m_gridWidth;
  }
  if (measured.bottom > current.bottom) {
    if (grid->CellFromPoint(current.left, measured.bottom, &col, &row, &cell) == 0) wanted.bottom = cell.bottom - 1;
    else wanted.bottom = measured.bottom;
  }
  wanted.right = std::max(wanted.right, m_startRect.right);
  wanted.bottom = std::max(wanted.bottom, m_startRect.bottom);
  if (wanted.Width() == current.Width() && wanted.Height() == current.Height()) return;
  CRect placed = wanted;
  placed.OffsetRect(gi.m_gridRect.left, gi.m_gridRect.top);
  MoveWindow(placed, TRUE);
  grid->m_CUGGrid->InvalidateRect(&wanted, FALSE);
  m_currentHeight = wanted.Height();
}
