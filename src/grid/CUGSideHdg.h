#pragma once
// The side heading: the heading columns -1, -2, ... of every row left of the
// cell area. It scrolls with the cell area, draws its cells through their cell
// types, sizes rows and its own columns by dragging a border and passes every
// click on to the control.
#include "grid/CUGCell.h"
#include "grid/CUGPaintList.h"
#include "grid/UGCellTips.h"
#include "grid/UGOutlineMarker.h"
#include "platform/ui/CWnd.h"

class CUGCtrl;
class CUGGridInfo;

class CUGSideHdg : public CWnd {
 public:
  CUGSideHdg() = default;
  ~CUGSideHdg() override;

  // Repaints the whole heading now.
  void Update();
  // After a move: scrolls with the top row and repaints the old and new current rows.
  void UpdateAfterMove();
  // The outermost heading column takes what the others leave of the heading's width.
  void FitToHeading();
  bool CellFromPoint(int x, int y, int* col, long* row, RECT* rect) const;
  void CellRect(int col, long row, RECT* rect) const;

  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  void OnRButtonDown(UINT flags, CPoint point) override;
  void OnRButtonUp(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
  INT_PTR OnToolHitTest(CPoint point, TOOLINFO* info) const override;
  BOOL OnToolTipText(TOOLTIPTEXT* tip) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
  CUGPaintList m_paintList;

 private:
  int HeadingColWidth(int col) const;
  enum ClickKind { kLeftClick, kRightClick, kDoubleClick };
  // The cell type's and the control's hooks for the cell under the point; false when there is none.
  bool CallClickHooks(CPoint point, int kind, int upDown, int* col = nullptr, long* row = nullptr);
  void Hover(CPoint point);
  void SizeTo(CPoint point);
  void EndSizing();
  void TellCellsOfHeight(bool changed);
  void InvalidateRow(long row);

  CUGCell m_cell;
  long m_lastRowDrawn = 0;
  int m_dragging = 0;
  int m_armed = 0;
  int m_sizingKind = 0;  // 0 a heading column's width, 1 a row's height
  long m_sizedIndex = 0;  // the heading column counted from 0 at the right, or the row
  int m_startSize = 0;
  int m_startPos = 0;
  int m_startHeadingSize = 0;
  int m_rowsPerDragUnit = 0;  // with one height for all rows
  int m_height = 0;           // the height being dragged
  UGOutlineMarker m_outline;
  mutable UGCellTips m_tips;
};
