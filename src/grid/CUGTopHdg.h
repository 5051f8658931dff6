#pragma once
// The top heading: the heading rows -1, -2, ... of every column above the cell
// area. It draws them through their cell types, sizes columns and its own rows
// by dragging a border, best-fits a column on a double click on its border,
// moves columns by dragging and passes every click on to the control.
#include "grid/CUGCell.h"
#include "grid/CUGPaintList.h"
#include "grid/UGCellTips.h"
#include "grid/UGOutlineMarker.h"
#include "platform/ui/CWnd.h"

class CUGCtrl;
class CUGGridInfo;

class CUGTopHdg : public CWnd {
 public:
  CUGTopHdg() = default;
  ~CUGTopHdg() override;

  // Repaints the whole heading now.
  void Update();
  // After a move: the whole heading when the left column changed.
  void UpdateAfterMove();
  // The outermost heading row takes what the others leave of the heading's height.
  void FitToHeading();
  // The heading cell under the point; false when there is none.
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
  void OnTimer(UINT_PTR id) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
  INT_PTR OnToolHitTest(CPoint point, TOOLINFO* info) const override;
  BOOL OnToolTipText(TOOLTIPTEXT* tip) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
  CUGPaintList m_paintList;
  // While a column is dragged to a new place: its column and where it would go.
  int m_dragCol = -1;
  int m_insertCol = -1;
  static constexpr UINT_PTR kMoveScrollTimer = 1;

 private:
  int HeadingRowHeight(long row) const;
  // Arms the border under the point, if any (no button held).
  enum ClickKind { kLeftClick, kRightClick, kDoubleClick };
  // The cell type's and the control's hooks for the cell under the point; false when there is none.
  bool CallClickHooks(CPoint point, int kind, int upDown, int* col = nullptr, long* row = nullptr);
  void Hover(CPoint point);
  void SizeTo(CPoint point);
  void EndSizing();
  void ColumnSized();
  void MoveColumnTo(CPoint point);
  void EndColumnMove();
  void TellCellsOfWidth(bool changed);
  void ShowOutlineAt(int x);

  CUGCell m_cell;
  int m_dragging = 0;
  int m_armed = 0;
  int m_sizingKind = 0;  // 0 a column's width, 1 a heading row's height
  int m_sizedIndex = 0;  // the column, or the heading row counted from 0 at the bottom
  int m_startSize = 0;
  int m_startPos = 0;
  int m_startHeadingSize = 0;
  int m_width = 0;  // the width being dragged
  UGOutlineMarker m_outline;
  CPoint m_movePoint;
  bool m_moveScrolling = false;
  mutable UGCellTips m_tips;
};
