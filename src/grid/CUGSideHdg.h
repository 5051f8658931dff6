#pragma once
// The side heading: the heading columns -1, -2, ... of every row left of the
// cell area. It scrolls with the cell area, draws its cells through their cell
// types, sizes rows and its own columns by dragging a border and passes every
// click on to the control.
#include "grid/CUGHeadingWnd.h"

class CUGSideHdg : public CUGHeadingWnd {
 public:
  CUGSideHdg();
  ~CUGSideHdg() override;

  // After a move: scrolls with the top row and repaints the old and new current rows.
  void UpdateAfterMove();
  // The outermost heading column takes what the others leave of the heading's width.
  void FitToHeading();
  bool CellFromPoint(int x, int y, int* col, long* row, RECT* rect) const override;
  void CellRect(int col, long row, RECT* rect) const override;

  void OnPaint() override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;

 private:
  int HeadingColWidth(int col) const;
  // Arms the border under the point, if any (no button held).
  void Hover(CPoint point);
  void SizeTo(CPoint point);
  void EndSizing();
  void TellCellsOfHeight(bool changed);
  void InvalidateRow(long row);

  long m_lastRowDrawn = 0;
  // With m_sizingKind 0 the heading column counted from 0 at the right, with 1 the row.
  long m_sizedIndex = 0;
  int m_rowsPerDragUnit = 0;  // with one height for all rows
  int m_height = 0;           // the height being dragged
};
