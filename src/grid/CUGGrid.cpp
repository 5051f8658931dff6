#include "grid/CUGGrid.h"

#include <QCoreApplication>
#include <QEvent>
#include <QRegion>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <string>

#include "grid/CUGCtrl.h"
#include "grid/CUGGridInfo.h"
#include "grid/CUGMultiSelect.h"
#include "grid/CUGSideHdg.h"
#include "grid/UGCellTips.h"
#include "grid/UGHelp.h"
#include "grid/UGTheme.h"
#include "platform/base/Clock.h"
#include "platform/ui/CPaintDC.h"
#include "platform/ui/ControlConstants.h"
#include "platform/ui/GdiObject.h"

namespace {
constexpr LRESULT MA_ACTIVATE = 1;
constexpr int kWheelNotch = 120;
constexpr int kRowsPerNotch = 3;
enum MouseKind { kLeft, kRight, kDouble, kMove };

// The cell whose tip is on show, shared by every grid of the process.
UGCellTips g_tips;
}  // namespace

CUGGrid::CUGGrid() {
  m_paintList.SetRangeAdded(
      [this](int startCol, long startRow, int endCol, long endRow) { InvalidateRange(startCol, startRow, endCol, endRow); });
}

CUGGrid::~CUGGrid() {
  delete m_bitmap;
  m_paintList.Clear();
}

// ---------------------------------------------------------------- geometry

int CUGGrid::RowHeightOf(long row) const {
  if (m_GI->m_uniformRowHeightFlag) return m_GI->m_defRowHeight;
  return m_ctrl->RowHeight(row);
}

std::vector<CUGGrid::Span> CUGGrid::VisibleColumns() const {
  std::vector<Span> spans;
  if (!m_GI || !m_ctrl) return spans;
  const int width = m_GI->m_gridWidth;
  int x = 0;
  for (int col = 0; col < m_GI->m_numberCols && x < width; ++col) {
    if (col == m_GI->m_numLockCols) col = std::max(col, m_GI->m_leftCol);
    if (col >= m_GI->m_numberCols) break;
    const int w = m_ctrl->ColWidth(col);
    if (w <= 0) continue;
    spans.push_back(Span{col, x, x + w});
    x += w;
  }
  return spans;
}

std::vector<CUGGrid::Span> CUGGrid::VisibleRows() const {
  std::vector<Span> spans;
  if (!m_GI || !m_ctrl) return spans;
  const int height = m_GI->m_gridHeight;
  int y = 0;
  for (long row = 0; row < m_GI->m_numberRows && y < height; ++row) {
    if (row == m_GI->m_numLockRows) row = std::max(row, m_GI->m_topRow);
    if (row >= m_GI->m_numberRows) break;
    const int h = RowHeightOf(row);
    if (h <= 0) continue;
    spans.push_back(Span{row, y, y + h});
    y += h;
  }
  return spans;
}

int CUGGrid::ColumnStart(int col) const {
  int x = 0;
  if (col < m_GI->m_numLockCols) {
    for (int c = 0; c < col; ++c) x += m_ctrl->ColWidth(c);
    return x;
  }
  x = m_GI->m_lockColWidth;
  for (int c = m_GI->m_leftCol; c < col; ++c) x += m_ctrl->ColWidth(c);
  for (int c = col; c < m_GI->m_leftCol; ++c) x -= m_ctrl->ColWidth(c);
  return x;
}

int CUGGrid::RowStart(long row) const {
  if (m_GI->m_uniformRowHeightFlag) {
    const long first = row < m_GI->m_numLockRows ? 0 : m_GI->m_topRow;
    const int base = row < m_GI->m_numLockRows ? 0 : m_GI->m_lockRowHeight;
    return base + static_cast<int>((row - first) * m_GI->m_defRowHeight);
  }
  int y = 0;
  if (row < m_GI->m_numLockRows) {
    for (long r = 0; r < row; ++r) y += RowHeightOf(r);
    return y;
  }
  y = m_GI->m_lockRowHeight;
  for (long r = m_GI->m_topRow; r < row; ++r) y += RowHeightOf(r);
  for (long r = row; r < m_GI->m_topRow; ++r) y -= RowHeightOf(r);
  return y;
}

bool CUGGrid::JoinRange(int col, long row, int* startCol, long* startRow, int* endCol, long* endRow) const {
  if (!m_GI->m_enableJoins || col < 0 || row < 0) return false;
  CUGCell cell;
  m_ctrl->FetchCell(col, row, &cell);
  BOOL origin = FALSE;
  int colOffset = 0;
  long rowOffset = 0;
  if (cell.GetJoinInfo(&origin, &colOffset, &rowOffset) != 0) return false;
  if (!origin) {
    col += colOffset;
    row += rowOffset;
    m_ctrl->FetchCell(col, row, &cell);
    if (cell.GetJoinInfo(&origin, &colOffset, &rowOffset) != 0 || !origin) colOffset = 0, rowOffset = 0;
  }
  *startCol = col;
  *startRow = row;
  *endCol = col + std::max(0, colOffset);
  *endRow = row + std::max(0L, rowOffset);
  return true;
}

