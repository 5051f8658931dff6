#pragma once
// The top heading: the heading rows -1, -2, ... of every column above the cell
// area. It draws them through their cell types, sizes columns and its own rows
// by dragging a border, best-fits a column on a double click on its border,
// moves columns by dragging and passes every click on to the control.
#include "grid/CUGHeadingWnd.h"

class CUGTopHdg : public CUGHeadingWnd {
 public:
  CUGTopHdg();
  ~CUGTopHdg() override;

  // After a move: the whole heading when the left column changed.
  void UpdateAfterMove();
  // The outermost heading row takes what the others leave of the heading's height.
  void FitToHeading();
  bool CellFromPoint(int x, int y, int* col, long* row, RECT* rect) const override;
  void CellRect(int col, long row, RECT* rect) const override;

  void OnPaint() override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnTimer(UINT_PTR id) override;

  // While a column is dragged to a new place: its column and where it would go.
  int m_dragCol = -1;
  int m_insertCol = -1;
  static constexpr UINT_PTR kMoveScrollTimer = 1;

 protected:
  // The column being moved is drawn as current.
  int DrawnCurrent(int col) const override;

 private:
  int HeadingRowHeight(long row) const;
  // Arms the border under the point, if any (no button held).
  void Hover(CPoint point);
  void SizeTo(CPoint point);
  void EndSizing();
  void ColumnSized();
  void MoveColumnTo(CPoint point);
  void EndColumnMove();
  void TellCellsOfWidth(bool changed);
  void ShowOutlineAt(int x);

  // With m_sizingKind 0 the column, with 1 the heading row counted from 0 at the bottom.
  int m_sizedIndex = 0;
  int m_width = 0;  // the width being dragged
  CPoint m_movePoint;
  bool m_moveScrolling = false;
};
