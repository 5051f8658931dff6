#pragma once
// A spin (up-down) control: two arrows that step a position within a range and,
// with UDS_SETBUDDYINT, write it into the buddy window's text. Each step sends
// WM_VSCROLL (WM_HSCROLL with UDS_HORZ) with SB_THUMBPOSITION and the position.
#include "platform/ui/CControlBase.h"

class CSpinButtonCtrl : public CControlBase {
 public:
  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;
  void SetRange(int lower, int upper);
  void SetRange32(int lower, int upper) { SetRange(lower, upper); }
  void GetRange(int& lower, int& upper) const { lower = m_lower, upper = m_upper; }
  int SetPos(int pos);  // returns the previous position
  int GetPos() const { return m_pos; }
  CWnd* SetBuddy(CWnd* buddy);
  CWnd* GetBuddy() const { return CWnd::FromHandle(m_buddy); }
  // One step up (+1) or down (-1), as a click on an arrow does.
  void Step(int delta);

 private:
  int m_lower = 0;
  int m_upper = 100;
  int m_pos = 0;
  HWND m_buddy = nullptr;
};