void CUGGrid::CellRect(int col, long row, RECT* rect) const {
  int endCol = col;
  long endRow = row;
  JoinRange(col, row, &col, &row, &endCol, &endRow);
  rect->left = ColumnStart(col);
  rect->top = RowStart(row);
  rect->right = ColumnStart(endCol) + m_ctrl->ColWidth(endCol);
  rect->bottom = RowStart(endRow) + RowHeightOf(endRow);
}

bool CUGGrid::CellFromPoint(int x, int y, int* col, long* row, RECT* rect) const {
  *col = -1;
  *row = -1;
  if (!m_GI || x < 0 || y < 0 || x >= m_GI->m_gridWidth || y >= m_GI->m_gridHeight) return false;
  const std::vector<Span> cols = VisibleColumns();
  const auto c = std::find_if(cols.begin(), cols.end(), [x](const Span& s) { return x < s.end; });
  if (c == cols.end()) return false;
  const std::vector<Span> rows = VisibleRows();
  const auto r = std::find_if(rows.begin(), rows.end(), [y](const Span& s) { return y < s.end; });
  if (r == rows.end()) return false;
  *col = static_cast<int>(c->index);
  *row = r->index;
  CellRect(*col, *row, rect);
  int endCol = 0;
  long endRow = 0;
  JoinRange(*col, *row, col, row, &endCol, &endRow);
  return true;
}

CRect CUGGrid::VisibleRangeRect(int startCol, long startRow, int endCol, long endRow) const {
  CRect area(0, 0, 0, 0);
  int left = -1, right = -1, top = -1, bottom = -1;
  for (const Span& s : VisibleColumns()) {
    if (s.index < startCol || s.index > endCol) continue;
    left = left < 0 ? s.start : std::min(left, s.start);
    right = std::max(right, s.end);
  }
  if (left < 0) return area;
  for (const Span& s : VisibleRows()) {
    if (s.index < startRow || s.index > endRow) continue;
    top = top < 0 ? s.start : std::min(top, s.start);
    bottom = std::max(bottom, s.end);
  }
  if (top < 0) return area;
  return CRect(left, top, right, bottom);
}

// ---------------------------------------------------------------- paint list

void CUGGrid::InvalidateRange(int startCol, long startRow, int endCol, long endRow) {
  if (!GetSafeHwnd() || !m_GI) return;
  const CRect rect = VisibleRangeRect(startCol, startRow, endCol, endRow);
  if (rect.IsRectEmpty()) return;
  InvalidateRect(&rect, FALSE);
  m_invalidPending = true;
}

void CUGGrid::AddDrawHint(int startCol, long startRow, int endCol, long endRow) {
  m_paintList.AddRange(startCol, startRow, endCol, endRow);
}

void CUGGrid::RefreshCell(int col, long row) {
  m_paintList.AddCell(col, row);
  UpdateAfterMove();
}

void CUGGrid::RefreshRange(int startCol, long startRow, int endCol, long endRow) {
  m_paintList.AddRange(startCol, startRow, endCol, endRow);
  UpdateAfterMove();
}

void CUGGrid::AddCurrentCell() {
  if (m_GI->m_highlightRow)
    m_paintList.AddRange(0, m_GI->m_currentRow, m_GI->m_numberCols, m_GI->m_currentRow);
  else
    m_paintList.AddCell(m_GI->m_currentCol, m_GI->m_currentRow);
}

