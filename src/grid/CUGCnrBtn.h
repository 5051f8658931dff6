#pragma once
// The corner button: the cell (-1, -1) where the headings meet. Dragging its
// right edge sizes the side heading, its bottom edge the top heading; clicks
// go to the control's corner hooks.
#include "platform/ui/CWnd.h"

class CUGCtrl;
class CUGGridInfo;

class CUGCnrBtn : public CWnd {
 public:
  CUGCnrBtn() = default;
  ~CUGCnrBtn() override;

  // Repaints the button now.
  void Update();

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

 private:
  int m_dragging = 0;
  int m_armed = 0;
  int m_vertical = 0;    // sizing the top heading's height
  int m_horizontal = 0;  // sizing the side heading's width
};
