#pragma once
// A scroll-bar control with the platform's range and page rules. The bar does
// not move by itself: each user action sends WM_HSCROLL or WM_VSCROLL (the
// scroll code and, for the thumb, its position; lParam the bar's handle) to the
// parent, which sets the new position. With SBS_SIZEGRIP it is a size grip.
#include "platform/ui/CControlBase.h"
#include "platform/ui/ScrollRange.h"

class QScrollBar;

class CScrollBar : public CControlBase {
 public:
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;

  BOOL SetScrollInfo(LPSCROLLINFO info, BOOL redraw = TRUE);
  BOOL GetScrollInfo(LPSCROLLINFO info, UINT mask = SIF_ALL);
  int SetScrollPos(int pos, BOOL redraw = TRUE);
  int GetScrollPos() const { return m_range.Pos(); }
  void SetScrollRange(int min, int max, BOOL redraw = TRUE);
  void GetScrollRange(int* min, int* max) const;
  int GetScrollLimit() const { return m_range.MaxPos(); }
  BOOL EnableScrollBar(UINT arrows = ESB_ENABLE_BOTH);
  void ShowScrollBar(BOOL show = TRUE) { ShowWindow(show ? SW_SHOW : SW_HIDE); }

  // Connects a Qt scroll bar to a range: user actions become `message`
  // (WM_HSCROLL / WM_VSCROLL) sent to `target` with `barHandle` as lParam.
  static void WireScrollBar(QScrollBar* bar, ScrollRange* range, CWnd* target, UINT message, HWND barHandle);
  static void ShowRange(QScrollBar* bar, const ScrollRange& range);

 private:
  ScrollRange m_range;
};