void CUGGrid::PaintPendingNow(CWnd* window) {
  QWidget* widget = window->GetWidget();
  if (!widget || !widget->isVisible()) return;
  // Qt paints a window's invalid areas on this request; nothing when none is.
  QEvent request(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(widget->window(), &request);
}

void CUGGrid::Update() {
  if (!GetSafeHwnd()) return;
  Invalidate(FALSE);
  PaintPendingNow(this);
}

void CUGGrid::PaintRectNow(const RECT* rect) {
  if (!GetSafeHwnd()) return;
  InvalidateRect(rect, FALSE);
  PaintPendingNow(this);
}

int CUGGrid::SetBufferedPaint(int mode) {
  delete m_bitmap;
  m_bitmap = nullptr;
  m_bufferedPaint = mode;
  if (mode != 1) return 0;
  // The backing store already buffers every paint; the bitmap only keeps the
  // call's contract (it follows the area's size).
  RECT client{};
  if (GetSafeHwnd()) GetClientRect(&client);
  CDC reference;
  reference.CreateCompatibleDC(nullptr);
  m_bitmap = new CBitmap;
  if (!m_bitmap->CreateCompatibleBitmap(&reference, std::max(1L, static_cast<long>(client.right)),
                                        std::max(1L, static_cast<long>(client.bottom)))) {
    delete m_bitmap;
    m_bitmap = nullptr;
    m_bufferedPaint = 0;
    return 1;
  }
  return 0;
}

CScrollBar* CUGGrid::GetScrollBarCtrl(int bar) const { return m_ctrl ? m_ctrl->GetScrollBarCtrl(bar) : nullptr; }

// ---------------------------------------------------------------- painting

void CUGGrid::DrawCell(CDC* dc, int col, long row, RECT rect) {
  m_ctrl->FetchCell(col, row, &m_cell);
  int startCol = col, endCol = col;
  long startRow = row, endRow = row;
  if (m_GI->m_enableJoins && m_cell.IsPropertySet(CUGCell::kPropJoin) &&
      JoinRange(col, row, &startCol, &startRow, &endCol, &endRow)) {
    // A join is drawn once, over its whole rectangle, as its start cell.
    if (m_paintList.WasDrawn(startCol, startRow)) return;
    m_paintList.MarkDrawn(startCol, startRow);
    CellRect(startCol, startRow, &rect);
    if (startCol != col || startRow != row) m_ctrl->FetchCell(startCol, startRow, &m_cell);
  }
  const int drawCol = startCol;
  const long drawRow = startRow;
  int selected = 0;
  int current = 0;
  const bool currentRow = drawRow == m_GI->m_currentRow;
  if (currentRow && (drawCol == m_GI->m_currentCol || m_GI->m_highlightRow)) {
    current = 1;
  } else if (m_GI->m_multiSelectFlag && m_GI->m_multiSelect) {
    int block = 0;
    if (m_GI->m_multiSelect->IsSelected(drawCol, drawRow, &block)) selected = 1 + block;
  }
  CUGCellType* type = m_ctrl->GetCellType(m_cell.GetCellType());
  const int saved = dc->SaveDC();
  type->OnDraw(dc, &rect, drawCol, drawRow, &m_cell, selected, current);
  // The lines that set the locked columns and rows apart from the scrolling ones.
  if (m_GI->m_numLockCols > 0 || m_GI->m_numLockRows > 0) {
    dc->SelectStockObject(BLACK_PEN);
    if (m_GI->m_numLockCols > 0 && (col == m_GI->m_leftCol || col == m_GI->m_numLockCols - 1)) {
      const int x = col == m_GI->m_leftCol ? rect.left - 1 : rect.right - 1;
      dc->MoveTo(x, rect.top);
      dc->LineTo(x, rect.bottom + 1);
    }
    if (m_GI->m_numLockRows > 0 && (row == m_GI->m_topRow || row == m_GI->m_numLockRows - 1)) {
      const int y = row == m_GI->m_topRow ? rect.top - 1 : rect.bottom - 1;
      dc->MoveTo(rect.left, y);
      dc->LineTo(rect.right + 1, y);
    }
  }
  dc->RestoreDC(saved);
}

void CUGGrid::PaintInvalidCells(CDC* dc, CDC* memDc) {
  if (!m_ctrl || !m_GI || !dc) return;
  CDC* draw = memDc ? memDc : dc;
  if (m_GI->m_defFont) {
    if (memDc) memDc->SelectObject(m_GI->m_defFont);
    dc->SelectObject(m_GI->m_defFont);
  }
  m_ctrl->OnPaintDCSetup(dc, memDc, CUGCtrl::kSectionCellArea);
  m_paintList.SetReporting(false);  // what the paint adds is being drawn now

  const int width = m_GI->m_gridWidth;
  const int height = m_GI->m_gridHeight;
  m_GI->m_rightCol = m_GI->m_numberCols;
  m_GI->m_bottomRow = m_GI->m_numberRows;
  const std::vector<Span> cols = VisibleColumns();
  int columnsRight = cols.empty() ? 0 : cols.back().end;
  if (columnsRight >= width && !cols.empty()) {
    const int last = static_cast<int>(cols.back().index);
    m_GI->m_rightCol = columnsRight > width ? last : last + 1;
  }
  CRect focus(0, 0, 0, 0);
  bool focusFound = false;
  int y = 0;
  for (long row = 0; row < m_GI->m_numberRows && y < height; ++row) {
    if (row == m_GI->m_numLockRows) row = std::max(row, m_GI->m_topRow);
    if (row >= m_GI->m_numberRows) break;
    const int h = RowHeightOf(row);
    if (h > 0) {
      for (const Span& span : cols) {
        const int col = static_cast<int>(span.index);
        const CRect rect(span.start, y, span.end, y + h);
        if (row == m_GI->m_currentRow && col == m_GI->m_currentCol) {
          focus = rect;
          focusFound = true;
        }
        if (m_paintList.Contains(col, row)) DrawCell(draw, col, row, rect);
      }
      y += h;
      if (y >= height) {
        m_GI->m_bottomRow = y > height ? row : row + 1;
        break;
      }
    }
    if (row == m_GI->m_numberRows - 1) {
      // The data source may find more rows: the walk goes on into them.
      const long count = m_GI->m_numberRows;
      long next = row + 1;
      if (m_ctrl->VerifyTargetRow(&next) == 0 && m_GI->m_numberRows > count)
        m_paintList.AddRange(0, row + 1, m_GI->m_numberCols, row + 1);
    }
  }

  m_paintList.Clear();
  m_paintList.SetReporting(true);
  const COLORREF back = m_ctrl->OnGetDefBackColor(CUGCtrl::kSectionCellArea);
  const int rowsBottom = std::min(y, height);
  if (m_GI->m_rightCol == m_GI->m_numberCols && columnsRight < width)
    draw->FillSolidRect(columnsRight, 0, width - columnsRight, rowsBottom, back);
  if (y < height) draw->FillSolidRect(0, y, width, height - y, back);
  if (memDc) dc->BitBlt(0, 0, width, height, memDc, 0, 0, SRCCOPY);

  const bool focused = m_hasFocus || m_ctrl->m_findDialog != nullptr;
  if (focusFound && focused && !m_ctrl->m_editInProgress) {
    if (m_GI->m_highlightRow) {
      focus.left = 0;
      focus.right = columnsRight <= width ? columnsRight : (m_GI->m_fullWidthFocusRect ? width : columnsRight);
    } else if (m_GI->m_fullWidthFocusRect) {
      focus.right = width;
    }
    m_ctrl->OnDrawFocusRect(dc, &focus);
  }
}

void CUGGrid::OnPaint() {
  CPaintDC dc(this);
  m_invalidPending = false;
  if (!m_GI || !m_ctrl || m_GI->m_paintMode == 0) {
    m_paintList.Clear();
    return;
  }
  m_paintList.SetReporting(false);
  const QRegion* region = CurrentPaintRegion();
  if (!region || region->isEmpty()) {
    m_paintList.AddRange(0, 0, m_GI->m_numberCols, m_GI->m_numberRows);
  } else {
    // One range per rectangle: a scroll by one row stays a few small areas.
    for (const QRect& r : *region) {
      int startCol = 0, endCol = m_GI->m_numberCols;
      long startRow = 0, endRow = m_GI->m_numberRows;
      int col = 0;
      long row = 0;
      RECT cellRect{};
      if (CellFromPoint(r.left(), r.top(), &col, &row, &cellRect)) startCol = col, startRow = row;
      if (CellFromPoint(r.right(), r.bottom(), &col, &row, &cellRect)) {
        int joinStartCol = 0;
        long joinStartRow = 0;
        endCol = col;
        endRow = row;
        JoinRange(col, row, &joinStartCol, &joinStartRow, &endCol, &endRow);
      }
      m_paintList.AddRange(startCol, startRow, endCol, endRow);
    }
  }
  AddCurrentCell();
  m_paintList.SetReporting(true);
  PaintInvalidCells(&dc, nullptr);
  m_paintList.Clear();
}

BOOL CUGGrid::OnEraseBkgnd(CDC*) { return UGThemeIsActive() ? TRUE : FALSE; }

void CUGGrid::OnSize(UINT type, int cx, int cy) {
  CWnd::OnSize(type, cx, cy);
  if (m_bufferedPaint != 0) SetBufferedPaint(m_bufferedPaint);
}

// ---------------------------------------------------------------- moves

void CUGGrid::UpdateAfterMove() {
  if (!GetSafeHwnd() || !m_GI || !m_ctrl) return;
  // A hint window over the area would be scrolled with the pixels.
  if (m_ctrl->m_findDialog != nullptr || m_GI->m_enableVScrollHint || m_GI->m_enableHScrollHint) {
    Update();
    return;
  }
  const int width = m_GI->m_gridWidth;
  const int height = m_GI->m_gridHeight;
  const int oldLeft = m_GI->m_lastLeftCol < 0 ? m_GI->m_leftCol : m_GI->m_lastLeftCol;
  const long oldTop = m_GI->m_lastTopRow < 0 ? m_GI->m_topRow : m_GI->m_lastTopRow;
  long long dx = 0;
  for (int c = std::min(oldLeft, m_GI->m_leftCol); c < std::max(oldLeft, m_GI->m_leftCol) && dx <= width; ++c)
    dx += m_ctrl->ColWidth(c);
  if (m_GI->m_leftCol < oldLeft) dx = -dx;
  long long dy = 0;
  bool whole = std::llabs(dx) > width;
  if (!whole) {
    for (long r = std::min(oldTop, m_GI->m_topRow); r < std::max(oldTop, m_GI->m_topRow) && dy <= height; ++r)
      dy += RowHeightOf(r);
    if (m_GI->m_topRow < oldTop) dy = -dy;
    whole = std::llabs(dy) > height;
  }
  const bool moved = dx != 0 || dy != 0;
  // Pixels already marked invalid were placed for the old view, and a move in
  // both directions would carry the locked cells along: both are drawn anew.
  const bool locks = m_GI->m_numLockCols > 0 || m_GI->m_numLockRows > 0;
  if (moved && (m_invalidPending || (dx != 0 && dy != 0 && locks))) whole = true;
  const int oldRightCol = m_GI->m_rightCol;
  const long oldBottomRow = m_GI->m_bottomRow;
  if (whole) {
    m_paintList.AddRange(0, 0, m_GI->m_numberCols, m_GI->m_numberRows);
  } else if (moved) {
    CRect scroll(0, 0, width, height);
    if (dx == 0) scroll.top = m_GI->m_lockRowHeight;
    if (dy == 0) scroll.left = m_GI->m_lockColWidth;
    ScrollWindow(static_cast<int>(-dx), static_cast<int>(-dy), &scroll, &scroll);
    if (dx > 0) m_paintList.AddRange(oldRightCol, 0, m_GI->m_numberCols, m_GI->m_numberRows);
    if (dx < 0) m_paintList.AddRange(0, 0, oldLeft, m_GI->m_numberRows);
    if (dy > 0) m_paintList.AddRange(0, oldBottomRow, m_GI->m_numberCols, m_GI->m_numberRows);
    if (dy < 0) m_paintList.AddRange(0, 0, m_GI->m_numberCols, oldTop);
  }
  if (m_GI->m_highlightRow) {
    m_paintList.AddRange(0, m_GI->m_lastRow, m_GI->m_numberCols, m_GI->m_lastRow);
    m_paintList.AddRange(0, m_GI->m_currentRow, m_GI->m_numberCols, m_GI->m_currentRow);
  } else {
    m_paintList.AddCell(m_GI->m_lastCol, m_GI->m_lastRow);
    m_paintList.AddCell(m_GI->m_currentCol, m_GI->m_currentRow);
  }
  PaintPendingNow(this);
}

// ---------------------------------------------------------------- keys

bool CUGGrid::Editing() const { return m_ctrl && m_ctrl->m_editInProgress; }

void CUGGrid::OnKeyDown(UINT key, UINT, UINT) {
  if (!m_ctrl || !m_GI) return;
  m_GI->m_moveType = 0;
  int step = 1;
  if (m_GI->m_ballisticKeyMode > 0) {
    ++m_keyRepeatCount;
    const int level = m_keyRepeatCount / m_GI->m_ballisticKeyMode;
    step = level * level * level + 1;
    if (m_GI->m_ballisticKeyDelay > 0 && level == 0 && m_keyRepeatCount > 1)
      Sleep(static_cast<std::uint32_t>(m_GI->m_ballisticKeyDelay));
  }
  const int col = m_GI->m_currentCol;
  const long row = m_GI->m_currentRow;
  const BOOL processed = m_ctrl->CellTypeOf(col, row)->OnKeyDown(col, row, &key);
  m_ctrl->OnKeyDown(&key, processed);
  MoveByKey(key, step);
}

void CUGGrid::MoveByKey(UINT key, int step) {
  const bool ctrlHeld = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  const int col = m_GI->m_currentCol;
  const long row = m_GI->m_currentRow;
  int startCol = 0, endCol = 0;
  long startRow = 0, endRow = 0;
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT: {
      if (key == VK_RIGHT && JoinRange(col, row, &startCol, &startRow, &endCol, &endRow)) step += endCol - startCol;
      const int target = key == VK_LEFT ? col - step : col + step;
      if (target >= 0 && JoinRange(target, row, &startCol, &startRow, &endCol, &endRow))
        m_ctrl->GotoCell(startCol, m_GI->m_dragRow);
      else
        m_ctrl->GotoCol(key == VK_LEFT ? m_GI->m_dragCol - step : m_GI->m_dragCol + step);
      break;
    }
    case VK_UP:
    case VK_DOWN: {
      if (key == VK_DOWN && JoinRange(col, row, &startCol, &startRow, &endCol, &endRow)) step += endRow - startRow;
      const long target = key == VK_UP ? row - step : row + step;
      if (target >= 0 && JoinRange(col, target, &startCol, &startRow, &endCol, &endRow))
        m_ctrl->GotoCell(m_GI->m_dragCol, startRow);
      else
        m_ctrl->GotoRow(key == VK_UP ? m_GI->m_dragRow - step : m_GI->m_dragRow + step);
      break;
    }
    case VK_PRIOR: m_ctrl->MoveCurrentRow(2); break;
    case VK_NEXT: m_ctrl->MoveCurrentRow(3); break;
    case VK_HOME: ctrlHeld ? m_ctrl->MoveCurrentRow(4) : m_ctrl->MoveCurrentCol(4); break;
    case VK_END: ctrlHeld ? m_ctrl->MoveCurrentRow(5) : m_ctrl->MoveCurrentCol(5); break;
    default: break;
  }
}

