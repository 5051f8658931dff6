#pragma once
// What the top and the side heading have in common: a window of heading cells
// drawn through their cell types (a joined cell once, over its whole join),
// borders armed under the mouse and dragged to size, clicks passed to the cell
// type and then to the control, a popup menu, tips and help per cell. Each
// heading adds its own layout: the top one columns, the side one rows.
#include "grid/CUGCell.h"
#include "grid/CUGPaintList.h"
#include "grid/UGCellTips.h"
#include "grid/UGOutlineMarker.h"
#include "platform/ui/CWnd.h"

class CUGCtrl;
class CUGGridInfo;

class CUGHeadingWnd : public CWnd {
 public:
  ~CUGHeadingWnd() override;

  // Repaints the whole heading now.
  void Update();
  // The heading cell under the point; false when there is none.
  virtual bool CellFromPoint(int x, int y, int* col, long* row, RECT* rect) const = 0;
  virtual void CellRect(int col, long row, RECT* rect) const = 0;

  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnRButtonDown(UINT flags, CPoint point) override;
  void OnRButtonUp(UINT flags, CPoint point) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
  INT_PTR OnToolHitTest(CPoint point, TOOLINFO* info) const override;
  BOOL OnToolTipText(TOOLTIPTEXT* tip) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
  CUGPaintList m_paintList;

 protected:
  // section: the control's number for this heading, passed with its notifications.
  explicit CUGHeadingWnd(int section);

  static constexpr int kBorderZone = 3;  // a border hits strictly within this many pixels
  enum ClickKind { kLeftClick, kRightClick, kDoubleClick };

  // The cell type's and the control's hooks for the cell under the point; false when there is none.
  bool CallClickHooks(CPoint point, int kind, int upDown, int* col = nullptr, long* row = nullptr);
  // When (col, row) lies in a join: moves it to the join's origin, gives the
  // join's far corner and returns true. Otherwise leaves all four alone.
  bool JoinExtent(int* col, long* row, int* endCol, long* endRow) const;
  // Draws the cell laid out at rect when the paint list holds it; a joined cell
  // is drawn once per paint, from its origin over the whole join.
  void PaintCell(CDC* dc, int col, long row, RECT rect);
  // The "current" state a cell of the column is drawn with.
  virtual int DrawnCurrent(int col) const;
  // Starts dragging the armed border: the mouse's start, the size being
  // dragged and the heading's own width or height at the start.
  void StartSizing(CPoint point, int startSize, int startHeadingSize);

  const int m_section;
  CUGCell m_cell;  // the cell being painted
  int m_dragging = 0;
  int m_armed = 0;
  int m_sizingKind = 0;  // 0 a width (dragged across), 1 a height (dragged down)
  int m_startSize = 0;
  int m_startPos = 0;
  int m_startHeadingSize = 0;
  UGOutlineMarker m_outline;
  mutable UGCellTips m_tips;
};
