#pragma once
// A modeless child dialog that stands in place of a placeholder control of its
// parent and scrolls its content vertically by scroll bar, mouse wheel and
// (when enabled) dragging. Its template needs WS_CHILD | WS_VSCROLL.
#include "platform/ui/CDialog.h"

class CScrollChildDlg : public CDialog {
 public:
  CScrollChildDlg(CWnd* parent, UINT placeholderId, UINT templateId);

  void SetFullRect(int left, int top, int right, int bottom);
  CRect GetFullRect() const { return m_fullClientRect; }
  int GetScrollPosition() const { return m_scrollPos; }
  int GetVisibleHeight() const { return m_visibleHeight; }
  int ScrollRangeSize() const { return m_fullClientRect.Height() - m_visibleHeight; }
  void EnableDragScrolling(bool enable) { m_dragEnabled = enable; }
  // Scrolls as little as it takes to show the content from `top` to `bottom`
  // (content coordinates; the top wins when both cannot be shown).
  void ScrollIntoView(int top, int bottom);

  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  void OnVScroll(UINT code, UINT pos, CScrollBar* bar) override;
  BOOL OnMouseWheel(UINT flags, short delta, CPoint point) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnKillFocus(CWnd* newWnd) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;

 private:
  void UpdateScrollBar(int visibleHeight);
  void ScrollTo(int position);
  void EndDrag();
  CRect m_fullWindowRect;
  CRect m_fullClientRect;
  bool m_takeFullAreaFromWindow = true;
  bool m_dragEnabled = false;
  bool m_dragging = false;
  CPoint m_lastMouse;
  int m_scrollPos = 0;
  int m_visibleHeight = 0;
  HCURSOR m_openHand = IDC_HAND;
  HCURSOR m_grabbing = IDC_SIZEALL;
};