void CUGGrid::OnKeyUp(UINT key, UINT, UINT) {
  if (!m_ctrl || !m_GI) return;
  m_keyRepeatCount = 0;
  const int col = m_GI->m_currentCol;
  const long row = m_GI->m_currentRow;
  const BOOL processed = m_ctrl->CellTypeOf(col, row)->OnKeyUp(col, row, &key);
  m_ctrl->OnKeyUp(&key, processed);
}

void CUGGrid::OnChar(UINT key, UINT, UINT) {
  if (!m_ctrl || !m_GI) return;
  const int col = m_GI->m_currentCol;
  const long row = m_GI->m_currentRow;
  const BOOL processed = m_ctrl->CellTypeOf(col, row)->OnCharDown(col, row, &key);
  m_ctrl->OnCharDown(&key, processed);
}

// ---------------------------------------------------------------- mouse

BOOL CUGGrid::CallMouseTypes(int col, long row, RECT* rect, CPoint point, int kind, int upDown, UINT flags) {
  BOOL processed = FALSE;
  POINT at = point;
  const bool onCell = col >= 0 && row >= 0;
  CUGCellType* type = onCell ? m_ctrl->CellTypeOf(col, row) : nullptr;
  switch (kind) {
    case kLeft:
      if (type) processed = type->OnLClicked(col, row, upDown, rect, &at);
      m_ctrl->OnLClicked(col, row, upDown, rect, &at, processed);
      break;
    case kRight:
      if (type) processed = type->OnRClicked(col, row, upDown, rect, &at);
      m_ctrl->OnRClicked(col, row, upDown, rect, &at, processed);
      break;
    case kDouble:
      if (type) processed = type->OnDClicked(col, row, rect, &at);
      m_ctrl->OnDClicked(col, row, rect, &at, processed);
      break;
    default:
      if (type) processed = type->OnMouseMove(col, row, &at, flags);
      m_ctrl->OnMouseMove(col, row, &at, flags, processed);
      break;
  }
  return processed;
}

