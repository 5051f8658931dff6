#pragma once
// The horizontal scroll bar below the cell area: its range follows the
// sheet's largest left column, and its codes scroll the view by columns.
#include "platform/ui/CScrollBar.h"

class CUGCtrl;
class CUGGridInfo;

class CUGHScroll : public CScrollBar {
 public:
  CUGHScroll() = default;
  ~CUGHScroll() override;

  // Brings range and position up to date with the sheet (while it paints).
  void Update();
  // A scroll code the control received (WM_HSCROLL).
  void HScroll(UINT code, UINT position);

  QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override;
  void OnRButtonDown(UINT flags, CPoint point) override;

  CUGCtrl* m_ctrl = nullptr;
  CUGGridInfo* m_GI = nullptr;
  int m_lastMaxLeftCol = -1;   // at the last range update
  int m_lastNumLockCols = -1;  // at the last range update
  int m_trackColPos = 0;       // the column the dragged thumb stands for

 private:
  void ShowThumbHint();
};
