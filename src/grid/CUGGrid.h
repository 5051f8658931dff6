#pragma once
// The cell area: the child window of the control that shows the cells.
//
// It draws only the cells its paint list names. Every range added to the list
// marks its pixels invalid, and the drawing happens in the paint event, where
// each rectangle Qt asks for is listed too. A move of the view scrolls the
// pixels already shown and lists only the strip that came in and the old and
// new current cells. Mouse, keys, wheel, focus, tips and help become moves of
// the current cell and calls of the cell type and the control's hooks.
#include <vector>

#include "grid/CUGCell.h"
#include "grid/CUGPaintList.h"
#include "platform/ui/CBitmap.h"
#include "platform/ui/CWnd.h"

class CDC;
class CScrollBar;
class CUGCtrl;
class CUGGridInfo;

class CUGGrid : public CWnd {
 public:
  // One visible column (or row) in painting order: locked ones first, then from
  // the left column (top row); start and end in pixels of the cell area.
  struct Span {
    long index;
    int start;
    int end;
  };

  CUGGrid();
  ~CUGGrid() override;

  // Cells whose look changed: drawn at the next paint.
  void AddDrawHint(int startCol, long startRow, int endCol, long endRow);
  void RefreshCell(int col, long row);
  void RefreshRange(int startCol, long startRow, int endCol, long endRow);
  // After the current cell, the left column or the top row changed.
  void UpdateAfterMove();
  // Repaints the whole area now.
  void Update();
  // Draws what the paint list names; memDc, when given, is drawn on and then copied.
  void PaintInvalidCells(CDC* dc, CDC* memDc);
  void PaintRectNow(const RECT* rect);
  // 1 keeps an off-screen bitmap of the area's size; 1 answered when it cannot be made.
  int SetBufferedPaint(int mode);
  CScrollBar* GetScrollBarCtrl(int bar) const;

  // ---- geometry of the current sheet, shared with the headings ----
  std::vector<Span> VisibleColumns() const;
  std::vector<Span> VisibleRows() const;
  int RowHeightOf(long row) const;
  // The cell under the point (a joined cell answers its join's start) with its
  // rectangle; false when the point is on no cell.
  bool CellFromPoint(int x, int y, int* col, long* row, RECT* rect) const;
  // Where a column (row) starts in the area, also when scrolled out of sight.
  int ColumnStart(int col) const;
  int RowStart(long row) const;
  // The cell's rectangle (its join's when joined), also when scrolled out of sight.
  void CellRect(int col, long row, RECT* rect) const;
  // The join holding the cell; false when joins are off or the cell is in none.
  bool JoinRange(int col, long row, int* startCol, long* startRow, int* endCol, long* endRow) const;
  // Paints what is invalid in the window now (the platform's UpdateWindow).
  static void PaintPendingNow(CWnd* window);

  // ---- messages ----
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  int OnCreate(LPCREATESTRUCT cs) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnKeyDown(UINT key, UINT repeatCount, UINT flags) override;
  void OnKeyUp(UINT key, UINT repeatCount, UINT flags) override;
  void OnChar(UINT key, UINT repeatCount, UINT flags) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  void OnRButtonDown(UINT flags, CPoint point) override;
  void OnRButtonUp(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  BOOL OnMouseWheel(UINT flags, short delta, CPoint point) override;
  void OnTimer(UINT_PTR id) override;
  void OnSetFocus(CWnd* oldWnd) override;
  void OnKillFocus(CWnd* newWnd) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
  INT_PTR OnToolHitTest(CPoint point, TOOLINFO* info) const override;
  BOOL OnToolTipText(TOOLTIPTEXT* tip) override;

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
  CUGPaintList m_paintList;

  // The drag selection's scroll outside the area runs on this timer.
  static constexpr UINT_PTR kDragScrollTimer = 1;

 private:
  void InvalidateRange(int startCol, long startRow, int endCol, long endRow);
  // Bounding rectangle of the visible part of the range; empty when none is visible.
  CRect VisibleRangeRect(int startCol, long startRow, int endCol, long endRow) const;
  void AddCurrentCell();
  void MoveByKey(UINT key, int step);
  // One step of a drag selection at the point; true while the view must go on scrolling.
  bool DragStep(CPoint point);
  void StopDragScroll();
  bool Editing() const;
  // The cell under the point for the hooks: -1, -1 and no type call when none.
  BOOL CallMouseTypes(int col, long row, RECT* rect, CPoint point, int kind, int upDown, UINT flags);
  void HandleHelp(LRESULT* result, UINT message, LPARAM lParam);

  void DrawCell(CDC* dc, int col, long row, RECT rect);

  CUGCell m_cell;  // scratch for painting
  int m_buttonDown = 0;
  CBitmap* m_bitmap = nullptr;
  int m_bufferedPaint = 0;
  int m_keyRepeatCount = 0;
  int m_hasFocus = 0;
  int m_cellTypeOwnsMouse = 0;
  bool m_invalidPending = false;  // pixels marked invalid since the last paint
  bool m_dragScrolling = false;
  CPoint m_dragPoint;
  int m_wheelRemainder = 0;  // wheel units not yet a whole notch
};