void CUGGrid::OnLButtonDown(UINT flags, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  if (GetFocus() != this) SetFocus();
  if (Editing()) return;
  SetCapture();
  m_GI->m_moveType = 1;
  m_GI->m_moveFlags = flags;
  int col = -1;
  long row = -1;
  RECT rect{};
  if (CellFromPoint(point.x, point.y, &col, &row, &rect)) {
    m_ctrl->GotoCell(col, row);
    CellRect(col, row, &rect);
  }
  if (CallMouseTypes(col, row, &rect, point, kLeft, 1, flags)) m_cellTypeOwnsMouse = 1;
  m_GI->m_moveType = 0;
  m_buttonDown = 1;
}

void CUGGrid::OnLButtonUp(UINT flags, CPoint point) {
  if (!m_buttonDown || !m_ctrl || !m_GI) return;
  StopDragScroll();
  int col = -1;
  long row = -1;
  RECT rect{};
  CellFromPoint(point.x, point.y, &col, &row, &rect);
  CallMouseTypes(col, row, &rect, point, kLeft, 0, flags);
  ReleaseCapture();
  m_GI->m_dragCol = m_GI->m_currentCol;
  m_GI->m_dragRow = m_GI->m_currentRow;
  m_buttonDown = 0;
  m_cellTypeOwnsMouse = 0;
}

void CUGGrid::OnLButtonDblClk(UINT flags, CPoint point) {
  if (!m_ctrl || !m_GI) return;
  int col = -1;
  long row = -1;
  RECT rect{};
  CellFromPoint(point.x, point.y, &col, &row, &rect);
  CallMouseTypes(col, row, &rect, point, kDouble, 0, flags);
}

void CUGGrid::OnRButtonDown(UINT flags, CPoint point) {
  if (!m_ctrl || !m_GI || Editing()) return;
  m_GI->m_moveType = 2;
  m_GI->m_moveFlags = flags;
  int col = -1;
  long row = -1;
  RECT rect{};
  if (CellFromPoint(point.x, point.y, &col, &row, &rect)) {
    m_ctrl->GotoCell(col, row);
    CellRect(col, row, &rect);
  }
  CallMouseTypes(col, row, &rect, point, kRight, 1, flags);
  if (m_GI->m_enablePopupMenu) {
    POINT screen = point;
    ClientToScreen(&screen);
    m_ctrl->StartPopupMenu(col, row, &screen, CUGCtrl::kSectionCellArea);
  }
  m_GI->m_moveType = 0;
  m_buttonDown = 1;
}

void CUGGrid::OnRButtonUp(UINT flags, CPoint point) {
  if (!m_buttonDown || !m_ctrl || !m_GI) return;
  int col = -1;
  long row = -1;
  RECT rect{};
  CellFromPoint(point.x, point.y, &col, &row, &rect);
  CallMouseTypes(col, row, &rect, point, kRight, 0, flags);
  m_GI->m_dragCol = m_GI->m_currentCol;
  m_GI->m_dragRow = m_GI->m_currentRow;
  m_buttonDown = 0;
}

void CUGGrid::OnMouseMove(UINT flags, CPoint point) {
  if (!m_ctrl || !m_GI || Editing()) return;
  if (m_cellTypeOwnsMouse) {
    const int col = m_GI->m_currentCol;
    const long row = m_GI->m_currentRow;
    POINT at = point;
    const BOOL processed = m_ctrl->CellTypeOf(col, row)->OnMouseMove(col, row, &at, flags);
    m_ctrl->OnMouseMove(col, row, &at, flags, processed);
    return;
  }
  m_GI->m_moveType = 3;
  m_GI->m_moveFlags = flags;
  int col = -1;
  long row = -1;
  RECT rect{};
  CellFromPoint(point.x, point.y, &col, &row, &rect);
  CallMouseTypes(col, row, &rect, point, kMove, 0, flags);
  if ((flags & MK_LBUTTON) && m_buttonDown) {
    // Outside the area the view goes on scrolling on a timer until the mouse
    // comes back or the button goes up.
    if (DragStep(point)) {
      m_dragPoint = point;
      if (!m_dragScrolling) SetTimer(kDragScrollTimer, static_cast<UINT>(std::max(1, m_GI->m_ballisticDelay)));
      m_dragScrolling = true;
    } else {
      StopDragScroll();
    }
  }
  m_GI->m_moveType = 0;
}

void CUGGrid::OnTimer(UINT_PTR id) {
  if (id != kDragScrollTimer) {
    CWnd::OnTimer(id);
    return;
  }
  if (!m_buttonDown || !m_dragScrolling || !m_GI || Editing()) {
    StopDragScroll();
    return;
  }
  m_GI->m_moveType = 3;
  if (!DragStep(m_dragPoint)) StopDragScroll();
  m_GI->m_moveType = 0;
}

void CUGGrid::StopDragScroll() {
  if (m_dragScrolling && GetSafeHwnd()) KillTimer(kDragScrollTimer);
  m_dragScrolling = false;
}

bool CUGGrid::DragStep(CPoint point) {
  int col = -1;
  long row = -1;
  RECT rect{};
  const bool onCell = CellFromPoint(point.x, point.y, &col, &row, &rect);
  if (onCell) {
    if (!m_GI->m_dragOntoPartlyVisible && (col == m_GI->m_rightCol || row == m_GI->m_bottomRow)) return false;
    if (m_GI->m_numLockCols == 0 && m_GI->m_numLockRows == 0) {
      m_ctrl->GotoCell(col, row);
    } else {
      if (m_GI->m_dragCol >= m_GI->m_numLockCols && col < m_GI->m_numLockCols)
        m_ctrl->MoveCurrentCol(0);
      else
        m_ctrl->GotoCol(col);
      if (m_GI->m_dragRow >= m_GI->m_numLockRows && row < m_GI->m_numLockRows)
        m_ctrl->MoveCurrentRow(0);
      else
        m_ctrl->GotoRow(row);
    }
  }
  const int width = m_GI->m_gridWidth;
  const int height = m_GI->m_gridHeight;
  const int mode = m_GI->m_ballisticMode;
  const int colWidth = std::max(1, m_GI->m_defColWidth);
  const int rowHeight = std::max(1, m_GI->m_defRowHeight);
  bool scrolling = false;
  if (point.x < 0) {
    scrolling = true;
    if (mode == 0)
      m_ctrl->MoveCurrentCol(0);
    else
      m_ctrl->GotoCol(m_GI->m_dragCol - static_cast<int>(std::pow(1 - point.x / colWidth, mode)));
  } else if (point.x > width || (onCell && col == m_GI->m_rightCol)) {
    scrolling = true;
    if (mode == 0)
      m_ctrl->MoveCurrentCol(1);
    else
      m_ctrl->GotoCol(m_GI->m_dragCol +
                      static_cast<int>(std::pow(static_cast<double>(point.x - width) / colWidth + 1.0, mode)));
  }
  if (point.y < 0) {
    scrolling = true;
    if (mode == 0)
      m_ctrl->MoveCurrentRow(0);
    else
      m_ctrl->GotoRow(m_GI->m_dragRow - static_cast<long>(std::pow(1 - point.y / rowHeight, mode)));
  } else if (point.y > height || (onCell && row == m_GI->m_bottomRow)) {
    scrolling = true;
    if (mode == 0)
      m_ctrl->MoveCurrentRow(1);
    else
      m_ctrl->GotoRow(m_GI->m_dragRow + static_cast<long>(std::pow((point.y - height) / rowHeight + 1, mode)));
  }
  return scrolling;
}

BOOL CUGGrid::OnMouseWheel(UINT flags, short delta, CPoint point) {
  if (!m_ctrl || !m_GI || Editing()) return TRUE;
  m_GI->m_moveType = 4;
  // Fine-grained wheels and touchpads send parts of a notch: they add up.
  m_wheelRemainder += delta;
  const int notches = m_wheelRemainder / kWheelNotch;
  m_wheelRemainder -= notches * kWheelNotch;
  if (notches != 0) {
    m_ctrl->SetTopRow(m_GI->m_topRow - notches * kRowsPerNotch);
    if (m_ctrl->m_CUGSideHdg) m_ctrl->m_CUGSideHdg->Invalidate();
  }
  return CWnd::OnMouseWheel(flags, delta, point);
}

// ---------------------------------------------------------------- focus and cursor

void CUGGrid::OnSetFocus(CWnd*) {
  m_hasFocus = 1;
  m_cellTypeOwnsMouse = 0;
  m_keyRepeatCount = 0;
  if (!m_ctrl || !m_GI) return;
  m_ctrl->OnSetFocus(CUGCtrl::kSectionCellArea);
  AddCurrentCell();
  if (m_GI->m_currentRow < 0) return;
  RECT rect{};
  if (m_GI->m_highlightRow) {
    rect = VisibleRangeRect(0, m_GI->m_currentRow, m_GI->m_numberCols - 1, m_GI->m_currentRow);
  } else if (m_GI->m_currentCol >= 0) {
    CellRect(m_GI->m_currentCol, m_GI->m_currentRow, &rect);
  }
  PaintRectNow(&rect);
}

void CUGGrid::OnKillFocus(CWnd* newWnd) {
  m_hasFocus = 0;
  StopDragScroll();
  Default();
  if (!m_ctrl || !m_GI) return;
  m_ctrl->OnKillFocus(CUGCtrl::kSectionCellArea, newWnd);
  RefreshCell(m_GI->m_currentCol, m_GI->m_currentRow);
}

BOOL CUGGrid::OnSetCursor(CWnd*, UINT, UINT) {
  if (m_GI) SetCursor(m_GI->m_arrowCursor);
  return TRUE;
}

// ---------------------------------------------------------------- tips and help

INT_PTR CUGGrid::OnToolHitTest(CPoint point, TOOLINFO* info) const {
  int col = -1;
  long row = -1;
  RECT rect{};
  CellFromPoint(point.x, point.y, &col, &row, &rect);
  return g_tips.HitTest(this, col, row, info);
}

BOOL CUGGrid::OnToolTipText(TOOLTIPTEXT* tip) { return g_tips.Text(m_ctrl, CUGCtrl::kSectionCellArea, tip); }

void CUGGrid::HandleHelp(LRESULT* result, UINT message, LPARAM lParam) {
  int col = -1;
  long row = -1;
  RECT rect{};
  if (message == WM_HELPHITTEST) {
    CellFromPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), &col, &row, &rect);
    *result = static_cast<LRESULT>(m_ctrl->OnGetContextHelpId(col, static_cast<long>(row), CUGCtrl::kSectionCellArea));
    return;
  }
  const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
  *result = 0;
  if (!info || info->iContextType != HELPINFO_WINDOW) return;
  if (GetKeyState(VK_F1) & 0x8000) {
    col = m_GI->m_currentCol;
    row = m_GI->m_currentRow;
  } else {
    POINT at = info->MousePos;
    ScreenToClient(&at);
    CellFromPoint(at.x, at.y, &col, &row, &rect);
  }
  *result = UGShowContextHelp(m_ctrl, col, row, CUGCtrl::kSectionCellArea);
}

// ---------------------------------------------------------------- messages

BOOL CUGGrid::PreCreateWindow(CREATESTRUCT& cs) {
  cs.style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  return CWnd::PreCreateWindow(cs);
}

int CUGGrid::OnCreate(LPCREATESTRUCT cs) {
  const int result = CWnd::OnCreate(cs);
  if (m_GI && m_GI->m_enableCellTips) EnableToolTips(TRUE);
  return result;
}

LRESULT CUGGrid::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    // The grid takes every key, Tab, Return and Escape included, even in a dialog.
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTALLKEYS;
    case WM_MOUSEACTIVATE:
      CWnd::WindowProc(message, wParam, lParam);
      return MA_ACTIVATE;
    case WM_HSCROLL:
    case WM_VSCROLL: return m_ctrl ? m_ctrl->SendMessage(message, wParam, lParam) : 0;
    case WM_THEMECHANGED: UGThemeReset(); return 0;
    case WM_HELP:
    case WM_HELPHITTEST: {
      LRESULT result = 0;
      if (m_ctrl && m_GI) HandleHelp(&result, message, lParam);
      return result;
    }
    default: return CWnd::WindowProc(message, wParam, lParam);
  }
}
